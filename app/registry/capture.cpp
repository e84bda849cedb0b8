// Timing capture: the two-level registry with run counts and elapsed
// microseconds per info node, and a dump table with averages and the group's
// total.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/locks.h"
#include "core/stdout.h"
#include "libss_fp_cap_mon.h"
#include "registry/registry.h"

// A group or info node and its lookup key share their head: the name.
static_assert(offsetof(libss_fp_cap_grp_t, name) == 0, "group name must lead the record");
static_assert(offsetof(libss_fp_cap_info_t, name) == 0, "info name must lead the record");
static_assert(std::is_standard_layout_v<libss_fp_cap_hdl_t> && std::is_standard_layout_v<libss_fp_cap_grp_t> &&
                  std::is_standard_layout_v<libss_fp_cap_info_t>,
              "C records");
static_assert(offsetof(libss_fp_cap_hdl_t, lock) == 0 && offsetof(libss_fp_cap_info_t, running) == 200,
              "field order of the C records");
// The registry template's results and limits are those of the C header.
static_assert(fpss::registry::kEArg == LIBSS_FP_REG_E_ARG && fpss::registry::kENoGroup == LIBSS_FP_REG_E_NO_GROUP &&
                  fpss::registry::kENameLen == LIBSS_FP_REG_E_NAME_LEN &&
                  fpss::registry::kMaxGroups == LIBSS_FP_REG_MAX_GRP &&
                  fpss::registry::kMaxInfos == LIBSS_FP_REG_MAX_INFO,
              "registry results and limits");

namespace {

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

    static constexpr const fpss::Family &kFamily = fpss::family::kCapture;
    static constexpr char kToken[] = "cap";
    // Overlong names are refused only once the group table (and, for an
    // overlong info name, the group) has been made.
    static constexpr bool kNamesFirst = false;

    static libss_hash_t *&info_hash(Grp *g) { return g->cap_hash; }
    static void set_ops(Hdl *hdl);
    static void on_found(Grp *, bool) {}

    // A running node stays running and its interval restarts now, so the next
    // stop adds only the time since the reset.
    static void reset_info(Info *info) {
        int64_t now = fpss::monotonic_us();
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
    static constexpr bool kSums = true;
    static uint64_t sum_figure(const Info &info) { return static_cast<uint64_t>(info.total_time); }

    static void print_group_line(const Grp *g) { fpss::say("group: [%s]\n", g->name); }
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

// A start counts a run when it moves the node from idle to running; a stop
// adds one interval when it moves the node from running to idle. Either is
// ignored in the other state.
int run(const char *func, libss_fp_cap_hdl_t *cap_hdl, const char *grp, const char *name, bool starting) {
    libss_fp_cap_info_t *info = CapRegistry::node(func, cap_hdl, grp, name, starting);
    if (info == nullptr) return LIBSS_FP_REG_E_ARG;
    int64_t now = fpss::monotonic_us();
    fpss::MutexLock guard(stripe_of(info));
    if ((info->running != 0) == starting) return 0;
    info->running = starting ? 1 : 0;
    if (starting) {
        info->times = static_cast<int32_t>(static_cast<uint32_t>(info->times) + 1u);
        info->start_time = now;
    } else {
        info->total_time += now - info->start_time;
    }
    return 0;
}

int start(libss_fp_cap_hdl_t *cap_hdl, const char *grp, const char *name) {
    return run("libss_fp_cap_start", cap_hdl, grp, name, true);
}

int stop(libss_fp_cap_hdl_t *cap_hdl, const char *grp, const char *name) {
    return run("libss_fp_cap_stop", cap_hdl, grp, name, false);
}

void CapTraits::set_ops(Hdl *hdl) {
    hdl->start = &start;
    hdl->stop = &stop;
    hdl->reset = &CapRegistry::reset;
    hdl->dump = &CapRegistry::dump;
}

}  // namespace

extern "C" {

int libss_fp_cap_init_hdl_func(libss_fp_cap_hdl_t *cap_hdl) { return CapRegistry::init(cap_hdl); }

}  // extern "C"
