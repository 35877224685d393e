#include "platform/atomicfile.h"
#include "platform/filetrust.h"
#include "platform/probe.h"
#include "tests/support/seconduser.h"
#include "tests/support/tempdir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct LimitGuard {
    explicit LimitGuard(qint64 bytes) { platform::setSettingsSizeLimit(bytes); }
    ~LimitGuard() { platform::setSettingsSizeLimit(0); }
};

}  // namespace

// Only a regular file may be a settings file; nothing else is ever read, and nothing blocks.
TEST(OwnFileState, OnlyRegularFilesWithinTheLimitAreUsed)
{
    TestDir dir;
    QString problem;
    EXPECT_EQ(platform::ownFileState(dir.file("none.ini"), &problem), platform::OwnFileState::Missing);
    EXPECT_TRUE(problem.isEmpty());

    const QString plain = dir.write("plain.ini", "[View]\n");
    EXPECT_EQ(platform::ownFileState(plain, &problem), platform::OwnFileState::Usable);

    // A FIFO nobody writes to: a blocking open would never return.
    const QString fifo = dir.file("fifo.ini");
    ASSERT_EQ(::mkfifo(nativeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(platform::ownFileState(fifo, &problem), platform::OwnFileState::Refused);
    EXPECT_EQ(problem, QStringLiteral("Die Ini-Datei \"%1\" ist keine gewöhnliche Datei").arg(fifo));
    QByteArray content;
    EXPECT_EQ(platform::readOwnFile(fifo, content), platform::OwnReadResult::Refused);

    const QString zero = dir.file("zero.ini");
    ASSERT_EQ(::symlink("/dev/zero", nativeName(zero).constData()), 0);
    EXPECT_EQ(platform::ownFileState(zero, &problem), platform::OwnFileState::Refused);
    EXPECT_EQ(platform::readOwnFile(zero, content), platform::OwnReadResult::Refused);
    EXPECT_TRUE(content.isEmpty());

    const QString folder = dir.file("folder.ini");
    ASSERT_EQ(::mkdir(nativeName(folder).constData(), 0700), 0);
    EXPECT_EQ(platform::ownFileState(folder, &problem), platform::OwnFileState::Missing);

    const LimitGuard limit(16);
    const QString big = dir.write("big.ini", QByteArray(17, ';'));
    EXPECT_EQ(platform::ownFileState(big, &problem), platform::OwnFileState::Refused);
    EXPECT_EQ(problem, QStringLiteral("Die Ini-Datei \"%1\" ist zu groß.").arg(big));
    EXPECT_EQ(platform::readOwnFile(big, content), platform::OwnReadResult::Refused);
    const QString fits = dir.write("fits.ini", QByteArray(16, ';'));
    EXPECT_EQ(platform::readOwnFile(fits, content), platform::OwnReadResult::Read);
    EXPECT_EQ(content, QByteArray(16, ';'));
}

// The stamp says whether a file changed since it was read; an unchanged file is not read again.
TEST(OwnFileState, StampSeesEveryReplacement)
{
    TestDir dir;
    const QString path = dir.write("a.ini", "one");
    QByteArray content;
    platform::FileStamp first;
    ASSERT_EQ(platform::readOwnFile(path, content, &first), platform::OwnReadResult::Read);
    platform::FileStamp again;
    ASSERT_EQ(platform::readOwnFile(path, content, &again, &first), platform::OwnReadResult::Read);
    EXPECT_TRUE(content.isEmpty());  // skipped
    EXPECT_EQ(again, first);
    const QString other = dir.write("b.ini", "two");
    ASSERT_EQ(::rename(nativeName(other).constData(), nativeName(path).constData()), 0);
    ASSERT_EQ(platform::readOwnFile(path, content, &again, &first), platform::OwnReadResult::Read);
    EXPECT_EQ(content, "two");
    EXPECT_FALSE(again == first);
}

// Another user's file, or another user's link to one of ours, is never a settings file.
TEST(OwnFileState, AnotherUsersFileOrLinkIsRefused)
{
    SecondUser other;
    if (!other.ok())
        GTEST_SKIP() << other.skipReason();
    TestDir dir;
    const QString theirs = dir.write("theirs.ini", "[Tools]\nx=/bin/sh\n");
    ASSERT_TRUE(other.own(theirs));
    QString problem;
    EXPECT_EQ(platform::ownFileState(theirs, &problem), platform::OwnFileState::Refused);
    EXPECT_EQ(problem, QStringLiteral("Die Ini-Datei \"%1\" gehört einem anderen Benutzer").arg(theirs));

    const QString mine = dir.write("mine.txt", "private");
    const QString link = dir.file("link.ini");
    ASSERT_EQ(::symlink(nativeName(mine).constData(), nativeName(link).constData()), 0);
    ASSERT_TRUE(other.own(link));
    EXPECT_EQ(platform::ownFileState(link, &problem), platform::OwnFileState::Refused);
    EXPECT_EQ(problem, QStringLiteral("Die Ini-Datei \"%1\" ist ein Verweis eines anderen Benutzers").arg(link));
    QByteArray content;
    EXPECT_EQ(platform::readOwnFile(link, content), platform::OwnReadResult::Refused);
}

// The rule of protected_symlinks, for root too: another user's link in a folder that others
// may write is not followed; in a folder only its owner writes, or one of our own, it is.
TEST(UnsafeLink, AnotherUsersLinkInASharedFolderIsNotFollowed)
{
    SecondUser other;
    if (!other.ok())
        GTEST_SKIP() << other.skipReason();
    TestDir dir;
    const QString target = dir.write("private.txt", "secret");
    for (const mode_t mode : {mode_t(01777), mode_t(0777), mode_t(0775), mode_t(0755)}) {
        const QString folder = dir.file(QStringLiteral("shared%1").arg(mode, 0, 8));
        ASSERT_EQ(::mkdir(nativeName(folder).constData(), 0700), 0);
        ASSERT_EQ(::chmod(nativeName(folder).constData(), mode), 0);
        const QString theirs = folder + QStringLiteral("/notes.txt");
        ASSERT_EQ(::symlink(nativeName(target).constData(), nativeName(theirs).constData()), 0);
        ASSERT_TRUE(other.own(theirs));
        const QString mine = folder + QStringLiteral("/mine.txt");
        ASSERT_EQ(::symlink(nativeName(target).constData(), nativeName(mine).constData()), 0);

        const bool shared = mode != 0755;
        EXPECT_EQ(!platform::unsafeLinkProblem(theirs).isEmpty(), shared) << std::oct << mode;
        EXPECT_TRUE(platform::unsafeLinkProblem(mine).isEmpty()) << std::oct << mode;
        // A chain is judged link by link: our own link to theirs is no way round.
        const QString chain = dir.file(QStringLiteral("chain%1").arg(mode, 0, 8));
        ASSERT_EQ(::symlink(nativeName(theirs).constData(), nativeName(chain).constData()), 0);
        EXPECT_EQ(!platform::unsafeLinkProblem(chain).isEmpty(), shared) << std::oct << mode;
    }
    const QString in1777 = dir.file("shared1777/notes.txt");
    EXPECT_EQ(platform::unsafeLinkProblem(in1777),
              QStringLiteral("\"%1\" ist ein Verweis eines anderen Benutzers in einem Ordner, in den auch andere "
                             "schreiben dürfen; ihm wird nicht gefolgt")
                  .arg(in1777));
    EXPECT_TRUE(platform::unsafeLinkProblem(target).isEmpty());
}

// A save never follows such a link: the file it points to stays as it was, and the reason
// is given in German.
TEST(UnsafeLink, SaveThroughAnotherUsersLinkIsRefused)
{
    SecondUser other;
    if (!other.ok())
        GTEST_SKIP() << other.skipReason();
    TestDir dir;
    const QString target = dir.write("private.txt", "secret");
    const QString folder = dir.file("shared");
    ASSERT_EQ(::mkdir(nativeName(folder).constData(), 0700), 0);
    ASSERT_EQ(::chmod(nativeName(folder).constData(), 01777), 0);
    const QString link = folder + QStringLiteral("/notes.txt");
    ASSERT_EQ(::symlink(nativeName(target).constData(), nativeName(link).constData()), 0);
    ASSERT_TRUE(other.own(link));

    platform::AtomicFileWriter writer(link);
    EXPECT_FALSE(writer.open());
    EXPECT_EQ(writer.errorText(), platform::unsafeLinkProblem(link));
    EXPECT_FALSE(platform::writeFileAtomically(link, "overwritten"));
    QString reason;
    EXPECT_EQ(platform::probeWritable(link, nullptr, &reason), platform::ProbeResult::OpenFailed);
    EXPECT_EQ(reason, platform::unsafeLinkProblem(link));
    EXPECT_EQ(TestDir::read(target), "secret");
}
