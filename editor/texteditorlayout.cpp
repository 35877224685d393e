#include "editor/texteditor.h"

#include "editor/texteditormetrics.h"
#include "platform/codepage1252.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>

using editor::TextBuffer;
using editor::TextChange;
using texteditor::kSelectionBarWidth;
using texteditor::kTextPadding;
using texteditor::isShownAsBox;

namespace {

bool isWordByte(unsigned char c)
{
    if (c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return QChar(platform::cp1252ToUnicode(c)).isLetterOrNumber();
}

}  // namespace

// ---- Display lines ----

int TCustomTextEditor::displayLineCount() const
{
    if (!wordWrap_)
        return doc_.buffer().lineCount();
    wrapUntil(INT_MAX, INT_MAX);
    return int(wrapStarts_.size());
}

int TCustomTextEditor::estimatedDisplayLineCount() const
{
    if (!wordWrap_)
        return doc_.buffer().lineCount();
    if (wrapDone_)
        return int(wrapStarts_.size());
    // Every line still to wrap is one display line and one more for every full width.
    const TextBuffer& b = doc_.buffer();
    const qreal perRow = std::max<qreal>(1, wrapWidth() / averageWidth_);
    const int linesLeft = b.lineCount() - b.lineOf(wrapEnd_);
    const qint64 estimate = qint64(wrapStarts_.size()) + linesLeft + qint64((b.length() - wrapEnd_) / perRow);
    return int(std::min<qint64>(estimate, INT_MAX / 2));
}

bool TCustomTextEditor::hasDisplayLine(int line) const
{
    if (line < 0)
        return false;
    if (!wordWrap_)
        return line < doc_.buffer().lineCount();
    wrapUntil(-1, line + 1);
    return line < int(wrapStarts_.size());
}

int TCustomTextEditor::clampDisplayLine(int line) const
{
    line = std::max(0, line);
    if (!wordWrap_)
        return std::min(line, doc_.buffer().lineCount() - 1);
    wrapUntil(-1, line + 1);
    return std::min(line, int(wrapStarts_.size()) - 1);
}

int TCustomTextEditor::displayLineStart(int line) const
{
    if (!wordWrap_)
        return doc_.buffer().lineStart(line);
    line = clampDisplayLine(line);
    return wrapStarts_[size_t(line)];
}

int TCustomTextEditor::displayLineEnd(int line) const
{
    const TextBuffer& b = doc_.buffer();
    if (!wordWrap_)
        return b.lineEnd(line);
    line = clampDisplayLine(line);
    wrapUntil(-1, line + 2);
    int next = -1;
    if (line + 1 < int(wrapStarts_.size()))
        next = wrapStarts_[size_t(line + 1)];
    else if (!wrapDone_)
        next = wrapEnd_;
    if (next < 0)
        return b.length();
    return next > 0 && b.at(next - 1) == TextBuffer::kBreak ? next - 1 : next;
}

bool TCustomTextEditor::endsWithBreak(int line) const
{
    const int end = displayLineEnd(line);
    return end < doc_.length() && doc_.buffer().at(end) == TextBuffer::kBreak;
}

int TCustomTextEditor::displayLineOf(int pos) const
{
    if (!wordWrap_)
        return doc_.buffer().lineOf(pos);
    wrapUntil(pos, 1);
    auto it = std::upper_bound(wrapStarts_.begin(), wrapStarts_.end(), pos);
    return std::max(0, int(it - wrapStarts_.begin()) - 1);
}

// ---- Layout ----

void TCustomTextEditor::updateMetrics()
{
    const QFontMetricsF fm(font());
    averageWidth_ = std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char('x')));
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        widths_[c] = isShownAsBox(byte) ? averageWidth_ : fm.horizontalAdvance(QChar(platform::cp1252ToUnicode(byte)));
    }
    tabWidth_ = std::max<qreal>(1, 8 * fm.horizontalAdvance(QLatin1Char(' ')));
    minWidth_ = *std::min_element(std::begin(widths_), std::end(widths_));
    maxWidth_ = *std::max_element(std::begin(widths_), std::end(widths_));
    lineHeight_ = std::max(1, int(std::ceil(fm.height())));
    ascent_ = int(std::ceil(fm.ascent()));
    xCache_.clear();
    utf8Widths_.clear();
    if (wordWrap_)
        rewrapAll();
    updateScrollBars();
    viewport()->update();
}

qreal TCustomTextEditor::advance(unsigned char c, qreal x) const
{
    if (c == '\t')
        return (std::floor(x / tabWidth_ + 1e-6) + 1) * tabWidth_;
    return x + widths_[c];
}

