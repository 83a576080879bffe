// The thumbnail form: the selected items of a real thumbnail list over real picture files are
// adjusted in place while the user drags or types, kept by OK and put back by Cancel.
#include "QuickTestUtil.h"
#include "TestFolder.h"
#include "kxcomdlgres.h"
#include "quickadjust/IM_ADJUST_CBAR.h"
#include <algorithm>
#include <set>

namespace {

const char* const kCaption = "图像调整 - 亮度、对比度、色饱和度";
const int kItems = 5;

class CbarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        ASSERT_TRUE(m_host.CreateEx(0, cls, "thumbs", WS_POPUP | WS_VISIBLE, 0, 0, 600, 300, nullptr, nullptr));
        ASSERT_TRUE(m_list.Create(WS_VISIBLE, CRect(0, 0, 600, 300), &m_host, 1));
        // Small enough to be their own thumbnails, each with different colours.
        for (int i = 0; i < kItems; ++i) {
            CString name;
            name.Format("picture %d.bmp", i);
            ASSERT_EQ(1, MakeTestPicture(40 + i * 4, 30 + i * 2).Save(m_folder.File(name), KXFMT_BMP, 24));
        }
        ASSERT_EQ(kItems, m_list.LoadFolder(m_folder.Path()));
        for (int i = 0; i < kItems; ++i)
            m_original.push_back(Image(i));
    }
    void TearDown() override
    {
        m_list.DestroyWindow();
        m_host.DestroyWindow();
    }
    void Select(std::initializer_list<int> items)
    {
        m_list.SetItemState(-1, 0, LVIS_SELECTED);
        for (int i : items)
            m_list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
    CDib Image(int i) const { return *m_list.GetItemThumb(i)->m_pDib; }
    CDib* Saved(int i) const { return m_list.GetItemThumb(i)->m_pSaveDib; }
    // The original picture of item i with the amounts applied in the dialog's order.
    CDib Adjusted(int i, int brightness, int contrast, int saturation) const
    {
        CDib dib = m_original[i];
        dib.ChangeBrightness(brightness);
        dib.ChangeContrast(contrast);
        dib.ChangeSaturation(saturation);
        return dib;
    }
    // Every item shows its original image, except those of changed, which show theirs.
    void ExpectImages(const std::vector<std::pair<int, CDib>>& changed, const char* when) const
    {
        for (int i = 0; i < kItems; ++i) {
            auto it = std::find_if(changed.begin(), changed.end(), [i](const auto& c) { return c.first == i; });
            EXPECT_EQ("", PixelDifference(it != changed.end() ? it->second : m_original[i], Image(i)))
                << "item " << i << " " << when;
        }
    }
    // The items the list was asked to redraw since the log started.
    static std::set<int> Redrawn(const UiMessageLog& log)
    {
        std::set<int> items;
        for (const UiMessage& m : log.Messages())
            for (int i = (int)m.wParam; i <= (int)m.lParam; ++i)
                items.insert(i);
        return items;
    }

    TestFolder m_folder;
    CWnd m_host;
    CThumbListCtrl m_list;
    std::vector<CDib> m_original;
};

void Press(UiWindow w, int sliderId, UINT vk, int times = 1)
{
    w.Focus(sliderId);
    for (int i = 0; i < times; ++i)
        w.Key(vk);
}

