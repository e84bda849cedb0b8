// The exerciser's requests: fixed ACL and header, the four record builders,
// the request operations and the completion callback.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "core/bits.h"
#include "core/relaxed.h"
#include "core/sysalloc.h"
#include "exerciser/exerciser.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_debug.h"
#include "ss_fp_ut_appmng.h"

// The requests cross into the application manager: their layouts are fixed.
static_assert(std::is_standard_layout_v<ut_ss_fp_appmng_acl_req_t>);
static_assert(sizeof(ut_ss_fp_appmng_acl_req_t) == 80);
static_assert(offsetof(ut_ss_fp_appmng_acl_req_t, header) == 0);
static_assert(offsetof(ut_ss_fp_appmng_acl_req_t, acl) == 48);
static_assert(offsetof(ut_ss_fp_appmng_acl_req_t, old_sn) == 68);
static_assert(offsetof(ut_ss_fp_appmng_acl_req_t, record) == 72);

static_assert(std::is_standard_layout_v<ut_ss_fp_appmng_ace_req_t>);
static_assert(sizeof(ut_ss_fp_appmng_ace_req_t) == 176);
static_assert(offsetof(ut_ss_fp_appmng_ace_req_t, header) == 0);
static_assert(offsetof(ut_ss_fp_appmng_ace_req_t, acl) == 144);
static_assert(offsetof(ut_ss_fp_appmng_ace_req_t, ace) == 168);

static_assert(std::is_standard_layout_v<ut_ss_fp_appmng_counter_para_t>);
static_assert(sizeof(ut_ss_fp_appmng_counter_para_t) == 208);
static_assert(offsetof(ut_ss_fp_appmng_counter_para_t, header) == 0);
static_assert(offsetof(ut_ss_fp_appmng_counter_para_t, acl) == 48);
static_assert(offsetof(ut_ss_fp_appmng_counter_para_t, ace_sn) == 168);
static_assert(offsetof(ut_ss_fp_appmng_counter_para_t, cnt) == 176);
static_assert(offsetof(ut_ss_fp_appmng_counter_para_t, ptk) == 184);
static_assert(offsetof(ut_ss_fp_appmng_counter_para_t, counter_arg) == 192);