qreal TCustomTextEditor::advanceAt(int p, qreal x) const
{
    const auto c = static_cast<unsigned char>(doc_.buffer().at(p));
    if (c < 0x80 || !doc_.utf8())
        return advance(c, x);
    return x + utf8Width(p);
}

qreal TCustomTextEditor::utf8Width(int p) const
{
    const TextBuffer& b = doc_.buffer();
    const auto lead = static_cast<unsigned char>(b.at(p));
    if (editor::isUtf8Continuation(char(lead)))
        return 0;
    const int n = editor::utf8SequenceLength(lead);
    unsigned char seq[4] = {lead, 0, 0, 0};
    for (int k = 1; k < n && p + k < b.length(); ++k)
        seq[k] = static_cast<unsigned char>(b.at(p + k));
    const char32_t ch = editor::decodeUtf8Char(seq, n);
    auto it = utf8Widths_.find(ch);
    if (it != utf8Widths_.end())
        return it->second;
    qreal w = averageWidth_;  // control characters show as a box
    if (ch >= 0xA0) {
        const QFontMetricsF fm(font());
        // Never wider than its bytes at the widest width: a line that fits by its byte
        // count fits without measuring.
        w = std::min(fm.horizontalAdvance(QString::fromUcs4(&ch, 1)), n * maxWidth_);
    }
    utf8Widths_.emplace(ch, w);
    return w;
}

int TCustomTextEditor::nextCharPos(int p) const
{
    const int len = doc_.length();
    if (p >= len)
        return len;
    ++p;
    while (p < len && isContinuation(p))
        ++p;
    return p;
}

int TCustomTextEditor::prevCharPos(int p) const
{
    if (p <= 0)
        return 0;
    --p;
    while (p > 0 && isContinuation(p))
        --p;
    return p;
}

bool TCustomTextEditor::wordByte(unsigned char c) const
{
    // In UTF-8 every character beyond ASCII counts as part of a word.
    return isWordByte(c) || (c >= 0x80 && doc_.utf8());
}

qreal TCustomTextEditor::measureCheckpoints(XCheckpoints& c, int from, qreal x, int to) const
{
    // Measures [from, to) of the line (offsets) from x, adding a checkpoint every
    // kCheckpointStep characters behind from; the last checkpoint's tab flag is kept up
    // to date. Returns the x at to.
    const TextBuffer& b = doc_.buffer();
    int next = from + kCheckpointStep;
    for (int p = from; p < to; ++p) {
        if (p == next) {
            c.offsets.push_back(p);
            c.xs.push_back(x);
            c.tabs.push_back(0);
            next += kCheckpointStep;
        }
        if (b.at(c.start + p) == '\t')
            c.tabs.back() = 1;
        x = advanceAt(c.start + p, x);
    }
    return x;
}

const TCustomTextEditor::XCheckpoints* TCustomTextEditor::checkpoints(int start, int end) const
{
    if (end - start < 8 * kCheckpointStep)
        return nullptr;
    for (const XCheckpoints& c : xCache_) {
        if (c.start == start && c.length == end - start)
            return &c;
    }
    if (xCache_.size() >= 8)
        xCache_.erase(xCache_.begin());
    XCheckpoints c{start, end - start, {0}, {0}, {0}};
    c.offsets.reserve(size_t((end - start) / kCheckpointStep + 1));
    c.xs.reserve(c.offsets.capacity());
    c.tabs.reserve(c.offsets.capacity());
    measureCheckpoints(c, 0, 0, end - start);
    xCache_.push_back(std::move(c));
    return &xCache_.back();
}

