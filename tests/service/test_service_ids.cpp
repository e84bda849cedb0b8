// Service ids: a table of steps logs each result with the out-parameters, the
// handle's counters, the live allocations and what was printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <utility>

#include "fpss_test.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"
#include "ss_fp_service.h"

using namespace fpss_test;

namespace {

// A step: an operation ("libss_fp_" left out) with its arguments, or any expression.
#define OP(name, ...) DO(libss_fp_##name(__VA_ARGS__))
#define DO(expr) std::make_pair(#expr, std::function<int()>([&] { return static_cast<int>(expr); }))
#define OOM(k, name, ...) DO((FaultInjector::fail_nth(k), libss_fp_##name(__VA_ARGS__)))  // k-th allocation fails

ss_fp_service_hdl_t *hdl;  // the handle of the script
uint32_t g_visits;

// Allocates an outbound id for the id verified (the registry may be called
// from here) and returns its argument.
int out_on_verify(uint32_t id, uint32_t arg) {
    uint32_t out = 0;
    return libss_fp_alloc_service_id_out(hdl, id, &out) != 0 ? -5 : static_cast<int>(arg);
}
// Counts the nodes walked and stops at id 'arg'.
int visit(ss_fp_service_in_node_t *n, uint64_t arg) { return ++g_visits, n->serv_id_in == arg ? 9 : 0; }

TEST(Service, ScriptMatchesItsDataFile) {
    reset_mem_stats();
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    malloc_free_sw = 1;
    uint32_t id = 0, back = 0, state = 0;
    ss_fp_service_para_t got{};
    std::string log;
    ss_fp_mem_info_t key{"app/ss_fp_service", 0, {}};
    // Runs a step, notices and assertions on; logs it with id 1's state, lines (checked positive) and addresses masked.
    auto run = [&](const std::string &what, const std::function<int()> &fn) {
        static const std::regex line(R"((\[)[1-9]\d*(\]:)|(: )[1-9]\d*(\.\n))"), address(R"(\(0x[0-9a-f]+\))");
        int rc = 0;
        fp_debug_sw = SS_FP_DBG_FLAG_NOTICE | SS_FP_DBG_FLAG_ASSERT;
        const std::string out = flushed_output([&] { rc = fn(); });
        fp_debug_sw = 0;
        if (hdl != nullptr) libss_fp_get_service_id_info(hdl, 1, &state, nullptr);
        const ss_fp_service_hdl_t c = hdl != nullptr ? *hdl : ss_fp_service_hdl_t{};
        char head[256];
        std::snprintf(head, sizeof head,
                      " = %d | id %u back %u state %u user %llu para %.*s | in %u/%u out %u/%u live %d\n", rc, id, back,
                      state, static_cast<unsigned long long>(got.user_data), got.para ? int(got.paralen) : 1,
                      got.para ? static_cast<char *>(got.para) : "-", c.last_id_in, c.service_id_in_num, c.last_id_out,
                      c.service_id_out_num, ss_fp_mem_info_hash_find(&key)->count);
        log += what + head + std::regex_replace(std::regex_replace(out, line, "$1$3L$2$4"), address, "(P)");
        if (!out.empty()) log += "\n";
    };
    char bytes[] = "acl 7 port 3";
    const ss_fp_service_para_t para{0xABCDEF0123456789ull, 12, bytes}, zero{5, 0, nullptr}, no_bytes{0, 16, nullptr},
        huge{0, 0x7FFFFFF0u, bytes};
    // clang-format off
    const std::pair<const char *, std::function<int()>> steps[] = {
        // Ids from 1, counted apart for the two sides; parameters copied.
        OP(alloc_service_hdl, &hdl), OP(service_dump, hdl), OP(alloc_service_id_in, hdl, &para, &id),
        DO(std::memset(bytes, 'x', 12) != bytes), OP(alloc_service_id_in, hdl, nullptr, &id),
        OP(alloc_service_id_out, hdl, 2, &id), OP(alloc_service_id_out, hdl, 1, &id),
        OP(alloc_service_id_out, hdl, 1, &id), OP(get_service_id_in, hdl, 1, &back),
        OP(get_service_id_info, hdl, 1, &state, &got), OP(service_dump, hdl),
        // Receipts (a freed outbound id counts as one) and verifications.
        OP(set_service_id_out_recv, hdl, 2), OP(free_service_id_out, hdl, 3),
        OP(verify_service_id_in, hdl, 1, nullptr, 0), OP(alloc_service_id_out, hdl, 1, &id),
        OP(verify_service_id_in, hdl, 1, nullptr, 0), OP(set_service_id_out_recv, hdl, 4),
        OP(verify_service_id_in, hdl, 1, out_on_verify, 42),
        // The walk stops at the first non-zero result; an inbound id goes with its outbound ids.
        OP(travel_all_service_id_in, hdl, visit, 0), DO(g_visits), OP(travel_all_service_id_in, hdl, visit, 1),
        DO(g_visits), OP(alloc_service_id_out, hdl, 2, &id), OP(service_dump, hdl), OP(free_service_id_in, hdl, 2),
        OP(get_service_id_in, hdl, 1, &back), OP(get_service_id_in, hdl, 5, nullptr),
        // Unknown ids, bad arguments and no handle.
        OP(free_service_id_in, hdl, 2), OP(alloc_service_id_out, hdl, 9, &id), OP(set_service_id_out_recv, hdl, 9),
        OP(free_service_id_out, hdl, 9), OP(get_service_id_in, hdl, 9, &back),
        OP(get_service_id_info, hdl, 9, &state, &got), OP(verify_service_id_in, hdl, 9, out_on_verify, 42),
        OP(alloc_service_id_in, hdl, &no_bytes, &id), OP(alloc_service_id_in, hdl, &huge, &id),
        OP(alloc_service_id_in, hdl, nullptr, nullptr), OP(alloc_service_id_out, hdl, 1, nullptr),
        OP(travel_all_service_id_in, hdl, nullptr, 0), OP(alloc_service_hdl, nullptr),
        OP(alloc_service_id_in, nullptr, nullptr, &id), OP(alloc_service_id_out, nullptr, 1, &id),
        OP(set_service_id_out_recv, nullptr, 1), OP(get_service_id_in, nullptr, 1, &back),
        OP(get_service_id_info, nullptr, 1, &state, &got), OP(verify_service_id_in, nullptr, 1, out_on_verify, 0),
        OP(travel_all_service_id_in, nullptr, visit, 0), OP(free_service_id_in, nullptr, 1), OP(service_dump, nullptr),
        OP(free_service_hdl, nullptr),
        // Failed allocations (1: the node, 2: its link) give the id out again.
        OOM(1, alloc_service_id_in, hdl, nullptr, &id), OOM(2, alloc_service_id_in, hdl, nullptr, &id),
        OOM(1, alloc_service_id_out, hdl, 1, &id), OOM(2, alloc_service_id_out, hdl, 1, &id),
        OP(alloc_service_id_in, hdl, &zero, &id), OP(get_service_id_info, hdl, 3, nullptr, &got),
        // Ids wrap to 1, passing over ids still live.
        DO(hdl->last_id_in = 0xFFFFFFFEu), OP(alloc_service_id_in, hdl, nullptr, &id),
        OP(alloc_service_id_in, hdl, nullptr, &id), OP(free_service_id_in, hdl, 1),
        DO(hdl->last_id_in = hdl->last_id_out = 0xFFFFFFFFu), OP(alloc_service_id_in, hdl, nullptr, &id),
        OP(alloc_service_id_out, hdl, 1, &id), OP(service_dump, hdl),
        DO((libss_fp_free_service_hdl(hdl), hdl = nullptr) == nullptr)};
    // clang-format on
    for (const auto &[what, fn] : steps) run(what, fn);
    // A new handle whose k-th allocation fails (1: the handle, 2-4: the inbound
    // table, 5-7: the outbound table, 8: none) leaves nothing behind.
    for_each_fault(8, [&](int k) {
        run("new handle, allocation " + std::to_string(k) + " failing", [&] {
            const int rc = libss_fp_alloc_service_hdl(&hdl);
            return libss_fp_free_service_hdl(hdl), hdl = nullptr, rc;
        });
    });
    EXPECT_TRUE(golden("service/script.txt", log));
}

}  // namespace
