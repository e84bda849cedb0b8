// Application-manager simulator (see appmng_sim.h).
#include "appmng_sim.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace appmng_sim {
namespace {

constexpr size_t kRecent = 8;  // rows kept in the service table

struct State {
    bool ready = false;
    ss_fp_appmng_root_t root{};
    ss_fp_list_t uplinks[UT_SS_FP_APPMNG_UPLINK_TYPES]{};
    ss_fp_appmng_uplink_node_t uplink_nodes[2]{};
    libss_hash_t *services = nullptr;
    ss_fp_appmng_service_dm_node_t rows[kRecent]{};
    uint32_t next_out = 0;  // outbound id of the last row
    int32_t seq = 0;        // requests served; stamped as ds_time
};
State g;

void list_init(ss_fp_list_t *head) { head->next = head->prev = head; }

void list_add_tail(ss_fp_list_t *head, ss_fp_list_t *link) {
    link->prev = head->prev;
    link->next = head;
    head->prev->next = link;
    head->prev = link;
}

void list_del(ss_fp_list_t *link) {
    link->prev->next = link->next;
    link->next->prev = link->prev;
}

template <typename Node>
Node *node_of(ss_fp_list_t *link) {
    return reinterpret_cast<Node *>(reinterpret_cast<char *>(link) - offsetof(Node, link));
}

// The first node of a list that 'match' accepts, or null.
template <typename Node, typename Fn>
Node *find(ss_fp_list_t *head, Fn match) {
    for (ss_fp_list_t *l = head->next; l != head; l = l->next)
        if (match(node_of<Node>(l))) return node_of<Node>(l);
    return nullptr;
}

uint32_t row_hash(void *item) { return static_cast<ss_fp_appmng_service_dm_node_t *>(item)->service_out; }
int row_cmp(void *item, void *key) {
    return static_cast<ss_fp_appmng_service_dm_node_t *>(item)->service_out ==
                   static_cast<ss_fp_appmng_service_dm_node_t *>(key)->service_out
               ? 0
               : -1;
}

void set_up() {
    if (g.ready) return;
    g.ready = true;
    list_init(&g.root.acl_list);
    for (ss_fp_list_t &h : g.uplinks) list_init(&h);
    const uint32_t phyids[] = {0x07001B1E, 0x07001902};
    const int types[] = {0, 2};
    for (int i = 0; i < 2; ++i) {
        g.uplink_nodes[i].phyid = phyids[i];
        g.uplink_nodes[i].intf_type = 1;
        list_add_tail(&g.uplinks[types[i]], &g.uplink_nodes[i].link);
    }
    g.services = libss_create_hash(kRecent, row_hash, row_cmp);
    std::strcpy(g_ss_fp_appmng_time.name, "appmng request");
    for (int op = 0; op < UT_SS_FP_APPMNG_TIMES; ++op)
        std::strncpy(g_ss_fp_appmng_times[op].name, g_ss_fp_op_string_1[op], sizeof g_ss_fp_appmng_times[op].name - 1);
}

void *node_alloc(size_t size) {
    void *p = std::calloc(1, size);
    if (p != nullptr) ++g_ss_fp_appmng_malloc;
    return p;
}

void node_free(void *p) {
    std::free(p);
    --g_ss_fp_appmng_malloc;
}

ss_fp_appmng_acl_node_t *find_acl(const ss_fp_appmng_acl_t &acl) {
    return find<ss_fp_appmng_acl_node_t>(&g.root.acl_list, [&](ss_fp_appmng_acl_node_t *n) {
        return n->acl.acl_id == acl.acl_id && n->acl.app_type == acl.app_type;
    });
}

ss_fp_appmng_ace_node_t *find_ace(ss_fp_appmng_acl_node_t *acl, uint64_t sn) {
    return find<ss_fp_appmng_ace_node_t>(&acl->ace_list, [&](ss_fp_appmng_ace_node_t *n) { return n->ace_sn == sn; });
}

const ss_fp_appmng_apply_t *apply_of(const ss_fp_appmng_apply_node_t *n) {
    return reinterpret_cast<const ss_fp_appmng_apply_t *>(n->apply);
}

ss_fp_appmng_apply_node_t *find_apply(ss_fp_appmng_acl_node_t *acl, uint32_t phyid) {
    return find<ss_fp_appmng_apply_node_t>(&acl->apply_list,
                                           [&](ss_fp_appmng_apply_node_t *n) { return apply_of(n)->phyid == phyid; });
}

int32_t add_acl(const ss_fp_appmng_acl_t &acl) {
    if (find_acl(acl) != nullptr) return kExists;
    auto *n = static_cast<ss_fp_appmng_acl_node_t *>(node_alloc(sizeof(ss_fp_appmng_acl_node_t)));
    if (n == nullptr) return kNoMemory;
    n->acl = acl;
    n->ds_time = g.seq;
    list_init(&n->ace_list);
    list_init(&n->apply_list);
    list_add_tail(&g.root.acl_list, &n->link);
    return 0;
}

void remove_ace(ss_fp_appmng_acl_node_t *acl, ss_fp_appmng_ace_node_t *n) {
    list_del(&n->link);
    node_free(n);
    --acl->ace_cnt;
}

void remove_apply(ss_fp_appmng_acl_node_t *acl, ss_fp_appmng_apply_node_t *n) {
    list_del(&n->link);
    node_free(n);
    --acl->apply_cnt;
}

int32_t del_acl(const ss_fp_appmng_acl_t &acl) {
    ss_fp_appmng_acl_node_t *n = find_acl(acl);
    if (n == nullptr) return kNotFound;
    while (n->ace_list.next != &n->ace_list) remove_ace(n, node_of<ss_fp_appmng_ace_node_t>(n->ace_list.next));
    while (n->apply_list.next != &n->apply_list)
        remove_apply(n, node_of<ss_fp_appmng_apply_node_t>(n->apply_list.next));
    list_del(&n->link);
    node_free(n);
    return 0;
}

// Copies an ACE with its values into a new node at the tail of the ACL's list.
int32_t add_ace(ss_fp_appmng_acl_node_t *acl, const ss_fp_appmng_ace_t *ace, uint32_t uuid) {
    if (find_ace(acl, ace->sn) != nullptr) return kExists;
    size_t size = sizeof *ace + ace->rule_len + ace->action_len;
    auto *n = static_cast<ss_fp_appmng_ace_node_t *>(node_alloc(sizeof(ss_fp_appmng_ace_node_t) + size));
    if (n == nullptr) return kNoMemory;
    std::memcpy(n->ace, ace, size);
    n->ace_sn = ace->sn;
    n->ds_time = g.seq;
    n->req_uuid = uuid;
    list_add_tail(&acl->ace_list, &n->link);
    ++acl->ace_cnt;
    return 0;
}

int32_t add_apply(ss_fp_appmng_acl_node_t *acl, const ss_fp_appmng_apply_t *apply) {
    if (find_apply(acl, apply->phyid) != nullptr) return kExists;
    size_t size = sizeof *apply + apply->action_len + apply->rule_len;
    auto *n = static_cast<ss_fp_appmng_apply_node_t *>(node_alloc(sizeof(ss_fp_appmng_apply_node_t) + size));
    if (n == nullptr) return kNoMemory;
    std::memcpy(n->apply, apply, size);
    n->ds_time = g.seq;
    list_add_tail(&acl->apply_list, &n->link);
    ++acl->apply_cnt;
    return 0;
}

// An ACE update names the ACE it replaces by its old sequence number; an ACL
// action update replaces the ACL's first apply.
int32_t update_action(ss_fp_appmng_acl_node_t *acl, const ut_ss_fp_appmng_acl_req_t *r) {
    if (r->record.ace == nullptr) return kBadRequest;
    if (r->old_sn != 0) {
        ss_fp_appmng_ace_node_t *old = find_ace(acl, r->old_sn);
        if (old == nullptr) return kNotFound;
        remove_ace(acl, old);
        return add_ace(acl, r->record.ace, r->header.service_id);
    }
    if (acl->apply_list.next == &acl->apply_list) return kNotFound;
    remove_apply(acl, node_of<ss_fp_appmng_apply_node_t>(acl->apply_list.next));
    return add_apply(acl, r->record.apply);
}

int32_t counters(ss_fp_appmng_acl_node_t *acl, ut_ss_fp_appmng_counter_para_t *r) {
    r->cnt = r->ptk = 0;
    for (ss_fp_list_t *l = acl->ace_list.next; l != &acl->ace_list; l = l->next) {
        auto *n = node_of<ss_fp_appmng_ace_node_t>(l);
        if (r->header.op == SS_FP_APPMNG_ACL_COUNTER || n->ace_sn == r->ace_sn) {
            r->cnt += n->byte_cnt + n->byte_cnt1;
            r->ptk += n->ptk_cnt + n->ptk_cnt1;
        }
    }
    return 0;
}

int32_t serve(ss_fp_appmng_common_t *h) {
    auto *acl_req = reinterpret_cast<ut_ss_fp_appmng_acl_req_t *>(h);
    auto *ace_req = reinterpret_cast<ut_ss_fp_appmng_ace_req_t *>(h);
    switch (h->op) {
        case SS_FP_APPMNG_CRT_ACL:
            return add_acl(acl_req->acl);
        case SS_FP_APPMNG_DEL_ACL:
            return del_acl(acl_req->acl);
        default:
            break;
    }
    const bool ace_op = h->op == SS_FP_APPMNG_ADD_ACE || h->op == SS_FP_APPMNG_DEL_ACE;
    ss_fp_appmng_acl_node_t *acl = find_acl(ace_op ? ace_req->acl : acl_req->acl);
    if (acl == nullptr) return kNotFound;
    if (ace_op && ace_req->ace == nullptr) return kBadRequest;
    switch (h->op) {
        case SS_FP_APPMNG_ADD_ACE:
            return add_ace(acl, ace_req->ace, h->service_id);
        case SS_FP_APPMNG_DEL_ACE: {
            ss_fp_appmng_ace_node_t *n = find_ace(acl, ace_req->ace->sn);
            if (n == nullptr) return kNotFound;
            remove_ace(acl, n);
            return 0;
        }
        case SS_FP_APPMNG_APPLY_ACL:
        case SS_FP_APPMNG_UNAPPLY_ACL: {
            const ss_fp_appmng_apply_t *apply = acl_req->record.apply;
            if (apply == nullptr) return kBadRequest;
            if (h->op == SS_FP_APPMNG_APPLY_ACL) return add_apply(acl, apply);
            ss_fp_appmng_apply_node_t *n = find_apply(acl, apply->phyid);
            if (n == nullptr) return kNotFound;
            remove_apply(acl, n);
            return 0;
        }
        case SS_FP_APPMNG_ACL_COUNTER:
        case SS_FP_APPMNG_ACE_COUNTER:
            return counters(acl, reinterpret_cast<ut_ss_fp_appmng_counter_para_t *>(h));
        case SS_FP_APPMNG_UPDATE_ACE_ACTION:
            return update_action(acl, acl_req);
        default:
            return kBadRequest;
    }
}

// The request's row in the service table, replacing the oldest of the last eight.
void record_service(const ss_fp_appmng_common_t *h) {
    if (g.services == nullptr) return;
    ss_fp_appmng_service_dm_node_t &row = g.rows[g.next_out % kRecent];
    if (row.service_out != 0) libss_hash_del_item(g.services, &row);
    row = {++g.next_out, h->service_id, 1};
    if (libss_hash_insert_item(g.services, &row) != 0) row.service_out = 0;
}

}  // namespace

