// Returns the tracked allocator's statistics to their state at load.
#include <cstdlib>

#include "fpss_test.h"
#include "ss_fp_mem.h"

void fpss_test::reset_mem_stats() {
    malloc_free_sw = is_hash_init = 0;
    auto release = [](ss_fp_mem_info_t *r, void *) {  // a record and its size records
        for (ss_fp_list_t *l = r->size_list.next, *next; l != nullptr && l != &r->size_list; l = next)
            next = l->next, free(l);
        return free(r), 0;
    };
    ss_fp_mem_info_hash_traverse(release, nullptr);
    if (ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list) free(t->slot_flags), free(t->slots), free(t);
    ss_fp_mem_info_list = nullptr;
}
