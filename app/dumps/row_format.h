// Formats kept as data in the dump tables, checked at compile time.
//
// A dump table row holds a printf format and the shapes of the values it
// prints. The format is not a literal at its printf call, so the compiler's
// own check cannot see it; instead a static_assert over every row runs
// scan_format() on the row's format and compares the conversions it finds,
// in order, with the argument types the row passes. RowPrinter ties the two
// together: one list of argument types serves the check and the call.
//
//     using Ints = RowPrinter<unsigned, unsigned>;
//     static_assert(Ints::takes("data:0x%x(%d)"));
//     Ints::print(row.fmt, data, data);
//
// Accepted conversions: d i u x X o c (an int-sized argument, optionally with
// "hh" or "h"), the same with "ll" (a long long), and s (a string); flags,
// a width and a precision given as digits; "%%". Anything else ("*", "n",
// "p", floating point, "l") makes the format fail the check.
#ifndef FPSS_DUMPS_ROW_FORMAT_H
#define FPSS_DUMPS_ROW_FORMAT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

namespace fpss {

// The type class of a conversion's argument, as printf reads it.
enum class ArgType : uint8_t { Int, LongLong, String };

constexpr size_t kMaxConversions = 8;

// The conversions of a format, in order; 'valid' is false when the format has
// a conversion outside the accepted set or more than kMaxConversions.
struct FormatScan {
    ArgType types[kMaxConversions] = {};
    size_t count = 0;
    bool valid = true;
};

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr FormatScan scan_format(const char *fmt) {
    FormatScan scan;
    for (const char *p = fmt; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') ++p;
        while (is_digit(*p)) ++p;
        if (*p == '.') {
            ++p;
            while (is_digit(*p)) ++p;
        }
        int longs = 0;
        bool shorts = false;
        while (*p == 'h') {
            shorts = true;
            ++p;
        }
        while (*p == 'l') {
            ++longs;
            ++p;
        }
        ArgType type = ArgType::Int;
        switch (*p) {
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
            case 'c':
                if (longs == 2 && !shorts) {
                    type = ArgType::LongLong;
                } else if (longs != 0) {
                    scan.valid = false;
                }
                break;
            case 's':
                type = ArgType::String;
                if (longs != 0 || shorts) scan.valid = false;
                break;
            default:  // includes the end of the text after a lone '%'
                scan.valid = false;
                return scan;
        }
        if (scan.count == kMaxConversions) {
            scan.valid = false;
            return scan;
        }
        scan.types[scan.count++] = type;
    }
    return scan;
}

// Whether 'fmt' consumes exactly 'n' arguments, of the types 'types'.
constexpr bool format_takes(const char *fmt, const ArgType *types, size_t n) {
    const FormatScan scan = scan_format(fmt);
    if (!scan.valid || scan.count != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (scan.types[i] != types[i]) return false;
    return true;
}

// How many of a row's fields come before the first one that 'is_end' marks,
// or -1 when a field follows that end.
template <class T, size_t N, class IsEnd>
constexpr int leading_fields(const std::array<T, N> &fields, IsEnd is_end) {
    size_t n = 0;
    while (n < N && !is_end(fields[n])) ++n;
    for (size_t i = n; i < N; ++i)
        if (!is_end(fields[i])) return -1;
    return static_cast<int>(n);
}

// Whether 'text' prints as itself: it has no conversion at all, not even "%%".
constexpr bool is_plain_text(const char *text) {
    for (; *text != '\0'; ++text)
        if (*text == '%') return false;
    return true;
}

template <class T>
constexpr ArgType arg_type() {
    static_assert(std::is_same_v<T, int> || std::is_same_v<T, unsigned> || std::is_same_v<T, long long> ||
                      std::is_same_v<T, unsigned long long> || std::is_same_v<T, const char *>,
                  "a table row prints int, unsigned, long long, unsigned long long or const char * arguments");
    if constexpr (std::is_same_v<T, const char *>) {
        return ArgType::String;
    } else if constexpr (sizeof(T) == sizeof(long long)) {
        return ArgType::LongLong;
    } else {
        return ArgType::Int;
    }
}

// Prints table formats with the arguments A...: takes() is the compile-time
// check of a row's format, print() the one printf of a format that is not a
// literal. Call print() only with formats that a static_assert has passed
// through takes().
template <class... A>
struct RowPrinter {
    // Whether 'fmt' consumes exactly the first 'n' of the arguments (all by
    // default); printf ignores the ones after them.
    static constexpr bool takes(const char *fmt, size_t n = sizeof...(A)) {
        constexpr ArgType kTypes[sizeof...(A) + 1] = {arg_type<A>()..., ArgType::Int};
        return n <= sizeof...(A) && format_takes(fmt, kTypes, n);
    }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    static void print(const char *fmt, A... args) { std::printf(fmt, args...); }
#pragma GCC diagnostic pop
};

// The rows that print up to kRowInts int-sized value fields. A 32-bit field
// shown with "%d" reads back as the signed int of the same bits, as the field
// tools expect.
constexpr size_t kRowInts = 7;
using RowInts = std::array<unsigned, kRowInts>;
using IntRow = RowPrinter<unsigned, unsigned, unsigned, unsigned, unsigned, unsigned, unsigned>;

inline void print_ints(const char *fmt, const RowInts &a) {
    IntRow::print(fmt, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
}

}  // namespace fpss

#endif  // FPSS_DUMPS_ROW_FORMAT_H
