// Opening the library's own files (debug log, operation log) under /tmp/zlog.
//
// That tree is world-writable and privileged processes write into it, so a
// file is never opened through a symbolic link planted in its place (the last
// path component; O_NOFOLLOW) and its descriptor is never inherited by a
// program the process runs (O_CLOEXEC).
//
// Thread safety: none needed; each call opens a descriptor of its own.
#ifndef FPSS_CORE_FILES_H
#define FPSS_CORE_FILES_H

#include <sys/types.h>

#include <cstdio>

namespace fpss {

// Opens 'path' with 'flags' (such as O_WRONLY | O_CREAT | O_APPEND) and
// O_NOFOLLOW | O_CLOEXEC; 'mode' is that of a file the call creates, before
// the umask. Returns the descriptor, or -1 with errno set.
int open_nofollow(const char *path, int flags, mode_t mode);

// As open_nofollow, but only a regular file: a FIFO, device or directory in
// the file's place is refused (-1). The open adds O_NONBLOCK, so that a FIFO
// without a reader fails at once instead of blocking the caller; the flag
// changes nothing for a regular file.
int open_regular_nofollow(const char *path, int flags, mode_t mode);

// A stream over open_nofollow(path, flags, mode); 'stream_mode' is the fdopen
// mode that matches 'flags' ("a" for appending, "w" for writing). Returns null
// on failure, with no descriptor left open.
FILE *fopen_nofollow(const char *path, int flags, mode_t mode, const char *stream_mode);

}  // namespace fpss

#endif  // FPSS_CORE_FILES_H
