#pragma once
// This process's limit of open files, raised while many programs run.
#include <sys/resource.h>

namespace tikr {

// A kept program holds a descriptor until it ends, and a desktop session's
// usual limit of 1,024 open files would be used up by a thousand programs
// running at once: while this lasts, the limit is raised to what the system
// allows (this process waits with poll, never select). The programs get the
// limit this process was given.
class OpenFileLimit {
public:
    OpenFileLimit();
    ~OpenFileLimit();
    OpenFileLimit(const OpenFileLimit&) = delete;
    OpenFileLimit& operator=(const OpenFileLimit&) = delete;

    // The limit for a program, or null when this process's own is it.
    const struct rlimit* ForPrograms() const { return raised ? &given : nullptr; }
    // This process's limit, as raised.
    int Current() const { return current; }

private:
    struct rlimit given {};
    bool raised = false;
    int current = 1024;
};

}  // namespace tikr
