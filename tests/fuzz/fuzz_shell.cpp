// Fuzzes the platform layer's debug shell: command lines against this program's "set value=%d" and
// "mask bits=%x" and the library's commands, templates of any text registered and then run, and raw
// request bytes sent to the control server. Handlers have the shell's own type, int (*)(uint32_t), as
// this build's sanitizer stops a call through a pointer of another type. A command of this program runs
// its handler once exactly when it succeeds and returns its result; the server answers a line with "ok "
// or "error ", refuses a longer one and drops a client that sends none.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exact_block.h"
#include "ss_fp_debug.h"
#include "ss_fp_platform.h"

namespace {

constexpr uint64_t kOwn = 0x5157, kLibrary = 7, kTemplates = 0x7e;

int g_calls;       // handler calls since the last reset
uint32_t g_value;  // the argument of the last one

int take_value(uint32_t v) { return ++g_calls, g_value = v, static_cast<int>(v ^ 0x5a5a5a5au); }

// Runs a command of this program's module 'module'; 'known' when such a command is registered.
void run_own(uint64_t module, const std::string &name, const std::string &arg, bool known) {
    g_calls = 0;
    int result = 0;
    const int rc = ssat_cmd_run(module, name.c_str(), arg.c_str(), &result);
    FUZZ_CHECK(known ? rc == 0 || rc == -2 : rc == -1);
    FUZZ_CHECK(g_calls == (rc == 0 ? 1 : 0) && (rc != 0 || result == static_cast<int>(g_value ^ 0x5a5a5a5au)));
}

// A command line (the name up to the first blank) for this program, the library or an unknown module.
void run_line(FuzzedDataProvider &in) {
    const int target = in.ConsumeIntegralInRange<int>(0, 2);
    std::string line = in.ConsumeRemainingBytesAsString().c_str();
    line.erase(0, line.find_first_not_of(" \t"));
    const std::string name = line.substr(0, line.find_first_of(" \t")), arg = line.substr(name.size());
    if (target == 0) return run_own(kOwn, name, arg, name == "set" || name == "mask");
    const bool known = target == 1 && (name == "debug" || name == "mem_record_show" || name == "mem_record_dbg");
    const int rc = ssat_cmd_run(target == 1 ? kLibrary : 0x99, name.c_str(), arg.c_str(), nullptr);
    FUZZ_CHECK(known ? rc >= -2 && rc <= 0 : rc == -1);
}

// A template under one of four names, then an argument for it: a template is taken only with a name
// before its '=' and a conversion after it.
void run_template(FuzzedDataProvider &in) {
    const std::string name = "t" + std::to_string(in.ConsumeIntegralInRange<int>(0, 3));
    const std::string tmpl = in.ConsumeRandomLengthString(48).c_str();
    if (ssat_reg_mod_cmd(kTemplates, name.c_str(), 0, tmpl.c_str(), reinterpret_cast<void *>(&take_value)) != 0) return;
    const size_t eq = tmpl.find('=');
    FUZZ_CHECK(eq > 0 && eq != std::string::npos && tmpl.compare(eq + 1, 1, "%") == 0);
    run_own(kTemplates, name, in.ConsumeRemainingBytesAsString().c_str(), true);
}

// Raw request bytes to the control server, then the end of the stream. libFuzzer's timeout alarm may
// interrupt any of the calls.
void send_request(FuzzedDataProvider &in) {
    const std::string request = in.ConsumeRemainingBytesAsString();
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", ssat_ctl_path());
    int rc;
    while ((rc = connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr)) != 0 && errno == EINTR) {}
    FUZZ_CHECK(fd >= 0 && (rc == 0 || errno == EISCONN));
    for (ssize_t sent = 0, n; sent < ssize_t(request.size()); sent += std::max<ssize_t>(n, 0))
        if ((n = send(fd, &request[size_t(sent)], request.size() - size_t(sent), MSG_NOSIGNAL)) <= 0 && errno != EINTR)
            break;  // the server may answer before it takes it all
    shutdown(fd, SHUT_WR);
    std::string reply;
    char buf[4096];
    for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) != 0 && (n > 0 || errno == EINTR);)
        reply.append(buf, size_t(std::max<ssize_t>(n, 0)));
    close(fd);
    if (request.find('\n') < std::min<size_t>(request.size(), SSAT_CTL_REQUEST_MAX))
        FUZZ_CHECK(reply.compare(0, 3, "ok ") == 0 || reply.compare(0, 6, "error ") == 0);
    else
        FUZZ_CHECK(reply == (request.size() >= SSAT_CTL_REQUEST_MAX ? "error request too long\n" : ""));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::silence_stdout();
    setenv("SSAT_CTL_DIR", ("/tmp/fuzz_shell-" + std::to_string(getuid())).c_str(), 1);
    void *handler = reinterpret_cast<void *>(&take_value);
    if (ssat_reg_mod_cmd(kOwn, "set", 0, "value=%d", handler) != 0 ||
        ssat_reg_mod_cmd(kOwn, "mask", 0, "bits=%x(hex), $x", handler) != 0 || ss_fp_debug_cmd_init(kLibrary) != 0 ||
        ssat_ctl_start("fuzz_shell") != 0)
        std::abort();
    std::atexit([] { ssat_ctl_stop(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    void (*const cases[])(FuzzedDataProvider &) = {run_line, run_template, send_request};
    cases[in.ConsumeIntegralInRange<int>(0, 2)](in);
    return 0;
}
