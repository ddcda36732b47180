/*
 * The window system as the dialogs see it: the Windows CE user-interface subset (dialogs from
 * in-memory templates, controls and their messages, message boxes, timers, a little painting)
 * with its own names, types and values, and the common controls the dialogs use (list view,
 * trackbar, up-down, tab and tree controls).
 *
 * Toolkit. libqmsplatform keeps these entry points and the handle table; the windows
 * themselves are Qt 6 Widgets, in the backend library libqmsui-qt.so, which is loaded the first
 * time a window or a message box is made (QMS_UI_BACKEND may name another file). A program
 * that never opens a window never loads Qt. Qt chooses its platform as usual: a desktop
 * session (xcb or wayland), QT_QPA_PLATFORM=offscreen with no display at all, or
 * QT_QPA_PLATFORM=vnc to show the windows to a remote viewer. When the toolkit cannot be
 * started (backend or Qt missing, no display and no platform named), the call that needed it
 * fails with its usual failure value, last error ERROR_MOD_NOT_FOUND or ERROR_DLL_INIT_FAILED,
 * and the reason is printed once on stderr and kept for qms_ui_failure().
 *
 * Threads. Every window lives on the toolkit's thread: the thread that made the application
 * object (the first window's thread when the program has none of its own). Windows and message
 * boxes are made on that thread only; other threads get ERROR_WINDOW_OF_OTHER_THREAD. Any
 * thread may send or post to a window and use the calls that act on one (SetDlgItemTextW,
 * EnableWindow, ...): from another thread the call runs on the window's thread, the caller
 * waits for it, and it fails at once, without waiting, when the window is gone or goes away
 * meanwhile. Messages sent from other threads, posted messages and timers are delivered while
 * the window's thread runs the toolkit's loop: in a modal dialog or message box, in
 * GetMessageW, PeekMessageW or WaitMessage, or in the program's own Qt event loop.
 *
 * Handles. HWND, HBITMAP, HBRUSH, HDC and HMODULE values are 32-bit tokens (bit 31 set, so
 * they never meet a kernel handle), never pointers: a stale handle, or one of another kind,
 * is refused with ERROR_INVALID_WINDOW_HANDLE (windows) or ERROR_INVALID_HANDLE and never
 * crashes. HTREEITEM values are tokens too.
 *
 * Dialog units. A template's coordinates are dialog units of its font: a horizontal unit is a
 * quarter of the font's average character width, a vertical unit an eighth of its height
 * (MapDialogRect). Fonts are sized at 96 dots per inch, and the faces "MS Sans Serif",
 * "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2" and "Tahoma" are shown as DejaVu
 * Sans: 8-point text is 11 pixels high and its base units are 7 x 13 pixels, so a dialog
 * 282 x 254 units large has a 494 x 413 pixel client area.
 *
 * Resources. A library's resource script (DIALOGEX, CONTROL, BITMAP, ...) is compiled at
 * build time by qmsrc into the standard binary dialog templates and device-independent
 * bitmaps and linked into that library, which registers them when it is loaded
 * (qms_ui_register_resources; the generated code does it). FindResourceW(module, id, type)
 * looks only at the resources of that module.
 *
 * For scripts and outside test suites driving dialogs with Qt's own tools in the same process:
 * every control widget carries the integer property "controlId" (its ID in the template), a
 * dialog is a QDialog whose windowTitle() is its title, a message box is a QMessageBox whose
 * windowTitle() is the caption and text() the message, with standard buttons (OK, Cancel,
 * Yes, No, ...). Every window widget also carries the property "hwnd" (its handle as an
 * unsigned number). Clicking, selecting, typing and scrolling these widgets produces exactly
 * the notifications a user's input produces.
 *
 * Usable from C (C11) and C++.
 */
#ifndef QMS_UI_H
#define QMS_UI_H

#include <stddef.h>
#include <stdint.h>

#include "qms_platform.h"

QMS_EXTERN_C_BEGIN

/* ---- Types ------------------------------------------------------------------------------ */

typedef struct QMS_HWND_ *HWND;
typedef struct QMS_HDC_ *HDC;
typedef struct QMS_HBITMAP_ *HBITMAP;
typedef struct QMS_HBRUSH_ *HBRUSH;
typedef struct QMS_HFONT_ *HFONT;
typedef struct QMS_HICON_ *HICON;
typedef struct QMS_HMENU_ *HMENU;
typedef struct QMS_HRSRC_ *HRSRC;
typedef struct QMS_TREEITEM_ *HTREEITEM;
typedef void *HGDIOBJ;
typedef HANDLE HGLOBAL;

typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef DWORD COLORREF;
typedef uint16_t ATOM;
typedef BOOL *LPBOOL;
typedef int *LPINT;

typedef INT_PTR (*DLGPROC)(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
typedef void (*TIMERPROC)(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *LPSIZE;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;
typedef const RECT *LPCRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

/* ---- Numbers, text and resource names --------------------------------------------------- */

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xFFFF))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xFF))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xFF))
#define MAKEWORD(a, b) ((WORD)(((BYTE)(a)) | (((WORD)((BYTE)(b))) << 8)))
#define MAKELONG(a, b) ((LONG)(((WORD)(a)) | (((DWORD)((WORD)(b))) << 16)))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKELRESULT(l, h) ((LRESULT)(DWORD)MAKELONG(l, h))

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | (((WORD)((BYTE)(g))) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) (LOBYTE(c))
#define GetGValue(c) (LOBYTE(((WORD)(c)) >> 8))
#define GetBValue(c) (LOBYTE((c) >> 16))

#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)((WORD)(i)))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEW(i)
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)

/* ---- Error values (GetLastError) -------------------------------------------------------- */

#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif
#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#define ERROR_DLL_INIT_FAILED 1114L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_WINDOW_OF_OTHER_THREAD 1408L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#define ERROR_NOT_CHILD_WINDOW 1442L
#define ERROR_NO_SCROLLBARS 1447L
#define ERROR_INVALID_SCROLLBAR_RANGE 1448L
#define ERROR_NO_SYSTEM_RESOURCES 1450L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

