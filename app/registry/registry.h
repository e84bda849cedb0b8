// The two-level monitoring registry shared by the timing-capture and the
// event-counter families: a table of named groups, each with a table of named
// info nodes, made on first use and kept for the life of the process, with
// resets and sorted dumps.
//
// The two families differ only in their records, their figures, their dump
// formats and the names their reports print; a traits type supplies those:
//
//     struct Traits {
//         using Hdl, Grp, Info;                       // the C records
//         static constexpr const char *kTag;           // accounting tag of the allocator
//         static constexpr bool kNamesFirst;           // refuse overlong names before making anything
//         static constexpr const char *kCallGrpHash, *kCallInfoHash,
//                                     *kCallInsertGrp, *kCallInsertInfo;  // "%s call failed" arguments
//         static constexpr Site kSiteTryCrtGrpHash, kSiteTryCrtInfoNode, kSiteCrtAndInsertGrpNode,
//                               kSiteCrtInfoHash, kSiteCrtAndInsertInfoNode, kSiteCpToDumpList;
//         static libss_hash_t *&info_hash(Grp *);
//         static void on_found(Grp *, bool up);        // after the node is found or made
//         static void reset_info(Info *);              // under the group's lock (shared)
//         static void reset_group(Grp *);              // after its nodes, same hold
//         static void snapshot(const Info *, Info *);  // a consistent copy of the figures
//         static uint64_t sum_figure(const Info &);    // what the group's dump adds up
//         static void print_group_line(const Grp *);   // opens a group's dump
//         static void print_table_head();
//         static void print_row(const Info &);        // one row, in name order
//         static void print_table_tail(Grp *, uint64_t sum);
//     };
//
// The reports come from the sites the traits give, so they name the family's
// own source file and functions.
//
// Locks: the registry's lock guards its group table and count, a group's lock
// its info table and count; shared for lookups and walks, exclusive for
// creation and insertion. The registry's lock is taken before a group's lock,
// never while one is held. Creation looks again under the exclusive lock, so
// two threads naming one new group make one group. Lookups release their lock
// before the node is used: nothing is ever removed.
#ifndef FPSS_REGISTRY_REGISTRY_H
#define FPSS_REGISTRY_REGISTRY_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/list.h"
#include "core/locks.h"
#include "core/report.h"
#include "libss_fp_cap_mon.h"
#include "libss_hash.h"
#include "ss_fp_mem.h"

namespace fpss {
namespace registry {

constexpr size_t kGrpNameLen = LIBSS_FP_REG_GRP_NAME_LEN;
constexpr size_t kInfoNameLen = LIBSS_FP_REG_INFO_NAME_LEN;
constexpr int32_t kMaxGroups = LIBSS_FP_REG_MAX_GRP;
constexpr uint32_t kMaxInfos = LIBSS_FP_REG_MAX_INFO;
// Table sizes asked of the hash table and their chain-warning thresholds.
constexpr uint32_t kGrpTableSize = 20;
constexpr uint32_t kGrpWarning = 3;
constexpr uint32_t kInfoTableSize = 100;
constexpr uint32_t kInfoWarning = 5;

constexpr const char *kMsgMemFail = "mem malloc failed";
constexpr const char *kMsgNoMemRv = "no enough memory, rv: %d";
constexpr const char *kMsgCallFailed = "%s call failed, rv = %d";

// True when 'name' and its NUL do not fit in 'width' bytes.
inline bool too_long(const char *name, size_t width) { return strnlen(name, width) + 1 > width; }

// Byte sum of the name at the head of a node or key, up to its NUL or 'W' bytes.
template <size_t W>
uint32_t name_hash(void *item) {
    const auto *p = static_cast<const unsigned char *>(item);
    uint32_t sum = 0;
    for (size_t i = 0; i < W && p[i] != 0; ++i) sum += p[i];
    return sum;
}

// 0 when the two names at the heads have the same length and bytes, else -1.
template <size_t W>
int name_cmp(void *item, void *key) {
    const char *a = static_cast<const char *>(item);
    const char *b = static_cast<const char *>(key);
    size_t la = strnlen(a, W), lb = strnlen(b, W);
    return (la == lb && std::memcmp(a, b, la) == 0) ? 0 : -1;
}

// Microseconds of the monotonic clock.
inline int64_t now_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

template <class T>
T *load_acquire(T *const &p) { return __atomic_load_n(&p, __ATOMIC_ACQUIRE); }

template <class Traits>
class Registry {
  public:
    using Hdl = typename Traits::Hdl;
    using Grp = typename Traits::Grp;
    using Info = typename Traits::Info;

