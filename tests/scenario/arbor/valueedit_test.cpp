// The value editors: Modify on every type, bad input, the new value types,
// the unnamed value, and another program changing the registry meanwhile.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

const std::u16string kKey = u"Arbor\\Edit";
using Value = std::pair<DWORD, std::vector<BYTE>>;

std::vector<BYTE> Sz(const std::u16string& s) {
    return Utf16Bytes(s + u'\0');
}

HTREEITEM SelectEditKey(EditorRun& run) {
    HTREEITEM item = run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Edit"});
    if (item) run.Select(item);
    return item;
}

// Opens the editor of a row the way `how` says: 0 Enter, 1 a double tap,
// 2 Edit > Modify.
void OpenEditor(EditorRun& run, int row, int how) {
    // Never on the spot of the tap before: that would be a double tap.
    static int dx = 10;
    dx = -dx;
    run.TapRow(row, dx);
    if (how == 0) run.Key(VK_RETURN);
    if (how == 1) run.TapRow(row, dx);  // the second tap of a double tap
    if (how == 2) run.Command(IDM_MODIFY);
}

// One run: every type's editor, the number bases, bad input, and another
// program changing the registry meanwhile.
TEST(Modify, EachTypeOpensItsEditorWithTheDataSelectedAndTheRowShowsWhatWasStored) {
    BootedImage device;
    std::vector<BYTE> big(40000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 13);
    struct Case {
        const char16_t* name;
        DWORD type;
        std::vector<BYTE> data;
        const char* caption;
        std::string shown;
        std::u16string typed;  // replaces the selected text
        Value stored;
        std::string row;
    } cases[] = {
        {u"sz", REG_SZ, Sz(u"hello"), "Edit String", "hello", u"new text", {REG_SZ, Sz(u"new text")}, "new text"},
        {u"exp",
         REG_EXPAND_SZ,
         Sz(u"%WINDIR%\\x"),
         "Edit Expandable String",
         "%WINDIR%\\x",
         u"%TEMP%",
         {REG_EXPAND_SZ, Sz(u"%TEMP%")},
         "%TEMP%"},
        // Enter makes a new line here; OK is tapped.
        {u"multi",
         REG_MULTI_SZ,
         Utf16Bytes(std::u16string(u"one\0two\0\0", 9)),
         "Edit Multi-String",
         "one\r\ntwo",
         u"a\rb\rc",
         {REG_MULTI_SZ, Utf16Bytes(std::u16string(u"a\0b\0c\0\0", 7))},
         "a"},
        {u"dw",
         REG_DWORD,
         {0x78, 0x56, 0x34, 0x12},
         "Edit DWORD Value",
         "12345678",
         u"0xFFFFFFFF",
         {REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
         "4294967295"},
        {u"qw",
         REG_QWORD,
         {1, 2, 3, 4, 5, 6, 7, 8},
         "Edit QWORD Value",
         "807060504030201",
         u"ffffffffffffffff",
         {REG_QWORD, std::vector<BYTE>(8, 0xFF)},
         "Unknown type: b "},
        // A lone last digit is a byte of its own, as in New Binary Value.
        {u"bin",
         REG_BINARY,
         {0x01, 0xAB},
         "Edit Binary Value",
         "01 AB",
         u"de ad be e",
         {REG_BINARY, {0xDE, 0xAD, 0xBE, 0x0E}},
         "DE AD BE 0E "},
        {u"odd", 0x20, {1, 2, 3}, "Edit Value of Type 32", "01 02 03", u"ff", {0x20, {0xFF}}, "Unknown type: 20 "},
        // Nothing typed: a value far beyond the list's 341 bytes comes back whole.
        {u"big", REG_BINARY, big, "Edit Binary Value", "", u"", {REG_BINARY, big}, ""},
    };
    for (const Case& c : cases) SetValue(HKEY_LOCAL_MACHINE, kKey, c.name, c.type, c.data);
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"n", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"gone", REG_SZ, Sz(u"a"));
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"s", REG_SZ, Sz(u"a"));
    struct Bad {
        DWORD type;
        std::u16string typed;
        std::string message;
    } bad[] = {
        {REG_DWORD, u"100000000", "The number is too large: a DWORD value holds 0 to 4294967295 (0xffffffff)"},
        {REG_DWORD, u"12xyz", "The data is not a hexadecimal number"},
        {REG_DWORD, u"-1", "The data is not a hexadecimal number"},
        {REG_DWORD, u"", "The data is not a hexadecimal number"},
        {REG_DWORD, u"0x", "The data is not a hexadecimal number"},
        {REG_DWORD, u"1 2", "The data is not a hexadecimal number"},
        {REG_QWORD, u"0x10000000000000000",
         "The number is too large: a QWORD value holds 0 to 18446744073709551615 (0xffffffffffffffff)"},
        {REG_BINARY, u"0A 1G", "Character 5 is not a hexadecimal digit"},
        {REG_MULTI_SZ, u"a\r\rb", "Line 2 is empty: a multi-string can not hold an empty string"},
        {REG_MULTI_SZ, u"\r", "Line 1 is empty: a multi-string can not hold an empty string"},
    };
    const std::vector<BYTE> before = {7, 0, 0, 0, 0, 0, 0, 0};
    const auto badName = [](const Bad& c) { return u"v" + std::u16string(1, u'0' + c.type); };
    for (const Bad& c : bad) SetValue(HKEY_LOCAL_MACHINE, kKey, badName(c), c.type, before);
    EditorRun run;
    ASSERT_TRUE(SelectEditKey(run));
    int how = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        const int row = run.RowOf(Narrow(c.name));
        ASSERT_GE(row, 0);
        OpenEditor(run, row, how++ % 3);
        HWND dlg = run.Top();
        ASSERT_NE(dlg, run.main());
        EXPECT_EQ(TextOf(dlg), c.caption);
        EXPECT_EQ(TextOf(dlg, IDC_EDIT_NAME), Narrow(c.name));
        EXPECT_TRUE(GetWindowLong(GetDlgItem(dlg, IDC_EDIT_NAME), GWL_STYLE) & ES_READONLY);
        HWND data = GetDlgItem(dlg, IDC_EDIT_DATA);
        EXPECT_EQ(GetFocus(), data);
        DWORD from = 1, to = 0;
        SendMessage(data, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(to, static_cast<DWORD>(GetWindowTextLength(data)));
        if (!c.shown.empty()) {
            EXPECT_EQ(TextOf(dlg, IDC_EDIT_DATA), c.shown);
        }
        if (c.type == REG_DWORD) run.Screenshot("arbor-modify-dword.png");
        if (c.type == REG_MULTI_SZ) run.Screenshot("arbor-modify-multistring.png");

        run.Type(c.typed);
        if (c.type == REG_MULTI_SZ)
            run.TapControl(dlg, IDOK);
        else
            run.Key(VK_RETURN);
        ASSERT_EQ(run.Top(), run.main());
        EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, c.name), c.stored);
        if (!c.row.empty()) {
            EXPECT_EQ(run.Cell(row, 1), c.row);
        }
        EXPECT_EQ(GetSelectedRow(), row);
        EXPECT_EQ(GetFocus(), run.list());
    }

    // Numbers read in the chosen base, and the choice converts the text.
    OpenEditor(run, run.RowOf("n"), 2);
    HWND dlg = run.Top();
    run.TapControl(dlg, IDC_EDIT_DECIMAL);
    EXPECT_EQ(TextOf(dlg, IDC_EDIT_DATA), "305419896");
    run.TapControl(dlg, IDC_EDIT_HEX);
    EXPECT_EQ(TextOf(dlg, IDC_EDIT_DATA), "12345678");
    run.TapControl(dlg, IDC_EDIT_DECIMAL);
    SetDlgItemText(dlg, IDC_EDIT_DATA, u" 4294967295 ");
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, u"n").second, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
    // "0x" reads hexadecimal whatever the choice.
    OpenEditor(run, run.RowOf("n"), 2);
    dlg = run.Top();
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_EDIT_HEX), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(TextOf(dlg, IDC_EDIT_DATA), "ffffffff");
    run.TapControl(dlg, IDC_EDIT_DECIMAL);
    SetDlgItemText(dlg, IDC_EDIT_DATA, u"0x10");
    SetFocus(GetDlgItem(dlg, IDC_EDIT_DATA));
    run.Key(VK_RETURN);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, u"n").second, (std::vector<BYTE>{0x10, 0, 0, 0}));
    EXPECT_EQ(run.Cell(run.RowOf("n"), 1), "16");

    // Bad input is refused with its reason and nothing is stored.
    for (const Bad& c : bad) {
        SCOPED_TRACE(c.message);
        const std::u16string name = badName(c);
        OpenEditor(run, run.RowOf(Narrow(name)), 2);
        dlg = run.Top();
        ASSERT_NE(dlg, run.main());
        if (c.typed.empty())
            run.Key(VK_DELETE);
        else
            run.Type(c.typed);
        run.TapControl(dlg, IDOK);
        HWND box = run.Top();
        ASSERT_NE(box, dlg);
        EXPECT_EQ(TextOf(box), "ERROR");
        EXPECT_EQ(MessageOf(box), c.message);
        EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);
        run.Key(VK_RETURN);
        // The dialog keeps what was typed; Escape leaves it.
        ASSERT_EQ(run.Top(), dlg);
        std::u16string kept = c.typed;
        for (size_t at = 0; (at = kept.find(u'\r', at)) != std::u16string::npos; at += 2) kept.insert(at + 1, u"\n");
        EXPECT_EQ(TextOf(dlg, IDC_EDIT_DATA), Narrow(kept));
        run.Key(VK_ESCAPE);
        ASSERT_EQ(run.Top(), run.main());
        EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, name), (Value{c.type, before}));
    }

    // The value went before Modify: no editor, its row goes.
    run.TapRow(run.RowOf("gone"));
    HKEY k = CreateKey(HKEY_LOCAL_MACHINE, kKey);
    RegDeleteValue(k, u"gone");
    RegCloseKey(k);
    run.Command(IDM_MODIFY);
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_EQ(run.RowOf("gone"), -1);

    // Changed while the editor is open: what is typed is stored and shown.
    OpenEditor(run, run.RowOf("s"), 0);
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"s", REG_DWORD, {1, 0, 0, 0});
    run.Type(u"mine\r");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, u"s"), (Value{REG_SZ, Sz(u"mine")}));
    EXPECT_EQ(run.Cell(run.RowOf("s"), 1), "mine");

    // The key went while the editor is open: said, nothing stored, and the
    // views follow the registry.
    OpenEditor(run, run.RowOf("s"), 0);
    dlg = run.Top();
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kKey.c_str()), ERROR_SUCCESS);
    run.Type(u"lost\r");
    ASSERT_NE(run.Top(), dlg);
    EXPECT_EQ(MessageOf(run.Top()), "The key has been deleted: nothing was stored");
    run.Key(VK_RETURN);
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
    EXPECT_EQ(run.Rows(), 0);
    EXPECT_EQ(run.Find(run.Open({"HKEY_LOCAL_MACHINE", "Arbor"}), "Edit"), nullptr);
}

