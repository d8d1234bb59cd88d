#include "platform/win32/win32_process_stopper.h"

#include <cstddef>
#include <vector>

namespace tikr {

namespace {

constexpr UINT STOPPED_EXIT_CODE = 1;

// The processes of the job, or the program alone without one.
std::vector<DWORD> ProcessIds(HANDLE job, DWORD programId) {
    if (job == nullptr) return {programId};
    // Room for a fair tree; a longer list still holds its first ones.
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[255];
    } ids{};
    ids.list.NumberOfAssignedProcesses = 256;
    std::vector<DWORD> found;
    if (::QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr) ||
        ::GetLastError() == ERROR_MORE_DATA) {
        for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList && i < 256; ++i)
            found.push_back(static_cast<DWORD>(ids.list.ProcessIdList[i]));
    }
    if (found.empty()) found.push_back(programId);
    return found;
}

struct WindowSearch {
    const std::vector<DWORD>* ids;
};

BOOL CALLBACK CloseWindowOfTree(HWND window, LPARAM context) {
    const auto* search = reinterpret_cast<const WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    for (const DWORD id : *search->ids)
        if (id == owner) ::PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// A console program started in a process group of its own gets Ctrl+Break
// through its console, which this windowed process joins for the moment
// (ignoring the break itself). Windows refuses where the program has no
// console; then the windows and the force remain.
void SendConsoleBreak(DWORD programId) {
    if (!::AttachConsole(programId)) return;
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, programId);
    ::FreeConsole();
    ::SetConsoleCtrlHandler(nullptr, FALSE);
}

// On a timer-queue thread once the grace period is over. The handles stay
// open until the timer is deleted, which waits for this call.
VOID CALLBACK ForceEnd(PVOID context, BOOLEAN /*fired*/) {
    const auto* handles = static_cast<const HANDLE*>(context);
    if (handles[0] != nullptr) ::TerminateJobObject(handles[0], STOPPED_EXIT_CODE);
    else ::TerminateProcess(handles[1], STOPPED_EXIT_CODE);
}

}  // namespace

Win32ProcessStopper::~Win32ProcessStopper() {
    while (!runs.empty()) Forget(runs.begin());
}

void Win32ProcessStopper::Adopt(std::uint64_t run, const PROCESS_INFORMATION& process) {
    Run adopted;
    adopted.processId = process.dwProcessId;
    ::DuplicateHandle(::GetCurrentProcess(), process.hProcess, ::GetCurrentProcess(), &adopted.process, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    adopted.job = ::CreateJobObjectA(nullptr, nullptr);
    if (adopted.job != nullptr && !::AssignProcessToJobObject(adopted.job, process.hProcess)) {
        ::CloseHandle(adopted.job);
        adopted.job = nullptr;
    }
    ::ResumeThread(process.hThread);
    if (adopted.process != nullptr) runs[run] = adopted;
    else if (adopted.job != nullptr) ::CloseHandle(adopted.job);
}

bool Win32ProcessStopper::Stop(std::uint64_t run) {
    const auto found = runs.find(run);
    if (found == runs.end()) return false;
    Run& program = found->second;
    if (program.timer != nullptr) return true;  // already asked
    std::vector<DWORD> ids = ProcessIds(program.job, program.processId);
    WindowSearch search{&ids};
    ::EnumWindows(CloseWindowOfTree, reinterpret_cast<LPARAM>(&search));
    SendConsoleBreak(program.processId);
    // The job's and the process's handles, in the order ForceEnd reads them.
    static_assert(offsetof(Run, process) == offsetof(Run, job) + sizeof(HANDLE), "handles side by side");
    if (!::CreateTimerQueueTimer(&program.timer, nullptr, ForceEnd, &program.job,
                                 static_cast<DWORD>(graceSeconds) * 1000u, 0, WT_EXECUTEONLYONCE)) {
        program.timer = nullptr;
        ForceEnd(&program.job, TRUE);
    }
    return true;
}

void Win32ProcessStopper::Ended(std::uint64_t run) {
    const auto found = runs.find(run);
    if (found == runs.end()) return;
    // Children of a stopped program that outlive it go with it.
    if (found->second.timer != nullptr && found->second.job != nullptr)
        ::TerminateJobObject(found->second.job, STOPPED_EXIT_CODE);
    Forget(found);
}

void Win32ProcessStopper::Forget(std::map<std::uint64_t, Run>::iterator found) {
    Run& program = found->second;
    // INVALID_HANDLE_VALUE: a force under way finishes before the handles go.
    if (program.timer != nullptr) ::DeleteTimerQueueTimer(nullptr, program.timer, INVALID_HANDLE_VALUE);
    if (program.job != nullptr) ::CloseHandle(program.job);
    if (program.process != nullptr) ::CloseHandle(program.process);
    runs.erase(found);
}

}  // namespace tikr
