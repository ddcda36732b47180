#include "cfgplugin/framework/data_exchange.h"

#include "cfgplugin/framework/wnd.h"

void DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl)
{
    if (rControl.m_hWnd)
        return;
    const HWND control = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (!control || !rControl.Attach(control))
        pDX->m_bFailed = TRUE;
}
