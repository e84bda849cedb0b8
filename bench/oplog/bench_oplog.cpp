// Operation log: one ACL line, with its file status queries, open, write and
// close. Lines go to /tmp/zlog/ss_fp_log/<process name>.log and its partner,
// which take turns by size, so the files stay bounded however long it runs.
#include <benchmark/benchmark.h>

#include "ss_fp_log_op.h"

namespace {

void BM_LogOpAcl(benchmark::State &state) {
    ss_fp_appmng_acl_t acl = {};
    acl.acl_id = 3001;
    acl.app_type = 1;
    acl.acl_cls = 2;
    for (auto _ : state) {
        if (ss_fp_log_op_acl(&acl, nullptr, 0) != 0) return state.SkipWithError("line not written");
    }
}

}  // namespace

BENCHMARK(BM_LogOpAcl);
