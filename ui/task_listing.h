#pragma once
// The program's command-line options and the listing of the tasks that
// "--list" prints: no window, nothing written.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/date_time.h"
#include "store/file_system.h"

namespace tikr {
class TaskList;
}

namespace tikr::ui {

enum class CommandMode { run, list, help, version, usageError };

struct CommandOptions {
    CommandMode mode = CommandMode::run;
    std::string wrong;  // the argument that is no option of ours
};

// The arguments after the program's name. "--list", "--help" (or "-h") and
// "--version" are ours; with toolkitOptions, other arguments with one dash
// are the toolkit's (-platform, -session, ...) and run the window; anything
// else is a usage error.
CommandOptions ParseCommandOptions(const std::vector<std::string>& arguments, bool toolkitOptions = true);

std::string UsageText(const std::string& programName);

// What an option that ends without a window prints (UTF-8) on standard
// output and standard error, and the status the program ends with.
struct CommandOutput {
    int status = 0;
    std::string output;
    std::string error;
};

// What "--list" lists: the table, or why there is none (the profile file
// exists but cannot be read).
struct Listing {
    std::string table;
    std::string error;
};

// Nothing for a run of the window; listing makes the table of "--list".
// A listing without a table ends with status 1 and its reason on
// standard error.
std::optional<CommandOutput> CommandOutputFor(const CommandOptions& options, const std::string& programName,
                                              const std::string& version, const std::function<Listing()>& listing);

// A task's texts (title, outcome) as UTF-8: on Windows they are kept in
// the ANSI code page, as its profile functions keep them.
using TaskTextToUtf8 = std::function<std::string(const std::string&)>;

// Every task as an aligned table, one line each after a heading: title,
// timing rule in words, next run ("disabled" for a disabled task), last
// finished run ("never") and its outcome, and the start of the run going
// on. Each cell is one line of text, UTF-8.
// heldNextRuns: next runs by task index shown instead of the loaded ones.
std::string TaskTable(const TaskList& tasks, const TaskTextToUtf8& toUtf8 = nullptr,
                      const std::map<int, DateTime>& heldNextRuns = {});

// The table of the tasks in the profile file, loaded as the window would
// load them (a damaged file shows what loads) through files that are only
// read: the file is left as it is. A regular interval restarts at every
// load, yet a scheduler that runs holds the next run it stored: a stored
// next run that has not passed is shown. A file that exists but cannot be
// read gives no table: "cannot read the profile file <path>: <reason>".
Listing ListProfileTasks(const std::string& profilePath, FileSystem& files, const Clock& clock,
                         const TaskTextToUtf8& toUtf8 = nullptr);

}  // namespace tikr::ui
