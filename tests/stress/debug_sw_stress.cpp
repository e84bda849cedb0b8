// The switch word and the application manager's debug bytes written by many
// threads at once, without locks: no write is torn and no word ends in a
// state that no writer produced.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "fpss_test.h"
#include "ss_fp_debug.h"

namespace {

class DebugSwStress : public ::testing::Test {
  protected:
    void SetUp() override {
        fp_debug_sw = 0;
        std::memcpy(saved_, ss_fp_debug_path, sizeof saved_);
        char tmpl[] = "/tmp/fpst_XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        file_ = tmpl;
        std::ofstream(file_) << "error\n1\n";
        std::strcpy(ss_fp_debug_path, file_.c_str());
    }
    void TearDown() override {
        std::remove(file_.c_str());
        std::memcpy(ss_fp_debug_path, saved_, sizeof saved_);
        fp_debug_sw = 0;
    }
    char saved_[SS_FP_DEBUG_PATH_SIZE];
    std::string file_;
};

TEST_F(DebugSwStress, ConcurrentWritersLeaveAWordSomeWriterMade) {
    fpss_test::StdoutCapture out;  // the read-back prints a name per pass
    std::vector<std::thread> threads;
    // Read-back passes OR in the error switch while others switch all on and off.
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i) ss_fp_debug_init_sw();
        });
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 20000; ++i) (i & 1) ? ss_fp_debug_off() : ss_fp_debug_on();
            ss_fp_debug_on();
        });
    threads.emplace_back([] {
        for (int i = 0; i < 20000; ++i) {
            ss_fp_appmng_set_debug(static_cast<uint8_t>(i & 1));
            ss_fp_appmng_io_set_debug(static_cast<uint8_t>(i & 3));
        }
        ss_fp_appmng_set_debug(1);
        ss_fp_appmng_io_set_debug(2);
    });
    threads.emplace_back([] {
        // A reader of the words, as the reports and the exerciser are.
        unsigned seen = 0;
        for (int i = 0; i < 20000; ++i) {
            uint32_t w = __atomic_load_n(&fp_debug_sw, __ATOMIC_RELAXED);
            uint8_t b = __atomic_load_n(&g_ss_fp_appmng_io_debug, __ATOMIC_RELAXED);
            EXPECT_EQ(w & ~0x17Fu, 0u);
            EXPECT_LE(b, 3);
            seen += w != 0;
        }
        (void)seen;
    });
    for (auto &th : threads) th.join();
    out.take();
    // Every writer ends with "all on"; the read-back only adds a bit inside it.
    EXPECT_EQ(fp_debug_sw, 0x17Fu);
    EXPECT_EQ(g_ss_fp_appmng_debug, 1);
    EXPECT_EQ(g_ss_fp_appmng_ds_debug, 1);
    EXPECT_EQ(g_ss_fp_appmng_io_debug, 2);
}

}  // namespace
