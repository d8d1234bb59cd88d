// The Qt front end with real widgets on the offscreen platform: dialogs as
// their definitions say, the edit and up-down behaviour, the main window
// driving the reactions to the profile file, the tray icon, a later start's
// request to show the window, and the message box's loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/core_services.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "instance/posix_instance_guard.h"
#include "store/profile_store.h"
#include "temp_dir.h"
#include "ui/qt/dialog_builder.h"
#include "ui/qt/qt_message_display.h"
#include "ui/qt/qt_tray_port.h"
#include "ui/qt/qt_window_port.h"
#include "ui/qt/scheduler_window.h"
#include "ui/qt/show_requests.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/scheduler_dialog.h"
#include "ui/task_properties_dialog.h"

namespace tikr::qt {
namespace {

using namespace tikr::ui::res;

// Runs the event loop until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QTest::qWait(10);
    }
    return true;
}

// Acts on the next modal widget once it is up; a modal that never comes
// is recorded as a failure instead of hanging the test.
void WhenModal(std::function<void(QWidget&)> act, int timeoutMs = 5000) {
    auto* poll = new QTimer(qApp);
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, started, act = std::move(act), timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && started->elapsed() <= timeoutMs) return;
        poll->stop();
        poll->deleteLater();
        delete started;
        if (modal != nullptr) {
            act(*modal);
        } else {
            ADD_FAILURE() << "no modal window came up";
        }
    });
    poll->start(10);
}

QPushButton* Button(QWidget* dialog, int id) {
    return qobject_cast<QPushButton*>(static_cast<ResourceDialog*>(dialog)->Control(id));
}

// ---------------------------------------------------------------------------
// Dialogs built from their definitions

bool KindMatches(ControlKind kind, QWidget* widget) {
    switch (kind) {
        case ControlKind::staticText: return qobject_cast<QLabel*>(widget) != nullptr;
        case ControlKind::groupBox: return qobject_cast<QGroupBox*>(widget) != nullptr;
        case ControlKind::editField: return qobject_cast<ResourceLineEdit*>(widget) != nullptr;
        case ControlKind::listBox: return qobject_cast<QListWidget*>(widget) != nullptr;
        case ControlKind::pushButton: return qobject_cast<QPushButton*>(widget) != nullptr;
        case ControlKind::checkBox: return qobject_cast<QCheckBox*>(widget) != nullptr;
        case ControlKind::comboDropList: {
            auto* combo = qobject_cast<QComboBox*>(widget);
            return combo != nullptr && !combo->isEditable();
        }
        case ControlKind::upDown: return qobject_cast<UpDownControl*>(widget) != nullptr;
    }
    return false;
}

class BuiltDialogTest : public ::testing::TestWithParam<const DialogDef* (*)()> {};

TEST_P(BuiltDialogTest, ControlsCarryTheDefinitionsIdsKindsTextsAndVisibility) {
    const DialogDef& def = *GetParam()();
    ResourceDialog dialog(def, nullptr);
    EXPECT_EQ(dialog.windowTitle().toStdString(), def.caption);
    ASSERT_EQ(dialog.Controls().size(), def.controls.size());
    for (std::size_t i = 0; i < def.controls.size(); ++i) {
        const ControlDef& control = def.controls[i];
        QWidget* widget = dialog.Controls()[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(control.id));
        EXPECT_EQ(widget->property("controlId").toInt(), control.id);
        EXPECT_TRUE(KindMatches(control.kind, widget));
        if (control.id != ID_STATIC_ITEM) {
            EXPECT_EQ(dialog.Control(control.id), widget);
        }
        if (control.kind != ControlKind::editField && control.kind != ControlKind::comboDropList) {
            EXPECT_EQ(ControlText(widget).toStdString(), control.text);
        }
        EXPECT_EQ(widget->isHidden(), !control.visible);
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->isDefault(), (control.style & STYLE_DEFAULT_BUTTON) != 0);
        }
        const bool tabStop = (control.style & STYLE_TABSTOP) != 0;
        EXPECT_EQ(widget->focusPolicy() != Qt::NoFocus, tabStop);
    }
}

TEST_P(BuiltDialogTest, TabVisitsTheVisibleTabStopsInTemplateOrder) {
    const DialogDef& def = *GetParam()();
    ResourceDialog dialog(def, nullptr);
    std::vector<QWidget*> expected;
    for (std::size_t i = 0; i < def.controls.size(); ++i) {
        if ((def.controls[i].style & STYLE_TABSTOP) != 0 && def.controls[i].visible) {
            expected.push_back(dialog.Controls()[i]);
        }
    }
    ASSERT_FALSE(expected.empty());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    expected.front()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() == expected.front(); }));
    std::vector<QWidget*> visited{QApplication::focusWidget()};
    for (std::size_t i = 1; i <= expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    expected.push_back(expected.front());  // and round again
    EXPECT_EQ(visited, expected);
}

