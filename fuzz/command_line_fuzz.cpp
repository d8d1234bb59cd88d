// Command-line splitting: any text splits without harm, and the words,
// each written back in double quotes, split into the same words again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/command_line.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// A word in double quotes, with \" and \\ for its quotes and backslashes.
std::string Quote(const std::string& word) {
    std::string out = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> words = tikr::SplitCommandLine(text);
    std::string joined;
    for (const std::string& word : words) {
        Require(word.size() <= text.size());
        if (!joined.empty()) joined.push_back(' ');
        joined += Quote(word);
    }
    Require(tikr::SplitCommandLine(joined) == words);
    return 0;
}
