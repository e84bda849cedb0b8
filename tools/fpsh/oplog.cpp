// The operation-log reader: a process's two log files merged in time order,
// optionally followed as they grow and take turns.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "shell.h"

namespace fpsh {
namespace {

volatile sig_atomic_t interrupted;
void on_interrupt(int) { interrupted = 1; }

// "YYYY-MM-DD HH:MM:SS.mmm--": the time text that begins every line.
bool stamped(const std::string &line) {
    static constexpr char kShape[] = "dddd-dd-dd dd:dd:dd.ddd--";
    if (line.size() < sizeof kShape - 1) return false;
    for (size_t i = 0; i + 1 < sizeof kShape; ++i)
        if (kShape[i] == 'd' ? line[i] < '0' || line[i] > '9' : line[i] != kShape[i]) return false;
    return true;
}

// Entries of one file: a stamped line and the unstamped lines after it (a
// text written with line ends). File headers and blank lines are dropped.
std::vector<std::string> entries(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || (line.find("log file") != std::string::npos && line[0] == '-')) continue;
        if (stamped(line) || out.empty())
            out.push_back(line + "\n");
        else
            out.back() += line + "\n";
    }
    return out;
}

std::string read_from(const std::string &path, off_t from) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(from);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// What a followed file has gained since the last look (from its start when it
// was emptied or replaced), complete lines only.
struct Tail {
    std::string path;
    ino_t inode = 0;
    off_t offset = 0;

    std::string next() {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) return "";
        if (st.st_ino != inode || st.st_size < offset) offset = 0;
        inode = st.st_ino;
        std::string text = read_from(path, offset);
        text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
        offset += static_cast<off_t>(text.size());
        return text;
    }
};

// The name the library builds the log paths from: the second word of the
// first line of the process's status file.
std::string process_name(const std::string &who) {
    std::ifstream in("/proc/" + (who.empty() ? std::string("self") : who) + "/status");
    std::string key, name;
    in >> key >> name;
    return name;
}

}  // namespace

std::string merge_logs(const std::string &first, const std::string &second) {
    const std::vector<std::string> a = entries(first), b = entries(second);
    std::string out;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const bool take_a = j == b.size() || (i < a.size() && a[i].compare(0, 23, b[j], 0, 23) <= 0);
        out += take_a ? a[i++] : b[j++];
    }
    return out;
}

bool oplog(const std::string &process, uint32_t last, bool follow, uint32_t seconds) {
    const bool by_pid = !process.empty() && process.find_first_not_of("0123456789") == std::string::npos;
    const std::string name = by_pid || process.empty() ? process_name(process) : process;
    if (name.empty() || name.find('/') != std::string::npos) return fail("oplog: no process %s", process.c_str());
    Tail tails[2] = {{"/tmp/zlog/ss_fp_log/" + name + ".log"}, {"/tmp/zlog/ss_fp_log/" + name + "_1.log"}};
    if (access(tails[0].path.c_str(), R_OK) != 0 && access(tails[1].path.c_str(), R_OK) != 0)
        return fail("oplog: no log files %s", tails[0].path.c_str());
    const std::string all = merge_logs(tails[0].next(), tails[1].next());
    size_t pos = all.empty() ? std::string::npos : all.size() - 1;  // the last line end
    for (uint32_t n = 0; n < last && pos != std::string::npos && pos > 0; ++n) pos = all.rfind('\n', pos - 1);
    say("%s", all.c_str() + (last == 0 || pos == std::string::npos ? 0 : pos + 1));
    if (!follow) return true;

    struct sigaction sa {
    }, old{};
    sa.sa_handler = on_interrupt;
    interrupted = 0;
    sigaction(SIGINT, &sa, &old);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
    while (!interrupted && (seconds == 0 || Clock::now() < end)) {
        usleep(200 * 1000);
        say("%s", merge_logs(tails[0].next(), tails[1].next()).c_str());
    }
    sigaction(SIGINT, &old, nullptr);
    return true;
}

}  // namespace fpsh
