#include "editor/utf8text.h"
#include "tests/editor/editortesting.h"
#include "tests/support/tempdir.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using editor::TextEncoding;

namespace {

QByteArray u8(const char* text) { return QByteArray(text); }

// Loads the bytes through a real file, saves into another and gives those bytes back,
// with the encoding the editor recognised.
QByteArray roundTripWithEncoding(const QByteArray& bytes, TextEncoding* encoding = nullptr, bool* mark = nullptr)
{
    TestDir dir;
    TTextEditor editor;
    editor.Lines().LoadTextFile(dir.write(QStringLiteral("in.txt"), bytes));
    if (encoding)
        *encoding = editor.Encoding();
    if (mark)
        *mark = editor.ByteOrderMark();
    const QString out = dir.file(QStringLiteral("out.txt"));
    editor.Lines().SaveTextFile(out);
    return TestDir::read(out);
}

// One key event per character, a character beyond U+FFFF as its surrogate pair.
void typeCharacters(TTextEditor& editor, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QKeyEvent event(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, text.mid(i, n));
        QApplication::sendEvent(&editor, &event);
        i += n - 1;
    }
}

void pressKey(TTextEditor& editor, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(&editor, key, mods);
}

}  // namespace

// ---- Recognition ----

TEST(Utf8Recognition, TheRuleDecidesByMarkValidityAndHighBytes)
{
    struct Case {
        QByteArray bytes;
        TextEncoding encoding;
        bool mark;
    };
    const Case cases[] = {
        {"", TextEncoding::Windows1252, false},
        {"plain ASCII\r\n", TextEncoding::Windows1252, false},
        {u8("Gr\xC3\xBC\xC3\x9F" "e"), TextEncoding::Utf8, false},
        {u8("\xEF\xBB\xBF"), TextEncoding::Utf8, true},                        // the mark alone
        {u8("\xEF\xBB\xBF" "ascii"), TextEncoding::Utf8, true},
        {u8("\xEF\xBB\xBF" "\xFC"), TextEncoding::Windows1252, false},         // mark, then 1252
        {u8("Gr\xFC\xDF" "e"), TextEncoding::Windows1252, false},              // 1252 umlauts
        {u8("\xF0\x9F\x98\x80"), TextEncoding::Utf8, false},                   // four bytes
        {u8("a\xF0\x9F\x98"), TextEncoding::Windows1252, false},               // cut off at the end
        {u8("\xC0\xAF"), TextEncoding::Windows1252, false},                    // overlong
        {u8("\xE0\x80\xAF"), TextEncoding::Windows1252, false},                // overlong, three bytes
        {u8("\xF0\x80\x80\xAF"), TextEncoding::Windows1252, false},            // overlong, four bytes
        {u8("\xED\xA0\x80"), TextEncoding::Windows1252, false},                // encoded surrogate
        {u8("\xF4\x90\x80\x80"), TextEncoding::Windows1252, false},            // above U+10FFFF
        {u8("\xF5\x80\x80\x80"), TextEncoding::Windows1252, false},
        {u8("\x80"), TextEncoding::Windows1252, false},                        // stray continuation
        {u8("\xC3\xBC\xBC"), TextEncoding::Windows1252, false},
        {u8("\xEF\xBF\xBF\xF4\x8F\xBF\xBF\xED\x9F\xBF"), TextEncoding::Utf8, false},  // the edges
    };
    for (const Case& c : cases) {
        const editor::EncodingGuess guess = editor::guessEncoding(c.bytes);
        EXPECT_EQ(guess.encoding, c.encoding) << c.bytes.toHex().constData();
        EXPECT_EQ(guess.byteOrderMark, c.mark) << c.bytes.toHex().constData();
        // The loader, reading in blocks, comes to the same.
        auto editor = makeEditor(c.bytes);
        EXPECT_EQ(editor->Encoding(), c.encoding) << c.bytes.toHex().constData();
        EXPECT_EQ(editor->ByteOrderMark(), c.mark) << c.bytes.toHex().constData();
        EXPECT_EQ(savedBytes(*editor), c.bytes) << c.bytes.toHex().constData();
    }
}

