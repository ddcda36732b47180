// Dialog data exchange: DoDataExchange lists the controls a dialog binds to member objects.
#pragma once

#include "qms_ui.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd *pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate; // TRUE: from the controls into the object
    CWnd *m_pDlgWnd;
    BOOL m_bFailed = FALSE;  // a control could not be bound
};

// Binds control nIDC of the dialog to rControl, once; a dialog without that control marks the
// exchange failed and leaves rControl unbound.
void DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl);
