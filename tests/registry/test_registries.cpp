// Capture and counter registries: what they share as typed step tables logged against registry/ data files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fpss_test.h"
#include "libss_fp_pub.h"
#include "registry/lookup_cache.h"
#include "registry_fixture.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"

using namespace fpss_test;

namespace {

// Each family's operations, and the figures of node 'n' of group 'g' (set first when 'runs' is given).
struct Cap {
    using Hdl = libss_fp_cap_hdl_t;
    static constexpr const char *kFam = "cap", *kTag = "app/libss_fp_cap_mon";
    static int init(Hdl *h) { return libss_fp_cap_init_hdl_func(h); }
    static libss_fp_cap_op_func_t up(Hdl *h) { return h->start; }
    static libss_fp_cap_op_func_t down(Hdl *h) { return h->stop; }
    static std::string figures(Hdl *h, const char *g, const char *n, int runs = -1, int64_t time = 0) {
        auto *grp = find<libss_fp_cap_grp_t>(h->grp_hash, g);
        auto *i = find<libss_fp_cap_info_t>(grp->cap_hash, n);
        if (runs >= 0) i->times = runs, i->total_time = time;
        return std::to_string(i->times) + " " + std::to_string(i->total_time) + " " + std::to_string(grp->total_time) +
               (i->running ? " running " + std::to_string(i->running) : " idle from " + std::to_string(i->start_time));
    }
};

struct Cnt {
    using Hdl = libss_fp_cnt_hdl_t;
    static constexpr const char *kFam = "cnt", *kTag = "app/libss_fp_cnt";
    static int init(Hdl *h) { return libss_fp_cnt_init_hdl_func(h); }
    static libss_fp_cnt_op_func_t up(Hdl *h) { return h->inc; }
    static libss_fp_cnt_op_func_t down(Hdl *h) { return h->dec; }
    static std::string figures(Hdl *h, const char *g, const char *n, int runs = -1, int64_t = 0) {
        auto *grp = find<libss_fp_cnt_grp_t>(h->grp_hash, g);
        auto *i = find<libss_fp_cnt_info_t>(grp->cnt_hash, n);
        if (runs >= 0) i->cnt = static_cast<uint64_t>(runs);
        return std::to_string(i->cnt) + " " + std::to_string(grp->total) + " enable " + std::to_string(h->enable);
    }
};

// What 'fn' flushed, dump times (checked with the clock), addresses and report lines (checked positive) masked.
std::string masked_output(const std::function<void()> &fn) {
    static const std::regex time(R"(op time: (\d+)\.(\d{6})s\n)"), address(":0x[0-9a-f]+ "), line(R"(\[[1-9]\d*\]:)");
    const int64_t t0 = now_us();
    const std::string s = flushed_output(fn);
    for (std::sregex_iterator m(s.begin(), s.end(), time), end; m != end; ++m) {
        const int64_t t = std::stoll((*m)[1]) * 1000000 + std::stoll((*m)[2]);
        EXPECT_TRUE(t0 <= t && t <= now_us()) << t;
    }
    return std::regex_replace(std::regex_replace(std::regex_replace(s, time, "op time: T\n"), address, ":P "), line,
                              "[L]:");
}

#define STEP(expr) std::make_pair(#expr, std::function<int()>([&] { return static_cast<int>(expr); }))

template <class F>
class Registry : public ::testing::Test {};
using Families = ::testing::Types<Cap, Cnt>;
TYPED_TEST_SUITE(Registry, Families);

TYPED_TEST(Registry, ScriptsMatchTheirDataFiles) {
    using F = TypeParam;
    reset_mem_stats();
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    static typename F::Hdl pool[16], *r = pool;  // registries live as long as the process, as on a switch
    ASSERT_EQ(F::init(r), 0);
    std::string log;
    auto run = [&](const std::string &what, const std::function<int()> &fn) {
        int rc = 0;
        const std::string out = masked_output([&] { rc = fn(); });
        log += what + " = " + std::to_string(rc) + ", groups " + std::to_string(r->grp_num) + "\n" + out;
        if (!out.empty() && out.back() != '\n') log += "\n";
    };
    auto up = [&](const std::string &g, const std::string &n) { return F::up(r)(r, g.c_str(), n.c_str()); };
    auto down = [&](const std::string &g, const std::string &n) { return F::down(r)(r, g.c_str(), n.c_str()); };
    auto look = [&](const char *g, const char *n, int runs = -1, int64_t t = 0) {
        return log += std::string(g) + "/" + n + ": " + F::figures(r, g, n, runs, t) + "\n", 0;
    };
    // Every group with every node (flushing the table's chain warnings).
    auto make = [&](const std::vector<std::string> &groups, const std::vector<std::string> &names) {
        int rc = 0;
        for (const std::string &g : groups)
            for (const std::string &n : names) rc |= up(g, n);
        return rc | std::fflush(stdout);
    };
    std::vector<std::string> numbers(193);  // "0", "1", ...
    for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = std::to_string(i);
    const std::string g63(63, 'g'), g64(64, 'g'), i199(199, 'i'), i200(200, 'i');
    // Anagrams share a byte sum: the fourth group in bucket 8 of 26 and the sixth
    // node in bucket 28 of 133 pass the warning sizes 3 and 5; "Z" and "Z4" share a
    // bucket too. Rows sort by strcmp; a long name pushes the columns right. At
    // most 100 groups, and 200 nodes in a group.
    // clang-format off
    const std::pair<const char *, std::function<int()>> steps[] = {
        STEP(F::init(nullptr)), STEP(F::up(r)(r, nullptr, "n")), STEP(F::up(r)(r, "g", nullptr)),
        STEP(F::down(r)(nullptr, "g", "n")), STEP(r->reset(nullptr, "g")), STEP(r->dump(nullptr, nullptr, "m")),
        STEP(r->dump(r, nullptr, "m")), STEP(r->reset(r, "acl")), STEP(up(g64, "n")), STEP(up("fresh", i200)),
        STEP(up("fresh", "x")), STEP(up(g63, i199)), STEP(make({"abc", "acb", "bac", "bca", "Z", "Z4", "abc"}, {"x"})),
        STEP(make({"Z"}, {"abc", "acb", "bac", "bca", "cab", "cba", "abc"})), STEP(look("Z", "abc")),
        STEP(down("w", "new")), STEP(look("w", "new")), STEP(up("w", "new")), STEP(look("w", "new")),
        STEP(make({"acl"}, {"beta", "Zeta", "alpha", "alp", "a_long_name_of_41_characters_for_the_dump"})),
        STEP(look("acl", "beta", 1, 1234567)), STEP(look("acl", "alpha", 3, 10)),
        STEP(look("acl", "a_long_name_of_41_characters_for_the_dump", 2, 8)), STEP(look("acl", "Zeta", 0)),
        STEP(r->dump(r, "acl", "m1")), STEP(r->dump(r, nullptr, "m2")), STEP(r->dump(r, "nope", nullptr)),
        STEP(r->dump(r, g64.c_str(), "m")), STEP((FaultInjector::fail_nth(2), r->dump(r, "acl", "m"))),
        STEP(look("acl", "alpha")), STEP(r->reset(r, "nope")), STEP(r->reset(r, g64.c_str())), STEP(r->reset(r, "acl")),
        STEP(look("acl", "alpha")), STEP(look("Z", "abc")), STEP(down("Z", "x")), STEP(r->reset(r, nullptr)),
        STEP(look("Z", "abc")), STEP(look("Z", "x")), STEP(r->dump(r, "Z", "m")), STEP(make({"Z"}, numbers)),
        STEP(make({numbers.begin(), numbers.begin() + 90}, {"n"})), STEP(down("one too many", "n")),
        STEP(up("Z", "one too many")), STEP(up(g63, "n")), STEP(down("Z", "abc"))};
    // clang-format on
    for (const auto &[what, fn] : steps) run(what, fn);
    EXPECT_TRUE(golden(std::string("registry/") + F::kFam + ".txt", log));

    // Each allocation of a first operation fails in turn (1-3 group table, 4 group, 5-7 its node table, 8 its
    // link, 9 node, 10 its link, 11 none): nothing made is kept (the failed call counts), the next try works.
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    malloc_free_sw = 1;
    ASSERT_EQ(F::init(++r) | up("warm", "up"), 0);  // makes the statistics records of both sizes
    ss_fp_mem_info_t key{};
    std::strcpy(key.file_name, F::kTag);
    const ss_fp_mem_info_t *rec = ss_fp_mem_info_hash_find(&key);
    log.clear();
    for_each_fault(11, [&](int k) {
        ASSERT_EQ(F::init(++r), 0);
        const int32_t live = rec->count;
        run("allocation " + std::to_string(k) + " fails", [&] { return up("acl", "add"); });
        run("live +" + std::to_string(rec->count - live) + ", again", [&] { return up("acl", "add"); });
        log += F::figures(r, "acl", "add") + ", live +" + std::to_string(rec->count - live) + "\n";
    });
    EXPECT_TRUE(golden(std::string("registry/") + F::kFam + "_faults.txt", log));
}

// The entries reach modules 1 to 10 by number, never module 0, each call
// flushing what it prints.
TEST(RegistryEntries, DumpResetAndEnableByModule) {
    ASSERT_EQ(libss_fp_pub_init(), 0);
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    auto cap = [](int m) { return &fp_pub_hdl[m]->cap_hdl; };
    auto cnt = [](int m) { return &fp_pub_hdl[m]->cnt_hdl; };
    for (int m : {0, 1, 7, 10})
        ASSERT_EQ(cap(m)->start(cap(m), "g", "n") | cnt(m)->inc(cnt(m), "g", "n") | cnt(m)->inc(cnt(m), "h", "n"), 0);
    auto flags = [&] {
        const std::string module_0 = Cap::figures(cap(0), "g", "n") + "; " + Cnt::figures(cnt(0), "h", "n");
        std::printf("enable_set: %d %d\nmodule 0: %s\n", cnt(1)->enable_set(nullptr, 1), cnt(2)->enable_set(cnt(2), 2),
                    module_0.c_str());
        for (int m = 0; m <= 10; ++m) std::printf("%d ", cnt(m)->enable);
        std::fflush(stdout);
    };
    // clang-format off
    const std::function<void()> calls[] = {
        [] { ut_libss_fp_cap_dump_all(); }, [] { ut_libss_fp_cap_op(3, 7, "ALL"); },
        [] { ut_libss_fp_cap_op(3, 7, "ALLx"); }, [] { ut_libss_fp_cap_op(5, 7, nullptr); },
        [] { ut_libss_fp_cap_op(3, 11, nullptr); }, [] { ut_libss_fp_cap_op(3, -1, "g"); },
        [] { ut_libss_fp_cnt_op(3, 0, nullptr, 0); }, [] { ut_libss_fp_cnt_op(3, 10, "h", 0); },
        [] { ut_libss_fp_cnt_op(9, 4, "g", 1); }, [] { ut_libss_fp_cnt_op(2, 4, "g", 1); },
        [] { ut_libss_fp_cnt_grp_op(0, "g", 3); },
        [] { ut_libss_fp_cnt_grp_op(11, "g", 3); }, [] { ut_libss_fp_cnt_grp_op(1, "g", 7); },
        [] { ut_libss_fp_cnt_op(3, 1, "g", 0); },
        [] { ut_libss_fp_cnt_grp_op(1, "g", 2); }, [] { ut_libss_fp_cap_reset_all(); },
        [] { ut_libss_fp_cnt_op(4, 0, "g", 0); }, [] { ut_libss_fp_cnt_grp_op(10, "ALL", 4); },
        [] { ut_libss_fp_cnt_op(5, 0, nullptr, 3); }, [] { ut_libss_fp_cnt_op(5, 11, nullptr, 3); },
        [] { ut_libss_fp_cnt_op(5, 1, "g", 7); }, [] { ut_libss_fp_cnt_op(5, 10, "g", 1); },
        [] { ut_libss_fp_cap_dump_all(); }, [] { ut_libss_fp_cnt_op(3, 0, "ALL", 0); }, flags};
    // clang-format on
    std::string log;
    for (const auto &call : calls) log += masked_output(call);
    EXPECT_TRUE(golden("registry/entries.txt", log));
}

}  // namespace