INSTANTIATE_TEST_SUITE_P(BothDialogs, BuiltDialogTest,
                         ::testing::Values(+[] { return &SchedulerDialogResource(); },
                                           +[] { return &TaskPropertiesDialogResource(); }));

TEST(BuiltDialog, MnemonicsOfStaticTextsLeadToTheNextControl) {
    struct Case {
        const DialogDef& def;
        const char* label;
        int buddy;
    };
    const Case cases[] = {
        {SchedulerDialogResource(), "Check e&very", IDC_INTERVAL},
        {TaskPropertiesDialogResource(), "Tit&le :", IDC_TITLE},
        {TaskPropertiesDialogResource(), "&Timing :", IDC_TIMING},
        {TaskPropertiesDialogResource(), "Da&y of Week :", IDC_DAY_OF_WEEK},
        {TaskPropertiesDialogResource(), "&Date :", IDC_DAY_OF_MONTH},
        {TaskPropertiesDialogResource(), "Comma&nd Line :", IDC_COMMAND_LINE},
        {TaskPropertiesDialogResource(), "Messa&ge :", IDC_MESSAGE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResourceDialog dialog(c.def, nullptr);
        QLabel* found = nullptr;
        for (QWidget* widget : dialog.Controls()) {
            auto* label = qobject_cast<QLabel*>(widget);
            if (label != nullptr && label->text() == QString::fromUtf8(c.label)) found = label;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->buddy(), dialog.Control(c.buddy));
    }
}

TEST(BuiltDialog, MnemonicOfTheWrappingCheckBoxTogglesIt) {
    ResourceDialog dialog(TaskPropertiesDialogResource(), nullptr);
    auto* box = qobject_cast<QCheckBox*>(dialog.Control(IDC_RUN_MISSED));
    ASSERT_NE(box, nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const bool before = box->isChecked();
    QTest::keyClick(&dialog, Qt::Key_U, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return box->isChecked() != before; }));
    // A click on the wrapped text toggles it too.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, box->height() / 2));
    EXPECT_TRUE(WaitFor([&] { return box->isChecked() == before; }));
}

TEST(BuiltDialog, UpDownControlsTakeTheRightEndOfTheirBuddy) {
    ResourceDialog dialog(TaskPropertiesDialogResource(), nullptr);
    for (int id : {IDC_HOUR_SPIN, IDC_MINUTE_SPIN, IDC_DAY_OF_MONTH_SPIN}) {
        auto* upDown = qobject_cast<UpDownControl*>(dialog.Control(id));
        ASSERT_NE(upDown, nullptr);
        ASSERT_NE(upDown->Buddy(), nullptr);
        const QRect buddy = upDown->Buddy()->geometry();
        EXPECT_EQ(upDown->x(), buddy.right() + 1);
        EXPECT_EQ(upDown->y(), buddy.y());
        EXPECT_EQ(upDown->height(), buddy.height());
        EXPECT_GT(buddy.width(), upDown->width());
    }
}

// ---------------------------------------------------------------------------
// Up-down stepping and edit rules

TEST(UpDown, StepsItsBuddyWithinTheRange) {
    struct Case {
        int id;
        int lower, upper;
        const char* text;
        int direction;
        const char* expected;
    };
    const Case cases[] = {
        {IDC_HOUR_SPIN, 0, 23, "7", 1, "8"},
        {IDC_HOUR_SPIN, 0, 23, "23", 1, "0"},      // the hour wraps around
        {IDC_HOUR_SPIN, 0, 23, "0", -1, "23"},
        {IDC_HOUR_SPIN, 0, 23, " 5 ", -1, "4"},
        {IDC_MINUTE_SPIN, 0, 59, "59", 1, "59"},  // the minute stops at its ends
        {IDC_MINUTE_SPIN, 0, 59, "0", -1, "0"},
        {IDC_MINUTE_SPIN, 0, 59, "75", 1, "59"},
        {IDC_DAY_OF_MONTH_SPIN, 1, 31, "31", 1, "31"},
        {IDC_DAY_OF_MONTH_SPIN, 1, 31, "abc", 1, "2"},  // unreadable text: from the last position
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " id " + std::to_string(c.id));
        ResourceDialog dialog(TaskPropertiesDialogResource(), nullptr);
        QtWindowPort port(dialog);
        port.SetUpDownRange(c.id, c.lower, c.upper);
        auto* upDown = qobject_cast<UpDownControl*>(dialog.Control(c.id));
        upDown->Buddy()->SetProgramText(QString::number(c.lower));
        upDown->Step(1);
        upDown->Step(-1);  // the last position is the lower limit
        upDown->Buddy()->SetProgramText(QString::fromUtf8(c.text));
        upDown->Step(c.direction);
        EXPECT_EQ(upDown->Buddy()->text().toStdString(), c.expected);
    }
}

