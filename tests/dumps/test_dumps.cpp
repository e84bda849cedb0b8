// Rule, action, record and TCAM dumps of patterned values and records against data files.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "fpss_test.h"
#include "fpss_values.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_tcam_dump.h"

using fpss_test::fill;
using fpss_test::pattern;
using fpss_test::run;

static int g_chips = 2, g_chip_calls = 0;  // the platform's chip count, replaced for this program
extern "C" int libddm_get_local_chip_num(void) { return ++g_chip_calls, g_chips; }

namespace {

// A patterned ACE, apply record or block with every flag set but bit i + 1 of
// word i; its lengths fall 'cut' bytes short of what the flags need.
template <class T>
std::vector<uint8_t> record(uint16_t cut) {
    uint32_t rules[SS_FP_RULE_FLAG_WORDS], actions[SS_FP_ACTION_FLAG_WORDS];
    for (uint32_t i = 0; i < SS_FP_RULE_FLAG_WORDS; ++i) rules[i] = ~(2u << i);
    std::memcpy(actions, rules, sizeof actions);
    const auto rule_len = static_cast<uint16_t>(ss_fp_rule_value_offset(rules, SS_FP_RULE_MAX) - cut);
    const auto action_len = static_cast<uint16_t>(ss_fp_action_value_offset(actions, SS_FP_ACTION_MAX) - cut);
    std::vector<uint8_t> b = pattern(sizeof(T) + rule_len + action_len, 0x81);
    T *r = reinterpret_cast<T *>(b.data());
    std::memcpy(r->rule_flags, rules, sizeof rules), std::memcpy(r->action_flags, actions, sizeof actions);
    r->rule_len = rule_len, r->action_len = action_len;
    return b;
}

// Each value in a block of exactly its size; the second seed zeroes first bytes.
TEST(ValueDumps, EveryRuleAndAction) {
    std::string out;
    for (uint8_t seed : {0x81, 0x00}) {
        for (uint32_t f = 0; f <= SS_FP_RULE_MAX + 2; ++f) {
            const std::vector<uint8_t> v = pattern(ss_fp_rule_value_len(f), seed);
            run(out, "rule " + std::to_string(f), [&] { return ss_fp_appmng_dump_rule(f, v.data()); });
        }
        for (uint32_t f = 0; f <= SS_FP_ACTION_MAX + 2; ++f) {
            const std::vector<uint8_t> v = pattern(ss_fp_action_value_len(f), seed);
            run(out, "action " + std::to_string(f), [&] { return ss_fp_appmng_dump_action(f, v.data()); });
        }
    }
    EXPECT_EQ(g_chip_calls, 6);  // only the port-mask listing asks: before each unit and once more
    const std::vector<uint8_t> v = pattern(192, 0x81);
    for (int chips : {0, -1, 1, 6, 10}) {
        g_chips = chips, g_chip_calls = 0;
        run(out, "ports", [&] { return ss_fp_appmng_dump_action(SS_FP_ACTION_EGRESS_MASK_PORTS, v.data()); });
        out += std::to_string(chips) + " chips, asked " + std::to_string(g_chip_calls);
    }
    std::apply([&](auto... dump) { (run(out, "address", [&] { return dump(v.data()); }), ...); },
               std::make_tuple(ss_fp_appmng_dump_mac, ss_fp_appmng_dump_ipv4, ss_fp_appmng_dump_ipv6));
    EXPECT_TRUE(fpss_test::golden("dumps/values.txt", out));
}

// Whole records, then 5 bytes short: values that no longer fit are named, not read.
TEST(RecordDumps, RecordsAndFlagWords) {
    std::string out;
    for (uint16_t cut : {0, 5}) {
        std::vector<uint8_t> ace = record<ss_fp_appmng_ace_t>(cut), block = record<ss_fp_appmng_ace_tlv_t>(cut);
        std::vector<uint8_t> apply = record<ss_fp_appmng_apply_t>(cut);
        run(out, "ace", [&] { return ss_fp_appmng_dump_ace(reinterpret_cast<ss_fp_appmng_ace_t *>(ace.data())); });
        run(out, "block",
            [&] { return ss_fp_appmng_dump_ace_tlv(reinterpret_cast<ss_fp_appmng_ace_tlv_t *>(block.data())); });
        run(out, "apply",
            [&] { return ss_fp_appmng_dump_apply(reinterpret_cast<ss_fp_appmng_apply_t *>(apply.data())); });
    }
    const std::vector<uint8_t> acl = pattern(sizeof(ss_fp_appmng_acl_t), 0x81);
    run(out, "acl", [&] { return ss_fp_appmng_dump_acl(reinterpret_cast<const ss_fp_appmng_acl_t *>(acl.data())); });
    const std::vector<uint8_t> words = pattern(32, 0x81);
    for (int32_t bits : {198, 128, 33, 32, 1, 0, -31, -40}) {
        run(out, "flags " + std::to_string(bits),
            [&] { return ss_fp_appmng_dump_flags(reinterpret_cast<const uint32_t *>(words.data()), bits); });
    }
    run(out, "buffer", [&] { return ss_fp_appmng_printf_buffer(words.data(), 1), 0; });
    run(out, "time", [] { return ss_fp_appmng_dump_time(); });  // local time, digits masked
    out = std::regex_replace(out, std::regex("Now is [0-9]{4}(/[0-9]{2}){2} ([0-9]{2}:){2}[0-9]{2}\n"),
                             "Now is <time>\n");
    EXPECT_TRUE(fpss_test::golden("dumps/records.txt", out));
}

TEST(TcamDumps, EveryRecordAndCase) {
    std::string out;
    key_info_t key;
    vag_para_t vag;
    comparator_para_t comp;
    udf_para_t udf;
    meter_para_t meter;
    cnter_para_t cnter;
    bind_info_para_t bind;
    tcam_entry_para_t e;
    fill(key, 0x81), fill(vag, 0x82), fill(comp, 0x83), fill(udf, 0x84), fill(meter, 0x85);
    fill(cnter, 0x87), fill(bind, 0x88), fill(e, 0x89);
    run(out, "key", [&] { return dump_key_info(&key); });
    run(out, "vag", [&] { return dump_vag_para(&vag); });
    for (uint32_t n : {0u, 1u, 2u, 9u})
        run(out, "comparators", [&] { return comp.count = n, dump_comparator_para(&comp); });
    for (int i = 0; i < SS_FP_TCAM_UDF_CLSFIER_MAX; i += 3) udf.clsfier[i].offset = SS_FP_TCAM_UDF_OFFSET_UNUSED;
    udf.clsfier[1].offset = 0;
    run(out, "udf", [&] { return dump_udf_para(&udf); });
    for (uint32_t m = 0; m <= 5; ++m) run(out, "meter", [&] { return meter.meter_mode = m, dump_meter_para(&meter); });
    run(out, "pbmp", [&] { return ss_fp_dump_pbmp(e.intf.pbmp); });
    run(out, "cnter", [&] { return dump_cnter_para(&cnter); });
    run(out, "bind", [&] { return dump_bind_info_para(&bind); });
    std::vector<uint8_t> block = record<ss_fp_appmng_ace_tlv_t>(0);
    const uint8_t chunks[] = {0, 2, 16, 200, 0};
    for (uint32_t kind = 0; kind <= 4; ++kind) {
        e.ace_tlv = kind == 0 ? reinterpret_cast<ss_fp_appmng_ace_tlv_t *>(block.data()) : nullptr;
        e.intf_type = kind == 4 ? 7 : kind, e.udf_chunk_num = chunks[kind];
        run(out, "entry", [&] { return dump_tcam_entry_para(&e); });
    }
    EXPECT_TRUE(fpss_test::golden("dumps/tcam.txt", out));
}

TEST(Dumps, NullValuesAndRecords) {
    std::string out;
    std::apply([&](auto... dump) { (run(out, "null", [&] { return dump(nullptr); }), ...); },
               std::make_tuple([](const void *v) { return ss_fp_appmng_dump_rule(SS_FP_RULE_COS, v); },
                               [](const void *v) { return ss_fp_appmng_dump_rule(SS_FP_RULE_IN_PORTS, v); },
                               [](const void *v) { return ss_fp_appmng_dump_rule(4000000000u, v); },
                               [](const void *v) { return ss_fp_appmng_dump_action(SS_FP_ACTION_CTRL, v); },
                               [](const void *v) { return ss_fp_appmng_dump_action(SS_FP_ACTION_REDIRECT_VLAN, v); },
                               [](const void *v) { return ss_fp_appmng_printf_buffer(v, 1), 0; },
                               [](const uint32_t *w) { return ss_fp_appmng_dump_flags(w, 32); }, ss_fp_appmng_dump_mac,
                               ss_fp_appmng_dump_ipv4, ss_fp_appmng_dump_ipv6, ss_fp_appmng_dump_acl,
                               ss_fp_appmng_dump_ace, ss_fp_appmng_dump_ace_tlv, ss_fp_appmng_dump_apply, dump_key_info,
                               dump_vag_para, dump_comparator_para, dump_udf_para, dump_meter_para, ss_fp_dump_pbmp,
                               dump_tcam_entry_para, dump_cnter_para, dump_bind_info_para));
    EXPECT_TRUE(fpss_test::golden("dumps/nulls.txt", out));
}

}  // namespace
