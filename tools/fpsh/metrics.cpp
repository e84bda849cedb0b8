// The process's figures in the Prometheus text exposition format: every
// module's capture and counter registries (read under their own locks, as the
// dumps read them), the allocation statistics (taken from the library's
// report, the only reader that holds the statistics lock) and the switch word.
#include <pthread.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "libss_fp_pub.h"
#include "shell.h"
#include "ss_fp_mem.h"
#include "ss_fp_platform.h"
#include "ss_fp_report.h"

namespace fpsh {
namespace {

struct Family {
    const char *name;
    const char *type;
    const char *help;
};

enum {
    kCapRuns,
    kCapTime,
    kCapRunning,
    kCntValue,
    kCntTotal,
    kCntEnabled,
    kAllocBalance,
    kAllocSize,
    kAllocOn,
    kSwitchWord,
    kFamilies
};

constexpr Family kFamiliesTable[kFamilies] = {
    {"fpss_capture_runs_total", "counter", "Runs of a timed operation (starts accepted)."},
    {"fpss_capture_time_microseconds_total", "counter", "Microseconds spent in a timed operation, closed runs only."},
    {"fpss_capture_running", "gauge", "1 while a timed operation runs."},
    {"fpss_counter_value", "gauge", "Event counter (increments minus decrements, modulo 2^64)."},
    {"fpss_counter_group_total", "gauge", "Running total of an event counter group, kept across resets."},
    {"fpss_counter_enabled", "gauge", "Enable flag of a module's event counters."},
    {"fpss_alloc_balance", "gauge", "Tracked allocation calls minus release calls of a source file."},
    {"fpss_alloc_size_calls_total", "counter", "Tracked allocation calls of one size from a source file."},
    {"fpss_alloc_statistics_enabled", "gauge", "1 while the allocation statistics are on."},
    {"fpss_debug_switch_word", "gauge", "The debug switch word."},
};

// Samples of each family, written out together after its HELP and TYPE lines.
struct Samples {
    std::string of[kFamilies];

