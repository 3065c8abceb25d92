// The "Edit" control: one line of text the user types into, or a multi-line
// text (ES_MULTILINE) with "\r\n" line breaks, word-wrapped unless it has
// ES_AUTOHSCROLL, with its own vertical scroll bar under WS_VSCROLL.
//
// The text lives in the control (and is mirrored into the window text for
// the host's view of the screen). The selection is an anchor and the caret;
// EM_GETSEL reports it ordered. A single line with ES_AUTOHSCROLL scrolls
// sideways to keep the caret in view; without it, a character that would
// not fit in the width is refused like one beyond the limit (EN_MAXTEXT).
//
// Changes by the user and by EM_REPLACESEL tell the parent EN_UPDATE and
// then EN_CHANGE; WM_SETTEXT does so for a single line only (as documented
// on Win32) and ignores the limit. Read-only and disabled edits ask their
// colours with WM_CTLCOLORSTATIC, the others with WM_CTLCOLOREDIT.
//
// The caret is a 1-pixel line in the text colour while the control has the
// focus (it does not blink). Single lines are centred vertically in their
// window; multi-line text starts at the top.
//
// In a dialog the control wants characters and arrows; a multi-line edit
// with ES_WANTRETURN wants every key but Escape and Tab (Enter makes a new
// line), otherwise Enter and Escape stay with the dialog.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ce_comctl.h"
#include "scrollbar.h"

namespace {

using ce::comctl::ClientBarRect;
using ce::comctl::Lifeline;
using ce::comctl::ScrollBarModel;
using ce::comctl::ScrollRequest;
using ce::comctl::ScrollTarget;

constexpr int kDefaultLimit = 30000;
constexpr int kMaxLimit = 0x7FFFFFFE;
constexpr int kMarginX = 2;
constexpr int kMarginY = 1;

struct Line {
    int start;
    int len;  // without the line break
};

struct EditData {
    std::u16string text;
    int anchor = 0;
    int caret = 0;
    int limit = kDefaultLimit;
    int xOffset = 0;    // pixels scrolled off at the left
    int firstLine = 0;  // multi-line: the top line shown
    HFONT font = nullptr;
    WCHAR password = 0;
    bool focus = false;
    bool dragging = false;  // selecting with the stylus
    bool modified = false;
    ScrollBarModel vbar{true};
    std::vector<Line> lines{{0, 0}};
};

constexpr int kDataSlot = 0;

EditData* DataOf(HWND h) {
    return reinterpret_cast<EditData*>(GetWindowLong(h, kDataSlot));
}
DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
}
bool IsMulti(HWND h) {
    return (StyleOf(h) & ES_MULTILINE) != 0;
}
bool HasBar(HWND h) {
    return (StyleOf(h) & (ES_MULTILINE | WS_VSCROLL)) == (ES_MULTILINE | WS_VSCROLL);
}
int SelStart(const EditData& d) {
    return std::min(d.anchor, d.caret);
}
int SelEnd(const EditData& d) {
    return std::max(d.anchor, d.caret);
}
int Len(const EditData& d) {
    return static_cast<int>(d.text.size());
}

