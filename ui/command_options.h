#pragma once
// The program's command-line options: "--list", "--help" and "--version"
// end without a window and print what they are for.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/task_listing.h"

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

// Nothing for a run of the window; listing makes the table of "--list".
// A listing without a table ends with status 1 and its reason on
// standard error.
std::optional<CommandOutput> CommandOutputFor(const CommandOptions& options, const std::string& programName,
                                              const std::string& version, const std::function<Listing()>& listing);

// The output for the arguments after the program's name, named after the
// executable ("tikr" when its path gives no name); nothing for a run of the
// window. toolkitOptions as for ParseCommandOptions.
std::optional<CommandOutput> CommandLineOutput(const std::vector<std::string>& arguments,
                                               const std::string& executablePath, bool toolkitOptions,
                                               const std::string& version, const std::function<Listing()>& listing);

// The name the program's own lines begin with: the executable's name,
// "tikr" when its path gives none.
std::string ProgramName(const std::string& executablePath);

}  // namespace tikr::ui
