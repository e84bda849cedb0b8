// The interactive mode: readline with history kept in ~/.fpsh_history and
// completion of command, subcommand, keyword and module names, all taken from
// the command table (a usage word in capitals is a placeholder; "MOD" stands
// for a module; a word in small letters lists its choices, "on|off").
#include <readline/history.h>
#include <readline/readline.h>
#include <signal.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "shell.h"
#include "ss_fp_platform.h"

namespace fpsh {
namespace {

std::vector<std::string> g_candidates;  // of the completion under way
size_t g_next;
volatile sig_atomic_t g_reading;  // readline is waiting for a line

void offer(const std::string &word, const std::string &prefix) {
    if (strncasecmp(word.c_str(), prefix.c_str(), prefix.size()) == 0 &&
        std::find(g_candidates.begin(), g_candidates.end(), word) == g_candidates.end())
        g_candidates.push_back(word);
}

// Offers what the usage word at 'pos' of command 'c' allows.
void offer_usage(const Command &c, size_t pos, const std::string &prefix) {
    std::istringstream in(c.usage);
    std::string word;
    for (size_t i = 0; in >> word && i < pos; ++i) {}
    if (in.fail()) return;
    word.erase(std::remove_if(word.begin(), word.end(), [](char ch) { return ch == '[' || ch == ']'; }), word.end());
    if (word == "MOD") {
        for (const std::string &m : module_words()) offer(m, prefix);
    } else if (std::none_of(word.begin(), word.end(), [](char ch) { return ch >= 'A' && ch <= 'Z'; })) {
        std::istringstream choices(word);
        for (std::string choice; std::getline(choices, choice, '|');) offer(choice, prefix);
    }
}

// "help" completes the names of the command it asks about.
void collect(Args before, const std::string &prefix) {
    g_candidates.clear();
    if (!before.empty() && before[0] == "help") {
        before.erase(before.begin());
        if (before.size() > 1) return;
    }
    const bool first = before.empty();
    for (const Command &c : commands()) {
        if (first) {
            offer(c.name, prefix);
        } else if (before[0] == c.name && *c.sub != '\0' && before.size() == 1) {
            offer(c.sub, prefix);
        } else if (before[0] == c.name && (*c.sub == '\0' || before[1] == c.sub)) {
            offer_usage(c, before.size() - (*c.sub != '\0' ? 2 : 1), prefix);
        }
    }
    ssat_cmd_info_t info;
    for (size_t i = 0; first && ssat_cmd_get(i, &info) == 0; ++i) offer(info.name, prefix);
}

char *next_candidate(const char *, int state) {
    if (state == 0) g_next = 0;
    return g_next < g_candidates.size() ? strdup(g_candidates[g_next++].c_str()) : nullptr;
}

char **complete(const char *text, int start, int) {
    rl_attempted_completion_over = 1;  // never file names
    try {                              // called by readline: nothing may be thrown out
        std::istringstream in(std::string(rl_line_buffer, static_cast<size_t>(start)));
        Args before;
        for (std::string w; in >> w;) before.push_back(w);
        collect(before, text);
    } catch (...) {
        g_candidates.clear();
    }
    return rl_completion_matches(text, next_candidate);
}

// Ctrl-C drops the line being typed; a running command decides for itself.
void on_interrupt(int) {
    if (!g_reading) return;
    rl_crlf();
    rl_replace_line("", 0);
    rl_on_new_line();
    rl_redisplay();
}

}  // namespace

int interactive() {
    rl_readline_name = "fpsh";
    rl_attempted_completion_function = complete;
    rl_catch_signals = 0;
    rl_variable_bind("completion-ignore-case", "on");
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigaction(SIGINT, &sa, nullptr);

    const char *home = std::getenv("HOME");
    const std::string history = std::string(home != nullptr ? home : ".") + "/.fpsh_history";
    using_history();
    stifle_history(1000);
    read_history(history.c_str());
    say("fpsh: help lists the commands; quit or Ctrl-D leaves\n");
    for (;;) {
        g_reading = 1;
        char *text = readline("fpsh> ");
        g_reading = 0;
        if (text == nullptr) break;
        const std::string line = text;
        std::free(text);
        HIST_ENTRY *last = history_length > 0 ? history_get(history_base + history_length - 1) : nullptr;
        if (line.find_first_not_of(" \t") != std::string::npos && (last == nullptr || line != last->line))
            add_history(line.c_str());
        if (run_line(line) == Status::kQuit) break;
    }
    write_history(history.c_str());
    return 0;
}

}  // namespace fpsh
