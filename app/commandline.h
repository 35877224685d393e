#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The command line: a file name with blanks may arrive split into several parameters, which
// are joined again as long as the joined name finds no existing file yet.
namespace CommandLine {

using ExistsPredicate = std::function<bool(const QString& name)>;

// The names that the parameters (without the program's own path) stand for, in order, as
// matched: relative names stay relative. A pending prefix that never completes to an
// existing file is dropped, and so is a parameter that names no file.
QStringList JoinParameters(const QStringList& parameters, const ExistsPredicate& exists);

// The program's parameters: every word of the real command line after the program's own
// path, decoded as file names are. Nothing is taken out for Qt; its options are set through
// environment variables (QT_QPA_PLATFORM, QT_STYLE_OVERRIDE, QT_SCALE_FACTOR, ...).
// A word that is not valid UTF-8 is left out: as text it would name other bytes, and so
// possibly another file.
QStringList ProgramParameters(int argc, const char* const* argv);

// The messages for the words left out above that name an existing file: "Der Dateiname "%1"
// ist kein gültiges UTF-8; die Datei wird nicht geöffnet."
QStringList RefusedParameters(int argc, const char* const* argv);

// The files to open for the parameters: joined as above against existing files (not
// directories) and expanded to full paths against the working directory.
QStringList FilesToOpen(const QStringList& parameters);
QStringList FilesToOpen(const QStringList& parameters, const ExistsPredicate& exists);

// The same for the command line of another start of the program, whose working folder was
// workingFolder: relative names are joined, tested and expanded against that folder.
QStringList FilesToOpenIn(const QStringList& parameters, const QString& workingFolder);

}  // namespace CommandLine
