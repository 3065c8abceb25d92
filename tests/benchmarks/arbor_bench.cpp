// Figures of the registry editor, as medians of repeated runs, each timed on
// the editor's own thread:
//  - expanding a key with 10,000 sub-keys in the real tree view (the
//    enumeration, one open per child for its button, the insertion and the
//    repaint), by the key a person would press;
//  - selecting a key with 1,000 values: the list is refilled and painted;
//  - a full repaint of the tree while it holds those 10,000 items;
//  - a search from "My Device" through 100,000 keys with 300,000 values that
//    finds nothing;
//  - Refresh of a tree with 10,000 expanded items (20,000 items shown);
//  - opening the modify editor on a 1 MiB binary value: the value read, its
//    text made and the dialog shown and painted.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "arbor.h"
#include "ce_kernel.h"
#include "ce_registry.h"
#include "editorrun.h"
#include "figures.h"
#include "savefile.h"

namespace {

using ce::bench::Clock;
using ce::bench::Median;
using ce::bench::MsSince;
using ce::bench::Numbered;
using ce::test::EditorRun;

// CPU time of the calling thread: on a machine shared with other work the
// wall time of a long job says more about the machine than about the job.
double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

enum Job { kExpand, kSelect, kRepaint, kSearch, kRefresh, kExpandAll, kModify };
struct Request {
    Job job;
    HWND tree, list;
    HTREEITEM item, other;
    int count;
    std::vector<double>* out;
    std::vector<double>* cpu = nullptr;
};

WNDPROC g_mainProc = nullptr;
constexpr UINT WM_BENCH = WM_APP + 7;
// Posted before the editor opens: handled by the editor's own message loop
// once the dialog is up.
constexpr UINT WM_BENCH_OPENED = WM_APP + 8;
Clock::time_point g_modifyStart;
std::vector<double>* g_modifyOut = nullptr;

LRESULT CALLBACK BenchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_BENCH_OPENED) {
        HWND dlg = GetActiveWindow();
        UpdateWindow(dlg);
        UpdateWindow(GetDlgItem(dlg, IDC_EDIT_DATA));
        g_modifyOut->push_back(MsSince(g_modifyStart));
        EndDialog(dlg, IDCANCEL);
        return 0;
    }
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
                double c0 = ThreadCpuMs();
                SendMessage(r->tree, WM_KEYDOWN, VK_RIGHT, 0);
                UpdateWindow(r->tree);
                r->out->push_back(MsSince(t0));
                r->cpu->push_back(ThreadCpuMs() - c0);
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
            case kModify: {
                ListView_SetItemState(r->list, 0, LVIS_SELECTED, LVIS_SELECTED);
                g_modifyOut = r->out;
                PostMessage(h, WM_BENCH_OPENED, 0, 0);
                g_modifyStart = Clock::now();
                SendMessage(h, WM_COMMAND, IDM_MODIFY, 0);
                break;
            }
            case kRepaint: {
                auto t0 = Clock::now();
                RedrawWindow(r->tree, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                r->out->push_back(MsSince(t0));
                break;
            }
            case kSearch: {
                TreeView_SelectItem(r->tree, TreeView_GetRoot(r->tree));
                auto t0 = Clock::now();
                double c0 = ThreadCpuMs();
                int result = SearchNext();
                r->out->push_back(MsSince(t0));
                r->cpu->push_back(ThreadCpuMs() - c0);
                if (result != 0) std::printf("search ended with %d\n", result);
                break;
            }
            case kRefresh: {
                auto t0 = Clock::now();
                double c0 = ThreadCpuMs();
                RefreshViews();
                UpdateWindow(r->tree);
                r->out->push_back(MsSince(t0));
                r->cpu->push_back(ThreadCpuMs() - c0);
                break;
            }
            case kExpandAll:
                // Every item below r->item, parents first.
                for (HTREEITEM g = TreeView_GetChild(r->tree, r->item); g; g = TreeView_GetNextSibling(r->tree, g)) {
                    TreeView_Expand(r->tree, g, TVE_EXPAND);
                    for (HTREEITEM k = TreeView_GetChild(r->tree, g); k; k = TreeView_GetNextSibling(r->tree, k))
                        TreeView_Expand(r->tree, k, TVE_EXPAND);
                }
                return 0;
        }
    }
    return 0;
}

// The editor's main window runs the benchmark's requests on its own thread
// while a hook lives.
class Hook {
public:
    explicit Hook(HWND main) : main_(main) {
        g_mainProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(main, GWLP_WNDPROC));
        SetWindowLongPtr(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BenchProc));
    }
    ~Hook() { SetWindowLongPtr(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc)); }
    void Run(Request r) { SendMessage(main_, WM_BENCH, 0, reinterpret_cast<LPARAM>(&r)); }