TEST(UpDown, ArrowKeysAndClicksStepTheBuddy) {
    ResourceDialog dialog(SchedulerDialogResource(), nullptr);
    QtWindowPort port(dialog);
    port.SetUpDownRange(IDC_INTERVAL_SPIN, 1, 600);
    port.SetText(IDC_INTERVAL, "10");
    auto* field = dialog.Control(IDC_INTERVAL);
    QTest::keyClick(field, Qt::Key_Up);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(port.GetText(IDC_INTERVAL), "12");
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(port.GetText(IDC_INTERVAL), "11");
    auto* upDown = dialog.Control(IDC_INTERVAL_SPIN);
    QTest::mouseClick(upDown, Qt::LeftButton, {}, QPoint(upDown->width() / 2, 1));
    EXPECT_EQ(port.GetText(IDC_INTERVAL), "12");
    QTest::mouseClick(upDown, Qt::LeftButton, {}, QPoint(upDown->width() / 2, upDown->height() - 2));
    EXPECT_EQ(port.GetText(IDC_INTERVAL), "11");
}

TEST(EditRules, TypingFollowsEachFieldsStyle) {
    ResourceDialog main(SchedulerDialogResource(), nullptr);
    QtWindowPort mainPort(main);
    ResourceDialog properties(TaskPropertiesDialogResource(), nullptr);
    QtWindowPort port(properties);

    // The interval field takes digits only, but keeps other text set from
    // the profile and lets the user type digits after it.
    auto* interval = qobject_cast<QLineEdit*>(main.Control(IDC_INTERVAL));
    QTest::keyClicks(interval, "1a2-3 ");
    EXPECT_EQ(interval->text(), "123");
    mainPort.SetText(IDC_INTERVAL, "-5");
    interval->end(false);
    QTest::keyClicks(interval, "7x");
    EXPECT_EQ(interval->text(), "-57");

    // The hour field takes any typing, so the validation message can come.
    auto* hour = qobject_cast<QLineEdit*>(properties.Control(IDC_HOUR));
    QTest::keyClicks(hour, "1a");
    EXPECT_EQ(hour->text(), "1a");

    // The typing limit stops typing but keeps a longer stored title whole.
    const std::string longTitle(120, 't');
    port.SetText(IDC_TITLE, longTitle);
    port.LimitText(IDC_TITLE, 100);
    auto* title = qobject_cast<QLineEdit*>(properties.Control(IDC_TITLE));
    EXPECT_EQ(port.GetText(IDC_TITLE), longTitle);
    title->end(false);
    QTest::keyClicks(title, "x");
    EXPECT_EQ(port.GetText(IDC_TITLE), longTitle);
    QTest::keyClick(title, Qt::Key_Backspace);
    EXPECT_EQ(title->text().size(), 119);
    port.SetText(IDC_TITLE, "");
    QTest::keyClicks(title, QString(105, QLatin1Char('y')));
    EXPECT_EQ(title->text().size(), 100);

    // Characters outside the basic plane count once, as the OK check counts
    // them: 100 fit the title, the 101st does not.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    QString hundred = emoji.repeated(100);
    QString more = emoji.repeated(101);
    int pos = 0;
    port.SetText(IDC_TITLE, "");
    EXPECT_EQ(title->validator()->validate(hundred, pos), QValidator::Acceptable);
    EXPECT_EQ(title->validator()->validate(more, pos), QValidator::Invalid);
}

TEST(EditRules, MessageFieldStopsTypingAtItsVisibleWidth) {
    ResourceDialog properties(TaskPropertiesDialogResource(), nullptr);
    QtWindowPort port(properties);
    port.ShowControl(IDC_MESSAGE, true);
    auto* message = qobject_cast<ResourceLineEdit*>(properties.Control(IDC_MESSAGE));
    ASSERT_NE(message, nullptr);
    QTest::keyClicks(message, QString(200, QLatin1Char('W')));
    const int typed = static_cast<int>(message->text().size());
    EXPECT_GT(typed, 3);
    EXPECT_LT(typed, 200);
    EXPECT_LE(message->fontMetrics().horizontalAdvance(message->text()), message->VisibleTextWidth());

    // A longer text from the task is shown whole; typing more is refused,
    // deleting works.
    const std::string stored(300, 'M');
    port.SetText(IDC_MESSAGE, stored);
    EXPECT_EQ(port.GetText(IDC_MESSAGE), stored);
    message->end(false);
    QTest::keyClicks(message, "x");
    EXPECT_EQ(port.GetText(IDC_MESSAGE), stored);
    QTest::keyClick(message, Qt::Key_Backspace);
    EXPECT_EQ(message->text().size(), 299);
}

