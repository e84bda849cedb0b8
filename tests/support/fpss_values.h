// Support for the record-dump and exerciser suites: patterned bytes, hex
// images, and a console that keeps what the library prints with its flushes.
#ifndef FPSS_VALUES_H
#define FPSS_VALUES_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace fpss_test {

// n bytes from 'seed' up in steps of 0x1d: neighbouring fields differ.
inline std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + 0x1d * i);
    return b;
}

template <class T>
void fill(T &rec, uint8_t seed) {
    std::memcpy(&rec, pattern(sizeof rec, seed).data(), sizeof rec);
}

inline std::string hex(const void *p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i)
        s.append(b, std::snprintf(b, sizeof b, "%02x%c", static_cast<const uint8_t *>(p)[i],
                                  i % 16 == 15 || i + 1 == n ? '\n' : ' '));
    return s;
}

// While it lives, standard output keeps what is printed, each flush marked
// "{F}" (take() adds the unflushed rest); source lines in reports read "[#]".
class Console {
  public:
    Console() : saved_(stdout), buf_(new char[kBuf]) {
        std::fflush(stdout);
        stdout = fopencookie(this, "w", cookie_io_functions_t{nullptr, &Console::write, nullptr, nullptr});
        std::setvbuf(stdout, buf_.get(), _IOFBF, kBuf);
    }
    ~Console() { take(); }
    std::string take() {
        if (stdout != saved_) closing_ = true, std::fclose(stdout), stdout = saved_;
        static const std::regex line(R"(([a-z_0-9]+)\[[0-9]+\](: null| PRINT:|: rv:))");
        return std::regex_replace(text_, line, "$1[#]$2");
    }

  private:
    static ssize_t write(void *self, const char *b, size_t n) {
        auto *c = static_cast<Console *>(self);
        c->text_.append(b, n).append(c->closing_ ? "" : "{F}");
        return static_cast<ssize_t>(n);
    }
    static constexpr size_t kBuf = 1 << 20;  // more than any one call prints
    FILE *saved_;
    std::unique_ptr<char[]> buf_;
    std::string text_;
    bool closing_ = false;
};

// Appends "\n## <label> = <result of fn>\n" and what fn printed to 'out'.
template <class Fn>
void run(std::string &out, const std::string &label, Fn fn) {
    Console c;
    const long rc = fn();
    out += "\n## " + label + " = " + std::to_string(rc) + "\n" + c.take();
}

}  // namespace fpss_test

#endif  // FPSS_VALUES_H
