#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Starting external programs, documents and URLs for the tools menu and the link opening,
// with the shell's numbered results and their German messages.

namespace Globals {

// The shell's results: a value above 32 is success; 2 file not found, 3 folder not found,
// 5 access denied, 8 out of memory, 0 out of memory or resources, 11 not an executable
// format, 31 no application for the type; a negative value is an unknown failure.
constexpr int ExecuteOk = 42;
constexpr int ExecuteUnknownError = -1;
// The command line or the link is longer than the system takes.
constexpr int ExecuteTooLong = -2;

// The message for a result of 32 or less, as the box "Fehler: Ausführung fehlgeschlagen..."
// shows it.
QString ExecuteErrorText(int result);

// Starts the command with exactly these arguments and shows nothing. The command is split
// at its last "/": the folder part is the working folder (empty: the current one) and the
// rest, blanks and all, the file name, looked up in that folder or, without a folder, in
// PATH. An executable file starts detached, never through a shell; any other file, a
// folder, a URL ("scheme:..."), a "www." name or a mail address opens with the desktop's
// default application. A command that is an existing file followed by a blank and
// arguments gives 2 (file not found), even when an argument holds a "/". Returns the
// shell's result.
int StartProgram(const QString& command, const QStringList& arguments);

// StartProgram with a failure shown in the box "Fehler: Ausführung fehlgeschlagen...".
void ExecuteProgramWithArguments(const QString& command, const QStringList& arguments);

// Hands a URL to the desktop's default application (xdg-open, never a shell); a failure is
// shown in the box "Fehler: Ausführung fehlgeschlagen...". The text is never looked up as a
// file or program.
void OpenUrlWithDesktop(const QUrl& url);

// The tools' and links' start: the parameter string is split into words as a shell would
// split them (quotes group words), but no shell ever runs.
void ExecuteProgram(const QString& command, const QString& parameters);

// The words of a tool's command line, split by the Desktop Entry quoting rules: blanks
// and tabs separate words, double quotes group them, and inside quotes a backslash keeps
// a following quote, backquote, dollar sign or backslash. Empty when the line holds no
// word or leaves a quote open.
QStringList ToolCommandWords(const QString& commandLine);

// A tool's start: the command line is split into the program and its arguments (a line
// that names an existing file as a whole is that program, blanks and all), and the
// document's path, when there is one, is one more argument, exactly as it is. No shell
// ever runs; a failure is shown as by ExecuteProgramWithArguments.
void ExecuteTool(const QString& commandLine, const QString& documentPath);

}  // namespace Globals
