// The request records' value-size rule and the name tables of rule flags,
// action flags, request operations and application types.
#include <cstddef>
#include <cstdint>
#include <type_traits>

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
static_assert(SS_FP_RULE_MAX <= 32 * SS_FP_RULE_FLAG_WORDS && SS_FP_ACTION_MAX <= 32 * SS_FP_ACTION_FLAG_WORDS);

extern "C" {

const char *const fp_rule_flag_strings[SS_FP_RULE_MAX + 1] = {
    "SS_FP_RULE_NONE", "SS_FP_RULE_MAC_DST",
    "SS_FP_RULE_MAC_SRC", "SS_FP_RULE_MAC_SENDER",
    "SS_FP_RULE_MAC_TARGET", "SS_FP_RULE_VID",
    "SS_FP_RULE_VID_IN", "SS_FP_RULE_COS",
    "SS_FP_RULE_COS_IN", "SS_FP_RULE_PRIO_IN",
    "SS_FP_RULE_ETYPE", "SS_FP_RULE_IPV4_PREC",
    "SS_FP_RULE_IPV4_TOS", "SS_FP_RULE_IPV4_DSCP",
    "SS_FP_RULE_IPV4_FRAGMENT", "SS_FP_RULE_IPV4_TTL",
    "SS_FP_RULE_IPV4_PROTOCOL", "SS_FP_RULE_IPV4_SRC",
    "SS_FP_RULE_IPV4_DST", "SS_FP_RULE_SENDER_IPV4_SRC",
    "SS_FP_RULE_SENDER_IPV4_DST", "SS_FP_RULE_IPV6_TC",
    "SS_FP_RULE_IPV6_FLOWLAB", "SS_FP_RULE_IPV6_NEXT_HDR",
    "SS_FP_RULE_IPV6_HOP_LIMIT", "SS_FP_RULE_IPV6_SRC",
    "SS_FP_RULE_IPV6_DST", "SS_FP_RULE_ICMP_TYPE",
    "SS_FP_RULE_ICMP_CODE", "SS_FP_RULE_SRC_L4PORT",
    "SS_FP_RULE_DST_L4PORT", "SS_FP_RULE_SRC_L4PORT_RANGE",
    "SS_FP_RULE_DST_L4PORT_RANGE", "SS_FP_RULE_TCP_FLAG",
    "SS_FP_RULE_MPLS_LABEL", "SS_FP_RULE_MPLS_EXP",
    "SS_FP_RULE_VRF", "SS_FP_RULE_FC_HDR1",
    "SS_FP_RULE_FC_HDR2", "SS_FP_RULE_FC_DID",
    "SS_FP_RULE_FC_SID", "SS_FP_RULE_STP_STATE",
    "SS_FP_RULE_HIT_STATE_L3_DA_HOST", "SS_FP_RULE_HIT_STATE_L3_DA_ROUTE",
    "SS_FP_RULE_HIT_STATE_L3_IPMC", "SS_FP_RULE_HIT_STATE_L2_DA",
    "SS_FP_RULE_HIT_STATE_L2_SA", "SS_FP_RULE_HIT_STATE_L2_SA_STATIC",
    "SS_FP_RULE_INPUT_PORT", "SS_FP_RULE_L3_KNOWN_UC",
    "SS_FP_RULE_L3_KNOWN_MC", "SS_FP_RULE_L3_UC",
    "SS_FP_RULE_PRE_STAGE_DROP", "SS_FP_RULE_ACL80",
    "SS_FP_RULE_ICMP_DLDP", "SS_FP_RULE_IPTYPE",
    "SS_FP_RULE_INTERFACECLASSL3", "SS_FP_RULE_VLAN_CLASS_ID",
    "SS_FP_RULE_TRILL_ETYPE", "SS_FP_RULE_TRILL_MAC_DST",
    "SS_FP_RULE_TRILL_TTL", "SS_FP_RULE_MY_MAC_HIT",
    "SS_FP_RULE_MPLS_BOS", "SS_FP_RULE_FORWARDINGTYPE",
    "SS_FP_RULE_IPV6_SRC_UPPER64", "SS_FP_RULE_IPV6_DST_UPPER64",
    "SS_FP_RULE_GRE_PROTOCOL_TYPE", "SS_FP_RULE_L2GRE_PAYLOAD_DMAC",
    "SS_FP_RULE_IPV4_FLAGS", "SS_FP_RULE_IPV4_OFFSET",
    "SS_FP_RULE_VPN_ID", "SS_FP_RULE_L2GRE_ETYPE",
    "SS_FP_RULE_MPLS_VERSION", "SS_FP_RULE_MPLS_FWD_LABEL_ACTION",
    "SS_FP_RULE_FWD_HEADER_OFF", "SS_FP_RULE_MPLS_IP_TTL",
    "SS_FP_RULE_MPLS_TERMINATED", "SS_FP_RULE_PPPOE_PTYPE",
    "SS_FP_RULE_VLANFORMAT", "SS_FP_RULE_VFI_CLASS_ID",
    "SS_FP_RULE_DSTPORT", "SS_FP_RULE_L2_KNOWN_UC",
    "SS_FP_RULE_DECAP", "SS_FP_RULE_TUNNEL_TYPE",
    "SS_FP_RULE_MPLS_FWD_LAB", "SS_FP_RULE_MPLS_FWD_LAB_TTL",
    "SS_FP_RULE_DSTTRUNK", "SS_FP_RULE_SRC_TRUNK",
    "SS_FP_RULE_HG_PORT", "SS_FP_RULE_IN_PORT",
    "SS_FP_RULE_IN_PORTS", "SS_FP_RULE_INTERFACE_CLASS_PORT",
    "SS_FP_RULE_SRC_VP_CLASS_ID", "SS_FP_RULE_FORWARDING_VID",
    "SS_FP_RULE_EGR_L3_CLASSID", "SS_FP_RULE_ETYPE_CLASS_ID",
    "SS_FP_RULE_DST_IP6_CLASS_ID", "SS_FP_RULE_L3",
    "SS_FP_RULE_VFP_DST_CLASS", "SS_FP_RULE_VFP_SRC_CLASS",
    "SS_FP_RULE_IP_HAS_OPTIONS", "SS_FP_RULE_IP6_EXIST",
    "SS_FP_RULE_RIF", "SS_FP_RULE_STAT_ID7",
    "SS_FP_RULE_OUTER_VID", "SS_FP_RULE_L2_KNOWN_MC",
    "SS_FP_RULE_CPU_REASON_ID", "SS_FP_RULE_FEC_ID",
    "SS_FP_RULE_IP_ID", "SS_FP_RULE_MPLS_LABEL1",
    "SS_FP_RULE_MPLS_LABEL2", "SS_FP_RULE_MPLS_LABEL3",
    "SS_FP_RULE_MPLS_LABEL4", "SS_FP_RULE_MPLS_LABEL5",
    "SS_FP_RULE_MPLS_LABEL6", "SS_FP_RULE_BFD_MSG_FLAGS",
    "SS_FP_RULE_BFD_ECHO_INTERVAL", "SS_FP_RULE_UDF1",
    "SS_FP_RULE_UDF2", "SS_FP_RULE_UDF3",
    "SS_FP_RULE_UDF4", "SS_FP_RULE_UDF5",
    "SS_FP_RULE_UDF6", "SS_FP_RULE_UDF7",
    "SS_FP_RULE_UDF8", "SS_FP_RULE_UDF9",
    "SS_FP_RULE_UDF10", "SS_FP_RULE_UDF11",
    "SS_FP_RULE_UDF12", "SS_FP_RULE_UDF13",
    "SS_FP_RULE_UDF14", "SS_FP_RULE_UDF15",
    "SS_FP_RULE_UDF16", "SS_FP_RULE_UDF17",
    "SS_FP_RULE_UDF18", "SS_FP_RULE_UDF19",
    "SS_FP_RULE_UDF20", "SS_FP_RULE_HASH_VALUE",
    "SS_FP_RULE_IPV4_DST_LOW16", "SS_FP_RULE_CONTAINER",
    "SS_FP_RULE_RX_TRAP_CODE", "SS_FP_RULE_SRCVXLAN_GPORT",
    "SS_FP_RULE_DSTVXLAN_GPORT", "SS_FP_RULE_EVLAN_ID",
    "SS_FP_RULE_TUNNEL_TERMINATED", "SS_FP_RULE_HEADER_FORMAT",
    "SS_FP_RULE_OUT_VPORT", "SS_FP_RULE_INNER_SIP",
    "SS_FP_RULE_INNER_DIP", "SS_FP_RULE_DST_CLASS",
    "SS_FP_RULE_SRC_CLASS", "SS_FP_RULE_VXLAN_INNER_ETYPE",
    "SS_FP_RULE_VXLAN_INNER_ICMP_TYPE", "SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL",
    "SS_FP_RULE_VXLAN_INNER_IP_TTL", "SS_FP_RULE_VXLAN_INNER_DMAC",
    "SS_FP_RULE_VXLAN_INNER_IPV4_SRC", "SS_FP_RULE_VXLAN_INNER_IPV4_DST",
    "SS_FP_RULE_VXLAN_INNER_SRC_L4PORT", "SS_FP_RULE_VXLAN_INNER_DST_L4PORT",
    "SS_FP_RULE_VXLAN_INNER_TCP_FLAG", "SS_FP_RULE_VXLAN_INNER_IPV6_NEXT_HDR",
    "SS_FP_RULE_UDP_PORT_VXLAN", "SS_FP_RULE_INNER_IPV4_PROTOCOL",
    "SS_FP_RULE_INNER_DST_L4PORT", "SS_FP_RULE_MPLS_LABEL1_TTL",
    "SS_FP_RULE_ARP_OP_CODE", "SS_FP_RULE_VXLAN_SENDER_IPV4_SRC",
    "SS_FP_RULE_VXLAN_SENDER_IPV4_DST", "SS_FP_RULE_VXLAN_ARP_OP_CODE",
    "SS_FP_RULE_INNER_SRC_L4PORT", "SS_FP_RULE_FEC_MSB",
    "SS_FP_RULE_VXLAN_IPV6_SRC_UPPER64", "SS_FP_RULE_VXLAN_INNER_ICMPV6_TYPE",
    "SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL_DST_L4PORT", "SS_FP_RULE_VXLAN_INNER_IPV4_SRC_DST_L4PORT",
    "SS_FP_RULE_VXLAN_INNER_IPV4_DST_DST_L4PORT", "SS_FP_RULE_VXLAN_INNER_SRC_L4PORT_DST_L4PORT",
    "SS_FP_RULE_VXLAN_INNER_DST_L4PORT_DST_L4PORT", "SS_FP_RULE_VXLAN_INNER_TCP_FLAG_DST_L4PORT",
    "SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL", "SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC",
    "SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST", "SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT",
    "SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT", "SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL_DST_L4PORT",
    "SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC_DST_L4PORT", "SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST_DST_L4PORT",
    "SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT_DST_L4PORT", "SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT_DST_L4PORT",
    "SS_FP_RULE_IN_VPORT", "SS_FP_RULE_IPV4_PROTOCOL_TYPE",
    "SS_FP_RULE_SRC_CLASSL3", "SS_FP_RULE_EM_ACTION_CLASS0",
    "SS_FP_RULE_EM_ACTION_CLASS1", "SS_FP_RULE_IPV6_NEXT_HDR_TYPE",
    "SS_FP_RULE_IGMP_TYPE", "SS_FP_RULE_L3_PKT_TYPE",
    "SS_FP_RULE_MAX",
};

const char *const fp_action_flag_strings[SS_FP_ACTION_MAX + 1] = {
    "SS_FP_ACTION_NONE", "SS_FP_ACTION_CTRL",
    "SS_FP_ACTION_FWD", "SS_FP_ACTION_MIRROR",
    "SS_FP_ACTION_REDIRECT", "SS_FP_ACTION_L3_SWITCH",
    "SS_FP_ACTION_CPU_CODE", "SS_FP_ACTION_EGRESS_MASK",
    "SS_FP_ACTION_METER", "SS_FP_ACTION_COUNTER",
    "SS_FP_ACTION_CTRL_COS", "SS_FP_ACTION_COS",
    "SS_FP_ACTION_COS_IN", "SS_FP_ACTION_VID",
    "SS_FP_ACTION_VID_IN", "SS_FP_ACTION_ADD_TAG",
    "SS_FP_ACTION_PRIO_IN", "SS_FP_ACTION_IPV4_TOS",
    "SS_FP_ACTION_IPV4_PREC", "SS_FP_ACTION_IPV4_DSCP",
    "SS_FP_ACTION_IPV6_TC", "SS_FP_ACTION_VOQ_ID",
    "SS_FP_ACTION_WRED_ID", "SS_FP_ACTION_MIRROR_ID",
    "SS_FP_ACTION_VLAN_ACTION_ID", "SS_FP_ACTION_TRAP_ID",
    "SS_FP_ACTION_SNOOPING_ID", "SS_FP_ACTION_MC_ID",
    "SS_FP_ACTION_SYSTEM_HEADER_SET", "SS_FP_ACTION_STRIP",
    "SS_FP_ACTION_VRF", "SS_FP_ACTION_REDIRECT_VLAN",
    "SS_FP_ACTION_VXLAN_TERMINATED", "SS_FP_ACTION_EGRESS_MASK_PORTS",
    "SS_FP_ACTION_VFP_DST_CLASS_SET", "SS_FP_ACTION_VFP_SRC_CLASS_SET",
    "SS_FP_ACTION_STATSAMPLING", "SS_FP_ACTION_DO_NOT_LEARN",
    "SS_FP_ACTION_SC", "SS_FP_ACTION_MPLS_EXP",
    "SS_FP_ACTION_CONTAINER", "SS_FP_ACTION_DROP_PREC",
    "SS_FP_ACTION_ISQ_METER", "SS_FP_ACTION_CLASS_DST_SET",
    "SS_FP_ACTION_CLASS_SRC_SET", "SS_FP_ACTION_SRCVXLAN_GPORT",
    "SS_FP_ACTION_EM_CLASS", "SS_FP_ACTION_MAX",
};

const char *const g_ss_fp_op_string_1[SS_FP_APPMNG_OP_COUNT] = {
    "SS_FP_APPMNG_CRT_ACL", "SS_FP_APPMNG_DEL_ACL",
    "SS_FP_APPMNG_ADD_ACE", "SS_FP_APPMNG_DEL_ACE",
    "SS_FP_APPMNG_APPLY_ACL", "SS_FP_APPMNG_UNAPPLY_ACL",
    "SS_FP_APPMNG_SET_UPLINK", "SS_FP_APPMNG_ACL_COUNTER",
    "SS_FP_APPMNG_ACE_COUNTER", "SSD_FP_APPMNG_ACE_COUNTER_NOTIFY",
    "SS_FP_APPMNG_PACKAGE", "SS_FP_APPMNG_GET_ACL",
    "SS_FP_APPMNG_GET_ACE", "SS_FP_APPMNG_FREE_ACL",
    "SS_FP_APPMNG_FREE_ACE", "SS_FP_APPMNG_DEL_ACES",
    "SS_FP_APPMNG_UPDATE_ACE_ACTION", "SS_FP_APPMNG_UPDATE_ACL_ACTION",
    "SS_FP_APPMNG_REPLACE_ACL", "SS_FP_APPMNG_DS_SET_STATE",
    "SS_FP_APPMNG_DS_SERVICE", "SS_FP_APPMNG_SET_CPP",
    "SS_FP_APPMNG_NOTIFY_AP", "SS_FP_APPMNG_NOTIFY_VIRVLAN",
    "SS_FP_APPMNG_VSD_MSG", "SS_FP_APPMNG_DS_COHERENCE",
    "SS_FP_APPMNG_ACL_RESEQ", "SS_FP_APPMNG_SVI_ROUTER_ACL",
    "SS_FP_APPMNG_DS_RTN_MSG", "SS_FP_APPMNG_PORT_ON_OFF",
    "SS_FP_APPMNG_GET_RES", "SS_FP_APPMNG_SET_RES",
};

const char *const lib_fp_app_string[SS_FP_APP_TYPE_MAX] = {
    "NONE", "PACL", "VACL", "RACL",
    "MAC_ACL", "IPV6_ACL", "QOS", "PBR",
    "CPP", "MIRROR", "DHCP_SNOOP", "DHCPV6_SNOOP",
    "ARP_CHECK", "IPSG", "IPV6_SG", "DOT1X",
    "WEB_AUTH", "MAC_AUTH", "STORM_CTRL", "PORT_SEC",
    "MAC_LIMIT", "ERPS", "EAPS", "LLDP",
    "LACP", "STP", "RLDP", "REUP",
    "DLDP", "CFM", "Y1731", "EFM_OAM",
    "BFD", "OSPF", "OSPFV3", "BGP",
    "ISIS", "RIP", "RIPNG", "VRRP",
    "VRRPV3", "IGMP_SNOOP", "MLD_SNOOP", "PIM",
    "PIMV6", "ND_SNOOP", "DAI", "URPF",
    "NAT", "VXLAN", "MPLS", "TRILL",
    "FCOE", "PTP", "SFLOW", "NETFLOW",
    "TELEMETRY", "ANTI_ATTACK", "ARP_GUARD", "GSN",
    "VOICE_VLAN", "PROTO_VLAN", "MAC_VLAN", "SUBNET_VLAN",
    "QINQ", "VLAN_MAP", "L2PT", "MONITOR_LINK",
    "LOOPBACK_DETECT", "ARP_RATE", "ND_RATE", "DHCP_RELAY",
    "DHCP_SERVER", "NTP", "SNMP", "SSH",
    "TELNET", "TFTP", "RADIUS", "TACACS",
    "SYSLOG", "NFPP", "LDP", "RSVP",
    "MPLS_TE", "VPLS", "L3VPN", "EVPN",
    "MVPN", "MSDP", "MRP", "PBB",
    "OPENFLOW", "VSU", "VSD", "MLAG",
    "DS", "DS_SERVICE", "UPLINK", "VIRVLAN",
    "AP_NOTIFY", "SVI_ROUTER", "EGRESS_QOS", "INGRESS_QOS",
    "METER", "WRED", "COS_MAP", "DSCP_MAP",
    "TRUST", "POLICER", "COUNTER", "STAT_SAMPLE",
    "FLOW_MIRROR", "RSPAN", "ERSPAN", "CPU_MIRROR",
    "TRAP", "COPP", "HOST_ROUTE", "ECMP",
    "MCAST_ROUTE", "L2_MCAST", "IP_FRAGMENT", "TTL_CHECK",
    "IPV6_ND", "RA_GUARD", "SAVI", "DHCP_OPTION82",
    "PPPOE_PLUS", "ARP_PROXY", "ND_PROXY", "GRE",
    "L2GRE", "IPIP", "UDF", "HASH",
    "LOAD_BALANCE", "MACSEC", "RSVD_138", "RSVD_139",
    "RSVD_140", "RSVD_141", "RSVD_142", "RSVD_143",
    "RSVD_144", "RSVD_145", "RSVD_146", "RSVD_147",
    "RSVD_148", "RSVD_149", "RSVD_150", "RSVD_151",
    "RSVD_152", "RSVD_153", "RSVD_154", "RSVD_155",
    "RSVD_156", "RSVD_157", "RSVD_158", "RSVD_159",
    "RSVD_160", "RSVD_161", "RSVD_162", "RSVD_163",
    "RSVD_164", "RSVD_165", "RSVD_166", "RSVD_167",
    "RSVD_168", "RSVD_169", "RSVD_170", "RSVD_171",
    "RSVD_172", "RSVD_173", "RSVD_174", "RSVD_175",
    "RSVD_176", "RSVD_177", "RSVD_178", "RSVD_179",
    "RSVD_180", "RSVD_181", "RSVD_182", "RSVD_183",
    "RSVD_184", "RSVD_185",
};

const char *const g_ss_fp_app_string[SS_FP_APP_TYPE_MAX + 1] = {
    "SS_FP_APP_TYPE_NONE", "SS_FP_APP_TYPE_PACL",
    "SS_FP_APP_TYPE_VACL", "SS_FP_APP_TYPE_RACL",
    "SS_FP_APP_TYPE_MAC_ACL", "SS_FP_APP_TYPE_IPV6_ACL",
    "SS_FP_APP_TYPE_QOS", "SS_FP_APP_TYPE_PBR",
    "SS_FP_APP_TYPE_CPP", "SS_FP_APP_TYPE_MIRROR",
    "SS_FP_APP_TYPE_DHCP_SNOOP", "SS_FP_APP_TYPE_DHCPV6_SNOOP",
    "SS_FP_APP_TYPE_ARP_CHECK", "SS_FP_APP_TYPE_IPSG",
    "SS_FP_APP_TYPE_IPV6_SG", "SS_FP_APP_TYPE_DOT1X",
    "SS_FP_APP_TYPE_WEB_AUTH", "SS_FP_APP_TYPE_MAC_AUTH",
    "SS_FP_APP_TYPE_STORM_CTRL", "SS_FP_APP_TYPE_PORT_SEC",
    "SS_FP_APP_TYPE_MAC_LIMIT", "SS_FP_APP_TYPE_ERPS",
    "SS_FP_APP_TYPE_EAPS", "SS_FP_APP_TYPE_LLDP",
    "SS_FP_APP_TYPE_LACP", "SS_FP_APP_TYPE_STP",
    "SS_FP_APP_TYPE_RLDP", "SS_FP_APP_TYPE_REUP",
    "SS_FP_APP_TYPE_DLDP", "SS_FP_APP_TYPE_CFM",
    "SS_FP_APP_TYPE_Y1731", "SS_FP_APP_TYPE_EFM_OAM",
    "SS_FP_APP_TYPE_BFD", "SS_FP_APP_TYPE_OSPF",
    "SS_FP_APP_TYPE_OSPFV3", "SS_FP_APP_TYPE_BGP",
    "SS_FP_APP_TYPE_ISIS", "SS_FP_APP_TYPE_RIP",
    "SS_FP_APP_TYPE_RIPNG", "SS_FP_APP_TYPE_VRRP",
    "SS_FP_APP_TYPE_VRRPV3", "SS_FP_APP_TYPE_IGMP_SNOOP",
    "SS_FP_APP_TYPE_MLD_SNOOP", "SS_FP_APP_TYPE_PIM",
    "SS_FP_APP_TYPE_PIMV6", "SS_FP_APP_TYPE_ND_SNOOP",
    "SS_FP_APP_TYPE_DAI", "SS_FP_APP_TYPE_URPF",
    "SS_FP_APP_TYPE_NAT", "SS_FP_APP_TYPE_VXLAN",
    "SS_FP_APP_TYPE_MPLS", "SS_FP_APP_TYPE_TRILL",
    "SS_FP_APP_TYPE_FCOE", "SS_FP_APP_TYPE_PTP",
    "SS_FP_APP_TYPE_SFLOW", "SS_FP_APP_TYPE_NETFLOW",
    "SS_FP_APP_TYPE_TELEMETRY", "SS_FP_APP_TYPE_ANTI_ATTACK",
    "SS_FP_APP_TYPE_ARP_GUARD", "SS_FP_APP_TYPE_GSN",
    "SS_FP_APP_TYPE_VOICE_VLAN", "SS_FP_APP_TYPE_PROTO_VLAN",
    "SS_FP_APP_TYPE_MAC_VLAN", "SS_FP_APP_TYPE_SUBNET_VLAN",
    "SS_FP_APP_TYPE_QINQ", "SS_FP_APP_TYPE_VLAN_MAP",
    "SS_FP_APP_TYPE_L2PT", "SS_FP_APP_TYPE_MONITOR_LINK",
    "SS_FP_APP_TYPE_LOOPBACK_DETECT", "SS_FP_APP_TYPE_ARP_RATE",
    "SS_FP_APP_TYPE_ND_RATE", "SS_FP_APP_TYPE_DHCP_RELAY",
    "SS_FP_APP_TYPE_DHCP_SERVER", "SS_FP_APP_TYPE_NTP",
    "SS_FP_APP_TYPE_SNMP", "SS_FP_APP_TYPE_SSH",
    "SS_FP_APP_TYPE_TELNET", "SS_FP_APP_TYPE_TFTP",
    "SS_FP_APP_TYPE_RADIUS", "SS_FP_APP_TYPE_TACACS",
    "SS_FP_APP_TYPE_SYSLOG", "SS_FP_APP_TYPE_NFPP",
    "SS_FP_APP_TYPE_LDP", "SS_FP_APP_TYPE_RSVP",
    "SS_FP_APP_TYPE_MPLS_TE", "SS_FP_APP_TYPE_VPLS",
    "SS_FP_APP_TYPE_L3VPN", "SS_FP_APP_TYPE_EVPN",
    "SS_FP_APP_TYPE_MVPN", "SS_FP_APP_TYPE_MSDP",
    "SS_FP_APP_TYPE_MRP", "SS_FP_APP_TYPE_PBB",
    "SS_FP_APP_TYPE_OPENFLOW", "SS_FP_APP_TYPE_VSU",
    "SS_FP_APP_TYPE_VSD", "SS_FP_APP_TYPE_MLAG",
    "SS_FP_APP_TYPE_DS", "SS_FP_APP_TYPE_DS_SERVICE",
    "SS_FP_APP_TYPE_UPLINK", "SS_FP_APP_TYPE_VIRVLAN",
    "SS_FP_APP_TYPE_AP_NOTIFY", "SS_FP_APP_TYPE_SVI_ROUTER",
    "SS_FP_APP_TYPE_EGRESS_QOS", "SS_FP_APP_TYPE_INGRESS_QOS",
    "SS_FP_APP_TYPE_METER", "SS_FP_APP_TYPE_WRED",
    "SS_FP_APP_TYPE_COS_MAP", "SS_FP_APP_TYPE_DSCP_MAP",
    "SS_FP_APP_TYPE_TRUST", "SS_FP_APP_TYPE_POLICER",
    "SS_FP_APP_TYPE_COUNTER", "SS_FP_APP_TYPE_STAT_SAMPLE",
    "SS_FP_APP_TYPE_FLOW_MIRROR", "SS_FP_APP_TYPE_RSPAN",
    "SS_FP_APP_TYPE_ERSPAN", "SS_FP_APP_TYPE_CPU_MIRROR",
    "SS_FP_APP_TYPE_TRAP", "SS_FP_APP_TYPE_COPP",
    "SS_FP_APP_TYPE_HOST_ROUTE", "SS_FP_APP_TYPE_ECMP",
    "SS_FP_APP_TYPE_MCAST_ROUTE", "SS_FP_APP_TYPE_L2_MCAST",
    "SS_FP_APP_TYPE_IP_FRAGMENT", "SS_FP_APP_TYPE_TTL_CHECK",
    "SS_FP_APP_TYPE_IPV6_ND", "SS_FP_APP_TYPE_RA_GUARD",
    "SS_FP_APP_TYPE_SAVI", "SS_FP_APP_TYPE_DHCP_OPTION82",
    "SS_FP_APP_TYPE_PPPOE_PLUS", "SS_FP_APP_TYPE_ARP_PROXY",
    "SS_FP_APP_TYPE_ND_PROXY", "SS_FP_APP_TYPE_GRE",
    "SS_FP_APP_TYPE_L2GRE", "SS_FP_APP_TYPE_IPIP",
    "SS_FP_APP_TYPE_UDF", "SS_FP_APP_TYPE_HASH",
    "SS_FP_APP_TYPE_LOAD_BALANCE", "SS_FP_APP_TYPE_MACSEC",
    "SS_FP_APP_TYPE_RSVD_138", "SS_FP_APP_TYPE_RSVD_139",
    "SS_FP_APP_TYPE_RSVD_140", "SS_FP_APP_TYPE_RSVD_141",
    "SS_FP_APP_TYPE_RSVD_142", "SS_FP_APP_TYPE_RSVD_143",
    "SS_FP_APP_TYPE_RSVD_144", "SS_FP_APP_TYPE_RSVD_145",
    "SS_FP_APP_TYPE_RSVD_146", "SS_FP_APP_TYPE_RSVD_147",
    "SS_FP_APP_TYPE_RSVD_148", "SS_FP_APP_TYPE_RSVD_149",
    "SS_FP_APP_TYPE_RSVD_150", "SS_FP_APP_TYPE_RSVD_151",
    "SS_FP_APP_TYPE_RSVD_152", "SS_FP_APP_TYPE_RSVD_153",
    "SS_FP_APP_TYPE_RSVD_154", "SS_FP_APP_TYPE_RSVD_155",
    "SS_FP_APP_TYPE_RSVD_156", "SS_FP_APP_TYPE_RSVD_157",
    "SS_FP_APP_TYPE_RSVD_158", "SS_FP_APP_TYPE_RSVD_159",
    "SS_FP_APP_TYPE_RSVD_160", "SS_FP_APP_TYPE_RSVD_161",
    "SS_FP_APP_TYPE_RSVD_162", "SS_FP_APP_TYPE_RSVD_163",
    "SS_FP_APP_TYPE_RSVD_164", "SS_FP_APP_TYPE_RSVD_165",
    "SS_FP_APP_TYPE_RSVD_166", "SS_FP_APP_TYPE_RSVD_167",
    "SS_FP_APP_TYPE_RSVD_168", "SS_FP_APP_TYPE_RSVD_169",
    "SS_FP_APP_TYPE_RSVD_170", "SS_FP_APP_TYPE_RSVD_171",
    "SS_FP_APP_TYPE_RSVD_172", "SS_FP_APP_TYPE_RSVD_173",
    "SS_FP_APP_TYPE_RSVD_174", "SS_FP_APP_TYPE_RSVD_175",
    "SS_FP_APP_TYPE_RSVD_176", "SS_FP_APP_TYPE_RSVD_177",
    "SS_FP_APP_TYPE_RSVD_178", "SS_FP_APP_TYPE_RSVD_179",
    "SS_FP_APP_TYPE_RSVD_180", "SS_FP_APP_TYPE_RSVD_181",
    "SS_FP_APP_TYPE_RSVD_182", "SS_FP_APP_TYPE_RSVD_183",
    "SS_FP_APP_TYPE_RSVD_184", "SS_FP_APP_TYPE_RSVD_185",
    "SS_FP_APP_TYPE_MAX",
};


}  // extern "C"

