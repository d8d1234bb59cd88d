#pragma once
// The records kept of each run of a program: its output file, one per run,
// and the history of runs, one line per run in history.log, both in one
// folder. The folder keeps the newest output files within MAX_OUTPUT_BYTES
// and MAX_OUTPUT_FILES, and the history its last MAX_HISTORY_LINES lines.
//
// A history line is tab-separated plain text: start ("2026-12-09
// 09:00:00"), task title, outcome, time taken in seconds, output file (may
// be empty). Control characters (tabs and line breaks among them) in a
// field become blanks.
//
// The files go through the file-system port: only regular files are read
// or appended to, a read takes a bounded tail, and appends and the trim of
// the history take a lock beside it (history.lock), so that no line is lost
// to another process's trim. The folder and its files are the user's only.
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "store/file_system.h"

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

// A text as a field of a history line: control characters become blanks.
std::string HistoryField(const std::string& text);
std::string HistoryLine(const RunRecord& record);
// Nothing for a line that is damaged or was not written by HistoryLine.
std::optional<RunRecord> ParseHistoryLine(const std::string& line);
// The lines of a history's text, at most the last `last`. cut: the text is
// the end of a longer file, so its first line is a piece and goes.
std::vector<std::string> HistoryLines(std::string_view text, bool cut, std::size_t last);

class RunRecords {
public:
    static constexpr std::uintmax_t MAX_OUTPUT_BYTES = 64ull * 1024 * 1024;
    static constexpr std::size_t MAX_OUTPUT_FILES = 1000;
    static constexpr std::size_t MAX_HISTORY_LINES = 1000;
    // What is read of the history at most: its last lines, however long.
    static constexpr std::uint64_t MAX_HISTORY_READ_BYTES = 8ull * 1024 * 1024;
    // Lines kept while the history cannot be written.
    static constexpr std::size_t MAX_PENDING_LINES = 1000;
    static constexpr const char* HISTORY_FILE = "history.log";
    static constexpr const char* LOCK_FILE = "history.lock";

    // A whole look at the folder (every output file and its size) costs a
    // file system call per file, too much for each of a thousand runs that
    // start at one check. trimPause: the least time between two such looks;
    // in between, the count of files is kept from the last look and the
    // runs since, so the folder never holds more than MAX_OUTPUT_FILES of
    // its own, and the size is looked at again after the pause, or at the
    // first run after a program ended (RunEnded) whose output grew the
    // folder beyond its size.
    // The files are the operating system's, or those given (which must
    // outlive this).
    explicit RunRecords(std::string folder, std::chrono::milliseconds trimPause = std::chrono::milliseconds(0));
    RunRecords(FileSystem& files, std::string folder, std::chrono::milliseconds trimPause);

    const std::string& GetFolder() const { return folder; }
    // The files the records are reached through.
    FileSystem& Files() const { return files; }
    std::string HistoryPath() const;

    // Hears once of the history that cannot be written (path, reason),
    // again only after a write has succeeded meanwhile.
    void SetFailureHandler(std::function<void(const std::string&, const std::string&)> handler) {
        onFailure = std::move(handler);
    }

    // The output file of a run starting now: "2026-12-09_090000 Backup.log"
    // (a number added when the name is taken). Makes the folder and trims
    // the older output files so that, with the new one, the folder keeps
    // the newest within the limits. The file itself is made by the run; a
    // folder that cannot be made only means the run's output is discarded.
    // The file counts as a running program's until RunEnded: it is never
    // removed.
    std::string NewOutputFile(const DateTime& start, const std::string& title);
    // The program writing outputFile has ended (or never started): when its
    // file brought the folder beyond MAX_OUTPUT_BYTES, the next new output
    // file looks at the folder whole, pause or not. True
    // when its output was cut to keep the folder within MAX_OUTPUT_BYTES.
    bool RunEnded(const std::string& outputFile);
    // Removes an output file that was left empty; true when it was there,
    // a regular file, empty, and is gone.
    bool RemoveIfEmpty(const std::string& outputFile);
    // While programs run: when their output files have grown the folder
    // beyond MAX_OUTPUT_BYTES, older files go, and when the running
    // programs' files alone are beyond it, the largest are cut to nothing
    // (their programs write on into them).
    void KeepOutputWithinLimits();
    // Appends the run's line to the history and keeps its last lines. A
    // line that cannot be written is kept and written before the next one
    // (or by WritePending); false then.
    bool Append(const RunRecord& record);
    // Writes the kept lines; true when none is left.
    bool WritePending();
    bool HasPending() const { return !pending.empty(); }
    // The runs in the history, and those kept to be written, oldest first;
    // damaged lines are skipped. problem (when given) says why a history
    // that is there cannot be read.
    std::vector<RunRecord> ReadHistory(std::string* problem = nullptr) const;

private:
    // The size of the file at path; 0 when there is none.
    std::uintmax_t FileBytes(const std::string& path) const;

    std::unique_ptr<FileSystem> ownFiles;
    FileSystem& files;
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
    std::deque<std::string> pending;  // lines not yet written, oldest first
    bool failing = false;             // told, and no write succeeded since
    std::function<void(const std::string&, const std::string&)> onFailure;
    // The output files of programs that run, by path; true once cut.
    std::map<std::string, bool> runningOutput;
    std::uintmax_t endedBytes = 0;  // of the other output files at the last look

    void TrimOutputFiles();
    void TrimHistory();
    bool Failed(const std::string& reason);
};

}  // namespace tikr
