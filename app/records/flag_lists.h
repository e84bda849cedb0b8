// The rule-flag and action-flag lists: one row per enumerator in value order,
// with the size in bytes of the flag's value in a record's value area.
//
// The name tables, the value-size rule and the dumps' checks of what they
// read all come from these lists (records/name_tables.cpp checks that each
// row's enumerator has the row's number). A list is applied to a macro of
// two arguments, the enumerator and the size:
//
//     #define NAME(e, size) #e,
//     const char *const names[] = {FPSS_RULE_FLAGS(NAME)};
#ifndef FPSS_RECORDS_FLAG_LISTS_H
#define FPSS_RECORDS_FLAG_LISTS_H

#include <cstdint>

#include "ss_fp_appmng.h"

// Rule flags 0 to 197: the enumerator and its value size in bytes.
// clang-format off
#define FPSS_RULE_FLAGS(X)                                  \
    X(SS_FP_RULE_NONE, 0)                                   \
    X(SS_FP_RULE_MAC_DST, 12)                               \
    X(SS_FP_RULE_MAC_SRC, 12)                               \
    X(SS_FP_RULE_MAC_SENDER, 12)                            \
    X(SS_FP_RULE_MAC_TARGET, 12)                            \
    X(SS_FP_RULE_VID, 4)                                    \
    X(SS_FP_RULE_VID_IN, 4)                                 \
    X(SS_FP_RULE_COS, 2)                                    \
    X(SS_FP_RULE_COS_IN, 2)                                 \
    X(SS_FP_RULE_PRIO_IN, 2)                                \
    X(SS_FP_RULE_ETYPE, 4)                                  \
    X(SS_FP_RULE_IPV4_PREC, 2)                              \
    X(SS_FP_RULE_IPV4_TOS, 2)                               \
    X(SS_FP_RULE_IPV4_DSCP, 2)                              \
    X(SS_FP_RULE_IPV4_FRAGMENT, 4)                          \
    X(SS_FP_RULE_IPV4_TTL, 2)                               \
    X(SS_FP_RULE_IPV4_PROTOCOL, 2)                          \
    X(SS_FP_RULE_IPV4_SRC, 8)                               \
    X(SS_FP_RULE_IPV4_DST, 8)                               \
    X(SS_FP_RULE_SENDER_IPV4_SRC, 8)                        \
    X(SS_FP_RULE_SENDER_IPV4_DST, 8)                        \
    X(SS_FP_RULE_IPV6_TC, 2)                                \
    X(SS_FP_RULE_IPV6_FLOWLAB, 8)                           \
    X(SS_FP_RULE_IPV6_NEXT_HDR, 4)                          \
    X(SS_FP_RULE_IPV6_HOP_LIMIT, 8)                         \
    X(SS_FP_RULE_IPV6_SRC, 32)                              \
    X(SS_FP_RULE_IPV6_DST, 32)                              \
    X(SS_FP_RULE_ICMP_TYPE, 2)                              \
    X(SS_FP_RULE_ICMP_CODE, 2)                              \
    X(SS_FP_RULE_SRC_L4PORT, 4)                             \
    X(SS_FP_RULE_DST_L4PORT, 4)                             \
    X(SS_FP_RULE_SRC_L4PORT_RANGE, 8)                       \
    X(SS_FP_RULE_DST_L4PORT_RANGE, 8)                       \
    X(SS_FP_RULE_TCP_FLAG, 2)                               \
    X(SS_FP_RULE_MPLS_LABEL, 8)                             \
    X(SS_FP_RULE_MPLS_EXP, 8)                               \
    X(SS_FP_RULE_VRF, 8)                                    \
    X(SS_FP_RULE_FC_HDR1, 4)                                \
    X(SS_FP_RULE_FC_HDR2, 4)                                \
    X(SS_FP_RULE_FC_DID, 8)                                 \
    X(SS_FP_RULE_FC_SID, 8)                                 \
    X(SS_FP_RULE_STP_STATE, 4)                              \
    X(SS_FP_RULE_HIT_STATE_L3_DA_HOST, 1)                   \
    X(SS_FP_RULE_HIT_STATE_L3_DA_ROUTE, 1)                  \
    X(SS_FP_RULE_HIT_STATE_L3_IPMC, 1)                      \
    X(SS_FP_RULE_HIT_STATE_L2_DA, 1)                        \
    X(SS_FP_RULE_HIT_STATE_L2_SA, 1)                        \
    X(SS_FP_RULE_HIT_STATE_L2_SA_STATIC, 1)                 \
    X(SS_FP_RULE_INPUT_PORT, 16)                            \
    X(SS_FP_RULE_L3_KNOWN_UC, 8)                            \
    X(SS_FP_RULE_L3_KNOWN_MC, 8)                            \
    X(SS_FP_RULE_L3_UC, 8)                                  \
    X(SS_FP_RULE_PRE_STAGE_DROP, 1)                         \
    X(SS_FP_RULE_ACL80, 160)                                \
    X(SS_FP_RULE_ICMP_DLDP, 8)                              \
    X(SS_FP_RULE_IPTYPE, 4)                                 \
    X(SS_FP_RULE_INTERFACECLASSL3, 8)                       \
    X(SS_FP_RULE_VLAN_CLASS_ID, 8)                          \
    X(SS_FP_RULE_TRILL_ETYPE, 4)                            \
    X(SS_FP_RULE_TRILL_MAC_DST, 12)                         \
    X(SS_FP_RULE_TRILL_TTL, 8)                              \
    X(SS_FP_RULE_MY_MAC_HIT, 1)                             \
    X(SS_FP_RULE_MPLS_BOS, 8)                               \
    X(SS_FP_RULE_FORWARDINGTYPE, 4)                         \
    X(SS_FP_RULE_IPV6_SRC_UPPER64, 32)                      \
    X(SS_FP_RULE_IPV6_DST_UPPER64, 32)                      \
    X(SS_FP_RULE_GRE_PROTOCOL_TYPE, 4)                      \
    X(SS_FP_RULE_L2GRE_PAYLOAD_DMAC, 12)                    \
    X(SS_FP_RULE_IPV4_FLAGS, 4)                             \
    X(SS_FP_RULE_IPV4_OFFSET, 4)                            \
    X(SS_FP_RULE_VPN_ID, 4)                                 \
    X(SS_FP_RULE_L2GRE_ETYPE, 4)                            \
    X(SS_FP_RULE_MPLS_VERSION, 8)                           \
    X(SS_FP_RULE_MPLS_FWD_LABEL_ACTION, 8)                  \
    X(SS_FP_RULE_FWD_HEADER_OFF, 12)                        \
    X(SS_FP_RULE_MPLS_IP_TTL, 2)                            \
    X(SS_FP_RULE_MPLS_TERMINATED, 1)                        \
    X(SS_FP_RULE_PPPOE_PTYPE, 4)                            \
    X(SS_FP_RULE_VLANFORMAT, 2)                             \
    X(SS_FP_RULE_VFI_CLASS_ID, 8)                           \
    X(SS_FP_RULE_DSTPORT, 8)                                \
    X(SS_FP_RULE_L2_KNOWN_UC, 4)                            \
    X(SS_FP_RULE_DECAP, 4)                                  \
    X(SS_FP_RULE_TUNNEL_TYPE, 4)                            \
    X(SS_FP_RULE_MPLS_FWD_LAB, 8)                           \
    X(SS_FP_RULE_MPLS_FWD_LAB_TTL, 2)                       \
    X(SS_FP_RULE_DSTTRUNK, 4)                               \
    X(SS_FP_RULE_SRC_TRUNK, 4)                              \
    X(SS_FP_RULE_HG_PORT, 1)                                \
    X(SS_FP_RULE_IN_PORT, 0)                                \
    X(SS_FP_RULE_IN_PORTS, 0)                               \
    X(SS_FP_RULE_INTERFACE_CLASS_PORT, 0)                   \
    X(SS_FP_RULE_SRC_VP_CLASS_ID, 8)                        \
    X(SS_FP_RULE_FORWARDING_VID, 4)                         \
    X(SS_FP_RULE_EGR_L3_CLASSID, 4)                         \
    X(SS_FP_RULE_ETYPE_CLASS_ID, 1)                         \
    X(SS_FP_RULE_DST_IP6_CLASS_ID, 2)                       \
    X(SS_FP_RULE_L3, 1)                                     \
    X(SS_FP_RULE_VFP_DST_CLASS, 8)                          \
    X(SS_FP_RULE_VFP_SRC_CLASS, 8)                          \
    X(SS_FP_RULE_IP_HAS_OPTIONS, 8)                         \
    X(SS_FP_RULE_IP6_EXIST, 8)                              \
    X(SS_FP_RULE_RIF, 4)                                    \
    X(SS_FP_RULE_STAT_ID7, 8)                               \
    X(SS_FP_RULE_OUTER_VID, 4)                              \
    X(SS_FP_RULE_L2_KNOWN_MC, 8)                            \
    X(SS_FP_RULE_CPU_REASON_ID, 4)                          \
    X(SS_FP_RULE_FEC_ID, 8)                                 \
    X(SS_FP_RULE_IP_ID, 4)                                  \
    X(SS_FP_RULE_MPLS_LABEL1, 8)                            \
    X(SS_FP_RULE_MPLS_LABEL2, 8)                            \
    X(SS_FP_RULE_MPLS_LABEL3, 8)                            \
    X(SS_FP_RULE_MPLS_LABEL4, 8)                            \
    X(SS_FP_RULE_MPLS_LABEL5, 8)                            \
    X(SS_FP_RULE_MPLS_LABEL6, 8)                            \
    X(SS_FP_RULE_BFD_MSG_FLAGS, 2)                          \
    X(SS_FP_RULE_BFD_ECHO_INTERVAL, 8)                      \
    X(SS_FP_RULE_UDF1, 6)                                   \
    X(SS_FP_RULE_UDF2, 6)                                   \
    X(SS_FP_RULE_UDF3, 6)                                   \
    X(SS_FP_RULE_UDF4, 6)                                   \
    X(SS_FP_RULE_UDF5, 6)                                   \
    X(SS_FP_RULE_UDF6, 6)                                   \
    X(SS_FP_RULE_UDF7, 6)                                   \
    X(SS_FP_RULE_UDF8, 6)                                   \
    X(SS_FP_RULE_UDF9, 6)                                   \
    X(SS_FP_RULE_UDF10, 6)                                  \
    X(SS_FP_RULE_UDF11, 6)                                  \
    X(SS_FP_RULE_UDF12, 6)                                  \
    X(SS_FP_RULE_UDF13, 6)                                  \
    X(SS_FP_RULE_UDF14, 6)                                  \
    X(SS_FP_RULE_UDF15, 6)                                  \
    X(SS_FP_RULE_UDF16, 6)                                  \
    X(SS_FP_RULE_UDF17, 6)                                  \
    X(SS_FP_RULE_UDF18, 6)                                  \
    X(SS_FP_RULE_UDF19, 6)                                  \
    X(SS_FP_RULE_UDF20, 6)                                  \
    X(SS_FP_RULE_HASH_VALUE, 4)                             \
    X(SS_FP_RULE_IPV4_DST_LOW16, 4)                         \
    X(SS_FP_RULE_CONTAINER, 8)                              \
    X(SS_FP_RULE_RX_TRAP_CODE, 4)                           \
    X(SS_FP_RULE_SRCVXLAN_GPORT, 4)                         \
    X(SS_FP_RULE_DSTVXLAN_GPORT, 4)                         \
    X(SS_FP_RULE_EVLAN_ID, 4)                               \
    X(SS_FP_RULE_TUNNEL_TERMINATED, 1)                      \
    X(SS_FP_RULE_HEADER_FORMAT, 4)                          \
    X(SS_FP_RULE_OUT_VPORT, 8)                              \
    X(SS_FP_RULE_INNER_SIP, 8)                              \
    X(SS_FP_RULE_INNER_DIP, 8)                              \
    X(SS_FP_RULE_DST_CLASS, 8)                              \
    X(SS_FP_RULE_SRC_CLASS, 8)                              \
    X(SS_FP_RULE_VXLAN_INNER_ETYPE, 4)                      \
    X(SS_FP_RULE_VXLAN_INNER_ICMP_TYPE, 2)                  \
    X(SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL, 2)                \
    X(SS_FP_RULE_VXLAN_INNER_IP_TTL, 2)                     \
    X(SS_FP_RULE_VXLAN_INNER_DMAC, 12)                      \
    X(SS_FP_RULE_VXLAN_INNER_IPV4_SRC, 8)                   \
    X(SS_FP_RULE_VXLAN_INNER_IPV4_DST, 8)                   \
    X(SS_FP_RULE_VXLAN_INNER_SRC_L4PORT, 4)                 \
    X(SS_FP_RULE_VXLAN_INNER_DST_L4PORT, 4)                 \
    X(SS_FP_RULE_VXLAN_INNER_TCP_FLAG, 2)                   \
    X(SS_FP_RULE_VXLAN_INNER_IPV6_NEXT_HDR, 2)              \
    X(SS_FP_RULE_UDP_PORT_VXLAN, 4)                         \
    X(SS_FP_RULE_INNER_IPV4_PROTOCOL, 2)                    \
    X(SS_FP_RULE_INNER_DST_L4PORT, 4)                       \
    X(SS_FP_RULE_MPLS_LABEL1_TTL, 2)                        \
    X(SS_FP_RULE_ARP_OP_CODE, 4)                            \
    X(SS_FP_RULE_VXLAN_SENDER_IPV4_SRC, 8)                  \
    X(SS_FP_RULE_VXLAN_SENDER_IPV4_DST, 8)                  \
    X(SS_FP_RULE_VXLAN_ARP_OP_CODE, 4)                      \
    X(SS_FP_RULE_INNER_SRC_L4PORT, 4)                       \
    X(SS_FP_RULE_FEC_MSB, 2)                                \
    X(SS_FP_RULE_VXLAN_IPV6_SRC_UPPER64, 32)                \
    X(SS_FP_RULE_VXLAN_INNER_ICMPV6_TYPE, 2)                \
    X(SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL_DST_L4PORT, 2)     \
    X(SS_FP_RULE_VXLAN_INNER_IPV4_SRC_DST_L4PORT, 8)        \
    X(SS_FP_RULE_VXLAN_INNER_IPV4_DST_DST_L4PORT, 8)        \
    X(SS_FP_RULE_VXLAN_INNER_SRC_L4PORT_DST_L4PORT, 4)      \
    X(SS_FP_RULE_VXLAN_INNER_DST_L4PORT_DST_L4PORT, 4)      \
    X(SS_FP_RULE_VXLAN_INNER_TCP_FLAG_DST_L4PORT, 2)        \
    X(SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL, 2)            \
    X(SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC, 8)               \
    X(SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST, 8)               \
    X(SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT, 4)             \
    X(SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT, 4)             \
    X(SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL_DST_L4PORT, 2) \
    X(SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC_DST_L4PORT, 8)    \
    X(SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST_DST_L4PORT, 8)    \
    X(SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT_DST_L4PORT, 4)  \
    X(SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT_DST_L4PORT, 4)  \
    X(SS_FP_RULE_IN_VPORT, 8)                               \
    X(SS_FP_RULE_IPV4_PROTOCOL_TYPE, 2)                     \
    X(SS_FP_RULE_SRC_CLASSL3, 8)                            \
    X(SS_FP_RULE_EM_ACTION_CLASS0, 8)                       \
    X(SS_FP_RULE_EM_ACTION_CLASS1, 8)                       \
    X(SS_FP_RULE_IPV6_NEXT_HDR_TYPE, 4)                     \
    X(SS_FP_RULE_IGMP_TYPE, 2)                              \
    X(SS_FP_RULE_L3_PKT_TYPE, 4)