namespace fpss::ut {
namespace {

// Fixed content of every request.
constexpr int32_t kAclId = 99;
constexpr int32_t kAppType = 13;
constexpr int32_t kAclCls = 1;
constexpr uint32_t kAceSn = 255;
constexpr uint32_t kIpv4Dst = 0xC0A80101;         // 192.168.1.1
constexpr uint32_t kIpv4DstCounter = 0xC0A80202;  // 192.168.2.2
constexpr uint32_t kIpv4Mask = 0xFFFFFFFF;
constexpr uint32_t kCtrl = 0x100;  // ctrl 1
constexpr uint32_t kCounterMode = 7;
constexpr uint32_t kApplyPhyid = 0x07001B1E;
constexpr uint32_t kUpdatePhyid = 0x07001902;
constexpr int32_t kUpdateDirection = 2;
constexpr uint32_t kUpdatedSn = 256;

constexpr const char kAssertText[] = "\r\n\r\n\r\n ASSERT \r\n\r\n\r\n ";

// The debug trace of a failure: a record that could not be allocated, or a
// request that the entry refused.
void trace_assert(const char *who) { UT_APPMNG_TRACE(who, "%s", kAssertText); }

// Which of a record's two packed value areas a value belongs to.
enum class ValueArea { kRules, kActions };

// One value a builder writes: its area, flag and bytes.
struct Value {
    ValueArea area;
    uint32_t flag;
    const uint8_t *bytes;
    uint32_t size;
};

// Where the two areas of a built record live.
struct Values {
    const uint32_t *rule_flags;
    const uint32_t *action_flags;
    uint8_t *rules;
    uint32_t rule_len;
    uint8_t *actions;
    uint32_t action_len;
};

// Writes each value at its packed offset, in the order given; a value whose
// flag the record does not carry is announced and skipped.
void write_values(const Values &rec, const Value *values, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const Value &v = values[i];
        const bool rule = v.area == ValueArea::kRules;
        const uint32_t *bitmap = rule ? rec.rule_flags : rec.action_flags;
        if (!bit_test(bitmap, v.flag)) {
            std::printf("flag:[%d] is no set\r\n", static_cast<int>(v.flag));
            continue;
        }
        uint32_t off = rule ? ss_fp_rule_value_offset(bitmap, v.flag) : ss_fp_action_value_offset(bitmap, v.flag);
        uint32_t len = rule ? rec.rule_len : rec.action_len;
        if (off > len || v.size > len - off) continue;  // the record was sized from the same bitmap
        std::memcpy((rule ? rec.rules : rec.actions) + off, v.bytes, v.size);
    }
}

struct Bitmaps {
    uint32_t rules[SS_FP_RULE_FLAG_WORDS];
    uint32_t actions[SS_FP_ACTION_FLAG_WORDS];
};

Bitmaps bitmaps_of(const Value *values, size_t n) {
    Bitmaps b{};
    for (size_t i = 0; i < n; ++i) bit_set(values[i].area == ValueArea::kRules ? b.rules : b.actions, values[i].flag);
    return b;
}

uint32_t rule_len_of(const uint32_t *bitmap) { return ss_fp_rule_value_offset(bitmap, SS_FP_RULE_MAX); }
uint32_t action_len_of(const uint32_t *bitmap) { return ss_fp_action_value_offset(bitmap, SS_FP_ACTION_MAX); }

// Allocates a record of 'size' bytes, zero-filled, with the system allocator
// and stores it through 'out'. When memory runs out, 'out' gets null and the
// builder 'who' reports it.
template <class Record>
Record *alloc_record(const char *who, Record **out, size_t size) {
    auto *rec = static_cast<Record *>(sys_calloc(1, size));
    *out = rec;
    if (rec == nullptr) trace_assert(who);
    return rec;
}

// Allocates an ACE for the bitmaps and copies them and the area lengths in.
ss_fp_appmng_ace_t *new_ace(const char *who, ss_fp_appmng_ace_t **out, const Bitmaps &b) {
    const uint32_t rule_len = rule_len_of(b.rules);
    const uint32_t action_len = action_len_of(b.actions);
    ss_fp_appmng_ace_t *ace = alloc_record(who, out, sizeof(ss_fp_appmng_ace_t) + rule_len + action_len);
    if (ace == nullptr) return nullptr;
    std::memcpy(ace->rule_flags, b.rules, sizeof ace->rule_flags);
    std::memcpy(ace->action_flags, b.actions, sizeof ace->action_flags);
    ace->rule_len = static_cast<uint16_t>(rule_len);
    ace->action_len = static_cast<uint16_t>(action_len);
    return ace;
}

Values values_of(ss_fp_appmng_ace_t *ace) {
    return Values{ace->rule_flags, ace->action_flags,           ace->buffer,
                  ace->rule_len,   ace->buffer + ace->rule_len, ace->action_len};
}

struct Pair8 {
    uint8_t bytes[8];
};

Pair8 ipv4_pair(uint32_t addr) {
    Pair8 p;
    std::memcpy(p.bytes, &addr, 4);
    std::memcpy(p.bytes + 4, &kIpv4Mask, 4);
    return p;
}

struct Word4 {
    uint8_t bytes[4];
};

Word4 word_bytes(uint32_t w) {
    Word4 b;
    std::memcpy(b.bytes, &w, 4);
    return b;
}

// The default ACE and its numbered variants: source MAC, IPv4 destination,
// forward 1,0,0 and ctrl 1.
void build_plain_ace(const char *who, ss_fp_appmng_ace_t **out, uint32_t sn, uint32_t sub_sn, uint32_t ipv4) {
    uint8_t mac[12];
    std::memcpy(mac, ut_ss_fp_appmng_mac_data, 6);
    std::memcpy(mac + 6, ut_ss_fp_appmng_mac_mask, 6);
    const Pair8 ip = ipv4_pair(ipv4);
    const uint8_t fwd[3] = {1, 0, 0};
    const Word4 ctrl = word_bytes(kCtrl);
    const Value values[] = {{ValueArea::kRules, SS_FP_RULE_MAC_SRC, mac, sizeof mac},
                            {ValueArea::kRules, SS_FP_RULE_IPV4_DST, ip.bytes, sizeof ip.bytes},
                            {ValueArea::kActions, SS_FP_ACTION_FWD, fwd, sizeof fwd},
                            {ValueArea::kActions, SS_FP_ACTION_CTRL, ctrl.bytes, sizeof ctrl.bytes}};
    const size_t n = sizeof values / sizeof values[0];
    ss_fp_appmng_ace_t *ace = new_ace(who, out, bitmaps_of(values, n));
    if (ace == nullptr) return;
    ace->sn = sn;
    ace->sub_sn = sub_sn;
    ace->is_default = 1;
    write_values(values_of(ace), values, n);
}

// The counter ACE: no source MAC value, another IPv4 destination, counter
// mode 7.
void build_counter_ace(ss_fp_appmng_ace_t **out) {
    const uint8_t mac[12] = {};
    const Pair8 ip = ipv4_pair(kIpv4DstCounter);
    const uint8_t fwd[3] = {1, 0, 0};
    const Word4 ctrl = word_bytes(kCtrl);
    const Word4 counter = word_bytes(kCounterMode);
    // The forward and ctrl steps are shared with the other ACEs; this ACE does
    // not carry their flags, so they are announced and skipped.
    const Value values[] = {{ValueArea::kRules, SS_FP_RULE_MAC_SRC, mac, sizeof mac},
                            {ValueArea::kRules, SS_FP_RULE_IPV4_DST, ip.bytes, sizeof ip.bytes},
                            {ValueArea::kActions, SS_FP_ACTION_FWD, fwd, sizeof fwd},
                            {ValueArea::kActions, SS_FP_ACTION_CTRL, ctrl.bytes, sizeof ctrl.bytes},
                            {ValueArea::kActions, SS_FP_ACTION_COUNTER, counter.bytes, sizeof counter.bytes}};
    const Value carried[] = {values[0], values[1], values[4]};
    const Bitmaps b = bitmaps_of(carried, sizeof carried / sizeof carried[0]);
    ss_fp_appmng_ace_t *ace = new_ace("ut_ss_fp_appmng_alloc_ace_with_counter", out, b);
    if (ace == nullptr) return;
    ace->sn = kAceSn;
    ace->sub_sn = 0;
    ace->is_default = 1;
    write_values(values_of(ace), values, sizeof values / sizeof values[0]);
}

// The apply record: no rules, forward 0,0,0 and ctrl 1 on a fixed port.
void build_apply(ss_fp_appmng_apply_t **out) {
    const uint8_t fwd[3] = {0, 0, 0};
    const Word4 ctrl = word_bytes(kCtrl);
    const Value values[] = {{ValueArea::kActions, SS_FP_ACTION_FWD, fwd, sizeof fwd},
                            {ValueArea::kActions, SS_FP_ACTION_CTRL, ctrl.bytes, sizeof ctrl.bytes}};
    const size_t n = sizeof values / sizeof values[0];
    const Bitmaps b = bitmaps_of(values, n);
    const uint32_t action_len = action_len_of(b.actions);
    ss_fp_appmng_apply_t *rec =
        alloc_record("ut_ss_fp_appmng_alloc_apply", out, sizeof(ss_fp_appmng_apply_t) + action_len);
    if (rec == nullptr) return;
    std::memcpy(rec->action_flags, b.actions, sizeof rec->action_flags);
    std::memcpy(rec->rule_flags, b.rules, sizeof rec->rule_flags);
    rec->action_len = static_cast<uint16_t>(action_len);
    rec->rule_len = 0;
    rec->phyid = kApplyPhyid;
    rec->vgp_id = 0;
    rec->app_type = kAppType;
    rec->direction = 0;
    rec->pri = 0;
    write_values(Values{rec->rule_flags, rec->action_flags, rec->buffer + rec->action_len, rec->rule_len, rec->buffer,
                        rec->action_len},
                 values, n);
}

void free_record(void *rec) {
    if (rec != nullptr) sys_free(rec);
}

void fill_acl(ss_fp_appmng_acl_t *acl) {
    if (acl == nullptr) return;
    acl->acl_id = kAclId;
    acl->app_type = kAppType;
    acl->vdc_id = 0;
    acl->acl_cls = kAclCls;
}

// The header names the request by its own address (low 32 bits).
void fill_header(ss_fp_appmng_common_t *header, ss_fp_appmng_cb_t cb, uint32_t op) {
    if (header == nullptr) return;
    header->service_id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(header));
    header->ss_fp_appmng_cb = cb;
    header->rv = 0;
    header->vdu = 0;
    header->op = op;
    header->need_rollback = 1;
}

