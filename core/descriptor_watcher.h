#pragma once
// The event loop's watch on file descriptors: how the POSIX launcher learns
// that a program it started has ended, and how the instance guard hears a
// later start, without waiting for either. The front end implements it
// with its toolkit (a socket notifier); tests with poll.
#include <functional>

namespace tikr {

class DescriptorWatcher {
public:
    virtual ~DescriptorWatcher() = default;
    // Calls onReadable from the event loop each time fd is readable, until
    // Unwatch or the end of the watcher. The descriptor stays the caller's.
    virtual void Watch(int fd, std::function<void()> onReadable) = 0;
    // Stops watching fd; safe to call from its own onReadable.
    virtual void Unwatch(int fd) = 0;
};

}  // namespace tikr
