/*
 * Request records of the application manager and the name tables of the FP
 * policy stack.
 *
 * A request of the application manager is a common header
 * (ss_fp_appmng_common_t) followed by an ACL record (ss_fp_appmng_acl_t) and,
 * depending on the operation, an ACE record (ss_fp_appmng_ace_t) or an apply
 * record (ss_fp_appmng_apply_t). ACE and apply records carry their match rules
 * and actions as two flag bitmaps and one packed value area, 'buffer':
 *
 *   - Flag f of a bitmap is bit (f % 32) of word (f / 32), least significant
 *     bit first. Rule flags 0 to 197 are used (7 words); action flags 0 to 46
 *     (4 words). The count markers SS_FP_RULE_MAX and SS_FP_ACTION_MAX are
 *     never set, and bits at or above them are never read.
 *   - The values of one kind are packed in increasing flag order, without
 *     padding or alignment: the value of a set flag f starts at its kind's
 *     first value plus ss_fp_rule_value_offset() or
 *     ss_fp_action_value_offset() of f, and is ss_fp_rule_value_len() or
 *     ss_fp_action_value_len() bytes long. A flag of size 0 takes no bytes.
 *     Multi-byte fields inside values may lie at any address: read and write
 *     them bytewise (memcpy), never through a cast pointer.
 *   - In an ACE the rule values come first and the action values start at
 *     'buffer' + 'rule_len'; in an apply record the order is reversed (action
 *     values first, rule values at 'buffer' + 'action_len').
 *
 * The layouts are an interface with the application manager, which lives
 * outside this library: every offset below is fixed, in host byte order.
 *
 * Name tables: every table is indexed by the number it names and holds
 * NUL-terminated texts that live as long as the process.
 *   fp_rule_flag_strings    199 rule-flag enumerator names (0 to SS_FP_RULE_MAX)
 *   fp_action_flag_strings  48 action-flag enumerator names (0 to SS_FP_ACTION_MAX)
 *   g_ss_fp_op_string_1     32 request-operation enumerator names
 *   lib_fp_app_string       186 short upper-case application names, type 0 to 185
 *   g_ss_fp_app_string      187 application-type enumerator names, type 0 to 185
 *                           and the count marker SS_FP_APP_TYPE_MAX
 * Application types: the enumerator of type t is "SS_FP_APP_TYPE_" followed by
 * its short name, so entry t of g_ss_fp_app_string is entry t of
 * lib_fp_app_string with that prefix (type 0, "NONE", is no application).
 * Types without an owning feature yet are named "RSVD_<type>".
 *
 * Thread safety: the tables are constant and the functions pure; any thread
 * may use them at any time. Records are the caller's: a record shared between
 * threads needs the caller's own lock.
 *
 * Ownership: an ACE or apply record is one allocation of its head plus
 * 'rule_len' + 'action_len' value bytes; freeing the record frees its values.
 */
#ifndef SS_FP_APPMNG_H
#define SS_FP_APPMNG_H

#include <stdint.h>

#include "ss_fp_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Words of the two flag bitmaps. */
#define SS_FP_RULE_FLAG_WORDS 7
#define SS_FP_ACTION_FLAG_WORDS 4
/* Number of request operations (entries of g_ss_fp_op_string_1). */
#define SS_FP_APPMNG_OP_COUNT 32

