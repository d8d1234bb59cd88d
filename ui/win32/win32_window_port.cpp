#include "ui/win32/win32_window_port.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_input_window.h"
#include "ui/win32/control_tips.h"
#include "ui/win32/file_chooser.h"
#include "ui/win32/modal_dialogs.h"
#include "ui/win32/notice_window.h"
#include "ui/win32/shell_open.h"

namespace tikr::win32 {

namespace {

// Where a menu asked for by a key opens: below the selected line's left
// end, or at the list's edge when that line is scrolled out of sight.
POINT BesideSelectedLine(HWND list) {
    RECT client{};
    GetClientRect(list, &client);
    POINT at{client.left, client.top};
    RECT line{};
    const auto selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected >= 0 &&
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&line)) != LB_ERR) {
        at = {line.left, std::clamp(line.bottom, client.top, client.bottom)};
    }
    ClientToScreen(list, &at);
    return at;
}

}  // namespace

Win32WindowPort::~Win32WindowPort() {
    if (notice != nullptr && IsWindow(notice)) DestroyWindow(notice);
}

void Win32WindowPort::SetText(int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

std::string Win32WindowPort::GetText(int id) {
    HWND control = Item(id);
    if (control == nullptr) return {};
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

void Win32WindowPort::LimitText(int id, int maxChars) {
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(std::max(maxChars, 0)), 0);
}

void Win32WindowPort::SelectAllText(int id) { SendDlgItemMessageA(dialog, id, EM_SETSEL, 0, -1); }

void Win32WindowPort::SetCheck(int id, int state) { CheckDlgButton(dialog, id, static_cast<UINT>(state)); }

int Win32WindowPort::GetCheck(int id) { return static_cast<int>(IsDlgButtonChecked(dialog, id)); }

void Win32WindowPort::SetComboSelection(int id, int index) {
    const auto count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    // An index without an entry leaves the box without a selection.
    const WPARAM selection = index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1);
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, selection, 0);
}

int Win32WindowPort::GetComboSelection(int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void Win32WindowPort::ListReset(int id) { SendDlgItemMessageA(dialog, id, LB_RESETCONTENT, 0, 0); }

void Win32WindowPort::ListAddString(int id, const std::string& text) {
    SendDlgItemMessageA(dialog, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int Win32WindowPort::ListGetCount(int id) {
    const auto count = SendDlgItemMessageA(dialog, id, LB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

int Win32WindowPort::ListGetSelection(int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0));
}

void Win32WindowPort::ListSetSelection(int id, int index) {
    SendDlgItemMessageA(dialog, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32WindowPort::SetUpDownRange(int id, int lower, int upper) {
    SendDlgItemMessageA(dialog, id, UDM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
}

void Win32WindowPort::ShowControl(int id, bool show) {
    if (HWND control = Item(id)) ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

void Win32WindowPort::EnableControl(int id, bool enable) {
    if (HWND control = Item(id)) EnableWindow(control, enable ? TRUE : FALSE);
}

void Win32WindowPort::SetFocus(int id) {
    // Through the dialog manager, so the default push button follows.
    if (HWND control = Item(id)) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void Win32WindowPort::SetToolTip(int id, const std::string& text) {
    // The window's one tooltip control (that of the list's lines) serves
    // the control too: a second one kept the task line's menu from
    // staying open under Wine.
    SetControlTip(dialog, Item(id), text, listTips.Control());
}

void Win32WindowPort::ShowMessage(const std::string& text, const std::string& caption) {
    // The window's messages are the program's own words, paths and system
    // reasons: UTF-8.
    MessageBoxW(dialog, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void Win32WindowPort::ShowNotice(const std::string& text, const std::string& caption) {
    // A later notice replaces an open one.
    if (notice != nullptr && IsWindow(notice)) DestroyWindow(notice);
    notice = CreateNotice(instance, dialog, text, caption);
}

void Win32WindowPort::ShowWindow(bool show) {
    if (!show) {
        ::ShowWindow(dialog, SW_HIDE);
        return;
    }
    ::ShowWindow(dialog, IsIconic(dialog) ? SW_RESTORE : SW_SHOW);
}

bool Win32WindowPort::IsWindowVisible() { return ::IsWindowVisible(dialog) != FALSE; }

void Win32WindowPort::SetForeground() {
    // A modal window over this one (the properties dialog, a box it owns)
    // takes the input, so that one comes forward; else this one.
    SetForegroundWindow(InputWindowOf(dialog));
}

void Win32WindowPort::EndDialog(int endResult) {
    ended = true;
    result = endResult;
    if (onEnd) onEnd(endResult);
    else ::EndDialog(dialog, endResult);
}

unsigned Win32WindowPort::SetTimer(unsigned id, unsigned periodMs) {
    const UINT period = std::clamp(periodMs, MIN_TIMER_PERIOD_MS, MAX_TIMER_PERIOD_MS);
    return ::SetTimer(dialog, id, period, nullptr) != 0 ? id : 0;
}

void Win32WindowPort::KillTimer(unsigned id) { ::KillTimer(dialog, id); }

int Win32WindowPort::RunPropertiesDialog(ui::TaskPropertiesDialog& properties) {
    return win32::RunPropertiesDialog(instance, dialog, properties);
}

int Win32WindowPort::RunHistoryDialog(ui::HistoryDialog& history) {
    return win32::RunHistoryDialog(instance, dialog, history);
}

bool Win32WindowPort::OpenInViewer(const std::string& path) { return OpenWithAssociatedProgram(dialog, path); }

int Win32WindowPort::ShowListMenu(int id, const std::vector<ui::MenuEntry>& entries) {
    HWND list = Item(id);
    if (list == nullptr || entries.empty()) return 0;
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return 0;
    for (const ui::MenuEntry& entry : entries)
        AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(entry.id), entry.text.c_str());
    const POINT at = menuPoint ? *menuPoint : BesideSelectedLine(list);
    // The chosen id comes back here rather than as a command to the window.
    const BOOL chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, dialog, nullptr);
    DestroyMenu(menu);
    return static_cast<int>(chosen);
}

bool Win32WindowPort::AddListTips(int id, std::function<std::string(int line)> describe) {
    return listTips.Add(Item(id), std::move(describe));
}

std::optional<std::string> Win32WindowPort::ChooseFile(const std::string& filter) {
    return ChooseFileOver(dialog, filter);
}

}  // namespace tikr::win32
