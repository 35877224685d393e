#include "platform/atomicfile.h"

#include "platform/errors.h"
#include "platform/fdio.h"
#include "platform/filetrust.h"
#include "platform/savebackup.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

WriteFaultHook& faultHook()
{
    static WriteFaultHook hook;
    return hook;
}

WriteStepHook& stepHook()
{
    static WriteStepHook hook;
    return hook;
}

int injectedFault(const QString& target)
{
    const WriteFaultHook& hook = faultHook();
    return hook ? hook(target) : 0;
}

int injectedStepFault(WriteStep step, const QString& target)
{
    const WriteStepHook& hook = stepHook();
    return hook ? hook(step, target) : 0;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

constexpr qint64 kBufferSize = 1 << 20;

// Writes all of data at offset; false with errno set when a block fails.
bool writeAt(int fd, const char* data, qint64 size, qint64 offset, const QString& target)
{
    // Block by block, so that an injected fault or slowing can strike between any two.
    while (size > 0) {
        if (const int fault = injectedStepFault(WriteStep::WriteInPlace, target)) {
            errno = fault;
            return false;
        }
        const qint64 block = std::min<qint64>(size, kBufferSize);
        if (!writeFullyAt(fd, data, block, offset))
            return false;
        data += block;
        size -= block;
        offset += block;
    }
    return true;
}

bool readAll(int fd, QByteArray& bytes, qint64 size)
{
    bytes.resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size_t(size - done), off_t(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return true;
}

// Copies every extended attribute of the file at source onto the open file; false when one
// of them cannot be carried over.
bool copyAttributes(const QByteArray& source, int fd)
{
    ssize_t size = ::listxattr(source.constData(), nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP;  // a file system without attributes has none to lose
    if (size == 0)
        return true;
    QByteArray names(size, '\0');
    size = ::listxattr(source.constData(), names.data(), size_t(names.size()));
    if (size < 0)
        return false;
    names.truncate(size);
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t length = ::getxattr(source.constData(), name.constData(), nullptr, 0);
        if (length < 0)
            return false;
        QByteArray value(length, '\0');
        const ssize_t got = ::getxattr(source.constData(), name.constData(), value.data(), size_t(value.size()));
        if (got < 0)
            return false;
        if (::fsetxattr(fd, name.constData(), value.constData(), size_t(got), 0) != 0)
            return false;
    }
    return true;
}

}  // namespace

void setWriteFaultHook(WriteFaultHook hook) { faultHook() = std::move(hook); }
void setWriteStepHook(WriteStepHook hook) { stepHook() = std::move(hook); }

AtomicFileWriter::AtomicFileWriter(QString target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_)
        dropTemporary();
}

void AtomicFileWriter::dropTemporary()
{
    if (!inPlace_ && !tempPath_.isEmpty())
        ::unlink(QFile::encodeName(tempPath_).constData());
    tempPath_.clear();
    note_.remove();
}

QString AtomicFileWriter::errorText() const
{
    return problem_.isEmpty() ? writeFailureReason(error_) : problem_;
}

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
    // Another user's link in a folder that others may write is never followed.
    problem_ = unsafeLinkProblem(target_);
    if (!problem_.isEmpty())
        return fail(ELOOP);
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
    // The read-only attribute holds for everybody, root included.
    if (exists && !(st.st_mode & S_IWUSR))
        return fail(EACCES);
    // Every name of a hard-linked file must see the new text: only writing in place keeps
    // the one file they all name.
    if (exists && st.st_nlink > 1)
        return openInPlace(native);
    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~currentUmask());
    return openTemporary(native, exists, mode, exists ? st.st_uid : 0, exists ? st.st_gid : 0);
}

