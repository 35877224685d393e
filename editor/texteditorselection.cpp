#include "editor/texteditor.h"

#include "editor/texteditoraccessible.h"

#include <algorithm>
#include <climits>

using editor::EditOrigin;
using editor::TextBuffer;

// ---- Selection ----

void TCustomTextEditor::emitSelectionIfChanged(int oldAnchor, int oldCaret)
{
    if (doc_.anchor() != oldAnchor || doc_.caret() != oldCaret) {
        // Old places are characters too; in a UTF-8 text after an edit they are counted in
        // the new text, which only matters for places behind the edit.
        if (doc_.utf8())
            notifyAccessibleCaret(this, doc_.charPos(std::min(oldAnchor, doc_.length())),
                                  doc_.charPos(std::min(oldCaret, doc_.length())));
        else
            notifyAccessibleCaret(this, oldAnchor, oldCaret);
        emit OnSelectionChange();
    }
}

void TCustomTextEditor::setSelectionInternal(int anchor, int caret, bool scroll)
{
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    doc_.setSelection(anchor, caret);
    if (scroll)
        ensureCaretVisible();
    restartBlink();
    viewport()->update();
    emitSelectionIfChanged(oldAnchor, oldCaret);
}

void TCustomTextEditor::moveTo(int pos, bool extend)
{
    setSelectionInternal(extend ? doc_.anchor() : pos, pos, true);
}

void TCustomTextEditor::setSelectionStart(int pos)
{
    const int p = doc_.bytePos(pos);
    setSelectionInternal(p, p, true);
}

void TCustomTextEditor::setSelectionLength(int length)
{
    const int start = doc_.selectionStart();
    const int end = doc_.utf8() ? doc_.bytePos(int(std::clamp<qint64>(qint64(doc_.charPos(start)) + length, 0, INT_MAX)))
                                : start + length;
    setSelectionInternal(start, end, true);
}

QByteArray TCustomTextEditor::selectedBytes() const
{
    return doc_.buffer().text(doc_.selectionStart(), doc_.selectionLength());
}

QByteArray TCustomTextEditor::SelectionText() const
{
    if (doc_.selectionLength() == 0)
        return {};
    return selectedBytes();
}

void TCustomTextEditor::setSelectionText(const QByteArray& text) { replaceSelectionWith(text, EditOrigin::Command); }

int TCustomTextEditor::CaretLine() const { return displayLineOf(doc_.selectionStart()); }

int TCustomTextEditor::CaretColumn() const
{
    const int lineStart = displayLineStart(displayLineOf(doc_.caret()));
    const int start = doc_.selectionStart();
    if (start < lineStart)
        return -doc_.charCount(start, lineStart - start);
    return doc_.charCount(lineStart, start - lineStart);
}

void TCustomTextEditor::setCaretLine(int line)
{
    if (!hasDisplayLine(line))
        return;
    setSelectionStart(std::max(0, doc_.charPos(displayLineStart(line)) + CaretColumn()));
}

void TCustomTextEditor::setCaretColumn(int column)
{
    setSelectionStart(std::max(0, doc_.charPos(displayLineStart(CaretLine())) + column));
}

void TCustomTextEditor::setNewTextEncoding(editor::TextEncoding encoding)
{
    if (doc_.length() == 0 && !doc_.modified() && !doc_.canUndo() && doc_.encoding() != encoding) {
        doc_.setEncoding(encoding);
        utf8Widths_.clear();
        viewport()->update();
    }
}

void TCustomTextEditor::SelectWholeText() { setSelectionInternal(0, doc_.length(), false); }

// ---- Words ----

int TCustomTextEditor::wordStartBefore(int pos) const
{
    const TextBuffer& b = doc_.buffer();
    if (pos <= 0)
        return 0;
    int p = pos;
    // A break is a word of its own.
    if (b.at(p - 1) == TextBuffer::kBreak)
        return p - 1;
    while (p > 0 && (b.at(p - 1) == ' ' || b.at(p - 1) == '\t'))
        --p;
    if (p > 0 && wordByte(static_cast<unsigned char>(b.at(p - 1)))) {
        while (p > 0 && wordByte(static_cast<unsigned char>(b.at(p - 1))))
            --p;
    } else if (p > 0 && b.at(p - 1) != TextBuffer::kBreak) {
        --p;
    }
    return p;
}

int TCustomTextEditor::wordEndAfter(int pos) const
{
    const TextBuffer& b = doc_.buffer();
    const int len = b.length();
    if (pos >= len)
        return len;
    int p = pos;
    if (b.at(p) == TextBuffer::kBreak)
        return p + 1;
    if (wordByte(static_cast<unsigned char>(b.at(p)))) {
        while (p < len && wordByte(static_cast<unsigned char>(b.at(p))))
            ++p;
    } else if (b.at(p) != ' ' && b.at(p) != '\t') {
        ++p;
    }
    while (p < len && (b.at(p) == ' ' || b.at(p) == '\t'))
        ++p;
    return p;
}

std::pair<int, int> TCustomTextEditor::wordAt(int pos) const
{
    const TextBuffer& b = doc_.buffer();
    const int len = b.length();
    if (len == 0)
        return {0, 0};
    if (pos >= len || b.at(pos) == TextBuffer::kBreak) {
        if (pos > 0 && b.at(pos - 1) != TextBuffer::kBreak)
            --pos;
        else
            return {pos, pos};
    }
    const auto c = static_cast<unsigned char>(b.at(pos));
    auto same = [&](unsigned char d) {
        if (wordByte(c))
            return wordByte(d);
        if (c == ' ' || c == '\t')
            return d == ' ' || d == '\t';
        return d == c;
    };
    int start = pos;
    while (start > 0 && b.at(start - 1) != TextBuffer::kBreak && same(static_cast<unsigned char>(b.at(start - 1))))
        --start;
    int end = pos + 1;
    while (end < len && b.at(end) != TextBuffer::kBreak && same(static_cast<unsigned char>(b.at(end))))
        ++end;
    // A word takes the blanks that follow it, as users of Windows text fields know it.
    if (wordByte(c)) {
        while (end < len && (b.at(end) == ' ' || b.at(end) == '\t'))
            ++end;
    }
    return {start, end};
}
