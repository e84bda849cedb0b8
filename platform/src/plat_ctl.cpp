/*
 * The control server: the debug-shell command table served over a Unix socket
 * to other processes of the machine, the capture of standard output that makes
 * a command's printout its reply, and the client side.
 *
 * One thread, started by ssat_ctl_start(), polls a wake-up pipe, the listening
 * socket and every client. A client is either reading its request or taking
 * its reply, each with a deadline; the thread never blocks on a client, so a
 * slow, silent or vanished one holds nobody up. Commands run on that thread,
 * one at a time.
 *
 * Lock order: 'ctl_mutex' (start and stop) is never held while a command runs;
 * 'capture_mutex' (recursive, so captures nest) is held while standard output
 * is redirected.
 */
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "plat_internal.h"
#include "ss_fp_platform.h"

namespace {

constexpr size_t kPathMax = sizeof(sockaddr_un::sun_path);

int64_t now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

/* The socket directory: $SSAT_CTL_DIR, else one per user under /tmp. */
bool ctl_dir(char *buf, size_t size) {
    const char *env = getenv("SSAT_CTL_DIR");
    int n = env != nullptr && *env != '\0' ? snprintf(buf, size, "%s", env)
                                           : snprintf(buf, size, "/tmp/ssat-ctl-%u", static_cast<unsigned>(geteuid()));
    return n > 0 && static_cast<size_t>(n) < size;
}

/* A directory that only its owner reaches, owned by us; root also trusts the
 * directories of other users, whose servers it may call. */
bool dir_private(const char *dir) {
    struct stat st;
    return lstat(dir, &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 077) == 0 &&
           (st.st_uid == geteuid() || geteuid() == 0);
}

bool valid_name(const char *name) {
    size_t n = name != nullptr ? strlen(name) : 0;
    if (n == 0 || n > SSAT_CTL_NAME_MAX || name[0] == '.') return false;
    for (const char *p = name; *p != '\0'; p++)
        if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || strchr("_.-", *p)))
            return false;
    return true;
}

/* Splits a directory entry "<name>.<pid>.sock". */
bool parse_entry(const char *entry, char *name, size_t size, long *pid) {
    size_t n = strlen(entry);
    if (n < 8 || strcmp(entry + n - 5, ".sock") != 0) return false;
    const char *end = entry + n - 5, *digits = end;
    while (digits > entry && digits[-1] >= '0' && digits[-1] <= '9') digits--;
    if (digits == end || end - digits > 9 || digits - entry < 2 || digits[-1] != '.') return false;
    size_t name_len = static_cast<size_t>(digits - 1 - entry);
    if (name_len >= size) return false;
    memcpy(name, entry, name_len);
    name[name_len] = '\0';
    *pid = strtol(digits, nullptr, 10);
    return valid_name(name) && *pid > 0;
}

bool alive(long pid) { return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

/* Calls fn(name, pid, path) for every server socket of the directory; a
 * non-zero result ends the walk with it. -1 when the directory is unsafe or
 * unreadable; a missing one is empty. */
template <typename Fn>
int walk(Fn fn) {
    char dir[PATH_MAX], path[PATH_MAX], name[SSAT_CTL_NAME_MAX + 1];
    if (!ctl_dir(dir, sizeof dir)) return -1;
    DIR *d = opendir(dir);
    if (d == nullptr) return errno == ENOENT ? 0 : -1;
    int rc = dir_private(dir) ? 0 : -1;
    for (dirent *e; rc == 0 && (e = readdir(d)) != nullptr;) {
        long pid;
        if (parse_entry(e->d_name, name, sizeof name, &pid) &&
            snprintf(path, sizeof path, "%s/%s", dir, e->d_name) < static_cast<int>(kPathMax))
            rc = fn(name, pid, path);
    }
    closedir(d);
    return rc;
}

/* Standard output capture. */

pthread_mutex_t capture_mutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

/* An anonymous file above the standard descriptors. */
int anon_file() {
    int fd = memfd_create("ssat-ctl-output", MFD_CLOEXEC);
    if (fd < 0) fd = open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 && fd <= STDERR_FILENO) {
        int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(fd);
        fd = high;
    }
    return fd;
}

/* The file's first SSAT_CTL_OUTPUT_MAX bytes, NUL-terminated, with a note
 * when there was more. */
