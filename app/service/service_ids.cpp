// Service ids: inbound ids for the requests a process serves, outbound ids for
// the requests it sends on their behalf, receipt, verification, lookups both
// ways, the walk and the dump. Every operation holds the handle's mutex for
// its whole work.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/list.h"
#include "core/locks.h"
#include "core/report.h"
#include "core/stdout.h"
#include "hash/hash_insert.h"
#include "memory/mem_stats.h"
#include "ss_fp_mem.h"
#include "ss_fp_service.h"

static_assert(std::is_standard_layout_v<ss_fp_service_hdl_t> && std::is_standard_layout_v<ss_fp_service_in_node_t> &&
                  std::is_standard_layout_v<ss_fp_service_out_node_t> &&
                  std::is_standard_layout_v<ss_fp_service_para_t>,
              "C records");
// Callers read inbound nodes in the walk: their field order is interface.
static_assert(offsetof(ss_fp_service_in_node_t, serv_id_in) == 0 && offsetof(ss_fp_service_in_node_t, serv_out) == 4 &&
                  offsetof(ss_fp_service_in_node_t, out_recv) == 8 && offsetof(ss_fp_service_in_node_t, state) == 12 &&
                  offsetof(ss_fp_service_in_node_t, service_out_list) == 16 &&
                  offsetof(ss_fp_service_in_node_t, user_data) == 32 &&
                  offsetof(ss_fp_service_in_node_t, paralen) == 40 && offsetof(ss_fp_service_in_node_t, para) == 44,
              "inbound node layout");

namespace fpss {
namespace service {
namespace {

constexpr const Family &kFamily = family::kService;
// Expected items of each table.
constexpr uint32_t kTableSize = 512;
constexpr int kNoMem = -12;
constexpr int kNotFound = -1;

using Hdl = ss_fp_service_hdl_t;
using InNode = ss_fp_service_in_node_t;
using OutNode = ss_fp_service_out_node_t;

// What tells the inbound side of a handle from the outbound side: the node's
// key, the table, count and last issued id of its side, and the texts of the
// notices about its nodes.
template <class Node>
struct Side;

template <>
struct Side<InNode> {
    static uint32_t &key(InNode *n) { return n->serv_id_in; }
    static libss_hash_t *&table(Hdl *h) { return h->service_in_hash; }
    static uint32_t &live(Hdl *h) { return h->service_id_in_num; }
    static uint32_t &last(Hdl *h) { return h->last_id_in; }
    static constexpr int kAllocFailed = kNotFound;
    static constexpr const char *kAdd = "libss_fp_add_service_in_node";
    static constexpr const char *kAllocNotice = "libss_fp_alloc_service_in_node fail";
    static constexpr const char *kInsertNotice = "libss_hash_insert_item fail";
    static constexpr const char *kMissingNotice = "libss_fp_find_service_in_node failed";
};

template <>
struct Side<OutNode> {
    static uint32_t &key(OutNode *n) { return n->serv_out_id; }
    static libss_hash_t *&table(Hdl *h) { return h->service_out_hash; }
    static uint32_t &live(Hdl *h) { return h->service_id_out_num; }
    static uint32_t &last(Hdl *h) { return h->last_id_out; }
    static constexpr int kAllocFailed = kNoMem;
    static constexpr const char *kAdd = "libss_fp_add_service_out_node";
    static constexpr const char *kAllocNotice = "libss_fp_alloc_service_out_node failed";
    static constexpr const char *kInsertNotice = "libss_hash_insert_item failed";
    static constexpr const char *kMissingNotice = "libss_fp_find_service_out_node failed";
};

// The ids of one side of a handle: their table, issue, lookup, insertion and
// release. The functions ending in _locked expect the handle's mutex held.
template <class Node>
struct Ids {
    using S = Side<Node>;

    static uint32_t hash(void *item) { return S::key(static_cast<Node *>(item)); }
    static int cmp(void *item, void *key) {
        return static_cast<int>(S::key(static_cast<Node *>(item)) - S::key(static_cast<Node *>(key)));
    }
    static libss_hash_t *make_table() { return libss_create_hash(kTableSize, &hash, &cmp); }

