#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/iniprofile.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::FileIniProfileService;
using platform::SettingsWriteError;

namespace {

// A file as a Windows user writes it by hand: CR LF, mixed case, quotes, blanks, comments.
const QByteArray kWindowsFile =
    "; Einstellungen von Hand\r\n"
    "[MainWindow]\r\n"
    "Width=800\r\n"
    "  height   =   600   \r\n"
    "State=\"2\"\r\n"
    "\r\n"
    "[tools]\r\n"
    ";Editor=abgeschaltet\r\n"
    "Liste=cmd /c dir > a=b.txt\r\n"
    "Quoted='  mit Blanks  '\r\n"
    "Half=\"nur vorne\r\n"
    "Mixed=\"a'\r\n"
    "Empty=\r\n"
    "\r\n"
    "[Unknown]\r\n"
    "x=1\r\n";

QByteArray fileBytes(const QString& path) { return TestDir::read(path); }

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(IniProfile, ReadsHandWrittenWindowsFile)
{
    TestDir dir;
    const QString path = dir.write("VARNX.ini", kWindowsFile);
    FileIniProfileService ini;

    // Section and key names compare without regard to case; blanks around are removed.
    EXPECT_EQ(ini.readString(path, "MAINWINDOW", "WIDTH", "d"), "800");
    EXPECT_EQ(ini.readString(path, "mainwindow", "Height", "d"), "600");
    // One pair of enclosing quotes goes, double or single; the blanks inside them stay.
    EXPECT_EQ(ini.readString(path, "MainWindow", "State", "d"), "2");
    EXPECT_EQ(ini.readString(path, "Tools", "Quoted", "d"), "  mit Blanks  ");
    // A quote on one side only, or two different quotes, stay.
    EXPECT_EQ(ini.readString(path, "Tools", "Half", "d"), "\"nur vorne");
    EXPECT_EQ(ini.readString(path, "Tools", "Mixed", "d"), "\"a'");
    // Only the first "=" separates key and value.
    EXPECT_EQ(ini.readString(path, "Tools", "Liste", "d"), "cmd /c dir > a=b.txt");
    // An empty value is a value; a commented key is no key.
    EXPECT_EQ(ini.readString(path, "Tools", "Empty", "d"), "");
    EXPECT_EQ(ini.readString(path, "Tools", "Editor", "d"), "d");
    EXPECT_EQ(ini.readString(path, "Tools", ";Editor", "d"), "d");
    // Missing key, section and file give the default.
    EXPECT_EQ(ini.readString(path, "Tools", "Nichts", "d"), "d");
    EXPECT_EQ(ini.readString(path, "Nichts", "Width", "d"), "d");
    EXPECT_EQ(ini.readString(dir.file("fehlt.ini"), "MainWindow", "Width", "d"), "d");

    EXPECT_EQ(ini.readSectionKeys(path, "TOOLS"), QStringList({"Liste", "Quoted", "Half", "Mixed", "Empty"}));
    EXPECT_TRUE(ini.readSectionKeys(path, "Nichts").isEmpty());
    EXPECT_TRUE(ini.readSectionKeys(dir.file("fehlt.ini"), "Tools").isEmpty());
    EXPECT_EQ(fileBytes(path), kWindowsFile);  // reading changes nothing
}

TEST(IniProfile, DuplicatesAndGarbageLines)
{
    TestDir dir;
    const QByteArray content =
        "[A]\n"
        "Kein Gleichheitszeichen\n"
        "key=first\n"
        "KEY=second\n"
        "=ohne Namen\n"
        "[a]\n"
        "key=third\n"
        "other=4\n"
        "[B]\n"
        "b=1\n";
    const QString path = dir.write("d.ini", content);
    FileIniProfileService ini;

    EXPECT_EQ(ini.readString(path, "A", "key", ""), "first");
    // The second section of the same name is not read.
    EXPECT_EQ(ini.readString(path, "A", "other", "none"), "none");
    // The listing holds every key line of the first section, duplicates included, and no garbage.
    EXPECT_EQ(ini.readSectionKeys(path, "a"), QStringList({"key", "KEY"}));
    EXPECT_EQ(ini.readString(path, "A", "Kein Gleichheitszeichen", "x"), "x");

    // A write changes the first of the duplicates and nothing else.
    ini.writeString(path, "a", "Key", "neu");
    QByteArray expected = content;
    expected.replace("key=first\n", "key=neu\n");
    EXPECT_EQ(fileBytes(path), expected);

    // A new key goes to the end of the first section, garbage lines kept.
    ini.writeString(path, "A", "other", "5");
    expected.replace("=ohne Namen\n", "=ohne Namen\nother=5\n");
    EXPECT_EQ(fileBytes(path), expected);

    // Erasing removes every section of that name with all its lines.
    ini.eraseSection(path, "A");
    EXPECT_EQ(fileBytes(path), QByteArray("[B]\nb=1\n"));
}

TEST(IniProfile, LongValueAndLongKeyListingAreCut)
{
    TestDir dir;
    QByteArray content = "[Long]\r\nvalue=" + QByteArray(2000, 'v') + "\r\n[Keys]\r\n";
    // 90 names of 99 characters: 9000 characters of names.
    QStringList names;
    for (int i = 0; i < 90; ++i) {
        const QString name = QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')) + QString(96, QLatin1Char('n'));
        names.append(name);
        content += name.toUtf8() + "=1\r\n";
    }
    const QString path = dir.write("long.ini", content);
    FileIniProfileService ini;

    EXPECT_EQ(ini.readString(path, "Long", "value", ""), QString(1023, QLatin1Char('v')));

    // Each name takes its length plus a terminator, and one more terminator ends the list:
    // 1 + 81 * 100 = 8101 fits into 8192, an 82nd name would not.
    const QStringList listed = ini.readSectionKeys(path, "Keys");
    ASSERT_EQ(listed.size(), 81);
    EXPECT_EQ(listed, names.mid(0, 81));
    // A key beyond the listing is still readable by name.
    EXPECT_EQ(ini.readString(path, "Keys", names.last(), ""), "1");

    // A long value is written whole even though it reads back cut.
    const QString longValue(1500, QLatin1Char('w'));
    ini.writeString(path, "Long", "value", longValue);
    EXPECT_TRUE(fileBytes(path).contains("value=" + longValue.toUtf8() + "\r\n"));
}

TEST(IniProfile, WritingOneKeyChangesNothingElse)
{
    TestDir dir;
    const QString path = dir.write("VARNX.ini", kWindowsFile);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    FileIniProfileService ini;

    ini.writeString(path, "MAINWINDOW", "Height", "700");
    QByteArray expected = kWindowsFile;
    expected.replace("  height   =   600   \r\n", "height=700\r\n");  // the file's own spelling of the key
    EXPECT_EQ(fileBytes(path), expected);
    EXPECT_EQ(modeOf(path), 0640u);

    // A new key goes after the section's last key, before the blank line ending it.
    ini.writeString(path, "mainwindow", "SingleInstance", "1");
    expected.replace("State=\"2\"\r\n", "State=\"2\"\r\nSingleInstance=1\r\n");
    EXPECT_EQ(fileBytes(path), expected);

    // A new section goes to the end of the file, in the file's line-break style.
    ini.writeString(path, "View", "ShowMarkbar", "0");
    expected += "[View]\r\nShowMarkbar=0\r\n";
    EXPECT_EQ(fileBytes(path), expected);
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(IniProfile, KeepsLineBreakStyleAndMissingFinalBreak)
{
    TestDir dir;
    FileIniProfileService ini;

    const QString lf = dir.write("lf.ini", "[S]\na=1\n\n[T]\nb=2");
    ini.writeString(lf, "S", "c", "3");
    EXPECT_EQ(fileBytes(lf), QByteArray("[S]\na=1\nc=3\n\n[T]\nb=2"));
    ini.writeString(lf, "T", "b", "22");
    EXPECT_EQ(fileBytes(lf), QByteArray("[S]\na=1\nc=3\n\n[T]\nb=22"));
    ini.writeString(lf, "T", "d", "4");
    EXPECT_EQ(fileBytes(lf), QByteArray("[S]\na=1\nc=3\n\n[T]\nb=22\nd=4"));
    ini.writeString(lf, "U", "e", "5");
    EXPECT_EQ(fileBytes(lf), QByteArray("[S]\na=1\nc=3\n\n[T]\nb=22\nd=4\n[U]\ne=5"));

    const QString crlf = dir.write("crlf.ini", "[S]\r\na=1");
    ini.writeString(crlf, "s", "A", "2");
    EXPECT_EQ(fileBytes(crlf), QByteArray("[S]\r\na=2"));

    // A new file is written with CR LF.
    const QString fresh = dir.file("neu.ini");
    ini.writeString(fresh, "MainWindow", "Width", "640");
    EXPECT_EQ(fileBytes(fresh), QByteArray("[MainWindow]\r\nWidth=640\r\n"));
}

TEST(IniProfile, EraseSectionKeepsTheRest)
{
    TestDir dir;
    const QByteArray content = "; Kopf\r\n[OpenFiles]\r\n1=/a\r\n; alt\r\n3=/c\r\n[View]\r\nShowMarkbar=1\r\n";
    const QString path = dir.write("e.ini", content);
    FileIniProfileService ini;

    ini.eraseSection(path, "openfiles");
    EXPECT_EQ(fileBytes(path), QByteArray("; Kopf\r\n[View]\r\nShowMarkbar=1\r\n"));
    EXPECT_TRUE(ini.readSectionKeys(path, "OpenFiles").isEmpty());

    // Erasing what is not there neither fails nor creates a file.
    ini.eraseSection(path, "OpenFiles");
    ini.eraseSection(dir.file("fehlt.ini"), "OpenFiles");
    EXPECT_FALSE(QFile::exists(dir.file("fehlt.ini")));
}

TEST(IniProfile, ValuesReadBackAsWritten)
{
    TestDir dir;
    const QString path = dir.file("r.ini");
    FileIniProfileService ini;
    // File names may begin or end with blanks or quotes; they are stored so that they come
    // back unchanged. A line break cannot be stored and becomes a blank.
    for (const QString& value : {QStringLiteral("/tmp/name mit Blank "), QStringLiteral(" vorne"),
                                 QStringLiteral("'zitiert'"), QStringLiteral("\"doppelt\""),
                                 QStringLiteral("Größe €"), QStringLiteral("a=b")}) {
        ini.writeString(path, "S", "k", value);
        EXPECT_EQ(ini.readString(path, "S", "k", "d"), value);
    }
    ini.writeString(path, "S", "k", "zwei\r\nZeilen");
    EXPECT_EQ(ini.readString(path, "S", "k", "d"), "zwei  Zeilen");
    EXPECT_EQ(ini.readSectionKeys(path, "S"), QStringList({"k"}));
}

TEST(IniProfile, EightBitWindowsFileStaysEightBit)
{
    TestDir dir;
    // "Größe" and a euro sign in Windows-1252, as a Windows editor saves them.
    const QByteArray content = "[S]\r\nname=Gr\xF6\xDF" "e \x80\r\n";
    const QString path = dir.write("ansi.ini", content);
    FileIniProfileService ini;
    EXPECT_EQ(ini.readString(path, "S", "name", ""), QString::fromUtf8("Größe €"));
    ini.writeString(path, "S", "neu", QString::fromUtf8("Übel"));
    EXPECT_EQ(fileBytes(path), content + "neu=\xDC" "bel\r\n");
}

TEST(IniProfile, BareNameLivesInConfigFolder)
{
    TestDir dir;
    const EnvGuard config("XDG_CONFIG_HOME", QFile::encodeName(dir.file("config")));
    FileIniProfileService ini;
    EXPECT_EQ(platform::resolveProfilePath("VARNX.ini"), dir.file("config/VARNX.ini"));
    EXPECT_EQ(platform::resolveProfilePath("./VARNX.ini"), "./VARNX.ini");
    ini.writeString("VARNX.ini", "MainWindow", "State", "1");  // the folder is created
    EXPECT_EQ(fileBytes(dir.file("config/VARNX.ini")), QByteArray("[MainWindow]\r\nState=1\r\n"));
    EXPECT_EQ(ini.readString("VARNX.ini", "MainWindow", "State", ""), "1");
}

TEST(IniProfile, RefusedWriteRaisesAndLeavesFileUnchanged)
{
    TestDir dir;
    FileIniProfileService ini;

    // No such folder.
    const QString missing = dir.file("fehlt/VARNX.ini");
    try {
        ini.writeString(missing, "S", "k", "v");
        FAIL() << "no error raised";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(e.message(), "nach " + missing + " kann nicht geschrieben werden");
    }

    // A directory where the file should be.
    QDir(dir.path()).mkdir("VARNX.ini");
    EXPECT_THROW(ini.writeString(dir.file("VARNX.ini"), "S", "k", "v"), SettingsWriteError);
    EXPECT_THROW(ini.eraseSection(dir.file("VARNX.ini"), "S"), SettingsWriteError);
    EXPECT_EQ(ini.readString(dir.file("VARNX.ini"), "S", "k", "d"), "d");

    // A full disk: the file keeps its old content and no temporary file stays behind.
    const QString path = dir.write("voll.ini", kWindowsFile);
    platform::setWriteFaultHook([](const QString& target) { return target.endsWith("voll.ini") ? ENOSPC : 0; });
    EXPECT_THROW(ini.writeString(path, "MainWindow", "Width", "1"), SettingsWriteError);
    EXPECT_THROW(ini.eraseSection(path, "Tools"), SettingsWriteError);
    platform::setWriteFaultHook({});
    EXPECT_EQ(fileBytes(path), kWindowsFile);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// What the memory service does to the text is the contract suite's (iniprofile_contract_test);
// here only its log, which other tests read.
TEST(IniProfile, MemoryServiceLogsEveryCall)
{
    platform::MemoryIniProfileService ini;
    ini.files["VARNX.ini"] = kWindowsFile;
    ini.readString("VARNX.ini", "mainwindow", "HEIGHT", "");
    ini.writeString("VARNX.ini", "MainWindow", "Height", "700");
    ini.refuseWrites = [](const QString&) { return true; };
    EXPECT_THROW(ini.eraseSection("VARNX.ini", "Tools"), SettingsWriteError);
    EXPECT_EQ(ini.calls, QStringList({"read mainwindow/HEIGHT", "write MainWindow/Height=700", "erase Tools"}));
    EXPECT_EQ(ini.fileWrites, 1);
}

TEST(IniProfile, ChangesInOneWriteGiveTheBytesOfSingleWrites)
{
    TestDir dir;
    const QList<platform::IniChange> changes = {
        {platform::IniChange::Kind::Write, "MainWindow", "HEIGHT", "700"},
        {platform::IniChange::Kind::EraseSection, "Tools", {}, {}},
        {platform::IniChange::Kind::Write, "OpenFiles", "1", "/home/a b.txt"},
        {platform::IniChange::Kind::Write, "Toolbar_Datei", "Visible", " mit Blanks "},
        {platform::IniChange::Kind::Write, "Unknown", "y", "2"},
        {platform::IniChange::Kind::EraseSection, "Fehlt", {}, {}},
    };
    FileIniProfileService ini;
    const QString single = dir.write("einzeln.ini", kWindowsFile);
    for (const platform::IniChange& change : changes) {
        if (change.kind == platform::IniChange::Kind::Write)
            ini.writeString(single, change.section, change.key, change.value);
        else
            ini.eraseSection(single, change.section);
    }
    const QString batched = dir.write("zusammen.ini", kWindowsFile);
    ini.writeChanges(batched, changes);
    EXPECT_EQ(fileBytes(batched), fileBytes(single));

    // Refused as a whole: a write-protected file keeps every byte; erases of missing
    // sections alone write nothing.
    const QString locked = dir.write("geschuetzt.ini", kWindowsFile);
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0444), 0);
    EXPECT_THROW(ini.writeChanges(locked, changes), SettingsWriteError);
    EXPECT_EQ(fileBytes(locked), kWindowsFile);
    ini.writeChanges(locked, {{platform::IniChange::Kind::EraseSection, "Fehlt", {}, {}}});
    ini.writeChanges(dir.file("neu.ini"), {{platform::IniChange::Kind::EraseSection, "Fehlt", {}, {}}});
    EXPECT_FALSE(QFile::exists(dir.file("neu.ini")));
}

TEST(IniProfile, BatchCollectsWritesAndNestsIntoOneWrite)
{
    platform::MemoryIniProfileService ini;
    ini.files["VARNX.ini"] = kWindowsFile;
    platform::ScopedService<platform::IniProfileService> installed(&ini);
    platform::IniBatch outer(ini);
    {
        const platform::ScopedService<platform::IniProfileService> collect(&outer);
        platform::IniProfileService::current().writeString("VARNX.ini", "MainWindow", "Width", "1");
        platform::IniBatch inner(platform::IniProfileService::current());
        {
            const platform::ScopedService<platform::IniProfileService> nested(&inner);
            platform::IniProfileService::current().writeString("VARNX.ini", "Toolbar_Datei", "Rev", "2");
            // Reads see the file as it was before the batch.
            EXPECT_EQ(platform::IniProfileService::current().readString("VARNX.ini", "MainWindow", "Width", ""), "800");
        }
        inner.commit();
        platform::IniBatch dropped(platform::IniProfileService::current());
        {
            const platform::ScopedService<platform::IniProfileService> nested(&dropped);
            platform::IniProfileService::current().eraseSection("VARNX.ini", "MainWindow");
        }
        // never committed
    }
    EXPECT_EQ(ini.fileWrites, 0);
    outer.commit();
    EXPECT_EQ(ini.fileWrites, 1);
    QByteArray expected = platform::initext::writeString(kWindowsFile, "MainWindow", "Width", "1");
    expected = platform::initext::writeString(expected, "Toolbar_Datei", "Rev", "2");
    EXPECT_EQ(ini.files["VARNX.ini"], expected);
    EXPECT_EQ(ini.calls.filter("write "), QStringList({"write MainWindow/Width=1", "write Toolbar_Datei/Rev=2"}));
}
