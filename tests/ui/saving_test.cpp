#include "tests/ui/framefixture.h"

#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
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
    EXPECT_FALSE(child->SaveDocument(target));
    EXPECT_EQ(lastMessage().caption, QString("Fehler: Speichern fehlgeschlagen..."));
    EXPECT_EQ(lastMessage().text, QString("Die Datei \"%1\" konnte nicht erstellt werden.").arg(target));
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
    EXPECT_FALSE(child->SaveDocument(dir.file("ordner")));
    EXPECT_EQ(lastMessage().text, QString("Die Datei \"%1\" konnte nicht erstellt werden.").arg(dir.file("ordner")));
    EXPECT_TRUE(child->RichEdit->TextModified());
}

TEST_F(FrameTest, FailedWriteKeepsOldContentAndModifiedState)
{
    TMainChildForm* child = openFile("a.txt", "alter Inhalt\r\n");
    type(child, "X");
    platform::setWriteFaultHook([](const QString&) { return ENOSPC; });
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
    fakes.messages.answers = {MsgResult::Yes};
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
    EXPECT_FALSE(child->SaveDocument(dir.file("neu.txt")));
    platform::setWriteFaultHook({});
    EXPECT_FALSE(QFile::exists(dir.file("neu.txt")));
    EXPECT_EQ(child->caption(), QString("<Unbenannt>"));
}
