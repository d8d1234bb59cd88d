#pragma once
// The dialog definitions and the combo initialisation data, kept as
// data that a front end builds its windows from. Rectangles are in dialog
// units; controls are listed in template order, which is the tab order.
// A control without a text of its own is named by the nearest static text
// before it (see accessible_names.h).
#include <span>

namespace tikr::ui::res {

enum class ControlKind {
    staticText,
    groupBox,
    editField,
    listBox,
    pushButton,
    checkBox,       // automatic check box
    comboDropList,  // drop-down list; height includes the dropped list
    upDown,         // attached to the preceding control
};

// Style flags of a control.
enum ControlStyle : unsigned {
    STYLE_NONE = 0,
    STYLE_TABSTOP = 1u << 0,
    STYLE_BORDER = 1u << 1,
    STYLE_AUTOHSCROLL = 1u << 2,  // edit field scrolls; without it typing stops at the visible width
    STYLE_NUMBER = 1u << 3,       // edit field takes digits only
    STYLE_VSCROLL = 1u << 4,
    STYLE_NOTIFY = 1u << 5,
    STYLE_DEFAULT_BUTTON = 1u << 6,  // Enter presses it
    STYLE_MULTILINE = 1u << 7,       // check box text wraps, aligned to the top
    STYLE_UD_WRAP = 1u << 8,         // up-down wraps around at its ends
    STYLE_UD_SETBUDDYINT = 1u << 9,
    STYLE_UD_ALIGNRIGHT = 1u << 10,
    STYLE_UD_ARROWKEYS = 1u << 11,
    STYLE_UD_NOTHOUSANDS = 1u << 12,
    STYLE_GROUP = 1u << 13,     // starts a new control group
    STYLE_NOPREFIX = 1u << 14,  // static text shown as it is: "&" marks no mnemonic
};

struct ControlDef {
    int id;
    ControlKind kind;
    const char* text;  // with "&" before the mnemonic letter
    int x, y, width, height;
    bool visible;  // visible when the dialog is created
    unsigned style;
};

struct DialogDef {
    int id;
    const char* caption;
    const char* fontName;
    int fontPointSize;
    int width, height;
    std::span<const ControlDef> controls;
};

struct ComboInitData {
    int controlId;
    std::span<const char* const> entries;  // index 0 first
};

const DialogDef& SchedulerDialogResource();       // dialog 130, "Tikr"
const DialogDef& TaskPropertiesDialogResource();  // dialog 132
const DialogDef& TaskHistoryDialogResource();     // dialog 134, a task's history of runs
// Filled into the properties dialog's combo boxes in this order before any
// value is exchanged.
std::span<const ComboInitData> TaskPropertiesComboData();

}  // namespace tikr::ui::res
