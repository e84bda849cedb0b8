// The exerciser: requests in every mode, completions, timers and views against data files.
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fpss_test.h"
#include "fpss_values.h"
#include "ss_fp_debug.h"
#include "ss_fp_ut_appmng.h"

using fpss_test::FaultInjector;
using fpss_test::run;
using Entry = ut_ss_fp_appmng_entry_t;

namespace {

using Layout = std::tuple<size_t, size_t, bool>;  // request size, record pointer offset, record is an ACE
Layout g_layout;
int32_t g_rv;
std::string g_seen;

// Shows the request (address-dependent bytes checked, then zeroed) and its record.
int32_t entry(void *req) {
    auto *h = static_cast<ut_ss_fp_appmng_counter_para_t *>(req);
    EXPECT_EQ(h->header.service_id, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(req)));
    EXPECT_EQ(h->header.ss_fp_appmng_cb, &ut_ss_fp_appmng_cb);
    const auto [size, at, is_ace] = g_layout;
    std::vector<uint8_t> b(static_cast<uint8_t *>(req), static_cast<uint8_t *>(req) + size);
    uint8_t *rec = nullptr;
    if (at != 0) std::memcpy(&rec, &b[at], 8), std::memset(&b[at], 0, 8);
    std::memset(&b[0], 0, 4), std::memset(&b[8], 0, 8);
    g_seen += fpss_test::hex(b.data(), b.size());
    const auto *u16 = reinterpret_cast<const uint16_t *>(rec);  // lengths at 68 and 70, or 152 and 154
    if (rec != nullptr) g_seen += fpss_test::hex(rec, is_ace ? 72 + u16[34] + u16[35] : 156 + u16[76] + u16[77]);
    if (size == sizeof *h) h->cnt = 1234567890123ull, h->ptk = 42;
    return g_rv;
}

TEST(ExerciserRequests, EveryOperationInEveryMode) {
    constexpr Layout kAcl{80, 0, false}, kApply{80, 72, false}, kAce{176, 168, true}, kCounter{208, 0, false};
    const std::tuple<const char *, int (*)(Entry), Layout> ops[] = {
        {"crt_acl", ut_ss_fp_appmng_crt_acl, kAcl},
        {"del_acl", ut_ss_fp_appmng_del_acl, kAcl},
        {"add_ace", ut_ss_fp_appmng_add_ace, kAce},
        {"add_ace_diff 1", [](Entry e) { return ut_ss_fp_appmng_add_ace_diff(e, 1); }, kAce},
        {"add_ace_diff max", [](Entry e) { return ut_ss_fp_appmng_add_ace_diff(e, UINT32_MAX); }, kAce},
        {"add_ace_with_counter", ut_ss_fp_appmng_add_ace_with_counter, kAce},
        {"del_ace", ut_ss_fp_appmng_del_ace, kAce},
        {"apply_acl", ut_ss_fp_appmng_apply_acl, kApply},
        {"unapply_acl", ut_ss_fp_appmng_unapply_acl, kApply},
        {"counter", [](Entry e) { return ut_ss_fp_appmng_counter(e, SS_FP_APPMNG_ACE_COUNTER, 0xABCD); }, kCounter},
        {"update_acl_action", [](Entry e) { return ut_ss_fp_appmng_update_acl_action(e), 0; }, kApply},
        {"update_ace_action", [](Entry e) { return ut_ss_fp_appmng_update_ace_action(e), 0; }, {80, 72, true}},
    };
    std::string out;
    const char *const modes[] = {"quiet refused", "debug", "refused", "no entry", "no memory"};
    for (int m = 0; m < 5; ++m) {
        for (const auto &[name, op, layout] : ops) {
            g_ss_fp_appmng_debug = m != 0, g_rv = m == 0 || m == 2 ? -5 : 0, g_layout = layout, g_seen.clear();
            auto once = [&, name = name, op = op](int) {
                run(out, std::string(modes[m]) + " " + name, [&] { return op(m == 3 ? nullptr : entry); });
                out += g_seen + "allocations " + std::to_string(FaultInjector::calls()) + "\n";
            };
            FaultInjector::reset();
            m == 4 ? fpss_test::for_each_fault(1, once) : once(0);
        }
    }
    ss_fp_appmng_common_t h{7, {}, nullptr, -2, 4, SS_FP_APPMNG_ADD_ACE, 1, 1, {}};
    for (uint32_t op : {2u, 40u, 0u})
        run(out, "callback", [&] { return h.op = op, ut_ss_fp_appmng_cb(op ? &h : nullptr); });
    EXPECT_TRUE(fpss_test::golden("exerciser/requests.txt", out));
    ut_ss_fp_appmng_alloc_ace_with_counter(nullptr), ut_ss_fp_appmng_init_common(nullptr, nullptr, 0);
    ut_ss_fp_appmng_alloc_ace_diff(nullptr, 1), ut_ss_fp_appmng_alloc_apply(nullptr);
    ut_ss_fp_appmng_alloc_ace(nullptr), ut_ss_fp_appmng_init_acl(nullptr);
    EXPECT_EQ(FaultInjector::calls(), 0);                                    // null out-pointers: nothing built
    std::FILE *saved = std::exchange(stdout, std::fopen("/dev/null", "w"));  // a second round keeps nothing more
    size_t held[2];
    for (size_t &bytes : held) {
        for (const auto &o : ops) std::get<1>(o)([](void *) { return 0; });
        for (auto build : {ut_ss_fp_appmng_alloc_ace, ut_ss_fp_appmng_alloc_ace_with_counter}) {
            ss_fp_appmng_ace_t *a = nullptr;
            build(&a);
            EXPECT_EQ(a == nullptr ? 0 : a->sn, 255u);
            ut_ss_fp_appmng_free_ace(a);
        }
        bytes = mallinfo2().uordblks;
    }
    std::fclose(stdout), stdout = saved;
    EXPECT_EQ(held[0], held[1]);
}

