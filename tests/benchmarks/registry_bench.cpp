// Registry speed: the calls the programs make most, on a populated store,
// beside plain SQLite doing the same reads on the same file (measured in the
// same run: the limits of the first are set against the second).
// Run a Release build; every benchmark reports the median of its repetitions.
//
//   bench_registry [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "figures.h"
#include "medians.h"
#include "testimage.h"
#include "windows.h"

namespace {

using ce::bench::Numbered;

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
    std::u16string path = Numbered(u"Wide", n);
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, path);
    for (int i = 0; i < n; ++i) RegCloseKey(MustCreate(parent, Numbered(u"Child", i)));
    RegCloseKey(parent);
    made[n] = path;
    return path;
}

// The value both look-up benchmarks read: HKLM\Drivers\Display\Panel, Height = 480.
void SetPanelHeight() {
    Image();
    HKEY setup = MustCreate(HKEY_LOCAL_MACHINE, u"Drivers\\Display\\Panel");
    DWORD value = 480;
    RegSetValueEx(setup, u"Height", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4);
    RegCloseKey(setup);
}

void BM_OpenQueryClose(benchmark::State& state) {
    SetPanelHeight();
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

// The registry editor expanding a key: every child is opened by its path
// from the root and asked whether it has sub-keys (for its "+" box).
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
            RegOpenKeyEx(HKEY_LOCAL_MACHINE, (path + u"\\" + name).c_str(), 0, 0, &child);
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

// ---- plain SQLite on the store's file: the baseline -------------------------

// A second connection to the image's store, with its statements.
struct Plain {
    sqlite3* db = nullptr;
    sqlite3_stmt* findKey = nullptr;
    sqlite3_stmt* findValue = nullptr;
    sqlite3_stmt* children = nullptr;
    Plain() {
        std::string file = (Image().dir() / "registry.db").string();
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE path=?1", -1, &findKey, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db, "SELECT type, data FROM vals WHERE key=?1 AND fold=?2", -1, &findValue, nullptr) !=
                SQLITE_OK ||
            sqlite3_prepare_v2(db, "SELECT name, id FROM keys WHERE parent=?1 ORDER BY fold", -1, &children, nullptr) !=
                SQLITE_OK)
            std::abort();
    }
    // The store's form of a path below HKEY_LOCAL_MACHINE or of a value
    // name: folded, UTF-16BE ("2\\drivers" for HKLM\Drivers).
    static std::string Folded(std::u16string_view text, bool underLocalMachine) {
        std::string out;
        auto put = [&out](char16_t c) {
            out.push_back(static_cast<char>(c >> 8));
            out.push_back(static_cast<char>(c & 0xFF));
        };
        if (underLocalMachine) {
            put(u'2');
            put(u'\\');
        }
        for (char16_t c : text) put(c >= u'A' && c <= u'Z' ? c + 32 : c);
        return out;
    }
    int64_t KeyId(const std::string& path) {
        sqlite3_bind_blob(findKey, 1, path.data(), static_cast<int>(path.size()), SQLITE_STATIC);
        int64_t id = sqlite3_step(findKey) == SQLITE_ROW ? sqlite3_column_int64(findKey, 0) : 0;
        sqlite3_reset(findKey);
        return id;
    }
};

Plain& PlainSql() {
    static auto* plain = new Plain;
    return *plain;
}

// What the registry did for open + query one value before it kept anything:
// two prepared look-ups, each its own read transaction.
void BM_SqliteTwoLookups(benchmark::State& state) {
    SetPanelHeight();
    Plain& sql = PlainSql();
    std::string path = Plain::Folded(u"Drivers\\Display\\Panel", true);
    std::string fold = Plain::Folded(u"Height", false);
    for (auto _ : state) {
        int64_t id = sql.KeyId(path);
        sqlite3_bind_int64(sql.findValue, 1, id);
        sqlite3_bind_blob(sql.findValue, 2, fold.data(), static_cast<int>(fold.size()), SQLITE_STATIC);
        DWORD v = 0;
        if (sqlite3_step(sql.findValue) == SQLITE_ROW) std::memcpy(&v, sqlite3_column_blob(sql.findValue, 1), 4);
        sqlite3_reset(sql.findValue);
        if (v != 480) state.SkipWithError("wrong value");
    }
}
BENCHMARK(BM_SqliteTwoLookups)->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);

// The sub-keys of HKLM\Wide<n> in one statement: every row stepped, its name
// and id read.
void BM_SqliteScan(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::u16string wide = WideKey(n);
    Plain& sql = PlainSql();
    int64_t parent = sql.KeyId(Plain::Folded(wide, true));
    for (auto _ : state) {
        sqlite3_bind_int64(sql.children, 1, parent);
        int rows = 0;
        size_t bytes = 0;
        while (sqlite3_step(sql.children) == SQLITE_ROW) {
            bytes += static_cast<size_t>(sqlite3_column_bytes(sql.children, 0));
            benchmark::DoNotOptimize(sqlite3_column_blob(sql.children, 0));
            benchmark::DoNotOptimize(sqlite3_column_int64(sql.children, 1));
            ++rows;
        }
        sqlite3_reset(sql.children);
        benchmark::DoNotOptimize(bytes);
        if (rows != n) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_SqliteScan)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    ce::bench::Medians medians;
    if (!ce::bench::RunAll(argc, argv, medians)) return 1;
    // CPU time: on a machine shared with other work it says more about the
    // code than the wall clock does.
    double openQuery = medians.CpuUs("BM_OpenQueryClose");
    double lookups = medians.CpuUs("BM_SqliteTwoLookups");
    double enumerate = medians.CpuUs("BM_EnumerateSubKeys/10000");
    double scan = medians.CpuUs("BM_SqliteScan/10000");
    if (openQuery >= 0) ce::bench::PrintFigure("registry open + query one value + close", openQuery, "us", 3, "CPU");
    if (enumerate >= 0 && scan >= 0)
        ce::bench::PrintFigure("enumerate 10,000 sub-keys", enumerate / 1000, "ms", 2 * scan / 1000,
                               "CPU; limit 2 x plain SQLite scan");
    if (lookups >= 0) ce::bench::PrintBaseline("two prepared SQLite look-ups", lookups, "us");
    if (scan >= 0) ce::bench::PrintBaseline("SQLite scan of 10,000 rows", scan / 1000, "ms");
    return 0;
}