/* Rule flags: bit numbers of a rule-flag bitmap. */
enum ss_fp_rule_flag {
    SS_FP_RULE_NONE = 0,
    SS_FP_RULE_MAC_DST = 1,
    SS_FP_RULE_MAC_SRC = 2,
    SS_FP_RULE_MAC_SENDER = 3,
    SS_FP_RULE_MAC_TARGET = 4,
    SS_FP_RULE_VID = 5,
    SS_FP_RULE_VID_IN = 6,
    SS_FP_RULE_COS = 7,
    SS_FP_RULE_COS_IN = 8,
    SS_FP_RULE_PRIO_IN = 9,
    SS_FP_RULE_ETYPE = 10,
    SS_FP_RULE_IPV4_PREC = 11,
    SS_FP_RULE_IPV4_TOS = 12,
    SS_FP_RULE_IPV4_DSCP = 13,
    SS_FP_RULE_IPV4_FRAGMENT = 14,
    SS_FP_RULE_IPV4_TTL = 15,
    SS_FP_RULE_IPV4_PROTOCOL = 16,
    SS_FP_RULE_IPV4_SRC = 17,
    SS_FP_RULE_IPV4_DST = 18,
    SS_FP_RULE_SENDER_IPV4_SRC = 19,
    SS_FP_RULE_SENDER_IPV4_DST = 20,
    SS_FP_RULE_IPV6_TC = 21,
    SS_FP_RULE_IPV6_FLOWLAB = 22,
    SS_FP_RULE_IPV6_NEXT_HDR = 23,
    SS_FP_RULE_IPV6_HOP_LIMIT = 24,
    SS_FP_RULE_IPV6_SRC = 25,
    SS_FP_RULE_IPV6_DST = 26,
    SS_FP_RULE_ICMP_TYPE = 27,
    SS_FP_RULE_ICMP_CODE = 28,
    SS_FP_RULE_SRC_L4PORT = 29,
    SS_FP_RULE_DST_L4PORT = 30,
    SS_FP_RULE_SRC_L4PORT_RANGE = 31,
    SS_FP_RULE_DST_L4PORT_RANGE = 32,
    SS_FP_RULE_TCP_FLAG = 33,
    SS_FP_RULE_MPLS_LABEL = 34,
    SS_FP_RULE_MPLS_EXP = 35,
    SS_FP_RULE_VRF = 36,
    SS_FP_RULE_FC_HDR1 = 37,
    SS_FP_RULE_FC_HDR2 = 38,
    SS_FP_RULE_FC_DID = 39,
    SS_FP_RULE_FC_SID = 40,
    SS_FP_RULE_STP_STATE = 41,
    SS_FP_RULE_HIT_STATE_L3_DA_HOST = 42,
    SS_FP_RULE_HIT_STATE_L3_DA_ROUTE = 43,
    SS_FP_RULE_HIT_STATE_L3_IPMC = 44,
    SS_FP_RULE_HIT_STATE_L2_DA = 45,
    SS_FP_RULE_HIT_STATE_L2_SA = 46,
    SS_FP_RULE_HIT_STATE_L2_SA_STATIC = 47,
    SS_FP_RULE_INPUT_PORT = 48,
    SS_FP_RULE_L3_KNOWN_UC = 49,
    SS_FP_RULE_L3_KNOWN_MC = 50,
    SS_FP_RULE_L3_UC = 51,
    SS_FP_RULE_PRE_STAGE_DROP = 52,
    SS_FP_RULE_ACL80 = 53,
    SS_FP_RULE_ICMP_DLDP = 54,
    SS_FP_RULE_IPTYPE = 55,
    SS_FP_RULE_INTERFACECLASSL3 = 56,
    SS_FP_RULE_VLAN_CLASS_ID = 57,
    SS_FP_RULE_TRILL_ETYPE = 58,
    SS_FP_RULE_TRILL_MAC_DST = 59,
    SS_FP_RULE_TRILL_TTL = 60,
    SS_FP_RULE_MY_MAC_HIT = 61,
    SS_FP_RULE_MPLS_BOS = 62,
    SS_FP_RULE_FORWARDINGTYPE = 63,
    SS_FP_RULE_IPV6_SRC_UPPER64 = 64,
    SS_FP_RULE_IPV6_DST_UPPER64 = 65,
    SS_FP_RULE_GRE_PROTOCOL_TYPE = 66,
    SS_FP_RULE_L2GRE_PAYLOAD_DMAC = 67,
    SS_FP_RULE_IPV4_FLAGS = 68,
    SS_FP_RULE_IPV4_OFFSET = 69,
    SS_FP_RULE_VPN_ID = 70,
    SS_FP_RULE_L2GRE_ETYPE = 71,
    SS_FP_RULE_MPLS_VERSION = 72,
    SS_FP_RULE_MPLS_FWD_LABEL_ACTION = 73,
    SS_FP_RULE_FWD_HEADER_OFF = 74,
    SS_FP_RULE_MPLS_IP_TTL = 75,
    SS_FP_RULE_MPLS_TERMINATED = 76,
    SS_FP_RULE_PPPOE_PTYPE = 77,
    SS_FP_RULE_VLANFORMAT = 78,
    SS_FP_RULE_VFI_CLASS_ID = 79,
    SS_FP_RULE_DSTPORT = 80,
    SS_FP_RULE_L2_KNOWN_UC = 81,
    SS_FP_RULE_DECAP = 82,
    SS_FP_RULE_TUNNEL_TYPE = 83,
    SS_FP_RULE_MPLS_FWD_LAB = 84,
    SS_FP_RULE_MPLS_FWD_LAB_TTL = 85,
    SS_FP_RULE_DSTTRUNK = 86,
    SS_FP_RULE_SRC_TRUNK = 87,
    SS_FP_RULE_HG_PORT = 88,
    SS_FP_RULE_IN_PORT = 89,
    SS_FP_RULE_IN_PORTS = 90,
    SS_FP_RULE_INTERFACE_CLASS_PORT = 91,
    SS_FP_RULE_SRC_VP_CLASS_ID = 92,
    SS_FP_RULE_FORWARDING_VID = 93,
    SS_FP_RULE_EGR_L3_CLASSID = 94,
    SS_FP_RULE_ETYPE_CLASS_ID = 95,
    SS_FP_RULE_DST_IP6_CLASS_ID = 96,
    SS_FP_RULE_L3 = 97,
    SS_FP_RULE_VFP_DST_CLASS = 98,
    SS_FP_RULE_VFP_SRC_CLASS = 99,
    SS_FP_RULE_IP_HAS_OPTIONS = 100,
    SS_FP_RULE_IP6_EXIST = 101,
    SS_FP_RULE_RIF = 102,
    SS_FP_RULE_STAT_ID7 = 103,
    SS_FP_RULE_OUTER_VID = 104,
    SS_FP_RULE_L2_KNOWN_MC = 105,
    SS_FP_RULE_CPU_REASON_ID = 106,
    SS_FP_RULE_FEC_ID = 107,
    SS_FP_RULE_IP_ID = 108,
    SS_FP_RULE_MPLS_LABEL1 = 109,
    SS_FP_RULE_MPLS_LABEL2 = 110,
    SS_FP_RULE_MPLS_LABEL3 = 111,
    SS_FP_RULE_MPLS_LABEL4 = 112,
    SS_FP_RULE_MPLS_LABEL5 = 113,
    SS_FP_RULE_MPLS_LABEL6 = 114,
    SS_FP_RULE_BFD_MSG_FLAGS = 115,
    SS_FP_RULE_BFD_ECHO_INTERVAL = 116,
    SS_FP_RULE_UDF1 = 117,
    SS_FP_RULE_UDF2 = 118,
    SS_FP_RULE_UDF3 = 119,
    SS_FP_RULE_UDF4 = 120,
    SS_FP_RULE_UDF5 = 121,
    SS_FP_RULE_UDF6 = 122,
    SS_FP_RULE_UDF7 = 123,
    SS_FP_RULE_UDF8 = 124,
    SS_FP_RULE_UDF9 = 125,
    SS_FP_RULE_UDF10 = 126,
    SS_FP_RULE_UDF11 = 127,
    SS_FP_RULE_UDF12 = 128,
    SS_FP_RULE_UDF13 = 129,
    SS_FP_RULE_UDF14 = 130,
    SS_FP_RULE_UDF15 = 131,
    SS_FP_RULE_UDF16 = 132,
    SS_FP_RULE_UDF17 = 133,
    SS_FP_RULE_UDF18 = 134,
    SS_FP_RULE_UDF19 = 135,
    SS_FP_RULE_UDF20 = 136,
    SS_FP_RULE_HASH_VALUE = 137,
    SS_FP_RULE_IPV4_DST_LOW16 = 138,
    SS_FP_RULE_CONTAINER = 139,
    SS_FP_RULE_RX_TRAP_CODE = 140,
    SS_FP_RULE_SRCVXLAN_GPORT = 141,
    SS_FP_RULE_DSTVXLAN_GPORT = 142,
    SS_FP_RULE_EVLAN_ID = 143,
    SS_FP_RULE_TUNNEL_TERMINATED = 144,
    SS_FP_RULE_HEADER_FORMAT = 145,
    SS_FP_RULE_OUT_VPORT = 146,
    SS_FP_RULE_INNER_SIP = 147,
    SS_FP_RULE_INNER_DIP = 148,
    SS_FP_RULE_DST_CLASS = 149,
    SS_FP_RULE_SRC_CLASS = 150,
    SS_FP_RULE_VXLAN_INNER_ETYPE = 151,
    SS_FP_RULE_VXLAN_INNER_ICMP_TYPE = 152,
    SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL = 153,
    SS_FP_RULE_VXLAN_INNER_IP_TTL = 154,
    SS_FP_RULE_VXLAN_INNER_DMAC = 155,
    SS_FP_RULE_VXLAN_INNER_IPV4_SRC = 156,
    SS_FP_RULE_VXLAN_INNER_IPV4_DST = 157,
    SS_FP_RULE_VXLAN_INNER_SRC_L4PORT = 158,
    SS_FP_RULE_VXLAN_INNER_DST_L4PORT = 159,
    SS_FP_RULE_VXLAN_INNER_TCP_FLAG = 160,
    SS_FP_RULE_VXLAN_INNER_IPV6_NEXT_HDR = 161,
    SS_FP_RULE_UDP_PORT_VXLAN = 162,
    SS_FP_RULE_INNER_IPV4_PROTOCOL = 163,
    SS_FP_RULE_INNER_DST_L4PORT = 164,
    SS_FP_RULE_MPLS_LABEL1_TTL = 165,
    SS_FP_RULE_ARP_OP_CODE = 166,
    SS_FP_RULE_VXLAN_SENDER_IPV4_SRC = 167,
    SS_FP_RULE_VXLAN_SENDER_IPV4_DST = 168,
    SS_FP_RULE_VXLAN_ARP_OP_CODE = 169,
    SS_FP_RULE_INNER_SRC_L4PORT = 170,
    SS_FP_RULE_FEC_MSB = 171,
    SS_FP_RULE_VXLAN_IPV6_SRC_UPPER64 = 172,
    SS_FP_RULE_VXLAN_INNER_ICMPV6_TYPE = 173,
    SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL_DST_L4PORT = 174,
    SS_FP_RULE_VXLAN_INNER_IPV4_SRC_DST_L4PORT = 175,
    SS_FP_RULE_VXLAN_INNER_IPV4_DST_DST_L4PORT = 176,
    SS_FP_RULE_VXLAN_INNER_SRC_L4PORT_DST_L4PORT = 177,
    SS_FP_RULE_VXLAN_INNER_DST_L4PORT_DST_L4PORT = 178,
    SS_FP_RULE_VXLAN_INNER_TCP_FLAG_DST_L4PORT = 179,
    SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL = 180,
    SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC = 181,
    SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST = 182,
    SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT = 183,
    SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT = 184,
    SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL_DST_L4PORT = 185,
    SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC_DST_L4PORT = 186,
    SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST_DST_L4PORT = 187,
    SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT_DST_L4PORT = 188,
    SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT_DST_L4PORT = 189,
    SS_FP_RULE_IN_VPORT = 190,
    SS_FP_RULE_IPV4_PROTOCOL_TYPE = 191,
    SS_FP_RULE_SRC_CLASSL3 = 192,
    SS_FP_RULE_EM_ACTION_CLASS0 = 193,
    SS_FP_RULE_EM_ACTION_CLASS1 = 194,
    SS_FP_RULE_IPV6_NEXT_HDR_TYPE = 195,
    SS_FP_RULE_IGMP_TYPE = 196,
    SS_FP_RULE_L3_PKT_TYPE = 197,
    SS_FP_RULE_MAX = 198,
};

