// Locks of the library and scoped guards over them. Construction takes the
// lock, destruction releases it, so every return path releases:
//
//     {
//         fpss::MutexLock guard(&handle->lock);
//         ... the handle's tables ...
//     }
//
// Two kinds of lock meet here. A lock that the library owns outright (one
// that lives in no C record) is a fpss::Mutex: clang's thread-safety analysis
// knows it, so the data it guards is declared GUARDED_BY it and every access
// without it is a compile-time warning. A lock that lives inside a C record
// (a public struct's pthread_mutex_t or pthread_rwlock_t) cannot carry an
// annotation; the guards name it to the analysis through RecordLock::of(), so
// that taking such a lock twice in one function, or leaving it held, is
// caught all the same.
//
// Thread safety: a guard belongs to the thread that made it.
#ifndef FPSS_CORE_LOCKS_H
#define FPSS_CORE_LOCKS_H

#include <pthread.h>

#include "core/thread_annotations.h"

namespace fpss {

// A library-owned, non-recursive mutex. Statically initialised: a namespace-
// scope Mutex is ready before any constructor of the program runs, and is
// never destroyed.
class CAPABILITY("mutex") Mutex {
  public:
    constexpr Mutex() = default;
    Mutex(const Mutex &) = delete;
    Mutex &operator=(const Mutex &) = delete;

    void lock() ACQUIRE() { pthread_mutex_lock(&m_); }
    void unlock() RELEASE() { pthread_mutex_unlock(&m_); }

  private:
    friend class MutexLock;
    pthread_mutex_t m_ = PTHREAD_MUTEX_INITIALIZER;
};

// The analysis' name for the lock at 'lock' inside a C record: one capability
// per address. Appears only inside annotations and is never defined.
struct CAPABILITY("record lock") RecordLock {
    static RecordLock &of(const void *lock);
};

class SCOPED_CAPABILITY MutexLock {
  public:
    explicit MutexLock(Mutex *m) ACQUIRE(m) : m_(&m->m_) { pthread_mutex_lock(m_); }
    explicit MutexLock(pthread_mutex_t *m) ACQUIRE(RecordLock::of(m)) : m_(m) { pthread_mutex_lock(m_); }
    ~MutexLock() RELEASE() { pthread_mutex_unlock(m_); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

  private:
    pthread_mutex_t *m_;
};

// Shared hold of a record's read-write lock.
class SCOPED_CAPABILITY ReadLock {
  public:
    explicit ReadLock(pthread_rwlock_t *l) ACQUIRE_SHARED(RecordLock::of(l)) : l_(l) { pthread_rwlock_rdlock(l_); }
    ~ReadLock() RELEASE() { pthread_rwlock_unlock(l_); }
    ReadLock(const ReadLock &) = delete;
    ReadLock &operator=(const ReadLock &) = delete;

  private:
    pthread_rwlock_t *l_;
};

// Exclusive hold of a record's read-write lock.
class SCOPED_CAPABILITY WriteLock {
  public:
    explicit WriteLock(pthread_rwlock_t *l) ACQUIRE(RecordLock::of(l)) : l_(l) { pthread_rwlock_wrlock(l_); }
    ~WriteLock() RELEASE() { pthread_rwlock_unlock(l_); }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

  private:
    pthread_rwlock_t *l_;
};

}  // namespace fpss

#endif  // FPSS_CORE_LOCKS_H
