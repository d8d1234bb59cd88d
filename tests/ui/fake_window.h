#pragma once
// A hand-written window and tray for the window reactions: it holds the
// state of every control by id, records what the reactions did, answers
// message boxes by recording them, and lets a test script the modal
// properties dialog and the open-file dialog.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/history_dialog.h"
#include "ui/task_properties_dialog.h"
#include "ui/tray_port.h"
#include "ui/window_port.h"

namespace tikr::test {

struct FakeControl {
    std::string text;
    bool allSelected = false;  // SelectAllText since the last SetText
    std::optional<int> textLimit;
    int check = 0;
    int comboEntries = 0;  // entries of a combo box
    int comboSelection = -1;
    std::vector<std::string> lines;  // list box
    int listSelection = -1;
    bool visible = true;
    bool enabled = true;
    std::optional<std::pair<int, int>> upDownRange;
    std::string toolTip;
};

class FakeWindow : public ui::WindowPort, public ui::TrayPort {
public:
    // --- control state
    FakeControl& Control(int id) { return controls[id]; }
    const std::string& Text(int id) { return controls[id].text; }
    bool Visible(int id) { return controls[id].visible; }
    bool Enabled(int id) { return controls[id].enabled; }
    // The user types into an edit field.
    void Type(int id, std::string text) { SetText(id, std::move(text)); }
    // The user picks a combo entry (no notification is sent).
    void Pick(int id, int index) { SetComboSelection(id, index); }
    void SetComboEntries(int id, int count) { controls[id].comboEntries = count; }

    // --- WindowPort
    void SetText(int id, const std::string& text) override {
        controls[id].text = text;
        controls[id].allSelected = false;
    }
    std::string GetText(int id) override { return controls[id].text; }
    void LimitText(int id, int maxChars) override { controls[id].textLimit = maxChars; }
    void SelectAllText(int id) override { controls[id].allSelected = true; }

    void SetCheck(int id, int state) override { controls[id].check = state; }
    int GetCheck(int id) override { return controls[id].check; }

    void SetComboSelection(int id, int index) override {
        FakeControl& c = controls[id];
        c.comboSelection = index >= 0 && index < c.comboEntries ? index : -1;
    }
    int GetComboSelection(int id) override { return controls[id].comboSelection; }

    void ListReset(int id) override {
        controls[id].lines.clear();
        controls[id].listSelection = -1;
        calls.push_back("ListReset");
    }
    void ListAddString(int id, const std::string& text) override { controls[id].lines.push_back(text); }
    int ListGetCount(int id) override { return static_cast<int>(controls[id].lines.size()); }
    int ListGetSelection(int id) override { return controls[id].listSelection; }
    void ListSetSelection(int id, int index) override {
        FakeControl& c = controls[id];
        c.listSelection = index >= 0 && index < static_cast<int>(c.lines.size()) ? index : -1;
    }

    void SetUpDownRange(int id, int lower, int upper) override {
        controls[id].upDownRange = std::make_pair(lower, upper);
        calls.push_back("SetUpDownRange " + std::to_string(id));
    }

    void ShowControl(int id, bool show) override {
        controls[id].visible = show;
        calls.push_back((show ? "Show " : "Hide ") + std::to_string(id));
    }
    void EnableControl(int id, bool enable) override { controls[id].enabled = enable; }
    void SetFocus(int id) override { focus = id; }
    void SetToolTip(int id, const std::string& text) override { controls[id].toolTip = text; }

    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.emplace_back(text, caption);
        calls.push_back("ShowMessage");
    }

    void ShowNotice(const std::string& text, const std::string& caption) override {
        notices.emplace_back(text, caption);
        calls.push_back("ShowNotice");
    }

    bool IsWindowVisible() override { return windowVisible; }
    void ShowWindow(bool show) override {
        windowVisible = show;
        calls.push_back(show ? "ShowWindow" : "HideWindow");
    }
    void SetForeground() override { calls.push_back("SetForeground"); }
    void EndDialog(int result) override {
        endResult = result;
        calls.push_back("EndDialog " + std::to_string(result));
    }

    unsigned SetTimer(unsigned id, unsigned periodMs) override {
        calls.push_back("SetTimer " + std::to_string(periodMs));
        if (!timerWorks) return 0;
        timers[id] = periodMs;
        return id;
    }
    void KillTimer(unsigned id) override {
        timers.erase(id);
        calls.push_back("KillTimer " + std::to_string(id));
    }

    int RunPropertiesDialog(ui::TaskPropertiesDialog& dialog) override {
        ++propertiesRuns;
        return runProperties ? runProperties(dialog) : 2;
    }

    int RunHistoryDialog(ui::HistoryDialog& dialog) override {
        ++historyRuns;
        return runHistory ? runHistory(dialog) : 2;
    }

    bool OpenInViewer(const std::string& path) override {
        opened.push_back(path);
        return viewerWorks;
    }

    std::optional<std::string> ChooseFile(const std::string& filter) override {
        chooseFileFilters.push_back(filter);
        return chosenFile;
    }

    int ShowListMenu(int id, const std::vector<ui::MenuEntry>& entries) override {
        menus.push_back(entries);
        calls.push_back("ShowListMenu " + std::to_string(id));
        return menuChoice;
    }

    // --- TrayPort
    bool TrayAdd(const std::string& tip) override {
        trayCalls.push_back("add " + tip);
        return trayAddWorks;
    }
    bool TrayModify(const std::string& tip) override {
        trayCalls.push_back("modify " + tip);
        return trayModifyWorks;
    }
    bool TrayNotify(const std::string& title, const std::string& text) override {
        trayCalls.push_back("notify " + title + " | " + text);
        return true;
    }
    bool DesktopNotify(const std::string& title, const std::string& text) override {
        trayCalls.push_back("desktop notify " + title + " | " + text);
        return desktopNotifyWorks;
    }
    bool TrayDelete() override {
        trayCalls.push_back("delete");
        if (onTrayDelete) onTrayDelete();
        return trayDeleteWorks;
    }

    // --- state and scripting
    std::map<int, FakeControl> controls;
    std::optional<int> focus;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::vector<std::pair<std::string, std::string>> notices;   // text, caption
    std::vector<std::string> calls;
    bool windowVisible = false;
    std::optional<int> endResult;

    bool timerWorks = true;
    std::map<unsigned, unsigned> timers;  // running timers: id -> period in ms

    std::function<int(ui::TaskPropertiesDialog&)> runProperties;
    int propertiesRuns = 0;

    std::vector<std::vector<ui::MenuEntry>> menus;  // every menu shown
    int menuChoice = 0;                             // what the user picks

    std::function<int(ui::HistoryDialog&)> runHistory;
    int historyRuns = 0;
    std::vector<std::string> opened;  // files opened in the viewer
    bool viewerWorks = true;

    std::optional<std::string> chosenFile;
    std::vector<std::string> chooseFileFilters;

    bool trayAddWorks = true;
    bool trayModifyWorks = true;
    bool desktopNotifyWorks = true;  // a notification service on the bus
    bool trayDeleteWorks = true;
    std::vector<std::string> trayCalls;
    std::function<void()> onTrayDelete;
};

}  // namespace tikr::test
