#include "toolbars/floatingwindow.h"

#include "toolbars/toolwindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

TFloatingToolWindow::TFloatingToolWindow(TCustomToolWindow* toolWindow, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), toolWindow_(toolWindow)
{
    setMouseTracking(true);
    setAutoFillBackground(true);
    // Showing a floating toolbar does not take the focus from the document.
    setAttribute(Qt::WA_ShowWithoutActivating);
}

namespace {

// The small bold caption font of tool windows.
QFont captionFont(const QFont& base)
{
    QFont font = base;
    font.setBold(true);
    font.setPixelSize(11);
    return font;
}

}  // namespace

TFloatingToolWindow::~TFloatingToolWindow()
{
    // The tool window inside goes down with this window; it must not reach back.
    if (toolWindow_ && toolWindow_->floatWin_ == this)
        toolWindow_->floatWin_ = nullptr;
}

int TFloatingToolWindow::titleHeight() const
{
    return std::max(12, QFontMetrics(captionFont(font())).height() + 2);
}

QPoint TFloatingToolWindow::contentOrigin() const
{
    return QPoint(kFrame, kFrame + titleHeight());
}

QSize TFloatingToolWindow::sizeAround(QSize content) const
{
    // Wide enough to read the caption, even around a toolbar of one or two buttons.
    const int caption = QFontMetrics(captionFont(font())).horizontalAdvance(windowTitle()) + 6;
    return QSize(std::max(content.width(), caption) + 2 * kFrame, content.height() + 2 * kFrame + titleHeight());
}

void TFloatingToolWindow::fitToContents()
{
    if (!toolWindow_)
        return;
    toolWindow_->move(contentOrigin());
    resize(sizeAround(toolWindow_->size()));
}

TFloatingToolWindow::EdgeDrag TFloatingToolWindow::edgeAt(QPoint pos) const
{
    if (pos.y() >= kFrame + titleHeight() && pos.x() >= width() - kFrame - 1)
        return EdgeDrag::Right;
    return EdgeDrag::None;
}

void TFloatingToolWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    // A raised outer frame with a dark line inside it.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(r.adjusted(1, 1, -1, -1));

    const QRect title(kFrame, kFrame, width() - 2 * kFrame, titleHeight());
    painter.fillRect(title, palette().color(QPalette::Highlight));
    const QFont caption = captionFont(font());
    painter.setFont(caption);
    painter.setPen(palette().color(QPalette::HighlightedText));
    const QRect text = title.adjusted(2, 0, -2, 0);
    const QString shown = QFontMetrics(caption).elidedText(windowTitle(), Qt::ElideRight, text.width());
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, shown);
}

void TFloatingToolWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !toolWindow_) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    edge_ = edgeAt(pos);
    if (edge_ != EdgeDrag::None) {
        edgeStartX_ = event->globalPosition().toPoint().x();
        edgeStartWidth_ = toolWindow_->width();
    } else {
        toolWindow_->beginDragTracking(event->globalPosition().toPoint(), pos);
    }
    event->accept();
}

void TFloatingToolWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!toolWindow_)
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (edge_ == EdgeDrag::Right) {
        toolWindow_->resizeFloating(edgeStartWidth_ + global.x() - edgeStartX_);
    } else if (event->buttons() & Qt::LeftButton || toolWindow_->isDragging()) {
        toolWindow_->dragTo(global, event->modifiers());
    } else {
        setCursor(edgeAt(event->position().toPoint()) == EdgeDrag::Right ? Qt::SizeHorCursor : Qt::ArrowCursor);
    }
    event->accept();
}

void TFloatingToolWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && toolWindow_) {
        if (edge_ != EdgeDrag::None)
            edge_ = EdgeDrag::None;
        else
            toolWindow_->endDrag(event->globalPosition().toPoint(), event->modifiers());
    }
    event->accept();
}

void TFloatingToolWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!toolWindow_)
        return;
    toolWindow_->cancelDrag();
    edge_ = EdgeDrag::None;
    if (event->button() == Qt::LeftButton && event->position().y() < kFrame + titleHeight())
        toolWindow_->dockBack();
    event->accept();
}

void TFloatingToolWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (toolWindow_)
        toolWindow_->floatingWindowMoved(pos());
}

void TFloatingToolWindow::closeEvent(QCloseEvent* event)
{
    // Floating tool windows have no close button: the user cannot close them (their
    // toolbar's Visible shows and hides them). A close from the program itself, as when
    // the application quits and closes all its windows, goes through, or it would stop
    // the quitting.
    if (event->spontaneous())
        event->ignore();
    else
        event->accept();
}
