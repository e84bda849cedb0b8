/*
 * Debug control of the FP support library: the named switches of the switch
 * word and their persistent file, the flag-name lookups and bitmap dumps, the
 * application manager's debug bytes, the per-process debug log file and the
 * debug-shell commands.
 *
 * Switches. Bit i of 'fp_debug_sw' (ss_fp_report.h) is switch i of the tables
 * below (0 "in" to 8 "ds"); higher bits have no name but are kept. At start-up
 * ss_fp_debug_init_sw() reads the persistent switch file (the path in
 * 'ss_fp_debug_path', "/var/ss_fp_debug.txt") and ORs in every switch the file
 * turns on. The file holds keyword lines, each followed by a value line:
 *     error
 *     1
 * turns the error switch on. A line matches a keyword when it begins with it
 * (so "init" also matches "in"); the value line is a decimal number, non-zero
 * meaning on. The library never writes the file in that form.
 *
 * Debug log file. Each process gets "/tmp/zlog/<process name>_log0.txt" and
 * "..._log1.txt" as its two paths; fp_debug_file_open() opens the one that
 * 'fp_debug_file_index' selects (appending when it exists) and writes the
 * banner "\r\n===== fp file log process on[<epoch seconds>] =====\r\n";
 * fp_debug_file_close() writes "\r\n===== fp file debug off[<epoch seconds>] =====\r\n"
 * and closes it. The file is never followed through a symbolic link: a link
 * planted at its path leaves the stream null.
 *
 * Thread safety: the switch word and the debug bytes are plain words that any
 * thread may write and read without a lock. The debug log globals are not
 * guarded: the start-up opens the file on one thread, and the process
 * serialises fp_debug_file_close() and its own use of the stream.
 *
 * Ownership: every table and text here lives as long as the process; the path
 * texts of the debug log file belong to the library.
 */
#ifndef SS_FP_DEBUG_H
#define SS_FP_DEBUG_H

#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include "ss_fp_export.h"
#include "ss_fp_report.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Number of named switches of the switch word. */
#define SS_FP_DBG_SW_COUNT 9
/* Size of 'ss_fp_debug_path' with its terminating zero. */
#define SS_FP_DEBUG_PATH_SIZE 21

/* Switch tables, indexed by switch 0 to 8. */

/* Bit value of each switch: 1, 2, 4, ... 0x100. */
SS_FP_API extern const uint32_t lib_fp_dbg_flag[SS_FP_DBG_SW_COUNT];
/* Enumerator name of each switch ("SS_FP_DBG_FLAG_IN" ... "SS_FP_DBG_FLAG_DS"). */
SS_FP_API extern const char *const lib_fp_dbg_name[SS_FP_DBG_SW_COUNT];
/* Keyword of each switch in the switch file ("in", "out", ... "ds"). */
SS_FP_API extern const char *const lib_fp_dbg_sw_str[SS_FP_DBG_SW_COUNT];
/* Path of the persistent switch file, writable: "/var/ss_fp_debug.txt". */
SS_FP_API extern char ss_fp_debug_path[SS_FP_DEBUG_PATH_SIZE];

/* Setting and reading back the switch word. */

/* Sets the word to every named switch except SS_FP_DBG_FLAG_INIT (0x17F). */
SS_FP_API void ss_fp_debug_on(void);
/* Sets the word to 0. */
SS_FP_API void ss_fp_debug_off(void);
/* Prints "FP set dbg sw, dbg_flags: 0x<hex>", the name of every named switch
 * set in 'dbg_flags' and "opened.", one per line, then stores the whole word
 * (unnamed bits included). The debug-shell command "debug". */
SS_FP_API void ss_fp_debug_set_sw(uint32_t dbg_flags);
/* Reads every switch back from the switch file and ORs the ones found on into
 * the word, printing each one's name; never clears a bit. A missing file
 * changes nothing. Called once by the library start-up. */
SS_FP_API void ss_fp_debug_init_sw(void);

/* Switch files. */

/* Looks for the first line of the file at 'path' that begins with the first
 * 'key_len' characters of 'key' (lines are read 63 characters at a time, a
 * longer line counting as several) and sets '*value' to 1 when the line after
 * it holds a non-zero decimal number, else 0. Returns 0, also when the file
 * cannot be opened ('*value' 0) or has no such line, else the result of closing it. */
SS_FP_API int ss_fp_debug_file_get(const char *path, uint8_t *value, const char *key, int key_len);
/* Replaces the content of the file at 'path' with the decimal text of 'value'
 * (no line end). Returns 0 when it cannot be opened, else the result of closing it. */
