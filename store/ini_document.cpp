#include "store/ini_document.h"

#include <cstdint>
#include <cstring>

namespace tikr {

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

unsigned char LowerAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Plain loops: find_first_of with a set of characters costs a library
// call per character of the text, and every write checks its names.
bool HasLineBreakOrNul(std::string_view text) {
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == '\0') return true;
    }
    return false;
}

std::size_t FindLineBreak(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') return i;
    }
    return std::string_view::npos;
}

bool IsTrimmed(std::string_view text) { return Trim(text).size() == text.size(); }

// Blanks a read would trim away, or that could be taken for such.
bool IsEdgeSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The position of "=" in a key line's text.
std::size_t EqualsPosition(const std::string& text) { return text.find('='); }

// True when AppendEncodedValue would copy the value unchanged: no line
// break or NUL, no blank at either end, not enclosed in matching quotes.
bool IsStoredAsIs(std::string_view value) {
    if (value.empty()) return true;
    if (IsEdgeSpace(value.front()) || IsEdgeSpace(value.back())) return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.front() == value.back())
        return false;
    for (const char c : value) {
        if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
}

}  // namespace

std::size_t CaseInsensitiveHash::operator()(std::string_view text) const {
    // FNV-1a over the lower-cased bytes.
    // 64-bit arithmetic on 32-bit systems too; the map takes what fits.
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= LowerAscii(static_cast<unsigned char>(c));
        hash *= 1099511628211ull;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 32));
}

bool CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    // Names are nearly always spelt alike; the byte comparison settles that
    // at once.
    if (a == b) return true;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(static_cast<unsigned char>(a[i])) != LowerAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

const std::size_t* IniDocument::KeyIndex::Find(std::string_view key) const {
    if (map_) {
        const auto found = map_->find(key);
        return found == map_->end() ? nullptr : &found->second;
    }
    const CaseInsensitiveEqual equal;
    const std::size_t count = entries_.size();
    for (std::size_t step = 0; step < count; ++step) {
        std::size_t i = next_ + step;
        if (i >= count) i -= count;
        if (equal(entries_[i].first, key)) {
            next_ = i + 1;
            return &entries_[i].second;
        }
    }
    return nullptr;
}

void IniDocument::KeyIndex::AddIfMissing(std::string_view key, std::size_t line) {
    if (Find(key) != nullptr) return;
    if (map_) {
        map_->emplace(std::string(key), line);
        return;
    }
    entries_.emplace_back(std::string(key), line);
    if (entries_.size() > LINEAR_LIMIT) {
        map_ = std::make_unique<IndexMap>();
        for (auto& entry : entries_) map_->emplace(std::move(entry.first), entry.second);
        entries_.clear();
        entries_.shrink_to_fit();
    }
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
    const CaseInsensitiveEqual equal;
    if (lastSection_ != NO_LINE) {
        for (std::size_t i = lastSection_; i < sections_.size() && i <= lastSection_ + 1; ++i) {
            const Section& guess = sections_[i];
            if (guess.firstOfName && equal(guess.name, name)) {
                lastSection_ = i;
                return &guess;
            }
        }
    }
    const auto found = sectionIndex_.find(name);
    if (found == sectionIndex_.end()) return nullptr;
    lastSection_ = found->second;
    return &sections_[found->second];
}

IniDocument::Section IniDocument::NewSection() {
    // Room for a task's keys from the start: growing the arrays line by
    // line costs several allocations and copies per section.
    Section section;
    section.lines.reserve(TYPICAL_KEYS);
    section.keys.Reserve(TYPICAL_KEYS);
    return section;
}

void IniDocument::Clear() {
    preamble_.clear();
    sections_.clear();
    sectionIndex_.clear();
    lastSection_ = NO_LINE;
    crlf_ = false;
}

void IniDocument::Parse(std::string_view text) {
    Clear();
    const std::size_t firstBreak = text.find('\n');
    crlf_ = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';

    Section* current = nullptr;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        const char* start = text.data() + pos;
        const void* found = std::memchr(start, '\n', text.size() - pos);
        std::size_t end = found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                                           : text.size();
        std::size_t next = found != nullptr ? end + 1 : end;
        if (end > pos && text[end - 1] == '\r') --end;
        std::string raw(text.substr(pos, end - pos));
        std::string_view content(raw);
        if (first && content.substr(0, UTF8_BOM.size()) == UTF8_BOM) content.remove_prefix(UTF8_BOM.size());
        AddParsedLine(std::move(raw), content, current);
        first = false;
        pos = next;
    }
}

void IniDocument::AddParsedLine(std::string&& raw, std::string_view content, Section*& current) {
    // content views raw's buffer (or a suffix of it); take what is needed
    // before raw is moved.
    const std::string_view trimmed = Trim(content);
    if (!trimmed.empty() && trimmed.front() == '[') {
        const std::size_t close = trimmed.find(']');
        if (close != std::string_view::npos) {
            std::string name(Trim(trimmed.substr(1, close - 1)));
            sections_.push_back(NewSection());
            Section& section = sections_.back();
            section.header = std::move(raw);
            section.name = name;
            section.firstOfName = sectionIndex_.try_emplace(std::move(name), sections_.size() - 1).second;
            current = &section;
            return;
        }
    }
    const std::size_t equals = trimmed.find('=');
    const bool isKey = current != nullptr && !trimmed.empty() && trimmed.front() != ';' &&
                       equals != std::string_view::npos && equals > 0;
    if (!isKey) {
        Line line{std::move(raw), false};
        if (current != nullptr) {
            current->lines.push_back(std::move(line));
        } else {
            preamble_.push_back(std::move(line));
        }
        return;
    }
    std::string key(Trim(trimmed.substr(0, equals)));
    AddKeyLine(*current, std::move(raw), key);
}

