#include "DlgPrimatteBase.h"
#include "batch/BatchOutput.h"
#include "outfile/ImgFileDialog.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <afxdlgs.h>
#include <kxraii.h>

namespace {
const char kSection[] = "PrimatteWnd";
const COLORREF kDefaultBgColor = RGB(255, 255, 255);

const UINT kFineTuningControls[] = { IDC_PRIM_SPILL_EDIT, IDC_PRIM_TRANSPARENCY_EDIT, IDC_PRIM_DETAIL_EDIT,
                                     IDC_PRIM_SPILL, IDC_PRIM_TRANSPARENCY, IDC_PRIM_DETAIL };
const UINT kDefocusControls[] = { IDC_PRIM_DEFOCUS_EDIT, IDC_PRIM_SHRINK_EDIT, IDC_PRIM_DEFOCUS, IDC_PRIM_SHRINK,
                                  IDC_PRIM_INWARD };

// A number still being typed: nothing, or only its sign.
bool IsUnfinishedNumber(CString text)
{
    text.TrimLeft();
    text.TrimRight();
    return text.IsEmpty() || text == "-" || text == "+";
}
} // namespace

BEGIN_MESSAGE_MAP(CDlgPrimatteBase, CKxDialog)
    ON_WM_CREATE()
    ON_BN_CLICKED(IDC_PRIM_FOREGROUND, OnBtnFg)
    ON_BN_CLICKED(IDC_PRIM_BACKGROUND, OnBtnBg)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_PRIM_SHOW_COMPOSITE, IDC_PRIM_SHOW_BACKGROUND, OnRadView)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_PRIM_OP_FIRST, IDC_PRIM_OP_DEFOCUS, OnRadOp)
    ON_BN_CLICKED(IDC_PRIM_SAVE_COMPOSITE, OnBtnSavecomp)
    ON_BN_CLICKED(IDC_PRIM_SAVE_MASK, OnBtnSavemask)
    ON_BN_CLICKED(IDC_PRIM_ZOOM_IN, OnBtnZoomin)
    ON_BN_CLICKED(IDC_PRIM_ZOOM_OUT, OnBtnZoomout)
    ON_BN_CLICKED(IDC_PRIM_FIT, OnBtnFitwin)
    ON_BN_CLICKED(IDC_PRIM_ACTUAL, OnBtnActsize)
    ON_BN_CLICKED(IDC_PRIM_PICKER, OnBtnPicker)
    ON_BN_CLICKED(IDC_PRIM_EDIT_TOOL, OnBtnMove)
    ON_BN_CLICKED(IDC_PRIM_HAND, OnBtnHand)
    ON_BN_CLICKED(IDC_PRIM_UNDO, OnBtnUndo)
    ON_BN_CLICKED(IDC_PRIM_REDO, OnBtnRedo)
    ON_EN_CHANGE(IDC_PRIM_SPILL_EDIT, OnChangeLineEdit1)
    ON_EN_CHANGE(IDC_PRIM_TRANSPARENCY_EDIT, OnChangeLineEdit2)
    ON_EN_CHANGE(IDC_PRIM_DETAIL_EDIT, OnChangeLineEdit3)
    ON_EN_CHANGE(IDC_PRIM_DEFOCUS_EDIT, OnChangeLineEdit11)
    ON_EN_CHANGE(IDC_PRIM_SHRINK_EDIT, OnChangeLineEdit22)
    ON_BN_CLICKED(IDC_PRIM_INWARD, OnChkInward)
    ON_BN_CLICKED(IDC_PRIM_CLOSE, OnBtnClose)
    ON_BN_CLICKED(IDC_PRIM_CHOOSE_COLOR, OnBtnBgclr)
    ON_BN_CLICKED(IDC_PRIM_CHOOSE_PICTURE, OnBtnBgimg)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_PRIM_DEFBG_COLOR, IDC_PRIM_DEFBG_PICTURE, OnRadDefbg)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_PRIM_DEFBG_NONE, IDC_PRIM_DEFBG_NONE, OnRadDefbg)
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_PRIM_RECOMPOSE, OnBtnRecomp)
END_MESSAGE_MAP()

CDlgPrimatteBase::CDlgPrimatteBase(UINT nIDTemplate, CWnd* pParentWnd, CKeyingMemory& lastApplied)
    : CKxDialog(nIDTemplate, pParentWnd), m_lastApplied(lastApplied)
{
}

