#include "tests/ui/framefixture.h"

#include "platform/atomicfile.h"
#include "platform/iniprofile.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

QStringList barTitles(TMainForm* frame)
{
    QStringList titles;
    for (QAction* action : frame->menuBar()->actions())
        if (action->isVisible())
            titles << action->text();
    return titles;
}

}  // namespace

TEST_F(FrameTest, EmptyAndOccupiedStates)
{
    EXPECT_FALSE(frame->pageCtrl()->isVisible());
    EXPECT_FALSE(frame->MainMenu_Fenster->menuAction()->isVisible());
    for (QAction* b : {frame->Button_Speichern, frame->Button_Drucken, frame->Button_Laengsteilen, frame->Button_Querteilen,
                       frame->Button_Ueberlappen, frame->Button_Suchen})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QAction* b : {frame->Button_Neu, frame->Button_Oeffnen, frame->Button_EinstellungenKonfigurieren, frame->Button_Infos})
        EXPECT_TRUE(b->isEnabled());
    EXPECT_EQ(barTitles(frame.get()), (QStringList{"&Datei", "&Optionen", "&Hilfe"}));

    TMainChildForm* child = newDocument();
    ASSERT_TRUE(child);
    EXPECT_TRUE(frame->pageCtrl()->isVisible());
    EXPECT_TRUE(frame->MainMenu_Fenster->menuAction()->isVisible());
    for (QAction* b : {frame->Button_Drucken, frame->Button_Einfuegen, frame->Button_NichtsMarkieren, frame->Button_AllesMarkieren,
                       frame->Button_Suchen, frame->Button_Weitersuchen, frame->Button_Laengsteilen})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(barTitles(frame.get()),
              (QStringList{"&Datei", "&Bearbeiten", "&Markierung", "&Suchen", "&Optionen", "&Fenster", "&Hilfe"}));
    EXPECT_EQ(child->caption(), QString("<Unbenannt>"));
    EXPECT_FALSE(child->StatusBar->simplePanel());
    EXPECT_TRUE(child->RichEdit->hasFocus());

    child->MainMenu_Datei_Schliessen_OnClick();
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_FALSE(frame->pageCtrl()->isVisible());
    EXPECT_FALSE(frame->MainMenu_Fenster->menuAction()->isVisible());
    EXPECT_FALSE(frame->Button_Drucken->isEnabled());
    EXPECT_EQ(barTitles(frame.get()), (QStringList{"&Datei", "&Optionen", "&Hilfe"}));
    EXPECT_EQ(shownCount(), 0);
}

TEST_F(FrameTest, DocumentNumbersAreNeverReused)
{
    TMainChildForm* first = openFile("a.txt", "Hallo\r\n");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->tag(), 1);
    EXPECT_EQ(frame->tabName(0), QString("Tab1"));
    EXPECT_EQ(frame->pageCtrl()->tabText(0), QString("a.txt"));
    EXPECT_EQ(first->caption(), dir.file("a.txt"));
    first->MainMenu_Datei_Schliessen_OnClick();
    QApplication::processEvents();
    TMainChildForm* second = newDocument();
    EXPECT_EQ(second->tag(), 2);
    EXPECT_EQ(frame->tabName(0), QString("Tab2"));
    EXPECT_EQ(frame->DocumentCounter(), 2);
}

TEST_F(FrameTest, SameFileTwiceGivesTwoWindows)
{
    const QString path = dir.write("a.txt", "x");
    frame->OpenDocument(path);
    frame->OpenDocument(path);
    QApplication::processEvents();
    ASSERT_EQ(frame->documentCount(), 2);
    EXPECT_EQ(frame->pageCtrl()->count(), 2);
    EXPECT_EQ(frame->pageCtrl()->tabText(0), frame->pageCtrl()->tabText(1));
    EXPECT_NE(frame->documents()[0]->tag(), frame->documents()[1]->tag());
}

TEST_F(FrameTest, MissingFileIsReportedAndOpensNothing)
{
    fakes.messages.answers = {MsgResult::Ok};
    frame->OpenDocument(dir.file("fehlt.txt"));
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Fehler:"));
    EXPECT_EQ(lastMessage().text, QString("Die angegebene Datei \"%1\" konnte nicht gefunden werden.").arg(dir.file("fehlt.txt")));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Error);
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_EQ(frame->DocumentCounter(), 0);
}

