#include "editor/texteditor.h"

#include "platform/filefacts.h"

#include "platform/codepage1252.h"
#include "editor/texteditoraccessible.h"
#include "editor/textprinting.h"
#include "editor/utf8text.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/printer.h"

#include <QApplication>
#include <stdexcept>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextDocumentFragment>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

using editor::EditOrigin;
using editor::TextBuffer;
using editor::TextChange;

namespace {

constexpr int kSelectionBarWidth = 12;
constexpr int kTextPadding = 2;

bool isWordByte(unsigned char c)
{
    if (c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return QChar(platform::cp1252ToUnicode(c)).isLetterOrNumber();
}

bool isShownAsBox(unsigned char c)
{
    return (c < 0x20 && c != '\t') || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

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

// Writes through an AtomicFileWriter, so that the stream routines can save into it.
class AtomicWriterDevice : public QIODevice {
public:
    explicit AtomicWriterDevice(platform::AtomicFileWriter& writer) : writer_(writer) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override { return writer_.write(data, size) ? size : -1; }

private:
    platform::AtomicFileWriter& writer_;
};

const QString kLoadFailed = QStringLiteral("Das Laden des Streams ist mißlungen");
const QString kSaveFailed = QStringLiteral("Das Speichern des Streams ist mißlungen");

}  // namespace

// ---- Conversion ----

qint64 TConversion::ReadBlock(QIODevice& stream, char* buffer, qint64 size) { return stream.read(buffer, size); }

qint64 TConversion::WriteBlock(QIODevice& stream, const char* buffer, qint64 size) { return stream.write(buffer, size); }

const std::vector<TConversionFormat>& ConverterFormats()
{
    static const std::vector<TConversionFormat> formats{
        {QStringLiteral("txt"), [] { return std::make_unique<TConversion>(); }},
        {QStringLiteral("rtf"), [] { return std::make_unique<TConversion>(); }},
    };
    return formats;
}

// ---- Lines ----

int TTextEditorLines::LineCount() const
{
    const int n = editor_.displayLineCount();
    const int last = n - 1;
    return editor_.displayLineEnd(last) == editor_.displayLineStart(last) ? n - 1 : n;
}

QByteArray TTextEditorLines::LineText(int i) const
{
    if (!editor_.hasDisplayLine(i))
        return {};
    const int start = editor_.displayLineStart(i);
    return editor_.doc_.buffer().text(start, editor_.displayLineEnd(i) - start);
}

int TTextEditorLines::LineStart(int i) const
{
    if (!editor_.hasDisplayLine(i))
        return -1;
    return editor_.doc_.charPos(editor_.displayLineStart(i));
}

void TTextEditorLines::forEachBlock(const std::function<void(QByteArrayView)>& visit) const
{
    const TextBuffer& b = editor_.doc_.buffer();
    if (!b.partBeforeGap().isEmpty())
        visit(b.partBeforeGap());
    if (!b.partAfterGap().isEmpty())
        visit(b.partAfterGap());
}

QByteArray TTextEditorLines::Text() const { return editor_.doc_.buffer().text(); }

int TTextEditorLines::TextLength() const { return editor_.doc_.charLength(); }

void TTextEditorLines::InsertLine(int i, const QByteArray& s, bool undoable)
{
    if (i < 0)
        return;
    int p = editor_.hasDisplayLine(i) ? editor_.displayLineStart(i) : -1;
    const QByteArray line = editor_.doc_.utf8() ? editor::sanitizeUtf8(s) : s;
    QByteArray t;
    if (p >= 0) {
        t = line + TextBuffer::kBreak;
    } else {
        const int before = i - 1;
        if (!editor_.hasDisplayLine(before))
            return;
        p = editor_.displayLineStart(before);
        const int n = editor_.displayLineEnd(before) - p;
        if (n == 0)
            return;
        p += n;
        t = TextBuffer::kBreak + line;
    }
    const int oldAnchor = editor_.doc_.anchor();
    const int oldCaret = editor_.doc_.caret();
    TextChange change;
    try {
        change = editor_.doc_.replace(p, 0, t, EditOrigin::Command, undoable);
    } catch (const std::length_error&) {
        throw platform::OutOfResourcesError(QStringLiteral("Fehler bei Einfügen von RichEdit-Zeile"));
    }
    editor_.applyChange(change, oldAnchor, oldCaret);
    if (editor_.doc_.selectionStart() != p + t.size())
        throw platform::OutOfResourcesError(QStringLiteral("Fehler bei Einfügen von RichEdit-Zeile"));
}

void TTextEditorLines::makeConverterFor(const QString& fileName)
{
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString extension = dot >= 0 ? name.mid(dot + 1).toLower() : QString();
    const auto& formats = ConverterFormats();
    auto it = std::find_if(formats.begin(), formats.end(),
                           [&](const TConversionFormat& f) { return f.Extension == extension; });
    activeConverter_ = (it != formats.end() ? *it : formats.front()).ConversionClass();
}

void TTextEditorLines::LoadTextFile(const QString& fileName)
{
    makeConverterFor(fileName);
    try {
        QFile file(fileName);
        // Only a regular file is read: a FIFO or a device would block or never end.
        if (!platform::isRegularFile(fileName) || !file.open(QIODevice::ReadOnly))
            throw platform::FileOpenError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(fileName));
        LoadTextStream(file);
    } catch (...) {
        activeConverter_.reset();
        throw;
    }
}

void TTextEditorLines::LoadTextStream(QIODevice& stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = activeConverter_.get();
    if (!converter) {
        temporary = std::make_unique<TConversion>();
        converter = temporary.get();
    }
    try {
        const qint64 size = stream.isSequential() ? 0 : stream.size();
        // A file larger than the text can ever hold is refused before anything is read.
        if (!stream.isSequential() && size - stream.pos() > TextBuffer::kMaxLength)
            throw std::length_error("text too long");
        TextBuffer buffer;
        buffer.beginLoad(stream.isSequential() ? 0 : size - stream.pos());
        // The encoding is decided as the bytes pass: a byte order mark at the start is
        // held back from the text, and the bytes are checked for UTF-8 while they are in
        // the cache.
        editor::Utf8Validator validator;
        QByteArray head;  // the first bytes, until it is clear whether they are a mark
        bool headDone = false;
        // Read in blocks small enough to stay in the processor's cache while they are
        // converted into the buffer.
        constexpr qint64 kBlock = 256 * 1024;
        QByteArray block(kBlock, Qt::Uninitialized);
        for (;;) {
            emit editor_.OnLoadProgress(stream.pos(), size);
            const qint64 n = converter->ReadBlock(stream, block.data(), kBlock);
            if (n < 0)
                throw platform::OutOfResourcesError(kLoadFailed);
            if (n == 0)
                break;
            QByteArrayView bytes(block.constData(), n);
            if (!headDone) {
                const qsizetype take = std::min<qsizetype>(3 - head.size(), bytes.size());
                head.append(bytes.first(take));
                bytes = bytes.sliced(take);
                if (head.size() < 3)
                    continue;
                headDone = true;
                if (head != QByteArrayView(editor::kUtf8Mark, 3)) {
                    validator.feed(head);
                    buffer.appendRaw(head.constData(), head.size());
                }
            }
            validator.feed(bytes);
            buffer.appendRaw(bytes.data(), bytes.size());
        }
        const bool mark = headDone && head == QByteArrayView(editor::kUtf8Mark, 3);
        if (!headDone) {
            validator.feed(head);
            buffer.appendRaw(head.constData(), head.size());
        }
        buffer.finishLoad();
        const bool utf8 = validator.valid() && (mark || validator.sawNonAscii());
        if (mark && !utf8)
            buffer.insert(0, QByteArrayView(editor::kUtf8Mark, 3), editor::BreakKind::CrLf);  // a 1252 text after all
        editor_.loadBuffer(std::move(buffer), utf8 ? editor::TextEncoding::Utf8 : editor::TextEncoding::Windows1252, mark && utf8);
    } catch (const std::length_error&) {
        throw platform::OutOfResourcesError(kLoadFailed);
    } catch (const std::bad_alloc&) {
        throw platform::OutOfResourcesError(kLoadFailed);
    }
}

void TTextEditorLines::SaveTextFile(const QString& fileName)
{
    makeConverterFor(fileName);
    try {
        platform::AtomicFileWriter writer(fileName);
        if (!writer.open())
            throw platform::FileCreateError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(fileName));
        AtomicWriterDevice device(writer);
        device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        SaveTextStream(device);
        if (!writer.commit())
            throw platform::OutOfResourcesError(kSaveFailed);
    } catch (...) {
        activeConverter_.reset();
        throw;
    }
}

