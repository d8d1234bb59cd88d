#include "ui/tray_icon.h"

#include "core/task_list.h"
#include "ui/tray_port.h"

namespace tikr::ui {

namespace {

constexpr std::size_t MAX_TIP_CHARS = 63;

}  // namespace

void TrayIcon::Want(bool wantedNow) {
    wanted = wantedNow;
    if (wanted) Add();
    else Remove();
}

void TrayIcon::OnAreaCreated() {
    if (!wanted) return;
    shown = false;
    Add();
}

bool TrayIcon::Add() {
    if (shown) return true;
    shown = tray->TrayAdd(TipText());
    return shown;
}

void TrayIcon::UpdateTip() {
    if (!shown) return;
    // A failed update leaves the icon unknown; the next add registers it.
    shown = tray->TrayModify(TipText());
}

bool TrayIcon::Remove() {
    if (!shown) return true;
    bool removed = tray->TrayDelete();
    shown = false;
    return removed;
}

std::string TrayIcon::TipText() const {
    std::string tip = std::to_string(tasks.GetCount()) + " Task(s) Scheduled";
    if (tip.size() > MAX_TIP_CHARS) tip.resize(MAX_TIP_CHARS);
    return tip;
}

bool TrayIcon::Notify(const std::string& title, const std::string& text) {
    // A failed notification says nothing about the icon itself.
    if (shown) {
        tray->TrayNotify(title, text);
        return true;
    }
    return tray->DesktopNotify(title, text);
}

}  // namespace tikr::ui
