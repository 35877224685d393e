#include "tests/support/seconduser.h"

#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

SecondUser::SecondUser()
{
    if (::geteuid() != 0) {
        reason_ = "a second local user can only be made by root";
        return;
    }
    name_ = QStringLiteral("vxtest%1").arg(::getpid());
    const int made = QProcess::execute(QStringLiteral("useradd"),
                                       {QStringLiteral("-M"), QStringLiteral("-N"), QStringLiteral("-s"),
                                        QStringLiteral("/usr/sbin/nologin"), name_});
    const struct passwd* entry = made == 0 ? ::getpwnam(name_.toLocal8Bit().constData()) : nullptr;
    if (!entry) {
        reason_ = "useradd could not make a second local user";
        return;
    }
    uid_ = entry->pw_uid;
    gid_ = entry->pw_gid;
    ok_ = true;
}

SecondUser::~SecondUser()
{
    if (ok_)
        QProcess::execute(QStringLiteral("userdel"), {name_});
}

bool SecondUser::own(const QString& path) const
{
    return ok_ && ::lchown(QFile::encodeName(path).constData(), uid_, gid_) == 0;
}
