#pragma once

#include <QString>
#include <QtGlobal>

struct stat;

namespace platform {

// The five fields of stat() that tell whether a file is still the one that was read:
// device, inode, size and the modification and status-change times in nanoseconds.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file a name refers to (links followed); exists false when there is none.
FileStamp fileStamp(const QString& path);
// The stamp of what stat() or fstat() told.
FileStamp stampOfStat(const struct stat& st);

// What a file was when a document last read or wrote it: which file (device and inode)
// and in what state (size, modification and change time to the nanosecond). Another
// program's write, a replace by rename, a touch and a delete each change it; reading
// does not.
struct FileIdentity {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    // What else moves the change time without touching the content.
    quint32 mode = 0;
    quint64 links = 0;
    quint32 owner = 0;
    quint32 group = 0;
    // The name itself is a symbolic link; target is where it points.
    bool isLink = false;
    QString target;

    bool operator==(const FileIdentity& other) const = default;
};

// The identity of the file a path leads to now (links followed, and whether the name is
// a link itself); exists is false when nothing is there or it is a folder.
FileIdentity fileIdentityOf(const QString& path);

// How a file stands against the identity a document knows. The change time counts too,
// so that a write whose modification time was set back is still seen; a change of mode,
// owner or links alone (chmod, chown, a new hard link) leaves the content as it was and
// is none. A name that became a link, or stopped being one, is a change.
enum class FileChange {
    None,      // the same file with the same content
    Changed,   // written, replaced, touched, or back after it was gone
    Gone,      // it was there and is no longer
};
FileChange compareFileIdentity(const FileIdentity& known, const FileIdentity& now);

// The identity a stamp tells of: the same file in the same state compares as no change.
FileIdentity identityOfStamp(const FileStamp& stamp);

}  // namespace platform
