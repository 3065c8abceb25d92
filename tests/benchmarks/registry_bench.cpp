// Registry speed: the calls the programs make most, on a populated store.
// Run a Release build; every benchmark reports the median of its repetitions.
//
//   bench_registry [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "testimage.h"
#include "windows.h"

namespace {

std::u16string Num(const char16_t* prefix, int i) {
    std::u16string s = prefix;
    for (char c : std::to_string(i)) s.push_back(static_cast<char16_t>(c));
    return s;
}

// One image for the whole run, filled on first use.
ce::test::TestImage& Image() {
    static auto* image = new ce::test::TestImage();
    return *image;
}

HKEY MustCreate(HKEY base, const std::u16string& path) {
    HKEY h = nullptr;
    if (RegCreateKeyEx(base, path.c_str(), 0, nullptr, 0, 0, nullptr, &h, nullptr) != ERROR_SUCCESS) std::abort();
    return h;
}

// HKLM\Wide<n> with n sub-keys (made once per n).
std::u16string WideKey(int n) {
    static std::map<int, std::u16string> made;
    Image();
    auto it = made.find(n);
    if (it != made.end()) return it->second;
    std::u16string path = Num(u"Wide", n);
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, path);
    for (int i = 0; i < n; ++i) RegCloseKey(MustCreate(parent, Num(u"Child", i)));
    RegCloseKey(parent);
    made[n] = path;
    return path;
}

void BM_OpenQueryClose(benchmark::State& state) {
    Image();
    HKEY setup = MustCreate(HKEY_LOCAL_MACHINE, u"Drivers\\Display\\Panel");
    DWORD value = 480;
    RegSetValueEx(setup, u"Height", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4);
    RegCloseKey(setup);
    for (auto _ : state) {
        HKEY h = nullptr;
        DWORD v = 0, cb = 4, type = 0;
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Drivers\\Display\\Panel", 0, 0, &h);
        RegQueryValueEx(h, u"Height", nullptr, &type, reinterpret_cast<BYTE*>(&v), &cb);
        RegCloseKey(h);
        if (v != 480) state.SkipWithError("wrong value");
    }
}
BENCHMARK(BM_OpenQueryClose)->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);

// Index by index through every sub-key, on a freshly opened handle.
void BM_EnumerateSubKeys(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::u16string path = WideKey(n);
    for (auto _ : state) {
        HKEY h = nullptr;
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &h);
        DWORD i = 0;
        for (;; ++i) {
            WCHAR name[256];
            DWORD cch = 256;
            if (RegEnumKeyEx(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        }
        RegCloseKey(h);
        if (i != static_cast<DWORD>(n)) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_EnumerateSubKeys)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The registry editor expanding a key: every child is opened and asked
// whether it has sub-keys (for its "+" box).
void BM_EditorExpand(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::u16string path = WideKey(n);
    for (auto _ : state) {
        HKEY h = nullptr;
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &h);
        for (DWORD i = 0;; ++i) {
            WCHAR name[256];
            DWORD cch = 256;
            if (RegEnumKeyEx(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HKEY child = nullptr;
            DWORD subKeys = 0;
            RegOpenKeyEx(h, name, 0, 0, &child);
            RegQueryInfoKey(child, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
            RegCloseKey(child);
        }
        RegCloseKey(h);
    }
}
BENCHMARK(BM_EditorExpand)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

// One value written, then made durable.
void BM_FlushAfterOneChange(benchmark::State& state) {
    Image();
    HKEY h = MustCreate(HKEY_LOCAL_MACHINE, u"Flush");
    DWORD v = 0;
    for (auto _ : state) {
        ++v;
        RegSetValueEx(h, u"Counter", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
        RegFlushKey(h);
    }
    RegCloseKey(h);
}
BENCHMARK(BM_FlushAfterOneChange)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
