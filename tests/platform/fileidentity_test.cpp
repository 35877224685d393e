#include "platform/atomicfile.h"
#include "platform/fileidentity.h"
#include "platform/filewatcher.h"
#include "tests/support/tempdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QThread>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fcntl.h>

using platform::compareFileIdentity;
using platform::FileChange;
using platform::fileIdentityOf;

namespace {

// Waits until the watcher has told at least one notice; all notices told by then.
QStringList noticesWithin(QSignalSpy& spy, int ms = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (spy.isEmpty() && clock.elapsed() < ms)
        spy.wait(50);
    // A little longer, so that a second notice of the same burst would show.
    spy.wait(400);
    QStringList paths;
    for (const QList<QVariant>& call : spy)
        paths += call.at(0).toStringList();
    paths.removeDuplicates();
    paths.sort();
    return paths;
}

}  // namespace

TEST(FileIdentity, EveryKindOfChangeMadeOutsideCounts)
{
    TestDir dir;
    const QString path = dir.write("d.txt", "eins\r\n");
    const platform::FileIdentity loaded = fileIdentityOf(path);
    ASSERT_TRUE(loaded.exists);
    EXPECT_EQ(compareFileIdentity(loaded, fileIdentityOf(path)), FileChange::None) << "reading changes nothing";

    // Appended in place: the same inode, another size.
    TestDir::append(path, "zwei\r\n");
    const platform::FileIdentity appended = fileIdentityOf(path);
    EXPECT_EQ(appended.inode, loaded.inode);
    EXPECT_EQ(compareFileIdentity(loaded, appended), FileChange::Changed);

    // Touched without a change of content: the modification time tells it.
    struct timespec times[2] = {{0, UTIME_OMIT}, {12345, 678}};
    ASSERT_EQ(::utimensat(AT_FDCWD, nativeName(path).constData(), times, 0), 0);
    const platform::FileIdentity touched = fileIdentityOf(path);
    EXPECT_EQ(touched.size, appended.size);
    EXPECT_EQ(compareFileIdentity(appended, touched), FileChange::Changed);

    // Replaced by rename with the very same bytes and times: another inode.
    const QString other = dir.write("neu.tmp", TestDir::read(path));
    ASSERT_EQ(::rename(nativeName(other).constData(), nativeName(path).constData()), 0);
    const platform::FileIdentity replaced = fileIdentityOf(path);
    EXPECT_NE(replaced.inode, touched.inode);
    EXPECT_EQ(compareFileIdentity(touched, replaced), FileChange::Changed);

    // A new mode, a new link: the content is as it was. A rewrite that sets the
    // modification time back is still seen by its change time.
    ASSERT_EQ(::chmod(nativeName(path).constData(), 0444), 0);
    ASSERT_EQ(::link(nativeName(path).constData(), nativeName(dir.file("link.txt")).constData()), 0);
    const platform::FileIdentity chmodded = fileIdentityOf(path);
    EXPECT_NE(chmodded, replaced);
    EXPECT_EQ(compareFileIdentity(replaced, chmodded), FileChange::None);
    ASSERT_EQ(::unlink(nativeName(dir.file("link.txt")).constData()), 0);
    ASSERT_EQ(::chmod(nativeName(path).constData(), 0644), 0);
    const platform::FileIdentity restored = fileIdentityOf(path);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write("W");  // same size, first byte changed
    }
    struct timespec back[2] = {{0, UTIME_OMIT}, {time_t(restored.modifiedNs / 1000000000), long(restored.modifiedNs % 1000000000)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, nativeName(path).constData(), back, 0), 0);
    const platform::FileIdentity forged = fileIdentityOf(path);
    ASSERT_EQ(forged.modifiedNs, restored.modifiedNs);
    EXPECT_EQ(compareFileIdentity(restored, forged), FileChange::Changed);

    // Deleted, then made again.
    ASSERT_EQ(::unlink(nativeName(path).constData()), 0);
    const platform::FileIdentity gone = fileIdentityOf(path);
    EXPECT_FALSE(gone.exists);
    EXPECT_EQ(compareFileIdentity(forged, gone), FileChange::Gone);
    EXPECT_EQ(compareFileIdentity(gone, fileIdentityOf(path)), FileChange::None) << "still gone: nothing new";
    dir.write("d.txt", "wieder da");
    EXPECT_EQ(compareFileIdentity(gone, fileIdentityOf(path)), FileChange::Changed);

    // A folder under the name is no file.
    EXPECT_FALSE(fileIdentityOf(dir.path()).exists);
}

