/*
 * Exerciser of the application manager: built requests, completion timing,
 * debug toggles and views of the application manager's own state.
 *
 * Requests. Each request operation fills one request on its own stack with
 * fixed content (the ACL 99 of application type 13, and for some operations
 * an ACE or an apply record it builds), hands the request's address to the
 * entry function its caller passes in, and frees what it built once the entry
 * returns. The exerciser never links the application manager: the entry is
 * always a parameter. Every request carries ut_ss_fp_appmng_cb() as its
 * completion callback, which counts completions in 'g_test_count' and stops
 * and shows the run timer 'g_test_time' when the count reaches 'g_test_num'.
 *
 * With 'g_ss_fp_appmng_debug' (ss_fp_debug.h) non-zero the operations trace
 * their way on standard output ("\n     {appmng} <function>[<line>] PRINT:...");
 * with it off they print nothing of their own beyond the record dumps of
 * ut_ss_fp_appmng_add_ace_with_counter() and ut_ss_fp_appmng_unapply_acl() and
 * the counter line of ut_ss_fp_appmng_counter().
 *
 * Views. The views print the application manager's structures, reached
 * through pointers their caller passes in and read at the fixed offsets of the
 * records below (only the fields the views read are named; the rest belongs
 * to the application manager). Lists are circular doubly linked lists of
 * ss_fp_list_t links (next first, then previous); an empty list's head points
 * to itself, and a head never set up (a null 'next') counts as empty.
 *
 * Timing. Timestamps are microseconds of the monotonic clock in unsigned
 * 32-bit arithmetic: they wrap about every 71.6 minutes, and differences are
 * taken modulo 2^32.
 *
 * Thread safety: nothing here takes a lock. Concurrent request operations
 * are independent (each request lives on its caller's stack) and completions
 * are counted atomically, so exactly one completion stops the run timer; the
 * timing records, the MAC globals and the debug bytes are plain data that the
 * caller must not change while an operation uses them. The views expect the
 * application manager to leave the structures alone while they walk them.
 *
 * Ownership: the records the builders return are the caller's, freed with
 * ut_ss_fp_appmng_free_ace() or ut_ss_fp_appmng_free_apply(); the views only
 * read (or, for the counter clearing, write the counters of) what they are given.
 */
#ifndef SS_FP_UT_APPMNG_H
#define SS_FP_UT_APPMNG_H

#include <stdint.h>

#include "libss_hash.h"
#include "ss_fp_appmng.h"
#include "ss_fp_export.h"
#include "ss_fp_list.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Entry function of the application manager: takes the address of a request
 * and returns 0 for success. */
typedef int32_t (*ut_ss_fp_appmng_entry_t)(void *req);

/* Requests. The exerciser clears every request before filling it. */

/* ACL request: create and delete an ACL (the first 72 bytes), apply, unapply
 * and the two action updates. 80 bytes. */
typedef struct ut_ss_fp_appmng_acl_req {
    ss_fp_appmng_common_t header;      /* Common request header. */
    uint8_t reserved0[16];             /* Not filled (zero). */
    ss_fp_appmng_acl_t acl;            /* The ACL. */
    uint8_t reserved1[4];              /* Not filled (zero). */
    uint32_t old_sn;                   /* The ACE's sequence number before an action update. */
    union {
        ss_fp_appmng_apply_t *apply;   /* Apply, unapply, ACL action update. */
        ss_fp_appmng_ace_t *ace;       /* ACE action update. */
    } record;                          /* The record the request carries. */
} ut_ss_fp_appmng_acl_req_t;

/* ACE request: add and delete an ACE. 176 bytes. */
typedef struct ut_ss_fp_appmng_ace_req {
    ss_fp_appmng_common_t header;      /* Common request header. */
    uint8_t reserved0[112];            /* Not filled (zero). */
    ss_fp_appmng_acl_t acl;            /* The ACL of the ACE. */
    uint8_t reserved1[8];              /* Not filled (zero). */
    ss_fp_appmng_ace_t *ace;           /* The ACE. */
} ut_ss_fp_appmng_ace_req_t;

