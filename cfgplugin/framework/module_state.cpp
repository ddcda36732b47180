#include "cfgplugin/framework/module_state.h"

namespace {

AFX_MODULE_STATE ownState;
// nullptr while the thread runs in the module's own state.
thread_local AFX_MODULE_STATE *switchedTo = nullptr;

} // namespace

AFX_MODULE_STATE *AfxGetModuleState()
{
    return switchedTo ? switchedTo : &ownState;
}

AFX_MODULE_STATE *AfxGetStaticModuleState()
{
    return &ownState;
}

AFX_MODULE_STATE *AfxSetModuleState(AFX_MODULE_STATE *state)
{
    AFX_MODULE_STATE *previous = switchedTo;
    switchedTo = state == &ownState ? nullptr : state;
    return previous;
}

HINSTANCE AfxGetInstanceHandle()
{
    return AfxGetModuleState()->m_hCurrentInstanceHandle;
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}

void AfxSetResourceHandle(HINSTANCE resources)
{
    AfxGetModuleState()->m_hCurrentResourceHandle = resources;
}

CWinApp *AfxGetApp()
{
    return AfxGetModuleState()->m_pCurrentWinApp;
}
