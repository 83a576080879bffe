// The adjustment dialog driven as a user drives it; every result is checked on the pixels against
// the picture operations applied directly.
#include "AdjustTestUtil.h"
#include "adjust/DlgAdjust.h"
#include "kxcomdlgres.h"
#include <functional>

namespace {

using DlgAdjustTest = AdjustTest;

// Runs the dialog on the picture, lets act change it, confirms with "确定".
INT_PTR RunAndConfirm(CDib& picture, std::function<void(UiWindow)> act)
{
    CDlgAdjust dlg(&picture);
    SetNumLock(false);
    UiScript script;
    script.OnDialog(kAdjustCaption, act).OnDialog(kAdjustCaption, [](UiWindow w) { w.Click(IDOK); });
    return script.Run([&] { return dlg.DoModal(); });
}

TEST_F(DlgAdjustTest, NeutralValuesLeaveThePictureBitForBit)
{
    CDib picture = MakeTestPicture();
    const CDib original = picture;
    ASSERT_EQ(IDOK, RunAndConfirm(picture, [](UiWindow w) {
        EXPECT_EQ(CString("100"), w.Text(IDC_ADJ_GAMMA));
        EXPECT_EQ(CString("255"), w.Text(IDC_ADJ_OUTHIGH));
        EXPECT_EQ(CString("0"), w.Text(IDC_ADJ_BRIGHT_EDIT));
        EXPECT_EQ(7, w.ComboCount(IDC_ADJ_HUE_CHANNEL));
        EXPECT_EQ(CString("全部"), w.ComboItem(IDC_ADJ_HUE_CHANNEL, 0));
        EXPECT_EQ(CString("品色 [M]"), w.ComboItem(IDC_ADJ_HUE_CHANNEL, 6));
        EXPECT_EQ(0, w.ComboSelection(IDC_ADJ_HUE_CHANNEL));
    }));
    EXPECT_EQ("", PixelDifference(original, picture));
}

TEST_F(DlgAdjustTest, EachValueReachesThePictureThroughTheSequence)
{
    struct Case
    {
        const char* what;
        std::function<void(UiWindow)> act;
        std::function<void(CDib&)> expected;
    };
    const int zeros[KX_HUE_CHANNELS] = {};
    const Case cases[] = {
        { "red 50", [](UiWindow w) { w.Type(IDC_ADJ_RED_EDIT, "50"); },
          [](CDib& d) {
              const tagBALANCING r = { 1.1953125, -0.09765625, -0.09765625 }, g = { 0, 1, 0 }, b = { 0, 0, 1 };
              d.BalanceColors(&r, &g, &b);
          } },
        { "green -40 and blue 20", [](UiWindow w) { w.Type(IDC_ADJ_GREEN_EDIT, "-40"); w.Type(IDC_ADJ_BLUE_EDIT, "20"); },
          [](CDib& d) {
              const tagBALANCING r = { 1, 0, 0 }, g = { 40.0 / 512, 1 - 40.0 / 256, 40.0 / 512 },
                                 b = { -20.0 / 512, -20.0 / 512, 1 + 20.0 / 256 };
              d.BalanceColors(&r, &g, &b);
          } },
        { "brightness 20", [](UiWindow w) { w.Type(IDC_ADJ_BRIGHT_EDIT, "20"); }, [](CDib& d) { d.ChangeBrightness(200); } },
        { "contrast -30", [](UiWindow w) { w.Type(IDC_ADJ_CONTRAST_EDIT, "-30"); }, [](CDib& d) { d.ChangeContrast(-300); } },
        { "saturation 30, all", [](UiWindow w) { w.Type(IDC_ADJ_SATU_EDIT, "30"); }, [](CDib& d) { d.ChangeSaturation(300); } },
        { "saturation 30, green", [](UiWindow w) { w.SelectCombo(IDC_ADJ_HUE_CHANNEL, 2); w.Type(IDC_ADJ_SATU_EDIT, "30"); },
          [&zeros](CDib& d) {
              const int table[KX_HUE_CHANNELS] = { 0, 0, 30, 0, 0, 0, 0 };
              d.ChangeBitmapSaturation(zeros, table, zeros);
          } },
        { "gamma 150", [](UiWindow w) { w.Type(IDC_ADJ_GAMMA, "150"); }, [](CDib& d) { d.ChangeGamma(150); } },
        { "output low 10", [](UiWindow w) { w.Type(IDC_ADJ_OUTLOW, "10"); }, [](CDib& d) { d.RemapLevel(0, 0, 255, 10, 255, 1.0); } },
        { "output high 200", [](UiWindow w) { w.Type(IDC_ADJ_OUTHIGH, "200"); }, [](CDib& d) { d.RemapLevel(0, 0, 255, 0, 200, 1.0); } },
        { "sharpening 40", [](UiWindow w) { w.Type(IDC_ADJ_SHARP, "40"); }, [](CDib& d) { d.ChangeSharp(400); } },
        { "grey", [](UiWindow w) { w.ClickNow(IDC_ADJ_TOGRAY); }, [](CDib& d) { d.GrayScale(100, 8); } },
        { "all in their order",
          [](UiWindow w) {
              w.Type(IDC_ADJ_SHARP, "30");
              w.Type(IDC_ADJ_GAMMA, "80");
              w.Type(IDC_ADJ_SATU_EDIT, "-25");
              w.Type(IDC_ADJ_CONTRAST_EDIT, "40");
              w.Type(IDC_ADJ_BRIGHT_EDIT, "-10");
              w.Type(IDC_ADJ_RED_EDIT, "15");
              w.Type(IDC_ADJ_OUTLOW, "20");
          },
          [](CDib& d) {
              const tagBALANCING r = { 1 + 15.0 / 256, -15.0 / 512, -15.0 / 512 }, g = { 0, 1, 0 }, b = { 0, 0, 1 };
              d.BalanceColors(&r, &g, &b);
              d.ChangeBrightness(-100);
              d.ChangeContrast(400);
              d.ChangeSaturation(-250);
              d.ChangeGamma(80);
              d.RemapLevel(0, 0, 255, 20, 255, 1.0);
              d.ChangeSharp(300);
          } },
    };
    for (const Case& c : cases) {
        CDib picture = MakeTestPicture();
        CDib expected = picture;
        c.expected(expected);
        ASSERT_EQ(IDOK, RunAndConfirm(picture, c.act)) << c.what;
        EXPECT_EQ("", PixelDifference(expected, picture)) << c.what;
    }
}

TEST_F(DlgAdjustTest, ChannelListKeepsTheAmountOfEachChannel)
{
    CDib picture = MakeTestPicture();
    CDlgAdjust dlg(&picture);
    UiScript script;
    script.OnDialog(kAdjustCaption, [](UiWindow w) {
              w.SelectCombo(IDC_ADJ_HUE_CHANNEL, 2);
              w.Type(IDC_ADJ_SATU_EDIT, "30");
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) { w.SelectCombo(IDC_ADJ_HUE_CHANNEL, 3); })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(CString("0"), w.Text(IDC_ADJ_SATU_EDIT)) << "blue has no amount yet";
              EXPECT_EQ(0, Attached<CLineTrackBar>(w, IDC_ADJ_SATU)->GetPos());
              w.Type(IDC_ADJ_SATU_EDIT, "-20");
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) { w.SelectCombo(IDC_ADJ_HUE_CHANNEL, 2); })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(CString("30"), w.Text(IDC_ADJ_SATU_EDIT));
              EXPECT_EQ(30, Attached<CLineTrackBar>(w, IDC_ADJ_SATU)->GetPos());
              w.Click(IDOK);
          });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    CDib expected = MakeTestPicture();
    const int zeros[KX_HUE_CHANNELS] = {};
    const int table[KX_HUE_CHANNELS] = { 0, 0, 30, -20, 0, 0, 0 };
    expected.ChangeBitmapSaturation(zeros, table, zeros);
    EXPECT_EQ("", PixelDifference(expected, picture));
}

