// The command bar and its drop-down menus worked by touch and keys: the
// command comes after the menus have closed, cascades, items that cannot be
// chosen, dismissal, the close box, idleness inside the menu loop and the
// host's view of menus.
#include <atomic>
#include <thread>

#include "controltest.h"
#include "jsontest.h"
#include "menutest.h"
#include "userdesktop.h"

using namespace menutest;
using ce::test::TapNow, ce::test::KeyNow, ce::test::MouseNow;

namespace {

TEST_F(MenuTest, BarSpansTheTopOfItsParentWithItsItemsLeftAndCloseBoxRight) {
    RECT r;
    GetWindowRect(bar_, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(CommandBar_Height(bar_), 26);
    EXPECT_EQ(r.bottom - r.top, 26);
    EXPECT_EQ(GetDlgCtrlID(bar_), 1);
    EXPECT_EQ(GetMenuItemCount(menu_), 3);
    POINT file = BarItem(0), edit = BarItem(1), help = BarItem(2);
    EXPECT_LT(file.x, edit.x);
    EXPECT_LT(edit.x, help.x);
    EXPECT_LT(help.x, 200);
    RECT third;
    EXPECT_FALSE(GetMenuItemRect(bar_, menu_, 3, &third));

    EXPECT_TRUE(CommandBar_IsVisible(bar_));
    EXPECT_TRUE(CommandBar_Show(bar_, FALSE));
    EXPECT_FALSE(CommandBar_IsVisible(bar_));
    CommandBar_Show(bar_, TRUE);

    // Bad handles and missing menus fail plainly.
    EXPECT_EQ(CommandBar_Height(nullptr), 0);
    EXPECT_EQ(CommandBar_Height(main_), 0);
    EXPECT_FALSE(CommandBar_InsertMenubar(main_, GetModuleHandle(nullptr), IDR_BAR, 0));
    EXPECT_FALSE(CommandBar_InsertMenubar(bar_, GetModuleHandle(nullptr), 999, 0));
    EXPECT_EQ(CommandBar_GetMenu(bar_, 0), menu_);  // the failed insert kept the menu
    EXPECT_FALSE(CommandBar_Create(nullptr, nullptr, 2));
    EXPECT_FALSE(CommandBar_InsertMenubar(nullptr, nullptr, IDR_BAR, 0));
    EXPECT_FALSE(CommandBar_AddAdornments(main_, 0, 0));
    EXPECT_EQ(CommandBar_GetMenu(CommandBar_Create(nullptr, main_, 2), 0), nullptr);  // a bar without a menu
    EXPECT_EQ(GetSubMenu(nullptr, 0), nullptr);
    EXPECT_EQ(GetMenuItemCount(nullptr), -1);
    EXPECT_FALSE(DestroyMenu(nullptr));

    // The bar goes with its parent.
    DestroyWindow(main_);
    EXPECT_FALSE(IsWindow(bar_));
}

TEST_F(MenuTest, ChoosingAnItemPostsItsCommandAfterTheMenusClosed) {
    HMENU file = GetSubMenu(menu_, 0);
    ASSERT_TRUE(file);
    Tap(BarItem(0));
    WhenIdle({[&] {
        // Open and waiting: the owner was told before the menu showed.
        auto init = Only(WM_INITMENUPOPUP);
        ASSERT_EQ(init.size(), 1u);
        EXPECT_EQ(reinterpret_cast<HMENU>(init[0].wp), file);
        EXPECT_EQ(LOWORD(init[0].lp), 0);
        EXPECT_EQ(init[0].extra, 0u);
        ASSERT_EQ(OpenMenus().size(), 1u);
        RECT r;
        GetWindowRect(OpenMenus()[0], &r);
        EXPECT_EQ(r.top, 26);  // under the bar
        EXPECT_EQ(GetCapture(), bar_);
        EXPECT_TRUE(Commands().empty());
        Tap(Item(file, 3));  // "Exit"
    }});
    Pump();
    auto cmds = Commands();
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].wp, MAKEWPARAM(IDM_EXIT, 0));
    EXPECT_EQ(cmds[0].lp, 0);
    EXPECT_EQ(cmds[0].extra, 0u);  // no menu was open any more
    EXPECT_TRUE(OpenMenus().empty());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION) & MF_HILITE, 0u);
}

