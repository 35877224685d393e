#include "editor/texteditoraccessible.h"
#include "editortesting.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what the editor tells assistive technology.
struct Heard {
    QAccessible::Event type = QAccessible::InvalidEvent;
    int a = -1;
    int b = -1;
    QString text;
};
std::vector<Heard>* g_heard = nullptr;

void recordEvent(QAccessibleEvent* event)
{
    if (!g_heard)
        return;
    Heard h;
    h.type = event->type();
    switch (event->type()) {
    case QAccessible::TextCaretMoved:
        h.a = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
        break;
    case QAccessible::TextSelectionChanged: {
        auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
        h.a = e->selectionStart();
        h.b = e->selectionEnd();
        break;
    }
    case QAccessible::TextInserted: {
        auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
        h.a = e->changePosition();
        h.text = e->textInserted();
        break;
    }
    case QAccessible::TextRemoved: {
        auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
        h.a = e->changePosition();
        h.b = int(e->textRemoved().size());
        break;
    }
    case QAccessible::TextUpdated: {
        auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
        h.a = e->changePosition();
        h.b = int(e->textRemoved().size());
        h.text = e->textInserted();
        break;
    }
    default:
        break;
    }
    g_heard->push_back(h);
}

class EditorAccessibility : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The offscreen platform has no accessibility bridge to switch on; the events go
        // to the test instead.
        setAccessibleEventSink(recordEvent);
        g_heard = &heard;
    }
    void TearDown() override
    {
        g_heard = nullptr;
        setAccessibleEventSink(nullptr);
    }
    std::vector<Heard> heard;

    std::vector<Heard> of(QAccessible::Event type) const
    {
        std::vector<Heard> r;
        for (const Heard& h : heard) {
            if (h.type == type)
                r.push_back(h);
        }
        return r;
    }
};

TEST_F(EditorAccessibility, IsAnEditableTextWithTextCaretAndSelection)
{
    auto editor = makeEditor("Erste Zeile\r\nzweite \xE4nderung\r\n");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(editor.get());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    EXPECT_TRUE(iface->state().editable);
    EXPECT_TRUE(iface->state().multiLine);
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);
    ASSERT_NE(iface->editableTextInterface(), nullptr);

    // A break counts one character and reads as a new line; 1252 bytes read as Unicode.
    EXPECT_EQ(text->characterCount(), 28);
    EXPECT_EQ(text->text(0, text->characterCount()), QString::fromUtf8("Erste Zeile\nzweite änderung\n"));
    EXPECT_EQ(text->text(12, 18), QStringLiteral("zweite"));

    int start = -1;
    int end = -1;
    EXPECT_EQ(text->textAtOffset(14, QAccessible::LineBoundary, &start, &end), QStringLiteral("zweite \u00e4nderung\n"));
    EXPECT_EQ(start, 12);
    EXPECT_EQ(end, 28);
    EXPECT_EQ(text->textAtOffset(21, QAccessible::WordBoundary, &start, &end), QStringLiteral("\u00e4nderung"));
    EXPECT_EQ(start, 19);
    EXPECT_EQ(text->textBeforeOffset(14, QAccessible::LineBoundary, &start, &end), QStringLiteral("Erste Zeile\n"));
    EXPECT_EQ(text->textAfterOffset(3, QAccessible::LineBoundary, &start, &end), QStringLiteral("zweite \u00e4nderung\n"));
    EXPECT_EQ(text->textAtOffset(3, QAccessible::CharBoundary, &start, &end), QStringLiteral("t"));

    // The caret is the moving end of the selection.
    editor->setSelectionStart(6);
    editor->setSelectionLength(5);
    EXPECT_EQ(text->cursorPosition(), 11);
    ASSERT_EQ(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 11);

    // And what assistive technology sets, the editor shows.
    text->setSelection(0, 12, 18);
    EXPECT_EQ(editor->SelectionText(), QByteArray("zweite"));
    text->setCursorPosition(3);
    EXPECT_EQ(editor->SelectionStart(), 3);
    EXPECT_EQ(text->selectionCount(), 0);
}

