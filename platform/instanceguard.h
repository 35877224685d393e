#pragma once

#include "platform/service.h"

#include <QLocalServer>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

// How long the running instance waits for a connected later start to send its request.
constexpr int kSilentClientMs = 1000;

enum class InstanceLock {
    Acquired,     // this process is the first instance and holds the lock until it ends
    HeldByOther,  // another running instance holds it
    Unavailable,  // no lock could be made; run as if no other instance existed
};

// What a later start hands the running instance: the desktop's activation token (so that
// the running instance may take the focus and the launcher's busy cursor ends), the
// later start's working folder and its command line.
struct InstanceRequest {
    QByteArray activationToken;
    QString workingFolder;
    QStringList arguments;
    bool operator==(const InstanceRequest&) const = default;
};

// The message between the instances, all of it here. The later start sends
//   "VARNOTEX 1\n", then "token N\n", "folder N\n" and one "arg N\n" per parameter, each
//   followed by its N bytes and "\n", and "end\n";
// file names travel as the bytes of the file system (QFile::encodeName). The running
// instance answers "ok\n" once it has the whole message, before it opens anything.
namespace instancemessage {
QByteArray encode(const InstanceRequest& request);
enum class Decoded { Complete, Incomplete, Invalid };
// Reads one message from the start of data; Complete fills request.
Decoded decode(const QByteArray& data, InstanceRequest& request);
inline const QByteArray kAnswer = QByteArrayLiteral("ok\n");
inline constexpr qsizetype kMaxSize = 16 * 1024 * 1024;  // anything longer is not one of ours
}  // namespace instancemessage

// The request of this process: token from XDG_ACTIVATION_TOKEN, else DESKTOP_STARTUP_ID;
// the current working folder; the given parameters.
InstanceRequest requestOfThisStart(const QStringList& arguments);

// Keeps the activation token of this start for requestOfThisStart. Called before the
// application object exists: Qt's platform plugins take both variables out of the
// environment when they start.
void keepActivationToken();

// The display of the session as one name: WAYLAND_DISPLAY, else DISPLAY, with an X
// display's screen number and a host "unix" dropped (":0", ":0.0" and "unix:0" are one);
// empty without either.
QString sessionDisplay(const QByteArray& waylandDisplay, const QByteArray& x11Display);

// The primitives of the single-instance guard: a kernel lock on a file that dies with its
// process, and a local socket through which a later start hands the first instance its
// request. Both are named after the session's display, so that every desktop session of a
// user has an instance of its own.
class InstanceGuardService : public Service<InstanceGuardService> {
public:
    virtual InstanceLock acquireLock() = 0;
    // After Acquired: answers later starts; onRequest runs in the event loop for each.
    virtual void listen(std::function<void(const InstanceRequest&)> onRequest) = 0;
    // After HeldByOther: hands the running instance the request. False when it did not
    // answer in time (it may hang, or still be starting).
    virtual bool forward(const InstanceRequest& request) = 0;
};

// An exclusive flock() on a lock file and a QLocalServer beside it, both in a folder that
// belongs to the user alone: $XDG_RUNTIME_DIR, or else a private folder in /tmp named with
// the user id (created with mode 0700). Folder and lock file are checked at every start:
// one that belongs to somebody else or is open to others is not used; the guard then
// answers Unavailable and says why in one line on standard error, so that a file another
// user made can never stop the program.
class LocalInstanceGuardService : public InstanceGuardService {
public:
    // fallbackFolder replaces the private folder in /tmp (tests).
    explicit LocalInstanceGuardService(QString fallbackFolder = QString());
    ~LocalInstanceGuardService() override;  // releases the lock and stops listening
    LocalInstanceGuardService(const LocalInstanceGuardService&) = delete;
    LocalInstanceGuardService& operator=(const LocalInstanceGuardService&) = delete;

    InstanceLock acquireLock() override;
    void listen(std::function<void(const InstanceRequest&)> onRequest) override;
    bool forward(const InstanceRequest& request) override;

    // How long a later start waits for the running instance's answer (2 s; tests shorten it).
    void setAnswerTimeout(int milliseconds) { answerTimeout_ = milliseconds; }

    // Why the last acquireLock() answered Unavailable; empty otherwise.
    QString problem() const { return problem_; }

    // Where the lock file and the socket are, as decided by the current environment: in the
    // folder, "varnotex-<display>.lock" and ".sock" (the display made safe for a file name),
    // or "varnotex.lock" and ".sock" without a display.
    static QString lockPath();
    static QString socketPath();
    static QString baseName();
    // The private folder in /tmp used without $XDG_RUNTIME_DIR.
    static QString privateTempFolder();

    // Empty when the folder exists, is a real folder (no link) of this user and closed to
    // everybody else; otherwise why not. With create, a missing folder is made (mode 0700).
    static QString folderProblem(const QString& folder, bool create);

private:
    QString folder() const;
    QString fallback_;
    QString folder_;  // where the lock was taken
    QString problem_;
    int fd_ = -1;
    int answerTimeout_ = 2000;
    QPointer<QLocalServer> server_;
};

}  // namespace platform
