#include "cfgplugin/device_info_page.h"

#include "cfgplugin/device_template_dlg.h"
#include "cfgplugin/framework/data_exchange.h"
#include "cfgplugin/resource.h"

// The blank before the fifth line break belongs to the text.
const char usb6093Description[] = "8-ch Thermocouple Input USB Module\n\n"
                                  "*Support voltage, current, and thermocouple inputs\n"
                                  "*Bus-powered\n"
                                  "*8 thermocouple input channels\n"
                                  "*2,500 VDC isolation \n"
                                  "*Supports 0~20 mA, 4~20 mA\n"
                                  "*8-ch isolated DI and 8-ch isolated DO";

CDeviceInfoPage::CDeviceInfoPage(CDeviceTemplateDlg *pOwner) : CDialog(IDD_DEVICE_INFO, nullptr), m_pOwner(pOwner) {}

CDeviceInfoPage::~CDeviceInfoPage() = default;

BEGIN_MESSAGE_MAP(CDeviceInfoPage, CDialog)
END_MESSAGE_MAP()

void CDeviceInfoPage::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DESCRIPTION, m_stcDescription);
}

void CDeviceInfoPage::PostNcDestroy()
{
    if (m_pOwner)
        m_pOwner->InfoPageGone();
    delete this;
}

BOOL CDeviceInfoPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_stcDescription.SetWindowText(usb6093Description);
    return TRUE;
}
