// Memory accounting: the allocation-record table, the tracked allocator and its report, the resource records.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <iterator>
#include <sstream>
#include <thread>
#include <utility>

#include "fpss_test.h"
#include "ss_fp_mem.h"
#include "ss_fp_res.h"

using fpss_test::flushed_output;

namespace {

constexpr const char *kFile = "app/libss_fp_cap_mon";

ss_fp_mem_info_t *key_of(const std::string &file) {  // valid until the next call
    static ss_fp_mem_info_t key;
    key = ss_fp_mem_info_t{};
    std::strncpy(key.file_name, file.c_str(), sizeof key.file_name - 1);
    return &key;
}
ss_fp_mem_info_t *rec(const std::string &file) { return ss_fp_mem_info_hash_find(key_of(file)); }
int32_t count_of(const std::string &file) { return rec(file) != nullptr ? rec(file)->count : 0; }
int name_it(ss_fp_mem_info_t *r, void *out) { return *static_cast<std::string *>(out) += r->file_name, 0; }

// A message tree: short name, then field number: value, or number: name[count] and the elements ("-" if null).
std::string tree(const ProtobufCMessage *m) {
    if (m == nullptr) return "-";
    std::string s = std::string(m->descriptor->short_name) + "{";
    for (const ProtobufCFieldDescriptor *f = m->descriptor->fields; f < m->descriptor->fields + m->descriptor->n_fields;
         ++f) {
        const char *at = reinterpret_cast<const char *>(m) + f->offset;
        s += std::to_string(f->id) + ":" + (f->label == PROTOBUF_C_LABEL_REPEATED ? f->name : "");
        if (f->label != PROTOBUF_C_LABEL_REPEATED) s += std::to_string(*reinterpret_cast<const uint32_t *>(at)) + " ";
        if (f->label != PROTOBUF_C_LABEL_REPEATED) continue;
        size_t n = *reinterpret_cast<const size_t *>(reinterpret_cast<const char *>(m) + f->quantifier_offset);
        auto *items = *reinterpret_cast<ProtobufCMessage *const *const *>(at);
        s += "[" + std::to_string(n) + "]" + (items != nullptr ? "" : "null");
        for (size_t i = 0; items != nullptr && i < n; ++i) s += " " + tree(items[i]);
    }
    return s + "}";
}

class MemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fpss_test::reset_mem_stats();
        ASSERT_EQ(ss_fp_mem_watch_init(), 0);
        malloc_free_sw = 1;
    }
    void TearDown() override { fpss_test::reset_mem_stats(); }
    void restart() { TearDown(), SetUp(); }
    // Runs steps ("+k" insert a record of key k, "-k" remove k, "?k" find k, "@s,n" walk slots s to s+n) and prints
    // the table after each: a slot as its record's first letter, 'x' deleted, '.' empty.
    static std::string trace(const std::string &steps) {
        std::istringstream in(steps);
        std::string out;
        for (std::string step; in >> step; out += "\n") {
            ss_fp_mem_info_t probe = *key_of(step.substr(1)), *gone = ss_fp_mem_info_hash_find(&probe);
            std::string walked;
            uint32_t start = 0, num = 0;
            if (step[0] == '+')
                gone = static_cast<ss_fp_mem_info_t *>(std::memcpy(malloc(sizeof probe), &probe, sizeof probe));
            EXPECT_EQ(step[0] == '+' ? ss_fp_mem_info_hash_insert(gone) : 0, 0);
            if (step[0] == '-') ss_fp_mem_info_hash_remove(&probe);
            if ((step[0] == '+' || step[0] == '-') && ss_fp_mem_info_hash_find(&probe) != gone) free(gone);
            if (step[0] == '@') std::sscanf(step.c_str(), "@%u,%u", &start, &num);
            EXPECT_EQ(step[0] == '@' ? ss_fp_mem_info_hash_traverse_with_index(name_it, start, num, &walked) : 0, 0);
            const ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
            out += step + " " + std::to_string(t->slot_count) + "/" + std::to_string(t->grow_limit) + " " +
                   std::to_string(t->record_count) + "/" + std::to_string(t->occupied_count) + " ";
            for (uint32_t i = 0; i < t->slot_count; ++i) {
                uint32_t flags = (t->slot_flags[i >> 4] >> ((i & 15) << 1)) & 3;
                out += flags == 2 ? '.' : flags == 1 ? 'x' : t->slots[i]->file_name[0];
            }
            if (step[0] == '?') out += ss_fp_mem_info_hash_find(&probe) != nullptr ? " found" : " none";
            if (step[0] == '@') out += " [" + walked + "]";
        }
        return out;
    }
};

