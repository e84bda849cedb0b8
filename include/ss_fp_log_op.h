/*
 * Operation log of the FP support library: one text line per ACL, ACE, apply,
 * notification, pcl or pcl-apply operation, or free text, in two files per
 * process that take turns by size.
 *
 * Files: "/tmp/zlog/ss_fp_log/<process name>.log" and
 * "/tmp/zlog/ss_fp_log/<process name>_1.log". Start-up creates the directory
 * and appends a header to each file ("\n--------------log file-------------\n"
 * to the first, "\n--------------log file1-------------\n" to the second), then
 * writes go to the first file. Before every line the current file's size is
 * compared with the limit (512 KiB on a machine with at most 2 GiB of memory,
 * 8 MiB above): a file larger than the limit is left for the other one, which
 * is emptied, given the first file's header and takes the line. Files are
 * opened for each line and closed after it; a symbolic link or anything but a
 * regular file in their place is refused.
 *
 * Lines: the platform's time text, "--", the operation ("acl_add,",
 * "ace_del,", ...), then "name:value," for each field of every record given,
 * and "\n". A record pointer may be null: it then contributes nothing.
 *
 * Thread safety: every call may be made from any thread. One process-wide lock
 * covers the choice of the file, a switch and the writing of a line, so lines
 * are never torn or interleaved and concurrent writers crossing the limit
 * switch files once.
 *
 * Ownership: the writers only read what they are given and keep nothing.
 */
#ifndef SS_FP_LOG_OP_H
#define SS_FP_LOG_OP_H

#include <stdbool.h>
#include <stdint.h>

#include "ss_fp_appmng.h"
#include "ss_fp_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Pcl record, as the policy daemon keeps it (56 bytes); the reserved bytes
 * are not read by the log. */
typedef struct ssd_policy_pcl {
    int32_t stage;         /* Pipeline stage. */
    uint8_t reserved0[4];  /* Not read. */
    int32_t vag;           /* Virtual group. */
    uint8_t reserved1[4];  /* Not read. */
    uint64_t pri;          /* Entry priority. */
    uint8_t reserved2[4];  /* Not read. */
    int32_t key_id;        /* Key id. */
    int32_t key_width;     /* Key width. */
    uint8_t reserved3[8];  /* Not read. */
    int32_t acl_id;        /* ACL number. */
    int32_t apply_type;    /* Apply type. */
    int32_t acl_type;      /* ACL type. */
} ssd_policy_pcl_t;

/* Pcl apply record (24 bytes). */
typedef struct ssd_policy_pcl_apply {
    int32_t bind_type; /* Binding type. */
    int32_t bind_id;   /* Binding id. */
    uint32_t pbmp[4];  /* Port bitmap, word 0 first. */
} ssd_policy_pcl_apply_t;

/* Start-up and file choice.
 *
 * ss_fp_log_op_init() finds the process name, creates the directory and both
 * files, appends their headers, makes the first file current and reads the
 * machine's memory size. Returns 0 (also when the memory size cannot be read;
 * the limit is then 512 KiB), or -1 when the process name cannot be read, the
 * directory cannot be created or a file cannot be opened; nothing is current
 * then, and the next line written runs the start-up again. Writers run it
 * themselves while nothing is current; calling it again (a restart) appends
 * the headers once more and makes the first file current. */
SS_FP_API int ss_fp_log_op_init(void);

/* Helpers. */

/* The machine's total memory in KiB (at most 0x7fffffff), or the system
 * query's failure code (reported) when it cannot be read. */
SS_FP_API uint32_t ss_fp_get_memtotal_kb(void);

/* True when all 'len' bytes at 'data' are zero. A null 'data' or a 'len' of 0
 * or less is reported ("param fail.\n") and gives false. */
SS_FP_API bool ss_fp_is_array_equal_zero(const uint8_t *data, int32_t len);

/* Record writers.
 *
 * 'op' names the operation: 0 "add", 1 "del", 2 "notify"; any other value
 * prints "unknown". Each writer returns the result of closing the log file
 * when its line was written (0, or -1 when the line could not be written
 * whole); 0 when no log file is available (the start-up reported why); after
 * a failure report ("log acl get time failed.\n" when the time text cannot be
 * had, "log acl open fail.\n" when the file cannot be opened), the platform
 * log's result, or 0 when the report was not handed to it. */

/* Private data: 'priv' points to the caller's 32-byte private area; when it
 * is given and not all zero, "priv:" and its first 16 bytes in lower-case
 * hexadecimal (32 digits) end the line. */

/* "acl_<op>," then app, acl_id and acl_cls of 'acl', then the private data. */
SS_FP_API int64_t ss_fp_log_op_acl(const ss_fp_appmng_acl_t *acl, const void *priv, int32_t op);

/* "ace_<op>," then app and acl_id of 'acl', sn and sub_sn (hexadecimal), def
 * and ace_pri (decimal) of 'ace', then the private data. */
SS_FP_API int64_t ss_fp_log_op_ace(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_ace_t *ace, const void *priv,
                                   int32_t op);

/* "apply_<op>," then app and acl_id of 'acl', then apply (the apply record's
 * application type), phyid and pri (hexadecimal) and dir of 'apply', then the
 * private data. */
SS_FP_API int64_t ss_fp_log_op_apply(const ss_fp_appmng_acl_t *acl, const ss_fp_appmng_apply_t *apply,
                                     const void *priv, int32_t op);

/* "type_<type>_<type_num>,grp:<grp>,mbr:<mbr>,"; a null 'type' prints
 * "type_null_<type_num>," alone. */
SS_FP_API int64_t ss_fp_log_notify(const char *type, int32_t grp, int32_t mbr, int32_t type_num);

/* "pcl_<op>, " then, when 'pcl' is given, stage, vag, pri (hexadecimal),
 * key_id, key_width, acl_id, acl_type and apply_type. */
SS_FP_API int64_t ssd_policy_log_op_pcl(const ssd_policy_pcl_t *pcl, int32_t op);

/* "pcl_apply_<op>," then, when 'apply' is given, bind_type, bind_id and
 * "pbmp:" with the four words in hexadecimal, each left-aligned in four
 * columns and separated by commas. */
SS_FP_API int64_t ssd_policy_log_op_pcl_apply(const ssd_policy_pcl_apply_t *apply, int32_t op);

/* The caller's text followed by " \n". A null text prints "null"; a text too
 * long for the 1024-byte line is cut so that the line still ends in " \n". */
SS_FP_API int64_t ssd_policy_log(const char *text);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_LOG_OP_H */
