// Fuzzes the rule and action dumps with arbitrary flags and value bytes, and
// the ACE, block and apply dumps with arbitrary records whose lengths match
// the bytes that follow their head. Every value and record lives in a heap
// block of exactly its size, so AddressSanitizer reports any read outside it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"

namespace {

int g_chips = 1;

// Copies 'bytes' into a block of exactly their size and dumps it.
template <class F>
void with_exact(const std::vector<uint8_t> &bytes, F dump) {
    if (bytes.empty()) {
        dump(static_cast<const uint8_t *>(nullptr));
        return;
    }
    auto *p = new uint8_t[bytes.size()];
    std::memcpy(p, bytes.data(), bytes.size());
    dump(static_cast<const uint8_t *>(p));
    delete[] p;
}

// A record: its head from the input, with 'len_a' and 'len_b' (the two value
// lengths, at offsets off_a and off_b of the head) set to split what remains
// of the input (at most 65535 bytes each).
std::vector<uint8_t> make_record(FuzzedDataProvider &in, size_t head, size_t off_a, size_t off_b) {
    std::vector<uint8_t> rec = in.ConsumeBytes<uint8_t>(head);
    rec.resize(head);
    std::vector<uint8_t> values = in.ConsumeRemainingBytes<uint8_t>();
    if (values.size() > 2 * 65535) values.resize(2 * 65535);
    const size_t split = values.empty() ? 0 : values[0] % (values.size() + 1);
    const uint16_t a = static_cast<uint16_t>(split > 65535 ? 65535 : split);
    const uint16_t b = static_cast<uint16_t>(values.size() - a > 65535 ? 65535 : values.size() - a);
    values.resize(static_cast<size_t>(a) + b);
    std::memcpy(rec.data() + off_a, &a, 2);
    std::memcpy(rec.data() + off_b, &b, 2);
    rec.insert(rec.end(), values.begin(), values.end());
    return rec;
}

}  // namespace

extern "C" int libddm_get_local_chip_num(void) { return g_chips; }

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The dumps print a lot; only their reads matter here.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    g_chips = in.ConsumeIntegralInRange<int>(-1, 10);
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: {
            const uint32_t flag =
                in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 200) : in.ConsumeIntegral<uint32_t>();
            std::vector<uint8_t> v = in.ConsumeBytes<uint8_t>(ss_fp_rule_value_len(flag));
            v.resize(ss_fp_rule_value_len(flag));
            with_exact(v, [&](const uint8_t *p) { ss_fp_appmng_dump_rule(flag, p); });
            break;
        }
        case 1: {
            const uint32_t flag =
                in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 50) : in.ConsumeIntegral<uint32_t>();
            std::vector<uint8_t> v = in.ConsumeBytes<uint8_t>(ss_fp_action_value_len(flag));
            v.resize(ss_fp_action_value_len(flag));
            with_exact(v, [&](const uint8_t *p) { ss_fp_appmng_dump_action(flag, p); });
            break;
        }
        case 2: {
            std::vector<uint8_t> r = make_record(in, sizeof(ss_fp_appmng_ace_t), offsetof(ss_fp_appmng_ace_t, rule_len),
                                                 offsetof(ss_fp_appmng_ace_t, action_len));
            with_exact(
                r, [](const uint8_t *p) { ss_fp_appmng_dump_ace(reinterpret_cast<const ss_fp_appmng_ace_t *>(p)); });
            break;
        }
        case 3: {
            std::vector<uint8_t> r =
                make_record(in, sizeof(ss_fp_appmng_apply_t), offsetof(ss_fp_appmng_apply_t, action_len),
                            offsetof(ss_fp_appmng_apply_t, rule_len));
            with_exact(r, [](const uint8_t *p) {
                ss_fp_appmng_dump_apply(reinterpret_cast<const ss_fp_appmng_apply_t *>(p));
            });
            break;
        }
        default: {
            std::vector<uint8_t> r =
                make_record(in, sizeof(ss_fp_appmng_ace_tlv_t), offsetof(ss_fp_appmng_ace_tlv_t, rule_len),
                            offsetof(ss_fp_appmng_ace_tlv_t, action_len));
            with_exact(r, [](const uint8_t *p) {
                ss_fp_appmng_dump_ace_tlv(reinterpret_cast<const ss_fp_appmng_ace_tlv_t *>(p));
            });
            break;
        }
    }
    return 0;
}
