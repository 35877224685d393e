#include "recovery/journal.h"

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/messagebox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>

#include <unistd.h>

namespace recovery {

// What the writer thread keeps of one journal's file. Only the writer touches file and
// goodSize; failed and baseOk are read by the user-interface thread.
struct Journal::FileState {
    QString path;  // set before the first job is posted, then never changed
    std::unique_ptr<platform::JournalFile> file;
    qint64 goodSize = 0;
    std::atomic<bool> failed{false};
    std::atomic<bool> baseOk{false};
    std::atomic<bool> sourceFailed{false};
};

// ---- The store ----

JournalStore& JournalStore::instance()
{
    static JournalStore store;
    return store;
}

JournalStore::JournalStore() : worker_([this] { workerLoop(); }) {}

JournalStore::~JournalStore()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

QString JournalStore::folder() const
{
    std::lock_guard lock(mutex_);
    return folder_.isEmpty() ? platform::recoveryFolder() : folder_;
}

void JournalStore::setFolder(const QString& folder)
{
    std::lock_guard lock(mutex_);
    folder_ = folder.endsWith(QLatin1Char('/')) || folder.isEmpty() ? folder : folder + QLatin1Char('/');
    folderChecked_ = false;
}

QString JournalStore::newJournalPath()
{
    const quint32 random = QRandomGenerator::global()->generate();
    return folder() + QStringLiteral("journal-%1-%2-%3.vnj")
                          .arg(::getpid())
                          .arg(++counter_)
                          .arg(random, 8, 16, QLatin1Char('0'));
}

void JournalStore::post(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void JournalStore::workerLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            if (stopping_)
                return;
            continue;
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        busy_ = false;
        if (jobs_.empty())
            idle_.notify_all();
    }
}

void JournalStore::drain()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void JournalStore::flushAll()
{
    for (Journal* journal : journals_)
        journal->flush();
    drain();
}

void JournalStore::retrySources()
{
    const std::set<Journal*> journals = journals_;
    for (Journal* journal : journals) {
        if (journals_.count(journal) && journal->file_->sourceFailed.exchange(false))
            journal->flush();
    }
}

void JournalStore::reportFailure(int error)
{
    {
        std::lock_guard lock(mutex_);
        if (pendingError_ == 0)
            pendingError_ = error ? error : EIO;
    }
    QMetaObject::invokeMethod(&context_, [this] { deliverFailures(); }, Qt::QueuedConnection);
}

