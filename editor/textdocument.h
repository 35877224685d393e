#pragma once

#include "editor/textbuffer.h"
#include "editor/undohistory.h"
#include "editor/utf8text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace editor {

// What one edit did, for the view to bring its layout up to date: [pos, pos+removed)
// of the old text became [pos, pos+inserted) of the new one.
struct TextChange {
    int pos = 0;
    int removed = 0;
    int inserted = 0;
    bool wholeText = false;  // the whole text changed places with another, perhaps of another encoding
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

    // Puts a text read again from the file in place of the whole text, as one undo step:
    // undoing brings the old text back with its encoding, byte order mark and breaks.
    // The caret goes to the start; the text counts as modified until the caller says
    // otherwise.
    TextChange replaceWholeText(TextBuffer&& buffer, TextEncoding encoding, bool byteOrderMark);

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
    void adopt(TextBuffer&& buffer, TextEncoding encoding = TextEncoding::Windows1252, bool byteOrderMark = false);

    // The encoding of the text's bytes, and whether its file began with the UTF-8 byte
    // order mark (which is not part of the text).
    TextEncoding encoding() const { return encoding_; }
    bool utf8() const { return encoding_ == TextEncoding::Utf8; }
    bool byteOrderMark() const { return byteOrderMark_; }
    // For an empty new text: the encoding its characters are stored in.
    void setEncoding(TextEncoding encoding);
    // A Windows-1252 text becomes UTF-8, every break keeping its kind, as one undo step
    // that turns it back; the selection keeps its characters. Nothing for a UTF-8 text.
    bool convertToUtf8(TextChange* change);

    // Characters against byte positions. In Windows-1252 both are the same; in UTF-8 a
    // character is a code point of one to four bytes. charPos counts the characters that
    // begin before a byte position; bytePos gives the position where character number
    // chars begins (the length behind the last). Both cost a look-up in an index of
    // every kCharIndexStep bytes and a count of at most that many bytes.
    int charPos(int bytePos) const;
    int bytePos(int charPos) const;
    int charLength() const { return charPos(buffer_.length()); }
    // The characters in [pos, pos+len) of the bytes.
    int charCount(int pos, int len) const;
    static constexpr int kCharIndexStep = 64 * 1024;

private:
    TextBuffer buffer_;
    UndoHistory history_;
    int anchor_ = 0;
    int caret_ = 0;
    bool modified_ = false;
    BreakKind newBreakKind_ = BreakKind::CrLf;
    TextEncoding encoding_ = TextEncoding::Windows1252;
    bool byteOrderMark_ = false;

    // UTF-8 only: (byte position, characters before it), ascending, the first (0, 0);
    // built when first needed and carried along by edits.
    mutable std::vector<std::pair<int, int>> charIndex_;
    int countBytes(int pos, int len) const;  // characters in [pos, pos+len), counted
    // Before an edit of [pos, pos+removed): the characters removed. After it, with the
    // inserted bytes in place: brings the index up to date.
    int charsRemoved(int pos, int removed) const;
    void indexAfterEdit(int pos, int removed, int inserted, int removedChars);
    // Undo and redo of a step that swapped the whole text.
    TextChange swapWholeText(EditStep& step);
};

}  // namespace editor
