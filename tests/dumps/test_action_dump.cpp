// The action dump: every format family byte for byte, the egress port-mask
// listing against the local chip count, and reads that stay inside each
// flag's value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fpss_test.h"
#include "fpss_values.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"

using fpss_test::Exact;
using fpss_test::StdoutCapture;
using fpss_test::Value;

// The platform's chip count, replaced for this program: the library resolves
// it through the dynamic linker.
namespace {
int g_chips = 1;
int g_chip_calls = 0;
}  // namespace

extern "C" int libddm_get_local_chip_num(void) {
    ++g_chip_calls;
    return g_chips;
}

namespace {

class DumpActionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_chips = 1;
        g_chip_calls = 0;
    }
    static std::string dump(uint32_t flag, const Value &v) {
        Exact value(v);
        StdoutCapture cap;
        EXPECT_EQ(ss_fp_appmng_dump_action(flag, value.get()), 0) << "flag " << flag;
        return cap.take();
    }
    // The egress port-mask value: word i of unit u is u * 0x100 + i.
    static Value port_masks() {
        Value v;
        for (uint32_t u = 0; u < 6; ++u)
            for (uint32_t i = 0; i < 8; ++i) v.u32(u * 0x100 + i);
        return v;
    }
    static std::string unit_lines(int u) {
        std::string s = "unit:" + std::to_string(u);
        char line[64];
        for (int i = 0; i < 8; ++i) {
            std::snprintf(line, sizeof line, "\tpbmp[%d]: 0x%x\n", i, u * 0x100 + i);
            s += line;
        }
        return s;
    }
};

struct Case {
    uint32_t flag;
    Value value;
    const char *expected;
};

