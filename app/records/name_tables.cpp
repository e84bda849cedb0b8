// The request records' layouts, their value-size rule and the name tables of
// rule flags, action flags, request operations and application types.
//
// Every table comes from one list per enum (the flag lists in
// records/flag_lists.h, the others below), one row per enumerator in value
// order. A name is its enumerator spelled out by the preprocessor, and
// a static_assert checks that each row's enumerator has the row's number, so
// a list that drifts from its enum does not build.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

#include "core/bits.h"
#include "records/flag_lists.h"
#include "ss_fp_appmng.h"

// The records cross module boundaries: their layouts are fixed.
static_assert(std::is_standard_layout_v<ss_fp_appmng_acl_t>);
static_assert(std::is_standard_layout_v<ss_fp_appmng_ace_tlv_t>);
static_assert(std::is_standard_layout_v<ss_fp_appmng_ace_t>);
static_assert(std::is_standard_layout_v<ss_fp_appmng_apply_t>);
static_assert(std::is_standard_layout_v<ss_fp_appmng_common_t>);

static_assert(sizeof(ss_fp_appmng_acl_t) == 16);
static_assert(offsetof(ss_fp_appmng_acl_t, acl_id) == 0);
static_assert(offsetof(ss_fp_appmng_acl_t, app_type) == 4);
static_assert(offsetof(ss_fp_appmng_acl_t, vdc_id) == 8);
static_assert(offsetof(ss_fp_appmng_acl_t, acl_cls) == 12);

static_assert(sizeof(ss_fp_appmng_ace_tlv_t) == 48);
static_assert(offsetof(ss_fp_appmng_ace_tlv_t, rule_flags) == 0);
static_assert(offsetof(ss_fp_appmng_ace_tlv_t, action_flags) == 28);
static_assert(offsetof(ss_fp_appmng_ace_tlv_t, rule_len) == 44);
static_assert(offsetof(ss_fp_appmng_ace_tlv_t, action_len) == 46);
static_assert(offsetof(ss_fp_appmng_ace_tlv_t, buffer) == 48);

static_assert(sizeof(ss_fp_appmng_ace_t) == 72);
static_assert(offsetof(ss_fp_appmng_ace_t, sn) == 0);
static_assert(offsetof(ss_fp_appmng_ace_t, sub_sn) == 4);
static_assert(offsetof(ss_fp_appmng_ace_t, is_default) == 8);
static_assert(offsetof(ss_fp_appmng_ace_t, ace_pri) == 16);
static_assert(offsetof(ss_fp_appmng_ace_t, rule_flags) == 24);
static_assert(offsetof(ss_fp_appmng_ace_t, action_flags) == 52);
static_assert(offsetof(ss_fp_appmng_ace_t, rule_len) == 68);
static_assert(offsetof(ss_fp_appmng_ace_t, action_len) == 70);
static_assert(offsetof(ss_fp_appmng_ace_t, buffer) == 72);
// The ACE embeds the block's head: the block's fields keep their relative places.
static_assert(offsetof(ss_fp_appmng_ace_t, buffer) - offsetof(ss_fp_appmng_ace_t, rule_flags) ==
              offsetof(ss_fp_appmng_ace_tlv_t, buffer));

