// Dumps of whole request records: ACL, ACE, rule and action block, apply
// record, with the two walks that decode every set rule and action.
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "dumps/dump_out.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"

namespace fpss {
namespace {

// What a walk needs to know of one kind of value.
struct RuleKind {
    static constexpr uint32_t kLast = SS_FP_RULE_MAX - 1;
    static uint32_t len(uint32_t f) { return ss_fp_rule_value_len(f); }
    static uint32_t offset(const uint32_t *bm, uint32_t f) { return ss_fp_rule_value_offset(bm, f); }
    static int dump(uint32_t f, const void *v) { return ss_fp_appmng_dump_rule(f, v); }
};

struct ActionKind {
    static constexpr uint32_t kLast = SS_FP_ACTION_MAX - 1;
    static uint32_t len(uint32_t f) { return ss_fp_action_value_len(f); }
    static uint32_t offset(const uint32_t *bm, uint32_t f) { return ss_fp_action_value_offset(bm, f); }
    static int dump(uint32_t f, const void *v) { return ss_fp_appmng_dump_action(f, v); }
};

bool is_set(const uint32_t *bm, uint32_t f) { return (bm[f / 32] >> (f % 32) & 1U) != 0; }

// Prints 'line' with each set flag and decodes its value. 'values' is the
// start of the kind's values and 'avail' their byte count in the record: a
// value that would reach past them (a bitmap that disagrees with the record's
// lengths) is named but not read.
template <class K>
void walk(const uint32_t *bitmap, const uint8_t *values, uint32_t avail, const char *line) {
    for (uint32_t f = 0; f <= K::kLast; ++f) {
        if (!is_set(bitmap, f)) continue;
        say(line, static_cast<int>(f));
        const uint32_t len = K::len(f);
        const uint32_t off = K::offset(bitmap, f);
        if (len == 0) {
            K::dump(f, nullptr);  // nothing to read
        } else if (static_cast<uint64_t>(off) + len <= avail) {
            K::dump(f, values + off);
        } else {
            say("\r\nNO VALUE IN RECORD, FLAG:%d", static_cast<int>(f));
        }
    }
}

int dump_flags(const uint32_t *words, int32_t nbits) {
    std::puts("\r");
    // In 64 bits: a count near INT32_MAX must not overflow.
    const int64_t n = (static_cast<int64_t>(nbits) + 31) / 32;
    for (int64_t i = 0; i < n; ++i) std::printf("flag[%d] = 0x%x ", static_cast<int>(i), words[i]);
    return 0;
}

}  // namespace
}  // namespace fpss

extern "C" {

int ss_fp_appmng_dump_time(void) {
    char text[128] = "";
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) std::strftime(text, sizeof text, "Now is %Y/%m/%d %H:%M:%S", &local);
    std::printf("\n%s\n", text);
    return 0;
}

void ss_fp_appmng_printf_buffer(const void *buffer, uint32_t /*len*/) {
    if (buffer == nullptr) fpss::say_null("ss_fp_appmng_printf_buffer", __LINE__);
}

int ss_fp_appmng_dump_flags(const uint32_t *words, int32_t nbits) {
    FPSS_DUMP_REQUIRE(words, "ss_fp_appmng_dump_flags");
    return fpss::dump_flags(words, nbits);
}

int ss_fp_appmng_dump_acl(const ss_fp_appmng_acl_t *acl) {
    FPSS_DUMP_REQUIRE(acl, "ss_fp_appmng_dump_acl");
    fpss::say("\r\nacl_cls = %d, acl_id = %d, app_type = %d, vdc_id = %d", acl->acl_cls, acl->acl_id, acl->app_type,
              acl->vdc_id);
    return 0;
}

int ss_fp_appmng_dump_ace_tlv(const ss_fp_appmng_ace_tlv_t *block) {
    FPSS_DUMP_REQUIRE(block, "ss_fp_appmng_dump_ace_tlv");
    fpss::say("\r\nrule_len %d, action_len = %d, rule_flags/action_flags", block->rule_len, block->action_len);
    fpss::dump_flags(block->rule_flags, SS_FP_RULE_MAX);
    fpss::dump_flags(block->action_flags, SS_FP_ACTION_FLAG_WORDS * 32);
    fpss::walk<fpss::RuleKind>(block->rule_flags, block->buffer, block->rule_len, "\r\nrule_flag = %d");
    fpss::walk<fpss::ActionKind>(block->action_flags, block->buffer + block->rule_len, block->action_len,
                                 "\r\naction_flag = %d");
    return 0;
}

int ss_fp_appmng_dump_ace(const ss_fp_appmng_ace_t *ace) {
    FPSS_DUMP_REQUIRE(ace, "ss_fp_appmng_dump_ace");
    const unsigned rule_len = ace->rule_len;
    const unsigned action_len = ace->action_len;
    fpss::say("\r\nis_default = %d, ace_pri = %lu, sn = %u, sub_sn = %u, rule_len %u, action_len = %u ace_info_len = %u",
              ace->is_default, static_cast<unsigned long>(ace->ace_pri), ace->sn, ace->sub_sn, rule_len, action_len,
              rule_len + action_len + static_cast<unsigned>(sizeof(ss_fp_appmng_ace_t)));
    fpss::say("\r\nrule_flags:");
    fpss::dump_flags(ace->rule_flags, SS_FP_RULE_MAX);
    fpss::say("\r\naction_flags:");
    fpss::dump_flags(ace->action_flags, SS_FP_ACTION_FLAG_WORDS * 32);
    ss_fp_appmng_printf_buffer(ace->buffer, rule_len + action_len);
    fpss::walk<fpss::RuleKind>(ace->rule_flags, ace->buffer, rule_len, "\r\nrule_flag = %d");
    fpss::walk<fpss::ActionKind>(ace->action_flags, ace->buffer + rule_len, action_len, "\r\naction_flag = %d");
    return 0;
}

int ss_fp_appmng_dump_apply(const ss_fp_appmng_apply_t *apply) {
    FPSS_DUMP_REQUIRE(apply, "ss_fp_appmng_dump_apply");
    fpss::say("\r\nifx = %d, app_type = %d, direction = %d, phyid = %d, pri = %d, vgp_id = %d, action_len = %d,"
              "rule_len = %d, intf_type = %d, vid_type = %d",
              apply->ifx, apply->app_type, apply->direction, static_cast<int>(apply->phyid), apply->pri,
              apply->vgp_id, apply->action_len, apply->rule_len, apply->intf_type, apply->vid_type);
    fpss::say("\r\nbind_type= %d, bind_id=%d.", apply->bind_type, apply->bind_id);
    ss_fp_appmng_printf_buffer(apply->buffer, apply->action_len);
    fpss::dump_flags(apply->action_flags, SS_FP_ACTION_FLAG_WORDS * 32);
    // The apply record keeps its actions first.
    fpss::walk<fpss::ActionKind>(apply->action_flags, apply->buffer, apply->action_len, "\r\naction flag = %d");
    fpss::walk<fpss::RuleKind>(apply->rule_flags, apply->buffer + apply->action_len, apply->rule_len,
                               "\r\n\nrule_flag = %d\n");
    return 0;
}

}  // extern "C"
