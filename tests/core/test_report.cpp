// The four report forms and the platform-log leg of error reports.
#include <gtest/gtest.h>

#include <string>

#include "fpss_test.h"
#include "core/report.h"

using fpss_test::PlatformRecorder;
using fpss_test::StdoutCapture;

namespace {

constexpr fpss::Family kFamily{"tests/report", "tests/core/test_report.cpp"};
int g_category_token;
bool service_hdl_is_set = false;  // named by an assertion text below

class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fp_debug_sw = 0;
        g_policy_error_zlog_level = 6;
        g_policy_error_zlog_category = nullptr;
        PlatformRecorder::reset();
    }
};

// Reports a fixed error from a known line; returns that line.
int report_sample_error(int rv) {
    int line = __LINE__ + 1;
    FPSS_ERROR("libss_fp_pub_init", "no enough memory, rv: %d", rv);
    return line;
}

TEST_F(ReportTest, LoadValuesOfTheSettings) {
    // SetUp restores them; these are the values the globals start with.
    EXPECT_EQ(fp_debug_sw, 0u);
    EXPECT_EQ(g_policy_error_zlog_level, 6);
    EXPECT_EQ(g_policy_error_zlog_category, nullptr);
}

TEST_F(ReportTest, ErrorGoesOnlyToThePlatformLogWhenTheSwitchIsOff) {
    g_policy_error_zlog_category = &g_category_token;
    StdoutCapture out;
    int line = report_sample_error(-2);
    EXPECT_EQ(out.take(), "");
    auto calls = PlatformRecorder::zlog_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].category, &g_category_token);
    EXPECT_EQ(calls[0].file, "tests/core/test_report.cpp");
    EXPECT_EQ(calls[0].file_len, calls[0].file.size());
    EXPECT_EQ(calls[0].func, "libss_fp_pub_init");
    EXPECT_EQ(calls[0].func_len, 17u);
    EXPECT_EQ(calls[0].line, line);
    EXPECT_EQ(calls[0].level, 100);
    EXPECT_EQ(calls[0].format, "%s");
    EXPECT_EQ(calls[0].text, "no enough memory, rv: -2");
}

TEST_F(ReportTest, ErrorPrintsItsLineWhenTheSwitchIsOn) {
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    g_policy_error_zlog_level = 0;
    g_policy_error_zlog_category = &g_category_token;
    StdoutCapture out;
    int line = report_sample_error(-2);
    EXPECT_EQ(out.take(), "\n !!!!!!!!Error libss_fp_pub_init[" + std::to_string(line) + "]:no enough memory, rv: -2");
    EXPECT_EQ(PlatformRecorder::snprintf_calls(), 0);
    EXPECT_TRUE(PlatformRecorder::zlog_calls().empty());
}

TEST_F(ReportTest, ErrorWithoutCategoryIsFormattedButNotHandedOver) {
    StdoutCapture out;
    report_sample_error(-2);
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(PlatformRecorder::snprintf_calls(), 1);
    EXPECT_TRUE(PlatformRecorder::zlog_calls().empty());
}

TEST_F(ReportTest, LongMessageIsCutForThePlatformLogOnly) {
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    g_policy_error_zlog_category = &g_category_token;
    std::string big(1500, 'x');
    StdoutCapture out;
    FPSS_ERROR("f", "%s\n", big.c_str());
    std::string printed = out.take();
    EXPECT_NE(printed.find(big + "\n"), std::string::npos);
    auto calls = PlatformRecorder::zlog_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, std::string(1023, 'x'));
}

TEST_F(ReportTest, NoticeAssertionAndStartUpTraceFollowTheirSwitches) {
    {
        StdoutCapture out;
        FPSS_NOTICE("libss_fp_get_service_id_in", "service_id_in:%u not found\n", 7u);
        FPSS_CHECK(1 == 2);
        FPSS_INIT_TRACE("ss_fp_debug_init_sw");
        EXPECT_EQ(out.take(), "");
    }
    fp_debug_sw = SS_FP_DBG_FLAG_NOTICE | SS_FP_DBG_FLAG_ASSERT | SS_FP_DBG_FLAG_INIT;
    StdoutCapture out;
    int l1 = __LINE__ + 1;
    FPSS_NOTICE("libss_fp_get_service_id_in", "service_id_in:%u not found\n", 7u);
    int l2 = __LINE__ + 1;
    bool ok = FPSS_CHECK(service_hdl_is_set == true);
    int l3 = __LINE__ + 1;
    FPSS_INIT_TRACE("ss_fp_debug_init_sw");
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.take(), "\n !!!!!!!!Notice libss_fp_get_service_id_in[" + std::to_string(l1) +
                              "]:service_id_in:7 not found\n"
                              "ASSERT fail! - tests/core/test_report.cpp: " + std::to_string(l2) +
                              ".\nservice_hdl_is_set == true."
                              "\n [FP_INIT]: ss_fp_debug_init_sw[" + std::to_string(l3) + "]:");
    EXPECT_TRUE(PlatformRecorder::zlog_calls().empty());
}

TEST_F(ReportTest, PassingCheckPrintsNothing) {
    fp_debug_sw = SS_FP_DBG_FLAG_ASSERT;
    StdoutCapture out;
    EXPECT_TRUE(FPSS_CHECK(2 > 1));
    EXPECT_EQ(out.take(), "");
}

}  // namespace