static_assert(sizeof(ss_fp_appmng_apply_t) == 156);
static_assert(offsetof(ss_fp_appmng_apply_t, ifx) == 0);
static_assert(offsetof(ss_fp_appmng_apply_t, phyid) == 4);
static_assert(offsetof(ss_fp_appmng_apply_t, intf_type) == 8);
static_assert(offsetof(ss_fp_appmng_apply_t, vgp_id) == 12);
static_assert(offsetof(ss_fp_appmng_apply_t, opaque) == 16);
static_assert(offsetof(ss_fp_appmng_apply_t, app_type) == 84);
static_assert(offsetof(ss_fp_appmng_apply_t, direction) == 88);
static_assert(offsetof(ss_fp_appmng_apply_t, pri) == 92);
static_assert(offsetof(ss_fp_appmng_apply_t, vid_type) == 96);
static_assert(offsetof(ss_fp_appmng_apply_t, bind_type) == 100);
static_assert(offsetof(ss_fp_appmng_apply_t, bind_id) == 104);
static_assert(offsetof(ss_fp_appmng_apply_t, action_flags) == 108);
static_assert(offsetof(ss_fp_appmng_apply_t, rule_flags) == 124);
static_assert(offsetof(ss_fp_appmng_apply_t, action_len) == 152);
static_assert(offsetof(ss_fp_appmng_apply_t, rule_len) == 154);
static_assert(offsetof(ss_fp_appmng_apply_t, buffer) == 156);

static_assert(sizeof(ss_fp_appmng_common_t) == 32);
static_assert(offsetof(ss_fp_appmng_common_t, service_id) == 0);
static_assert(offsetof(ss_fp_appmng_common_t, ss_fp_appmng_cb) == 8);
static_assert(offsetof(ss_fp_appmng_common_t, rv) == 16);
static_assert(offsetof(ss_fp_appmng_common_t, vdu) == 20);
static_assert(offsetof(ss_fp_appmng_common_t, op) == 24);
static_assert(offsetof(ss_fp_appmng_common_t, need_rollback) == 28);
static_assert(offsetof(ss_fp_appmng_common_t, is_pi) == 29);

static_assert(SS_FP_RULE_MAX == 198 && SS_FP_ACTION_MAX == 47 && SS_FP_APP_TYPE_MAX == 186);
static_assert(fpss::bit_words(SS_FP_RULE_MAX) <= SS_FP_RULE_FLAG_WORDS &&
              fpss::bit_words(SS_FP_ACTION_MAX) <= SS_FP_ACTION_FLAG_WORDS);

// Request operations 0 to 31.
// clang-format off
#define FPSS_APPMNG_OPS(X)              \
    X(SS_FP_APPMNG_CRT_ACL)             \
    X(SS_FP_APPMNG_DEL_ACL)             \
    X(SS_FP_APPMNG_ADD_ACE)             \
    X(SS_FP_APPMNG_DEL_ACE)             \
    X(SS_FP_APPMNG_APPLY_ACL)           \
    X(SS_FP_APPMNG_UNAPPLY_ACL)         \
    X(SS_FP_APPMNG_SET_UPLINK)          \
    X(SS_FP_APPMNG_ACL_COUNTER)         \
    X(SS_FP_APPMNG_ACE_COUNTER)         \
    X(SSD_FP_APPMNG_ACE_COUNTER_NOTIFY) \
    X(SS_FP_APPMNG_PACKAGE)             \
    X(SS_FP_APPMNG_GET_ACL)             \
    X(SS_FP_APPMNG_GET_ACE)             \
    X(SS_FP_APPMNG_FREE_ACL)            \
    X(SS_FP_APPMNG_FREE_ACE)            \
    X(SS_FP_APPMNG_DEL_ACES)            \
    X(SS_FP_APPMNG_UPDATE_ACE_ACTION)   \
    X(SS_FP_APPMNG_UPDATE_ACL_ACTION)   \
    X(SS_FP_APPMNG_REPLACE_ACL)         \
    X(SS_FP_APPMNG_DS_SET_STATE)        \
    X(SS_FP_APPMNG_DS_SERVICE)          \
    X(SS_FP_APPMNG_SET_CPP)             \
    X(SS_FP_APPMNG_NOTIFY_AP)           \
    X(SS_FP_APPMNG_NOTIFY_VIRVLAN)      \
    X(SS_FP_APPMNG_VSD_MSG)             \
    X(SS_FP_APPMNG_DS_COHERENCE)        \
    X(SS_FP_APPMNG_ACL_RESEQ)           \
    X(SS_FP_APPMNG_SVI_ROUTER_ACL)      \
    X(SS_FP_APPMNG_DS_RTN_MSG)          \
    X(SS_FP_APPMNG_PORT_ON_OFF)         \
    X(SS_FP_APPMNG_GET_RES)             \
    X(SS_FP_APPMNG_SET_RES)