const char *op_name(uint32_t op) { return op < SS_FP_APPMNG_OP_COUNT ? g_ss_fp_op_string_1[op] : "?"; }

// How a request operation shows the record it built.
enum class Show { Never, InDebug, Always };

int show_record(const ss_fp_appmng_ace_t *ace) { return ss_fp_appmng_dump_ace(ace); }
int show_record(const ss_fp_appmng_apply_t *apply) { return ss_fp_appmng_dump_apply(apply); }

void enter(const char *who) { UT_APPMNG_TRACE(who, "enter"); }

// A missing entry fails like an entry that refuses the request.
int call_entry(ut_ss_fp_appmng_entry_t func, void *req) { return func != nullptr ? func(req) : -1; }

// The common tail of the request operations: show the record, hand the
// request to the entry, report a failure, free the record. A record that
// could not be built is never shown (the builder reported it).
template <class Record>
int send(const char *who, ut_ss_fp_appmng_entry_t func, void *req, Record *rec, Show show) {
    if (rec != nullptr && (show == Show::Always || (show == Show::InDebug && debug_on()))) {
        int shown = show_record(rec);
        if (show == Show::InDebug) UT_APPMNG_TRACE(who, "%d", shown);
    }
    int rv = call_entry(func, req);
    if (rv != 0) trace_assert(who);
    free_record(rec);
    if (debug_on()) say("\n     {leave %s[%d]: rv: %d", who, __LINE__, rv);
    return rv;
}

