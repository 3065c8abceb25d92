// The progress bar "msctls_progress32": a bar filled from the left (from
// the bottom with PBS_VERTICAL) in the highlight colour on a sunken frame,
// in proportion to where the position lies in the range. PBS_SMOOTH fills
// evenly; without it the bar is drawn as blocks with gaps between them.
//
// The range defaults to 0..100 and the step to 10. Every position set is
// clamped to the range (a new range clamps the current position too).
// PBM_STEPIT past either end of the range starts over at the minimum. A
// range whose low end lies above its high end is refused (0, nothing
// changes).
#include <algorithm>

#include "ce_comctl.h"
#include "commctrl.h"

namespace {

struct ProgressData {
    int low = 0, high = 100;
    int pos = 0;
    int step = 10;
};

constexpr int kDataSlot = 0;

ProgressData* DataOf(HWND h) {
    return reinterpret_cast<ProgressData*>(GetWindowLong(h, kDataSlot));
}

LRESULT PackRange(const ProgressData& d) {
    return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(d.low), static_cast<WORD>(d.high)));
}

// Sets the position (clamped); repaints when it changed. Returns the old one.
int MoveTo(HWND h, ProgressData& d, long long pos) {
    int old = d.pos;
    d.pos = static_cast<int>(std::clamp<long long>(pos, d.low, d.high));
    if (d.pos != old) InvalidateRect(h, nullptr, FALSE);
    return old;
}

LRESULT SetRange(HWND h, ProgressData& d, int low, int high) {
    if (low > high) return 0;
    LRESULT old = PackRange(d);
    if (low != d.low || high != d.high) {
        d.low = low;
        d.high = high;
        d.pos = std::clamp(d.pos, low, high);
        InvalidateRect(h, nullptr, FALSE);
    }
    return old;
}

void Paint(HWND h, HDC dc, const ProgressData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    RECT edge = rc;
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&rc, -1, -1);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (rc.right <= rc.left || rc.bottom <= rc.top || d.high <= d.low) return;

    DWORD style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
    bool vertical = (style & PBS_VERTICAL) != 0;
    long long span = vertical ? rc.bottom - rc.top : rc.right - rc.left;
    int filled =
        static_cast<int>(span * (static_cast<long long>(d.pos) - d.low) / (static_cast<long long>(d.high) - d.low));
    HBRUSH bar = GetSysColorBrush(COLOR_HIGHLIGHT);
    if (style & PBS_SMOOTH) {
        RECT f = rc;
        if (vertical)
            f.top = rc.bottom - filled;
        else
            f.right = rc.left + filled;
        FillRect(dc, &f, bar);
        return;
    }
    // Blocks two thirds as long as the bar is thick, 2 pixels apart; a
    // block is drawn once the fill reaches into it.
    int thick = vertical ? rc.right - rc.left : rc.bottom - rc.top;
    int block = std::max(2, thick * 2 / 3);
    for (int at = 0; at < filled; at += block + 2) {
        int len = std::min(block, static_cast<int>(span) - at);
        RECT f = rc;
        if (vertical) {
            f.bottom = rc.bottom - at;
            f.top = f.bottom - len;
        } else {
            f.left = rc.left + at;
            f.right = f.left + len;
        }
        FillRect(dc, &f, bar);
    }
}

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(new ProgressData));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, ProgressData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

LRESULT OnPaint(HWND h, const ProgressData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

LRESULT GetRange(const ProgressData& d, bool low, PBRANGE* r) {
    if (r) {
        r->iLow = d.low;
        r->iHigh = d.high;
    }
    return low ? d.low : d.high;
}

LRESULT SetStep(ProgressData& d, int step) {
    int old = d.step;
    d.step = step;
    return old;
}

// One step on; past the end it starts again from the low end.
LRESULT StepIt(HWND h, ProgressData& d) {
    long long next = static_cast<long long>(d.pos) + d.step;
    if (next > d.high || next < d.low) next = d.low;
    return MoveTo(h, d, next);
}

LRESULT CALLBACK ProgressProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    ProgressData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers everything
        case WM_PAINT:
            return OnPaint(h, *d);
        case PBM_SETRANGE:
            return SetRange(h, *d, static_cast<SHORT>(LOWORD(lp)), static_cast<SHORT>(HIWORD(lp)));
        case PBM_SETRANGE32:
            return SetRange(h, *d, static_cast<int>(wp), static_cast<int>(lp));
        case PBM_GETRANGE:
            return GetRange(*d, wp != 0, reinterpret_cast<PBRANGE*>(lp));
        case PBM_SETPOS:
            return MoveTo(h, *d, static_cast<int>(wp));
        case PBM_DELTAPOS:
            return MoveTo(h, *d, static_cast<long long>(d->pos) + static_cast<int>(wp));
        case PBM_GETPOS:
            return d->pos;
        case PBM_SETSTEP:
            return SetStep(*d, static_cast<int>(wp));
        case PBM_STEPIT:
            return StepIt(h, *d);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterProgressClass() {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ProgressProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = PROGRESS_CLASS;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
