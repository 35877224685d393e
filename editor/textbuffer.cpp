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
    const int first = lineOf(pos);
    const int last = lineOf(pos + len);
    QByteArray kinds;
    moveLineGap(first);
    for (int k = 0; k < last - first; ++k)
        kinds.append(char(lines_[size_t(lineGapEnd_++)] >> kKindShift));
    moveGap(pos);
    gapEnd_ += len;
    length_ -= len;
    return kinds;
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

void TextBuffer::appendBreakEntry(int pos, BreakKind kind)
{
    lines_.push_back((std::uint32_t(kind) << kKindShift) | std::uint32_t(pos));
}

char* TextBuffer::loadSpace(qint64 size)
{
    growForLoad(size);
    return data_ + gapStart_;
}

namespace {

// The first CR or LF in [p, end), or end.
const char* findBreak(const char* p, const char* end)
{
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask)
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

}  // namespace

void TextBuffer::commitLoad(qint64 size)
{
    // The bytes are converted where they lie: breaks become one CR, and the text moves
    // left only by the second characters of CR LF pairs.
    char* const base = data_ + gapStart_;
    const char* src = base;
    const char* const end = base + size;
    char* dst = base;
    if (pendingCr_ && src < end) {
        pendingCr_ = false;
        if (*src == '\n') {
            lines_.back() = (lines_.back() & kPosMask) | (std::uint32_t(BreakKind::CrLf) << kKindShift);
            ++src;
        }
    }
    while (src < end) {
        const char* q = findBreak(src, end);
        const qint64 n = q - src;
        if (dst != src)
            std::memmove(dst, src, size_t(n));
        dst += n;
        if (q == end)
            break;
        BreakKind kind = BreakKind::Lf;
        src = q + 1;
        if (*q == '\r') {
            kind = BreakKind::Cr;
            if (src == end)
                pendingCr_ = true;  // a LF at the start of the next block makes it CR LF
            else if (*src == '\n') {
                kind = BreakKind::CrLf;
                ++src;
            }
        }
        *dst++ = kBreak;
        appendBreakEntry(gapStart_ + int(dst - base) - 1, kind);
    }
    const int added = int(dst - base);
    if (qint64(length_) + added > kMaxLength)
        tooLong();
    gapStart_ += added;
    length_ += added;
    lineGapStart_ = lineGapEnd_ = int(lines_.size());
}

void TextBuffer::appendRaw(const char* data, qint64 size)
{
    std::memcpy(loadSpace(size), data, size_t(size));
    commitLoad(size);
}

void TextBuffer::finishLoad()
{
    pendingCr_ = false;
    lines_.shrink_to_fit();
    lineGapStart_ = lineGapEnd_ = int(lines_.size());
}

QByteArray normalizeBreaks(QByteArrayView text, int* breaks)
{
    QByteArray out;
    out.reserve(text.size());
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out.append(TextBuffer::kBreak);
            ++count;
        } else if (c == '\n') {
            out.append(TextBuffer::kBreak);
            ++count;
        } else {
            out.append(c);
        }
    }
    if (breaks)
        *breaks = count;
    return out;
}

}  // namespace editor
