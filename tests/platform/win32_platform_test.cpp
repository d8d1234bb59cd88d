// The Windows clock, process launcher and executable path, run under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/run_records.h"
#include "platform/executable_path.h"
#include "platform/system_clock.h"
#include "platform/win32/win32_process_launcher.h"
#include "temp_dir.h"

namespace tikr {
namespace {

namespace chr = std::chrono;

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Waits up to thirty seconds for a file to appear.
bool WaitForFile(const std::string& path) {
    const auto stop = chr::steady_clock::now() + chr::seconds(30);
    while (!Exists(path)) {
        if (chr::steady_clock::now() >= stop) return false;
        Sleep(10);
    }
    return true;
}

// The handles this process holds, counted by asking after every handle
// value in turn: Wine's GetProcessHandleCount says 0 whatever is open.
DWORD OpenHandles() {
    DWORD count = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

const std::string PROBE = Folder(ExecutablePath(nullptr)) + "launch_probe.exe";

TEST(Win32ProcessLauncher, StartsTheCommandLineAsStoredWithItsShowState) {
    test::TempDir dir;
    Win32ProcessLauncher launcher;
    const struct {
        std::string arguments;
        int show;
        std::string expected;
    } cases[] = {
        {"one \"two words\" three", SW_SHOWMINNOACTIVE, "[one]\n[two words]\n[three]\nshow=7\n"},
        // Characters of the command interpreter are plain arguments: no
        // interpreter runs, so nothing is redirected or chained.
        {"& echo x > " + dir.File("redirected") + " | %PATH%", SW_SHOW,
         "[&]\n[echo]\n[x]\n[>]\n[" + dir.File("redirected") + "]\n[|]\n[%PATH%]\nshow=5\n"},
        {"", 2, "show=2\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string out = dir.File("out" + std::to_string(n++));
        SCOPED_TRACE(c.arguments);
        const LaunchResult result = launcher.Start("\"" + PROBE + "\" " + out + " " + c.arguments, c.show);
        ASSERT_TRUE(result);
        EXPECT_EQ(result.reason, "");
        ASSERT_TRUE(WaitForFile(out));
        // The probe may have made the file and not yet written all of it.
        std::string text;
        const auto stop = chr::steady_clock::now() + chr::seconds(30);
        while ((text = test::TempDir::ReadFile(out)) != c.expected && chr::steady_clock::now() < stop) Sleep(10);
        EXPECT_EQ(text, c.expected);
    }
    EXPECT_FALSE(Exists(dir.File("redirected")));
}

TEST(Win32ProcessLauncher, KeptProgramsEndThroughTheWindowWithTheirCodeAndNoHandleLeft) {
    test::TempDir dir;
    constexpr UINT ENDED = WM_APP + 7;
    const HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    DWORD handlesBefore = 0, handlesAfter = 0;
    std::vector<ProgramEnd> ends;
    {
        Win32ProcessLauncher launcher;
        launcher.KeepPrograms(window, ENDED);
        launcher.SetEndHandler([&ends](const ProgramEnd& end) { ends.push_back(end); });
        // The first start made the pool's threads: count after it.
        const LaunchResult first = launcher.Start("\"" + PROBE + "\" " + dir.File("out0") + " exit=3", SW_SHOW);
        ASSERT_TRUE(first);
        ASSERT_NE(first.run, 0u);
        const auto stop = chr::steady_clock::now() + chr::seconds(30);
        MSG message;
        while (ends.size() < 1 && chr::steady_clock::now() < stop) {
            if (!PeekMessageA(&message, window, ENDED, ENDED, PM_REMOVE)) {
                Sleep(10);
                continue;
            }
            launcher.OnProgramEnded(message.wParam);
        }
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].run, first.run);
        EXPECT_EQ(ends[0].how, ProgramEnd::How::exitCode);
        EXPECT_EQ(ends[0].code, 3);
        handlesBefore = OpenHandles();
        for (int i = 1; i <= 5; ++i)
            ASSERT_TRUE(launcher.Start("\"" + PROBE + "\" " + dir.File("out" + std::to_string(i)), SW_SHOW));
        while (ends.size() < 6 && chr::steady_clock::now() < stop) {
            if (!PeekMessageA(&message, window, ENDED, ENDED, PM_REMOVE)) {
                Sleep(10);
                continue;
            }
            launcher.OnProgramEnded(message.wParam);
        }
        ASSERT_EQ(ends.size(), 6u);
        EXPECT_EQ(ends[5].code, 0);
        EXPECT_EQ(launcher.RunningPrograms(), 0u);
        handlesAfter = OpenHandles();
    }
    DestroyWindow(window);
    EXPECT_LE(handlesAfter, handlesBefore);
}

// Many kept programs made to end at one instant (TIKR_LOAD_PROGRAMS of
// them, else 1,000): every end reaches the window with its own code, no
// handle stays behind, and the window's thread is never held long, neither
// by one end nor by a run of ends that keeps its queue from emptying (input
// waits behind posted messages).
TEST(Win32ProcessLauncher, ManyProgramsEndingAtOnceAreAllHeardWithoutHoldingTheWindow) {
    char given[16] = {};
    const int count = GetEnvironmentVariableA("TIKR_LOAD_PROGRAMS", given, sizeof given) > 0 ? std::atoi(given) : 1000;
    test::TempDir dir;
    constexpr UINT ENDED = WM_APP + 7;
    const HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const std::string name = "tikr-test-end-" + std::to_string(GetCurrentProcessId());
    const HANDLE end = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    const HANDLE ready = CreateSemaphoreA(nullptr, 0, count, (name + ".ready").c_str());
    ASSERT_TRUE(end != nullptr && ready != nullptr);
    // Whatever ends the test, the probes still waiting are let go at once
    // rather than holding the run open for their full wait.
    struct Release {
        HANDLE end;
        ~Release() { SetEvent(end); }
    } const release{end};
    DWORD handlesBefore = 0, handlesAfter = 0;
    int retries = 0;
    std::map<WPARAM, int> expected;
    std::map<WPARAM, int> heard;
    using Clock = chr::steady_clock;
    Clock::duration longestTurn{}, longestBusy{};
    Clock::time_point start, startedAll, readyAll, released, deliveredAll;
    {
        Win32ProcessLauncher launcher;
        launcher.KeepPrograms(window, ENDED);
        launcher.SetEndHandler([&heard](const ProgramEnd& e) { heard[e.run] = static_cast<int>(e.code); });
        handlesBefore = OpenHandles();
        start = Clock::now();
        for (int i = 0; i < count; ++i) {
            const int code = i % 200 + 1;
            const std::string commandLine = "\"" + PROBE + "\" " + dir.File("out" + std::to_string(i)) +
                                            " exit=" + std::to_string(code) + " wait=" + name;
            // Wine's process creation now and then fails with an internal
            // error on a loaded machine; a later try of the same start works.
            LaunchResult result = launcher.Start(commandLine, SW_SHOW);
            for (int attempt = 1; !result && attempt < 5; ++attempt, ++retries) {
                Sleep(200);
                result = launcher.Start(commandLine, SW_SHOW);
            }
            ASSERT_TRUE(result) << i << ": " << result.reason;
            ASSERT_NE(result.run, 0u);
            expected[result.run] = code;
        }
        startedAll = Clock::now();
        for (int i = 0; i < count; ++i) ASSERT_EQ(WaitForSingleObject(ready, 280000), WAIT_OBJECT_0) << i;
        readyAll = Clock::now();
        ASSERT_TRUE(heard.empty());

        SetEvent(end);
        released = Clock::now();
        const Clock::time_point stop = released + chr::seconds(120);
        Clock::time_point lastTurn = released, lastIdle = released;
        MSG message;
        while (heard.size() < static_cast<std::size_t>(count) && Clock::now() < stop) {
            const Clock::time_point now = Clock::now();
            longestTurn = std::max(longestTurn, now - lastTurn);
            lastTurn = now;
            if (PeekMessageA(&message, window, ENDED, ENDED, PM_REMOVE)) {
                launcher.OnProgramEnded(message.wParam);
                longestBusy = std::max(longestBusy, Clock::now() - lastIdle);
                continue;
            }
            lastIdle = now;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE);
        }
        deliveredAll = Clock::now();
        EXPECT_EQ(heard, expected);
        EXPECT_EQ(launcher.RunningPrograms(), 0u);
        // The pool's waiting threads, one per 63 waits, end a few seconds
        // after their last wait went, with the handles they hold.
        const Clock::time_point settle = Clock::now() + chr::seconds(30);
        while ((handlesAfter = OpenHandles()) > handlesBefore + 2 && Clock::now() < settle) Sleep(500);
    }
    DestroyWindow(window);
    CloseHandle(end);
    CloseHandle(ready);
    const auto ms = [](Clock::duration d) { return chr::duration_cast<chr::milliseconds>(d).count(); };
    std::printf(
        "%d programs: started in %lld ms, all waiting after %lld ms; all ends heard %lld ms after the "
        "release; longest turn of the window %lld ms, longest stretch without an empty queue %lld ms; "
        "handles %lu before, %lu after; %d starts tried again\n",
        count, ms(startedAll - start), ms(readyAll - start), ms(deliveredAll - released), ms(longestTurn),
        ms(longestBusy), handlesBefore, handlesAfter, retries);
    EXPECT_LT(longestTurn, chr::seconds(2));
    // A thousand ends keep the queue from emptying for about 3.3 s under
    // 64-bit Wine on two cores (about 2 s under 32-bit Wine): the bar
    // catches an end that holds the window, not Wine's pace.
    EXPECT_LT(longestBusy, chr::seconds(5));
    EXPECT_LE(handlesAfter, handlesBefore + 2);
}

TEST(Win32ProcessLauncher, OutputGoesToItsFileOrIsDiscardedWithTheReason) {
    test::TempDir dir;
    Win32ProcessLauncher launcher;
    const std::string output = dir.File("run.log");
    ASSERT_TRUE(launcher.StartRun(LaunchRequest{"\"" + PROBE + "\" " + dir.File("out") + " print", SW_SHOW, output}));
    ASSERT_TRUE(WaitForFile(dir.File("out")));
    std::string text;
    const auto stop = chr::steady_clock::now() + chr::seconds(30);
    while ((text = test::TempDir::ReadFile(output)).find("err") == std::string::npos && chr::steady_clock::now() < stop)
        Sleep(10);
    EXPECT_NE(text.find("out"), std::string::npos) << text;
    EXPECT_LT(text.find("out"), text.find("err")) << text;

    const LaunchResult discarded = launcher.StartRun(
        LaunchRequest{"\"" + PROBE + "\" " + dir.File("out2") + " print", SW_SHOW, dir.File("no\\such\\run.log")});
    EXPECT_TRUE(discarded);
    EXPECT_NE(discarded.outputProblem, "");
    EXPECT_TRUE(WaitForFile(dir.File("out2")));
}

TEST(Win32ProcessLauncher, ReportsWhatCannotStart) {
    test::TempDir dir;
    Win32ProcessLauncher launcher;
    const std::string notAProgram = dir.File("plain.txt");
    std::ofstream(notAProgram) << "text";
    // With an extension, so that no ".exe" is added to the name.
    const std::string folder = dir.File("folder.exe");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const struct {
        std::string commandLine;
        std::string reason;
    } cases[] = {
        {"", "the command line is empty"},
        {" \t ", "the command line is empty"},
        {"C:\\no\\such\\tikr-program.exe", "no program named C:\\no\\such\\tikr-program.exe"},
        {"tikr-no-such-program --flag", "no program named tikr-no-such-program"},
        {"\"" + notAProgram + "\"", "not a program this system can run: " + notAProgram},
        {"\"" + folder + "\" x", "not executable: " + folder},
        {"\"\"", "the command line names no program"},
        {std::string("probe\0x", 7), "the command line holds a NUL character"},
    };
    for (const auto& c : cases) {
        const LaunchResult result = launcher.Start(c.commandLine, SW_SHOW);
        EXPECT_FALSE(result) << c.commandLine;
        EXPECT_EQ(result.reason, c.reason) << c.commandLine;
    }
}

// A 32-bit Tikr on 64-bit Windows: a program named in the system folder is
// started from the real one (Sysnative), not from the 32-bit copy Windows
// would put in its place.
TEST(Win32ProcessLauncher, ProgramsOfTheSystemFolderAreReachedThroughSysnative) {
    const std::string windows = "C:\\Windows";
    const struct {
        std::string given;
        std::string expected;
    } cases[] = {
        {"C:\\Windows\\System32\\OpenSSH\\ssh.exe -V", "C:\\Windows\\Sysnative\\OpenSSH\\ssh.exe -V"},
        {"  \"c:\\windows\\SYSTEM32\\my tool.exe\" a", "  \"c:\\windows\\Sysnative\\my tool.exe\" a"},
        {"C:/Windows/System32/whoami.exe", "C:/Windows/Sysnative/whoami.exe"},
        // Elsewhere, or the folder only in an argument: as stored.
        {"C:\\Windows\\System32x\\a.exe", "C:\\Windows\\System32x\\a.exe"},
        {"D:\\Windows\\System32\\a.exe", "D:\\Windows\\System32\\a.exe"},
        {"notepad.exe C:\\Windows\\System32\\drivers\\etc\\hosts",
         "notepad.exe C:\\Windows\\System32\\drivers\\etc\\hosts"},
        {"C:\\Windows\\System32", "C:\\Windows\\System32"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ThroughRealSystemFolder(c.given, windows), c.expected) << c.given;
        EXPECT_EQ(ThroughRealSystemFolder(c.given, windows + "\\"), c.expected) << c.given;
    }
}

// The offset of local time from UTC that the clock must show: the hours
// the test was told (TIKR_CLOCK_OFFSET_HOURS, with TZ set for Wine to
// match), else what Windows says of its zone now.
// Run by wow64_test.sh: a 32-bit Tikr on 64-bit Windows starts a program
// that exists only in the real system folder, by its System32 path, which
// Windows would otherwise turn into the 32-bit folder, where it is not.
TEST(Win32ProcessLauncherWow64, AProgramOnlyInTheRealSystemFolderStarts) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "not a 32-bit process on 64-bit Windows";
    char windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string program = std::string(windows, length) + "\\System32\\tikr_wow64_probe.exe";
    ASSERT_FALSE(Exists(program)) << "the 32-bit view of the system folder holds the probe";
    test::TempDir dir;
    const std::string out = dir.File("out");
    const LaunchResult result = Win32ProcessLauncher().Start(program + " " + out + " x", SW_SHOW);
    ASSERT_TRUE(result) << result.reason;
    ASSERT_TRUE(WaitForFile(out));
}