// ---------------------------------------------------------------------------
// Port details

TEST(WindowPort, TimerPeriodsStayWithinTheCheckPeriodRange) {
    ResourceDialog dialog(SchedulerDialogResource(), nullptr);
    QtWindowPort port(dialog);
    int ticks = 0;
    port.onTimer = [&](unsigned) { ++ticks; };
    EXPECT_EQ(port.SetTimer(ui::SCHEDULER_TIMER_ID, 0), ui::SCHEDULER_TIMER_ID);
    port.SetTimer(7, static_cast<unsigned>(-5000));  // a negative interval times 1000
    QTest::qWait(300);
    EXPECT_EQ(ticks, 0);  // a period of 0 would have ticked on every pass of the loop
    port.KillTimer(ui::SCHEDULER_TIMER_ID);
    port.KillTimer(7);
}

// A tick that came early would let a check see the clock a second short of
// a run time. Measured over several ticks of a one-second timer.
TEST(WindowPort, TicksNeverComeBeforeTheirPeriodHasPassed) {
    ResourceDialog dialog(SchedulerDialogResource(), nullptr);
    QtWindowPort port(dialog);
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    port.onTimer = [&](unsigned) { ticks.push_back(clock.nsecsElapsed()); };
    clock.start();
    port.SetTimer(ui::SCHEDULER_TIMER_ID, 1000);
    ASSERT_TRUE(WaitFor([&] { return ticks.size() >= 5; }, 20000));
    port.KillTimer(ui::SCHEDULER_TIMER_ID);
    qint64 previous = 0;
    for (qint64 tick : ticks) {
        EXPECT_GE(tick - previous, 1000 * 1000 * 1000LL - 1000 * 1000) << "gap in ns";
        previous = tick;
    }
}

// A notice returns at once and blocks nothing; a second one replaces it.
TEST(WindowPort, NoticesDoNotWaitAndReplaceEachOther) {
    ResourceDialog dialog(SchedulerDialogResource(), nullptr);
    dialog.show();
    QtWindowPort port(dialog);
    port.ShowNotice("first", "tikr");
    port.ShowNotice("second", "tikr");
    ASSERT_NE(port.Notice(), nullptr);
    EXPECT_TRUE(port.Notice()->isVisible());
    EXPECT_EQ(port.Notice()->text(), "second");
    EXPECT_EQ(port.Notice()->windowTitle(), "tikr");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(dialog.isEnabled());
    int notices = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible()) ++notices;
    }
    EXPECT_EQ(notices, 1);
}

TEST(WindowPort, BrowseFiltersBecomeNameFilters) {
    const QStringList filters = NameFiltersFromList(ui::TaskPropertiesDialog::BROWSE_FILTER);
    const QStringList expected = {
        "Executables (*.exe) (*.exe)", "Command Files (*.com) (*.com)", "Batch Files (*.bat) (*.bat)",
        "All Files (*.*) (*)"};
    EXPECT_EQ(filters, expected);
    EXPECT_EQ(NameFiltersFromList("Text|*.txt;*.log||"), QStringList{"Text (*.txt *.log)"});
    EXPECT_TRUE(NameFiltersFromList("").isEmpty());
    EXPECT_TRUE(NameFiltersFromList("odd").isEmpty());
}

TEST(WindowPort, FirstBrowseFilterListsProgramsAndTheChosenPathComesBackWhole) {
    test::TempDir dir;
    const std::string folder = dir.File("my programs");
    std::filesystem::create_directory(folder);
    test::TempDir::WriteFile(folder + "/prog", "#!/bin/sh\n");
    std::filesystem::permissions(folder + "/prog", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    test::TempDir::WriteFile(folder + "/setup.exe", "");
    test::TempDir::WriteFile(folder + "/notes.txt", "");

    ResourceDialog dialog(TaskPropertiesDialogResource(), nullptr);
    QtWindowPort port(dialog);
    QStringList firstFilter;
    QStringList allFiles;
    WhenModal([&](QWidget& modal) {
        auto* files = qobject_cast<QFileDialog*>(&modal);
        ASSERT_NE(files, nullptr);
        files->setDirectory(QString::fromStdString(folder));
        auto* view = files->findChild<QListView*>("listView");
        ASSERT_NE(view, nullptr);
        const auto shown = [view] {
            QStringList names;
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row) {
                names << view->model()->index(row, 0, root).data().toString();
            }
            names.sort();
            return names;
        };
        WaitFor([&] { return shown().size() == 2; });
        firstFilter = shown();
        auto* types = files->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        QStringList shownFilters;
        for (int i = 0; i < types->count(); ++i) shownFilters << types->itemText(i);
        EXPECT_EQ(shownFilters, (QStringList{"Executables (*.exe)", "Command Files (*.com)", "Batch Files (*.bat)",
                                             "All Files (*.*)"}));
        types->setFocus();
        QTest::keyClick(types, Qt::Key_End);  // the user picks "All Files"
        EXPECT_EQ(types->currentText(), "All Files (*.*)");
        WaitFor([&] { return shown().size() == 3; });
        allFiles = shown();
        files->selectFile(QString::fromStdString(folder + "/prog"));
        static_cast<QDialog*>(files)->accept();
    });
    const std::optional<std::string> chosen = port.ChooseFile(ui::TaskPropertiesDialog::BROWSE_FILTER);
    EXPECT_EQ(firstFilter, (QStringList{"prog", "setup.exe"}));
    EXPECT_EQ(allFiles, (QStringList{"notes.txt", "prog", "setup.exe"}));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, folder + "/prog");

    WhenModal([](QWidget& modal) { static_cast<QDialog&>(modal).reject(); });
    EXPECT_FALSE(port.ChooseFile(ui::TaskPropertiesDialog::BROWSE_FILTER).has_value());
}

