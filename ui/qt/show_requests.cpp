#include "ui/qt/show_requests.h"

namespace tikr::qt {

void QtShowRequestWatch::WatchReadable(int source, std::function<void()> ready) {
    notifier_ = std::make_unique<QSocketNotifier>(source, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [ready = std::move(ready)] { ready(); });
}

}  // namespace tikr::qt
