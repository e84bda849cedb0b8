// Request records: layouts, the value-size rule, the packed value offsets and
// the name tables. Expected names and sizes are written out here, row by row,
// from the record documentation, never taken from the library's own tables.
#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ss_fp_appmng.h"

namespace {

void set_flag(uint32_t *bitmap, uint32_t f) { bitmap[f / 32] |= uint32_t{1} << (f % 32); }

class AppmngRecordsTest : public ::testing::Test {
  protected:
    uint32_t rules_[SS_FP_RULE_FLAG_WORDS] = {};
    uint32_t actions_[SS_FP_ACTION_FLAG_WORDS] = {};
};

// Value sizes of rule flags, grouped by size: every flag 0 to 197 once.
const std::vector<std::pair<uint32_t, std::vector<uint32_t>>> kRuleSizes = {
    {0, {0, 89, 90, 91}},
    {1, {42, 43, 44, 45, 46, 47, 52, 61, 76, 88, 95, 97, 144}},
    {2, {7, 8, 9, 11, 12, 13, 15, 16, 21, 27, 28, 33, 75, 78, 85, 96, 115, 152, 153, 154, 160, 161, 163, 165,
         171, 173, 174, 179, 180, 185, 191, 196}},
    {4, {5, 6, 10, 14, 23, 29, 30, 37, 38, 41, 55, 58, 63, 66, 68, 69, 70, 71, 77, 81, 82, 83, 86, 87, 93, 94,
         102, 104, 106, 108, 137, 138, 140, 141, 142, 143, 145, 151, 158, 159, 162, 164, 166, 169, 170, 177,
         178, 183, 184, 188, 189, 195, 197}},
    {6, {117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136}},
    {8, {17, 18, 19, 20, 22, 24, 31, 32, 34, 35, 36, 39, 40, 49, 50, 51, 54, 56, 57, 60, 62, 72, 73, 79, 80, 84,
         92, 98, 99, 100, 101, 103, 105, 107, 109, 110, 111, 112, 113, 114, 116, 139, 146, 147, 148, 149, 150,
         156, 157, 167, 168, 175, 176, 181, 182, 186, 187, 190, 192, 193, 194}},
    {12, {1, 2, 3, 4, 59, 67, 74, 155}},
    {16, {48}},
    {32, {25, 26, 64, 65, 172}},
    {160, {53}},
};

// Value sizes of action flags 1 to 46, grouped by size.
const std::vector<std::pair<uint32_t, std::vector<uint32_t>>> kActionSizes = {
    {1, {32, 37, 38, 39, 41}},
    {2, {13, 14}},
    {3, {2, 7}},
    {4, {1, 6, 9, 15, 21, 22, 23, 24, 25, 26, 27, 30, 31, 34, 35, 40, 43, 44, 46}},
    {6, {16, 17, 18, 19, 20}},
    {7, {10, 11, 12}},
    {8, {5, 28, 29, 36, 45}},
    {28, {4}},
    {32, {3}},
    {48, {8, 42}},
    {192, {33}},
};

TEST_F(AppmngRecordsTest, RuleValueSizesFollowTheList) {
    std::set<uint32_t> seen;
    for (const auto &[size, flags] : kRuleSizes) {
        for (uint32_t f : flags) {
            EXPECT_EQ(ss_fp_rule_value_len(f), size) << "rule flag " << f;
            EXPECT_TRUE(seen.insert(f).second) << "rule flag " << f << " listed twice";
        }
    }
    EXPECT_EQ(seen.size(), 198u);
    EXPECT_EQ(*seen.rbegin(), 197u);
    // The count marker and anything above have no value.
    EXPECT_EQ(ss_fp_rule_value_len(198), 0u);
    EXPECT_EQ(ss_fp_rule_value_len(224), 0u);
    EXPECT_EQ(ss_fp_rule_value_len(UINT32_MAX), 0u);
}

TEST_F(AppmngRecordsTest, ActionValueSizesFollowTheTableWithEightElsewhere) {
    std::set<uint32_t> seen;
    for (const auto &[size, flags] : kActionSizes) {
        for (uint32_t f : flags) {
            EXPECT_EQ(ss_fp_action_value_len(f), size) << "action flag " << f;
            EXPECT_TRUE(seen.insert(f).second);
        }
    }
    EXPECT_EQ(seen.size(), 46u);
    for (uint32_t f : {0u, 47u, 48u, 127u, 1000u, UINT32_MAX}) EXPECT_EQ(ss_fp_action_value_len(f), 8u) << f;
}

TEST_F(AppmngRecordsTest, RuleNameTable) {
    EXPECT_EQ(sizeof fp_rule_flag_strings / sizeof fp_rule_flag_strings[0], 199u);
    const std::vector<std::pair<int, const char *>> rows = {
        {0, "SS_FP_RULE_NONE"},
        {1, "SS_FP_RULE_MAC_DST"},
        {4, "SS_FP_RULE_MAC_TARGET"},
        {9, "SS_FP_RULE_PRIO_IN"},
        {14, "SS_FP_RULE_IPV4_FRAGMENT"},
        {19, "SS_FP_RULE_SENDER_IPV4_SRC"},
        {24, "SS_FP_RULE_IPV6_HOP_LIMIT"},
        {31, "SS_FP_RULE_SRC_L4PORT_RANGE"},
        {37, "SS_FP_RULE_FC_HDR1"},
        {42, "SS_FP_RULE_HIT_STATE_L3_DA_HOST"},
        {47, "SS_FP_RULE_HIT_STATE_L2_SA_STATIC"},
        {53, "SS_FP_RULE_ACL80"},
        {56, "SS_FP_RULE_INTERFACECLASSL3"},
        {63, "SS_FP_RULE_FORWARDINGTYPE"},
        {67, "SS_FP_RULE_L2GRE_PAYLOAD_DMAC"},
        {73, "SS_FP_RULE_MPLS_FWD_LABEL_ACTION"},
        {78, "SS_FP_RULE_VLANFORMAT"},
        {86, "SS_FP_RULE_DSTTRUNK"},
        {89, "SS_FP_RULE_IN_PORT"},
        {90, "SS_FP_RULE_IN_PORTS"},
        {91, "SS_FP_RULE_INTERFACE_CLASS_PORT"},
        {96, "SS_FP_RULE_DST_IP6_CLASS_ID"},
        {103, "SS_FP_RULE_STAT_ID7"},
        {109, "SS_FP_RULE_MPLS_LABEL1"},
        {116, "SS_FP_RULE_BFD_ECHO_INTERVAL"},
        {117, "SS_FP_RULE_UDF1"},
        {136, "SS_FP_RULE_UDF20"},
        {138, "SS_FP_RULE_IPV4_DST_LOW16"},
        {144, "SS_FP_RULE_TUNNEL_TERMINATED"},
        {155, "SS_FP_RULE_VXLAN_INNER_DMAC"},
        {161, "SS_FP_RULE_VXLAN_INNER_IPV6_NEXT_HDR"},
        {169, "SS_FP_RULE_VXLAN_ARP_OP_CODE"},
        {174, "SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL_DST_L4PORT"},
        {179, "SS_FP_RULE_VXLAN_INNER_TCP_FLAG_DST_L4PORT"},
        {185, "SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL_DST_L4PORT"},
        {189, "SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT_DST_L4PORT"},
        {193, "SS_FP_RULE_EM_ACTION_CLASS0"},
        {197, "SS_FP_RULE_L3_PKT_TYPE"},
        {198, "SS_FP_RULE_MAX"},
    };
    for (const auto &[i, name] : rows) EXPECT_STREQ(fp_rule_flag_strings[i], name) << i;
    std::set<std::string> names;
    for (const char *s : fp_rule_flag_strings) {
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(std::string(s).rfind("SS_FP_RULE_", 0), 0u) << s;
        names.insert(s);
    }
    EXPECT_EQ(names.size(), 199u);
    // The enumerators name the table's rows.
    EXPECT_STREQ(fp_rule_flag_strings[SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST], "SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST");
    EXPECT_EQ(SS_FP_RULE_IPV4_DST, 18);
    EXPECT_EQ(SS_FP_RULE_MAX, 198);
}

TEST_F(AppmngRecordsTest, ActionNameTable) {
    const char *const expected[48] = {
        "SS_FP_ACTION_NONE", "SS_FP_ACTION_CTRL", "SS_FP_ACTION_FWD", "SS_FP_ACTION_MIRROR",
        "SS_FP_ACTION_REDIRECT", "SS_FP_ACTION_L3_SWITCH", "SS_FP_ACTION_CPU_CODE", "SS_FP_ACTION_EGRESS_MASK",
        "SS_FP_ACTION_METER", "SS_FP_ACTION_COUNTER", "SS_FP_ACTION_CTRL_COS", "SS_FP_ACTION_COS",
        "SS_FP_ACTION_COS_IN", "SS_FP_ACTION_VID", "SS_FP_ACTION_VID_IN", "SS_FP_ACTION_ADD_TAG",
        "SS_FP_ACTION_PRIO_IN", "SS_FP_ACTION_IPV4_TOS", "SS_FP_ACTION_IPV4_PREC", "SS_FP_ACTION_IPV4_DSCP",
        "SS_FP_ACTION_IPV6_TC", "SS_FP_ACTION_VOQ_ID", "SS_FP_ACTION_WRED_ID", "SS_FP_ACTION_MIRROR_ID",
        "SS_FP_ACTION_VLAN_ACTION_ID", "SS_FP_ACTION_TRAP_ID", "SS_FP_ACTION_SNOOPING_ID", "SS_FP_ACTION_MC_ID",
        "SS_FP_ACTION_SYSTEM_HEADER_SET", "SS_FP_ACTION_STRIP", "SS_FP_ACTION_VRF", "SS_FP_ACTION_REDIRECT_VLAN",
        "SS_FP_ACTION_VXLAN_TERMINATED", "SS_FP_ACTION_EGRESS_MASK_PORTS", "SS_FP_ACTION_VFP_DST_CLASS_SET",
        "SS_FP_ACTION_VFP_SRC_CLASS_SET", "SS_FP_ACTION_STATSAMPLING", "SS_FP_ACTION_DO_NOT_LEARN",
        "SS_FP_ACTION_SC", "SS_FP_ACTION_MPLS_EXP", "SS_FP_ACTION_CONTAINER", "SS_FP_ACTION_DROP_PREC",
        "SS_FP_ACTION_ISQ_METER", "SS_FP_ACTION_CLASS_DST_SET", "SS_FP_ACTION_CLASS_SRC_SET",
        "SS_FP_ACTION_SRCVXLAN_GPORT", "SS_FP_ACTION_EM_CLASS", "SS_FP_ACTION_MAX",
    };
    ASSERT_EQ(sizeof fp_action_flag_strings / sizeof fp_action_flag_strings[0], 48u);
    for (int i = 0; i < 48; ++i) EXPECT_STREQ(fp_action_flag_strings[i], expected[i]) << i;
    EXPECT_EQ(SS_FP_ACTION_METER, 8);
    EXPECT_EQ(SS_FP_ACTION_MAX, 47);
}

TEST_F(AppmngRecordsTest, OperationNameTable) {
    const char *const expected[32] = {
        "SS_FP_APPMNG_CRT_ACL", "SS_FP_APPMNG_DEL_ACL", "SS_FP_APPMNG_ADD_ACE", "SS_FP_APPMNG_DEL_ACE",
        "SS_FP_APPMNG_APPLY_ACL", "SS_FP_APPMNG_UNAPPLY_ACL", "SS_FP_APPMNG_SET_UPLINK",
        "SS_FP_APPMNG_ACL_COUNTER", "SS_FP_APPMNG_ACE_COUNTER", "SSD_FP_APPMNG_ACE_COUNTER_NOTIFY",
        "SS_FP_APPMNG_PACKAGE", "SS_FP_APPMNG_GET_ACL", "SS_FP_APPMNG_GET_ACE", "SS_FP_APPMNG_FREE_ACL",
        "SS_FP_APPMNG_FREE_ACE", "SS_FP_APPMNG_DEL_ACES", "SS_FP_APPMNG_UPDATE_ACE_ACTION",
        "SS_FP_APPMNG_UPDATE_ACL_ACTION", "SS_FP_APPMNG_REPLACE_ACL", "SS_FP_APPMNG_DS_SET_STATE",
        "SS_FP_APPMNG_DS_SERVICE", "SS_FP_APPMNG_SET_CPP", "SS_FP_APPMNG_NOTIFY_AP", "SS_FP_APPMNG_NOTIFY_VIRVLAN",
        "SS_FP_APPMNG_VSD_MSG", "SS_FP_APPMNG_DS_COHERENCE", "SS_FP_APPMNG_ACL_RESEQ",
        "SS_FP_APPMNG_SVI_ROUTER_ACL", "SS_FP_APPMNG_DS_RTN_MSG", "SS_FP_APPMNG_PORT_ON_OFF",
        "SS_FP_APPMNG_GET_RES", "SS_FP_APPMNG_SET_RES",
    };
    ASSERT_EQ(sizeof g_ss_fp_op_string_1 / sizeof g_ss_fp_op_string_1[0], 32u);
    for (int i = 0; i < 32; ++i) EXPECT_STREQ(g_ss_fp_op_string_1[i], expected[i]) << i;
    EXPECT_EQ(SSD_FP_APPMNG_ACE_COUNTER_NOTIFY, 9);
    EXPECT_EQ(SS_FP_APPMNG_SET_RES, 31);
}

TEST_F(AppmngRecordsTest, ApplicationTypeTablesAgree) {
    ASSERT_EQ(sizeof lib_fp_app_string / sizeof lib_fp_app_string[0], 186u);
    ASSERT_EQ(sizeof g_ss_fp_app_string / sizeof g_ss_fp_app_string[0], 187u);
    EXPECT_STREQ(lib_fp_app_string[0], "NONE");
    EXPECT_STREQ(g_ss_fp_app_string[0], "SS_FP_APP_TYPE_NONE");
    EXPECT_STREQ(g_ss_fp_app_string[186], "SS_FP_APP_TYPE_MAX");
    EXPECT_STREQ(lib_fp_app_string[185], "RSVD_185");
    EXPECT_EQ(SS_FP_APP_TYPE_MAX, 186);
    std::set<std::string> shorts;
    for (int t = 0; t < 186; ++t) {
        ASSERT_NE(lib_fp_app_string[t], nullptr);
        ASSERT_NE(g_ss_fp_app_string[t], nullptr);
        std::string s = lib_fp_app_string[t];
        EXPECT_EQ(std::string("SS_FP_APP_TYPE_") + s, g_ss_fp_app_string[t]) << t;
        for (char c : s) EXPECT_TRUE(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(c) || c == '_') << s;
        EXPECT_TRUE(shorts.insert(s).second) << s << " named twice";
    }
}

TEST_F(AppmngRecordsTest, AceWithMacIpv4AndTwoActionsIs99Bytes) {
    set_flag(rules_, SS_FP_RULE_MAC_SRC);
    set_flag(rules_, SS_FP_RULE_IPV4_DST);
    set_flag(actions_, SS_FP_ACTION_CTRL);
    set_flag(actions_, SS_FP_ACTION_FWD);
    uint32_t rule_len = ss_fp_rule_value_offset(rules_, SS_FP_RULE_MAX);
    uint32_t action_len = ss_fp_action_value_offset(actions_, SS_FP_ACTION_MAX);
    EXPECT_EQ(rule_len, 20u);
    EXPECT_EQ(action_len, 7u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, SS_FP_RULE_MAC_SRC), 0u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, SS_FP_RULE_IPV4_DST), 12u);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, SS_FP_ACTION_CTRL), 0u);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, SS_FP_ACTION_FWD), 4u);

    // Build it the way a request builder does and find the values again.
    size_t total = sizeof(ss_fp_appmng_ace_t) + rule_len + action_len;
    EXPECT_EQ(total, 99u);
    auto *ace = static_cast<ss_fp_appmng_ace_t *>(std::calloc(1, total));
    ASSERT_NE(ace, nullptr);
    std::memcpy(ace->rule_flags, rules_, sizeof rules_);
    std::memcpy(ace->action_flags, actions_, sizeof actions_);
    ace->rule_len = static_cast<uint16_t>(rule_len);
    ace->action_len = static_cast<uint16_t>(action_len);
    const uint8_t fwd[3] = {0xa1, 0xa2, 0xa3};
    std::memcpy(ace->buffer + ace->rule_len + ss_fp_action_value_offset(ace->action_flags, SS_FP_ACTION_FWD), fwd,
                sizeof fwd);
    const auto *bytes = reinterpret_cast<const uint8_t *>(ace);
    EXPECT_EQ(bytes[72 + 20 + 4], 0xa1);
    EXPECT_EQ(bytes[98], 0xa3);
    std::free(ace);

    // An apply record keeps its action values first.
    ss_fp_appmng_apply_t apply{};
    std::memcpy(apply.action_flags, actions_, sizeof actions_);
    std::memcpy(apply.rule_flags, rules_, sizeof rules_);
    EXPECT_EQ(action_len + ss_fp_rule_value_offset(apply.rule_flags, SS_FP_RULE_IPV4_DST), 19u);
    EXPECT_EQ(sizeof(ss_fp_appmng_apply_t) + rule_len + action_len, 183u);
}

