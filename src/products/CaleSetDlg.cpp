#include "CaleSetDlg.h"
#include "kxcomdlgres.h"
#include <afxdlgs.h>
#include <algorithm>

namespace {
// "日 一 二 三 四 五 六" in the traditional character set, for hosts printing traditional
// calendars.
const char kBig5Weekdays[] = "\xA4\xE9 \xA4\x40 \xA4\x47 \xA4\x54 \xA5\x7C \xA4\xAD \xA4\xBB";

const COLORREF kDefaultBack = RGB(255, 255, 255);
const COLORREF kDefaultHoliday = RGB(255, 0, 0);
const COLORREF kDefaultNotHoliday = RGB(0, 0, 0);

// A colour value with its top byte set is no RGB colour (a system or "none" value, or a slip
// in a hand-edited file).
COLORREF SoundColor(COLORREF color, COLORREF fallback) { return (color & 0xFF000000) ? fallback : color; }
} // namespace

BEGIN_MESSAGE_MAP(CCaleSetDlg, CKxDialog)
    ON_BN_CLICKED(IDC_CALE_BKCOLOR, OnBtnBkcolor)
    ON_BN_CLICKED(IDC_CALE_HOLIDAY, OnBtnHoliday)
    ON_BN_CLICKED(IDC_CALE_NOTHOLIDAY, OnBtnNotholiday)
END_MESSAGE_MAP()

// The colours start as a plain page (white, red holidays, black days), so a host that sets none
// still gets colours rather than whatever the memory held.
CCaleSetDlg::CCaleSetDlg(CWnd* pParent)
    : CKxDialog(IDD_CALESET, pParent), m_crBack(kDefaultBack), m_crHoliday(kDefaultHoliday),
      m_crNotHoliday(kDefaultNotHoliday)
{
}

void CCaleSetDlg::DoDataExchange(CDataExchange* pDX)
{
    CKxDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CALE_WEEK_FACE, m_ctlWeekFace);
    DDX_Control(pDX, IDC_CALE_MONTH_FACE, m_ctlMonthFace);
    DDX_Control(pDX, IDC_CALE_LUNAR_FACE, m_ctlLunarFace);
    DDX_Control(pDX, IDC_CALE_DATE_FACE, m_ctlDateFace);
    DDX_Check(pDX, IDC_CALE_SHOW_MONTH, m_bShowMonth);
    DDX_Check(pDX, IDC_CALE_SHOW_LUNAR, m_bShowLunar);
    DDX_Check(pDX, IDC_CALE_TRANSPARENT, m_bTransparent);
    DDX_Check(pDX, IDC_CALE_DATE_BOLD, m_bDateBold);
    DDX_Text(pDX, IDC_CALE_DATE_SIZE, m_dDateSize);
    DDX_Check(pDX, IDC_CALE_DATE_ITALIC, m_bDateItalic);
    DDX_Check(pDX, IDC_CALE_DATE_UNDERLINE, m_bDateUnderline);
    DDX_Text(pDX, IDC_CALE_MONTH, m_nMonth);
    DDV_MinMaxUInt(pDX, m_nMonth, 1, 12);
    DDX_Text(pDX, IDC_CALE_YEAR, m_nYear);
    DDV_MinMaxUInt(pDX, m_nYear, kMinYear, kMaxYear);
    DDX_Check(pDX, IDC_CALE_WEEK_UNDERLINE, m_bWeekUnderline);
    DDX_Check(pDX, IDC_CALE_WEEK_ITALIC, m_bWeekItalic);
    DDX_Text(pDX, IDC_CALE_WEEK_SIZE, m_dWeekSize);
    DDX_Check(pDX, IDC_CALE_WEEK_BOLD, m_bWeekBold);
    DDX_Check(pDX, IDC_CALE_MONTH_UNDERLINE, m_bMonthUnderline);
    DDX_Check(pDX, IDC_CALE_MONTH_ITALIC, m_bMonthItalic);
    DDX_Text(pDX, IDC_CALE_MONTH_SIZE, m_dMonthSize);
    DDX_Check(pDX, IDC_CALE_MONTH_BOLD, m_bMonthBold);
    DDX_Check(pDX, IDC_CALE_LUNAR_UNDERLINE, m_bLunarUnderline);
    DDX_Check(pDX, IDC_CALE_LUNAR_ITALIC, m_bLunarItalic);
    DDX_Text(pDX, IDC_CALE_LUNAR_SIZE, m_dLunarSize);
    DDX_Check(pDX, IDC_CALE_LUNAR_BOLD, m_bLunarBold);
    DDX_CBIndex(pDX, IDC_CALE_WEEK_FORMAT, m_nWeekFormat);
}

BOOL CCaleSetDlg::OnInitDialog()
{
    // A month or year outside the calendar's range (a new calendar's zeros, a hand-edited value)
    // opens on the current month, which is what a new calendar page is most often for.
    SYSTEMTIME today{};
    ::GetLocalTime(&today);
    if (m_nMonth < 1 || m_nMonth > 12)
        m_nMonth = today.wMonth;
    if (m_nYear < (UINT)kMinYear || m_nYear > (UINT)kMaxYear)
        m_nYear = std::min<UINT>(std::max<UINT>(today.wYear, kMinYear), kMaxYear);
    if (m_nWeekFormat < weekChinese || m_nWeekFormat > weekBlank)
        m_nWeekFormat = weekChinese;
    m_crBack = SoundColor(m_crBack, kDefaultBack);
    m_crHoliday = SoundColor(m_crHoliday, kDefaultHoliday);
    m_crNotHoliday = SoundColor(m_crNotHoliday, kDefaultNotHoliday);

    CKxDialog::OnInitDialog();
    for (UINT id : { IDC_CALE_WEEK_SIZE_SPIN, IDC_CALE_MONTH_SIZE_SPIN, IDC_CALE_LUNAR_SIZE_SPIN, IDC_CALE_DATE_SIZE_SPIN })
        SendDlgItemMessage(id, UDM_SETRANGE32, kMinSize, kMaxSize);
    SendDlgItemMessage(IDC_CALE_YEAR_SPIN, UDM_SETRANGE32, kMinYear, kMaxYear);
    SendDlgItemMessage(IDC_CALE_MONTH_SPIN, UDM_SETRANGE32, 1, 12);

    m_ctlDateFace.Initialize();
    m_ctlWeekFace.Initialize();
    m_ctlMonthFace.Initialize();
    m_ctlLunarFace.Initialize();

    if (m_bTradWeek) {
        SendDlgItemMessage(IDC_CALE_WEEK_FORMAT, CB_DELETESTRING, 0);
        SendDlgItemMessage(IDC_CALE_WEEK_FORMAT, CB_INSERTSTRING, 0, (LPARAM)kBig5Weekdays);
    }
    UpdateData(FALSE);
    return TRUE;
}

void CCaleSetDlg::PickColor(COLORREF& color)
{
    CColorDialog dlg(color, 0, this);
    if (dlg.DoModal() == IDOK)
        color = dlg.GetColor();
}

void CCaleSetDlg::OnBtnBkcolor() { PickColor(m_crBack); }
void CCaleSetDlg::OnBtnHoliday() { PickColor(m_crHoliday); }
void CCaleSetDlg::OnBtnNotholiday() { PickColor(m_crNotHoliday); }