TEST_F(FrameTest, UnreadableFileLeavesNoWindowWithoutTab)
{
    const QString fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    fakes.messages.answers = {MsgResult::Ok};
    const bool reported = !platform::runGuarded([&] { frame->OpenDocument(fifo); });
    QApplication::processEvents();
    EXPECT_TRUE(reported);
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_EQ(frame->pageCtrl()->count(), 0);
    EXPECT_EQ(frame->DocumentCounter(), 0);
}

TEST_F(FrameTest, OpenDialogStartsAtTheActiveDocument)
{
    frame->MainMenu_Datei_Oeffnen_OnClick();  // no document: the program's folder
    ASSERT_EQ(fakes.dialogs.openRequests.size(), 1);
    EXPECT_EQ(fakes.dialogs.openRequests[0].initialDir, platform::programDir());
    EXPECT_EQ(fakes.dialogs.openRequests[0].fileName, QString());
    EXPECT_EQ(fakes.dialogs.openRequests[0].title, QString("Datei öffnen..."));
    EXPECT_EQ(fakes.dialogs.openRequests[0].filterIndex, 4);

    openFile("sub/b.txt", "b");
    frame->MainMenu_Datei_Oeffnen_OnClick();
    EXPECT_EQ(fakes.dialogs.openRequests[1].initialDir, dir.file("sub/"));
    EXPECT_EQ(fakes.dialogs.openRequests[1].fileName, QString("b.txt"));

    newDocument();
    fakes.dialogs.openAnswers.push_back(dir.file("sub/b.txt"));
    frame->MainMenu_Datei_Oeffnen_OnClick();
    EXPECT_EQ(fakes.dialogs.openRequests[2].initialDir, platform::programDir());
    EXPECT_EQ(frame->documentCount(), 3);
}

TEST_F(FrameTest, ClosePromptAnswers)
{
    TMainChildForm* child = openFile("a.txt", "alt");
    type(child, "X");
    ASSERT_TRUE(child->RichEdit->TextModified());

    fakes.messages.answers = {MsgResult::Cancel};
    child->MainMenu_Datei_Schliessen_OnClick();
    QApplication::processEvents();
    ASSERT_EQ(frame->documentCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Änderungen speichern ?"));
    EXPECT_EQ(lastMessage().text,
              QString("Datei \"%1\" wurde modifiziert.\rSollen die Änderungen gespeichert werden ?").arg(dir.file("a.txt")));
    EXPECT_EQ(lastMessage().buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(frame->pageCtrl()->isVisible());

    fakes.messages.answers = {MsgResult::Yes};
    child->MainMenu_Datei_Schliessen_OnClick();
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_EQ(TestDir::read(dir.file("a.txt")), QByteArray("Xalt"));

    TMainChildForm* other = openFile("b.txt", "b");
    type(other, "Y");
    fakes.messages.answers = {MsgResult::No};
    other->MainMenu_Datei_Schliessen_OnClick();
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_EQ(TestDir::read(dir.file("b.txt")), QByteArray("b"));
}

TEST_F(FrameTest, ClosingUntitledOrVanishedGoesThroughTheSaveDialog)
{
    TMainChildForm* untitled = newDocument();
    type(untitled, "neu");
    fakes.messages.answers = {MsgResult::Yes};
    untitled->MainMenu_Datei_Schliessen_OnClick();  // dialog cancelled
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 1);
    EXPECT_TRUE(untitled->RichEdit->TextModified());
    ASSERT_EQ(fakes.dialogs.saveRequests.size(), 1);
    EXPECT_EQ(fakes.dialogs.saveRequests[0].title, QString("Speichern unter..."));

    TMainChildForm* vanished = openFile("weg/c.txt", "c");
    type(vanished, "Z");
    QFile::remove(dir.file("weg/c.txt"));
    fakes.messages.answers = {MsgResult::Yes};
    fakes.dialogs.saveAnswers.push_back(dir.file("weg/c.txt"));
    vanished->MainMenu_Datei_Schliessen_OnClick();
    QApplication::processEvents();
    ASSERT_EQ(fakes.dialogs.saveRequests.size(), 2);
    EXPECT_EQ(fakes.dialogs.saveRequests[1].initialDir, dir.file("weg/"));
    EXPECT_EQ(fakes.dialogs.saveRequests[1].fileName, QString("c.txt"));
    EXPECT_EQ(TestDir::read(dir.file("weg/c.txt")), QByteArray("Zc"));
    EXPECT_EQ(frame->documentCount(), 1);
}

TEST_F(FrameTest, CloseAllWithCancelOnTheSecond)
{
    QList<TMainChildForm*> children;
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) {
        TMainChildForm* child = openFile(name, "x");
        type(child, "m");
        children << child;
    }
    // Prompts run from the least recently focused window to the active one.
    fakes.messages.answers = {MsgResult::No, MsgResult::Cancel, MsgResult::No};
    children.last()->MainMenu_Datei_AlleSchliessen_OnClick();
    QApplication::processEvents();
    ASSERT_EQ(shownCount(), 3);
    EXPECT_TRUE(fakes.messages.shown[0].text.contains("1.txt"));
    EXPECT_TRUE(fakes.messages.shown[1].text.contains("2.txt"));
    EXPECT_TRUE(fakes.messages.shown[2].text.contains("3.txt"));
    ASSERT_EQ(frame->documentCount(), 1);
    EXPECT_EQ(frame->documents()[0]->caption(), dir.file("2.txt"));
    EXPECT_EQ(frame->pageCtrl()->count(), 1);
}

