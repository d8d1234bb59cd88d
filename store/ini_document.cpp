#include "store/ini_document.h"

#include <algorithm>
#include <cstring>

#include "store/ascii_text.h"
#include "store/ini_text.h"

namespace tikr {

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::size_t SHORT_PLACE = 255;  // what a place of a key line's Line holds

// The length of a line's text without its line end.
std::size_t ContentLength(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsLineEnd(text[end - 1])) --end;
    return end;
}

bool HasLineEnd(std::string_view text) { return !text.empty() && IsLineEnd(text.back()); }

// The line end of the first line decides that of new lines.
std::string_view LineEndStyle(std::string_view firstLineEnd) {
    if (firstLineEnd.empty() || firstLineEnd == "\n") return "\n";
    if (firstLineEnd.back() == '\n') return "\r\n";
    return "\r";
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

bool CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    // Names are nearly always spelt alike; the byte comparison settles that
    // at once.
    return a == b || EqualsIgnoreCase(a, b);
}

std::string_view IniDocument::TextOf(const Line& line) const {
    if ((line.flags & EDITED) != 0) return edits_[line.begin];
    return std::string_view(text_.data() + line.begin, line.size);
}

std::string_view IniDocument::KeyOf(const Line& line) const {
    const std::string_view text = TextOf(line);
    if ((line.flags & FAR_KEY) == 0) return text.substr(line.keyBegin, line.keyLength);
    const std::string_view trimmed = TrimBlanks(text.substr(0, ContentLength(text)));
    return TrimBlanks(trimmed.substr(0, trimmed.find('=')));
}

std::string_view IniDocument::RawValueOf(const Line& line) const {
    const std::string_view text = TextOf(line);
    const std::size_t begin = (line.flags & FAR_KEY) == 0 ? line.valueBegin : text.find('=') + 1;
    return text.substr(begin, ContentLength(text) - begin);
}

std::string_view IniDocument::NameOf(const Section& section) const {
    return TextOf(section.header).substr(section.nameBegin, section.nameLength);
}

const IniDocument::Line* IniDocument::Lines(const Section& section) const {
    return section.own == NONE ? lines_.data() + section.first : owned_[section.own].data();
}

IniDocument::Line* IniDocument::Lines(Section& section) {
    return section.own == NONE ? lines_.data() + section.first : owned_[section.own].data();
}

void IniDocument::InsertLine(Section& section, std::uint32_t at, const Line& line) {
    if (section.own == NONE) {
        // Lines added at the end of the last section (a new section's keys)
        // stay in the one array; any other insertion gives the section an
        // array of its own, so that no insertion moves the lines of others.
        if (at == section.count && section.first + section.count == lines_.size()) {
            lines_.push_back(line);
            ++section.count;
            return;
        }
        section.own = static_cast<std::uint32_t>(owned_.size());
        const auto first = lines_.begin() + section.first;
        owned_.emplace_back(first, first + section.count);
    }
    std::vector<Line>& lines = owned_[section.own];
    lines.insert(lines.begin() + at, line);
    ++section.count;
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
            line.flags |= FAR_KEY;
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
    Section& section = sections_[index];
    const std::string_view name = NameOf(section);
    const CaseInsensitiveEqual equal;
    const std::size_t mask = sectionIndex_.size() - 1;
    std::size_t slot = CaseInsensitiveHash()(name) & mask;
    while (sectionIndex_[slot] != 0) {
        if (equal(NameOf(sections_[sectionIndex_[slot] - 1]), name)) return;  // a later section of a known name
        slot = (slot + 1) & mask;
    }
    sectionIndex_[slot] = index + 1;
    ++indexed_;
    section.firstOfName = true;
}

