#pragma once

#include "platform/fileidentity.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace platform {

// The user's own folder for recovery data: $XDG_STATE_HOME/varnotex/recovery/ (default
// ~/.local/state/varnotex/recovery/), ending in "/".
QString recoveryFolder();
// Makes the folder (and its missing parents, mode 0700) and checks it as the
// single-instance folder is checked: a real folder, no link, of this user, closed to
// everybody else. Empty when it may be used, otherwise why not.
QString prepareRecoveryFolder(const QString& folder);

// The file names in a folder that start with prefix and end with suffix, sorted.
QStringList filesIn(const QString& folder, const QString& prefix, const QString& suffix);

// One file of recovery data, open and locked with an exclusive flock() for as long as the
// object lives, so that no other instance takes it while this one runs. The lock dies with
// the process.
class JournalFile {
public:
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    enum class Opened { Ok, Busy, Failed };
    // A new file (mode 0600, never over an existing name, never through a link), locked.
    static std::unique_ptr<JournalFile> create(const QString& path, int* error);
    // An existing file of this user, locked without waiting. Busy when another process
    // holds it; Failed when it is no regular file of this user, a link, or gone.
    static std::unique_ptr<JournalFile> openExisting(const QString& path, Opened* result);

    const QString& path() const { return path_; }
    void setPath(const QString& path) { path_ = path; }
    // Appends all of data; false with the errno in error() when not.
    bool append(const char* data, qint64 size);
    bool append(const QByteArray& data) { return append(data.constData(), data.size()); }
    // Puts the bytes written on the disk (fdatasync).
    bool sync();
    // Cuts the file to size (after a failed append) and goes on writing there.
    bool truncate(qint64 size);
    // The whole file from its start.
    bool readAll(QByteArray* out);
    int error() const { return error_; }

private:
    JournalFile(int fd, QString path) : fd_(fd), path_(std::move(path)) {}
    bool fail(int error);
    int fd_ = -1;
    QString path_;
    int error_ = 0;
};

// Renames a file over another and puts the folder's entries on the disk; the errno on failure, else 0.
int renameDurably(const QString& from, const QString& to);
// Removes a file; missing is no failure.
void removeFile(const QString& path);

// Fault injection for tests: while set, the hook is asked before each write or sync of a
// journal file and fails it with the errno it answers (0: it runs).
using JournalFaultHook = std::function<int(const QString& path)>;
void setJournalFaultHook(JournalFaultHook hook);

}  // namespace platform
