#include "DlgFilter.h"
#include "outfile/ImgFileDialog.h"
#include "kxcomdlgres.h"
#include <Geometry.h>
#include <cmath>

// ---- CDlgFilterSysset ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDlgFilterSysset, CKxDialog)
    ON_BN_CLICKED(IDC_FILTER_SET_STD, OnBtnStd)
END_MESSAGE_MAP()

CDlgFilterSysset::CDlgFilterSysset(CWnd* pParent) : CKxDialog(IDD_FILTER_SYSSET, pParent) {}

void CDlgFilterSysset::DoDataExchange(CDataExchange* pDX)
{
    CKxDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_FILTER_CHK_OVERALL, m_bOverall);
    DDX_Check(pDX, IDC_FILTER_CHK_COLOR, m_bColor);
    DDX_Check(pDX, IDC_FILTER_CHK_BRIGHT, m_bBright);
    DDX_Check(pDX, IDC_FILTER_CHK_CONTRAST, m_bContrast);
    DDX_Check(pDX, IDC_FILTER_CHK_BACK, m_bBack);
    DDX_Text(pDX, IDC_FILTER_LIM_FINAL, m_nFinalLimit);
    DDX_Text(pDX, IDC_FILTER_LIM_OVERALL, m_nOverallLimit);
    DDX_Text(pDX, IDC_FILTER_LIM_COLOR, m_nColorLimit);
    DDX_Text(pDX, IDC_FILTER_LIM_BRIGHT, m_nBrightLimit);
    DDX_Text(pDX, IDC_FILTER_LIM_CONTRAST, m_nContrastLimit);
    DDX_Text(pDX, IDC_FILTER_LIM_BACK, m_nBackLimit);
    DDX_Text(pDX, IDC_FILTER_LIM_HEAD, m_nHeadLimit);
    DDX_Text(pDX, IDC_FILTER_STD_PATH, m_strStdPic);
    DDX_Check(pDX, IDC_FILTER_CHK_HEAD, m_bHead);
}

BOOL CDlgFilterSysset::OnInitDialog()
{
    CKxDialog::OnInitDialog();
    m_wndStd.SubclassDlgItem(IDC_FILTER_STD_VIEW, this);
    // A standard picture that has gone since it was chosen leaves the view empty under its path.
    if (!m_strStdPic.IsEmpty())
        ShowStdPicture(m_strStdPic);
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDlgFilterSysset::ShowStdPicture(const CString& strPath)
{
    CWaitCursor wait;
    // The view loads the picture reduced to its own size: a full-size photograph is never needed.
    return m_wndStd.Load(strPath) > 0;
}

void CDlgFilterSysset::OnBtnStd()
{
    CString path;
    if (!ChooseStandardPicture(path, this))
        return;
    // A refused value has been pointed out; the other fields and the picture still follow.
    const BOOL taken = UpdateData(TRUE);
    if (!ShowStdPicture(path)) {
        // The standard stays the picture it was: a file that is not a picture cannot be one.
        CString format, text;
        format.LoadString(IDS_FILTER_STD_UNREADABLE);
        text.Format(format, (const char*)path);
        AfxMessageBox(text, MB_OK);
        if (!m_strStdPic.IsEmpty())
            ShowStdPicture(m_strStdPic);
        return;
    }
    m_strStdPic = path;
    if (taken)
        UpdateData(FALSE);
    else
        SetDlgItemText(IDC_FILTER_STD_PATH, m_strStdPic);
}

void CDlgFilterSysset::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    CKxDialog::OnOK();
}

// ---- CDlgFilterDetail ---------------------------------------------------------------------------

const double CDlgFilterDetail::kResultScale = 60;
const double CDlgFilterDetail::kOverallScale = 40;
const double CDlgFilterDetail::kBrightScale = 15;
const double CDlgFilterDetail::kContrastScale = 10;
const double CDlgFilterDetail::kColorScale = 15;
const double CDlgFilterDetail::kBackScale = 20;
const double CDlgFilterDetail::kHeadScale = 20;

namespace {
// Two decimals, as the edits show them. Values too large for the rounding keep every digit
// rather than being clamped to another number.
double RoundToHundredths(double value)
{
    return std::fabs(value) < 2.0e7 ? Round(value * 100.0) / 100.0 : value;
}
} // namespace

