// Extension libraries: a library that adds its resources to the framework's search. Loading
// registers it (AfxInitExtensionModule, then a CDynLinkLibrary), unloading takes it out again
// (AfxTermExtensionModule); AfxFindResourceHandle looks in the current resource module first
// and then in each registered library, newest first.
#pragma once

#include "cfgplugin/framework/module_state.h"

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized = FALSE;
    HMODULE hModule = nullptr;
    HMODULE hResource = nullptr;
};

// Records the library's module; the first library that does so also becomes the instance
// and resource module of the state it registers with. FALSE for a null module.
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE &module, HMODULE hModule);
// Removes and deletes the CDynLinkLibrary objects of the module.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE &module);

// One registered library, linked into the state that was current when it was made.
class CDynLinkLibrary {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE &module);
    ~CDynLinkLibrary();
    CDynLinkLibrary(const CDynLinkLibrary &) = delete;
    CDynLinkLibrary &operator=(const CDynLinkLibrary &) = delete;

    HMODULE m_hModule;
    HMODULE m_hResource;
    CDynLinkLibrary *m_pNextDLL = nullptr;

private:
    AFX_MODULE_STATE *m_pModuleState;
};

// The module that holds resource `name` of `type`; the current resource module when none does.
HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);
