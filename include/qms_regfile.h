/*
 * Registry files: import and export of HKEY_LOCAL_MACHINE as REGEDIT4 text (UTF-8), the way
 * device templates are installed. The files hold [HKEY_LOCAL_MACHINE\...] key lines,
 * [-HKEY_LOCAL_MACHINE\...] lines that delete a key with its subtree, and value lines
 * "Name"="text" (escapes \\ and \"), @=... for the default value, dword:0000000c, hex:01,02,
 * hex(n):... (hex(2) and hex(7) as UTF-8 text), "Name"=- to delete a value; a trailing
 * backslash continues a byte list on the next line; lines starting with ';' are comments.
 *
 * Usable from C (C11) and C++.
 */
#ifndef QMS_REGFILE_H
#define QMS_REGFILE_H

#include <stddef.h>

#include "qms_platform.h"

QMS_EXTERN_C_BEGIN

#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif

/* Imports registry text: all of it in one transaction, or nothing at all. Returns
 * ERROR_SUCCESS; ERROR_INVALID_DATA for a syntax error, with a message that starts with the
 * line number ("line 7: expected '=' after the value name"); ERROR_INVALID_PARAMETER for a
 * null text; or the registry's error value when the store refuses the change. The message
 * goes to error (always terminated when error_size > 0; error may be NULL). */
QMS_EXPORT int qms_reg_import_text(const char *text, size_t length, char *error,
                                   size_t error_size);

/* As qms_reg_import_text, for a file; ERROR_FILE_NOT_FOUND or ERROR_CANTREAD when the file
 * cannot be read. */
QMS_EXPORT int qms_reg_import_file(const char *path, char *error, size_t error_size);

/* Writes the REGEDIT4 text of key_path and its subtree (NULL or "" for all of
 * HKEY_LOCAL_MACHINE; the path may start with "HKEY_LOCAL_MACHINE\") into buf, terminated
 * when size > 0 (cut short when the buffer is too small; buf may be NULL when size is 0).
 * Returns the length of the whole text without the terminator, so a result >= size asks for
 * a larger buffer; a negative result is the negated error value (-2: no such key). */
QMS_EXPORT long qms_reg_export(const char *key_path, char *buf, size_t size);

/* The database file the registry uses, or will use when it opens: QMS_REGISTRY, else
 * $XDG_STATE_HOME/qms6093/registry.db, else ~/.local/state/qms6093/registry.db (":memory:"
 * for a registry kept in memory). Buffer handling and result as qms_reg_export. */
QMS_EXPORT long qms_reg_store_path(char *buf, size_t size);

/* Closes the registry's database, so that its file is complete on disk and another program
 * may take it; the next registry call opens it again (from QMS_REGISTRY at that moment). */
QMS_EXPORT void qms_reg_close(void);

QMS_EXTERN_C_END

#endif
