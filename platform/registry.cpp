#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSet>

namespace platform {

template <>
RegistryService& Service<RegistryService>::defaultInstance()
{
    static XdgRegistryService service;
    return service;
}

namespace {

const QString kCommandSuffix = QStringLiteral("\\shell\\open\\command");

QString cutAtNul(const QString& value)
{
    const qsizetype nul = value.indexOf(QChar(0));
    return nul < 0 ? value : value.left(nul);
}

// Absolute folders of one XDG variable, or the fallback when it is unset or holds none.
QStringList folderList(const char* variable, const QStringList& fallback)
{
    QStringList folders;
    for (const QString& entry : qEnvironmentVariable(variable).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(entry))
            folders << entry;
    return folders.isEmpty() ? fallback : folders;
}

QString homeFolder(const char* variable, const QString& underHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + QLatin1Char('/') + underHome;
}

struct XdgFolders {
    QStringList config;        // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    QStringList applications;  // <data>/applications for $XDG_DATA_HOME, then $XDG_DATA_DIRS
    QStringList desktops;      // $XDG_CURRENT_DESKTOP, lower case
};

XdgFolders xdgFolders()
{
    XdgFolders f;
    f.config << homeFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
    f.config << folderList("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
    QStringList data;
    data << homeFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
    data << folderList("XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    for (const QString& folder : data)
        f.applications << folder + QStringLiteral("/applications");
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        f.desktops << desktop.toLower();
    return f;
}

// The mimeapps.list files in the order of precedence.
QStringList mimeappsFiles(const XdgFolders& f)
{
    QStringList files;
    auto add = [&](const QString& folder) {
        for (const QString& desktop : f.desktops)
            files << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    };
    for (const QString& folder : f.config)
        add(folder);
    for (const QString& folder : f.applications)
        add(folder);
    return files;
}

// The lines of one group of a desktop-entry style file as key/value pairs.
QList<QPair<QString, QString>> groupEntries(const QString& path, const QString& group)
{
    QList<QPair<QString, QString>> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    bool inGroup = false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inGroup = line.mid(1, line.size() - 2) == group;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0)
            entries.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return entries;
}

// The desktop-file ids listed for the MIME type in one group of a list file.
QStringList listedApplications(const QString& path, const QString& group, const QString& mimeType)
{
    QStringList ids;
    for (const auto& [key, value] : groupEntries(path, group))
        if (key.compare(mimeType, Qt::CaseInsensitive) == 0)
            ids << value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& id : ids)
        id = id.trimmed();
    return ids;
}

// The .desktop file of a desktop-file id: "a-b.desktop" may also live as a/b.desktop.
QString desktopFileOf(const QString& id, const QStringList& applicationFolders)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return {};
    QStringList candidates{id};
    for (qsizetype pos = id.indexOf(QLatin1Char('-')); pos >= 0 && candidates.size() < 64;
         pos = id.indexOf(QLatin1Char('-'), pos + 1)) {
        const QStringList sofar = candidates;
        for (QString c : sofar) {
            c[pos] = QLatin1Char('/');
            candidates << c;
        }
    }
    for (const QString& folder : applicationFolders)
        for (const QString& candidate : candidates) {
            const QString path = folder + QLatin1Char('/') + candidate;
            if (QFile::exists(path))
                return path;
        }
    return {};
}

QString unescapeDesktopValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[i + 1];
            if (next == QLatin1Char('s')) { out += QLatin1Char(' '); ++i; continue; }
            if (next == QLatin1Char('n')) { out += QLatin1Char('\n'); ++i; continue; }
            if (next == QLatin1Char('t')) { out += QLatin1Char('\t'); ++i; continue; }
            if (next == QLatin1Char('r')) { out += QLatin1Char('\r'); ++i; continue; }
            if (next == QLatin1Char('\\')) { out += QLatin1Char('\\'); ++i; continue; }
        }
        out += c;
    }
    return out;
}

}  // namespace

std::optional<QString> XdgRegistryService::mimeTypeForExtension(const QString& extension)
{
    if (!extension.startsWith(QLatin1Char('.')) || extension.size() < 2)
        return std::nullopt;
    const QString lower = extension.toLower();
    if (lower == QLatin1String(".htm") || lower == QLatin1String(".html") || lower == QLatin1String(".shtml") ||
        lower == QLatin1String(".shtm"))
        return QStringLiteral("text/html");
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QStringLiteral("x") + lower);
    if (types.isEmpty())
        return std::nullopt;
    return types.first().name();
}

