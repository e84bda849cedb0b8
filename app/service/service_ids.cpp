// Service ids: inbound ids for the requests a process serves, outbound ids for
// the requests it sends on their behalf, receipt, verification, lookups both
// ways, the walk and the dump. Every operation holds the handle's mutex for
// its whole work.
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "core/list.h"
#include "core/locks.h"
#include "core/report.h"
#include "core/stdout.h"
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

namespace {

constexpr const fpss::Family &kFamily = fpss::family::kService;
// Expected items of each table.
constexpr uint32_t kTableSize = 512;
constexpr int kNoMem = -12;
constexpr int kNotFound = -1;

using InNode = ss_fp_service_in_node_t;
using OutNode = ss_fp_service_out_node_t;
using Hdl = ss_fp_service_hdl_t;

uint32_t in_hash(void *item) { return static_cast<InNode *>(item)->serv_id_in; }
int in_cmp(void *item, void *key) {
    return static_cast<int>(static_cast<InNode *>(item)->serv_id_in - static_cast<InNode *>(key)->serv_id_in);
}
uint32_t out_hash(void *item) { return static_cast<OutNode *>(item)->serv_out_id; }
int out_cmp(void *item, void *key) {
    return static_cast<int>(static_cast<OutNode *>(item)->serv_out_id - static_cast<OutNode *>(key)->serv_out_id);
}

InNode *libss_fp_find_service_in_node(Hdl *h, uint32_t id) {
    InNode key{};
    key.serv_id_in = id;
    return static_cast<InNode *>(libss_hash_find_item(h->service_in_hash, &key));
}

OutNode *libss_fp_find_service_out_node(Hdl *h, uint32_t id) {
    OutNode key{};
    key.serv_out_id = id;
    return static_cast<OutNode *>(libss_hash_find_item(h->service_out_hash, &key));
}

// The id after 'last', from 1 to 0xFFFFFFFF and round again, skipping ids
// still held by a live node (only possible once the counter has wrapped).
// 'live' ids are held in all, so at most live + 1 candidates are tried.
template <class Find>
uint32_t issue_id(uint32_t *last, uint32_t live, Find held) {
    uint32_t id = *last;
    for (uint64_t tries = 0; tries <= live; ++tries) {
        id = (id == UINT32_MAX) ? 1 : id + 1;
        if (!held(id)) break;
    }
    *last = id;
    return id;
}

// Undoes an issue that came to nothing, so the id is issued again next.
void roll_back(uint32_t *last, uint32_t id) {
    if (*last == id) *last = id - 1;
}

void libss_fp_release_in_node(Hdl *h, InNode *p) {
    if (!FPSS_CHECK(p != NULL)) return;
    ss_fp_free(p, kFamily.tag);
    h->service_id_in_num--;
}

void libss_fp_release_out_node(Hdl *h, OutNode *p) {
    if (!FPSS_CHECK(p != NULL)) return;
    ss_fp_free(p, kFamily.tag);
    h->service_id_out_num--;
}

// Removes an outbound node from the table and its inbound node's list, and frees it.
void drop_out_node(Hdl *h, OutNode *out) {
    libss_hash_del_item(h->service_out_hash, out);
    fpss::list_del(&out->list);
    libss_fp_release_out_node(h, out);
}

// Frees an inbound node and every outbound node it still has.
void drop_in_node(Hdl *h, InNode *in) {
    while (!fpss::list_empty(&in->service_out_list)) {
        drop_out_node(h, FPSS_LIST_ENTRY(in->service_out_list.next, OutNode, list));
    }
    FPSS_CHECK(fpss::list_empty(&in->service_out_list));
    libss_hash_del_item(h->service_in_hash, in);
    libss_fp_release_in_node(h, in);
}

// The zeroed node of 'id' with room for 'paralen' bytes, counted and inserted.
// 0, -1 when it cannot be allocated, or the table's code.
int libss_fp_add_service_in_node(Hdl *h, uint32_t id, uint32_t paralen, InNode **out) {
    InNode *node = nullptr;
    if (paralen <= static_cast<uint32_t>(INT_MAX) - sizeof(InNode)) {
        node = static_cast<InNode *>(ss_fp_malloc(static_cast<int>(sizeof(InNode) + paralen), kFamily.tag));
    }
    if (node == nullptr) {
        FPSS_NOTICE("libss_fp_add_service_in_node", "libss_fp_alloc_service_in_node fail");
        return kNotFound;
    }
    h->service_id_in_num++;
    node->serv_id_in = id;
    int rv = libss_hash_insert_item(h->service_in_hash, node);
    if (rv != 0) {
        FPSS_NOTICE("libss_fp_add_service_in_node", "libss_hash_insert_item fail");
        libss_fp_release_in_node(h, node);
        return rv;
    }
    *out = node;
    return 0;
}

int libss_fp_add_service_out_node(Hdl *h, uint32_t id, InNode *in, OutNode **out) {
    auto *node = static_cast<OutNode *>(ss_fp_malloc(sizeof(OutNode), kFamily.tag));
    if (node == nullptr) {
        FPSS_NOTICE("libss_fp_add_service_out_node", "libss_fp_alloc_service_out_node failed");
        return kNoMem;
    }
    h->service_id_out_num++;
    node->serv_out_id = id;
    node->node_in = in;
    int rv = libss_hash_insert_item(h->service_out_hash, node);
    if (rv != 0) {
        FPSS_NOTICE("libss_fp_add_service_out_node", "libss_hash_insert_item failed");
        libss_fp_release_out_node(h, node);
        return rv;
    }
    *out = node;
    return 0;
}

int free_in_node_visit(void *item, void *arg) {
    drop_in_node(static_cast<Hdl *>(arg), static_cast<InNode *>(item));
    return 0;
}

int dump_in_node_visit(void *item, void *) {
    auto *in = static_cast<InNode *>(item);
    fpss::say("\r\n(%p)serv_id_in=0x%x,serv_out=0x%x,out_recv=0x%x,state=%d,paralen=0x%x", item, in->serv_id_in,
                in->serv_out, in->out_recv, static_cast<int>(in->state), in->paralen);
    for (ss_fp_list_t *l = in->service_out_list.next; l != &in->service_out_list; l = l->next) {
        OutNode *out = FPSS_LIST_ENTRY(l, OutNode, list);
        fpss::say("\r\n(%p)serv_out_id=0x%x, serv_in_id=0x%x", static_cast<void *>(out), out->serv_out_id,
                    out->node_in->serv_id_in);
    }
    return 0;
}

struct Walk {
    ss_fp_service_travel_func_t func;
    uint64_t arg;
};

int travel_visit(void *item, void *arg) {
    auto *w = static_cast<Walk *>(arg);
    return w->func(static_cast<InNode *>(item), w->arg);
}

}  // namespace

