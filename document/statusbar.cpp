#include "document/statusbar.h"

#include "document/statusbaraccessible.h"

#include <QAccessible>

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    // The small dialog font of the design, so that "Modifiziert" fits its 60 pixels.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    installStatusBarAccessibility();
}

void TStatusBar::addPanel(const QString& text, int width, Qt::Alignment alignment, bool bevel)
{
    texts_ << text;
    widths_ << width;
    alignments_ << alignment;
    bevels_ << bevel;
    update();
}

void TStatusBar::setPanelText(int index, const QString& text)
{
    if (index < 0 || index >= texts_.size() || texts_[index] == text)
        return;
    texts_[index] = text;
    update();
    if (QAccessible::isActive() && !simple_) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

void TStatusBar::setPanelWidth(int index, int width)
{
    if (index < 0 || index >= widths_.size())
        return;
    // A negative width is kept as given; it is drawn as an empty panel.
    widths_[index] = width;
    update();
}

QRect TStatusBar::panelRect(int index) const
{
    int x = 0;
    for (int i = 0; i < index && i < widths_.size(); ++i)
        x += std::max(0, widths_[i]);
    const bool last = index == widths_.size() - 1;
    const int w = last ? std::max(0, width() - x) : std::max(0, widths_.value(index));
    return QRect(x, 0, w, height());
}

int TStatusBar::widthFor(int designWidth, const QStringList& texts) const
{
    // The text's room is 7 pixels narrower than its panel; two pixels more keep the text
    // off the panel's bevel.
    int width = designWidth;
    for (const QString& text : texts)
        width = std::max(width, fontMetrics().horizontalAdvance(text) + 7 + 2);
    return width;
}

int TStatusBar::widthFrom(int index) const
{
    int sum = 0;
    for (int i = std::max(0, index); i < widths_.size(); ++i)
        sum += std::max(0, widths_[i]);
    return sum;
}

void TStatusBar::setSimplePanel(bool simple)
{
    if (simple_ == simple)
        return;
    simple_ = simple;
    update();
}

void TStatusBar::setSimpleText(const QString& text)
{
    simpleText_ = text;
    update();
}

QSize TStatusBar::sizeHint() const { return QSize(200, fontMetrics().height() + 6); }

void TStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const auto drawText = [&](const QRect& r, const QString& text, Qt::Alignment alignment, bool bevel) {
        if (r.width() <= 0)
            return;
        if (bevel) {
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(r.adjusted(0, 1, -2, -1));
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect(r), int(alignment | Qt::AlignVCenter), text);
    };
    if (simple_) {
        drawText(rect(), simpleText_, Qt::AlignLeft, false);
        return;
    }
    for (int i = 0; i < texts_.size(); ++i)
        drawText(panelRect(i), texts_[i], alignments_[i], bevels_[i]);
}
