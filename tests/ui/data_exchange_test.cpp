// The exchange rules shared by both dialogs.
#include "ui/data_exchange.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "fake_window.h"

namespace tikr::ui {
namespace {

using test::FakeWindow;

struct IntegerCase {
    std::string text;
    std::optional<int> expected;
};

TEST(ParseIntegerTextTest, ReadsTheFieldTextByTheIntegerRule) {
    const IntegerCase cases[] = {
        {"7", 7},
        {" 7 ", 7},
        {"\t12\t", 12},
        {"007", 7},
        {"+5", 5},
        {"-5", -5},
        {"0", 0},
        {"00", 0},
        {" 0", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999", INT_MAX},  // beyond 32 bits: the nearest end
        {"-99999999999", INT_MIN},
        {"9999999999999999999999999999999", INT_MAX},  // 31 digits
        {"1" + std::string(30, ' ') + "x", 1},         // only 31 characters are read
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"-0", std::nullopt},
        {"+0", std::nullopt},
        {"-00", std::nullopt},
        {"0x1", std::nullopt},
        {"12abc", std::nullopt},
        {"12a", std::nullopt},
        {"1 2", std::nullopt},
        {"- 5", std::nullopt},
        {"5-", std::nullopt},
        {"1.5", std::nullopt},
        {"\n5", std::nullopt},  // only blanks and tabs are skipped
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(ParseIntegerText(c.text), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(FormatMessageTest, ReplacesBothPlaceholders) {
    EXPECT_EQ(FormatMessage(MSG_INTEGER_RANGE, "1", "600"), "Please enter an integer between 1 and 600.");
    EXPECT_EQ(FormatMessage(MSG_MAX_CHARS, "256"), "Please enter no more than 256 characters.");
    EXPECT_EQ(FormatMessage("100%", "x"), "100%");
}

TEST(DataExchangeTest, LoadingWritesFieldsIntoControls) {
    FakeWindow window;
    window.SetComboEntries(30, 3);
    DataExchange dx(window, false, "app");
    int number = -42;
    std::string text = "hello";
    int outOfRangeCheck = 5;
    int negativeCheck = -1;
    int thirdState = 2;
    int entry = 2;
    int noEntry = 3;

    EXPECT_TRUE(dx.IntegerText(10, number));
    EXPECT_TRUE(dx.IntegerRange(number, 0, 10));  // loading checks no range
    EXPECT_TRUE(dx.StringText(11, text));
    EXPECT_TRUE(dx.MaxChars(text, 3));  // loading limits typing only
    EXPECT_TRUE(dx.CheckBox(20, outOfRangeCheck));
    EXPECT_TRUE(dx.CheckBox(21, negativeCheck));
    EXPECT_TRUE(dx.CheckBox(22, thirdState));
    EXPECT_TRUE(dx.ComboIndex(30, entry));
    EXPECT_FALSE(dx.Failed());

    EXPECT_EQ(window.Text(10), "-42");
    EXPECT_EQ(window.Text(11), "hello");
    EXPECT_EQ(window.Control(11).textLimit, 3);
    EXPECT_EQ(outOfRangeCheck, 0);
    EXPECT_EQ(window.Control(20).check, 0);
    EXPECT_EQ(negativeCheck, 0);
    EXPECT_EQ(thirdState, 2);
    EXPECT_EQ(window.GetComboSelection(30), 2);
    EXPECT_TRUE(window.messages.empty());

    DataExchange again(window, false, "app");
    again.ComboIndex(30, noEntry);
    EXPECT_EQ(window.GetComboSelection(30), -1);
}

TEST(DataExchangeTest, SavingReadsControlsIntoFields) {
    FakeWindow window;
    window.SetComboEntries(30, 3);
    window.Type(10, " 12 ");
    window.Type(11, "some text");
    window.Control(20).check = 1;
    window.Control(21).check = 2;  // the third state counts as unchecked
    DataExchange dx(window, true, "app");
    int number = 0;
    std::string text;
    int checked = 0;
    int third = 1;
    int selection = 7;
    EXPECT_TRUE(dx.IntegerText(10, number));
    EXPECT_TRUE(dx.IntegerRange(number, 1, 12));
    EXPECT_TRUE(dx.StringText(11, text));
    EXPECT_TRUE(dx.MaxChars(text, 9));  // exactly the limit passes
    // The limit counts characters, not the bytes of their UTF-8 form.
    EXPECT_TRUE(dx.MaxChars("\xC3\xA9t\xC3\xA9", 3));
    EXPECT_FALSE(DataExchange(window, true, "app").MaxChars("\xC3\xA9t\xC3\xA9s", 3));
    window.messages.clear();
    EXPECT_TRUE(dx.CheckBox(20, checked));
    EXPECT_TRUE(dx.CheckBox(21, third));
    EXPECT_TRUE(dx.ComboIndex(30, selection));
    EXPECT_EQ(number, 12);
    EXPECT_EQ(text, "some text");
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(third, 0);
    EXPECT_EQ(selection, -1);
    EXPECT_TRUE(window.messages.empty());
}

TEST(DataExchangeTest, AFailureReportsOnceFocusesTheFieldAndStopsTheExchange) {
    FakeWindow window;
    window.Type(10, "12a");
    window.Type(11, "later");
    window.Control(20).check = 1;
    DataExchange dx(window, true, "caption");
    int number = 3;
    std::string text = "before";
    int check = 0;

    EXPECT_FALSE(dx.IntegerText(10, number));
    EXPECT_FALSE(dx.IntegerRange(number, 0, 10));
    EXPECT_FALSE(dx.StringText(11, text));
    EXPECT_FALSE(dx.CheckBox(20, check));
    EXPECT_TRUE(dx.Failed());

    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, "Please enter an integer.");
    EXPECT_EQ(window.messages[0].second, "caption");
    EXPECT_EQ(window.focus, 10);
    EXPECT_TRUE(window.Control(10).allSelected);
    EXPECT_EQ(number, 3);
    EXPECT_EQ(text, "before");
    EXPECT_EQ(check, 0);
}

TEST(DataExchangeTest, RangeAndLengthFailuresReferToTheLastField) {
    FakeWindow window;
    window.Type(10, "0");
    DataExchange range(window, true, "app");
    int number = 5;
    range.IntegerText(10, number);
    EXPECT_FALSE(range.IntegerRange(number, 1, 600));
    EXPECT_EQ(number, 0);  // read before the check failed
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, FormatMessage(MSG_INTEGER_RANGE, "1", "600"));
    EXPECT_EQ(window.focus, 10);
    EXPECT_TRUE(window.Control(10).allSelected);

    window.Type(11, std::string(101, 'x'));
    DataExchange length(window, true, "app");
    std::string text;
    length.StringText(11, text);
    EXPECT_FALSE(length.MaxChars(text, 100));
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.back().first, "Please enter no more than 100 characters.");
    EXPECT_EQ(window.focus, 11);
    EXPECT_TRUE(window.Control(11).allSelected);
}

TEST(DataExchangeTest, ACheckBoxFailureSelectsNoText) {
    FakeWindow window;
    DataExchange dx(window, true, "app");
    int check = 0;
    dx.CheckBox(20, check);
    dx.Fail("message");
    EXPECT_EQ(window.focus, 20);
    EXPECT_FALSE(window.Control(20).allSelected);
}

}  // namespace
}  // namespace tikr::ui
