// The card template dialog over its size lists, driven as a user would: units converted back and
// forth, papers and screen sizes picked, the orientation turned, and fields that a host kept or a
// person edited by hand.
#include "ProductsTestUtil.h"
#include <UiDriver.h>
#include <gtest/gtest.h>
#include <kxcomdlgres.h>
#include <products/DlgCardSet.h>
#include <string>

namespace {

const char kCaption[] = "设置模版";

const char kDataOn[] = "[main]\r\nforlcd=1\r\n";
const char kPapers[] =
    "[paper]\r\nA4=A4 纸\r\nLetter=Letter\r\nPhoto=4x6 照片\r\n"
    "[A4]\r\nunit=1\r\nwidth=21\r\nheight=29.7\r\n"
    "[Letter]\r\nunit=0\r\nwidth=8.5\r\nheight=11\r\n"
    "[Photo]\r\nunit=0\r\nwidth=4\r\nheight=6\r\n";
const char kScreens[] =
    "lcd_type=1\r\n"
    "[paper]\r\nsmall=7 英寸\r\nlarge=19 英寸\r\n"
    "[paper-1-1]\r\nwidth=800\r\nheight=600\r\n[paper-1-2]\r\nwidth=800\r\nheight=480\r\n"
    "[paper-2-1]\r\nwidth=1280\r\nheight=1024\r\n[paper-2-2]\r\nwidth=1440\r\nheight=900\r\n";

bool IsReadOnly(UiWindow w, int id) { return (::GetWindowLongA(w.Item(id), GWL_STYLE) & ES_READONLY) != 0; }

std::vector<std::string> Items(UiWindow w, int id)
{
    std::vector<std::string> out;
    for (const CString& s : w.ComboItems(id))
        out.push_back(s.GetString());
    return out;
}

// The three numbers as the user reads them.
std::string Size(UiWindow w)
{
    return std::string(w.Text(IDC_CARD_WIDTH)) + " x " + std::string(w.Text(IDC_CARD_HEIGHT)) + " @ "
        + std::string(w.Text(IDC_CARD_RESOLUTION));
}

} // namespace

TEST(CardSet, UnitsConvertBothWaysAtTheResolution)
{
    SizeLists files(nullptr, nullptr, nullptr);
    CDlgCardSet dlg;
    dlg.m_dWidth = 1;
    dlg.m_dHeight = 2;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        EXPECT_EQ((std::vector<std::string>{ "英寸", "厘米", "像素" }), Items(w, IDC_CARD_UNIT));
        EXPECT_EQ((std::vector<std::string>{ "像素/英寸", "像素/厘米" }), Items(w, IDC_CARD_RES_UNIT));
        EXPECT_FALSE(w.IsEnabled(IDC_CARD_RES_UNIT));
        EXPECT_EQ(0, w.ComboSelection(IDC_CARD_UNIT));
        EXPECT_EQ("1 x 2 @ 300", Size(w));

        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitCentimetre);
        EXPECT_EQ("2.54 x 5.08 @ 300", Size(w));
        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitInch);
        EXPECT_EQ("1 x 2 @ 300", Size(w)) << "inch, centimetre and back gives the inch again";

        // Centimetres typed key by key, then pixels at 300 per inch: 2.54 cm is one inch.
        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitCentimetre);
        w.TypeKeys(IDC_CARD_WIDTH, "2.54");
        w.TypeKeys(IDC_CARD_HEIGHT, "5.08");
        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitPixel);
        EXPECT_EQ("300 x 600 @ 300", Size(w));
        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitInch);
        EXPECT_EQ("1 x 2 @ 300", Size(w));

        // The resolution is the one typed now, whatever the resolution unit shows.
        w.TypeKeys(IDC_CARD_RESOLUTION, "150");
        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitPixel);
        EXPECT_EQ("150 x 300 @ 150", Size(w));
        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitCentimetre);
        EXPECT_EQ("2.54 x 5.08 @ 150", Size(w));
        w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitCentimetre);
        EXPECT_EQ("2.54 x 5.08 @ 150", Size(w)) << "the same unit again changes nothing";
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(CDlgCardSet::unitCentimetre, dlg.m_nUnit);
    EXPECT_DOUBLE_EQ(2.54, dlg.m_dWidth);
    EXPECT_DOUBLE_EQ(5.08, dlg.m_dHeight);
    EXPECT_DOUBLE_EQ(150, dlg.m_dResolution);
}

