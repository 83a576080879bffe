// What the keying dialog and its batch form share: the view over the placeholder, the display
// and operation radios, the fine-tuning and defocus sliders with their buddy edits, the default
// background (none, a colour or a picture, kept in the host profile section "PrimatteWnd"),
// zoom, mouse tools, undo and redo, recomposition and the saving of the composite and the mask.
//
// How to derive from it:
//   1) pass the template and the memory of the last applied fine-tuning values of the derived
//      class (one per class, kept while the library is loaded);
//   2) in OnInitDialog call InitKeying() first, then what the dialog adds;
//   3) chain the message map to this class; map button 1075 yourself.
#pragma once
#include "PrimatteViewWnd.h"
#include "module/KxDialog.h"
#include <LineTrackBar.h>

// The fine-tuning values last handed to a view by one dialog class.
struct CKeyingMemory
{
    int nSpill, nTransparency, nDetail;
    int nDefocus, nShrink;
};

class KXCOMDLG_API CDlgPrimatteBase : public CKxDialog
{
public:
// Operations
    // The status text := the view's, then the controls from the fields.
    void UpdateMsg();
    // Enables the spill, transparency and detail group (bFineTuning) and the defocus group
    // (bDefocus); either way spill, transparency and detail go back to 0.
    void UpdateWin(int bFineTuning, int bDefocus);

// What the view calls back
    // The view shows another picture: the display radios follow.
    void ShowTypeChanged(int nShowType);
    // The view's key can now be fine tuned.
    void FineTuningReady() { if (m_hWnd) UpdateWin(1, 0); }

// Fields, bound to the controls by DoDataExchange
    int m_nShowType = 0;          // radios 10063..: composite, mask, foreground, background
    int m_nOpType = 0;            // radios 10069..: keying operation 0 to 8
    CString m_strMsg;             // label 1073
    int m_nSpill = 0;             // edit 27609, -100..100
    int m_nTransparency = 0;      // edit 27610, -100..100
    int m_nDetail = 0;            // edit 27611, -100..100
    int m_nDefocus = 0;           // edit 27616, 0..50
    int m_nShrink = 0;            // edit 27618, 0..100
    BOOL m_bInward = FALSE;       // check box 1074 "向内"
    int m_nDefBgMode = 1;         // radios 1082..: none, colour, picture
    CString m_strDefBgPicture;    // edit 1081

protected:
    CDlgPrimatteBase(UINT nIDTemplate, CWnd* pParentWnd, CKeyingMemory& lastApplied);

    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Enter and Escape do not end the dialog; only its buttons do.
    void OnOK() override {}
    void OnCancel() override {}

    // Window creation: the view is made as soon as the dialog window exists.
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    // The sliders, the default background from the profile and the view laid over 10062.
    void InitKeying();
    // A picture file into the view as the foreground; the display goes to the foreground and
    // the operation back to choosing the screen colour.
    void LoadForeground(const char* pszPath);
    // "重新合成": the whole key and composite recomputed and shown.
    void Recompose();
    void FocusView() { m_wndView.SetFocus(); }

// Handlers
    void OnBtnFg();
    void OnBtnBg();
    void OnRadView(UINT nID);
    void OnRadOp(UINT nID);
    void OnBtnSavecomp();
    void OnBtnSavemask();
    void OnBtnZoomin() { SendViewKey(VK_ADD); }
    void OnBtnZoomout() { SendViewKey(VK_SUBTRACT); }
    void OnBtnFitwin() { SendViewKey('1'); }
    void OnBtnActsize() { SendViewKey('2'); }
    void OnBtnPicker() { SetTool(1); }
    void OnBtnMove() { SetTool(2); }
    void OnBtnHand() { SetTool(3); }
    void OnBtnUndo();
    void OnBtnRedo();
    void OnChangeLineEdit1() { OnLineEditChanged(m_sldSpill, m_nSpill); }
    void OnChangeLineEdit2() { OnLineEditChanged(m_sldTransparency, m_nTransparency); }
    void OnChangeLineEdit3() { OnLineEditChanged(m_sldDetail, m_nDetail); }
    void OnChangeLineEdit11() { OnLineEditChanged(m_sldDefocus, m_nDefocus); }
    void OnChangeLineEdit22() { OnLineEditChanged(m_sldShrink, m_nShrink); }
    void OnChkInward();
    void OnBtnClose() { CDialog::OnCancel(); }
    void OnBtnBgclr();
    void OnBtnBgimg();
    void OnRadDefbg(UINT nID);
    void OnPaint();
    void OnBtnRecomp() { Recompose(); }

    CPrimatteViewWnd m_wndView;
    CLineTrackBar m_sldSpill, m_sldTransparency, m_sldDetail, m_sldDefocus, m_sldShrink;
    COLORREF m_clrDefBg = RGB(255, 255, 255);

private:
    void SendViewKey(UINT vk);
    void SetTool(int nTool);
    void OnLineEditChanged(CLineTrackBar& slider, const int& value);
    // Saves the view's composite or mask where the user chooses; a failed write is reported.
    void SavePicture(CDib* pPicture, UINT nIDTitle, const char* pszFileName);
    // The default background picture into the view's background, the display kept.
    void LoadDefaultBackground();

    CKeyingMemory& m_lastApplied;
    int m_nShowing = 0;   // depth of the exchanges writing fields into controls
    DECLARE_MESSAGE_MAP()
};