/* Action flags: bit numbers of an action-flag bitmap. */
enum ss_fp_action_flag {
    SS_FP_ACTION_NONE = 0,
    SS_FP_ACTION_CTRL = 1,
    SS_FP_ACTION_FWD = 2,
    SS_FP_ACTION_MIRROR = 3,
    SS_FP_ACTION_REDIRECT = 4,
    SS_FP_ACTION_L3_SWITCH = 5,
    SS_FP_ACTION_CPU_CODE = 6,
    SS_FP_ACTION_EGRESS_MASK = 7,
    SS_FP_ACTION_METER = 8,
    SS_FP_ACTION_COUNTER = 9,
    SS_FP_ACTION_CTRL_COS = 10,
    SS_FP_ACTION_COS = 11,
    SS_FP_ACTION_COS_IN = 12,
    SS_FP_ACTION_VID = 13,
    SS_FP_ACTION_VID_IN = 14,
    SS_FP_ACTION_ADD_TAG = 15,
    SS_FP_ACTION_PRIO_IN = 16,
    SS_FP_ACTION_IPV4_TOS = 17,
    SS_FP_ACTION_IPV4_PREC = 18,
    SS_FP_ACTION_IPV4_DSCP = 19,
    SS_FP_ACTION_IPV6_TC = 20,
    SS_FP_ACTION_VOQ_ID = 21,
    SS_FP_ACTION_WRED_ID = 22,
    SS_FP_ACTION_MIRROR_ID = 23,
    SS_FP_ACTION_VLAN_ACTION_ID = 24,
    SS_FP_ACTION_TRAP_ID = 25,
    SS_FP_ACTION_SNOOPING_ID = 26,
    SS_FP_ACTION_MC_ID = 27,
    SS_FP_ACTION_SYSTEM_HEADER_SET = 28,
    SS_FP_ACTION_STRIP = 29,
    SS_FP_ACTION_VRF = 30,
    SS_FP_ACTION_REDIRECT_VLAN = 31,
    SS_FP_ACTION_VXLAN_TERMINATED = 32,
    SS_FP_ACTION_EGRESS_MASK_PORTS = 33,
    SS_FP_ACTION_VFP_DST_CLASS_SET = 34,
    SS_FP_ACTION_VFP_SRC_CLASS_SET = 35,
    SS_FP_ACTION_STATSAMPLING = 36,
    SS_FP_ACTION_DO_NOT_LEARN = 37,
    SS_FP_ACTION_SC = 38,
    SS_FP_ACTION_MPLS_EXP = 39,
    SS_FP_ACTION_CONTAINER = 40,
    SS_FP_ACTION_DROP_PREC = 41,
    SS_FP_ACTION_ISQ_METER = 42,
    SS_FP_ACTION_CLASS_DST_SET = 43,
    SS_FP_ACTION_CLASS_SRC_SET = 44,
    SS_FP_ACTION_SRCVXLAN_GPORT = 45,
    SS_FP_ACTION_EM_CLASS = 46,
    SS_FP_ACTION_MAX = 47,
};

