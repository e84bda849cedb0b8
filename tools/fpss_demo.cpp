// A small host program that links the library as an FP module would and shows
// the tracked allocator at work: statistics on, a few allocations and releases
// from two source files, then the allocation report with per-size lines.
#include <cstdio>

#include "ss_fp_mem.h"

namespace {

constexpr const char *kTcamFile = "app/ss_fp_tcam_demo";
constexpr const char *kEngineFile = "app/ss_fp_engine_demo";

}  // namespace

int main() {
    ss_fp_mem_watch_init();
    ss_fp_debug_malloc_free_sw(1);

    void *entries[8];
    for (int i = 0; i < 8; ++i) entries[i] = ss_fp_malloc(64, kTcamFile);
    void *keys = ss_fp_calloc(1, 256, kTcamFile);
    void *rules[3];
    for (auto &r : rules) r = ss_fp_malloc(32, kEngineFile);

    for (int i = 0; i < 5; ++i) ss_fp_free(entries[i], kTcamFile);
    ss_fp_free(rules[0], kEngineFile);

    std::printf("\n-- allocation report (per-file lines only)\n");
    ss_fp_debug_dump_mem_use_info_all(0);
    std::printf("\n-- allocation report with per-size lines\n");
    ss_fp_debug_dump_mem_use_info_all(1);

    for (int i = 5; i < 8; ++i) ss_fp_free(entries[i], kTcamFile);
    ss_fp_free(keys, kTcamFile);
    for (int i = 1; i < 3; ++i) ss_fp_free(rules[i], kEngineFile);
    ss_fp_debug_malloc_free_sw(0);
    return 0;
}