/* Counter request. 208 bytes. */
typedef struct ut_ss_fp_appmng_counter_para {
    ss_fp_appmng_common_t header;      /* Common request header. */
    uint8_t reserved0[16];             /* Zero. */
    ss_fp_appmng_acl_t acl;            /* The ACL. */
    uint8_t reserved1[104];            /* Zero. */
    uint64_t ace_sn;                   /* ACE sequence number, 255. */
    uint64_t cnt;                      /* Byte count, filled by the entry. */
    uint64_t ptk;                      /* Packet count, filled by the entry. */
    uint32_t counter_arg;              /* The caller's counter argument. */
    uint8_t reserved2[12];             /* Zero. */
} ut_ss_fp_appmng_counter_para_t;

/* Fixed content. */

/* MAC address and mask of the built ACEs' source-MAC rule, copied in that
 * order; 00:22:33:44:55:66 and ff:ff:ff:ff:ff:ff at load. */
SS_FP_API extern uint8_t ut_ss_fp_appmng_mac_data[6];
SS_FP_API extern uint8_t ut_ss_fp_appmng_mac_mask[6];

/* ACL 99, application type 13, vdc_id 0, class 1. */
SS_FP_API void ut_ss_fp_appmng_init_acl(ss_fp_appmng_acl_t *acl);
/* Fills 'service_id' (the low 32 bits of the header's own address), the
 * callback, 'rv' 0, 'vdu' 0, 'op' and 'need_rollback' 1; leaves 'is_pi'. */
SS_FP_API void ut_ss_fp_appmng_init_common(ss_fp_appmng_common_t *header, ss_fp_appmng_cb_t cb, uint32_t op);

/* Record builders. Each allocates its record zero-filled from the system
 * allocator and stores it through the out-pointer, then writes the values;
 * a value whose flag is not in the record's bitmap is skipped with
 * "flag:[<flag>] is no set\r\n". When memory runs out the out-pointer is set
 * to NULL (and, in debug, the ASSERT line is printed).
 *   ut_ss_fp_appmng_alloc_ace:   sn 255, default; source MAC, IPv4 destination
 *                                192.168.1.1/32; CTRL 0x100, FWD 1,0,0 (99 bytes)
 *   ut_ss_fp_appmng_alloc_ace_diff(n): sn and sub_sn n, destination
 *                                192.168.1.1 + n (wrapping); otherwise as above
 *   ut_ss_fp_appmng_alloc_ace_with_counter: sn 255, default; zero source MAC,
 *                                192.168.2.2/32; COUNTER 7 (96 bytes; its FWD
 *                                and CTRL steps always print "is no set")
 *   ut_ss_fp_appmng_alloc_apply: phyid 0x07001B1E, application type 13;
 *                                CTRL 0x100, FWD 0,0,0 (163 bytes) */
SS_FP_API void ut_ss_fp_appmng_alloc_ace(ss_fp_appmng_ace_t **ace);
SS_FP_API void ut_ss_fp_appmng_alloc_ace_diff(ss_fp_appmng_ace_t **ace, uint32_t n);
SS_FP_API void ut_ss_fp_appmng_alloc_ace_with_counter(ss_fp_appmng_ace_t **ace);
SS_FP_API void ut_ss_fp_appmng_alloc_apply(ss_fp_appmng_apply_t **apply);
/* Free a built record; NULL is ignored. */
SS_FP_API void ut_ss_fp_appmng_free_ace(ss_fp_appmng_ace_t *ace);
SS_FP_API void ut_ss_fp_appmng_free_apply(ss_fp_appmng_apply_t *apply);

/* Request operations. Each returns the entry's result (the built record is
 * freed whatever it is). A record that could not be built is passed as NULL
 * and never dumped. */

