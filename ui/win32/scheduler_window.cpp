#include "ui/win32/scheduler_window.h"

#include <string>

#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/scheduler_dialog.h"
#include "ui/win32/dialog_template.h"
#include "platform/win32/win32_instance_guard.h"
#include "ui/win32/win32_tray_port.h"
#include "ui/win32/win32_window_port.h"

namespace tikr::win32 {

namespace {

namespace res = ui::res;

// Set on a window just before its dialog manager is given a message: the
// dialog manager first offers that message to the message filters, and the
// filter takes the mark as "this one is already being routed", removes it
// and lets the message go on. So the mark never outlives that first step,
// not even while the message runs a nested loop (a box opened by a key).
constexpr const char* ROUTING_PROPERTY = "TikrRoutingKeys";

std::string RootClass(HWND root) {
    char name[64] = "";
    if (root == nullptr || GetClassNameA(root, name, sizeof(name)) == 0) return {};
    return name;
}

bool ThroughDialogManager(HWND root, MSG& message) {
    SetPropA(root, ROUTING_PROPERTY, root);
    const bool handled = IsDialogMessageA(root, &message) != FALSE;
    RemovePropA(root, ROUTING_PROPERTY);
    return handled;
}

// The message filter of the window's thread. A modal loop that is not the
// program's own (a scheduled message box, a validation box) offers each
// message to it, but never to the main window's dialog manager: without
// this, Tab, Enter, Escape and the mnemonics would do nothing in the main
// window while such a box is open.
LRESULT CALLBACK RouteKeysInModalLoops(int code, WPARAM wParam, LPARAM lParam) {
    if ((code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX) && lParam != 0) {
        MSG& message = *reinterpret_cast<MSG*>(lParam);
        HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        // The dialog manager's own offer of a message being routed goes on.
        const bool routing = root != nullptr && RemovePropA(root, ROUTING_PROPERTY) != nullptr;
        const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
        if (!routing && key && RootClass(root) == MAIN_WINDOW_CLASS && ThroughDialogManager(root, message)) return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool RouteToMainWindow(MSG& message) {
    if (message.hwnd == nullptr) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const std::string name = RootClass(root);
    // F1 needs nothing here: the window system makes a help request
    // (WM_HELP) of the key by itself, which the window answers.
    // The main window and the dialogs without a loop of their own (notices).
    if (name != MAIN_WINDOW_CLASS && name != "#32770") return false;
    return ThroughDialogManager(root, message);
}

SchedulerWindow::SchedulerWindow(HINSTANCE instance, ui::SchedulerDialog& schedulerDialog)
    : instance(instance), schedulerDialog(schedulerDialog) {}

SchedulerWindow::~SchedulerWindow() {
    if (keyFilter != nullptr) UnhookWindowsHookEx(keyFilter);
    tray.reset();
    if (window != nullptr) DestroyWindow(window);
    port.reset();
    windowClass.reset();
}

bool SchedulerWindow::Ended() const { return port == nullptr || port->Ended(); }

bool SchedulerWindow::Start() {
    bigIcon = LoadAppIcon(instance, GetSystemMetrics(SM_CXICON));
    smallIcon = LoadAppIcon(instance, GetSystemMetrics(SM_CXSMICON));
    windowClass = RegisterDialogClass(instance, MAIN_WINDOW_CLASS, bigIcon.get(), smallIcon.get());
    if (!windowClass->Registered()) return false;
    taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    keyFilter = SetWindowsHookExA(WH_MSGFILTER, &RouteKeysInModalLoops, nullptr, GetCurrentThreadId());

    const std::vector<WORD> dialogTemplate = BuildDialogTemplate(res::SchedulerDialogResource(), MAIN_WINDOW_CLASS);
    // WM_INITDIALOG arrives before this returns; it sets `window`.
    HWND created = CreateDialogIndirectParamA(instance, AsTemplate(dialogTemplate), nullptr,
                                              &SchedulerWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    if (created == nullptr || port == nullptr) return false;
    window = created;
    if (port->Ended()) return false;
    ::ShowWindow(window, SW_SHOWNORMAL);
    shown = true;
    // A colour request may have come before the show; the first drawing is
    // the moment a window that is to hide at start-up hides.
    UpdateWindow(window);
    return true;
}

int SchedulerWindow::Run() {
    if (!Start()) return port != nullptr ? port->Result() : 0;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) Dispatch(message);
    return port->Result();
}

void SchedulerWindow::Dispatch(MSG& message) {
    if (RouteToMainWindow(message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

INT_PTR CALLBACK SchedulerWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<SchedulerWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_INITDIALOG) {
        self->OnInitDialog(hwnd);
        return TRUE;  // the focus goes to the first tab stop, the task list
    }
    return self->HandleMessage(message, wParam, lParam);
}

void SchedulerWindow::OnInitDialog(HWND hwnd) {
    window = hwnd;
    port = std::make_unique<Win32WindowPort>(instance, hwnd);
    // The main window is modeless: its end ends the message loop.
    port->onEnd = [this](int) {
        if (!quitPosted) PostQuitMessage(0);
        quitPosted = true;
    };
    tray = std::make_unique<Win32TrayPort>(instance, hwnd);
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    SetDefaultButton(hwnd, res::SchedulerDialogResource());
    FitStaticTexts(hwnd);
    if (onCreated) onCreated(hwnd);
    schedulerDialog.Attach(*port, *tray);
    port->AddListTips(res::IDC_TASK_LIST, [this](int line) { return schedulerDialog.DescribeLine(line); });
    schedulerDialog.OnInitDialog();
}

INT_PTR SchedulerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ui::TRAY_NOTIFY_MESSAGE) {
        const int answer = schedulerDialog.OnTrayNotify(static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        SetWindowLongPtrA(window, DWLP_MSGRESULT, answer);
        return TRUE;
    }
    if (message == PROGRAM_ENDED_MESSAGE) {
        if (onProgramEnded) onProgramEnded(wParam);
        return TRUE;
    }
    if (taskbarCreated != 0 && message == taskbarCreated) {
        if (!Ended()) schedulerDialog.OnTrayAreaCreated();
        return FALSE;
    }
    switch (message) {
    case WM_TIMER: schedulerDialog.OnTimer(static_cast<unsigned>(wParam)); return TRUE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        // The first drawing after the show: see HideAfterFirstPaint.
        if (shown) schedulerDialog.HideAfterFirstPaint();
        return FALSE;  // the default colours
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(bigIcon.get());
    case WM_HELP: schedulerDialog.OnCommand(res::ID_HELP_COMMAND, ui::ControlEvent::clicked); return TRUE;
    case WM_SHOWWINDOW:
        // Shown from hidden, by the tray icon or by a later start.
        if (wParam != FALSE && shown && !Ended()) schedulerDialog.OnShowing();
        return FALSE;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY: return port != nullptr && port->OnNotify(*reinterpret_cast<NMHDR*>(lParam)) ? TRUE : FALSE;
    case WM_CONTEXTMENU: return OnContextMenu(reinterpret_cast<HWND>(wParam), lParam) ? TRUE : FALSE;
    case WM_ENDSESSION:
        // The session ends: as Escape does, what waits to be stored is
        // written, and the tray icon and the timer go.
        if (wParam != FALSE && !Ended()) schedulerDialog.OnCancel();
        return FALSE;
    default: return FALSE;
    }
}

void SchedulerWindow::OnCommand(int id, unsigned code) {
    if (Ended()) return;
    // Enter when no default button is known presses Hide, the default.
    if (id == res::ID_OK) id = res::IDC_HIDE;
    if (const auto event = ControlEventOf(res::SchedulerDialogResource(), id, code))
        schedulerDialog.OnCommand(id, *event);
}

bool SchedulerWindow::OnContextMenu(HWND from, LPARAM lParam) {
    HWND list = GetDlgItem(window, res::IDC_TASK_LIST);
    if (Ended() || from == nullptr || from != list) return false;
    const POINT screen = PointOf(lParam);
    if (screen.x == -1 && screen.y == -1) {
        // A key asked (the Menu key, Shift+F10): the selected line's menu.
        schedulerDialog.OnCommand(res::IDC_TASK_LIST, ui::ControlEvent::contextMenu);
        return true;
    }
    POINT client = screen;
    ScreenToClient(list, &client);
    const int line = ListLineAt(list, client);
    if (line < 0) return false;  // below the lines: no menu
    // A list box does not select on a right-click by itself: the line is
    // selected and the change reported as a click's would be.
    if (SendMessageA(list, LB_GETCURSEL, 0, 0) != line) {
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        OnCommand(res::IDC_TASK_LIST, LBN_SELCHANGE);
        if (Ended()) return true;
    }
    port->menuPoint = screen;
    schedulerDialog.OnCommand(res::IDC_TASK_LIST, ui::ControlEvent::contextMenu);
    port->menuPoint.reset();
    return true;
}

}  // namespace tikr::win32
