// How text from outside enters the editor: the question before characters that
// Windows-1252 cannot hold, the conversion to UTF-8, text dropped with the mouse, and the
// size of the screen font.

#include "editor/texteditor.h"

#include "platform/codepage1252.h"
#include "platform/errors.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>

QString TCustomTextEditor::firstUnrepresentable(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return text.sliced(i, 2).toString();
        if (c.unicode() != '?' && platform::unicodeToCp1252(c.unicode()) == '?')
            return QString(c);
    }
    return {};
}

QByteArray TCustomTextEditor::encodeEntering(QStringView text)
{
    if (doc_.encoding() == editor::TextEncoding::Windows1252 && unrepresentable_) {
        const QString character = firstUnrepresentable(text);
        if (!character.isEmpty())
            unrepresentable_(character);
    }
    return encodeText(text);
}

void TCustomTextEditor::resetAfterEncodingChange()
{
    xCache_.clear();
    utf8Widths_.clear();
    linkCache_.clear();
    stretchLinks_.clear();
}

bool TCustomTextEditor::ConvertToUtf8()
{
    const int oldAnchor = doc_.anchor();
    const int oldCaret = doc_.caret();
    editor::TextChange change;
    try {
        if (!doc_.convertToUtf8(&change))
            return false;
    } catch (const std::length_error&) {
        throw platform::OutOfResourcesError(QStringLiteral("Zu wenig Arbeitsspeicher"));
    }
    resetAfterEncodingChange();
    applyChange(change, oldAnchor, oldCaret);
    return true;
}

bool TCustomTextEditor::TakeAsciiAsUtf8()
{
    if (doc_.utf8())
        return false;
    for (const QByteArrayView part : {doc_.buffer().partBeforeGap(), doc_.buffer().partAfterGap()})
        for (const char c : part)
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
    doc_.setEncoding(editor::TextEncoding::Utf8);
    resetAfterEncodingChange();
    return true;
}

void TCustomTextEditor::setFontPointSize(int points)
{
    QFont screen = printFont_;
    if (points > 0)
        screen.setPointSize(points);
    setFont(screen);
    xCache_.clear();
    utf8Widths_.clear();
    rewrapAll();
    if (!wordWrap_)
        recomputeLongestLine();
    updateScrollBars();
    ensureCaretVisible();
    viewport()->update();
}

int TCustomTextEditor::FontPointSize() const
{
    const QFont f = font();
    if (f.pointSize() > 0)
        return f.pointSize();
    return qRound(f.pixelSize() * 72.0 / 96.0);
}

// Text dragged over the editor goes in where it is dropped; files are left to the window
// around it, which opens them.
bool TCustomTextEditor::takesDrop(const QMimeData* data) const
{
    return !readOnly_ && data && !data->hasUrls() && data->hasText();
}

void TCustomTextEditor::dragEnterEvent(QDragEnterEvent* event)
{
    if (takesDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCustomTextEditor::dragMoveEvent(QDragMoveEvent* event)
{
    if (takesDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCustomTextEditor::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!takesDrop(data)) {
        event->ignore();
        return;
    }
    // The viewport's events reach here in the viewport's coordinates.
    const int pos = posAtPoint(event->position().toPoint());
    event->acceptProposedAction();
    platform::runGuarded([&] { pasteText(data->text(), pos); });
    setFocus(Qt::MouseFocusReason);
}