TEST_F(CbarTest, SliderMovesAdjustTheSelectedItemsOnlyAndRedrawThem)
{
    Select({ 1, 3, 4 });
    CIM_ADJUST_CBAR dlg;
    dlg.m_pThumbList = &m_list;
    UiMessageLog log(m_list.m_hWnd, { LVM_REDRAWITEMS });
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              for (int i : { 1, 3, 4 }) {
                  ASSERT_TRUE(Saved(i)) << "item " << i;
                  EXPECT_EQ("", PixelDifference(m_original[i], *Saved(i))) << "item " << i << " saved as it was";
              }
              EXPECT_TRUE(Saved(0) == nullptr && Saved(2) == nullptr) << "unselected items get no saved image";
              EXPECT_TRUE(Redrawn(log).empty()) << "nothing changes before a slider moves";
              Press(w, IDC_QUICK_SLIDER1, VK_NEXT);        // brightness 200
          })
          .OnDialog(kCaption, [&](UiWindow w) {
              ExpectImages({ { 1, Adjusted(1, 200, 0, 0) }, { 3, Adjusted(3, 200, 0, 0) }, { 4, Adjusted(4, 200, 0, 0) } },
                           "after one move");
              EXPECT_EQ((std::set<int>{ 1, 3, 4 }), Redrawn(log));
              Press(w, IDC_QUICK_SLIDER2, VK_PRIOR);       // contrast -200
              Press(w, IDC_QUICK_SLIDER3, VK_NEXT, 2);     // saturation 400
          })
          .OnDialog(kCaption, [&](UiWindow w) {
              // Each move starts again from the saved images: no amount is applied twice.
              ExpectImages({ { 1, Adjusted(1, 200, -200, 400) }, { 3, Adjusted(3, 200, -200, 400) },
                             { 4, Adjusted(4, 200, -200, 400) } },
                           "after three moves");
              w.Click(IDOK);
          });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(200, dlg.m_nBrightness);
    EXPECT_EQ(-200, dlg.m_nContrast);
    EXPECT_EQ(400, dlg.m_nSaturation);
    ExpectImages({ { 1, Adjusted(1, 200, -200, 400) }, { 3, Adjusted(3, 200, -200, 400) }, { 4, Adjusted(4, 200, -200, 400) } },
                 "after OK");
    for (int i : { 1, 3, 4 })
        EXPECT_EQ("", PixelDifference(m_original[i], *Saved(i))) << "OK leaves item " << i << " its unadjusted image";
}

TEST_F(CbarTest, CancelPutsBackTheImagesAndReleasesTheSavedPixels)
{
    Select({ 0, 2 });
    CIM_ADJUST_CBAR dlg;
    dlg.m_pThumbList = &m_list;
    UiMessageLog log(m_list.m_hWnd, { LVM_REDRAWITEMS });
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) { Press(w, IDC_QUICK_SLIDER2, VK_END); })
          .OnDialog(kCaption, [&](UiWindow w) {
              ExpectImages({ { 0, Adjusted(0, 0, 1000, 0) }, { 2, Adjusted(2, 0, 1000, 0) } }, "while open");
              log.Clear();
              w.Key(VK_ESCAPE);
          });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    ExpectImages({}, "after Cancel");
    EXPECT_EQ((std::set<int>{ 0, 2 }), Redrawn(log)) << "the restored items are redrawn";
    for (int i : { 0, 2 }) {
        ASSERT_TRUE(Saved(i)) << "the saved object stays with item " << i;
        EXPECT_FALSE(Saved(i)->IsValid()) << "its pixels are released";
    }
    EXPECT_EQ(1000, dlg.m_nContrast) << "Cancel still leaves the last position in the member";
}

TEST_F(CbarTest, ASecondRunReusesTheSavedImagesAndRefreshesThem)
{
    Select({ 2 });
    CIM_ADJUST_CBAR first;
    first.m_pThumbList = &m_list;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) { Press(w, IDC_QUICK_SLIDER1, VK_PRIOR); })
          .OnDialog(kCaption, [](UiWindow w) { w.Click(IDOK); });
    ASSERT_EQ(IDOK, script.Run([&] { return first.DoModal(); }));
    CDib* saved = Saved(2);
    const CDib afterFirst = Image(2);

    CIM_ADJUST_CBAR second;
    second.m_pThumbList = &m_list;
    UiScript again;
    again.OnDialog(kCaption, [&](UiWindow w) {
              EXPECT_EQ(saved, Saved(2)) << "the item's saved object is reused";
              EXPECT_EQ("", PixelDifference(afterFirst, *Saved(2))) << "and holds the image as this run found it";
              EXPECT_EQ(0, Slider(w, IDC_QUICK_SLIDER1)->GetPos());
              Press(w, IDC_QUICK_SLIDER3, VK_HOME);
          })
          .OnDialog(kCaption, [](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, again.Run([&] { return second.DoModal(); }));
    EXPECT_EQ("", PixelDifference(afterFirst, Image(2))) << "Cancel goes back to the first run's result";
    EXPECT_EQ(0, second.m_nBrightness) << "the second run started at 0";
}

