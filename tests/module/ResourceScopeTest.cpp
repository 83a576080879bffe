// The resource scope around every exported dialog: the host's current resource handle comes back
// however the modal run ends.
#include "UiDriver.h"
#include "module/KxDialog.h"
#include "quickadjust/IM_IMAGE_ROTETA.h"
#include "kxcomdlgres.h"
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// A dialog of the library whose template does not exist.
class CMissingTemplateDlg : public CKxDialog
{
public:
    CMissingTemplateDlg() : CKxDialog(UINT(9999)) {}
};

// Records the current resource handle while the dialog initialises.
class CScopeSeeingDlg : public CIM_IMAGE_ROTETA
{
public:
    HINSTANCE m_hDuringInit = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        m_hDuringInit = AfxGetResourceHandle();
        return CIM_IMAGE_ROTETA::OnInitDialog();
    }
};

// The rotation dialog with handlers added by a derived class: the clockwise button opens a second
// library dialog; the counter-clockwise button throws.
class CNestingRotateDlg : public CIM_IMAGE_ROTETA
{
public:
    HINSTANCE m_hDuringInner = nullptr;
    HINSTANCE m_hAfterInner = nullptr;
    INT_PTR m_innerResult = 0;

protected:
    void OnClockwise()
    {
        CIM_IMAGE_ROTETA inner(this);
        UiScript script;
        script.OnDialog("旋转画布", [this](UiWindow dlg) {
            m_hDuringInner = AfxGetResourceHandle();
            dlg.Click(IDCANCEL);
        });
        m_innerResult = script.Run([&] { return inner.DoModal(); });
        m_hAfterInner = AfxGetResourceHandle();
    }
    void OnAnticlockwise() { throw std::runtime_error("handler failed"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNestingRotateDlg, CIM_IMAGE_ROTETA)
    ON_BN_CLICKED(IDC_ROTATE_CLOCKWISE, OnClockwise)
    ON_BN_CLICKED(IDC_ROTATE_ANTICLOCKWISE, OnAnticlockwise)
END_MESSAGE_MAP()

class ResourceScope : public ::testing::Test
{
protected:
    void SetUp() override { m_hHost = AfxGetResourceHandle(); }
    void TearDown() override { AfxSetResourceHandle(m_hHost); }
    HINSTANCE m_hHost = nullptr;
};

TEST_F(ResourceScope, ScopeSwitchesToTheLibraryAndBack)
{
    ASSERT_NE(nullptr, KxGetLibraryHandle());
    ASSERT_NE(KxGetLibraryHandle(), m_hHost);
    {
        CResourceSwitch outer;
        EXPECT_EQ(KxGetLibraryHandle(), AfxGetResourceHandle());
        {
            CResourceSwitch inner;
            EXPECT_EQ(KxGetLibraryHandle(), AfxGetResourceHandle());
        }
        EXPECT_EQ(KxGetLibraryHandle(), AfxGetResourceHandle()) << "the inner scope restores what it saved";
    }
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());
}

#ifdef NDEBUG
TEST_F(ResourceScope, ReleaseBuildGoesOnWithoutACurrentHandle)
{
    AfxSetResourceHandle(nullptr);
    {
        CResourceSwitch scope;
        EXPECT_EQ(KxGetLibraryHandle(), AfxGetResourceHandle());
    }
    EXPECT_EQ(nullptr, AfxGetResourceHandle());
}
#endif

TEST_F(ResourceScope, HandleRestoredAfterOkCancelAndFailure)
{
    CIM_IMAGE_ROTETA dlg;
    UiScript ok;
    ok.OnDialog("旋转画布", [](UiWindow w) { w.Click(IDOK); });
    EXPECT_EQ(IDOK, ok.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());

    UiScript cancel;
    cancel.OnDialog("旋转画布", [](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, cancel.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());

    CMissingTemplateDlg missing;
    EXPECT_EQ(-1, missing.DoModal());
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());
}

TEST_F(ResourceScope, ModelessCreateRunsInTheScopeToo)
{
    CScopeSeeingDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_IM_IMAGE_ROTETA));
    EXPECT_EQ(KxGetLibraryHandle(), dlg.m_hDuringInit);
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());
    dlg.DestroyWindow();
    CMissingTemplateDlg missing;
    EXPECT_FALSE(missing.Create(9999));
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());
}

TEST_F(ResourceScope, NestedDialogRestoresTheHostsHandleAtTheOuterEnd)
{
    CNestingRotateDlg dlg;
    UiScript script;
    script.OnDialog("旋转画布", [](UiWindow w) { w.Click(IDC_ROTATE_CLOCKWISE); })
          .Until("inner dialog done", [&] { return dlg.m_hAfterInner != nullptr; })
          .OnDialog("旋转画布", [](UiWindow w) { w.Click(IDOK); });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(IDCANCEL, dlg.m_innerResult);
    EXPECT_EQ(KxGetLibraryHandle(), dlg.m_hDuringInner);
    EXPECT_EQ(KxGetLibraryHandle(), dlg.m_hAfterInner) << "the inner scope must put back the outer scope's handle";
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());
}

TEST_F(ResourceScope, ExceptionFromAHandlerRestoresHandleAndOwner)
{
    // A host window that owns the dialog: it is disabled while the dialog runs.
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
    CNestingRotateDlg dlg;
    dlg.m_pParentWnd = &owner;
    UiScript script;
    script.OnDialog("旋转画布", [&](UiWindow w) {
        EXPECT_FALSE(owner.IsWindowEnabled());
        w.Click(IDC_ROTATE_ANTICLOCKWISE);
    });
    EXPECT_THROW(script.Run([&] { return dlg.DoModal(); }), std::runtime_error);
    EXPECT_EQ(m_hHost, AfxGetResourceHandle());
    EXPECT_EQ(nullptr, dlg.m_hWnd) << "the dialog window is destroyed on the way out";
    EXPECT_TRUE(owner.IsWindowEnabled());
    owner.DestroyWindow();
}

} // namespace