extern "C" {

int libss_fp_alloc_service_hdl(ss_fp_service_hdl_t **service_hdl) {
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
    h->service_in_hash = libss_create_hash(kTableSize, &in_hash, &in_cmp);
    if (h->service_in_hash != nullptr) h->service_out_hash = libss_create_hash(kTableSize, &out_hash, &out_cmp);
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

int libss_fp_free_service_hdl(ss_fp_service_hdl_t *service_hdl) {
    if (!FPSS_CHECK(service_hdl != NULL)) return 0;
    {
        fpss::MutexLock guard(&service_hdl->mutex);
        libss_hash_each_item_op(service_hdl->service_in_hash, &free_in_node_visit, service_hdl);
        libss_destroy_hash(service_hdl->service_in_hash);
        libss_destroy_hash(service_hdl->service_out_hash);
        service_hdl->service_in_hash = service_hdl->service_out_hash = nullptr;
    }
    pthread_mutex_destroy(&service_hdl->mutex);
    ss_fp_free(service_hdl, kFamily.tag);
    return 0;
}

int libss_fp_alloc_service_id_in(ss_fp_service_hdl_t *service_hdl, const ss_fp_service_para_t *para,
                                 uint32_t *serv_id_in) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    if (!FPSS_CHECK(serv_id_in != NULL)) return kNotFound;
    if (para != nullptr && para->paralen != 0 && !FPSS_CHECK(para->para != NULL)) return kNotFound;
    uint32_t paralen = para != nullptr ? para->paralen : 0;
    fpss::MutexLock guard(&service_hdl->mutex);
    Hdl *h = service_hdl;
    uint32_t id = issue_id(&h->last_id_in, h->service_id_in_num,
                           [h](uint32_t c) { return libss_fp_find_service_in_node(h, c) != nullptr; });
    *serv_id_in = id;
    InNode *node = nullptr;
    int rv = libss_fp_add_service_in_node(h, id, paralen, &node);
    if (rv != 0) {
        FPSS_NOTICE("libss_fp_alloc_service_id_in", "libss_fp_add_service_in_node failed");
        roll_back(&h->last_id_in, id);
        return rv;
    }
    node->paralen = paralen;
    if (para != nullptr) {
        if (paralen != 0) std::memcpy(node->para, para->para, paralen);
        node->user_data = para->user_data;
    }
    node->state = SS_FP_SERVICE_STATE_NEW;
    fpss::list_init(&node->service_out_list);
    return 0;
}

int libss_fp_alloc_service_id_out(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in, uint32_t *serv_out_id) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    if (!FPSS_CHECK(serv_out_id != NULL)) return kNotFound;
    fpss::MutexLock guard(&service_hdl->mutex);
    Hdl *h = service_hdl;
    uint32_t id = issue_id(&h->last_id_out, h->service_id_out_num,
                           [h](uint32_t c) { return libss_fp_find_service_out_node(h, c) != nullptr; });
    *serv_out_id = id;
    InNode *in = libss_fp_find_service_in_node(h, serv_id_in);
    if (in == nullptr) {
        FPSS_NOTICE("libss_fp_alloc_service_id_out", "libss_fp_find_service_in_node failed");
        return kNotFound;
    }
    OutNode *out = nullptr;
    int rv = libss_fp_add_service_out_node(h, id, in, &out);
    if (rv != 0) {
        FPSS_NOTICE("libss_fp_alloc_service_id_out", "libss_fp_add_service_out_node failed");
        roll_back(&h->last_id_out, id);
        return rv;
    }
    in->serv_out++;
    fpss::list_add_head(&out->list, &in->service_out_list);
    in->state = SS_FP_SERVICE_STATE_OUT;
    return 0;
}

