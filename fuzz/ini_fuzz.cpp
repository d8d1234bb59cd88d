// The INI engine: a parsed text, written out and parsed again, holds the
// same values under the same names; a value set reads back as written
// (NUL ends it, each line break becomes one blank) and leaves every other
// key alone, also after another round trip.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "store/ascii_text.h"
#include "store/ini_document.h"
#include "store/ini_text.h"

namespace {

using tikr::IniDocument;

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Names that may be in the text: what looks like a section header or a
// key on any line. The engine's own rules decide which really are; a
// name that is none is simply missing from both documents.
void CollectNames(std::string_view text, std::vector<std::string>& sections, std::vector<std::string>& keys) {
    std::size_t pos = 0;
    while (pos <= text.size() && sections.size() < 40 && keys.size() < 40) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = TrimBlanks(text.substr(pos, end - pos));
        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.find(']');
            sections.emplace_back(TrimBlanks(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            keys.emplace_back(TrimBlanks(line.substr(0, equals)));
        }
        pos = end + 1;
    }
}

// What a read gives for a written value.
std::string ReadBack(std::string_view value) {
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            out.push_back(' ');
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else {
            out.push_back(value[i]);
        }
    }
    return out;
}

std::optional<std::string> Value(const IniDocument& document, const std::string& section, const std::string& key) {
    const auto found = document.Find(section, key);
    if (!found) return std::nullopt;
    return std::string(*found);
}

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(32);
    const std::string key = input.ConsumeRandomLengthString(32);
    const std::string value = input.ConsumeRandomLengthString(256);
    const std::string text = input.ConsumeRemainingBytesAsString();

    std::vector<std::string> sections{section};
    std::vector<std::string> keys{key};
    CollectNames(text, sections, keys);

    IniDocument first;
    first.Parse(text);
    IniDocument second;
    second.Parse(first.Serialize());
    std::vector<std::optional<std::string>> before;
    for (const std::string& s : sections) {
        for (const std::string& k : keys) {
            before.push_back(Value(first, s, k));
            Require(before.back() == Value(second, s, k));
        }
    }

    const bool written = first.Set(section, key, value);
    Require(written == (tikr::IsValidSectionName(section) && tikr::IsValidKeyName(key)));
    IniDocument third;
    third.Parse(first.Serialize());
    std::size_t index = 0;
    for (const std::string& s : sections) {
        for (const std::string& k : keys) {
            const bool setOne = written && tikr::EqualsIgnoreCase(s, section) && tikr::EqualsIgnoreCase(k, key);
            const std::optional<std::string> expected = setOne ? std::optional(ReadBack(value)) : before[index];
            Require(Value(first, s, k) == expected);
            Require(Value(third, s, k) == expected);
            ++index;
        }
    }
    return 0;
}