/* ---- Window styles ---------------------------------------------------------------------- */

#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTEXTHELP 0x00000400L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L

#define DS_ABSALIGN 0x0001L
#define DS_SYSMODAL 0x0002L
#define DS_3DLOOK 0x0004L
#define DS_FIXEDSYS 0x0008L
#define DS_NOFAILCREATE 0x0010L
#define DS_LOCALEDIT 0x0020L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_NOIDLEMSG 0x0100L
#define DS_SETFOREGROUND 0x0200L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L
#define DS_CENTERMOUSE 0x1000L
#define DS_CONTEXTHELP 0x2000L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

/* ---- Messages --------------------------------------------------------------------------- */

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_NEXTDLGCTL 0x0028
#define WM_VKEYTOITEM 0x002E
#define WM_CHARTOITEM 0x002F
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_QUERYDRAGICON 0x0037
#define WM_COMPAREITEM 0x0039
#define WM_NOTIFY 0x004E
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_USER 0x0400
#define WM_APP 0x8000

#define SC_CLOSE 0xF060

/* Dialog messages (DefDlgProc answers them when the dialog procedure does not). */
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

/* Command identifiers of the standard buttons; also MessageBoxW's results. */
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

/* ---- Window and dialog-box data (GetWindowLongPtrW) ------------------------------------- */

#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + (int)sizeof(LRESULT))
#define DWLP_USER (DWLP_DLGPROC + (int)sizeof(DLGPROC))

/* ---- Dialog templates ------------------------------------------------------------------- */
/*
 * The standard binary forms. A DLGTEMPLATE (or, with dlgVer 1 and signature 0xFFFF, the
 * extended form) is followed by the menu, class and title (each 0x0000 for none, 0xFFFF and
 * an ordinal, or a terminated UTF-16 string), then with DS_SETFONT the point size (extended:
 * and weight, italic and character set) and the typeface name, then the items, each
 * DWORD-aligned: DLGITEMTEMPLATE (extended: help ID, extended style, style, x, y, cx, cy,
 * DWORD id) with class (ordinals 0x80 Button, 0x81 Edit, 0x82 Static, 0x83 ListBox,
 * 0x84 ScrollBar, 0x85 ComboBox, or a class name), title and the size of the creation data.
 */
#pragma pack(push, 2)
typedef struct {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x;
    short y;
    short cx;
    short cy;
} DLGTEMPLATE;
typedef struct {
    DWORD style;
    DWORD dwExtendedStyle;
    short x;
    short y;
    short cx;
    short cy;
    WORD id;
} DLGITEMTEMPLATE;
#pragma pack(pop)
typedef DLGTEMPLATE DLGTEMPLATEW;
typedef const DLGTEMPLATE *LPCDLGTEMPLATEW;
typedef LPCDLGTEMPLATEW LPCDLGTEMPLATE;

/* ---- Modules and resources -------------------------------------------------------------- */

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001u
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002u
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004u

/* NULL names the program itself; a name such as "Qms6093.dll" names the loaded library
 * libqms6093.so (the device manager's mapping). NULL with ERROR_MOD_NOT_FOUND when it is not
 * loaded. Module handles stay valid while the process runs. */
QMS_EXPORT HMODULE GetModuleHandleW(LPCWSTR lpModuleName);
/* With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, lpModuleName is an address inside the module
 * (a function or variable of it): the way a library finds its own handle. */
QMS_EXPORT BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE *phModule);

/* Looks in the given module only (NULL: the program). Types and names are integers
 * (MAKEINTRESOURCEW) or strings; "#103" means 103. NULL with ERROR_RESOURCE_TYPE_NOT_FOUND or
 * ERROR_RESOURCE_NAME_NOT_FOUND. */
QMS_EXPORT HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
QMS_EXPORT HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName,
                                 WORD wLanguage);
/* The resource's data, read-only and valid while its module is loaded; LockResource returns
 * the same pointer. */
QMS_EXPORT HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
QMS_EXPORT LPVOID LockResource(HGLOBAL hResData);
QMS_EXPORT DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
QMS_EXPORT BOOL FreeResource(HGLOBAL hResData);

/* One row of a module's resource table, as qmsrc generates it. */
typedef struct QMS_RESOURCE {
    WORD type;        /* 2 bitmap (a packed DIB), 5 dialog template, 10 raw data */
    WORD id;          /* integer name; 0 when the resource has a string name */
    const WCHAR *name; /* string name, or NULL */
    WORD language;    /* 1033 for English (United States) */
    const void *data; /* DWORD-aligned */
    DWORD size;
} QMS_RESOURCE;

/* Adds a table to the resources of the module that holds the table itself (found by its
 * address), and removes it again; generated code calls these when its library is loaded and
 * unloaded. The table must stay in place while it is registered. */
QMS_EXPORT void qms_ui_register_resources(const QMS_RESOURCE *table, size_t count);
QMS_EXPORT void qms_ui_unregister_resources(const QMS_RESOURCE *table);

/* ---- Dialog boxes ----------------------------------------------------------------------- */

/* Creates the dialog from the template, sends WM_INITDIALOG (lParam = dwInitParam; when the
 * procedure returns TRUE the first tab stop gets the focus), shows it over its owner and runs
 * a nested loop until EndDialog; then sends WM_DESTROY and WM_NCDESTROY and returns the value
 * given to EndDialog. -1 with last error when the dialog cannot be made: ERROR_INVALID_DATA
 * for a malformed template (a template that is one of a module's resources is checked against
 * the resource's size; any other is trusted to be complete), ERROR_CANNOT_FIND_WND_CLASS for a
 * control class the window system does not know, ERROR_INVALID_WINDOW_HANDLE for a bad owner,
 * or the toolkit's failure. hInstance is the module whose bitmaps SS_BITMAP statics name. */
