#pragma once
// The keys of one profile section as one look at the file found them: a
// task reads its dozen keys from this, so its load finds the section and
// splits its lines once rather than once per key. Reads give what the
// store's own reads of the same keys would have given at that moment;
// later writes to the section do not change them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tikr {

// The longest text a read returns; longer values are cut to this.
constexpr std::size_t MAX_READ_LENGTH = 4095;

// What a read gives for a value: the text up to a NUL, cut to
// MAX_READ_LENGTH.
std::string_view CutForRead(std::string_view value);
// A value read as a decimal integer: leading blanks, an optional sign,
// digits up to the first non-digit; no digits give 0; values beyond 32
// bits are clamped.
int ParseStoredInt(std::string_view text);

class StoredSection {
public:
    explicit StoredSection(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }

    // As ProfileStore::ReadString and ReadInt read the key.
    std::string ReadString(std::string_view key, std::string_view defaultValue = {}) const {
        return std::string(View(key, defaultValue));
    }
    int ReadInt(std::string_view key, int defaultValue) const;
    // ReadString's text without a copy, valid while the section lives.
    std::string_view View(std::string_view key, std::string_view defaultValue = {}) const;
    bool HasKey(std::string_view key) const { return Lookup(key) != NOT_FOUND; }

    // Keeps a copy of the section's text: the keys and values added from
    // inside it then cost no copy of their own.
    void KeepText(std::string_view text);
    // Adds the key's value, as a read sees it, unless an earlier key of
    // the same name (in any letter case) was added: the first one wins.
    void Add(std::string_view key, std::string_view value);

private:
    static constexpr std::uint32_t NOT_FOUND = 0xFFFFFFFFu;
    struct Entry {
        std::uint32_t keyBegin;
        std::uint32_t keyLength;
        std::uint32_t valueBegin;
        std::uint32_t valueLength;
    };
    // Where the text is in text_: inside the kept copy, else appended.
    std::uint32_t Place(std::string_view text);
    std::string_view KeyAt(const Entry& entry) const {
        return std::string_view(text_).substr(entry.keyBegin, entry.keyLength);
    }
    std::uint32_t Lookup(std::string_view key) const;

    std::string name_;
    std::string text_;                // the kept text, then keys and values added from elsewhere
    const char* keptFrom_ = nullptr;  // where the kept text was copied from
    std::size_t keptSize_ = 0;
    std::vector<Entry> entries_;
    // One bit per (length, first letter) of the names added: most keys
    // show at once that no earlier one has their name.
    std::uint64_t namesSeen_ = 0;
    // Reads usually come in the order the keys were stored: a lookup starts
    // just after the key the last one found.
    mutable std::uint32_t next_ = 0;
};

}  // namespace tikr
