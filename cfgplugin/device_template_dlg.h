// The plug-in's window "USB-6093 device setting templates": the host's tree of device
// templates, the tabs "Device", "AI" and "DIO" over the pages that describe the module, and
// Close. This module needs no device template, so Save, Add and Remove stay hidden and do
// nothing. The object lives from DriverConfig until its window is destroyed, then deletes
// itself.
#pragma once

#include "cfgplugin/framework/controls.h"
#include "cfgplugin/framework/dialog.h"

class CDeviceInfoPage;
class CNoConfigPage;

class CDeviceTemplateDlg : public CDialog {
public:
    CDeviceTemplateDlg();
    ~CDeviceTemplateDlg() override;

    // DriverConfig's arguments, cut to their fields, and the module's template path.
    DWORD m_dwReserved = 0; // the host's value: kept, not used
    char m_szHostDirectory[50] = {};
    char m_szDeviceName[20] = {};
    char m_szOption[10] = {};
    char m_szTemplatePath[256] = {};

    // The info page deletes itself with its window and tells its owner here.
    void InfoPageGone() { m_pInfoPage = nullptr; }

protected:
    void DoDataExchange(CDataExchange *pDX) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // Makes a page from its template inside the dialog at the pages' place; FALSE when the
    // page's window could not be made.
    BOOL PlacePage(CDialog &page, UINT templateId, int nCmdShow);
    void OnSelchangePageTabs(NMHDR *pNMHDR, LRESULT *pResult);
    void OnSelchangedTemplateTree(NMHDR *pNMHDR, LRESULT *pResult);
    void OnAddTemplate();
    void OnRemoveTemplate();

    CButton m_btnSave;
    CTabCtrl m_tabPages;
    CTreeCtrl m_treeTemplates;
    CDeviceInfoPage *m_pInfoPage = nullptr;
    CNoConfigPage *m_pNoConfigPage = nullptr;
    // Template bookkeeping of the host's other modules; this one has no templates.
    WORD m_wTemplateIndex = 0;
    WORD m_wTemplateChanged = 0;

    DECLARE_MESSAGE_MAP()
};
