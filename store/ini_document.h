#pragma once
// The parsed form of an INI profile file, kept line by line so that a
// rewrite reproduces every line it did not change.
//
// Syntax, as the private-profile functions of the original platform read it:
// - A line whose first non-blank character is "[" and that holds a "]"
//   opens a section; its name is the text between them, blanks trimmed.
// - A line "key=value" in a section is a key; key and value are trimmed of
//   blanks and tabs. A value enclosed in one pair of matching quotation
//   marks (" or ') reads without them.
// - Lines starting with ";" are comments. Comments, blank lines and lines
//   of any other form are kept as they are and mean nothing.
// - Section and key names match without regard to ASCII letter case; the
//   first matching section and, in it, the first matching key win for
//   reads and writes alike.
// - LF and CRLF line ends both read; a rewrite uses CRLF when the file's
//   first line ended with CRLF, else LF. A UTF-8 byte order mark before
//   the first line is kept and does not hide the first section. Bytes are
//   otherwise passed through as they are.
//
// Lookups and updates cost O(1) on average: sections and keys are found
// through hash maps keyed by their names without regard to case.
#include <cstddef>
#include <deque>
#include <memory>
#include <utility>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tikr {

// ASCII case-insensitive hashing and comparison, usable with string_view
// lookups into maps keyed by std::string.
struct CaseInsensitiveHash {
    using is_transparent = void;
    // Not noexcept on purpose: the standard maps then keep each node's hash,
    // so a lookup does not hash every key of the bucket it walks.
    std::size_t operator()(std::string_view text) const;
};
struct CaseInsensitiveEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

class IniDocument {
public:
    // Replaces the content with the parse of the text. Never fails: any
    // byte sequence gives some document.
    void Parse(std::string_view text);

    // Forgets everything; the document is then that of an empty file.
    void Clear();

    // The value of the key as a read sees it (trimmed, one pair of
    // enclosing quotes removed). Empty optional when the section or the
    // key is missing. The view stays valid until the document changes.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    // Sets the key's value, creating the section and key when missing.
    // False (and nothing changed) when the names cannot be written as an
    // INI line: empty, holding a line break or NUL, a section name holding
    // "]", a key holding "=" or starting with "[" or ";", or blanks at
    // either end of a name.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // The whole file text.
    std::string Serialize() const;

    bool UsesCrlf() const { return crlf_; }

    // The text stored after "key=" so that a read gives back the value:
    // - a NUL ends the value;
    // - every line break (CRLF, CR or LF) becomes one space, since a value
    //   lives on one line and the file format has no escape for a break;
    // - a value with blanks at either end, or enclosed in one pair of
    //   matching quotes, is wrapped in double quotes, as trimming and quote
    //   removal on reading would otherwise change it.
    static std::string EncodeValue(std::string_view value);
    // EncodeValue, appended to out.
    static void AppendEncodedValue(std::string& out, std::string_view value);

    // The value a read gives for the raw text after "=": blanks and tabs
    // trimmed, then one pair of enclosing matching quotes removed.
    static std::string_view DecodeValue(std::string_view raw);

    static bool IsValidSectionName(std::string_view name);
    static bool IsValidKeyName(std::string_view name);

private:
    struct Line {
        std::string text;
        bool isKey = false;
    };
    using IndexMap = std::unordered_map<std::string, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual>;
    // The first line index of each key of a section. A task's section has
    // about ten keys: scanning a small array is faster than hashing and
    // allocates once; a section that grows large gets a hash map instead.
    class KeyIndex {
    public:
        const std::size_t* Find(std::string_view key) const;
        // Records the key's line unless the key is already known (the first
        // line of a key is the one reads and writes use).
        void AddIfMissing(std::string_view key, std::size_t line);
        void Reserve(std::size_t count) { entries_.reserve(count); }

    private:
        static constexpr std::size_t LINEAR_LIMIT = 24;
        std::vector<std::pair<std::string, std::size_t>> entries_;
        std::unique_ptr<IndexMap> map_;
        // Keys are mostly read and written in the order the file holds
        // them: the entry after the last one found is tried first.
        mutable std::size_t next_ = 0;
    };
    struct Section {
        std::string name;     // as the header spells it, blanks trimmed
        bool firstOfName = false;  // reads and writes use the first section of a name
        std::string header;
        std::vector<Line> lines;
        KeyIndex keys;
        std::size_t lastKeyLine = NO_LINE;
    };
    static constexpr std::size_t NO_LINE = static_cast<std::size_t>(-1);
    static constexpr std::size_t TYPICAL_KEYS = 12;
    static Section NewSection();

    void AddParsedLine(std::string&& raw, std::string_view content, Section*& current);
    static void AddKeyLine(Section& section, std::string&& text, std::string_view key);
    bool LastLineIsBlank() const;

    std::vector<Line> preamble_;   // lines before the first section
    std::deque<Section> sections_; // deque: sections never move once added
    IndexMap sectionIndex_;        // first section of each name
    // Reads and writes come in runs on one section (a task's keys), and
    // whole-list saves and loads visit the sections in file order: the last
    // section found, or the one after it, usually answers the next lookup
    // without touching the hash map.
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name) {
        return const_cast<Section*>(std::as_const(*this).FindSection(name));
    }
    mutable std::size_t lastSection_ = NO_LINE;
    bool crlf_ = false;
};

}  // namespace tikr
