// The process name, read once per start-up by the debug log file and the
// operation log.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/process.h"

namespace fpss {

NameRead read_process_name(char (&name)[kProcessNameSize]) {
    name[0] = '\0';
    char status[32];
    std::snprintf(status, sizeof status, "/proc/%d/status", static_cast<int>(getpid()));
    int fd = open(status, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return NameRead::kNoFile;
    char line[63];
    ssize_t n;
    do {
        n = read(fd, line, sizeof line - 1);
    } while (n < 0 && errno == EINTR);
    close(fd);
    if (n <= 0) return NameRead::kNoLine;
    line[n] = '\0';
    if (char *nl = std::strchr(line, '\n')) *nl = '\0';
    if (std::sscanf(line, "%*s %63s", name) != 1 || name[0] == '\0') {
        name[0] = '\0';
        return NameRead::kNoName;
    }
    for (char *p = name; *p != '\0'; ++p)
        if (*p == '/') *p = '_';
    return NameRead::kOk;
}

}  // namespace fpss
