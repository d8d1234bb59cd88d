#pragma once
// The Qt front end's side of the one-instance rule: the guard's
// ShowRequestWatch, which lets the event loop tell the guard that a later
// start of the program is asking for the main window.
#include <QSocketNotifier>

#include <functional>
#include <memory>

#include "instance/instance_guard.h"

namespace tikr::qt {

// Watches one descriptor with a QSocketNotifier. Destroy it before the guard
// that it serves.
class QtShowRequestWatch : public ShowRequestWatch {
public:
    void WatchReadable(int source, std::function<void()> ready) override;

private:
    std::unique_ptr<QSocketNotifier> notifier;
};

}  // namespace tikr::qt