    // Finds or makes the info node 'name' of group 'grp'; null when it can be
    // neither found nor made (the reports are made on the way, the caller
    // adds its own). 'up' is passed to Traits::on_found.
    static Info *find_or_make(Hdl *hdl, const char *grp, const char *name, bool up) {
        if (Traits::kNamesFirst && (too_long(name, kInfoNameLen) || too_long(grp, kGrpNameLen))) return nullptr;
        if (!try_crt_grp_hash(hdl)) {
            report_error(Traits::kSiteTryCrtInfoNode, kMsgCallFailed, Traits::kCallGrpHash, -2);
            return nullptr;
        }
        if (too_long(grp, kGrpNameLen)) return nullptr;
        Grp *g = find_grp(hdl, grp);
        if (g == nullptr && (g = crt_and_insert_grp_node(hdl, grp)) == nullptr) {
            report_error(Traits::kSiteTryCrtInfoNode, kMsgNoMemRv, -2);
            return nullptr;
        }
        if (too_long(name, kInfoNameLen)) return nullptr;
        Info *info = find_info(g, name);
        if (info == nullptr && (info = crt_and_insert_info_node(g, name)) == nullptr) {
            report_error(Traits::kSiteTryCrtInfoNode, kMsgNoMemRv, -2);
            return nullptr;
        }
        Traits::on_found(g, up);
        return info;
    }

    // Zeroes the figures of one group or of all ('grp' null).
    static int reset(Hdl *hdl, const char *grp) {
        if (load_acquire(hdl->grp_hash) == nullptr) return LIBSS_FP_REG_E_NO_GROUP;
        if (grp == nullptr) {
            ReadLock guard(&hdl->lock);
            libss_hash_each_item_op(hdl->grp_hash, &reset_grp_visit, nullptr);
            return 0;
        }
        if (too_long(grp, kGrpNameLen)) return LIBSS_FP_REG_E_NAME_LEN;
        Grp *g = find_grp(hdl, grp);
        if (g == nullptr) return LIBSS_FP_REG_E_NO_GROUP;
        reset_grp(g);
        return 0;
    }

    // Prints the separator, the time line and one group or all ('grp' null).
    static int dump(Hdl *hdl, const char *grp, const char *mod_name) {
        if (load_acquire(hdl->grp_hash) == nullptr) return LIBSS_FP_REG_E_NO_GROUP;
        std::puts("\n===================================================================");
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        std::printf(">>mod: [%s], op time: %lld.%06lds\n\n", mod_name != nullptr ? mod_name : "(null)",
                    static_cast<long long>(ts.tv_sec), static_cast<long>(ts.tv_nsec / 1000));
        std::fflush(stdout);
        if (grp == nullptr) {
            ReadLock guard(&hdl->lock);
            libss_hash_each_item_op(hdl->grp_hash, &dump_grp_visit, nullptr);
            return 0;
        }
        if (too_long(grp, kGrpNameLen)) return LIBSS_FP_REG_E_NAME_LEN;
        Grp *g = find_grp(hdl, grp);
        if (g == nullptr) return LIBSS_FP_REG_E_NO_GROUP;
        dump_grp(g);
        return 0;
    }

    // One row of a dump: a snapshot of an info node, linked in name order.
    struct Row {
        ss_fp_list_t link;
        Info info;
    };
    static const Info &row_info(ss_fp_list_t *link) { return FPSS_LIST_ENTRY(link, Row, link)->info; }

