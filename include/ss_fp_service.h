/*
 * Service ids: ties the requests a process sends to the request that caused
 * them, and tells when all the answers are in.
 *
 * A caller creates a service handle. For every incoming request it allocates
 * an inbound id, optionally storing parameter bytes with it; for every request
 * it sends on that request's behalf it allocates an outbound id bound to the
 * inbound one; when an answer arrives it marks the outbound id received (which
 * frees it); when it has sent everything it verifies the inbound id, which
 * settles it to complete (DONE) or waiting (WAIT). A waiting inbound id turns
 * complete when its last outstanding outbound id is received.
 *
 *     ss_fp_service_hdl_t *h;
 *     uint32_t in, out;
 *     if (libss_fp_alloc_service_hdl(&h) != 0) { ... out of memory ... }
 *     libss_fp_alloc_service_id_in(h, NULL, &in);
 *     libss_fp_alloc_service_id_out(h, in, &out);     send the request tagged 'out'
 *     libss_fp_verify_service_id_in(h, in, NULL, 0);  state WAIT
 *     libss_fp_set_service_id_out_recv(h, out);       answer in: state DONE
 *     libss_fp_free_service_id_in(h, in);
 *
 * Ids run from 1 to 0xFFFFFFFF and wrap to 1; inbound and outbound ids are
 * counted separately. An id still held by a live node is never issued again.
 *
 * Results: 0 on success; -1 for an id that is not registered or a bad
 * argument; -12 when memory runs out. Every operation first checks its handle:
 * a NULL handle prints the assertion "service_hdl != NULL." (when the
 * assertion switch is on) and returns -1 (0 for the operations whose result is
 * always 0), touching nothing.
 *
 * Ownership: the caller owns the handle from libss_fp_alloc_service_hdl() to
 * libss_fp_free_service_hdl(), which frees every node. Parameter bytes are
 * copied in at allocation; the pointer handed back by
 * libss_fp_get_service_id_info() points into the inbound node and stays valid
 * only while that inbound id lives.
 *
 * Thread safety: any thread may call any operation; each holds the handle's
 * mutex (not recursive) for its whole work. The walk calls its function with
 * the mutex held: that function must not call this registry on the same
 * handle. The verification calls its function after releasing the mutex, so
 * that function may. No thread may use a handle once it is being freed.
 */
#ifndef SS_FP_SERVICE_H
#define SS_FP_SERVICE_H

#if !defined(_POSIX_C_SOURCE) && !defined(_XOPEN_SOURCE) && !defined(_GNU_SOURCE) && !defined(_DEFAULT_SOURCE)
#define _POSIX_C_SOURCE 200809L
#endif
#include <pthread.h>
#include <stdint.h>

#include "libss_hash.h"
#include "ss_fp_export.h"
#include "ss_fp_list.h"