TEST_F(MenuTest, PopupItemsOpenTheirCascadeBesideThem) {
    HMENU edit = GetSubMenu(menu_, 1);
    HMENU sub = GetSubMenu(edit, 0);
    ASSERT_TRUE(sub);
    EXPECT_EQ(GetMenuItemID(edit, 0), static_cast<UINT>(-1));  // a popup has no id
    EXPECT_EQ(GetMenuState(edit, 0, MF_BYPOSITION) & (MF_POPUP | 0xFF00), MF_POPUP | (3u << 8));
    Tap(BarItem(1));
    WhenIdle({[&] { Tap(Item(edit, 0)); },
              [&] {
                  auto menus = OpenMenus();
                  ASSERT_EQ(menus.size(), 2u);
                  RECT outer, inner;
                  GetWindowRect(menus[1], &outer);
                  GetWindowRect(menus[0], &inner);
                  EXPECT_EQ(inner.left, outer.right);
                  auto init = Only(WM_INITMENUPOPUP);
                  ASSERT_EQ(init.size(), 2u);
                  EXPECT_EQ(reinterpret_cast<HMENU>(init[1].wp), sub);
                  EXPECT_NE(GetMenuState(edit, 0, MF_BYPOSITION) & MF_HILITE, 0u);
                  // Drawn so: the open popup item lit, the cascade's items on the menu face.
                  RECT r;
                  GetMenuItemRect(nullptr, edit, 0, &r);
                  EXPECT_EQ(ce::gdi::Screen::Pixel(r.left + 3, (r.top + r.bottom) / 2), GetSysColor(COLOR_HIGHLIGHT));
                  GetMenuItemRect(nullptr, sub, 0, &r);
                  EXPECT_EQ(ce::gdi::Screen::Pixel(r.right - 3, (r.top + r.bottom) / 2), GetSysColor(COLOR_MENU));
                  Tap(Item(sub, 2));  // "String Value"
              }});
    Pump();
    auto cmds = Commands();
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), IDM_STRING);
    EXPECT_TRUE(OpenMenus().empty());
}

TEST_F(MenuTest, DraggingFromTheBarOpensCascadesAndReleaseChooses) {
    HMENU edit = GetSubMenu(menu_, 1);
    HMENU sub = GetSubMenu(edit, 0);
    POINT p = BarItem(1);
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y);
    WhenIdle({[&] {
                  POINT n = Item(edit, 0);
                  ce::user::InjectMouse(ce::user::Mouse::Move, n.x, n.y);
              },
              [&] {
                  ASSERT_EQ(OpenMenus().size(), 2u);  // opened by moving onto it
                  POINT k = Item(sub, 0);
                  ce::user::InjectMouse(ce::user::Mouse::Move, k.x, k.y);
                  ce::user::InjectMouse(ce::user::Mouse::Up, k.x, k.y);
              }});
    Pump();
    auto cmds = Commands();
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), IDM_KEY);
}

TEST_F(MenuTest, SeparatorsAndGrayedItemsAreNotChosenAndEscapeCloses) {
    HMENU file = GetSubMenu(menu_, 0);
    EXPECT_NE(GetMenuState(file, 1, MF_BYPOSITION) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(file, 2, MF_BYPOSITION) & MF_SEPARATOR, 0u);
    Tap(BarItem(0));
    WhenIdle({[&] { Tap(Item(file, 2)); },  // the separator
              [&] { Tap(Item(file, 1)); },  // "Locked"
              [&] {
                  EXPECT_EQ(OpenMenus().size(), 1u);
                  EXPECT_TRUE(Commands().empty());
                  Key(VK_ESCAPE);
              }});
    Pump();
    EXPECT_TRUE(OpenMenus().empty());
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(GetCapture(), nullptr);

    // Enabled again, the same item is chosen.
    EXPECT_EQ(EnableMenuItem(menu_, IDM_LOCKED, MF_BYCOMMAND | MF_ENABLED), static_cast<UINT>(MF_GRAYED));
    Tap(BarItem(0));
    WhenIdle({[&] { Tap(Item(file, 1)); }});
    Pump();
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(LOWORD(Commands()[0].wp), IDM_LOCKED);
    EnableMenuItem(menu_, IDM_LOCKED, MF_BYCOMMAND | MF_GRAYED);
}

