#include "platform/instanceguard.h"

#include "platform/filefacts.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

template <>
InstanceGuardService& Service<InstanceGuardService>::defaultInstance()
{
    static LocalInstanceGuardService service;
    return service;
}

namespace {

const QByteArray kRaiseRequest = "raise\n";

// $XDG_RUNTIME_DIR when it is set to an absolute path of a folder, else the fallback.
QString guardFolder(const QString& fallback)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')) && isDirectory(runtime))
        return runtime;
    return fallback;
}

// The one line on standard error that says why the guard is not used.
void tellWhy(const QString& problem)
{
    const QByteArray line = (QStringLiteral("varnotex: ") + problem +
                             QStringLiteral("; das Programm startet ohne Prüfung auf ein laufendes Programm.\n"))
                                .toLocal8Bit();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

// Empty when the open lock file is a regular file of this user closed to everybody else.
QString lockFileProblem(int fd, const QString& path)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return QStringLiteral("\"%1\" ist keine gewöhnliche Datei").arg(path);
    if (st.st_uid != ::getuid())
        return QStringLiteral("Die Datei \"%1\" gehört einem anderen Benutzer").arg(path);
    if (st.st_mode & 077)
        return QStringLiteral("Die Datei \"%1\" ist für andere Benutzer zugänglich").arg(path);
    return QString();
}

}  // namespace

LocalInstanceGuardService::LocalInstanceGuardService(QString fallbackFolder)
    : fallback_(fallbackFolder.isEmpty() ? privateTempFolder() : std::move(fallbackFolder))
{
}

QString LocalInstanceGuardService::privateTempFolder() { return QStringLiteral("/tmp/varnotex-%1").arg(::getuid()); }

QString LocalInstanceGuardService::lockPath() { return guardFolder(privateTempFolder()) + QStringLiteral("/varnotex.lock"); }
QString LocalInstanceGuardService::socketPath() { return guardFolder(privateTempFolder()) + QStringLiteral("/varnotex.sock"); }

QString LocalInstanceGuardService::folder() const { return folder_.isEmpty() ? guardFolder(fallback_) : folder_; }

QString LocalInstanceGuardService::folderProblem(const QString& folder, bool create)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        if (errno != ENOENT || !create)
            return QStringLiteral("Der Ordner \"%1\" ist nicht zugänglich").arg(folder);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return QStringLiteral("Der Ordner \"%1\" kann nicht angelegt werden").arg(folder);
        if (::lstat(native.constData(), &st) != 0)
            return QStringLiteral("Der Ordner \"%1\" ist nicht zugänglich").arg(folder);
    }
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("\"%1\" ist kein Ordner").arg(folder);
    if (st.st_uid != ::getuid())
        return QStringLiteral("Der Ordner \"%1\" gehört einem anderen Benutzer").arg(folder);
    if (st.st_mode & 077)
        return QStringLiteral("Der Ordner \"%1\" ist für andere Benutzer zugänglich").arg(folder);
    return QString();
}

LocalInstanceGuardService::~LocalInstanceGuardService()
{
    delete server_.data();
    if (fd_ >= 0)
        ::close(fd_);
}

InstanceLock LocalInstanceGuardService::acquireLock()
{
    if (fd_ >= 0)
        return InstanceLock::Acquired;
    problem_.clear();
    const QString where = guardFolder(fallback_);
    // Only the private folder in /tmp is made here; a runtime folder is the system's.
    problem_ = folderProblem(where, where == fallback_);
    if (!problem_.isEmpty()) {
        tellWhy(problem_);
        return InstanceLock::Unavailable;
    }
    const QString path = where + QStringLiteral("/varnotex.lock");
    // Close-on-exec, so that programs started from the editor never inherit the lock.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        problem_ = QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden").arg(path);
        tellWhy(problem_);
        return InstanceLock::Unavailable;
    }
    problem_ = lockFileProblem(fd, path);
    if (!problem_.isEmpty()) {
        ::close(fd);
        tellWhy(problem_);
        return InstanceLock::Unavailable;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            folder_ = where;
            return InstanceLock::HeldByOther;
        }
        return InstanceLock::Unavailable;
    }
    fd_ = fd;
    folder_ = where;
    return InstanceLock::Acquired;
}

void LocalInstanceGuardService::listen(std::function<void()> onRaiseRequest)
{
    if (fd_ < 0 || server_)
        return;
    auto* server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = folder() + QStringLiteral("/varnotex.sock");
    // The lock is ours, so a socket file left there belongs to an instance that crashed.
    QLocalServer::removeServer(path);
    if (!server->listen(path)) {
        delete server;
        return;  // later starts then end without raising anything
    }
    auto handler = std::make_shared<std::function<void()>>(std::move(onRaiseRequest));
    QObject::connect(server, &QLocalServer::newConnection, server, [server, handler] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            const auto readRequest = [socket, buffer, handler] {
                buffer->append(socket->readAll());
                if (buffer->contains(kRaiseRequest)) {
                    buffer->clear();
                    socket->disconnectFromServer();
                    if (*handler)
                        (*handler)();
                } else if (buffer->size() > 64) {
                    socket->abort();  // not one of ours
                }
            };
            QObject::connect(socket, &QLocalSocket::readyRead, socket, readRequest);
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // A client that says nothing within a second is dropped, so that idle
            // connections cannot pile up and hold the program's descriptors.
            QTimer::singleShot(kSilentClientMs, socket, [socket] {
                if (socket->state() != QLocalSocket::UnconnectedState)
                    socket->abort();
                socket->deleteLater();
            });
            if (socket->bytesAvailable() > 0)
                readRequest();
        }
    });
    server_ = server;
}

bool LocalInstanceGuardService::requestRaise()
{
    const QString path = folder() + QStringLiteral("/varnotex.sock");
    QLocalSocket socket;
    // The first instance takes the lock a moment before it listens; give it that moment.
    for (int attempt = 0; attempt < 5; ++attempt) {
        socket.connectToServer(path);
        if (socket.waitForConnected(500))
            break;
        socket.abort();
        QThread::msleep(100);
    }
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    socket.write(kRaiseRequest);
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(500);
    return sent;
}

}  // namespace platform
