#include "platform/displayplatform.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGlobal>

#ifdef VARNOTEX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

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

#ifdef VARNOTEX_HAVE_XCB
namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_window_t rootOf(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const xcb_window_t root = reply ? reply->root : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return root;
}

// A startup notification message, in pieces of 20 bytes to the root window.
void sendStartupMessage(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, const QByteArray& message)
{
    const xcb_atom_t begin = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(connection, "_NET_STARTUP_INFO");
    const QByteArray data = message + '\0';
    for (qsizetype pos = 0; pos < data.size(); pos += 20) {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = window;
        event.type = pos == 0 ? begin : more;
        std::memcpy(event.data.data8, data.constData() + pos, size_t(qMin<qsizetype>(20, data.size() - pos)));
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&event));
    }
}

// The value of a startup message's key: quoted when it holds a blank, a quote or a backslash.
QByteArray startupValue(const QByteArray& value)
{
    if (!value.contains(' ') && !value.contains('"') && !value.contains('\\'))
        return value;
    QByteArray quoted = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

void activateOnX11(QWidget* window, const QByteArray& token)
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !window->windowHandle())
        return;
    xcb_connection_t* connection = x11->connection();
    const auto id = xcb_window_t(window->windowHandle()->winId());
    const xcb_window_t root = rootOf(connection, id);
    if (root == XCB_WINDOW_NONE)
        return;
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(connection, "_NET_STARTUP_ID"), utf8, 8,
                        uint32_t(token.size()), token.constData());
    sendStartupMessage(connection, root, id, QByteArrayLiteral("remove: ID=") + startupValue(token));
    // The time of the user's action that started the launch, where the token carries it.
    uint32_t userTime = XCB_CURRENT_TIME;
    if (const qsizetype at = token.indexOf("_TIME"); at >= 0) {
        qsizetype end = at + 5;
        while (end < token.size() && token[end] >= '0' && token[end] <= '9')
            ++end;
        bool ok = false;
        const qulonglong value = token.mid(at + 5, end - at - 5).toULongLong(&ok);
        if (ok)
            userTime = uint32_t(value);
    }
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = atom(connection, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 1;  // asked for by an application
    event.data.data32[1] = userTime;
    event.data.data32[2] = XCB_WINDOW_NONE;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

}  // namespace
#endif

namespace platform {

void activateWithToken(QWidget* window, const QByteArray& token)
{
    if (!window)
        return;
    window->activateWindow();
#ifdef VARNOTEX_HAVE_XCB
    if (!token.isEmpty() && QGuiApplication::platformName() == QLatin1String("xcb"))
        activateOnX11(window, token);
#else
    Q_UNUSED(token);
#endif
}

}  // namespace platform
