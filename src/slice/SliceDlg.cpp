#include "SliceDlg.h"
#include "kxcomdlgres.h"

namespace {
// Where the clip view keeps its positioning options between runs; a first run looks for the
// prints on the sheet.
const char kHopSection[] = "SliceWnd";
} // namespace

BEGIN_MESSAGE_MAP(CSliceDlg, CSliceDlgBase)
    ON_BN_CLICKED(IDC_SLICE_HOPSET, OnBtnHopset)
    ON_BN_CLICKED(IDC_SLICE_SAVE, OnBtnSave)
    ON_BN_CLICKED(IDC_BATCH_DIR, OnBtnDir)
    ON_BN_CLICKED(IDC_BATCH_AUTONUMBER, OnChkTail)
    ON_BN_CLICKED(IDC_SLICE_CLOSE, OnBtnClose)
END_MESSAGE_MAP()

CSliceDlg::CSliceDlg(struct_LEAD_Bitmap* pBitmap, CString strPath)
    : CSliceDlgBase(IDD_SLICE, pBitmap, strPath, KX_SLICE_OWNER_POSITION)
{
}

void CSliceDlg::DoDataExchange(CDataExchange* pDX)
{
    CSliceDlgBase::DoDataExchange(pDX);
    m_output.DoDataExchange(pDX);
}

CString CSliceDlg::GetCurPicName()
{
    UpdateData(TRUE);
    return m_output.GetPathName();
}

void CSliceDlg::LoadSettings()
{
    m_output.Load(GetSourcePath());
    UpdateData(FALSE);
    m_wndClip.EnableHopProfile(kHopSection, KX_HOP_DETECT);
}

void CSliceDlg::OnPictureReached(const char* pszPath)
{
    if (!m_output.m_bAutoNumber) {
        m_output.PictureReached(pszPath);
        UpdateData(FALSE);
    }
}

BOOL CSliceDlg::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_PRIOR || pMsg->wParam == VK_NEXT) && m_wndClip.CanHop()) {
        // The box hops back and on over this picture's positions.
        m_wndClip.SendMessage(WM_KEYDOWN, pMsg->wParam, pMsg->lParam);
        return TRUE;
    }
    if (CBatchWalk::TranslateKeys(pMsg, this, IDC_SLICE_SAVE) || TranslateViewKeys(pMsg))
        return TRUE;
    return CSliceDlgBase::PreTranslateMessage(pMsg);
}

void CSliceDlg::OnBtnHopset()
{
    m_wndClip.DlgHopOpt();
}

void CSliceDlg::OnBtnSave()
{
    // A refused or failed save leaves everything where it was, so the user can mend and retry;
    // without a clip only the settings are kept.
    if (m_output.Save(this, m_wndPreview.GetDib(), GetSourcePath()) != CBatchOutput::Saved)
        return;
    if (m_wndClip.HopNext(1) >= 0) {
        m_wndClip.ResetAngle();
        m_wndClip.OnClipChanged();
        return;
    }
    // The sheet is done: say where its last clip went and go on to the next one.
    m_output.AnnounceSaved(this);
    m_walk.Go(CBatchWalk::Next);
}

void CSliceDlg::OnBtnDir()
{
    m_output.ChooseFolder(this);
}

void CSliceDlg::OnChkTail()
{
    m_output.NumberingSwitched(this, GetSourcePath());
}

void CSliceDlg::OnBtnClose()
{
    EndDialog(IDCANCEL);
}
