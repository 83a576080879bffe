// The adjustment profiles of adjust.cfg: the store itself and the profile controls of the dialog.
#include "AdjustTestUtil.h"
#include "adjust/DlgAdjust.h"
#include "kxcomdlgres.h"
#include <IniFile.h>

namespace {

using ProfileTest = AdjustTest;

TEST_F(ProfileTest, FileLiesBesideTheExecutable)
{
    EXPECT_EQ(ExecutableFolder() + "adjust.cfg", m_cfg);
}

TEST_F(ProfileTest, MissingKeysLoadTheirNeutralValues)
{
    m_folder.Write("partial.cfg", "[bare]\nred=5\n[hues]\nsatu=3\nshue_sat3=-40\n");
    CAdjustProfileStore store(m_folder.File("partial.cfg"));
    CAdjustValues v;
    v.m_nGamma = 150;
    v.m_nOutHigh = 200;
    v.m_nSaturation = 9;
    v.m_nHueSat[4] = 9;
    ASSERT_TRUE(store.Load("bare", v));
    EXPECT_EQ(5, v.m_nRed);
    EXPECT_EQ(100u, v.m_nGamma);
    EXPECT_EQ(255u, v.m_nOutHigh);
    EXPECT_EQ(0u, v.m_nOutLow);
    EXPECT_FALSE(v.m_bToGray);
    EXPECT_EQ(0, v.m_nHueChannel);
    for (int i = 0; i < KX_HUE_CHANNELS; ++i)
        EXPECT_EQ(0, v.m_nHueSat[i]) << "channel " << i;
    EXPECT_EQ(0, v.m_nSaturation);

    ASSERT_TRUE(store.Load("hues", v));
    EXPECT_EQ(3, v.m_nHueChannel);
    EXPECT_EQ(-40, v.m_nSaturation) << "the amount is the selected channel's entry";

    CAdjustValues untouched;
    untouched.m_nRed = 77;
    EXPECT_FALSE(store.Load("nothing", untouched));
    EXPECT_EQ(77, untouched.m_nRed);
}

TEST_F(ProfileTest, HandEditedChannelOutsideTheTableMeansAll)
{
    m_folder.Write("odd.cfg", "[odd]\nsatu=9\nshue_sat0=12\n[neg]\nsatu=-1\nshue_sat0=-7\n");
    CAdjustProfileStore store(m_folder.File("odd.cfg"));
    CAdjustValues v;
    ASSERT_TRUE(store.Load("odd", v));
    EXPECT_EQ(0, v.m_nHueChannel);
    EXPECT_EQ(12, v.m_nSaturation);
    ASSERT_TRUE(store.Load("neg", v));
    EXPECT_EQ(0, v.m_nHueChannel);
    EXPECT_EQ(-7, v.m_nSaturation);
}

TEST_F(ProfileTest, HandEditedValuesOutsideTheirRangesLoadAtTheNearestEnd)
{
    m_folder.Write("wild.cfg", "[wild]\nred=250\nbright=-300000000\ngamma=0\noutlow=-5\n"
                               "outhigh=65636\nsharp=1000\nsatu=2\nshue_sat2=-900\n");
    CAdjustProfileStore store(m_folder.File("wild.cfg"));
    CAdjustValues v;
    ASSERT_TRUE(store.Load("wild", v));
    EXPECT_EQ(100, v.m_nRed);
    EXPECT_EQ(-100, v.m_nBright);
    EXPECT_EQ(1u, v.m_nGamma);
    EXPECT_EQ(0u, v.m_nOutLow);
    EXPECT_EQ(255u, v.m_nOutHigh);
    EXPECT_EQ(100, v.m_nSharp);
    EXPECT_EQ(-100, v.m_nHueSat[2]);
    EXPECT_EQ(-100, v.m_nSaturation);
}

TEST_F(ProfileTest, SaveWritesEveryKeyAndAnEmptyNameNothing)
{
    CAdjustProfileStore store(m_folder.File("p.cfg"));
    CAdjustValues v;
    v.m_nHueChannel = 2;
    v.m_nSaturation = 30;
    v.StoreSaturation();
    v.m_bToGray = TRUE;
    v.m_nGamma = 120;
    EXPECT_FALSE(store.Save("", v));
    CStringArray names;
    store.GetNames(names);
    EXPECT_EQ(0, names.GetSize());
    ASSERT_TRUE(store.Save("green", v));
    CIniFile ini(m_folder.File("p.cfg"));
    EXPECT_EQ(2, ini.GetInt("green", "satu", -1, 10));
    EXPECT_EQ(30, ini.GetInt("green", "shue_sat2", -1, 10));
    EXPECT_EQ(0, ini.GetInt("green", "shue_sat0", -1, 10));
    EXPECT_EQ(120, ini.GetInt("green", "gamma", -1, 10));
    EXPECT_TRUE(ini.GetBool("green", "togray", FALSE));
}

// ---- through the dialog -----------------------------------------------------------------------

// Saves the dialog's values under a name through "保存方案" and the name dialog.
void SaveAs(UiScript& script, const char* name)
{
    script.OnDialog(kAdjustCaption, [](UiWindow w) { w.Click(IDC_ADJ_SAVE_PROFILE); })
          .OnDialog(kNameCaption, [name](UiWindow n) {
              TypeCombo(n, IDC_ADJ_NAME, name);
              n.Click(IDOK);
          });
}

TEST_F(ProfileTest, ProfileSavedByOneDialogLoadsIdenticallyInAnother)
{
    CDib picture = MakeTestPicture();
    CDlgAdjust first(&picture);
    UiScript save;
    save.OnDialog(kAdjustCaption, [](UiWindow w) {
        w.Type(IDC_ADJ_RED_EDIT, "10");
        w.Type(IDC_ADJ_GREEN_EDIT, "-20");
        w.Type(IDC_ADJ_BLUE_EDIT, "30");
        w.Type(IDC_ADJ_BRIGHT_EDIT, "40");
        w.Type(IDC_ADJ_CONTRAST_EDIT, "-50");
        w.Type(IDC_ADJ_GAMMA, "120");
        w.Type(IDC_ADJ_OUTLOW, "5");
        w.Type(IDC_ADJ_OUTHIGH, "250");
        w.Type(IDC_ADJ_SHARP, "7");
        w.ClickNow(IDC_ADJ_TOGRAY);
        w.SelectCombo(IDC_ADJ_HUE_CHANNEL, 2);
        w.Type(IDC_ADJ_SATU_EDIT, "30");
    });
    SaveAs(save, "warm");
    save.OnDialog(kAdjustCaption, [](UiWindow w) {
        EXPECT_EQ(1, w.ComboCount(IDC_ADJ_PROFILE));
        EXPECT_EQ(0, w.ComboSelection(IDC_ADJ_PROFILE)) << "the new profile is selected";
        w.Click(IDCANCEL);
    });
    ASSERT_EQ(IDCANCEL, save.Run([&] { return first.DoModal(); }));

    CIniFile ini(m_cfg);
    EXPECT_EQ(2, ini.GetInt("warm", "satu", -1, 10));
    EXPECT_EQ(30, ini.GetInt("warm", "shue_sat2", -1, 10));

    CDlgAdjust second(&picture);
    UiScript load;
    load.OnDialog(kAdjustCaption, [](UiWindow w) {
            EXPECT_EQ(-1, w.ComboSelection(IDC_ADJ_PROFILE)) << "a new dialog selects no profile";
            w.SelectComboText(IDC_ADJ_PROFILE, "warm");
        })
        .OnDialog(kAdjustCaption, [](UiWindow w) {
            EXPECT_EQ(2, w.ComboSelection(IDC_ADJ_HUE_CHANNEL));
            EXPECT_EQ(CString("绿色 [G]"), w.ComboItem(IDC_ADJ_HUE_CHANNEL, 2));
            EXPECT_EQ(CString("30"), w.Text(IDC_ADJ_SATU_EDIT));
            EXPECT_EQ(30, Attached<CLineTrackBar>(w, IDC_ADJ_SATU)->GetPos());
            EXPECT_EQ(-50, Attached<CLineTrackBar>(w, IDC_ADJ_CONTRAST)->GetPos());
            EXPECT_TRUE(w.IsChecked(IDC_ADJ_TOGRAY));
            w.Click(IDCANCEL);
        });
    ASSERT_EQ(IDCANCEL, load.Run([&] { return second.DoModal(); }));

    const CAdjustValues& a = first.GetValues();
    const CAdjustValues& b = second.GetValues();
    EXPECT_EQ(a.m_nRed, b.m_nRed);
    EXPECT_EQ(a.m_nGreen, b.m_nGreen);
    EXPECT_EQ(a.m_nBlue, b.m_nBlue);
    EXPECT_EQ(a.m_nBright, b.m_nBright);
    EXPECT_EQ(a.m_nContrast, b.m_nContrast);
    EXPECT_EQ(a.m_nGamma, b.m_nGamma);
    EXPECT_EQ(a.m_nOutLow, b.m_nOutLow);
    EXPECT_EQ(a.m_nOutHigh, b.m_nOutHigh);
    EXPECT_EQ(a.m_nSharp, b.m_nSharp);
    EXPECT_EQ(a.m_bToGray, b.m_bToGray);
    EXPECT_EQ(a.m_nHueChannel, b.m_nHueChannel);
    EXPECT_EQ(a.m_nSaturation, b.m_nSaturation);
    for (int i = 0; i < KX_HUE_CHANNELS; ++i)
        EXPECT_EQ(a.m_nHueSat[i], b.m_nHueSat[i]) << "channel " << i;
    EXPECT_EQ(10, b.m_nRed);
    EXPECT_EQ(120u, b.m_nGamma);
}

TEST_F(ProfileTest, SavingUnderAnExistingNameReplacesItAndListsItOnce)
{
    CAdjustValues old;
    old.m_nBright = -60;
    old.m_nSharp = 50;
    CAdjustProfileStore(m_cfg).Save("day", old);
    CDlgAdjust dlg;
    UiScript script;
    script.OnDialog(kAdjustCaption, [](UiWindow w) { w.Type(IDC_ADJ_BRIGHT_EDIT, "20"); });
    SaveAs(script, "day");
    script.OnDialog(kAdjustCaption, [](UiWindow w) {
        EXPECT_EQ(1, w.ComboCount(IDC_ADJ_PROFILE));
        EXPECT_EQ(CString("day"), w.ComboItem(IDC_ADJ_PROFILE, 0));
        w.Click(IDCANCEL);
    });
    script.Run([&] { return dlg.DoModal(); });
    CIniFile ini(m_cfg);
    EXPECT_EQ(20, ini.GetInt("day", "bright", 0, 10));
    EXPECT_EQ(0, ini.GetInt("day", "sharp", -1, 10));
}

TEST_F(ProfileTest, DeletingClearsTheSelectionAndThePrefixRuleSelects)
{
    CAdjustValues v;
    CAdjustProfileStore store(m_cfg);
    store.Save("abc", v);
    store.Save("ab", v);
    CDlgAdjust dlg;
    UiScript script;
    SaveAs(script, "ab");
    script.OnDialog(kAdjustCaption, [](UiWindow w) {
              ASSERT_EQ(2, w.ComboCount(IDC_ADJ_PROFILE));
              EXPECT_EQ(CString("abc"), w.ComboItem(IDC_ADJ_PROFILE, 0));
              EXPECT_EQ(0, w.ComboSelection(IDC_ADJ_PROFILE)) << "ab selects abc, the first beginning with it";
              w.SelectComboText(IDC_ADJ_PROFILE, "ab");
              w.Click(IDC_ADJ_DELETE_PROFILE);
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(1, w.ComboCount(IDC_ADJ_PROFILE));
              EXPECT_EQ(-1, w.ComboSelection(IDC_ADJ_PROFILE));
              w.Click(IDC_ADJ_DELETE_PROFILE);   // no current name: deletes nothing
          })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(1, w.ComboCount(IDC_ADJ_PROFILE));
              w.Click(IDCANCEL);
          });
    script.Run([&] { return dlg.DoModal(); });
    EXPECT_FALSE(store.Exists("ab"));
    EXPECT_TRUE(store.Exists("abc"));
}

TEST_F(ProfileTest, DialogLoadsAHandEditedChannelOutsideTheTableAsAll)
{
    FILE* f = std::fopen(m_cfg, "wb");
    ASSERT_NE(nullptr, f);
    std::fputs("[odd]\r\nsatu=9\r\nshue_sat0=12\r\n", f);
    std::fclose(f);
    CDib picture = MakeTestPicture();
    const CDib original = picture;
    CDlgAdjust dlg(&picture);
    UiScript script;
    script.OnDialog(kAdjustCaption, [](UiWindow w) { w.SelectComboText(IDC_ADJ_PROFILE, "odd"); })
          .OnDialog(kAdjustCaption, [](UiWindow w) {
              EXPECT_EQ(0, w.ComboSelection(IDC_ADJ_HUE_CHANNEL));
              EXPECT_EQ(CString("12"), w.Text(IDC_ADJ_SATU_EDIT));
              w.Click(IDOK);
          });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    CDib expected = original;
    expected.ChangeSaturation(120);
    EXPECT_EQ("", PixelDifference(expected, picture));
}

} // namespace
