#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/filedialogs.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(AtomicFile, ReplacesContentAndKeepsPermissionBits)
{
    TestDir dir;
    const QString path = dir.write("a.txt", "old content");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_TRUE(platform::writeFileAtomically(path, "new"));
    EXPECT_EQ(TestDir::read(path), QByteArray("new"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary file left
}

TEST(AtomicFile, InjectedFailureLeavesOldContent)
{
    TestDir dir;
    const QString path = dir.write("a.txt", "old content");
    platform::setWriteFaultHook([](const QString&) { return ENOSPC; });
    int error = 0;
    EXPECT_FALSE(platform::writeFileAtomically(path, QByteArray(3 << 20, 'x'), &error));
    platform::setWriteFaultHook({});
    EXPECT_EQ(error, ENOSPC);
    EXPECT_EQ(TestDir::read(path), QByteArray("old content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(AtomicFile, RefusesMissingFolderAndDirectoryTarget)
{
    TestDir dir;
    EXPECT_FALSE(platform::writeFileAtomically(dir.file("missing/a.txt"), "x"));
    QDir(dir.path()).mkdir("sub");
    int error = 0;
    EXPECT_FALSE(platform::writeFileAtomically(dir.file("sub"), "x", &error));
    EXPECT_EQ(error, EISDIR);
}

TEST(AtomicFile, FollowsSymbolicLink)
{
    TestDir dir;
    const QString real = dir.write("real.txt", "old");
    ASSERT_TRUE(QFile::link(real, dir.file("link.txt")));
    ASSERT_TRUE(platform::writeFileAtomically(dir.file("link.txt"), "new"));
    EXPECT_EQ(TestDir::read(real), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(dir.file("link.txt")).isSymLink());
}

TEST(AtomicFile, FollowsChainOfRelativeLinksAndRefusesLoop)
{
    TestDir dir;
    QDir(dir.path()).mkdir("data");
    const QString real = dir.write("data/real.txt", "old");
    // middle.txt -> data/real.txt, first.txt -> middle.txt, both relative as ln -s makes them.
    ASSERT_EQ(::symlink("data/real.txt", QFile::encodeName(dir.file("middle.txt")).constData()), 0);
    ASSERT_EQ(::symlink("middle.txt", QFile::encodeName(dir.file("first.txt")).constData()), 0);
    ASSERT_TRUE(platform::writeFileAtomically(dir.file("first.txt"), "new"));
    EXPECT_EQ(TestDir::read(real), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(dir.file("middle.txt")).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.file("first.txt")).isSymLink());

    ASSERT_EQ(::symlink("loop-b", QFile::encodeName(dir.file("loop-a")).constData()), 0);
    ASSERT_EQ(::symlink("loop-a", QFile::encodeName(dir.file("loop-b")).constData()), 0);
    int error = 0;
    EXPECT_FALSE(platform::writeFileAtomically(dir.file("loop-a"), "x", &error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_TRUE(QFileInfo(dir.file("loop-a")).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.file("loop-b")).isSymLink());
}

TEST(ErrorReport, AddsFullStopOnlyAfterLetters)
{
    EXPECT_EQ(platform::errorReportText("Datei fehlt"), QString("Datei fehlt."));
    EXPECT_EQ(platform::errorReportText("Fertig."), QString("Fertig."));
    EXPECT_EQ(platform::errorReportText("Schluss..."), QString("Schluss..."));
    EXPECT_EQ(platform::errorReportText("Was?"), QString("Was?."));
    EXPECT_EQ(platform::errorReportText("Ende!"), QString("Ende!"));
}

TEST(ErrorReport, RunGuardedShowsErrorWithCaptionVarnx)
{
    FakeServices fakes;
    EXPECT_FALSE(platform::runGuarded([] { throw platform::SettingsWriteError("/x/VARNX.ini"); }));
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(fakes.messages.shown[0].caption, QString("VARNX"));
    EXPECT_EQ(fakes.messages.shown[0].text, QString("nach /x/VARNX.ini kann nicht geschrieben werden."));
    EXPECT_EQ(fakes.messages.shown[0].icon, platform::MsgIcon::Error);
    EXPECT_TRUE(platform::runGuarded([] {}));
    EXPECT_EQ(fakes.messages.shown.size(), 1);
}

TEST(FileDialogFilters, ConvertsCommonDialogFilters)
{
    const QStringList filters = platform::qtNameFilters(
        "Textdateien [*.txt]|*.txt|Html-Dokumente [*.htm;*.html]|*.htm;*.html|Alle Dateien [*.*]|*.*");
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(filters[0], QString("Textdateien [*.txt] (*.txt)"));
    EXPECT_EQ(filters[1], QString("Html-Dokumente [*.htm;*.html] (*.htm *.html)"));
    EXPECT_EQ(filters[2], QString("Alle Dateien [*.*] (*)"));
    EXPECT_EQ(platform::qtNameFilters(""), QStringList{"Alle Dateien (*)"});
    EXPECT_EQ(platform::qtNameFilters("nur Text ohne Muster"), QStringList{"Alle Dateien (*)"});
    EXPECT_EQ(platform::qtNameFilters("A||B|*.b|"), (QStringList{"A (*)", "B (*.b)"}));
}
