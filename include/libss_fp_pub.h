/*
 * Start-up and per-module public handles of the FP support library.
 *
 * A host process calls ss_fp_debug_init() once, on one thread, before any
 * other call of the library. It starts, in this order: the allocation-record
 * table and the debug log file, the per-module public handles, the debug
 * switches restored from the switch file, and the operation-log files; its
 * result is that of the last step. There is no shutdown: handles, registries
 * and tables live until the process ends.
 *
 * Each FP module has a public handle in 'fp_pub_hdl', indexed by module id,
 * carrying the module's name and its event-counter and timing-capture
 * registries:
 *
 *     fp_pub_hdl_t *h = fp_pub_hdl[FP_MOD_TCAM];
 *     h->cnt_hdl.inc(&h->cnt_hdl, "acl", "add_ace");
 *     h->cap_hdl.start(&h->cap_hdl, "acl", "add_ace");
 *
 * The registry exerciser entries dump or reset those registries by module
 * number (0 meaning modules 1 to 10) for a debug shell.
 *
 * Thread safety: the start-up runs before anything else and takes no lock.
 * Afterwards 'fp_pub_hdl' and the handles' names are only read; each registry
 * guards itself.
 */
#ifndef LIBSS_FP_PUB_H
#define LIBSS_FP_PUB_H

/* The registry headers come first: they set up the POSIX declarations their
 * locks need before any system header is read. */
#include "libss_fp_cap_mon.h"
#include "libss_fp_cnt.h"
#include "ss_fp_export.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Module ids of the FP stack; the value indexes 'fp_mod_name' and 'fp_pub_hdl'. */
typedef enum fp_mod_id {
    FP_MOD_NONE = 0,
    FP_MOD_LIBPROXY_NACM = 1,
    FP_MOD_LIBPROXY_APPMNG = 2,
    FP_MOD_VDUMSG_APPMNG = 3,
    FP_MOD_NACM = 4,
    FP_MOD_APPMNG = 5,
    FP_MOD_ADJUST = 6,
    FP_MOD_TCAM = 7,
    FP_MOD_ENGINE = 8,
    FP_MOD_INSTALL = 9,
    FP_MOD_SSA = 10,
    FP_MOD_MAX = 11 /* Number of modules: has a name, no handle. */
} fp_mod_id_t;

#define FP_PUB_MOD_NAME_LEN 32 /* Module name width, terminating NUL included. */
#define FP_ERR_SYSLOG_STRING_NUM 23

/* Results of libss_fp_pub_init(). */
#define LIBSS_FP_PUB_OK 0
#define LIBSS_FP_PUB_E_INIT 2 /* a handle could not be made: every slot is null */

/* Op codes of the registry exerciser entries. */
#define UT_LIBSS_FP_OP_DUMP 3       /* dump the registries */
#define UT_LIBSS_FP_OP_RESET 4      /* reset the registries */
#define UT_LIBSS_FP_OP_ENABLE_SET 5 /* set a module's counter enable flag */

/* One module's public handle, allocated by the start-up and never released. */
typedef struct fp_pub_hdl {
    char mod_name[FP_PUB_MOD_NAME_LEN]; /* Copy of the module's 'fp_mod_name' entry. */
    libss_fp_cnt_hdl_t cnt_hdl;         /* The module's event-counter registry. */
    libss_fp_cap_hdl_t cap_hdl;         /* The module's timing-capture registry. */
} fp_pub_hdl_t;

/* Per-module handles, null until the start-up (and after a failed one). */
SS_FP_API extern fp_pub_hdl_t *fp_pub_hdl[FP_MOD_MAX];
/* Module names, index equal to module id. Writable: a host that replaces an
 * entry before the start-up changes that handle's name (31 characters at most). */
SS_FP_API extern const char *fp_mod_name[FP_MOD_MAX + 1];
/* System-log texts of the stack's FP error numbers; "" where there is none. */
SS_FP_API extern const char *const lib_fp_err_syslog_string[FP_ERR_SYSLOG_STRING_NUM];

/* Start-up. */

/* The library's start-up (see above). Returns the result of the operation-log
 * start-up, 0 on success; the earlier steps' results are not examined. */
SS_FP_API int ss_fp_debug_init(void);

/* Makes the 11 public handles, module 0 to 10. Returns 0, or 2 when a handle
 * cannot be allocated (reported) or a module name does not fit; every slot is
 * then null. A second call makes new handles and leaves the old ones alone. */
SS_FP_API int libss_fp_pub_init(void);

/* Registry exerciser entries. Each prints its first line ("mod: %d, grp: %s\n"
 * or, for the capture entry without a group, "mod: %d\n") and then what the
 * registries print. A group of NULL or "ALL" means every group. */

/* Capture registries: op 3 dumps, 4 resets; module 0 means modules 1 to 10. */
SS_FP_API void ut_libss_fp_cap_op(int op, int mod, const char *grp);
/* ut_libss_fp_cap_op(3, 0, NULL). */
SS_FP_API void ut_libss_fp_cap_dump_all(void);
/* ut_libss_fp_cap_op(4, 0, NULL). */
SS_FP_API void ut_libss_fp_cap_reset_all(void);
/* Counter registries: op 3 dumps, 4 resets (module 0: modules 1 to 10); op 5
 * sets the enable flag of module 1 to 10 to 'enable'. */
SS_FP_API void ut_libss_fp_cnt_op(int op, int mod, const char *grp, uint8_t enable);
/* Dumps (3) or resets (4) the counter registry of module 1 to 10. */
SS_FP_API void ut_libss_fp_cnt_grp_op(int mod, const char *grp, int op);

#ifdef __cplusplus
}
#endif

#endif /* LIBSS_FP_PUB_H */