// ---------------------------------------------------------------------------
// The main window with the reactions, the store and the properties dialog

class MainWindowTest : public ::testing::Test {
protected:
    void StartWindow() {
        logic = std::make_unique<ui::SchedulerDialog>(services, "tikr");
        window = std::make_unique<SchedulerWindow>(*logic);
        ASSERT_TRUE(window->Start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window->Dialog()));
    }

    void TearDown() override {
        if (window && !window->Port().Ended()) logic->OnCancel();
        window.reset();
        logic.reset();
    }

    QListWidget* List() { return qobject_cast<QListWidget*>(window->Dialog().Control(IDC_TASK_LIST)); }

    test::TempDir dir;
    ProfileStore storeFile{dir.File("tikr.INI")};
    ProfileStore* store = &storeFile;
    test::FakeClock clock{2026, 12, 8, 14, 30, 0};
    test::RecordingLauncher launcher;
    QtMessageDisplay messages;
    CoreServices services{*store, clock, launcher, messages};
    std::unique_ptr<ui::SchedulerDialog> logic;
    std::unique_ptr<SchedulerWindow> window;
};

TEST_F(MainWindowTest, AddWithWeeklyTuesdayWritesTheTaskSection) {
    StartWindow();
    EXPECT_EQ(window->Dialog().windowTitle(), "Tikr");
    EXPECT_FALSE(window->Dialog().windowIcon().isNull());

    bool sawDialog = false;
    WhenModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<ResourceDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        sawDialog = true;
        EXPECT_EQ(dialog->windowTitle(), "Scheduled Task Properties");
        EXPECT_EQ(dialog->parentWidget(), &window->Dialog());
        auto* title = qobject_cast<QLineEdit*>(dialog->Control(IDC_TITLE));
        EXPECT_EQ(title->text(), "Task 1");
        title->selectAll();
        QTest::keyClicks(title, "Water plants");

        auto* timing = qobject_cast<QComboBox*>(dialog->Control(IDC_TIMING));
        EXPECT_EQ(timing->currentText(), "Daily");
        EXPECT_TRUE(dialog->Control(IDC_SKIP_SAT)->isVisible());
        timing->setFocus();
        QTest::keyClick(timing, Qt::Key_Down);
        EXPECT_EQ(timing->currentText(), "Weekly");
        EXPECT_FALSE(dialog->Control(IDC_SKIP_SAT)->isVisible());
        auto* day = qobject_cast<QComboBox*>(dialog->Control(IDC_DAY_OF_WEEK));
        ASSERT_TRUE(day->isVisible());
        QTest::keyClick(day, Qt::Key_Down);
        QTest::keyClick(day, Qt::Key_Down);
        EXPECT_EQ(day->currentText(), "Tuesday");
        QTest::mouseClick(Button(dialog, ID_OK), Qt::LeftButton);
    });
    QTest::mouseClick(Button(&window->Dialog(), IDC_ADD), Qt::LeftButton);
    ASSERT_TRUE(sawDialog);

    ASSERT_EQ(List()->count(), 1);
    EXPECT_EQ(List()->item(0)->text(), "Water plants");
    EXPECT_TRUE(List()->item(0)->isSelected());

    const std::string file = test::TempDir::ReadFile(dir.File("tikr.INI"));
    EXPECT_NE(file.find("[App1]"), std::string::npos) << file;
    ProfileStore reread(dir.File("tikr.INI"));
    EXPECT_EQ(reread.ReadString("App1", "title"), "Water plants");
    EXPECT_EQ(reread.ReadString("App1", "Task"), "Message");
    EXPECT_EQ(reread.ReadString("App1", "Message"), "Message");
    EXPECT_EQ(reread.ReadString("App1", "type"), "Weekly");
    EXPECT_EQ(reread.ReadInt("App1", "DayOfWeek", -1), 2);
    EXPECT_EQ(reread.ReadString("App1", "when"), "14:30");
    EXPECT_FALSE(reread.ReadString("App1", "NextAt").empty());
    EXPECT_EQ(reread.ReadInt("settings", "NumApps", -1), 1);
}

