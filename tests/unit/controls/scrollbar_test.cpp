// Scroll bars: the range/page/position rules, the thumb's size, and the
// requests a parent hears while the stylus drags the thumb and taps the
// track and the arrows; bad arguments to the scroll functions.
#include "scrollbar.h"

#include "controltest.h"
#include "dlgtest.h"

using namespace dlgtest;
using ce::comctl::ScrollBarModel;
using ce::test::TapNow, ce::test::MouseNow;
using ce::user::InjectMouse;
using ce::user::Mouse;

namespace {

struct Request {
    UINT msg;
    int code;
    int pos;
};
std::vector<Request>& Requests() {
    static std::vector<Request> v;
    return v;
}

// A parent that moves its scroll bar as a program would.
LRESULT CALLBACK BarHostProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_VSCROLL || m == WM_HSCROLL) {
        auto bar = reinterpret_cast<HWND>(lp);
        int code = LOWORD(wp), pos = static_cast<short>(HIWORD(wp));
        Requests().push_back({m, code, pos});
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(bar, SB_CTL, &si);
        const int page = static_cast<int>(si.nPage);
        const int to = code == SB_LINEUP          ? si.nPos - 1
                       : code == SB_LINEDOWN      ? si.nPos + 1
                       : code == SB_PAGEUP        ? si.nPos - page
                       : code == SB_PAGEDOWN      ? si.nPos + page
                       : code == SB_THUMBPOSITION ? pos
                                                  : si.nPos;
        SetScrollPos(bar, SB_CTL, to, TRUE);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

class ScrollBar : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ce::test::RegisterHostClass(u"BarHost", BarHostProc, COLOR_WINDOW);
        host_ = Keep(ce::test::CreateHost(u"BarHost"));
        Requests().clear();
    }
    // A vertical bar at (100, 50), 200 high, range 0..100 with a page of 10.
    HWND MakeBar(DWORD style = SBS_VERT, int w = 0, int h = 200) {
        if (!w) w = GetSystemMetrics(SM_CXVSCROLL);
        HWND b = ce::test::Child(host_, u"ScrollBar", style, 100, 50, w, h, 7);
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 0, 0};
        SetScrollInfo(b, SB_CTL, &si, TRUE);
        Pump();
        return b;
    }
    static std::vector<int> Codes() {
        std::vector<int> v;
        for (auto& r : Requests()) v.push_back(r.code);
        return v;
    }
    HWND host_ = nullptr;
};

// ---- Range, page and position ----------------------------------------------------------------

TEST(ScrollBarModelTest, PositionStaysWithinRangeLessPageAndTheThumbIsProportional) {
    ScrollBarModel m;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 100, 10, 500, 0};
    EXPECT_EQ(m.SetInfo(si), 91);
    si = {sizeof si, SIF_POS, 0, 0, 0, -5, 0};
    EXPECT_EQ(m.SetInfo(si), 0);
    // A page larger than the range is cut to it: nothing to scroll.
    si = {sizeof si, SIF_PAGE, 0, 0, 1000, 0, 0};
    m.SetInfo(si);
    EXPECT_EQ(m.Page(), 101);
    EXPECT_FALSE(m.Scrollable());
    // A reversed range collapses.
    si = {sizeof si, SIF_RANGE, 50, 10, 0, 0, 0};
    m.SetInfo(si);
    EXPECT_EQ(m.Min(), 50);
    EXPECT_EQ(m.Max(), 50);
    EXPECT_EQ(m.Pos(), 50);

    // The thumb is proportional to the page.
    const RECT r{0, 0, 13, 226};
    const int track = 226 - 2 * GetSystemMetrics(SM_CYVSCROLL);
    si = {sizeof si, SIF_ALL, 0, 99, 25, 0, 0};
    m.SetInfo(si);
    auto l = m.LayOut(r);
    EXPECT_EQ(l.thumb.bottom - l.thumb.top, track / 4);
    EXPECT_EQ(l.thumb.top, l.lineUp.bottom);
    si = {sizeof si, SIF_POS, 0, 0, 0, 75, 0};  // the last position: thumb at the track's end
    m.SetInfo(si);
    l = m.LayOut(r);
    EXPECT_EQ(l.thumb.bottom, l.lineDown.top);
    // A bar too short for a thumb has only arrows; taps ask nothing.
    const RECT tiny{0, 0, 13, 20};
    l = m.LayOut(tiny);
    EXPECT_TRUE(IsRectEmpty(&l.thumb));
    EXPECT_TRUE(m.Press(tiny, POINT{6, 10}).size() <= 1);
    m.Cancel();
}

// ---- The control and its parent -------------------------------------------------------------------

