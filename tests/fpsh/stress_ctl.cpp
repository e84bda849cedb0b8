// The control server under concurrent clients of one process: every reply
// whole and its own, while another thread captures output of its own.
#include <string>

#include "fpss_test.h"
#include "ss_fp_platform.h"

namespace {

int echo_value(uint32_t v) {
    std::printf("value %u\n", v);
    return static_cast<int>(v);
}

int print_marker(void *) { return std::printf("marker\n") > 0 ? 0 : 1; }

TEST(CtlStress, ConcurrentClientsGetTheirOwnReplies) {
    char dir[] = "/tmp/fpsh_stress_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("SSAT_CTL_DIR", dir, 1);
    ASSERT_EQ(ssat_reg_mod_cmd(1, "echo_value", 0, "v=%d, $d", reinterpret_cast<void *>(echo_value)), 0);
    ASSERT_EQ(ssat_ctl_start("stress"), 0);
    fpss_test::run_threads(5, [](int t) {
        for (int i = 0; i < 40; ++i) {
            if (t == 4) {  // a capture of this process's own, between the server's
                char *out = nullptr;
                EXPECT_EQ(ssat_ctl_capture(print_marker, nullptr, nullptr, &out, nullptr), 0);
                EXPECT_STREQ(out, "marker\n");
                std::free(out);
                continue;
            }
            const int v = t * 1000 + i;
            ssat_ctl_reply_t r;
            ASSERT_EQ(ssat_ctl_call("stress", "echo_value", std::to_string(v).c_str(), 10000, &r), 0) << r.text;
            EXPECT_EQ(r.result, v);
            EXPECT_EQ(std::string(r.text, r.len), "value " + std::to_string(v) + "\n");
            ssat_ctl_reply_free(&r);
        }
    });
    ssat_ctl_stop();
    EXPECT_EQ(rmdir(dir), 0);  // the socket went with the server
}

}  // namespace
