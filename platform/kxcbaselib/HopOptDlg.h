// The clip window's positioning options: no positions, the cells of a grid (rows, columns,
// margins, gaps) or the prints found on a scanned sheet, and the order the box visits them in.
// Run by CSliceWnd::DlgHopOpt; fields in, fields out.
#pragma once
#include "kxcbaselib.h"
#include "TiltRect.h"
#include <functional>

class CHopOptDlg : public CDialog
{
public:
    explicit CHopOptDlg(CWnd* pParentWnd);

    int m_nMode = 0;       // KX_HOP_...
    HOPGRID m_grid;
    // How many positions a mode and grid give on the picture shown, -1 without one; the dialog
    // shows the number as the options change.
    std::function<int(int nMode, const HOPGRID& grid)> m_countPositions;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnModeChanged();
    void OnGridChanged();
    void EnableFields();
    void ShowCount();
    int CheckedMode() const;
    // The grid as typed, without checks; false while a field holds no number.
    bool ReadGrid(HOPGRID& grid) const;

    DECLARE_MESSAGE_MAP()
};