// "Beenden" of a document window is the frame's exit: this window is asked once, as the
// first of all, and Cancel keeps everything running and the settings untouched.
TEST_F(FrameTest, BeendenWithCancelAsksOnceAndKeepsRunning)
{
    TMainChildForm* child = openFile("a.txt", "x");
    type(child, "m");
    const QByteArray ini = "[Save]\r\nAutoSaveOpenFiles=1\r\n";
    dir.write("VARNX.ini", ini);
    Globals::Settings().AutoSaveOpenFiles = true;
    fakes.messages.answers = {MsgResult::Cancel};
    child->MainMenu_Datei_Beenden_OnClick();
    QApplication::processEvents();
    EXPECT_EQ(shownCount(), 1);
    EXPECT_EQ(frame->documentCount(), 1);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(TestDir::read(dir.file("VARNX.ini")), ini);
}

// Chosen in the document window's own menu, "Beenden" leaves that menu alone while its
// command runs; the frame then closes and remembers every window that was open, the active
// one included.
TEST_F(FrameTest, BeendenFromTheDocumentMenuRemembersEveryWindow)
{
    const QString a = dir.write("a.txt", "a");
    const QString b = dir.write("b.txt", "b");
    frame->OpenDocument(a);
    frame->OpenDocument(b);
    QApplication::processEvents();
    TMainChildForm* active = frame->activeDocument();
    ASSERT_EQ(active->caption(), b);
    dir.write("VARNX.ini", "");
    Globals::Settings().AutoSaveOpenFiles = true;
    Globals::Settings().AutoSaveSettings = false;

    QMenu* datei = active->MainMenu_Datei;
    datei->popup(frame->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(datei));
    datei->setActiveAction(active->MainMenu_Datei_Beenden);
    QTest::keyClick(datei, Qt::Key_Return);
    // Nothing has closed inside the menu's own command.
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->documentCount(), 2);

    QApplication::processEvents();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(shownCount(), 0);
    platform::FileIniProfileService profile;
    const QString ini = dir.file("VARNX.ini");
    EXPECT_EQ(profile.readSectionKeys(ini, "OpenFiles"), (QStringList{"1", "2"}));
    EXPECT_EQ(profile.readString(ini, "OpenFiles", "1", ""), b);
    EXPECT_EQ(profile.readString(ini, "OpenFiles", "2", ""), a);
}

