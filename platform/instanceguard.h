#pragma once

#include "platform/service.h"

#include <QLocalServer>
#include <QPointer>
#include <QString>

#include <functional>

namespace platform {

// How long the running instance waits for a connected later start to send its request.
constexpr int kSilentClientMs = 1000;

enum class InstanceLock {
    Acquired,     // this process is the first instance and holds the lock until it ends
    HeldByOther,  // another running instance holds it
    Unavailable,  // no lock could be made; run as if no other instance existed
};

// The primitives of the single-instance guard: a kernel lock on a file that dies with its
// process, and a local socket through which a later start asks the first instance to
// restore and raise its frame.
class InstanceGuardService : public Service<InstanceGuardService> {
public:
    virtual InstanceLock acquireLock() = 0;
    // After Acquired: answers later starts; onRaiseRequest runs in the event loop for each.
    virtual void listen(std::function<void()> onRaiseRequest) = 0;
    // After HeldByOther: asks the running instance to raise itself. False when it could not
    // be reached (it may still be starting).
    virtual bool requestRaise() = 0;
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
    void listen(std::function<void()> onRaiseRequest) override;
    bool requestRaise() override;

    // Why the last acquireLock() answered Unavailable; empty otherwise.
    QString problem() const { return problem_; }

    // Where the lock file and the socket are, as decided by the current environment.
    static QString lockPath();
    static QString socketPath();
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
    QPointer<QLocalServer> server_;
};

}  // namespace platform