TEST(FileIdentity, OurOwnWriteIsKnownByWhatItLeavesBehind)
{
    // Atomic replace and in place (a second hard link keeps the file where it is): the
    // identity read after the write is the file as it now stands, and a later look agrees.
    TestDir dir;
    const QString path = dir.write("a.txt", "alt");
    ASSERT_TRUE(platform::writeFileAtomically(path, "neu"));
    const platform::FileIdentity afterReplace = fileIdentityOf(path);
    EXPECT_EQ(compareFileIdentity(afterReplace, fileIdentityOf(path)), FileChange::None);

    ASSERT_EQ(::link(nativeName(path).constData(), nativeName(dir.file("b.txt")).constData()), 0);
    ASSERT_TRUE(platform::writeFileAtomically(path, "noch neuer"));
    const platform::FileIdentity afterInPlace = fileIdentityOf(path);
    EXPECT_EQ(afterInPlace.inode, afterReplace.inode) << "the hard link keeps the file in place";
    EXPECT_EQ(compareFileIdentity(afterInPlace, fileIdentityOf(path)), FileChange::None);
    EXPECT_EQ(compareFileIdentity(afterReplace, afterInPlace), FileChange::Changed);
}

TEST(FileWatcher, TellsAppendRenameDeleteAndRecreateAndFollowsTheName)
{
    TestDir dir;
    const QString path = dir.write("d.txt", "eins");
    platform::FileWatcher watcher;
    watcher.setQuietTime(50);
    watcher.watch(path);
    ASSERT_TRUE(watcher.isWatched(path));
    QSignalSpy spy(&watcher, &platform::FileWatcher::filesChanged);

    TestDir::append(path, "zwei");
    EXPECT_EQ(noticesWithin(spy), QStringList{path}) << "append in place";

    spy.clear();
    const QString other = dir.write("x.tmp", "ersetzt");
    ASSERT_EQ(::rename(nativeName(other).constData(), nativeName(path).constData()), 0);
    EXPECT_EQ(noticesWithin(spy), QStringList{path}) << "replace by rename";
    EXPECT_TRUE(watcher.isWatched(path)) << "the watch follows the name to the new file";

    // A write through another hard link in another folder reaches only the file's own watch.
    TestDir elsewhere;
    ASSERT_EQ(::link(nativeName(path).constData(), nativeName(elsewhere.file("link.txt")).constData()), 0);
    QThread::msleep(100);
    QCoreApplication::processEvents();
    spy.clear();
    TestDir::append(elsewhere.file("link.txt"), "über den Verweis");
    EXPECT_EQ(noticesWithin(spy), QStringList{path}) << "write through a hard link elsewhere";

    spy.clear();
    ASSERT_EQ(::unlink(nativeName(path).constData()), 0);
    EXPECT_EQ(noticesWithin(spy), QStringList{path}) << "delete";

    spy.clear();
    dir.write("d.txt", "neu gemacht");
    EXPECT_EQ(noticesWithin(spy), QStringList{path}) << "made again";
    EXPECT_TRUE(watcher.isWatched(path));
    spy.clear();
    TestDir::append(path, "!");
    EXPECT_EQ(noticesWithin(spy), QStringList{path}) << "the new file is watched too";

    // Other files of the folder are none of its business; an unwatched file neither.
    spy.clear();
    dir.write("fremd.txt", "x");
    watcher.unwatch(path);
    TestDir::append(path, "still");
    EXPECT_TRUE(noticesWithin(spy, 600).isEmpty());
}

TEST(FileWatcher, ABurstIsOneNoticeAndAThousandFilesAreOneBatch)
{
    TestDir dir;
    QStringList paths;
    for (int i = 0; i < 1000; ++i)
        paths << dir.write(QStringLiteral("f%1.txt").arg(i, 4, 10, QLatin1Char('0')), "x");
    platform::FileWatcher watcher;
    watcher.setQuietTime(200);
    for (const QString& p : paths)
        watcher.watch(p);
    // A file counted twice (open in two windows) stays watched until both let go.
    watcher.watch(paths[0]);
    watcher.unwatch(paths[0]);
    EXPECT_TRUE(watcher.isWatched(paths[0]));
    QSignalSpy spy(&watcher, &platform::FileWatcher::filesChanged);

    for (int round = 0; round < 20; ++round)
        TestDir::append(paths[1], "y");
    EXPECT_EQ(noticesWithin(spy), QStringList{paths[1]});
    EXPECT_EQ(spy.size(), 1) << "twenty writes, one notice";

    spy.clear();
    for (const QString& p : paths)
        TestDir::append(p, "z");
    const QStringList told = noticesWithin(spy);
    EXPECT_EQ(told, paths);
    EXPECT_LE(spy.size(), 2) << "a checkout of a thousand files is one batch, not a thousand";
}