chr::minutes ExpectedOffset() {
    char hours[16] = {};
    if (GetEnvironmentVariableA("TIKR_CLOCK_OFFSET_HOURS", hours, sizeof hours) > 0)
        return chr::hours(std::atoi(hours));
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    const LONG bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
    return chr::minutes(-bias);
}

// The clock's fields are the local time of the system's zone: UTC from the
// C++ clock (not the clock's own source) shifted by the zone's offset.
// A history another program holds without sharing, or that is a folder:
// the lines wait, the failure is told once, and they go in once the file
// can be written.
TEST(Win32RunRecords, AHistoryHeldOrAFolderKeepsItsLinesForLater) {
    for (const bool folder : {false, true}) {
        test::TempDir dir;
        RunRecords records(dir.File("records"));
        CreateDirectoryA(dir.File("records").c_str(), nullptr);
        const std::string path = records.HistoryPath();
        HANDLE held = INVALID_HANDLE_VALUE;
        if (folder) {
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
        } else {
            held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        int told = 0;
        records.SetFailureHandler([&told](const std::string&, const std::string&) { ++told; });
        DateTime start;
        start.SetDateTime(2026, 12, 9, 9, 0, 0);
        EXPECT_FALSE(records.Append({start, "one", "ok", 1, ""}));
        EXPECT_FALSE(records.Append({start, "two", "ok", 1, ""}));
        EXPECT_EQ(told, 1);
        if (folder) RemoveDirectoryA(path.c_str());
        else CloseHandle(held);
        EXPECT_TRUE(records.WritePending());
        const std::vector<RunRecord> runs = records.ReadHistory();
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[1].title, "two");
        DeleteFileA(path.c_str());
        DeleteFileA((dir.File("records") + "\\" + RunRecords::LOCK_FILE).c_str());
        RemoveDirectoryA(dir.File("records").c_str());
    }
}

