#include "app/commandline.h"
#include "platform/filenames.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {

// Runs in a temporary working directory and restores the old one.
class CommandLineTest : public ::testing::Test {
protected:
    TestDir work;
    CwdGuard cwd{work.path()};
    QString root;  // the working directory as the program sees it

    void SetUp() override
    {
        ASSERT_TRUE(cwd.ok());
        root = QDir::currentPath();
    }
};

}  // namespace

TEST_F(CommandLineTest, SplitNameWithBlanksIsJoinedAgain)
{
    work.write("Eigene Dateien/Brief 1.txt", "Brief");
    const QStringList params = {root + "/Eigene", "Dateien/Brief", "1.txt"};
    EXPECT_EQ(CommandLine::FilesToOpen(params), QStringList({root + "/Eigene Dateien/Brief 1.txt"}));

    // With a 1.txt in the working directory that one is opened, and the pending prefix is dropped.
    work.write("1.txt", "eins");
    EXPECT_EQ(CommandLine::FilesToOpen(params), QStringList({root + "/1.txt"}));
}

TEST_F(CommandLineTest, RelativeNamesBecomeFullPaths)
{
    work.write("a.txt", "a");
    work.write("sub/b.txt", "b");
    EXPECT_EQ(CommandLine::FilesToOpen({"a.txt", "./sub/../sub/b.txt", "a.txt"}),
              QStringList({root + "/a.txt", root + "/sub/b.txt", root + "/a.txt"}));
}

TEST_F(CommandLineTest, JoinsWithNoneOneOrTwoBlanks)
{
    work.write("ab.txt", "");
    work.write("c d.txt", "");
    work.write("e  f.txt", "");
    work.write("g h i.txt", "");
    EXPECT_EQ(CommandLine::FilesToOpen({"a", "b.txt", "c", "d.txt", "e", "f.txt", "g", "h", "i.txt"}),
              QStringList({root + "/ab.txt", root + "/c d.txt", root + "/e  f.txt", root + "/g h i.txt"}));
}

TEST_F(CommandLineTest, WordsNamingNoFileAreDropped)
{
    work.write("x y.txt", "");
    QDir(work.path()).mkdir("ordner");
    // A folder is no file; a prefix is trimmed of blanks and control characters before it
    // is joined again; leftovers vanish without a message.
    EXPECT_EQ(CommandLine::FilesToOpen({"\t x", "y.txt", "ordner", "fehlt", "auch.txt"}),
              QStringList({root + "/x y.txt"}));
    EXPECT_TRUE(CommandLine::FilesToOpen({"ordner"}).isEmpty());
    // A word that names nothing stays pending and spoils the following split name.
    EXPECT_TRUE(CommandLine::FilesToOpen({"fehlt", "x", "y.txt"}).isEmpty());
    EXPECT_TRUE(CommandLine::FilesToOpen({}).isEmpty());
}

TEST(CommandLineJoin, AsksForTheNamesInRuleOrder)
{
    QStringList asked;
    const auto exists = [&asked](const QString& name) {
        asked.append(name);
        return name == "p  q";
    };
    EXPECT_EQ(CommandLine::JoinParameters({"p", "q"}, exists), QStringList({"p  q"}));
    EXPECT_EQ(asked, QStringList({"p", "p", " p", "  p", "q", "pq", "p q", "p  q"}));
}

// Every word after the program's path is a parameter, Qt's option names included, and they
// reach the joining rule unchanged.
TEST_F(CommandLineTest, QtOptionNamesAreFileNames)
{
    work.write("-reverse", "r");
    work.write("x.txt", "x");
    const char* argv[] = {"/usr/bin/varnotex", "-reverse", "-style", "x.txt", "-platform", "\xC3\xA4.txt", nullptr};
    const QStringList params = CommandLine::ProgramParameters(6, argv);
    EXPECT_EQ(params, QStringList({"-reverse", "-style", "x.txt", "-platform", QString::fromUtf8("ä.txt")}));
    // "-style x.txt" are two words: x.txt opens alone, and the pending "-style" is dropped.
    EXPECT_EQ(CommandLine::FilesToOpen(params), QStringList({root + "/-reverse", root + "/x.txt"}));
    EXPECT_TRUE(CommandLine::ProgramParameters(1, argv).isEmpty());
    EXPECT_TRUE(CommandLine::ProgramParameters(0, argv).isEmpty());
}

// A word that is not valid UTF-8 is never turned into a look-alike name: it is left out,
// and when it names a file, the user is told why that file does not open.
TEST(CommandLineNames, NamesThatAreNotUtf8AreRefused)
{
    TestDir dir;
    CwdGuard cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    // The twin: what a lossy decoding of "a\xff.txt" would name.
    dir.write(QString::fromUtf8("a\xef\xbf\xbd.txt"), "twin");
    const QByteArray rawName("a\xff.txt");
    {
        FILE* f = std::fopen(rawName.constData(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    const char* argv[] = {"varnotex", "a\xff.txt", "b\xfe.txt", "a\xef\xbf\xbd.txt", nullptr};
    const QStringList parameters = CommandLine::ProgramParameters(4, argv);
    EXPECT_EQ(parameters, QStringList{QString::fromUtf8("a\xef\xbf\xbd.txt")});  // only the exact one
    // Only the refused word that names a file is reported; one that names nothing is dropped.
    EXPECT_EQ(CommandLine::RefusedParameters(4, argv),
              QStringList{QString::fromUtf8("Der Dateiname \"a\\xFF.txt\" ist kein gültiges UTF-8; die Datei wird "
                                            "nicht geöffnet.")});

    // As text (a dialog, a drop) the two names look alike: the twin is named, not guessed.
    EXPECT_EQ(platform::inexactTwinOf(dir.file(QString::fromUtf8("a\xef\xbf\xbd.txt"))),
              QFile::encodeName(dir.path()) + "/a\xff.txt");
    EXPECT_TRUE(platform::inexactTwinOf(dir.file("a.txt")).isEmpty());
    ASSERT_EQ(::unlink(rawName.constData()), 0);
    EXPECT_TRUE(platform::inexactTwinOf(dir.file(QString::fromUtf8("a\xef\xbf\xbd.txt"))).isEmpty());
}

// Another start's command line: joined, tested and expanded against that start's folder,
// not against this process's working directory.
TEST_F(CommandLineTest, AnotherStartsNamesCountInItsFolder)
{
    TestDir there;
    QDir(there.path()).mkpath("Eigene Dateien");
    there.write("Eigene Dateien/Brief 1.txt", "x");
    there.write("b.txt", "y");
    work.write("hier.txt", "z");
    const QString folder = QDir(there.path()).canonicalPath();
    EXPECT_EQ(CommandLine::FilesToOpenIn({"Eigene", "Dateien/Brief", "1.txt", "b.txt", "hier.txt", "/"}, folder),
              QStringList({folder + "/Eigene Dateien/Brief 1.txt", folder + "/b.txt"}));
    // An absolute name stays as it is; an empty folder is this process's own.
    EXPECT_EQ(CommandLine::FilesToOpenIn({root + "/hier.txt"}, folder), QStringList({root + "/hier.txt"}));
    EXPECT_EQ(CommandLine::FilesToOpenIn({"hier.txt"}, QString()), QStringList({root + "/hier.txt"}));
}
