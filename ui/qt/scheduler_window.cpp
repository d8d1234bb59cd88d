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

SchedulerWindow::SchedulerWindow(ui::SchedulerDialog& schedulerDialog) : schedulerDialog(schedulerDialog) {}

SchedulerWindow::~SchedulerWindow() = default;

bool SchedulerWindow::Start() {
    const QIcon icon = ApplicationIcon();
    dialog = std::make_unique<ResourceDialog>(res::SchedulerDialogResource(), nullptr);
    dialog->setWindowIcon(icon);
    port = std::make_unique<QtWindowPort>(*dialog);
    tray = std::make_unique<QtTrayPort>(icon);

    port->onTimer = [this](unsigned id) { schedulerDialog.OnTimer(id); };
    port->onEnd = [this](int result) {
        if (running) QCoreApplication::exit(result);
    };
    tray->onPress = [this](unsigned mouseMessage) { schedulerDialog.OnTrayNotify(ui::TRAY_ICON_ID, mouseMessage); };

    dialog->onCommand = [this](int id, ui::ControlEvent event) { schedulerDialog.OnCommand(id, event); };
    // A task line's tooltip and accessible description: its task's state as
    // it is when asked.
    port->DescribeLinesWith(res::IDC_TASK_LIST, [this](int line) { return schedulerDialog.DescribeLine(line); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), dialog.get());
    QObject::connect(help, &QShortcut::activated, dialog.get(),
                     [this] { schedulerDialog.OnCommand(res::ID_HELP_COMMAND, ui::ControlEvent::clicked); });
    // A window that is to hide at start-up hides after its first drawing.
    // Posted, so that the window is not hidden from inside its own painting.
    dialog->onPaint = [this] {
        QMetaObject::invokeMethod(
            dialog.get(), [this] { schedulerDialog.HideAfterFirstPaint(); }, Qt::QueuedConnection);
    };

    schedulerDialog.Attach(*port, *tray);
    schedulerDialog.OnInitDialog();
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
    schedulerDialog.HideAfterFirstPaint();
    PresentActivationToken(*dialog, activationToken);
    schedulerDialog.OnShowing();
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
    if (!port->Ended()) schedulerDialog.OnCancel();
    return port->Result();
}

}  // namespace tikr::qt
