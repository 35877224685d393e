#include "platform/filefacts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QDateTime fromTimestamp(qint64 seconds, qint64 nanoseconds)
{
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::UTC);
}

}  // namespace

std::optional<FileFacts> fileFacts(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QByteArray native = QFile::encodeName(path);
    struct statx sx {};
    if (::statx(AT_FDCWD, native.constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return std::nullopt;
    FileFacts facts;
    facts.isDirectory = S_ISDIR(sx.stx_mode);
    facts.readOnly = (sx.stx_mode & S_IWUSR) == 0;
    facts.hidden = fileNamePart(path).startsWith(QLatin1Char('.'));
    facts.size = static_cast<qint64>(sx.stx_size);
    // A file system without birth times may still report one of 0.
    if ((sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0))
        facts.created = fromTimestamp(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    facts.lastWritten = fromTimestamp(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    facts.lastAccessed = fromTimestamp(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    return facts;
}

bool fileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isDirectory(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isReadOnly(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return (st.st_mode & S_IWUSR) == 0;
}

bool clearReadOnly(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return false;
    return ::chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

QString programDir()
{
    // The executable itself, also when it was started through a symbolic link (an installed
    // program is started as bin/varnotex, a link into its own folder).
    QString dir;
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0)
        dir = QFileInfo(QFile::decodeName(QByteArray(buffer, int(n)))).absolutePath();
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString fullPath(const QString& name)
{
    if (name.isEmpty())
        return name;
    return QDir::cleanPath(QDir::current().absoluteFilePath(name));
}

QString directoryPart(const QString& path)
{
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString fileNamePart(const QString& path)
{
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString findFileAnyCase(const QString& folder, const QString& relative)
{
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = folder;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        const QString exact = path + parts[i];
        if (last ? fileExists(exact) : isDirectory(exact)) {
            path = exact + (last ? QString() : QStringLiteral("/"));
            continue;
        }
        QDir dir(path.isEmpty() ? QStringLiteral(".") : path);
        const QStringList entries =
            dir.entryList({parts[i]}, (last ? QDir::Files : QDir::Dirs) | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDir::Name);
        QString match;
        for (const QString& entry : entries)
            if (entry.compare(parts[i], Qt::CaseInsensitive) == 0) {
                match = entry;
                break;
            }
        if (match.isEmpty())
            return {};
        path += match + (last ? QString() : QStringLiteral("/"));
    }
    return parts.isEmpty() || !fileExists(path) ? QString() : path;
}

}  // namespace platform
