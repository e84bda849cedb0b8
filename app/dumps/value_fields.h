// The fields that the dump tables read from a packed rule or action value:
// a width and a byte offset inside the value, host byte order, any alignment.
//
//     constexpr Field kVid = h(0);          // the 16-bit word at offset 0
//     unsigned vid = read_field(kVid, value);
#ifndef FPSS_DUMPS_VALUE_FIELDS_H
#define FPSS_DUMPS_VALUE_FIELDS_H

#include <cstdint>

#include "core/bytes.h"

namespace fpss {

// End closes a row's list of fields; Zero shows 0 and reads nothing.
enum class Width : uint8_t { End, U8, U16, U32, Zero };

struct Field {
    Width width = Width::End;
    uint8_t offset = 0;
};

constexpr Field b(uint8_t off) { return {Width::U8, off}; }
constexpr Field h(uint8_t off) { return {Width::U16, off}; }
constexpr Field w(uint8_t off) { return {Width::U32, off}; }
constexpr Field kZero{Width::Zero, 0};

// The bytes a field reads.
constexpr uint32_t field_size(Field f) {
    switch (f.width) {
        case Width::U8:
            return 1;
        case Width::U16:
            return 2;
        case Width::U32:
            return 4;
        case Width::Zero:
        case Width::End:
            break;
    }
    return 0;
}

// Where a field's bytes end inside the value.
constexpr uint32_t field_end(Field f) { return field_size(f) == 0 ? 0 : f.offset + field_size(f); }

inline unsigned read_field(Field f, const void *value) {
    switch (f.width) {
        case Width::U8:
            return load_u8(value, f.offset);
        case Width::U16:
            return load_u16(value, f.offset);
        case Width::U32:
            return load_u32(value, f.offset);
        case Width::Zero:
        case Width::End:
            break;
    }
    return 0;
}

}  // namespace fpss

#endif  // FPSS_DUMPS_VALUE_FIELDS_H