QMS_EXPORT INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate,
                                           HWND hWndParent, DLGPROC lpDialogFunc,
                                           LPARAM dwInitParam);
/* The modeless form: returns after WM_INITDIALOG with the dialog's handle (NULL on failure);
 * the dialog is shown when its template has WS_VISIBLE and lives until DestroyWindow. A
 * template with WS_CHILD makes a child dialog inside hWndParent (a page). */
QMS_EXPORT HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate,
                                           HWND hWndParent, DLGPROC lpDialogFunc,
                                           LPARAM dwInitParam);
/* The same with the template found as resource RT_DIALOG lpTemplateName of hInstance. */
QMS_EXPORT INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName,
                                   HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam);
QMS_EXPORT HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName,
                                   HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam);
/* Ends a modal dialog with nResult once control returns to its loop (a modeless dialog is
 * hidden). */
QMS_EXPORT BOOL EndDialog(HWND hDlg, INT_PTR nResult);

/* A child window by its control ID: NULL with ERROR_CONTROL_ID_NOT_FOUND. */
QMS_EXPORT HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
QMS_EXPORT int GetDlgCtrlID(HWND hWnd);
QMS_EXPORT BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString);
QMS_EXPORT UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax);
QMS_EXPORT BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned);
QMS_EXPORT UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL *lpTranslated, BOOL bSigned);
/* 0 with ERROR_CONTROL_ID_NOT_FOUND when the dialog has no such control. */
QMS_EXPORT LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                       LPARAM lParam);
QMS_EXPORT BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck);
QMS_EXPORT UINT IsDlgButtonChecked(HWND hDlg, int nIDButton);
/* Dialog units of the dialog's font to pixels. */
QMS_EXPORT BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);

/* ---- Windows ---------------------------------------------------------------------------- */

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define SWP_NOSIZE 0x0001u
#define SWP_NOMOVE 0x0002u
#define SWP_NOZORDER 0x0004u
#define SWP_NOREDRAW 0x0008u
#define SWP_NOACTIVATE 0x0010u
#define SWP_FRAMECHANGED 0x0020u
#define SWP_SHOWWINDOW 0x0040u
#define SWP_HIDEWINDOW 0x0080u
#define SWP_NOOWNERZORDER 0x0200u
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)(LONG_PTR)-1)
#define HWND_NOTOPMOST ((HWND)(LONG_PTR)-2)

/* Sends WM_DESTROY and WM_NCDESTROY to the dialog procedure of the window and of every dialog
 * it owns or contains, kills their timers, and frees their handles; a message another thread
 * is sending to one of them fails at once. */
QMS_EXPORT BOOL DestroyWindow(HWND hWnd);
QMS_EXPORT BOOL IsWindow(HWND hWnd);
QMS_EXPORT BOOL IsWindowVisible(HWND hWnd);
QMS_EXPORT BOOL IsWindowEnabled(HWND hWnd);
/* Returns nonzero when the window was disabled before. */
QMS_EXPORT BOOL EnableWindow(HWND hWnd, BOOL bEnable);
/* Returns nonzero when the window was visible before. */
QMS_EXPORT BOOL ShowWindow(HWND hWnd, int nCmdShow);
QMS_EXPORT BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString);
QMS_EXPORT int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
QMS_EXPORT int GetWindowTextLengthW(HWND hWnd);
/* Positions in pixels: of the parent's client area for child windows, of the screen for the
 * others. */
QMS_EXPORT BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
QMS_EXPORT BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                             UINT uFlags);
QMS_EXPORT BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
QMS_EXPORT BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
QMS_EXPORT BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);
QMS_EXPORT BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
QMS_EXPORT int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints);
QMS_EXPORT HWND GetParent(HWND hWnd);
QMS_EXPORT HWND SetFocus(HWND hWnd);
QMS_EXPORT HWND GetFocus(void);
/* A top-level dialog by title (lpClassName NULL or "#32770"). */
QMS_EXPORT HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
QMS_EXPORT LONG GetWindowLongW(HWND hWnd, int nIndex);
QMS_EXPORT LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong);
QMS_EXPORT LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex);
QMS_EXPORT LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
QMS_EXPORT BOOL InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase);
QMS_EXPORT BOOL UpdateWindow(HWND hWnd);

/* ---- Messages and the message loop ------------------------------------------------------ */

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u
#define PM_NOYIELD 0x0002u

/* Runs the window's procedure with the message and returns its result: on this thread when
 * the window is this thread's, otherwise on the window's thread while the caller waits. 0 with
 * ERROR_INVALID_WINDOW_HANDLE when the window does not exist or is destroyed before the
 * message is handled. A dialog's result is the procedure's DWLP_MSGRESULT value when it
 * returns TRUE (its return value itself for WM_INITDIALOG, WM_CTLCOLOR*, WM_COMPAREITEM,
 * WM_VKEYTOITEM, WM_CHARTOITEM and WM_QUERYDRAGICON), the default processing's otherwise. */
QMS_EXPORT LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
/* Queues the message for the window's thread and returns at once; a message for a window
 * destroyed before its turn is dropped. hWnd NULL posts a thread message to the calling
 * thread. */
QMS_EXPORT BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
QMS_EXPORT void PostQuitMessage(int nExitCode);
/* The thread's loop. Window messages (input, sent, posted, timers) are delivered to their
 * procedures inside these calls; GetMessageW and PeekMessageW hand back only thread messages
 * (hwnd NULL): WM_QUIT makes GetMessageW return 0. -1 (GetMessageW) or FALSE on a thread that
 * is not the toolkit's, with ERROR_WINDOW_OF_OTHER_THREAD. WaitMessage returns after the next
 * batch of events has been handled. */
QMS_EXPORT BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
QMS_EXPORT BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                             UINT wRemoveMsg);
QMS_EXPORT BOOL WaitMessage(void);
QMS_EXPORT BOOL TranslateMessage(const MSG *lpMsg);
QMS_EXPORT LRESULT DispatchMessageW(const MSG *lpMsg);
/* Keyboard navigation is the toolkit's: always FALSE, so the caller dispatches as usual. */
QMS_EXPORT BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg);

