#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

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

    bool operator==(const FileIdentity& other) const = default;
};

// The identity of the file a path leads to now (links followed); exists is false when
// nothing is there or it is a folder.
FileIdentity fileIdentityOf(const QString& path);

// How a file stands against the identity a document knows.
enum class FileChange {
    None,      // the same file in the same state
    Changed,   // written, replaced, touched, or back after it was gone
    Gone,      // it was there and is no longer
};
FileChange compareFileIdentity(const FileIdentity& known, const FileIdentity& now);

}  // namespace platform
