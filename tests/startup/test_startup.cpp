// The library start-up (its steps in order, and its result) and the per-module handles with their roll-back.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fpss_test.h"
#include "libss_fp_pub.h"
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"

namespace {
std::string g_steps;
int g_log_op_result = 0;  // replaces the operation-log start-up's result when non-zero
int replaced(int rv) { return g_log_op_result != 0 ? g_log_op_result : rv; }
template <class F>
F *library_own(const char *name) {  // records the step, then finds the library's own definition
    g_steps += std::string(name) + " ";
    return reinterpret_cast<F *>(dlsym(RTLD_NEXT, name));
}
}  // namespace

// The start-up's steps, recorded on their way to the library.
extern "C" int libss_fp_debug_init(void) { return library_own<int()>("libss_fp_debug_init")(); }
extern "C" int libss_fp_pub_init(void) { return library_own<int()>("libss_fp_pub_init")(); }
extern "C" void ss_fp_debug_init_sw(void) { library_own<void()>("ss_fp_debug_init_sw")(); }
extern "C" int ss_fp_log_op_init(void) { return replaced(library_own<int()>("ss_fp_log_op_init")()); }

namespace {

int handles() { return FP_MOD_MAX - std::count(std::begin(fp_pub_hdl), std::end(fp_pub_hdl), nullptr); }

TEST(StartUp, RunsEveryStepInOrderAndReturnsTheLastOnesResult) {
    std::snprintf(ss_fp_debug_path, sizeof ss_fp_debug_path, "/tmp/fpsw%d", getpid());
    ASSERT_TRUE(fpss_test::write_file(ss_fp_debug_path, "error\n1\nnotice\n0\n"));
    ss_fp_mem_info_t made_minus_released = {"app/libss_fp_pub", 0, {}};  // handles counted with the statistics on
    malloc_free_sw = 1;  // module 3's name: 31 characters fit; 32 or none make the handle start-up fail, which stops
    for (auto [name, log_op_result, made] :  // nothing
         {std::tuple{"FP_MOD_WITH_A_NAME_OF_31_CHARS_", 0, 11},
          {"FP_MOD_WITH_A_NAME_OF_32_CHARS__", 17, 0},
          {nullptr, 5, 0}}) {
        for (auto &h : fp_pub_hdl) ss_fp_free(std::exchange(h, nullptr), "tests/startup");  // a second start-up
        std::tie(fp_mod_name[3], g_log_op_result, fp_debug_sw) = std::make_tuple(name, log_op_result, 0);
        g_steps.clear();
        fpss_test::StdoutCapture out;
        EXPECT_EQ(ss_fp_debug_init(), log_op_result);
        EXPECT_EQ(g_steps, "libss_fp_debug_init libss_fp_pub_init ss_fp_debug_init_sw ss_fp_log_op_init ");
        EXPECT_EQ(std::make_tuple(handles(), fp_debug_sw, ss_fp_mem_info_hash_find(&made_minus_released)->count),
                  std::make_tuple(made, 8u, 11));
        for (int m = 0; m < handles(); ++m) EXPECT_STREQ(fp_pub_hdl[m]->mod_name, fp_mod_name[m]);
    }
    std::remove(ss_fp_debug_path);
}

TEST(StartUp, FailedHandlesAreReportedAndRolledBackKeepingTheLiveOnes) {
    g_policy_error_zlog_category = &g_steps;
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    ASSERT_EQ(libss_fp_pub_init(), 0);  // the handles of a first start-up, which modules hold
    const std::vector<fp_pub_hdl_t *> live(std::begin(fp_pub_hdl), std::end(fp_pub_hdl));
    fpss_test::for_each_fault(FP_MOD_MAX + 1, [&](int k) {  // one allocation per handle; the last start-up succeeds
        fpss_test::PlatformRecorder::reset();
        std::string out = fpss_test::flushed_output([&] { EXPECT_EQ(libss_fp_pub_init(), k > FP_MOD_MAX ? 0 : 2); });
        auto calls = fpss_test::PlatformRecorder::zlog_calls();
        ASSERT_EQ(std::make_tuple(handles(), std::equal(live.begin(), live.end(), fp_pub_hdl), calls.size()),
                  std::make_tuple(11, k <= FP_MOD_MAX, size_t(k <= FP_MOD_MAX)));
        for (int m = 0; m < FP_MOD_MAX; ++m) {  // the earlier handles still work (AddressSanitizer watches)
            EXPECT_STREQ(live[size_t(m)]->mod_name, fp_mod_name[m]);
            EXPECT_EQ(pthread_rwlock_rdlock(&live[size_t(m)]->cnt_hdl.lock), 0);
            pthread_rwlock_unlock(&live[size_t(m)]->cnt_hdl.lock);
        }
        const std::string line = calls.empty() ? "" : std::to_string(calls[0].line);
        EXPECT_EQ(out,
                  calls.empty() ? "" : "\n !!!!!!!!Error libss_fp_pub_init[" + line + "]:no enough memory, rv: -2");
        for (const auto &z : calls)
            EXPECT_EQ(std::tie(z.file, z.func, z.level, z.text),
                      std::make_tuple("app/libss_fp_pub.cpp", "libss_fp_pub_init", 100, "no enough memory, rv: -2"));
    });
    for (fp_pub_hdl_t *h : live) ss_fp_free(h, "tests/startup");  // replaced by the last start-up
}

}  // namespace