/* ---- Timers ----------------------------------------------------------------------------- */

/* Periods from 1 ms (0 counts as 1). A window timer sends WM_TIMER (wParam = nIDEvent) to the
 * window, or calls lpTimerFunc when one is given; setting an existing ID again restarts it
 * with the new period. Returns the ID (a new one when hWnd is NULL), 0 on failure. A timer
 * killed, or whose window is destroyed, never fires again, even when it is killed inside its
 * own WM_TIMER. */
QMS_EXPORT UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
QMS_EXPORT BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

/* ---- Message boxes ---------------------------------------------------------------------- */

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONHAND 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0u
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFMASK 0x00000F00u
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u

/* Shows a QMessageBox modal over hWnd (over the whole program without one) and returns the
 * button pressed: IDOK, IDCANCEL, IDYES, IDNO, ... Escape answers IDCANCEL when there is a
 * Cancel button, IDOK in an OK-only box, and nothing otherwise. 0 on failure. */
QMS_EXPORT int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
QMS_EXPORT BOOL MessageBeep(UINT uType);

/* ---- Scroll bars ------------------------------------------------------------------------ */

#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_BOTH 3

/* WM_HSCROLL / WM_VSCROLL codes (LOWORD(wParam)); lParam is the control. */
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#define SB_ENDSCROLL 8

#define SIF_RANGE 0x0001u
#define SIF_PAGE 0x0002u
#define SIF_POS 0x0004u
#define SIF_DISABLENOSCROLL 0x0008u
#define SIF_TRACKPOS 0x0010u
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)

typedef struct tagSCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
} SCROLLINFO, *LPSCROLLINFO;
typedef const SCROLLINFO *LPCSCROLLINFO;

/* Scroll bar controls only (nBar SB_CTL); SB_HORZ and SB_VERT fail with
 * ERROR_NO_SCROLLBARS. A scroll bar does not move by itself: the user's input sends
 * WM_HSCROLL / WM_VSCROLL and the position changes when the program sets it. Positions run
 * from nMin to nMax - nPage + 1 (nMax when nPage is 0). */
QMS_EXPORT BOOL GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi);
QMS_EXPORT int SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw);
QMS_EXPORT int GetScrollPos(HWND hWnd, int nBar);
QMS_EXPORT int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw);
QMS_EXPORT BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos);
QMS_EXPORT BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw);

#define SBS_HORZ 0x0000L
#define SBS_VERT 0x0001L
#define SBM_SETPOS 0x00E0
#define SBM_GETPOS 0x00E1
#define SBM_SETRANGE 0x00E2
#define SBM_GETRANGE 0x00E3
#define SBM_SETRANGEREDRAW 0x00E6
#define SBM_SETSCROLLINFO 0x00E9
#define SBM_GETSCROLLINFO 0x00EA

/* ---- Painting and colours --------------------------------------------------------------- */

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *LPBITMAP;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

#define BI_RGB 0u

#define TRANSPARENT 1
#define OPAQUE 2
#define CLR_INVALID 0xFFFFFFFFu

/* System colour indices; the CE form with SYS_COLOR_INDEX_FLAG is accepted as well. While a
 * window is open the colours are those of the toolkit's palette. */
#define SYS_COLOR_INDEX_FLAG 0x40000000
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_3DFACE COLOR_BTNFACE

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH

/* A dialog procedure that handles WM_PAINT brackets it with BeginPaint and EndPaint; the
 * device context lives until EndPaint. */
QMS_EXPORT HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
QMS_EXPORT BOOL EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint);
/* WM_CTLCOLORSTATIC is sent to the dialog each time one of its static controls is painted,
 * with a device context in wParam and the control in lParam: the text colour, background
 * colour and mode the procedure sets there, and the brush it returns (NULL: keep the
 * defaults), are used for that control. */
QMS_EXPORT COLORREF SetTextColor(HDC hdc, COLORREF color);
QMS_EXPORT COLORREF GetTextColor(HDC hdc);
QMS_EXPORT COLORREF SetBkColor(HDC hdc, COLORREF color);
QMS_EXPORT COLORREF GetBkColor(HDC hdc);
QMS_EXPORT int SetBkMode(HDC hdc, int mode);
QMS_EXPORT int GetBkMode(HDC hdc);
QMS_EXPORT DWORD GetSysColor(int nIndex);
QMS_EXPORT HBRUSH GetSysColorBrush(int nIndex);
QMS_EXPORT HBRUSH CreateSolidBrush(COLORREF color);
QMS_EXPORT HGDIOBJ GetStockObject(int i);
/* Deletes a bitmap or brush; stock objects and system-colour brushes stay. */
QMS_EXPORT BOOL DeleteObject(HGDIOBJ ho);
/* For a bitmap: fills a BITMAP (bmBits NULL). Returns the bytes written. */
QMS_EXPORT int GetObjectW(HGDIOBJ h, int c, LPVOID pv);
/* Bitmap resource RT_BITMAP of hInstance (1, 4, 8, 24 or 32 bits per pixel, uncompressed);
 * NULL with ERROR_RESOURCE_NAME_NOT_FOUND or ERROR_INVALID_DATA. */
QMS_EXPORT HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName);

/* ---- Window classes of the controls ----------------------------------------------------- */

#define WC_BUTTONW u"Button"
#define WC_EDITW u"Edit"
#define WC_STATICW u"Static"
#define WC_SCROLLBARW u"ScrollBar"
#define WC_COMBOBOXW u"ComboBox"
#define TRACKBAR_CLASSW u"msctls_trackbar32"
#define UPDOWN_CLASSW u"msctls_updown32"
#define WC_LISTVIEWW u"SysListView32"
#define WC_TABCONTROLW u"SysTabControl32"
#define WC_TREEVIEWW u"SysTreeView32"
#define WC_DIALOGW u"#32770"

