// The main window with the reactions, the profile file and the properties
// dialog: editing, settings, the tray icon and a later start's request to
// show the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/core_services.h"
#include "core/run_records.h"
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
#include "ui/qt/qt_descriptor_watcher.h"
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

// ---------------------------------------------------------------------------
// A task line's state text and its menu

class TaskLineTest : public MainWindowTest {
protected:
    void SetUp() override {
        store->WriteInt("Settings", "NumApps", 2);
        const char* titles[] = {"Water plants", "Back up"};
        for (int i = 0; i < 2; ++i) {
            const std::string section = "App" + std::to_string(i + 1);
            store->WriteString(section, "title", titles[i]);
            store->WriteString(section, "Task", "Application");
            store->WriteString(section, "command", "/bin/true " + std::to_string(i + 1));
            store->WriteString(section, "type", "Daily");
            store->WriteString(section, "when", "08:00");
            store->WriteString(section, "NextAt", "09-Dec-2026 08:00:00");
        }
        // A stored outcome that looks like markup is shown as written.
        store->WriteString("App1", "LastRun", "07-Dec-2026 08:00:00");
        store->WriteString("App1", "LastResult", "<b>x</b> & more");
        StartWindow();
        ASSERT_EQ(List()->count(), 2);
    }

    QString Description(int line) { return List()->item(line)->data(Qt::AccessibleDescriptionRole).toString(); }
    QString Tip(int line) { return List()->item(line)->data(Qt::ToolTipRole).toString(); }
    QPoint LineCenter(int line) { return List()->visualItemRect(List()->item(line)).center(); }

    // Asks for the menu the way the window system does for a right-click
    // (after the press) or the Menu key.
    void SendContextMenu(QContextMenuEvent::Reason reason, QPoint at) {
        QWidget* target = reason == QContextMenuEvent::Mouse ? List()->viewport() : static_cast<QWidget*>(List());
        QContextMenuEvent event(reason, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
    }

    // Picks the entry with the mnemonic key in the next menu; records its
    // texts and where it opened.
    void ChooseInMenu(Qt::Key key) {
        WhenPopup([this, key](QWidget& popup) {
            auto* menu = qobject_cast<QMenu*>(&popup);
            ASSERT_NE(menu, nullptr);
            menuTexts.clear();
            for (const QAction* action : menu->actions()) menuTexts << action->text();
            menuAt = menu->pos();
            QTest::keyClick(menu, key);
        });
    }

    QStringList menuTexts;
    QPoint menuAt;
};

TEST_F(TaskLineTest, TooltipAndDescriptionTellTheStateOfTheMomentAsPlainText) {
    for (int line = 0; line < 2; ++line) {
        EXPECT_EQ(Description(line).toStdString(), logic->DescribeLine(line));
    }
    EXPECT_TRUE(Description(0).contains("Last run: ") && Description(0).contains("<b>x</b> & more"));
    EXPECT_TRUE(Description(1).endsWith("Never run"));
    EXPECT_EQ(Tip(0),
              "<p style='white-space:pre'>" + QString::fromStdString(logic->DescribeLine(0)).toHtmlEscaped() + "</p>");

    // The list shows that text as the tooltip of the line under the pointer.
    const QPoint at = LineCenter(1);
    QHelpEvent help(QEvent::ToolTip, at, List()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(List()->viewport(), &help);
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), Tip(1));
    QToolTip::hideText();

    // A run and an edit show at the next asking.
    clock.Set(2026, 12, 8, 15, 0, 0);
    ASSERT_TRUE(logic->GetTasks().RunNow(1));
    EXPECT_TRUE(Description(1).contains("Last run: Tue 8 Dec 2026 15:00")) << Description(1).toStdString();
    logic->GetTasks().GetTask(1)->SetDisabled(1);
    EXPECT_EQ(Description(1).toStdString(), logic->DescribeLine(1));
    EXPECT_TRUE(Description(1).contains("\nDisabled\n"));

