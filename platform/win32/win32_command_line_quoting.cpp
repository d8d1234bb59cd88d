#include "core/command_line_quoting.h"

namespace tikr {

std::string QuoteProgramPath(const std::string& path) {
    // The Windows launcher leaves the splitting to the system's rule: blanks
    // separate words unless quoted, a backslash is a path separator, and a
    // file name never holds a quote.
    if (path.find_first_of(" \t") == std::string::npos) return path;
    return "\"" + path + "\"";
}

}  // namespace tikr
