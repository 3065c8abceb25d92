// Internal interface of the resource library, for the code cerc generates,
// the window system and the controls. Programs use winres.h.
//
// Each program's resource script is compiled by cerc (tools/rc) into a C++
// source holding every resource in its Win32 binary form, and registering
// its table at static-initialisation time through a ModuleRegistration; the
// module's HINSTANCE is then GetModuleHandle(name), and the main module's
// also GetModuleHandle(NULL). Every resource starts on a 4-byte boundary, so
// templates can be read in place.
//
// Binary layouts (little-endian, as on the device):
//  - RT_DIALOG: DLGTEMPLATE { DWORD style, exStyle; WORD cdit; short x, y, cx, cy },
//    menu, class (0x0000 | 0xFFFF ordinal | UTF-16 string), caption (UTF-16
//    string), and with DS_SETFONT: WORD point size, UTF-16 face name. Then each
//    item on a DWORD boundary: DLGITEMTEMPLATE { DWORD style, exStyle; short x,
//    y, cx, cy; WORD id }, class (0xFFFF + atom 0x0080 Button, 0x0081 Edit,
//    0x0082 Static, 0x0083 ListBox, 0x0084 ScrollBar, 0x0085 ComboBox, or a
//    string), text (0xFFFF + ordinal or a string), WORD creation-data size (0).
//    DIALOGEX scripts produce the same DLGTEMPLATE form (its exstyles go into
//    the exStyle fields; help ids, font weight, italic and charset are dropped),
//    so the window system reads a single layout.
//  - RT_MENU: MENUITEMTEMPLATEHEADER { WORD version 0, WORD offset 0 }, then the
//    items: popups as { WORD flags | MF_POPUP, text } followed by their items,
//    others as { WORD flags, WORD id, text }; MF_END marks the last item of
//    each level. A separator is { 0, 0, "" }.
//  - RT_ACCELERATOR: entries of { WORD fVirt, WORD key, WORD cmd, WORD pad },
//    0x80 in fVirt of the last one.
//  - RT_STRING: blocks of 16 strings; block n + 1 holds ids 16n..16n+15, each
//    a WORD length followed by that many UTF-16 units (no terminator).
//  - RT_BITMAP: the .bmp file without its 14-byte BITMAPFILEHEADER.
//  - RT_GROUP_ICON / RT_ICON: a GRPICONDIR (ICONDIR with 14-byte entries whose
//    last field is the RT_ICON id) and one RT_ICON per image of the .ico file.
//
// String names of resources are kept upper-case; an identifier that is no
// symbol, used as a resource's name, becomes a string name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "windows.h"
#include "winres.h"

namespace ce::res {

// One resource of a compiled table. A type or name is a string (upper case)
// or, when the string is null, the 16-bit ordinal beside it.
struct ResourceEntry {
    const char16_t* type;
    WORD typeId;
    const char16_t* name;
    WORD nameId;
    const unsigned char* data;
    DWORD size;
};

// Registers `count` entries under `module` (names are matched without regard
// to case). `main` makes it the program's own module, GetModuleHandle(NULL).
// Registering a module name again replaces its table.
HMODULE RegisterModule(const char16_t* module, const ResourceEntry* entries, size_t count, bool main);

// The object generated sources define at namespace scope.
struct ModuleRegistration {
    ModuleRegistration(const char16_t* module, const ResourceEntry* entries, size_t count, bool main)
        : handle(RegisterModule(module, entries, count, main)) {}
    HMODULE handle;
};

// The bytes of a resource, or an empty span with the Win32 error set.
struct Bytes {
    const BYTE* data = nullptr;
    size_t size = 0;
};
Bytes FindBytes(HMODULE module, LPCWSTR name, LPCWSTR type);

// ---- Pictures ---------------------------------------------------------------

// A decoded device-independent bitmap: rows top to bottom, pixels 0x00RRGGBB
// (0xAARRGGBB when `alpha`). `mono` is set for a 1-bit DIB whose palette is
// black and white (it loads as a monochrome bitmap, as on Win32).
struct Picture {
    int width = 0;
    int height = 0;
    bool mono = false;
    bool alpha = false;
    std::vector<uint32_t> pixels;
};
// Decodes a packed DIB (BITMAPINFOHEADER, colour table, bits): 1, 4, 8, 16,
// 24, 32 bits per pixel, uncompressed, bottom-up or top-down. `heightScale`
// is 2 for icon images, whose header height counts the AND mask too.
bool DecodeDib(const BYTE* data, size_t size, Picture* out, int heightScale = 1);

// An icon image: the colour (XOR) picture and the transparency (AND) mask,
// one byte per pixel, 1 where the screen shows through.
struct IconImage {
    Picture color;
    std::vector<uint8_t> mask;
};
// Loads the image of icon group `name` nearest to cx x cy (0 means 32).
bool LoadIconImage(HINSTANCE instance, LPCWSTR name, int cx, int cy, IconImage* out);

// ---- Menus and accelerator tables ------------------------------------------

// Menu item flags are the MF_* values (MF_GRAYED 0x1, MF_DISABLED 0x2,
// MF_CHECKED 0x8, MF_POPUP 0x10, MF_MENUBARBREAK 0x20, MF_MENUBREAK 0x40,
// MF_HELP 0x4000); a separator has flags MF_SEPARATOR (0x800), id 0, no text.
struct MenuItem {
    UINT flags = 0;
    UINT id = 0;
    std::u16string text;
    std::vector<MenuItem> children;  // items of a popup
};
struct MenuData {
    std::vector<MenuItem> items;
};
// Parses a MENUITEMTEMPLATE; null when malformed.
std::shared_ptr<MenuData> ParseMenuTemplate(const void* data, size_t size);
// The menu a LoadMenu handle stands for (null for anything else), and its end.
std::shared_ptr<MenuData> GetMenuData(HMENU menu);
BOOL FreeMenuData(HMENU menu);

// fVirt bits are FVIRTKEY 0x01, FNOINVERT 0x02, FSHIFT 0x04, FCONTROL 0x08, FALT 0x10.
struct AccelEntry {
    BYTE fVirt = 0;
    WORD key = 0;
    WORD cmd = 0;
};
struct AccelData {
    std::vector<AccelEntry> entries;
};
std::shared_ptr<AccelData> GetAccelData(HACCEL accel);
BOOL FreeAccelData(HACCEL accel);

}  // namespace ce::res