  private:
    // Makes the group table on first use. False when it cannot be made.
    static bool try_crt_grp_hash(Hdl *hdl) {
        if (load_acquire(hdl->grp_hash) != nullptr) return true;
        WriteLock guard(&hdl->lock);
        if (hdl->grp_hash != nullptr) return true;
        libss_hash_t *t = libss_create_hash(kGrpTableSize, &name_hash<kGrpNameLen>, &name_cmp<kGrpNameLen>);
        if (t == nullptr) {
            report_error(Traits::kSiteTryCrtGrpHash, kMsgMemFail);
            return false;
        }
        libss_hash_set_bucket_warning_size(t, kGrpWarning);
        __atomic_store_n(&hdl->grp_hash, t, __ATOMIC_RELEASE);
        return true;
    }

    static Grp *find_grp(Hdl *hdl, const char *name) {
        char key[kGrpNameLen] = {};
        std::memcpy(key, name, strnlen(name, kGrpNameLen - 1));
        ReadLock guard(&hdl->lock);
        return static_cast<Grp *>(libss_hash_find_item(hdl->grp_hash, key));
    }

    static Info *find_info(Grp *g, const char *name) {
        char key[kInfoNameLen] = {};
        std::memcpy(key, name, strnlen(name, kInfoNameLen - 1));
        ReadLock guard(&g->lock);
        return static_cast<Info *>(libss_hash_find_item(Traits::info_hash(g), key));
    }

    // Releases a group that never made it into the table.
    static void drop_grp(Grp *g) {
        {
            WriteLock guard(&g->lock);
            libss_destroy_hash(Traits::info_hash(g));
            Traits::info_hash(g) = nullptr;
        }
        pthread_rwlock_destroy(&g->lock);
        ss_fp_free(g, Traits::kTag);
    }

    // Makes group 'name' with its info table and inserts it, unless another
    // thread inserted it first (then that group is returned). Null on failure.
    static Grp *crt_and_insert_grp_node(Hdl *hdl, const char *name) {
        {
            ReadLock guard(&hdl->lock);
            if (hdl->grp_num >= kMaxGroups) return nullptr;
        }
        auto *g = static_cast<Grp *>(ss_fp_calloc(1, sizeof(Grp), Traits::kTag));
        if (g == nullptr) {
            report_error(Traits::kSiteCrtAndInsertGrpNode, kMsgNoMemRv, -2);
            return nullptr;
        }
        std::memcpy(g->name, name, std::strlen(name) + 1);
        pthread_rwlock_init(&g->lock, nullptr);
        if (!crt_info_hash(g)) {
            report_error(Traits::kSiteCrtAndInsertGrpNode, kMsgCallFailed, Traits::kCallInfoHash, -2);
            pthread_rwlock_destroy(&g->lock);
            ss_fp_free(g, Traits::kTag);
            return nullptr;
        }
        libss_hash_set_bucket_warning_size(Traits::info_hash(g), kInfoWarning);
        Grp *existing = nullptr;
        int rv = 0;
        {
            WriteLock guard(&hdl->lock);
            existing = static_cast<Grp *>(libss_hash_find_item(hdl->grp_hash, g->name));
            if (existing == nullptr && hdl->grp_num < kMaxGroups) {
                rv = libss_hash_insert_item(hdl->grp_hash, g);
                if (rv == 0) {
                    hdl->grp_num++;
                    return g;
                }
                report_error(Traits::kSiteCrtAndInsertGrpNode, kMsgCallFailed, Traits::kCallInsertGrp, rv);
            }
        }
        drop_grp(g);
        return existing;
    }

    static bool crt_info_hash(Grp *g) {
        WriteLock guard(&g->lock);
        Traits::info_hash(g) = libss_create_hash(kInfoTableSize, &name_hash<kInfoNameLen>, &name_cmp<kInfoNameLen>);
        if (Traits::info_hash(g) != nullptr) return true;
        report_error(Traits::kSiteCrtInfoHash, kMsgMemFail);
        return false;
    }

