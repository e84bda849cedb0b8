// The shell's commands: the table, the dispatcher and the handlers. The
// handlers parse and check their words and call the library; the library's
// dumps and views do the printing.
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "appmng_sim.h"
#include "libss_fp_pub.h"
#include "shell.h"
#include "ss_fp_debug.h"
#include "ss_fp_log_op.h"
#include "ss_fp_mem.h"
#include "ss_fp_platform.h"
#include "ss_fp_res.h"
#include "ss_fp_service.h"
#include "ss_fp_ut_appmng.h"

namespace fpsh {

void say(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    std::vprintf(format, ap);
    va_end(ap);
    std::fflush(stdout);
}

bool fail(const char *format, ...) {
    std::fflush(stdout);
    va_list ap;
    va_start(ap, format);
    std::fputs("fpsh: ", stderr);
    std::vfprintf(stderr, format, ap);
    std::fputc('\n', stderr);
    va_end(ap);
    return false;
}

namespace {

bool to_i64(const std::string &w, int64_t &out) {
    const char *s = w.c_str();
    const bool neg = *s == '-';
    uint64_t v;
    if (!to_u64(neg ? w.substr(1) : w, v) || v > (neg ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1)) return false;
    out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}

}  // namespace

bool to_u64(const std::string &w, uint64_t &out) {
    const bool hex = w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X');
    if (w.empty() || w.find_first_not_of(hex ? "0123456789abcdefABCDEFxX" : "0123456789") != std::string::npos)
        return false;
    errno = 0;
    char *end = nullptr;
    out = std::strtoull(w.c_str(), &end, hex ? 16 : 10);
    return errno == 0 && *end == '\0';
}

bool to_u32(const std::string &w, uint32_t &out) {
    uint64_t v;
    if (!to_u64(w, v) || v > UINT32_MAX) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool to_i32(const std::string &w, int32_t &out) {
    int64_t v;
    if (!to_i64(w, v) || v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

// Names of a table that share a prefix, matched with or without it.
static bool name_in(const std::string &w, const char *const *names, int count, const char *prefix, int &index) {
    const size_t plen = std::strlen(prefix);
    for (int i = 0; i < count; ++i) {
        const char *n = names[i];
        if (n != nullptr && (strcasecmp(w.c_str(), n) == 0 ||
                             (std::strncmp(n, prefix, plen) == 0 && strcasecmp(w.c_str(), n + plen) == 0))) {
            index = i;
            return true;
        }
    }
    return false;
}

bool to_module(const std::string &w, int &mod) {
    uint32_t n;
    if (to_u32(w, n)) {
        mod = static_cast<int>(n);
        return n < FP_MOD_MAX;
    }
    return name_in(w, fp_mod_name, FP_MOD_MAX, "FP_MOD_", mod);
}

std::vector<std::string> module_words() {
    std::vector<std::string> out;
    for (int m = 0; m < FP_MOD_MAX; ++m)
        if (std::strncmp(fp_mod_name[m], "FP_MOD_", 7) == 0) out.emplace_back(fp_mod_name[m] + 7);
    return out;
}

namespace {

constexpr const char *kTag = "tools/fpsh";  // accounting tag of the shell's own allocations
bool g_quit;

// A bad argument: says which, then the usage line.
bool bad(const Command &c, const char *what, const std::string &word) {
    fail("%s%s%s: bad %s '%s'", c.name, *c.sub ? " " : "", c.sub, what, word.c_str());
    print_usage(c);
    return false;
}

// Numbers of args[from..], each into the matching slot of 'out' (slots
// without a word keep their value).
bool numbers(const Command &c, const Args &a, size_t from, int64_t *out) {
    for (size_t i = from; i < a.size(); ++i)
        if (!to_i64(a[i], out[i - from])) return bad(c, "number", a[i]);
    return true;
}

bool module_arg(const Command &c, const Args &a, size_t i, int &mod) {
    mod = 0;
    return i >= a.size() || to_module(a[i], mod) || bad(c, "module", a[i]);
}

bool done(const Command &c, int rc) {
    return rc == 0 || fail("%s%s%s: failed with %d", c.name, *c.sub ? " " : "", c.sub, rc);
}

// General commands.

bool help(const Command &, const Args &a);

bool quit(const Command &, const Args &) { return g_quit = true; }

bool echo(const Command &, const Args &a) {
    std::string text;
    for (const std::string &w : a) text += (text.empty() ? "" : " ") + w;
    say("%s\n", text.c_str());
    return true;
}

bool sw(const Command &c, const Args &a) {
    if (!a.empty() && a[0] != "on" && a[0] != "off") return bad(c, "word", a[0]);
    if (!a.empty()) a[0] == "on" ? ss_fp_debug_on() : ss_fp_debug_off();
    const uint32_t word = fp_debug_sw;
    say("fp_debug_sw = 0x%x\n", word);
    for (int i = 0; i < SS_FP_DBG_SW_COUNT; ++i)
        if (word & lib_fp_dbg_flag[i]) say("%s\n", lib_fp_dbg_name[i]);
    return true;
}

// Registries.

bool figure(const Command &c, const Args &a) {
    int mod;
    if (!module_arg(c, a, 0, mod)) return false;
    fp_pub_hdl_t *h = fp_pub_hdl[mod];
    if (h == nullptr) return fail("module %d has no handle", mod);
    const char *g = a[1].c_str(), *n = a[2].c_str();
    const std::string op = c.sub;
    const int rc = op == "start"  ? h->cap_hdl.start(&h->cap_hdl, g, n)
                   : op == "stop" ? h->cap_hdl.stop(&h->cap_hdl, g, n)
                   : op == "inc"  ? h->cnt_hdl.inc(&h->cnt_hdl, g, n)
                                  : h->cnt_hdl.dec(&h->cnt_hdl, g, n);
    return done(c, rc);
}

bool registry_op(const Command &c, const Args &a) {
    int mod;
    if (!module_arg(c, a, 0, mod)) return false;
    const char *grp = a.size() > 1 ? a[1].c_str() : nullptr;
    const int op = std::strcmp(c.sub, "dump") == 0 ? UT_LIBSS_FP_OP_DUMP : UT_LIBSS_FP_OP_RESET;
    if (std::strcmp(c.name, "cap") == 0)
        ut_libss_fp_cap_op(op, mod, grp);
    else
        ut_libss_fp_cnt_op(op, mod, grp, 0);
    return true;
}

bool cnt_enable(const Command &c, const Args &a) {
    int mod;
    uint32_t on;
    if (!module_arg(c, a, 0, mod)) return false;
    if (mod == 0) return bad(c, "module (1 to 10)", a[0]);
    if (!to_u32(a[1], on) || on > 255) return bad(c, "flag", a[1]);
    ut_libss_fp_cnt_op(UT_LIBSS_FP_OP_ENABLE_SET, mod, nullptr, static_cast<uint8_t>(on));
    return true;
}

// Service ids: one handle for the shell, made on first use.

ss_fp_service_hdl_t *service() {
    static ss_fp_service_hdl_t *h;
    if (h == nullptr && libss_fp_alloc_service_hdl(&h) != 0) h = nullptr;
    return h;
}

bool svc(const Command &c, const Args &a) {
    ss_fp_service_hdl_t *h = service();
    if (h == nullptr) return fail("no memory for a service handle");
    const std::string op = c.sub;
    if (op == "dump") {
        const int rc = libss_fp_service_dump(h);
        say("\n");
        return done(c, rc);
    }
    int64_t v[1] = {0};
    if (!a.empty() && !to_i64(a[0], v[0])) return bad(c, "number", a[0]);
    if (op == "in") {
        const std::string text = a.size() > 1 ? a[1] : "";
        ss_fp_service_para_t p{static_cast<uint64_t>(v[0]), static_cast<uint32_t>(text.size()),
                               const_cast<char *>(text.data())};
        uint32_t id = 0;
        const int rc = libss_fp_alloc_service_id_in(h, a.empty() ? nullptr : &p, &id);
        if (rc == 0) say("in %u\n", id);
        return done(c, rc);
    }
    const auto id = static_cast<uint32_t>(v[0]);
    if (op == "out") {
        uint32_t out = 0;
        const int rc = libss_fp_alloc_service_id_out(h, id, &out);
        if (rc == 0) say("out %u\n", out);
        return done(c, rc);
    }
    if (op == "recv") return done(c, libss_fp_set_service_id_out_recv(h, id));
    if (op == "free") return done(c, libss_fp_free_service_id_in(h, id));
    uint32_t state = 0;
    const int rc = libss_fp_verify_service_id_in(h, id, nullptr, 0);
    static constexpr const char *kStates[] = {"NEW", "OUT", "DONE", "WAIT"};
    if (rc == 0 && libss_fp_get_service_id_info(h, id, &state, nullptr) == 0 && state < 4)
        say("state %s\n", kStates[state]);
    return done(c, rc);
}

// Operation-log writers.

bool log_line(const Command &c, const Args &a) {
    const std::string kind = c.sub;
    if (kind == "text" || kind == "notify") {
        int64_t v[3] = {0, 0, 0};
        std::string text = a[0];
        if (kind == "notify" && !numbers(c, a, 1, v)) return false;
        for (size_t i = 1; kind == "text" && i < a.size(); ++i) text += " " + a[i];
        const int64_t r = kind == "text" ? ssd_policy_log(text.c_str())
                                         : ss_fp_log_notify(text.c_str(), static_cast<int32_t>(v[0]),
                                                            static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]));
        return done(c, r < 0 ? -1 : 0);
    }
    static constexpr const char *kOps[] = {"add", "del", "notify"};
    int op;
    int32_t number;
    if (!name_in(a[0], kOps, 3, "", op)) {
        if (!to_i32(a[0], number)) return bad(c, "operation", a[0]);
        op = number;
    }
    int64_t v[8] = {};  // v[1] on: the words after the operation
    if (!numbers(c, a, 1, v + 1)) return false;
    const auto i32 = [&](int i) { return static_cast<int32_t>(v[i]); };
    ss_fp_appmng_acl_t acl{i32(1), kind == "acl" ? i32(2) : 0, 0, kind == "acl" ? i32(3) : 0};
    int64_t r;
    if (kind == "acl") {
        r = ss_fp_log_op_acl(&acl, nullptr, op);
    } else if (kind == "ace") {
        ss_fp_appmng_ace_t ace{};
        ace.sn = static_cast<uint32_t>(v[2]);
        ace.sub_sn = static_cast<uint32_t>(v[3]);
        ace.ace_pri = static_cast<uint64_t>(v[4]);
        r = ss_fp_log_op_ace(&acl, &ace, nullptr, op);
    } else if (kind == "apply") {
        ss_fp_appmng_apply_t apply{};
        apply.phyid = static_cast<uint32_t>(v[2]);
        apply.direction = i32(3);
        apply.pri = i32(4);
        r = ss_fp_log_op_apply(&acl, &apply, nullptr, op);
    } else if (kind == "pcl") {
        ssd_policy_pcl_t pcl{};
        pcl.stage = i32(1);
        pcl.vag = i32(2);
        pcl.pri = static_cast<uint64_t>(v[3]);
        pcl.key_id = i32(4);
        pcl.acl_id = i32(5);
        r = ssd_policy_log_op_pcl(&pcl, op);
    } else {
        ssd_policy_pcl_apply_t pa{i32(1), i32(2), {}};
        for (int w = 0; w < 4; ++w) pa.pbmp[w] = static_cast<uint32_t>(v[3 + w]);
        r = ssd_policy_log_op_pcl_apply(&pa, op);
    }
    return done(c, r < 0 ? -1 : 0);
}

bool oplog_cmd(const Command &c, const Args &a) {
    std::string who;
    uint32_t last = 0, seconds = 0;
    bool follow = false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "follow") {
            follow = true;
            if (i + 1 < a.size() && !to_u32(a[++i], seconds)) return bad(c, "seconds", a[i]);
        } else if (a[i] == "last" && i + 1 < a.size()) {
            if (!to_u32(a[++i], last)) return bad(c, "count", a[i]);
        } else if (i > 0 || follow) {
            return bad(c, "word", a[i]);
        } else {
            who = a[i];
        }
    }
    return oplog(who, last, follow, seconds);
}

// Resource records: built with the library's builders and released again.

bool res(const Command &c, const Args &a) {
    int64_t v[3] = {};
    if (!numbers(c, a, 0, v)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (v[i] < 0 || v[i] > 64) return bad(c, "count (0 to 64)", a[i]);
    const int n = static_cast<int>(v[0]), x = static_cast<int>(v[1]), y = static_cast<int>(v[2]);
    void **nodes = static_cast<void **>(ss_fp_calloc(n > 0 ? n : 1, sizeof(void *), kTag));
    if (nodes == nullptr) return fail("no memory");
    int rc = 0;
    const std::string kind = c.sub;
    if (kind == "group")
        rc = ss_fp_malloc_group_info(reinterpret_cast<SPolicy__GroupInfoNode **>(nodes), n, x);
    else if (kind == "res")
        ss_fp_malloc_res_node(reinterpret_cast<SPolicy__ResNode **>(nodes), n, x);
    else
        ss_fp_malloc_unit_res_node(reinterpret_cast<SPolicy__UnitResNode **>(nodes), n, x, y);
    int built = 0;
    while (built < n && nodes[built] != nullptr) ++built;
    say("built %d of %d %s messages; released\n", built, n, kind.c_str());
    if (kind == "group")
        ss_fp_free_group_info(reinterpret_cast<SPolicy__GroupInfoNode **>(nodes), n, x);
    else if (kind == "res")
        ss_fp_free_res_node(reinterpret_cast<SPolicy__ResNode **>(nodes), n, x);
    else
        ss_fp_free_unit_res_node(reinterpret_cast<SPolicy__UnitResNode **>(nodes), n, x, y);
    return done(c, built == n ? rc : 2);
}

// The exerciser against the simulator.

bool appmng_request(const Command &c, const Args &a) {
    static constexpr struct {
        const char *sub;
        int (*run)(ut_ss_fp_appmng_entry_t);
    } kRequests[] = {
        {"crt_acl", ut_ss_fp_appmng_crt_acl},    {"del_acl", ut_ss_fp_appmng_del_acl},
        {"add_ace", ut_ss_fp_appmng_add_ace},    {"add_ace_with_counter", ut_ss_fp_appmng_add_ace_with_counter},
        {"del_ace", ut_ss_fp_appmng_del_ace},    {"apply", ut_ss_fp_appmng_apply_acl},
        {"unapply", ut_ss_fp_appmng_unapply_acl}};
    const std::string op = c.sub;
    int rv = 0;
    uint32_t n = 0;
    for (const auto &r : kRequests)
        if (op == r.sub) rv = r.run(appmng_sim::entry);
    if (op == "add_ace_diff") {
        if (!to_u32(a[0], n)) return bad(c, "number", a[0]);
        rv = ut_ss_fp_appmng_add_ace_diff(appmng_sim::entry, n);
    } else if (op == "update_acl_action") {
        ut_ss_fp_appmng_update_acl_action(appmng_sim::entry);
    } else if (op == "update_ace_action") {
        ut_ss_fp_appmng_update_ace_action(appmng_sim::entry);
    } else if (op == "counter") {
        if (a[0] != "acl" && a[0] != "ace") return bad(c, "counter kind", a[0]);
        if (a.size() > 1 && !to_u32(a[1], n)) return bad(c, "number", a[1]);
        ut_ss_fp_appmng_counter(appmng_sim::entry, a[0] == "acl" ? SS_FP_APPMNG_ACL_COUNTER : SS_FP_APPMNG_ACE_COUNTER,
                                n);
        say("\n");
    }
    return done(c, rv);
}

// N requests, the run timer started before them and stopped (and shown) by
// the completion of the last.
bool appmng_run(const Command &c, const Args &a) {
    uint32_t n;
    if (!to_u32(a[0], n) || n == 0 || n > 10000) return bad(c, "count (1 to 10000)", a[0]);
    g_test_num = n;
    g_test_count = 0;
    g_test_time = ut_ss_fp_appmng_time_t{};
    std::strcpy(g_test_time.name, "add_ace_diff");
    ut_ss_fp_appmng_time_start(&g_test_time);
    int failed = 0;
    for (uint32_t i = 1; i <= n; ++i) failed += ut_ss_fp_appmng_add_ace_diff(appmng_sim::entry, i) != 0;
    return done(c, failed);
}

bool appmng_hit(const Command &c, const Args &a) {
    int64_t v[3] = {0, 0, 0};
    if (!numbers(c, a, 0, v)) return false;
    return done(
        c, appmng_sim::hit(99, static_cast<uint64_t>(v[0]), static_cast<uint64_t>(v[1]), static_cast<uint64_t>(v[2])));
}

bool appmng_view(const Command &c, const Args &a) {
    const std::string view = c.sub;
    int64_t v[2] = {0, 0};
    if (!numbers(c, a, 0, v)) return false;
    const auto app = static_cast<uint32_t>(v[0]);
    const auto id = static_cast<int32_t>(v[1]);
    int rc = 0;
    if (view == "acls")
        rc = ut_ss_fp_appmng_dump_acl(appmng_sim::root(), app, id);
    else if (view == "counters")
        rc = ut_ss_fp_appmng_dump_acl_counter(appmng_sim::root(), app, id);
    else if (view == "clear")
        rc = ut_ss_fp_appmng_clear_acl_counter(appmng_sim::root(), app, id);
    else if (view == "uplink")
        ut_ss_fp_appmng_dump_uplink(appmng_sim::uplinks());
    else if (view == "service")
        rc = ut_ss_fp_appmng_dump_service_dm_hash(appmng_sim::service_table());
    else if (view == "time")
        ut_ss_fp_appmng_dump_time();
    else if (view == "memory")
        ut_ss_fp_appmng_dump_memory();
    if (view != "time" && view != "service") say("\n");
    return done(c, rc);
}

bool appmng_debug(const Command &c, const Args &a) {
    if (a[0] != "on" && a[0] != "off") return bad(c, "word", a[0]);
    a[0] == "on" ? ut_ss_fp_appmng_deb() : ut_ss_fp_appmng_undeb();
    return true;
}

// Decoders.

bool decode_cmd(const Command &c, const Args &a) {
    const std::string kind = c.sub;
    uint32_t flag = 0;
    size_t from = 0;
    if (kind == "rule" || kind == "action") {
        int named;
        const bool rule = kind == "rule";
        if (name_in(a[0], rule ? fp_rule_flag_strings : fp_action_flag_strings,
                    rule ? SS_FP_RULE_MAX + 1 : SS_FP_ACTION_MAX + 1, rule ? "SS_FP_RULE_" : "SS_FP_ACTION_", named))
            flag = static_cast<uint32_t>(named);
        else if (!to_u32(a[0], flag))
            return bad(c, "flag", a[0]);
        from = 1;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!read_hex(Args(a.begin() + static_cast<long>(from), a.end()), bytes, error) ||
        !decode(kind, flag, bytes, error))
        return fail("decode %s: %s", kind.c_str(), error.c_str());
    say("\n");
    return true;
}

// Metrics and other processes.

bool metrics(const Command &c, const Args &a) {
    int mod;
    if (!module_arg(c, a, 0, mod)) return false;
    say("%s", metrics_text(mod).c_str());
    return true;
}

// "metrics" as served to other processes.
int metrics_served(uint32_t mod) {
    if (mod >= FP_MOD_MAX) {
        say("no module %u\n", mod);
        return -1;
    }
    try {  // called by the platform layer: nothing may be thrown out
        say("%s", metrics_text(static_cast<int>(mod)).c_str());
        return 0;
    } catch (...) {
        say("no memory\n");
        return -1;
    }
}

bool target(const Command &c, const Args &a) {
    ssat_ctl_reply_t r;
    const int rc = ssat_ctl_call(a[0].c_str(), a[1].c_str(), a.size() > 2 ? a[2].c_str() : "", 10000, &r);
    if (rc == 0 && r.ran) {
        std::fwrite(r.text, 1, r.len, stdout);  // the handler's result is the program's (some return nothing)
        std::fflush(stdout);
    } else {
        fail("%s: %s", c.name, r.text != nullptr ? r.text : "no memory");
    }
    const bool ok = rc == 0 && r.ran;
    ssat_ctl_reply_free(&r);
    return ok;
}

bool targets(const Command &, const Args &) {
    std::vector<std::pair<std::string, long>> found;
    const int rc = ssat_ctl_list(
        [](const char *name, long pid, void *arg) {
            try {  // called by the platform layer: nothing may be thrown out
                static_cast<std::vector<std::pair<std::string, long>> *>(arg)->emplace_back(name, pid);
                return 0;
            } catch (...) {
                return -1;
            }
        },
        &found);
    std::sort(found.begin(), found.end());
    for (const auto &f : found) say("%-32s %ld\n", f.first.c_str(), f.second);
    return rc == 0 || fail("targets: the socket directory is not private or cannot be read");
}

const std::vector<Command> kCommands = {
    {"help", "", "[CMD [SUB]]", 0, 2, help, "list the commands, or show one command's usage"},
    {"quit", "", "", 0, 0, quit, "leave the shell (end of input does too)"},
    {"exit", "", "", 0, 0, quit, "leave the shell"},
    {"echo", "", "[TEXT...]", 0, -1, echo, "print the text"},
    {"sw", "", "[on|off]", 0, 1, sw, "show the debug switch word, after turning every switch but init on or off"},
    {"cap", "start", "MOD GRP NAME", 3, 3, figure, "start timing operation NAME of group GRP of a module"},
    {"cap", "stop", "MOD GRP NAME", 3, 3, figure, "stop timing it and add the elapsed time"},
    {"cap", "dump", "[MOD [GRP]]", 0, 2, registry_op,
     "capture tables; MOD 0 or none: modules 1 to 10, GRP ALL or none: all"},
    {"cap", "reset", "[MOD [GRP]]", 0, 2, registry_op, "zero the capture figures"},
    {"cnt", "inc", "MOD GRP NAME", 3, 3, figure, "add one to counter NAME of group GRP of a module"},
    {"cnt", "dec", "MOD GRP NAME", 3, 3, figure, "take one from the counter"},
    {"cnt", "dump", "[MOD [GRP]]", 0, 2, registry_op, "counter groups and counters, as for cap dump"},
    {"cnt", "reset", "[MOD [GRP]]", 0, 2, registry_op, "zero the counters (group totals stay)"},
    {"cnt", "enable", "MOD 0|1", 2, 2, cnt_enable, "set the counter enable flag of module 1 to 10"},
    {"svc", "in", "[USER_DATA [PARA]]", 0, 2, svc, "allocate an inbound service id, with parameters"},
    {"svc", "out", "IN", 1, 1, svc, "allocate an outbound id for inbound id IN"},
    {"svc", "recv", "OUT", 1, 1, svc, "mark the answer to outbound id OUT received"},
    {"svc", "verify", "IN", 1, 1, svc, "settle inbound id IN and show its state"},
    {"svc", "free", "IN", 1, 1, svc, "free inbound id IN and its outbound ids"},
    {"svc", "dump", "", 0, 0, svc, "show the shell's service handle"},
    {"log", "acl", "add|del|notify ACL_ID [APP [CLS]]", 2, 4, log_line, "write an ACL line to the operation log"},
    {"log", "ace", "add|del|notify ACL_ID [SN [SUB_SN [PRI]]]", 2, 5, log_line, "write an ACE line"},
    {"log", "apply", "add|del|notify ACL_ID [PHYID [DIR [PRI]]]", 2, 5, log_line, "write an apply line"},
    {"log", "notify", "TYPE GRP MBR NUM", 4, 4, log_line, "write a notification line"},
    {"log", "pcl", "add|del|notify STAGE [VAG [PRI [KEY_ID [ACL_ID]]]]", 2, 6, log_line, "write a pcl line"},
    {"log", "pcl_apply", "add|del|notify BIND_TYPE [BIND_ID [W0 [W1 [W2 [W3]]]]]", 2, 7, log_line,
     "write a pcl apply line with a port bitmap"},
    {"log", "text", "TEXT...", 1, -1, log_line, "write a line of text"},
    {"oplog", "", "[NAME|PID] [last N] [follow [SECONDS]]", 0, 5, oplog_cmd,
     "a process's two operation-log files in time order (the last N lines); then what is added (Ctrl-C stops)"},
    {"res", "group", "N APPLY", 2, 2, res, "build and release N group messages of APPLY apply records"},
    {"res", "res", "N SLICES", 2, 2, res, "build and release N resource messages of SLICES slices"},
    {"res", "unit", "N RES SLICES", 3, 3, res, "build and release N unit messages"},
    {"appmng", "crt_acl", "", 0, 0, appmng_request, "create ACL 99 (application type 13) in the simulator"},
    {"appmng", "del_acl", "", 0, 0, appmng_request, "delete it"},
    {"appmng", "add_ace", "", 0, 0, appmng_request, "add ACE 255 to it"},
    {"appmng", "add_ace_diff", "N", 1, 1, appmng_request, "add ACE N (destination 192.168.1.1 + N)"},
    {"appmng", "add_ace_with_counter", "", 0, 0, appmng_request, "add ACE 255 with a counter action"},
    {"appmng", "del_ace", "", 0, 0, appmng_request, "delete ACE 255"},
    {"appmng", "apply", "", 0, 0, appmng_request, "apply ACL 99 to port 0x07001B1E"},
    {"appmng", "unapply", "", 0, 0, appmng_request, "take the apply away again"},
    {"appmng", "update_acl_action", "", 0, 0, appmng_request, "move the ACL's first apply to port 0x07001902"},
    {"appmng", "update_ace_action", "", 0, 0, appmng_request, "renumber ACE 255 to 256"},
    {"appmng", "counter", "acl|ace [ARG]", 1, 2, appmng_request, "ask for the ACL's or ACE 255's counters"},
    {"appmng", "run", "N", 1, 1, appmng_run, "add ACEs 1 to N, timed by the run timer of the completions"},
    {"appmng", "hit", "SN PACKETS [BYTES]", 2, 3, appmng_hit, "count traffic on ACE SN of ACL 99"},
    {"appmng", "acls", "[APP [ACL_ID]]", 0, 2, appmng_view, "show the simulator's ACLs with ACEs and applies"},
    {"appmng", "counters", "[APP [ACL_ID]]", 0, 2, appmng_view, "show the ACE counters that saw traffic"},
    {"appmng", "clear", "[APP [ACL_ID]]", 0, 2, appmng_view, "clear those counters"},
    {"appmng", "uplink", "", 0, 0, appmng_view, "show the uplinks"},
    {"appmng", "service", "", 0, 0, appmng_view, "show the service table of the last requests"},
    {"appmng", "time", "", 0, 0, appmng_view, "show the request timers"},
    {"appmng", "memory", "", 0, 0, appmng_view, "show the simulator's node count"},
    {"appmng", "debug", "on|off", 1, 1, appmng_debug, "turn the exerciser's trace on or off"},
    {"decode", "rule", "FLAG HEX...", 1, -1, decode_cmd, "print a rule value (flag by number or name)"},
    {"decode", "action", "FLAG HEX...", 1, -1, decode_cmd, "print an action value"},
    {"decode", "acl", "HEX...", 1, -1, decode_cmd, "print an ACL record (hex words, or @FILE)"},
    {"decode", "ace", "HEX...", 1, -1, decode_cmd, "print an ACE record with its values"},
    {"decode", "tlv", "HEX...", 1, -1, decode_cmd, "print a rule and action block"},
    {"decode", "apply", "HEX...", 1, -1, decode_cmd, "print an apply record with its values"},
    {"decode", "key", "HEX...", 1, -1, decode_cmd, "print a TCAM key record"},
    {"decode", "vag", "HEX...", 1, -1, decode_cmd, "print a virtual group record"},
    {"decode", "comparator", "HEX...", 1, -1, decode_cmd, "print a range comparator record"},
    {"decode", "udf", "HEX...", 1, -1, decode_cmd, "print a UDF chunk record"},
    {"decode", "meter", "HEX...", 1, -1, decode_cmd, "print a meter record"},
    {"decode", "pbmp", "HEX...", 1, -1, decode_cmd, "print a port bitmap (8 words)"},
    {"decode", "tcam", "HEX...", 1, -1, decode_cmd, "print a TCAM entry, its rule and action block after it"},
    {"decode", "cnter", "HEX...", 1, -1, decode_cmd, "print a counter record"},
    {"decode", "bind", "HEX...", 1, -1, decode_cmd, "print a binding record"},
    {"metrics", "", "[MOD]", 0, 1, metrics, "figures in the Prometheus text format (MOD 0 or none: all)"},
    {"target", "", "NAME|PID CMD [ARG]", 2, 3, target, "run a served command in another process"},
    {"targets", "", "", 0, 0, targets, "list the processes that serve commands"},
};

std::string usage_of(const Command &c) {
    std::string s = std::string(c.name) + (*c.sub ? " " : "") + c.sub;
    return *c.usage ? s + " " + c.usage : s;
}

// A command of the platform's table, by name.
bool platform_command(const std::string &name, ssat_cmd_info_t &info) {
    for (size_t i = 0; ssat_cmd_get(i, &info) == 0; ++i)
        if (name == info.name) return true;
    return false;
}

bool help(const Command &, const Args &a) {
    ssat_cmd_info_t info;
    if (a.empty()) {
        for (const Command &c : kCommands) {
            const std::string u = usage_of(c);
            if (u.size() < 40)
                say("  %-40s %s\n", u.c_str(), c.help);
            else
                say("  %s\n  %-40s %s\n", u.c_str(), "", c.help);
        }
        say("Commands of the platform's debug shell (served to other processes too):\n");
        for (size_t i = 0; ssat_cmd_get(i, &info) == 0; ++i) say("  %s %s\n", info.name, info.arg_template);
        return true;
    }
    bool found = false;
    for (const Command &c : kCommands) {
        if (a[0] != c.name || (a.size() > 1 && a[1] != c.sub)) continue;
        say("usage: %s\n  %s\n", usage_of(c).c_str(), c.help);
        found = true;
    }
    if (!found && a.size() == 1 && platform_command(a[0], info)) {
        say("usage: %s %s\n", info.name, info.arg_template);
        found = true;
    }
    return found ||
           fail("help: no command %s%s%s", a[0].c_str(), a.size() > 1 ? " " : "", a.size() > 1 ? a[1].c_str() : "");
}

// Words of a line; quotes group blanks into a word.
bool split(const std::string &line, Args &words) {
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n') {
            ++i;
            continue;
        }
        std::string w;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n') {
            if (line[i] == '"' || line[i] == '\'') {
                const size_t end = line.find(line[i], i + 1);
                if (end == std::string::npos) return fail("unterminated quote");
                w += line.substr(i + 1, end - i - 1);
                i = end + 1;
            } else {
                w += line[i++];
            }
        }
        words.push_back(w);
    }
    return true;
}

