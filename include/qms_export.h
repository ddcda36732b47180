/* Symbol visibility of the stack's shared libraries: everything is hidden unless marked. */
#ifndef QMS_EXPORT_H
#define QMS_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define QMS_EXPORT __attribute__((visibility("default")))
#else
#define QMS_EXPORT
#endif

#ifdef __cplusplus
#define QMS_EXTERN_C_BEGIN extern "C" {
#define QMS_EXTERN_C_END }
#else
#define QMS_EXTERN_C_BEGIN
#define QMS_EXTERN_C_END
#endif

#endif
