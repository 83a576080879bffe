// The calendar settings dialog: fonts through the font pickers, the year and month ranges, the
// colours through the system's colour dialog, the weekday formats, and fields out of range.
#include <FontChoice.h>
#include <UiDriver.h>
#include <gtest/gtest.h>
#include <kxcomdlgres.h>
#include <products/CaleSetDlg.h>
#include <string>

namespace {

const char kCaption[] = "设置日历信息";
const char kBig5Weekdays[] = "\xA4\xE9 \xA4\x40 \xA4\x47 \xA4\x54 \xA5\x7C \xA4\xAD \xA4\xBB";

// The range of a spin control, "low-high".
std::string SpinRange(UiWindow w, int id)
{
    int low = 0, high = 0;
    ::SendMessageA(w.Item(id), UDM_GETRANGE32, (WPARAM)&low, (LPARAM)&high);
    return std::to_string(low) + "-" + std::to_string(high);
}

} // namespace

TEST(CaleSet, FacesComeFromTheFontPickersAndGoBackThroughThem)
{
    CCaleSetDlg dlg;
    dlg.m_ctlWeekFace.SetCurrentName("DejaVu Sans");
    dlg.m_ctlMonthFace.SetCurrentName("Liberation Serif");
    dlg.m_ctlDateFace.SetCurrentName("宋体");
    dlg.m_ctlLunarFace.SetCurrentName("NoSuchFace");
    dlg.m_dDateSize = 10.5;
    dlg.m_dWeekSize = 12;
    dlg.m_bWeekBold = 1;
    dlg.m_bMonthItalic = 1;
    dlg.m_bLunarUnderline = 1;
    CString missing;
    UiScript script;
    script.AnswerMessageBox(IDOK, &missing)
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ(CString("DejaVu Sans"), w.Text(IDC_CALE_WEEK_FACE));
              EXPECT_EQ(CString("Liberation Serif"), w.Text(IDC_CALE_MONTH_FACE));
              EXPECT_EQ(CString("宋体"), w.Text(IDC_CALE_DATE_FACE));
              EXPECT_EQ(-1, w.ComboSelection(IDC_CALE_LUNAR_FACE)) << "a face the system lacks selects nothing";
              EXPECT_EQ(CString("10.5"), w.Text(IDC_CALE_DATE_SIZE));
              EXPECT_EQ(CString("12"), w.Text(IDC_CALE_WEEK_SIZE));
              EXPECT_TRUE(w.IsChecked(IDC_CALE_WEEK_BOLD));
              EXPECT_TRUE(w.IsChecked(IDC_CALE_MONTH_ITALIC));
              EXPECT_TRUE(w.IsChecked(IDC_CALE_LUNAR_UNDERLINE));
              EXPECT_FALSE(w.IsChecked(IDC_CALE_DATE_BOLD));

              ChooseFace(w, IDC_CALE_DATE_FACE, "Liberation Sans");
              EXPECT_EQ((std::vector<std::string>{ "Liberation Sans" }), RecentFaces(w, IDC_CALE_DATE_FACE));
              EXPECT_TRUE(RecentFaces(w, IDC_CALE_WEEK_FACE).empty()) << "each picker keeps its own recent faces";
              w.TypeKeys(IDC_CALE_MONTH_SIZE, "36");
              w.ClickNow(IDC_CALE_DATE_BOLD);
              w.ClickNow(IDC_CALE_WEEK_BOLD);
              w.Click(IDOK);
          });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ("系统中不存在该对象包含的字体 'NoSuchFace'。", missing);
    EXPECT_EQ(CString("Liberation Sans"), dlg.m_ctlDateFace.GetCurrentName());
    EXPECT_EQ(CString("DejaVu Sans"), dlg.m_ctlWeekFace.GetCurrentName());
    EXPECT_EQ(CString("Liberation Serif"), dlg.m_ctlMonthFace.GetCurrentName());
    EXPECT_EQ(CString("NoSuchFace"), dlg.m_ctlLunarFace.GetCurrentName()) << "an unknown face comes back unchanged";
    EXPECT_DOUBLE_EQ(36, dlg.m_dMonthSize);
    EXPECT_DOUBLE_EQ(10.5, dlg.m_dDateSize);
    EXPECT_EQ(1, dlg.m_bDateBold);
    EXPECT_EQ(0, dlg.m_bWeekBold);
    EXPECT_EQ(1, dlg.m_bLunarUnderline);
}

