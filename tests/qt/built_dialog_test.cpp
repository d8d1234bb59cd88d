// The two dialogs built from their definitions with real widgets on the
// offscreen platform, and the custom controls: up-down stepping and the
// typing rules of the edit fields.
#include <gtest/gtest.h>

#include "case_name.h"

#include <QAccessible>
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
#include "ui/qt/show_requests.h"
#include "ui/res/accessible_names.h"
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
// Dialogs built from their definitions

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
        // Each kind's widget is told by its accessible role (below); a drop
        // list takes no typed text.
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            EXPECT_FALSE(combo->isEditable());
        }
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

QAccessible::Role RoleOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::staticText: return QAccessible::StaticText;
    case ControlKind::groupBox: return QAccessible::Grouping;
    case ControlKind::editField: return QAccessible::EditableText;
    case ControlKind::listBox: return QAccessible::List;
    case ControlKind::pushButton: return QAccessible::Button;
    case ControlKind::checkBox: return QAccessible::CheckBox;
    case ControlKind::comboDropList: return QAccessible::ComboBox;
    case ControlKind::upDown: return QAccessible::SpinBox;
    }
    return QAccessible::NoRole;
}

// What a screen reader is told of each control: the name the dialog data
// gives it and the role of its kind. (A combo box with entries reports its
// current entry as its name on Linux; it tells its label by the relation.)
TEST_P(BuiltDialogTest, EveryControlHasItsAccessibleNameAndRole) {
    const DialogDef& def = *GetParam()();
    ResourceDialog dialog(def, nullptr);
    for (std::size_t i = 0; i < def.controls.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(def.controls[i].id));
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(dialog.Controls()[i]);
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(control->text(QAccessible::Name).isEmpty());
        EXPECT_EQ(control->text(QAccessible::Name).toStdString(), AccessibleNameOf(def, i));
        EXPECT_EQ(control->role(), RoleOf(def.controls[i].kind));
        // A field or combo box is labelled by the static text that names it
        // (Qt's list reports no relations: it carries its name itself).
        const auto label = LabelIndexOf(def, i);
        const ControlKind kind = def.controls[i].kind;
        if (label && (kind == ControlKind::editField || kind == ControlKind::comboDropList)) {
            const auto relations = control->relations(QAccessible::Label);
            ASSERT_EQ(relations.size(), 1);
            EXPECT_EQ(relations[0].first->object(), dialog.Controls()[*label]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachDialog, BuiltDialogTest,
    ::testing::Values(
        +[] { return &SchedulerDialogResource(); }, +[] { return &TaskPropertiesDialogResource(); },
        +[] { return &TaskHistoryDialogResource(); }),
    NamedBy<const DialogDef* (*)()>([](const DialogDef* (*def)()) { return std::string(def()->caption); }));

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
        {TaskHistoryDialogResource(), "&Runs, newest first:", IDC_HISTORY_LIST},
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
        {IDC_HOUR_SPIN, 0, 23, "23", 1, "0"},  // the hour wraps around
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

TEST(UpDown, OffersItsValueRangeAndStepsToAssistiveTechnology) {
    ResourceDialog dialog(TaskPropertiesDialogResource(), nullptr);
    QtWindowPort port(dialog);
    port.SetUpDownRange(IDC_HOUR_SPIN, 0, 23);
    port.SetText(IDC_HOUR, "22");
    QAccessibleInterface* spin = QAccessible::queryAccessibleInterface(dialog.Control(IDC_HOUR_SPIN));
    ASSERT_NE(spin, nullptr);
    QAccessibleValueInterface* value = spin->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 22);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 23);
    QAccessibleActionInterface* actions = spin->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::increaseAction());
    actions->doAction(QAccessibleActionInterface::increaseAction());  // wraps around
    EXPECT_EQ(port.GetText(IDC_HOUR), "0");
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(spin->text(QAccessible::Value).toStdString(), "23");
    value->setCurrentValue(99);  // brought into the range
    EXPECT_EQ(port.GetText(IDC_HOUR), "23");
    value->setCurrentValue(7);
    EXPECT_EQ(port.GetText(IDC_HOUR), "7");
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

}  // namespace
}  // namespace tikr::qt
