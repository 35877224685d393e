#pragma once

#include "editor/textbuffer.h"
#include "editor/utf8text.h"

#include <QByteArray>
#include <deque>

namespace editor {

// How an edit came about; consecutive edits of the same typing kind merge into one step.
enum class EditOrigin { Typing, Backspace, DeleteForward, Command };

// One undoable step: at pos, the text removed was replaced by the text inserted. Both
// keep their breaks with their kinds, so that undoing restores the breaks as they were
// and puts the text back with one copy.
struct EditStep {
    int pos = 0;
    TextPiece removed;
    TextPiece inserted;
    int anchorBefore = 0;
    int caretBefore = 0;
    EditOrigin origin = EditOrigin::Command;
    // A whole text read again from its file: the text changes places with the one in
    // removed.whole, and so do its encoding, byte order mark and kind of new breaks,
    // which wait here for the way back.
    bool swapsWholeText = false;
    TextEncoding otherEncoding = TextEncoding::Windows1252;
    bool otherByteOrderMark = false;
    BreakKind otherBreakKind = BreakKind::CrLf;
    // The step turned a Windows-1252 text into UTF-8: undoing it turns it back.
    bool toUtf8 = false;
};

// The undo and redo stacks with a limit on the number of undo steps.
class UndoHistory {
public:
    static constexpr int kDefaultLimit = 100;  // when no limit was ever set

    int limit() const { return limit_; }
    void setLimit(int limit);

    // Records a step; typing, backspacing and deleting forward merge with the step
    // before when it is of the same kind, adjoins it and no seal came in between.
    void record(EditStep step);
    void seal() { sealed_ = true; }
    void clear();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    int undoCount() const { return int(undo_.size()); }
    int redoCount() const { return int(redo_.size()); }

    // Take the step to undo (it moves to the redo stack) or to redo (back to undo).
    EditStep& popUndo();
    EditStep& popRedo();

private:
    bool merge(const EditStep& step);
    void trim();

    std::deque<EditStep> undo_;
    std::deque<EditStep> redo_;
    int limit_ = kDefaultLimit;
    bool sealed_ = true;
};

}  // namespace editor
