// The resource API over the tables cerc compiled from test.rc and extra.rc.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "ce_res.h"
#include "commctrl.h"
#include "fixtures.h"
#include "lasterror.h"
#include "resource.h"

namespace {

// Reads a dialog template the way the window system does: words in place.
struct TemplateReader {
    const WORD* p;
    WORD Word() { return *p++; }
    DWORD Dword() {
        DWORD lo = Word();
        return lo | (DWORD{Word()} << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    std::u16string Str() {
        std::u16string s;
        for (WORD c = Word(); c; c = Word()) s += static_cast<char16_t>(c);
        return s;
    }
    // A string-or-ordinal field, the ordinal written as "#n".
    std::u16string SzOrOrd() {
        if (*p != 0xFFFF) return Str();
        ++p;
        std::string n = "#" + std::to_string(Word());
        return std::u16string(n.begin(), n.end());
    }
};

struct Item {
    DWORD style, exStyle;
    short x, y, cx, cy;
    WORD id;
    std::u16string cls, text;
};

struct Dialog {
    DWORD style, exStyle;
    short x, y, cx, cy;
    std::u16string menu, cls, caption, face;
    WORD pointSize = 0;
    std::vector<Item> items;
};

Dialog ReadDialog(int id) {
    HRSRC info = FindResource(nullptr, MAKEINTRESOURCE(id), RT_DIALOG);
    EXPECT_NE(info, nullptr);
    if (!info) return {};
    auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    // Templates are read in place, so they and their items start on a DWORD boundary.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes) % 4, 0u);
    TemplateReader r{reinterpret_cast<const WORD*>(bytes)};
    Dialog d;
    d.style = r.Dword();
    d.exStyle = r.Dword();
    WORD count = r.Word();
    d.x = r.Short(), d.y = r.Short(), d.cx = r.Short(), d.cy = r.Short();
    d.menu = r.SzOrOrd();
    d.cls = r.SzOrOrd();
    d.caption = r.Str();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.Word();
        d.face = r.Str();
    }
    for (WORD k = 0; k < count; ++k) {
        if (reinterpret_cast<uintptr_t>(r.p) % 4) ++r.p;
        Item it;
        it.style = r.Dword();
        it.exStyle = r.Dword();
        it.x = r.Short(), it.y = r.Short(), it.cx = r.Short(), it.cy = r.Short();
        it.id = r.Word();
        it.cls = r.SzOrOrd();
        it.text = r.SzOrOrd();
        EXPECT_EQ(r.Word(), 0) << "no creation data";
        d.items.push_back(it);
    }
    EXPECT_EQ(reinterpret_cast<const BYTE*>(r.p) - bytes, SizeofResource(nullptr, info));
    return d;
}

// ---- Dialog templates ----------------------------------------------------------

TEST(DialogTemplate, HeaderCarriesStyleCaptionAndFontAndShortFormsImplyClassAndStyles) {
    Dialog d = ReadDialog(IDD_MAIN);
    // STYLE as written, plus WS_CAPTION for CAPTION and DS_SETFONT for FONT.
    EXPECT_EQ(d.style, 0x80u | 0x80000000u | 0x00080000u | 0x00C00000u | 0x40u);
    EXPECT_EQ(d.exStyle, 0x80000000u);  // WS_EX_CAPTIONOKBTN
    EXPECT_EQ(std::tuple(d.x, d.y, d.cx, d.cy), std::tuple(10, 20, 160, 90));
    EXPECT_EQ(d.menu, u"");
    EXPECT_EQ(d.cls, u"");
    EXPECT_EQ(d.caption, u"Main \"quoted\"");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.face, u"Tahoma");
    ASSERT_EQ(d.items.size(), 17u);
    const DWORD base = WS_CHILD | WS_VISIBLE;
    struct Want {
        const char16_t* cls;
        DWORD style;
        WORD id;
        const char16_t* text;
    } want[] = {
        {u"#130", base | WS_GROUP | SS_LEFT, 0xFFFF, u"&Name:"},                   // LTEXT
        {u"#130", base | WS_GROUP | SS_CENTER | SS_NOPREFIX, 0xFFFF, u"Centre"},   // CTEXT
        {u"#130", base | WS_GROUP | SS_CENTER, 0xFFFF, u"Right"},                  // RTEXT, SS_CENTER replaces SS_RIGHT
        {u"#129", base | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, IDC_NAME, u""},  // EDITTEXT
        {u"#128", base | WS_TABSTOP | BS_PUSHBUTTON, 2, u"Cancel"},                // PUSHBUTTON
        {u"#128", base | WS_TABSTOP | BS_DEFPUSHBUTTON, 1, u"OK"},                 // DEFPUSHBUTTON
        {u"#128", base | BS_GROUPBOX, 0xFFFF, u"Mode"},                            // GROUPBOX
        {u"#128", base | WS_TABSTOP | BS_CHECKBOX, IDC_MANUAL, u"Manual"},         // CHECKBOX
        {u"#128", base | BS_AUTOCHECKBOX, IDC_CHECK, u"Auto"},                     // AUTOCHECKBOX, NOT WS_TABSTOP
        {u"#128", base | WS_TABSTOP | BS_RADIOBUTTON, IDC_TWO, u"Two"},            // RADIOBUTTON
        {u"#128", base | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, IDC_ONE, u"One"},  // AUTORADIOBUTTON, WS_GROUP
        {u"#133", base | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN, IDC_COMBO, u""},       // COMBOBOX (no CBS_SIMPLE)
        {u"#131", base | WS_BORDER | LBS_NOTIFY, IDC_LIST, u""},                        // LISTBOX
        {u"#132", base | SBS_VERT, IDC_SCROLL, u""},                                    // SCROLLBAR
        {u"#130", base | SS_ICON, IDC_ICON, u"#300"},                                   // ICON, ordinal text
        {u"SysTreeView32", base | TVS_HASLINES | WS_BORDER, IDC_TREE, u""},             // CONTROL with a class name
        {u"#128", WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, IDC_CUSTOM, u"Custom"},      // CONTROL ... NOT WS_VISIBLE
    };
    for (size_t k = 0; k < std::size(want); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(d.items[k].cls, want[k].cls);
        EXPECT_EQ(d.items[k].style, want[k].style);
        EXPECT_EQ(d.items[k].id, want[k].id);
        EXPECT_EQ(d.items[k].text, want[k].text);
    }
    const Item& edit = d.items[3];
    EXPECT_EQ(std::tuple(edit.x, edit.y, edit.cx, edit.cy), std::tuple(50, 5, 100, 12));
    EXPECT_EQ(d.items[15].exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
}

TEST(DialogTemplate, DialogExAndDefaults) {
    Dialog ex = ReadDialog(IDD_EX);
    EXPECT_EQ(ex.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_SETFONT));
    EXPECT_EQ(ex.pointSize, 9);
    EXPECT_EQ(ex.face, u"Arial");
    ASSERT_EQ(ex.items.size(), 1u);
    EXPECT_EQ(ex.items[0].cls, u"msctls_progress32");
    EXPECT_EQ(ex.items[0].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | PBS_SMOOTH));
    EXPECT_EQ(ex.items[0].exStyle, static_cast<DWORD>(WS_EX_STATICEDGE));

