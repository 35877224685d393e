#include "dialogs/statistics.h"
#include "document/editorstatistics.h"
#include "tests/editor/editortesting.h"
#include "platform/filefacts.h"
#include "tests/support/fakedocument.h"
#include "tests/support/guards.h"
#include "tests/dialogs/printers.h"

#include <QLocale>
#include <algorithm>
#include <ctime>
#include <vector>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {


struct Counts {
    std::uint64_t words, spaces, characters;
    bool operator==(const Counts&) const = default;
};

Counts count(QList<QByteArray> lines)
{
    const TextCounter c = countDocument(FakeStatisticsDocument(std::move(lines)));
    return {c.words(), c.spaces(), c.characters()};
}

// The editor's text read line by line through the Lines property, the way the counting
// went before it read the text in blocks.
struct EditorLinesOneByOne : IStatisticsDocument {
    const TTextEditorLines& lines;
    bool utf8Text;
    EditorLinesOneByOne(const TTextEditorLines& l, bool utf8Text) : lines(l), utf8Text(utf8Text) {}
    QString caption() const override { return {}; }
    qint64 lineCount() const override { return lines.LineCount(); }
    QByteArray lineText(qint64 i) const override { return lines.LineText(int(i)); }
    bool utf8() const override { return utf8Text; }
};

}  // namespace

TEST(Statistics, CountingExamples)
{
    EXPECT_EQ(count({}), (Counts{0, 0, 0}));
    EXPECT_EQ(count({"abc"}), (Counts{1, 0, 3}));
    // A line break ends a word, as a blank does, without counting as a space.
    EXPECT_EQ(count({"abc", "def"}), (Counts{2, 0, 6}));
    EXPECT_EQ(count({"abc ", "def"}), (Counts{2, 1, 7}));
    EXPECT_EQ(count({"a  b"}), (Counts{2, 2, 4}));
    EXPECT_EQ(count({"   "}), (Counts{0, 3, 3}));
    EXPECT_EQ(count({"a\tb"}), (Counts{1, 0, 3}));
    // Empty lines add nothing.
    EXPECT_EQ(count({"ab", "", "", "cd"}), (Counts{2, 0, 4}));
    EXPECT_EQ(count({" x", "", " y z "}), (Counts{3, 4, 7}));
    // Bytes above 127 (Windows-1252 letters) are word characters.
    EXPECT_EQ(count({"\xe4\xf6\xfc \xdf"}), (Counts{2, 1, 5}));
}

TEST(Statistics, LongLinesCountLikeTheCharacterByCharacterRule)
{
    // Lines of every length around the 64-byte blocks, blanks at block edges, words that
    // run across block and line boundaries.
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    QList<QByteArray> lines;
    for (int length : {0, 1, 63, 64, 65, 127, 128, 129, 200, 640, 1000}) {
        for (int variant = 0; variant < 4; ++variant) {
            QByteArray line(length, 'x');
            for (char& c : line) {
                const std::uint32_t r = next() >> 24;
                c = r < 80 ? ' ' : r < 90 ? '\t' : char('a' + r % 26);
            }
            if (variant == 1 && length > 0)
                line[length - 1] = ' ';
            if (variant == 2 && length > 64)
                line[63] = ' ', line[64] = 'y';
            lines.append(line);
        }
    }
    std::uint64_t words = 0, spaces = 0, characters = 0;
    bool inside = false;
    for (const QByteArray& line : lines) {
        inside = false;  // a line break ends a word
        characters += std::uint64_t(line.size());
        for (char c : line) {
            if (c == ' ') {
                ++spaces;
                inside = false;
            } else if (!inside) {
                ++words;
                inside = true;
            }
        }
    }
    EXPECT_EQ(count(lines), (Counts{words, spaces, characters}));
    EXPECT_EQ(count({QByteArray(64, ' '), QByteArray(64, 'a'), QByteArray(64, 'b')}), (Counts{2, 64, 192}));
    EXPECT_EQ(count({QByteArray(128, 'a') + ' ', QByteArray(130, 'b')}), (Counts{2, 1, 259}));
    // Counted by hand: runs of a, b and c across the 64-byte block edges, then a line that
    // starts with the word "\td" (a tab is no blank) before " e": 5 words, 4 blanks.
    EXPECT_EQ(count({QByteArray(63, 'a') + ' ' + QByteArray(64, 'b') + "  c", "\td e"}), (Counts{5, 4, 135}));
}

