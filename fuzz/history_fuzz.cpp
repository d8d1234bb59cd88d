// The reader of the history of runs, as the History window and the trim use
// it, on any file: the lines it keeps are at most the last
// MAX_HISTORY_LINES; every run it reads is written back the same by
// HistoryLine; the records read the file as the text says; and a run
// appended after any content (a piece of a line among it) is read back
// whole as the last one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/run_records.h"
#include "temp_dir.h"

namespace {

using namespace tikr;

// The property that broke is named by its line.
void RequireAt(bool condition, int line) {
    if (condition) return;
    std::fprintf(stderr, "history_fuzz.cpp:%d: property broken\n", line);
    std::abort();
}

bool Same(const RunRecord& a, const RunRecord& b) {
    return a.start.GetDayNumber() == b.start.GetDayNumber() && a.title == b.title && a.outcome == b.outcome &&
           a.seconds == b.seconds && a.outputFile == b.outputFile;
}

}  // namespace
#define Require(c) RequireAt((c), __LINE__)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool cut = size > 0 && (data[0] & 1) != 0;
    const std::vector<std::string> lines = HistoryLines(text, cut, RunRecords::MAX_HISTORY_LINES);
    Require(lines.size() <= RunRecords::MAX_HISTORY_LINES);
    std::size_t parsed = 0;
    for (const std::string& line : lines) {
        Require(line.find('\n') == std::string::npos);
        const std::optional<RunRecord> run = ParseHistoryLine(line);
        if (!run) continue;
        ++parsed;
        const std::optional<RunRecord> again = ParseHistoryLine(HistoryLine(*run));
        Require(again.has_value());
        Require(again->start.GetDayNumber() == run->start.GetDayNumber() && again->seconds == run->seconds);
        Require(again->title == HistoryField(run->title) && again->outcome == HistoryField(run->outcome));
    }

    static tikr::test::TempDir dir;
    const std::string folder = dir.File("records");
    std::filesystem::remove_all(folder);
    RunRecords records(folder);
    std::filesystem::create_directories(folder);
    tikr::test::TempDir::WriteFile(records.HistoryPath(), text);
    if (!cut) Require(records.ReadHistory().size() == parsed);

    DateTime start;
    start.SetDateTime(2026, 12, 9, 9, 0, 0);
    const RunRecord run{start, "Back\tup", "exited with status 0 after 1 s", 1, folder + "/x.log"};
    Require(records.Append(run));
    const std::vector<RunRecord> runs = records.ReadHistory();
    Require(!runs.empty());
    Require(Same(runs.back(), RunRecord{start, "Back up", run.outcome, 1, run.outputFile}));
    return 0;
}
