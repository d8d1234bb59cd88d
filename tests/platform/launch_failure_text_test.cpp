#include "platform/launch_failure_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tikr {
namespace {

TEST(LaunchFailureText, KeepsTheProgramNameToOneShortLine) {
    // A line break and 5000 two-byte characters: one line, cut after whole
    // characters.
    std::string program = "evil\r\nname";
    for (int i = 0; i < 5000; ++i) program += "\xC3\xA9";
    const std::string reason = LaunchFailureText(LaunchFailure::NO_PROGRAM, program);
    EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(reason.rfind("no program named evil  name\xC3\xA9", 0), 0u) << reason;
    EXPECT_LE(reason.size(), 250u);
    EXPECT_EQ(reason.substr(reason.size() - 5), "\xC3\xA9...");

    // Tabs, C1 controls and line separators become spaces; bytes that are
    // no UTF-8 (a cut sequence, an overlong form) become '?'.
    EXPECT_EQ(OneLineText("a\tb\xC2\x85"
                          "c\xE2\x80\xA8"
                          "d\x7F",
                          100),
              "a b c d ");
    EXPECT_EQ(OneLineText("x\xC3", 100), "x?");
    EXPECT_EQ(OneLineText("\xC0\xAFy", 100), "??y");
    EXPECT_EQ(OneLineText("\xF0\x9F\x98\x80z", 1), "\xF0\x9F\x98\x80...");
}

}  // namespace
}  // namespace tikr
