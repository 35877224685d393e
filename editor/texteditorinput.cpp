#include "editor/texteditor.h"

#include "editor/texteditormetrics.h"
#include "platform/errors.h"

#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

using editor::EditOrigin;
using editor::TextBuffer;
using texteditor::kSelectionBarWidth;

// ---- Keyboard ----

void TCustomTextEditor::handleMovementKey(QKeyEvent* event, bool* handled)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    if (mods & (Qt::AltModifier | Qt::MetaModifier))
        return;
    const int caret = doc_.caret();
    const int len = doc_.length();
    const bool hasSelection = doc_.selectionLength() > 0;
    const int line = displayLineOf(caret);
    auto vertical = [&](int targetLine) {
        if (preferredX_ < 0)
            preferredX_ = xOf(caret);
        const qreal keep = preferredX_;
        targetLine = clampDisplayLine(targetLine);
        moveTo(posAt(targetLine, keep), shift);
        preferredX_ = keep;
    };
    *handled = true;
    switch (event->key()) {
    case Qt::Key_Left:
        if (hasSelection && !shift && !ctrl)
            moveTo(doc_.selectionStart(), false);
        else
            moveTo(ctrl ? wordStartBefore(caret) : prevCharPos(caret), shift);
        break;
    case Qt::Key_Right:
        if (hasSelection && !shift && !ctrl)
            moveTo(doc_.selectionEnd(), false);
        else
            moveTo(ctrl ? wordEndAfter(caret) : nextCharPos(caret), shift);
        break;
    case Qt::Key_Up:
        vertical(line - 1);
        return;
    case Qt::Key_Down:
        vertical(line + 1);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int step = std::max(1, visibleLineCount() - 1) * (event->key() == Qt::Key_PageUp ? -1 : 1);
        QScrollBar* v = verticalScrollBar();
        v->setValue(v->value() + step);
        vertical(line + step);
        return;
    }
    case Qt::Key_Home:
        moveTo(ctrl ? 0 : displayLineStart(line), shift);
        break;
    case Qt::Key_End: {
        int end = ctrl ? len : displayLineEnd(line);
        if (!ctrl && wordWrap_ && !endsWithBreak(line) && hasDisplayLine(line + 1) && end > displayLineStart(line))
            end = prevCharPos(end);
        moveTo(end, shift);
        break;
    }
    default:
        *handled = false;
        return;
    }
    preferredX_ = -1;
}

void TCustomTextEditor::keyPressEvent(QKeyEvent* event)
{
    // An error of an edit (too little memory for a paste, say) is reported here rather
    // than thrown through the event loop.
    platform::runGuarded([&] { handleKey(event); });
}