TEST_F(MemTest, RecordTableTraceAndFailedInsertions) {
    std::string steps = "?abc @0,4 +abc";                              // "abc" hashes to 0xDDC2F380: slot 0
    for (char c = 'b'; c <= 'z'; ++c) steps += std::string(" +") + c;  // growth to 8, 16, 32 and 64 slots
    steps += " +b ?b -b -b ?b +b ?b ?c @0,64 @60,100 @63,1 @64,1 @7,0 @1,4294967295";  // keys, tombstones, walks
    steps += " +Z" + std::string(78, 'x');  // the longest key: every word of it, the last too, moves its slot
    std::string out = trace(steps);
    restart();  // at the limit with tombstones only: rehashed at the same size
    out += trace("+a +b +m +d +e +f -a -b -m -d -e +g ?f ?g");  // growing to 8 slots displaces a record not yet moved
    std::string seen;                                           // a walk ends at its callback's first non-zero result
    auto stop = [](ss_fp_mem_info_t *r, void *seen) { return name_it(r, seen) - 1; };
    EXPECT_TRUE(ss_fp_mem_info_hash_traverse(stop, &seen) == -1 && seen == "f" &&
                !ss_fp_mem_info_hash_traverse(nullptr, 0));
    restart();
    ss_fp_mem_info_t tmpl = *key_of("cache"), *made = nullptr;
    fpss_test::for_each_fault(4, [&](int k) {  // the record, then the first layout's flags and slots
        EXPECT_EQ(ss_fp_mem_info_cache_create(&made, &tmpl), made);
        EXPECT_EQ(std::make_pair(made != nullptr, ss_fp_mem_info_hash_find(&tmpl)), std::make_pair(k == 4, made));
    });
    tmpl.count = 9;  // an existing key takes the template's count
    EXPECT_TRUE(ss_fp_mem_info_cache_create(nullptr, &tmpl) == made && made->count == 9);
    EXPECT_TRUE(ss_fp_mem_info_cache_create(&made, nullptr) == nullptr && made == nullptr);
    out += trace("+b +d");
    fpss_test::for_each_fault(3, [&](int) { out += trace("+e ?e"); });  // growing: the new flags, then the slots
    ss_fp_mem_info_cache_destroy(ss_fp_mem_info_hash_find(&tmpl));
    ss_fp_mem_info_cache_destroy(nullptr);
    EXPECT_TRUE(fpss_test::golden("memory/record_table.txt", out + trace("?cache")));
}

TEST_F(MemTest, ReportListsEveryCountedFileWithItsSizesLargestFirst) {
    std::vector<void *> blocks;
    for (int size : {32, 8, 64, 32, 16, 128, -4, 64, 0}) blocks.push_back(ss_fp_malloc(size, kFile));
    ss_fp_free(ss_fp_calloc(3, 16, kFile), kFile);  // counted under the element size; failed calls count too
    EXPECT_TRUE(blocks[6] == nullptr && ss_fp_calloc(-2, 8, kFile) == nullptr &&
                ss_fp_calloc(2, -8, kFile) == nullptr && ss_fp_calloc(0x7fffffff, 0x7fffffff, kFile) == nullptr);
    for (void *p : blocks) ss_fp_free(p, "app/libss_fp_pub");  // releases count down whatever the pointer
    for (const std::string &file : {std::string(79, 'a'), std::string(80, 'b')})  // the second does not fit
        ss_fp_free(ss_fp_malloc(4, file.c_str()), file.c_str());
    ss_fp_free(ss_fp_malloc(4, nullptr), nullptr);
    ss_fp_free(nullptr, "app/only_frees");
    // The last without memory for a copy: printed as the table is walked, the same text.
    for (auto [detail, no_memory] : {std::pair{1u, false}, {0u, false}, {1u, true}}) {
        if (no_memory) fpss_test::FaultInjector::fail_all();
        std::string out = flushed_output([&] { EXPECT_EQ(ss_fp_debug_dump_mem_use_info_all(detail), 0); });
        fpss_test::FaultInjector::reset();
        EXPECT_TRUE(fpss_test::golden(detail ? "memory/report_sizes.txt" : "memory/report_files.txt", out));
    }
    auto dump = ss_fp_debug_dump_mem_use_info;  // one record alone, without details, and no record
    EXPECT_EQ(flushed_output([dump] { EXPECT_EQ(dump(rec(kFile), nullptr) + dump(nullptr, nullptr), 0); }),
              "[" + std::string(kFile) + std::string(100, ' ') + "]: 12\n");
}