namespace fpss {
namespace {

// Value sizes of rule flags 0 to 197.
constexpr uint8_t kRuleValueLen[SS_FP_RULE_MAX] = {
    0, 12, 12, 12, 12, 4, 4, 2, 2, 2,  // 0-9
    4, 2, 2, 2, 4, 2, 2, 8, 8, 8,  // 10-19
    8, 2, 8, 4, 8, 32, 32, 2, 2, 4,  // 20-29
    4, 8, 8, 2, 8, 8, 8, 4, 4, 8,  // 30-39
    8, 4, 1, 1, 1, 1, 1, 1, 16, 8,  // 40-49
    8, 8, 1, 160, 8, 4, 8, 8, 4, 12,  // 50-59
    8, 1, 8, 4, 32, 32, 4, 12, 4, 4,  // 60-69
    4, 4, 8, 8, 12, 2, 1, 4, 2, 8,  // 70-79
    8, 4, 4, 4, 8, 2, 4, 4, 1, 0,  // 80-89
    0, 0, 8, 4, 4, 1, 2, 1, 8, 8,  // 90-99
    8, 8, 4, 8, 4, 8, 4, 8, 4, 8,  // 100-109
    8, 8, 8, 8, 8, 2, 8, 6, 6, 6,  // 110-119
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  // 120-129
    6, 6, 6, 6, 6, 6, 6, 4, 4, 8,  // 130-139
    4, 4, 4, 4, 1, 4, 8, 8, 8, 8,  // 140-149
    8, 4, 2, 2, 2, 12, 8, 8, 4, 4,  // 150-159
    2, 2, 4, 2, 4, 2, 4, 8, 8, 4,  // 160-169
    4, 2, 32, 2, 2, 8, 8, 4, 4, 2,  // 170-179
    2, 8, 8, 4, 4, 2, 8, 8, 4, 4,  // 180-189
    8, 2, 8, 8, 8, 4, 2, 4,  // 190-197
};

// Value sizes of action flags 1 to 46 (entry f - 1); every other flag counts 8.
constexpr uint8_t kActionValueLen[SS_FP_ACTION_MAX - 1] = {
    4, 3, 32, 28, 8, 4, 3, 48, 4, 7,  // 1-10
    7, 7, 2, 2, 4, 6, 6, 6, 6, 6,  // 11-20
    4, 4, 4, 4, 4, 4, 4, 8, 8, 4,  // 21-30
    4, 1, 192, 4, 4, 8, 1, 1, 1, 4,  // 31-40
    1, 48, 4, 4, 8, 4,  // 41-46
};

static_assert(sizeof kRuleValueLen == 198 && sizeof kActionValueLen == 46);

// The default size of an action flag outside 1 to 46.
constexpr uint32_t kActionDefaultLen = 8;

inline uint32_t rule_len(uint32_t flag) { return flag < SS_FP_RULE_MAX ? kRuleValueLen[flag] : 0; }

inline uint32_t action_len(uint32_t flag) {
    return flag >= 1 && flag < SS_FP_ACTION_MAX ? kActionValueLen[flag - 1] : kActionDefaultLen;
}

// Sum of len(f) over the set bits f of 'bitmap' below min(limit, end), where
// 'end' is the kind's count marker: bits at or above it are never read.
template <uint32_t (*Len)(uint32_t)>
uint32_t packed_offset(const uint32_t *bitmap, uint32_t limit, uint32_t end) {
    if (bitmap == nullptr) return 0;
    if (limit > end) limit = end;
    uint32_t offset = 0;
    for (uint32_t base = 0; base < limit; base += 32) {
        uint32_t word = bitmap[base / 32];
        uint32_t avail = limit - base;
        if (avail < 32) word &= (uint32_t{1} << avail) - 1;
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
