// Helpers of the dialog and control tests: in-memory templates, a recording
// host window, input, and steps run whenever the thread's loop is idle.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce_user.h"
#include "notifyrecorder.h"
#include "windowtest.h"

namespace dlgtest {

// The atoms of the predefined classes in a dialog template item.
inline constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081, kStaticAtom = 0x0082;

// Builds a DLGTEMPLATE with its items in a WORD buffer (DWORD aligned).
class Template {
public:
    Template(DWORD style, short x, short y, short cx, short cy, std::u16string title, WORD points = 0,
             std::u16string face = u"", DWORD ex = 0) {
        if (points) style |= DS_SETFONT;
        Dword(style);
        Dword(ex);
        w_.push_back(0);  // cdit, counted later
        for (short v : {x, y, cx, cy}) w_.push_back(static_cast<WORD>(v));
        w_.push_back(0);  // menu
        w_.push_back(0);  // class
        Str(title);
        if (style & DS_SETFONT) {
            w_.push_back(points);
            Str(face);
        }
    }
    // An item of a predefined class (atom) or of a named class.
    Template& Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, std::u16string text,
                   std::vector<WORD> data = {}) {
        Begin(style, x, y, cx, cy, id);
        w_.push_back(0xFFFF);
        w_.push_back(atom);
        return End(text, data);
    }
    Template& Item(DWORD style, short x, short y, short cx, short cy, WORD id, std::u16string cls, std::u16string text,
                   std::vector<WORD> data = {}) {
        Begin(style, x, y, cx, cy, id);
        Str(cls);
        return End(text, data);
    }
    LPCDLGTEMPLATE Get() {
        w_[4] = count_;
        return reinterpret_cast<LPCDLGTEMPLATE>(w_.data());
    }

private:
    void Dword(DWORD v) {
        w_.push_back(LOWORD(v));
        w_.push_back(HIWORD(v));
    }
    void Str(const std::u16string& s) {
        for (char16_t c : s) w_.push_back(c);
        w_.push_back(0);
    }
    void Begin(DWORD style, short x, short y, short cx, short cy, WORD id) {
        while (w_.size() % 2) w_.push_back(0);
        Dword(style);
        Dword(0);
        for (short v : {x, y, cx, cy}) w_.push_back(static_cast<WORD>(v));
        w_.push_back(id);
        ++count_;
    }
    Template& End(const std::u16string& text, const std::vector<WORD>& data) {
        Str(text);
        w_.push_back(static_cast<WORD>(data.size() * 2));
        w_.insert(w_.end(), data.begin(), data.end());
        return *this;
    }
    std::vector<WORD> w_;
    WORD count_ = 0;
};

// What the host heard (WM_COMMAND, WM_CLOSE, WM_LBUTTONDOWN, WM_DRAWITEM,
// WM_CTLCOLORSTATIC), in the shared recorder.
using ce::test::Heard, ce::test::Log, ce::test::Only;

// Brush the host answers WM_CTLCOLORSTATIC with (NULL: the default).
inline HBRUSH& StaticBrush() {
    static HBRUSH b = nullptr;
    return b;
}
inline COLORREF& StaticTextColor() {
    static COLORREF c = RGB(0, 0, 0);
    return c;
}

inline LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_COMMAND:
        case WM_CLOSE:
        case WM_LBUTTONDOWN:
            ce::test::Record(h, m, wp, lp);
            return 0;
        case WM_DRAWITEM: {
            auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            ce::test::Record(h, m, wp, lp, (d->itemAction << 16) | d->itemState);
            FillRect(d->hDC, &d->rcItem,
                     GetSysColorBrush(d->itemState & ODS_SELECTED ? COLOR_HIGHLIGHT : COLOR_WINDOW));
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
            ce::test::Record(h, m, wp, lp);
            if (StaticBrush()) {
                SetTextColor(reinterpret_cast<HDC>(wp), StaticTextColor());
                SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
                return reinterpret_cast<LRESULT>(StaticBrush());
            }
            break;
        default:
            break;
    }
    return DefWindowProc(h, m, wp, lp);
}

// Pump (with IsDialogMessage for a dialog), input queued without a pump,
// and steps run when idle.
using ce::test::Center, ce::test::Key, ce::test::Pump, ce::test::Steps, ce::test::StepTimer, ce::test::Tap,
    ce::test::WhenIdle;

// The middle of a caption button of a captioned window (screen).
inline POINT CloseBox(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return {r.right - 1 - 2 - ce::user::kCaptionHeight / 2, r.top + 1 + ce::user::kCaptionHeight / 2};
}
inline POINT OkBox(HWND h) {
    POINT p = CloseBox(h);
    return {p.x - ce::user::kCaptionHeight - 2 - 2, p.y};
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ce::test::InitWindowSystem();
        ce::test::RegisterHostClass(u"DlgHost", HostProc, COLOR_WINDOW);
        Pump();
        ce::test::ClearLog();
        StaticBrush() = nullptr;
    }
    void TearDown() override {
        for (HWND h : made_)
            if (IsWindow(h)) DestroyWindow(h);
        ReleaseCapture();
        Steps().clear();
        Pump();
        ce::test::ClearLog();
    }
    HWND Host(DWORD style = WS_POPUP | WS_VISIBLE, int x = 0, int y = 0, int w = 800, int h = 480, DWORD ex = 0) {
        HWND r = CreateWindowEx(ex, u"DlgHost", u"Host", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
        made_.push_back(r);
        return r;
    }
    HWND Keep(HWND h) {
        made_.push_back(h);
        return h;
    }
    std::vector<HWND> made_;
};

}  // namespace dlgtest
