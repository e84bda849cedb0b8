// Shared pieces of the tracked allocator and its allocation-record table.
#ifndef FPSS_MEMORY_MEM_STATS_H
#define FPSS_MEMORY_MEM_STATS_H

#include <pthread.h>

#include "ss_fp_mem.h"

namespace fpss {

// Guards the allocation-record table, every record and every size record in
// it. Statically initialised: the allocator needs no start-up call.
extern pthread_mutex_t g_mem_stats_mutex;

// ss_fp_malloc() and ss_fp_free() for the library's own callers: direct
// calls, not through the exported names.
void *tracked_malloc(int size, const char *file);
void tracked_free(void *ptr, const char *file);

// lookup2 hash of an 80-byte file-name key (initial value 0).
uint32_t mem_key_hash(const char (&file_name)[SS_FP_MEM_FILE_NAME_LEN]);

// Inserts 'rec' and tells whether the table now holds it (false when a record
// with its key was already live or a resize ran out of memory).
bool mem_table_insert(ss_fp_mem_info_t *rec);

// The live record with the key of 'key' and its slot, or null (slot unset).
ss_fp_mem_info_t *mem_table_find(const ss_fp_mem_info_t *key, uint32_t *slot);

// True when slot 'slot' of the table is live and holds 'rec'.
bool mem_table_holds(uint32_t slot, const ss_fp_mem_info_t *rec);

}  // namespace fpss

#endif  // FPSS_MEMORY_MEM_STATS_H