SS_FP_API int ss_fp_debug_file_set(const char *path, int value);

/* Flag names. */

/* Name of rule flag 'flag' for 0 to 198 (SS_FP_RULE_MAX included), else NULL. */
SS_FP_API const char *ss_fp_get_rule_name(uint32_t flag);
/* Name of action flag 'flag' for 1 to 46, else NULL (SS_FP_ACTION_NONE and
 * SS_FP_ACTION_MAX included). */
SS_FP_API const char *ss_fp_get_action_name(int32_t flag);
/* Prints the heading "\nRULE_FLAG:\r", then "<name> | " for every set rule flag
 * 0 to 197 on one line, then "\r". Returns 0, or -1 for a null bitmap (after
 * printing "\nError para, return"). */
SS_FP_API int ss_fp_dump_rule_flag(const uint32_t *rule_flags);
/* The same for action flags 0 to 46 under "\r\nACTION FLAG:\r". */
SS_FP_API int ss_fp_dump_action_flag(const uint32_t *action_flags);

/* Debug bytes of the application manager: 0 at load, set by their setters. */

SS_FP_API extern uint8_t g_ss_fp_appmng_debug;         /* Extra exerciser output when non-zero. */
SS_FP_API extern uint8_t g_ss_fp_appmng_ds_debug;      /* For the linking processes. */
SS_FP_API extern uint8_t g_ss_fp_appmng_io_debug;      /* For the linking processes. */
SS_FP_API extern uint8_t g_ss_fp_appmng_counter_debug; /* For the linking processes. */
SS_FP_API extern uint8_t g_ss_fp_appmng_res_debug;     /* For the linking processes. */
SS_FP_API extern uint8_t g_ss_fp_appmng_grp_debug;     /* For the linking processes. */

/* Sets g_ss_fp_appmng_debug and g_ss_fp_appmng_ds_debug to 'on'. */
SS_FP_API void ss_fp_appmng_set_debug(uint8_t on);
SS_FP_API void ss_fp_appmng_ds_set_debug(uint8_t on);
SS_FP_API void ss_fp_appmng_io_set_debug(uint8_t on);
SS_FP_API void ss_fp_appmng_counter_set_debug(uint8_t on);
SS_FP_API void ss_fp_appmng_res_set_debug(uint8_t on);
/* Sets g_ss_fp_appmng_grp_debug. */
SS_FP_API void ss_fp_appmng_grp_res_set_debug(uint8_t on);

/* Debug log file. */

/* The two paths; "/tmp/zlog/fp_debug_log1.txt" and "/tmp/zlog/fp_debug_log2.txt"
 * at load, the per-process paths after the first opening. */
SS_FP_API extern const char *fp_debug_file_path_arr[2];
/* Which path the opening and closing use; 0 at load, changed only by the process. */
SS_FP_API extern int32_t fp_debug_file_index;
/* The open debug log stream, or NULL. */
SS_FP_API extern FILE *fp_debug_file_fp;
/* Status of the selected path, as the last opening or closing found it. */
SS_FP_API extern struct stat fp_debug_statbuff;
/* For the process; unused by the library. */
SS_FP_API extern char fp_debug_file_buff[256];
/* For the process; unused by the library. */
SS_FP_API extern int64_t fp_file_log_index;

/* Starts the allocation-record table, then opens the debug log file. Returns 0. */
SS_FP_API int libss_fp_debug_init(void);
/* Replaces the two paths with "/tmp/zlog/<name>_log0.txt" and "..._log1.txt"
 * for the process name in "/proc/<pid>/status" (a name too long for the
 * 63-character path is cut). Leaves them when the name cannot be read. */
SS_FP_API int init_log_file_path(void);
/* Sets up the paths, closes any open stream, opens the selected file (created
 * when missing, appended to otherwise) and writes the opening banner; the
 * stream stays NULL when the file cannot be opened. Returns 0. */
SS_FP_API int fp_debug_file_open(void);
/* Writes the closing banner and closes the stream. Returns the failed status
 * query's result when the file was removed (the stream then stays open), 0
 * when no stream is open, else the result of closing. */
SS_FP_API int fp_debug_file_close(void);

/* Debug-shell commands. */

/* Registers "debug" (ss_fp_debug_set_sw), "mem_record_show"
 * (ss_fp_debug_dump_mem_use_info_all) and "mem_record_dbg"
 * (ss_fp_debug_malloc_free_sw) for 'module' with the platform's debug shell.
 * Returns the result of the last registration. */
SS_FP_API int ss_fp_debug_cmd_init(uint64_t module);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_DEBUG_H */