    // Makes info node 'name' and inserts it, unless another thread inserted
    // it first (then that node is returned). Null on failure.
    static Info *crt_and_insert_info_node(Grp *g, const char *name) {
        {
            ReadLock guard(&g->lock);
            if (g->info_num >= kMaxInfos) return nullptr;
        }
        auto *info = static_cast<Info *>(ss_fp_calloc(1, sizeof(Info), Traits::kTag));
        if (info == nullptr) {
            report_error(Traits::kSiteCrtAndInsertInfoNode, kMsgNoMemRv, -2);
            return nullptr;
        }
        std::memcpy(info->name, name, std::strlen(name) + 1);
        Info *existing = nullptr;
        {
            WriteLock guard(&g->lock);
            existing = static_cast<Info *>(libss_hash_find_item(Traits::info_hash(g), info->name));
            if (existing == nullptr && g->info_num < kMaxInfos) {
                int rv = libss_hash_insert_item(Traits::info_hash(g), info);
                if (rv == 0) {
                    g->info_num++;
                    return info;
                }
                report_error(Traits::kSiteCrtAndInsertInfoNode, kMsgCallFailed, Traits::kCallInsertInfo, rv);
            }
        }
        ss_fp_free(info, Traits::kTag);
        return existing;
    }

    static int reset_info_visit(void *item, void *) {
        Traits::reset_info(static_cast<Info *>(item));
        return 0;
    }

    static int reset_grp(Grp *g) {
        if (Traits::info_hash(g) == nullptr) return LIBSS_FP_REG_E_NO_GROUP;
        ReadLock guard(&g->lock);
        libss_hash_each_item_op(Traits::info_hash(g), &reset_info_visit, nullptr);
        Traits::reset_group(g);
        return 0;
    }

    static int reset_grp_visit(void *item, void *) { return reset_grp(static_cast<Grp *>(item)); }

    struct Collect {
        ss_fp_list_t rows;
        uint64_t sum;
    };

    // Snapshots one node, adds its figure to the sum (also when no row can be
    // allocated) and links its row before the first row whose name is not
    // smaller.
    static int cp_to_dump_list(void *item, void *arg) {
        auto *c = static_cast<Collect *>(arg);
        Info snap;
        Traits::snapshot(static_cast<const Info *>(item), &snap);
        c->sum += Traits::sum_figure(snap);
        auto *row = static_cast<Row *>(ss_fp_calloc(1, sizeof(Row), Traits::kTag));
        if (row == nullptr) {
            report_error(Traits::kSiteCpToDumpList, kMsgMemFail);
            return 0;
        }
        row->info = snap;
        ss_fp_list_t *pos = c->rows.next;
        while (pos != &c->rows && std::strcmp(row_info(pos).name, snap.name) < 0) pos = pos->next;
        list_add_before(&row->link, pos);
        return 0;
    }

    // Prints one group from snapshots taken under its lock; the printing
    // itself holds no group lock. Releases the rows.
    static int dump_grp(Grp *g) {
        Traits::print_group_line(g);
        if (Traits::info_hash(g) == nullptr) return LIBSS_FP_REG_E_NO_GROUP;
        Collect c;
        list_init(&c.rows);
        c.sum = 0;
        {
            ReadLock guard(&g->lock);
            libss_hash_each_item_op(Traits::info_hash(g), &cp_to_dump_list, &c);
        }
        Traits::print_table_head();
        while (!list_empty(&c.rows)) {
            ss_fp_list_t *first = c.rows.next;
            Traits::print_row(row_info(first));
            list_del(first);
            ss_fp_free(FPSS_LIST_ENTRY(first, Row, link), Traits::kTag);
        }
        Traits::print_table_tail(g, c.sum);
        return 0;
    }

    static int dump_grp_visit(void *item, void *) { return dump_grp(static_cast<Grp *>(item)); }
};

}  // namespace registry
}  // namespace fpss

#endif  // FPSS_REGISTRY_REGISTRY_H
