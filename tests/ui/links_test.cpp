#include "tests/ui/framefixture.h"

#include "platform/process.h"
#include "platform/registry.h"

#include <QMenu>

using platform::MsgResult;

TEST_F(FrameTest, ClickedLinkGoesToTheBrowserAsOneArgument)
{
    platform::MapRegistry registry;
    platform::RecordingProcessService processes;
    const platform::ScopedService<platform::RegistryService> r(&registry);
    const platform::ScopedService<platform::ProcessService> p(&processes);
    registry.set(".HTML", "htmlfile");
    registry.set("htmlfile\\shell\\open\\command", "/bin/true %u");
    TMainChildForm* child = openFile("links.txt", "Siehe http://www.beispiel.de/a?b=1;c=$(x) bitte\r\n");
    EXPECT_EQ(child->RichEdit->AutoURLDetect(), adDefault);
    const QString url = "http://www.beispiel.de/a?b=1;c=$(x)";
    emit child->RichEdit->OnURLClick(url);
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_EQ(processes.started[0].program, QString("/bin/true"));
    EXPECT_EQ(processes.started[0].arguments, QStringList{url});
    EXPECT_EQ(shownCount(), 0);
}

TEST_F(FrameTest, NoBrowserAsksBeforeHandingTheLinkToTheDesktop)
{
    platform::MapRegistry registry;
    platform::RecordingProcessService processes;
    const platform::ScopedService<platform::RegistryService> r(&registry);
    const platform::ScopedService<platform::ProcessService> p(&processes);
    TMainChildForm* child = newDocument();
    fakes.messages.answers = {MsgResult::Cancel, MsgResult::Ok};
    emit child->RichEdit->OnURLClick("http://example.org");
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Fehler: Browser nicht gefunden..."));
    EXPECT_EQ(lastMessage().text,
              QString("In ihrem System konnte kein Web-Browser gefunden werden.\rDenoch versuchen die Url auszuführen ?"));
    EXPECT_TRUE(processes.started.isEmpty());
    EXPECT_TRUE(processes.opened.isEmpty());
    emit child->RichEdit->OnURLClick("http://example.org");
    ASSERT_EQ(processes.opened.size(), 1);
    EXPECT_EQ(processes.opened[0].toString(), QString("http://example.org"));
}

TEST_F(FrameTest, LinkDetectionFollowsTheSetting)
{
    Globals::Settings().AutoUrlDetection = false;
    Globals::Settings().ShowMarkbar = false;
    TMainChildForm* off = newDocument();
    EXPECT_EQ(off->RichEdit->AutoURLDetect(), adNone);
    EXPECT_FALSE(off->RichEdit->ShowSelectionBar());
    frame->applyViewSettings(true, true);
    EXPECT_EQ(off->RichEdit->AutoURLDetect(), adDefault);
    EXPECT_TRUE(off->RichEdit->ShowSelectionBar());
}

TEST_F(FrameTest, WindowMenuListsTheDocuments)
{
    TMainChildForm* a = openFile("a.txt", "a");
    newDocument();
    emit frame->MainMenu_Fenster->aboutToShow();
    QStringList entries;
    QAction* first = nullptr;
    for (QAction* action : frame->MainMenu_Fenster->actions())
        if (action->isCheckable()) {
            entries << action->text() + (action->isChecked() ? "*" : "");
            if (!first)
                first = action;
        }
    EXPECT_EQ(entries, (QStringList{"&1 " + dir.file("a.txt"), "&2 <Unbenannt>*"}));
    ASSERT_TRUE(first);
    first->trigger();
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), a);
}
