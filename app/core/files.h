// Opening the library's own files: the debug log and the operation log under
// /tmp/zlog, and the switch file.
//
// /tmp is writable by every local user and privileged processes write into
// the tree below it, so nothing is ever opened through a path another user
// could have prepared:
// - a directory is walked one component at a time from the root (or from the
//   working directory for a relative path) without following a symbolic link,
//   and each component must be a directory owned by the effective user or by
//   root that others cannot write into unless it is sticky;
// - a file is opened relative to its checked directory, never through a link
//   (O_NOFOLLOW), never blocking on a FIFO (O_NONBLOCK), never inherited by a
//   program the process runs (O_CLOEXEC), and must then be a regular file with
//   one link, owned by the effective user or by root;
// - what the library makes gets its mode explicitly, whatever the umask:
//   kDirMode for a directory, kFileMode for a file.
//
// Thread safety: none needed; each call works on descriptors of its own.
#ifndef FPSS_CORE_FILES_H
#define FPSS_CORE_FILES_H

#include <sys/stat.h>
#include <sys/types.h>

namespace fpss {

constexpr mode_t kDirMode = 0755;
constexpr mode_t kFileMode = 0644;

// Opens the directory 'dir', checking every component as above; with
// 'create', missing components are made (kDirMode). Returns a descriptor to
// open files in, or -1 with errno: ENOENT when a component is missing (and
// was not made), EPERM when a component is refused, else that of the failed
// call.
int open_checked_dir(const char *dir, bool create);

// Opens 'name' in the directory 'dirfd' with 'flags' (O_RDONLY, O_WRONLY |
// O_APPEND, ...), checked as above. O_CREAT makes a missing file (kFileMode);
// O_TRUNC empties the file only once it has passed the checks, so a refused
// file keeps its content. When 'st' is given it receives the file's status as
// opened. Returns the descriptor, or -1 with errno (EPERM: refused).
int open_checked_at(int dirfd, const char *name, int flags, struct stat *st = nullptr);

// open_checked_dir(create false) on the directory part of 'path', then
// open_checked_at on its last component.
int open_checked(const char *path, int flags, struct stat *st = nullptr);

}  // namespace fpss

#endif  // FPSS_CORE_FILES_H
