// Dumps of whole request records: ACL, ACE, rule and action block, apply
// record, with the two walks that decode every set rule and action.
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "core/bits.h"
#include "dumps/dump_out.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"

namespace fpss {
namespace {

// What a walk needs to know of the rule values of a record.
struct RuleValues {
    static constexpr uint32_t kLast = SS_FP_RULE_MAX - 1;
    static uint32_t len(uint32_t f) { return ss_fp_rule_value_len(f); }
    static uint32_t offset(const uint32_t *bm, uint32_t f) { return ss_fp_rule_value_offset(bm, f); }
    static int dump(uint32_t f, const void *v) { return ss_fp_appmng_dump_rule(f, v); }
};

// The same for the action values.
struct ActionValues {
    static constexpr uint32_t kLast = SS_FP_ACTION_MAX - 1;
    static uint32_t len(uint32_t f) { return ss_fp_action_value_len(f); }
    static uint32_t offset(const uint32_t *bm, uint32_t f) { return ss_fp_action_value_offset(bm, f); }
    static int dump(uint32_t f, const void *v) { return ss_fp_appmng_dump_action(f, v); }
};

// The line a walk prints before each flag's value: the prefix, the flag
// number, the suffix.
struct FlagLine {
    const char *prefix;
    const char *suffix;
};
constexpr FlagLine kRuleLine{"\r\nrule_flag = ", ""};
constexpr FlagLine kActionLine{"\r\naction_flag = ", ""};
constexpr FlagLine kApplyActionLine{"\r\naction flag = ", ""};
constexpr FlagLine kApplyRuleLine{"\r\n\nrule_flag = ", "\n"};

// Prints the flag line of each set flag and decodes its value. 'values' is the
// start of the kind's values and 'avail' their byte count in the record: a
// value that would reach past them (a bitmap that disagrees with the record's
// lengths) is named but not read.
template <class V>
void walk(const uint32_t *bitmap, const uint8_t *values, uint32_t avail, const FlagLine &line) {
    for (uint32_t f = 0; f <= V::kLast; ++f) {
        if (!bit_test(bitmap, f)) continue;
        say("%s%d%s", line.prefix, static_cast<int>(f), line.suffix);
        const uint32_t len = V::len(f);
        const uint32_t off = V::offset(bitmap, f);
        if (len == 0) {
            V::dump(f, nullptr);  // nothing to read
        } else if (static_cast<uint64_t>(off) + len <= avail) {
            V::dump(f, values + off);
        } else {
            say("\r\nNO VALUE IN RECORD, FLAG:%d", static_cast<int>(f));
        }
    }
}

// The words that hold 'nbits' bits; none for a count of 0 or below.
int dump_flags(const uint32_t *words, int32_t nbits) {
    std::puts("\r");
    const uint64_t n = nbits > 0 ? bit_words(static_cast<uint64_t>(nbits)) : 0;
    for (uint64_t i = 0; i < n; ++i) std::printf("flag[%d] = 0x%x ", static_cast<int>(i), words[i]);
    return 0;
}

// The bitmaps as words: a rule bitmap's flags below its count marker, an
// action bitmap's every word.
constexpr int32_t kRuleBits = SS_FP_RULE_MAX;
constexpr int32_t kActionBits = SS_FP_ACTION_FLAG_WORDS * kWordBits;

int dump_time() {
    char text[128] = "";
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) std::strftime(text, sizeof text, "Now is %Y/%m/%d %H:%M:%S", &local);
    std::printf("\n%s\n", text);
    return 0;
}

int dump_acl(const ss_fp_appmng_acl_t &acl) {
    say("\r\nacl_cls = %d, acl_id = %d, app_type = %d, vdc_id = %d", acl.acl_cls, acl.acl_id, acl.app_type, acl.vdc_id);
    return 0;
}

int dump_ace_tlv(const ss_fp_appmng_ace_tlv_t &block) {
    say("\r\nrule_len %d, action_len = %d, rule_flags/action_flags", block.rule_len, block.action_len);
    dump_flags(block.rule_flags, kRuleBits);
    dump_flags(block.action_flags, kActionBits);
    walk<RuleValues>(block.rule_flags, block.buffer, block.rule_len, kRuleLine);
    walk<ActionValues>(block.action_flags, block.buffer + block.rule_len, block.action_len, kActionLine);
    return 0;
}

int dump_ace(const ss_fp_appmng_ace_t &ace) {
    const unsigned rule_len = ace.rule_len;
    const unsigned action_len = ace.action_len;
    say("\r\nis_default = %d, ace_pri = %lu, sn = %u, sub_sn = %u, rule_len %u, action_len = %u ace_info_len = %u",
        ace.is_default, static_cast<unsigned long>(ace.ace_pri), ace.sn, ace.sub_sn, rule_len, action_len,
        rule_len + action_len + static_cast<unsigned>(sizeof(ss_fp_appmng_ace_t)));
    say("\r\nrule_flags:");
    dump_flags(ace.rule_flags, kRuleBits);
    say("\r\naction_flags:");
    dump_flags(ace.action_flags, kActionBits);
    ss_fp_appmng_printf_buffer(ace.buffer, rule_len + action_len);
    walk<RuleValues>(ace.rule_flags, ace.buffer, rule_len, kRuleLine);
    walk<ActionValues>(ace.action_flags, ace.buffer + rule_len, action_len, kActionLine);
    return 0;
}

int dump_apply(const ss_fp_appmng_apply_t &apply) {
    say("\r\nifx = %d, app_type = %d, direction = %d, phyid = %d, pri = %d, vgp_id = %d, action_len = %d,"
        "rule_len = %d, intf_type = %d, vid_type = %d",
        apply.ifx, apply.app_type, apply.direction, static_cast<int>(apply.phyid), apply.pri, apply.vgp_id,
        apply.action_len, apply.rule_len, apply.intf_type, apply.vid_type);
    say("\r\nbind_type= %d, bind_id=%d.", apply.bind_type, apply.bind_id);
    ss_fp_appmng_printf_buffer(apply.buffer, apply.action_len);
    dump_flags(apply.action_flags, kActionBits);
    // The apply record keeps its actions first.
    walk<ActionValues>(apply.action_flags, apply.buffer, apply.action_len, kApplyActionLine);
    walk<RuleValues>(apply.rule_flags, apply.buffer + apply.action_len, apply.rule_len, kApplyRuleLine);
    return 0;
}

}  // namespace
}  // namespace fpss