    // No STYLE: WS_POPUP | WS_BORDER | WS_SYSMENU; no font, no caption.
    Dialog plain = ReadDialog(IDD_PLAIN);
    EXPECT_EQ(plain.style, static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU));
    EXPECT_EQ(plain.caption, u"");
    EXPECT_TRUE(plain.items.empty());
}

// ---- Menus and accelerators ------------------------------------------------------

TEST(DialogInit, EntriesArePackedAndEndWithZero) {
    HRSRC info = FindResource(nullptr, MAKEINTRESOURCE(IDD_MAIN), MAKEINTRESOURCE(240));
    ASSERT_NE(info, nullptr);
    auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    std::vector<BYTE> got(bytes, bytes + SizeofResource(nullptr, info));
    auto entry = [](std::vector<BYTE>& v, WORD id, WORD msg, const std::string& data) {
        for (WORD w : {id, msg, static_cast<WORD>(data.size()), WORD{0}}) {
            v.push_back(static_cast<BYTE>(w));
            v.push_back(static_cast<BYTE>(w >> 8));
        }
        v.insert(v.end(), data.begin(), data.end());
    };
    std::vector<BYTE> want;
    entry(want, IDC_COMBO, 0x403, std::string("One\0\0", 5));  // a word's high zero byte counts too
    entry(want, IDC_COMBO, 0x403, std::string("Two\0", 4));    // odd offsets: no padding
    entry(want, IDC_LIST, 0x1234, "");
    want.push_back(0);
    want.push_back(0);
    EXPECT_EQ(got, want);
}

