// Timing-capture and event-counter registries reached through a module's
// public handle, as an FP module uses them: a start and stop pair on an
// existing info node, and one counter increment (also from two threads on the
// same counter). The first call of each makes its group and node, so the
// loops measure the steady state.
#include <benchmark/benchmark.h>

#include "libss_fp_pub.h"
#include "ss_fp_mem.h"

namespace {

// The handles, with the allocation-record table in place as the full start-up
// would leave it (the statistics switch stays off).
fp_pub_hdl_t *handle() {
    static fp_pub_hdl_t *const h = [] {
        ss_fp_mem_watch_init();
        return libss_fp_pub_init() == LIBSS_FP_PUB_OK ? fp_pub_hdl[FP_MOD_TCAM] : nullptr;
    }();
    return h;
}

void BM_CapStartStop(benchmark::State &state) {
    fp_pub_hdl_t *h = handle();
    if (h == nullptr) return state.SkipWithError("public handles not made");
    libss_fp_cap_hdl_t *cap = &h->cap_hdl;
    for (auto _ : state) {
        if (cap->start(cap, "acl", "add_ace") != 0 || cap->stop(cap, "acl", "add_ace") != 0) {
            return state.SkipWithError("capture failed");
        }
    }
}

void BM_CntInc(benchmark::State &state) {
    fp_pub_hdl_t *h = handle();
    if (h == nullptr) return state.SkipWithError("public handles not made");
    libss_fp_cnt_hdl_t *cnt = &h->cnt_hdl;
    for (auto _ : state) {
        if (cnt->inc(cnt, "acl", "ace_added") != 0) return state.SkipWithError("increment failed");
    }
}

}  // namespace

BENCHMARK(BM_CapStartStop);
BENCHMARK(BM_CntInc)->ThreadRange(1, 2)->UseRealTime();
