#include "ui/task_listing.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

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

// The screen columns a terminal gives a character: none for combining
// marks and zero-width characters, two for East Asian wide and full-width
// characters and emoji, one for the rest.
std::size_t CharacterColumns(char32_t c) {
    struct Range {
        char32_t first, last;
    };
    static constexpr Range zeroWidth[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD},  {0x0610, 0x061A},
                                          {0x064B, 0x065F}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A},  {0x0E47, 0x0E4E},
                                          {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},  {0x20D0, 0x20FF},
                                          {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xE0100, 0xE01EF}};
    static constexpr Range wide[] = {
        {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x25FD, 0x25FE},
        {0x2614, 0x2615},   {0x2648, 0x2653},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
        {0x26F2, 0x26F5},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},   {0x274C, 0x274C},
        {0x2753, 0x2755},   {0x2795, 0x2797},   {0x2B1B, 0x2B1C},   {0x2E80, 0x303E},   {0x3041, 0x33FF},
        {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
        {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
        {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251},
        {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F7E0, 0x1F7EB}, {0x1F90C, 0x1F9FF}, {0x1FA70, 0x1FAFF},
        {0x20000, 0x3FFFD}};
    const auto in = [c](const auto& ranges) {
        return std::any_of(std::begin(ranges), std::end(ranges),
                           [c](const Range& range) { return c >= range.first && c <= range.last; });
    };
    if (c == 0x200D || in(zeroWidth)) return 0;
    return in(wide) ? 2 : 1;
}

// The screen columns of UTF-8 text; a byte that starts no character takes
// one column, as a terminal shows it as one replacement sign.
std::size_t Width(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {  // plain ASCII, nearly every character listed
            ++columns;
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        char32_t c = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool whole = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) {
            ++columns;
            ++i;
            continue;
        }
        columns += CharacterColumns(c);
        i += length;
    }
    return columns;
}

std::string Cell(const std::string& text) { return OneLineText(text, MAX_CELL_CHARACTERS); }

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

// One line of the table: its cells one after the other in one text (a
// listing of 100,000 tasks keeps one string a line, not six), where each
// ends, and the screen columns each takes.
struct Row {
    std::string text;
    std::array<std::uint32_t, COLUMNS> ends{};
    std::array<std::uint32_t, COLUMNS> widths{};

    explicit Row(const std::array<std::string, COLUMNS>& cells) {
        std::size_t size = 0;
        for (const std::string& cell : cells) size += cell.size();
        text.reserve(size);
        for (std::size_t c = 0; c < COLUMNS; ++c) {
            text += cells[c];
            ends[c] = static_cast<std::uint32_t>(text.size());
            widths[c] = static_cast<std::uint32_t>(Width(cells[c]));
        }
    }
    std::string_view CellText(std::size_t c) const {
        const std::uint32_t begin = c == 0 ? 0 : ends[c - 1];
        return std::string_view(text).substr(begin, ends[c] - begin);
    }
};

Row TaskRow(const Task& task, const TaskTextToUtf8& toUtf8, const DateTime* heldNextRun) {
    const auto utf8 = [&toUtf8](const std::string& taskText) { return toUtf8 ? toUtf8(taskText) : taskText; };
    const Schedule* schedule = task.GetSchedule();
    std::array<std::string, COLUMNS> cells;
    cells[0] = Cell(utf8(task.GetTitle()));
    cells[1] = schedule != nullptr ? DescribeSchedule(*schedule) : "No timing rule";
    cells[2] = task.IsDisabled()        ? "disabled"
               : heldNextRun != nullptr ? FormatNextRun(*heldNextRun)
               : schedule != nullptr    ? FormatNextRun(schedule->GetNextRun())
                                        : "unknown";
    cells[3] =
        task.GetLastRun().IsValid() || !task.GetLastResult().empty() ? FormatRunTime(task.GetLastRun()) : "never";
    cells[4] = Cell(utf8(task.GetLastResult()));
    if (task.GetRunningSince().IsValid()) cells[5] = FormatRunTime(task.GetRunningSince());
    return Row(cells);
}

std::string TableText(const std::vector<Row>& rows) {
    std::array<std::uint32_t, COLUMNS> widths{};
    std::size_t size = 0;
    for (const Row& row : rows) {
        size += row.text.size() + 1;
        for (std::size_t c = 0; c < COLUMNS; ++c) widths[c] = std::max(widths[c], row.widths[c]);
    }
    std::size_t lineWidth = 0;
    for (const std::uint32_t width : widths) lineWidth += width + 2;
    std::string text;
    text.reserve(size + rows.size() * lineWidth);
    for (const Row& row : rows) {
        const std::size_t lineBegin = text.size();
        for (std::size_t c = 0; c < COLUMNS; ++c) {
            text += row.CellText(c);
            if (c + 1 < COLUMNS) text.append(widths[c] - row.widths[c] + 2, ' ');
        }
        while (text.size() > lineBegin && text.back() == ' ') text.pop_back();
        text += '\n';
    }
    return text;
}

}  // namespace

Listing ListProfileTasks(const std::string& profilePath, FileSystem& files, const Clock& clock,
                         const TaskTextToUtf8& toUtf8) {
    ReadOnlyFiles readOnly(files);
    ProfileStore store(profilePath, readOnly);
    NoLauncher launcher;
    NoMessages messages;
    const CoreServices services{store, clock, launcher, messages};
    // Each task is loaded as the window would load it, put into its line
    // and let go: a listing of many tasks never holds them all. One batch
    // gives one look at the file; what loading would store is kept in
    // memory and never written.
    ProfileStore::Batch batch(store);
    const int count = TaskList::StoredCount(store);
    // An unreadable file is no file without tasks.
    if (!store.ReadError().empty())
        return Listing{{}, "cannot read the profile file " + profilePath + ": " + store.ReadError()};
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)) + 1);
    rows.emplace_back(
        std::array<std::string, COLUMNS>{"TITLE", "RULE", "NEXT RUN", "LAST RUN", "OUTCOME", "RUNNING SINCE"});
    const DateTime now = DateTime::Now(clock);
    for (int i = 0; i < count; ++i) {
        const Task task(services, TaskSectionName(i));
        // The next run as stored, which the task read before recomputing it.
        const DateTime& stored = task.GetStoredNextRun();
        const bool held = stored.IsValid() && now.IsValid() && stored >= now &&
                          dynamic_cast<const IntervalSchedule*>(task.GetSchedule()) != nullptr;
        rows.push_back(TaskRow(task, toUtf8, held ? &stored : nullptr));
    }
    return Listing{TableText(rows), {}};
}

}  // namespace tikr::ui