TEST_F(DumpActionTest, EveryFormatFamily) {
    const std::vector<Case> cases = {
        {SS_FP_ACTION_CTRL, Value().bytes({0, 1, 0, 0}),
         "\r\nSS_FP_ACTION_CTRL ctrl: 1, switch_trap_cancel:0, gyr_data:0 gyr_mask:0"},
        {SS_FP_ACTION_FWD, Value().bytes({3, 4, 5}), "\r\nSS_FP_ACTION_FWD 3, gyr_data 4, gyr_mask 5"},
        {SS_FP_ACTION_MIRROR, Value().u32(0x11).u32(0xdead).u32(0x22).u32(0x33).zeros(16),
         "\r\nSS_FP_ACTION_MIRROR phyid = 0x11, encap_id = 0x22, sample_rate = 0x33"},
        {SS_FP_ACTION_REDIRECT, Value().u32(0x44).u8(1).bytes({9, 9, 9}).u32(0x55).u32(2).zeros(12),
         "\r\nSS_FP_ACTION_REDIRECT phyid:0x44, is_next_hop:1, next_hop:0x55, next_hop_cnt:2"},
        {SS_FP_ACTION_L3_SWITCH, Value().u32(0x66).u32(1), "\r\nSS_FP_ACTION_L3_SWITCH   next_hop:0x66, is_next_hop:1"},
        {SS_FP_ACTION_CPU_CODE, Value().u32(0x7f), "\r\nSS_FP_ACTION_CPU_CODE    cpu_code:0x7f"},
        {SS_FP_ACTION_EGRESS_MASK, Value().bytes({2, 0, 0}), "\r\nSS_FP_ACTION_EGRESS_MASK  2"},
        {SS_FP_ACTION_COUNTER, Value().u32(3), "\r\nSS_FP_ACTION_COUNTER  mode:3"},
        // Per-colour bytes print in the order 1, 3, 2.
        {SS_FP_ACTION_CTRL_COS, Value().bytes({1, 2, 3, 4, 0xa, 0xb, 6}),
         "\r\nSS_FP_ACTION_CTRL_COS cos = 1 gry_cos[2,4,3]gry_mask[a(b)], cos_gport= 6"},
        {SS_FP_ACTION_COS, Value().bytes({1, 2, 3, 4, 0xa, 0xb, 6}),
         "\r\nSS_FP_ACTION_COS cos = 1 gry_cos[2,4,3]gry_mask[a(b)], cos_gport= 6"},
        {SS_FP_ACTION_COS_IN, Value().bytes({7, 0, 1, 2, 0xff, 0, 0}),
         "\r\nSS_FP_ACTION_COS_IN cos = 7 gry_cos[0,2,1]gry_mask[ff(0)], cos_gport= 0"},
        // The bracketed number is not part of the 2-byte value: 0.
        {SS_FP_ACTION_VID, Value().u16(100), "\r\nSS_FP_ACTION_VID   0x64[0x0]"},
        {SS_FP_ACTION_VID_IN, Value().u16(0xfff), "\r\nSS_FP_ACTION_VID_IN  0xfff[0x0]"},
        {SS_FP_ACTION_ADD_TAG, Value().u16(200).u16(5), "\r\nSS_FP_ACTION_ADD_TAG  cos:5, vid:200"},
        {SS_FP_ACTION_PRIO_IN, Value().bytes({1, 2, 3, 4, 5, 6}),
         "\r\nSS_FP_ACTION_PRIO_IN prio = 1 gry_prio[2,4,3]gry_mask[5(6)]"},
        {SS_FP_ACTION_IPV4_TOS, Value().bytes({1, 2, 3, 4, 5, 6}),
         "\r\nSS_FP_ACTION_IPV4_TOS ipv4_tos = 1 gry_ipv4_tos[2,4,3]gry_mask[5(6)]"},
        {SS_FP_ACTION_IPV4_PREC, Value().bytes({1, 2, 3, 4, 5, 6}),
         "\r\nSS_FP_ACTION_IPV4_PREC ipv4_prec = 1 gry_ipv4_prec[2,4,3]gry_mask[5(6)]"},
        {SS_FP_ACTION_IPV4_DSCP, Value().bytes({46, 2, 3, 4, 5, 6}),
         "\r\nSS_FP_ACTION_IPV4_DSCP dscp = 46 gry_dscp[2,4,3]gry_mask[5(6)]"},
        {SS_FP_ACTION_IPV6_TC, Value().bytes({1, 2, 3, 4, 5, 6}),
         "\r\nSS_FP_ACTION_IPV6_TC ipv6_tc = 1 gry_ipv6_tc[2,4,3]gry_mask[5(6)]\r\n          "},
        {SS_FP_ACTION_VOQ_ID, Value().u32(1), "\r\nSS_FP_ACTION_VOQ_ID  voq_id:1"},
        {SS_FP_ACTION_WRED_ID, Value().u32(2), "\r\nSS_FP_ACTION_WRED_ID wred_id:2"},
        {SS_FP_ACTION_MIRROR_ID, Value().u32(3), "\r\nSS_FP_ACTION_MIRROR_ID  mirror_id:3"},
        {SS_FP_ACTION_VLAN_ACTION_ID, Value().u32(4), "\r\nSS_FP_ACTION_VLAN_ACTION_ID  vlan_action_id:4"},
        {SS_FP_ACTION_TRAP_ID, Value().u32(5), "\r\nSS_FP_ACTION_TRAP_ID  trap_id:5"},
        {SS_FP_ACTION_SNOOPING_ID, Value().u32(6), "\r\nSS_FP_ACTION_SNOOPING_ID snooping_id:6"},
        {SS_FP_ACTION_MC_ID, Value().u32(0xffffffff), "\r\nSS_FP_ACTION_MC_ID mcid = -1  "},
        {SS_FP_ACTION_SYSTEM_HEADER_SET, Value().u32(1).u32(2),
         "\r\nSS_FP_ACTION_SYSTEM_HEADER_SET header_type = 1, header_value = 2 "},
        {SS_FP_ACTION_STRIP, Value().u32(3).u32(4), "\r\nSS_FP_ACTION_STRIP strip_type = 3, strip_len = 4  "},
        {SS_FP_ACTION_VRF, Value().u32(9), "\r\nSS_FP_ACTION_VRF vrfid = 9"},
        {SS_FP_ACTION_VXLAN_TERMINATED, Value().u8(1), "\r\nSS_FP_ACTION_VXLAN_TERMINATED, vxlan : 1"},
        {SS_FP_ACTION_VFP_DST_CLASS_SET, Value().u32(0xab), "\r\nSS_FP_ACTION_VFP_DST_CLASS_SET   data:0xab"},
        {SS_FP_ACTION_VFP_SRC_CLASS_SET, Value().u32(0xcd), "\r\nSS_FP_ACTION_VFP_SRC_CLASS_SET   data:0xcd"},
        {SS_FP_ACTION_STATSAMPLING, Value().u32(7).u32(8),
         "\r\nSS_FP_ACTION_STATSAMPLING, sampling code = 7, qualifier = 8"},
        {SS_FP_ACTION_DO_NOT_LEARN, Value().u8(1), "\r\nSS_FP_ACTION_DO_NOT_LEARN, learn = 1"},
        {SS_FP_ACTION_SC, Value().u8(2), "\r\nSS_FP_ACTION_SC, sc = 2"},
        {SS_FP_ACTION_MPLS_EXP, Value().u8(3), "\r\nSS_FP_ACTION_MPLS_EXP, mpls_exp = 3"},
        {SS_FP_ACTION_CONTAINER, Value().u32(4), "\r\nSS_FP_ACTION_CONTAINER, container = 4"},
        {SS_FP_ACTION_DROP_PREC, Value().u8(5), "\r\nSS_FP_ACTION_DROP_PREC, mpls_exp = 5"},
        {SS_FP_ACTION_CLASS_DST_SET, Value().u32(0x10), "\r\nSS_FP_ACTION_CLASS_DST_SET = 0x10  "},
        {SS_FP_ACTION_CLASS_SRC_SET, Value().u32(0), "\r\nSS_FP_ACTION_CLASS_SRC_SET = 0  "},
        // Only the second word of the 8-byte value.
        {SS_FP_ACTION_SRCVXLAN_GPORT, Value().u32(0xdead).u32(77), "\r\nSS_FP_ACTION_SRCVXLAN_GPORT, srcvxlan_gport = 77"},
        {SS_FP_ACTION_EM_CLASS, Value().u32(12), "\r\nSS_FP_ACTION_EM_CLASS, class_id = 12"},
    };
    for (const Case &c : cases) EXPECT_EQ(dump(c.flag, c.value), c.expected) << "flag " << c.flag;
}