bool AtomicFileWriter::openTemporary(const QByteArray& native, bool exists, unsigned mode, unsigned owner,
                                     unsigned group)
{
    // Temporaries of saves that were killed are cleared away first.
    removeStaleTemporaries(native);
    int tempError = injectedStepFault(WriteStep::CreateTemporary, target_);
    if (tempError == 0) {
        // A file without a name while it is written: a kill leaves nothing behind. Only a
        // file system without O_TMPFILE gets a named one, noted for the next start.
        const QByteArray folder = QFile::encodeName(QFileInfo(target_).absolutePath());
        fd_ = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            unnamed_ = true;
        } else if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOENT) {
            tempError = errno;
        } else {
            QByteArray pattern = temporaryPattern(native);
            fd_ = ::mkstemp(pattern.data());
            if (fd_ < 0) {
                tempError = errno;
            } else {
                tempPath_ = QFile::decodeName(pattern);
                (void)note_.noteTemporary(tempPath_);
            }
        }
    }
    if (fd_ < 0) {
        // The folder refuses a new file, or the name leaves no room for a sibling: an
        // existing target is written in place.
        if (exists && (tempError == EACCES || tempError == EPERM || tempError == ENAMETOOLONG || tempError == EROFS))
            return openInPlace(native);
        return fail(tempError);
    }
    if (exists) {
        // Owner and group first: a change of owner may clear the set-id bits that the
        // mode then restores.
        struct stat temp {};
        bool carried = ::fstat(fd_, &temp) == 0;
        if (carried && (temp.st_uid != owner || temp.st_gid != group)) {
            const int fault = injectedStepFault(WriteStep::CarryOwner, target_);
            carried = fault == 0 && ::fchown(fd_, owner, group) == 0;
        }
        if (carried)
            carried = injectedStepFault(WriteStep::CarryAttributes, target_) == 0 && copyAttributes(native, fd_);
        if (!carried) {
            // A replacement would hand the file to somebody else or lose what it carries.
            ::close(fd_);
            fd_ = -1;
            unnamed_ = false;
            dropTemporary();
            return openInPlace(native);
        }
    }
    if (::fchmod(fd_, mode_t(mode)) != 0)
        return fail(errno);
    return true;
}

bool AtomicFileWriter::openInPlace(const QByteArray& native)
{
    inPlace_ = true;
    // Reading as well, so that a failure can put the old bytes back.
    fd_ = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    canRead_ = fd_ >= 0;
    if (fd_ < 0 && errno == EACCES)
        fd_ = ::open(native.constData(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0)
        return fail(errno);
    return true;
}

bool AtomicFileWriter::flushBuffer()
{
    if (!writeFully(fd_, buffer_.constData(), buffer_.size()))
        return fail(errno);
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
    // In place, nothing touches the file before the whole new content is known.
    if (inPlace_) {
        buffer_.append(data, size);
        return true;
    }
    if (buffer_.size() + size > kBufferSize) {
        if (!flushBuffer())
            return false;
        if (size >= kBufferSize) {
            buffer_ = QByteArray::fromRawData(data, size);
            const bool ok = flushBuffer();
            buffer_ = QByteArray();
            return ok;
        }
    }
    buffer_.append(data, size);
    return true;
}

bool AtomicFileWriter::commitInPlace()
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return fail(errno);
    const qint64 oldSize = st.st_size;
    const qint64 newSize = buffer_.size();
    QByteArray old;
    if (canRead_ && !readAll(fd_, old, oldSize))
        return fail(errno);

    // Room for the new length first: a full disk shows here, before any byte is written.
    if (newSize > 0) {
        if (const int fault = injectedStepFault(WriteStep::Reserve, target_))
            return fail(fault);
        if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, off_t(newSize)) != 0 && errno != EOPNOTSUPP && errno != ENOSYS &&
            errno != EINVAL) {
            const int error = errno;
            (void)::ftruncate(fd_, off_t(oldSize));  // gives back what was reserved beyond the end
            return fail(error);
        }
    }
    // The old bytes go to the recovery folder, on disk, before any of them is overwritten:
    // a save killed half-way is put right at the next start.
    if (canRead_ && oldSize > 0 && !note_.keepOldBytes(target_, st.st_dev, st.st_ino, old))
        note_.remove();
    // The part beyond the old end, which overwrites nothing; a failure cuts it off again.
    if (newSize > oldSize &&
        !writeAt(fd_, buffer_.constData() + oldSize, newSize - oldSize, oldSize, target_)) {
        const int error = errno;
        (void)::ftruncate(fd_, off_t(oldSize));
        return fail(error);
    }
    // Then the old bytes are overwritten; a failure puts them back.
    const qint64 head = std::min(oldSize, newSize);
    bool ok = writeAt(fd_, buffer_.constData(), head, 0, target_);
    if (ok && newSize < oldSize)
        ok = ::ftruncate(fd_, off_t(newSize)) == 0;
    if (ok)
        ok = ::fsync(fd_) == 0 || errno == EINVAL;
    if (!ok) {
        const int error = errno;
        if (canRead_) {
            const WriteStepHook hook = std::exchange(stepHook(), WriteStepHook());
            (void)writeAt(fd_, old.constData(), old.size(), 0, target_);
            (void)::ftruncate(fd_, off_t(oldSize));
            (void)::fsync(fd_);
            stepHook() = hook;
        }
        note_.remove();
        return fail(error);
    }
    note_.remove();
    buffer_.clear();
    return true;
}