Status run_platform(const Args &w) {
    ssat_cmd_info_t info;
    if (!platform_command(w[0], info)) {
        fail("no command %s (help lists them)", w[0].c_str());
        return Status::kFailed;
    }
    int result = 0;
    if (w.size() > 2 || ssat_cmd_run(info.module, info.name, w.size() > 1 ? w[1].c_str() : "", &result) != 0) {
        fail("usage: %s %s", info.name, info.arg_template);
        return Status::kFailed;
    }
    return Status::kOk;
}

}  // namespace

const std::vector<Command> &commands() { return kCommands; }

void print_usage(const Command &cmd) { fail("usage: %s", usage_of(cmd).c_str()); }

void start() {
    const int rc = ss_fp_debug_init();
    if (rc != 0) fail("library start-up returned %d (the operation log may be unavailable)", rc);
    ss_fp_debug_cmd_init(kModule);
    ssat_reg_mod_cmd(kModule, "metrics", 0, "mod=%d(0: every module), $d", reinterpret_cast<void *>(metrics_served));
}

Status run_line(const std::string &line) {
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') return Status::kOk;
    Args w;
    return split(line, w) ? run_words(w) : Status::kFailed;
}

Status run_words(const Args &w) {
    if (w.empty()) return Status::kOk;
    const Command *match = nullptr;
    bool grouped = false;
    for (const Command &c : kCommands) {
        if (w[0] != c.name) continue;
        grouped = *c.sub != '\0';
        if (!grouped || (w.size() > 1 && w[1] == c.sub)) {
            match = &c;
            break;
        }
    }
    if (match == nullptr && grouped) {
        fail("%s: no such command; one of:", w[0].c_str());
        for (const Command &c : kCommands)
            if (w[0] == c.name) std::fprintf(stderr, "  %s\n", usage_of(c).c_str());
        return Status::kFailed;
    }
    if (match == nullptr) return run_platform(w);
    const Args args(w.begin() + (*match->sub ? 2 : 1), w.end());
    const auto n = static_cast<int>(args.size());
    if (n < match->min_args || (match->max_args >= 0 && n > match->max_args)) {
        print_usage(*match);
        return Status::kFailed;
    }
    g_quit = false;
    const bool ok = match->run(*match, args);
    return g_quit ? Status::kQuit : ok ? Status::kOk : Status::kFailed;
}

}  // namespace fpsh
