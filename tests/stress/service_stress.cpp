// Eight threads allocate inbound ids with three outbound ids apiece, receive one
// and verify; then each answers its neighbour's other two, finds the ids complete
// and frees them, dumping and walking: the handle ends empty, counters exact.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "fpss_test.h"
#include "ss_fp_service.h"

namespace {

constexpr int kThreads = 8, kRounds = 600;

TEST(ServiceStress, EveryInboundIdCompletes) {
    ss_fp_service_hdl_t *h = nullptr;
    ASSERT_EQ(libss_fp_alloc_service_hdl(&h), 0);
    std::vector<std::vector<uint32_t>> ids(kThreads);  // each thread's inbound ids, each with two open outbound ids
    std::atomic<int> failures{0};
    fpss_test::StdoutCapture dumps;
    fpss_test::run_threads(kThreads, [&](int t) {
        for (uint32_t i = 0, in = 0, out[3]; i < kRounds; ++i) {
            const ss_fp_service_para_t para{uint64_t(t), sizeof i, &i};
            failures += libss_fp_alloc_service_id_in(h, &para, &in) || libss_fp_alloc_service_id_out(h, in, &out[0]) ||
                        libss_fp_alloc_service_id_out(h, in, &out[1]) ||
                        libss_fp_alloc_service_id_out(h, in, &out[2]) || libss_fp_set_service_id_out_recv(h, out[0]) ||
                        libss_fp_verify_service_id_in(h, in, nullptr, 0);
            ids[t].insert(ids[t].end(), {in, out[1], out[2]});
        }
    });
    auto sane = [](ss_fp_service_in_node_t *n, uint64_t) { return n->out_recv > n->serv_out || n->state > 3 ? 1 : 0; };
    fpss_test::run_threads(kThreads, [&](int t) {
        const std::vector<uint32_t> &theirs = ids[(t + 1) % kThreads];
        for (size_t i = 0; i < theirs.size(); i += 3) {
            uint32_t owner = 0, state = 0;
            ss_fp_service_para_t got{};
            failures += libss_fp_get_service_id_in(h, theirs[i + 2], &owner) || owner != theirs[i] ||
                        libss_fp_set_service_id_out_recv(h, theirs[i + 1]) ||
                        libss_fp_free_service_id_out(h, theirs[i + 2]) ||
                        libss_fp_get_service_id_info(h, theirs[i], &state, &got) || state != SS_FP_SERVICE_STATE_DONE ||
                        got.user_data != uint64_t((t + 1) % kThreads) || *static_cast<uint32_t *>(got.para) != i / 3 ||
                        libss_fp_free_service_id_in(h, theirs[i]);
            if (i % 600 == 0) failures += libss_fp_service_dump(h) || libss_fp_travel_all_service_id_in(h, sane, 0);
        }
    });
    EXPECT_NE(dumps.take().find("\r\nservice_id_in num = "), std::string::npos);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(h->last_id_in == kThreads * kRounds && h->last_id_out == 3 * kThreads * kRounds);
    EXPECT_TRUE(h->service_id_in_num == 0 && h->service_id_out_num == 0);
    EXPECT_EQ(libss_fp_free_service_hdl(h), 0);
}

}  // namespace
