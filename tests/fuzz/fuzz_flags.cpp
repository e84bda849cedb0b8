// Fuzzes what reads flag bitmaps and flag numbers: the rule and action flag
// dumps, the flag names, and the value offsets with which every walker finds
// a value in a packed area. Bitmaps live in blocks of exactly their record's
// words (exact_block.h). An offset must be the sum of the value sizes of the
// set flags below the flag, counting only named flags (rules 0 to 197,
// actions 0 to 46); a name exists exactly for the numbers that have one.
#include <cstdint>
#include <cstring>

#include "exact_block.h"
#include "ss_fp_appmng.h"
#include "ss_fp_debug.h"

namespace {

uint32_t sum_below(const uint32_t *bitmap, uint32_t flag, uint32_t end, uint32_t (*len)(uint32_t)) {
    uint32_t sum = 0;
    for (uint32_t f = 0; f < flag && f < end; ++f)
        if ((bitmap[f / 32] >> (f % 32)) & 1u) sum += len(f);
    return sum;
}

uint32_t flag_number(FuzzedDataProvider &in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 260) : in.ConsumeIntegral<uint32_t>();
}

// A bitmap of 'words' words, or now and then none.
fuzz::Block bitmap(FuzzedDataProvider &in, uint32_t words) {
    const bool null = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    return fuzz::Block(fuzz::take(in, null ? 0 : words * sizeof(uint32_t)));
}

template <uint32_t kWords, int (*Dump)(const uint32_t *)>
void dump(FuzzedDataProvider &in) {
    fuzz::Block bm = bitmap(in, kWords);
    FUZZ_CHECK(Dump(bm.as<uint32_t>()) == (bm.data() != nullptr ? 0 : -1));
}

template <uint32_t kWords, uint32_t kEnd, uint32_t (*Offset)(const uint32_t *, uint32_t), uint32_t (*Len)(uint32_t)>
void offset(FuzzedDataProvider &in) {
    fuzz::Block bm = bitmap(in, kWords);
    const uint32_t flag = flag_number(in);
    const uint32_t *words = bm.as<uint32_t>();
    FUZZ_CHECK(Offset(words, flag) == (words != nullptr ? sum_below(words, flag, kEnd, Len) : 0));
}

void names(FuzzedDataProvider &in) {
    const uint32_t rule = flag_number(in);
    const char *name = ss_fp_get_rule_name(rule);
    FUZZ_CHECK(rule <= SS_FP_RULE_MAX ? name != nullptr && !std::strcmp(name, fp_rule_flag_strings[rule]) : !name);
    const int32_t action = in.ConsumeIntegral<int32_t>();
    name = ss_fp_get_action_name(action);
    FUZZ_CHECK(action >= 1 && action < SS_FP_ACTION_MAX
                   ? name != nullptr && !std::strcmp(name, fp_action_flag_strings[action])
                   : !name);
}

void (*const kCases[])(FuzzedDataProvider &) = {
    dump<SS_FP_RULE_FLAG_WORDS, ss_fp_dump_rule_flag>,
    dump<SS_FP_ACTION_FLAG_WORDS, ss_fp_dump_action_flag>,
    names,
    offset<SS_FP_RULE_FLAG_WORDS, SS_FP_RULE_MAX, ss_fp_rule_value_offset, ss_fp_rule_value_len>,
    offset<SS_FP_ACTION_FLAG_WORDS, SS_FP_ACTION_MAX, ss_fp_action_value_offset, ss_fp_action_value_len>,
};

}  // namespace

FPSS_FUZZ_ONE_OF(kCases)
