#include "document/edittext.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

inline char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

}  // namespace

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

int findInLine(const QByteArray& line, int column, const QByteArray& pattern, bool matchCase)
{
    if (column < 0)
        column = 0;
    if (pattern.isEmpty() || column > line.size() || line.size() - column < pattern.size())
        return -1;
    if (matchCase) {
        const qsizetype hit = line.indexOf(pattern, column);
        return hit < 0 ? -1 : int(hit);
    }
    const char* data = line.constData();
    const char* end = data + line.size();
    const char first = pattern[0];
    const qsizetype n = pattern.size();
    for (const char* p = data + column; p + n <= end; ++p) {
        if (upperAscii(*p) != first)
            continue;
        qsizetype k = 1;
        while (k < n && upperAscii(p[k]) == pattern[k])
            ++k;
        if (k == n)
            return int(p - data);
    }
    return -1;
}
