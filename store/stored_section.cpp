#include "store/stored_section.h"

#include "store/ascii_text.h"
#include "store/ini_lines.h"

namespace tikr {

namespace {

std::uint64_t NameBit(std::string_view key) {
    const unsigned first = key.empty() ? 0u : static_cast<unsigned char>(LowerAscii(key[0]));
    return std::uint64_t{1} << ((key.size() * 7 + first) & 63);
}

}  // namespace

std::string_view CutForRead(std::string_view value) {
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    return value.substr(0, MAX_READ_LENGTH);
}

int ParseStoredInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    return ReadInteger(text.substr(i)).value;
}

int StoredSection::ReadInt(std::string_view key, int defaultValue) const {
    const std::uint32_t found = Lookup(key);
    if (found == NOT_FOUND) return defaultValue;
    const Entry& entry = entries_[found];
    return ParseStoredInt(std::string_view(text_).substr(entry.valueBegin, entry.valueLength));
}

std::string_view StoredSection::View(std::string_view key, std::string_view defaultValue) const {
    const std::uint32_t found = Lookup(key);
    if (found == NOT_FOUND) return CutForRead(defaultValue);
    const Entry& entry = entries_[found];
    return CutForRead(std::string_view(text_).substr(entry.valueBegin, entry.valueLength));
}

std::uint32_t StoredSection::Lookup(std::string_view key) const {
    if ((namesSeen_ & NameBit(key)) == 0) return NOT_FOUND;
    const auto count = static_cast<std::uint32_t>(entries_.size());
    for (std::uint32_t n = 0, i = next_; n < count; ++n, i = i + 1 == count ? 0 : i + 1) {
        const Entry& entry = entries_[i];
        if (entry.keyLength == key.size() && ini_lines::SameName(KeyAt(entry), key)) {
            next_ = i + 1 == count ? 0 : i + 1;
            return i;
        }
    }
    return NOT_FOUND;
}

void StoredSection::KeepText(std::string_view text) {
    text_.assign(text.data(), text.size());
    keptFrom_ = text.data();
    keptSize_ = text.size();
    entries_.reserve(ini_lines::TYPICAL_KEYS + 4);
}

std::uint32_t StoredSection::Place(std::string_view text) {
    const auto from = reinterpret_cast<std::uintptr_t>(keptFrom_);
    const auto at = reinterpret_cast<std::uintptr_t>(text.data());
    if (keptFrom_ != nullptr && at >= from && at - from + text.size() <= keptSize_)
        return static_cast<std::uint32_t>(at - from);
    const auto begin = static_cast<std::uint32_t>(text_.size());
    text_ += text;
    return begin;
}

void StoredSection::Add(std::string_view key, std::string_view value) {
    const std::uint64_t bit = NameBit(key);
    if ((namesSeen_ & bit) != 0) {
        for (const Entry& entry : entries_) {
            if (entry.keyLength == key.size() && ini_lines::SameName(KeyAt(entry), key)) return;
        }
    }
    namesSeen_ |= bit;
    Entry entry;
    entry.keyBegin = Place(key);
    entry.keyLength = static_cast<std::uint32_t>(key.size());
    entry.valueBegin = Place(value);
    entry.valueLength = static_cast<std::uint32_t>(value.size());
    entries_.push_back(entry);
}

}  // namespace tikr