TEST_F(AppmngRecordsTest, EmptyBitmapsTakeNoValueBytes) {
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, SS_FP_RULE_MAX), 0u);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, SS_FP_ACTION_MAX), 0u);
    EXPECT_EQ(sizeof(ss_fp_appmng_ace_t), 72u);
    EXPECT_EQ(ss_fp_rule_value_offset(nullptr, 100), 0u);
    EXPECT_EQ(ss_fp_action_value_offset(nullptr, 40), 0u);
}

TEST_F(AppmngRecordsTest, ZeroSizeRuleFlagsAddNoBytes) {
    set_flag(rules_, SS_FP_RULE_MAC_DST);
    set_flag(rules_, SS_FP_RULE_SRC_VP_CLASS_ID);
    uint32_t before = ss_fp_rule_value_offset(rules_, SS_FP_RULE_SRC_VP_CLASS_ID);
    EXPECT_EQ(before, 12u);
    for (uint32_t f : {0u, 89u, 90u, 91u}) set_flag(rules_, f);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, SS_FP_RULE_SRC_VP_CLASS_ID), before);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, SS_FP_RULE_IN_PORTS), 12u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, SS_FP_RULE_MAX), 20u);
}

TEST_F(AppmngRecordsTest, ActionNoneCountsEightBytes) {
    set_flag(actions_, SS_FP_ACTION_NONE);
    set_flag(actions_, SS_FP_ACTION_CTRL);
    set_flag(actions_, SS_FP_ACTION_FWD);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, SS_FP_ACTION_NONE), 0u);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, SS_FP_ACTION_CTRL), 8u);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, SS_FP_ACTION_FWD), 12u);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, SS_FP_ACTION_MAX), 15u);
}

