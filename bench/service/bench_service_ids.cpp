// Service ids: the life of one served request that sends one request on its
// behalf (inbound id, outbound id, answer received, verification, release),
// on a handle that keeps no other ids.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "ss_fp_service.h"

namespace {

void BM_ServiceRoundTrip(benchmark::State &state) {
    ss_fp_service_hdl_t *h = nullptr;
    if (libss_fp_alloc_service_hdl(&h) != 0) return state.SkipWithError("handle not made");
    for (auto _ : state) {
        uint32_t in = 0;
        uint32_t out = 0;
        if (libss_fp_alloc_service_id_in(h, nullptr, &in) != 0 || libss_fp_alloc_service_id_out(h, in, &out) != 0 ||
            libss_fp_set_service_id_out_recv(h, out) != 0 || libss_fp_verify_service_id_in(h, in, nullptr, 0) != 0) {
            state.SkipWithError("service id step failed");
            break;
        }
        libss_fp_free_service_id_in(h, in);
    }
    libss_fp_free_service_hdl(h);
}

}  // namespace

BENCHMARK(BM_ServiceRoundTrip);
