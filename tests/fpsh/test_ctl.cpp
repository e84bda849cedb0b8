// The control server: a served fpsh queried by fpsh clients in other
// processes, and by hostile clients on raw sockets.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "fpsh_test.h"
#include "ss_fp_platform.h"

namespace {

using fpsh_test::run;

class Served : public testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/fpsh_ctl_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        setenv("SSAT_CTL_DIR", dir, 1);
        name_ = "served" + std::to_string(getpid());
        pid_ = fork();
        if (pid_ == 0) {
            execl(FPSH_PATH, "fpsh", "--serve", name_.c_str(), "-c", "mem_record_dbg 1; cnt inc appmng acl hit",
                  static_cast<char *>(nullptr));
            _exit(127);
        }
        path_ = dir_ + "/" + name_ + "." + std::to_string(pid_) + ".sock";
        for (int i = 0; i < 500 && !fpss_test::path_exists(path_); ++i) usleep(10000);
        ASSERT_TRUE(fpss_test::path_exists(path_));
    }
    void TearDown() override {
        int status = -1;
        kill(pid_, SIGTERM);
        waitpid(pid_, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_FALSE(fpss_test::path_exists(path_));
        rmdir(dir_.c_str());
    }

    int connect_raw() const {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        const timeval tv{10, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        return fd;
    }
    // Sends 'request' and returns all that comes back until the server closes.
    static std::string talk(int fd, const std::string &request) {
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        std::string reply;
        char buf[512];
        for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) reply.append(buf, static_cast<size_t>(n));
        close(fd);
        return reply;
    }

    std::string dir_, name_, path_;
    pid_t pid_ = -1;
};

TEST_F(Served, ClientsInOtherProcessesRunCommands) {
    const std::string pid = std::to_string(pid_);
    const struct {
        std::string args;
        int status;
        std::string out;  // what the output begins with
    } kCases[] = {
        {"--targets", 0, name_ + std::string(33 - name_.size(), ' ') + pid + "\n"},
        {"--target " + name_ + " mem_record_show 1", 0, "====begin ss_fp_debug_dump_mem_use_info====\n"},
        {"--target " + pid + " debug 0x8", 0, "FP set dbg sw, dbg_flags: 0x8\nSS_FP_DBG_FLAG_ERROR\nopened.\n"},
        {"--target " + name_ + " help", 0, "debug dbg_flags=%x, $d\nmem_record_show show_detail=%d(0/1), $d\n"},
        {"--target " + name_ + " debug", 1, "fpsh: target: usage: debug dbg_flags=%x, $d\n"},
        {"--target " + name_ + " nosuch 1", 1, "fpsh: target: unknown command nosuch\n"},
        {"--target " + name_ + " metrics 11", 0, "no module 11\n"},
    };
    for (const auto &c : kCases) {
        const fpsh_test::Run r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args;
    }
    const fpsh_test::Run m = run("--target " + name_ + " metrics 5");
    std::map<std::string, std::string> samples;
    EXPECT_EQ(fpsh_test::check_exposition(m.out, samples), "");
    EXPECT_EQ(samples["fpss_counter_value{module=\"FP_MOD_APPMNG\",group=\"acl\",name=\"hit\"}"], "1");
    EXPECT_EQ(samples["fpss_alloc_statistics_enabled"], "1");
}

TEST_F(Served, HostileClientsHoldNobodyUp) {
    EXPECT_EQ(talk(connect_raw(), "\x01\x02garbage\n"), "error bad request\n");
    EXPECT_EQ(talk(connect_raw(), std::string(4096, 'a')), "error request too long\n");
    EXPECT_EQ(talk(connect_raw(), " \t\r\n"), "error empty request\n");
    close(connect_raw());      // vanished before asking
    int gone = connect_raw();  // vanished before the reply
    send(gone, "mem_record_show 1\n", 18, MSG_NOSIGNAL);
    close(gone);
    const int stalled = connect_raw();  // half a request, then silence
    send(stalled, "mem_rec", 7, MSG_NOSIGNAL);
    EXPECT_EQ(talk(connect_raw(), "mem_record_dbg 0\n"), "ok 0\nmalloc_free_sw closed.\n");
    char byte;
    EXPECT_EQ(recv(stalled, &byte, 1, MSG_DONTWAIT), -1) << "the stalled client was dropped early";
    EXPECT_EQ(talk(stalled, ""), "error timeout\n");

    int idle[SSAT_CTL_CLIENTS];
    for (int &fd : idle) fd = connect_raw();
    EXPECT_EQ(talk(connect_raw(), "help\n"), "error busy\n");
    for (int fd : idle) close(fd);
    EXPECT_EQ(run("--target " + name_ + " mem_record_dbg 1").out, "malloc_free_sw opened.\n");
}

TEST_F(Served, AnotherUserIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    ASSERT_EQ(chmod(dir_.c_str(), 0711), 0);
    ASSERT_EQ(chmod(path_.c_str(), 0666), 0);
    const pid_t child = fork();
    if (child == 0)
        _exit(setgid(65534) == 0 && setuid(65534) == 0 && talk(connect_raw(), "help\n") == "error permission denied\n"
                  ? 0
                  : 1);
    int status = -1;
    waitpid(child, &status, 0);
    chmod(dir_.c_str(), 0700);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
