#pragma once
// The core's services on a profile file in a fresh directory, with a fake
// clock, launcher and message display, and helpers that open the task
// properties dialog on a fake window laid out like its resource.
#include <functional>
#include <string>

#include "core_env.h"
#include "fake_window.h"
#include "ui/res/resource_ids.h"
#include "ui/task_properties_dialog.h"

namespace tikr::test {

inline constexpr const char* APP_TITLE = "tikr";

// Entry counts of the three combo boxes of the properties dialog.
inline constexpr int TIMING_ENTRIES = 4;
inline constexpr int DAY_OF_WEEK_ENTRIES = 7;
inline constexpr int ACTION_ENTRIES = 2;

// The core's services on a fresh profile file (see CoreEnv).
using UiEnv = CoreEnv;

// The lines of one section, its header included, as they are in the file;
// empty when the file has no such section.
inline std::string SectionText(const std::string& file, const std::string& section) {
    std::string header = "[" + section + "]";
    std::string out;
    bool inside = false;
    std::size_t pos = 0;
    while (pos < file.size()) {
        std::size_t end = file.find('\n', pos);
        if (end == std::string::npos) end = file.size();
        std::string line = file.substr(pos, end - pos);
        if (!line.empty() && line[0] == '[') inside = line.rfind(header, 0) == 0;
        if (inside) out += line + "\n";
        pos = end + 1;
    }
    return out;
}

// The properties dialog's controls as the resource creates them: the row
// controls hidden, the combo boxes filled.
inline void LayOutPropertiesDialog(FakeWindow& window) {
    using namespace ui::res;
    for (int id : {IDC_SKIP_SUN, IDC_SKIP_MON, IDC_SKIP_TUE, IDC_SKIP_WED, IDC_SKIP_THU, IDC_SKIP_FRI, IDC_SKIP_SAT,
                   IDC_SKIP_LABEL, IDC_DAY_OF_WEEK, IDC_DAY_OF_WEEK_LABEL, IDC_DAY_OF_MONTH, IDC_DAY_OF_MONTH_SPIN,
                   IDC_DATE_LABEL, IDC_COMMAND_LINE, IDC_COMMAND_LABEL, IDC_BROWSE, IDC_MESSAGE, IDC_MESSAGE_LABEL})
        window.Control(id).visible = false;
    window.SetComboEntries(IDC_TIMING, TIMING_ENTRIES);
    window.SetComboEntries(IDC_DAY_OF_WEEK, DAY_OF_WEEK_ENTRIES);
    window.SetComboEntries(IDC_ACTION, ACTION_ENTRIES);
    window.SetComboEntries(IDC_IF_STILL_RUNNING, 3);
}

// Makes every properties dialog run from `main` open on a fresh dialog
// window, let `edit` act as the user, and then press OK (when `pressOk`)
// or Cancel. The run returns the dialog's end result; an OK that failed
// validation is followed by Cancel, as a user giving up would do.
inline void ScriptPropertiesDialog(FakeWindow& main, std::function<void(FakeWindow&, ui::TaskPropertiesDialog&)> edit,
                                   bool pressOk) {
    main.runProperties = [edit, pressOk](ui::TaskPropertiesDialog& dialog) {
        FakeWindow window;
        LayOutPropertiesDialog(window);
        dialog.Attach(window);
        dialog.OnInitDialog();
        if (edit) edit(window, dialog);
        if (!pressOk || !dialog.OnOK()) dialog.OnCancel();
        return window.endResult.value_or(0);
    };
}

}  // namespace tikr::test
