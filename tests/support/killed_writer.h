#pragma once
// Kills a writing process at a random moment and tells whether the kill
// landed inside a save (POSIX only).
//
// The child runs save(0), save(1), ... until it is killed, writing one
// byte to a pipe before each save and one after it. The parent waits
// (blocking on the pipe, no timing involved) until the first save has
// begun, lets a random time below maxDelay pass, kills the child and
// reaps it; the last byte the child wrote then says whether it died inside
// a save. Tests count those kills: one that never lands inside a save
// proves nothing.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <thread>

namespace tikr::test {

enum class KillResult { insideSave, betweenSaves, writerFailed };

inline KillResult KillWriterAtRandom(const std::function<void(int)>& save, std::mt19937& random,
                                     std::chrono::microseconds maxDelay) {
    constexpr char BEGIN = 'b';
    constexpr char END = 'e';
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return KillResult::writerFailed;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return KillResult::writerFailed;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        for (int n = 0;; ++n) {
            if (::write(pipeFds[1], &BEGIN, 1) != 1) ::_exit(1);
            save(n);
            if (::write(pipeFds[1], &END, 1) != 1) ::_exit(1);
        }
    }
    ::close(pipeFds[1]);
    char last = 0;
    const bool started = ::read(pipeFds[0], &last, 1) == 1 && last == BEGIN;
    if (started) {
        const auto delay = std::chrono::microseconds(random() % static_cast<unsigned>(maxDelay.count() + 1));
        std::this_thread::sleep_for(delay);  // picks the moment of the kill; nothing waits on it
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    // The child is gone, so the pipe ends after what it wrote.
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) last = buffer[n - 1];
    ::close(pipeFds[0]);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (!started || !killed) return KillResult::writerFailed;
    return last == BEGIN ? KillResult::insideSave : KillResult::betweenSaves;
}

// How many kills a test makes: the default, or TIKR_KILL_ROUNDS for a
// long run (e.g. TIKR_KILL_ROUNDS=500).
inline int KillRounds(int defaultRounds) {
    const char* text = std::getenv("TIKR_KILL_ROUNDS");
    if (text == nullptr) return defaultRounds;
    const int rounds = std::atoi(text);
    return rounds > 0 ? rounds : defaultRounds;
}

}  // namespace tikr::test
