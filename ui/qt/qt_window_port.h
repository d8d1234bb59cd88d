#pragma once
// The window port of a dialog built from a definition: controls addressed
// by id, message boxes owned by the dialog, window timers, the modal runs of
// the task properties dialog and the history window, the open-file dialog
// and the desktop's viewer.
#include <QObject>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ui/window_port.h"

class QMessageBox;

namespace tikr::qt {

class ResourceDialog;

class QtWindowPort : public ui::WindowPort {
public:
    // The shortest and longest timer period this port starts: the check
    // period is 1 to 600 seconds, and a stored value outside that range
    // must neither spin the event loop nor stop the checks for good.
    static constexpr unsigned MIN_TIMER_PERIOD_MS = 1000;
    static constexpr unsigned MAX_TIMER_PERIOD_MS = 600000;

    explicit QtWindowPort(ResourceDialog& dialog);
    ~QtWindowPort() override;
    QtWindowPort(const QtWindowPort&) = delete;
    QtWindowPort& operator=(const QtWindowPort&) = delete;

    // Delivered for each tick of a timer started through SetTimer. The
    // tick is posted, not sent, so a reaction that waits in a nested event
    // loop does not hold back the next tick. A tick never comes before its
    // period has passed since the previous one (or the start): a check that
    // came a moment early would see the clock a second short of a run time
    // and put the run off by a whole period.
    std::function<void(unsigned id)> onTimer;
    // Called after EndDialog has ended the dialog.
    std::function<void(int result)> onEnd;

    // Gives the lines of list box id their tooltip and accessible
    // description: describe(line) tells the line's state in plain text and
    // is asked each time one of them is wanted.
    void DescribeLinesWith(int id, std::function<std::string(int line)> describe);

    bool Ended() const { return ended; }
    int Result() const { return result; }
    ResourceDialog& Dialog() { return dialog; }
    // The open notice, if one was shown.
    QMessageBox* Notice() const { return notice.get(); }

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
    int RunHistoryDialog(ui::HistoryDialog& history) override;
    bool OpenInViewer(const std::string& path) override;
    std::optional<std::string> ChooseFile(const std::string& filter) override;
    int ShowListMenu(int id, const std::vector<ui::MenuEntry>& entries) override;

private:
    struct TickTimer;
    void Arm(TickTimer& tick);
    void Fire(unsigned id);
    void Deliver(unsigned id, unsigned generation);

    ResourceDialog& dialog;
    QObject life;  // context of posted ticks: they are dropped once the port is gone
    std::map<unsigned, std::unique_ptr<TickTimer>> timers;
    unsigned timerGeneration = 0;
    std::unique_ptr<QMessageBox> notice;
    bool ended = false;
    int result = 0;
};

// Splits "description|pattern|description|pattern||" into Qt name filters
// "description (patterns)"; ";" between patterns becomes a blank and "*.*"
// becomes "*", since file names here need not contain a dot.
QStringList NameFiltersFromList(const std::string& filter);

}  // namespace tikr::qt
