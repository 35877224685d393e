#include "platform/atomicfile.h"
#include "platform/savebackup.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SaveBackupTest : public ::testing::Test {
protected:
    TestDir dir;
    TestDir state;
    EnvGuard env{"XDG_STATE_HOME", QFile::encodeName(state.path())};

    void TearDown() override { platform::setWriteStepHook({}); }
    QStringList temporaries() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("*.vxtmp-*")}, QDir::Files | QDir::Hidden | QDir::System);
    }
    QStringList notes() const
    {
        return QDir(state.path() + QStringLiteral("/varnotex/recovery")).entryList({QStringLiteral("save-backup-*")}, QDir::Files);
    }
    static ino_t inodeOf(const QString& path)
    {
        struct stat st {};
        return ::stat(nativeName(path).constData(), &st) == 0 ? st.st_ino : 0;
    }
    // A pid that belonged to a process that has ended.
    static pid_t deadPid()
    {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        int status = 0;
        ::waitpid(child, &status, 0);
        return child;
    }
    static QByteArray pattern(char a, char b, qsizetype size)
    {
        QByteArray bytes(size, a);
        for (qsizetype i = 0; i < size; i += 97)
            bytes[i] = b;
        return bytes;
    }
};

}  // namespace

// While the text is written, the temporary file has no name: nothing in the folder shows it,
// and a writer that is given up leaves nothing behind.
TEST_F(SaveBackupTest, TemporaryHasNoNameWhileItIsWritten)
{
    const QString target = dir.write("a.txt", "old");
    {
        platform::AtomicFileWriter writer(target);
        ASSERT_TRUE(writer.open());
        ASSERT_FALSE(writer.writesInPlace());
        ASSERT_TRUE(writer.write(QByteArray(3 << 20, 'n')));
        EXPECT_TRUE(temporaries().isEmpty());
    }  // given up
    EXPECT_EQ(TestDir::read(target), "old");
    EXPECT_TRUE(temporaries().isEmpty());
    ASSERT_TRUE(platform::writeFileAtomically(target, "new"));
    EXPECT_EQ(TestDir::read(target), "new");
    EXPECT_TRUE(temporaries().isEmpty());
    EXPECT_TRUE(notes().isEmpty());
}

// Named temporaries of a save that was killed go at the next save into that folder; those of
// running processes and files of other names stay.
TEST_F(SaveBackupTest, TemporariesOfEndedProcessesAreRemoved)
{
    const QString target = dir.write("a.txt", "old");
    const QString stale = dir.write(QStringLiteral("a.txt.vxtmp-%1-Ab12Cd").arg(deadPid()), "left over");
    const QString running = dir.write("b.txt.vxtmp-1-Ab12Cd", "pid 1 runs");
    const QString unrelated = dir.write("a.txt.vxtmp-Ab12Cd", "not ours by name");
    ASSERT_TRUE(platform::writeFileAtomically(target, "new"));
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(running));
    EXPECT_TRUE(QFile::exists(unrelated));
    EXPECT_EQ(TestDir::read(target), "new");
}

// A target whose rename fails as on a bind mount (EBUSY) or across file systems (EXDEV) is
// written in place instead: the save succeeds, the file stays the same file.
TEST_F(SaveBackupTest, RenameThatCannotReplaceFallsBackToInPlace)
{
    for (const int error : {EBUSY, EXDEV}) {
        const QString target = dir.write("mount.txt", "old content that is longer");
        const ino_t inode = inodeOf(target);
        platform::setWriteStepHook(
            [error](platform::WriteStep step, const QString&) { return step == platform::WriteStep::Rename ? error : 0; });
        int failure = 0;
        EXPECT_TRUE(platform::writeFileAtomically(target, "new", &failure)) << failure;
        platform::setWriteStepHook({});
        EXPECT_EQ(TestDir::read(target), "new");
        EXPECT_EQ(inodeOf(target), inode);
        EXPECT_TRUE(temporaries().isEmpty());
        EXPECT_TRUE(notes().isEmpty());
    }
    // Any other failure of the rename is reported and leaves the old file.
    const QString target = dir.write("other.txt", "old");
    platform::setWriteStepHook(
        [](platform::WriteStep step, const QString&) { return step == platform::WriteStep::Rename ? EIO : 0; });
    int failure = 0;
    EXPECT_FALSE(platform::writeFileAtomically(target, "new", &failure));
    EXPECT_EQ(failure, EIO);
    EXPECT_EQ(TestDir::read(target), "old");
    EXPECT_TRUE(temporaries().isEmpty());
}

