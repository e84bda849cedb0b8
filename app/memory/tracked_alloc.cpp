// The tracked allocator: zero-filled blocks from the system allocator, and,
// while the statistics switch is on, per-file call counts and per-file,
// per-size allocation counts kept in the allocation-record table.
#include <cstdint>
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

alignas(64) pthread_mutex_t g_mem_stats_mutex = PTHREAD_MUTEX_INITIALIZER;  // alone on its cache line

namespace {

ss_fp_size_info_t *size_info_of(ss_fp_list_t *link) { return reinterpret_cast<ss_fp_size_info_t *>(link); }

ss_fp_size_info_t *find_size(ss_fp_mem_info_t *rec, int size) {
    ss_fp_list_t *head = &rec->size_list;
    for (ss_fp_list_t *l = head->next; l != head; l = l->next) {
        if (size_info_of(l)->size == size) return size_info_of(l);
    }
    return nullptr;
}

// True when this call is to be counted: statistics on, the table ready, a file.
bool counting(const char *file) {
    return load_relaxed(malloc_free_sw) != 0 && load_relaxed(is_hash_init) != 0 && file != nullptr;
}

// Builds the 80-byte key of 'file'; false when the name does not fit with its NUL.
bool make_key(const char *file, ss_fp_mem_info_t *key) {
    size_t len = strnlen(file, SS_FP_MEM_FILE_NAME_LEN);
    if (len + 1 > SS_FP_MEM_FILE_NAME_LEN) return false;
    std::memset(key, 0, sizeof *key);
    std::memcpy(key->file_name, file, len);
    return true;
}

// Recent hits: the record (and its slot) last counted for a caller's 'file'
// pointer, so that the next call from that file neither builds nor hashes its
// key. An entry is used only once its slot is seen to hold that record still
// and the record to carry the name 'file' points to now: a table growth, a
// removal, a destroyed record or a reused name buffer all make it a miss.
// Guarded by g_mem_stats_mutex.
struct alignas(64) RecentHit {  // one line each: threads counting different files share none
    const char *file;
    ss_fp_mem_info_t *rec;
    uint32_t slot;
};
constexpr size_t kRecentHits = 32;
RecentHit g_recent[kRecentHits];

RecentHit &recent_of(const char *file) {
    auto a = reinterpret_cast<uintptr_t>(file);
    return g_recent[(a ^ a >> 5 ^ a >> 11) % kRecentHits];
}

bool names_match(const ss_fp_mem_info_t *rec, const char *file) {
    return rec->file_name[SS_FP_MEM_FILE_NAME_LEN - 1] == '\0' &&
           std::strncmp(rec->file_name, file, SS_FP_MEM_FILE_NAME_LEN) == 0;
}

// The record of 'file', created with count 0 and an empty size list when
// missing; null when the name does not fit or the record cannot be made.
// Caller holds the statistics mutex.
ss_fp_mem_info_t *record_of_locked(const char *file) {
    RecentHit &hit = recent_of(file);
    if (hit.file == file && mem_table_holds(hit.slot, hit.rec) && names_match(hit.rec, file)) return hit.rec;
    ss_fp_mem_info_t key;
    if (!make_key(file, &key)) return nullptr;
    uint32_t slot = 0;
    ss_fp_mem_info_t *rec = mem_table_find(&key, &slot);
    if (rec == nullptr) {
        if (ss_fp_mem_info_cache_create(&rec, &key) == nullptr) return nullptr;
        list_init(&rec->size_list);
        if (mem_table_find(&key, &slot) != rec) return rec;
    }
    hit = RecentHit{file, rec, slot};
    return rec;
}

__attribute__((noinline)) void count_allocation_on(const char *file, int size) {
    MutexLock guard(&g_mem_stats_mutex);
    ss_fp_mem_info_t *rec = record_of_locked(file);
    if (rec == nullptr) return;
    rec->count++;
    ss_fp_size_info_t *si = find_size(rec, size);
    if (si == nullptr && (si = ss_fp_add_size_info(rec, size)) == nullptr) return;
    si->count++;
}

__attribute__((noinline)) void count_release_on(const char *file) {
    MutexLock guard(&g_mem_stats_mutex);
    ss_fp_mem_info_t *rec = record_of_locked(file);
    if (rec != nullptr) rec->count--;
}

// The statistics switch is tested inline; the counting itself is out of line.
inline void count_allocation(const char *file, int size) {
    if (counting(file)) count_allocation_on(file, size);
}

inline void count_release(const char *file) {
    if (counting(file)) count_release_on(file);
}

void print_record(const char *name, int32_t count) { fpss::say("[%-120s]: %d\n", name, static_cast<int>(count)); }

void print_size(int32_t size, uint32_t count) {
    fpss::say("\t>>[size_%d(Byte)]: %d\n", static_cast<int>(size), static_cast<int>(count));
}

// The report's figures, copied under the statistics mutex and printed after
// it: a stalled standard output never holds up a tracked call. One block of
// system memory holds the records, then all their size lines.
struct SnapRecord {
    char name[SS_FP_MEM_FILE_NAME_LEN + 1];
    int32_t count;
    uint32_t sizes;
};
struct SnapSize {
    int32_t size;
    uint32_t count;
};
struct Snapshot {
    SnapRecord *recs;
    SnapSize *sizes;
    uint32_t rec_num;
    uint32_t size_num;
    bool detail;
};

uint32_t size_lines(ss_fp_mem_info_t *rec) {
    uint32_t n = 0;
    ss_fp_list_t *head = &rec->size_list;
    for (ss_fp_list_t *l = head->next; l != head; l = l->next) ++n;
    return n;
}

int count_lines(ss_fp_mem_info_t *rec, void *arg) {
    auto *snap = static_cast<Snapshot *>(arg);
    snap->rec_num++;
    if (snap->detail) snap->size_num += size_lines(rec);
    return 0;
}

int copy_record(ss_fp_mem_info_t *rec, void *arg) {
    auto *snap = static_cast<Snapshot *>(arg);
    SnapRecord &out = snap->recs[snap->rec_num++];
    std::memcpy(out.name, rec->file_name, SS_FP_MEM_FILE_NAME_LEN);
    out.name[SS_FP_MEM_FILE_NAME_LEN] = '\0';
    out.count = rec->count;
    out.sizes = 0;
    if (!snap->detail) return 0;
    ss_fp_list_t *head = &rec->size_list;
    for (ss_fp_list_t *l = head->next; l != head; l = l->next, ++out.sizes) {
        snap->sizes[snap->size_num++] = SnapSize{size_info_of(l)->size, size_info_of(l)->count};
    }
    return 0;
}

int print_live(ss_fp_mem_info_t *rec, void *arg) {
    return ss_fp_debug_dump_mem_use_info(rec, static_cast<const uint32_t *>(arg));
}

// Takes the snapshot; false (nothing to free) when its memory cannot be had.
bool take_snapshot_locked(Snapshot *snap, void **block) {
    *snap = Snapshot{nullptr, nullptr, 0, 0, snap->detail};
    ss_fp_mem_info_hash_traverse(&count_lines, snap);
    size_t rec_bytes = sizeof(SnapRecord) * snap->rec_num;
    *block = sys_malloc(rec_bytes + sizeof(SnapSize) * snap->size_num + 1);
    if (*block == nullptr) return false;
    snap->recs = static_cast<SnapRecord *>(*block);
    snap->sizes = reinterpret_cast<SnapSize *>(static_cast<char *>(*block) + rec_bytes);
    snap->rec_num = snap->size_num = 0;
    ss_fp_mem_info_hash_traverse(&copy_record, snap);
    return true;
}

void print_snapshot(const Snapshot &snap) {
    const SnapSize *size = snap.sizes;
    for (uint32_t r = 0; r < snap.rec_num; ++r) {
        print_record(snap.recs[r].name, snap.recs[r].count);
        for (uint32_t i = 0; i < snap.recs[r].sizes; ++i, ++size) print_size(size->size, size->count);
    }
}

}  // namespace