TEST(Utf8Recognition, ASequenceAcrossReadBlocksAndAnErrorFarIn)
{
    // The loader reads 256 KB at a time: a character split over two blocks is whole.
    QByteArray text(256 * 1024 - 1, 'a');
    text.append("\xC3\xBC");
    text.append(QByteArray(1000, 'b'));
    EXPECT_EQ(editor::guessEncoding(text).encoding, TextEncoding::Utf8);
    auto editor = makeEditor(text);
    EXPECT_EQ(editor->Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(editor->Lines().TextLength(), text.size() - 1);
    // One bad byte at the very end of a long valid text makes it all 1252.
    text.append('\xFC');
    auto other = makeEditor(text);
    EXPECT_EQ(other->Encoding(), TextEncoding::Windows1252);
    EXPECT_EQ(other->Lines().TextLength(), text.size());
}

// The table of well-formed byte sequences, read slowly, as the reference.
bool wellFormed(const QByteArray& bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = s[i];
        int length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c < 0x80) length = 1;
        else if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c == 0xE0) length = 3, low = 0xA0;
        else if (c == 0xED) length = 3, high = 0x9F;
        else if (c >= 0xE1 && c <= 0xEF) length = 3;
        else if (c == 0xF0) length = 4, low = 0x90;
        else if (c == 0xF4) length = 4, high = 0x8F;
        else if (c >= 0xF1 && c <= 0xF3) length = 4;
        else return false;
        if (i + length > n)
            return false;
        for (int k = 1; k < length; ++k) {
            const unsigned char d = s[i + k];
            if (d < (k == 1 ? low : 0x80) || d > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

TEST(Utf8Recognition, TheCheckAgreesWithTheTableOnRandomTextFedInRandomPieces)
{
    // Valid characters of every length, and the classic faults, strewn over runs of ASCII
    // so that they fall on every place of the blocks the check works in.
    const QByteArray pieces[] = {"a", "hello world, ", u8("\xC3\xBC"), u8("\xE2\x82\xAC"), u8("\xF0\x9F\x98\x80"),
                                 u8("\xEF\xBF\xBF"), u8("\xF4\x8F\xBF\xBF"), u8("\xC2\x80"), u8("\xED\x9F\xBF"),
                                 u8("\xC3"), u8("\xBC"), u8("\xE2\x82"), u8("\xF0\x9F"), u8("\xC0\x80"), u8("\xC1\xBF"),
                                 u8("\xE0\x9F\xBF"), u8("\xED\xA0\x80"), u8("\xF0\x8F\xBF\xBF"), u8("\xF4\x90\x80\x80"),
                                 u8("\xF5\x80"), u8("\xFF"), u8("\xFE"), u8("\xF8\x88\x80\x80\x80")};
    std::mt19937 rng(99);
    int valid = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray text;
        const int count = int(rng() % 40);
        const bool clean = rng() % 2 == 0;
        for (int i = 0; i < count; ++i) {
            const size_t k = rng() % (clean ? 9 : std::size(pieces));
            text += pieces[k];
            if (rng() % 3 == 0)
                text += QByteArray(int(rng() % 40), 'x');
        }
        editor::Utf8Validator check;
        for (qsizetype at = 0; at < text.size();) {
            const qsizetype n = std::min<qsizetype>(text.size() - at, 1 + rng() % 70);
            check.feed(QByteArrayView(text).sliced(at, n));
            at += n;
        }
        const bool expected = wellFormed(text);
        valid += expected;
        ASSERT_EQ(check.valid(), expected) << text.toHex().constData();
        ASSERT_EQ(check.sawNonAscii(), std::any_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x80;
        })) << text.toHex().constData();
    }
    EXPECT_GT(valid, 1000);  // both outcomes were tried often
    EXPECT_LT(valid, 3500);
}