// A menu item's flags, id and text.
using Fields = std::tuple<UINT, UINT, std::u16string>;
Fields Of(const ce::res::MenuItem& m) {
    return {m.flags, m.id, m.text};
}

TEST(Menu, NestedPopupsSeparatorsAndOptions) {
    HMENU menu = LoadMenu(GetModuleHandle(nullptr), MAKEINTRESOURCE(IDR_MAIN_MENU));
    auto data = ce::res::GetMenuData(menu);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->items.size(), 2u);
    const auto& file = data->items[0];
    EXPECT_EQ(Of(file), Fields(0x10, 0, u"&File"));  // MF_POPUP
    ASSERT_EQ(file.children.size(), 4u);
    EXPECT_EQ(Of(file.children[0]), Fields(0, ID_FILE_OPEN, u"&Open\tCtrl+O"));
    EXPECT_EQ(file.children[1].flags, 0x800u);  // MF_SEPARATOR
    const auto& recent = file.children[2];
    ASSERT_EQ(recent.children.size(), 2u);
    EXPECT_EQ(Of(recent.children[0]), Fields(0x8, ID_RECENT1, u"One"));  // MF_CHECKED
    EXPECT_EQ(Of(recent.children[1]), Fields(0x1, ID_RECENT2, u"Two"));  // MF_GRAYED
    EXPECT_EQ(Of(file.children[3]), Fields(0, ID_FILE_EXIT, u"E&xit"));  // after the nested popup
    EXPECT_EQ(Of(data->items[1]), Fields(0x4000, ID_HELP, u"&Help"));    // MF_HELP
    EXPECT_TRUE(ce::res::FreeMenuData(menu));
    EXPECT_FALSE(ce::res::GetMenuData(menu));
}

TEST(Menu, MalformedTemplatesAreRefused) {
    const BYTE unterminated[] = {0, 0, 0, 0, 0x00, 0x00, 0x05, 0x00, 'A', 0};  // no MF_END, runs out
    EXPECT_FALSE(ce::res::ParseMenuTemplate(unterminated, sizeof unterminated));
    const BYTE badHeader[] = {1, 0, 0, 0, 0x80, 0, 1, 0, 0, 0};
    EXPECT_FALSE(ce::res::ParseMenuTemplate(badHeader, sizeof badHeader));
}

TEST(Accelerators, KeysAndModifiers) {
    HACCEL accel = LoadAccelerators(nullptr, MAKEINTRESOURCE(IDR_ACCEL));
    ASSERT_NE(accel, nullptr);
    auto data = ce::res::GetAccelData(accel);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->entries.size(), 6u);
    struct Want {
        BYTE fVirt;
        WORD key, cmd;
    } want[] = {
        {0x01 | 0x08, 'O', ID_FILE_OPEN},       // VIRTKEY CONTROL
        {0x01, 0x74, ID_REFRESH},               // VK_F5
        {0x01 | 0x04 | 0x10, 0x2E, ID_DELETE},  // VK_DELETE SHIFT ALT
        {0, 3, ID_COPY},                        // "^C"
        {0, 'a', ID_LOWER_A},                   // ASCII keeps the case
        {0x01 | 0x02, 'X', ID_X},               // virtual keys are upper case
    };
    for (size_t k = 0; k < std::size(want); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(data->entries[k].fVirt, want[k].fVirt);  // the end marker is not kept
        EXPECT_EQ(data->entries[k].key, want[k].key);
        EXPECT_EQ(data->entries[k].cmd, want[k].cmd);
    }
}