    // The table's own walk, with this side's hash and comparison inlined:
    // both tables of a handle are made here, with these callbacks.
    static libss_hash_node_t *find_link_locked(libss_hash_t *t, uint32_t b, uint32_t id) {
        ss_fp_list_t *head = &t->buckets[b];
        for (ss_fp_list_t *l = head->next; l != head; l = l->next) {
            auto *link = reinterpret_cast<libss_hash_node_t *>(l);
            if (S::key(static_cast<Node *>(link->item)) == id) return link;
        }
        return nullptr;
    }

    static Node *find_locked(Hdl *h, uint32_t id) {
        libss_hash_t *t = S::table(h);
        libss_hash_node_t *link = find_link_locked(t, bucket_index(t, id), id);
        return link != nullptr ? static_cast<Node *>(link->item) : nullptr;
    }

    // Takes 'node' out of its table: libss_hash_del_item() by its key.
    static void unlink_locked(Hdl *h, Node *node) {
        libss_hash_t *t = S::table(h);
        const uint32_t b = bucket_index(t, S::key(node));
        if (libss_hash_node_t *link = find_link_locked(t, b, S::key(node))) hash_remove_link(t, b, link);
    }

    // The node of 'id', or null with the miss noticed as 'func'.
    static Node *find_noticed_locked(const char *func, Hdl *h, uint32_t id) {
        Node *node = find_locked(h, id);
        if (node == nullptr) FPSS_NOTICE(func, "%s", S::kMissingNotice);
        return node;
    }

    // The id after the last one, from 1 to 0xFFFFFFFF and round again,
    // skipping ids still held by a live node (only possible once the counter
    // has wrapped). The live ids are all held, so at most live + 1 candidates
    // are tried.
    static uint32_t issue_locked(Hdl *h) {
        uint32_t id = S::last(h);
        for (uint64_t tries = 0; tries <= S::live(h); ++tries) {
            id = (id == UINT32_MAX) ? 1 : id + 1;
            if (S::live(h) == 0 || find_locked(h, id) == nullptr) break;  // no live node: no id is held
        }
        S::last(h) = id;
        return id;
    }

    // Undoes an issue that came to nothing, so the id is issued again next.
    static void roll_back_locked(Hdl *h, uint32_t id) {
        if (S::last(h) == id) S::last(h) = id - 1;
    }

    // The zeroed node of 'id' with room for 'extra' bytes after it, counted
    // and inserted. 0, the side's code when it cannot be allocated, or the
    // table's code.
    static int add_locked(Hdl *h, uint32_t id, uint32_t extra, Node **out) {
        Node *node = nullptr;
        if (extra <= static_cast<uint32_t>(INT_MAX) - sizeof(Node)) {
            node = static_cast<Node *>(tracked_malloc(static_cast<int>(sizeof(Node) + extra), kFamily.tag));
        }
        if (node == nullptr) {
            FPSS_NOTICE(S::kAdd, "%s", S::kAllocNotice);
            return S::kAllocFailed;
        }
        S::live(h)++;
        S::key(node) = id;
        HashWarning warning{};
        int rv = hash_insert_quiet(S::table(h), node, &warning);
        print_bucket_warning(warning);
        if (rv != 0) {
            FPSS_NOTICE(S::kAdd, "%s", S::kInsertNotice);
            release_locked(h, node);
            return rv;
        }
        *out = node;
        return 0;
    }