SS_FP_API int ut_ss_fp_appmng_crt_acl(ut_ss_fp_appmng_entry_t func);
SS_FP_API int ut_ss_fp_appmng_del_acl(ut_ss_fp_appmng_entry_t func);
SS_FP_API int ut_ss_fp_appmng_add_ace(ut_ss_fp_appmng_entry_t func);
/* Dumps the ACE in debug. */
SS_FP_API int ut_ss_fp_appmng_add_ace_diff(ut_ss_fp_appmng_entry_t func, uint32_t n);
/* Always dumps the ACE. */
SS_FP_API int ut_ss_fp_appmng_add_ace_with_counter(ut_ss_fp_appmng_entry_t func);
SS_FP_API int ut_ss_fp_appmng_del_ace(ut_ss_fp_appmng_entry_t func);
/* Dumps the apply record in debug. */
SS_FP_API int ut_ss_fp_appmng_apply_acl(ut_ss_fp_appmng_entry_t func);
/* Always dumps the apply record. */
SS_FP_API int ut_ss_fp_appmng_unapply_acl(ut_ss_fp_appmng_entry_t func);
/* Counter request with operation 'op' and 'counter_arg'; prints
 * "\r\ncnt = <cnt>, ptk = <ptk>" when the entry returns 0. Returns 0. */
SS_FP_API int ut_ss_fp_appmng_counter(ut_ss_fp_appmng_entry_t func, uint32_t op, uint32_t counter_arg);
/* Action updates (operation 16) with an apply record moved to phyid
 * 0x07001902, direction 2, or with the ACE 255 renumbered 256 (old_sn 255)
 * and no longer default. Silent; the entry's result is not kept. */
SS_FP_API void ut_ss_fp_appmng_update_acl_action(ut_ss_fp_appmng_entry_t func);
SS_FP_API void ut_ss_fp_appmng_update_ace_action(ut_ss_fp_appmng_entry_t func);

/* Completion callback of every request. Returns 0. */
SS_FP_API int32_t ut_ss_fp_appmng_cb(ss_fp_appmng_common_t *header);

/* Debug toggles: set the application manager's debug bytes to 1 or 0. Each
 * returns 0. ut_ss_fp_appmng_deb() also sets the 'ds' byte. */

SS_FP_API int ut_ss_fp_appmng_deb(void);
SS_FP_API int ut_ss_fp_appmng_undeb(void);
SS_FP_API int ut_ss_fp_appmng_ds_deb(void);
SS_FP_API int ut_ss_fp_appmng_ds_undeb(void);
SS_FP_API int ut_ss_fp_appmng_io_deb(void);
SS_FP_API int ut_ss_fp_appmng_io_undeb(void);
SS_FP_API int ut_ss_fp_appmng_counter_deb(void);
SS_FP_API int ut_ss_fp_appmng_counter_undeb(void);
SS_FP_API int ut_ss_fp_appmng_res_deb(void);
SS_FP_API int ut_ss_fp_appmng_res_undeb(void);
/* Does nothing; returns 1. */
SS_FP_API int print_buffer(void);

/* Timing. */

/* A timer, 116 bytes. */
typedef struct ut_ss_fp_appmng_time {
    uint32_t start;  /* Timestamp of the last start, microseconds. */
    uint32_t end;    /* Timestamp of the last stop. */
    uint32_t total;  /* Accumulated elapsed microseconds. */
    uint32_t count;  /* Number of stops. */
    char name[100];  /* Title of the display, NUL-terminated; set by the caller. */
} ut_ss_fp_appmng_time_t;

#define UT_SS_FP_APPMNG_TIMES 6

/* Run timer, stopped and shown by the completion that reaches 'g_test_num'. */
SS_FP_API extern ut_ss_fp_appmng_time_t g_test_time;
/* Completion count at which the run timer stops. */
SS_FP_API extern uint32_t g_test_num;
/* Completions so far. */
SS_FP_API extern uint32_t g_test_count;
/* Timers of the application manager, filled outside the library. */
SS_FP_API extern ut_ss_fp_appmng_time_t g_ss_fp_appmng_time;
SS_FP_API extern ut_ss_fp_appmng_time_t g_ss_fp_appmng_times[UT_SS_FP_APPMNG_TIMES];
/* Allocation count of the application manager, kept outside the library. */
SS_FP_API extern int32_t g_ss_fp_appmng_malloc;

