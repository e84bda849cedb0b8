// What the fuzz targets share: input bytes in a heap block of exactly their size, so that AddressSanitizer
// reports any read past what a caller handed over, and the records built from the input on top of it.
#ifndef FPSS_FUZZ_EXACT_BLOCK_H
#define FPSS_FUZZ_EXACT_BLOCK_H

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// A heap copy of some bytes, exactly as long as they are; no bytes give a null pointer.
class Block {
  public:
    explicit Block(const std::vector<uint8_t> &bytes = {}) {
        if (bytes.empty()) return;
        data_ = static_cast<uint8_t *>(std::malloc(bytes.size()));
        if (data_ == nullptr) std::abort();
        std::memcpy(data_, bytes.data(), bytes.size());
    }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;
    ~Block() { std::free(data_); }
    const uint8_t *data() const { return data_; }
    template <class T>
    const T *as() const {
        return reinterpret_cast<const T *>(data_);
    }

  private:
    uint8_t *data_ = nullptr;
};

// The next 'n' input bytes, padded with zeros when the input runs out.
inline std::vector<uint8_t> take(FuzzedDataProvider &in, size_t n) {
    std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(n);
    bytes.resize(n);
    return bytes;
}

// A text of at most 'max' characters, its NUL the last byte.
inline std::vector<uint8_t> text(FuzzedDataProvider &in, size_t max) {
    const std::string s = in.ConsumeRandomLengthString(max);
    return std::vector<uint8_t>(s.c_str(), s.c_str() + s.size() + 1);
}

// A head of 'head' bytes whose two 16-bit lengths (at 'off_a' and 'off_b', the first and the second kind of
// values in storage order) split the rest of the input, at most 65535 bytes each; the values follow the head.
inline std::vector<uint8_t> record_with_values(FuzzedDataProvider &in, size_t head, size_t off_a, size_t off_b) {
    std::vector<uint8_t> rec = take(in, head), values = in.ConsumeRemainingBytes<uint8_t>();
    values.resize(std::min<size_t>(values.size(), 2 * 65535));
    const size_t split = values.empty() ? 0 : values[0] % (values.size() + 1);
    const auto a = static_cast<uint16_t>(std::min<size_t>(split, 65535));
    const auto b = static_cast<uint16_t>(std::min<size_t>(values.size() - a, 65535));
    std::memcpy(rec.data() + off_a, &a, 2), std::memcpy(rec.data() + off_b, &b, 2);
    rec.insert(rec.end(), values.begin(), values.begin() + a + b);
    return rec;
}

// The targets check reads and results, not the printed text.
// Picks one of 'cases' with the input's first bytes and hands it the rest.
template <size_t N>
void run_one_of(void (*const (&cases)[N])(FuzzedDataProvider &), FuzzedDataProvider &in) {
    cases[in.ConsumeIntegralInRange<size_t>(0, N - 1)](in);
}

inline void silence_stdout() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

// The entry points of a target that runs one of 'cases' per input, with
// standard output silenced.
#define FPSS_FUZZ_ONE_OF(cases)                                               \
    extern "C" int LLVMFuzzerInitialize(int *, char ***) {                    \
        ::fuzz::silence_stdout();                                             \
        return 0;                                                             \
    }                                                                         \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { \
        FuzzedDataProvider in(data, size);                                    \
        ::fuzz::run_one_of(cases, in);                                        \
        return 0;                                                             \
    }

[[noreturn]] inline void fail(const char *what, const char *file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace fuzz

// Stops the run when a check fails; libFuzzer saves the input.
#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::fuzz::fail(#cond, __FILE__, __LINE__))

#endif  // FPSS_FUZZ_EXACT_BLOCK_H
