/*
 * The logging service: named categories, each with a level threshold, and one
 * process-wide destination for their records (syslog, standard error or a
 * file).
 *
 * Lock order: 'cat_mutex' and 'out_mutex' are never held together.
 */
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include "plat_internal.h"
#include "ss_fp_platform.h"

namespace {

struct Category {
    Category *next;         /* Category made before this one. */
    char *name;             /* Owned copy of the name; never changes. */
    std::atomic<int> level; /* Records below this level are dropped. */
};

/* The registry only grows: a handle given out stays valid until the process
 * ends, and the list keeps every category reachable (no leak reports). */
pthread_mutex_t cat_mutex = PTHREAD_MUTEX_INITIALIZER;
Category *cat_list; /* Guarded by 'cat_mutex'. */

/* All of the following is guarded by 'out_mutex'. Records are written while
 * it is held, so lines from several threads never interleave and a record
 * never reaches a file that set_output has just closed. */
pthread_mutex_t out_mutex = PTHREAD_MUTEX_INITIALIZER;
int out_kind = QXDF_ZLOG_SYSLOG;
int out_fd = -1; /* The open file while 'out_kind' is QXDF_ZLOG_FILE. */
bool syslog_opened;

/* Text formatted into a buffer of its own, on the heap only when it is long. */
class Text {
  public:
    Text() = default;
    Text(const Text &) = delete;
    Text &operator=(const Text &) = delete;
    ~Text() { free(heap_); }

    bool vformat(const char *format, va_list ap) __attribute__((format(printf, 2, 0)));
    bool format(const char *format, ...) __attribute__((format(printf, 2, 3)));

    /* Makes the text one line: drops trailing line ends, blanks inner ones. */
    void flatten();

    char *str() { return p_; }
    size_t len() const { return len_; }

  private:
    char local_[512];
    char *heap_ = nullptr;
    char *p_ = local_;
    size_t len_ = 0;
};

bool Text::vformat(const char *format, va_list ap) {
    va_list again;
    va_copy(again, ap);
    int n = vsnprintf(local_, sizeof local_, format, ap);
    if (n >= 0 && static_cast<size_t>(n) >= sizeof local_) {
        heap_ = static_cast<char *>(malloc(static_cast<size_t>(n) + 1));
        if (heap_ == nullptr)
            n = -1;
        else
            vsnprintf(heap_, static_cast<size_t>(n) + 1, format, again);
    }
    va_end(again);
    if (n < 0) return false;
    p_ = heap_ != nullptr ? heap_ : local_;
    len_ = static_cast<size_t>(n);
    return true;
}

bool Text::format(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    bool ok = vformat(format, ap);
    va_end(ap);
    return ok;
}

void Text::flatten() {
    while (len_ > 0 && (p_[len_ - 1] == '\n' || p_[len_ - 1] == '\r')) p_[--len_] = '\0';
    for (size_t i = 0; i < len_; i++)
        if (p_[i] == '\n' || p_[i] == '\r') p_[i] = ' ';
}

struct LevelInfo {
    int level;        /* Lowest level of the band. */
    const char *name; /* Shown for exactly this level. */
    int priority;     /* Syslog priority of the whole band. */
};

/* Highest band first; below the last band everything is LOG_DEBUG. */
constexpr LevelInfo kLevels[] = {
    {QXDF_ZLOG_LEVEL_FATAL, "FATAL", LOG_ALERT}, {QXDF_ZLOG_LEVEL_ERROR, "ERROR", LOG_ERR},
    {QXDF_ZLOG_LEVEL_WARN, "WARN", LOG_WARNING}, {QXDF_ZLOG_LEVEL_NOTICE, "NOTICE", LOG_NOTICE},
    {QXDF_ZLOG_LEVEL_INFO, "INFO", LOG_INFO},    {QXDF_ZLOG_LEVEL_DEBUG, "DEBUG", LOG_DEBUG},
};

int syslog_priority(int level) {
    for (const LevelInfo &l : kLevels)
        if (level >= l.level) return l.priority;
    return LOG_DEBUG;
}

/* The level's name, or its number written into 'buf'. */
const char *level_name(int level, char *buf, size_t size) {
    for (const LevelInfo &l : kLevels)
        if (level == l.level) return l.name;
    snprintf(buf, size, "%d", level);
    return buf;
}

bool write_all(int fd, const char *p, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

/* A length as a printf precision; lengths beyond INT_MAX are cut. */
int prec(size_t len) { return len > INT_MAX ? INT_MAX : static_cast<int>(len); }

}  // namespace

extern "C" void *qxdf_zlog_category_get(const char *name) {
    if (name == nullptr || *name == '\0') return nullptr;
    plat::Lock lock(cat_mutex);
    for (Category *c = cat_list; c != nullptr; c = c->next)
        if (strcmp(c->name, name) == 0) return c;
    Category *c = new (std::nothrow) Category{cat_list, strdup(name), {0}};
    if (c == nullptr || c->name == nullptr) {
        delete c;
        return nullptr;
    }
    cat_list = c;
    return c;
}

extern "C" void qxdf_zlog_category_set_level(void *category, int level) {
    if (category != nullptr) static_cast<Category *>(category)->level.store(level, std::memory_order_relaxed);
}

extern "C" int qxdf_zlog_set_output(int kind, const char *path) {
    int fd = -1;
    switch (kind) {
        case QXDF_ZLOG_SYSLOG:
        case QXDF_ZLOG_STDERR:
            break;
        case QXDF_ZLOG_FILE:
            if (path == nullptr || *path == '\0') return -1;
            fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (fd < 0) return -1;
            break;
        default:
            return -1;
    }
    int old;
    {
        plat::Lock lock(out_mutex);
        old = out_fd;
        out_fd = fd;
        out_kind = kind;
    }
    if (old >= 0) close(old);
    return 0;
}

extern "C" int qxdf_zlog(void *category, const char *file, size_t file_len, const char *func, size_t func_len,
                         long line, int level, const char *format, ...) {
    if (category == nullptr || format == nullptr) return -1;
    const Category *cat = static_cast<const Category *>(category);
    if (level < cat->level.load(std::memory_order_relaxed)) return -1;
    if (file == nullptr) file_len = 0;
    if (func == nullptr) func_len = 0;

    Text msg;
    va_list ap;
    va_start(ap, format);
    bool ok = msg.vformat(format, ap);
    va_end(ap);
    if (!ok) return -1;
    msg.flatten();

    plat::Lock lock(out_mutex);
    if (out_kind == QXDF_ZLOG_SYSLOG) {
        if (!syslog_opened) {
            openlog(nullptr, LOG_PID, LOG_USER);
            syslog_opened = true;
        }
        syslog(syslog_priority(level), "[%s] %.*s:%ld %.*s: %.*s", cat->name, prec(file_len), file ? file : "", line,
               prec(func_len), func ? func : "", prec(msg.len()), msg.str());
        return 0;
    }
    char when[plat::kTimeTextSize];
    if (!plat::time_text(when, sizeof when)) strcpy(when, "-");
    char num[16];
    Text rec;
    if (!rec.format("%s %s [%s] %.*s:%ld %.*s: %.*s\n", when, level_name(level, num, sizeof num), cat->name,
                    prec(file_len), file ? file : "", line, prec(func_len), func ? func : "", prec(msg.len()),
                    msg.str()))
        return -1;
    int fd = out_kind == QXDF_ZLOG_FILE ? out_fd : STDERR_FILENO;
    return write_all(fd, rec.str(), rec.len()) ? 0 : -1;
}
