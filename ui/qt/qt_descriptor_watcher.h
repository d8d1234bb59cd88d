#pragma once
// The event loop's watch on file descriptors, by socket notifiers.
#include <map>
#include <memory>

#include "core/descriptor_watcher.h"

class QObject;
class QSocketNotifier;

namespace tikr::qt {

class QtDescriptorWatcher : public DescriptorWatcher {
public:
    QtDescriptorWatcher();
    ~QtDescriptorWatcher() override;
    QtDescriptorWatcher(const QtDescriptorWatcher&) = delete;
    QtDescriptorWatcher& operator=(const QtDescriptorWatcher&) = delete;

    void Watch(int fd, std::function<void()> onReadable) override;
    void Unwatch(int fd) override;

private:
    // The parent of every notifier, those waiting for deletion included.
    std::unique_ptr<QObject> owner;
    std::map<int, QSocketNotifier*> notifiers;
};

}  // namespace tikr::qt
