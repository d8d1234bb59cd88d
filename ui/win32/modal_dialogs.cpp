#include "ui/win32/modal_dialogs.h"

#include <memory>
#include <vector>

#include "ui/res/dialog_resources.h"
#include "ui/win32/dialog_object.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/win32_window_port.h"

namespace tikr::win32 {

namespace {

namespace res = ui::res;

// One run of a modal dialog made from its definition: the reactions and the
// port of the dialog window, which exists from WM_INITDIALOG on.
template <typename Logic>
class ModalWindow {
public:
    ModalWindow(HINSTANCE instance, Logic& logic, const res::DialogDef& definition, void (*prepare)(HWND))
        : instance(instance), logic(logic), definition(definition), prepare(prepare) {}

    int Run(HWND owner) {
        const std::vector<WORD> dialogTemplate = BuildDialogTemplate(definition);
        return static_cast<int>(DialogBoxIndirectParamA(instance, AsTemplate(dialogTemplate), owner, &DialogProc,
                                                        reinterpret_cast<LPARAM>(this)));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = DialogObject<ModalWindow>(hwnd, message, lParam);
        return self != nullptr ? self->HandleMessage(hwnd, message, wParam) : FALSE;
    }

    INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam) {
        switch (message) {
        case WM_INITDIALOG:
            if (prepare != nullptr) prepare(hwnd);
            SetDefaultButton(hwnd, definition);
            FitStaticTexts(hwnd);
            port = std::make_unique<Win32WindowPort>(instance, hwnd);
            logic.Attach(*port);
            logic.OnInitDialog();
            return TRUE;  // the focus goes to the first tab stop
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        default: return FALSE;
        }
    }

    void OnCommand(int id, unsigned code) {
        if (!port || port->Ended()) return;
        if (const auto event = ControlEventOf(definition, id, code)) logic.OnCommand(id, *event);
    }

    HINSTANCE instance;
    Logic& logic;
    const res::DialogDef& definition;
    void (*prepare)(HWND);
    std::unique_ptr<Win32WindowPort> port;
};

}  // namespace

void FillCombos(HWND dialog) {
    for (const res::ComboInitData& combo : res::TaskPropertiesComboData()) {
        for (const char* entry : combo.entries) {
            SendDlgItemMessageA(dialog, combo.controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        }
    }
}

int RunPropertiesDialog(HINSTANCE instance, HWND owner, ui::TaskPropertiesDialog& properties) {
    // The title field, the first tab stop, takes the focus.
    return ModalWindow(instance, properties, res::TaskPropertiesDialogResource(), &FillCombos).Run(owner);
}

int RunHistoryDialog(HINSTANCE instance, HWND owner, ui::HistoryDialog& history) {
    // The list of runs, the first tab stop, takes the focus.
    return ModalWindow(instance, history, res::TaskHistoryDialogResource(), nullptr).Run(owner);
}

}  // namespace tikr::win32
