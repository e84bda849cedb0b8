/*
 * Chained hash table of untyped items.
 *
 * Separate chaining in circular doubly linked lists, a per-bucket item count
 * kept in one byte (it wraps at 256), an optional warning when a chain grows
 * past a threshold, and full or sliced traversal with a callback. The table
 * stores the caller's pointers and never owns the items: releasing them is the
 * caller's business. Its own storage comes from the system allocator.
 *
 * Keys: lookup and removal take a key that the hash and comparison callbacks
 * accept in place of an item (in practice a local record of the item's type
 * holding the key fields).
 *
 * Thread safety: none inside. Every user guards every call, traversals
 * included, with a lock of its own; callbacks run under that lock.
 *
 * Usage:
 *     libss_hash_t *t = libss_create_hash(100, node_hash, node_cmp);
 *     if (t == NULL || libss_hash_insert_item(t, node) != 0) { ... out of memory ... }
 *     struct node key = { .id = 7 };
 *     struct node *n = libss_hash_find_item(t, &key);
 */
#ifndef LIBSS_HASH_H
#define LIBSS_HASH_H

#include <stdint.h>

#include "ss_fp_export.h"
#include "ss_fp_list.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Hashes an item, or a key shaped like an item. */
typedef uint32_t (*libss_hash_func_t)(void *item);
/* Compares an item of the table with a key: 0 when they match. */
typedef int (*libss_hash_cmp_func_t)(void *item, void *key);
/* Visits one item; a non-zero result ends the traversal with that result. */
typedef int (*libss_hash_op_func_t)(void *item, void *arg);

/* One stored item: a link of its bucket's chain. */
typedef struct libss_hash_node {
    ss_fp_list_t link; /* Next and previous links of the chain, through the bucket head. */
    void *item;        /* The caller's pointer. */
} libss_hash_node_t;

typedef struct libss_hash {
    uint32_t table_size;          /* Number of buckets, fixed at creation, at least 1. */
    uint32_t item_num;            /* Number of items in the table. */
    uint32_t bucket_warning_size; /* Chain-length warning threshold; 0 means none. */
    uint32_t max_bucket_num;      /* Largest bucket count reached; never lowered. */
    uint8_t *bucket_num;          /* Per-bucket item count, wrapping at 256. */
    ss_fp_list_t *buckets;        /* Chain heads, one per bucket. */
    libss_hash_func_t hash_func;  /* Hash of an item or key. */
    libss_hash_cmp_func_t cmp_func; /* Item-to-key comparison. */
} libss_hash_t;

/* Creation and destruction. */

/* Makes a table for about 'size' items ('size' / 0.75 buckets; 0 asks for the
 * default of 1365 buckets). Returns NULL when memory runs out. */
SS_FP_API libss_hash_t *libss_create_hash(uint32_t size, libss_hash_func_t hash_func,
                                          libss_hash_cmp_func_t cmp_func);

/* Releases the table's own storage. Releases no item and no link: callers
 * empty the table first. */
SS_FP_API void libss_destroy_hash(libss_hash_t *hash);

/* Insertion and deletion. */

/* Links 'item' at the head of its chain (equal items may be stored twice).
 * Returns 0, or -12 when no link can be allocated (table unchanged). Prints a
 * warning on standard output when the chain grows past the warning size. */
SS_FP_API int libss_hash_insert_item(libss_hash_t *hash, void *item);

/* Removes the first item of its chain that matches 'key'; nothing when none does. */
SS_FP_API void libss_hash_del_item(libss_hash_t *hash, void *key);

/* Search. */

/* Returns the first item of its chain that matches 'key' (the most recently
 * inserted among equal items), or NULL. */
SS_FP_API void *libss_hash_find_item(libss_hash_t *hash, void *key);

/* Traversal. The callback may remove (and release) the item it is given, and
 * no other item of the same chain; an item it inserts may or may not be seen. */

/* Calls 'func(item, arg)' for every item, bucket by bucket. Returns the first
 * non-zero result of 'func', or 0. */
SS_FP_API int libss_hash_each_item_op(libss_hash_t *hash, libss_hash_op_func_t func, void *arg);

/* Visits slice 'cur_part' (from 0) of 'max_part' slices of the buckets; the
 * slices of one 'max_part' cover every bucket once. Returns -1 (and prints
 * the slice arguments) when cur_part >= max_part or max_part > table_size. */
SS_FP_API int libss_hash_each_item_op_partly(libss_hash_t *hash, libss_hash_op_func_t func, void *arg,
                                             uint32_t max_part, uint32_t cur_part);

/* Figures. */

SS_FP_API uint32_t libss_hash_get_current_item_num(libss_hash_t *hash);

/* The item count of the bucket that 'key' hashes to. */
SS_FP_API uint32_t libss_hash_get_current_bucket_num(libss_hash_t *hash, void *key);

/* Sets the chain-length warning threshold; 0 turns the warning off. */
SS_FP_API void libss_hash_set_bucket_warning_size(libss_hash_t *hash, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif /* LIBSS_HASH_H */
