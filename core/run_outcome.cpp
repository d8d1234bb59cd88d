#include "core/run_outcome.h"

namespace tikr {

namespace {

constexpr const char* AFTER = " after ";

std::string Pair(long long big, const char* bigUnit, long long small, const char* smallUnit) {
    std::string text = std::to_string(big) + " " + bigUnit;
    if (small != 0) text += " " + std::to_string(small) + " " + smallUnit;
    return text;
}

std::string ExitCodeText(long long code) {
    const auto value = static_cast<unsigned long>(code & 0xFFFFFFFF);
    if (value < 0x10000) return std::to_string(value);
    static const char* const digits = "0123456789ABCDEF";
    std::string hex = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) hex += digits[(value >> shift) & 0xF];
    return hex;
}

}  // namespace

std::string DurationText(long long seconds) {
    if (seconds < 0) seconds = 0;  // a clock that stepped back
    if (seconds < 60) return std::to_string(seconds) + " s";
    if (seconds < 3600) return Pair(seconds / 60, "min", seconds % 60, "s");
    if (seconds < 86400) return Pair(seconds / 3600, "h", seconds % 3600 / 60, "min");
    return Pair(seconds / 86400, "d", seconds % 86400 / 3600, "h");
}

std::string EndedText(const ProgramEnd& end) {
    std::string text;
    switch (end.how) {
    case ProgramEnd::How::exited: text = "exited with status " + std::to_string(end.code); break;
    case ProgramEnd::How::exitCode: text = "exited with code " + ExitCodeText(end.code); break;
    case ProgramEnd::How::signalled: text = "ended by signal " + std::to_string(end.code); break;
    case ProgramEnd::How::unknown: text = "ended"; break;
    }
    return text + AFTER + DurationText(end.seconds);
}

bool EndedInFailure(const ProgramEnd& end) {
    return end.how == ProgramEnd::How::signalled ||
           ((end.how == ProgramEnd::How::exited || end.how == ProgramEnd::How::exitCode) && end.code != 0);
}

std::string OutcomeWithoutDuration(const std::string& outcome) {
    const std::size_t at = outcome.find(AFTER);
    return at == std::string::npos ? outcome : outcome.substr(0, at);
}

std::string OutputDiscardedText(const std::string& reason) { return "; output discarded: " + reason; }

}  // namespace tikr
