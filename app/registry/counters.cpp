// Event counters: the two-level registry of the timing capture with a counter
// per info node, a running total per group and an enable flag for the callers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/relaxed.h"
#include "core/stdout.h"
#include "libss_fp_cnt.h"
#include "registry/registry.h"

static_assert(offsetof(libss_fp_cnt_grp_t, name) == 0, "group name must lead the record");
static_assert(offsetof(libss_fp_cnt_info_t, name) == 0, "info name must lead the record");
static_assert(std::is_standard_layout_v<libss_fp_cnt_hdl_t> && std::is_standard_layout_v<libss_fp_cnt_grp_t> &&
                  std::is_standard_layout_v<libss_fp_cnt_info_t>,
              "C records");
static_assert(offsetof(libss_fp_cnt_hdl_t, lock) == 0 && offsetof(libss_fp_cnt_info_t, cnt) == 200,
              "field order of the C records");

namespace {

// Counters and group totals are updated atomically and wrap modulo 2^64.
void add_wrapping(uint64_t *word, bool up) {
    __atomic_fetch_add(word, up ? uint64_t{1} : ~uint64_t{0}, __ATOMIC_RELAXED);
}

struct CntTraits {
    using Hdl = libss_fp_cnt_hdl_t;
    using Grp = libss_fp_cnt_grp_t;
    using Info = libss_fp_cnt_info_t;

    static constexpr const fpss::Family &kFamily = fpss::family::kCounters;
    static constexpr char kToken[] = "cnt";
    // An overlong group or info name creates nothing at all.
    static constexpr bool kNamesFirst = true;

    static libss_hash_t *&info_hash(Grp *g) { return g->cnt_hash; }
    static void set_ops(Hdl *hdl);
    static void on_found(Grp *g, bool up) { add_wrapping(&g->total, up); }

    // The group's running total is kept.
    static void reset_info(Info *info) { __atomic_store_n(&info->cnt, uint64_t{0}, __ATOMIC_RELAXED); }
    static void reset_group(Grp *) {}

    static void snapshot(const Info *info, Info *out) {
        std::memcpy(out->name, info->name, sizeof out->name);
        out->cnt = __atomic_load_n(&info->cnt, __ATOMIC_RELAXED);
    }
    // The group line shows the running total: the dump adds nothing up.
    static constexpr bool kSums = false;

    static void print_group_line(const Grp *g) {
        fpss::say("group: [%-128s]:%llu\n", g->name,
                  static_cast<unsigned long long>(__atomic_load_n(&g->total, __ATOMIC_RELAXED)));
    }
    static void print_table_head() {}
    static void print_row(const Info &info) {
        fpss::say("\t%-128s:%llu\n", info.name, static_cast<unsigned long long>(info.cnt));
    }
    static void print_table_tail(Grp *, uint64_t) { fpss::say("\n"); }
};

using CntRegistry = fpss::registry::Registry<CntTraits>;

// inc and dec differ only in direction and in the name their reports print.
int count(const char *func, libss_fp_cnt_hdl_t *cnt_hdl, const char *grp, const char *name, bool up) {
    libss_fp_cnt_info_t *info = CntRegistry::node(func, cnt_hdl, grp, name, up);
    if (info == nullptr) return LIBSS_FP_REG_E_ARG;
    add_wrapping(&info->cnt, up);
    return 0;
}

int inc(libss_fp_cnt_hdl_t *cnt_hdl, const char *grp, const char *name) {
    return count("libss_fp_cnt_inc", cnt_hdl, grp, name, true);
}

int dec(libss_fp_cnt_hdl_t *cnt_hdl, const char *grp, const char *name) {
    return count("libss_fp_cnt_dec", cnt_hdl, grp, name, false);
}

int enable_set(libss_fp_cnt_hdl_t *cnt_hdl, uint8_t enable) {
    if (cnt_hdl == nullptr) return CntRegistry::refuse("libss_fp_cnt_enable_set");
    fpss::store_relaxed(cnt_hdl->enable, enable);
    return 0;
}

void CntTraits::set_ops(Hdl *hdl) {
    hdl->inc = &inc;
    hdl->dec = &dec;
    hdl->reset = &CntRegistry::reset;
    hdl->dump = &CntRegistry::dump;
    hdl->enable_set = &enable_set;
}

}  // namespace

extern "C" {

int libss_fp_cnt_init_hdl_func(libss_fp_cnt_hdl_t *cnt_hdl) { return CntRegistry::init(cnt_hdl); }

}  // extern "C"
