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
    TextPiece inserted = TextPiece::fromText(normalizeBreaks(text), newBreakKind_);
    if (qint64(buffer_.length()) - len + inserted.size() > TextBuffer::kMaxLength)
        throw std::length_error("text too long");
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

bool TextDocument::undo(TextChange* change)
{
    if (!history_.canUndo())
        return false;
    EditStep& step = history_.popUndo();
    if (step.removed.whole) {
        // The text is now just what the step inserted: the old one changes places with it.
        std::swap(buffer_, *step.removed.whole);
    } else {
        buffer_.erase(step.pos, step.inserted.size());
        buffer_.insertPiece(step.pos, step.removed);
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
    if (step.removed.whole) {
        std::swap(buffer_, *step.removed.whole);
    } else {
        buffer_.erase(step.pos, step.removed.size());
        buffer_.insertPiece(step.pos, step.inserted);
    }
    anchor_ = caret_ = step.pos + step.inserted.size();
    modified_ = true;
    if (change)
        *change = TextChange{step.pos, step.removed.size(), step.inserted.size()};
    return true;
}

void TextDocument::adopt(TextBuffer&& buffer)
{
    buffer_ = std::move(buffer);
    newBreakKind_ = buffer_.breakCount() > 0 ? buffer_.breakKind(0) : BreakKind::CrLf;
    history_.clear();
    anchor_ = caret_ = 0;
    modified_ = false;
}

}  // namespace editor
