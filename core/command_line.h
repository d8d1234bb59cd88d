#pragma once
// Splitting a command line into the program and its arguments, so that a
// program can be started without handing the text to a shell.
#include <string>
#include <vector>

namespace tikr {

// Splits commandLine into words; the first word is the program. The rules:
//
//  - Blanks (spaces, tabs and line breaks) outside quotes separate words;
//    runs of them count as one separator, and leading and trailing ones are
//    ignored. A blank or empty command line gives no words at all.
//  - Double quotes group: "C:\Program Files\x.exe" is one word without the
//    quotes. Inside them, "" stands for one literal double quote, and a
//    backslash followed by a double quote or a backslash gives that
//    character (\" and \\).
//  - Single quotes group literally: nothing inside them is special, and a
//    word can hold a double quote that way ('say "hi"').
//  - Outside quotes a backslash followed by a blank, a double quote or a
//    single quote gives that character (a\ b is the one word "a b").
//  - Every other backslash is kept as written, so Windows paths such as
//    C:\Tools\x.exe or \\server\share\y.exe survive unchanged outside quotes.
//  - Quoted and unquoted pieces next to each other join into one word
//    (--name="a b" is --name=a b); a pair of quotes alone makes an empty word.
//  - A quote that is never closed runs to the end of the text.
//
// Nothing else is special: ; | & $ ( ) < > * and ~ are ordinary characters.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace tikr
