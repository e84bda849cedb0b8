// A soak of the whole library: eight threads mix registries, service ids, tracked allocation, operation-log
// writers and dumps with every report on, pass after pass; each pass leaves every log line once and whole and
// no report, and the end every figure exact. FPSS_SOAK_SECONDS=<n>: passes for n seconds (default: three).
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
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

constexpr int kThreads = 8, kRounds = 240;  // rounds per thread and pass: a multiple of 3
constexpr int kSizes[] = {8, 24, 64, 200, 1000};
const char *const kShared[] = {"soak.a", "soak.b", "soak.c"};  // every thread counts and times in these
constexpr char kScratch[] = "soak.reset";                      // and in this one, which threads also reset
constexpr char kSharedTag[] = "app/soak/shared";

std::atomic<int> g_failed;  // calls that went wrong; the end's figures tell which part

std::string num(const char *prefix, int v) { return prefix + std::to_string(v); }  // num("t", 3): "t3"

template <class T>
std::vector<uint8_t> full_record() {
    std::vector<uint8_t> b = pattern(sizeof(T), 0x5a);
    T *r = reinterpret_cast<T *>(b.data());
    std::memset(r->rule_flags, 0xff, sizeof r->rule_flags), std::memset(r->action_flags, 0xff, sizeof r->action_flags);
    r->rule_len = static_cast<uint16_t>(ss_fp_rule_value_offset(r->rule_flags, SS_FP_RULE_MAX));
    r->action_len = static_cast<uint16_t>(ss_fp_action_value_offset(r->action_flags, SS_FP_ACTION_MAX));
    b.resize(sizeof(T) + r->rule_len + r->action_len, 0x77);  // room for every value
    return b;
}
std::vector<uint8_t> g_ace = full_record<ss_fp_appmng_ace_t>(), g_apply = full_record<ss_fp_appmng_apply_t>();

// The operation-log writers, each with the line it adds after the time text and "--" for thread t,
// round i and pass p: the three numbers make every line of a pass unique.
const struct {
    int64_t (*write)(int t, int i, int p);
    std::string (*line)(int t, int i, int p);
} kLogWriters[] = {
    {[](int t, int i, int p) { return ssd_policy_log((num("soak t", t) + num(" n", i) + num(" p", p)).c_str()); },
     [](int t, int i, int p) { return num("soak t", t) + num(" n", i) + num(" p", p) + " \n"; }},
    {[](int t, int i, int p) {
         const ss_fp_appmng_acl_t acl{i, t, 0, p};
         return ss_fp_log_op_acl(&acl, nullptr, 0);
     },
     [](int t, int i, int p) { return num("acl_add,app:", t) + num(",acl_id:", i) + num(",acl_cls:", p) + ",\n"; }},
    {[](int t, int i, int p) { return ss_fp_log_notify("soak", i, p, t); },
     [](int t, int i, int p) { return num("type_soak_", t) + num(",grp:", i) + num(",mbr:", p) + ",\n"; }},
};

bool holds(const void *p, int size, int byte) {  // 'size' bytes of 'byte'
    const auto *b = static_cast<const uint8_t *>(p);
    return b != nullptr && std::all_of(b, b + size, [byte](uint8_t c) { return c == byte; });
}

