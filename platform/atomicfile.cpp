#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

WriteFaultHook& faultHook()
{
    static WriteFaultHook hook = [] {
        WriteFaultHook fromEnvironment;
        const QByteArray pattern = qgetenv("VARNOTEX_FAIL_WRITES");
        if (!pattern.isEmpty()) {
            const QString text = QString::fromLocal8Bit(pattern);
            fromEnvironment = [text](const QString& target) { return target.contains(text) ? ENOSPC : 0; };
        }
        return fromEnvironment;
    }();
    return hook;
}

int injectedFault(const QString& target)
{
    const WriteFaultHook& hook = faultHook();
    return hook ? hook(target) : 0;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

constexpr qint64 kBufferSize = 1 << 20;

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;

}  // namespace

void setWriteFaultHook(WriteFaultHook hook) { faultHook() = std::move(hook); }

AtomicFileWriter::AtomicFileWriter(QString target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !inPlace_ && !tempPath_.isEmpty())
        ::unlink(QFile::encodeName(tempPath_).constData());
}

QString AtomicFileWriter::errorText() const { return QString::fromLocal8Bit(std::strerror(error_)); }

bool AtomicFileWriter::fail(int error)
{
    if (error_ == 0)
        error_ = error ? error : EIO;
    return false;
}

bool AtomicFileWriter::open()
{
    if (target_.isEmpty())
        return fail(ENOENT);
    // Follow symbolic links to the end of their chain, so that the file there is replaced
    // and every link stays a link. symLinkTarget() goes one link further at a time.
    for (int hops = 0;; ++hops) {
        const QFileInfo info(target_);
        if (!info.isSymLink())
            break;
        const QString next = info.symLinkTarget();
        if (next.isEmpty() || hops == kMaxLinkHops)
            return fail(ELOOP);
        target_ = next;
    }
    const QByteArray native = QFile::encodeName(target_);
    struct stat st {};
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return fail(EISDIR);
    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~currentUmask());

    QByteArray pattern = native + ".vxtmp-XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ >= 0) {
        tempPath_ = QFile::decodeName(pattern);
        if (::fchmod(fd_, mode) != 0)
            return fail(errno);
        if (exists)
            (void)::fchown(fd_, st.st_uid, st.st_gid);
        return true;
    }
    const int tempError = errno;
    // The folder refuses a new file; an existing writable target is written in place.
    if (exists && (tempError == EACCES || tempError == EPERM)) {
        fd_ = ::open(native.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ >= 0) {
            inPlace_ = true;
            return true;
        }
        return fail(errno);
    }
    return fail(tempError);
}

bool AtomicFileWriter::flushBuffer()
{
    const char* data = buffer_.constData();
    qint64 left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        data += n;
        left -= n;
    }
    buffer_.clear();
    return true;
}

bool AtomicFileWriter::write(const char* data, qint64 size)
{
    if (fd_ < 0 || error_ != 0)
        return fail(EBADF);
    if (const int fault = injectedFault(target_))
        return fail(fault);
    if (size <= 0)
        return true;
    if (buffer_.size() + size > kBufferSize) {
        if (!flushBuffer())
            return false;
        if (size >= kBufferSize) {
            buffer_ = QByteArray::fromRawData(data, int(size));
            const bool ok = flushBuffer();
            buffer_ = QByteArray();
            return ok;
        }
    }
    buffer_.append(data, int(size));
    return true;
}

bool AtomicFileWriter::commit()
{
    if (fd_ < 0 || error_ != 0)
        return fail(EBADF);
    if (const int fault = injectedFault(target_))
        return fail(fault);
    if (!flushBuffer())
        return false;
    if (::fsync(fd_) != 0 && errno != EINVAL)
        return fail(errno);
    if (::close(fd_) != 0) {
        fd_ = -1;
        return fail(errno);
    }
    fd_ = -1;
    if (!inPlace_) {
        if (::rename(QFile::encodeName(tempPath_).constData(), QFile::encodeName(target_).constData()) != 0)
            return fail(errno);
        // Make the rename itself durable.
        const QByteArray folder = QFile::encodeName(QFileInfo(target_).absolutePath());
        const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            (void)::fsync(dirFd);
            ::close(dirFd);
        }
    }
    committed_ = true;
    return true;
}

bool writeFileAtomically(const QString& path, const QByteArray& data, int* error)
{
    AtomicFileWriter writer(path);
    const bool ok = writer.open() && writer.write(data) && writer.commit();
    if (error)
        *error = writer.error();
    return ok;
}

}  // namespace platform
