#pragma once

#include "platform/process.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>
#include <ostream>
#include <vector>

// Readable strings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// Sets environment variables for one test and puts the old values back afterwards.
using EnvironmentGuard = EnvGuard;

// A real program in a test folder: a shell script that writes the folder it runs in and
// its arguments (NUL-separated) to files beside it.
class RecorderScript {
public:
    RecorderScript(const TestDir& dir, const QString& name, int mode = 0755);
    QString path() const { return path_; }
    // Waits (up to 20 s) for the script to have run; the arguments it got, or nothing.
    std::optional<QStringList> waitForArguments() const;
    QString workingFolder() const;  // after waitForArguments
    bool hasRun() const;

private:
    QString path_;
    QString out_;
};

// The real launcher with the desktop opener replaced by a recorder.
class RecordingOpener : public platform::PosixProcessService {
public:
    QList<QUrl> opened;
    platform::LaunchError openResult = platform::LaunchError::None;
    platform::LaunchError openWithDesktop(const QUrl& target) override
    {
        opened.append(target);
        return openResult;
    }
};
