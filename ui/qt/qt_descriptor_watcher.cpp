#include "ui/qt/qt_descriptor_watcher.h"

#include <QSocketNotifier>

namespace tikr::qt {

QtDescriptorWatcher::QtDescriptorWatcher() : owner(std::make_unique<QObject>()) {}

QtDescriptorWatcher::~QtDescriptorWatcher() = default;

void QtDescriptorWatcher::Watch(int fd, std::function<void()> onReadable) {
    Unwatch(fd);
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, owner.get());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [callback = std::move(onReadable)] { callback(); });
    notifiers[fd] = notifier;
}

void QtDescriptorWatcher::Unwatch(int fd) {
    const auto found = notifiers.find(fd);
    if (found == notifiers.end()) return;
    // It may be the notifier whose signal is being delivered: it goes once
    // the event loop is back, and hears nothing meanwhile.
    found->second->setEnabled(false);
    found->second->deleteLater();
    notifiers.erase(found);
}

}  // namespace tikr::qt
