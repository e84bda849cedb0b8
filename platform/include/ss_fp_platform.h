/*
 * Platform services used by the FP support library.
 *
 * On a switch the vendor platform provides these calls; on a host this small
 * layer does, for real: a logging service with named categories, a bounded
 * formatter, the local-time text, the local chip count and a debug-shell
 * command table. Every name here has default visibility, so a host (or a test
 * program) that defines one of them overrides ours through the dynamic linker.
 *
 * Thread safety: every call may be made from any thread.
 */
#ifndef SS_FP_PLATFORM_H
#define SS_FP_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The five calls the library makes. */

/* Record levels, as the zlog family numbers them; the library passes
 * QXDF_ZLOG_LEVEL_ERROR for every error report. Any int is accepted. */
#define QXDF_ZLOG_LEVEL_DEBUG 20
#define QXDF_ZLOG_LEVEL_INFO 40
#define QXDF_ZLOG_LEVEL_NOTICE 60
#define QXDF_ZLOG_LEVEL_WARN 80
#define QXDF_ZLOG_LEVEL_ERROR 100
#define QXDF_ZLOG_LEVEL_FATAL 120

/* Hands one record to the logging service. 'category' is a handle from
 * qxdf_zlog_category_get(); a null category drops the record. Records whose
 * 'level' is below the category's threshold are dropped too. 'file_len' and
 * 'func_len' are the lengths of 'file' and 'func' without a NUL (either
 * pointer may be null with length 0). A record is one line: the message's
 * trailing newlines are dropped and inner ones become spaces. To syslog, the
 * level maps to a priority (FATAL and above LOG_ALERT, ERROR LOG_ERR, WARN
 * LOG_WARNING, NOTICE LOG_NOTICE, INFO LOG_INFO, lower LOG_DEBUG); to standard
 * error or a file, the line is written whole under a lock (records of several
 * threads never interleave) and reads
 *   "2024-05-01 10:00:00.123 ERROR [category] app/x.cpp:42 func: message"
 * (a level without a name shows as its number). Returns 0 when the record was
 * written, -1 otherwise. */
int qxdf_zlog(void *category, const char *file, size_t file_len, const char *func, size_t func_len, long line,
              int level, const char *format, ...) __attribute__((format(printf, 8, 9)));

/* Bounded formatter: writes at most 'size' bytes into 'buf', always
 * NUL-terminated when 'size' > 0; a null 'buf' is taken as 'size' 0. Returns
 * the length the full text would have, or -1 on a null format (with 'buf'
 * cleared) or an encoding error. */
int at_snprintf(char *buf, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));

/* The current local time as "YYYY-MM-DD HH:MM:SS.mmm" in 'buf'. Returns 'buf',
 * or NULL when 'buf' is null or too small (24 bytes are needed). */
char *qx_time_2_string(char *buf, size_t size);

/* Registers a debug-shell command of 'module'; 'name' and 'arg_template' are
 * copied. 'arg_template' names the one argument and its conversion: the text
 * before '=' is the argument name, and '=' is followed by "%d" (decimal) or
 * "%x" (hexadecimal); the rest ("(0/1), $d") is for the reader. 'handler' is
 * called as int (*)(uint32_t) with that argument; a handler that returns void
 * gives a meaningless result. A second registration of the same module and
 * name replaces the first and keeps its place in the list. 'flags' is kept,
 * not interpreted. Returns 0, or -1 on a null or empty name, a null handler, a
 * template that does not parse, or when memory runs out. */
int ssat_reg_mod_cmd(uint64_t module, const char *name, int flags, const char *arg_template, void *handler);

/* Number of local switching chips: the environment variable SS_FP_CHIP_NUM
 * (a decimal number from 0 to 64), 1 when it is unset or invalid. */
int libddm_get_local_chip_num(void);

/* Logging service set-up, for hosts. */

/* Returns the category handle of 'name', creating it on first use, or NULL for
 * a null or empty name or when memory runs out. Handles live until the process
 * ends; the same name always gives the same handle. */
void *qxdf_zlog_category_get(const char *name);

/* Only records of 'level' or above are written for this category (0 at
 * creation). A null category is ignored. */
void qxdf_zlog_category_set_level(void *category, int level);

/* Where records of every category go: QXDF_ZLOG_SYSLOG (the default, with
 * the program's name as ident and facility LOG_USER), QXDF_ZLOG_STDERR, or
 * QXDF_ZLOG_FILE with 'path' (created with mode 0644 if missing, appended to).
 * 'path' is ignored for the other kinds. Returns 0, or -1 on an unknown kind,
 * a null path, or when the file cannot be opened (the previous destination
 * stays). */
#define QXDF_ZLOG_SYSLOG 0
#define QXDF_ZLOG_STDERR 1
#define QXDF_ZLOG_FILE 2
int qxdf_zlog_set_output(int kind, const char *path);

/* Debug shell, for the shell program. */

/* What the shell knows of one registered command. */
typedef struct ssat_cmd_info {
    uint64_t module;          /* Module reference given at registration. */
    const char *name;         /* Command name. */
    const char *arg_template; /* Argument template as registered. */
    const char *arg_name;     /* Argument name parsed from the template ("dbg_flags"). */
    char conversion;          /* 'd' (decimal) or 'x' (hexadecimal). */
    int flags;                /* Flags given at registration. */
} ssat_cmd_info_t;

/* Number of registered commands. */
size_t ssat_cmd_count(void);