    void add(int family, const std::string &labels, const char *value) {
        of[family] += kFamiliesTable[family].name;
        if (!labels.empty()) of[family] += "{" + labels + "}";
        of[family] += std::string(" ") + value + "\n";
    }
    void add(int family, const std::string &labels, uint64_t value) {
        char text[24];
        std::snprintf(text, sizeof text, "%" PRIu64, value);
        add(family, labels, text);
    }
};

// name="value", with backslash, quote and line end escaped and any other
// byte outside printable ASCII shown as '?', so the text stays valid UTF-8.
std::string label(const char *name, const char *value) {
    std::string s = std::string(name) + "=\"";
    for (const char *p = value; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '"') {
            s += '\\';
            s += *p;
        } else if (*p == '\n') {
            s += "\\n";
        } else {
            s += *p >= ' ' && *p < 127 ? *p : '?';
        }
    }
    return s + "\"";
}

struct Walk {
    Samples *out;
    std::string labels;  // module, then group once known
};

int cap_info(void *item, void *arg) {
    auto *w = static_cast<Walk *>(arg);
    auto *info = static_cast<libss_fp_cap_info_t *>(item);
    const std::string labels = w->labels + "," + label("name", info->name);
    w->out->add(kCapRuns, labels, static_cast<uint32_t>(__atomic_load_n(&info->times, __ATOMIC_RELAXED)));
    w->out->add(kCapTime, labels, static_cast<uint64_t>(__atomic_load_n(&info->total_time, __ATOMIC_RELAXED)));
    w->out->add(kCapRunning, labels, uint64_t{__atomic_load_n(&info->running, __ATOMIC_RELAXED)});
    return 0;
}

int cnt_info(void *item, void *arg) {
    auto *w = static_cast<Walk *>(arg);
    auto *info = static_cast<libss_fp_cnt_info_t *>(item);
    w->out->add(kCntValue, w->labels + "," + label("name", info->name), __atomic_load_n(&info->cnt, __ATOMIC_RELAXED));
    return 0;
}

template <typename Grp, libss_hash_t *Grp::*Table, libss_hash_op_func_t PerInfo>
int group(void *item, void *arg) {
    auto *w = static_cast<Walk *>(arg);
    auto *g = static_cast<Grp *>(item);
    Walk inner{w->out, w->labels + "," + label("group", g->name)};
    if constexpr (std::is_same_v<Grp, libss_fp_cnt_grp_t>)
        w->out->add(kCntTotal, inner.labels, __atomic_load_n(&g->total, __ATOMIC_RELAXED));
    pthread_rwlock_rdlock(&g->lock);
    if (g->*Table != nullptr) libss_hash_each_item_op(g->*Table, PerInfo, &inner);
    pthread_rwlock_unlock(&g->lock);
    return 0;
}

// The walks' callbacks run inside the library: nothing may be thrown out of
// them (a failed allocation ends the walk instead).
template <libss_hash_op_func_t Body>
int guarded(void *item, void *arg) noexcept {
    try {
        return Body(item, arg);
    } catch (...) {
        return -1;
    }
}

template <typename Hdl>
void registry(Hdl &hdl, libss_hash_op_func_t per_group, Walk &w) {
    pthread_rwlock_rdlock(&hdl.lock);
    libss_hash_t *groups = __atomic_load_n(&hdl.grp_hash, __ATOMIC_ACQUIRE);
    if (groups != nullptr) libss_hash_each_item_op(groups, per_group, &w);
    pthread_rwlock_unlock(&hdl.lock);
}

int mem_report(void *) { return ss_fp_debug_dump_mem_use_info_all(1); }

// The allocation report's lines "[<file padded>]: <count>" and, under each,
// "\t>>[size_<size>(Byte)]: <count>".
void allocations(Samples &out) {
    char *text = nullptr;
    if (ssat_ctl_capture(mem_report, nullptr, nullptr, &text, nullptr) != 0 || text == nullptr) return;
    std::string file;
    char *save = nullptr;
    for (char *line = strtok_r(text, "\n", &save); line != nullptr; line = strtok_r(nullptr, "\n", &save)) {
        char *colon = std::strstr(line, "]: ");
        if (colon == nullptr) continue;
        if (std::strncmp(line, "\t>>[size_", 9) == 0 && !file.empty()) {
            out.add(kAllocSize,
                    label("file", file.c_str()) + "," +
                        label("size", std::string(line + 9, std::strcspn(line + 9, "(")).c_str()),
                    colon + 3);
        } else if (line[0] == '[') {
            char *last = colon;
            for (char *p = colon; (p = std::strstr(p + 1, "]: ")) != nullptr;) last = p;
            size_t end = static_cast<size_t>(last - line);
            while (end > 1 && line[end - 1] == ' ') --end;
            file.assign(line + 1, end - 1);
            out.add(kAllocBalance, label("file", file.c_str()), last + 3);
        }
    }
    std::free(text);
}

}  // namespace

std::string metrics_text(int mod) {
    Samples s;
    const bool valid = mod >= 0 && mod < FP_MOD_MAX;
    for (int m = mod == 0 ? 0 : mod; valid && m < FP_MOD_MAX && (mod == 0 || m == mod); ++m) {
        fp_pub_hdl_t *h = fp_pub_hdl[m];
        if (h == nullptr) continue;
        Walk w{&s, label("module", h->mod_name)};
        registry(h->cap_hdl, guarded<group<libss_fp_cap_grp_t, &libss_fp_cap_grp_t::cap_hash, guarded<cap_info>>>, w);
        registry(h->cnt_hdl, guarded<group<libss_fp_cnt_grp_t, &libss_fp_cnt_grp_t::cnt_hash, guarded<cnt_info>>>, w);
        s.add(kCntEnabled, w.labels, uint64_t{__atomic_load_n(&h->cnt_hdl.enable, __ATOMIC_RELAXED)});
    }
    allocations(s);
    s.add(kAllocOn, "", uint64_t{__atomic_load_n(&malloc_free_sw, __ATOMIC_RELAXED) != 0});
    s.add(kSwitchWord, "", uint64_t{__atomic_load_n(&fp_debug_sw, __ATOMIC_RELAXED)});
    std::string text;
    for (int f = 0; f < kFamilies; ++f) {
        const Family &fam = kFamiliesTable[f];
        text += std::string("# HELP ") + fam.name + " " + fam.help + "\n# TYPE " + fam.name + " " + fam.type + "\n";
        text += s.of[f];
    }
    return text;
}

}  // namespace fpsh