bool TCustomTextEditor::editCheckpoints(XCheckpoints& c, int offset, int removed, int inserted) const
{
    // [offset, offset+removed) of the line became [offset, offset+inserted); the line kept
    // its start and holds no new break.
    const int delta = inserted - removed;
    const int count = int(c.offsets.size());
    // Checkpoints up to offset stay; those inside the removed part go; those behind it move.
    const int keep = int(std::upper_bound(c.offsets.begin(), c.offsets.end(), offset) - c.offsets.begin());
    const int tail = int(std::upper_bound(c.offsets.begin(), c.offsets.end(), offset + removed) - c.offsets.begin());
    XCheckpoints fresh{c.start, c.length + delta, {}, {}, {}};
    fresh.offsets.reserve(size_t(count + inserted / kCheckpointStep + 1));
    fresh.xs.reserve(fresh.offsets.capacity());
    fresh.tabs.reserve(fresh.offsets.capacity());
    fresh.offsets.assign(c.offsets.begin(), c.offsets.begin() + keep);
    fresh.xs.assign(c.xs.begin(), c.xs.begin() + keep);
    fresh.tabs.assign(c.tabs.begin(), c.tabs.begin() + keep);
    fresh.tabs.back() = 0;
    // Measure again from the last checkpoint kept to the first one that moves.
    const int from = fresh.offsets.back();
    const int to = tail < count ? c.offsets[size_t(tail)] + delta : fresh.length;
    qreal x = measureCheckpoints(fresh, from, fresh.xs.back(), to);
    if (tail < count) {
        qreal dx = x - c.xs[size_t(tail)];
        for (int k = tail; k < count; ++k) {
            const int newOffset = c.offsets[size_t(k)] + delta;
            if (k > tail) {
                // The piece before this checkpoint is unchanged text: without a tab it
                // shifts by the same amount; with one it is measured from its new start.
                if (dx != 0 && c.tabs[size_t(k - 1)]) {
                    qreal y = fresh.xs.back();
                    for (int p = fresh.offsets.back(); p < newOffset; ++p)
                        y = advanceAt(c.start + p, y);
                    dx = y - c.xs[size_t(k)];
                }
                x = c.xs[size_t(k)] + dx;
            }
            fresh.offsets.push_back(newOffset);
            fresh.xs.push_back(x);
            fresh.tabs.push_back(c.tabs[size_t(k)]);
        }
    }
    c = std::move(fresh);
    return c.length >= 8 * kCheckpointStep;
}

void TCustomTextEditor::updateCheckpoints(const TextChange& change)
{
    if (xCache_.empty())
        return;
    if (wordWrap_) {
        xCache_.clear();
        return;
    }
    const TextBuffer& b = doc_.buffer();
    const int delta = change.inserted - change.removed;
    const int line = b.lineOf(change.pos);
    for (size_t k = 0; k < xCache_.size();) {
        XCheckpoints& c = xCache_[k];
        const int end = c.start + c.length;  // where its break was
        bool keep = true;
        if (change.pos + change.removed < c.start) {
            c.start += delta;  // the line only moved
        } else if (change.pos <= end) {
            // Edited inside: kept when it is still one line with the same start.
            keep = change.pos + change.removed <= end && b.lineStart(line) == c.start &&
                   b.lineLength(line) == c.length + delta &&
                   editCheckpoints(c, change.pos - c.start, change.removed, change.inserted);
        }
        if (keep)
            ++k;
        else
            xCache_.erase(xCache_.begin() + std::ptrdiff_t(k));
    }
}

std::pair<int, qreal> TCustomTextEditor::checkpointAtPos(int start, int end, int pos) const
{
    const XCheckpoints* c = checkpoints(start, end);
    if (!c || pos <= start)
        return {start, 0};
    const auto it = std::upper_bound(c->offsets.begin(), c->offsets.end(), pos - start);
    const size_t k = size_t(it - c->offsets.begin()) - 1;
    return {start + c->offsets[k], c->xs[k]};
}

std::pair<int, qreal> TCustomTextEditor::checkpointBeforeX(int start, int end, qreal x) const
{
    const XCheckpoints* c = checkpoints(start, end);
    if (!c)
        return {start, 0};
    auto it = std::lower_bound(c->xs.begin(), c->xs.end(), x);  // first checkpoint at or right of x
    if (it == c->xs.begin())
        return {start, 0};
    const size_t k = size_t(it - c->xs.begin()) - 1;
    return {start + c->offsets[k], c->xs[k]};
}

qreal TCustomTextEditor::xOf(int pos) const
{
    const int line = displayLineOf(pos);
    auto [p, x] = checkpointAtPos(displayLineStart(line), displayLineEnd(line), pos);
    for (; p < pos; ++p)
        x = advanceAt(p, x);
    return x;
}

int TCustomTextEditor::posAt(int line, qreal x) const
{
    const int start = displayLineStart(line);
    int end = displayLineEnd(line);
    // The end of a wrapped piece is the start of the next one; stay before it.
    if (wordWrap_ && end > start && !endsWithBreak(line) && hasDisplayLine(line + 1))
        end = prevCharPos(end);
    auto [from, cur] = checkpointBeforeX(start, displayLineEnd(line), x);
    for (int p = from; p < end; ++p) {
        const qreal next = advanceAt(p, cur);
        if (x < (cur + next) / 2 && !isContinuation(p))
            return p;
        cur = next;
    }
    return end;
}

