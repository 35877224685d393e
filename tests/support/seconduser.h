#pragma once

#include <QString>

#include <sys/types.h>

// A second local user for the tests that need one, made with useradd and removed again
// with userdel when the object goes away. Only root can make one: ok() is false otherwise,
// and skipReason() says so for GTEST_SKIP().
class SecondUser {
public:
    SecondUser();
    ~SecondUser();
    SecondUser(const SecondUser&) = delete;
    SecondUser& operator=(const SecondUser&) = delete;

    bool ok() const { return ok_; }
    const char* skipReason() const { return reason_; }
    uid_t uid() const { return uid_; }
    gid_t gid() const { return gid_; }
    // Hands the entry to this user (a link itself, not what it points to).
    bool own(const QString& path) const;

private:
    QString name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool ok_ = false;
    const char* reason_ = "";
};
