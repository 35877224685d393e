#include "app/commandline.h"

#include "platform/filefacts.h"
#include "platform/filenames.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace CommandLine {

namespace {

// Blanks and control characters removed from both ends.
QString trimControls(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace

QStringList JoinParameters(const QStringList& parameters, const ExistsPredicate& exists)
{
    QStringList names;
    QString prefix;
    for (const QString& p : parameters) {
        if (exists(p)) {
            names.append(p);  // the pending prefix stays as it is
            continue;
        }
        bool matched = false;
        for (const QString& gap : {QString(), QStringLiteral(" "), QStringLiteral("  ")}) {
            const QString candidate = prefix + gap + p;
            if (exists(candidate)) {
                names.append(candidate);
                prefix.clear();
                matched = true;
                break;
            }
        }
        if (!matched)
            prefix = trimControls(prefix + QLatin1Char(' ') + p);
    }
    return names;
}

QStringList ProgramParameters(int argc, const char* const* argv)
{
    QStringList parameters;
    for (int i = 1; i < argc; ++i)
        if (argv[i] && platform::isExactName(QByteArray(argv[i])))
            parameters.append(QFile::decodeName(argv[i]));
    return parameters;
}

QStringList RefusedParameters(int argc, const char* const* argv)
{
    QStringList texts;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i] || platform::isExactName(QByteArray(argv[i])))
            continue;
        struct stat st {};
        if (::stat(argv[i], &st) == 0 && !S_ISDIR(st.st_mode))
            texts.append(platform::inexactNameText(QByteArray(argv[i])));
    }
    return texts;
}

QStringList FilesToOpen(const QStringList& parameters)
{
    return FilesToOpen(parameters, [](const QString& name) { return platform::fileExists(name); });
}

QStringList FilesToOpen(const QStringList& parameters, const ExistsPredicate& exists)
{
    QStringList files = JoinParameters(parameters, exists);
    for (QString& name : files)
        name = platform::fullPath(name);
    return files;
}

QStringList FilesToOpenIn(const QStringList& parameters, const QString& workingFolder)
{
    const QDir folder(workingFolder.isEmpty() ? QDir::currentPath() : workingFolder);
    const auto absolute = [&folder](const QString& name) { return QDir::cleanPath(folder.absoluteFilePath(name)); };
    QStringList files =
        JoinParameters(parameters, [&absolute](const QString& name) { return platform::fileExists(absolute(name)); });
    for (QString& name : files)
        name = absolute(name);
    return files;
}

}  // namespace CommandLine
