#include "platform/fdio.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// One call moves at most this much, well below what a single write may take.
constexpr qint64 kMaxTransfer = qint64(1) << 30;

// Calls write(piece, length, done) until all of data is written; done counts the bytes
// already written.
template <typename Write>
bool writeInPieces(const char* data, qint64 size, Write write)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t n = write(data + done, size_t(std::min(size - done, kMaxTransfer)), done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

}  // namespace

bool writeFully(int fd, const char* data, qint64 size)
{
    return writeInPieces(data, size, [fd](const char* piece, size_t length, qint64) {
        return ::write(fd, piece, length);
    });
}

bool writeFullyAt(int fd, const char* data, qint64 size, qint64 offset)
{
    return writeInPieces(data, size, [fd, offset](const char* piece, size_t length, qint64 done) {
        return ::pwrite(fd, piece, length, off_t(offset + done));
    });
}

bool readToEnd(int fd, QByteArray* out)
{
    out->clear();
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out->append(block, n);
    }
}

void syncFolder(const QString& folder)
{
    const QByteArray name = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace platform
