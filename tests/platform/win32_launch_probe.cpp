// Started by the launcher tests: writes each argument after the first, in
// brackets, one a line, and then "show=<n>" with the show command it was
// started with, into the file named by its first argument. The file appears
// whole, by a rename. An argument "exit=N" makes it end with the code N;
// "print" has it write "out" on standard output and "err" on standard error.
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
    for (int i = 2; i < argc; ++i) {
        std::fprintf(file, "[%s]\n", argv[i]);
        if (std::string(argv[i]).rfind("exit=", 0) == 0) code = std::atoi(argv[i] + 5);
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
    return MoveFileExA(part.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING) ? code : 1;
}