// Monotonic microseconds in 32 bits; the completion reaching g_test_num stops the timer.
TEST(ExerciserRequests, CompletionsStopTheRunTimerOnce) {
    using std::chrono::duration_cast, std::chrono::microseconds, std::chrono::steady_clock;  // the monotonic clock
    auto now = [] { return uint32_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count()); };
    ss_fp_appmng_common_t h{};
    std::strcpy(g_test_time.name, "run"), g_test_num = 3;
    const uint32_t before = now(), started = ut_ss_fp_appmng_time_start(&g_test_time), after = now();
    EXPECT_LE(started - before, after - before);
    ut_ss_fp_appmng_time_start(nullptr), ut_ss_fp_appmng_time_stop(nullptr, 1);
    std::string out[4];
    for (std::string &o : out) run(o, "completion", [&] { return ut_ss_fp_appmng_cb(&h); });
    EXPECT_EQ(g_test_count * 10 + g_test_time.count, 41u);
    EXPECT_EQ(g_test_time.total, g_test_time.end - started);
    for (int i : {0, 1, 3}) EXPECT_EQ(out[i], "\n## completion = 0\n");
    EXPECT_EQ(
        out[2].rfind(out[0] + "\r\n================ test run ================{F}\r\ntime = 1, total elapsed: ", 0), 0u);
}

void append(ss_fp_list_t *head, ss_fp_list_t *link) {
    if (head->next == nullptr) head->next = head->prev = head;
    link->next = head, link->prev = head->prev, head->prev->next = link, head->prev = link;
}

