// Edits, word-wrap switches, resizes and undo/redo on a long line, compared after every
// step with an editor that lays the same text out from scratch.
#include "tests/editor/editortesting.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <random>

namespace {

// The slow reference: a fresh editor of the same size and wrap with the same text and
// selection, which wraps and measures everything from the start.
std::unique_ptr<TTextEditor> referenceOf(TTextEditor& editor)
{
    QByteArray file = editor.Lines().Text();
    file.replace('\r', "\r\n");
    auto fresh = makeEditor(file, editor.size());
    fresh->setWordWrap(editor.WordWrap());
    fresh->setSelectionStart(editor.SelectionStart());
    fresh->setSelectionLength(editor.SelectionLength());
    return fresh;
}

QByteArray randomPiece(std::mt19937& rng, int maxLength)
{
    static const char* words[] = {"Wort", "ein", "x", "\t", " ", "  ", "Donaudampfschifffahrt", "\r", ".", "ab\tcd"};
    QByteArray out;
    const int n = int(rng() % unsigned(maxLength)) + 1;
    while (out.size() < n)
        out += words[rng() % 10];
    return out;
}

}  // namespace

TEST(EditorLongLine, LayoutAfterEveryKindOfChangeMatchesAFreshLayout)
{
    // One line of 40,000 characters with blanks, tabs and long words, and two short ones.
    // Stretches of 3,000 characters without a tab make edits shift the positions behind
    // them by less than a tab's width up to the next tab.
    std::mt19937 rng(4711);
    QByteArray line;
    while (line.size() < 40000) {
        QByteArray piece = randomPiece(rng, 30).replace('\r', ' ');
        if (line.size() / 3000 % 2)
            piece.replace('\t', ' ');
        line += piece;
    }
    auto editor = makeEditor("Anfang\r\n" + line + "\r\nEnde", QSize(420, 300));
    editor->setFocus();

    // Asks in varying order, so that answers are also given from a partly wrapped text.
    auto compare = [&](int step, int op) {
        const int caretLine = editor->CaretLine();
        const int caretColumn = editor->CaretColumn();
        const int probe = int(rng() % 200);
        const int probeStart = editor->Lines().LineStart(probe);
        auto reference = referenceOf(*editor);
        const int lines = reference->Lines().LineCount();
        ASSERT_EQ(caretLine, reference->CaretLine()) << "step " << step << " op " << op;
        ASSERT_EQ(caretColumn, reference->CaretColumn()) << "step " << step;
        ASSERT_EQ(probeStart, reference->Lines().LineStart(probe)) << "step " << step;
        ASSERT_EQ(editor->Lines().LineCount(), lines) << "step " << step << " op " << op;
        for (int i = 0; i < lines; ++i)
            ASSERT_EQ(editor->Lines().LineStart(i), reference->Lines().LineStart(i)) << "step " << step << " line " << i;
        // With word wrap every display line fits the width, blanks at its end aside.
        if (editor->WordWrap()) {
            for (int i = 0; i < lines; ++i) {
                const QByteArray text = editor->Lines().LineText(i);
                int last = int(text.size()) - 1;
                while (last >= 0 && (text[last] == ' ' || text[last] == '\t'))
                    --last;
                if (last > 0) {
                    ASSERT_LT(editor->positionRect(editor->Lines().LineStart(i) + last).x(), editor->viewport()->width())
                        << "step " << step << " line " << i;
                }
            }
        }
        // Positions along the long line are measured as from scratch (one pixel of rounding).
        if (!editor->WordWrap()) {
            for (int k = 0; k < 4; ++k) {
                const int pos = int(rng() % unsigned(editor->Lines().TextLength() + 1));
                const int x = editor->positionRect(pos).x() - editor->positionRect(editor->Lines().LineStart(0)).x();
                const int y = reference->positionRect(pos).x() - reference->positionRect(0).x();
                ASSERT_NEAR(x, y, 1) << "step " << step << " pos " << pos;
            }
        }
    };

    for (int step = 0; step < 400; ++step) {
        const int length = editor->Lines().TextLength();
        const int op = int(rng() % 20);
        if (op < 8) {  // type or paste at a random place, sometimes over a selection
            editor->setSelectionStart(int(rng() % unsigned(length + 1)));
            if (op == 7)
                editor->setSelectionLength(int(rng() % 50));
            const QByteArray piece = op < 5 ? randomPiece(rng, 3) : randomPiece(rng, 3000);
            if (op < 4) {
                for (char c : piece) {
                    const Qt::Key key = c == '\r' ? Qt::Key_Return : c == '\t' ? Qt::Key_Tab : Qt::Key_A;
                    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(QLatin1Char(c)));
                    QApplication::sendEvent(editor.get(), &event);
                }
            } else {
                editor->setSelectionText(piece);
            }
        } else if (op < 11) {  // delete a stretch
            editor->setSelectionStart(int(rng() % unsigned(length + 1)));
            editor->setSelectionLength(op == 10 ? int(rng() % 5000) : int(rng() % 20));
            QTest::keyClick(editor.get(), Qt::Key_Delete);
        } else if (op < 14) {
            QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        } else if (op < 16) {
            QTest::keyClick(editor.get(), Qt::Key_Y, Qt::ControlModifier);
        } else if (op == 16) {
            editor->setWordWrap(!editor->WordWrap());
        } else if (op == 17) {
            editor->resize(200 + int(rng() % 500), 150 + int(rng() % 300));
        } else if (op == 18) {
            QApplication::processEvents();  // lets wrapping go on while idle
        } else if (length < 150000 && rng() % 2 == 0) {
            // A paste longer than what an edit wraps at once: the rest is wrapped later.
            editor->setSelectionStart(int(rng() % unsigned(length + 1)));
            QByteArray big;
            while (big.size() < 70000)
                big += randomPiece(rng, 40).replace('\r', ' ');
            editor->setSelectionText(big);
        } else {
            editor->Refresh();
        }

        compare(step, op);
        if (HasFatalFailure())
            return;
    }

    // With word wrap on: typing at the very end, a paste at the start longer than an edit
    // wraps at once, and its undo.
    editor->setWordWrap(true);
    editor->setSelectionStart(editor->Lines().TextLength());
    QTest::keyClick(editor.get(), Qt::Key_A);
    compare(1000, 0);
    QByteArray big;
    while (big.size() < 200000)
        big += randomPiece(rng, 40).replace('\r', ' ');
    editor->setSelectionStart(0);
    editor->setSelectionText(big);
    compare(1001, 0);
    QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
    compare(1002, 0);
}
