// Measures of the machine itself, taken in the same run as the figures they
// put in proportion: copying a whole 450 x 320 frame (for repaints) and
// starting /bin/true (for program start-up).
//
//   bench_baseline [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "figures.h"
#include "medians.h"

extern char** environ;

namespace {

void BM_FrameCopy(benchmark::State& state) {
    constexpr size_t kPixels = 450 * 320;
    std::vector<uint32_t> from(kPixels, 0x00336699u), to(kPixels);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kPixels * sizeof(uint32_t));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);

// Wall time: the work is done by another process.
void BM_StartTrue(benchmark::State& state) {
    char arg0[] = "/bin/true";
    char* argv[] = {arg0, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0 || waitpid(pid, &status, 0) != pid)
            state.SkipWithError("cannot start /bin/true");
    }
}
BENCHMARK(BM_StartTrue)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    ce::bench::Medians medians;
    if (!ce::bench::RunAll(argc, argv, medians)) return 1;
    if (double copy = medians.CpuUs("BM_FrameCopy"); copy >= 0)
        ce::bench::PrintBaseline("copy of a whole 450 x 320 frame", copy, "us");
    if (double start = medians.RealUs("BM_StartTrue"); start >= 0)
        ce::bench::PrintBaseline("start of /bin/true (wall)", start / 1000, "ms");
    return 0;
}
