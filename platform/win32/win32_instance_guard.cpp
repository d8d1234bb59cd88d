#include "platform/win32/win32_instance_guard.h"

#include <windows.h>

#include <algorithm>

#include "instance/profile_key.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_input_window.h"

namespace tikr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Pause between a later start's attempts to find the running window.
constexpr milliseconds RETRY_PAUSE{50};

std::string ErrorText(const std::string& what, DWORD code) { return what + " (error " + std::to_string(code) + ")"; }

// The profile's full path (UTF-8), case folded, so that every spelling of
// one file gives one key. Falls back to the path as given.
std::string PathKeyText(const std::string& profilePath) {
    const std::wstring given = Widen(profilePath);
    std::wstring full = given;
    const DWORD needed = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (needed > 0) {
        std::wstring buffer(needed, L'\0');
        const DWORD length = ::GetFullPathNameW(given.c_str(), needed, buffer.data(), nullptr);
        if (length > 0 && length < needed) full.assign(buffer.data(), length);
    }
    for (wchar_t& c : full) {
        if (c == L'/') c = L'\\';
    }
    if (!full.empty()) ::CharLowerBuffW(full.data(), static_cast<DWORD>(full.size()));
    return Narrow(full);
}

// The process id that the running Tikr recorded; 0 when none is there yet.
DWORD RecordedOwner(const std::string& sectionName) {
    HANDLE section = ::OpenFileMappingA(FILE_MAP_READ, FALSE, sectionName.c_str());
    if (section == nullptr) return 0;
    DWORD owner = 0;
    if (const void* view = ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof owner)) {
        owner = *static_cast<const volatile DWORD*>(view);
        ::UnmapViewOfFile(view);
    }
    ::CloseHandle(section);
    return owner;
}

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process) return TRUE;
    char name[64] = {};
    // Class names are compared exactly: the class is ours.
    if (::GetClassNameA(window, name, sizeof name) == 0 || std::string(name) != MAIN_WINDOW_CLASS) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const std::string& profilePath) {
    return Win32InstanceGuard::Acquire(profilePath);
}

Win32InstanceGuard::~Win32InstanceGuard() {
    if (section_ != nullptr) ::CloseHandle(section_);
    if (owned_) ::ReleaseMutex(mutex_);
    if (mutex_ != nullptr) ::CloseHandle(mutex_);
}

std::unique_ptr<Win32InstanceGuard> Win32InstanceGuard::Acquire(const std::string& profilePath, milliseconds wait) {
    std::unique_ptr<Win32InstanceGuard> self(new Win32InstanceGuard());
    self->mutexName_ = "Local\\Tikr-" + ProfileKey(PathKeyText(profilePath));
    self->mutex_ = ::CreateMutexA(nullptr, FALSE, self->mutexName_.c_str());
    if (self->mutex_ == nullptr) {
        self->error_ = ErrorText("cannot create " + self->mutexName_, ::GetLastError());
        return self;
    }
    if (self->TakeMutex()) {
        self->role_ = Role::first;
        self->RecordOwner();
        return self;
    }
    if (!self->error_.empty()) return self;  // unguarded: the mutex cannot be waited for
    self->RunAsLaterStart(wait);
    return self;
}

bool Win32InstanceGuard::TakeMutex() {
    // WAIT_ABANDONED: the owner died without letting go; the mutex is ours.
    const DWORD result = ::WaitForSingleObject(mutex_, 0);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
        owned_ = true;
        return true;
    }
    if (result == WAIT_FAILED) error_ = ErrorText("cannot take " + mutexName_, ::GetLastError());
    return false;
}

void Win32InstanceGuard::RecordOwner() {
    const std::string sectionName = mutexName_ + "-owner";
    HANDLE section =
        ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), sectionName.c_str());
    void* view = section != nullptr ? ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)) : nullptr;
    if (view == nullptr) {
        error_ = ErrorText("later starts cannot find this one: cannot share " + sectionName, ::GetLastError());
        if (section != nullptr) ::CloseHandle(section);
        return;
    }
    *static_cast<volatile DWORD*>(view) = ::GetCurrentProcessId();
    ::UnmapViewOfFile(view);
    section_ = section;
}

bool Win32InstanceGuard::ShowRunningWindow() {
    WindowSearch search{RecordedOwner(mutexName_ + "-owner"), nullptr};
    if (search.process == 0) return false;
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return false;
    // Asynchronous: a running Tikr that does not answer cannot hold this
    // start up.
    ::ShowWindowAsync(search.found, ::IsIconic(search.found) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(InputWindowOf(search.found));
    return true;
}

void Win32InstanceGuard::RunAsLaterStart(milliseconds wait) {
    wait = std::clamp(wait, milliseconds::zero(), milliseconds(std::chrono::hours(1)));
    const auto deadline = Clock::now() + wait;
    for (;;) {
        // If the owner has ended meanwhile, this start runs the scheduler
        // itself (asked first, so that a recorded process id that a dead
        // owner left behind is never trusted).
        if (TakeMutex()) {
            role_ = Role::first;
            error_.clear();
            RecordOwner();
            return;
        }
        if (ShowRunningWindow()) {
            role_ = Role::alreadyRunning;
            error_.clear();
            return;
        }
        // No window to show yet: the owner is still starting.
        if (Clock::now() >= deadline) {
            role_ = Role::alreadyRunning;
            error_ = "the running Tikr's window was not found";
            return;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        ::Sleep(static_cast<DWORD>(std::clamp(left, milliseconds(1), RETRY_PAUSE).count()));
    }
}

bool Win32InstanceGuard::ServeShowRequests(DescriptorWatcher&, std::function<void()>) { return false; }

}  // namespace tikr
