#include "editor/utf8text.h"

#include "platform/codepage1252.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace editor {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VARNOTEX_UTF8_AVX2 1
#include <immintrin.h>

namespace {

// The check of Keiser and Lemire ("Validating UTF-8 in less than one instruction per
// byte"): each byte with the one before it is looked up in three tables of error classes
// (by the high and low half of the first byte and the high half of the second); the
// classes that all three share are errors, except that a continuation byte is expected
// as second or third byte behind a lead of three or four bytes.
constexpr std::uint8_t kTooShort = 1 << 0;
constexpr std::uint8_t kTooLong = 1 << 1;
constexpr std::uint8_t kOverlong3 = 1 << 2;
constexpr std::uint8_t kTooLarge = 1 << 3;
constexpr std::uint8_t kSurrogate = 1 << 4;
constexpr std::uint8_t kOverlong2 = 1 << 5;
constexpr std::uint8_t kTooLarge1000 = 1 << 6;
constexpr std::uint8_t kOverlong4 = 1 << 6;
constexpr std::uint8_t kTwoConts = 1 << 7;
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

__attribute__((target("avx2"))) inline __m256i table(const std::uint8_t (&t)[16])
{
    const __m128i half = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    return _mm256_broadcastsi128_si256(half);
}

// The input shifted by n bytes towards its end, the previous block's last bytes in front.
template <int n>
__attribute__((target("avx2"))) inline __m256i before(__m256i input, __m256i previous)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - n);
}

__attribute__((target("avx2"))) bool wideBlocks(const unsigned char* data, qsizetype size, unsigned char* previousBytes,
                                                bool* previousIncomplete, bool* nonAscii)
{
    static constexpr std::uint8_t kByte1High[16] = {
        kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
        kTwoConts, kTwoConts, kTwoConts, kTwoConts,
        kTooShort | kOverlong2,
        kTooShort,
        kTooShort | kOverlong3 | kSurrogate,
        kTooShort | kTooLarge | kTooLarge1000 | kOverlong4,
    };
    static constexpr std::uint8_t kByte1Low[16] = {
        kCarry | kOverlong3 | kOverlong2 | kOverlong4,
        kCarry | kOverlong2,
        kCarry,
        kCarry,
        kCarry | kTooLarge,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000 | kSurrogate,
        kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000,
    };
    static constexpr std::uint8_t kByte2High[16] = {
        kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
        kTooShort, kTooShort, kTooShort, kTooShort,
    };
    const __m256i byte1High = table(kByte1High);
    const __m256i byte1Low = table(kByte1Low);
    const __m256i byte2High = table(kByte2High);
    const __m256i lowNibble = _mm256_set1_epi8(0x0F);
    // Bytes that, as the last of a block, start a sequence that must go on.
    const __m256i incompleteLimit = _mm256_setr_epi8(
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, char(0xF0 - 1), char(0xE0 - 1), char(0xC0 - 1));
    __m256i previous = _mm256_load_si256(reinterpret_cast<const __m256i*>(previousBytes));
    __m256i error = _mm256_setzero_si256();
    __m256i incomplete = *previousIncomplete ? _mm256_set1_epi8(1) : _mm256_setzero_si256();
    __m256i high = _mm256_setzero_si256();
    for (qsizetype i = 0; i + 32 <= size; i += 32) {
        const __m256i input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        if (_mm256_movemask_epi8(input) == 0) {
            error = _mm256_or_si256(error, incomplete);  // a sequence cut off by ASCII
            incomplete = _mm256_setzero_si256();
        } else {
            high = _mm256_or_si256(high, input);
            const __m256i prev1 = before<1>(input, previous);
            const __m256i classes = _mm256_and_si256(
                _mm256_and_si256(
                    _mm256_shuffle_epi8(byte1High, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), lowNibble)),
                    _mm256_shuffle_epi8(byte1Low, _mm256_and_si256(prev1, lowNibble))),
                _mm256_shuffle_epi8(byte2High, _mm256_and_si256(_mm256_srli_epi16(input, 4), lowNibble)));
            const __m256i third = _mm256_subs_epu8(before<2>(input, previous), _mm256_set1_epi8(char(0xE0 - 0x80)));
            const __m256i fourth = _mm256_subs_epu8(before<3>(input, previous), _mm256_set1_epi8(char(0xF0 - 0x80)));
            const __m256i must23 = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
            error = _mm256_or_si256(error, _mm256_xor_si256(must23, classes));
            incomplete = _mm256_subs_epu8(input, incompleteLimit);
        }
        previous = input;
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(previousBytes), previous);
    *previousIncomplete = !_mm256_testz_si256(incomplete, incomplete);
    if (_mm256_movemask_epi8(high) != 0)
        *nonAscii = true;
    return _mm256_testz_si256(error, error);
}

}  // namespace
#endif

Utf8Validator::Utf8Validator()
{
#ifdef VARNOTEX_UTF8_AVX2
    wide_ = __builtin_cpu_supports("avx2");
#endif
}

void Utf8Validator::feedBlocks(const unsigned char* data, qsizetype size)
{
#ifdef VARNOTEX_UTF8_AVX2
    if (!wideBlocks(data, size, previous_, &previousIncomplete_, &sawNonAscii_))
        failed_ = true;
#else
    (void)data;
    (void)size;
#endif
}

void Utf8Validator::feed(QByteArrayView bytes)
{
    if (failed_ || bytes.isEmpty())
        return;
    if (!wide_) {
        feedBytewise(bytes);
        return;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    qsizetype size = bytes.size();
    if (pendingSize_ > 0) {
        const qsizetype take = std::min<qsizetype>(32 - pendingSize_, size);
        std::memcpy(pending_ + pendingSize_, data, size_t(take));
        pendingSize_ += int(take);
        data += take;
        size -= take;
        if (pendingSize_ < 32)
            return;
        feedBlocks(pending_, 32);
        pendingSize_ = 0;
    }
    const qsizetype whole = size & ~qsizetype(31);
    if (whole > 0)
        feedBlocks(data, whole);
    pendingSize_ = int(size - whole);
    if (pendingSize_ > 0)
        std::memcpy(pending_, data + whole, size_t(pendingSize_));
}

bool Utf8Validator::valid() const
{
    if (failed_)
        return false;
    if (!wide_)
        return need_ == 0;
    // The bytes not yet checked, as a last block filled with NULs: a sequence cut off by
    // the end meets them and fails.
    Utf8Validator last = *this;
    std::memset(last.pending_ + last.pendingSize_, 0, size_t(32 - last.pendingSize_));
    last.feedBlocks(last.pending_, 32);
    return !last.failed_ && !last.previousIncomplete_;
}

bool Utf8Validator::sawNonAscii() const
{
    return sawNonAscii_ || std::any_of(pending_, pending_ + pendingSize_, [](unsigned char c) { return c >= 0x80; });
}

void Utf8Validator::feedBytewise(QByteArrayView bytes)
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
    return platform::encode1252(text);
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes);
    return platform::decode1252(bytes);
}

}  // namespace editor