// ---- Strings --------------------------------------------------------------------

std::u16string Load(HINSTANCE inst, UINT id, int cch = 128) {
    WCHAR buf[128];
    int n = LoadString(inst, id, buf, cch);
    EXPECT_EQ(static_cast<size_t>(n), std::char_traits<char16_t>::length(buf));
    return buf;
}

TEST(Strings, TextEscapesUtf8BufferSizesAndMissingIds) {
    EXPECT_EQ(Load(nullptr, IDS_HELLO), u"Hello");
    EXPECT_EQ(Load(nullptr, IDS_ESCAPES), u"Tab\there\nnew \"q\" \\ \"q2\"");
    EXPECT_EQ(Load(nullptr, IDS_UNICODE), u"Grüße € \U0001F600");
    EXPECT_EQ(Load(nullptr, IDS_SECOND_BLOCK), u"Second block");
    EXPECT_EQ(Load(nullptr, IDS_LATE), u"Another table");  // a second STRINGTABLE

    // The buffer size is in characters.
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(LoadString(nullptr, IDS_HELLO, buf, 3), 2);
    EXPECT_EQ(std::u16string(buf), u"He");
    EXPECT_EQ(buf[3], u'#');
    EXPECT_EQ(LoadString(nullptr, IDS_HELLO, buf, 1), 0);
    EXPECT_EQ(buf[0], 0);

    // cchBufferMax 0: a read-only pointer to the string itself.
    const WCHAR* text = nullptr;
    EXPECT_EQ(LoadString(nullptr, IDS_SECOND_BLOCK, reinterpret_cast<LPWSTR>(&text), 0), 12);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text, 12), u"Second block");

    // Missing ids: in a block that exists (left out by #if 0), empty, no such block.
    buf[0] = u'x';
    EXPECT_EQ(LoadString(nullptr, 5, buf, 8), 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(LoadString(nullptr, IDS_EMPTY, buf, 8), 0);
    EXPECT_FAILS_WITH(LoadString(nullptr, 4000, buf, 8), ERROR_RESOURCE_NAME_NOT_FOUND);
}

// ---- Modules and raw lookup --------------------------------------------------------

TEST(Modules, MainModuleAndNamedModules) {
    HMODULE self = GetModuleHandle(nullptr);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandle(u"unit_res"), self);
    EXPECT_EQ(GetModuleHandle(u"UNIT_RES.EXE"), self);
    HMODULE extra = GetModuleHandle(u"extra");
    ASSERT_NE(extra, nullptr);
    EXPECT_NE(extra, self);
    EXPECT_EQ(Load(extra, IDS_HELLO), u"Hello from extra");
    EXPECT_EQ(Load(self, IDS_HELLO), u"Hello");
    EXPECT_FAILS_WITH(GetModuleHandle(u"nosuch"), ERROR_MOD_NOT_FOUND);
}

