// Scripted sessions of the shell against expected outputs, and its modes,
// options and exit statuses.
#include "fpsh_test.h"

namespace {

using fpsh_test::run;

// Clock readings and addresses differ from run to run.
std::string normalize(const std::string &text) {
    const std::string t = std::regex_replace(text, std::regex("op time: [0-9]+\\.[0-9]{6}s"), "op time: T");
    return std::regex_replace(t, std::regex("req_uuid:0x[0-9a-f]+"), "req_uuid:X");
}

struct Session {
    const char *name;
    int status;
};
void PrintTo(const Session &s, std::ostream *os) { *os << s.name; }

class Sessions : public testing::TestWithParam<Session> {};

TEST_P(Sessions, PrintWhatTheDataFileHolds) {
    const std::string name = std::string("fpsh/") + GetParam().name;
    const fpsh_test::Run r = run(fpss_test::data_path(name + ".fpsh"));
    EXPECT_EQ(r.status, GetParam().status);
    EXPECT_TRUE(fpss_test::golden(name + ".out", normalize(r.out)));
}

INSTANTIATE_TEST_SUITE_P(Scripts, Sessions,
                         testing::Values(Session{"registries", 0}, Session{"appmng", 1}, Session{"decode", 1},
                                         Session{"errors", 1}),
                         [](const testing::TestParamInfo<Session> &p) { return std::string(p.param.name); });

TEST(Modes, StatusAndOutput) {
    const struct {
        std::string args, input;
        int status;
        std::string out;  // what the output begins with
    } kCases[] = {
        {"-c 'echo a; echo \"b; c\"'", "", 0, "a\nb; c\n"},
        {"-x -c 'echo a;;quit; echo never'", "", 0, "fpsh> echo a\na\nfpsh> quit\n"},
        {"-c 'echo a; nosuch; echo b'", "", 1, "a\nfpsh: no command nosuch (help lists them)\nb\n"},
        {"", "echo from stdin\n# comment\n\necho 'it''s'\n", 0, "from stdin\nits\n"},
        {"-", "sw\n", 0, "fp_debug_sw = 0x0\n"},
        {"-c 'help cnt enable'", "", 0, "usage: cnt enable MOD 0|1\n  set the counter"},
        {"--help", "", 0, "usage: fpsh [-x] [FILE | -c 'CMD; CMD...']\n"},
        {"--bogus", "", 2, "fpsh: unknown option --bogus\nusage: fpsh"},
        {"-c", "", 2, "fpsh: -c needs an argument\n"},
        {"/no/such/file", "", 2, "fpsh: cannot read /no/such/file\n"},
        {"--target onlyname", "", 2, "fpsh: --target takes NAME|PID CMD [ARG]\n"},
    };
    for (const auto &c : kCases) {
        const fpsh_test::Run r = run(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args;
    }
}

}  // namespace