TEST_F(MainWindowTest, EscapeInThePropertiesDialogAddsNothing) {
    StartWindow();
    bool sawDialog = false;
    WhenModal([&](QWidget& modal) {
        sawDialog = true;
        QTest::keyClick(&modal, Qt::Key_Escape);
    });
    QTest::mouseClick(Button(&window->Dialog(), IDC_ADD), Qt::LeftButton);
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(List()->count(), 0);
    ProfileStore reread(dir.File("tikr.INI"));
    EXPECT_EQ(reread.ReadInt("settings", "NumApps", -1), -1);
}

TEST_F(MainWindowTest, ValidationMessageIsOwnedByTheDialogAndFocusReturnsToTheField) {
    StartWindow();
    std::string message;
    std::string caption;
    bool messageOwned = false;
    bool hourFocused = false;
    WhenModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<ResourceDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        auto* hour = qobject_cast<QLineEdit*>(dialog->Control(IDC_HOUR));
        hour->setText("24");
        WhenModal([&, dialog](QWidget& box) {
            auto* messageBox = qobject_cast<QMessageBox*>(&box);
            ASSERT_NE(messageBox, nullptr);
            message = messageBox->text().toStdString();
            caption = messageBox->windowTitle().toStdString();
            messageOwned = messageBox->parentWidget() == dialog;
            messageBox->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(Button(dialog, ID_OK), Qt::LeftButton);
        hourFocused = dialog->focusWidget() == hour && hour->selectedText() == "24";
        QTest::mouseClick(Button(dialog, ID_CANCEL), Qt::LeftButton);
    });
    QTest::mouseClick(Button(&window->Dialog(), IDC_ADD), Qt::LeftButton);
    EXPECT_EQ(message, "Please enter an integer between 0 and 23.");
    EXPECT_EQ(caption, "tikr");
    EXPECT_TRUE(messageOwned);
    EXPECT_TRUE(hourFocused);
    EXPECT_EQ(List()->count(), 0);
}

TEST_F(MainWindowTest, ExitSavesTheSettingsAndEndsTheWindow) {
    StartWindow();
    auto* interval = qobject_cast<QLineEdit*>(window->Dialog().Control(IDC_INTERVAL));
    EXPECT_EQ(interval->text(), "10");
    interval->selectAll();
    QTest::keyClicks(interval, "25");
    QTest::mouseClick(Button(&window->Dialog(), IDC_EXIT), Qt::LeftButton);
    EXPECT_TRUE(window->Port().Ended());
    EXPECT_FALSE(window->Dialog().isVisible());
    ProfileStore reread(dir.File("tikr.INI"));
    EXPECT_EQ(reread.ReadInt("settings", "interval", -1), 25);
}

TEST_F(MainWindowTest, EscapeDiscardsTheSettingsAndEndsTheWindow) {
    StartWindow();
    auto* interval = qobject_cast<QLineEdit*>(window->Dialog().Control(IDC_INTERVAL));
    interval->selectAll();
    QTest::keyClicks(interval, "25");
    QTest::keyClick(&window->Dialog(), Qt::Key_Escape);
    EXPECT_TRUE(window->Port().Ended());
    ProfileStore reread(dir.File("tikr.INI"));
    EXPECT_EQ(reread.ReadInt("settings", "interval", -1), -1);
}

TEST_F(MainWindowTest, DoubleClickOnALineOpensItsProperties) {
    store->WriteInt("Settings", "NumApps", 2);
    store->WriteString("App1", "title", "First");
    store->WriteString("App2", "title", "Second");
    StartWindow();
    ASSERT_EQ(List()->count(), 2);
    std::string opened;
    WhenModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<ResourceDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        opened = qobject_cast<QLineEdit*>(dialog->Control(IDC_TITLE))->text().toStdString();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    const QRect line = List()->visualItemRect(List()->item(1));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, line.center());
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, line.center());
    EXPECT_EQ(opened, "Second");
}

TEST_F(MainWindowTest, HideOnStartupHidesTheWindowOnceItIsShown) {
    store->WriteInt("settings", "HideOnStartup", 1);
    StartWindow();
    EXPECT_TRUE(WaitFor([&] { return !window->Dialog().isVisible(); }));
    EXPECT_FALSE(logic->IsHidePending());
}

