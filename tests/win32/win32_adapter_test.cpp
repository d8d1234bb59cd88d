// The Win32 front end against the real window system (under Wine in CI):
// the dialogs exchange data through the real controls, the main window runs
// the SchedulerDialog.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/core_services.h"
#include "core/task.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "store/profile_store.h"
#include "temp_dir.h"
// <windows.h> names its own FormatMessage as a macro.
#undef FormatMessage
#include "ui/data_exchange.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/scheduler_dialog.h"
#include "ui/task_properties_dialog.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/handles.h"
#include "platform/win32/win32_instance_guard.h"
#include "ui/win32/scheduler_window.h"
#include "ui/win32/win32_tray_port.h"
#include "ui/win32/win32_window_port.h"
#include "win32_test_window.h"

namespace tikr::test {
namespace {

namespace res = ui::res;
using win32::Win32WindowPort;

// Services on a profile file in a fresh directory, with fakes for the clock,
// the launcher and the message display.
struct Env {
    explicit Env(const std::string& ini) { TempDir::WriteFile(path, ini); }
    TempDir dir;
    std::string path = dir.File("tikr.INI");
    ProfileStore store{path};
    FakeClock clock{2026, 12, 8, 14, 30, 0};
    RecordingLauncher launcher;
    FakeMessageDisplay display;
    CoreServices services{store, clock, launcher, display};
};

// Acts like a user on windows of this thread that come up in nested modal
// loops: a hidden window whose timer looks for them. Message boxes are
// recorded and answered with OK; the properties dialog is handed to onDialog.
class Robot {
public:
    Robot() {
        WNDCLASSA cls{};
        cls.lpfnWndProc = &Robot::Proc;
        cls.hInstance = Instance();
        cls.lpszClassName = "TikrTestRobot";
        RegisterClassA(&cls);
        hwnd = CreateWindowA("TikrTestRobot", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance(), nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetTimer(hwnd, 1, 30, nullptr);
    }
    ~Robot() {
        DestroyWindow(hwnd);
        UnregisterClassA("TikrTestRobot", Instance());
    }
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;

    std::vector<std::pair<std::string, std::string>> boxes;     // text, caption
    std::map<std::string, std::function<void(HWND)>> onDialog;  // by caption: a dialog is open
    std::vector<HWND> known;                                    // windows left alone

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Robot*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_TIMER && self != nullptr) {
            self->Look();
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    static BOOL CALLBACK Each(HWND window, LPARAM self) {
        reinterpret_cast<Robot*>(self)->Found(window);
        return TRUE;
    }
    void Look() { EnumThreadWindows(GetCurrentThreadId(), &Robot::Each, reinterpret_cast<LPARAM>(this)); }
    void Found(HWND window) {
        if (!IsWindowVisible(window) || !IsWindowEnabled(window) || ClassOf(window) != "#32770") return;
        for (HWND k : known)
            if (k == window) return;
        const std::string caption = WindowText(window);
        if (const auto found = onDialog.find(caption); found != onDialog.end()) {
            auto act = found->second;  // may replace itself
            act(window);
            return;
        }
        char text[512] = "";
        GetDlgItemTextA(window, 0xFFFF, text, sizeof(text));
        boxes.emplace_back(text, caption);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    HWND hwnd = nullptr;
};

// A key pressed and released as the keyboard would.
void PressKey(WORD key) {
    INPUT input[2]{};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// The program's message loop for a while.
void RunLoop(win32::SchedulerWindow& window, DWORD ms) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < ms) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) window.Dispatch(message);
        Sleep(10);
    }
}

// No label of the dialog is cut off: each static text, drawn on one line
// in the dialog's font, fits in its control.
void ExpectEveryLabelFits(HWND dialog) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    HDC dc = GetDC(dialog);
    ASSERT_NE(dc, nullptr);
    HGDIOBJ before = SelectObject(dc, font);
    int labels = 0;
    for (HWND child : Children(dialog)) {
        const std::string text = WindowText(child);
        if (ClassOf(child) != "Static" || text.empty()) continue;
        ++labels;
        RECT needed{0, 0, 0, 0};
        DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
        RECT client{};
        GetClientRect(child, &client);
        EXPECT_LE(needed.right, client.right) << "\"" << text << "\" is cut off";
    }
    SelectObject(dc, before);
    ReleaseDC(dialog, dc);
    EXPECT_GT(labels, 0);
}

