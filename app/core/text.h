// A bounded text builder: a fixed buffer on the caller's stack, appended to
// with checked printf-style formatting.
//
// An append that does not fit is cut at the capacity; the buffer is never
// overflowed and always holds a NUL-terminated text. 'EndRoom' bytes at the
// end are kept free for finish(), so that a line's end (its "\n" or "\r\n")
// always fits, however long the body grew.
//
//     fpss::Text<128> t;
//     t.add("%d.", octet);         // the compiler checks the format
//     std::fputs(t.str(), stdout);
//
//     fpss::Text<kLineSize, 2> line;  // body of at most kLineSize - 3 bytes
//     line.add("%s--", now);
//     line.finish("\r\n");            // always lands
//
// Thread safety: none; a Text belongs to the thread that fills it.
#ifndef FPSS_CORE_TEXT_H
#define FPSS_CORE_TEXT_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace fpss {

template <size_t Size, size_t EndRoom = 0>
class Text {
    static_assert(Size > EndRoom + 1, "a text needs room for one character and its NUL");

  public:
    // The longest body add() builds, without the NUL.
    static constexpr size_t kBodyMax = Size - EndRoom - 1;

    Text() { buf_[0] = '\0'; }
    Text(const Text &) = delete;
    Text &operator=(const Text &) = delete;

    // Appends the formatted text, cut to the body's capacity.
    void add(const char *fmt, ...) __attribute__((format(printf, 2, 3))) {
        va_list ap;
        va_start(ap, fmt);
        vadd(fmt, ap);
        va_end(ap);
    }

    void vadd(const char *fmt, va_list ap) __attribute__((format(printf, 2, 0))) {
        if (closed_ || len_ >= kBodyMax) {
            cut_ = true;
            return;
        }
        const size_t room = kBodyMax + 1 - len_;  // with the NUL
        const int n = std::vsnprintf(buf_ + len_, room, fmt, ap);
        if (n < 0) {  // an encoding error: keep the text as it was
            buf_[len_] = '\0';
            return;
        }
        if (static_cast<size_t>(n) >= room) {
            len_ = kBodyMax;
            cut_ = true;
        } else {
            len_ += static_cast<size_t>(n);
        }
    }

    // Appends 'end' after the body, into the kept room (cut to it), and closes
    // the text: later appends are dropped.
    void finish(const char *end) {
        size_t n = std::strlen(end);
        const size_t room = Size - 1 - len_;
        if (n > room) {
            n = room;
            cut_ = true;
        }
        std::memcpy(buf_ + len_, end, n);
        len_ += n;
        buf_[len_] = '\0';
        closed_ = true;
    }

    const char *str() const { return buf_; }
    size_t size() const { return len_; }
    // Whether some appended text did not fit.
    bool cut() const { return cut_; }

  private:
    char buf_[Size];
    size_t len_ = 0;
    bool cut_ = false;
    bool closed_ = false;
};

}  // namespace fpss

#endif  // FPSS_CORE_TEXT_H
