// The operator's shell: its command table, the dispatcher and the pieces the
// commands share.
//
// Every command is one row of the table (name, usage, argument counts,
// handler, help): the usage lines, `help`, the checks of the argument counts
// and the completion of the interactive mode all read it. Commands that other
// modules registered with the platform's debug shell (the library's "debug",
// "mem_record_show" and "mem_record_dbg" among them) are dispatched through
// the platform's table, their argument template being their usage.
//
// Output: a command prints its results on standard output, flushed; failures
// go to standard error as "fpsh: <text>", after a flush of standard output so
// that the two keep their order in a shared log.
//
// Thread safety: the shell runs its commands on one thread.
#ifndef FPSH_SHELL_H
#define FPSH_SHELL_H

#include <cstdint>
#include <string>
#include <vector>

namespace fpsh {

using Args = std::vector<std::string>;

struct Command;
// Runs a command with the words after its name. Returns false when it failed,
// after saying why.
using Handler = bool (*)(const Command &cmd, const Args &args);

struct Command {
    const char *name;   // first word: "cap"
    const char *sub;    // second word: "start", or "" for a one-word command
    const char *usage;  // the arguments, as the usage line shows them
    int min_args;       // fewest arguments
    int max_args;       // most arguments; -1 for no limit
    Handler run;        // the work
    const char *help;   // one line for `help`
};

// The table, in the order `help` lists it.
const std::vector<Command> &commands();

// Module reference of the shell in the platform's debug shell.
constexpr uint64_t kModule = 0x66707368;  // "fpsh"

// Runs the library start-up and registers the commands served to other
// processes: the library's three and "metrics". Call once, first.
void start();

enum class Status { kOk, kFailed, kQuit };

// Splits a line into words (blanks separate them; "..." or '...' keep blanks
// inside one word) and runs it. A blank line or a '#' comment does nothing.
Status run_line(const std::string &line);
// The same for a line already split.
Status run_words(const Args &words);

// Prints "usage: <name> [<sub>] <usage>" for one command on standard error.
void print_usage(const Command &cmd);

// Reads commands from the terminal with line editing until quit or end of
// input. Returns the exit status.
int interactive();

// Printing.
void say(const char *format, ...) __attribute__((format(printf, 1, 2)));
bool fail(const char *format, ...) __attribute__((format(printf, 1, 2)));  // returns false

// Numbers: decimal, or hexadecimal with 0x. False unless the whole word is
// one number in range.
bool to_u64(const std::string &word, uint64_t &out);
bool to_u32(const std::string &word, uint32_t &out);
bool to_i32(const std::string &word, int32_t &out);

// Module names: "FP_MOD_TCAM", "tcam" or 7. Module names without the prefix,
// for completion.
bool to_module(const std::string &word, int &mod);
std::vector<std::string> module_words();

// Prometheus text of every module's (or one module's, 1 to 10) counters and
// capture figures, the allocation statistics and the switch word.
std::string metrics_text(int mod);

// The two operation-log files of a process merged in time order.
std::string merge_logs(const std::string &first, const std::string &second);
// Prints them for the process named, or numbered, 'process' (this one when
// empty): all, or the last 'last' lines; with 'follow', then what is added,
// for 'seconds' or until Ctrl-C.
bool oplog(const std::string &process, uint32_t last, bool follow, uint32_t seconds);

// Hex bytes from words (or "@FILE"); blanks, colons and a 0x before a pair
// are allowed. False with 'error' set otherwise.
bool read_hex(const Args &words, std::vector<uint8_t> &out, std::string &error);
// Prints 'bytes' as a record of 'kind' with the library's dumps ('flag' for
// "rule" and "action"). False with 'error' set when the bytes do not make one.
bool decode(const std::string &kind, uint32_t flag, const std::vector<uint8_t> &bytes, std::string &error);
extern const char *const kDecodeKinds[];  // null-terminated

}  // namespace fpsh

#endif  // FPSH_SHELL_H
