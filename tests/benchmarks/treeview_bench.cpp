// Tree view speed, as the registry editor uses it: a key with ten thousand
// subkeys expanded (each appended as the last child, then one paint), and a
// repaint of the tree afterwards (only the rows on screen are drawn).
// Run a Release build.
//
//   bench_treeview [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <string>

#include "ce_gdi.h"
#include "commctrl.h"
#include "figures.h"
#include "windowtest.h"

namespace {

constexpr int kChildren = 10000;

HWND MakeTree() {
    ce::test::InitWindowSystem();
    return CreateWindowEx(0, WC_TREEVIEW, u"Tree View",
                          WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL | TVS_HASBUTTONS | TVS_HASLINES |
                              TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                          0, 0, 266, 450, nullptr, nullptr, nullptr, nullptr);
}

HIMAGELIST MakeImages() {
    std::vector<uint32_t> px(112 * 16, 0xE0C020);
    HBITMAP b = ce::gdi::CreateBitmapFromPixels(112, 16, px.data());
    HIMAGELIST l = ImageList_Create(16, 16, ILC_MASK, 7, 0);
    ImageList_Add(l, b, nullptr);
    DeleteObject(b);
    return l;
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, const std::u16string& text) {
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    is.item.pszText = const_cast<LPWSTR>(text.c_str());
    is.item.iImage = 1;
    is.item.iSelectedImage = 2;
    is.item.cChildren = 1;
    return TreeView_InsertItem(tree, &is);
}

void Paint(HWND tree) {
    InvalidateRect(tree, nullptr, FALSE);
    UpdateWindow(tree);
}

void BM_Insert10000ChildrenAndPaint(benchmark::State& state) {
    HIMAGELIST images = MakeImages();
    std::vector<std::u16string> names;
    for (int i = 0; i < kChildren; ++i) names.push_back(ce::bench::Numbered(u"Subkey ", i));
    for (auto _ : state) {
        state.PauseTiming();
        HWND tree = MakeTree();
        TreeView_SetImageList(tree, images, TVSIL_NORMAL);
        HTREEITEM top = Insert(tree, TVI_ROOT, u"HKEY_LOCAL_MACHINE");
        TreeView_Expand(tree, top, TVE_EXPAND);
        Paint(tree);
        state.ResumeTiming();
        for (const auto& n : names) Insert(tree, top, n);
        Paint(tree);
        state.PauseTiming();
        DestroyWindow(tree);
        state.ResumeTiming();
    }
    ImageList_Destroy(images);
}
BENCHMARK(BM_Insert10000ChildrenAndPaint)->Unit(benchmark::kMillisecond);

void BM_RepaintTreeOf10000(benchmark::State& state) {
    HIMAGELIST images = MakeImages();
    HWND tree = MakeTree();
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    HTREEITEM top = Insert(tree, TVI_ROOT, u"HKEY_LOCAL_MACHINE");
    TreeView_Expand(tree, top, TVE_EXPAND);
    HTREEITEM mid = nullptr;
    for (int i = 0; i < kChildren; ++i) {
        HTREEITEM h = Insert(tree, top, ce::bench::Numbered(u"Subkey ", i));
        if (i == kChildren / 2) mid = h;
    }
    TreeView_SelectItem(tree, mid);  // scrolled to the middle
    Paint(tree);
    for (auto _ : state) Paint(tree);
    DestroyWindow(tree);
    ImageList_Destroy(images);
}
BENCHMARK(BM_RepaintTreeOf10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