/* Request operations: the 'op' of the common header. */
enum ss_fp_appmng_op {
    SS_FP_APPMNG_CRT_ACL = 0,
    SS_FP_APPMNG_DEL_ACL = 1,
    SS_FP_APPMNG_ADD_ACE = 2,
    SS_FP_APPMNG_DEL_ACE = 3,
    SS_FP_APPMNG_APPLY_ACL = 4,
    SS_FP_APPMNG_UNAPPLY_ACL = 5,
    SS_FP_APPMNG_SET_UPLINK = 6,
    SS_FP_APPMNG_ACL_COUNTER = 7,
    SS_FP_APPMNG_ACE_COUNTER = 8,
    SSD_FP_APPMNG_ACE_COUNTER_NOTIFY = 9,
    SS_FP_APPMNG_PACKAGE = 10,
    SS_FP_APPMNG_GET_ACL = 11,
    SS_FP_APPMNG_GET_ACE = 12,
    SS_FP_APPMNG_FREE_ACL = 13,
    SS_FP_APPMNG_FREE_ACE = 14,
    SS_FP_APPMNG_DEL_ACES = 15,
    SS_FP_APPMNG_UPDATE_ACE_ACTION = 16,
    SS_FP_APPMNG_UPDATE_ACL_ACTION = 17,
    SS_FP_APPMNG_REPLACE_ACL = 18,
    SS_FP_APPMNG_DS_SET_STATE = 19,
    SS_FP_APPMNG_DS_SERVICE = 20,
    SS_FP_APPMNG_SET_CPP = 21,
    SS_FP_APPMNG_NOTIFY_AP = 22,
    SS_FP_APPMNG_NOTIFY_VIRVLAN = 23,
    SS_FP_APPMNG_VSD_MSG = 24,
    SS_FP_APPMNG_DS_COHERENCE = 25,
    SS_FP_APPMNG_ACL_RESEQ = 26,
    SS_FP_APPMNG_SVI_ROUTER_ACL = 27,
    SS_FP_APPMNG_DS_RTN_MSG = 28,
    SS_FP_APPMNG_PORT_ON_OFF = 29,
    SS_FP_APPMNG_GET_RES = 30,
    SS_FP_APPMNG_SET_RES = 31,
};