// A thread's repeated lookups come from its cache: a rewritten name buffer and a handle made again at the same
// address each lead back to the registry, and every count lands on the node of the names it gave.
TEST(RegistryCache, CachedLookupsFollowTheNamesAndTheHandle) {
    static libss_fp_cnt_hdl_t h;
    static libss_hash_t *first_groups;  // keeps the first handle's nodes reachable once it is made again
    char grp[8] = "", name[8] = "";
    ASSERT_EQ(libss_fp_cnt_init_hdl_func(&h), 0);
    for (auto [g, n] : {std::pair{"g", "a"}, {"g", "a"}, {"g", "b"}, {"h", "b"}, {"g", "a"}, {"h", "a"}}) {
        std::strcpy(grp, g), std::strcpy(name, n);
        ASSERT_EQ(h.inc(&h, grp, name), 0);
    }
    EXPECT_EQ(Cnt::figures(&h, "g", "a") + ", " + Cnt::figures(&h, "g", "b") + ", " + Cnt::figures(&h, "h", "b") +
                  ", " + Cnt::figures(&h, "h", "a"),
              "3 4 enable 0, 1 4 enable 0, 1 2 enable 0, 1 2 enable 0");
    first_groups = h.grp_hash;
    h = libss_fp_cnt_hdl_t{};
    ASSERT_EQ(libss_fp_cnt_init_hdl_func(&h), 0);
    ASSERT_EQ(h.inc(&h, grp, name), 0);
    EXPECT_TRUE(h.grp_num == 1 && h.grp_hash != first_groups && Cnt::figures(&h, "h", "a") == "1 1 enable 0");
}

