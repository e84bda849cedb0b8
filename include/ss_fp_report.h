/*
 * The process-wide debug switch word and the platform-log settings of the FP
 * support library.
 *
 * Every family of the library reports failures in four forms, each switched by
 * one bit of 'fp_debug_sw':
 *   error      (SS_FP_DBG_FLAG_ERROR)  "\n !!!!!!!!Error <function>[<line>]:<message>"
 *   notice     (SS_FP_DBG_FLAG_NOTICE) "\n !!!!!!!!Notice <function>[<line>]:<message>"
 *   assertion  (SS_FP_DBG_FLAG_ASSERT) "ASSERT fail! - <source file>: <line>.\n<condition>."
 *   start-up   (SS_FP_DBG_FLAG_INIT)   "\n [FP_INIT]: <function>[<line>]:"
 * all on standard output, flushed at once. Errors also go to the platform
 * logging service, independently of the switch word: while
 * 'g_policy_error_zlog_level' is non-zero the message (without the prefix) is
 * formatted into a 1024-byte buffer and, when 'g_policy_error_zlog_category'
 * is set, handed to qxdf_zlog() with level 100.
 *
 * Thread safety: the three globals are plain words, written and read without a
 * lock by any thread; a change takes effect for reports that start after it.
 */
#ifndef SS_FP_REPORT_H
#define SS_FP_REPORT_H

#include <stdint.h>

#include "ss_fp_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The nine named switches of the switch word; bit i is switch i. */
enum ss_fp_dbg_flag {
    SS_FP_DBG_FLAG_IN = 0x1,      /* For the linking processes. */
    SS_FP_DBG_FLAG_OUT = 0x2,     /* For the linking processes. */
    SS_FP_DBG_FLAG_IMPT = 0x4,    /* For the linking processes. */
    SS_FP_DBG_FLAG_ERROR = 0x8,   /* Standard-output leg of error reports. */
    SS_FP_DBG_FLAG_NOTICE = 0x10, /* Notices. */
    SS_FP_DBG_FLAG_DETAIL = 0x20, /* For the linking processes. */
    SS_FP_DBG_FLAG_ASSERT = 0x40, /* Assertion reports. */
    SS_FP_DBG_FLAG_INIT = 0x80,   /* Start-up trace. */
    SS_FP_DBG_FLAG_DS = 0x100     /* For the linking processes. */
};

/* The switch word: 0 at load. Bits above the named ones are kept as well. */
SS_FP_API extern uint32_t fp_debug_sw;

/* Non-zero (6 at load) sends every error report to the platform log too. */
SS_FP_API extern int32_t g_policy_error_zlog_level;

/* Platform-log category for error reports, obtained by the host from the
 * logging service; null at load (reports are then formatted but not handed on). */
SS_FP_API extern void *g_policy_error_zlog_category;

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_REPORT_H */