// A DC of the control with its font selected, for measuring.
class Measure {
public:
    Measure(HWND h, const EditData& d) : h_(h), dc_(GetDC(h)) {
        if (dc_ && d.font) old_ = SelectObject(dc_, d.font);
        TEXTMETRICW tm{};
        if (dc_ && GetTextMetrics(dc_, &tm)) lineHeight_ = std::max<int>(1, tm.tmHeight);
    }
    ~Measure() {
        if (old_) SelectObject(dc_, old_);
        if (dc_) ReleaseDC(h_, dc_);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    int Width(const char16_t* s, int n) const {
        if (!dc_ || n <= 0) return 0;
        SIZE sz{0, 0};
        GetTextExtentPoint32(dc_, s, n, &sz);
        return sz.cx;
    }
    int LineHeight() const { return lineHeight_; }

private:
    HWND h_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
    int lineHeight_ = 16;
};

// ---- Geometry -----------------------------------------------------------------------------

// The client area without the scroll bar.
RECT TextArea(HWND h) {
    RECT rc;
    GetClientRect(h, &rc);
    if (HasBar(h)) rc.right = ClientBarRect(h).left;
    return rc;
}

RECT FormatRect(HWND h) {
    RECT rc = TextArea(h);
    rc.left += kMarginX;
    rc.right = std::max(rc.left, rc.right - kMarginX);
    rc.top += kMarginY;
    rc.bottom = std::max(rc.top, rc.bottom - kMarginY);
    return rc;
}

int VisibleLines(HWND h, const Measure& m) {
    RECT fr = FormatRect(h);
    return std::max(1, static_cast<int>(fr.bottom - fr.top) / m.LineHeight());
}

// What a line shows (password characters instead of the text).
std::u16string Shown(const EditData& d, const Line& l) {
    if (d.password) return std::u16string(static_cast<size_t>(l.len), d.password);
    return d.text.substr(static_cast<size_t>(l.start), static_cast<size_t>(l.len));
}

int LineOf(const EditData& d, int index) {
    auto it = std::upper_bound(d.lines.begin(), d.lines.end(), index, [](int i, const Line& l) { return i < l.start; });
    return std::max(0, static_cast<int>(it - d.lines.begin()) - 1);
}

int LineWidth(const EditData& d, const Measure& m, int line) {
    auto s = Shown(d, d.lines[static_cast<size_t>(line)]);
    return m.Width(s.data(), static_cast<int>(s.size()));
}

int LineOriginX(HWND h, const EditData& d, const Measure& m, int line) {
    RECT fr = FormatRect(h);
    int w = fr.right - fr.left;
    int lw = LineWidth(d, m, line);
    int x = fr.left - d.xOffset;
    if (lw < w) {
        DWORD align = StyleOf(h) & (ES_CENTER | ES_RIGHT);
        if (align == ES_CENTER) x += (w - lw) / 2;
        if (align == ES_RIGHT) x += w - lw;
    }
    return x;
}

int LineY(HWND h, const EditData& d, const Measure& m, int line) {
    RECT fr = FormatRect(h);
    if (IsMulti(h)) return fr.top + (line - d.firstLine) * m.LineHeight();
    int spare = (fr.bottom - fr.top) - m.LineHeight();
    return fr.top + std::max(0, spare / 2);
}

// X of the position before `index` in its line.
int XOf(HWND h, const EditData& d, const Measure& m, int index) {
    int line = LineOf(d, index);
    const Line& l = d.lines[static_cast<size_t>(line)];
    auto s = Shown(d, l);
    int n = std::clamp(index - l.start, 0, l.len);
    return LineOriginX(h, d, m, line) + m.Width(s.data(), n);
}

// The text position nearest to a point.
int IndexFromPoint(HWND h, const EditData& d, const Measure& m, POINT p) {
    int line = 0;
    if (IsMulti(h)) {
        RECT fr = FormatRect(h);
        int dy = p.y - fr.top;
        int rel = dy < 0 ? -1 - (-dy - 1) / m.LineHeight() : dy / m.LineHeight();
        line = std::clamp(d.firstLine + rel, 0, static_cast<int>(d.lines.size()) - 1);
    }
    const Line& l = d.lines[static_cast<size_t>(line)];
    auto s = Shown(d, l);
    int x = p.x - LineOriginX(h, d, m, line);
    // The first position at or right of x, then the nearer of it and the one before.
    int lo = 0, hi = l.len;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (m.Width(s.data(), mid) < x)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo > 0) {
        int right = m.Width(s.data(), lo), left = m.Width(s.data(), lo - 1);
        if (x - left < right - x) --lo;
    }
    return l.start + lo;
}

// ---- Layout and scrolling -----------------------------------------------------------------

void SyncBar(HWND h, EditData& d, const Measure& m) {
    SCROLLINFO si{sizeof si,
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  static_cast<int>(d.lines.size()) - 1,
                  static_cast<UINT>(VisibleLines(h, m)),
                  d.firstLine,
                  0};
    d.vbar.SetInfo(si);
}

void ClampFirstLine(HWND h, EditData& d, const Measure& m) {
    int last = std::max(0, static_cast<int>(d.lines.size()) - VisibleLines(h, m));
    d.firstLine = std::clamp(d.firstLine, 0, last);
    SyncBar(h, d, m);
}

// Breaks the text into lines: at "\r\n", and at the width of the format
// rectangle (after the last space that fits, else after the last character
// that fits) when a multi-line edit has no ES_AUTOHSCROLL.
void Relayout(HWND h, EditData& d, const Measure& m) {
    d.lines.clear();
    if (!IsMulti(h)) {
        d.lines.push_back({0, Len(d)});
        return;
    }
    RECT fr = FormatRect(h);
    int width = fr.right - fr.left;
    bool wrap = !(StyleOf(h) & ES_AUTOHSCROLL) && width > 0;
    const std::u16string& t = d.text;
    size_t p = 0;
    for (;;) {
        size_t br = t.find(u"\r\n", p);
        int end = static_cast<int>(br == std::u16string::npos ? t.size() : br);
        int s = static_cast<int>(p);
        // No character is narrower than a pixel: more than `width + 1` never fit,
        // which keeps every measurement short in long paragraphs.
        auto span = [&] { return std::min(end - s, width + 1); };
        while (wrap && m.Width(t.data() + s, span()) > width) {
            // The most characters from s that fit (at least one).
            int lo = 1, hi = span();
            while (lo < hi) {
                int mid = (lo + hi + 1) / 2;
                if (m.Width(t.data() + s, mid) <= width)
                    lo = mid;
                else
                    hi = mid - 1;
            }
            int cut = s + lo;
            for (int k = std::min(cut, end - 1); k > s; --k)
                if (t[static_cast<size_t>(k)] == u' ') {
                    cut = k + 1;
                    break;
                }
            d.lines.push_back({s, cut - s});
            s = cut;
        }
        d.lines.push_back({s, end - s});
        if (br == std::u16string::npos) break;
        p = br + 2;
    }
    ClampFirstLine(h, d, m);
}