char *read_back(int fd, size_t *len) {
    static constexpr char kCut[] = "\n[output cut]\n";
    off_t size = lseek(fd, 0, SEEK_END);
    size_t keep = size > 0 ? static_cast<size_t>(size) : 0;
    bool cut = keep > SSAT_CTL_OUTPUT_MAX;
    if (cut) keep = SSAT_CTL_OUTPUT_MAX;
    char *buf = static_cast<char *>(malloc(keep + sizeof kCut));
    if (buf == nullptr) return nullptr;
    size_t got = 0;
    while (got < keep) {
        ssize_t n = pread(fd, buf + got, keep - got, static_cast<off_t>(got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (cut) {
        memcpy(buf + got, kCut, sizeof kCut);
        got += sizeof kCut - 1;
    }
    buf[got] = '\0';
    *len = got;
    return buf;
}

/* One request. */

struct RunArgs {
    uint64_t module;
    const char *name;
    const char *arg;
    int rc;
    int result;
};

int run_command(void *p) {
    auto *a = static_cast<RunArgs *>(p);
    a->rc = ssat_cmd_run(a->module, a->name, a->arg, &a->result);
    return a->rc;
}

/* A reply from malloc(): a formatted head, then 'body_len' bytes of 'body'. */
char *make_reply(size_t *len, const char *body, size_t body_len, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
char *make_reply(size_t *len, const char *body, size_t body_len, const char *format, ...) {
    char *r = nullptr;
    FILE *f = open_memstream(&r, len);
    if (f == nullptr) return nullptr;
    va_list ap;
    va_start(ap, format);
    vfprintf(f, format, ap);
    va_end(ap);
    if (body_len > 0) fwrite(body, 1, body_len, f);
    if (fclose(f) == 0) return r;
    free(r);
    return nullptr;
}

/* The list of commands, for "help". */
char *help_reply(size_t *len) {
    char *text = nullptr;
    size_t used = 0;
    FILE *f = open_memstream(&text, &used);
    ssat_cmd_info_t info;
    for (size_t i = 0; f != nullptr && ssat_cmd_get(i, &info) == 0; i++)
        fprintf(f, "%s %s\n", info.name, info.arg_template);
    char *r = f != nullptr && fclose(f) == 0 ? make_reply(len, text, used, "ok 0\n") : nullptr;
    free(text);
    return r;
}

/* The reply to one request line (its newline removed). */
char *answer(char *line, size_t *len) {
    size_t n = strlen(line);
    if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';
    for (size_t i = 0; i < n; i++)
        if (static_cast<unsigned char>(line[i]) < 0x20 && line[i] != '\t')
            return make_reply(len, nullptr, 0, "error bad request\n");
    char *cmd = line + strspn(line, " \t");
    char *arg = cmd + strcspn(cmd, " \t");
    if (*arg != '\0') *arg++ = '\0';
    arg += strspn(arg, " \t");
    if (*cmd == '\0') return make_reply(len, nullptr, 0, "error empty request\n");
    if (strcmp(cmd, "help") == 0) return help_reply(len);

    ssat_cmd_info_t info;
    size_t i = 0;
    while (ssat_cmd_get(i, &info) == 0 && strcmp(info.name, cmd) != 0) i++;
    if (ssat_cmd_get(i, &info) != 0) return make_reply(len, nullptr, 0, "error unknown command %.64s\n", cmd);
    RunArgs run{info.module, info.name, arg, -1, 0};
    char *out = nullptr;
    size_t out_len = 0;
    if (ssat_ctl_capture(run_command, &run, nullptr, &out, &out_len) != 0 || out == nullptr)
        return make_reply(len, nullptr, 0, "error cannot capture the output\n");
    char *r = run.rc == 0    ? make_reply(len, out, out_len, "ok %d\n", run.result)
              : run.rc == -2 ? make_reply(len, nullptr, 0, "error usage: %s %s\n", info.name, info.arg_template)
                             : make_reply(len, nullptr, 0, "error unknown command %.64s\n", cmd);
    free(out);
    return r;
}

/* The server. */

struct Client {
    int fd = -1;
    int64_t deadline = 0;
    size_t got = 0;                     /* Request bytes received. */
    char req[SSAT_CTL_REQUEST_MAX + 1]; /* The request, NUL-terminated once complete. */
    char *reply = nullptr;              /* Non-null while the reply is being sent. */
    size_t reply_len = 0, sent = 0;
};

struct Server {
    int listen_fd = -1;
    int wake[2] = {-1, -1}; /* Written once by ssat_ctl_stop(). */
    bool bound = false;
    pthread_t thread;
    char path[kPathMax];
    Client clients[SSAT_CTL_CLIENTS];
};

/* All of the following is guarded by 'ctl_mutex'. */
pthread_mutex_t ctl_mutex = PTHREAD_MUTEX_INITIALIZER;
Server *server;

void drop(Client &c) {
    char sink[512];
    while (recv(c.fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {}
    close(c.fd);
    free(c.reply);
    c.fd = -1;
    c.reply = nullptr;
}

/* Best effort: one short error line to a client that is being turned away. */
void refuse(int fd, const char *text) {
    send(fd, text, strlen(text), MSG_NOSIGNAL | MSG_DONTWAIT);
    close(fd);
}

void send_some(Client &c) {
    ssize_t n = send(c.fd, c.reply + c.sent, c.reply_len - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n > 0) c.sent += static_cast<size_t>(n);
    if (n < 0 || c.sent == c.reply_len) drop(c);
}

void start_reply(Client &c, char *reply, size_t len) {
    if (reply == nullptr) {
        drop(c);
        return;
    }
    c.reply = reply;
    c.reply_len = len;
    c.sent = 0;
    c.deadline = now_ms() + SSAT_CTL_REPLY_MS;
    send_some(c);
}

void read_some(Client &c) {
    ssize_t n = recv(c.fd, c.req + c.got, SSAT_CTL_REQUEST_MAX - c.got, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        drop(c);
        return;
    }
    char *nl = static_cast<char *>(memchr(c.req + c.got, '\n', static_cast<size_t>(n)));
    c.got += static_cast<size_t>(n);
    size_t len = 0;
    if (nl != nullptr) {
        *nl = '\0';
        char *r = answer(c.req, &len);
        start_reply(c, r, len);
    } else if (c.got == SSAT_CTL_REQUEST_MAX) {
        char *r = make_reply(&len, nullptr, 0, "error request too long\n");
        start_reply(c, r, len);
    }
}

void accept_clients(Server &s) {
    for (;;) {
        int fd = accept4(s.listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        ucred cred;
        socklen_t cred_len = sizeof cred;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &cred_len) != 0 ||
            (cred.uid != geteuid() && cred.uid != 0)) {
            refuse(fd, "error permission denied\n");
            continue;
        }
        Client *slot = nullptr;
        for (Client &c : s.clients)
            if (c.fd < 0 && slot == nullptr) slot = &c;
        if (slot == nullptr) {
            refuse(fd, "error busy\n");
            continue;
        }
        slot->fd = fd;
        slot->got = 0;
        slot->deadline = now_ms() + SSAT_CTL_REQUEST_MS;
    }
}

void *serve(void *arg) {
    Server &s = *static_cast<Server *>(arg);
    pollfd fds[2 + SSAT_CTL_CLIENTS];
    Client *polled[SSAT_CTL_CLIENTS];
    for (;;) {
        int64_t now = now_ms();
        int timeout = -1;
        nfds_t n = 2;
        fds[0] = {s.wake[0], POLLIN, 0};
        fds[1] = {s.listen_fd, POLLIN, 0};
        for (Client &c : s.clients) {
            if (c.fd < 0) continue;
            if (c.deadline <= now) {
                if (c.reply == nullptr) send(c.fd, "error timeout\n", 14, MSG_NOSIGNAL | MSG_DONTWAIT);
                drop(c);
                continue;
            }
            int left = static_cast<int>(c.deadline - now);
            if (timeout < 0 || left < timeout) timeout = left;
            polled[n - 2] = &c;
            fds[n++] = {c.fd, static_cast<short>(c.reply != nullptr ? POLLOUT : POLLIN), 0};
        }
        if (poll(fds, n, timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) break;
        for (nfds_t i = 2; i < n; i++) {
            Client &c = *polled[i - 2];
            if (fds[i].revents == 0 || c.fd < 0) continue;
            if (c.reply != nullptr)
                send_some(c);
            else
                read_some(c);
        }
        if (fds[1].revents & POLLIN) accept_clients(s);
    }
    for (Client &c : s.clients)
        if (c.fd >= 0) drop(c);
    return nullptr;
}

void destroy(Server *s) {
    int saved = errno;
    if (s->listen_fd >= 0) close(s->listen_fd);
    if (s->bound) unlink(s->path);
    for (int fd : s->wake)
        if (fd >= 0) close(fd);
    delete s;
    errno = saved;
}

/* Removes the sockets of processes that are gone (a crash leaves them). */
void remove_stale() {
    walk([](const char *, long pid, const char *path) {
        if (!alive(pid)) unlink(path);
        return 0;
    });
}

int listen_on(Server &s) {
    s.listen_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s.listen_fd < 0) return -1;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, s.path, strlen(s.path) + 1);
    unlink(s.path);
    if (bind(s.listen_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) return -1;
    s.bound = true;
    if (chmod(s.path, 0600) != 0 || listen(s.listen_fd, SSAT_CTL_CLIENTS) != 0) return -1;
    return pipe2(s.wake, O_CLOEXEC | O_NONBLOCK);
}

/* Client side. */

void set_text(ssat_ctl_reply_t *reply, const char *format, ...) __attribute__((format(printf, 2, 3)));
void set_text(ssat_ctl_reply_t *reply, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    int n = vasprintf(&reply->text, format, ap);
    va_end(ap);
    if (n < 0) reply->text = nullptr;
    reply->len = n < 0 ? 0 : static_cast<size_t>(n);
}

/* The socket of the one server that 'target' names. */
int resolve(const char *target, char *path, ssat_ctl_reply_t *reply) {
    bool by_pid = target[0] != '\0' && strspn(target, "0123456789") == strlen(target);
    long want = by_pid ? strtol(target, nullptr, 10) : 0;
    int found = 0;
    char pids[64] = "";
    int rc = walk([&](const char *name, long pid, const char *p) {
        if (!alive(pid) || (by_pid ? pid != want : strcmp(name, target) != 0)) return 0;
        size_t used = strlen(pids);
        snprintf(pids + used, sizeof pids - used, "%s%ld", found > 0 ? ", " : "", pid);
        // A socket path never exceeds kPathMax (the walk builds it); cut rather than overflow.
        if (found++ == 0 && snprintf(path, kPathMax, "%s", p) >= static_cast<int>(kPathMax)) path[kPathMax - 1] = '\0';
        return 0;
    });
    if (rc != 0)
        set_text(reply, "the socket directory is not private or cannot be read");
    else if (found == 0)
        set_text(reply, "no process serves '%s'", target);
    else if (found > 1)
        set_text(reply, "several processes serve '%s' (pids %s): name one by its pid", target, pids);
    return rc == 0 && found == 1 ? 0 : -1;
}

bool set_timeout(int fd, int64_t deadline) {
    int64_t left = deadline - now_ms();
    if (left <= 0) {
        errno = EAGAIN;
        return false;
    }
    timeval tv{static_cast<time_t>(left / 1000), static_cast<suseconds_t>(left % 1000 * 1000)};
    return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0 &&
           setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
}

/* Sends 'req' and reads the whole reply into a buffer from malloc(). */
char *exchange(const char *path, const char *req, int64_t deadline, size_t *len, ssat_ctl_reply_t *reply) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, path, strlen(path) + 1);
    bool ok =
        fd >= 0 && set_timeout(fd, deadline) && connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    for (size_t sent = 0, total = strlen(req); ok && sent < total;) {
        ssize_t n = set_timeout(fd, deadline) ? send(fd, req + sent, total - sent, MSG_NOSIGNAL) : -1;
        ok = n > 0;
        if (ok) sent += static_cast<size_t>(n);
    }
    char *buf = nullptr;
    FILE *f = ok ? open_memstream(&buf, len) : nullptr;
    char chunk[4096];
    size_t total = 0;
    ssize_t n = f != nullptr ? 1 : -1;
    while (f != nullptr && (n > 0 || (n < 0 && errno == EINTR))) {
        n = set_timeout(fd, deadline) ? recv(fd, chunk, sizeof chunk, 0) : -1;
        if (n > 0) total += fwrite(chunk, 1, static_cast<size_t>(n), f);
        if (total > SSAT_CTL_OUTPUT_MAX + 4096) {
            errno = EMSGSIZE;
            n = -1;
        }
    }
    int saved = errno;
    if (fd >= 0) close(fd);
    if (f != nullptr && fclose(f) != 0 && n == 0) n = -1;
    if (n == 0) return buf;
    free(buf);
    set_text(reply, "no reply from %s: %s", path, saved == EAGAIN ? "timed out" : strerror(saved));
    return nullptr;
}

}  // namespace

extern "C" int ssat_ctl_capture(int (*fn)(void *arg), void *arg, int *result, char **out, size_t *len) {
    int fd = anon_file();
    if (fd < 0) return -1;
    int r;
    {
        plat::Lock lock(capture_mutex);
        fflush(stdout);
        int saved = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        dup2(fd, STDOUT_FILENO);
        r = fn(arg);
        fflush(stdout);
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        } else {
            close(STDOUT_FILENO);
        }
    }
    if (result != nullptr) *result = r;
    size_t n = 0;
    char *text = read_back(fd, &n);
    close(fd);
    if (out != nullptr)
        *out = text;
    else
        free(text);
    if (len != nullptr) *len = n;
    return 0;
}

extern "C" int ssat_ctl_start(const char *name) {
    if (!valid_name(name)) return -1;
    plat::Lock lock(ctl_mutex);
    if (server != nullptr) return -1;
    char dir[PATH_MAX];
    if (!ctl_dir(dir, sizeof dir)) {
        errno = ENAMETOOLONG;
        return -2;
    }
    if (mkdir(dir, 0700) != 0 && errno != EEXIST) return -2;
    if (!dir_private(dir)) {
        errno = EPERM;
        return -2;
    }
    remove_stale();
    Server *s = new (std::nothrow) Server;
    if (s == nullptr) {
        errno = ENOMEM;
        return -2;
    }
    int n = snprintf(s->path, sizeof s->path, "%s/%s.%ld.sock", dir, name, static_cast<long>(getpid()));
    if (n < 0 || static_cast<size_t>(n) >= sizeof s->path) {
        destroy(s);
        errno = ENAMETOOLONG;
        return -2;
    }
    /* The thread takes no signal: they stay with the host's threads. */
    sigset_t all, old;
    sigfillset(&all);
    int rc = listen_on(*s);
    if (rc == 0) {
        pthread_sigmask(SIG_SETMASK, &all, &old);
        rc = pthread_create(&s->thread, nullptr, serve, s);
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        if (rc != 0) errno = rc;
    }
    if (rc != 0) {
        destroy(s);
        return -2;
    }
    server = s;
    return 0;
}

extern "C" void ssat_ctl_stop(void) {
    plat::Lock lock(ctl_mutex);
    if (server == nullptr) return;
    (void)!write(server->wake[1], "x", 1);
    pthread_join(server->thread, nullptr);
    destroy(server);
    server = nullptr;
}

extern "C" const char *ssat_ctl_path(void) {
    plat::Lock lock(ctl_mutex);
    return server != nullptr ? server->path : nullptr;
}

extern "C" int ssat_ctl_call(const char *target, const char *command, const char *argument, int timeout_ms,
                             ssat_ctl_reply_t *reply) {
    *reply = ssat_ctl_reply_t{0, 0, nullptr, 0};
    if (argument == nullptr) argument = "";
    char req[SSAT_CTL_REQUEST_MAX + 1], path[kPathMax];
    int n = snprintf(req, sizeof req, "%s %s\n", command, argument);
    if (n < 0 || static_cast<size_t>(n) > SSAT_CTL_REQUEST_MAX || strchr(req, '\n') != req + n - 1) {
        set_text(reply, "the request must be one line of at most %d bytes", SSAT_CTL_REQUEST_MAX);
        return -2;
    }
    if (resolve(target, path, reply) != 0) return -1;
    size_t len = 0;
    char *buf = exchange(path, req, now_ms() + timeout_ms, &len, reply);
    if (buf == nullptr) return -2;
    char *body = static_cast<char *>(memchr(buf, '\n', len));
    int rc = 0;
    if (body != nullptr && strncmp(buf, "ok ", 3) == 0) {
        reply->ran = 1;
        reply->result = static_cast<int>(strtol(buf + 3, nullptr, 10));
        body++;
        reply->len = len - static_cast<size_t>(body - buf);
        memmove(buf, body, reply->len + 1);
        reply->text = buf;
        return 0;
    }
    if (body != nullptr && strncmp(buf, "error ", 6) == 0) {
        *body = '\0';
        set_text(reply, "%s", buf + 6);
    } else {
        set_text(reply, "bad reply from %s", path);
        rc = -2;
    }
    free(buf);
    return rc;
}

extern "C" void ssat_ctl_reply_free(ssat_ctl_reply_t *reply) {
    if (reply == nullptr) return;
    free(reply->text);
    reply->text = nullptr;
    reply->len = 0;
}

extern "C" int ssat_ctl_list(int (*fn)(const char *name, long pid, void *arg), void *arg) {
    return walk([&](const char *name, long pid, const char *) { return alive(pid) ? fn(name, pid, arg) : 0; });
}
