#include "app/appstyle.h"

#include <QWidget>

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const
{
    if (hint == SH_ToolTip_WakeUpDelay)
        return kHintPause;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void TAppStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    // A tooltip stays as long as its widget's duration says; the default (-1) would keep it
    // 10 seconds and more, whatever the style hints say.
    if (widget->toolTipDuration() < 0)
        widget->setToolTipDuration(kHintHidePause);
}
