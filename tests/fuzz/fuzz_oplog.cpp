// Fuzzes the seven operation-log writers with arbitrary records, private areas, numbers and texts, each
// in a block of exactly its size or none (exact_block.h), under a time text of any bytes, one filling its
// buffer without a NUL, or a failure. A failure changes no file; otherwise one line is added (the time text,
// "--", at most 1023 bytes, a line end) to the current file or, past the limit (512 KiB of the 1 GiB this
// program fakes), to the other, emptied and given the header. One process at a time: it reads them back.
#include <sys/stat.h>
#include <sys/sysinfo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

enum class Clock { kFails, kFilled, kText } g_clock = Clock::kText;
std::string g_time;  // the text, or what fills the buffer

std::string g_files[2];
int g_current = 0;  // the file that takes the next line

off_t size_of(int i) {
    struct stat st;
    return stat(g_files[i].c_str(), &st) == 0 ? st.st_size : -1;
}

fuzz::Block maybe(FuzzedDataProvider &in, size_t n) {
    return fuzz::Block(in.ConsumeBool() ? fuzz::take(in, n) : std::vector<uint8_t>());
}

int64_t write_one(FuzzedDataProvider &in, int writer) {
    using Acl = ss_fp_appmng_acl_t;
    constexpr size_t kRecord[] = {0, sizeof(ss_fp_appmng_ace_t), sizeof(ss_fp_appmng_apply_t),
                                  0, sizeof(ssd_policy_pcl_t),   sizeof(ssd_policy_pcl_apply_t),
                                  0};
    const fuzz::Block acl = maybe(in, sizeof(Acl)), rec = maybe(in, kRecord[writer]), priv = maybe(in, 32);
    const fuzz::Block text(in.ConsumeBool() ? fuzz::text(in, writer == 3 ? 1200 : 2100) : std::vector<uint8_t>());
    const int32_t op = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 3) : in.ConsumeIntegral<int32_t>();
    const int32_t grp = in.ConsumeIntegral<int32_t>(), mbr = in.ConsumeIntegral<int32_t>();
    return writer == 0   ? ss_fp_log_op_acl(acl.as<Acl>(), priv.data(), op)
           : writer == 1 ? ss_fp_log_op_ace(acl.as<Acl>(), rec.as<ss_fp_appmng_ace_t>(), priv.data(), op)
           : writer == 2 ? ss_fp_log_op_apply(acl.as<Acl>(), rec.as<ss_fp_appmng_apply_t>(), priv.data(), op)
           : writer == 3 ? ss_fp_log_notify(text.as<char>(), grp, mbr, op)
           : writer == 4 ? ssd_policy_log_op_pcl(rec.as<ssd_policy_pcl_t>(), op)
           : writer == 5 ? ssd_policy_log_op_pcl_apply(rec.as<ssd_policy_pcl_apply_t>(), op)
                         : ssd_policy_log(text.as<char>());
}

// The text the last writer added, where the switch rule puts it; the other file must be unchanged.
std::string added_text(const off_t (&before)[2]) {
    const bool switched = before[g_current] > kLimit;
    g_current ^= switched;
    FUZZ_CHECK(size_of(1 - g_current) == before[1 - g_current]);
    std::ifstream f(g_files[g_current], std::ios::binary);
    f.seekg(switched ? 0 : before[g_current]);
    const std::string text(std::istreambuf_iterator<char>(f), {});
    FUZZ_CHECK(!switched || text.compare(0, sizeof kHeader - 1, kHeader) == 0);
    return switched ? text.substr(sizeof kHeader - 1) : text;
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
    info->totalram = 1024 * 1024, info->mem_unit = 1024;
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::silence_stdout();
    std::string name;
    std::getline(std::ifstream("/proc/self/comm"), name);
    for (int i = 0; i < 2; ++i) g_files[i] = "/tmp/zlog/ss_fp_log/" + name + (i == 0 ? ".log" : "_1.log");
    if (ss_fp_log_op_init() != 0) std::abort();  // the log cannot start under /tmp/zlog
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int writer = in.ConsumeIntegralInRange<int>(0, 6), clock = in.ConsumeIntegralInRange<int>(0, 7);
    g_clock = clock == 0 ? Clock::kFails : clock == 1 ? Clock::kFilled : Clock::kText;
    g_time = in.ConsumeRandomLengthString(40);
    const off_t before[2] = {size_of(0), size_of(1)};
    FUZZ_CHECK(write_one(in, writer) == 0);
    if (g_clock == Clock::kFails) return FUZZ_CHECK(size_of(0) == before[0] && size_of(1) == before[1]), 0;
    const std::string line = added_text(before), head = std::string(g_time.substr(0, 29).c_str()) + "--";
    const std::string end = writer == 6 ? " \n" : "\n";
    FUZZ_CHECK(line.size() <= 1023 && line.size() >= head.size() + end.size());
    FUZZ_CHECK(line.compare(0, head.size(), head) == 0 && line.compare(line.size() - end.size(), end.size(), end) == 0);
    return 0;
}