TEST(CardSet, NumbersThatCannotBeConvertedKeepTheirUnit)
{
    SizeLists files(nullptr, nullptr, nullptr);
    CDlgCardSet dlg;
    dlg.m_dWidth = 3;
    dlg.m_dHeight = 4;
    CString message;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
              // No resolution: pixels cannot be reached, and the inches stay inches.
              w.TypeKeys(IDC_CARD_RESOLUTION, "0");
              w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitPixel);
          })
          .AnswerMessageBox(IDOK, &message)
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ(CDlgCardSet::unitInch, w.ComboSelection(IDC_CARD_UNIT));
              EXPECT_EQ("3 x 4 @ 0", Size(w));
              EXPECT_TRUE(w.HasFocus(IDC_CARD_RESOLUTION));
              // A width that is no number: the framework says so, and the unit shown stays the
              // one the numbers are in, so the next change converts them right.
              w.TypeKeys(IDC_CARD_RESOLUTION, "300");
              w.TypeKeys(IDC_CARD_WIDTH, "3x");
              w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitCentimetre);
          })
          .AnswerMessageBox(IDOK)
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ(CDlgCardSet::unitInch, w.ComboSelection(IDC_CARD_UNIT));
              w.TypeKeys(IDC_CARD_WIDTH, "3");
              w.SelectCombo(IDC_CARD_UNIT, CDlgCardSet::unitCentimetre);
              EXPECT_EQ("7.62 x 10.16 @ 300", Size(w));
              w.Click(IDCANCEL);
          });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ("精度必须大于 0，才能与像素互相换算。", message);
}

