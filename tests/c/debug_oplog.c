/* Plain C use of the debug-control and operation-log headers. */
#include "ss_fp_debug.h"
#include "ss_fp_log_op.h"

#include "check.h"

int main(void) {
    static const uint8_t zero[8];
    const ssd_policy_pcl_apply_t apply = {2, 3, {1, 2, 3, 4}};
    ss_fp_debug_on();
    CHECK(fp_debug_sw == 0x17F && lib_fp_dbg_flag[SS_FP_DBG_SW_COUNT - 1] == SS_FP_DBG_FLAG_DS);
    ss_fp_debug_off();
    CHECK(ss_fp_is_array_equal_zero(zero, (int32_t)sizeof zero) && sizeof(ssd_policy_pcl_t) == 56 &&
          apply.pbmp[3] == 4);
    CHECK(fp_debug_file_fp == NULL && fp_debug_file_index == 0 && ss_fp_get_action_name(0) == NULL);
    return 0;
}
