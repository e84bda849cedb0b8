// Fuzzes the request-record dumps: rule and action values of any flag; ACE,
// block and apply records whose lengths match the bytes after their head; the
// ACL dump, the flag words with any bit count, the value-area check and the
// address printers. Every value and record lives in a block of exactly its
// size (exact_block.h).
#include <cstddef>
#include <cstdint>

#include "exact_block.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"

namespace {

int g_chips = 1;

uint32_t flag(FuzzedDataProvider &in, uint32_t near) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, near) : in.ConsumeIntegral<uint32_t>();
}

void rule(FuzzedDataProvider &in) {
    const uint32_t f = flag(in, 200);
    fuzz::Block v(fuzz::take(in, ss_fp_rule_value_len(f)));
    FUZZ_CHECK(ss_fp_appmng_dump_rule(f, v.data()) == 0);
}

void action(FuzzedDataProvider &in) {
    const uint32_t f = flag(in, 50);
    fuzz::Block v(fuzz::take(in, ss_fp_action_value_len(f)));
    FUZZ_CHECK(ss_fp_appmng_dump_action(f, v.data()) == 0);
}

// A record with its two value lengths at offsets A and B, in storage order.
template <class T, size_t A, size_t B, int (*Dump)(const T *)>
void record(FuzzedDataProvider &in) {
    fuzz::Block r(fuzz::record_with_values(in, sizeof(T), A, B));
    FUZZ_CHECK(Dump(r.as<T>()) == 0);
}

void acl(FuzzedDataProvider &in) {
    fuzz::Block r(fuzz::take(in, sizeof(ss_fp_appmng_acl_t)));
    FUZZ_CHECK(ss_fp_appmng_dump_acl(r.as<ss_fp_appmng_acl_t>()) == 0);
}

// Exactly the words that 'nbits' bits take; a count of 0 or below reads
// none, which a one-byte block shows.
void flag_words(FuzzedDataProvider &in) {
    const int32_t nbits = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-64, 1 << 14)
                                           : in.ConsumeIntegralInRange<int32_t>(INT32_MIN, 0);
    fuzz::Block w(fuzz::take(in, nbits > 0 ? (size_t(nbits) + 31) / 32 * 4 : 1));
    FUZZ_CHECK(ss_fp_appmng_dump_flags(w.as<uint32_t>(), nbits) == 0);
}

void value_area(FuzzedDataProvider &in) {
    const uint32_t len = in.ConsumeIntegral<uint32_t>();
    fuzz::Block area(fuzz::take(in, in.ConsumeIntegralInRange<size_t>(0, 4)));
    ss_fp_appmng_printf_buffer(area.data(), len);
}

// An address pair of its exact size, or none.
void address(FuzzedDataProvider &in) {
    static int (*const printers[])(const void *) = {ss_fp_appmng_dump_mac, ss_fp_appmng_dump_ipv4,
                                                    ss_fp_appmng_dump_ipv6};
    static const size_t sizes[] = {12, 8, 32};
    const size_t which = in.ConsumeIntegralInRange<size_t>(0, 2);
    const bool given = in.ConsumeBool();
    fuzz::Block pair(fuzz::take(in, given ? sizes[which] : 0));
    FUZZ_CHECK(printers[which](pair.data()) == (given ? 0 : -1));
}

using Ace = ss_fp_appmng_ace_t;
using Apply = ss_fp_appmng_apply_t;
using Tlv = ss_fp_appmng_ace_tlv_t;
void (*const kCases[])(FuzzedDataProvider &) = {
    rule,
    action,
    record<Ace, offsetof(Ace, rule_len), offsetof(Ace, action_len), ss_fp_appmng_dump_ace>,
    record<Apply, offsetof(Apply, action_len), offsetof(Apply, rule_len), ss_fp_appmng_dump_apply>,
    record<Tlv, offsetof(Tlv, rule_len), offsetof(Tlv, action_len), ss_fp_appmng_dump_ace_tlv>,
    acl,
    flag_words,
    value_area,
    address,
};

}  // namespace

extern "C" int libddm_get_local_chip_num(void) { return g_chips; }

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::silence_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    g_chips = in.ConsumeIntegralInRange<int>(-1, 10);
    fuzz::run_one_of(kCases, in);
    return 0;
}
