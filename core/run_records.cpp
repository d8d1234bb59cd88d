#include "core/run_records.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

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

// Tabs and line breaks would break the line into other fields or lines.
std::string Field(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

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
    if (!start.SetDateTime(number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)))
        return std::nullopt;
    return start;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(Path(path), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
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

std::string HistoryLine(const RunRecord& record) {
    return record.start.Format("%Y-%m-%d %H:%M:%S") + "\t" + Field(record.title) + "\t" + Field(record.outcome) + "\t" +
           std::to_string(record.seconds) + "\t" + Field(record.outputFile);
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

RunRecords::RunRecords(std::string folderPath, std::chrono::milliseconds pause)
    : folder(std::move(folderPath)), trimPause(pause) {}

std::string RunRecords::HistoryPath() const { return Utf8(Path(folder) / HISTORY_FILE); }

std::string RunRecords::NewOutputFile(const DateTime& start, const std::string& title) {
    std::error_code error;
    fs::create_directories(Path(folder), error);
    const auto now = std::chrono::steady_clock::now();
    // Room for the new run's file.
    if (!lastTrim || endedSinceTrim || now - *lastTrim >= trimPause || filesSinceTrim + 1 >= MAX_OUTPUT_FILES) {
        TrimOutputFiles();
        lastTrim = now;
    }
    ++filesSinceTrim;
    const std::string stem = start.Format("%Y-%m-%d_%H%M%S") + " " + FileNameTitle(title);
    fs::path path = Path(folder) / Path(stem + OUTPUT_EXTENSION);
    for (int n = 2; fs::exists(path, error) && n < 1000; ++n)
        path = Path(folder) / Path(stem + " (" + std::to_string(n) + ")" + OUTPUT_EXTENSION);
    return Utf8(path);
}

void RunRecords::TrimOutputFiles() {
    struct OutputFile {
        std::string name;
        std::uintmax_t bytes;
    };
    std::vector<OutputFile> files;
    std::error_code error;
    for (fs::directory_iterator it(Path(folder), error), end; !error && it != end; it.increment(error)) {
        const std::string name = Utf8(it->path().filename());
        if (!IsOutputFileName(name) || !it->is_regular_file(error)) continue;
        const std::uintmax_t bytes = it->file_size(error);
        files.push_back({name, error ? 0 : bytes});
    }
    // Names start with the start time: the newest sort last.
    std::sort(files.begin(), files.end(), [](const OutputFile& a, const OutputFile& b) { return a.name > b.name; });
    std::uintmax_t total = 0;
    std::size_t kept = 0;
    for (const OutputFile& file : files) {
        total += file.bytes;
        // Room for the new run's file.
        if (kept + 1 < MAX_OUTPUT_FILES && total <= MAX_OUTPUT_BYTES) {
            ++kept;
            continue;
        }
        fs::remove(Path(folder) / Path(file.name), error);
    }
    filesSinceTrim = kept;
    endedSinceTrim = false;
}

bool RunRecords::Append(const RunRecord& record) {
    std::error_code error;
    fs::create_directories(Path(folder), error);
    const std::string path = HistoryPath();
    if (!historyLines) historyLines = ReadLines(path).size();
    {
        std::ofstream out(Path(path), std::ios::binary | std::ios::app);
        out << HistoryLine(record) << '\n';
        out.flush();
        if (!out) return false;
    }
    if (++*historyLines <= MAX_HISTORY_LINES + MAX_HISTORY_LINES / 10) return true;
    std::vector<std::string> lines = ReadLines(path);
    historyLines = lines.size();
    if (lines.size() <= MAX_HISTORY_LINES) return true;
    // The last lines, through a new file that replaces the history whole.
    const std::string part = path + ".part";
    {
        std::ofstream out(Path(part), std::ios::binary | std::ios::trunc);
        for (std::size_t i = lines.size() - MAX_HISTORY_LINES; i < lines.size(); ++i) out << lines[i] << '\n';
        out.flush();
        if (!out) {
            fs::remove(Path(part), error);
            return true;  // the line is in; only the trim waits
        }
    }
    fs::rename(Path(part), Path(path), error);
    if (!error) historyLines = MAX_HISTORY_LINES;
    return true;
}

std::vector<RunRecord> RunRecords::ReadHistory() const {
    std::vector<RunRecord> runs;
    const std::vector<std::string> lines = ReadLines(HistoryPath());
    const std::size_t first = lines.size() > MAX_HISTORY_LINES ? lines.size() - MAX_HISTORY_LINES : 0;
    for (std::size_t i = first; i < lines.size(); ++i)
        if (std::optional<RunRecord> run = ParseHistoryLine(lines[i])) runs.push_back(std::move(*run));
    return runs;
}

}  // namespace tikr