// Scrolls sideways (ES_AUTOHSCROLL) and, when asked, up or down so that the
// caret shows; no space is left right of the text's end.
void EnsureCaretVisible(HWND h, EditData& d, const Measure& m, bool vertical) {
    int line = LineOf(d, d.caret);
    if (StyleOf(h) & ES_AUTOHSCROLL) {
        RECT fr = FormatRect(h);
        int w = std::max(1, static_cast<int>(fr.right - fr.left));
        int textW = LineWidth(d, m, line);
        const Line& l = d.lines[static_cast<size_t>(line)];
        auto s = Shown(d, l);
        int caretX = m.Width(s.data(), std::clamp(d.caret - l.start, 0, l.len));
        d.xOffset = std::min(d.xOffset, std::max(0, textW + 1 - w));
        if (caretX < d.xOffset) d.xOffset = caretX;
        if (caretX >= d.xOffset + w) d.xOffset = caretX - w + 1;
        d.xOffset = std::max(0, d.xOffset);
    } else {
        d.xOffset = 0;
    }
    if (vertical && IsMulti(h)) {
        int visible = VisibleLines(h, m);
        if (line < d.firstLine) d.firstLine = line;
        if (line >= d.firstLine + visible) d.firstLine = line - visible + 1;
        ClampFirstLine(h, d, m);
    }
}

// Breaks the text into lines again and keeps the caret in view (scrolling
// up or down too when `vertical`).
void Reflow(HWND h, EditData& d, const Measure& m, bool vertical) {
    Relayout(h, d, m);
    EnsureCaretVisible(h, d, m, vertical);
}
void Reflow(HWND h, EditData& d) {
    Measure m(h, d);
    Reflow(h, d, m, false);
}

void Notify(HWND h, WORD code) {
    if (HWND parent = GetParent(h))
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), code), reinterpret_cast<LPARAM>(h));
}

// Scrolls a multi-line edit so that `first` is the top line. Returns the
// lines scrolled (negative: up).
int ScrollTo(HWND h, EditData& d, int first) {
    Measure m(h, d);
    int old = d.firstLine;
    d.firstLine = first;
    ClampFirstLine(h, d, m);
    int moved = d.firstLine - old;
    if (moved) {
        InvalidateRect(h, nullptr, TRUE);
        Notify(h, EN_VSCROLL);
    }
    return moved;
}

// A scroll request (from the bar, WM_VSCROLL or EM_SCROLL). Returns the lines scrolled.
int ApplyScroll(HWND h, EditData& d, int code, int pos) {
    if (!IsMulti(h)) return 0;
    int page = 1;
    {
        Measure m(h, d);
        page = VisibleLines(h, m);
    }
    auto to = ScrollTarget(code, pos, d.firstLine, 1, page, static_cast<int>(d.lines.size()));
    return to ? ScrollTo(h, d, *to) : 0;
}

// ---- Changing the text --------------------------------------------------------------------

void MirrorText(HWND h, const EditData& d) {
    DefWindowProc(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(d.text.c_str()));
}

// Keeps an index off the middle of a "\r\n".
int Snap(const EditData& d, int i) {
    i = std::clamp(i, 0, Len(d));
    if (i > 0 && i < Len(d) && d.text[static_cast<size_t>(i - 1)] == u'\r' && d.text[static_cast<size_t>(i)] == u'\n')
        --i;
    return i;
}
int Prev(const EditData& d, int i) {
    if (i <= 0) return 0;
    if (i >= 2 && d.text[static_cast<size_t>(i - 1)] == u'\n' && d.text[static_cast<size_t>(i - 2)] == u'\r')
        return i - 2;
    return i - 1;
}
int Next(const EditData& d, int i) {
    if (i >= Len(d)) return Len(d);
    if (i + 1 < Len(d) && d.text[static_cast<size_t>(i)] == u'\r' && d.text[static_cast<size_t>(i + 1)] == u'\n')
        return i + 2;
    return i + 1;
}

