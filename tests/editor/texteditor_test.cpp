#include "platform/codepage1252.h"
#include "platform/errors.h"
#include "tests/editor/editortesting.h"

#include <QFontMetricsF>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Types each character as a key press that carries it as text, as a keyboard layout would.
void typeText(TTextEditor& editor, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent event(QEvent::KeyPress, c.isLetter() ? Qt::Key_A : Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&editor, &event);
    }
}

void press(TTextEditor& editor, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(&editor, key, mods);
}

QPoint pointOf(TTextEditor& editor, int pos)
{
    const QRect r = editor.positionRect(pos);
    return QPoint(r.x() + 1, r.center().y());
}

// The point one pixel into the character at (line, column) of a short unscrolled text, from
// the font alone: lines are the font's height apart, the text starts 2 pixels in (14 with
// the 12-pixel selection bar), and a character stands where the ones before it end.
QPoint pointAt(TTextEditor& editor, const QByteArray& lineText, int line, int column)
{
    const QFontMetricsF metrics(editor.font());
    const int height = int(std::ceil(metrics.height()));
    const int left = editor.ShowSelectionBar() ? 14 : 2;
    const qreal x = left + metrics.horizontalAdvance(QString::fromLatin1(lineText.left(column)));
    return QPoint(int(std::floor(x)) + 1, line * height + height / 2);
}

}  // namespace

// ---- Positions and lines ----

TEST(EditorContract, EmptyText)
{
    auto editor = makeEditor();
    EXPECT_EQ(editor->Lines().LineCount(), 0);
    EXPECT_EQ(editor->CaretLine(), 0);
    EXPECT_EQ(editor->CaretColumn(), 0);
    EXPECT_TRUE(editor->SelectionText().isEmpty());
    EXPECT_TRUE(editor->Lines().LineText(0).isEmpty());
}

TEST(EditorContract, PositionsCountABreakAsOneCharacter)
{
    auto editor = makeEditor("ab\r\ncd");
    editor->setSelectionStart(3);
    EXPECT_EQ(editor->SelectionStart(), 3);
    EXPECT_EQ(editor->CaretLine(), 1);
    EXPECT_EQ(editor->CaretColumn(), 0);
    EXPECT_EQ(editor->Lines().LineCount(), 2);
    EXPECT_EQ(editor->Lines().LineText(0), QByteArray("ab"));
    EXPECT_EQ(editor->Lines().LineText(1), QByteArray("cd"));
    EXPECT_TRUE(editor->Lines().LineText(2).isEmpty());
    EXPECT_TRUE(editor->Lines().LineText(-1).isEmpty());
    editor->SelectWholeText();
    EXPECT_EQ(editor->SelectionLength(), 5);
    EXPECT_EQ(editor->SelectionText(), QByteArray("ab\rcd"));
}

