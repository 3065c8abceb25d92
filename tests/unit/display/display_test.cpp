// Turning the display: screen size, window system, device log, the
// device.conf switch, bad requests and the orientation kept in the image.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "bootedimage.h"
#include "ce_drivers.h"
#include "ce_gdi.h"
#include "ce_user.h"
#include "programmain.h"

namespace {

using ce::gdi::Screen;

LONG Turn(DWORD orientation, DWORD flags = 0) {
    DEVMODE dm{};
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_DISPLAYORIENTATION;
    dm.dmDisplayOrientation = orientation;
    return ChangeDisplaySettingsEx(nullptr, &dm, nullptr, flags, nullptr);
}

// The current orientation as a program asks for it; 99 when the query fails.
DWORD Query() {
    DEVMODE dm{};
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_DISPLAYORIENTATION;
    dm.dmDisplayOrientation = 99;
    return ChangeDisplaySettingsEx(nullptr, &dm, nullptr, CDS_VIDEOPARAMETERS, nullptr) == DISP_CHANGE_SUCCESSFUL
               ? dm.dmDisplayOrientation
               : 99;
}

// The screen's size as programs see it.
std::pair<int, int> ScreenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Pump() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
}

const char kRefuseConf[] = "display.rotation = refuse\n";

class Display : public ::testing::Test {
protected:
    void SetUp() override { Screen::SetMode(ce::gdi::ScreenMode{}); }  // the 800x480 panel, unturned
    std::vector<ce::test::Json> DisplayLog() const { return image_->Log({{"dev", "display"}}); }
    void Boot(const std::string& conf = "") {
        image_.reset();
        image_ = std::make_unique<ce::test::BootedImage>(conf);
    }
    std::unique_ptr<ce::test::BootedImage> image_ = std::make_unique<ce::test::BootedImage>();
};

// The default panel and another size: 270 -> 90 keeps the swapped shape, it
// never swaps twice.
TEST_F(Display, TurningSwapsSizeForNinetyAndTwoSeventyAndComesBackForAnyPanelSize) {
    struct Step {
        DWORD orientation;
        bool swapped;
    };
    for (auto [w, h] : {std::pair{800, 480}, std::pair{640, 200}}) {
        ce::gdi::ScreenMode mode;
        mode.width = w;
        mode.height = h;
        Screen::SetMode(mode);
        for (Step s : {Step{DMDO_90, true}, Step{DMDO_180, false}, Step{DMDO_270, true}, Step{DMDO_90, true},
                       Step{DMDO_0, false}}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " to " << s.orientation);
            const std::pair want = s.swapped ? std::pair(h, w) : std::pair(w, h);
            ASSERT_EQ(Turn(s.orientation), DISP_CHANGE_SUCCESSFUL);
            EXPECT_EQ(std::pair(Screen::Mode().width, Screen::Mode().height), want);
            EXPECT_EQ(Screen::CurrentSurface()->width(), want.first);
            EXPECT_EQ(ScreenSize(), want);
            HDC dc = GetDC(nullptr);
            EXPECT_EQ(std::pair(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)), want);
            ReleaseDC(nullptr, dc);
            EXPECT_EQ(Query(), s.orientation);
        }
    }
}

