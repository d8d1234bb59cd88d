#pragma once
// The main window with the SchedulerDialog, the profile file and the
// properties dialog, on real widgets.
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
#include "ui/data_exchange.h"
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

#include "qt_test_support.h"

namespace tikr::qt {

using namespace tikr::ui::res;
using namespace test_support;

// ---------------------------------------------------------------------------
// The main window with the SchedulerDialog, the store and the properties dialog

class MainWindowTest : public ::testing::Test {
protected:
    void StartWindow() {
        schedulerDialog = std::make_unique<ui::SchedulerDialog>(services, "tikr");
        window = std::make_unique<SchedulerWindow>(*schedulerDialog);
        ASSERT_TRUE(window->Start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window->Dialog()));
    }

    void TearDown() override {
        if (window && !window->Port().Ended()) schedulerDialog->OnCancel();
        window.reset();
        schedulerDialog.reset();
    }

    QListWidget* List() { return qobject_cast<QListWidget*>(window->Dialog().Control(IDC_TASK_LIST)); }

    test::TempDir dir;
    ProfileStore storeFile{dir.File("tikr.INI")};
    ProfileStore* store = &storeFile;
    test::FakeClock clock{2026, 12, 8, 14, 30, 0};
    test::RecordingLauncher launcher;
    QtMessageDisplay messages;
    CoreServices services{*store, clock, launcher, messages};
    std::unique_ptr<ui::SchedulerDialog> schedulerDialog;
    std::unique_ptr<SchedulerWindow> window;
};

}  // namespace tikr::qt
