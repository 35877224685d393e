#include "editor/texteditor.h"

#include "editor/texteditormetrics.h"
#include "platform/codepage1252.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>

#include <algorithm>
#include <cmath>

using editor::TextBuffer;
using texteditor::kSelectionBarWidth;
using texteditor::isShownAsBox;

// ---- Painting ----

QRect TCustomTextEditor::caretRect() const { return byteRect(doc_.caret()); }

QRect TCustomTextEditor::positionRect(int pos) const { return byteRect(doc_.bytePos(pos)); }

QRect TCustomTextEditor::byteRect(int caret) const
{
    const int line = displayLineOf(caret);
    const int y = (line - firstVisibleLine()) * lineHeight_;
    const qreal x = textLeft() + xOf(caret);
    int width = 1;
    if (!insertMode_ && caret < doc_.length() && doc_.buffer().at(caret) != TextBuffer::kBreak)
        width = std::max(1, int(std::ceil(advanceAt(caret, 0))));
    return QRect(int(std::floor(x)), y, width, lineHeight_);
}

void TCustomTextEditor::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QPalette& pal = viewport()->palette();
    const int width = viewport()->width();
    const int height = viewport()->height();
    painter.fillRect(QRect(0, 0, width, height), pal.base());
    if (showSelectionBar_)
        painter.fillRect(QRect(0, 0, kSelectionBarWidth, height), pal.color(QPalette::Base).darker(112));

    const TextBuffer& b = doc_.buffer();
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QBrush highlight = pal.brush(group, QPalette::Highlight);
    const QColor highlightText = pal.color(group, QPalette::HighlightedText);
    const QColor textColor = pal.color(QPalette::Text);
    const int selStart = doc_.selectionStart();
    const int selEnd = doc_.selectionEnd();
    const qreal left = textLeft();
    const int clipLeft = showSelectionBar_ ? kSelectionBarWidth : 0;
    painter.setClipRect(QRect(clipLeft, 0, width - clipLeft, height));
    painter.setFont(font());

    const int first = firstVisibleLine();
    for (int line = first; hasDisplayLine(line) && (line - first) * lineHeight_ < height; ++line) {
        const int y = (line - first) * lineHeight_;
        const int start = displayLineStart(line);
        const int end = displayLineEnd(line);
        const int bufferLine = wordWrap_ ? b.lineOf(start) : line;
        const int bufferLineStart = wordWrap_ ? b.lineStart(bufferLine) : start;

        // Skip what lies left of the view.
        auto [p, x] = checkpointBeforeX(start, end, clipLeft - left);
        while (p < end) {
            const qreal next = advanceAt(p, x);
            if (left + next >= clipLeft)
                break;
            x = next;
            ++p;
        }
        // Start on a character's first byte: the x reached lies behind that character.
        if (p < end && isContinuation(p)) {
            while (p > start && isContinuation(p))
                --p;
            x -= utf8Width(p);
        }
        // The links of the part shown: at most as many characters as fit in the width.
        std::vector<LinkMark> marks;
        if (autoURLDetect_ != adNone) {
            const qint64 fit = qint64(width / std::max<qreal>(1, minWidth_)) + 2;
            const int shown = int(std::min<qint64>(end - p, doc_.utf8() ? 4 * fit : fit));
            marks = linksIn(bufferLine, p - bufferLineStart, p + shown - bufferLineStart);
        }
        size_t markIndex = 0;

        QString run;
        qreal runX = x;
        bool runSelected = false;
        int runEntry = -2;  // -2: no link
        auto flush = [&](qreal endX) {
            if (run.isEmpty())
                return;
            if (runSelected)
                painter.setPen(highlightText);
            else
                painter.setPen(runEntry != -2 ? linkColor(runEntry) : textColor);
            painter.drawText(QPointF(left + runX, y + ascent_), run);
            if (runEntry != -2 && linkUnderlined(runEntry))
                painter.drawLine(QPointF(left + runX, y + ascent_ + 1.5), QPointF(left + endX, y + ascent_ + 1.5));
            run.clear();
        };
        while (p < end && left + x < width) {
            const auto c = static_cast<unsigned char>(b.at(p));
            const bool selected = p >= selStart && p < selEnd;
            int entry = -2;
            if (!marks.empty()) {
                const int col = p - bufferLineStart;
                while (markIndex < marks.size() && marks[markIndex].start + marks[markIndex].length <= col)
                    ++markIndex;
                if (markIndex < marks.size() && marks[markIndex].start <= col)
                    entry = marks[markIndex].entry;
            }
            const qreal next = advanceAt(p, x);
            if (doc_.utf8() && c >= 0x80) {
                // A character of several bytes, drawn alone where the layout puts it.
                if (editor::isUtf8Continuation(char(c))) {
                    ++p;
                    continue;
                }
                if (selected)
                    painter.fillRect(QRectF(left + x, y, next - x, lineHeight_), highlight);
                flush(x);
                runSelected = selected;
                runEntry = entry;
                const int n = editor::utf8SequenceLength(c);
                unsigned char seq[4] = {c, 0, 0, 0};
                for (int k = 1; k < n && p + k < end; ++k)
                    seq[k] = static_cast<unsigned char>(b.at(p + k));
                const char32_t ch = editor::decodeUtf8Char(seq, n);
                if (ch < 0xA0) {
                    painter.setPen(selected ? highlightText : textColor);
                    painter.drawRect(QRectF(left + x + 1, y + 2, next - x - 3, lineHeight_ - 5));
                    runX = next;
                } else {
                    runX = x;
                    run = QString::fromUcs4(&ch, 1);
                    flush(next);
                    runX = next;
                }
                x = next;
                ++p;
                continue;
            }
            if (selected)
                painter.fillRect(QRectF(left + x, y, next - x, lineHeight_), highlight);
            if (c == '\t' || isShownAsBox(c) || selected != runSelected || entry != runEntry) {
                flush(x);
                runX = x;
                runSelected = selected;
                runEntry = entry;
            }
            if (isShownAsBox(c)) {
                painter.setPen(selected ? highlightText : textColor);
                painter.drawRect(QRectF(left + x + 1, y + 2, next - x - 3, lineHeight_ - 5));
                runX = next;
            } else if (c == '\t') {
                runX = next;
            } else {
                run.append(QChar(platform::cp1252ToUnicode(c)));
            }
            x = next;
            ++p;
        }
        flush(x);
        // A selected break shows as a blank block behind the line.
        if (p == end && endsWithBreak(line) && end >= selStart && end < selEnd)
            painter.fillRect(QRectF(left + x, y, charWidth(' '), lineHeight_), highlight);
    }

    if (!preedit_.isEmpty()) {
        paintPreedit(painter);
        return;
    }
    if (hasFocus() && caretVisible_) {
        const QRect caret = caretRect();
        if (insertMode_) {
            painter.fillRect(caret, textColor);
        } else {
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            painter.fillRect(caret, Qt::white);
        }
    }
}

