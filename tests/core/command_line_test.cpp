#include "core/command_line.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <string>
#include <vector>

namespace tikr {
namespace {

struct SplitCase {
    std::string commandLine;
    std::vector<std::string> words;
};

class SplitCommandLineTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTable, Splits) {
    EXPECT_EQ(SplitCommandLine(GetParam().commandLine), GetParam().words) << GetParam().commandLine;
}

using W = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitCommandLineTable,
    ::testing::Values(SplitCase{"", W{}}, SplitCase{"   \t  ", W{}}, SplitCase{"notepad", W{"notepad"}},
                      SplitCase{"  notepad   a.txt\tb.txt  ", W{"notepad", "a.txt", "b.txt"}},
                      // Windows paths keep their backslashes outside quotes.
                      SplitCase{"C:\\Tools\\x.exe /s C:\\tmp\\", W{"C:\\Tools\\x.exe", "/s", "C:\\tmp\\"}},
                      SplitCase{"\\\\server\\share\\y.exe", W{"\\\\server\\share\\y.exe"}},
                      // Double quotes group and disappear.
                      SplitCase{"\"C:\\Program Files\\x.exe\" -a", W{"C:\\Program Files\\x.exe", "-a"}},
                      SplitCase{"\"/opt/my tools/run\" \"two words\"", W{"/opt/my tools/run", "two words"}},
                      SplitCase{"say \"a \"\"quoted\"\" word\"", W{"say", "a \"quoted\" word"}},
                      SplitCase{"say \"a \\\"b\\\" \\\\ c\\d\"", W{"say", "a \"b\" \\ c\\d"}},
                      SplitCase{"prog \"\" x", W{"prog", "", "x"}}, SplitCase{"prog ''", W{"prog", ""}},
                      SplitCase{"--name=\"a b\"c", W{"--name=a bc"}},
                      // Single quotes are literal.
                      SplitCase{"echo 'say \"hi\" \\ $HOME'", W{"echo", "say \"hi\" \\ $HOME"}},
                      SplitCase{"a'b c'd", W{"ab cd"}},
                      // Backslash escapes outside quotes.
                      SplitCase{"touch a\\ b", W{"touch", "a b"}},
                      SplitCase{"echo \\\"x\\' \\\\", W{"echo", "\"x'", "\\\\"}}, SplitCase{"trail\\", W{"trail\\"}},
                      // Unterminated quotes run to the end.
                      SplitCase{"prog \"rest of  line", W{"prog", "rest of  line"}},
                      SplitCase{"prog 'rest \"x", W{"prog", "rest \"x"}}, SplitCase{"prog \"", W{"prog", ""}},
                      // Shell characters are plain text.
                      SplitCase{"prog ; rm -rf ~ | cat $(id) > out && `x` *",
                                W{"prog", ";", "rm", "-rf", "~", "|", "cat", "$(id)", ">", "out", "&&", "`x`", "*"}},
                      SplitCase{"prog a\nb\r\nc", W{"prog", "a", "b", "c"}},
                      SplitCase{"caf\xe9 \xff", W{"caf\xe9", "\xff"}},
                      SplitCase{std::string("a\0b c", 5), W{std::string("a\0b", 3), "c"}}),
    NamedBy<SplitCase>([](const SplitCase& c) { return c.commandLine; }));

}  // namespace
}  // namespace tikr
