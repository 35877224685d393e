#include "platform/errors.h"
#include "platform/filetrust.h"
#include "platform/iniprofile.h"
#include "settings/globals.h"
#include "tests/support/fakeframe.h"
#include "tests/support/fakes.h"
#include "tests/support/guards.h"
#include "tests/support/seconduser.h"
#include "tests/support/tempdir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SettingsTrustTest : public ::testing::Test {
protected:
    TestDir work;
    TestDir programDir;
    TestDir config;
    CwdGuard cwd{work.path()};
    EnvGuard env{"XDG_CONFIG_HOME", QFile::encodeName(config.path())};
    FakeServices services;
    FakeFrame frame;

    void SetUp() override
    {
        ASSERT_TRUE(cwd.ok());
        Globals::ResetSettings();
    }
    void TearDown() override
    {
        Globals::ResetSettings();
        platform::setSettingsSizeLimit(0);
    }
    QString program() const { return programDir.path() + QLatin1Char('/'); }
    // The box that tells about a passed-over file of the working folder.
    void expectRefusedBox(const QString& sentence)
    {
        ASSERT_EQ(services.messages.shown.size(), 1);
        const ShownMessage& box = services.messages.shown.first();
        EXPECT_EQ(box.caption, QStringLiteral("Fehler:"));
        EXPECT_EQ(box.text, sentence + QStringLiteral("\rSie wird nicht verwendet."));
        EXPECT_EQ(box.icon, platform::MsgIcon::Error);
        EXPECT_EQ(box.buttons, platform::MsgButtons::Ok);
    }
};

}  // namespace

// A FIFO or a link to a device in the working folder is passed over with one box, a folder
// silently, and the search goes on beside the program; nothing blocks and nothing is read.
TEST_F(SettingsTrustTest, WorkingFolderFileThatIsNoFileIsPassedOver)
{
    const QString beside = programDir.write("VARNX.ini", "[MainWindow]\nWidth=640\n");
    const QString planted = work.file("VARNX.ini");
    for (int kind = 0; kind < 3; ++kind) {
        Globals::ResetSettings();
        services.messages.shown.clear();
        QFile::remove(planted);
        ::rmdir(nativeName(planted).constData());
        if (kind == 0)
            ASSERT_EQ(::mkfifo(nativeName(planted).constData(), 0600), 0);
        else if (kind == 1)
            ASSERT_EQ(::symlink("/dev/zero", nativeName(planted).constData()), 0);
        else
            ASSERT_EQ(::mkdir(nativeName(planted).constData(), 0700), 0);
        if (kind != 2)
            services.messages.answers.push_back(platform::MsgResult::Ok);
        ASSERT_TRUE(Globals::LoadSettings(frame, program()));
        EXPECT_EQ(Globals::Settings().IniFileName, beside) << kind;
        EXPECT_EQ(Globals::Settings().MainWindowWidth, 640) << kind;
        // A folder is no file at all: passed over without a word.
        if (kind == 2)
            EXPECT_TRUE(services.messages.shown.isEmpty());
        else
            expectRefusedBox(QStringLiteral("Die Ini-Datei \"%1\" ist keine gewöhnliche Datei.").arg(planted));
    }
}

// A file beyond the limit is not used, and neither read nor overwritten later.
TEST_F(SettingsTrustTest, FileBeyondTheLimitIsNotUsed)
{
    platform::setSettingsSizeLimit(64);
    const QString planted = work.write("VARNX.ini", QByteArray(65, ';'));
    const QString configured = config.write("VARNX.ini", "[View]\nShowMarkbar=0\n");
    services.messages.answers.push_back(platform::MsgResult::Ok);
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, configured);
    EXPECT_FALSE(Globals::Settings().ShowMarkbar);
    expectRefusedBox(QStringLiteral("Die Ini-Datei \"%1\" ist zu groß.").arg(planted));

    Globals::Settings().IniFileName = planted;
    EXPECT_THROW(Globals::WriteString(QStringLiteral("View"), QStringLiteral("ShowMarkbar"), QStringLiteral("1")),
                 platform::SettingsWriteError);
    EXPECT_EQ(TestDir::read(planted), QByteArray(65, ';'));
}

