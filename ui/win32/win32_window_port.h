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

#include "ui/window_port.h"

namespace tikr::win32 {

class Win32WindowPort : public ui::WindowPort {
public:
    // The shortest and longest timer period this port starts: a stored
    // check period outside 1..600 seconds must neither spin the loop nor
    // stop the checks for good.
    static constexpr unsigned MIN_TIMER_PERIOD_MS = 1000;
    static constexpr unsigned MAX_TIMER_PERIOD_MS = 600000;

    Win32WindowPort(HINSTANCE instance, HWND dialog) : instance(instance), dialog(dialog) {}
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

    // Gives the lines of list id a tip: a tooltip control with one tool
    // over the whole list, whose text is describe(line) for the line under
    // the pointer, asked each time the tip shows so it is always current
    // and asked again when the pointer moves to another line while it
    // shows; "\n" breaks the tip's lines. The window routes its WM_NOTIFY
    // to OnNotify. False when the list or the tooltip is missing.
    bool AddListTips(int id, std::function<std::string(int line)> describe);
    // A notification to the window: true when it was the tips' request for
    // text, which is then answered.
    bool OnNotify(NMHDR& header);
    HWND Tips() const { return tips; }

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
    // Watches the pointer over the list that has the tips.
    static LRESULT CALLBACK TipListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                        DWORD_PTR self);
    void OnTipListMouseMove(POINT client);

    HINSTANCE instance;
    HWND dialog;
    HWND notice = nullptr;  // the open notice, if any
    bool ended = false;
    int result = 0;

    HWND tips = nullptr;     // the tooltip control
    HWND tipList = nullptr;  // the list it serves, while it exists
    std::function<std::string(int line)> describeLine;
    POINT tipPoint{-1, -1};  // the pointer over the list, in its client coordinates
    int tipLine = -1;        // the line under it, -1 for none
    std::string tipText;     // the text the tooltip shows, kept while it shows it
};

// The point a mouse message or WM_CONTEXTMENU carries in lParam.
inline POINT PointOf(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

// The line of the list under a point in its client coordinates; -1 when the
// point is below the last line or outside the list's client area.
int ListLineAt(HWND list, POINT client);

// "description|pattern|...||" as the open-file dialog takes it: each part
// ended by a zero character and the list by one more.
std::string FileDialogFilter(const std::string& filter);

// Fills the properties dialog's combo boxes from the combo data.
void FillCombos(HWND dialog);

// The modal run of the task properties dialog, or of a task's history
// window, over owner: built from its template, its events delivered to the
// reactions. Returns the dialog's result (1 OK, 2 Cancel, -1 when it could
// not be created).
int RunPropertiesDialog(HINSTANCE instance, HWND owner, ui::TaskPropertiesDialog& properties);
int RunHistoryDialog(HINSTANCE instance, HWND owner, ui::HistoryDialog& history);
// path: UTF-8. False when no program could be started for it.
bool OpenWithAssociatedProgram(HWND owner, const std::string& path);

}  // namespace tikr::win32
