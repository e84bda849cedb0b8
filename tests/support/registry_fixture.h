// Fixture shared by the capture and counter registry suites: a fresh registry
// per test, the error reports it made, group lookup and a masked dump.
#ifndef FPSS_TEST_REGISTRY_FIXTURE_H
#define FPSS_TEST_REGISTRY_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "fpss_test.h"
#include "libss_hash.h"
#include "registry_faults.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"

namespace fpss_test {

using Reports = std::vector<std::pair<std::string, std::string>>;

inline const std::string kDumpSeparator = "\n===================================================================\n";

// The clock figures of a dump's time line, masked.
inline std::string mask_time(const std::string &s) {
    return std::regex_replace(s, std::regex(R"(op time: \d+\.\d{6}s)"), "op time: T");
}

// 'Hdl' is the registry record, 'Grp' and 'Info' its group and node records,
// 'init' its start-up, 'file' the source path its reports name and 'tag' its
// accounting tag.
template <class Hdl, class Grp, class Info, int (*init)(Hdl *), const char *const *file, const char *const *tag>
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_mem_stats();
        FaultInjector::reset();
        PlatformRecorder::reset();
        fp_debug_sw = 0;
        g_policy_error_zlog_level = 6;
        g_policy_error_zlog_category = &category_;
        reg_ = fresh();
    }
    void TearDown() override {
        FaultInjector::reset();
        g_policy_error_zlog_category = nullptr;
    }

    // Registries stay reachable for the life of the process, as on a switch.
    static Hdl *fresh() {
        static auto *all = new std::vector<Hdl *>;
        auto *r = new Hdl{};
        all->push_back(r);
        EXPECT_EQ(init(r), 0);
        return r;
    }
    // (function, text) of every error report handed to the platform log.
    static Reports reports() {
        Reports r;
        for (const auto &c : PlatformRecorder::zlog_calls()) {
            EXPECT_EQ(c.file, *file);
            EXPECT_EQ(c.level, 100);
            r.emplace_back(c.func, c.text);
        }
        return r;
    }
    Grp *group(const char *grp) {
        char key[64] = {};
        std::strncpy(key, grp, 63);
        return static_cast<Grp *>(libss_hash_find_item(reg_->grp_hash, key));
    }
    std::string dump(const char *grp, int expect_rc, const char *mod) {
        StdoutCapture out;
        EXPECT_EQ(reg_->dump(reg_, grp, mod), expect_rc);
        return mask_time(out.take());
    }

    // Makes each allocation of a first operation on a fresh registry fail in
    // turn. 'first' runs the operation (it must fail with -2); then the
    // reports of family 'fam' and entry 'op' must come in order, the live
    // count of the registry's tag holds the groups kept plus the failed
    // node call (counted although it returned nothing), 'after(k)' checks the
    // rest, and 'again()' runs the operation once more, which must work.
    template <class First, class After, class Again>
    void every_first_op_failure(const char *fam, const char *op, First first, After after, Again again) {
        ASSERT_EQ(ss_fp_mem_watch_init(), 0);
        malloc_free_sw = 1;
        // Warm the allocator's records so that the ten allocations are the registry's own.
        ss_fp_free(ss_fp_calloc(1, sizeof(Grp), *tag), *tag);
        ss_fp_free(ss_fp_calloc(1, sizeof(Info), *tag), *tag);
        ss_fp_mem_info_t key{};
        std::strncpy(key.file_name, *tag, sizeof key.file_name - 1);
        ss_fp_mem_info_t *rec = ss_fp_mem_info_hash_find(&key);
        ASSERT_NE(rec, nullptr);
        for (int k = 1; k <= kFirstOpAllocations; ++k) {
            SCOPED_TRACE("allocation " + std::to_string(k));
            reg_ = fresh();
            int32_t live = rec->count;
            PlatformRecorder::reset();
            FaultInjector::fail_nth(k);
            EXPECT_EQ(first(), -2);
            FaultInjector::reset();
            EXPECT_EQ(reports(), first_op_fault_reports(fam, op, k));
            int failed_node_call = (k == 4 || k == 9) ? 1 : 0;
            EXPECT_EQ(rec->count, live + groups_after_fault(k) + failed_node_call);
            EXPECT_EQ(reg_->grp_num, groups_after_fault(k));
            after(k);
            again();
            EXPECT_EQ(reg_->grp_num, 1);
            EXPECT_EQ(rec->count, live + 2 + failed_node_call);
        }
        // A fully working first operation makes exactly the ten allocations.
        reg_ = fresh();
        FaultInjector::reset();
        EXPECT_EQ(first(), 0);
        EXPECT_EQ(FaultInjector::calls(), kFirstOpAllocations);
    }

    Hdl *reg_ = nullptr;

  private:
    static inline int category_;
};

}  // namespace fpss_test

#endif  // FPSS_TEST_REGISTRY_FIXTURE_H
