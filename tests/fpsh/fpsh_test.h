// Shared pieces of the shell's suites: running fpsh as a process of its own,
// and a checker of the Prometheus text exposition format.
#ifndef FPSH_TEST_H
#define FPSH_TEST_H

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>

#include "fpss_test.h"

namespace fpsh_test {

struct Run {
    std::string out;  // standard output and standard error, in order
    int status;       // exit status, or -1 when it did not exit
};

// Runs "fpsh <args>" through sh with 'input' as its standard input.
inline Run run(const std::string &args, const std::string &input = "") {
    const std::string in = testing::TempDir() + "fpsh_input_" + std::to_string(getpid());
    fpss_test::write_file(in, input);
    FILE *p = popen((std::string(FPSH_PATH) + " " + args + " < " + in + " 2>&1").c_str(), "r");
    Run r{"", -1};
    char buf[4096];
    for (size_t n; p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int st = p != nullptr ? pclose(p) : -1;
    r.status = st != -1 && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::remove(in.c_str());
    return r;
}

// Checks 'text' against the text exposition format: HELP and TYPE once per
// family and before its samples, a family's samples together, valid metric and
// label names, escaped label values, numeric values. Returns "" or the first
// fault; fills 'samples' with "name{labels}" -> value.
inline std::string check_exposition(const std::string &text, std::map<std::string, std::string> &samples) {
    static const std::regex kHelp(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) .*)");
    static const std::regex kType(R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (counter|gauge|histogram|summary|untyped))");
    static const std::regex kSample(
        R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(\{[a-zA-Z_][a-zA-Z0-9_]*="([^"\\\n]|\\[\\"n])*")"
        R"((,[a-zA-Z_][a-zA-Z0-9_]*="([^"\\\n]|\\[\\"n])*")*\})? (-?[0-9.e+]+|NaN|[+-]Inf))");
    std::map<std::string, int> helped, typed;  // family -> line number
    std::string open;                          // the family of the last TYPE line
    size_t at = 0;
    for (int line_no = 1; at < text.size(); ++line_no) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos) return "no line end at the end";
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        std::smatch m;
        const std::string where = " at line " + std::to_string(line_no) + ": " + line;
        if (std::regex_match(line, m, kHelp) && helped.emplace(m[1], line_no).second) continue;
        if (std::regex_match(line, m, kType) && typed.emplace(m[1], line_no).second) {
            open = m[1];
            continue;
        }
        if (!std::regex_match(line, m, kSample)) return "not HELP, TYPE or a sample" + where;
        if (m[1] != open) return "sample outside its family's block" + where;
        const std::string value = m[6];
        char *num_end = nullptr;
        std::strtod(value.c_str(), &num_end);
        if (*num_end != '\0') return "bad value" + where;
        if (!samples.emplace(m[1].str() + m[2].str(), value).second) return "sample twice" + where;
    }
    return "";
}

}  // namespace fpsh_test

#endif  // FPSH_TEST_H
