#include "platform/codepage1252.h"
#include "editor/textbuffer.h"
#include "editor/textdocument.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using editor::BreakKind;
using editor::EditOrigin;
using editor::TextBuffer;
using editor::TextDocument;

namespace {

// A plain model of the buffer: the text with CR for a break and the kinds beside it.
struct Reference {
    std::string text;
    std::vector<BreakKind> kinds;

    int breaksBefore(int pos) const { return int(std::count(text.begin(), text.begin() + pos, '\r')); }
    void insert(int pos, const std::string& s, BreakKind kind)
    {
        const int at = breaksBefore(pos);
        const int n = int(std::count(s.begin(), s.end(), '\r'));
        kinds.insert(kinds.begin() + at, size_t(n), kind);
        text.insert(size_t(pos), s);
    }
    void remove(int pos, int len)
    {
        const int a = breaksBefore(pos);
        const int b = breaksBefore(pos + len);
        kinds.erase(kinds.begin() + a, kinds.begin() + b);
        text.erase(size_t(pos), size_t(len));
    }
    std::string file() const
    {
        std::string out;
        size_t k = 0;
        for (char c : text) {
            if (c != '\r') {
                out += c;
                continue;
            }
            const BreakKind kind = kinds[k++];
            out += kind == BreakKind::CrLf ? "\r\n" : kind == BreakKind::Lf ? "\n" : "\r";
        }
        return out;
    }
};

std::string randomText(std::mt19937& rng, int maxLen)
{
    std::uniform_int_distribution<int> len(0, maxLen);
    std::uniform_int_distribution<int> pick(0, 9);
    std::string s(size_t(len(rng)), 'x');
    for (char& c : s) {
        const int p = pick(rng);
        c = p < 2 ? '\r' : p < 3 ? char(0x80 + pick(rng) * 12) : p < 4 ? '\0' : char('a' + pick(rng));
    }
    return s;
}

QByteArray bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

std::string written(const TextBuffer& buffer)
{
    std::string out;
    buffer.write([&](const char* d, qint64 n) { out.append(d, size_t(n)); return true; }, 7);
    return out;
}

void expectSame(const TextBuffer& buffer, const Reference& ref)
{
    ASSERT_EQ(buffer.length(), int(ref.text.size()));
    ASSERT_EQ(buffer.text(), bytes(ref.text));
    ASSERT_EQ(buffer.breakCount(), int(ref.kinds.size()));
    int line = 0;
    int start = 0;
    for (int pos = 0; pos <= int(ref.text.size()); ++pos) {
        ASSERT_EQ(buffer.lineOf(pos), line) << "pos " << pos;
        if (pos == int(ref.text.size()) || ref.text[size_t(pos)] == '\r') {
            ASSERT_EQ(buffer.lineStart(line), start);
            ASSERT_EQ(buffer.lineEnd(line), pos);
            if (pos < int(ref.text.size())) {
                ASSERT_EQ(buffer.breakKind(line), ref.kinds[size_t(line)]);
            }
            ++line;
            start = pos + 1;
        }
    }
    ASSERT_EQ(written(buffer), ref.file());
}

}  // namespace

