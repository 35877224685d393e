#pragma once

#include "editor/textbuffer.h"
#include "editor/undohistory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <stdexcept>

namespace editor {

// What one edit did, for the view to bring its layout up to date: [pos, pos+removed)
// of the old text became [pos, pos+inserted) of the new one.
struct TextChange {
    int pos = 0;
    int removed = 0;
    int inserted = 0;
};

// The text of one editor with its selection, undo history and modified flag; no window.
// The selection runs from the anchor to the caret (the end that moves).
class TextDocument {
public:
    const TextBuffer& buffer() const { return buffer_; }
    int length() const { return buffer_.length(); }

    int anchor() const { return anchor_; }
    int caret() const { return caret_; }
    int selectionStart() const { return std::min(anchor_, caret_); }
    int selectionEnd() const { return std::max(anchor_, caret_); }
    int selectionLength() const { return selectionEnd() - selectionStart(); }
    // Positions are clamped to the text; a selection set from outside ends a typing run.
    void setSelection(int anchor, int caret);

    // Replaces [pos, pos+len) with text, whose CR LF, LF and CR each become one break
    // of the document's own kind; the caret ends behind the new text. With record false
    // the edit is not undoable, and the history is emptied since its positions no
    // longer hold.
    TextChange replace(int pos, int len, QByteArrayView text, EditOrigin origin, bool record = true);
    TextChange replaceSelection(QByteArrayView text, EditOrigin origin, bool record = true)
    {
        return replace(selectionStart(), selectionLength(), text, origin, record);
    }

    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    bool undo(TextChange* change);
    bool redo(TextChange* change);
    UndoHistory& history() { return history_; }
    const UndoHistory& history() const { return history_; }

    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // The kind a new break gets: that of the first break the text had when it was
    // loaded, CR LF for a new text.
    BreakKind newBreakKind() const { return newBreakKind_; }

    // Takes over a freshly loaded text: selection at the start, no history, unmodified.
    void adopt(TextBuffer&& buffer);

private:
    TextBuffer buffer_;
    UndoHistory history_;
    int anchor_ = 0;
    int caret_ = 0;
    bool modified_ = false;
    BreakKind newBreakKind_ = BreakKind::CrLf;
};

}  // namespace editor