// Replaces [from, to) with `ins` as the user would: within the limit (what
// does not fit is cut off and the parent hears EN_MAXTEXT), and for a single
// line without ES_AUTOHSCROLL within the width. The caret ends after the
// inserted text. False when nothing changed.
bool Replace(HWND h, EditData& d, int from, int to, std::u16string_view ins) {
    from = Snap(d, from);
    to = Snap(d, std::max(from, to));
    bool refused = false;
    int64_t room = static_cast<int64_t>(d.limit) - (Len(d) - (to - from));
    if (static_cast<int64_t>(ins.size()) > room) {
        ins = ins.substr(0, static_cast<size_t>(std::max<int64_t>(room, 0)));
        if (!ins.empty() && ins.back() == u'\r') ins.remove_suffix(1);  // never half a line break
        refused = true;
    }
    std::u16string next = d.text;
    next.replace(static_cast<size_t>(from), static_cast<size_t>(to - from), ins);
    {
        Measure m(h, d);
        if (!IsMulti(h) && !(StyleOf(h) & ES_AUTOHSCROLL) && !ins.empty()) {
            RECT fr = FormatRect(h);
            std::u16string shown = d.password ? std::u16string(next.size(), d.password) : next;
            if (m.Width(shown.data(), static_cast<int>(shown.size())) > fr.right - fr.left) {
                ins = {};
                next = d.text;
                next.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
                refused = true;
            }
        }
        bool changed = next != d.text;
        if (!changed && !ins.empty() && !refused) {
            // A character typed over a selection of that same character: the
            // text stays, the selection goes and the caret moves past it.
            d.caret = d.anchor = from + static_cast<int>(ins.size());
            EnsureCaretVisible(h, d, m, true);
            InvalidateRect(h, nullptr, TRUE);
            return false;
        }
        if (changed) {
            d.text = std::move(next);
            d.caret = d.anchor = from + static_cast<int>(ins.size());
            d.modified = true;
            Reflow(h, d, m, true);
            MirrorText(h, d);
        }
        if (!changed && !refused) return false;
        if (changed) InvalidateRect(h, nullptr, TRUE);
        if (!changed) {
            Notify(h, EN_MAXTEXT);
            return false;
        }
    }
    Lifeline life(h);
    Notify(h, EN_UPDATE);
    if (life) Notify(h, EN_CHANGE);
    if (life && refused) Notify(h, EN_MAXTEXT);
    return true;
}

void SetText(HWND h, EditData& d, LPCWSTR s) {
    size_t n = 0;
    if (s)
        while (n < static_cast<size_t>(kMaxLimit) && s[n]) ++n;
    d.text.assign(s ? s : u"", n);
    d.anchor = d.caret = 0;
    d.xOffset = 0;
    d.firstLine = 0;
    d.modified = false;
    Measure m(h, d);
    Relayout(h, d, m);
}

// Moves the caret (extending the selection when asked).
void MoveCaret(HWND h, EditData& d, int to, bool extend) {
    d.caret = Snap(d, to);
    if (!extend) d.anchor = d.caret;
    Measure m(h, d);
    EnsureCaretVisible(h, d, m, true);
    InvalidateRect(h, nullptr, TRUE);
}

WCHAR Cased(DWORD style, WCHAR c) {
    if ((style & ES_UPPERCASE) && ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))) return c - 0x20;
    if ((style & ES_LOWERCASE) && ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))) return c + 0x20;
    return c;
}

LRESULT OnChar(HWND h, EditData& d, WCHAR c) {
    DWORD style = StyleOf(h);
    if (style & ES_READONLY) return 0;
    if (c == VK_BACK) {
        if (SelStart(d) != SelEnd(d))
            Replace(h, d, SelStart(d), SelEnd(d), {});
        else if (d.caret > 0)
            Replace(h, d, Prev(d, d.caret), d.caret, {});
        return 0;
    }
    if (c == u'\r') {
        if (style & ES_MULTILINE) Replace(h, d, SelStart(d), SelEnd(d), u"\r\n");
        return 0;
    }
    if (c < 0x20) return 0;  // other control characters make no text
    if ((style & ES_NUMBER) && (c < u'0' || c > u'9')) return 0;
    WCHAR ch = Cased(style, c);
    Replace(h, d, SelStart(d), SelEnd(d), std::u16string_view(&ch, 1));
    return 0;
}

LRESULT OnKey(HWND h, EditData& d, UINT vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0;
    bool multi = IsMulti(h);
    bool hasSel = d.anchor != d.caret;
    int line = LineOf(d, d.caret);
    const Line& l = d.lines[static_cast<size_t>(line)];
    switch (vk) {
        case VK_LEFT:
            MoveCaret(h, d, !shift && hasSel ? SelStart(d) : Prev(d, d.caret), shift);
            break;
        case VK_RIGHT:
            MoveCaret(h, d, !shift && hasSel ? SelEnd(d) : Next(d, d.caret), shift);
            break;
        case VK_HOME:
            MoveCaret(h, d, multi ? l.start : 0, shift);
            break;
        case VK_END:
            MoveCaret(h, d, multi ? l.start + l.len : Len(d), shift);
            break;
        case VK_UP:
        case VK_DOWN: {
            if (!multi) {
                MoveCaret(h, d, vk == VK_UP ? Prev(d, d.caret) : Next(d, d.caret), shift);
                break;
            }
            int target = line + (vk == VK_UP ? -1 : 1);
            if (target < 0 || target >= static_cast<int>(d.lines.size())) break;
            int to;
            {
                // The same x on the target line (which need not be visible).
                Measure m(h, d);
                const Line& t = d.lines[static_cast<size_t>(target)];
                auto s = Shown(d, t);
                int x = XOf(h, d, m, d.caret) - LineOriginX(h, d, m, target);
                int n = 0;
                while (n < t.len && m.Width(s.data(), n + 1) <= x) ++n;
                to = t.start + n;
            }
            MoveCaret(h, d, to, shift);
            break;
        }
        case VK_PRIOR:
            ApplyScroll(h, d, SB_PAGEUP, 0);
            break;
        case VK_NEXT:
            ApplyScroll(h, d, SB_PAGEDOWN, 0);
            break;
        case VK_DELETE:
            if (StyleOf(h) & ES_READONLY) break;
            if (hasSel)
                Replace(h, d, SelStart(d), SelEnd(d), {});
            else if (d.caret < Len(d))
                Replace(h, d, d.caret, Next(d, d.caret), {});
            break;
        default:
            break;
    }
    return 0;
}

