// What the capture and counter registries report when one system allocation
// of the first operation on a fresh registry fails. The first operation makes
// ten allocations, in this order (statistics on, records warmed up):
//   1-3  the group table     4  the group      5-7  the group's info table
//   8    the group's link    9  the info node  10   the info node's link
// Both families report the same sequence with their own names.
#ifndef FPSS_TEST_REGISTRY_FAULTS_H
#define FPSS_TEST_REGISTRY_FAULTS_H

#include <string>
#include <utility>
#include <vector>

namespace fpss_test {

constexpr int kFirstOpAllocations = 10;

// (function, text) of every error report, in order. 'fam' is "cap" or "cnt",
// 'op' the entry that was called ("libss_fp_cap_start", ...).
inline std::vector<std::pair<std::string, std::string>> first_op_fault_reports(const std::string &fam,
                                                                               const std::string &op, int k) {
    const std::string p = "libss_fp_" + fam + "_";
    const std::string no_mem = "no enough memory, rv: -2";
    std::vector<std::pair<std::string, std::string>> r;
    if (k <= 3) {
        r = {{p + "try_crt_grp_hash", "mem malloc failed"},
             {p + "try_crt_info_node", p + "try_crt_grp_hash(" + fam + "_hdl) call failed, rv = -2"}};
    } else if (k == 4) {
        r = {{p + "crt_and_insert_grp_node", no_mem}, {p + "try_crt_info_node", no_mem}};
    } else if (k <= 7) {
        r = {{p + "crt_info_hash", "mem malloc failed"},
             {p + "crt_and_insert_grp_node", p + "crt_info_hash(" + fam + "_grp) call failed, rv = -2"},
             {p + "try_crt_info_node", no_mem}};
    } else if (k == 8) {
        r = {{p + "crt_and_insert_grp_node",
              "libss_hash_insert_item(" + fam + "_hdl->grp_hash, (void *)" + fam + "_grp) call failed, rv = -12"},
             {p + "try_crt_info_node", no_mem}};
    } else if (k == 9) {
        r = {{p + "crt_and_insert_info_node", no_mem}, {p + "try_crt_info_node", no_mem}};
    } else {
        r = {{p + "crt_and_insert_info_node", "libss_hash_insert_item(" + fam + "_grp->" + fam + "_hash, (void *)" +
                                                  fam + "_info) call failed, rv = -12"},
             {p + "try_crt_info_node", no_mem}};
    }
    r.push_back({op, "mem malloc failed"});
    return r;
}

// Groups left in the registry after the failure at allocation 'k'.
inline int groups_after_fault(int k) { return k >= 9 ? 1 : 0; }

}  // namespace fpss_test

#endif  // FPSS_TEST_REGISTRY_FAULTS_H
