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
