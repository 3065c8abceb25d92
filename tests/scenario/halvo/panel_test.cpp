// The control panel's main panel, run headless on a fresh device image.
#include <gtest/gtest.h>

#include "../../../halvo/res/resource.h"
#include "panelrun.h"

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;

struct Item {
    int button, label;
    POINT at, labelAt;
};
const Item kItems[] = {
    {IDC_TOUCHSCREEN, IDC_LBL_TOUCHSCREEN, {60, 36}, {56, 91}},
    {IDC_BRIGHTNESS, IDC_LBL_BRIGHTNESS, {200, 36}, {177, 98}},
    {IDC_SERIALPORT, IDC_LBL_SERIALPORT, {340, 36}, {335, 98}},
    {IDC_SYSTEMINFO, IDC_LBL_SYSTEMINFO, {60, 128}, {20, 181}},
    {IDC_SCREENSAVER, IDC_LBL_SCREENSAVER, {200, 128}, {185, 181}},
    {IDC_SCREENROTATE, IDC_LBL_SCREENROTATE, {340, 128}, {330, 181}},
    {IDC_SYSTEMSERVICE, IDC_LBL_SYSTEMSERVICE, {56, 223}, {43, 274}},
    {IDC_REGISTRYSAVE, IDC_LBL_REGISTRYSAVE, {200, 223}, {189, 276}},
    {IDC_QUIT, IDC_LBL_QUIT, {342, 231}, {338, 285}},
};

RECT Centred(int w, int h) {
    return {(w - 450) / 2, (h - 320) / 2, (w - 450) / 2 + 450, (h - 320) / 2 + 320};
}

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT Offset(RECT r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

std::vector<COLORREF> Pixels(const RECT& r) {
    std::vector<COLORREF> out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) out.push_back(ce::gdi::Screen::Pixel(x, y));
    return out;
}

// Each screen's run ends another way: the Quit button, Enter or Escape.
TEST(Panel, IsCentredAtItsSizeOnEveryScreenAndQuitEnterAndEscapeEndTheProgram) {
    BootedImage device;
    const struct {
        int w, h;
        unsigned vk;  // 0: the Quit button
    } screens[] = {{800, 480, 0}, {640, 480, VK_RETURN}, {480, 800, VK_ESCAPE}, {1024, 600, VK_ESCAPE}};
    for (const auto& screen : screens) {
        SCOPED_TRACE(std::to_string(screen.w) + "x" + std::to_string(screen.h));
        PanelRun run(screen.w, screen.h);
        EXPECT_TRUE(Same(run.PanelRect(), Centred(screen.w, screen.h)));
        if (screen.vk)
            run.Key(screen.vk);
        else
            run.TapControl(run.panel(), IDC_QUIT);
        ASSERT_TRUE(run.Ended(5000));
        EXPECT_EQ(run.ExitCode(), 0);
        EXPECT_FALSE(IsWindow(run.panel()));
    }
}

