// Bitmaps over 32-bit words: bit 'b' is bit b % 32 of word b / 32.
//
// The request records carry their rule and action flags this way, and the
// exerciser builds its requests the same way. The caller owns the words and
// guarantees that 'bit' lies inside them; nothing here checks a bound.
//
//     uint32_t flags[SS_FP_RULE_FLAG_WORDS] = {};
//     fpss::bit_set(flags, SS_FP_RULE_VID);
//     if (fpss::bit_test(flags, SS_FP_RULE_VID)) ...
//
// Thread safety: plain reads and writes; the caller serialises writers.
#ifndef FPSS_CORE_BITS_H
#define FPSS_CORE_BITS_H

#include <cstdint>

namespace fpss {

constexpr uint32_t kWordBits = 32;

// Whether bit 'bit' of 'words' is set.
constexpr bool bit_test(const uint32_t *words, uint32_t bit) {
    return ((words[bit / kWordBits] >> (bit % kWordBits)) & 1u) != 0;
}

// Sets bit 'bit' of 'words'.
constexpr void bit_set(uint32_t *words, uint32_t bit) { words[bit / kWordBits] |= uint32_t{1} << (bit % kWordBits); }

// The number of words that hold 'bits' bits (64-bit, so no count overflows).
constexpr uint64_t bit_words(uint64_t bits) { return (bits + kWordBits - 1) / kWordBits; }

}  // namespace fpss

#endif  // FPSS_CORE_BITS_H
