#include "dialogs/statistics.h"

#include "editor/textbuffer.h"
#include "editor/utf8text.h"
#include "platform/filefacts.h"

#include <QLocale>

#include <bit>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

QString formatGrouped(qint64 value, const QString& separator)
{
    // The magnitude as unsigned, so that the most negative value has a text too.
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    const QString digits = QString::number(magnitude);
    QString text;
    text.reserve(digits.size() + (digits.size() / 3) * separator.size() + 1);
    if (negative)
        text += QLatin1Char('-');
    const qsizetype head = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    text += QStringView(digits).left(head);
    for (qsizetype i = head; i < digits.size(); i += 3) {
        text += separator;
        text += QStringView(digits).mid(i, 3);
    }
    return text;
}

QString FormatThousands(qint64 value)
{
    return formatGrouped(value, QStringLiteral("."));
}

QString formatWithLocaleSeparator(std::uint64_t value)
{
    // Grouping is applied even where the locale would omit it (the "C" locale does):
    // the counters always show their groups.
    // Without a language (the C or POSIX locale of many minimal systems) the German
    // separator, as the file size shows it.
    const QLocale locale;
    const QString separator = locale.language() == QLocale::C ? QStringLiteral(".") : locale.groupSeparator();
    if (value > std::uint64_t(std::numeric_limits<qint64>::max()))
        return QLocale().toString(qulonglong(value));
    return formatGrouped(qint64(value), separator);
}

void TextCounter::addLine(QByteArrayView line)
{
    // A line holds no break of its own; its end ends a word as its break would.
    addText(line, editor::TextBuffer::kBreak);
    insideWord_ = false;
}

void TextCounter::addText(QByteArrayView text, char lineBreak)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    const auto breakByte = static_cast<unsigned char>(lineBreak);
    // A word starts at every character that is neither a blank nor a break and whose
    // predecessor is one of them; before the first character of the text the state is
    // "outside a word", as after a blank. A break ends a word, as a blank does, but counts
    // neither as a character nor as a space: two lines of one word each are two words.
    std::uint64_t previousBlank = insideWord_ ? 0 : 1;
    std::uint64_t words = 0;
    std::uint64_t spaces = 0;
    std::uint64_t breaks = 0;
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i brk = _mm_set1_epi8(char(breakByte));
    for (; end - p >= 64; p += 64) {
        const auto maskOf = [&](int offset, __m128i what) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset));
            return std::uint64_t(std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, what))));
        };
        const std::uint64_t blanks =
            maskOf(0, blank) | (maskOf(16, blank) << 16) | (maskOf(32, blank) << 32) | (maskOf(48, blank) << 48);
        const std::uint64_t lineBreaks =
            maskOf(0, brk) | (maskOf(16, brk) << 16) | (maskOf(32, brk) << 32) | (maskOf(48, brk) << 48);
        spaces += std::uint64_t(std::popcount(blanks));
        if (lineBreaks == 0) {
            words += std::uint64_t(std::popcount(~blanks & ((blanks << 1) | previousBlank)));
            previousBlank = blanks >> 63;
            continue;
        }
        breaks += std::uint64_t(std::popcount(lineBreaks));
        const std::uint64_t ends = blanks | lineBreaks;
        words += std::uint64_t(std::popcount(~ends & ((ends << 1) | previousBlank)));
        previousBlank = ends >> 63;
    }
#endif
    for (; p != end; ++p) {
        if (*p == breakByte) {
            ++breaks;
            previousBlank = 1;
            continue;
        }
        const std::uint64_t isBlank = *p == ' ';
        spaces += isBlank;
        words += (isBlank ^ 1) & previousBlank;
        previousBlank = isBlank;
    }
    insideWord_ = previousBlank == 0;
    words_ += words;
    spaces_ += spaces;
    characters_ += std::uint64_t(utf8_ ? editor::countUtf8Chars(text) : text.size()) - breaks;
}

TextCounter countDocument(const IStatisticsDocument& document)
{
    TextCounter counter;
    counter.setUtf8(document.utf8());
    if (document.forEachBlock([&](QByteArrayView block) { counter.addText(block, IStatisticsDocument::lineBreak); }))
        return counter;
    const qint64 lines = document.lineCount();
    for (qint64 i = 0; i < lines; ++i)
        counter.addLine(document.lineText(i));
    return counter;
}

QString attributeWords(const platform::FileFacts& facts)
{
    QString words;
    if (facts.hidden)
        words += QStringLiteral("Versteckt ");
    if (facts.readOnly)
        words += QStringLiteral("Schreibgeschützt ");
    if (facts.system)
        words += QStringLiteral("Systemdatei ");
    if (facts.archive)
        words += QStringLiteral("Archivdatei ");
    return words;
}

QString formatFileTime(const QDateTime& time)
{
    // Local time, as the file dialogs and every other program of the desktop show it.
    const QDateTime local = time.toLocalTime();
    const QDate date = local.date();
    const QTime clock = local.time();
    return QStringLiteral("%1.%2.%3 %4:%5:%6")
        .arg(date.day())
        .arg(date.month())
        .arg(date.year())
        .arg(clock.hour())
        .arg(clock.minute())
        .arg(clock.second());
}
