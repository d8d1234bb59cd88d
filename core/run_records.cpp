#include "core/run_records.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/one_line_text.h"
#include "store/atomic_file.h"

namespace tikr {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MAX_TITLE_CHARS = 60;
constexpr const char* OUTPUT_EXTENSION = ".log";
// "2026-12-09_090000": the start of every output file's name.
constexpr std::size_t STAMP_CHARS = 17;

fs::path Path(const std::string& utf8) { return Utf8Path(utf8); }

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An output file of ours: the start stamp, then anything, then ".log".
bool IsOutputFileName(const std::string& name) {
    if (name.size() < STAMP_CHARS + 4 || name.compare(name.size() - 4, 4, OUTPUT_EXTENSION) != 0) return false;
    for (std::size_t i = 0; i < STAMP_CHARS; ++i) {
        const char c = name[i];
        const bool ok = (i == 4 || i == 7) ? c == '-' : i == 10 ? c == '_' : IsDigit(c);
        if (!ok) return false;
    }
    return true;
}

std::string Field(const std::string& text) { return HistoryField(text); }

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

// "2026-12-09 09:00:00", exactly.
std::optional<DateTime> ParseStart(const std::string& text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u, 12u, 14u, 15u, 17u, 18u})
        if (!IsDigit(text[i])) return std::nullopt;
    const auto number = [&text](std::size_t at, std::size_t length) { return std::stoi(text.substr(at, length)); };
    DateTime start;
    // Only a moment that reads back as written: years before 100 are none.
    if (!start.SetDateTime(number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)) ||
        start.GetYear() != number(0, 4))
        return std::nullopt;
    return start;
}

}  // namespace

fs::path Utf8Path(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string FileNameTitle(const std::string& title) {
    std::string name;
    for (const char c : title) {
        if (name.size() == MAX_TITLE_CHARS) break;
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == ' ' || c == '.' ||
                          c == '-' || c == '_';
        name += keep ? c : '_';
    }
    // No hidden file and no name of dots only.
    const std::size_t first = name.find_first_not_of(". ");
    name = first == std::string::npos ? std::string() : name.substr(first);
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    return name.empty() ? "task" : name;
}

// Control characters would break the line into other fields or lines, or
// reach a terminal that shows the file.
std::string HistoryField(const std::string& text) { return OneLineText(text, std::string::npos, InvalidBytes::keep); }

std::string HistoryLine(const RunRecord& record) {
    // Four digits of year always: a start before the year 1000 reads back.
    char start[32];
    std::snprintf(start, sizeof start, "%04d-%02d-%02d %02d:%02d:%02d", record.start.GetYear(), record.start.GetMonth(),
                  record.start.GetDay(), record.start.GetHour(), record.start.GetMinute(), record.start.GetSecond());
    return std::string(record.start.IsValid() ? start : "") + "\t" + Field(record.title) + "\t" +
           Field(record.outcome) + "\t" + std::to_string(record.seconds) + "\t" + Field(record.outputFile);
}

std::optional<RunRecord> ParseHistoryLine(const std::string& text) {
    std::string line = text;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 5) return std::nullopt;
    const std::optional<DateTime> start = ParseStart(fields[0]);
    if (!start || fields[3].empty() || fields[3].size() > 18) return std::nullopt;
    if (!std::all_of(fields[3].begin(), fields[3].end(), IsDigit)) return std::nullopt;
    return RunRecord{*start, fields[1], fields[2], std::stoll(fields[3]), fields[4]};
}

std::vector<std::string> HistoryLines(std::string_view text, bool cut, std::size_t last) {
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    if (cut) {
        const std::size_t end = text.find('\n');
        at = end == std::string_view::npos ? text.size() : end + 1;
    }
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        at = end == std::string_view::npos ? text.size() : end + 1;
    }
    const std::size_t first = lines.size() > last ? lines.size() - last : 0;
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
}