TEST(Statistics, TextInBlocksCountsLikeLineByLine)
{
    // Lines with runs of empty lines (breaks in a row across 64-byte blocks), blanks
    // before and after breaks, given once line by line and once as one text with CR
    // breaks cut into blocks anywhere.
    std::uint32_t seed = 777;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 200; ++round) {
        QList<QByteArray> lines;
        const int lineCount = 1 + int(next() >> 24) % 200;
        for (int i = 0; i < lineCount; ++i) {
            const std::uint32_t kind = next() >> 28;
            const int length = kind < 6 ? 0 : kind < 12 ? 1 + int(next() >> 28) : int(next() >> 24);
            QByteArray line(length, 'x');
            for (char& c : line) {
                const std::uint32_t r = next() >> 24;
                c = r < 90 ? ' ' : r < 100 ? '\t' : char('a' + r % 26);
            }
            lines.append(line);
        }
        const Counts expected = count(lines);
        struct Blocks : FakeStatisticsDocument {
            QByteArray text;
            std::vector<int> cuts;
            using FakeStatisticsDocument::FakeStatisticsDocument;
            bool forEachBlock(const std::function<void(QByteArrayView)>& visit) const override
            {
                int from = 0;
                for (int cut : cuts) {
                    visit(QByteArrayView(text).sliced(from, cut - from));
                    from = cut;
                }
                visit(QByteArrayView(text).sliced(from));
                return true;
            }
        } blocks(lines);
        blocks.text = lines.join('\r');
        for (int k = 0; k < 3; ++k)
            blocks.cuts.push_back(blocks.text.isEmpty() ? 0 : int(next() % std::uint32_t(blocks.text.size())));
        std::sort(blocks.cuts.begin(), blocks.cuts.end());
        const TextCounter c = countDocument(blocks);
        ASSERT_EQ((Counts{c.words(), c.spaces(), c.characters()}), expected) << round;
    }
}

TEST(Statistics, AnEditorsTextCountsLikeItsLines)
{
    // The document window's reading of its editor: the text in blocks (the gap of the
    // buffer in the middle after an edit) counts as its lines one by one, with word wrap
    // off and on.
    QByteArray text = "ab cd\r\n\r\n  ef\tg \r\nh";
    for (int i = 0; i < 300; ++i)
        text += " Wort" + QByteArray::number(i) + (i % 7 ? "" : "  ");
    text += "\r\n\r\n";
    auto editor = makeEditor(text, QSize(300, 200));
    editor->setSelectionStart(40);
    editor->setSelectionText("eingef\xfcgt ");
    for (bool wrap : {false, true}) {
        editor->setWordWrap(wrap);
        const EditorStatisticsDocument document(QStringLiteral("x"), editor->Lines());
        const EditorLinesOneByOne reference(editor->Lines(), false);
        const TextCounter blocks = countDocument(document);
        const TextCounter lines = countDocument(reference);
        EXPECT_EQ(blocks.words(), lines.words()) << wrap;
        EXPECT_EQ(blocks.spaces(), lines.spaces()) << wrap;
        EXPECT_EQ(blocks.characters(), lines.characters()) << wrap;
        EXPECT_EQ(document.lineCount(), reference.lineCount());
    }
    EXPECT_GT(editor->Lines().LineCount(), 10);  // wrapped into many lines
}

// The dialog's own reading of an editor, in blocks: "abc" CR LF "def" is one word on each
// line, two in all; a lone LF and a lone CR end words too.
TEST(Statistics, BlocksOfAnEditorCountAWordOnEachLine)
{
    for (const QByteArray& text : {QByteArray("abc\r\ndef"), QByteArray("abc\ndef\r\n"), QByteArray("abc\r\r\ndef")}) {
        auto editor = makeEditor(text, QSize(300, 200));
        const EditorStatisticsDocument document(QStringLiteral("x"), editor->Lines());
        ASSERT_TRUE(document.forEachBlock([](QByteArrayView) {}));
        const TextCounter counter = countDocument(document);
        EXPECT_EQ(counter.words(), 2u) << text.constData();
        EXPECT_EQ(counter.spaces(), 0u);
        EXPECT_EQ(counter.characters(), 6u);
    }
}

