// The names a screen reader announces for every control of both dialogs,
// and that the window system's own rule (a text-less control is named by
// the static text before it in tab order) gives the same names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/res/accessible_names.h"
#include "ui/res/resource_ids.h"

namespace tikr::ui::res {
namespace {

TEST(AccessibleNames, MarkersGoAndADoubledMarkerStaysOne) {
    EXPECT_EQ(WithoutMnemonic("E&xit"), "Exit");
    EXPECT_EQ(WithoutMnemonic("Tom && &Jerry"), "Tom & Jerry");
    EXPECT_EQ(WithoutMnemonic("&&&a"), "&a");
    EXPECT_EQ(WithoutMnemonic("end&"), "end");
    EXPECT_EQ(WithoutMnemonic(""), "");
}

// Checked by hand, control by control in template order.
TEST(AccessibleNames, EveryControlOfEachDialogHasItsName) {
    const std::vector<std::string> scheduler{
        "The following tasks are scheduled",
        "The following tasks are scheduled",  // the task list
        "Add...",
        "Remove",
        "Properties",
        "Scheduler Settings",
        "Check every",
        "Check every",  // interval field
        "Check every",  // its up-down control
        "Seconds",
        "Hide on Startup",
        "Show Taskbar Icon",
        "Start at Login",
        "Hide",
        "Exit",
    };
    const std::vector<std::string> properties{
        "Title :",
        "Title",
        "Disabled",
        "Schedule",
        "Timing :",
        "Timing",
        "At :",
        "Hrs",
        "Hrs",  // hour field
        "Hrs",  // its up-down control
        "Min",
        "Min",  // minute field
        "Min",  // its up-down control
        "Skip :",
        "Mon",
        "Tue",
        "Wed",
        "Thu",
        "Fri",
        "Sat",
        "Sun",
        "Day of Week :",
        "Day of Week",
        "Date :",
        "Date",  // day-of-month field
        "Date",  // its up-down control
        "Task",
        "Do what :",
        "Do what",
        "Command Line :",
        "Command Line",
        "Browse",  // the "..." button
        "Message :",
        "Message",
        "Run on Startup if schedule was missed because scheduler was not active",
        "OK",
        "Cancel",
        "If still running:",
        "If still running",
        "Stop after",
        "Stop after",  // hours
        "Stop after",  // their up-down control
        "Hrs",
        "Min",
        "Min",  // minutes
        "Min",  // their up-down control
    };
    const std::vector<std::string> history{
        "Task:",  // the task's title, set by the window
        "Runs, newest first:",
        "Runs, newest first",  // the list of runs
        "Open Output",
        "Close",
    };
    for (const auto& [def, expected] :
         {std::pair{&SchedulerDialogResource(), &scheduler}, std::pair{&TaskPropertiesDialogResource(), &properties},
          std::pair{&TaskHistoryDialogResource(), &history}}) {
        ASSERT_EQ(def->controls.size(), expected->size());
        for (std::size_t i = 0; i < expected->size(); ++i) {
            SCOPED_TRACE(std::string(def->caption) + " control " + std::to_string(i));
            EXPECT_EQ(AccessibleNameOf(*def, i), (*expected)[i]);
        }
        EXPECT_EQ(AccessibleNameOf(*def, def->controls.size()), "");
    }
}

// The Win32 front end has no names of its own: the window system takes a
// text-less control's name from the static text before it in tab order
// (keeping a trailing colon) and a control's own text otherwise. Both give
// the names above, except where the table of explicit names steps in.
TEST(AccessibleNames, TheWindowSystemsLabelRuleGivesTheSameNames) {
    for (const DialogDef* def :
         {&SchedulerDialogResource(), &TaskPropertiesDialogResource(), &TaskHistoryDialogResource()}) {
        for (std::size_t i = 0; i < def->controls.size(); ++i) {
            const ControlDef& control = def->controls[i];
            SCOPED_TRACE(std::string(def->caption) + " control " + std::to_string(i));
            EXPECT_FALSE(LabelNameOf(*def, i).empty());
            if (control.id == IDC_BROWSE) {
                EXPECT_EQ(LabelNameOf(*def, i), "...");
                continue;
            }
            EXPECT_EQ(LabelNameOf(*def, i), AccessibleNameOf(*def, i));
            // An up-down control follows its field directly, so both share
            // the field's label.
            if (control.kind == ControlKind::upDown) {
                ASSERT_GT(i, 0u);
                EXPECT_EQ(def->controls[i - 1].kind, ControlKind::editField);
                EXPECT_EQ(LabelNameOf(*def, i), LabelNameOf(*def, i - 1));
            }
        }
    }
}

}  // namespace
}  // namespace tikr::ui::res
