#include "BatchWalk.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <FolderListing.h>
#include <KXDiskFile.h>
#include <afxdlgs.h>

namespace {

// The pictures of the current picture's folder and where the current one stands among them
// (-1 when it is not there).
struct CPlace
{
    explicit CPlace(const CString& source)
    {
        if (source.IsEmpty())
            return;
        pictures.ListFolderOf(source, CDib::IsImageExt);
        current = pictures.Find(CKXDiskFile(source).GetFileName());
    }
    int Count() const { return pictures.GetCount(); }
    CFolderListing pictures;
    int current = -1;
};

} // namespace

CBatchWalk::CBatchWalk(IBatchWalkOwner& owner, const char* pszSourcePath) : m_owner(owner)
{
    SetSourcePath(pszSourcePath);
}

BOOL CBatchWalk::IsPrevEnabled() const
{
    const CPlace place(m_strSourcePath);
    // Not in the folder: every picture of it counts as before.
    return place.current < 0 ? place.Count() > 0 : place.current > 0;
}

BOOL CBatchWalk::IsNextEnabled() const
{
    const CPlace place(m_strSourcePath);
    return place.current >= 0 && place.current < place.Count() - 1;
}

CString CBatchWalk::GetTarget(Move move) const
{
    const CPlace place(m_strSourcePath);
    const int n = place.Count(), at = place.current;
    int target = -1;
    switch (move) {
    case First: target = n > 0 && at != 0 ? 0 : -1; break;
    case Previous: target = at > 0 ? at - 1 : -1; break;
    case Next: target = at >= 0 && at < n - 1 ? at + 1 : -1; break;
    case Last: target = n > 0 && at != n - 1 ? n - 1 : -1; break;
    }
    return target >= 0 ? place.pictures.GetPathName(target) : CString();
}

void CBatchWalk::MoveTo(const char* pszPathName)
{
    const CString path(pszPathName);
    {
        CWaitCursor wait;
        m_owner.ArriveAt(path);
    }
    // The current picture even when it did not load, so the walk goes on from its name.
    m_strSourcePath = path;
}

void CBatchWalk::Go(Move move)
{
    const CString target = GetTarget(move);
    if (!target.IsEmpty())
        MoveTo(target);
    m_owner.OnUpdateBrowse();
}

void CBatchWalk::Open()
{
    CFileDialog dlg(TRUE, "*.*", "", OFN_HIDEREADONLY, "All Files (*.*)|*.*|", nullptr);
    if (dlg.DoModal() != IDOK)
        return;
    const CString path = dlg.GetPathName();
    if (!CDib::IsImageExt(path))
        return;
    MoveTo(path);
    m_owner.OnUpdateBrowse();
}

void CBatchWalk::ShowState(CWnd* pDlg) const
{
    const BOOL previous = !m_strSourcePath.IsEmpty() && IsPrevEnabled();
    const BOOL next = !m_strSourcePath.IsEmpty() && IsNextEnabled();
    for (UINT id : { IDC_BATCH_FIRST, IDC_BATCH_PREV })
        if (CWnd* pButton = pDlg->GetDlgItem(id))
            pButton->EnableWindow(previous);
    for (UINT id : { IDC_BATCH_NEXT, IDC_BATCH_LAST })
        if (CWnd* pButton = pDlg->GetDlgItem(id))
            pButton->EnableWindow(next);
    pDlg->SetDlgItemText(IDC_BATCH_SOURCE_PATH, m_strSourcePath);
}

void CBatchWalk::PostClick(CWnd* pDlg, UINT nID)
{
    HWND hButton = ::GetDlgItem(pDlg->m_hWnd, (int)nID);
    pDlg->PostMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), (LPARAM)hButton);
}

BOOL CBatchWalk::TranslateKeys(const MSG* pMsg, CWnd* pDlg, UINT nSaveID)
{
    if (pMsg->message != WM_KEYDOWN)
        return FALSE;
    switch (pMsg->wParam) {
    case VK_PRIOR: PostClick(pDlg, IDC_BATCH_PREV); return TRUE;
    case VK_NEXT: PostClick(pDlg, IDC_BATCH_NEXT); return TRUE;
    case VK_RETURN:
        if (!nSaveID)
            return FALSE;
        PostClick(pDlg, nSaveID);
        return TRUE;
    default: return FALSE;
    }
}
