#include "editor/textbuffer.h"

#include "platform/memoryhint.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace editor {

namespace {

constexpr int kMinGap = 64 * 1024;
constexpr int kLoadGap = 4 * 1024;

const char* breakBytes(BreakKind kind, int* size)
{
    switch (kind) {
    case BreakKind::Lf:
        *size = 1;
        return "\n";
    case BreakKind::Cr:
        *size = 1;
        return "\r";
    case BreakKind::CrLf:
        break;
    }
    *size = 2;
    return "\r\n";
}

[[noreturn]] void tooLong() { throw std::length_error("text too long"); }

}  // namespace

TextBuffer::TextBuffer() = default;

TextBuffer::~TextBuffer() { std::free(data_); }

TextBuffer::TextBuffer(TextBuffer&& other) noexcept { *this = std::move(other); }

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept
{
    if (this == &other)
        return *this;
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    gapStart_ = std::exchange(other.gapStart_, 0);
    gapEnd_ = std::exchange(other.gapEnd_, 0);
    length_ = std::exchange(other.length_, 0);
    lines_ = std::move(other.lines_);
    other.lines_.clear();
    lineGapStart_ = std::exchange(other.lineGapStart_, 0);
    lineGapEnd_ = std::exchange(other.lineGapEnd_, 0);
    pendingCr_ = std::exchange(other.pendingCr_, false);
    expectedLoad_ = std::exchange(other.expectedLoad_, 0);
    return *this;
}

void TextBuffer::copy(int pos, int len, char* out) const
{
    if (len <= 0)
        return;
    if (pos < gapStart_) {
        const int first = std::min(len, gapStart_ - pos);
        std::memcpy(out, data_ + pos, size_t(first));
        out += first;
        pos += first;
        len -= first;
    }
    if (len > 0)
        std::memcpy(out, data_ + pos + (gapEnd_ - gapStart_), size_t(len));
}

bool TextBuffer::contains(int pos, int len, char c) const
{
    if (len <= 0)
        return false;
    if (pos < gapStart_) {
        const int first = std::min(len, gapStart_ - pos);
        if (std::memchr(data_ + pos, c, size_t(first)))
            return true;
        pos += first;
        len -= first;
    }
    return len > 0 && std::memchr(data_ + pos + (gapEnd_ - gapStart_), c, size_t(len));
}

QByteArray TextBuffer::text(int pos, int len) const
{
    pos = std::clamp(pos, 0, length_);
    len = std::clamp(len, 0, length_ - pos);
    QByteArray out(len, Qt::Uninitialized);
    copy(pos, len, out.data());
    return out;
}

int TextBuffer::breakPos(int index) const
{
    if (index < lineGapStart_)
        return int(lines_[size_t(index)] & kPosMask);
    return length_ - int(lines_[size_t(index + (lineGapEnd_ - lineGapStart_))] & kPosMask);
}

BreakKind TextBuffer::breakKind(int line) const
{
    if (line < 0 || line >= breakCount())
        return BreakKind::CrLf;
    const size_t slot = size_t(line < lineGapStart_ ? line : line + (lineGapEnd_ - lineGapStart_));
    return BreakKind(lines_[slot] >> kKindShift);
}

