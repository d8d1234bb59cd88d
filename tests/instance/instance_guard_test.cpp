// The single-instance guard, exercised with real processes: each "start" of
// the program is a forked child that calls Acquire and reports its role
// through its exit status.
#include "platform/posix/posix_instance_guard.h"
#include "platform/posix/runtime_dir.h"
#include "platform/posix/show_channel.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "temp_dir.h"

namespace tikr {
namespace {

using Role = InstanceGuard::Role;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::TempDir;
namespace fs = std::filesystem;

// The profile file of a test's Tikr: in the test's folder, so that the lock
// and the socket land there too.
std::string Profile(const std::string& dir, const std::string& name = "tikr.INI") { return dir + "/" + name; }

int ExitCode(Role role) {
    switch (role) {
    case Role::first: return 10;
    case Role::alreadyRunning: return 20;
    case Role::unguarded: return 30;
    }
    return 99;
}

// Runs body in a child process, which ends with body's result without
// running any of the parent's clean-up.
pid_t Spawn(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
}

// The exit status of pid, or -1 when it did not end within timeout (it is
// then killed) or was killed by a signal.
int WaitExit(pid_t pid, milliseconds timeout = milliseconds(10000)) {
    const auto stop = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0) return -1;
        if (Clock::now() >= stop) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
}

// A start of the program: its role as exit status.
pid_t SpawnStart(const std::string& dir, milliseconds wait = PosixInstanceGuard::DEFAULT_WAIT) {
    return Spawn([dir, wait] { return ExitCode(PosixInstanceGuard::Acquire(Profile(dir), dir, wait)->GetRole()); });
}

// Serves the primary's channel the way the front end does (wait for the
// socket to become readable, then AcceptRequests) until child has ended.
// Returns the number of show requests and stores the child's status.
int ServeUntilExit(PosixInstanceGuard& primary, pid_t child, int& status, milliseconds timeout = milliseconds(10000)) {
    int shows = 0;
    const auto stop = Clock::now() + timeout;
    for (;;) {
        pollfd p{primary.GetListenFd(), POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) shows += primary.AcceptRequests();
        int st = 0;
        if (::waitpid(child, &st, WNOHANG) == child) {
            status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
            return shows;
        }
        if (Clock::now() >= stop) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &st, 0);
            status = -1;
            return shows;
        }
    }
}

