// The two-level monitoring registry shared by the timing-capture and the
// event-counter families: a table of named groups, each with a table of named
// info nodes, made on first use and kept for the life of the process, with
// resets and sorted dumps.
//
// The two families differ only in their records, their figures and their dump
// formats; a traits type supplies those:
//
//     struct Traits {
//         using Hdl, Grp, Info;                        // the C records
//         static constexpr const Family &kFamily;      // accounting tag and report path
//         static constexpr char kToken[];              // "cap" or "cnt": names the reports print
//         static constexpr bool kNamesFirst;           // refuse overlong names before making anything
//         static libss_hash_t *&info_hash(Grp *);
//         static void set_ops(Hdl *);                  // stores the operation pointers
//         static void on_found(Grp *, bool up);        // after the node is found or made
//         static void reset_info(Info *);              // under the group's lock (shared)
//         static void reset_group(Grp *);              // after its nodes, same hold
//         static void snapshot(const Info *, Info *);  // a consistent copy of the figures
//         static constexpr bool kSums;                 // whether the group's dump adds up a figure
//         static uint64_t sum_figure(const Info &);    // that figure (only where kSums)
//         static void print_group_line(const Grp *);   // opens a group's dump
//         static void print_table_head();
//         static void print_row(const Info &);         // one row, in name order
//         static void print_table_tail(Grp *, uint64_t sum);
//     };
//
// The reports name the family's source file and the functions of the family's
// own C sources ("libss_fp_<token>_try_crt_grp_hash", ...), made from the
// token at compile time; each prints the line of its own call here.
//
// Locks: the registry's lock guards its group table and count, a group's lock
// its info table and count; shared for lookups and walks, exclusive for
// creation and insertion. The registry's lock is taken before a group's lock,
// never while one is held. Creation looks again under the exclusive lock, so
// two threads naming one new group make one group. Lookups release their lock
// before the node is used: nothing is ever removed. No report prints while one
// of these locks is held exclusively (a host's log hook may count through the
// same registry), and the dumps print from snapshots taken under them.
//
// A thread's repeated lookups of one pair of names come from its lookup cache
// (registry/lookup_cache.h) without any lock.
#ifndef FPSS_REGISTRY_REGISTRY_H
#define FPSS_REGISTRY_REGISTRY_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/clock.h"
#include "core/family.h"
#include "core/list.h"
#include "core/locks.h"
#include "core/report.h"
#include "hash/hash_insert.h"
#include "libss_hash.h"
#include "registry/lookup_cache.h"
#include "ss_fp_mem.h"

namespace fpss {
namespace registry {

// Results of the operations and the limits of a registry (the values of the C
// header's LIBSS_FP_REG_ constants, which capture.cpp checks).
constexpr int kEArg = -2;
constexpr int kENoGroup = 5;
constexpr int kENameLen = 6;
constexpr int32_t kMaxGroups = 100;
constexpr uint32_t kMaxInfos = 200;
// Table sizes asked of the hash table and their chain-warning thresholds.
constexpr uint32_t kGrpTableSize = 20;
constexpr uint32_t kGrpWarning = 3;
constexpr uint32_t kInfoTableSize = 100;
constexpr uint32_t kInfoWarning = 5;

// A NUL-terminated text of N - 1 characters built at compile time.
template <size_t N>
struct Text {
    char s[N] = {};
};

template <size_t N>
constexpr void append(char *out, size_t &at, const char (&part)[N]) {
    for (size_t i = 0; i + 1 < N; ++i) out[at++] = part[i];
}

// The parts, each a string literal or a constexpr char array, one after the other.
template <size_t... N>
constexpr Text<(N + ...) - sizeof...(N) + 1> join(const char (&...parts)[N]) {
    Text<(N + ...) - sizeof...(N) + 1> out{};
    size_t at = 0;
    (append(out.s, at, parts), ...);
    return out;
}

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

// Whether 'caller' is the name 'node' holds (NUL-terminated within W bytes).
template <size_t W>
bool same_name(const char *node, const char *caller) {
    for (size_t i = 0; i < W; ++i) {
        if (node[i] != caller[i]) return false;
        if (node[i] == '\0') return true;
    }
    return false;
}

template <class T>
T *load_acquire(T *const &p) {
    return __atomic_load_n(&p, __ATOMIC_ACQUIRE);
}

template <class Traits>
class Registry {
  public:
    using Hdl = typename Traits::Hdl;
    using Grp = typename Traits::Grp;
    using Info = typename Traits::Info;