#define ICC_LISTVIEW_CLASSES 0x00000001u
#define ICC_TREEVIEW_CLASSES 0x00000002u
#define ICC_BAR_CLASSES 0x00000004u
#define ICC_TAB_CLASSES 0x00000008u
#define ICC_UPDOWN_CLASS 0x00000010u
#define ICC_PROGRESS_CLASS 0x00000020u
#define ICC_WIN95_CLASSES 0x000000FFu

typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

/* Every control class is always there; kept for the callers' start-up code. */
QMS_EXPORT void InitCommonControls(void);
QMS_EXPORT BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *picce);

/* Notification header of WM_NOTIFY (lParam); wParam is the control's ID. */
typedef struct tagNMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
} NMHDR, *LPNMHDR;

#define NM_FIRST (0u - 0u)
#define NM_CLICK (NM_FIRST - 2u)
#define NM_DBLCLK (NM_FIRST - 3u)
#define NM_RETURN (NM_FIRST - 4u)
#define NM_RCLICK (NM_FIRST - 5u)
#define NM_SETFOCUS (NM_FIRST - 7u)
#define NM_KILLFOCUS (NM_FIRST - 8u)

/* ---- Buttons ---------------------------------------------------------------------------- */

#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_GROUPBOX 0x00000007L
#define BS_USERBUTTON 0x00000008L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_OWNERDRAW 0x0000000BL
#define BS_TYPEMASK 0x0000000FL
#define BS_LEFTTEXT 0x00000020L
#define BS_TEXT 0x00000000L
#define BS_ICON 0x00000040L
#define BS_BITMAP 0x00000080L
#define BS_LEFT 0x00000100L
#define BS_RIGHT 0x00000200L
#define BS_CENTER 0x00000300L
#define BS_TOP 0x00000400L
#define BS_BOTTOM 0x00000800L
#define BS_VCENTER 0x00000C00L
#define BS_PUSHLIKE 0x00001000L
#define BS_MULTILINE 0x00002000L
#define BS_NOTIFY 0x00004000L
#define BS_FLAT 0x00008000L

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5

#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008

#define BN_CLICKED 0
#define BN_DOUBLECLICKED 5
#define BN_SETFOCUS 6
#define BN_KILLFOCUS 7

/* ---- Edit controls ---------------------------------------------------------------------- */

#define ES_LEFT 0x0000L
#define ES_CENTER 0x0001L
#define ES_RIGHT 0x0002L
#define ES_MULTILINE 0x0004L
#define ES_UPPERCASE 0x0008L
#define ES_LOWERCASE 0x0010L
#define ES_PASSWORD 0x0020L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_OEMCONVERT 0x0400L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_NUMBER 0x2000L

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_REPLACESEL 0x00C2
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_SETREADONLY 0x00CF
#define EM_GETLIMITTEXT 0x00D5

/* EN_CHANGE follows every change of the text, the program's own (WM_SETTEXT) included, as on
 * the original; EM_GETMODIFY tells them apart: typing sets the modification flag, WM_SETTEXT
 * clears it. */
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define EN_MAXTEXT 0x0501

/* ---- Static controls -------------------------------------------------------------------- */

#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_ICON 0x00000003L
#define SS_BLACKRECT 0x00000004L
#define SS_GRAYRECT 0x00000005L
#define SS_WHITERECT 0x00000006L
#define SS_BLACKFRAME 0x00000007L
#define SS_GRAYFRAME 0x00000008L
#define SS_WHITEFRAME 0x00000009L
#define SS_SIMPLE 0x0000000BL
#define SS_LEFTNOWORDWRAP 0x0000000CL
#define SS_BITMAP 0x0000000EL
#define SS_ETCHEDHORZ 0x00000010L
#define SS_ETCHEDVERT 0x00000011L
#define SS_ETCHEDFRAME 0x00000012L
#define SS_TYPEMASK 0x0000001FL
#define SS_REALSIZECONTROL 0x00000040L
#define SS_NOPREFIX 0x00000080L
#define SS_NOTIFY 0x00000100L
#define SS_CENTERIMAGE 0x00000200L
#define SS_RIGHTJUST 0x00000400L
#define SS_REALSIZEIMAGE 0x00000800L
#define SS_SUNKEN 0x00001000L

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173

#define STN_CLICKED 0
#define STN_DBLCLK 1

/* ---- Combo boxes ------------------------------------------------------------------------ */

#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_OWNERDRAWFIXED 0x0010L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_OEMCONVERT 0x0080L
#define CBS_SORT 0x0100L
#define CBS_HASSTRINGS 0x0200L
#define CBS_NOINTEGRALHEIGHT 0x0400L
#define CBS_DISABLENOSCROLL 0x0800L

#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)

/* A choice made by the user (mouse or keyboard) sends CBN_SELENDOK, then CBN_SELCHANGE when
 * the selection changed, then CBN_CLOSEUP when the list was open; CB_SETCURSEL sends nothing. */
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

/* ---- Trackbars -------------------------------------------------------------------------- */

#define TBS_AUTOTICKS 0x0001L
#define TBS_VERT 0x0002L
#define TBS_HORZ 0x0000L
#define TBS_TOP 0x0004L
#define TBS_BOTTOM 0x0000L
#define TBS_LEFT 0x0004L
#define TBS_RIGHT 0x0000L
#define TBS_BOTH 0x0008L
#define TBS_NOTICKS 0x0010L
#define TBS_ENABLESELRANGE 0x0020L
#define TBS_FIXEDLENGTH 0x0040L
#define TBS_NOTHUMB 0x0080L

#define TBM_GETPOS (WM_USER + 0)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_GETTIC (WM_USER + 3)
#define TBM_SETTIC (WM_USER + 4)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_CLEARTICS (WM_USER + 9)
#define TBM_GETNUMTICS (WM_USER + 16)
#define TBM_SETTICFREQ (WM_USER + 20)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_GETPAGESIZE (WM_USER + 22)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TBM_GETLINESIZE (WM_USER + 24)

