// Helpers of the drawing tests: memory surfaces and pictures of their pixels.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <vector>

#include "ce_gdi.h"
#include "lasterror.h"

namespace gditest {

// One character per pixel, rows joined with '\n': `legend` names the colours
// to show; any other colour is '?'.
inline std::string PictureOf(HDC dc, int w, int h, const std::map<COLORREF, char>& legend) {
    std::string s;
    for (int y = 0; y < h; ++y) {
        if (y) s += '\n';
        for (int x = 0; x < w; ++x) {
            auto it = legend.find(GetPixel(dc, x, y));
            s += it == legend.end() ? '?' : it->second;
        }
    }
    return s;
}

// A memory DC holding its own bitmap, filled with one colour.
class MemSurface {
public:
    MemSurface(int w, int h, bool mono = false, COLORREF fill = RGB(255, 255, 255)) : w_(w), h_(h) {
        dc_ = CreateCompatibleDC(nullptr);
        bmp_ = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
        old_ = SelectObject(dc_, bmp_);
        Fill(fill);
    }
    ~MemSurface() {
        SelectObject(dc_, old_);
        DeleteObject(bmp_);
        DeleteDC(dc_);
    }
    MemSurface(const MemSurface&) = delete;
    MemSurface& operator=(const MemSurface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bmp_; }
    void Fill(COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        RECT r{0, 0, w_, h_};
        FillRect(dc_, &r, b);
        DeleteObject(b);
    }
    std::string Picture(const std::map<COLORREF, char>& legend) const { return PictureOf(dc_, w_, h_, legend); }
    // The common case: white '.', black '#'.
    std::string Picture() const { return Picture({{RGB(255, 255, 255), '.'}, {RGB(0, 0, 0), '#'}}); }
    // The bounding box of every pixel inside `within` that is not `bg`
    // ({0,0,0,0} when there is none).
    RECT Ink(COLORREF bg = RGB(255, 255, 255), RECT within = {0, 0, INT_MAX, INT_MAX}) const {
        RECT r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = std::max(0, int(within.top)); y < std::min(h_, int(within.bottom)); ++y)
            for (int x = std::max(0, int(within.left)); x < std::min(w_, int(within.right)); ++x)
                if (GetPixel(dc_, x, y) != bg) {
                    r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                             std::max<LONG>(r.bottom, y + 1)};
                }
        return r.left == INT_MAX ? RECT{0, 0, 0, 0} : r;
    }
    bool HasInk(COLORREF bg = RGB(255, 255, 255), RECT within = {0, 0, INT_MAX, INT_MAX}) const {
        return Ink(bg, within).right > 0;
    }
    int Count(COLORREF c) const {
        int n = 0;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) n += GetPixel(dc_, x, y) == c;
        return n;
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bmp_;
    HGDIOBJ old_;
};

// Rows of a picture written one string per row.
inline std::string Rows(std::initializer_list<const char*> rows) {
    std::string s;
    for (const char* r : rows) {
        if (!s.empty()) s += '\n';
        s += r;
    }
    return s;
}

}  // namespace gditest