void TCustomTextEditor::handleKey(QKeyEvent* event)
{
    keySuppressed_ = false;
    emit OnKeyDown(event);
    if (keySuppressed_) {
        keySuppressed_ = false;
        event->accept();
        return;
    }
    event->accept();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (event->matches(QKeySequence::Copy) || (key == Qt::Key_Insert && mods == Qt::ControlModifier)) {
        CopySelection();
        return;
    }
    if (event->matches(QKeySequence::Cut) || (key == Qt::Key_Delete && mods == Qt::ShiftModifier)) {
        CutSelection();
        return;
    }
    if (event->matches(QKeySequence::Paste) || (key == Qt::Key_Insert && mods == Qt::ShiftModifier)) {
        PasteClipboard();
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        if (!readOnly_)
            UndoLastStep();
        return;
    }
    if (event->matches(QKeySequence::Redo) || (key == Qt::Key_Y && mods == Qt::ControlModifier)) {
        if (!readOnly_)
            RedoLastStep();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectWholeText();
        return;
    }
    // Insert without Shift, Ctrl and Alt switches the mode, as the status bar counts it
    // (the Super key does not change that).
    if (key == Qt::Key_Insert && !(mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        insertMode_ = !insertMode_;
        viewport()->update();
        return;
    }
    bool handled = false;
    handleMovementKey(event, &handled);
    if (handled)
        return;

    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    const int caret = doc_.caret();
    switch (key) {
    case Qt::Key_Backspace:
        if (readOnly_)
            return;
        if (doc_.selectionLength() > 0) {
            replaceSelectionWith(QByteArray(), EditOrigin::Command);
        } else if (caret > 0) {
            const int from = ctrl ? wordStartBefore(caret) : prevCharPos(caret);
            const int oldAnchor = doc_.anchor();
            applyChange(doc_.replace(from, caret - from, QByteArray(), ctrl ? EditOrigin::Command : EditOrigin::Backspace),
                        oldAnchor, caret);
        }
        return;
    case Qt::Key_Delete:
        if (readOnly_ || mods & ~Qt::ControlModifier)
            return;
        if (doc_.selectionLength() > 0) {
            replaceSelectionWith(QByteArray(), EditOrigin::Command);
        } else if (caret < doc_.length()) {
            const int to = ctrl ? wordEndAfter(caret) : nextCharPos(caret);
            const int oldAnchor = doc_.anchor();
            applyChange(doc_.replace(caret, to - caret, QByteArray(), ctrl ? EditOrigin::Command : EditOrigin::DeleteForward),
                        oldAnchor, caret);
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!ctrl && !alt)
            insertTyped(QByteArray(1, TextBuffer::kBreak));
        return;
    case Qt::Key_Tab:
        if (ctrl || alt) {
            event->ignore();
            return;
        }
        insertTyped("\t");
        return;
    default:
        break;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() != 0x7F && c.category() != QChar::Other_Control;
    });
    // Ctrl with Alt is AltGr on many keyboards and types characters; Alt alone is a menu
    // key, and one that matches no menu types nothing.
    if (printable && ctrl == alt) {
        if (!readOnly_)
            insertTyped(encodeEntering(text));
        return;
    }
    event->ignore();
}

void TCustomTextEditor::inputMethodEvent(QInputMethodEvent* event)
{
    event->accept();
    const QRect oldCaret = caretRect();
    preedit_.clear();
    preeditCursor_ = 0;
    if (!readOnly_) {
        preedit_ = event->preeditString();
        preeditCursor_ = int(preedit_.size());
        for (const QInputMethodEvent::Attribute& a : event->attributes()) {
            if (a.type == QInputMethodEvent::Cursor)
                preeditCursor_ = std::clamp(a.start, 0, int(preedit_.size()));
        }
        platform::runGuarded([&] {
            // The method may replace text around the caret (a compose key taking back the
            // character before it); the commit then takes the place of that text.
            if (event->replacementLength() > 0 || event->replacementStart() != 0) {
                // The method counts characters; the text is held as bytes.
                const int caret = doc_.charPos(doc_.caret());
                const int length = doc_.charLength();
                const int from = std::clamp(caret + event->replacementStart(), 0, length);
                const int to = std::clamp(from + event->replacementLength(), from, length);
                if (to > from || !event->commitString().isEmpty())
                    setSelectionInternal(doc_.bytePos(from), doc_.bytePos(to), false);
            }
            insertTyped(encodeEntering(event->commitString()));
        });
    }
    viewport()->update(oldCaret.adjusted(-1, 0, viewport()->width(), 0));
    viewport()->update(caretRect().adjusted(-1, 0, viewport()->width(), 0));
}

