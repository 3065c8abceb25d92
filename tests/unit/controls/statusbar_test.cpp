// The status bar: its parts and texts, simple mode, how it sits at the
// bottom of its parent, and what the host's view shows of it.
#include "commctrl.h"
#include "dlgtest.h"
#include "jsontest.h"
#include "userdesktop.h"

using namespace dlgtest;

namespace {

class StatusBar : public DialogTest {};

std::u16string PartText(HWND s, WPARAM part) {
    auto info = SendMessage(s, SB_GETTEXTLENGTH, part, 0);
    std::u16string text(LOWORD(info) + 1u, u'?');
    EXPECT_EQ(SendMessage(s, SB_GETTEXT, part, reinterpret_cast<LPARAM>(text.data())), info);
    text.resize(LOWORD(info));
    return text;
}

TEST_F(StatusBar, PartsKeepTheirTextsAndTheBarFollowsItsParent) {
    HWND host = Host(WS_POPUP | WS_VISIBLE, 0, 0, 400, 300);
    HWND s = Keep(CreateStatusWindow(WS_CHILD | WS_VISIBLE, u"Ready", host, 77));
    ASSERT_TRUE(s);
    EXPECT_EQ(GetDlgCtrlID(s), 77);
    RECT r, pc;
    GetClientRect(host, &pc);
    GetWindowRect(s, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, pc.right);
    EXPECT_EQ(r.bottom, pc.bottom);
    EXPECT_GT(r.bottom - r.top, 10);
    EXPECT_EQ(PartText(s, 0), u"Ready");

    // Two parts; texts survive a change of parts; a part out of range is refused.
    const int rights[] = {150, -1};
    EXPECT_TRUE(SendMessage(s, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rights)));
    EXPECT_TRUE(SendMessage(s, SB_SETTEXT, 1 | SBT_POPOUT, reinterpret_cast<LPARAM>(u"left\tmiddle\tright")));
    EXPECT_FALSE(SendMessage(s, SB_SETTEXT, 2, reinterpret_cast<LPARAM>(u"none")));
    EXPECT_FALSE(SendMessage(s, SB_SETPARTS, 0, reinterpret_cast<LPARAM>(rights)));
    EXPECT_EQ(HIWORD(SendMessage(s, SB_GETTEXTLENGTH, 1, 0)), SBT_POPOUT);
    EXPECT_EQ(PartText(s, 0), u"Ready");
    int got[4] = {};
    EXPECT_EQ(SendMessage(s, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(got)), 2);
    EXPECT_EQ(got[0], 150);
    EXPECT_EQ(got[1], -1);
    RECT part{};
    EXPECT_TRUE(SendMessage(s, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part)));
    EXPECT_GT(part.left, 150);
    EXPECT_EQ(part.right, pc.right);
    // WM_SETTEXT is part 0.
    SetWindowText(s, u"HKEY_LOCAL_MACHINE\\Drivers");
    EXPECT_EQ(PartText(s, 0), u"HKEY_LOCAL_MACHINE\\Drivers");

    // Simple mode shows its own text; the parts come back after it.
    SendMessage(s, SB_SETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>(u"Searching..."));
    SendMessage(s, SB_SIMPLE, TRUE, 0);
    EXPECT_TRUE(SendMessage(s, SB_ISSIMPLE, 0, 0));
    UpdateWindow(host);
    auto desktop = ce::user::MakeDesktop();
    EXPECT_TRUE(desktop->FindText("Searching..."));
    EXPECT_FALSE(desktop->FindText("right"));
    SendMessage(s, SB_SIMPLE, FALSE, 0);
    UpdateWindow(host);
    EXPECT_TRUE(desktop->FindText("HKEY_LOCAL_MACHINE\\Drivers"));
    EXPECT_TRUE(desktop->FindText("right"));
    ce::user::RegisterControlInspectors();
    ce::test::Json dump = desktop->DumpWindows();
    const ce::test::Json* bar =
        ce::test::FindObject(dump, [](const ce::test::Json& o) { return o.contains("simple"); });
    ASSERT_TRUE(bar) << dump.dump();
    EXPECT_EQ(
        ce::test::Missing(*bar, {{"simple", false}, {"parts", {"HKEY_LOCAL_MACHINE\\Drivers", "left\tmiddle\tright"}}}),
        "");

    // A bigger parent: the bar moves down and widens when told.
    SetWindowPos(host, nullptr, 0, 0, 500, 350, SWP_NOZORDER | SWP_NOMOVE);
    SendMessage(s, WM_SIZE, 0, 0);
    GetClientRect(host, &pc);
    GetWindowRect(s, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.right, pc.right);
    EXPECT_EQ(r.bottom, pc.bottom);
}

}  // namespace
