// The exerciser's debug toggles, timers and views of the application
// manager's ACLs, ACE counters, uplinks, allocation count and service table.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "core/clock.h"
#include "core/list.h"
#include "exerciser/exerciser.h"
#include "libss_hash.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_debug.h"
#include "ss_fp_ut_appmng.h"

// The views read the application manager's records at these offsets.
static_assert(std::is_standard_layout_v<ut_ss_fp_appmng_time_t>);
static_assert(sizeof(ut_ss_fp_appmng_time_t) == 116);
static_assert(offsetof(ut_ss_fp_appmng_time_t, start) == 0);
static_assert(offsetof(ut_ss_fp_appmng_time_t, end) == 4);
static_assert(offsetof(ut_ss_fp_appmng_time_t, total) == 8);
static_assert(offsetof(ut_ss_fp_appmng_time_t, count) == 12);
static_assert(offsetof(ut_ss_fp_appmng_time_t, name) == 16);

static_assert(std::is_standard_layout_v<ss_fp_appmng_root_t>);
static_assert(offsetof(ss_fp_appmng_root_t, acl_list) == 64);

static_assert(std::is_standard_layout_v<ss_fp_appmng_acl_node_t>);
static_assert(offsetof(ss_fp_appmng_acl_node_t, acl) == 12);
static_assert(offsetof(ss_fp_appmng_acl_node_t, acl) + offsetof(ss_fp_appmng_acl_t, acl_id) == 12);
static_assert(offsetof(ss_fp_appmng_acl_node_t, acl) + offsetof(ss_fp_appmng_acl_t, app_type) == 16);
static_assert(offsetof(ss_fp_appmng_acl_node_t, acl) + offsetof(ss_fp_appmng_acl_t, vdc_id) == 20);
static_assert(offsetof(ss_fp_appmng_acl_node_t, acl) + offsetof(ss_fp_appmng_acl_t, acl_cls) == 24);
static_assert(offsetof(ss_fp_appmng_acl_node_t, ds_time) == 32);
static_assert(offsetof(ss_fp_appmng_acl_node_t, ace_cnt) == 36);
static_assert(offsetof(ss_fp_appmng_acl_node_t, apply_cnt) == 40);
static_assert(offsetof(ss_fp_appmng_acl_node_t, is_pi) == 44);
static_assert(offsetof(ss_fp_appmng_acl_node_t, link) == 48);
static_assert(offsetof(ss_fp_appmng_acl_node_t, ace_list) == 64);
static_assert(offsetof(ss_fp_appmng_acl_node_t, apply_list) == 88);

static_assert(std::is_standard_layout_v<ss_fp_appmng_ace_node_t>);
static_assert(offsetof(ss_fp_appmng_ace_node_t, link) == 24);
static_assert(offsetof(ss_fp_appmng_ace_node_t, ace_sn) == 48);
static_assert(offsetof(ss_fp_appmng_ace_node_t, byte_cnt) == 136);
static_assert(offsetof(ss_fp_appmng_ace_node_t, ptk_cnt) == 144);
static_assert(offsetof(ss_fp_appmng_ace_node_t, byte_cnt1) == 152);
static_assert(offsetof(ss_fp_appmng_ace_node_t, ptk_cnt1) == 160);
static_assert(offsetof(ss_fp_appmng_ace_node_t, ds_time) == 168);
static_assert(offsetof(ss_fp_appmng_ace_node_t, is_pi) == 172);
static_assert(offsetof(ss_fp_appmng_ace_node_t, ace_db) == 176);
static_assert(offsetof(ss_fp_appmng_ace_node_t, req_uuid) == 184);
static_assert(offsetof(ss_fp_appmng_ace_node_t, status) == 196);
static_assert(offsetof(ss_fp_appmng_ace_node_t, ace) == 224);
static_assert(offsetof(ss_fp_appmng_ace_node_t, ace) % alignof(ss_fp_appmng_ace_t) == 0);

static_assert(std::is_standard_layout_v<ss_fp_appmng_apply_node_t>);
static_assert(offsetof(ss_fp_appmng_apply_node_t, link) == 0);
static_assert(offsetof(ss_fp_appmng_apply_node_t, ds_time) == 36);
static_assert(offsetof(ss_fp_appmng_apply_node_t, is_pi) == 40);
static_assert(offsetof(ss_fp_appmng_apply_node_t, apply) == 44);
static_assert(offsetof(ss_fp_appmng_apply_node_t, apply) % alignof(ss_fp_appmng_apply_t) == 0);