/* Application types: the 'app_type' of ACL and apply records. */
enum ss_fp_app_type {
    SS_FP_APP_TYPE_NONE = 0,
    SS_FP_APP_TYPE_PACL = 1,
    SS_FP_APP_TYPE_VACL = 2,
    SS_FP_APP_TYPE_RACL = 3,
    SS_FP_APP_TYPE_MAC_ACL = 4,
    SS_FP_APP_TYPE_IPV6_ACL = 5,
    SS_FP_APP_TYPE_QOS = 6,
    SS_FP_APP_TYPE_PBR = 7,
    SS_FP_APP_TYPE_CPP = 8,
    SS_FP_APP_TYPE_MIRROR = 9,
    SS_FP_APP_TYPE_DHCP_SNOOP = 10,
    SS_FP_APP_TYPE_DHCPV6_SNOOP = 11,
    SS_FP_APP_TYPE_ARP_CHECK = 12,
    SS_FP_APP_TYPE_IPSG = 13,
    SS_FP_APP_TYPE_IPV6_SG = 14,
    SS_FP_APP_TYPE_DOT1X = 15,
    SS_FP_APP_TYPE_WEB_AUTH = 16,
    SS_FP_APP_TYPE_MAC_AUTH = 17,
    SS_FP_APP_TYPE_STORM_CTRL = 18,
    SS_FP_APP_TYPE_PORT_SEC = 19,
    SS_FP_APP_TYPE_MAC_LIMIT = 20,
    SS_FP_APP_TYPE_ERPS = 21,
    SS_FP_APP_TYPE_EAPS = 22,
    SS_FP_APP_TYPE_LLDP = 23,
    SS_FP_APP_TYPE_LACP = 24,
    SS_FP_APP_TYPE_STP = 25,
    SS_FP_APP_TYPE_RLDP = 26,
    SS_FP_APP_TYPE_REUP = 27,
    SS_FP_APP_TYPE_DLDP = 28,
    SS_FP_APP_TYPE_CFM = 29,
    SS_FP_APP_TYPE_Y1731 = 30,
    SS_FP_APP_TYPE_EFM_OAM = 31,
    SS_FP_APP_TYPE_BFD = 32,
    SS_FP_APP_TYPE_OSPF = 33,
    SS_FP_APP_TYPE_OSPFV3 = 34,
    SS_FP_APP_TYPE_BGP = 35,
    SS_FP_APP_TYPE_ISIS = 36,
    SS_FP_APP_TYPE_RIP = 37,
    SS_FP_APP_TYPE_RIPNG = 38,
    SS_FP_APP_TYPE_VRRP = 39,
    SS_FP_APP_TYPE_VRRPV3 = 40,
    SS_FP_APP_TYPE_IGMP_SNOOP = 41,
    SS_FP_APP_TYPE_MLD_SNOOP = 42,
    SS_FP_APP_TYPE_PIM = 43,
    SS_FP_APP_TYPE_PIMV6 = 44,
    SS_FP_APP_TYPE_ND_SNOOP = 45,
    SS_FP_APP_TYPE_DAI = 46,
    SS_FP_APP_TYPE_URPF = 47,
    SS_FP_APP_TYPE_NAT = 48,
    SS_FP_APP_TYPE_VXLAN = 49,
    SS_FP_APP_TYPE_MPLS = 50,
    SS_FP_APP_TYPE_TRILL = 51,
    SS_FP_APP_TYPE_FCOE = 52,
    SS_FP_APP_TYPE_PTP = 53,
    SS_FP_APP_TYPE_SFLOW = 54,
    SS_FP_APP_TYPE_NETFLOW = 55,
    SS_FP_APP_TYPE_TELEMETRY = 56,
    SS_FP_APP_TYPE_ANTI_ATTACK = 57,
    SS_FP_APP_TYPE_ARP_GUARD = 58,
    SS_FP_APP_TYPE_GSN = 59,
    SS_FP_APP_TYPE_VOICE_VLAN = 60,
    SS_FP_APP_TYPE_PROTO_VLAN = 61,
    SS_FP_APP_TYPE_MAC_VLAN = 62,
    SS_FP_APP_TYPE_SUBNET_VLAN = 63,
    SS_FP_APP_TYPE_QINQ = 64,
    SS_FP_APP_TYPE_VLAN_MAP = 65,
    SS_FP_APP_TYPE_L2PT = 66,
    SS_FP_APP_TYPE_MONITOR_LINK = 67,
    SS_FP_APP_TYPE_LOOPBACK_DETECT = 68,
    SS_FP_APP_TYPE_ARP_RATE = 69,
    SS_FP_APP_TYPE_ND_RATE = 70,
    SS_FP_APP_TYPE_DHCP_RELAY = 71,
    SS_FP_APP_TYPE_DHCP_SERVER = 72,
    SS_FP_APP_TYPE_NTP = 73,
    SS_FP_APP_TYPE_SNMP = 74,
    SS_FP_APP_TYPE_SSH = 75,
    SS_FP_APP_TYPE_TELNET = 76,
    SS_FP_APP_TYPE_TFTP = 77,
    SS_FP_APP_TYPE_RADIUS = 78,
    SS_FP_APP_TYPE_TACACS = 79,
    SS_FP_APP_TYPE_SYSLOG = 80,
    SS_FP_APP_TYPE_NFPP = 81,
    SS_FP_APP_TYPE_LDP = 82,
    SS_FP_APP_TYPE_RSVP = 83,
    SS_FP_APP_TYPE_MPLS_TE = 84,
    SS_FP_APP_TYPE_VPLS = 85,
    SS_FP_APP_TYPE_L3VPN = 86,
    SS_FP_APP_TYPE_EVPN = 87,
    SS_FP_APP_TYPE_MVPN = 88,
    SS_FP_APP_TYPE_MSDP = 89,
    SS_FP_APP_TYPE_MRP = 90,
    SS_FP_APP_TYPE_PBB = 91,
    SS_FP_APP_TYPE_OPENFLOW = 92,
    SS_FP_APP_TYPE_VSU = 93,
    SS_FP_APP_TYPE_VSD = 94,
    SS_FP_APP_TYPE_MLAG = 95,
    SS_FP_APP_TYPE_DS = 96,
    SS_FP_APP_TYPE_DS_SERVICE = 97,
    SS_FP_APP_TYPE_UPLINK = 98,
    SS_FP_APP_TYPE_VIRVLAN = 99,
    SS_FP_APP_TYPE_AP_NOTIFY = 100,
    SS_FP_APP_TYPE_SVI_ROUTER = 101,
    SS_FP_APP_TYPE_EGRESS_QOS = 102,
    SS_FP_APP_TYPE_INGRESS_QOS = 103,
    SS_FP_APP_TYPE_METER = 104,
    SS_FP_APP_TYPE_WRED = 105,
    SS_FP_APP_TYPE_COS_MAP = 106,
    SS_FP_APP_TYPE_DSCP_MAP = 107,
    SS_FP_APP_TYPE_TRUST = 108,
    SS_FP_APP_TYPE_POLICER = 109,
    SS_FP_APP_TYPE_COUNTER = 110,
    SS_FP_APP_TYPE_STAT_SAMPLE = 111,
    SS_FP_APP_TYPE_FLOW_MIRROR = 112,
    SS_FP_APP_TYPE_RSPAN = 113,
    SS_FP_APP_TYPE_ERSPAN = 114,
    SS_FP_APP_TYPE_CPU_MIRROR = 115,
    SS_FP_APP_TYPE_TRAP = 116,
    SS_FP_APP_TYPE_COPP = 117,
    SS_FP_APP_TYPE_HOST_ROUTE = 118,
    SS_FP_APP_TYPE_ECMP = 119,
    SS_FP_APP_TYPE_MCAST_ROUTE = 120,
    SS_FP_APP_TYPE_L2_MCAST = 121,
    SS_FP_APP_TYPE_IP_FRAGMENT = 122,
    SS_FP_APP_TYPE_TTL_CHECK = 123,
    SS_FP_APP_TYPE_IPV6_ND = 124,
    SS_FP_APP_TYPE_RA_GUARD = 125,
    SS_FP_APP_TYPE_SAVI = 126,
    SS_FP_APP_TYPE_DHCP_OPTION82 = 127,
    SS_FP_APP_TYPE_PPPOE_PLUS = 128,
    SS_FP_APP_TYPE_ARP_PROXY = 129,
    SS_FP_APP_TYPE_ND_PROXY = 130,
    SS_FP_APP_TYPE_GRE = 131,
    SS_FP_APP_TYPE_L2GRE = 132,
    SS_FP_APP_TYPE_IPIP = 133,
    SS_FP_APP_TYPE_UDF = 134,
    SS_FP_APP_TYPE_HASH = 135,
    SS_FP_APP_TYPE_LOAD_BALANCE = 136,
    SS_FP_APP_TYPE_MACSEC = 137,
    SS_FP_APP_TYPE_RSVD_138 = 138,
    SS_FP_APP_TYPE_RSVD_139 = 139,
    SS_FP_APP_TYPE_RSVD_140 = 140,
    SS_FP_APP_TYPE_RSVD_141 = 141,
    SS_FP_APP_TYPE_RSVD_142 = 142,
    SS_FP_APP_TYPE_RSVD_143 = 143,
    SS_FP_APP_TYPE_RSVD_144 = 144,
    SS_FP_APP_TYPE_RSVD_145 = 145,
    SS_FP_APP_TYPE_RSVD_146 = 146,
    SS_FP_APP_TYPE_RSVD_147 = 147,
    SS_FP_APP_TYPE_RSVD_148 = 148,
    SS_FP_APP_TYPE_RSVD_149 = 149,
    SS_FP_APP_TYPE_RSVD_150 = 150,
    SS_FP_APP_TYPE_RSVD_151 = 151,
    SS_FP_APP_TYPE_RSVD_152 = 152,
    SS_FP_APP_TYPE_RSVD_153 = 153,
    SS_FP_APP_TYPE_RSVD_154 = 154,
    SS_FP_APP_TYPE_RSVD_155 = 155,
    SS_FP_APP_TYPE_RSVD_156 = 156,
    SS_FP_APP_TYPE_RSVD_157 = 157,
    SS_FP_APP_TYPE_RSVD_158 = 158,
    SS_FP_APP_TYPE_RSVD_159 = 159,
    SS_FP_APP_TYPE_RSVD_160 = 160,
    SS_FP_APP_TYPE_RSVD_161 = 161,
    SS_FP_APP_TYPE_RSVD_162 = 162,
    SS_FP_APP_TYPE_RSVD_163 = 163,
    SS_FP_APP_TYPE_RSVD_164 = 164,
    SS_FP_APP_TYPE_RSVD_165 = 165,
    SS_FP_APP_TYPE_RSVD_166 = 166,
    SS_FP_APP_TYPE_RSVD_167 = 167,
    SS_FP_APP_TYPE_RSVD_168 = 168,
    SS_FP_APP_TYPE_RSVD_169 = 169,
    SS_FP_APP_TYPE_RSVD_170 = 170,
    SS_FP_APP_TYPE_RSVD_171 = 171,
    SS_FP_APP_TYPE_RSVD_172 = 172,
    SS_FP_APP_TYPE_RSVD_173 = 173,
    SS_FP_APP_TYPE_RSVD_174 = 174,
    SS_FP_APP_TYPE_RSVD_175 = 175,
    SS_FP_APP_TYPE_RSVD_176 = 176,
    SS_FP_APP_TYPE_RSVD_177 = 177,
    SS_FP_APP_TYPE_RSVD_178 = 178,
    SS_FP_APP_TYPE_RSVD_179 = 179,
    SS_FP_APP_TYPE_RSVD_180 = 180,
    SS_FP_APP_TYPE_RSVD_181 = 181,
    SS_FP_APP_TYPE_RSVD_182 = 182,
    SS_FP_APP_TYPE_RSVD_183 = 183,
    SS_FP_APP_TYPE_RSVD_184 = 184,
    SS_FP_APP_TYPE_RSVD_185 = 185,
    SS_FP_APP_TYPE_MAX = 186
};

