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
// - Writing the value a key already reads as leaves its line as it is, and
//   does not count as a change.
// - Texts of 4 GiB or more (only a 64-bit build can hold one) are not
//   parsed: the document is that of an empty file.
//
// Value encoding and the name rules are in ini_text.h.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tikr {

class StoredSection;

// ASCII case-insensitive hashing and comparison of names.
struct CaseInsensitiveHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const;
};
struct CaseInsensitiveEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

class IniDocument {
public:
    // The longest text Parse reads.
    static constexpr std::size_t MAX_TEXT_SIZE = 0xFFFFFFFEu;

    // Replaces the content with the parse of the text. Never fails: any
    // byte sequence gives some document.
    void Parse(std::string_view text);
    // The same, keeping the given text rather than a copy of it.
    void ParseOwned(std::string text);

    // Forgets everything; the document is then that of an empty file.
    void Clear();

    // The value of the key as a read sees it (trimmed, one pair of
    // enclosing quotes removed). Empty optional when the section or the
    // key is missing. The view stays valid until the document changes.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    // Adds every key of the section, as Find reads it, to out.
    void ReadSection(std::string_view section, StoredSection& out) const;

    // Sets the key's value, creating the section and key when missing.
    // False (and nothing changed) when the names cannot be written as an
    // INI line: empty, holding a line break or NUL, a section name holding
    // "]", a key holding "=" or starting with "[" or ";", or blanks at
    // either end of a name.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // Counts the changes made since construction: Parse, Clear and every
    // Set that changed the text move it on; a Set that left the text as it
    // was does not.
    std::uint64_t Revision() const { return revision_; }

    // The whole file text.
    std::string Serialize() const;

    // The line end new lines get: the first line's, else LF.
    std::string_view LineEnd() const { return lineEnd_; }
    bool UsesCrlf() const { return lineEnd_ == "\r\n"; }

private:
    // The parsed file keeps its text in one buffer and, for each section,
    // only where its header and its lines are in it: a file of 100,000
    // lines costs little more than its text. The lines of a section are
    // found when it is first looked into (reads and writes come in runs on
    // one section, so one section's lines are kept at a time), and a
    // section that is written keeps its lines in an array of its own, where
    // a written line's text lives in edits_.
    struct Line {
        std::uint32_t begin = 0;  // offset in text_, or index in edits_ when edited
        std::uint32_t size = 0;   // with its line end, when it has one (original lines)
        // Key lines: where the key and the value are; a header: its name.
        std::uint8_t keyBegin = 0;
        std::uint8_t keyLength = 0;
        std::uint8_t valueBegin = 0;  // just after the "="
        std::uint8_t flags = 0;
    };
    static constexpr std::uint8_t KEY = 1;
    static constexpr std::uint8_t EDITED = 2;
    static constexpr std::uint8_t PLACES_UNKEPT = 4;  // the places above did not fit: found again at each use
    static constexpr std::uint8_t FIRST_OF_NAME = 8;  // a header: reads and writes use this section

    struct Section {
        Line header;              // unused for the lines before the first section
        std::uint32_t begin = 0;  // its lines in text_, while own is NONE
        std::uint32_t end = 0;
        std::uint32_t own = NONE;  // its lines in owned_, once it was written
        std::uint32_t keyEnd = 0;  // with own: after its last key line (or its header), where new keys go
    };
    static constexpr std::uint32_t NONE = 0xFFFFFFFFu;

    struct Body {
        const Line* lines;
        std::uint32_t count;
    };

    // Defined here so that the lookups, which call them for every line
    // they pass, have them inline.
    std::string_view TextOf(const Line& line) const {
        if ((line.flags & EDITED) != 0) return edits_[line.begin];
        return std::string_view(text_.data() + line.begin, line.size);
    }
    std::string_view KeyOf(const Line& line) const {
        if ((line.flags & PLACES_UNKEPT) == 0)
            return std::string_view(TextOf(line).data() + line.keyBegin, line.keyLength);
        return FarKeyOf(TextOf(line));
    }
    std::string_view NameOf(const Section& section) const {
        const Line& header = section.header;
        if ((header.flags & PLACES_UNKEPT) == 0)
            return std::string_view(TextOf(header).data() + header.keyBegin, header.keyLength);
        return FarNameOf(TextOf(header));
    }
    static std::string_view FarKeyOf(std::string_view text);
    static std::string_view FarNameOf(std::string_view text);
    std::string_view RawValueOf(const Line& line) const;
    Body LinesOf(std::uint32_t section) const;
    void SplitLines(std::uint32_t section, std::vector<Line>& lines, std::uint32_t& keyEnd) const;
    std::vector<Line>& Own(std::uint32_t section);
    Line EditedLine(std::string text, std::size_t keyLength, std::uint32_t slot = NONE);
    void AddHeader(std::size_t lineBegin, std::size_t bracket, std::size_t close, std::size_t next);
    void AddToIndex(std::uint32_t section);
    void GrowIndex(std::size_t sections);
    bool LastLineIsBlank() const;
    std::uint32_t NewSection(std::string_view name);

    std::string text_;               // the file's text as parsed
    std::deque<std::string> edits_;  // the text of lines written since
    std::vector<std::vector<Line>> owned_;
    std::vector<Section> sections_ = std::vector<Section>(1);  // [0]: the lines before the first section
    // The lines of the last section looked into that has none of its own.
    mutable std::vector<Line> cache_;
    mutable std::uint32_t cached_ = NONE;
    // First section of each name: an open-addressing table of indexes into
    // sections_ plus one (0: free), at most half full.
    std::vector<std::uint32_t> sectionIndex_;
    std::uint32_t indexed_ = 0;  // sections in the table
    // Reads and writes come in runs on one section (a task's keys), and
    // whole-list saves and loads visit the sections in file order: the last
    // section found, or the one after it, usually answers the next lookup
    // without hashing. The table answers the rest.
    std::uint32_t FindSection(std::string_view name) const;
    mutable std::uint32_t lastSection_ = NONE;
    std::string_view lineEnd_ = "\n";
    std::uint64_t revision_ = 0;
};

}  // namespace tikr