// A settings file that cannot be written keeps the frame open at the first close and is
// reported; the second close reports it again and ends the program all the same. Every
// document window is asked before each attempt, so nothing is lost.
TEST_F(FrameTest, SecondFailedSettingsWriteStillQuits)
{
    TMainChildForm* child = openFile("a.txt", "a");
    type(child, "1");
    QDir(dir.path()).mkdir("VARNX.ini");  // a folder where the file should be
    Globals::Settings().AutoSaveSettings = true;
    const QString report = "nach " + dir.file("VARNX.ini") + " kann nicht geschrieben werden.";

    fakes.messages.answers = {MsgResult::No, MsgResult::Ok};
    EXPECT_FALSE(frame->close());
    QApplication::processEvents();
    ASSERT_EQ(shownCount(), 2);
    EXPECT_EQ(fakes.messages.shown[0].caption, QString("Änderungen speichern ?"));
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_EQ(lastMessage().text, report);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->documentCount(), 1);
    // The window that stays shows itself as before the question: its tab, its modified
    // state and the buttons of an open document.
    EXPECT_TRUE(frame->pageCtrl()->isVisible());
    EXPECT_EQ(child->StatusBar->panelText(1), QString("Modifiziert"));
    EXPECT_TRUE(frame->Button_Speichern->isEnabled());
    EXPECT_TRUE(frame->Button_Rueckgaengig->isEnabled());
    EXPECT_TRUE(frame->Button_Suchen->isEnabled());

    // Cancel in the close prompt: no write is tried, so this is no second failure.
    fakes.messages.answers = {MsgResult::Cancel};
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(shownCount(), 3);
    EXPECT_TRUE(frame->isVisible());

    fakes.messages.answers = {MsgResult::No, MsgResult::Ok};
    EXPECT_TRUE(frame->close());
    QApplication::processEvents();
    ASSERT_EQ(shownCount(), 5);
    EXPECT_EQ(fakes.messages.shown[3].caption, QString("Änderungen speichern ?"));
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_EQ(lastMessage().text, report);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(TestDir::read(dir.file("a.txt")), QByteArray("a"));
}

TEST_F(FrameTest, FrameCloseWithCancelOnSecondLeavesEverythingAsItWas)
{
    TMainChildForm* a = openFile("a.txt", "a");
    type(a, "1");
    TMainChildForm* b = openFile("b.txt", "b");
    type(b, "2");
    const QByteArray ini = "[MainWindow]\r\nWidth=10\r\n";
    dir.write("VARNX.ini", ini);
    Globals::Settings().AutoSaveOpenFiles = true;
    fakes.messages.answers = {MsgResult::No, MsgResult::Cancel};
    frame->close();
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 2);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(TestDir::read(dir.file("VARNX.ini")), ini);
    // Most recently focused first: b was asked first.
    EXPECT_TRUE(fakes.messages.shown[0].text.contains("b.txt"));
}

TEST_F(FrameTest, TilingGeometries)
{
    newDocument();
    newDocument();
    const QRect area = frame->mdiArea()->viewport()->rect();
    frame->MainMenu_Fenster_Laengsteilen_OnClick();
    QList<QMdiSubWindow*> subs = frame->mdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 2);
    for (QMdiSubWindow* sub : subs) {
        EXPECT_EQ(sub->geometry().width(), area.width());
        EXPECT_NEAR(sub->geometry().height(), area.height() / 2, 1);
    }
    newDocument();
    frame->MainMenu_Fenster_Querteilen_OnClick();
    subs = frame->mdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 3);
    QList<int> lefts;
    for (QMdiSubWindow* sub : subs) {
        EXPECT_EQ(sub->geometry().height(), area.height());
        EXPECT_NEAR(sub->geometry().width(), area.width() / 3, 1);
        lefts << sub->geometry().left();
    }
    std::sort(lefts.begin(), lefts.end());
    EXPECT_EQ(lefts[0], 0);
    EXPECT_NEAR(lefts[1], area.width() / 3, 1);
    // The active window comes first.
    EXPECT_EQ(frame->activeDocument()->subWindow()->geometry().left(), 0);
}

TEST_F(FrameTest, NextAndPreviousFollowTheWindowStack)
{
    TMainChildForm* a = newDocument();
    TMainChildForm* b = newDocument();
    TMainChildForm* c = newDocument();
    ASSERT_EQ(frame->documents(), (QList<TMainChildForm*>{c, b, a}));
    frame->MainMenu_Fenster_Naechstes_OnClick();
    QApplication::processEvents();
    EXPECT_EQ(frame->documents(), (QList<TMainChildForm*>{b, a, c}));
    frame->MainMenu_Fenster_Vorheriges_OnClick();
    QApplication::processEvents();
    EXPECT_EQ(frame->documents(), (QList<TMainChildForm*>{c, b, a}));
    EXPECT_EQ(frame->pageCtrl()->currentIndex(), frame->tabIndexOf(c->tag()));
}

TEST_F(FrameTest, TabSelectionActivatesItsWindow)
{
    TMainChildForm* a = newDocument();
    newDocument();
    // A left click in the middle of its tab, as a user picks it.
    QTabBar* tabs = frame->pageCtrl();
    const QRect tab = tabs->tabRect(frame->tabIndexOf(a->tag()));
    ASSERT_TRUE(tab.isValid());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tab.center());
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), a);
    EXPECT_TRUE(a->RichEdit->hasFocus());
}
