// The plug-ins' framework on its own: message maps and their base maps, data exchange,
// modal and modeless dialogs with objects that delete themselves, the module state switch and
// the search of registered extension libraries for templates.
#include <QApplication>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QtTest/QTest>
#include <cstring>
#include <string>
#include <vector>

#include "cfgplugin/framework/controls.h"
#include "cfgplugin/framework/data_exchange.h"
#include "cfgplugin/framework/dialog.h"
#include "cfgplugin/framework/extension_module.h"
#include "cfgplugin/framework/module_state.h"
#include "tests/cfgplugin/framework_ids.h"
#include "tests/cfgplugin/plugin_fixture.h"

extern "C" HMODULE qms_test_library_module(void); // the library of tests/platform/ui: template 201

namespace usb6093cfg::test {
namespace {

HMODULE programModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&programModule), &module);
    return module;
}

// The program is the module whose templates dialogs come from, as a plug-in is for itself.
struct ProgramResources {
    ProgramResources()
    {
        AfxInitExtensionModule(module, programModule());
    }
    AFX_EXTENSION_MODULE module;
} programResources;

// A dialog that writes down what reaches it.
class RecordingDialog : public CDialog {
public:
    explicit RecordingDialog(std::vector<std::string> &log) : CDialog(IDD_FRAME_DIALOG), log_(log) {}
    ~RecordingDialog() override { log_.push_back("deleted"); }

    CStatic text;
    CButton first;
    CTabCtrl tabs;
    bool bindMissing = false;
    bool deletesItself = false;

protected:
    void DoDataExchange(CDataExchange *pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_FRAME_TEXT, text);
        DDX_Control(pDX, IDC_FRAME_FIRST, first);
        DDX_Control(pDX, IDC_FRAME_TABS, tabs);
        if (bindMissing) {
            CWnd missing;
            DDX_Control(pDX, IDC_FRAME_MISSING, missing);
        }
    }
    void PostNcDestroy() override
    {
        log_.push_back("PostNcDestroy");
        if (deletesItself)
            delete this;
    }
    BOOL OnInitDialog() override
    {
        const BOOL result = CDialog::OnInitDialog();
        log_.push_back(text.m_hWnd && first.m_hWnd && tabs.m_hWnd ? "bound" : "unbound");
        tabs.InsertItem(0, "One");
        tabs.InsertItem(1, "Two");
        return result;
    }
    void OnFirst() { log_.push_back("First"); }
    void OnSecondOfBase() { log_.push_back("Second"); }
    void OnTabChange(NMHDR *header, LRESULT *result)
    {
        log_.push_back("tab " + std::to_string(tabs.GetCurSel()) + " from " + std::to_string(header->idFrom));
        *result = 0;
    }
    void OnTabChanging(NMHDR *, LRESULT *result) { *result = TRUE; } // refuses

    std::vector<std::string> &log_;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecordingDialog, CDialog)
    ON_BN_CLICKED(IDC_FRAME_FIRST, OnFirst)
    ON_BN_CLICKED(IDC_FRAME_SECOND, OnSecondOfBase)
    ON_NOTIFY(TCN_SELCHANGE, IDC_FRAME_TABS, OnTabChange)
END_MESSAGE_MAP()

// Takes "Second" itself and leaves "First" to its base; refuses a tab change.
class DerivedDialog : public RecordingDialog {
public:
    using RecordingDialog::RecordingDialog;
    bool refuseTabs = false;

protected:
    void OnSecond() { log_.push_back("Second of the derived"); }
    void OnTabChangingMaybe(NMHDR *header, LRESULT *result)
    {
        if (refuseTabs)
            OnTabChanging(header, result);
        else
            *result = 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedDialog, RecordingDialog)
    ON_BN_CLICKED(IDC_FRAME_SECOND, OnSecond)
    ON_NOTIFY(TCN_SELCHANGING, IDC_FRAME_TABS, OnTabChangingMaybe)
END_MESSAGE_MAP()

class Page : public CDialog {
public:
    explicit Page(std::vector<std::string> &log) : CDialog(IDD_FRAME_PAGE), log_(log) {}
    ~Page() override { log_.push_back("page deleted"); }

protected:
    void PostNcDestroy() override { delete this; }

private:
    std::vector<std::string> &log_;
};

QWidget *widgetOf(HWND hwnd)
{
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->property("hwnd").isValid() && handleOf(w) == hwnd)
            return w;
    }
    return nullptr;
}