// What makes the cache worth having: a name the thread has used is counted and timed again without the
// registry's lock, so a dump or reset holding it does not stall the hot path.
TEST(RegistryCache, KnownNamesNeedNoRegistryLock) {
    static libss_fp_cnt_hdl_t cnt;
    static libss_fp_cap_hdl_t cap;
    ASSERT_TRUE(libss_fp_cnt_init_hdl_func(&cnt) == 0 && libss_fp_cap_init_hdl_func(&cap) == 0);
    std::promise<int> first, second;
    std::promise<void> locked;
    std::thread worker([&] {  // one thread throughout: the cache is per thread
        const auto both = [] { return cnt.inc(&cnt, "g", "n") | cap.start(&cap, "g", "n") | cap.stop(&cap, "g", "n"); };
        first.set_value(both());
        locked.get_future().wait();
        second.set_value(both());
    });
    ASSERT_EQ(first.get_future().get(), 0);
    ASSERT_TRUE(pthread_rwlock_wrlock(&cnt.lock) == 0 && pthread_rwlock_wrlock(&cap.lock) == 0);
    locked.set_value();
    auto again = second.get_future();
    const bool done = again.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    pthread_rwlock_unlock(&cnt.lock), pthread_rwlock_unlock(&cap.lock);
    worker.join();
    EXPECT_TRUE(done && again.get() == 0) << "the known names waited for the registry lock";
    EXPECT_EQ(Cnt::figures(&cnt, "g", "n") + ", " + Cap::figures(&cap, "g", "n").substr(0, 2), "2 2 enable 0, 2 ");
}

