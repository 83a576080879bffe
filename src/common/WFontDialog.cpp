#include "WFontDialog.h"
#include "kxcomdlgres.h"
#include <Geometry.h>

namespace {
const LONG kWeightRegular = 100;
const LONG kWeightBold = 900;
enum { kStyleRegular, kStyleItalic, kStyleBold, kStyleBoldItalic };
// The largest size a LOGFONT height in tenths of a point carries comfortably.
const float kMaxSize = 1638.0f;
} // namespace

BEGIN_MESSAGE_MAP(CWFontDialog, CKxDialog)
    ON_CBN_SELCHANGE(IDC_WFONT_STYLE, OnChangeFontstyles)
    ON_CBN_SELCHANGE(IDC_WFONT_NAME, OnChangeFontName)
    ON_CBN_SELCHANGE(IDC_WFONT_UNDERLINE, OnChangeFontUndeline)
    ON_EN_CHANGE(IDC_WFONT_TEXT, OnChangeFntText)
END_MESSAGE_MAP()

CWFontDialog::CWFontDialog(const LOGFONTA* pLogFont, CWnd* pParent) : CKxDialog(IDD_WFONT, pParent), m_lf()
{
    if (pLogFont) {
        m_lf = *pLogFont;
        // The host's field need not be terminated.
        CopyFaceName(m_lf.lfFaceName, pLogFont->lfFaceName, LF_FACESIZE);
    }
    // Tenths of a point: 105 is 10.5 points, not 10.
    m_fSize = m_lf.lfHeight / 10.0f;
    m_nUnderline = m_lf.lfUnderline;
}

void CWFontDialog::GetCurrentFont(LOGFONTA* pLogFont) const
{
    if (pLogFont)
        *pLogFont = m_lf;
}

void CWFontDialog::DoDataExchange(CDataExchange* pDX)
{
    CKxDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WFONT_STYLE, m_ctlStyles);
    DDX_Control(pDX, IDC_WFONT_NAME, m_ctlFontName);
    DDX_Text(pDX, IDC_WFONT_TEXT, m_strContent);
    DDX_Text(pDX, IDC_WFONT_SIZE, m_fSize);
    // Beyond this the height in tenths of a point is no longer a font size.
    DDV_MinMaxFloat(pDX, m_fSize, 0.0f, kMaxSize);
    DDX_CBIndex(pDX, IDC_WFONT_UNDERLINE, m_nUnderline);
    DDX_Text(pDX, IDC_WFONT_SPACING, m_fSpacing);
    DDX_Text(pDX, IDC_WFONT_WIDTH, m_lf.lfWidth);
}

BOOL CWFontDialog::OnInitDialog()
{
    CKxDialog::OnInitDialog();
    m_ctlFontName.SetSampleText(m_strContent);
    m_ctlFontName.SetCurrentName(m_lf.lfFaceName);
    m_ctlFontName.Initialize();
    const bool italic = m_lf.lfItalic != 0;
    if (m_lf.lfWeight == kWeightRegular)
        m_ctlStyles.SetCurSel(italic ? kStyleItalic : kStyleRegular);
    else
        m_ctlStyles.SetCurSel(italic ? kStyleBoldItalic : kStyleBold);
    return TRUE;
}

void CWFontDialog::OnChangeFontstyles()
{
    UpdateDataQuietly();
    switch (m_ctlStyles.GetCurSel()) {
    case kStyleItalic:     m_lf.lfItalic = 1; m_lf.lfWeight = kWeightRegular; break;
    case kStyleBold:       m_lf.lfItalic = 0; m_lf.lfWeight = kWeightBold; break;
    case kStyleBoldItalic: m_lf.lfItalic = 1; m_lf.lfWeight = kWeightBold; break;
    default:               m_lf.lfItalic = 0; m_lf.lfWeight = kWeightRegular; break;
    }
}

void CWFontDialog::OnChangeFontName()
{
    UpdateDataQuietly();
    m_ctlFontName.SetSampleText(m_strContent);
    CopyFaceName(m_lf.lfFaceName, m_ctlFontName.GetCurrentName());
}

void CWFontDialog::OnChangeFontUndeline()
{
    UpdateDataQuietly();
    m_lf.lfUnderline = m_nUnderline == 1 ? 1 : 0;
}

void CWFontDialog::OnChangeFntText()
{
    UpdateDataQuietly();
    m_ctlFontName.SetSampleText(m_strContent);
}

void CWFontDialog::OnOK()
{
    // One message for a refused value, then the user corrects it.
    if (!UpdateData(TRUE))
        return;
    // Float arithmetic keeps a typed 10.45 at 104.5 tenths, which rounds to 105.
    m_lf.lfHeight = Round(m_fSize * 10.0f);
    // The face shown is the face returned, also when it was found from a shortened name.
    const int sel = m_ctlFontName.GetCurSel();
    if (sel != CB_ERR) {
        CString face;
        m_ctlFontName.GetLBText(sel, face);
        CopyFaceName(m_lf.lfFaceName, face);
    }
    CKxDialog::OnOK();
}
