#include "platform/instanceguard.h"

#include "platform/filefacts.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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

// $XDG_RUNTIME_DIR belongs to the user alone; /tmp is shared, so the names carry the user id.
QString guardPath(const char* suffix)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')) && isDirectory(runtime))
        return runtime + QStringLiteral("/varnotex") + QLatin1String(suffix);
    return QStringLiteral("/tmp/varnotex-%1").arg(::getuid()) + QLatin1String(suffix);
}

}  // namespace

QString LocalInstanceGuardService::lockPath() { return guardPath(".lock"); }
QString LocalInstanceGuardService::socketPath() { return guardPath(".sock"); }

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
    // Close-on-exec, so that programs started from the editor never inherit the lock.
    const int fd = ::open(QFile::encodeName(lockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return InstanceLock::Unavailable;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        ::close(fd);
        return error == EWOULDBLOCK ? InstanceLock::HeldByOther : InstanceLock::Unavailable;
    }
    fd_ = fd;
    return InstanceLock::Acquired;
}

void LocalInstanceGuardService::listen(std::function<void()> onRaiseRequest)
{
    if (fd_ < 0 || server_)
        return;
    auto* server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = socketPath();
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
            if (socket->bytesAvailable() > 0)
                readRequest();
        }
    });
    server_ = server;
}

bool LocalInstanceGuardService::requestRaise()
{
    const QString path = socketPath();
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