std::optional<QString> XdgRegistryService::execLine(const QString& desktopFile)
{
    std::optional<QString> exec;
    for (const auto& [key, value] : groupEntries(desktopFile, QStringLiteral("Desktop Entry"))) {
        if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            return std::nullopt;
        if (key == QLatin1String("Exec") && !exec)
            exec = unescapeDesktopValue(value);
    }
    return exec;
}

QString XdgRegistryService::defaultApplicationFile(const QString& mimeType)
{
    const XdgFolders f = xdgFolders();
    const QStringList lists = mimeappsFiles(f);
    auto usable = [&](const QString& id, const QSet<QString>& removed) -> QString {
        if (removed.contains(id))
            return {};
        const QString file = desktopFileOf(id, f.applications);
        return !file.isEmpty() && execLine(file) ? file : QString();
    };

    // The defaults of mimeapps.list; removals reach the files of lower precedence.
    QSet<QString> removed;
    for (const QString& list : lists) {
        for (const QString& id : listedApplications(list, QStringLiteral("Default Applications"), mimeType))
            if (const QString file = usable(id, removed); !file.isEmpty())
                return file;
        for (const QString& id : listedApplications(list, QStringLiteral("Removed Associations"), mimeType))
            removed.insert(id);
    }
    // The older defaults.list.
    for (const QString& folder : f.applications)
        for (const QString& id :
             listedApplications(folder + QStringLiteral("/defaults.list"), QStringLiteral("Default Applications"), mimeType))
            if (const QString file = usable(id, removed); !file.isEmpty())
                return file;
    // No default: the first application associated with the type.
    QSet<QString> removedAdded;
    for (const QString& list : lists) {
        for (const QString& id : listedApplications(list, QStringLiteral("Added Associations"), mimeType))
            if (const QString file = usable(id, removedAdded); !file.isEmpty())
                return file;
        for (const QString& id : listedApplications(list, QStringLiteral("Removed Associations"), mimeType))
            removedAdded.insert(id);
    }
    for (const QString& folder : f.applications)
        for (const QString& id :
             listedApplications(folder + QStringLiteral("/mimeinfo.cache"), QStringLiteral("MIME Cache"), mimeType))
            if (const QString file = usable(id, removedAdded); !file.isEmpty())
                return file;
    return {};
}

std::optional<QString> XdgRegistryService::defaultValue(const QString& key)
{
    std::optional<QString> value;
    if (key.startsWith(QLatin1Char('.')) && !key.contains(QLatin1Char('\\'))) {
        value = mimeTypeForExtension(key);
    } else if (key.endsWith(kCommandSuffix, Qt::CaseInsensitive)) {
        QString type = key.left(key.size() - kCommandSuffix.size());
        // An extension's own command is that of its MIME type's application.
        if (type.startsWith(QLatin1Char('.')) && !type.contains(QLatin1Char('\\')))
            type = mimeTypeForExtension(type).value_or(QString());
        if (type.contains(QLatin1Char('/')) && !type.contains(QLatin1Char('\\'))) {
            const QString file = defaultApplicationFile(type);
            if (!file.isEmpty())
                value = execLine(file);
        }
    }
    if (value)
        value = cutAtNul(*value);
    return value;
}

QStringList desktopExecWords(const QString& exec, const QString& link)
{
    QStringList words;
    QString word;
    bool wordStarted = false;  // the word has literal text, quotes or the link in it
    bool quoted = false;
    bool linkPlaced = false;
    bool programIsLink = false;  // the link stood where the program belongs
    auto endWord = [&] {
        if (wordStarted && words.isEmpty() && linkPlaced && word == link)
            programIsLink = true;
        if (wordStarted)
            words << word;
        word.clear();
        wordStarted = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec[i + 1]))
                word += exec[++i];
            else
                word += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            endWord();
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            wordStarted = true;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (code == QLatin1Char('%')) {
                word += c;
                wordStarted = true;
            } else if (QStringLiteral("uUfF").contains(code) && !linkPlaced) {
                word += link;
                wordStarted = true;
                linkPlaced = true;
            }
            // Any other field code (%i, %c, %k, the deprecated ones) stands for nothing.
        } else {
            word += c;
            wordStarted = true;
        }
    }
    if (quoted)
        return {};
    endWord();
    if (words.isEmpty() || words.first().isEmpty() || programIsLink)
        return {};
    if (!linkPlaced)
        words << link;
    return words;
}

std::optional<QString> MapRegistry::defaultValue(const QString& key)
{
    asked << key;
    const auto it = values_.constFind(key.toLower());
    if (it == values_.constEnd())
        return std::nullopt;
    return cutAtNul(*it);
}

}  // namespace platform
