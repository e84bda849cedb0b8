// The four report forms: the switch of each, its exact text and flush, and the platform-log leg of errors.
#include <gtest/gtest.h>

#include <future>

#include "core/report.h"
#include "core/text.h"
#include "fpss_test.h"

using fpss_test::flushed_output;
using fpss_test::PlatformRecorder;

namespace {

constexpr fpss::Family kFamily{"tests/report", "tests/core/test_report.cpp"};
int g_category;
bool service_hdl_is_set = false;

constexpr int kErrorLine = __LINE__ + 1;
int report_error() { return FPSS_ERROR("libss_fp_pub_init", "no enough memory, rv: %d", -2); }
std::string at(const char *head, int line, const char *tail) { return head + std::to_string(line) + tail; }
bool unlocked() {  // another thread may take standard output's lock
    return std::async(std::launch::async, [] { return ftrylockfile(stdout) == 0 && (funlockfile(stdout), true); })
        .get();
}

TEST(Report, ErrorLegsFollowTheSwitchTheLevelAndTheCategory) {
    EXPECT_TRUE(fp_debug_sw == 0 && g_policy_error_zlog_level == 6 && g_policy_error_zlog_category == nullptr);
    const std::string printed = at("\n !!!!!!!!Error libss_fp_pub_init[", kErrorLine, "]:no enough memory, rv: -2");
    // Switch, level and category: formats and hand-overs to the platform log.
    constexpr uint32_t kOn = SS_FP_DBG_FLAG_ERROR;
    void *const kSet = &g_category, *const kNone = nullptr;
    const std::tuple<uint32_t, int, void *, int, size_t> cases[] = {
        {0, 6, kSet, 1, 1}, {kOn, 0, kSet, 0, 0}, {0, 6, kNone, 1, 0}, {kOn, 1, kNone, 1, 0}, {~0u, -1, kSet, 1, 1}};
    for (auto [sw, level, category, formatted, handed] : cases) {
        PlatformRecorder::reset();
        std::tie(fp_debug_sw, g_policy_error_zlog_level, g_policy_error_zlog_category) = std::tie(sw, level, category);
        EXPECT_EQ(flushed_output([] { EXPECT_EQ(report_error(), 0); }), sw & kOn ? printed : "");
        EXPECT_TRUE(unlocked());
        auto calls = PlatformRecorder::zlog_calls();
        ASSERT_EQ(std::make_pair(PlatformRecorder::snprintf_calls(), calls.size()), std::make_pair(formatted, handed));
        for (const auto &z : calls)
            EXPECT_EQ(std::tie(z.category, z.file, z.file_len, z.func, z.func_len, z.line, z.level, z.format, z.text),
                      std::make_tuple(&g_category, "tests/core/test_report.cpp", 26, "libss_fp_pub_init", 17,
                                      kErrorLine, 100, "%s", "no enough memory, rv: -2"));
    }
    const std::string big(1500, 'x');  // a long message is cut for the platform log only
    std::string out = flushed_output([&] { FPSS_ERROR("f", "%s\n", big.c_str()); });
    EXPECT_EQ(out.substr(out.find(":x")), ":" + big + "\n");
    EXPECT_EQ(PlatformRecorder::zlog_calls().back().text, std::string(1023, 'x'));
    PlatformRecorder::fail_formatter();  // writes nothing: the text handed over is empty
    flushed_output([] { report_error(); });
    EXPECT_EQ(PlatformRecorder::zlog_calls().back().text, "");
    PlatformRecorder::reset();
}

TEST(Report, NoticeAssertionAndStartUpTraceFollowTheirOwnSwitch) {
    const int line = __LINE__ + 2;
    auto report = [] {
        FPSS_NOTICE("libss_fp_get_service_id_in", "service_id_in:%u not found\n", 7u);
        EXPECT_FALSE(FPSS_CHECK(service_hdl_is_set == true));
        FPSS_INIT_TRACE("ss_fp_debug_init_sw");
    };
    const std::string texts[] = {
        at("\n !!!!!!!!Notice libss_fp_get_service_id_in[", line, "]:service_id_in:7 not found\n"),
        at("ASSERT fail! - tests/core/test_report.cpp: ", line + 1, ".\nservice_hdl_is_set == true."),
        at("\n [FP_INIT]: ss_fp_debug_init_sw[", line + 2, "]:")};
    const uint32_t switches[] = {SS_FP_DBG_FLAG_NOTICE, SS_FP_DBG_FLAG_ASSERT, SS_FP_DBG_FLAG_INIT};
    for (int i = 0; i < 3; ++i) {
        std::string expected;  // every form but the one switched off
        for (int j = 0; j < 3; ++j) expected += j != i ? texts[j] : "";
        fp_debug_sw = ~switches[i];
        EXPECT_EQ(flushed_output(report), expected) << i;
    }
    EXPECT_TRUE(PlatformRecorder::zlog_calls().empty() && unlocked());
}

// The bounded text builder: empty when made, cut at its body, the end text cut to the room kept for it.
TEST(Text, CutsBodyAndEndToTheirRoom) {
    fpss::Text<8, 2> t;  // five body characters, two end characters and the NUL
    EXPECT_EQ(std::string(t.str()) + "|" + std::to_string(t.size()), "|0");
    t.add("%s", "abc"), t.add("%d", 12345);
    EXPECT_EQ(std::make_tuple(std::string(t.str()), t.size(), t.cut()), std::make_tuple("abc12", size_t(5), true));
    t.finish(" \n\n"), t.add("x");
    EXPECT_EQ(std::make_tuple(std::string(t.str()), t.size()), std::make_tuple("abc12 \n", size_t(7)));
    fpss::Text<8, 2> u;  // one character too many, then appends after the end
    u.add("%s", "abcdef"), u.finish("!"), u.add("x");
    EXPECT_EQ(std::make_tuple(std::string(u.str()), u.size(), u.cut()), std::make_tuple("abcde!", size_t(6), true));
    fpss::Text<8, 2> v;
    v.add("ab"), v.finish("!"), v.add("x");
    EXPECT_EQ(std::make_tuple(std::string(v.str()), v.cut()), std::make_tuple("ab!", true));
}

}  // namespace
