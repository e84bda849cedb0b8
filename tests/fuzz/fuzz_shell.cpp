// Fuzzes the platform layer's debug shell: command lines against this
// program's "set value=%d" and "mask bits=%x" and the library's
// three commands; templates of any text, registered and then run; raw
// request bytes sent to the control server, as another process would. This
// build's sanitizer stops a call through a pointer of another function type,
// so every handler must have the shell's own type, int (*)(uint32_t).
//
// A command runs exactly when its argument has the documented form ("value"
// or "name=value", blanks around it; a decimal fitting a signed 32-bit int, or
// hexadecimal with an optional 0x fitting 32 bits); its handler then gets that
// value once and its result comes back. The server answers a line with "ok "
// or "error ", refuses a longer one and drops a client that closes without a
// line end. Its socket lives in a directory of this program's own, where
// the server removes what a crashed run left.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "exact_block.h"
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"
#include "ss_fp_platform.h"

namespace {

constexpr uint64_t kOwn = 0x5157, kLibrary = 7, kTemplates = 0x7e;
constexpr char kBlanks[] = " \t";

int g_calls;       // handler calls since the last reset
uint32_t g_value;  // the argument of the last one

int take_value(uint32_t v) {
    ++g_calls;
    g_value = v;
    return static_cast<int>(v ^ 0x5a5a5a5au);
}

void stop_server() { ssat_ctl_stop(); }

std::string trim(const std::string &s) {
    const size_t first = s.find_first_not_of(kBlanks);
    return first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// What the shell must make of 'arg' for the argument 'name' converted by
// 'conv', by the shell's documentation; false when it must refuse it.
bool documented_value(std::string arg, const std::string &name, char conv, uint32_t &out) {
    arg = trim(arg);
    const size_t eq = arg.find('=');
    if (eq != std::string::npos && arg.compare(0, eq, name) != 0) return false;
    if (eq != std::string::npos) arg.erase(0, eq + 1);
    errno = 0;
    char *end = nullptr;
    if (conv == 'd') {
        if (arg.empty() || !std::strchr("+-0123456789", arg[0])) return false;
        const long long v = std::strtoll(arg.c_str(), &end, 10);
        out = static_cast<uint32_t>(v);
        return *end == '\0' && errno == 0 && v >= INT32_MIN && v <= INT32_MAX;
    }
    const size_t from = arg.size() >= 2 && arg[0] == '0' && (arg[1] == 'x' || arg[1] == 'X') ? 2 : 0;
    if (from == arg.size() || arg.find_first_not_of("0123456789abcdefABCDEF", from) != std::string::npos) return false;
    const unsigned long long v = std::strtoull(arg.c_str() + from, &end, 16);
    out = static_cast<uint32_t>(v);
    return errno == 0 && v <= UINT32_MAX;
}

// Runs a command whose handler is take_value and checks the outcome.
void run_checked(uint64_t module, const std::string &name, const std::string &arg, const std::string &arg_name,
                 char conv) {
    g_calls = 0;
    int result = 0;
    const int rc = ssat_cmd_run(module, name.c_str(), arg.c_str(), &result);
    uint32_t want = 0;
    const bool valid = documented_value(arg, arg_name, conv, want);
    FUZZ_CHECK(rc == (valid ? 0 : -2) && g_calls == (valid ? 1 : 0));
    FUZZ_CHECK(!valid || (g_value == want && result == static_cast<int>(want ^ 0x5a5a5a5au)));
}

// A command line: the name up to the first blank, then the argument.
void run_line(FuzzedDataProvider &in) {
    const int target = in.ConsumeIntegralInRange<int>(0, 2);
    std::string line = in.ConsumeRemainingBytesAsString().c_str();
    line.erase(0, line.find_first_not_of(kBlanks));
    const std::string name = line.substr(0, line.find_first_of(kBlanks));
    const std::string arg = line.substr(name.size());
    if (target == 0 && (name == "set" || name == "mask")) {
        run_checked(kOwn, name, arg, name == "set" ? "value" : "bits", name == "set" ? 'd' : 'x');
        return;
    }
    const bool known = target == 1 && (name == "debug" || name == "mem_record_show" || name == "mem_record_dbg");
    const int rc = ssat_cmd_run(target == 1 ? kLibrary : target == 0 ? kOwn : 0x99, name.c_str(), arg.c_str(), nullptr);
    FUZZ_CHECK(known ? rc >= -2 && rc <= 0 : rc == -1);
}

// A template under one of four names, then an argument for it: a template
// is taken only with a name before its '=' and "%d" or "%x" after it.
void run_template(FuzzedDataProvider &in) {
    const std::string name = "t" + std::to_string(in.ConsumeIntegralInRange<int>(0, 3));
    const std::string tmpl = in.ConsumeRandomLengthString(48).c_str();
    if (ssat_reg_mod_cmd(kTemplates, name.c_str(), 0, tmpl.c_str(), reinterpret_cast<void *>(&take_value)) != 0) return;
    const size_t eq = tmpl.find('=');
    FUZZ_CHECK(eq > 0 && eq != std::string::npos && tmpl.compare(eq + 1, 1, "%") == 0);
    run_checked(kTemplates, name, in.ConsumeRemainingBytesAsString().c_str(), tmpl.substr(0, eq), tmpl[eq + 2]);
}

// Raw request bytes to the control server, then the end of the stream.
// libFuzzer's timeout alarm may interrupt any of the calls.
void send_request(FuzzedDataProvider &in) {
    const std::string request = in.ConsumeRemainingBytesAsString();
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", ssat_ctl_path());
    int rc;
    while ((rc = connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr)) != 0 && errno == EINTR) {}
    FUZZ_CHECK(fd >= 0 && (rc == 0 || errno == EISCONN));
    for (size_t sent = 0; sent < request.size();) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0 && errno != EINTR) break;  // the server may answer before it takes it all
        sent += n > 0 ? size_t(n) : 0;
    }
    shutdown(fd, SHUT_WR);
    std::string reply;
    char buf[4096];
    for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) != 0;) {
        if (n < 0 && errno != EINTR) break;
        reply.append(buf, n > 0 ? size_t(n) : 0);
    }
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
    std::atexit(stop_server);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    void (*const cases[])(FuzzedDataProvider &) = {run_line, run_template, send_request};
    cases[in.ConsumeIntegralInRange<int>(0, 2)](in);
    return 0;
}