// The Itanium C++ ABI (GCC and Clang on Linux) gives a pointer to a virtual member function
// the byte offset of the function's slot in the table, plus one.
template <class Member>
std::size_t slotOf(Member member)
{
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adjust;
    } raw;
    static_assert(sizeof raw == sizeof member);
    std::memcpy(&raw, &member, sizeof raw);
    return (raw.ptr - 1) / sizeof(void *);
}

struct SlotProbe : CDialog {
    static std::vector<std::size_t> order()
    {
        return {slotOf(&SlotProbe::GetMessageMap), slotOf(&SlotProbe::DoDataExchange),
                slotOf(&SlotProbe::PostNcDestroy), slotOf(&SlotProbe::OnInitDialog),
                slotOf(&SlotProbe::OnOK),          slotOf(&SlotProbe::OnCancel)};
    }
};

class Framework : public testing::Test {
protected:
    void TearDown() override { processEvents(); }
    std::vector<std::string> log;
};

TEST_F(Framework, VirtualOperationsKeepTheirSlots)
{
    // Slots 0 and 1 are the destructor's (complete and deleting); nothing comes between.
    EXPECT_EQ(SlotProbe::order(), (std::vector<std::size_t>{2, 3, 4, 5, 6, 7}));
}

TEST_F(Framework, CommandsAndNotificationsReachTheMostDerivedHandler)
{
    auto *dialog = new DerivedDialog(log);
    dialog->deletesItself = true;
    ASSERT_TRUE(dialog->Create(IDD_FRAME_DIALOG));
    dialog->ShowWindow(SW_SHOW);
    QWidget *window = widgetOf(dialog->m_hWnd);
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(control<QPushButton>(window, IDC_FRAME_FIRST), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(window, IDC_FRAME_SECOND), Qt::LeftButton);
    auto *tabs = control<QTabBar>(window, IDC_FRAME_TABS);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    dialog->refuseTabs = true;
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_EQ(tabs->currentIndex(), 1) << "the handler's result reached the tab control";
    const HWND hwnd = dialog->m_hWnd;
    dialog->DestroyWindow();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(log, (std::vector<std::string>{"bound", "First", "Second of the derived", "tab 1 from 1004",
                                             "PostNcDestroy", "deleted"}));
}

TEST_F(Framework, ModalDialogEndsThroughOnOkAndOnCancel)
{
    for (const auto &[key, expected] : {std::pair{Qt::Key_Return, IDOK}, std::pair{Qt::Key_Escape, IDCANCEL}}) {
        ASSERT_EQ(qms_ui_start(), 0);
        QTimer::singleShot(0, qApp, [key = key] {
            QWidget *modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            QTest::keyClick(modal, key);
        });
        RecordingDialog dialog(log);
        EXPECT_EQ(dialog.DoModal(), expected);
        EXPECT_EQ(dialog.m_hWnd, nullptr) << "the object let go of its window";
        EXPECT_EQ(dialog.text.m_hWnd, nullptr) << "and of its controls";
    }
}

TEST_F(Framework, ADialogMadeAgainBindsItsNewControls)
{
    RecordingDialog dialog(log);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(dialog.Create(IDD_FRAME_DIALOG));
        EXPECT_EQ(dialog.text.m_hWnd, dialog.GetDlgItem(IDC_FRAME_TEXT)) << "round " << round;
        EXPECT_EQ(dialog.tabs.GetItemCount(), 2) << "round " << round;
        dialog.DestroyWindow();
        EXPECT_EQ(dialog.tabs.m_hWnd, nullptr);
    }
}

