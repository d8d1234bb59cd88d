#pragma once
// Hand-written fakes of the core's platform ports.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/message_display.h"
#include "core/process_launcher.h"

namespace tikr::test {

// Records every command line it is asked to start; onStart, when set, sees
// each start as it happens.
class RecordingLauncher : public ProcessLauncher {
public:
    LaunchResult Start(const std::string& commandLine, int showState) override {
        started.emplace_back(commandLine, showState);
        if (onStart) onStart(commandLine);
        return result ? LaunchResult::Started() : LaunchResult::Failed(failureReason);
    }
    std::vector<std::pair<std::string, int>> started;
    std::function<void(const std::string&)> onStart;
    bool result = true;
    std::string failureReason = "no program named x";
};

// A launcher that keeps what it starts, as the POSIX one does with a
// watcher: every start gets a run, and End reports a run's end as the event
// loop would.
class KeepingLauncher : public ProcessLauncher {
public:
    LaunchResult Start(const std::string& commandLine, int showState) override {
        return StartRun(LaunchRequest{commandLine, showState, {}});
    }
    LaunchResult StartRun(const LaunchRequest& request) override {
        requests.push_back(request);
        LaunchResult started = LaunchResult::Started();
        started.run = requests.size();
        started.outputProblem = outputProblem;
        return started;
    }
    void SetEndHandler(std::function<void(const ProgramEnd&)> handler) override { onEnd = std::move(handler); }
    void End(std::uint64_t run, ProgramEnd::How how, long long code, long long seconds) {
        if (onEnd) onEnd(ProgramEnd{run, how, code, seconds});
    }
    // Records the stop; the test ends the run as the program would.
    bool Stop(std::uint64_t run) override {
        stops.push_back(run);
        return run != 0 && run <= requests.size();
    }
    std::vector<LaunchRequest> requests;
    std::vector<std::uint64_t> stops;
    std::function<void(const ProgramEnd&)> onEnd;
    std::string outputProblem;
};

// Records every message shown. While a box is "open", onShow runs: a test
// uses it to run a nested check pass or remove tasks, as the user could.
class FakeMessageDisplay : public MessageDisplay {
public:
    void Show(std::string text, std::string caption) override {
        shown.emplace_back(text, caption);
        if (onShow) {
            auto hook = onShow;  // the hook may replace itself
            hook(text);
        }
    }
    std::vector<std::pair<std::string, std::string>> shown;
    std::function<void(const std::string&)> onShow;
};

}  // namespace tikr::test
