// List-view speed: what a registry key with many values costs to show.
// Run a Release build; every benchmark reports the median of its repetitions.
//
//   bench_listview [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <string>

#include "commctrl.h"
#include "figures.h"
#include "windowtest.h"

namespace {

using ce::bench::Numbered;

LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProc(h, m, wp, lp);
}

// A parent window and a report list as the registry editor makes it.
struct Setup {
    HWND parent = nullptr;
    HWND list = nullptr;
    Setup() {
        ce::test::InitWindowSystem();
        ce::test::RegisterHostClass(u"BenchParent", ParentProc, ce::test::kNoBackground);
        parent = ce::test::CreateHost(u"BenchParent");
        list = CreateWindowEx(
            0, WC_LISTVIEWW, u"",
            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 266, 27,
            533, 450, parent, nullptr, nullptr, nullptr);
        const char16_t* titles[] = {u"Name", u"Data"};
        int widths[] = {213, 319};
        for (int c = 0; c < 2; ++c) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            col.pszText = const_cast<LPWSTR>(titles[c]);
            col.cx = widths[c];
            col.iSubItem = c;
            SendMessage(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
        }
        UpdateWindow(parent);
        UpdateWindow(list);
    }
    ~Setup() { DestroyWindow(parent); }
    void Fill(int rows) {
        for (int i = 0; i < rows; ++i) {
            std::u16string name = Numbered(u"Value", i), data = Numbered(u"0x0000", i);
            LVITEMW it{};
            it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
            it.iItem = i;
            it.pszText = name.data();
            it.iImage = 6;
            it.lParam = i;
            auto at = SendMessage(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
            LVITEMW sub{};
            sub.iSubItem = 1;
            sub.pszText = data.data();
            SendMessage(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
        }
    }
};

// Fill 1,000 rows (at the end, with column-1 text) and paint once.
void BM_Fill1000AndPaint(benchmark::State& state) {
    Setup s;
    for (auto _ : state) {
        SendMessage(s.list, LVM_DELETEALLITEMS, 0, 0);
        UpdateWindow(s.list);
        s.Fill(1000);
        UpdateWindow(s.list);
    }
    if (SendMessage(s.list, LVM_GETITEMCOUNT, 0, 0) != 1000) state.SkipWithError("wrong count");
}
BENCHMARK(BM_Fill1000AndPaint)->Unit(benchmark::kMillisecond);

// One full repaint of a list of n rows: the same for 100 and 10,000.
void BM_Repaint(benchmark::State& state) {
    Setup s;
    s.Fill(static_cast<int>(state.range(0)));
    UpdateWindow(s.list);
    for (auto _ : state) {
        InvalidateRect(s.list, nullptr, FALSE);
        UpdateWindow(s.list);
    }
}
BENCHMARK(BM_Repaint)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
