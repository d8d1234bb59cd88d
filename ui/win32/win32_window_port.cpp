#include "ui/win32/win32_window_port.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/win32/wide_text.h"
#include "ui/win32/control_tips.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/history_dialog.h"
#include "ui/task_properties_dialog.h"
#include "ui/win32/dialog_template.h"

namespace tikr::win32 {

namespace {

namespace res = ui::res;

// One run of a modal dialog made from its definition: the reactions and the
// port of the dialog window, which exists from WM_INITDIALOG on.
template <typename Logic>
class ModalWindow {
public:
    ModalWindow(HINSTANCE instance, Logic& logic, const res::DialogDef& definition, void (*prepare)(HWND))
        : instance(instance), logic(logic), definition(definition), prepare(prepare) {}

    int Run(HWND owner) {
        const std::vector<WORD> dialogTemplate = BuildDialogTemplate(definition);
        return static_cast<int>(DialogBoxIndirectParamA(instance, AsTemplate(dialogTemplate), owner, &DialogProc,
                                                        reinterpret_cast<LPARAM>(this)));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        auto* self = reinterpret_cast<ModalWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        return self != nullptr ? self->HandleMessage(hwnd, message, wParam) : FALSE;
    }

    INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam) {
        switch (message) {
        case WM_INITDIALOG:
            if (prepare != nullptr) prepare(hwnd);
            SetDefaultButton(hwnd, definition);
            FitStaticTexts(hwnd);
            port = std::make_unique<Win32WindowPort>(instance, hwnd);
            logic.Attach(*port);
            logic.OnInitDialog();
            return TRUE;  // the focus goes to the first tab stop
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        default: return FALSE;
        }
    }

    void OnCommand(int id, unsigned code) {
        if (!port || port->Ended()) return;
        if (const auto event = ControlEventOf(definition, id, code)) logic.OnCommand(id, *event);
    }

    HINSTANCE instance;
    Logic& logic;
    const res::DialogDef& definition;
    void (*prepare)(HWND);
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
    if (created == nullptr) return nullptr;
    // The text is shown as it is: an "&" in a path or a reason is no
    // mnemonic marker. Text and caption are UTF-8 (paths outside the ANSI
    // code page among them).
    HWND label = GetDlgItem(created, res::ID_STATIC_ITEM);
    SetWindowLongPtrA(label, GWL_STYLE, GetWindowLongPtrA(label, GWL_STYLE) | SS_NOPREFIX);
    SetWindowTextW(label, Widen(text).c_str());
    SetWindowTextW(created, Widen(caption).c_str());
    ::ShowWindow(created, SW_SHOW);
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

// Puts the process's current folder back as it was when made.
class CurrentFolderKeeper {
public:
    CurrentFolderKeeper() {
        const DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) return;
        folder.resize(needed);
        const DWORD length = GetCurrentDirectoryW(needed, folder.data());
        folder.resize(length > 0 && length < needed ? length : 0);
    }
    ~CurrentFolderKeeper() {
        if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
    }
    CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
    CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

private:
    std::wstring folder;
};

// The tips' subclass of the list, and the tips' width and stay.
constexpr UINT_PTR TIP_SUBCLASS_ID = 1;
constexpr int TIP_WIDTH_DIALOG_UNITS = 200;
constexpr int TIP_STAY_MS = 20000;

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

int ListLineAt(HWND list, POINT client) {
    RECT area{};
    if (list == nullptr || !GetClientRect(list, &area) || !PtInRect(&area, client)) return -1;
    const auto hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    // The high word is set when the point is past the last line.
    if (HIWORD(hit) != 0) return -1;
    const int line = LOWORD(hit);
    return line < SendMessageA(list, LB_GETCOUNT, 0, 0) ? line : -1;
}

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
    // The title field, the first tab stop, takes the focus.
    return ModalWindow(instance, properties, res::TaskPropertiesDialogResource(), &FillCombos).Run(owner);
}

int RunHistoryDialog(HINSTANCE instance, HWND owner, ui::HistoryDialog& history) {
    // The list of runs, the first tab stop, takes the focus.
    return ModalWindow(instance, history, res::TaskHistoryDialogResource(), nullptr).Run(owner);
}

