/*
 * Circular doubly linked list links, shared by the records of the FP support
 * library (hash chains, per-size allocation records, service-id lists).
 *
 * An empty list is a head whose two links point to the head itself. The links
 * carry no lock; each user guards them with the lock of the record they live in.
 */
#ifndef SS_FP_LIST_H
#define SS_FP_LIST_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ss_fp_list {
    struct ss_fp_list *next; /* Next link; the head itself after the last. */
    struct ss_fp_list *prev; /* Previous link; the head itself before the first. */
} ss_fp_list_t;

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_LIST_H */