TEST(EditorContract, ForwardSelectionFromAnEarlierLineHasANegativeColumn)
{
    auto editor = makeEditor("eins\r\nzwei\r\n");
    editor->setSelectionStart(2);
    editor->setSelectionLength(5);  // "ns\rzw"
    EXPECT_EQ(editor->SelectionText(), QByteArray("ns\rzw"));
    EXPECT_EQ(editor->CaretLine(), 0);
    EXPECT_LT(editor->CaretColumn(), 0);
    // A backward selection keeps the caret at its start.
    editor->setSelectionStart(7);
    press(*editor, Qt::Key_Left, Qt::ShiftModifier);
    press(*editor, Qt::Key_Left, Qt::ShiftModifier);
    press(*editor, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(editor->SelectionStart(), 4);
    EXPECT_EQ(editor->SelectionLength(), 3);
    EXPECT_EQ(editor->CaretLine(), 0);
    EXPECT_EQ(editor->CaretColumn(), 4);
}

TEST(EditorContract, CaretLineAndColumnWrites)
{
    auto editor = makeEditor("abcdef\r\nxy\r\n123456");
    editor->setSelectionStart(4);
    editor->setCaretLine(2);
    EXPECT_EQ(editor->SelectionStart(), 10 + 4);
    // The column is not clamped to the line: column 4 of line 1 runs into line 2.
    editor->setCaretLine(1);
    EXPECT_EQ(editor->SelectionStart(), 7 + 4);
    editor->setCaretLine(7);  // no such line: nothing happens
    EXPECT_EQ(editor->SelectionStart(), 11);
    editor->setSelectionStart(8);
    editor->setCaretColumn(1);
    EXPECT_EQ(editor->SelectionStart(), 8);
    EXPECT_EQ(editor->CaretLine(), 1);
}

TEST(EditorContract, SelectionTextWriteIsOneStepAndKeepsTheLength)
{
    auto editor = makeEditor("abc\r\ndef");
    QSignalSpy changes(editor.get(), &TCustomTextEditor::OnChange);
    editor->setSelectionStart(1);
    editor->setSelectionLength(5);
    const QByteArray upper = editor->SelectionText().toUpper();
    editor->setSelectionText(upper);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("aBC\rDEf"));
    EXPECT_EQ(editor->SelectionStart(), 6);  // the caret behind the new text
    EXPECT_EQ(changes.count(), 1);
    editor->setSelectionStart(1);
    editor->setSelectionLength(5);
    EXPECT_EQ(editor->SelectionText(), QByteArray("BC\rDE"));
    ASSERT_TRUE(editor->UndoAvailable());
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abc\rdef"));
    EXPECT_TRUE(editor->RedoAvailable());
    editor->RedoLastStep();
    EXPECT_EQ(editor->Lines().Text(), QByteArray("aBC\rDEf"));
    // The break written back keeps the document's kind.
    EXPECT_EQ(savedBytes(*editor), QByteArray("aBC\r\nDEf"));
}

TEST(EditorContract, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    auto editor = makeEditor();
    typeText(*editor, QString::fromUtf16(u"€ä→"));
    EXPECT_EQ(editor->Lines().Text(), QByteArray("\x80\xe4?"));
}

// ---- InsertLine ----

TEST(EditorInsertLine, InFrontOfALineAndAtTheEnd)
{
    auto editor = makeEditor("eins\r\n");
    ASSERT_EQ(editor->Lines().LineCount(), 1);
    QSignalSpy changes(editor.get(), &TCustomTextEditor::OnChange);
    editor->Lines().InsertLine(1, "zwei");
    EXPECT_EQ(savedBytes(*editor), QByteArray("eins\r\nzwei\r\n"));
    EXPECT_EQ(editor->SelectionStart(), 10);
    EXPECT_TRUE(editor->TextModified());
    EXPECT_FALSE(editor->UndoAvailable());
    EXPECT_EQ(changes.count(), 1);
    editor->Lines().InsertLine(3, "nichts");
    editor->Lines().InsertLine(-1, "nichts");
    EXPECT_EQ(savedBytes(*editor), QByteArray("eins\r\nzwei\r\n"));
    editor->Lines().InsertLine(0, "null");
    EXPECT_EQ(savedBytes(*editor), QByteArray("null\r\neins\r\nzwei\r\n"));
}

TEST(EditorInsertLine, AppendsBehindALastLineWithoutBreak)
{
    auto editor = makeEditor("a\nb");
    editor->Lines().InsertLine(2, "c");
    EXPECT_EQ(savedBytes(*editor), QByteArray("a\nb\nc"));  // the document's own break kind
    EXPECT_EQ(editor->Lines().LineCount(), 3);
    auto empty = makeEditor();
    empty->Lines().InsertLine(1, "x");  // the only line is empty: nothing
    EXPECT_EQ(empty->Lines().TextLength(), 0);
    empty->Lines().InsertLine(0, "x");
    EXPECT_EQ(savedBytes(*empty), QByteArray("x\r\n"));
}

TEST(EditorInsertLine, TwoCharacterBreakInTheLineRaisesTheError)
{
    auto editor = makeEditor("a");
    try {
        editor->Lines().InsertLine(0, "x\r\ny");
        FAIL() << "no error";
    } catch (const platform::OutOfResourcesError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Fehler bei Einfügen von RichEdit-Zeile"));
    }
    EXPECT_EQ(editor->Lines().Text(), QByteArray("x\ry\ra"));  // what was inserted stays
}

// ---- Undo ----