TEST(ExerciserViews, TimersMemoryUplinksServicesToggles) {
    std::string out;
    const std::tuple<const char *, uint32_t, uint32_t> shows[] = {
        {"t", 1005, 100},     {"t", 1050, 100},   {"t", 7, 1},           {"t", 1005, 0},
        {nullptr, 1005, 100}, {"l", 50000000, 3}, {"max", UINT32_MAX, 1}};
    for (const auto &s : shows)
        run(out, "show", [&] { return ut_ss_fp_appmng_time_show(std::get<0>(s), std::get<1>(s), std::get<2>(s)), 0; });
    g_ss_fp_appmng_time = {1, 2, 10, 1, "all"}, g_ss_fp_appmng_times[2] = {3, 4, 300, 3, "two"};
    std::memset(g_ss_fp_appmng_times[4].name, 'x', 100), g_ss_fp_appmng_times[4].count = 1;  // a name without end
    for (int i = 0; i < 2; ++i)
        run(out, "times", [] { return ut_ss_fp_appmng_dump_time(), ut_ss_fp_appmng_init_time(), 0; });
    run(out, "quiet stop",
        [] { return ut_ss_fp_appmng_time_stop(&g_ss_fp_appmng_time, 0), g_ss_fp_appmng_time.count; });
    g_ss_fp_appmng_malloc = -3;
    run(out, "memory", [] { return ut_ss_fp_appmng_dump_memory(); });

    ss_fp_list_t heads[UT_SS_FP_APPMNG_UPLINK_TYPES] = {{}, {}, {&heads[2], &heads[2]}};  // 1 never set up, 2 empty
    ss_fp_appmng_uplink_node_t up[] = {{{}, 0x7001B1E, 1, 2, 1, {}}, {{}, 0x10, -1, 0, 0, {}}, {{}, 0xff, 0, 3, 0, {}}};
    append(&heads[0], &up[0].link), append(&heads[0], &up[1].link), append(&heads[3], &up[2].link);
    run(out, "uplinks", [&] { return ut_ss_fp_appmng_dump_uplink(heads), ut_ss_fp_appmng_dump_uplink(nullptr), 0; });

    libss_hash_t *hash = libss_create_hash(
        4, [](void *i) { return static_cast<ss_fp_appmng_service_dm_node_t *>(i)->service_out; },
        [](void *i, void *k) { return static_cast<int>(i != k); });
    ss_fp_appmng_service_dm_node_t services[] = {{1, 100, 7}, {2, 200, 8}, {3, UINT32_MAX, 9}};
    for (auto &s : services) libss_hash_insert_item(hash, &s);
    run(out, "services", [&] { return ut_ss_fp_appmng_dump_service_dm_hash(hash); });
    run(out, "services", [] { return ut_ss_fp_appmng_dump_service_dm_hash(nullptr); });
    for (auto &s : services) libss_hash_del_item(hash, &s);
    libss_destroy_hash(hash);

    auto toggle = [&](int (*on)(), int (*off)(), const uint8_t &byte) {
        run(out, "on", on), out += std::to_string(byte), run(out, "off", off), out += std::to_string(byte);
    };
    toggle(ut_ss_fp_appmng_deb, ut_ss_fp_appmng_undeb, g_ss_fp_appmng_debug);
    toggle(ut_ss_fp_appmng_ds_deb, ut_ss_fp_appmng_ds_undeb, g_ss_fp_appmng_ds_debug);
    toggle(ut_ss_fp_appmng_io_deb, ut_ss_fp_appmng_io_undeb, g_ss_fp_appmng_io_debug);
    toggle(ut_ss_fp_appmng_counter_deb, ut_ss_fp_appmng_counter_undeb, g_ss_fp_appmng_counter_debug);
    toggle(ut_ss_fp_appmng_res_deb, ut_ss_fp_appmng_res_undeb, g_ss_fp_appmng_res_debug);
    run(out, "print_buffer", print_buffer);
    EXPECT_TRUE(fpss_test::golden("exerciser/views.txt", out));
}