RunRecords::RunRecords(std::string folderPath, std::chrono::milliseconds pause)
    : ownFiles(MakeSystemFileSystem()), files(*ownFiles), folder(std::move(folderPath)), trimPause(pause) {}

RunRecords::RunRecords(FileSystem& fileSystem, std::string folderPath, std::chrono::milliseconds pause)
    : files(fileSystem), folder(std::move(folderPath)), trimPause(pause) {}

std::string RunRecords::HistoryPath() const { return Utf8(Path(folder) / HISTORY_FILE); }

std::string RunRecords::NewOutputFile(const DateTime& start, const std::string& title) {
    std::string ignored;
    files.MakePrivateDirectory(folder, ignored);
    const auto now = std::chrono::steady_clock::now();
    // Room for the new run's file.
    if (!lastTrim || endedSinceTrim || now - *lastTrim >= trimPause || filesSinceTrim + 1 >= MAX_OUTPUT_FILES) {
        TrimOutputFiles();
        lastTrim = now;
    }
    ++filesSinceTrim;
    const std::string stem = start.Format("%Y-%m-%d_%H%M%S") + " " + FileNameTitle(title);
    fs::path path = Path(folder) / Path(stem + OUTPUT_EXTENSION);
    for (int n = 2; (files.Identify(Utf8(path)).exists || runningOutput.count(Utf8(path)) != 0) && n < 1000; ++n)
        path = Path(folder) / Path(stem + " (" + std::to_string(n) + ")" + OUTPUT_EXTENSION);
    runningOutput[Utf8(path)] = false;
    return Utf8(path);
}

bool RunRecords::RunEnded(const std::string& outputFile) {
    const auto found = runningOutput.find(outputFile);
    if (found == runningOutput.end()) return false;
    // The next new output file looks at the folder whole when this one
    // brought it beyond its size.
    endedBytes += FileBytes(outputFile);
    if (endedBytes > MAX_OUTPUT_BYTES) endedSinceTrim = true;
    const bool cut = found->second;
    runningOutput.erase(found);
    return cut;
}

void RunRecords::KeepOutputWithinLimits() {
    std::uintmax_t running = 0;
    for (const auto& [path, cut] : runningOutput) running += FileBytes(path);
    if (running + endedBytes > MAX_OUTPUT_BYTES) TrimOutputFiles();
}

void RunRecords::TrimOutputFiles() {
    struct OutputFile {
        std::string name;
        std::uintmax_t bytes;
    };
    std::vector<OutputFile> ended;
    std::vector<std::pair<std::uintmax_t, std::string>> running;  // bytes, path
    std::uintmax_t runningBytes = 0;
    for (const std::string& name : files.ListDirectory(folder)) {
        const std::string path = Utf8(Path(folder) / Path(name));
        if (!IsOutputFileName(name) || !files.IsRegularFile(path)) continue;
        const std::uintmax_t bytes = FileBytes(path);
        if (runningOutput.count(path) != 0) {
            running.emplace_back(bytes, path);
            runningBytes += bytes;
        } else {
            ended.push_back({name, bytes});
        }
    }
    // A running program's file is never removed: it counts first, and the
    // others go from the oldest. Names start with the start time: the
    // newest sort first here.
    std::sort(ended.begin(), ended.end(), [](const OutputFile& a, const OutputFile& b) { return a.name > b.name; });
    std::uintmax_t total = runningBytes;
    std::size_t kept = running.size();
    endedBytes = 0;
    for (const OutputFile& file : ended) {
        // Room for the new run's file.
        if (kept + 1 < MAX_OUTPUT_FILES && total + file.bytes <= MAX_OUTPUT_BYTES) {
            ++kept;
            total += file.bytes;
            endedBytes += file.bytes;
            continue;
        }
        files.Remove(Utf8(Path(folder) / Path(file.name)));
    }
    // Programs that run and write more than the folder may hold: the largest
    // files are cut, and their programs write on from the new end.
    std::sort(running.begin(), running.end(), std::greater<>());
    for (const auto& [bytes, path] : running) {
        if (total <= MAX_OUTPUT_BYTES) break;
        std::string ignored;
        if (bytes == 0 || !files.CutFile(path, ignored)) continue;
        total -= bytes;
        runningOutput[path] = true;
    }
    filesSinceTrim = kept;
    endedSinceTrim = false;
}

