// The main window with the SchedulerDialog, the profile file and the properties
// dialog: editing, settings, the tray icon and a later start's request to
// show the window.
#include "main_window_fixture.h"

namespace tikr::qt {
namespace {

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
    EXPECT_EQ(message, ui::FormatMessage(ui::MSG_INTEGER_RANGE, "0", "23"));
    EXPECT_EQ(caption, "tikr");
    EXPECT_TRUE(messageOwned);
    EXPECT_TRUE(hourFocused);
    EXPECT_EQ(List()->count(), 0);
}

// The Exit button and the Escape key reach their commands: both end the
// window, and only Exit stores the settings.
TEST_F(MainWindowTest, ExitAndEscapeEndTheWindow) {
    for (const bool exit : {false, true}) {  // Escape writes nothing for Exit to find
        SCOPED_TRACE(exit ? "Exit" : "Escape");
        window.reset();
        schedulerDialog.reset();
        StartWindow();
        auto* interval = qobject_cast<QLineEdit*>(window->Dialog().Control(IDC_INTERVAL));
        EXPECT_EQ(interval->text(), "10");
        interval->selectAll();
        QTest::keyClicks(interval, "25");
        if (exit) QTest::mouseClick(Button(&window->Dialog(), IDC_EXIT), Qt::LeftButton);
        else QTest::keyClick(&window->Dialog(), Qt::Key_Escape);
        EXPECT_TRUE(window->Port().Ended());
        EXPECT_FALSE(window->Dialog().isVisible());
        ProfileStore reread(dir.File("tikr.INI"));
        EXPECT_EQ(reread.ReadInt("settings", "interval", -1), exit ? 25 : -1);
    }
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
    EXPECT_FALSE(schedulerDialog->IsHidePending());
}

TEST_F(MainWindowTest, WithoutANotificationAreaTheWindowWorksOnWithoutAnIcon) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a notification area";
    StartWindow();
    EXPECT_EQ(schedulerDialog->GetSettings().GetShowIcon(), 1);
    EXPECT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
    EXPECT_FALSE(window->Tray().Shown());
    // Hide still saves and hides; the failed registration is tried again.
    QTest::mouseClick(Button(&window->Dialog(), IDC_HIDE), Qt::LeftButton);
    EXPECT_FALSE(window->Dialog().isVisible());
    EXPECT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
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
    schedulerDialog->OnCancel();
    window->BringForward();
    EXPECT_FALSE(window->Dialog().isVisible());
}

// A request that comes before the hide-on-startup setting had its effect
// still leaves the window shown.
TEST_F(MainWindowTest, BringForwardBeforeTheStartupHideLeavesTheWindowShown) {
    store->WriteInt("settings", "HideOnStartup", 1);
    schedulerDialog = std::make_unique<ui::SchedulerDialog>(services, "tikr");
    window = std::make_unique<SchedulerWindow>(*schedulerDialog);
    ASSERT_TRUE(window->Start());
    ASSERT_TRUE(schedulerDialog->IsHidePending());
    window->BringForward();
    QTest::qWait(300);
    EXPECT_TRUE(window->Dialog().isVisible());
    EXPECT_FALSE(schedulerDialog->IsHidePending());
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
    QtShowRequestWatch none;
    EXPECT_FALSE(unguarded->ServeShowRequests(none, [] {}));
}

}  // namespace
}  // namespace tikr::qt