// clang-format on

// Application types 0 to 185, by the part of the enumerator after
// "SS_FP_APP_TYPE_", which is also the type's short name.
// clang-format off
#define FPSS_APP_TYPES(X) \
    X(NONE)               \
    X(PACL)               \
    X(VACL)               \
    X(RACL)               \
    X(MAC_ACL)            \
    X(IPV6_ACL)           \
    X(QOS)                \
    X(PBR)                \
    X(CPP)                \
    X(MIRROR)             \
    X(DHCP_SNOOP)         \
    X(DHCPV6_SNOOP)       \
    X(ARP_CHECK)          \
    X(IPSG)               \
    X(IPV6_SG)            \
    X(DOT1X)              \
    X(WEB_AUTH)           \
    X(MAC_AUTH)           \
    X(STORM_CTRL)         \
    X(PORT_SEC)           \
    X(MAC_LIMIT)          \
    X(ERPS)               \
    X(EAPS)               \
    X(LLDP)               \
    X(LACP)               \
    X(STP)                \
    X(RLDP)               \
    X(REUP)               \
    X(DLDP)               \
    X(CFM)                \
    X(Y1731)              \
    X(EFM_OAM)            \
    X(BFD)                \
    X(OSPF)               \
    X(OSPFV3)             \
    X(BGP)                \
    X(ISIS)               \
    X(RIP)                \
    X(RIPNG)              \
    X(VRRP)               \
    X(VRRPV3)             \
    X(IGMP_SNOOP)         \
    X(MLD_SNOOP)          \
    X(PIM)                \
    X(PIMV6)              \
    X(ND_SNOOP)           \
    X(DAI)                \
    X(URPF)               \
    X(NAT)                \
    X(VXLAN)              \
    X(MPLS)               \
    X(TRILL)              \
    X(FCOE)               \
    X(PTP)                \
    X(SFLOW)              \
    X(NETFLOW)            \
    X(TELEMETRY)          \
    X(ANTI_ATTACK)        \
    X(ARP_GUARD)          \
    X(GSN)                \
    X(VOICE_VLAN)         \
    X(PROTO_VLAN)         \
    X(MAC_VLAN)           \
    X(SUBNET_VLAN)        \
    X(QINQ)               \
    X(VLAN_MAP)           \
    X(L2PT)               \
    X(MONITOR_LINK)       \
    X(LOOPBACK_DETECT)    \
    X(ARP_RATE)           \
    X(ND_RATE)            \
    X(DHCP_RELAY)         \
    X(DHCP_SERVER)        \
    X(NTP)                \
    X(SNMP)               \
    X(SSH)                \
    X(TELNET)             \
    X(TFTP)               \
    X(RADIUS)             \
    X(TACACS)             \
    X(SYSLOG)             \
    X(NFPP)               \
    X(LDP)                \
    X(RSVP)               \
    X(MPLS_TE)            \
    X(VPLS)               \
    X(L3VPN)              \
    X(EVPN)               \
    X(MVPN)               \
    X(MSDP)               \
    X(MRP)                \
    X(PBB)                \
    X(OPENFLOW)           \
    X(VSU)                \
    X(VSD)                \
    X(MLAG)               \
    X(DS)                 \
    X(DS_SERVICE)         \
    X(UPLINK)             \
    X(VIRVLAN)            \
    X(AP_NOTIFY)          \
    X(SVI_ROUTER)         \
    X(EGRESS_QOS)         \
    X(INGRESS_QOS)        \
    X(METER)              \
    X(WRED)               \
    X(COS_MAP)            \
    X(DSCP_MAP)           \
    X(TRUST)              \
    X(POLICER)            \
    X(COUNTER)            \
    X(STAT_SAMPLE)        \
    X(FLOW_MIRROR)        \
    X(RSPAN)              \
    X(ERSPAN)             \
    X(CPU_MIRROR)         \
    X(TRAP)               \
    X(COPP)               \
    X(HOST_ROUTE)         \
    X(ECMP)               \
    X(MCAST_ROUTE)        \
    X(L2_MCAST)           \
    X(IP_FRAGMENT)        \
    X(TTL_CHECK)          \
    X(IPV6_ND)            \
    X(RA_GUARD)           \
    X(SAVI)               \
    X(DHCP_OPTION82)      \
    X(PPPOE_PLUS)         \
    X(ARP_PROXY)          \
    X(ND_PROXY)           \
    X(GRE)                \
    X(L2GRE)              \
    X(IPIP)               \
    X(UDF)                \
    X(HASH)               \
    X(LOAD_BALANCE)       \
    X(MACSEC)             \
    X(RSVD_138)           \
    X(RSVD_139)           \
    X(RSVD_140)           \
    X(RSVD_141)           \
    X(RSVD_142)           \
    X(RSVD_143)           \
    X(RSVD_144)           \
    X(RSVD_145)           \
    X(RSVD_146)           \
    X(RSVD_147)           \
    X(RSVD_148)           \
    X(RSVD_149)           \
    X(RSVD_150)           \
    X(RSVD_151)           \
    X(RSVD_152)           \
    X(RSVD_153)           \
    X(RSVD_154)           \
    X(RSVD_155)           \
    X(RSVD_156)           \
    X(RSVD_157)           \
    X(RSVD_158)           \
    X(RSVD_159)           \
    X(RSVD_160)           \
    X(RSVD_161)           \
    X(RSVD_162)           \
    X(RSVD_163)           \
    X(RSVD_164)           \
    X(RSVD_165)           \
    X(RSVD_166)           \
    X(RSVD_167)           \
    X(RSVD_168)           \
    X(RSVD_169)           \
    X(RSVD_170)           \
    X(RSVD_171)           \
    X(RSVD_172)           \
    X(RSVD_173)           \
    X(RSVD_174)           \
    X(RSVD_175)           \
    X(RSVD_176)           \
    X(RSVD_177)           \
    X(RSVD_178)           \
    X(RSVD_179)           \
    X(RSVD_180)           \
    X(RSVD_181)           \
    X(RSVD_182)           \
    X(RSVD_183)           \
    X(RSVD_184)           \
    X(RSVD_185)
