#pragma once

#include "platform/service.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

// Why a program could not be started or a document could not be opened.
enum class LaunchError {
    None,
    NotFound,         // the file (or the interpreter a script names) does not exist
    FolderNotFound,   // the working folder does not exist
    AccessDenied,     // no permission to run the file or to enter the folder
    OutOfMemory,
    OutOfResources,   // process or file-descriptor limits
    BadFormat,        // not a format the system can run
    NoAssociation,    // no application for the document or URL
    TooLong,          // the arguments (a link, say) are longer than the system takes
    Unknown,
};

// Starting other programs and opening documents and URLs with the desktop's applications.
// Neither call waits for the started program, and neither ever goes through a shell.
class ProcessService : public Service<ProcessService> {
public:
    // Starts the program file (a path the caller has looked up) detached, in the working
    // folder (empty: the current one), with exactly these arguments. Returns once the
    // program runs or its start has failed.
    virtual LaunchError startDetached(const QString& program, const QStringList& arguments,
                                      const QString& workingDirectory) = 0;
    // Hands a document (a file URL) or any other URL to the desktop's default application.
    virtual LaunchError openWithDesktop(const QUrl& target) = 0;
};

// How long the desktop opener may take to answer before it counts as running the
// application itself, in milliseconds.
constexpr int kOpenerAnswerMs = 3000;

// What the desktop opener's (xdg-open's) exit code says.
LaunchError desktopOpenerAnswer(int exitCode);

// fork/exec with the exec result reported back through a pipe; the desktop opener is
// xdg-open, whose answer is waited for, or QDesktopServices (the portal) without it.
class PosixProcessService : public ProcessService {
public:
    LaunchError startDetached(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory) override;
    LaunchError openWithDesktop(const QUrl& target) override;
};

// Records every request and answers with the configured results; starts nothing.
class RecordingProcessService : public ProcessService {
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };
    QList<Start> started;
    QList<QUrl> opened;
    LaunchError startResult = LaunchError::None;
    LaunchError openResult = LaunchError::None;

    LaunchError startDetached(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory) override;
    LaunchError openWithDesktop(const QUrl& target) override;
};

// What a path names, as far as starting it is concerned. Judged by the mode bits, so the
// answer is the same for root.
enum class ProgramKind {
    Missing,          // nothing there
    Directory,
    Executable,       // a file with an execute bit
    LockedProgram,    // a program (ELF or "#!" script) without any execute bit
    Document,         // any other file
};
ProgramKind programKind(const QString& path);

// Looks a bare file name up in the folders of PATH (the system's default search path when
// PATH is not set; empty entries are skipped). The first executable file wins; failing
// that, the first existing file of that name. Empty when there is none.
QString findInSearchPath(const QString& fileName);

}  // namespace platform