qreal TCustomTextEditor::textLeft() const
{
    return (showSelectionBar_ ? kSelectionBarWidth : 0) + kTextPadding - horizontalScrollBar()->value();
}

int TCustomTextEditor::visibleLineCount() const { return std::max(1, viewport()->height() / lineHeight_); }

int TCustomTextEditor::firstVisibleLine() const { return verticalScrollBar()->value(); }

int TCustomTextEditor::posAtPoint(const QPoint& p) const
{
    const int line = clampDisplayLine(firstVisibleLine() + (p.y() < 0 ? -1 : p.y() / lineHeight_));
    return posAt(line, p.x() - textLeft());
}

qreal TCustomTextEditor::wrapWidth() const
{
    return std::max<qreal>(averageWidth_,
                           viewport()->width() - (showSelectionBar_ ? kSelectionBarWidth : 0) - 2 * kTextPadding);
}

int TCustomTextEditor::nextRowStart(int start, int* line) const
{
    // A display line takes characters until one that is not a blank would reach past the
    // width; it then breaks behind the last blank before it, or before that character
    // when the line holds no blank. Blanks never break: they hang over the edge.
    const TextBuffer& b = doc_.buffer();
    const int end = b.lineEnd(*line);
    const qreal avail = wrapWidth();
    auto nextLine = [&] {
        if (end >= b.length())
            return -1;
        ++*line;
        return end + 1;
    };
    // What fits however wide its characters are, and holds no tab, is one display line.
    if (qreal(end - start) * maxWidth_ <= avail - 0.01 && !b.contains(start, end - start, '\t'))
        return nextLine();
    int lastBreak = -1;  // position after the last blank of the line
    qreal x = 0;
    for (int p = start; p < end; ++p) {
        const auto c = static_cast<unsigned char>(b.at(p));
        const qreal next = advanceAt(p, x);
        const bool blank = c == ' ' || c == '\t';
        if (next > avail && p > start && !blank && !isContinuation(p))
            return lastBreak > start ? lastBreak : p;
        x = next;
        if (blank)
            lastBreak = p + 1;
    }
    return nextLine();
}

void TCustomTextEditor::wrapUntil(int pos, int rows) const
{
    while (!wrapDone_ && (wrapEnd_ <= pos || int(wrapStarts_.size()) < rows)) {
        wrapStarts_.push_back(wrapEnd_);
        const int next = nextRowStart(wrapEnd_, &wrapEndLine_);
        if (next < 0)
            wrapDone_ = true;
        else
            wrapEnd_ = next;
    }
}

void TCustomTextEditor::rewrapAll()
{
    wrapStarts_.clear();
    wrapEnd_ = 0;
    wrapEndLine_ = 0;
    wrapDone_ = !wordWrap_;
    wrappedWidth_ = wrapWidth();
    if (!wordWrap_) {
        wrapStarts_.shrink_to_fit();
        return;
    }
    // What is shown now, at once; the rest while idle.
    wrapUntil(-1, firstVisibleLine() + visibleLineCount() + 2);
    scheduleWrap();
}

void TCustomTextEditor::scheduleWrap()
{
    if (wordWrap_ && !wrapDone_ && !wrapTimer_.isActive())
        wrapTimer_.start(0);
}

void TCustomTextEditor::wrapInBackground()
{
    if (!wordWrap_ || wrapDone_)
        return;
    QElapsedTimer clock;
    clock.start();
    while (!wrapDone_ && clock.nsecsElapsed() < 4'000'000)
        wrapUntil(-1, int(wrapStarts_.size()) + 512);
    updateScrollBars();
    scheduleWrap();
}

