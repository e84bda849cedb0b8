// The interactive mode, typed at through a pseudo-terminal: completion of
// commands, modules and keywords, history, Ctrl-C, help.
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>

#include "fpsh_test.h"

namespace {

size_t count(const std::string &text, const std::string &token) {
    size_t n = 0;
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1)) ++n;
    return n;
}

// Reads from the terminal until 'token' has appeared 'times' times (or 'tenths' of a second pass).
bool seen(int fd, std::string &out, const std::string &token, size_t times, int tenths = 100) {
    char buf[1024];
    pollfd p{fd, POLLIN, 0};
    for (int i = 0; i < tenths && count(out, token) < times; ++i) {
        const ssize_t n = poll(&p, 1, 100) > 0 ? read(fd, buf, sizeof buf) : 0;
        out.append(buf, n > 0 ? static_cast<size_t>(n) : 0);
    }
    return count(out, token) >= times;
}

void wait_for(int fd, std::string &out, const std::string &token, size_t times = 1) {
    EXPECT_TRUE(seen(fd, out, token, times)) << "waiting for " << token << " in\n" << out;
}

TEST(Interactive, CompletionHistoryInterruptAndHelp) {
    const std::string home = testing::TempDir() + "fpsh_home_" + std::to_string(getpid());
    mkdir(home.c_str(), 0700);
    int fd = -1;
    const pid_t pid = forkpty(&fd, nullptr, nullptr, nullptr);
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("TERM", "dumb", 1);
        execl(FPSH_PATH, "fpsh", static_cast<char *>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    // Each step is typed once the previous one has its prompt back.
    const char *const kSteps[] = {
        "",
        "cnt inc tc\t acl hits\n",  // module completed to TCAM
        "cnt du\t7\n",              // subcommand completed
        "\x10\n",                   // the previous line again
        "half a line\x03",          // dropped
        "echo ali''ve\n",
        "help cnt en\t\n",  // help completes the command it asks about
    };
    std::string out;
    size_t prompts = 0;
    for (const char *step : kSteps) {
        ASSERT_EQ(write(fd, step, strlen(step)), static_cast<ssize_t>(strlen(step)));
        wait_for(fd, out, "fpsh> ", ++prompts);
        // The terminal drops what is typed while Ctrl-C is being handled: empty lines until one is taken.
        for (int i = 0; i < 20 && strchr(step, '\x03') != nullptr; ++i)
            if (write(fd, "\n", 1) == 1 && seen(fd, out, "fpsh> ", prompts + 1, 10)) {
                prompts = count(out, "fpsh> ");
                break;
            }
    }
    ASSERT_EQ(write(fd, "quit\n", 5), 5);
    int status = -1;
    waitpid(pid, &status, 0);
    seen(fd, out, "", SIZE_MAX, 5);  // what is left
    close(fd);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(count(out, "\thits "), 2u) << out;
    EXPECT_EQ(count(out, "alive\r\n"), 1u) << out;
    EXPECT_EQ(count(out, "usage: cnt enable MOD 0|1"), 1u) << out;
    EXPECT_EQ(out.find("no command half"), std::string::npos) << out;
    const std::string history = fpss_test::read_file(home + "/.fpsh_history");
    EXPECT_NE(history.find("cnt inc TCAM  acl hits\ncnt dump 7\n"), std::string::npos) << history;
}

}  // namespace