void CDlgPrimatteBase::DoDataExchange(CDataExchange* pDX)
{
    // Writing the fields into the controls changes the buddy edits: that is not the user's
    // typing, and reading the controls back halfway through would undo the fields not yet shown.
    const int showing = pDX->m_bSaveAndValidate ? 0 : 1;
    m_nShowing += showing;
    auto shown = kx::scope_exit([&] { m_nShowing -= showing; });
    CKxDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_PRIM_SHOW_COMPOSITE, m_nShowType);
    DDX_Radio(pDX, IDC_PRIM_OP_FIRST, m_nOpType);
    DDX_Text(pDX, IDC_PRIM_STATUS, m_strMsg);
    DDX_Text(pDX, IDC_PRIM_SPILL_EDIT, m_nSpill);
    DDV_MinMaxInt(pDX, m_nSpill, -100, 100);
    DDX_Text(pDX, IDC_PRIM_TRANSPARENCY_EDIT, m_nTransparency);
    DDV_MinMaxInt(pDX, m_nTransparency, -100, 100);
    DDX_Text(pDX, IDC_PRIM_DETAIL_EDIT, m_nDetail);
    DDV_MinMaxInt(pDX, m_nDetail, -100, 100);
    DDX_Text(pDX, IDC_PRIM_DEFOCUS_EDIT, m_nDefocus);
    DDV_MinMaxInt(pDX, m_nDefocus, 0, 50);
    DDX_Text(pDX, IDC_PRIM_SHRINK_EDIT, m_nShrink);
    DDV_MinMaxInt(pDX, m_nShrink, 0, 100);
    DDX_Check(pDX, IDC_PRIM_INWARD, m_bInward);
    DDX_Radio(pDX, IDC_PRIM_DEFBG_NONE, m_nDefBgMode);
    DDX_Text(pDX, IDC_PRIM_DEFBG_PATH, m_strDefBgPicture);
}

// ---- creation and initialisation --------------------------------------------------------------

int CDlgPrimatteBase::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CKxDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    // Laid over its placeholder once the template's controls exist.
    m_wndView.Create(WS_CHILD | WS_VISIBLE, nullptr, 0, this);
    return 0;
}

void CDlgPrimatteBase::InitKeying()
{
    CKxDialog::OnInitDialog();

    // Attaching and initialising a slider writes its buddy edit; the values go back afterwards.
    struct SliderInit { CLineTrackBar& slider; UINT id; UINT buddy; int lo; int hi; int& value; };
    SliderInit sliders[] = {
        { m_sldSpill, IDC_PRIM_SPILL, IDC_PRIM_SPILL_EDIT, -100, 100, m_nSpill },
        { m_sldTransparency, IDC_PRIM_TRANSPARENCY, IDC_PRIM_TRANSPARENCY_EDIT, -100, 100, m_nTransparency },
        { m_sldDetail, IDC_PRIM_DETAIL, IDC_PRIM_DETAIL_EDIT, -100, 100, m_nDetail },
        { m_sldDefocus, IDC_PRIM_DEFOCUS, IDC_PRIM_DEFOCUS_EDIT, 0, 50, m_nDefocus },
        { m_sldShrink, IDC_PRIM_SHRINK, IDC_PRIM_SHRINK_EDIT, 0, 100, m_nShrink },
    };
    int kept[5];
    for (int i = 0; i < 5; ++i)
        kept[i] = sliders[i].value;
    for (SliderInit& s : sliders) {
        s.slider.SubclassDlgItem(s.id, this);
        s.slider.InitControl(s.buddy, 0, s.lo, 0, s.hi, 1, 1, 0);
    }
    for (int i = 0; i < 5; ++i)
        sliders[i].value = kept[i];
    for (SliderInit& s : sliders)
        s.slider.SetLastValNotice(1);
    for (SliderInit& s : sliders)
        s.slider.SetPos(s.value, 1);

    m_clrDefBg = (COLORREF)GetProfileInt(kSection, "defclr", (int)kDefaultBgColor);
    m_strDefBgPicture = GetProfileString(kSection, "bgimgfile", "");
    m_wndView.SetDefaultBgColor(m_nDefBgMode, m_clrDefBg);

    if (CWnd* pArea = GetDlgItem(IDC_PRIM_VIEW_AREA)) {
        CRect rect;
        pArea->GetWindowRect(&rect);
        ScreenToClient(&rect);
        ::SetWindowPos(m_wndView.m_hWnd, HWND_TOP, rect.left, rect.top, rect.Width(), rect.Height(), SWP_SHOWWINDOW);
    }
}

// ---- the slider groups ------------------------------------------------------------------------

void CDlgPrimatteBase::UpdateMsg()
{
    m_strMsg = m_wndView.GetMsg();
    UpdateData(FALSE);
}

