// Lock annotations for clang's thread-safety analysis (-Wthread-safety).
//
// A lock type is a CAPABILITY; a scoped guard over it is a SCOPED_CAPABILITY
// whose constructor ACQUIREs and whose destructor RELEASEs it. Data that a
// lock guards is declared GUARDED_BY it, and a function that expects the lock
// held REQUIRES it (and ends in _locked). Clang then rejects any access to the
// data without the lock:
//
//     fpss::Mutex g_log_mutex;
//     int g_lines GUARDED_BY(g_log_mutex) = 0;
//     void count_locked() REQUIRES(g_log_mutex) { ++g_lines; }
//
// Other compilers see nothing: every macro expands to nothing.
#ifndef FPSS_CORE_THREAD_ANNOTATIONS_H
#define FPSS_CORE_THREAD_ANNOTATIONS_H

#if defined(__clang__)
#define FPSS_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define FPSS_THREAD_ANNOTATION(x)
#endif

/* Lock types and guards. */
#define CAPABILITY(name) FPSS_THREAD_ANNOTATION(capability(name))
#define SCOPED_CAPABILITY FPSS_THREAD_ANNOTATION(scoped_lockable)

/* Data and the lock that guards it. */
#define GUARDED_BY(lock) FPSS_THREAD_ANNOTATION(guarded_by(lock))
#define PT_GUARDED_BY(lock) FPSS_THREAD_ANNOTATION(pt_guarded_by(lock))

/* Functions: what they take, give back or expect held. */
#define ACQUIRE(...) FPSS_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) FPSS_THREAD_ANNOTATION(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) FPSS_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define REQUIRES(...) FPSS_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define REQUIRES_SHARED(...) FPSS_THREAD_ANNOTATION(requires_shared_capability(__VA_ARGS__))
#define EXCLUDES(...) FPSS_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

#endif  // FPSS_CORE_THREAD_ANNOTATIONS_H
