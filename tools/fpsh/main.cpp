// fpsh: the operator's shell of the FP support library. It links the library
// as an FP module would, and runs commands typed at a terminal, read from a
// file or standard input, or given with -c; it serves its commands to other
// processes (--serve) and runs commands in processes that serve (--target).
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "shell.h"
#include "ss_fp_platform.h"

namespace {

constexpr char kUsage[] =
    "usage: fpsh [-x] [FILE | -c 'CMD; CMD...']\n"
    "       fpsh --serve NAME [-x] [FILE | -c 'CMD; CMD...']\n"
    "       fpsh --target NAME|PID CMD [ARG]\n"
    "       fpsh --targets\n"
    "       fpsh --help\n";

constexpr char kHelp[] =
    "\n"
    "Without FILE or -c, commands come from the terminal (line editing, history,\n"
    "completion) or from standard input. In a script each line is one command,\n"
    "'#' starts a comment; -c takes commands separated by ';'. -x prints each\n"
    "command before it runs. The exit status is 1 when a command failed, 2 for\n"
    "bad options.\n"
    "\n"
    "  --serve NAME    after the commands, serve the debug-shell commands to other\n"
    "                  processes under NAME until SIGINT, SIGTERM or SIGHUP\n"
    "  --target T CMD  run CMD (with ARG) in the process that serves as T (a name\n"
    "                  or a pid) and print its output\n"
    "  --targets       list the processes that serve\n"
    "\n"
    "The command 'help' lists the shell's commands.\n";

int bad_options(const char *why) {
    std::fprintf(stderr, "fpsh: %s\n%s", why, kUsage);
    return 2;
}

// Commands of -c: ';' ends one, except inside quotes.
std::vector<std::string> split_commands(const std::string &text) {
    std::vector<std::string> out(1);
    char quote = 0;
    for (char c : text) {
        if (quote == 0 && c == ';') {
            out.emplace_back();
            continue;
        }
        if (c == '"' || c == '\'') quote = quote == 0 ? c : quote == c ? 0 : quote;
        out.back() += c;
    }
    return out;
}

// Runs lines as 'next' gives them, until it gives none or a command quits.
// Returns the exit status.
template <typename Next>
int run_lines(Next next, bool trace) {
    bool failed = false;
    for (std::string line; next(line);) {
        const size_t first = line.find_first_not_of(" \t");
        if (trace && first != std::string::npos && line[first] != '#') fpsh::say("fpsh> %s\n", line.c_str());
        const fpsh::Status s = fpsh::run_line(line);
        failed |= s == fpsh::Status::kFailed;
        if (s == fpsh::Status::kQuit) break;
    }
    return failed ? 1 : 0;
}

// Serves until a stopping signal arrives (blocked here, so it waits for us).
int serve(const char *name, int status) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    const int rc = ssat_ctl_start(name);
    if (rc != 0) {
        fpsh::fail("cannot serve as %s: %s", name, rc == -1 ? "bad name, or already serving" : std::strerror(errno));
        return 1;
    }
    fpsh::say("fpsh: serving as %s, pid %ld, at %s\n", name, static_cast<long>(getpid()), ssat_ctl_path());
    int sig = 0;
    sigwait(&stop, &sig);
    ssat_ctl_stop();
    fpsh::say("fpsh: %s stopped\n", name);
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    bool trace = false, have_c = false;
    const char *serve_as = nullptr, *file = nullptr;
    std::string commands;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf("%s%s", kUsage, kHelp);
            return 0;
        }
        if ((a == "--target" || a == "--targets") && i != 1) return bad_options("give --target or --targets alone");
        if (a == "--targets") {
            if (argc != 2) return bad_options("--targets takes no arguments");
            return fpsh::run_words({"targets"}) == fpsh::Status::kOk ? 0 : 1;
        }
        if (a == "--target") {
            if (argc < 4 || argc > 5) return bad_options("--target takes NAME|PID CMD [ARG]");
            fpsh::Args words{"target"};
            words.insert(words.end(), argv + 2, argv + argc);
            return fpsh::run_words(words) == fpsh::Status::kOk ? 0 : 1;
        }
        if ((a == "--serve" || a == "-c") && i + 1 == argc) return bad_options((a + " needs an argument").c_str());
        if (a == "--serve") {
            serve_as = argv[++i];
        } else if (a == "-c") {
            commands = argv[++i];
            have_c = true;
        } else if (a == "-x") {
            trace = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return bad_options(("unknown option " + a).c_str());
        } else if (file != nullptr || have_c) {
            return bad_options("give one FILE or -c");
        } else {
            file = argv[i];
        }
    }
    if (file != nullptr && have_c) return bad_options("give one FILE or -c");
    std::ifstream script;
    if (file != nullptr && std::strcmp(file, "-") != 0) {
        script.open(file);
        if (!script) return bad_options((std::string("cannot read ") + file).c_str());
    }
    const bool from_stdin = !have_c && file == nullptr && serve_as == nullptr;
    if (from_stdin && isatty(STDIN_FILENO)) {
        fpsh::start();
        return fpsh::interactive();
    }
    std::istream &in = script.is_open() ? static_cast<std::istream &>(script) : std::cin;
    const std::vector<std::string> given = have_c ? split_commands(commands) : std::vector<std::string>{};
    size_t at = 0;
    const bool read_stream = from_stdin || file != nullptr;

    fpsh::start();
    const int status = run_lines(
        [&](std::string &line) {
            if (read_stream) return static_cast<bool>(std::getline(in, line));
            if (at == given.size()) return false;
            line = given[at++];
            return true;
        },
        trace);
    return serve_as != nullptr ? serve(serve_as, status) : status;
}