/* Records. */

/* An ACL, 16 bytes. */
typedef struct ss_fp_appmng_acl {
    int32_t acl_id;   /* ACL number. */
    int32_t app_type; /* Application type (enum ss_fp_app_type). */
    int32_t vdc_id;   /* Virtual device id (printed as unit by counter views). */
    int32_t acl_cls;  /* ACL class number. */
} ss_fp_appmng_acl_t;

/* A rule and action block: a 48-byte head, then 'rule_len' bytes of rule
 * values and 'action_len' bytes of action values. */
typedef struct ss_fp_appmng_ace_tlv {
    uint32_t rule_flags[SS_FP_RULE_FLAG_WORDS];     /* Rule-flag bitmap. */
    uint32_t action_flags[SS_FP_ACTION_FLAG_WORDS]; /* Action-flag bitmap. */
    uint16_t rule_len;                              /* Bytes of rule values. */
    uint16_t action_len;                            /* Bytes of action values. */
    uint8_t buffer[];                               /* Rule values, then action values. */
} ss_fp_appmng_ace_tlv_t;

/* An ACE: a 24-byte head, the head of a rule and action block, its values.
 * The whole record is 72 + 'rule_len' + 'action_len' bytes. */
typedef struct ss_fp_appmng_ace {
    uint32_t sn;                                    /* ACE sequence number. */
    uint32_t sub_sn;                                /* ACE sub-sequence number. */
    uint8_t is_default;                             /* 1 for the default ACE, else 0. */
    uint8_t reserved[7];                            /* Padding. */
    uint64_t ace_pri;                               /* ACE priority. */
    uint32_t rule_flags[SS_FP_RULE_FLAG_WORDS];     /* Rule-flag bitmap. */
    uint32_t action_flags[SS_FP_ACTION_FLAG_WORDS]; /* Action-flag bitmap. */
    uint16_t rule_len;                              /* Bytes of rule values. */
    uint16_t action_len;                            /* Bytes of action values. */
    uint8_t buffer[];                               /* Rule values, then action values. */
} ss_fp_appmng_ace_t;

