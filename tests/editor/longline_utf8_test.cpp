// Edits, word-wrap switches, resizes and undo/redo on a long UTF-8 line with characters of
// one to four bytes, compared after every step with an editor that loads the same text
// afresh: positions, lengths and columns in characters, the lines and the x of positions.
#include "editor/utf8text.h"
#include "tests/editor/editortesting.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <random>

namespace {

QString randomUtf8Piece(std::mt19937& rng, int maxLength)
{
    static const char* words[] = {"Größe", "ein", "\xE2\x82\xAC", "\t", " ", "  ", "Straßenbahnhaltestelle",
                                  "\xF0\x9F\x98\x80", "\xCE\xB1\xCE\xB2", "ab\tcd", "\r"};
    QString out;
    const int n = int(rng() % unsigned(maxLength)) + 1;
    while (out.size() < n)
        out += QString::fromUtf8(words[rng() % 11]);
    return out;
}

}  // namespace

TEST(EditorLongLine, AUtf8LineEditedAtRandomMatchesAFreshLoad)
{
    std::mt19937 rng(1701);
    QString line;
    while (line.size() < 80000)  // beyond one step of the character index
        line += randomUtf8Piece(rng, 30).replace('\r', ' ');
    auto editor = makeEditor(("Anfang\r\n" + line + "\r\nEnde").toUtf8(), QSize(420, 300));
    ASSERT_EQ(editor->Encoding(), editor::TextEncoding::Utf8);
    editor->setFocus();

    for (int step = 0; step < 200; ++step) {
        const int length = editor->Lines().TextLength();
        const int op = int(rng() % 12);
        if (op < 4) {  // typed, one key event per character
            editor->setSelectionStart(int(rng() % unsigned(length + 1)));
            const QString piece = randomUtf8Piece(rng, 3);
            for (qsizetype i = 0; i < piece.size(); ++i) {
                const qsizetype n = piece[i].isHighSurrogate() ? 2 : 1;
                const Qt::Key key = piece[i] == '\r' ? Qt::Key_Return : piece[i] == '\t' ? Qt::Key_Tab : Qt::Key_A;
                QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, piece.mid(i, n));
                QApplication::sendEvent(editor.get(), &event);
                i += n - 1;
            }
        } else if (op < 6) {  // pasted over a selection
            editor->setSelectionStart(int(rng() % unsigned(length + 1)));
            editor->setSelectionLength(int(rng() % 50));
            editor->setSelectionText(randomUtf8Piece(rng, 3000).toUtf8());
        } else if (op < 8) {  // a stretch deleted, or one character with Backspace
            editor->setSelectionStart(int(rng() % unsigned(length + 1)));
            editor->setSelectionLength(op == 6 ? int(rng() % 3000) : 0);
            QTest::keyClick(editor.get(), op == 6 ? Qt::Key_Delete : Qt::Key_Backspace);
        } else if (op == 8) {
            QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        } else if (op == 9) {
            QTest::keyClick(editor.get(), Qt::Key_Y, Qt::ControlModifier);
        } else if (op == 10) {
            editor->setWordWrap(!editor->WordWrap());
        } else {
            editor->resize(200 + int(rng() % 500), 150 + int(rng() % 300));
        }

        QByteArray file = editor->Lines().Text();
        ASSERT_EQ(editor::guessEncoding(file).encoding == editor::TextEncoding::Utf8,
                  editor::countUtf8Chars(file) != file.size())
            << "step " << step << ": the text is no longer valid UTF-8";
        file.replace('\r', "\r\n");
        auto reference = makeEditor(file, editor->size());
        reference->setWordWrap(editor->WordWrap());
        reference->setSelectionStart(editor->SelectionStart());
        reference->setSelectionLength(editor->SelectionLength());
        ASSERT_EQ(editor->Lines().TextLength(), reference->Lines().TextLength()) << "step " << step;
        ASSERT_EQ(editor->SelectionStart(), reference->SelectionStart()) << "step " << step;
        ASSERT_EQ(editor->SelectionText(), reference->SelectionText()) << "step " << step;
        ASSERT_EQ(editor->CaretLine(), reference->CaretLine()) << "step " << step;
        ASSERT_EQ(editor->CaretColumn(), reference->CaretColumn()) << "step " << step;
        const int lines = reference->Lines().LineCount();
        ASSERT_EQ(editor->Lines().LineCount(), lines) << "step " << step;
        for (int i = 0; i < lines; i += 1 + int(rng() % 5))
            ASSERT_EQ(editor->Lines().LineStart(i), reference->Lines().LineStart(i)) << "step " << step << " line " << i;
        if (!editor->WordWrap()) {
            for (int k = 0; k < 4; ++k) {
                const int pos = int(rng() % unsigned(editor->Lines().TextLength() + 1));
                ASSERT_NEAR(editor->positionRect(pos).x() - editor->positionRect(0).x(),
                            reference->positionRect(pos).x() - reference->positionRect(0).x(), 1)
                    << "step " << step << " pos " << pos;
            }
        }
    }
}
