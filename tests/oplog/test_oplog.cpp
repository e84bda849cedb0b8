// Operation log: the files and their rotation, and every record line.
//
// The log lives at fixed paths named after the process, so each test renames
// its process (prctl(PR_SET_NAME)) to a name of its own, made from the process
// id: tests of this program may run at the same time, in this build or
// another. Cases that need a fresh library state or a private /tmp run in a
// forked child; the cases that must break the directory itself do so inside a
// private mount namespace, never in the real /tmp.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fpss_test.h"
#include "oplog_fakes.h"
#include "ss_fp_log_op.h"
#include "ss_fp_report.h"

using fpss_test::PlatformRecorder;
using fpss_test::StdoutCapture;

namespace {

constexpr char kDir[] = "/tmp/zlog/ss_fp_log";
const std::string kHeader = "\n--------------log file-------------\n";
const std::string kHeader1 = "\n--------------log file1-------------\n";
constexpr off_t kSmallLimit = 524288;
constexpr off_t kLargeLimit = 8388608;

std::string slurp(const std::string &path) {
    std::string out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "<missing>";
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

off_t size_of(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

void write_file(const std::string &path, const std::string &text) {
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// The line a writer appends for 'body'.
std::string line(const std::string &body) { return std::string(oplog_fakes::kTime) + "--" + body + "\n"; }

// Reports handed to the platform log since the last reset, as "func: text".
std::vector<std::string> reports() {
    std::vector<std::string> out;
    for (const auto &c : PlatformRecorder::zlog_calls()) out.push_back(c.func + ": " + c.text);
    return out;
}

// Runs 'body' in a forked child and returns what it wrote to its channel.
std::string in_child(const std::function<std::string()> &body) {
    int fds[2];
    if (pipe(fds) != 0) return "<pipe>";
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string out = body();
        ssize_t ignored = write(fds[1], out.data(), out.size());
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out += "<child failed>";
    return out;
}

// In a child: a private mount namespace with an empty tmpfs on 'where'.
bool private_mount(const char *where) {
    return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", where, "tmpfs", 0, "size=1m") == 0;
}

int category_tag;

class OpLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int serial = 0;
        std::snprintf(name_, sizeof name_, "ol%d_%d", int(getpid()), ++serial);
        ASSERT_EQ(prctl(PR_SET_NAME, name_), 0);
        path_ = std::string(kDir) + "/" + name_ + ".log";
        path1_ = std::string(kDir) + "/" + name_ + "_1.log";
        unlink(path_.c_str());
        unlink(path1_.c_str());
        oplog_fakes::reset();
        fp_debug_sw = 0;
        g_policy_error_zlog_level = 6;
        g_policy_error_zlog_category = &category_tag;
        PlatformRecorder::reset();
    }
    void TearDown() override {
        unlink(path_.c_str());
        unlink(path1_.c_str());
        if (!scratch_.empty()) {
            unlink((scratch_ + "/target").c_str());
            rmdir(scratch_.c_str());
        }
        oplog_fakes::reset();
        g_policy_error_zlog_category = nullptr;
    }

    // Start-up on a machine of 'kb' KiB (the small limit for 2 GiB and less).
    void start(unsigned long kb = 0x200000) {
        oplog_fakes::inject_memory_kb(kb);
        ASSERT_EQ(ss_fp_log_op_init(), 0);
        ASSERT_EQ(slurp(path_), kHeader);
        ASSERT_EQ(slurp(path1_), kHeader1);
        PlatformRecorder::reset();
    }
    static void text(const char *t) { ASSERT_EQ(ssd_policy_log(t), 0); }
    static void grow(const std::string &path, off_t size) { ASSERT_EQ(truncate(path.c_str(), size), 0); }

    // A file outside the log directory that a planted link points to.
    std::string target() {
        char tmpl[] = "/tmp/oplog_target_XXXXXX";
        char *dir = mkdtemp(tmpl);
        if (dir == nullptr) return "";
        scratch_ = dir;
        std::string t = scratch_ + "/target";
        write_file(t, "precious\n");
        return t;
    }

    char name_[16];
    std::string path_, path1_, scratch_;
};

// ---- Start-up and files ----

TEST_F(OpLogTest, StartupNamesBothFilesAfterTheProcessAndWritesTheirHeaders) {
    start();
    struct stat st;
    ASSERT_EQ(stat(kDir, &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(ssd_policy_log("abc"), 0);
    EXPECT_EQ(slurp(path_), kHeader + std::string(oplog_fakes::kTime) + "--abc \n");
    EXPECT_EQ(slurp(path1_), kHeader1);
    EXPECT_TRUE(reports().empty());
}

TEST_F(OpLogTest, FirstWriterRunsTheStartupItself) {
    std::string out = in_child([&] {
        oplog_fakes::inject_memory_kb(0x200000);
        int64_t rv = ssd_policy_log("first");
        return std::to_string(rv) + "|" + slurp(path_) + "|" + slurp(path1_);
    });
    EXPECT_EQ(out, "0|" + kHeader + line("first ") + "|" + kHeader1);
}

TEST_F(OpLogTest, NamesThatCannotBeFileNamesAreMadeSafe) {
    // A '/' would lead out of the directory.
    std::string slashed = "o/" + std::to_string(getpid());
    ASSERT_EQ(prctl(PR_SET_NAME, slashed.c_str()), 0);
    std::string safe = std::string(kDir) + "/o_" + std::to_string(getpid());
    unlink((safe + ".log").c_str());
    unlink((safe + "_1.log").c_str());
    ASSERT_EQ(ss_fp_log_op_init(), 0);
    EXPECT_EQ(slurp(safe + ".log"), kHeader);
    EXPECT_EQ(slurp(safe + "_1.log"), kHeader1);
    unlink((safe + ".log").c_str());
    unlink((safe + "_1.log").c_str());

    // An empty name gives the process id.
    ASSERT_EQ(prctl(PR_SET_NAME, ""), 0);
    std::string by_pid = std::string(kDir) + "/" + std::to_string(getpid());
    ASSERT_EQ(ss_fp_log_op_init(), 0);
    EXPECT_EQ(slurp(by_pid + ".log"), kHeader);
    EXPECT_EQ(slurp(by_pid + "_1.log"), kHeader1);
    unlink((by_pid + ".log").c_str());
    unlink((by_pid + "_1.log").c_str());
}

TEST_F(OpLogTest, UnreadableProcessStatusGivesTheProcessId) {
    std::string out = in_child([] {
        if (!private_mount("/tmp") || !private_mount("/proc")) return std::string("skip");
        int rv = ss_fp_log_op_init();
        std::string base = std::string(kDir) + "/" + std::to_string(getpid());
        return std::to_string(rv) + "|" + slurp(base + ".log") + "|" + slurp(base + "_1.log");
    });
    if (out == "skip") GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(out, "0|" + kHeader + "|" + kHeader1);
}

TEST_F(OpLogTest, DirectoryThatCannotBeCreatedFailsEveryStartup) {
    std::string out = in_child([] {
        if (!private_mount("/tmp")) return std::string("skip");
        // A regular file where the directory's parent should be.
        FILE *f = std::fopen("/tmp/zlog", "w");
        if (f == nullptr) return std::string("no file");
        std::fclose(f);
        PlatformRecorder::reset();
        std::string out = std::to_string(ss_fp_log_op_init());
        out += "|" + std::to_string(ssd_policy_log("lost"));
        out += "|" + std::to_string(ss_fp_log_notify("t", 1, 2, 3));
        for (const auto &r : reports()) out += "|" + r;
        // Once the obstacle is gone, the start-up makes the whole tree.
        unlink("/tmp/zlog");
        out += "|" + std::to_string(ss_fp_log_op_init());
        struct stat st;
        out += stat(kDir, &st) == 0 && S_ISDIR(st.st_mode) ? "|dir" : "|no dir";
        return out;
    });
    if (out == "skip") GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(out,
              "-1|0|0"
              "|ss_fp_log_op_init: ss_fp_dir create fail.\n"
              "|ss_fp_log_op_init: ss_fp_dir create fail.\n"
              "|ss_fp_log_op_init: ss_fp_dir create fail.\n"
              "|0|dir");
}

// ---- Rotation ----

TEST_F(OpLogTest, FileSwitchesOnlyWhenLargerThanTheLimit) {
    start(0x200000);
    grow(path_, kSmallLimit);
    text("stays");
    EXPECT_EQ(size_of(path_), kSmallLimit + off_t(line("stays ").size()));
    text("moves");
    EXPECT_EQ(slurp(path1_), kHeader + std::string(oplog_fakes::kTime) + "--moves \n");
    EXPECT_EQ(size_of(path_), kSmallLimit + off_t(line("stays ").size()));
    text("next");
    EXPECT_EQ(slurp(path1_), kHeader + std::string(oplog_fakes::kTime) + "--moves \n" + oplog_fakes::kTime + "--next \n");

    // And back: the first file is emptied and takes the first file's header.
    grow(path1_, kSmallLimit + 1);
    text("back");
    EXPECT_EQ(slurp(path_), kHeader + std::string(oplog_fakes::kTime) + "--back \n");
    EXPECT_EQ(size_of(path1_), kSmallLimit + 1);
}

TEST_F(OpLogTest, MachinesAbove2GiBGetThe8MiBLimit) {
    start(0x200001);
    grow(path_, kSmallLimit + 1);
    text("a");
    grow(path_, kLargeLimit);
    text("b");
    EXPECT_EQ(size_of(path_), kLargeLimit + off_t(line("b ").size()));
    EXPECT_EQ(slurp(path1_), kHeader1);
    grow(path_, kLargeLimit + 1);
    text("c");
    EXPECT_EQ(slurp(path1_), kHeader + std::string(oplog_fakes::kTime) + "--c \n");
}

TEST_F(OpLogTest, RestartAppendsBothHeadersAndResumesInTheFirstFile) {
    start();
    grow(path_, kSmallLimit + 1);
    text("a");
    std::string second = kHeader + std::string(oplog_fakes::kTime) + "--a \n";
    ASSERT_EQ(slurp(path1_), second);

    // The first file has shrunk meanwhile: writing resumes there.
    grow(path_, 10);
    ASSERT_EQ(ss_fp_log_op_init(), 0);
    EXPECT_EQ(slurp(path1_), second + kHeader1);
    text("b");
    EXPECT_EQ(slurp(path_), kHeader.substr(0, 10) + kHeader + oplog_fakes::kTime + "--b \n");

    // Restarting with the first file over the limit: the first line empties
    // the second file and goes there.
    grow(path_, kSmallLimit + 1);
    ASSERT_EQ(ss_fp_log_op_init(), 0);
    EXPECT_EQ(size_of(path_), kSmallLimit + 1 + off_t(kHeader.size()));
    text("c");
    EXPECT_EQ(slurp(path1_), kHeader + std::string(oplog_fakes::kTime) + "--c \n");
    EXPECT_EQ(size_of(path_), kSmallLimit + 1 + off_t(kHeader.size()));
}

TEST_F(OpLogTest, FailedMemoryQueryStillStartsWithTheSmallLimit) {
    oplog_fakes::mem_mode = oplog_fakes::Mem::kFails;
    ASSERT_EQ(ss_fp_log_op_init(), 0);
    EXPECT_EQ(reports(), (std::vector<std::string>{"ss_fp_get_memtotal_kb: sysinfo fail, rv:-1.\n",
                                                   "ss_fp_log_op_init: get_memtotal_kb fail.\n"}));
    grow(path_, kSmallLimit + 1);
    text("a");
    EXPECT_EQ(slurp(path1_), kHeader + std::string(oplog_fakes::kTime) + "--a \n");
}

TEST_F(OpLogTest, RemovedFileIsMadeAgainAndCountsAsEmpty) {
    start();
    text("a");
    ASSERT_EQ(unlink(path_.c_str()), 0);
    text("b");
    EXPECT_EQ(slurp(path_), std::string(oplog_fakes::kTime) + "--b \n");
    EXPECT_EQ(slurp(path1_), kHeader1);
}

// ---- Planted links ----

TEST_F(OpLogTest, LinkPlantedBeforeStartupIsRefused) {
    std::string t = target();
    ASSERT_FALSE(t.empty());
    ASSERT_EQ(symlink(t.c_str(), path1_.c_str()), 0);
    oplog_fakes::inject_memory_kb(0x200000);
    EXPECT_EQ(ss_fp_log_op_init(), -1);
    EXPECT_EQ(ssd_policy_log("lost"), 0);
    EXPECT_EQ(slurp(t), "precious\n");
    EXPECT_EQ(reports(), (std::vector<std::string>{"ss_fp_log_op_init: fp_udp_open log 1 fail.\n",
                                                   "ss_fp_log_op_init: fp_udp_open log 1 fail.\n"}));
}

TEST_F(OpLogTest, LinkPlantedInPlaceOfEitherFileIsNeverFollowed) {
    start();
    std::string t = target();
    ASSERT_FALSE(t.empty());
    // The other file, at a switch: it is not emptied, the line is dropped.
    ASSERT_EQ(unlink(path1_.c_str()), 0);
    ASSERT_EQ(symlink(t.c_str(), path1_.c_str()), 0);
    grow(path_, kSmallLimit + 1);
    StdoutCapture out;
    EXPECT_EQ(ssd_policy_log("lost"), 0);
    EXPECT_EQ(out.take(), "open file fail");
    EXPECT_EQ(slurp(t), "precious\n");
    // The current file: the line is dropped.
    EXPECT_EQ(ss_fp_log_notify("t", 1, 2, 3), 0);
    EXPECT_EQ(slurp(t), "precious\n");
    EXPECT_EQ(reports(), (std::vector<std::string>{"ssd_policy_log: log acl open fail.\n",
                                                   "ss_fp_log_notify: log acl open fail.\n"}));
}

TEST_F(OpLogTest, FifoInPlaceOfTheFileDoesNotBlockTheWriter) {
    start();
    ASSERT_EQ(unlink(path_.c_str()), 0);
    ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
    EXPECT_EQ(ssd_policy_log("lost"), 0);
    EXPECT_EQ(reports(), std::vector<std::string>{"ssd_policy_log: log acl open fail.\n"});
}

// ---- Memory size and zero test ----

TEST_F(OpLogTest, MemorySizeIsTheTotalInKiB) {
    oplog_fakes::mem_totalram = 1ul << 30;
    oplog_fakes::mem_unit = 1;
    oplog_fakes::mem_mode = oplog_fakes::Mem::kInjected;
    EXPECT_EQ(ss_fp_get_memtotal_kb(), 1u << 20);
    oplog_fakes::mem_totalram = 1ul << 18;  // pages of 4 KiB
    oplog_fakes::mem_unit = 4096;
    EXPECT_EQ(ss_fp_get_memtotal_kb(), 1u << 20);
    oplog_fakes::mem_totalram = 3ul << 40;  // too large for a signed KiB count
    oplog_fakes::mem_unit = 1;
    EXPECT_EQ(ss_fp_get_memtotal_kb(), 0x7fffffffu);
    EXPECT_TRUE(reports().empty());

    oplog_fakes::mem_mode = oplog_fakes::Mem::kFails;
    EXPECT_EQ(ss_fp_get_memtotal_kb(), 0xffffffffu);
    EXPECT_EQ(reports(), std::vector<std::string>{"ss_fp_get_memtotal_kb: sysinfo fail, rv:-1.\n"});

    // The real machine: the kernel's MemTotal.
    oplog_fakes::mem_mode = oplog_fakes::Mem::kReal;
    unsigned long kb = 0;
    FILE *f = std::fopen("/proc/meminfo", "r");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fscanf(f, "MemTotal: %lu kB", &kb), 1);
    std::fclose(f);
    EXPECT_EQ(ss_fp_get_memtotal_kb(), uint32_t(kb));
}

TEST_F(OpLogTest, ZeroTestByWordsAndByBytes) {
    alignas(8) uint8_t buf[40] = {};
    EXPECT_TRUE(ss_fp_is_array_equal_zero(buf, 16));
    buf[15] = 1;
    EXPECT_FALSE(ss_fp_is_array_equal_zero(buf, 16));
    EXPECT_TRUE(ss_fp_is_array_equal_zero(buf, 15));
    EXPECT_TRUE(ss_fp_is_array_equal_zero(buf + 16, 7));
    buf[22] = 0x80;
    EXPECT_FALSE(ss_fp_is_array_equal_zero(buf + 16, 7));
    // Unaligned words.
    EXPECT_TRUE(ss_fp_is_array_equal_zero(buf + 23, 16));
    buf[38] = 1;
    EXPECT_FALSE(ss_fp_is_array_equal_zero(buf + 23, 16));
    EXPECT_TRUE(reports().empty());

    EXPECT_FALSE(ss_fp_is_array_equal_zero(buf, 0));
    EXPECT_FALSE(ss_fp_is_array_equal_zero(buf, -8));
    EXPECT_FALSE(ss_fp_is_array_equal_zero(nullptr, 8));
    EXPECT_EQ(reports(), std::vector<std::string>(3, "ss_fp_is_array_equal_zero: param fail.\n"));
}

// ---- Record lines ----

class OpLogLineTest : public OpLogTest {
  protected:
    void SetUp() override {
        OpLogTest::SetUp();
        start();
    }
    // What the writers appended since the start-up.
    std::string written() { return slurp(path_).substr(kHeader.size()); }
};

TEST_F(OpLogLineTest, AclLine) {
    ss_fp_appmng_acl_t acl{};
    acl.acl_id = 5;
    acl.app_type = 2;
    acl.acl_cls = 1;
    acl.vdc_id = 9;
    EXPECT_EQ(ss_fp_log_op_acl(&acl, nullptr, 0), 0);
    EXPECT_EQ(ss_fp_log_op_acl(nullptr, nullptr, 0), 0);
    acl.acl_id = -7;
    EXPECT_EQ(ss_fp_log_op_acl(&acl, nullptr, 1), 0);
    EXPECT_EQ(written(), line("acl_add,app:2,acl_id:5,acl_cls:1,") + line("acl_add,") +
                             line("acl_del,app:2,acl_id:-7,acl_cls:1,"));
}

TEST_F(OpLogLineTest, PrivateDataIsPrintedUnlessAllZero) {
    ss_fp_appmng_acl_t acl{};
    acl.acl_id = 1;
    uint8_t priv[32] = {};
    EXPECT_EQ(ss_fp_log_op_acl(&acl, priv, 2), 0);  // all zero: left out
    priv[20] = 1;                                    // beyond the printed head
    EXPECT_EQ(ss_fp_log_op_acl(&acl, priv, 2), 0);
    for (int i = 0; i < 16; ++i) priv[i] = uint8_t(0xa0 + i);
    EXPECT_EQ(ss_fp_log_op_acl(nullptr, priv, 2), 0);
    EXPECT_EQ(written(), line("acl_notify,app:0,acl_id:1,acl_cls:0,") +
                             line("acl_notify,app:0,acl_id:1,acl_cls:0,priv:" + std::string(32, '0')) +
                             line("acl_notify,priv:a0a1a2a3a4a5a6a7a8a9aaabacadaeaf"));
}

TEST_F(OpLogLineTest, AceLine) {
    ss_fp_appmng_acl_t acl{};
    acl.acl_id = 300;
    acl.app_type = 17;
    acl.acl_cls = 4;  // not part of the ACE line
    ss_fp_appmng_ace_t ace{};
    ace.sn = 26;
    ace.sub_sn = 0xbeef;
    ace.is_default = 1;
    ace.ace_pri = 12345678901234ull;
    uint8_t priv[32] = {};
    priv[0] = 0x0f;
    EXPECT_EQ(ss_fp_log_op_ace(&acl, &ace, priv, 0), 0);
    EXPECT_EQ(ss_fp_log_op_ace(nullptr, &ace, nullptr, 1), 0);
    EXPECT_EQ(ss_fp_log_op_ace(&acl, nullptr, nullptr, 1), 0);
    ace.ace_pri = UINT64_MAX;
    EXPECT_EQ(ss_fp_log_op_ace(nullptr, &ace, nullptr, 0), 0);
    EXPECT_EQ(written(),
              line("ace_add,app:17,acl_id:300,sn:1a,sub_sn:beef,def:1,ace_pri:12345678901234,priv:0f" +
                   std::string(30, '0')) +
                  line("ace_del,sn:1a,sub_sn:beef,def:1,ace_pri:12345678901234,") +
                  line("ace_del,app:17,acl_id:300,") +
                  line("ace_add,sn:1a,sub_sn:beef,def:1,ace_pri:18446744073709551615,"));
}

TEST_F(OpLogLineTest, ApplyLine) {
    ss_fp_appmng_acl_t acl{};
    acl.acl_id = 8;
    acl.app_type = 3;
    ss_fp_appmng_apply_t apply{};
    apply.app_type = 12;
    apply.phyid = 0x1c2;
    apply.pri = -1;
    apply.direction = 1;
    EXPECT_EQ(ss_fp_log_op_apply(&acl, &apply, nullptr, 0), 0);
    EXPECT_EQ(ss_fp_log_op_apply(nullptr, &apply, nullptr, 1), 0);
    EXPECT_EQ(ss_fp_log_op_apply(nullptr, nullptr, nullptr, 2), 0);
    EXPECT_EQ(written(), line("apply_add,app:3,acl_id:8,apply:12,phyid:1c2,pri:ffffffff,dir:1,") +
                             line("apply_del,apply:12,phyid:1c2,pri:ffffffff,dir:1,") + line("apply_notify,"));
}

TEST_F(OpLogLineTest, OperationOutsideTheTablePrintsUnknown) {
    ss_fp_appmng_acl_t acl{};
    EXPECT_EQ(ss_fp_log_op_acl(nullptr, nullptr, 3), 0);
    EXPECT_EQ(ss_fp_log_op_ace(&acl, nullptr, nullptr, -1), 0);
    EXPECT_EQ(ssd_policy_log_op_pcl(nullptr, INT32_MIN), 0);
    EXPECT_EQ(written(), line("acl_unknown,") + line("ace_unknown,app:0,acl_id:0,") + line("pcl_unknown, "));
}

TEST_F(OpLogLineTest, NotifyLine) {
    EXPECT_EQ(ss_fp_log_notify("port", 4, -2, 7), 0);
    EXPECT_EQ(ss_fp_log_notify(nullptr, 4, -2, 7), 0);
    EXPECT_EQ(written(), line("type_port_7,grp:4,mbr:-2,") + line("type_null_7,"));
}

TEST_F(OpLogLineTest, PclLine) {
    ssd_policy_pcl_t pcl{};
    pcl.stage = 1;
    pcl.vag = 2;
    pcl.pri = 0x1234567890abcdefull;
    pcl.key_id = 3;
    pcl.key_width = 4;
    pcl.acl_id = 5;
    pcl.apply_type = 6;
    pcl.acl_type = 7;
    std::memset(pcl.reserved2, 0xff, sizeof pcl.reserved2);  // never read
    EXPECT_EQ(ssd_policy_log_op_pcl(&pcl, 0), 0);
    EXPECT_EQ(ssd_policy_log_op_pcl(nullptr, 1), 0);
    EXPECT_EQ(written(),
              line("pcl_add, stage:1,vag:2,pri:1234567890abcdef,key_id:3,key_width:4,acl_id:5,acl_type:7,apply_type:6,") +
                  line("pcl_del, "));
}

TEST_F(OpLogLineTest, PclApplyLine) {
    ssd_policy_pcl_apply_t apply{};
    apply.bind_type = 2;
    apply.bind_id = -3;
    apply.pbmp[0] = 1;
    apply.pbmp[1] = 2;
    apply.pbmp[2] = 3;
    apply.pbmp[3] = 4;
    EXPECT_EQ(ssd_policy_log_op_pcl_apply(&apply, 0), 0);
    apply.pbmp[0] = 0xdeadbeef;
    apply.pbmp[3] = 0x12345;
    EXPECT_EQ(ssd_policy_log_op_pcl_apply(&apply, 1), 0);
    EXPECT_EQ(ssd_policy_log_op_pcl_apply(nullptr, 2), 0);
    EXPECT_EQ(written(), line("pcl_apply_add,bind_type:2,bind_id:-3,pbmp:1   ,2   ,3   ,4   ") +
                             line("pcl_apply_del,bind_type:2,bind_id:-3,pbmp:deadbeef,2   ,3   ,12345") +
                             line("pcl_apply_notify,"));
}

TEST_F(OpLogLineTest, TextLineIsCutToTheLineBuffer) {
    EXPECT_EQ(ssd_policy_log("abc"), 0);
    EXPECT_EQ(ssd_policy_log(""), 0);
    EXPECT_EQ(ssd_policy_log(nullptr), 0);
    std::string head = written();
    EXPECT_EQ(head, line("abc ") + line(" ") + line("null "));

    std::string longtext(3000, 'x');
    EXPECT_EQ(ssd_policy_log(longtext.c_str()), 0);
    std::string cut = written().substr(head.size());
    // 1023 characters: the whole buffer but its NUL, still ending in " \n".
    ASSERT_EQ(cut.size(), 1023u);
    EXPECT_EQ(cut, line(std::string(1023 - 23 - 2 - 2, 'x') + " "));
}

TEST_F(OpLogLineTest, TimeTextUnavailableWritesNothingInAnyWriter) {
    oplog_fakes::time_fails = true;
    ss_fp_appmng_acl_t acl{};
    EXPECT_EQ(ss_fp_log_op_acl(&acl, nullptr, 0), 0);
    EXPECT_EQ(ss_fp_log_op_ace(&acl, nullptr, nullptr, 0), 0);
    EXPECT_EQ(ss_fp_log_op_apply(&acl, nullptr, nullptr, 0), 0);
    EXPECT_EQ(ss_fp_log_notify("t", 0, 0, 0), 0);
    EXPECT_EQ(ssd_policy_log_op_pcl(nullptr, 0), 0);
    EXPECT_EQ(ssd_policy_log_op_pcl_apply(nullptr, 0), 0);
    EXPECT_EQ(ssd_policy_log("t"), 0);
    EXPECT_EQ(written(), "");
    std::vector<std::string> expected;
    for (const char *f : {"ss_fp_log_op_acl", "ss_fp_log_op_ace", "ss_fp_log_op_apply", "ss_fp_log_notify",
                          "ssd_policy_log_op_pcl", "ssd_policy_log_op_pcl_apply", "ssd_policy_log"})
        expected.push_back(std::string(f) + ": log acl get time failed.\n");
    EXPECT_EQ(reports(), expected);
}

}  // namespace
