// Timing capture: the two-level registry with run counts and elapsed
// microseconds per info node, and a dump table with averages and the group's
// total.
#include <cinttypes>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "registry/registry.h"
#include "core/stdout.h"
#include "libss_fp_cap_mon.h"

// A group or info node and its lookup key share their head: the name.
static_assert(offsetof(libss_fp_cap_grp_t, name) == 0, "group name must lead the record");
static_assert(offsetof(libss_fp_cap_info_t, name) == 0, "info name must lead the record");
static_assert(std::is_standard_layout_v<libss_fp_cap_hdl_t> && std::is_standard_layout_v<libss_fp_cap_grp_t> &&
                  std::is_standard_layout_v<libss_fp_cap_info_t>,
              "C records");
static_assert(offsetof(libss_fp_cap_hdl_t, lock) == 0 && offsetof(libss_fp_cap_info_t, running) == 200,
              "field order of the C records");

namespace {

using fpss::Site;

constexpr const fpss::Family &kFamily = fpss::family::kCapture;

// The figures of one info node (running, times, start_time, total_time) are
// guarded by one of these mutexes, chosen by the node's address: a start, a
// stop, a reset and a dump snapshot of one node never interleave, while
// different nodes rarely share a mutex.
struct alignas(64) Stripe {
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
};
constexpr size_t kStripes = 64;
Stripe g_stripes[kStripes];

pthread_mutex_t *stripe_of(const libss_fp_cap_info_t *info) {
    auto a = reinterpret_cast<uintptr_t>(info);
    return &g_stripes[(a / alignof(libss_fp_cap_info_t) ^ a >> 12) % kStripes].m;
}

struct CapTraits {
    using Hdl = libss_fp_cap_hdl_t;
    using Grp = libss_fp_cap_grp_t;
    using Info = libss_fp_cap_info_t;

    static constexpr const char *kTag = kFamily.tag;
    // Overlong names are refused only once the group table (and, for an
    // overlong info name, the group) has been made.
    static constexpr bool kNamesFirst = false;

    static constexpr const char *kCallGrpHash = "libss_fp_cap_try_crt_grp_hash(cap_hdl)";
    static constexpr const char *kCallInfoHash = "libss_fp_cap_crt_info_hash(cap_grp)";
    static constexpr const char *kCallInsertGrp = "libss_hash_insert_item(cap_hdl->grp_hash, (void *)cap_grp)";
    static constexpr const char *kCallInsertInfo = "libss_hash_insert_item(cap_grp->cap_hash, (void *)cap_info)";

    static constexpr Site kSiteTryCrtGrpHash{kFamily.path, "libss_fp_cap_try_crt_grp_hash", __LINE__};
    static constexpr Site kSiteTryCrtInfoNode{kFamily.path, "libss_fp_cap_try_crt_info_node", __LINE__};
    static constexpr Site kSiteCrtAndInsertGrpNode{kFamily.path, "libss_fp_cap_crt_and_insert_grp_node", __LINE__};
    static constexpr Site kSiteCrtInfoHash{kFamily.path, "libss_fp_cap_crt_info_hash", __LINE__};
    static constexpr Site kSiteCrtAndInsertInfoNode{kFamily.path, "libss_fp_cap_crt_and_insert_info_node", __LINE__};
    static constexpr Site kSiteCpToDumpList{kFamily.path, "libss_fp_cap_cp_to_dump_list", __LINE__};

    static libss_hash_t *&info_hash(Grp *g) { return g->cap_hash; }
    static void on_found(Grp *, bool) {}

    // A running node stays running and its interval restarts now, so the next
    // stop adds only the time since the reset.
    static void reset_info(Info *info) {
        int64_t now = fpss::registry::now_us();
        fpss::MutexLock guard(stripe_of(info));
        info->times = 0;
        info->total_time = 0;
        info->start_time = info->running ? now : 0;
    }
    static void reset_group(Grp *g) { __atomic_store_n(&g->total_time, uint64_t{0}, __ATOMIC_RELAXED); }