void IniDocument::AddKeyLine(Section& section, std::string&& text, std::string_view key) {
    section.lines.push_back(Line{std::move(text), true});
    const std::size_t index = section.lines.size() - 1;
    section.keys.AddIfMissing(key, index);
    section.lastKeyLine = index;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) return std::nullopt;
    const Section& sec = *found;
    const std::size_t* k = sec.keys.Find(key);
    if (k == nullptr) return std::nullopt;
    const std::string& text = sec.lines[*k].text;
    return DecodeValue(std::string_view(text).substr(EqualsPosition(text) + 1));
}

bool IniDocument::IsValidSectionName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrNul(name) && name.find(']') == std::string_view::npos &&
           IsTrimmed(name);
}

bool IniDocument::IsValidKeyName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrNul(name) && name.find('=') == std::string_view::npos &&
           name.front() != '[' && name.front() != ';' && IsTrimmed(name);
}

bool IniDocument::LastLineIsBlank() const {
    const std::vector<Line>* last = sections_.empty() ? &preamble_ : &sections_.back().lines;
    if (!sections_.empty() && last->empty()) return false;  // ends with a section header
    if (last->empty()) return true;                         // empty document
    return Trim(last->back().text).empty();
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key)) return false;

    Section* target = FindSection(section);
    if (target == nullptr) {
        const bool empty = preamble_.empty() && sections_.empty();
        if (!empty && !LastLineIsBlank()) {
            Line blank{std::string(), false};
            if (sections_.empty()) {
                preamble_.push_back(std::move(blank));
            } else {
                sections_.back().lines.push_back(std::move(blank));
            }
        }
        sections_.push_back(NewSection());
        target = &sections_.back();
        target->header = "[" + std::string(section) + "]";
        target->name = section;
        target->firstOfName = sectionIndex_.try_emplace(std::string(section), sections_.size() - 1).second;
    }

    const std::size_t* k = target->keys.Find(key);
    if (k != nullptr) {
        // Keep the key's spelling as the file has it.
        // The line is rebuilt in place, reusing its storage.
        Line& line = target->lines[*k];
        const std::size_t equals = EqualsPosition(line.text);
        const std::string_view before = Trim(std::string_view(line.text).substr(0, equals));
        const std::size_t keyBegin = static_cast<std::size_t>(before.data() - line.text.data());
        const std::size_t keyEnd = keyBegin + before.size();
        // A save writes every key again; most values are what the line
        // already holds, and such a line is left as it is.
        if (keyBegin == 0 && keyEnd == equals && IsStoredAsIs(value) &&
            std::string_view(line.text).substr(equals + 1) == value) {
            return true;
        }
        line.text.erase(keyEnd);
        line.text.erase(0, keyBegin);
        line.text.push_back('=');
        AppendEncodedValue(line.text, value);
        return true;
    }

    // A new key goes right after the section's last key line (or its
    // header), so that blank lines and comments closing the section stay
    // after it. No key line sits behind the insertion point, so the
    // indexes in the key map stay valid.
    std::string text;
    text.reserve(key.size() + 1 + value.size() + 2);
    text.append(key).append("=");
    AppendEncodedValue(text, value);
    const std::size_t at = target->lastKeyLine == NO_LINE ? 0 : target->lastKeyLine + 1;
    target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), true});
    target->keys.AddIfMissing(key, at);
    target->lastKeyLine = at;
    return true;
}

std::string IniDocument::Serialize() const {
    const std::string_view eol = crlf_ ? "\r\n" : "\n";
    std::size_t total = 0;
    for (const Line& line : preamble_) total += line.text.size() + eol.size();
    for (const Section& section : sections_) {
        total += section.header.size() + eol.size();
        for (const Line& line : section.lines) total += line.text.size() + eol.size();
    }
    std::string out;
    out.reserve(total);
    for (const Line& line : preamble_) out.append(line.text).append(eol);
    for (const Section& section : sections_) {
        out.append(section.header).append(eol);
        for (const Line& line : section.lines) out.append(line.text).append(eol);
    }
    return out;
}

void IniDocument::AppendEncodedValue(std::string& out, std::string_view value) {
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    if (value.empty()) return;

    // Every line break becomes one blank, so the first and last characters
    // of the stored text are known before it is built.
    auto stored = [](char c) { return c == '\r' || c == '\n' ? ' ' : c; };
    const char first = stored(value.front());
    const char last = stored(value.back());
    const bool edgeSpace = IsEdgeSpace(first) || IsEdgeSpace(last);
    const bool quoted = value.size() >= 2 && (first == '"' || first == '\'') && first == last;
    const bool wrap = edgeSpace || quoted;

    if (wrap) out.push_back('"');
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t lineBreak = FindLineBreak(value, i);
        if (lineBreak == std::string_view::npos) {
            out.append(value.substr(i));
            break;
        }
        out.append(value.substr(i, lineBreak - i));
        out.push_back(' ');
        i = lineBreak + 1;
        if (value[lineBreak] == '\r' && i < value.size() && value[i] == '\n') ++i;
    }
    if (wrap) out.push_back('"');
}

std::string IniDocument::EncodeValue(std::string_view value) {
    std::string text;
    AppendEncodedValue(text, value);
    return text;
}

std::string_view IniDocument::DecodeValue(std::string_view raw) {
    std::string_view value = Trim(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.front() == value.back()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace tikr