// clang-format on

// Columns of a row: the name and the value of its enumerator, for rows of one
// or two columns alike.
#define FPSS_NAME(...) FPSS_NAME_OF(__VA_ARGS__, )
#define FPSS_NAME_OF(e, ...) #e,
#define FPSS_VALUE(...) FPSS_VALUE_OF(__VA_ARGS__, )
#define FPSS_VALUE_OF(e, ...) e,
#define FPSS_APP_SHORT_NAME(n) #n,
#define FPSS_APP_NAME(n) "SS_FP_APP_TYPE_" #n,
#define FPSS_APP_VALUE(n) SS_FP_APP_TYPE_##n,

namespace fpss {
namespace {

// The first row whose enumerator is not the row's number, or N when all are.
template <size_t N>
constexpr size_t first_misplaced(const int (&values)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (values[i] != static_cast<int>(i)) return i;
    return N;
}

constexpr int kRuleRows[] = {FPSS_RULE_FLAGS(FPSS_VALUE)};
constexpr int kActionRows[] = {FPSS_ACTION_FLAGS(FPSS_VALUE)};
constexpr int kOpRows[] = {FPSS_APPMNG_OPS(FPSS_VALUE)};
constexpr int kAppRows[] = {FPSS_APP_TYPES(FPSS_APP_VALUE)};

static_assert(std::size(kRuleRows) == SS_FP_RULE_MAX, "the rule flag list misses a flag");
static_assert(std::size(kActionRows) == SS_FP_ACTION_MAX, "the action flag list misses a flag");
static_assert(std::size(kOpRows) == SS_FP_APPMNG_OP_COUNT, "the operation list misses an operation");
static_assert(std::size(kAppRows) == SS_FP_APP_TYPE_MAX, "the application type list misses a type");
static_assert(first_misplaced(kRuleRows) == SS_FP_RULE_MAX, "a rule flag's row is not its value");
static_assert(first_misplaced(kActionRows) == SS_FP_ACTION_MAX, "an action flag's row is not its value");
static_assert(first_misplaced(kOpRows) == SS_FP_APPMNG_OP_COUNT, "an operation's row is not its value");
static_assert(first_misplaced(kAppRows) == SS_FP_APP_TYPE_MAX, "an application type's row is not its value");

}  // namespace
}  // namespace fpss

