#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/filedialogs.h"
#include "platform/probe.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <new>
#include <stdexcept>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
    fakes.messages.answers.assign(4, platform::MsgResult::Ok);
    EXPECT_FALSE(platform::runGuarded([] { throw platform::SettingsWriteError("/x/VARNX.ini"); }));
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(fakes.messages.shown[0].caption, QString("VARNX"));
    EXPECT_EQ(fakes.messages.shown[0].text, QString("nach /x/VARNX.ini kann nicht geschrieben werden."));
    EXPECT_EQ(fakes.messages.shown[0].icon, platform::MsgIcon::Error);
    EXPECT_TRUE(platform::runGuarded([] {}));
    EXPECT_EQ(fakes.messages.shown.size(), 1);

    // Errors of any type end in the report, never in the event loop.
    EXPECT_FALSE(platform::runGuarded([] { throw std::bad_alloc(); }));
    EXPECT_EQ(fakes.messages.shown.last().text, QString("Zu wenig Arbeitsspeicher."));
    EXPECT_FALSE(platform::runGuarded([] { throw std::runtime_error("kaputt"); }));
    EXPECT_EQ(fakes.messages.shown.last().text, QString("kaputt."));
    EXPECT_FALSE(platform::runGuarded([] { throw 42; }));
    EXPECT_EQ(fakes.messages.shown.last().text, QString("Unbekannter Fehler."));
    EXPECT_EQ(fakes.messages.shown.size(), 4);
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

namespace {

struct stat statOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Installs a step hook for one test and removes it again.
class ScopedStepHook {
public:
    explicit ScopedStepHook(platform::WriteStepHook hook) { platform::setWriteStepHook(std::move(hook)); }
    ~ScopedStepHook() { platform::setWriteStepHook({}); }
};

// The hook that makes every folder refuse a new file, so that targets are written in place.
int refuseTemporary(platform::WriteStep step, const QString&)
{
    return step == platform::WriteStep::CreateTemporary ? EACCES : 0;
}

}  // namespace

