#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace editor {

// How a line break was written in the file it came from.
enum class BreakKind : std::uint8_t { CrLf = 0, Lf = 1, Cr = 2 };

class TextBuffer;

// A stretch of text with its breaks, as it is taken out of a buffer or put into one: the
// bytes (breaks as CR) and one entry per break, its kind in the top two bits and its
// position within the stretch below. Putting it back costs one copy of each, and no
// search for breaks.
struct TextPiece {
    QByteArray text;
    std::vector<std::uint32_t> breaks;
    // Or a whole text, taken over as it lay: replacing everything moves the old text
    // here, and undoing moves it back, without a copy.
    std::shared_ptr<TextBuffer> whole;

    int size() const;
    bool isEmpty() const { return size() == 0; }
    // Turns a whole text into bytes and entries.
    void materialize();
    // The kinds of its breaks in order, one byte each.
    QByteArray kinds() const;
    void append(const TextPiece& other);
    void prepend(const TextPiece& other);
    // A piece of text in which every CR is a break of the given kind.
    static TextPiece fromText(QByteArray text, BreakKind kind);
};

// The 8-bit text of one document in a gap buffer. A line break is one character, stored
// as CR (13); the kind it had in the file (CR LF, LF or CR) is kept per break so that
// the text is written back exactly as it was read.
//
// The line index keeps the position of every break in one array of 32-bit entries with
// a gap of its own at the line last edited: entries before the gap hold absolute
// positions, entries after it hold their distance from the end of the text, so an edit
// touches only the entries of the breaks it inserts or removes. The break kind lives in
// the top two bits of each entry. Positions are limited to kMaxLength.
class TextBuffer {
public:
    static constexpr int kMaxLength = (1 << 30) - 1;
    static constexpr std::uint32_t kPosMask = 0x3FFFFFFFu;
    static constexpr int kKindShift = 30;
    static constexpr char kBreak = '\r';

    TextBuffer();
    ~TextBuffer();
    TextBuffer(TextBuffer&& other) noexcept;
    TextBuffer& operator=(TextBuffer&& other) noexcept;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    int length() const { return length_; }
    char at(int pos) const { return pos < gapStart_ ? data_[pos] : data_[pos + (gapEnd_ - gapStart_)]; }
    void copy(int pos, int len, char* out) const;
    QByteArray text(int pos, int len) const;  // breaks appear as CR
    QByteArray text() const { return text(0, length_); }
    // Whether [pos, pos+len) holds the byte c.
    bool contains(int pos, int len, char c) const;
    // The whole text as it lies in memory: the part before the gap, then the part after it.
    QByteArrayView partBeforeGap() const { return QByteArrayView(data_, gapStart_); }
    QByteArrayView partAfterGap() const { return QByteArrayView(data_ + gapEnd_, capacity_ - gapEnd_); }

    // Lines as the buffer holds them: one more than there are breaks; the last may be empty.
    int lineCount() const { return breakCount() + 1; }
    int breakCount() const { return int(lines_.size()) - (lineGapEnd_ - lineGapStart_); }
    int lineStart(int line) const { return line <= 0 ? 0 : breakPos(line - 1) + 1; }
    int lineEnd(int line) const { return line < breakCount() ? breakPos(line) : length_; }  // position of its break
    int lineLength(int line) const { return lineEnd(line) - lineStart(line); }
    int lineOf(int pos) const;  // the line that holds pos (a break belongs to the line it ends)
    BreakKind breakKind(int line) const;  // kind of the break that ends line
    int breakPos(int index) const;

    // Inserts text in which every CR is a break; breaks take their kinds from kinds in
    // order and, where it runs out, defaultKind. Throws std::length_error beyond kMaxLength.
    void insert(int pos, QByteArrayView text, BreakKind defaultKind, QByteArrayView kinds = {});
    // Removes [pos, pos+len) and returns the kinds of the breaks it held, in order.
    QByteArray remove(int pos, int len);
    QByteArray kindsIn(int pos, int len) const;
    // Removes [pos, pos+len). The gaps move only as far as the nearer end of the range,
    // so removing a range that holds the gap moves nothing.
    void erase(int pos, int len);
    // [pos, pos+len) with its breaks, for putting back later with insertPiece.
    TextPiece extract(int pos, int len) const;
    // Inserts a piece at pos. Throws std::length_error beyond kMaxLength.
    void insertPiece(int pos, const TextPiece& piece);
    void clear();

    // Writes the text as it goes to a file, with each break in its own kind, in blocks.
    // Stops and returns false as soon as the sink does.
    bool write(const std::function<bool(const char*, qint64)>& sink, qint64 blockSize = 1 << 20) const;

    // Bytes in use by the text and the line index (for measurements).
    qint64 memoryUse() const;

    // Building from file content: feed raw bytes in pieces; CR LF, LF and CR each become
    // one break. finishLoad() ends the load. The memory for the expected size is taken
    // and backed at once, so that filling it costs the same from run to run.
    void beginLoad(qint64 expectedSize);
    void appendRaw(const char* data, qint64 size);  // throws std::length_error beyond kMaxLength
    void finishLoad();

private:
    void moveGap(int pos);
    void ensureGap(int size);
    void moveLineGap(int index);
    void ensureLineGap(int count);
    void growForLoad(qint64 size);

    char* data_ = nullptr;
    int capacity_ = 0;
    int gapStart_ = 0;
    int gapEnd_ = 0;
    int length_ = 0;

    std::vector<std::uint32_t> lines_;
    int lineGapStart_ = 0;
    int lineGapEnd_ = 0;

    bool pendingCr_ = false;
    qint64 expectedLoad_ = 0;
};

// Turns CR LF, LF and CR into single breaks (CR); returns the number of breaks in *breaks.
QByteArray normalizeBreaks(QByteArrayView text, int* breaks = nullptr);

}  // namespace editor
