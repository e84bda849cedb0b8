// Registry exerciser entries: dump or reset the capture and counter
// registries of one module, or of modules 1 to 10, by module number.
#include <cstring>

#include "core/stdout.h"
#include "libss_fp_pub.h"

namespace {

constexpr int kFirstModule = FP_MOD_LIBPROXY_NACM;
constexpr int kLastModule = FP_MOD_SSA;

// NULL and "ALL" select every group.
const char *group_selector(const char *grp) { return (grp == nullptr || std::strcmp(grp, "ALL") == 0) ? nullptr : grp; }

fp_pub_hdl_t *handle_of(int mod) {
    if (mod < kFirstModule || mod > kLastModule) return nullptr;
    return fp_pub_hdl[mod];
}

// Dumps or resets one registry (capture or counter: the same operation slots).
template <class Registry>
void registry_op(Registry *reg, const char *mod_name, const char *grp, int op) {
    if (op == UT_LIBSS_FP_OP_DUMP && reg->dump != nullptr) {
        reg->dump(reg, group_selector(grp), mod_name);
    } else if (op == UT_LIBSS_FP_OP_RESET && reg->reset != nullptr) {
        reg->reset(reg, group_selector(grp));
    }
}

void cap_grp_op(int mod, const char *grp, int op) {
    fp_pub_hdl_t *h = handle_of(mod);
    if (h != nullptr) registry_op(&h->cap_hdl, h->mod_name, grp, op);
}

// Runs 'step' for 'mod', or for modules 1 to 10 when 'mod' is 0.
template <class Step>
void for_modules(int mod, Step step) {
    if (mod != 0) {
        step(mod);
        return;
    }
    for (int m = kFirstModule; m <= kLastModule; ++m) step(m);
}

}  // namespace

extern "C" {

void ut_libss_fp_cap_op(int op, int mod, const char *grp) {
    if (grp != nullptr) {
        fpss::say("mod: %d, grp: %s\n", mod, grp);
    } else {
        fpss::say("mod: %d\n", mod);
    }
    if (op != UT_LIBSS_FP_OP_DUMP && op != UT_LIBSS_FP_OP_RESET) return;
    for_modules(mod, [grp, op](int m) { cap_grp_op(m, grp, op); });
}

void ut_libss_fp_cap_dump_all(void) { ut_libss_fp_cap_op(UT_LIBSS_FP_OP_DUMP, 0, nullptr); }

void ut_libss_fp_cap_reset_all(void) { ut_libss_fp_cap_op(UT_LIBSS_FP_OP_RESET, 0, nullptr); }

void ut_libss_fp_cnt_grp_op(int mod, const char *grp, int op) {
    fp_pub_hdl_t *h = handle_of(mod);
    if (h != nullptr) registry_op(&h->cnt_hdl, h->mod_name, grp, op);
}

void ut_libss_fp_cnt_op(int op, int mod, const char *grp, uint8_t enable) {
    fpss::say("mod: %d, grp: %s\n", mod, grp != nullptr ? grp : "(null)");
    if (op == UT_LIBSS_FP_OP_DUMP || op == UT_LIBSS_FP_OP_RESET) {
        for_modules(mod, [grp, op](int m) { ut_libss_fp_cnt_grp_op(m, grp, op); });
    } else if (op == UT_LIBSS_FP_OP_ENABLE_SET) {
        fp_pub_hdl_t *h = handle_of(mod);  // module 0 is not "every module" here
        if (h != nullptr && h->cnt_hdl.enable_set != nullptr) h->cnt_hdl.enable_set(&h->cnt_hdl, enable);
    }
}

}  // extern "C"