    static void snapshot(const Info *info, Info *out) {
        fpss::MutexLock guard(stripe_of(info));
        *out = *info;
    }
    static uint64_t sum_figure(const Info &info) { return static_cast<uint64_t>(info.total_time); }

    static void print_group_line(const Grp *g) {
        fpss::say("group: [%s]\n", g->name);
    }
    static void print_table_head() {
        fpss::say("\nFUNC_NAME                              TIMES     TIME[us]     AVERAGE_TIME[us]");
    }
    static void print_row(const Info &info) {
        uint64_t avg = 0;
        if (info.times != 0) {
            avg = static_cast<uint64_t>(info.total_time) / static_cast<uint64_t>(static_cast<int64_t>(info.times));
        }
        fpss::say("\n%-39s%5d%13lld%21llu", info.name, static_cast<int>(info.times),
                    static_cast<long long>(info.total_time), static_cast<unsigned long long>(avg));
    }
    // The group's total is what this dump added up.
    static void print_table_tail(Grp *g, uint64_t sum) {
        __atomic_store_n(&g->total_time, sum, __ATOMIC_RELAXED);
        fpss::say("\ntotal time[us] = %llu\n\n", static_cast<unsigned long long>(sum));
    }
};

using CapRegistry = fpss::registry::Registry<CapTraits>;

constexpr const char *kMemFail = fpss::registry::kMsgMemFail;

// Counts a run when the node moves from idle to running.
int libss_fp_cap_start(libss_fp_cap_hdl_t *cap_hdl, const char *grp, const char *name) {
    if (cap_hdl == nullptr || grp == nullptr || name == nullptr) {
        FPSS_ERROR("libss_fp_cap_start", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    libss_fp_cap_info_t *info = CapRegistry::find_or_make(cap_hdl, grp, name, true);
    if (info == nullptr) {
        FPSS_ERROR("libss_fp_cap_start", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    int64_t now = fpss::registry::now_us();
    fpss::MutexLock guard(stripe_of(info));
    if (info->running) return 0;
    info->times = static_cast<int32_t>(static_cast<uint32_t>(info->times) + 1u);
    info->running = 1;
    info->start_time = now;
    return 0;
}

// Adds one interval when the node moves from running to idle.
int libss_fp_cap_stop(libss_fp_cap_hdl_t *cap_hdl, const char *grp, const char *name) {
    if (cap_hdl == nullptr || grp == nullptr || name == nullptr) {
        FPSS_ERROR("libss_fp_cap_stop", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    libss_fp_cap_info_t *info = CapRegistry::find_or_make(cap_hdl, grp, name, false);
    if (info == nullptr) {
        FPSS_ERROR("libss_fp_cap_stop", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    int64_t now = fpss::registry::now_us();
    fpss::MutexLock guard(stripe_of(info));
    if (!info->running) return 0;
    info->running = 0;
    info->total_time += now - info->start_time;
    return 0;
}

int libss_fp_cap_reset(libss_fp_cap_hdl_t *cap_hdl, const char *grp) {
    if (cap_hdl == nullptr) {
        FPSS_ERROR("libss_fp_cap_reset", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    return CapRegistry::reset(cap_hdl, grp);
}

int libss_fp_cap_dump(libss_fp_cap_hdl_t *cap_hdl, const char *grp, const char *mod_name) {
    if (cap_hdl == nullptr) {
        FPSS_ERROR("libss_fp_cap_dump", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    return CapRegistry::dump(cap_hdl, grp, mod_name);
}

}  // namespace

extern "C" {

int libss_fp_cap_init_hdl_func(libss_fp_cap_hdl_t *cap_hdl) {
    if (cap_hdl == nullptr) {
        FPSS_ERROR("libss_fp_cap_init_hdl_func", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    pthread_rwlock_init(&cap_hdl->lock, nullptr);
    cap_hdl->start = &libss_fp_cap_start;
    cap_hdl->stop = &libss_fp_cap_stop;
    cap_hdl->reset = &libss_fp_cap_reset;
    cap_hdl->dump = &libss_fp_cap_dump;
    return 0;
}

}  // extern "C"
