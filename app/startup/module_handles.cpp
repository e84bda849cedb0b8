// The per-module public handles and the two tables the stack reads.
#include <cstring>
#include <type_traits>

#include "core/report.h"
#include "libss_fp_pub.h"
#include "ss_fp_mem.h"

static_assert(std::is_standard_layout_v<fp_pub_hdl_t>, "the handle is a C record");
static_assert(offsetof(fp_pub_hdl_t, mod_name) == 0, "the module name opens the handle");

namespace fpss {
namespace startup {
namespace {

constexpr const Family &kFamily = family::kStartup;

// Releases the handles of 'made', each with its registry locks set up.
int roll_back(fp_pub_hdl_t *(&made)[FP_MOD_MAX]) {
    for (fp_pub_hdl_t *h : made) {
        if (h == nullptr) continue;
        pthread_rwlock_destroy(&h->cnt_hdl.lock);
        pthread_rwlock_destroy(&h->cap_hdl.lock);
        ss_fp_free(h, kFamily.tag);
    }
    return LIBSS_FP_PUB_E_INIT;
}

}  // namespace

// One zero-filled handle per module, named from fp_mod_name, with its counter
// and capture registries ready. The handles are published only when all are
// made: a failure releases only its own, and the slots keep what an earlier
// start-up put there (modules may hold those handles).
int make_module_handles() {
    fp_pub_hdl_t *made[FP_MOD_MAX] = {};
    for (int mod = FP_MOD_NONE; mod < FP_MOD_MAX; ++mod) {
        auto *h = static_cast<fp_pub_hdl_t *>(ss_fp_calloc(1, sizeof(fp_pub_hdl_t), kFamily.tag));
        if (h == nullptr) {
            FPSS_ERROR("libss_fp_pub_init", "no enough memory, rv: %d", -2);
            return roll_back(made);
        }
        libss_fp_cnt_init_hdl_func(&h->cnt_hdl);
        libss_fp_cap_init_hdl_func(&h->cap_hdl);
        made[mod] = h;
        const char *name = fp_mod_name[mod];
        // A missing name is refused like an overlong one.
        size_t n = name != nullptr ? strnlen(name, FP_PUB_MOD_NAME_LEN) + 1 : FP_PUB_MOD_NAME_LEN + 1;
        if (n > FP_PUB_MOD_NAME_LEN) return roll_back(made);
        std::memcpy(h->mod_name, name, n);
    }
    std::memcpy(fp_pub_hdl, made, sizeof made);
    return LIBSS_FP_PUB_OK;
}

}  // namespace startup
}  // namespace fpss

extern "C" {

SS_FP_API fp_pub_hdl_t *fp_pub_hdl[FP_MOD_MAX] = {};

SS_FP_API const char *fp_mod_name[FP_MOD_MAX + 1] = {
    "FP_MOD_NONE",          "FP_MOD_LIBPROXY_NACM", "FP_MOD_LIBPROXY_APPMNG",
    "FP_MOD_VDUMSG_APPMNG", "FP_MOD_NACM",          "FP_MOD_APPMNG",
    "FP_MOD_ADJUST",        "FP_MOD_TCAM",          "FP_MOD_ENGINE",
    "FP_MOD_INSTALL",       "FP_MOD_SSA",           "FP_MOD_MAX",
};

const char *const lib_fp_err_syslog_string[FP_ERR_SYSLOG_STRING_NUM] = {
    "",
    "",
    "",
    "",
    "",
    "",
    "the FP capacity is full.",  // 6
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "the KEY resource is insufficient.",  // 14
    "",
    "the KEY does not support.",  // 16
    "",
    "",
    "",
    "",
    "the KEY field length is exceeded.",  // 21
    "the KEY is not continuous.",         // 22
};

int libss_fp_pub_init(void) { return fpss::startup::make_module_handles(); }

}  // extern "C"
