/* Plain C use of the service-id header and of a module's capture and counter registries. Both headers embed POSIX
 * locks: they come before any system header. */
#include "libss_fp_pub.h"
#include "ss_fp_service.h"

#include "check.h"

static int walk(ss_fp_service_in_node_t *node, uint64_t arg) { return node->serv_id_in == arg ? 7 : 0; }

int main(void) {
    ss_fp_service_hdl_t *h = NULL;
    uint32_t in = 0, out[2] = {0, 0}, state = 0;
    char bytes[] = "acl";
    ss_fp_service_para_t para = {9, sizeof bytes, bytes}, got = {0, 0, NULL};
    fp_pub_hdl_t *tcam = NULL;
    CHECK(libss_fp_alloc_service_hdl(&h) == 0 && libss_fp_alloc_service_id_in(h, &para, &in) == 0 && in == 1);
    CHECK(libss_fp_alloc_service_id_out(h, in, &out[0]) == 0 && libss_fp_alloc_service_id_out(h, in, &out[1]) == 0);
    CHECK(libss_fp_set_service_id_out_recv(h, out[0]) == 0 && libss_fp_verify_service_id_in(h, in, NULL, 0) == 0);
    CHECK(libss_fp_free_service_id_out(h, out[1]) == 0 && libss_fp_get_service_id_info(h, in, &state, &got) == 0);
    CHECK(state == SS_FP_SERVICE_STATE_DONE && got.user_data == 9 && got.paralen == sizeof bytes);
    CHECK(libss_fp_travel_all_service_id_in(h, walk, in) == 7 && libss_fp_free_service_id_in(h, in) == 0);
    CHECK(libss_fp_free_service_hdl(h) == 0 && libss_fp_pub_init() == LIBSS_FP_PUB_OK);
    tcam = fp_pub_hdl[FP_MOD_TCAM];
    CHECK(tcam->cap_hdl.start(&tcam->cap_hdl, "acl", "add") == 0 &&
          tcam->cap_hdl.stop(&tcam->cap_hdl, "acl", "add") == 0);
    CHECK(tcam->cnt_hdl.inc(&tcam->cnt_hdl, "acl", "add") == 0 && tcam->cnt_hdl.enable_set(&tcam->cnt_hdl, 1) == 0);
    CHECK(tcam->cap_hdl.reset(&tcam->cap_hdl, NULL) == 0 && tcam->cnt_hdl.reset(&tcam->cnt_hdl, "acl") == 0);
    CHECK(tcam->cnt_hdl.enable == 1 && tcam->cap_hdl.grp_num == 1 && tcam->cnt_hdl.grp_num == 1);
    return 0;
}
