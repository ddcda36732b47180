// Dialogs made from a template resource, modal (DoModal) or modeless (Create: the window
// stays after the call until DestroyWindow). The template is looked up by
// AfxFindResourceHandle in the current module state, so a library's dialogs come from the
// library. OnInitDialog binds the controls (DoDataExchange); the OK and Cancel commands run
// OnOK and OnCancel, which end a modal dialog (a modeless one is only hidden by ending it:
// such a dialog destroys its window in its own OnCancel).
#pragma once

#include "cfgplugin/framework/wnd.h"

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd *pParentWnd = nullptr);
    ~CDialog() override;

    // The modeless form: TRUE once the window exists and OnInitDialog has run. On FALSE no
    // window was made and the object is still the caller's.
    BOOL Create(UINT nIDTemplate, CWnd *pParentWnd = nullptr);
    // The modal form: the value given to EndDialog, or -1 when the dialog cannot be made.
    INT_PTR DoModal();
    void EndDialog(int nResult);

    // The dialog procedure of every framework dialog: the window's object is the one given to
    // Create or DoModal, found again in the handle map.
    static INT_PTR DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    UINT m_nIDHelp = 0; // the template
    CWnd *m_pParentWnd = nullptr;

private:
    void HandleOK() { OnOK(); }
    void HandleCancel() { OnCancel(); }
    LPCDLGTEMPLATEW FindTemplate(HINSTANCE *module) const;

    DECLARE_MESSAGE_MAP()
};
