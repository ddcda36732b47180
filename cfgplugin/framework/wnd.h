// A window object: the framework's side of a window-system window. Each attached window is in
// the module's handle map, so that the dialog procedure finds the object of a window; the
// object leaves the map when the window is destroyed (its last message, WM_NCDESTROY) or when
// the object goes first. Objects that delete themselves do it in PostNcDestroy.
#pragma once

#include <string>

#include "cfgplugin/framework/cmd_target.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    // The object attached to a window, or nullptr.
    static CWnd *FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWnd);
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }

    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL DestroyWindow();
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ScreenToClient(LPRECT lpRect) const;
    // 8-bit text (UTF-8) in and out.
    void SetWindowText(const char *text);
    std::string GetWindowText() const;
    HWND GetDlgItem(int nID) const;
    void SetDlgItemText(int nID, const char *text);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Moves data between the controls and the object (bSaveAndValidate FALSE: into the
    // controls). FALSE when a control could not be bound.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The window's messages as the dialog procedure hands them on: commands and notifications
    // go through the message maps. FALSE when no handler took the message.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult);
    // The window is gone: the object lets go of it and runs PostNcDestroy.
    void OnNcDestroy();

protected:
    virtual void DoDataExchange(CDataExchange *pDX);
    virtual void PostNcDestroy();

    DECLARE_MESSAGE_MAP()
};
