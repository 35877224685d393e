#include "editor/undohistory.h"

#include <algorithm>

namespace editor {

void UndoHistory::setLimit(int limit)
{
    limit_ = std::max(0, limit);
    trim();
}

void UndoHistory::clear()
{
    undo_.clear();
    redo_.clear();
    sealed_ = true;
}

void UndoHistory::trim()
{
    while (int(undo_.size()) > limit_)
        undo_.pop_front();
}

bool UndoHistory::merge(const EditStep& step)
{
    if (sealed_ || undo_.empty() || step.origin == EditOrigin::Command)
        return false;
    EditStep& last = undo_.back();
    if (last.origin != step.origin)
        return false;
    switch (step.origin) {
    case EditOrigin::Typing:
        if (step.pos != last.pos + last.inserted.size() || step.inserted.isEmpty())
            return false;
        last.inserted.append(step.inserted);
        last.removed.append(step.removed);
        return true;
    case EditOrigin::Backspace:
        if (!step.inserted.isEmpty() || !last.inserted.isEmpty() || step.pos + step.removed.size() != last.pos)
            return false;
        last.pos = step.pos;
        last.removed.prepend(step.removed);
        return true;
    case EditOrigin::DeleteForward:
        if (!step.inserted.isEmpty() || !last.inserted.isEmpty() || step.pos != last.pos)
            return false;
        last.removed.append(step.removed);
        return true;
    case EditOrigin::Command:
        break;
    }
    return false;
}

void UndoHistory::record(EditStep step)
{
    redo_.clear();
    if (!merge(step)) {
        undo_.push_back(std::move(step));
        trim();
    }
    sealed_ = undo_.empty() || undo_.back().origin == EditOrigin::Command;
}

EditStep& UndoHistory::popUndo()
{
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    sealed_ = true;
    return redo_.back();
}

EditStep& UndoHistory::popRedo()
{
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    sealed_ = true;
    return undo_.back();
}

}  // namespace editor
