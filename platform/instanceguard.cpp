#include "platform/instanceguard.h"

#include "platform/filefacts.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <optional>
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

// ---------------------------------------------------------------------------
// The message between the instances

namespace instancemessage {

namespace {

const QByteArray kHeader = QByteArrayLiteral("VARNOTEX 1\n");
const QByteArray kEnd = QByteArrayLiteral("end\n");

void appendField(QByteArray& out, const char* key, const QByteArray& value)
{
    out += key;
    out += ' ';
    out += QByteArray::number(value.size());
    out += '\n';
    out += value;
    out += '\n';
}

// A length of decimal digits only, within the limit; -1 otherwise.
qsizetype parseLength(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > 9)
        return -1;
    qsizetype n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n <= kMaxSize ? n : -1;
}

}  // namespace

QByteArray encode(const InstanceRequest& request)
{
    QByteArray out = kHeader;
    appendField(out, "token", request.activationToken);
    appendField(out, "folder", QFile::encodeName(request.workingFolder));
    for (const QString& argument : request.arguments)
        appendField(out, "arg", QFile::encodeName(argument));
    out += kEnd;
    return out;
}

Decoded decode(const QByteArray& data, InstanceRequest& request)
{
    if (data.size() > kMaxSize)
        return Decoded::Invalid;
    if (data.size() < kHeader.size())
        return kHeader.startsWith(data) ? Decoded::Incomplete : Decoded::Invalid;
    if (!data.startsWith(kHeader))
        return Decoded::Invalid;
    InstanceRequest result;
    bool haveToken = false, haveFolder = false;
    qsizetype pos = kHeader.size();
    for (;;) {
        const qsizetype eol = data.indexOf('\n', pos);
        if (eol < 0)
            return data.size() - pos > 32 ? Decoded::Invalid : Decoded::Incomplete;
        const QByteArray line = data.mid(pos, eol - pos);
        if (line + '\n' == kEnd) {
            if (!haveFolder || eol + 1 != data.size())
                return Decoded::Invalid;
            request = std::move(result);
            return Decoded::Complete;
        }
        const qsizetype blank = line.indexOf(' ');
        const qsizetype length = blank < 0 ? -1 : parseLength(line.mid(blank + 1));
        if (length < 0)
            return Decoded::Invalid;
        const QByteArray key = line.left(blank);
        const qsizetype start = eol + 1;
        if (data.size() < start + length + 1)
            return Decoded::Incomplete;
        if (data[start + length] != '\n')
            return Decoded::Invalid;
        const QByteArray value = data.mid(start, length);
        if (key == "token" && !haveToken) {
            result.activationToken = value;
            haveToken = true;
        } else if (key == "folder" && !haveFolder) {
            result.workingFolder = QFile::decodeName(value);
            haveFolder = true;
        } else if (key == "arg") {
            result.arguments.append(QFile::decodeName(value));
        } else {
            return Decoded::Invalid;
        }
        pos = start + length + 1;
    }
}

}  // namespace instancemessage