int TextBuffer::lineOf(int pos) const
{
    int lo = 0;
    int hi = breakCount();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (breakPos(mid) < pos)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void TextBuffer::moveGap(int pos)
{
    const int gap = gapEnd_ - gapStart_;
    if (pos < gapStart_) {
        const int n = gapStart_ - pos;
        std::memmove(data_ + pos + gap, data_ + pos, size_t(n));
    } else if (pos > gapStart_) {
        const int n = pos - gapStart_;
        std::memmove(data_ + gapStart_, data_ + gapEnd_, size_t(n));
    } else {
        return;
    }
    gapStart_ = pos;
    gapEnd_ = pos + gap;
}

void TextBuffer::ensureGap(int size)
{
    const int gap = gapEnd_ - gapStart_;
    if (gap >= size)
        return;
    if (qint64(length_) + size > kMaxLength)
        tooLong();
    const qint64 wanted = qint64(length_) + size + std::max(kMinGap, length_ / 8);
    const int newCapacity = int(std::min<qint64>(wanted, qint64(kMaxLength) + kMinGap));
    char* grown = static_cast<char*>(std::realloc(data_, size_t(newCapacity)));
    if (!grown)
        throw std::bad_alloc();
    data_ = grown;
    const int tail = capacity_ - gapEnd_;
    const int newGapEnd = newCapacity - tail;
    std::memmove(data_ + newGapEnd, data_ + gapEnd_, size_t(tail));
    gapEnd_ = newGapEnd;
    capacity_ = newCapacity;
}

void TextBuffer::moveLineGap(int index)
{
    if (index < lineGapStart_) {
        while (lineGapStart_ > index) {
            const std::uint32_t v = lines_[size_t(--lineGapStart_)];
            lines_[size_t(--lineGapEnd_)] = (v & ~kPosMask) | std::uint32_t(length_ - int(v & kPosMask));
        }
    } else {
        while (lineGapStart_ < index) {
            const std::uint32_t v = lines_[size_t(lineGapEnd_++)];
            lines_[size_t(lineGapStart_++)] = (v & ~kPosMask) | std::uint32_t(length_ - int(v & kPosMask));
        }
    }
}

void TextBuffer::ensureLineGap(int count)
{
    if (lineGapEnd_ - lineGapStart_ >= count)
        return;
    const size_t tail = lines_.size() - size_t(lineGapEnd_);
    const size_t extra = std::max<size_t>(256, size_t(breakCount()) / 8);
    std::vector<std::uint32_t> grown(size_t(lineGapStart_) + size_t(count) + extra + tail);
    std::copy(lines_.begin(), lines_.begin() + lineGapStart_, grown.begin());
    std::copy(lines_.begin() + lineGapEnd_, lines_.end(), grown.end() - std::ptrdiff_t(tail));
    lines_ = std::move(grown);
    lineGapEnd_ = int(lines_.size() - tail);
}

void TextBuffer::insert(int pos, QByteArrayView text, BreakKind defaultKind, QByteArrayView kinds)
{
    pos = std::clamp(pos, 0, length_);
    const int n = int(text.size());
    if (n <= 0)
        return;
    if (qint64(length_) + text.size() > kMaxLength)
        tooLong();
    const int breaks = int(std::count(text.begin(), text.end(), kBreak));
    moveLineGap(lineOf(pos));
    ensureLineGap(breaks);
    ensureGap(n);
    moveGap(pos);
    std::memcpy(data_ + gapStart_, text.data(), size_t(n));
    int k = 0;
    for (int i = 0; i < n; ++i) {
        if (text[i] != kBreak)
            continue;
        const BreakKind kind = k < kinds.size() ? BreakKind(kinds[k]) : defaultKind;
        ++k;
        lines_[size_t(lineGapStart_++)] = (std::uint32_t(kind) << kKindShift) | std::uint32_t(pos + i);
    }
    gapStart_ += n;
    length_ += n;
}

QByteArray TextBuffer::kindsIn(int pos, int len) const
{
    QByteArray kinds;
    const int first = lineOf(pos);
    const int last = lineOf(pos + len);
    for (int line = first; line < last; ++line)
        kinds.append(char(breakKind(line)));
    return kinds;
}

QByteArray TextBuffer::remove(int pos, int len)
{
    pos = std::clamp(pos, 0, length_);
    len = std::clamp(len, 0, length_ - pos);
    if (len == 0)
        return {};
    QByteArray kinds = kindsIn(pos, len);
    erase(pos, len);
    return kinds;
}

void TextBuffer::erase(int pos, int len)
{
    pos = std::clamp(pos, 0, length_);
    len = std::clamp(len, 0, length_ - pos);
    if (len == 0)
        return;
    const int first = lineOf(pos);
    const int last = lineOf(pos + len);
    // The entries [first, last) go: bring the line gap next to them (or leave it where it
    // is when it lies among them), then widen it over them.
    if (lineGapStart_ < first)
        moveLineGap(first);
    else if (lineGapStart_ > last)
        moveLineGap(last);
    lineGapEnd_ += last - lineGapStart_;
    lineGapStart_ = first;
    // The same for the bytes.
    if (gapStart_ < pos)
        moveGap(pos);
    else if (gapStart_ > pos + len)
        moveGap(pos + len);
    gapEnd_ += pos + len - gapStart_;
    gapStart_ = pos;
    length_ -= len;
}

TextPiece TextBuffer::extract(int pos, int len) const
{
    pos = std::clamp(pos, 0, length_);
    len = std::clamp(len, 0, length_ - pos);
    TextPiece piece;
    piece.text = QByteArray(len, Qt::Uninitialized);
    // A large stretch goes into memory backed at once (in large pages where possible),
    // rather than page by page as the copy reaches it.
    platform::adviseLargeBuffer(piece.text.data(), size_t(len));
    if (len >= (4 << 20))
        platform::prefaultBuffer(piece.text.data(), size_t(len));
    copy(pos, len, piece.text.data());
    const int first = lineOf(pos);
    const int last = lineOf(pos + len);
    piece.breaks.resize(size_t(last - first));
    std::uint32_t* out = piece.breaks.data();
    // Entries before the line gap hold positions, those after it distances from the end.
    const int split = std::clamp(lineGapStart_, first, last);
    for (int k = first; k < split; ++k) {
        const std::uint32_t v = lines_[size_t(k)];
        *out++ = (v & ~kPosMask) | std::uint32_t(int(v & kPosMask) - pos);
    }
    const int shift = lineGapEnd_ - lineGapStart_;
    const std::uint32_t end = std::uint32_t(length_ - pos);
    for (int k = split; k < last; ++k) {
        const std::uint32_t v = lines_[size_t(k + shift)];
        *out++ = (v & ~kPosMask) | (end - (v & kPosMask));
    }
    return piece;
}

void TextBuffer::insertPiece(int pos, const TextPiece& piece)
{
    if (piece.whole) {
        insertPiece(pos, piece.whole->extract(0, piece.size()));
        return;
    }
    pos = std::clamp(pos, 0, length_);
    const int n = piece.size();
    if (n <= 0)
        return;
    if (qint64(length_) + n > kMaxLength)
        tooLong();
    moveLineGap(lineOf(pos));
    ensureLineGap(int(piece.breaks.size()));
    ensureGap(n);
    moveGap(pos);
    std::memcpy(data_ + gapStart_, piece.text.constData(), size_t(n));
    if (!piece.breaks.empty()) {
        std::uint32_t* out = lines_.data() + lineGapStart_;
        for (const std::uint32_t v : piece.breaks)
            *out++ = v + std::uint32_t(pos);  // the position never carries into the kind bits
        lineGapStart_ += int(piece.breaks.size());
    }
    gapStart_ += n;
    length_ += n;
}

int TextPiece::size() const { return whole ? whole->length() : int(text.size()); }

void TextPiece::materialize()
{
    if (!whole)
        return;
    const std::shared_ptr<TextBuffer> from = std::move(whole);
    *this = from->extract(0, from->length());
}

QByteArray TextPiece::kinds() const
{
    if (whole)
        return whole->kindsIn(0, whole->length());
    QByteArray out(qsizetype(breaks.size()), Qt::Uninitialized);
    for (size_t k = 0; k < breaks.size(); ++k)
        out[qsizetype(k)] = char(breaks[k] >> TextBuffer::kKindShift);
    return out;
}

void TextPiece::append(const TextPiece& other)
{
    if (other.isEmpty())
        return;
    materialize();
    if (other.whole) {
        append(other.whole->extract(0, other.size()));
        return;
    }
    const std::uint32_t offset = std::uint32_t(text.size());
    breaks.reserve(breaks.size() + other.breaks.size());
    for (const std::uint32_t v : other.breaks)
        breaks.push_back(v + offset);
    text += other.text;
}

void TextPiece::prepend(const TextPiece& other)
{
    if (other.isEmpty())
        return;
    materialize();
    if (other.whole) {
        prepend(other.whole->extract(0, other.size()));
        return;
    }
    const std::uint32_t offset = std::uint32_t(other.text.size());
    std::vector<std::uint32_t> joined;
    joined.reserve(breaks.size() + other.breaks.size());
    joined.insert(joined.end(), other.breaks.begin(), other.breaks.end());
    for (const std::uint32_t v : breaks)
        joined.push_back(v + offset);
    breaks = std::move(joined);
    text.prepend(other.text);
}

TextPiece TextPiece::fromText(QByteArray text, BreakKind kind)
{
    TextPiece piece;
    if (text.isEmpty())
        return piece;
    const std::uint32_t bits = std::uint32_t(kind) << TextBuffer::kKindShift;
    const char* const begin = text.constData();
    const char* const end = begin + text.size();
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, TextBuffer::kBreak, size_t(end - p))));
         ++p)
        piece.breaks.push_back(bits | std::uint32_t(p - begin));
    piece.text = std::move(text);
    return piece;
}

