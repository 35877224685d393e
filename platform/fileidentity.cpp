#include "platform/fileidentity.h"

#include <QFile>
#include <sys/stat.h>

namespace platform {

namespace {

qint64 nanoseconds(const struct timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; }

}  // namespace

FileStamp stampOfStat(const struct stat& st)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = quint64(st.st_dev);
    stamp.inode = quint64(st.st_ino);
    stamp.size = qint64(st.st_size);
    stamp.mtimeNs = nanoseconds(st.st_mtim);
    stamp.ctimeNs = nanoseconds(st.st_ctim);
    return stamp;
}

FileStamp fileStamp(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return stampOfStat(st);
}

FileIdentity fileIdentityOf(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return {};
    FileIdentity id = identityOfStamp(stampOfStat(st));
    id.mode = quint32(st.st_mode);
    id.links = quint64(st.st_nlink);
    id.owner = quint32(st.st_uid);
    id.group = quint32(st.st_gid);
    struct stat own {};
    if (::lstat(QFile::encodeName(path).constData(), &own) == 0 && S_ISLNK(own.st_mode)) {
        id.isLink = true;
        id.target = QFile::symLinkTarget(path);
    }
    return id;
}

FileIdentity identityOfStamp(const FileStamp& stamp)
{
    FileIdentity id;
    id.exists = stamp.exists;
    id.device = stamp.device;
    id.inode = stamp.inode;
    id.size = stamp.size;
    id.modifiedNs = stamp.mtimeNs;
    id.changedNs = stamp.ctimeNs;
    return id;
}

FileChange compareFileIdentity(const FileIdentity& known, const FileIdentity& now)
{
    if (known == now)
        return FileChange::None;
    if (known.exists && !now.exists)
        return FileChange::Gone;
    if (!known.exists || !now.exists)
        return FileChange::Changed;
    if (known.device != now.device || known.inode != now.inode || known.size != now.size ||
        known.modifiedNs != now.modifiedNs || known.isLink != now.isLink || known.target != now.target)
        return FileChange::Changed;
    const bool metadataMoved =
        known.mode != now.mode || known.links != now.links || known.owner != now.owner || known.group != now.group;
    return known.changedNs != now.changedNs && !metadataMoved ? FileChange::Changed : FileChange::None;
}

}  // namespace platform
