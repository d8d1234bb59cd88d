#include "ui/win32/dialog_template.h"

#include <commctrl.h>

#include <algorithm>

namespace tikr::win32 {

namespace {

using res::ControlKind;

constexpr WORD ATOM_BUTTON = 0x0080;
constexpr WORD ATOM_EDIT = 0x0081;
constexpr WORD ATOM_STATIC = 0x0082;
constexpr WORD ATOM_LISTBOX = 0x0083;
constexpr WORD ATOM_COMBOBOX = 0x0085;

// Appends to a template that is kept as 16-bit words.
class TemplateWriter {
public:
    void Word(WORD value) { data.push_back(value); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
    // A zero-terminated UTF-16 string converted from the ANSI code page.
    void String(const std::string& text) {
        if (!text.empty()) {
            const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
            if (length > 0) {
                std::wstring wide(static_cast<std::size_t>(length), L'\0');
                MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
                for (wchar_t c : wide) Word(static_cast<WORD>(c));
            }
        }
        Word(0);
    }
    void WideString(const wchar_t* text) {
        for (; *text != L'\0'; ++text) Word(static_cast<WORD>(*text));
        Word(0);
    }
    // Items start on a DWORD boundary; the storage itself is at least
    // DWORD-aligned, so an even word count is such a boundary.
    void AlignDword() {
        if (data.size() % 2 != 0) Word(0);
    }
    std::vector<WORD> Take() { return std::move(data); }

private:
    std::vector<WORD> data;
};

}  // namespace

ControlClass ControlClassOf(const res::ControlDef& control) {
    const unsigned s = control.style;
    ControlClass result;
    DWORD style = WS_CHILD;
    if (control.visible) style |= WS_VISIBLE;
    if (s & res::STYLE_TABSTOP) style |= WS_TABSTOP;
    if (s & res::STYLE_GROUP) style |= WS_GROUP;
    if (s & res::STYLE_BORDER) style |= WS_BORDER;
    if (s & res::STYLE_VSCROLL) style |= WS_VSCROLL;

    switch (control.kind) {
    case ControlKind::staticText:
        result.classAtom = ATOM_STATIC;
        style |= SS_LEFT;
        if (s & res::STYLE_NOPREFIX) style |= SS_NOPREFIX;
        break;
    case ControlKind::groupBox:
        result.classAtom = ATOM_BUTTON;
        style |= BS_GROUPBOX;
        break;
    case ControlKind::editField:
        result.classAtom = ATOM_EDIT;
        style |= ES_LEFT;
        if (s & res::STYLE_AUTOHSCROLL) style |= ES_AUTOHSCROLL;
        if (s & res::STYLE_NUMBER) style |= ES_NUMBER;
        break;
    case ControlKind::listBox:
        // Unsorted, no integral height: the rectangle is kept as given.
        result.classAtom = ATOM_LISTBOX;
        style |= LBS_NOINTEGRALHEIGHT;
        if (s & res::STYLE_NOTIFY) style |= LBS_NOTIFY;
        break;
    case ControlKind::pushButton:
        result.classAtom = ATOM_BUTTON;
        style |= (s & res::STYLE_DEFAULT_BUTTON) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case ControlKind::checkBox:
        result.classAtom = ATOM_BUTTON;
        style |= BS_AUTOCHECKBOX;
        if (s & res::STYLE_MULTILINE) style |= BS_MULTILINE | BS_TOP;
        break;
    case ControlKind::comboDropList:
        result.classAtom = ATOM_COMBOBOX;
        style |= CBS_DROPDOWNLIST;
        break;
    case ControlKind::upDown:
        // Attached to the control created just before it.
        result.className = UPDOWN_CLASSW;
        style |= UDS_AUTOBUDDY;
        if (s & res::STYLE_UD_ALIGNRIGHT) style |= UDS_ALIGNRIGHT;
        if (s & res::STYLE_UD_SETBUDDYINT) style |= UDS_SETBUDDYINT;
        if (s & res::STYLE_UD_ARROWKEYS) style |= UDS_ARROWKEYS;
        if (s & res::STYLE_UD_WRAP) style |= UDS_WRAP;
        if (s & res::STYLE_UD_NOTHOUSANDS) style |= UDS_NOTHOUSANDS;
        break;
    }
    result.style = style;
    return result;
}

DWORD DialogStyle() { return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT; }

std::vector<WORD> BuildDialogTemplate(const res::DialogDef& dialog, const std::string& windowClass) {
    TemplateWriter out;
    out.Dword(DialogStyle());
    out.Dword(0);  // extended style
    out.Word(static_cast<WORD>(dialog.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(dialog.width);
    out.Short(dialog.height);
    out.Word(0);                           // no menu
    if (windowClass.empty()) out.Word(0);  // the system's dialog class
    else out.String(windowClass);
    out.String(dialog.caption);
    out.Word(static_cast<WORD>(dialog.fontPointSize));
    out.String(dialog.fontName);

    for (const res::ControlDef& control : dialog.controls) {
        const ControlClass cls = ControlClassOf(control);
        out.AlignDword();
        out.Dword(cls.style);
        out.Dword(0);  // extended style
        out.Short(control.x);
        out.Short(control.y);
        out.Short(control.width);
        out.Short(control.height);
        out.Word(static_cast<WORD>(control.id));
        if (cls.classAtom != 0) {
            out.Word(0xFFFF);
            out.Word(cls.classAtom);
        } else {
            out.WideString(cls.className);
        }
        out.String(control.text != nullptr ? control.text : "");
        out.Word(0);  // no creation data
    }
    return out.Take();
}

std::optional<ui::ControlEvent> ControlEventOf(const res::DialogDef& dialog, int id, unsigned code) {
    for (const res::ControlDef& control : dialog.controls) {
        if (control.id != id) continue;
        switch (control.kind) {
        case ControlKind::listBox:
            if (code == LBN_SELCHANGE) return ui::ControlEvent::selectionChanged;
            if (code == LBN_DBLCLK) return ui::ControlEvent::doubleClicked;
            return std::nullopt;
        case ControlKind::comboDropList:
            if (code == CBN_SELCHANGE) return ui::ControlEvent::selectionChanged;
            return std::nullopt;
        case ControlKind::pushButton:
            if (code == BN_CLICKED) return ui::ControlEvent::clicked;
            return std::nullopt;
        default: return std::nullopt;
        }
    }
    // Commands of no control: Escape or the close box (ID_CANCEL), Enter
    // without a default button (ID_OK), the Help command.
    if (code == 0) return ui::ControlEvent::clicked;
    return std::nullopt;
}

void SetDefaultButton(HWND dialog, const res::DialogDef& definition) {
    for (const res::ControlDef& control : definition.controls) {
        if (control.kind == res::ControlKind::pushButton && (control.style & res::STYLE_DEFAULT_BUTTON) != 0) {
            SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(control.id), 0);
            return;
        }
    }
}

std::string WithoutMnemonics(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // "&x" shows x underlined, "&&" shows one "&".
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out.push_back(text[i]);
    }
    return out;
}

void FitStaticTexts(HWND dialog) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    RECT client{};
    GetClientRect(dialog, &client);
    HDC dc = GetDC(dialog);
    if (dc == nullptr) return;
    HGDIOBJ before = font != nullptr ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[16] = "";
        if (GetClassNameA(child, name, sizeof(name)) == 0 || lstrcmpiA(name, "Static") != 0) continue;
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const LONG kind = style & SS_TYPEMASK;
        if (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP && kind != SS_SIMPLE)
            continue;
        const int length = GetWindowTextLengthA(child);
        if (length <= 0) continue;
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        text.resize(static_cast<std::size_t>(std::max(GetWindowTextA(child, text.data(), length + 1), 0)));
        if ((style & SS_NOPREFIX) == 0) text = WithoutMnemonics(text);
        RECT area{};
        GetWindowRect(child, &area);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
        const int height = area.bottom - area.top;
        // Only labels of one line: a taller text breaks its lines itself.
        if (height >= 2 * metrics.tmHeight) continue;
        SIZE needed{};
        if (!GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &needed)) continue;
        const int width = area.right - area.left;
        if (needed.cx <= width) continue;
        // Wider as far as the dialog allows; the font stays as it is.
        const int room = std::max<int>(client.right - area.left, width);
        SetWindowPos(child, nullptr, 0, 0, std::min<int>(needed.cx, room), height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (before != nullptr) SelectObject(dc, before);
    ReleaseDC(dialog, dc);
}

}  // namespace tikr::win32
