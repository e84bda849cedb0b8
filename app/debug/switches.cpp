// The switch word's named switches: their tables, turning them all on or off,
// setting the whole word, reading them back from the switch file at start-up,
// and the application manager's debug bytes.
//
// The three switch tables come from one list, a row per switch in bit order.
// static_asserts check that row i is the switch of bit i and that its
// keyword is its enumerator's name in lower case, so the tables cannot drift
// from the switches.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "core/relaxed.h"
#include "core/report.h"
#include "core/stdout.h"
#include "debug/switch_file.h"
#include "ss_fp_debug.h"

// Switches 0 to 8: the enumerator and its keyword in the switch file.
// clang-format off
#define FPSS_SWITCHES(X)               \
    X(SS_FP_DBG_FLAG_IN, "in")         \
    X(SS_FP_DBG_FLAG_OUT, "out")       \
    X(SS_FP_DBG_FLAG_IMPT, "impt")     \
    X(SS_FP_DBG_FLAG_ERROR, "error")   \
    X(SS_FP_DBG_FLAG_NOTICE, "notice") \
    X(SS_FP_DBG_FLAG_DETAIL, "detail") \
    X(SS_FP_DBG_FLAG_ASSERT, "assert") \
    X(SS_FP_DBG_FLAG_INIT, "init")     \
    X(SS_FP_DBG_FLAG_DS, "ds")
// clang-format on

#define FPSS_SWITCH_BIT(e, keyword) e,
#define FPSS_SWITCH_NAME(e, keyword) #e,
#define FPSS_SWITCH_KEYWORD(e, keyword) keyword,

extern "C" {

const uint32_t lib_fp_dbg_flag[SS_FP_DBG_SW_COUNT] = {FPSS_SWITCHES(FPSS_SWITCH_BIT)};
const char *const lib_fp_dbg_name[SS_FP_DBG_SW_COUNT] = {FPSS_SWITCHES(FPSS_SWITCH_NAME)};
const char *const lib_fp_dbg_sw_str[SS_FP_DBG_SW_COUNT] = {FPSS_SWITCHES(FPSS_SWITCH_KEYWORD)};

SS_FP_API uint8_t g_ss_fp_appmng_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_ds_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_io_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_counter_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_res_debug = 0;
SS_FP_API uint8_t g_ss_fp_appmng_grp_debug = 0;

}  // extern "C"

namespace fpss {
namespace {

constexpr const Family &kFamily = family::kDebug;

// The list read at compile time (the exported tables are not constexpr).
struct SwitchRow {
    uint32_t bit;
    const char *name;
    const char *keyword;
};
#define FPSS_SWITCH_ROW(e, keyword) SwitchRow{e, #e, keyword},
constexpr SwitchRow kSwitchRows[] = {FPSS_SWITCHES(FPSS_SWITCH_ROW)};

// Whether 'name' is "SS_FP_DBG_FLAG_" followed by 'keyword' in upper case.
constexpr bool names_keyword(const char *name, const char *keyword) {
    constexpr char kPrefix[] = "SS_FP_DBG_FLAG_";
    for (size_t i = 0; i + 1 < sizeof kPrefix; ++i)
        if (name[i] != kPrefix[i]) return false;
    name += sizeof kPrefix - 1;
    for (; *keyword != '\0'; ++name, ++keyword) {
        const char upper = *keyword >= 'a' && *keyword <= 'z' ? static_cast<char>(*keyword - 'a' + 'A') : *keyword;
        if (*name != upper) return false;
    }
    return *name == '\0';
}

// The first row that is not the switch of its bit, or the row count.
constexpr size_t first_misplaced_switch() {
    for (size_t i = 0; i < std::size(kSwitchRows); ++i) {
        const SwitchRow &r = kSwitchRows[i];
        if (r.bit != uint32_t{1} << i || !names_keyword(r.name, r.keyword)) return i;
    }
    return std::size(kSwitchRows);
}

constexpr uint32_t all_switches() {
    uint32_t all = 0;
    for (const SwitchRow &r : kSwitchRows) all |= r.bit;
    return all;
}

static_assert(std::size(kSwitchRows) == SS_FP_DBG_SW_COUNT, "a switch is missing from the list");
static_assert(first_misplaced_switch() == SS_FP_DBG_SW_COUNT,
              "a switch row is not its bit, or its keyword not its name");

// Every named switch but the start-up trace.
constexpr uint32_t kAllButInit = all_switches() & ~uint32_t{SS_FP_DBG_FLAG_INIT};
static_assert(kAllButInit == 0x17F);

// The value read back for each switch at start-up (1 on, 0 off). Kept for
// inspection in a debugger; a read-back that runs twice at once is harmless.
uint8_t g_sw_readback[SS_FP_DBG_SW_COUNT];

void set_sw(uint32_t flags) {
    say("FP set dbg sw, dbg_flags: 0x%x\n", flags);
    for (int i = 0; i < SS_FP_DBG_SW_COUNT; ++i)
        if (flags & lib_fp_dbg_flag[i]) say_line(lib_fp_dbg_name[i]);
    say_line("opened.");
    store_relaxed(fp_debug_sw, flags);
}

void init_sw() {
    FPSS_INIT_TRACE("ss_fp_debug_init_sw");
    // The path array is writable by the host: read it only up to its size.
    char path[SS_FP_DEBUG_PATH_SIZE];
    std::memcpy(path, ss_fp_debug_path, sizeof path);
    path[sizeof path - 1] = '\0';
    // The file is read once; each switch is then looked up in that text.
    debug::SwitchText text;
    const bool found = debug::read_switch_file(path, text, "ss_fp_debug_init_sw");
    for (int i = 0; i < SS_FP_DBG_SW_COUNT; ++i) {
        const char *key = lib_fp_dbg_sw_str[i];
        const uint8_t on = found ? debug::find_switch(text, key, static_cast<int>(std::strlen(key))) : 0;
        store_relaxed(g_sw_readback[i], on);
        if (on == 1) {
            __atomic_fetch_or(&fp_debug_sw, lib_fp_dbg_flag[i], __ATOMIC_RELAXED);
            say_line(lib_fp_dbg_name[i]);
        }
    }
}

void set_appmng_debug(uint8_t on) {
    store_relaxed(g_ss_fp_appmng_debug, on);
    store_relaxed(g_ss_fp_appmng_ds_debug, on);
}

}  // namespace
}  // namespace fpss

extern "C" {

void ss_fp_debug_on(void) { fpss::store_relaxed(fp_debug_sw, fpss::kAllButInit); }

void ss_fp_debug_off(void) { fpss::store_relaxed(fp_debug_sw, uint32_t{0}); }

void ss_fp_debug_set_sw(uint32_t dbg_flags) { fpss::set_sw(dbg_flags); }

void ss_fp_debug_init_sw(void) { fpss::init_sw(); }

void ss_fp_appmng_set_debug(uint8_t on) { fpss::set_appmng_debug(on); }

void ss_fp_appmng_ds_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_ds_debug, on); }

void ss_fp_appmng_io_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_io_debug, on); }

void ss_fp_appmng_counter_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_counter_debug, on); }

void ss_fp_appmng_res_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_res_debug, on); }

void ss_fp_appmng_grp_res_set_debug(uint8_t on) { fpss::store_relaxed(g_ss_fp_appmng_grp_debug, on); }

}  // extern "C"