TEST_F(MainWindowTest, WithoutANotificationAreaTheWindowWorksOnWithoutAnIcon) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a notification area";
    StartWindow();
    EXPECT_EQ(logic->GetShowIcon(), 1);
    EXPECT_FALSE(logic->IsTrayIconShown());
    EXPECT_FALSE(window->Tray().Shown());
    // Hide still saves and hides; the failed registration is tried again.
    QTest::mouseClick(Button(&window->Dialog(), IDC_HIDE), Qt::LeftButton);
    EXPECT_FALSE(window->Dialog().isVisible());
    EXPECT_FALSE(logic->IsTrayIconShown());
    EXPECT_EQ(ProfileStore(dir.File("tikr.INI")).ReadInt("settings", "showicon", -1), 1);
}

// The shell reports a press of the left or right button on the icon; Qt
// names them Trigger and Context. Whatever else happens on the icon leaves a
// hidden window hidden.
TEST_F(MainWindowTest, PressOnTheTrayIconShowsTheHiddenWindowAndBringsItForward) {
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        bool shows;
    };
    const Case cases[] = {
        {QSystemTrayIcon::Trigger, true},
        {QSystemTrayIcon::Context, true},
        {QSystemTrayIcon::DoubleClick, false},
        {QSystemTrayIcon::MiddleClick, false},
        {QSystemTrayIcon::Unknown, false},
    };
    StartWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.reason));
        window->Port().ShowWindow(false);
        ASSERT_FALSE(window->Dialog().isVisible());
        emit window->Tray().Icon().activated(c.reason);
        EXPECT_EQ(window->Dialog().isVisible(), c.shows);
        if (c.shows) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&window->Dialog()));
        }
    }
    EXPECT_TRUE(window->Tray().Icon().contextMenu() == nullptr);
}

// The disabled main window takes no keys: a press on the icon (or a later
// start) while a task is edited brings the properties dialog forward with the
// focus where it was.
TEST_F(MainWindowTest, BringForwardWhileEditingActivatesThePropertiesDialog) {
    StartWindow();
    QWidget elsewhere;
    bool active = false;
    bool focused = false;
    WhenModal([&](QWidget& dialog) {
        QWidget* title = static_cast<ResourceDialog&>(dialog).Control(IDC_TITLE);
        elsewhere.show();
        elsewhere.activateWindow();
        WaitFor([&] { return QApplication::activeWindow() == &elsewhere; });
        emit window->Tray().Icon().activated(QSystemTrayIcon::Trigger);
        active = QTest::qWaitForWindowActive(&dialog);
        focused = WaitFor([&] { return QApplication::focusWidget() == title; });
        static_cast<QDialog&>(dialog).reject();
    });
    QTest::mouseClick(Button(&window->Dialog(), IDC_ADD), Qt::LeftButton);
    EXPECT_TRUE(active);
    EXPECT_TRUE(focused);
}

TEST(TrayPort, KeepsTheSixteenPixelImageAndFollowsTheRegistration) {
    QtTrayPort tray(ApplicationIcon());
    EXPECT_EQ(tray.Icon().icon().availableSizes(), QList<QSize>{QSize(16, 16)});
    // Nothing registered: nothing to retitle or remove.
    EXPECT_FALSE(tray.TrayModify("1 Task(s) Scheduled"));
    EXPECT_FALSE(tray.TrayDelete());
    const bool area = QSystemTrayIcon::isSystemTrayAvailable();
    EXPECT_EQ(tray.TrayAdd("0 Task(s) Scheduled"), area);
    EXPECT_EQ(tray.Shown(), area);
    EXPECT_EQ(tray.TrayModify("1 Task(s) Scheduled"), area);
    if (area) {
        EXPECT_EQ(tray.ToolTip(), "1 Task(s) Scheduled");
    }
    EXPECT_EQ(tray.TrayDelete(), area);
    EXPECT_FALSE(tray.Shown());
}

TEST_F(MainWindowTest, BringForwardShowsTheWindowFromHiddenAndFromMinimised) {
    StartWindow();
    QTest::mouseClick(Button(&window->Dialog(), IDC_HIDE), Qt::LeftButton);
    ASSERT_FALSE(window->Dialog().isVisible());
    window->BringForward();
    EXPECT_TRUE(window->Dialog().isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window->Dialog()));

    window->Dialog().showMinimized();
    ASSERT_TRUE(WaitFor([&] { return window->Dialog().isMinimized(); }));
    window->BringForward();
    EXPECT_FALSE(window->Dialog().isMinimized());
    EXPECT_TRUE(window->Dialog().isVisible());

    // Once the window has ended, a late request shows nothing.
    logic->OnCancel();
    window->BringForward();
    EXPECT_FALSE(window->Dialog().isVisible());
}

