#pragma once
// The main window's settings: the check period, hide at start-up and the
// tray icon, as read from the profile, shown in the window and confirmed
// there, with the "Start at Login" box beside them.
#include <optional>
#include <string>

namespace tikr {
class ProfileStore;
}

namespace tikr::ui {

class LoginStartSetting;
class WindowPort;

// The check period's range in seconds.
constexpr int MIN_INTERVAL = 1;
constexpr int MAX_INTERVAL = 600;

class SchedulerSettings {
public:
    // Reads the three settings.
    explicit SchedulerSettings(ProfileStore& store);
    SchedulerSettings(const SchedulerSettings&) = delete;
    SchedulerSettings& operator=(const SchedulerSettings&) = delete;

    // The "Start at Login" box's setting. Without one the box stays clear
    // and changes nothing.
    void SetLoginStart(LoginStartSetting* setting) { loginStart = setting; }
    // Connects the login box to the window once it is initialised.
    void AttachLoginBox(WindowPort& window, const std::string& appTitle);
    // The window is about to be shown from hidden: the login box shows the
    // desktop's entry as it is now (a change made in the shown window is
    // left alone).
    void RefreshLoginBox(WindowPort& window);

    // Reads the three settings again, unless some confirmed ones are not
    // yet stored.
    void ReadAgain();
    // With saveAndValidate the controls are read back into the settings and
    // validated (false when a value is refused); without it the controls
    // are filled from the settings.
    bool Exchange(WindowPort& window, bool saveAndValidate, const std::string& appTitle);
    // Hide (or, ending, Exit) confirmed what the window shows: the login
    // box is applied, and the settings wait to be stored.
    void Confirm(bool ending);

    // Confirmed settings not yet in the file.
    bool HasUnsaved() const { return unsaved.has_value(); }
    // Writes the confirmed settings, in the caller's batch.
    void WriteUnsaved();
    // The write of the confirmed settings succeeded.
    void MarkStored() { unsaved.reset(); }

    int GetHideOnStartup() const { return hideOnStartup; }
    int GetShowIcon() const { return showIcon; }
    int GetInterval() const { return interval; }
    // The timer's period: a stored interval outside 1..600 is kept as
    // loaded (and refused by Hide and Exit), but the timer never runs
    // faster than once a second nor slower than once in ten minutes.
    unsigned TimerPeriodMs() const;

private:
    void Read();

    ProfileStore& store;
    int hideOnStartup = 0;
    int showIcon = 1;
    int interval = 10;
    int startAtLogin = 0;  // the login box, as last read from the desktop or the window
    LoginStartSetting* loginStart = nullptr;
    // The settings Hide or Exit confirmed, until they are in the file.
    struct Values {
        int hideOnStartup;
        int showIcon;
        int interval;
    };
    std::optional<Values> unsaved;
};

}  // namespace tikr::ui
