// Fuzzes the seven operation-log writers with arbitrary records, operation
// numbers and texts under an arbitrary platform time text: any bytes, a
// buffer filled to its last byte with no NUL, or a failure. Records, private
// areas and texts live in blocks of exactly their size (exact_block.h).
//
// Every call must leave the files as the log promises: after a time failure
// nothing changes; otherwise one line is added, at most 1023 bytes, starting
// with the time text and "--" and ending in a line end (" \n" for the text
// writer), into the current file or, when that one is over the limit, into
// the other one, emptied and given the header first. The machine is given
// 1 GiB, so the files switch at 512 KiB: the two files of this program under
// /tmp/zlog/ss_fp_log stay near 1 MiB however long it runs. Run one process
// at a time: the check reads the files back.
#include <sys/stat.h>
#include <sys/sysinfo.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "exact_block.h"
#include "ss_fp_log_op.h"

namespace {

constexpr off_t kLimit = 512 * 1024;
constexpr char kHeader[] = "\n--------------log file-------------\n";

enum class Clock { kFails, kFilled, kText };
Clock g_clock = Clock::kText;
std::string g_time;  // the text, or what fills the buffer

std::string g_files[2];
int g_current = 0;  // the file that takes the next line

off_t size_of(int i) {
    struct stat st;
    return stat(g_files[i].c_str(), &st) == 0 ? st.st_size : -1;
}

std::string read_from(int i, off_t from) {
    std::ifstream f(g_files[i], std::ios::binary);
    f.seekg(from);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

template <class T>
fuzz::Block maybe(FuzzedDataProvider &in) {
    return fuzz::Block(in.ConsumeBool() ? fuzz::take(in, sizeof(T)) : std::vector<uint8_t>());
}

fuzz::Block maybe_text(FuzzedDataProvider &in, size_t max) {
    return fuzz::Block(in.ConsumeBool() ? fuzz::text(in, max) : std::vector<uint8_t>());
}

int32_t op(FuzzedDataProvider &in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 3) : in.ConsumeIntegral<int32_t>();
}

int64_t write_one(FuzzedDataProvider &in, int writer) {
    using Acl = ss_fp_appmng_acl_t;
    using Priv = uint8_t[32];
    switch (writer) {
        case 0: {
            fuzz::Block acl = maybe<Acl>(in), priv = maybe<Priv>(in);
            return ss_fp_log_op_acl(acl.as<Acl>(), priv.data(), op(in));
        }
        case 1: {
            fuzz::Block acl = maybe<Acl>(in), ace = maybe<ss_fp_appmng_ace_t>(in), priv = maybe<Priv>(in);
            return ss_fp_log_op_ace(acl.as<Acl>(), ace.as<ss_fp_appmng_ace_t>(), priv.data(), op(in));
        }
        case 2: {
            fuzz::Block acl = maybe<Acl>(in), apply = maybe<ss_fp_appmng_apply_t>(in), priv = maybe<Priv>(in);
            return ss_fp_log_op_apply(acl.as<Acl>(), apply.as<ss_fp_appmng_apply_t>(), priv.data(), op(in));
        }
        case 3: {
            fuzz::Block type = maybe_text(in, 1200);
            const int32_t grp = in.ConsumeIntegral<int32_t>(), mbr = in.ConsumeIntegral<int32_t>();
            return ss_fp_log_notify(type.as<char>(), grp, mbr, in.ConsumeIntegral<int32_t>());
        }
        case 4: {
            fuzz::Block pcl = maybe<ssd_policy_pcl_t>(in);
            return ssd_policy_log_op_pcl(pcl.as<ssd_policy_pcl_t>(), op(in));
        }
        case 5: {
            fuzz::Block apply = maybe<ssd_policy_pcl_apply_t>(in);
            return ssd_policy_log_op_pcl_apply(apply.as<ssd_policy_pcl_apply_t>(), op(in));
        }
        default: {
            fuzz::Block text = maybe_text(in, 2100);
            return ssd_policy_log(text.as<char>());
        }
    }
}

// The line the last writer added, where the switch rule puts it.
std::string added_line(const off_t (&before)[2]) {
    const bool switched = before[g_current] > kLimit;
    if (switched) g_current = 1 - g_current;
    FUZZ_CHECK(size_of(1 - g_current) == before[1 - g_current]);
    std::string line = read_from(g_current, switched ? 0 : before[g_current]);
    if (switched) {
        FUZZ_CHECK(line.compare(0, sizeof kHeader - 1, kHeader) == 0);
        line.erase(0, sizeof kHeader - 1);
    }
    return line;
}

}  // namespace

// The platform's time text, as the input sets it.
extern "C" __attribute__((visibility("default"))) char *qx_time_2_string(char *buf, size_t size) {
    if (g_clock == Clock::kFails || buf == nullptr || size == 0) return nullptr;
    if (g_clock == Clock::kText) return std::snprintf(buf, size, "%s", g_time.c_str()), buf;
    for (size_t i = 0; i < size; ++i) buf[i] = g_time.empty() ? 'x' : g_time[i % g_time.size()];
    g_time.assign(buf, size);
    return buf;
}

extern "C" __attribute__((visibility("default"))) int sysinfo(struct sysinfo *info) noexcept {
    std::memset(info, 0, sizeof *info);
    info->totalram = 1024 * 1024;
    info->mem_unit = 1024;
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::silence_stdout();
    std::string name;
    std::getline(std::ifstream("/proc/self/comm"), name);
    for (int i = 0; i < 2; ++i) g_files[i] = "/tmp/zlog/ss_fp_log/" + name + (i == 0 ? ".log" : "_1.log");
    if (ss_fp_log_op_init() != 0) {
        std::fprintf(stderr, "the operation log cannot start under /tmp/zlog\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int writer = in.ConsumeIntegralInRange<int>(0, 6);
    const int clock = in.ConsumeIntegralInRange<int>(0, 7);
    g_clock = clock == 0 ? Clock::kFails : clock == 1 ? Clock::kFilled : Clock::kText;
    g_time = in.ConsumeRandomLengthString(40);
    const off_t before[2] = {size_of(0), size_of(1)};
    FUZZ_CHECK(write_one(in, writer) == 0);
    if (g_clock == Clock::kFails) {
        FUZZ_CHECK(size_of(0) == before[0] && size_of(1) == before[1]);
        return 0;
    }
    const std::string line = added_line(before);
    std::string head = g_time.substr(0, 29);
    head = head.substr(0, head.find('\0')) + "--";
    const std::string end = writer == 6 ? " \n" : "\n";
    FUZZ_CHECK(line.size() <= 1023 && line.size() >= head.size() + end.size());
    FUZZ_CHECK(line.compare(0, head.size(), head) == 0 && line.compare(line.size() - end.size(), end.size(), end) == 0);
    return 0;
}