// ---- Painting -----------------------------------------------------------------------------

bool Hollow(HBRUSH b) {
    if (!b || b == GetStockObject(NULL_BRUSH)) return true;
    LOGBRUSH lb{};
    return GetObject(b, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_NULL;
}

void Paint(HWND h, HDC dc, EditData& d) {
    DWORD style = StyleOf(h);
    bool enabled = IsWindowEnabled(h) != FALSE;
    if (HasBar(h)) {
        RECT bar = ClientBarRect(h);
        d.vbar.Draw(dc, bar, enabled);
        ExcludeClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
    }
    RECT area = TextArea(h);
    HWND parent = GetParent(h);
    UINT ask = (style & ES_READONLY) || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(
                                SendMessage(parent, ask, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)))
                          : nullptr;
    if (!parent) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        brush = GetSysColorBrush(COLOR_WINDOW);
    }
    if (!Hollow(brush)) FillRect(dc, &area, brush);
    if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    COLORREF textColor = GetTextColor(dc);

    Measure m(h, d);
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    RECT fr = FormatRect(h);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    bool showSel = d.focus || (style & ES_NOHIDESEL);
    int s0 = SelStart(d), s1 = SelEnd(d);
    int lh = m.LineHeight();
    int first = IsMulti(h) ? d.firstLine : 0;
    for (int i = first; i < static_cast<int>(d.lines.size()); ++i) {
        int y = LineY(h, d, m, i);
        if (y >= fr.bottom) break;
        const Line& l = d.lines[static_cast<size_t>(i)];
        auto s = Shown(d, l);
        int x = LineOriginX(h, d, m, i);
        SetTextColor(dc, textColor);
        ExtTextOut(dc, x, y, 0, nullptr, s.data(), static_cast<UINT>(s.size()), nullptr);
        int a = std::clamp(s0 - l.start, 0, l.len), b = std::clamp(s1 - l.start, 0, l.len);
        if (showSel && a < b) {
            int xa = x + m.Width(s.data(), a), xb = x + m.Width(s.data(), b);
            RECT sel{xa, y, xb, y + lh};
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
            ExtTextOut(dc, xa, y, ETO_OPAQUE | ETO_CLIPPED, &sel, s.data() + a, static_cast<UINT>(b - a), nullptr);
        }
    }
    if (d.focus) {
        int line = LineOf(d, d.caret);
        int y = LineY(h, d, m, line);
        if (!IsMulti(h) || (line >= d.firstLine && y < fr.bottom)) {
            int x = std::clamp(XOf(h, d, m, d.caret), static_cast<int>(fr.left), static_cast<int>(fr.right) - 1);
            HBRUSH caret = CreateSolidBrush(textColor);
            RECT c{x, y, x + 1, y + lh};
            FillRect(dc, &c, caret);
            DeleteObject(caret);
        }
    }
    if (oldFont) SelectObject(dc, oldFont);
}

// ---- Messages -------------------------------------------------------------------------------

int IntOf(WPARAM v) {
    return static_cast<int>(static_cast<uint32_t>(v));
}

LRESULT OnGetSel(const EditData& d, WPARAM wp, LPARAM lp) {
    auto s = static_cast<DWORD>(SelStart(d)), e = static_cast<DWORD>(SelEnd(d));
    if (auto* ps = reinterpret_cast<DWORD*>(wp)) *ps = s;
    if (auto* pe = reinterpret_cast<DWORD*>(lp)) *pe = e;
    if (s > 0xFFFF || e > 0xFFFF) return -1;
    return MAKELRESULT(s, e);
}