/* WM_HSCROLL (WM_VSCROLL for TBS_VERT) codes; the trackbar has already moved when it sends
 * them. HIWORD(wParam) carries the position for TB_THUMBTRACK and TB_THUMBPOSITION. */
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

/* ---- Up-down controls ------------------------------------------------------------------- */

#define UDS_WRAP 0x0001L
#define UDS_SETBUDDYINT 0x0002L
#define UDS_ALIGNRIGHT 0x0004L
#define UDS_ALIGNLEFT 0x0008L
#define UDS_AUTOBUDDY 0x0010L
#define UDS_ARROWKEYS 0x0020L
#define UDS_HORZ 0x0040L
#define UDS_NOTHOUSANDS 0x0080L
#define UDS_HOTTRACK 0x0100L

#define UD_MAXVAL 0x7FFF
#define UD_MINVAL (-UD_MAXVAL)

#define UDM_SETRANGE (WM_USER + 101)   /* lParam MAKELONG(max, min), 16-bit signed */
#define UDM_GETRANGE (WM_USER + 102)   /* returns MAKELONG(max, min) */
#define UDM_SETPOS (WM_USER + 103)     /* lParam MAKELONG(pos, 0); returns the old position */
#define UDM_GETPOS (WM_USER + 104)     /* returns MAKELONG(pos, error) */
#define UDM_SETBUDDY (WM_USER + 105)
#define UDM_GETBUDDY (WM_USER + 106)
#define UDM_SETBASE (WM_USER + 109)
#define UDM_GETBASE (WM_USER + 110)
#define UDM_SETRANGE32 (WM_USER + 111) /* wParam min, lParam max */
#define UDM_GETRANGE32 (WM_USER + 112) /* wParam LPINT min, lParam LPINT max */
#define UDM_SETPOS32 (WM_USER + 113)
#define UDM_GETPOS32 (WM_USER + 114)   /* lParam LPBOOL error, may be NULL */

typedef struct tagNMUPDOWN {
    NMHDR hdr;
    int iPos;
    int iDelta;
} NMUPDOWN, *LPNMUPDOWN;

/* Sent in WM_NOTIFY before a click or an arrow key changes the position: iPos is the current
 * position, iDelta the proposed step. A nonzero DWLP_MSGRESULT refuses the step; otherwise
 * the position changes and WM_VSCROLL (WM_HSCROLL with UDS_HORZ) SB_THUMBPOSITION follows,
 * then SB_ENDSCROLL when the button is released. */
#define UDN_FIRST (0u - 721u)
#define UDN_DELTAPOS (UDN_FIRST - 1u)

/* ---- List views (report style) ---------------------------------------------------------- */

#define LVS_ICON 0x0000L
#define LVS_REPORT 0x0001L
#define LVS_SMALLICON 0x0002L
#define LVS_LIST 0x0003L
#define LVS_TYPEMASK 0x0003L
#define LVS_SINGLESEL 0x0004L
#define LVS_SHOWSELALWAYS 0x0008L
#define LVS_SORTASCENDING 0x0010L
#define LVS_SORTDESCENDING 0x0020L
#define LVS_NOLABELWRAP 0x0080L
#define LVS_EDITLABELS 0x0200L
#define LVS_NOCOLUMNHEADER 0x4000L
#define LVS_NOSORTHEADER 0x8000L

#define LVS_EX_GRIDLINES 0x00000001u
#define LVS_EX_CHECKBOXES 0x00000004u
#define LVS_EX_HEADERDRAGDROP 0x00000010u
#define LVS_EX_FULLROWSELECT 0x00000020u

#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_GETHEADER (LVM_FIRST + 31)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_SETITEMCOUNT (LVM_FIRST + 47)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54) /* wParam mask (0: all), lParam styles */
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSELECTIONMARK (LVM_FIRST + 66)
#define LVM_SETSELECTIONMARK (LVM_FIRST + 67)        /* lParam index; returns the old mark */
#define LVM_GETITEMW (LVM_FIRST + 75)
#define LVM_SETITEMW (LVM_FIRST + 76)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_FINDITEMW (LVM_FIRST + 83)
#define LVM_GETCOLUMNW (LVM_FIRST + 95)
#define LVM_SETCOLUMNW (LVM_FIRST + 96)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)
#define LVM_GETITEM LVM_GETITEMW
#define LVM_SETITEM LVM_SETITEMW
#define LVM_INSERTITEM LVM_INSERTITEMW
#define LVM_FINDITEM LVM_FINDITEMW
#define LVM_GETCOLUMN LVM_GETCOLUMNW
#define LVM_SETCOLUMN LVM_SETCOLUMNW
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNW
#define LVM_GETITEMTEXT LVM_GETITEMTEXTW
#define LVM_SETITEMTEXT LVM_SETITEMTEXTW

#define LVIF_TEXT 0x0001u
#define LVIF_IMAGE 0x0002u
#define LVIF_PARAM 0x0004u
#define LVIF_STATE 0x0008u
#define LVIF_INDENT 0x0010u

#define LVIS_FOCUSED 0x0001u
#define LVIS_SELECTED 0x0002u
#define LVIS_CUT 0x0004u
#define LVIS_DROPHILITED 0x0008u
#define LVIS_STATEIMAGEMASK 0xF000u

#define LVNI_ALL 0x0000u
#define LVNI_FOCUSED 0x0001u
#define LVNI_SELECTED 0x0002u

#define LVCF_FMT 0x0001u
#define LVCF_WIDTH 0x0002u
#define LVCF_TEXT 0x0004u
#define LVCF_SUBITEM 0x0008u
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)

#define LVFI_PARAM 0x0001u
#define LVFI_STRING 0x0002u
#define LVFI_PARTIAL 0x0008u
#define LVFI_WRAP 0x0020u

