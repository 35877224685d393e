#include "editortesting.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <gtest/gtest.h>

namespace {

// Asked as an input method asks: through the widget.
QVariant query(TTextEditor& editor, Qt::InputMethodQuery q) { return static_cast<QWidget&>(editor).inputMethodQuery(q); }

void preedit(TTextEditor& editor, const QString& text)
{
    QList<QInputMethodEvent::Attribute> attributes;
    attributes << QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, int(text.size()), 1, QVariant());
    QInputMethodEvent event(text, attributes);
    QApplication::sendEvent(&editor, &event);
}

void commit(TTextEditor& editor, const QString& text, int replaceFrom = 0, int replaceLength = 0)
{
    QInputMethodEvent event;
    event.setCommitString(text, replaceFrom, replaceLength);
    QApplication::sendEvent(&editor, &event);
}

TEST(InputMethod, DeadKeyThenLetterCommitsOneCharacterAsOneUndoStep)
{
    auto editor = makeEditor("Caf");
    editor->setSelectionStart(3);
    // ^ shows as a composing character, e turns it into ê.
    preedit(*editor, QStringLiteral("^"));
    EXPECT_EQ(editor->PreeditText(), QStringLiteral("^"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Caf"));
    EXPECT_FALSE(editor->TextModified());
    commit(*editor, QStringLiteral("\u00ea"));
    EXPECT_EQ(editor->PreeditText(), QString());
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Caf\xEA"));
    EXPECT_EQ(editor->SelectionStart(), 4);
    EXPECT_TRUE(editor->TextModified());
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Caf"));
    EXPECT_FALSE(editor->UndoAvailable());
}

TEST(InputMethod, ComposeSequenceInInsertAndOverwriteMode)
{
    auto editor = makeEditor("xyz");
    editor->setSelectionStart(1);
    // Compose ´ e: the sequence shows while it is typed, then é replaces it.
    preedit(*editor, QStringLiteral("\u2384"));
    preedit(*editor, QStringLiteral("\u2384\u00b4"));
    commit(*editor, QStringLiteral("\u00e9"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("x\xE9yz"));

    // Overwriting, the committed character takes the place of the one behind the caret.
    editor->setFocus();
    QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
    QApplication::sendEvent(editor.get(), &insert);
    ASSERT_FALSE(editor->InsertMode());
    commit(*editor, QStringLiteral("\u00e8"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("x\xE9\xE8z"));

    // A method that takes back the character before the caret replaces it.
    commit(*editor, QStringLiteral("\u00c4"), -1, 1);
    EXPECT_EQ(editor->Lines().Text().left(3), QByteArray("x\xE9\xC4"));
}

TEST(InputMethod, CancelledPreeditLeavesTheTextAsItWas)
{
    auto editor = makeEditor("abc");
    editor->setSelectionStart(1);
    preedit(*editor, QStringLiteral("\u00b4"));
    preedit(*editor, QString());
    EXPECT_EQ(editor->PreeditText(), QString());
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abc"));
    EXPECT_FALSE(editor->TextModified());
    EXPECT_FALSE(editor->UndoAvailable());
}

TEST(InputMethod, ReadOnlyTakesNothingAndShowsNoPreedit)
{
    auto editor = makeEditor("abc");
    editor->setReadOnly(true);
    EXPECT_FALSE(query(*editor, Qt::ImEnabled).toBool());
    preedit(*editor, QStringLiteral("^"));
    EXPECT_EQ(editor->PreeditText(), QString());
    commit(*editor, QStringLiteral("\u00ea"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abc"));
}

TEST(InputMethod, QueriesDescribeTheCaretsLine)
{
    auto editor = makeEditor("erste\r\nzweite Zeile");
    EXPECT_TRUE(query(*editor, Qt::ImEnabled).toBool());
    editor->setSelectionStart(7);
    editor->setSelectionLength(5);  // "weite", caret at 12 (the break counts one)
    EXPECT_EQ(query(*editor, Qt::ImSurroundingText).toString(), QStringLiteral("zweite Zeile"));
    EXPECT_EQ(query(*editor, Qt::ImCursorPosition).toInt(), 6);
    EXPECT_EQ(query(*editor, Qt::ImAnchorPosition).toInt(), 1);
    EXPECT_EQ(query(*editor, Qt::ImCurrentSelection).toString(), QStringLiteral("weite"));
    // The input method places its window at the caret, in the editor's coordinates.
    const QRect caret = editor->caretRect().translated(editor->viewport()->pos());
    EXPECT_EQ(query(*editor, Qt::ImCursorRectangle).toRect(), caret);
    // While text is composed, at the end of that text.
    preedit(*editor, QStringLiteral("^"));
    const QRect composing = query(*editor, Qt::ImCursorRectangle).toRect();
    EXPECT_GT(composing.left(), caret.left());
    EXPECT_EQ(composing.top(), caret.top());
}

TEST(InputMethod, PreeditIsDrawnUnderlinedAtTheCaret)
{
    auto editor = makeEditor("ab");
    editor->setSelectionStart(2);
    const QRect caret = editor->caretRect();
    const QImage before = editor->viewport()->grab().toImage();
    preedit(*editor, QStringLiteral("WW"));
    const QImage after = editor->viewport()->grab().toImage();
    // Something is drawn right of the caret, and a line runs under it.
    int changed = 0;
    for (int y = caret.top(); y < caret.bottom(); ++y) {
        for (int x = caret.left() + 1; x < caret.left() + 12; ++x)
            changed += before.pixel(x, y) != after.pixel(x, y);
    }
    EXPECT_GT(changed, 10);
    const QColor text = editor->viewport()->palette().color(QPalette::Text);
    bool underline = false;
    for (int y = caret.top(); y <= caret.bottom() + 1 && !underline; ++y) {
        int dark = 0;
        for (int x = caret.left() + 1; x < caret.left() + 12; ++x)
            dark += QColor(after.pixel(x, y)) == text;
        underline = dark >= 10;
    }
    EXPECT_TRUE(underline);
}

}  // namespace

TEST(InputMethod, AUtf8DocumentTakesAndTellsCharacters)
{
    // "Grüße" as UTF-8: 5 characters in 7 bytes.
    auto editor = makeEditor("Gr\xC3\xBC\xC3\x9F" "e");
    ASSERT_EQ(editor->Encoding(), editor::TextEncoding::Utf8);
    editor->setSelectionStart(5);
    commit(*editor, QStringLiteral("\u00fc"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Gr\xC3\xBC\xC3\x9F" "e\xC3\xBC"));
    EXPECT_EQ(query(*editor, Qt::ImCursorPosition).toInt(), 6);
    EXPECT_EQ(query(*editor, Qt::ImSurroundingText).toString(), QString::fromUtf8("Grüßeü"));
    // A compose key that takes back the character before the caret replaces one
    // character, not one byte.
    commit(*editor, QStringLiteral("\u00e9"), -1, 1);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Gr\xC3\xBC\xC3\x9F" "e\xC3\xA9"));
    // Assistive technology counts characters as well.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(editor.get());
    ASSERT_NE(iface, nullptr);
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 6);
    EXPECT_EQ(text->cursorPosition(), 6);
    EXPECT_EQ(text->text(2, 4), QString::fromUtf8("üß"));
    text->setSelection(0, 2, 4);
    EXPECT_EQ(editor->SelectionText(), QByteArray("\xC3\xBC\xC3\x9F"));
    iface->editableTextInterface()->replaceText(2, 4, QString::fromUtf8("€"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Gr\xE2\x82\xAC" "e\xC3\xA9"));
}