void CDlgPrimatteBase::UpdateWin(int bFineTuning, int bDefocus)
{
    for (UINT id : kFineTuningControls)
        if (CWnd* pItem = GetDlgItem(id))
            pItem->EnableWindow(bFineTuning != 0);
    for (UINT id : kDefocusControls)
        if (CWnd* pItem = GetDlgItem(id))
            pItem->EnableWindow(bDefocus != 0);
    m_nSpill = m_nTransparency = m_nDetail = 0;
    m_sldSpill.SetPos(0, 0);
    m_sldTransparency.SetPos(0, 0);
    m_sldDetail.SetPos(0, 0);
    UpdateData(FALSE);
}

LRESULT CDlgPrimatteBase::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KX_SLIDER_CHANGED) {
        // A refused value is reported and the exchange stops there; what was read is applied.
        UpdateData(TRUE);
        // The memory is the class's, not the dialog's: a value applied by an earlier run of the
        // same dialog is not handed to the view again.
        CKeyingMemory& last = m_lastApplied;
        if (m_nOpType == KX_OP_FINETUNE) {
            if (m_nSpill != last.nSpill || m_nTransparency != last.nTransparency || m_nDetail != last.nDetail) {
                m_wndView.SetFineTuningVal(m_nSpill, m_nTransparency, m_nDetail);
                last.nSpill = m_nSpill;
                last.nTransparency = m_nTransparency;
                last.nDetail = m_nDetail;
            }
        } else if (m_nOpType == KX_OP_DEFOCUS) {
            if (m_nDefocus != last.nDefocus || m_nShrink != last.nShrink) {
                m_wndView.SetDefocusShrinkVal(m_nDefocus, m_nShrink);
                last.nDefocus = m_nDefocus;
                last.nShrink = m_nShrink;
            }
        }
    }
    return CKxDialog::DefWindowProc(message, wParam, lParam);
}

void CDlgPrimatteBase::OnLineEditChanged(CLineTrackBar& slider, const int& value)
{
    // Our own writes (the fields shown, the slider showing its position) are not the user's.
    if (m_nShowing || !slider.m_hWnd || !slider.NeedSendMessage())
        return;
    // "-" on the way to "-25" is not a refused value yet: the user is still typing.
    CString text;
    GetDlgItemText(slider.GetBuddyID(), text);
    if (IsUnfinishedNumber(text))
        return;
    SendMessage(WM_KX_SLIDER_CHANGED);
    slider.SetPos(value, 0);
}

void CDlgPrimatteBase::OnChkInward()
{
    UpdateData(TRUE);
    m_wndView.SetInwardFlag(m_bInward);
}

// ---- display and operation --------------------------------------------------------------------

void CDlgPrimatteBase::ShowTypeChanged(int nShowType)
{
    m_nShowType = nShowType;
    if (m_hWnd)
        UpdateData(FALSE);
}

void CDlgPrimatteBase::OnRadView(UINT)
{
    UpdateData(TRUE);
    m_wndView.ShowImage(m_nShowType, 1);
    UpdateMsg();
    FocusView();
}

void CDlgPrimatteBase::OnRadOp(UINT)
{
    UpdateData(TRUE);
    // The view enables fine tuning again once the new operation's key is ready.
    UpdateWin(0, m_nOpType == KX_OP_DEFOCUS ? 1 : 0);
    m_wndView.SetOpType(m_nOpType);
    FocusView();
}

void CDlgPrimatteBase::SendViewKey(UINT vk)
{
    m_wndView.SendMessage(WM_KEYDOWN, vk, 0);
    FocusView();
}

void CDlgPrimatteBase::SetTool(int nTool)
{
    m_wndView.SetToolType(nTool);
    FocusView();
}

void CDlgPrimatteBase::OnBtnUndo()
{
    CWaitCursor wait;
    m_wndView.Undo();
    FocusView();
}

void CDlgPrimatteBase::OnBtnRedo()
{
    CWaitCursor wait;
    m_wndView.Redo();
    FocusView();
}

void CDlgPrimatteBase::Recompose()
{
    CWaitCursor wait;
    m_wndView.PrimatteImage(-1, -1, 0, 0);
    m_wndView.ShowImage(KX_SHOW_COMPOSITE, 1);
}

// ---- pictures ---------------------------------------------------------------------------------

namespace {
// The open form of the image file dialog with the title of the string; the chosen path or "".
CString ChoosePicture(UINT nIDTitle)
{
    CString title;
    title.LoadString(nIDTitle);
    CImgFileDialog dlg(TRUE, nullptr, nullptr, nullptr);
    dlg.m_lpszCaption = title;
    return dlg.DoModal() == IDOK ? dlg.GetPathName() : CString();
}
} // namespace

