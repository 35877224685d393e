#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

// Window-free text routines of the document window's commands.

// The ASCII letters a to z become A to Z (or the other way round); every other byte,
// umlauts and ß included, stays as it is, so the length never changes.
QByteArray asciiUpper(QByteArray text);
QByteArray asciiLower(QByteArray text);

// The date and time text of "Datum/Uhrzeit einfügen": the locale's short date with a
// four-digit year, then a blank and the long time without a time zone; at exactly
// midnight the time is left out. A German locale gives "08.12.2026 14:05:33".
QString dateTimeInsertText(const QDateTime& when, const QLocale& locale);

// The column of the first occurrence of pattern in line at or after column, comparing
// ASCII letters without regard to case unless matchCase; -1 when there is none. The
// pattern given with matchCase off must already be in ASCII upper case.
int findInLine(const QByteArray& line, int column, const QByteArray& pattern, bool matchCase);
