// What each family shows the outside world: the accounting tag it passes to
// the tracked allocator and the source path its reports print.
//
// Both are the family's historical source names, not where its files sit
// today: the allocation report lists the tags, and peers filter the platform
// log by the paths, so neither moves when files do. Every family that
// allocates or reports takes them from here; a file names its family once:
//
//     constexpr const fpss::Family &kFamily = fpss::family::kService;
//
// and the report macros of core/report.h print kFamily.path.
#ifndef FPSS_CORE_FAMILY_H
#define FPSS_CORE_FAMILY_H

namespace fpss {

struct Family {
    const char *tag;   // accounting tag of the tracked allocator
    const char *path;  // source path printed by the family's reports
};

namespace family {

inline constexpr Family kStartup{"app/libss_fp_pub", "app/libss_fp_pub.cpp"};
inline constexpr Family kMemory{"app/libss_fp_debug", "app/libss_fp_debug.cpp"};
inline constexpr Family kDebug{"app/libss_fp_debug", "app/ss_fp_debug_sw.cpp"};
inline constexpr Family kCapture{"app/libss_fp_cap_mon", "app/libss_fp_cap_mon.cpp"};
inline constexpr Family kCounters{"app/libss_fp_cnt", "app/libss_fp_cnt.cpp"};
inline constexpr Family kService{"app/ss_fp_service", "app/ss_fp_service.cpp"};
// The operation log reports from two sources: its files and its record writers.
inline constexpr Family kOplogFiles{"app/ss_fp_debug", "app/ss_fp_debug_oplog.cpp"};
inline constexpr Family kOplogRecords{"app/ss_fp_debug", "app/ss_fp_debug_oprec.cpp"};

}  // namespace family
}  // namespace fpss

#endif  // FPSS_CORE_FAMILY_H