TEST_F(AppmngRecordsTest, OffsetsCrossWordBoundaries) {
    for (uint32_t f : {31u, 32u, 63u, 64u, 96u, 127u, 128u, 160u, 192u, 197u}) set_flag(rules_, f);
    // 31: 8, 32: 8, 63: 4, 64: 32, 96: 2, 127: 6, 128: 6, 160: 2, 192: 8, 197: 4.
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 32), 8u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 64), 20u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 65), 52u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 128), 60u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 197), 76u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, SS_FP_RULE_MAX), 80u);

    for (uint32_t f : {31u, 32u, 33u, 46u}) set_flag(actions_, f);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, 33), 5u);   // 31: 4, 32: 1
    EXPECT_EQ(ss_fp_action_value_offset(actions_, 46), 197u); // + 33: 192
    EXPECT_EQ(ss_fp_action_value_offset(actions_, 47), 201u); // + 46: 4
}

TEST_F(AppmngRecordsTest, BitsAtAndAboveTheCountMarkersAreNeverRead) {
    set_flag(rules_, SS_FP_RULE_L3_PKT_TYPE);
    for (uint32_t f = 198; f < 224; ++f) set_flag(rules_, f);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 198), 4u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 223), 4u);
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, UINT32_MAX), 4u);

    set_flag(actions_, SS_FP_ACTION_EM_CLASS);
    for (uint32_t f = 47; f < 128; ++f) set_flag(actions_, f);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, 127), 4u);
    EXPECT_EQ(ss_fp_action_value_offset(actions_, UINT32_MAX), 4u);
}

TEST_F(AppmngRecordsTest, EverySingleFlagOffsetIsItsPredecessorsSum) {
    // All rule flags set: the offset of f is the sum of the listed sizes below f.
    std::vector<uint32_t> size(198, 0);
    for (const auto &[s, flags] : kRuleSizes)
        for (uint32_t f : flags) size[f] = s;
    for (uint32_t f = 0; f < 198; ++f) set_flag(rules_, f);
    uint32_t sum = 0;
    for (uint32_t f = 0; f < 198; ++f) {
        EXPECT_EQ(ss_fp_rule_value_offset(rules_, f), sum) << f;
        sum += size[f];
    }
    EXPECT_EQ(ss_fp_rule_value_offset(rules_, 198), sum);
}

}  // namespace
