#include "ui/command_options.h"

#include <algorithm>
#include <array>
#include <utility>

#include "store/profile_location.h"

namespace tikr::ui {

namespace {

// The toolkit's options that take a value, which then follows as the next
// argument (the toolkit also takes "-option=value" in one argument).
bool ToolkitOptionTakesValue(const std::string& option) {
    static const std::array<const char*, 15> withValue{"-platform",
                                                       "-platformpluginpath",
                                                       "-platformtheme",
                                                       "-plugin",
                                                       "-qwindowgeometry",
                                                       "-qwindowicon",
                                                       "-qwindowtitle",
                                                       "-session",
                                                       "-display",
                                                       "-geometry",
                                                       "-title",
                                                       "-icon",
                                                       "-name",
                                                       "-style",
                                                       "-stylesheet"};
    return std::find_if(withValue.begin(), withValue.end(), [&option](const char* name) { return option == name; }) !=
           withValue.end();
}

}  // namespace

CommandOptions ParseCommandOptions(const std::vector<std::string>& arguments, bool toolkitOptions) {
    CommandOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        CommandMode mode;
        if (argument == "--list") mode = CommandMode::list;
        else if (argument == "--help" || argument == "-h") mode = CommandMode::help;
        else if (argument == "--version") mode = CommandMode::version;
        else if (toolkitOptions && argument.size() > 1 && argument[0] == '-' && argument[1] != '-') {
            // The toolkit's, with its value in the next argument when it
            // takes one ("-session 10d6...", "-display :1").
            if (ToolkitOptionTakesValue(argument)) ++i;
            continue;
        } else return CommandOptions{CommandMode::usageError, argument};
        // The first option of ours decides; help wins over the rest.
        if (options.mode == CommandMode::run || mode == CommandMode::help) options.mode = mode;
    }
    return options;
}

std::string UsageText(const std::string& programName) {
    return "Usage: " + programName +
           " [--list | --help | --version]\n"
           "Runs your scheduled tasks from a window and the notification area.\n\n"
           "  --list     print every task (timing rule, next run, last run and its outcome) and end\n"
           "  --help     print this text and end\n"
           "  --version  print the version and end\n";
}

std::optional<CommandOutput> CommandOutputFor(const CommandOptions& options, const std::string& programName,
                                              const std::string& version, const std::function<Listing()>& listing) {
    switch (options.mode) {
    case CommandMode::run: return std::nullopt;
    case CommandMode::help: return CommandOutput{0, UsageText(programName), ""};
    case CommandMode::version: return CommandOutput{0, programName + " " + version + "\n", ""};
    case CommandMode::usageError:
        return CommandOutput{2, "", programName + ": unknown option " + options.wrong + "\n" + UsageText(programName)};
    case CommandMode::list: {
        Listing listed = listing();
        if (!listed.error.empty()) return CommandOutput{1, "", programName + ": " + listed.error + "\n"};
        return CommandOutput{0, std::move(listed.table), ""};
    }
    }
    return std::nullopt;
}

std::string ProgramName(const std::string& executablePath) {
    std::string name = ExecutableName(executablePath);
    return name.empty() ? "tikr" : name;
}

std::optional<CommandOutput> CommandLineOutput(const std::vector<std::string>& arguments,
                                               const std::string& executablePath, bool toolkitOptions,
                                               const std::string& version, const std::function<Listing()>& listing) {
    return CommandOutputFor(ParseCommandOptions(arguments, toolkitOptions), ProgramName(executablePath), version,
                            listing);
}

}  // namespace tikr::ui
