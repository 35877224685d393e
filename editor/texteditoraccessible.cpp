#include "editor/texteditoraccessible.h"

#include "platform/codepage1252.h"
#include "editor/texteditor.h"

#include <QAccessible>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

// Positions here are characters, as the editor's contract counts them; the buffer holds
// bytes (more than one a character in a UTF-8 text).
int charCount(const TCustomTextEditor* e) { return e->charPosOf(e->buffer().length()); }

// The editor's characters [from, to) with every break as "\n".
QString editorText(const TCustomTextEditor* e, int from, int to)
{
    const int length = charCount(e);
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    const int byteFrom = e->bytePosOf(from);
    QString s = e->decodeText(e->buffer().text(byteFrom, e->bytePosOf(to) - byteFrom));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

// The buffer line that holds pos as [start, end), its break not included.
void lineBounds(const TCustomTextEditor* e, int pos, int* start, int* end)
{
    const editor::TextBuffer& b = e->buffer();
    const int line = b.lineOf(std::clamp(e->bytePosOf(std::clamp(pos, 0, charCount(e))), 0, b.length()));
    *start = e->charPosOf(b.lineStart(line));
    *end = e->charPosOf(b.lineStart(line) + b.lineLength(line));
}

AccessibleEventSink g_sink = nullptr;

bool listening() { return g_sink || QAccessible::isActive(); }

void send(QAccessibleEvent* event)
{
    if (g_sink)
        g_sink(event);
    else
        QAccessible::updateAccessibility(event);
}

QAccessibleInterface* editorFactory(const QString&, QObject* object)
{
    if (auto* e = qobject_cast<TCustomTextEditor*>(object))
        return new TTextEditorAccessible(e);
    return nullptr;
}

}  // namespace

TTextEditorAccessible::TTextEditorAccessible(TCustomTextEditor* editor)
    : QAccessibleWidget(editor, QAccessible::EditableText)
{
}

TCustomTextEditor* TTextEditorAccessible::editor() const { return static_cast<TCustomTextEditor*>(widget()); }

void* TTextEditorAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TTextEditorAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = !editor()->ReadOnly();
    s.readOnly = editor()->ReadOnly();
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

QString TTextEditorAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return editorText(editor(), 0, characterCount());
    QString s = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && s.isEmpty())
        s = QStringLiteral("Text");
    return s;
}

void TTextEditorAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || editor()->SelectionLength() == 0)
        return;
    *startOffset = editor()->SelectionStart();
    *endOffset = *startOffset + editor()->SelectionLength();
}

int TTextEditorAccessible::selectionCount() const { return editor()->SelectionLength() > 0 ? 1 : 0; }

void TTextEditorAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void TTextEditorAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        editor()->setSelectionStart(editor()->CaretPosition());
}

void TTextEditorAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const int length = characterCount();
    startOffset = std::clamp(startOffset, 0, length);
    endOffset = std::clamp(endOffset, 0, length);
    editor()->setSelectionStart(std::min(startOffset, endOffset));
    editor()->setSelectionLength(std::abs(endOffset - startOffset));
}

int TTextEditorAccessible::cursorPosition() const { return editor()->CaretPosition(); }

void TTextEditorAccessible::setCursorPosition(int position)
{
    editor()->setSelectionStart(std::clamp(position, 0, characterCount()));
}

QString TTextEditorAccessible::text(int startOffset, int endOffset) const
{
    return editorText(editor(), startOffset, endOffset);
}

void TTextEditorAccessible::boundsAt(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const
{
    const int length = characterCount();
    offset = std::clamp(offset, 0, length);
    switch (type) {
    case QAccessible::CharBoundary:
        *start = offset;
        *end = std::min(offset + 1, length);
        return;
    case QAccessible::NoBoundary:
        *start = 0;
        *end = length;
        return;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
    case QAccessible::SentenceBoundary: {
        // A line with its break, so that the pieces cover the text.
        lineBounds(editor(), offset, start, end);
        if (*end < length)
            ++*end;
        return;
    }
    case QAccessible::WordBoundary: {
        int lineStart = 0;
        int lineEnd = 0;
        lineBounds(editor(), offset, &lineStart, &lineEnd);
        if (offset >= lineEnd) {  // on the break
            *start = offset;
            *end = std::min(offset + 1, length);
            return;
        }
        const QString line = editorText(editor(), lineStart, lineEnd);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Word, line);
        finder.setPosition(offset - lineStart);
        const int local = offset - lineStart;
        int from = finder.isAtBoundary() ? local : finder.toPreviousBoundary();
        finder.setPosition(local);
        int to = finder.toNextBoundary();
        if (from < 0)
            from = 0;
        if (to < 0)
            to = line.size();
        *start = lineStart + from;
        *end = lineStart + to;
        return;
    }
    }
    *start = offset;
    *end = offset;
}

