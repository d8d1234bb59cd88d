#include "platform/win32/win32_login_entry.h"

#include <windows.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "platform/win32/wide_text.h"

namespace tikr {

namespace {

constexpr const wchar_t* RUN_KEY = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* APPROVED_RUN_KEY =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr const wchar_t* APPROVED_FOLDER_KEY =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
constexpr const wchar_t* VALUE_NAME = L"Tikr";
constexpr const wchar_t* SHORTCUT_NAME = L"Tikr.lnk";

// The text of a string value; nothing when there is none.
bool ReadString(const wchar_t* key, const wchar_t* name, std::wstring& text) {
    DWORD bytes = 0;
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return false;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, flags, nullptr, buffer.data(), &bytes) != ERROR_SUCCESS)
        return false;
    text = buffer.data();
    return true;
}

// The Task Manager marks a disabled entry with a binary value whose first
// byte is odd (3 when disabled, 2 when enabled again).
bool MarkedDisabled(const wchar_t* key, const wchar_t* name) {
    BYTE data[64] = {};
    DWORD bytes = sizeof data;
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_BINARY, nullptr, data, &bytes) != ERROR_SUCCESS)
        return false;
    return bytes > 0 && (data[0] & 1) != 0;
}

// Removes a value; one that is not there is no failure.
LSTATUS DeleteValue(const wchar_t* key, const wchar_t* name) {
    const LSTATUS status = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : status;
}

std::string RunKeyName() { return "HKEY_CURRENT_USER\\" + Narrow(RUN_KEY); }

}  // namespace

Win32RunEntry::Win32RunEntry(std::string path) : executablePath(std::move(path)) {
    wchar_t folder[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK)
        startupShortcut = Narrow(std::wstring(folder) + L"\\" + SHORTCUT_NAME);
}

LoginEntry Win32RunEntry::Read() {
    std::wstring value;
    if (ReadString(RUN_KEY, VALUE_NAME, value)) {
        const bool on = !MarkedDisabled(APPROVED_RUN_KEY, VALUE_NAME);
        // Paths on Windows are the same whatever their letter case.
        return {on, on && ::lstrcmpiW(value.c_str(), Widen(ValueText()).c_str()) == 0};
    }
    if (!startupShortcut.empty() && ::GetFileAttributesW(Widen(startupShortcut).c_str()) != INVALID_FILE_ATTRIBUTES)
        return {!MarkedDisabled(APPROVED_FOLDER_KEY, SHORTCUT_NAME), false};
    return {};
}

bool Win32RunEntry::Write(bool on, std::string& error) {
    LSTATUS status = ERROR_SUCCESS;
    if (on) {
        HKEY key = nullptr;
        status = ::RegCreateKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS) {
            const std::wstring text = Widen(ValueText());
            status = ::RegSetValueExW(key, VALUE_NAME, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
            ::RegCloseKey(key);
        }
    } else {
        status = DeleteValue(RUN_KEY, VALUE_NAME);
    }
    if (status != ERROR_SUCCESS) {
        error = "the value Tikr under " + RunKeyName() + " cannot be " + (on ? "written: " : "removed: ") +
                SystemReason(static_cast<DWORD>(status));
        return false;
    }
    // The Task Manager's mark would keep the new value disabled; the value
    // replaces the Startup-folder shortcut of an earlier installer.
    DeleteValue(APPROVED_RUN_KEY, VALUE_NAME);
    if (startupShortcut.empty()) return true;
    const std::wstring shortcut = Widen(startupShortcut);
    const DWORD problem = ::DeleteFileW(shortcut.c_str()) != 0 ? ERROR_SUCCESS : ::GetLastError();
    if (problem != ERROR_SUCCESS && problem != ERROR_FILE_NOT_FOUND && problem != ERROR_PATH_NOT_FOUND) {
        error = "the shortcut " + startupShortcut + " cannot be removed: " + SystemReason(problem);
        return false;
    }
    DeleteValue(APPROVED_FOLDER_KEY, SHORTCUT_NAME);
    return true;
}

std::string Win32RunEntry::Location() { return "the value Tikr under " + RunKeyName(); }

}  // namespace tikr
