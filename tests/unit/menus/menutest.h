// A main window with a command bar from the test menu, recording what its
// window procedure hears, and helpers to find menu items on the screen.
#pragma once

#include "commctrl.h"
#include "dlgtest.h"
#include "menus_res.h"

namespace menutest {

using namespace dlgtest;

// Open drop-down menu windows, topmost first.
inline std::vector<HWND> OpenMenus() {
    std::vector<HWND> out;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        WCHAR cls[16] = {};
        GetClassName(w, cls, 16);
        if (std::u16string_view(cls) == u"#32768" && IsWindowVisible(w)) out.push_back(w);
    }
    return out;
}

// Records commands with the number of menus open when they came (in `extra`).
inline LRESULT CALLBACK MainProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_COMMAND:
            ce::test::Record(h, m, wp, lp, static_cast<UINT>(OpenMenus().size()));
            return 0;
        case WM_INITMENUPOPUP:
        case WM_CLOSE:
        case WM_HELP:
        case WM_SYSCHAR:
        case WM_CHAR:
            ce::test::Record(h, m, wp, lp, static_cast<UINT>(OpenMenus().size()));
            return m == WM_CLOSE ? 0 : DefWindowProc(h, m, wp, lp);
        default:
            return HostProc(h, m, wp, lp);
    }
}

class MenuTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ce::test::RegisterHostClass(u"MenuMain", MainProc, COLOR_WINDOW);
        main_ = Keep(ce::test::CreateHost(u"MenuMain", u"Main"));
        SetActiveWindow(main_);
        SetFocus(main_);
        bar_ = CommandBar_Create(GetModuleHandle(nullptr), main_, 1);
        ASSERT_TRUE(bar_);
        ASSERT_TRUE(CommandBar_InsertMenubar(bar_, GetModuleHandle(nullptr), IDR_BAR, 0));
        ASSERT_TRUE(CommandBar_AddAdornments(bar_, 0, 0));
        menu_ = CommandBar_GetMenu(bar_, 0);
        Pump();
        Log().clear();
    }

    // Screen centre of item `i` of the menu bar.
    POINT BarItem(int i) {
        RECT r{};
        EXPECT_TRUE(GetMenuItemRect(bar_, menu_, static_cast<UINT>(i), &r));
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // Screen centre of item `i` of the open drop-down showing `menu`.
    static POINT Item(HMENU menu, int i) {
        RECT r{};
        EXPECT_TRUE(GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &r));
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static std::vector<Heard> Commands() { return Only(WM_COMMAND); }

    HWND main_ = nullptr;
    HWND bar_ = nullptr;
    HMENU menu_ = nullptr;
};

}  // namespace menutest
