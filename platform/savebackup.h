#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace platform {

// What a save leaves in the recovery folder while it runs, so that a save killed half-way
// costs nothing: before a file is overwritten in place its old bytes are kept there, and a
// temporary file that has a name is noted there. Each note is a file "save-backup-<pid>-<n>"
// (mode 0600) that its save holds an exclusive lock on; the kernel drops the lock when the
// process dies, which is how a later start tells an interrupted save from a running one.

// The recovery folder that the journals use too, $XDG_STATE_HOME/varnotex/recovery
// (default ~/.local/state/varnotex/recovery), made with mode 0700 as needed, without a
// final "/". Empty when it cannot be made, or is a link, not this user's, or open to others.
QString saveBackupFolder();

class SaveNote {
public:
    SaveNote() = default;
    ~SaveNote();  // removes the note
    SaveNote(const SaveNote&) = delete;
    SaveNote& operator=(const SaveNote&) = delete;

    // Keeps the old bytes of the file about to be overwritten in place (its device and inode
    // say which file it is), flushed to disk before this returns. False when that cannot be
    // done; the caller then does not overwrite anything.
    bool keepOldBytes(const QString& target, dev_t device, ino_t inode, const QByteArray& old);
    // Notes the name of a temporary file, which a later start removes if this save never
    // finished. False when the note cannot be written (the save goes on without it).
    bool noteTemporary(const QString& temporary);
    // The save is over (done or given up): the note goes.
    void remove();

private:
    bool create();
    int fd_ = -1;
    QString path_;
};

// What a start did about saves that were interrupted: one German sentence each, for the user.
// A file overwritten half-way gets its old bytes back when it is still the same file; a
// temporary file left behind is removed. Notes of saves still running are left alone.
QStringList recoverInterruptedSaves();

// The name of a temporary sibling of a target: "<name>.vxtmp-<pid>-XXXXXX" for mkstemp, the
// name cut so that the whole fits into one folder entry.
QByteArray temporaryPattern(const QByteArray& nativeTarget);

// Removes the temporary siblings in the target's folder that belong to processes that are
// gone: only regular files of this user whose name is "<name>.vxtmp-<pid>-XXXXXX".
void removeStaleTemporaries(const QByteArray& nativeTarget);

}  // namespace platform