TEST(Statistics, AUtf8TextCountsCodePoints)
{
    // "Grüße € 😀" and a long second line: characters are code points, in blocks and line
    // by line alike; words and blanks are as in 8-bit text.
    QByteArray text = QString::fromUtf8("Grüße € 😀\r\n").toUtf8();
    for (int i = 0; i < 100; ++i)
        text += QString::fromUtf8("äöü ").toUtf8();
    auto editor = makeEditor(text, QSize(300, 200));
    ASSERT_EQ(editor->Encoding(), editor::TextEncoding::Utf8);
    editor->setSelectionStart(3);
    editor->setSelectionText(QString::fromUtf8("ß").toUtf8());  // the gap lies inside the text
    const EditorStatisticsDocument document(QStringLiteral("x"), editor->Lines(), true);
    const TextCounter blocks = countDocument(document);
    EXPECT_EQ(blocks.characters(), 10u + 400u);
    EXPECT_EQ(blocks.words(), 3u + 100u);  // the break ends the first line's last word
    EXPECT_EQ(blocks.spaces(), 2u + 100u);
    const TextCounter lines = countDocument(EditorLinesOneByOne(editor->Lines(), true));
    EXPECT_EQ(lines.characters(), blocks.characters());
    EXPECT_EQ(lines.words(), blocks.words());
    // The same bytes read as 8-bit text count every byte.
    const EditorStatisticsDocument bytes(QStringLiteral("x"), editor->Lines(), false);
    EXPECT_EQ(countDocument(bytes).characters(), quint64(editor->Lines().Text().size() - 1));
}

TEST(Statistics, FormatThousands)
{
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(7), "7");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1.000");
    EXPECT_EQ(FormatThousands(12345), "12.345");
    EXPECT_EQ(FormatThousands(100000), "100.000");
    EXPECT_EQ(FormatThousands(1234567), "1.234.567");
    // Sizes of 2 GiB and more stay positive.
    EXPECT_EQ(FormatThousands(2147483648LL), "2.147.483.648");
    EXPECT_EQ(FormatThousands(5000000000LL), "5.000.000.000");
    EXPECT_EQ(FormatThousands(-1000), "-1.000");
    EXPECT_EQ(FormatThousands(-999), "-999");
    EXPECT_EQ(FormatThousands(std::numeric_limits<qint64>::min()), "-9.223.372.036.854.775.808");
}

TEST(Statistics, CountersUseTheUsersThousandsSeparator)
{
    LocaleGuard locale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(formatWithLocaleSeparator(12345), "12,345");
    EXPECT_EQ(formatWithLocaleSeparator(0), "0");
    locale.set(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(formatWithLocaleSeparator(1234567), "1.234.567");
    // Without a language (LANG=C.UTF-8) the German separator of the file size, and groups
    // even where the locale omits them.
    locale.set(QLocale::c());
    EXPECT_EQ(formatWithLocaleSeparator(1234), "1.234");
    EXPECT_EQ(formatWithLocaleSeparator(29700), "29.700");
    EXPECT_EQ(FormatThousands(30000), "30.000");
}

TEST(Statistics, AttributeWordsInFixedOrder)
{
    platform::FileFacts facts;
    EXPECT_EQ(attributeWords(facts), "");
    facts.readOnly = true;
    facts.hidden = true;
    EXPECT_EQ(attributeWords(facts), "Versteckt Schreibgeschützt ");
    facts.system = true;
    facts.archive = true;
    EXPECT_EQ(attributeWords(facts), "Versteckt Schreibgeschützt Systemdatei Archivdatei ");
}

TEST(Statistics, FileTimeInLocalFieldsWithoutLeadingZeros)
{
    {
        EnvGuard zone("TZ", "Europe/Berlin");
        tzset();
        // The file system's UTC instants in the user's own time, as the open dialog shows them.
        EXPECT_EQ(formatFileTime(QDateTime(QDate(1999, 7, 1), QTime(9, 5, 7), Qt::UTC)), "1.7.1999 11:5:7");
        EXPECT_EQ(formatFileTime(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 0), Qt::UTC)), "1.1.2025 0:59:0");
        const QDateTime berlin(QDate(1999, 7, 1), QTime(11, 5, 7), QTimeZone("Europe/Berlin"));
        EXPECT_EQ(formatFileTime(berlin), "1.7.1999 11:5:7");
    }
    tzset();  // the zone of the run again
}
