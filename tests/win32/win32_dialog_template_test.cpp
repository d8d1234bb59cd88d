// The dialogs created from their templates carry every control of the
// resource data, in the tab order of the template.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_instance_guard.h"
#include "ui/res/dialog_resources.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/handles.h"
#include "win32_test_window.h"

namespace tikr::test {
namespace {

namespace res = ui::res;

// The window class each kind of control must have.
std::string ExpectedClass(res::ControlKind kind) {
    switch (kind) {
    case res::ControlKind::staticText: return "Static";
    case res::ControlKind::groupBox:
    case res::ControlKind::pushButton:
    case res::ControlKind::checkBox: return "Button";
    case res::ControlKind::editField: return "Edit";
    case res::ControlKind::listBox: return "ListBox";
    case res::ControlKind::comboDropList: return "ComboBox";
    case res::ControlKind::upDown: return UPDOWN_CLASSA;
    }
    return {};
}

void ExpectMatchesDefinition(HWND dialog, const res::DialogDef& def) {
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), def.caption);
    const LONG dialogStyle = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_TRUE(dialogStyle & WS_CAPTION);
    EXPECT_TRUE(dialogStyle & WS_SYSMENU);
    EXPECT_FALSE(dialogStyle & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(dialogStyle & WS_VISIBLE);

    const std::vector<HWND> children = Children(dialog);
    ASSERT_EQ(children.size(), def.controls.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        const res::ControlDef& control = def.controls[i];
        HWND child = children[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(control.id));
        // Creation order is the template order, which is the tab order.
        EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, control.id);
        EXPECT_STRCASEEQ(ClassOf(child).c_str(), ExpectedClass(control.kind).c_str());
        const bool hasText = control.kind != res::ControlKind::editField && control.kind != res::ControlKind::listBox &&
                             control.kind != res::ControlKind::comboDropList;
        if (hasText) {
            EXPECT_EQ(WindowText(child), control.text);
        }

        const LONG style = GetWindowLongA(child, GWL_STYLE);
        EXPECT_EQ((style & WS_VISIBLE) != 0, control.visible);
        EXPECT_EQ((style & WS_TABSTOP) != 0, (control.style & res::STYLE_TABSTOP) != 0);
        EXPECT_EQ((style & WS_GROUP) != 0, (control.style & res::STYLE_GROUP) != 0);
        // An up-down is attached to the control before it.
        if (control.kind == res::ControlKind::upDown) {
            EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(child, UDM_GETBUDDY, 0, 0)), children[i - 1]);
        }

        // Laid out by the window system from dialog units; an up-down moves
        // onto its buddy and a combo box's height includes its list.
        if (control.kind == res::ControlKind::upDown) continue;
        // Position and size map from dialog units each on its own.
        RECT expected{control.x, control.y, control.width, control.height};
        MapDialogRect(dialog, &expected);
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        const bool hasBuddy = i + 1 < def.controls.size() && def.controls[i + 1].kind == res::ControlKind::upDown;
        if (!hasBuddy) {
            EXPECT_EQ(actual.right - actual.left, expected.right);
        }
        if (control.kind != res::ControlKind::comboDropList) {
            EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
        }
    }
}

TEST(Win32DialogTemplate, BothDialogsCarryEveryControlOfTheirResource) {
    const win32::IconHandle icon = win32::LoadAppIcon(Instance(), 32);
    const auto mainClass = win32::RegisterDialogClass(Instance(), MAIN_WINDOW_CLASS, icon.get(), nullptr);
    ASSERT_TRUE(mainClass->Registered());
    {
        TemplateDialog main(res::SchedulerDialogResource(), MAIN_WINDOW_CLASS);
        ExpectMatchesDefinition(main.hwnd, res::SchedulerDialogResource());
        // A later start finds the main window by its class, hidden or not.
        EXPECT_EQ(FindWindowA(MAIN_WINDOW_CLASS, nullptr), main.hwnd);
        EXPECT_EQ(FindWindowA(nullptr, "Tikr"), main.hwnd);
    }
    TemplateDialog properties(res::TaskPropertiesDialogResource());
    ExpectMatchesDefinition(properties.hwnd, res::TaskPropertiesDialogResource());

    // Tab moves through the visible tab stops in template order, wrapping.
    std::vector<int> expectedStops;
    for (const res::ControlDef& control : res::TaskPropertiesDialogResource().controls)
        if (control.visible && (control.style & res::STYLE_TABSTOP)) expectedStops.push_back(control.id);
    std::vector<int> stops;
    HWND first = GetNextDlgTabItem(properties.hwnd, nullptr, FALSE);
    HWND at = first;
    do {
        stops.push_back(GetDlgCtrlID(at) & 0xFFFF);
        at = GetNextDlgTabItem(properties.hwnd, at, FALSE);
    } while (at != nullptr && at != first && stops.size() < 64);
    EXPECT_EQ(stops, expectedStops);
}

}  // namespace
}  // namespace tikr::test
