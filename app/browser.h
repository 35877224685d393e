#pragma once

#include <QString>
#include <QStringList>

// Opening a clicked link in the web browser registered for web pages.

// The keys of the file-type registry tried in order: ".HTM", ".HTML", ".SHTML", ".SHTM".
QStringList BrowserKeys();

// The command line registered for opening web pages, or empty. For each key: its class's
// "shell\open\command", else the key's own "shell\open\command". Asked anew at every call.
QString FindBrowserCommand();

// The program part of a registered command line: up to the rightmost ".EXE", ".BAT" or
// ".COM" (in any case) with one leading double quote removed; without any of them, the
// first word (a word in double quotes may hold blanks). Empty for an empty command.
QString ProgramOfCommand(const QString& command);

// The program of FindBrowserCommand(), or empty.
QString FindBrowserProgram();

// What the document window does with a clicked link: starts the browser with the link as
// its one argument (never through a shell); without a browser it asks whether to hand the
// link to the desktop's default application instead.
void OpenUrlInBrowser(const QString& url);
