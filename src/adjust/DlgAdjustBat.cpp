#include "DlgAdjustBat.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <Geometry.h>
#include <kxraii.h>
#include <algorithm>

BEGIN_MESSAGE_MAP(CDlgAdjustBat, CDlgAdjustBase)
    ON_WM_CREATE()
    ON_BN_CLICKED(IDC_ADJBAT_SAVE, OnBtnSave)
    ON_BN_CLICKED(IDC_BATCH_DIR, OnBtnDir)
    ON_BN_CLICKED(IDC_BATCH_AUTONUMBER, OnChkTail)
    ON_KX_BATCH_WALK_BUTTONS()
    ON_BN_CLICKED(IDC_ADJBAT_CROP, OnBtnCrop)
    ON_BN_CLICKED(IDC_ADJBAT_CROPSET, OnBtnCropset)
    ON_BN_CLICKED(IDC_ADJBAT_RESET, OnBtnReset)
    ON_BN_CLICKED(IDC_ADJBAT_CLOSE, OnBtnClose)
END_MESSAGE_MAP()

CDlgAdjustBat::CDlgAdjustBat(CDib* pDib, CString strPath, int nLayout)
    : CDlgAdjustBase(nLayout ? IDD_DLG_ADJUST_BAT_LARGE : IDD_DLG_ADJUST_BAT, nullptr), m_nLayout(nLayout),
      m_walk(*this, strPath)
{
    // The host's picture is copied, never changed; without one the path names the picture.
    if (pDib)
        m_picture.Copy(*pDib);
    else if (!strPath.IsEmpty())
        m_picture.Load(strPath, 0, 1, nullptr, nullptr);
    m_wndSlice.SetOwnerKind(KX_SLICE_OWNER_ADJUST);
}

CDlgAdjustBat::~CDlgAdjustBat() = default;

int CDlgAdjustBat::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDlgAdjustBase::OnCreate(lpCreateStruct) == -1)
        return -1;
    // Made before the template's controls; AttachViews lays it over its placeholder.
    return m_wndSlice.Create(WS_CHILD | WS_VISIBLE, nullptr, 0, this) ? 0 : -1;
}

void CDlgAdjustBat::DoDataExchange(CDataExchange* pDX)
{
    CDlgAdjustBase::DoDataExchange(pDX);
    m_output.DoDataExchange(pDX);
}

void CDlgAdjustBat::AttachViews()
{
    CDlgAdjustBase::AttachViews();
    m_wndSlice.LayOver(GetDlgItem(IDC_ADJ_AFTER_VIEW), FALSE);
}

BOOL CDlgAdjustBat::OnInitDialog()
{
    CDlgAdjustBase::OnInitDialog();
    m_output.Load(m_walk.GetSourcePath());
    ShowValues();
    // The navigation buttons and the path displays wait for the first refresh; the next picture
    // is read ahead already.
    PreloadNext();
    return TRUE;
}

void CDlgAdjustBat::ShowPicture()
{
    if (m_picture.IsValid())
        SetSrcDstDib(&m_picture);
}

CBatchPictureFit CDlgAdjustBat::ViewFit() const
{
    const CSize view = GetViewSize(IDC_ADJ_AFTER_VIEW);
    CBatchPictureFit fit;
    fit.nMaxWidth = view.cx;
    fit.nMaxHeight = view.cy;
    fit.bPortrait = m_nLayout != 0;
    return fit;
}

void CDlgAdjustBat::SetSrcDstDib(CDib* pDib)
{
    if (!pDib || !pDib->IsValid()) {
        const CDib none;
        m_wndBefore.ShowDib(none);
        m_wndSlice.SetDib(nullptr);
        return;
    }
    if (m_nLayout && pDib->GetWidth() > pDib->GetHeight())
        pDib->Rotate(9000, 5, 0);
    // Both views show what the picture looks like: reduced with its proportions kept.
    CDib copy;
    const CSize size = FitSize(*pDib, IDC_ADJ_AFTER_VIEW);
    const bool reduced = size.cx != pDib->GetWidth() || size.cy != pDib->GetHeight();
    if (reduced ? copy.Resize(*pDib, size.cx, size.cy, 2) : copy.Copy(*pDib))
        ShowReduced(copy);
}

