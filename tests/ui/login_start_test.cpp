// "Start at Login" through the main window's reactions, over a fake of the
// desktop's entry: what a start, Hide, Exit, Escape and showing the window
// again do to the entry and the box.
#include "scheduler_test_fixture.h"

#include <string>
#include <vector>

#include "ui/login_start.h"

namespace tikr::ui {
namespace {

class FakeEntry : public LoginEntryPort {
public:
    LoginEntry state;
    bool refuse = false;
    std::vector<bool> writes;

    LoginEntry Read() override { return state; }
    bool Write(bool on, std::string& error) override {
        writes.push_back(on);
        if (refuse) {
            error = "the entry cannot be written: refused";
            return false;
        }
        state = {on, on};
        return true;
    }
    std::string Location() override { return "the fake entry"; }
};

enum class Then { none, hide, exit, escape };

struct Case {
    const char* what;
    bool fresh;         // no profile file at the start
    LoginEntry before;  // what the desktop has
    bool refuse;        // the desktop refuses writes
    int shownBox;       // the box as the window shows it
    int userBox;        // what the user leaves in it
    Then then;
    std::vector<bool> writes;
    int boxAfter;  // the box after the reaction (hide), as the desktop has it
    bool told;     // the failure was told (notice, or a box at Exit)
};

class LoginStartTest : public SchedulerTest {
protected:
    void StartWith(const Case& c) {
        entry.state = c.before;
        entry.refuse = c.refuse;
        Construct(c.fresh ? "" : "[settings]\ninterval=10\n");
        setting.emplace(entry, c.fresh);
        schedulerDialog->SetLoginStart(&*setting);
        schedulerDialog->OnInitDialog();
    }
    FakeEntry entry;
    std::optional<LoginStartSetting> setting;
};

TEST_F(LoginStartTest, TheEntryChangesOnlyWhenTheUserConfirmsAChange) {
    const LoginEntry off{}, mine{true, true}, other{true, false};
    const Case cases[] = {
        {"a first start turns it on", true, off, false, 1, 1, Then::none, {true}, 1, false},
        {"a first start with an entry leaves it", true, other, false, 1, 1, Then::none, {}, 1, false},
        {"a later start changes nothing", false, off, false, 0, 0, Then::hide, {}, 0, false},
        {"cleared and Hide turns it off", false, mine, false, 1, 0, Then::hide, {false}, 0, false},
        {"checked and Exit turns it on", false, off, false, 0, 1, Then::exit, {true}, 1, false},
        {"Escape discards the change", false, off, false, 0, 1, Then::escape, {}, 0, false},
        {"another copy's entry is made this one's", false, other, false, 1, 1, Then::hide, {true}, 1, false},
        {"this program's entry is left alone", false, mine, false, 1, 1, Then::hide, {}, 1, false},
        {"a refused write is told and the box shows the desktop", false, off, true, 0, 1, Then::hide, {true}, 0, true},
        {"a refused write at Exit is told in a box", false, mine, true, 1, 0, Then::exit, {false}, 1, true},
        {"a refused first start is told", true, off, true, 0, 0, Then::none, {true}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window = test::FakeWindow();
        StartWith(c);
        EXPECT_EQ(window.Control(IDC_START_AT_LOGIN).check, c.shownBox);
        EXPECT_EQ(window.Control(IDC_START_AT_LOGIN).toolTip,
                  std::string("Starts ") + test::APP_TITLE + " when you log in. The entry is the fake entry.");
        window.SetCheck(IDC_START_AT_LOGIN, c.userBox);
        if (c.then == Then::hide) schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
        if (c.then == Then::exit) schedulerDialog->OnCommand(IDC_EXIT, ControlEvent::clicked);
        if (c.then == Then::escape) schedulerDialog->OnCommand(ID_CANCEL, ControlEvent::clicked);
        EXPECT_EQ(entry.writes, c.writes);
        if (c.then == Then::hide) {
            EXPECT_EQ(window.Control(IDC_START_AT_LOGIN).check, c.boxAfter);
        }
        EXPECT_EQ(entry.state.on, c.boxAfter == 1);
        const auto& told = c.then == Then::exit ? window.messages : window.notices;
        ASSERT_EQ(told.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_NE(told[0].first.find("Start at Login cannot be turned"), std::string::npos);
        }
        schedulerDialog.reset();
        setting.reset();
        entry.writes.clear();
    }
}

TEST_F(LoginStartTest, TheDesktopsChangeShowsWhenTheHiddenWindowComesBack) {
    StartWith({"", false, {true, true}, false, 1, 1, Then::hide, {}, 1, false});
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    entry.state = {false, false};  // disabled with the desktop's own tools
    schedulerDialog->OnTrayNotify(TRAY_ICON_ID, MOUSE_LEFT_DOWN);
    EXPECT_EQ(window.Control(IDC_START_AT_LOGIN).check, 0);
    // While shown, the user's unconfirmed change stays.
    window.SetCheck(IDC_START_AT_LOGIN, 1);
    schedulerDialog->OnShowing();
    EXPECT_EQ(window.Control(IDC_START_AT_LOGIN).check, 1);
    EXPECT_TRUE(entry.writes.empty());
}

}  // namespace
}  // namespace tikr::ui
