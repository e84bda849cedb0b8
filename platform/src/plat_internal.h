/*
 * Private helpers shared by the platform layer's sources.
 *
 * Nothing here is exported. The layer's own code calls these rather than its
 * exported names, so a host that overrides one exported call (through the
 * dynamic linker) does not change how the others behave.
 */
#ifndef PLAT_INTERNAL_H
#define PLAT_INTERNAL_H

#include <pthread.h>
#include <stddef.h>

#define PLAT_HIDDEN __attribute__((visibility("hidden")))

namespace plat {

/* Holds 'm' for the guard's scope:
 *     { Lock lock(table_mutex); ...guarded work...; }
 * The mutexes are statically initialized pthread ones, so locking neither
 * allocates nor throws. */
class Lock {
  public:
    explicit Lock(pthread_mutex_t &m) : m_(m) { pthread_mutex_lock(&m_); }
    ~Lock() { pthread_mutex_unlock(&m_); }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

  private:
    pthread_mutex_t &m_;
};

/* Length of "YYYY-MM-DD HH:MM:SS.mmm" plus its NUL. */
constexpr size_t kTimeTextSize = 24;

/* Writes the current local time with milliseconds into 'buf'. Returns false
 * when 'size' is too small or the clock cannot be read. */
PLAT_HIDDEN bool time_text(char *buf, size_t size);

}  // namespace plat

#endif /* PLAT_INTERNAL_H */
