/* Plain C use of the dump headers: records built from C, dumped, results checked. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ss_fp_appmng_dump.h"
#include "ss_fp_tcam_dump.h"

#include "check.h"

int main(void) {
    /* An ACE with one rule (SS_FP_RULE_COS, 2 bytes) and one action (SS_FP_ACTION_COUNTER, 4 bytes). */
    ss_fp_appmng_ace_t *ace = calloc(1, sizeof *ace + 6);
    CHECK(ace != NULL);
    ace->rule_flags[0] = 1u << SS_FP_RULE_COS;
    ace->action_flags[0] = 1u << SS_FP_ACTION_COUNTER;
    ace->rule_len = 2;
    ace->action_len = 4;
    ace->buffer[0] = 5;
    ace->buffer[1] = 7;
    CHECK(ss_fp_appmng_dump_ace(ace) == 0);
    CHECK(ss_fp_appmng_dump_ace(NULL) == -1);
    CHECK(ss_fp_appmng_dump_rule(SS_FP_RULE_COS, ace->buffer) == 0);
    CHECK(ss_fp_appmng_dump_flags(ace->rule_flags, 198) == 0);

    tcam_entry_para_t entry;
    memset(&entry, 0, sizeof entry);
    entry.ace_tlv = NULL;
    entry.intf_type = INTF_TYPE_PORT;
    entry.intf.port = 3;
    CHECK(dump_tcam_entry_para(&entry) == 0);
    CHECK(sizeof(tcam_entry_para_t) == 328 && sizeof(udf_para_t) == 412 && sizeof(vag_para_t) == 168);

    meter_para_t meter;
    memset(&meter, 0, sizeof meter);
    meter.meter_mode = 3;
    meter.rate.tr.pir = 1000;
    CHECK(dump_meter_para(&meter) == 0);
    free(ace);
    return 0;
}
