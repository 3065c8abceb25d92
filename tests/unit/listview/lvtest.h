// Helpers of the list-view tests: a parent window that records the
// notifications it hears (and may act on them), lists made to order, taps.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commctrl.h"
#include "controltest.h"
#include "notifyrecorder.h"
#include "windowtest.h"

namespace lvtest {

// The parent records what it hears in the shared recorder and answers
// notifications with OnNotify.
using ce::test::Log, ce::test::NotesOf, ce::test::OnNotify, ce::test::Only;

// Taps and key presses, each handled before they return.
using ce::test::KeyNow, ce::test::Pump, ce::test::TapNow;

class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ce::test::InitWindowSystem();
        ce::test::RegisterHostClass(u"LvParent", ce::test::RecordingProc, COLOR_BTNFACE);
        parent_ = ce::test::CreateHost(u"LvParent");
        Pump();
        ce::test::ClearLog();
    }
    void TearDown() override {
        OnNotify() = nullptr;
        if (IsWindow(parent_)) DestroyWindow(parent_);
        ReleaseCapture();
        Pump();
        ce::test::ClearLog();
    }
    // A report list at (x, y) with columns "Name" and "Data".
    HWND Make(DWORD style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, int x = 100, int y = 50, int w = 300,
              int h = 200, std::vector<int> widths = {120, 160}) {
        HWND l = ce::test::Child(parent_, WC_LISTVIEWW, WS_BORDER | WS_VSCROLL | style, x, y, w, h, 102);
        const char16_t* titles[] = {u"Name", u"Data", u"Third"};
        for (size_t c = 0; c < widths.size(); ++c) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            col.pszText = const_cast<LPWSTR>(titles[c % 3]);
            col.cx = widths[c];
            col.iSubItem = static_cast<int>(c);
            SendMessage(l, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
        }
        return l;
    }
    // Inserts a row at `at` with text, column-1 text and an image; returns its index.
    static int Add(HWND l, int at, const char16_t* text, const char16_t* data = nullptr, int image = 0,
                   LPARAM tag = 0) {
        LVITEMW it{};
        it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        it.iItem = at;
        it.pszText = const_cast<LPWSTR>(text);
        it.iImage = image;
        it.lParam = tag;
        auto i = static_cast<int>(SendMessage(l, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
        if (data && i >= 0) {
            LVITEMW sub{};
            sub.iSubItem = 1;
            sub.pszText = const_cast<LPWSTR>(data);
            SendMessage(l, LVM_SETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&sub));
        }
        return i;
    }
    static int Rows(HWND l) { return static_cast<int>(SendMessage(l, LVM_GETITEMCOUNT, 0, 0)); }
    static int Mark(HWND l) { return static_cast<int>(SendMessage(l, LVM_GETSELECTIONMARK, 0, 0)); }
    static int Top(HWND l) { return static_cast<int>(SendMessage(l, LVM_GETTOPINDEX, 0, 0)); }
    static std::u16string Text(HWND l, int i, int sub = 0) {
        WCHAR buf[64] = {};
        ListView_GetItemText(l, i, sub, buf, 64);
        return buf;
    }
    static bool Selected(HWND l, int i) {
        return SendMessage(l, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) != 0;
    }
    // The screen centre of row i's label (client rect of LVIR_LABEL).
    static POINT RowPoint(HWND l, int i) {
        RECT r{LVIR_LABEL, 0, 0, 0};
        SendMessage(l, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return ce::test::ToScreen(l, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    HWND parent_ = nullptr;
};

}  // namespace lvtest
