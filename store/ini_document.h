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
// - Lines starting with ";" are comments, even when they hold "=".
//   Comments, blank lines and lines of any other form are kept as they are
//   and mean nothing.
// - Section and key names match without regard to ASCII letter case; the
//   first matching section and, in it, the first matching key win for
//   reads and writes alike.
// - A line ends at its first CR or LF; its line end is that character
//   with any CRs after it and one LF (so LF, CRLF, a lone CR and CRCRLF
//   each end one line). No name or value holds a line-end character.
//   Every line keeps its own line end in a rewrite; new lines take the
//   first line's (LF when the file has none). A UTF-8 byte order mark
//   before the first line is kept and does not hide the first section.
//   Bytes are otherwise passed through as they are.
// - Writing the value a key already reads as leaves its line as it is.
//
// Value encoding and the name rules are in ini_text.h.
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

    // The line end new lines get: the first line's, else LF.
    std::string_view LineEnd() const { return lineEnd_; }
    bool UsesCrlf() const { return lineEnd_ == "\r\n"; }

private:
    struct Line {
        std::string text;  // with its line end, when the file gave it one
        bool isKey = false;
    };
    using IndexMap = std::unordered_map<std::string, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual>;
    // The first line index of each key of a section. A task's section has
    // about ten keys: scanning a small array is faster than hashing (loading
    // a large list takes about 40% less time) and allocates once; a section
    // that grows large gets a hash map, so that a file with a huge section
    // still loads in linear time.
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
    };
    struct Section {
        std::string name;          // as the header spells it, blanks trimmed
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

    std::vector<Line> preamble_;    // lines before the first section
    std::deque<Section> sections_;  // deque: sections never move once added
    IndexMap sectionIndex_;         // first section of each name
    // Reads and writes come in runs on one section (a task's keys), and
    // whole-list saves and loads visit the sections in file order: the last
    // section found, or the one after it, usually answers the next lookup
    // without touching the hash map (a whole-list save takes about a quarter
    // less time). The map answers the rest, above all the lookups of new
    // sections, which would otherwise scan every section.
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name) { return const_cast<Section*>(std::as_const(*this).FindSection(name)); }
    mutable std::size_t lastSection_ = NO_LINE;
    std::string_view lineEnd_ = "\n";
};

}  // namespace tikr