int32_t entry(void *req) {
    set_up();
    auto *h = static_cast<ss_fp_appmng_common_t *>(req);
    const uint32_t op = h->op;
    ut_ss_fp_appmng_time_start(&g_ss_fp_appmng_time);
    if (op < UT_SS_FP_APPMNG_TIMES) ut_ss_fp_appmng_time_start(&g_ss_fp_appmng_times[op]);
    ++g.seq;
    h->rv = serve(h);
    record_service(h);
    if (op < UT_SS_FP_APPMNG_TIMES) ut_ss_fp_appmng_time_stop(&g_ss_fp_appmng_times[op], 0);
    ut_ss_fp_appmng_time_stop(&g_ss_fp_appmng_time, 0);
    if (h->ss_fp_appmng_cb != nullptr) h->ss_fp_appmng_cb(h);
    return h->rv;
}

ss_fp_appmng_root_t *root() {
    set_up();
    return &g.root;
}

ss_fp_list_t *uplinks() {
    set_up();
    return g.uplinks;
}

libss_hash_t *service_table() {
    set_up();
    return g.services;
}

int32_t hit(int32_t acl_id, uint64_t sn, uint64_t packets, uint64_t bytes) {
    set_up();
    ss_fp_appmng_acl_node_t *acl = find<ss_fp_appmng_acl_node_t>(
        &g.root.acl_list, [&](ss_fp_appmng_acl_node_t *n) { return n->acl.acl_id == acl_id; });
    ss_fp_appmng_ace_node_t *ace = acl != nullptr ? find_ace(acl, sn) : nullptr;
    if (ace == nullptr) return kNotFound;
    ace->ptk_cnt += packets;
    ace->byte_cnt += bytes;
    return 0;
}

}  // namespace appmng_sim
