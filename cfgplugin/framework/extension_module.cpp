#include "cfgplugin/framework/extension_module.h"

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE &module, HMODULE hModule)
{
    if (!hModule)
        return FALSE;
    module.hModule = hModule;
    module.hResource = hModule;
    module.bInitialized = TRUE;
    AFX_MODULE_STATE *state = AfxGetModuleState();
    if (!state->m_hCurrentInstanceHandle)
        state->m_hCurrentInstanceHandle = hModule;
    if (!state->m_hCurrentResourceHandle)
        state->m_hCurrentResourceHandle = hModule;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE &module)
{
    if (!module.bInitialized)
        return;
    AFX_MODULE_STATE *state = AfxGetModuleState();
    CDynLinkLibrary *library = state->m_libraryList;
    while (library) {
        CDynLinkLibrary *next = library->m_pNextDLL;
        if (library->m_hModule == module.hModule)
            delete library;
        library = next;
    }
    module.bInitialized = FALSE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE &module)
    : m_hModule(module.hModule), m_hResource(module.hResource), m_pModuleState(AfxGetModuleState())
{
    m_pNextDLL = m_pModuleState->m_libraryList;
    m_pModuleState->m_libraryList = this;
}

CDynLinkLibrary::~CDynLinkLibrary()
{
    for (CDynLinkLibrary **link = &m_pModuleState->m_libraryList; *link; link = &(*link)->m_pNextDLL) {
        if (*link == this) {
            *link = m_pNextDLL;
            break;
        }
    }
}

HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type)
{
    AFX_MODULE_STATE *state = AfxGetModuleState();
    const HINSTANCE current = state->m_hCurrentResourceHandle;
    if (current && FindResourceW(current, name, type))
        return current;
    for (CDynLinkLibrary *library = state->m_libraryList; library; library = library->m_pNextDLL) {
        if (library->m_hResource && FindResourceW(library->m_hResource, name, type))
            return library->m_hResource;
    }
    return current;
}
