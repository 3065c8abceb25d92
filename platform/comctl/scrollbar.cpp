// The scroll bar (see scrollbar.h) and the "ScrollBar" control.
//
// The control tells its parent what the stylus asks with WM_VSCROLL
// (SBS_VERT) or WM_HSCROLL: MAKEWPARAM(request, thumb position), lParam the
// control. It does not move itself on line and page requests: the parent
// answers them with SetScrollPos, as on Win32. While the thumb is dragged it
// is drawn where the stylus holds it; after SB_THUMBPOSITION it shows the
// position the parent set.
#include "scrollbar.h"

#include <algorithm>
#include <cstdint>

#include "ce_comctl.h"

namespace ce::comctl {

namespace {

constexpr int kMinThumb = 8;

int Scale(int64_t v, int64_t num, int64_t den) {
    if (den <= 0) return 0;
    return static_cast<int>((v * num + den / 2) / den);
}

void Fill(HDC dc, int l, int t, int r, int b, int color) {
    RECT rc{l, t, r, b};
    FillRect(dc, &rc, GetSysColorBrush(color));
}

// A small filled triangle pointing along the bar, centred in `r`.
void DrawArrow(HDC dc, const RECT& r, bool vertical, bool back, bool enabled, bool pushed) {
    int cx = (r.left + r.right) / 2 + (pushed ? 1 : 0);
    int cy = (r.top + r.bottom) / 2 + (pushed ? 1 : 0);
    int size = std::max(2, std::min<int>(r.right - r.left, r.bottom - r.top) / 4);
    int color = enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
    for (int i = 0; i < size; ++i) {
        // Row i counts from the tip.
        int along = (back ? -size / 2 + i : size / 2 - i);
        if (vertical)
            Fill(dc, cx - i, cy + along, cx + i + 1, cy + along + 1, color);
        else
            Fill(dc, cx + along, cy - i, cx + along + 1, cy + i + 1, color);
    }
}

}  // namespace

int ScrollBarModel::SetInfo(const SCROLLINFO& si) {
    if (si.fMask & SIF_RANGE) {
        min_ = si.nMin;
        max_ = std::max(si.nMin, si.nMax);
    }
    if (si.fMask & SIF_PAGE) page_ = si.nPage;
    int64_t size = static_cast<int64_t>(max_) - min_ + 1;
    if (static_cast<int64_t>(page_) > size) page_ = static_cast<UINT>(size);
    if (si.fMask & SIF_POS) pos_ = si.nPos;
    pos_ = std::clamp(pos_, min_, MaxPos());
    if (pressed_ != Part::Thumb) trackPos_ = pos_;
    return pos_;
}

void ScrollBarModel::GetInfo(SCROLLINFO& si) const {
    if (si.fMask & SIF_RANGE) {
        si.nMin = min_;
        si.nMax = max_;
    }
    if (si.fMask & SIF_PAGE) si.nPage = page_;
    if (si.fMask & SIF_POS) si.nPos = pos_;
    if (si.fMask & SIF_TRACKPOS) si.nTrackPos = pressed_ == Part::Thumb ? trackPos_ : pos_;
}

std::optional<int> ScrollTarget(int code, int pos, int now, int line, int page, int end) {
    switch (code) {
        case SB_LINEUP:
            return now - line;
        case SB_LINEDOWN:
            return now + line;
        case SB_PAGEUP:
            return now - page;
        case SB_PAGEDOWN:
            return now + page;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            return pos;
        case SB_TOP:
            return 0;
        case SB_BOTTOM:
            return end;
        default:
            return std::nullopt;
    }
}

int ScrollBarModel::MaxPos() const {
    int64_t m = static_cast<int64_t>(max_) - std::max<int64_t>(static_cast<int64_t>(page_) - 1, 0);
    return static_cast<int>(std::max<int64_t>(m, min_));
}

void ScrollBarModel::Metrics(const RECT& r, int& start, int& length, int& arrow, int& thumbLen) const {
    start = vertical_ ? r.top : r.left;
    length = std::max<int>(0, vertical_ ? r.bottom - r.top : r.right - r.left);
    int thickness = std::max<int>(0, vertical_ ? r.right - r.left : r.bottom - r.top);
    arrow = std::min(GetSystemMetrics(vertical_ ? SM_CYVSCROLL : SM_CXHSCROLL), length / 2);
    int track = length - 2 * arrow;
    thumbLen = 0;
    if (!Scrollable() || track < kMinThumb) return;
    if (page_ == 0)
        thumbLen = std::max(thickness, kMinThumb);
    else
        thumbLen = std::max(kMinThumb, Scale(track, page_, static_cast<int64_t>(max_) - min_ + 1));
    if (thumbLen >= track) thumbLen = 0;
}

int ScrollBarModel::ThumbOffset(int pos, int trackLen, int thumbLen) const {
    return Scale(static_cast<int64_t>(pos) - min_, trackLen - thumbLen, static_cast<int64_t>(MaxPos()) - min_);
}

ScrollBarModel::Layout ScrollBarModel::LayOut(const RECT& r) const {
    int start, length, arrow, thumbLen;
    Metrics(r, start, length, arrow, thumbLen);
    int track = length - 2 * arrow;
    int a = start + arrow;           // track start
    int b = start + length - arrow;  // track end
    int t0 = a, t1 = a;              // thumb
    if (thumbLen > 0) {
        t0 = a + ThumbOffset(pressed_ == Part::Thumb ? trackPos_ : pos_, track, thumbLen);
        t1 = t0 + thumbLen;
    }
    auto span = [&](int from, int to) {
        return vertical_ ? RECT{r.left, from, r.right, to} : RECT{from, r.top, to, r.bottom};
    };
    Layout l;
    l.lineUp = span(start, a);
    l.lineDown = span(b, start + length);
    if (thumbLen > 0) {
        l.pageUp = span(a, t0);
        l.thumb = span(t0, t1);
        l.pageDown = span(t1, b);
    } else {
        l.pageUp = span(a, a);
        l.thumb = span(a, a);
        l.pageDown = span(a, b);
    }
    return l;
}

ScrollBarModel::Part ScrollBarModel::HitTest(const RECT& r, POINT p) const {
    if (!PtInRect(&r, p)) return Part::None;
    Layout l = LayOut(r);
    if (PtInRect(&l.lineUp, p)) return Part::LineUp;
    if (PtInRect(&l.lineDown, p)) return Part::LineDown;
    if (PtInRect(&l.thumb, p)) return Part::Thumb;
    if (PtInRect(&l.pageUp, p)) return Part::PageUp;
    if (PtInRect(&l.pageDown, p)) return Part::PageDown;
    return Part::None;
}

void ScrollBarModel::Draw(HDC dc, const RECT& r, bool enabled) const {
    if (r.right <= r.left || r.bottom <= r.top) return;
    Layout l = LayOut(r);
    bool active = enabled && Scrollable();
    RECT track = vertical_ ? RECT{r.left, l.lineUp.bottom, r.right, l.lineDown.top}
                           : RECT{l.lineUp.right, r.top, l.lineDown.left, r.bottom};
    FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
    // A tapped page part shows dark while the stylus holds it.
    if (pressed_ == Part::PageUp && !IsRectEmpty(&l.pageUp)) FillRect(dc, &l.pageUp, GetSysColorBrush(COLOR_BTNSHADOW));
    if (pressed_ == Part::PageDown && !IsRectEmpty(&l.pageDown))
        FillRect(dc, &l.pageDown, GetSysColorBrush(COLOR_BTNSHADOW));
    auto button = [&](RECT b, bool pushed) {
        if (IsRectEmpty(&b)) return;
        FillRect(dc, &b, GetSysColorBrush(COLOR_BTNFACE));
        RECT e = b;
        DrawEdge(dc, &e, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    };
    button(l.lineUp, pressed_ == Part::LineUp);
    DrawArrow(dc, l.lineUp, vertical_, true, active, pressed_ == Part::LineUp);
    button(l.lineDown, pressed_ == Part::LineDown);
    DrawArrow(dc, l.lineDown, vertical_, false, active, pressed_ == Part::LineDown);
    if (active) button(l.thumb, false);
}

std::vector<ScrollRequest> ScrollBarModel::Press(const RECT& r, POINT p) {
    pressed_ = Part::None;
    if (!Scrollable()) return {};
    Part part = HitTest(r, p);
    Layout l = LayOut(r);
    pressed_ = part;
    switch (part) {
        case Part::LineUp:
            return {{SB_LINEUP, 0}};
        case Part::LineDown:
            return {{SB_LINEDOWN, 0}};
        case Part::PageUp:
            return {{SB_PAGEUP, 0}};
        case Part::PageDown:
            return {{SB_PAGEDOWN, 0}};
        case Part::Thumb:
            grab_ = vertical_ ? p.y - l.thumb.top : p.x - l.thumb.left;
            trackPos_ = pos_;
            return {};
        case Part::None:
            return {};
    }
    return {};
}

std::vector<ScrollRequest> ScrollBarModel::Move(const RECT& r, POINT p) {
    if (pressed_ != Part::Thumb) return {};
    int start, length, arrow, thumbLen;
    Metrics(r, start, length, arrow, thumbLen);
    int track = length - 2 * arrow;
    if (thumbLen <= 0 || track <= thumbLen) return {};
    int offset = std::clamp((vertical_ ? p.y : p.x) - grab_ - (start + arrow), 0, track - thumbLen);
    int pos = min_ + Scale(offset, static_cast<int64_t>(MaxPos()) - min_, track - thumbLen);
    pos = std::clamp(pos, min_, MaxPos());
    if (pos == trackPos_) return {};
    trackPos_ = pos;
    return {{SB_THUMBTRACK, pos}};
}

std::vector<ScrollRequest> ScrollBarModel::Release(const RECT&, POINT) {
    if (pressed_ == Part::None) return {};
    std::vector<ScrollRequest> out;
    if (pressed_ == Part::Thumb) out.push_back({SB_THUMBPOSITION, trackPos_});
    out.push_back({SB_ENDSCROLL, 0});
    pressed_ = Part::None;
    trackPos_ = pos_;
    return out;
}

void ScrollBarModel::Cancel() {
    pressed_ = Part::None;
    trackPos_ = pos_;
}

RECT ClientBarRect(HWND h) {
    RECT rc;
    GetClientRect(h, &rc);
    rc.left = std::max<LONG>(rc.left, rc.right - GetSystemMetrics(SM_CXVSCROLL));
    return rc;
}

ClientBars LayOutClientBars(HWND h, int top, int rows, int rowHeight, int contentWidth, bool allowVert,
                            bool allowHorz) {
    RECT rc;
    GetClientRect(h, &rc);
    const int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
    const int width = rc.right - rc.left, height = std::max(0, static_cast<int>(rc.bottom) - top);
    rowHeight = std::max(1, rowHeight);
    auto rowsFit = [&](int h) { return rows <= std::max(1, h / rowHeight); };
    ClientBars b;
    allowVert = allowVert && width > cx;
    allowHorz = allowHorz && height > cy;
    b.vert = allowVert && !rowsFit(height);
    b.horz = allowHorz && contentWidth > width - (b.vert ? cx : 0);
    if (b.horz && !b.vert && allowVert && !rowsFit(height - cy)) b.vert = true;
    b.view = RECT{rc.left, std::min<LONG>(rc.bottom, top), rc.right - (b.vert ? cx : 0), rc.bottom - (b.horz ? cy : 0)};
    b.view.bottom = std::max(b.view.top, b.view.bottom);
    if (b.vert) b.vbar = RECT{b.view.right, rc.top, rc.right, b.view.bottom};
    if (b.horz) b.hbar = RECT{rc.left, b.view.bottom, b.view.right, rc.bottom};
    if (b.vert && b.horz) b.corner = RECT{b.view.right, b.view.bottom, rc.right, rc.bottom};
    return b;
}

}  // namespace ce::comctl

// ---- The "ScrollBar" control --------------------------------------------------------------

namespace {

using ce::comctl::ScrollBarModel;
using ce::comctl::ScrollRequest;

struct ScrollData {
    ScrollBarModel bar;
};

constexpr int kDataSlot = 0;

ScrollData* DataOf(HWND h) {
    return reinterpret_cast<ScrollData*>(GetWindowLong(h, kDataSlot));
}

bool VerticalStyle(HWND h) {
    return (GetWindowLong(h, GWL_STYLE) & SBS_VERT) != 0;
}

void Paint(HWND h, HDC dc, const ScrollData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    d.bar.Draw(dc, rc, IsWindowEnabled(h) != FALSE);
}

void Redraw(HWND h, const ScrollData& d) {
    if (!IsWindowVisible(h)) return;
    HDC dc = GetDC(h);
    if (!dc) return;
    Paint(h, dc, d);
    ReleaseDC(h, dc);
}

// Tells the parent of each request in turn; false when the parent destroyed
// the control meanwhile (the rest are dropped).
bool Notify(HWND h, const std::vector<ScrollRequest>& reqs) {
    HWND parent = GetParent(h);
    if (!parent) return true;
    UINT msg = VerticalStyle(h) ? WM_VSCROLL : WM_HSCROLL;
    ce::comctl::Lifeline life(h);
    for (const auto& r : reqs) {
        SendMessage(parent, msg, MAKEWPARAM(r.code, static_cast<WORD>(r.pos)), reinterpret_cast<LPARAM>(h));
        if (!life) return false;
    }
    return true;
}

POINT PointOf(LPARAM lp) {
    return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
}

int SetPosAndRange(HWND h, ScrollData& d, UINT mask, int a, int b, bool redraw) {
    SCROLLINFO si{sizeof si, mask, a, b, 0, a, 0};
    int pos = d.bar.SetInfo(si);
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return pos;
}

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    auto* data = new ScrollData;
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    data->bar.SetVertical(cs && (cs->style & SBS_VERT));
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(data));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, ScrollData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

LRESULT OnStyleChanged(HWND h, ScrollData& d) {
    d.bar.SetVertical(VerticalStyle(h));
    return 0;
}

LRESULT OnPaint(HWND h, const ScrollData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

LRESULT OnButtonDown(HWND h, ScrollData& d, POINT p) {
    RECT rc;
    GetClientRect(h, &rc);
    auto reqs = d.bar.Press(rc, p);
    if (!d.bar.Tracking()) return 0;
    SetCapture(h);
    Redraw(h, d);
    Notify(h, reqs);
    return 0;
}

LRESULT OnMouseMove(HWND h, ScrollData& d, POINT p) {
    if (!d.bar.Tracking()) return 0;
    RECT rc;
    GetClientRect(h, &rc);
    auto reqs = d.bar.Move(rc, p);
    if (reqs.empty()) return 0;
    Redraw(h, d);
    Notify(h, reqs);
    return 0;
}

LRESULT OnButtonUp(HWND h, ScrollData& d, POINT p) {
    if (!d.bar.Tracking()) return 0;
    RECT rc;
    GetClientRect(h, &rc);
    auto reqs = d.bar.Release(rc, p);
    if (GetCapture() == h) ReleaseCapture();
    if (Notify(h, reqs)) Redraw(h, d);
    return 0;
}

LRESULT OnCaptureChanged(HWND h, ScrollData& d) {
    if (d.bar.Tracking()) {
        d.bar.Cancel();
        Redraw(h, d);
    }
    return 0;
}

LRESULT OnKeyDown(HWND h, WPARAM vk, LPARAM lp) {
    int code;
    switch (vk) {
        case VK_UP:
        case VK_LEFT:
            code = SB_LINEUP;
            break;
        case VK_DOWN:
        case VK_RIGHT:
            code = SB_LINEDOWN;
            break;
        case VK_PRIOR:
            code = SB_PAGEUP;
            break;
        case VK_NEXT:
            code = SB_PAGEDOWN;
            break;
        case VK_HOME:
            code = SB_TOP;
            break;
        case VK_END:
            code = SB_BOTTOM;
            break;
        default:
            return DefWindowProc(h, WM_KEYDOWN, vk, lp);
    }
    Notify(h, {{code, 0}, {SB_ENDSCROLL, 0}});
    return 0;
}

LRESULT SetPos(HWND h, ScrollData& d, int pos, bool redraw) {
    int old = d.bar.Pos();
    SetPosAndRange(h, d, SIF_POS, pos, 0, redraw);
    return old;
}

LRESULT SetRange(HWND h, ScrollData& d, int min, int max, bool redraw) {
    int old = d.bar.Pos();
    SCROLLINFO si{sizeof si, SIF_RANGE, min, max, 0, 0, 0};
    d.bar.SetInfo(si);
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return old;
}

LRESULT GetRange(const ScrollData& d, int* min, int* max) {
    if (min) *min = d.bar.Min();
    if (max) *max = d.bar.Max();
    return 0;
}

LRESULT SetScrollInfoMessage(HWND h, ScrollData& d, const SCROLLINFO* si, bool redraw) {
    if (!si) return d.bar.Pos();
    int pos = d.bar.SetInfo(*si);
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return pos;
}

LRESULT GetScrollInfoMessage(const ScrollData& d, SCROLLINFO* si) {
    if (!si) return FALSE;
    d.bar.GetInfo(*si);
    return TRUE;
}

LRESULT EnableArrows(HWND h, WPARAM which) {
    EnableWindow(h, which != ESB_DISABLE_BOTH);
    return TRUE;
}

LRESULT CALLBACK ScrollBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    ScrollData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_STYLECHANGED:
            return OnStyleChanged(h, *d);
        case WM_ENABLE:
            return ce::comctl::Repaint(h);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnPaint(h, *d);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnButtonDown(h, *d, PointOf(lp));
        case WM_MOUSEMOVE:
            return OnMouseMove(h, *d, PointOf(lp));
        case WM_LBUTTONUP:
            return OnButtonUp(h, *d, PointOf(lp));
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(h, *d);
        case WM_KEYDOWN:
            return OnKeyDown(h, wp, lp);
        case SBM_SETPOS:
            return SetPos(h, *d, static_cast<int>(wp), lp != 0);
        case SBM_GETPOS:
            return d->bar.Pos();
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW:
            return SetRange(h, *d, static_cast<int>(wp), static_cast<int>(lp), msg == SBM_SETRANGEREDRAW);
        case SBM_GETRANGE:
            return GetRange(*d, reinterpret_cast<int*>(wp), reinterpret_cast<int*>(lp));
        case SBM_SETSCROLLINFO:
            return SetScrollInfoMessage(h, *d, reinterpret_cast<const SCROLLINFO*>(lp), wp != 0);
        case SBM_GETSCROLLINFO:
            return GetScrollInfoMessage(*d, reinterpret_cast<SCROLLINFO*>(lp));
        case SBM_ENABLE_ARROWS:
            return EnableArrows(h, wp);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

bool ValidInfo(const SCROLLINFO* si) {
    // The size without nTrackPos is accepted as well (older callers).
    return si && (si->cbSize == sizeof(SCROLLINFO) || si->cbSize == sizeof(SCROLLINFO) - sizeof(int));
}

}  // namespace

namespace ce::comctl {

void RegisterScrollBarClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ScrollBarProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = u"ScrollBar";
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl

// ---- The scroll-bar functions ----------------------------------------------------------------

int SetScrollInfo(HWND h, int bar, LPCSCROLLINFO si, BOOL redraw) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!ValidInfo(si)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (bar == SB_CTL) return static_cast<int>(SendMessage(h, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(si)));
    if (bar == SB_VERT || bar == SB_HORZ) {
        WORD flags = ce::comctl::kScrollInfoSet | (redraw ? ce::comctl::kScrollInfoRedraw : 0);
        return static_cast<int>(
            SendMessage(h, ce::comctl::kWmWindowScrollInfo, MAKEWPARAM(bar, flags), reinterpret_cast<LPARAM>(si)));
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

BOOL GetScrollInfo(HWND h, int bar, LPSCROLLINFO si) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!ValidInfo(si)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (bar == SB_CTL) return SendMessage(h, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(si)) ? TRUE : FALSE;
    if (bar == SB_VERT || bar == SB_HORZ)
        return SendMessage(h, ce::comctl::kWmWindowScrollInfo, MAKEWPARAM(bar, 0), reinterpret_cast<LPARAM>(si))
                   ? TRUE
                   : FALSE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

int SetScrollPos(HWND h, int bar, int pos, BOOL redraw) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(h, bar, &si)) return 0;
    int old = si.nPos;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(h, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND h, int bar) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(h, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND h, int bar, int minPos, int maxPos, BOOL redraw) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(h, bar, &si)) return FALSE;
    si.fMask = SIF_RANGE;
    si.nMin = minPos;
    si.nMax = maxPos;
    SetScrollInfo(h, bar, &si, redraw);
    return TRUE;
}

BOOL GetScrollRange(HWND h, int bar, int* minPos, int* maxPos) {
    if (!minPos || !maxPos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SCROLLINFO si{sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(h, bar, &si)) {
        *minPos = *maxPos = 0;
        return FALSE;
    }
    *minPos = si.nMin;
    *maxPos = si.nMax;
    return TRUE;
}

BOOL EnableScrollBar(HWND h, UINT bar, UINT arrows) {
    if (bar != SB_CTL || !IsWindow(h)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The control's arrows are enabled or disabled together.
    EnableWindow(h, arrows != ESB_DISABLE_BOTH);
    return TRUE;
}