std::uint32_t IniDocument::FindSection(std::string_view name) const {
    const CaseInsensitiveEqual equal;
    if (lastSection_ != NONE) {
        const std::size_t end = std::min<std::size_t>(sections_.size(), lastSection_ + 2);
        for (std::uint32_t i = lastSection_; i < end; ++i) {
            const Section& guess = sections_[i];
            if (guess.firstOfName && equal(NameOf(guess), name)) {
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
    lines_ = std::vector<Line>();
    edits_.clear();
    owned_ = std::vector<std::vector<Line>>();
    sections_.assign(1, Section{});
    sections_.shrink_to_fit();
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
    // Room for every line and section at once: counting is far cheaper
    // than growing the arrays, and leaves no spare room behind.
    const auto lineFeeds = static_cast<std::size_t>(std::count(data, data + size, '\n'));
    const auto brackets = static_cast<std::size_t>(std::count(data, data + size, '['));
    lines_.reserve(lineFeeds + 1);
    sections_.reserve(std::min(brackets, lineFeeds + 1) + 1);
    GrowIndex(std::min(brackets, lineFeeds + 1));

    // The first LF at or after pos (or size); lines that end in a lone CR
    // reuse it.
    std::size_t nextLf = 0;
    bool lfKnown = false;
    std::size_t pos = 0;
    while (pos < size) {
        if (!lfKnown || nextLf < pos) {
            const void* lf = std::memchr(data + pos, '\n', size - pos);
            nextLf = lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
            lfKnown = true;
        }
        const void* cr = std::memchr(data + pos, '\r', nextLf - pos);
        const std::size_t contentEnd =
            cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : nextLf;
        std::size_t next = contentEnd;
        while (next < size && data[next] == '\r') ++next;
        if (next < size && data[next] == '\n') ++next;

        std::string_view content(data + pos, contentEnd - pos);
        if (pos == 0) {
            lineEnd_ = LineEndStyle(std::string_view(data + contentEnd, next - contentEnd));
            if (content.substr(0, UTF8_BOM.size()) == UTF8_BOM) content.remove_prefix(UTF8_BOM.size());
        }
        AddParsedLine(static_cast<std::uint32_t>(pos), static_cast<std::uint32_t>(next - pos), content);
        pos = next;
    }
}

void IniDocument::AddParsedLine(std::uint32_t begin, std::uint32_t size, std::string_view content) {
    const char* lineStart = text_.data() + begin;
    const auto offset = [lineStart](const char* at) { return static_cast<std::size_t>(at - lineStart); };
    const std::string_view trimmed = TrimBlanks(content);
    Line line;
    line.begin = begin;
    line.size = size;
    if (!trimmed.empty() && trimmed.front() == '[') {
        const std::size_t close = trimmed.find(']');
        if (close != std::string_view::npos) {
            const std::string_view name = TrimBlanks(trimmed.substr(1, close - 1));
            Section section;
            section.header = line;
            section.first = static_cast<std::uint32_t>(lines_.size());
            section.nameBegin = static_cast<std::uint32_t>(offset(name.data()));
            section.nameLength = static_cast<std::uint32_t>(name.size());
            sections_.push_back(section);
            AddToIndex(static_cast<std::uint32_t>(sections_.size() - 1));
            return;
        }
    }
    Section& current = sections_.back();
    const std::size_t equals = trimmed.find('=');
    const bool isKey = sections_.size() > 1 && !trimmed.empty() && trimmed.front() != ';' &&
                       equals != std::string_view::npos && equals > 0;
    if (isKey) {
        const std::string_view key = TrimBlanks(trimmed.substr(0, equals));
        const std::size_t keyBegin = offset(key.data());
        const std::size_t valueBegin = offset(trimmed.data()) + equals + 1;
        line.flags = KEY;
        if (valueBegin <= SHORT_PLACE) {
            line.keyBegin = static_cast<std::uint8_t>(keyBegin);
            line.keyLength = static_cast<std::uint8_t>(key.size());
            line.valueBegin = static_cast<std::uint8_t>(valueBegin);
        } else {
            line.flags |= FAR_KEY;
        }
        current.keyEnd = current.count + 1;
    }
    lines_.push_back(line);
    ++current.count;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
    const std::uint32_t index = FindSection(section);
    if (index == NONE) return std::nullopt;
    const Section& found = sections_[index];
    const Line* lines = Lines(found);
    const CaseInsensitiveEqual equal;
    for (std::uint32_t i = 0; i < found.count; ++i) {
        if ((lines[i].flags & KEY) != 0 && equal(KeyOf(lines[i]), key)) return DecodeIniValue(RawValueOf(lines[i]));
    }
    return std::nullopt;
}

bool IniDocument::LastLineIsBlank() const {
    const Section& last = sections_.back();
    if (sections_.size() > 1 && last.count == 0) return false;  // ends with a section header
    if (last.count == 0) return true;                           // empty document
    const std::string_view text = TextOf(Lines(last)[last.count - 1]);
    return TrimBlanks(text.substr(0, ContentLength(text))).empty();
}

std::uint32_t IniDocument::NewSection(std::string_view name) {
    std::string header;
    header.reserve(name.size() + 2);
    header.append("[").append(name).append("]");
    Section section;
    section.header = EditedLine(std::move(header), 0);
    section.first = static_cast<std::uint32_t>(lines_.size());
    section.nameBegin = 1;
    section.nameLength = static_cast<std::uint32_t>(name.size());
    sections_.push_back(section);
    const auto index = static_cast<std::uint32_t>(sections_.size() - 1);
    AddToIndex(index);
    return index;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key)) return false;

    std::uint32_t index = FindSection(section);
    if (index == NONE) {
        const bool empty = sections_.size() == 1 && sections_[0].count == 0;
        if (!empty && !LastLineIsBlank()) InsertLine(sections_.back(), sections_.back().count, EditedLine({}, 0));
        index = NewSection(section);
        lastSection_ = index;
        ++revision_;
    }
    Section& target = sections_[index];

    Line* lines = Lines(target);
    const CaseInsensitiveEqual equal;
    for (std::uint32_t i = 0; i < target.count; ++i) {
        Line& line = lines[i];
        if ((line.flags & KEY) == 0) continue;
        const std::string_view spelt = KeyOf(line);
        if (!equal(spelt, key)) continue;
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
        line = EditedLine(std::move(rebuilt), keyLength, (line.flags & EDITED) != 0 ? line.begin : NONE);
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
    InsertLine(target, target.keyEnd, EditedLine(std::move(text), key.size()));
    ++target.keyEnd;
    ++revision_;
    return true;
}

std::string IniDocument::Serialize() const {
    // Lines keep the line end they were read with; new lines and a last
    // line that had none get the document's. Unchanged lines that follow
    // each other in the file's text are copied in one piece.
    std::size_t total = 0;
    const auto count = [this, &total](const Line& line) {
        const std::string_view text = TextOf(line);
        total += text.size() + (HasLineEnd(text) ? 0 : lineEnd_.size());
    };
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const Section& section = sections_[s];
        if (s > 0) count(section.header);
        const Line* lines = Lines(section);
        for (std::uint32_t i = 0; i < section.count; ++i) count(lines[i]);
    }
    std::string out;
    out.reserve(total);
    std::size_t runBegin = 0;
    std::size_t runEnd = 0;
    const auto flush = [this, &out, &runBegin, &runEnd] {
        out.append(text_, runBegin, runEnd - runBegin);
        runBegin = runEnd;
    };
    const auto put = [&](const Line& line) {
        if ((line.flags & EDITED) == 0) {
            if (line.begin != runEnd) {
                flush();
                runBegin = runEnd = line.begin;
            }
            runEnd += line.size;
            if (!IsLineEnd(text_[runEnd - 1])) {
                flush();
                out.append(lineEnd_);
            }
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
        const Line* lines = Lines(section);
        for (std::uint32_t i = 0; i < section.count; ++i) put(lines[i]);
    }
    flush();
    return out;
}

}  // namespace tikr
