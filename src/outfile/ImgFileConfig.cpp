#include "ImgFileConfig.h"
#include "common/FolderDialog.h"
#include "kxcomdlgres.h"
#include <KXDiskFile.h>
#include <StringEx.h>

namespace {
const char kProfile[] = "outfil";
const int kMinDpi = 50;
const int kMaxDpi = 2000;
// TIFF, and the code the host's saving takes for TIFF in 24- or 32-bit CMYK.
const int kFormatTiff = 3;
const int kFormatTiffCmyk = 85;
} // namespace

BEGIN_MESSAGE_MAP(CImgFileConfig, CKxDialog)
    ON_BN_CLICKED(IDC_OUTFIL_BROWSE, OnOutfilBrowse)
    ON_CBN_SELCHANGE(IDC_OUTFIL_TYPE, OnSelchangeOutfilType)
    ON_CBN_SELCHANGE(IDC_OUTFIL_SUBTYPE, OnSelchangeOutfilSubtype)
    ON_EN_SETFOCUS(IDC_OUTFIL_EDIT_RANG, OnSetfocusOutfilEditRang)
    ON_CBN_SELCHANGE(IDC_OUTFIL_COLMODE, OnSelchangeOutfilColmode)
END_MESSAGE_MAP()

CImgFileConfig::CImgFileConfig(CWnd* pParent) : CKxDialog(IDD_IMGFILECONFIG, pParent)
{
    m_strOutName = GetProfileString(kProfile, "picname", "Img");
    m_nDPI = (int)GetProfileInt(kProfile, "DPI", 250);
    m_strOutPath = GetProfileString(kProfile, "picpath", "C:\\");
}

void CImgFileConfig::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_OUTFIL_COLMODE, m_ctlColorMode);
    DDX_Control(pDX, IDC_OUTFIL_TYPE, m_ctlType);
    DDX_Control(pDX, IDC_OUTFIL_SUBTYPE, m_ctlSubType);
    DDX_Control(pDX, IDC_OUTFIL_QUALITY, m_ctlQuality);
    DDX_Control(pDX, IDC_OUTFIL_DPI_SPIN, m_ctlDpiSpin);
    DDX_Text(pDX, IDC_OUTFIL_NAME, m_strOutName);
    DDX_Text(pDX, IDC_OUTFIL_PATH, m_strOutPath);
    DDX_Text(pDX, IDC_OUTFIL_DPI, m_nDPI);
    DDV_MinMaxInt(pDX, m_nDPI, kMinDpi, kMaxDpi);   // the up-down's range
}

BOOL CImgFileConfig::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_ctlDpiSpin.SetRange(kMinDpi, kMaxDpi);
    InitPictTypeCtrl();
    OnSelchangeOutfilType();

    CString range;
    range.Format("%d-%d", m_nFirstPage, m_nLastPage);
    SetDlgItemText(IDC_OUTFIL_EDIT_RANG, range);
    CheckRadioButton(IDC_OUTFIL_RANGE_ALL, IDC_OUTFIL_RANGE_PAGES, IDC_OUTFIL_RANGE_ALL);
    if (m_nOption & 1) {
        for (int id : { IDC_OUTFIL_RANGE_ALL, IDC_OUTFIL_RANGE_CURRENT, IDC_OUTFIL_RANGE_PAGES, IDC_OUTFIL_EDIT_RANG })
            GetDlgItem(id)->EnableWindow(FALSE);
    }
    return TRUE;
}

int CImgFileConfig::InitPictTypeCtrl()
{
    m_catalog.Open(CPictCatalog::DefaultPath());
    int result = 1;
    const int n = m_catalog.GetTypeCount();
    for (int i = 0; i < n; ++i) {
        if (m_ctlType.AddString(m_catalog.GetTypeName(i)) != i) {
            result = 0;
            break;
        }
    }
    // An index outside the list selects nothing.
    m_ctlType.SetCurSel(m_catalog.GetDefaultType());
    return result;
}

int CImgFileConfig::InitPictColorModeCtrl()
{
    m_ctlColorMode.ResetContent();
    const CPictCatalog::ColorMode* modes[CPictCatalog::kColorModeCount];
    bool listed = false;
    const int n = m_catalog.GetColorModes(m_nFormat, modes, listed);
    int result = 1;
    for (int i = 0; i < n; ++i)
        if (m_ctlColorMode.AddString(modes[i]->pszText) != i) {
            result = 0;
            break;
        }
    m_ctlColorMode.SetCurSel(listed ? m_catalog.GetDefaultColorMode(m_nFormat) : 0);
    return result;
}

int CImgFileConfig::SelectedFormat() const
{
    const int type = m_ctlType.GetCurSel();
    if (m_ctlSubType.GetCount() == 0)
        return m_catalog.GetFormat(type);
    return m_catalog.GetSubFormat(type, m_ctlSubType.GetCurSel());
}

