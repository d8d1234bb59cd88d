#include "ui/win32/win32_window_port.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <memory>

#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/task_properties_dialog.h"
#include "ui/win32/dialog_template.h"

namespace tikr::win32 {

namespace {

namespace res = ui::res;

// One run of the task properties dialog: the reactions and the port of the
// dialog window, which exists from WM_INITDIALOG on.
class PropertiesWindow {
public:
    PropertiesWindow(HINSTANCE instance, ui::TaskPropertiesDialog& logic) : instance(instance), logic(logic) {}

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        auto* self = reinterpret_cast<PropertiesWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        return self != nullptr ? self->HandleMessage(hwnd, message, wParam) : FALSE;
    }

private:
    INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam) {
        switch (message) {
        case WM_INITDIALOG:
            FillCombos(hwnd);
            SetDefaultButton(hwnd, res::TaskPropertiesDialogResource());
            port = std::make_unique<Win32WindowPort>(instance, hwnd);
            logic.Attach(*port);
            logic.OnInitDialog();
            return TRUE;  // the focus goes to the first tab stop, the title
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        default: return FALSE;
        }
    }

    void OnCommand(int id, unsigned code) {
        if (!port || port->Ended()) return;
        if (const auto event = ControlEventOf(res::TaskPropertiesDialogResource(), id, code))
            logic.OnCommand(id, *event);
    }

    HINSTANCE instance;
    ui::TaskPropertiesDialog& logic;
    std::unique_ptr<Win32WindowPort> port;
};

// A notice: its text and an OK button, owned by the window it is about and
// not modal. It ends itself; nothing else reacts to it.
INT_PTR CALLBACK NoticeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(hwnd);
        return TRUE;
    }
    return FALSE;
}

HWND CreateNotice(HINSTANCE instance, HWND owner, const std::string& text, const std::string& caption) {
    const res::ControlDef controls[] = {
        {res::ID_STATIC_ITEM, res::ControlKind::staticText, text.c_str(), 7, 7, 226, 64, true, res::STYLE_NONE},
        {res::ID_OK, res::ControlKind::pushButton, "OK", 95, 78, 50, 14, true,
         res::STYLE_TABSTOP | res::STYLE_DEFAULT_BUTTON},
    };
    const res::DialogDef definition{0, caption.c_str(), "MS Sans Serif", 8, 240, 99, controls};
    const std::vector<WORD> dialogTemplate = BuildDialogTemplate(definition);
    HWND created = CreateDialogIndirectParamA(instance, AsTemplate(dialogTemplate), owner, &NoticeProc, 0);
    if (created != nullptr) ::ShowWindow(created, SW_SHOW);
    return created;
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedInput(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<OwnedSearch*>(search);
    if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    s->found = window;
    return FALSE;
}

// The window that takes the input meant for window: the last active window
// it owns, or, while it is disabled by a modal window of its own, that one.
HWND ModalOver(HWND window) {
    HWND popup = GetLastActivePopup(window);
    if (popup != nullptr && popup != window && IsWindowVisible(popup)) return popup;
    if (IsWindowEnabled(window)) return window;
    OwnedSearch search{window, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), &FindOwnedInput, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr ? search.found : window;
}

}  // namespace

std::string FileDialogFilter(const std::string& filter) {
    std::string out = filter;
    std::replace(out.begin(), out.end(), '|', '\0');
    // A list that does not end with its own closing "||" still ends twice.
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

void FillCombos(HWND dialog) {
    for (const res::ComboInitData& combo : res::TaskPropertiesComboData()) {
        for (const char* entry : combo.entries) {
            SendDlgItemMessageA(dialog, combo.controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        }
    }
}

int RunPropertiesDialog(HINSTANCE instance, HWND owner, ui::TaskPropertiesDialog& properties) {
    const std::vector<WORD> dialogTemplate = BuildDialogTemplate(res::TaskPropertiesDialogResource());
    PropertiesWindow window(instance, properties);
    return static_cast<int>(DialogBoxIndirectParamA(instance, AsTemplate(dialogTemplate), owner,
                                                    &PropertiesWindow::DialogProc, reinterpret_cast<LPARAM>(&window)));
}

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

void Win32WindowPort::ShowMessage(const std::string& text, const std::string& caption) {
    MessageBoxA(dialog, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
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

void Win32WindowPort::SetForeground() {
    // A modal window over this one (the properties dialog, a box it owns)
    // takes the input, so that one comes forward; else this one.
    SetForegroundWindow(ModalOver(dialog));
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

int Win32WindowPort::ShowListMenu(int /*id*/, const std::vector<ui::MenuEntry>& /*entries*/) {
    return 0;  // the menu comes with the list's context-menu handling
}

std::optional<std::string> Win32WindowPort::ChooseFile(const std::string& filter) {
    const std::string filters = FileDialogFilter(filter);
    // Room for long paths: a path beyond the limit of the command line
    // field still arrives whole, and the field's check refuses it at OK.
    std::string path(32768, '\0');
    OPENFILENAMEA request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = dialog;
    request.lpstrFilter = filters.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    if (!GetOpenFileNameA(&request)) return std::nullopt;
    path.resize(path.find('\0'));
    if (path.empty()) return std::nullopt;
    return path;
}

}  // namespace tikr::win32
