/*
 * Policy resource records: builders and releasers of the protobuf-c messages
 * of package s_policy (schema app/memory/proto/s_policy.proto) that describe how the
 * classifier's resources are used.
 *
 * The builders fill the first n slots of a caller's array of message pointers
 * with whole messages, nested arrays and element messages included, every byte
 * zero apart from the message headers and the nested counts and arrays. All
 * memory comes from the tracked allocator under "app/libss_fp_debug".
 *
 * Ownership: a message owns its nested pointer array and the messages in it.
 * The outer array 'nodes' is allocated by the caller with the tracked allocator
 * (so its slots start null); the releasers free it too. Pass a releaser the
 * same counts as its builder: it walks the counts it is given, not the counts
 * stored in the messages. A builder that runs out of memory stops at once,
 * leaving what it built linked and the failed slot and every later one null,
 * so that the releaser with the same counts frees all of it.
 *
 * Counts are signed; a count below 1 means no elements. An inner count below 1
 * gives messages with a stored count of 0 and an empty (size 0) nested array.
 *
 * The message descriptors stay inside the library; a process that packs or
 * unpacks these messages compiles the schema with protoc-c itself.
 *
 * Thread safety: no lock; a set of messages belongs to the thread that builds
 * it until that thread hands it on.
 */
#ifndef SS_FP_RES_H
#define SS_FP_RES_H

#include "proto/s_policy.pb-c.h"
#include "ss_fp_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Group messages. */

/* Fills slots 0 to group_num - 1 with group messages of apply_num apply-info
 * messages each. Returns 0 (also for group_num < 1), 2 when an allocation
 * fails, -1 for a null array. */
SS_FP_API int ss_fp_malloc_group_info(SPolicy__GroupInfoNode **nodes, int group_num, int apply_num);
/* Releases what ss_fp_malloc_group_info built with the same counts, and 'nodes'. */
SS_FP_API void ss_fp_free_group_info(SPolicy__GroupInfoNode **nodes, int group_num, int apply_num);

/* Resource and slice messages. */

/* Fills slots 0 to res_num - 1 with resource messages of slice_num slices
 * each (the 'slice_num' field itself stays 0). */
SS_FP_API void ss_fp_malloc_res_node(SPolicy__ResNode **nodes, int res_num, int slice_num);
/* Releases what ss_fp_malloc_res_node built with the same counts, and 'nodes'. */
SS_FP_API void ss_fp_free_res_node(SPolicy__ResNode **nodes, int res_num, int slice_num);
/* Releases the first slice_num slice messages of 'slices' and the array. */
SS_FP_API void ss_fp_free_slice_node(SPolicy__SliceNode **slices, int slice_num);

/* Unit messages. */

/* Fills slots 0 to unit_num - 1 with unit messages of res_num resource
 * messages of slice_num slices each. */
SS_FP_API void ss_fp_malloc_unit_res_node(SPolicy__UnitResNode **nodes, int unit_num, int res_num, int slice_num);
/* Releases what ss_fp_malloc_unit_res_node built with the same counts, and 'nodes'. */
SS_FP_API void ss_fp_free_unit_res_node(SPolicy__UnitResNode **nodes, int unit_num, int res_num, int slice_num);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_RES_H */
