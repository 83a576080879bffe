#include "HopOptDlg.h"
#include "SliceWnd.h"
#include "kxcbaseres.h"

namespace {

const int kMaxCells = 100;
const long kMaxDistance = 65535;

// The grid's fields, with the member each one stands for.
struct GridField
{
    UINT id;
    int HOPGRID::*member;
    int min, max;
};
const GridField kGridFields[] = {
    { IDC_KX_HOP_ROWS, &HOPGRID::nRows, 1, kMaxCells },      { IDC_KX_HOP_COLS, &HOPGRID::nCols, 1, kMaxCells },
    { IDC_KX_HOP_LEFT, &HOPGRID::nLeft, 0, kMaxDistance },   { IDC_KX_HOP_TOP, &HOPGRID::nTop, 0, kMaxDistance },
    { IDC_KX_HOP_RIGHT, &HOPGRID::nRight, 0, kMaxDistance }, { IDC_KX_HOP_BOTTOM, &HOPGRID::nBottom, 0, kMaxDistance },
    { IDC_KX_HOP_HGAP, &HOPGRID::nHGap, 0, kMaxDistance },   { IDC_KX_HOP_VGAP, &HOPGRID::nVGap, 0, kMaxDistance },
};

} // namespace

BEGIN_MESSAGE_MAP(CHopOptDlg, CDialog)
    ON_BN_CLICKED(IDC_KX_HOP_NONE, OnModeChanged)
    ON_BN_CLICKED(IDC_KX_HOP_GRID, OnModeChanged)
    ON_BN_CLICKED(IDC_KX_HOP_DETECT, OnModeChanged)
    ON_EN_CHANGE(IDC_KX_HOP_ROWS, OnGridChanged)
    ON_EN_CHANGE(IDC_KX_HOP_COLS, OnGridChanged)
    ON_EN_CHANGE(IDC_KX_HOP_LEFT, OnGridChanged)
    ON_EN_CHANGE(IDC_KX_HOP_TOP, OnGridChanged)
    ON_EN_CHANGE(IDC_KX_HOP_RIGHT, OnGridChanged)
    ON_EN_CHANGE(IDC_KX_HOP_BOTTOM, OnGridChanged)
    ON_EN_CHANGE(IDC_KX_HOP_HGAP, OnGridChanged)
    ON_EN_CHANGE(IDC_KX_HOP_VGAP, OnGridChanged)
END_MESSAGE_MAP()

CHopOptDlg::CHopOptDlg(CWnd* pParentWnd) : CDialog(IDD_KX_HOP_OPTIONS, pParentWnd) {}

int CHopOptDlg::CheckedMode() const
{
    const int id = GetCheckedRadioButton(IDC_KX_HOP_NONE, IDC_KX_HOP_DETECT);
    return id ? id - IDC_KX_HOP_NONE : KX_HOP_NONE;
}

void CHopOptDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_KX_HOP_NONE, m_nMode);
    DDX_CBIndex(pDX, IDC_KX_HOP_ORDER, m_grid.nOrder);
    // Only a grid has cells and margins: otherwise its fields are neither read nor checked.
    if (!pDX->m_bSaveAndValidate || m_nMode == KX_HOP_GRID) {
        for (const GridField& f : kGridFields) {
            DDX_Text(pDX, f.id, m_grid.*f.member);
            if (pDX->m_bSaveAndValidate)
                DDV_MinMaxInt(pDX, m_grid.*f.member, f.min, f.max);
        }
    }
}

BOOL CHopOptDlg::OnInitDialog()
{
    // The orders come from the string table, before the data exchange selects one.
    for (UINT id = IDS_HOP_ORDER_ROWS; id <= IDS_HOP_ORDER_COLUMNS_RTL; ++id) {
        CString text;
        text.LoadString(id);
        SendDlgItemMessage(IDC_KX_HOP_ORDER, CB_ADDSTRING, 0, (LPARAM)(LPCSTR)text);
    }
    CDialog::OnInitDialog();
    SendDlgItemMessage(IDC_KX_HOP_ROWS_SPIN, UDM_SETRANGE32, 1, kMaxCells);
    SendDlgItemMessage(IDC_KX_HOP_COLS_SPIN, UDM_SETRANGE32, 1, kMaxCells);
    EnableFields();
    ShowCount();
    return TRUE;
}

bool CHopOptDlg::ReadGrid(HOPGRID& grid) const
{
    grid = m_grid;
    for (const GridField& f : kGridFields) {
        BOOL ok = FALSE;
        const UINT value = GetDlgItemInt(f.id, &ok, FALSE);
        if (!ok || (long)value < f.min || (long)value > f.max)
            return false;
        grid.*f.member = (int)value;
    }
    const int order = (int)SendDlgItemMessage(IDC_KX_HOP_ORDER, CB_GETCURSEL);
    if (order >= 0)
        grid.nOrder = order;
    return true;
}

void CHopOptDlg::EnableFields()
{
    const int mode = CheckedMode();
    for (const GridField& f : kGridFields)
        GetDlgItem(f.id)->EnableWindow(mode == KX_HOP_GRID);
    GetDlgItem(IDC_KX_HOP_ROWS_SPIN)->EnableWindow(mode == KX_HOP_GRID);
    GetDlgItem(IDC_KX_HOP_COLS_SPIN)->EnableWindow(mode == KX_HOP_GRID);
    GetDlgItem(IDC_KX_HOP_ORDER)->EnableWindow(mode != KX_HOP_NONE);
}

void CHopOptDlg::ShowCount()
{
    const int mode = CheckedMode();
    CString text;
    HOPGRID grid;
    if (mode == KX_HOP_NONE) {
        text.LoadString(IDS_HOP_OFF);
    } else if (ReadGrid(grid) && m_countPositions) {
        CWaitCursor wait;   // finding the prints of a large scan takes a moment
        const int count = m_countPositions(mode, grid);
        if (count < 0)
            text.LoadString(IDS_HOP_NO_PICTURE);
        else if (count == 0)
            text.LoadString(mode == KX_HOP_DETECT ? IDS_HOP_NOTHING_FOUND : IDS_HOP_NO_CELL);
        else
            text.Format(IDS_HOP_COUNT, count);
    }
    SetDlgItemText(IDC_KX_HOP_COUNT, text);
}

void CHopOptDlg::OnModeChanged()
{
    EnableFields();
    ShowCount();
}

void CHopOptDlg::OnGridChanged()
{
    if (CheckedMode() == KX_HOP_GRID)
        ShowCount();
}
