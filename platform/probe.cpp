#include "platform/probe.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

ProbeResult probeWritable(const QString& path)
{
    if (path.isEmpty())
        return ProbeResult::OpenFailed;
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK keeps a FIFO from blocking the probe.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return ProbeResult::OpenFailed;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (::close(fd) != 0)
        return ProbeResult::CloseFailed;
    return regular ? ProbeResult::Ok : ProbeResult::OpenFailed;
}

void removeEmptyFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        ::unlink(native.constData());
}

}  // namespace platform
