#include "platform/process.h"

#include "platform/cursor.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

template <>
ProcessService& Service<ProcessService>::defaultInstance()
{
    static PosixProcessService service;
    return service;
}

namespace {

// What the started child reports back when it could not run the program.
struct ChildReport {
    int stage;  // 1: entering the working folder, 2: exec
    int error;
};

LaunchError fromExecError(int error)
{
    switch (error) {
    case ENOENT: return LaunchError::NotFound;
    case ENOTDIR: return LaunchError::FolderNotFound;
    case EACCES:
    case EPERM: return LaunchError::AccessDenied;
    case ENOMEM: return LaunchError::OutOfMemory;
    case E2BIG:
    case ENAMETOOLONG: return LaunchError::TooLong;
    case EAGAIN:
    case EMFILE:
    case ENFILE: return LaunchError::OutOfResources;
    case ENOEXEC:
    case ELIBBAD:
    case EINVAL:
    case EISDIR: return LaunchError::BadFormat;
    default: return LaunchError::Unknown;
    }
}

LaunchError fromFolderError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return LaunchError::FolderNotFound;
    case EACCES:
    case EPERM: return LaunchError::AccessDenied;
    default: return LaunchError::Unknown;
    }
}

// Only async-signal-safe calls between fork and exec.
void reportAndExit(int fd, int stage, int error)
{
    const ChildReport report{stage, error};
    ssize_t written;
    do {
        written = ::write(fd, &report, sizeof report);
    } while (written < 0 && errno == EINTR);
    ::_exit(127);
}

}  // namespace

LaunchError PosixProcessService::startDetached(const QString& program, const QStringList& arguments,
                                               const QString& workingDirectory)
{
    // Everything the child needs is prepared before the fork: it may not allocate.
    const QByteArray path = QFile::encodeName(program);
    const QByteArray folder = QFile::encodeName(workingDirectory);
    std::vector<QByteArray> argBytes;
    argBytes.reserve(std::size_t(arguments.size()) + 1);
    argBytes.push_back(path);
    for (const QString& argument : arguments)
        argBytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : argBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return fromExecError(errno);

    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(channel[0]);
        ::close(channel[1]);
        return error == ENOMEM ? LaunchError::OutOfMemory : LaunchError::OutOfResources;
    }
    if (middle == 0) {
        // The middle process starts the program in a session of its own and leaves at
        // once, so the program is nobody's child here and never becomes a zombie.
        ::close(channel[0]);
        ::setsid();
        const pid_t child = ::fork();
        if (child < 0)
            reportAndExit(channel[1], 2, errno);
        if (child == 0) {
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::signal(SIGPIPE, SIG_DFL);
            if (!folder.isEmpty() && ::chdir(folder.constData()) != 0)
                reportAndExit(channel[1], 1, errno);
            ::execve(path.constData(), argv.data(), environ);
            reportAndExit(channel[1], 2, errno);
        }
        ::_exit(0);
    }

    ::close(channel[1]);
    ChildReport report{0, 0};
    std::size_t got = 0;
    while (got < sizeof report) {
        const ssize_t n = ::read(channel[0], reinterpret_cast<char*>(&report) + got, sizeof report - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }

    if (got < sizeof report)
        return LaunchError::None;  // the exec closed the channel: the program runs
    return report.stage == 1 ? fromFolderError(report.error) : fromExecError(report.error);
}

LaunchError desktopOpenerAnswer(int exitCode)
{
    switch (exitCode) {
    case 0: return LaunchError::None;
    case 2: return LaunchError::NotFound;
    case 3:  // no tool or application for the type
    case 4: return LaunchError::NoAssociation;  // the application for it failed or is missing
    case 5: return LaunchError::AccessDenied;
    default: return LaunchError::Unknown;
    }
}

LaunchError PosixProcessService::openWithDesktop(const QUrl& target)
{
    // The desktop opener answers whether it found an application; Qt's own call only
    // tells whether the opener started. Without the opener, Qt's way (a portal) is left.
    const QByteArray argument =
        target.isLocalFile() ? QFile::encodeName(target.toLocalFile()) : target.toString(QUrl::FullyEncoded).toUtf8();
    // The kernel takes no single argument beyond 32 pages (MAX_ARG_STRLEN).
    if (argument.size() >= 32 * 4096)
        return LaunchError::TooLong;
    const QString opener = findInSearchPath(QStringLiteral("xdg-open"));
    if (programKind(opener) != ProgramKind::Executable)
        return QDesktopServices::openUrl(target) ? LaunchError::None : LaunchError::NoAssociation;

    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({target.isLocalFile() ? target.toLocalFile() : target.toString(QUrl::FullyEncoded)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return LaunchError::Unknown;
    }
    // An opener that hands the target on answers at once. One that runs the application
    // in its own place is left running: that application was found.
    std::optional<BusyCursor> busy;
    if (!CursorService::current().isBusy())
        busy.emplace();
    if (process->waitForFinished(kOpenerAnswerMs)) {
        const LaunchError answer =
            process->exitStatus() == QProcess::NormalExit ? desktopOpenerAnswer(process->exitCode()) : LaunchError::Unknown;
        delete process;
        return answer;
    }
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return LaunchError::None;
}

LaunchError RecordingProcessService::startDetached(const QString& program, const QStringList& arguments,
                                                   const QString& workingDirectory)
{
    started.append({program, arguments, workingDirectory});
    return startResult;
}

LaunchError RecordingProcessService::openWithDesktop(const QUrl& target)
{
    opened.append(target);
    return openResult;
}

ProgramKind programKind(const QString& path)
{
    if (path.isEmpty())
        return ProgramKind::Missing;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return ProgramKind::Missing;
    if (S_ISDIR(st.st_mode))
        return ProgramKind::Directory;
    if (S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0)
        return ProgramKind::Executable;
    // A file that looks like a program but may not be run is a permission problem,
    // not a document.
    QFile file(path);
    if (S_ISREG(st.st_mode) && file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(4);
        if (head.startsWith("#!") || head == QByteArray("\x7f" "ELF", 4))
            return ProgramKind::LockedProgram;
    }
    return ProgramKind::Document;
}

QString findInSearchPath(const QString& fileName)
{
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')))
        return {};
    QByteArray searchPath = qgetenv("PATH");
    if (!qEnvironmentVariableIsSet("PATH")) {
        const std::size_t size = ::confstr(_CS_PATH, nullptr, 0);
        if (size > 0) {
            searchPath.resize(qsizetype(size));
            ::confstr(_CS_PATH, searchPath.data(), size);
            searchPath.truncate(qsizetype(size) - 1);
        }
    }
    QString firstFile;
    for (const QByteArray& entry : searchPath.split(':')) {
        if (entry.isEmpty())
            continue;
        QString candidate = QFile::decodeName(entry);
        if (!candidate.endsWith(QLatin1Char('/')))
            candidate += QLatin1Char('/');
        candidate += fileName;
        const ProgramKind kind = programKind(candidate);
        if (kind == ProgramKind::Executable)
            return candidate;
        if (firstFile.isEmpty() && (kind == ProgramKind::LockedProgram || kind == ProgramKind::Document))
            firstFile = candidate;
    }
    return firstFile;
}

}  // namespace platform