// Holds the lock of a profile as another process would; the lock file names
// socketPath (nothing when empty) as where to ask.
int HoldLock(const std::string& profile, const std::string& socketPath = "") {
    int fd = ::open((profile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    const std::string record = socketPath.empty() ? "" : socketPath + "\n";
    if (fd >= 0 && (::ftruncate(fd, 0) != 0 || ::write(fd, record.data(), record.size()) != ssize_t(record.size()))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether process pid has path open: a later start has it open from its first
// attempt at the lock on.
bool HasOpen(pid_t pid, const std::string& path) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
        if (fs::read_symlink(fd.path(), ec) == path) return true;
    return false;
}

// Polls condition until it holds or timeout passes.
bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout = milliseconds(10000)) {
    const auto stop = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= stop) return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

// The socket path that the first start on the profile in dir uses there.
std::string SocketPathIn(const std::string& dir) {
    return PosixInstanceGuard::Acquire(Profile(dir), dir)->GetSocketPath();
}

// A bound and listening (or, with backlog < 0, merely bound) socket at path.
int BindSocket(const std::string& path, int backlog) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        (backlog >= 0 && ::listen(fd, backlog) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int Connect(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What the peer sends until it closes, limit bytes have come, or 2 s pass.
std::string ReadAll(int fd, std::size_t limit = std::string::npos) {
    std::string out;
    const auto stop = Clock::now() + milliseconds(2000);
    while (Clock::now() < stop && out.size() < limit) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buf[64];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

// --- One running instance, later starts -----------------------------------

TEST(InstanceGuard, LaterStartsEachShowTheRunningInstanceOnceAndEnd) {
    TempDir dir;
    auto primary = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
    ASSERT_EQ(primary->GetRole(), Role::first) << primary->GetError();
    EXPECT_TRUE(primary->GetError().empty()) << primary->GetError();
    ASSERT_GE(primary->GetListenFd(), 0);
    EXPECT_TRUE(::fcntl(primary->GetListenFd(), F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(::fcntl(primary->GetListenFd(), F_GETFL) & O_NONBLOCK);
    EXPECT_EQ(primary->AcceptRequests(), 0);  // nothing pending: returns at once

    for (int start = 0; start < 3; ++start) {
        const auto t0 = Clock::now();
        pid_t child = SpawnStart(dir.Path().string());
        int status = 0;
        EXPECT_EQ(ServeUntilExit(*primary, child, status), 1) << "start " << start;
        EXPECT_EQ(status, ExitCode(Role::alreadyRunning)) << "start " << start;
        EXPECT_LT(ElapsedMs(t0), PosixInstanceGuard::DEFAULT_WAIT.count()) << "an answered start ends promptly";
    }
}

// The front end's watch, by hand: remembers what it was asked to watch.
struct RecordingWatch : DescriptorWatcher {
    void Watch(int source, std::function<void()> ready) override {
        fd = source;
        onReady = std::move(ready);
    }
    void Unwatch(int) override { ADD_FAILURE() << "the guard's watch lasts"; }
    int fd = -1;
    std::function<void()> onReady;
};

TEST(InstanceGuard, FrontEndHearsOfRequestsThroughItsWatch) {
    TempDir dir;
    auto first = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
    ASSERT_EQ(first->GetRole(), Role::first);
    RecordingWatch watch;
    int shows = 0;
    ASSERT_TRUE(first->ServeShowRequests(watch, [&shows] { ++shows; }));
    EXPECT_EQ(watch.fd, first->GetListenFd());
    ASSERT_TRUE(watch.onReady);
    watch.onReady();  // woken without a request: nothing to show
    EXPECT_EQ(shows, 0);
    for (int i = 0; i < 2; ++i) {
        int fd = Connect(first->GetSocketPath());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "show\n", 5), 5);
        ::close(fd);
    }
    watch.onReady();
    EXPECT_EQ(shows, 1) << "requests arriving together show the window once";

    // Other roles have nothing to watch.
    auto later = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string(), milliseconds(50));
    ASSERT_EQ(later->GetRole(), Role::alreadyRunning);
    RecordingWatch unused;
    EXPECT_FALSE(later->ServeShowRequests(unused, [] {}));
    EXPECT_EQ(unused.fd, -1);
}

TEST(InstanceGuard, EndedPrimaryRemovesItsSocketAndTheNextStartIsPrimary) {
    TempDir dir;
    {
        auto first = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
        ASSERT_EQ(first->GetRole(), Role::first);
        EXPECT_TRUE(fs::exists(first->GetSocketPath()));
    }
    EXPECT_FALSE(fs::exists(SocketPathIn(dir.Path().string())));
    EXPECT_EQ(TempDir::ReadFile(Profile(dir.Path().string()) + ".lock"), "") << "names no socket";
    auto second = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string(), milliseconds(200));
    EXPECT_EQ(second->GetRole(), Role::first);
}

TEST(InstanceGuard, DifferentProfilesDoNotExcludeEachOther) {
    TempDir dir;
    auto a = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
    auto b =
        PosixInstanceGuard::Acquire(Profile(dir.Path().string(), "other.INI"), dir.Path().string(), milliseconds(200));
    EXPECT_EQ(a->GetRole(), Role::first);
    EXPECT_EQ(b->GetRole(), Role::first);
}

// --- The guard follows the profile file ----------------------------------------

// The profile reached through a symbolic link to the file, or to its folder,
// is the same profile: every way to it takes the one lock.
TEST(InstanceGuard, StartsThroughSymbolicLinksAndTheTargetExcludeEachOther) {
    TempDir dir, run;
    fs::create_directory(dir.Path() / "real");
    const std::string target = Profile(dir.File("real"));
    TempDir::WriteFile(target, "");
    fs::create_symlink(target, dir.Path() / "linked.INI");
    fs::create_directory_symlink(dir.Path() / "real", dir.Path() / "folder");

    auto viaLink = PosixInstanceGuard::Acquire(dir.File("linked.INI"), run.Path().string());
    ASSERT_EQ(viaLink->GetRole(), Role::first) << viaLink->GetError();
    EXPECT_EQ(viaLink->GetLockPath(), fs::canonical(target).string() + ".lock");
    for (const std::string& path : {target, Profile(dir.File("folder"))}) {
        auto later = PosixInstanceGuard::Acquire(path, run.Path().string(), milliseconds(100));
        EXPECT_EQ(later->GetRole(), Role::alreadyRunning) << path;
        EXPECT_EQ(later->GetSocketPath(), viaLink->GetSocketPath()) << path;
    }

    // A link to a profile that a first save will make (relative to the
    // link's folder).
    fs::create_symlink("real/new.INI", dir.Path() / "new-link.INI");
    auto first = PosixInstanceGuard::Acquire(dir.File("new-link.INI"), run.Path().string());
    ASSERT_EQ(first->GetRole(), Role::first) << first->GetError();
    auto later =
        PosixInstanceGuard::Acquire(Profile(dir.File("real"), "new.INI"), run.Path().string(), milliseconds(100));
    EXPECT_EQ(later->GetRole(), Role::alreadyRunning);
}

// Starts from sessions with different runtime folders (another
// XDG_RUNTIME_DIR, or none) share the profile: they must still exclude each
// other, and the later one still reaches the running one.
TEST(InstanceGuard, StartsOnOneProfileExcludeEachOtherWhateverTheirRuntimeFolder) {
    TempDir config, runA, runB;
    const std::string profile = Profile(config.Path().string());
    auto running = PosixInstanceGuard::Acquire(profile, runA.Path().string());
    ASSERT_EQ(running->GetRole(), Role::first) << running->GetError();
    int status = 0;
    pid_t later =
        Spawn([&] { return ExitCode(PosixInstanceGuard::Acquire(profile, runB.Path().string())->GetRole()); });
    EXPECT_EQ(ServeUntilExit(*running, later, status), 1);
    EXPECT_EQ(status, ExitCode(Role::alreadyRunning));

    // Another profile in the same runtime folder is another scheduler.
    auto other = PosixInstanceGuard::Acquire(Profile(config.Path().string(), "other.INI"), runA.Path().string());
    EXPECT_EQ(other->GetRole(), Role::first) << other->GetError();
    EXPECT_NE(other->GetSocketPath(), running->GetSocketPath());
}

// A running Tikr that later starts cannot reach (its runtime folder is
// unusable) still keeps them from running: they say so and end.
TEST(InstanceGuard, UnreachableRunningTikrStillExcludesLaterStarts) {
    TempDir config, run;
    TempDir::WriteFile(run.File("file"), "");
    const std::string profile = Profile(config.Path().string());
    auto running = PosixInstanceGuard::Acquire(profile, run.File("file") + "/sub");
    EXPECT_EQ(running->GetRole(), Role::first);
    EXPECT_EQ(running->GetListenFd(), -1);
    EXPECT_FALSE(running->GetError().empty());
    RecordingWatch watch;
    EXPECT_FALSE(running->ServeShowRequests(watch, [] {}));

    auto later = PosixInstanceGuard::Acquire(profile, run.Path().string(), milliseconds(100));
    EXPECT_EQ(later->GetRole(), Role::alreadyRunning);
    EXPECT_FALSE(later->GetError().empty());
    EXPECT_EQ(later->GetListenFd(), -1);
}

// --- Starts at the same moment --------------------------------------------

TEST(InstanceGuard, SimultaneousStartsLeaveExactlyOnePrimary) {
    for (int n = 2; n <= 4; ++n) {
        for (int round = 0; round < 8; ++round) {
            SCOPED_TRACE("starts " + std::to_string(n) + ", round " + std::to_string(round));
            TempDir dir;
            const std::string path = dir.Path().string();
            int go[2], results[2], stop[2];
            ASSERT_EQ(::pipe(go), 0);
            ASSERT_EQ(::pipe(results), 0);
            ASSERT_EQ(::pipe(stop), 0);

            std::vector<pid_t> children;
            for (int i = 0; i < n; ++i) {
                children.push_back(Spawn([&] {
                    ::close(go[1]);
                    ::close(stop[1]);
                    ::close(results[0]);
                    char c;
                    while (::read(go[0], &c, 1) < 0 && errno == EINTR) {
                    }  // the barrier: all children leave it when the parent closes go[1]
                    auto self = PosixInstanceGuard::Acquire(Profile(path), path);
                    if (self->GetRole() != Role::first) return ExitCode(self->GetRole());
                    // Serve the others until the parent says stop, then
                    // report how many asked to be shown.
                    ssize_t ignored = ::write(results[1], "P", 1);
                    int shows = 0;
                    for (;;) {
                        pollfd p[2] = {{self->GetListenFd(), POLLIN, 0}, {stop[0], POLLIN, 0}};
                        if (::poll(p, 2, 100) < 0) continue;
                        if (p[0].revents) shows += self->AcceptRequests();
                        if (p[1].revents) break;
                    }
                    char count = static_cast<char>('0' + shows);
                    ignored = ::write(results[1], &count, 1);
                    (void)ignored;
                    return ExitCode(Role::first);
                }));
            }
            ::close(go[0]);
            ::close(results[1]);
            ::close(go[1]);  // release them all at once

            std::vector<int> status(children.size(), -2);
            int ended = 0;
            bool stopped = false;
            const auto deadline = Clock::now() + milliseconds(15000);
            while (ended < n) {
                for (std::size_t i = 0; i < children.size(); ++i) {
                    if (status[i] != -2) continue;
                    int st = 0;
                    if (::waitpid(children[i], &st, WNOHANG) == children[i]) {
                        status[i] = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
                        ++ended;
                    }
                }
                // All but one ended (or time is up): let the primary go.
                if (!stopped && (ended >= n - 1 || Clock::now() >= deadline)) {
                    ::close(stop[1]);
                    stopped = true;
                }
                if (Clock::now() >= deadline + milliseconds(2000)) {
                    for (std::size_t i = 0; i < children.size(); ++i)
                        if (status[i] == -2) ::kill(children[i], SIGKILL);
                }
                std::this_thread::sleep_for(milliseconds(2));
            }
            ::close(stop[0]);
            std::string report = ReadAll(results[0]);
            ::close(results[0]);

            int primaries = 0, secondaries = 0;
            for (int st : status) {
                primaries += st == ExitCode(Role::first);
                secondaries += st == ExitCode(Role::alreadyRunning);
            }
            EXPECT_EQ(primaries, 1);
            EXPECT_EQ(secondaries, n - 1);
            ASSERT_EQ(report.size(), 2u) << report;
            EXPECT_EQ(report[0], 'P');
            EXPECT_EQ(report[1], static_cast<char>('0' + n - 1)) << "shows at the primary";
        }
    }
}

// --- What a crashed or half-started instance leaves behind -----------------

TEST(InstanceGuard, PrimaryKilledHardLeavesFilesThatDoNotBlockTheNextStart) {
    TempDir dir;
    const std::string path = dir.Path().string();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = Spawn([&] {
        ::close(ready[0]);
        auto self = PosixInstanceGuard::Acquire(Profile(path), path);
        char c = self->GetRole() == Role::first && self->GetListenFd() >= 0 ? 'P' : 'x';
        ssize_t ignored = ::write(ready[1], &c, 1);
        (void)ignored;
        for (;;) ::pause();
        return 0;
    });
    ::close(ready[1]);
    EXPECT_EQ(ReadAll(ready[0], 1), "P");
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    EXPECT_EQ(WaitExit(child), -1);

    const std::string record = TempDir::ReadFile(Profile(path) + ".lock");
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.back(), '\n');
    EXPECT_TRUE(fs::is_socket(record.substr(0, record.size() - 1))) << record;

    const auto t0 = Clock::now();
    auto next = PosixInstanceGuard::Acquire(Profile(path), path);
    EXPECT_LT(ElapsedMs(t0), PosixInstanceGuard::DEFAULT_WAIT.count()) << "no waiting on a dead instance";
    ASSERT_EQ(next->GetRole(), Role::first) << next->GetError();
    ASSERT_GE(next->GetListenFd(), 0) << next->GetError();

    // The channel works over the leftover socket file.
    int status = 0;
    EXPECT_EQ(ServeUntilExit(*next, SpawnStart(path), status), 1);
    EXPECT_EQ(status, ExitCode(Role::alreadyRunning));
}

struct Leftover {
    const char* name;
    std::function<void(const std::string& socketPath)> make;
    bool channel;  // whether the new primary can listen anyway
};

TEST(InstanceGuard, LeftoverAtTheSocketPathWithNobodyHoldingTheLock) {
    const Leftover cases[] = {
        {"socket nobody listens on", [](const std::string& p) { ::close(BindSocket(p, -1)); }, true},
        {"socket that once listened", [](const std::string& p) { ::close(BindSocket(p, 4)); }, true},
        {"regular file", [](const std::string& p) { TempDir::WriteFile(p, "junk"); }, true},
        {"directory", [](const std::string& p) { fs::create_directory(p); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        c.make(SocketPathIn(dir.Path().string()));
        const auto t0 = Clock::now();
        auto self = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
        EXPECT_LT(ElapsedMs(t0), PosixInstanceGuard::DEFAULT_WAIT.count());
        EXPECT_EQ(self->GetRole(), Role::first);
        EXPECT_EQ(self->GetListenFd() >= 0, c.channel);
        EXPECT_EQ(self->GetError().empty(), c.channel) << self->GetError();
    }
}

TEST(InstanceGuard, HolderThatNeverListensMakesALaterStartEndAfterTheBound) {
    TempDir dir;
    const std::string path = dir.Path().string();
    int held = HoldLock(Profile(path), dir.File("stale.sock"));
    ASSERT_GE(held, 0);
    ::close(BindSocket(dir.File("stale.sock"), -1));  // nobody listening

    const auto t0 = Clock::now();
    auto self = PosixInstanceGuard::Acquire(Profile(path), path, milliseconds(400));
    const long took = ElapsedMs(t0);
    EXPECT_EQ(self->GetRole(), Role::alreadyRunning) << "never a second scheduler while the lock is held";
    EXPECT_FALSE(self->GetError().empty());
    EXPECT_EQ(self->GetListenFd(), -1);
    EXPECT_GE(took, 350);
    EXPECT_LT(took, 10000);
    ::close(held);
}

TEST(InstanceGuard, HolderThatIsSlowToListenStillGetsTheRequest) {
    TempDir dir;
    const std::string path = dir.Path().string();
    int held = HoldLock(Profile(path));  // names no socket yet
    ASSERT_GE(held, 0);
    pid_t child = SpawnStart(path);

    EXPECT_TRUE(WaitUntil([&] { return HasOpen(child, Profile(path) + ".lock"); }));
    int listener = BindSocket(dir.File("slow.sock"), 4);
    ASSERT_GE(listener, 0);
    ASSERT_EQ(::write(held, dir.File("slow.sock\n").c_str(), dir.File("slow.sock\n").size()),
              ssize_t(dir.File("slow.sock\n").size()));
    pollfd p{listener, POLLIN, 0};
    ASSERT_GT(::poll(&p, 1, 5000), 0);
    int conn = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(conn, 0);
    char buf[16] = {};
    pollfd q{conn, POLLIN, 0};
    ASSERT_GT(::poll(&q, 1, 2000), 0);
    ssize_t n = ::read(conn, buf, sizeof buf - 1);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "show\n");
    ASSERT_EQ(::write(conn, "ok\n", 3), 3);
    ::close(conn);

    EXPECT_EQ(WaitExit(child), ExitCode(Role::alreadyRunning));
    ::close(listener);
    ::close(held);
}

TEST(InstanceGuard, LaterStartTakesOverWhenTheHolderEndsBeforeListening) {
    TempDir dir;
    const std::string path = dir.Path().string();
    int held = HoldLock(Profile(path));
    ASSERT_GE(held, 0);
    pid_t child = Spawn([&] {
        ::close(held);  // the fork shares the parent's lock; only the parent holds it
        return ExitCode(PosixInstanceGuard::Acquire(Profile(path), path)->GetRole());
    });
    EXPECT_TRUE(WaitUntil([&] { return HasOpen(child, Profile(path) + ".lock"); }));
    ::close(held);
    EXPECT_EQ(WaitExit(child), ExitCode(Role::first));
}

TEST(InstanceGuard, ProgramsStartedByThePrimaryDoNotInheritTheLock) {
    TempDir dir;
    const std::string path = dir.Path().string();
    int report[2];
    ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
    pid_t child = Spawn([&] {
        ::close(report[0]);
        auto self = PosixInstanceGuard::Acquire(Profile(path), path);
        if (self->GetRole() != Role::first) return 1;
        pid_t started = ::fork();
        if (started == 0) {
            ::execl("/bin/sleep", "sleep", "10", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ssize_t ignored = ::write(report[1], &started, sizeof started);
        (void)ignored;
        ::_exit(0);  // ends without any clean-up, as a crash would
    });
    ::close(report[1]);
    pid_t started = -1;
    std::string bytes = ReadAll(report[0]);
    ::close(report[0]);
    ASSERT_EQ(bytes.size(), sizeof started);
    std::memcpy(&started, bytes.data(), sizeof started);
    EXPECT_EQ(WaitExit(child), 0);

    auto next = PosixInstanceGuard::Acquire(Profile(path), path, milliseconds(300));
    EXPECT_EQ(next->GetRole(), Role::first) << "the started program kept the lock";
    ::kill(started, SIGKILL);
}

// --- The primary's side of the channel -------------------------------------

TEST(InstanceGuard, OnlyWellFormedShowRequestsCount) {
    struct Case {
        const char* sent;
        int shows;
        const char* answer;
    };
    const std::string longest(MAX_ACTIVATION_TOKEN, 'T');
    const std::string tooLong = "show " + longest + "T\n";
    const std::string withLongest = "show " + longest + "\n";
    const Case cases[] = {
        {"show\n", 1, "ok\n"},
        {"show", 0, ""},  // no end of line, then closed
        {"", 0, ""},      // connects and says nothing
        {"SHOW\n", 0, ""},
        {"showshowshowshowshowshow\n", 0, ""},
        // With an activation token: one word of printable characters.
        {"show launcher-42_TIME1234\n", 1, "ok\n"},
        {withLongest.c_str(), 1, "ok\n"},
        {tooLong.c_str(), 0, ""},
        {"show \n", 0, ""},
        {"show two words\n", 0, ""},
        {"show tab\there\n", 0, ""},
        {"showtoken\n", 0, ""},
    };
    TempDir dir;
    auto primary = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
    ASSERT_EQ(primary->GetRole(), Role::first);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("sent \"") + c.sent + "\"");
        int fd = Connect(primary->GetSocketPath());
        ASSERT_GE(fd, 0);
        std::size_t len = std::strlen(c.sent);
        if (len > 0) {
            ASSERT_EQ(::write(fd, c.sent, len), static_cast<ssize_t>(len));
        }
        if (std::string(c.sent) == "show") ::shutdown(fd, SHUT_WR);
        const auto t0 = Clock::now();
        EXPECT_EQ(primary->AcceptRequests(), c.shows);
        EXPECT_LT(ElapsedMs(t0), 2000) << "a silent client cannot hold the primary up";
        EXPECT_EQ(ReadAll(fd), c.answer);
        ::close(fd);
    }
}

TEST(InstanceGuard, LaterStartHandsItsActivationTokenToTheRunningOneOnce) {
    TempDir dir;
    const std::string d = dir.Path().string();
    auto primary = PosixInstanceGuard::Acquire(Profile(d), d, PosixInstanceGuard::DEFAULT_WAIT, "first's own");
    ASSERT_EQ(primary->GetRole(), Role::first);
    EXPECT_EQ(primary->TakeActivationToken(), "") << "a first start keeps no token to hand out";

    const auto start = [&d](const std::string& token) {
        return Spawn([d, token] {
            return ExitCode(
                PosixInstanceGuard::Acquire(Profile(d), d, PosixInstanceGuard::DEFAULT_WAIT, token)->GetRole());
        });
    };
    int status = 0;
    EXPECT_EQ(ServeUntilExit(*primary, start("wayland-token-1"), status), 1);
    EXPECT_EQ(status, ExitCode(Role::alreadyRunning));
    EXPECT_EQ(primary->TakeActivationToken(), "wayland-token-1");
    EXPECT_EQ(primary->TakeActivationToken(), "") << "a token is used once";

    // A start without a token, or with one that cannot travel, still shows
    // the window, with a plain request.
    for (const std::string& token : {std::string(), std::string("two words"), std::string(300, 'x')}) {
        EXPECT_EQ(ServeUntilExit(*primary, start(token), status), 1);
        EXPECT_EQ(status, ExitCode(Role::alreadyRunning));
        EXPECT_EQ(primary->TakeActivationToken(), "");
    }
}

TEST(InstanceGuard, LauncherTokenIsTheWaylandOneElseTheStartupId) {
    EXPECT_EQ(LauncherActivationToken("wl", "x11"), "wl");
    EXPECT_EQ(LauncherActivationToken("", "x11"), "x11");
    EXPECT_EQ(LauncherActivationToken(nullptr, "x11"), "x11");
    EXPECT_EQ(LauncherActivationToken(nullptr, nullptr), "");
}

TEST(InstanceGuard, SeveralWaitingRequestsAreAllAnsweredInOneCall) {
    TempDir dir;
    auto primary = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
    ASSERT_EQ(primary->GetRole(), Role::first);
    std::vector<int> clients;
    for (int i = 0; i < 8; ++i) {
        int fd = Connect(primary->GetSocketPath());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "show\n", 5), 5);
        clients.push_back(fd);
    }
    EXPECT_EQ(primary->AcceptRequests(), 8);
    for (int fd : clients) {
        EXPECT_EQ(ReadAll(fd), "ok\n");
        ::close(fd);
    }
}

TEST(InstanceGuard, ClientThatLeavesBeforeTheAnswerDoesNotHurtThePrimary) {
    TempDir dir;
    auto primary = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
    ASSERT_EQ(primary->GetRole(), Role::first);
    int fd = Connect(primary->GetSocketPath());
    ASSERT_EQ(::write(fd, "show\n", 5), 5);
    ::close(fd);  // the answer goes to a closed socket: no SIGPIPE
    EXPECT_EQ(primary->AcceptRequests(), 1);
    int status = 0;
    EXPECT_EQ(ServeUntilExit(*primary, SpawnStart(dir.Path().string()), status), 1);
    EXPECT_EQ(status, ExitCode(Role::alreadyRunning));
}

TEST(InstanceGuard, NoDescriptorOutlivesItsInstance) {
    auto openFds = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}); };
    TempDir dir;
    const auto before = openFds();
    for (int i = 0; i < 3; ++i) {
        auto primary = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string());
        ASSERT_EQ(primary->GetRole(), Role::first);
        // A secondary in this process too: the lock is per open file, so it
        // is busy here as well; with nobody serving, the bound ends it.
        auto later = PosixInstanceGuard::Acquire(Profile(dir.Path().string()), dir.Path().string(), milliseconds(60));
        EXPECT_EQ(later->GetRole(), Role::alreadyRunning);
        later.reset();
        int fd = Connect(primary->GetSocketPath());
        ASSERT_EQ(::write(fd, "show\n", 5), 5);
        EXPECT_EQ(primary->AcceptRequests(), 2);  // the queued one and this one
        ::close(fd);
    }
    EXPECT_EQ(openFds(), before);
}

