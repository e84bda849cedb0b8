// Builders for the packed values and records that the dump suites print.
//
// Values are little-endian byte strings built field by field:
//     Value().u32(0x10).u8(1)         a packet-type pair
// Exact() copies bytes into a heap block of exactly their size, so that
// AddressSanitizer reports any read past the value.
#ifndef FPSS_VALUES_H
#define FPSS_VALUES_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace fpss_test {

class Value {
  public:
    Value &u8(uint64_t v) { return put(v, 1); }
    Value &u16(uint64_t v) { return put(v, 2); }
    Value &u32(uint64_t v) { return put(v, 4); }
    Value &u64(uint64_t v) { return put(v, 8); }
    Value &bytes(std::initializer_list<uint8_t> b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    Value &zeros(size_t n) {
        bytes_.resize(bytes_.size() + n);
        return *this;
    }
    const std::vector<uint8_t> &get() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

  private:
    Value &put(uint64_t v, size_t n) {
        for (size_t i = 0; i < n; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    std::vector<uint8_t> bytes_;
};

// A heap block holding exactly 'b' (nothing for an empty value).
class Exact {
  public:
    explicit Exact(const std::vector<uint8_t> &b) : size_(b.size()) {
        if (size_ != 0) {
            p_.reset(new uint8_t[size_]);
            std::memcpy(p_.get(), b.data(), size_);
        }
    }
    explicit Exact(const Value &v) : Exact(v.get()) {}
    uint8_t *get() const { return p_.get(); }
    size_t size() const { return size_; }

  private:
    std::unique_ptr<uint8_t[]> p_;
    size_t size_;
};

// The null-record line of the dumps, any source line.
inline bool is_null_line(const std::string &out, const std::string &func) {
    const std::string head = "\n " + std::string(34, '!') + " " + func + "[";
    const std::string tail = "]: null pointer.";
    if (out.size() <= head.size() + tail.size() || out.compare(0, head.size(), head) != 0) return false;
    if (out.compare(out.size() - tail.size(), tail.size(), tail) != 0) return false;
    const std::string line = out.substr(head.size(), out.size() - head.size() - tail.size());
    return line.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace fpss_test

#endif  // FPSS_VALUES_H
