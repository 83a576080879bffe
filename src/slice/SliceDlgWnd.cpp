#include "SliceDlgWnd.h"
#include <IM_WINDOW.h>
#include <kxraii.h>

ISliceDlgOwner* CSliceDlgWnd::GetOwner() const
{
    if (m_nOwnerKind != KX_SLICE_OWNER_POSITION && m_nOwnerKind != KX_SLICE_OWNER_CROP)
        return nullptr;
    return dynamic_cast<ISliceDlgOwner*>(GetParent());
}

int CSliceDlgWnd::OnClipChanged()
{
    ISliceDlgOwner* pOwner = GetOwner();
    if (!pOwner)
        return 0;
    CDib clip;
    kx::unique_hglobal hClip(ClipImage());
    if (hClip)
        clip.Load(hClip.get(), 0, 1, nullptr, nullptr);
    if (CIM_WINDOW* pPreview = pOwner->GetClipPreview()) {
        // Without a clip (no picture, no box) the preview is emptied rather than left showing
        // the clip of a picture that has gone.
        if (pPreview->GetDib()->IsValid())
            pPreview->GetDib()->Free();
        pPreview->ShowDib(clip);
    }
    if (m_nOwnerKind == KX_SLICE_OWNER_POSITION)
        pOwner->SetNextPicName(pOwner->GetCurPicName());
    GetParent()->UpdateData(FALSE);
    return 0;
}