// Each round holds a block of the thread's tag, filled with its byte, while it allocates a shared-tag block,
// counts and times, takes a service id whose first outbound id is received before the verification (which
// leaves it waiting) and the second freed after it (which completes it) and writes a log line.
void soak_pass(int t, int pass, ss_fp_service_hdl_t *h) {
    libss_fp_cnt_hdl_t *cnt = &fp_pub_hdl[FP_MOD_TCAM]->cnt_hdl;
    libss_fp_cap_hdl_t *cap = &fp_pub_hdl[FP_MOD_TCAM]->cap_hdl;
    const std::string tag = num("app/soak/t", t), me = num("t", t);
    for (int i = 0; i < kRounds; ++i) {
        const int size = kSizes[i % 5];
        void *mine = i % 2 ? ss_fp_malloc(size, tag.c_str()) : ss_fp_calloc(1, size, tag.c_str());
        void *shared = ss_fp_calloc(1, size, kSharedTag);
        g_failed += !holds(mine, size, 0) || !holds(shared, size, 0);  // both come zero-filled
        if (mine != nullptr) std::memset(mine, t + 1, size_t(size));
        ss_fp_free(shared, kSharedTag);

        const char *g = kShared[i % 3];
        // Each round adds one to the shared "all" counter, by two incs and a dec.
        int bad = cnt->inc(cnt, g, me.c_str()) | cnt->inc(cnt, g, "all") | cnt->inc(cnt, g, "all") |
                  cnt->dec(cnt, g, "all") | cnt->inc(cnt, kScratch, "x");
        const std::pair<const char *, const char *> timed[] = {{g, me.c_str()}, {g, "all"}, {kScratch, "x"}};
        for (const auto &[grp, name] : timed) bad |= cap->start(cap, grp, name);
        for (const auto &[grp, name] : timed) bad |= cap->stop(cap, grp, name);
        if (i % 30 == t) bad |= cnt->reset(cnt, kScratch) | cap->reset(cap, kScratch);
        if (i % 40 == t) bad |= cnt->dump(cnt, nullptr, "soak") | cap->dump(cap, nullptr, "soak");
        g_failed += bad != 0;

        uint64_t user = uint64_t(t) << 32 | uint32_t(i);
        ss_fp_service_para_t para{user, sizeof user, &user}, got{};
        uint32_t in = 0, out[2] = {}, owner = 0, waiting = 0, done = 0;
        g_failed += libss_fp_alloc_service_id_in(h, &para, &in) || libss_fp_alloc_service_id_out(h, in, &out[0]) ||
                    libss_fp_alloc_service_id_out(h, in, &out[1]) || libss_fp_set_service_id_out_recv(h, out[0]) ||
                    libss_fp_verify_service_id_in(h, in, nullptr, 0) ||
                    libss_fp_get_service_id_info(h, in, &waiting, nullptr) ||
                    libss_fp_get_service_id_in(h, out[1], &owner) || libss_fp_free_service_id_out(h, out[1]) ||
                    libss_fp_get_service_id_info(h, in, &done, &got) ||
                    std::memcmp(got.para, &user, sizeof user) != 0 || libss_fp_free_service_id_in(h, in) ||
                    waiting != SS_FP_SERVICE_STATE_WAIT || done != SS_FP_SERVICE_STATE_DONE || owner != in ||
                    got.user_data != user || (i % 80 == t && libss_fp_service_dump(h) != 0);

        g_failed += kLogWriters[i % 3].write(t, i, pass) != 0;
        if (i % 16 == t)
            g_failed += ss_fp_appmng_dump_ace(reinterpret_cast<ss_fp_appmng_ace_t *>(g_ace.data())) != 0 ||
                        ss_fp_appmng_dump_apply(reinterpret_cast<ss_fp_appmng_apply_t *>(g_apply.data())) != 0;
        g_failed += !holds(mine, size, t + 1) || (i % 60 == t && ss_fp_debug_dump_mem_use_info_all(1) != 0);
        ss_fp_free(mine, tag.c_str());
    }
}

// The pass's lines (after the header, the first time) are in the first file, each once and whole; the
// second file keeps its header only. The first file is then emptied for the next pass.
void check_log(const std::string (&files)[2], int pass) {
    std::vector<std::string> want, got;
    if (pass == 0) want = {"\n", "--------------log file-------------\n"};
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kRounds; ++i)
            want.push_back(oplog_fakes::kTime + "--" + kLogWriters[i % 3].line(t, i, pass));
    const std::string text = read_file(files[0]);
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size() - 1);  // a torn last line stays without its end
        got.push_back(text.substr(at, end + 1 - at));
    }
    std::sort(want.begin(), want.end()), std::sort(got.begin(), got.end());
    const auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    EXPECT_TRUE(g == got.end() && w == want.end()) << "pass " << pass << ": " << (g == got.end() ? "" : "found " + *g)
                                                   << (w == want.end() ? "" : "in place of " + *w);
    EXPECT_EQ(read_file(files[1]), "\n--------------log file1-------------\n");
    ASSERT_EQ(truncate(files[0].c_str(), 0), 0);
}

ss_fp_mem_info_t *stats(const std::string &tag) {
    ss_fp_mem_info_t key = {};
    tag.copy(key.file_name, sizeof key.file_name - 1);
    return ss_fp_mem_info_hash_find(&key);
}