static_assert(std::is_standard_layout_v<ss_fp_appmng_uplink_node_t>);
static_assert(offsetof(ss_fp_appmng_uplink_node_t, link) == 0);
static_assert(offsetof(ss_fp_appmng_uplink_node_t, phyid) == 16);
static_assert(offsetof(ss_fp_appmng_uplink_node_t, intf_type) == 20);
static_assert(offsetof(ss_fp_appmng_uplink_node_t, ds_time) == 24);
static_assert(offsetof(ss_fp_appmng_uplink_node_t, is_pi) == 28);
static_assert(sizeof(ss_fp_list_t) == 16);

static_assert(std::is_standard_layout_v<ss_fp_appmng_service_dm_node_t>);
static_assert(sizeof(ss_fp_appmng_service_dm_node_t) == 12);
static_assert(offsetof(ss_fp_appmng_service_dm_node_t, service_out) == 0);
static_assert(offsetof(ss_fp_appmng_service_dm_node_t, service_in) == 4);
static_assert(offsetof(ss_fp_appmng_service_dm_node_t, dm_node) == 8);

namespace fpss::ut {
namespace {

// Application types the ACL view accepts: 0 to 185.
constexpr uint32_t kAppTypeLimit = SS_FP_APP_TYPE_MAX;
constexpr size_t kAppNames = sizeof g_ss_fp_app_string / sizeof g_ss_fp_app_string[0];

// Name of an application type read from the application manager's memory;
// "?" outside the table.
const char *app_name(int32_t type) {
    return type >= 0 && static_cast<size_t>(type) < kAppNames ? g_ss_fp_app_string[type] : "?";
}

// A timer stamp: the low 32 bits of the monotonic microseconds. The timers
// keep 32-bit stamps, so a stamp wraps about every 71.6 minutes and an
// elapsed time is the difference modulo 2^32.
uint32_t timer_stamp() { return static_cast<uint32_t>(monotonic_us()); }

// The timer display: title, count and total, then the average in hundredths
// of a microsecond. Nothing without a title or without a stop.
void show_time(const char *name, uint32_t total, uint32_t count) {
    if (name == nullptr || count == 0) return;
    // In 64 bits: total * 100 overflows 32 bits once the total passes about
    // 43 seconds.
    const uint64_t avg = uint64_t{total} * 100 / count;
    say("\r\n================ test %s ================", name);
    say("\r\ntime = %d, total elapsed: %uus", static_cast<int>(count), total);
    say("\r\navg: %" PRIu64 ".%02" PRIu64 "us\n", avg / 100, avg % 100);
}

// Shows a timer whose title the caller wrote: a title that fills the whole
// array without its terminating zero is cut at the array's end.
void show_timer(const ut_ss_fp_appmng_time_t &t) {
    char name[sizeof t.name + 1];
    const size_t n = strnlen(t.name, sizeof t.name);
    std::memcpy(name, t.name, n);
    name[n] = '\0';
    show_time(name, t.total, t.count);
}

void clear_timer(ut_ss_fp_appmng_time_t &t) { t.start = t.end = t.total = t.count = 0; }

// Calls 'visit' with each node of one of the application manager's lists, in
// list order; 'Node' holds its link 'offset' bytes in. The node after the
// current one is taken first. The application manager may hand over a head it
// never set up, and the walk stops at a null link rather than follow it.
template <class Node, class Visit>
void each_node(const ss_fp_list_t *head, size_t offset, Visit visit) {
    if (list_empty_or_unset(head)) return;
    for (ss_fp_list_t *link = head->next; link != nullptr && link != head;) {
        ss_fp_list_t *next = link->next;
        visit(reinterpret_cast<Node *>(reinterpret_cast<char *>(link) - offset));
        link = next;
    }
}

bool selected(const ss_fp_appmng_acl_node_t *node, uint32_t app_type, int32_t acl_id) {
    if (app_type == 0) return true;
    if (static_cast<uint32_t>(node->acl.app_type) != app_type) return false;
    return acl_id == 0 || node->acl.acl_id == acl_id;
}

// Calls 'visit' with each ACL of the root that the selection picks.
template <class Visit>
void each_selected(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id, Visit visit) {
    each_node<ss_fp_appmng_acl_node_t>(&root->acl_list, offsetof(ss_fp_appmng_acl_node_t, link),
                                       [&](ss_fp_appmng_acl_node_t *acl) {
                                           if (selected(acl, app_type, acl_id)) visit(acl);
                                       });
}

template <class Visit>
void each_ace(ss_fp_appmng_acl_node_t *acl, Visit visit) {
    each_node<ss_fp_appmng_ace_node_t>(&acl->ace_list, offsetof(ss_fp_appmng_ace_node_t, link), visit);
}

const ss_fp_appmng_ace_t *embedded_ace(const ss_fp_appmng_ace_node_t *node) {
    return reinterpret_cast<const ss_fp_appmng_ace_t *>(node->ace);
}

uint32_t start_timer(ut_ss_fp_appmng_time_t *t) {
    const uint32_t now = timer_stamp();
    if (t != nullptr) t->start = now;
    return now;
}

void stop_timer(ut_ss_fp_appmng_time_t *t, uint8_t show) {
    if (t == nullptr) return;
    t->end = timer_stamp();
    t->total += t->end - t->start;
    t->count += 1;
    if (show != 0) show_timer(*t);
}

void clear_timers() {
    clear_timer(g_ss_fp_appmng_time);
    for (ut_ss_fp_appmng_time_t &t : g_ss_fp_appmng_times) clear_timer(t);
}

void show_timers() {
    show_timer(g_ss_fp_appmng_time);
    for (int i = 0; i < UT_SS_FP_APPMNG_TIMES; ++i) {
        say("\r\ni = %d", i);
        show_timer(g_ss_fp_appmng_times[i]);
    }
}

void show_uplinks(const ss_fp_list_t *uplink) {
    if (uplink == nullptr) return;
    for (int type = 0; type < UT_SS_FP_APPMNG_UPLINK_TYPES; ++type) {
        const ss_fp_list_t *head = &uplink[type];
        if (list_empty_or_unset(head)) continue;
        say("\r\nuplink_type = %d[0: GLOBAL_ACL 1: IP_MAC 2: SECURITY_CHANNEL", type);
        each_node<const ss_fp_appmng_uplink_node_t>(
            head, offsetof(ss_fp_appmng_uplink_node_t, link), [](const ss_fp_appmng_uplink_node_t *n) {
                say("\r\n phyid:0x%x, intf_type:%d ds_time:%d is_pi:%d ", n->phyid, n->intf_type, n->ds_time, n->is_pi);
            });
    }
}

void show_acl(ss_fp_appmng_acl_node_t *acl, uint32_t app_type) {
    say("\r\n\r\n***** acl *****");
    say("\r\nds_time = %d, is_pi = %d, ace_cnt = %d, apply_cnt = %d.", acl->ds_time, acl->is_pi, acl->ace_cnt,
        acl->apply_cnt);
    ss_fp_appmng_dump_acl(&acl->acl);
    each_ace(acl, [app_type](ss_fp_appmng_ace_node_t *ace) {
        say("\r\n\r\n***** ace *****");
        // The view of every type also names each ACE by its sequence number.
        if (app_type == 0) {
            say("\r\nace_sn = 0x%" PRIx64 ", ds_time = %d, is_pi = %d, byte_cnt = %" PRIu64 ", ptk_cnt = %" PRIu64
                ", byte_cnt1 = %" PRIu64 ", ptk_cnt1 = %" PRIu64 ", ace_db:%d, req_uuid:0x%" PRIx64 ", status:%d",
                ace->ace_sn, ace->ds_time, ace->is_pi, ace->byte_cnt, ace->ptk_cnt, ace->byte_cnt1, ace->ptk_cnt1,
                ace->ace_db, ace->req_uuid, ace->status);
        } else {
            say("\r\nds_time = %d, is_pi = %d, byte_cnt = %" PRIu64 ", ptk_cnt = %" PRIu64 ", byte_cnt1 = %" PRIu64
                ", ptk_cnt1 = %" PRIu64 ", ace_db:%d, req_uuid:0x%" PRIx64 ", status:%d",
                ace->ds_time, ace->is_pi, ace->byte_cnt, ace->ptk_cnt, ace->byte_cnt1, ace->ptk_cnt1, ace->ace_db,
                ace->req_uuid, ace->status);
        }
        ss_fp_appmng_dump_ace(embedded_ace(ace));
    });
    each_node<ss_fp_appmng_apply_node_t>(
        &acl->apply_list, offsetof(ss_fp_appmng_apply_node_t, link), [](ss_fp_appmng_apply_node_t *apply) {
            say("\r\n\r\n***** apply *****");
            say("\r\nds_time = %d, is_pi = %d", apply->ds_time, apply->is_pi);
            ss_fp_appmng_dump_apply(reinterpret_cast<const ss_fp_appmng_apply_t *>(apply->apply));
        });
}

int show_acls(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id) {
    if (app_type >= kAppTypeLimit) {
        say("\r\npara error. app_type range is [%d, %d).\n", 0, static_cast<int>(kAppTypeLimit));
        return -1;
    }
    if (root == nullptr) return -1;
    say("\r\napp_type = %d[%s], acl_id = %d", static_cast<int>(app_type), g_ss_fp_app_string[app_type], acl_id);
    each_selected(root, app_type, acl_id, [app_type](ss_fp_appmng_acl_node_t *acl) { show_acl(acl, app_type); });
    return 0;
}

// The hit counters of one ACL: every ACE that a packet has matched.
void show_counters(ss_fp_appmng_acl_node_t *acl) {
    if (acl == nullptr) return;
    each_ace(acl, [acl](ss_fp_appmng_ace_node_t *ace) {
        if (ace->ptk_cnt == 0 && ace->ptk_cnt1 == 0) return;
        const ss_fp_appmng_ace_t *rec = embedded_ace(ace);
        say("\r\n[FP:]    unit:%d, app_type:%d[%s], acl_id = %d, ace sn:%d, sub_sn:%d,    match_ptk:%llu"
            "    match_byte:%llu    match_ptk1:%llu    match_byte1:%llu",
            acl->acl.vdc_id, acl->acl.app_type, app_name(acl->acl.app_type), acl->acl.acl_id, static_cast<int>(rec->sn),
            static_cast<int>(rec->sub_sn), static_cast<unsigned long long>(ace->ptk_cnt),
            static_cast<unsigned long long>(ace->byte_cnt), static_cast<unsigned long long>(ace->ptk_cnt1),
            static_cast<unsigned long long>(ace->byte_cnt1));
    });
}

// Clears each pair of counters whose packet count is not zero, and says so
// once for the ACL when anything was cleared.
void clear_counters(ss_fp_appmng_acl_node_t *acl) {
    if (acl == nullptr) return;
    bool cleared = false;
    each_ace(acl, [&cleared](ss_fp_appmng_ace_node_t *ace) {
        if (ace->ptk_cnt != 0) {
            ace->byte_cnt = 0;
            ace->ptk_cnt = 0;
            cleared = true;
        }
        if (ace->ptk_cnt1 != 0) {
            ace->byte_cnt1 = 0;
            ace->ptk_cnt1 = 0;
            cleared = true;
        }
    });
    if (cleared) {
        say("\r\nclear unit:%d, app_type:%d[%s], acl_id = %d counter\r\n", acl->acl.vdc_id, acl->acl.app_type,
            app_name(acl->acl.app_type), acl->acl.acl_id);
    }
}

// Applies 'each' (show_counters or clear_counters) to every selected ACL.
int each_selected_acl(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id,
                      void (*each)(ss_fp_appmng_acl_node_t *)) {
    if (root == nullptr) return -1;
    each_selected(root, app_type, acl_id, each);
    return 0;
}

int service_item(void *item, void *) {
    if (item == nullptr) return 0;
    const auto *n = static_cast<const ss_fp_appmng_service_dm_node_t *>(item);
    std::printf("[service_out = %d]---[service_in = %d]----[dm_node = %d]\n", static_cast<int>(n->service_out),
                static_cast<int>(n->service_in), static_cast<int>(n->dm_node));
    return 0;
}

int show_service_table(libss_hash_t *hash) {
    if (hash == nullptr) return -1;
    say_line("\n-----------------service_out-dm_node-hash------------------------\n");
    const int rv = libss_hash_each_item_op(hash, service_item, nullptr);
    std::fflush(stdout);
    return rv;
}

// The debug toggles set one of the application manager's debug bytes.
int set_debug(void (*set)(uint8_t), uint8_t on) {
    set(on);
    return 0;
}

}  // namespace
}  // namespace fpss::ut

