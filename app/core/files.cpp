// Opening files through checked directories.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/files.h"

namespace fpss {
namespace {

constexpr int kDirFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool trusted_owner(const struct stat &st) { return st.st_uid == 0 || st.st_uid == geteuid(); }

bool trusted_dir(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || !trusted_owner(st)) return false;
    return (st.st_mode & S_IWOTH) == 0 || (st.st_mode & S_ISVTX) != 0;
}

// Closes 'fd' and fails with 'err', whatever close does to errno.
int fail(int fd, int err) {
    if (fd >= 0) ::close(fd);
    errno = err;
    return -1;
}

// A link or another kind of file where a directory or regular file belongs
// is refused, not missing.
int refused_or(int err) {
    switch (err) {
        case ELOOP:
        case ENOTDIR:
        case ENXIO:
            return EPERM;
        default:
            return err;
    }
}

// Opens the component 'name' of the directory 'parent', making it first when
// it is missing and 'create' is set.
int open_component(int parent, const char *name, bool create) {
    int fd = ::openat(parent, name, kDirFlags);
    if (fd >= 0 || errno != ENOENT || !create) return fd;
    if (::mkdirat(parent, name, kDirMode) == 0) {
        // The umask may have narrowed (or a umask of 0 widened nothing) the
        // mode: set it exactly. The entry is ours in a checked directory, so
        // nobody else can have replaced it since.
        ::fchmodat(parent, name, kDirMode, 0);
    } else if (errno != EEXIST) {
        return -1;
    }
    return ::openat(parent, name, kDirFlags);
}

}  // namespace

int open_checked_dir(const char *dir, bool create) {
    if (dir == nullptr || *dir == '\0') return fail(-1, EINVAL);
    const bool absolute = *dir == '/';
    int cur = ::open(absolute ? "/" : ".", kDirFlags);
    if (cur < 0) return -1;
    if (absolute && !trusted_dir(cur)) return fail(cur, EPERM);
    const char *p = dir;
    for (;;) {
        while (*p == '/') ++p;
        if (*p == '\0') return cur;
        size_t len = std::strcspn(p, "/");
        char name[NAME_MAX + 1];
        if (len > NAME_MAX) return fail(cur, ENAMETOOLONG);
        std::memcpy(name, p, len);
        name[len] = '\0';
        p += len;
        int next = open_component(cur, name, create);
        if (next < 0) return fail(cur, refused_or(errno));
        ::close(cur);
        cur = next;
        if (!trusted_dir(cur)) return fail(cur, EPERM);
    }
}

int open_checked_at(int dirfd, const char *name, int flags, struct stat *st) {
    if (name == nullptr || *name == '\0' || std::strchr(name, '/') != nullptr) return fail(-1, EINVAL);
    const int base = (flags & ~(O_CREAT | O_TRUNC | O_EXCL)) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::openat(dirfd, name, base);
    if (fd < 0 && errno == ENOENT && (flags & O_CREAT) != 0) {
        fd = ::openat(dirfd, name, base | O_CREAT | O_EXCL, kFileMode);
        if (fd >= 0) {
            ::fchmod(fd, kFileMode);
        } else if (errno == EEXIST) {
            fd = ::openat(dirfd, name, base);
        }
    }
    if (fd < 0) return fail(-1, refused_or(errno));
    struct stat own;
    if (fstat(fd, &own) != 0) return fail(fd, errno);
    if (!S_ISREG(own.st_mode) || own.st_nlink != 1 || !trusted_owner(own)) return fail(fd, EPERM);
    if ((flags & O_TRUNC) != 0) {
        if (::ftruncate(fd, 0) != 0) return fail(fd, errno);
        own.st_size = 0;
    }
    if (st != nullptr) *st = own;
    return fd;
}

int open_checked(const char *path, int flags, struct stat *st) {
    if (path == nullptr) return fail(-1, EINVAL);
    char dir[PATH_MAX] = ".";
    const char *name = path;
    if (const char *slash = std::strrchr(path, '/'); slash != nullptr) {
        const size_t len = slash == path ? 1 : size_t(slash - path);
        if (len >= sizeof dir) return fail(-1, ENAMETOOLONG);
        std::memcpy(dir, path, len);
        dir[len] = '\0';
        name = slash + 1;
    }
    int dirfd = open_checked_dir(dir, false);
    if (dirfd < 0) return -1;
    int fd = open_checked_at(dirfd, name, flags, st);
    int err = errno;
    ::close(dirfd);
    errno = err;
    return fd;
}

}  // namespace fpss
