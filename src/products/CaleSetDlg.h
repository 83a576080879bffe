// CCaleSetDlg ("设置日历信息"): how a printed calendar page looks - year and month, whether the
// month and the lunar dates show, a transparent background, the background, holiday and other-day
// colours, the weekday header format, and four fonts (weekday header, month title, dates, lunar
// dates), each with face, size in points and bold, italic and underline.
//
// A plain form over public fields; the faces are the current names of the four font pickers.
//
//   CCaleSetDlg dlg(this);
//   dlg.m_nYear = 2024; dlg.m_nMonth = 2;                   // before DoModal
//   dlg.m_ctlDateFace.SetCurrentName(calendar.dateFace);
//   dlg.m_crHoliday = calendar.holidayColor;
//   if (dlg.DoModal() == IDOK)
//       calendar.dateFace = dlg.m_ctlDateFace.GetCurrentName();   // and the other fields
#pragma once
#include "module/KxDialog.h"
#include "common/FontComboBox.h"

class KXCOMDLG_API CCaleSetDlg : public CKxDialog
{
public:
    enum { kMinYear = 1901, kMaxYear = 2050, kMinSize = 1, kMaxSize = 100 };
    enum WeekFormat { weekChinese = 0, weekLetter = 1, weekTwoLetters = 2, weekBlank = 3 };

// Construction
    explicit CCaleSetDlg(CWnd* pParent = nullptr);

// Fields: set before DoModal, read after an OK ending
    CFontComboBox m_ctlWeekFace;        // 11019
    CFontComboBox m_ctlMonthFace;       // 11021
    CFontComboBox m_ctlLunarFace;       // 11030
    CFontComboBox m_ctlDateFace;        // 11027
    int m_bShowMonth = 0;               // 1040
    int m_bShowLunar = 0;               // 1046
    int m_bTransparent = 0;             // 1043
    int m_bDateBold = 0;                // 1059
    double m_dDateSize = 0.0;           // 11028, points
    int m_bDateItalic = 0;              // 1061
    int m_bDateUnderline = 0;           // 1063
    UINT m_nMonth = 0;                  // 1037, 1 to 12
    UINT m_nYear = 0;                   // 1034, 1901 to 2050
    int m_bWeekUnderline = 0;           // 1052
    int m_bWeekItalic = 0;              // 1050
    double m_dWeekSize = 0.0;           // 11023
    int m_bWeekBold = 0;                // 1048
    int m_bMonthUnderline = 0;          // 1057
    int m_bMonthItalic = 0;             // 1056
    double m_dMonthSize = 0.0;          // 11025
    int m_bMonthBold = 0;               // 1054
    int m_bLunarUnderline = 0;          // 1066
    int m_bLunarItalic = 0;             // 1065
    double m_dLunarSize = 0.0;          // 11031
    int m_bLunarBold = 0;               // 1064
    int m_nWeekFormat = weekChinese;    // 11000
    // The host's own texts; the dialog neither shows nor changes them.
    CString m_strUser1, m_strUser2, m_strUser3, m_strUser4;
    COLORREF m_crBack;                  // 1000 "背景颜色"
    COLORREF m_crHoliday;               // 1002 "假日颜色"
    COLORREF m_crNotHoliday;            // 1003 "非假日颜色"
    // Non-zero: the first weekday format is offered in traditional characters (Big5).
    int m_bTradWeek = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnBtnBkcolor();
    void OnBtnHoliday();
    void OnBtnNotholiday();
    // Lets the user pick the colour, starting from its value; kept only when confirmed.
    void PickColor(COLORREF& color);

    DECLARE_MESSAGE_MAP()
};
