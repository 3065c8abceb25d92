// Small helpers of the control tests: child windows made in one call,
// client points on the screen, pixels of one colour counted on the screen,
// top-level windows of a class, strips of solid images, typed text and
// input handled at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ce_gdi.h"
#include "ce_user.h"
#include "commctrl.h"
#include "windowtest.h"

namespace ce::test {

// A visible child of `parent` with control id `id`.
inline HWND Child(HWND parent, LPCWSTR cls, DWORD style, int x, int y, int w, int h, int id = 0, LPCWSTR text = u"") {
    return CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                          reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
}

// The whole text of a window.
inline std::u16string WindowText(HWND h) {
    std::u16string s(static_cast<size_t>(GetWindowTextLength(h)) + 1, u'\0');
    s.resize(static_cast<size_t>(GetWindowText(h, s.data(), static_cast<int>(s.size()))));
    return s;
}

// A client point of `h` in screen coordinates.
inline POINT ToScreen(HWND h, LONG x, LONG y) {
    POINT p{x, y};
    ClientToScreen(h, &p);
    return p;
}

// The screen pixels of colour `c` in the screen rectangle [x0, x1) x [y0, y1).
inline int CountPixels(int x0, int y0, int x1, int y1, COLORREF c) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += ce::gdi::Screen::Pixel(x, y) == c ? 1 : 0;
    return n;
}

// The first top-level window of class `cls`, or null.
inline HWND FindTopLevel(std::u16string_view cls) {
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        WCHAR name[32] = {};
        GetClassName(w, name, 32);
        if (std::u16string_view(name) == cls) return w;
    }
    return nullptr;
}

// A bitmap of images `cx` x `cy` side by side, image k filled with colours[k] (0xRRGGBB).
inline HBITMAP Strip(const std::vector<uint32_t>& colours, int cx = 4, int cy = 4) {
    const int w = cx * static_cast<int>(colours.size());
    std::vector<uint32_t> px(static_cast<size_t>(w) * cy);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = colours[static_cast<size_t>(x / cx)];
    return ce::gdi::CreateBitmapFromPixels(w, cy, px.data());
}

// An image list of `cx` x `cx` solid images of `colours`.
inline HIMAGELIST SolidImages(const std::vector<uint32_t>& colours, int cx = 16) {
    HIMAGELIST l = ImageList_Create(cx, cx, ILC_COLOR24, static_cast<int>(colours.size()), 0);
    HBITMAP b = Strip(colours, cx, cx);
    ImageList_Add(l, b, nullptr);
    DeleteObject(b);
    return l;
}

// Input handled at once: queued, then everything pending handled.
inline void TapNow(POINT p) {
    Tap(p);
    Pump();
}
inline void KeyNow(UINT vk) {
    Key(vk);
    Pump();
}
inline void MouseNow(ce::user::Mouse kind, int x, int y) {
    ce::user::InjectMouse(kind, x, y);
    Pump();
}

// Characters typed one by one (queued, not pumped).
inline void TypeChars(std::u16string_view s) {
    for (char16_t c : s) {
        ce::user::InjectKey('A', true, c);
        ce::user::InjectKey('A', false, 0);
    }
}

}  // namespace ce::test
