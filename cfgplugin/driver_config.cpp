// The plug-in's one entry point: the host calls it to show the module's window. The window is
// modeless: the call returns at once, and the window lives on in the host's message loop until
// the user closes it. Each call makes a further window.
#include "qms_cfgplugin.h"

#include "cfgplugin/device_template_dlg.h"
#include "cfgplugin/framework/module_state.h"
#include "cfgplugin/resource.h"
#include "cfgplugin/template_path.h"

int DriverConfig(DWORD dwReserved, LPCSTR lpHostDirectory, LPCSTR lpDeviceName, LPCSTR lpOption)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    auto *dialog = new CDeviceTemplateDlg();
    dialog->m_dwReserved = dwReserved;
    usb6093cfg::CopyField(dialog->m_szHostDirectory, lpHostDirectory);
    usb6093cfg::CopyField(dialog->m_szDeviceName, lpDeviceName);
    usb6093cfg::CopyField(dialog->m_szOption, lpOption);
    // The path is built from the host's whole directory, not from its copy: a directory longer
    // than the copy's field still gives the right path as long as the path's own field holds it.
    usb6093cfg::BuildTemplatePath(dialog->m_szTemplatePath, sizeof dialog->m_szTemplatePath, lpHostDirectory,
                                  lpDeviceName);
    if (dialog->Create(IDD_DEVICE_TEMPLATE))
        dialog->ShowWindow(SW_SHOWNORMAL);
    else
        delete dialog; // no window: nothing will delete it, and nothing is shown
    return 1;
}
