#include "tests/links/launchhelpers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>

RecorderScript::RecorderScript(const TestDir& dir, const QString& name, int mode)
{
    out_ = dir.file(name + QStringLiteral(".out"));
    const QByteArray out = QFile::encodeName(out_);
    const QByteArray script = "#!/bin/sh\n"
                              "pwd -P > '" + out + ".pwd'\n"
                              "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + out + ".tmp'\n"
                              "mv '" + out + ".tmp' '" + out + "'\n";
    path_ = dir.write(name, script);
    ::chmod(QFile::encodeName(path_).constData(), mode_t(mode));
}

std::optional<QStringList> RecorderScript::waitForArguments() const
{
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(out_)) {
        if (timer.elapsed() > 20000)
            return std::nullopt;
        QThread::msleep(10);
    }
    QByteArray bytes = TestDir::read(out_);
    QStringList arguments;
    if (bytes.isEmpty())
        return arguments;
    bytes.chop(1);  // the last NUL
    for (const QByteArray& argument : bytes.split('\0'))
        arguments << QString::fromLocal8Bit(argument);
    return arguments;
}

QString RecorderScript::workingFolder() const
{
    return QString::fromLocal8Bit(TestDir::read(out_ + QStringLiteral(".pwd"))).trimmed();
}

bool RecorderScript::hasRun() const { return QFile::exists(out_ + QStringLiteral(".pwd")); }
