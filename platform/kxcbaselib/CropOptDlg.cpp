#include "CropOptDlg.h"
#include "SliceWnd.h"
#include "kxcbaseres.h"
#include <cstdio>
#include <numeric>

namespace {

const long kMaxSide = 65535;

// "16:9" gives 16 and 9; anything else (the "custom" entry) gives nothing.
bool ParseRatio(const CString& text, long& width, long& height)
{
    long w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(text, "%ld:%ld%c", &w, &h, &rest) != 2 || w <= 0 || h <= 0)
        return false;
    width = w;
    height = h;
    return true;
}

} // namespace

BEGIN_MESSAGE_MAP(CCropOptDlg, CDialog)
    ON_BN_CLICKED(IDC_KX_CROP_FREE, OnKindChanged)
    ON_BN_CLICKED(IDC_KX_CROP_SIZE, OnKindChanged)
    ON_BN_CLICKED(IDC_KX_CROP_RATIO, OnKindChanged)
    ON_CBN_SELCHANGE(IDC_KX_CROP_PRESET, OnPresetChanged)
    ON_BN_CLICKED(IDC_KX_CROP_SWAP, OnSwap)
    ON_EN_CHANGE(IDC_KX_CROP_WIDTH, ShowPreset)
    ON_EN_CHANGE(IDC_KX_CROP_HEIGHT, ShowPreset)
END_MESSAGE_MAP()

CCropOptDlg::CCropOptDlg(CWnd* pParentWnd) : CDialog(IDD_KX_CROP_OPTIONS, pParentWnd) {}

int CCropOptDlg::CheckedKind() const
{
    const int id = GetCheckedRadioButton(IDC_KX_CROP_FREE, IDC_KX_CROP_RATIO);
    return id ? id - IDC_KX_CROP_FREE : -1;
}

void CCropOptDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_KX_CROP_FREE, m_nKind);
    // A free box has no size: its fields are neither read nor checked.
    if (!pDX->m_bSaveAndValidate || m_nKind == KX_CLIP_SIZE || m_nKind == KX_CLIP_RATIO) {
        DDX_Text(pDX, IDC_KX_CROP_WIDTH, m_nWidth);
        if (pDX->m_bSaveAndValidate)
            DDV_MinMaxLong(pDX, m_nWidth, 1, kMaxSide);
        DDX_Text(pDX, IDC_KX_CROP_HEIGHT, m_nHeight);
        if (pDX->m_bSaveAndValidate)
            DDV_MinMaxLong(pDX, m_nHeight, 1, kMaxSide);
    }
}

BOOL CCropOptDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendDlgItemMessage(IDC_KX_CROP_WIDTH_SPIN, UDM_SETRANGE32, 1, kMaxSide);
    SendDlgItemMessage(IDC_KX_CROP_HEIGHT_SPIN, UDM_SETRANGE32, 1, kMaxSide);
    ShowPreset();
    EnableFields();
    return TRUE;
}

void CCropOptDlg::ShowPreset()
{
    // The list shows the ratio the numbers stand for (1200 x 900 is "4:3"), else "custom".
    BOOL okW = FALSE, okH = FALSE;
    const long width = (long)GetDlgItemInt(IDC_KX_CROP_WIDTH, &okW, FALSE);
    const long height = (long)GetDlgItemInt(IDC_KX_CROP_HEIGHT, &okH, FALSE);
    int preset = 0;
    if (okW && okH && width > 0 && height > 0) {
        const long g = std::gcd(width, height);
        CComboBox* list = static_cast<CComboBox*>(GetDlgItem(IDC_KX_CROP_PRESET));
        for (int i = 1; i < list->GetCount(); ++i) {
            CString text;
            list->GetLBText(i, text);
            long w, h;
            if (ParseRatio(text, w, h) && w == width / g && h == height / g)
                preset = i;
        }
    }
    SendDlgItemMessage(IDC_KX_CROP_PRESET, CB_SETCURSEL, preset);
}

void CCropOptDlg::EnableFields()
{
    const int kind = CheckedKind();
    const bool sized = kind == KX_CLIP_SIZE || kind == KX_CLIP_RATIO;
    for (UINT id : { IDC_KX_CROP_WIDTH, IDC_KX_CROP_WIDTH_SPIN, IDC_KX_CROP_HEIGHT, IDC_KX_CROP_HEIGHT_SPIN, IDC_KX_CROP_SWAP })
        GetDlgItem(id)->EnableWindow(sized);
    CString unit;
    unit.LoadString(kind == KX_CLIP_RATIO ? IDS_CROP_UNIT_RATIO : IDS_CROP_UNIT_PIXELS);
    SetDlgItemText(IDC_KX_CROP_UNIT, sized ? (const char*)unit : "");
}

void CCropOptDlg::OnKindChanged()
{
    EnableFields();
}

void CCropOptDlg::OnPresetChanged()
{
    CComboBox* list = static_cast<CComboBox*>(GetDlgItem(IDC_KX_CROP_PRESET));
    const int sel = list->GetCurSel();
    if (sel < 0)
        return;
    CString text;
    list->GetLBText(sel, text);
    long w, h;
    if (!ParseRatio(text, w, h))
        return;
    // Choosing a ratio means the box keeps it.
    CheckRadioButton(IDC_KX_CROP_FREE, IDC_KX_CROP_RATIO, IDC_KX_CROP_RATIO);
    SetDlgItemInt(IDC_KX_CROP_WIDTH, (UINT)w, FALSE);
    SetDlgItemInt(IDC_KX_CROP_HEIGHT, (UINT)h, FALSE);
    EnableFields();
}

void CCropOptDlg::OnSwap()
{
    CString w, h;
    GetDlgItemText(IDC_KX_CROP_WIDTH, w);
    GetDlgItemText(IDC_KX_CROP_HEIGHT, h);
    SetDlgItemText(IDC_KX_CROP_WIDTH, h);
    SetDlgItemText(IDC_KX_CROP_HEIGHT, w);
}
