// The per-process debug log file: paths from the process name, creation and
// appending with the opening banner, the closing banner, closing twice and
// after the file was removed, and the refusal of a planted symbolic link.
//
// The paths are fixed under /tmp/zlog and named after the process, so every
// test renames its process (prctl(PR_SET_NAME)) to a name made from its pid:
// tests running at the same time never share a file. Each test removes the
// files it made.
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "fpss_test.h"
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"

using fpss_test::FaultInjector;

namespace {

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Removes one banner from the front of 'text' and returns its seconds, or -1
// (text unchanged) when 'text' does not begin with that banner.
long long take_banner(std::string &text, const char *words) {
    std::string head = std::string("\r\n===== ") + words + "[";
    if (text.compare(0, head.size(), head) != 0) return -1;
    size_t digits = head.size(), end = digits;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    const std::string tail = "] =====\r\n";
    if (end == digits || end - digits > 18 || text.compare(end, tail.size(), tail) != 0) return -1;
    long long secs = std::stoll(text.substr(digits, end - digits));
    text.erase(0, end + tail.size());
    return secs;
}

// The seconds of 'text' when it is exactly one banner, else -1.
long long banner_seconds(std::string text, const char *words) {
    long long secs = take_banner(text, words);
    return text.empty() ? secs : -1;
}

class DebugLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FaultInjector::reset();
        fpss_test::reset_mem_stats();
        fp_debug_file_index = 0;
        if (fp_debug_file_fp != nullptr) {
            std::fclose(fp_debug_file_fp);
            fp_debug_file_fp = nullptr;
        }
        mkdir("/tmp/zlog", 0777);
        name_ = "fpdl" + std::to_string(getpid());
        ASSERT_EQ(prctl(PR_SET_NAME, name_.c_str()), 0);
        path0_ = "/tmp/zlog/" + name_ + "_log0.txt";
        path1_ = "/tmp/zlog/" + name_ + "_log1.txt";
        std::remove(path0_.c_str());
        std::remove(path1_.c_str());
    }
    void TearDown() override {
        FaultInjector::reset();
        if (fp_debug_file_fp != nullptr) {
            std::fclose(fp_debug_file_fp);
            fp_debug_file_fp = nullptr;
        }
        std::remove(path0_.c_str());
        std::remove(path1_.c_str());
        if (!target_.empty()) std::remove(target_.c_str());
    }

    // The content of the first path once the stream's buffer is written out.
    std::string content0() {
        if (fp_debug_file_fp != nullptr) std::fflush(fp_debug_file_fp);
        return read_file(path0_);
    }

    std::string name_, path0_, path1_, target_;
};

TEST_F(DebugLogTest, PathsComeFromTheProcessName) {
    EXPECT_STREQ(fp_debug_file_path_arr[0], "/tmp/zlog/fp_debug_log1.txt") << "default at load";
    EXPECT_STREQ(fp_debug_file_path_arr[1], "/tmp/zlog/fp_debug_log2.txt");
    EXPECT_EQ(init_log_file_path(), 0);
    EXPECT_EQ(fp_debug_file_path_arr[0], path0_);
    EXPECT_EQ(fp_debug_file_path_arr[1], path1_);

    // A later set-up under another name rewrites the same blocks.
    const char *first = fp_debug_file_path_arr[0];
    ASSERT_EQ(prctl(PR_SET_NAME, "ssd"), 0);
    EXPECT_EQ(init_log_file_path(), 0);
    EXPECT_EQ(fp_debug_file_path_arr[0], first);
    EXPECT_STREQ(fp_debug_file_path_arr[0], "/tmp/zlog/ssd_log0.txt");
    EXPECT_STREQ(fp_debug_file_path_arr[1], "/tmp/zlog/ssd_log1.txt");

    // A '/' in the name cannot lead the path out of /tmp/zlog.
    ASSERT_EQ(prctl(PR_SET_NAME, "../etc/x"), 0);
    EXPECT_EQ(init_log_file_path(), 0);
    EXPECT_STREQ(fp_debug_file_path_arr[0], "/tmp/zlog/.._etc_x_log0.txt");
}

TEST_F(DebugLogTest, PathBlocksComeFromTheTrackedAllocator) {
    if (std::strcmp(fp_debug_file_path_arr[0], "/tmp/zlog/fp_debug_log1.txt") != 0)
        GTEST_SKIP() << "needs the paths of a fresh process (CTest runs every test in its own)";
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    malloc_free_sw = 1;
    EXPECT_EQ(init_log_file_path(), 0);
    malloc_free_sw = 0;
    ss_fp_mem_info_t key = {};
    std::strcpy(key.file_name, "app/libss_fp_debug");
    ss_fp_mem_info_t *rec = ss_fp_mem_info_hash_find(&key);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->count, 2);
    ss_fp_size_info_t *size = ss_fp_find_size_info(rec, 64);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->count, 2u);
}

TEST_F(DebugLogTest, FailedPathAllocationKeepsTheDefaults) {
    if (std::strcmp(fp_debug_file_path_arr[0], "/tmp/zlog/fp_debug_log1.txt") != 0)
        GTEST_SKIP() << "needs the paths of a fresh process (CTest runs every test in its own)";
    FaultInjector::fail_all();
    EXPECT_EQ(init_log_file_path(), 0);
    FaultInjector::reset();
    EXPECT_STREQ(fp_debug_file_path_arr[0], "/tmp/zlog/fp_debug_log1.txt");
    EXPECT_STREQ(fp_debug_file_path_arr[1], "/tmp/zlog/fp_debug_log2.txt");
}

