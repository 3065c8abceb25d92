// The key tree: start state, key paths, lazy expansion, layout, and keys
// whose path would not fit the editor's buffers.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

const std::vector<std::string> kRoots = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

std::u16string PathOf(EditorRun& run, HTREEITEM item, HKEY& root, BOOL& ok) {
    WCHAR path[MAX_KEY_PATH] = {0};
    root = nullptr;
    ok = BuildKeyPath(item, &root, path);
    return path;
}

std::string Clipboard() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "(not open)";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) text = Narrow(static_cast<const WCHAR*>(GlobalLock(h)));
    CloseClipboard();
    return text;
}

// One run: the start state, the commands that leave "My Device" and the
// roots alone, key paths with the status bar and Copy Key Name, collapsing
// "My Device", lazy expansion, keys too deep to name, which cannot be opened
// or changed, and the layout.
TEST(KeyTree, StartsOverFourRootsResolvesPathsExpandsLazilyAndIsLaidOutAtAClientWidthOf800) {
    BootedImage device;
    // \Long(200) is 201 characters; \Long\Mid(60) 262: too long for a path.
    const std::u16string longName(200, u'L'), midName(60, u'M');
    CreateKey(HKEY_LOCAL_MACHINE, longName + u"\\" + midName + u"\\Inner");
    SetValue(HKEY_LOCAL_MACHINE, longName, u"near", REG_SZ, Utf16Bytes(u"x"));
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\A\\Deep", u"v", REG_DWORD, {1, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\B");
    EditorRun run;
    HTREEITEM top = run.Root();
    ASSERT_TRUE(top);
    EXPECT_EQ(run.Text(top), "My Device");
    EXPECT_EQ(run.Next(top), nullptr);  // the only top-level item
    EXPECT_EQ(run.Selected(), top);
    EXPECT_TRUE(run.Expanded(top));
    EXPECT_EQ(run.Children(top), kRoots);
    DWORD tag = 0x80000000;
    for (HTREEITEM r = run.Child(top); r; r = run.Next(r), ++tag) {
        TVITEM tvi = run.Item(r);
        EXPECT_EQ(static_cast<DWORD>(tvi.lParam), tag);
        EXPECT_EQ(tvi.cChildren, 1) << run.Text(r);  // a button whatever the content
        EXPECT_EQ(tvi.iImage, IMG_KEY);
        EXPECT_EQ(tvi.iSelectedImage, IMG_KEY_OPEN);
        EXPECT_FALSE(run.Expanded(r));
    }
    EXPECT_EQ(run.Item(top).iImage, IMG_DEVICE);
    EXPECT_EQ(run.Rows(), 0);
    EXPECT_EQ(run.StatusText(), "");
    run.Screenshot("arbor-start.png");

    // "My Device" opens no dialog; Delete asks nothing on it or a root.
    for (int command : {IDM_NEW_KEY, IDM_NEW_STRING, IDM_NEW_BINARY, IDM_NEW_DWORD, IDM_DELETE}) {
        run.Command(command);
        EXPECT_EQ(run.Top(), run.main()) << command;
    }
    for (HTREEITEM r = run.Child(top); r; r = run.Next(r)) {
        run.Select(r);
        run.Command(IDM_DELETE);
        EXPECT_EQ(run.Top(), run.main()) << run.Text(r);
    }
    EXPECT_EQ(run.Children(top), kRoots);

    HKEY root;
    BOOL ok;
    EXPECT_EQ(PathOf(run, top, root, ok), u"");
    EXPECT_EQ(root, nullptr);
    HTREEITEM hklm = run.Find(top, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(PathOf(run, hklm, root, ok), u"");
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    HTREEITEM drivers = run.Open({"HKEY_LOCAL_MACHINE", "Drivers"});
    EXPECT_EQ(PathOf(run, drivers, root, ok), u"\\Drivers");
    HTREEITEM builtIn = run.Show({"HKEY_LOCAL_MACHINE", "Drivers", "BuiltIn"});
    EXPECT_EQ(PathOf(run, builtIn, root, ok), u"\\Drivers\\BuiltIn");
    EXPECT_TRUE(ok);
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(run.Selected(), builtIn);
    EXPECT_EQ(run.Item(builtIn).iSelectedImage, IMG_KEY_OPEN);
    EXPECT_EQ(run.StatusText(), "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
    run.Screenshot("arbor-status-bar.png");
    run.Command(IDM_COPY_KEY_NAME);
    EXPECT_EQ(Clipboard(), "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
    // A root names itself; "My Device" is no key: nothing to show or copy.
    run.Select(run.Find(top, "HKEY_USERS"));
    EXPECT_EQ(run.StatusText(), "HKEY_USERS");
    run.Select(top);
    EXPECT_EQ(run.StatusText(), "");
    run.Command(IDM_COPY_KEY_NAME);
    EXPECT_EQ(Clipboard(), "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");

    // Collapsing "My Device" keeps the four roots.
    run.TapButton(top);
    EXPECT_FALSE(run.Expanded(top));
    run.TapButton(top);
    EXPECT_TRUE(run.Expanded(top));
    EXPECT_EQ(run.Children(top), kRoots);

    // Expansion reads the registry as it is now.
    HTREEITEM arbor = run.Open({"HKEY_LOCAL_MACHINE", "Arbor"});
    ASSERT_TRUE(arbor);
    EXPECT_EQ(run.Children(arbor), (std::vector<std::string>{}));  // not read before its expansion
    run.TapButton(arbor);
    EXPECT_EQ(run.Children(arbor), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(run.HasButton(run.Find(arbor, "A")));
    EXPECT_FALSE(run.HasButton(run.Find(arbor, "B")));

    // Another program adds a key and removes one; collapsing drops the
    // children, the next expansion shows the registry's content.
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\C");
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Arbor\\A"), ERROR_SUCCESS);
    run.TapButton(arbor);
    EXPECT_FALSE(run.Expanded(arbor));
    EXPECT_EQ(run.Child(arbor), nullptr);
    run.TapButton(arbor);
    EXPECT_EQ(run.Children(arbor), (std::vector<std::string>{"B", "C"}));

    // A key whose last sub-key went elsewhere loses its button on expansion.
    HTREEITEM b = run.Find(arbor, "B");
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\B\\Only");
    run.TapButton(arbor);
    run.TapButton(arbor);
    b = run.Find(arbor, "B");
    ASSERT_TRUE(run.HasButton(b));
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Arbor\\B\\Only"), ERROR_SUCCESS);
    run.TapButton(b);
    EXPECT_FALSE(run.HasButton(b));
    EXPECT_EQ(run.Child(b), nullptr);

    HTREEITEM longItem = run.Open({"HKEY_LOCAL_MACHINE", std::string(200, 'L')});
    ASSERT_TRUE(longItem);
    run.TapButton(longItem);
    HTREEITEM mid = run.Find(longItem, std::string(60, 'M'));
    ASSERT_TRUE(mid);
    EXPECT_FALSE(run.HasButton(mid));  // its sub-key cannot be named
    PathOf(run, mid, root, ok);
    EXPECT_FALSE(ok);

    // Selecting it shows no values (not those of the key before).
    run.Select(longItem);
    EXPECT_EQ(run.Rows(), 1);
    run.Select(mid);
    EXPECT_EQ(run.Selected(), mid);
    EXPECT_EQ(run.Rows(), 0);
    // The edit commands leave it alone: no dialog, no question.
    run.Command(IDM_NEW_KEY);
    EXPECT_EQ(run.Top(), run.main());
    run.Command(IDM_DELETE);
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, longName + u"\\" + midName));

    // A new key under the long key whose path would not fit is refused,
    // with the dialog kept open.
    run.Select(longItem);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(std::u16string(70, u'N'));
    EXPECT_EQ(TextOf(run.Top()), "ERROR");
    run.Key(VK_RETURN);
    HWND dlg = run.Top();
    EXPECT_NE(dlg, run.main());
    EXPECT_EQ(TextOf(dlg), "New KEY");
    run.TapControl(dlg, IDCANCEL);
    EXPECT_EQ(run.Top(), run.main());

    RECT client{}, tree{}, list{};
    GetClientRect(run.main(), &client);
    ASSERT_EQ(client.right, 800);
    GetWindowRect(run.tree(), &tree);
    GetWindowRect(run.list(), &list);
    const int c = CommandBar_Height(GetDlgItem(run.main(), 1));
    EXPECT_GT(c, 0);
    EXPECT_EQ(tree.left, 0);
    EXPECT_EQ(tree.top, c + 1);
    EXPECT_EQ(tree.right - tree.left, 266);
    // The status bar runs under both panes.
    RECT bar{};
    GetWindowRect(GetDlgItem(run.main(), IDC_STATUS), &bar);
    EXPECT_EQ(bar.bottom, 480);
    EXPECT_EQ(tree.bottom, bar.top);
    EXPECT_EQ(list.bottom, bar.top);
    EXPECT_EQ(list.left, 266);
    EXPECT_EQ(list.top, c + 1);
    EXPECT_EQ(list.right - list.left, 533);
    EXPECT_EQ(ListView_GetColumnWidth(run.list(), 0), 213);
    EXPECT_EQ(ListView_GetColumnWidth(run.list(), 1), 319);
    EXPECT_EQ(GetWindowLong(run.tree(), GWL_STYLE), 0x50A00027);
    EXPECT_EQ(GetWindowLong(run.list(), GWL_STYLE), 0x50A0000D);
    // The views keep their creation geometry when the window changes size.
    SetWindowPos(run.main(), nullptr, 0, 0, 500, 400, SWP_NOZORDER | SWP_NOMOVE);
    run.Idle();
    GetWindowRect(run.tree(), &tree);
    EXPECT_EQ(tree.right - tree.left, 266);
}

}  // namespace
