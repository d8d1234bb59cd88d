#include "platform/posix/posix_process_launcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "case_name.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "temp_dir.h"

namespace tikr {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

// Waits up to ten seconds for a file to appear.
bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 1000; ++i) {
        if (std::filesystem::exists(path)) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

void WriteScript(const std::string& path, const std::string& body) {
    TempDir::WriteFile(path, "#!/bin/sh\n" + body);
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

// A program that writes each of its arguments after the first, in brackets,
// one a line, into the file named by its first argument; the file appears
// whole, by rename.
const char* const ARGV_DUMP =
    "out=\"$1\"; shift\n"
    ": > \"$out.part\"\n"
    "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$out.part\"; done\n"
    "mv \"$out.part\" \"$out\"\n";

// Children of this process that are zombies, from /proc.
int ZombieChildren() {
    int zombies = 0;
    const std::string self = std::to_string(getpid());
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream status(entry.path() / "status");
        std::string line, state, ppid;
        while (std::getline(status, line)) {
            if (line.rfind("State:", 0) == 0) state = line;
            if (line.rfind("PPid:", 0) == 0) ppid = line.substr(5);
        }
        ppid.erase(0, ppid.find_first_not_of(" \t"));
        if (ppid == self && state.find('Z') != std::string::npos) ++zombies;
    }
    return zombies;
}

bool HasNoChildren() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

class PosixProcessLauncherTest : public ::testing::Test {
protected:
    TempDir dir;
    PosixProcessLauncher launcher;
};

TEST_F(PosixProcessLauncherTest, StartsTheProgram) {
    const std::string touched = dir.File("touched");
    const LaunchResult result = launcher.Start("touch " + touched, 5);
    EXPECT_TRUE(result);
    EXPECT_EQ(result.reason, "");
    EXPECT_TRUE(WaitForFile(touched));
}

TEST_F(PosixProcessLauncherTest, DoesNotWaitForTheProgram) {
    // The program waits for a file that the test makes only after Start has
    // returned; were Start to wait for it, the program would give up after
    // half a minute and say so.
    const std::string script = dir.File("wait-for-go");
    WriteScript(script,
                "i=0\n"
                "while [ ! -e \"$1\" ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i + 1)); done\n"
                "if [ -e \"$1\" ]; then echo go > \"$2.part\"; else echo gave up > \"$2.part\"; fi\n"
                "mv \"$2.part\" \"$2\"\n");
    const std::string go = dir.File("go");
    const std::string out = dir.File("out");
    EXPECT_TRUE(launcher.Start(script + " " + go + " " + out, 5));
    EXPECT_TRUE(HasNoChildren()) << "the program must not be a child of ours";
    TempDir::WriteFile(go, "");
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(TempDir::ReadFile(out), "go\n");
}

TEST_F(PosixProcessLauncherTest, QuotedProgramPathWithBlanks) {
    std::filesystem::create_directory(dir.Path() / "dir with blanks");
    const std::string script = dir.File("dir with blanks/argv dump");
    WriteScript(script, ARGV_DUMP);
    const std::string out = dir.File("out");
    EXPECT_TRUE(launcher.Start("\"" + script + "\" " + out + " one \"two words\" 'it''s'", 5));
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(TempDir::ReadFile(out), "[one]\n[two words]\n[its]\n");
}

TEST_F(PosixProcessLauncherTest, ShellCharactersArePlainArguments) {
    const std::string script = dir.File("argv-dump");
    WriteScript(script, ARGV_DUMP);
    const std::string out = dir.File("out");
    const std::string redirected = dir.File("redirected");
    const std::string marker = dir.File("marker");
    ASSERT_TRUE(launcher.Start(script + " " + out + " ; touch " + marker + " | cat $(touch " + marker + ") `id` > " +
                                   redirected + " && * $HOME",
                               5));
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(TempDir::ReadFile(out), "[;]\n[touch]\n[" + marker + "]\n[|]\n[cat]\n[$(touch]\n[" + marker +
                                          ")]\n[`id`]\n[>]\n[" + redirected + "]\n[&&]\n[*]\n[$HOME]\n");
    EXPECT_FALSE(std::filesystem::exists(redirected));
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(PosixProcessLauncherTest, ProgramStartsWithCleanSignalsAndDescriptors) {
    const std::string script = dir.File("report");
    WriteScript(script,
                "out=\"$1\"\n"
                // Read with shell builtins only: around a fork the shell
                // blocks signals itself, so a forked reader could see that.
                "while read -r line; do case $line in SigBlk:*|SigIgn:*) printf '%s\\n' \"$line\";; esac; done"
                " < /proc/$$/status > \"$out.part\"\n"
                "if [ -e /proc/$$/fd/$2 ]; then echo fd open; else echo fd closed; fi >> \"$out.part\"\n"
                "readlink /proc/$$/fd/0 >> \"$out.part\"\n"
                "mv \"$out.part\" \"$out\"\n");
    // A descriptor that would leak into children, an ignored and a blocked signal.
    const int leaky = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 0);
    struct sigaction ignore {
    }, previousTerm{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGTERM, &ignore, &previousTerm);
    sigset_t usr1, previousMask;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, &previousMask);

    const std::string out = dir.File("out");
    const bool started = launcher.Start(script + " " + out + " " + std::to_string(leaky), 5).started;

    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    close(leaky);

    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitForFile(out));
    const std::string report = TempDir::ReadFile(out);
    EXPECT_NE(report.find("SigBlk:\t0000000000000000\n"), std::string::npos) << report;
    EXPECT_NE(report.find("SigIgn:\t0000000000000000\n"), std::string::npos) << report;
    EXPECT_NE(report.find("fd closed\n"), std::string::npos) << report;
    EXPECT_NE(report.find("/dev/null\n"), std::string::npos) << report;
}

