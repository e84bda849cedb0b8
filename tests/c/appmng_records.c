/* Plain C use of the request records: C lays them out as the library does. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "ss_fp_appmng.h"

#include "check.h"

int main(void) {
    uint32_t rules[SS_FP_RULE_FLAG_WORDS] = {0};
    CHECK(sizeof(ss_fp_appmng_ace_t) == 72 && offsetof(ss_fp_appmng_ace_t, ace_pri) == 16);
    CHECK(offsetof(ss_fp_appmng_ace_t, rule_len) == 68 && offsetof(ss_fp_appmng_ace_t, buffer) == 72);
    CHECK(sizeof(ss_fp_appmng_apply_t) == 156 && offsetof(ss_fp_appmng_apply_t, app_type) == 84);
    CHECK(offsetof(ss_fp_appmng_apply_t, rule_flags) == 124 && offsetof(ss_fp_appmng_apply_t, rule_len) == 154);
    CHECK(sizeof(ss_fp_appmng_ace_tlv_t) == 48 && offsetof(ss_fp_appmng_ace_tlv_t, action_len) == 46);
    CHECK(sizeof(ss_fp_appmng_common_t) == 32 && offsetof(ss_fp_appmng_common_t, op) == 24);
    CHECK(offsetof(ss_fp_appmng_common_t, is_pi) == 29 && sizeof(ss_fp_appmng_acl_t) == 16);
    rules[SS_FP_RULE_IPV6_SRC / 32] |= 1u << (SS_FP_RULE_IPV6_SRC % 32);
    CHECK(ss_fp_rule_value_offset(rules, SS_FP_RULE_IPV6_DST) == 32);
    CHECK(strcmp(fp_rule_flag_strings[SS_FP_RULE_IPV6_SRC], "SS_FP_RULE_IPV6_SRC") == 0);
    CHECK(strcmp(g_ss_fp_op_string_1[SS_FP_APPMNG_APPLY_ACL], "SS_FP_APPMNG_APPLY_ACL") == 0);
    return 0;
}
