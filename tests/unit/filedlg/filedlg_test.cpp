// The file dialogs (GetSaveFileName / GetOpenFileName) on a temporary device
// image, worked by taps and keys injected while their modal loop runs.
#include <string>
#include <vector>

#include "ce_kernel.h"
#include "commdlg.h"
#include "controltest.h"
#include "dlgtest.h"
#include "filelist.h"
#include "testimage.h"

using namespace dlgtest;
using ce::test::TestImage;
using ce::test::WriteTextFile;
using Names = std::vector<std::u16string>;

namespace {

constexpr int kFolder = 1100, kUp = 1101, kList = 1102, kName = 1103, kType = 1104;

std::u16string Text(HWND dlg, int id) {
    return ce::test::WindowText(GetDlgItem(dlg, id));
}

Names Rows(HWND dlg) {
    Names rows;
    WCHAR buf[MAX_PATH];
    for (WPARAM i = 0; SendDlgItemMessage(dlg, kList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf)) >= 0; ++i)
        rows.emplace_back(buf);
    return rows;
}

// Taps (twice: a double tap) the row showing `text`.
void TapRow(HWND dlg, const std::u16string& text, bool twice = false) {
    Names rows = Rows(dlg);
    auto at = std::find(rows.begin(), rows.end(), text);
    ASSERT_NE(at, rows.end());
    RECT r{};
    SendDlgItemMessage(dlg, kList, LB_GETITEMRECT, at - rows.begin(), reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(GetDlgItem(dlg, kList), &p);
    Tap(p);
    if (twice) Tap(p);
}

class FileDialog : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        std::filesystem::create_directories(image_.fs() / "Windows");
        for (const char* f : {"a.bak", "B.BAK", "notes.txt", "README", "sub/inner.bak"})
            WriteTextFile(image_.fs() / "StorageCard" / f, "x");
        ofn_.lStructSize = sizeof ofn_;
        ofn_.hwndOwner = Host();
        ofn_.lpstrFilter = u"Text Files(*.bak)\0*.bak\0All Files(*.*)\0*.*\0";
        ofn_.lpstrFile = file_;
        ofn_.nMaxFile = MAX_PATH;
        ofn_.Flags = OFN_HIDEREADONLY;
    }
    // Inside a step: the running dialog, and what the user does in it.
    static HWND Dlg() { return GetActiveWindow(); }
    static void EnterCard() { TapRow(Dlg(), u"StorageCard", true); }
    static void Ok() { Tap(OkBox(Dlg())); }
    static std::function<void()> TypeAndOk(const char16_t* name) {
        return [name] {
            SetDlgItemText(Dlg(), kName, name);
            Ok();
        };
    }
    static void PickFilter(int index) {
        HWND type = GetDlgItem(Dlg(), kType);
        SendMessage(type, CB_SETCURSEL, index, 0);
        SendMessage(Dlg(), WM_COMMAND, MAKEWPARAM(kType, CBN_SELCHANGE), reinterpret_cast<LPARAM>(type));
    }
    std::u16string File() const { return file_; }

    TestImage image_;
    OPENFILENAME ofn_{};
    WCHAR file_[MAX_PATH] = {};
};