// Selections pick every match; counters show and clear only the pairs with packets.
TEST(ExerciserViews, AclsCountersAndClearing) {
    std::vector<std::vector<uint8_t>> blocks;
    auto block = [&](size_t size) { return blocks.emplace_back(size).data(); };
    auto *root = reinterpret_cast<ss_fp_appmng_root_t *>(block(sizeof(ss_fp_appmng_root_t)));
    std::vector<ss_fp_appmng_acl_node_t *> acls;
    for (auto [id, type] : {std::pair{1, 13}, {2, 13}, {2, 13}, {3, 187}, {4, -1}, {1, 0}}) {
        auto *n = reinterpret_cast<ss_fp_appmng_acl_node_t *>(block(sizeof(ss_fp_appmng_acl_node_t)));
        n->acl = {id, type, 3, 10 * id}, n->ds_time = 11, n->ace_cnt = 1, n->apply_cnt = 2, n->is_pi = 1;
        append(&root->acl_list, &n->link), acls.push_back(n);
    }
    std::vector<ss_fp_appmng_ace_node_t *> aces;
    const uint32_t packets[][3] = {{0, 5, 0}, {0, 0, 0}, {0, 0, 2}, {1, 1, 1}, {5, 0, 3}, {3, 1, 0}, {4, 0, 1}};
    for (const auto &p : packets) {  // ACL, ptk_cnt, ptk_cnt1; byte counts are never 0
        ss_fp_appmng_ace_t *a = nullptr;
        ut_ss_fp_appmng_alloc_ace_diff(&a, static_cast<uint32_t>(aces.size() + 1));
        auto *n = reinterpret_cast<ss_fp_appmng_ace_node_t *>(block(sizeof(ss_fp_appmng_ace_node_t) + 99));
        std::memcpy(n->ace, a, 99), ut_ss_fp_appmng_free_ace(a);
        n->ace_sn = 0x101 + aces.size(), n->ptk_cnt = p[1], n->byte_cnt = p[1] * 64 + 1, n->ptk_cnt1 = p[2];
        n->byte_cnt1 = p[2] * 64 + 2, n->ds_time = 5, n->ace_db = 6, n->req_uuid = 0xabc, n->status = 7;
        append(&acls[p[0]]->ace_list, &n->link), aces.push_back(n);
    }
    auto *apply = reinterpret_cast<ss_fp_appmng_apply_node_t *>(block(sizeof(ss_fp_appmng_apply_node_t) + 163));
    ss_fp_appmng_apply_t *built = nullptr;
    ut_ss_fp_appmng_alloc_apply(&built);
    std::memcpy(apply->apply, built, 163), ut_ss_fp_appmng_free_apply(built);
    apply->ds_time = 8, apply->is_pi = 1, append(&acls[0]->apply_list, &apply->link);

    std::string out;
    for (auto p :
         {std::pair{0u, 0}, {0u, 2}, {13u, 0}, {13u, 2}, {5u, 1}, {7u, 0}, {185u, 0}, {186u, 0}, {UINT32_MAX, 0}}) {
        run(out, "acls", [&] { return ut_ss_fp_appmng_dump_acl(root, p.first, p.second); });
        run(out, "counters", [&] { return ut_ss_fp_appmng_dump_acl_counter(root, p.first, p.second); });
    }
    run(out, "one acl", [&] {  // and none
        ut_ss_fp_appmng_dump_ace_counter(nullptr), ut_ss_fp_appmng_clear_ace_counter(nullptr);
        return ut_ss_fp_appmng_dump_ace_counter(acls[0]), ut_ss_fp_appmng_clear_ace_counter(acls[0]), 0;
    });
    for (int32_t id : {2, 0, 0}) {
        run(out, "clear", [&] { return ut_ss_fp_appmng_clear_acl_counter(root, id ? 13 : 0, id); });
        for (const auto *n : aces) out += fpss_test::hex(&n->byte_cnt, 32);
    }
    run(out, "null", [] {
        return ut_ss_fp_appmng_dump_acl(nullptr, 0, 0) * 100 + ut_ss_fp_appmng_dump_acl_counter(nullptr, 0, 0) * 10 +
               ut_ss_fp_appmng_clear_acl_counter(nullptr, 0, 0);
    });
    EXPECT_TRUE(fpss_test::golden("exerciser/acls.txt", out));
}

}  // namespace