TEST_F(CbarTest, TypingKeyByKeyMovesTheSliderThroughEveryState)
{
    Select({ 1 });
    CIM_ADJUST_CBAR dlg;
    dlg.m_pThumbList = &m_list;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        {
            UiMessageLog log(w.Handle(), { WM_KX_SLIDER_CHANGED });
            w.TypeKeys(IDC_QUICK_EDIT1, "-50");
            std::vector<int> positions;
            for (const UiMessage& m : log.Messages())
                positions.push_back((int)m.lParam);
            EXPECT_EQ((std::vector<int>{ 0, -5, -50 }), positions) << "\"-\", \"-5\", \"-50\" each reach the slider";
        }
        EXPECT_EQ(CString("-50"), w.Text(IDC_QUICK_EDIT1)) << "the box keeps what was typed";
        EXPECT_EQ(-50, Slider(w, IDC_QUICK_SLIDER1)->GetPos());
        ExpectImages({ { 1, Adjusted(1, -50, 0, 0) } }, "after typing -50");

        // Beyond the range: the slider stops at its end, the box shows it once the focus leaves.
        w.TypeKeys(IDC_QUICK_EDIT2, "2000");
        EXPECT_EQ(CString("2000"), w.Text(IDC_QUICK_EDIT2));
        EXPECT_EQ(1000, Slider(w, IDC_QUICK_SLIDER2)->GetPos());
        // A fifth key is refused: the box holds four characters.
        w.TypeKeys(IDC_QUICK_EDIT3, "-1234");
        EXPECT_EQ(CString("-123"), w.Text(IDC_QUICK_EDIT3));
        EXPECT_EQ(CString("1000"), w.Text(IDC_QUICK_EDIT2));
        ExpectImages({ { 1, Adjusted(1, -50, 1000, -123) } }, "after typing in all three");
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(-50, dlg.m_nTyped1);
    EXPECT_EQ(2000, dlg.m_nTyped2) << "the typed value as typed";
    EXPECT_EQ(-123, dlg.m_nTyped3);
    EXPECT_EQ(1000, dlg.m_nContrast);
    EXPECT_EQ(-123, dlg.m_nSaturation);
    EXPECT_EQ(CString("-123"), dlg.m_strValue3);
}

TEST_F(CbarTest, TextLongerThanFourCharactersMeetsTheValidationMessage)
{
    Select({ 0 });
    CIM_ADJUST_CBAR dlg;
    dlg.m_pThumbList = &m_list;
    CString message;
    UiScript script;
    // The box refuses a fifth key and cuts a paste to four characters, so a longer text only
    // arrives whole, set by a program.
    script.OnDialog(kCaption, [](UiWindow w) {
              w.Type(IDC_QUICK_EDIT2, "12345");
              EXPECT_EQ(CString("1234"), w.Text(IDC_QUICK_EDIT2));
              w.TypeKeys(IDC_QUICK_EDIT2, "0");
              ::SetDlgItemTextA(w.Handle(), IDC_QUICK_EDIT2, "-1000");
          })
          .AnswerMessageBox(IDOK, &message)
          .OnDialog(kCaption, [&](UiWindow w) {
              EXPECT_TRUE(w.HasFocus(IDC_QUICK_EDIT2)) << "the refused box gets the focus";
              EXPECT_EQ(0, Slider(w, IDC_QUICK_SLIDER2)->GetPos()) << "the refused text moves nothing";
              ExpectImages({}, "after the refused text");
              w.TypeKeys(IDC_QUICK_EDIT2, "300");
          })
          .OnDialog(kCaption, [](UiWindow w) { w.Click(IDOK); });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(CString("请输入不超过 4 个字符。"), message);
    EXPECT_EQ(300, dlg.m_nContrast);
    ExpectImages({ { 0, Adjusted(0, 0, 300, 0) } }, "after OK");
}

