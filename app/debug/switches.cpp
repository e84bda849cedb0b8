// Setting the switch word, reading the switches back from the switch file at
// start-up, and the application manager's debug bytes.
#include <cstdio>
#include <cstring>

#include "core/relaxed.h"
#include "core/report.h"
#include "core/stdout.h"
#include "ss_fp_debug.h"

namespace {
constexpr const fpss::Family &kFamily = fpss::family::kDebug;
}  // namespace

extern "C" {
SS_FP_API uint8_t g_ss_fp_appmng_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_ds_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_io_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_counter_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_res_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_grp_debug = 0;
}

namespace fpss {
namespace {

// The value read back for each switch at start-up (1 on, 0 off). Kept for
// inspection in a debugger; a read-back that runs twice at once is harmless.
uint8_t g_sw_readback[SS_FP_DBG_SW_COUNT];

void set_sw(uint32_t flags) {
    fpss::say("FP set dbg sw, dbg_flags: 0x%x\n", flags);
    for (int i = 0; i < SS_FP_DBG_SW_COUNT; ++i)
        if (flags & lib_fp_dbg_flag[i]) fpss::say_line(lib_fp_dbg_name[i]);
    fpss::say_line("opened.");
    store_relaxed(fp_debug_sw, flags);
}

void init_sw() {
    FPSS_INIT_TRACE("ss_fp_debug_init_sw");
    // The path array is writable by the host: read it only up to its size.
    char path[SS_FP_DEBUG_PATH_SIZE];
    std::memcpy(path, ss_fp_debug_path, sizeof path);
    path[sizeof path - 1] = '\0';
    for (int i = 0; i < SS_FP_DBG_SW_COUNT; ++i) {
        const char *key = lib_fp_dbg_sw_str[i];
        uint8_t on = 0;
        ss_fp_debug_file_get(path, &on, key, static_cast<int>(std::strlen(key)));
        store_relaxed(g_sw_readback[i], on);
        if (on == 1) {
            __atomic_fetch_or(&fp_debug_sw, lib_fp_dbg_flag[i], __ATOMIC_RELAXED);
            fpss::say_line(lib_fp_dbg_name[i]);
        }
    }
}

}  // namespace
}  // namespace fpss

extern "C" {

void ss_fp_debug_set_sw(uint32_t dbg_flags) { fpss::set_sw(dbg_flags); }

void ss_fp_debug_init_sw(void) { fpss::init_sw(); }

void ss_fp_appmng_set_debug(uint8_t on) {
    fpss::store_relaxed(g_ss_fp_appmng_debug, on);
    fpss::store_relaxed(g_ss_fp_appmng_ds_debug, on);
}

void ss_fp_appmng_ds_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_ds_debug, on); }

void ss_fp_appmng_io_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_io_debug, on); }

void ss_fp_appmng_counter_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_counter_debug, on); }

void ss_fp_appmng_res_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_res_debug, on); }

void ss_fp_appmng_grp_res_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_grp_debug, on); }

}  // extern "C"
