// The progress bar: its range and position rules, stepping, how much of it
// is filled, and what the host's view shows of it and of buttons.
#include <afxcmn.h>

#include "controltest.h"
#include "dlgtest.h"
#include "jsontest.h"
#include "userdesktop.h"

using namespace dlgtest;

namespace {

class Progress : public DialogTest {
protected:
    HWND Make(HWND parent, DWORD style = PBS_SMOOTH, int x = 100, int y = 100, int w = 202, int h = 20) {
        return Keep(ce::test::Child(parent, PROGRESS_CLASS, style, x, y, w, h, 50));
    }
    static LRESULT Pos(HWND p) { return SendMessage(p, PBM_GETPOS, 0, 0); }
    // Pixels of the highlight colour along a row of the bar (screen).
    static int Filled(int y, int x0, int x1) {
        return ce::test::CountPixels(x0, y, x1, y + 1, GetSysColor(COLOR_HIGHLIGHT));
    }
};

TEST_F(Progress, RangeAndPositionAreClampedAndStepItWrapsToTheMinimum) {
    HWND p = Make(Host());
    EXPECT_EQ(SendMessage(p, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessage(p, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessage(p, PBM_SETPOS, 40, 0), 0);  // returns the old position
    EXPECT_EQ(SendMessage(p, PBM_SETPOS, 500, 0), 40);
    EXPECT_EQ(Pos(p), 100);
    SendMessage(p, PBM_SETPOS, static_cast<WPARAM>(-5), 0);
    EXPECT_EQ(Pos(p), 0);
    EXPECT_EQ(SendMessage(p, PBM_DELTAPOS, 30, 0), 0);
    EXPECT_EQ(SendMessage(p, PBM_DELTAPOS, 100, 0), 30);
    EXPECT_EQ(Pos(p), 100);

    // A new range clamps the position and reports the old range.
    EXPECT_EQ(SendMessage(p, PBM_SETRANGE, 0, MAKELPARAM(10, 50)), MAKELONG(0, 100));
    EXPECT_EQ(Pos(p), 50);
    EXPECT_EQ(SendMessage(p, PBM_SETRANGE32, static_cast<WPARAM>(-1000), 70000), MAKELONG(10, 50));
    PBRANGE r{};
    SendMessage(p, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.iLow, -1000);
    EXPECT_EQ(r.iHigh, 70000);
    SendMessage(p, PBM_SETPOS, 65000, 0);
    EXPECT_EQ(Pos(p), 65000);  // beyond 16 bits
    // A range upside down is refused.
    EXPECT_EQ(SendMessage(p, PBM_SETRANGE32, 5, 1), 0);
    EXPECT_EQ(SendMessage(p, PBM_GETRANGE, FALSE, 0), 70000);

    HWND host = Host();
    CWnd parent;
    parent.Attach(host);
    CProgressCtrl bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 110, 30), &parent, 51));
    bar.SetRange(0, 25);
    EXPECT_EQ(bar.SetStep(10), 10);  // the default step
    EXPECT_EQ(bar.StepIt(), 0);
    EXPECT_EQ(bar.StepIt(), 10);
    EXPECT_EQ(bar.GetPos(), 20);
    bar.StepIt();  // 30 lies past the maximum
    EXPECT_EQ(bar.GetPos(), 0);
    bar.SetRange32(5, 25);
    bar.SetPos(25);
    bar.StepIt();
    EXPECT_EQ(bar.GetPos(), 5);
    bar.SetStep(-10);
    bar.StepIt();  // below the minimum: the minimum
    EXPECT_EQ(bar.GetPos(), 5);
    EXPECT_EQ(bar.OffsetPos(7), 5);
    EXPECT_EQ(bar.GetPos(), 12);
    int lo = 0, hi = 0;
    bar.GetRange(lo, hi);
    EXPECT_EQ(lo, 5);
    EXPECT_EQ(hi, 25);
    bar.DestroyWindow();
    parent.Detach();
}

