#include "app/browser.h"

#include "app/executeprogram.h"
#include "platform/messagebox.h"
#include "platform/registry.h"

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

void OpenUrlInBrowser(const QString& url)
{
    const QString program = FindBrowserProgram();
    if (!program.isEmpty()) {
        Globals::ExecuteProgramWithArguments(program, {url});
        return;
    }
    const platform::MsgResult answer = platform::MessageBoxService::current().show(
        QStringLiteral("Fehler: Browser nicht gefunden..."),
        QStringLiteral("In ihrem System konnte kein Web-Browser gefunden werden.\rDenoch versuchen die Url auszuführen ?"),
        platform::MsgIcon::Question, platform::MsgButtons::OkCancel);
    if (answer == platform::MsgResult::Ok)
        Globals::ExecuteProgram(url, QString());
}
