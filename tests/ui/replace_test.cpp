// Replace, find backwards and go to line, through the real menus and keys.

#include "document/gotolinedialog.h"
#include "document/replacedialog.h"
#include "document/textreplace.h"
#include "tests/ui/framefixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

QString text(TMainChildForm* child)
{
    return child->RichEdit->decodeText(child->RichEdit->Lines().Text());
}

TextMatcher::AllResult replaceAll(QByteArrayView text, const QString& pattern, const QString& by, ReplaceOptions options,
                                  editor::TextEncoding encoding = editor::TextEncoding::Windows1252)
{
    return TextMatcher(pattern, options, encoding).replaceAll(text, by);
}

}  // namespace

TEST(TextMatcherTest, PlainWordsCaseAndRegularExpressions)
{
    // Case: ignored by default, umlauts included; kept when asked.
    auto r = replaceAll("Abc abc ABC", "abc", "x", {});
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(QByteArray(r.replaced), QByteArray("x x x"));
    r = replaceAll("Abc abc ABC", "abc", "x", {true, false, false});
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.from, 4);
    EXPECT_EQ(r.to, 7);
    EXPECT_EQ(replaceAll("\xC4pfel \xE4pfel", QString::fromLatin1("\xE4pfel"), "Birnen", {}).count, 2);
    EXPECT_EQ(replaceAll("\xC3\x84pfel \xC3\xA4pfel", QString::fromUtf8("äpfel"), "B", {}, editor::TextEncoding::Utf8).count,
              2);
    // Whole words: a word character on either side keeps the text.
    r = replaceAll("der Oder dert der_ der.", "der", "die", {false, true, false});
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(QByteArray(r.replaced), QByteArray("die Oder dert der_ die"));
    EXPECT_EQ(replaceAll("\xFC" "ber ber", "ber", "x", {false, true, false}).count, 1);  // ü is a letter
    // One line at a time: a pattern never spans a break; groups in the replacement.
    r = replaceAll("a1 b22\rc333", "([a-z])(\\d+)", "\\2\\1", {false, false, true});
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(QByteArray(r.replaced), QByteArray("1a 22b\r333c"));
    EXPECT_EQ(replaceAll("ab\rab", "b$", "B", {true, false, true}).count, 2);
    EXPECT_EQ(replaceAll("ab\rab", "b\\ra", "-", {true, false, true}).count, 0);
    // UTF-8 characters count as characters in a regular expression.
    r = replaceAll("\xC5\x81\xC3\xB3""d\xC5\xBA", "^.", "L", {true, false, true}, editor::TextEncoding::Utf8);
    EXPECT_EQ(QByteArray(r.replaced), QByteArray("L\xC3\xB3""d\xC5\xBA"));
    // Nothing to do: no count, nothing changes.
    EXPECT_EQ(replaceAll("abc", "x", "y", {}).count, 0);
    EXPECT_EQ(replaceAll("abc", "", "y", {}).count, 0);
}

TEST(TextMatcherTest, BadRegularExpressionNamesTheErrorAndItsPlace)
{
    const TextMatcher matcher("ab(c", {false, false, true}, editor::TextEncoding::Windows1252);
    ASSERT_FALSE(matcher.valid());
    EXPECT_TRUE(matcher.errorText().startsWith("Der reguläre Ausdruck \"ab(c\" ist ungültig:\r"));
    EXPECT_TRUE(matcher.errorText().endsWith("(an Stelle 5).")) << matcher.errorText().toStdString();
    EXPECT_EQ(matcher.replaceAll("ab(c", "x").count, 0);
}

