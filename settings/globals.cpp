#include "settings/globals.h"

#include "platform/filefacts.h"
#include "platform/filetrust.h"
#include "platform/iniprofile.h"
#include "platform/messagebox.h"

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace Globals {

namespace {

const QString kIniName = QStringLiteral("VARNX.ini");

platform::IniProfileService& profile() { return platform::IniProfileService::current(); }

// The name part of a "name=value" line: the text before the first "=".
QString lineName(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line : line.left(eq);
}

}  // namespace

TSettingsRecord& Settings()
{
    static TSettingsRecord record;
    return record;
}

void ResetSettings() { Settings() = TSettingsRecord{}; }

QString ReadString(const QString& section, const QString& key, const QString& defaultValue)
{
    return profile().readString(Settings().IniFileName, section, key, defaultValue);
}

int ReadInteger(const QString& section, const QString& key, int defaultValue)
{
    int value = 0;
    return ParseIniInteger(ReadString(section, key, QString()), value) ? value : defaultValue;
}

bool ReadBool(const QString& section, const QString& key, bool defaultValue)
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

namespace {

// The blanks that the file removes around a key.
bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\v' || u == '\f';
}

bool isBlanksOnly(const QString& text) { return !text.isEmpty() && std::all_of(text.begin(), text.end(), isBlank); }

QString trimBlanks(QString text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// Blanks between one or more pairs of double quotes: the form of a key that stands for
// a name of blanks only. A name that has this form itself is given one pair more.
bool isQuotedBlanks(const QString& text)
{
    qsizetype pairs = 0;
    while (text.size() > 2 * (pairs + 1) && text[pairs] == QLatin1Char('"') &&
           text[text.size() - 1 - pairs] == QLatin1Char('"'))
        ++pairs;
    return pairs > 0 && isBlanksOnly(text.mid(pairs, text.size() - 2 * pairs));
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

QString ToolKey(const QString& name)
{
    if (isBlanksOnly(name))
        return quoted(name);
    // The file drops the blanks around a key, so they are dropped here too.
    const QString key = trimBlanks(name);
    return isQuotedBlanks(key) ? quoted(key) : name;
}

QString ToolNameOfKey(const QString& key)
{
    if (key.size() >= 3 && key.startsWith(QLatin1Char('"')) && key.endsWith(QLatin1Char('"'))) {
        const QString inner = key.mid(1, key.size() - 2);
        if (isBlanksOnly(inner) || isQuotedBlanks(inner))
            return inner;
    }
    return key;
}

void ReadSectionValues(const QString& section, QStringList& list)
{
    const QStringList names = profile().readSectionKeys(Settings().IniFileName, section);
    for (const QString& name : names) {
        const QString value = ReadString(section, name, QString());
        if (value.isEmpty())
            continue;
        const QString line = name + QLatin1Char('=') + value;
        bool replaced = false;
        for (QString& existing : list) {
            if (lineName(existing).compare(name, Qt::CaseInsensitive) == 0) {
                existing = line;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            list.append(line);
    }
}

void WriteString(const QString& section, const QString& key, const QString& value)
{
    profile().writeString(Settings().IniFileName, section, key, value);
}

void WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void EraseSection(const QString& section) { profile().eraseSection(Settings().IniFileName, section); }

bool ParseIniInteger(const QString& text, int& value) { return platform::parseProfileInteger(text, value); }

bool IsFileReadOnly(const QString& name) { return platform::isReadOnly(name); }

bool IsDocumentFile(const QString& caption) { return QDir::isAbsolutePath(caption) && platform::fileExists(caption); }

void ReportRefusedSettingsFile(const QString& problem, bool tellUser)
{
    QString sentence = problem;
    if (!sentence.endsWith(QLatin1Char('.')))
        sentence += QLatin1Char('.');
    const QByteArray line = (QStringLiteral("varnotex: ") + sentence + QStringLiteral(" Sie wird nicht verwendet.\n")).toLocal8Bit();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    if (tellUser)
        platform::MessageBoxService::current().show(QStringLiteral("Fehler:"),
                                                    sentence + QLatin1Char('\r') + QStringLiteral("Sie wird nicht verwendet."),
                                                    platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

bool LoadSettings(ISettingsFrame& frame) { return LoadSettings(frame, platform::programDir()); }

bool LoadSettings(ISettingsFrame& frame, const QString& programDir)
{
    TSettingsRecord& s = Settings();

    // Where the settings file is: the working directory first, then beside the program,
    // then the user's configuration folder, where a bare name is written. In each place the
    // name in exactly this case first, then in any case (a VARNX.INI carried over from
    // Windows). A candidate that is not this user's own file is passed over, so that nobody
    // else can steer the program.
    const QString configured = platform::resolveProfilePath(kIniName);
    const QString working =
        platform::findFileAnyCase(platform::directoryPart(s.IniFileName), platform::fileNamePart(s.IniFileName));
    const QString candidates[] = {working.isEmpty() ? QString() : platform::fullPath(working),
                                  platform::findFileAnyCase(programDir, kIniName),
                                  platform::findFileAnyCase(platform::directoryPart(configured), kIniName)};
    bool found = false;
    for (int i = 0; i < 3 && !found; ++i) {
        if (candidates[i].isEmpty())
            continue;
        QString problem;
        switch (platform::ownFileState(candidates[i], &problem)) {
        case platform::OwnFileState::Missing: break;
        case platform::OwnFileState::Usable:
            s.IniFileName = candidates[i];
            found = true;
            break;
        case platform::OwnFileState::Refused:
            ReportRefusedSettingsFile(problem, i == 0);
            break;
        }
    }
    if (!found) {
        const QString text = QStringLiteral("Die Ini-Datei \"") + s.IniFileName +
                             QStringLiteral("\" konnte nicht gefunden werden.") + QLatin1Char('\r') +
                             QStringLiteral("Trotzdem fortsetzen ?");
        const platform::MsgResult answer = platform::MessageBoxService::current().show(
            QStringLiteral("Fehler:"), text, platform::MsgIcon::Question, platform::MsgButtons::OkCancel);
        if (answer != platform::MsgResult::Ok)
            return false;
    }

    s.SavedOpenFiles.clear();
    s.SavedOpenFilesExists = true;
    if (!found)
        return true;

    const QString mainWindow = QStringLiteral("MainWindow");
    s.SingleInstance = ReadBool(mainWindow, QStringLiteral("SingleInstance"), s.SingleInstance);
    s.MainWindowWidth = ReadInteger(mainWindow, QStringLiteral("Width"), -1);
    if (s.MainWindowWidth > 0)
        frame.setFrameWidth(s.MainWindowWidth);
    s.MainWindowHeight = ReadInteger(mainWindow, QStringLiteral("Height"), -1);
    if (s.MainWindowHeight > 0)
        frame.setFrameHeight(s.MainWindowHeight);
    switch (ReadInteger(mainWindow, QStringLiteral("State"), -1)) {
    case 2: s.MainWindowState = TWindowState::wsMaximized; break;
    case 3: s.MainWindowState = TWindowState::wsMinimized; break;
    default: s.MainWindowState = TWindowState::wsNormal; break;
    }

    if (ReadBool(QStringLiteral("Save"), QStringLiteral("AutoSaveOpenFiles"), s.AutoSaveOpenFiles))
        ReadSectionValues(QStringLiteral("OpenFiles"), s.SavedOpenFiles);

    QStringList tools;
    ReadSectionValues(QStringLiteral("Tools"), tools);
    for (const QString& line : tools) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        frame.AddTool(ToolNameOfKey(line.left(eq)), line.mid(eq + 1));
    }

    const QString view = QStringLiteral("View");
    s.ShowMarkbar = ReadBool(view, QStringLiteral("ShowMarkbar"), s.ShowMarkbar);
    s.AutoUrlDetection = ReadBool(view, QStringLiteral("AutoUrlDetection"), s.AutoUrlDetection);
    s.StartWithNewDoc = ReadBool(view, QStringLiteral("StartWithNewDoc"), s.StartWithNewDoc);
    s.OpenAsReadOnlyIfIsReadOnly =
        ReadBool(view, QStringLiteral("OpenAsReadOnlyIfIsReadOnly"), s.OpenAsReadOnlyIfIsReadOnly);
    const QString newEncoding =
        ReadString(QStringLiteral("Edit"), QStringLiteral("NewFileEncoding"), QStringLiteral("UTF-8")).trimmed();
    s.NewFilesUtf8 = newEncoding.compare(QLatin1String("ANSI"), Qt::CaseInsensitive) != 0;
    s.FontSize = s.LoadedFontSize = ValidFontSize(ReadInteger(view, QStringLiteral("FontSize"), 0));
    QStringList recent;
    ReadSectionValues(QStringLiteral("RecentFiles"), recent);
    s.RecentFiles = s.LoadedRecentFiles = RecentFilesFromSection(recent);

    frame.setOpenDialogFilter(ReadString(QStringLiteral("Open"), QStringLiteral("Filter"), frame.openDialogFilter()));
    frame.setSaveDialogFilter(ReadString(QStringLiteral("Save"), QStringLiteral("Filter"), frame.saveDialogFilter()));

    s.AutoSaveSettings = ReadBool(QStringLiteral("Save"), QStringLiteral("AutoSaveSettings"), s.AutoSaveSettings);
    s.AutoSaveOpenFiles = ReadBool(QStringLiteral("Save"), QStringLiteral("AutoSaveOpenFiles"), s.AutoSaveOpenFiles);
    s.Recovery = ReadBool(QStringLiteral("Save"), QStringLiteral("Recovery"), s.Recovery);
    return true;
}

namespace {

// The writes of the shutdown, each with the semantics of its single operation.
void writeShutdownSettings(ISettingsFrame& frame)
{
    const TSettingsRecord& s = Settings();

    if (s.AutoSaveSettings) {
        const QString mainWindow = QStringLiteral("MainWindow");
        const TWindowState state = frame.frameWindowState();
        if (state == TWindowState::wsNormal) {
            if (frame.frameWidth() != s.MainWindowWidth)
                WriteInteger(mainWindow, QStringLiteral("Width"), frame.frameWidth());
            if (frame.frameHeight() != s.MainWindowHeight)
                WriteInteger(mainWindow, QStringLiteral("Height"), frame.frameHeight());
        }
        if (state != s.MainWindowState) {
            const int stored = state == TWindowState::wsMaximized ? 2 : state == TWindowState::wsMinimized ? 3 : 1;
            WriteInteger(mainWindow, QStringLiteral("State"), stored);
        }
    }

    if (s.AutoSaveOpenFiles) {
        const QString openFiles = QStringLiteral("OpenFiles");
        EraseSection(openFiles);
        const QStringList captions = frame.documentCaptions();
        for (qsizetype i = 0; i < captions.size(); ++i)
            if (IsDocumentFile(captions[i]))
                WriteString(openFiles, QString::number(i + 1), captions[i]);
    }

    if (s.AutoSaveSettings) {
        // The recent files and the font size, when they changed during the run.
        if (s.RecentFiles != s.LoadedRecentFiles) {
            const QString recent = QStringLiteral("RecentFiles");
            EraseSection(recent);
            for (qsizetype i = 0; i < s.RecentFiles.size() && i < kMaxRecentFiles; ++i)
                WriteString(recent, QString::number(i + 1), s.RecentFiles[i]);
        }
        if (s.FontSize != s.LoadedFontSize)
            WriteInteger(QStringLiteral("View"), QStringLiteral("FontSize"), s.FontSize);
        frame.saveToolbarLayout(s.IniFileName);
    }
}

}  // namespace

void NoteRecentFile(const QString& path)
{
    QStringList& list = Settings().RecentFiles;
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecentFiles)
        list.removeLast();
}

void ForgetRecentFile(const QString& path) { Settings().RecentFiles.removeAll(path); }

void ClearRecentFiles() { Settings().RecentFiles.clear(); }

QStringList RecentFilesFromSection(const QStringList& lines)
{
    QString byNumber[kMaxRecentFiles];
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        bool ok = false;
        const int number = line.left(eq).trimmed().toInt(&ok);
        if (ok && number >= 1 && number <= kMaxRecentFiles && byNumber[number - 1].isEmpty())
            byNumber[number - 1] = line.mid(eq + 1);
    }
    QStringList list;
    for (const QString& path : byNumber)
        if (!path.isEmpty() && !list.contains(path))
            list << path;
    return list;
}

int ValidFontSize(int points) { return points >= 8 && points <= 48 ? points : 0; }

void SaveOnExit(ISettingsFrame& frame)
{
    const TSettingsRecord& s = Settings();
    if (!s.AutoSaveSettings && !s.AutoSaveOpenFiles)
        return;

    // Every write of the shutdown lands together or not at all: they are collected, each
    // with the semantics of its single operation, and the file is written once at the end.
    platform::IniBatch batch(profile());
    {
        const platform::ScopedService<platform::IniProfileService> collect(&batch);
        writeShutdownSettings(frame);
    }
    batch.commit();
}

}  // namespace Globals
