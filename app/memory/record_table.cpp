// The allocation-record table: an open-addressing hash set of per-file
// records keyed by their 80-byte file name, with two flag bits per slot
// (empty, deleted), triangular probing and growth by powers of two.
//
// The table has no lock of its own; the tracked allocator holds its statistics
// mutex around every use.
#include <cmath>
#include <cstring>

#include "core/locks.h"
#include "core/relaxed.h"
#include "core/sysalloc.h"
#include "memory/mem_stats.h"

extern "C" {
SS_FP_API ss_fp_mem_info_hash_t *ss_fp_mem_info_list = nullptr;
SS_FP_API uint8_t is_hash_init = 0;
}

namespace fpss {

namespace {

constexpr uint32_t kFlagDeleted = 1;
constexpr uint32_t kFlagEmpty = 2;
constexpr double kUpperLoad = 0.77;
constexpr uint32_t kMinSlots = 4;

uint32_t flag_words(uint32_t slots) { return slots / 16 > 1 ? slots / 16 : 1; }
uint32_t flags_of(const uint32_t *flags, uint32_t i) { return (flags[i >> 4] >> ((i & 15U) << 1)) & 3U; }
bool is_empty(const uint32_t *flags, uint32_t i) { return (flags_of(flags, i) & kFlagEmpty) != 0; }
bool is_deleted(const uint32_t *flags, uint32_t i) { return (flags_of(flags, i) & kFlagDeleted) != 0; }
bool is_live(const uint32_t *flags, uint32_t i) { return flags_of(flags, i) == 0; }
void set_deleted(uint32_t *flags, uint32_t i) { flags[i >> 4] |= kFlagDeleted << ((i & 15U) << 1); }
void clear_empty(uint32_t *flags, uint32_t i) { flags[i >> 4] &= ~(kFlagEmpty << ((i & 15U) << 1)); }
void set_live(uint32_t *flags, uint32_t i) { flags[i >> 4] &= ~(3U << ((i & 15U) << 1)); }

uint32_t limit_for(uint32_t slots) { return static_cast<uint32_t>(std::lround(slots * kUpperLoad)); }

bool same_key(const ss_fp_mem_info_t *a, const ss_fp_mem_info_t *b) {
    return std::memcmp(a->file_name, b->file_name, SS_FP_MEM_FILE_NAME_LEN) == 0;
}

// Reads a little-endian 32-bit word.
uint32_t load_le32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// One of the mix's three rounds: each word takes the other two away and is
// stirred with a shifted copy of the last one changed.
inline __attribute__((always_inline)) void mix_round(uint32_t &a, uint32_t &b, uint32_t &c, int s1, int s2, int s3) {
    a -= b;
    a -= c;
    a ^= (c >> s1);
    b -= c;
    b -= a;
    b ^= (a << s2);
    c -= a;
    c -= b;
    c ^= (b >> s3);
}

inline __attribute__((always_inline)) void mix(uint32_t &a, uint32_t &b, uint32_t &c) {
    mix_round(a, b, c, 13, 8, 13);
    mix_round(a, b, c, 12, 16, 5);
    mix_round(a, b, c, 3, 10, 15);
}

// Slot of the live record with key 'key', or slot_count when there is none.
uint32_t find_slot(const ss_fp_mem_info_hash_t *t, const ss_fp_mem_info_t *key) {
    uint32_t n = t->slot_count;
    if (n == 0) return 0;
    uint32_t mask = n - 1;
    uint32_t i = mem_key_hash(key->file_name) & mask;
    for (uint32_t step = 0; !is_empty(t->slot_flags, i); i = (i + ++step) & mask) {
        if (is_live(t->slot_flags, i) && same_key(t->slots[i], key)) return i;
        if (step == n) break;  // every slot visited
    }
    return n;
}

// Re-lays the table out over 'n' slots (n >= slot_count). False when memory
// runs out; the table is then unchanged.
bool resize(ss_fp_mem_info_hash_t *t, uint32_t n) {
    uint32_t words = flag_words(n);
    auto *flags = static_cast<uint32_t *>(sys_malloc(static_cast<size_t>(words) * sizeof(uint32_t)));
    if (flags == nullptr) return false;
    std::memset(flags, 0xAA, static_cast<size_t>(words) * sizeof(uint32_t));
    if (n > t->slot_count) {
        // An array of record pointers: sizeof(*slots) is the pointer size on purpose.
        auto *slots = static_cast<ss_fp_mem_info_t **>(
            sys_realloc(t->slots, static_cast<size_t>(n) * sizeof(*t->slots)));  // NOLINT(bugprone-sizeof-expression)
        if (slots == nullptr) {
            sys_free(flags);
            return false;
        }
        t->slots = slots;
    }
    uint32_t old_n = t->slot_count;
    uint32_t mask = n - 1;
    for (uint32_t j = 0; j < old_n; ++j) {
        if (!is_live(t->slot_flags, j)) continue;
        ss_fp_mem_info_t *carried = t->slots[j];
        set_deleted(t->slot_flags, j);
        for (;;) {
            uint32_t i = mem_key_hash(carried->file_name) & mask;
            for (uint32_t step = 0; !is_empty(flags, i);) i = (i + ++step) & mask;
            clear_empty(flags, i);
            if (i < old_n && is_live(t->slot_flags, i)) {
                // Displace the old-layout record still sitting there and place it next.
                ss_fp_mem_info_t *displaced = t->slots[i];
                t->slots[i] = carried;
                carried = displaced;
                set_deleted(t->slot_flags, i);
            } else {
                t->slots[i] = carried;
                break;
            }
        }
    }
    sys_free(t->slot_flags);
    t->slot_flags = flags;
    t->slot_count = n;
    t->occupied_count = t->record_count;
    t->grow_limit = limit_for(n);
    return true;
}

}  // namespace

ss_fp_mem_info_t *mem_table_find(const ss_fp_mem_info_t *key, uint32_t *slot) {
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    if (t == nullptr) return nullptr;
    uint32_t i = find_slot(t, key);
    if (i == t->slot_count) return nullptr;
    *slot = i;
    return t->slots[i];
}

bool mem_table_holds(uint32_t slot, const ss_fp_mem_info_t *rec) {
    const ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    return t != nullptr && slot < t->slot_count && is_live(t->slot_flags, slot) && t->slots[slot] == rec;
}

uint32_t mem_key_hash(const char (&file_name)[SS_FP_MEM_FILE_NAME_LEN]) {
    const auto *k = reinterpret_cast<const unsigned char *>(file_name);
    uint32_t a = 0x9e3779b9U, b = 0x9e3779b9U, c = 0;
    uint32_t len = SS_FP_MEM_FILE_NAME_LEN;
    for (; len >= 12; k += 12, len -= 12) {
        a += load_le32(k);
        b += load_le32(k + 4);
        c += load_le32(k + 8);
        mix(a, b, c);
    }
    // 80 = 6 * 12 + 8: the last eight bytes go to a and b whole.
    static_assert(SS_FP_MEM_FILE_NAME_LEN % 12 == 8, "the key tail is two whole words");
    c += SS_FP_MEM_FILE_NAME_LEN;
    a += load_le32(k);
    b += load_le32(k + 4);
    mix(a, b, c);
    return c;
}

bool mem_table_insert(ss_fp_mem_info_t *rec) {
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    if (t == nullptr || rec == nullptr) return false;
    if (t->occupied_count >= t->grow_limit) {
        uint32_t n;
        if (t->slot_count > 2 * static_cast<uint64_t>(t->record_count)) {
            n = t->slot_count;  // tombstones only: rehash in place
        } else {
            if (t->slot_count > UINT32_MAX / 2) return false;
            n = t->slot_count == 0 ? kMinSlots : t->slot_count * 2;
        }
        if (!resize(t, n)) return false;
    }
    uint32_t n = t->slot_count;
    uint32_t mask = n - 1;
    uint32_t i = mem_key_hash(rec->file_name) & mask;
    uint32_t tomb = n;
    for (uint32_t step = 0; !is_empty(t->slot_flags, i); i = (i + ++step) & mask) {
        if (is_deleted(t->slot_flags, i)) {
            tomb = i;
        } else if (same_key(t->slots[i], rec)) {
            return false;  // an equal key is live: nothing changes
        }
        if (step == n) {  // no empty slot on the way (cannot happen below the limit)
            if (tomb == n) return false;
            break;
        }
    }
    uint32_t at = tomb != n ? tomb : i;
    if (is_empty(t->slot_flags, at)) t->occupied_count++;
    t->record_count++;
    t->slots[at] = rec;
    set_live(t->slot_flags, at);
    return true;
}

}  // namespace fpss

