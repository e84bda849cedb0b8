// The metrics text of the shell, read by a checker of the exposition format,
// and the operation-log reader.
#include <unistd.h>

#include "fpsh_test.h"
#include "libss_fp_pub.h"
#include "shell.h"
#include "ss_fp_mem.h"

namespace {

TEST(Metrics, FiguresOfEveryFamilyInTheExpositionFormat) {
    ASSERT_EQ(libss_fp_pub_init(), 0);
    ss_fp_mem_watch_init();
    ss_fp_debug_malloc_free_sw(1);
    fp_pub_hdl_t *h = fp_pub_hdl[FP_MOD_TCAM];
    h->cap_hdl.start(&h->cap_hdl, "acl", "add");
    h->cap_hdl.stop(&h->cap_hdl, "acl", "add");
    h->cap_hdl.start(&h->cap_hdl, "acl", "busy");
    const char *odd = "q\"b\\s\nl\xc3\xa9";  // quote, backslash, line end, two bytes of UTF-8
    h->cnt_hdl.inc(&h->cnt_hdl, odd, "x");
    h->cnt_hdl.dec(&h->cnt_hdl, odd, "y");
    h->cnt_hdl.dec(&h->cnt_hdl, odd, "y");
    ss_fp_free(ss_fp_malloc(24, "tools/test"), "tools/test");

    std::map<std::string, std::string> all, appmng;
    ASSERT_EQ(fpsh_test::check_exposition(fpsh::metrics_text(0), all), "");
    const std::string grp = R"(module="FP_MOD_TCAM",group="q\"b\\s\nl??")";
    const std::pair<std::string, std::string> kExpected[] = {
        {R"(fpss_capture_runs_total{module="FP_MOD_TCAM",group="acl",name="add"})", "1"},
        {R"(fpss_capture_running{module="FP_MOD_TCAM",group="acl",name="busy"})", "1"},
        {"fpss_counter_value{" + grp + R"(,name="x"})", "1"},
        {"fpss_counter_value{" + grp + R"(,name="y"})", "18446744073709551614"},
        {"fpss_counter_group_total{" + grp + "}", "18446744073709551615"},
        {R"(fpss_alloc_balance{file="tools/test"})", "0"},
        {R"(fpss_alloc_size_calls_total{file="tools/test",size="24"})", "1"},
        {"fpss_alloc_statistics_enabled", "1"},
    };
    for (const auto &e : kExpected) EXPECT_EQ(all[e.first], e.second) << e.first;
    ASSERT_EQ(fpsh_test::check_exposition(fpsh::metrics_text(FP_MOD_APPMNG), appmng), "");
    EXPECT_EQ(appmng.count(R"(fpss_capture_runs_total{module="FP_MOD_TCAM",group="acl",name="add"})"), 0u);
    EXPECT_EQ(appmng.count(R"(fpss_counter_enabled{module="FP_MOD_APPMNG"})"), 1u);
}

TEST(Oplog, MergesTheTwoFilesInTimeOrder) {
    const std::string first =
        "\n--------------log file-------------\n2024-05-01 10:00:00.100--acl_add,\n"
        "2024-05-01 10:00:00.300--first \nwith a line end \n";
    const std::string second =
        "\n--------------log file1-------------\n2024-05-01 10:00:00.200--ace_add,\n"
        "2024-05-01 10:00:00.300--second \n2024-05-01 10:00:01.000--last \n";
    EXPECT_EQ(fpsh::merge_logs(first, second),
              "2024-05-01 10:00:00.100--acl_add,\n2024-05-01 10:00:00.200--ace_add,\n"
              "2024-05-01 10:00:00.300--first \nwith a line end \n2024-05-01 10:00:00.300--second \n"
              "2024-05-01 10:00:01.000--last \n");
}

// The follower prints what is there, then what is written after that.
TEST(Oplog, FollowShowsLinesWrittenLater) {
    const std::string tag = std::to_string(getpid());
    ASSERT_EQ(fpsh_test::run("-c 'log text before" + tag + "'").status, 0);
    FILE *follower = popen((std::string(FPSH_PATH) + " -c 'oplog fpsh follow 5'").c_str(), "r");
    ASSERT_NE(follower, nullptr);
    std::string out;
    char line[2048];
    while (out.find("before" + tag) == std::string::npos && fgets(line, sizeof line, follower) != nullptr) out += line;
    ASSERT_EQ(fpsh_test::run("-c 'log text after" + tag + "'").status, 0);
    while (fgets(line, sizeof line, follower) != nullptr) out += line;
    EXPECT_EQ(pclose(follower), 0);
    EXPECT_NE(out.find("--after" + tag + " \n"), std::string::npos) << out;
}

}  // namespace
