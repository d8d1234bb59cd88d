// Writing an INI document: edited lines, new sections and the text of the
// whole file.
#include <algorithm>
#include <cstring>

#include "store/ini_document.h"
#include "store/ini_lines.h"

namespace tikr {

using namespace ini_lines;

std::vector<IniDocument::Line>& IniDocument::Own(std::uint32_t index) {
    Section& section = sections_[index];
    if (section.own == NONE) {
        std::vector<Line> lines;
        SplitLines(index, lines, section.keyEnd);
        section.own = static_cast<std::uint32_t>(owned_.size());
        owned_.push_back(std::move(lines));
    }
    return owned_[section.own];
}

IniDocument::Line IniDocument::EditedLine(std::string text, std::size_t keyLength, std::uint32_t slot) {
    Line line;
    line.flags = EDITED;
    if (keyLength > 0) {
        line.flags |= KEY;
        if (keyLength + 1 <= SHORT_PLACE) {
            line.keyLength = static_cast<std::uint8_t>(keyLength);
            line.valueBegin = static_cast<std::uint8_t>(keyLength + 1);
        } else {
            line.flags |= PLACES_UNKEPT;
        }
    }
    if (slot == NONE) {
        slot = static_cast<std::uint32_t>(edits_.size());
        edits_.push_back(std::move(text));
    } else {
        edits_[slot] = std::move(text);
    }
    line.begin = slot;
    return line;
}

bool IniDocument::LastLineIsBlank() const {
    const auto last = static_cast<std::uint32_t>(sections_.size() - 1);
    const Body body = LinesOf(last);
    if (last > 0 && body.count == 0) return false;  // ends with a section header
    if (body.count == 0) return true;               // empty document
    const std::string_view text = TextOf(body.lines[body.count - 1]);
    return TrimBlanks(text.substr(0, ContentLength(text))).empty();
}

std::uint32_t IniDocument::NewSection(std::string_view name) {
    std::string header;
    header.reserve(name.size() + 2);
    header.append("[").append(name).append("]");
    Section section;
    section.header = EditedLine(std::move(header), 0);
    if (name.size() < SHORT_PLACE) {
        section.header.keyBegin = 1;
        section.header.keyLength = static_cast<std::uint8_t>(name.size());
    } else {
        section.header.flags |= PLACES_UNKEPT;
    }
    section.own = static_cast<std::uint32_t>(owned_.size());
    owned_.emplace_back().reserve(TYPICAL_KEYS);
    sections_.push_back(section);
    const auto index = static_cast<std::uint32_t>(sections_.size() - 1);
    AddToIndex(index);
    return index;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key)) return false;

    std::uint32_t index = FindSection(section);
    if (index == NONE) {
        const bool empty = sections_.size() == 1 && sections_[0].end == 0 && sections_[0].own == NONE;
        if (!empty && !LastLineIsBlank()) {
            const auto last = static_cast<std::uint32_t>(sections_.size() - 1);
            Line blank = EditedLine({}, 0);
            Own(last).push_back(blank);
        }
        index = NewSection(section);
        lastSection_ = index;
        ++revision_;
    }

    const Body body = LinesOf(index);
    for (std::uint32_t i = 0; i < body.count; ++i) {
        const Line& line = body.lines[i];
        if ((line.flags & KEY) == 0) continue;
        if ((line.flags & PLACES_UNKEPT) == 0 && line.keyLength != key.size()) continue;
        const std::string_view spelt = KeyOf(line);
        if (!SameName(spelt, key)) continue;
        // A save writes every key again; most values are what the line
        // already reads as, and such a line is left as it is.
        if (DecodeIniValue(RawValueOf(line)) == value) return true;
        // The key keeps its spelling and the line its line end.
        const std::string_view text = TextOf(line);
        std::string rebuilt;
        rebuilt.reserve(spelt.size() + 1 + value.size() + 4);
        rebuilt.append(spelt).push_back('=');
        AppendEncodedIniValue(rebuilt, value);
        rebuilt.append(text.substr(ContentLength(text)));
        if (rebuilt == text) return true;
        const std::size_t keyLength = spelt.size();
        const std::uint32_t slot = (line.flags & EDITED) != 0 ? line.begin : NONE;
        std::vector<Line>& lines = Own(index);
        lines[i] = EditedLine(std::move(rebuilt), keyLength, slot);
        ++revision_;
        return true;
    }

    // A new key goes right after the section's last key line (or its
    // header), so that blank lines and comments closing the section stay
    // after it.
    std::string text;
    text.reserve(key.size() + 1 + value.size() + 2);
    text.append(key).append("=");
    AppendEncodedIniValue(text, value);
    const Line line = EditedLine(std::move(text), key.size());
    std::vector<Line>& lines = Own(index);
    Section& target = sections_[index];
    lines.insert(lines.begin() + target.keyEnd, line);
    ++target.keyEnd;
    ++revision_;
    return true;
}

std::string IniDocument::Serialize() const {
    // Lines keep the line end they were read with; new lines and a last
    // line that had none get the document's. Unchanged text is copied in
    // pieces as long as it runs on.
    std::size_t total = 0;
    const auto count = [this, &total](const Line& line) {
        const std::string_view text = TextOf(line);
        total += text.size() + (HasLineEnd(text) ? 0 : lineEnd_.size());
    };
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const Section& section = sections_[s];
        if (s > 0) count(section.header);
        if (section.own == NONE) {
            total += section.end - section.begin + lineEnd_.size();
            continue;
        }
        for (const Line& line : owned_[section.own]) count(line);
    }
    std::string out;
    out.reserve(total);
    std::size_t runBegin = 0;
    std::size_t runEnd = 0;
    const auto flush = [this, &out, &runBegin, &runEnd] {
        out.append(text_, runBegin, runEnd - runBegin);
        runBegin = runEnd;
    };
    const auto copy = [&](std::size_t begin, std::size_t end) {
        if (begin == end) return;
        if (begin != runEnd) {
            flush();
            runBegin = runEnd = begin;
        }
        runEnd = end;
        if (!IsLineEnd(text_[end - 1])) {
            flush();
            out.append(lineEnd_);
        }
    };
    const auto put = [&](const Line& line) {
        if ((line.flags & EDITED) == 0) {
            copy(line.begin, line.begin + line.size);
            return;
        }
        flush();
        const std::string& text = edits_[line.begin];
        out.append(text);
        if (!HasLineEnd(text)) out.append(lineEnd_);
    };
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const Section& section = sections_[s];
        if (s > 0) put(section.header);
        if (section.own == NONE) {
            copy(section.begin, section.end);
            continue;
        }
        for (const Line& line : owned_[section.own]) put(line);
    }
    flush();
    return out;
}

}  // namespace tikr
