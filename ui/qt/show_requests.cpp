#include "ui/qt/show_requests.h"

#include "instance/single_instance.h"
#include "ui/qt/scheduler_window.h"

namespace tikr::qt {

std::unique_ptr<QSocketNotifier> WatchShowRequests(SingleInstance& instance, SchedulerWindow& window) {
    if (instance.ListenFd() < 0) return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(instance.ListenFd(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [&instance, &window] {
        // Several starts at once still show the window once; the socket
        // stays readable while more connections wait, so none is lost.
        if (instance.AcceptRequests() > 0) window.BringForward();
    });
    return notifier;
}

}  // namespace tikr::qt
