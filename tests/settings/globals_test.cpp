#include "platform/errors.h"
#include "platform/filefacts.h"
#include "platform/iniprofile.h"
#include "settings/globals.h"
#include "tests/support/fakeframe.h"
#include "tests/support/fakes.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Runs a test in a fresh working directory with a fresh settings record; the old working
// directory comes back afterwards.
class SettingsTest : public ::testing::Test {
protected:
    TestDir work;
    TestDir programDir;  // stands for the executable's folder
    TestDir config;      // the user's configuration folder
    CwdGuard cwd{work.path()};
    EnvGuard env{"XDG_CONFIG_HOME", QFile::encodeName(config.path())};
    FakeServices services;
    FakeFrame frame;

    void SetUp() override
    {
        ASSERT_TRUE(cwd.ok());
        Globals::ResetSettings();
    }
    void TearDown() override { Globals::ResetSettings(); }
    QString program() const { return programDir.path() + QLatin1Char('/'); }
    // Writes VARNX.ini into the working directory and loads it.
    QString load(const QByteArray& content)
    {
        const QString path = work.write("VARNX.ini", content);
        EXPECT_TRUE(Globals::LoadSettings(frame, program()));
        return path;
    }
};

}  // namespace

TEST(ParseIniInteger, AcceptsTheStoredFormsOnly)
{
    const QList<std::pair<QString, int>> good = {
        {"0", 0}, {"42", 42}, {"-42", -42}, {"+7", 7}, {"007", 7}, {"$1F", 31}, {"$1f", 31},
        {"0x1F", 31}, {"0X1f", 31}, {"0x1", 1}, {"-$1F", -31}, {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"$FFFFFFFF", -1}, {"$7FFFFFFF", 2147483647}};
    for (const auto& [text, expected] : good) {
        int value = 12345;
        EXPECT_TRUE(Globals::ParseIniInteger(text, value)) << text.toStdString();
        EXPECT_EQ(value, expected) << text.toStdString();
    }
    for (const QString& text : QStringList{"", "yes", "true", "0x", "$", "-", "+", "1.5", "12abc", "1 2", "2147483648",
                                "-2147483649", "$100000000", "-0x1F", "x1F", "0xG", "1e3", "１"}) {
        int value = 12345;
        EXPECT_FALSE(Globals::ParseIniInteger(text, value)) << text.toStdString();
        EXPECT_EQ(value, 12345);
    }
}

TEST_F(SettingsTest, FileOperationsConvertAndReplaceInPlace)
{
    Globals::Settings().IniFileName = work.write(
        "a.ini", "[S]\r\nyes=yes\r\ntwo=2\r\nhex=0x1\r\nzero=0\r\nempty=\r\nneg=-$10\r\n"
                 "[L]\r\nA=neu\r\nb=2\r\nleer=\r\na=doppelt\r\nc=\"\"\r\n");
    EXPECT_EQ(Globals::ReadInteger("S", "two", -1), 2);
    EXPECT_EQ(Globals::ReadInteger("S", "neg", -1), -16);
    EXPECT_EQ(Globals::ReadInteger("S", "yes", -1), -1);
    EXPECT_EQ(Globals::ReadInteger("S", "empty", -1), -1);
    EXPECT_EQ(Globals::ReadInteger("S", "missing", 9), 9);
    // A boolean that is not an integer keeps the default either way.
    EXPECT_TRUE(Globals::ReadBool("S", "yes", true));
    EXPECT_FALSE(Globals::ReadBool("S", "yes", false));
    EXPECT_TRUE(Globals::ReadBool("S", "two", false));
    EXPECT_TRUE(Globals::ReadBool("S", "hex", false));
    EXPECT_FALSE(Globals::ReadBool("S", "zero", true));

    // Names already in the list are replaced in place (case ignored); empty values add nothing;
    // a duplicate key reads the first value.
    QStringList list = {"x=1", "a=alt", "B=alt"};
    Globals::ReadSectionValues("L", list);
    EXPECT_EQ(list, QStringList({"x=1", "a=neu", "b=2"}));

    Globals::WriteBool("S", "zero", true);
    Globals::WriteInteger("S", "neg", -5);
    Globals::WriteString("Neu", "k", "v");
    EXPECT_EQ(Globals::ReadString("S", "zero", ""), "1");
    EXPECT_EQ(Globals::ReadString("S", "neg", ""), "-5");
    EXPECT_EQ(Globals::ReadString("Neu", "k", ""), "v");
    Globals::EraseSection("L");
    list.clear();
    Globals::ReadSectionValues("L", list);
    EXPECT_TRUE(list.isEmpty());

    // A refused write names the settings file.
    Globals::Settings().IniFileName = work.file("fehlt/VARNX.ini");
    try {
        Globals::WriteInteger("S", "k", 1);
        FAIL() << "no error raised";
    } catch (const platform::SettingsWriteError& e) {
        EXPECT_EQ(e.message(), "nach " + work.file("fehlt/VARNX.ini") + " kann nicht geschrieben werden");
    }
}

