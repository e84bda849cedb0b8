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
#include "ss_fp_report.h"

namespace fpss_test {

using Reports = std::vector<std::pair<std::string, std::string>>;

inline const std::string kDumpSeparator = "\n===================================================================\n";

// The clock figures of a dump's time line, masked.
inline std::string mask_time(const std::string &s) {
    return std::regex_replace(s, std::regex(R"(op time: \d+\.\d{6}s)"), "op time: T");
}

// 'Hdl' is the registry record, 'Grp' its group record, 'init' its start-up
// and 'file' the source path its reports name.
template <class Hdl, class Grp, int (*init)(Hdl *), const char *const *file>
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

    Hdl *reg_ = nullptr;

  private:
    static inline int category_;
};

}  // namespace fpss_test

#endif  // FPSS_TEST_REGISTRY_FIXTURE_H
