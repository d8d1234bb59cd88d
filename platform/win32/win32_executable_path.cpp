#include <windows.h>

#include <string>

#include "platform/executable_path.h"
#include "platform/win32/wide_text.h"

namespace tikr {

std::string ExecutablePath(const char* argv0) {
    // GetModuleFileNameW cuts a path that does not fit and then returns the
    // buffer's size, so grow the buffer until the path fits with room. The
    // wide call keeps a folder outside the ANSI code page; the path is UTF-8.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::wstring buffer(size, L'\0');
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) break;
        if (length < size) return Narrow(buffer.data(), length);
    }
    return argv0 != nullptr ? std::string(argv0) : std::string();
}

}  // namespace tikr