TEST_F(SettingsTest, IsFileReadOnlyFollowsOwnerWriteBit)
{
    const QString file = work.write("f.txt", "x");
    EXPECT_FALSE(Globals::IsFileReadOnly(file));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    EXPECT_TRUE(Globals::IsFileReadOnly(file));
    QDir(work.path()).mkdir("d");
    ASSERT_EQ(::chmod(QFile::encodeName(work.file("d")).constData(), 0555), 0);
    EXPECT_TRUE(Globals::IsFileReadOnly(work.file("d")));  // any kind of entry
    EXPECT_FALSE(Globals::IsFileReadOnly(work.file("fehlt.txt")));
}

TEST_F(SettingsTest, EmptyFileKeepsEveryStartValue)
{
    const QString path = load("");
    const TSettingsRecord& s = Globals::Settings();
    EXPECT_EQ(s.IniFileName, path);
    EXPECT_FALSE(s.SingleInstance);
    EXPECT_EQ(s.MainWindowWidth, -1);
    EXPECT_EQ(s.MainWindowHeight, -1);
    EXPECT_EQ(s.MainWindowState, TWindowState::wsNormal);
    EXPECT_TRUE(s.ShowMarkbar);
    EXPECT_TRUE(s.AutoUrlDetection);
    EXPECT_FALSE(s.StartWithNewDoc);
    EXPECT_FALSE(s.OpenAsReadOnlyIfIsReadOnly);
    EXPECT_TRUE(s.AutoSaveSettings);
    EXPECT_FALSE(s.AutoSaveOpenFiles);
    EXPECT_TRUE(s.FirstActivation);
    EXPECT_TRUE(s.SavedOpenFilesExists);
    EXPECT_TRUE(s.SavedOpenFiles.isEmpty());
    EXPECT_EQ(frame.widthSets + frame.heightSets, 0);
    EXPECT_EQ(frame.openFilter, kDefaultFilter);
    EXPECT_EQ(frame.saveFilter, kDefaultFilter);
    EXPECT_TRUE(frame.tools.isEmpty());
    EXPECT_TRUE(services.messages.shown.isEmpty());
    EXPECT_EQ(TestDir::read(path), QByteArray());
}