extern "C" {

SS_FP_API ut_ss_fp_appmng_time_t g_test_time = {};
SS_FP_API uint32_t g_test_num = 0;
SS_FP_API uint32_t g_test_count = 0;
SS_FP_API ut_ss_fp_appmng_time_t g_ss_fp_appmng_time = {};
SS_FP_API ut_ss_fp_appmng_time_t g_ss_fp_appmng_times[UT_SS_FP_APPMNG_TIMES] = {};
SS_FP_API int32_t g_ss_fp_appmng_malloc = 0;

int ut_ss_fp_appmng_deb(void) { return fpss::ut::set_debug(ss_fp_appmng_set_debug, 1); }
int ut_ss_fp_appmng_undeb(void) { return fpss::ut::set_debug(ss_fp_appmng_set_debug, 0); }
int ut_ss_fp_appmng_ds_deb(void) { return fpss::ut::set_debug(ss_fp_appmng_ds_set_debug, 1); }
int ut_ss_fp_appmng_ds_undeb(void) { return fpss::ut::set_debug(ss_fp_appmng_ds_set_debug, 0); }
int ut_ss_fp_appmng_io_deb(void) { return fpss::ut::set_debug(ss_fp_appmng_io_set_debug, 1); }
int ut_ss_fp_appmng_io_undeb(void) { return fpss::ut::set_debug(ss_fp_appmng_io_set_debug, 0); }
int ut_ss_fp_appmng_counter_deb(void) { return fpss::ut::set_debug(ss_fp_appmng_counter_set_debug, 1); }
int ut_ss_fp_appmng_counter_undeb(void) { return fpss::ut::set_debug(ss_fp_appmng_counter_set_debug, 0); }
int ut_ss_fp_appmng_res_deb(void) { return fpss::ut::set_debug(ss_fp_appmng_res_set_debug, 1); }
int ut_ss_fp_appmng_res_undeb(void) { return fpss::ut::set_debug(ss_fp_appmng_res_set_debug, 0); }

int print_buffer(void) { return 1; }

uint32_t ut_ss_fp_appmng_time_start(ut_ss_fp_appmng_time_t *t) { return fpss::ut::start_timer(t); }

void ut_ss_fp_appmng_time_stop(ut_ss_fp_appmng_time_t *t, uint8_t show) { fpss::ut::stop_timer(t, show); }

void ut_ss_fp_appmng_time_show(const char *name, uint32_t total, uint32_t count) {
    fpss::ut::show_time(name, total, count);
}

void ut_ss_fp_appmng_init_time(void) { fpss::ut::clear_timers(); }

void ut_ss_fp_appmng_dump_time(void) { fpss::ut::show_timers(); }

int ut_ss_fp_appmng_dump_memory(void) {
    return fpss::say("\r\ng_ss_fp_appmng_malloc = %d", static_cast<int>(g_ss_fp_appmng_malloc));
}

void ut_ss_fp_appmng_dump_uplink(const ss_fp_list_t *uplink) { fpss::ut::show_uplinks(uplink); }

int ut_ss_fp_appmng_dump_acl(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id) {
    return fpss::ut::show_acls(root, app_type, acl_id);
}

void ut_ss_fp_appmng_dump_ace_counter(ss_fp_appmng_acl_node_t *acl) { fpss::ut::show_counters(acl); }

int ut_ss_fp_appmng_dump_acl_counter(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id) {
    return fpss::ut::each_selected_acl(root, app_type, acl_id, fpss::ut::show_counters);
}

void ut_ss_fp_appmng_clear_ace_counter(ss_fp_appmng_acl_node_t *acl) { fpss::ut::clear_counters(acl); }

int ut_ss_fp_appmng_clear_acl_counter(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id) {
    return fpss::ut::each_selected_acl(root, app_type, acl_id, fpss::ut::clear_counters);
}

int ut_ss_fp_appmng_dump_service_dm_hash(libss_hash_t *hash) { return fpss::ut::show_service_table(hash); }

}  // extern "C"