void CImgFileConfig::OnSelchangeOutfilType()
{
    m_ctlSubType.EnableWindow(FALSE);
    m_ctlQuality.EnableWindow(FALSE);
    m_ctlSubType.SetCurSel(-1);
    m_ctlSubType.ResetContent();
    const int type = m_ctlType.GetCurSel();
    if (type < 0)
        return;

    const int subs = m_catalog.GetSubCount(type);
    if (subs > 0) {
        m_ctlSubType.EnableWindow(TRUE);
        for (int i = 0; i < subs; ++i)
            if (m_ctlSubType.AddString(m_catalog.GetSubName(type, i)) != i)
                break;
        m_ctlSubType.SetCurSel(m_catalog.GetDefaultSub(type));
        const BOOL quality = m_catalog.HasQuality(type);
        m_ctlQuality.EnableWindow(quality);
        if (quality) {
            m_ctlQuality.SetRangeMin(m_catalog.GetQualityMin(type), FALSE);
            m_ctlQuality.SetRangeMax(m_catalog.GetQualityMax(type), FALSE);
            m_ctlQuality.SetPos(m_catalog.GetDefaultQuality(type));
        }
    }
    m_strTypeExt = m_catalog.GetTypeExt(type, "jpg");
    m_nFormat = SelectedFormat();
    InitPictColorModeCtrl();
    OnSelchangeOutfilColmode();
}

void CImgFileConfig::OnSelchangeOutfilSubtype()
{
    m_nFormat = SelectedFormat();
    InitPictColorModeCtrl();
    OnSelchangeOutfilColmode();
}

void CImgFileConfig::OnSelchangeOutfilColmode()
{
    const int sel = m_ctlColorMode.GetCurSel();
    CString text;
    if (sel >= 0)
        m_ctlColorMode.GetLBText(sel, text);
    const CPictCatalog::ColorMode* mode = sel >= 0 ? CPictCatalog::FindColorMode(text) : nullptr;
    m_nBitsPerPixel = mode ? mode->nBitsPerPixel : 24;
    m_nColorMode = mode ? (int)mode->nValue : 1;
    m_catalog.SetDefaultColorMode(m_nFormat, sel);
}

void CImgFileConfig::OnSetfocusOutfilEditRang()
{
    CheckRadioButton(IDC_OUTFIL_RANGE_ALL, IDC_OUTFIL_RANGE_PAGES, IDC_OUTFIL_RANGE_PAGES);
}

void CImgFileConfig::OnOutfilBrowse()
{
    if (!UpdateData(TRUE))
        return;
    CFolderDialog dlg(m_strOutPath, this, nullptr);
    dlg.m_strTitle.LoadString(IDS_OUTFIL_BROWSE_TITLE);
    if (dlg.DoBrowse()) {
        m_strOutPath = dlg.GetFolder();
        UpdateData(FALSE);
    }
}

int CImgFileConfig::CheckOutputFolder()
{
    if (CKXDiskFile::IsFolder(m_strOutPath))
        return 1;
    if (AfxMessageBox(IDS_OUTFIL_CREATE_FOLDER, MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return 0;
    if (!::CreateDirectoryA(m_strOutPath, nullptr) && !CKXDiskFile::IsFolder(m_strOutPath)) {
        AfxMessageBox(IDS_OUTFIL_CREATE_FAILED, MB_OK);
        return 0;
    }
    return 1;
}

void CImgFileConfig::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_strOutPath.IsEmpty() || m_strOutName.IsEmpty()) {
        AfxMessageBox(IDS_OUTFIL_NEED_NAME, MB_OK);
        return;
    }
    if (!CheckOutputFolder())
        return;

    const int type = m_ctlType.GetCurSel();
    m_strTypeExt = m_catalog.GetTypeExt(type, "");
    m_nFormat = SelectedFormat();
    if (m_nFormat == kFormatTiff && (m_nColorMode == 0x10000 || m_nColorMode == 0x100000))
        m_nFormat = kFormatTiffCmyk;
    m_nQuality = m_ctlQuality.GetPos();
    m_catalog.SetDefaultType(type);
    // With no type chosen there is no type section to remember a quality in; writing one would
    // add a "PictType0" section to the catalogue.
    if (type >= 0)
        m_catalog.SetDefaultQuality(type, m_nQuality);

    switch (GetCheckedRadioButton(IDC_OUTFIL_RANGE_ALL, IDC_OUTFIL_RANGE_PAGES)) {
    case IDC_OUTFIL_RANGE_CURRENT:
        m_nFromPage = m_nToPage = m_nCurPage;
        break;
    case IDC_OUTFIL_RANGE_PAGES: {
        CString text;
        GetDlgItemText(IDC_OUTFIL_EDIT_RANG, text);
        const CStringEx range(text);
        const int fields = range.GetFieldCount('-');
        if (fields == 1) {
            m_nFromPage = m_nToPage = CStringEx(range.GetField(0, '-')).Int();
        } else if (fields > 1) {
            m_nFromPage = CStringEx(range.GetField(0, '-')).Int();
            m_nToPage = CStringEx(range.GetField(1, '-')).Int();
        } else {
            // Nothing typed is no page at all.
            m_nFromPage = m_nToPage = m_nFirstPage - 1;
        }
        break;
    }
    default:
        m_nFromPage = m_nFirstPage;
        m_nToPage = m_nLastPage;
        break;
    }
    if (m_nFromPage < m_nFirstPage || m_nFromPage > m_nLastPage || m_nToPage < m_nFirstPage
        || m_nToPage > m_nLastPage || m_nFromPage > m_nToPage) {
        AfxMessageBox(IDS_OUTFIL_BAD_RANGE, MB_OK);
        return;
    }

    WriteProfileString(kProfile, "picname", m_strOutName);
    WriteProfileString(kProfile, "picpath", m_strOutPath);
    WriteProfileInt(kProfile, "DPI", m_nDPI);
    EndDialog(IDOK);
}
