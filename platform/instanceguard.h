#pragma once

#include "platform/service.h"

#include <QLocalServer>
#include <QPointer>
#include <QString>

#include <functional>

namespace platform {

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

// An exclusive flock() on a lock file in $XDG_RUNTIME_DIR (or /tmp, with the user id in the
// name) and a QLocalServer beside it.
class LocalInstanceGuardService : public InstanceGuardService {
public:
    LocalInstanceGuardService() = default;
    ~LocalInstanceGuardService() override;  // releases the lock and stops listening
    LocalInstanceGuardService(const LocalInstanceGuardService&) = delete;
    LocalInstanceGuardService& operator=(const LocalInstanceGuardService&) = delete;

    InstanceLock acquireLock() override;
    void listen(std::function<void()> onRaiseRequest) override;
    bool requestRaise() override;

    // Where the lock file and the socket are, as decided by the current environment.
    static QString lockPath();
    static QString socketPath();

private:
    int fd_ = -1;
    QPointer<QLocalServer> server_;
};

}  // namespace platform