extern "C" {

int ss_fp_appmng_dump_time(void) { return fpss::dump_time(); }

void ss_fp_appmng_printf_buffer(const void *buffer, uint32_t /*len*/) {
    if (buffer == nullptr) fpss::say_null("ss_fp_appmng_printf_buffer", __LINE__);
}

int ss_fp_appmng_dump_flags(const uint32_t *words, int32_t nbits) {
    FPSS_DUMP_REQUIRE(words, "ss_fp_appmng_dump_flags");
    return fpss::dump_flags(words, nbits);
}

int ss_fp_appmng_dump_acl(const ss_fp_appmng_acl_t *acl) {
    FPSS_DUMP_REQUIRE(acl, "ss_fp_appmng_dump_acl");
    return fpss::dump_acl(*acl);
}

int ss_fp_appmng_dump_ace_tlv(const ss_fp_appmng_ace_tlv_t *block) {
    FPSS_DUMP_REQUIRE(block, "ss_fp_appmng_dump_ace_tlv");
    return fpss::dump_ace_tlv(*block);
}

int ss_fp_appmng_dump_ace(const ss_fp_appmng_ace_t *ace) {
    FPSS_DUMP_REQUIRE(ace, "ss_fp_appmng_dump_ace");
    return fpss::dump_ace(*ace);
}

int ss_fp_appmng_dump_apply(const ss_fp_appmng_apply_t *apply) {
    FPSS_DUMP_REQUIRE(apply, "ss_fp_appmng_dump_apply");
    return fpss::dump_apply(*apply);
}

}  // extern "C"