/* Sub-item n of a row is shown in column n. */
typedef struct tagLVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
} LVITEMW, *LPLVITEMW;
typedef LVITEMW LVITEM;

typedef struct tagLVCOLUMNW {
    UINT mask;
    int fmt;
    int cx; /* pixels */
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
} LVCOLUMNW, *LPLVCOLUMNW;
typedef LVCOLUMNW LVCOLUMN;

typedef struct tagLVFINDINFOW {
    UINT flags;
    LPCWSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
} LVFINDINFOW;

typedef struct tagNMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
} NMLISTVIEW, *LPNMLISTVIEW;

typedef struct tagNMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
} NMITEMACTIVATE, *LPNMITEMACTIVATE;

/* LVN_ITEMCHANGED (NMLISTVIEW, uChanged LVIF_STATE) follows every change of an item's
 * selected or focused state, the program's own included. A click sends NM_CLICK
 * (NMITEMACTIVATE) after the selection has moved; the user's selection also moves the
 * selection mark. */
#define LVN_FIRST (0u - 100u)
#define LVN_ITEMCHANGING (LVN_FIRST - 0u)
#define LVN_ITEMCHANGED (LVN_FIRST - 1u)
#define LVN_INSERTITEM (LVN_FIRST - 2u)
#define LVN_DELETEITEM (LVN_FIRST - 3u)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4u)
#define LVN_COLUMNCLICK (LVN_FIRST - 8u)
#define LVN_ITEMACTIVATE (LVN_FIRST - 14u)

static inline int ListView_GetItemCount(HWND hwnd)
{
    return (int)SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0);
}
static inline int ListView_InsertColumn(HWND hwnd, int iCol, const LVCOLUMNW *pcol)
{
    return (int)SendMessageW(hwnd, LVM_INSERTCOLUMNW, (WPARAM)iCol, (LPARAM)pcol);
}
static inline int ListView_InsertItem(HWND hwnd, const LVITEMW *pitem)
{
    return (int)SendMessageW(hwnd, LVM_INSERTITEMW, 0, (LPARAM)pitem);
}
static inline BOOL ListView_DeleteAllItems(HWND hwnd)
{
    return (BOOL)SendMessageW(hwnd, LVM_DELETEALLITEMS, 0, 0);
}
static inline int ListView_GetNextItem(HWND hwnd, int i, UINT flags)
{
    return (int)SendMessageW(hwnd, LVM_GETNEXTITEM, (WPARAM)i, MAKELPARAM(flags, 0));
}
static inline int ListView_GetSelectionMark(HWND hwnd)
{
    return (int)SendMessageW(hwnd, LVM_GETSELECTIONMARK, 0, 0);
}
static inline int ListView_SetSelectionMark(HWND hwnd, int i)
{
    return (int)SendMessageW(hwnd, LVM_SETSELECTIONMARK, 0, (LPARAM)i);
}
static inline DWORD ListView_SetExtendedListViewStyle(HWND hwnd, DWORD ex)
{
    return (DWORD)SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, (LPARAM)ex);
}
static inline DWORD ListView_GetExtendedListViewStyle(HWND hwnd)
{
    return (DWORD)SendMessageW(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
}

/* ---- Tab controls ----------------------------------------------------------------------- */

#define TCS_TABS 0x0000L
#define TCS_MULTILINE 0x0200L
#define TCS_FIXEDWIDTH 0x0400L
#define TCS_FOCUSNEVER 0x8000L

#define TCM_FIRST 0x1300
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETITEMRECT (TCM_FIRST + 10)
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)
#define TCM_ADJUSTRECT (TCM_FIRST + 40)
#define TCM_GETCURFOCUS (TCM_FIRST + 47)
#define TCM_SETCURFOCUS (TCM_FIRST + 48)
#define TCM_GETITEMW (TCM_FIRST + 60)
#define TCM_SETITEMW (TCM_FIRST + 61)
#define TCM_INSERTITEMW (TCM_FIRST + 62)
#define TCM_GETITEM TCM_GETITEMW
#define TCM_SETITEM TCM_SETITEMW
#define TCM_INSERTITEM TCM_INSERTITEMW

#define TCIF_TEXT 0x0001u
#define TCIF_IMAGE 0x0002u
#define TCIF_PARAM 0x0008u
#define TCIF_STATE 0x0010u

typedef struct tagTCITEMW {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
} TCITEMW, *LPTCITEMW;
typedef TCITEMW TCITEM;

/* A click on another tab sends TCN_SELCHANGING (a nonzero DWLP_MSGRESULT keeps the old tab),
 * then TCN_SELCHANGE once the tab has changed; TCM_SETCURSEL sends nothing. */
#define TCN_FIRST (0u - 550u)
#define TCN_KEYDOWN (TCN_FIRST - 0u)
#define TCN_SELCHANGE (TCN_FIRST - 1u)
#define TCN_SELCHANGING (TCN_FIRST - 2u)

static inline int TabCtrl_GetItemCount(HWND hwnd)
{
    return (int)SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0);
}
static inline int TabCtrl_InsertItem(HWND hwnd, int iItem, const TCITEMW *pitem)
{
    return (int)SendMessageW(hwnd, TCM_INSERTITEMW, (WPARAM)iItem, (LPARAM)pitem);
}
static inline int TabCtrl_GetCurSel(HWND hwnd)
{
    return (int)SendMessageW(hwnd, TCM_GETCURSEL, 0, 0);
}
static inline int TabCtrl_SetCurSel(HWND hwnd, int i)
{
    return (int)SendMessageW(hwnd, TCM_SETCURSEL, (WPARAM)i, 0);
}

/* ---- Tree views ------------------------------------------------------------------------- */

#define TVS_HASBUTTONS 0x0001L
#define TVS_HASLINES 0x0002L
#define TVS_LINESATROOT 0x0004L
#define TVS_EDITLABELS 0x0008L
#define TVS_DISABLEDRAGDROP 0x0010L
#define TVS_SHOWSELALWAYS 0x0020L