// The text being composed covers what follows the caret, underlined, with the input
// method's own caret in it.
void TCustomTextEditor::paintPreedit(QPainter& painter)
{
    const QPalette& pal = viewport()->palette();
    const QRect caret = caretRect();
    const QFontMetricsF metrics(font());
    const qreal width = metrics.horizontalAdvance(preedit_);
    const QRectF area(caret.left(), caret.top(), width + 1, lineHeight_);
    painter.fillRect(area, pal.base());
    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(QPointF(area.left(), caret.top() + ascent_), preedit_);
    const qreal underline = caret.top() + ascent_ + 1.5;
    painter.drawLine(QPointF(area.left(), underline), QPointF(area.left() + width, underline));
    if (hasFocus() && caretVisible_) {
        const qreal x = area.left() + metrics.horizontalAdvance(preedit_.left(preeditCursor_));
        painter.fillRect(QRectF(x, caret.top(), 1, lineHeight_), pal.color(QPalette::Text));
    }
}

void TCustomTextEditor::Refresh() { viewport()->repaint(); }

void TCustomTextEditor::scrollContentsBy(int, int) { viewport()->update(); }

void TCustomTextEditor::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    // Only a change of width wraps anew.
    if (wordWrap_ && wrapWidth() != wrappedWidth_)
        rewrapAll();
    else if (wordWrap_)
        wrapUntil(-1, firstVisibleLine() + visibleLineCount() + 2);
    updateScrollBars();
}

void TCustomTextEditor::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateMetrics();
}

void TCustomTextEditor::restartBlink()
{
    caretVisible_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        blinkTimer_.start(flash / 2);
    else
        blinkTimer_.stop();
}

void TCustomTextEditor::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void TCustomTextEditor::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    blinkTimer_.stop();
    viewport()->update();
}

bool TCustomTextEditor::focusNextPrevChild(bool) { return false; }
