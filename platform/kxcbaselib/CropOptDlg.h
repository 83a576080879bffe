// The clip window's crop options: the kind of box (free, fixed size, fixed ratio) and its width
// and height, with a list of common ratios. Run by CSliceWnd::DlgCropOpt; fields in, fields out.
#pragma once
#include "kxcbaselib.h"

class CCropOptDlg : public CDialog
{
public:
    explicit CCropOptDlg(CWnd* pParentWnd);

    int m_nKind = 0;       // KX_CLIP_...; -1 shows no kind chosen
    long m_nWidth = 0;
    long m_nHeight = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnKindChanged();
    void OnPresetChanged();
    void OnSwap();
    // Selects the list's ratio of the width and height on show.
    void ShowPreset();
    void EnableFields();
    int CheckedKind() const;

    DECLARE_MESSAGE_MAP()
};