// A thread may still count as it exits, from a thread-specific destructor that runs after the one that frees
// its lookup cache: the count lands, and the freed cache's memory (most likely handed out again) is left alone.
TEST(RegistryCache, CountsFromThreadExitAfterTheCacheIsFreed) {
    static libss_fp_cnt_hdl_t h;
    static pthread_key_t key;
    static bool untouched = false;
    h = libss_fp_cnt_hdl_t{};
    ASSERT_EQ(libss_fp_cnt_init_hdl_func(&h), 0);
    ASSERT_EQ(h.inc(&h, "g", "n"), 0);  // the cache's key exists before this test's key, so its destructor runs first
    ASSERT_EQ(pthread_key_create(&key,
                                 [](void *) {
                                     constexpr size_t kSize = sizeof(fpss::registry::LookupCache);
                                     auto *reuse = static_cast<unsigned char *>(std::malloc(kSize));
                                     std::memset(reuse, 0xA5, kSize);
                                     untouched =
                                         h.inc(&h, "g", "n") == 0 &&
                                         std::all_of(reuse, reuse + kSize, [](unsigned char b) { return b == 0xA5; });
                                     std::free(reuse);
                                 }),
              0);
    std::thread([] { pthread_setspecific(key, &h), h.inc(&h, "g", "n"); }).join();
    pthread_key_delete(key);
    EXPECT_TRUE(untouched);
    EXPECT_EQ(Cnt::figures(&h, "g", "n"), "3 3 enable 0");
}
