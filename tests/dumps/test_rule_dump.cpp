// The rule dump and the address printers: every tail format and every
// exception byte for byte, the not-supported flags, and reads that stay
// inside each flag's value.
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

namespace {

class DumpRuleTest : public ::testing::Test {
  protected:
    // Dumps one rule from a block of exactly its value's bytes.
    static std::string dump(uint32_t flag, const Value &v, int *rc = nullptr) {
        Exact value(v);
        StdoutCapture cap;
        int r = ss_fp_appmng_dump_rule(flag, value.get());
        if (rc != nullptr) *rc = r;
        return cap.take();
    }
};

struct Case {
    uint32_t flag;
    Value value;
    const char *expected;
};

std::string repeat(const std::string &s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

TEST_F(DumpRuleTest, EveryTailFormat) {
    const std::vector<Case> cases = {
        // data, data, mask in the three pair widths; 32-bit words print "%d" signed.
        {SS_FP_RULE_COS, Value().u8(5).u8(7), "\r\nSS_FP_RULE_COS\ndata:0x5(5), mask:0x7"},
        {SS_FP_RULE_VID, Value().u16(100).u16(0xfff), "\r\nSS_FP_RULE_VID\ndata:0x64(100), mask:0xfff"},
        {SS_FP_RULE_IPV6_FLOWLAB, Value().u32(0xffffffff).u32(1),
         "\r\nSS_FP_RULE_IPV6_FLOWLAB\ndata:0xffffffff(-1), mask:0x1"},
        {SS_FP_RULE_BFD_MSG_FLAGS, Value().u8(3).u8(0xff), "\r\nSS_FP_RULE_BFD_MSG_FLAGS\ndata:0x3(3),mask:0xff"},
        // "%#x" prints 0 without its prefix.
        {SS_FP_RULE_MPLS_FWD_LAB_TTL, Value().u8(0).u8(0xff), "\r\nSS_FP_RULE_MPLS_FWD_LAB_TTL data: 0 mask:0xff "},
        {SS_FP_RULE_DSTTRUNK, Value().u16(0x1234).u16(0xffff), "\r\nSS_FP_RULE_DSTTRUNK data: 0x1234 mask:0xffff "},
        {SS_FP_RULE_MPLS_FWD_LAB, Value().u32(0x12345).u32(0xfffff),
         "\r\nSS_FP_RULE_MPLS_FWD_LAB data: 0x12345 mask:0xfffff "},
        {SS_FP_RULE_VXLAN_INNER_IPV6_NEXT_HDR, Value().u8(0x3a).u8(0xff),
         "\r\nSS_FP_RULE_VXLAN_INNER_IPV6_NEXT_HDR 0x3a(ff)"},
        {SS_FP_RULE_UDP_PORT_VXLAN, Value().u16(0x12b5).u16(0xffff), "\r\nSS_FP_RULE_UDP_PORT_VXLAN 0x12b5(ffff)"},
        {SS_FP_RULE_VFI_CLASS_ID, Value().u32(0xabc).u32(0xfff), "\r\nSS_FP_RULE_VFI_CLASS_ID 0xabc(fff)"},
        {SS_FP_RULE_VXLAN_INNER_ICMP_TYPE, Value().u8(8).u8(0xff), "\r\nSS_FP_RULE_VXLAN_INNER_ICMP_TYPE 0x8(8)=255"},
        {SS_FP_RULE_VXLAN_INNER_ETYPE, Value().u16(0x800).u16(0xffff),
         "\r\nSS_FP_RULE_VXLAN_INNER_ETYPE 0x800(800)=65535"},
        {SS_FP_RULE_IN_VPORT, Value().u32(0x10).u32(0xff), "\r\nSS_FP_RULE_IN_VPORT 0x10(0xff)"},
        {SS_FP_RULE_DST_CLASS, Value().u32(5).u32(0xf), "\r\nSS_FP_RULE_DST_CLASS data=0x5, mask=0xf"},
        {SS_FP_RULE_EM_ACTION_CLASS1, Value().u32(7).u32(0xff), "\r\nSS_FP_RULE_EM_ACTION_CLASS1 classid:7, mask=0xff"},
        {SS_FP_RULE_VXLAN_INNER_ICMPV6_TYPE, Value().u8(0x87).u8(0xff),
         "\r\nSS_FP_RULE_VXLAN_INNER_ICMPV6_TYPE data/mask = 0x87/0xff"},
        {SS_FP_RULE_SRC_L4PORT_RANGE, Value().u32(2).u16(1024).u16(65535),
         "\r\nSS_FP_RULE_SRC_L4PORT_RANGE\nop = 2, min = 1024, max = 65535"},
        // 32-bit values.
        {SS_FP_RULE_IPV4_FRAGMENT, Value().u32(3), "\r\nSS_FP_RULE_IPV4_FRAGMENT\ntype:3"},
        {SS_FP_RULE_FC_HDR2, Value().u32(4), "\r\nSS_FP_RULE_FC_HDR2\nfc_head_type:4"},
        {SS_FP_RULE_STP_STATE, Value().u32(2), "\r\nSS_FP_RULE_STP_STATE \nstate:2"},
        {SS_FP_RULE_IPTYPE, Value().u32(6), "\r\nSS_FP_RULE_IPTYPE\niptype:6"},
        {SS_FP_RULE_FORWARDINGTYPE, Value().u32(1), "\r\nSS_FP_RULE_FORWARDINGTYPE\nfwdtype:1"},
        {SS_FP_RULE_DECAP, Value().u32(0x1f), "\r\nSS_FP_RULE_DECAP 0x1f"},
        {SS_FP_RULE_TUNNEL_TYPE, Value().u32(0xa), "\r\nSS_FP_RULE_TUNNEL_TYPE tunnel_type 0xa"},
        {SS_FP_RULE_EVLAN_ID, Value().u32(0x64), "\r\nSS_FP_RULE_EVLAN_ID evlan_id 0x64"},
        {SS_FP_RULE_HEADER_FORMAT, Value().u32(9), "\r\nSS_FP_RULE_HEADER_FORMAT :9"},
        {SS_FP_RULE_INPUT_PORT, Value().u32(0x1f).zeros(12), "\r\nSS_FP_RULE_INPUT_PORT\nphyid:0x1f(31)"},
        // Byte values.
        {SS_FP_RULE_HIT_STATE_L2_SA, Value().u8(1), "\r\nSS_FP_RULE_HIT_STATE_L2_SA\nhit:1"},
        {SS_FP_RULE_MY_MAC_HIT, Value().u8(0), "\r\nSS_FP_RULE_MY_MAC_HIT\nhit:0"},
        {SS_FP_RULE_PRE_STAGE_DROP, Value().u8(1), "\r\nSS_FP_RULE_PRE_STAGE_DROP\ndrop:1"},
        {SS_FP_RULE_MPLS_TERMINATED, Value().u8(1), "\r\nSS_FP_RULE_MPLS_TERMINATED\nis_teminate:1"},
        {SS_FP_RULE_L3, Value().u8(255), "\r\nSS_FP_RULE_L3\nl3:255"},
        {SS_FP_RULE_TUNNEL_TERMINATED, Value().u8(1), "\r\nSS_FP_RULE_TUNNEL_TERMINATED :1"},
        {SS_FP_RULE_HG_PORT, Value().u8(0), "\r\nSS_FP_RULE_HG_PORT: false"},
        {SS_FP_RULE_HG_PORT, Value().u8(2), "\r\nSS_FP_RULE_HG_PORT: true"},
        // Packet-type pairs print the flag byte (offset 4) before the type word (offset 0).
        {SS_FP_RULE_L3_KNOWN_UC, Value().u32(5).u8(1).zeros(3), "\r\nSS_FP_RULE_L3_KNOWN_UC\nknown_uc:1, l3_ptk_type:5"},
        {SS_FP_RULE_L3_KNOWN_MC, Value().u32(6).u8(0).zeros(3), "\r\nSS_FP_RULE_L3_KNOWN_MC\nknown_mc:0, l3_ptk_type:6"},
        {SS_FP_RULE_L3_UC, Value().u32(7).u8(1).zeros(3), "\r\nSS_FP_RULE_L3_UC\nuc:1, l3_ptk_type:7"},
        {SS_FP_RULE_L2_KNOWN_MC, Value().u32(8).u8(1).zeros(3), "\r\nSS_FP_RULE_L2_KNOWN_MC\nknown_mc:1, l2_ptk_type:8"},
        {SS_FP_RULE_FWD_HEADER_OFF, Value().u32(2).u32(0x10).u32(0xff),
         "\r\nSS_FP_RULE_FWD_HEADER_OFF\noffset[data:0x10(16), mask:0xff], base_off=2"},
        // Flags that print no value.
        {SS_FP_RULE_NONE, Value(), "\r\nSS_FP_RULE_NONE "},
        {SS_FP_RULE_ACL80, Value().zeros(160), "\r\nSS_FP_RULE_ACL80            "},
        {SS_FP_RULE_L2_KNOWN_UC, Value().zeros(4), "\r\nSS_FP_RULE_L2_KNOWN_UC\n "},
        {SS_FP_RULE_IN_PORT, Value(), "\r\nSS_FP_RULE_IN_PORT"},
        {SS_FP_RULE_INTERFACE_CLASS_PORT, Value(), "\r\nSS_FP_RULE_INTERFACE_CLASS_PORT"},
        {SS_FP_RULE_ETYPE_CLASS_ID, Value().u8(9), "\r\nSS_FP_RULE_ETYPE_CLASS_ID"},
        {SS_FP_RULE_MAX, Value(), "\r\nSS_FP_RULE_MAX"},
    };
    for (const Case &c : cases) {
        int rc = -2;
        EXPECT_EQ(dump(c.flag, c.value, &rc), c.expected) << "flag " << c.flag;
        EXPECT_EQ(rc, 0) << "flag " << c.flag;
    }
}

TEST_F(DumpRuleTest, ExceptionsPrintTheirOwnText) {
    const std::vector<Case> cases = {
        {SS_FP_RULE_MPLS_LABEL1, Value().u32(1).u32(2), "\r\nSS_FP_RULE_MPLS_LABEL1\ndata:0x1(1), mask:0x2"},
        {SS_FP_RULE_MPLS_LABEL3, Value().u32(0x100).u32(0xfffff),
         "\r\nSS_FP_RULE_MPLS_LABEL3\ndata:0x100(256), mask:0xfffff"},
        {SS_FP_RULE_MPLS_LABEL6, Value().u32(6).u32(7), "\r\nSS_FP_RULE_MPLS_LABEL6\ndata:0x6(6), mask:0x7"},
        {SS_FP_RULE_UDF1, Value().u8(2).u8(4).u16(0x1234).u16(0xffff),
         "\r\nSS_FP_RULE_UDF1\nbase:0x2(2),offset:4,data:0x1234(4660), mask:0xffff"},
        {SS_FP_RULE_UDF8, Value().u8(0x10).u8(0).u16(1).u16(0xf),
         "\r\nSS_FP_RULE_UDF8\nbase:0x10(16),offset:0,data:0x1(1), mask:0xf"},
        {SS_FP_RULE_HASH_VALUE, Value().u16(0xbeef).u16(0xff00), "\r\nSS_FP_RULE_HASH\ndata:0xbeef(48879), mask:0xff00"},
        {SS_FP_RULE_SRCVXLAN_GPORT, Value().u32(0x8000001), "\r\nSS_FP_RULESRC_VXLAN_GPORT gport 0x8000001"},
        {SS_FP_RULE_DSTVXLAN_GPORT, Value().u32(0x8000002), "\r\nSS_FP_RULEDST_VXLAN_GPORT gport 0x8000002"},
        {SS_FP_RULE_IPV6_NEXT_HDR_TYPE, Value().u16(0x11).u16(0xff),
         "\r\nSS_FP_RULE_IPV6_NEXTHDR_TYPE\ndata:0x11(17), mask:0xff"},
    };
    for (const Case &c : cases) EXPECT_EQ(dump(c.flag, c.value), c.expected) << "flag " << c.flag;
}

TEST_F(DumpRuleTest, NotSupportedFlagsReadNothing) {
    for (uint32_t flag : {100u, 101u, 125u, 130u, 136u, 199u, 250u}) {
        StdoutCapture cap;
        EXPECT_EQ(ss_fp_appmng_dump_rule(flag, nullptr), 0);
        EXPECT_EQ(cap.take(), "\r\nNOT SUPPORT NOW, FLAG:" + std::to_string(flag));
    }
    StdoutCapture cap;
    ss_fp_appmng_dump_rule(0xffffffffu, nullptr);
    EXPECT_EQ(cap.take(), "\r\nNOT SUPPORT NOW, FLAG:-1");
}

TEST_F(DumpRuleTest, AddressRulesFlushThenPrintThePair) {
    Value mac = Value().bytes({0x00, 0x22, 0x33, 0x44, 0x55, 0x66}).bytes({0xff, 0xff, 0xff, 0xff, 0xff, 0xff});
    EXPECT_EQ(dump(SS_FP_RULE_MAC_SRC, mac), "\r\nSS_FP_RULE_MAC_SRC \r\n0022.3344.5566./ffff.ffff.ffff.");
    Value v4 = Value().bytes({192, 168, 1, 1}).bytes({255, 255, 255, 0});
    EXPECT_EQ(dump(SS_FP_RULE_IPV4_DST, v4), "\r\nSS_FP_RULE_IPV4_DST \r\n192.168.1.1.(c0.a8.01.01.)/ff.ff.ff.00.");
    Value v6 = Value().zeros(16);
    for (int i = 0; i < 16; ++i) v6.u8(0xff);
    const std::string v6_text = repeat("0000:", 8) + "/" + repeat("ffff:", 8);
    EXPECT_EQ(dump(SS_FP_RULE_IPV6_SRC, v6), "\r\nSS_FP_RULE_IPV6_SRC         \r\n" + v6_text);
    EXPECT_EQ(dump(SS_FP_RULE_VXLAN_IPV6_SRC_UPPER64, v6), "\r\nSS_FP_RULE_VXLAN_IPV6_SRC_UPPER64 \r\n" + v6_text);
}

TEST_F(DumpRuleTest, AddressPrinters) {
    Exact mac(Value().bytes({0x00, 0x22, 0x33, 0x44, 0x55, 0x66}).bytes({0xff, 0xff, 0xff, 0xff, 0xff, 0xff}));
    Exact v4(Value().bytes({192, 168, 1, 1}).bytes({255, 255, 255, 0}));
    Value v6v;
    for (int i = 0; i < 16; ++i) v6v.u8(0x10 + i);
    for (int i = 0; i < 16; ++i) v6v.u8(i < 8 ? 0xff : 0);
    Exact v6(v6v);
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_mac(mac.get()), 0);
    ss_fp_appmng_dump_ipv4(v4.get());
    EXPECT_EQ(ss_fp_appmng_dump_ipv6(v6.get()), 0);
    EXPECT_EQ(cap.take(),
              "\r\n0022.3344.5566./ffff.ffff.ffff."
              "\r\n192.168.1.1.(c0.a8.01.01.)/ff.ff.ff.00."
              "\r\n1011:1213:1415:1617:1819:1a1b:1c1d:1e1f:/ffff:ffff:ffff:ffff:0000:0000:0000:0000:");
}

TEST_F(DumpRuleTest, NullValuesAreReportedNotRead) {
    {
        StdoutCapture cap;
        EXPECT_EQ(ss_fp_appmng_dump_rule(SS_FP_RULE_COS, nullptr), -1);
        EXPECT_TRUE(fpss_test::is_null_line(cap.take(), "ss_fp_appmng_dump_rule"));
    }
    {
        StdoutCapture cap;
        EXPECT_EQ(ss_fp_appmng_dump_rule(SS_FP_RULE_IN_PORTS, nullptr), 0);
        EXPECT_EQ(cap.take(), "\r\nSS_FP_RULE_IN_PORTS");
    }
    const std::pair<int (*)(const void *), const char *> printers[] = {
        {ss_fp_appmng_dump_mac, "ss_fp_appmng_dump_mac"},
        {ss_fp_appmng_dump_ipv4, "ss_fp_appmng_dump_ipv4"},
        {ss_fp_appmng_dump_ipv6, "ss_fp_appmng_dump_ipv6"}};
    for (const auto &p : printers) {
        StdoutCapture cap;
        EXPECT_EQ(p.first(nullptr), -1);
        EXPECT_TRUE(fpss_test::is_null_line(cap.take(), p.second)) << p.second;
    }
}

// Every flag's value, in a block of exactly its size and at an odd address:
// AddressSanitizer and the alignment checks report any read outside it.
TEST_F(DumpRuleTest, EveryFlagReadsOnlyItsOwnValue) {
    for (uint32_t flag = 0; flag <= SS_FP_RULE_MAX; ++flag) {
        const uint32_t len = ss_fp_rule_value_len(flag);
        Value v;
        for (uint32_t i = 0; i < len; ++i) v.u8(0xa5 ^ i);
        Exact exact(v);
        std::vector<uint8_t> odd(len + 1);
        std::copy(v.get().begin(), v.get().end(), odd.begin() + 1);
        StdoutCapture cap;
        EXPECT_EQ(ss_fp_appmng_dump_rule(flag, exact.get()), 0);
        ss_fp_appmng_dump_rule(flag, odd.data() + 1);
        std::string out = cap.take();
        const std::string half = out.substr(0, out.size() / 2);
        EXPECT_EQ(out, half + half) << "flag " << flag;  // same text wherever the value lies
        EXPECT_EQ(out.rfind("\r\n", 0), 0u) << "flag " << flag;
    }
}

}  // namespace
