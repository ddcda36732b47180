/*
 * The platform underneath the USB-6093 stack: the Windows CE core-library subset that the
 * device-side libraries call, with its own names, types and values, implemented on Linux.
 *
 * Wide text is UTF-16 (WCHAR is char16_t, never wchar_t). Handles are opaque tokens from a
 * handle table, never raw pointers: a stale or doubly closed handle fails with
 * ERROR_INVALID_HANDLE (6) and never crashes.
 *
 * Usable from C (C11) and C++.
 */
#ifndef QMS_PLATFORM_H
#define QMS_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#include "qms_export.h"

#ifndef __cplusplus
#include <uchar.h>
#endif

QMS_EXTERN_C_BEGIN

/* ---- Basic types ------------------------------------------------------------------------ */

typedef char16_t WCHAR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef uint8_t BYTE;
typedef BYTE *LPBYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef DWORD *LPDWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int BOOL;
typedef uintptr_t DWORD_PTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef void *HANDLE;
typedef HANDLE *LPHANDLE;
typedef HANDLE HLOCAL;
typedef HANDLE HMODULE;
typedef HANDLE HINSTANCE;
typedef char CHAR;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
typedef struct QMS_HKEY_ *HKEY;
typedef HKEY *PHKEY;
typedef DWORD REGSAM;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME;

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED; /* never used: every call is synchronous */

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* ---- Error values (GetLastError) -------------------------------------------------------- */

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_GEN_FAILURE 31L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_DEV_NOT_EXIST 55L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_BAD_ARGUMENTS 160L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_DEVICE_REMOVED 1617L
#define ERROR_BADDB 1009L
#define ERROR_BADKEY 1010L
#define ERROR_CANTOPEN 1011L
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L
#define ERROR_KEY_DELETED 1018L
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_TIMEOUT 1460L

/* ---- Kernel objects: events, waits, threads --------------------------------------------- */

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_ABANDONED 0x80u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64u
#define STILL_ACTIVE 259u

/* EventModify functions */
#define EVENT_PULSE 1
#define EVENT_RESET 2
#define EVENT_SET 3

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID lpParameter);
#define CREATE_SUSPENDED 0x00000004u

/* Creates an event; with a name that already exists it opens that event and sets last error
 * ERROR_ALREADY_EXISTS. Named events are shared by name within the platform instance. */
QMS_EXPORT HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                               BOOL bInitialState, LPCWSTR lpName);
QMS_EXPORT BOOL EventModify(HANDLE hEvent, DWORD func);
QMS_EXPORT BOOL SetEvent(HANDLE hEvent);
QMS_EXPORT BOOL ResetEvent(HANDLE hEvent);
QMS_EXPORT BOOL PulseEvent(HANDLE hEvent);
/* Waits on events and thread handles; time-outs run on the monotonic clock. A handle closed
 * by another thread during the wait does not end it: the wait keeps waiting on the object. */
QMS_EXPORT DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
/* Wait-any only (bWaitAll must be FALSE, as on the original): WAIT_OBJECT_0 + the lowest
 * signalled index, WAIT_TIMEOUT, or WAIT_FAILED (a bad handle, bWaitAll TRUE, nCount 0 or
 * above MAXIMUM_WAIT_OBJECTS). */
QMS_EXPORT DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE *lpHandles, BOOL bWaitAll,
                                        DWORD dwMilliseconds);
QMS_EXPORT BOOL CloseHandle(HANDLE hObject);

/* The thread runs at once (CREATE_SUSPENDED is refused with ERROR_NOT_SUPPORTED; the stack
 * size is a hint only). Closing its handle does not stop it; the handle is signalled when the
 * thread ends. */
QMS_EXPORT HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, DWORD dwStackSize,
                               LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                               DWORD dwCreationFlags, LPDWORD lpThreadId);
QMS_EXPORT BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
/* A running thread cannot be stopped safely on this platform (it would leave locks held and
 * data half-written): TerminateThread fails with ERROR_NOT_SUPPORTED and the thread runs on;
 * the caller must make it end by its own means (a stop event it watches). On a thread that
 * has already ended it succeeds and leaves the real exit code. */
QMS_EXPORT BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode);
QMS_EXPORT DWORD GetCurrentThreadId(void);
QMS_EXPORT void Sleep(DWORD dwMilliseconds);
QMS_EXPORT DWORD GetTickCount(void);

/* ---- Critical sections (recursive, as on the original) ---------------------------------- */

