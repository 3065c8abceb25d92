// The screen-saver dialog, opened from the panel and worked by touch: its
// arrows and its drop-down list, what reaches the backlight settings in the
// registry, and when the backlight driver is told (its log line).
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "../../../halvo/res/resource.h"
#include "panelrun.h"
#include "regvalues.h"

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;

constexpr const char16_t* kBacklightKey = u"ControlPanel\\Backlight";
constexpr DWORD kNever = 0xFFFFFFFF;

// The backlight settings UseExt, ACTimeout and OldACTimeout as stored; a
// missing value is nullopt.
using Stored = std::tuple<std::optional<DWORD>, std::optional<DWORD>, std::optional<DWORD>>;
const char16_t* const kNames[] = {u"UseExt", u"ACTimeout", u"OldACTimeout"};

Stored ReadStored() {
    auto get = [](int i) { return ce::test::RegDword(HKEY_CURRENT_USER, kBacklightKey, kNames[i]); };
    return {get(0), get(1), get(2)};
}

// Replaces the backlight values; a nullopt leaves the value out.
void Store(std::optional<DWORD> useExt, std::optional<DWORD> acTimeout, std::optional<DWORD> oldAcTimeout = {}) {
    RegDeleteKey(HKEY_CURRENT_USER, kBacklightKey);
    RegCloseKey(ce::test::CreateKey(HKEY_CURRENT_USER, kBacklightKey));
    const std::optional<DWORD> values[] = {useExt, acTimeout, oldAcTimeout};
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(!values[i] || ce::test::SetRegDword(HKEY_CURRENT_USER, kBacklightKey, kNames[i], *values[i]));
}

// The backlight driver's log lines. The driver reads the settings on the
// thread that sets its event, so they are logged by the time the dialog closes.
std::vector<ce::test::Json> BacklightEvents(const BootedImage& device) {
    return device.Log({{"dev", "backlight"}});
}

