#include "tests/ui/framefixture.h"

#include "document/outsidechange.h"
#include "platform/atomicfile.h"
#include "tests/support/tempdir.h"

#include <QFile>
#include <cerrno>
#include <unistd.h>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

// Another program writes a new file and renames it over the old one.
void replaceOutside(const QString& path, const QByteArray& bytes)
{
    const QString temporary = path + QStringLiteral(".neu");
    QFile file(temporary);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    ASSERT_EQ(::rename(nativeName(temporary).constData(), nativeName(path).constData()), 0);
}

const QString kChanged = QStringLiteral("Datei geändert");

}  // namespace

class OutsideChangeTest : public FrameTest {
public:
    // What the user meets on coming back to the program.
    void comeBack()
    {
        frame->checkDocumentFiles();
        QApplication::processEvents();
    }
};

TEST(OutsideChangeTexts, AsTheUserReadsThem)
{
    EXPECT_EQ(outsideChangeText(OutsideChange::Changed, "/t/d.txt", false),
              QString("Die Datei \"/t/d.txt\" wurde außerhalb von Varnotex geändert.\rNeu laden ?"));
    EXPECT_EQ(outsideChangeText(OutsideChange::Changed, "/t/d.txt", true),
              QString("Die Datei \"/t/d.txt\" wurde außerhalb von Varnotex geändert.\r"
                      "Ihre Änderungen in Varnotex sind noch nicht gespeichert.\rNeu laden ?"));
    EXPECT_EQ(outsideChangeText(OutsideChange::Vanished, "/t/d.txt", true),
              QString("Die Datei \"/t/d.txt\" ist nicht mehr vorhanden.\r"
                      "Der Text bleibt geöffnet; beim Schließen wird das Speichern angeboten."));
    EXPECT_EQ(outsideChangeCaption(OutsideChange::Vanished), QString("Datei nicht mehr vorhanden"));
    EXPECT_EQ(overwriteQuestionText("/t/d.txt"),
              QString("Die Datei \"/t/d.txt\" wurde seit dem Laden von einem anderen Programm geändert.\r"
                      "Trotzdem überschreiben ?"));
}

TEST_F(OutsideChangeTest, AppendThenSaveAsksAndNoWritesNothingAndKeepsTheClosePrompt)
{
    TMainChildForm* child = openFile("d.txt", "eins\r\n");
    const QString path = child->caption();
    type(child, "X");
    TestDir::append(path, "von außen\r\n");

    fakes.messages.answers = {MsgResult::No};
    clickMenuItem(child->MainMenu_Datei, child->MainMenu_Datei_Speichern);
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, kChanged);
    EXPECT_EQ(lastMessage().text, overwriteQuestionText(path));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Question);
    EXPECT_EQ(lastMessage().buttons, MsgButtons::YesNo);
    EXPECT_EQ(lastMessage().defaultButton, MsgResult::No);
    EXPECT_EQ(TestDir::read(path), QByteArray("eins\r\nvon außen\r\n")) << "Nein writes nothing";
    EXPECT_TRUE(child->RichEdit->TextModified());
    EXPECT_EQ(panel(child, 1), QString("Modifiziert"));

    // Coming back to the program asks nothing more about the change already told.
    comeBack();
    EXPECT_EQ(shownCount(), 1);

    // The close prompt still comes; its Ja asks again, and Nein there refuses the close.
    fakes.messages.answers = {MsgResult::Yes, MsgResult::No};
    EXPECT_FALSE(frame->queryCloseDocuments());
    ASSERT_EQ(shownCount(), 3);
    EXPECT_EQ(fakes.messages.shown[1].caption, QString("Änderungen speichern ?"));
    EXPECT_EQ(fakes.messages.shown[2].caption, kChanged);
    EXPECT_EQ(frame->documentCount(), 1);
    EXPECT_EQ(TestDir::read(path), QByteArray("eins\r\nvon außen\r\n"));

    // Ja overwrites.
    fakes.messages.answers = {MsgResult::Yes};
    child->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(TestDir::read(path), QByteArray("Xeins\r\n"));
    EXPECT_FALSE(child->RichEdit->TextModified());
    fakes.messages.answers.clear();
    child->MainMenu_Datei_Speichern_OnClick();  // disabled for the user; writes without asking
    EXPECT_EQ(shownCount(), 4);
}