    // Makes a zero-filled registry ready: its lock and its operations.
    static int init(Hdl *hdl) {
        if (hdl == nullptr) return refuse(kFnInit.s);
        forget_all();
        pthread_rwlock_init(&hdl->lock, nullptr);
        Traits::set_ops(hdl);
        return 0;
    }

    // Reports a null argument of the operation 'func' and gives its result.
    static int refuse(const char *func) {
        FPSS_ERROR(func, "mem malloc failed");
        return kEArg;
    }

    // The front of the operations that count (start, stop, inc, dec): the info
    // node 'name' of group 'grp', found or made, or null (reported as 'func')
    // for a null argument or a node that can be neither found nor made. 'up'
    // is passed to Traits::on_found.
    static Info *node(const char *func, Hdl *hdl, const char *grp, const char *name, bool up) {
        if (hdl != nullptr && grp != nullptr && name != nullptr) {
            Grp *g = nullptr;
            Info *info = cached(hdl, grp, name, &g);
            if (info != nullptr) {
                Traits::on_found(g, up);
                return info;
            }
        }
        return node_slow(func, hdl, grp, name, up);
    }

    // Zeroes the figures of one group or of all ('grp' null).
    static int reset(Hdl *hdl, const char *grp) {
        if (hdl == nullptr) return refuse(kFnReset.s);
        if (load_acquire(hdl->grp_hash) == nullptr) return kENoGroup;
        return on_groups<&reset_grp>(hdl, grp);
    }

    // Prints the separator, the time line and one group or all ('grp' null).
    static int dump(Hdl *hdl, const char *grp, const char *mod_name) {
        if (hdl == nullptr) return refuse(kFnDump.s);
        if (load_acquire(hdl->grp_hash) == nullptr) return kENoGroup;
        std::puts("\n===================================================================");
        int64_t us = monotonic_us();
        std::printf(">>mod: [%s], op time: %lld.%06lds\n\n", mod_name != nullptr ? mod_name : "(null)",
                    static_cast<long long>(us / 1000000), static_cast<long>(us % 1000000));
        std::fflush(stdout);
        return on_groups<&dump_grp>(hdl, grp);
    }

  private:
    // The family the reports of this class name (see core/report.h).
    static constexpr const Family &kFamily = Traits::kFamily;

    static constexpr size_t kGrpNameLen = sizeof(Grp::name);
    static constexpr size_t kInfoNameLen = sizeof(Info::name);

    // The names the reports print: each function's historical name in the
    // family's C sources (see core/family.h), which peers filter the platform
    // log by. Then the arguments of "%s call failed".
    static constexpr auto kFnInit = join("libss_fp_", Traits::kToken, "_init_hdl_func");
    static constexpr auto kFnReset = join("libss_fp_", Traits::kToken, "_reset");
    static constexpr auto kFnDump = join("libss_fp_", Traits::kToken, "_dump");
    static constexpr auto kFnFindOrMake = join("libss_fp_", Traits::kToken, "_try_crt_info_node");
    static constexpr auto kFnMakeGrpTable = join("libss_fp_", Traits::kToken, "_try_crt_grp_hash");
    static constexpr auto kFnMakeGrp = join("libss_fp_", Traits::kToken, "_crt_and_insert_grp_node");
    static constexpr auto kFnMakeInfoTable = join("libss_fp_", Traits::kToken, "_crt_info_hash");
    static constexpr auto kFnMakeInfo = join("libss_fp_", Traits::kToken, "_crt_and_insert_info_node");
    static constexpr auto kFnCollectRow = join("libss_fp_", Traits::kToken, "_cp_to_dump_list");
    static constexpr auto kCallGrpTable = join(kFnMakeGrpTable.s, "(", Traits::kToken, "_hdl)");
    static constexpr auto kCallInfoTable = join(kFnMakeInfoTable.s, "(", Traits::kToken, "_grp)");
    static constexpr auto kCallInsertGrp =
        join("libss_hash_insert_item(", Traits::kToken, "_hdl->grp_hash, (void *)", Traits::kToken, "_grp)");
    static constexpr auto kCallInsertInfo = join("libss_hash_insert_item(", Traits::kToken, "_grp->", Traits::kToken,
                                                 "_hash, (void *)", Traits::kToken, "_info)");