class SaverDialog {
public:
    explicit SaverDialog(PanelRun& run) : run_(run), dlg_(run.OpenDialog(IDC_SCREENSAVER)) {}
    HWND hwnd() const { return dlg_; }
    int Selection() const { return static_cast<int>(SendMessage(Combo(), CB_GETCURSEL, 0, 0)); }
    std::string Field() const { return ce::test::TextOf(Combo()); }
    std::string Status() const { return ce::test::TextOf(dlg_, IDC_SAVER_STATUS); }
    void Dec() { TapArrow(IDC_SAVER_DEC); }
    void Inc() { TapArrow(IDC_SAVER_INC); }
    void Ok() { run_.TapControl(dlg_, IDOK); }
    void Cancel() { run_.TapControl(dlg_, IDCANCEL); }
    // Drops the list down with the box's button and taps the entry at `row`
    // of the rows shown.
    void ChooseRow(int row) {
        RECT box;
        GetWindowRect(Combo(), &box);
        run_.Tap(box.right - 2 - GetSystemMetrics(SM_CXVSCROLL) / 2, (box.top + box.bottom) / 2);
        HWND list = run_.Top();
        ASSERT_NE(list, dlg_) << "the list did not drop down";
        RECT rc;
        GetClientRect(list, &rc);
        int itemHeight = (rc.bottom - rc.top) / 8;
        POINT pt{10, row * itemHeight + itemHeight / 2};
        ClientToScreen(list, &pt);
        run_.Tap(pt.x, pt.y);
        ASSERT_EQ(run_.Top(), dlg_) << "the list did not close";
    }

private:
    HWND Combo() const { return GetDlgItem(dlg_, IDC_SAVER_TIMEOUT); }
    // The arrows act on the stylus going down. A second quick tap on the same
    // spot is a double tap, which the button takes as a press without a
    // press of its own: taps in a row land on alternate spots.
    void TapArrow(int id) {
        RECT r;
        GetWindowRect(GetDlgItem(dlg_, id), &r);
        int dx = (taps_++ % 2) ? 10 : -10;
        run_.Tap((r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2);
    }
    int taps_ = 0;
    PanelRun& run_;
    HWND dlg_;
};

TEST(ScreenSaver, OpensOnTheStoredEntryAndOnlyAChangeOrItsCancelIsWrittenAndTold) {
    BootedImage device;  // the factory settings: UseExt 1, 300 seconds
    PanelRun run;
    SaverDialog dlg(run);
    ASSERT_NE(dlg.hwnd(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(run.panel()));
    // The template's list, in table order.
    HWND combo = GetDlgItem(dlg.hwnd(), IDC_SAVER_TIMEOUT);
    const char16_t* entries[] = {u"15 Sec", u"30 Sec", u"1 Min",  u"2 Min", u"5 Min",
                                 u"10 Min", u"15 Min", u"30 Min", u"Never"};
    ASSERT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 9);
    for (int i = 0; i < 9; ++i) {
        WCHAR buf[32] = {};
        SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        EXPECT_EQ(std::u16string(buf), entries[i]) << i;
    }
    EXPECT_EQ(dlg.Selection(), 4);
    EXPECT_EQ(dlg.Field(), "5 Min");
    EXPECT_EQ(dlg.Status(), "ACTimeout:5 Min");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg.hwnd(), IDC_SAVER_STATUS)));
    RECT arrow;
    GetWindowRect(GetDlgItem(dlg.hwnd(), IDC_SAVER_INC), &arrow);
    EXPECT_EQ(arrow.right - arrow.left, 48);
    EXPECT_EQ(arrow.bottom - arrow.top, 48);

    // There and back again is no change either.
    dlg.Inc();
    EXPECT_EQ(dlg.Field(), "10 Min");
    EXPECT_EQ(dlg.Status(), "ACTimeout:10 Min");
    dlg.Dec();
    dlg.Ok();
    EXPECT_EQ(run.Top(), run.panel());
    EXPECT_EQ(ReadStored(), Stored(1, 300, std::nullopt));
    EXPECT_TRUE(BacklightEvents(device).empty());

    // "Never" writes UseExt 0 and tells the driver.
    SaverDialog never(run);
    for (int i = 0; i < 5; ++i) never.Inc();  // 5 Min -> Never, and it stays there
    EXPECT_EQ(never.Selection(), 8);
    EXPECT_EQ(never.Status(), "ACTimeout:Never");
    never.Ok();
    EXPECT_EQ(ReadStored(), Stored(0, std::nullopt, kNever));
    auto events = BacklightEvents(device);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(ce::test::Missing(events[0], {{"UseExt", 0}, {"ACTimeout", nullptr}, {"OldACTimeout", 4294967295u}}), "")
        << events[0];

    // Each step below stores its settings while the dialog is closed; the
    // dialog reads them when it opens.
    size_t told = events.size();
    const auto toldOnce = [&] { return BacklightEvents(device).size() == ++told; };

    // An entry chosen from the list.
    Store(1, 15);
    {
        SaverDialog dlg(run);
        ASSERT_NE(dlg.hwnd(), nullptr);
        EXPECT_EQ(dlg.Status(), "ACTimeout:15 Sec");
        dlg.Dec();  // already the first entry
        EXPECT_EQ(dlg.Selection(), 0);
        dlg.ChooseRow(2);
        EXPECT_EQ(dlg.Field(), "1 Min");
        EXPECT_EQ(dlg.Status(), "ACTimeout:1 Min");
        dlg.Ok();
        EXPECT_EQ(ReadStored(), Stored(1, 60, std::nullopt));
        EXPECT_TRUE(toldOnce());
    }
    // Cancel after a change writes the opening values again; Cancel without
    // a change writes nothing.
    Store(0, {}, 120);  // "Never" whatever time-out is kept aside
    {
        SaverDialog dlg(run);
        EXPECT_EQ(dlg.Selection(), 8);
        dlg.Dec();
        EXPECT_EQ(dlg.Field(), "30 Min");
        dlg.Cancel();
        EXPECT_EQ(ReadStored(), Stored(0, std::nullopt, kNever));
        EXPECT_TRUE(toldOnce());
        SaverDialog again(run);
        again.Cancel();
        EXPECT_EQ(BacklightEvents(device).size(), told);
    }
    // An unlisted time-out selects nothing and steps down to "Never".
    for (DWORD stored : {DWORD{45}, kNever}) {
        SCOPED_TRACE(stored);
        Store(1, stored);
        SaverDialog dlg(run);
        EXPECT_EQ(dlg.Selection(), -1);
        EXPECT_EQ(dlg.Status(), "ACTimeout:-----");
        dlg.Inc();
        EXPECT_EQ(dlg.Selection(), -1);
        dlg.Dec();
        EXPECT_EQ(dlg.Selection(), 8);
        dlg.Ok();
        EXPECT_EQ(ReadStored(), Stored(0, std::nullopt, kNever));
        EXPECT_TRUE(toldOnce());
    }
    // A flag other than one is rewritten on OK.
    Store(2, 600);
    {
        SaverDialog dlg(run);
        EXPECT_EQ(dlg.Field(), "10 Min");
        dlg.Ok();
        EXPECT_EQ(ReadStored(), Stored(1, 600, std::nullopt));
        EXPECT_TRUE(toldOnce());
    }
    // Without its flag a time-out counts as never: OK then has nothing to
    // write, and a real choice is written into the key that exists.
    Store({}, 300);
    {
        SaverDialog dlg(run);
        EXPECT_EQ(dlg.Selection(), 8);
        dlg.Ok();
        EXPECT_EQ(BacklightEvents(device).size(), told);
        SaverDialog again(run);
        again.Dec();
        again.Ok();
        EXPECT_EQ(ReadStored(), Stored(1, 1800, std::nullopt));
        EXPECT_TRUE(toldOnce());
    }
    // Without the key: no key to write into, and none is made; the driver
    // is told all the same.
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, kBacklightKey), ERROR_SUCCESS);
    SaverDialog noKey(run);
    EXPECT_EQ(noKey.Selection(), 8);
    EXPECT_EQ(noKey.Status(), "ACTimeout:Never");
    noKey.Dec();
    noKey.Ok();
    HKEY key;
    EXPECT_NE(RegOpenKeyEx(HKEY_CURRENT_USER, kBacklightKey, 0, 0, &key), ERROR_SUCCESS);
    EXPECT_TRUE(toldOnce());
    EXPECT_EQ(BacklightEvents(device).back()["settings"], "missing");
}

TEST(ScreenSaver, WithoutTheDriversEventTheSettingsAreStillWritten) {
    BootedImage device("backlight_event = absent\n");
    PanelRun run;
    SaverDialog dlg(run);
    ASSERT_NE(dlg.hwnd(), nullptr);
    dlg.Dec();
    dlg.Ok();
    EXPECT_EQ(run.Top(), run.panel());
    EXPECT_EQ(std::get<1>(ReadStored()), 120u);
    EXPECT_TRUE(BacklightEvents(device).empty());
}

}  // namespace