TEST_F(MenuTest, TapOutsideClosesWithoutCommandAndReachesNothingBeneath) {
    Tap(BarItem(0));
    WhenIdle({[&] { Tap({400, 300}); }});
    Pump();
    EXPECT_TRUE(OpenMenus().empty());
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());  // the main window heard no tap
    EXPECT_EQ(GetCapture(), nullptr);

    // The open menu's own bar item closes it too; the next tap is ordinary.
    Tap(BarItem(2));
    WhenIdle({[&] { Tap(BarItem(2)); }});
    Pump();
    EXPECT_TRUE(OpenMenus().empty());
    TapNow({400, 300});
    EXPECT_EQ(Only(WM_LBUTTONDOWN).size(), 1u);
}

TEST_F(MenuTest, TapOnAnotherBarItemSwitchesMenus) {
    HMENU help = GetSubMenu(menu_, 2);
    Tap(BarItem(0));
    WhenIdle({[&] { Tap(BarItem(2)); },
              [&] {
                  ASSERT_EQ(OpenMenus().size(), 1u);
                  EXPECT_EQ(reinterpret_cast<HMENU>(SendMessage(OpenMenus()[0], MN_GETHMENU, 0, 0)), help);
                  Tap(Item(help, 0));
              }});
    Pump();
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(LOWORD(Commands()[0].wp), IDM_ABOUT);
}

TEST_F(MenuTest, KeysMoveOpenCloseAndChoose) {
    HMENU edit = GetSubMenu(menu_, 1);
    Tap(BarItem(1));
    WhenIdle({[&] {
                  Key(VK_DOWN);   // "New", the first
                  Key(VK_RIGHT);  // its cascade, on "Key"
                  Key(VK_DOWN);   // over the separator to "String Value"
              },
              [&] {
                  ASSERT_EQ(OpenMenus().size(), 2u);
                  HMENU sub = GetSubMenu(edit, 0);
                  EXPECT_NE(GetMenuState(sub, 2, MF_BYPOSITION) & MF_HILITE, 0u);
                  Key(VK_ESCAPE);  // closes the cascade only
              },
              [&] {
                  EXPECT_EQ(OpenMenus().size(), 1u);
                  Key(VK_UP);  // wraps to "Delete" over the separator
                  Key(VK_RETURN);
              }});
    Pump();
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(LOWORD(Commands()[0].wp), IDM_DELETE);

    // A mnemonic chooses; LEFT on the first level moves along the bar.
    Tap(BarItem(1));
    WhenIdle({[&] { Key(VK_LEFT); },
              [&] {
                  ASSERT_EQ(OpenMenus().size(), 1u);
                  EXPECT_EQ(reinterpret_cast<HMENU>(SendMessage(OpenMenus()[0], MN_GETHMENU, 0, 0)),
                            GetSubMenu(menu_, 0));
                  ce::user::InjectKey('X', true, u'x');
                  ce::user::InjectKey('X', false, 0);
              }});
    Pump();
    ASSERT_EQ(Commands().size(), 2u);
    EXPECT_EQ(LOWORD(Commands()[1].wp), IDM_EXIT);
}