TEST_F(DlgAdjustTest, SliderMovesRecomputeThePreviewFromTheUnchangedCopy)
{
    CDib picture = MakeTestPicture();
    CDlgAdjust dlg(&picture);
    CDib before, afterFirst, afterSecond;
    UiScript script;
    script.OnDialog(kAdjustCaption, [&](UiWindow w) {
              before = *Attached<CIM_WINDOW>(w, IDC_ADJ_BEFORE_VIEW)->GetDib();
              w.Focus(IDC_ADJ_BRIGHT);
              w.Key(VK_PRIOR);   // a page towards the minimum: -20
          })
          .OnDialog(kAdjustCaption, [&](UiWindow w) {
              afterFirst = *Attached<CIM_WINDOW>(w, IDC_ADJ_AFTER_VIEW)->GetDib();
              w.Key(VK_PRIOR);
          })
          .OnDialog(kAdjustCaption, [&](UiWindow w) {
              EXPECT_EQ(CString("-40"), w.Text(IDC_ADJ_BRIGHT_EDIT));
              afterSecond = *Attached<CIM_WINDOW>(w, IDC_ADJ_AFTER_VIEW)->GetDib();
              w.Click(IDCANCEL);
          });
    ASSERT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    ASSERT_TRUE(before.IsValid());
    CDib expected = before;
    expected.ChangeBrightness(-200);
    EXPECT_EQ("", PixelDifference(expected, afterFirst));
    expected = before;
    expected.ChangeBrightness(-400);
    EXPECT_EQ("", PixelDifference(expected, afterSecond)) << "the second move alone, not both";
    EXPECT_EQ("", PixelDifference(MakeTestPicture(), picture)) << "取消 leaves the picture";
}

