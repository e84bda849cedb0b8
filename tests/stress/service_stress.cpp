// Eight threads allocating, receiving, verifying and freeing service ids on
// one handle. Every inbound id completes, outbound ids answered by another
// thread find their inbound id, and the counts return to zero.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ss_fp_service.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 1500;
constexpr int kOuts = 3;

TEST(ServiceStress, EveryInboundIdCompletes) {
    ss_fp_service_hdl_t *h = nullptr;
    ASSERT_EQ(libss_fp_alloc_service_hdl(&h), 0);
    // Outbound ids handed to whichever thread answers next.
    std::mutex mailbox_mutex;
    std::vector<uint32_t> mailbox;
    std::atomic<int> done{0}, failures{0}, answered{0};

    // The dumps of all threads go to one capture.
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                uint64_t tag = (uint64_t(t) << 32) | unsigned(i);
                ss_fp_service_para_t para{tag, sizeof tag, &tag};
                uint32_t in = 0;
                if (libss_fp_alloc_service_id_in(h, &para, &in) != 0) { ++failures; continue; }
                uint32_t outs[kOuts];
                for (uint32_t &o : outs) {
                    if (libss_fp_alloc_service_id_out(h, in, &o) != 0) ++failures;
                }
                // One answer comes back on another thread.
                {
                    std::lock_guard<std::mutex> lock(mailbox_mutex);
                    mailbox.push_back(outs[0]);
                }
                for (int k = 1; k < kOuts - 1; ++k) {
                    if (libss_fp_set_service_id_out_recv(h, outs[k]) != 0) ++failures;
                }
                // Answer whatever others left in the mailbox.
                for (;;) {
                    uint32_t o;
                    {
                        std::lock_guard<std::mutex> lock(mailbox_mutex);
                        if (mailbox.empty()) break;
                        o = mailbox.back();
                        mailbox.pop_back();
                    }
                    uint32_t owner = 0;
                    if (libss_fp_get_service_id_in(h, o, &owner) != 0 || owner == 0) ++failures;
                    if (libss_fp_set_service_id_out_recv(h, o) != 0) ++failures;
                    ++answered;
                }
                libss_fp_verify_service_id_in(h, in, nullptr, 0);
                if (libss_fp_free_service_id_out(h, outs[kOuts - 1]) != 0) ++failures;
                uint32_t state = 0;
                ss_fp_service_para_t got{};
                if (libss_fp_get_service_id_info(h, in, &state, &got) != 0) ++failures;
                if (got.user_data != tag || got.paralen != sizeof tag) ++failures;
                // Complete once every outbound id is in; wait until the
                // mailbox answer arrives (anyone may answer it, us included).
                while (state != SS_FP_SERVICE_STATE_DONE) {
                    uint32_t o = 0;
                    {
                        std::lock_guard<std::mutex> lock(mailbox_mutex);
                        if (!mailbox.empty()) {
                            o = mailbox.back();
                            mailbox.pop_back();
                        }
                    }
                    if (o != 0) {
                        if (libss_fp_set_service_id_out_recv(h, o) != 0) ++failures;
                        ++answered;
                    } else {
                        std::this_thread::yield();
                    }
                    libss_fp_get_service_id_info(h, in, &state, nullptr);
                }
                ++done;
                if (libss_fp_free_service_id_in(h, in) != 0) ++failures;
                if (i % 500 == t) {
                    libss_fp_service_dump(h);
                    libss_fp_travel_all_service_id_in(
                        h, [](ss_fp_service_in_node_t *n, uint64_t) { return n->out_recv > n->serv_out ? 1 : 0; }, 0);
                }
            }
        });
    }
    for (auto &th : threads) th.join();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("\r\nservice_id_in num = "), std::string::npos);

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(done.load(), kThreads * kRounds);
    EXPECT_EQ(answered.load(), kThreads * kRounds);
    EXPECT_EQ(h->service_id_in_num, 0u);
    EXPECT_EQ(h->service_id_out_num, 0u);
    EXPECT_EQ(h->last_id_in, uint32_t(kThreads * kRounds));
    EXPECT_EQ(h->last_id_out, uint32_t(kThreads * kRounds * kOuts));
    EXPECT_EQ(libss_fp_free_service_hdl(h), 0);
}

}  // namespace
