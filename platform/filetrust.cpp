#include "platform/filetrust.h"

#include <QFile>
#include <functional>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qint64 kSettingsSizeLimit = qint64(64) << 20;
qint64 g_sizeLimit = 0;

QByteArray folderOf(const QByteArray& native)
{
    const qsizetype slash = native.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : native.left(slash);
}

bool trustedOwner(uid_t uid) { return uid == ::geteuid() || uid == 0; }

// Follows the links from path one by one (at most kMaxLinkHops); refuse is asked of each
// link on the way, and its first non-empty answer is the answer.
QString walkLinks(const QString& path, const std::function<QString(const QByteArray& at, const struct stat& link)>& refuse)
{
    QByteArray current = QFile::encodeName(path);
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        struct stat st {};
        if (::lstat(current.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return QString();
        if (QString problem = refuse(current, st); !problem.isEmpty())
            return problem;
        QByteArray target(4096, '\0');
        const ssize_t n = ::readlink(current.constData(), target.data(), size_t(target.size()));
        if (n <= 0)
            return QString();
        target.truncate(n);
        current = target.startsWith('/') ? target : folderOf(current) + '/' + target;
    }
    return QString();
}

void setProblem(QString* problem, const QString& text)
{
    if (problem)
        *problem = text;
}

// Empty when the open file may be used as a settings file.
QString ownershipProblem(const struct stat& st, const QString& path)
{
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("Die Ini-Datei \"%1\" ist keine gewöhnliche Datei").arg(path);
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return QStringLiteral("Die Ini-Datei \"%1\" gehört einem anderen Benutzer").arg(path);
    if (st.st_uid != ::geteuid() && (st.st_mode & 022))
        return QStringLiteral("Die Ini-Datei \"%1\" darf auch von anderen Benutzern geändert werden").arg(path);
    if (st.st_size > settingsSizeLimit())
        return QStringLiteral("Die Ini-Datei \"%1\" ist zu groß.").arg(path);
    return QString();
}

// Empty when no link on the way to the settings file belongs to somebody else.
QString settingsLinkProblem(const QString& path)
{
    const QString unsafe = unsafeLinkProblem(path);
    if (!unsafe.isEmpty())
        return unsafe;
    return walkLinks(path, [&path](const QByteArray&, const struct stat& link) {
        return trustedOwner(link.st_uid)
                   ? QString()
                   : QStringLiteral("Die Ini-Datei \"%1\" ist ein Verweis eines anderen Benutzers").arg(path);
    });
}

}  // namespace

qint64 settingsSizeLimit() { return g_sizeLimit > 0 ? g_sizeLimit : kSettingsSizeLimit; }
void setSettingsSizeLimit(qint64 bytes) { g_sizeLimit = bytes; }

QString unsafeLinkProblem(const QString& path)
{
    return walkLinks(path, [&path](const QByteArray& at, const struct stat& link) {
        if (trustedOwner(link.st_uid))
            return QString();
        struct stat folder {};
        if (::stat(folderOf(at).constData(), &folder) == 0 && ((folder.st_mode & S_ISVTX) || (folder.st_mode & 022)))
            return QStringLiteral("\"%1\" ist ein Verweis eines anderen Benutzers in einem Ordner, in den auch "
                                  "andere schreiben dürfen; ihm wird nicht gefolgt")
                .arg(path);
        return QString();
    });
}

OwnFileState ownFileState(const QString& path, QString* problem)
{
    setProblem(problem, QString());
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        // A dangling link of somebody else's still says that somebody tried.
        struct stat link {};
        if (::lstat(native.constData(), &link) == 0 && S_ISLNK(link.st_mode) && !trustedOwner(link.st_uid)) {
            setProblem(problem, QStringLiteral("Die Ini-Datei \"%1\" ist ein Verweis eines anderen Benutzers").arg(path));
            return OwnFileState::Refused;
        }
        return OwnFileState::Missing;
    }
    // A folder is no file at all: the search goes on without a word.
    if (S_ISDIR(st.st_mode))
        return OwnFileState::Missing;
    QString why = settingsLinkProblem(path);
    if (why.isEmpty())
        why = ownershipProblem(st, path);
    if (why.isEmpty()) {
        // The same checks on the open file, which is what will be read.
        QByteArray content;
        const FileStamp same = stampOfStat(st);
        if (readOwnFile(path, content, nullptr, &same, &why) != OwnReadResult::Read && why.isEmpty())
            why = QStringLiteral("Die Ini-Datei \"%1\" kann nicht gelesen werden").arg(path);
    }
    if (why.isEmpty())
        return OwnFileState::Usable;
    setProblem(problem, why);
    return OwnFileState::Refused;
}

OwnReadResult readOwnFile(const QString& path, QByteArray& content, FileStamp* stamp, const FileStamp* skipIfStamp,
                          QString* problem)
{
    content.clear();
    setProblem(problem, QString());
    const QByteArray native = QFile::encodeName(path);
    struct stat before {};
    if (::stat(native.constData(), &before) != 0)
        return errno == ENOENT || errno == ENOTDIR ? OwnReadResult::Missing : OwnReadResult::Refused;
    QString why = S_ISDIR(before.st_mode) ? QStringLiteral("Die Ini-Datei \"%1\" ist ein Ordner").arg(path)
                                          : settingsLinkProblem(path);
    if (why.isEmpty())
        why = ownershipProblem(before, path);
    if (!why.isEmpty()) {
        setProblem(problem, why);
        return OwnReadResult::Refused;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        setProblem(problem, QStringLiteral("Die Ini-Datei \"%1\" kann nicht gelesen werden").arg(path));
        return errno == ENOENT ? OwnReadResult::Missing : OwnReadResult::Refused;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        why = QStringLiteral("Die Ini-Datei \"%1\" kann nicht gelesen werden").arg(path);
    else
        why = ownershipProblem(st, path);
    if (!why.isEmpty()) {
        ::close(fd);
        setProblem(problem, why);
        return OwnReadResult::Refused;
    }
    const FileStamp now = stampOfStat(st);
    if (stamp)
        *stamp = now;
    if (skipIfStamp && *skipIfStamp == now) {
        ::close(fd);
        return OwnReadResult::Read;
    }
    // Never more than the limit, even when the file grows while it is read.
    const qint64 limit = settingsSizeLimit();
    content.resize(qsizetype(st.st_size));
    qint64 done = 0;
    bool failed = false;
    for (;;) {
        if (done == content.size()) {
            if (done > limit)
                break;
            content.resize(qsizetype(std::min<qint64>(limit + 1, done + 65536)));
        }
        const ssize_t n = ::read(fd, content.data() + done, size_t(content.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed = true;
            break;
        }
        if (n == 0)
            break;
        done += n;
    }
    ::close(fd);
    content.truncate(qsizetype(done));
    if (failed) {
        content.clear();
        setProblem(problem, QStringLiteral("Die Ini-Datei \"%1\" kann nicht gelesen werden").arg(path));
        return OwnReadResult::Refused;
    }
    if (done > limit) {
        content.clear();
        setProblem(problem, QStringLiteral("Die Ini-Datei \"%1\" ist zu groß.").arg(path));
        return OwnReadResult::Refused;
    }
    return OwnReadResult::Read;
}

}  // namespace platform
