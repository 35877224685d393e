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

// Case conversion of a text in the document's encoding (Windows-1252 bytes, or UTF-8 when
// utf8): the letters of every alphabet the encoding holds, umlauts included, change case
// one character for one, so that neither the characters nor the bytes change in number.
// A letter whose other case the encoding cannot hold, or which would take a different
// number of bytes, stays as it is, and so does ß.
QByteArray textUpper(QByteArray text, bool utf8);
QByteArray textLower(QByteArray text, bool utf8);

// The date and time text of "Datum/Uhrzeit einfügen": the locale's short date with a
// four-digit year, then a blank and the long time without a time zone; at exactly
// midnight the time is left out. A German locale gives "08.12.2026 14:05:33".
QString dateTimeInsertText(const QDateTime& when, const QLocale& locale);

// The column (a byte offset) of the first occurrence of pattern in line at or after column,
// comparing letters without regard to case unless matchCase; -1 when there is none. The
// pattern given with matchCase off must already be in upper case (textUpper with the same
// utf8).
int findInLine(const QByteArray& line, int column, const QByteArray& pattern, bool matchCase, bool utf8 = false);

// The find dialog's text as a search in a document's bytes looks for it: in the document's
// encoding, in upper case unless matchCase. A text with a character that the encoding
// cannot hold is nowhere in the document (findable is false): it is never taken for the
// "?" it would be stored as.
struct SearchPattern {
    QByteArray bytes;
    bool matchCase = false;
    bool utf8 = false;
    bool findable = true;
};
