#include "editor/textdocument.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace editor {

namespace {

constexpr int kWholeTextMove = 1 << 20;  // from this size on a replaced whole text is moved, not copied

}  // namespace

void TextDocument::setSelection(int anchor, int caret)
{
    anchor_ = std::clamp(anchor, 0, buffer_.length());
    caret_ = std::clamp(caret, 0, buffer_.length());
    history_.seal();
}

TextChange TextDocument::replace(int pos, int len, QByteArrayView text, EditOrigin origin, bool record)
{
    pos = std::clamp(pos, 0, buffer_.length());
    len = std::clamp(len, 0, buffer_.length() - pos);
    QByteArray bytes = normalizeBreaks(text);
    if (utf8())
        bytes = sanitizeUtf8(bytes);  // the text stays valid UTF-8
    TextPiece inserted = TextPiece::fromText(std::move(bytes), newBreakKind_);
    if (qint64(buffer_.length()) - len + inserted.size() > TextBuffer::kMaxLength)
        throw std::length_error("text too long");
    const int removedChars = charsRemoved(pos, len);
    EditStep step;
    step.pos = pos;
    step.origin = origin;
    step.anchorBefore = anchor_;
    step.caretBefore = caret_;
    if (record && len == buffer_.length() && len >= kWholeTextMove) {
        // Everything is replaced: the old text moves into the step as it is.
        step.removed.whole = std::make_shared<TextBuffer>(std::move(buffer_));
        buffer_ = TextBuffer();
    } else {
        if (record)
            step.removed = buffer_.extract(pos, len);
        buffer_.erase(pos, len);
    }
    buffer_.insertPiece(pos, inserted);
    const int size = inserted.size();
    indexAfterEdit(pos, len, size, removedChars);
    anchor_ = caret_ = pos + size;
    modified_ = true;
    if (record) {
        step.inserted = std::move(inserted);
        history_.record(std::move(step));
    } else {
        history_.clear();
    }
    return TextChange{pos, len, size};
}

TextChange TextDocument::replaceWholeText(TextBuffer&& buffer, TextEncoding encoding, bool byteOrderMark)
{
    EditStep step;
    step.origin = EditOrigin::Command;
    step.anchorBefore = anchor_;
    step.caretBefore = caret_;
    step.swapsWholeText = true;
    step.removed.whole = std::make_shared<TextBuffer>(std::move(buffer));
    step.otherEncoding = encoding;
    step.otherByteOrderMark = encoding == TextEncoding::Utf8 && byteOrderMark;
    step.otherBreakKind = step.removed.whole->breakCount() > 0 ? step.removed.whole->breakKind(0) : BreakKind::CrLf;
    TextChange change = swapWholeText(step);
    anchor_ = caret_ = 0;
    history_.seal();
    history_.record(std::move(step));
    history_.seal();
    return change;
}

TextChange TextDocument::swapWholeText(EditStep& step)
{
    const int before = buffer_.length();
    std::swap(buffer_, *step.removed.whole);
    std::swap(encoding_, step.otherEncoding);
    std::swap(byteOrderMark_, step.otherByteOrderMark);
    std::swap(newBreakKind_, step.otherBreakKind);
    charIndex_.clear();
    modified_ = true;
    return TextChange{0, before, buffer_.length(), true};
}

bool TextDocument::undo(TextChange* change)
{
    if (!history_.canUndo())
        return false;
    EditStep& step = history_.popUndo();
    if (step.swapsWholeText) {
        const TextChange swapped = swapWholeText(step);
        anchor_ = std::clamp(step.anchorBefore, 0, buffer_.length());
        caret_ = std::clamp(step.caretBefore, 0, buffer_.length());
        if (change)
            *change = swapped;
        return true;
    }
    const int removedChars = charsRemoved(step.pos, step.inserted.size());
    if (step.removed.whole) {
        // The text is now just what the step inserted: the old one changes places with it.
        std::swap(buffer_, *step.removed.whole);
    } else {
        buffer_.erase(step.pos, step.inserted.size());
        buffer_.insertPiece(step.pos, step.removed);
    }
    indexAfterEdit(step.pos, step.inserted.size(), step.removed.size(), removedChars);
    if (step.toUtf8) {
        encoding_ = TextEncoding::Windows1252;
        charIndex_.clear();
    }
    anchor_ = std::clamp(step.anchorBefore, 0, buffer_.length());
    caret_ = std::clamp(step.caretBefore, 0, buffer_.length());
    modified_ = true;
    if (change)
        *change = TextChange{step.pos, step.inserted.size(), step.removed.size()};
    return true;
}

bool TextDocument::redo(TextChange* change)
{
    if (!history_.canRedo())
        return false;
    EditStep& step = history_.popRedo();
    if (step.swapsWholeText) {
        const TextChange swapped = swapWholeText(step);
        anchor_ = caret_ = 0;
        if (change)
            *change = swapped;
        return true;
    }
    const int removedChars = charsRemoved(step.pos, step.removed.size());
    if (step.removed.whole) {
        std::swap(buffer_, *step.removed.whole);
    } else {
        buffer_.erase(step.pos, step.removed.size());
        buffer_.insertPiece(step.pos, step.inserted);
    }
    indexAfterEdit(step.pos, step.removed.size(), step.inserted.size(), removedChars);
    if (step.toUtf8) {
        encoding_ = TextEncoding::Utf8;
        charIndex_.clear();
    }
    anchor_ = caret_ = step.pos + step.inserted.size();
    modified_ = true;
    if (change)
        *change = TextChange{step.pos, step.removed.size(), step.inserted.size()};
    return true;
}

