// The message box, driven by input injected while it runs, and the caption
// buttons of the window frame.
#include "controltest.h"
#include "dlgtest.h"

using namespace dlgtest;
using ce::test::TapNow, ce::test::MouseNow;
using ce::user::InjectMouse;
using ce::user::Mouse;

namespace {

// What the running box looked like, seen from inside its loop.
struct BoxSeen {
    HWND box = nullptr;
    bool ownerEnabled = true;
    bool topmost = false;
    RECT rect{};
    std::vector<int> buttons;
    std::u16string text;  // the text control's, id 0xFFFF
    int focusId = 0;
};

class Boxes : public DialogTest {
protected:
    // A step that looks at the box and then does `act`.
    std::function<void()> Look(BoxSeen* seen, HWND owner) {
        return [seen, owner] {
            seen->box = GetActiveWindow();
            seen->ownerEnabled = IsWindowEnabled(owner) != FALSE;
            seen->topmost = (GetWindowLong(seen->box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            GetWindowRect(seen->box, &seen->rect);
            for (HWND c = GetWindow(seen->box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (GetDlgCtrlID(c) != 0xFFFF) {
                    seen->buttons.push_back(GetDlgCtrlID(c));
                    continue;
                }
                WCHAR buf[64] = {0};
                GetWindowText(c, buf, 64);
                seen->text = buf;
            }
            seen->focusId = GetDlgCtrlID(GetFocus());
        };
    }
};

TEST_F(Boxes, EnterChoosesTheDefaultButtonAndLongTextWrapsWithinTheScreen) {
    HWND owner = Host();
    BoxSeen seen;
    WhenIdle({Look(&seen, owner), [] { Key(VK_RETURN); }});
    EXPECT_EQ(MessageBox(owner, u"Save the changes?", u"Question", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(seen.topmost);
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(seen.text, u"Save the changes?");
    EXPECT_EQ(seen.focusId, IDNO);
    EXPECT_LE(std::abs(seen.rect.left + seen.rect.right - GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs(seen.rect.top + seen.rect.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(seen.box));
}

TEST_F(Boxes, KeysTapsAndTheCloseBoxGiveTheirAnswers) {
    HWND owner = Host();
    const struct {
        void (*act)();
        const char16_t* text;
        UINT type;
        int want;
        bool bare = false;  // no owner, no caption
    } cases[] = {
        {[] { Key(VK_RETURN); }, u"Done.", 0, IDOK},
        {[] { Key(VK_ESCAPE); }, u"Retry?", MB_RETRYCANCEL | MB_ICONERROR, IDCANCEL},
        {[] { Tap(CloseBox(GetActiveWindow())); }, u"Go on?", MB_OKCANCEL | MB_ICONWARNING, IDCANCEL},
        // With only an OK button, cancelling means OK.
        {[] { Tap(CloseBox(GetActiveWindow())); }, u"Saved.", MB_OK | MB_ICONINFORMATION, IDOK},
        {[] { Key(VK_ESCAPE); }, u"Saved.", MB_OK, IDOK},
        {[] { Tap(Center(GetDlgItem(GetActiveWindow(), IDIGNORE))); }, u"Line one\nLine two", MB_ABORTRETRYIGNORE,
         IDIGNORE},
        {[] { Tap(Center(GetDlgItem(GetActiveWindow(), IDNO))); }, u"Quit?", MB_YESNOCANCEL | MB_DEFBUTTON3, IDNO,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        WhenIdle({c.act});
        EXPECT_EQ(MessageBox(c.bare ? nullptr : owner, c.text, c.bare ? nullptr : u"Box", c.type), c.want);
    }
    // An unknown button set fails.
    SetLastError(0);
    EXPECT_EQ(MessageBox(nullptr, u"x", u"y", 7), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    BoxSeen seen;
    std::u16string text;
    for (int i = 0; i < 60; ++i) text += u"wrapping words ";
    WhenIdle({Look(&seen, owner), [] { Key(VK_RETURN); }});
    EXPECT_EQ(MessageBox(owner, text.c_str(), u"Long", MB_OK), IDOK);
    EXPECT_GE(seen.rect.left, 0);
    EXPECT_LE(seen.rect.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GT(seen.rect.bottom - seen.rect.top, 100);  // several lines
}

// ---- Caption buttons -------------------------------------------------------------------------

class Frame : public DialogTest {};

TEST_F(Frame, CaptionShowsTheTitleInWhiteAndItsBoxesCloseWindowsOrSayOk) {
    HWND w = Host(WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 300, 200);
    SetWindowText(w, u"MMMMMMMM");
    Pump();
    EXPECT_GT(ce::test::CountPixels(102, 102, 200, 120, RGB(255, 255, 255)), 20);
    TapNow(CloseBox(w));
    ASSERT_EQ(Only(WM_CLOSE).size(), 1u);
    EXPECT_EQ(Only(WM_CLOSE)[0].hwnd, w);
    EXPECT_TRUE(Only(WM_COMMAND).empty());

    // The OK button of WS_EX_CAPTIONOKBTN windows.
    Log().clear();
    HWND ok = Host(WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 300, 200, WS_EX_CAPTIONOKBTN);
    Pump();
    TapNow(OkBox(ok));
    ASSERT_EQ(Only(WM_COMMAND).size(), 1u);
    EXPECT_EQ(Only(WM_COMMAND)[0].wp, MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_TRUE(Only(WM_CLOSE).empty());
}

TEST_F(Frame, CaptionButtonsActOnlyWhenReleasedOverThem) {
    HWND w = Host(WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 300, 200);
    Pump();
    POINT box = CloseBox(w);
    COLORREF corner = ce::gdi::Screen::Pixel(box.x - 8, box.y - 7);
    MouseNow(Mouse::Down, box.x, box.y);
    COLORREF pressed = ce::gdi::Screen::Pixel(box.x - 8, box.y - 7);
    EXPECT_NE(pressed, corner);  // sunken while held
    MouseNow(Mouse::Move, box.x - 100, box.y + 50);
    EXPECT_EQ(ce::gdi::Screen::Pixel(box.x - 8, box.y - 7), corner);
    MouseNow(Mouse::Move, box.x, box.y);
    EXPECT_EQ(ce::gdi::Screen::Pixel(box.x - 8, box.y - 7), pressed);
    InjectMouse(Mouse::Move, box.x - 100, box.y + 50);
    MouseNow(Mouse::Up, box.x - 100, box.y + 50);
    EXPECT_TRUE(Only(WM_CLOSE).empty());
    EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());  // the stylus stayed with the caption button
    EXPECT_EQ(ce::gdi::Screen::Pixel(box.x - 8, box.y - 7), corner);
    // The stylus works normally again afterwards.
    TapNow({box.x - 100, box.y + 50});
    EXPECT_EQ(Only(WM_LBUTTONDOWN).size(), 1u);
}

}  // namespace
