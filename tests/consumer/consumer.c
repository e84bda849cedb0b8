/* A module built against the installed library: it starts the library, builds
 * group and unit resource records, packs them as it would for a peer, unpacks
 * them with the library's descriptors, compares the fields and releases
 * everything. Exit status 0 when every field came back. */
#include <stdio.h>
#include <stdlib.h>

#include "libss_fp_pub.h"
#include "proto/s_policy.pb-c.h"
#include "ss_fp_mem.h"
#include "ss_fp_res.h"

#define EXPECT(c)                                                   \
    do {                                                            \
        if (!(c)) {                                                 \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #c); \
            return 1;                                               \
        }                                                           \
    } while (0)

static int groups(void) {
    SPolicy__GroupInfoNode **g = ss_fp_malloc(2 * (int)sizeof *g, "consumer");
    EXPECT(g != NULL && ss_fp_malloc_group_info(g, 2, 3) == 0);
    g[1]->vag_id = 7;
    g[1]->width = 160;
    g[1]->apply_info[2]->used_entry = 42;
    uint8_t buf[256];
    size_t n = s_policy__group_info_node__get_packed_size(g[1]);
    EXPECT(n <= sizeof buf && s_policy__group_info_node__pack(g[1], buf) == n);
    SPolicy__GroupInfoNode *back = s_policy__group_info_node__unpack(NULL, n, buf);
    EXPECT(back != NULL && back->base.descriptor == &s_policy__group_info_node__descriptor);
    EXPECT(back->vag_id == 7 && back->width == 160 && back->n_apply_info == 3);
    EXPECT(back->apply_info[2]->used_entry == 42 && back->apply_info[0]->used_entry == 0);
    s_policy__group_info_node__free_unpacked(back, NULL);
    ss_fp_free_group_info(g, 2, 3);
    return 0;
}

static int units(void) {
    SPolicy__UnitResNode **u = ss_fp_malloc((int)sizeof *u, "consumer");
    EXPECT(u != NULL);
    ss_fp_malloc_unit_res_node(u, 1, 2, 4);
    EXPECT(u[0] != NULL && u[0]->n_res == 2 && u[0]->res[1]->n_slices == 4);
    u[0]->unit_id = 3;
    u[0]->res[1]->total = 512;
    u[0]->res[1]->slices[3]->free = 9;
    uint8_t buf[512];
    size_t n = s_policy__unit_res_node__pack(u[0], buf);
    EXPECT(n == s_policy__unit_res_node__get_packed_size(u[0]) && n <= sizeof buf);
    SPolicy__UnitResNode *back = s_policy__unit_res_node__unpack(NULL, n, buf);
    EXPECT(back != NULL && back->unit_id == 3 && back->n_res == 2 && back->res[1]->total == 512);
    EXPECT(back->res[1]->n_slices == 4 && back->res[1]->slices[3]->free == 9);
    s_policy__unit_res_node__free_unpacked(back, NULL);
    ss_fp_free_unit_res_node(u, 1, 2, 4);
    return 0;
}

int main(void) {
    EXPECT(ss_fp_debug_init() == 0);
    if (groups() != 0 || units() != 0) return 1;
    puts("consumer: records packed, unpacked and compared");
    return 0;
}