TEST(FindResource, NamesTypesAndErrors) {
    HRSRC byId = FindResource(nullptr, MAKEINTRESOURCE(IDB_PICTURE), RT_BITMAP);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(FindResource(nullptr, u"#200", RT_BITMAP), byId);
    // Unresolved names become string names, matched without regard to case.
    HRSRC logo = FindResource(nullptr, u"logo", RT_BITMAP);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, logo), SizeofResource(nullptr, byId));
    // A DIB: the file minus its 14-byte header; 24-bit rows padded to 4 bytes.
    EXPECT_EQ(SizeofResource(nullptr, byId), 40u + 3 * 12);
    auto* dib = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, byId)));
    EXPECT_EQ(dib[0], 40);
    EXPECT_FALSE(FreeResource(LoadResource(nullptr, byId)));

    EXPECT_FAILS_WITH(FindResource(nullptr, MAKEINTRESOURCE(999), RT_BITMAP), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_FAILS_WITH(FindResource(nullptr, MAKEINTRESOURCE(IDB_PICTURE), RT_RCDATA), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_FAILS_WITH(LoadBitmap(nullptr, MAKEINTRESOURCE(999)), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(LoadMenu(nullptr, MAKEINTRESOURCE(999)), nullptr);
    EXPECT_EQ(LoadAccelerators(nullptr, MAKEINTRESOURCE(999)), nullptr);

    // A handle that is no module, and resource info of another module.
    int notAModule = 0;
    EXPECT_FAILS_WITH(FindResource(reinterpret_cast<HMODULE>(&notAModule), MAKEINTRESOURCE(IDB_PICTURE), RT_BITMAP),
                      ERROR_INVALID_HANDLE);
    EXPECT_EQ(SizeofResource(GetModuleHandle(u"extra"), byId), 0u);
}

// ---- Bitmaps and icons ----------------------------------------------------------------

COLORREF Ref(uint32_t rgb) {
    return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Expects each pixel of `bmp`, read back through a memory DC, to be want(x, y).
template <class Want>
void ExpectPixels(HBITMAP bmp, int w, int h, Want want) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) EXPECT_EQ(GetPixel(dc, x, y), want(x, y)) << x << "," << y;
    SelectObject(dc, old);
    DeleteDC(dc);
}

// Bitmaps loaded from one resource share its pixels until one is drawn into:
// the drawing shows in that bitmap only, never in other loads, earlier or later.
TEST(Bitmap, TwentyFourBitsBottomUpAndDrawingIntoALoadChangesOnlyThatBitmap) {
    const int w = fixture::kPictureW, h = fixture::kPictureH;
    HBITMAP drawn = LoadBitmap(nullptr, MAKEINTRESOURCE(IDB_PICTURE));
    HBITMAP earlier = LoadBitmap(GetModuleHandle(nullptr), MAKEINTRESOURCE(IDB_PICTURE));
    BITMAP info{};
    ASSERT_EQ(GetObject(earlier, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(std::pair(info.bmWidth, info.bmHeight), std::pair(w, h));
    HDC dst = CreateCompatibleDC(nullptr), src = CreateCompatibleDC(nullptr);
    HGDIOBJ oldDst = SelectObject(dst, drawn), oldSrc = SelectObject(src, earlier);
    ASSERT_TRUE(BitBlt(dst, 1, 0, w - 1, h, src, 0, 0, SRCCOPY));  // shifted right by one column
    ASSERT_TRUE(PatBlt(dst, 0, 0, 1, h, BLACKNESS));
    SelectObject(dst, oldDst);
    SelectObject(src, oldSrc);
    DeleteDC(dst);
    DeleteDC(src);
    HBITMAP later = LoadBitmap(nullptr, MAKEINTRESOURCE(IDB_PICTURE));
    auto picture = [](int x, int y) { return Ref(fixture::Picture(x, y)); };
    ExpectPixels(drawn, w, h, [&](int x, int y) { return x == 0 ? RGB(0, 0, 0) : picture(x - 1, y); });
    ExpectPixels(earlier, w, h, picture);
    ExpectPixels(later, w, h, picture);
    for (HBITMAP b : {drawn, earlier, later}) DeleteObject(b);
}

TEST(Bitmap, PaletteTopDownAndMonochrome) {
    HBITMAP pal = LoadBitmap(nullptr, MAKEINTRESOURCE(IDB_PALETTE));
    ExpectPixels(pal, fixture::kPaletteW, fixture::kPaletteH,
                 [](int x, int y) { return Ref(fixture::kPaletteColors[fixture::PaletteIndex(x, y)]); });
    DeleteObject(pal);

    HBITMAP mono = LoadBitmap(nullptr, MAKEINTRESOURCE(IDB_MONO));
    BITMAP info{};
    GetObject(mono, sizeof info, &info);
    EXPECT_EQ(info.bmBitsPixel, 1);
    ExpectPixels(mono, fixture::kMonoW, fixture::kMonoH,
                 [](int x, int y) { return fixture::MonoWhite(x, y) ? RGB(255, 255, 255) : RGB(0, 0, 0); });
    DeleteObject(mono);
}

TEST(DecodeDib, RejectsTruncatedAndUnsupported) {
    ce::res::Bytes all = ce::res::FindBytes(nullptr, MAKEINTRESOURCE(IDB_PICTURE), RT_BITMAP);
    ASSERT_TRUE(all.data);
    ce::res::Picture pic;
    EXPECT_TRUE(ce::res::DecodeDib(all.data, all.size, &pic));
    EXPECT_FALSE(ce::res::DecodeDib(all.data, all.size - 1, &pic));  // bits cut short
    std::vector<BYTE> rle(all.data, all.data + all.size);
    rle[16] = 1;  // BI_RLE8
    EXPECT_FALSE(ce::res::DecodeDib(rle.data(), rle.size(), &pic));
    std::vector<BYTE> huge(all.data, all.data + all.size);
    huge[4] = 0xFF, huge[5] = 0xFF, huge[6] = 0xFF, huge[7] = 0x7F;  // width 2^31 - 1
    EXPECT_FALSE(ce::res::DecodeDib(huge.data(), huge.size(), &pic));
}

TEST(Icon, NearestImageWithMaskOrAlpha) {
    ce::res::IconImage small;
    ASSERT_TRUE(ce::res::LoadIconImage(nullptr, MAKEINTRESOURCE(IDI_APP), 16, 16, &small));
    ASSERT_EQ(small.color.width, 16);
    ASSERT_EQ(small.color.height, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(small.color.pixels[y * 16 + x], fixture::Icon16(x, y));
            EXPECT_EQ(small.mask[y * 16 + x], fixture::Icon16Transparent(x, y) ? 1 : 0);
        }

    ce::res::IconImage big;  // 0 x 0: the default 32 x 32
    ASSERT_TRUE(ce::res::LoadIconImage(nullptr, MAKEINTRESOURCE(IDI_APP), 0, 0, &big));
    ASSERT_EQ(big.color.width, 32);
    EXPECT_TRUE(big.color.alpha);
    EXPECT_EQ(big.color.pixels[5 * 32 + 9], fixture::Icon32(9, 5));
    EXPECT_EQ(big.mask[5 * 32 + 2], 1);
    EXPECT_EQ(big.mask[5 * 32 + 9], 0);

    EXPECT_FAILS_WITH(ce::res::LoadIconImage(nullptr, MAKEINTRESOURCE(301), 32, 32, &big),
                      ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST(Icon, LoadIconDrawsThroughItsMask) {
    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_APP));
    ASSERT_NE(icon, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(32, 32, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, red);
    ASSERT_TRUE(DrawIcon(dc, 0, 0, icon));
    EXPECT_EQ(GetPixel(dc, 2, 5), RGB(255, 0, 0));                         // transparent: background stays
    EXPECT_EQ(GetPixel(dc, 9, 5), Ref(fixture::Icon32(9, 5) & 0xFFFFFF));  // opaque: the icon's colour
    SelectObject(dc, old);
    DeleteObject(red);
    DeleteObject(bmp);
    DeleteDC(dc);
    EXPECT_TRUE(DestroyIcon(icon));
    // A bitmap id has no icon group.
    EXPECT_FAILS_WITH(LoadIcon(nullptr, MAKEINTRESOURCE(IDB_PICTURE)), ERROR_RESOURCE_NAME_NOT_FOUND);
}

}  // namespace