void CDlgAdjustBat::ShowReduced(const CDib& reduced)
{
    m_wndBefore.ShowDib(reduced);
    m_wndSlice.UpdateDib(&reduced);
}

const CDib& CDlgAdjustBat::ViewPicture() const
{
    return *static_cast<const CSliceWnd&>(m_wndSlice).GetDib();
}

void CDlgAdjustBat::UpdatePreview()
{
    // Into the image the crop view shows; the clip box stays where it is, the picture keeping
    // its size.
    if (PreviewInto(*m_wndSlice.GetDib()))
        m_wndSlice.Invalidate(FALSE);
}

// ---- the folder walk --------------------------------------------------------------------------

void CDlgAdjustBat::ArriveAt(const CString& strPathName)
{
    std::unique_ptr<CBatchPicture> read = m_preload.Take(strPathName, ViewFit());
    if (!read) {
        read = std::make_unique<CBatchPicture>();
        CBatchPreloader::Load(strPathName, ViewFit(), *read);
    }
    // The working picture takes a copy: a few milliseconds into a buffer kept for pictures of
    // that size, against the second the read took.
    if (read->nResult == 1 && m_picture.Copy(read->picture)) {
        read->picture.Free();
        ShowReduced(read->reduced);
    } else {
        m_picture.Free();
        SetSrcDstDib(nullptr);
    }
    m_output.PictureReached(strPathName);
    ShowValues();
}

void CDlgAdjustBat::OnUpdateBrowse()
{
    m_walk.ShowState(this);
    m_output.m_strNextPath = GetCurPicName();
    ShowValues();
    if (ViewPicture().IsValid())
        ShowHeldClip();
    PostPreview();
    PreloadNext();
}

void CDlgAdjustBat::PreloadNext()
{
    m_preload.Request(m_walk.GetTarget(CBatchWalk::Next), ViewFit());
}

CString CDlgAdjustBat::GetCurPicName()
{
    if (m_hWnd)
        UpdateData(TRUE);
    return m_output.GetPathName();
}

// ---- crop ---------------------------------------------------------------------------------------

void CDlgAdjustBat::ShowHeldClip()
{
    const CDib& view = ViewPicture();
    double scale = 1;
    if (m_picture.IsValid())
        scale = std::min(view.GetWidth() / (double)m_picture.GetWidth(), view.GetHeight() / (double)m_picture.GetHeight());
    m_nShownKind = m_nClipKind;
    m_nShownWidth = Round(m_nClipWidth * scale);
    m_nShownHeight = Round(m_nClipHeight * scale);
    m_wndSlice.SetClipFlag(m_nShownKind, m_nShownWidth, m_nShownHeight);
}

void CDlgAdjustBat::ClipWorkingPicture(CDib* pBefore)
{
    // A clip that does not load leaves the working picture as it was.
    kx::unique_hglobal hClip(m_wndSlice.ClipImageDib(&m_picture));
    CDib clipped;
    if (!hClip || clipped.Load(hClip.get(), 0, 1, nullptr, nullptr) != 1)
        return;
    if (pBefore)
        pBefore->Swap(m_picture);
    m_picture.Swap(clipped);
}

