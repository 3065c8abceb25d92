// Internal interface of the drawing layer, for the window system, the text
// engine and the emulator host. Programs never include this header.
//
// Pixels. Every surface stores one 32-bit word per pixel in XRGB8888 order
// (0x00RRGGBB, what a host window's texture takes directly):
//  - colour surfaces keep 8 bits per channel exactly as drawn;
//  - monochrome surfaces (1-bit bitmaps) keep only 0x000000 (bit 0, black)
//    and 0xFFFFFF (bit 1, white), so the bitwise raster operations work on
//    both kinds alike.
//
// The screen. The device's LCD is 16 bits per pixel, but the screen surface
// here is 32-bit and GetDeviceCaps(BITSPIXEL) reports 32 by default: colours
// survive a round trip through SetPixel/GetPixel and a screenshot shows what
// was drawn. The host may report another depth (ScreenMode::bitsPerPixel);
// that changes only what GetDeviceCaps answers, never the stored pixels.
//
// Locking. One lock guards every drawing object. Each API call takes it;
// the functions below take it too, so they may be called from any thread
// (the host reads the screen from its own thread).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "windows.h"
#include "wingdi.h"

namespace ce::gdi {

// ---- Surfaces -------------------------------------------------------------

// A surface made from shared pixels (a bitmap loaded from the program's
// resources) reads them in place and takes its own copy only when something
// draws into it, so loading the same picture again costs no copy.
class Surface {
public:
    Surface(int width, int height, bool mono);
    // A colour surface over `width * height` shared pixel words.
    Surface(int width, int height, std::shared_ptr<const std::vector<uint32_t>> shared);

    int width() const { return width_; }
    int height() const { return height_; }
    bool mono() const { return mono_; }
    uint32_t* row(int y) { return Own() + static_cast<size_t>(y) * width_; }
    const uint32_t* row(int y) const { return pixels().data() + static_cast<size_t>(y) * width_; }
    const std::vector<uint32_t>& pixels() const { return shared_ ? *shared_ : own_; }
    // Grows with every drawing operation that touched the surface; the host
    // compares it to know when to present the screen again.
    uint64_t changes() const { return changes_; }
    void Touch() { ++changes_; }

private:
    uint32_t* Own() {
        if (shared_) {
            own_ = *shared_;
            shared_.reset();
        }
        return own_.data();
    }

    int width_;
    int height_;
    bool mono_;
    uint64_t changes_ = 0;
    std::shared_ptr<const std::vector<uint32_t>> shared_;  // until the first write
    std::vector<uint32_t> own_;
};

// Conversions between COLORREF (0x00BBGGRR) and the stored pixel word.
constexpr uint32_t ToPixel(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ToColorRef(uint32_t p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}
// A colour on a monochrome surface: the nearer of black and white.
constexpr uint32_t ToMonoPixel(COLORREF c) {
    return (GetRValue(c) + GetGValue(c) + GetBValue(c)) >= 383 ? 0xFFFFFFu : 0u;
}

// ---- The screen -------------------------------------------------------------

struct ScreenMode {
    int width = 800;
    int height = 480;
    int bitsPerPixel = 32;  // reported by GetDeviceCaps(BITSPIXEL) only
    int dpi = 96;           // LOGPIXELSX/LOGPIXELSY
    int widthMM = 154;      // HORZSIZE/VERTSIZE: a 7" panel
    int heightMM = 86;
};

class Screen {
public:
    // Makes a new screen surface (cleared to black). Device contexts made on
    // the previous surface keep drawing into it harmlessly; the window system
    // makes new ones after a mode change (rotation).
    static void SetMode(const ScreenMode& mode);
    static ScreenMode Mode();
    // The surface itself, for identity and size; its pixels change under the
    // drawing lock, so read them through Pixel/Snapshot.
    static std::shared_ptr<Surface> CurrentSurface();
    // Pixel of the screen as a COLORREF; CLR_INVALID outside.
    static COLORREF Pixel(int x, int y);
    // A copy of every pixel (XRGB8888, rows top to bottom, no padding).
    static std::vector<uint32_t> Snapshot(int* width, int* height);
    static uint64_t Changes();
};

// ---- Device contexts of windows ---------------------------------------------

// Where a window DC draws: `origin` is the screen position of the DC's
// logical (0,0) (the client area's top-left corner, or the window's for a
// whole-window DC); `clip` is the visible part in screen coordinates, as a
// list of rectangles (overlaps are allowed; they are merged). An empty list
// means nothing is visible. Everything is further clipped to the screen.
struct DcGeometry {
    POINT origin{0, 0};
    std::vector<RECT> clip;
};

// A DC onto the screen surface, owned by the window system: DeleteDC refuses
// it (FALSE, ERROR_INVALID_HANDLE); ReleaseWindowDC frees it. Its selected
// objects are released with it; `owner` is only remembered (WindowFromDC).
HDC CreateWindowDC(HWND owner, const DcGeometry& geometry);
BOOL ReleaseWindowDC(HDC hdc);
// Moves a window DC (window moved, uncovered, ...). Clears the program's
// own clip rectangles, as obtaining a fresh DC would.
BOOL SetWindowDCGeometry(HDC hdc, const DcGeometry& geometry);
// Back to the defaults of a new DC: stock pen, brush and font, black text,
// white opaque background, R2_COPYPEN, position (0,0), no program clip.
BOOL ResetDCState(HDC hdc);
// The window a DC belongs to (NULL for memory DCs and bad handles).
HWND WindowFromDC(HDC hdc);
// Told of every run of text drawn on a window DC (ExtTextOut, DrawText; one
// call per line) with some of it inside the clip: the DC, the text and its
// cell in screen coordinates. The window system keeps what each window drew
// in its paint. Called on the drawing thread, with no lock of GDI held.
using TextDrawnHook = void (*)(HDC dc, std::u16string_view text, const RECT& cell);
void SetTextDrawnHook(TextDrawnHook hook);

// ---- For the resource loader ------------------------------------------------

// A colour bitmap made straight from pixel words (0x00RRGGBB, top row first,
// `width` words a row): one copy, no format conversion.
HBITMAP CreateBitmapFromPixels(int width, int height, const uint32_t* pixels);
// The same over pixels shared with other bitmaps (`width * height` words, the
// top byte of each clear): no copy until the bitmap is drawn into.
HBITMAP CreateBitmapSharingPixels(int width, int height, std::shared_ptr<const std::vector<uint32_t>> pixels);

// ---- For the text engine -----------------------------------------------------

// A font object. CreateFontIndirect belongs to the text engine, which makes
// fonts with CreateFontObject and keeps its rendered face in `face`.
struct FontData {
    LOGFONTW logFont{};
    std::shared_ptr<void> face;
};
HFONT CreateFontObject(const LOGFONTW& logFont);
// The font data of a font handle (null for anything else).
std::shared_ptr<FontData> GetFontData(HFONT font);
// Font selected in a DC (the stock SYSTEM_FONT unless the program chose one).
HFONT GetDCFont(HDC hdc);

// Blends `color` into the DC through an 8-bit coverage mask (0 = untouched,
// 255 = solid) whose top-left is at logical (x, y), honouring the DC's clip.
// On monochrome surfaces coverage >= 128 paints the nearer of black/white.
BOOL DrawCoverageMask(HDC hdc, int x, int y, int width, int height, const uint8_t* mask, int stride, COLORREF color);
// Paints a logical rectangle with a colour (a text background), clipped.
BOOL FillSolidRect(HDC hdc, const RECT& rect, COLORREF color);

}  // namespace ce::gdi
