#include "tests/ui/framefixture.h"
#include "tests/support/guards.h"

#include "app/appstyle.h"
#include "app/frametoolbars.h"
#include "platform/iniprofile.h"
#include "platform/instanceguard.h"
#include "platform/process.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <sys/stat.h>

using platform::MsgResult;

namespace {

// Runs a test body with the working directory set to a folder, and restores it.

QStringList captions(TMainForm* frame)
{
    QStringList result;
    for (TMainChildForm* child : frame->documents())
        result << child->caption();
    return result;
}

}  // namespace

TEST_F(FrameTest, FirstActivationWithoutAnythingLeavesTheFrameEmpty)
{
    Globals::Settings().FirstActivation = true;
    frame->OnActivate();
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_FALSE(frame->MainMenu_Tools->menuAction()->isVisible());
    EXPECT_FALSE(fakes.cursor.isBusy());
}

TEST_F(FrameTest, StartWithNewDocOnlyWhenNothingWasOpened)
{
    Globals::Settings().FirstActivation = true;
    Globals::Settings().StartWithNewDoc = true;
    frame->OnActivate();
    EXPECT_EQ(captions(frame.get()), QStringList{"<Unbenannt>"});
    frame->OnActivate();  // later activations do nothing
    EXPECT_EQ(frame->documentCount(), 1);
}

TEST_F(FrameTest, CommandLineFilesAreOpenedWithFullPaths)
{
    dir.write("Eigene Dateien/Brief 1.txt", "Brief");
    dir.write("a.txt", "a");
    const CwdGuard cwd(dir.path());
    Globals::Settings().FirstActivation = true;
    Globals::Settings().StartWithNewDoc = true;
    frame->setCommandLine({"a.txt", "Eigene", "Dateien/Brief", "1.txt", "fehlt.txt"});
    frame->OnActivate();
    EXPECT_EQ(captions(frame.get()),
              (QStringList{dir.file("Eigene Dateien/Brief 1.txt"), dir.file("a.txt")}));
    EXPECT_EQ(shownCount(), 0);
}

TEST_F(FrameTest, RememberedFilesAreReopenedBeforeTheCommandLine)
{
    const QString a = dir.write("a.txt", "a");
    const QString b = dir.write("b.txt", "b");
    TSettingsRecord& settings = Globals::Settings();
    settings.FirstActivation = true;
    settings.AutoSaveOpenFiles = true;
    settings.SavedOpenFilesExists = true;
    settings.SavedOpenFiles = QStringList{"1=" + a, "3=" + dir.file("weg.txt"), "4=" + b};
    frame->setCommandLine({a});
    frame->OnActivate();
    // Most recently opened first: the command line's a.txt, then b.txt, then a.txt.
    EXPECT_EQ(captions(frame.get()), (QStringList{a, b, a}));
    EXPECT_TRUE(settings.SavedOpenFiles.isEmpty());
    EXPECT_EQ(shownCount(), 0);
}

TEST_F(FrameTest, AnErrorEndsTheFirstActivation)
{
    const QString fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString later = dir.write("later.txt", "x");
    Globals::Settings().FirstActivation = true;
    Globals::Settings().StartWithNewDoc = true;
    frame->setCommandLine({fifo, later});
    fakes.messages.answers = {MsgResult::Ok};
    frame->OnActivate();
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 0);
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_FALSE(fakes.cursor.isBusy());
    EXPECT_FALSE(Globals::Settings().FirstActivation);
}

TEST_F(FrameTest, ShutdownWritesOpenFilesWithGapsAndTheToolbarLayout)
{
    const QString a = dir.write("a.txt", "a");
    const QString b = dir.write("b.txt", "b");
    frame->OpenDocument(a);
    newDocument();
    frame->OpenDocument(b);
    QApplication::processEvents();
    Globals::Settings().AutoSaveOpenFiles = true;
    Globals::Settings().AutoSaveSettings = true;
    frame->close();
    const QString ini = Globals::Settings().IniFileName;
    platform::FileIniProfileService profile;
    EXPECT_EQ(profile.readSectionKeys(ini, "OpenFiles"), (QStringList{"1", "3"}));
    EXPECT_EQ(profile.readString(ini, "OpenFiles", "1", ""), b);
    EXPECT_EQ(profile.readString(ini, "OpenFiles", "3", ""), a);
    EXPECT_EQ(profile.readString(ini, "Toolbar_Suchen", "Rev", ""), QString("2"));
    EXPECT_EQ(profile.readString(ini, "Toolbar_Suchen", "DockedTo", ""), QString("DockTop"));
    EXPECT_EQ(profile.readString(ini, "Toolbar_Fenster", "DockPos", ""), QString("503"));
}

