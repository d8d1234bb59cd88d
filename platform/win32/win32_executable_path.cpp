#include <windows.h>

#include <string>

#include "platform/executable_path.h"

namespace tikr {

std::string ExecutablePath(const char* argv0) {
    // GetModuleFileNameA cuts a path that does not fit and then returns the
    // buffer's size, so grow the buffer until the path fits with room.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::string buffer(size, '\0');
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) break;
        if (length < size) return buffer.substr(0, length);
    }
    return argv0 != nullptr ? std::string(argv0) : std::string();
}

}  // namespace tikr