TEST_F(DebugLogTest, OpeningCreatesTheFileWithTheBanner) {
    long long before = static_cast<long long>(std::time(nullptr));
    fp_debug_file_open();
    long long after = static_cast<long long>(std::time(nullptr));
    ASSERT_NE(fp_debug_file_fp, nullptr);
    long long secs = banner_seconds(content0(), "fp file log process on");
    EXPECT_GE(secs, before);
    EXPECT_LE(secs, after);
    EXPECT_FALSE(exists(path1_));
}

TEST_F(DebugLogTest, OpeningAnExistingFileAppends) {
    {
        std::ofstream old(path0_, std::ios::binary);
        old << "old line\n";
    }
    fp_debug_file_open();
    ASSERT_NE(fp_debug_file_fp, nullptr);
    std::string text = content0();
    ASSERT_EQ(text.rfind("old line\n", 0), 0u) << text;
    EXPECT_GT(banner_seconds(text.substr(9), "fp file log process on"), 0);
    EXPECT_EQ(fp_debug_statbuff.st_size, 9) << "the status of the file before opening";
}

TEST_F(DebugLogTest, OpeningTwiceKeepsOneStreamWithTwoBanners) {
    fp_debug_file_open();
    fp_debug_file_open();
    ASSERT_NE(fp_debug_file_fp, nullptr);
    std::string text = content0();
    EXPECT_GT(take_banner(text, "fp file log process on"), 0);
    EXPECT_EQ(banner_seconds(text, "fp file log process on") > 0, true) << text;
}

TEST_F(DebugLogTest, ClosingWritesTheClosingBanner) {
    fp_debug_file_open();
    ASSERT_NE(fp_debug_file_fp, nullptr);
    std::fflush(fp_debug_file_fp);
    size_t opened = read_file(path0_).size();
    long long before = static_cast<long long>(std::time(nullptr));
    EXPECT_EQ(fp_debug_file_close(), 0);
    EXPECT_EQ(fp_debug_file_fp, nullptr);
    std::string tail = read_file(path0_).substr(opened);
    long long secs = banner_seconds(tail, "fp file debug off");
    EXPECT_GE(secs, before);
    EXPECT_LE(secs, static_cast<long long>(std::time(nullptr)));

    // A second close finds no stream: 0, nothing written.
    std::string all = read_file(path0_);
    EXPECT_EQ(fp_debug_file_close(), 0);
    EXPECT_EQ(read_file(path0_), all);
}

TEST_F(DebugLogTest, ClosingARemovedFileFailsAndKeepsTheStream) {
    fp_debug_file_open();
    ASSERT_NE(fp_debug_file_fp, nullptr);
    FILE *stream = fp_debug_file_fp;
    ASSERT_EQ(std::remove(path0_.c_str()), 0);
    EXPECT_NE(fp_debug_file_close(), 0);
    EXPECT_EQ(fp_debug_file_fp, stream);
    EXPECT_FALSE(exists(path0_));
}

TEST_F(DebugLogTest, APlantedSymbolicLinkIsNotFollowed) {
    target_ = "/tmp/zlog/" + name_ + "_target.txt";
    {
        std::ofstream t(target_, std::ios::binary);
        t << "precious";
    }
    ASSERT_EQ(symlink(target_.c_str(), path0_.c_str()), 0);
    fp_debug_file_open();
    EXPECT_EQ(fp_debug_file_fp, nullptr);
    EXPECT_EQ(read_file(target_), "precious");

    // A dangling link does not create its target either.
    std::remove(target_.c_str());
    fp_debug_file_open();
    EXPECT_EQ(fp_debug_file_fp, nullptr);
    EXPECT_FALSE(exists(target_));
}

TEST_F(DebugLogTest, AnIndexOutsideTheTwoPathsOpensNothing) {
    fp_debug_file_index = 2;
    EXPECT_NE(fp_debug_file_open(), 0);
    EXPECT_EQ(fp_debug_file_fp, nullptr);
    EXPECT_NE(fp_debug_file_close(), 0);
    fp_debug_file_index = -1;
    EXPECT_NE(fp_debug_file_open(), 0);
    EXPECT_EQ(fp_debug_file_fp, nullptr);
    fp_debug_file_index = 0;
}

TEST_F(DebugLogTest, TheSecondPathWhenTheProcessSelectsIt) {
    fp_debug_file_index = 1;
    fp_debug_file_open();
    ASSERT_NE(fp_debug_file_fp, nullptr);
    EXPECT_FALSE(exists(path0_));
    EXPECT_EQ(fp_debug_file_close(), 0);
    std::string text = read_file(path1_);
    EXPECT_GT(take_banner(text, "fp file log process on"), 0);
    EXPECT_GT(banner_seconds(text, "fp file debug off"), 0);
    fp_debug_file_index = 0;
}

TEST_F(DebugLogTest, DebugStartUpStartsTheTableAndOpensTheLog) {
    EXPECT_EQ(libss_fp_debug_init(), 0);
    EXPECT_EQ(is_hash_init, 1);
    ASSERT_NE(fp_debug_file_fp, nullptr);
    EXPECT_STREQ(fp_debug_file_path_arr[0], path0_.c_str());
    EXPECT_GT(banner_seconds(content0(), "fp file log process on"), 0);
}

}  // namespace
