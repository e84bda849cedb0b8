// The library start-up end to end: the order of its steps and their effects.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "fpss_test.h"
#include "libss_fp_pub.h"
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"

using fpss_test::StdoutCapture;

namespace {

// A second start-up makes new handles and leaves the old ones: release them.
void release_handles() {
    for (auto &h : fp_pub_hdl) {
        if (h == nullptr) continue;
        pthread_rwlock_destroy(&h->cnt_hdl.lock);
        pthread_rwlock_destroy(&h->cap_hdl.lock);
        ss_fp_free(h, "tests/test_startup");
        h = nullptr;
    }
}

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

std::string process_name() {
    std::ifstream status("/proc/self/status");
    std::string key, name;
    status >> key >> name;
    return name;
}

class StartUpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        release_handles();
        fpss_test::reset_mem_stats();
        fp_debug_sw = 0;
        switch_file_ = "/tmp/fpsw" + std::to_string(getpid());  // the path array holds 20 characters
        ASSERT_LT(switch_file_.size(), sizeof ss_fp_debug_path);
        saved_path_ = ss_fp_debug_path;
        std::strcpy(ss_fp_debug_path, switch_file_.c_str());
    }
    void TearDown() override {
        std::strcpy(ss_fp_debug_path, saved_path_.c_str());
        std::remove(switch_file_.c_str());
        fp_debug_sw = 0;
        release_handles();
    }
    void write_switch_file(const char *text) {
        FILE *f = std::fopen(switch_file_.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(text, f);
        std::fclose(f);
    }
    std::string switch_file_, saved_path_;
};

TEST_F(StartUpTest, StartsEverySubsystemInOrder) {
    write_switch_file("error\n1\nnotice\n0\n");
    malloc_free_sw = 1;  // on before the start-up: the handles are counted only if the table came first
    StdoutCapture out;
    EXPECT_EQ(ss_fp_debug_init(), 0);
    std::string printed = out.take();

    EXPECT_EQ(is_hash_init, 1);
    for (int m = 0; m < FP_MOD_MAX; ++m) {
        ASSERT_NE(fp_pub_hdl[m], nullptr);
        EXPECT_STREQ(fp_pub_hdl[m]->mod_name, fp_mod_name[m]);
    }
    ss_fp_mem_info_t key{};
    std::strcpy(key.file_name, "app/libss_fp_pub");
    ASSERT_NE(ss_fp_mem_info_hash_find(&key), nullptr);
    EXPECT_EQ(ss_fp_mem_info_hash_find(&key)->count, 11);

    EXPECT_EQ(fp_debug_sw, uint32_t(SS_FP_DBG_FLAG_ERROR));  // read back from the switch file
    EXPECT_NE(printed.find("SS_FP_DBG_FLAG_ERROR\n"), std::string::npos);

    std::string name = process_name();
    EXPECT_TRUE(exists("/tmp/zlog/ss_fp_log/" + name + ".log"));
    EXPECT_TRUE(exists("/tmp/zlog/ss_fp_log/" + name + "_1.log"));
    malloc_free_sw = 0;
}

TEST_F(StartUpTest, FailedHandlesDoNotStopTheLaterSteps) {
    write_switch_file("assert\n1\n");
    const char *saved = fp_mod_name[3];
    fp_mod_name[3] = "FP_MOD_A_NAME_OF_THIRTY_TWO_CHAR";  // 32 characters: the handle start-up fails
    StdoutCapture out;
    EXPECT_EQ(ss_fp_debug_init(), 0);  // the result is the operation log's
    out.take();
    fp_mod_name[3] = saved;
    for (auto *h : fp_pub_hdl) EXPECT_EQ(h, nullptr);
    EXPECT_EQ(fp_debug_sw, uint32_t(SS_FP_DBG_FLAG_ASSERT));
    EXPECT_TRUE(exists("/tmp/zlog/ss_fp_log/" + process_name() + ".log"));
}

TEST_F(StartUpTest, StartUpTraceNeedsTheSwitchSetBeforehand) {
    write_switch_file("init\n1\n");
    {
        StdoutCapture out;
        ss_fp_debug_init();
        EXPECT_EQ(out.take().find("[FP_INIT]"), std::string::npos);  // restored only during the call
    }
    EXPECT_EQ(fp_debug_sw & SS_FP_DBG_FLAG_INIT, uint32_t(SS_FP_DBG_FLAG_INIT));
    EXPECT_EQ(fp_debug_sw & SS_FP_DBG_FLAG_IN, uint32_t(SS_FP_DBG_FLAG_IN));  // "init" also begins with "in"
    release_handles();
    StdoutCapture out;
    ss_fp_debug_init();
    EXPECT_NE(out.take().find("\n [FP_INIT]: ss_fp_debug_init_sw["), std::string::npos);
}

}  // namespace
