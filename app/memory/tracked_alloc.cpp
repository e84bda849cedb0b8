// The tracked allocator: zero-filled blocks from the system allocator, and,
// while the statistics switch is on, per-file call counts and per-file,
// per-size allocation counts kept in the allocation-record table.
#include <cstdio>
#include <cstring>

#include "core/list.h"
#include "core/locks.h"
#include "core/relaxed.h"
#include "core/stdout.h"
#include "core/sysalloc.h"
#include "memory/mem_stats.h"

static_assert(offsetof(ss_fp_size_info_t, link) == 0, "a size-list link must be usable as its record");

extern "C" {
SS_FP_API uint8_t malloc_free_sw = 0;
}

namespace fpss {

pthread_mutex_t g_mem_stats_mutex = PTHREAD_MUTEX_INITIALIZER;

namespace {

ss_fp_size_info_t *size_info_of(ss_fp_list_t *link) { return reinterpret_cast<ss_fp_size_info_t *>(link); }

// Builds the 80-byte key of 'file'; false when the call is not to be counted
// (statistics off, no table, or a name that does not fit with its NUL).
bool make_key(const char *file, ss_fp_mem_info_t *key) {
    if (load_relaxed(malloc_free_sw) == 0 || load_relaxed(is_hash_init) == 0 || file == nullptr) return false;
    size_t len = strnlen(file, SS_FP_MEM_FILE_NAME_LEN);
    if (len + 1 > SS_FP_MEM_FILE_NAME_LEN) return false;
    std::memset(key, 0, sizeof *key);
    std::memcpy(key->file_name, file, len);
    return true;
}

// The record of 'key', created with count 0 and an empty size list when
// missing; null when it cannot be made. Caller holds the statistics mutex.
ss_fp_mem_info_t *find_or_create(const ss_fp_mem_info_t *key) {
    ss_fp_mem_info_t *rec = ss_fp_mem_info_hash_find(key);
    if (rec != nullptr) return rec;
    ss_fp_mem_info_t *made = nullptr;
    if (ss_fp_mem_info_cache_create(&made, key) == nullptr) return nullptr;
    list_init(&made->size_list);
    return made;
}

void count_allocation(const char *file, int size) {
    ss_fp_mem_info_t key;
    if (!make_key(file, &key)) return;
    MutexLock guard(&g_mem_stats_mutex);
    ss_fp_mem_info_t *rec = find_or_create(&key);
    if (rec == nullptr) return;
    rec->count++;
    ss_fp_size_info_t *si = ss_fp_find_size_info(rec, size);
    if (si == nullptr && (si = ss_fp_add_size_info(rec, size)) == nullptr) return;
    si->count++;
}

void count_release(const char *file) {
    ss_fp_mem_info_t key;
    if (!make_key(file, &key)) return;
    MutexLock guard(&g_mem_stats_mutex);
    ss_fp_mem_info_t *rec = find_or_create(&key);
    if (rec != nullptr) rec->count--;
}

}  // namespace
}  // namespace fpss

using namespace fpss;

extern "C" {

void *ss_fp_malloc(int size, const char *file) {
    void *p = size < 0 ? nullptr : sys_calloc(1, static_cast<size_t>(size));
    count_allocation(file, size);
    return p;
}

void *ss_fp_calloc(int count, int size, const char *file) {
    // Non-negative ints multiply without overflow in size_t; calloc checks the rest.
    void *p = (count < 0 || size < 0) ? nullptr : sys_calloc(static_cast<size_t>(count), static_cast<size_t>(size));
    count_allocation(file, size);
    return p;
}

void ss_fp_free(void *ptr, const char *file) {
    sys_free(ptr);
    count_release(file);
}

ss_fp_size_info_t *ss_fp_add_size_info(ss_fp_mem_info_t *rec, int size) {
    if (rec == nullptr) return nullptr;
    auto *si = sys_new_zeroed<ss_fp_size_info_t>();
    if (si == nullptr) return nullptr;
    si->size = size;
    ss_fp_list_t *head = &rec->size_list;
    ss_fp_list_t *pos = head->next;
    while (pos != head && size_info_of(pos)->size >= size) pos = pos->next;
    list_add_before(&si->link, pos);  // before the first smaller size, or at the tail
    return si;
}

ss_fp_size_info_t *ss_fp_find_size_info(ss_fp_mem_info_t *rec, int size) {
    if (rec == nullptr) return nullptr;
    ss_fp_list_t *head = &rec->size_list;
    for (ss_fp_list_t *l = head->next; l != head; l = l->next) {
        if (size_info_of(l)->size == size) return size_info_of(l);
    }
    return nullptr;
}

int ss_fp_debug_malloc_free_sw(uint8_t op) {
    store_relaxed(malloc_free_sw, op);
    return fpss::say_line(op != 0 ? "malloc_free_sw opened." : "malloc_free_sw closed.");
}

int ss_fp_debug_dump_mem_use_info(ss_fp_mem_info_t *rec, const uint32_t *show_detail) {
    if (rec == nullptr) return 0;
    fpss::say("[%-120s]: %d\n", rec->file_name, static_cast<int>(rec->count));
    if (show_detail == nullptr || *show_detail == 0) return 0;
    ss_fp_list_t *head = &rec->size_list;
    for (ss_fp_list_t *l = head->next; l != head; l = l->next) {
        fpss::say("\t>>[size_%d(Byte)]: %d\n", static_cast<int>(size_info_of(l)->size),
                  static_cast<int>(size_info_of(l)->count));
    }
    return 0;
}

int ss_fp_debug_dump_mem_use_info_all(uint32_t show_detail) {
    if (load_relaxed(is_hash_init) == 0) return -1;
    fpss::say_line("====begin ss_fp_debug_dump_mem_use_info====");
    {
        MutexLock guard(&g_mem_stats_mutex);
        ss_fp_mem_info_hash_traverse(
            [](ss_fp_mem_info_t *rec, void *arg) {
                return ss_fp_debug_dump_mem_use_info(rec, static_cast<const uint32_t *>(arg));
            },
            &show_detail);
    }
    fpss::say_line("====end ss_fp_debug_dump_mem_use_info====");
    return 0;
}

}  // extern "C"