/* Fills '*info' with command number 'index' (registration order). The strings
 * stay valid until the process ends, even after a replacement. Returns 0, or
 * -1 when out of range or 'info' is null. */
int ssat_cmd_get(size_t index, ssat_cmd_info_t *info);

/* Parses 'arg_text' by the command's template and calls the handler with it,
 * without holding any lock of this layer (a handler may register commands).
 * The text is "value" or "name=value" with the template's argument name,
 * surrounding blanks allowed. A decimal value has an optional sign and must
 * fit a signed 32-bit int (a negative one reaches the handler as its two's
 * complement); a hexadecimal value has an optional "0x" and must fit 32 bits.
 * Stores the handler's result in '*result' when 'result' is not null. Returns
 * 0 when the handler ran, -1 when no command of that module and name exists,
 * -2 when the argument is null or does not parse (empty, trailing characters,
 * out of range, or another argument name). */
int ssat_cmd_run(uint64_t module, const char *name, const char *arg_text, int *result);

/* Control server: the debug-shell commands of this process, run on request of
 * other processes of the machine, the way a daemon's control tool reaches it.
 *
 * A host that wants it starts it explicitly (the layer starts no thread by
 * itself). The server listens on a Unix socket "<dir>/<name>.<pid>.sock" of
 * mode 0600, where <dir> is $SSAT_CTL_DIR when set, else
 * "/tmp/ssat-ctl-<uid>"; the directory must be a real directory of the
 * process's user with no access for group or others (it is created so when
 * missing). Only peers of the same user, or root, are served (SO_PEERCRED).
 *
 * Protocol: the client sends one line "<command> [<argument>]\n" of at most
 * SSAT_CTL_REQUEST_MAX bytes within SSAT_CTL_REQUEST_MS of connecting. The
 * server answers "ok <handler result>\n" followed by what the command printed
 * on standard output, or "error <reason>\n", and closes the connection. The
 * command "help" lists the commands with their argument templates. A client
 * that does not take its reply within SSAT_CTL_REPLY_MS is dropped. One
 * thread serves every client with poll(): a slow, silent or vanished client
 * holds no other up; commands themselves run one at a time.
 *
 * Output capture: while a command runs, standard output of the whole process
 * (file descriptor 1) is redirected into an anonymous file under one
 * process-wide lock, so whatever any thread writes to standard output
 * meanwhile becomes part of that reply; the stdio buffer is flushed before
 * and after the switch. Replies keep at most SSAT_CTL_OUTPUT_MAX bytes of
 * output. */

#define SSAT_CTL_NAME_MAX 32           /* Longest server name; [A-Za-z0-9_.-]. */
#define SSAT_CTL_REQUEST_MAX 1024      /* Request line bytes, newline included. */
#define SSAT_CTL_REQUEST_MS 2000       /* Time a client has to send its request. */
#define SSAT_CTL_REPLY_MS 5000         /* Time a client has to take its reply. */
#define SSAT_CTL_CLIENTS 16            /* Clients served at once; more are refused. */
#define SSAT_CTL_OUTPUT_MAX (8u << 20) /* Output bytes kept for one reply. */

/* Starts serving under 'name' on a thread of the layer. Returns 0; -1 for a
 * bad name or when a server already runs; -2 when the directory or the socket
 * cannot be made or the thread cannot start (errno says why). Sockets of
 * processes that no longer exist are removed from the directory. */
int ssat_ctl_start(const char *name);

/* Stops the server, waits for its thread and removes its socket. The command
 * being run, if any, finishes first. Does nothing when none runs. */
void ssat_ctl_stop(void);

/* Path of this process's socket while the server runs, else NULL. */
const char *ssat_ctl_path(void);

/* Runs fn(arg) with standard output captured as above and stores fn's result
 * through 'result' (when not NULL), and what was printed, NUL-terminated, in a
 * buffer from malloc() through 'out' (the caller frees it) and its length
 * through 'len' (when not NULL). Calls may nest. Returns 0, or -1 when no
 * capture file can be made (fn is then not called). */
int ssat_ctl_capture(int (*fn)(void *arg), void *arg, int *result, char **out, size_t *len);

/* A reply, or the reason there is none. */
typedef struct ssat_ctl_reply {
    int ran;    /* 1 when the command ran: 'result' and 'text' are its own. */
    int result; /* The handler's result when 'ran'. */
    char *text; /* What the command printed, or the error's text; from malloc(), NUL-terminated. */
    size_t len; /* Bytes of 'text' without the NUL. */
} ssat_ctl_reply_t;

/* Runs 'command' with 'argument' (NULL or "" for none) in the process that
 * 'target' names: its server name, or its process id in decimal. Waits at most
 * 'timeout_ms' for the whole exchange. Returns 0 when the server answered (ran
 * or refused: see 'reply'), -1 when no single process serves 'target', -2 on a
 * failed or timed-out exchange; 'reply->text' says why in every case. Free it
 * with ssat_ctl_reply_free(). */
int ssat_ctl_call(const char *target, const char *command, const char *argument, int timeout_ms,
                  ssat_ctl_reply_t *reply);
void ssat_ctl_reply_free(ssat_ctl_reply_t *reply);

/* Calls fn(name, pid, arg) for every live server of the directory, in no
 * particular order; a non-zero result of fn ends the walk with it. Returns 0,
 * or -1 when the directory cannot be read (none exists yet counts as empty). */
int ssat_ctl_list(int (*fn)(const char *name, long pid, void *arg), void *arg);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_PLATFORM_H */
