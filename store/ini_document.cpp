#include "store/ini_document.h"

#include <algorithm>
#include <cstring>

#include "store/ascii_text.h"
#include "store/ini_lines.h"
#include "store/ini_text.h"
#include "store/stored_section.h"

namespace tikr {

using namespace ini_lines;

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The end of the line's content: its first CR or LF, or end.
std::size_t ContentEnd(const char* data, std::size_t pos, std::size_t end) {
    const void* lf = std::memchr(data + pos, '\n', end - pos);
    const std::size_t limit = lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : end;
    const void* cr = std::memchr(data + pos, '\r', limit - pos);
    return cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : limit;
}

// Where the next line begins: after the CRs that follow the content and
// one LF.
std::size_t NextLine(const char* data, std::size_t contentEnd, std::size_t end) {
    std::size_t next = contentEnd;
    while (next < end && data[next] == '\r') ++next;
    if (next < end && data[next] == '\n') ++next;
    return next;
}

// The line end of the first line decides that of new lines.
std::string_view LineEndStyle(std::string_view firstLineEnd) {
    if (firstLineEnd.empty() || firstLineEnd == "\n") return "\n";
    if (firstLineEnd.back() == '\n') return "\r\n";
    return "\r";
}

// How often c is in the text; memchr skips the long stretches without it.
std::size_t CountOf(const char* data, std::size_t size, char c) {
    std::size_t count = 0;
    for (const char* at = data;
         (at = static_cast<const char*>(std::memchr(at, c, size - static_cast<std::size_t>(at - data)))) != nullptr;
         ++at)
        ++count;
    return count;
}

}  // namespace

std::size_t CaseInsensitiveHash::operator()(std::string_view text) const {
    // FNV-1a over the lower-cased bytes.
    // 64-bit arithmetic on 32-bit systems too; the table takes what fits.
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(LowerAscii(c));
        hash *= 1099511628211ull;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 32));
}

bool CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const noexcept { return SameName(a, b); }

std::string_view IniDocument::FarKeyOf(std::string_view text) {
    const std::string_view trimmed = TrimBlanks(text.substr(0, ContentLength(text)));
    return TrimBlanks(trimmed.substr(0, trimmed.find('=')));
}

std::string_view IniDocument::RawValueOf(const Line& line) const {
    const std::string_view text = TextOf(line);
    const std::size_t begin = (line.flags & PLACES_UNKEPT) == 0 ? line.valueBegin : text.find('=') + 1;
    return text.substr(begin, ContentLength(text) - begin);
}

std::string_view IniDocument::FarNameOf(std::string_view text) {
    const std::string_view content = text.substr(0, ContentLength(text));
    const std::size_t open = content.find('[');
    const std::size_t close = content.find(']', open);
    return TrimBlanks(content.substr(open + 1, close - open - 1));
}

void IniDocument::SplitLines(std::uint32_t index, std::vector<Line>& lines, std::uint32_t& keyEnd) const {
    const Section& section = sections_[index];
    const char* data = text_.data();
    const std::size_t end = section.end;
    lines.clear();
    keyEnd = 0;
    for (std::size_t pos = section.begin; pos < end;) {
        const std::size_t contentEnd = ContentEnd(data, pos, end);
        const std::size_t next = NextLine(data, contentEnd, end);
        Line line;
        line.begin = static_cast<std::uint32_t>(pos);
        line.size = static_cast<std::uint32_t>(next - pos);
        std::size_t first = pos;
        while (first < contentEnd && IsBlank(data[first])) ++first;
        const void* found = std::memchr(data + first, '=', contentEnd - first);
        // Lines before the first section hold no keys; a comment is none,
        // nor a line that starts with its "=".
        if (index > 0 && found != nullptr && found != data + first && data[first] != ';') {
            const auto equals = static_cast<std::size_t>(static_cast<const char*>(found) - data);
            std::size_t keyLast = equals;
            while (IsBlank(data[keyLast - 1])) --keyLast;
            const std::size_t valueBegin = equals + 1 - pos;
            line.flags = KEY;
            if (valueBegin <= SHORT_PLACE) {
                line.keyBegin = static_cast<std::uint8_t>(first - pos);
                line.keyLength = static_cast<std::uint8_t>(keyLast - first);
                line.valueBegin = static_cast<std::uint8_t>(valueBegin);
            } else {
                line.flags |= PLACES_UNKEPT;
            }
            keyEnd = static_cast<std::uint32_t>(lines.size() + 1);
        }
        lines.push_back(line);
        pos = next;
    }
}

