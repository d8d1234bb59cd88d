#include "core/command_line_quoting.h"

namespace tikr {

std::string QuoteProgramPath(const std::string& path) {
    // The launcher splits words at blanks and line breaks and gives quotes
    // and backslashes a meaning (SplitCommandLine). A path with none of
    // them is one word as it stands.
    bool plain = true;
    for (char c : path) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '"' || c == '\'' || c == '\\') {
            plain = false;
            break;
        }
    }
    if (plain) return path;

    // Inside double quotes only \" and \\ are special.
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace tikr