void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Visible as far as the control itself goes (the dialog may be hidden).
bool Shown(HWND dialog, int id) { return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(Win32PropertiesDialog, ExchangesFieldsThroughTheRealControls) {
    Env env("");
    Task task(env.services, "Weekly one", 0);
    task.SetSchedule(std::make_unique<WeeklySchedule>(env.services, DateTime(), 0, 3));
    TemplateDialog dialog(res::TaskPropertiesDialogResource());
    ASSERT_NE(dialog.hwnd, nullptr);
    win32::FillCombos(dialog.hwnd);
    Win32WindowPort port(Instance(), dialog.hwnd);
    port.onEnd = [](int) {};
    ui::TaskPropertiesDialog logic(task, env.services, "tikr");
    logic.Attach(port);
    logic.OnInitDialog();

    // Loaded: texts, combo selections, limits, the rows of the kinds.
    EXPECT_EQ(ItemText(dialog.hwnd, res::IDC_TITLE), "Weekly one");
    EXPECT_EQ(SendDlgItemMessageA(dialog.hwnd, res::IDC_TITLE, EM_GETLIMITTEXT, 0, 0), 100);
    EXPECT_EQ(SendDlgItemMessageA(dialog.hwnd, res::IDC_COMMAND_LINE, EM_GETLIMITTEXT, 0, 0), 256);
    EXPECT_EQ(SendDlgItemMessageA(dialog.hwnd, res::IDC_TIMING, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageA(dialog.hwnd, res::IDC_DAY_OF_WEEK, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendDlgItemMessageA(dialog.hwnd, res::IDC_ACTION, CB_GETCOUNT, 0, 0), 2);
    EXPECT_TRUE(Shown(dialog.hwnd, res::IDC_DAY_OF_WEEK));
    EXPECT_FALSE(Shown(dialog.hwnd, res::IDC_SKIP_MON));
    EXPECT_TRUE(Shown(dialog.hwnd, res::IDC_MESSAGE));
    LONG lower = 0, upper = 0;
    SendDlgItemMessageA(dialog.hwnd, res::IDC_HOUR_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                        reinterpret_cast<LPARAM>(&upper));
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 23);

    // The user switches to Monthly: the combo's notification swaps the rows.
    SendDlgItemMessageA(dialog.hwnd, res::IDC_TIMING, CB_SETCURSEL, 2, 0);
    logic.OnTimingChanged();
    EXPECT_FALSE(Shown(dialog.hwnd, res::IDC_DAY_OF_WEEK));
    EXPECT_TRUE(Shown(dialog.hwnd, res::IDC_DAY_OF_MONTH));

    // Browse: the open-file dialog's choice, quoted for its blank, replaces
    // the command line, and the program's current folder stays where it was
    // (a bare program name finds the same program after browsing).
    TempDir startFolder;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(startFolder.Path());
    Robot robot;
    robot.known = {dialog.hwnd};
    const std::string program = env.dir.File("my tool.exe");
    TempDir::WriteFile(program, "MZ");
    // The user goes to the program's folder first, then picks it there.
    int step = 0;
    robot.onDialog["Open"] = [&](HWND open) {
        const bool inFolder = step++ > 0;
        if (inFolder) robot.onDialog.erase("Open");
        const std::string typed = inFolder ? "my tool.exe" : env.dir.Path().string();
        SetDlgItemTextA(open, 0x47C, typed.c_str());  // the file name field
        PostMessageA(open, WM_COMMAND, IDOK, 0);
    };
    SendDlgItemMessageA(dialog.hwnd, res::IDC_ACTION, CB_SETCURSEL, 0, 0);
    logic.OnActionChanged();
    logic.OnBrowse();
    const std::filesystem::path afterBrowse = std::filesystem::current_path();
    std::filesystem::current_path(before);
    EXPECT_EQ(afterBrowse, startFolder.Path());
    EXPECT_TRUE(robot.boxes.empty());
    EXPECT_EQ(ItemText(dialog.hwnd, res::IDC_COMMAND_LINE), "\"" + program + "\"");

    // A bad hour: the box with the range message, the focus on the field
    // with its text selected, the task untouched.
    SetDlgItemTextA(dialog.hwnd, res::IDC_HOUR, " 24 ");
    SetDlgItemTextA(dialog.hwnd, res::IDC_TITLE, "Monthly one");
    EXPECT_FALSE(logic.OnOK());
    ASSERT_EQ(robot.boxes.size(), 1u);
    EXPECT_EQ(robot.boxes[0].first, ui::FormatMessage(ui::MSG_INTEGER_RANGE, "0", "23"));
    EXPECT_EQ(robot.boxes[0].second, "tikr");
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog.hwnd, res::IDC_HOUR));
    DWORD from = 1, to = 0;
    SendDlgItemMessageA(dialog.hwnd, res::IDC_HOUR, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                        reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 4u);
    EXPECT_EQ(task.GetTitle(), "Weekly one");

    SetDlgItemTextA(dialog.hwnd, res::IDC_HOUR, "7");
    SetDlgItemTextA(dialog.hwnd, res::IDC_DAY_OF_MONTH, "15");
    CheckDlgButton(dialog.hwnd, res::IDC_DISABLED, BST_CHECKED);
    EXPECT_TRUE(logic.OnOK());
    EXPECT_TRUE(port.Ended());
    EXPECT_EQ(port.Result(), res::ID_OK);
    EXPECT_EQ(task.GetTitle(), "Monthly one");
    EXPECT_TRUE(task.IsDisabled());
    ASSERT_NE(task.GetSchedule(), nullptr);
    EXPECT_EQ(task.GetSchedule()->GetKind(), 2);
    EXPECT_EQ(task.GetSchedule()->GetTimeOfDay().GetHour(), 7);
}

