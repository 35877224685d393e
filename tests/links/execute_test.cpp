#include "links/executeprogram.h"
#include "platform/process.h"
#include "tests/links/launchhelpers.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kCaption = QStringLiteral("Fehler: Ausführung fehlgeschlagen...");

// Runs ExecuteProgram and gives the one error box it showed, or nothing.
struct Executor {
    ScriptedMessageBox messages;
    RecordingOpener launcher;
    platform::ScopedService<platform::MessageBoxService> m{&messages};
    platform::ScopedService<platform::ProcessService> p{&launcher};

    std::optional<ShownMessage> operator()(const QString& command, const QString& parameters)
    {
        messages.shown.clear();
        // The one box it may show gets its OK; whether it showed is the caller's to check.
        messages.answers = {platform::MsgResult::Ok};
        Globals::ExecuteProgram(command, parameters);
        messages.answers.clear();
        EXPECT_LE(messages.shown.size(), 1);
        if (messages.shown.isEmpty())
            return std::nullopt;
        const ShownMessage box = messages.shown.first();
        EXPECT_EQ(box.caption, kCaption);
        EXPECT_EQ(box.icon, platform::MsgIcon::Error);
        EXPECT_EQ(box.buttons, platform::MsgButtons::Ok);
        return box;
    }
};

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

}  // namespace

TEST(ExecuteProgram, StartsProgramsWithAndWithoutFolder)
{
    TestDir dir;
    Executor run;

    // With a folder: that folder is the working folder; a path with blanks arrives as
    // several words, quoted words stay together.
    RecorderScript tool(dir, QStringLiteral("Mein Ordner/werkzeug.sh"));
    EXPECT_FALSE(run(tool.path(), QStringLiteral("/tmp/Meine Texte/brief 1.txt \"a b\"")));
    const auto args = tool.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, (QStringList{"/tmp/Meine", "Texte/brief", "1.txt", "a b"}));
    EXPECT_EQ(tool.workingFolder(), canonical(dir.file("Mein Ordner")));

    // Without a folder: looked up in PATH, run in the current folder, no parameters.
    RecorderScript bare(dir, QStringLiteral("bin/varnotex-werkzeug"));
    RecorderScript later(dir, QStringLiteral("bin2/varnotex-werkzeug"));
    EnvironmentGuard env;
    env.set("PATH", QFile::encodeName(dir.file("leer") + ":" + dir.file("bin") + ":" + dir.file("bin2")) + ":" +
                        qgetenv("PATH"));
    EXPECT_FALSE(run(QStringLiteral("varnotex-werkzeug"), QString()));
    const auto bareArgs = bare.waitForArguments();
    ASSERT_TRUE(bareArgs);
    EXPECT_TRUE(bareArgs->isEmpty());
    EXPECT_EQ(bare.workingFolder(), canonical(QDir::currentPath()));
    EXPECT_FALSE(later.hasRun());
}