TEST_F(SettingsTest, EveryKeyIsReadAndConverted)
{
    load("[MainWindow]\r\nSingleInstance=0x1\r\nWidth=800\r\nHeight=$258\r\nState=2\r\n"
         "[View]\r\nShowMarkbar=0\r\nAutoUrlDetection=0\r\nStartWithNewDoc=-1\r\nOpenAsReadOnlyIfIsReadOnly=7\r\n"
         "[Open]\r\nFilter=Texte|*.txt\r\n[Save]\r\nFilter=\"Alle|*\"\r\nAutoSaveSettings=0\r\nAutoSaveOpenFiles=1\r\n"
         "[OpenFiles]\r\n1=/tmp/a.txt\r\n3=/tmp/c = d.txt\r\n"
         "[Tools]\r\nListe=cmd /c dir > a=b.txt\r\nLeer=\r\nEditor = vi \r\n");
    const TSettingsRecord& s = Globals::Settings();
    EXPECT_TRUE(s.SingleInstance);
    EXPECT_EQ(s.MainWindowWidth, 800);
    EXPECT_EQ(s.MainWindowHeight, 600);
    EXPECT_EQ(frame.width, 800);
    EXPECT_EQ(frame.height, 600);
    EXPECT_EQ(s.MainWindowState, TWindowState::wsMaximized);
    EXPECT_FALSE(s.ShowMarkbar);
    EXPECT_FALSE(s.AutoUrlDetection);
    EXPECT_TRUE(s.StartWithNewDoc);
    EXPECT_TRUE(s.OpenAsReadOnlyIfIsReadOnly);
    EXPECT_EQ(frame.openFilter, "Texte|*.txt");
    EXPECT_EQ(frame.saveFilter, "Alle|*");
    EXPECT_FALSE(s.AutoSaveSettings);
    EXPECT_TRUE(s.AutoSaveOpenFiles);
    // The file name is everything after the first "=", gaps in the numbering kept.
    EXPECT_EQ(s.SavedOpenFiles, QStringList({"1=/tmp/a.txt", "3=/tmp/c = d.txt"}));
    // A tool's command keeps its own "="; a tool with no command adds nothing.
    ASSERT_EQ(frame.tools.size(), 2);
    EXPECT_EQ(frame.tools[0], (ToolEntry{"Liste", "cmd /c dir > a=b.txt"}));
    EXPECT_EQ(frame.tools[1], (ToolEntry{"Editor", "vi"}));
}

TEST_F(SettingsTest, WrongValuesKeepTheDefaults)
{
    load("[MainWindow]\r\nSingleInstance=yes\r\nWidth=0\r\nHeight=-20\r\n"
         "[View]\r\nShowMarkbar=nein\r\n[Save]\r\nAutoSaveOpenFiles=ja\r\n[OpenFiles]\r\n1=/tmp/a.txt\r\n");
    const TSettingsRecord& s = Globals::Settings();
    EXPECT_FALSE(s.SingleInstance);
    EXPECT_TRUE(s.ShowMarkbar);
    EXPECT_FALSE(s.AutoSaveOpenFiles);
    EXPECT_TRUE(s.SavedOpenFiles.isEmpty());  // the section is read only when asked for
    // Width 0 and a negative height are not applied but are remembered for the shutdown.
    EXPECT_EQ(s.MainWindowWidth, 0);
    EXPECT_EQ(s.MainWindowHeight, -20);
    EXPECT_EQ(frame.widthSets + frame.heightSets, 0);
}

TEST_F(SettingsTest, StoredStateSelectsWindowState)
{
    const QList<std::pair<QByteArray, TWindowState>> cases = {
        {"0", TWindowState::wsNormal},    {"1", TWindowState::wsNormal},    {"2", TWindowState::wsMaximized},
        {"3", TWindowState::wsMinimized}, {"7", TWindowState::wsNormal},    {"$3", TWindowState::wsMinimized},
        {"x", TWindowState::wsNormal}};
    for (const auto& [stored, expected] : cases) {
        Globals::ResetSettings();
        Globals::Settings().MainWindowState = TWindowState::wsMaximized;  // any other value is overwritten
        load("[MainWindow]\nState=" + stored + "\n");
        EXPECT_EQ(Globals::Settings().MainWindowState, expected) << stored.constData();
    }
}

TEST_F(SettingsTest, ReadsInTheStatedOrder)
{
    const QString path = work.write("VARNX.ini", "");
    platform::MemoryIniProfileService memory;
    memory.files[path] = "[Save]\nAutoSaveOpenFiles=1\n[OpenFiles]\n1=/x\n[Tools]\nT=t\n";
    platform::ScopedService<platform::IniProfileService> installed(&memory);
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(memory.calls,
              QStringList({"read MainWindow/SingleInstance", "read MainWindow/Width", "read MainWindow/Height",
                           "read MainWindow/State", "read Save/AutoSaveOpenFiles", "keys OpenFiles", "read OpenFiles/1",
                           "keys Tools", "read Tools/T", "read View/ShowMarkbar", "read View/AutoUrlDetection",
                           "read View/StartWithNewDoc", "read View/OpenAsReadOnlyIfIsReadOnly",
                           "read Edit/NewFileEncoding", "read View/FontSize", "keys RecentFiles", "read Open/Filter",
                           "read Save/Filter", "read Save/AutoSaveSettings", "read Save/AutoSaveOpenFiles",
                           "read Save/Recovery"}));
}

