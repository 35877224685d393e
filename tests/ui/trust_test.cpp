#include "platform/filetrust.h"
#include "tests/support/seconduser.h"
#include "tests/ui/framefixture.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using platform::MsgIcon;
using platform::MsgResult;

// A name that reads like two files opens neither: the user is told which name cannot be
// carried, and the look-alike is never opened in its place.
TEST_F(FrameTest, LookAlikeNameOpensNeitherFile)
{
    const QString twin = dir.write(QString::fromUtf8("a\xef\xbf\xbd.txt"), "twin");
    const QByteArray raw = QFile::encodeName(dir.path()) + "/a\xff.txt";
    FILE* f = std::fopen(raw.constData(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    fakes.messages.answers = {MsgResult::Ok};
    frame->OpenDocument(twin);
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Fehler:"));
    EXPECT_EQ(lastMessage().text, QString::fromUtf8("Der Dateiname \"%1/a\\xFF.txt\" ist kein gültiges UTF-8; die Datei "
                                                    "wird nicht geöffnet.")
                                      .arg(dir.path()));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Error);
    EXPECT_EQ(frame->documentCount(), 0);

    // Alone, the name is exact and opens its file.
    ASSERT_EQ(::unlink(raw.constData()), 0);
    frame->OpenDocument(twin);
    EXPECT_EQ(frame->documentCount(), 1);
}

// Another user's link in a folder that others may write is not followed for reading.
TEST_F(FrameTest, AnotherUsersLinkInASharedFolderIsNotOpened)
{
    SecondUser other;
    if (!other.ok())
        GTEST_SKIP() << other.skipReason();
    const QString secret = dir.write("private.txt", "secret");
    const QString shared = dir.file("shared");
    ASSERT_EQ(::mkdir(QFile::encodeName(shared).constData(), 0700), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString link = shared + "/notes.txt";
    ASSERT_EQ(::symlink(QFile::encodeName(secret).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_TRUE(other.own(link));

    fakes.messages.answers = {MsgResult::Ok};
    const bool reported = !platform::runGuarded([&] { frame->OpenDocument(link); });
    QApplication::processEvents();
    EXPECT_TRUE(reported);
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_EQ(lastMessage().text, platform::unsafeLinkProblem(link) + ".");
    EXPECT_EQ(frame->documentCount(), 0);
}
