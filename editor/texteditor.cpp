#include "editor/texteditor.h"

#include "editor/texteditoraccessible.h"
#include "editor/textprinting.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "platform/probe.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>
#include <QPrinter>
#include <QScrollBar>
#include <QTextDocumentFragment>

#include <algorithm>
#include <stdexcept>

using editor::EditOrigin;
using editor::TextBuffer;
using editor::TextChange;

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
    printFont_ = font;
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
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

// ---- Editing ----

void TCustomTextEditor::applyChange(const TextChange& change, int oldAnchor, int oldCaret)
{
    if (change.wholeText) {
        // Another text altogether: everything is laid out again, as after loading.
        forgetLayoutCaches();
        rewrapAll();
        if (!wordWrap_)
            recomputeLongestLine();
    } else {
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
    }
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
    emit OnTextEdit(change.pos, change.removed, change.inserted);
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
    // A write-protected text stays as it is, however the step is asked for.
    if (readOnly_)
        return;
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    TextChange change;
    const editor::TextEncoding before = doc_.encoding();
    if (doc_.undo(&change)) {
        if (doc_.encoding() != before)
            resetAfterEncodingChange();
        applyChange(change, oldAnchor, oldCaret);
    }
}

void TCustomTextEditor::RedoLastStep()
{
    // A write-protected text stays as it is, however the step is asked for.
    if (readOnly_)
        return;
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    TextChange change;
    const editor::TextEncoding before = doc_.encoding();
    if (doc_.redo(&change)) {
        if (doc_.encoding() != before)
            resetAfterEncodingChange();
        applyChange(change, oldAnchor, oldCaret);
    }
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
    replaceSelectionWith(encodeEntering(text), EditOrigin::Command);
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
    forgetLayoutCaches();
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

void TCustomTextEditor::forgetLayoutCaches()
{
    xCache_.clear();
    utf8Widths_.clear();
    linkCache_.clear();
    stretchLinks_.clear();
}

void TCustomTextEditor::reloadBuffer(TextBuffer&& buffer, editor::TextEncoding encoding, bool byteOrderMark)
{
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    applyChange(doc_.replaceWholeText(std::move(buffer), encoding, byteOrderMark), oldAnchor, oldCaret);
}

void TCustomTextEditor::LoadRecoveredText(TextBuffer&& buffer, editor::TextEncoding encoding, bool byteOrderMark)
{
    loadBuffer(std::move(buffer), encoding, byteOrderMark);
    doc_.setModified(true);
}

// ---- Printing ----

void TCustomTextEditor::PrintText(const QString& title)
{
    QPrinter* printer = platform::PrinterService::current().currentPrinter();
    if (!printer)
        throw platform::AppError(QStringLiteral("Es ist kein Drucker eingerichtet"));
    if (editor::printText(doc_.buffer(), *printer, printFont_, title, doc_.encoding()))
        return;
    QString text = QStringLiteral("Der Druckauftrag \"%1\" konnte nicht gestartet werden").arg(title);
    // Into a PDF file: say why that file cannot be written.
    const QString pdf = printer->outputFormat() == QPrinter::PdfFormat ? printer->outputFileName() : QString();
    if (!pdf.isEmpty()) {
        platform::ProbeCreated created;
        QString reason;
        if (platform::probeWritable(pdf, &created, &reason) != platform::ProbeResult::Ok && !reason.isEmpty())
            text += QStringLiteral(".\rDie PDF-Datei \"%1\" kann nicht geschrieben werden: %2").arg(pdf, reason);
        platform::removeProbeFile(created);
    }
    throw platform::AppError(text);
}

TTextEditor::TTextEditor(QWidget* parent) : TCustomTextEditor(parent) {}