// One run: the places of the buttons and labels, the picture of the panel,
// a held button, and drags.
TEST(Panel, ButtonsAndLabelsStandAtTheirPlacesAreDrawnCutOutAndThePanelDragsEvenOffTheScreen) {
    BootedImage device;
    PanelRun run;
    for (const Item& item : kItems) {
        RECT b = run.ItemRectInPanel(item.button);
        EXPECT_EQ(b.left, item.at.x);
        EXPECT_EQ(b.top, item.at.y);
        EXPECT_EQ(b.right - b.left, 48);
        EXPECT_EQ(b.bottom - b.top, 48);
        RECT l = run.ItemRectInPanel(item.label);
        EXPECT_EQ(l.left, item.labelAt.x) << item.label;
        EXPECT_EQ(l.top, item.labelAt.y) << item.label;
        // Every label's text fits its place: wrapped to the label's width
        // in the label's font, it is no wider and no taller than the label.
        WCHAR text[64];
        GetWindowText(run.Item(item.label), text, 64);
        HDC dc = GetDC(run.Item(item.label));
        HGDIOBJ oldFont =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessage(run.Item(item.label), WM_GETFONT, 0, 0)));
        RECT need{0, 0, l.right - l.left, 0};
        DrawText(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        SelectObject(dc, oldFont);
        ReleaseDC(run.Item(item.label), dc);
        EXPECT_LE(need.right - need.left, l.right - l.left) << item.label;
        EXPECT_LE(need.bottom - need.top, l.bottom - l.top) << item.label;
    }

    // The frame, the title strip and the buttons cut out over the background.
    RECT p = run.PanelRect();
    // The frame below the title strip: right, bottom and left edges are black.
    EXPECT_EQ(ce::gdi::Screen::Pixel(p.right - 1, p.top + 200), RGB(0, 0, 0));
    EXPECT_EQ(ce::gdi::Screen::Pixel(p.left, p.top + 200), RGB(0, 0, 0));
    EXPECT_EQ(ce::gdi::Screen::Pixel(p.left + 200, p.bottom - 1), RGB(0, 0, 0));
    // The title strip is not framed.
    EXPECT_NE(ce::gdi::Screen::Pixel(p.left, p.top + 10), RGB(0, 0, 0));
    // No key colour shows anywhere on the panel: the buttons are cut out
    // over the background.
    for (int y = p.top; y < p.bottom; ++y)
        for (int x = p.left; x < p.right; ++x)
            ASSERT_NE(ce::gdi::Screen::Pixel(x, y), RGB(255, 0, 255)) << x << "," << y;
    // A button's bottom-left corner is a key pixel: it shows exactly the
    // background picture at that place.
    HBITMAP bg = LoadBitmap(GetModuleHandle(nullptr), MAKEINTRESOURCE(IDB_BACKGROUND));
    ASSERT_NE(bg, nullptr);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, bg);
    RECT b = run.ItemRectInPanel(IDC_BRIGHTNESS);
    EXPECT_EQ(ce::gdi::Screen::Pixel(p.left + b.left, p.top + b.bottom - 1), GetPixel(mem, b.left, b.bottom - 1));
    EXPECT_EQ(ce::gdi::Screen::Pixel(p.left + b.right - 1, p.top + b.top), GetPixel(mem, b.right - 1, b.top));
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bg);

    // A held button shows its pressed frame until the stylus leaves.
    GetWindowRect(run.Item(IDC_BRIGHTNESS), &b);
    auto up = Pixels(b);
    int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    run.Press(cx, cy);
    auto pressed = Pixels(b);
    EXPECT_NE(pressed, up);
    run.Move(b.right + 30, cy);  // slides off: up frame again
    EXPECT_EQ(Pixels(b), up);
    run.Move(cx, cy);  // and back on
    EXPECT_EQ(Pixels(b), pressed);
    run.Release(b.right + 30, cy);  // released away: no click
    EXPECT_EQ(Pixels(b), up);
    EXPECT_FALSE(run.Ended(50));

    // The panel drags by the background and by a label, even off the screen.
    RECT start = run.PanelRect();
    // The background left of the first button.
    int x = start.left + 25, y = start.top + 40;
    run.Press(x, y);
    run.Move(x - 10, y - 4);
    run.Move(x - 10, y - 4);  // the same point again moves nothing more
    EXPECT_TRUE(Same(run.PanelRect(), Offset(start, -10, -4)));
    run.Move(x - 30, y - 12);
    run.Release(x - 40, y - 16);
    RECT afterBackground = Offset(start, -40, -16);
    EXPECT_TRUE(Same(run.PanelRect(), afterBackground));

    // A press on a label reaches the panel.
    RECT l;
    GetWindowRect(run.Item(IDC_LBL_SCREENSAVER), &l);
    int lx = (l.left + l.right) / 2, ly = (l.top + l.bottom) / 2;
    run.Press(lx, ly);
    run.Move(lx + 15, ly + 20);
    run.Release(lx + 25, ly + 30);
    EXPECT_TRUE(Same(run.PanelRect(), Offset(afterBackground, 25, 30)));

    // A press and release at one point leaves the panel where it is.
    RECT now = run.PanelRect();
    run.Tap(now.left + 25, now.top + 40);
    EXPECT_TRUE(Same(run.PanelRect(), now));

    // The drag follows the pointer to the screen's edge, the panel partly
    // off the screen.
    start = now;
    x = start.left + 25;
    y = start.top + 40;
    run.Press(x, y);
    // Step by step up to the corner: the panel keeps under the pointer.
    for (int i = 1; i <= 10; ++i) run.Move(x - i * x / 10, y - i * (y - 20) / 10);
    run.Release(0, 20);
    EXPECT_TRUE(Same(run.PanelRect(), Offset(start, -x, 20 - y)));
    EXPECT_LT(run.PanelRect().left, 0);
}

}  // namespace