// --- Where the lock lives ----------------------------------------------------

TEST(RuntimeDir, DefaultDirectory) {
    TempDir dir;
    const uid_t me = ::geteuid();
    const std::string base = dir.Path().string();
    const std::string fallback = base + "/tikr-" + std::to_string(me);
    fs::create_directory(dir.Path() / "xdg");
    TempDir::WriteFile(dir.File("file"), "");
    fs::create_directory_symlink(dir.Path() / "xdg", dir.Path() / "link");
    struct Case {
        const char* name;
        const char* xdg;
        std::string expected;
    };
    const std::string xdg = dir.File("xdg");
    const std::string file = dir.File("file");
    const std::string missing = dir.File("missing");
    const std::string link = dir.File("link");
    const Case cases[] = {
        {"unset", nullptr, fallback},
        {"empty", "", fallback},
        {"relative", "xdg", fallback},
        {"missing", missing.c_str(), fallback},
        {"regular file", file.c_str(), fallback},
        {"symbolic link", link.c_str(), fallback},
        {"our directory", xdg.c_str(), xdg},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultRuntimeDir(c.xdg, base, me), c.expected) << c.name;
    }
    EXPECT_EQ(DefaultRuntimeDir(xdg.c_str(), base, me + 1), base + "/tikr-" + std::to_string(me + 1))
        << "a directory of another user";
}

