/* Plain C use of the request records, their dumps and the exerciser: C lays
 * the records out as the library does, builds, dumps and receives them. */
#include <stddef.h>

#include "ss_fp_appmng_dump.h"
#include "ss_fp_tcam_dump.h"
#include "ss_fp_ut_appmng.h"

#include "check.h"

static int32_t ace_entry(void *req) {
    const ut_ss_fp_appmng_ace_req_t *r = req;
    CHECK(r->header.op == SS_FP_APPMNG_DEL_ACE && r->header.ss_fp_appmng_cb == ut_ss_fp_appmng_cb);
    CHECK(r->acl.acl_id == 99 && r->ace->sn == 255 && ss_fp_appmng_dump_ace(r->ace) == 0);
    return 4;
}

int main(void) {
    tcam_entry_para_t entry = {0};
    CHECK(sizeof(ss_fp_appmng_ace_t) == 72 && offsetof(ss_fp_appmng_apply_t, rule_len) == 154);
    CHECK(sizeof(ut_ss_fp_appmng_acl_req_t) == 80 && offsetof(ut_ss_fp_appmng_ace_req_t, ace) == 168);
    CHECK(sizeof(ut_ss_fp_appmng_counter_para_t) == 208 && offsetof(ss_fp_appmng_ace_node_t, ace) == 224);
    CHECK(sizeof(tcam_entry_para_t) == 328 && sizeof(udf_para_t) == 412 && sizeof(vag_para_t) == 168);
    CHECK(ut_ss_fp_appmng_del_ace(ace_entry) == 4);
    entry.intf_type = INTF_TYPE_PORT;
    CHECK(dump_tcam_entry_para(&entry) == 0 && dump_tcam_entry_para(NULL) == -1);
    return 0;
}