// A request that comes before the hide-on-startup setting had its effect
// still leaves the window shown.
TEST_F(MainWindowTest, BringForwardBeforeTheStartupHideLeavesTheWindowShown) {
    store->WriteInt("settings", "HideOnStartup", 1);
    logic = std::make_unique<ui::SchedulerDialog>(services, "tikr");
    window = std::make_unique<SchedulerWindow>(*logic);
    ASSERT_TRUE(window->Start());
    ASSERT_TRUE(logic->IsHidePending());
    window->BringForward();
    QTest::qWait(300);
    EXPECT_TRUE(window->Dialog().isVisible());
    EXPECT_FALSE(logic->IsHidePending());
}

// A later start of the program asks the running one over the guard's
// socket; the running one shows its hidden window, and the later start ends
// as soon as it has its answer.
TEST_F(MainWindowTest, LaterStartShowsTheHiddenWindowOfTheRunningOne) {
    test::TempDir runtime;
    const std::string profile = runtime.File("tikr.INI");
    const auto running = PosixInstanceGuard::Acquire(profile, runtime.Path().string());
    ASSERT_EQ(running->GetRole(), InstanceGuard::Role::first);
    ASSERT_GE(running->GetListenFd(), 0);
    StartWindow();
    QtShowRequestWatch requests;
    ASSERT_TRUE(running->ServeShowRequests(requests, [this] { window->BringForward(); }));
    QTest::mouseClick(Button(&window->Dialog(), IDC_HIDE), Qt::LeftButton);
    ASSERT_FALSE(window->Dialog().isVisible());

    InstanceGuard::Role laterRole = InstanceGuard::Role::unguarded;
    std::string laterError = "not run";
    bool laterDone = false;
    std::thread later([&] {
        const auto second = PosixInstanceGuard::Acquire(profile, runtime.Path().string(), std::chrono::milliseconds(5000));
        laterRole = second->GetRole();
        laterError = second->GetError();
        laterDone = true;
    });
    const bool shown = WaitFor([&] { return window->Dialog().isVisible(); }, 8000);
    later.join();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(laterDone);
    EXPECT_EQ(laterRole, InstanceGuard::Role::alreadyRunning);
    EXPECT_EQ(laterError, "");
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window->Dialog()));

    // Without a channel there is nothing to watch.
    test::TempDir other;
    const auto unguarded = PosixInstanceGuard::Acquire("", other.Path().string());
    QtShowRequestWatch none;
    EXPECT_FALSE(unguarded->ServeShowRequests(none, [] {}));
}

// ---------------------------------------------------------------------------
// The message box of a message action

TEST(MessageDisplay, BoxIsOwnerlessAndNotModalAndTimersTickWhileItWaits) {
    ResourceDialog main(SchedulerDialogResource(), nullptr);
    main.show();
    QtWindowPort port(main);
    QtMessageDisplay display;
    int ticks = 0;
    int returned = 0;
    // Each of the first two ticks shows a box; the second arrives while the
    // first box still waits, so both are open at once.
    port.onTimer = [&](unsigned) {
        ++ticks;
        if (ticks <= 2) {
            display.Show("Hello " + std::to_string(ticks), "Tikr Scheduled Message");
            ++returned;
        }
    };
    port.SetTimer(ui::SCHEDULER_TIMER_ID, 1000);

    // The checks run from a timer too: while a box waits, only its own
    // nested loop runs.
    bool checked = false;
    QElapsedTimer waited;
    waited.start();
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        std::vector<QMessageBox*> boxes;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box != nullptr && box->isVisible()) boxes.push_back(box);
        }
        if (waited.elapsed() > 10000) {
            ADD_FAILURE() << boxes.size() << " boxes open after " << ticks << " ticks";
            watcher.stop();
            for (QMessageBox* box : boxes) box->button(QMessageBox::Ok)->click();
            port.KillTimer(ui::SCHEDULER_TIMER_ID);
            return;
        }
        if (boxes.size() < 2 || ticks < 3) return;  // the clock goes on meanwhile
        watcher.stop();
        checked = true;
        for (QMessageBox* box : boxes) {
            EXPECT_EQ(box->windowTitle(), "Tikr Scheduled Message");
            EXPECT_EQ(box->parentWidget(), nullptr);
            EXPECT_EQ(box->windowModality(), Qt::NonModal);
            EXPECT_EQ(box->buttons().size(), 1);
        }
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(main.isEnabled());
        EXPECT_EQ(returned, 0);
        for (QMessageBox* box : boxes) box->button(QMessageBox::Ok)->click();
    });
    watcher.start(20);
    EXPECT_TRUE(WaitFor([&] { return !watcher.isActive(); }, 15000));
    EXPECT_TRUE(WaitFor([&] { return returned == 2; }, 2000));
    EXPECT_TRUE(checked);
    watcher.stop();
    port.KillTimer(ui::SCHEDULER_TIMER_ID);
}

}  // namespace
}  // namespace tikr::qt

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing of Qt's or ours lands in the user's configuration.
    tikr::test::TempDir config;
    qputenv("XDG_CONFIG_HOME", config.Path().string().c_str());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
