#include "links/executeprogram.h"

#include "platform/filefacts.h"
#include "platform/messagebox.h"
#include "platform/process.h"

#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <optional>

namespace Globals {

namespace {

int resultOf(platform::LaunchError error)
{
    using platform::LaunchError;
    switch (error) {
    case LaunchError::None: return ExecuteOk;
    case LaunchError::NotFound: return 2;
    case LaunchError::FolderNotFound: return 3;
    case LaunchError::AccessDenied: return 5;
    case LaunchError::OutOfMemory: return 8;
    case LaunchError::OutOfResources: return 0;
    case LaunchError::BadFormat: return 11;
    case LaunchError::NoAssociation: return 31;
    case LaunchError::TooLong: return ExecuteTooLong;
    case LaunchError::Unknown: break;
    }
    return ExecuteUnknownError;
}

// A command that names no file but a URL, a web name or a mail address.
std::optional<QUrl> urlOfCommand(const QString& command)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:\\S"));
    static const QRegularExpression mail(QStringLiteral("^[^@/:\\s]+@[^@/:\\s.]+(\\.[^@/:\\s.]+)+$"));
    if (scheme.match(command).hasMatch()) {
        const QUrl url(command, QUrl::TolerantMode);
        if (url.isValid())
            return url;
    }
    if (command.startsWith(QLatin1String("www."), Qt::CaseInsensitive) && command.size() > 4) {
        const QUrl url(QStringLiteral("http://") + command, QUrl::TolerantMode);
        if (url.isValid())
            return url;
    }
    if (mail.match(command).hasMatch())
        return QUrl(QStringLiteral("mailto:") + command, QUrl::TolerantMode);
    return std::nullopt;
}

// The command is an existing file followed by a blank and more ("prog /p"): its
// arguments, not its folder, are what cannot be found.
bool namesFileWithArguments(const QString& command)
{
    for (qsizetype blank = command.indexOf(QLatin1Char(' ')); blank > 0;
         blank = command.indexOf(QLatin1Char(' '), blank + 1))
        if (platform::fileExists(command.left(blank)))
            return true;
    return false;
}

int openWithDesktop(const QUrl& target)
{
    return resultOf(platform::ProcessService::current().openWithDesktop(target));
}

}  // namespace

QString ExecuteErrorText(int result)
{
    switch (result) {
    case 0: return QStringLiteral("Nicht genügend freier Speicher bzw. freie Resourcen.");
    case 2: return QStringLiteral("Datei konnte nicht gefunden werden.");
    case 3: return QStringLiteral("Verzeichnis konnte nicht gefunden werden.");
    case 5: return QStringLiteral("Das Betriebssystem hat keinen Zugriff auf die spezifizierte Datei.");
    case 8: return QStringLiteral("Nicht genügend freier Speicher um die Operation durchzuführen.");
    case 11: return QStringLiteral("Die EXE-Datei ist fehlerhaft oder ungültig.");
    case 26: return QStringLiteral("Windows-Schutzverletzung.");
    case 27: return QStringLiteral("Der angegebene Dateiname ist ungültig oder unkomplet.");
    case 28: return QStringLiteral("DDE-Konversation schlug fehl, da zugestandene Zeit überschritten wurde.");
    case 29: return QStringLiteral("DDE-Konversation schlug fehl.");
    case 30: return QStringLiteral("DDE-Konversation schlug fehl, da z.Z. eine andere DDE-Transaktion aktiv ist.");
    case 31: return QStringLiteral("Dieser Dateierweiterung ist kein Programm zugeordnet.");
    case 32: return QStringLiteral("Die spezifizierte Dynamik-Link-Library konnte nicht gefunden werden.");
    case ExecuteTooLong: return QStringLiteral("Die Befehlszeile ist länger, als das System sie annimmt.");
    default: return QStringLiteral("Unbekannter Fehler. Aktion konnte nicht durchgeführt werden.");
    }
}

int StartProgram(const QString& command, const QStringList& arguments)
{
    if (command.isEmpty())
        return 2;
    if (!platform::fileExists(command) && !platform::isDirectory(command))
        if (const std::optional<QUrl> url = urlOfCommand(command))
            return openWithDesktop(*url);

    // Split at the last "/": everything after it, blanks included, is the file name.
    const qsizetype slash = command.lastIndexOf(QLatin1Char('/'));
    const QString folder = command.left(slash + 1);
    const QString file = command.mid(slash + 1);
    QString path;
    if (!folder.isEmpty()) {
        if (!platform::isDirectory(folder))
            return namesFileWithArguments(command) ? 2 : 3;
        if (file.isEmpty())
            return 2;
        path = platform::fullPath(folder + file);
    } else {
        path = platform::findInSearchPath(file);
        if (path.isEmpty())
            return 2;
        path = platform::fullPath(path);
    }

    switch (platform::programKind(path)) {
    case platform::ProgramKind::Missing:
        return 2;
    case platform::ProgramKind::LockedProgram:
        return 5;
    case platform::ProgramKind::Directory:
    case platform::ProgramKind::Document:
        return openWithDesktop(QUrl::fromLocalFile(path));
    case platform::ProgramKind::Executable:
        break;
    }
    const QString workingFolder = folder.isEmpty() ? QString() : platform::fullPath(folder);
    return resultOf(platform::ProcessService::current().startDetached(path, arguments, workingFolder));
}

void ExecuteProgramWithArguments(const QString& command, const QStringList& arguments)
{
    const int result = StartProgram(command, arguments);
    if (result <= 32)
        platform::MessageBoxService::current().show(QStringLiteral("Fehler: Ausführung fehlgeschlagen..."),
                                                    ExecuteErrorText(result), platform::MsgIcon::Error,
                                                    platform::MsgButtons::Ok);
}

void OpenUrlWithDesktop(const QUrl& url)
{
    const int result = openWithDesktop(url);
    if (result <= 32)
        platform::MessageBoxService::current().show(QStringLiteral("Fehler: Ausführung fehlgeschlagen..."),
                                                    ExecuteErrorText(result), platform::MsgIcon::Error,
                                                    platform::MsgButtons::Ok);
}

void ExecuteProgram(const QString& command, const QString& parameters)
{
    ExecuteProgramWithArguments(command, QProcess::splitCommand(parameters));
}

QStringList ToolCommandWords(const QString& commandLine)
{
    QStringList words;
    QString word;
    bool started = false;
    bool quoted = false;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine[i];
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < commandLine.size() &&
                     QStringLiteral("\"`$\\").contains(commandLine[i + 1]))
                word += commandLine[++i];
            else
                word += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (started)
                words << word;
            word.clear();
            started = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            started = true;
        } else {
            word += c;
            started = true;
        }
    }
    if (quoted)
        return {};
    if (started)
        words << word;
    return words;
}

void ExecuteTool(const QString& commandLine, const QString& documentPath)
{
    QStringList words;
    if (platform::fileExists(commandLine) || platform::isDirectory(commandLine))
        words << commandLine;
    else
        words = ToolCommandWords(commandLine);
    if (words.isEmpty())
        words << commandLine;  // reported as the file that cannot be found
    QStringList arguments = words.mid(1);
    if (!documentPath.isEmpty())
        arguments << documentPath;
    ExecuteProgramWithArguments(words.first(), arguments);
}

}  // namespace Globals
