/*
 * Tracked allocation of the FP support library.
 *
 * Every record of the FP stack is allocated and released through
 * ss_fp_malloc(), ss_fp_calloc() and ss_fp_free(), each naming the caller's
 * source file. While 'malloc_free_sw' is on (off at load) the allocator keeps,
 * per source file, the number of allocation calls minus release calls and, per
 * file and size, the number of allocation calls of that size. The per-file
 * records live in the allocation-record table below, an open-addressing hash
 * set keyed by the 80-byte file name; the debug report prints them.
 *
 * Memory is always zero-filled. Counters count calls, not bytes or live blocks:
 * an allocation that failed still counts, every release counts down, and a
 * file name of 80 characters or more is never counted.
 *
 * Thread safety: any thread may allocate and release. Every statistics update
 * and the report's walk run under one process-wide mutex; any other user of the
 * table (host code walking 'ss_fp_mem_info_list') must not run concurrently
 * with tracked calls, since an insertion may move every record.
 *
 * Usage:
 *     #define MY_FILE "app/my_module"
 *     struct thing *t = ss_fp_calloc(1, sizeof *t, MY_FILE);
 *     ...
 *     ss_fp_free(t, MY_FILE);
 *     ss_fp_debug_malloc_free_sw(1);          statistics on
 *     ss_fp_debug_dump_mem_use_info_all(1);   report with per-size lines
 */
#ifndef SS_FP_MEM_H
#define SS_FP_MEM_H

#include <stdint.h>

#include "ss_fp_export.h"
#include "ss_fp_list.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SS_FP_MEM_FILE_NAME_LEN 80

/* Statistics of one source file: key and value at once. */
typedef struct ss_fp_mem_info {
    char file_name[SS_FP_MEM_FILE_NAME_LEN]; /* Key: the path, NUL-padded to 80 bytes. */
    int32_t count;                           /* Allocation calls minus release calls. */
    ss_fp_list_t size_list;                  /* Per-size records, largest size first. */
} ss_fp_mem_info_t;

/* Allocation calls of one size from one file: a link of its file's size list. */
typedef struct ss_fp_size_info {
    ss_fp_list_t link; /* Next and previous links of the size list. */
    int32_t size;      /* Size in bytes that the calls asked for. */
    uint32_t count;    /* Allocation calls of this size. */
} ss_fp_size_info_t;

/* The allocation-record table: open addressing with two flag bits per slot. */
typedef struct ss_fp_mem_info_hash {
    uint32_t slot_count;     /* 0 before the first insertion, then a power of two >= 4. */
    uint32_t record_count;   /* Live records. */
    uint32_t occupied_count; /* Live records plus deleted slots. */
    uint32_t grow_limit;     /* occupied_count at which an insertion resizes. */
    uint32_t *slot_flags;    /* Slot i: bits 2*(i%16) (deleted) and 2*(i%16)+1 (empty) of word i/16. */
    ss_fp_mem_info_t **slots; /* Record of each live slot. */
} ss_fp_mem_info_hash_t;

/* Visits one record; a non-zero result ends the walk with that result. */
typedef int (*ss_fp_mem_info_op_func_t)(ss_fp_mem_info_t *rec, void *arg);

/* The table of the process: null until ss_fp_mem_info_hash_init(). */
SS_FP_API extern ss_fp_mem_info_hash_t *ss_fp_mem_info_list;
/* 1 once the table is ready; statistics are kept only then. */
SS_FP_API extern uint8_t is_hash_init;
/* Statistics switch: non-zero counts tracked calls. 0 at load. */
SS_FP_API extern uint8_t malloc_free_sw;

/* Allocation. */

/* A zero-filled block of 'size' bytes (a negative size fails), or NULL. */
SS_FP_API void *ss_fp_malloc(int size, const char *file);
/* A zero-filled array of 'count' elements of 'size' bytes, or NULL (also when
 * either is negative or the product overflows). Accounted under 'size'. */
SS_FP_API void *ss_fp_calloc(int count, int size, const char *file);
/* Releases 'ptr' (NULL allowed); counted as a release from 'file'. */
SS_FP_API void ss_fp_free(void *ptr, const char *file);

/* Statistics and reports. */

/* Links a new size record (count 0) into 'rec''s list at its place; NULL when
 * memory runs out. Does not look for an existing record of that size. */
SS_FP_API ss_fp_size_info_t *ss_fp_add_size_info(ss_fp_mem_info_t *rec, int size);
/* The size record of 'size' in 'rec''s list, or NULL. */
SS_FP_API ss_fp_size_info_t *ss_fp_find_size_info(ss_fp_mem_info_t *rec, int size);
/* Sets 'malloc_free_sw' to 'op', prints "malloc_free_sw opened." or
 * "malloc_free_sw closed."; returns the result of flushing standard output. */
SS_FP_API int ss_fp_debug_malloc_free_sw(uint8_t op);
/* Prints one record, and its per-size lines when '*show_detail' is non-zero. Returns 0. */
SS_FP_API int ss_fp_debug_dump_mem_use_info(ss_fp_mem_info_t *rec, const uint32_t *show_detail);
/* The full report in table order; -1 (nothing printed) before the table exists. */
SS_FP_API int ss_fp_debug_dump_mem_use_info_all(uint32_t show_detail);

/* The allocation-record table. The caller holds off concurrent tracked calls. */

/* Allocates the empty table state into 'ss_fp_mem_info_list'. Returns 0. */
SS_FP_API int ss_fp_mem_info_hash_init(void);
/* ss_fp_mem_info_hash_init(), then 'is_hash_init' = 1 when the table exists. Returns 0. */
SS_FP_API int ss_fp_mem_watch_init(void);
/* Adds 'rec' unless a record with its key is live. Returns 0, also when a
 * resize fails for lack of memory (the record is then not stored). */
SS_FP_API int ss_fp_mem_info_hash_insert(ss_fp_mem_info_t *rec);
/* Marks the slot of the live record with that key deleted; does not release it. */
SS_FP_API void ss_fp_mem_info_hash_remove(const ss_fp_mem_info_t *key);
/* The live record with that key, or NULL. */
SS_FP_API ss_fp_mem_info_t *ss_fp_mem_info_hash_find(const ss_fp_mem_info_t *key);
/* Calls 'func(record, arg)' for every live slot in slot order. */
SS_FP_API int ss_fp_mem_info_hash_traverse(ss_fp_mem_info_op_func_t func, void *arg);
/* The same over slots 'start' to min('start' + 'num', slot_count) - 1. */
SS_FP_API int ss_fp_mem_info_hash_traverse_with_index(ss_fp_mem_info_op_func_t func, uint32_t start,
                                                      uint32_t num, void *arg);
/* Number of live records. */
SS_FP_API uint32_t ss_fp_mem_info_hash_size(void);
/* The record holding 'tmpl''s key (updated with its name and count when it
 * exists, else a new copy of 'tmpl' inserted into the table), also stored
 * through 'out'; NULL through both when memory runs out. A new record's
 * size list is the caller's to make empty. */
SS_FP_API ss_fp_mem_info_t *ss_fp_mem_info_cache_create(ss_fp_mem_info_t **out, const ss_fp_mem_info_t *tmpl);
/* Removes a record from the table and releases it (its size records are the
 * caller's to release first). NULL is ignored. */
SS_FP_API void ss_fp_mem_info_cache_destroy(ss_fp_mem_info_t *rec);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_MEM_H */
