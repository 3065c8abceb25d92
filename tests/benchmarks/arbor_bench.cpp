// Figures of the registry editor, as medians of repeated runs, each timed on
// the editor's own thread:
//  - expanding a key with 10,000 sub-keys in the real tree view (the
//    enumeration, one open per child for its button, the insertion and the
//    repaint), by the key a person would press;
//  - selecting a key with 1,000 values: the list is refilled and painted;
//  - a full repaint of the tree while it holds those 10,000 items.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "editorrun.h"

namespace {

using Clock = std::chrono::steady_clock;
using ce::test::EditorRun;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

enum Job { kExpand, kSelect, kRepaint };
struct Request {
    Job job;
    HWND tree, list;
    HTREEITEM item, other;
    int count;
    std::vector<double>* out;
};

WNDPROC g_mainProc = nullptr;
constexpr UINT WM_BENCH = WM_APP + 7;

LRESULT CALLBACK BenchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_BENCH) return CallWindowProc(g_mainProc, h, msg, wp, lp);
    auto* r = reinterpret_cast<Request*>(lp);
    for (int i = 0; i < r->count; ++i) {
        switch (r->job) {
            case kExpand: {
                // Collapsing drops the children; the next expansion reads them.
                TreeView_SelectItem(r->tree, r->item);
                if (TreeView_GetItemState(r->tree, r->item, TVIS_EXPANDED) & TVIS_EXPANDED)
                    SendMessage(r->tree, WM_KEYDOWN, VK_LEFT, 0);
                UpdateWindow(r->tree);
                auto t0 = Clock::now();
                SendMessage(r->tree, WM_KEYDOWN, VK_RIGHT, 0);
                UpdateWindow(r->tree);
                r->out->push_back(MsSince(t0));
                break;
            }
            case kSelect: {
                TreeView_SelectItem(r->tree, r->other);
                UpdateWindow(r->list);
                auto t0 = Clock::now();
                TreeView_SelectItem(r->tree, r->item);
                UpdateWindow(r->list);
                r->out->push_back(MsSince(t0));
                break;
            }
            case kRepaint: {
                auto t0 = Clock::now();
                RedrawWindow(r->tree, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                r->out->push_back(MsSince(t0));
                break;
            }
        }
    }
    return 0;
}

void Fill() {
    HKEY many = ce::test::CreateKey(HKEY_LOCAL_MACHINE, u"Bench\\Many");
    for (int i = 0; i < 10000; ++i) {
        std::u16string name = u"Key";
        for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
        HKEY k = nullptr;
        DWORD disp = 0;
        RegCreateKeyEx(many, name.c_str(), 0, nullptr, 0, 0, nullptr, &k, &disp);
        RegCloseKey(k);
    }
    RegCloseKey(many);
    HKEY values = ce::test::CreateKey(HKEY_LOCAL_MACHINE, u"Bench\\Values");
    for (int i = 0; i < 1000; ++i) {
        std::u16string name = u"Value";
        for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
        DWORD v = static_cast<DWORD>(i);
        RegSetValueEx(values, name.c_str(), 0, i % 2 ? REG_DWORD : REG_SZ,
                      i % 2 ? reinterpret_cast<const BYTE*>(&v) : reinterpret_cast<const BYTE*>(name.c_str()),
                      i % 2 ? 4 : static_cast<DWORD>((name.size() + 1) * 2));
    }
    RegCloseKey(values);
}

}  // namespace

int main() {
    std::vector<double> expands, selects, repaints;
    {
        ce::test::BootedImage device;
        Fill();
        EditorRun run;
        HTREEITEM many = run.Open({"HKEY_LOCAL_MACHINE", "Bench", "Many"});
        HTREEITEM values = run.Find(run.Find(run.Find(run.Root(), "HKEY_LOCAL_MACHINE"), "Bench"), "Values");
        HTREEITEM bench = run.Find(run.Find(run.Root(), "HKEY_LOCAL_MACHINE"), "Bench");
        g_mainProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(run.main(), GWLP_WNDPROC));
        SetWindowLongPtr(run.main(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BenchProc));
        Request expand{kExpand, run.tree(), run.list(), many, nullptr, 7, &expands};
        SendMessage(run.main(), WM_BENCH, 0, reinterpret_cast<LPARAM>(&expand));
        std::printf("tree holds %u items\n", TreeView_GetCount(run.tree()));
        Request select{kSelect, run.tree(), run.list(), values, bench, 21, &selects};
        SendMessage(run.main(), WM_BENCH, 0, reinterpret_cast<LPARAM>(&select));
        std::printf("list holds %d rows\n", ListView_GetItemCount(run.list()));
        Request repaint{kRepaint, run.tree(), run.list(), nullptr, nullptr, 51, &repaints};
        SendMessage(run.main(), WM_BENCH, 0, reinterpret_cast<LPARAM>(&repaint));
        SetWindowLongPtr(run.main(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));
    }
    std::printf("expand a key with 10,000 sub-keys (read, insert, paint): median %.1f ms (target 300 ms)\n",
                Median(expands));
    std::printf("select a key with 1,000 values (list refilled and painted): median %.1f ms (target 100 ms)\n",
                Median(selects));
    std::printf("repaint of the tree holding 10,000 items: median %.2f ms (target 5 ms)\n", Median(repaints));
    return 0;
}
