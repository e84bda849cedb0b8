// Application-manager simulator: answers the exerciser's requests and keeps
// ACLs, ACEs and applies in the application manager's own structures
// (ss_fp_ut_appmng.h), so that what requests do shows up in the exerciser's
// views.
//
// The simulator applies each request at once: it sets the request's 'rv',
// calls the request's completion callback and returns 'rv'. Results: 0;
// kNotFound for an ACL, ACE or apply that is not there; kExists for one that
// already is; kNoMemory; kBadRequest for a request without its record or an
// operation the simulator does not serve. ACLs are known by ACL id and
// application type, ACEs by sequence number, applies by physical port id.
// Every request also takes a row of the service table (the last eight
// requests: outbound id, the request's service id, node 1) and a timing
// sample: 'g_ss_fp_appmng_time' for all of them, 'g_ss_fp_appmng_times[op]'
// for operations 0 to 5. 'g_ss_fp_appmng_malloc' counts the live nodes. Two
// uplinks are set up from the start: 0x07001B1E (GLOBAL_ACL) and 0x07001902
// (SECURITY_CHANNEL).
//
// Thread safety: none; one thread drives the simulator and its views.
#ifndef FPSS_APPMNG_SIM_H
#define FPSS_APPMNG_SIM_H

#include <cstdint>

#include "ss_fp_ut_appmng.h"

namespace appmng_sim {

constexpr int32_t kNotFound = -2;
constexpr int32_t kNoMemory = -12;
constexpr int32_t kExists = -17;
constexpr int32_t kBadRequest = -22;

// The entry function to hand to the exerciser's requests.
int32_t entry(void *req);

// The structures the views read.
ss_fp_appmng_root_t *root();
ss_fp_list_t *uplinks();  // UT_SS_FP_APPMNG_UPLINK_TYPES heads
libss_hash_t *service_table();

// Counts traffic on ACE 'sn' of the first ACL numbered 'acl_id': 'packets'
// and 'bytes' are added to its first counter pair. Returns 0 or kNotFound.
int32_t hit(int32_t acl_id, uint64_t sn, uint64_t packets, uint64_t bytes);

}  // namespace appmng_sim

#endif  // FPSS_APPMNG_SIM_H