IniDocument::Body IniDocument::LinesOf(std::uint32_t index) const {
    const Section& section = sections_[index];
    if (section.own != NONE) {
        const std::vector<Line>& lines = owned_[section.own];
        return Body{lines.data(), static_cast<std::uint32_t>(lines.size())};
    }
    if (cached_ != index) {
        std::uint32_t keyEnd = 0;
        SplitLines(index, cache_, keyEnd);
        cached_ = index;
    }
    return Body{cache_.data(), static_cast<std::uint32_t>(cache_.size())};
}

void IniDocument::GrowIndex(std::size_t sections) {
    std::size_t size = 16;
    while (size < 2 * sections + 2) size *= 2;
    if (size <= sectionIndex_.size()) return;
    std::vector<std::uint32_t> old = std::move(sectionIndex_);
    sectionIndex_.assign(size, 0);
    const std::size_t mask = size - 1;
    const CaseInsensitiveHash hash;
    for (const std::uint32_t entry : old) {
        if (entry == 0) continue;
        std::size_t slot = hash(NameOf(sections_[entry - 1])) & mask;
        while (sectionIndex_[slot] != 0) slot = (slot + 1) & mask;
        sectionIndex_[slot] = entry;
    }
}

void IniDocument::AddToIndex(std::uint32_t index) {
    GrowIndex(indexed_ + 1);
    const std::string_view name = NameOf(sections_[index]);
    const CaseInsensitiveEqual equal;
    const std::size_t mask = sectionIndex_.size() - 1;
    std::size_t slot = CaseInsensitiveHash()(name) & mask;
    while (sectionIndex_[slot] != 0) {
        if (equal(NameOf(sections_[sectionIndex_[slot] - 1]), name)) return;  // a later section of a known name
        slot = (slot + 1) & mask;
    }
    sectionIndex_[slot] = index + 1;
    ++indexed_;
    sections_[index].header.flags |= FIRST_OF_NAME;
}

std::uint32_t IniDocument::FindSection(std::string_view name) const {
    const CaseInsensitiveEqual equal;
    if (lastSection_ != NONE) {
        const std::size_t end = std::min<std::size_t>(sections_.size(), std::size_t{lastSection_} + 2);
        for (std::uint32_t i = lastSection_; i < end; ++i) {
            const Section& guess = sections_[i];
            if ((guess.header.flags & FIRST_OF_NAME) != 0 && equal(NameOf(guess), name)) {
                lastSection_ = i;
                return i;
            }
        }
    }
    if (sectionIndex_.empty()) return NONE;
    const std::size_t mask = sectionIndex_.size() - 1;
    for (std::size_t slot = CaseInsensitiveHash()(name) & mask; sectionIndex_[slot] != 0; slot = (slot + 1) & mask) {
        const std::uint32_t index = sectionIndex_[slot] - 1;
        if (equal(NameOf(sections_[index]), name)) {
            lastSection_ = index;
            return index;
        }
    }
    return NONE;
}

void IniDocument::Clear() {
    text_ = std::string();
    edits_.clear();
    owned_ = std::vector<std::vector<Line>>();
    sections_.assign(1, Section{});
    sections_.shrink_to_fit();
    cache_ = std::vector<Line>();
    cached_ = NONE;
    sectionIndex_ = std::vector<std::uint32_t>();
    indexed_ = 0;
    lastSection_ = NONE;
    lineEnd_ = "\n";
    ++revision_;
}

void IniDocument::Parse(std::string_view text) { ParseOwned(std::string(text)); }