namespace {

std::optional<QByteArray>& keptToken()
{
    static std::optional<QByteArray> token;
    return token;
}

QByteArray tokenOfEnvironment()
{
    const QByteArray wayland = qgetenv("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qgetenv("DESKTOP_STARTUP_ID") : wayland;
}

}  // namespace

void keepActivationToken() { keptToken() = tokenOfEnvironment(); }

InstanceRequest requestOfThisStart(const QStringList& arguments)
{
    InstanceRequest request;
    request.activationToken = keptToken() ? *keptToken() : tokenOfEnvironment();
    request.workingFolder = QDir::currentPath();
    request.arguments = arguments;
    return request;
}

QString sessionDisplay(const QByteArray& waylandDisplay, const QByteArray& x11Display)
{
    const QString wayland = QString::fromLocal8Bit(waylandDisplay.trimmed());
    if (!wayland.isEmpty())
        return wayland;
    const QString x11 = QString::fromLocal8Bit(x11Display.trimmed());
    const qsizetype colon = x11.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return x11;
    QString host = x11.left(colon);
    if (host == QLatin1String("unix"))
        host.clear();
    QString number = x11.mid(colon + 1);
    const qsizetype dot = number.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        number.truncate(dot);
    return host + QLatin1Char(':') + number;
}

namespace {

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

QString LocalInstanceGuardService::baseName()
{
    const QString display = sessionDisplay(qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (display.isEmpty())
        return QStringLiteral("varnotex");
    // Letters, digits, ".", "_" and "-" as they are, every other byte as %XX; a name too
    // long for a socket path by its hash.
    const QByteArray safe = display.toUtf8().toPercentEncoding(QByteArray(), QByteArrayLiteral("~"));
    if (safe.size() > 48)
        return QStringLiteral("varnotex-") +
               QString::fromLatin1(QCryptographicHash::hash(display.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
    return QStringLiteral("varnotex-") + QString::fromLatin1(safe);
}

QString LocalInstanceGuardService::lockPath()
{
    return guardFolder(privateTempFolder()) + QLatin1Char('/') + baseName() + QStringLiteral(".lock");
}
QString LocalInstanceGuardService::socketPath()
{
    return guardFolder(privateTempFolder()) + QLatin1Char('/') + baseName() + QStringLiteral(".sock");
}

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
    const QString path = where + QLatin1Char('/') + baseName() + QStringLiteral(".lock");
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

void LocalInstanceGuardService::listen(std::function<void(const InstanceRequest&)> onRequest)
{
    if (fd_ < 0 || server_)
        return;
    // Owned by the application in the program; a test's guard in a thread of its own owns it.
    QCoreApplication* app = QCoreApplication::instance();
    auto* server = new QLocalServer(app && app->thread() == QThread::currentThread() ? app : nullptr);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = folder() + QLatin1Char('/') + baseName() + QStringLiteral(".sock");
    // The lock is ours, so a socket file left there belongs to an instance that crashed.
    QLocalServer::removeServer(path);
    if (!server->listen(path)) {
        delete server;
        return;  // later starts then get no answer and run as if alone
    }
    auto handler = std::make_shared<std::function<void(const InstanceRequest&)>>(std::move(onRequest));
    QObject::connect(server, &QLocalServer::newConnection, server, [server, handler] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            const auto readRequest = [server, socket, buffer, handler] {
                if (socket->state() != QLocalSocket::ConnectedState)
                    return;
                buffer->append(socket->readAll());
                InstanceRequest request;
                // A whole message ends in "end\n"; only then is it worth reading.
                const auto decoded = buffer->endsWith("end\n") ? instancemessage::decode(*buffer, request)
                                                                 : instancemessage::decode(buffer->left(16), request);
                if (decoded == instancemessage::Decoded::Invalid || buffer->size() > instancemessage::kMaxSize) {
                    socket->abort();  // not one of ours
                    return;
                }
                if (!buffer->endsWith("end\n") || decoded != instancemessage::Decoded::Complete)
                    return;
                buffer->clear();
                // The answer goes out at once; the files are opened after it, in the event loop.
                socket->write(instancemessage::kAnswer);
                socket->flush();
                socket->disconnectFromServer();
                QMetaObject::invokeMethod(
                    server,
                    [handler, request] {
                        if (*handler)
                            (*handler)(request);
                    },
                    Qt::QueuedConnection);
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

bool LocalInstanceGuardService::forward(const InstanceRequest& request)
{
    const QString path = folder() + QLatin1Char('/') + baseName() + QStringLiteral(".sock");
    QDeadlineTimer deadline(answerTimeout_);
    QLocalSocket socket;
    // The first instance takes the lock a moment before it listens; give it that moment.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 1))))
            break;
        socket.abort();
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(instancemessage::encode(request));
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(int(qMax<qint64>(deadline.remainingTime(), 1))))
            return false;
    }
    QByteArray answer;
    while (answer.size() < instancemessage::kAnswer.size()) {
        if (socket.bytesAvailable() == 0 &&
            (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1)))))
            break;
        answer += socket.read(instancemessage::kAnswer.size() - answer.size());
    }
    socket.abort();
    return answer == instancemessage::kAnswer;
}

}  // namespace platform
