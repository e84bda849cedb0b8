// A soak of the whole library: eight threads mix counting and timing in a module's registries, service
// ids, tracked allocations with statistics on, operation-log lines and record dumps, with error, notice
// and assertion reports switched on, pass after pass. After every pass the log holds each of its lines
// exactly once and whole, every dump ran and nothing was reported; at the end every figure is exact.
// FPSS_SOAK_SECONDS=<n> keeps passes coming for n seconds (default: three passes).
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fpss_test.h"
#include "fpss_values.h"
#include "libss_fp_pub.h"
#include "oplog_fakes.h"
#include "registry_fixture.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_log_op.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"
#include "ss_fp_service.h"

using namespace fpss_test;

namespace {

constexpr int kThreads = 8, kRounds = 240;  // rounds per thread and pass: a multiple of 3, 4, 5, 16, 40, 60, 80
constexpr int kSizes[] = {8, 24, 64, 200, 1000};
const char *const kShared[] = {"soak.a", "soak.b", "soak.c"};  // every thread counts and times in these
constexpr char kScratch[] = "soak.reset";                      // and in this one, which threads also reset
constexpr char kSharedTag[] = "app/soak/shared";
const std::string kHeader = "\n--------------log file-------------\n",
                  kHeader1 = "\n--------------log file1-------------\n";

enum Part { kRegistry, kService, kAlloc, kOpLog, kDump, kParts };
const char *const kPartNames[kParts] = {"registry", "service ids", "allocation", "operation log", "dumps"};
std::atomic<int> g_failed[kParts];  // calls that went wrong, by part

ss_fp_service_hdl_t *g_service;
std::vector<uint8_t> g_ace, g_apply;  // records with every rule and action flag set

std::string tag_of(int t) { return "app/soak/t" + std::to_string(t); }
std::string own_group(int t) { return "soak.t" + std::to_string(t); }

template <class T>
std::vector<uint8_t> full_record() {
    uint32_t rules[SS_FP_RULE_FLAG_WORDS], actions[SS_FP_ACTION_FLAG_WORDS];
    std::fill(std::begin(rules), std::end(rules), ~0u), std::fill(std::begin(actions), std::end(actions), ~0u);
    const auto rule_len = static_cast<uint16_t>(ss_fp_rule_value_offset(rules, SS_FP_RULE_MAX));
    const auto action_len = static_cast<uint16_t>(ss_fp_action_value_offset(actions, SS_FP_ACTION_MAX));
    std::vector<uint8_t> b = pattern(sizeof(T) + rule_len + action_len, 0x5a);
    T *r = reinterpret_cast<T *>(b.data());
    std::memcpy(r->rule_flags, rules, sizeof rules), std::memcpy(r->action_flags, actions, sizeof actions);
    r->rule_len = rule_len, r->action_len = action_len;
    return b;
}

// The operation-log writers, each with the line it writes after the time text and "--" for thread t,
// round i and pass p: the three numbers make every line of a run unique.
struct LogWriter {
    int64_t (*write)(int t, int i, int p);
    std::string (*line)(int t, int i, int p);
};
std::string fmt(const char *f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char *f, ...) {
    char b[96];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(b, sizeof b, f, ap);
    va_end(ap);
    return b;
}
const LogWriter kLogWriters[] = {
    {[](int t, int i, int p) { return ssd_policy_log(fmt("soak t%d n%d p%d", t, i, p).c_str()); },
     [](int t, int i, int p) { return fmt("soak t%d n%d p%d \n", t, i, p); }},
    {[](int t, int i, int p) {
         const ss_fp_appmng_acl_t acl{i, t, 0, p};
         return ss_fp_log_op_acl(&acl, nullptr, 0);
     },
     [](int t, int i, int p) { return fmt("acl_add,app:%d,acl_id:%d,acl_cls:%d,\n", t, i, p); }},
    {[](int t, int i, int p) { return ss_fp_log_notify("soak", i, p, t); },
     [](int t, int i, int p) { return fmt("type_soak_%d,grp:%d,mbr:%d,\n", t, i, p); }},
};

void registry_round(int t, int i) {
    fp_pub_hdl_t *m = fp_pub_hdl[FP_MOD_TCAM];
    libss_fp_cnt_hdl_t *cnt = &m->cnt_hdl;
    libss_fp_cap_hdl_t *cap = &m->cap_hdl;
    const std::string me = "t" + std::to_string(t), own = own_group(t), op = "op" + std::to_string(i % 4);
    const char *g = kShared[i % 3];
    // Each round adds one to the shared "all" counter, by two incs and a dec.
    int bad = cnt->inc(cnt, g, me.c_str()) | cnt->inc(cnt, g, "all") | cnt->inc(cnt, g, "all") |
              cnt->dec(cnt, g, "all") | cnt->inc(cnt, own.c_str(), op.c_str()) | cnt->inc(cnt, kScratch, "x");
    const std::pair<const char *, const char *> timed[] = {
        {g, me.c_str()}, {g, "all"}, {own.c_str(), op.c_str()}, {kScratch, "x"}};
    for (const auto &[grp, name] : timed) bad |= cap->start(cap, grp, name);
    for (const auto &[grp, name] : timed) bad |= cap->stop(cap, grp, name);
    if (i % 30 == t) bad |= cnt->reset(cnt, kScratch) | cap->reset(cap, kScratch);
    if (i % 40 == t) bad |= cnt->dump(cnt, nullptr, m->mod_name) | cap->dump(cap, nullptr, m->mod_name);
    g_failed[kRegistry] += bad != 0;
}

// Runs outside the handle's mutex, so it may ask the registry again.
int verify_waits(uint32_t in, uint32_t t) {
    uint32_t state = 0;
    return libss_fp_get_service_id_info(g_service, in, &state, nullptr) != 0 || state != SS_FP_SERVICE_STATE_WAIT ||
           t >= kThreads;
}
int sane(ss_fp_service_in_node_t *n, uint64_t) {
    return n->out_recv > n->serv_out || n->state > SS_FP_SERVICE_STATE_WAIT || n->user_data >> 32 >= kThreads;
}
int count_nodes(ss_fp_service_in_node_t *, uint64_t visits) { return ++*reinterpret_cast<int *>(visits), 0; }

// An inbound id with two outbound ids: one received before the verification, which finds it waiting,
// the other freed after it, which completes it; every sixteenth also has a third, freed with it.
void service_round(int t, int i) {
    ss_fp_service_hdl_t *h = g_service;
    uint64_t user = uint64_t(t) << 32 | uint32_t(i);
    const ss_fp_service_para_t para{user, sizeof user, &user};
    uint32_t in = 0, out[3] = {}, owner = 0, state = 0;
    ss_fp_service_para_t got{};
    bool bad = libss_fp_alloc_service_id_in(h, &para, &in) || libss_fp_alloc_service_id_out(h, in, &out[0]) ||
               libss_fp_alloc_service_id_out(h, in, &out[1]) || libss_fp_set_service_id_out_recv(h, out[0]) ||
               libss_fp_verify_service_id_in(h, in, verify_waits, uint32_t(t)) ||
               libss_fp_get_service_id_in(h, out[1], &owner) || owner != in ||
               libss_fp_free_service_id_out(h, out[1]) || libss_fp_get_service_id_info(h, in, &state, &got) ||
               state != SS_FP_SERVICE_STATE_DONE || got.user_data != user || got.paralen != sizeof user ||
               std::memcmp(got.para, &user, sizeof user) != 0 ||
               (i % 16 == 0 && libss_fp_alloc_service_id_out(h, in, &out[2])) || libss_fp_free_service_id_in(h, in);
    if (i % 80 == t) bad |= libss_fp_service_dump(h) || libss_fp_travel_all_service_id_in(h, sane, 0);
    g_failed[kService] += bad;
}

bool holds(const void *p, int size, int byte) {
    const auto *b = static_cast<const uint8_t *>(p);
    return p != nullptr && std::all_of(b, b + size, [byte](uint8_t c) { return c == byte; });
}

// A block of the thread's own lives for four rounds, filled with the thread's byte; a shared-tag block
// lives for one.
struct Ring {
    void *block[4] = {};
    int size[4] = {};
    bool release(int k, int t) {  // a release counts even for null: only blocks are released
        if (block[k] == nullptr) return true;
        const bool whole = holds(block[k], size[k], t + 1);
        ss_fp_free(block[k], tag_of(t).c_str());
        block[k] = nullptr;
        return whole;
    }
};

void alloc_round(int t, int i, Ring &ring) {
    const int size = kSizes[i % 5], k = i % 4;
    const std::string tag = tag_of(t);
    bool bad = !ring.release(k, t);
    ring.block[k] = i % 2 ? ss_fp_malloc(size, tag.c_str()) : ss_fp_calloc(1, size, tag.c_str());
    ring.size[k] = size;
    bad |= !holds(ring.block[k], size, 0);
    if (ring.block[k] != nullptr) std::memset(ring.block[k], t + 1, size_t(size));
    void *shared = ss_fp_calloc(1, size, kSharedTag);
    bad |= !holds(shared, size, 0);
    ss_fp_free(shared, kSharedTag);
    if (i % 60 == t) bad |= ss_fp_debug_dump_mem_use_info_all(1) != 0;
    g_failed[kAlloc] += bad;
}

void soak_pass(int t, int pass) {
    Ring ring;
    for (int i = 0; i < kRounds; ++i) {
        registry_round(t, i);
        service_round(t, i);
        alloc_round(t, i, ring);
        g_failed[kOpLog] += kLogWriters[i % 3].write(t, i, pass) != 0;
        if (i % 16 == t)
            g_failed[kDump] += ss_fp_appmng_dump_ace(reinterpret_cast<ss_fp_appmng_ace_t *>(g_ace.data())) != 0 ||
                               ss_fp_appmng_dump_apply(reinterpret_cast<ss_fp_appmng_apply_t *>(g_apply.data())) != 0;
    }
    for (int k = 0; k < 4; ++k) g_failed[kAlloc] += !ring.release(k, t);
}

// What a pass printed: each dump as often as the threads asked for it, and no report.
void check_printed(const std::string &out) {
    const std::pair<const char *, size_t> kPrinted[] = {
        {"====end ss_fp_debug_dump_mem_use_info====\n", kThreads * kRounds / 60},
        {">>mod: [FP_MOD_TCAM], op time: ", 2 * kThreads * kRounds / 40},
        {"\r\nservice_id_in num = ", kThreads * kRounds / 80},
        {"\r\nis_default = ", kThreads * kRounds / 16},
        {"\r\nifx = ", kThreads * kRounds / 16},
        {" !!!!!!!!", 0},
        {"ASSERT fail", 0},
    };
    for (const auto &[text, times] : kPrinted) {
        size_t n = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++n;
        EXPECT_EQ(n, times) << text;
    }
}

// The pass's lines are in the first file, each once and whole, each thread's in its order; the second
// file holds its header only. The first file is then emptied for the next pass.
void check_log(const std::string (&files)[2], int pass) {
    std::map<std::string, std::pair<int, int>> want;  // line -> thread, round
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kRounds; ++i)
            want[oplog_fakes::kTime + "--" + kLogWriters[i % 3].line(t, i, pass)] = {t, i};
    const std::string text = read_file(files[0]), head = pass == 0 ? kHeader : "";
    ASSERT_EQ(text.compare(0, head.size(), head), 0);
    int last[kThreads];
    std::fill(std::begin(last), std::end(last), -1);
    for (size_t at = head.size(), end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        ASSERT_NE(end, std::string::npos) << "a line without its end at " << at;
        const auto it = want.find(text.substr(at, end + 1 - at));
        ASSERT_TRUE(it != want.end()) << "a torn, foreign or repeated line at " << at << ": " << text.substr(at, 80);
        const auto [t, i] = it->second;
        EXPECT_GT(i, last[t]) << "thread " << t << " out of order";
        last[t] = i, want.erase(it);
    }
    EXPECT_EQ(want.size(), 0u) << "lines missing, the first: " << (want.empty() ? "" : want.begin()->first);
    EXPECT_EQ(read_file(files[1]), kHeader1);
    ASSERT_EQ(truncate(files[0].c_str(), 0), 0);
}

