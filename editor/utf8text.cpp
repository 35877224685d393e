#include "editor/utf8text.h"

#include "editor/codepage1252.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace editor {

void Utf8Validator::feed(QByteArrayView bytes)
{
    if (failed_)
        return;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    int need = need_;
    unsigned char low = low_;
    unsigned char high = high_;
    bool nonAscii = sawNonAscii_;
    while (p != end) {
        if (need == 0) {
            // Runs of ASCII go eight bytes at a time.
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ull)
                    break;
                p += 8;
            }
            if (p == end)
                break;
            const unsigned char c = *p++;
            if (c < 0x80)
                continue;
            nonAscii = true;
            low = 0x80;
            high = 0xBF;
            if (c >= 0xC2 && c <= 0xDF) {
                need = 1;
            } else if (c >= 0xE0 && c <= 0xEF) {
                need = 2;
                if (c == 0xE0)
                    low = 0xA0;  // shorter forms are overlong
                else if (c == 0xED)
                    high = 0x9F;  // surrogates
            } else if (c >= 0xF0 && c <= 0xF4) {
                need = 3;
                if (c == 0xF0)
                    low = 0x90;
                else if (c == 0xF4)
                    high = 0x8F;  // above U+10FFFF
            } else {
                failed_ = true;  // a continuation byte without a lead, C0, C1, F5..FF
                break;
            }
        } else {
            const unsigned char c = *p++;
            if (c < low || c > high) {
                failed_ = true;
                break;
            }
            low = 0x80;
            high = 0xBF;
            --need;
        }
    }
    need_ = need;
    low_ = low;
    high_ = high;
    sawNonAscii_ = nonAscii;
}

EncodingGuess guessEncoding(QByteArrayView file)
{
    EncodingGuess guess;
    const bool mark = file.startsWith(QByteArrayView(kUtf8Mark, 3));
    Utf8Validator validator;
    validator.feed(mark ? file.sliced(3) : file);
    if (validator.valid() && (mark || validator.sawNonAscii())) {
        guess.encoding = TextEncoding::Utf8;
        guess.byteOrderMark = mark;
    }
    return guess;
}

std::int64_t countUtf8Chars(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    std::int64_t continuations = 0;
#if defined(__SSE2__)
    // Continuation bytes are 0x80..0xBF, as signed bytes below -64.
    const __m128i limit = _mm_set1_epi8(-64);
    while (end - p >= 16 * 255) {
        __m128i sums = _mm_setzero_si128();
        for (int k = 0; k < 255; ++k, p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            sums = _mm_sub_epi8(sums, _mm_cmplt_epi8(v, limit));
        }
        const __m128i total = _mm_sad_epu8(sums, _mm_setzero_si128());
        continuations += _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8));
    }
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        continuations += __builtin_popcount(unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(v, limit))));
    }
#endif
    for (; p != end; ++p)
        continuations += (*p & 0xC0) == 0x80;
    return std::int64_t(bytes.size()) - continuations;
}

int utf8ByteOffset(QByteArrayView bytes, int chars)
{
    int seen = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (!isUtf8Continuation(bytes[i])) {
            if (seen == chars)
                return int(i);
            ++seen;
        }
    }
    return int(bytes.size());
}

int utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    return 1;
}

char32_t decodeUtf8Char(const unsigned char* s, int n)
{
    switch (n) {
    case 2: return char32_t(((s[0] & 0x1F) << 6) | (s[1] & 0x3F));
    case 3: return char32_t(((s[0] & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F));
    case 4: return char32_t(((s[0] & 0x07) << 18) | ((s[1] & 0x3F) << 12) | ((s[2] & 0x3F) << 6) | (s[3] & 0x3F));
    default: return s[0] < 0x80 ? char32_t(s[0]) : char32_t(0xFFFD);
    }
}

QByteArray sanitizeUtf8(QByteArrayView bytes)
{
    Utf8Validator whole;
    whole.feed(bytes);
    if (whole.valid())
        return bytes.toByteArray();
    QByteArray out;
    out.reserve(bytes.size() + 16);
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const int n = utf8SequenceLength(s[i]);
        bool ok = s[i] < 0x80 || (n > 1 && i + n <= size);
        if (ok && n > 1) {
            Utf8Validator one;
            one.feed(QByteArrayView(bytes.data() + i, n));
            ok = one.valid();
        }
        if (ok) {
            out.append(bytes.data() + i, n);
            i += n;
        } else {
            out.append("\xEF\xBF\xBD");
            ++i;
        }
    }
    return out;
}

QByteArray encodeText(QStringView text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return sanitizeUtf8(text.toUtf8());  // lone surrogates come out as "?" from Qt
    return encode1252(text);
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes);
    return decode1252(bytes);
}

}  // namespace editor