TEST_F(ScrollBar, ThumbDragTellsTrackPositionsThenTheFinalOne) {
    HWND b = MakeBar();
    RECT wr;
    GetWindowRect(b, &wr);
    int arrow = GetSystemMetrics(SM_CYVSCROLL);
    POINT grab{wr.left + 5, wr.top + arrow + 3};  // on the thumb at position 0
    MouseNow(Mouse::Down, grab.x, grab.y);
    EXPECT_EQ(GetCapture(), b);
    EXPECT_TRUE(Requests().empty());
    MouseNow(Mouse::Move, grab.x, grab.y + 40);
    MouseNow(Mouse::Move, grab.x, grab.y + 80);
    SCROLLINFO si{sizeof si, SIF_POS | SIF_TRACKPOS, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(b, SB_CTL, &si));
    EXPECT_EQ(si.nPos, 0);  // the parent moves it on SB_THUMBPOSITION only
    EXPECT_GT(si.nTrackPos, 0);
    MouseNow(Mouse::Up, grab.x, grab.y + 80);
    EXPECT_EQ(Codes(), (std::vector<int>{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
    ASSERT_EQ(Requests().size(), 4u);
    EXPECT_LT(Requests()[0].pos, Requests()[1].pos);
    EXPECT_EQ(Requests()[2].pos, Requests()[1].pos);
    EXPECT_EQ(Requests()[0].msg, static_cast<UINT>(WM_VSCROLL));
    EXPECT_EQ(GetScrollPos(b, SB_CTL), Requests()[2].pos);
    EXPECT_EQ(GetCapture(), nullptr);

    // Dragged far past the end: the last position.
    Requests().clear();
    SetScrollPos(b, SB_CTL, 0, TRUE);
    MouseNow(Mouse::Down, grab.x, grab.y);  // the capture decides where the moves go
    InjectMouse(Mouse::Move, grab.x, 470);
    MouseNow(Mouse::Up, grab.x, 470);
    EXPECT_EQ(GetScrollPos(b, SB_CTL), 91);
}

TEST_F(ScrollBar, TrackAndArrowTapsAskPagesAndLines) {
    HWND b = MakeBar();
    RECT wr;
    GetWindowRect(b, &wr);
    int arrow = GetSystemMetrics(SM_CYVSCROLL);
    TapNow({wr.left + 5, wr.bottom - arrow - 5});  // the track below the thumb
    EXPECT_EQ(Codes(), (std::vector<int>{SB_PAGEDOWN, SB_ENDSCROLL}));
    EXPECT_EQ(GetScrollPos(b, SB_CTL), 10);
    Requests().clear();
    Tap({wr.left + 5, wr.bottom - 3});  // the down arrow
    TapNow({wr.left + 5, wr.bottom - 3});
    EXPECT_EQ(Codes(), (std::vector<int>{SB_LINEDOWN, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL}));
    EXPECT_EQ(GetScrollPos(b, SB_CTL), 12);
    Requests().clear();
    Tap({wr.left + 5, wr.top + arrow + 2});  // the track above the thumb
    TapNow({wr.left + 5, wr.top + 3});       // the up arrow
    EXPECT_EQ(Codes(), (std::vector<int>{SB_PAGEUP, SB_ENDSCROLL, SB_LINEUP, SB_ENDSCROLL}));
    EXPECT_EQ(GetScrollPos(b, SB_CTL), 1);
}

TEST_F(ScrollBar, HorizontalBarTellsWmHScrollAndAnEmptyRangeTellsNothing) {
    HWND b = MakeBar(SBS_HORZ, 200, GetSystemMetrics(SM_CYHSCROLL));
    RECT wr;
    GetWindowRect(b, &wr);
    TapNow({wr.right - 3, wr.top + 5});
    ASSERT_FALSE(Requests().empty());
    EXPECT_EQ(Requests()[0].msg, static_cast<UINT>(WM_HSCROLL));
    EXPECT_EQ(Requests()[0].code, SB_LINERIGHT);

    Requests().clear();
    EXPECT_TRUE(SetScrollRange(b, SB_CTL, 0, 0, TRUE));
    TapNow({wr.right - 3, wr.top + 5});
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(GetCapture(), nullptr);
    int lo = -1, hi = -1;
    EXPECT_TRUE(GetScrollRange(b, SB_CTL, &lo, &hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 0);
}

TEST_F(ScrollBar, BadArgumentsFailCleanly) {
    HWND b = MakeBar();
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    EXPECT_EQ(SetScrollInfo(b, SB_CTL, nullptr, TRUE), 0);
    EXPECT_FALSE(GetScrollInfo(b, SB_CTL, nullptr));
    si.cbSize = 3;
    EXPECT_FALSE(GetScrollInfo(b, SB_CTL, &si));
    si.cbSize = sizeof si;
    EXPECT_FALSE(GetScrollInfo(b, 9, &si));
    EXPECT_FALSE(GetScrollInfo(reinterpret_cast<HWND>(static_cast<intptr_t>(0x7777)), SB_CTL, &si));
    EXPECT_FALSE(GetScrollInfo(host_, SB_VERT, &si));  // a window without a bar of its own
    EXPECT_EQ(SetScrollPos(host_, SB_VERT, 5, TRUE), 0);
    EXPECT_FALSE(GetScrollRange(b, SB_CTL, nullptr, nullptr));
    // SetScrollPos answers the previous position.
    EXPECT_EQ(SetScrollPos(b, SB_CTL, 40, TRUE), 0);
    EXPECT_EQ(SetScrollPos(b, SB_CTL, 50, TRUE), 40);
    EXPECT_EQ(SendMessage(b, SBM_GETPOS, 0, 0), 50);
}

}  // namespace
