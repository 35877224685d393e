#include "tests/ui/framefixture.h"
#include "tests/support/guards.h"

#include "platform/atomicfile.h"
#include "platform/process.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <new>
#include <stdexcept>
#include <unistd.h>
#include <sys/stat.h>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST_F(FrameTest, SaveMarksTheDocumentSaved)
{
    TMainChildForm* child = openFile("a.txt", "eins\r\nzwei\r\n");
    EXPECT_FALSE(frame->Button_Speichern->isEnabled());
    type(child, "X");
    EXPECT_TRUE(frame->Button_Speichern->isEnabled());
    EXPECT_TRUE(child->MainMenu_Datei_Speichern->isEnabled());
    EXPECT_EQ(panel(child, 1), QString("Modifiziert"));
    frame->Button_Speichern->trigger();
    EXPECT_EQ(TestDir::read(dir.file("a.txt")), QByteArray("Xeins\r\nzwei\r\n"));
    EXPECT_FALSE(child->RichEdit->TextModified());
    EXPECT_FALSE(frame->Button_Speichern->isEnabled());
    EXPECT_FALSE(child->MainMenu_Datei_Speichern->isEnabled());
    EXPECT_EQ(panel(child, 1), QString("Gesichert"));
    EXPECT_FALSE(child->StatusBar->simplePanel());
    EXPECT_FALSE(fakes.cursor.isBusy());
    EXPECT_EQ(shownCount(), 0);
}

TEST_F(FrameTest, SaveAsRenamesCaptionAndTab)
{
    TMainChildForm* child = newDocument();
    type(child, "Text");
    fakes.dialogs.saveAnswers.push_back(dir.file("neu.txt"));
    child->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(child->caption(), dir.file("neu.txt"));
    EXPECT_EQ(frame->pageCtrl()->tabText(frame->tabIndexOf(child->tag())), QString("neu.txt"));
    EXPECT_EQ(TestDir::read(dir.file("neu.txt")), QByteArray("Text"));
    ASSERT_EQ(fakes.dialogs.saveRequests.size(), 1);
    EXPECT_EQ(fakes.dialogs.saveRequests[0].filterIndex, 4);

    // Saving under the same name leaves caption and tab alone; the dialog remembers its folder.
    TMainChildForm* second = newDocument();
    type(second, "zwei");
    second->MainMenu_Datei_SpeichernUnter_OnClick();  // cancelled
    ASSERT_EQ(fakes.dialogs.saveRequests.size(), 2);
    EXPECT_EQ(QDir(fakes.dialogs.saveRequests[1].initialDir).absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(fakes.dialogs.saveRequests[1].fileName, QString("neu.txt"));
    EXPECT_TRUE(second->RichEdit->TextModified());
}

TEST_F(FrameTest, ReadOnlyFileQuestion)
{
    TMainChildForm* child = openFile("ro.txt", "alt");
    type(child, "neu ");
    const QString path = dir.file("ro.txt");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);

    fakes.messages.answers = {MsgResult::Cancel};
    EXPECT_FALSE(child->SaveDocument(path));
    EXPECT_EQ(lastMessage().caption, QString("Datei ist schreibgeschützt..."));
    EXPECT_EQ(lastMessage().text, QString("Die angegebene Datei \"%1\" ist schreibgeschützt.\r"
                                          "Dateiattribut entfernen und dann überschreiben ?").arg(path));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Question);
    EXPECT_EQ(TestDir::read(path), QByteArray("alt"));

    fakes.messages.answers = {MsgResult::No};
    EXPECT_FALSE(child->SaveDocument(path));  // the save dialog was cancelled
    ASSERT_EQ(fakes.dialogs.saveRequests.size(), 1);
    EXPECT_EQ(fakes.dialogs.saveRequests[0].fileName, QString("ro.txt"));

    fakes.messages.answers = {MsgResult::Yes};
    EXPECT_TRUE(child->SaveDocument(path));
    EXPECT_EQ(modeOf(path), mode_t(0644));  // only the owner write bit was added
    EXPECT_EQ(TestDir::read(path), QByteArray("neu alt"));
}

