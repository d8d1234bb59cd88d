// A task line of the main window: its state text, its menu and the
// history it opens.
#include "main_window_fixture.h"

namespace tikr::qt {
namespace {

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
        EXPECT_EQ(Description(line).toStdString(), schedulerDialog->DescribeLine(line));
    }
    EXPECT_TRUE(Description(0).contains("Last run: ") && Description(0).contains("<b>x</b> & more"));
    EXPECT_TRUE(Description(1).endsWith("Never run"));
    EXPECT_EQ(Tip(0), "<p style='white-space:pre'>" +
                          QString::fromStdString(schedulerDialog->DescribeLine(0)).toHtmlEscaped() + "</p>");

    // The list shows that text as the tooltip of the line under the pointer.
    const QPoint at = LineCenter(1);
    QHelpEvent help(QEvent::ToolTip, at, List()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(List()->viewport(), &help);
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), Tip(1));
    QToolTip::hideText();

    // A run and an edit show at the next asking.
    clock.Set(2026, 12, 8, 15, 0, 0);
    ASSERT_TRUE(schedulerDialog->GetTasks().RunNow(1));
    EXPECT_TRUE(Description(1).contains("Last run: Tue 8 Dec 2026 15:00")) << Description(1).toStdString();
    schedulerDialog->GetTasks().GetTask(1)->SetDisabled(true);
    EXPECT_EQ(Description(1).toStdString(), schedulerDialog->DescribeLine(1));
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
    EXPECT_EQ(schedulerDialog->GetTasks().GetTask(1)->GetSchedule()->GetNextRun().Format("%d-%b-%Y %H:%M"),
              "09-Dec-2026 08:00");
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
    EXPECT_TRUE(schedulerDialog->GetTasks().GetTask(0)->IsDisabled());
    EXPECT_EQ(ProfileStore(dir.File("tikr.INI")).ReadInt("App1", "Disabled", -1), 1);

    // The Menu key (as the window system reports it), now offering Enable;
    // Escape closes it with nothing done.
    ChooseInMenu(Qt::Key_Escape);
    SendContextMenu(QContextMenuEvent::Keyboard, QPoint(0, 0));
    EXPECT_EQ(menuTexts.value(3), "&Enable");
    EXPECT_TRUE(schedulerDialog->GetTasks().GetTask(0)->IsDisabled());
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
    schedulerDialog->GetTasks().SetRunRecords(&records);
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

}  // namespace
}  // namespace tikr::qt

#include "task_line_test.moc"
