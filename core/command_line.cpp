#include "core/command_line.h"

namespace tikr {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    enum class Quote { none, doubleQuote, singleQuote };
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // true once the current word has begun, even if empty ("")
    Quote quote = Quote::none;
    const std::size_t size = commandLine.size();

    for (std::size_t i = 0; i < size; ++i) {
        const char c = commandLine[i];
        const char next = i + 1 < size ? commandLine[i + 1] : '\0';
        const bool hasNext = i + 1 < size;
        switch (quote) {
        case Quote::singleQuote:
            if (c == '\'') quote = Quote::none;
            else word += c;
            break;
        case Quote::doubleQuote:
            if (c == '"') {
                if (hasNext && next == '"') {
                    word += '"';
                    ++i;
                } else {
                    quote = Quote::none;
                }
            } else if (c == '\\' && hasNext && (next == '"' || next == '\\')) {
                word += next;
                ++i;
            } else {
                word += c;
            }
            break;
        case Quote::none:
            if (IsSeparator(c)) {
                if (inWord) {
                    words.push_back(std::move(word));
                    word.clear();
                    inWord = false;
                }
                break;
            }
            inWord = true;
            if (c == '"') {
                quote = Quote::doubleQuote;
            } else if (c == '\'') {
                quote = Quote::singleQuote;
            } else if (c == '\\' && hasNext && (next == ' ' || next == '\t' || next == '"' || next == '\'')) {
                word += next;
                ++i;
            } else {
                word += c;
            }
            break;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

}  // namespace tikr