TEST_F(MemTest, SwitchCommandAndCountsAcrossItsChanges) {
    EXPECT_EQ(flushed_output([] { EXPECT_EQ(ss_fp_debug_malloc_free_sw(2), 0); }), "malloc_free_sw opened.\n");
    void *on = ss_fp_malloc(4, kFile);  // 2 counts as on
    EXPECT_EQ(flushed_output([] { EXPECT_EQ(ss_fp_debug_malloc_free_sw(0), 0); }), "malloc_free_sw closed.\n");
    void *off = ss_fp_malloc(4, kFile);
    ss_fp_free(on, kFile);
    malloc_free_sw = 1;
    ss_fp_free(off, kFile);  // a block made while off drives the count below the live blocks
    EXPECT_TRUE(count_of(kFile) == 0 && ss_fp_find_size_info(rec(kFile), 4)->count == 1);
    fpss_test::reset_mem_stats();  // no table: no report, no record
    EXPECT_EQ(flushed_output([] { EXPECT_EQ(ss_fp_debug_dump_mem_use_info_all(1), -1); }), "");
    EXPECT_TRUE(ss_fp_mem_info_hash_size() == 0 && ss_fp_mem_info_hash_traverse(name_it, nullptr) == 0 && !rec(kFile) &&
                !ss_fp_mem_info_cache_create(nullptr, key_of(kFile)));
}

// Repeated calls from one name pointer come from the recent hits: a table growth, a removed or destroyed record, a
// rewritten name buffer and a new table each send the next call back to the table (ASan sees any use of a freed one).
TEST_F(MemTest, RecentHitsNeverOutliveTheirRecordOrName) {
    char name[16] = "app/a";
    auto drop = [](ss_fp_mem_info_t *r) {  // a record out of the table, with its size records
        for (ss_fp_list_t *l = r->size_list.next, *next; l != &r->size_list; l = next) next = l->next, free(l);
        free(r);
    };
    ss_fp_mem_info_t *removed = nullptr;
    // Each step, then a counted call, and the counts of "app/a" and "app/b" after it.
    const std::pair<std::function<void()>, const char *> steps[] = {
        {[] {}, "1 0"},
        {[] {}, "2 0"},
        {[] {
             for (int i = 0; i < 40; ++i) ss_fp_malloc(-1, ("app/grow" + std::to_string(i)).c_str());
         },
         "3 0"},
        {[&] { ss_fp_mem_info_hash_remove(removed = rec("app/a")); }, "1 0"},
        {[&] {
             ss_fp_mem_info_t *r = rec("app/a");
             drop(std::exchange(removed, nullptr));
             for (ss_fp_list_t *l = r->size_list.next, *next; l != &r->size_list; l = next) next = l->next, free(l);
             ss_fp_mem_info_cache_destroy(r);
         },
         "1 0"},
        {[&] { std::strcpy(name, "app/b"); }, "1 1"},
        {[&] { std::strcpy(name, "app/a"), restart(); }, "1 0"},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        ss_fp_malloc(-1, name);  // counted, no block
        EXPECT_EQ(std::to_string(count_of("app/a")) + " " + std::to_string(count_of("app/b")), steps[i].second) << i;
    }
    EXPECT_EQ(ss_fp_mem_info_hash_size(), 1u);
}

