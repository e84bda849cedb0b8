// The rule dump and the address printers.
//
// Every rule flag maps to one row of kRows: how its value is shaped, which
// fields are printed in which order, and the text that follows the rule's
// name. The few rules that print a whole text of their own (a name that is
// not the table's, or a number in the name) are listed at the end of the
// table as exceptions; the not-supported flags are a row of their own too.
// static_asserts check every row: each flag in exactly one row, each field
// one that the row's shape reads, the shape inside the flag's value, and the
// row's format against its fields (dumps/row_format.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>

#include "core/bytes.h"
#include "core/text.h"
#include "dumps/dump_out.h"
#include "dumps/row_format.h"
#include "dumps/value_fields.h"
#include "records/flag_lists.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"

namespace fpss {
namespace {

// How a row prints.
enum class RuleForm : uint8_t {
    Named,        // "\r\n", the name, then the row's text with its arguments
    Address,      // "\r\n", the name, the row's blanks; flush; then the address printer
    TrueFalse,    // "\r\n", the name, then the row's text with "true" or "false"
    Whole,        // the row's text alone: it carries its own line break and name
    NotSupported  // the row's text with the flag number; the value is not read
};

// Layout of a rule value: kShapes below gives each one's fields.
enum class Shape : uint8_t {
    None,  // not read
    BytePair,
    U16Pair,
    U32Pair,
    Mac,   // 6-byte address, 6-byte mask
    Ipv4,  // 4-byte address, 4-byte mask
    Ipv6,  // 16-byte address, 16-byte mask
    PortRange,
    U32Value,
    ByteValue,
    PktType,
    Udf,
    HdrOff
};

// A printed field. Label is the flag's number minus the row's base; every
// other field comes from the value.
enum class Arg : uint8_t { End, Data, Mask, Value, Op, Min, Max, PktFlag, PktType, Base, Offset, BaseOff, Label };
constexpr size_t kArgCount = static_cast<size_t>(Arg::Label) + 1;

// The fields of a shape and the bytes it reads. The address shapes have no
// fields: their printers read the bytes themselves.
struct ShapeField {
    Arg arg = Arg::End;
    Field field;
};
struct ShapeLayout {
    Shape shape;
    uint8_t size;
    std::array<ShapeField, 4> fields;
};

constexpr ShapeLayout kShapes[] = {
    {Shape::None, 0, {}},
    {Shape::BytePair, 2, {{{Arg::Data, b(0)}, {Arg::Mask, b(1)}}}},
    {Shape::U16Pair, 4, {{{Arg::Data, h(0)}, {Arg::Mask, h(2)}}}},
    {Shape::U32Pair, 8, {{{Arg::Data, w(0)}, {Arg::Mask, w(4)}}}},
    {Shape::Mac, 12, {}},
    {Shape::Ipv4, 8, {}},
    {Shape::Ipv6, 32, {}},
    {Shape::PortRange, 8, {{{Arg::Op, w(0)}, {Arg::Min, h(4)}, {Arg::Max, h(6)}}}},
    {Shape::U32Value, 4, {{{Arg::Value, w(0)}}}},
    {Shape::ByteValue, 1, {{{Arg::Value, b(0)}}}},
    {Shape::PktType, 5, {{{Arg::PktType, w(0)}, {Arg::PktFlag, b(4)}}}},
    {Shape::Udf, 6, {{{Arg::Base, b(0)}, {Arg::Offset, b(1)}, {Arg::Data, h(2)}, {Arg::Mask, h(4)}}}},
    {Shape::HdrOff, 12, {{{Arg::BaseOff, w(0)}, {Arg::Data, w(4)}, {Arg::Mask, w(8)}}}},
};

constexpr const ShapeLayout &layout(Shape shape) { return kShapes[static_cast<size_t>(shape)]; }

// Each layout at its shape's place, its fields inside its bytes.
constexpr bool shapes_are_sound() {
    for (size_t i = 0; i < std::size(kShapes); ++i) {
        if (static_cast<size_t>(kShapes[i].shape) != i) return false;
        for (const ShapeField &f : kShapes[i].fields)
            if (field_end(f.field) > kShapes[i].size) return false;
    }
    return true;
}
static_assert(shapes_are_sound(), "a shape layout is out of place or reads past its bytes");

constexpr bool shape_has(Shape shape, Arg a) {
    for (const ShapeField &f : layout(shape).fields)
        if (f.arg != Arg::End && f.arg == a) return true;
    return false;
}

using Args = std::array<Arg, kRowInts>;

constexpr Args kNone{};
constexpr Args kV{Arg::Value};
constexpr Args kVV{Arg::Value, Arg::Value};
constexpr Args kDM{Arg::Data, Arg::Mask};
constexpr Args kDDM{Arg::Data, Arg::Data, Arg::Mask};
constexpr Args kOpMinMax{Arg::Op, Arg::Min, Arg::Max};
constexpr Args kPkt{Arg::PktFlag, Arg::PktType};
constexpr Args kHdr{Arg::Data, Arg::Data, Arg::Mask, Arg::BaseOff};
constexpr Args kLabelDDM{Arg::Label, Arg::Data, Arg::Data, Arg::Mask};
constexpr Args kUdf{Arg::Label, Arg::Base, Arg::Base, Arg::Offset, Arg::Data, Arg::Data, Arg::Mask};

// The flags of one row.
struct Flags {
    uint8_t v[32] = {};
    uint8_t n = 0;
    constexpr Flags(std::initializer_list<int> flags) {
        for (int f : flags) v[n++] = static_cast<uint8_t>(f);
    }
};

struct Row {
    RuleForm form;
    Shape shape;
    Args args;
    const char *fmt;      // the tail after the name, or the whole text
    uint32_t label_base;  // Arg::Label prints the flag minus this
    Flags flags;
};

// Flags above SS_FP_RULE_MAX, and those without a decoder.
constexpr char kNotSupported[] = "\r\nNOT SUPPORT NOW, FLAG:%d";

constexpr Row kRows[] = {
    {RuleForm::Named,
     Shape::BytePair,
     kDDM,
     "\ndata:0x%x(%d), mask:0x%x",
     0,
     {SS_FP_RULE_COS,
      SS_FP_RULE_COS_IN,
      SS_FP_RULE_PRIO_IN,
      SS_FP_RULE_IPV4_PREC,
      SS_FP_RULE_IPV4_TOS,
      SS_FP_RULE_IPV4_DSCP,
      SS_FP_RULE_IPV4_TTL,
      SS_FP_RULE_IPV4_PROTOCOL,
      SS_FP_RULE_IPV6_TC,
      SS_FP_RULE_ICMP_TYPE,
      SS_FP_RULE_ICMP_CODE,
      SS_FP_RULE_TCP_FLAG,
      SS_FP_RULE_MPLS_IP_TTL,
      SS_FP_RULE_VLANFORMAT,
      SS_FP_RULE_VXLAN_INNER_TCP_FLAG,
      SS_FP_RULE_INNER_IPV4_PROTOCOL,
      SS_FP_RULE_FEC_MSB,
      SS_FP_RULE_VXLAN_INNER_TCP_FLAG_DST_L4PORT,
      SS_FP_RULE_IPV4_PROTOCOL_TYPE,
      SS_FP_RULE_IGMP_TYPE}},
    {RuleForm::Named,
     Shape::U16Pair,
     kDDM,
     "\ndata:0x%x(%d), mask:0x%x",
     0,
     {SS_FP_RULE_VID,
      SS_FP_RULE_VID_IN,
      SS_FP_RULE_ETYPE,
      SS_FP_RULE_IPV6_NEXT_HDR,
      SS_FP_RULE_SRC_L4PORT,
      SS_FP_RULE_DST_L4PORT,
      SS_FP_RULE_TRILL_ETYPE,
      SS_FP_RULE_GRE_PROTOCOL_TYPE,
      SS_FP_RULE_IPV4_FLAGS,
      SS_FP_RULE_IPV4_OFFSET,
      SS_FP_RULE_VPN_ID,
      SS_FP_RULE_L2GRE_ETYPE,
      SS_FP_RULE_PPPOE_PTYPE,
      SS_FP_RULE_RIF,
      SS_FP_RULE_OUTER_VID,
      SS_FP_RULE_CPU_REASON_ID,
      SS_FP_RULE_IP_ID,
      SS_FP_RULE_IPV4_DST_LOW16,
      SS_FP_RULE_RX_TRAP_CODE,
      SS_FP_RULE_VXLAN_INNER_SRC_L4PORT,
      SS_FP_RULE_VXLAN_INNER_DST_L4PORT,
      SS_FP_RULE_INNER_DST_L4PORT,
      SS_FP_RULE_INNER_SRC_L4PORT,
      SS_FP_RULE_VXLAN_INNER_SRC_L4PORT_DST_L4PORT,
      SS_FP_RULE_VXLAN_INNER_DST_L4PORT_DST_L4PORT,
      SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT,
      SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT,
      SS_FP_RULE_VXLAN_INNER_TAG_SRC_L4PORT_DST_L4PORT,
      SS_FP_RULE_VXLAN_INNER_TAG_DST_L4PORT_DST_L4PORT,
      SS_FP_RULE_L3_PKT_TYPE}},
    {RuleForm::Named,
     Shape::U32Pair,
     kDDM,
     "\ndata:0x%x(%d), mask:0x%x",
     0,
     {SS_FP_RULE_IPV6_FLOWLAB,
      SS_FP_RULE_IPV6_HOP_LIMIT,
      SS_FP_RULE_MPLS_LABEL,
      SS_FP_RULE_MPLS_EXP,
      SS_FP_RULE_VRF,
      SS_FP_RULE_FC_DID,
      SS_FP_RULE_FC_SID,
      SS_FP_RULE_ICMP_DLDP,
      SS_FP_RULE_INTERFACECLASSL3,
      SS_FP_RULE_VLAN_CLASS_ID,
      SS_FP_RULE_TRILL_TTL,
      SS_FP_RULE_MPLS_BOS,
      SS_FP_RULE_MPLS_VERSION,
      SS_FP_RULE_MPLS_FWD_LABEL_ACTION,
      SS_FP_RULE_DSTPORT,
      SS_FP_RULE_STAT_ID7,
      SS_FP_RULE_FEC_ID,
      SS_FP_RULE_BFD_ECHO_INTERVAL,
      SS_FP_RULE_CONTAINER,
      SS_FP_RULE_SRC_CLASSL3}},
    {RuleForm::Named, Shape::BytePair, kDDM, "\ndata:0x%x(%d),mask:0x%x", 0, {SS_FP_RULE_BFD_MSG_FLAGS}},
    {RuleForm::Named,
     Shape::BytePair,
     kDM,
     " data: %#x mask:%#x ",
     0,
     {SS_FP_RULE_MPLS_FWD_LAB_TTL, SS_FP_RULE_DST_IP6_CLASS_ID, SS_FP_RULE_MPLS_LABEL1_TTL}},
    {RuleForm::Named,
     Shape::U16Pair,
     kDM,
     " data: %#x mask:%#x ",
     0,
     {SS_FP_RULE_DSTTRUNK, SS_FP_RULE_SRC_TRUNK, SS_FP_RULE_FORWARDING_VID, SS_FP_RULE_EGR_L3_CLASSID,
      SS_FP_RULE_ARP_OP_CODE, SS_FP_RULE_VXLAN_ARP_OP_CODE}},
    {RuleForm::Named,
     Shape::U32Pair,
     kDM,
     " data: %#x mask:%#x ",
     0,
     {SS_FP_RULE_MPLS_FWD_LAB, SS_FP_RULE_SRC_VP_CLASS_ID, SS_FP_RULE_VFP_DST_CLASS, SS_FP_RULE_VFP_SRC_CLASS,
      SS_FP_RULE_VXLAN_SENDER_IPV4_SRC, SS_FP_RULE_VXLAN_SENDER_IPV4_DST}},
    {RuleForm::Named, Shape::BytePair, kDM, " 0x%x(%x)", 0, {SS_FP_RULE_VXLAN_INNER_IPV6_NEXT_HDR}},
    {RuleForm::Named, Shape::U16Pair, kDM, " 0x%x(%x)", 0, {SS_FP_RULE_UDP_PORT_VXLAN}},
    {RuleForm::Named,
     Shape::U32Pair,
     kDM,
     " 0x%x(%x)",
     0,
     {SS_FP_RULE_VFI_CLASS_ID, SS_FP_RULE_OUT_VPORT, SS_FP_RULE_INNER_SIP, SS_FP_RULE_INNER_DIP}},
    {RuleForm::Named,
     Shape::BytePair,
     kDDM,
     " 0x%x(%x)=%d",
     0,
     {SS_FP_RULE_VXLAN_INNER_ICMP_TYPE, SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL, SS_FP_RULE_VXLAN_INNER_IP_TTL,
      SS_FP_RULE_VXLAN_INNER_IP_PROTOCOL_DST_L4PORT, SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL,
      SS_FP_RULE_VXLAN_INNER_TAG_IP_PROTOCOL_DST_L4PORT}},
    {RuleForm::Named, Shape::U16Pair, kDDM, " 0x%x(%x)=%d", 0, {SS_FP_RULE_VXLAN_INNER_ETYPE}},
    {RuleForm::Named, Shape::U32Pair, kDM, " 0x%x(0x%x)", 0, {SS_FP_RULE_IN_VPORT}},
    {RuleForm::Named, Shape::U32Pair, kDM, " data=%#x, mask=%#x", 0, {SS_FP_RULE_DST_CLASS, SS_FP_RULE_SRC_CLASS}},
    {RuleForm::Named,
     Shape::U32Pair,
     kDM,
     " classid:%d, mask=%#x",
     0,
     {SS_FP_RULE_EM_ACTION_CLASS0, SS_FP_RULE_EM_ACTION_CLASS1}},
    {RuleForm::Named, Shape::BytePair, kDM, " data/mask = 0x%x/0x%x", 0, {SS_FP_RULE_VXLAN_INNER_ICMPV6_TYPE}},
    {RuleForm::Address,
     Shape::Mac,
     kNone,
     " ",
     0,
     {SS_FP_RULE_MAC_DST, SS_FP_RULE_MAC_SRC, SS_FP_RULE_MAC_SENDER, SS_FP_RULE_MAC_TARGET, SS_FP_RULE_TRILL_MAC_DST,
      SS_FP_RULE_L2GRE_PAYLOAD_DMAC, SS_FP_RULE_VXLAN_INNER_DMAC}},
    {RuleForm::Address,
     Shape::Ipv4,
     kNone,
     " ",
     0,
     {SS_FP_RULE_IPV4_SRC, SS_FP_RULE_IPV4_DST, SS_FP_RULE_SENDER_IPV4_SRC, SS_FP_RULE_SENDER_IPV4_DST,
      SS_FP_RULE_VXLAN_INNER_IPV4_SRC, SS_FP_RULE_VXLAN_INNER_IPV4_DST, SS_FP_RULE_VXLAN_INNER_IPV4_SRC_DST_L4PORT,
      SS_FP_RULE_VXLAN_INNER_IPV4_DST_DST_L4PORT, SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC,
      SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST, SS_FP_RULE_VXLAN_INNER_TAG_IPV4_SRC_DST_L4PORT,
      SS_FP_RULE_VXLAN_INNER_TAG_IPV4_DST_DST_L4PORT}},
    {RuleForm::Address,
     Shape::Ipv6,
     kNone,
     "         ",
     0,
     {SS_FP_RULE_IPV6_SRC, SS_FP_RULE_IPV6_DST, SS_FP_RULE_IPV6_SRC_UPPER64, SS_FP_RULE_IPV6_DST_UPPER64}},
    {RuleForm::Address, Shape::Ipv6, kNone, " ", 0, {SS_FP_RULE_VXLAN_IPV6_SRC_UPPER64}},
    {RuleForm::Named,
     Shape::PortRange,
     kOpMinMax,
     "\nop = %d, min = %d, max = %d",
     0,
     {SS_FP_RULE_SRC_L4PORT_RANGE, SS_FP_RULE_DST_L4PORT_RANGE}},
    {RuleForm::Named, Shape::U32Value, kV, "\ntype:%d", 0, {SS_FP_RULE_IPV4_FRAGMENT}},
    {RuleForm::Named, Shape::U32Value, kV, "\nfc_head_type:%d", 0, {SS_FP_RULE_FC_HDR1, SS_FP_RULE_FC_HDR2}},
    {RuleForm::Named, Shape::U32Value, kV, " \nstate:%d", 0, {SS_FP_RULE_STP_STATE}},
    {RuleForm::Named, Shape::U32Value, kV, "\niptype:%d", 0, {SS_FP_RULE_IPTYPE}},
    {RuleForm::Named, Shape::U32Value, kV, "\nfwdtype:%d", 0, {SS_FP_RULE_FORWARDINGTYPE}},
    {RuleForm::Named, Shape::U32Value, kV, " 0x%x", 0, {SS_FP_RULE_DECAP}},
    {RuleForm::Named, Shape::U32Value, kV, " tunnel_type 0x%x", 0, {SS_FP_RULE_TUNNEL_TYPE}},
    {RuleForm::Named, Shape::U32Value, kV, " evlan_id 0x%x", 0, {SS_FP_RULE_EVLAN_ID}},
    {RuleForm::Named, Shape::U32Value, kV, " :%d", 0, {SS_FP_RULE_HEADER_FORMAT}},
    {RuleForm::Named, Shape::U32Value, kVV, "\nphyid:0x%x(%d)", 0, {SS_FP_RULE_INPUT_PORT}},
    {RuleForm::Named,
     Shape::ByteValue,
     kV,
     "\nhit:%d",
     0,
     {SS_FP_RULE_HIT_STATE_L3_DA_HOST, SS_FP_RULE_HIT_STATE_L3_DA_ROUTE, SS_FP_RULE_HIT_STATE_L3_IPMC,
      SS_FP_RULE_HIT_STATE_L2_DA, SS_FP_RULE_HIT_STATE_L2_SA, SS_FP_RULE_HIT_STATE_L2_SA_STATIC,
      SS_FP_RULE_MY_MAC_HIT}},
    {RuleForm::Named, Shape::ByteValue, kV, "\ndrop:%d", 0, {SS_FP_RULE_PRE_STAGE_DROP}},
    {RuleForm::Named, Shape::ByteValue, kV, "\nis_teminate:%d", 0, {SS_FP_RULE_MPLS_TERMINATED}},
    {RuleForm::Named, Shape::ByteValue, kV, "\nl3:%d", 0, {SS_FP_RULE_L3}},
    {RuleForm::Named, Shape::ByteValue, kV, " :%d", 0, {SS_FP_RULE_TUNNEL_TERMINATED}},
    {RuleForm::TrueFalse, Shape::ByteValue, kNone, ": %s", 0, {SS_FP_RULE_HG_PORT}},
    {RuleForm::Named, Shape::PktType, kPkt, "\nknown_uc:%d, l3_ptk_type:%d", 0, {SS_FP_RULE_L3_KNOWN_UC}},
    {RuleForm::Named, Shape::PktType, kPkt, "\nknown_mc:%d, l3_ptk_type:%d", 0, {SS_FP_RULE_L3_KNOWN_MC}},
    {RuleForm::Named, Shape::PktType, kPkt, "\nuc:%d, l3_ptk_type:%d", 0, {SS_FP_RULE_L3_UC}},
    {RuleForm::Named, Shape::PktType, kPkt, "\nknown_mc:%d, l2_ptk_type:%d", 0, {SS_FP_RULE_L2_KNOWN_MC}},
    {RuleForm::Named,
     Shape::HdrOff,
     kHdr,
     "\noffset[data:0x%x(%d), mask:0x%x], base_off=%d",
     0,
     {SS_FP_RULE_FWD_HEADER_OFF}},
    {RuleForm::Named, Shape::None, kNone, " ", 0, {SS_FP_RULE_NONE}},
    {RuleForm::Named, Shape::None, kNone, "            ", 0, {SS_FP_RULE_ACL80}},
    {RuleForm::Named, Shape::None, kNone, "\n ", 0, {SS_FP_RULE_L2_KNOWN_UC}},
    {RuleForm::Named,
     Shape::None,
     kNone,
     "",
     0,
     {SS_FP_RULE_IN_PORT, SS_FP_RULE_IN_PORTS, SS_FP_RULE_INTERFACE_CLASS_PORT, SS_FP_RULE_ETYPE_CLASS_ID,
      SS_FP_RULE_MAX}},
    // Exceptions: formats of their own, names included.
    {RuleForm::Whole,
     Shape::U32Pair,
     kLabelDDM,
     "\r\nSS_FP_RULE_MPLS_LABEL%d\ndata:0x%x(%d), mask:0x%x",
     108,
     {SS_FP_RULE_MPLS_LABEL1, SS_FP_RULE_MPLS_LABEL2, SS_FP_RULE_MPLS_LABEL3, SS_FP_RULE_MPLS_LABEL4,
      SS_FP_RULE_MPLS_LABEL5, SS_FP_RULE_MPLS_LABEL6}},
    {RuleForm::Whole,
     Shape::Udf,
     kUdf,
     "\r\nSS_FP_RULE_UDF%d\nbase:0x%x(%d),offset:%d,data:0x%x(%d), mask:0x%x",
     116,
     {SS_FP_RULE_UDF1, SS_FP_RULE_UDF2, SS_FP_RULE_UDF3, SS_FP_RULE_UDF4, SS_FP_RULE_UDF5, SS_FP_RULE_UDF6,
      SS_FP_RULE_UDF7, SS_FP_RULE_UDF8}},
    {RuleForm::Whole,
     Shape::U16Pair,
     kDDM,
     "\r\nSS_FP_RULE_HASH\ndata:0x%x(%d), mask:0x%x",
     0,
     {SS_FP_RULE_HASH_VALUE}},
    {RuleForm::Whole, Shape::U32Value, kV, "\r\nSS_FP_RULESRC_VXLAN_GPORT gport 0x%x", 0, {SS_FP_RULE_SRCVXLAN_GPORT}},
    {RuleForm::Whole, Shape::U32Value, kV, "\r\nSS_FP_RULEDST_VXLAN_GPORT gport 0x%x", 0, {SS_FP_RULE_DSTVXLAN_GPORT}},
    {RuleForm::Whole,
     Shape::U16Pair,
     kDDM,
     "\r\nSS_FP_RULE_IPV6_NEXTHDR_TYPE\ndata:0x%x(%d), mask:0x%x",
     0,
     {SS_FP_RULE_IPV6_NEXT_HDR_TYPE}},
    {RuleForm::NotSupported,
     Shape::None,
     kNone,
     kNotSupported,
     0,
     {SS_FP_RULE_IP_HAS_OPTIONS, SS_FP_RULE_IP6_EXIST, SS_FP_RULE_UDF9, SS_FP_RULE_UDF10, SS_FP_RULE_UDF11,
      SS_FP_RULE_UDF12, SS_FP_RULE_UDF13, SS_FP_RULE_UDF14, SS_FP_RULE_UDF15, SS_FP_RULE_UDF16, SS_FP_RULE_UDF17,
      SS_FP_RULE_UDF18, SS_FP_RULE_UDF19, SS_FP_RULE_UDF20}},
};

// The single text of a true-or-false row.
using TextRow = RowPrinter<const char *>;

constexpr uint8_t kNoRow = 0xFF;
constexpr uint32_t kFlagCount = SS_FP_RULE_MAX + 1;

// Flag -> row index, with a count of flags listed twice or not at all.
struct RowIndex {
    std::array<uint8_t, kFlagCount> row{};
    int duplicates = 0;
    int missing = 0;
};

constexpr RowIndex make_index() {
    RowIndex ix;
    for (auto &r : ix.row) r = kNoRow;
    for (size_t r = 0; r < std::size(kRows); ++r) {
        for (uint8_t i = 0; i < kRows[r].flags.n; ++i) {
            uint8_t f = kRows[r].flags.v[i];
            if (f >= kFlagCount || ix.row[f] != kNoRow) {
                ++ix.duplicates;
            } else {
                ix.row[f] = static_cast<uint8_t>(r);
            }
        }
    }
    for (uint8_t r : ix.row) ix.missing += r == kNoRow;
    return ix;
}

constexpr RowIndex kIndex = make_index();
static_assert(std::size(kRows) < kNoRow);
static_assert(kIndex.duplicates == 0, "a rule flag is listed in two rows");
static_assert(kIndex.missing == 0, "a rule flag has no row");

// The row's printed fields: those before the first End, or -1 when a field
// follows an End or is one the row cannot supply.
constexpr int field_count(const Row &r) {
    const int n = leading_fields(r.args, [](Arg a) { return a == Arg::End; });
    for (int i = 0; i < n; ++i) {
        const Arg a = r.args[static_cast<size_t>(i)];
        if (!shape_has(r.shape, a) && !(a == Arg::Label && r.form == RuleForm::Whole)) return -1;
    }
    return n;
}

// Whether the row's format takes exactly its fields, and its shape fits
// every one of its flags' values.
constexpr bool row_is_sound(const Row &r) {
    for (uint8_t i = 0; i < r.flags.n; ++i) {
        const uint8_t f = r.flags.v[i];
        const uint32_t size = f < SS_FP_RULE_MAX ? kRuleValueSize[f] : 0;
        if (layout(r.shape).size > size) return false;
    }
    const int fields = field_count(r);
    if (fields < 0) return false;
    switch (r.form) {
        case RuleForm::Named:
        case RuleForm::Whole:
            return IntRow::takes(r.fmt, static_cast<size_t>(fields));
        case RuleForm::TrueFalse:
            return fields == 0 && r.shape == Shape::ByteValue && TextRow::takes(r.fmt);
        case RuleForm::Address:
            return fields == 0 && (r.shape == Shape::Mac || r.shape == Shape::Ipv4 || r.shape == Shape::Ipv6) &&
                   is_plain_text(r.fmt);
        case RuleForm::NotSupported:
            return fields == 0 && r.shape == Shape::None && r.fmt == kNotSupported;
    }
    return false;
}

constexpr size_t first_unsound_row() {
    for (size_t r = 0; r < std::size(kRows); ++r)
        if (!row_is_sound(kRows[r])) return r;
    return std::size(kRows);
}
static_assert(first_unsound_row() == std::size(kRows), "a rule row's fields, shape or format do not agree");

// The fields of a value, by Arg.
using Fields = std::array<unsigned, kArgCount>;

Fields read_fields(Shape shape, const void *v) {
    Fields f{};
    for (const ShapeField &sf : layout(shape).fields)
        if (sf.arg != Arg::End) f[static_cast<size_t>(sf.arg)] = read_field(sf.field, v);
    return f;
}

unsigned pick(Arg a, const Fields &f, uint32_t label) { return a == Arg::Label ? label : f[static_cast<size_t>(a)]; }

void print_fields(const char *fmt, const Args &args, const Fields &f, uint32_t label) {
    RowInts a{};
    for (size_t i = 0; i < kRowInts; ++i) a[i] = pick(args[i], f, label);
    print_ints(fmt, a);
}

// n bytes as "%02x", with 'sep' after every second byte.
template <size_t N>
void add_hex_pairs(Text<N> &t, const uint8_t *b, size_t n, char sep) {
    for (size_t i = 0; i < n; ++i) {
        t.add("%02x", b[i]);
        if (i % 2 == 1) t.add("%c", sep);
    }
}

// An address printer's output: a line break ("\r" by puts), then the text.
// Printed in one piece so that a concurrent writer cannot split the pair.
template <size_t N>
void print_address(const Text<N> &t) {
    std::puts("\r");
    std::fputs(t.str(), stdout);
}

// Every address text fits: an IPv6 address and mask take 81 characters.
using AddressText = Text<128>;

// An address of 'n' bytes and its mask as hex pairs with 'sep' after every
// pair: the MAC and IPv6 forms.
void dump_hex_address(const uint8_t *v, size_t n, char sep) {
    AddressText t;
    add_hex_pairs(t, v, n, sep);
    t.add("/");
    add_hex_pairs(t, v + n, n, sep);
    print_address(t);
}

void dump_mac(const uint8_t *v) { dump_hex_address(v, 6, '.'); }

void dump_ipv6(const uint8_t *v) { dump_hex_address(v, 16, ':'); }

void dump_ipv4(const uint8_t *v) {
    AddressText t;
    for (int i = 0; i < 4; ++i) t.add("%d.", v[i]);
    t.add("(");
    for (int i = 0; i < 4; ++i) t.add("%02x.", v[i]);
    t.add(")/");
    for (int i = 4; i < 8; ++i) t.add("%02x.", v[i]);
    print_address(t);
}

int dump_rule(uint32_t flag, const void *value) {
    const Row *row = flag < kFlagCount ? &kRows[kIndex.row[flag]] : nullptr;
    if (row == nullptr || row->form == RuleForm::NotSupported) {
        say(kNotSupported, static_cast<int>(flag));
        return 0;
    }
    if (row->shape != Shape::None && value == nullptr) {
        say_null("ss_fp_appmng_dump_rule", __LINE__);
        return -1;
    }
    const char *name = fp_rule_flag_strings[flag];
    const auto *bytes = static_cast<const uint8_t *>(value);
    // One line is printed under one lock of the stream, so that lines of
    // dumps on other threads cannot land inside it.
    flockfile(stdout);
    switch (row->form) {
        case RuleForm::Named:
            std::printf("\r\n%s", name);
            print_fields(row->fmt, row->args, read_fields(row->shape, value), 0);
            break;
        case RuleForm::Whole:
            print_fields(row->fmt, row->args, read_fields(row->shape, value), flag - row->label_base);
            break;
        case RuleForm::TrueFalse:
            std::printf("\r\n%s", name);
            TextRow::print(row->fmt, load_u8(value, 0) != 0 ? "true" : "false");
            break;
        case RuleForm::Address:
            std::printf("\r\n%s%s", name, row->fmt);
            break;
        case RuleForm::NotSupported:
            break;
    }
    funlockfile(stdout);
    std::fflush(stdout);
    if (row->form == RuleForm::Address) {
        if (row->shape == Shape::Mac) dump_mac(bytes);
        if (row->shape == Shape::Ipv4) dump_ipv4(bytes);
        if (row->shape == Shape::Ipv6) dump_ipv6(bytes);
    }
    return 0;
}

}  // namespace
}  // namespace fpss

extern "C" {

int ss_fp_appmng_dump_rule(uint32_t flag, const void *value) { return fpss::dump_rule(flag, value); }

int ss_fp_appmng_dump_mac(const void *value) {
    FPSS_DUMP_REQUIRE(value, "ss_fp_appmng_dump_mac");
    fpss::dump_mac(static_cast<const uint8_t *>(value));
    return 0;
}

int ss_fp_appmng_dump_ipv4(const void *value) {
    FPSS_DUMP_REQUIRE(value, "ss_fp_appmng_dump_ipv4");
    fpss::dump_ipv4(static_cast<const uint8_t *>(value));
    return 0;
}

int ss_fp_appmng_dump_ipv6(const void *value) {
    FPSS_DUMP_REQUIRE(value, "ss_fp_appmng_dump_ipv6");
    fpss::dump_ipv6(static_cast<const uint8_t *>(value));
    return 0;
}

}  // extern "C"