TEST_F(FrameTest, HiddenToolbarComesBackHiddenWithoutCheckMark)
{
    frame->MainMenu_Optionen_ToolbarSuchenEinblenden->trigger();
    EXPECT_FALSE(frame->MainMenu_Optionen_ToolbarSuchenEinblenden->isChecked());
    frame->saveToolbarLayout(Globals::Settings().IniFileName);
    frame.reset();
    const CwdGuard cwd(dir.path());
    frame = std::make_unique<TMainForm>();
    ASSERT_TRUE(frame->OnCreate());
    EXPECT_FALSE(frame->toolbars()->isToolbarVisible("Toolbar_Suchen"));
    EXPECT_FALSE(frame->MainMenu_Optionen_ToolbarSuchenEinblenden->isChecked());
    EXPECT_TRUE(frame->MainMenu_Optionen_ToolbarDateiEinblenden->isChecked());
}

TEST_F(FrameTest, ToolsMenuStartsToolsWithTheDocumentPath)
{
    platform::RecordingProcessService processes;
    const platform::ScopedService<platform::ProcessService> installed(&processes);
    const QString tool = dir.write("werkzeug.sh", "#!/bin/sh\n");
    ::chmod(QFile::encodeName(tool).constData(), 0755);
    frame->AddTool("&Werkzeug", tool);
    frame->AddTool("-", "");
    EXPECT_TRUE(frame->MainMenu_Tools->menuAction()->isVisible());
    ASSERT_EQ(frame->toolItems().size(), 2);
    EXPECT_TRUE(frame->toolItems()[1]->isSeparator());
    EXPECT_EQ(frame->toolEntries()[0].name, QString("&Werkzeug"));
    EXPECT_EQ(frame->toolEntries()[0].command, tool);

    const QString doc = dir.write("mit blank.txt", "x");
    frame->OpenDocument(doc);
    frame->toolItems()[0]->trigger();
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_EQ(processes.started[0].program, tool);
    EXPECT_EQ(processes.started[0].arguments, (QStringList{doc}));  // one argument, blanks and all
    EXPECT_EQ(QDir::cleanPath(processes.started[0].workingDirectory), QDir::cleanPath(platform::directoryPart(tool)));

    newDocument();
    frame->toolItems()[0]->trigger();
    ASSERT_EQ(processes.started.size(), 2);
    EXPECT_TRUE(processes.started[1].arguments.isEmpty());

    frame->clearTools();
    EXPECT_TRUE(frame->toolItems().isEmpty());
    EXPECT_FALSE(frame->MainMenu_Tools->menuAction()->isVisible());
}

TEST_F(FrameTest, HelpOpensTheGuideFromTheFirstPlaceThatHasIt)
{
    const QString besideProgram = platform::programDir() + "Doc/Readme.txt";
    const bool hadDoc = QFile::exists(besideProgram);
    if (!hadDoc) {
        QDir().mkpath(platform::programDir() + "Doc");
        QFile f(besideProgram);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Hilfe\r\n");
    }
    {
        const CwdGuard cwd(dir.path());
        frame->MainMenu_Hilfe_Hilfethemen_OnClick();
        frame->MainMenu_Hilfe_Hilfethemen_OnClick();
        ASSERT_EQ(frame->documentCount(), 2);
        EXPECT_EQ(frame->documents()[0]->caption(), besideProgram);
        EXPECT_EQ(frame->documents()[1]->tag() + 1, frame->documents()[0]->tag());
        // One in the working directory wins.
        dir.write("Readme.txt", "hier");
        frame->MainMenu_Hilfe_Hilfethemen_OnClick();
        EXPECT_EQ(frame->activeDocument()->caption(), dir.file("Readme.txt"));
    }
    if (!hadDoc) {
        QFile::remove(besideProgram);
        QDir().rmdir(platform::programDir() + "Doc");
        const CwdGuard cwd(dir.path());
        QFile::remove(dir.file("Readme.txt"));
        fakes.messages.answers = {MsgResult::Ok};
    frame->MainMenu_Hilfe_Hilfethemen_OnClick();
        EXPECT_EQ(lastMessage().text, QString("Die angegebene Datei \"Readme.txt\" konnte nicht gefunden werden."));
        EXPECT_EQ(frame->documentCount(), 3);
    }
}