/* An application of an ACL to an interface: a 156-byte head, then
 * 'action_len' bytes of action values and 'rule_len' bytes of rule values. */
typedef struct ss_fp_appmng_apply {
    int32_t ifx;                                    /* Interface index. */
    uint32_t phyid;                                 /* Physical port id. */
    int32_t intf_type;                              /* Interface type. */
    int32_t vgp_id;                                 /* Virtual group id. */
    uint8_t opaque[68];                             /* The application manager's; never touched here. */
    int32_t app_type;                               /* Application type (enum ss_fp_app_type). */
    int32_t direction;                              /* Direction of the application. */
    int32_t pri;                                    /* Priority. */
    int32_t vid_type;                               /* VLAN id type. */
    int32_t bind_type;                              /* Binding type. */
    int32_t bind_id;                                /* Binding id. */
    uint32_t action_flags[SS_FP_ACTION_FLAG_WORDS]; /* Action-flag bitmap. */
    uint32_t rule_flags[SS_FP_RULE_FLAG_WORDS];     /* Rule-flag bitmap. */
    uint16_t action_len;                            /* Bytes of action values. */
    uint16_t rule_len;                              /* Bytes of rule values. */
    uint8_t buffer[];                               /* Action values, then rule values. */
} ss_fp_appmng_apply_t;

