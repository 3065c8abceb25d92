// The scroll bar: its state (range, page, position), how it is laid out and
// drawn, and how the stylus works it. The "ScrollBar" control is one bar in
// a window; the edit control (and the list and tree views) draw the same bar
// inside their own client area and work it with the same tracker.
#pragma once

#include <optional>
#include <vector>

#include "winuser.h"

namespace ce::comctl {

// Private message a window that draws its own bars answers for
// SetScrollInfo/GetScrollInfo on SB_VERT / SB_HORZ: wParam =
// MAKEWPARAM(bar, set ? 1 : 0) | redraw in the high word's bit 1,
// lParam = the SCROLLINFO. Returns the position (set) or TRUE (get).
// Windows that do not know it answer 0 through DefWindowProc.
constexpr UINT kWmWindowScrollInfo = 0x03E0;
constexpr WORD kScrollInfoSet = 1;
constexpr WORD kScrollInfoRedraw = 2;

// One scroll request to pass on: code is SB_LINEUP ... SB_ENDSCROLL, pos the
// thumb position for SB_THUMBTRACK / SB_THUMBPOSITION (else 0).
struct ScrollRequest {
    int code;
    int pos;
};

class ScrollBarModel {
public:
    enum class Part { None, LineUp, PageUp, Thumb, PageDown, LineDown };

    explicit ScrollBarModel(bool vertical = true) : vertical_(vertical) {}

    bool Vertical() const { return vertical_; }
    void SetVertical(bool v) { vertical_ = v; }

    // SCROLLINFO semantics: the page is kept within the range's size and the
    // position within [nMin, nMax - max(nPage - 1, 0)]. Returns the position.
    int SetInfo(const SCROLLINFO& si);
    // Fills what si.fMask asks for.
    void GetInfo(SCROLLINFO& si) const;
    int Pos() const { return pos_; }
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Page() const { return static_cast<int>(page_); }
    // The largest position the thumb can reach.
    int MaxPos() const;
    // True when the range is larger than the page: there is something to scroll.
    bool Scrollable() const { return MaxPos() > min_; }
    bool Tracking() const { return pressed_ != Part::None; }

    // The parts of the bar in `r` (the bar's rectangle); the thumb is empty
    // when it does not fit or there is nothing to scroll.
    struct Layout {
        RECT lineUp, pageUp, thumb, pageDown, lineDown;
    };
    Layout LayOut(const RECT& r) const;
    Part HitTest(const RECT& r, POINT p) const;
    void Draw(HDC dc, const RECT& r, bool enabled) const;

    // The stylus: press over the bar, moves while it is held, release. They
    // return the requests to pass on, in order. A press on an arrow or the
    // track asks one line or one page; dragging the thumb asks
    // SB_THUMBTRACK for every new position and SB_THUMBPOSITION on release;
    // every release ends with SB_ENDSCROLL. Without anything to scroll the
    // bar answers nothing.
    std::vector<ScrollRequest> Press(const RECT& r, POINT p);
    std::vector<ScrollRequest> Move(const RECT& r, POINT p);
    std::vector<ScrollRequest> Release(const RECT& r, POINT p);
    // The stylus went away (capture lost): the drag ends without requests.
    void Cancel();

private:
    // Position of the thumb's leading edge along the bar for a scroll position.
    int ThumbOffset(int pos, int trackLen, int thumbLen) const;
    void Metrics(const RECT& r, int& start, int& length, int& arrow, int& thumbLen) const;

    bool vertical_;
    int min_ = 0, max_ = 100;
    UINT page_ = 0;
    int pos_ = 0;
    int trackPos_ = 0;
    Part pressed_ = Part::None;
    int grab_ = 0;  // stylus offset into the thumb while dragging
};

// The vertical bar a control draws inside its own client area: along the
// right edge, as wide as the system's bars (or the whole client area when
// that is narrower).
RECT ClientBarRect(HWND h);

// Both bars a control draws inside its own client area (list and tree
// views): the vertical one along the right edge, the horizontal one along
// the bottom, each shown when allowed and the content does not fit, as the
// Win32 views do. One bar taking room can make the other one needed; when
// both show, they stop short of the corner square between them.
struct ClientBars {
    bool vert = false, horz = false;
    RECT view{};  // the client area below `top`, left of and above the bars
    RECT vbar{};  // from the top of the client area (empty when hidden)
    RECT hbar{};  // under the view (empty when hidden)
    RECT corner{};
};
// `rows` of `rowHeight` pixels and `contentWidth` pixels of content are
// laid out below `top` (a header).
ClientBars LayOutClientBars(HWND h, int top, int rows, int rowHeight, int contentWidth, bool allowVert, bool allowHorz);
// Pixels a line of a horizontal bar scrolls.
constexpr int kHorzLine = 16;

// Where a view that draws its own bars goes for a scroll request: from `now`
// by `line` or `page`, to the thumb's `pos`, or to 0 or `end` (the view
// clamps). The horizontal codes have the vertical ones' values (SB_LINELEFT
// is SB_LINEUP, ...). Nothing for a code that does not move the view.
std::optional<int> ScrollTarget(int code, int pos, int now, int line, int page, int end);

}  // namespace ce::comctl
