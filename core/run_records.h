#pragma once
// The records kept of each run of a program: its output file, one per run,
// and the history of runs, one line per run in history.log, both in one
// folder. The folder keeps the newest output files within MAX_OUTPUT_BYTES
// and MAX_OUTPUT_FILES, and the history its last MAX_HISTORY_LINES lines.
//
// A history line is tab-separated plain text: start ("2026-12-09
// 09:00:00"), task title, outcome, time taken in seconds, output file (may
// be empty). Tabs and line breaks in a title or outcome become blanks.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/date_time.h"

namespace tikr {

// Paths of the records are UTF-8 text. As a path the file system takes,
// built from that text: on Windows it reaches its file through the wide
// calls, so a folder outside the ANSI code page (a user name in another
// script) works; elsewhere the bytes are the name.
std::filesystem::path Utf8Path(const std::string& utf8);

struct RunRecord {
    DateTime start;
    std::string title;
    std::string outcome;
    long long seconds = 0;
    std::string outputFile;  // empty: no output file
};

// The title as a part of a file name: letters, digits, blanks, dots,
// hyphens and underscores kept (other bytes become "_"), at most 60
// characters, "task" when nothing is left.
std::string FileNameTitle(const std::string& title);

std::string HistoryLine(const RunRecord& record);
// Nothing for a line that is damaged or was not written by HistoryLine.
std::optional<RunRecord> ParseHistoryLine(const std::string& line);

class RunRecords {
public:
    static constexpr std::uintmax_t MAX_OUTPUT_BYTES = 64ull * 1024 * 1024;
    static constexpr std::size_t MAX_OUTPUT_FILES = 1000;
    static constexpr std::size_t MAX_HISTORY_LINES = 1000;
    static constexpr const char* HISTORY_FILE = "history.log";

    // A whole look at the folder (every output file and its size) costs a
    // file system call per file, too much for each of a thousand runs that
    // start at one check. trimPause: the least time between two such looks;
    // in between, the count of files is kept from the last look and the
    // runs since, so the folder never holds more than MAX_OUTPUT_FILES of
    // its own, and the size is looked at again after the pause, or at the
    // first run after a program ended (RunEnded), whose output may have
    // grown the folder beyond its size since the last look.
    explicit RunRecords(std::string folder, std::chrono::milliseconds trimPause = std::chrono::milliseconds(0));

    const std::string& GetFolder() const { return folder; }
    std::string HistoryPath() const;

    // The output file of a run starting now: "2026-12-09_090000 Backup.log"
    // (a number added when the name is taken). Makes the folder and trims
    // the older output files so that, with the new one, the folder keeps
    // the newest within the limits. The file itself is made by the run; a
    // folder that cannot be made only means the run's output is discarded.
    std::string NewOutputFile(const DateTime& start, const std::string& title);
    // A program that wrote to an output file of this folder has ended: the
    // next new output file looks at the folder whole, pause or not.
    void RunEnded() { endedSinceTrim = true; }
    // Appends the run's line to the history and keeps its last lines.
    // False when the history cannot be written (the run goes on all the
    // same).
    bool Append(const RunRecord& record);
    // The runs in the history, oldest first; damaged lines are skipped.
    std::vector<RunRecord> ReadHistory() const;

private:
    std::string folder;
    std::chrono::milliseconds trimPause;
    std::optional<std::chrono::steady_clock::time_point> lastTrim;
    std::size_t filesSinceTrim = 0;  // kept at the last look, and made since
    bool endedSinceTrim = false;
    // The lines in the history file as this program knows them; nothing
    // before the first append. The file is cut back to MAX_HISTORY_LINES
    // only when a tenth more have gathered, so an append does not read the
    // whole file each time; ReadHistory gives the last MAX_HISTORY_LINES.
    std::optional<std::size_t> historyLines;

    void TrimOutputFiles();
};

}  // namespace tikr
