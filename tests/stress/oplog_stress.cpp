// Eight threads writing operation-log lines of one fixed length across several
// file switches. Lines are serialised by the log's lock, so the files' final
// state follows from the line count alone: every line must be whole, the
// switches must happen exactly where the size rule puts them (a second switch
// by a thread that crossed the limit together with another would empty a file
// again and lose lines), and each thread's lines keep their order.
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "oplog_fakes.h"
#include "ss_fp_log_op.h"

namespace {

constexpr int kThreads = 8;
constexpr int kLines = 2500;
constexpr long kLimit = 524288;  // a machine of 2 GiB
const std::string kHeader = "\n--------------log file-------------\n";
const std::string kHeader1 = "\n--------------log file1-------------\n";
const std::string kPad(60, 'p');

std::string text_of(int thread, int seq) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "t%d-%06d-", thread, seq);
    return buf + kPad;
}

std::string slurp(const std::string &path) {
    std::string out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

// The lines of one file after its header; checks that each is whole, comes
// from a known thread and keeps that thread's order. Returns the line count.
size_t check_file(const std::string &content, const std::string &header, std::map<std::string, int> &seen) {
    EXPECT_EQ(content.compare(0, header.size(), header), 0) << "file does not start with its header";
    const std::string lead = std::string(oplog_fakes::kTime) + "--";
    std::vector<int> last(kThreads, -1);
    size_t count = 0;
    size_t pos = header.size();
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        if (nl == std::string::npos) {
            ADD_FAILURE() << "torn last line";
            break;
        }
        std::string l = content.substr(pos, nl - pos);
        pos = nl + 1;
        ++count;
        int t = -1, seq = -1;
        if (l.compare(0, lead.size(), lead) != 0 ||
            std::sscanf(l.c_str() + lead.size(), "t%d-%d-", &t, &seq) != 2 || t < 0 || t >= kThreads ||
            l != lead + text_of(t, seq) + " ") {
            ADD_FAILURE() << "malformed line: " << l;
            continue;
        }
        EXPECT_GT(seq, last[t]) << "thread " << t << " out of order";
        last[t] = seq;
        EXPECT_EQ(++seen[l], 1) << "line written twice: " << l;
    }
    return count;
}

TEST(OpLogStress, EightThreadsSwitchFilesExactlyWhereTheSizeRuleSays) {
    char name[16];
    std::snprintf(name, sizeof name, "ols%d", int(getpid()));
    ASSERT_EQ(prctl(PR_SET_NAME, name), 0);
    const std::string path = std::string("/tmp/zlog/ss_fp_log/") + name + ".log";
    const std::string path1 = std::string("/tmp/zlog/ss_fp_log/") + name + "_1.log";
    unlink(path.c_str());
    unlink(path1.c_str());
    oplog_fakes::inject_memory_kb(0x200000);

    // No explicit start-up: the first writers race to run it.
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kLines; ++i)
                if (ssd_policy_log(text_of(t, i).c_str()) != 0) ++failures[t];
        });
    }
    for (auto &th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;

    // Replay the size rule for the same number of equal lines.
    const long len = long(std::string(oplog_fakes::kTime).size() + 2 + text_of(0, 0).size() + 2);
    long size[2] = {long(kHeader.size()), long(kHeader1.size())};
    size_t count[2] = {0, 0};
    int cur = 0, switches = 0;
    for (int n = 0; n < kThreads * kLines; ++n) {
        if (size[cur] > kLimit) {
            cur = 1 - cur;
            size[cur] = long(kHeader.size());
            count[cur] = 0;
            ++switches;
        }
        size[cur] += len;
        ++count[cur];
    }
    ASSERT_GE(switches, 3);

    std::map<std::string, int> seen;
    const std::string files[2] = {slurp(path), slurp(path1)};
    // Both files have been switched to, so both carry the first file's header.
    EXPECT_EQ(check_file(files[cur], kHeader, seen), count[cur]) << "lines after the last switch";
    EXPECT_EQ(check_file(files[1 - cur], kHeader, seen), count[1 - cur]) << "lines before it";
    EXPECT_EQ(long(files[0].size()), size[0]);
    EXPECT_EQ(long(files[1].size()), size[1]);

    unlink(path.c_str());
    unlink(path1.c_str());
}

}  // namespace
