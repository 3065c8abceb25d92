// Helpers of the drawing tests: memory surfaces and pictures of their pixels.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ce_gdi.h"

namespace gditest {

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
    // One character per pixel, rows joined with '\n': `legend` names the
    // colours to show; any other colour is '?'.
    std::string Picture(const std::map<COLORREF, char>& legend) const {
        std::string s;
        for (int y = 0; y < h_; ++y) {
            if (y) s += '\n';
            for (int x = 0; x < w_; ++x) {
                auto it = legend.find(GetPixel(dc_, x, y));
                s += it == legend.end() ? '?' : it->second;
            }
        }
        return s;
    }
    // The common case: white '.', black '#'.
    std::string Picture() const { return Picture({{RGB(255, 255, 255), '.'}, {RGB(0, 0, 0), '#'}}); }

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
