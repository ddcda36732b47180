#include "cfgplugin/no_config_page.h"

#include "cfgplugin/resource.h"

CNoConfigPage::CNoConfigPage(CDeviceTemplateDlg *pOwner) : CDialog(IDD_NO_CONFIG, nullptr), m_pOwner(pOwner) {}

CNoConfigPage::~CNoConfigPage() = default;

BEGIN_MESSAGE_MAP(CNoConfigPage, CDialog)
END_MESSAGE_MAP()
