/* The plain C test programs' check: report the failed condition and make
 * main() return 1. */
#ifndef FPSS_TEST_C_CHECK_H
#define FPSS_TEST_C_CHECK_H

#include <stdio.h>

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            return 1;                                                                \
        }                                                                            \
    } while (0)

#endif /* FPSS_TEST_C_CHECK_H */