typedef struct _CRITICAL_SECTION {
    void *impl;       /* owned by the platform between Initialize and Delete */
    DWORD reserved[4];
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

QMS_EXPORT void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QMS_EXPORT void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QMS_EXPORT void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QMS_EXPORT BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QMS_EXPORT void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

QMS_EXPORT LONG InterlockedIncrement(LONG volatile *lpAddend);
QMS_EXPORT LONG InterlockedDecrement(LONG volatile *lpAddend);
QMS_EXPORT LONG InterlockedExchange(LONG volatile *Target, LONG Value);
QMS_EXPORT LONG InterlockedCompareExchange(LONG volatile *Destination, LONG Exchange,
                                           LONG Comperand);

/* ---- Last error, memory, modules -------------------------------------------------------- */

QMS_EXPORT DWORD GetLastError(void);
QMS_EXPORT void SetLastError(DWORD dwErrCode);

#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
QMS_EXPORT HLOCAL LocalAlloc(UINT uFlags, size_t uBytes);
QMS_EXPORT HLOCAL LocalFree(HLOCAL hMem); /* NULL on success */

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
QMS_EXPORT BOOL DisableThreadLibraryCalls(HMODULE hLibModule);

/* ---- Text ------------------------------------------------------------------------------- */
/*
 * 8-bit text is UTF-8 on this platform, whatever code page a caller names (CP_ACP, CP_OEMCP
 * and CP_UTF8 alike): the one conversion between the stack's UTF-16 and its 8-bit text.
 *
 * Invalid input: each ill-formed sequence (every maximal ill-formed subpart of UTF-8: a byte
 * that starts nothing, a sequence cut short, an overlong form, a surrogate or a code point
 * above U+10FFFF; in UTF-16 every unpaired surrogate) becomes one U+FFFD REPLACEMENT
 * CHARACTER, and *lpUsedDefaultChar (when given) is set to TRUE. With MB_ERR_INVALID_CHARS or
 * WC_ERR_INVALID_CHARS the call instead fails with ERROR_NO_UNICODE_TRANSLATION.
 *
 * Lengths count units (bytes for 8-bit text); -1 means NUL-terminated, the terminator then
 * being converted and counted too. An output size of 0 asks for the size needed; a smaller
 * output than needed fails with ERROR_INSUFFICIENT_BUFFER and writes nothing. An input length
 * of 0 fails with ERROR_INVALID_PARAMETER, as on the original. lpDefaultChar is not used.
 * Return the units written (or needed), 0 on failure.
 */
#define CP_ACP 0u
#define CP_OEMCP 1u
#define CP_UTF8 65001u
#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u
#define WC_ERR_INVALID_CHARS 0x00000080u
QMS_EXPORT int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                   int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar);
QMS_EXPORT int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                                   int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                   LPCSTR lpDefaultChar, BOOL *lpUsedDefaultChar);

/* ---- Registry (HKEY_LOCAL_MACHINE) ------------------------------------------------------ */
/*
 * The store is SQLite: the file named by the environment variable QMS_REGISTRY (default:
 * $XDG_STATE_HOME/qms6093/registry.db), or memory only when QMS_REGISTRY is ":memory:".
 * Key and value names compare case-insensitively. Every write is one committed transaction.
 * Functions return an error value (ERROR_SUCCESS on success) and do not set last error.
 */

#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_MULTI_SZ 7u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu

#define REG_OPTION_NON_VOLATILE 0u
#define REG_OPTION_VOLATILE 1u
#define REG_CREATED_NEW_KEY 1u
#define REG_OPENED_EXISTING_KEY 2u

/* Longest key name (one path component) and value name, in characters. */
#define QMS_REG_MAX_KEY_NAME 255u
#define QMS_REG_MAX_VALUE_NAME 16383u

QMS_EXPORT LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                              PHKEY phkResult);
/* Creates the key and any missing parents. */
QMS_EXPORT LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                DWORD dwOptions, REGSAM samDesired,
                                LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                LPDWORD lpdwDisposition);
/* lpType and lpcbData are in/out; a buffer too small gives ERROR_MORE_DATA and the needed
 * size; a missing value ERROR_FILE_NOT_FOUND. */
QMS_EXPORT LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved,
                                 LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
QMS_EXPORT LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                               const BYTE *lpData, DWORD cbData);
/* By index in a stable order; ERROR_NO_MORE_ITEMS past the end; a short name buffer gives
 * ERROR_MORE_DATA. lpcchName is in/out, in characters, without the terminator on return. */
QMS_EXPORT LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                              LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                              PFILETIME lpftLastWriteTime);
QMS_EXPORT LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                              LPDWORD lpcchValueName, LPDWORD lpReserved, LPDWORD lpType,
                              LPBYTE lpData, LPDWORD lpcbData);
/* Deletes the key with all its subkeys and values. */
QMS_EXPORT LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
QMS_EXPORT LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
QMS_EXPORT LONG RegCloseKey(HKEY hKey);

/* ---- Device manager and stream devices -------------------------------------------------- */

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

/* Opens a stream device by its name ("U93" + index + ":"); the device manager calls the
 * driver's Open entry point. INVALID_HANDLE_VALUE with last error on failure. */
QMS_EXPORT HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                              LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                              DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                              HANDLE hTemplateFile);
QMS_EXPORT BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                                DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                                LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped);
/* dwClientInfo travels as a 32-bit value: drivers pass a token, never a pointer. */
QMS_EXPORT HANDLE ActivateDevice(LPCWSTR lpszDevKey, DWORD dwClientInfo);
QMS_EXPORT BOOL DeactivateDevice(HANDLE hDevice);

/* ---- Platform life cycle ---------------------------------------------------------------- */

/* The platform boots on first use of the device manager (or of the simulator's control API):
 * it opens the registry, starts the USB host stack, installs the stream driver the first time
 * and plugs the simulated modules named by QMS_SIM. These two calls make it explicit;
 * shutdown unplugs every module, runs the removal paths and closes the registry, so that a
 * test can start a fresh platform afterwards. qms_platform_start returns 0 on success. */
QMS_EXPORT int qms_platform_start(void);
QMS_EXPORT void qms_platform_shutdown(void);

/* USB-6093 modules plugged into this machine that the platform found but could not attach
 * (busy in another program, no permission), one line each ending in '\n'. Writes at most
 * size - 1 bytes and a terminating 0 when size > 0; returns the full length without it, or -1
 * when the list could not be made. */
QMS_EXPORT long qms_platform_usb_unavailable(char *buf, size_t size);

QMS_EXTERN_C_END

#endif
