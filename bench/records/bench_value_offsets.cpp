// Offsets of values in the packed value area: the sum of the value sizes of
// every set flag below the one asked for. Flag bitmaps typical of an IPv4
// five-tuple ACE and of a forward-and-count action; the argument is the flag
// asked for, low (few flags below it) and the highest of its kind (every
// word of the bitmap examined).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>

#include "ss_fp_appmng.h"

namespace {

template <size_t N>
void set_flags(uint32_t (&bitmap)[N], std::initializer_list<uint32_t> flags) {
    for (uint32_t f : flags) bitmap[f / 32] |= 1u << (f % 32);
}

void BM_RuleValueOffset(benchmark::State &state) {
    uint32_t rule[SS_FP_RULE_FLAG_WORDS] = {};
    set_flags(rule,
              {SS_FP_RULE_MAC_DST, SS_FP_RULE_VID, SS_FP_RULE_ETYPE, SS_FP_RULE_IPV4_PROTOCOL, SS_FP_RULE_IPV4_SRC,
               SS_FP_RULE_IPV4_DST, SS_FP_RULE_SRC_L4PORT, SS_FP_RULE_DST_L4PORT, SS_FP_RULE_L3_PKT_TYPE});
    const uint32_t flag = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(rule);
        benchmark::DoNotOptimize(ss_fp_rule_value_offset(rule, flag));
    }
}

void BM_ActionValueOffset(benchmark::State &state) {
    uint32_t action[SS_FP_ACTION_FLAG_WORDS] = {};
    set_flags(action,
              {SS_FP_ACTION_FWD, SS_FP_ACTION_REDIRECT, SS_FP_ACTION_METER, SS_FP_ACTION_COUNTER, SS_FP_ACTION_COS});
    const uint32_t flag = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(action);
        benchmark::DoNotOptimize(ss_fp_action_value_offset(action, flag));
    }
}

}  // namespace

BENCHMARK(BM_RuleValueOffset)->Arg(SS_FP_RULE_IPV4_DST)->Arg(SS_FP_RULE_L3_PKT_TYPE);
BENCHMARK(BM_ActionValueOffset)->Arg(SS_FP_ACTION_COUNTER)->Arg(SS_FP_ACTION_EM_CLASS);
