#include "ui/scheduler_settings.h"

#include <algorithm>

#include "core/profile_keys.h"
#include "store/profile_store.h"
#include "ui/data_exchange.h"
#include "ui/login_start.h"
#include "ui/res/resource_ids.h"
#include "ui/window_port.h"

namespace tikr::ui {

namespace {

using namespace res;

// The window reads and writes its three settings in the section as it is
// spelt when read ("settings"); the task list writes the count as "Settings".
constexpr const char* SETTINGS_SECTION = keys::SETTINGS_SECTION_READ;

}  // namespace

SchedulerSettings::SchedulerSettings(ProfileStore& profile) : store(profile) { Read(); }

void SchedulerSettings::Read() {
    hideOnStartup = store.ReadInt(SETTINGS_SECTION, keys::HIDE_ON_STARTUP, 0);
    showIcon = store.ReadInt(SETTINGS_SECTION, keys::SHOW_ICON, 1);
    interval = store.ReadInt(SETTINGS_SECTION, keys::INTERVAL, 10);
}

void SchedulerSettings::AttachLoginBox(WindowPort& window, const std::string& appTitle) {
    if (loginStart != nullptr) loginStart->Attach(window, IDC_START_AT_LOGIN, appTitle);
}

void SchedulerSettings::RefreshLoginBox(WindowPort& window) {
    if (loginStart != nullptr && !window.IsWindowVisible()) loginStart->Refresh();
}

void SchedulerSettings::ReadAgain() {
    if (!unsaved) Read();
}

bool SchedulerSettings::Exchange(WindowPort& window, bool saveAndValidate, const std::string& appTitle) {
    DataExchange dx(window, saveAndValidate, appTitle);
    dx.CheckBox(IDC_HIDE_ON_STARTUP, hideOnStartup);
    dx.CheckBox(IDC_SHOW_ICON, showIcon);
    if (loginStart != nullptr && !saveAndValidate) startAtLogin = loginStart->Read();
    dx.CheckBox(IDC_START_AT_LOGIN, startAtLogin);
    dx.IntegerText(IDC_INTERVAL, interval);
    dx.IntegerRange(interval, MIN_INTERVAL, MAX_INTERVAL);
    return !dx.Failed();
}

void SchedulerSettings::Confirm(bool ending) {
    if (loginStart != nullptr) loginStart->Confirm(startAtLogin, ending);
    unsaved = Values{hideOnStartup, showIcon, interval};
}

void SchedulerSettings::WriteUnsaved() {
    if (!unsaved) return;
    store.WriteInt(SETTINGS_SECTION, keys::HIDE_ON_STARTUP, unsaved->hideOnStartup);
    store.WriteInt(SETTINGS_SECTION, keys::SHOW_ICON, unsaved->showIcon);
    store.WriteInt(SETTINGS_SECTION, keys::INTERVAL, unsaved->interval);
}

unsigned SchedulerSettings::TimerPeriodMs() const {
    return static_cast<unsigned>(std::clamp(interval, MIN_INTERVAL, MAX_INTERVAL)) * 1000u;
}

}  // namespace tikr::ui
