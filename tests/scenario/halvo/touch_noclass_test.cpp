// The touch test window on a device whose window system refuses new window
// classes. A program of its own: classes live as long as the process.
#include <gtest/gtest.h>

#include "../../../halvo/res/resource.h"
#include "panelrun.h"

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;

TEST(TouchTest, AWindowThatCannotBeCreatedIsReportedAndTestCanBePressedAgain) {
    BootedImage device("user.register_class = refuse\n");
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_TOUCHSCREEN);
    ASSERT_NE(dlg, nullptr);
    for (int press = 0; press < 2; ++press) {
        run.TapControl(dlg, IDC_TOUCH_TEST);
        HWND box = run.Top();
        ASSERT_NE(box, dlg);
        EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);  // the dialog's own message box
        EXPECT_TRUE(ce::test::FindWhere(run.Dump(), "text", "Create window failed"));
        run.Key(VK_RETURN);
        EXPECT_FALSE(IsWindow(box));
        EXPECT_EQ(run.Top(), dlg);
    }
    PostMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    run.Idle();
}

}  // namespace