struct ss_fp_appmng_common;

/* Completion callback of a request: called with the request's header. */
typedef int32_t (*ss_fp_appmng_cb_t)(struct ss_fp_appmng_common *common);

/* The common header at the start of every request, 32 bytes. */
typedef struct ss_fp_appmng_common {
    uint32_t service_id;               /* Request id. */
    uint8_t reserved0[4];              /* Padding. */
    ss_fp_appmng_cb_t ss_fp_appmng_cb; /* Completion callback. */
    int32_t rv;                        /* Result code. */
    int32_t vdu;                       /* Virtual device unit. */
    uint32_t op;                       /* Request operation (enum ss_fp_appmng_op). */
    uint8_t need_rollback;             /* 1 to roll back on failure, else 0. */
    uint8_t is_pi;                     /* Carried and printed only. */
    uint8_t reserved1[2];              /* Padding. */
} ss_fp_appmng_common_t;

/* Name tables. */

SS_FP_API extern const char *const fp_rule_flag_strings[SS_FP_RULE_MAX + 1];
SS_FP_API extern const char *const fp_action_flag_strings[SS_FP_ACTION_MAX + 1];
SS_FP_API extern const char *const g_ss_fp_op_string_1[SS_FP_APPMNG_OP_COUNT];
SS_FP_API extern const char *const lib_fp_app_string[SS_FP_APP_TYPE_MAX];
SS_FP_API extern const char *const g_ss_fp_app_string[SS_FP_APP_TYPE_MAX + 1];

/* Value sizes and offsets. */

/* Bytes of the value of rule flag 'flag' (0 to 197); 0 for any other number. */
SS_FP_API uint32_t ss_fp_rule_value_len(uint32_t flag);
/* Bytes of the value of action flag 'flag': its own size for 1 to 46, 8 for
 * every other number (SS_FP_ACTION_NONE included). */
SS_FP_API uint32_t ss_fp_action_value_len(uint32_t flag);
/* Offset of the value of rule flag 'flag' among the rule values: the sizes of
 * every set rule flag below 'flag' (flags 0 to 197 only). 0 for a null bitmap. */
SS_FP_API uint32_t ss_fp_rule_value_offset(const uint32_t *rule_flags, uint32_t flag);
/* Offset of the value of action flag 'flag' among the action values: the sizes
 * of every set action flag below 'flag' (flags 0 to 46 only; a set
 * SS_FP_ACTION_NONE counts 8). 0 for a null bitmap. */
SS_FP_API uint32_t ss_fp_action_value_offset(const uint32_t *action_flags, uint32_t flag);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_APPMNG_H */