void TCustomTextEditor::rewrapAfter(const TextChange& change)
{
    // Only the display line that holds the change and the one before it can wrap
    // differently before the change; behind it the new lines are wrapped until one starts
    // where an old one started (moved by the change), since from there on all is as it was.
    constexpr int kSlack = 64 * 1024;  // characters wrapped at most behind the change or into it
    std::vector<int>& rows = wrapStarts_;
    if (rows.empty())
        return;
    const int pos = change.pos;
    const int delta = change.inserted - change.removed;
    const int changeEnd = pos + change.inserted;
    const int k = std::max(0, int(std::upper_bound(rows.begin(), rows.end(), pos) - rows.begin()) - 1);
    const int restart = std::max(0, k - 1);
    if (!wrapDone_ && pos >= wrapEnd_) {
        // Behind what is wrapped: only the last lines wrapped may change.
        wrapEnd_ = rows[size_t(restart)];
        wrapEndLine_ = doc_.buffer().lineOf(wrapEnd_);
        rows.resize(size_t(restart));
        scheduleWrap();
        return;
    }
    size_t t = size_t(std::upper_bound(rows.begin(), rows.end(), pos + change.removed) - rows.begin());
    std::vector<int> fresh;
    int start = rows[size_t(restart)];
    int line = doc_.buffer().lineOf(start);
    for (;;) {
        const int next = nextRowStart(start, &line);
        if (next < 0) {  // the end of the text
            rows.resize(size_t(restart) + 1);
            rows.insert(rows.end(), fresh.begin(), fresh.end());
            wrapDone_ = true;
            return;
        }
        if (next >= changeEnd) {
            while (t < rows.size() && rows[t] + delta < next)
                ++t;
            if (t < rows.size() && rows[t] + delta == next) {
                // In step again: the old lines from here on hold, moved by the change.
                for (size_t j = t; j < rows.size(); ++j)
                    rows[j] += delta;
                const auto at = rows.erase(rows.begin() + restart + 1, rows.begin() + std::ptrdiff_t(t));
                rows.insert(at, fresh.begin(), fresh.end());
                if (!wrapDone_) {
                    wrapEnd_ += delta;
                    wrapEndLine_ = doc_.buffer().lineOf(wrapEnd_);
                }
                return;
            }
        }
        // Nothing more known to get in step with, or far enough: the rest is wrapped later.
        if ((next >= changeEnd && ((t == rows.size() && !wrapDone_) || next > changeEnd + kSlack)) ||
            (next < changeEnd && next > pos + kSlack)) {
            rows.resize(size_t(restart) + 1);
            rows.insert(rows.end(), fresh.begin(), fresh.end());
            wrapEnd_ = next;
            wrapEndLine_ = line;
            wrapDone_ = false;
            scheduleWrap();
            return;
        }
        fresh.push_back(next);
        start = next;
    }
}

void TCustomTextEditor::recomputeLongestLine()
{
    const TextBuffer& b = doc_.buffer();
    int longest = 0;
    int start = 0;
    const int breaks = b.breakCount();
    for (int i = 0; i < breaks; ++i) {
        const int pos = b.breakPos(i);
        longest = std::max(longest, pos - start);
        start = pos + 1;
    }
    longestLine_ = std::max(longest, b.length() - start);
}

void TCustomTextEditor::updateScrollBars()
{
    const bool vertical = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    const bool horizontal = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);

    QScrollBar* v = verticalScrollBar();
    const int visible = visibleLineCount();
    v->setRange(0, std::max(0, estimatedDisplayLineCount() - visible));
    v->setPageStep(visible);
    v->setSingleStep(1);
    v->setEnabled(v->maximum() > 0);

    QScrollBar* h = horizontalScrollBar();
    const int viewWidth = viewport()->width();
    if (wordWrap_) {
        h->setRange(0, 0);
    } else {
        const qreal content = longestLine_ * averageWidth_ + (showSelectionBar_ ? kSelectionBarWidth : 0) +
                              2 * kTextPadding + averageWidth_;
        const qreal range = std::min<qreal>(content - viewWidth, INT_MAX / 2);
        h->setRange(0, std::max(h->value(), std::max(0, int(range))));
    }
    h->setPageStep(std::max(1, viewWidth));
    h->setSingleStep(std::max(1, int(averageWidth_ * 2)));
    h->setEnabled(h->maximum() > 0);
}

void TCustomTextEditor::ensureCaretVisible()
{
    const int line = displayLineOf(doc_.caret());
    QScrollBar* v = verticalScrollBar();
    const int visible = visibleLineCount();
    if (line < v->value())
        v->setValue(line);
    else if (line >= v->value() + visible)
        v->setValue(line - visible + 1);
    if (wordWrap_)
        return;
    QScrollBar* h = horizontalScrollBar();
    const qreal x = xOf(doc_.caret());
    const int width = std::max(1, viewport()->width() - (showSelectionBar_ ? kSelectionBarWidth : 0) - 2 * kTextPadding);
    int value = h->value();
    if (x < value)
        value = std::max(0, int(x) - width / 3);
    else if (x > value + width - 2)
        value = int(x) - width * 2 / 3;
    if (value > h->maximum()) {
        h->setMaximum(value);
        h->setEnabled(true);
    }
    h->setValue(value);
}
