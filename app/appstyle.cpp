#include "app/appstyle.h"

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_ToolTip_WakeUpDelay: return 500;
    case SH_ToolTip_FallAsleepDelay: return 3500;
    default: return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}
