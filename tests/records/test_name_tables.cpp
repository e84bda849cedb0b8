// Each flag's name, value size and offsets in two bitmaps, and the name tables, against a data file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fpss_test.h"
#include "ss_fp_appmng.h"

namespace {

template <class Len, class Off>
std::string rows(const char *const *names, uint32_t count, uint32_t words, Len len, Off off) {
    const std::vector<uint32_t> ones(words, ~0u), alternate(words, 0x5a5a5a5au);
    std::string s;
    for (uint32_t f = 0; f <= words * 32 + 1; ++f)
        s += std::to_string(f) + " " + (f <= count ? names[f] : "-") + " " + std::to_string(len(f)) + " " +
             std::to_string(off(ones.data(), f)) + " " + std::to_string(off(alternate.data(), f)) + "\n";
    return s;
}

TEST(RecordTables, SizesOffsetsAndNames) {
    std::string s = rows(fp_rule_flag_strings, SS_FP_RULE_MAX, SS_FP_RULE_FLAG_WORDS, ss_fp_rule_value_len,
                         ss_fp_rule_value_offset) +
                    rows(fp_action_flag_strings, SS_FP_ACTION_MAX, SS_FP_ACTION_FLAG_WORDS, ss_fp_action_value_len,
                         ss_fp_action_value_offset);
    for (int op = 0; op < SS_FP_APPMNG_OP_COUNT; ++op) s += std::to_string(op) + " " + g_ss_fp_op_string_1[op] + "\n";
    for (int t = 0; t <= SS_FP_APP_TYPE_MAX; ++t)
        s += std::to_string(t) + " " + (t < SS_FP_APP_TYPE_MAX ? lib_fp_app_string[t] : "-") + " " +
             g_ss_fp_app_string[t] + "\n";
    EXPECT_TRUE(fpss_test::golden("records/tables.txt", s));
    EXPECT_EQ(ss_fp_rule_value_offset(nullptr, 9) + ss_fp_action_value_offset(nullptr, 9), 0u);
}

}  // namespace