// ---- Round trips ----

TEST(Utf8RoundTrip, MarksBreaksAndFourByteCharactersComeBackUnchanged)
{
    const QByteArray files[] = {
        u8("\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e\r\nzweite\ndritte\r\r\n"),
        u8("Gr\xC3\xBC\xC3\x9F" "e\r\nzweite\ndritte\rvierte"),
        u8("\xF0\x9F\x98\x80 Lachen \xF0\x90\x8D\x88\n\xE2\x82\xAC 5\r\n"),
    };
    for (const QByteArray& file : files) {
        TextEncoding encoding;
        bool mark;
        EXPECT_EQ(roundTripWithEncoding(file, &encoding, &mark), file);
        EXPECT_EQ(encoding, TextEncoding::Utf8);
        EXPECT_EQ(mark, file.startsWith("\xEF\xBB\xBF"));
    }
}

TEST(Utf8RoundTrip, WhatIsNotUtf8StaysByteForByte)
{
    TextEncoding encoding;
    // A character cut off at the end of the file makes it 1252.
    const QByteArray cut = u8("Gr\xC3\xBC\xC3");
    EXPECT_EQ(roundTripWithEncoding(cut, &encoding), cut);
    EXPECT_EQ(encoding, TextEncoding::Windows1252);
    // Every byte value, and a megabyte of NULs.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(roundTripWithEncoding(all, &encoding), all);
    EXPECT_EQ(encoding, TextEncoding::Windows1252);
    const QByteArray nuls(1 << 20, '\0');
    EXPECT_EQ(roundTripWithEncoding(nuls, &encoding), nuls);
    EXPECT_EQ(encoding, TextEncoding::Windows1252);
}

