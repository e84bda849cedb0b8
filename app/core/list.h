// Operations on the circular links of ss_fp_list_t. The caller holds the lock
// of the record the list lives in.
#ifndef FPSS_CORE_LIST_H
#define FPSS_CORE_LIST_H

#include <cstddef>

#include "ss_fp_list.h"

namespace fpss {

inline void list_init(ss_fp_list_t *head) { head->next = head->prev = head; }
inline bool list_empty(const ss_fp_list_t *head) { return head->next == head; }
// For a head that another component owns and may hand over zero-filled,
// never set up: null links count as empty too.
inline bool list_empty_or_unset(const ss_fp_list_t *head) { return head->next == nullptr || list_empty(head); }

// Links 'n' between 'prev' and 'next'.
inline void list_link(ss_fp_list_t *n, ss_fp_list_t *prev, ss_fp_list_t *next) {
    n->prev = prev;
    n->next = next;
    prev->next = n;
    next->prev = n;
}
inline void list_add_head(ss_fp_list_t *n, ss_fp_list_t *head) { list_link(n, head, head->next); }
inline void list_add_tail(ss_fp_list_t *n, ss_fp_list_t *head) { list_link(n, head->prev, head); }
inline void list_add_before(ss_fp_list_t *n, ss_fp_list_t *pos) { list_link(n, pos->prev, pos); }

inline void list_del(ss_fp_list_t *n) {
    n->prev->next = n->next;
    n->next->prev = n->prev;
    n->next = n->prev = n;
}

// The standard-layout record of type T whose link member lies 'member_offset'
// bytes into it.
template <class T>
T *list_entry(ss_fp_list_t *link, size_t member_offset) {
    return reinterpret_cast<T *>(reinterpret_cast<char *>(link) - member_offset);
}

}  // namespace fpss

#define FPSS_LIST_ENTRY(link, T, member) (::fpss::list_entry<T>((link), offsetof(T, member)))

#endif  // FPSS_CORE_LIST_H