TEST(EditorUndo, TypingMergesAndTheLimitHolds)
{
    auto editor = makeEditor();
    editor->setUndoLimit(50);
    typeText(*editor, "Hallo Welt");
    EXPECT_TRUE(editor->UndoAvailable());
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().TextLength(), 0);
    EXPECT_FALSE(editor->UndoAvailable());
    for (int i = 0; i < 51; ++i) {
        editor->setSelectionStart(0);
        typeText(*editor, "x");
    }
    int steps = 0;
    while (editor->UndoAvailable()) {
        editor->UndoLastStep();
        ++steps;
    }
    EXPECT_EQ(steps, 50);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("x"));
}

TEST(EditorUndo, KeyboardUndoAndRedo)
{
    auto editor = makeEditor("abc");
    editor->setSelectionStart(3);
    typeText(*editor, "def");
    press(*editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abc"));
    press(*editor, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abcdef"));
}

TEST(EditorUndo, ChangingLayoutPropertiesKeepsTextAndFlagButNotTheHistory)
{
    auto editor = makeEditor("Text");
    editor->setSelectionStart(4);
    typeText(*editor, "!");
    ASSERT_TRUE(editor->TextModified());
    editor->setShowSelectionBar(false);  // the value it has: nothing changes
    EXPECT_TRUE(editor->UndoAvailable());
    editor->setShowSelectionBar(true);
    EXPECT_FALSE(editor->UndoAvailable());
    typeText(*editor, "?");
    editor->setScrollBars(ssVertical);
    EXPECT_FALSE(editor->UndoAvailable());
    typeText(*editor, "?");
    editor->setWordWrap(true);
    editor->setWordWrap(false);
    EXPECT_FALSE(editor->UndoAvailable());
    EXPECT_FALSE(editor->RedoAvailable());
    EXPECT_TRUE(editor->TextModified());
    EXPECT_EQ(editor->Lines().Text(), QByteArray("Text!??"));
}

// ---- Word wrap ----

TEST(EditorWordWrap, AWrappedParagraphCountsAsSeveralLines)
{
    QByteArray paragraph;
    for (int i = 0; i < 30; ++i)
        paragraph += "Wort" + QByteArray::number(i) + " ";
    auto editor = makeEditor(paragraph + "\r\nEnde", QSize(200, 200));
    EXPECT_EQ(editor->Lines().LineCount(), 2);
    editor->setWordWrap(true);
    const int lines = editor->Lines().LineCount();
    EXPECT_GT(lines, 3);
    QByteArray joined;
    for (int i = 0; i < lines - 1; ++i) {
        const QByteArray piece = editor->Lines().LineText(i);
        EXPECT_FALSE(piece.startsWith(' ')) << "line " << i;  // broken after blanks, not before
        joined += piece;
    }
    EXPECT_EQ(joined, paragraph);
    EXPECT_EQ(editor->Lines().LineText(lines - 1), QByteArray("Ende"));
    editor->setSelectionStart(paragraph.size() - 3);
    EXPECT_EQ(editor->CaretLine(), lines - 2);
    // Editing rewraps: the text shrinks to one line.
    editor->setSelectionStart(5);
    editor->setSelectionLength(paragraph.size() - 10);
    editor->DeleteSelection();
    EXPECT_EQ(editor->Lines().LineCount(), 2);
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().LineCount(), lines);
    editor->setWordWrap(false);
    EXPECT_EQ(editor->Lines().LineCount(), 2);
}

// ---- Keyboard ----

TEST(EditorKeys, MovementAndSelection)
{
    auto editor = makeEditor("erste Zeile\r\nzweite\r\ndritte Zeile");
    editor->setFocus();
    press(*editor, Qt::Key_End);
    EXPECT_EQ(editor->SelectionStart(), 11);
    press(*editor, Qt::Key_Down);
    EXPECT_EQ(editor->SelectionStart(), 18);  // end of the shorter line
    press(*editor, Qt::Key_Down);
    EXPECT_EQ(editor->SelectionStart(), 19 + 11);  // the column is remembered
    press(*editor, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(editor->SelectionStart(), 0);
    press(*editor, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(editor->SelectionStart(), 6);  // start of the next word
    press(*editor, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(editor->SelectionText(), QByteArray("Zeile"));
    press(*editor, Qt::Key_Left);
    EXPECT_EQ(editor->SelectionStart(), 6);
    EXPECT_EQ(editor->SelectionLength(), 0);
    press(*editor, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor->SelectionLength(), 31 - 6);
    press(*editor, Qt::Key_PageDown);
    EXPECT_EQ(editor->CaretLine(), 2);
}

TEST(EditorKeys, EditingKeysAndOverwrite)
{
    auto editor = makeEditor("abcd");
    editor->setSelectionStart(2);
    press(*editor, Qt::Key_Backspace);
    press(*editor, Qt::Key_Delete);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("ad"));
    press(*editor, Qt::Key_Return);
    press(*editor, Qt::Key_Tab);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("a\r\td"));
    EXPECT_EQ(savedBytes(*editor), QByteArray("a\r\n\td"));
    ASSERT_TRUE(editor->InsertMode());
    press(*editor, Qt::Key_Insert);
    EXPECT_FALSE(editor->InsertMode());
    editor->setSelectionStart(0);
    typeText(*editor, "XYZ");  // overwrites "a", stops at the break and inserts the rest
    EXPECT_EQ(editor->Lines().Text(), QByteArray("XYZ\r\td"));
    press(*editor, Qt::Key_Insert);
    EXPECT_TRUE(editor->InsertMode());
    editor->setSelectionStart(0);
    typeText(*editor, "_");
    EXPECT_EQ(editor->Lines().Text(), QByteArray("_XYZ\r\td"));
}

TEST(EditorKeys, ReadOnlyRefusesEditsButMoves)
{
    auto editor = makeEditor("abc");
    editor->setReadOnly(true);
    typeText(*editor, "x");
    press(*editor, Qt::Key_Delete);
    press(*editor, Qt::Key_Return);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abc"));
    press(*editor, Qt::Key_End);
    EXPECT_EQ(editor->SelectionStart(), 3);
    editor->SelectWholeText();
    editor->CutSelection();
    editor->DeleteSelection();
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abc"));
    EXPECT_FALSE(editor->TextModified());
}

TEST(EditorKeys, OnKeyDownComesFirstAndMaySwallowTheKey)
{
    auto editor = makeEditor("abc");
    QList<int> seenAt;
    QObject::connect(editor.get(), &TCustomTextEditor::OnKeyDown, editor.get(), [&](QKeyEvent* e) {
        seenAt.append(editor->SelectionStart());
        if (e->text() == QLatin1String("x"))
            editor->SuppressCurrentKey();
    });
    press(*editor, Qt::Key_End);
    typeText(*editor, "x");
    EXPECT_EQ(seenAt, (QList<int>{0, 3}));  // the position before the key acted
    EXPECT_EQ(editor->Lines().Text(), QByteArray("abc"));
}

TEST(EditorKeys, ClipboardKeys)
{
    auto editor = makeEditor("Gr\xfc\xdf" "e\r\nWelt");
    editor->SelectWholeText();
    press(*editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Grüße\nWelt"));
    press(*editor, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(editor->Lines().TextLength(), 0);
    QApplication::clipboard()->setText(QString::fromUtf8("„x“\r\ny → z"));
    press(*editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("\x84x\x93\ry ? z"));
}

// ---- Events ----

TEST(EditorEvents, ChangeAndSelectionEvents)
{
    auto editor = makeEditor("abc");
    QSignalSpy changes(editor.get(), &TCustomTextEditor::OnChange);
    QSignalSpy selections(editor.get(), &TCustomTextEditor::OnSelectionChange);
    editor->setSelectionStart(1);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(selections.count(), 1);
    editor->setSelectionStart(1);  // no change, no event
    EXPECT_EQ(selections.count(), 1);
    typeText(*editor, "x");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(selections.count(), 2);
    EXPECT_EQ(editor->LastChangeRange(), std::make_pair(2, 2));
    // A new editor raises nothing while it is set up.
    TTextEditor fresh;
    QSignalSpy freshChanges(&fresh, &TCustomTextEditor::OnChange);
    fresh.setWordWrap(true);
    fresh.setShowSelectionBar(true);
    EXPECT_EQ(freshChanges.count(), 0);
}

TEST(EditorEvents, FocusIsTheWidgetItself)
{
    QWidget window;
    auto* editor = new TTextEditor(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    editor->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_EQ(editor->viewport()->focusProxy(), editor);
    // A click into the text keeps the focus on the editor itself.
    editor->clearFocus();
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_TRUE(editor->hasFocus());
}

// ---- Mouse ----

TEST(EditorMouse, ClickDragDoubleClickAndSelectionBar)
{
    auto editor = makeEditor("Hallo Welt\r\nzweite Zeile\r\n");
    QSignalSpy downs(editor.get(), &TCustomTextEditor::OnMouseDown);
    QWidget* view = editor->viewport();
    QTest::mouseClick(view, Qt::LeftButton, {}, pointAt(*editor, "Hallo Welt", 0, 6));
    EXPECT_EQ(editor->SelectionStart(), 6);
    EXPECT_EQ(downs.count(), 1);
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, pointAt(*editor, "zweite Zeile", 1, 3));
    EXPECT_EQ(editor->SelectionText(), QByteArray("Welt\rzwe"));
    // Dragging.
    QTest::mousePress(view, Qt::LeftButton, {}, pointAt(*editor, "Hallo Welt", 0, 1));
    QMouseEvent move(QEvent::MouseMove, pointAt(*editor, "Hallo Welt", 0, 4), view->mapToGlobal(pointAt(*editor, "Hallo Welt", 0, 4)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, pointAt(*editor, "Hallo Welt", 0, 4));
    EXPECT_EQ(editor->SelectionText(), QByteArray("all"));
    // A double click selects the word with its blank.
    QTest::mouseDClick(view, Qt::LeftButton, {}, pointAt(*editor, "Hallo Welt", 0, 2));
    EXPECT_EQ(editor->SelectionText(), QByteArray("Hallo "));
    // A click in the selection bar selects the line with its break.
    editor->setShowSelectionBar(true);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(3, pointAt(*editor, "zweite Zeile", 1, 2).y()));
    EXPECT_EQ(editor->SelectionText(), QByteArray("zweite Zeile\r"));
}

TEST(EditorMouse, WheelScrolls)
{
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "Zeile " + QByteArray::number(i) + "\r\n";
    auto editor = makeEditor(text);
    EXPECT_TRUE(editor->verticalScrollBar()->isEnabled());
    EXPECT_FALSE(editor->horizontalScrollBar()->isEnabled());  // shown but not needed
    QWheelEvent wheel(QPointF(50, 50), editor->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(editor->viewport(), &wheel);
    EXPECT_GT(editor->firstVisibleLine(), 0);
    editor->setSelectionStart(text.size() - 3);
    editor->setSelectionLength(1);  // scrolls the caret into view
    EXPECT_GT(editor->firstVisibleLine(), 150);
}

TEST(EditorMouse, LongLineScrollsHorizontally)
{
    auto editor = makeEditor(QByteArray(5000, 'x') + "END");
    EXPECT_TRUE(editor->horizontalScrollBar()->isEnabled());
    editor->setFocus();
    press(*editor, Qt::Key_End);
    EXPECT_GT(editor->horizontalScrollBar()->value(), 1000);
    const QRect caret = editor->caretRect();
    EXPECT_TRUE(editor->viewport()->rect().contains(caret.topLeft()));
}

TEST(EditorMouse, ClicksAlongAVeryLongLineWithTabsHitTheirPositions)
{
    QByteArray line;
    for (int i = 0; i < 3000; ++i)
        line += (i % 7 == 0) ? "\tab" : "wort ";
    auto editor = makeEditor(line + "\r\nkurz");
    for (int pos : {3, 1500, 9000, 12001, int(line.size()) - 2}) {
        editor->setSelectionStart(pos);  // scrolls it into view
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, pointOf(*editor, pos));
        EXPECT_EQ(editor->SelectionStart(), pos);
        EXPECT_TRUE(editor->viewport()->rect().contains(editor->caretRect().topLeft())) << pos;
    }
    // After typing in the line, positions behind it are measured afresh.
    editor->setSelectionStart(5000);
    press(*editor, Qt::Key_Tab);
    editor->setSelectionStart(9001);
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, pointOf(*editor, 9001));
    EXPECT_EQ(editor->SelectionStart(), 9001);
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, pointOf(*editor, 9002));
    EXPECT_EQ(editor->SelectionStart(), 9002);
    EXPECT_EQ(editor->Lines().LineText(0).size(), line.size() + 1);
}
