#include "ui/qt/show_requests.h"

namespace tikr::qt {

void QtShowRequestWatch::WatchReadable(int source, std::function<void()> ready) {
    notifier = std::make_unique<QSocketNotifier>(source, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [ready = std::move(ready)] { ready(); });
}

}  // namespace tikr::qt