CDlgFilterDetail::CDlgFilterDetail(CWnd* pParent) : CKxDialog(IDD_FILTER_DETAIL, pParent) {}

void CDlgFilterDetail::DoDataExchange(CDataExchange* pDX)
{
    CKxDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FILTER_BAR_HEAD, m_barHead);
    DDX_Control(pDX, IDC_FILTER_BAR_CONTRAST, m_barContrast);
    DDX_Control(pDX, IDC_FILTER_BAR_OVERALL, m_barOverall);
    DDX_Control(pDX, IDC_FILTER_BAR_COLOR, m_barColor);
    DDX_Control(pDX, IDC_FILTER_BAR_BRIGHT, m_barBright);
    DDX_Control(pDX, IDC_FILTER_BAR_BACK, m_barBack);
    DDX_Control(pDX, IDC_FILTER_BAR_RESULT, m_barResult);
    DDX_Text(pDX, IDC_FILTER_VAL_RESULT, m_dResult);
    DDX_Text(pDX, IDC_FILTER_VAL_BACK, m_dBack);
    DDX_Text(pDX, IDC_FILTER_VAL_BRIGHT, m_dBright);
    DDX_Text(pDX, IDC_FILTER_VAL_COLOR, m_dColor);
    DDX_Text(pDX, IDC_FILTER_VAL_OVERALL, m_dOverall);
    DDX_Text(pDX, IDC_FILTER_VAL_CONTRAST, m_dContrast);
    DDX_Text(pDX, IDC_FILTER_TXT_CONSIST, m_strConsist);
    DDX_Text(pDX, IDC_FILTER_VAL_HEAD, m_dHead);
    DDX_Text(pDX, IDC_FILTER_TXT_BRIGHT, m_strBright);
    DDX_Text(pDX, IDC_FILTER_TXT_CONTRAST, m_strContrast);
    DDX_Text(pDX, IDC_FILTER_TXT_COLOR, m_strColor);
    DDX_Text(pDX, IDC_FILTER_TXT_HEAD, m_strHead);
    DDX_Text(pDX, IDC_FILTER_TXT_BACK, m_strBack);
}

BOOL CDlgFilterDetail::OnInitDialog()
{
    CKxDialog::OnInitDialog();
    m_wndStd.SubclassDlgItem(IDC_FILTER_STD_PICTURE, this);
    m_wndTest.SubclassDlgItem(IDC_FILTER_TEST_PICTURE, this);

    CRect frame;
    m_wndStd.GetWindowRect(&frame);
    const int w = frame.Width(), h = frame.Height();
    if (!m_strStdPic.IsEmpty()) {
        CWaitCursor wait;
        m_wndStd.Load(m_strStdPic);
    }
    if (m_pTestDib && m_pTestDib->IsValid()) {
        CWaitCursor wait;
        // Reduced straight from the host's picture into the view's own, proportions kept so that
        // a head keeps its shape and place; the host's picture is only read.
        const CSize fit = GetProporFitSize(m_pTestDib->GetWidth(), m_pTestDib->GetHeight(), w, h);
        if (fit.cx > 0 && m_wndTest.GetDib()->Resize(*m_pTestDib, fit.cx, fit.cy, 2))
            m_wndTest.Refresh();
    }

    struct Bar { CProgressCtrl& bar; double value; double scale; };
    const Bar bars[] = {
        { m_barResult, m_dResult, kResultScale },       { m_barOverall, m_dOverall, kOverallScale },
        { m_barBright, m_dBright, kBrightScale },       { m_barContrast, m_dContrast, kContrastScale },
        { m_barColor, m_dColor, kColorScale },          { m_barBack, m_dBack, kBackScale },
        { m_barHead, m_dHead, kHeadScale },
    };
    // The bars keep their range 0 to 100: a value beyond its full scale shows a full bar.
    for (const Bar& b : bars) {
        b.bar.SetRange32(0, 100);
        b.bar.SetPos(Round(b.value * 100.0 / b.scale));
    }
    for (double* value : { &m_dOverall, &m_dBright, &m_dContrast, &m_dColor, &m_dBack, &m_dHead, &m_dResult })
        *value = RoundToHundredths(*value);
    UpdateData(FALSE);
    return TRUE;
}