// Another user's VARNX.ini in the working folder, or that user's link to one of ours, never
// steers the program: it is passed over for the file beside the program.
TEST_F(SettingsTrustTest, AnotherUsersFileOrLinkIsPassedOver)
{
    SecondUser other;
    if (!other.ok())
        GTEST_SKIP() << other.skipReason();
    const QString beside = programDir.write("VARNX.ini", "[View]\nStartWithNewDoc=1\n");
    const QString planted = work.write("VARNX.ini", "[Tools]\nEvil=/tmp/evil\n");
    ASSERT_TRUE(other.own(planted));
    services.messages.answers.push_back(platform::MsgResult::Ok);
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, beside);
    EXPECT_TRUE(frame.tools.isEmpty());
    expectRefusedBox(QStringLiteral("Die Ini-Datei \"%1\" gehört einem anderen Benutzer.").arg(planted));

    // That user's link to a file of ours: following it would let them choose what we write.
    const QString mine = config.write("private.txt", "[A]\nb=c\n");
    QFile::remove(planted);
    ASSERT_EQ(::symlink(nativeName(mine).constData(), nativeName(planted).constData()), 0);
    ASSERT_TRUE(other.own(planted));
    Globals::ResetSettings();
    services.messages.shown.clear();
    services.messages.answers.push_back(platform::MsgResult::Ok);
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(Globals::Settings().IniFileName, beside);
    expectRefusedBox(QStringLiteral("Die Ini-Datei \"%1\" ist ein Verweis eines anderen Benutzers.").arg(planted));
    EXPECT_EQ(TestDir::read(mine), "[A]\nb=c\n");
}

// A start reads a large file once, and a shutdown's writes parse it once and write it once.
TEST_F(SettingsTrustTest, LargeFileIsParsedOncePerBatch)
{
    QByteArray content = "[MainWindow]\nWidth=700\n[Save]\nAutoSaveOpenFiles=1\n[OpenFiles]\n1=/x\n[Tools]\nT=t\n";
    for (int i = 0; i < 20000; ++i)
        content += "; a comment line that is kept byte for byte\n";
    const QString path = work.write("VARNX.ini", content);
    const int before = platform::initext::parseCount();
    ASSERT_TRUE(Globals::LoadSettings(frame, program()));
    EXPECT_EQ(platform::initext::parseCount() - before, 1);
    EXPECT_EQ(Globals::Settings().MainWindowWidth, 700);

    frame.width = 800;
    frame.captions = {path};
    const int atExit = platform::initext::parseCount();
    Globals::SaveOnExit(frame);
    EXPECT_LE(platform::initext::parseCount() - atExit, 1);
    const QByteArray written = TestDir::read(path);
    EXPECT_TRUE(written.startsWith("[MainWindow]\nWidth=800\n"));
    EXPECT_TRUE(written.contains("; a comment line that is kept byte for byte\n"));
}

// Two processes that change the same file at the same time each change the latest file: no
// key written by one is lost by the other's rename.
TEST_F(SettingsTrustTest, ConcurrentWritersKeepEveryKey)
{
    const QString path = work.write("VARNX.ini", "[Start]\nx=1\n");
    constexpr int kWrites = 60;
    pid_t children[2] = {0, 0};
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            platform::FileIniProfileService service;
            int status = 0;
            for (int i = 0; i < kWrites; ++i) {
                try {
                    service.writeString(path, QStringLiteral("P%1").arg(c), QStringLiteral("K%1").arg(i),
                                        QString::number(i));
                } catch (...) {
                    status = 1;
                }
            }
            ::_exit(status);
        }
    }
    for (const pid_t child : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    platform::FileIniProfileService service;
    for (int c = 0; c < 2; ++c) {
        const QStringList keys = service.readSectionKeys(path, QStringLiteral("P%1").arg(c));
        EXPECT_EQ(keys.size(), kWrites) << c;
    }
    EXPECT_EQ(service.readString(path, QStringLiteral("Start"), QStringLiteral("x"), QString()), QStringLiteral("1"));
}
