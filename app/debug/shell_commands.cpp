// The library's commands in the platform's debug shell.
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"
#include "ss_fp_platform.h"

namespace fpss {
namespace {

// The shell calls every handler as int(uint32_t) with the one value its
// template names: the two library functions of another type get a handler of
// that form, since calling them through the shell's type would be undefined
// (a uint8_t parameter would see only the value's low byte).
int set_sw_command(uint32_t dbg_flags) {
    ss_fp_debug_set_sw(dbg_flags);
    return 0;
}

int malloc_free_sw_command(uint32_t op) { return ss_fp_debug_malloc_free_sw(op != 0 ? 1 : 0); }

struct ShellCommand {
    const char *name;
    const char *arg_template;
    void *handler;
};

int register_commands(uint64_t module) {
    const ShellCommand commands[] = {
        {"debug", "dbg_flags=%x, $d", reinterpret_cast<void *>(&set_sw_command)},
        {"mem_record_show", "show_detail=%d(0/1), $d", reinterpret_cast<void *>(&ss_fp_debug_dump_mem_use_info_all)},
        {"mem_record_dbg", "op=%d(0-close,1-open), $d", reinterpret_cast<void *>(&malloc_free_sw_command)},
    };
    int rv = 0;
    for (const ShellCommand &c : commands) rv = ssat_reg_mod_cmd(module, c.name, 0, c.arg_template, c.handler);
    return rv;
}

}  // namespace
}  // namespace fpss

extern "C" int ss_fp_debug_cmd_init(uint64_t module) { return fpss::register_commands(module); }