// An in-place save (the file has a second hard link) killed after any number of blocks: the
// next start puts the old bytes back exactly, under both names, and says so.
TEST_F(SaveBackupTest, KilledInPlaceSaveIsRestoredAtTheNextStart)
{
    const QByteArray old = pattern('o', 'O', (3 << 20) + 123);
    const QByteArray fresh = pattern('n', 'N', (5 << 20) + 7);
    for (const int killAt : {1, 2, 4, 6}) {
        const QString target = dir.write("linked.txt", old);
        const QString second = dir.file("second.txt");
        QFile::remove(second);
        ASSERT_EQ(::link(nativeName(target).constData(), nativeName(second).constData()), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int blocks = 0;
            platform::setWriteStepHook([&blocks, killAt](platform::WriteStep step, const QString&) {
                if (step == platform::WriteStep::WriteInPlace && ++blocks == killAt)
                    ::raise(SIGKILL);
                return 0;
            });
            platform::writeFileAtomically(target, fresh);
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << killAt;
        // From the fourth block on (after the two beyond the old end and one over the old
        // bytes) the file is half new, half old.
        if (killAt >= 4) {
            EXPECT_TRUE(TestDir::read(target).startsWith(fresh.left(1 << 20))) << killAt;
        }
        ASSERT_EQ(notes().size(), 1);

        const QStringList told = platform::recoverInterruptedSaves();
        EXPECT_EQ(told, QStringList{QStringLiteral("Das Speichern von \"%1\" wurde unterbrochen; der alte Inhalt der "
                                                   "Datei wurde wiederhergestellt.")
                                        .arg(target)});
        EXPECT_TRUE(TestDir::read(target) == old) << killAt;
        EXPECT_TRUE(TestDir::read(second) == old) << killAt;
        EXPECT_TRUE(notes().isEmpty());
        // Nothing is left to do at the start after that.
        EXPECT_TRUE(platform::recoverInterruptedSaves().isEmpty());
    }
}

// A kept backup whose file was replaced meanwhile is never written into that other file: the
// old bytes stay in the recovery folder and the user is told where.
TEST_F(SaveBackupTest, BackupOfAReplacedFileIsKeptNotApplied)
{
    const QString target = dir.write("linked.txt", QByteArray(2 << 20, 'o'));
    const QString second = dir.file("second.txt");
    ASSERT_EQ(::link(nativeName(target).constData(), nativeName(second).constData()), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::setWriteStepHook([](platform::WriteStep step, const QString&) {
            if (step == platform::WriteStep::WriteInPlace)
                ::raise(SIGKILL);
            return 0;
        });
        platform::writeFileAtomically(target, QByteArray(3 << 20, 'n'));
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const QString other = dir.write("other.txt", "somebody else's file");
    ASSERT_EQ(::rename(nativeName(other).constData(), nativeName(target).constData()), 0);
    const QStringList told = platform::recoverInterruptedSaves();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("Das Speichern von \"%1\" wurde unterbrochen; die Datei wurde seither "
                                                  "ersetzt. Ihr alter Inhalt liegt in \"")
                                       .arg(target)));
    EXPECT_EQ(TestDir::read(target), "somebody else's file");
    const QStringList kept = QDir(state.path() + QStringLiteral("/varnotex/recovery")).entryList({QStringLiteral("*.old")}, QDir::Files);
    EXPECT_EQ(kept.size(), 1);
    EXPECT_TRUE(notes().filter(QStringLiteral(".old")).size() == notes().size());
}

// The recovery folder is private: made with mode 0700.
TEST_F(SaveBackupTest, RecoveryFolderIsPrivate)
{
    const QString folder = platform::saveBackupFolder();
    ASSERT_EQ(folder, state.path() + QStringLiteral("/varnotex/recovery"));
    struct stat st {};
    ASSERT_EQ(::stat(nativeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::chmod(nativeName(folder).constData(), 0755), 0);
    EXPECT_TRUE(platform::saveBackupFolder().isEmpty());  // open to others: not used
    ASSERT_EQ(::chmod(nativeName(folder).constData(), 0700), 0);
}