TEST_F(EditorAccessibility, CharacterRectanglesAreWhereTheCharactersAreShown)
{
    auto editor = makeEditor("abc\r\ndef");
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(editor.get())->textInterface();
    const QRect a = text->characterRect(0);
    const QRect b = text->characterRect(1);
    const QRect d = text->characterRect(4);
    EXPECT_GT(a.width(), 0);
    EXPECT_EQ(b.left(), a.right() + 1);
    EXPECT_EQ(b.top(), a.top());
    EXPECT_GT(d.top(), a.top());
    EXPECT_EQ(d.left(), a.left());
    EXPECT_EQ(a.topLeft(), editor->viewport()->mapToGlobal(editor->positionRect(0).topLeft()));
    // The point in the middle of a character gives that character back.
    EXPECT_EQ(text->offsetAtPoint(b.center() - QPoint(b.width() / 4, 0)), 1);
    EXPECT_EQ(text->offsetAtPoint(d.center() - QPoint(d.width() / 4, 0)), 4);
    EXPECT_EQ(text->offsetAtPoint(QPoint(-10000, -10000)), -1);
}

TEST_F(EditorAccessibility, EditingThroughTheInterfaceIsUndoableAndHonoursReadOnly)
{
    auto editor = makeEditor("Hallo Welt");
    QAccessibleEditableTextInterface* edit = QAccessible::queryAccessibleInterface(editor.get())->editableTextInterface();
    edit->replaceText(6, 10, QStringLiteral("W\u00fcrfel"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Hallo W\xFC" "rfel"));
    edit->insertText(0, QStringLiteral("Zwei\nZeilen "));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Zwei\rZeilen Hallo W\xFC" "rfel"));
    edit->deleteText(0, 12);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Hallo W\xFC" "rfel"));
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Zwei\rZeilen Hallo W\xFC" "rfel"));

    editor->setReadOnly(true);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(editor.get());
    EXPECT_TRUE(iface->state().readOnly);
    EXPECT_FALSE(iface->state().editable);
    edit->deleteText(0, 5);
    edit->insertText(0, QStringLiteral("x"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Zwei\rZeilen Hallo W\xFC" "rfel"));
}

TEST_F(EditorAccessibility, TellsOfTypedTextCaretMovesAndSelections)
{
    auto editor = makeEditor("abc");
    editor->setFocus();
    editor->setSelectionStart(3);
    heard.clear();

    QTest::keyClicks(editor.get(), QStringLiteral("de"));
    ASSERT_EQ(editor->Lines().Text(), QByteArray("abcde"));
    auto inserted = of(QAccessible::TextInserted);
    ASSERT_EQ(inserted.size(), 2u);
    EXPECT_EQ(inserted[0].a, 3);
    EXPECT_EQ(inserted[0].text, QStringLiteral("d"));
    EXPECT_EQ(inserted[1].a, 4);
    auto carets = of(QAccessible::TextCaretMoved);
    ASSERT_EQ(carets.size(), 2u);
    EXPECT_EQ(carets[1].a, 5);
    EXPECT_TRUE(of(QAccessible::TextSelectionChanged).empty());

    heard.clear();
    QTest::keyClick(editor.get(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(editor.get(), Qt::Key_Left, Qt::ShiftModifier);
    auto selections = of(QAccessible::TextSelectionChanged);
    ASSERT_EQ(selections.size(), 2u);
    EXPECT_EQ(selections[1].a, 3);
    EXPECT_EQ(selections[1].b, 5);
    EXPECT_EQ(of(QAccessible::TextCaretMoved).back().a, 3);

    heard.clear();
    QTest::keyClick(editor.get(), Qt::Key_Delete);
    auto removed = of(QAccessible::TextRemoved);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].a, 3);
    EXPECT_EQ(removed[0].b, 2);
    EXPECT_EQ(of(QAccessible::TextSelectionChanged).size(), 1u);  // the selection is gone

    heard.clear();
    editor->UndoLastStep();
    inserted = of(QAccessible::TextInserted);
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(inserted[0].text, QStringLiteral("de"));

    // Typing over a selection replaces it: one update with both.
    editor->setSelectionStart(1);
    editor->setSelectionLength(2);
    heard.clear();
    QTest::keyClicks(editor.get(), QStringLiteral("z"));
    const auto updated = of(QAccessible::TextUpdated);
    ASSERT_EQ(updated.size(), 1u);
    EXPECT_EQ(updated[0].a, 1);
    EXPECT_EQ(updated[0].b, 2);
    EXPECT_EQ(updated[0].text, QStringLiteral("z"));
    EXPECT_TRUE(of(QAccessible::TextInserted).empty());
}

}  // namespace
