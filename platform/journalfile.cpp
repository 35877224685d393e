#include "platform/journalfile.h"

#include "platform/fdio.h"
#include "platform/instanceguard.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

JournalFaultHook& journalFaultHook()
{
    static JournalFaultHook hook;
    return hook;
}

int injectedJournalFault(const QString& path)
{
    const JournalFaultHook& hook = journalFaultHook();
    return hook ? hook(path) : 0;
}

}  // namespace

void setJournalFaultHook(JournalFaultHook hook) { journalFaultHook() = std::move(hook); }

QString recoveryFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.startsWith(QLatin1Char('/')))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/varnotex/recovery/");
}

QString prepareRecoveryFolder(const QString& folder)
{
    QString path = folder;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    // The parents are made as private as the folder itself; existing ones stay as they are.
    const int cut = int(path.lastIndexOf(QLatin1Char('/')));
    if (cut > 0) {
        QByteArray parent;
        for (const QString& part : path.left(cut).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            parent += '/' + QFile::encodeName(part);
            ::mkdir(parent.constData(), 0700);
        }
    }
    return LocalInstanceGuardService::folderProblem(path, true);
}

QStringList filesIn(const QString& folder, const QString& prefix, const QString& suffix)
{
    QStringList names;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        if (name.startsWith(prefix) && name.endsWith(suffix))
            names << name;
    }
    return names;
}

JournalFile::~JournalFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool JournalFile::fail(int error)
{
    error_ = error ? error : EIO;
    return false;
}

std::unique_ptr<JournalFile> JournalFile::create(const QString& path, int* error)
{
    const int fault = injectedJournalFault(path);
    if (fault) {
        *error = fault;
        return nullptr;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    ::fchmod(fd, 0600);  // whatever the umask
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        *error = errno;
        ::close(fd);
        ::unlink(QFile::encodeName(path).constData());
        return nullptr;
    }
    *error = 0;
    return std::unique_ptr<JournalFile>(new JournalFile(fd, path));
}

std::unique_ptr<JournalFile> JournalFile::openExisting(const QString& path, Opened* result)
{
    *result = Opened::Failed;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        ::close(fd);
        return nullptr;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        ::close(fd);
        if (error == EWOULDBLOCK)
            *result = Opened::Busy;
        return nullptr;
    }
    // The name may have been given to a newer file between the open and the lock (the
    // owner replaces its files by renaming): then the locked one is not the file named.
    struct stat now {};
    if (::stat(native.constData(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
        ::close(fd);
        *result = Opened::Busy;
        return nullptr;
    }
    *result = Opened::Ok;
    return std::unique_ptr<JournalFile>(new JournalFile(fd, path));
}

bool JournalFile::append(const char* data, qint64 size)
{
    if (const int fault = injectedJournalFault(path_))
        return fail(fault);
    return writeFully(fd_, data, size) || fail(errno);
}

bool JournalFile::sync()
{
    if (const int fault = injectedJournalFault(path_))
        return fail(fault);
    if (::fdatasync(fd_) != 0)
        return fail(errno);
    return true;
}

bool JournalFile::truncate(qint64 size)
{
    if (::ftruncate(fd_, off_t(size)) != 0 || ::lseek(fd_, off_t(size), SEEK_SET) < 0)
        return fail(errno);
    return true;
}

bool JournalFile::readAll(QByteArray* out)
{
    out->clear();
    if (::lseek(fd_, 0, SEEK_SET) < 0)
        return fail(errno);
    return readToEnd(fd_, out) || fail(errno);
}

int renameDurably(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return errno;
    syncFolder(to.left(to.lastIndexOf(QLatin1Char('/')) + 1));
    return 0;
}

void removeFile(const QString& path) { ::unlink(QFile::encodeName(path).constData()); }

}  // namespace platform