TEST_F(Display, WindowsFollowTheTurnedSurface) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"TurnGreen";
    wc.hbrBackground = CreateSolidBrush(RGB(0, 200, 0));  // painted by erasing
    RegisterClass(&wc);
    // A window that reaches beyond the unturned screen's bottom edge.
    HWND w = CreateWindowEx(0, u"TurnGreen", u"", WS_POPUP | WS_VISIBLE, 10, 400, 100, 300, nullptr, nullptr, nullptr,
                            nullptr);
    ASSERT_TRUE(w);
    Pump();
    EXPECT_EQ(Screen::Pixel(20, 450), RGB(0, 200, 0));
    HDC held = GetDC(w);  // a DC the program keeps across the turn

    ASSERT_EQ(Turn(DMDO_90), DISP_CHANGE_SUCCESSFUL);
    // The new surface starts black; the turn asks for a full repaint.
    EXPECT_FALSE(ce::user::IsIdle());
    EXPECT_NE(Screen::Pixel(600, 10), RGB(0, 0, 0)) << "desktop repainted at once";
    Pump();
    EXPECT_TRUE(ce::user::IsIdle());
    EXPECT_EQ(Screen::Pixel(20, 650), RGB(0, 200, 0)) << "part that was off screen before";
    EXPECT_EQ(Screen::Pixel(20, 450), RGB(0, 200, 0));
    EXPECT_EQ(Screen::Pixel(200, 650), GetSysColor(COLOR_BACKGROUND));

    // The held DC draws on the new surface, clipped to the new visible area.
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 100, 300};
    FillRect(held, &all, red);
    EXPECT_EQ(Screen::Pixel(20, 690), RGB(255, 0, 0));
    EXPECT_EQ(Screen::Pixel(200, 690), GetSysColor(COLOR_BACKGROUND));
    DeleteObject(red);
    ReleaseDC(w, held);

    // Back to 0: what lies beyond the edge again stays unpainted, the rest shows.
    ASSERT_EQ(Turn(DMDO_0), DISP_CHANGE_SUCCESSFUL);
    Pump();
    EXPECT_EQ(Screen::Pixel(20, 470), RGB(0, 200, 0));
    EXPECT_EQ(Screen::Pixel(700, 10), GetSysColor(COLOR_BACKGROUND));
    DestroyWindow(w);
    Pump();
}

TEST_F(Display, RefusingDisplayFailsEveryChangeAndKeepsTheScreen) {
    Boot(kRefuseConf);
    auto surface = Screen::CurrentSurface();
    EXPECT_EQ(Turn(DMDO_90), DISP_CHANGE_FAILED);
    EXPECT_EQ(Turn(DMDO_90, CDS_TEST), DISP_CHANGE_FAILED);
    EXPECT_EQ(Turn(DMDO_0, CDS_RESET), DISP_CHANGE_FAILED);
    EXPECT_EQ(Screen::CurrentSurface(), surface);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(Query(), static_cast<DWORD>(DMDO_0));  // asking still works
    EXPECT_EQ(ce::hw::DisplayRotation(), 0);
    auto lines = DisplayLog();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ce::test::Missing(lines[0], {{"orientation", 1}, {"width", 800}, {"height", 480}, {"result", -1}}), "");
}

