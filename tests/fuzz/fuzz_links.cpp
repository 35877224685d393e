// Fuzz target of the link scanners over one line of 8-bit text.
//
// Input: the line, then a tail whose length is the input's last byte; the tail chooses
// the scheme collection of the extended scanner and the range to widen.
//
// The extended scanner (adExtended): its marks lie inside the line, in order, without
// overlap; each is a whole word of link characters; its entry is the first scheme whose
// upper-cased name plus ":" starts the word and is shorter than it, else entry 0 for an
// e-mail address; and every word that passes that test is marked.
// The built-in detector (adDefault): marks inside the line, in order, without overlap,
// free of white space, with the entry the link notification finds for their text.
// The widening: the range stays inside the text and ends at whole runs of link characters.

#include "editor/links.h"
#include "tests/fuzz/fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

namespace {

bool linkChar(char c) { return IsLinkChar(static_cast<unsigned char>(c)); }

char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// The entry a word of link characters belongs to under the scheme test, or -1.
int entryOf(const QByteArray& word, const TURLCollection& urls)
{
    QByteArray up = word;
    for (char& c : up)
        c = upper(c);
    for (int k = 1; k < urls.Count(); ++k) {
        const QByteArray prefix = urls[k].Name.toUpper().toLatin1() + ':';
        if (up.size() > prefix.size() && up.startsWith(prefix))
            return k;
    }
    if (urls.Count() == 0)
        return -1;
    const qsizetype at = word.indexOf('@');
    if (at >= 1 && at + 1 < word.size()) {
        const qsizetype dot = word.indexOf('.', at + 1);
        if (dot > at + 1)
            return 0;
    }
    return -1;
}

void checkExtended(const QByteArray& line, const TURLCollection& urls, const QString& where)
{
    const std::vector<LinkMark> marks = FindExtendedLinks(std::string_view(line.constData(), size_t(line.size())), urls);
    // The words of the line, each with the entry it should get.
    std::vector<LinkMark> expected;
    for (qsizetype i = 0; i < line.size();) {
        if (!linkChar(line[i])) {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < line.size() && linkChar(line[end]))
            ++end;
        const int entry = entryOf(line.mid(i, end - i), urls);
        if (entry >= 0)
            expected.push_back({int(i), int(end - i), entry});
        i = end;
    }
    int previousEnd = 0;
    for (const LinkMark& m : marks) {
        const QString what = where + QStringLiteral(" extended mark %1+%2 entry %3").arg(m.start).arg(m.length).arg(m.entry);
        FUZZ_CHECK(m.start >= previousEnd && m.length > 0 && m.start + m.length <= line.size(), what);
        FUZZ_CHECK(m.entry >= 0 && m.entry < urls.Count(), what);
        for (int i = m.start; i < m.start + m.length; ++i)
            FUZZ_CHECK(linkChar(line[i]), what);
        previousEnd = m.start + m.length;
    }
    FUZZ_CHECK(marks == expected, where + QStringLiteral(" extended: %1 marks, %2 expected").arg(marks.size()).arg(expected.size()));
}

void checkDefault(const QByteArray& line, const QString& where)
{
    static const TURLCollection defaults;
    const std::vector<LinkMark> marks = FindDefaultLinks(std::string_view(line.constData(), size_t(line.size())));
    int previousEnd = 0;
    for (const LinkMark& m : marks) {
        const QString what = where + QStringLiteral(" default mark %1+%2 entry %3").arg(m.start).arg(m.length).arg(m.entry);
        FUZZ_CHECK(m.start >= previousEnd && m.length > 0 && m.start + m.length <= line.size(), what);
        const QByteArray text = line.mid(m.start, m.length);
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            FUZZ_CHECK(u > 0x20 && u != 0x7F && u != 0xA0, what);
        }
        FUZZ_CHECK(m.entry == SchemeEntryFor(text, defaults), what);
        previousEnd = m.start + m.length;
    }
}

void checkWidening(const QByteArray& text, int start, int end, const QString& where)
{
    LinkRange out{-1, -1};
    const bool marked = WidenLinkRange(std::string_view(text.constData(), size_t(text.size())), start, end, out);
    const int length = int(text.size());
    const QString what = where + QStringLiteral(" widen %1..%2 -> %3 %4..%5").arg(start).arg(end).arg(marked).arg(out.start).arg(out.end);
    if (length < 3) {
        FUZZ_CHECK(!marked, what);
        return;
    }
    if (!marked)
        return;
    FUZZ_CHECK(0 <= out.start && out.start <= out.end && out.end <= length, what);
    // The start lies at the beginning of a run of link characters, at most one after
    // where it was asked (when that character is none).
    FUZZ_CHECK(out.start == 0 || !linkChar(text[out.start - 1]), what);
    FUZZ_CHECK(out.start <= std::clamp(start, 0, length - 1) + 1, what);
    // The end is the end of the text or of a run.
    FUZZ_CHECK(out.end == length || !linkChar(text[out.end]), what);
    // Nothing of the asked range is cut off at the end.
    FUZZ_CHECK(out.end >= std::min(std::max(end, 0), length), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t tail = std::min<std::size_t>(data[size - 1], size - 1);
    const QByteArray line(reinterpret_cast<const char*>(data), qsizetype(size - 1 - tail));
    FuzzedDataProvider fdp(data + size - 1 - tail, tail);
    const QString where = QStringLiteral("line %1").arg(fuzz::show(line));

    // The collection: the default one, emptied, cut down, or with added schemes.
    TURLCollection urls;
    switch (fdp.ConsumeIntegralInRange(0, 3)) {
    case 1:
        urls.Clear();
        break;
    case 2: {
        TURLCollection shorter;
        shorter.Clear();
        const int keep = fdp.ConsumeIntegralInRange(0, 3);
        for (int k = 0; k < keep && k < urls.Count(); ++k)
            shorter.AddURLType(urls[k].Name, urls[k].Color, urls[k].Underline, urls[k].Cursor);
        urls.Assign(shorter);
        break;
    }
    case 3: {
        const int added = fdp.ConsumeIntegralInRange(1, 4);
        for (int k = 0; k < added; ++k)
            urls.AddURLType(QString::fromLatin1(QByteArray::fromStdString(fdp.ConsumeRandomLengthString(8))), clBlue,
                            fdp.ConsumeBool(), crDefault);
        break;
    }
    default:
        break;
    }
    checkExtended(line, urls, where);
    checkDefault(line, where);
    const int start = fdp.ConsumeIntegralInRange(-2, int(line.size()) + 2);
    const int end = fdp.ConsumeIntegralInRange(-2, int(line.size()) + 2);
    checkWidening(line, start, end, where);
    // The cursor lookup has an answer for any text.
    FUZZ_CHECK(LinkCursorFor(line, urls, crDefault) == crHandPoint, where);
    return 0;
}
