// Text: fonts, metrics, ExtTextOut and DrawText.
//
// Every face name maps to the free sans family (regular, or bold for a weight
// of FW_BOLD and more), rendered with FreeType at whole pixel sizes and
// anti-aliased. A font's size follows LOGFONT: a negative lfHeight is the
// character (em) height in pixels, a positive one the cell height
// (ascent + descent), 0 the default of 13 pixels. lfWidth, escapement,
// orientation and italics are not rendered; lfUnderline and lfStrikeOut are.
//
// Glyphs are rendered once per (file, pixel size) and kept. A run of text is
// composed into one coverage mask covering only its visible part, then
// blended into the DC with DrawCoverageMask, so drawing honours the DC's clip
// like every other drawing operation.
//
// Locking: the text engine has its own lock for the FreeType state, the size
// cache and FontData::face. It may call into the drawing layer while holding
// it (the drawing layer never calls back), never the other way round.
#include <fcntl.h>
#include <ft2build.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>

#include "gdi_internal.h"

namespace ce::gdi {
namespace {

constexpr const char* kFontFiles[2] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                       "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};
constexpr int kDefaultEm = 13;
constexpr int kMaxEm = 400;  // larger requests are drawn at this size
constexpr int64_t kLimit = int64_t{1} << 28;

std::mutex& TextMutex() {
    static std::mutex m;
    return m;
}

struct Glyph {
    int left = 0, top = 0, width = 0, height = 0, advance = 0;
    std::vector<uint8_t> bits;  // width * height coverage
};

// One font file at one pixel size.
struct SizedFace {
    FT_Face face = nullptr;
    int em = 0, ascent = 0, descent = 0, externalLeading = 0, aveCharWidth = 0, maxCharWidth = 0;
    std::unordered_map<char32_t, Glyph> glyphs;
};

// What FontData::face holds: the sized face plus the font's own decorations.
struct RenderFont {
    SizedFace* sized = nullptr;
    bool bold = false;
    bool underline = false;
    bool strikeOut = false;
};

// A font file mapped into memory (read-only, shared with the page cache):
// only the parts FreeType reads are ever touched. Kept for the process.
struct FontFile {
    const FT_Byte* bytes = nullptr;
    FT_Long size = 0;
    FT_Face design = nullptr;  // unsized, for the cell-height conversion
};

// Everything below is guarded by TextMutex(); it lives as long as the process.
FT_Library g_library = nullptr;
FontFile* g_files[2] = {nullptr, nullptr};
std::map<std::pair<int, int>, std::unique_ptr<SizedFace>> g_sizes;

FontFile* LoadFile(int which) {
    if (g_files[which]) return g_files[which];
    if (!g_library && FT_Init_FreeType(&g_library) != 0) return nullptr;
    const int fd = open(kFontFiles[which], O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    void* map = MAP_FAILED;
    if (fstat(fd, &st) == 0 && st.st_size > 0)
        map = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return nullptr;
    auto file = std::make_unique<FontFile>();
    file->bytes = static_cast<const FT_Byte*>(map);
    file->size = static_cast<FT_Long>(st.st_size);
    if (FT_New_Memory_Face(g_library, file->bytes, file->size, 0, &file->design) != 0) {
        munmap(map, static_cast<size_t>(st.st_size));
        return nullptr;
    }
    g_files[which] = file.release();
    return g_files[which];
}

SizedFace* LoadSize(int which, int em) {
    auto key = std::make_pair(which, em);
    if (auto it = g_sizes.find(key); it != g_sizes.end()) return it->second.get();
    FontFile* file = LoadFile(which);
    if (!file) return nullptr;
    auto s = std::make_unique<SizedFace>();
    if (FT_New_Memory_Face(g_library, file->bytes, file->size, 0, &s->face) != 0 ||
        FT_Set_Pixel_Sizes(s->face, 0, static_cast<FT_UInt>(em)) != 0)
        return nullptr;
    const FT_Size_Metrics& m = s->face->size->metrics;
    s->em = em;
    s->ascent = static_cast<int>((m.ascender + 63) >> 6);
    s->descent = static_cast<int>((-m.descender + 63) >> 6);
    s->externalLeading = std::max(0, static_cast<int>((m.height + 32) >> 6) - s->ascent - s->descent);
    s->maxCharWidth = static_cast<int>((FT_MulFix(s->face->max_advance_width, m.x_scale) + 63) >> 6);
    if (FT_Load_Char(s->face, 'x', FT_LOAD_DEFAULT) == 0)
        s->aveCharWidth = static_cast<int>((s->face->glyph->advance.x + 32) >> 6);
    SizedFace* raw = s.get();
    g_sizes.emplace(key, std::move(s));
    return raw;
}

const Glyph& GlyphOf(SizedFace& s, char32_t code) {
    auto it = s.glyphs.find(code);
    if (it != s.glyphs.end()) return it->second;
    Glyph g;
    const FT_UInt index = FT_Get_Char_Index(s.face, code);
    if (FT_Load_Glyph(s.face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
        const FT_GlyphSlot slot = s.face->glyph;
        const FT_Bitmap& b = slot->bitmap;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (b.pixel_mode == FT_PIXEL_MODE_GRAY && b.width > 0 && b.rows > 0) {
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            g.width = static_cast<int>(b.width);
            g.height = static_cast<int>(b.rows);
            g.bits.resize(static_cast<size_t>(g.width) * g.height);
            for (int y = 0; y < g.height; ++y)
                std::memcpy(g.bits.data() + static_cast<size_t>(y) * g.width,
                            b.buffer + static_cast<ptrdiff_t>(y) * b.pitch, static_cast<size_t>(g.width));
        }
    }
    return s.glyphs.emplace(code, std::move(g)).first->second;
}

// The pixel em size a LOGFONT asks for.
int EmSize(const LOGFONTW& lf, FontFile& file) {
    const int64_t h = lf.lfHeight;
    int64_t em = kDefaultEm;
    if (h < 0) {
        em = -h;
    } else if (h > 0) {
        const int64_t cell = int64_t{file.design->ascender} - file.design->descender;
        em = cell > 0 ? (h * file.design->units_per_EM + cell / 2) / cell : h;
    }
    return static_cast<int>(std::clamp<int64_t>(em, 1, kMaxEm));
}

// The rendered font of a font's data, made on first use (TextMutex held).
// Null with ERROR_FILE_NOT_FOUND when the font file is missing.
RenderFont* Resolve(const std::shared_ptr<FontData>& data) {
    if (data->face) return static_cast<RenderFont*>(data->face.get());
    const LOGFONTW& lf = data->logFont;
    const int which = lf.lfWeight >= FW_BOLD ? 1 : 0;
    FontFile* file = LoadFile(which);
    SizedFace* sized = file ? LoadSize(which, EmSize(lf, *file)) : nullptr;
    if (!sized) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto f = std::make_shared<RenderFont>();
    f->sized = sized;
    f->bold = which == 1;
    f->underline = lf.lfUnderline != 0;
    f->strikeOut = lf.lfStrikeOut != 0;
    data->face = f;
    return f.get();
}

// The font selected in a DC (TextMutex held); null with the last error set.
RenderFont* DCFont(HDC hdc) {
    HFONT h = GetDCFont(hdc);
    if (!h) return nullptr;
    auto data = GetFontData(h);
    if (!data) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return Resolve(data);
}

// The code point at s[i] (a surrogate pair counts at its first unit; the
// second unit gives 0, drawn as nothing).
char32_t CodeAt(const char16_t* s, size_t n, size_t i) {
    const char16_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
        return 0x10000 + ((char32_t{c} - 0xD800) << 10) + (s[i + 1] - 0xDC00);
    if (c >= 0xDC00 && c < 0xE000 && i > 0 && s[i - 1] >= 0xD800 && s[i - 1] < 0xDC00) return 0;
    return c;
}

// Advance of every unit of a string (TextMutex held).
std::vector<int> Advances(SizedFace& f, const char16_t* s, size_t n) {
    std::vector<int> adv(n);
    for (size_t i = 0; i < n; ++i) {
        const char32_t code = CodeAt(s, n, i);
        adv[i] = code ? GlyphOf(f, code).advance : 0;
    }
    return adv;
}

int64_t Sum(const std::vector<int>& adv, size_t from, size_t to) {
    int64_t w = 0;
    for (size_t i = from; i < to; ++i) w += adv[i];
    return w;
}

// The length of a string argument: -1 means NUL-terminated. False (with
// ERROR_INVALID_PARAMETER) for other negative counts or a missing string.
bool TextLength(const char16_t* s, int64_t count, size_t* length) {
    if (count == -1 && s) {
        *length = std::char_traits<char16_t>::length(s);
        return true;
    }
    if (count < 0 || (count > 0 && !s)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *length = static_cast<size_t>(count);
    return true;
}

LONG Clamp(int64_t v) {
    return static_cast<LONG>(std::clamp(v, -kLimit, kLimit));
}

RECT Meet(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

struct RunStyle {
    COLORREF text = 0;
    COLORREF bk = 0;
    bool fillCell = false;       // paint the text cell with `bk` first
    const RECT* clip = nullptr;  // logical clip rectangle, or none
    const int* dx = nullptr;     // advances given by the caller
    size_t underlineFrom = 0;    // an extra underlined range of units
    size_t underlineTo = 0;
};

// Draws one run with its top-left cell corner at (x, y).
std::atomic<TextDrawnHook> g_textDrawnHook{nullptr};

void TellTextDrawn(HDC hdc, const char16_t* s, size_t n, const RECT& cell) {
    TextDrawnHook hook = g_textDrawnHook;
    if (!hook) return;
    auto dc = LookupAs<DcObject>(hdc);
    if (!dc || !dc->owner) return;
    RECT screen{dc->SurfaceX(cell.left), dc->SurfaceY(cell.top), dc->SurfaceX(cell.right), dc->SurfaceY(cell.bottom)};
    dc.reset();
    hook(hdc, std::u16string_view(s, n), screen);
}

BOOL DrawRun(HDC hdc, int64_t x, int64_t y, const char16_t* s, size_t n, const RunStyle& style) {
    RECT visible;
    const int region = GetClipBox(hdc, &visible);
    if (region == ERROR) return FALSE;
    if (style.clip) visible = Meet(visible, *style.clip);

    std::vector<uint8_t> mask;
    RECT cell;
    RECT box{0, 0, 0, 0};
    {
        std::lock_guard<std::mutex> lock(TextMutex());
        RenderFont* font = DCFont(hdc);
        if (!font) return FALSE;
        SizedFace& f = *font->sized;
        std::vector<int> adv = Advances(f, s, n);
        if (style.dx)
            for (size_t i = 0; i < n; ++i) adv[i] = style.dx[i];
        std::vector<int64_t> pen(n + 1, x);
        for (size_t i = 0; i < n; ++i) pen[i + 1] = pen[i] + adv[i];
        const int64_t baseline = y + f.ascent;
        cell = RECT{Clamp(x), Clamp(y), Clamp(pen[n]), Clamp(y + f.ascent + f.descent)};
        // Ink may reach past the cell (overhangs, accents): allow an em around it.
        const RECT reach{Clamp(pen[0] - f.em), Clamp(y - f.em), Clamp(pen[n] + f.em),
                         Clamp(y + f.ascent + f.descent + f.em)};
        box = Meet(visible, reach);
        if (region != NULLREGION && !Empty(box)) {
            const int64_t bw = box.right - box.left, bh = box.bottom - box.top;
            mask.assign(static_cast<size_t>(bw * bh), 0);
            auto paint = [&](int64_t left, int64_t top, int64_t w, int64_t h, const uint8_t* bits) {
                const int64_t x0 = std::max<int64_t>(left, box.left), x1 = std::min<int64_t>(left + w, box.right);
                const int64_t y0 = std::max<int64_t>(top, box.top), y1 = std::min<int64_t>(top + h, box.bottom);
                for (int64_t py = y0; py < y1; ++py) {
                    uint8_t* out = mask.data() + (py - box.top) * bw;
                    for (int64_t px = x0; px < x1; ++px) {
                        const uint8_t a = bits ? bits[(py - top) * w + (px - left)] : 255;
                        out[px - box.left] = std::max(out[px - box.left], a);
                    }
                }
            };
            for (size_t i = 0; i < n; ++i) {
                if (pen[i] > box.right + f.em || pen[i + 1] < box.left - f.em) continue;
                const char32_t code = CodeAt(s, n, i);
                if (!code) continue;
                const Glyph& g = GlyphOf(f, code);
                if (!g.bits.empty()) paint(pen[i] + g.left, baseline - g.top, g.width, g.height, g.bits.data());
            }
            const int thick = std::max(1, f.em / 14);
            const int64_t under = baseline + std::max(1, f.descent / 3);
            if (font->underline) paint(pen[0], under, pen[n] - pen[0], thick, nullptr);
            if (style.underlineTo > style.underlineFrom && style.underlineTo <= n)
                paint(pen[style.underlineFrom], under, pen[style.underlineTo] - pen[style.underlineFrom], thick,
                      nullptr);
            if (font->strikeOut) paint(pen[0], baseline - f.em * 3 / 10, pen[n] - pen[0], thick, nullptr);
        }
    }
    if (region != NULLREGION && !Empty(Meet(visible, cell))) TellTextDrawn(hdc, s, n, cell);
    if (style.fillCell) {
        RECT fill = style.clip ? Meet(cell, *style.clip) : cell;
        if (!Empty(fill) && !FillSolidRect(hdc, fill, style.bk)) return FALSE;
    }
    if (mask.empty()) return TRUE;
    return DrawCoverageMask(hdc, box.left, box.top, box.right - box.left, box.bottom - box.top, mask.data(),
                            box.right - box.left, style.text);
}

}  // namespace
}  // namespace ce::gdi

void ce::gdi::SetTextDrawnHook(TextDrawnHook hook) {
    g_textDrawnHook = hook;
}

using namespace ce::gdi;

// ---- Fonts ----------------------------------------------------------------------

// The face is made at once, so a missing font file fails here
// (NULL, ERROR_FILE_NOT_FOUND) rather than at the first drawing.
HFONT CreateFontIndirect(const LOGFONTW* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HFONT h = CreateFontObject(*lplf);
    if (!h) return nullptr;
    std::lock_guard<std::mutex> lock(TextMutex());
    auto data = GetFontData(h);
    if (!data || !Resolve(data)) {
        DWORD error = GetLastError();
        DeleteObject(h);
        SetLastError(error);
        return nullptr;
    }
    return h;
}

HFONT CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int fnWeight, DWORD fdwItalic,
                 DWORD fdwUnderline, DWORD fdwStrikeOut, DWORD fdwCharSet, DWORD fdwOutputPrecision,
                 DWORD fdwClipPrecision, DWORD fdwQuality, DWORD fdwPitchAndFamily, LPCWSTR lpszFace) {
    LOGFONTW lf{};
    lf.lfHeight = nHeight;
    lf.lfWidth = nWidth;
    lf.lfEscapement = nEscapement;
    lf.lfOrientation = nOrientation;
    lf.lfWeight = fnWeight;
    lf.lfItalic = static_cast<BYTE>(fdwItalic != 0);
    lf.lfUnderline = static_cast<BYTE>(fdwUnderline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(fdwStrikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(fdwCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(fdwOutputPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(fdwClipPrecision);
    lf.lfQuality = static_cast<BYTE>(fdwQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(fdwPitchAndFamily);
    if (lpszFace) {
        for (size_t i = 0; i + 1 < LF_FACESIZE && lpszFace[i]; ++i) lf.lfFaceName[i] = lpszFace[i];
    }
    return CreateFontIndirect(&lf);
}

// tmAveCharWidth is the advance of 'x'; tmMaxCharWidth the widest advance
// of the face.
BOOL GetTextMetrics(HDC hdc, LPTEXTMETRICW lptm) {
    std::lock_guard<std::mutex> lock(TextMutex());
    RenderFont* font = DCFont(hdc);
    if (!font) return FALSE;
    if (!lptm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SizedFace& f = *font->sized;
    TEXTMETRICW tm{};
    tm.tmAscent = f.ascent;
    tm.tmDescent = f.descent;
    tm.tmHeight = f.ascent + f.descent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - f.em);
    tm.tmExternalLeading = f.externalLeading;
    tm.tmAveCharWidth = f.aveCharWidth;
    tm.tmMaxCharWidth = f.maxCharWidth;
    tm.tmWeight = font->bold ? FW_BOLD : FW_NORMAL;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = u' ';
    tm.tmLastChar = u'\xFFFC';
    tm.tmDefaultChar = u'?';
    tm.tmBreakChar = u' ';
    tm.tmUnderlined = static_cast<BYTE>(font->underline);
    tm.tmStruckOut = static_cast<BYTE>(font->strikeOut);
    tm.tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    tm.tmCharSet = ANSI_CHARSET;
    *lptm = tm;
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpSize) {
    std::lock_guard<std::mutex> lock(TextMutex());
    RenderFont* font = DCFont(hdc);
    if (!font) return FALSE;
    size_t n;
    if (!TextLength(lpString, c, &n)) return FALSE;
    if (!lpSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SizedFace& f = *font->sized;
    lpSize->cx = Clamp(Sum(Advances(f, lpString, n), 0, n));
    lpSize->cy = f.ascent + f.descent;
    return TRUE;
}

// ---- ExtTextOut, TextOut ------------------------------------------------------

// (X, Y) is the top-left corner of the text cell. ETO_OPAQUE paints lprc
// with the background colour whatever the background mode; ETO_CLIPPED
// keeps the text inside lprc; both are ignored without a rectangle. In
// OPAQUE mode the text cell is painted with the background colour as well.
BOOL ExtTextOut(HDC hdc, int X, int Y, UINT fuOptions, const RECT* lprc, LPCWSTR lpString, UINT cbCount,
                const int* lpDx) {
    if (!GetDCFont(hdc)) return FALSE;
    size_t n;
    const int64_t count = cbCount == UINT_MAX ? -1 : int64_t{cbCount};
    if (!TextLength(lpString, count, &n)) return FALSE;
    RunStyle style;
    style.text = GetTextColor(hdc);
    style.bk = GetBkColor(hdc);
    style.fillCell = GetBkMode(hdc) == OPAQUE;
    style.dx = lpDx;
    if (lprc && (fuOptions & ETO_CLIPPED)) style.clip = lprc;
    if (lprc && (fuOptions & ETO_OPAQUE) && !FillSolidRect(hdc, *lprc, style.bk)) return FALSE;
    if (n == 0) return TRUE;
    return DrawRun(hdc, X, Y, lpString, n, style);
}

BOOL TextOut(HDC hdc, int nXStart, int nYStart, LPCWSTR lpString, int cbString) {
    if (cbString < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOut(hdc, nXStart, nYStart, 0, nullptr, lpString, static_cast<UINT>(cbString), nullptr);
}

// ---- DrawText -----------------------------------------------------------------

namespace {

struct TextLine {
    std::u16string text;
    int mnemonic = -1;  // unit to underline
    int64_t width = 0;
};

// Lays the text out into lines (TextMutex held).
std::vector<TextLine> LayOut(SizedFace& f, const char16_t* s, size_t n, UINT format, int64_t width) {
    // Mnemonic prefixes: "&&" shows "&", "&x" shows x underlined (the first
    // such x is the mnemonic), a lone "&" at the end is dropped.
    std::u16string shown;
    int64_t mnemonic = -1;
    for (size_t i = 0; i < n; ++i) {
        if (s[i] == u'&' && !(format & DT_NOPREFIX)) {
            if (++i >= n) break;
            if (s[i] != u'&' && mnemonic < 0) mnemonic = static_cast<int64_t>(shown.size());
        }
        shown += s[i];
    }

    // Paragraphs at "\r\n", "\n" or "\r"; on a single line they join and the
    // breaks themselves are not shown.
    std::vector<std::pair<size_t, size_t>> paragraphs;
    size_t start = 0;
    for (size_t i = 0; i <= shown.size(); ++i) {
        if (i < shown.size() && shown[i] != u'\n' && shown[i] != u'\r') continue;
        paragraphs.emplace_back(start, i);
        if (i + 1 < shown.size() && shown[i] == u'\r' && shown[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (format & DT_SINGLELINE) {
        std::u16string joined;
        int64_t mark = -1;
        for (auto [b, e] : paragraphs) {
            if (mnemonic >= static_cast<int64_t>(b) && mnemonic < static_cast<int64_t>(e))
                mark = static_cast<int64_t>(joined.size()) + (mnemonic - static_cast<int64_t>(b));
            joined.append(shown, b, e - b);
        }
        shown = std::move(joined);
        mnemonic = mark;
        paragraphs.assign(1, {0, shown.size()});
    }

    const std::vector<int> adv = Advances(f, shown.data(), shown.size());
    std::vector<TextLine> lines;
    auto emit = [&](size_t b, size_t e) {
        TextLine line;
        line.text.assign(shown, b, e - b);
        line.width = Sum(adv, b, e);
        if (mnemonic >= static_cast<int64_t>(b) && mnemonic < static_cast<int64_t>(e))
            line.mnemonic = static_cast<int>(mnemonic - static_cast<int64_t>(b));
        lines.push_back(std::move(line));
    };
    const bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    for (auto [b, e] : paragraphs) {
        if (!wrap) {
            emit(b, e);
            continue;
        }
        // Greedy breaking at spaces; the spaces at a break are dropped, and a
        // word wider than the rectangle is broken between characters (at
        // least one per line).
        size_t pos = b;
        bool first = true;
        while (first || pos < e) {
            first = false;
            int64_t w = 0;
            size_t i = pos, lastSpace = SIZE_MAX;
            while (i < e && w + adv[i] <= width) {
                if (shown[i] == u' ') lastSpace = i;
                w += adv[i++];
            }
            if (i >= e) {
                emit(pos, e);
                break;
            }
            size_t end;
            if (shown[i] == u' ') {
                end = i;
            } else if (lastSpace != SIZE_MAX && lastSpace > pos) {
                end = lastSpace;
            } else {
                end = std::max(i, pos + 1);
            }
            size_t next = end;
            while (end > pos && shown[end - 1] == u' ') --end;
            while (next < e && shown[next] == u' ') ++next;
            emit(pos, end);
            pos = next;
        }
    }

    // End ellipsis: a line too wide ends in "..." after as much as fits.
    if ((format & DT_END_ELLIPSIS) && !wrap) {
        const int dots = GlyphOf(f, u'.').advance * 3;
        for (TextLine& line : lines) {
            if (line.width <= width) continue;
            std::vector<int> a = Advances(f, line.text.data(), line.text.size());
            size_t keep = 0;
            int64_t w = 0;
            while (keep < a.size() && w + a[keep] + dots <= width) w += a[keep++];
            line.text.resize(keep);
            line.text += u"...";
            line.width = w + dots;
            if (line.mnemonic >= static_cast<int>(keep)) line.mnemonic = -1;
        }
    }
    return lines;
}

}  // namespace

// Returns the height of the text; with DT_VCENTER or DT_BOTTOM (single
// line) the offset from lpRect->top to the bottom of the text. DT_CALCRECT
// sets lpRect's right and bottom to the text's extent and draws nothing.
// Lines are tmHeight apart. Without DT_NOCLIP the text is clipped to the
// rectangle; in OPAQUE mode each line's cell is painted with the background
// colour.
int DrawText(HDC hDC, LPCWSTR lpString, int nCount, LPRECT lpRect, UINT uFormat) {
    if (!GetDCFont(hDC)) return 0;
    size_t n;
    if (!TextLength(lpString, nCount, &n)) return 0;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (n == 0) return 0;

    std::vector<TextLine> lines;
    int lineHeight;
    {
        std::lock_guard<std::mutex> lock(TextMutex());
        RenderFont* font = DCFont(hDC);
        if (!font) return 0;
        SizedFace& f = *font->sized;
        lineHeight = f.ascent + f.descent;
        lines = LayOut(f, lpString, n, uFormat, int64_t{lpRect->right} - lpRect->left);
    }
    const int64_t height = static_cast<int64_t>(lines.size()) * lineHeight;
    if (uFormat & DT_CALCRECT) {
        int64_t widest = 0;
        for (const TextLine& line : lines) widest = std::max(widest, line.width);
        lpRect->right = Clamp(int64_t{lpRect->left} + widest);
        lpRect->bottom = Clamp(int64_t{lpRect->top} + height);
        return static_cast<int>(std::min<int64_t>(height, INT_MAX));
    }

    int64_t top = lpRect->top;
    if (uFormat & DT_SINGLELINE) {
        if (uFormat & DT_VCENTER)
            top += (int64_t{lpRect->bottom} - lpRect->top - height) / 2;
        else if (uFormat & DT_BOTTOM)
            top = int64_t{lpRect->bottom} - height;
    }
    RunStyle style;
    style.text = GetTextColor(hDC);
    style.bk = GetBkColor(hDC);
    style.fillCell = GetBkMode(hDC) == OPAQUE;
    const RECT clip = *lpRect;
    if (!(uFormat & DT_NOCLIP)) style.clip = &clip;
    int64_t y = top;
    for (const TextLine& line : lines) {
        int64_t x = lpRect->left;
        if (uFormat & DT_CENTER)
            x += (int64_t{lpRect->right} - lpRect->left - line.width) / 2;
        else if (uFormat & DT_RIGHT)
            x = int64_t{lpRect->right} - line.width;
        style.underlineFrom = style.underlineTo = 0;
        if (line.mnemonic >= 0 && !(uFormat & DT_HIDEPREFIX)) {
            style.underlineFrom = static_cast<size_t>(line.mnemonic);
            style.underlineTo = style.underlineFrom + 1;
        }
        if (!line.text.empty() && !DrawRun(hDC, x, y, line.text.data(), line.text.size(), style)) return 0;
        y += lineHeight;
    }
    return static_cast<int>(std::min<int64_t>(y - lpRect->top, INT_MAX));
}