    // Frees a node that is in no table and no list, and uncounts it.
    static void release_locked(Hdl *h, Node *p) {
        if (!FPSS_CHECK(p != NULL)) return;
        tracked_free(p, kFamily.tag);
        S::live(h)--;
    }
};

// Removes an outbound node from its table and its inbound node's list, and frees it.
void drop_out_locked(Hdl *h, OutNode *out) {
    Ids<OutNode>::unlink_locked(h, out);
    list_del(&out->list);
    Ids<OutNode>::release_locked(h, out);
}

// Frees an inbound node and every outbound node it still has.
void drop_in_locked(Hdl *h, InNode *in) {
    while (!list_empty(&in->service_out_list)) {
        drop_out_locked(h, FPSS_LIST_ENTRY(in->service_out_list.next, OutNode, list));
    }
    FPSS_CHECK(list_empty(&in->service_out_list));
    Ids<InNode>::unlink_locked(h, in);
    Ids<InNode>::release_locked(h, in);
}

// The frame of the operations on one registered id: the handle check, the
// handle's mutex for the whole operation and the lookup of 'id' among the
// nodes of type Node. Returns 'op(handle, node)', or 'fail' for a null handle
// or an id not in the table (noticed as 'func').
template <class Node, class Op>
int on_id(const char *func, Hdl *service_hdl, uint32_t id, int fail, Op op) {
    if (!FPSS_CHECK(service_hdl != NULL)) return fail;
    MutexLock guard(&service_hdl->mutex);
    Node *node = Ids<Node>::find_noticed_locked(func, service_hdl, id);
    return node != nullptr ? op(service_hdl, node) : fail;
}

int free_in_node_visit(void *item, void *arg) {
    drop_in_locked(static_cast<Hdl *>(arg), static_cast<InNode *>(item));
    return 0;
}

int dump_in_node_visit(void *item, void *) {
    auto *in = static_cast<InNode *>(item);
    say("\r\n(%p)serv_id_in=0x%x,serv_out=0x%x,out_recv=0x%x,state=%d,paralen=0x%x", item, in->serv_id_in, in->serv_out,
        in->out_recv, static_cast<int>(in->state), in->paralen);
    for (ss_fp_list_t *l = in->service_out_list.next; l != &in->service_out_list; l = l->next) {
        OutNode *out = FPSS_LIST_ENTRY(l, OutNode, list);
        say("\r\n(%p)serv_out_id=0x%x, serv_in_id=0x%x", static_cast<void *>(out), out->serv_out_id,
            out->node_in->serv_id_in);
    }
    return 0;
}

struct Walk {
    ss_fp_service_travel_func_t func;
    uint64_t arg;
};

int walk_visit(void *item, void *arg) {
    auto *w = static_cast<Walk *>(arg);
    return w->func(static_cast<InNode *>(item), w->arg);
}

}  // namespace

int make_handle(Hdl **service_hdl) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNoMem;
    auto *h = static_cast<Hdl *>(ss_fp_malloc(sizeof(Hdl), kFamily.tag));
    if (h == nullptr) {
        FPSS_NOTICE("libss_fp_alloc_service_hdl", "SS_FP_MALLOC fail");
        return kNoMem;
    }
    if (pthread_mutex_init(&h->mutex, nullptr) != 0) {
        FPSS_NOTICE("libss_fp_alloc_service_hdl", "pthread_mutex_init failed");
        ss_fp_free(h, kFamily.tag);
        return kNoMem;
    }
    h->service_in_hash = Ids<InNode>::make_table();
    if (h->service_in_hash != nullptr) h->service_out_hash = Ids<OutNode>::make_table();
    if (h->service_out_hash == nullptr) {
        FPSS_NOTICE("libss_fp_alloc_service_hdl", "libss_create_hash fail");
        libss_destroy_hash(h->service_in_hash);
        pthread_mutex_destroy(&h->mutex);
        ss_fp_free(h, kFamily.tag);
        return kNoMem;
    }
    *service_hdl = h;
    return 0;
}

int free_handle(Hdl *service_hdl) {
    if (!FPSS_CHECK(service_hdl != NULL)) return 0;
    {
        MutexLock guard(&service_hdl->mutex);
        libss_hash_each_item_op(service_hdl->service_in_hash, &free_in_node_visit, service_hdl);
        libss_destroy_hash(service_hdl->service_in_hash);
        libss_destroy_hash(service_hdl->service_out_hash);
        service_hdl->service_in_hash = service_hdl->service_out_hash = nullptr;
    }
    pthread_mutex_destroy(&service_hdl->mutex);
    ss_fp_free(service_hdl, kFamily.tag);
    return 0;
}

int open_in(Hdl *service_hdl, const ss_fp_service_para_t *para, uint32_t *serv_id_in) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    if (!FPSS_CHECK(serv_id_in != NULL)) return kNotFound;
    if (para != nullptr && para->paralen != 0 && !FPSS_CHECK(para->para != NULL)) return kNotFound;
    uint32_t paralen = para != nullptr ? para->paralen : 0;
    MutexLock guard(&service_hdl->mutex);
    uint32_t id = Ids<InNode>::issue_locked(service_hdl);
    *serv_id_in = id;
    InNode *node = nullptr;
    int rv = Ids<InNode>::add_locked(service_hdl, id, paralen, &node);
    if (rv != 0) {
        FPSS_NOTICE("libss_fp_alloc_service_id_in", "libss_fp_add_service_in_node failed");
        Ids<InNode>::roll_back_locked(service_hdl, id);
        return rv;
    }
    node->paralen = paralen;
    if (para != nullptr) {
        if (paralen != 0) std::memcpy(node->para, para->para, paralen);
        node->user_data = para->user_data;
    }
    node->state = SS_FP_SERVICE_STATE_NEW;
    list_init(&node->service_out_list);
    return 0;
}