TEST(CardSet, PapersAndScreenSizesFillTheNumbersAndTheirStates)
{
    SizeLists files(kDataOn, kPapers, kScreens);
    CDlgCardSet dlg;
    dlg.m_dWidth = 5;
    dlg.m_dHeight = 7;
    UiScript script;
    script.OnDialog(kCaption, [&dlg](UiWindow w) {
        EXPECT_EQ((std::vector<std::string>{ "自定义", "A4 纸", "Letter", "4x6 照片", "7 英寸", "19 英寸" }),
                  Items(w, IDC_CARD_STDSIZE));
        EXPECT_EQ(3, dlg.m_nPaperCount);
        EXPECT_EQ(2, dlg.m_nLcdCount);
        EXPECT_TRUE(dlg.m_bForLcd);

        // A paper in its own unit, at 300 per inch, width and height fixed.
        w.SelectCombo(IDC_CARD_STDSIZE, 1);
        EXPECT_EQ(CDlgCardSet::unitCentimetre, w.ComboSelection(IDC_CARD_UNIT));
        EXPECT_EQ("21 x 29.7 @ 300", Size(w));
        EXPECT_TRUE(IsReadOnly(w, IDC_CARD_WIDTH));
        EXPECT_TRUE(IsReadOnly(w, IDC_CARD_HEIGHT));
        EXPECT_FALSE(IsReadOnly(w, IDC_CARD_RESOLUTION));

        // A screen of type 1 (lcd_type + 1 = 2): pixels, 100 and a fixed resolution too.
        w.SelectCombo(IDC_CARD_STDSIZE, 5);
        EXPECT_EQ(CDlgCardSet::unitPixel, w.ComboSelection(IDC_CARD_UNIT));
        EXPECT_EQ("1440 x 900 @ 100", Size(w));
        EXPECT_TRUE(IsReadOnly(w, IDC_CARD_RESOLUTION));

        // Back to a paper: 300 and editable again.
        w.SelectCombo(IDC_CARD_STDSIZE, 2);
        EXPECT_EQ(CDlgCardSet::unitInch, w.ComboSelection(IDC_CARD_UNIT));
        EXPECT_EQ("8.5 x 11 @ 300", Size(w));
        EXPECT_FALSE(IsReadOnly(w, IDC_CARD_RESOLUTION));

        // Custom: everything editable, the numbers as they were.
        w.SelectCombo(IDC_CARD_STDSIZE, 0);
        EXPECT_EQ("8.5 x 11 @ 300", Size(w));
        EXPECT_FALSE(IsReadOnly(w, IDC_CARD_WIDTH));
        EXPECT_FALSE(IsReadOnly(w, IDC_CARD_HEIGHT));
        EXPECT_FALSE(IsReadOnly(w, IDC_CARD_RESOLUTION));
        w.TypeKeys(IDC_CARD_WIDTH, "8.25");
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(0, dlg.m_nStdSize);
    EXPECT_DOUBLE_EQ(8.25, dlg.m_dWidth);
    EXPECT_DOUBLE_EQ(11, dlg.m_dHeight);
}

TEST(CardSet, LandscapeSwapsWidthAndHeight)
{
    SizeLists files(nullptr, kPapers, nullptr);
    CDlgCardSet dlg;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        EXPECT_TRUE(w.IsChecked(IDC_CARD_PORTRAIT));
        w.ClickNow(IDC_CARD_LANDSCAPE);
        w.SelectCombo(IDC_CARD_STDSIZE, 1);
        EXPECT_EQ("29.7 x 21 @ 300", Size(w)) << "a paper picked while landscape is chosen lies on its side";
        w.ClickNow(IDC_CARD_LANDSCAPE);
        EXPECT_EQ("29.7 x 21 @ 300", Size(w)) << "the radio already chosen changes nothing";
        w.ClickNow(IDC_CARD_PORTRAIT);
        EXPECT_EQ("21 x 29.7 @ 300", Size(w));
        w.ClickNow(IDC_CARD_LANDSCAPE);
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(CDlgCardSet::directionLandscape, dlg.m_nDirection);
    EXPECT_DOUBLE_EQ(29.7, dlg.m_dWidth);
    EXPECT_DOUBLE_EQ(21, dlg.m_dHeight);
}

TEST(CardSet, ListsWithoutScreensOrWithoutFiles)
{
    {
        // "forlcd" absent or not 1: the papers only.
        for (const char* data : { (const char*)nullptr, "[main]\r\nforlcd=2\r\n" }) {
            SizeLists files(data, kPapers, kScreens);
            CDlgCardSet dlg;
            UiScript script;
            script.OnDialog(kCaption, [](UiWindow w) {
                EXPECT_EQ((std::vector<std::string>{ "自定义", "A4 纸", "Letter", "4x6 照片" }), Items(w, IDC_CARD_STDSIZE));
                w.Click(IDCANCEL);
            });
            EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
            EXPECT_EQ(0, dlg.m_nLcdCount);
        }
    }
    SizeLists none(nullptr, nullptr, nullptr);
    CDlgCardSet dlg;
    UiScript script;
    script.OnDialog(kCaption, [&dlg](UiWindow w) {
        EXPECT_EQ((std::vector<std::string>{ "自定义" }), Items(w, IDC_CARD_STDSIZE));
        // A second listing lists afresh instead of adding a copy.
        dlg.InitStdPaper();
        EXPECT_EQ(1, w.ComboCount(IDC_CARD_STDSIZE));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(0, dlg.m_nPaperCount);
    for (const char* name : { "data.cfg", "datasys.cfg", "profile\\lcd_system.ini" })
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(ExecutableFolder() + name)) << name << " is only read";
}

TEST(CardSet, APaperWithoutTextKeepsTheLaterOnesOnTheirOwnKeys)
{
    // The second paper has no text: listed by its key, so the third item is still the third key.
    SizeLists files(kDataOn,
                    "[paper]\r\nA5=A5\r\nB5=\r\nA6=A6\r\n"
                    "[A5]\r\nunit=1\r\nwidth=14.8\r\nheight=21\r\n[B5]\r\nunit=1\r\nwidth=17.6\r\nheight=25\r\n"
                    "[A6]\r\nunit=1\r\nwidth=10.5\r\nheight=14.8\r\n",
                    "[paper]\r\nfirst=\r\nsecond=第二\r\n[paper-1-1]\r\nwidth=640\r\nheight=480\r\n"
                    "[paper-2-1]\r\nwidth=1024\r\nheight=768\r\n");
    CDlgCardSet dlg;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        EXPECT_EQ((std::vector<std::string>{ "自定义", "A5", "B5", "A6", "first", "第二" }), Items(w, IDC_CARD_STDSIZE));
        w.SelectCombo(IDC_CARD_STDSIZE, 3);
        EXPECT_EQ("10.5 x 14.8 @ 300", Size(w));
        w.SelectCombo(IDC_CARD_STDSIZE, 2);
        EXPECT_EQ("17.6 x 25 @ 300", Size(w));
        w.SelectCombo(IDC_CARD_STDSIZE, 5);
        EXPECT_EQ("1024 x 768 @ 100", Size(w));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

TEST(CardSet, AChosenSizeComesBackInASecondDialog)
{
    SizeLists files(kDataOn, kPapers, kScreens);
    CDlgCardSet first;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        w.ClickNow(IDC_CARD_LANDSCAPE);
        w.SelectCombo(IDC_CARD_STDSIZE, 4);
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return first.DoModal(); }));
    ASSERT_EQ(4, first.m_nStdSize);

    // The host hands the outcome to the next dialog, as it would after reading its profile.
    CDlgCardSet second;
    second.m_nUnit = first.m_nUnit;
    second.m_nStdSize = first.m_nStdSize;
    second.m_nDirection = first.m_nDirection;
    second.m_dWidth = first.m_dWidth;
    second.m_dHeight = first.m_dHeight;
    second.m_dResolution = first.m_dResolution;
    UiScript again;
    again.OnDialog(kCaption, [](UiWindow w) {
        EXPECT_EQ(4, w.ComboSelection(IDC_CARD_STDSIZE));
        EXPECT_EQ(CDlgCardSet::unitPixel, w.ComboSelection(IDC_CARD_UNIT));
        EXPECT_TRUE(w.IsChecked(IDC_CARD_LANDSCAPE));
        EXPECT_EQ("480 x 800 @ 100", Size(w));
        EXPECT_TRUE(IsReadOnly(w, IDC_CARD_WIDTH));
        EXPECT_TRUE(IsReadOnly(w, IDC_CARD_RESOLUTION));
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, again.Run([&] { return second.DoModal(); }));
    EXPECT_EQ(4, second.m_nStdSize);
    EXPECT_EQ(CDlgCardSet::directionLandscape, second.m_nDirection);
    EXPECT_DOUBLE_EQ(480, second.m_dWidth);
    EXPECT_DOUBLE_EQ(800, second.m_dHeight);
}

TEST(CardSet, ValuesOutOfTheirRangesOpenAsDefaults)
{
    // A screen type without sizes of its own, a paper unit no list has.
    SizeLists files(kDataOn, "[paper]\r\nodd=Odd\r\n[odd]\r\nunit=9\r\nwidth=3\r\nheight=4\r\n",
                    "lcd_type=99\r\n[paper]\r\nsmall=7 英寸\r\n[paper-1-1]\r\nwidth=800\r\nheight=600\r\n");
    CDlgCardSet dlg;
    dlg.m_nUnit = 7;
    dlg.m_nStdSize = 99;
    dlg.m_nDirection = -3;
    dlg.m_nResUnit = 5;
    dlg.m_dResolution = -1;
    dlg.m_dWidth = 2;
    dlg.m_dHeight = 3;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        EXPECT_EQ(CDlgCardSet::unitInch, w.ComboSelection(IDC_CARD_UNIT));
        EXPECT_EQ(0, w.ComboSelection(IDC_CARD_STDSIZE));
        EXPECT_TRUE(w.IsChecked(IDC_CARD_PORTRAIT));
        EXPECT_EQ(0, w.ComboSelection(IDC_CARD_RES_UNIT));
        EXPECT_EQ("2 x 3 @ 300", Size(w));
        w.SelectCombo(IDC_CARD_STDSIZE, 1);
        EXPECT_EQ(CDlgCardSet::unitInch, w.ComboSelection(IDC_CARD_UNIT));
        EXPECT_EQ("3 x 4 @ 300", Size(w));
        w.SelectCombo(IDC_CARD_STDSIZE, 2);
        EXPECT_EQ("800 x 600 @ 100", Size(w)) << "an unknown screen type takes the first type's sizes";
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(2, dlg.m_nStdSize);
    EXPECT_EQ(0, dlg.m_nResUnit);
}
