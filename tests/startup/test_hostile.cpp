// The library on a hostile machine, each test in a private /tmp: links, foreign and open directories, hard
// links, FIFOs and devices where the log tree and the switch file belong, a umask of 0, a full disk, a file size
// limit, a log tree removed under a running process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <sstream>

#include "fpss_test.h"
#include "ss_fp_debug.h"
#include "ss_fp_log_op.h"

using namespace fpss_test;
namespace fs = std::filesystem;

namespace {

const std::string kZlog = "/tmp/zlog", kLogDir = kZlog + "/ss_fp_log", kLog = kLogDir + "/hostile.log",
                  kLog1 = kLogDir + "/hostile_1.log", kDebugLog = kZlog + "/hostile_log0.txt", kAway = "/tmp/away";

// Every entry under /tmp, sorted: path, kind, mode, and for files their size and links.
std::string tree() {
    std::set<std::string> rows;
    for (const auto &e : fs::recursive_directory_iterator("/tmp")) {
        struct stat st = {};
        lstat(e.path().c_str(), &st);
        std::ostringstream row;
        row << "  " << e.path().string() << " "
            << (S_ISDIR(st.st_mode)   ? 'd'
                : S_ISREG(st.st_mode) ? 'f'
                                      : 'o')
            << std::oct << (st.st_mode & 07777) << std::dec;
        if (S_ISREG(st.st_mode)) row << " " << st.st_size << (st.st_nlink > 1 ? " linked" : "");
        rows.insert(row.str() + "\n");
    }
    std::string out;
    for (const auto &r : rows) out += r;
    return out;
}

std::string reports() { return PlatformRecorder::reports("  report "); }

class Hostile : public testing::Test {
  protected:
    void SetUp() override {
        mounts_.emplace();
        if (!mounts_->ok || geteuid() != 0) GTEST_SKIP() << "needs root and private mounts";
        ASSERT_EQ(prctl(PR_SET_NAME, "hostile"), 0);
        umask(022);
        alarm(60);  // an open that blocks fails the test instead of hanging it
        g_policy_error_zlog_category = this;
        ASSERT_TRUE(fs::create_directory(kAway) && write_file(kAway + "/precious", "precious"));
    }
    static void clear() {
        fs::remove_all(kZlog), fs::remove_all(kAway);
        ASSERT_TRUE(fs::create_directory(kAway) && write_file(kAway + "/precious", "precious"));
    }
    // The data files may live under /tmp too: compared once the private /tmp is gone.
    testing::AssertionResult golden_outside(const std::string &name, const std::string &text) {
        mounts_.reset();
        return golden(name, text);
    }
    std::optional<PrivateMounts> mounts_;
};

// One row a machine: how it was prepared, then a line, an open of the debug log, and what they left behind.
// Between rows everything goes; the library notices the removed tree at its next line.
TEST_F(Hostile, LogTreeRefusesWhatAnotherUserCouldPrepare) {
    const auto link_away = [](const std::string &at) { ASSERT_EQ(symlink(kAway.c_str(), at.c_str()), 0); };
    const auto made = [] { ASSERT_EQ(ss_fp_log_op_init(), 0); };
    const std::pair<const char *, std::function<void()>> rows[] = {
        {"nothing there", [] {}},
        {"umask 0", [] { umask(0); }},
        {"umask 077, descriptor 0 free", [&] { umask(077), close(0), made(); }},  // the new files open on 0
        {"/tmp/zlog a link", [&] { link_away(kZlog); }},
        {"the log directory a link", [&] { fs::create_directory(kZlog), link_away(kLogDir); }},
        {"/tmp/zlog of another user",
         [] {
             fs::create_directory(kZlog);
             ASSERT_EQ(chown("/tmp/zlog", 65534, 0), 0);
         }},
        {"/tmp/zlog writable by all", [] { fs::create_directory(kZlog), chmod("/tmp/zlog", 0777); }},
        {"/tmp/zlog writable by all, sticky", [] { fs::create_directory(kZlog), chmod("/tmp/zlog", 01777); }},
        {"the first log a hard link",
         [] {
             fs::create_directories(kLogDir);
             ASSERT_EQ(link("/tmp/away/precious", kLog.c_str()), 0);
         }},
        {"the second log a hard link, the first full",
         [&] {
             made();
             ASSERT_EQ(unlink(kLog1.c_str()), 0);
             ASSERT_EQ(link("/tmp/away/precious", kLog1.c_str()), 0);
             ASSERT_EQ(truncate(kLog.c_str(), 0x800001), 0);  // past either limit
         }},
        {"the debug log a hard link",
         [&] {
             made();
             ASSERT_EQ(link("/tmp/away/precious", kDebugLog.c_str()), 0);
         }},
        {"the debug log a FIFO",
         [&] {
             made();
             ASSERT_EQ(mkfifo(kDebugLog.c_str(), 0600), 0);
         }},
        {"the debug log a link to a device",
         [&] {
             made();
             ASSERT_EQ(symlink("/dev/zero", kDebugLog.c_str()), 0);
         }},
    };
    std::string log;
    for (const auto &[name, prepare] : rows) {
        clear();
        prepare();
        PlatformRecorder::reset();
        int64_t line = 0;
        const std::string out = flushed_output([&] { line = ssd_policy_log("line"); });
        fp_debug_file_open();
        log += std::string(name) + ": line " + std::to_string(line) + ", debug log " +
               (fp_debug_file_fp != nullptr ? "open" : "none") + "\n" + out + reports() + tree();
        fp_debug_file_close();
        umask(022);
    }
    if (fcntl(0, F_GETFD) == -1) EXPECT_EQ(open("/dev/null", O_RDONLY), 0);
    EXPECT_TRUE(golden_outside("startup/hostile_tree.txt", log));
}

// A removed tree, or a removed log directory, is made again by the next line, with both files' headers.
TEST_F(Hostile, RemovedLogTreeIsMadeAgain) {
    ASSERT_EQ(ss_fp_log_op_init(), 0);
    for (const std::string &gone : {kZlog, kLogDir}) {
        fs::remove_all(gone);
        EXPECT_EQ(ssd_policy_log("again"), 0);
        const std::string text = read_file(kLog);
        EXPECT_EQ(text.substr(0, 37), "\n--------------log file-------------\n");
        EXPECT_EQ(text.substr(text.size() - 9), "--again \n") << text;
        EXPECT_EQ(read_file(kLog1).size(), 38u);
    }
}

// The switch file: a FIFO, a device, a huge file are refused at once, and the switches stay as they were.
TEST_F(Hostile, SwitchFileNeverBlocksNorScansWithoutBound) {
    std::snprintf(ss_fp_debug_path, sizeof ss_fp_debug_path, "/tmp/sw");
    const std::string on = "error\n1\n";
    const std::pair<const char *, std::function<void()>> rows[] = {
        {"a FIFO", [] { ASSERT_EQ(mkfifo("/tmp/sw", 0600), 0); }},
        {"a link to a device", [] { ASSERT_EQ(symlink("/dev/zero", "/tmp/sw"), 0); }},
        {"64 MiB",
         [&] {
             write_file("/tmp/sw", on);
             ASSERT_EQ(truncate("/tmp/sw", 64 << 20), 0);
         }},
        {"one byte over the bound", [&] { write_file("/tmp/sw", on + std::string(4096 - on.size() + 1, '\n')); }},
        {"at the bound", [&] { write_file("/tmp/sw", on + std::string(4096 - on.size(), '\n')); }},
        {"in a directory writable by all", [&] {
             fs::create_directory("/tmp/d"), chmod("/tmp/d", 0777), write_file("/tmp/d/sw", on);
             std::snprintf(ss_fp_debug_path, sizeof ss_fp_debug_path, "/tmp/d/sw");
         }}};
    std::string log;
    const size_t fds = open_descriptors();
    for (const auto &[name, prepare] : rows) {
        fs::remove_all("/tmp/sw");
        prepare();
        PlatformRecorder::reset();
        fp_debug_sw = 0;
        uint8_t value = 9;
        const std::string out = flushed_output(ss_fp_debug_init_sw);
        const int get = ss_fp_debug_file_get(ss_fp_debug_path, &value, "error", 5);
        log += std::string(name) + ": word " + std::to_string(fp_debug_sw) + ", get " + std::to_string(get) + " " +
               std::to_string(value) + "\n" + out + reports();
    }
    EXPECT_EQ(open_descriptors(), fds) << "every switch file closed again";
    PlatformRecorder::reset();
    const int set = ss_fp_debug_file_set("/tmp/d/sw", 5);
    log += "set in that directory: " + std::to_string(set) + "\n" + reports();
    EXPECT_EQ(read_file("/tmp/d/sw"), on) << "not written through a directory others can write";
    EXPECT_TRUE(golden_outside("startup/hostile_switches.txt", log));
}

// Lines that count their place in the file, "<n>:" padded to 'len' bytes; each takes the same room in the file.
int64_t numbered(int n, size_t len) {
    const std::string tag = std::to_string(n) + ":";
    return ssd_policy_log((tag + std::string(len - tag.size(), 'x')).c_str());
}

// The file holds a header of 'header' bytes, then whole lines of 'line' bytes only.
bool whole_lines(const std::string &path, size_t header, size_t line) {
    const std::string text = read_file(path);
    if (text.size() < header || (text.size() - header) % line != 0) return false;
    for (size_t end = header + line; end <= text.size(); end += line)
        if (text[end - 1] != '\n') return false;
    return true;
}

// A full disk: the line that does not fit leaves nothing behind and is reported; once there is room the next
// line goes in.
TEST_F(Hostile, FullDiskDropsWholeLinesAndRecovers) {
    fs::create_directories(kLogDir);
    ASSERT_EQ(mount("tmpfs", kLogDir.c_str(), "tmpfs", 0, "size=12k,mode=0755"), 0);
    ASSERT_EQ(ss_fp_log_op_init(), 0);  // a page for each file, one for the filler: the disk is full
    ASSERT_TRUE(write_file(kLogDir + "/filler", std::string(4096, 'f')));
    ASSERT_EQ(numbered(1, 700), 0);
    const size_t line = read_file(kLog).size() - 37;
    int n = 1;
    int64_t rv = 0;
    PlatformRecorder::reset();
    while (rv == 0 && n < 20) rv = numbered(++n, 700);
    EXPECT_EQ(rv, -1) << "the first file's page filled up";
    EXPECT_EQ(reports(), "  report ssd_policy_log: log acl write fail.\n");
    EXPECT_EQ(read_file(kLog).size(), 37 + size_t(n - 1) * line) << "nothing of the line that failed";
    ASSERT_EQ(unlink((kLogDir + "/filler").c_str()), 0);
    EXPECT_EQ(numbered(n, 700), 0);
    EXPECT_EQ(read_file(kLog).size(), 37 + size_t(n) * line);
    EXPECT_TRUE(whole_lines(kLog, 37, line));
    umount2(kLogDir.c_str(), MNT_DETACH);
}

// A file size limit with its signal at the default: the process lives, no line is torn, and a file that cannot
// take the next line hands it to the other file.
TEST_F(Hostile, FileSizeLimitNeverKillsNorTears) {
    ASSERT_EQ(ss_fp_log_op_init(), 0);
    ASSERT_EQ(numbered(0, 500), 0);
    const size_t line = read_file(kLog).size() - 37;
    const auto twenty_lines = [&] {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{4000, RLIM_INFINITY};  // seven lines a file
        bool ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
        for (int n = 1; n <= 20; ++n) ok = numbered(n, 500) == 0 && ok;
        ok = ok && whole_lines(kLog, 37, line) && whole_lines(kLog1, 37, line);
        ok = ok && (read_file(kLog) + read_file(kLog1)).find("20:x") != std::string::npos;
        // A file size signal the host holds back and has pending is still pending after a line.
        sigset_t xfsz, pending;
        sigemptyset(&xfsz), sigaddset(&xfsz, SIGXFSZ);
        ok = ok && pthread_sigmask(SIG_BLOCK, &xfsz, nullptr) == 0 && raise(SIGXFSZ) == 0 && numbered(21, 500) == 0;
        return ok && sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1;
    };
    // _exit: exit handlers of the child (a coverage dump) would meet the file size limit too.
    EXPECT_EXIT(_exit(twenty_lines() ? 0 : 1), testing::ExitedWithCode(0), "");
}

}  // namespace
