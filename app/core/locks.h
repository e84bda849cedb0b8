// Scoped guards over the pthread locks that live inside the library's C
// records. Construction takes the lock, destruction releases it, so every
// return path releases:
//
//     {
//         fpss::MutexLock guard(&handle->lock);
//         ... the handle's tables ...
//     }
#ifndef FPSS_CORE_LOCKS_H
#define FPSS_CORE_LOCKS_H

#include <pthread.h>

namespace fpss {

class MutexLock {
  public:
    explicit MutexLock(pthread_mutex_t *m) : m_(m) { pthread_mutex_lock(m_); }
    ~MutexLock() { pthread_mutex_unlock(m_); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

  private:
    pthread_mutex_t *m_;
};

class ReadLock {
  public:
    explicit ReadLock(pthread_rwlock_t *l) : l_(l) { pthread_rwlock_rdlock(l_); }
    ~ReadLock() { pthread_rwlock_unlock(l_); }
    ReadLock(const ReadLock &) = delete;
    ReadLock &operator=(const ReadLock &) = delete;

  private:
    pthread_rwlock_t *l_;
};

class WriteLock {
  public:
    explicit WriteLock(pthread_rwlock_t *l) : l_(l) { pthread_rwlock_wrlock(l_); }
    ~WriteLock() { pthread_rwlock_unlock(l_); }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

  private:
    pthread_rwlock_t *l_;
};

}  // namespace fpss

#endif  // FPSS_CORE_LOCKS_H
