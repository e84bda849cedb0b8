// The switch word and the debug bytes written and read by many threads without
// locks: a reader sees only values some writer made; the last writes decide.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "fpss_test.h"
#include "ss_fp_debug.h"

TEST(DebugSwStress, ConcurrentWritersLeaveAWordSomeWriterMade) {
    const std::string file = "/tmp/fpst" + std::to_string(getpid());  // turns the error switch on
    ASSERT_TRUE(fpss_test::write_file(file, "error\n1\n"));
    std::strcpy(ss_fp_debug_path, file.c_str());
    int odd = 0;
    fpss_test::run_threads(6, [&](int t) {
        for (int i = 0; i < 20000; ++i) {
            if (t < 2 && i < 200) ss_fp_debug_init_sw();  // ORs in the error switch, inside "all on"
            if (t == 2 || t == 3) (i & 1) ? ss_fp_debug_off() : ss_fp_debug_on();
            if (t == 4) ss_fp_appmng_set_debug(uint8_t(i & 1)), ss_fp_appmng_io_set_debug(uint8_t(i & 3));
            if (t == 5) odd += (__atomic_load_n(&fp_debug_sw, __ATOMIC_RELAXED) & ~0x17Fu) != 0;
            if (t == 5) odd += __atomic_load_n(&g_ss_fp_appmng_io_debug, __ATOMIC_RELAXED) > 3;
        }
        if (t == 2 || t == 3) ss_fp_debug_on();
        if (t == 4) ss_fp_appmng_set_debug(1), ss_fp_appmng_io_set_debug(2);
    });
    unlink(file.c_str());
    EXPECT_EQ(odd, 0);
    EXPECT_EQ(fp_debug_sw, 0x17Fu);
    EXPECT_EQ(g_ss_fp_appmng_debug + g_ss_fp_appmng_ds_debug * 10 + g_ss_fp_appmng_io_debug * 100, 211);
}
