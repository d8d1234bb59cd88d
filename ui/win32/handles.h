#pragma once
// Owners of the window system's handles: each is released exactly once,
// however its owner goes away.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace tikr::win32 {

struct IconDeleter {
    void operator()(HICON icon) const {
        if (icon != nullptr) DestroyIcon(icon);
    }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// The application icon (resource 128) at the given size in pixels; null
// when the program carries no such icon.
IconHandle LoadAppIcon(HINSTANCE instance, int size);

// A window class registered for the life of the object.
class RegisteredClass {
public:
    RegisteredClass(HINSTANCE instance, std::string name, ATOM atom)
        : instance(instance), name(std::move(name)), atom(atom) {}
    ~RegisteredClass() {
        if (atom != 0) UnregisterClassA(name.c_str(), instance);
    }
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;
    bool Registered() const { return atom != 0; }

private:
    HINSTANCE instance;
    std::string name;
    ATOM atom;
};

// A dialog class of our own named `name`: the system's dialog class (its
// window procedure and extra bytes) under another name, with the icon.
std::unique_ptr<RegisteredClass> RegisterDialogClass(HINSTANCE instance, const std::string& name, HICON icon,
                                                     HICON smallIcon);

}  // namespace tikr::win32