// clang-format on

// Action flags 0 to 46: the enumerator and its value size in bytes
// (SS_FP_ACTION_NONE has the size of every flag outside the list).
// clang-format off
#define FPSS_ACTION_FLAGS(X)               \
    X(SS_FP_ACTION_NONE, 8)                \
    X(SS_FP_ACTION_CTRL, 4)                \
    X(SS_FP_ACTION_FWD, 3)                 \
    X(SS_FP_ACTION_MIRROR, 32)             \
    X(SS_FP_ACTION_REDIRECT, 28)           \
    X(SS_FP_ACTION_L3_SWITCH, 8)           \
    X(SS_FP_ACTION_CPU_CODE, 4)            \
    X(SS_FP_ACTION_EGRESS_MASK, 3)         \
    X(SS_FP_ACTION_METER, 48)              \
    X(SS_FP_ACTION_COUNTER, 4)             \
    X(SS_FP_ACTION_CTRL_COS, 7)            \
    X(SS_FP_ACTION_COS, 7)                 \
    X(SS_FP_ACTION_COS_IN, 7)              \
    X(SS_FP_ACTION_VID, 2)                 \
    X(SS_FP_ACTION_VID_IN, 2)              \
    X(SS_FP_ACTION_ADD_TAG, 4)             \
    X(SS_FP_ACTION_PRIO_IN, 6)             \
    X(SS_FP_ACTION_IPV4_TOS, 6)            \
    X(SS_FP_ACTION_IPV4_PREC, 6)           \
    X(SS_FP_ACTION_IPV4_DSCP, 6)           \
    X(SS_FP_ACTION_IPV6_TC, 6)             \
    X(SS_FP_ACTION_VOQ_ID, 4)              \
    X(SS_FP_ACTION_WRED_ID, 4)             \
    X(SS_FP_ACTION_MIRROR_ID, 4)           \
    X(SS_FP_ACTION_VLAN_ACTION_ID, 4)      \
    X(SS_FP_ACTION_TRAP_ID, 4)             \
    X(SS_FP_ACTION_SNOOPING_ID, 4)         \
    X(SS_FP_ACTION_MC_ID, 4)               \
    X(SS_FP_ACTION_SYSTEM_HEADER_SET, 8)   \
    X(SS_FP_ACTION_STRIP, 8)               \
    X(SS_FP_ACTION_VRF, 4)                 \
    X(SS_FP_ACTION_REDIRECT_VLAN, 4)       \
    X(SS_FP_ACTION_VXLAN_TERMINATED, 1)    \
    X(SS_FP_ACTION_EGRESS_MASK_PORTS, 192) \
    X(SS_FP_ACTION_VFP_DST_CLASS_SET, 4)   \
    X(SS_FP_ACTION_VFP_SRC_CLASS_SET, 4)   \
    X(SS_FP_ACTION_STATSAMPLING, 8)        \
    X(SS_FP_ACTION_DO_NOT_LEARN, 1)        \
    X(SS_FP_ACTION_SC, 1)                  \
    X(SS_FP_ACTION_MPLS_EXP, 1)            \
    X(SS_FP_ACTION_CONTAINER, 4)           \
    X(SS_FP_ACTION_DROP_PREC, 1)           \
    X(SS_FP_ACTION_ISQ_METER, 48)          \
    X(SS_FP_ACTION_CLASS_DST_SET, 4)       \
    X(SS_FP_ACTION_CLASS_SRC_SET, 4)       \
    X(SS_FP_ACTION_SRCVXLAN_GPORT, 8)      \
    X(SS_FP_ACTION_EM_CLASS, 4)
// clang-format on

#define FPSS_FLAG_SIZE(e, size) size,

namespace fpss {

// Value sizes of rule flags 0 to 197 and action flags 0 to 46.
inline constexpr uint8_t kRuleValueSize[] = {FPSS_RULE_FLAGS(FPSS_FLAG_SIZE)};
inline constexpr uint8_t kActionValueSize[] = {FPSS_ACTION_FLAGS(FPSS_FLAG_SIZE)};

// The size of every action flag outside 1 to 46, SS_FP_ACTION_NONE's too.
inline constexpr uint32_t kActionDefaultSize = 8;

}  // namespace fpss

#undef FPSS_FLAG_SIZE

#endif  // FPSS_RECORDS_FLAG_LISTS_H