TEST(CaleSet, MonthAndYearStayInTheCalendarsRange)
{
    CCaleSetDlg dlg;
    dlg.m_nYear = 2049;
    dlg.m_nMonth = 11;
    CString monthMessage, yearMessage;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ("1-12", SpinRange(w, IDC_CALE_MONTH_SPIN));
              EXPECT_EQ("1901-2050", SpinRange(w, IDC_CALE_YEAR_SPIN));
              for (int id : { IDC_CALE_WEEK_SIZE_SPIN, IDC_CALE_MONTH_SIZE_SPIN, IDC_CALE_DATE_SIZE_SPIN, IDC_CALE_LUNAR_SIZE_SPIN })
                  EXPECT_EQ("1-100", SpinRange(w, id)) << id;
              // The arrow keys step the numbers up to the ends of the ranges and no further.
              w.Focus(IDC_CALE_MONTH);
              for (int i = 0; i < 3; ++i)
                  w.Key(VK_UP);
          })
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ(CString("12"), w.Text(IDC_CALE_MONTH));
              w.Focus(IDC_CALE_YEAR);
              for (int i = 0; i < 3; ++i)
                  w.Key(VK_UP);
          })
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ(CString("2050"), w.Text(IDC_CALE_YEAR));
              w.TypeKeys(IDC_CALE_MONTH, "13");
              w.Click(IDOK);
          })
          .AnswerMessageBox(IDOK, &monthMessage)
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_TRUE(w.HasFocus(IDC_CALE_MONTH));
              w.TypeKeys(IDC_CALE_MONTH, "12");
              w.TypeKeys(IDC_CALE_YEAR, "1900");
              w.Click(IDOK);
          })
          .AnswerMessageBox(IDOK, &yearMessage)
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_TRUE(w.HasFocus(IDC_CALE_YEAR));
              w.TypeKeys(IDC_CALE_YEAR, "1901");
              w.Click(IDOK);
          });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_NE(-1, monthMessage.Find("12")) << (const char*)monthMessage;
    EXPECT_NE(-1, yearMessage.Find("2050")) << (const char*)yearMessage;
    EXPECT_EQ(12u, dlg.m_nMonth);
    EXPECT_EQ(1901u, dlg.m_nYear);
}

TEST(CaleSet, AColourChosenStaysWhenTheDialogIsCancelled)
{
    CCaleSetDlg dlg;
    dlg.m_crHoliday = RGB(200, 0, 0);
    dlg.m_crBack = RGB(1, 2, 3);
    COLORREF shown = 0;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) { w.Click(IDC_CALE_HOLIDAY); });
    script.AnswerColorDialog(10, 20, 30, &shown);
    script.OnDialog(kCaption, [](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(RGB(200, 0, 0), shown) << "the colour dialog starts on the field's colour";
    EXPECT_EQ(RGB(10, 20, 30), dlg.m_crHoliday);
    EXPECT_EQ(RGB(1, 2, 3), dlg.m_crBack) << "only the button's own colour changes";
}

TEST(CaleSet, TraditionalWeekdaysAndTheBlankFormat)
{
    for (int trad : { 0, 1 }) {
        CCaleSetDlg dlg;
        dlg.m_bTradWeek = trad;
        dlg.m_nWeekFormat = 1;
        UiScript script;
        script.OnDialog(kCaption, [trad](UiWindow w) {
            ASSERT_EQ(4, w.ComboCount(IDC_CALE_WEEK_FORMAT));
            EXPECT_EQ(CString(trad ? kBig5Weekdays : "日 一 二 三 四 五 六"), w.ComboItem(IDC_CALE_WEEK_FORMAT, 0));
            EXPECT_EQ(20, w.ComboItem(IDC_CALE_WEEK_FORMAT, 0).GetLength()) << "seven characters, six spaces";
            EXPECT_EQ(CString("S  M  T  W  T  F  S"), w.ComboItem(IDC_CALE_WEEK_FORMAT, 1));
            EXPECT_EQ(CString("Su Mo Tu We Th Fr Sa"), w.ComboItem(IDC_CALE_WEEK_FORMAT, 2));
            EXPECT_EQ(CString(' ', 30), w.ComboItem(IDC_CALE_WEEK_FORMAT, 3));
            EXPECT_EQ(1, w.ComboSelection(IDC_CALE_WEEK_FORMAT));
            w.SelectCombo(IDC_CALE_WEEK_FORMAT, 3);
            w.Click(IDOK);
        });
        EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_EQ(CCaleSetDlg::weekBlank, dlg.m_nWeekFormat) << "traditional " << trad;
    }
}

TEST(CaleSet, FieldsOutOfRangeOpenAsDefaults)
{
    CCaleSetDlg fresh;
    EXPECT_EQ(RGB(255, 255, 255), fresh.m_crBack) << "a host that sets no colours still gets some";
    EXPECT_EQ(RGB(255, 0, 0), fresh.m_crHoliday);
    EXPECT_EQ(RGB(0, 0, 0), fresh.m_crNotHoliday);

    SYSTEMTIME today{};
    ::GetLocalTime(&today);
    CCaleSetDlg dlg;
    dlg.m_nMonth = 13;
    dlg.m_nYear = 1900;
    dlg.m_nWeekFormat = 9;
    dlg.m_crBack = 0xFFFFFFFF;
    COLORREF shown = 1;
    UiScript script;
    script.OnDialog(kCaption, [&today](UiWindow w) {
        EXPECT_EQ((int)today.wMonth, atoi(w.Text(IDC_CALE_MONTH)));
        EXPECT_EQ((int)today.wYear, atoi(w.Text(IDC_CALE_YEAR)));
        EXPECT_EQ(0, w.ComboSelection(IDC_CALE_WEEK_FORMAT));
        w.Click(IDC_CALE_BKCOLOR);
    });
    script.AnswerColorDialog(0, 128, 255, &shown);
    script.OnDialog(kCaption, [](UiWindow w) { w.Click(IDOK); });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(RGB(255, 255, 255), shown) << "a value that is no colour starts as the default";
    EXPECT_EQ(RGB(0, 128, 255), dlg.m_crBack);
    EXPECT_EQ((UINT)today.wMonth, dlg.m_nMonth);
    EXPECT_EQ((UINT)today.wYear, dlg.m_nYear);
    EXPECT_EQ(0, dlg.m_nWeekFormat);
}