TEST_F(DlgAdjustTest, LargePictureIsPreviewedOnAViewSizedCopyWithItsProportions)
{
    CDib picture = MakeTestPicture(1600, 800);
    CDlgAdjust dlg(&picture);
    UiScript script;
    script.OnDialog(kAdjustCaption, [](UiWindow w) {
        const CDib* view = Attached<CIM_WINDOW>(w, IDC_ADJ_BEFORE_VIEW)->GetDib();
        RECT r;
        ::GetClientRect(w.Item(IDC_ADJ_AFTER_VIEW), &r);
        EXPECT_EQ(r.right, view->GetWidth()) << "the width the view draws into";
        EXPECT_NEAR(view->GetWidth() / 2, view->GetHeight(), 1);
        w.Type(IDC_ADJ_BRIGHT_EDIT, "10");
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    ASSERT_EQ(1600, picture.GetWidth()) << "确定 works at full size";
    CDib expected = MakeTestPicture(1600, 800);
    expected.ChangeBrightness(100);
    EXPECT_EQ("", PixelDifference(expected, picture));
}

// ---- typing -----------------------------------------------------------------------------------

// Typed key by key, the texts on the way to a value ("-", an emptied edit) neither pop a message
// nor get rewritten, and the preview goes on with the last good value.
TEST_F(DlgAdjustTest, TypingKeyByKeyKeepsEveryTextAndTheLastGoodValue)
{
    CDib picture = MakeTestPicture();
    CDlgAdjust dlg(&picture);
    SetNumLock(false);
    CDib before, whileEmpty;
    UiScript script;
    script.OnDialog(kAdjustCaption, [&](UiWindow w) {
        before = *Attached<CIM_WINDOW>(w, IDC_ADJ_BEFORE_VIEW)->GetDib();
        CLineTrackBar* red = Attached<CLineTrackBar>(w, IDC_ADJ_RED);
        w.TypeKeys(IDC_ADJ_RED_EDIT, "-");
        EXPECT_EQ(CString("-"), w.Text(IDC_ADJ_RED_EDIT));
        EXPECT_EQ(0, red->GetPos());
        w.TypeKeys(IDC_ADJ_RED_EDIT, "20", false);
        EXPECT_EQ(CString("-20"), w.Text(IDC_ADJ_RED_EDIT));
        EXPECT_EQ(-20, red->GetPos());
        // Emptied to be typed anew: the preview keeps gamma 100, levels 0 to 255, no sharpening.
        for (int id : { IDC_ADJ_GAMMA, IDC_ADJ_OUTLOW, IDC_ADJ_OUTHIGH, IDC_ADJ_SHARP }) {
            w.TypeKeys(id, "\b");
            EXPECT_EQ(CString(""), w.Text(id)) << id;
        }
        whileEmpty = *Attached<CIM_WINDOW>(w, IDC_ADJ_AFTER_VIEW)->GetDib();
        w.TypeKeys(IDC_ADJ_GAMMA, "80");
        w.TypeKeys(IDC_ADJ_OUTLOW, "0");
        w.TypeKeys(IDC_ADJ_OUTHIGH, "255");
        w.TypeKeys(IDC_ADJ_SHARP, "0");
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    const tagBALANCING r = { 1 - 20.0 / 256, 20.0 / 512, 20.0 / 512 }, g = { 0, 1, 0 }, b = { 0, 0, 1 };
    ASSERT_TRUE(before.IsValid());
    CDib expected = before;
    expected.BalanceColors(&r, &g, &b);
    EXPECT_EQ("", PixelDifference(expected, whileEmpty)) << "red -20 and nothing else";
    expected = MakeTestPicture();
    expected.BalanceColors(&r, &g, &b);
    expected.ChangeGamma(80);
    EXPECT_EQ("", PixelDifference(expected, picture));
}

// 确定 checks the values against the ranges the controls show, tells the user, focuses the edit
// and stays open; the picture is changed only by values within them.
TEST_F(DlgAdjustTest, ConfirmingRefusesValuesOutsideTheirRanges)
{
    struct Case
    {
        int id;
        const char* typed;
        const char* message;
        const char* good;
        std::function<void(CDib&)> expected;
    };
    const Case cases[] = {
        { IDC_ADJ_GAMMA, "0", "请输入一个 1 到 1000 之间的整数。", "150", [](CDib& d) { d.ChangeGamma(150); } },
        { IDC_ADJ_OUTHIGH, "300", "请输入一个 0 到 255 之间的整数。", "200",
          [](CDib& d) { d.RemapLevel(0, 0, 255, 0, 200, 1.0); } },
        { IDC_ADJ_SHARP, "101", "请输入一个 0 到 100 之间的整数。", "40", [](CDib& d) { d.ChangeSharp(400); } },
        { IDC_ADJ_BRIGHT_EDIT, "-150", "请输入一个 -100 到 100 之间的整数。", "20",
          [](CDib& d) { d.ChangeBrightness(200); } },
        { IDC_ADJ_CONTRAST_EDIT, "", "请输入一个整数。", "-30", [](CDib& d) { d.ChangeContrast(-300); } },
    };
    for (const Case& c : cases) {
        CDib picture = MakeTestPicture();
        CDlgAdjust dlg(&picture);
        SetNumLock(false);
        CString message;
        UiScript script;
        script.OnDialog(kAdjustCaption, [&c](UiWindow w) {
                  w.TypeKeys(c.id, c.typed[0] ? c.typed : "\b");
                  w.Click(IDOK);
              })
              .AnswerMessageBox(IDOK, &message)
              .OnDialog(kAdjustCaption, [&c](UiWindow w) {
                  EXPECT_TRUE(w.HasFocus(c.id)) << c.id;
                  w.TypeKeys(c.id, c.good);
                  w.Click(IDOK);
              });
        ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); })) << c.id;
        EXPECT_EQ(CString(c.message), message) << c.id;
        CDib expected = MakeTestPicture();
        c.expected(expected);
        EXPECT_EQ("", PixelDifference(expected, picture)) << c.id;
    }
}

