#pragma once
// The small port through which the window reactions reach the window
// system. One port serves one dialog window; controls are addressed by the
// control ids of the dialog definitions in ui/res. The Qt front end
// implements it with widgets, the tests with a fake that records calls.
#include <optional>
#include <string>
#include <vector>

namespace tikr::ui {

class HistoryDialog;
class TaskPropertiesDialog;

// What happened to a control, as the front end reports it to a dialog's
// one dispatch (OnCommand): a push button was pressed, a list line was
// double-clicked, or the user changed the selection of a list or a combo
// box (a selection the program sets is not reported).
// A list's contextMenu comes from a right-click on one of its lines (which
// the front end first selects, reporting the change), from the Menu key or
// from Shift+F10 while the list has the focus.
enum class ControlEvent { clicked, doubleClicked, selectionChanged, contextMenu };

// One entry of a pop-up menu: the command id it sends and its text, with
// "&" before the mnemonic letter.
struct MenuEntry {
    int id;
    std::string text;
};

class WindowPort {
public:
    virtual ~WindowPort() = default;

    // Edit fields and static texts.
    virtual void SetText(int id, const std::string& text) = 0;
    virtual std::string GetText(int id) = 0;
    // Tells an edit field to accept at most maxChars typed characters.
    virtual void LimitText(int id, int maxChars) = 0;
    virtual void SelectAllText(int id) = 0;

    // Check boxes: 0 clear, 1 checked.
    virtual void SetCheck(int id, int state) = 0;
    virtual int GetCheck(int id) = 0;

    // Combo boxes (drop-down lists filled from the dialog's combo data):
    // an index without an entry leaves no selection; -1 when none.
    virtual void SetComboSelection(int id, int index) = 0;
    virtual int GetComboSelection(int id) = 0;

    // List box lines and selection (-1: none).
    virtual void ListReset(int id) = 0;
    virtual void ListAddString(int id, const std::string& text) = 0;
    virtual int ListGetCount(int id) = 0;
    virtual int ListGetSelection(int id) = 0;
    virtual void ListSetSelection(int id, int index) = 0;

    // Shows a pop-up menu for the list's selected line: at the mouse pointer
    // when a mouse button asked for it, else beside that line. Returns the
    // chosen entry's id, 0 when the menu was dismissed.
    virtual int ShowListMenu(int id, const std::vector<MenuEntry>& entries) = 0;

    // Up-down controls.
    virtual void SetUpDownRange(int id, int lower, int upper) = 0;

    // Any control.
    virtual void ShowControl(int id, bool show) = 0;
    virtual void EnableControl(int id, bool enable) = 0;
    virtual void SetFocus(int id) = 0;
    // The tooltip shown while the mouse rests on the control; it is also
    // the control's accessible description.
    virtual void SetToolTip(int id, const std::string& text) = 0;

    // A message box owned by this window with an OK button and the warning
    // icon; returns when dismissed. The texts of ShowMessage and ShowNotice
    // are the program's own words, paths and system reasons, in UTF-8 (no
    // text read from the profile file).
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;

    // A notice that does not wait: shown beside this window, not modal, and
    // the call returns at once (a later notice replaces an open one), so the
    // timer's checks go on while the user has not yet read it.
    virtual void ShowNotice(const std::string& text, const std::string& caption) = 0;

    // The window itself.
    virtual void ShowWindow(bool show) = 0;
    // Whether the window is shown now (minimised counts as shown).
    virtual bool IsWindowVisible() = 0;
    // Brings the window to the foreground; while a modal window over it is
    // open (the properties dialog, a message box of its own), that one comes
    // forward with the keyboard focus instead, since this one takes no input.
    virtual void SetForeground() = 0;
    // Ends the window's modal run with the result.
    virtual void EndDialog(int result) = 0;

    // The window timer: returns id on success, 0 on failure. A running
    // timer with the same id is replaced.
    virtual unsigned SetTimer(unsigned id, unsigned periodMs) = 0;
    virtual void KillTimer(unsigned id) = 0;

    // Runs the task properties dialog modally, owned by this window (which
    // is disabled meanwhile); returns its result (1 OK, 2 Cancel).
    virtual int RunPropertiesDialog(TaskPropertiesDialog& dialog) = 0;

    // Runs a task's history window modally, owned by this window (which is
    // disabled meanwhile; its timer goes on); returns its result (2 when
    // closed).
    virtual int RunHistoryDialog(HistoryDialog& dialog) = 0;

    // Opens the file in the program the desktop shows such files with (on
    // Linux the file's default application, on Windows the program
    // associated with it), without waiting for it. False when no program
    // could be started for it.
    virtual bool OpenInViewer(const std::string& path) = 0;

    // The open-file dialog, modal over this window. filter is the list of
    // "description|pattern|" pairs ended by one more "|". The chosen file's
    // full path, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFile(const std::string& filter) = 0;
};

}  // namespace tikr::ui