void CDlgAdjustBat::OnBtnCrop()
{
    if (!ViewPicture().IsValid())
        return;
    if (m_wndSlice.HaveClipbox()) {
        m_wndSlice.HideClipbox();
        m_wndSlice.SetClipFlag(m_nClipKind, m_nClipWidth, m_nClipHeight);
        {
            CWaitCursor wait;
            ClipWorkingPicture();
            SetSrcDstDib(&m_picture);
        }
        OnUpdateBrowse();
        return;
    }
    // What the view holds now is what the dialog gave it, scaled, unless its options dialog set
    // other settings, which are in pixels of the full-size picture. Taking the scaled ones back
    // as full-size ones would shrink a fixed-size box at every press.
    int kind;
    long width, height;
    m_wndSlice.GetClipFlag(kind, width, height);
    if (kind != m_nShownKind || width != m_nShownWidth || height != m_nShownHeight) {
        m_nClipKind = kind;
        m_nClipWidth = width;
        m_nClipHeight = height;
    }
    if (m_nClipKind < 0)
        return;
    ShowHeldClip();
    m_wndSlice.ShowClipbox();
}

void CDlgAdjustBat::OnBtnCropset()
{
    m_wndSlice.DlgCropOpt();
    m_wndSlice.HideClipbox();
    OnBtnCrop();
}

// ---- save, reset, close -------------------------------------------------------------------------

void CDlgAdjustBat::OnBtnSave()
{
    if (!m_picture.IsValid())
        return;
    // The picture as it was before this save's crop: a save that is refused or fails puts it
    // back, so that the retry crops it once, as the box on screen shows, not a crop of a crop.
    CDib uncropped;
    if (m_wndSlice.HaveClipbox() && ViewPicture().IsValid()) {
        int kind;
        long width, height;
        m_wndSlice.GetClipFlag(kind, width, height);
        m_wndSlice.SetClipFlag(m_nClipKind, m_nClipWidth, m_nClipHeight);
        {
            CWaitCursor wait;
            ClipWorkingPicture(&uncropped);
        }
        m_wndSlice.SetClipFlag(kind, width, height);
        SetSrcDstDib(&m_picture);
        OnUpdateBrowse();
    }
    const auto putBack = [&] {
        if (!uncropped.IsValid())
            return;
        m_picture.Swap(uncropped);
        SetSrcDstDib(&m_picture);
        OnUpdateBrowse();
    };
    if (!UpdateData(TRUE)) {
        putBack();
        return;
    }
    // The adjustment goes into a copy: the working picture stays unadjusted, so a save that is
    // refused, fails, or is repeated at the last picture adjusts it once, never twice.
    CDib adjusted;
    {
        CWaitCursor wait;
        if (!adjusted.Copy(m_picture)) {
            CBatchOutput::ReportSaveFailed(m_output.GetPathName());
            putBack();
            return;
        }
        m_values.Apply(adjusted);
    }
    if (m_output.Save(this, &adjusted, m_walk.GetSourcePath()) != CBatchOutput::Saved) {
        putBack();
        return;
    }
    adjusted.Free();
    m_output.AnnounceSaved(this);
    m_walk.Go(CBatchWalk::Next);
}

void CDlgAdjustBat::OnBtnReset()
{
    // What the user typed elsewhere (name, folder) is kept: the controls are read first.
    UpdateDataQuietly();
    const int channel = m_values.m_nHueChannel;
    m_values = CAdjustValues();
    m_values.m_nHueChannel = channel;
    for (CLineTrackBar* slider : { &m_sldRed, &m_sldGreen, &m_sldBlue, &m_sldBright, &m_sldContrast, &m_sldSatu })
        slider->SetPos(0, 0);
    ShowValues();
    PostPreview();
}

void CDlgAdjustBat::OnBtnClose()
{
    EndDialog(IDCANCEL);
}

BOOL CDlgAdjustBat::PreTranslateMessage(MSG* pMsg)
{
    // Page Up and Page Down browse, Enter saves.
    if (CBatchWalk::TranslateKeys(pMsg, this, IDC_ADJBAT_SAVE))
        return TRUE;
    if (pMsg->message == WM_KEYDOWN) {
        if (OnKeypadKey((UINT)pMsg->wParam))
            return TRUE;
        // With the keypad on, its arrows move the clip box.
        if (m_bKeypadOn && m_wndSlice.ForwardArrowKey(pMsg))
            return TRUE;
    } else if (m_wndSlice.IsDoubleClick(pMsg)) {
        OnBtnCrop();
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}
