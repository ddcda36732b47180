// The framework's state of one module: the library that carries this copy of the framework,
// the module whose resources dialogs are made from, the application object, and the extension
// libraries registered with it. Each entry point of a library switches to its own state for
// the duration of the call (AFX_MANAGE_STATE), so that a host calling in from outside finds
// the library's resources, not its own.
#pragma once

#include "qms_ui.h"

class CWinApp;
class CDynLinkLibrary;

struct AFX_MODULE_STATE {
    HINSTANCE m_hCurrentInstanceHandle = nullptr;
    HINSTANCE m_hCurrentResourceHandle = nullptr;
    CWinApp *m_pCurrentWinApp = nullptr;
    // The registered extension libraries, newest first.
    CDynLinkLibrary *m_libraryList = nullptr;
};

// The state in force on this thread: the one switched to last, or the module's own.
AFX_MODULE_STATE *AfxGetModuleState();
// The module's own state.
AFX_MODULE_STATE *AfxGetStaticModuleState();
// Makes `state` the thread's state (nullptr: the module's own) and returns the one before.
AFX_MODULE_STATE *AfxSetModuleState(AFX_MODULE_STATE *state);

// Switches the thread to a state and back when the scope ends, however it ends.
class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE *state) : previous_(AfxSetModuleState(state)) {}
    ~AFX_MAINTAIN_STATE2() { AfxSetModuleState(previous_); }
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2 &) = delete;
    AFX_MAINTAIN_STATE2 &operator=(const AFX_MAINTAIN_STATE2 &) = delete;

private:
    AFX_MODULE_STATE *previous_;
};

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 afxManagedState_(p)

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE resources);
CWinApp *AfxGetApp();