TEST(TextBuffer, RandomEditsMatchPlainString)
{
    std::mt19937 rng(12345);
    TextBuffer buffer;
    Reference ref;
    for (int round = 0; round < 3000; ++round) {
        const int len = buffer.length();
        std::uniform_int_distribution<int> posDist(0, len);
        const int pos = posDist(rng);
        const int op = int(rng() % 4);
        if (op <= 1 || len == 0) {
            const std::string s = randomText(rng, 16);
            const BreakKind kind = BreakKind(rng() % 3);
            buffer.insert(pos, bytes(s), kind);
            ref.insert(pos, s, kind);
        } else {
            std::uniform_int_distribution<int> lenDist(0, std::min(8, len - pos));
            const int n = lenDist(rng);
            const QByteArray kinds = buffer.kindsIn(pos, n);
            const QByteArray removedKinds = buffer.remove(pos, n);
            EXPECT_EQ(kinds, removedKinds);
            ref.remove(pos, n);
            if (op == 3) {  // replace: put other text in its place
                const std::string s = randomText(rng, 6);
                buffer.insert(pos, bytes(s), BreakKind::Lf);
                ref.insert(pos, s, BreakKind::Lf);
            }
        }
        expectSame(buffer, ref);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(buffer.length(), 1000);  // the text grew, so the gaps moved and grew often
}

TEST(TextBuffer, PiecesTakenOutGoBackWithTheirBreaks)
{
    // Taking a stretch out and putting it in elsewhere, with the gaps anywhere (also
    // inside the stretch), keeps every byte and every break kind.
    std::mt19937 rng(777);
    TextBuffer buffer;
    Reference ref;
    for (int round = 0; round < 2000; ++round) {
        const int len = buffer.length();
        const int pos = std::uniform_int_distribution<int>(0, len)(rng);
        if (rng() % 3 == 0 || len < 20) {
            const std::string s = randomText(rng, 24);
            const BreakKind kind = BreakKind(rng() % 3);
            buffer.insertPiece(pos, editor::TextPiece::fromText(bytes(s), kind));
            ref.insert(pos, s, kind);
        } else {
            const int n = std::uniform_int_distribution<int>(0, std::min(40, len - pos))(rng);
            const editor::TextPiece piece = buffer.extract(pos, n);
            ASSERT_EQ(piece.text, bytes(ref.text.substr(size_t(pos), size_t(n))));
            const std::vector<BreakKind> kinds(ref.kinds.begin() + ref.breaksBefore(pos),
                                               ref.kinds.begin() + ref.breaksBefore(pos + n));
            ASSERT_EQ(piece.kinds().size(), qsizetype(kinds.size()));
            for (size_t k = 0; k < kinds.size(); ++k)
                ASSERT_EQ(BreakKind(piece.kinds()[qsizetype(k)]), kinds[k]);
            buffer.erase(pos, n);
            ref.remove(pos, n);
            const int to = std::uniform_int_distribution<int>(0, buffer.length())(rng);
            buffer.insertPiece(to, piece);
            const int at = ref.breaksBefore(to);
            ref.kinds.insert(ref.kinds.begin() + at, kinds.begin(), kinds.end());
            ref.text.insert(size_t(to), piece.text.toStdString());
        }
        expectSame(buffer, ref);
        if (HasFatalFailure())
            return;
    }
    // A whole text out and back, as undoing the replacement of everything does.
    const editor::TextPiece all = buffer.extract(0, buffer.length());
    buffer.erase(0, buffer.length());
    EXPECT_EQ(buffer.length(), 0);
    EXPECT_EQ(buffer.lineCount(), 1);
    buffer.insertPiece(0, all);
    expectSame(buffer, ref);
}

TEST(TextBuffer, LoadsEveryBreakKindAndWritesItBack)
{
    const std::string file = std::string("a\r\nb\nc\rd\r\n\n\r\r\nlast") + std::string("\0\xff", 2);
    // Feed the bytes in every split so that a CR LF cut between pieces is still one break.
    for (size_t cut = 0; cut <= file.size(); ++cut) {
        TextBuffer buffer;
        buffer.beginLoad(qint64(file.size()));
        buffer.appendRaw(file.data(), qint64(cut));
        buffer.appendRaw(file.data() + cut, qint64(file.size() - cut));
        buffer.finishLoad();
        EXPECT_EQ(buffer.text(), QByteArray("a\rb\rc\rd\r\r\r\rlast\0\xff", 17)) << cut;
        EXPECT_EQ(written(buffer), file) << cut;
        EXPECT_EQ(buffer.breakKind(0), BreakKind::CrLf);
        EXPECT_EQ(buffer.breakKind(1), BreakKind::Lf);
        EXPECT_EQ(buffer.breakKind(2), BreakKind::Cr);
    }
    TextBuffer endsInCr;
    endsInCr.beginLoad(2);
    endsInCr.appendRaw("x\r", 2);
    endsInCr.finishLoad();
    EXPECT_EQ(endsInCr.lineCount(), 2);
    EXPECT_EQ(written(endsInCr), "x\r");
}

TEST(TextBuffer, GrowsPastItsFirstEstimate)
{
    TextBuffer buffer;
    buffer.beginLoad(0);
    std::string all;
    for (int i = 0; i < 5000; ++i) {
        const std::string line = "Zeile " + std::to_string(i) + "\n";
        buffer.appendRaw(line.data(), qint64(line.size()));
        all += line;
    }
    buffer.finishLoad();
    EXPECT_EQ(buffer.lineCount(), 5001);
    EXPECT_EQ(buffer.text(buffer.lineStart(4321), buffer.lineLength(4321)), QByteArray("Zeile 4321"));
    EXPECT_EQ(written(buffer), all);
}

TEST(TextBuffer, NormalizesInsertedBreaks)
{
    int breaks = 0;
    EXPECT_EQ(editor::normalizeBreaks("a\r\nb\nc\rd\n\r", &breaks), QByteArray("a\rb\rc\rd\r\r"));
    EXPECT_EQ(breaks, 5);
}

TEST(Codepage1252, EveryByteRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        const char16_t u = platform::cp1252ToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(static_cast<unsigned char>(platform::unicodeToCp1252(u)), b) << b;
    }
    EXPECT_EQ(platform::cp1252ToUnicode(0x80), u'€');
    EXPECT_EQ(platform::cp1252ToUnicode(0x84), u'„');
    EXPECT_EQ(platform::cp1252ToUnicode(0x93), u'“');
    EXPECT_EQ(platform::cp1252ToUnicode(0xFC), u'ü');
    EXPECT_EQ(platform::cp1252ToUnicode(0x81), u'\x81');
}

TEST(Codepage1252, CharactersOutsideBecomeQuestionMarks)
{
    EXPECT_EQ(platform::encode1252(u"Grüße €"), QByteArray("Gr\xfc\xdf" "e \x80"));
    EXPECT_EQ(platform::encode1252(u"Ω→x"), QByteArray("??x"));
    // A character outside the basic plane is one character and one "?".
    EXPECT_EQ(platform::encode1252(QString::fromUtf8("a\xF0\x9F\x98\x80" "b")), QByteArray("a?b"));
    EXPECT_EQ(platform::decode1252("\x84Hallo\x93"), QString::fromUtf16(u"„Hallo“"));
}