TEST(ExecuteProgram, FailuresGiveTheShellMessages)
{
    TestDir dir;
    Executor run;
    RecorderScript tool(dir, QStringLiteral("werkzeug.sh"));

    // Arguments after the program name belong to the file name, which does not exist.
    auto box = run(tool.path() + QStringLiteral(" -p --neu"), QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Datei konnte nicht gefunden werden.");
    // Even when an argument holds a "/", which makes the folder part a folder that does not exist.
    box = run(tool.path() + QStringLiteral(" /p"), QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Datei konnte nicht gefunden werden.");

    box = run(dir.file("fehlt/werkzeug.sh"), QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Verzeichnis konnte nicht gefunden werden.");

    // A program without any execute bit: refused, even for root, and never started.
    RecorderScript locked(dir, QStringLiteral("gesperrt.sh"), 0644);
    box = run(locked.path(), QStringLiteral("x"));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Das Betriebssystem hat keinen Zugriff auf die spezifizierte Datei.");
    EXPECT_FALSE(locked.hasRun());
    EXPECT_TRUE(run.launcher.opened.isEmpty());

    // Executable files the system cannot run.
    const QString junk = dir.write("kaputt.bin", QByteArray("\x01\x02\x03garbage", 10));
    ::chmod(QFile::encodeName(junk).constData(), 0755);
    box = run(junk, QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Die EXE-Datei ist fehlerhaft oder ungültig.");
    const QString orphan = dir.write("waise.sh", "#!/gibt/es/nicht/sh\n");
    ::chmod(QFile::encodeName(orphan).constData(), 0755);
    box = run(orphan, QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Datei konnte nicht gefunden werden.");

    // Not in PATH, and an empty command.
    EnvironmentGuard env;
    env.set("PATH", QFile::encodeName(dir.file("leer")));
    box = run(QStringLiteral("werkzeug.sh"), QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Datei konnte nicht gefunden werden.");
    box = run(QString(), QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Datei konnte nicht gefunden werden.");
    EXPECT_FALSE(tool.hasRun());
}

TEST(ExecuteProgram, DocumentsFoldersAndUrlsGoToTheDesktop)
{
    TestDir dir;
    Executor run;
    const QString doc = dir.write("Meine Texte/liesmich.txt", "Hallo");
    EXPECT_FALSE(run(doc, QStringLiteral("egal")));
    EXPECT_FALSE(run(dir.file("Meine Texte"), QString()));
    EXPECT_FALSE(run(QStringLiteral("https://www.beispiel.de/a?b=1&c=2"), QString()));
    EXPECT_FALSE(run(QStringLiteral("www.beispiel.de/seite"), QString()));
    EXPECT_FALSE(run(QStringLiteral("info@beispiel-firma.de"), QString()));
    EXPECT_EQ(run.launcher.opened,
              (QList<QUrl>{QUrl::fromLocalFile(doc), QUrl::fromLocalFile(dir.file("Meine Texte")),
                           QUrl(QStringLiteral("https://www.beispiel.de/a?b=1&c=2")),
                           QUrl(QStringLiteral("http://www.beispiel.de/seite")),
                           QUrl(QStringLiteral("mailto:info@beispiel-firma.de"))}));

    // No application for the type.
    run.launcher.openResult = platform::LaunchError::NoAssociation;
    const auto box = run(doc, QString());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Dieser Dateierweiterung ist kein Programm zugeordnet.");
}

TEST(ExecuteProgram, LauncherFailuresMapOntoTheTable)
{
    TestDir dir;
    RecorderScript tool(dir, QStringLiteral("werkzeug.sh"));
    ScriptedMessageBox messages;
    platform::RecordingProcessService launcher;
    platform::ScopedService<platform::MessageBoxService> m{&messages};
    platform::ScopedService<platform::ProcessService> p{&launcher};

    using platform::LaunchError;
    const std::pair<LaunchError, int> cases[] = {
        {LaunchError::None, Globals::ExecuteOk},   {LaunchError::NotFound, 2},
        {LaunchError::FolderNotFound, 3},          {LaunchError::AccessDenied, 5},
        {LaunchError::OutOfMemory, 8},             {LaunchError::OutOfResources, 0},
        {LaunchError::BadFormat, 11},              {LaunchError::Unknown, Globals::ExecuteUnknownError},
    };
    for (const auto& [error, result] : cases) {
        launcher.startResult = error;
        EXPECT_EQ(Globals::StartProgram(tool.path(), {QStringLiteral("a b")}), result);
    }
    ASSERT_EQ(launcher.started.size(), 8);
    EXPECT_EQ(launcher.started[0].program, tool.path());
    EXPECT_EQ(launcher.started[0].arguments, QStringList{"a b"});
    EXPECT_EQ(launcher.started[0].workingDirectory, dir.path());

    EXPECT_TRUE(messages.shown.isEmpty());
}

// A tool's command line: program and arguments by the Desktop Entry quoting rules, the
// document's path as one more argument exactly as it is; a program path with blanks that
// is given whole still starts.
TEST(ExecuteTool, SplitsTheCommandLineAndAddsThePathAsOneArgument)
{
    EXPECT_EQ(Globals::ToolCommandWords(QStringLiteral("xterm -e less")), (QStringList{"xterm", "-e", "less"}));
    EXPECT_EQ(Globals::ToolCommandWords(QStringLiteral(" \"/opt/Mein Ordner/prog\"\t-a  \"b \\\"c\\\" \\\\ \\$d\" ")),
              (QStringList{"/opt/Mein Ordner/prog", "-a", "b \"c\" \\ $d"}));
    EXPECT_EQ(Globals::ToolCommandWords(QStringLiteral("prog \"\" x")), (QStringList{"prog", "", "x"}));
    EXPECT_TRUE(Globals::ToolCommandWords(QStringLiteral("prog \"offen")).isEmpty());
    EXPECT_TRUE(Globals::ToolCommandWords(QStringLiteral("   ")).isEmpty());

    TestDir dir;
    ScriptedMessageBox messages;
    RecordingOpener launcher;
    platform::ScopedService<platform::MessageBoxService> m{&messages};
    platform::ScopedService<platform::ProcessService> p{&launcher};
    const QString document = QStringLiteral("/tmp/Meine Texte/Brief an \"Müller\".txt");

    RecorderScript tool(dir, QStringLiteral("werkzeug/zeigen.sh"));
    Globals::ExecuteTool(QStringLiteral("%1 -e \"zwei Worte\"").arg(tool.path()), document);
    auto args = tool.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, (QStringList{"-e", "zwei Worte", document}));
    EXPECT_EQ(tool.workingFolder(), canonical(dir.file("werkzeug")));
    EXPECT_TRUE(messages.shown.isEmpty());

    RecorderScript spaced(dir, QStringLiteral("Mein Ordner/zeigen.sh"));
    Globals::ExecuteTool(spaced.path(), QString());  // given whole, unquoted; no document
    args = spaced.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_TRUE(args->isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());

    messages.answers = {platform::MsgResult::Ok};
    Globals::ExecuteTool(dir.file("fehlt/prog") + " -x", document);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown.first().text, QStringLiteral("Verzeichnis konnte nicht gefunden werden."));
}
