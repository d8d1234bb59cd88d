#include "ui/qt/window_activation.h"

#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace tikr::qt {

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The startup-notification message that ends the launch of id: the text
// "remove: ID=<id>" with its terminating zero, in client messages of 20
// bytes to the root window, the first of type _NET_STARTUP_INFO_BEGIN.
// Blanks, quotes and backslashes in a value are escaped with a backslash.
void SendLaunchComplete(xcb_connection_t* connection, xcb_window_t sender, xcb_window_t root, const std::string& id) {
    std::string message = "remove: ID=";
    for (char c : id) {
        if (c == ' ' || c == '"' || c == '\\') message += '\\';
        message += c;
    }
    message += '\0';
    const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
    for (std::size_t at = 0; at < message.size(); at += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = sender;
        event.type = at == 0 ? begin : more;
        std::memcpy(event.data.data8, message.data() + at, std::min<std::size_t>(20, message.size() - at));
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&event));
    }
}

}  // namespace

bool PresentActivationToken(QWidget& window, const std::string& token) {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return false;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t startupId = Atom(connection, "_NET_STARTUP_ID");
    if (token.empty()) {
        // An earlier launch's id, with its older time, must not hold this
        // showing back.
        xcb_delete_property(connection, id, startupId);
        xcb_flush(connection);
        return false;
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, startupId, Atom(connection, "UTF8_STRING"), 8,
                        static_cast<uint32_t>(token.size()), token.data());
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
    if (screen.rem > 0) SendLaunchComplete(connection, id, screen.data->root, token);
    xcb_flush(connection);
    return true;
}

void ActivateWithToken(const std::string& token, const std::function<void()>& activate) {
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!wayland || token.empty()) {
        activate();
        return;
    }
    qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
    activate();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

}  // namespace tikr::qt