void TTextEditorLines::SaveTextStream(QIODevice& stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = activeConverter_.get();
    if (!converter) {
        temporary = std::make_unique<TConversion>();
        converter = temporary.get();
    }
    if (editor_.doc_.byteOrderMark() && converter->WriteBlock(stream, editor::kUtf8Mark, 3) != 3)
        throw platform::OutOfResourcesError(kSaveFailed);
    const bool ok = editor_.doc_.buffer().write([&](const char* data, qint64 size) {
        if (converter->WriteBlock(stream, data, size) != size)
            return false;
        emit editor_.OnSaveProgress(stream.pos(), stream.isSequential() ? stream.pos() : stream.size());
        return true;
    });
    if (!ok)
        throw platform::OutOfResourcesError(kSaveFailed);
}

// ---- The editor ----

TCustomTextEditor::TCustomTextEditor(QWidget* parent) : QAbstractScrollArea(parent), lines_(*this)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setFocusProxy(this);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled);
    installTextEditorAccessibility();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    setFont(font);
    updateMetrics();

    wrapTimer_.setSingleShot(true);
    connect(&wrapTimer_, &QTimer::timeout, this, [this] { wrapInBackground(); });
    connect(&blinkTimer_, &QTimer::timeout, this, [this] {
        caretVisible_ = !caretVisible_;
        viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
    });
    updateScrollBars();
}

