#pragma once
// Ends kept programs on Windows with the programs they started: each is
// put in a job object of its own before it runs, so that its whole tree
// can be ended. A stop asks first (WM_CLOSE to the tree's top-level
// windows, and a console break to a console program where Windows lets one
// be sent) and ends the job with TerminateJobObject after the grace
// period, timed on the system's timer queue.
#include <windows.h>

#include <cstdint>
#include <map>

namespace tikr {

class Win32ProcessStopper {
public:
    explicit Win32ProcessStopper(int graceSeconds) : graceSeconds(graceSeconds) {}
    // Programs still running are left running; their jobs' handles go.
    ~Win32ProcessStopper();
    Win32ProcessStopper(const Win32ProcessStopper&) = delete;
    Win32ProcessStopper& operator=(const Win32ProcessStopper&) = delete;

    // The program was made suspended: puts it in a job of its own for the
    // run, then lets it run. Without a job (the system refused one) it
    // runs all the same, and a stop ends only the program itself.
    void Adopt(std::uint64_t run, const PROCESS_INFORMATION& process);
    // Asks the run's programs to end and arms the force. False for a run
    // it does not know.
    bool Stop(std::uint64_t run);
    // The run's program has ended: what is left of a tree being stopped is
    // ended too, and the run is forgotten.
    void Ended(std::uint64_t run);

private:
    struct Run {
        HANDLE job = nullptr;      // null: none could be made
        HANDLE process = nullptr;  // a copy of the program's handle
        DWORD processId = 0;
        HANDLE timer = nullptr;  // the force, once asked
    };
    int graceSeconds;
    std::map<std::uint64_t, Run> runs;

    void Forget(std::map<std::uint64_t, Run>::iterator found);
};

}  // namespace tikr
