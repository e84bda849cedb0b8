// Fuzzes the TCAM parameter dumps with arbitrary records: counts (comparators
// in use, UDF chunks) and selectors (interface kind, meter mode) take any
// value. Each record, and the rule and action block an entry points to, lives
// in a block of exactly its size (exact_block.h); a null record is refused.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "exact_block.h"
#include "ss_fp_tcam_dump.h"

namespace {

template <class T, int (*Dump)(const T *)>
void dump(FuzzedDataProvider &in) {
    const bool null = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    fuzz::Block rec(fuzz::take(in, null ? 0 : sizeof(T)));
    FUZZ_CHECK(Dump(rec.as<T>()) == (null ? -1 : 0));
}

void pbmp(FuzzedDataProvider &in) {
    fuzz::Block words(fuzz::take(in, SS_FP_TCAM_PBMP_WORDS * sizeof(uint32_t)));
    FUZZ_CHECK(ss_fp_dump_pbmp(words.as<uint32_t>()) == 0);
}

// An entry pointing to no block, or to one built from the rest of the input.
void entry(FuzzedDataProvider &in) {
    std::vector<uint8_t> bytes = fuzz::take(in, sizeof(tcam_entry_para_t));
    using Tlv = ss_fp_appmng_ace_tlv_t;
    fuzz::Block block(
        in.ConsumeBool() ? fuzz::record_with_values(in, sizeof(Tlv), offsetof(Tlv, rule_len), offsetof(Tlv, action_len))
                         : std::vector<uint8_t>());
    const Tlv *tlv = block.as<Tlv>();
    std::memcpy(bytes.data() + offsetof(tcam_entry_para_t, ace_tlv), &tlv, sizeof tlv);
    fuzz::Block rec(bytes);
    FUZZ_CHECK(dump_tcam_entry_para(rec.as<tcam_entry_para_t>()) == 0);
}

void (*const kCases[])(FuzzedDataProvider &) = {
    dump<key_info_t, dump_key_info>,
    dump<vag_para_t, dump_vag_para>,
    dump<comparator_para_t, dump_comparator_para>,
    dump<udf_para_t, dump_udf_para>,
    dump<meter_para_t, dump_meter_para>,
    pbmp,
    entry,
    dump<cnter_para_t, dump_cnter_para>,
    dump<bind_info_para_t, dump_bind_info_para>,
};

}  // namespace

FPSS_FUZZ_ONE_OF(kCases)