TEST_F(PosixProcessLauncherTest, ReportsWhatCannotStart) {
    const std::string plainFile = dir.File("not-executable");
    TempDir::WriteFile(plainFile, "#!/bin/sh\ntrue\n");
    // Neither may reach /bin/sh: one holds no program, the other names an
    // interpreter that is not there.
    const std::string garbage = dir.File("garbage");
    TempDir::WriteFile(garbage, std::string("\x7f\x01\x02garbage\xff\n", 12));
    ASSERT_EQ(chmod(garbage.c_str(), 0755), 0);
    const std::string noInterpreter = dir.File("no-interpreter");
    TempDir::WriteFile(noInterpreter, "#!/nonexistent/tikr/sh\ntrue\n");
    ASSERT_EQ(chmod(noInterpreter.c_str(), 0755), 0);
    const struct {
        std::string commandLine;
        std::string reason;
    } cases[] = {
        {"", "the command line is empty"},
        {"   \t ", "the command line is empty"},
        {"/nonexistent/tikr/program", "no program named /nonexistent/tikr/program"},
        {"tikr-no-such-program-on-path --flag", "no program named tikr-no-such-program-on-path"},
        {plainFile, "not executable: " + plainFile},
        {"'" + garbage + "' x", "not a program this system can run: " + garbage},
        {noInterpreter, "not a program this system can run: " + noInterpreter},
        {dir.Path().string(), "is a directory: " + dir.Path().string()},
        {"\"\"", "the command line names no program"},
        {std::string("tr\0ue", 5), "the command line holds a NUL character"},
    };
    for (const auto& c : cases) {
        const LaunchResult result = launcher.Start(c.commandLine, 5);
        EXPECT_FALSE(result) << c.commandLine;
        EXPECT_EQ(result.reason, c.reason) << c.commandLine;
    }
    EXPECT_TRUE(HasNoChildren());
}

// A file of the name that cannot be run, in an earlier PATH folder: a
// program of that name later on PATH starts; without one, the failure says
// "not executable", not that there is no such program (even for root, who
// still needs an execute bit).
TEST_F(PosixProcessLauncherTest, ANonExecutableFileEarlierOnPathIsToldOrPassedOver) {
    const std::string earlier = dir.File("earlier");
    const std::string later = dir.File("later");
    std::filesystem::create_directory(earlier);
    std::filesystem::create_directory(later);
    for (const char* name : {"tikr-shadowed", "tikr-plain"}) TempDir::WriteFile(earlier + "/" + name, "#!/bin/sh\n");
    WriteScript(later + "/tikr-shadowed", "touch \"$1\"\n");
    const char* const oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", (earlier + ":" + later + ":/usr/bin:/bin").c_str(), 1);
    const LaunchResult shadowed = launcher.Start("tikr-shadowed " + dir.File("ran"), 5);
    const LaunchResult plain = launcher.Start("tikr-plain", 5);
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(shadowed) << shadowed.reason;
    EXPECT_TRUE(WaitForFile(dir.File("ran")));
    EXPECT_FALSE(plain);
    EXPECT_EQ(plain.reason, "not executable: tikr-plain");
}

TEST_F(PosixProcessLauncherTest, LeavesNoZombies) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(launcher.Start("true", 5));
        EXPECT_TRUE(launcher.Start("/bin/false", 0));
        EXPECT_FALSE(launcher.Start("/nonexistent", 5));
        EXPECT_TRUE(launcher.Start("touch " + dir.File("ended" + std::to_string(i)), 5));
    }
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(WaitForFile(dir.File("ended" + std::to_string(i))));
    EXPECT_EQ(ZombieChildren(), 0);
    EXPECT_TRUE(HasNoChildren());
}

TEST_F(PosixProcessLauncherTest, WorksWhenChildSignalsAreIgnored) {
    // With SIGCHLD ignored the system reaps children itself.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, &previous);
    const std::string touched = dir.File("touched");
    const bool started = launcher.Start("touch " + touched, 5).started;
    const bool failed = launcher.Start("/nonexistent", 5).started;
    sigaction(SIGCHLD, &previous, nullptr);
    EXPECT_TRUE(started);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(WaitForFile(touched));
}