// Values from a hand-edited profile are brought into their ranges before any operation
// multiplies them: no overflow, no gamma 0 skipped, no level cut to 16 bits.
TEST(AdjustValues, ValuesOutsideTheRangesActLimitedToThem)
{
    struct Case
    {
        const char* what;
        std::function<void(CAdjustValues&)> set;
        std::function<void(CDib&)> expected;
    };
    const Case cases[] = {
        { "brightness times 10 beyond an int", [](CAdjustValues& v) { v.m_nBright = 300000000; },
          [](CDib& d) { d.ChangeBrightness(1000); } },
        { "gamma 0 is the lowest gamma, not none", [](CAdjustValues& v) { v.m_nGamma = 0; },
          [](CDib& d) { d.ChangeGamma(1); } },
        { "output high that 16 bits would make 100", [](CAdjustValues& v) { v.m_nOutHigh = 65536 + 100; },
          [](CDib&) {} },
        { "sharpening below 0", [](CAdjustValues& v) { v.m_nSharp = -7; }, [](CDib&) {} },
    };
    for (const Case& c : cases) {
        CAdjustValues values;
        c.set(values);
        CDib picture = MakeTestPicture();
        values.Apply(picture);
        CDib expected = MakeTestPicture();
        c.expected(expected);
        EXPECT_EQ("", PixelDifference(expected, picture)) << c.what;
    }
}