TEST_F(SettingsTest, NewFileEncodingIsReadAndNeverWritten)
{
    const struct {
        const char* value;
        bool utf8;
    } cases[] = {{"UTF-8", true}, {"utf-8", true}, {" UTF8 ", true}, {"ANSI", false}, {" ansi ", false}, {"", true},
                 {"Latin-1", true}};
    for (const auto& c : cases) {
        Globals::ResetSettings();
        const QByteArray ini = QByteArray("[Edit]\nNewFileEncoding=") + c.value + "\n";
        work.write("VARNX.ini", ini);
        ASSERT_TRUE(Globals::LoadSettings(frame, program()));
        EXPECT_EQ(Globals::Settings().NewFilesUtf8, c.utf8) << c.value;
    }
    // Without the key nothing about it is ever written.
    Globals::ResetSettings();
    work.write("VARNX.ini", "[Save]\nAutoSaveSettings=1\n");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_TRUE(Globals::Settings().NewFilesUtf8);  // UTF-8 unless the file says ANSI
    Globals::SaveOnExit(frame);
    EXPECT_FALSE(TestDir::read(work.file("VARNX.ini")).contains("NewFileEncoding"));
}

TEST_F(SettingsTest, RecoveryIsOnByDefaultReadAndNeverWritten)
{
    for (const auto& [ini, on] : std::vector<std::pair<QByteArray, bool>>{
             {"", true}, {"[Save]\nRecovery=1\n", true}, {"[Save]\nRecovery=0\n", false}}) {
        Globals::ResetSettings();
        work.write("VARNX.ini", ini);
        ASSERT_TRUE(Globals::LoadSettings(frame, program()));
        EXPECT_EQ(Globals::Settings().Recovery, on) << ini.constData();
    }
    Globals::ResetSettings();
    work.write("VARNX.ini", "[Save]\nAutoSaveSettings=1\n");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    Globals::SaveOnExit(frame);
    EXPECT_FALSE(TestDir::read(work.file("VARNX.ini")).contains("Recovery"));
}

TEST_F(SettingsTest, FileLocationOrder)
{
    // Only beside the program: found there even from another working directory.
    const QString besideProgram = programDir.write("VARNX.ini", "[View]\nShowMarkbar=0\n");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, program() + "VARNX.ini");
    EXPECT_FALSE(Globals::Settings().ShowMarkbar);

    // In both places: the working directory wins, expanded to a full path.
    Globals::ResetSettings();
    work.write("VARNX.ini", "[View]\nShowMarkbar=1\n");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, QDir(work.path()).canonicalPath() + "/VARNX.ini");
    EXPECT_TRUE(Globals::Settings().ShowMarkbar);

    // A folder named VARNX.ini is no settings file.
    Globals::ResetSettings();
    QFile::remove(work.file("VARNX.ini"));
    QDir(work.path()).mkdir("VARNX.ini");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, besideProgram);
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(SettingsTest, ConfigurationFolderIsTheThirdPlace)
{
    // Only in the configuration folder: found there, nothing asked.
    const QString configured = config.write("VARNX.ini", "[View]\nStartWithNewDoc=1\n");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, configured);
    EXPECT_TRUE(Globals::Settings().StartWithNewDoc);
    EXPECT_TRUE(services.messages.shown.isEmpty());

    // Beside the program it comes before the configuration folder, and the working
    // directory before both.
    Globals::ResetSettings();
    const QString besideProgram = programDir.write("VARNX.ini", "");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, besideProgram);
    Globals::ResetSettings();
    work.write("VARNX.ini", "");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, QDir(work.path()).canonicalPath() + "/VARNX.ini");

    // Without XDG_CONFIG_HOME the folder is ~/.config.
    EnvGuard home;
    home.unset("XDG_CONFIG_HOME");
    home.set("HOME", QFile::encodeName(config.path()));
    QFile::remove(work.file("VARNX.ini"));
    QFile::remove(besideProgram);
    QDir(config.path()).mkpath(".config");
    const QString dotConfig = config.write(".config/VARNX.ini", "");
    Globals::ResetSettings();
    const bool loaded = Globals::LoadSettings(frame, program());
    const QString found = Globals::Settings().IniFileName;
    ASSERT_TRUE(loaded);
    EXPECT_EQ(found, dotConfig);
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