extern "C" {

const char *const fp_rule_flag_strings[SS_FP_RULE_MAX + 1] = {FPSS_RULE_FLAGS(FPSS_NAME) FPSS_NAME(SS_FP_RULE_MAX)};

const char *const fp_action_flag_strings[SS_FP_ACTION_MAX + 1] = {FPSS_ACTION_FLAGS(FPSS_NAME)
                                                                      FPSS_NAME(SS_FP_ACTION_MAX)};

const char *const g_ss_fp_op_string_1[SS_FP_APPMNG_OP_COUNT] = {FPSS_APPMNG_OPS(FPSS_NAME)};

const char *const lib_fp_app_string[SS_FP_APP_TYPE_MAX] = {FPSS_APP_TYPES(FPSS_APP_SHORT_NAME)};

const char *const g_ss_fp_app_string[SS_FP_APP_TYPE_MAX + 1] = {FPSS_APP_TYPES(FPSS_APP_NAME) FPSS_APP_NAME(MAX)};

}  // extern "C"

namespace fpss {
namespace {

static_assert(kActionValueSize[SS_FP_ACTION_NONE] == kActionDefaultSize);

inline uint32_t rule_len(uint32_t flag) { return flag < SS_FP_RULE_MAX ? kRuleValueSize[flag] : 0; }

inline uint32_t action_len(uint32_t flag) {
    return flag < SS_FP_ACTION_MAX ? kActionValueSize[flag] : kActionDefaultSize;
}

// Sum of len(f) over the set bits f of 'bitmap' below min(limit, end), where
// 'end' is the kind's count marker: bits at or above it are never read.
template <uint32_t (*Len)(uint32_t)>
uint32_t packed_offset(const uint32_t *bitmap, uint32_t limit, uint32_t end) {
    if (bitmap == nullptr) return 0;
    if (limit > end) limit = end;
    uint32_t offset = 0;
    for (uint32_t base = 0; base < limit; base += kWordBits) {
        uint32_t word = bitmap[base / kWordBits];
        uint32_t avail = limit - base;
        if (avail < kWordBits) word &= (uint32_t{1} << avail) - 1;
        while (word != 0) {
            uint32_t bit = static_cast<uint32_t>(__builtin_ctz(word));
            offset += Len(base + bit);
            word &= word - 1;
        }
    }
    return offset;
}

}  // namespace
}  // namespace fpss

extern "C" {

uint32_t ss_fp_rule_value_len(uint32_t flag) { return fpss::rule_len(flag); }

uint32_t ss_fp_action_value_len(uint32_t flag) { return fpss::action_len(flag); }

uint32_t ss_fp_rule_value_offset(const uint32_t *rule_flags, uint32_t flag) {
    return fpss::packed_offset<fpss::rule_len>(rule_flags, flag, SS_FP_RULE_MAX);
}

uint32_t ss_fp_action_value_offset(const uint32_t *action_flags, uint32_t flag) {
    return fpss::packed_offset<fpss::action_len>(action_flags, flag, SS_FP_ACTION_MAX);
}

}  // extern "C"
