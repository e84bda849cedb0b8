/*
 * Event counters: a per-module registry of named counters in named groups.
 *
 * Built exactly like the timing-capture registry (libss_fp_cap_mon.h): the
 * same two-level structure, name widths, limits, creation on first use, locks,
 * results and dump frame. A caller increments or decrements a counter (an
 * info node) inside a group; the registry keeps each counter and a running
 * total per group (+1 per inc, -1 per dec, both wrapping modulo 2^64), and
 * dumps per group the total and the counters sorted by name. A reset zeroes
 * the counters and leaves the group totals as they are.
 *
 *     libss_fp_cnt_hdl_t *cnt = &handle->cnt_hdl;
 *     cnt->inc(cnt, "acl", "ace_added");
 *     cnt->dump(cnt, "acl", handle->mod_name);
 *
 * The registry also stores an enable flag for its callers; no operation of the
 * registry reads it.
 *
 * Thread safety: as for the timing-capture registry. Counters and totals are
 * updated atomically, so concurrent incs and decs are never lost.
 */
#ifndef LIBSS_FP_CNT_H
#define LIBSS_FP_CNT_H

#include "libss_fp_cap_mon.h"

#ifdef __cplusplus
extern "C" {
#endif

struct libss_fp_cnt_hdl;

/* 'inc' and 'dec': registry, group name, info name. */
typedef int (*libss_fp_cnt_op_func_t)(struct libss_fp_cnt_hdl *cnt_hdl, const char *grp, const char *name);
/* 'reset': registry, group name or NULL for every group. */
typedef int (*libss_fp_cnt_reset_func_t)(struct libss_fp_cnt_hdl *cnt_hdl, const char *grp);
/* 'dump': registry, group name or NULL for every group, module name to print. */
typedef int (*libss_fp_cnt_dump_func_t)(struct libss_fp_cnt_hdl *cnt_hdl, const char *grp, const char *mod_name);
/* 'enable_set': registry, flag value. */
typedef int (*libss_fp_cnt_enable_func_t)(struct libss_fp_cnt_hdl *cnt_hdl, uint8_t enable);

/* The registry, held by value in the module's public handle. Zero-filled
 * before libss_fp_cnt_init_hdl_func(), which sets the lock and the five
 * operation pointers. */
typedef struct libss_fp_cnt_hdl {
    pthread_rwlock_t lock;                /* Guards grp_hash and grp_num; taken before any group's lock. */
    libss_hash_t *grp_hash;               /* Table of groups; NULL until the first inc or dec. */
    int32_t grp_num;                      /* Groups in grp_hash; at most 100. */
    uint8_t enable;                       /* Flag for the callers, stored by enable_set; 0 at first. */
    libss_fp_cnt_op_func_t inc;           /* libss_fp_cnt_inc: counter and group total +1. */
    libss_fp_cnt_op_func_t dec;           /* libss_fp_cnt_dec: counter and group total -1. */
    libss_fp_cnt_reset_func_t reset;      /* libss_fp_cnt_reset: zeroes the counters. */
    libss_fp_cnt_dump_func_t dump;        /* libss_fp_cnt_dump: prints the groups and counters. */
    libss_fp_cnt_enable_func_t enable_set; /* libss_fp_cnt_enable_set: stores 'enable'. */
} libss_fp_cnt_hdl_t;

/* A group of counters. */
typedef struct libss_fp_cnt_grp {
    char name[LIBSS_FP_REG_GRP_NAME_LEN]; /* NUL-terminated name; first, so a name buffer is a lookup key. */
    pthread_rwlock_t lock;                /* Guards cnt_hash and info_num. */
    libss_hash_t *cnt_hash;               /* Table of counters. */
    uint64_t total;                       /* Running total of the group's incs minus decs; kept by resets. */
    uint32_t info_num;                    /* Counters in cnt_hash; at most 200. */
} libss_fp_cnt_grp_t;

/* One counter. */
typedef struct libss_fp_cnt_info {
    char name[LIBSS_FP_REG_INFO_NAME_LEN]; /* NUL-terminated name; first field. */
    uint64_t cnt;                          /* +1 per inc, -1 per dec, wrapping; zeroed by a reset. */
} libss_fp_cnt_info_t;

/* Start-up. */

/* Initialises the registry's lock and stores the five operation pointers; the
 * rest of the registry must be zero-filled beforehand. Returns 0, or -2 (with
 * an error report) when 'cnt_hdl' is NULL. */
SS_FP_API int libss_fp_cnt_init_hdl_func(libss_fp_cnt_hdl_t *cnt_hdl);

#ifdef __cplusplus
}
#endif

#endif /* LIBSS_FP_CNT_H */
