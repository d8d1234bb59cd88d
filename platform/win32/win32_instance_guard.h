#pragma once
// The Windows instance guard.
//
//  - The lock is a named mutex in the session's "Local\" namespace, named
//    after the profile file's full path (case folded, as Windows compares
//    paths): "Local\Tikr-<key>". The first start owns it for its whole
//    life; Windows marks it abandoned when the owner dies in any way, and
//    the next start takes it over, so a crash never blocks a start. Two
//    starts at once: the system gives the mutex to one of them.
//  - The owner records its process id in a named shared section beside the
//    mutex. A later start reads it, finds that process's top-level window
//    of the class MAIN_WINDOW_CLASS (never a window by caption, which would
//    match a message box captioned "tikr" or another program's window),
//    shows it (restoring it when minimised), brings the window that takes
//    its keyboard to the foreground (the main window, or the properties
//    dialog or a box that the main window waits for) and ends. While no such window exists yet (the first start is
//    still starting) it tries again for a bounded time; then it ends all the same, with GetError() saying so. If the
//    owner ends meanwhile, the later start takes the mutex and is first.
//
// The front end registers its main window's class under MAIN_WINDOW_CLASS.
// Nothing needs watching in the running Tikr: ServeShowRequests returns
// false. The guard must be acquired and destroyed on the same thread (the
// thread owns the mutex).
#include <chrono>
#include <memory>
#include <string>

#include "instance/instance_guard.h"

namespace tikr {

// The window class of Tikr's main window, by which a later start finds it.
inline constexpr const char* MAIN_WINDOW_CLASS = "TikrSchedulerWindow";

class Win32InstanceGuard : public InstanceGuard {
public:
    // The longest a later start looks for the running Tikr's window.
    static constexpr std::chrono::milliseconds DEFAULT_WAIT{5000};

    // Never null.
    static std::unique_ptr<Win32InstanceGuard> Acquire(const std::string& profilePath,
                                                       std::chrono::milliseconds wait = DEFAULT_WAIT);

    ~Win32InstanceGuard() override;
    Win32InstanceGuard(const Win32InstanceGuard&) = delete;
    Win32InstanceGuard& operator=(const Win32InstanceGuard&) = delete;

    Role GetRole() const override { return role_; }
    const std::string& GetError() const override { return error_; }
    bool ServeShowRequests(DescriptorWatcher& watch, std::function<void()> show) override;

    // "Local\Tikr-<key>", the mutex's name; the shared section adds "-owner".
    const std::string& GetMutexName() const { return mutexName_; }

private:
    Win32InstanceGuard() = default;

    bool TakeMutex();          // true when this start owns the mutex now
    void RecordOwner();        // the shared section with this process's id
    bool ShowRunningWindow();  // true when the running Tikr's window was found and shown
    void RunAsLaterStart(std::chrono::milliseconds wait);

    Role role_ = Role::unguarded;
    std::string error_;
    std::string mutexName_;
    void* mutex_ = nullptr;    // HANDLE; kept as void* so that callers need no <windows.h>
    void* section_ = nullptr;  // HANDLE of the shared section, first start only
    bool owned_ = false;
};

}  // namespace tikr
