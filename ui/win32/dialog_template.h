#pragma once
// In-memory dialog templates built from the dialog definitions of ui/res, so
// that the window system creates and lays out the controls itself in dialog
// units: the same ids, texts, styles, rectangles and tab order as the data.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/res/dialog_resources.h"
#include "ui/window_port.h"

namespace tikr::win32 {

namespace res = ui::res;

// The window class and style of one control: a predefined class is named by
// its atom (classAtom non-zero), any other by className.
struct ControlClass {
    WORD classAtom = 0;  // 0x0080 button, 0x0081 edit, 0x0082 static, 0x0083 list box, 0x0085 combo box
    const wchar_t* className = nullptr;
    DWORD style = 0;
};

ControlClass ControlClassOf(const res::ControlDef& control);

// The dialog's own window style: a pop-up with caption, close box and modal
// frame, not visible when created, with the definition's font.
DWORD DialogStyle();

// A DLGTEMPLATE with its items: the header and each item DWORD-aligned, the
// arrays WORD-aligned, every string UTF-16 (texts converted from the ANSI
// code page). windowClass names the dialog's own window class; empty for the
// system's dialog class. The vector's storage is suitably aligned.
std::vector<WORD> BuildDialogTemplate(const res::DialogDef& dialog, const std::string& windowClass = {});

// Sends the dialog manager the id of the definition's default push button,
// so Enter presses it.
void SetDefaultButton(HWND dialog, const res::DialogDef& definition);

// What a WM_COMMAND notification of control id means to the dialog's one
// dispatch: a press of a push button (or a command without a control, such
// as Escape's ID_CANCEL), a double-click or a selection change of a list, a
// selection change of a combo box. Nothing for notifications that mean
// nothing to the dialog (focus changes, edit changes).
std::optional<ui::ControlEvent> ControlEventOf(const res::DialogDef& dialog, int id, unsigned code);

// Widens every one-line static text of the dialog whose text, measured in
// the dialog's font, is wider than the control (never beyond the dialog's
// right edge), so that no label is cut off in the font actually in use.
void FitStaticTexts(HWND dialog);

// A control's text as it is shown: "&x" is x, "&&" is "&".
std::string WithoutMnemonics(const std::string& text);

inline const DLGTEMPLATE* AsTemplate(const std::vector<WORD>& data) {
    return reinterpret_cast<const DLGTEMPLATE*>(data.data());
}

}  // namespace tikr::win32
