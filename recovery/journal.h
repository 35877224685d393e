#pragma once

#include "recovery/journalformat.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace recovery {

// The text of a document at one moment, handed to the writer thread for a new base.
// With load set, the writer thread takes the text from it instead (from the file the text
// was loaded from or saved to, so that the window copies nothing); it answers false when
// it cannot give that text any more (the file changed), and the window's text is taken.
struct Snapshot {
    JournalHeader header;
    QByteArray text;
    QByteArray kinds;
    std::function<bool(QByteArray* text, QByteArray* kinds)> load;
};

class Journal;

// The process-wide side of the journals: the recovery folder, the one writer thread that
// does every write, sync, rename and removal in order, and the failure message (shown once
// per run).
class JournalStore {
public:
    static JournalStore& instance();
    JournalStore();
    ~JournalStore();  // waits for the writer
    JournalStore(const JournalStore&) = delete;
    JournalStore& operator=(const JournalStore&) = delete;

    // The folder the journals go to; by default platform::recoveryFolder().
    QString folder() const;
    void setFolder(const QString& folder);  // tests

    // Every journal's pending edits handed to the writer, then waits until all is on the disk.
    void flushAll();
    // Waits until the writer has done everything handed to it.
    void drain();

    // Journals whose base could not be taken from their file take it from their window.
    void retrySources();
    // Shows the failure message if a write failed and it was not shown yet in this run.
    // Called in the user-interface thread; the writer asks for it through the event loop.
    void deliverFailures();
    bool failureShown() const { return failureShown_; }
    void resetFailureShown() { failureShown_ = false; }  // tests

    // Runs job on the writer thread after everything handed over before.
    void post(std::function<void()> job);
    // From the writer thread: a write failed with this errno.
    void reportFailure(int error);

    // A fresh file name for a new journal.
    QString newJournalPath();

private:
    friend class Journal;
    void workerLoop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_;
    QString folder_;
    QString folderProblem_;
    bool folderChecked_ = false;
    int pendingError_ = 0;  // under mutex_
    bool failureShown_ = false;
    int counter_ = 0;
    std::set<Journal*> journals_;
    QObject context_;
};

// The journal of one document window. The window reports each change of its text; the
// journal keeps them in memory and hands them to the writer at most flushDelayMs later,
// which appends and syncs them. The first change after a load or save (or after a failed
// write, an encoding change, or edits too large to be worth a record) takes a snapshot
// of the whole text instead: a new base, written by the writer thread under another name
// and renamed into place.
class Journal {
public:
    static constexpr int kFlushDelayMs = 400;
    // An edit that inserts more than this, or pending edits beyond it, make a new base.
    static constexpr qint64 kLargeEdit = 4 << 20;

    // takeSnapshot gives the current text with its header when a new base is due.
    explicit Journal(std::function<std::shared_ptr<Snapshot>()> takeSnapshot,
                     JournalStore& store = JournalStore::instance());
    // Closes the file and keeps it: what a kill or a signal leaves for the next start.
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // The text changed; edit says how. With a null edit (or one too large) the next flush
    // takes a new base.
    void changed(const JournalEdit* edit);
    // A new base at the next flush, whatever the edits (encoding changed, say).
    void rebase();
    // The text as it stands is what source gives (a file just loaded or saved): the first
    // base after it is taken from there by the writer thread, and the edits since are
    // appended to it.
    void setSource(std::shared_ptr<Snapshot> source);
    // Hands what is pending to the writer now.
    void flush();
    // Deletes the journal (saved, or the user let the changes go); a later change starts anew.
    void discard();
    // Once the next base of this journal is on the disk, the given file (a journal this
    // one replaces) is deleted; if the base cannot be written it is kept.
    void replaceAfterBase(std::unique_ptr<platform::JournalFile> previous);

    bool hasFile() const;   // a base was handed to the writer and no failure came since
    QString path() const;   // empty before the first base
    qint64 pendingBytes() const { return pendingBytes_; }

private:
    friend class JournalStore;
    struct FileState;
    void schedule();

    std::function<std::shared_ptr<Snapshot>()> takeSnapshot_;
    JournalStore& store_;
    std::shared_ptr<FileState> file_;
    bool baseDue_ = false;     // a new base of the window's text is needed at the next flush
    std::shared_ptr<Snapshot> source_;  // what the text was before pending_, if known
    bool baseFromSource_ = false;       // the next base comes from source_, pending_ after it
    bool haveBase_ = false;    // a base was handed over (until a failure shows)
    bool scheduled_ = false;
    std::vector<JournalEdit> pending_;
    qint64 pendingBytes_ = 0;
    std::unique_ptr<QObject> context_;
};

}  // namespace recovery