// A running program's output file beyond the folder's size is cut, not
// removed, and the program's appends go on from its new end.
TEST(Win32RunRecords, ARunningProgramsFileIsCutAndWrittenOn) {
    test::TempDir dir;
    RunRecords records(dir.File("records"));
    DateTime start;
    start.SetDateTime(2026, 12, 9, 9, 0, 0);
    const std::string output = records.NewOutputFile(start, "big");
    HANDLE program =
        CreateFileA(output.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(program, INVALID_HANDLE_VALUE);
    LARGE_INTEGER beyond{};
    beyond.QuadPart = static_cast<LONGLONG>(RunRecords::MAX_OUTPUT_BYTES) + 1;
    HANDLE grow = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFilePointerEx(grow, beyond, nullptr, FILE_BEGIN) && SetEndOfFile(grow));
    CloseHandle(grow);
    records.KeepOutputWithinLimits();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(program, "end\n", 4, &written, nullptr));
    CloseHandle(program);
    std::ifstream in(output, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "end\n");
    in.close();
    EXPECT_TRUE(records.RunEnded(output));
    DeleteFileA(output.c_str());
    DeleteFileA(records.HistoryPath().c_str());
    RemoveDirectoryA(dir.File("records").c_str());
}

TEST(Win32SystemClock, GivesTheLocalTimeOfTheSystemsZone) {
    const chr::minutes offset = ExpectedOffset();
    const auto before = chr::floor<chr::seconds>(chr::system_clock::now());
    LocalTimeFields now;
    ASSERT_TRUE(SystemClock().LocalNow(now));
    const auto after = chr::floor<chr::seconds>(chr::system_clock::now());
    const chr::sys_seconds local = chr::sys_days(chr::year(now.year) / now.month / now.day) + chr::hours(now.hour) +
                                   chr::minutes(now.minute) + chr::seconds(now.second);
    // One second of room: the two clocks may round the moment apart.
    EXPECT_GE(local - (before + offset), chr::seconds(-1)) << "offset " << offset.count() << " min";
    EXPECT_LE(local - (after + offset), chr::seconds(1)) << "offset " << offset.count() << " min";
    EXPECT_TRUE(DateTime::Now(SystemClock()).IsValid());
}

TEST(Win32ExecutablePath, NamesThisProgram) {
    const std::string path = ExecutablePath("somewhere\\else");
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(path[1], ':') << path;
    EXPECT_EQ(path.substr(path.find_last_of("\\/") + 1), "platform_tests.exe");
    EXPECT_TRUE(Exists(path)) << path;
}

}  // namespace
}  // namespace tikr