void TextBuffer::clear() { *this = TextBuffer(); }

bool TextBuffer::write(const std::function<bool(const char*, qint64)>& sink, qint64 blockSize) const
{
    QByteArray block;
    block.reserve(blockSize);
    auto put = [&](const char* data, qint64 size) {
        while (size > 0) {
            const qint64 room = blockSize - block.size();
            const qint64 n = std::min(room, size);
            block.append(data, n);
            data += n;
            size -= n;
            if (block.size() >= blockSize) {
                if (!sink(block.constData(), block.size()))
                    return false;
                block.resize(0);
            }
        }
        return true;
    };
    auto putRange = [&](int pos, int len) {
        if (pos < gapStart_) {
            const int first = std::min(len, gapStart_ - pos);
            if (!put(data_ + pos, first))
                return false;
            pos += first;
            len -= first;
        }
        return len <= 0 || put(data_ + pos + (gapEnd_ - gapStart_), len);
    };
    const int breaks = breakCount();
    int pos = 0;
    for (int line = 0; line < breaks; ++line) {
        const int end = breakPos(line);
        if (!putRange(pos, end - pos))
            return false;
        int size = 0;
        const char* bytes = breakBytes(breakKind(line), &size);
        if (!put(bytes, size))
            return false;
        pos = end + 1;
    }
    if (!putRange(pos, length_ - pos))
        return false;
    return block.isEmpty() || sink(block.constData(), block.size());
}