TEST(Soak, EveryFamilyAtOnceKeepsExactFigures) {
    const std::string name = "soak" + std::to_string(getpid()), dir = "/tmp/zlog/ss_fp_log/" + name;
    const std::string files[2] = {dir + ".log", dir + "_1.log"};
    ASSERT_EQ(prctl(PR_SET_NAME, name.c_str()), 0);
    for (const auto &f : files) unlink(f.c_str());
    ASSERT_TRUE(ss_fp_mem_watch_init() == 0 && libss_fp_pub_init() == 0 && ss_fp_log_op_init() == 0);
    fp_debug_sw |= SS_FP_DBG_FLAG_ERROR | SS_FP_DBG_FLAG_NOTICE | SS_FP_DBG_FLAG_ASSERT;
    ASSERT_EQ(flushed_output([] { ss_fp_debug_malloc_free_sw(1); }), "malloc_free_sw opened.\n");
    ASSERT_EQ(ss_fp_mem_info_hash_size(), 0u);
    ss_fp_service_hdl_t *service = nullptr;
    ASSERT_EQ(libss_fp_alloc_service_hdl(&service), 0);

    const char *seconds = std::getenv("FPSS_SOAK_SECONDS");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds ? std::atoi(seconds) : 0);
    int passes = 0;
    do {
        StdoutCapture out;
        run_threads(kThreads, [&](int t) { soak_pass(t, passes, service); });
        const std::string printed = out.take();  // error and notice reports, then assertions
        EXPECT_TRUE(printed.find(" !!!!!!!!") == std::string::npos && printed.find("ASSERT fail") == printed.npos);
        EXPECT_EQ(g_failed.exchange(0), 0) << "pass " << passes;
        check_log(files, passes++);
    } while (!HasFailure() && (passes < 3 || std::chrono::steady_clock::now() < until));
    const uint64_t n = uint64_t(passes);

    // Registries: each counter and group total exact; a thread's own timings ran once per round, the
    // common "all" at least once (starts from several threads overlap), and none is left running.
    fp_pub_hdl_t *m = fp_pub_hdl[FP_MOD_TCAM];
    auto *scratch = find<libss_fp_cnt_grp_t>(m->cnt_hdl.grp_hash, kScratch);
    EXPECT_TRUE(scratch != nullptr && scratch->total == n * kThreads * kRounds);  // its counter was reset
    for (const char *g : kShared) {
        auto *cg = find<libss_fp_cnt_grp_t>(m->cnt_hdl.grp_hash, g);
        auto *pg = find<libss_fp_cap_grp_t>(m->cap_hdl.grp_hash, g);
        ASSERT_TRUE(cg != nullptr && pg != nullptr) << g;
        EXPECT_EQ(cg->total, 2 * n * kThreads * kRounds / 3) << g;
        for (int t = -1; t < kThreads; ++t) {  // -1: "all"
            const std::string info = t < 0 ? "all" : num("t", t);
            auto *c = find<libss_fp_cnt_info_t>(cg->cnt_hash, info);
            auto *p = find<libss_fp_cap_info_t>(pg->cap_hash, info);
            ASSERT_TRUE(c != nullptr && p != nullptr) << g << "/" << info;
            const uint64_t count = n * kRounds / 3 * (t < 0 ? kThreads : 1), runs = uint64_t(p->times);
            EXPECT_TRUE(c->cnt == count && p->running == 0 && (t < 0 ? runs >= 1 && runs <= count : runs == count))
                << g << "/" << info << ": " << c->cnt << " counted, " << runs << " runs";
        }
    }

    // Service ids: every id issued once, none left live.
    EXPECT_EQ(service->last_id_in, n * kThreads * kRounds);
    EXPECT_EQ(service->last_id_out, n * kThreads * 2 * kRounds);
    EXPECT_TRUE(service->service_id_in_num == 0 && service->service_id_out_num == 0);
    EXPECT_EQ(libss_fp_free_service_hdl(service), 0);

    // Statistics: each tag back to the blocks it had live at the start.
    EXPECT_EQ(ss_fp_mem_info_hash_size(), uint32_t(kThreads + 4));
    const int32_t nodes = 4 + 3 * (kThreads + 1) + 1;  // the registries' groups and names
    std::vector<std::pair<std::string, int32_t>> live = {
        {"app/libss_fp_cnt", nodes}, {"app/libss_fp_cap_mon", nodes}, {"app/ss_fp_service", 0}, {kSharedTag, 0}};
    for (int t = 0; t < kThreads; ++t) live.push_back({num("app/soak/t", t), 0});
    for (const auto &[tag, count] : live) EXPECT_TRUE(stats(tag) != nullptr && stats(tag)->count == count) << tag;
    for (const auto &f : files) unlink(f.c_str());
}

}  // namespace