// EM_SETSEL: a start of -1 removes the selection; an end (or start) below 0
// or past the text means the text's end, so (0, -1) selects everything.
LRESULT OnSetSel(HWND h, EditData& d, int s, int e) {
    if (s == -1) {
        d.anchor = d.caret;
    } else {
        if (s < 0 || s > Len(d)) s = Len(d);
        if (e < 0 || e > Len(d)) e = Len(d);
        d.anchor = Snap(d, s);
        d.caret = Snap(d, e);
    }
    Measure m(h, d);
    EnsureCaretVisible(h, d, m, false);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnLineLength(const EditData& d, int index) {
    if (index == -1) {
        int s0 = SelStart(d), s1 = SelEnd(d);
        const Line& a = d.lines[static_cast<size_t>(LineOf(d, s0))];
        if (s0 == s1) return a.len;
        const Line& b = d.lines[static_cast<size_t>(LineOf(d, s1))];
        return (s0 - a.start) + std::max(0, b.start + b.len - s1);
    }
    if (index < 0) return 0;
    return d.lines[static_cast<size_t>(LineOf(d, std::min(index, Len(d))))].len;
}

LRESULT OnGetLine(const EditData& d, bool multi, int line, LPWSTR buf) {
    if (!buf) return 0;
    int max = static_cast<WORD>(buf[0]);
    if (!multi) line = 0;
    if (line < 0 || line >= static_cast<int>(d.lines.size())) return 0;
    const Line& l = d.lines[static_cast<size_t>(line)];
    int n = std::min(l.len, max);
    std::copy_n(d.text.data() + l.start, n, buf);
    if (n < max) buf[n] = 0;
    return n;
}

LRESULT OnWindowScrollInfo(HWND h, EditData& d, WPARAM wp, LPARAM lp) {
    auto* si = reinterpret_cast<SCROLLINFO*>(lp);
    if (!si || !HasBar(h) || LOWORD(wp) != SB_VERT) return DefWindowProc(h, ce::comctl::kWmWindowScrollInfo, wp, lp);
    if (HIWORD(wp) & ce::comctl::kScrollInfoSet) {
        // The bar follows the text; a program may move the position only.
        if (si->fMask & SIF_POS) ScrollTo(h, d, si->nPos);
        return d.vbar.Pos();
    }
    d.vbar.GetInfo(*si);
    return TRUE;
}

// ---- Window messages ------------------------------------------------------------------------

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    auto* data = new EditData;
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(data));
    if (cs && (cs->style & ES_PASSWORD) && !(cs->style & ES_MULTILINE)) data->password = u'*';
    if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) SetText(h, *data, cs->lpszName);
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, EditData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