TEST_F(Progress, FillIsProportionalAndRepaintsOnChange) {
    HWND p = Make(Host());  // 200 pixels inside a 1-pixel frame
    Pump();
    EXPECT_EQ(Filled(110, 100, 302), 0);
    SendMessage(p, PBM_SETPOS, 25, 0);
    Pump();
    EXPECT_EQ(Filled(110, 100, 302), 50);
    EXPECT_EQ(ce::gdi::Screen::Pixel(101, 110), GetSysColor(COLOR_HIGHLIGHT));  // from the left
    SendMessage(p, PBM_SETRANGE32, 0, 8);
    SendMessage(p, PBM_SETPOS, 8, 0);
    Pump();
    EXPECT_EQ(Filled(110, 100, 302), 200);
    EXPECT_NE(ce::gdi::Screen::Pixel(100, 110), GetSysColor(COLOR_HIGHLIGHT));  // the frame stays

    // Vertical bars fill from the bottom; blocks leave gaps.
    HWND v = Make(Host(), PBS_SMOOTH | PBS_VERTICAL, 400, 100, 20, 102);
    SendMessage(v, PBM_SETPOS, 50, 0);
    Pump();
    EXPECT_EQ(ce::test::CountPixels(410, 100, 411, 202, GetSysColor(COLOR_HIGHLIGHT)), 50);
    EXPECT_EQ(ce::gdi::Screen::Pixel(410, 200), GetSysColor(COLOR_HIGHLIGHT));
    HWND b = Make(Host(), 0, 100, 300);
    SendMessage(b, PBM_SETPOS, 100, 0);
    Pump();
    int blocks = Filled(310, 100, 302);
    EXPECT_GT(blocks, 150);
    EXPECT_LT(blocks, 200);
}

// A window that draws a line of text in its paint.
const char16_t* g_painted = u"Double click to exit";

LRESULT CALLBACK PaintsText(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return DefWindowProc(h, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r{0, 40, 300, 60};
    DrawText(dc, g_painted, -1, &r, DT_CENTER);
    EndPaint(h, &ps);
    return 0;
}

TEST_F(Progress, HostViewShowsPositionRangeChecksAndDrawnText) {
    ce::user::RegisterControlInspectors();
    auto desktop = ce::user::MakeDesktop();
    HWND host = Host();
    HWND p = Make(host);
    SendMessage(p, PBM_SETRANGE32, 0, 40);
    SendMessage(p, PBM_SETPOS, 30, 0);
    HWND check = ce::test::Child(host, u"Button", BS_AUTOCHECKBOX, 10, 10, 80, 20, 0, u"Check");
    ce::test::Child(host, u"Button", BS_RADIOBUTTON, 10, 40, 80, 20, 0, u"Radio");
    ce::test::Child(host, u"Button", 0, 10, 70, 80, 20, 0, u"Push");
    SendMessage(check, BM_SETCHECK, BST_CHECKED, 0);
    Pump();
    auto dump = desktop->DumpWindows();
    using ce::test::FindWhere;
    ASSERT_TRUE(FindWhere(dump, "pos", 30)) << dump;
    EXPECT_EQ(ce::test::Missing(*FindWhere(dump, "pos", 30), {{"min", 0}, {"max", 40}}), "");
    ASSERT_TRUE(FindWhere(dump, "text", "Check") && FindWhere(dump, "text", "Radio") &&
                FindWhere(dump, "text", "Push"));
    EXPECT_EQ((*FindWhere(dump, "text", "Check"))["checked"], true);
    EXPECT_EQ((*FindWhere(dump, "text", "Radio"))["checked"], false);
    EXPECT_FALSE(FindWhere(dump, "text", "Push")->contains("checked"));

    // Text a window draws in its paint counts as shown, where it was drawn,
    // until the next paint draws something else. (A label that lets touches
    // through is tried on the control panel itself, in its end-to-end test.)
    ce::test::RegisterHostClass(u"PaintsText", PaintsText, ce::test::kNoBackground);
    HWND w = ce::test::Child(host, u"PaintsText", 0, 100, 200, 300, 100);
    Pump();
    auto at = desktop->FindText("Double click to exit");
    ASSERT_TRUE(at);
    EXPECT_NEAR(at->x, 250, 1);  // the middle of the drawn line, not of the window
    EXPECT_GT(at->y, 240);
    EXPECT_LT(at->y, 260);
    EXPECT_EQ(desktop->TouchPassesAt(*at), "");
    dump = desktop->DumpWindows();
    const auto* entry = ce::test::FindWhere(dump, "class", "PaintsText");
    ASSERT_TRUE(entry);
    EXPECT_EQ((*entry)["drawn"], ce::test::Json({"Double click to exit"}));
    g_painted = u"Tap to accept";
    InvalidateRect(w, nullptr, TRUE);
    Pump();
    EXPECT_FALSE(desktop->FindText("Double click to exit"));
    EXPECT_TRUE(desktop->FindText("Tap to accept"));
}

}  // namespace
