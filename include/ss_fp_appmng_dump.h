/*
 * Dumps of the application manager's request records: one rule, one action,
 * an ACL, an ACE, a rule and action block, an apply record.
 *
 * Every dump prints to standard output in fixed texts that field tools parse;
 * the record dumps begin their lines with "\r\n" and flush after each line.
 * Rules and actions are decoded by flag: the value of a flag is the packed
 * value the records of ss_fp_appmng.h carry for it, read bytewise.
 *
 * Record bounds: a record dump decodes only values that lie wholly inside the
 * record's 'rule_len' or 'action_len' bytes. A set flag whose value would
 * reach past them (a bitmap that disagrees with the lengths) prints its flag
 * line and then "\r\nNO VALUE IN RECORD, FLAG:<flag>" instead of a value.
 *
 * Null pointers: a record dump given a null record, and a rule or action dump
 * given a null value for a flag that has one, prints
 *   "\n !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!! <dump name>[<line>]: null pointer."
 * and returns -1.
 *
 * Thread safety: the dumps keep no state; any thread may call them. A record
 * must not change while it is dumped. Each line is printed whole, but lines of
 * dumps running on several threads at once may interleave.
 *
 * Ownership: the dumps only read what they are given; the caller keeps it.
 */
#ifndef SS_FP_APPMNG_DUMP_H
#define SS_FP_APPMNG_DUMP_H

#include <stdint.h>

#include "ss_fp_appmng.h"
#include "ss_fp_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Rules and actions.
 *
 * 'value' points at the flag's packed value (ss_fp_rule_value_len() or
 * ss_fp_action_value_len() bytes); flags that print no value never read it.
 * Both return 0 (-1 for a null value that would be read). */

/* "\r\n", the rule's name and its decoded value; flags above SS_FP_RULE_MAX
 * and those without a decoder print "\r\nNOT SUPPORT NOW, FLAG:<flag>". */
SS_FP_API int ss_fp_appmng_dump_rule(uint32_t flag, const void *value);
/* One line with the action's name and decoded value. Flag 0 prints nothing;
 * SS_FP_ACTION_EGRESS_MASK_PORTS lists the port bitmaps of every local chip
 * (at most 6); flags above SS_FP_ACTION_MAX print "\r\nunkonwn action
 * flag:<flag>". SS_FP_ACTION_VID and SS_FP_ACTION_VID_IN print 0 in their
 * brackets: their 2-byte value is all the dump knows of the record. */
SS_FP_API int ss_fp_appmng_dump_action(uint32_t flag, const void *value);

/* Address printers: "\r" and a newline, then address "/" mask, bytes in
 * storage order (no flush). Each returns 0 (-1 for a null pair). */

/* A 12-byte MAC pair: "0022.3344.5566./ffff.ffff.ffff." */
SS_FP_API int ss_fp_appmng_dump_mac(const void *value);
/* An 8-byte IPv4 pair: "192.168.1.1.(c0.a8.01.01.)/ff.ff.ff.00." */
SS_FP_API int ss_fp_appmng_dump_ipv4(const void *value);
/* A 32-byte IPv6 pair: eight "xxxx:" groups, "/", eight more. */
SS_FP_API int ss_fp_appmng_dump_ipv6(const void *value);

/* Helpers. */

/* "\nNow is YYYY/MM/DD HH:MM:SS\n" in local time (no flush). Returns 0. */
SS_FP_API int ss_fp_appmng_dump_time(void);
/* Reports a null value area; prints nothing for any other. 'len' is unused. */
SS_FP_API void ss_fp_appmng_printf_buffer(const void *buffer, uint32_t len);
/* "\r" and a newline, then "flag[i] = 0x<word> " for each of the
 * (nbits + 31) / 32 words (none for nbits <= 0), no flush. Returns 0, or -1
 * for a null bitmap. */
SS_FP_API int ss_fp_appmng_dump_flags(const uint32_t *words, int32_t nbits);

/* Records. Each returns 0, or -1 for a null record. */

SS_FP_API int ss_fp_appmng_dump_acl(const ss_fp_appmng_acl_t *acl);
/* Head line, both bitmaps as words, then every rule and every action. */
SS_FP_API int ss_fp_appmng_dump_ace_tlv(const ss_fp_appmng_ace_tlv_t *block);
/* Head line, labelled bitmaps, then every rule and every action. */
SS_FP_API int ss_fp_appmng_dump_ace(const ss_fp_appmng_ace_t *ace);
/* Head lines, the action bitmap, then every action before every rule. */
SS_FP_API int ss_fp_appmng_dump_apply(const ss_fp_appmng_apply_t *apply);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_APPMNG_DUMP_H */
