#include "cfgplugin/framework/dialog.h"

#include "cfgplugin/framework/extension_module.h"
#include "cfgplugin/framework/module_state.h"

CDialog::CDialog(UINT nIDTemplate, CWnd *pParentWnd) : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, HandleOK)
    ON_COMMAND(IDCANCEL, HandleCancel)
END_MESSAGE_MAP()

LPCDLGTEMPLATEW CDialog::FindTemplate(HINSTANCE *module) const
{
    const LPCWSTR name = MAKEINTRESOURCEW(m_nIDHelp);
    *module = AfxFindResourceHandle(name, RT_DIALOG);
    const HRSRC found = FindResourceW(*module, name, RT_DIALOG);
    return found ? static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(*module, found))) : nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd *pParentWnd)
{
    if (m_hWnd)
        return FALSE;
    m_nIDHelp = nIDTemplate;
    if (pParentWnd)
        m_pParentWnd = pParentWnd;
    HINSTANCE module = nullptr;
    const LPCDLGTEMPLATEW tmpl = FindTemplate(&module);
    if (!tmpl)
        return FALSE;
    const HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    const HWND hWnd = CreateDialogIndirectParamW(module, tmpl, parent, DialogProc, reinterpret_cast<LPARAM>(this));
    // A window that fails after WM_INITDIALOG has been destroyed again, and the object let go
    // of it on WM_NCDESTROY; OnInitDialog must not destroy the window itself, or a
    // self-deleting object would be gone here.
    return hWnd != nullptr;
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE module = nullptr;
    const LPCDLGTEMPLATEW tmpl = FindTemplate(&module);
    if (!tmpl || m_hWnd)
        return -1;
    const HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    return DialogBoxIndirectParamW(module, tmpl, parent, DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

INT_PTR CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Handlers run in the state of the module that made the window, whoever sent the message.
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (message == WM_INITDIALOG) {
        auto *dialog = reinterpret_cast<CDialog *>(lParam);
        if (!dialog || !dialog->Attach(hWnd))
            return TRUE;
        return dialog->OnInitDialog();
    }
    CWnd *wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd)
        return FALSE;
    if (message == WM_NCDESTROY) {
        // The last message: the object may delete itself here.
        wnd->OnNcDestroy();
        return TRUE;
    }
    LRESULT result = 0;
    if (!wnd->OnWndMsg(message, wParam, lParam, &result))
        return FALSE;
    SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
