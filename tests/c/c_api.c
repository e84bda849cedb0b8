/* Plain C use of the public headers: the library links and works from C11. */
#include <stdio.h>
#include <string.h>

#include "libss_hash.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"

#include "check.h"

struct item {
    uint32_t key;
};

static uint32_t item_hash(void *p) { return ((struct item *)p)->key; }
static int item_cmp(void *a, void *b) { return ((struct item *)a)->key != ((struct item *)b)->key; }
static int count_item(void *item, void *arg) {
    (void)item;
    ++*(int *)arg;
    return 0;
}

int main(void) {
    struct item a = {1}, b = {2};
    int seen = 0;
    libss_hash_t *h = libss_create_hash(0, item_hash, item_cmp);
    CHECK(h != NULL && h->table_size == 1365);
    CHECK(libss_hash_insert_item(h, &a) == 0 && libss_hash_insert_item(h, &b) == 0);
    CHECK(libss_hash_find_item(h, &b) == &b);
    CHECK(libss_hash_each_item_op(h, count_item, &seen) == 0 && seen == 2);
    libss_hash_del_item(h, &a);
    libss_hash_del_item(h, &b);
    libss_destroy_hash(h);

    CHECK(fp_debug_sw == 0 && g_policy_error_zlog_level == 6);
    CHECK(ss_fp_mem_watch_init() == 0 && is_hash_init == 1);
    malloc_free_sw = 1;
    {
        char *p = ss_fp_malloc(10, "app/c_api");
        ss_fp_mem_info_t key;
        CHECK(p != NULL && p[9] == 0);
        ss_fp_free(p, "app/c_api");
        memset(&key, 0, sizeof key);
        strcpy(key.file_name, "app/c_api");
        CHECK(ss_fp_mem_info_hash_find(&key) != NULL && ss_fp_mem_info_hash_find(&key)->count == 0);
    }
    return 0;
}
