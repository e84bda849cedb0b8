/* Plain C use of the start-up, hash-table, allocator, resource-record and report headers. The registry records
 * in libss_fp_pub.h embed POSIX locks: it comes before any system header. */
#include "libss_fp_pub.h"
#include "libss_hash.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"
#include "ss_fp_res.h"

#include <string.h>

#include "check.h"

static uint32_t key_hash(void *item) { return *(uint32_t *)item; }
static int key_cmp(void *item, void *key) { return *(uint32_t *)item != *(uint32_t *)key; }

int main(void) {
    uint32_t key = 7;
    libss_hash_t *h = libss_create_hash(0, key_hash, key_cmp);
    ss_fp_mem_info_t pub = {"app/libss_fp_pub", 0, {NULL, NULL}};
    SPolicy__GroupInfoNode **groups = ss_fp_calloc(1, sizeof *groups, "app/c_api");
    CHECK(h != NULL && h->table_size == 1365 && libss_hash_insert_item(h, &key) == 0 && libss_hash_find_item(h, &key));
    libss_hash_del_item(h, &key);
    libss_destroy_hash(h);
    CHECK(fp_debug_sw == 0 && g_policy_error_zlog_level == 6 && ss_fp_mem_watch_init() == 0 && is_hash_init == 1);
    CHECK(ss_fp_debug_malloc_free_sw(1) == 0 && libss_fp_pub_init() == LIBSS_FP_PUB_OK);
    CHECK(strcmp(fp_pub_hdl[FP_MOD_TCAM]->mod_name, "FP_MOD_TCAM") == 0 && ss_fp_mem_info_hash_find(&pub)->count == 11);
    CHECK(ss_fp_malloc_group_info(groups, 1, 2) == 0 && groups[0]->n_apply_info == 2);
    ss_fp_free_group_info(groups, 1, 2);
    return 0;
}
