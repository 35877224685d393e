#include "document/edittext.h"

#include "platform/codepage1252.h"

#include <QChar>
#include <QRegularExpression>
#include <algorithm>
#include <array>

namespace {

inline char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// The other-case byte of each Windows-1252 byte; the byte itself where there is none.
std::array<char, 256> caseTable1252(bool upper)
{
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = char(b);
        const char32_t ch = platform::cp1252ToUnicode(static_cast<unsigned char>(b));
        const char32_t other = upper ? QChar::toUpper(ch) : QChar::toLower(ch);
        if (other == ch)
            continue;
        const char byte = platform::unicodeToCp1252(other);
        if (byte != '?')
            table[b] = byte;
    }
    return table;
}

const std::array<char, 256>& upper1252()
{
    static const std::array<char, 256> table = caseTable1252(true);
    return table;
}

const std::array<char, 256>& lower1252()
{
    static const std::array<char, 256> table = caseTable1252(false);
    return table;
}

int utf8Length(char32_t ch) { return ch < 0x80 ? 1 : ch < 0x800 ? 2 : ch < 0x10000 ? 3 : 4; }

// One UTF-8 sequence at p (at most n bytes): its length and code point, or 0 when it is
// not a well-formed sequence.
int decodeUtf8(const unsigned char* p, qsizetype n, char32_t* ch)
{
    const unsigned char lead = p[0];
    int len = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[k] & 0x3F);
    }
    if (utf8Length(value) != len || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    *ch = value;
    return len;
}

void encodeUtf8(char32_t ch, int len, char* out)
{
    switch (len) {
    case 2:
        out[0] = char(0xC0 | (ch >> 6));
        out[1] = char(0x80 | (ch & 0x3F));
        break;
    case 3:
        out[0] = char(0xE0 | (ch >> 12));
        out[1] = char(0x80 | ((ch >> 6) & 0x3F));
        out[2] = char(0x80 | (ch & 0x3F));
        break;
    default:
        out[0] = char(0xF0 | (ch >> 18));
        out[1] = char(0x80 | ((ch >> 12) & 0x3F));
        out[2] = char(0x80 | ((ch >> 6) & 0x3F));
        out[3] = char(0x80 | (ch & 0x3F));
        break;
    }
}

QByteArray changeCase(QByteArray text, bool utf8, bool upper)
{
    if (!utf8) {
        const std::array<char, 256>& table = upper ? upper1252() : lower1252();
        for (char& c : text)
            c = table[static_cast<unsigned char>(c)];
        return text;
    }
    char* data = text.data();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte < 0x80) {
            data[i] = upper ? upperAscii(data[i]) : lowerAscii(data[i]);
            ++i;
            continue;
        }
        char32_t ch = 0;
        const int len = decodeUtf8(reinterpret_cast<const unsigned char*>(data + i), size - i, &ch);
        if (len == 0) {
            ++i;
            continue;
        }
        const char32_t other = upper ? QChar::toUpper(ch) : QChar::toLower(ch);
        if (other != ch && utf8Length(other) == len)
            encodeUtf8(other, len, data + i);
        i += len;
    }
    return text;
}

}  // namespace

QByteArray textUpper(QByteArray text, bool utf8) { return changeCase(std::move(text), utf8, true); }
QByteArray textLower(QByteArray text, bool utf8) { return changeCase(std::move(text), utf8, false); }

QByteArray asciiUpper(QByteArray text)
{
    for (char& c : text)
        c = upperAscii(c);
    return text;
}

QByteArray asciiLower(QByteArray text)
{
    for (char& c : text)
        c = lowerAscii(c);
    return text;
}

QString dateTimeInsertText(const QDateTime& when, const QLocale& locale)
{
    // No language set (the C or POSIX locale of many minimal systems): the German forms.
    if (locale.language() == QLocale::C) {
        const QTime time = when.time();
        const QString date = when.date().toString(QStringLiteral("dd.MM.yyyy"));
        if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
            return date;
        return date + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
    }
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    // A two-digit year becomes a four-digit one.
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString text = locale.toString(when.date(), dateFormat);
    const QTime time = when.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return text;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    // No time zone: drop every "t" field with the blanks around it.
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    timeFormat = timeFormat.trimmed();
    return text + QLatin1Char(' ') + locale.toString(time, timeFormat);
}

int findInLine(const QByteArray& line, int column, const QByteArray& pattern, bool matchCase, bool utf8)
{
    if (column < 0)
        column = 0;
    if (pattern.isEmpty() || column > line.size() || line.size() - column < pattern.size())
        return -1;
    if (matchCase) {
        const qsizetype hit = line.indexOf(pattern, column);
        return hit < 0 ? -1 : int(hit);
    }
    // Case changes keep every character at its byte offset, so the converted line is
    // searched as it is.
    if (utf8) {
        const QByteArray upper = textUpper(line, true);
        const qsizetype hit = upper.indexOf(pattern, column);
        return hit < 0 ? -1 : int(hit);
    }
    const std::array<char, 256>& table = upper1252();
    auto fold = [&table](char c) { return table[static_cast<unsigned char>(c)]; };
    const char* data = line.constData();
    const char* end = data + line.size();
    const char first = pattern[0];
    const qsizetype n = pattern.size();
    for (const char* p = data + column; p + n <= end; ++p) {
        if (fold(*p) != first)
            continue;
        qsizetype k = 1;
        while (k < n && fold(p[k]) == pattern[k])
            ++k;
        if (k == n)
            return int(p - data);
    }
    return -1;
}
