// Operation log: record lines, start-up and its failures, process names, file switches at a limit set by the
// machine's memory, the zero test; mostly as transcripts against tests/data/oplog/.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <glob.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <regex>

#include "fpss_test.h"
#include "oplog_fakes.h"
#include "ss_fp_debug.h"
#include "ss_fp_log_op.h"

using namespace fpss_test;
using namespace std::string_literals;

namespace {

const std::string kDir = "/tmp/zlog/ss_fp_log/";

std::string take_files() {  // the files in the log directory, each removed once listed
    glob_t found{};
    glob((kDir + "*").c_str(), 0, nullptr, &found);
    std::string out;
    for (size_t i = 0; i < found.gl_pathc; ++i) out += std::string(found.gl_pathv[i]) + " ", unlink(found.gl_pathv[i]);
    return globfree(&found), out;
}

std::string reports() { return PlatformRecorder::reports(); }  // handed to the platform log since the last reset

class OpLog : public testing::Test {
  protected:
    void SetUp() override {
        std::string name = "ol" + std::to_string(getpid());
        ASSERT_EQ(prctl(PR_SET_NAME, name.c_str()), 0);
        path_ = kDir + name + ".log", path1_ = kDir + name + "_1.log";
        TearDown(), umask(022);               // files are made with the usual mode
        g_policy_error_zlog_category = this;  // any handle: the test program records the reports
    }
    void TearDown() override {
        for (const std::string &p : {path_, path1_, path_ + ".target"}) unlink(p.c_str());
    }
    // A transcript step: result, output and reports, then each file's mode (decimal), size and last 48 bytes.
    void step(const std::string &what, const std::function<int64_t()> &fn) {
        PlatformRecorder::reset();
        int64_t rv = 0;
        log_ += what + " -> " + flushed_output([&] { rv = fn(); });
        log_ += " " + std::to_string(rv) + "\n" + reports();
        for (const std::string &p : {path_, path1_}) {
            struct stat st = {};  // a FIFO is not opened: that would wait for a writer
            const int fd = stat(p.c_str(), &st) != 0 || S_ISFIFO(st.st_mode) ? -1 : open(p.c_str(), O_RDONLY);
            char tail[48];
            const ssize_t n = fd < 0 ? 0 : pread(fd, tail, sizeof tail, st.st_size > 48 ? st.st_size - 48 : 0);
            for (ssize_t i = 0; i < n; ++i) tail[i] = tail[i] == '\0' ? '.' : tail[i] == '\n' ? '|' : tail[i];
            log_ += "  " + std::to_string(st.st_mode & 0777) + " " + std::to_string(st.st_size) + " ";
            log_ += std::string(tail, size_t(n > 0 ? n : 0)) + "\n";
            close(fd);
        }
    }
    static void grow(const std::string &path, off_t size) { ASSERT_EQ(truncate(path.c_str(), size), 0); }
    std::string path_, path1_, log_;
};

TEST_F(OpLog, EveryRecordLine) {
    const ss_fp_appmng_acl_t acl{5, 2, 9, 1};
    ss_fp_appmng_ace_t ace{};
    ace.sn = 26, ace.sub_sn = 0xbeef, ace.is_default = 1, ace.ace_pri = UINT64_MAX;
    ss_fp_appmng_apply_t apply{};
    apply.phyid = 0x1c2, apply.app_type = 12, apply.direction = 1, apply.pri = -1;
    const ssd_policy_pcl_t pcl{1, {9}, 2, {9}, 0x1234567890abcdefull, {9}, 3, 4, {9}, 5, 6, 7};
    const ssd_policy_pcl_apply_t pcl_apply{2, -3, {1, 2, 3, 0xdeadbeef}};
    uint8_t zero[32] = {}, late[32] = {}, head[32] = {};
    late[31] = 1;  // beyond the printed head: printed all the same
    for (int i = 0; i < 16; ++i) head[i] = uint8_t(0xa0 + i);
    auto write_all = [&] {  // every writer, with and without its records
        int64_t sum = 0;
        for (int64_t rv :
             {ss_fp_log_op_acl(&acl, nullptr, 0), ss_fp_log_op_acl(nullptr, head, 3), ss_fp_log_op_acl(&acl, zero, 1),
              ss_fp_log_op_acl(&acl, late, 2), ss_fp_log_op_ace(&acl, &ace, head, 0),
              ss_fp_log_op_ace(nullptr, nullptr, late, -1), ss_fp_log_op_apply(&acl, &apply, late, 1),
              ss_fp_log_op_apply(nullptr, nullptr, zero, 2), ss_fp_log_notify("port", 4, -2, 7),
              ss_fp_log_notify(nullptr, 4, -2, 7), ss_fp_log_notify(std::string(3000, 'x').c_str(), 4, -2, 7),
              ssd_policy_log_op_pcl(&pcl, 0), ssd_policy_log_op_pcl(nullptr, INT32_MIN),
              ssd_policy_log_op_pcl_apply(&pcl_apply, 0), ssd_policy_log_op_pcl_apply(nullptr, 1),
              ssd_policy_log("abc"), ssd_policy_log(nullptr), ssd_policy_log(std::string(3000, 'x').c_str())})
            sum += rv != 0;
        return sum;
    };
    EXPECT_EQ(write_all(), 0);  // no start-up: the first writer runs it
    EXPECT_EQ(reports() + read_file(path1_), "\n--------------log file1-------------\n");
    const std::string written = read_file(path_);
    oplog_fakes::time_fails = true;  // no line without the time text
    EXPECT_EQ(write_all(), 0);
    EXPECT_EQ(read_file(path_), written);
    EXPECT_TRUE(golden("oplog/lines.txt", written + reports()));
    oplog_fakes::time_fails = false;
    auto cut_short = [&] {  // nor part of one: a file that cannot take the whole line hands it to the other one
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{rlim_t(written.size() + 10), RLIM_INFINITY};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0 && ssd_policy_log("abc") == 0 && read_file(path_) == written &&
               read_file(path1_) == "\n--------------log file-------------\n" + oplog_fakes::kTime + "--abc \n";
    };
    EXPECT_EXIT(_exit(cut_short() ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST_F(OpLog, FilesTakeTurnsAtALimitSetByTheMachinesMemory) {
    // {units of memory, bytes a unit (0 counts as 1), the query fails, size limit}: at and just above 2 GiB,
    // a unit of 0, more KiB than a signed count holds, more bytes than 64 bits hold, nothing, 1 KiB, no answer.
    const unsigned long rows[][4] = {
        {0x200000, 1024, 0, 0x80000}, {0x200001, 1024, 0, 0x800000},  {0x200000ul << 10, 0, 0, 0x80000},
        {3ul << 40, 1, 0, 0x800000},  {1ul << 55, 1024, 0, 0x800000}, {0, 1024, 0, 0x80000},
        {1, 1024, 0, 0x80000},        {0, 1024, 1, 0x80000}};
    for (const auto &r : rows) {
        oplog_fakes::ram = r[0], oplog_fakes::unit = unsigned(r[1]), oplog_fakes::mem_fails = r[2] != 0;
        const off_t limit = off_t(r[3]);
        step("start", [&] { return TearDown(), ss_fp_log_op_init(); });
        step("first at it, log", [&] { return grow(path_, limit), ssd_policy_log("stays"); });
        step("log", [] { return ssd_policy_log("moves"); });
        step("second over it, log", [&] { return grow(path1_, limit + 1), ssd_policy_log("back"); });
    }
    EXPECT_EQ(ss_fp_get_memtotal_kb(), 0xffffffffu);  // the failed query's own result
    oplog_fakes::ram = 0x200000, oplog_fakes::mem_fails = false;
    // Restarts, and files that are not regular files.
    step("start", [] { return ss_fp_log_op_init(); });
    step("first file past the limit, log", [&] { return grow(path_, 0x80001), ssd_policy_log("a"); });
    step("first file shrunk, restart", [&] { return grow(path_, 10), ss_fp_log_op_init(); });
    step("log", [] { return ssd_policy_log("b"); });
    step("first file past the limit, restart", [&] { return grow(path_, 0x80001), ss_fp_log_op_init(); });
    step("log", [] { return ssd_policy_log("c"); });
    step("second file removed, log", [&] { return unlink(path1_.c_str()), ssd_policy_log("d"); });
    const std::string target = path_ + ".target";
    ASSERT_TRUE(write_file(target, "precious") && unlink(path1_.c_str()) == 0 &&
                symlink(target.c_str(), path1_.c_str()) == 0);
    step("second file a link, restart", [] { return ss_fp_log_op_init(); });
    step("log", [] { return ssd_policy_log("lost"); });
    ASSERT_TRUE(unlink(path1_.c_str()) == 0 && ss_fp_log_op_init() == 0 && unlink(path1_.c_str()) == 0 &&
                symlink(target.c_str(), path1_.c_str()) == 0);
    step("second a link, first past the limit, log", [&] { return grow(path_, 0x80001), ssd_policy_log("lost"); });
    step("log", [] { return ss_fp_log_notify("lost", 1, 2, 3); });
    ASSERT_TRUE(unlink(path1_.c_str()) == 0 && mkfifo(path1_.c_str(), 0600) == 0);
    const int reader = open(path1_.c_str(), O_RDONLY | O_NONBLOCK);
    const size_t fds = open_descriptors();
    PlatformRecorder::reset();
    const int64_t rv = ssd_policy_log_op_pcl(nullptr, 0), start = ss_fp_log_op_init();
    EXPECT_TRUE(reader >= 0 && open_descriptors() == fds) << "nothing left open";
    log_ += "second file a FIFO with a reader, log, restart -> " + std::to_string(rv) + " " + std::to_string(start);
    EXPECT_TRUE(golden("oplog/files.txt", log_ + "\n" + reports()));
}

TEST_F(OpLog, TreeMadeFromNothingAndTheProcessNameFromTheStatusFile) {
    {
        PrivateMounts mounts(true);  // the status file is the test's
        if (!mounts.ok) GTEST_SKIP() << "no private mounts here";
        umask(022);  // the tree is made as "mkdir -p" makes it
        // A file in the tree's way: the start-up fails, and each writer runs it again.
        for (const auto &[dir, file] :
             {std::pair<const char *, const char *>{nullptr, "/tmp/zlog"}, {"/tmp/zlog", "/tmp/zlog/ss_fp_log"}}) {
            ASSERT_TRUE((dir == nullptr || mkdir(dir, 0777) == 0) && write_file(file, ""));
            log_ += std::to_string(ss_fp_log_op_init()) + " " + std::to_string(ssd_policy_log("lost")) + "\n";
            ASSERT_TRUE(unlink(file) == 0 && (dir == nullptr || rmdir(dir) == 0));
        }
        // Then the names that the process status file gives ("-": none, "/": a directory), and the paths made.
        const std::string proc = "/proc/" + std::to_string(getpid()), status = proc + "/status";
        close(0);  // the status file may open as descriptor 0
        for (const std::string &s :
             {std::string("-"), std::string(), "Name:\nState:\tR (running)\n"s, "Name:\tab/cd\nState:\tR (running)\n"s,
              "Name:" + std::string(50, '\t') + "abcdefghij\n", "Name:\t" + std::string(56, 'x') + "\n",
              "Name:\t\xe9/\n"s, "Name:\tx\n"s, "N"s, "/"s}) {
            ASSERT_TRUE(s == "-" || ((mkdir(proc.c_str(), 0755) == 0 || errno == EEXIST) &&
                                     (s == "/" ? unlink(status.c_str()) == 0 && mkdir(status.c_str(), 0755) == 0
                                               : write_file(status, s))));
            errno = EINTR;  // left over from an earlier call: an empty file must still end the read
            const int64_t rv = ss_fp_log_op_init(), debug_rv = init_log_file_path();
            log_ += std::regex_replace(s, std::regex("\\s+"), " ") + ": " + std::to_string(rv) + " " +
                    std::to_string(debug_rv);
            log_ += " " + take_files() + fp_debug_file_path_arr[0] + "\n";
        }
        struct stat st = {};
        EXPECT_TRUE(stat(kDir.c_str(), &st) == 0 && (st.st_mode & 0777) == 0755) << std::oct << st.st_mode;
    }  // the mounts hide the data files when they live under /tmp
    EXPECT_TRUE(
        golden("oplog/names.txt", std::regex_replace(log_ + reports(), std::regex(std::to_string(getpid())), "<pid>")));
}

TEST_F(OpLog, ZeroTestByWordsAndByBytes) {
    // {offset, length, byte set (-1: none)}; then no bytes at all
    const int rows[][3] = {{0, 16, -1}, {0, 16, 0},  {0, 16, 15},  {0, 16, 16}, {16, 7, -1}, {16, 7, 16},
                           {16, 7, 22}, {16, 7, 23}, {23, 16, 38}, {0, 1, -1},  {0, 0, -1},  {0, -8, -1}};
    for (const auto &r : rows) {
        alignas(8) uint8_t buf[40] = {};
        if (r[2] >= 0) buf[r[2]] = 0x80;
        log_ += std::to_string(r[0]) + " " + std::to_string(r[1]) + " " + std::to_string(r[2]) + ": ";
        log_ += std::to_string(ss_fp_is_array_equal_zero(buf + r[0], r[1])) + "\n";
    }
    log_ += std::to_string(ss_fp_is_array_equal_zero(nullptr, 8)) + "\n";  // as for no bytes
    log_ += reports();
    EXPECT_TRUE(golden("oplog/zero.txt", log_));
}

}  // namespace
