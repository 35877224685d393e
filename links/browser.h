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

// The words to start for a registered command and a link. A command whose program part
// ends in ".EXE", ".BAT" or ".COM" gives that program and the link; any other command is
// a desktop entry's Exec= line, started whole with the link as one word where its %u or
// %U stood, or at the end. Empty for an empty command.
QStringList BrowserStartWords(const QString& command, const QString& url);

// The program that "env [options] [NAME=VALUE...] program ..." would run, when that program
// cannot be found (as given, or in PATH); empty when it can, or when the words are no
// "env" call. Such a failure would otherwise pass unseen in the started env.
QString MissingProgramOfEnv(const QStringList& words);

// The clicked link's text as the URL that is handed on: a text with a scheme ("http:",
// "mailto:", ...) as it is, a mail address with "mailto:" in front, any other text ("www.",
// a bare host) with "http://" in front. Empty for an empty link.
QString LinkAsUrl(const QString& link);

// What the document window does with a clicked link: starts the browser with the link as
// one argument (never through a shell); without a browser it asks whether to hand the
// link to the desktop's default application instead. Failures to start are reported.
void OpenUrlInBrowser(const QString& url);