QString TTextEditorAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                            int* endOffset) const
{
    boundsAt(offset, boundaryType, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

QString TTextEditorAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                                int* startOffset, int* endOffset) const
{
    int start = 0;
    int end = 0;
    boundsAt(offset, boundaryType, &start, &end);
    if (start <= 0) {
        *startOffset = *endOffset = 0;
        return {};
    }
    boundsAt(start - 1, boundaryType, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

QString TTextEditorAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                               int* startOffset, int* endOffset) const
{
    int start = 0;
    int end = 0;
    boundsAt(offset, boundaryType, &start, &end);
    if (end >= characterCount() || end <= offset) {
        *startOffset = *endOffset = characterCount();
        return {};
    }
    boundsAt(end, boundaryType, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

int TTextEditorAccessible::characterCount() const { return charCount(editor()); }

QRect TTextEditorAccessible::characterRect(int offset) const
{
    TCustomTextEditor* e = editor();
    if (offset < 0 || offset > characterCount())
        return {};
    QRect r = e->positionRect(offset);
    if (offset < characterCount()) {
        const QRect next = e->positionRect(offset + 1);
        r.setWidth(next.top() == r.top() && next.left() > r.left() ? next.left() - r.left() : std::max(1, r.width()));
    }
    return QRect(e->viewport()->mapToGlobal(r.topLeft()), r.size());
}

int TTextEditorAccessible::offsetAtPoint(const QPoint& point) const
{
    TCustomTextEditor* e = editor();
    const QPoint local = e->viewport()->mapFromGlobal(point);
    if (!e->viewport()->rect().contains(local))
        return -1;
    return e->PositionAt(local);
}

void TTextEditorAccessible::scrollToSubstring(int startIndex, int)
{
    TCustomTextEditor* e = editor();
    const int anchor = e->AnchorPosition();
    const int caret = e->CaretPosition();
    // Moving the caret there scrolls it into view; the selection is put back afterwards.
    e->setSelectionStart(std::clamp(startIndex, 0, characterCount()));
    const int v = e->verticalScrollBar()->value();
    const int h = e->horizontalScrollBar()->value();
    e->setSelectionStart(std::min(anchor, caret));
    e->setSelectionLength(std::abs(caret - anchor));
    e->verticalScrollBar()->setValue(v);
    e->horizontalScrollBar()->setValue(h);
}

QString TTextEditorAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = std::clamp(offset, 0, characterCount());
    return {};
}

void TTextEditorAccessible::deleteText(int startOffset, int endOffset) { replaceText(startOffset, endOffset, QString()); }

void TTextEditorAccessible::insertText(int offset, const QString& text) { replaceText(offset, offset, text); }

void TTextEditorAccessible::replaceText(int startOffset, int endOffset, const QString& text)
{
    TCustomTextEditor* e = editor();
    if (e->ReadOnly())
        return;
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\r")).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    setSelection(0, startOffset, endOffset);
    if (e->SelectionLength() == 0 && t.isEmpty())
        return;
    e->setSelectionText(e->encodeText(t));
}

void setAccessibleEventSink(AccessibleEventSink sink) { g_sink = sink; }

void installTextEditorAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(editorFactory);
}

void notifyAccessibleTextChange(TCustomTextEditor* editor, int pos, int removed, int inserted)
{
    if (!listening() || (removed == 0 && inserted == 0))
        return;
    // The removed characters are gone by now: their number and place are told, with
    // blanks for their text, as Qt's own text widgets do.
    const QString oldText(removed, QLatin1Char(' '));
    const QString newText = inserted > 0 ? editorText(editor, pos, pos + inserted) : QString();
    if (removed == 0) {
        QAccessibleTextInsertEvent event(editor, pos, newText);
        send(&event);
    } else if (inserted == 0) {
        QAccessibleTextRemoveEvent event(editor, pos, oldText);
        send(&event);
    } else {
        QAccessibleTextUpdateEvent event(editor, pos, oldText, newText);
        send(&event);
    }
}

void notifyAccessibleCaret(TCustomTextEditor* editor, int oldAnchor, int oldCaret)
{
    if (!listening())
        return;
    const int anchor = editor->AnchorPosition();
    const int caret = editor->CaretPosition();
    const bool wasEmpty = oldAnchor == oldCaret;
    const bool isEmpty = anchor == caret;
    if (!(wasEmpty && isEmpty) && (std::min(anchor, caret) != std::min(oldAnchor, oldCaret) ||
                                   std::max(anchor, caret) != std::max(oldAnchor, oldCaret))) {
        QAccessibleTextSelectionEvent event(editor, std::min(anchor, caret), std::max(anchor, caret));
        event.setCursorPosition(caret);
        send(&event);
    }
    if (caret != oldCaret) {
        QAccessibleTextCursorEvent event(editor, caret);
        send(&event);
    }
}