void IniDocument::ParseOwned(std::string text) {
    Clear();
    if (text.size() > MAX_TEXT_SIZE) return;
    text_ = std::move(text);
    const char* data = text_.data();
    const std::size_t size = text_.size();
    sections_[0].end = static_cast<std::uint32_t>(size);
    if (size == 0) return;
    const std::size_t firstEnd = ContentEnd(data, 0, size);
    lineEnd_ = LineEndStyle(std::string_view(data + firstEnd, NextLine(data, firstEnd, size) - firstEnd));
    const bool bom = std::string_view(text_).substr(0, UTF8_BOM.size()) == UTF8_BOM;
    // Room in the table for every "[" (nearly all open a section) at once,
    // within what a text of that size can hold and what a damaged one may
    // cost.
    constexpr std::size_t MOST_PRESIZED = std::size_t{1} << 20;
    GrowIndex(std::min({CountOf(data, size, '['), size / 4 + 1, MOST_PRESIZED}));

    // Only section headers are looked for now: a "[" that only blanks
    // (and, on the first line, a byte order mark) separate from the start
    // of its line, with a "]" after it on the line. A line starts at the
    // text's start and after every CR or LF that another character than CR
    // or LF follows, so the character before a line's first one is CR or
    // LF. The lines of a section are split when it is looked into.
    std::size_t pos = 0;
    while (pos < size) {
        const void* found = std::memchr(data + pos, '[', size - pos);
        if (found == nullptr) break;
        const auto bracket = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        std::size_t lineBegin = bracket;
        while (lineBegin > 0 && IsBlank(data[lineBegin - 1])) --lineBegin;
        if (bom && lineBegin == UTF8_BOM.size()) lineBegin = 0;
        if (lineBegin > 0 && !IsLineEnd(data[lineBegin - 1])) {
            pos = bracket + 1;
            continue;
        }
        const std::size_t contentEnd = ContentEnd(data, bracket, size);
        const void* close = std::memchr(data + bracket, ']', contentEnd - bracket);
        if (close == nullptr) {
            pos = contentEnd;
            continue;
        }
        const std::size_t next = NextLine(data, contentEnd, size);
        AddHeader(lineBegin, bracket, static_cast<std::size_t>(static_cast<const char*>(close) - data), next);
        pos = next;
    }
    sections_.shrink_to_fit();
}

void IniDocument::AddHeader(std::size_t lineBegin, std::size_t bracket, std::size_t close, std::size_t next) {
    sections_.back().end = static_cast<std::uint32_t>(lineBegin);
    const std::string_view name = TrimBlanks(std::string_view(text_).substr(bracket + 1, close - bracket - 1));
    Section section;
    section.header.begin = static_cast<std::uint32_t>(lineBegin);
    section.header.size = static_cast<std::uint32_t>(next - lineBegin);
    const auto nameBegin = static_cast<std::size_t>(name.data() - (text_.data() + lineBegin));
    if (nameBegin <= SHORT_PLACE && name.size() <= SHORT_PLACE) {
        section.header.keyBegin = static_cast<std::uint8_t>(nameBegin);
        section.header.keyLength = static_cast<std::uint8_t>(name.size());
    } else {
        section.header.flags = PLACES_UNKEPT;
    }
    section.begin = static_cast<std::uint32_t>(next);
    section.end = static_cast<std::uint32_t>(text_.size());
    sections_.push_back(section);
    AddToIndex(static_cast<std::uint32_t>(sections_.size() - 1));
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
    const std::uint32_t index = FindSection(section);
    if (index == NONE) return std::nullopt;
    const Body body = LinesOf(index);
    for (std::uint32_t i = 0; i < body.count; ++i) {
        const Line& line = body.lines[i];
        if ((line.flags & KEY) == 0) continue;
        if ((line.flags & PLACES_UNKEPT) == 0 && line.keyLength != key.size()) continue;
        if (SameName(KeyOf(line), key)) return DecodeIniValue(RawValueOf(line));
    }
    return std::nullopt;
}

void IniDocument::ReadSection(std::string_view section, StoredSection& out) const {
    const std::uint32_t index = FindSection(section);
    if (index == NONE) return;
    // A section as the file holds it is copied whole: its keys and values,
    // found by the same split as every other read, then cost no copy of
    // their own.
    const Section& found = sections_[index];
    if (found.own == NONE) out.KeepText(std::string_view(text_).substr(found.begin, found.end - found.begin));
    const Body body = LinesOf(index);
    for (std::uint32_t i = 0; i < body.count; ++i) {
        const Line& line = body.lines[i];
        if ((line.flags & KEY) != 0) out.Add(KeyOf(line), DecodeIniValue(RawValueOf(line)));
    }
}

}  // namespace tikr
