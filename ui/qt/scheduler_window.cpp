#include "ui/qt/scheduler_window.h"

#include <QApplication>
#include <QShortcut>

#include "ui/qt/dialog_builder.h"
#include "ui/qt/qt_tray_port.h"
#include "ui/qt/qt_window_port.h"
#include "ui/qt/window_activation.h"
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

    dialog->onCommand = [&reactions](int id, ui::ControlEvent event) { reactions.OnCommand(id, event); };
    // A task line's tooltip and accessible description: its task's state as
    // it is when asked.
    port->DescribeLinesWith(res::IDC_TASK_LIST, [&reactions](int line) { return reactions.DescribeLine(line); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), dialog.get());
    QObject::connect(help, &QShortcut::activated, dialog.get(),
                     [&reactions] { reactions.OnCommand(res::ID_HELP_COMMAND, ui::ControlEvent::clicked); });
    // Each drawing of the window is a colour request; the reaction hides a
    // window that is to hide at start-up once it has been shown. Posted, so
    // that the window is not hidden from inside its own painting.
    dialog->onPaint = [this, &reactions] {
        QMetaObject::invokeMethod(
            dialog.get(), [&reactions] { reactions.OnCtlColor(); }, Qt::QueuedConnection);
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

void SchedulerWindow::BringForward(const std::string& activationToken) {
    if (!port || port->Ended()) return;
    // A window still due to hide itself at start-up does that first, so the
    // pending hide cannot undo this show a moment later.
    if (logic.IsHidePending()) logic.OnCtlColor();
    PresentActivationToken(*dialog, activationToken);
    logic.OnShowing();
    port->ShowWindow(true);
    ActivateWithToken(activationToken, [this] { port->SetForeground(); });
}

int SchedulerWindow::Run() {
    if (!Start()) return port->Result();
    running = true;
    QApplication::exec();
    running = false;
    // Ended from outside the window (the session manager quit the
    // application): it ends as the close box would end it, so that nothing
    // waiting to be stored is lost.
    if (!port->Ended()) logic.OnCancel();
    return port->Result();
}

}  // namespace tikr::qt