    // The properties dialog's port gives no describer: a port stays usable
    // without one.
    window->Port().DescribeLinesWith(IDC_TASK_LIST, nullptr);
    EXPECT_FALSE(List()->item(0)->data(Qt::ToolTipRole).isValid());
}

TEST_F(TaskLineTest, RightClickSelectsTheLineAndItsMenuRunsTheTask) {
    ASSERT_EQ(window->Port().ListGetSelection(IDC_TASK_LIST), 0);
    // Below the lines: no menu, the selection stays.
    const QPoint below(5, List()->viewport()->height() - 3);
    ASSERT_EQ(List()->itemAt(below), nullptr);
    SendContextMenu(QContextMenuEvent::Mouse, below);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(window->Port().ListGetSelection(IDC_TASK_LIST), 0);

    // The line is selected and reported as a left click would be, then
    // the menu is asked for.
    std::vector<ui::ControlEvent> events;
    auto dispatch = window->Dialog().onCommand;
    window->Dialog().onCommand = [&](int id, ui::ControlEvent event) {
        if (id == IDC_TASK_LIST) events.push_back(event);
        dispatch(id, event);
    };
    ChooseInMenu(Qt::Key_R);
    const QPoint at = LineCenter(1);
    SendContextMenu(QContextMenuEvent::Mouse, at);
    EXPECT_EQ(menuTexts, QStringList({"&Run Now", "&Properties...", "&History...", "&Disable", "Re&move"}));
    EXPECT_EQ(menuAt, List()->viewport()->mapToGlobal(at));
    ASSERT_EQ(launcher.started.size(), 1U);
    EXPECT_EQ(launcher.started[0].first, "/bin/true 2");
    EXPECT_EQ(window->Port().ListGetSelection(IDC_TASK_LIST), 1);
    EXPECT_EQ(events, (std::vector{ui::ControlEvent::selectionChanged, ui::ControlEvent::contextMenu}));
    EXPECT_EQ(logic->GetTasks().GetTask(1)->GetSchedule()->GetNextRun().Format("%d-%b-%Y %H:%M"), "09-Dec-2026 08:00");
    EXPECT_TRUE(Description(1).contains("Last run: "));
}

