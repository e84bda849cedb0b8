// The action dump.
//
// Every action flag maps to one entry of kActions: its line and the value
// fields printed into it, in order. The exceptions print differently and are
// marked by their form: the two meters (64-bit rates), the egress port-mask
// listing (one block per local chip), SS_FP_ACTION_IPV6_TC (a second, blank
// line) and the flags whose value is not read. static_asserts check every
// entry: its fields inside the flag's value and its format against its
// fields (dumps/row_format.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "core/bytes.h"
#include "dumps/dump_out.h"
#include "dumps/row_format.h"
#include "dumps/value_fields.h"
#include "records/flag_lists.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_platform.h"

namespace fpss {
namespace {

// How an entry prints.
enum class ActionForm : uint8_t {
    Plain,     // the line with its fields
    PadLine,   // the line, a flush, then "\r\n" and 10 blanks
    Meter,     // the line with three 64-bit rates and five 32-bit fields
    PortMask,  // the port-mask listing
    NoValue,   // the line alone; the value is not read
    Nothing    // nothing at all
};

using Fields = std::array<Field, kRowInts>;

struct Entry {
    ActionForm form;
    const char *fmt;
    Fields fields;
};

// Colour-triple actions print the per-colour bytes in the order 1, 3, 2.
constexpr Fields kCos{b(0), b(1), b(3), b(2), b(4), b(5), b(6)};
constexpr Fields kGry{b(0), b(1), b(3), b(2), b(4), b(5)};

// The VID actions' bracketed number stands for the 16 bits after their 2-byte
// value: the dump is given the value alone, so those bytes are not known to
// belong to the record, and 0 is shown.
constexpr Entry kActions[SS_FP_ACTION_MAX + 1] = {
    /* NONE */ {ActionForm::Nothing, "", {}},
    /* CTRL */
    {ActionForm::Plain,
     "\r\nSS_FP_ACTION_CTRL ctrl: %d, switch_trap_cancel:%d, gyr_data:%d gyr_mask:%d",
     {b(1), b(0), b(2), b(3)}},
    /* FWD */ {ActionForm::Plain, "\r\nSS_FP_ACTION_FWD %d, gyr_data %d, gyr_mask %d", {b(0), b(1), b(2)}},
    /* MIRROR */
    {ActionForm::Plain,
     "\r\nSS_FP_ACTION_MIRROR phyid = 0x%x, encap_id = 0x%x, sample_rate = 0x%x",
     {w(0), w(8), w(12)}},
    /* REDIRECT */
    {ActionForm::Plain,
     "\r\nSS_FP_ACTION_REDIRECT phyid:0x%x, is_next_hop:%d, next_hop:0x%x, next_hop_cnt:%d",
     {w(0), b(4), w(8), w(12)}},
    /* L3_SWITCH */ {ActionForm::Plain, "\r\nSS_FP_ACTION_L3_SWITCH   next_hop:0x%x, is_next_hop:%d", {w(0), w(4)}},
    /* CPU_CODE */ {ActionForm::Plain, "\r\nSS_FP_ACTION_CPU_CODE    cpu_code:0x%x", {w(0)}},
    /* EGRESS_MASK */ {ActionForm::Plain, "\r\nSS_FP_ACTION_EGRESS_MASK  %d", {b(0)}},
    /* METER */
    {ActionForm::Meter,
     "\r\nSS_FP_ACTION_METER rate_bps = %llu, cir_bps = %llu, pir_bps = %llu, burst_size = %d, cbs = %d, "
     "ebs_bps = %d, meter_mode =%d , pkt_mode =%d",
     {}},
    /* COUNTER */ {ActionForm::Plain, "\r\nSS_FP_ACTION_COUNTER  mode:%d", {w(0)}},
    /* CTRL_COS */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_CTRL_COS cos = %d gry_cos[%d,%d,%d]gry_mask[%x(%x)], cos_gport= %d", kCos},
    /* COS */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_COS cos = %d gry_cos[%d,%d,%d]gry_mask[%x(%x)], cos_gport= %d", kCos},
    /* COS_IN */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_COS_IN cos = %d gry_cos[%d,%d,%d]gry_mask[%x(%x)], cos_gport= %d", kCos},
    /* VID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VID   0x%x[0x%x]", {h(0), kZero}},
    /* VID_IN */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VID_IN  0x%x[0x%x]", {h(0), kZero}},
    /* ADD_TAG */ {ActionForm::Plain, "\r\nSS_FP_ACTION_ADD_TAG  cos:%d, vid:%d", {h(2), h(0)}},
    /* PRIO_IN */ {ActionForm::Plain, "\r\nSS_FP_ACTION_PRIO_IN prio = %d gry_prio[%d,%d,%d]gry_mask[%x(%x)]", kGry},
    /* IPV4_TOS */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_IPV4_TOS ipv4_tos = %d gry_ipv4_tos[%d,%d,%d]gry_mask[%x(%x)]", kGry},
    /* IPV4_PREC */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_IPV4_PREC ipv4_prec = %d gry_ipv4_prec[%d,%d,%d]gry_mask[%x(%x)]", kGry},
    /* IPV4_DSCP */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_IPV4_DSCP dscp = %d gry_dscp[%d,%d,%d]gry_mask[%x(%x)]", kGry},
    /* IPV6_TC */
    {ActionForm::PadLine, "\r\nSS_FP_ACTION_IPV6_TC ipv6_tc = %d gry_ipv6_tc[%d,%d,%d]gry_mask[%x(%x)]", kGry},
    /* VOQ_ID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VOQ_ID  voq_id:%d", {w(0)}},
    /* WRED_ID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_WRED_ID wred_id:%d", {w(0)}},
    /* MIRROR_ID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_MIRROR_ID  mirror_id:%d", {w(0)}},
    /* VLAN_ACTION_ID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VLAN_ACTION_ID  vlan_action_id:%d", {w(0)}},
    /* TRAP_ID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_TRAP_ID  trap_id:%d", {w(0)}},
    /* SNOOPING_ID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_SNOOPING_ID snooping_id:%d", {w(0)}},
    /* MC_ID */ {ActionForm::Plain, "\r\nSS_FP_ACTION_MC_ID mcid = %d  ", {w(0)}},
    /* SYSTEM_HEADER_SET */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_SYSTEM_HEADER_SET header_type = %d, header_value = %d ", {w(0), w(4)}},
    /* STRIP */ {ActionForm::Plain, "\r\nSS_FP_ACTION_STRIP strip_type = %d, strip_len = %d  ", {w(0), w(4)}},
    /* VRF */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VRF vrfid = %d", {w(0)}},
    /* REDIRECT_VLAN */ {ActionForm::NoValue, "\r\nSS_FP_ACTION_REDIRECT_VLAN no need to set value", {}},
    /* VXLAN_TERMINATED */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VXLAN_TERMINATED, vxlan : %d", {b(0)}},
    /* EGRESS_MASK_PORTS */ {ActionForm::PortMask, "\r\nSS_FP_ACTION_EGRESS_MASK_PORTS ", {}},
    /* VFP_DST_CLASS_SET */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VFP_DST_CLASS_SET   data:0x%x", {w(0)}},
    /* VFP_SRC_CLASS_SET */ {ActionForm::Plain, "\r\nSS_FP_ACTION_VFP_SRC_CLASS_SET   data:0x%x", {w(0)}},
    /* STATSAMPLING */
    {ActionForm::Plain, "\r\nSS_FP_ACTION_STATSAMPLING, sampling code = %d, qualifier = %d", {w(0), w(4)}},
    /* DO_NOT_LEARN */ {ActionForm::Plain, "\r\nSS_FP_ACTION_DO_NOT_LEARN, learn = %d", {b(0)}},
    /* SC */ {ActionForm::Plain, "\r\nSS_FP_ACTION_SC, sc = %d", {b(0)}},
    /* MPLS_EXP */ {ActionForm::Plain, "\r\nSS_FP_ACTION_MPLS_EXP, mpls_exp = %d", {b(0)}},
    /* CONTAINER */ {ActionForm::Plain, "\r\nSS_FP_ACTION_CONTAINER, container = %d", {w(0)}},
    /* DROP_PREC */ {ActionForm::Plain, "\r\nSS_FP_ACTION_DROP_PREC, mpls_exp = %d", {b(0)}},
    /* ISQ_METER */
    {ActionForm::Meter,
     "\r\nSS_FP_ACTION_ISQ_METER rate_bps = %llu, cir_bps = %llu, pir_bps = %llu, burst_size = %d, cbs = %d, "
     "ebs_bps = %d, meter_mode =%d , pkt_mode =%d",
     {}},
    /* CLASS_DST_SET */ {ActionForm::Plain, "\r\nSS_FP_ACTION_CLASS_DST_SET = %#x  ", {w(0)}},
    /* CLASS_SRC_SET */ {ActionForm::Plain, "\r\nSS_FP_ACTION_CLASS_SRC_SET = %#x  ", {w(0)}},
    /* SRCVXLAN_GPORT */ {ActionForm::Plain, "\r\nSS_FP_ACTION_SRCVXLAN_GPORT, srcvxlan_gport = %d", {w(4)}},
    /* EM_CLASS */ {ActionForm::Plain, "\r\nSS_FP_ACTION_EM_CLASS, class_id = %d", {w(0)}},
    /* MAX */ {ActionForm::NoValue, "\r\nSS_FP_ACTION_MAX              ", {}},
};
static_assert(std::size(kActions) == 48);

// Units of the egress port-mask listing: 6 of 8 words each.
constexpr int kMaskUnits = 6;
constexpr int kMaskWords = 8;

// A meter: three 64-bit rates, then five 32-bit fields shown as int.
using MeterRow = RowPrinter<unsigned long long, unsigned long long, unsigned long long, int, int, int, int, int>;
constexpr uint32_t kMeterSize = 3 * 8 + 5 * 4;

// The entry's printed fields: those before the first End, or -1 when a field
// follows an End or reads past the flag's value of 'size' bytes.
constexpr int field_count(const Entry &e, uint32_t size) {
    const int n = leading_fields(e.fields, [](Field f) { return f.width == Width::End; });
    for (int i = 0; i < n; ++i)
        if (field_end(e.fields[static_cast<size_t>(i)]) > size) return -1;
    return n;
}

constexpr bool entry_is_sound(const Entry &e, uint32_t size) {
    const int fields = field_count(e, size);
    if (fields < 0) return false;
    switch (e.form) {
        case ActionForm::Plain:
        case ActionForm::PadLine:
            return IntRow::takes(e.fmt, static_cast<size_t>(fields));
        case ActionForm::Meter:
            return fields == 0 && kMeterSize <= size && MeterRow::takes(e.fmt);
        case ActionForm::PortMask:
            return fields == 0 && uint32_t{kMaskUnits * kMaskWords * 4} <= size && is_plain_text(e.fmt);
        case ActionForm::NoValue:
        case ActionForm::Nothing:
            return fields == 0 && is_plain_text(e.fmt);
    }
    return false;
}

constexpr size_t first_unsound_entry() {
    for (size_t f = 0; f < std::size(kActions); ++f) {
        const uint32_t size = f < SS_FP_ACTION_MAX ? kActionValueSize[f] : kActionDefaultSize;
        if (!entry_is_sound(kActions[f], size)) return f;
    }
    return std::size(kActions);
}
static_assert(first_unsound_entry() == std::size(kActions), "an action entry's fields or format do not agree");

void print_plain(const Entry &e, const void *v) {
    RowInts a{};
    for (size_t i = 0; i < kRowInts; ++i) a[i] = read_field(e.fields[i], v);
    print_ints(e.fmt, a);
}

void print_meter(const Entry &e, const void *v) {
    MeterRow::print(e.fmt, load_u64(v, 0), load_u64(v, 8), load_u64(v, 16), static_cast<int>(load_u32(v, 24)),
                    static_cast<int>(load_u32(v, 28)), static_cast<int>(load_u32(v, 32)),
                    static_cast<int>(load_u32(v, 36)), static_cast<int>(load_u32(v, 40)));
}

// The chip count is asked again before every unit, so a count that changes
// while the listing runs is followed.
void print_port_mask(const Entry &e, const void *v) {
    say("%s", e.fmt);
    for (int u = 0; u < libddm_get_local_chip_num() && u < kMaskUnits; ++u) {
        say("unit:%d", u);
        for (int i = 0; i < kMaskWords; ++i) {
            say("\tpbmp[%d]: 0x%x\n", i, load_u32(v, static_cast<size_t>(u * kMaskWords + i) * 4));
        }
    }
}

int dump_action(uint32_t flag, const void *value) {
    if (flag > SS_FP_ACTION_MAX) {
        say("\r\nunkonwn action flag:%d", static_cast<int>(flag));
        return 0;
    }
    const Entry &e = kActions[flag];
    const bool reads = e.form != ActionForm::Nothing && e.form != ActionForm::NoValue;
    if (reads && value == nullptr) {
        say_null("ss_fp_appmng_dump_action", __LINE__);
        return -1;
    }
    switch (e.form) {
        case ActionForm::Plain:
            print_plain(e, value);
            break;
        case ActionForm::PadLine:
            print_plain(e, value);
            std::fflush(stdout);
            std::printf("\r\n          ");
            break;
        case ActionForm::Meter:
            print_meter(e, value);
            break;
        case ActionForm::PortMask:
            print_port_mask(e, value);
            break;
        case ActionForm::NoValue:
            std::printf("%s", e.fmt);
            break;
        case ActionForm::Nothing:
            break;
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace fpss

extern "C" int ss_fp_appmng_dump_action(uint32_t flag, const void *value) { return fpss::dump_action(flag, value); }
