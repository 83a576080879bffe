// CThumbListCtrl over a folder of real picture files.
#include <ThumbListCtrl.h>
#include <TestFolder.h>
#include <gtest/gtest.h>
#include <kxraii.h>

namespace {

CDib Solid(int w, int h, COLORREF c)
{
    CDib dib;
    dib.Create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = dib.GetLine(y) + 3 * x;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return dib;
}

// The centre pixel of a thumbnail as the list's image list holds it.
COLORREF ThumbCentre(CThumbListCtrl& list, int image)
{
    const CSize size = list.GetThumbSize();
    kx::unique_hdc_window screen;
    kx::unique_hdc hdc(::CreateCompatibleDC(screen.get()));
    kx::unique_hbitmap hbm(::CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    kx::select_object selected(hdc.get(), hbm.get());
    ImageList_Draw(list.GetThumbImages(), image, hdc.get(), 0, 0, ILD_NORMAL);
    return ::GetPixel(hdc.get(), size.cx / 2, size.cy / 2);
}

class ThumbListCtrlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        ASSERT_TRUE(m_host.CreateEx(0, cls, "thumbs", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400, nullptr, nullptr));
        ASSERT_TRUE(m_list.Create(WS_VISIBLE, CRect(0, 0, 500, 400), &m_host, 1));
        // Wide, small and tall pictures, a file that only pretends, and one that is no picture.
        // "b9" comes before "b10" as a user reads them, letter case apart.
        ASSERT_EQ(1, Solid(300, 150, RGB(0, 200, 0)).Save(m_folder.File("b9 wide.bmp"), KXFMT_BMP, 24));
        ASSERT_EQ(1, Solid(40, 30, RGB(0, 0, 200)).Save(m_folder.File("A small.png"), KXFMT_PNG, 24));
        ASSERT_EQ(1, Solid(100, 400, RGB(200, 0, 0)).Save(m_folder.File("B10 tall.tif"), KXFMT_TIFF, 24));
        m_folder.Write("broken.jpg", "not a picture");
        m_folder.Write("notes.txt", "hello");
    }
    void Select(std::initializer_list<int> items)
    {
        m_list.SetItemState(-1, 0, LVIS_SELECTED);
        for (int i : items)
            m_list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }

    TestFolder m_folder;
    CWnd m_host;
    CThumbListCtrl m_list;
};

} // namespace

TEST_F(ThumbListCtrlTest, LoadsTheReadablePicturesOfTheFolderInNameOrder)
{
    EXPECT_EQ(3, m_list.LoadFolder(m_folder.Path()));
    char cls[64] = "";
    ::GetClassNameA(m_list.m_hWnd, cls, sizeof cls);
    EXPECT_STREQ(WC_LISTVIEWA, cls);
    EXPECT_EQ(3, m_list.GetThumbImages().GetImageCount());

    const char* names[] = { "A small.png", "b9 wide.bmp", "B10 tall.tif" };
    for (int i = 0; i < 3; ++i) {
        CThumbItem* item = m_list.GetItemThumb(i);
        ASSERT_TRUE(item != nullptr);
        EXPECT_EQ(m_folder.File(names[i]), item->m_strPath);
        EXPECT_EQ(names[i], m_list.GetItemText(i, 0));
        EXPECT_TRUE(item->m_pSaveDib == nullptr);
        ASSERT_TRUE(item->m_pDib && item->m_pDib->IsValid());
    }
    // Reduced to fit the thumbnail with the proportions kept; a small picture is not enlarged.
    const CSize box = m_list.GetThumbSize();
    CDib* small = m_list.GetItemThumb(0)->m_pDib;
    EXPECT_EQ(40, small->GetWidth());
    EXPECT_EQ(30, small->GetHeight());
    CDib* wide = m_list.GetItemThumb(1)->m_pDib;
    EXPECT_LE(wide->GetWidth(), box.cx);
    EXPECT_GT(wide->GetWidth(), box.cx * 3 / 4);
    EXPECT_NEAR(wide->GetWidth(), 2 * wide->GetHeight(), 1);
    EXPECT_EQ(300, m_list.GetItemThumb(1)->m_nFileWidth);
    CDib* tall = m_list.GetItemThumb(2)->m_pDib;
    EXPECT_LE(tall->GetHeight(), box.cy);
    EXPECT_NEAR(tall->GetHeight(), 4 * tall->GetWidth(), 2);

    EXPECT_TRUE(m_list.GetItemThumb(3) == nullptr);
    EXPECT_TRUE(m_list.GetItemThumb(-1) == nullptr);

    // Loading another folder replaces everything, an unreadable one leaves the list empty.
    EXPECT_EQ(0, m_list.LoadFolder(m_folder.File("no such folder")));
    EXPECT_EQ(0, m_list.GetItemCount());
    EXPECT_EQ(0, m_list.GetThumbImages().GetImageCount());
}

TEST_F(ThumbListCtrlTest, SelectionWalkVisitsEachSelectedItemOnce)
{
    ASSERT_EQ(3, m_list.LoadFolder(m_folder.Path()));
    EXPECT_EQ(-1, m_list.GetSelectedItem(-1)) << "nothing selected";

    Select({ 0, 2 });
    EXPECT_EQ(0, m_list.GetSelectedItem(-1));
    EXPECT_EQ(2, m_list.GetSelectedItem(0));
    EXPECT_EQ(-1, m_list.GetSelectedItem(2));

    Select({ 1 });
    EXPECT_EQ(1, m_list.GetSelectedItem());
    EXPECT_EQ(-1, m_list.GetSelectedItem(1));
}

TEST_F(ThumbListCtrlTest, RedrawingAnItemShowsItsChangedImage)
{
    ASSERT_EQ(3, m_list.LoadFolder(m_folder.Path()));
    CThumbItem* item = m_list.GetItemThumb(1);
    EXPECT_EQ(RGB(0, 200, 0), ThumbCentre(m_list, item->m_nImage));

    // What the adjustment dialog does: keep a saved copy, change the image, redraw the item.
    item->m_pSaveDib = new CDib(*item->m_pDib);
    *item->m_pDib = Solid(item->m_pDib->GetWidth(), item->m_pDib->GetHeight(), RGB(250, 250, 0));
    m_list.RedrawItems(1, 1);
    EXPECT_EQ(RGB(250, 250, 0), ThumbCentre(m_list, item->m_nImage));
    EXPECT_EQ(RGB(0, 0, 200), ThumbCentre(m_list, m_list.GetItemThumb(0)->m_nImage)) << "others untouched";

    // Putting the saved image back and redrawing a range that runs past the end.
    *item->m_pDib = *item->m_pSaveDib;
    m_list.RedrawItems(0, 10);
    EXPECT_EQ(RGB(0, 200, 0), ThumbCentre(m_list, item->m_nImage));
}
