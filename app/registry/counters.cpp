// Event counters: the two-level registry of the timing capture with a counter
// per info node, a running total per group and an enable flag for the callers.
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include "registry/registry.h"
#include "core/stdout.h"
#include "libss_fp_cnt.h"

static_assert(offsetof(libss_fp_cnt_grp_t, name) == 0, "group name must lead the record");
static_assert(offsetof(libss_fp_cnt_info_t, name) == 0, "info name must lead the record");
static_assert(std::is_standard_layout_v<libss_fp_cnt_hdl_t> && std::is_standard_layout_v<libss_fp_cnt_grp_t> &&
                  std::is_standard_layout_v<libss_fp_cnt_info_t>,
              "C records");
static_assert(offsetof(libss_fp_cnt_hdl_t, lock) == 0 && offsetof(libss_fp_cnt_info_t, cnt) == 200,
              "field order of the C records");

namespace {

using fpss::Site;

constexpr const fpss::Family &kFamily = fpss::family::kCounters;

// Counters and group totals are updated atomically and wrap modulo 2^64.
void add_wrapping(uint64_t *word, bool up) {
    __atomic_fetch_add(word, up ? uint64_t{1} : ~uint64_t{0}, __ATOMIC_RELAXED);
}

struct CntTraits {
    using Hdl = libss_fp_cnt_hdl_t;
    using Grp = libss_fp_cnt_grp_t;
    using Info = libss_fp_cnt_info_t;

    static constexpr const char *kTag = kFamily.tag;
    // An overlong group or info name creates nothing at all.
    static constexpr bool kNamesFirst = true;

    static constexpr const char *kCallGrpHash = "libss_fp_cnt_try_crt_grp_hash(cnt_hdl)";
    static constexpr const char *kCallInfoHash = "libss_fp_cnt_crt_info_hash(cnt_grp)";
    static constexpr const char *kCallInsertGrp = "libss_hash_insert_item(cnt_hdl->grp_hash, (void *)cnt_grp)";
    static constexpr const char *kCallInsertInfo = "libss_hash_insert_item(cnt_grp->cnt_hash, (void *)cnt_info)";

    static constexpr Site kSiteTryCrtGrpHash{kFamily.path, "libss_fp_cnt_try_crt_grp_hash", __LINE__};
    static constexpr Site kSiteTryCrtInfoNode{kFamily.path, "libss_fp_cnt_try_crt_info_node", __LINE__};
    static constexpr Site kSiteCrtAndInsertGrpNode{kFamily.path, "libss_fp_cnt_crt_and_insert_grp_node", __LINE__};
    static constexpr Site kSiteCrtInfoHash{kFamily.path, "libss_fp_cnt_crt_info_hash", __LINE__};
    static constexpr Site kSiteCrtAndInsertInfoNode{kFamily.path, "libss_fp_cnt_crt_and_insert_info_node", __LINE__};
    static constexpr Site kSiteCpToDumpList{kFamily.path, "libss_fp_cnt_cp_to_dump_list", __LINE__};

    static libss_hash_t *&info_hash(Grp *g) { return g->cnt_hash; }
    static void on_found(Grp *g, bool up) { add_wrapping(&g->total, up); }

    // The group's running total is kept.
    static void reset_info(Info *info) { __atomic_store_n(&info->cnt, uint64_t{0}, __ATOMIC_RELAXED); }
    static void reset_group(Grp *) {}

    static void snapshot(const Info *info, Info *out) {
        std::memcpy(out->name, info->name, sizeof out->name);
        out->cnt = __atomic_load_n(&info->cnt, __ATOMIC_RELAXED);
    }
    static uint64_t sum_figure(const Info &) { return 0; }

    static void print_group_line(const Grp *g) {
        fpss::say("group: [%-128s]:%llu\n", g->name,
                    static_cast<unsigned long long>(__atomic_load_n(&g->total, __ATOMIC_RELAXED)));
    }
    static void print_table_head() {}
    static void print_row(const Info &info) {
        fpss::say("\t%-128s:%llu\n", info.name, static_cast<unsigned long long>(info.cnt));
    }
    static void print_table_tail(Grp *, uint64_t) {
        fpss::say("\n");
    }
};

using CntRegistry = fpss::registry::Registry<CntTraits>;

constexpr const char *kMemFail = fpss::registry::kMsgMemFail;

// inc and dec differ only in direction and in the name their reports print.
int count(const char *func, libss_fp_cnt_hdl_t *cnt_hdl, const char *grp, const char *name, bool up) {
    if (cnt_hdl == nullptr || grp == nullptr || name == nullptr) {
        FPSS_ERROR(func, kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    libss_fp_cnt_info_t *info = CntRegistry::find_or_make(cnt_hdl, grp, name, up);
    if (info == nullptr) {
        FPSS_ERROR(func, kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    add_wrapping(&info->cnt, up);
    return 0;
}

int libss_fp_cnt_inc(libss_fp_cnt_hdl_t *cnt_hdl, const char *grp, const char *name) {
    return count("libss_fp_cnt_inc", cnt_hdl, grp, name, true);
}

int libss_fp_cnt_dec(libss_fp_cnt_hdl_t *cnt_hdl, const char *grp, const char *name) {
    return count("libss_fp_cnt_dec", cnt_hdl, grp, name, false);
}

int libss_fp_cnt_reset(libss_fp_cnt_hdl_t *cnt_hdl, const char *grp) {
    if (cnt_hdl == nullptr) {
        FPSS_ERROR("libss_fp_cnt_reset", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    return CntRegistry::reset(cnt_hdl, grp);
}

int libss_fp_cnt_dump(libss_fp_cnt_hdl_t *cnt_hdl, const char *grp, const char *mod_name) {
    if (cnt_hdl == nullptr) {
        FPSS_ERROR("libss_fp_cnt_dump", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    return CntRegistry::dump(cnt_hdl, grp, mod_name);
}

int libss_fp_cnt_enable_set(libss_fp_cnt_hdl_t *cnt_hdl, uint8_t enable) {
    if (cnt_hdl == nullptr) {
        FPSS_ERROR("libss_fp_cnt_enable_set", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    fpss::store_relaxed(cnt_hdl->enable, enable);
    return 0;
}

}  // namespace

extern "C" {

int libss_fp_cnt_init_hdl_func(libss_fp_cnt_hdl_t *cnt_hdl) {
    if (cnt_hdl == nullptr) {
        FPSS_ERROR("libss_fp_cnt_init_hdl_func", kMemFail);
        return LIBSS_FP_REG_E_ARG;
    }
    pthread_rwlock_init(&cnt_hdl->lock, nullptr);
    cnt_hdl->inc = &libss_fp_cnt_inc;
    cnt_hdl->dec = &libss_fp_cnt_dec;
    cnt_hdl->reset = &libss_fp_cnt_reset;
    cnt_hdl->dump = &libss_fp_cnt_dump;
    cnt_hdl->enable_set = &libss_fp_cnt_enable_set;
    return 0;
}

}  // extern "C"