    // The node from this thread's lookup cache, once the cached nodes are seen
    // to carry the names the caller's pointers hold now.
    static Info *cached(Hdl *hdl, const char *grp, const char *name, Grp **g) {
        void *gv = nullptr;
        auto *info = static_cast<Info *>(cached_node(hdl, grp, name, &gv));
        if (info == nullptr) return nullptr;
        *g = static_cast<Grp *>(gv);
        return same_name<kInfoNameLen>(info->name, name) && same_name<kGrpNameLen>((*g)->name, grp) ? info : nullptr;
    }

    // A node this thread has not cached: refused, found or made. Kept out of
    // line so that a hit carries neither its frame nor its reports.
    __attribute__((noinline, cold)) static Info *node_slow(const char *func, Hdl *hdl, const char *grp,
                                                           const char *name, bool up) {
        if (hdl == nullptr || grp == nullptr || name == nullptr) {
            refuse(func);
            return nullptr;
        }
        Grp *g = nullptr;
        Info *info = find_or_make_slow(hdl, grp, name, &g);
        if (info == nullptr) {
            FPSS_ERROR(func, "mem malloc failed");
            return nullptr;
        }
        remember_node(hdl, grp, name, g, info);
        Traits::on_found(g, up);
        return info;
    }

    static Info *find_or_make_slow(Hdl *hdl, const char *grp, const char *name, Grp **found) {
        if (Traits::kNamesFirst && (too_long(name, kInfoNameLen) || too_long(grp, kGrpNameLen))) return nullptr;
        if (!make_grp_table(hdl)) {
            FPSS_ERROR(kFnFindOrMake.s, "%s call failed, rv = %d", kCallGrpTable.s, -2);
            return nullptr;
        }
        if (too_long(grp, kGrpNameLen)) return nullptr;
        Grp *g = find_grp(hdl, grp);
        if (g == nullptr && (g = make_grp(hdl, grp)) == nullptr) {
            FPSS_ERROR(kFnFindOrMake.s, "no enough memory, rv: %d", -2);
            return nullptr;
        }
        if (too_long(name, kInfoNameLen)) return nullptr;
        Info *info = find_info(g, name);
        if (info == nullptr && (info = make_info(g, name)) == nullptr) {
            FPSS_ERROR(kFnFindOrMake.s, "no enough memory, rv: %d", -2);
            return nullptr;
        }
        *found = g;
        return info;
    }

    // Makes the group table on first use. False when it cannot be made.
    static bool make_grp_table(Hdl *hdl) {
        if (load_acquire(hdl->grp_hash) != nullptr) return true;
        {
            WriteLock guard(&hdl->lock);
            if (hdl->grp_hash != nullptr) return true;
            libss_hash_t *t = libss_create_hash(kGrpTableSize, &name_hash<kGrpNameLen>, &name_cmp<kGrpNameLen>);
            if (t != nullptr) {
                libss_hash_set_bucket_warning_size(t, kGrpWarning);
                __atomic_store_n(&hdl->grp_hash, t, __ATOMIC_RELEASE);
                return true;
            }
        }
        FPSS_ERROR(kFnMakeGrpTable.s, "mem malloc failed");
        return false;
    }

    // The node of 'name' in 'table', looked up under 'lock' held shared.
    template <class Node, size_t W>
    static Node *lookup(pthread_rwlock_t *lock, libss_hash_t *const &table, const char *name) {
        char key[W] = {};
        std::memcpy(key, name, strnlen(name, W - 1));
        ReadLock guard(lock);
        return static_cast<Node *>(libss_hash_find_item(table, key));
    }

