// Tracked allocator: one ss_fp_malloc/ss_fp_free pair, with the statistics
// off (the system allocator and two byte tests) and on (the process-wide
// statistics mutex, the 80-byte key and the size-list walk on every call),
// from one thread and from several threads sharing one source file.
#include <benchmark/benchmark.h>

#include "ss_fp_mem.h"

namespace {

constexpr const char *kFile = "app/bench_alloc";
constexpr int kSize = 64;

// The allocation-record table must exist for the statistics to be kept.
bool ready() {
    static const bool ok = ss_fp_mem_watch_init() == 0 && is_hash_init != 0;
    return ok;
}

void BM_MallocFree(benchmark::State &state, bool stats) {
    if (!ready()) {
        state.SkipWithError("allocation-record table not ready");
        return;
    }
    // Stored directly rather than through ss_fp_debug_malloc_free_sw(), whose
    // confirmation line would land in the benchmark's own output. Every thread
    // stores the same value before the start barrier.
    __atomic_store_n(&malloc_free_sw, stats ? 1 : 0, __ATOMIC_RELAXED);
    for (auto _ : state) {
        void *p = ss_fp_malloc(kSize, kFile);
        benchmark::DoNotOptimize(p);
        ss_fp_free(p, kFile);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_MallocFree, stats_off, false)->ThreadRange(1, 4)->UseRealTime();
BENCHMARK_CAPTURE(BM_MallocFree, stats_on, true)->ThreadRange(1, 4)->UseRealTime();
