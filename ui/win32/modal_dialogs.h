#pragma once
// The modal windows over the main window: the task properties dialog and a
// task's history, each built from its dialog data.
#include <windows.h>

#include "ui/history_dialog.h"
#include "ui/task_properties_dialog.h"

namespace tikr::win32 {

// Fills the properties dialog's combo boxes from the combo data.
void FillCombos(HWND dialog);

// The modal run of the task properties dialog, or of a task's history
// window, over owner: built from its template, its events delivered to the
// reactions. Returns the dialog's result (1 OK, 2 Cancel, -1 when it could
// not be created).
int RunPropertiesDialog(HINSTANCE instance, HWND owner, ui::TaskPropertiesDialog& properties);
int RunHistoryDialog(HINSTANCE instance, HWND owner, ui::HistoryDialog& history);

}  // namespace tikr::win32
