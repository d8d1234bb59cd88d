#pragma once
// Text at the system's wide-character calls. Inside Tikr a path on Windows
// is UTF-8, as are the program's own messages and the system's reasons, so
// that a path with characters outside the ANSI code page (a user name in
// another script) is kept whole; the system takes and gives UTF-16. The
// profile file's content stays in the ANSI code page and never passes here.
#include <windows.h>

#include <string>

namespace tikr {

// UTF-8 to UTF-16; bytes that are no UTF-8 become U+FFFD.
inline std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

// UTF-16 to UTF-8.
inline std::string Narrow(const wchar_t* text, std::size_t length) {
    if (length == 0) return std::string();
    const int size = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, size, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}

inline std::string Narrow(const std::wstring& text) { return Narrow(text.data(), text.size()); }
inline std::string Narrow(const wchar_t* text) { return Narrow(text, text != nullptr ? ::lstrlenW(text) : 0); }

// Text from one code page in another, through UTF-16 (the task's texts are
// in the ANSI code page, the program's own and the one-line rules UTF-8);
// unchanged when it cannot be recoded.
inline std::string Recode(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    const int size = static_cast<int>(text.size());
    const int wideLength = ::MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0) return text;
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(from, 0, text.data(), size, wide.data(), wideLength);
    const int length = ::WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return text;
    std::string result(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(to, 0, wide.data(), wideLength, result.data(), length, nullptr, nullptr);
    return result;
}

// The system's words for an error code in UTF-8, without the closing line
// break and full stop; "error <code>" when it has none.
inline std::string SystemReason(DWORD code) {
    wchar_t buffer[512] = {};
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                     buffer, sizeof buffer / sizeof buffer[0], nullptr);
    std::string text = Narrow(buffer, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == '.' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

}  // namespace tikr
