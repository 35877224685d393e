#include "editor/textdocument.h"

#include <algorithm>

namespace editor {

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
    int breaks = 0;
    const QByteArray normal = normalizeBreaks(text, &breaks);
    if (qint64(buffer_.length()) - len + normal.size() > TextBuffer::kMaxLength)
        throw std::length_error("text too long");
    EditStep step;
    step.pos = pos;
    step.origin = origin;
    step.anchorBefore = anchor_;
    step.caretBefore = caret_;
    if (record) {
        step.removed = buffer_.text(pos, len);
        step.removedKinds = buffer_.kindsIn(pos, len);
        step.inserted = normal;
        step.insertedKinds = QByteArray(breaks, char(newBreakKind_));
    }
    buffer_.remove(pos, len);
    buffer_.insert(pos, normal, newBreakKind_);
    anchor_ = caret_ = pos + int(normal.size());
    modified_ = true;
    if (record)
        history_.record(std::move(step));
    else
        history_.clear();
    return TextChange{pos, len, int(normal.size())};
}

bool TextDocument::undo(TextChange* change)
{
    if (!history_.canUndo())
        return false;
    const EditStep& step = history_.popUndo();
    buffer_.remove(step.pos, int(step.inserted.size()));
    buffer_.insert(step.pos, step.removed, newBreakKind_, step.removedKinds);
    anchor_ = std::clamp(step.anchorBefore, 0, buffer_.length());
    caret_ = std::clamp(step.caretBefore, 0, buffer_.length());
    modified_ = true;
    if (change)
        *change = TextChange{step.pos, int(step.inserted.size()), int(step.removed.size())};
    return true;
}

bool TextDocument::redo(TextChange* change)
{
    if (!history_.canRedo())
        return false;
    const EditStep& step = history_.popRedo();
    buffer_.remove(step.pos, int(step.removed.size()));
    buffer_.insert(step.pos, step.inserted, newBreakKind_, step.insertedKinds);
    anchor_ = caret_ = step.pos + int(step.inserted.size());
    modified_ = true;
    if (change)
        *change = TextChange{step.pos, int(step.removed.size()), int(step.inserted.size())};
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