TEST(Utf8RoundTrip, A1252TextThatHappensToBeValidUtf8IsReadAsUtf8AndSavedUnchanged)
{
    // "Ã¼" written in 1252 is C3 BC, which is also "ü" in UTF-8. The rule reads it as
    // UTF-8: such pairs almost never occur in real 1252 text. The bytes stay as they were.
    const QByteArray file = u8("\xC3\xBC");
    auto editor = makeEditor(file);
    EXPECT_EQ(editor->Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(editor->Lines().TextLength(), 1);
    EXPECT_EQ(savedBytes(*editor), file);
}

TEST(Utf8RoundTrip, EditedTextIsSavedAsUtf8WithTheMarkItHad)
{
    auto editor = makeEditor(u8("\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e"));
    editor->setSelectionStart(5);
    typeCharacters(*editor, QString::fromUtf8("ü€😀"));
    EXPECT_EQ(savedBytes(*editor), u8("\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80"));
    // Bytes that are no UTF-8 never get into a UTF-8 text.
    editor->setSelectionText(u8("\xFC"));
    EXPECT_EQ(editor->SelectionStart(), 9);
    EXPECT_TRUE(editor::guessEncoding(savedBytes(*editor)).encoding == TextEncoding::Utf8);
    // A 1252 text keeps turning what it cannot hold into "?".
    auto ansi = makeEditor("ab");
    ansi->setSelectionStart(2);
    typeCharacters(*ansi, QString::fromUtf8("ü€😀"));
    EXPECT_EQ(savedBytes(*ansi), QByteArray("ab\xFC\x80?"));
}

// ---- Editing ----

TEST(Utf8Editing, PositionsLengthsAndColumnsCountCharacters)
{
    // "Grüße" then a line with a four-byte character.
    auto editor = makeEditor(u8("Gr\xC3\xBC\xC3\x9F" "e\r\n\xF0\x9F\x98\x80" "ab"));
    EXPECT_EQ(editor->Lines().TextLength(), 9);
    EXPECT_EQ(editor->Lines().LineStart(1), 6);
    EXPECT_EQ(editor->Lines().LineText(0), u8("Gr\xC3\xBC\xC3\x9F" "e"));
    editor->setSelectionStart(7);
    EXPECT_EQ(editor->SelectionStart(), 7);
    EXPECT_EQ(editor->CaretLine(), 1);
    EXPECT_EQ(editor->CaretColumn(), 1);
    editor->setSelectionStart(2);
    editor->setSelectionLength(2);
    EXPECT_EQ(editor->SelectionText(), u8("\xC3\xBC\xC3\x9F"));
    EXPECT_EQ(editor->SelectionLength(), 2);
    editor->setCaretLine(1);
    EXPECT_EQ(editor->SelectionStart(), 8);  // column 2 on the next line
    editor->setCaretColumn(3);
    EXPECT_EQ(editor->SelectionStart(), 9);
    // Keys move and delete whole characters.
    editor->setFocus();
    pressKey(*editor, Qt::Key_Home);
    pressKey(*editor, Qt::Key_Right);
    EXPECT_EQ(editor->SelectionStart(), 7);
    EXPECT_EQ(editor->CaretColumn(), 1);
    pressKey(*editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->Lines().LineText(1), QByteArray("ab"));
    pressKey(*editor, Qt::Key_Up);
    pressKey(*editor, Qt::Key_End);
    pressKey(*editor, Qt::Key_Left, Qt::ShiftModifier);
    pressKey(*editor, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(editor->SelectionText(), u8("\xC3\x9F" "e"));
    pressKey(*editor, Qt::Key_Home);
    pressKey(*editor, Qt::Key_Right, Qt::ControlModifier);  // umlauts belong to the word
    EXPECT_EQ(editor->SelectionStart(), 5);
    pressKey(*editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->Lines().LineText(0), u8("Gr\xC3\xBC\xC3\x9F"));
    EXPECT_EQ(editor->LastChangeRange(), std::make_pair(4, 4));
    // Undo and redo give back the characters and the positions.
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().LineText(0), u8("Gr\xC3\xBC\xC3\x9F" "e"));
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().Text(), u8("Gr\xC3\xBC\xC3\x9F" "e\r\xF0\x9F\x98\x80" "ab"));
    EXPECT_EQ(editor->SelectionStart(), 7);
    editor->RedoLastStep();
    EXPECT_EQ(editor->Lines().TextLength(), 8);
    EXPECT_EQ(editor->SelectionStart(), 6);
    // Overwriting replaces characters, not bytes.
    pressKey(*editor, Qt::Key_Insert);
    editor->setSelectionStart(2);
    typeCharacters(*editor, QStringLiteral("ue"));
    EXPECT_EQ(editor->Lines().LineText(0), QByteArray("Gruee"));
}

TEST(Utf8Editing, ClipboardInAndOutKeepsEveryCharacter)
{
    auto editor = makeEditor(u8("Gr\xC3\xBC\xC3\x9F" "e\r\nWelt"));
    editor->SelectWholeText();
    editor->CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Grüße\nWelt"));
    QApplication::clipboard()->setText(QString::fromUtf8("„x“ → 😀"));
    editor->setSelectionStart(5);
    editor->PasteClipboard();
    EXPECT_EQ(editor->Lines().LineText(0), QString::fromUtf8("Grüße„x“ → 😀").toUtf8());
    EXPECT_EQ(editor->SelectionStart(), 5 + 7);
    editor->setSelectionStart(5);
    editor->setSelectionLength(7);
    editor->CutSelection();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("„x“ → 😀"));
    EXPECT_EQ(editor->Lines().TextLength(), 10);
}