void CDlgPrimatteBase::LoadForeground(const char* pszPath)
{
    // A picture that does not open leaves the view without a foreground, so nothing keyed of
    // the previous one stays on screen, and the status text says why.
    m_wndView.LoadFile(pszPath, KX_PRIM_FOREGROUND);
    m_nShowType = KX_SHOW_FOREGROUND;
    m_nOpType = KX_OP_PICKSCREEN;
    UpdateData(FALSE);
    m_wndView.SetOpType(KX_OP_PICKSCREEN);
    UpdateMsg();
    FocusView();
}

void CDlgPrimatteBase::OnBtnFg()
{
    const CString path = ChoosePicture(IDS_PRIM_CHOOSE_FOREGROUND);
    if (path.IsEmpty())
        return;
    CWaitCursor wait;
    LoadForeground(path);
}

void CDlgPrimatteBase::OnBtnBg()
{
    const CString path = ChoosePicture(IDS_PRIM_CHOOSE_BACKGROUND);
    if (path.IsEmpty())
        return;
    m_nDefBgMode = 0;
    UpdateData(FALSE);
    m_wndView.SetDefaultBgColor(0, m_clrDefBg);
    CWaitCursor wait;
    m_wndView.LoadFile(path, KX_PRIM_BACKGROUND);
    m_nShowType = KX_SHOW_BACKGROUND;
    UpdateData(FALSE);
    UpdateMsg();
    FocusView();
}

void CDlgPrimatteBase::SavePicture(CDib* pPicture, UINT nIDTitle, const char* pszFileName)
{
    // Without a foreground there is no picture to write.
    if (!pPicture || !pPicture->IsValid())
        return;
    CString title;
    title.LoadString(nIDTitle);
    CImgFileDialog dlg(FALSE, "jpg", pszFileName, nullptr);
    dlg.m_lpszCaption = title;
    if (dlg.DoModal() != IDOK)
        return;
    const CString path = dlg.GetPathName();
    {
        CWaitCursor wait;
        if (pPicture->SaveFile(path, dlg.m_nFormat, dlg.m_nBits, 2, 2) != 1)
            CBatchOutput::ReportSaveFailed(path);
    }
    FocusView();
}

void CDlgPrimatteBase::OnBtnSavecomp()
{
    SavePicture(m_wndView.GetComposite(), IDS_PRIM_SAVE_COMPOSITE, m_wndView.m_strFileName);
}

void CDlgPrimatteBase::OnBtnSavemask()
{
    SavePicture(m_wndView.GetMask(), IDS_PRIM_SAVE_MASK, nullptr);
}

// ---- the default background -------------------------------------------------------------------

void CDlgPrimatteBase::LoadDefaultBackground()
{
    CWaitCursor wait;
    const int kind = m_wndView.m_nShowType;
    if (m_wndView.LoadFile(m_strDefBgPicture, KX_PRIM_BACKGROUND) == 1) {
        m_wndView.ShowImage(kind, 1);
        FocusView();
    }
}

void CDlgPrimatteBase::OnBtnBgclr()
{
    CColorDialog dlg(m_clrDefBg, 0, this);
    if (dlg.DoModal() != IDOK)
        return;
    m_nDefBgMode = 1;
    UpdateData(FALSE);
    m_clrDefBg = dlg.GetColor();
    m_wndView.SetDefaultBgColor(1, m_clrDefBg);
    Invalidate(FALSE);
    WriteProfileInt(kSection, "defclr", (int)m_clrDefBg);
}

void CDlgPrimatteBase::OnBtnBgimg()
{
    const CString path = ChoosePicture(IDS_PRIM_CHOOSE_DEFBG);
    if (path.IsEmpty())
        return;
    m_strDefBgPicture = path;
    m_nDefBgMode = 2;
    UpdateData(FALSE);
    m_wndView.SetDefaultBgColor(2, m_clrDefBg);
    LoadDefaultBackground();
    // Stored even when it did not load: the path is the user's choice.
    WriteProfileString(kSection, "bgimgfile", m_strDefBgPicture);
}

void CDlgPrimatteBase::OnRadDefbg(UINT)
{
    UpdateData(TRUE);
    m_wndView.SetDefaultBgColor(m_nDefBgMode, m_clrDefBg);
    if (m_nDefBgMode == 2 && !m_strDefBgPicture.IsEmpty())
        LoadDefaultBackground();
}

void CDlgPrimatteBase::OnPaint()
{
    CPaintDC dc(this);
    CWnd* pSwatch = GetDlgItem(IDC_PRIM_SWATCH);
    if (!pSwatch)
        return;
    CBrush brush(m_clrDefBg);
    CRect rect;
    pSwatch->GetClientRect(&rect);
    pSwatch->ClientToScreen(&rect);
    ScreenToClient(&rect);
    // Inside the etched edge of the frame.
    rect.left += 3;
    rect.top += 3;
    rect.right -= 4;
    rect.bottom -= 4;
    dc.FillRect(&rect, brush);
}
