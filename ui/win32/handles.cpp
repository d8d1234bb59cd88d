#include "ui/win32/handles.h"

#include "ui/res/resource_ids.h"

namespace tikr::win32 {

IconHandle LoadAppIcon(HINSTANCE instance, int size) {
    return IconHandle(static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(ui::res::IDR_MAINFRAME), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

std::unique_ptr<RegisteredClass> RegisterDialogClass(HINSTANCE instance, const std::string& name, HICON icon,
                                                     HICON smallIcon) {
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof(cls);
    ATOM atom = 0;
    // The system's dialog class, "#32770": DefDlgProc and DLGWINDOWEXTRA.
    if (GetClassInfoExA(nullptr, MAKEINTRESOURCEA(32770), &cls)) {
        cls.cbSize = sizeof(cls);
        cls.hInstance = instance;
        cls.lpszClassName = name.c_str();
        cls.hIcon = icon;
        cls.hIconSm = smallIcon;
        cls.cbWndExtra = DLGWINDOWEXTRA;
        atom = RegisterClassExA(&cls);
    }
    return std::make_unique<RegisteredClass>(instance, name, atom);
}

}  // namespace tikr::win32