    static Grp *find_grp(Hdl *hdl, const char *name) {
        return lookup<Grp, kGrpNameLen>(&hdl->lock, hdl->grp_hash, name);
    }

    static Info *find_info(Grp *g, const char *name) {
        return lookup<Info, kInfoNameLen>(&g->lock, Traits::info_hash(g), name);
    }

    struct Groups {
        Grp *at[kMaxGroups];
        int32_t num;
    };

    static int collect_grp(void *item, void *arg) {
        auto *groups = static_cast<Groups *>(arg);
        if (groups->num == kMaxGroups) return 1;
        groups->at[groups->num++] = static_cast<Grp *>(item);
        return 0;
    }

    // Runs 'Each' on every group in table order ('grp' null; a non-zero result
    // ends the walk), or on the group named. The groups are listed under the
    // registry's lock held shared and visited after it (groups are never
    // removed). 0, or why the group named was not found.
    template <int (*Each)(Grp *)>
    static int on_groups(Hdl *hdl, const char *grp) {
        if (grp == nullptr) {
            Groups groups;
            groups.num = 0;
            {
                ReadLock guard(&hdl->lock);
                libss_hash_each_item_op(hdl->grp_hash, &collect_grp, &groups);
            }
            for (int32_t i = 0; i < groups.num; ++i) {
                if (Each(groups.at[i]) != 0) break;
            }
            return 0;
        }
        if (too_long(grp, kGrpNameLen)) return kENameLen;
        Grp *g = find_grp(hdl, grp);
        if (g == nullptr) return kENoGroup;
        Each(g);
        return 0;
    }

    // A zero-filled node named 'name' for a level whose 'count' (guarded by
    // 'lock') is below 'max'. Null when the level is full (no report) or the
    // allocation fails (reported as 'func').
    template <class Node, class Count>
    static Node *new_node(pthread_rwlock_t *lock, const Count &count, Count max, const char *name, const char *func) {
        {
            ReadLock guard(lock);
            if (count >= max) return nullptr;
        }
        auto *node = static_cast<Node *>(ss_fp_calloc(1, sizeof(Node), kFamily.tag));
        if (node == nullptr) {
            FPSS_ERROR(func, "no enough memory, rv: %d", -2);
            return nullptr;
        }
        std::memcpy(node->name, name, std::strlen(name) + 1);
        return node;
    }

    // Inserts the new 'node' into 'table' and counts it, holding 'lock'
    // exclusively, unless a node of the same name is there already (that one
    // is returned) or 'count' has reached 'max' (null). Null too when the
    // insertion fails, reported as 'func' with 'call'. The caller releases
    // 'node' when something else comes back.
    // The chain-length warning and the failure report print after the lock.
    template <class Node, class Count>
    static Node *insert(pthread_rwlock_t *lock, libss_hash_t *const &table, Count *count, Count max, Node *node,
                        const char *func, const char *call) {
        HashWarning warning{};
        int rv;
        {
            WriteLock guard(lock);
            auto *existing = static_cast<Node *>(libss_hash_find_item(table, node->name));
            if (existing != nullptr || *count >= max) return existing;
            rv = hash_insert_quiet(table, node, &warning);
            if (rv == 0) ++*count;
        }
        print_bucket_warning(warning);
        if (rv != 0) {
            FPSS_ERROR(func, "%s call failed, rv = %d", call, rv);
            return nullptr;
        }
        return node;
    }

    // Releases a group that never made it into the table.
    static void drop_grp(Grp *g) {
        {
            WriteLock guard(&g->lock);
            libss_destroy_hash(Traits::info_hash(g));
            Traits::info_hash(g) = nullptr;
        }
        pthread_rwlock_destroy(&g->lock);
        ss_fp_free(g, kFamily.tag);
    }