TEST_F(FrameTest, SaveIntoAMissingFolderCannotCreate)
{
    TMainChildForm* child = newDocument();
    type(child, "x");
    const QString target = dir.file("fehlt/x.txt");
    fakes.messages.answers = {MsgResult::Ok};
    EXPECT_FALSE(child->SaveDocument(target));
    EXPECT_EQ(lastMessage().caption, QString("Fehler: Speichern fehlgeschlagen..."));
    // The message says why.
    EXPECT_EQ(lastMessage().text,
              QString("Die Datei \"%1\" konnte nicht erstellt werden.\rDer Ordner existiert nicht.").arg(target));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Error);
    EXPECT_TRUE(child->RichEdit->TextModified());
    EXPECT_EQ(child->caption(), QString("<Unbenannt>"));
    EXPECT_FALSE(child->StatusBar->simplePanel());
}

TEST_F(FrameTest, SaveOntoADirectoryCannotWrite)
{
    TMainChildForm* child = newDocument();
    type(child, "x");
    QDir(dir.path()).mkdir("ordner");
    // A directory is no existing file, so the "cannot create" text applies.
    fakes.messages.answers = {MsgResult::Ok, MsgResult::Ok};
    EXPECT_FALSE(child->SaveDocument(dir.file("ordner")));
    EXPECT_EQ(lastMessage().text,
              QString("Die Datei \"%1\" konnte nicht erstellt werden.\rUnter diesem Namen gibt es einen Ordner.")
                  .arg(dir.file("ordner")));
    EXPECT_TRUE(child->RichEdit->TextModified());

    // Below a file, where a folder should be.
    const QString below = dir.write("datei.txt", "alt") + "/x.txt";
    EXPECT_FALSE(child->SaveDocument(below));
    EXPECT_EQ(lastMessage().text,
              QString("Die Datei \"%1\" konnte nicht erstellt werden.\rEin Teil des Pfades ist kein Ordner.").arg(below));
    EXPECT_EQ(TestDir::read(dir.file("datei.txt")), "alt");
}

TEST_F(FrameTest, FailedWriteKeepsOldContentAndModifiedState)
{
    TMainChildForm* child = openFile("a.txt", "alter Inhalt\r\n");
    type(child, "X");
    platform::setWriteFaultHook([](const QString&) { return ENOSPC; });
    fakes.messages.answers = {MsgResult::Ok};
    const bool saved = child->SaveDocument(dir.file("a.txt"));
    platform::setWriteFaultHook({});
    EXPECT_FALSE(saved);
    EXPECT_EQ(TestDir::read(dir.file("a.txt")), QByteArray("alter Inhalt\r\n"));
    EXPECT_TRUE(child->RichEdit->TextModified());
    EXPECT_TRUE(frame->Button_Speichern->isEnabled());
    EXPECT_EQ(panel(child, 1), QString("Modifiziert"));
    ASSERT_GE(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Error);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.txt"});

    // The close prompt's Yes then keeps the window open.
    platform::setWriteFaultHook([](const QString&) { return ENOSPC; });
    fakes.messages.answers = {MsgResult::Yes, MsgResult::Ok};
    child->MainMenu_Datei_Schliessen_OnClick();
    platform::setWriteFaultHook({});
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 1);
}

TEST_F(FrameTest, FailedWriteOfANewFileLeavesNothingBehind)
{
    TMainChildForm* child = newDocument();
    type(child, "x");
    platform::setWriteFaultHook([](const QString&) { return ENOSPC; });
    fakes.messages.answers = {MsgResult::Ok};
    EXPECT_FALSE(child->SaveDocument(dir.file("neu.txt")));
    platform::setWriteFaultHook({});
    EXPECT_FALSE(QFile::exists(dir.file("neu.txt")));
    EXPECT_EQ(child->caption(), QString("<Unbenannt>"));
}

namespace {

// Runs a test body with the working directory set to a folder, and restores it.

// A save dialog that fails with an error that is none of the program's own.
class FailingFileDialogs : public ScriptedFileDialogs {
public:
    QString getSaveFileName(const platform::FileDialogRequest&) override { throw std::runtime_error("Dialog kaputt"); }
};

}  // namespace

