// Started by the launcher tests: writes each argument after the first, in
// brackets, one a line, and then "show=<n>" with the show command it was
// started with, into the file named by its first argument. The file appears
// whole, by a rename. An argument "exit=N" makes it end with the code N;
// "print" has it write "out" on standard output and "err" on standard error.
// "wait=NAME", after the file is written, counts itself on the semaphore
// NAME.ready and ends only when the event NAME is set (or after two
// minutes), so that many probes can be made to end at one instant;
// "sleep=N" has it wait N seconds before it ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string out = argv[1];
    const std::string part = out + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (file == nullptr) return 1;
    int code = 0;
    std::string wait;
    int sleepSeconds = 0;
    for (int i = 2; i < argc; ++i) {
        std::fprintf(file, "[%s]\n", argv[i]);
        if (std::string(argv[i]).rfind("exit=", 0) == 0) code = std::atoi(argv[i] + 5);
        if (std::string(argv[i]).rfind("wait=", 0) == 0) wait = argv[i] + 5;
        if (std::string(argv[i]).rfind("sleep=", 0) == 0) sleepSeconds = std::atoi(argv[i] + 6);
        if (std::string(argv[i]) == "print") {
            std::fputs("out\n", stdout);
            std::fflush(stdout);
            std::fputs("err\n", stderr);
        }
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    std::fprintf(file, "show=%d\n", (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1);
    std::fclose(file);
    if (!MoveFileExA(part.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    if (!wait.empty()) {
        const HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, (wait + ".ready").c_str());
        const HANDLE end = OpenEventA(SYNCHRONIZE, FALSE, wait.c_str());
        if (ready == nullptr || end == nullptr) return 1;
        ReleaseSemaphore(ready, 1, nullptr);
        // Starting a thousand programs on a busy machine can take minutes:
        // the probe waits nearly as long as its test may run (300 s).
        if (WaitForSingleObject(end, 280000) != WAIT_OBJECT_0) return 1;
    }
    if (sleepSeconds > 0) Sleep(static_cast<DWORD>(sleepSeconds) * 1000);
    return code;
}
