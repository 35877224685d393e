#include "editor/texteditor.h"

#include "editor/texteditormetrics.h"

#include <algorithm>
#include <string_view>

using editor::TextBuffer;
using editor::TextChange;
using texteditor::kSelectionBarWidth;

namespace {

Qt::CursorShape cursorShapeFor(int cursor)
{
    switch (cursor) {
    case -1: return Qt::BlankCursor;
    case -3: return Qt::CrossCursor;
    case -4: return Qt::IBeamCursor;
    case -6: return Qt::SizeBDiagCursor;
    case -7: return Qt::SizeVerCursor;
    case -8: return Qt::SizeFDiagCursor;
    case -9: return Qt::SizeHorCursor;
    case -10: return Qt::UpArrowCursor;
    case -11: return Qt::WaitCursor;
    case -12: return Qt::DragMoveCursor;
    case -13: case -18: return Qt::ForbiddenCursor;
    case -14: return Qt::SplitHCursor;
    case -15: return Qt::SplitVCursor;
    case -16: return Qt::DragCopyCursor;
    case -17: return Qt::WaitCursor;
    case -19: return Qt::BusyCursor;
    case -20: return Qt::WhatsThisCursor;
    case -21: return Qt::PointingHandCursor;
    case -22: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

QColor colorFromTColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

}  // namespace

// ---- Links ----

const std::vector<LinkMark>& TCustomTextEditor::linksOfShortLine(int bufferLine) const
{
    const TextBuffer& b = doc_.buffer();
    const int start = b.lineStart(bufferLine);
    auto it = linkCache_.find(bufferLine);
    if (it != linkCache_.end() && it->second.lineStart == start)
        return it->second.marks;
    if (linkCache_.size() > 4096)
        linkCache_.clear();
    const QByteArray text = b.text(start, b.lineLength(bufferLine));
    const std::string_view view(text.constData(), size_t(text.size()));
    LineLinks entry{start, {}};
    if (autoURLDetect_ == adDefault)
        entry.marks = FindDefaultLinks(view);
    else if (autoURLDetect_ == adExtended && customURLs_.Count() > 0)
        entry.marks = FindExtendedLinks(view, customURLs_);
    return (linkCache_[bufferLine] = std::move(entry)).marks;
}

std::vector<LinkMark> TCustomTextEditor::linksIn(int bufferLine, int from, int to) const
{
    if (autoURLDetect_ == adNone)
        return {};
    const TextBuffer& b = doc_.buffer();
    const int lineLength = b.lineLength(bufferLine);
    std::vector<LinkMark> marks;
    if (lineLength <= kLinkLineLimit) {
        for (const LinkMark& m : linksOfShortLine(bufferLine))
            if (m.start + m.length > from && m.start < to)
                marks.push_back(m);
        return marks;
    }
    // A long line: a stretch already scanned that holds the part asked for, or the part
    // widened to the white space around it.
    const int lineStart = b.lineStart(bufferLine);
    from = std::clamp(from, 0, lineLength);
    to = std::clamp(to, from, lineLength);
    const StretchLinks* stretch = nullptr;
    for (const StretchLinks& s : stretchLinks_) {
        if (s.from <= lineStart + from && s.to >= lineStart + to) {
            stretch = &s;
            break;
        }
    }
    if (!stretch) {
        auto isBlank = [&](int col) {
            const auto c = static_cast<unsigned char>(b.at(lineStart + col));
            return c <= 0x20 || c == 0x7F || c == 0xA0;
        };
        int a = from;
        while (a > 0 && !isBlank(a - 1))
            --a;
        int e = to;
        while (e < lineLength && !isBlank(e))
            ++e;
        const QByteArray text = b.text(lineStart + a, e - a);
        const std::string_view view(text.constData(), size_t(text.size()));
        StretchLinks found{lineStart + a, lineStart + e, {}};
        if (autoURLDetect_ == adDefault)
            found.marks = FindDefaultLinks(view);
        else if (customURLs_.Count() > 0)
            found.marks = FindExtendedLinks(view, customURLs_);
        for (LinkMark& m : found.marks)
            m.start += lineStart + a;
        if (stretchLinks_.size() >= 64)
            stretchLinks_.erase(stretchLinks_.begin());
        stretchLinks_.push_back(std::move(found));
        stretch = &stretchLinks_.back();
    }
    for (LinkMark m : stretch->marks) {
        m.start -= lineStart;
        if (m.start + m.length > from && m.start < to)
            marks.push_back(m);
    }
    return marks;
}

void TCustomTextEditor::linksAfterChange(const TextChange& change)
{
    linkCache_.clear();
    // A stretch stays when the change leaves it and the white space around it alone.
    const int delta = change.inserted - change.removed;
    for (size_t k = 0; k < stretchLinks_.size();) {
        StretchLinks& s = stretchLinks_[k];
        if (change.pos > s.to) {
            ++k;
            continue;
        }
        if (change.pos + change.removed <= s.from - 1) {
            s.from += delta;
            s.to += delta;
            for (LinkMark& m : s.marks)
                m.start += delta;
            ++k;
            continue;
        }
        stretchLinks_.erase(stretchLinks_.begin() + std::ptrdiff_t(k));
    }
}

bool TCustomTextEditor::linkAtPos(int pos, int* start, int* length, int* entry) const
{
    if (autoURLDetect_ == adNone || pos < 0 || pos >= doc_.length())
        return false;
    const TextBuffer& b = doc_.buffer();
    const int line = b.lineOf(pos);
    const int col = pos - b.lineStart(line);
    for (const LinkMark& mark : linksIn(line, col, col + 1)) {
        if (col >= mark.start && col < mark.start + mark.length) {
            *start = b.lineStart(line) + mark.start;
            *length = mark.length;
            *entry = mark.entry;
            return true;
        }
    }
    return false;
}

QString TCustomTextEditor::linkAt(const QPoint& viewportPos) const
{
    if (showSelectionBar_ && viewportPos.x() < kSelectionBarWidth)
        return {};
    const int line = firstVisibleLine() + viewportPos.y() / lineHeight_;
    if (viewportPos.y() < 0 || !hasDisplayLine(line))
        return {};
    // The character under the pointer, not the nearest gap between characters.
    const TextBuffer& b = doc_.buffer();
    const qreal x = viewportPos.x() - textLeft();
    const int end = displayLineEnd(line);
    auto [from, cur] = checkpointBeforeX(displayLineStart(line), end, x);
    int hit = -1;
    for (int p = from; p < end; ++p) {
        const qreal next = advanceAt(p, cur);
        if (x >= cur && x < next) {
            hit = p;
            break;
        }
        if (cur > x)
            break;
        cur = next;
    }
    int start = 0;
    int length = 0;
    int entry = -1;
    if (hit < 0 || !linkAtPos(hit, &start, &length, &entry))
        return {};
    return decodeText(b.text(start, length));
}

void TCustomTextEditor::updateHoverCursor(const QPoint& viewportPos)
{
    const QString link = linkAt(viewportPos);
    if (!link.isEmpty()) {
        const int cursor = LinkCursorFor(encodeText(link), customURLs_, urlCursor_);
        viewport()->setCursor(cursorShapeFor(cursor));
        if (link.size() > 1)
            emit OnURLMove(link);
        return;
    }
    const bool inBar = showSelectionBar_ && viewportPos.x() < kSelectionBarWidth;
    viewport()->setCursor(inBar ? Qt::ArrowCursor : Qt::IBeamCursor);
}

QColor TCustomTextEditor::linkColor(int entry) const
{
    if (autoURLDetect_ == adExtended && entry >= 0 && entry < customURLs_.Count() &&
        customURLs_[entry].Color != clWindowText)
        return colorFromTColor(customURLs_[entry].Color);
    return urlColor_;
}

bool TCustomTextEditor::linkUnderlined(int entry) const
{
    if (autoURLDetect_ == adExtended && entry >= 0 && entry < customURLs_.Count())
        return customURLs_[entry].Underline;
    return true;
}