int open_out(Hdl *service_hdl, uint32_t serv_id_in, uint32_t *serv_out_id) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    if (!FPSS_CHECK(serv_out_id != NULL)) return kNotFound;
    MutexLock guard(&service_hdl->mutex);
    uint32_t id = Ids<OutNode>::issue_locked(service_hdl);
    *serv_out_id = id;
    // An unregistered inbound id uses the issued id up.
    InNode *in = Ids<InNode>::find_noticed_locked("libss_fp_alloc_service_id_out", service_hdl, serv_id_in);
    if (in == nullptr) return kNotFound;
    OutNode *out = nullptr;
    int rv = Ids<OutNode>::add_locked(service_hdl, id, 0, &out);
    if (rv != 0) {
        FPSS_NOTICE("libss_fp_alloc_service_id_out", "libss_fp_add_service_out_node failed");
        Ids<OutNode>::roll_back_locked(service_hdl, id);
        return rv;
    }
    out->node_in = in;
    in->serv_out++;
    list_add_head(&out->list, &in->service_out_list);
    in->state = SS_FP_SERVICE_STATE_OUT;
    return 0;
}

// A received outbound id counts for its inbound id and is freed; the last
// one settles an inbound id that waited for it.
int receive(Hdl *service_hdl, uint32_t serv_out_id) {
    return on_id<OutNode>("libss_fp_set_service_id_out_recv", service_hdl, serv_out_id, kNotFound,
                          [](Hdl *h, OutNode *out) {
                              InNode *in = out->node_in;
                              in->out_recv++;
                              if (in->out_recv == in->serv_out && in->state == SS_FP_SERVICE_STATE_WAIT) {
                                  in->state = SS_FP_SERVICE_STATE_DONE;
                              }
                              drop_out_locked(h, out);
                              return 0;
                          });
}

int close_in(Hdl *service_hdl, uint32_t serv_id_in) {
    return on_id<InNode>("libss_fp_free_service_id_in", service_hdl, serv_id_in, 0, [](Hdl *h, InNode *in) {
        drop_in_locked(h, in);
        return 0;
    });
}

int inbound_of(Hdl *service_hdl, uint32_t serv_out_id, uint32_t *serv_id_in) {
    return on_id<OutNode>("libss_fp_get_service_id_in", service_hdl, serv_out_id, kNotFound,
                          [serv_id_in](Hdl *, OutNode *out) {
                              if (serv_id_in != nullptr) *serv_id_in = out->node_in->serv_id_in;
                              return 0;
                          });
}