TCustomTextEditor::~TCustomTextEditor() = default;

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

// ---- Properties ----

void TCustomTextEditor::setReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
}

void TCustomTextEditor::resetLayoutKeepingText()
{
    doc_.history().clear();
    xCache_.clear();
    rewrapAll();
    if (wordWrap_)
        horizontalScrollBar()->setValue(0);
    else
        recomputeLongestLine();
    updateScrollBars();
    ensureCaretVisible();
    viewport()->update();
}

void TCustomTextEditor::setWordWrap(bool wordWrap)
{
    if (wordWrap == wordWrap_)
        return;
    wordWrap_ = wordWrap;
    resetLayoutKeepingText();
}

void TCustomTextEditor::setScrollBars(TScrollStyle style)
{
    if (style == scrollBars_)
        return;
    scrollBars_ = style;
    resetLayoutKeepingText();
}

void TCustomTextEditor::setShowSelectionBar(bool show)
{
    if (show == showSelectionBar_)
        return;
    showSelectionBar_ = show;
    resetLayoutKeepingText();
}

void TCustomTextEditor::setAutoURLDetect(TAutoURLDetect mode)
{
    autoURLDetect_ = mode;
    linkCache_.clear();
    stretchLinks_.clear();
    viewport()->update();
}

void TCustomTextEditor::setUndoLimit(int limit)
{
    undoLimit_ = limit;
    doc_.history().setLimit(limit);
}

void TCustomTextEditor::setCustomURLs(const TURLCollection& urls)
{
    customURLs_.Assign(urls);
    linkCache_.clear();
    stretchLinks_.clear();
    viewport()->update();
}

void TCustomTextEditor::setURLColor(const QColor& color)
{
    urlColor_ = color;
    viewport()->update();
}

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

// ---- Editing ----

void TCustomTextEditor::applyChange(const TextChange& change, int oldAnchor, int oldCaret)
{
    updateCheckpoints(change);
    if (wordWrap_) {
        rewrapAfter(change);
    } else {
        const TextBuffer& b = doc_.buffer();
        const int last = b.lineOf(change.pos + change.inserted);
        for (int line = b.lineOf(change.pos); line <= last; ++line)
            longestLine_ = std::max(longestLine_, b.lineLength(line));
    }
    linksAfterChange(change);
    lastChangeRange_ = {doc_.selectionStart(), doc_.selectionEnd()};
    preferredX_ = -1;
    updateScrollBars();
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
    // The removed text is gone: its length is told in bytes, which in a UTF-8 text may be
    // more than its characters.
    notifyAccessibleTextChange(this, doc_.charPos(change.pos), change.removed,
                               doc_.charPos(change.pos + change.inserted) - doc_.charPos(change.pos));
    emit OnChange();
    emitSelectionIfChanged(oldAnchor, oldCaret);
}

void TCustomTextEditor::replaceSelectionWith(const QByteArray& text, EditOrigin origin)
{
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    TextChange change;
    try {
        change = doc_.replaceSelection(text, origin);
    } catch (const std::length_error&) {
        throw platform::OutOfResourcesError(QStringLiteral("Zu wenig Arbeitsspeicher"));
    }
    applyChange(change, oldAnchor, oldCaret);
}

