/*
 * Timing capture: a per-module registry that times named operations.
 *
 * Every FP module's public handle holds one registry by value. A caller
 * brackets an operation with the 'start' and 'stop' operations of the
 * registry, naming a group (at most 63 characters) and, inside it, an info
 * node (at most 199 characters; one per timed function or operation). The
 * registry counts the runs, adds up the elapsed microseconds of the monotonic
 * clock between each start and its stop, and dumps per group a table sorted by
 * name with runs, total and average time, and the group's total.
 *
 * Groups (at most 100 per registry) and info nodes (at most 200 per group) are
 * made on first use and live as long as the process; a reset zeroes the
 * figures but removes nothing. There is no destroy operation.
 *
 * The operations are reached through the pointers stored in the registry by
 * libss_fp_cap_init_hdl_func(); each takes the registry's own address first:
 *
 *     libss_fp_cap_hdl_t *cap = &handle->cap_hdl;
 *     cap->start(cap, "acl", "add_ace");
 *     ... the timed work ...
 *     cap->stop(cap, "acl", "add_ace");
 *     cap->dump(cap, NULL, handle->mod_name);
 *
 * Results: 0 on success; LIBSS_FP_REG_E_ARG (-2) for a null argument or an
 * info node that can be neither found nor made; LIBSS_FP_REG_E_NO_GROUP (5)
 * from reset and dump when the registry has no group yet or the named group is
 * not in it; LIBSS_FP_REG_E_NAME_LEN (6) from reset and dump for a group name
 * of 64 characters or more.
 *
 * Thread safety: any thread may call any operation. The registry's lock
 * guards its group table and count; each group's lock guards its table of
 * info nodes and their count. The registry's lock is always taken before a
 * group's lock, never after. The figures of one info node are consistent under
 * concurrent starts, stops, resets and dumps.
 *
 * Build: the records embed POSIX read-write locks; a strict ISO C program
 * includes this header before any system header (or defines _POSIX_C_SOURCE).
 */
#ifndef LIBSS_FP_CAP_MON_H
#define LIBSS_FP_CAP_MON_H

#if !defined(_POSIX_C_SOURCE) && !defined(_XOPEN_SOURCE) && !defined(_GNU_SOURCE) && !defined(_DEFAULT_SOURCE)
#define _POSIX_C_SOURCE 200809L
#endif
#include <pthread.h>
#include <stdint.h>

#include "libss_hash.h"
#include "ss_fp_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Results of the registry operations (shared with the event counters). */
#define LIBSS_FP_REG_E_ARG (-2)      /* null argument, or the node can be neither found nor made */
#define LIBSS_FP_REG_E_NO_GROUP 5    /* no group table yet, or the group is not in it */
#define LIBSS_FP_REG_E_NAME_LEN 6    /* group name of 64 characters or more */

/* Name widths, terminating NUL included, and limits. */
#define LIBSS_FP_REG_GRP_NAME_LEN 64   /* group name */
#define LIBSS_FP_REG_INFO_NAME_LEN 200 /* info node name */
#define LIBSS_FP_REG_MAX_GRP 100       /* groups per registry */
#define LIBSS_FP_REG_MAX_INFO 200      /* info nodes per group */

struct libss_fp_cap_hdl;

/* 'start' and 'stop': registry, group name, info name. */
typedef int (*libss_fp_cap_op_func_t)(struct libss_fp_cap_hdl *cap_hdl, const char *grp, const char *name);
/* 'reset': registry, group name or NULL for every group. */
typedef int (*libss_fp_cap_reset_func_t)(struct libss_fp_cap_hdl *cap_hdl, const char *grp);
/* 'dump': registry, group name or NULL for every group, module name to print. */
typedef int (*libss_fp_cap_dump_func_t)(struct libss_fp_cap_hdl *cap_hdl, const char *grp, const char *mod_name);

/* The registry, held by value in the module's public handle. Zero-filled
 * before libss_fp_cap_init_hdl_func(), which sets the lock and the four
 * operation pointers. */
typedef struct libss_fp_cap_hdl {
    pthread_rwlock_t lock;           /* Guards grp_hash and grp_num; taken before any group's lock. */
    libss_hash_t *grp_hash;          /* Table of groups; NULL until the first start or stop. */
    int32_t grp_num;                 /* Groups in grp_hash; at most 100. */
    libss_fp_cap_op_func_t start;    /* libss_fp_cap_start: counts a run and stamps the clock. */
    libss_fp_cap_op_func_t stop;     /* libss_fp_cap_stop: adds the elapsed time. */
    libss_fp_cap_reset_func_t reset; /* libss_fp_cap_reset: zeroes the figures. */
    libss_fp_cap_dump_func_t dump;   /* libss_fp_cap_dump: prints the sorted tables. */
} libss_fp_cap_hdl_t;

/* A group of info nodes. */
typedef struct libss_fp_cap_grp {
    char name[LIBSS_FP_REG_GRP_NAME_LEN]; /* NUL-terminated name; first, so a name buffer is a lookup key. */
    pthread_rwlock_t lock;                /* Guards cap_hash and info_num. */
    libss_hash_t *cap_hash;               /* Table of info nodes. */
    uint64_t total_time;                  /* Sum of the nodes' total_time at the last dump, microseconds. */
    uint32_t info_num;                    /* Info nodes in cap_hash; at most 200. */
} libss_fp_cap_grp_t;

/* One timed function or operation. */
typedef struct libss_fp_cap_info {
    char name[LIBSS_FP_REG_INFO_NAME_LEN]; /* NUL-terminated name; first field. */
    uint8_t running;                       /* 1 between a start and its stop, else 0. */
    int32_t times;                         /* Starts that moved the node from idle to running. */
    int64_t start_time;                    /* Clock reading of the last start (or reset while running), us. */
    int64_t total_time;                    /* Sum of the intervals closed by a stop, microseconds. */
} libss_fp_cap_info_t;

/* Start-up. */

/* Initialises the registry's lock and stores the four operation pointers; the
 * rest of the registry must be zero-filled beforehand. Returns 0, or -2 (with
 * an error report) when 'cap_hdl' is NULL. */
SS_FP_API int libss_fp_cap_init_hdl_func(libss_fp_cap_hdl_t *cap_hdl);

#ifdef __cplusplus
}
#endif

#endif /* LIBSS_FP_CAP_MON_H */
