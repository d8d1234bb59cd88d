#include "platform/win32/win32_process_launcher.h"

#include <windows.h>

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "platform/launch_failure_text.h"
#include "platform/win32/wide_text.h"

namespace tikr {

namespace {

std::string Reason(LaunchFailure failure, const std::string& program) {
    return Recode(LaunchFailureText(failure, Recode(program, CP_ACP, CP_UTF8)), CP_UTF8, CP_ACP);
}

// The program as CreateProcess reads it from the command line: a quoted
// first token without its quotes, else everything up to the first blank or
// tab.
std::string ProgramOf(const std::string& commandLine) {
    const std::size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    if (commandLine[start] == '"') {
        const std::size_t end = commandLine.find('"', start + 1);
        return commandLine.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    }
    const std::size_t end = commandLine.find_first_of(" \t", start);
    return commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The system's words for error on one line, without the closing full stop,
// and its number, by which it can be looked up.
std::string SystemErrorText(DWORD error) {
    char* buffer = nullptr;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length) : std::string();
    if (buffer != nullptr) ::LocalFree(buffer);
    text = Recode(OneLineText(Recode(text, CP_ACP, CP_UTF8), 200), CP_UTF8, CP_ACP);
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    const std::string number = "error " + std::to_string(error);
    return text.empty() ? number : text + " (" + number + ")";
}

std::string CreateFailureText(DWORD error, const std::string& program) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return Reason(LaunchFailure::NO_PROGRAM, program);
    case ERROR_ACCESS_DENIED: return Reason(LaunchFailure::NOT_EXECUTABLE, program);
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH: return Reason(LaunchFailure::NOT_RUNNABLE, program);
    default: return SystemErrorText(error);
    }
}

// Less free space than this on the output file's disk counts as a full disk.
constexpr ULONGLONG MIN_FREE_OUTPUT_BYTES = 64 * 1024;

// The standard handles of a program whose output goes to a file: the file
// (or NUL, and why) and NUL for input, inheritable, closed when it goes.
class StandardHandles {
public:
    StandardHandles(const std::string& outputPath, std::string& problem) {
        if (outputPath.empty()) return;
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        // The path is UTF-8: the run records' folder may have a name outside
        // the ANSI code page.
        // On a full disk the program could not write a line into the file,
        // and one that checks its writes would fail: its output is
        // discarded instead, and the outcome says so.
        const std::size_t slash = outputPath.find_last_of("\\/");
        ULARGE_INTEGER free{};
        const bool full =
            slash != std::string::npos &&
            ::GetDiskFreeSpaceExW(Widen(outputPath.substr(0, slash + 1)).c_str(), &free, nullptr, nullptr) &&
            free.QuadPart < MIN_FREE_OUTPUT_BYTES;
        if (!full)
            output = ::CreateFileW(Widen(outputPath).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            problem = SystemErrorText(full ? ERROR_DISK_FULL : ::GetLastError());
            output = ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                   OPEN_EXISTING, 0, nullptr);
        }
        input = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                              nullptr);
        list[0] = input;
        list[1] = output;
    }
    ~StandardHandles() {
        if (output != INVALID_HANDLE_VALUE) ::CloseHandle(output);
        if (input != INVALID_HANDLE_VALUE) ::CloseHandle(input);
    }
    StandardHandles(const StandardHandles&) = delete;
    StandardHandles& operator=(const StandardHandles&) = delete;

    bool Ready() const { return output != INVALID_HANDLE_VALUE && input != INVALID_HANDLE_VALUE; }
    HANDLE* List() { return list; }
    SIZE_T ListBytes() const { return sizeof list; }

    HANDLE output = INVALID_HANDLE_VALUE;
    HANDLE input = INVALID_HANDLE_VALUE;

private:
    HANDLE list[2] = {nullptr, nullptr};
};

// On a pool thread when a kept program ended: only tells the window.
VOID CALLBACK OnProcessSignalled(PVOID context, BOOLEAN /*timedOut*/) {
    const auto* notice = static_cast<const Win32ProcessLauncher::EndNotice*>(context);
    PostMessageA(notice->window, notice->message, notice->run, 0);
}

// Whether this is a 32-bit process on 64-bit Windows.
bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

Win32ProcessLauncher::~Win32ProcessLauncher() {
    // Programs still running are left running; only their waits and
    // handles go (INVALID_HANDLE_VALUE: a callback under way finishes first).
    for (auto& [run, program] : kept) {
        ::UnregisterWaitEx(program.wait, INVALID_HANDLE_VALUE);
        ::CloseHandle(program.process);
    }
}

void Win32ProcessLauncher::KeepPrograms(HWND target, UINT endMessage) {
    window = target;
    message = endMessage;
}

bool Win32ProcessLauncher::Keep(HANDLE process, WPARAM run) {
    Kept program;
    program.process = process;
    program.startTicks = ::GetTickCount64();
    program.notice = std::make_unique<EndNotice>(EndNotice{window, message, run});
    if (!::RegisterWaitForSingleObject(&program.wait, process, OnProcessSignalled, program.notice.get(), INFINITE,
                                       WT_EXECUTEONLYONCE)) {
        ::CloseHandle(process);
        return false;
    }
    kept[run] = std::move(program);
    return true;
}

