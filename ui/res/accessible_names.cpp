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

std::optional<std::size_t> LabelIndexOf(const DialogDef& dialog, std::size_t controlIndex) {
    if (controlIndex >= dialog.controls.size() || HasOwnText(dialog.controls[controlIndex].kind)) return std::nullopt;
    for (std::size_t i = controlIndex; i-- > 0;) {
        if (dialog.controls[i].kind == ControlKind::staticText) return i;
    }
    return std::nullopt;
}

std::string LabelNameOf(const DialogDef& dialog, std::size_t controlIndex) {
    if (controlIndex >= dialog.controls.size()) return {};
    const ControlDef& control = dialog.controls[controlIndex];
    const char* text = control.text;
    if (!HasOwnText(control.kind)) {
        const auto label = LabelIndexOf(dialog, controlIndex);
        if (!label) return {};
        text = dialog.controls[*label].text;
    }
    if (text == nullptr) return {};
    return HasOwnText(control.kind) ? WithoutMnemonic(text) : WithoutTrailingColon(WithoutMnemonic(text));
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