qint64 TextBuffer::memoryUse() const { return qint64(capacity_) + qint64(lines_.capacity() * sizeof(std::uint32_t)); }

void TextBuffer::beginLoad(qint64 expectedSize)
{
    clear();
    expectedSize = std::clamp<qint64>(expectedSize, 0, kMaxLength);
    // A small gap for a small file: many documents open at once cost little each; the gap
    // grows as usual on the first edit that needs more.
    const qint64 capacity = expectedSize + std::max<qint64>(kLoadGap, expectedSize / 64);
    data_ = static_cast<char*>(std::malloc(size_t(capacity)));
    if (!data_)
        throw std::bad_alloc();
    platform::adviseLargeBuffer(data_, size_t(capacity));
    // Faulting the pages in now, in one go, keeps the load's cost the same from run to run.
    platform::prefaultBuffer(data_, size_t(expectedSize + 1));
    expectedLoad_ = expectedSize;
    capacity_ = int(capacity);
    gapStart_ = 0;
    gapEnd_ = capacity_;
}

void TextBuffer::growForLoad(qint64 size)
{
    if (qint64(length_) + size > kMaxLength + qint64(kMinGap))
        tooLong();
    if (gapEnd_ - gapStart_ >= size)
        return;
    const qint64 wanted = std::max<qint64>(qint64(capacity_) + capacity_ / 2, qint64(length_) + size + kMinGap);
    const int newCapacity = int(std::min<qint64>(wanted, qint64(kMaxLength) + 2 * kMinGap));
    if (newCapacity - gapStart_ < size)
        tooLong();
    char* grown = static_cast<char*>(std::realloc(data_, size_t(newCapacity)));
    if (!grown)
        throw std::bad_alloc();
    data_ = grown;
    capacity_ = newCapacity;
    gapEnd_ = capacity_;
}

namespace {

constexpr int kSlack = 32;  // the conversion stores whole blocks of up to 32 bytes

// The conversion of loaded bytes copies [src, end) to dst: CR LF, LF and CR each become
// one CR, and each break gets its index entry (its position counted from basePos).
// Blocks without a break are copied whole; a block is also stored whole when it holds
// one, and the bytes behind the break are written again from the next block on. A CR at
// the very end sets pendingCr. Each returns the end of what it wrote.

// One break at src (a CR or LF): writes it and its entry, returns the new src. A CR at
// the very end of the bytes may still become CR LF with the next block.
inline const char* convertBreak(const char* src, const char* end, char*& dst, char* base, int basePos,
                                std::vector<std::uint32_t>& lines, bool& pendingCr)
{
    BreakKind kind = BreakKind::Lf;
    if (*src++ == '\r') {
        kind = BreakKind::Cr;
        if (src == end)
            pendingCr = true;  // a LF at the start of the next block makes it CR LF
        else if (*src == '\n') {
            kind = BreakKind::CrLf;
            ++src;
        }
    }
    *dst++ = TextBuffer::kBreak;
    lines.push_back((std::uint32_t(kind) << TextBuffer::kKindShift) | std::uint32_t(basePos + (dst - base) - 1));
    return src;
}

inline char* convertTail(const char* src, const char* end, char* dst, char* base, int basePos,
                         std::vector<std::uint32_t>& lines, bool& pendingCr)
{
    while (src < end) {
        if (*src != '\r' && *src != '\n')
            *dst++ = *src++;
        else
            src = convertBreak(src, end, dst, base, basePos, lines, pendingCr);
    }
    return dst;
}

char* convertSse2(const char* src, const char* end, char* dst, char* base, int basePos,
                  std::vector<std::uint32_t>& lines, bool& pendingCr)
{
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - src >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask == 0) {
            src += 16;
            dst += 16;
            continue;
        }
        const int i = __builtin_ctz(unsigned(mask));
        dst += i;
        src = convertBreak(src + i, end, dst, base, basePos, lines, pendingCr);
    }
