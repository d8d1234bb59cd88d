#include "platform/executable_path.h"

#include <unistd.h>

#include <vector>

namespace tikr {

std::string ExecutablePath(const char* argv0) {
    // readlink does not say whether the buffer was big enough, so grow it
    // until the link fits with room to spare.
    for (std::size_t size = 256; size <= 65536; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) break;
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    return argv0 != nullptr ? std::string(argv0) : std::string();
}

}  // namespace tikr
