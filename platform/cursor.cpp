#include "platform/cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

template <>
CursorService& Service<CursorService>::defaultInstance()
{
    static QtCursorService service;
    return service;
}

void QtCursorService::setBusy()
{
    // One screen-wide setting, not a stack: setting it twice still needs one reset.
    if (!busy_)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    busy_ = true;
}

void QtCursorService::setNormal()
{
    if (busy_)
        QGuiApplication::restoreOverrideCursor();
    busy_ = false;
}

}  // namespace platform