private:
    HWND main_;
};

void Fill() {
    HKEY many = ce::test::CreateKey(HKEY_LOCAL_MACHINE, u"Bench\\Many");
    for (int i = 0; i < 10000; ++i) RegCloseKey(ce::test::CreateKey(many, Numbered(u"Key", i).c_str()));
    RegCloseKey(many);
    HKEY values = ce::test::CreateKey(HKEY_LOCAL_MACHINE, u"Bench\\Values");
    for (int i = 0; i < 1000; ++i) {
        std::u16string name = Numbered(u"Value", i);
        DWORD v = static_cast<DWORD>(i);
        RegSetValueEx(values, name.c_str(), 0, i % 2 ? REG_DWORD : REG_SZ,
                      i % 2 ? reinterpret_cast<const BYTE*>(&v) : reinterpret_cast<const BYTE*>(name.c_str()),
                      i % 2 ? 4 : static_cast<DWORD>((name.size() + 1) * 2));
    }
    RegCloseKey(values);
    std::vector<BYTE> blob(1u << 20);
    for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<BYTE>(i * 7);
    ce::test::SetValue(HKEY_LOCAL_MACHINE, u"Bench\\Blob", u"Blob", REG_BINARY, blob);
}

// The registry's own share of a search: every key of the four roots opened
// through its parent, its values and sub-keys enumerated with reused
// buffers, nothing compared. Returns the number of keys.
int BareWalk() {
    struct Level {
        HKEY key;
        DWORD next;
    };
    std::vector<Level> levels;
    std::vector<BYTE> data(4096);
    WCHAR name[16384];
    int keys = 0;
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        levels.push_back({root, 0});
        while (!levels.empty()) {
            Level& top = levels.back();
            if (top.next == 0) {
                ++keys;
                for (DWORD i = 0;; ++i) {
                    DWORD cch = 16384, cb = static_cast<DWORD>(data.size()), type = 0;
                    LONG rc = RegEnumValue(top.key, i, name, &cch, nullptr, &type, data.data(), &cb);
                    if (rc == ERROR_MORE_DATA) {
                        data.resize(cb);
                        --i;
                        continue;
                    }
                    if (rc != ERROR_SUCCESS) break;
                }
            }
            DWORD cch = 256;
            if (RegEnumKeyEx(top.key, top.next++, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
                if (levels.size() > 1) RegCloseKey(top.key);
                levels.pop_back();
                continue;
            }
            HKEY child = nullptr;
            if (RegOpenKeyEx(top.key, name, 0, 0, &child) == ERROR_SUCCESS) levels.push_back({child, 0});
        }
    }
    return keys;
}

// HKEY_LOCAL_MACHINE becomes HKLM\Bench with `groups` keys of `perGroup`
// keys, each holding `leafKeys` sub-keys and `values` values (a string, a
// DWORD and a few bytes, in turn). Written in one go, as a restored backup
// would be.
void ReplaceLocalMachine(int groups, int perGroup, int leafKeys, int values) {
    ce::reg::SavedTree tree;
    tree.keys.push_back({});
    tree.keys.push_back({0, u"Bench", {}});
    for (int g = 0; g < groups; ++g) {
        const uint32_t group = static_cast<uint32_t>(tree.keys.size());
        tree.keys.push_back({1, Numbered(u"Group", g), {}});
        for (int k = 0; k < perGroup; ++k) {
            const uint32_t key = static_cast<uint32_t>(tree.keys.size());
            tree.keys.push_back({group, Numbered(u"Key", k), {}});
            for (int v = 0; v < values; ++v) {
                ce::reg::SavedValue value{Numbered(u"Value", v), REG_BINARY, {1, 2, 3, 4, 5, 6}};
                if (v % 3 == 0) {
                    value.type = REG_SZ;
                    value.data = ce::test::Utf16Bytes(Numbered(u"some text ", k) + u'\0');
                } else if (v % 3 == 1) {
                    value.type = REG_DWORD;
                    value.data = {static_cast<BYTE>(k), 0, 0, 0};
                }
                tree.keys[key].values.push_back(value);
            }
            for (int l = 0; l < leafKeys; ++l) tree.keys.push_back({key, Numbered(u"Leaf", l), {}});
        }
    }
    ce::reg::ReplaceHostFile(ce::Image().root / "registry.pending", ce::reg::EncodeSave(tree));
    if (ce::reg::ApplyPendingReplace() != ERROR_SUCCESS) std::printf("the registry could not be replaced\n");
}

}  // namespace

