// Eight threads write equal operation-log lines across file switches, with no start-up first. The end state
// follows from the line count: switches exactly where the size rule puts them (not twice for two threads
// crossing the limit together), whole lines in thread order.
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "fpss_test.h"
#include "oplog_fakes.h"
#include "ss_fp_log_op.h"

TEST(OpLogStress, ThreadsSwitchFilesExactlyWhereTheSizeRuleSays) {
    constexpr int kThreads = 8, kLines = 2500;
    auto text_of = [](int t, int i) { return std::to_string((t + 1) * 10000000 + i) + std::string(60, '.'); };
    const std::string name = "ols" + std::to_string(getpid()), path = "/tmp/zlog/ss_fp_log/" + name;
    const std::string files[2] = {path + ".log", path + "_1.log"}, header = "\n--------------log file-------------\n";
    ASSERT_EQ(prctl(PR_SET_NAME, name.c_str()), 0);
    for (const auto &f : files) unlink(f.c_str());
    std::atomic<int64_t> results{0};
    fpss_test::run_threads(kThreads, [&](int t) {
        for (int i = 0; i < kLines; ++i) results += ssd_policy_log(text_of(t, i).c_str());
    });
    EXPECT_EQ(results, 0);
    const size_t len = oplog_fakes::kTime.size() + 2 + text_of(0, 0).size() + 2;
    size_t size[2] = {header.size(), header.size() + 1};  // the size rule replayed: 512 KiB on the fakes' machine
    int cur = 0, switches = 0;
    for (int n = 0; n < kThreads * kLines; ++n) {
        if (size[cur] > 0x80000) cur = 1 - cur, size[cur] = header.size(), ++switches;
        size[cur] += len;
    }
    ASSERT_GE(switches, 3);
    int last[kThreads] = {-1, -1, -1, -1, -1, -1, -1, -1};
    for (int f : {1 - cur, cur}) {  // the lines before the last switch, then those after it
        const std::string text = fpss_test::read_file(files[f]);
        unlink(files[f].c_str());
        ASSERT_EQ(text.size(), size[f]) << "file " << f;
        EXPECT_EQ(text.compare(0, header.size(), header), 0);  // both have been switched to
        for (size_t pos = header.size(); pos < text.size(); pos += len) {
            int n = 0;  // the thread, from 1, then its line's number in seven digits
            std::sscanf(text.c_str() + pos + oplog_fakes::kTime.size(), "--%8d", &n);
            const int t = n / 10000000 - 1, seq = n % 10000000;
            ASSERT_TRUE(t >= 0 && t < kThreads &&
                        text.substr(pos, len) == oplog_fakes::kTime + "--" + text_of(t, seq) + " \n")
                << pos;
            EXPECT_GT(seq, last[t]) << "thread " << t;
            last[t] = seq;
        }
    }
}
