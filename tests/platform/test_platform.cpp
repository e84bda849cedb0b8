// The platform layer's own calls, used for real: the logging service, the
// formatter, time text and chip count, and the debug-shell command table.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "ss_fp_platform.h"

namespace {

std::string masked(const std::string &text) {
    return std::regex_replace(text, std::regex("[-0-9]{10} [:0-9]{8}\\.[0-9]{3}"), "T");
}

TEST(Platform, LogRecordsFormatterTimeAndChips) {
    const std::string path = testing::TempDir() + "fpss_plat_" + std::to_string(getpid()) + ".log";
    ASSERT_EQ(qxdf_zlog_set_output(QXDF_ZLOG_FILE, path.c_str()), 0);
    EXPECT_EQ(qxdf_zlog_set_output(QXDF_ZLOG_FILE, "/nonexistent/x.log") + qxdf_zlog_set_output(7, nullptr), -2);
    void *cat = qxdf_zlog_category_get("cat");
    EXPECT_TRUE(cat != nullptr && qxdf_zlog_category_get(std::string("cat").c_str()) == cat &&
                qxdf_zlog_category_get("other") != cat && qxdf_zlog_category_get("") == nullptr);
    // The lengths, not the NULs, bound the file and function names; a record is one line.
    EXPECT_EQ(qxdf_zlog(cat, "app/x.cppTRAILING", 9, "fnXYZ", 2, 42, QXDF_ZLOG_LEVEL_ERROR, "a\nb\r\n<%s>\n", "c"), 0);
    qxdf_zlog_category_set_level(cat, QXDF_ZLOG_LEVEL_NOTICE);
    EXPECT_EQ(qxdf_zlog(cat, "f", 1, "g", 1, 4, 40, "below") + qxdf_zlog(nullptr, "f", 1, "g", 1, 5, 100, "x"), -2);
    EXPECT_EQ(qxdf_zlog(cat, nullptr, 0, "g", 1, 6, 121, "%s", std::string(600, 'q').c_str()), 0);
    std::stringstream file;
    file << std::ifstream(path).rdbuf();
    EXPECT_EQ(masked(file.str()),
              "T ERROR [cat] app/x.cpp:42 fn: a b  <c>\nT 121 [cat] :6 g: " + std::string(600, 'q') + "\n");
    unlink(path.c_str());
    char buf[8], text[24];
    EXPECT_EQ(at_snprintf(buf, sizeof buf, "%s-%d", "abcdef", 123), 10);
    EXPECT_STREQ(buf, "abcdef-");
    EXPECT_EQ(masked(qx_time_2_string(text, sizeof text)), "T");
    auto chips = [](const char *env) { return setenv("SS_FP_CHIP_NUM", env, 1), libddm_get_local_chip_num(); };
    EXPECT_EQ((std::vector<int>{chips("64"), chips("007"), chips("65"), chips(" 2")}), (std::vector<int>{64, 7, 1, 1}));
}

uint32_t g_arg;
int handler(uint32_t v) { return g_arg = v, 7; }

TEST(Platform, ShellCommandsRegisterReplaceAndRun) {
    void *const h = reinterpret_cast<void *>(&handler);
    for (const char *t : {"", "%d", "=%d", "x=%s", "a b=%d"}) EXPECT_EQ(ssat_reg_mod_cmd(1, "bad", 0, t, h), -1);
    EXPECT_EQ(ssat_reg_mod_cmd(1, "", 0, "x=%d", h) + ssat_reg_mod_cmd(1, "bad", 0, "x=%d", nullptr), -2);
    const size_t base = ssat_cmd_count();
    ssat_cmd_info_t info;
    ASSERT_EQ(ssat_reg_mod_cmd(1, "x", 0, "dbg_flags=%x, $d", h) + ssat_reg_mod_cmd(1, "d", 3, "op=%d, $d", h), 0);
    ASSERT_EQ(ssat_reg_mod_cmd(1, "x", 5, "mask=%x, $d", h), 0);  // replaces the command in its place
    ASSERT_EQ(ssat_cmd_count(), base + 2);
    ASSERT_EQ(ssat_cmd_get(base, &info) + ssat_cmd_get(base + 2, &info), -1);
    EXPECT_EQ(
        std::make_tuple(info.module, std::string(info.name), std::string(info.arg_name), info.conversion, info.flags),
        std::make_tuple(uint64_t{1}, std::string("x"), std::string("mask"), 'x', 5));
    int result = 0;
    EXPECT_EQ(ssat_cmd_run(1, "x", " mask=0xFFFFFFFF\t", &result), 0);
    EXPECT_TRUE(result == 7 && g_arg == ~0u) << result << " " << g_arg;
    EXPECT_EQ(ssat_cmd_run(1, "d", "op=-2147483648", nullptr) + ssat_cmd_run(2, "d", "1", nullptr), -1);
    for (const char *arg : {"0x", "-1", "1 2", "100000000", "op=1"}) EXPECT_EQ(ssat_cmd_run(1, "x", arg, nullptr), -2);
    for (const char *arg : {"1f", "2147483648", "op=1=2"}) EXPECT_EQ(ssat_cmd_run(1, "d", arg, nullptr), -2) << arg;
    EXPECT_EQ(g_arg, 0x80000000u);
}

}  // namespace
