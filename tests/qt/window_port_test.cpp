// The window port, tray port and message display on their own: timer ticks,
// notices, the browse dialog, the tray icon and the message action's box.
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
#include "platform/posix/posix_instance_guard.h"
#include "store/profile_store.h"
#include "temp_dir.h"
#include "ui/qt/dialog_builder.h"
#include "ui/qt/qt_message_display.h"
#include "ui/qt/qt_tray_port.h"
#include "ui/qt/qt_window_port.h"
#include "ui/qt/scheduler_window.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/scheduler_dialog.h"
#include "ui/task_properties_dialog.h"

#include "qt_test_support.h"

namespace tikr::qt {
namespace {

using namespace tikr::ui::res;
using namespace test_support;

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
// a run time. The first tick comes a whole period after the timer was set;
// the first is held up (the event loop is busy when it falls due), and the
// next still waits a whole period from that late one: a timer that kept to
// its first cadence would make up the delay with an early tick.
TEST(WindowPort, TicksNeverComeBeforeTheirPeriodHasPassed) {
    ResourceDialog dialog(SchedulerDialogResource(), nullptr);
    QtWindowPort port(dialog);
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    port.onTimer = [&](unsigned) { ticks.push_back(clock.nsecsElapsed()); };
    constexpr qint64 PERIOD_NS = 1000 * 1000 * 1000LL;
    QTimer::singleShot(900, [] { std::this_thread::sleep_for(std::chrono::milliseconds(400)); });
    clock.start();
    port.SetTimer(ui::SCHEDULER_TIMER_ID, 1000);
    ASSERT_TRUE(WaitFor([&] { return ticks.size() >= 3; }, 20000));
    port.KillTimer(ui::SCHEDULER_TIMER_ID);
    EXPECT_GE(ticks[0], PERIOD_NS + 250 * 1000 * 1000LL) << "the first tick was not held up";
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        // Measured in the handler, a moment after the port took the time
        // the next period counts from: a few microseconds may go.
        EXPECT_GE(ticks[i] - ticks[i - 1], PERIOD_NS - 100 * 1000) << "gap in ns after tick " << i;
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
    const QStringList expected = {"Executables (*.exe) (*.exe)", "Command Files (*.com) (*.com)",
                                  "Batch Files (*.bat) (*.bat)", "All Files (*.*) (*)"};
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
    EXPECT_TRUE(WaitFor([&] { return !watcher.isActive(); }, 30000));
    EXPECT_TRUE(WaitFor([&] { return returned == 2; }));
    EXPECT_TRUE(checked);
    watcher.stop();
    port.KillTimer(ui::SCHEDULER_TIMER_ID);
}

}  // namespace
}  // namespace tikr::qt
