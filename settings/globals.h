#pragma once

#include <QString>
#include <QStringList>

// The unit Globals: the process-wide settings record and the settings-file operations.

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

struct TSettingsRecord {
    QString IniFileName = QStringLiteral("VARNX.ini");
    bool SingleInstance = false;
    int MainWindowWidth = -1;
    int MainWindowHeight = -1;
    TWindowState MainWindowState = TWindowState::wsNormal;
    bool ShowMarkbar = true;
    bool AutoUrlDetection = true;
    bool StartWithNewDoc = false;
    bool OpenAsReadOnlyIfIsReadOnly = false;
    // [Edit] NewFileEncoding: new documents and files of pure ASCII are UTF-8 unless it
    // says "ANSI", which keeps them Windows-1252. Only read: the user sets it in the file.
    bool NewFilesUtf8 = true;
    // [RecentFiles] 1= .. 10=: the files last opened or saved, most recent first, as read
    // at start-up and as they are now.
    QStringList RecentFiles;
    QStringList LoadedRecentFiles;
    // [View] FontSize: the editor's screen font in points (8 to 48); 0 for the system's.
    int FontSize = 0;
    int LoadedFontSize = 0;
    // [Save] Recovery: unsaved text is kept in recovery journals (1, the default) or not (0).
    // Only read: the user sets it in the file.
    bool Recovery = true;
    bool AutoSaveSettings = true;
    bool AutoSaveOpenFiles = false;
    bool FirstActivation = true;
    // Exists from LoadSettings until the first activation consumes it.
    bool SavedOpenFilesExists = false;
    QStringList SavedOpenFiles;  // lines "key=full path"
};

namespace Globals {

// The one settings record of the process.
TSettingsRecord& Settings();
// Back to the start values (for tests).
void ResetSettings();

// Settings-file operations on the file named by Settings().IniFileName. Every call opens,
// acts on and closes the file. Writes and erases that fail raise
// platform::SettingsWriteError ("nach %s kann nicht geschrieben werden").
QString ReadString(const QString& section, const QString& key, const QString& defaultValue);
int ReadInteger(const QString& section, const QString& key, int defaultValue);
bool ReadBool(const QString& section, const QString& key, bool defaultValue);
void ReadSectionValues(const QString& section, QStringList& list);
void WriteString(const QString& section, const QString& key, const QString& value);
void WriteInteger(const QString& section, const QString& key, int value);
void WriteBool(const QString& section, const QString& key, bool value);
void EraseSection(const QString& section);

// A tool's name as the key of its line in "Tools", and back. Blanks around a key are not
// kept by the file, so a name of blanks only is stored between double quotes, and a name
// that is already such blanks between quotes gets one pair more; every other name is its
// own key.
QString ToolKey(const QString& name);
QString ToolNameOfKey(const QString& key);

// The integer forms of the settings file: decimal with optional sign, "$1F", "0x1F".
// Nothing when the text is not an integer.
bool ParseIniInteger(const QString& text, int& value);

// The list of recently opened files: a file opened or saved goes to the front (once),
// the list keeps at most kMaxRecentFiles entries.
inline constexpr int kMaxRecentFiles = 10;
void NoteRecentFile(const QString& path);
void ForgetRecentFile(const QString& path);
void ClearRecentFiles();
// The lines "key=path" of the section, in the order of their numbers 1 to 10.
QStringList RecentFilesFromSection(const QStringList& lines);
// The font size kept in range: 8 to 48 points, 0 (the system's size) for anything else.
int ValidFontSize(int points);

// True when the name finds an existing entry (of any kind) whose read-only attribute is set.
bool IsFileReadOnly(const QString& name);

// True when a document window's caption names an existing file: only a full path does, so
// a new document's "<Unbenannt>" never finds a file of that name in the working directory.
bool IsDocumentFile(const QString& caption);

}  // namespace Globals

// What LoadSettings and SaveOnExit need of the frame; TMainForm implements it.
class ISettingsFrame {
public:
    virtual ~ISettingsFrame() = default;
    virtual int frameWidth() const = 0;
    virtual int frameHeight() const = 0;
    virtual void setFrameWidth(int width) = 0;
    virtual void setFrameHeight(int height) = 0;
    virtual TWindowState frameWindowState() const = 0;
    virtual QString openDialogFilter() const = 0;
    virtual void setOpenDialogFilter(const QString& filter) = 0;
    virtual QString saveDialogFilter() const = 0;
    virtual void setSaveDialogFilter(const QString& filter) = 0;
    virtual void AddTool(const QString& name, const QString& command) = 0;
    // Captions of the document windows, most recently focused first.
    virtual QStringList documentCaptions() const = 0;
    virtual void saveToolbarLayout(const QString& iniFileName) = 0;
};

namespace Globals {

// Locates the settings file (in the working directory, beside the program, then in the
// user's configuration folder), reads every setting and applies the frame's. False when the
// user declined to go on without a settings file: the program then ends at once.
bool LoadSettings(ISettingsFrame& frame);
// The same, looking for the settings file in programDir (ending in "/") instead of the
// executable's folder.
bool LoadSettings(ISettingsFrame& frame, const QString& programDir);

// Says that a settings file was passed over and why: one line on standard error and, with
// tellUser (the working folder's file), a message box.
void ReportRefusedSettingsFile(const QString& problem, bool tellUser);

// Writes what AutoSaveSettings and AutoSaveOpenFiles ask for at shutdown, the toolbar
// layout included, as one write of the settings file: a refused write raises
// platform::SettingsWriteError and leaves the file as it was.
void SaveOnExit(ISettingsFrame& frame);

}  // namespace Globals
