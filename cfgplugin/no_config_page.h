// The page of the "AI" and "DIO" tabs: "No Configuration Needed". Its owner deletes it.
#pragma once

#include "cfgplugin/framework/dialog.h"

class CDeviceTemplateDlg;

class CNoConfigPage : public CDialog {
public:
    explicit CNoConfigPage(CDeviceTemplateDlg *pOwner);
    ~CNoConfigPage() override;

private:
    CDeviceTemplateDlg *m_pOwner;

    DECLARE_MESSAGE_MAP()
};