// ---- keypad -----------------------------------------------------------------------------------

TEST_F(DlgAdjustTest, KeypadStepsWithBoostResetAndLimits)
{
    SetNumLock(true);
    CDib picture = MakeTestPicture();
    CDlgAdjust dlg(&picture);
    UiScript script;
    script.OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_TRUE(w.IsChecked(IDC_ADJ_ITEM_BRIGHT)) << "Num Lock on at opening selects 亮度";
              w.Type(IDC_ADJ_BRIGHT_EDIT, "95");
              w.Key(VK_NUMPAD0);
              w.Key(VK_NUMPAD9);
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(CString("100"), w.Text(IDC_ADJ_BRIGHT_EDIT)) << "95 + 4 + 5, limited";
              EXPECT_EQ(100, Attached<CLineTrackBar>(w, IDC_ADJ_BRIGHT)->GetPos());
              w.Key(VK_NUMPAD5);
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(CString("0"), w.Text(IDC_ADJ_BRIGHT_EDIT));
              w.Key(VK_DIVIDE);   // red
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_TRUE(w.IsChecked(IDC_ADJ_ITEM_RED));
              w.Type(IDC_ADJ_RED_EDIT, "-99");
              w.Key(VK_NUMPAD1);
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(CString("-100"), w.Text(IDC_ADJ_RED_EDIT));
              EXPECT_EQ(-100, Attached<CLineTrackBar>(w, IDC_ADJ_RED)->GetPos());
              w.Key(VK_ADD);
              w.Key(VK_NUMPAD7);
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_TRUE(w.IsChecked(IDC_ADJ_ITEM_CONTRAST));
              EXPECT_EQ(CString("2"), w.Text(IDC_ADJ_CONTRAST_EDIT));
              w.Click(IDOK);
          });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    SetNumLock(false);
    CDib expected = MakeTestPicture();
    const tagBALANCING r = { 1 - 100.0 / 256, 100.0 / 512, 100.0 / 512 }, g = { 0, 1, 0 }, b = { 0, 0, 1 };
    expected.BalanceColors(&r, &g, &b);
    expected.ChangeContrast(20);
    EXPECT_EQ("", PixelDifference(expected, picture)) << "keypad values reach the picture";
}

