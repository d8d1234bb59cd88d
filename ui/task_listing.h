#pragma once
// The listing of the tasks that "--list" prints: no window, nothing
// written.
#include <functional>
#include <string>

#include "core/clock.h"
#include "store/file_system.h"

namespace tikr::ui {

// What "--list" lists: the table, or why there is none (the profile file
// exists but cannot be read).
struct Listing {
    std::string table;
    std::string error;
};

// A task's texts (title, outcome) as UTF-8: on Windows they are kept in
// the ANSI code page, as its profile functions keep them.
using TaskTextToUtf8 = std::function<std::string(const std::string&)>;

// The table of the tasks in the profile file, loaded as the window would
// load them (a damaged file shows what loads) through files that are only
// read: the file is left as it is. It is aligned, one line each after a
// heading: title, timing rule in words, next run ("disabled" for a
// disabled task), last finished run ("never") and its outcome, and the
// start of the run going on; each cell is one line of text, UTF-8. A
// regular interval restarts at every load, yet a scheduler that runs holds
// the next run it stored: a stored next run that has not passed is shown.
// A file that exists but cannot be read gives no table: "cannot read the
// profile file <path>: <reason>".
Listing ListProfileTasks(const std::string& profilePath, FileSystem& files, const Clock& clock,
                         const TaskTextToUtf8& toUtf8 = nullptr);

}  // namespace tikr::ui