TEST_F(FileDialog, BrowsesFiltersAndGivesTheFullPath) {
    Names root, card, all, afterUp, sub;
    std::u16string shown, name;
    BOOL upAtRoot = TRUE;
    WhenIdle({[&] {
                  root = Rows(Dlg());
                  upAtRoot = IsWindowEnabled(GetDlgItem(Dlg(), kUp));
                  EnterCard();
              },
              [&] {
                  card = Rows(Dlg());
                  shown = Text(Dlg(), kFolder);
                  PickFilter(1);
                  all = Rows(Dlg());
                  PickFilter(0);
                  Tap(Center(GetDlgItem(Dlg(), kUp)));
              },
              [&] {
                  afterUp = Rows(Dlg());
                  EnterCard();
              },
              [&] { TapRow(Dlg(), u"sub", true); },
              [&] {
                  sub = Rows(Dlg());
                  TapRow(Dlg(), u"inner.bak");
              },
              [&] {
                  name = Text(Dlg(), kName);
                  Ok();
              }});
    ASSERT_TRUE(GetSaveFileName(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(root, (Names{u"StorageCard", u"Windows"}));
    EXPECT_FALSE(upAtRoot);
    // Folders first; "*.bak" whatever the case; "*.*" also takes names without a dot.
    EXPECT_EQ(card, (Names{u"sub", u"a.bak", u"B.BAK"}));
    EXPECT_EQ(all, (Names{u"sub", u"a.bak", u"B.BAK", u"notes.txt", u"README"}));
    EXPECT_EQ(shown, u"\\StorageCard");
    EXPECT_EQ(afterUp, root);
    EXPECT_EQ(sub, Names{u"inner.bak"});
    EXPECT_EQ(name, u"inner.bak");
    EXPECT_EQ(File(), u"\\StorageCard\\sub\\inner.bak");
    EXPECT_EQ(ofn_.nFileOffset, 17);
    EXPECT_EQ(ofn_.nFileExtension, 23);
    EXPECT_TRUE(IsWindowEnabled(ofn_.hwndOwner));
    EXPECT_TRUE(ce::comctl::FileNameMatchesFilter(u"*.txt; *.BAK", u"x.bak"));
    EXPECT_FALSE(ce::comctl::FileNameMatchesFilter(u"*.txt;*.bak", u"x.bak1"));
}

TEST_F(FileDialog, TypedNamesFoldersAndTheDefaultExtension) {
    std::u16string inSub;
    WhenIdle({EnterCard, TypeAndOk(u"sub"),  // a folder's name opens it
              [&] {
                  inSub = Text(Dlg(), kFolder);
                  TypeAndOk(u"  new  ")();
              }});
    ASSERT_TRUE(GetSaveFileName(&ofn_));
    EXPECT_EQ(inSub, u"\\StorageCard\\sub");
    EXPECT_EQ(File(), u"\\StorageCard\\sub\\new");  // no default extension: as typed
    EXPECT_EQ(ofn_.nFileExtension, 20);             // the terminator

    // The next run starts where the last path points; Enter is OK.
    ofn_.lpstrDefExt = u"bak";
    WhenIdle({[&] {
        SetDlgItemText(Dlg(), kName, u"new");
        Key(VK_RETURN);
    }});
    ASSERT_TRUE(GetSaveFileName(&ofn_));
    EXPECT_EQ(File(), u"\\StorageCard\\sub\\new.bak");
}

TEST_F(FileDialog, FailuresAndCancels) {
    WCHAR small[8] = u"keep";
    ofn_.lpstrFile = small;
    ofn_.nMaxFile = 8;
    WhenIdle({EnterCard, TypeAndOk(u"a.bak")});
    EXPECT_FALSE(GetSaveFileName(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    EXPECT_EQ(small[0], 19);  // the size "\StorageCard\a.bak" needs

    ofn_.lpstrFile = file_;
    ofn_.nMaxFile = MAX_PATH;
    WhenIdle({[] { Key(VK_ESCAPE); }});
    EXPECT_FALSE(GetSaveFileName(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    WhenIdle({EnterCard, [] { Tap(CloseBox(Dlg())); }});
    EXPECT_FALSE(GetOpenFileName(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(File(), u"");
    EXPECT_TRUE(IsWindowEnabled(ofn_.hwndOwner));

    ofn_.lStructSize = 12;
    EXPECT_FALSE(GetSaveFileName(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    EXPECT_FALSE(GetSaveFileName(nullptr));
}

TEST_F(FileDialog, TypedPathsChooseAFileOrEnterAFolderAndBadNamesAreReported) {
    std::u16string entered;
    std::vector<bool> reported;
    // From the root: a full path to a folder (either separator, any case) enters it.
    WhenIdle({TypeAndOk(u"\\storagecard/SUB\\"), [&] { entered = Text(Dlg(), kFolder); }});
    // A bad character, a missing folder on the way or a bad character in the
    // last part of a path is reported in a box the file dialog owns, and the
    // dialog stays.
    for (const char16_t* bad :
         {u"a?b", u"x:y.bak", u"...", u"\\Nowhere\\acc.bak", u"\\StorageCard\\a?b", u"\\Win*\\acc.bak"})
        WhenIdle({TypeAndOk(bad), [&] {
                      reported.push_back(GetWindow(GetActiveWindow(), GW_OWNER) != ofn_.hwndOwner);
                      Key(VK_RETURN);
                  }});
    // A path relative to the folder shown chooses a file.
    WhenIdle({TypeAndOk(u"..\\acc.bak")});
    ASSERT_TRUE(GetSaveFileName(&ofn_));
    EXPECT_EQ(entered, u"\\StorageCard\\sub");
    EXPECT_EQ(reported, std::vector<bool>(6, true));
    EXPECT_EQ(File(), u"\\StorageCard\\acc.bak");

    ofn_.Flags |= OFN_FILEMUSTEXIST;
    WhenIdle({TypeAndOk(u"\\StorageCard\\sub\\inner.bak")});
    ASSERT_TRUE(GetOpenFileName(&ofn_));
    EXPECT_EQ(File(), u"\\StorageCard\\sub\\inner.bak");
}

TEST_F(FileDialog, OverwritePromptOnlyWhenAsked) {
    WhenIdle({EnterCard, [] { TapRow(Dlg(), u"a.bak", true); }});  // no prompt without the flag
    ASSERT_TRUE(GetSaveFileName(&ofn_));
    EXPECT_EQ(File(), u"\\StorageCard\\a.bak");

    ofn_.Flags |= OFN_OVERWRITEPROMPT;
    HWND dlg = nullptr;
    bool stayed = false;
    WhenIdle({[&] {
                  dlg = Dlg();
                  Ok();
              },
              [] { Tap(Center(GetDlgItem(GetActiveWindow(), IDNO))); },
              [&] {
                  stayed = Dlg() == dlg;
                  Ok();
              },
              [] { Tap(Center(GetDlgItem(GetActiveWindow(), IDYES))); }});
    ASSERT_TRUE(GetSaveFileName(&ofn_));
    EXPECT_TRUE(stayed);
}

TEST_F(FileDialog, ALongFolderScrollsByTouchAndAVanishedFolderShowsTheRoot) {
    for (int i = 10; i < 40; ++i) WriteTextFile(image_.fs() / "StorageCard" / ("f" + std::to_string(i) + ".bak"), "");
    LRESULT top = -1;
    std::u16string shown;
    WhenIdle(
        {EnterCard,
         [] {
             RECT r;
             GetWindowRect(GetDlgItem(Dlg(), kList), &r);
             // The track just above the bar's lower arrow.
             Tap({r.right - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2, r.bottom - 5 - GetSystemMetrics(SM_CYVSCROLL)});
         },
         [&] {
             top = SendDlgItemMessage(Dlg(), kList, LB_GETTOPINDEX, 0, 0);
             TypeAndOk(u"sub")();
         },
         [&] {
             std::filesystem::remove_all(image_.fs() / "StorageCard" / "sub");
             PickFilter(1);
             shown = Text(Dlg(), kFolder);
             Key(VK_ESCAPE);
         }});
    EXPECT_FALSE(GetSaveFileName(&ofn_));
    EXPECT_GT(top, 0);
    EXPECT_EQ(shown, u"\\");
}

TEST_F(FileDialog, TheListFollowsTheCardGoingOutAndComingBack) {
    Names out, in;
    std::u16string shown;
    WhenIdle({EnterCard,
              [] {
                  ce::SetStorageCardInserted(false);
                  PostMessage(Dlg(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
              },
              [&] {
                  shown = Text(Dlg(), kFolder);
                  out = Rows(Dlg());
                  ce::SetStorageCardInserted(true);
                  PostMessage(Dlg(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
              },
              [&] {
                  in = Rows(Dlg());
                  Key(VK_ESCAPE);
              }});
    EXPECT_FALSE(GetSaveFileName(&ofn_));
    EXPECT_EQ(shown, u"\\");
    EXPECT_EQ(out, Names{u"Windows"});
    EXPECT_EQ(in, (Names{u"StorageCard", u"Windows"}));
}

}  // namespace