void TextDocument::adopt(TextBuffer&& buffer, TextEncoding encoding, bool byteOrderMark)
{
    buffer_ = std::move(buffer);
    encoding_ = encoding;
    byteOrderMark_ = encoding == TextEncoding::Utf8 && byteOrderMark;
    charIndex_.clear();
    newBreakKind_ = buffer_.breakCount() > 0 ? buffer_.breakKind(0) : BreakKind::CrLf;
    history_.clear();
    anchor_ = caret_ = 0;
    modified_ = false;
}

bool TextDocument::convertToUtf8(TextChange* change)
{
    if (utf8())
        return false;
    const int length = buffer_.length();
    TextPiece old = buffer_.extract(0, length);
    const QByteArray kinds = old.kinds();
    TextPiece converted =
        TextPiece::fromText(encodeText(decodeText(old.text, TextEncoding::Windows1252), TextEncoding::Utf8), newBreakKind_);
    for (size_t k = 0; k < converted.breaks.size() && qsizetype(k) < kinds.size(); ++k)
        converted.breaks[k] = (converted.breaks[k] & TextBuffer::kPosMask) |
                              (std::uint32_t(static_cast<unsigned char>(kinds[qsizetype(k)])) << TextBuffer::kKindShift);
    if (qint64(converted.size()) > TextBuffer::kMaxLength)
        throw std::length_error("text too long");
    EditStep step;
    step.pos = 0;
    step.origin = EditOrigin::Command;
    step.anchorBefore = anchor_;
    step.caretBefore = caret_;
    step.toUtf8 = true;
    // In Windows-1252 a byte is a character: the selection keeps its characters.
    const int anchorChars = anchor_;
    const int caretChars = caret_;
    buffer_.erase(0, length);
    buffer_.insertPiece(0, converted);
    encoding_ = TextEncoding::Utf8;
    byteOrderMark_ = false;
    charIndex_.clear();
    anchor_ = bytePos(anchorChars);
    caret_ = bytePos(caretChars);
    modified_ = true;
    const int size = converted.size();
    step.removed = std::move(old);
    step.inserted = std::move(converted);
    history_.record(std::move(step));
    history_.seal();
    if (change)
        *change = TextChange{0, length, size};
    return true;
}

void TextDocument::setEncoding(TextEncoding encoding)
{
    encoding_ = encoding;
    byteOrderMark_ = false;
    charIndex_.clear();
}

int TextDocument::countBytes(int pos, int len) const
{
    const QByteArrayView before = buffer_.partBeforeGap();
    const QByteArrayView after = buffer_.partAfterGap();
    const int gap = int(before.size());
    std::int64_t n = 0;
    if (pos < gap)
        n += countUtf8Chars(before.sliced(pos, std::min(len, gap - pos)));
    if (pos + len > gap) {
        const int from = std::max(pos, gap) - gap;
        n += countUtf8Chars(after.sliced(from, pos + len - gap - from));
    }
    return int(n);
}

int TextDocument::charPos(int bytePos) const
{
    bytePos = std::clamp(bytePos, 0, buffer_.length());
    if (!utf8())
        return bytePos;
    if (charIndex_.empty()) {
        const int length = buffer_.length();
        charIndex_.reserve(size_t(length / kCharIndexStep + 1));
        charIndex_.emplace_back(0, 0);
        int chars = 0;
        for (int p = kCharIndexStep; p < length; p += kCharIndexStep) {
            chars += countBytes(p - kCharIndexStep, kCharIndexStep);
            charIndex_.emplace_back(p, chars);
        }
    }
    auto it = std::upper_bound(charIndex_.begin(), charIndex_.end(), bytePos,
                               [](int pos, const std::pair<int, int>& e) { return pos < e.first; });
    --it;
    return it->second + countBytes(it->first, bytePos - it->first);
}

int TextDocument::bytePos(int charPos) const
{
    if (!utf8())
        return std::clamp(charPos, 0, buffer_.length());
    if (charPos <= 0)
        return 0;
    (void)this->charPos(0);  // builds the index
    auto it = std::upper_bound(charIndex_.begin(), charIndex_.end(), charPos,
                               [](int chars, const std::pair<int, int>& e) { return chars < e.second; });
    --it;
    int chars = it->second;
    const int length = buffer_.length();
    for (int p = it->first; p < length; ++p) {
        if (!isUtf8Continuation(buffer_.at(p))) {
            if (chars == charPos)
                return p;
            ++chars;
        }
    }
    return length;
}

int TextDocument::charCount(int pos, int len) const
{
    if (!utf8())
        return len;
    return charPos(pos + len) - charPos(pos);
}

int TextDocument::charsRemoved(int pos, int removed) const
{
    if (!utf8() || charIndex_.empty() || removed == 0)
        return 0;
    return charPos(pos + removed) - charPos(pos);
}

void TextDocument::indexAfterEdit(int pos, int removed, int inserted, int removedChars)
{
    if (!utf8() || charIndex_.empty())
        return;
    if (std::max(removed, inserted) > 16 * kCharIndexStep) {
        charIndex_.clear();  // built anew when next needed
        return;
    }
    const int delta = inserted - removed;
    const int charDelta = countBytes(pos, inserted) - removedChars;
    auto first = std::upper_bound(charIndex_.begin(), charIndex_.end(), pos,
                                  [](int p, const std::pair<int, int>& e) { return p < e.first; });
    auto last = std::lower_bound(first, charIndex_.end(), pos + std::max(removed, 1),
                                 [](const std::pair<int, int>& e, int p) { return e.first < p; });
    for (auto it = last; it != charIndex_.end(); ++it) {
        it->first += delta;
        it->second += charDelta;
    }
    charIndex_.erase(first, last);
}

}  // namespace editor
