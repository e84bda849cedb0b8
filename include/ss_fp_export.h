/*
 * Export marker of the FP support library.
 *
 * The library is built with hidden visibility; every declaration of its C
 * interface carries SS_FP_API, which gives the name default visibility. For a
 * program that links the library the marker is harmless.
 */
#ifndef SS_FP_EXPORT_H
#define SS_FP_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define SS_FP_API __attribute__((visibility("default")))
#else
#define SS_FP_API
#endif

#endif /* SS_FP_EXPORT_H */
