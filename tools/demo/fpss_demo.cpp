// A host program that links the library as an FP module would: it starts the
// library, turns the allocation statistics on, times and counts operations of
// a few modules, ties outgoing requests to an incoming one with service ids,
// writes operation-log lines, builds and releases resource records, dumps an
// ACE, and ends with the registry dumps, the service dump and the allocation
// report.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "libss_fp_pub.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_log_op.h"
#include "ss_fp_mem.h"
#include "ss_fp_res.h"
#include "ss_fp_service.h"

namespace {

constexpr const char *kFile = "tools/fpss_demo";

void heading(const char *text) {
    std::printf("\n== %s\n", text);
    std::fflush(stdout);
}

// A module's figures: one timed operation per ACE, one counter per outcome.
void work_on(int mod, const char *grp, int aces) {
    fp_pub_hdl_t *h = fp_pub_hdl[mod];
    if (h == nullptr) return;
    for (int i = 0; i < aces; ++i) {
        h->cap_hdl.start(&h->cap_hdl, grp, "add_ace");
        usleep(200);
        h->cap_hdl.stop(&h->cap_hdl, grp, "add_ace");
        h->cnt_hdl.inc(&h->cnt_hdl, grp, i % 4 == 3 ? "add_ace_fail" : "add_ace_ok");
    }
    h->cap_hdl.start(&h->cap_hdl, grp, "commit");
    usleep(500);
    h->cap_hdl.stop(&h->cap_hdl, grp, "commit");
}

// An ACE matching a destination MAC and a VLAN, with a redirect action.
ss_fp_appmng_ace_t *build_ace() {
    uint32_t rules[SS_FP_RULE_FLAG_WORDS] = {};
    uint32_t actions[SS_FP_ACTION_FLAG_WORDS] = {};
    rules[0] = (1u << SS_FP_RULE_MAC_DST) | (1u << SS_FP_RULE_VID);
    actions[0] = 1u << SS_FP_ACTION_REDIRECT;
    uint32_t rule_len = ss_fp_rule_value_len(SS_FP_RULE_MAC_DST) + ss_fp_rule_value_len(SS_FP_RULE_VID);
    uint32_t action_len = ss_fp_action_value_len(SS_FP_ACTION_REDIRECT);
    auto *ace = static_cast<ss_fp_appmng_ace_t *>(
        ss_fp_malloc(static_cast<int>(sizeof(ss_fp_appmng_ace_t) + rule_len + action_len), kFile));
    if (ace == nullptr) return nullptr;
    ace->sn = 10;
    ace->sub_sn = 1;
    ace->ace_pri = 100;
    std::memcpy(ace->rule_flags, rules, sizeof rules);
    std::memcpy(ace->action_flags, actions, sizeof actions);
    ace->rule_len = static_cast<uint16_t>(rule_len);
    ace->action_len = static_cast<uint16_t>(action_len);
    const uint8_t mac[] = {0x00, 0x1b, 0x21, 0x3c, 0x4d, 0x5e, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    uint32_t at = ss_fp_rule_value_offset(ace->rule_flags, SS_FP_RULE_MAC_DST);
    std::memcpy(ace->buffer + at, mac, std::min<size_t>(sizeof mac, ss_fp_rule_value_len(SS_FP_RULE_MAC_DST)));
    at = ss_fp_rule_value_offset(ace->rule_flags, SS_FP_RULE_VID);
    const uint16_t vid[] = {100, 0xfff};
    std::memcpy(ace->buffer + at, vid, std::min<size_t>(sizeof vid, ss_fp_rule_value_len(SS_FP_RULE_VID)));
    const uint32_t port = 7;
    std::memcpy(ace->buffer + rule_len + ss_fp_action_value_offset(ace->action_flags, SS_FP_ACTION_REDIRECT), &port,
                std::min<size_t>(sizeof port, action_len));
    return ace;
}

std::string process_name() {
    std::ifstream status("/proc/self/status");
    std::string key, name;
    status >> key >> name;
    return name;
}

}  // namespace

int main() {
    heading("start-up");
    int rc = ss_fp_debug_init();
    std::printf("ss_fp_debug_init: %d\n", rc);
    ss_fp_debug_malloc_free_sw(1);

    heading("timing and counting on three modules");
    work_on(FP_MOD_APPMNG, "acl", 8);
    work_on(FP_MOD_TCAM, "entry", 5);
    work_on(FP_MOD_INSTALL, "hw", 3);
    std::printf("done: APPMNG 8 ACEs, TCAM 5 entries, INSTALL 3 writes\n");

    heading("service ids: one incoming request, three outgoing");
    ss_fp_service_hdl_t *svc = nullptr;
    if (libss_fp_alloc_service_hdl(&svc) == 0) {
        uint32_t in = 0, out[3] = {};
        const char para[] = "add acl 10";
        ss_fp_service_para_t p = {42, sizeof para, const_cast<char *>(para)};
        libss_fp_alloc_service_id_in(svc, &p, &in);
        for (auto &o : out) libss_fp_alloc_service_id_out(svc, in, &o);
        libss_fp_set_service_id_out_recv(svc, out[0]);
        libss_fp_set_service_id_out_recv(svc, out[1]);
        std::printf("inbound %u, outbound %u %u %u; two answers in\n", in, out[0], out[1], out[2]);
        libss_fp_service_dump(svc);
        libss_fp_set_service_id_out_recv(svc, out[2]);
        std::printf("\nverify after the last answer: %d\n", libss_fp_verify_service_id_in(svc, in, nullptr, 0));
        libss_fp_free_service_id_in(svc, in);
        libss_fp_free_service_hdl(svc);
    }

    heading("operation log and an ACE");
    ss_fp_appmng_acl_t acl = {10, 1, 0, 2};
    ss_fp_appmng_ace_t *ace = build_ace();
    ss_fp_log_op_acl(&acl, nullptr, 0);
    if (ace != nullptr) {
        ss_fp_log_op_ace(&acl, ace, nullptr, 0);
        ss_fp_appmng_dump_ace(ace);
        std::printf("\n");
        ss_fp_free(ace, kFile);
    }
    ss_fp_log_notify("port", 1, 3, 2);
    ssd_policy_log("demo: policy 7 committed");

    heading("resource records");
    auto **units = static_cast<SPolicy__UnitResNode **>(ss_fp_calloc(2, sizeof(SPolicy__UnitResNode *), kFile));
    ss_fp_malloc_unit_res_node(units, 2, 3, 4);
    std::printf("2 units of 3 resources of 4 slices built: unit 1 has %zu resources\n",
                units != nullptr && units[1] != nullptr ? units[1]->n_res : size_t(0));
    ss_fp_free_unit_res_node(units, 2, 3, 4);

    heading("capture registries of every module");
    ut_libss_fp_cap_dump_all();
    heading("counter registries of every module");
    ut_libss_fp_cnt_op(3, 0, nullptr, 0);

    heading("allocation report");
    ss_fp_debug_dump_mem_use_info_all(1);

    std::string name = process_name();
    heading("log files");
    std::printf("operation log: /tmp/zlog/ss_fp_log/%s.log and /tmp/zlog/ss_fp_log/%s_1.log\n", name.c_str(),
                name.c_str());
    std::printf("debug log:     /tmp/zlog/%s_log0.txt\n", name.c_str());
    return rc == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
