#include "ui/res/accessible_names.h"

#include "ui/res/resource_ids.h"

namespace tikr::ui::res {

namespace {

struct ExplicitName {
    int dialogId;
    int controlId;
    const char* name;
};

// Controls whose label name would be wrong or say nothing.
constexpr ExplicitName explicitNames[] = {
    // The button beside the command line shows "..." only.
    {IDD_TASK_PROPERTIES, IDC_BROWSE, "Browse"},
};

std::string WithoutTrailingColon(std::string text) {
    if (!text.empty() && text.back() == ':') text.pop_back();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

std::string WithoutMnemonic(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A marker is dropped and the character after it kept, which keeps
        // one "&" of "&&".
        if (text[i] == '&' && ++i == text.size()) break;
        result += text[i];
    }
    return result;
}

bool HasOwnText(ControlKind kind) {
    switch (kind) {
    case ControlKind::staticText:
    case ControlKind::groupBox:
    case ControlKind::pushButton:
    case ControlKind::checkBox: return true;
    case ControlKind::editField:
    case ControlKind::listBox:
    case ControlKind::comboDropList:
    case ControlKind::upDown: return false;
    }
    return false;
}

std::string LabelNameOf(const DialogDef& dialog, std::size_t controlIndex) {
    if (controlIndex >= dialog.controls.size()) return {};
    const ControlDef& control = dialog.controls[controlIndex];
    if (HasOwnText(control.kind)) return WithoutMnemonic(control.text != nullptr ? control.text : "");
    for (std::size_t i = controlIndex; i-- > 0;) {
        const ControlDef& before = dialog.controls[i];
        if (before.kind == ControlKind::staticText && before.text != nullptr) {
            return WithoutTrailingColon(WithoutMnemonic(before.text));
        }
    }
    return {};
}

std::string AccessibleNameOf(const DialogDef& dialog, std::size_t controlIndex) {
    if (controlIndex >= dialog.controls.size()) return {};
    const int controlId = dialog.controls[controlIndex].id;
    for (const ExplicitName& entry : explicitNames) {
        if (entry.dialogId == dialog.id && entry.controlId == controlId) return entry.name;
    }
    return LabelNameOf(dialog, controlIndex);
}

}  // namespace tikr::ui::res