#endif
    return convertTail(src, end, dst, base, basePos, lines, pendingCr);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define VARNOTEX_HAVE_AVX2_CONVERSION 1
__attribute__((target("avx2"))) char* convertAvx2(const char* src, const char* end, char* dst, char* base,
                                                  int basePos, std::vector<std::uint32_t>& lines, bool& pendingCr)
{
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    while (end - src >= 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), v);
        const unsigned mask =
            unsigned(_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf))));
        if (mask == 0) {
            src += 32;
            dst += 32;
            continue;
        }
        const int i = __builtin_ctz(mask);
        dst += i;
        src = convertBreak(src + i, end, dst, base, basePos, lines, pendingCr);
    }
    return convertTail(src, end, dst, base, basePos, lines, pendingCr);
}
#endif

}  // namespace

void TextBuffer::appendRaw(const char* data, qint64 size)
{
    if (size <= 0)
        return;
    growForLoad(size + kSlack);
    char* const base = data_ + gapStart_;
    const char* src = data;
    const char* const end = data + size;
    const bool firstBlock = length_ == 0 && lines_.empty();
    if (pendingCr_) {
        pendingCr_ = false;
        if (*src == '\n') {
            lines_.back() = (lines_.back() & kPosMask) | (std::uint32_t(BreakKind::CrLf) << kKindShift);
            ++src;
        }
    }
#ifdef VARNOTEX_HAVE_AVX2_CONVERSION
    static const bool avx2 = __builtin_cpu_supports("avx2");
    char* const dst = avx2 ? convertAvx2(src, end, base, base, gapStart_, lines_, pendingCr_)
                           : convertSse2(src, end, base, base, gapStart_, lines_, pendingCr_);
#else
    char* const dst = convertSse2(src, end, base, base, gapStart_, lines_, pendingCr_);
#endif
    const int added = int(dst - base);
    if (qint64(length_) + added > kMaxLength)
        tooLong();
    if (firstBlock && added > 0 && expectedLoad_ > size) {
        // The first block tells how dense the breaks are: room for the whole index at once.
        const double perByte = double(lines_.size()) / double(size);
        lines_.reserve(size_t(perByte * double(expectedLoad_) * 1.05) + 64);
    }
    gapStart_ += added;
    length_ += added;
    lineGapStart_ = lineGapEnd_ = int(lines_.size());
}

void TextBuffer::finishLoad()
{
    pendingCr_ = false;
    expectedLoad_ = 0;
    if (lines_.capacity() - lines_.size() > lines_.size() / 4 + 1024)
        lines_.shrink_to_fit();
    lineGapStart_ = lineGapEnd_ = int(lines_.size());
}

QByteArray normalizeBreaks(QByteArrayView text, int* breaks)
{
    // One pass with a plain pointer: a text of many megabytes (a replacement of the whole
    // text) goes through at memory speed.
    QByteArray out(text.size(), Qt::Uninitialized);
    char* o = out.data();
    const char* p = text.data();
    const char* const end = p + text.size();
    int count = 0;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '\r') {
            if (p + 1 < end && p[1] == '\n')
                ++p;
            *o++ = TextBuffer::kBreak;
            ++count;
        } else if (c == '\n') {
            *o++ = TextBuffer::kBreak;
            ++count;
        } else {
            *o++ = c;
        }
    }
    out.truncate(o - out.constData());
    if (breaks)
        *breaks = count;
    return out;
}

}  // namespace editor
