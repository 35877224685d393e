#include "links/browser.h"

#include "links/executeprogram.h"
#include "platform/messagebox.h"
#include "platform/process.h"
#include "platform/registry.h"

#include <QRegularExpression>
#include <QUrl>

#include <optional>

namespace {

const QString kCommandKey = QStringLiteral("\\shell\\open\\command");

// A registry value as the lookup uses it: present and not empty.
std::optional<QString> nonEmptyValue(const QString& key)
{
    std::optional<QString> value = platform::RegistryService::current().defaultValue(key);
    if (value && value->isEmpty())
        return std::nullopt;
    return value;
}

bool isProgramEnding(const QString& text, qsizetype pos)
{
    static const char* const endings[] = {".EXE", ".BAT", ".COM"};
    for (const char* ending : endings) {
        bool equal = true;
        for (int k = 0; k < 4 && equal; ++k) {
            QChar c = text[pos + k];
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                c = QChar(c.unicode() - 'a' + 'A');
            equal = c == QLatin1Char(ending[k]);
        }
        if (equal)
            return true;
    }
    return false;
}

// The first word of a command line; within double quotes blanks belong to the word and a
// backslash keeps a following quote, backquote, dollar sign or backslash.
QString firstWord(const QString& command)
{
    QString word;
    qsizetype i = 0;
    while (i < command.size() && command[i].isSpace())
        ++i;
    bool quoted = false;
    for (; i < command.size(); ++i) {
        const QChar c = command[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < command.size() &&
                       QStringLiteral("\"`$\\").contains(command[i + 1])) {
                word += command[++i];
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c.isSpace()) {
            break;
        } else {
            word += c;
        }
    }
    return word;
}

}  // namespace

QStringList BrowserKeys()
{
    return {QStringLiteral(".HTM"), QStringLiteral(".HTML"), QStringLiteral(".SHTML"), QStringLiteral(".SHTM")};
}

QString FindBrowserCommand()
{
    for (const QString& key : BrowserKeys()) {
        const std::optional<QString> className = platform::RegistryService::current().defaultValue(key);
        if (!className)
            continue;
        if (!className->isEmpty())
            if (const std::optional<QString> command = nonEmptyValue(*className + kCommandKey))
                return *command;
        if (const std::optional<QString> command = nonEmptyValue(key + kCommandKey))
            return *command;
    }
    return {};
}

QString ProgramOfCommand(const QString& command)
{
    for (qsizetype pos = command.size() - 4; pos >= 0; --pos) {
        if (isProgramEnding(command, pos)) {
            QString program = command.left(pos + 4);
            if (program.startsWith(QLatin1Char('"')))
                program.remove(0, 1);
            return program;
        }
    }
    return firstWord(command);
}

QString FindBrowserProgram()
{
    const QString command = FindBrowserCommand();
    return command.isEmpty() ? QString() : ProgramOfCommand(command);
}

QStringList BrowserStartWords(const QString& command, const QString& url)
{
    if (command.trimmed().isEmpty())
        return {};
    for (qsizetype pos = command.size() - 4; pos >= 0; --pos)
        if (isProgramEnding(command, pos))
            return {ProgramOfCommand(command), url};
    return platform::desktopExecWords(command, url);
}

QString MissingProgramOfEnv(const QStringList& words)
{
    if (words.isEmpty() || words.first().section(QLatin1Char('/'), -1) != QLatin1String("env"))
        return {};
    qsizetype i = 1;
    while (i < words.size()) {
        const QString& word = words[i];
        if (word == QLatin1String("--")) {
            ++i;
            break;
        }
        if (word == QLatin1String("-u") || word == QLatin1String("--unset") || word == QLatin1String("-C") ||
            word == QLatin1String("--chdir")) {
            i += 2;
        } else if (word.startsWith(QLatin1Char('-'))) {
            // "-S" splits its own string: what it runs cannot be told here.
            if (word.startsWith(QLatin1String("-S")) || word.startsWith(QLatin1String("--split-string")))
                return {};
            ++i;
        } else if (word.contains(QLatin1Char('=')) && !word.startsWith(QLatin1Char('='))) {
            ++i;
        } else {
            break;
        }
    }
    if (i >= words.size())
        return {};
    const QString program = words[i];
    const QString path = program.contains(QLatin1Char('/')) ? program : platform::findInSearchPath(program);
    return platform::programKind(path) == platform::ProgramKind::Executable ? QString() : program;
}

QString LinkAsUrl(const QString& link)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    static const QRegularExpression mail(QStringLiteral("^[^@/:\\s]+@[^@/:\\s]+$"));
    const QString text = link.trimmed();
    if (text.isEmpty())
        return text;
    if (scheme.match(text).hasMatch())
        return link;
    if (mail.match(text).hasMatch())
        return QStringLiteral("mailto:") + text;
    // "www.example.com/evil" and any other bare name is a web address, never a file.
    return QStringLiteral("http://") + text;
}

void OpenUrlInBrowser(const QString& link)
{
    const QString url = LinkAsUrl(link);
    if (url.isEmpty())
        return;
    const QStringList words = BrowserStartWords(FindBrowserCommand(), url);
    if (!words.isEmpty()) {
        if (!MissingProgramOfEnv(words).isEmpty()) {
            platform::MessageBoxService::current().show(QStringLiteral("Fehler: Ausführung fehlgeschlagen..."),
                                                        Globals::ExecuteErrorText(2), platform::MsgIcon::Error,
                                                        platform::MsgButtons::Ok);
            return;
        }
        Globals::ExecuteProgramWithArguments(words.first(), words.mid(1));
        return;
    }
    const platform::MsgResult answer = platform::MessageBoxService::current().show(
        QStringLiteral("Fehler: Browser nicht gefunden..."),
        QStringLiteral("In ihrem System konnte kein Web-Browser gefunden werden.\rDenoch versuchen die Url auszuführen ?"),
        platform::MsgIcon::Question, platform::MsgButtons::OkCancel);
    // The link goes to the desktop opener as a URL: it is never looked up as a file or a
    // program, whatever the working folder holds.
    if (answer == platform::MsgResult::Ok)
        Globals::OpenUrlWithDesktop(QUrl(url, QUrl::TolerantMode));
}