TEST_F(FrameTest, ReplaceAllThroughTheKeysIsOneUndoStep)
{
    TMainChildForm* child = openFile("a.txt", "eins zwei eins\r\ndrei eins");
    pressInEditor(child, Qt::Key_H, Qt::ControlModifier);
    TReplaceDialog* dialog = child->ReplaceDialog();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QString("Ersetzen"));
    EXPECT_EQ(QApplication::focusWidget(), dialog->Edit_SuchenNach);
    QTest::keyClicks(dialog->Edit_SuchenNach, "eins");
    dialog->Edit_ErsetzenDurch->setText("vier");
    ASSERT_TRUE(dialog->Button_AlleErsetzen->isEnabled());
    EXPECT_EQ(QApplication::activeWindow(), dialog);
    QTest::keyClick(dialog->Edit_SuchenNach, Qt::Key_A, Qt::AltModifier);
    // A button's key clicks it the way the mouse does, pressed for a moment.
    QTRY_COMPARE(text(child), QString("vier zwei vier\rdrei vier"));
    EXPECT_EQ(text(child), QString("vier zwei vier\rdrei vier"));
    EXPECT_EQ(child->StatusBar->simpleText(), QString("3 Stellen ersetzt."));
    EXPECT_TRUE(child->StatusBar->simplePanel());
    EXPECT_EQ(child->MainMenu_Datei_Speichern->isEnabled(), true);
    // Rückgängig once brings everything back.
    clickMenuItem(child->MainMenu_Bearbeiten, child->MainMenu_Bearbeiten_Rueckgaengig);
    EXPECT_EQ(text(child), QString("eins zwei eins\rdrei eins"));
    EXPECT_FALSE(child->StatusBar->simplePanel());
}

TEST_F(FrameTest, ReplaceOneByOneAndReadOnly)
{
    TMainChildForm* child = openFile("a.txt", "ab ab ab");
    clickMenuItem(child->MainMenu_Suchen, child->MainMenu_Suchen_Ersetzen);
    TReplaceDialog* dialog = child->ReplaceDialog();
    dialog->setFindText("ab");
    dialog->setReplaceText("X");
    dialog->Button_Weitersuchen->click();
    EXPECT_EQ(selection(child), std::make_pair(0, 2));
    dialog->Button_Ersetzen->click();  // replaces the hit and goes to the next
    EXPECT_EQ(text(child), QString("X ab ab"));
    EXPECT_EQ(selection(child), std::make_pair(2, 2));
    // Read-only: nothing changes.
    child->MainMenu_Bearbeiten_NurLesenZulassen->trigger();
    dialog->Button_AlleErsetzen->click();
    EXPECT_EQ(child->StatusBar->simpleText(), QString("Das Dokument ist schreibgeschützt: nichts ersetzt."));
    dialog->Button_Ersetzen->click();
    EXPECT_EQ(text(child), QString("X ab ab"));
    // A bad regular expression is told, with the error's place.
    dialog->CheckBox_RegulaererAusdruck->setChecked(true);
    dialog->setFindText("(");
    fakes.messages.answers = {MsgResult::Ok};
    dialog->Button_Weitersuchen->click();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Fehler: Regulärer Ausdruck"));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Error);
}

TEST_F(FrameTest, ReplaceAllInUtf8CountsCharacters)
{
    TMainChildForm* child = openFile("u.txt", "Gr\xC3\xBC\xC3\x9F""e Gr\xC3\xBC\xC3\x9F""e");
    ASSERT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    TReplaceDialog* dialog = child->ReplaceDialog();
    dialog->setFindText(QString::fromUtf8("grüße"));
    dialog->setReplaceText(QString::fromUtf8("Łódź"));
    dialog->Button_AlleErsetzen->click();
    EXPECT_EQ(text(child), QString::fromUtf8("Łódź Łódź"));
    EXPECT_EQ(shownCount(), 0);
}

TEST_F(FrameTest, ReplaceDialogGoesWithItsWindow)
{
    TMainChildForm* first = openFile("a.txt", "a");
    first->MainMenu_Suchen_Ersetzen->trigger();
    ASSERT_TRUE(first->ReplaceDialog()->isVisible());
    TMainChildForm* second = newDocument();
    ASSERT_NE(first, second);
    EXPECT_FALSE(first->ReplaceDialog()->isVisible());
    frame->mdiArea()->setActiveSubWindow(first->subWindow());
    QApplication::processEvents();
    EXPECT_TRUE(first->ReplaceDialog()->isVisible());
}

