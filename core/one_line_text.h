#pragma once
// A text that a person or the profile file gave, made fit to be shown as
// one short line: in a reason, a tooltip, a notification.
#include <cstddef>
#include <string>
#include <string_view>

namespace tikr {

// What becomes of bytes that are no UTF-8: kept as they are (text in a
// single-byte code page reads right on the systems that use one), or shown
// as '?'.
enum class InvalidBytes { keep, replace };

// Control characters (line breaks, tabs, DEL, the C1 controls, the line and
// paragraph separators) become spaces; a text longer than maxCharacters is
// cut after that many whole characters and marked with cutMark. A byte
// that is no UTF-8 counts as one character, so the line stays short
// whatever the text holds.
std::string OneLineText(std::string_view text, std::size_t maxCharacters, InvalidBytes invalid = InvalidBytes::replace,
                        std::string_view cutMark = "...");

}  // namespace tikr
