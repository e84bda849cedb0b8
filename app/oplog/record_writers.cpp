// Operation log records: the seven writers, each appending one line of the
// form "<time>--<operation>,<name>:<value>,...\n" to the operation log.
#include <cinttypes>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "oplog/log_files.h"
#include "core/report.h"
#include "ss_fp_log_op.h"

namespace {
constexpr const fpss::Family &kFamily = fpss::family::kOplogRecords;
}  // namespace

// Layout of the pcl records as the policy daemon hands them over.
static_assert(std::is_standard_layout_v<ssd_policy_pcl_t>, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, stage) == 0, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, vag) == 8, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, pri) == 16, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, key_id) == 28, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, key_width) == 32, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, acl_id) == 44, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, apply_type) == 48, "pcl layout");
static_assert(offsetof(ssd_policy_pcl_t, acl_type) == 52, "pcl layout");
static_assert(sizeof(ssd_policy_pcl_t) == 56, "pcl layout");
static_assert(std::is_standard_layout_v<ssd_policy_pcl_apply_t>, "pcl apply layout");
static_assert(offsetof(ssd_policy_pcl_apply_t, bind_type) == 0, "pcl apply layout");
static_assert(offsetof(ssd_policy_pcl_apply_t, bind_id) == 4, "pcl apply layout");
static_assert(offsetof(ssd_policy_pcl_apply_t, pbmp) == 8, "pcl apply layout");
static_assert(sizeof(ssd_policy_pcl_apply_t) == 24, "pcl apply layout");

namespace fpss {
namespace oplog {
namespace {

// Names of the operation argument.
constexpr const char *ss_fp_log_op_string[] = {"add", "del", "notify"};
constexpr int32_t kOpCount = int32_t(sizeof ss_fp_log_op_string / sizeof ss_fp_log_op_string[0]);
static_assert(kOpCount == 3, "operation names");

const char *op_name(int32_t op) { return op >= 0 && op < kOpCount ? ss_fp_log_op_string[op] : "unknown"; }

// The caller's private area: all of it decides whether it is printed, its
// head is what is printed.
constexpr int32_t kPrivSize = 32;
constexpr int kPrivShown = 16;

// One line under construction. Pieces are cut to the buffer; room for the
// longest line end (" \n") is always kept, so a cut line still ends whole.
class Line {
  public:
    Line() { buf_[0] = '\0'; }

    void add(const char *fmt, ...) __attribute__((format(printf, 2, 3))) {
        if (len_ + 1 >= kBody) return;
        va_list ap;
        va_start(ap, fmt);
        int n = std::vsnprintf(buf_ + len_, kBody - len_, fmt, ap);
        va_end(ap);
        if (n < 0) {
            buf_[len_] = '\0';
            return;
        }
        len_ = len_ + size_t(n) < kBody - 1 ? len_ + size_t(n) : kBody - 1;
    }

    void finish(const char *end) {
        size_t n = std::strlen(end);
        std::memcpy(buf_ + len_, end, n + 1);
        len_ += n;
    }

    const char *text() const { return buf_; }
    size_t size() const { return len_; }

  private:
    static constexpr size_t kEndRoom = 2;
    static constexpr size_t kBody = kLineSize - kEndRoom;  // body and its NUL
    char buf_[kLineSize];
    size_t len_ = 0;
};

// The steps every writer shares: the time text, "--", the writer's own pieces
// (added by 'fill'), the line end, and the file.
template <class Fill>
int64_t write_record(const char *func, const char *end, Fill fill) {
    char now[kTimeSize];
    if (qx_time_2_string(now, sizeof now) == nullptr) return FPSS_ERROR(func, "log acl get time failed.\n");
    now[sizeof now - 1] = '\0';
    Line line;
    line.add("%s--", now);
    fill(line);
    line.finish(end);
    return append_line(func, line.text(), line.size());
}

void add_acl(Line &line, const ss_fp_appmng_acl_t *acl) {
    if (acl == nullptr) return;
    line.add("app:%d,acl_id:%d,", acl->app_type, acl->acl_id);
}

void add_private(Line &line, const void *priv) {
    if (priv == nullptr) return;
    const auto *bytes = static_cast<const uint8_t *>(priv);
    if (ss_fp_is_array_equal_zero(bytes, kPrivSize)) return;
    line.add("priv:");
    for (int i = 0; i < kPrivShown; ++i) line.add("%02x", bytes[i]);
}

}  // namespace
}  // namespace oplog
}  // namespace fpss