// Whoever once answered OK is not asked again: what the bare name wrote at shutdown is found
// at the next start.
TEST_F(SettingsTest, OkOnceMeansNeverAskedAgain)
{
    services.messages.answers = {platform::MsgResult::Ok};
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    ASSERT_EQ(services.messages.shown.size(), 1);
    EXPECT_EQ(Globals::Settings().IniFileName, "VARNX.ini");
    frame.width = 640;
    Globals::SaveOnExit(frame);
    EXPECT_TRUE(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(QDir(programDir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(TestDir::read(config.file("VARNX.ini")).contains("Width=640"));

    Globals::ResetSettings();
    FakeFrame next;
    ASSERT_TRUE(Globals::LoadSettings(next, program()));
    EXPECT_EQ(services.messages.shown.size(), 1);
    EXPECT_EQ(Globals::Settings().IniFileName, config.file("VARNX.ini"));
    EXPECT_EQ(next.width, 640);
}

TEST_F(SettingsTest, NoSettingsFileAsksAndCancelEndsWithoutWriting)
{
    services.messages.answers = {platform::MsgResult::Cancel};
    EXPECT_FALSE(Globals::LoadSettings(frame, program()));
    ASSERT_EQ(services.messages.shown.size(), 1);
    const ShownMessage& m = services.messages.shown[0];
    EXPECT_EQ(m.caption, "Fehler:");
    EXPECT_EQ(m.text, "Die Ini-Datei \"VARNX.ini\" konnte nicht gefunden werden.\rTrotzdem fortsetzen ?");
    EXPECT_EQ(m.icon, platform::MsgIcon::Question);
    EXPECT_EQ(m.buttons, platform::MsgButtons::OkCancel);
    EXPECT_TRUE(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(QDir(programDir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(QDir(config.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(SettingsTest, NoSettingsFileAndOkRunsWithStartValues)
{
    services.messages.answers = {platform::MsgResult::Ok};
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, "VARNX.ini");
    EXPECT_TRUE(Globals::Settings().SavedOpenFilesExists);
    EXPECT_TRUE(Globals::Settings().AutoSaveSettings);
    EXPECT_EQ(frame.openFilter, kDefaultFilter);
    EXPECT_EQ(frame.widthSets, 0);
}

TEST_F(SettingsTest, SaveWritesChangedSizeAndState)
{
    const QString path = load("[MainWindow]\r\nWidth=0\r\nHeight=500\r\nState=1\r\n");
    frame.height = 500;  // unchanged
    Globals::SaveOnExit(frame);
    // Width 0 was not applied, so the frame's width differs and is written; the height and
    // the state are unchanged and not written.
    EXPECT_EQ(TestDir::read(path), QByteArray("[MainWindow]\r\nWidth=595\r\nHeight=500\r\nState=1\r\n"));
    EXPECT_EQ(frame.toolbarSaves, QStringList({path}));
}

TEST_F(SettingsTest, MaximisedFrameWritesOnlyState)
{
    const QString path = load("[MainWindow]\r\nWidth=700\r\nHeight=500\r\n");
    frame.width = 1900;
    frame.height = 1000;
    frame.state = TWindowState::wsMaximized;
    Globals::SaveOnExit(frame);
    EXPECT_EQ(TestDir::read(path), QByteArray("[MainWindow]\r\nWidth=700\r\nHeight=500\r\nState=2\r\n"));

    // Minimised is 3; a missing size is written from the frame in normal state.
    Globals::ResetSettings();
    const QString other = load("; leer\n");
    frame.state = TWindowState::wsMinimized;
    Globals::SaveOnExit(frame);
    EXPECT_EQ(TestDir::read(other), QByteArray("; leer\n[MainWindow]\nState=3\n"));
}

TEST_F(SettingsTest, OpenFilesAreWrittenWithGaps)
{
    const QString a = work.write("a.txt", "a");
    const QString c = work.write("c d.txt", "c");
    const QString path = load("[Save]\r\nAutoSaveOpenFiles=1\r\nAutoSaveSettings=0\r\n"
                              "[OpenFiles]\r\n1=/alt/1.txt\r\n2=/alt/2.txt\r\n[View]\r\nShowMarkbar=1\r\n");
    frame.captions = {a, "<Unbenannt>", c, work.file("geloescht.txt")};
    Globals::SaveOnExit(frame);
    EXPECT_EQ(TestDir::read(path), "[Save]\r\nAutoSaveOpenFiles=1\r\nAutoSaveSettings=0\r\n[View]\r\nShowMarkbar=1\r\n"
                                   "[OpenFiles]\r\n1=" + a.toUtf8() + "\r\n3=" + c.toUtf8() + "\r\n");
    EXPECT_TRUE(frame.toolbarSaves.isEmpty());  // the layout belongs to AutoSaveSettings

    // The next start reads them back as "key=path" lines.
    Globals::ResetSettings();
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().SavedOpenFiles, QStringList({"1=" + a, "3=" + c}));
}

TEST_F(SettingsTest, BothSwitchesOffLeaveFileUntouched)
{
    const QByteArray content = "[Save]\r\nAutoSaveSettings=0\r\nAutoSaveOpenFiles=0\r\n[OpenFiles]\r\n1=/x\r\n";
    const QString path = load(content);
    frame.width = 1;
    frame.state = TWindowState::wsMinimized;
    frame.captions = {path};
    Globals::SaveOnExit(frame);
    EXPECT_EQ(TestDir::read(path), content);
    EXPECT_TRUE(frame.toolbarSaves.isEmpty());
}

TEST_F(SettingsTest, RefusedWriteStopsTheShutdownWrites)
{
    const QString path = work.write("VARNX.ini", "");
    platform::MemoryIniProfileService memory;
    memory.files[path] = "[Save]\nAutoSaveOpenFiles=1\n";
    memory.refuseWrites = [](const QString&) { return true; };
    platform::ScopedService<platform::IniProfileService> installed(&memory);
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    memory.calls.clear();
    frame.captions = {path};
    // The shutdown writes go as one: refused, none of them lands.
    EXPECT_THROW(Globals::SaveOnExit(frame), platform::SettingsWriteError);
    EXPECT_EQ(memory.calls, QStringList({"write MainWindow/Width=595", "write MainWindow/Height=415", "erase OpenFiles",
                                         "write OpenFiles/1=" + path}));
    EXPECT_EQ(frame.toolbarSaves, QStringList({path}));
    EXPECT_EQ(memory.files[path], QByteArray("[Save]\nAutoSaveOpenFiles=1\n"));
    EXPECT_EQ(memory.fileWrites, 0);
}

namespace {

// A frame whose toolbar layout writes a few keys, as the real layout save does.
class WritingFrame : public FakeFrame {
public:
    std::function<void()> duringLayout;
    void saveToolbarLayout(const QString& iniFileName) override
    {
        FakeFrame::saveToolbarLayout(iniFileName);
        auto& ini = platform::IniProfileService::current();
        ini.writeString(iniFileName, "Toolbar_Datei", "Rev", "2");
        ini.writeString(iniFileName, "Toolbar_Datei", "Visible", "0");
        if (duringLayout)
            duringLayout();
        ini.writeString(iniFileName, "Toolbar_Datei", "DockedTo", "+");
    }
};

}  // namespace

TEST_F(SettingsTest, ShutdownWritesTheFileOnceWithTheBytesOfSingleWrites)
{
    const QByteArray before = "; meine\r\n[MainWindow]\r\nWidth=10\r\n[Toolbar_Datei]\r\nRev=2\r\nVisible=1\r\n"
                              "DockedTo=DockTop\r\n[Save]\r\nAutoSaveOpenFiles=1\r\n[OpenFiles]\r\n1=/alt\r\n";
    const QString a = work.write("a.txt", "a");
    const QString path = load(before);
    WritingFrame writing;
    writing.captions = {a, "<Unbenannt>"};
    writing.state = TWindowState::wsMaximized;
    // A file of that name in the working directory is no document's file.
    work.write("<Unbenannt>", "fremd");

    // What the same writes make one by one.
    const QString single = work.write("single.ini", before);
    platform::FileIniProfileService files;
    files.writeString(single, "MainWindow", "State", "2");
    files.eraseSection(single, "OpenFiles");
    files.writeString(single, "OpenFiles", "1", a);
    files.writeString(single, "Toolbar_Datei", "Rev", "2");
    files.writeString(single, "Toolbar_Datei", "Visible", "0");
    files.writeString(single, "Toolbar_Datei", "DockedTo", "+");

    const ino_t inode = [&] {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_ino;
    }();
    // An error part-way through the layout: nothing of the shutdown is written.
    writing.duringLayout = [] { throw platform::AppError("Abbruch"); };
    EXPECT_THROW(Globals::SaveOnExit(writing), platform::AppError);
    EXPECT_EQ(TestDir::read(path), before);

    writing.duringLayout = {};
    Globals::SaveOnExit(writing);
    EXPECT_EQ(TestDir::read(path), TestDir::read(single));
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_NE(st.st_ino, inode);  // replaced in one go, not written key by key in place

    // A write-protected settings file raises the settings write error and keeps its bytes.
    const QByteArray written = TestDir::read(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    writing.state = TWindowState::wsMinimized;
    try {
        Globals::SaveOnExit(writing);
        ADD_FAILURE() << "no error";
    } catch (const platform::SettingsWriteError& e) {
        EXPECT_EQ(e.message(), "nach " + path + " kann nicht geschrieben werden");
    }
    EXPECT_EQ(TestDir::read(path), written);
}

// A VARNX.INI carried over from Windows is found in each place; a file in exactly the
// right case wins over one in another case.
TEST_F(SettingsTest, SettingsFileInAnyCase)
{
    programDir.write("VARNX.INI", "[View]\nShowMarkbar=0\n");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, program() + "VARNX.INI");
    EXPECT_FALSE(Globals::Settings().ShowMarkbar);

    Globals::ResetSettings();
    work.write("varnx.ini", "[View]\nShowMarkbar=1\n");
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, QDir(work.path()).canonicalPath() + "/varnx.ini");

    Globals::ResetSettings();
    programDir.write("VARNX.ini", "[View]\nShowMarkbar=1\n");
    QFile::remove(work.file("varnx.ini"));
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, program() + "VARNX.ini");

    // The guide's folder and name in any case.
    const QString guide = programDir.write("doc/README.TXT", "Hilfe");
    EXPECT_EQ(platform::findFileAnyCase(program(), "Doc/Readme.txt"), guide);
    EXPECT_EQ(platform::findFileAnyCase(program(), "Doc/Fehlt.txt"), QString());
    EXPECT_EQ(platform::findFileAnyCase(program(), "Doc"), QString());  // a folder is no file
}

// A VARNX.ini in Windows-1252 that is given a path it cannot hold becomes UTF-8 on disk;
// the path comes back as written, and so does everything that was there.
TEST_F(SettingsTest, PathTheEightBitFileCannotHoldTurnsItIntoUtf8)
{
    const QString path = load("; alte Datei aus Windows\r\n[OpenFiles]\r\n1=/home/m\xFC" "ller/a.txt\r\n");
    ASSERT_EQ(Globals::Settings().IniFileName, QDir(work.path()).canonicalPath() + "/VARNX.ini");
    Globals::WriteString("OpenFiles", "2", QStringLiteral("/home/max/Łódź/brief.txt"));
    const QByteArray bytes = TestDir::read(path);
    EXPECT_FALSE(bytes.contains('?'));
    EXPECT_EQ(bytes, QStringLiteral("; alte Datei aus Windows\r\n[OpenFiles]\r\n1=/home/müller/a.txt\r\n"
                                    "2=/home/max/Łódź/brief.txt\r\n")
                         .toUtf8());
    EXPECT_EQ(Globals::ReadString("OpenFiles", "2", ""), QStringLiteral("/home/max/Łódź/brief.txt"));
    EXPECT_EQ(Globals::ReadString("OpenFiles", "1", ""), QStringLiteral("/home/müller/a.txt"));
}
