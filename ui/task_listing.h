#pragma once
// The program's command-line options and the listing of the tasks that
// "--list" prints: no window, nothing written.
#include <string>
#include <vector>

#include "core/clock.h"
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
// "--version" are ours; other arguments with one dash are the toolkit's
// (-platform, -session, ...) and run the window; anything else is a usage
// error.
CommandOptions ParseCommandOptions(const std::vector<std::string>& arguments);

std::string UsageText(const std::string& programName);

// Every task as an aligned table, one line each after a heading: title,
// timing rule in words, next run ("disabled" for a disabled task), last
// run ("never") and its outcome. Each cell is one line of text.
std::string TaskTable(const TaskList& tasks);

// The table of the tasks in the profile file, loaded as the window would
// load them (a damaged file shows what loads) through files that are only
// read: the file is left as it is.
std::string ListProfileTasks(const std::string& profilePath, FileSystem& files, const Clock& clock);

}  // namespace tikr::ui