// The event loop of a test: poll on the watched descriptors.
class PollWatcher : public DescriptorWatcher {
public:
    void Watch(int fd, std::function<void()> onReadable) override { watched[fd] = std::move(onReadable); }
    void Unwatch(int fd) override { watched.erase(fd); }
    // Delivers readiness until done() or ten seconds have passed.
    bool RunUntil(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::vector<pollfd> fds;
            for (const auto& [fd, callback] : watched) fds.push_back({fd, POLLIN, 0});
            if (poll(fds.data(), fds.size(), 100) <= 0) continue;
            for (const pollfd& ready : fds) {
                const auto found = watched.find(ready.fd);
                if (ready.revents != 0 && found != watched.end()) {
                    const auto callback = found->second;  // it may unwatch itself
                    callback();
                }
            }
        }
        return true;
    }
    std::map<int, std::function<void()>> watched;
};

// Both ways of learning a kept program's end.
class KeptProgramTest : public ::testing::TestWithParam<PosixProcessLauncher::EndWatch> {
protected:
    TempDir dir;
    PollWatcher watcher;
    PosixProcessLauncher launcher{watcher, GetParam()};
    std::map<std::uint64_t, ProgramEnd> ends;

    void SetUp() override {
        launcher.SetEndHandler([this](const ProgramEnd& end) { ends[end.run] = end; });
    }
    std::uint64_t StartKept(const std::string& commandLine, const std::string& output = {}) {
        const LaunchResult result = launcher.StartRun(LaunchRequest{commandLine, 5, output});
        EXPECT_TRUE(result.started) << commandLine << ": " << result.reason;
        EXPECT_NE(result.run, 0u);
        return result.run;
    }
};

TEST_P(KeptProgramTest, ReportsStatusSignalAndTimeTakenAndReapsOnlyItsOwn) {
    // A child of another part of the process, ended before the programs:
    // the launcher must leave it to its owner.
    const pid_t other = fork();
    if (other == 0) _exit(42);
    ASSERT_GT(other, 0);

    const std::uint64_t ok = StartKept("true");
    const std::uint64_t three = StartKept("sh -c 'exit 3'");
    const std::uint64_t killed = StartKept("sh -c 'kill -9 $$'");
    const std::uint64_t slow = StartKept("sleep 1.2");
    EXPECT_FALSE(launcher.StartRun(LaunchRequest{"/nonexistent", 5, {}}).started);
    ASSERT_TRUE(watcher.RunUntil([&] { return ends.size() == 4; }));
    EXPECT_EQ(ends[ok].how, ProgramEnd::How::exited);
    EXPECT_EQ(ends[ok].code, 0);
    EXPECT_EQ(ends[three].how, ProgramEnd::How::exited);
    EXPECT_EQ(ends[three].code, 3);
    EXPECT_EQ(ends[killed].how, ProgramEnd::How::signalled);
    EXPECT_EQ(ends[killed].code, 9);
    EXPECT_GE(ends[slow].seconds, 1);
    EXPECT_LT(ends[slow].seconds, 30);
    EXPECT_EQ(launcher.RunningPrograms(), 0u);
    EXPECT_EQ(ZombieChildren(), 1);  // the other one, not reaped yet
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_EQ(WEXITSTATUS(status), 42);
    EXPECT_TRUE(HasNoChildren());
    // Only the signal fallback's pipe may stay watched.
    EXPECT_LE(watcher.watched.size(), GetParam() == PosixProcessLauncher::EndWatch::childSignal ? 1u : 0u);
}

TEST_P(KeptProgramTest, OutputGoesToItsFileOrIsDiscardedWithTheReason) {
    const std::string output = dir.File("run.log");
    const std::uint64_t run = StartKept("sh -c 'echo out; echo err >&2; exit 3'", output);
    ASSERT_TRUE(watcher.RunUntil([&] { return ends.count(run) == 1; }));
    EXPECT_EQ(ends[run].code, 3);
    EXPECT_EQ(TempDir::ReadFile(output), "out\nerr\n");

    const LaunchResult discarded =
        launcher.StartRun(LaunchRequest{"sh -c 'echo lost'", 5, dir.File("no/such/folder/run.log")});
    EXPECT_TRUE(discarded.started);
    EXPECT_EQ(discarded.outputProblem, "No such file or directory");
    ASSERT_TRUE(watcher.RunUntil([&] { return ends.count(discarded.run) == 1; }));
    EXPECT_EQ(ends[discarded.run].code, 0);
}

INSTANTIATE_TEST_SUITE_P(EndWatch, KeptProgramTest,
                         ::testing::Values(PosixProcessLauncher::EndWatch::processDescriptor,
                                           PosixProcessLauncher::EndWatch::childSignal),
                         NamedBy<PosixProcessLauncher::EndWatch>([](PosixProcessLauncher::EndWatch w) {
                             return std::string(w == PosixProcessLauncher::EndWatch::processDescriptor
                                                    ? "processDescriptor"
                                                    : "childSignal");
                         }));

}  // namespace
}  // namespace tikr
