// Opening files without following a planted symbolic link.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/files.h"

namespace fpss {

int open_nofollow(const char *path, int flags, mode_t mode) {
    return ::open(path, flags | O_NOFOLLOW | O_CLOEXEC, mode);
}

int open_regular_nofollow(const char *path, int flags, mode_t mode) {
    int fd = open_nofollow(path, flags | O_NONBLOCK, mode);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

FILE *fopen_nofollow(const char *path, int flags, mode_t mode, const char *stream_mode) {
    int fd = open_nofollow(path, flags, mode);
    if (fd < 0) return nullptr;
    FILE *stream = ::fdopen(fd, stream_mode);
    if (stream == nullptr) ::close(fd);
    return stream;
}

}  // namespace fpss