TEST(RuntimeDir, PrivateDirectoryIsCreatedCheckedAndTightened) {
    TempDir dir;
    const fs::path root = dir.Path();
    fs::create_directory(root / "open");
    fs::permissions(root / "open", fs::perms(0755));
    fs::create_directory(root / "target");
    fs::create_directory_symlink(root / "target", root / "link");
    TempDir::WriteFile((root / "file").string(), "");
    fs::create_directory(root / "foreign");
    const bool canChown = ::geteuid() == 0 && ::chown((root / "foreign").c_str(), 65534, 65534) == 0;

    struct Case {
        const char* name;
        fs::path path;
        bool ok;
    };
    const Case cases[] = {
        {"missing: created", root / "new", true},
        {"ours with group and other access: tightened", root / "open", true},
        {"symbolic link", root / "link", false},
        {"regular file", root / "file", false},
        {"parent missing", root / "no" / "such", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(EnsurePrivateDirectory(c.path.string(), error), c.ok) << error;
        EXPECT_EQ(error.empty(), c.ok) << error;
        if (c.ok) {
            struct stat st {};
            ASSERT_EQ(::lstat(c.path.c_str(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 0777, 0700u);
        }
    }
    struct stat target {};
    ASSERT_EQ(::stat((root / "target").c_str(), &target), 0);
    EXPECT_NE(target.st_mode & 0777, 0700u) << "a link's target is left alone";

    if (canChown) {
        std::string error;
        EXPECT_FALSE(EnsurePrivateDirectory((root / "foreign").string(), error));
        EXPECT_NE(error.find("another user"), std::string::npos) << error;
    }
}

// A profile folder that cannot hold the lock (here a file stands where the
// folder should be, as a read-only disk refuses it) moves the lock to the
// runtime folder, where starts still exclude each other; only without a
// usable runtime folder either is the program unguarded.
TEST(InstanceGuard, WithoutALockBesideTheProfileTheRuntimeFolderHoldsIt) {
    TempDir dir;
    TempDir::WriteFile(dir.File("file"), "");
    const std::string profile = dir.File("file") + "/tikr.INI";
    auto running = PosixInstanceGuard::Acquire(profile, dir.File("run"), milliseconds(100));
    ASSERT_EQ(running->GetRole(), Role::first) << running->GetError();
    EXPECT_EQ(running->GetError(), "");
    EXPECT_EQ(fs::path(running->GetLockPath()).parent_path(), fs::path(dir.File("run")));
    EXPECT_EQ(PosixInstanceGuard::Acquire(profile, dir.File("run"), milliseconds(100))->GetRole(),
              Role::alreadyRunning);

    auto self = PosixInstanceGuard::Acquire(profile, dir.File("file") + "/run", milliseconds(100));
    EXPECT_EQ(self->GetRole(), Role::unguarded);
    EXPECT_NE(self->GetError().find("cannot open " + profile + ".lock"), std::string::npos) << self->GetError();
    EXPECT_EQ(self->GetListenFd(), -1);
    EXPECT_EQ(self->AcceptRequests(), 0);

    for (const std::string& profile :
         std::vector<std::string>{"", "/", dir.File("cfg/"), dir.File("cfg/.."), dir.File(".")}) {
        auto bad = PosixInstanceGuard::Acquire(profile, dir.Path().string(), milliseconds(100));
        EXPECT_EQ(bad->GetRole(), Role::unguarded) << '"' << profile << '"';
        EXPECT_FALSE(bad->GetError().empty());
    }
}

TEST(RuntimeDir, EmptyDirectoryMeansTheUsersRuntimeDirectory) {
    TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    {
        auto self = PosixInstanceGuard::Acquire(Profile(dir.Path().string(), "tikr-env-test.INI"));
        EXPECT_EQ(fs::path(self->GetSocketPath()).parent_path(), dir.Path());
        EXPECT_EQ(self->GetRole(), Role::first) << self->GetError();
        EXPECT_TRUE(fs::is_socket(self->GetSocketPath()));
        EXPECT_TRUE(fs::exists(dir.File("tikr-env-test.INI.lock")));
    }
    if (old) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
}

TEST(RuntimeDir, TooLongSocketPathLeavesAPrimaryWithoutChannel) {
    TempDir dir;
    const fs::path deep = dir.Path() / std::string(120, 'd');
    fs::create_directory(deep);
    auto self = PosixInstanceGuard::Acquire(Profile(deep.string()), deep.string());
    EXPECT_EQ(self->GetRole(), Role::first);
    EXPECT_EQ(self->GetListenFd(), -1);
    EXPECT_NE(self->GetError().find("too long"), std::string::npos) << self->GetError();
    // The lock still works: a later start is not a second scheduler.
    auto later = PosixInstanceGuard::Acquire(Profile(deep.string()), deep.string(), milliseconds(150));
    EXPECT_EQ(later->GetRole(), Role::alreadyRunning);
}

}  // namespace
}  // namespace tikr
