// The "Device" page: the picture of the module, its description and the note that it needs
// no device template. It deletes itself when its window is destroyed.
#pragma once

#include "cfgplugin/framework/controls.h"
#include "cfgplugin/framework/dialog.h"

class CDeviceTemplateDlg;

// The description shown in control 1141, exactly.
extern const char usb6093Description[];

class CDeviceInfoPage : public CDialog {
public:
    explicit CDeviceInfoPage(CDeviceTemplateDlg *pOwner);
    ~CDeviceInfoPage() override;

protected:
    void DoDataExchange(CDataExchange *pDX) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;

private:
    CStatic m_stcDescription;
    CDeviceTemplateDlg *m_pOwner;

    DECLARE_MESSAGE_MAP()
};