int main() {
    std::vector<double> expands, expandCpu, selects, repaints, modifies;
    {
        ce::test::BootedImage device;
        Fill();
        EditorRun run;
        HTREEITEM many = run.Open({"HKEY_LOCAL_MACHINE", "Bench", "Many"});
        HTREEITEM values = run.Find(run.Find(run.Find(run.Root(), "HKEY_LOCAL_MACHINE"), "Bench"), "Values");
        HTREEITEM bench = run.Find(run.Find(run.Root(), "HKEY_LOCAL_MACHINE"), "Bench");
        Hook hook(run.main());
        hook.Run({kExpand, run.tree(), run.list(), many, nullptr, 7, &expands, &expandCpu});
        std::printf("tree holds %u items\n", TreeView_GetCount(run.tree()));
        hook.Run({kSelect, run.tree(), run.list(), values, bench, 21, &selects});
        std::printf("list holds %d rows\n", ListView_GetItemCount(run.list()));
        hook.Run({kRepaint, run.tree(), run.list(), nullptr, nullptr, 51, &repaints});
        HTREEITEM blob = run.Find(bench, "Blob");
        run.Select(blob);
        hook.Run({kModify, run.tree(), run.list(), blob, nullptr, 7, &modifies});
    }
    std::vector<double> searches, searchCpu, walks, walkCpu, refreshes, refreshCpu;
    int walkedKeys = 0;
    {
        ce::test::BootedImage device;
        ReplaceLocalMachine(100, 1000, 0, 3);
        EditorRun run;
        Hook hook(run.main());
        wcscpy(g_szFindText, u"no such text");
        g_dwFindFlags = FIND_KEYS | FIND_VALUES | FIND_DATA;
        hook.Run({kSearch, run.tree(), run.list(), nullptr, nullptr, 5, &searches, &searchCpu});
        for (int i = 0; i < 5; ++i) {
            auto t0 = Clock::now();
            double c0 = ThreadCpuMs();
            walkedKeys = BareWalk();
            walks.push_back(MsSince(t0));
            walkCpu.push_back(ThreadCpuMs() - c0);
        }
    }
    {
        ce::test::BootedImage device;
        ReplaceLocalMachine(100, 100, 1, 0);
        EditorRun run;
        HTREEITEM bench = run.Open({"HKEY_LOCAL_MACHINE", "Bench"});
        Hook hook(run.main());
        run.TapButton(bench);
        hook.Run({kExpandAll, run.tree(), run.list(), bench, nullptr, 1, nullptr});
        std::printf("tree holds %u items\n", TreeView_GetCount(run.tree()));
        hook.Run({kRefresh, run.tree(), run.list(), nullptr, nullptr, 7, &refreshes, &refreshCpu});
        std::printf("tree holds %u items after refresh\n", TreeView_GetCount(run.tree()));
    }
    std::printf("expand a key with 10,000 sub-keys (read, insert, paint): median %.1f ms, %.1f ms CPU (target 50 ms)\n",
                Median(expands), Median(expandCpu));
    std::printf(
        "search through 100,000 keys and 300,000 values, nothing found: median %.0f ms, %.0f ms CPU "
        "(target 1000 ms)\n",
        Median(searches), Median(searchCpu));
    std::printf(
        "  the registry's enumeration alone (%d keys opened, values and sub-keys listed): "
        "median %.0f ms, %.0f ms CPU\n",
        walkedKeys, Median(walks), Median(walkCpu));
    std::printf("refresh of 10,000 expanded items (20,000 shown): median %.0f ms, %.0f ms CPU (target 300 ms)\n",
                Median(refreshes), Median(refreshCpu));
    using ce::bench::PrintFigure;
    PrintFigure("editor: expand a key with 10,000 sub-keys, tree included", Median(expandCpu), "ms", 50, "CPU");
    PrintFigure("editor: select a key with 1,000 values", Median(selects), "ms", 100, "wall");
    PrintFigure("editor: repaint of a tree of 10,000 items", Median(repaints), "ms", 5, "wall");
    PrintFigure("editor: search 100,000 keys, 300,000 values, no hit", Median(searchCpu), "ms", 1000, "CPU");
    PrintFigure("editor: refresh of 10,000 expanded items", Median(refreshCpu), "ms", 300, "CPU");
    PrintFigure("editor: modify editor on a 1 MiB binary value", Median(modifies), "ms", 200, "wall");
    return 0;
}