// Fills the ACL and the header of a request, with the exerciser's callback.
template <class Request>
void fill_request(Request *req, uint32_t op) {
    fill_acl(&req->acl);
    fill_header(&req->header, ut_ss_fp_appmng_cb, op);
}

int acl_only(const char *who, ut_ss_fp_appmng_entry_t func, uint32_t op) {
    enter(who);
    ut_ss_fp_appmng_acl_req_t req{};
    fill_request(&req, op);
    return send<ss_fp_appmng_apply_t>(who, func, &req, nullptr, Show::Never);
}

int with_apply(const char *who, ut_ss_fp_appmng_entry_t func, uint32_t op, Show show) {
    enter(who);
    ut_ss_fp_appmng_acl_req_t req{};
    fill_request(&req, op);
    build_apply(&req.record.apply);
    return send(who, func, &req, req.record.apply, show);
}

// 'build' fills the request's ACE.
template <class Build>
int with_ace(const char *who, ut_ss_fp_appmng_entry_t func, uint32_t op, Show show, Build build) {
    enter(who);
    ut_ss_fp_appmng_ace_req_t req{};
    fill_request(&req, op);
    build(&req.ace);
    return send(who, func, &req, req.ace, show);
}

void build_default_ace(ss_fp_appmng_ace_t **out) {
    build_plain_ace("ut_ss_fp_appmng_alloc_ace", out, kAceSn, 0, kIpv4Dst);
}

// ACE 'n': sequence numbers n, IPv4 destination 192.168.1.1 + n (wrapping).
void build_numbered_ace(ss_fp_appmng_ace_t **out, uint32_t n) {
    build_plain_ace("ut_ss_fp_appmng_alloc_ace_diff", out, n, n, kIpv4Dst + n);
}