TEST_F(FrameTest, UntitledDocumentNeverUsesAFileOfThatName)
{
    const CwdGuard cwd(dir.path());
    const QString stranger = dir.write("<Unbenannt>", "fremd");
    platform::RecordingProcessService processes;
    const platform::ScopedService<platform::ProcessService> installed(&processes);
    const QString tool = dir.write("werkzeug.sh", "#!/bin/sh\n");
    ::chmod(QFile::encodeName(tool).constData(), 0755);
    frame->AddTool("&Werkzeug", tool);

    TMainChildForm* child = newDocument();
    type(child, "Text");
    // "&Speichern" and the close prompt's Yes go through the save dialog (cancelled here).
    frame->Button_Speichern->trigger();
    EXPECT_EQ(fakes.dialogs.saveRequests.size(), 1);
    fakes.messages.answers = {MsgResult::Yes};
    child->MainMenu_Datei_Schliessen->trigger();
    QApplication::processEvents();
    EXPECT_EQ(fakes.dialogs.saveRequests.size(), 2);
    EXPECT_EQ(frame->documentCount(), 1);
    // The open dialog starts beside the program, the tool gets no parameter.
    frame->MainMenu_Datei_Oeffnen_OnClick();
    ASSERT_EQ(fakes.dialogs.openRequests.size(), 1);
    EXPECT_EQ(fakes.dialogs.openRequests[0].initialDir, platform::directoryPart(platform::programDir()));
    frame->toolItems()[0]->trigger();
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_TRUE(processes.started[0].arguments.isEmpty());
    EXPECT_EQ(TestDir::read(stranger), QByteArray("fremd"));
    EXPECT_TRUE(child->RichEdit->TextModified());
}

TEST_F(FrameTest, AnySaveErrorIsReportedOnceTheBusyDisplayHasGone)
{
    QList<bool> busyWhenShown;
    fakes.messages.onShow = [&](const ShownMessage&) {
        TMainChildForm* active = frame->activeDocument();
        busyWhenShown.append(fakes.cursor.isBusy() || (active && active->StatusBar->simplePanel()));
    };
    TMainChildForm* child = openFile("a.txt", "alter Inhalt\r\n");
    type(child, "X");

    // Memory runs out while the text is written: the general error report, old bytes kept.
    platform::setWriteStepHook([](platform::WriteStep, const QString&) -> int { throw std::bad_alloc(); });
    fakes.messages.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::Ok};
    EXPECT_FALSE(child->SaveDocument(dir.file("a.txt")));
    // A first save through a dangling link: only the file the probe made goes again.
    const QString link = dir.file("verweis.txt");
    ASSERT_EQ(::symlink("ziel.txt", QFile::encodeName(link).constData()), 0);
    EXPECT_FALSE(child->SaveDocument(link));
    platform::setWriteStepHook({});
    ASSERT_EQ(shownCount(), 2);
    EXPECT_EQ(fakes.messages.shown[0].caption, QString("VARNX"));
    EXPECT_EQ(fakes.messages.shown[0].text, QString("Zu wenig Arbeitsspeicher."));
    EXPECT_EQ(TestDir::read(dir.file("a.txt")), QByteArray("alter Inhalt\r\n"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFile::exists(dir.file("ziel.txt")));
    EXPECT_TRUE(child->RichEdit->TextModified());
    EXPECT_EQ(child->caption(), dir.file("a.txt"));

    // The probe's own message too.
    EXPECT_FALSE(child->SaveDocument(dir.file("fehlt/x.txt")));
    EXPECT_EQ(lastMessage().caption, QString("Fehler: Speichern fehlgeschlagen..."));
    EXPECT_EQ(busyWhenShown, QList<bool>({false, false, false}));
    EXPECT_FALSE(fakes.cursor.isBusy());
}

TEST_F(FrameTest, ForeignExceptionInACloseQueryStopsTheClose)
{
    FailingFileDialogs dialogs;
    const platform::ScopedService<platform::FileDialogService> installed(&dialogs);
    TMainChildForm* first = openFile("a.txt", "a");
    TMainChildForm* untitled = newDocument();
    type(untitled, "neu");
    type(first, "b");

    // Closing the program: the first prompt's Yes saves a.txt, the second's Yes fails in the
    // save dialog. The close stops, every window and text stays.
    fakes.messages.answers = {MsgResult::Yes, MsgResult::Yes, MsgResult::Ok};
    frame->close();
    QApplication::processEvents();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->documentCount(), 2);
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_EQ(lastMessage().text, QString("Dialog kaputt."));
    EXPECT_TRUE(untitled->RichEdit->TextModified());
    EXPECT_EQ(untitled->RichEdit->Lines().LineText(0), QByteArray("neu"));

    // The window's own close the same way.
    fakes.messages.answers = {MsgResult::Yes, MsgResult::Ok};
    untitled->MainMenu_Datei_Schliessen->trigger();
    QApplication::processEvents();
    EXPECT_EQ(frame->documentCount(), 2);
    EXPECT_EQ(lastMessage().text, QString("Dialog kaputt."));
}
