#include "cfgplugin/device_template_dlg.h"

#include "cfgplugin/device_info_page.h"
#include "cfgplugin/framework/data_exchange.h"
#include "cfgplugin/no_config_page.h"
#include "cfgplugin/resource.h"

namespace {

// Where the pages sit in the dialog's client area, in pixels.
constexpr int pageLeft = 160;
constexpr int pageTop = 30;

enum PageTab { deviceTab = 0, aiTab = 1, dioTab = 2 };

} // namespace

CDeviceTemplateDlg::CDeviceTemplateDlg() : CDialog(IDD_DEVICE_TEMPLATE, nullptr) {}

CDeviceTemplateDlg::~CDeviceTemplateDlg()
{
    // The no-configuration page does not delete itself; the info page does, unless its
    // window was never made.
    delete m_pNoConfigPage;
    delete m_pInfoPage;
}

BEGIN_MESSAGE_MAP(CDeviceTemplateDlg, CDialog)
    ON_NOTIFY(TCN_SELCHANGE, IDC_PAGE_TABS, OnSelchangePageTabs)
    ON_NOTIFY(TVN_SELCHANGEDW, IDC_TEMPLATE_TREE, OnSelchangedTemplateTree)
    ON_BN_CLICKED(IDC_ADD, OnAddTemplate)
    ON_BN_CLICKED(IDC_REMOVE, OnRemoveTemplate)
END_MESSAGE_MAP()

void CDeviceTemplateDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SAVE, m_btnSave);
    DDX_Control(pDX, IDC_PAGE_TABS, m_tabPages);
    DDX_Control(pDX, IDC_TEMPLATE_TREE, m_treeTemplates);
}

void CDeviceTemplateDlg::PostNcDestroy()
{
    delete this;
}

BOOL CDeviceTemplateDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_wTemplateIndex = 0;
    m_wTemplateChanged = 0;
    m_btnSave.EnableWindow(FALSE);

    m_pNoConfigPage = new CNoConfigPage(this);
    m_pInfoPage = new CDeviceInfoPage(this);

    m_treeTemplates.InsertItem("DeviceTemplate", TVI_ROOT, TVI_LAST);
    m_treeTemplates.InsertItem("USB_6093", m_treeTemplates.GetFirstVisibleItem(), TVI_LAST);

    m_tabPages.InsertItem(deviceTab, "Device");
    m_tabPages.InsertItem(aiTab, "AI");
    m_tabPages.InsertItem(dioTab, "DIO");

    if (!PlacePage(*m_pInfoPage, IDD_DEVICE_INFO, SW_SHOW)) {
        // Without a window the page will never delete itself.
        delete m_pInfoPage;
        m_pInfoPage = nullptr;
    }
    PlacePage(*m_pNoConfigPage, IDD_NO_CONFIG, SW_HIDE);
    return TRUE;
}

BOOL CDeviceTemplateDlg::PlacePage(CDialog &page, UINT templateId, int nCmdShow)
{
    if (!page.Create(templateId, this))
        return FALSE;
    RECT own{};
    page.GetWindowRect(&own);
    page.MoveWindow(pageLeft, pageTop, own.right - own.left, own.bottom - own.top);
    page.ShowWindow(nCmdShow);
    return TRUE;
}

void CDeviceTemplateDlg::OnOK()
{
    // Save: this module has no template to save.
}

void CDeviceTemplateDlg::OnCancel()
{
    // Close ends a modeless window by destroying it; the object goes with it
    // (PostNcDestroy), so nothing of it is touched after this call.
    DestroyWindow();
}

void CDeviceTemplateDlg::OnSelchangePageTabs(NMHDR *, LRESULT *pResult)
{
    const bool device = m_tabPages.GetCurSel() == deviceTab;
    if (m_pInfoPage)
        m_pInfoPage->ShowWindow(device ? SW_SHOW : SW_HIDE);
    if (m_pNoConfigPage)
        m_pNoConfigPage->ShowWindow(device ? SW_HIDE : SW_SHOW);
    *pResult = 0;
}

void CDeviceTemplateDlg::OnSelchangedTemplateTree(NMHDR *, LRESULT *pResult)
{
    *pResult = 0;
}

void CDeviceTemplateDlg::OnAddTemplate() {}

void CDeviceTemplateDlg::OnRemoveTemplate() {}