bool AtomicFileWriter::giveName()
{
    // Linked under a name with our process id, and renamed over the target at once.
    static std::mt19937 random{std::random_device{}()};
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = temporaryPattern(QFile::encodeName(target_));
        for (qsizetype i = name.size() - 6; i < name.size(); ++i)
            name[i] = kChars[random() % (sizeof kChars - 1)];
        tempPath_ = QFile::decodeName(name);
        (void)note_.noteTemporary(tempPath_);
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0 ||
            ::linkat(fd_, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    tempPath_.clear();
    note_.remove();
    return false;
}

bool AtomicFileWriter::replaceInPlaceInstead()
{
    // The new bytes are read back from the temporary file, which then goes.
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !readAll(fd_, buffer_, st.st_size))
        return fail(errno);
    ::close(fd_);
    fd_ = -1;
    dropTemporary();
    unnamed_ = false;
    if (!openInPlace(QFile::encodeName(target_)))
        return false;
    return commitInPlace();
}

bool AtomicFileWriter::commit()
{
    if (fd_ < 0 || error_ != 0)
        return fail(EBADF);
    if (const int fault = injectedFault(target_))
        return fail(fault);
    if (inPlace_) {
        if (!commitInPlace())
            return false;
        if (::close(fd_) != 0) {
            fd_ = -1;
            return fail(errno);
        }
        fd_ = -1;
        committed_ = true;
        return true;
    }
    if (!flushBuffer())
        return false;
    if (::fsync(fd_) != 0 && errno != EINVAL)
        return fail(errno);
    if (unnamed_ && !giveName()) {
        // The folder takes no new name after all: the target is written in place.
        if (!replaceInPlaceInstead())
            return false;
    } else {
        const QByteArray nativeTemp = QFile::encodeName(tempPath_);
        const QByteArray nativeTarget = QFile::encodeName(target_);
        int renameError = injectedStepFault(WriteStep::Rename, target_);
        if (renameError == 0 && ::rename(nativeTemp.constData(), nativeTarget.constData()) != 0)
            renameError = errno;
        if (renameError == EBUSY || renameError == EXDEV) {
            // A target that is a mount point of its own (a bind mount) cannot be renamed
            // over: it is written in place.
            if (!replaceInPlaceInstead())
                return false;
        } else if (renameError != 0) {
            return fail(renameError);
        } else {
            tempPath_.clear();
            note_.remove();
            // Make the rename itself durable.
            syncFolder(QFileInfo(target_).absolutePath());
        }
    }
    if (fd_ >= 0) {
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed != 0 && inPlace_)
            return fail(errno);
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
