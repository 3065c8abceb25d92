// The value list: display rules, long data, and the New String, DWORD and
// Binary commands with the parsing of their data.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

const std::u16string kKey = u"Arbor\\Values", kNewKey = u"Arbor\\New";

std::string Hex(const std::vector<BYTE>& bytes) {
    std::string s;
    char buf[4];
    for (BYTE b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        s += buf;
    }
    return s;
}

// Opens HKLM\Arbor\Values in the tree and selects it.
HTREEITEM SelectValuesKey(EditorRun& run) {
    HTREEITEM item = run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Values"});
    if (item) run.Select(item);
    return item;
}

// Long data does not end the list, and strings stop at their size.
// Runs one New ... Value command on the selected key.
void NewValue(EditorRun& run, int command, const std::u16string& name, const std::u16string& data) {
    run.Command(command);
    ASSERT_NE(run.Top(), run.main());
    run.FillAndOk(name, data);
    ASSERT_EQ(run.Top(), run.main());
}

// One run: the list of a key holding every type, then new values in a key
// of their own.
TEST(ValueList, ShowsEveryTypeByItsRuleLongDataWholeAndNewStringDwordAndBinaryValues) {
    BootedImage device;
    std::vector<BYTE> big(400);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i);
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"sz", REG_SZ, Utf16Bytes(std::u16string(u"hello") + u'\0'));
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"expand", REG_EXPAND_SZ, Utf16Bytes(std::u16string(u"%PATH%\\x") + u'\0'));
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"max", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"ten", REG_DWORD, {10, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"bin", REG_BINARY, {0x01, 0xAB});
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"big", REG_BINARY, big);
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"multi", REG_MULTI_SZ, Utf16Bytes(std::u16string(u"one\0two\0\0", 9)));
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"q", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"empty", REG_BINARY, {});
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"before", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"huge", REG_BINARY, std::vector<BYTE>(3000, 0x5A));
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"longsz", REG_SZ, Utf16Bytes(std::u16string(1500, u'w') + u'\0'));
    // Unterminated: three characters and nothing after them.
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"raw", REG_SZ, Utf16Bytes(u"abc"));
    SetValue(HKEY_LOCAL_MACHINE, kKey, u"after", REG_DWORD, {2, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, kNewKey);
    EditorRun run;
    ASSERT_TRUE(SelectValuesKey(run));
    ASSERT_EQ(run.Rows(), 14);
    struct Row {
        const char* name;
        int image;
        std::string text;
    } rows[] = {
        {"sz", IMG_STRING, "hello"},
        {"expand", IMG_STRING, "%PATH%\\x"},
        {"max", IMG_DWORD, "4294967295"},
        {"ten", IMG_DWORD, "10"},
        {"bin", IMG_BINARY, "01 AB "},
        {"big", IMG_BINARY, Hex(std::vector<BYTE>(big.begin(), big.begin() + 341))},
        {"multi", IMG_MULTISTRING, "one"},
        {"q", -1, "Unknown type: b "},
        {"empty", IMG_BINARY, ""},
        {"before", IMG_DWORD, "1"},
        {"huge", IMG_BINARY, Hex(std::vector<BYTE>(341, 0x5A))},
        {"longsz", IMG_STRING, std::string(1023, 'w')},
        {"raw", IMG_STRING, "abc"},
        {"after", IMG_DWORD, "2"},
    };
    // Rows come in the registry's enumeration order.
    for (const Row& row : rows) {
        const int i = run.RowOf(row.name);
        ASSERT_GE(i, 0) << row.name;
        EXPECT_EQ(run.Cell(i, 1), row.text) << row.name;
        EXPECT_EQ(run.Image(i), row.image) << row.name;
    }
    EXPECT_EQ(run.Cell(run.RowOf("big"), 1).size(), 1023u);
    run.Screenshot("arbor-values.png");

    // "My Device" empties the list.
    run.Select(run.Root());
    EXPECT_EQ(run.Rows(), 0);

    // New values: strings as typed, DWORDs and binaries parsed.
    ASSERT_TRUE(run.Show({"HKEY_LOCAL_MACHINE", "Arbor", "New"}));
    NewValue(run, IDM_NEW_STRING, u"s", u"text here");
    NewValue(run, IDM_NEW_STRING, u"blank", u"");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kNewKey, u"s"),
              (std::pair<DWORD, std::vector<BYTE>>{REG_SZ, Utf16Bytes(std::u16string(u"text here") + u'\0')}));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kNewKey, u"blank"), (std::pair<DWORD, std::vector<BYTE>>{REG_SZ, {0, 0}}));

    struct Dword {
        const char16_t* text;
        DWORD stored;
    } dwords[] = {
        {u"12abc", 12},
        {u"abc", 0},
        {u"-1", 0xFFFFFFFF},
        {u"  42", 42},
        // The whole unsigned range is stored as typed; beyond, the number
        // stops at the end of the range.
        {u"2147483648", 0x80000000},
        {u"4294967295", 0xFFFFFFFF},
        {u"99999999999", 0xFFFFFFFF},
        {u"-99999999999", 0x80000000},
    };
    for (const Dword& d : dwords) {
        NewValue(run, IDM_NEW_DWORD, std::u16string(u"d") + d.text, d.text);
        auto [type, data] = GetValue(HKEY_LOCAL_MACHINE, kNewKey, std::u16string(u"d") + d.text);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        ASSERT_EQ(data.size(), 4u);
        EXPECT_EQ(static_cast<DWORD>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24),
                  d.stored)
            << ce::test::Narrow(d.text);
    }

    struct Binary {
        const char16_t* text;
        std::vector<BYTE> stored;
    } binaries[] = {
        {u"0a 1B ff", {0x0A, 0x1B, 0xFF}},
        {u"00 01", {0x00, 0x01}},
        {u"ABC", {0xAB, 0x0C}},
        {u"0A1G", {0x0A, 0x01}},
        {u"", {}},
        // Blanks removed leave an odd count: the lone last digit is the last
        // byte, nothing after the text's end is read.
        {u"00 01 fF 7", {0x00, 0x01, 0xFF, 0x07}},
    };
    for (const Binary& b : binaries) {
        NewValue(run, IDM_NEW_BINARY, std::u16string(u"b") + b.text, b.text);
        EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kNewKey, std::u16string(u"b") + b.text),
                  (std::pair<DWORD, std::vector<BYTE>>{REG_BINARY, b.stored}))
            << ce::test::Narrow(b.text);
    }

    // The rows added: strings as typed, DWORDs and binaries as stored.
    EXPECT_EQ(run.Cell(run.RowOf("s"), 1), "text here");
    EXPECT_EQ(run.Image(run.RowOf("s")), IMG_STRING);
    EXPECT_EQ(run.Cell(run.RowOf("blank"), 1), "");
    EXPECT_EQ(run.Cell(run.RowOf("d-1"), 1), "4294967295");
    EXPECT_EQ(run.Cell(run.RowOf("d4294967295"), 1), "4294967295");
    EXPECT_EQ(run.Image(run.RowOf("d-1")), IMG_DWORD);
    EXPECT_EQ(run.Cell(run.RowOf("b0a 1B ff"), 1), "0A 1B FF ");
    EXPECT_EQ(run.Image(run.RowOf("b0a 1B ff")), IMG_BINARY);
    EXPECT_EQ(run.Cell(run.RowOf("b00 01 fF 7"), 1), "00 01 FF 07 ");
    EXPECT_EQ(run.Rows(), 16);
    run.Screenshot("arbor-new-values.png");

    // A name that exists already: the value is replaced, a second row shows
    // until the list is refilled.
    NewValue(run, IDM_NEW_STRING, u"s", u"again");
    EXPECT_EQ(run.Rows(), 17);
    EXPECT_EQ(run.Cell(16, 0), "s");

    // After a refill the DWORD shows as stored, and "s" once.
    run.Select(run.Root());
    ASSERT_TRUE(run.Show({"HKEY_LOCAL_MACHINE", "Arbor", "New"}));
    EXPECT_EQ(run.Cell(run.RowOf("d-1"), 1), "4294967295");
    EXPECT_EQ(run.Rows(), 16);
    EXPECT_EQ(run.Cell(run.RowOf("s"), 1), "again");

    // An empty name is refused and the dialog keeps its input; Cancel then
    // stores nothing and adds no row.
    run.Command(IDM_NEW_STRING);
    HWND dlg = run.Top();
    run.FillAndOk(u"", u"kept");
    HWND box = run.Top();
    ASSERT_NE(box, dlg);
    EXPECT_EQ(TextOf(box), "ERROR");
    EXPECT_EQ(MessageOf(box), "Name can not be NULL");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);
    run.Key(VK_RETURN);
    EXPECT_EQ(run.Top(), dlg);
    EXPECT_EQ(TextOf(dlg, IDC_VALUEDATA), "kept");
    run.TapControl(dlg, IDCANCEL);
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_EQ(run.Rows(), 16);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kNewKey, u"").first, 0xFFFFFFFFu);

    // The fields scroll, so all that the binary dialog reads can be typed;
    // a name too long is refused.
    run.Command(IDM_NEW_BINARY);
    dlg = run.Top();
    run.TapControl(dlg, IDC_VALUENAME);
    run.Type(std::u16string(256, u'n'));
    run.TapControl(dlg, IDC_VALUEDATA);
    // 1023 digits (the most the field takes): 511 bytes and a lone digit.
    std::u16string digits;
    while (digits.size() < 1030) digits += u"0123456789abcdef";
    run.Type(digits);
    run.TapControl(dlg, IDOK);
    ASSERT_NE(run.Top(), dlg);
    EXPECT_EQ(MessageOf(run.Top()), "Name is too long (at most 255 characters)");
    run.Key(VK_RETURN);
    SetDlgItemText(dlg, IDC_VALUENAME, u"blob");
    run.TapControl(dlg, IDOK);
    auto [type, data] = GetValue(HKEY_LOCAL_MACHINE, kNewKey, u"blob");
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(data.size(), 512u);
    EXPECT_EQ(data[0], 0x01);
    EXPECT_EQ(data[510], 0xCD);
    EXPECT_EQ(data[511], 0x0E);
}

TEST(ValueFormat, ReadsNoFurtherThanTheData) {
    WCHAR text[MAX_VALUE_TEXT];
    const BYTE unterminated[] = {'h', 0, 'i', 0, 'X', 0};
    EXPECT_EQ(FormatValueData(REG_SZ, unterminated, 4, text), IMG_STRING);
    EXPECT_EQ(std::u16string(text), u"hi");
    EXPECT_EQ(FormatValueData(REG_MULTI_SZ, unterminated, 3, text), IMG_MULTISTRING);  // odd size
    EXPECT_EQ(std::u16string(text), u"h");
    const BYTE shortDword[] = {0x34, 0x12};
    EXPECT_EQ(FormatValueData(REG_DWORD, shortDword, 2, text), IMG_DWORD);
    EXPECT_EQ(std::u16string(text), u"4660");
    EXPECT_EQ(FormatValueData(REG_DWORD_BIG_ENDIAN, shortDword, 2, text), -1);
    EXPECT_EQ(std::u16string(text), u"Unknown type: 5 ");
    EXPECT_EQ(FormatValueData(REG_NONE, nullptr, 0, text), -1);
    EXPECT_EQ(std::u16string(text), u"Unknown type: 0 ");
}

}  // namespace