// Every change and every refused orientation is logged with its result and
// the screen's size; a test (CDS_TEST) or a query is not.
TEST_F(Display, BadRequestsGetWin32ResultsChangeNothingAndAreLogged) {
    auto surface = Screen::CurrentSurface();
    for (DWORD bad : {3u, 5u, 8u, 90u, 0xFFFFFFFFu}) EXPECT_EQ(Turn(bad), DISP_CHANGE_BADPARAM) << bad;
    EXPECT_EQ(Turn(3, CDS_TEST), DISP_CHANGE_BADPARAM);
    auto lines = DisplayLog();
    ASSERT_EQ(lines.size(), 5u);
    using ce::test::Missing;
    EXPECT_EQ(Missing(lines[0], {{"orientation", 3}, {"width", 800}, {"height", 480}, {"result", -5}}), "") << lines[0];
    EXPECT_EQ(lines[0].begin().key(), "seq");

    DEVMODE dm{};
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;  // no orientation: nothing this display can change
    dm.dmDisplayOrientation = DMDO_90;
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &dm, nullptr, 0, nullptr), DISP_CHANGE_BADPARAM);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &dm, nullptr, CDS_VIDEOPARAMETERS, nullptr), DISP_CHANGE_BADPARAM);
    dm.dmFields = DM_DISPLAYORIENTATION;
    EXPECT_EQ(ChangeDisplaySettingsEx(u"DISPLAY2", &dm, nullptr, 0, nullptr), DISP_CHANGE_BADPARAM);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &dm, reinterpret_cast<HWND>(1), 0, nullptr), DISP_CHANGE_BADPARAM);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &dm, nullptr, 0x100, nullptr), DISP_CHANGE_BADFLAGS);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, nullptr, nullptr, CDS_VIDEOPARAMETERS, nullptr), DISP_CHANGE_BADPARAM);
    EXPECT_EQ(Screen::CurrentSurface(), surface);
    EXPECT_EQ(Query(), static_cast<DWORD>(DMDO_0));

    // CDS_TEST checks (and tells how the screen is turned); NULL keeps the mode.
    ASSERT_EQ(Turn(DMDO_180), DISP_CHANGE_SUCCESSFUL);
    surface = Screen::CurrentSurface();
    dm.dmDisplayOrientation = DMDO_90;
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &dm, nullptr, CDS_TEST, nullptr), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(dm.dmDisplayOrientation, static_cast<DWORD>(DMDO_180));
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, nullptr, nullptr, 0, nullptr), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ChangeDisplaySettingsEx(u"", nullptr, nullptr, 0, nullptr), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(Screen::CurrentSurface(), surface);
    EXPECT_EQ(Query(), static_cast<DWORD>(DMDO_180));

    // The same orientation again changes nothing; CDS_RESET sets it anew.
    EXPECT_EQ(Turn(DMDO_180), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(Screen::CurrentSurface(), surface);
    EXPECT_EQ(Turn(DMDO_180, CDS_RESET), DISP_CHANGE_SUCCESSFUL);
    EXPECT_NE(Screen::CurrentSurface(), surface);
    lines = DisplayLog();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(Missing(lines[5], {{"orientation", 2}, {"width", 800}, {"height", 480}, {"result", 0}}), "") << lines[5];
}

TEST_F(Display, OrientationSurvivesARestartOfTheDevice) {
    EXPECT_EQ(ce::hw::DisplayRotation(), 0);
    ASSERT_EQ(Turn(DMDO_270), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ce::hw::DisplayRotation(), 270);
    image_->Reboot();
    EXPECT_EQ(ce::hw::DisplayRotation(), 270);
    EXPECT_EQ(Query(), static_cast<DWORD>(DMDO_270));
    // The next program's screen (sized by the host from the stored
    // orientation) still turns back to the same panel.
    ASSERT_EQ(Turn(DMDO_0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ScreenSize(), std::pair(800, 480));
    EXPECT_EQ(ce::hw::DisplayRotation(), 0);

    // A damaged state entry reads as unturned.
    ce::hw::SetState("display.orientation", "sideways");
    EXPECT_EQ(ce::hw::DisplayRotation(), 0);
}

TEST_F(Display, HostStartsAProgramOnTheStoredOrientation) {
    ASSERT_EQ(Turn(DMDO_90), DISP_CHANGE_SUCCESSFUL);
    ce::ShutdownDevice();
    Screen::SetMode(ce::gdi::ScreenMode{});
    std::string dir = image_->dir().string();
    std::string script = (image_->dir() / "wait.script").string();
    ce::test::WriteTextFile(script, "wait-exit\n");
    std::vector<std::string> args{"prog", "--device", dir, "--headless", "--script", script, "--screen", "640x200"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    DWORD seen = 99;
    int status = ce::host::RunProgram(static_cast<int>(argv.size()), argv.data(), [&] {
        seen = Query();
        return GetSystemMetrics(SM_CXSCREEN) * 1000 + GetSystemMetrics(SM_CYSCREEN);
    });
    EXPECT_EQ(status, 200 * 1000 + 640);
    EXPECT_EQ(seen, static_cast<DWORD>(DMDO_90));
    image_->Reboot();
}

}  // namespace
