#include "ui/task_listing.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/core_services.h"
#include "core/message_display.h"
#include "core/one_line_text.h"
#include "core/process_launcher.h"
#include "core/schedule.h"
#include "core/task_list.h"
#include "core/task_state_text.h"
#include "store/profile_store.h"
#include "store/read_only_files.h"

namespace tikr::ui {

namespace {

constexpr std::size_t COLUMNS = 6;
constexpr std::size_t MAX_CELL_CHARACTERS = 80;
using Row = std::array<std::string, COLUMNS>;

// Characters of UTF-8 text, as wide as a terminal shows most of them.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Cell(const std::string& text) { return OneLineText(text, MAX_CELL_CHARACTERS); }

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

// Listing starts nothing and shows nothing.
class NoLauncher : public ProcessLauncher {
public:
    LaunchResult Start(const std::string& /*commandLine*/, int /*showState*/) override {
        return LaunchResult::Failed("not started by a listing");
    }
};
class NoMessages : public MessageDisplay {
public:
    void Show(std::string /*text*/, std::string /*caption*/) override {}
};

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

std::string TaskTable(const TaskList& tasks, const TaskTextToUtf8& toUtf8) {
    const auto utf8 = [&toUtf8](const std::string& taskText) { return toUtf8 ? toUtf8(taskText) : taskText; };
    std::vector<Row> rows{{"TITLE", "RULE", "NEXT RUN", "LAST RUN", "OUTCOME", "RUNNING SINCE"}};
    for (int i = 0; i < tasks.GetCount(); ++i) {
        const Task* task = tasks.GetTask(i);
        const Schedule* schedule = task->GetSchedule();
        Row row;
        row[0] = Cell(utf8(task->GetTitle()));
        row[1] = schedule != nullptr ? DescribeSchedule(*schedule) : "No timing rule";
        row[2] = task->IsDisabled() != 0 ? "disabled"
                 : schedule != nullptr   ? FormatRunTime(schedule->GetNextRun())
                                         : "unknown";
        row[3] = task->GetLastRun().IsValid() ? FormatRunTime(task->GetLastRun()) : "never";
        row[4] = Cell(utf8(task->GetLastResult()));
        if (task->GetRunningSince().IsValid()) row[5] = FormatRunTime(task->GetRunningSince());
        rows.push_back(std::move(row));
    }
    std::array<std::size_t, COLUMNS> widths{};
    for (const Row& row : rows)
        for (std::size_t c = 0; c < COLUMNS; ++c) widths[c] = std::max(widths[c], Width(row[c]));
    std::string text;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < COLUMNS; ++c) {
            line += row[c];
            if (c + 1 < COLUMNS) line += std::string(widths[c] - Width(row[c]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    return text;
}

Listing ListProfileTasks(const std::string& profilePath, FileSystem& files, const Clock& clock,
                         const TaskTextToUtf8& toUtf8) {
    ReadOnlyFiles readOnly(files);
    ProfileStore store(profilePath, readOnly);
    NoLauncher launcher;
    NoMessages messages;
    const CoreServices services{store, clock, launcher, messages};
    TaskList tasks(services);
    tasks.Load();
    // An unreadable file is no file without tasks.
    if (!store.ReadError().empty())
        return Listing{{}, "cannot read the profile file " + profilePath + ": " + store.ReadError()};
    return Listing{TaskTable(tasks, toUtf8), {}};
}

}  // namespace tikr::ui
