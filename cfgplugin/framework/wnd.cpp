#include "cfgplugin/framework/wnd.h"

#include <unordered_map>
#include <vector>

#include "cfgplugin/framework/data_exchange.h"
#include "qms_text.h"

namespace {

// Windows live on the window system's one thread, so the map needs no lock.
std::unordered_map<HWND, CWnd *> &permanentMap()
{
    static std::unordered_map<HWND, CWnd *> map;
    return map;
}

} // namespace

CWnd::~CWnd()
{
    // An object that goes before its window takes the window with it, as a control member
    // of a dialog that is deleted while still shown would otherwise be left without owner.
    if (m_hWnd) {
        const HWND hWnd = Detach();
        if (IsWindow(hWnd))
            ::DestroyWindow(hWnd);
    }
}

CWnd *CWnd::FromHandlePermanent(HWND hWnd)
{
    const auto found = permanentMap().find(hWnd);
    return found == permanentMap().end() ? nullptr : found->second;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    m_hWnd = hWnd;
    permanentMap()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    const HWND hWnd = m_hWnd;
    if (hWnd) {
        const auto found = permanentMap().find(hWnd);
        if (found != permanentMap().end() && found->second == this)
            permanentMap().erase(found);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::DestroyWindow()
{
    // The object may be deleted by its PostNcDestroy inside the call: nothing of it is
    // touched afterwards.
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::SetWindowText(const char *text)
{
    const std::u16string wide = qms::Utf16(text ? text : "");
    ::SetWindowTextW(m_hWnd, wide.c_str());
}

std::string CWnd::GetWindowText() const
{
    const int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0)
        return {};
    std::u16string wide(static_cast<size_t>(length) + 1, u'\0');
    wide.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, wide.data(), length + 1)));
    return qms::Utf8(wide);
}

HWND CWnd::GetDlgItem(int nID) const
{
    return ::GetDlgItem(m_hWnd, nID);
}

void CWnd::SetDlgItemText(int nID, const char *text)
{
    const std::u16string wide = qms::Utf16(text ? text : "");
    ::SetDlgItemTextW(m_hWnd, nID, wide.c_str());
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult)
{
    *pResult = 0;
    switch (message) {
    case WM_COMMAND:
        return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return lParam ? OnNotify(reinterpret_cast<const NMHDR *>(lParam), pResult) : FALSE;
    default:
        return FALSE;
    }
}

void CWnd::OnNcDestroy()
{
    // The controls went with the window; the objects bound to them let go as well, so that
    // a dialog made again from the same object binds its new controls.
    std::vector<CWnd *> bound;
    for (const auto &[hWnd, wnd] : permanentMap()) {
        if (wnd != this && (!IsWindow(hWnd) || ::GetParent(hWnd) == m_hWnd))
            bound.push_back(wnd);
    }
    for (CWnd *wnd : bound)
        wnd->Detach();
    Detach();
    PostNcDestroy();
}

void CWnd::DoDataExchange(CDataExchange *) {}

void CWnd::PostNcDestroy() {}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()
