// Dialogs: windows made from in-memory templates, the dialog class
// "#32770" with DefDlgProc, the modal loop and the keyboard interface of the
// dialog manager (IsDialogMessage).
//
// Dialog units follow the template's font: the horizontal base unit is the
// average width of the 52 letters "a".."z" "A".."Z" (their extent / 52,
// rounded), the vertical one the font's tmHeight; x pixels = x * baseX / 4,
// y pixels = y * baseY / 8 (rounded as MulDiv does). Without DS_SETFONT the
// system font gives the units.
//
// A dialog's own state (its font, units, default button, result) lives in a
// table by window handle, guarded by its own lock that is never held while
// a window procedure runs; WM_NCDESTROY removes the entry.
//
// Background: dialogs are painted with the brush WM_CTLCOLORDLG returns, by
// default COLOR_BTNFACE (the light grey of the device's dialogs).
#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "user_internal.h"

namespace ce::user {

bool IsDialogWindow(const Window* w) {
    return w && w->cls && w->cls->name == u"#32770";
}

namespace {

constexpr char16_t kDialogClass[] = u"#32770";

struct DialogInfo {
    HFONT font = nullptr;
    bool ownsFont = false;
    HFONT extraFont = nullptr;  // the template's font after the program set another
    bool modal = false;
    int baseX = 0, baseY = 0;
    int defId = 0;  // 0: none set
    bool ended = false;
    INT_PTR result = 0;
    HWND focus = nullptr;  // control to give the focus back to on activation
};

std::mutex g_mu;
std::map<HWND, DialogInfo> g_dialogs;

// Text size of a dialog's controls relative to the template's font size
// (see MakeFont).
constexpr int kTextScalePercent = 80;

// MulDiv: v * num / den rounded half away from zero.
int Scale(int v, int num, int den) {
    if (den == 0) return -1;
    int64_t p = int64_t{v} * num;
    int64_t half = den / 2;
    int64_t r = p >= 0 ? (p + half) / den : (p - half) / den;
    return static_cast<int>(std::clamp<int64_t>(r, INT_MIN, INT_MAX));
}

bool InfoOf(HWND h, DialogInfo* out) {
    std::lock_guard<std::mutex> l(g_mu);
    auto it = g_dialogs.find(h);
    if (it == g_dialogs.end()) return false;
    *out = it->second;
    return true;
}

template <class F>
void UpdateInfo(HWND h, F f) {
    std::lock_guard<std::mutex> l(g_mu);
    f(g_dialogs[h]);
}

// Base units of a font (the system font for NULL).
std::pair<int, int> BaseUnitsOf(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return {6, 13};
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm{};
    SIZE size{};
    static const char16_t kLetters[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    bool ok = GetTextMetrics(dc, &tm) && GetTextExtentPoint32(dc, kLetters, 52, &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (!ok || size.cx <= 0 || tm.tmHeight <= 0) return {6, 13};
    return {static_cast<int>((size.cx / 26 + 1) / 2), static_cast<int>(tm.tmHeight)};
}

// ---- Templates ---------------------------------------------------------------------------

// A name field: 0x0000 (none), 0xFFFF + ordinal, or a terminated string.
struct NameField {
    std::u16string text;
    WORD ordinal = 0;
    bool isOrdinal = false;
};

const WORD* ReadName(const WORD* p, NameField* out) {
    if (*p == 0) return p + 1;
    if (*p == 0xFFFF) {
        out->isOrdinal = true;
        out->ordinal = p[1];
        return p + 2;
    }
    while (*p) out->text.push_back(static_cast<char16_t>(*p++));
    return p + 1;
}

const WORD* AlignDword(const WORD* p) {
    auto v = reinterpret_cast<uintptr_t>(p);
    return reinterpret_cast<const WORD*>((v + 3) & ~uintptr_t{3});
}

struct ItemDesc {
    DLGITEMTEMPLATE t{};
    NameField cls, text;
    const void* data = nullptr;
};

struct DialogDesc {
    DLGTEMPLATE t{};
    NameField menu, cls, title;
    WORD pointSize = 0;
    std::u16string face;
    std::vector<ItemDesc> items;
};

bool Parse(LPCDLGTEMPLATE tmpl, DialogDesc* d) {
    auto* words = reinterpret_cast<const WORD*>(tmpl);
    // The extended layout (version 1, signature 0xFFFF) is not what the
    // resource compiler writes; refuse it rather than misread it.
    if (words[0] == 1 && words[1] == 0xFFFF) return false;
    std::memcpy(&d->t, tmpl, sizeof(DLGTEMPLATE));
    const WORD* p = words + sizeof(DLGTEMPLATE) / sizeof(WORD);
    p = ReadName(p, &d->menu);
    p = ReadName(p, &d->cls);
    p = ReadName(p, &d->title);
    if (d->t.style & DS_SETFONT) {
        d->pointSize = *p++;
        while (*p) d->face.push_back(static_cast<char16_t>(*p++));
        ++p;
    }
    for (WORD i = 0; i < d->t.cdit; ++i) {
        p = AlignDword(p);
        ItemDesc item;
        std::memcpy(&item.t, p, sizeof(DLGITEMTEMPLATE));
        p += sizeof(DLGITEMTEMPLATE) / sizeof(WORD);
        p = ReadName(p, &item.cls);
        p = ReadName(p, &item.text);
        // Creation data: a WORD size, then that many bytes; the control gets
        // a pointer to the size word.
        WORD size = *p;
        if (size) item.data = p;
        p += 1 + (size + 1) / 2;
        d->items.push_back(std::move(item));
    }
    return true;
}

std::u16string ClassOfItem(const NameField& f) {
    if (!f.isOrdinal) return f.text;
    switch (f.ordinal) {
        case 0x0080:
            return u"Button";
        case 0x0081:
            return u"Edit";
        case 0x0082:
            return u"Static";
        case 0x0083:
            return u"ListBox";
        case 0x0084:
            return u"ScrollBar";
        case 0x0085:
            return u"ComboBox";
        default:
            return u"";
    }
}

LRESULT CALLBACK DialogClassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    return DefDlgProc(h, msg, wp, lp);
}

HWND TopLevelOwner(HWND h) {
    while (h && (GetWindowLong(h, GWL_STYLE) & WS_CHILD)) h = GetParent(h);
    return h;
}

// A control the dialog manager may move to: shown (by its own style, so
// that this holds before the dialog itself is visible) and enabled.
bool Usable(HWND h) {
    auto style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

UINT DlgCode(HWND h, const MSG* m) {
    WPARAM wp = m ? m->wParam : 0;
    return static_cast<UINT>(SendMessage(h, WM_GETDLGCODE, wp, reinterpret_cast<LPARAM>(m)));
}

// The child that currently shows itself as the default push button.
HWND CurrentDefaultButton(HWND dlg) {
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (DlgCode(c, nullptr) & DLGC_DEFPUSHBUTTON) return c;
    return nullptr;
}

void SetButtonDefault(HWND button, bool isDefault) {
    if (!button) return;
    UINT code = DlgCode(button, nullptr);
    if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return;
    if (((code & DLGC_DEFPUSHBUTTON) != 0) == isDefault) return;
    SendMessage(button, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// Moves the focus to a control as the dialog manager does: a push button
// receiving the focus becomes the default button while it has it; leaving
// the push buttons gives the dialog's own default button its look back. An
// edit control gets its text selected.
void DialogFocus(HWND dlg, HWND ctl) {
    if (!ctl) return;
    UINT code = DlgCode(ctl, nullptr);
    HWND shown = CurrentDefaultButton(dlg);
    if (code & DLGC_UNDEFPUSHBUTTON) {
        if (shown && shown != ctl) SetButtonDefault(shown, false);
        SetButtonDefault(ctl, true);
    } else if (!(code & DLGC_DEFPUSHBUTTON)) {
        LRESULT def = SendMessage(dlg, DM_GETDEFID, 0, 0);
        HWND home = HIWORD(def) == DC_HASDEFID ? GetDlgItem(dlg, LOWORD(def)) : nullptr;
        if (shown && shown != home) SetButtonDefault(shown, false);
        SetButtonDefault(home, true);
    }
    SetFocus(ctl);
    if (code & DLGC_HASSETSEL) SendMessage(ctl, EM_SETSEL, 0, -1);
}

// The control of the dialog that has the focus (NULL if none does).
HWND FocusedControl(HWND dlg) {
    HWND f = GetFocus();
    return f && IsChild(dlg, f) ? f : nullptr;
}

// The direct child of `dlg` that contains `h`.
HWND ChildOf(HWND dlg, HWND h) {
    while (h && GetParent(h) != dlg) h = GetParent(h);
    return h;
}

void RestoreFocus(HWND h) {
    if (FocusedControl(h)) return;
    DialogInfo info;
    HWND target = InfoOf(h, &info) ? info.focus : nullptr;
    if (!target || !IsChild(h, target) || !Usable(target)) target = GetNextDlgTabItem(h, nullptr, FALSE);
    if (target) DialogFocus(h, target);
}

void ForgetDialog(HWND h) {
    DialogInfo info;
    {
        std::lock_guard<std::mutex> l(g_mu);
        auto it = g_dialogs.find(h);
        if (it == g_dialogs.end()) return;
        info = it->second;
        g_dialogs.erase(it);
    }
    if (info.ownsFont && info.extraFont)
        DeleteObject(info.extraFont);
    else if (info.ownsFont && info.font)
        DeleteObject(info.font);
}

std::vector<HWND> Children(HWND dlg) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

}  // namespace

void RegisterDialogClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DialogClassProc;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.lpszClassName = kDialogClass;
        RegisterBuiltinClass(wc);
    });
}

namespace {

// The dialog's font and the dialog base units its template is laid out in.
struct DialogFont {
    HFONT font = nullptr;
    bool owned = false;  // made here from the template: freed with the dialog
    int baseX = 6, baseY = 13;
};

// The template's font (DS_SETFONT): the point size at the screen's LOGPIXELSY.
//
// The free font is wider than the faces the device's templates were laid
// out for: a label sized for its text there overflows by about a fifth here.
// The layout keeps the base units of the nominal size (measured on a font
// of that size, which goes again at once), and the controls draw their text
// a step smaller, so every text fits the place its template made for it.
DialogFont MakeFont(const DialogDesc& d) {
    DialogFont f;
    if (!(d.t.style & DS_SETFONT) || d.pointSize == 0x7FFF) {
        std::tie(f.baseX, f.baseY) = BaseUnitsOf(nullptr);
        return f;
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    auto make = [&](int em) {
        return CreateFont(-em, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, d.face.c_str());
    };
    const int em = Scale(d.pointSize, dpi, 72);
    HFONT nominal = make(em);
    std::tie(f.baseX, f.baseY) = BaseUnitsOf(nominal);
    if (!nominal) return f;
    f.font = make(Scale(em, kTextScalePercent, 100));
    if (f.font) {
        DeleteObject(nominal);
    } else {
        f.font = nominal;
    }
    f.owned = true;
    return f;
}

// Where the dialog goes (screen coordinates for a top-level one): its
// template's place and size in base units, with the frame added; centred
// with DS_CENTER, else relative to its owner; kept on the screen.
RECT PlaceDialog(const DialogDesc& d, const DialogFont& f, HWND owner, bool child) {
    const DWORD style = d.t.style;
    RECT rc{0, 0, Scale(d.t.cx, f.baseX, 4), Scale(d.t.cy, f.baseY, 8)};
    AdjustWindowRectEx(&rc, style, FALSE, d.t.dwExtendedStyle);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = Scale(d.t.x, f.baseX, 4) + rc.left, y = Scale(d.t.y, f.baseY, 8) + rc.top;
    if (!child) {
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        if (style & DS_CENTER) {
            // The work area is the whole screen.
            x = (sw - w) / 2;
            y = (sh - h) / 2;
        } else if (owner) {
            POINT o{0, 0};
            ClientToScreen(owner, &o);
            x += o.x;
            y += o.y;
        }
        // A top-level dialog stays on the screen.
        x = std::max(0, std::min(x, sw - w));
        y = std::max(0, std::min(y, sh - h));
    }
    return {x, y, x + w, y + h};
}

// Creates the template's controls in the dialog, each with the dialog's
// font, and notes the first default push button. False (the dialog
// destroyed, the error set) when a control cannot be made, unless the
// template says DS_NOFAILCREATE.
bool CreateControls(HWND dlg, const DialogDesc& d, const DialogFont& f, HINSTANCE inst) {
    int defId = 0;
    for (const ItemDesc& item : d.items) {
        std::u16string itemClass = ClassOfItem(item.cls);
        // An ordinal text (an icon's resource id) reaches the control as the
        // window name { 0xFFFF, id }, as on the device.
        char16_t ordinalName[3] = {0xFFFF, item.text.ordinal, 0};
        LPCWSTR name = item.text.isOrdinal ? ordinalName : item.text.text.c_str();
        DWORD itemStyle = (item.t.style | WS_CHILD) & ~WS_POPUP;
        HWND c = CreateWindowEx(item.t.dwExtendedStyle | WS_EX_NOPARENTNOTIFY, itemClass.c_str(), name, itemStyle,
                                Scale(item.t.x, f.baseX, 4), Scale(item.t.y, f.baseY, 8), Scale(item.t.cx, f.baseX, 4),
                                Scale(item.t.cy, f.baseY, 8), dlg,
                                reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.t.id)), inst,
                                const_cast<void*>(item.data));
        if (!c) {
            if (d.t.style & DS_NOFAILCREATE) continue;
            DWORD err = GetLastError();
            DestroyWindow(dlg);
            SetLastError(err ? err : ERROR_CANNOT_FIND_WND_CLASS);
            return false;
        }
        if (f.font) SendMessage(c, WM_SETFONT, reinterpret_cast<WPARAM>(f.font), FALSE);
        if (!defId && item.t.id && (item.t.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
            (DlgCode(c, nullptr) & DLGC_DEFPUSHBUTTON))
            defId = item.t.id;
    }
    if (defId) UpdateInfo(dlg, [&](DialogInfo& i) { i.defId = defId; });
    return true;
}

// WM_INITDIALOG, then the focus (on the first tab stop when the dialog
// procedure answers TRUE) and, for a visible template, the showing. The
// dialog, or null when its procedure destroyed it.
HWND InitDialog(HWND dlg, DWORD style, LPARAM param, bool modal) {
    HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
    LRESULT init = SendMessage(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (!IsWindow(dlg)) return nullptr;
    if (init && first && IsChild(dlg, first)) {
        UpdateInfo(dlg, [&](DialogInfo& i) { i.focus = first; });
        if (GetActiveWindow() == TopLevelOwner(dlg)) DialogFocus(dlg, first);
    }
    DialogInfo info;
    bool ended = InfoOf(dlg, &info) && info.ended;
    if ((style & WS_VISIBLE) && !(modal && ended)) {
        ShowWindow(dlg, SW_SHOWNORMAL);
        if (init && first && IsWindow(first) && !FocusedControl(dlg) && GetActiveWindow() == TopLevelOwner(dlg))
            DialogFocus(dlg, first);
    }
    return IsWindow(dlg) ? dlg : nullptr;
}

}  // namespace

HWND CreateDialogFromTemplate(HINSTANCE inst, LPCDLGTEMPLATE tmpl, HWND parent, DLGPROC proc, LPARAM param,
                              bool modal) {
    RegisterDialogClass();
    DialogDesc d;
    if (!tmpl || !Parse(tmpl, &d)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (parent && !IsWindow(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const DWORD style = d.t.style;
    const bool child = (style & WS_CHILD) != 0;
    if (child && !parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    const DialogFont f = MakeFont(d);
    HWND owner = child ? parent : TopLevelOwner(parent);
    const RECT at = PlaceDialog(d, f, owner, child);
    std::u16string cls = d.cls.isOrdinal || d.cls.text.empty() ? std::u16string(kDialogClass) : d.cls.text;
    HWND dlg = CreateWindowEx(d.t.dwExtendedStyle, cls.c_str(), d.title.text.c_str(), style & ~WS_VISIBLE, at.left,
                              at.top, at.right - at.left, at.bottom - at.top, owner, nullptr, inst, nullptr);
    if (!dlg) {
        if (f.owned) DeleteObject(f.font);
        return nullptr;
    }
    UpdateInfo(dlg, [&](DialogInfo& i) {
        i.font = f.font;
        i.ownsFont = f.owned;
        i.baseX = f.baseX;
        i.baseY = f.baseY;
        i.modal = modal;
    });
    SetWindowLong(dlg, DWL_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (f.font) SendMessage(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(f.font), FALSE);
    if (!CreateControls(dlg, d, f, inst)) return nullptr;
    return InitDialog(dlg, style, param, modal);
}

INT_PTR RunModalDialog(HINSTANCE inst, LPCDLGTEMPLATE tmpl, HWND parent, DLGPROC proc, LPARAM param) {
    if (parent && !IsWindow(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    // The owner is the top-level window of the given parent; it takes no
    // input while the dialog runs.
    HWND owner = TopLevelOwner(parent);
    bool reenable = owner && IsWindowEnabled(owner);
    if (reenable) EnableWindow(owner, FALSE);
    HWND dlg = CreateDialogFromTemplate(inst, tmpl, owner, proc, param, true);
    if (!dlg) {
        DWORD err = GetLastError();
        if (reenable) EnableWindow(owner, TRUE);
        SetLastError(err);
        return -1;
    }
    DialogInfo info;
    if (!(InfoOf(dlg, &info) && info.ended)) {
        if (!IsWindowVisible(dlg)) ShowWindow(dlg, SW_SHOWNORMAL);
        if (!FocusedControl(dlg)) RestoreFocus(dlg);
        MSG msg;
        while (IsWindow(dlg) && !(InfoOf(dlg, &info) && info.ended)) {
            if (!GetMessage(&msg, nullptr, 0, 0)) {
                // The program is ending: the quit is for the outer loop.
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!IsDialogMessage(dlg, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
    }
    INT_PTR result = InfoOf(dlg, &info) && info.ended ? info.result : -1;
    // The owner gets its input back before the dialog goes, so activation
    // returns to it. An owner that stays disabled (a modal dialog of its
    // own is still open) is not activated: the dialog's going activates the
    // next window that takes input, the outer dialog, whose focus comes back.
    if (reenable && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (IsWindow(dlg)) {
        if (owner && IsWindowEnabled(owner) && GetActiveWindow() == dlg) SetActiveWindow(owner);
        DestroyWindow(dlg);
    }
    return result;
}

}  // namespace ce::user

using namespace ce::user;

HWND CreateDialogIndirectParam(HINSTANCE inst, LPCDLGTEMPLATE tmpl, HWND parent, DLGPROC proc, LPARAM param) {
    return CreateDialogFromTemplate(inst, tmpl, parent, proc, param, false);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE inst, LPCDLGTEMPLATE tmpl, HWND parent, DLGPROC proc, LPARAM param) {
    return RunModalDialog(inst, tmpl, parent, proc, param);
}

// Ends a modal dialog's loop with `result`; a modeless dialog is hidden.
BOOL EndDialog(HWND h, INT_PTR result) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    bool modal = false;
    UpdateInfo(h, [&](DialogInfo& i) {
        i.ended = true;
        i.result = result;
        modal = i.modal;
    });
    if (!modal) ShowWindow(h, SW_HIDE);
    // Wake a loop waiting for a message.
    PostMessage(h, WM_NULL, 0, 0);
    return TRUE;
}

namespace {

// The messages whose answer is the dialog procedure's return value itself;
// for the others it answers in DWL_MSGRESULT.
bool AnswersDirectly(UINT msg) {
    switch (msg) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return true;
        default:
            return false;
    }
}

LRESULT OnEraseBkgnd(HWND h, HDC dc) {
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessage(h, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)));
    if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
    RECT rc;
    GetClientRect(h, &rc);
    FillRect(dc, &rc, brush);
    return 1;
}

// Closing is cancelling, unless the Cancel button is disabled.
LRESULT OnClose(HWND h) {
    HWND cancel = GetDlgItem(h, IDCANCEL);
    if (!cancel || IsWindowEnabled(cancel))
        PostMessage(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
    return 0;
}

// Going inactive the dialog remembers its focused control; coming back it
// gives it the focus again.
LRESULT OnActivate(HWND h, WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        if (HWND f = FocusedControl(h)) UpdateInfo(h, [&](DialogInfo& i) { i.focus = f; });
    } else {
        RestoreFocus(h);
        if (!GetFocus() || (GetFocus() != h && !IsChild(h, GetFocus()))) SetFocus(h);
    }
    return 0;
}

LRESULT OnSetFocus(HWND h) {
    RestoreFocus(h);
    return 0;
}

LRESULT OnNextDlgCtl(HWND h, WPARAM wp, LPARAM lp) {
    HWND target;
    if (LOWORD(lp))
        target = reinterpret_cast<HWND>(wp);
    else
        target = GetNextDlgTabItem(h, FocusedControl(h), wp ? TRUE : FALSE);
    if (target && IsChild(h, target)) DialogFocus(h, target);
    return 0;
}

LRESULT GetDefId(HWND h) {
    DialogInfo info;
    if (InfoOf(h, &info) && info.defId) return MAKELRESULT(info.defId, DC_HASDEFID);
    return 0;
}

LRESULT SetDefId(HWND h, int id) {
    DialogInfo info;
    int old = InfoOf(h, &info) ? info.defId : 0;
    UpdateInfo(h, [&](DialogInfo& i) { i.defId = id; });
    if (old && old != id) SetButtonDefault(GetDlgItem(h, old), false);
    if (id) SetButtonDefault(GetDlgItem(h, id), true);
    return TRUE;
}

// A font the program sets stays the program's; the template's font is still
// freed with the dialog.
LRESULT OnSetFont(HWND h, HFONT font) {
    UpdateInfo(h, [&](DialogInfo& i) {
        if (i.ownsFont && !i.extraFont && i.font && i.font != font) i.extraFont = i.font;
        i.font = font;
        if (i.extraFont == i.font) i.extraFont = nullptr;
    });
    return 0;
}

LRESULT OnGetFont(HWND h) {
    DialogInfo info;
    return InfoOf(h, &info) ? reinterpret_cast<LRESULT>(info.font) : 0;
}

LRESULT OnNcDestroy(HWND h) {
    ForgetDialog(h);
    return 0;
}

}  // namespace

LRESULT DefDlgProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (auto proc = reinterpret_cast<DLGPROC>(GetWindowLong(h, DWL_DLGPROC))) {
        SetWindowLong(h, DWL_MSGRESULT, 0);
        if (INT_PTR r = proc(h, msg, wp, lp))
            return AnswersDirectly(msg) ? r : IsWindow(h) ? GetWindowLong(h, DWL_MSGRESULT) : 0;
        if (!IsWindow(h)) return 0;
    }
    switch (msg) {
        case WM_INITDIALOG:
            return FALSE;
        case WM_ERASEBKGND:
            return OnEraseBkgnd(h, reinterpret_cast<HDC>(wp));
        case WM_CLOSE:
            return OnClose(h);
        case WM_ACTIVATE:
            return OnActivate(h, wp);
        case WM_SETFOCUS:
            return OnSetFocus(h);
        case WM_NEXTDLGCTL:
            return OnNextDlgCtl(h, wp, lp);
        case DM_GETDEFID:
            return GetDefId(h);
        case DM_SETDEFID:
            return SetDefId(h, static_cast<int>(wp));
        case WM_SETFONT:
            return OnSetFont(h, reinterpret_cast<HFONT>(wp));
        case WM_GETFONT:
            return OnGetFont(h);
        case WM_NCDESTROY:
            return OnNcDestroy(h);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

BOOL IsDialogMessage(HWND dlg, LPMSG m) {
    if (!m || !dlg || !IsWindow(dlg)) return FALSE;
    if (m->hwnd != dlg && !IsChild(dlg, m->hwnd)) return FALSE;
    if (m->message == WM_KEYDOWN) {
        UINT code = DlgCode(m->hwnd, m);
        if (!(code & DLGC_WANTALLKEYS)) {
            switch (m->wParam) {
                case VK_TAB:
                    if (code & DLGC_WANTTAB) break;
                    if (HWND next = GetNextDlgTabItem(dlg, FocusedControl(dlg), (GetKeyState(VK_SHIFT) & 0x8000) != 0))
                        DialogFocus(dlg, next);
                    return TRUE;
                case VK_LEFT:
                case VK_UP:
                case VK_RIGHT:
                case VK_DOWN: {
                    if (code & DLGC_WANTARROWS) break;
                    HWND cur = FocusedControl(dlg);
                    if (!cur) return TRUE;
                    bool back = m->wParam == VK_LEFT || m->wParam == VK_UP;
                    HWND next = GetNextDlgGroupItem(dlg, ChildOf(dlg, cur), back ? TRUE : FALSE);
                    if (next && next != ChildOf(dlg, cur)) {
                        DialogFocus(dlg, next);
                        // In a group of radio buttons the arrows also choose.
                        if (DlgCode(next, nullptr) & DLGC_RADIOBUTTON) SendMessage(next, BM_CLICK, 0, 0);
                    }
                    return TRUE;
                }
                case VK_RETURN: {
                    int id;
                    HWND f = FocusedControl(dlg);
                    if (f && (DlgCode(f, nullptr) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
                        id = GetDlgCtrlID(f);
                    } else {
                        LRESULT def = SendMessage(dlg, DM_GETDEFID, 0, 0);
                        id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                    }
                    HWND button = GetDlgItem(dlg, id);
                    if (button && !IsWindowEnabled(button)) return TRUE;
                    SendMessage(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
                    return TRUE;
                }
                case VK_ESCAPE: {
                    HWND button = GetDlgItem(dlg, IDCANCEL);
                    if (button && !IsWindowEnabled(button)) return TRUE;
                    SendMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(button));
                    return TRUE;
                }
                default:
                    break;
            }
        }
    }
    TranslateMessage(m);
    DispatchMessage(m);
    return TRUE;
}

LRESULT SendDlgItemMessage(HWND dlg, int id, UINT msg, WPARAM wp, LPARAM lp) {
    HWND c = GetDlgItem(dlg, id);
    return c ? SendMessage(c, msg, wp, lp) : 0;
}

BOOL SetDlgItemText(HWND dlg, int id, LPCWSTR text) {
    HWND c = GetDlgItem(dlg, id);
    return c ? SetWindowText(c, text) : FALSE;
}

UINT GetDlgItemText(HWND dlg, int id, LPWSTR buf, int max) {
    if (buf && max > 0) buf[0] = 0;
    HWND c = GetDlgItem(dlg, id);
    return c ? static_cast<UINT>(GetWindowText(c, buf, max)) : 0;
}

BOOL SetDlgItemInt(HWND dlg, int id, UINT value, BOOL isSigned) {
    std::u16string s;
    bool neg = isSigned && static_cast<int>(value) < 0;
    uint64_t v = neg ? uint64_t{0} - static_cast<int64_t>(static_cast<int>(value)) : value;
    do {
        s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
        v /= 10;
    } while (v);
    if (neg) s.insert(s.begin(), u'-');
    return SetDlgItemText(dlg, id, s.c_str());
}

// Reads an optional sign (signed only) and decimal digits, with leading and
// trailing blanks; anything else, or a value out of range, fails.
UINT GetDlgItemInt(HWND dlg, int id, BOOL* ok, BOOL isSigned) {
    if (ok) *ok = FALSE;
    WCHAR buf[64];
    HWND c = GetDlgItem(dlg, id);
    if (!c) return 0;
    int n = GetWindowText(c, buf, 64);
    int i = 0;
    while (i < n && buf[i] == u' ') ++i;
    bool neg = false;
    if (isSigned && i < n && (buf[i] == u'-' || buf[i] == u'+')) neg = buf[i++] == u'-';
    int digits = 0;
    uint64_t v = 0;
    for (; i < n && buf[i] >= u'0' && buf[i] <= u'9'; ++i, ++digits) {
        v = v * 10 + static_cast<uint64_t>(buf[i] - u'0');
        if (v > 0xFFFFFFFFull) return 0;
    }
    while (i < n && buf[i] == u' ') ++i;
    if (!digits || i != n) return 0;
    if (isSigned) {
        if (neg ? v > 0x80000000ull : v > 0x7FFFFFFFull) return 0;
        if (ok) *ok = TRUE;
        return neg ? static_cast<UINT>(-static_cast<int64_t>(v)) : static_cast<UINT>(v);
    }
    if (ok) *ok = TRUE;
    return static_cast<UINT>(v);
}

BOOL CheckDlgButton(HWND dlg, int id, UINT check) {
    HWND c = GetDlgItem(dlg, id);
    if (!c) return FALSE;
    SendMessage(c, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dlg, int id) {
    HWND c = GetDlgItem(dlg, id);
    return c ? static_cast<UINT>(SendMessage(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dlg, int first, int last, int check) {
    if (!IsWindow(dlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (HWND c : Children(dlg)) {
        int id = GetDlgCtrlID(c);
        if (id >= first && id <= last) SendMessage(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

BOOL MapDialogRect(HWND dlg, LPRECT r) {
    if (!r) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWindow(dlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    DialogInfo info;
    int bx, by;
    if (InfoOf(dlg, &info) && info.baseX) {
        bx = info.baseX, by = info.baseY;
    } else {
        LONG units = GetDialogBaseUnits();
        bx = LOWORD(units), by = HIWORD(units);
    }
    r->left = Scale(r->left, bx, 4);
    r->right = Scale(r->right, bx, 4);
    r->top = Scale(r->top, by, 8);
    r->bottom = Scale(r->bottom, by, 8);
    return TRUE;
}

// The base units of the system font.
LONG GetDialogBaseUnits() {
    auto [x, y] = BaseUnitsOf(nullptr);
    return static_cast<LONG>(MAKELONG(x, y));
}

// The next (or previous) control after hCtl, cyclically, that has
// WS_TABSTOP and is visible and enabled; with hCtl NULL the first (or last).
HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous) {
    if (!IsWindow(dlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::vector<HWND> kids = Children(dlg);
    if (kids.empty()) return nullptr;
    if (previous) std::reverse(kids.begin(), kids.end());
    ctl = ctl ? ChildOf(dlg, ctl) : nullptr;
    auto at = std::find(kids.begin(), kids.end(), ctl);
    size_t start = at == kids.end() ? kids.size() - 1 : static_cast<size_t>(at - kids.begin());
    for (size_t k = 1; k <= kids.size(); ++k) {
        HWND c = kids[(start + k) % kids.size()];
        if ((GetWindowLong(c, GWL_STYLE) & WS_TABSTOP) && Usable(c)) return c;
    }
    return ctl;
}

// The next (or previous) visible, enabled control of hCtl's group, wrapping
// within the group. A group starts at a control with WS_GROUP and runs up to
// the next one.
HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous) {
    if (!IsWindow(dlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::vector<HWND> kids = Children(dlg);
    if (kids.empty()) return nullptr;
    ctl = ctl ? ChildOf(dlg, ctl) : nullptr;
    auto at = std::find(kids.begin(), kids.end(), ctl);
    size_t pos = at == kids.end() ? 0 : static_cast<size_t>(at - kids.begin());
    auto groupStart = [&](size_t i) { return (GetWindowLong(kids[i], GWL_STYLE) & WS_GROUP) != 0; };
    size_t first = pos;
    while (first > 0 && !groupStart(first)) --first;
    size_t end = pos + 1;
    while (end < kids.size() && !groupStart(end)) ++end;
    const size_t n = end - first;
    for (size_t k = 1; k <= n; ++k) {
        size_t off = previous ? (pos - first + n - k % n) % n : (pos - first + k) % n;
        HWND c = kids[first + off];
        if (Usable(c)) return c;
    }
    return ctl;
}
