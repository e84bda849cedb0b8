// Returns the tracked allocator's statistics to their state at load.
#include <cstdlib>

#include "fpss_test.h"
#include "ss_fp_mem.h"

namespace fpss_test {

void reset_mem_stats() {
    malloc_free_sw = 0;
    is_hash_init = 0;
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    ss_fp_mem_info_list = nullptr;
    if (t == nullptr) return;
    for (uint32_t i = 0; i < t->slot_count; ++i) {
        if (((t->slot_flags[i >> 4] >> ((i & 15) << 1)) & 3) != 0) continue;
        ss_fp_mem_info_t *r = t->slots[i];
        ss_fp_list_t *head = &r->size_list;
        for (ss_fp_list_t *l = head->next; l != nullptr && l != head;) {
            ss_fp_list_t *next = l->next;
            free(l);
            l = next;
        }
        free(r);
    }
    free(t->slot_flags);
    free(t->slots);
    free(t);
}

}  // namespace fpss_test
