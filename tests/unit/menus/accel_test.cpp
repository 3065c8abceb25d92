// Accelerator tables through the normal input path: Alt makes system keys
// and WM_SYSCHAR, character entries with FALT need them, virtual-key entries
// need exactly their modifiers, and nothing else is translated.
#include "menutest.h"

using namespace menutest;

namespace {

class Accel : public MenuTest {
protected:
    void SetUp() override {
        MenuTest::SetUp();
        accel_ = LoadAccelerators(GetModuleHandle(nullptr), MAKEINTRESOURCE(IDR_ACCEL));
        ASSERT_TRUE(accel_);
    }
    // The program's loop: accelerators first, for the message's own window.
    void Loop() {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
            seen_.push_back(m.message);
            if (TranslateAccelerator(m.hwnd, accel_, &m)) continue;
            TranslateMessage(&m);
            DispatchMessage(&m);
        }
    }
    // A key typed with modifiers held, as the host's scripts type it.
    static void Type(std::initializer_list<UINT> mods, UINT vk, WCHAR ch) {
        for (UINT m : mods) ce::user::InjectKey(m, true, 0);
        ce::user::InjectKey(vk, true, ch);
        ce::user::InjectKey(vk, false, 0);
        for (auto it = std::rbegin(mods); it != std::rend(mods); ++it) ce::user::InjectKey(*it, false, 0);
    }
    std::vector<WORD> Fired() {
        std::vector<WORD> out;
        for (auto& s : Commands()) {
            EXPECT_EQ(HIWORD(s.wp), 1);  // from an accelerator
            out.push_back(LOWORD(s.wp));
        }
        return out;
    }
    HACCEL accel_ = nullptr;
    std::vector<UINT> seen_;
};

constexpr UINT kVkSlash = 0xBF;

TEST_F(Accel, AltSlashAndAltF4FireTheirEntriesAndDefWindowProcIgnoresSystemKeys) {
    Type({VK_MENU}, kVkSlash, u'/');
    Loop();
    EXPECT_EQ(Fired(), std::vector<WORD>{IDM_ABOUT});
    // Alt down, '/' down, '/' up and Alt up are system keys; the character is
    // WM_SYSCHAR (translated, so the window never saw it).
    EXPECT_EQ(seen_, (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_KEYUP}));
    EXPECT_TRUE(Only(WM_SYSCHAR).empty());

    Log().clear();
    Type({VK_MENU}, VK_F4, 0);
    Loop();
    EXPECT_EQ(Fired(), std::vector<WORD>{IDM_EXIT});
    // Without a table, the system keys reach the window and change nothing.
    seen_.clear();
    Type({VK_MENU}, VK_F4, 0);
    Type({VK_MENU}, 'Q', u'q');
    Pump();
    EXPECT_TRUE(IsWindow(main_));
    ASSERT_EQ(Only(WM_SYSCHAR).size(), 1u);
    EXPECT_EQ(Only(WM_SYSCHAR)[0].wp, u'q');
    EXPECT_NE(Only(WM_SYSCHAR)[0].lp & 0x20000000, 0);  // typed with Alt
}

TEST_F(Accel, OtherModifiersOtherMessagesAndBadArgumentsFireNothing) {
    Type({}, kVkSlash, u'/');                // a plain '/' is WM_CHAR
    Type({}, VK_F4, 0);                      // F4 alone
    Type({VK_CONTROL, VK_MENU}, VK_F4, 0);   // Ctrl+Alt+F4: not exactly Alt
    Type({VK_CONTROL, VK_SHIFT}, VK_F5, 0);  // Shift+F5 wants Shift alone
    Loop();
    EXPECT_TRUE(Fired().empty());
    ASSERT_EQ(Only(WM_CHAR).size(), 1u);
    EXPECT_EQ(Only(WM_CHAR)[0].wp, u'/');
    Type({VK_SHIFT}, VK_F5, 0);
    Loop();
    EXPECT_EQ(Fired(), std::vector<WORD>{IDM_OPEN});

    Log().clear();
    MSG m{main_, WM_KEYUP, VK_F4, 0, 0, {}};
    EXPECT_EQ(TranslateAccelerator(main_, accel_, &m), 0);
    m.message = WM_PAINT;
    EXPECT_EQ(TranslateAccelerator(main_, accel_, &m), 0);
    m.message = WM_CHAR;
    m.wParam = u'/';  // the character entry wants Alt
    EXPECT_EQ(TranslateAccelerator(main_, accel_, &m), 0);
    m.message = WM_SYSCHAR;
    EXPECT_EQ(TranslateAccelerator(main_, nullptr, &m), 0);
    EXPECT_EQ(TranslateAccelerator(main_, accel_, nullptr), 0);
    EXPECT_EQ(TranslateAccelerator(nullptr, accel_, &m), 0);
    EXPECT_EQ(TranslateAccelerator(main_, reinterpret_cast<HACCEL>(&m), &m), 0);
    EXPECT_TRUE(Commands().empty());
    EXPECT_NE(TranslateAccelerator(main_, accel_, &m), 0);
    EXPECT_EQ(Fired(), std::vector<WORD>{IDM_ABOUT});
}

}  // namespace