using fpss::oplog::Line;
using fpss::oplog::op_name;
using fpss::oplog::write_record;

extern "C" {

int64_t ss_fp_log_op_acl(const ss_fp_appmng_acl_t *acl, const void *priv, int32_t op) {
    return write_record("ss_fp_log_op_acl", "\n", [&](Line &line) {
        line.add("acl_%s,", op_name(op));
        fpss::oplog::add_acl(line, acl);
        if (acl != nullptr) line.add("acl_cls:%d,", acl->acl_cls);
        fpss::oplog::add_private(line, priv);
    });
}

int64_t ss_fp_log_op_ace(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_ace_t *ace, const void *priv, int32_t op) {
    return write_record("ss_fp_log_op_ace", "\n", [&](Line &line) {
        line.add("ace_%s,", op_name(op));
        fpss::oplog::add_acl(line, acl);
        if (ace != nullptr)
            line.add("sn:%x,sub_sn:%x,def:%d,ace_pri:%" PRIu64 ",", ace->sn, ace->sub_sn, ace->is_default,
                     ace->ace_pri);
        fpss::oplog::add_private(line, priv);
    });
}

int64_t ss_fp_log_op_apply(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_apply_t *apply, const void *priv,
                           int32_t op) {
    return write_record("ss_fp_log_op_apply", "\n", [&](Line &line) {
        line.add("apply_%s,", op_name(op));
        fpss::oplog::add_acl(line, acl);
        if (apply != nullptr)
            line.add("apply:%d,phyid:%x,pri:%x,dir:%d,", apply->app_type, apply->phyid, uint32_t(apply->pri),
                     apply->direction);
        fpss::oplog::add_private(line, priv);
    });
}

int64_t ss_fp_log_notify(const char *type, int32_t grp, int32_t mbr, int32_t type_num) {
    return write_record("ss_fp_log_notify", "\n", [&](Line &line) {
        line.add("type_%s_%d,", type != nullptr ? type : "null", type_num);
        if (type != nullptr) line.add("grp:%d,mbr:%d,", grp, mbr);
    });
}

int64_t ssd_policy_log_op_pcl(const ssd_policy_pcl_t *pcl, int32_t op) {
    return write_record("ssd_policy_log_op_pcl", "\n", [&](Line &line) {
        line.add("pcl_%s, ", op_name(op));
        if (pcl != nullptr)
            line.add("stage:%d,vag:%d,pri:%llx,key_id:%d,key_width:%d,acl_id:%d,acl_type:%d,apply_type:%d,",
                     pcl->stage, pcl->vag, static_cast<unsigned long long>(pcl->pri), pcl->key_id, pcl->key_width,
                     pcl->acl_id, pcl->acl_type, pcl->apply_type);
    });
}

int64_t ssd_policy_log_op_pcl_apply(const ssd_policy_pcl_apply_t *apply, int32_t op) {
    return write_record("ssd_policy_log_op_pcl_apply", "\n", [&](Line &line) {
        line.add("pcl_apply_%s,", op_name(op));
        if (apply != nullptr)
            line.add("bind_type:%d,bind_id:%d,pbmp:%-4x,%-4x,%-4x,%-4x", apply->bind_type, apply->bind_id,
                     apply->pbmp[0], apply->pbmp[1], apply->pbmp[2], apply->pbmp[3]);
    });
}

int64_t ssd_policy_log(const char *text) {
    return write_record("ssd_policy_log", " \n",
                        [&](Line &line) { line.add("%s", text != nullptr ? text : "null"); });
}

}  // extern "C"
