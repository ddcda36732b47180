// Loading the library: the application object, and the library registered as an extension
// module of the framework so that its templates and picture are found; unloading undoes both.
#include "cfgplugin/config_plugin_app.h"

#include "cfgplugin/framework/extension_module.h"

CConfigPluginApp::CConfigPluginApp() : CWinApp("USB6093Cfg") {}

CConfigPluginApp::~CConfigPluginApp() = default;

BEGIN_MESSAGE_MAP(CConfigPluginApp, CWinApp)
END_MESSAGE_MAP()

namespace {

CConfigPluginApp theApp;

AFX_EXTENSION_MODULE usb6093CfgModule;

HMODULE ownModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&usb6093CfgModule), &module);
    return module;
}

struct ExtensionRegistration {
    ExtensionRegistration()
    {
        if (AfxInitExtensionModule(usb6093CfgModule, ownModule()))
            new CDynLinkLibrary(usb6093CfgModule);
    }
    ~ExtensionRegistration() { AfxTermExtensionModule(usb6093CfgModule); }
    ExtensionRegistration(const ExtensionRegistration &) = delete;
    ExtensionRegistration &operator=(const ExtensionRegistration &) = delete;
} registration;

} // namespace
