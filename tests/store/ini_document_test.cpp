// The INI text itself: how lines are read, and what a rewrite keeps.
#include "store/ini_document.h"
#include "store/ini_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>

namespace tikr {
namespace {

std::optional<std::string> Get(const IniDocument& doc, const std::string& section, const std::string& key) {
    auto v = doc.Find(section, key);
    if (!v) return std::nullopt;
    return std::string(*v);
}

// A string literal with the NULs it holds.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

IniDocument Parsed(const std::string& text) {
    IniDocument doc;
    doc.Parse(text);
    return doc;
}

// A file as the Windows profile functions write and people edit it.
const std::string WINDOWS_FILE =
    "; scheduler settings\r\n"
    "[Settings]\r\n"
    "NumApps = 2\r\n"
    "interval=\t30 \r\n"
    "\r\n"
    "  [ App1 ]  \r\n"
    "title = \"  padded  \"\r\n"
    "command='quoted'\r\n"
    "Message=\"half\r\n"
    "odd line without equals\r\n"
    "=no key\r\n"
    "; Disabled=1\r\n"
    "Disabled=0\r\n"
    "disabled=1\r\n"
    "[settings]\r\n"
    "NumApps=9\r\n"
    "HideOnStartup=1\r\n"
    "[app1\r\n"
    "show=3\r\n";

TEST(IniDocumentTest, ReadsAWindowsStyleFileAsWindowsWould) {
    const IniDocument doc = Parsed(WINDOWS_FILE);
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } cases[] = {
        {"settings", "numapps", "2"},       // first of duplicate sections wins
        {"SETTINGS", "Interval", "30"},     // blanks and tabs around the value trimmed
        {"Settings", "HideOnStartup", {}},  // only in the later duplicate section
        {"App1", "title", "  padded  "},    // one pair of quotes removed, inner blanks kept
        {"app1", "command", "quoted"},      // single quotes too
        {"App1", "Message", "\"half"},      // unmatched quote stays
        {"App1", "disabled", "0"},          // first of duplicate keys wins; comment ignored
        {"App1", "show", {}},               // "[app1" without "]" opens no section
        {"settings", "show", {}},           // so "show" is in the later duplicate
        {"App1", "odd line without equals", {}},
        {"App2", "title", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Get(doc, c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
    EXPECT_TRUE(doc.UsesCrlf());
}

TEST(IniDocumentTest, RewriteKeepsEveryUnchangedLineAndTheCrlfStyle) {
    IniDocument doc = Parsed(WINDOWS_FILE);
    ASSERT_TRUE(doc.Set("SETTINGS", "numapps", "3"));
    ASSERT_TRUE(doc.Set("app1", "Show", "7"));
    std::string expected = WINDOWS_FILE;
    expected.replace(expected.find("NumApps = 2"), 11, "NumApps=3");
    // A new key follows the section's last key line.
    expected.replace(expected.find("disabled=1\r\n"), 12, "disabled=1\r\nShow=7\r\n");
    EXPECT_EQ(doc.Serialize(), expected);
}

TEST(IniDocumentTest, UnchangedDocumentSerializesToItsText) {
    for (const std::string& text : {std::string(), std::string("a\n"), std::string("[s]\nk=v\n\n; c\n"),
                                    std::string("[s]\r\nk=v\r\n"), WINDOWS_FILE}) {
        EXPECT_EQ(Parsed(text).Serialize(), text);
    }
    // A missing final line end is added; nothing else changes.
    EXPECT_EQ(Parsed("[s]\nk=v").Serialize(), "[s]\nk=v\n");
}

TEST(IniDocumentTest, NewKeysAndSectionsGoWhereWindowsPutsThem) {
    IniDocument doc = Parsed("[a]\nx=1\n\n[b]\n; only a comment\n\n");
    ASSERT_TRUE(doc.Set("a", "y", "2"));
    ASSERT_TRUE(doc.Set("b", "z", "3"));
    ASSERT_TRUE(doc.Set("c", "w", "4"));
    ASSERT_TRUE(doc.Set("C", "v", "5"));
    EXPECT_EQ(doc.Serialize(), "[a]\nx=1\ny=2\n\n[b]\nz=3\n; only a comment\n\n[c]\nw=4\nv=5\n");

    IniDocument fresh;
    ASSERT_TRUE(fresh.Set("Settings", "NumApps", "1"));
    ASSERT_TRUE(fresh.Set("App1", "title", "t"));
    EXPECT_EQ(fresh.Serialize(), "[Settings]\nNumApps=1\n\n[App1]\ntitle=t\n");
    EXPECT_FALSE(fresh.UsesCrlf());
}

TEST(IniDocumentTest, ByteOrderMarkDoesNotHideTheFirstSection) {
    const std::string text = "\xEF\xBB\xBF[settings]\nNumApps=4\n";
    IniDocument doc = Parsed(text);
    EXPECT_EQ(Get(doc, "Settings", "NumApps"), "4");
    ASSERT_TRUE(doc.Set("Settings", "interval", "5"));
    EXPECT_EQ(doc.Serialize(), text + "interval=5\n");
}

TEST(IniDocumentTest, ValuesRoundTripThroughTheirEncoding) {
    struct Case {
        std::string value;
        std::string stored;  // the text after "="
        std::string readBack;
    } cases[] = {
        {"plain", "plain", "plain"},
        {"", "", ""},
        {"  lead", "\"  lead\"", "  lead"},
        {"trail\t", "\"trail\t\"", "trail\t"},
        {"\"both\"", "\"\"both\"\"", "\"both\""},
        {"'single'", "\"'single'\"", "'single'"},
        {"\"", "\"", "\""},
        {"'mixed\"", "'mixed\"", "'mixed\""},
        {"in \"side\" ok", "in \"side\" ok", "in \"side\" ok"},
        {"a=b;c", "a=b;c", "a=b;c"},
        {"one\r\ntwo\nthree\rfour", "one two three four", "one two three four"},
        {"\nedge\n", "\" edge \"", " edge "},
        {Bytes("cut\0here"), "cut", "cut"},
        {"\xFF\xFE bytes \x80", "\xFF\xFE bytes \x80", "\xFF\xFE bytes \x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeIniValue(c.value), c.stored);
        IniDocument doc;
        ASSERT_TRUE(doc.Set("s", "k", c.value));
        const std::string text = doc.Serialize();
        EXPECT_EQ(text, "[s]\nk=" + c.stored + "\n");
        EXPECT_EQ(Get(Parsed(text), "s", "k"), c.readBack);
    }
}

TEST(IniDocumentTest, RefusesNamesThatWouldBreakTheLineStructure) {
    struct Case {
        std::string section;
        std::string key;
    } bad[] = {
        {"", "k"},   {"s", ""},   {"a]b", "k"}, {"s\n", "k"}, {"s", "k\r"},        {"s", "a=b"},
        {"s", "[k"}, {"s", ";k"}, {" s", "k"},  {"s", "k "},  {Bytes("s\0"), "k"},
    };
    for (const Case& c : bad) {
        IniDocument doc = Parsed("[s]\nk=1\n");
        EXPECT_FALSE(doc.Set(c.section, c.key, "v")) << c.section << "/" << c.key;
        EXPECT_EQ(doc.Serialize(), "[s]\nk=1\n");
    }
}

TEST(IniDocumentTest, CaseFoldingIsAsciiOnly) {
    const IniDocument doc = Parsed("[Caf\xC3\xA9]\nK\xC3\x89Y=1\n");
    EXPECT_EQ(Get(doc, "CAF\xC3\xA9", "k\xC3\x89y"), "1");
    EXPECT_EQ(Get(doc, "Caf\xC3\x89", "K\xC3\x89Y"), std::nullopt);
}

// LF, CRLF, CRCRLF and a lone CR each end one line; no value keeps a CR,
// and a rewrite leaves every other line, line end included, as it was.
TEST(IniDocumentTest, EveryKindOfLineEndEndsOneLineAndStaysAsItWas) {
    const std::string text =
        "[s]\na=1\r\nb=2\r\r\nRunMissedOnStartup=No\rNextAt=09-Dec-2026 08:30:00\r\r\n; c=1\r\rlast=x";
    IniDocument doc = Parsed(text);
    EXPECT_FALSE(doc.UsesCrlf());  // the first line decides the line end of new lines
    const std::pair<const char*, const char*> values[] = {
        {"a", "1"}, {"b", "2"}, {"RunMissedOnStartup", "No"}, {"NextAt", "09-Dec-2026 08:30:00"}, {"last", "x"}};
    for (const auto& [key, value] : values) EXPECT_EQ(Get(doc, "s", key), value) << key;
    EXPECT_EQ(Get(doc, "s", "; c"), std::nullopt);

    ASSERT_TRUE(doc.Set("s", "b", "3"));
    ASSERT_TRUE(doc.Set("s", "RunMissedOnStartup", "Yes"));
    ASSERT_TRUE(doc.Set("s", "new", "4"));
    const std::string expected =
        "[s]\na=1\r\nb=3\r\r\nRunMissedOnStartup=Yes\rNextAt=09-Dec-2026 08:30:00\r\r\n; c=1\r\rlast=x\nnew=4\n";
    EXPECT_EQ(doc.Serialize(), expected);
    // Saving again and again takes nothing more away.
    IniDocument again = Parsed(expected);
    ASSERT_TRUE(again.Set("s", "b", "3"));
    ASSERT_TRUE(again.Set("s", "NextAt", "09-Dec-2026 08:30:00"));
    EXPECT_EQ(again.Serialize(), expected);

    EXPECT_EQ(Parsed("[s]\r\r\nk=v").LineEnd(), "\r\n");
    IniDocument loneCr = Parsed("[s]\rk=v\r");
    EXPECT_EQ(loneCr.LineEnd(), "\r");
    ASSERT_TRUE(loneCr.Set("t", "k", "w"));
    EXPECT_EQ(loneCr.Serialize(), "[s]\rk=v\r\r[t]\rk=w\r");
}

// A comment holding "=" is no key: it is not found, and a new key goes
// before it like before any comment that closes a section.
TEST(IniDocumentTest, CommentWithEqualsSignIsNoKey) {
    IniDocument doc = Parsed("[s]\n; NumApps=5\n;k=1\n");
    EXPECT_EQ(Get(doc, "s", "; NumApps"), std::nullopt);
    EXPECT_EQ(Get(doc, "s", ";k"), std::nullopt);
    ASSERT_TRUE(doc.Set("s", "k", "2"));
    EXPECT_EQ(doc.Serialize(), "[s]\nk=2\n; NumApps=5\n;k=1\n");
}

// Writing the value a key already reads as leaves its line alone, however
// it is spelt; a value that only looks like its stored text is rewritten.
TEST(IniDocumentTest, UnchangedValueLeavesItsLineAlone) {
    const struct {
        const char* line;      // the key's line in the file
        const char* value;     // the value written
        const char* result;    // the line afterwards
        const char* readBack;  // what a read then gives
    } cases[] = {
        {"k=x", "x", "k=x", "x"},
        {"K = x\t", "x", "K = x\t", "x"},
        {"k=\"  padded  \"", "  padded  ", "k=\"  padded  \"", "  padded  "},
        {"k='x'", "x", "k='x'", "x"},
        {"k=\"x\"", "\"x\"", "k=\"\"x\"\"", "\"x\""},  // stored text equal to the value, but it reads as x
        {"k=\"\"", "\"\"", "k=\"\"\"\"", "\"\""},      // the two-character value "" is not the empty one
        {"k=\"\"", "", "k=\"\"", ""},
        {"k=a b", "a\nb", "k=a b", "a b"},
        {"k = y", "x", "k=x", "x"},
    };
    for (const auto& c : cases) {
        IniDocument doc = Parsed(std::string("[s]\r\n") + c.line + "\r\n");
        ASSERT_TRUE(doc.Set("s", "k", c.value));
        EXPECT_EQ(doc.Serialize(), std::string("[s]\r\n") + c.result + "\r\n") << c.line;
        EXPECT_EQ(Get(Parsed(doc.Serialize()), "s", "k"), c.readBack) << c.line;
    }
}

// Runs of writes on one parsed text: a line written twice, a value written
// back to what the file held, keys far into their line, new keys in a
// section that others follow and in the last one. Every other byte stays,
// and only writes that change the text count as changes.
TEST(IniDocumentTest, WritesChangeOnlyTheirLinesAndCountOnlyRealChanges) {
    const std::string pad(300, ' ');
    const std::string longKey(300, 'k');
    const std::string text =
        "; top\r\n[a]\r\nx=1\r\n" + pad + "far = 2\r\n" + longKey + "=3\r\n; end of a\r\n[b]\r\ny=4\r\n";
    struct Write {
        const char* section;
        std::string key;
        const char* value;
        bool changes;
    };
    const Write writes[] = {
        {"A", "X", "1", false},   {"a", "x", "5", true},   {"a", "x", "6", true},      {"a", "x", "1", true},
        {"a", "FAR", "2", false}, {"a", "far", "7", true}, {"a", longKey, "3", false}, {"a", longKey, "8", true},
        {"a", "new", "9", true},  {"b", "z", "10", true},  {"c", "w", "11", true},     {"C", "W", "11", false},
    };
    IniDocument doc = Parsed(text);
    for (const Write& w : writes) {
        const std::uint64_t before = doc.Revision();
        ASSERT_TRUE(doc.Set(w.section, w.key, w.value));
        EXPECT_EQ(doc.Revision() != before, w.changes) << w.section << "/" << w.key.substr(0, 8) << "=" << w.value;
        EXPECT_EQ(Get(doc, w.section, w.key), w.value);
    }
    const std::string expected = "; top\r\n[a]\r\nx=1\r\nfar=7\r\n" + longKey +
                                 "=8\r\nnew=9\r\n; end of a\r\n[b]\r\ny=4\r\nz=10\r\n\r\n[c]\r\nw=11\r\n";
    EXPECT_EQ(doc.Serialize(), expected);
    const IniDocument again = Parsed(expected);
    EXPECT_EQ(Get(again, "a", longKey), "8");
    EXPECT_EQ(Get(again, "A", "far"), "7");
}

// Many sections and a large section: lookups in any order, case variants
// and later duplicates find the first section and the first key, through
// the last-section guess and the maps alike.
TEST(IniDocumentTest, LargeFilesFindTheFirstSectionAndKeyInAnyOrder) {
    constexpr int SECTIONS = 300;
    constexpr int KEYS = 100;  // far more than a task has
    std::string text;
    for (int i = 1; i <= SECTIONS; ++i) {
        const std::string n = std::to_string(i);
        text += "[App" + n + "]\nk=" + n + "\n";
        // The duplicate follows the next section, where a guess looks.
        if (i > 1) text += "[APP" + std::to_string(i - 1) + "]\nk=dup\nonly=dup\n";
    }
    text += "[big]\n";
    for (int i = 0; i < KEYS; ++i) text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    text += "KEY7=dup\n";
    IniDocument doc = Parsed(text);

    std::vector<int> order;
    for (int i = 1; i <= SECTIONS; ++i) order.push_back(i);
    std::mt19937 random(5);
    std::shuffle(order.begin(), order.end(), random);
    for (const std::vector<int>& sequence : {order, std::vector<int>{1, 2, 3, 3, 2, 1, 300, 299}}) {
        for (const int i : sequence) {
            const std::string n = std::to_string(i);
            ASSERT_EQ(Get(doc, "app" + n, "K"), n);
            ASSERT_EQ(Get(doc, "App" + n, "only"), std::nullopt);
        }
    }
    for (int i = KEYS - 1; i >= 0; --i) ASSERT_EQ(Get(doc, "BIG", "Key" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(Get(doc, "big", "key7"), "7");
    EXPECT_EQ(Get(doc, "big", "key100"), std::nullopt);

    ASSERT_TRUE(doc.Set("app200", "k", "new"));
    ASSERT_TRUE(doc.Set("Big", "KEY50", "new"));
    ASSERT_TRUE(doc.Set("big", "key100", "added"));
    ASSERT_TRUE(doc.Set("App301", "k", "301"));
    std::string expected = text;
    auto replace = [&expected](const std::string& from, const std::string& to) {
        expected.replace(expected.find(from), from.size(), to);
    };
    replace("[App200]\nk=200\n", "[App200]\nk=new\n");  // not the APP200 after it
    replace("key50=50\n", "key50=new\n");
    replace("KEY7=dup\n", "KEY7=dup\nkey100=added\n");
    expected += "\n[App301]\nk=301\n";
    EXPECT_TRUE(doc.Serialize() == expected);
}

// A section of a hundred thousand keys loads and answers in linear time.
TEST(IniDocumentTest, HugeSectionLoads) {
    std::string text = "[s]\n";
    for (int i = 0; i < 100000; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    IniDocument doc = Parsed(text);
    EXPECT_EQ(Get(doc, "s", "K99999"), "99999");
    ASSERT_TRUE(doc.Set("s", "k0", "x"));
    EXPECT_EQ(Get(doc, "S", "k0"), "x");
}

// Files that are wrong in every way load, answer reads and rewrite.
TEST(IniDocumentTest, BadInputLoadsWithoutHarm) {
    std::mt19937 random(20261208);
    std::vector<std::string> corpus = {
        "",
        "\n\n\n",
        "[",
        "]",
        "[]\n=\n==\n[=]\n",
        "[s\nk=v\n",
        std::string(10 * 1024 * 1024, 'x'),
        "[s]\nk=" + std::string(10 * 1024 * 1024, 'v') + "\n",
        "[s]\n[s]\n[S]\nk=1\nK=2\n[s]\nk=3\n",
        "\r\r\r[s]\r\nk=v\r\r\n",
        Bytes("[s\0]\nk\0=v\0w\n"),
        "\xEF\xBB\xBF",
        "\xEF\xBB",
    };
    for (int n = 0; n < 50; ++n) {
        std::string garbage(static_cast<std::size_t>(random() % 4096), '\0');
        for (char& c : garbage) c = static_cast<char>(random() % 256);
        corpus.push_back(garbage);
        std::string structured;  // garbage made of INI-like pieces
        const char* pieces[] = {"[", "]", "=", "\n", "\r\n", "\r", ";", "\"", "'", " ", "s", "k", "\xFF"};
        for (int i = 0; i < 500; ++i) structured += pieces[random() % 13];
        corpus.push_back(structured);
    }
    for (const std::string& text : corpus) {
        IniDocument doc;
        doc.Parse(text);
        (void)doc.Find("s", "k");
        ASSERT_TRUE(doc.Set("s", "k", "new"));
        ASSERT_TRUE(doc.Set("fresh", "key", "value"));
        const std::string out = doc.Serialize();
        const IniDocument again = Parsed(out);
        EXPECT_EQ(Get(again, "fresh", "key"), "value");
        // The first "[s]" section may hold an earlier "k" only if it was
        // unreachable before; either way the written value is what reads.
        EXPECT_EQ(Get(again, "s", "k"), "new");
    }
}

}  // namespace
}  // namespace tikr