TEST_F(DlgAdjustTest, NumLockOffLeavesTheKeysAloneUntilTurnedOn)
{
    SetNumLock(false);
    CDlgAdjust dlg;
    UiScript script;
    script.OnDialog(kAdjustCaption, [](UiWindow w) {
              for (int id = IDC_ADJ_ITEM_BRIGHT; id <= IDC_ADJ_ITEM_BLUE; ++id)
                  EXPECT_FALSE(w.IsChecked(id)) << id;
              w.ClickNow(IDC_ADJ_ITEM_BRIGHT);   // chosen with the mouse
              w.Type(IDC_ADJ_BRIGHT_EDIT, "10");
              w.Focus(IDC_ADJ_ITEM_BRIGHT);
              w.Key(VK_NUMPAD9);
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(CString("10"), w.Text(IDC_ADJ_BRIGHT_EDIT)) << "the keypad is off";
              w.ClickNow(IDC_ADJ_ITEM_RED);
              w.Key(VK_NUMLOCK);
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_TRUE(w.IsChecked(IDC_ADJ_ITEM_BRIGHT)) << "turning the keypad on selects 亮度";
              EXPECT_FALSE(w.IsChecked(IDC_ADJ_ITEM_RED));
              SetNumLock(false);
              w.Key(VK_NUMPAD9);   // noticed: the keypad is off again
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_FALSE(w.IsChecked(IDC_ADJ_ITEM_BRIGHT));
              EXPECT_EQ(CString("10"), w.Text(IDC_ADJ_BRIGHT_EDIT));
              SetNumLock(true);
              w.Key(VK_NUMPAD6);   // noticed at this key: on, 亮度, then the step
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_TRUE(w.IsChecked(IDC_ADJ_ITEM_BRIGHT));
              EXPECT_EQ(CString("11"), w.Text(IDC_ADJ_BRIGHT_EDIT));
              w.Click(IDCANCEL);
          });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    SetNumLock(false);
}

// ---- standard picture and layouts -------------------------------------------------------------

TEST_F(DlgAdjustTest, LargeLayoutHidesTheStandardPictureButStillLoadsIt)
{
    CDib standard = MakeTestPicture(2000, 1000);
    const CString path = m_folder.File("std.bmp");
    ASSERT_EQ(1, standard.Save(path, KXFMT_BMP, 24));
    AfxGetApp()->WriteProfileString("Option", "img_std_pic", path);
    for (int layout : { 0, 1 }) {
        CDib picture = MakeTestPicture();
        CDlgAdjust dlg(&picture, nullptr, layout);
        UiScript script;
        script.OnDialog(kAdjustCaption, [layout, &path](UiWindow w) {
            EXPECT_EQ(layout == 0, w.IsVisible(IDC_ADJ_STD_VIEW)) << layout;
            EXPECT_EQ(layout == 0, w.IsVisible(IDC_ADJ_SET_STD)) << layout;
            EXPECT_EQ(layout == 0, w.IsVisible(IDC_ADJ_STD_PATH)) << layout;
            EXPECT_EQ(path, w.Text(IDC_ADJ_STD_PATH));
            const CDib* std = Attached<CIM_WINDOW>(w, IDC_ADJ_STD_VIEW)->GetDib();
            ASSERT_TRUE(std->IsValid()) << "layout " << layout;
            RECT r;
            ::GetClientRect(w.Item(IDC_ADJ_STD_VIEW), &r);
            EXPECT_LE(std->GetWidth(), r.right) << "reduced to the view";
            // Template sizes in dialog units: 643 x 435 and 677 x 495.
            RECT units = { 0, 0, layout ? 677 : 643, layout ? 495 : 435 };
            ::MapDialogRect(w.Handle(), &units);
            RECT client;
            ::GetClientRect(w.Handle(), &client);
            EXPECT_EQ(units.right, client.right);
            EXPECT_EQ(units.bottom, client.bottom);
            w.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    }
}

TEST_F(DlgAdjustTest, WithoutAPictureConfirmingDoesNothing)
{
    CDlgAdjust dlg;
    UiScript script;
    script.OnDialog(kAdjustCaption, [](UiWindow w) { w.Click(IDOK); })
          .OnDialog(kAdjustCaption, [](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); })) << "确定 must keep the dialog open";
}

} // namespace