using namespace fpss;

extern "C" {

int ss_fp_mem_info_hash_init(void) {
    MutexLock guard(&g_mem_stats_mutex);
    if (ss_fp_mem_info_list == nullptr) ss_fp_mem_info_list = sys_new_zeroed<ss_fp_mem_info_hash_t>();
    return 0;
}

int ss_fp_mem_watch_init(void) {
    ss_fp_mem_info_hash_init();
    if (ss_fp_mem_info_list != nullptr) store_relaxed(is_hash_init, static_cast<uint8_t>(1));
    return 0;
}

int ss_fp_mem_info_hash_insert(ss_fp_mem_info_t *rec) {
    mem_table_insert(rec);
    return 0;
}

void ss_fp_mem_info_hash_remove(const ss_fp_mem_info_t *key) {
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    if (t == nullptr || key == nullptr) return;
    uint32_t i = find_slot(t, key);
    if (i == t->slot_count) return;
    set_deleted(t->slot_flags, i);
    t->record_count--;
}

ss_fp_mem_info_t *ss_fp_mem_info_hash_find(const ss_fp_mem_info_t *key) {
    uint32_t slot = 0;
    return key == nullptr ? nullptr : mem_table_find(key, &slot);
}

int ss_fp_mem_info_hash_traverse_with_index(ss_fp_mem_info_op_func_t func, uint32_t start, uint32_t num, void *arg) {
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    if (t == nullptr || func == nullptr || start >= t->slot_count) return 0;
    uint64_t end = static_cast<uint64_t>(start) + num;
    if (end > t->slot_count) end = t->slot_count;
    for (uint32_t i = start; i < end; ++i) {
        if (!is_live(t->slot_flags, i)) continue;
        int rc = func(t->slots[i], arg);
        if (rc != 0) return rc;
    }
    return 0;
}

int ss_fp_mem_info_hash_traverse(ss_fp_mem_info_op_func_t func, void *arg) {
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    if (t == nullptr) return 0;
    return ss_fp_mem_info_hash_traverse_with_index(func, 0, t->slot_count, arg);
}

uint32_t ss_fp_mem_info_hash_size(void) {
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    return t != nullptr ? t->record_count : 0;
}

ss_fp_mem_info_t *ss_fp_mem_info_cache_create(ss_fp_mem_info_t **out, const ss_fp_mem_info_t *tmpl) {
    ss_fp_mem_info_t *rec = nullptr;
    if (tmpl != nullptr) {
        rec = ss_fp_mem_info_hash_find(tmpl);
        if (rec != nullptr) {
            std::memmove(rec->file_name, tmpl->file_name, sizeof rec->file_name);
            rec->count = tmpl->count;
        } else if ((rec = sys_new_zeroed<ss_fp_mem_info_t>()) != nullptr) {
            std::memcpy(rec, tmpl, sizeof *rec);
            // A record the table could not take would be unreachable: release it.
            if (!mem_table_insert(rec)) {
                sys_free(rec);
                rec = nullptr;
            }
        }
    }
    if (out != nullptr) *out = rec;
    return rec;
}

void ss_fp_mem_info_cache_destroy(ss_fp_mem_info_t *rec) {
    if (rec == nullptr) return;
    ss_fp_mem_info_hash_remove(rec);
    sys_free(rec);
}

}  // extern "C"
