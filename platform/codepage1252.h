#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

namespace platform {

// The Windows-1252 code page: every byte 0x00..0xFF maps to one Unicode character and
// back. The five bytes the code page leaves unassigned (0x81 0x8D 0x8F 0x90 0x9D) map to
// the control characters of the same number, so that they round-trip too.
char16_t cp1252ToUnicode(unsigned char byte);

// The byte for a Unicode character, or '?' when the code page cannot hold it.
char unicodeToCp1252(char32_t ch);

QString decode1252(QByteArrayView bytes);

// Characters the code page cannot hold become "?"; a surrogate pair counts as one
// character and becomes one "?".
QByteArray encode1252(QStringView text);

}  // namespace platform