    // Makes group 'name' with its info table and inserts it, unless another
    // thread inserted it first (then that group is returned). Null on failure.
    static Grp *make_grp(Hdl *hdl, const char *name) {
        auto *g = new_node<Grp>(&hdl->lock, hdl->grp_num, kMaxGroups, name, kFnMakeGrp.s);
        if (g == nullptr) return nullptr;
        pthread_rwlock_init(&g->lock, nullptr);
        if (!make_info_table(g)) {
            FPSS_ERROR(kFnMakeGrp.s, "%s call failed, rv = %d", kCallInfoTable.s, -2);
            pthread_rwlock_destroy(&g->lock);
            ss_fp_free(g, kFamily.tag);
            return nullptr;
        }
        libss_hash_set_bucket_warning_size(Traits::info_hash(g), kInfoWarning);
        Grp *got = insert(&hdl->lock, hdl->grp_hash, &hdl->grp_num, kMaxGroups, g, kFnMakeGrp.s, kCallInsertGrp.s);
        if (got != g) drop_grp(g);
        return got;
    }

    static bool make_info_table(Grp *g) {
        {
            WriteLock guard(&g->lock);
            Traits::info_hash(g) = libss_create_hash(kInfoTableSize, &name_hash<kInfoNameLen>, &name_cmp<kInfoNameLen>);
            if (Traits::info_hash(g) != nullptr) return true;
        }
        FPSS_ERROR(kFnMakeInfoTable.s, "mem malloc failed");
        return false;
    }

    // Makes info node 'name' and inserts it, unless another thread inserted
    // it first (then that node is returned). Null on failure.
    static Info *make_info(Grp *g, const char *name) {
        auto *info = new_node<Info>(&g->lock, g->info_num, kMaxInfos, name, kFnMakeInfo.s);
        if (info == nullptr) return nullptr;
        Info *got =
            insert(&g->lock, Traits::info_hash(g), &g->info_num, kMaxInfos, info, kFnMakeInfo.s, kCallInsertInfo.s);
        if (got != info) ss_fp_free(info, kFamily.tag);
        return got;
    }

    static int reset_info_visit(void *item, void *) {
        Traits::reset_info(static_cast<Info *>(item));
        return 0;
    }

    static int reset_grp(Grp *g) {
        if (Traits::info_hash(g) == nullptr) return kENoGroup;
        ReadLock guard(&g->lock);
        libss_hash_each_item_op(Traits::info_hash(g), &reset_info_visit, nullptr);
        Traits::reset_group(g);
        return 0;
    }

    // One row of a dump: a snapshot of an info node, linked in name order.
    struct Row {
        ss_fp_list_t link;
        Info info;
    };
    static const Info &row_info(ss_fp_list_t *link) { return FPSS_LIST_ENTRY(link, Row, link)->info; }

    struct Collect {
        ss_fp_list_t rows;
        uint64_t sum;
        uint32_t lost;  // rows that could not be allocated
    };

    // Snapshots one node, adds its figure to the sum (also when no row can be
    // allocated: that is reported after the walk) and links its row before the
    // first row whose name is not smaller.
    static int collect_row(void *item, void *arg) {
        auto *c = static_cast<Collect *>(arg);
        Info snap;
        Traits::snapshot(static_cast<const Info *>(item), &snap);
        if constexpr (Traits::kSums) c->sum += Traits::sum_figure(snap);
        auto *row = static_cast<Row *>(ss_fp_calloc(1, sizeof(Row), kFamily.tag));
        if (row == nullptr) {
            c->lost++;
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
        if (Traits::info_hash(g) == nullptr) return kENoGroup;
        Collect c;
        list_init(&c.rows);
        c.sum = 0;
        c.lost = 0;
        {
            ReadLock guard(&g->lock);
            libss_hash_each_item_op(Traits::info_hash(g), &collect_row, &c);
        }
        for (; c.lost != 0; c.lost--) FPSS_ERROR(kFnCollectRow.s, "mem malloc failed");
        Traits::print_table_head();
        while (!list_empty(&c.rows)) {
            ss_fp_list_t *first = c.rows.next;
            Traits::print_row(row_info(first));
            list_del(first);
            ss_fp_free(FPSS_LIST_ENTRY(first, Row, link), kFamily.tag);
        }
        Traits::print_table_tail(g, c.sum);
        return 0;
    }
};

}  // namespace registry
}  // namespace fpss

#endif  // FPSS_REGISTRY_REGISTRY_H
