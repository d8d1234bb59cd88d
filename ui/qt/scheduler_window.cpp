#include "ui/qt/scheduler_window.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>

#include <string>

#include "core/core_services.h"
#include "platform/executable_path.h"
#include "platform/posix_process_launcher.h"
#include "platform/system_clock.h"
#include "store/profile_location.h"
#include "store/profile_store.h"
#include "ui/qt/dialog_builder.h"
#include "ui/qt/qt_message_display.h"
#include "ui/qt/scheduler_app.h"
#include "ui/qt/qt_tray_port.h"
#include "ui/qt/qt_window_port.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/scheduler_dialog.h"

static void InitResources() { Q_INIT_RESOURCE(tikr); }

namespace tikr::qt {

QIcon ApplicationIcon() {
    InitResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/tikr/tikr-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

SchedulerWindow::SchedulerWindow(ui::SchedulerDialog& reactions) : logic(reactions) {}

SchedulerWindow::~SchedulerWindow() = default;

bool SchedulerWindow::Start() {
    const QIcon icon = ApplicationIcon();
    dialog = std::make_unique<ResourceDialog>(res::SchedulerDialogResource(), nullptr);
    dialog->setWindowIcon(icon);
    port = std::make_unique<QtWindowPort>(*dialog);
    tray = std::make_unique<QtTrayPort>(icon);

    ui::SchedulerDialog& reactions = logic;
    port->onTimer = [&reactions](unsigned id) { reactions.OnTimer(id); };
    port->onEnd = [this](int result) {
        if (running) QCoreApplication::exit(result);
    };
    tray->onPress = [&reactions](unsigned mouseMessage) {
        reactions.OnTrayNotify(ui::SCHEDULER_TIMER_ID, mouseMessage);
    };

    const auto button = [this](int id) { return qobject_cast<QPushButton*>(dialog->Control(id)); };
    QObject::connect(button(res::IDC_ADD), &QPushButton::clicked, dialog.get(), [&reactions] { reactions.OnAdd(); });
    QObject::connect(button(res::IDC_REMOVE), &QPushButton::clicked, dialog.get(),
                     [&reactions] { reactions.OnRemove(); });
    QObject::connect(button(res::IDC_PROPERTIES), &QPushButton::clicked, dialog.get(),
                     [&reactions] { reactions.OnProperties(); });
    QObject::connect(button(res::IDC_HIDE), &QPushButton::clicked, dialog.get(), [&reactions] { reactions.OnHide(); });
    QObject::connect(button(res::IDC_EXIT), &QPushButton::clicked, dialog.get(), [&reactions] { reactions.OnExit(); });
    auto* list = qobject_cast<QListWidget*>(dialog->Control(res::IDC_TASK_LIST));
    QObject::connect(list, &QListWidget::itemSelectionChanged, dialog.get(),
                     [&reactions] { reactions.OnListSelChange(); });
    QObject::connect(list, &QListWidget::itemDoubleClicked, dialog.get(), [&reactions] { reactions.OnProperties(); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), dialog.get());
    QObject::connect(help, &QShortcut::activated, dialog.get(), [&reactions] { reactions.OnHelp(); });
    dialog->onCancel = [&reactions] { reactions.OnCancel(); };
    // Each drawing of the window is a colour request; the reaction hides a
    // window that is to hide at start-up once it has been shown. Posted, so
    // that the window is not hidden from inside its own painting.
    dialog->onPaint = [this, &reactions] {
        QMetaObject::invokeMethod(dialog.get(), [&reactions] { reactions.OnCtlColor(); }, Qt::QueuedConnection);
    };

    logic.Attach(*port, *tray);
    logic.OnInitDialog();
    if (port->Ended()) return false;
    // The focus starts on the first control in tab order, the task list.
    const std::vector<QWidget*> stops = dialog->TabStops();
    if (!stops.empty() && dialog->focusWidget() == nullptr) stops.front()->setFocus(Qt::OtherFocusReason);
    dialog->show();
    return true;
}

int SchedulerWindow::Run() {
    if (!Start()) return port->Result();
    running = true;
    QApplication::exec();
    running = false;
    return port->Result();
}

int RunSchedulerApplication(int argc, char** argv) {
    QApplication application(argc, argv);
    // The window hides to the notification area and message boxes come and
    // go; only the end of the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    const std::string executable = ExecutablePath(argc > 0 ? argv[0] : nullptr);
    const std::string title = ExecutableName(executable);
    QApplication::setApplicationName(QString::fromStdString(title));
    QApplication::setWindowIcon(ApplicationIcon());

    ProfileStore store(ProfilePath(executable));
    SystemClock clock;
    PosixProcessLauncher launcher;
    QtMessageDisplay messages;
    const CoreServices services{store, clock, launcher, messages};
    ui::SchedulerDialog logic(services, title);
    SchedulerWindow window(logic);
    window.Run();
    return 0;
}

}  // namespace tikr::qt