// The report prints from a copy: while standard output is stalled in the middle of it, tracked calls go on.
TEST_F(MemTest, AStalledReportHoldsUpNoTrackedCall) {
    for (int i = 0; i < 60; ++i) ss_fp_malloc(-1, ("app/file" + std::to_string(i)).c_str());  // 7 KiB of report
    int fds[2];
    ASSERT_TRUE(pipe(fds) == 0 && fcntl(fds[1], F_SETPIPE_SZ, 4096) == 4096);
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(fds[1], STDOUT_FILENO);
    std::thread report([] { ss_fp_debug_dump_mem_use_info_all(1); });
    int queued = 0;  // a full pipe: the report has stalled in the middle
    while (ioctl(fds[0], FIONREAD, &queued) == 0 && queued < 4096 - 124) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto counted = std::async(std::launch::async, [] { ss_fp_malloc(-1, "app/file0"); });
    const bool went_on = counted.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    std::string text;
    std::thread drain([&] {
        char buf[4096];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    });
    report.join();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved), close(fds[1]);
    drain.join();
    close(fds[0]);
    EXPECT_TRUE(went_on && count_of("app/file0") == 2);
    EXPECT_NE(text.find("====end ss_fp_debug_dump_mem_use_info===="), std::string::npos);
}

// Allocations of a first counted call: table state (at start-up), block, record, table flags and slots, size record.
TEST_F(MemTest, EveryAllocationOfAFirstCountedCallMayFail) {
    std::string out;
    fpss_test::for_each_fault(7, [&](int k) {
        fpss_test::reset_mem_stats();
        ss_fp_mem_watch_init();
        malloc_free_sw = 1;
        void *p = ss_fp_malloc(24, kFile);
        ss_fp_mem_info_t *r = rec(kFile);
        out += std::to_string(k) + (is_hash_init ? " table" : "") + (p ? " block" : "") +
               (r ? " count " + std::to_string(r->count) : "") + (ss_fp_find_size_info(r, 24) ? " size\n" : "\n");
        ss_fp_free(p, kFile);
    });
    EXPECT_TRUE(fpss_test::golden("memory/first_call_faults.txt", out));
}

// Builds whole, failing at each allocation (the outer array first) and with counts below one: what each left in
// the outer array, and every block made is released once (a failed call counts, nulls are skipped).
TEST_F(MemTest, ResourceBuildsWholeOrFailedLeaveWhatTheyMadeForTheReleaser) {
    std::string out;
    auto build = [&out](int shape, int k, int count, int inner, bool fails) {
        int32_t before = count_of("app/libss_fp_debug");
        auto **n = static_cast<ProtobufCMessage **>(ss_fp_calloc(3, sizeof(void *), "tests/res"));
        int rc = shape != 0 ? 0 : ss_fp_malloc_group_info(reinterpret_cast<SPolicy__GroupInfoNode **>(n), count, inner);
        if (shape == 1) ss_fp_malloc_unit_res_node(reinterpret_cast<SPolicy__UnitResNode **>(n), count, 2, inner);
        if (shape == 2) ss_fp_malloc_res_node(reinterpret_cast<SPolicy__ResNode **>(n), count, inner);
        out += std::to_string(k) + " " + std::to_string(rc) +
               (n ? ": " + tree(n[0]) + " " + tree(n[1]) + " " + tree(n[2]) : "") + "\n";
        if (shape == 0) ss_fp_free_group_info(reinterpret_cast<SPolicy__GroupInfoNode **>(n), count, inner);
        if (shape == 1) ss_fp_free_unit_res_node(reinterpret_cast<SPolicy__UnitResNode **>(n), count, 2, inner);
        if (shape == 2) ss_fp_free_res_node(reinterpret_cast<SPolicy__ResNode **>(n), count, inner);
        EXPECT_EQ(count_of("app/libss_fp_debug") - before, fails ? 0 : -1) << shape << " " << k;
    };
    const int shapes[][4] = {{0, 2, 2, 9}, {1, 1, 3, 13}, {2, 2, 1, 7}};  // shape, count, inner count, allocations
    for (auto [shape, count, inner, allocations] : shapes) {
        build(shape, 0, count, inner, false);  // every record and size record the walk counts under now exists
        fpss_test::for_each_fault(allocations + 1, [&, s = shape, c = count, i = inner, a = allocations](int k) {
            build(s, k, c, i, k <= a);
        });
    }
    for (auto [shape, count, inner] :
         {std::tuple{0, 0, 5}, {0, -3, 5}, {0, 2, 0}, {0, 1, -4}, {0, 1, 300000000}, {1, -1, 1}, {2, 0, 5}})
        build(shape, 0, count, inner, false);
    EXPECT_TRUE(fpss_test::golden("memory/resource_builds.txt", out));
}

}  // namespace
