// The hot paths against their floor or the peer a module writer would
// otherwise use, as ratios measured in one process: both sides of a row run
// interleaved, round after round, and the row reports the median ratio with
// its goal beside it. A thread is started (and joined) first, as in a real FP
// process, so the C library runs its multi-threaded paths throughout.
//
// Usage: bench_ratios [rounds] [text]   (default 9 rounds; with a text, only
// the rows whose name holds it; BENCH_SCALE multiplies the loops)
// Prints one line per row: ours ns/op, peer ns/op, median ratio, goal, and
// whether the median meets it. A report: the exit status is 0 unless a row
// cannot run.
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "libss_fp_pub.h"
#include "libss_hash.h"
#include "ss_fp_log_op.h"
#include "ss_fp_mem.h"
#include "ss_fp_service.h"

namespace {

// Keeps a value alive without a shared write: every loop owns its sink.
template <class T>
inline void keep(T const &value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

double now_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// A side of a row: runs 'n' operations and gives the wall time in ns.
using Side = std::function<double(long n)>;

template <class Op>
Side timed(Op op) {
    return [op](long n) mutable {
        double t0 = now_ns();
        for (long i = 0; i < n; ++i) op(i);
        return now_ns() - t0;
    };
}

struct Row {
    const char *name;
    double goal;
    long loop;  // operations per side and round
    Side ours;
    Side peer;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 != 0 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---- tracked allocation -------------------------------------------------

constexpr const char *kFileA = "app/bench_alloc_a";
constexpr const char *kFileB = "app/bench_alloc_b";

double tracked_pairs(const char *file, long n) {
    double t0 = now_ns();
    for (long i = 0; i < n; ++i) {
        void *p = ss_fp_malloc(64, file);
        keep(p);
        ss_fp_free(p, file);
    }
    return now_ns() - t0;
}

double calloc_pairs(long n) {
    double t0 = now_ns();
    for (long i = 0; i < n; ++i) {
        void *p = std::calloc(1, 64);
        keep(p);
        std::free(p);
    }
    return now_ns() - t0;
}

Side tracked(bool stats) {
    return [stats](long n) {
        __atomic_store_n(&malloc_free_sw, stats ? 1 : 0, __ATOMIC_RELAXED);
        double t = tracked_pairs(kFileA, n);
        __atomic_store_n(&malloc_free_sw, 0, __ATOMIC_RELAXED);
        return t;
    };
}

// 2n pairs on one thread, or n pairs on each of two threads, two files.
Side stats_threads(int threads) {
    return [threads](long n) {
        __atomic_store_n(&malloc_free_sw, 1, __ATOMIC_RELAXED);
        double t0 = now_ns();
        if (threads == 1) {
            tracked_pairs(kFileA, 2 * n);
        } else {
            std::thread other([n] { tracked_pairs(kFileB, n); });
            tracked_pairs(kFileA, n);
            other.join();
        }
        double t = now_ns() - t0;
        __atomic_store_n(&malloc_free_sw, 0, __ATOMIC_RELAXED);
        return t;
    };
}

// ---- counters and captures ---------------------------------------------

fp_pub_hdl_t *handle() {
    static fp_pub_hdl_t *const h = [] {
        ss_fp_mem_watch_init();
        return libss_fp_pub_init() == LIBSS_FP_PUB_OK ? fp_pub_hdl[FP_MOD_TCAM] : nullptr;
    }();
    return h;
}

// The peer of the counters: names to counters in a map under a reader lock.
struct PeerCounters {
    std::shared_mutex lock;
    std::unordered_map<std::string, uint64_t> counts;
    int inc(const char *name) {
        std::shared_lock<std::shared_mutex> guard(lock);
        auto it = counts.find(name);
        if (it == counts.end()) return -1;
        __atomic_fetch_add(&it->second, 1, __ATOMIC_RELAXED);
        return 0;
    }
};

const char *const kCntNames[] = {"ace_added", "ace_removed", "acl_bound", "acl_unbound"};

// ---- service ids ---------------------------------------------------------

// The peer of the service ids: the same transaction over two maps and a mutex.
struct PeerService {
    struct In {
        uint32_t outs = 0;
        uint32_t recv = 0;
        int state = 0;
    };
    std::mutex lock;
    std::unordered_map<uint32_t, In> ins;
    std::unordered_map<uint32_t, uint32_t> outs;
    uint32_t last_in = 0;
    uint32_t last_out = 0;
    uint32_t open_in() {
        std::lock_guard<std::mutex> guard(lock);
        ins.emplace(++last_in, In{});
        return last_in;
    }
    uint32_t open_out(uint32_t in) {
        std::lock_guard<std::mutex> guard(lock);
        auto it = ins.find(in);
        if (it == ins.end()) return 0;
        it->second.outs++;
        outs.emplace(++last_out, in);
        return last_out;
    }
    void receive(uint32_t out) {
        std::lock_guard<std::mutex> guard(lock);
        auto it = outs.find(out);
        if (it == outs.end()) return;
        ins[it->second].recv++;
        outs.erase(it);
    }
    void verify(uint32_t in) {
        std::lock_guard<std::mutex> guard(lock);
        auto it = ins.find(in);
        if (it != ins.end()) it->second.state = it->second.outs == it->second.recv ? 3 : 2;
    }
    void close_in(uint32_t in) {
        std::lock_guard<std::mutex> guard(lock);
        ins.erase(in);
    }
};

// ---- hash find -----------------------------------------------------------

constexpr uint32_t kHashItems = 1024;

struct Item {
    uint32_t key;
};

uint32_t item_hash(const void *item) { return static_cast<const Item *>(item)->key * 2654435761u; }
bool item_equal(const void *a, const void *b) {
    return static_cast<const Item *>(a)->key == static_cast<const Item *>(b)->key;
}

uint32_t our_hash(void *item) { return item_hash(item); }
int our_cmp(void *item, void *key) { return item_equal(item, key) ? 0 : 1; }
guint glib_hash(gconstpointer item) { return item_hash(item); }
gboolean glib_equal(gconstpointer a, gconstpointer b) { return item_equal(a, b) ? TRUE : FALSE; }

// ---- operation log -------------------------------------------------------

std::string process_log() {
    char name[64] = {};
    FILE *f = std::fopen("/proc/self/comm", "r");
    if (f != nullptr) {
        if (std::fgets(name, sizeof name, f) == nullptr) name[0] = '\0';
        std::fclose(f);
    }
    name[strcspn(name, "\n")] = '\0';
    return std::string("/tmp/zlog/ss_fp_log/") + name;
}

// The floor's own file beside the process's log files; removed at the end.
const std::string &floor_path() {
    static const std::string path = process_log() + "_floor.log";
    return path;
}

std::vector<Row> rows() {
    std::vector<Row> r;
    r.push_back({"tracked alloc+free, statistics off / calloc+free", 1.0, 400000, tracked(false),
                 [](long n) { return calloc_pairs(n); }});
    r.push_back({"tracked alloc+free, statistics on / calloc+free", 2.5, 200000, tracked(true),
                 [](long n) { return calloc_pairs(n); }});
    r.push_back({"statistics on: 2 threads on 2 files / 1 thread", 1.2, 200000, stats_threads(2), stats_threads(1)});

    static PeerCounters peer_cnt;
    for (const char *n : kCntNames) peer_cnt.counts.emplace(n, 0);
    r.push_back({"counter inc, existing names / unordered_map+shared_mutex", 0.5, 400000, timed([](long i) {
                     libss_fp_cnt_hdl_t *cnt = &handle()->cnt_hdl;
                     keep(cnt->inc(cnt, "acl", kCntNames[i & 3]));
                 }),
                 timed([](long i) { keep(peer_cnt.inc(kCntNames[i & 3])); })});
    r.push_back({"capture start+stop / two clock_gettime", 2.5, 300000, timed([](long) {
                     libss_fp_cap_hdl_t *cap = &handle()->cap_hdl;
                     keep(cap->start(cap, "acl", "add_ace"));
                     keep(cap->stop(cap, "acl", "add_ace"));
                 }),
                 timed([](long) {
                     timespec a, b;
                     clock_gettime(CLOCK_MONOTONIC, &a);
                     clock_gettime(CLOCK_MONOTONIC, &b);
                     keep(a);
                     keep(b);
                 })});

    static ss_fp_service_hdl_t *svc = nullptr;
    if (libss_fp_alloc_service_hdl(&svc) != 0) svc = nullptr;
    static PeerService peer_svc;
    r.push_back({"service-id transaction / unordered_map+mutex", 1.0, 100000, timed([](long) {
                     uint32_t in = 0, o1 = 0, o2 = 0;
                     libss_fp_alloc_service_id_in(svc, nullptr, &in);
                     libss_fp_alloc_service_id_out(svc, in, &o1);
                     libss_fp_alloc_service_id_out(svc, in, &o2);
                     libss_fp_set_service_id_out_recv(svc, o1);
                     libss_fp_set_service_id_out_recv(svc, o2);
                     keep(libss_fp_verify_service_id_in(svc, in, nullptr, 0));
                     libss_fp_free_service_id_in(svc, in);
                 }),
                 timed([](long) {
                     uint32_t in = peer_svc.open_in();
                     uint32_t o1 = peer_svc.open_out(in);
                     uint32_t o2 = peer_svc.open_out(in);
                     peer_svc.receive(o1);
                     peer_svc.receive(o2);
                     peer_svc.verify(in);
                     peer_svc.close_in(in);
                 })});

    static std::vector<Item> items(kHashItems);
    static libss_hash_t *ours = libss_create_hash(kHashItems, &our_hash, &our_cmp);
    static GHashTable *peer = g_hash_table_new(&glib_hash, &glib_equal);
    for (uint32_t i = 0; i < kHashItems; ++i) {
        items[i].key = i * 7919u;
        libss_hash_insert_item(ours, &items[i]);
        g_hash_table_insert(peer, &items[i], &items[i]);
    }
    r.push_back({"hash find, 1024 items / GHashTable", 0.9, 1000000, timed([](long i) {
                     Item key{items[static_cast<size_t>(i) & (kHashItems - 1)].key};
                     keep(libss_hash_find_item(ours, &key));
                 }),
                 timed([](long i) {
                     Item key{items[static_cast<size_t>(i) & (kHashItems - 1)].key};
                     keep(g_hash_table_lookup(peer, &key));
                 })});

    r.push_back({"operation-log line / stat+open+write+close", 1.2, 4000, timed([](long) {
                     ss_fp_appmng_acl_t acl = {};
                     acl.acl_id = 3001;
                     acl.app_type = 1;
                     acl.acl_cls = 2;
                     keep(ss_fp_log_op_acl(&acl, nullptr, 0));
                 }),
                 timed([](long) {
                     static const char line[] =
                         "2026-12-06 17:00:00.000000 acl_add,acl_id:3001,app_type:1,acl_cls:2,\n";
                     struct stat st;
                     keep(stat(floor_path().c_str(), &st));
                     int fd = open(floor_path().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
                     if (fd >= 0) {
                         keep(write(fd, line, sizeof line - 1));
                         close(fd);
                     }
                 })});
    return r;
}

}  // namespace

int main(int argc, char **argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
    if (rounds < 1) rounds = 1;
    const char *scale_env = std::getenv("BENCH_SCALE");
    double scale = scale_env != nullptr ? std::atof(scale_env) : 1.0;
    if (scale <= 0) scale = 1.0;
    std::thread([] {}).join();
    if (handle() == nullptr) {
        std::fprintf(stderr, "bench_ratios: public handles not made\n");
        return 1;
    }
    std::printf("%-58s %10s %10s %8s %6s  %s\n", "path (ours / peer)", "ours ns", "peer ns", "ratio", "goal", "");
    const char *only = argc > 2 ? argv[2] : "";
    for (Row &row : rows()) {
        if (std::strstr(row.name, only) == nullptr) continue;
        long n = std::max(1L, static_cast<long>(static_cast<double>(row.loop) * scale));
        row.ours(n / 10);  // warm both sides
        row.peer(n / 10);
        std::vector<double> ours, peer, ratio;
        for (int k = 0; k < rounds; ++k) {
            double a, b;
            if (k % 2 == 0) {
                a = row.ours(n);
                b = row.peer(n);
            } else {
                b = row.peer(n);
                a = row.ours(n);
            }
            ours.push_back(a / static_cast<double>(n));
            peer.push_back(b / static_cast<double>(n));
            ratio.push_back(a / b);
        }
        double m = median(ratio);
        std::printf("%-58s %10.1f %10.1f %8.2f %6.2f  %s\n", row.name, median(ours), median(peer), m, row.goal,
                    m <= row.goal ? "met" : "NOT met");
        std::fflush(stdout);
    }
    std::remove(floor_path().c_str());
    return 0;
}
