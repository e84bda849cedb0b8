// Operation log records: the seven writers, each appending one line of the
// form "<time>--<operation>,<name>:<value>,...\n" to the operation log.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/report.h"
#include "core/text.h"
#include "oplog/log_files.h"
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
constexpr const char *kOpNames[] = {"add", "del", "notify"};
constexpr int32_t kOpCount = int32_t(sizeof kOpNames / sizeof kOpNames[0]);
static_assert(kOpCount == 3, "operation names");

const char *op_name(int32_t op) { return op >= 0 && op < kOpCount ? kOpNames[op] : "unknown"; }

// The caller's private area: all of it decides whether it is printed, its
// head is what is printed.
constexpr int32_t kPrivSize = 32;
constexpr int kPrivShown = 16;

// One line under construction. Pieces are cut to the buffer; room for the
// longest line end (" \n") is always kept, so a cut line still ends whole.
using Line = Text<kLineSize, 2>;

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
    return append_line(func, line.str(), line.size());
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

int64_t write_acl(const ss_fp_appmng_acl_t *acl, const void *priv, int32_t op) {
    return write_record("ss_fp_log_op_acl", "\n", [&](Line &line) {
        line.add("acl_%s,", op_name(op));
        add_acl(line, acl);
        if (acl != nullptr) line.add("acl_cls:%d,", acl->acl_cls);
        add_private(line, priv);
    });
}

int64_t write_ace(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_ace_t *ace, const void *priv, int32_t op) {
    return write_record("ss_fp_log_op_ace", "\n", [&](Line &line) {
        line.add("ace_%s,", op_name(op));
        add_acl(line, acl);
        if (ace != nullptr)
            line.add("sn:%x,sub_sn:%x,def:%d,ace_pri:%" PRIu64 ",", ace->sn, ace->sub_sn, ace->is_default,
                     ace->ace_pri);
        add_private(line, priv);
    });
}

int64_t write_apply(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_apply_t *apply, const void *priv, int32_t op) {
    return write_record("ss_fp_log_op_apply", "\n", [&](Line &line) {
        line.add("apply_%s,", op_name(op));
        add_acl(line, acl);
        if (apply != nullptr)
            line.add("apply:%d,phyid:%x,pri:%x,dir:%d,", apply->app_type, apply->phyid, uint32_t(apply->pri),
                     apply->direction);
        add_private(line, priv);
    });
}

int64_t write_notify(const char *type, int32_t grp, int32_t mbr, int32_t type_num) {
    return write_record("ss_fp_log_notify", "\n", [&](Line &line) {
        line.add("type_%s_%d,", type != nullptr ? type : "null", type_num);
        if (type != nullptr) line.add("grp:%d,mbr:%d,", grp, mbr);
    });
}

int64_t write_pcl(const ssd_policy_pcl_t *pcl, int32_t op) {
    return write_record("ssd_policy_log_op_pcl", "\n", [&](Line &line) {
        line.add("pcl_%s, ", op_name(op));
        if (pcl != nullptr)
            line.add("stage:%d,vag:%d,pri:%llx,key_id:%d,key_width:%d,acl_id:%d,acl_type:%d,apply_type:%d,", pcl->stage,
                     pcl->vag, static_cast<unsigned long long>(pcl->pri), pcl->key_id, pcl->key_width, pcl->acl_id,
                     pcl->acl_type, pcl->apply_type);
    });
}

int64_t write_pcl_apply(const ssd_policy_pcl_apply_t *apply, int32_t op) {
    return write_record("ssd_policy_log_op_pcl_apply", "\n", [&](Line &line) {
        line.add("pcl_apply_%s,", op_name(op));
        if (apply != nullptr)
            line.add("bind_type:%d,bind_id:%d,pbmp:%-4x,%-4x,%-4x,%-4x", apply->bind_type, apply->bind_id,
                     apply->pbmp[0], apply->pbmp[1], apply->pbmp[2], apply->pbmp[3]);
    });
}

// The text line supplies its own end: one space, then the line end.
int64_t write_text(const char *text) {
    return write_record("ssd_policy_log", " \n", [&](Line &line) { line.add("%s", text != nullptr ? text : "null"); });
}

}  // namespace
}  // namespace oplog
}  // namespace fpss

extern "C" {

int64_t ss_fp_log_op_acl(const ss_fp_appmng_acl_t *acl, const void *priv, int32_t op) {
    return fpss::oplog::write_acl(acl, priv, op);
}

int64_t ss_fp_log_op_ace(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_ace_t *ace, const void *priv, int32_t op) {
    return fpss::oplog::write_ace(acl, ace, priv, op);
}

int64_t ss_fp_log_op_apply(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_apply_t *apply, const void *priv,
                           int32_t op) {
    return fpss::oplog::write_apply(acl, apply, priv, op);
}

int64_t ss_fp_log_notify(const char *type, int32_t grp, int32_t mbr, int32_t type_num) {
    return fpss::oplog::write_notify(type, grp, mbr, type_num);
}

int64_t ssd_policy_log_op_pcl(const ssd_policy_pcl_t *pcl, int32_t op) { return fpss::oplog::write_pcl(pcl, op); }

int64_t ssd_policy_log_op_pcl_apply(const ssd_policy_pcl_apply_t *apply, int32_t op) {
    return fpss::oplog::write_pcl_apply(apply, op);
}

int64_t ssd_policy_log(const char *text) { return fpss::oplog::write_text(text); }

}  // extern "C"
