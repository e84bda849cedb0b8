/* The exerciser's header used from plain C: a C entry receives the request
 * layouts at their fixed offsets, and a built ACE has its fixed size. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "ss_fp_ut_appmng.h"

#include "check.h"

static int failures;
static int calls;

static int32_t ace_entry(void *req) {
    const ut_ss_fp_appmng_ace_req_t *r = req;
    ++calls;
    CHECK(r->header.op == SS_FP_APPMNG_DEL_ACE);
    CHECK(r->header.ss_fp_appmng_cb == ut_ss_fp_appmng_cb);
    CHECK(r->header.service_id == (uint32_t)(uintptr_t)req);
    CHECK(r->acl.acl_id == 99 && r->acl.app_type == 13 && r->acl.acl_cls == 1);
    CHECK(r->ace != NULL && r->ace->sn == 255 && r->ace->rule_len == 20 && r->ace->action_len == 7);
    return 4;
}

int main(void) {
    ss_fp_appmng_ace_t *ace = NULL;
    CHECK(sizeof(ut_ss_fp_appmng_acl_req_t) == 80 && offsetof(ut_ss_fp_appmng_acl_req_t, record) == 72);
    CHECK(sizeof(ut_ss_fp_appmng_ace_req_t) == 176 && offsetof(ut_ss_fp_appmng_ace_req_t, ace) == 168);
    CHECK(sizeof(ut_ss_fp_appmng_counter_para_t) == 208 && offsetof(ut_ss_fp_appmng_counter_para_t, counter_arg) == 192);
    CHECK(sizeof(ut_ss_fp_appmng_time_t) == 116);
    CHECK(offsetof(ss_fp_appmng_ace_node_t, ace) == 224 && offsetof(ss_fp_appmng_apply_node_t, apply) == 44);
    ut_ss_fp_appmng_alloc_ace(&ace);
    CHECK(ace != NULL && ace->sub_sn == 0 && ace->is_default == 1);
    ut_ss_fp_appmng_free_ace(ace);
    CHECK(ut_ss_fp_appmng_del_ace(ace_entry) == 4);
    CHECK(calls == 1);
    return failures != 0;
}