bool RunRecords::RemoveIfEmpty(const std::string& outputFile) {
    const FileIdentity file = files.Identify(outputFile);
    return file.exists && file.size == 0 && files.IsRegularFile(outputFile) && files.Remove(outputFile);
}

std::uintmax_t RunRecords::FileBytes(const std::string& path) const {
    const FileIdentity file = files.Identify(path);
    return file.exists ? file.size : 0;
}

bool RunRecords::Failed(const std::string& reason) {
    if (!failing && onFailure) onFailure(HistoryPath(), reason);
    failing = true;
    return false;
}

bool RunRecords::Append(const RunRecord& record) {
    pending.push_back(HistoryLine(record));
    if (pending.size() > MAX_PENDING_LINES) pending.pop_front();
    return WritePending();
}

bool RunRecords::WritePending() {
    if (pending.empty()) return true;
    std::string error;
    if (!files.MakePrivateDirectory(folder, error)) return Failed(error);
    const std::unique_ptr<FileLock> lock = files.LockFile(Utf8(Path(folder) / LOCK_FILE), error);
    if (!lock) return Failed(error);
    const std::string path = HistoryPath();
    if (!historyLines) {
        const FileSystem::ReadResult read = files.ReadTail(path, MAX_HISTORY_READ_BYTES);
        if (read.status == FileSystem::ReadStatus::failed) return Failed(read.error);
        const bool cut = read.text.size() < read.identity.size;
        // A history longer than is read is cut at the next append.
        historyLines = cut ? MAX_HISTORY_LINES * 2 : HistoryLines(read.text, false, SIZE_MAX).size();
    }
    while (!pending.empty()) {
        if (!files.AppendLine(path, pending.front(), error)) return Failed(error);
        pending.pop_front();
        ++*historyLines;
    }
    failing = false;
    if (*historyLines > MAX_HISTORY_LINES + MAX_HISTORY_LINES / 10) TrimHistory();
    return true;
}

// Under the lock: the last lines, through a new file that replaces the
// history whole and keeps its mode.
void RunRecords::TrimHistory() {
    const std::string path = HistoryPath();
    const FileSystem::ReadResult read = files.ReadTail(path, MAX_HISTORY_READ_BYTES);
    if (read.status != FileSystem::ReadStatus::ok) return;
    const std::vector<std::string> lines =
        HistoryLines(read.text, read.text.size() < read.identity.size, MAX_HISTORY_LINES);
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    std::string error;
    // A trim that fails only waits: the lines are in.
    if (ReplaceFileAtomically(files, path, text, error)) historyLines = lines.size();
}

std::vector<RunRecord> RunRecords::ReadHistory(std::string* problem) const {
    std::vector<RunRecord> runs;
    const FileSystem::ReadResult read = files.ReadTail(HistoryPath(), MAX_HISTORY_READ_BYTES);
    if (read.status == FileSystem::ReadStatus::failed && problem != nullptr) *problem = read.error;
    std::vector<std::string> lines = HistoryLines(read.text, read.text.size() < read.identity.size, MAX_HISTORY_LINES);
    lines.insert(lines.end(), pending.begin(), pending.end());
    const std::size_t first = lines.size() > MAX_HISTORY_LINES ? lines.size() - MAX_HISTORY_LINES : 0;
    for (std::size_t i = first; i < lines.size(); ++i)
        if (std::optional<RunRecord> run = ParseHistoryLine(lines[i])) runs.push_back(std::move(*run));
    return runs;
}

}  // namespace tikr