TEST_F(OutsideChangeTest, ReloadIsOneUndoStepAndKeepsTheCaretLine)
{
    TMainChildForm* child = openFile("d.txt", "eins\r\nzwei\r\ndrei\r\n");
    const QString path = child->caption();
    child->RichEdit->setCaretLine(2);
    replaceOutside(path, "EINS\nZWEI\nDREI\nVIER\n");

    fakes.messages.answers = {MsgResult::Yes};
    comeBack();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, kChanged);
    EXPECT_EQ(lastMessage().text, outsideChangeText(OutsideChange::Changed, path, false));
    EXPECT_EQ(lastMessage().defaultButton, std::nullopt) << "Ja is the default for an unmodified text";
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("EINS\rZWEI\rDREI\rVIER\r"));
    EXPECT_FALSE(child->RichEdit->TextModified());
    EXPECT_EQ(panel(child, 1), QString("Gesichert"));
    EXPECT_EQ(child->RichEdit->CaretLine(), 2);

    // The reload is known as our own: no question again, and a save asks nothing.
    comeBack();
    EXPECT_EQ(shownCount(), 1);
    type(child, "+");
    child->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(TestDir::read(path), QByteArray("EINS\nZWEI\n+DREI\nVIER\n")) << "the new text with its own breaks";

    // Two steps back: the typing, then the reload, which brings the old text back modified.
    clickMenuItem(child->MainMenu_Bearbeiten, child->MainMenu_Bearbeiten_Rueckgaengig);
    clickMenuItem(child->MainMenu_Bearbeiten, child->MainMenu_Bearbeiten_Rueckgaengig);
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("eins\rzwei\rdrei\r"));
    EXPECT_TRUE(child->RichEdit->TextModified());
    EXPECT_EQ(panel(child, 1), QString("Modifiziert"));
    EXPECT_EQ(shownCount(), 1);
}

TEST_F(OutsideChangeTest, ReloadAcrossEncodingsUndoesByteForByte)
{
    // A Windows-1252 text replaced by a UTF-8 one; undo brings back the 1252 bytes exactly.
    TMainChildForm* child = openFile("d.txt", "Gr\xfc\xdf" "e\r\nzwei\n");
    const QString path = child->caption();
    replaceOutside(path, "Grüße aus Łódź\r\n");
    fakes.messages.answers = {MsgResult::Yes};
    comeBack();
    EXPECT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    EXPECT_EQ(child->RichEdit->Lines().TextLength(), 15);
    child->MainMenu_Bearbeiten_Rueckgaengig_OnClick();
    EXPECT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    child->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(TestDir::read(path), QByteArray("Gr\xfc\xdf" "e\r\nzwei\n"));
    child->MainMenu_Bearbeiten_Wiederherstellen_OnClick();
    EXPECT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("Grüße aus Łódź\r"));
}

TEST_F(OutsideChangeTest, ModifiedTextIsKeptOnNoAndTheNextSaveAsks)
{
    TMainChildForm* child = openFile("d.txt", "eins\r\n");
    const QString path = child->caption();
    type(child, "mein ");
    TestDir::append(path, "fremd\r\n");
    fakes.messages.answers = {MsgResult::No};
    comeBack();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().text, outsideChangeText(OutsideChange::Changed, path, true));
    EXPECT_EQ(lastMessage().defaultButton, MsgResult::No);
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("mein eins\r"));
    comeBack();
    EXPECT_EQ(shownCount(), 1) << "one question per change";

    // A further change is a new one.
    TestDir::append(path, "noch mehr\r\n");
    fakes.messages.answers = {MsgResult::No};
    comeBack();
    EXPECT_EQ(shownCount(), 2);

    fakes.messages.answers = {MsgResult::No};
    child->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(lastMessage().text, overwriteQuestionText(path));
    EXPECT_EQ(TestDir::read(path), QByteArray("eins\r\nfremd\r\nnoch mehr\r\n"));
}

TEST_F(OutsideChangeTest, DeletedFileIsToldAndTheClosePromptWritesItBack)
{
    TMainChildForm* child = openFile("d.txt", "eins\r\n");
    const QString path = child->caption();
    ASSERT_EQ(::unlink(nativeName(path).constData()), 0);
    fakes.messages.answers = {MsgResult::Ok};
    comeBack();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Datei nicht mehr vorhanden"));
    EXPECT_EQ(lastMessage().text, outsideChangeText(OutsideChange::Vanished, path, false));
    EXPECT_EQ(lastMessage().buttons, MsgButtons::Ok);
    EXPECT_TRUE(child->RichEdit->TextModified());
    EXPECT_EQ(panel(child, 1), QString("Modifiziert"));
    comeBack();
    EXPECT_EQ(shownCount(), 1);

    fakes.messages.answers = {MsgResult::Yes};
    EXPECT_TRUE(frame->queryCloseDocuments());
    EXPECT_EQ(fakes.messages.shown[1].caption, QString("Änderungen speichern ?"));
    EXPECT_TRUE(fakes.dialogs.saveRequests.isEmpty()) << "written under its name, no dialog";
    EXPECT_EQ(TestDir::read(path), QByteArray("eins\r\n"));
}

TEST_F(OutsideChangeTest, AFileThatComesBackIsComparedAgain)
{
    TMainChildForm* child = openFile("d.txt", "eins\r\n");
    const QString path = child->caption();
    ASSERT_EQ(::unlink(nativeName(path).constData()), 0);
    fakes.messages.answers = {MsgResult::Ok};
    comeBack();
    dir.write("d.txt", "zurück\r\n");
    fakes.messages.answers = {MsgResult::Yes};
    comeBack();
    ASSERT_EQ(shownCount(), 2);
    EXPECT_EQ(lastMessage().text, outsideChangeText(OutsideChange::Changed, path, true));
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("zurück\r"));
    EXPECT_FALSE(child->RichEdit->TextModified());
}