// The counter request: the entry fills the counts of ACE 255.
int counter_request(ut_ss_fp_appmng_entry_t func, uint32_t op, uint32_t counter_arg) {
    constexpr const char *kWho = "ut_ss_fp_appmng_counter";
    constexpr const char *kCall = "func(&counter_para_p)";
    ut_ss_fp_appmng_counter_para_t req{};
    fill_request(&req, op);
    req.counter_arg = counter_arg;
    req.ace_sn = kAceSn;
    UT_APPMNG_TRACE(kWho, "call %s", kCall);
    int rv = call_entry(func, &req);
    if (rv == 0) {
        say("\r\ncnt = %llu, ptk = %llu", static_cast<unsigned long long>(req.cnt),
            static_cast<unsigned long long>(req.ptk));
    } else {
        UT_APPMNG_TRACE(kWho, "call %s failed, rv = %d", kCall, rv);
    }
    return 0;
}

// The action updates go through the ACE action update (op 16) for an apply
// and for an ACE alike; their result is not used.
void update_acl_action(ut_ss_fp_appmng_entry_t func) {
    ut_ss_fp_appmng_acl_req_t req{};
    fill_request(&req, SS_FP_APPMNG_UPDATE_ACE_ACTION);
    build_apply(&req.record.apply);
    if (req.record.apply != nullptr) {
        req.record.apply->phyid = kUpdatePhyid;
        req.record.apply->direction = kUpdateDirection;
    }
    (void)call_entry(func, &req);
    free_record(req.record.apply);
}

void update_ace_action(ut_ss_fp_appmng_entry_t func) {
    ut_ss_fp_appmng_acl_req_t req{};
    fill_request(&req, SS_FP_APPMNG_UPDATE_ACE_ACTION);
    build_default_ace(&req.record.ace);
    if (req.record.ace != nullptr) {
        req.old_sn = req.record.ace->sn;
        req.record.ace->sn = kUpdatedSn;
        req.record.ace->is_default = 0;
    }
    (void)call_entry(func, &req);
    free_record(req.record.ace);
}

// A completion: the one that reaches the target count stops the run timer.
int32_t complete(ss_fp_appmng_common_t *header) {
    UT_APPMNG_TRACE("ut_ss_fp_appmng_cb", "enter");
    // Atomic, so that exactly one completion reaches the target even when
    // completions race.
    uint32_t done = __atomic_add_fetch(&g_test_count, 1u, __ATOMIC_RELAXED);
    if (done == load_relaxed(g_test_num)) ut_ss_fp_appmng_time_stop(&g_test_time, 1);
    if (header != nullptr && debug_on()) {
        say("\n     {appmng} %s[%d] PRINT:service_id = %d, ss_fp_appmng_cb = %p, rv = %d, vdu=%d, "
            "is_pi = %d \r\n op = %d[%s], need_rollback = %d",
            "ss_fp_appmng_dump_common", __LINE__, static_cast<int>(header->service_id),
            reinterpret_cast<void *>(header->ss_fp_appmng_cb), header->rv, header->vdu, header->is_pi,
            static_cast<int>(header->op), op_name(header->op), header->need_rollback);
    }
    return 0;
}

}  // namespace
}  // namespace fpss::ut

using fpss::ut::Show;