QVariant TCustomTextEditor::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const TextBuffer& b = doc_.buffer();
    const int caret = doc_.caret();
    const int line = b.lineOf(caret);
    const int lineStart = b.lineStart(line);
    const int lineEnd = lineStart + b.lineLength(line);
    switch (query) {
    case Qt::ImCursorRectangle: {
        QRect r = caretRect().translated(viewport()->pos());
        if (!preedit_.isEmpty())
            r.translate(int(QFontMetricsF(font()).horizontalAdvance(preedit_.left(preeditCursor_))), 0);
        return r;
    }
    case Qt::ImEnabled:
        return !readOnly_;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    // The surrounding text is the caret's line; positions count from its start.
    case Qt::ImSurroundingText:
        return decodeText(b.text(lineStart, lineEnd - lineStart));
    case Qt::ImCursorPosition:
        return doc_.charPos(caret) - doc_.charPos(lineStart);
    case Qt::ImAnchorPosition:
        return doc_.charPos(std::clamp(doc_.anchor(), lineStart, lineEnd)) - doc_.charPos(lineStart);
    case Qt::ImCurrentSelection: {
        QByteArray bytes = selectedBytes();
        bytes.replace(TextBuffer::kBreak, '\n');
        return decodeText(bytes);
    }
    case Qt::ImTextBeforeCursor:
        return decodeText(b.text(lineStart, caret - lineStart));
    case Qt::ImTextAfterCursor:
        return decodeText(b.text(caret, lineEnd - caret));
    case Qt::ImFont:
        return font();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- Mouse ----

void TCustomTextEditor::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseDown(event->button(), event->modifiers(), pos);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (event->button() == Qt::LeftButton) {
        preferredX_ = -1;
        if (showSelectionBar_ && pos.x() < kSelectionBarWidth) {
            const int line = clampDisplayLine(firstVisibleLine() + pos.y() / lineHeight_);
            const int start = displayLineStart(line);
            const int next = hasDisplayLine(line + 1) ? displayLineStart(line + 1) : doc_.length();
            dragOrigin_ = start;
            draggingLines_ = true;
            if (shift)
                setSelectionInternal(doc_.anchor(), doc_.anchor() <= start ? next : start, true);
            else
                setSelectionInternal(start, next, true);
        } else {
            const int p = posAtPoint(pos);
            moveTo(p, shift);
            dragging_ = true;
        }
        pressPos_ = doc_.caret();
    } else if (event->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection() && !readOnly_) {
            const QString text = clipboard->text(QClipboard::Selection);
            if (!text.isEmpty())
                platform::runGuarded([&] { pasteText(text, posAtPoint(pos)); });
        }
    }
    event->accept();
}

void TCustomTextEditor::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton || (showSelectionBar_ && pos.x() < kSelectionBarWidth)) {
        mousePressEvent(event);
        return;
    }
    emit OnMouseDown(event->button(), event->modifiers(), pos);
    const auto [start, end] = wordAt(posAtPoint(pos));
    setSelectionInternal(start, end, true);
    dragging_ = false;
    copyToClipboard(true);
    event->accept();
}

void TCustomTextEditor::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        if (draggingLines_) {
            const int line = clampDisplayLine(firstVisibleLine() + (pos.y() < 0 ? -1 : pos.y() / lineHeight_));
            const int start = displayLineStart(line);
            const int next = hasDisplayLine(line + 1) ? displayLineStart(line + 1) : doc_.length();
            const int originLine = displayLineOf(dragOrigin_);
            const int originNext = hasDisplayLine(originLine + 1) ? displayLineStart(originLine + 1) : doc_.length();
            if (start >= dragOrigin_)
                setSelectionInternal(dragOrigin_, next, true);
            else
                setSelectionInternal(originNext, start, true);
        } else if (dragging_) {
            setSelectionInternal(doc_.anchor(), posAtPoint(pos), true);
        }
        event->accept();
        return;
    }
    updateHoverCursor(pos);
    event->accept();
}

void TCustomTextEditor::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const bool wasDragging = dragging_ || draggingLines_;
    dragging_ = draggingLines_ = false;
    if (event->button() == Qt::LeftButton && wasDragging) {
        if (doc_.selectionLength() > 0) {
            copyToClipboard(true);
        } else {
            const QString link = linkAt(pos);
            if (link.size() > 1)
                emit OnURLClick(link);
        }
    }
    event->accept();
}
