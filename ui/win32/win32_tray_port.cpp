#include "ui/win32/win32_tray_port.h"

#include "ui/tray_port.h"
#include "ui/win32/handles.h"

namespace tikr::win32 {

namespace {

constexpr int TRAY_ICON_SIZE = 16;
// How long the balloon stays, in milliseconds (the shell keeps it between
// 10 and 30 seconds, or as its own settings say).
constexpr UINT BALLOON_TIMEOUT_MS = 10000;

// Copies text into a character field, cut to the field with room for the
// closing zero.
template <std::size_t SIZE>
void CopyToField(char (&field)[SIZE], const std::string& text) {
    const std::string cut = CutToBytes(text, SIZE - 1);
    cut.copy(field, cut.size());
    field[cut.size()] = '\0';
}

}  // namespace

Win32TrayPort::~Win32TrayPort() {
    if (registered) TrayDelete();
}

bool Win32TrayPort::Notify(DWORD command, UINT flags, const std::string& tip) {
    NOTIFYICONDATAA data{};
    // The record in its first form: window, id, flags, message, icon, tip.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = ui::TRAY_ICON_ID;
    data.uFlags = flags;
    data.uCallbackMessage = ui::TRAY_NOTIFY_MESSAGE;
    // The shell keeps its own copy of the image, so ours goes right after.
    IconHandle icon;
    if (flags & NIF_ICON) {
        icon = LoadAppIcon(instance, TRAY_ICON_SIZE);
        data.hIcon = icon.get();
    }
    if (flags & NIF_TIP) lstrcpynA(data.szTip, tip.c_str(), static_cast<int>(sizeof(data.szTip)));
    return Shell_NotifyIconA(command, &data) != FALSE;
}

bool Win32TrayPort::TrayAdd(const std::string& tip) {
    constexpr UINT ALL = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // The shell refuses to add an icon it still knows (a restart notice
    // that came without a restart, an earlier call whose answer was lost):
    // that icon then takes the whole record anew.
    registered = Notify(NIM_ADD, ALL, tip) || Notify(NIM_MODIFY, ALL, tip);
    return registered;
}

bool Win32TrayPort::TrayModify(const std::string& tip) {
    const bool ok = Notify(NIM_MODIFY, NIF_TIP, tip);
    if (!ok) registered = false;
    return ok;
}

bool Win32TrayPort::TrayDelete() {
    registered = false;
    return Notify(NIM_DELETE, 0, {});
}

bool Win32TrayPort::TrayNotify(const std::string& title, const std::string& text) {
    if (!registered) return false;
    // A refused balloon (a shell without them) says nothing about the icon.
    NOTIFYICONDATAA data = BalloonRecord(window, title, text);
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

NOTIFYICONDATAA BalloonRecord(HWND window, const std::string& title, const std::string& text) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = ui::TRAY_ICON_ID;
    data.uFlags = NIF_INFO;
    CopyToField(data.szInfoTitle, title);
    CopyToField(data.szInfo, text);
    data.uTimeout = BALLOON_TIMEOUT_MS;
    data.dwInfoFlags = NIIF_WARNING;
    return data;
}

std::string CutToBytes(const std::string& text, std::size_t maxBytes, UINT codePage) {
    if (codePage == CP_ACP) codePage = GetACP();
    std::size_t end = 0;
    while (end < text.size() && text[end] != '\0') {
        std::size_t next = end + 1;
        if (codePage == CP_UTF8) {
            while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
        } else if (next < text.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[end]))) {
            ++next;
        }
        if (next > maxBytes) break;
        end = next;
    }
    return text.substr(0, end);
}

}  // namespace tikr::win32