// The parameter pointer given back points into the node: no bytes are copied.
int info_of(Hdl *service_hdl, uint32_t serv_id_in, uint32_t *state, ss_fp_service_para_t *para) {
    return on_id<InNode>("libss_fp_get_service_id_info", service_hdl, serv_id_in, kNotFound,
                         [state, para](Hdl *, InNode *in) {
                             if (state != nullptr) *state = in->state;
                             if (para != nullptr) {
                                 para->user_data = in->user_data;
                                 para->paralen = in->paralen;
                                 para->para = in->paralen != 0 ? in->para : nullptr;
                             }
                             return 0;
                         });
}

// 'func' runs after the mutex is released, so it may use the handle again.
int verify(Hdl *service_hdl, uint32_t serv_id_in, ss_fp_service_verify_func_t func, uint32_t arg) {
    int rv = on_id<InNode>("libss_fp_verify_service_id_in", service_hdl, serv_id_in, kNotFound, [](Hdl *, InNode *in) {
        bool all_in = in->serv_out == in->out_recv;
        in->state = all_in ? SS_FP_SERVICE_STATE_DONE : SS_FP_SERVICE_STATE_WAIT;
        return 0;
    });
    if (rv != 0) return rv;
    return func != nullptr ? func(serv_id_in, arg) : 0;
}

// 'func' runs with the mutex held: it must not call back into this handle.
int walk(Hdl *service_hdl, ss_fp_service_travel_func_t func, uint64_t arg) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    if (!FPSS_CHECK(func != NULL)) return kNotFound;
    Walk w{func, arg};
    MutexLock guard(&service_hdl->mutex);
    return libss_hash_each_item_op(service_hdl->service_in_hash, &walk_visit, &w);
}

int dump(Hdl *service_hdl) {
    if (!FPSS_CHECK(service_hdl != NULL)) return 0;
    MutexLock guard(&service_hdl->mutex);
    say("\r\nservice_id_in num = %d, service_id_out_num=%d\r\n", static_cast<int>(service_hdl->service_id_in_num),
        static_cast<int>(service_hdl->service_id_out_num));
    libss_hash_each_item_op(service_hdl->service_in_hash, &dump_in_node_visit, nullptr);
    return 0;
}

}  // namespace service
}  // namespace fpss

extern "C" {

int libss_fp_alloc_service_hdl(ss_fp_service_hdl_t **service_hdl) { return fpss::service::make_handle(service_hdl); }

int libss_fp_free_service_hdl(ss_fp_service_hdl_t *service_hdl) { return fpss::service::free_handle(service_hdl); }

int libss_fp_alloc_service_id_in(ss_fp_service_hdl_t *service_hdl, const ss_fp_service_para_t *para,
                                 uint32_t *serv_id_in) {
    return fpss::service::open_in(service_hdl, para, serv_id_in);
}

int libss_fp_alloc_service_id_out(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in, uint32_t *serv_out_id) {
    return fpss::service::open_out(service_hdl, serv_id_in, serv_out_id);
}

int libss_fp_set_service_id_out_recv(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id) {
    return fpss::service::receive(service_hdl, serv_out_id);
}

// A freed outbound id counts as received.
int libss_fp_free_service_id_out(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id) {
    return fpss::service::receive(service_hdl, serv_out_id);
}

int libss_fp_free_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in) {
    return fpss::service::close_in(service_hdl, serv_id_in);
}

int libss_fp_get_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id, uint32_t *serv_id_in) {
    return fpss::service::inbound_of(service_hdl, serv_out_id, serv_id_in);
}

int libss_fp_get_service_id_info(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in, uint32_t *state,
                                 ss_fp_service_para_t *para) {
    return fpss::service::info_of(service_hdl, serv_id_in, state, para);
}

int libss_fp_verify_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in,
                                  ss_fp_service_verify_func_t func, uint32_t arg) {
    return fpss::service::verify(service_hdl, serv_id_in, func, arg);
}

int libss_fp_travel_all_service_id_in(ss_fp_service_hdl_t *service_hdl, ss_fp_service_travel_func_t func,
                                      uint64_t arg) {
    return fpss::service::walk(service_hdl, func, arg);
}

int libss_fp_service_dump(ss_fp_service_hdl_t *service_hdl) { return fpss::service::dump(service_hdl); }

}  // extern "C"
