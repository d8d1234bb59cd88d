#pragma once
// The event loop's watch on file descriptors, as the POSIX launcher needs
// it to learn when a program it started ends without waiting for it. The
// front end implements it with its toolkit (a socket notifier); tests with
// poll.
#include <functional>

namespace tikr {

class DescriptorWatcher {
public:
    virtual ~DescriptorWatcher() = default;
    // Calls onReadable from the event loop each time fd is readable, until
    // Unwatch. The descriptor stays the caller's.
    virtual void Watch(int fd, std::function<void()> onReadable) = 0;
    // Stops watching fd; safe to call from its own onReadable.
    virtual void Unwatch(int fd) = 0;
};

}  // namespace tikr