int libss_fp_set_service_id_out_recv(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    fpss::MutexLock guard(&service_hdl->mutex);
    OutNode *out = libss_fp_find_service_out_node(service_hdl, serv_out_id);
    if (out == nullptr) {
        FPSS_NOTICE("libss_fp_set_service_id_out_recv", "libss_fp_find_service_out_node failed");
        return kNotFound;
    }
    InNode *in = out->node_in;
    in->out_recv++;
    if (in->out_recv == in->serv_out && in->state == SS_FP_SERVICE_STATE_WAIT) in->state = SS_FP_SERVICE_STATE_DONE;
    drop_out_node(service_hdl, out);
    return 0;
}

int libss_fp_free_service_id_out(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id) {
    return libss_fp_set_service_id_out_recv(service_hdl, serv_out_id);
}

int libss_fp_free_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in) {
    if (!FPSS_CHECK(service_hdl != NULL)) return 0;
    fpss::MutexLock guard(&service_hdl->mutex);
    InNode *in = libss_fp_find_service_in_node(service_hdl, serv_id_in);
    if (in == nullptr) {
        FPSS_NOTICE("libss_fp_free_service_id_in", "libss_fp_find_service_in_node failed");
        return 0;
    }
    drop_in_node(service_hdl, in);
    return 0;
}

int libss_fp_get_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id, uint32_t *serv_id_in) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    fpss::MutexLock guard(&service_hdl->mutex);
    OutNode *out = libss_fp_find_service_out_node(service_hdl, serv_out_id);
    if (out == nullptr) {
        FPSS_NOTICE("libss_fp_get_service_id_in", "libss_fp_find_service_out_node failed");
        return kNotFound;
    }
    if (serv_id_in != nullptr) *serv_id_in = out->node_in->serv_id_in;
    return 0;
}

int libss_fp_get_service_id_info(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in, uint32_t *state,
                                 ss_fp_service_para_t *para) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    fpss::MutexLock guard(&service_hdl->mutex);
    InNode *in = libss_fp_find_service_in_node(service_hdl, serv_id_in);
    if (in == nullptr) {
        FPSS_NOTICE("libss_fp_get_service_id_info", "libss_fp_find_service_in_node failed");
        return kNotFound;
    }
    if (state != nullptr) *state = in->state;
    if (para != nullptr) {
        para->user_data = in->user_data;
        para->paralen = in->paralen;
        para->para = in->paralen != 0 ? in->para : nullptr;
    }
    return 0;
}

int libss_fp_verify_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in,
                                  ss_fp_service_verify_func_t func, uint32_t arg) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    {
        fpss::MutexLock guard(&service_hdl->mutex);
        InNode *in = libss_fp_find_service_in_node(service_hdl, serv_id_in);
        if (in == nullptr) {
            FPSS_NOTICE("libss_fp_verify_service_id_in", "libss_fp_find_service_in_node failed");
            return kNotFound;
        }
        in->state = in->serv_out == in->out_recv ? SS_FP_SERVICE_STATE_DONE : SS_FP_SERVICE_STATE_WAIT;
    }
    return func != nullptr ? func(serv_id_in, arg) : 0;
}

int libss_fp_travel_all_service_id_in(ss_fp_service_hdl_t *service_hdl, ss_fp_service_travel_func_t func,
                                      uint64_t arg) {
    if (!FPSS_CHECK(service_hdl != NULL)) return kNotFound;
    if (!FPSS_CHECK(func != NULL)) return kNotFound;
    Walk w{func, arg};
    fpss::MutexLock guard(&service_hdl->mutex);
    return libss_hash_each_item_op(service_hdl->service_in_hash, &travel_visit, &w);
}

int libss_fp_service_dump(ss_fp_service_hdl_t *service_hdl) {
    if (!FPSS_CHECK(service_hdl != NULL)) return 0;
    fpss::MutexLock guard(&service_hdl->mutex);
    fpss::say("\r\nservice_id_in num = %d, service_id_out_num=%d\r\n",
                static_cast<int>(service_hdl->service_id_in_num), static_cast<int>(service_hdl->service_id_out_num));
    libss_hash_each_item_op(service_hdl->service_in_hash, &dump_in_node_visit, nullptr);
    return 0;
}

}  // extern "C"
