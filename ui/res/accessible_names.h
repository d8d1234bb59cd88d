#pragma once
// The names a screen reader announces for the controls of the two dialogs,
// worked out from the dialog data alone, so that every front end and the
// tests give the same answer.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "ui/res/dialog_resources.h"

namespace tikr::ui::res {

// A control text without its mnemonic marker: each single "&" goes, a
// doubled "&&" stays as one "&".
std::string WithoutMnemonic(std::string_view text);

// True for the kinds that show a text of their own (buttons, check boxes,
// group boxes, static texts).
bool HasOwnText(ControlKind kind);

// The static text that names a control without text of its own: the
// nearest static text before it in template order (the tab order). None for
// a control with a text of its own, or with no static text before it.
std::optional<std::size_t> LabelIndexOf(const DialogDef& dialog, std::size_t controlIndex);

// The name the window system derives for a control: its own text without
// the marker, or, for a control without text of its own, the text of the
// nearest static text before it in template order (the tab order) without
// the marker and without a trailing ":" or " :". Empty when there is none.
std::string LabelNameOf(const DialogDef& dialog, std::size_t controlIndex);

// The control's accessible name: the label name, unless the control is in
// the table of explicit names because that rule gives a name that says
// nothing (the "..." browse button).
std::string AccessibleNameOf(const DialogDef& dialog, std::size_t controlIndex);

}  // namespace tikr::ui::res