TEST_F(Framework, DataExchangeFailsForAControlTheDialogLacks)
{
    RecordingDialog dialog(log);
    dialog.bindMissing = true;
    ASSERT_TRUE(dialog.Create(IDD_FRAME_DIALOG));
    EXPECT_EQ(log, std::vector<std::string>{"bound"}) << "the controls that exist are bound";
    EXPECT_FALSE(dialog.UpdateData(FALSE));
    dialog.bindMissing = false;
    EXPECT_TRUE(dialog.UpdateData(FALSE));
    dialog.DestroyWindow();
}

TEST_F(Framework, PagesDeleteThemselvesBeforeTheirDialog)
{
    auto *dialog = new RecordingDialog(log);
    dialog->deletesItself = true;
    ASSERT_TRUE(dialog->Create(IDD_FRAME_DIALOG));
    auto *page = new Page(log);
    ASSERT_TRUE(page->Create(IDD_FRAME_PAGE, dialog));
    EXPECT_EQ(GetParent(page->m_hWnd), dialog->m_hWnd);
    const HWND pageHandle = page->m_hWnd;
    dialog->DestroyWindow();
    EXPECT_FALSE(IsWindow(pageHandle));
    EXPECT_EQ(log, (std::vector<std::string>{"bound", "page deleted", "PostNcDestroy", "deleted"}));
}

TEST_F(Framework, AnObjectThatGoesFirstTakesItsWindowAlong)
{
    HWND hwnd = nullptr;
    {
        RecordingDialog dialog(log);
        ASSERT_TRUE(dialog.Create(IDD_FRAME_DIALOG));
        hwnd = dialog.m_hWnd;
        EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), &dialog);
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_EQ(log.back(), "deleted");
}

TEST_F(Framework, ModuleStateSwitchLastsForTheScope)
{
    AFX_MODULE_STATE other;
    other.m_hCurrentResourceHandle = qms_test_library_module();
    EXPECT_EQ(AfxGetModuleState(), AfxGetStaticModuleState());
    {
        AFX_MANAGE_STATE(&other);
        EXPECT_EQ(AfxGetModuleState(), &other);
        {
            AFX_MANAGE_STATE(AfxGetStaticModuleState());
            EXPECT_EQ(AfxGetResourceHandle(), programModule());
        }
        EXPECT_EQ(AfxGetModuleState(), &other);
        // Templates are looked up in the state in force: the library's, without the program's.
        RecordingDialog dialog(log);
        EXPECT_FALSE(dialog.Create(IDD_FRAME_DIALOG));
        EXPECT_EQ(dialog.m_hWnd, nullptr);
        CDialog fromLibrary(201);
        EXPECT_TRUE(fromLibrary.Create(201));
    }
    EXPECT_EQ(AfxGetModuleState(), AfxGetStaticModuleState());
}

TEST_F(Framework, RegisteredExtensionLibrariesAreSearchedForTemplates)
{
    const HMODULE library = qms_test_library_module();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(201), RT_DIALOG), programModule()) << "not found: the current";
    AFX_EXTENSION_MODULE extension;
    ASSERT_TRUE(AfxInitExtensionModule(extension, library));
    EXPECT_EQ(AfxGetResourceHandle(), programModule()) << "the first module stays the state's own";
    new CDynLinkLibrary(extension);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(201), RT_DIALOG), library);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(IDD_FRAME_DIALOG), RT_DIALOG), programModule());
    {
        CDialog fromLibrary(201);
        ASSERT_TRUE(fromLibrary.Create(201));
        EXPECT_EQ(widgetOf(fromLibrary.m_hWnd)->windowTitle(), "Library Dialog");
    }
    AfxTermExtensionModule(extension);
    EXPECT_EQ(AfxGetModuleState()->m_libraryList, nullptr);
    CDialog gone(201);
    EXPECT_FALSE(gone.Create(201));
}

} // namespace
} // namespace usb6093cfg::test
