// Readers of packed, unaligned values in host byte order.
//
// The value areas of the policy records pack 16-, 32- and 64-bit fields at any
// byte address. These readers copy the bytes out with memcpy, which is defined
// for any alignment (a cast pointer is not) and compiles to one plain load.
//
//     uint32_t next_hop = fpss::load_u32(value, 8);
#ifndef FPSS_CORE_BYTES_H
#define FPSS_CORE_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fpss {

template <class T>
inline T load_as(const void *base, size_t offset) {
    T v;
    std::memcpy(&v, static_cast<const unsigned char *>(base) + offset, sizeof v);
    return v;
}

inline uint8_t load_u8(const void *base, size_t offset) { return load_as<uint8_t>(base, offset); }
inline uint16_t load_u16(const void *base, size_t offset) { return load_as<uint16_t>(base, offset); }
inline uint32_t load_u32(const void *base, size_t offset) { return load_as<uint32_t>(base, offset); }
inline uint64_t load_u64(const void *base, size_t offset) { return load_as<uint64_t>(base, offset); }

}  // namespace fpss

#endif  // FPSS_CORE_BYTES_H