void Win32ProcessLauncher::OnProgramEnded(WPARAM run) {
    const auto found = kept.find(run);
    if (found == kept.end()) return;
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(found->second.process, 0) != WAIT_OBJECT_0) return;
    ::GetExitCodeProcess(found->second.process, &code);
    ProgramEnd end;
    end.run = run;
    end.how = ProgramEnd::How::exitCode;
    end.code = code;
    end.seconds = static_cast<long long>((::GetTickCount64() - found->second.startTicks) / 1000);
    ::UnregisterWaitEx(found->second.wait, INVALID_HANDLE_VALUE);
    ::CloseHandle(found->second.process);
    kept.erase(found);
    stopper.Ended(run);
    if (onEnd) onEnd(end);
}

std::string ThroughRealSystemFolder(const std::string& commandLine, const std::string& windowsDirectory) {
    std::string folder = windowsDirectory;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty()) return commandLine;
    std::size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos) return commandLine;
    if (commandLine[start] == '"') ++start;
    const auto sameFrom = [&](std::size_t at, std::string_view text) {
        if (commandLine.size() - at < text.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char a = commandLine[at + i];
            const char b = text[i];
            const bool separators = (a == '\\' || a == '/') && (b == '\\' || b == '/');
            if (!separators &&
                std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b)))
                return false;
        }
        return true;
    };
    const std::string systemFolder = folder + "\\System32\\";
    if (!sameFrom(start, systemFolder)) return commandLine;
    const std::size_t name = start + folder.size() + 1;
    return commandLine.substr(0, name) + "Sysnative" + commandLine.substr(name + 8);
}

LaunchResult Win32ProcessLauncher::Start(const std::string& commandLine, int showState) {
    return StartRun(LaunchRequest{commandLine, showState, {}});
}

LaunchResult Win32ProcessLauncher::StartRun(const LaunchRequest& request) {
    const std::string& commandLine = request.commandLine;
    const int showState = request.showState;
    // A text with a NUL in it would be cut short and start something other
    // than what it says; a blank one names no program.
    if (commandLine.find('\0') != std::string::npos)
        return LaunchResult::Failed(LaunchFailureText(LaunchFailure::NUL_IN_COMMAND_LINE, {}));
    if (commandLine.find_first_not_of(" \t") == std::string::npos)
        return LaunchResult::Failed(LaunchFailureText(LaunchFailure::EMPTY_COMMAND_LINE, {}));
    const std::string program = ProgramOf(commandLine);
    if (program.empty()) return LaunchResult::Failed(Reason(LaunchFailure::NO_PROGRAM, program));
    // Under WOW64 Windows would show a 32-bit program the 32-bit system
    // folder in place of the real one, where some programs (ssh) exist only
    // in their 64-bit form.
    std::string started = commandLine;
    if (RunsUnderWow64()) {
        char windows[MAX_PATH] = {};
        const UINT length = ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            started = ThroughRealSystemFolder(commandLine, std::string(windows, length));
    }
    // CreateProcessA may write into the command line: give it a copy.
    std::vector<char> text(started.begin(), started.end());
    text.push_back('\0');

    STARTUPINFOEXA startupEx{};
    STARTUPINFOA& startup = startupEx.StartupInfo;
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);

    // The output file and the NUL device as inheritable handles, and a list
    // that lets the program inherit only these.
    std::string outputProblem;
    StandardHandles handles(request.outputPath, outputProblem);
    std::vector<char> attributeStorage;
    DWORD flags = 0;
    BOOL inherit = FALSE;
    if (handles.Ready()) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        attributeStorage.resize(size);
        auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeStorage.data());
        if (::InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
            ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.List(),
                                        handles.ListBytes(), nullptr, nullptr)) {
            startup.cb = sizeof startupEx;
            startupEx.lpAttributeList = attributes;
            startup.dwFlags |= STARTF_USESTDHANDLES;
            startup.hStdInput = handles.input;
            startup.hStdOutput = handles.output;
            startup.hStdError = handles.output;
            flags = EXTENDED_STARTUPINFO_PRESENT;
            inherit = TRUE;
        }
    }
    PROCESS_INFORMATION process{};
    // A kept program goes into a job of its own before it runs, and in a
    // process group of its own for a console break.
    if (window != nullptr) flags |= CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP;
    const BOOL created =
        ::CreateProcessA(nullptr, text.data(), nullptr, nullptr, inherit, flags, nullptr, nullptr, &startup, &process);
    if (startupEx.lpAttributeList != nullptr) ::DeleteProcThreadAttributeList(startupEx.lpAttributeList);
    if (!created) {
        const DWORD error = ::GetLastError();
        const std::string reason = CreateFailureText(error, program);
        ::OutputDebugStringA(("Tikr: cannot start \"" + commandLine + "\": " + reason + "\n").c_str());
        return LaunchResult::Failed(reason);
    }
    const WPARAM run = window != nullptr ? ++lastRun : 0;
    if (run != 0) stopper.Adopt(run, process);
    ::CloseHandle(process.hThread);
    LaunchResult result = LaunchResult::Started();
    result.outputProblem = std::move(outputProblem);
    if (window == nullptr) {
        ::CloseHandle(process.hProcess);
        return result;
    }
    if (Keep(process.hProcess, run)) result.run = run;
    else stopper.Ended(run);
    return result;
}

}  // namespace tikr