TEST(NewValues, MultiStringExpandableStringAndQwordAndTheUnnamedValue) {
    BootedImage device;
    CreateKey(HKEY_LOCAL_MACHINE, kKey);
    EditorRun run;
    ASSERT_TRUE(SelectEditKey(run));

    // A new value starts at its empty name.
    run.Command(IDM_NEW_MULTI_STRING);
    HWND dlg = run.Top();
    EXPECT_EQ(TextOf(dlg), "New Multi-String Value");
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_EDIT_NAME));
    EXPECT_FALSE(GetWindowLong(GetDlgItem(dlg, IDC_EDIT_NAME), GWL_STYLE) & ES_READONLY);
    run.Type(u"m");
    run.Key(VK_TAB);
    run.Type(u"x\ry\r");  // a line break at the very end opens no line
    run.Screenshot("arbor-new-multistring.png");
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, u"m"),
              (Value{REG_MULTI_SZ, Utf16Bytes(std::u16string(u"x\0y\0\0", 5))}));

    // The unnamed value: an empty name.
    run.Command(IDM_NEW_EXPAND_STRING);
    EXPECT_EQ(TextOf(run.Top()), "New Expandable String Value");
    run.Key(VK_TAB);
    run.Type(u"%TEMP%\r");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, u""), (Value{REG_EXPAND_SZ, Sz(u"%TEMP%")}));

    // Names that cannot be used; then a QWORD.
    run.Command(IDM_NEW_QWORD);
    dlg = run.Top();
    EXPECT_EQ(TextOf(dlg), "New QWORD Value");
    run.Screenshot("arbor-new-qword.png");
    struct Refused {
        std::u16string name;
        std::string message;
    } refused[] = {
        {u"M", "A value named \"M\" already exists in this key"},
        {u"", "This key has an unnamed value already"},
        {std::u16string(256, u'n'), "Value name is too long (at most 255 characters)"},
    };
    for (const Refused& r : refused) {
        SetDlgItemText(dlg, IDC_EDIT_NAME, r.name.c_str());
        SetDlgItemText(dlg, IDC_EDIT_DATA, u"0x10");
        run.TapControl(dlg, IDOK);
        ASSERT_NE(run.Top(), dlg);
        EXPECT_EQ(MessageOf(run.Top()), r.message);
        run.Key(VK_RETURN);
        ASSERT_EQ(run.Top(), dlg);
    }
    SetDlgItemText(dlg, IDC_EDIT_NAME, std::u16string(255, u'q').c_str());
    run.TapControl(dlg, IDOK);
    ASSERT_EQ(run.Top(), run.main());
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, std::u16string(255, u'q')),
              (Value{REG_QWORD, {0x10, 0, 0, 0, 0, 0, 0, 0}}));

    // The rows come from the registry, the unnamed value's with an empty name.
    ASSERT_EQ(run.Rows(), 3);
    EXPECT_EQ(run.Cell(0, 0), "m");
    EXPECT_EQ(run.Cell(0, 1), "x");
    EXPECT_EQ(run.Image(0), IMG_MULTISTRING);
    EXPECT_EQ(run.Cell(1, 0), "");
    EXPECT_EQ(run.Cell(1, 1), "%TEMP%");
    EXPECT_EQ(run.Cell(2, 1), "Unknown type: b ");

    // The unnamed value can be modified.
    OpenEditor(run, 1, 0);
    EXPECT_EQ(TextOf(run.Top(), IDC_EDIT_NAME), "");
    run.Type(u"%WINDIR%\r");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kKey, u""), (Value{REG_EXPAND_SZ, Sz(u"%WINDIR%")}));
    EXPECT_EQ(run.Cell(1, 1), "%WINDIR%");

    // "My Device": no editor.
    run.Select(run.Root());
    for (int command : {IDM_NEW_MULTI_STRING, IDM_NEW_EXPAND_STRING, IDM_NEW_QWORD, IDM_MODIFY}) {
        run.Command(command);
        EXPECT_EQ(run.Top(), run.main()) << command;
    }
}

}  // namespace
