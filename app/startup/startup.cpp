// The library's start-up: every subsystem in its fixed order.
#include "libss_fp_pub.h"
#include "ss_fp_debug.h"
#include "ss_fp_log_op.h"

extern "C" {

int ss_fp_debug_init(void) {
    // The allocation-record table comes first: every later step allocates
    // through the tracked allocator, whose statistics live in it.
    libss_fp_debug_init();
    // A failed handle start-up is reported by itself and does not stop the rest.
    libss_fp_pub_init();
    ss_fp_debug_init_sw();
    return ss_fp_log_op_init();
}

}  // extern "C"