TEST(Win32SchedulerWindow, RunsTheSchedulerDialogOverTheRealWindow) {
    Env env(
        "[settings]\r\ninterval=42\r\nshowicon=0\r\nNumApps=2\r\n[App1]\r\ntitle=First\r\n[App2]\r\n"
        "title=Second\r\n");
    ui::SchedulerDialog schedulerDialog(env.services, "tikr");
    win32::SchedulerWindow window(Instance(), schedulerDialog);
    ASSERT_TRUE(window.Start());
    HWND main = window.Window();
    EXPECT_TRUE(IsWindowVisible(main));
    ExpectEveryLabelFits(main);
    EXPECT_EQ(SendDlgItemMessageA(main, res::IDC_TASK_LIST, LB_GETCOUNT, 0, 0), schedulerDialog.GetTasks().GetCount());
    EXPECT_EQ(SendDlgItemMessageA(main, res::IDC_TASK_LIST, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ItemText(main, res::IDC_INTERVAL), "42");
    EXPECT_EQ(GetFocus(), GetDlgItem(main, res::IDC_TASK_LIST));
    EXPECT_NE(schedulerDialog.GetTimerId(), 0u);
    LONG lower = 0, upper = 0;
    SendDlgItemMessageA(main, res::IDC_INTERVAL_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                        reinterpret_cast<LPARAM>(&upper));
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 600);
    const std::string before = TempDir::ReadFile(env.path);

    // Add, through the modal properties dialog: typed title, OK.
    Robot robot;
    robot.known = {main};
    int dialogsSeen = 0;
    bool ownerDisabled = false;
    bool dialogCameForward = false;
    robot.onDialog["Scheduled Task Properties"] = [&](HWND dialog) {
        ++dialogsSeen;
        ownerDisabled = !IsWindowEnabled(main);
        ExpectEveryLabelFits(dialog);
        // Brought forward (tray, later start), the window hands the
        // foreground to the dialog that takes its input.
        SetForegroundWindow(main);
        window.Port().SetForeground();
        dialogCameForward = GetForegroundWindow() == dialog;
        EXPECT_TRUE(schedulerDialog.IsEditing());
        SetDlgItemTextA(dialog, res::IDC_TITLE, "Added");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    Click(main, res::IDC_ADD);
    EXPECT_EQ(dialogsSeen, 1);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(dialogCameForward);
    EXPECT_FALSE(schedulerDialog.IsEditing());
    EXPECT_EQ(SendDlgItemMessageA(main, res::IDC_TASK_LIST, LB_GETCOUNT, 0, 0), schedulerDialog.GetTasks().GetCount());
    ASSERT_GE(schedulerDialog.GetTasks().GetCount(), 1);
    EXPECT_EQ(schedulerDialog.GetTasks().GetTask(schedulerDialog.GetTasks().GetCount() - 1)->GetTitle(), "Added");
    EXPECT_NE(TempDir::ReadFile(env.path).find("Added"), std::string::npos);

    // A real press of F1 on the list: one box (the summary with the
    // profile's path), not one from the key and one from the help request
    // the window system makes of it.
    SetForegroundWindow(main);
    SetFocus(GetDlgItem(main, res::IDC_TASK_LIST));
    PressKey(VK_F1);
    RunLoop(window, 1500);
    ASSERT_EQ(robot.boxes.size(), 1u);
    EXPECT_NE(robot.boxes[0].first.find(env.path), std::string::npos);
    EXPECT_EQ(robot.boxes[0].second, "tikr");

    // A refused interval: the message, the focus on the field, nothing
    // written; a good one is stored by Hide, which hides the window.
    const std::string afterAdd = TempDir::ReadFile(env.path);
    SetDlgItemTextA(main, res::IDC_INTERVAL, "601");
    Click(main, res::IDC_HIDE);
    ASSERT_EQ(robot.boxes.size(), 2u);
    EXPECT_EQ(robot.boxes[1].first, ui::FormatMessage(ui::MSG_INTEGER_RANGE, "1", "600"));
    EXPECT_EQ(GetFocus(), GetDlgItem(main, res::IDC_INTERVAL));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(TempDir::ReadFile(env.path), afterAdd);
    SetDlgItemTextA(main, res::IDC_INTERVAL, "7");
    Click(main, res::IDC_HIDE);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(env.store.ReadInt("settings", "interval", 0), 7);

    // A press on the tray icon brings it back; Escape ends it, writing nothing.
    SendMessageA(main, ui::TRAY_NOTIFY_MESSAGE, ui::TRAY_ICON_ID, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(main));
    const std::string afterHide = TempDir::ReadFile(env.path);
    SendMessageA(main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(window.Ended());
    EXPECT_EQ(window.Port().Result(), res::ID_CANCEL);
    EXPECT_EQ(schedulerDialog.GetTimerId(), 0u);
    EXPECT_EQ(TempDir::ReadFile(env.path), afterHide);
    EXPECT_NE(before, afterHide);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace tikr::test

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