void JournalStore::deliverFailures()
{
    int error = 0;
    {
        std::lock_guard lock(mutex_);
        std::swap(error, pendingError_);
    }
    if (error == 0 || failureShown_)
        return;
    failureShown_ = true;
    platform::MessageBoxService::current().show(
        QStringLiteral("Fehler: Wiederherstellung"),
        QStringLiteral("Die Wiederherstellungsdaten können nicht geschrieben werden:\r%1\r"
                       "Ungesicherte Änderungen gehen bei einem Absturz verloren.")
            .arg(platform::writeFailureReason(error)),
        platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

// ---- One journal ----

Journal::Journal(std::function<std::shared_ptr<Snapshot>()> takeSnapshot, JournalStore& store)
    : takeSnapshot_(std::move(takeSnapshot)), store_(store), file_(std::make_shared<FileState>()),
      context_(std::make_unique<QObject>())
{
    store_.journals_.insert(this);
}

Journal::~Journal()
{
    store_.journals_.erase(this);
    flush();
    // The file stays for the next start; closing it releases its lock.
    std::shared_ptr<FileState> state = std::move(file_);
    store_.post([state] { state->file.reset(); });
}

bool Journal::hasFile() const { return haveBase_ && !file_->failed; }

QString Journal::path() const { return file_->path; }

void Journal::schedule()
{
    if (scheduled_)
        return;
    scheduled_ = true;
    platform::TimerService::current().singleShot(kFlushDelayMs, context_.get(), [this] {
        scheduled_ = false;
        flush();
    });
}

void Journal::setSource(std::shared_ptr<Snapshot> source)
{
    source_ = std::move(source);
    baseFromSource_ = false;
}

void Journal::rebase()
{
    baseDue_ = true;
    baseFromSource_ = false;
    source_.reset();
    pending_.clear();
    pendingBytes_ = 0;
    schedule();
}

void Journal::changed(const JournalEdit* edit)
{
    if (!edit || edit->text.size() > kLargeEdit) {
        rebase();
        return;
    }
    if (!haveBase_ && !baseDue_ && !baseFromSource_) {
        if (!source_) {
            rebase();
            return;
        }
        baseFromSource_ = true;  // this edit and the next ones follow the file's text
    }
    if (baseDue_) {
        schedule();
        return;
    }
    // Typing and backspacing at the end of the edit before grow or shrink that one.
    if (!pending_.empty()) {
        JournalEdit& last = pending_.back();
        const int lastEnd = last.pos + int(last.text.size());
        if (edit->removed == 0 && edit->pos == lastEnd) {
            last.text += edit->text;
            last.kinds += edit->kinds;
            pendingBytes_ += edit->text.size() + edit->kinds.size();
            schedule();
            return;
        }
        if (edit->text.isEmpty() && edit->pos + edit->removed == lastEnd && edit->pos >= last.pos) {
            const QByteArrayView cut = QByteArrayView(last.text).sliced(edit->pos - last.pos);
            last.kinds.chop(cut.count(kBreak));
            last.text.chop(edit->removed);
            schedule();
            return;
        }
    }
    pending_.push_back(*edit);
    pendingBytes_ += 12 + edit->text.size() + edit->kinds.size();
    if (pendingBytes_ > kLargeEdit) {
        rebase();
        return;
    }
    schedule();
}

void Journal::flush()
{
    if (file_->failed.load()) {
        // The file holds an older state (or none): a whole new base brings it up to date.
        haveBase_ = false;
        baseDue_ = true;
        baseFromSource_ = false;
        source_.reset();
        pending_.clear();
        pendingBytes_ = 0;
    }
    std::shared_ptr<Snapshot> fromSource;
    if (baseFromSource_ && !baseDue_) {
        fromSource = std::move(source_);
        baseFromSource_ = false;
    }
    if (baseDue_ || fromSource) {
        std::shared_ptr<Snapshot> snapshot = fromSource ? fromSource : takeSnapshot_ ? takeSnapshot_() : nullptr;
        if (!snapshot)
            return;
        baseDue_ = false;
        haveBase_ = true;
        if (!fromSource) {
            pending_.clear();
            pendingBytes_ = 0;
        }
        if (file_->path.isEmpty())
            file_->path = store_.newJournalPath();
        JournalStore* store = &store_;
        std::shared_ptr<FileState> state = file_;
        store_.post([store, state, snapshot] {
            const QString temporary = state->path + QStringLiteral(".new");
            platform::removeFile(temporary);
            int error = 0;
            const QString folder = state->path.left(state->path.lastIndexOf(QLatin1Char('/')) + 1);
            if (!platform::prepareRecoveryFolder(folder).isEmpty()) {
                state->failed = true;
                store->reportFailure(EACCES);
                return;
            }
            QByteArray loadedText, loadedKinds;
            if (snapshot->load && !snapshot->load(&loadedText, &loadedKinds)) {
                // The file is no longer the text's source: the window's own text is taken.
                state->failed = true;
                state->sourceFailed = true;
                QMetaObject::invokeMethod(&store->context_, [store] { store->retrySources(); }, Qt::QueuedConnection);
                return;
            }
            const QByteArray& text = snapshot->load ? loadedText : snapshot->text;
            const QByteArray& kinds = snapshot->load ? loadedKinds : snapshot->kinds;
            std::unique_ptr<platform::JournalFile> file = platform::JournalFile::create(temporary, &error);
            if (file) {
                const QByteArray header = encodeHeader(snapshot->header);
                QByteArray head, tail;
                encodeBase(text, kinds, &head, &tail);
                if (file->append(header) && file->append(head) && file->append(text) && file->append(kinds) &&
                    file->append(tail) && file->sync()) {
                    error = platform::renameDurably(temporary, state->path);
                    if (error == 0) {
                        file->setPath(state->path);
                        state->goodSize = header.size() + head.size() + text.size() + kinds.size() + tail.size();
                        state->file = std::move(file);
                        state->failed = false;
                        state->baseOk = true;
                        return;
                    }
                } else {
                    error = file->error();
                }
                file.reset();
                platform::removeFile(temporary);
            }
            // The file of the last good base, if any, stays as it was.
            state->failed = true;
            store->reportFailure(error);
        });
        if (!fromSource)
            return;
    }
    if (pending_.empty())
        return;
    QByteArray bytes;
    for (const JournalEdit& edit : pending_)
        bytes += encodeEdit(edit);
    pending_.clear();
    pendingBytes_ = 0;
    JournalStore* store = &store_;
    std::shared_ptr<FileState> state = file_;
    store_.post([store, state, bytes = std::move(bytes)] {
        if (!state->file || state->failed)
            return;  // the next flush writes a new base
        if (state->file->append(bytes) && state->file->sync()) {
            state->goodSize += bytes.size();
            return;
        }
        const int error = state->file->error();
        // Back to the last whole record, so that the file still replays.
        state->file->truncate(state->goodSize);
        state->file->sync();
        state->failed = true;
        store->reportFailure(error);
    });
}

void Journal::discard()
{
    pending_.clear();
    pendingBytes_ = 0;
    baseDue_ = false;
    haveBase_ = false;
    baseFromSource_ = false;
    source_.reset();
    std::shared_ptr<FileState> state = std::move(file_);
    file_ = std::make_shared<FileState>();
    if (state->path.isEmpty())
        return;
    store_.post([state] {
        platform::removeFile(state->path);
        platform::removeFile(state->path + QStringLiteral(".new"));
        state->file.reset();
    });
}

void Journal::replaceAfterBase(std::unique_ptr<platform::JournalFile> previous)
{
    std::shared_ptr<platform::JournalFile> old(std::move(previous));
    std::shared_ptr<FileState> state = file_;
    store_.post([state, old] {
        if (state->baseOk && !state->failed)
            platform::removeFile(old->path());
    });
}

}  // namespace recovery