TEST_F(OutsideChangeTest, OneFileInTwoWindowsAndSaveAsOntoAnOpenFile)
{
    TMainChildForm* first = openFile("d.txt", "eins\r\n");
    const QString path = first->caption();
    frame->OpenDocument(path);
    QApplication::processEvents();
    TMainChildForm* second = frame->activeDocument();
    ASSERT_NE(first, second);

    type(second, "B");
    second->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(shownCount(), 0) << "the window that saved is not asked";

    // The first window is told on the way; its text is unmodified, so Ja reloads it.
    fakes.messages.answers = {MsgResult::Yes};
    QApplication::processEvents();
    comeBack();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().text, outsideChangeText(OutsideChange::Changed, path, false));
    EXPECT_EQ(first->RichEdit->Lines().Text(), QByteArray("Beins\r"));
    EXPECT_EQ(frame->activeDocument(), second) << "the window the user was in stays the active one";

    // Both typed on: the second save asks before it writes over the first one's.
    type(first, "A");
    first->MainMenu_Datei_Speichern_OnClick();
    fakes.messages.answers = {MsgResult::No, MsgResult::No};
    type(second, "C");
    comeBack();
    second->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(lastMessage().text, overwriteQuestionText(path));
    EXPECT_EQ(TestDir::read(path), QByteArray("ABeins\r\n"));

    // Speichern unter onto another open window's file asks nothing; that window is told.
    TMainChildForm* third = openFile("e.txt", "drei\r\n");
    fakes.dialogs.saveAnswers.push_back(path);
    const int before = shownCount();
    fakes.messages.answers = {MsgResult::No, MsgResult::No};
    third->MainMenu_Datei_SpeichernUnter_OnClick();
    QApplication::processEvents();
    comeBack();
    EXPECT_EQ(TestDir::read(path), QByteArray("drei\r\n"));
    ASSERT_EQ(shownCount(), before + 2) << "each of the two other windows once";
    EXPECT_EQ(fakes.messages.shown[before].caption, kChanged);
}

TEST_F(OutsideChangeTest, SeveralChangesAreOneQuestionEachInTabOrder)
{
    QList<TMainChildForm*> children;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        children << openFile(name, "text\r\n");
    for (TMainChildForm* child : children)
        TestDir::append(child->caption(), "checkout\r\n");
    QStringList asked;
    fakes.messages.onShow = [&](const ShownMessage& m) { asked << m.text; };
    fakes.messages.answers = {MsgResult::No, MsgResult::No, MsgResult::No};
    comeBack();
    comeBack();
    ASSERT_EQ(asked.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(asked[i].contains(children[i]->caption())) << asked[i].toStdString();
}

TEST_F(OutsideChangeTest, OurOwnSavesInEveryWritePathAreNoChange)
{
    TMainChildForm* child = openFile("a.txt", "eins\r\n");
    const QString path = child->caption();
    // Replaced atomically.
    type(child, "1");
    child->MainMenu_Datei_Speichern_OnClick();
    // In place, because the folder takes no new file.
    platform::setWriteStepHook([](platform::WriteStep step, const QString&) {
        return step == platform::WriteStep::CreateTemporary ? EACCES : 0;
    });
    type(child, "2");
    child->MainMenu_Datei_Speichern_OnClick();
    platform::setWriteStepHook({});
    // In place, because of a second hard link.
    ASSERT_EQ(::link(nativeName(path).constData(), nativeName(dir.file("b.txt")).constData()), 0);
    comeBack();  // a new link changes no content
    type(child, "3");
    child->MainMenu_Datei_Speichern_OnClick();
    EXPECT_EQ(TestDir::read(dir.file("b.txt")), QByteArray("123eins\r\n"));
    QApplication::processEvents();
    comeBack();
    EXPECT_EQ(shownCount(), 0);
    EXPECT_FALSE(child->RichEdit->TextModified());
}

TEST_F(OutsideChangeTest, ALinkPutInPlaceOfTheFileIsNamedAndNoLeavesItsTargetAlone)
{
    TMainChildForm* child = openFile("notes.txt", "notizen\r\n");
    const QString path = child->caption();
    const QString secret = dir.write("privat.txt", "geheim");
    ASSERT_EQ(::chmod(nativeName(secret).constData(), 0600), 0);
    type(child, "X");
    ASSERT_EQ(::unlink(nativeName(path).constData()), 0);
    ASSERT_EQ(::symlink(nativeName(secret).constData(), nativeName(path).constData()), 0);

    fakes.messages.answers = {MsgResult::No};
    child->MainMenu_Datei_Speichern_OnClick();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, kChanged);
    EXPECT_EQ(lastMessage().text,
              QString("Die Datei \"%1\" wurde seit dem Laden von einem anderen Programm geändert: sie ist jetzt ein "
                      "Verweis auf \"%2\".\rTrotzdem überschreiben ?")
                  .arg(path, secret));
    EXPECT_EQ(TestDir::read(secret), QByteArray("geheim"));
    EXPECT_TRUE(child->RichEdit->TextModified());
}
