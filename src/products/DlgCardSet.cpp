#include "DlgCardSet.h"
#include "kxcomdlgres.h"
#include <KXDiskFile.h>
#include <StringEx.h>
#include <cmath>

namespace {
const double kCmPerInch = 2.54;
const double kPaperResolution = 300.0;
const double kScreenResolution = 100.0;
const char kPaperSection[] = "paper";
// Screen types beyond this are hand-editing slips, not types a file describes.
const int kMaxLcdType = 9999;

double SoundNumber(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

// Lists the keys of section "paper" after "自定义", each by its text, or by its key name when the
// text is empty, so that every list position stays on its own key.
int ListSizes(const CIniStdioFile& ini, HWND hList, CStringArray& keys)
{
    CStringArray found;
    ini.GetKeysInSection(kPaperSection, found);
    for (int i = 0; i < found.GetSize(); ++i) {
        if (found[i].IsEmpty())
            continue;
        CString text = ini.GetValue(kPaperSection, found[i], "");
        if (text.IsEmpty())
            text = found[i];
        keys.Add(found[i]);
        if (hList)
            ::SendMessageA(hList, CB_ADDSTRING, 0, (LPARAM)(LPCSTR)text);
    }
    return keys.GetSize();
}
} // namespace

BEGIN_MESSAGE_MAP(CDlgCardSet, CKxDialog)
    ON_CBN_SELCHANGE(IDC_CARD_STDSIZE, OnSelchangeCombStsize)
    ON_CBN_SELCHANGE(IDC_CARD_UNIT, OnSelchangeCombRuler)
    ON_BN_CLICKED(IDC_CARD_LANDSCAPE, OnRadioDir)
    ON_BN_CLICKED(IDC_CARD_PORTRAIT, OnRadioDir)
END_MESSAGE_MAP()

CDlgCardSet::CDlgCardSet(CWnd* pParent)
    : CKxDialog(IDD_CARDSET, pParent), m_iniData(CIniStdioFile::modeWriteThrough),
      m_iniDataSys(CIniStdioFile::modeWriteThrough), m_iniLcd(CIniStdioFile::modeWriteThrough)
{
}

void CDlgCardSet::DoDataExchange(CDataExchange* pDX)
{
    CKxDialog::DoDataExchange(pDX);
    DDX_CBIndex(pDX, IDC_CARD_UNIT, m_nUnit);
    DDX_CBIndex(pDX, IDC_CARD_STDSIZE, m_nStdSize);
    DDX_Radio(pDX, IDC_CARD_PORTRAIT, m_nDirection);
    DDX_Text(pDX, IDC_CARD_HEIGHT, m_dHeight);
    DDX_Text(pDX, IDC_CARD_WIDTH, m_dWidth);
    DDX_Text(pDX, IDC_CARD_RESOLUTION, m_dResolution);
    DDX_CBIndex(pDX, IDC_CARD_RES_UNIT, m_nResUnit);
}

BOOL CDlgCardSet::OnInitDialog()
{
    // Values a host kept or a person edited may be anything: what no list or radio offers
    // opens as the first choice, and a number that is none as the default.
    if (m_nUnit < unitInch || m_nUnit > unitPixel)
        m_nUnit = unitInch;
    if (m_nDirection != directionLandscape)
        m_nDirection = directionPortrait;
    if (m_nResUnit != 1)
        m_nResUnit = 0;
    m_dWidth = SoundNumber(m_dWidth, 0.0);
    m_dHeight = SoundNumber(m_dHeight, 0.0);
    if (!(SoundNumber(m_dResolution, 0.0) > 0.0))
        m_dResolution = kPaperResolution;

    CKxDialog::OnInitDialog();
    InitStdPaper();
    // The host's standard size is shown once the list holds it, so a size chosen in one run
    // comes back selected in the next instead of being lost to "no selection".
    if (m_nStdSize < 0 || m_nStdSize > m_nPaperCount + m_nLcdCount)
        m_nStdSize = 0;
    UpdateData(FALSE);
    ShowEditStates();
    return TRUE;
}

void CDlgCardSet::InitStdPaper()
{
    m_iniData.Open(GetFileBesideExecutable("data.cfg"), 1, 1, 1, 0);
    m_iniDataSys.Open(GetFileBesideExecutable("datasys.cfg"), 1, 1, 1, 0);
    m_iniLcd.Open(GetFileBesideExecutable("profile\\lcd_system.ini"), 1, 1, 1, 0);
    m_bForLcd = CStringEx(m_iniData.GetValue("main", "forlcd", "0")).Int() == 1;

    const HWND hList = m_hWnd ? ::GetDlgItem(m_hWnd, IDC_CARD_STDSIZE) : nullptr;
    // A repeated call lists the files afresh rather than a second copy after the first.
    if (hList)
        while (::SendMessageA(hList, CB_GETCOUNT, 0, 0) > 1)
            ::SendMessageA(hList, CB_DELETESTRING, 1, 0);
    m_paperKeys.RemoveAll();
    m_lcdKeys.RemoveAll();
    m_nPaperCount = ListSizes(m_iniDataSys, hList, m_paperKeys);
    m_nLcdCount = m_bForLcd ? ListSizes(m_iniLcd, hList, m_lcdKeys) : 0;
}

CString CDlgCardSet::GetLcdSection(int nSize) const
{
    int type = m_iniLcd.GetValueInt("", "lcd_type", 0);
    if (type < 0 || type > kMaxLcdType)
        type = 0;
    CString section;
    section.Format("paper-%d-%d", nSize, type + 1);
    // A screen type the file gives no sizes for takes those of the first type.
    if (type != 0 && !m_iniLcd.IsSectionExist(section))
        section.Format("paper-%d-%d", nSize, 1);
    return section;
}

void CDlgCardSet::ShowEditStates()
{
    const int s = m_nStdSize;
    const BOOL fixedSize = s > 0;
    const BOOL screen = s > m_nPaperCount && s <= m_nPaperCount + m_nLcdCount;
    SendDlgItemMessage(IDC_CARD_WIDTH, EM_SETREADONLY, fixedSize);
    SendDlgItemMessage(IDC_CARD_HEIGHT, EM_SETREADONLY, fixedSize);
    SendDlgItemMessage(IDC_CARD_RESOLUTION, EM_SETREADONLY, screen);
}

void CDlgCardSet::OnSelchangeCombStsize()
{
    UpdateData(TRUE);
    const int s = m_nStdSize;
    ShowEditStates();
    if (s <= 0)
        return;

    double w = 0, h = 0;
    if (s <= m_nPaperCount) {
        const CString& key = m_paperKeys[s - 1];
        const int unit = m_iniDataSys.GetValueInt(key, "unit", unitInch);
        m_nUnit = unit >= unitInch && unit <= unitPixel ? unit : unitInch;
        w = CStringEx(m_iniDataSys.GetValue(key, "width", "0")).Double();
        h = CStringEx(m_iniDataSys.GetValue(key, "height", "0")).Double();
        m_dResolution = kPaperResolution;
    } else if (s <= m_nPaperCount + m_nLcdCount) {
        const CString section = GetLcdSection(s - m_nPaperCount);
        w = CStringEx(m_iniLcd.GetValue(section, "width", "0")).Double();
        h = CStringEx(m_iniLcd.GetValue(section, "height", "0")).Double();
        m_dResolution = kScreenResolution;
        m_nUnit = unitPixel;
    } else {
        return;
    }
    const bool landscape = m_nDirection == directionLandscape;
    m_dWidth = landscape ? h : w;
    m_dHeight = landscape ? w : h;
    UpdateData(FALSE);
}

void CDlgCardSet::OnSelchangeCombRuler()
{
    const int oldUnit = m_nUnit;
    const auto putBack = [this, oldUnit] {
        m_nUnit = oldUnit;
        SendDlgItemMessage(IDC_CARD_UNIT, CB_SETCURSEL, (WPARAM)oldUnit);
    };
    // The numbers stay in the unit they were typed in until they can be converted; a unit
    // shown over unconverted numbers would convert them wrongly at the next change.
    if (!UpdateData(TRUE)) {
        putBack();
        return;
    }
    const int newUnit = m_nUnit;
    if (newUnit == oldUnit)
        return;
    const double res = m_dResolution;
    if ((oldUnit == unitPixel || newUnit == unitPixel) && !(res > 0.0)) {
        putBack();
        AfxMessageBox(IDS_CARD_BAD_RESOLUTION, MB_OK);
        GetDlgItem(IDC_CARD_RESOLUTION)->SetFocus();
        return;
    }
    const auto convert = [&](double value) {
        switch (oldUnit * 3 + newUnit) {
        case unitInch * 3 + unitCentimetre:       return value * kCmPerInch;
        case unitInch * 3 + unitPixel:            return value * res;
        case unitCentimetre * 3 + unitInch:       return value / kCmPerInch;
        case unitCentimetre * 3 + unitPixel:      return res * (value / kCmPerInch);
        case unitPixel * 3 + unitInch:            return value / res;
        case unitPixel * 3 + unitCentimetre:      return value / res * kCmPerInch;
        default:                                  return value;
        }
    };
    m_dWidth = convert(m_dWidth);
    m_dHeight = convert(m_dHeight);
    UpdateData(FALSE);
}

void CDlgCardSet::OnRadioDir()
{
    const int oldDirection = m_nDirection;
    if (!UpdateData(TRUE)) {
        // The radios follow the numbers: turned only when width and height could be swapped.
        m_nDirection = oldDirection;
        CheckRadioButton(IDC_CARD_PORTRAIT, IDC_CARD_LANDSCAPE,
                         oldDirection == directionLandscape ? IDC_CARD_LANDSCAPE : IDC_CARD_PORTRAIT);
        return;
    }
    if (m_nDirection != oldDirection) {
        const double w = m_dWidth;
        m_dWidth = m_dHeight;
        m_dHeight = w;
    }
    UpdateData(FALSE);
}