/* Sets 'start' to now and returns it. */
SS_FP_API uint32_t ut_ss_fp_appmng_time_start(ut_ss_fp_appmng_time_t *t);
/* Sets 'end' to now, adds end - start to 'total', counts the stop, and shows
 * the timer when 'show' is non-zero. */
SS_FP_API void ut_ss_fp_appmng_time_stop(ut_ss_fp_appmng_time_t *t, uint8_t show);
/* Prints
 *   "\r\n================ test <name> ================"
 *   "\r\ntime = <count>, total elapsed: <total>us"
 *   "\r\navg: <whole>.<two decimals>us\n"
 * with the average total / count truncated to hundredths; nothing for a NULL
 * name or a count of 0. */
SS_FP_API void ut_ss_fp_appmng_time_show(const char *name, uint32_t total, uint32_t count);
/* Zeroes the counters of 'g_ss_fp_appmng_time' and 'g_ss_fp_appmng_times'
 * (names kept). */
SS_FP_API void ut_ss_fp_appmng_init_time(void);
/* Shows 'g_ss_fp_appmng_time', then each record of 'g_ss_fp_appmng_times'
 * after "\r\ni = <index>". */
SS_FP_API void ut_ss_fp_appmng_dump_time(void);
/* Prints "\r\ng_ss_fp_appmng_malloc = <count>"; returns the flush's result. */
SS_FP_API int ut_ss_fp_appmng_dump_memory(void);

/* The application manager's structures, as far as the views read them. */

/* Root of the application manager. */
typedef struct ss_fp_appmng_root {
    uint8_t opaque[64];                /* The application manager's. */
    ss_fp_list_t acl_list;             /* ACL nodes, by 'link'. */
} ss_fp_appmng_root_t;

/* One ACL. */
typedef struct ss_fp_appmng_acl_node {
    uint8_t opaque0[12];               /* The application manager's. */
    ss_fp_appmng_acl_t acl;            /* The ACL. */
    uint8_t opaque1[4];                /* The application manager's. */
    int32_t ds_time;                   /* Printed as ds_time. */
    int32_t ace_cnt;                   /* Number of ACEs. */
    int32_t apply_cnt;                 /* Number of applies. */
    uint8_t is_pi;                     /* Printed as is_pi. */
    uint8_t opaque2[3];                /* The application manager's. */
    ss_fp_list_t link;                 /* Link in the root's ACL list. */
    ss_fp_list_t ace_list;             /* ACE nodes, by their 'link'. */
    uint8_t opaque3[8];                /* The application manager's. */
    ss_fp_list_t apply_list;           /* Apply nodes, by their 'link'. */
} ss_fp_appmng_acl_node_t;

/* One ACE of an ACL, with its hit counters. */
typedef struct ss_fp_appmng_ace_node {
    uint8_t opaque0[24];               /* The application manager's. */
    ss_fp_list_t link;                 /* Link in the ACL's ACE list. */
    uint8_t opaque1[8];                /* The application manager's. */
    uint64_t ace_sn;                   /* ACE sequence number. */
    uint8_t opaque2[80];               /* The application manager's. */
    uint64_t byte_cnt;                 /* Matched bytes. */
    uint64_t ptk_cnt;                  /* Matched packets. */
    uint64_t byte_cnt1;                /* Matched bytes, second counter. */
    uint64_t ptk_cnt1;                 /* Matched packets, second counter. */
    int32_t ds_time;                   /* Printed as ds_time. */
    uint8_t is_pi;                     /* Printed as is_pi. */
    uint8_t opaque3[3];                /* The application manager's. */
    int32_t ace_db;                    /* Printed as ace_db. */
    uint8_t opaque4[4];                /* The application manager's. */
    uint64_t req_uuid;                 /* Printed as req_uuid. */
    uint8_t opaque5[4];                /* The application manager's. */
    int32_t status;                    /* Printed as status. */
    uint8_t opaque6[24];               /* The application manager's. */
    uint8_t ace[];                     /* An ss_fp_appmng_ace_t with its values. */
} ss_fp_appmng_ace_node_t;