TEST_F(CbarTest, SliderAtItsMinimumShowsFiveCharactersAndStillConfirms)
{
    Select({ 3 });
    CIM_ADJUST_CBAR dlg;
    dlg.m_pThumbList = &m_list;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) { Press(w, IDC_QUICK_SLIDER1, VK_HOME); })
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ(CString("-1000"), w.Text(IDC_QUICK_EDIT1));
              // Typing in another box exchanges every box: the slider's own text is no error.
              w.TypeKeys(IDC_QUICK_EDIT3, "5");
          })
          .OnDialog(kCaption, [](UiWindow w) { w.Click(IDOK); });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); })) << "no message may stop OK";
    EXPECT_EQ(-1000, dlg.m_nBrightness);
    EXPECT_EQ(5, dlg.m_nSaturation);
    ExpectImages({ { 3, Adjusted(3, -1000, 0, 5) } }, "after OK");
}

TEST_F(CbarTest, WithoutSelectionNothingChanges)
{
    Select({});
    CIM_ADJUST_CBAR dlg;
    dlg.m_pThumbList = &m_list;
    UiMessageLog log(m_list.m_hWnd, { LVM_REDRAWITEMS });
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
              Press(w, IDC_QUICK_SLIDER1, VK_NEXT);
              w.TypeKeys(IDC_QUICK_EDIT2, "-40");
          })
          .OnDialog(kCaption, [](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    ExpectImages({}, "after the moves");
    EXPECT_TRUE(Redrawn(log).empty());
    for (int i = 0; i < kItems; ++i)
        EXPECT_TRUE(Saved(i) == nullptr) << "item " << i;
}

TEST_F(CbarTest, WithoutAListNoDialogOpens)
{
    CIM_ADJUST_CBAR dlg;
    EXPECT_EQ(IDCANCEL, RunExpectingNoDialog([&] { return dlg.DoModal(); }));
}

TEST_F(CbarTest, TemplateAsTheUserSeesIt)
{
    CIM_ADJUST_CBAR dlg;
    dlg.m_pThumbList = &m_list;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        ExpectClientInDialogUnits(w, 333, 81);
        CRect dialog, list, overlap;
        ::GetWindowRect(w.Handle(), &dialog);
        m_list.GetWindowRect(&list);
        EXPECT_FALSE(overlap.IntersectRect(&dialog, &list)) << "the dialog must not hide the thumbnails it changes";
        EXPECT_EQ(IDOK, w.DefaultButton());
        for (int id : { IDC_QUICK_SLIDER1, IDC_QUICK_SLIDER2, IDC_QUICK_SLIDER3 }) {
            EXPECT_EQ(-1000, Slider(w, id)->GetRangeMin());
            EXPECT_EQ(1000, Slider(w, id)->GetRangeMax());
            EXPECT_EQ(0, Slider(w, id)->GetPos());
        }
        for (int id : { IDC_QUICK_EDIT1, IDC_QUICK_EDIT2, IDC_QUICK_EDIT3 }) {
            EXPECT_EQ(CString("0"), w.Text(id));
            EXPECT_EQ(4, (int)::SendMessageA(w.Item(id), EM_GETLIMITTEXT, 0, 0));
        }
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

} // namespace
