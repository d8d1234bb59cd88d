#include "core/one_line_text.h"

namespace tikr {

namespace {

// The length of the well-formed UTF-8 sequence at the start of text, 0 when
// it is none; the character goes to codePoint.
std::size_t Utf8Sequence(std::string_view text, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return length;
}

// Characters that would break the line or hide text.
bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

}  // namespace

std::string OneLineText(std::string_view text, std::size_t maxCharacters, InvalidBytes invalid,
                        std::string_view cutMark) {
    std::string line;
    // Room for what is kept (at most four bytes a character) in one go.
    line.reserve((maxCharacters < text.size() / 4 ? maxCharacters * 4 : text.size()) + cutMark.size());
    for (std::size_t characters = 0; !text.empty(); ++characters) {
        if (characters == maxCharacters) {
            line += cutMark;
            break;
        }
        char32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(text, codePoint);
        if (length == 0) {
            line += invalid == InvalidBytes::replace ? '?' : text[0];
            text.remove_prefix(1);
        } else {
            if (IsControl(codePoint)) line += ' ';
            else line.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return line;
}

}  // namespace tikr
