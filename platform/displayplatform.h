#pragma once

#include <QByteArray>

namespace platform {

// The Qt platform plugin the program asks for itself before the application object
// exists, from the environment it was started in; empty leaves the choice to Qt.
// A platform the user named always wins. In a Wayland session with XWayland the program
// runs as an X11 client ("xcb"): floating toolbars are placed at their stored screen
// positions and the running instance can be raised, which Wayland does not allow a
// program to do. Without XWayland it runs natively.
QByteArray chosenQpaPlatform(const QByteArray& userPlatform, const QByteArray& waylandDisplay,
                             const QByteArray& x11Display);

// Applies the choice to this process's environment; the plugin chosen, or empty.
QByteArray chooseQpaPlatform();

}  // namespace platform

class QWidget;

namespace platform {

// Brings the top-level window to the front and gives it the focus. With a desktop
// activation token (the DESKTOP_STARTUP_ID or XDG_ACTIVATION_TOKEN of the start that asked
// for it) on X11, the window is named as that start's window (_NET_STARTUP_ID), the
// start's startup notification is ended, so that the launcher's busy cursor stops, and the
// activation is asked for with the token's time, which a window manager that prevents
// focus stealing honours.
void activateWithToken(QWidget* window, const QByteArray& token);

}  // namespace platform