TEST_F(TaskLineTest, KeysOpenTheMenuBesideTheSelectedLine) {
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, LineCenter(0));
    ASSERT_TRUE(List()->hasFocus());
    // Shift+F10 and Disable.
    ChooseInMenu(Qt::Key_D);
    QTest::keyClick(List(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(menuTexts.value(3), "&Disable");
    const QRect line = List()->visualItemRect(List()->item(0));
    EXPECT_TRUE(menuAt.y() > List()->viewport()->mapToGlobal(line.topLeft()).y() &&
                menuAt.y() <= List()->viewport()->mapToGlobal(line.bottomLeft()).y() + 1)
        << menuAt.y();
    EXPECT_EQ(logic->GetTasks().GetTask(0)->IsDisabled(), 1);
    EXPECT_EQ(ProfileStore(dir.File("tikr.INI")).ReadInt("App1", "Disabled", -1), 1);

    // The Menu key (as the window system reports it), now offering Enable;
    // Escape closes it with nothing done.
    ChooseInMenu(Qt::Key_Escape);
    SendContextMenu(QContextMenuEvent::Keyboard, QPoint(0, 0));
    EXPECT_EQ(menuTexts.value(3), "&Enable");
    EXPECT_EQ(logic->GetTasks().GetTask(0)->IsDisabled(), 1);
    EXPECT_TRUE(launcher.started.empty());
}

// Stands in for the desktop's viewer: the files it was asked to open.
class ViewerRecorder : public QObject {
    Q_OBJECT

public slots:
    void Open(const QUrl& url) { opened << url; }

public:
    QList<QUrl> opened;
};

// The line's menu by keys opens the task's history, modal over the main
// window with the list in focus; Enter opens the newest run's output in
// the desktop's viewer and Escape closes the window.
TEST_F(TaskLineTest, HistoryFromTheLineMenuListsTheRunsAndOpensTheOutput) {
    RunRecords records(dir.File("state"));
    DateTime start;
    start.SetDateTime(2026, 12, 8, 9, 0, 0);
    const std::string output = records.NewOutputFile(start, "Back up");
    test::TempDir::WriteFile(output, "out\n");
    records.Append({start, "Back up", "exited with status 3 after 2 s", 2, output});
    records.Append({start, "Water plants", "exited with status 0 after 1 s", 1, ""});
    logic->GetTasks().SetRunRecords(&records);
    ViewerRecorder viewer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &viewer, "Open");

    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, LineCenter(1));
    QStringList lines;
    bool modalOverMain = false;
    bool listFocused = false;
    WhenModal([&](QWidget& shown) {
        auto* history = qobject_cast<ResourceDialog*>(&shown);
        ASSERT_NE(history, nullptr);
        ASSERT_EQ(history->Definition().id, IDD_TASK_HISTORY);
        modalOverMain = history->parentWidget() == &window->Dialog() && history->windowModality() == Qt::WindowModal;
        auto* runs = qobject_cast<QListWidget*>(history->Control(IDC_HISTORY_LIST));
        ASSERT_NE(runs, nullptr);
        listFocused = runs->hasFocus();
        for (int i = 0; i < runs->count(); ++i) lines << runs->item(i)->text();
        EXPECT_EQ(runs->accessibleName(), "Runs, newest first");
        QTest::keyClick(runs, Qt::Key_Return);
        QTest::keyClick(runs, Qt::Key_Escape);
    });
    ChooseInMenu(Qt::Key_H);
    QTest::keyClick(List(), Qt::Key_F10, Qt::ShiftModifier);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    EXPECT_EQ(lines, QStringList{"Tue 8 Dec 2026 09:00, exited with status 3 after 2 s"});
    EXPECT_TRUE(modalOverMain);
    EXPECT_TRUE(listFocused);
    EXPECT_EQ(viewer.opened, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(output))});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window->Dialog().isEnabled());
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
        {QSystemTrayIcon::Trigger, true},      {QSystemTrayIcon::Context, true},  {QSystemTrayIcon::DoubleClick, false},
        {QSystemTrayIcon::MiddleClick, false}, {QSystemTrayIcon::Unknown, false},
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
    QtDescriptorWatcher requests;
    ASSERT_TRUE(running->ServeShowRequests(requests, [this] { window->BringForward(); }));
    QTest::mouseClick(Button(&window->Dialog(), IDC_HIDE), Qt::LeftButton);
    ASSERT_FALSE(window->Dialog().isVisible());

    InstanceGuard::Role laterRole = InstanceGuard::Role::unguarded;
    std::string laterError = "not run";
    bool laterDone = false;
    std::thread later([&] {
        const auto second =
            PosixInstanceGuard::Acquire(profile, runtime.Path().string(), std::chrono::milliseconds(5000));
        laterRole = second->GetRole();
        laterError = second->GetError();
        laterDone = true;
    });
    const bool shown = WaitFor([&] { return window->Dialog().isVisible(); });
    later.join();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(laterDone);
    EXPECT_EQ(laterRole, InstanceGuard::Role::alreadyRunning);
    EXPECT_EQ(laterError, "");
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window->Dialog()));

    // Without a channel there is nothing to watch.
    test::TempDir other;
    const auto unguarded = PosixInstanceGuard::Acquire("", other.Path().string());
    QtDescriptorWatcher none;
    EXPECT_FALSE(unguarded->ServeShowRequests(none, [] {}));
}

}  // namespace
}  // namespace tikr::qt

#include "main_window_test.moc"