// Hints wake up after 500 ms and the tooltip shown for a toolbar button goes after 3500 ms:
// the duration every widget gets from the application's style, which the tooltip event
// hands to the tooltip.
TEST(AppStyle, HintPauseAndHidePause)
{
    TAppStyle style;
    EXPECT_EQ(style.styleHint(QStyle::SH_ToolTip_WakeUpDelay), 500);
    QToolBar bar;
    bar.setStyle(&style);
    QAction* neu = bar.addAction(QStringLiteral("Neu"));
    auto* button = qobject_cast<QToolButton*>(bar.widgetForAction(neu));
    ASSERT_NE(button, nullptr);
    button->setStyle(&style);
    QToolButton own;
    own.setStyle(&style);
    own.setToolTipDuration(1000);
    bar.show();
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    EXPECT_EQ(button->toolTipDuration(), 3500);
    EXPECT_EQ(own.toolTipDuration(), 1000);  // a time of its own stays

    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(button, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Neu"));
    QToolTip::hideText();
}

TEST_F(FrameTest, FilesOfTheFirstActivationEndAsIfOpenedOneByOne)
{
    QStringList paths;
    for (const char* name : {"eins.txt", "zwei.txt", "drei.txt", "vier.txt"})
        paths << dir.write(name, name);
    Globals::Settings().FirstActivation = true;
    frame->setCommandLine(paths);
    frame->OnActivate();
    QApplication::processEvents();
    // The last file is the active window, with its tab, its menus and the keyboard.
    ASSERT_EQ(frame->documentCount(), 4);
    TMainChildForm* last = frame->activeDocument();
    EXPECT_EQ(last->caption(), paths.last());
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), last->subWindow());
    EXPECT_TRUE(frame->pageCtrl()->isVisible());
    EXPECT_EQ(frame->pageCtrl()->count(), 4);
    EXPECT_EQ(frame->pageCtrl()->currentIndex(), 3);
    EXPECT_EQ(frame->pageCtrl()->tabText(0), QString("eins.txt"));
    EXPECT_TRUE(last->RichEdit->hasFocus());
    EXPECT_TRUE(frame->menuBar()->actions().contains(last->MainMenu_Bearbeiten->menuAction()));
    EXPECT_TRUE(frame->Button_Drucken->isEnabled());
    // Every window shows its file as its title.
    for (TMainChildForm* child : frame->documents()) {
        EXPECT_EQ(child->subWindow()->windowTitle(), child->caption());
        EXPECT_EQ(child->windowTitle(), child->caption());
    }
    // "&Nächstes" then goes to the file opened before the last.
    frame->MainMenu_Fenster_Naechstes_OnClick();
    EXPECT_EQ(frame->activeDocument()->caption(), paths[2]);
}

// A later start's request (single instance): its files open in the running frame as its own
// command line would, against the later start's folder, next to what is open already; one
// that comes before the frame's first activation waits for it.
TEST_F(FrameTest, AnotherStartsFilesOpenInTheRunningFrame)
{
    const QString a = dir.write("a.txt", "a");
    dir.write("anderswo/Brief 1.txt", "Brief");
    dir.write("anderswo/b.txt", "b");
    Globals::Settings().FirstActivation = true;
    frame->setCommandLine({a});
    frame->OpenForwardedStart({"token_TIME1", dir.file("anderswo"), {"b.txt"}});
    EXPECT_EQ(frame->documentCount(), 0);  // not before the first activation
    frame->OnActivate();
    QTRY_COMPARE_WITH_TIMEOUT(frame->documentCount(), 2, 30000);
    frame->OpenForwardedStart({"", dir.file("anderswo"), {"Brief", "1.txt", "fehlt.txt"}});
    EXPECT_EQ(captions(frame.get()),
              (QStringList{dir.file("anderswo/Brief 1.txt"), dir.file("anderswo/b.txt"), a}));
    EXPECT_FALSE(fakes.cursor.isBusy());
    EXPECT_EQ(shownCount(), 0);
}
