#include "platform/displayplatform.h"

#include <QtGlobal>

namespace platform {

QByteArray chosenQpaPlatform(const QByteArray& userPlatform, const QByteArray& waylandDisplay,
                             const QByteArray& x11Display)
{
    if (!userPlatform.trimmed().isEmpty() || waylandDisplay.trimmed().isEmpty())
        return {};
    if (!x11Display.trimmed().isEmpty())
        return QByteArrayLiteral("xcb");
    return {};
}

QByteArray chooseQpaPlatform()
{
    const QByteArray chosen = chosenQpaPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (!chosen.isEmpty())
        qputenv("QT_QPA_PLATFORM", chosen);
    return chosen;
}

}  // namespace platform
