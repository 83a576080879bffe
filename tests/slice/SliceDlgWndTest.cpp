// CSliceDlgWnd: what a change of the clip box does to the owner's preview and fields, for each
// kind of owner.
#include "ClipTestUtil.h"
#include "TestWindows.h"
#include "kxcomdlgres.h"
#include "slice/SliceDlgWnd.h"
#include <IM_WINDOW.h>
#include <UiDriver.h>
#include <gtest/gtest.h>
#include <memory>

namespace {

// An owner dialog reduced to what the view uses: a preview and a next-output-path display bound
// to a field.
class CTestOwner : public CWnd, public ISliceDlgOwner
{
public:
    CIM_WINDOW m_wndPreview;
    CString m_strNextPath;
    CString m_strOutputPath = "D:\\out\\clip001.jpg";
    int m_nAsked = 0;   // calls of GetCurPicName

    CIM_WINDOW* GetClipPreview() override { return &m_wndPreview; }
    CString GetCurPicName() override
    {
        ++m_nAsked;
        return m_strOutputPath;
    }
    void SetNextPicName(const CString& strPathName) override { m_strNextPath = strPathName; }

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_BATCH_NEXT_PATH, m_strNextPath); }
};

class SliceDlgWndTest : public ::testing::Test
{
protected:
    // The owner with its preview and display, and the view laid on it holding the picture with
    // a 60 x 40 box shown.
    void Open(int kind)
    {
        m_rig = std::make_unique<Rig>();
        CTestOwner& owner = m_rig->owner;
        CSliceDlgWnd& view = m_rig->view;
        ASSERT_TRUE(CreateHostWindow(owner, 40, 40, 480, 200));
        ASSERT_TRUE(owner.m_wndPreview.Create(&owner, CRect(240, 20, 440, 120), 1, WS_VISIBLE));
        ::CreateWindowExA(0, "Static", "(none)", WS_CHILD | WS_VISIBLE, 20, 140, 400, 20, owner.m_hWnd,
                          (HMENU)(INT_PTR)IDC_BATCH_NEXT_PATH, nullptr, nullptr);
        view.SetOwnerKind(kind);
        // No border: client and picture pixels coincide for the 200 x 100 picture.
        ASSERT_TRUE(view.Create(WS_VISIBLE, CRect(20, 20, 220, 120), 0, &owner));
        view.UpdateDib(&m_picture);
        view.SetClipFlag(KX_CLIP_SIZE, 60, 40);
        view.ShowClipbox();
    }
    void TearDown() override
    {
        if (m_rig && m_rig->owner.m_hWnd)
            m_rig->owner.DestroyWindow();
        m_rig.reset();
    }
    void DragBox(CPoint from, CPoint to)
    {
        CSliceDlgWnd& view = m_rig->view;
        view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    }
    CString Shown() const { return UiWindow(m_rig->owner.m_hWnd).Text(IDC_BATCH_NEXT_PATH); }
    CTestOwner& Owner() { return m_rig->owner; }
    CSliceDlgWnd& View() { return m_rig->view; }

    struct Rig
    {
        CTestOwner owner;
        CSliceDlgWnd view;
    };
    CDib m_picture = Ramp(200, 100);
    std::unique_ptr<Rig> m_rig;
};

} // namespace

TEST_F(SliceDlgWndTest, PositioningOwnerFollowsTheBoxWithPreviewAndOutputPath)
{
    Open(KX_SLICE_OWNER_POSITION);
    View().OnClipChanged();
    const CRect placed = View().GetClipRect();
    ASSERT_EQ(CSize(60, 40), placed.Size());
    EXPECT_EQ("", RegionDifference(m_picture, placed, *Owner().m_wndPreview.GetDib()));
    EXPECT_STREQ("D:\\out\\clip001.jpg", Shown()) << "the field reaches its control";

    // The user drags the box 30 pixels right: the view itself refreshes the owner.
    Owner().m_strOutputPath = "D:\\out\\clip002.jpg";
    const CPoint centre = placed.CenterPoint();
    DragBox(centre, centre + CSize(30, 0));
    const CRect moved = View().GetClipRect();
    ASSERT_EQ(placed.left + 30, moved.left);
    EXPECT_EQ("", RegionDifference(m_picture, moved, *Owner().m_wndPreview.GetDib()));
    EXPECT_STREQ("D:\\out\\clip002.jpg", Shown());

    // The picture goes: the preview does not keep the clip of a picture that is no longer there.
    View().UpdateDib(nullptr);
    View().OnClipChanged();
    EXPECT_FALSE(Owner().m_wndPreview.GetDib()->IsValid());
}

TEST_F(SliceDlgWndTest, CropOwnerGetsThePreviewButNoOutputPath)
{
    Open(KX_SLICE_OWNER_CROP);
    const CPoint centre = View().GetClipRect().CenterPoint();
    DragBox(centre, centre + CSize(-20, 10));
    EXPECT_EQ("", RegionDifference(m_picture, View().GetClipRect(), *Owner().m_wndPreview.GetDib()));
    EXPECT_EQ(0, Owner().m_nAsked);
    EXPECT_STREQ("", Shown()) << "the display shows the untouched field";
}

TEST_F(SliceDlgWndTest, AdjustmentOwnerAndUnknownKindsAreLeftAlone)
{
    for (int kind : { KX_SLICE_OWNER_ADJUST, 7, -1 }) {
        SCOPED_TRACE(kind);
        Open(kind);
        const CPoint centre = View().GetClipRect().CenterPoint();
        DragBox(centre, centre + CSize(25, 5));
        View().OnClipChanged();
        EXPECT_FALSE(Owner().m_wndPreview.GetDib()->IsValid());
        EXPECT_EQ(0, Owner().m_nAsked);
        EXPECT_STREQ("(none)", Shown()) << "no data exchange with the owner";
        TearDown();
    }
}