TEST(AtomicFile, ReadOnlyTargetIsRefusedEvenForRoot)
{
    TestDir dir;
    const QString path = dir.write("VARNX.ini", "[View]\r\nShowMarkbar=1\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    int error = 0;
    EXPECT_FALSE(platform::writeFileAtomically(path, "neu", &error));
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(TestDir::read(path), QByteArray("[View]\r\nShowMarkbar=1\r\n"));
    EXPECT_EQ(statOf(path).st_mode & 07777, 0444u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(AtomicFile, InPlaceWriteNeverCutsTheOldBytesFirst)
{
    TestDir dir;
    const QByteArray old = "die alten Zeilen\r\nbleiben\r\n";
    const QString path = dir.write("a.txt", old);
    const ino_t inode = statOf(path).st_ino;
    ScopedStepHook refuse(refuseTemporary);

    // Written in place: same file, new content, also when it gets shorter.
    ASSERT_TRUE(platform::writeFileAtomically(path, "kurz"));
    EXPECT_EQ(TestDir::read(path), QByteArray("kurz"));
    EXPECT_EQ(statOf(path).st_ino, inode);
    dir.write("a.txt", old);

    struct Fault {
        const char* what;
        platform::WriteStep step;
        int failingCall;  // which call of that step fails, counted from 1
        QByteArray content;
    };
    const QByteArray longer = old + QByteArray(5000, 'x');
    const Fault faults[] = {
        {"no room for the new length", platform::WriteStep::Reserve, 1, longer},
        {"the part beyond the old end fails", platform::WriteStep::WriteInPlace, 1, longer},
        {"overwriting the old bytes fails", platform::WriteStep::WriteInPlace, 2, longer},
        {"overwriting a longer file fails", platform::WriteStep::WriteInPlace, 1, "neu"},
    };
    for (const Fault& fault : faults) {
        int calls = 0;
        ScopedStepHook hook([&](platform::WriteStep step, const QString&) {
            if (step == platform::WriteStep::CreateTemporary)
                return EACCES;
            return step == fault.step && ++calls == fault.failingCall ? ENOSPC : 0;
        });
        int error = 0;
        EXPECT_FALSE(platform::writeFileAtomically(path, fault.content, &error)) << fault.what;
        EXPECT_EQ(error, ENOSPC) << fault.what;
        EXPECT_EQ(TestDir::read(path), old) << fault.what;
        EXPECT_EQ(statOf(path).st_ino, inode) << fault.what;
    }
}

TEST(AtomicFile, SaveKeepsWhatTheFileIs)
{
    TestDir dir;
    // Hard links: every name sees the new text, the link count stays.
    const QString first = dir.write("erster.txt", "alt");
    const QString second = dir.file("zweiter.txt");
    ASSERT_EQ(::link(QFile::encodeName(first).constData(), QFile::encodeName(second).constData()), 0);
    ASSERT_TRUE(platform::writeFileAtomically(second, "neu"));
    EXPECT_EQ(TestDir::read(first), QByteArray("neu"));
    EXPECT_EQ(TestDir::read(second), QByteArray("neu"));
    EXPECT_EQ(statOf(first).st_nlink, nlink_t(2));
    EXPECT_EQ(statOf(first).st_ino, statOf(second).st_ino);

    // An owner that the replacement cannot take over: the file is written in place and
    // keeps its owner. (Root can hand a file to anybody, so the refusal is injected.)
    const QString owned = dir.write("fremd.txt", "alt");
    ASSERT_EQ(::chown(QFile::encodeName(owned).constData(), 65534, 65534), 0);
    {
        ScopedStepHook hook([](platform::WriteStep step, const QString&) {
            return step == platform::WriteStep::CarryOwner ? EPERM : 0;
        });
        const ino_t inode = statOf(owned).st_ino;
        platform::AtomicFileWriter writer(owned);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.writesInPlace());
        ASSERT_TRUE(writer.write("neu") && writer.commit());
        EXPECT_EQ(statOf(owned).st_ino, inode);
        EXPECT_EQ(statOf(owned).st_uid, uid_t(65534));
        EXPECT_EQ(TestDir::read(owned), QByteArray("neu"));
    }
    // Where it can, the replacement carries owner and group over.
    ASSERT_TRUE(platform::writeFileAtomically(owned, "wieder neu"));
    EXPECT_EQ(statOf(owned).st_uid, uid_t(65534));
    EXPECT_EQ(statOf(owned).st_gid, gid_t(65534));

    // Extended attributes go over to the replacement, or the file is written in place.
    const QString tagged = dir.write("markiert.txt", "alt");
    const QByteArray native = QFile::encodeName(tagged);
    if (::setxattr(native.constData(), "user.varnotex", "rot", 3, 0) != 0)
        GTEST_SKIP() << "no user attributes on this file system";
    ASSERT_TRUE(platform::writeFileAtomically(tagged, "neu"));
    char value[8] = {};
    EXPECT_EQ(::getxattr(native.constData(), "user.varnotex", value, sizeof value), 3);
    EXPECT_EQ(QByteArray(value, 3), QByteArray("rot"));
    {
        ScopedStepHook hook([](platform::WriteStep step, const QString&) {
            return step == platform::WriteStep::CarryAttributes ? ENOTSUP : 0;
        });
        const ino_t inode = statOf(tagged).st_ino;
        ASSERT_TRUE(platform::writeFileAtomically(tagged, "noch neuer"));
        EXPECT_EQ(statOf(tagged).st_ino, inode);
        EXPECT_EQ(::getxattr(native.constData(), "user.varnotex", value, sizeof value), 3);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);  // no temporary file left
}

TEST(AtomicFile, NamesNearTheLengthLimitSave)
{
    TestDir dir;
    // 255 bytes of name, also in two-byte characters: the temporary name is cut to fit.
    const QString ascii = dir.write(QString(251, QLatin1Char('n')) + ".txt", "alt");
    ASSERT_TRUE(platform::writeFileAtomically(ascii, "neu"));
    EXPECT_EQ(TestDir::read(ascii), QByteArray("neu"));
    // 1 + 250 + 4 bytes: the cut falls inside a character and moves back before it.
    const QString umlauts = dir.write("n" + QString(125, QChar(0x00E4)) + ".txt", "alt");
    ASSERT_TRUE(platform::writeFileAtomically(umlauts, "neu"));
    EXPECT_EQ(TestDir::read(umlauts), QByteArray("neu"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);

    // Where the system still finds the temporary name too long, the file is written in place.
    ScopedStepHook hook([](platform::WriteStep step, const QString&) {
        return step == platform::WriteStep::CreateTemporary ? ENAMETOOLONG : 0;
    });
    ASSERT_TRUE(platform::writeFileAtomically(ascii, "in place"));
    EXPECT_EQ(TestDir::read(ascii), QByteArray("in place"));
    // A new file cannot be written in place.
    int error = 0;
    EXPECT_FALSE(platform::writeFileAtomically(dir.file("neu.txt"), "x", &error));
    EXPECT_EQ(error, ENAMETOOLONG);
}

TEST(Probe, FirstSaveThroughDanglingLinkRemovesOnlyWhatItMade)
{
    TestDir dir;
    const QString link = dir.file("verweis.txt");
    const QString target = dir.file("ziel.txt");
    ASSERT_EQ(::symlink("ziel.txt", QFile::encodeName(link).constData()), 0);
    platform::ProbeCreated created;
    ASSERT_EQ(platform::probeWritable(link, &created), platform::ProbeResult::Ok);
    EXPECT_EQ(created.path, target);
    EXPECT_TRUE(QFile::exists(target));
    platform::removeProbeFile(created);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // An existing file is no creation of the probe, and a file that is no longer empty stays.
    const QString existing = dir.write("da.txt", "");
    ASSERT_EQ(platform::probeWritable(existing, &created), platform::ProbeResult::Ok);
    EXPECT_TRUE(created.path.isEmpty());
    ASSERT_EQ(platform::probeWritable(dir.file("neu.txt"), &created), platform::ProbeResult::Ok);
    dir.write("neu.txt", "Inhalt");
    platform::removeProbeFile(created);
    EXPECT_EQ(TestDir::read(dir.file("neu.txt")), QByteArray("Inhalt"));
}
