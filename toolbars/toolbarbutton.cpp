#include "toolbars/toolbarbutton.h"

TToolbarButton::TToolbarButton(QWidget* parent)
    : QToolButton(parent)
{
    setFixedSize(kWidth, kHeight);
    setIconSize(QSize(16, 16));
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void TToolbarButton::setImage(const QIcon& image, QSize size)
{
    setIcon(image);
    setIconSize(size);
}