#define TV_FIRST 0x1100
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_EXPAND (TV_FIRST + 2)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETINDENT (TV_FIRST + 6)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_SELECTITEM (TV_FIRST + 11)
#define TVM_GETVISIBLECOUNT (TV_FIRST + 16)
#define TVM_ENSUREVISIBLE (TV_FIRST + 20)
#define TVM_INSERTITEMW (TV_FIRST + 50)
#define TVM_GETITEMW (TV_FIRST + 62)
#define TVM_SETITEMW (TV_FIRST + 63)
#define TVM_INSERTITEM TVM_INSERTITEMW
#define TVM_GETITEM TVM_GETITEMW
#define TVM_SETITEM TVM_SETITEMW

#define TVIF_TEXT 0x0001u
#define TVIF_IMAGE 0x0002u
#define TVIF_PARAM 0x0004u
#define TVIF_STATE 0x0008u
#define TVIF_HANDLE 0x0010u
#define TVIF_SELECTEDIMAGE 0x0020u
#define TVIF_CHILDREN 0x0040u

#define TVIS_SELECTED 0x0002u
#define TVIS_BOLD 0x0010u
#define TVIS_EXPANDED 0x0020u

#define TVGN_ROOT 0x0000u
#define TVGN_NEXT 0x0001u
#define TVGN_PREVIOUS 0x0002u
#define TVGN_PARENT 0x0003u
#define TVGN_CHILD 0x0004u
#define TVGN_FIRSTVISIBLE 0x0005u
#define TVGN_NEXTVISIBLE 0x0006u
#define TVGN_PREVIOUSVISIBLE 0x0007u
#define TVGN_DROPHILITE 0x0008u
#define TVGN_CARET 0x0009u
#define TVGN_LASTVISIBLE 0x000Au

#define TVE_COLLAPSE 0x0001u
#define TVE_EXPAND 0x0002u
#define TVE_TOGGLE 0x0003u

#define TVC_UNKNOWN 0x0000u
#define TVC_BYMOUSE 0x0001u
#define TVC_BYKEYBOARD 0x0002u

#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(ULONG_PTR)-0x0FFFD)

typedef struct tagTVITEMW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
} TVITEMW, *LPTVITEMW;
typedef TVITEMW TVITEM;

typedef struct tagTVITEMEXW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
    int iIntegral;
} TVITEMEXW;

typedef struct tagTVINSERTSTRUCTW {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    union {
        TVITEMEXW itemex;
        TVITEMW item;
    };
} TVINSERTSTRUCTW, *LPTVINSERTSTRUCTW;
typedef TVINSERTSTRUCTW TVINSERTSTRUCT;

typedef struct tagNMTREEVIEWW {
    NMHDR hdr;
    UINT action;
    TVITEMW itemOld;
    TVITEMW itemNew;
    POINT ptDrag;
} NMTREEVIEWW, *LPNMTREEVIEWW;
typedef NMTREEVIEWW NMTREEVIEW;

/* The user's selection sends TVN_SELCHANGINGW (a nonzero DWLP_MSGRESULT refuses it) and
 * TVN_SELCHANGEDW; expanding or collapsing sends TVN_ITEMEXPANDEDW. */
#define TVN_FIRST (0u - 400u)
#define TVN_SELCHANGINGW (TVN_FIRST - 50u)
#define TVN_SELCHANGEDW (TVN_FIRST - 51u)
#define TVN_ITEMEXPANDINGW (TVN_FIRST - 54u)
#define TVN_ITEMEXPANDEDW (TVN_FIRST - 55u)
#define TVN_DELETEITEMW (TVN_FIRST - 58u)
#define TVN_SELCHANGING TVN_SELCHANGINGW
#define TVN_SELCHANGED TVN_SELCHANGEDW
#define TVN_ITEMEXPANDED TVN_ITEMEXPANDEDW

static inline HTREEITEM TreeView_InsertItem(HWND hwnd, const TVINSERTSTRUCTW *lpis)
{
    return (HTREEITEM)SendMessageW(hwnd, TVM_INSERTITEMW, 0, (LPARAM)lpis);
}
static inline HTREEITEM TreeView_GetNextItem(HWND hwnd, HTREEITEM hitem, UINT code)
{
    return (HTREEITEM)SendMessageW(hwnd, TVM_GETNEXTITEM, (WPARAM)code, (LPARAM)hitem);
}
static inline HTREEITEM TreeView_GetRoot(HWND hwnd)
{
    return TreeView_GetNextItem(hwnd, NULL, TVGN_ROOT);
}
static inline HTREEITEM TreeView_GetFirstVisible(HWND hwnd)
{
    return TreeView_GetNextItem(hwnd, NULL, TVGN_FIRSTVISIBLE);
}
static inline HTREEITEM TreeView_GetChild(HWND hwnd, HTREEITEM hitem)
{
    return TreeView_GetNextItem(hwnd, hitem, TVGN_CHILD);
}
static inline HTREEITEM TreeView_GetSelection(HWND hwnd)
{
    return TreeView_GetNextItem(hwnd, NULL, TVGN_CARET);
}
static inline BOOL TreeView_Expand(HWND hwnd, HTREEITEM hitem, UINT code)
{
    return (BOOL)SendMessageW(hwnd, TVM_EXPAND, (WPARAM)code, (LPARAM)hitem);
}

/* ---- The window system itself ----------------------------------------------------------- */

/* Loads the toolkit now instead of with the first window. 0 on success, -1 with last error
 * (the reason in qms_ui_failure()). */
QMS_EXPORT int qms_ui_start(void);
/* Why the toolkit could not be started, or NULL when it has not failed. */
QMS_EXPORT const char *qms_ui_failure(void);
/* Saves a picture of the window (with its children, as shown) as a PNG file. */
QMS_EXPORT BOOL qms_ui_snapshot(HWND hWnd, const char *pngPath);

QMS_EXTERN_C_END

#endif