TEST_F(DumpActionTest, MetersPrintSixtyFourBitRates) {
    Value m = Value().u64(10000000000ULL).u64(2).u64(0xffffffffffffffffULL).u32(4).u32(5).u32(6).u32(1).u32(0).zeros(4);
    const std::string tail =
        " rate_bps = 10000000000, cir_bps = 2, pir_bps = 18446744073709551615, burst_size = 4, cbs = 5, "
        "ebs_bps = 6, meter_mode =1 , pkt_mode =0";
    EXPECT_EQ(dump(SS_FP_ACTION_METER, m), "\r\nSS_FP_ACTION_METER" + tail);
    EXPECT_EQ(dump(SS_FP_ACTION_ISQ_METER, m), "\r\nSS_FP_ACTION_ISQ_METER" + tail);
}

TEST_F(DumpActionTest, FlagsWithoutValueAndUnknownFlags) {
    const std::pair<uint32_t, const char *> cases[] = {
        {SS_FP_ACTION_NONE, ""},
        {SS_FP_ACTION_REDIRECT_VLAN, "\r\nSS_FP_ACTION_REDIRECT_VLAN no need to set value"},
        {SS_FP_ACTION_MAX, "\r\nSS_FP_ACTION_MAX              "},
        {48, "\r\nunkonwn action flag:48"},
        {1000, "\r\nunkonwn action flag:1000"},
    };
    for (const auto &c : cases) {
        StdoutCapture cap;
        EXPECT_EQ(ss_fp_appmng_dump_action(c.first, nullptr), 0);
        EXPECT_EQ(cap.take(), c.second) << "flag " << c.first;
    }
    EXPECT_EQ(std::string("\r\nSS_FP_ACTION_MAX              ").size(), 2 + 16 + 14u);
}

TEST_F(DumpActionTest, PortMaskListsEveryChipUpToSix) {
    const std::string head = "\r\nSS_FP_ACTION_EGRESS_MASK_PORTS ";
    struct {
        int chips;
        int units;
        int calls;
    } cases[] = {{0, 0, 1}, {-3, 0, 1}, {2, 2, 3}, {6, 6, 7}, {10, 6, 7}};
    for (const auto &c : cases) {
        g_chips = c.chips;
        g_chip_calls = 0;
        std::string expected = head;
        for (int u = 0; u < c.units; ++u) expected += unit_lines(u);
        EXPECT_EQ(dump(SS_FP_ACTION_EGRESS_MASK_PORTS, port_masks()), expected) << c.chips << " chips";
        EXPECT_EQ(g_chip_calls, c.calls) << c.chips << " chips";
    }
}

TEST_F(DumpActionTest, NullValueIsReportedNotRead) {
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_action(SS_FP_ACTION_CTRL, nullptr), -1);
    EXPECT_TRUE(fpss_test::is_null_line(cap.take(), "ss_fp_appmng_dump_action"));
}

// Every flag's value in a block of exactly its size: AddressSanitizer reports
// any read outside it. Only the port-mask listing asks for the chip count.
TEST_F(DumpActionTest, EveryFlagReadsOnlyItsOwnValue) {
    g_chips = 64;
    for (uint32_t flag = 0; flag <= SS_FP_ACTION_MAX + 1; ++flag) {
        const uint32_t len = ss_fp_action_value_len(flag);
        Value v;
        for (uint32_t i = 0; i < len; ++i) v.u8(0x5a ^ i);
        g_chip_calls = 0;
        dump(flag, v);
        EXPECT_EQ(g_chip_calls, flag == SS_FP_ACTION_EGRESS_MASK_PORTS ? 7 : 0) << "flag " << flag;
    }
}

}  // namespace