TEST_F(MenuTest, AltWithALetterF10AndAltAloneOpenTheMenus) {
    using ce::user::InjectKey;
    HMENU edit = GetSubMenu(menu_, 1);
    auto shown = [] {
        return OpenMenus().size() == 1 ? reinterpret_cast<HMENU>(SendMessage(OpenMenus()[0], MN_GETHMENU, 0, 0))
                                       : nullptr;
    };
    WhenIdle({[&] {
        EXPECT_EQ(shown(), edit);
        EXPECT_NE(GetMenuState(edit, 0, MF_BYPOSITION) & MF_HILITE, 0u);  // "New" lit for the arrows
        Key(VK_DOWN);
        Key(VK_RETURN);
    }});
    InjectKey(VK_MENU, true, 0);
    InjectKey('E', true, u'e');
    InjectKey('E', false, 0);
    InjectKey(VK_MENU, false, 0);
    Pump();
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(LOWORD(Commands()[0].wp), IDM_DELETE);

    // F10 opens the first menu and closes it again; so does Alt alone, and Escape closes.
    WhenIdle({[&] {
        EXPECT_EQ(shown(), GetSubMenu(menu_, 0));
        Key(VK_F10);
    }});
    KeyNow(VK_F10);
    EXPECT_TRUE(OpenMenus().empty());
    WhenIdle({[&] {
        EXPECT_EQ(shown(), GetSubMenu(menu_, 0));
        Key(VK_ESCAPE);
    }});
    KeyNow(VK_MENU);
    EXPECT_TRUE(OpenMenus().empty());
    // A letter no menu has opens nothing.
    InjectKey(VK_MENU, true, 0);
    InjectKey('Q', true, u'q');
    InjectKey('Q', false, 0);
    InjectKey(VK_MENU, false, 0);
    Pump();
    EXPECT_TRUE(OpenMenus().empty());
    EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(MenuTest, CloseBoxSendsCloseOnlyWhenReleasedOnItAndOkAndHelpBoxesSitLeftOfIt) {
    RECT r;
    GetWindowRect(bar_, &r);
    POINT box{r.right - 2 - 11, 13};
    ce::user::InjectMouse(ce::user::Mouse::Down, box.x, box.y);
    ce::user::InjectMouse(ce::user::Mouse::Move, 400, 300);
    MouseNow(ce::user::Mouse::Up, 400, 300);
    EXPECT_TRUE(Only(WM_CLOSE).empty());
    TapNow(box);
    EXPECT_EQ(Only(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(IsWindow(main_));  // the parent decides (this one stays)

    ASSERT_TRUE(CommandBar_AddAdornments(bar_, CMDBAR_OK | CMDBAR_HELP, 0));
    Pump();
    Log().clear();
    Tap({r.right - 2 - 22 - 2 - 14, 13});              // OK
    TapNow({r.right - 2 - 22 - 2 - 28 - 2 - 11, 13});  // ?
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(LOWORD(Commands()[0].wp), IDOK);
    EXPECT_EQ(Only(WM_HELP).size(), 1u);
    EXPECT_TRUE(Only(WM_CLOSE).empty());
}

TEST_F(MenuTest, HostSeesIdleAndMenuItemsWhileTheMenuLoopWaits) {
    auto desktop = ce::user::MakeDesktop();
    Tap(BarItem(0));
    std::atomic<bool> sawIdle{false};
    std::optional<ce::host::ScreenPoint> exitPt, editPt;
    ce::test::Json dump;
    std::thread host;
    WhenIdle({[&] {
        host = std::thread([&] {
            sawIdle = desktop->WaitIdle(std::chrono::seconds(10));
            if (sawIdle) {
                exitPt = desktop->FindText("Exit");
                editPt = desktop->FindText("Edit");
                dump = desktop->DumpWindows();
            }
            ce::user::InjectKey(VK_ESCAPE, true, 0);
            ce::user::InjectKey(VK_ESCAPE, false, 0);
        });
    }});
    Pump();
    host.join();
    EXPECT_TRUE(sawIdle);
    ASSERT_TRUE(exitPt);
    ASSERT_TRUE(editPt);
    POINT edit = BarItem(1);
    EXPECT_EQ(editPt->x, edit.x);
    EXPECT_EQ(editPt->y, edit.y);
    EXPECT_GT(exitPt->y, 26);
    using ce::test::FindWhere;
    const auto* bar = ce::test::FindObject(dump, [](const auto& o) { return o.contains("menubar"); });
    ASSERT_TRUE(bar) << dump;
    EXPECT_EQ((*bar)["menubar"][0]["text"], "&File");
    EXPECT_EQ((*bar)["menubar"][0]["rect"].size(), 4u);
    const auto* exit = FindWhere(dump, "text", "E&xit");
    ASSERT_TRUE(exit) << dump;
    EXPECT_EQ((*exit)["id"], 40002);
    const auto* separator = FindWhere(dump, "separator", true);
    ASSERT_TRUE(separator);
    EXPECT_EQ(ce::test::Missing(*separator, {{"popup", false}, {"grayed", false}, {"highlighted", false}}), "");
    EXPECT_TRUE(FindWhere(dump, "id", 40004));
    EXPECT_TRUE(FindWhere(dump, "grayed", true));
    EXPECT_TRUE(OpenMenus().empty());
    // Closed, the items are not there to tap.
    EXPECT_FALSE(desktop->FindText("Exit"));
}

TEST_F(MenuTest, TrackPopupMenuReturnsTheChoiceAlignsOnItsPointAndStaysOnTheScreen) {
    HMENU file = GetSubMenu(menu_, 0);
    WhenIdle({[&] {
        ASSERT_EQ(OpenMenus().size(), 1u);
        RECT r;
        GetWindowRect(OpenMenus()[0], &r);
        EXPECT_EQ(r.left, 300);
        EXPECT_EQ(r.top, 200);
        Tap(Item(file, 0));
    }});
    EXPECT_EQ(TrackPopupMenuEx(file, TPM_RETURNCMD, 300, 200, main_, nullptr), IDM_OPEN);
    WhenIdle({[&] { Tap({700, 400}); }});
    EXPECT_EQ(TrackPopupMenuEx(file, TPM_RETURNCMD, 300, 200, main_, nullptr), 0);
    // A window closing the menu (as the host does to end a program) closes
    // the menu's window too.
    WhenIdle({[&] { PostMessage(OpenMenus()[0], WM_CLOSE, 0, 0); }});
    EXPECT_EQ(TrackPopupMenuEx(file, 0, 300, 200, main_, nullptr), FALSE);
    Pump();
    EXPECT_TRUE(OpenMenus().empty());
    EXPECT_EQ(Only(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(Commands().empty());
    EXPECT_FALSE(TrackPopupMenuEx(file, 0, 0, 0, nullptr, nullptr));
    EXPECT_FALSE(TrackPopupMenuEx(nullptr, 0, 0, 0, main_, nullptr));

    // Context menus align on their point, stay on the screen and ignore the hold's release.
    WhenIdle({[&] {
        RECT r;
        GetWindowRect(OpenMenus()[0], &r);
        EXPECT_EQ(r.right, 300);
        EXPECT_EQ(r.bottom, 200);
        Tap({700, 400});
    }});
    EXPECT_EQ(TrackPopupMenuEx(file, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, 300, 200, main_, nullptr), 0);
    // At the corner of the screen the menu moves onto it, beside the stylus
    // that held the item: lifting that stylus chooses nothing.
    const POINT corner{GetSystemMetrics(SM_CXSCREEN) - 3, GetSystemMetrics(SM_CYSCREEN) - 3};
    WhenIdle({[&] {
                  RECT r;
                  GetWindowRect(OpenMenus()[0], &r);
                  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
                  EXPECT_EQ(r.bottom, corner.y);  // above the point: there is no room below
                  ce::user::InjectMouse(ce::user::Mouse::Up, corner.x, corner.y);
              },
              [&] {
                  ASSERT_EQ(OpenMenus().size(), 1u);
                  Tap(Item(file, 0));
              }});
    EXPECT_EQ(TrackPopupMenuEx(file, TPM_RETURNCMD, corner.x, corner.y, main_, nullptr), IDM_OPEN);
}

}  // namespace
