#include "platform/probe.h"

#include "platform/errors.h"
#include "platform/filetrust.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The path at the end of a chain of symbolic links (the path itself when it is none).
QString endOfLinks(QString path)
{
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            break;
        const QString next = info.symLinkTarget();
        if (next.isEmpty())
            break;
        path = next;
    }
    return path;
}

}  // namespace

ProbeResult probeWritable(const QString& path, ProbeCreated* created, QString* reason)
{
    if (created)
        *created = ProbeCreated{};
    const auto fail = [reason](ProbeResult result, const QString& why) {
        if (reason)
            *reason = why;
        return result;
    };
    if (path.isEmpty())
        return fail(ProbeResult::OpenFailed, writeFailureReason(ENOENT));
    if (const QString problem = unsafeLinkProblem(path); !problem.isEmpty())
        return fail(ProbeResult::OpenFailed, problem);
    const QString real = endOfLinks(path);
    const QByteArray native = QFile::encodeName(real);
    // O_NONBLOCK keeps a FIFO from blocking the probe. A new file is made with O_EXCL, so
    // that the probe knows it was its own.
    constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK;
    bool isNew = true;
    int fd = ::open(native.constData(), kFlags | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno == EEXIST) {
        isNew = false;
        fd = ::open(native.constData(), kFlags);
    }
    if (fd < 0)
        return fail(ProbeResult::OpenFailed, writeFailureReason(errno));
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (isNew && created)
        *created = ProbeCreated{real, quint64(st.st_dev), quint64(st.st_ino)};
    if (::close(fd) != 0)
        return fail(ProbeResult::CloseFailed, writeFailureReason(errno));
    return regular ? ProbeResult::Ok : fail(ProbeResult::OpenFailed, writeFailureReason(ENXIO));
}

void removeProbeFile(const ProbeCreated& created)
{
    if (created.path.isEmpty())
        return;
    const QByteArray native = QFile::encodeName(created.path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0 &&
        quint64(st.st_dev) == created.device && quint64(st.st_ino) == created.inode)
        ::unlink(native.constData());
}

void removeEmptyFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        ::unlink(native.constData());
}

}  // namespace platform