/* One application of an ACL. */
typedef struct ss_fp_appmng_apply_node {
    ss_fp_list_t link;                 /* Link in the ACL's apply list. */
    uint8_t opaque0[20];               /* The application manager's. */
    int32_t ds_time;                   /* Printed as ds_time. */
    uint8_t is_pi;                     /* Printed as is_pi. */
    uint8_t opaque1[3];                /* The application manager's. */
    uint8_t apply[];                   /* An ss_fp_appmng_apply_t with its values. */
} ss_fp_appmng_apply_node_t;

/* One uplink interface. */
typedef struct ss_fp_appmng_uplink_node {
    ss_fp_list_t link;                 /* Link in its uplink type's list. */
    uint32_t phyid;                    /* Physical port id. */
    int32_t intf_type;                 /* Interface type. */
    int32_t ds_time;                   /* Printed as ds_time. */
    uint8_t is_pi;                     /* Printed as is_pi. */
    uint8_t opaque[3];                 /* The application manager's. */
} ss_fp_appmng_uplink_node_t;

#define UT_SS_FP_APPMNG_UPLINK_TYPES 4

/* One item of the service table: an outbound service id, the inbound id it
 * answers and its node. */
typedef struct ss_fp_appmng_service_dm_node {
    uint32_t service_out;              /* Outbound service id. */
    uint32_t service_in;               /* Inbound service id. */
    uint32_t dm_node;                  /* Node number. */
} ss_fp_appmng_service_dm_node_t;

/* Views. None takes a lock; a NULL structure prints nothing. */

/* For each uplink type 0 to 3 whose list (entry t of the 4 heads) is not
 * empty: "\r\nuplink_type = <t>[0: GLOBAL_ACL 1: IP_MAC 2: SECURITY_CHANNEL",
 * then one line per node. */
SS_FP_API void ut_ss_fp_appmng_dump_uplink(const ss_fp_list_t *uplink);

/* ACL selection of the three views below, over the root's ACL list in order:
 * 'app_type' 0 selects every ACL; a non-zero 'app_type' with 'acl_id' 0 the
 * ACLs of that type; both non-zero, the ACLs that have both. */

/* Prints each selected ACL with its ACEs and applies. 'app_type' must be
 * below 186 ("\r\npara error. app_type range is [0, 186).\n" otherwise).
 * Returns 0, or -1 for a refused type or a NULL root. */
SS_FP_API int ut_ss_fp_appmng_dump_acl(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id);
/* One line per ACE of the ACL with a non-zero packet count. An ACL of an
 * application type outside the name table prints "[?]" as its name. */
SS_FP_API void ut_ss_fp_appmng_dump_ace_counter(ss_fp_appmng_acl_node_t *acl);
/* ut_ss_fp_appmng_dump_ace_counter() on every selected ACL. Returns 0 (-1 for
 * a NULL root). */
SS_FP_API int ut_ss_fp_appmng_dump_acl_counter(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id);
/* Zeroes each counter pair (bytes and packets) of the ACL's ACEs whose packet
 * count is non-zero, and when any was, prints
 * "\r\nclear unit:<vdc_id>, app_type:<type>[<name>], acl_id = <id> counter\r\n". */
SS_FP_API void ut_ss_fp_appmng_clear_ace_counter(ss_fp_appmng_acl_node_t *acl);
/* ut_ss_fp_appmng_clear_ace_counter() on every selected ACL. Returns 0 (-1
 * for a NULL root). */
SS_FP_API int ut_ss_fp_appmng_clear_acl_counter(ss_fp_appmng_root_t *root, uint32_t app_type, int32_t acl_id);

/* Prints a heading, then "[service_out = %d]---[service_in = %d]----[dm_node = %d]\n"
 * per item of a table of ss_fp_appmng_service_dm_node_t. Returns the
 * traversal's result (-1 for a NULL table). */
SS_FP_API int ut_ss_fp_appmng_dump_service_dm_hash(libss_hash_t *hash);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_UT_APPMNG_H */
