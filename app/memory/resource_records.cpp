// Builders and releasers of the s_policy resource messages. Every block comes
// from the tracked allocator, accounted to the debug family's source.
#include <climits>
#include <cstdint>

#include "core/family.h"
#include "ss_fp_mem.h"
#include "ss_fp_res.h"

namespace {

constexpr const fpss::Family &kFamily = fpss::family::kMemory;

// A zero-filled message of type M with its header set to its descriptor, or null.
template <class M>
M *new_message(void (*init)(M *)) {
    auto *m = static_cast<M *>(ss_fp_malloc(static_cast<int>(sizeof(M)), kFamily.tag));
    if (m != nullptr) init(m);
    return m;
}

// A zero-filled array of 'count' message pointers (count below 1: an empty
// block); null when it cannot be made or its size does not fit an int.
template <class M>
M **new_pointer_array(int count, size_t *stored) {
    size_t n = count < 1 ? 0 : static_cast<size_t>(count);
    *stored = n;
    if (n > INT_MAX / sizeof(M *)) return nullptr;
    return static_cast<M **>(ss_fp_malloc(static_cast<int>(n * sizeof(M *)), kFamily.tag));
}

// Fills a nested array and its count with 'count' messages of type M. False
// at the first allocation that fails; what was made stays linked.
template <class M>
bool fill_children(M ***array, size_t *n_array, int count, void (*init)(M *)) {
    size_t n = 0;
    M **items = new_pointer_array<M>(count, &n);
    if (items == nullptr) return false;
    *array = items;
    *n_array = n;
    for (size_t i = 0; i < n; ++i) {
        if ((items[i] = new_message(init)) == nullptr) return false;
    }
    return true;
}

// Builds one resource message of 'slices' slices into '*slot'.
bool build_res(SPolicy__ResNode **slot, int slices) {
    SPolicy__ResNode *r = *slot = new_message(s_policy__res_node__init);
    return r != nullptr && fill_children(&r->slices, &r->n_slices, slices, s_policy__slice_node__init);
}

void release(void *p) { ss_fp_free(p, kFamily.tag); }

// Releases the first 'count' non-null messages of 'items' with 'release_one',
// then the array itself.
template <class M, class F>
void release_array(M **items, int count, F release_one) {
    if (items == nullptr) return;
    for (int i = 0; i < count; ++i) {
        if (items[i] != nullptr) release_one(items[i]);
    }
    release(items);
}

}  // namespace

extern "C" {

int ss_fp_malloc_group_info(SPolicy__GroupInfoNode **nodes, int group_num, int apply_num) {
    if (nodes == nullptr) return -1;
    for (int i = 0; i < group_num; ++i) {
        SPolicy__GroupInfoNode *g = nodes[i] = new_message(s_policy__group_info_node__init);
        if (g == nullptr) return 2;
        if (!fill_children(&g->apply_info, &g->n_apply_info, apply_num, s_policy__apply_info_node__init)) return 2;
    }
    return 0;
}

void ss_fp_malloc_res_node(SPolicy__ResNode **nodes, int res_num, int slice_num) {
    if (nodes == nullptr) return;
    for (int i = 0; i < res_num; ++i) {
        if (!build_res(&nodes[i], slice_num)) return;
    }
}

void ss_fp_malloc_unit_res_node(SPolicy__UnitResNode **nodes, int unit_num, int res_num, int slice_num) {
    if (nodes == nullptr) return;
    for (int u = 0; u < unit_num; ++u) {
        SPolicy__UnitResNode *unit = nodes[u] = new_message(s_policy__unit_res_node__init);
        if (unit == nullptr) return;
        size_t n = 0;
        if ((unit->res = new_pointer_array<SPolicy__ResNode>(res_num, &n)) == nullptr) return;
        unit->n_res = n;
        for (size_t i = 0; i < n; ++i) {
            if (!build_res(&unit->res[i], slice_num)) return;
        }
    }
}

void ss_fp_free_slice_node(SPolicy__SliceNode **slices, int slice_num) { release_array(slices, slice_num, release); }

void ss_fp_free_res_node(SPolicy__ResNode **nodes, int res_num, int slice_num) {
    release_array(nodes, res_num, [slice_num](SPolicy__ResNode *r) {
        ss_fp_free_slice_node(r->slices, slice_num);
        release(r);
    });
}

void ss_fp_free_group_info(SPolicy__GroupInfoNode **nodes, int group_num, int apply_num) {
    release_array(nodes, group_num, [apply_num](SPolicy__GroupInfoNode *g) {
        release_array(g->apply_info, apply_num, release);
        release(g);
    });
}

void ss_fp_free_unit_res_node(SPolicy__UnitResNode **nodes, int unit_num, int res_num, int slice_num) {
    release_array(nodes, unit_num, [res_num, slice_num](SPolicy__UnitResNode *unit) {
        ss_fp_free_res_node(unit->res, res_num, slice_num);
        release(unit);
    });
}

}  // extern "C"
