#include "store/ini_document.h"

#include <cstdint>
#include <cstring>

#include "store/ascii_text.h"
#include "store/ini_text.h"

namespace tikr {

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

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
    // 64-bit arithmetic on 32-bit systems too; the map takes what fits.
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

const std::size_t* IniDocument::KeyIndex::Find(std::string_view key) const {
    if (map_) {
        const auto found = map_->find(key);
        return found == map_->end() ? nullptr : &found->second;
    }
    const CaseInsensitiveEqual equal;
    for (const auto& entry : entries_) {
        if (equal(entry.first, key)) return &entry.second;
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
    lineEnd_ = "\n";
}

void IniDocument::Parse(std::string_view text) {
    Clear();
    Section* current = nullptr;
    const char* data = text.data();
    const std::size_t size = text.size();
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

        if (pos == 0) lineEnd_ = LineEndStyle(text.substr(contentEnd, next - contentEnd));
        std::string raw(text.substr(pos, next - pos));
        std::string_view content = std::string_view(raw).substr(0, contentEnd - pos);
        if (pos == 0 && content.substr(0, UTF8_BOM.size()) == UTF8_BOM) content.remove_prefix(UTF8_BOM.size());
        AddParsedLine(std::move(raw), content, current);
        pos = next;
    }
}

void IniDocument::AddParsedLine(std::string&& raw, std::string_view content, Section*& current) {
    // content views raw's buffer (or a suffix of it); take what is needed
    // before raw is moved.
    const std::string_view trimmed = TrimBlanks(content);
    if (!trimmed.empty() && trimmed.front() == '[') {
        const std::size_t close = trimmed.find(']');
        if (close != std::string_view::npos) {
            std::string name(TrimBlanks(trimmed.substr(1, close - 1)));
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
    std::string key(TrimBlanks(trimmed.substr(0, equals)));
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
    const std::string_view text = sec.lines[*k].text;
    const std::size_t equals = text.find('=');
    return DecodeIniValue(text.substr(equals + 1, ContentLength(text) - equals - 1));
}

bool IniDocument::LastLineIsBlank() const {
    const std::vector<Line>* last = sections_.empty() ? &preamble_ : &sections_.back().lines;
    if (!sections_.empty() && last->empty()) return false;  // ends with a section header
    if (last->empty()) return true;                         // empty document
    const std::string_view text = last->back().text;
    return TrimBlanks(text.substr(0, ContentLength(text))).empty();
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
        target->header.reserve(section.size() + 2);
        target->header.append("[").append(section).append("]");
        target->name = section;
        target->firstOfName = sectionIndex_.try_emplace(std::string(section), sections_.size() - 1).second;
    }

    const std::size_t* k = target->keys.Find(key);
    if (k != nullptr) {
        Line& line = target->lines[*k];
        const std::string_view text = line.text;
        const std::size_t equals = text.find('=');
        const std::size_t contentEnd = ContentLength(text);
        // A save writes every key again; most values are what the line
        // already reads as, and such a line is left as it is.
        if (DecodeIniValue(text.substr(equals + 1, contentEnd - equals - 1)) == value) return true;
        // The line is rebuilt in place, reusing its storage; the key keeps
        // its spelling and the line its line end.
        const std::string_view before = TrimBlanks(text.substr(0, equals));
        const std::size_t keyBegin = static_cast<std::size_t>(before.data() - text.data());
        const std::size_t keyEnd = keyBegin + before.size();
        const std::string lineEnd(text.substr(contentEnd));
        line.text.erase(keyEnd);
        line.text.erase(0, keyBegin);
        line.text.push_back('=');
        AppendEncodedIniValue(line.text, value);
        line.text.append(lineEnd);
        return true;
    }

    // A new key goes right after the section's last key line (or its
    // header), so that blank lines and comments closing the section stay
    // after it. No key line sits behind the insertion point, so the
    // indexes in the key map stay valid.
    std::string text;
    text.reserve(key.size() + 1 + value.size() + 2);
    text.append(key).append("=");
    AppendEncodedIniValue(text, value);
    const std::size_t at = target->lastKeyLine == NO_LINE ? 0 : target->lastKeyLine + 1;
    target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), true});
    target->keys.AddIfMissing(key, at);
    target->lastKeyLine = at;
    return true;
}

std::string IniDocument::Serialize() const {
    // Lines keep the line end they were read with; new lines and a last
    // line that had none get the document's.
    auto length = [this](const std::string& text) { return text.size() + (HasLineEnd(text) ? 0 : lineEnd_.size()); };
    auto append = [this](std::string& out, const std::string& text) {
        out.append(text);
        if (!HasLineEnd(text)) out.append(lineEnd_);
    };
    std::size_t total = 0;
    for (const Line& line : preamble_) total += length(line.text);
    for (const Section& section : sections_) {
        total += length(section.header);
        for (const Line& line : section.lines) total += length(line.text);
    }
    std::string out;
    out.reserve(total);
    for (const Line& line : preamble_) append(out, line.text);
    for (const Section& section : sections_) {
        append(out, section.header);
        for (const Line& line : section.lines) append(out, line.text);
    }
    return out;
}

}  // namespace tikr