extern "C" {

SS_FP_API uint8_t ut_ss_fp_appmng_mac_data[6] = {0x00, 0x22, 0x33, 0x44, 0x55, 0x66};
SS_FP_API uint8_t ut_ss_fp_appmng_mac_mask[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

void ut_ss_fp_appmng_init_acl(ss_fp_appmng_acl_t *acl) { fpss::ut::fill_acl(acl); }

void ut_ss_fp_appmng_init_common(ss_fp_appmng_common_t *header, ss_fp_appmng_cb_t cb, uint32_t op) {
    fpss::ut::fill_header(header, cb, op);
}

void ut_ss_fp_appmng_alloc_ace(ss_fp_appmng_ace_t **ace) {
    if (ace != nullptr) fpss::ut::build_default_ace(ace);
}

void ut_ss_fp_appmng_alloc_ace_diff(ss_fp_appmng_ace_t **ace, uint32_t n) {
    if (ace != nullptr) fpss::ut::build_numbered_ace(ace, n);
}

void ut_ss_fp_appmng_alloc_ace_with_counter(ss_fp_appmng_ace_t **ace) {
    if (ace != nullptr) fpss::ut::build_counter_ace(ace);
}

void ut_ss_fp_appmng_alloc_apply(ss_fp_appmng_apply_t **apply) {
    if (apply != nullptr) fpss::ut::build_apply(apply);
}

void ut_ss_fp_appmng_free_ace(ss_fp_appmng_ace_t *ace) { fpss::ut::free_record(ace); }

void ut_ss_fp_appmng_free_apply(ss_fp_appmng_apply_t *apply) { fpss::ut::free_record(apply); }

int ut_ss_fp_appmng_crt_acl(ut_ss_fp_appmng_entry_t func) {
    return fpss::ut::acl_only("ut_ss_fp_appmng_crt_acl", func, SS_FP_APPMNG_CRT_ACL);
}

int ut_ss_fp_appmng_del_acl(ut_ss_fp_appmng_entry_t func) {
    return fpss::ut::acl_only("ut_ss_fp_appmng_del_acl", func, SS_FP_APPMNG_DEL_ACL);
}

int ut_ss_fp_appmng_add_ace(ut_ss_fp_appmng_entry_t func) {
    return fpss::ut::with_ace("ut_ss_fp_appmng_add_ace", func, SS_FP_APPMNG_ADD_ACE, Show::Never,
                              fpss::ut::build_default_ace);
}

int ut_ss_fp_appmng_add_ace_diff(ut_ss_fp_appmng_entry_t func, uint32_t n) {
    return fpss::ut::with_ace("ut_ss_fp_appmng_add_ace_diff", func, SS_FP_APPMNG_ADD_ACE, Show::InDebug,
                              [n](ss_fp_appmng_ace_t **ace) { fpss::ut::build_numbered_ace(ace, n); });
}

int ut_ss_fp_appmng_add_ace_with_counter(ut_ss_fp_appmng_entry_t func) {
    return fpss::ut::with_ace("ut_ss_fp_appmng_add_ace_with_counter", func, SS_FP_APPMNG_ADD_ACE, Show::Always,
                              fpss::ut::build_counter_ace);
}

int ut_ss_fp_appmng_del_ace(ut_ss_fp_appmng_entry_t func) {
    return fpss::ut::with_ace("ut_ss_fp_appmng_del_ace", func, SS_FP_APPMNG_DEL_ACE, Show::Never,
                              fpss::ut::build_default_ace);
}

int ut_ss_fp_appmng_apply_acl(ut_ss_fp_appmng_entry_t func) {
    return fpss::ut::with_apply("ut_ss_fp_appmng_apply_acl", func, SS_FP_APPMNG_APPLY_ACL, Show::InDebug);
}

int ut_ss_fp_appmng_unapply_acl(ut_ss_fp_appmng_entry_t func) {
    return fpss::ut::with_apply("ut_ss_fp_appmng_unapply_acl", func, SS_FP_APPMNG_UNAPPLY_ACL, Show::Always);
}

int ut_ss_fp_appmng_counter(ut_ss_fp_appmng_entry_t func, uint32_t op, uint32_t counter_arg) {
    return fpss::ut::counter_request(func, op, counter_arg);
}

void ut_ss_fp_appmng_update_acl_action(ut_ss_fp_appmng_entry_t func) { fpss::ut::update_acl_action(func); }

void ut_ss_fp_appmng_update_ace_action(ut_ss_fp_appmng_entry_t func) { fpss::ut::update_ace_action(func); }

int32_t ut_ss_fp_appmng_cb(ss_fp_appmng_common_t *header) { return fpss::ut::complete(header); }

}  // extern "C"
