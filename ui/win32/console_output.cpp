#include "ui/win32/console_output.h"

#include <algorithm>

#include "platform/win32/wide_text.h"

namespace tikr::win32 {

namespace {

// A handle the program was given: a console, a file or a pipe.
HANDLE Given(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return ::GetFileType(handle) == FILE_TYPE_UNKNOWN ? nullptr : handle;
}

}  // namespace

ConsoleOutput::ConsoleOutput() : output(Given(STD_OUTPUT_HANDLE)), error(Given(STD_ERROR_HANDLE)) {
    if (output != nullptr && error != nullptr) return;
    // Started from a command prompt without redirection: a GUI program gets
    // no handles, but may use the prompt's console.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        console = nullptr;
        return;
    }
    if (output == nullptr) output = console;
    if (error == nullptr) error = console;
}

ConsoleOutput::~ConsoleOutput() {
    if (console != nullptr) ::CloseHandle(console);
}

bool ConsoleOutput::Write(HANDLE handle, const std::string& text) {
    if (handle == nullptr) return false;
    if (text.empty()) return true;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Widen(text);
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            const DWORD part = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            if (!::WriteConsoleW(handle, wide.data() + done, part, &written, nullptr) || written == 0) return false;
            done += written;
        }
        return true;
    }
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 65536));
        if (!::WriteFile(handle, text.data() + done, part, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace tikr::win32