void TCustomTextEditor::insertTyped(const QByteArray& text)
{
    if (readOnly_ || text.isEmpty())
        return;
    if (insertMode_ || doc_.selectionLength() > 0 || text.contains('\r') || text.contains('\n')) {
        replaceSelectionWith(text, EditOrigin::Typing);
        return;
    }
    // Overwriting replaces as many characters as are typed, never a line break.
    const TextBuffer& b = doc_.buffer();
    const int caret = doc_.caret();
    const int chars = doc_.utf8() ? int(editor::countUtf8Chars(text)) : int(text.size());
    int n = 0;
    for (int k = 0; k < chars && caret + n < b.length() && b.at(caret + n) != TextBuffer::kBreak; ++k)
        n = nextCharPos(caret + n) - caret;
    const int oldAnchor = doc_.anchor();
    TextChange change = doc_.replace(caret, n, text, EditOrigin::Typing);
    applyChange(change, oldAnchor, caret);
}

void TCustomTextEditor::UndoLastStep()
{
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    TextChange change;
    if (doc_.undo(&change))
        applyChange(change, oldAnchor, oldCaret);
}

void TCustomTextEditor::RedoLastStep()
{
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    TextChange change;
    if (doc_.redo(&change))
        applyChange(change, oldAnchor, oldCaret);
}

void TCustomTextEditor::copyToClipboard(bool selectionClipboard) const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QClipboard::Mode mode = selectionClipboard ? QClipboard::Selection : QClipboard::Clipboard;
    if (selectionClipboard && !clipboard->supportsSelection())
        return;
    QByteArray bytes = selectedBytes();
    bytes.replace(TextBuffer::kBreak, '\n');
    clipboard->setText(decodeText(bytes), mode);
}

void TCustomTextEditor::CopySelection()
{
    if (doc_.selectionLength() > 0)
        copyToClipboard(false);
}

void TCustomTextEditor::CutSelection()
{
    if (readOnly_ || doc_.selectionLength() == 0)
        return;
    copyToClipboard(false);
    replaceSelectionWith(QByteArray(), EditOrigin::Command);
}

void TCustomTextEditor::DeleteSelection()
{
    if (readOnly_ || doc_.selectionLength() == 0)
        return;
    replaceSelectionWith(QByteArray(), EditOrigin::Command);
}

void TCustomTextEditor::pasteText(const QString& text, int pos)
{
    if (readOnly_ || text.isEmpty())
        return;
    if (pos >= 0)
        doc_.setSelection(pos, pos);
    replaceSelectionWith(encodeText(text), EditOrigin::Command);
}

void TCustomTextEditor::PasteClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    QString text;
    if (data->hasText())
        text = data->text();
    else if (data->hasHtml())
        text = QTextDocumentFragment::fromHtml(data->html()).toPlainText();
    pasteText(text, -1);
}

void TCustomTextEditor::loadBuffer(TextBuffer&& buffer, editor::TextEncoding encoding, bool byteOrderMark)
{
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    doc_.adopt(std::move(buffer), encoding, byteOrderMark);
    xCache_.clear();
    utf8Widths_.clear();
    linkCache_.clear();
    stretchLinks_.clear();
    lastChangeRange_ = {0, doc_.length()};
    preferredX_ = -1;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    rewrapAll();
    if (!wordWrap_)
        recomputeLongestLine();
    updateScrollBars();
    viewport()->update();
    emit OnChange();
    emitSelectionIfChanged(oldAnchor, oldCaret);
}

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
    if (key == Qt::Key_Insert && mods == Qt::NoModifier) {
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
    // Ctrl with Alt is AltGr on many keyboards and types characters.
    if (printable && (!ctrl || alt)) {
        if (!readOnly_)
            insertTyped(encodeText(text));
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
            insertTyped(encodeText(event->commitString()));
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

// ---- Printing ----

void TCustomTextEditor::PrintText(const QString& title)
{
    QPrinter* printer = platform::PrinterService::current().currentPrinter();
    if (!printer)
        throw platform::AppError(QStringLiteral("Es ist kein Drucker eingerichtet"));
    if (!editor::printText(doc_.buffer(), *printer, font(), title, doc_.encoding()))
        throw platform::AppError(QStringLiteral("Der Druckauftrag \"%1\" konnte nicht gestartet werden").arg(title));
}

TTextEditor::TTextEditor(QWidget* parent) : TCustomTextEditor(parent) {}
