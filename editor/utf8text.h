#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace editor {

// How a document's bytes are read and written: Windows-1252, one byte per character,
// or UTF-8, one to four bytes per character (code point).
enum class TextEncoding : std::uint8_t { Windows1252, Utf8 };

inline constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";  // the byte order mark, three bytes

// Checks a text for UTF-8 as it streams past, block by block, in one pass and without
// allocating. Valid means: no stray continuation byte, no overlong form, no encoded
// surrogate (U+D800..U+DFFF), nothing above U+10FFFF, and no sequence cut off at the end.
// On processors with AVX2 it checks 32 bytes at a time with table look-ups of the byte
// pairs; elsewhere byte by byte.
class Utf8Validator {
public:
    Utf8Validator();
    void feed(QByteArrayView bytes);
    // Whether everything fed so far is valid UTF-8 and ends on a whole character.
    bool valid() const;
    // Whether any byte of 0x80 or above was fed.
    bool sawNonAscii() const;

private:
    void feedBytewise(QByteArrayView bytes);
    void feedBlocks(const unsigned char* data, qsizetype size);  // whole blocks of 32

    bool wide_ = false;        // 32 bytes at a time
    int need_ = 0;             // continuation bytes still expected
    unsigned char low_ = 0x80; // bounds of the next continuation byte
    unsigned char high_ = 0xBF;
    bool failed_ = false;
    bool sawNonAscii_ = false;
    // The 32-byte way: the block before (its last bytes start sequences that may go on),
    // whether it ended inside a sequence, and the bytes of a block not yet whole.
    alignas(32) unsigned char previous_[32] = {};
    bool previousIncomplete_ = false;
    unsigned char pending_[32] = {};
    int pendingSize_ = 0;
};

// The encoding a file's content is read in: UTF-8 when, behind an optional byte order
// mark, it is valid UTF-8 and either had the mark or holds a byte of 0x80 or above;
// Windows-1252 for everything else (pure ASCII, invalid sequences, binary data).
struct EncodingGuess {
    TextEncoding encoding = TextEncoding::Windows1252;
    bool byteOrderMark = false;
};
EncodingGuess guessEncoding(QByteArrayView file);

inline bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters (code points) in UTF-8 bytes: every byte that is not a continuation byte.
std::int64_t countUtf8Chars(QByteArrayView bytes);
// The byte offset of character number chars in valid UTF-8 bytes; their size when they
// hold fewer characters.
int utf8ByteOffset(QByteArrayView bytes, int chars);
// The length of the UTF-8 sequence a lead byte starts (1 for anything else).
int utf8SequenceLength(unsigned char lead);
// Decodes the character of a sequence of length n (as utf8SequenceLength gives it).
char32_t decodeUtf8Char(const unsigned char* s, int n);

// Bytes made valid UTF-8: valid sequences stay, every byte of an invalid one becomes
// U+FFFD. Valid input comes back unchanged.
QByteArray sanitizeUtf8(QByteArrayView bytes);

// Text to and from a document's bytes. Windows-1252 turns characters it cannot hold into
// "?"; UTF-8 keeps every character.
QByteArray encodeText(QStringView text, TextEncoding encoding);
QString decodeText(QByteArrayView bytes, TextEncoding encoding);

}  // namespace editor
