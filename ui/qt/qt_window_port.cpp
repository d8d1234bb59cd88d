#include "ui/qt/qt_window_port.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <chrono>

#include "ui/qt/dialog_builder.h"
#include "ui/history_dialog.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/task_properties_dialog.h"

namespace tikr::qt {

namespace {

QString FromStd(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Shows directories and the files that can be started: files with execute
// permission, and "*.exe" files, for which the launcher may have a handler.
class ExecutableFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void SetActive(bool on) {
        if (on == active) return;
        active = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (!active) return true;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files == nullptr) return true;
        const QModelIndex index = files->index(row, 0, parent);
        if (files->isDir(index)) return true;
        const QFileInfo info = files->fileInfo(index);
        return info.isExecutable() || info.suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0;
    }

private:
    bool active = true;
};

}  // namespace

QStringList NameFiltersFromList(const std::string& filter) {
    const QStringList parts = FromStd(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        if (description.isEmpty()) break;  // the closing "|"
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

// One window timer: a single-shot precise timer armed for the moment the
// next tick is due, checked against the monotonic clock when it fires.
struct QtWindowPort::TickTimer {
    QTimer timer;
    std::chrono::milliseconds period{0};
    std::chrono::steady_clock::time_point due;
    unsigned generation = 0;  // ticks posted for an earlier start are dropped
};

QtWindowPort::QtWindowPort(ResourceDialog& dialog) : dialog(dialog) {}

QtWindowPort::~QtWindowPort() = default;

void QtWindowPort::SetText(int id, const std::string& text) { SetControlText(dialog.Control(id), FromStd(text)); }

std::string QtWindowPort::GetText(int id) { return ControlText(dialog.Control(id)).toStdString(); }

void QtWindowPort::LimitText(int id, int maxChars) {
    if (auto* edit = qobject_cast<ResourceLineEdit*>(dialog.Control(id))) edit->SetLimit(maxChars);
}

void QtWindowPort::SelectAllText(int id) {
    if (auto* edit = qobject_cast<QLineEdit*>(dialog.Control(id))) edit->selectAll();
}

void QtWindowPort::SetCheck(int id, int state) {
    auto* box = qobject_cast<QCheckBox*>(dialog.Control(id));
    if (box == nullptr) return;
    const QSignalBlocker blocker(box);
    if (state == 2) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    } else {
        box->setTristate(false);
        box->setCheckState(state == 1 ? Qt::Checked : Qt::Unchecked);
    }
}

int QtWindowPort::GetCheck(int id) {
    const auto* box = qobject_cast<QCheckBox*>(dialog.Control(id));
    if (box == nullptr) return 0;
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void QtWindowPort::SetComboSelection(int id, int index) {
    auto* combo = qobject_cast<QComboBox*>(dialog.Control(id));
    if (combo == nullptr) return;
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtWindowPort::GetComboSelection(int id) {
    const auto* combo = qobject_cast<QComboBox*>(dialog.Control(id));
    return combo == nullptr ? -1 : combo->currentIndex();
}

void QtWindowPort::ListReset(int id) {
    auto* list = qobject_cast<QListWidget*>(dialog.Control(id));
    if (list == nullptr) return;
    const QSignalBlocker blocker(list);
    list->clear();
}

void QtWindowPort::ListAddString(int id, const std::string& text) {
    auto* list = qobject_cast<ResourceListBox*>(dialog.Control(id));
    if (list == nullptr) return;
    const QSignalBlocker blocker(list);
    list->AddLine(FromStd(text));
}

int QtWindowPort::ListGetCount(int id) {
    const auto* list = qobject_cast<QListWidget*>(dialog.Control(id));
    return list == nullptr ? 0 : list->count();
}

int QtWindowPort::ListGetSelection(int id) {
    const auto* list = qobject_cast<QListWidget*>(dialog.Control(id));
    if (list == nullptr) return -1;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

void QtWindowPort::ListSetSelection(int id, int index) {
    auto* list = qobject_cast<QListWidget*>(dialog.Control(id));
    if (list == nullptr) return;
    const QSignalBlocker blocker(list);
    const QSignalBlocker modelBlocker(list->selectionModel());
    if (index >= 0 && index < list->count()) {
        list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        list->scrollToItem(list->item(index));
    } else {
        list->clearSelection();
        list->setCurrentRow(-1);
    }
    list->viewport()->update();
}

void QtWindowPort::SetUpDownRange(int id, int lower, int upper) {
    if (auto* upDown = qobject_cast<UpDownControl*>(dialog.Control(id))) upDown->SetRange(lower, upper);
}

void QtWindowPort::ShowControl(int id, bool show) {
    if (QWidget* control = dialog.Control(id)) control->setVisible(show);
}

void QtWindowPort::EnableControl(int id, bool enable) {
    if (QWidget* control = dialog.Control(id)) control->setEnabled(enable);
}

void QtWindowPort::SetFocus(int id) {
    if (QWidget* control = dialog.Control(id)) control->setFocus(Qt::OtherFocusReason);
}

void QtWindowPort::SetToolTip(int id, const std::string& text) {
    if (QWidget* control = dialog.Control(id)) {
        control->setToolTip(FromStd(text));
        control->setAccessibleDescription(FromStd(text));
    }
}

void QtWindowPort::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Warning, FromStd(caption), FromStd(text), QMessageBox::Ok, &dialog);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtWindowPort::ShowNotice(const std::string& text, const std::string& caption) {
    if (!notice) {
        notice = std::make_unique<QMessageBox>(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok, &dialog);
        notice->setWindowModality(Qt::NonModal);
        notice->setTextFormat(Qt::PlainText);
    }
    notice->setWindowTitle(FromStd(caption));
    notice->setText(FromStd(text));
    notice->show();
    notice->raise();
}

void QtWindowPort::ShowWindow(bool show) {
    if (show) {
        dialog.show();
        if (dialog.isMinimized()) dialog.showNormal();
    } else {
        dialog.hide();
    }
}

bool QtWindowPort::IsWindowVisible() { return dialog.isVisible(); }

void QtWindowPort::SetForeground() {
    dialog.raise();
    dialog.activateWindow();
    // While a modal window over this one is open (the properties dialog, or
    // a message box of its checks), this window takes no input: that one
    // comes forward and gets the keys.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == &dialog || !modal->isVisible()) return;
    modal->raise();
    modal->activateWindow();
    if (QWidget* focus = modal->focusWidget()) focus->setFocus(Qt::ActiveWindowFocusReason);
}

void QtWindowPort::EndDialog(int endResult) {
    ended = true;
    result = endResult;
    dialog.done(endResult);
    if (onEnd) onEnd(endResult);
}

unsigned QtWindowPort::SetTimer(unsigned id, unsigned periodMs) {
    std::unique_ptr<TickTimer>& tick = timers[id];
    if (!tick) {
        tick = std::make_unique<TickTimer>();
        tick->timer.setSingleShot(true);
        tick->timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick->timer, &QTimer::timeout, &life, [this, id] { Fire(id); });
    }
    tick->generation = ++timerGeneration;
    tick->period = std::chrono::milliseconds(std::clamp(periodMs, MIN_TIMER_PERIOD_MS, MAX_TIMER_PERIOD_MS));
    tick->due = std::chrono::steady_clock::now() + tick->period;
    Arm(*tick);
    return id;
}

void QtWindowPort::KillTimer(unsigned id) { timers.erase(id); }

void QtWindowPort::Arm(TickTimer& tick) {
    using namespace std::chrono;
    const auto left = ceil<milliseconds>(tick.due - steady_clock::now());
    tick.timer.start(static_cast<int>(std::max(left.count(), milliseconds::rep{0})));
}

void QtWindowPort::Fire(unsigned id) {
    const auto found = timers.find(id);
    if (found == timers.end()) return;
    TickTimer& tick = *found->second;
    // Even a precise timer may come a fraction early: wait out the rest.
    if (std::chrono::steady_clock::now() < tick.due) {
        Arm(tick);
        return;
    }
    const unsigned generation = tick.generation;
    QMetaObject::invokeMethod(
        &life, [this, id, generation] { Deliver(id, generation); }, Qt::QueuedConnection);
}

void QtWindowPort::Deliver(unsigned id, unsigned generation) {
    const auto found = timers.find(id);
    if (found == timers.end() || found->second->generation != generation) return;
    // The next period counts from this delivery, so two ticks are never
    // closer than the period however late this one came.
    TickTimer& tick = *found->second;
    tick.due = std::chrono::steady_clock::now() + tick.period;
    Arm(tick);
    if (onTimer) onTimer(id);
}

namespace {

// The modal run of a dialog over owner, built from its definition, with its
// events delivered to the reactions (prepare, when given, readies it first).
// Modal over the main window only: message boxes of a check pass stay
// usable meanwhile. The focus starts on the first control in tab order.
template <typename Logic>
int RunModal(QWidget& owner, const res::DialogDef& definition, Logic& logic,
             const std::function<void(ResourceDialog&)>& prepare = {}) {
    ResourceDialog modal(definition, &owner);
    modal.setWindowModality(Qt::WindowModal);
    if (prepare) prepare(modal);
    QtWindowPort port(modal);
    logic.Attach(port);
    modal.onCommand = [&logic](int id, ui::ControlEvent event) { logic.OnCommand(id, event); };
    logic.OnInitDialog();
    if (port.Ended()) return port.Result();
    const std::vector<QWidget*> stops = modal.TabStops();
    if (!stops.empty()) stops.front()->setFocus(Qt::OtherFocusReason);
    const int dialogResult = modal.exec();
    return port.Ended() ? port.Result() : dialogResult;
}

}  // namespace

int QtWindowPort::RunPropertiesDialog(ui::TaskPropertiesDialog& properties) {
    return RunModal(dialog, res::TaskPropertiesDialogResource(), properties,
                    [](ResourceDialog& modal) { modal.FillCombos(res::TaskPropertiesComboData()); });
}

int QtWindowPort::RunHistoryDialog(ui::HistoryDialog& history) {
    // The focus starts on the list of runs.
    return RunModal(dialog, res::TaskHistoryDialogResource(), history);
}

bool QtWindowPort::OpenInViewer(const std::string& path) {
    // The file's default application, as the desktop's file manager would
    // open it; the call returns once it is started.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
}

void QtWindowPort::DescribeLinesWith(int id, std::function<std::string(int line)> describe) {
    auto* list = qobject_cast<ResourceListBox*>(dialog.Control(id));
    if (list == nullptr) return;
    if (!describe) {
        list->describeLine = nullptr;
        return;
    }
    list->describeLine = [describe = std::move(describe)](int line) { return FromStd(describe(line)); };
}

int QtWindowPort::ShowListMenu(int id, const std::vector<ui::MenuEntry>& entries) {
    auto* list = qobject_cast<ResourceListBox*>(dialog.Control(id));
    if (list == nullptr || entries.empty()) return 0;
    QMenu menu(list);
    for (const ui::MenuEntry& entry : entries) menu.addAction(FromStd(entry.text))->setData(entry.id);
    const std::optional<QPoint> pointer = list->MenuPoint();
    // The menu closes before the chosen command runs.
    const QAction* chosen = menu.exec(pointer ? *pointer : list->SelectedLinePoint());
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

std::optional<std::string> QtWindowPort::ChooseFile(const std::string& filter) {
    QFileDialog files(&dialog);
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setOption(QFileDialog::HideNameFilterDetails);
    files.setAcceptMode(QFileDialog::AcceptOpen);
    files.setFileMode(QFileDialog::ExistingFile);

    QStringList filters = NameFiltersFromList(filter);
    // Programs here rarely carry an extension, so the first (initial) filter
    // lists every file that can be started instead of its pattern alone: its
    // pattern becomes "*" and the proxy picks the programs. The dialog shows
    // each filter without its last pattern group, so the description stays
    // as the list gives it.
    auto* executables = new ExecutableFilter(&files);
    if (!filters.isEmpty()) filters[0] = FromStd(filter).section(QLatin1Char('|'), 0, 0) + QStringLiteral(" (*)");
    files.setProxyModel(executables);
    if (!filters.isEmpty()) {
        files.setNameFilters(filters);
        files.selectNameFilter(filters.front());
    }
    QObject::connect(&files, &QFileDialog::filterSelected, executables, [executables, filters](const QString& chosen) {
        executables->SetActive(!filters.isEmpty() && chosen == filters.front());
    });

    if (files.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = files.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return QFile::encodeName(QFileInfo(chosen.front()).absoluteFilePath()).toStdString();
}

}  // namespace tikr::qt