// WM_CREATE, WM_SIZE, WM_STYLECHANGED: the lines follow the window and style.
LRESULT OnReshape(HWND h, EditData& d) {
    Reflow(h, d);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnGetDlgCode(HWND h, const MSG* m) {
    LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    // Enter makes a new line; Escape and Tab still close the dialog
    // and move to the next control, as in any other edit.
    bool dialogKey = m && m->message == WM_KEYDOWN && (m->wParam == VK_ESCAPE || m->wParam == VK_TAB);
    if ((StyleOf(h) & (ES_MULTILINE | ES_WANTRETURN)) == (ES_MULTILINE | ES_WANTRETURN) && !dialogKey)
        code |= DLGC_WANTALLKEYS;
    return code;
}

LRESULT OnSetFont(HWND h, EditData& d, HFONT font, bool redraw) {
    d.font = font;
    Reflow(h, d);
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return 0;
}

// WM_SETTEXT tells the parent of a single line's change only.
LRESULT OnSetText(HWND h, EditData& d, LPCWSTR s) {
    SetText(h, d, s);
    MirrorText(h, d);
    InvalidateRect(h, nullptr, TRUE);
    if (IsMulti(h)) return TRUE;
    Lifeline life(h);
    Notify(h, EN_UPDATE);
    if (life) Notify(h, EN_CHANGE);
    return TRUE;
}

LRESULT OnGetText(const EditData& d, WPARAM size, LPWSTR buf) {
    if (!buf || size == 0) return 0;
    size_t n = std::min<size_t>(d.text.size(), size - 1);
    std::copy_n(d.text.data(), n, buf);
    buf[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT OnVScroll(HWND h, EditData& d, int code, int pos) {
    ApplyScroll(h, d, code, pos);
    return 0;
}

LRESULT OnPaint(HWND h, EditData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

LRESULT OnFocus(HWND h, EditData& d, bool gained) {
    d.focus = gained;
    if (!gained) d.dragging = false;
    InvalidateRect(h, nullptr, TRUE);
    Notify(h, gained ? EN_SETFOCUS : EN_KILLFOCUS);
    return 0;
}

// Scroll requests of the bar, in turn. False when the control was destroyed
// meanwhile (by the parent, on EN_VSCROLL).
bool ApplyRequests(HWND h, EditData& d, const std::vector<ScrollRequest>& reqs) {
    Lifeline life(h);
    for (auto& r : reqs) {
        ApplyScroll(h, d, r.code, r.pos);
        if (!life) return false;
    }
    return true;
}

void OnPress(HWND h, EditData& d, POINT p, bool word) {
    if (HasBar(h)) {
        RECT bar = ClientBarRect(h);
        if (PtInRect(&bar, p)) {
            auto reqs = d.vbar.Press(bar, p);
            if (d.vbar.Tracking()) SetCapture(h);
            if (ApplyRequests(h, d, reqs)) InvalidateRect(h, nullptr, TRUE);
            return;
        }
    }
    int index;
    {
        Measure m(h, d);
        index = IndexFromPoint(h, d, m, p);
    }
    if (word) {
        // A double tap selects the word (a run of non-spaces) under the stylus.
        auto isWord = [&](int i) { return i >= 0 && i < Len(d) && d.text[static_cast<size_t>(i)] > u' '; };
        int s = index, e = index;
        while (isWord(s - 1)) --s;
        while (isWord(e)) ++e;
        d.anchor = s;
        MoveCaret(h, d, e, true);
        return;
    }
    d.dragging = true;
    SetCapture(h);
    MoveCaret(h, d, index, GetKeyState(VK_SHIFT) < 0);
}

LRESULT OnButtonDown(HWND h, POINT p, bool dbl) {
    Lifeline life(h);
    if (GetFocus() != h) SetFocus(h);  // the parent hears EN_SETFOCUS
    if (life) OnPress(h, *DataOf(h), p, dbl);
    return 0;
}

LRESULT OnMouseMove(HWND h, EditData& d, POINT p) {
    if (d.vbar.Tracking()) {
        auto reqs = d.vbar.Move(ClientBarRect(h), p);
        if (ApplyRequests(h, d, reqs) && !reqs.empty()) InvalidateRect(h, nullptr, TRUE);
    } else if (d.dragging) {
        int index;
        {
            Measure m(h, d);
            index = IndexFromPoint(h, d, m, p);
        }
        if (index != d.caret) MoveCaret(h, d, index, true);
    }
    return 0;
}

LRESULT OnButtonUp(HWND h, EditData& d, POINT p) {
    std::vector<ScrollRequest> reqs;
    if (d.vbar.Tracking()) reqs = d.vbar.Release(ClientBarRect(h), p);
    d.dragging = false;
    if (GetCapture() == h) ReleaseCapture();
    if (ApplyRequests(h, d, reqs)) InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnCaptureChanged(HWND h, EditData& d) {
    d.dragging = false;
    if (d.vbar.Tracking()) {
        d.vbar.Cancel();
        InvalidateRect(h, nullptr, TRUE);
    }
    return 0;
}

LRESULT OnClear(HWND h, EditData& d) {
    if (!(StyleOf(h) & ES_READONLY) && d.anchor != d.caret) Replace(h, d, SelStart(d), SelEnd(d), {});
    return 0;
}

// ---- The edit control's own messages --------------------------------------------------------

LRESULT OnReplaceSel(HWND h, EditData& d, LPCWSTR s) {
    size_t n = 0;
    if (s)
        while (n < static_cast<size_t>(kMaxLimit) && s[n]) ++n;
    Replace(h, d, SelStart(d), SelEnd(d), std::u16string_view(s ? s : u"", n));
    return 0;
}

LRESULT OnLimitText(EditData& d, WPARAM limit) {
    int64_t v = static_cast<int64_t>(static_cast<uint32_t>(limit));
    d.limit = v <= 0 || v > kMaxLimit ? kMaxLimit : static_cast<int>(v);
    return 0;
}

LRESULT OnSetModify(EditData& d, bool modified) {
    d.modified = modified;
    return 0;
}

// Sets or clears a style bit (the window hears WM_STYLECHANGED).
void SetStyleBit(HWND h, DWORD bit, bool on) {
    LONG_PTR style = GetWindowLong(h, GWL_STYLE);
    SetWindowLong(h, GWL_STYLE, on ? (style | bit) : (style & ~static_cast<LONG_PTR>(bit)));
}

LRESULT OnSetReadOnly(HWND h, bool on) {
    SetStyleBit(h, ES_READONLY, on);
    InvalidateRect(h, nullptr, TRUE);
    return TRUE;
}

LRESULT OnSetPasswordChar(HWND h, EditData& d, WCHAR c) {
    if (IsMulti(h)) return 0;
    d.password = c;
    Lifeline life(h);
    SetStyleBit(h, ES_PASSWORD, c != 0);
    if (!life) return 0;
    Reflow(h, d);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnLineIndex(const EditData& d, int line) {
    if (line == -1) line = LineOf(d, d.caret);
    if (line < 0 || line >= static_cast<int>(d.lines.size())) return -1;
    return d.lines[static_cast<size_t>(line)].start;
}

LRESULT OnLineFromChar(const EditData& d, int index) {
    return LineOf(d, index < 0 ? SelStart(d) : std::min(index, Len(d)));
}

// A multi-line edit answers its top line, a single line its first visible character.
LRESULT OnGetFirstVisibleLine(HWND h, const EditData& d) {
    if (IsMulti(h)) return d.firstLine;
    Measure m(h, d);
    auto s = Shown(d, d.lines[0]);
    int n = 0;
    while (n < d.lines[0].len && m.Width(s.data(), n) < d.xOffset) ++n;
    return n;
}

LRESULT OnLineScroll(HWND h, EditData& d, int lines) {
    if (!IsMulti(h)) return FALSE;
    ScrollTo(h, d, d.firstLine + lines);
    return TRUE;
}

LRESULT OnScroll(HWND h, EditData& d, WPARAM code) {
    if (!IsMulti(h) || code > SB_PAGEDOWN) return FALSE;
    int moved = ApplyScroll(h, d, static_cast<int>(code), 0);
    return MAKELRESULT(static_cast<WORD>(moved), TRUE);
}

LRESULT OnScrollCaret(HWND h, EditData& d) {
    Measure m(h, d);
    EnsureCaretVisible(h, d, m, true);
    InvalidateRect(h, nullptr, TRUE);
    return TRUE;
}

LRESULT OnPosFromChar(HWND h, const EditData& d, int index) {
    if (index < 0 || index >= Len(d)) return -1;
    Measure m(h, d);
    int x = XOf(h, d, m, index), y = LineY(h, d, m, LineOf(d, index));
    return MAKELRESULT(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

LRESULT OnCharFromPos(HWND h, const EditData& d, POINT p) {
    Measure m(h, d);
    int index = IndexFromPoint(h, d, m, p);
    return MAKELRESULT(static_cast<WORD>(index), static_cast<WORD>(LineOf(d, index)));
}

LRESULT OnGetRect(HWND h, RECT* r) {
    if (r) *r = FormatRect(h);
    return 0;
}

POINT PointOf(LPARAM lp) {
    return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
}

LRESULT EditMessage(HWND h, EditData& d, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case EM_GETSEL:
            return OnGetSel(d, wp, lp);
        case EM_SETSEL:
            return OnSetSel(h, d, IntOf(wp), IntOf(static_cast<WPARAM>(lp)));
        case EM_REPLACESEL:
            return OnReplaceSel(h, d, reinterpret_cast<LPCWSTR>(lp));
        case EM_LIMITTEXT:
            return OnLimitText(d, wp);
        case EM_GETLIMITTEXT:
            return d.limit;
        case EM_GETMODIFY:
            return d.modified ? TRUE : FALSE;
        case EM_SETMODIFY:
            return OnSetModify(d, wp != 0);
        case EM_SETREADONLY:
            return OnSetReadOnly(h, wp != 0);
        case EM_SETPASSWORDCHAR:
            return OnSetPasswordChar(h, d, static_cast<WCHAR>(wp));
        case EM_GETPASSWORDCHAR:
            return d.password;
        case EM_GETLINECOUNT:
            return static_cast<LRESULT>(d.lines.size());
        case EM_LINEINDEX:
            return OnLineIndex(d, IntOf(wp));
        case EM_LINELENGTH:
            return OnLineLength(d, IntOf(wp));
        case EM_LINEFROMCHAR:
            return OnLineFromChar(d, IntOf(wp));
        case EM_GETLINE:
            return OnGetLine(d, IsMulti(h), IntOf(wp), reinterpret_cast<LPWSTR>(lp));
        case EM_GETFIRSTVISIBLELINE:
            return OnGetFirstVisibleLine(h, d);
        case EM_LINESCROLL:
            return OnLineScroll(h, d, static_cast<int>(lp));
        case EM_SCROLL:
            return OnScroll(h, d, wp);
        case EM_SCROLLCARET:
            return OnScrollCaret(h, d);
        case EM_POSFROMCHAR:
            return OnPosFromChar(h, d, IntOf(wp));
        case EM_CHARFROMPOS:
            return OnCharFromPos(h, d, PointOf(lp));
        case EM_GETRECT:
            return OnGetRect(h, reinterpret_cast<RECT*>(lp));
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

LRESULT CALLBACK EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    EditData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_CREATE:
        case WM_SIZE:
        case WM_STYLECHANGED:
            return OnReshape(h, *d);
        case WM_GETDLGCODE:
            return OnGetDlgCode(h, reinterpret_cast<const MSG*>(lp));
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_SETTEXT:
            return OnSetText(h, *d, reinterpret_cast<LPCWSTR>(lp));
        case WM_GETTEXT:
            return OnGetText(*d, wp, reinterpret_cast<LPWSTR>(lp));
        case WM_GETTEXTLENGTH:
            return Len(*d);
        case WM_ENABLE:
            return ce::comctl::Repaint(h);
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers everything
        case WM_PAINT:
            return OnPaint(h, *d);
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return OnFocus(h, *d, msg == WM_SETFOCUS);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnButtonDown(h, PointOf(lp), msg == WM_LBUTTONDBLCLK);
        case WM_MOUSEMOVE:
            return OnMouseMove(h, *d, PointOf(lp));
        case WM_LBUTTONUP:
            return OnButtonUp(h, *d, PointOf(lp));
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(h, *d);
        case WM_CHAR:
            return OnChar(h, *d, static_cast<WCHAR>(wp));
        case WM_KEYDOWN:
            return OnKey(h, *d, static_cast<UINT>(wp));
        case WM_VSCROLL:
            return OnVScroll(h, *d, LOWORD(wp), static_cast<short>(HIWORD(wp)));
        case WM_CLEAR:
            return OnClear(h, *d);
        case ce::comctl::kWmWindowScrollInfo:
            return OnWindowScrollInfo(h, *d, wp, lp);
        default:
            return EditMessage(h, *d, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterEditClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = EditProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = u"Edit";
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