// ---- Undo history ----

namespace {

void type(TextDocument& doc, const char* text)
{
    for (const char* p = text; *p; ++p)
        doc.replaceSelection(QByteArrayView(p, 1), EditOrigin::Typing);
}

}  // namespace

TEST(UndoHistory, TypingFormsOneStepUntilTheCaretMoves)
{
    TextDocument doc;
    type(doc, "Hallo");
    type(doc, " Welt");
    EXPECT_EQ(doc.history().undoCount(), 1);
    doc.setSelection(0, 0);
    type(doc, ">");
    EXPECT_EQ(doc.history().undoCount(), 2);
    ASSERT_TRUE(doc.undo(nullptr));
    EXPECT_EQ(doc.buffer().text(), QByteArray("Hallo Welt"));
    ASSERT_TRUE(doc.undo(nullptr));
    EXPECT_EQ(doc.buffer().text(), QByteArray(""));
    EXPECT_FALSE(doc.canUndo());
    ASSERT_TRUE(doc.redo(nullptr));
    EXPECT_EQ(doc.buffer().text(), QByteArray("Hallo Welt"));
    EXPECT_EQ(doc.caret(), 10);
}

TEST(UndoHistory, BackspaceAndDeleteRunsMerge)
{
    TextDocument doc;
    doc.replace(0, 0, "abcdefgh", EditOrigin::Command);
    doc.setSelection(6, 6);
    for (int pos = 5; pos >= 3; --pos)
        doc.replace(pos, 1, "", EditOrigin::Backspace);
    EXPECT_EQ(doc.buffer().text(), QByteArray("abcgh"));
    doc.setSelection(1, 1);
    doc.replace(1, 1, "", EditOrigin::DeleteForward);
    doc.replace(1, 1, "", EditOrigin::DeleteForward);
    EXPECT_EQ(doc.buffer().text(), QByteArray("agh"));
    EXPECT_EQ(doc.history().undoCount(), 3);
    doc.undo(nullptr);
    EXPECT_EQ(doc.buffer().text(), QByteArray("abcgh"));
    doc.undo(nullptr);
    EXPECT_EQ(doc.buffer().text(), QByteArray("abcdefgh"));
}

TEST(UndoHistory, LimitKeepsTheNewestSteps)
{
    TextDocument doc;
    doc.history().setLimit(50);
    for (int i = 0; i < 51; ++i)
        doc.replace(doc.length(), 0, QByteArray::number(i % 10), EditOrigin::Command);
    int undone = 0;
    while (doc.undo(nullptr))
        ++undone;
    EXPECT_EQ(undone, 50);
    EXPECT_EQ(doc.buffer().text(), QByteArray("0"));
    doc.history().setLimit(0);
    doc.replace(0, 0, "x", EditOrigin::Command);
    EXPECT_FALSE(doc.canUndo());
}

TEST(UndoHistory, UnrecordedEditEmptiesTheHistory)
{
    TextDocument doc;
    doc.replace(0, 0, "abc", EditOrigin::Command);
    doc.replace(0, 0, "x\r\n", EditOrigin::Command, false);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_EQ(doc.buffer().text(), QByteArray("x\rabc"));
}

TEST(UndoHistory, RandomEditsUndoAndRedoToEarlierTexts)
{
    std::mt19937 rng(777);
    TextDocument doc;
    TextBuffer loaded;
    loaded.beginLoad(0);
    loaded.appendRaw("eins\nzwei\r\ndrei\rvier", 20);
    loaded.finishLoad();
    doc.adopt(std::move(loaded));
    doc.history().setLimit(1000000);
    std::vector<std::string> states{written(doc.buffer())};  // file form, with break kinds
    size_t current = 0;
    for (int round = 0; round < 2000; ++round) {
        const int op = int(rng() % 5);
        if (op == 3 && doc.canUndo()) {
            ASSERT_TRUE(doc.undo(nullptr));
            --current;
        } else if (op == 4 && doc.canRedo()) {
            ASSERT_TRUE(doc.redo(nullptr));
            ++current;
        } else {
            const int len = doc.length();
            const int pos = int(rng() % unsigned(len + 1));
            const int n = int(rng() % unsigned(std::min(8, len - pos) + 1));
            std::string s = randomText(rng, 5);
            for (char& c : s) {
                if (c == '\r' && rng() % 2)
                    c = '\n';
            }
            doc.replace(pos, n, bytes(s), EditOrigin::Command);
            states.resize(current + 1);
            states.push_back(written(doc.buffer()));
            ++current;
        }
        ASSERT_EQ(written(doc.buffer()), states[current]) << "round " << round;
    }
    while (doc.undo(nullptr))
        --current;
    EXPECT_EQ(current, 0u);
    EXPECT_EQ(written(doc.buffer()), "eins\nzwei\r\ndrei\rvier");
}
