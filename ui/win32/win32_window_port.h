#pragma once
// The window port of a dialog window created from an in-memory template:
// controls addressed by id through the dialog manager, message boxes owned
// by the dialog, the window timer, the modal run of the task properties
// dialog, the common open-file dialog, a list's pop-up menu and the tips
// on a list's lines.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/win32/list_tips.h"
#include "ui/window_port.h"

namespace tikr::win32 {

class Win32WindowPort : public ui::WindowPort {
public:
    // The shortest and longest timer period this port starts: a stored
    // check period outside 1..600 seconds must neither spin the loop nor
    // stop the checks for good.
    static constexpr unsigned MIN_TIMER_PERIOD_MS = 1000;
    static constexpr unsigned MAX_TIMER_PERIOD_MS = 600000;

    Win32WindowPort(HINSTANCE instance, HWND dialog) : instance(instance), dialog(dialog), listTips(instance, dialog) {}
    // An open notice goes with its port.
    ~Win32WindowPort() override;
    Win32WindowPort(const Win32WindowPort&) = delete;
    Win32WindowPort& operator=(const Win32WindowPort&) = delete;

    // How EndDialog ends this window; the default ends a modal dialog's
    // run. A modeless window (the main window) ends its own loop instead.
    std::function<void(int result)> onEnd;

    // Where the next list menu opens: the screen point of the mouse request
    // that asked for it; none (a key asked) opens it beside the selected
    // line. The window sets it for the time of the request.
    std::optional<POINT> menuPoint;

    // Gives the lines of list id a tip (see ListTips::Add); the window
    // routes its WM_NOTIFY to OnNotify.
    bool AddListTips(int id, std::function<std::string(int line)> describe);
    bool OnNotify(NMHDR& header) { return listTips.OnNotify(header); }
    HWND Tips() { return listTips.Control(); }

    HWND Window() const { return dialog; }
    HWND Notice() const { return notice; }
    bool Ended() const { return ended; }
    int Result() const { return result; }

    void SetText(int id, const std::string& text) override;
    std::string GetText(int id) override;
    void LimitText(int id, int maxChars) override;
    void SelectAllText(int id) override;
    void SetCheck(int id, int state) override;
    int GetCheck(int id) override;
    void SetComboSelection(int id, int index) override;
    int GetComboSelection(int id) override;
    void ListReset(int id) override;
    void ListAddString(int id, const std::string& text) override;
    int ListGetCount(int id) override;
    int ListGetSelection(int id) override;
    void ListSetSelection(int id, int index) override;
    void SetUpDownRange(int id, int lower, int upper) override;
    void ShowControl(int id, bool show) override;
    void EnableControl(int id, bool enable) override;
    void SetFocus(int id) override;
    void SetToolTip(int id, const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void ShowNotice(const std::string& text, const std::string& caption) override;
    void ShowWindow(bool show) override;
    bool IsWindowVisible() override;
    void SetForeground() override;
    void EndDialog(int result) override;
    unsigned SetTimer(unsigned id, unsigned periodMs) override;
    void KillTimer(unsigned id) override;
    int RunPropertiesDialog(ui::TaskPropertiesDialog& properties) override;
    // The history window, modal over this one, from its dialog data.
    int RunHistoryDialog(ui::HistoryDialog& history) override;
    // The program associated with the file's kind ("open"), or Notepad for
    // a kind without one.
    bool OpenInViewer(const std::string& path) override;
    std::optional<std::string> ChooseFile(const std::string& filter) override;
    int ShowListMenu(int id, const std::vector<ui::MenuEntry>& entries) override;

private:
    HWND Item(int id) const { return GetDlgItem(dialog, id); }

    HINSTANCE instance;
    HWND dialog;
    HWND notice = nullptr;  // the open notice, if any
    bool ended = false;
    int result = 0;
    ListTips listTips;
};

}  // namespace tikr::win32