// A tag's statistics: calls made minus released, and calls counted by size.
struct Tally {
    int32_t count = 0;
    uint64_t sized = 0;
};
Tally tally(const std::string &tag) {
    ss_fp_mem_info_t key = {};
    tag.copy(key.file_name, sizeof key.file_name - 1);
    Tally out;
    if (ss_fp_mem_info_t *r = ss_fp_mem_info_hash_find(&key)) {
        out.count = r->count;
        for (ss_fp_list_t *l = r->size_list.next; l != &r->size_list; l = l->next)
            out.sized += reinterpret_cast<ss_fp_size_info_t *>(l)->count;
    }
    return out;
}
uint32_t size_calls(const std::string &tag, int size) {
    ss_fp_mem_info_t key = {};
    tag.copy(key.file_name, sizeof key.file_name - 1);
    ss_fp_mem_info_t *r = ss_fp_mem_info_hash_find(&key);
    ss_fp_size_info_t *s = r == nullptr ? nullptr : ss_fp_find_size_info(r, size);
    return s == nullptr ? 0 : s->count;
}

int soak_seconds() {
    const char *v = std::getenv("FPSS_SOAK_SECONDS");
    return v == nullptr ? 0 : std::max(0, std::atoi(v));
}

TEST(Soak, EveryFamilyAtOnceKeepsExactFigures) {
    const std::string name = "soak" + std::to_string(getpid()), dir = "/tmp/zlog/ss_fp_log/" + name;
    const std::string files[2] = {dir + ".log", dir + "_1.log"};
    ASSERT_EQ(prctl(PR_SET_NAME, name.c_str()), 0);
    for (const auto &f : files) unlink(f.c_str());
    ASSERT_TRUE(ss_fp_mem_watch_init() == 0 && libss_fp_pub_init() == 0 && ss_fp_log_op_init() == 0);
    fp_debug_sw |= SS_FP_DBG_FLAG_ERROR | SS_FP_DBG_FLAG_NOTICE | SS_FP_DBG_FLAG_ASSERT;
    ASSERT_EQ(flushed_output([] { ss_fp_debug_malloc_free_sw(1); }), "malloc_free_sw opened.\n");
    const char *const kLibTags[] = {"app/libss_fp_cnt", "app/libss_fp_cap_mon", "app/ss_fp_service"};
    ASSERT_EQ(ss_fp_mem_info_hash_size(), 0u);
    g_ace = full_record<ss_fp_appmng_ace_t>(), g_apply = full_record<ss_fp_appmng_apply_t>();
    ASSERT_EQ(libss_fp_alloc_service_hdl(&g_service), 0);

    const int seconds = soak_seconds();
    const auto begin = std::chrono::steady_clock::now();
    const int64_t t0 = now_us();
    int passes = 0;
    do {
        StdoutCapture out;
        run_threads(kThreads, [&](int t) { soak_pass(t, passes); });
        check_printed(out.take());
        for (int p = 0; p < kParts; ++p) EXPECT_EQ(g_failed[p].exchange(0), 0) << kPartNames[p] << ", pass " << passes;
        check_log(files, passes);
        ++passes;
    } while (!HasFailure() && (passes < 3 || std::chrono::steady_clock::now() - begin < std::chrono::seconds(seconds)));
    const int64_t elapsed = now_us() - t0;
    const uint64_t n = uint64_t(passes);

    // Registries: every counter is exact, every own and per-thread timing counted each run; shared
    // timings were started at most once per thread and round and are all stopped.
    fp_pub_hdl_t *m = fp_pub_hdl[FP_MOD_TCAM];
    EXPECT_TRUE(m->cnt_hdl.grp_num == 4 + kThreads && m->cap_hdl.grp_num == 4 + kThreads);
    struct Group {
        std::string name;
        uint32_t infos;
        uint64_t total;
    };
    struct Row {
        std::string grp, info;
        uint64_t count;
        bool exact;  // runs == count; else 1 <= runs <= count
    };
    std::vector<Group> groups = {{kScratch, 1, n * kThreads * kRounds}};
    std::vector<Row> rows;
    for (const char *g : kShared) {
        groups.push_back({g, kThreads + 1, n * 2 * kThreads * kRounds / 3});
        rows.push_back({g, "all", n * kThreads * kRounds / 3, false});
        for (int t = 0; t < kThreads; ++t) rows.push_back({g, "t" + std::to_string(t), n * kRounds / 3, true});
    }
    for (int t = 0; t < kThreads; ++t) {
        groups.push_back({own_group(t), 4, n * kRounds});
        for (int k = 0; k < 4; ++k) rows.push_back({own_group(t), "op" + std::to_string(k), n * kRounds / 4, true});
    }
    int64_t nodes = 0;
    for (const Group &g : groups) {
        auto *cg = find<libss_fp_cnt_grp_t>(m->cnt_hdl.grp_hash, g.name);
        auto *pg = find<libss_fp_cap_grp_t>(m->cap_hdl.grp_hash, g.name);
        ASSERT_TRUE(cg != nullptr && pg != nullptr) << g.name;
        EXPECT_TRUE(cg->info_num == g.infos && pg->info_num == g.infos && cg->total == g.total) << g.name;
        nodes += 1 + g.infos;
    }
    for (const Row &r : rows) {
        auto *c = find<libss_fp_cnt_info_t>(find<libss_fp_cnt_grp_t>(m->cnt_hdl.grp_hash, r.grp)->cnt_hash, r.info);
        auto *p = find<libss_fp_cap_info_t>(find<libss_fp_cap_grp_t>(m->cap_hdl.grp_hash, r.grp)->cap_hash, r.info);
        ASSERT_TRUE(c != nullptr && p != nullptr) << r.grp << "/" << r.info;
        const uint64_t runs = uint64_t(p->times);
        EXPECT_EQ(c->cnt, r.count) << r.grp << "/" << r.info;
        EXPECT_TRUE(p->running == 0 && (r.exact ? runs == r.count : runs >= 1 && runs <= r.count) &&
                    p->total_time >= 0 && p->total_time <= elapsed)
            << r.grp << "/" << r.info << ": " << runs << " runs, " << p->total_time << " us";
    }

    // Service ids: every id issued once, the handle empty again.
    EXPECT_EQ(g_service->last_id_in, n * kThreads * kRounds);
    EXPECT_EQ(g_service->last_id_out, n * kThreads * (2 * kRounds + kRounds / 16));
    int visits = 0;
    EXPECT_EQ(libss_fp_travel_all_service_id_in(g_service, count_nodes, reinterpret_cast<uint64_t>(&visits)), 0);
    EXPECT_EQ(visits, 0);
    EXPECT_EQ(flushed_output([] { libss_fp_service_dump(g_service); }),
              "\r\nservice_id_in num = 0, service_id_out_num=0\r\n");
    const uint32_t issued = g_service->last_id_in + g_service->last_id_out;
    EXPECT_EQ(libss_fp_free_service_hdl(g_service), 0);

    // Statistics: each tag back to no live block, every call counted at its size; the registries'
    // nodes are all that they keep, the service registry's handle and nodes all released.
    EXPECT_EQ(ss_fp_mem_info_hash_size(), uint32_t(kThreads + 1 + 3));
    for (int t = 0; t <= kThreads; ++t) {
        const std::string tag = t < kThreads ? tag_of(t) : kSharedTag;
        const uint32_t calls = uint32_t(n * kRounds / 5) * (t < kThreads ? 1 : kThreads);
        EXPECT_EQ(tally(tag).count, 0) << tag;
        for (int s : kSizes) EXPECT_EQ(size_calls(tag, s), calls) << tag << ", size " << s;
    }
    for (const char *tag : {kLibTags[0], kLibTags[1]}) EXPECT_EQ(tally(tag).count, nodes) << tag;
    EXPECT_EQ(tally(kLibTags[2]).count, 0);
    EXPECT_EQ(tally(kLibTags[2]).sized, 1 + uint64_t{issued});
    for (const auto &f : files) unlink(f.c_str());
}

}  // namespace