TEST(Utf8Editing, ALongLineMapsPositionsBothWaysAcrossItsIndex)
{
    // Far more than one index step, with characters of every length, edited at both ends.
    QByteArray line;
    const QByteArray pieces[] = {"a", u8("\xC3\xBC"), u8("\xE2\x82\xAC"), u8("\xF0\x9F\x98\x80")};
    int chars = 0;
    for (int i = 0; line.size() < 600 * 1024; ++i, ++chars)
        line.append(pieces[(i * 7) % 4]);
    auto editor = makeEditor(line);
    ASSERT_EQ(editor->Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(editor->Lines().TextLength(), chars);
    for (int pos : {0, 1, 4095, 65537, chars / 2, chars - 1, chars}) {
        editor->setSelectionStart(pos);
        EXPECT_EQ(editor->SelectionStart(), pos);
        EXPECT_EQ(editor->CaretColumn(), pos);
    }
    editor->setSelectionStart(0);
    typeCharacters(*editor, QString::fromUtf8("€ü"));
    editor->setSelectionStart(chars + 2);
    EXPECT_EQ(editor->SelectionStart(), chars + 2);
    editor->setSelectionStart(chars / 2);
    editor->setSelectionLength(3);
    editor->setSelectionText("x");
    EXPECT_EQ(editor->Lines().TextLength(), chars);
    EXPECT_EQ(editor->SelectionStart(), chars / 2 + 1);
    editor->UndoLastStep();
    editor->UndoLastStep();
    editor->UndoLastStep();
    EXPECT_EQ(editor->Lines().Text(), line);
    editor->setSelectionStart(chars);
    EXPECT_EQ(editor->SelectionStart(), chars);
}

TEST(Utf8Editing, NewTextsAreUtf8OnlyWhenSetAndStillEmpty)
{
    auto editor = makeEditor();
    EXPECT_EQ(editor->Encoding(), TextEncoding::Windows1252);
    editor->setNewTextEncoding(TextEncoding::Utf8);
    EXPECT_EQ(editor->Encoding(), TextEncoding::Utf8);
    typeCharacters(*editor, QString::fromUtf8("ß"));
    EXPECT_EQ(savedBytes(*editor), u8("\xC3\x9F"));
    editor->setNewTextEncoding(TextEncoding::Windows1252);  // too late: the text has characters
    EXPECT_EQ(editor->Encoding(), TextEncoding::Utf8);
    EXPECT_FALSE(editor->ByteOrderMark());
    // A file loaded afterwards brings its own.
    QByteArray data("ascii");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    editor->Lines().LoadTextStream(buffer);
    EXPECT_EQ(editor->Encoding(), TextEncoding::Windows1252);
}

TEST(Utf8Editing, PaintingAndWrappingShowCharactersNotBytes)
{
    // Twenty umlauts are as wide as twenty "u", not forty.
    auto umlauts = makeEditor(QString(20, QChar(0xFC)).toUtf8());
    auto plain = makeEditor(QByteArray(20, 'u'));
    EXPECT_EQ(umlauts->positionRect(20).x(), plain->positionRect(20).x());
    EXPECT_EQ(umlauts->positionRect(7).x(), plain->positionRect(7).x());
    // A click lands between characters.
    const QRect r = umlauts->positionRect(3);
    QTest::mouseClick(umlauts->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(r.x() + 1, r.center().y()));
    EXPECT_EQ(umlauts->SelectionStart(), 3);
    // Word wrap breaks between characters and counts the same lines as for "u".
    const QByteArray words = QString::fromUtf8("äöü ").repeated(60).toUtf8();
    auto wrapped = makeEditor(words, QSize(200, 300));
    auto wrappedPlain = makeEditor(QByteArray("aou ").repeated(60), QSize(200, 300));
    wrapped->setWordWrap(true);
    wrappedPlain->setWordWrap(true);
    EXPECT_EQ(wrapped->Lines().LineCount(), wrappedPlain->Lines().LineCount());
    for (int i = 0; i < wrapped->Lines().LineCount(); ++i) {
        EXPECT_EQ(wrapped->Lines().LineStart(i), wrappedPlain->Lines().LineStart(i));
        EXPECT_EQ(editor::guessEncoding(wrapped->Lines().LineText(i)).encoding, TextEncoding::Utf8);
    }
    (void)wrapped->grab();
}