TEST_F(FrameTest, FindBackwardsAsksAtTheStart)
{
    TMainChildForm* child = openFile("a.txt", "abc x\r\nabc abc");
    child->FindDialog()->setFindText("ABC");
    child->RichEdit->setSelectionStart(14);
    pressInEditor(child, Qt::Key_F3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selection(child), std::make_pair(10, 3));
    child->MainMenu_Suchen_RueckwaertsWeitersuchen->trigger();
    EXPECT_EQ(selection(child), std::make_pair(6, 3));
    child->MainMenu_Suchen_RueckwaertsWeitersuchen->trigger();
    EXPECT_EQ(selection(child), std::make_pair(0, 3));
    fakes.messages.answers = {MsgResult::Ok};
    child->MainMenu_Suchen_RueckwaertsWeitersuchen->trigger();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Suche abgeschloßen..."));
    EXPECT_EQ(lastMessage().text, QString("Der Anfang der Textdatei wurde erreicht.\rSuche vom Ende beginnen ?"));
    EXPECT_EQ(lastMessage().buttons, MsgButtons::OkCancel);
    EXPECT_EQ(selection(child), std::make_pair(10, 3));  // again from the end
    // With match case, ABC is nowhere: Cancel leaves the selection.
    child->FindDialog()->setMatchCase(true);
    fakes.messages.answers = {MsgResult::Cancel};
    child->MainMenu_Suchen_RueckwaertsWeitersuchen->trigger();
    EXPECT_EQ(selection(child), std::make_pair(10, 3));
}

// Backwards, case is ignored for umlauts as it is forwards, and a character that the
// document cannot hold is never taken for the "?" it would be stored as.
TEST_F(FrameTest, FindBackwardsFoldsUmlautsAndNeverFindsAQuestionMark)
{
    TMainChildForm* child = openFile("a.txt", "\xE4pfel ? \xC4pfel");
    ASSERT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    child->FindDialog()->setFindText(QString::fromUtf8("ÄPFEL"));
    child->RichEdit->setSelectionStart(13);
    child->MainMenu_Suchen_RueckwaertsWeitersuchen->trigger();
    EXPECT_EQ(selection(child), std::make_pair(8, 5));
    child->MainMenu_Suchen_RueckwaertsWeitersuchen->trigger();
    EXPECT_EQ(selection(child), std::make_pair(0, 5));
    EXPECT_EQ(shownCount(), 0);

    child->FindDialog()->setFindText(QString::fromUtf8("ł"));
    child->RichEdit->setSelectionStart(13);
    fakes.messages.answers = {MsgResult::Cancel};
    child->MainMenu_Suchen_RueckwaertsWeitersuchen->trigger();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().text, QString("Der Anfang der Textdatei wurde erreicht.\rSuche vom Ende beginnen ?"));
    EXPECT_EQ(selection(child), std::make_pair(13, 0));
}

TEST_F(FrameTest, GoToLineWithTheKeys)
{
    TMainChildForm* child = openFile("a.txt", "eins\r\nzwei\r\ndrei\r\nvier");
    QString label;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TGotoLineDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        label = dialog->findChild<QLabel*>()->text();
        // Out of range: told, and the dialog stays.
        fakes.messages.answers = {MsgResult::Ok};
        dialog->Edit_Zeile->setText("9");
        QTest::keyClick(dialog->Edit_Zeile, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        dialog->Edit_Zeile->clear();
        QTest::keyClicks(dialog->Edit_Zeile, "3");
        QTest::keyClick(dialog->Edit_Zeile, Qt::Key_Return);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    pressInEditor(child, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(label, QString("&Zeile (1–4):"));
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Fehler: Gehe zu Zeile"));
    EXPECT_EQ(lastMessage().text, QString("Die Zeile \"9\" gibt es nicht.\rBitte eine Zahl von 1 bis 4 eingeben."));
    EXPECT_EQ(selection(child), std::make_pair(10, 0));
    EXPECT_EQ(panel(child, 3), QString("1:3"));
}