#ifdef __cplusplus
extern "C" {
#endif

/* State of an inbound id. */
enum {
    SS_FP_SERVICE_STATE_NEW = 0,  /* allocated, no outbound id yet */
    SS_FP_SERVICE_STATE_OUT = 1,  /* an outbound id was allocated, not verified since */
    SS_FP_SERVICE_STATE_DONE = 2, /* verified, and every outbound id has been received */
    SS_FP_SERVICE_STATE_WAIT = 3  /* verified while some outbound ids were outstanding */
};

/* A service handle. All fields are guarded by 'mutex'. */
typedef struct ss_fp_service_hdl {
    libss_hash_t *service_in_hash;  /* Inbound nodes, keyed by serv_id_in. */
    libss_hash_t *service_out_hash; /* Outbound nodes, keyed by serv_out_id. */
    uint32_t last_id_in;            /* Inbound id issued last; 0 in a new handle. */
    uint32_t last_id_out;           /* Outbound id issued last; 0 in a new handle. */
    uint32_t service_id_in_num;     /* Live inbound nodes. */
    uint32_t service_id_out_num;    /* Live outbound nodes. */
    pthread_mutex_t mutex;          /* Guards all of the above; not recursive. */
} ss_fp_service_hdl_t;

/* One inbound id, allocated in one block with its parameter bytes. */
typedef struct ss_fp_service_in_node {
    uint32_t serv_id_in;           /* The inbound id (key); first field. */
    uint32_t serv_out;             /* Outbound ids allocated for it so far; never decreases. */
    uint32_t out_recv;             /* Of those, received or freed so far; never decreases. */
    uint32_t state;                /* SS_FP_SERVICE_STATE_*. */
    ss_fp_list_t service_out_list; /* Its live outbound nodes, newest first. */
    uint64_t user_data;            /* From the parameter record; 0 when none was given. */
    uint32_t paralen;              /* Number of parameter bytes stored. */
    uint8_t para[];                /* The parameter bytes, inline. */
} ss_fp_service_in_node_t;

/* One outbound id. */
typedef struct ss_fp_service_out_node {
    ss_fp_list_t list;                /* Place in its inbound node's service_out_list. */
    uint32_t serv_out_id;             /* The outbound id (key). */
    ss_fp_service_in_node_t *node_in; /* The inbound node it was allocated for. */
} ss_fp_service_out_node_t;

/* Parameters of an inbound id: given at allocation, read back by
 * libss_fp_get_service_id_info(). */
typedef struct ss_fp_service_para {
    uint64_t user_data; /* Caller's word, stored as is. */
    uint32_t paralen;   /* Number of bytes at 'para'. */
    void *para;         /* The bytes; must be valid whenever paralen is not 0. */
} ss_fp_service_para_t;

/* Called by the verification with the inbound id and the caller's argument. */
typedef int (*ss_fp_service_verify_func_t)(uint32_t serv_id_in, uint32_t arg);
/* Called by the walk for every inbound node; a non-zero result ends the walk. */
typedef int (*ss_fp_service_travel_func_t)(ss_fp_service_in_node_t *node_in, uint64_t arg);

/* Handles. */

/* Creates a handle and stores it through 'service_hdl'. Returns 0, or -12 on
 * any failure ('*service_hdl' then untouched). */
SS_FP_API int libss_fp_alloc_service_hdl(ss_fp_service_hdl_t **service_hdl);
/* Frees every node, both tables and the handle. Returns 0. */
SS_FP_API int libss_fp_free_service_hdl(ss_fp_service_hdl_t *service_hdl);

/* Inbound ids. */

/* Allocates an inbound id, copying the parameter record (may be NULL) into its
 * node, and stores it through 'serv_id_in' (also when the allocation then
 * fails). Returns 0; -1 when the node cannot be allocated or an argument is
 * bad; -12 when the table cannot take it. */
SS_FP_API int libss_fp_alloc_service_id_in(ss_fp_service_hdl_t *service_hdl, const ss_fp_service_para_t *para,
                                           uint32_t *serv_id_in);
/* Frees the inbound id and all its outbound ids. Returns 0, also when the id
 * is not registered. */
SS_FP_API int libss_fp_free_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in);
/* Settles the state to DONE (every outbound id received) or WAIT, then, with
 * the mutex released, calls 'func' (may be NULL) with the id and 'arg'.
 * Returns the function's result, 0 without one, -1 when the id is not
 * registered (the function is then not called). */
SS_FP_API int libss_fp_verify_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in,
                                            ss_fp_service_verify_func_t func, uint32_t arg);

/* Outbound ids. */

/* Allocates an outbound id bound to 'serv_id_in', stores it through
 * 'serv_out_id' and sets the inbound state to OUT. Returns 0; -1 when the
 * inbound id is not registered (the issued id is then used up); -12 when
 * memory runs out. */
SS_FP_API int libss_fp_alloc_service_id_out(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in,
                                            uint32_t *serv_out_id);
/* Marks the outbound id received and frees it. Returns 0, or -1 when it is
 * not registered. */
SS_FP_API int libss_fp_set_service_id_out_recv(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id);
/* The same as libss_fp_set_service_id_out_recv(): a freed outbound id counts
 * as received. */
SS_FP_API int libss_fp_free_service_id_out(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id);

/* Lookups. */

/* Stores the inbound id that 'serv_out_id' was allocated for. Returns 0, or -1
 * when the outbound id is not registered ('*serv_id_in' untouched). */
SS_FP_API int libss_fp_get_service_id_in(ss_fp_service_hdl_t *service_hdl, uint32_t serv_out_id,
                                         uint32_t *serv_id_in);
/* Stores the state (when 'state' is not NULL) and the parameters (when 'para'
 * is not NULL: user_data, paralen and a pointer to the node's own bytes, NULL
 * when there are none). Returns 0, or -1 when the id is not registered. */
SS_FP_API int libss_fp_get_service_id_info(ss_fp_service_hdl_t *service_hdl, uint32_t serv_id_in,
                                           uint32_t *state, ss_fp_service_para_t *para);

/* Walk and dump. */

/* Calls 'func(node, arg)' for every inbound node, with the mutex held. Returns
 * the first non-zero result, else 0. */
SS_FP_API int libss_fp_travel_all_service_id_in(ss_fp_service_hdl_t *service_hdl,
                                                ss_fp_service_travel_func_t func, uint64_t arg);
/* Prints the counts, every inbound node and its outbound nodes. Returns 0. */
SS_FP_API int libss_fp_service_dump(ss_fp_service_hdl_t *service_hdl);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_SERVICE_H */