bool OpenWithAssociatedProgram(HWND owner, const std::string& path) {
    const std::wstring file = Widen(path);
    const auto opened =
        reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened > 32) return true;
    // A run's output is plain text: without a program for its kind of file,
    // the system's text editor shows it.
    if (opened != SE_ERR_NOASSOC && opened != SE_ERR_ASSOCINCOMPLETE) return false;
    const std::wstring quoted = L"\"" + file + L"\"";
    return reinterpret_cast<INT_PTR>(
               ShellExecuteW(owner, L"open", L"notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL)) > 32;
}

Win32WindowPort::~Win32WindowPort() {
    if (notice != nullptr && IsWindow(notice)) DestroyWindow(notice);
    // The list may outlive the port: it must not call into it any more.
    if (tipList != nullptr) RemoveWindowSubclass(tipList, &Win32WindowPort::TipListProc, TIP_SUBCLASS_ID);
    if (tips != nullptr && IsWindow(tips)) DestroyWindow(tips);
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
    SetControlTip(dialog, Item(id), text, tips);
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
    HWND list = Item(id);
    if (list == nullptr || tips != nullptr) return false;
    // TTS_NOPREFIX: an "&" in a task's title is shown as it is.
    tips =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, instance, nullptr);
    if (tips == nullptr) return false;
    // The whole list is one tool; its text is asked of this window. The
    // record size without the last field, which older controls refuse.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.hinst = instance;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    if (!SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tips);
        tips = nullptr;
        return false;
    }
    // A width limit makes the tip break its lines at "\n".
    RECT width{0, 0, TIP_WIDTH_DIALOG_UNITS, 0};
    MapDialogRect(dialog, &width);
    SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, width.right);
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, TIP_STAY_MS);
    describeLine = std::move(describe);
    if (SetWindowSubclass(list, &Win32WindowPort::TipListProc, TIP_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this)))
        tipList = list;
    return true;
}

LRESULT CALLBACK Win32WindowPort::TipListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR /*subclassId*/, DWORD_PTR self) {
    auto* port = reinterpret_cast<Win32WindowPort*>(self);
    if (message == WM_MOUSEMOVE) port->OnTipListMouseMove(PointOf(lParam));
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, &Win32WindowPort::TipListProc, TIP_SUBCLASS_ID);
        port->tipList = nullptr;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

void Win32WindowPort::OnTipListMouseMove(POINT client) {
    tipPoint = client;
    const int line = ListLineAt(tipList, client);
    if (line == tipLine) return;
    tipLine = line;
    if (!::IsWindowVisible(tips)) return;  // a tip asks for its text when it shows
    // The whole list is one tool, so the tooltip sees no change of tool: a
    // tip on show is told its text changed, which it then asks for anew,
    // or goes below the last line.
    if (line < 0) {
        SendMessageA(tips, TTM_POP, 0, 0);
        return;
    }
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(tipList);
    tool.hinst = instance;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

bool Win32WindowPort::OnNotify(NMHDR& header) {
    if (tips == nullptr || header.hwndFrom != tips || header.code != TTN_GETDISPINFOA) return false;
    auto& request = reinterpret_cast<NMTTDISPINFOA&>(header);
    // The line under the pointer now: the list may have scrolled under it.
    tipLine = ListLineAt(tipList, tipPoint);
    tipText = tipLine >= 0 && describeLine ? describeLine(tipLine) : std::string();
    request.lpszText = tipText.data();
    request.szText[0] = '\0';
    request.hinst = nullptr;
    return true;
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
    // OFN_NOCHANGEDIR: the program's current folder stays where it was, so
    // a bare program name in a command line finds the same program after
    // browsing, and the browsed folder is not held open. Some systems ignore
    // the flag for this dialog: the folder is put back all the same.
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const CurrentFolderKeeper keepFolder;
    if (!GetOpenFileNameA(&request)) return std::nullopt;
    path.resize(path.find('\0'));
    if (path.empty()) return std::nullopt;
    return path;
}

}  // namespace tikr::win32
