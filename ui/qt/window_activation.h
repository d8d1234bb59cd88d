#pragma once
// Hands a launcher's activation token to the window system with the window
// that a later start of the program asked for, so that the window system
// lets that window come to the front and ends the launcher's "starting"
// feedback.
#include <functional>
#include <string>

class QWidget;

namespace tikr::qt {

// On X11 the token is a startup id: it becomes the window's _NET_STARTUP_ID
// (window managers take the launch's time from it when deciding whether
// the window may take the focus), and the launch is declared complete with
// a "remove" startup-notification message. Call before showing the window
// and bringing it forward; an empty token removes an earlier launch's id.
// Returns whether a token was handed over; on other window systems nothing
// happens.
bool PresentActivationToken(QWidget& window, const std::string& token);

// On Wayland the token is presented when the window asks the compositor to
// be activated: Qt's Wayland plugin looks for it in XDG_ACTIVATION_TOKEN
// then (where the plugin has no such support, the request goes without).
// Runs activate with the token there, and removes it again afterwards, so
// that no program started later inherits it. Elsewhere, or without a
// token, just runs activate.
void ActivateWithToken(const std::string& token, const std::function<void()>& activate);

}  // namespace tikr::qt
