/*
 * Small language bridges for the headers of the I/O-control contract, which C (C11) and C++
 * translation units both include.
 */
#ifndef QMS_CDEFS_H
#define QMS_CDEFS_H

#ifdef __cplusplus
/* Helpers are constexpr in C++ so that layouts and codes can be checked at compile time. */
#define QMS_INLINE constexpr inline
#define QMS_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define QMS_INLINE static inline
#define QMS_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Layout checks for the structures that carry pointers: the 32-bit figure is the documented
 * one, the 64-bit figure is what the same declaration gives on a 64-bit host. */
#define QMS_ASSERT_PTR_LAYOUT(expr, value32, value64, msg)                                   \
    QMS_STATIC_ASSERT(sizeof(void *) == 4 ? (expr) == (value32) : (expr) == (value64), msg)

#endif