void *tracked_malloc(int size, const char *file) {
    void *p = size < 0 ? nullptr : sys_zalloc(1, static_cast<size_t>(size));
    count_allocation(file, size);
    return p;
}

void tracked_free(void *ptr, const char *file) {
    sys_free(ptr);
    count_release(file);
}

}  // namespace fpss

using namespace fpss;

extern "C" {

void *ss_fp_malloc(int size, const char *file) { return tracked_malloc(size, file); }

void *ss_fp_calloc(int count, int size, const char *file) {
    // Non-negative ints multiply without overflow in size_t; calloc checks the rest.
    void *p = (count < 0 || size < 0) ? nullptr : sys_zalloc(static_cast<size_t>(count), static_cast<size_t>(size));
    count_allocation(file, size);
    return p;
}

void ss_fp_free(void *ptr, const char *file) { tracked_free(ptr, file); }

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
    return rec == nullptr ? nullptr : find_size(rec, size);
}

int ss_fp_debug_malloc_free_sw(uint8_t op) {
    store_relaxed(malloc_free_sw, op);
    return fpss::say_line(op != 0 ? "malloc_free_sw opened." : "malloc_free_sw closed.");
}

int ss_fp_debug_dump_mem_use_info(ss_fp_mem_info_t *rec, const uint32_t *show_detail) {
    if (rec == nullptr) return 0;
    print_record(rec->file_name, rec->count);
    if (show_detail == nullptr || *show_detail == 0) return 0;
    ss_fp_list_t *head = &rec->size_list;
    for (ss_fp_list_t *l = head->next; l != head; l = l->next)
        print_size(size_info_of(l)->size, size_info_of(l)->count);
    return 0;
}

int ss_fp_debug_dump_mem_use_info_all(uint32_t show_detail) {
    if (load_relaxed(is_hash_init) == 0) return -1;
    fpss::say_line("====begin ss_fp_debug_dump_mem_use_info====");
    Snapshot snap{};
    snap.detail = show_detail != 0;
    void *block = nullptr;
    {
        MutexLock guard(&g_mem_stats_mutex);
        // Without memory for a copy the report prints as it walks.
        if (!take_snapshot_locked(&snap, &block)) ss_fp_mem_info_hash_traverse(&print_live, &show_detail);
    }
    if (block != nullptr) {
        print_snapshot(snap);
        sys_free(block);
    }
    fpss::say_line("====end ss_fp_debug_dump_mem_use_info====");
    return 0;
}

}  // extern "C"
