#include "CropDlg.h"
#include "kxcomdlgres.h"
#include <Geometry.h>

BEGIN_MESSAGE_MAP(CCropDlg, CSliceDlgBase)
    ON_BN_CLICKED(IDC_CROP_ROTATE, OnBtnRotate)
END_MESSAGE_MAP()

CCropDlg::CCropDlg(struct_LEAD_Bitmap* pBitmap, CString strPath, double dCropRatio)
    : CSliceDlgBase(IDD_CROP, pBitmap, strPath, KX_SLICE_OWNER_CROP), m_dCropRatio(dCropRatio)
{
}

BOOL CCropDlg::PreTranslateMessage(MSG* pMsg)
{
    if (CBatchWalk::TranslateKeys(pMsg, this, 0) || TranslateViewKeys(pMsg))
        return TRUE;
    return CSliceDlgBase::PreTranslateMessage(pMsg);
}

void CCropDlg::PrepareClipbox()
{
    const CDib& picture = GetViewPicture();
    if (m_dCropRatio <= 0 || !picture.IsValid())
        return;
    // The largest box of the ratio on this picture; pictures reached later get the view's box.
    const int W = picture.GetWidth(), H = picture.GetHeight();
    long width = W, height = H;
    if (m_dCropRatio > W / (double)H)
        height = Round(W / m_dCropRatio);
    else
        width = Round(H * m_dCropRatio);
    // A box held to a ratio has no positions to hop to.
    m_wndClip.SetHopMode(KX_HOP_NONE);
    m_wndClip.SetHopParam(0, 0, 0, 0, 1, 1);
    m_wndClip.SetClipFlag(KX_CLIP_RATIO, width, height);
}

void CCropDlg::OnBtnRotate()
{
    CDib* pPicture = m_wndClip.GetDib();
    if (!pPicture->IsValid())
        return;
    // A quarter turn moves every pixel unchanged; the view then fits the turned picture and
    // keeps the box where it was relative to it.
    pPicture->Rotate(9000, 5, 0);
    m_wndClip.UpdateDib(pPicture);
    m_wndClip.OnClipChanged();
}
