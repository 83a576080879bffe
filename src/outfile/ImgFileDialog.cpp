#include "ImgFileDialog.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <algorithm>

IMPLEMENT_DYNAMIC(CImgFileDialog, CFileDialog)

namespace {
// What each filter row of strings 20000 to 20011 saves as.
struct FilterRow { const char* ext; int format; int bits; };
const FilterRow kRows[] = {
    { "jpg", KXFMT_JPEG, 24 },
    { "jpg", KXFMT_JPEG, 24 },
    { "tif", KXFMT_TIFF, 24 },
    { "tif", KXFMT_TIFF, 32 },
    { "bmp", KXFMT_BMP, 24 },
    { "bmp", KXFMT_BMP, 32 },
};
const int kPreviewSize = 100;
const int kPreviewMargin = 4;
const char kFrameProcProp[] = "KxImgFileDialogFrameProc";

// The file dialog remembers its size for the next one of the process when it is destroyed. The
// strip added for the preview is this dialog's own and is taken off first, so a later save
// dialog keeps the standard size and a later open dialog adds the strip to the size the user
// chose, not to the strip of the last one.
LRESULT CALLBACK FrameProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    static thread_local bool shrinking = false;
    const WNDPROC previous = reinterpret_cast<WNDPROC>(::GetPropA(hWnd, kFrameProcProp));
    if (!previous)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    if (message == WM_DESTROY) {
        // The frame's smallest size is the one it opened with, strip included.
        RECT rc;
        ::GetWindowRect(hWnd, &rc);
        shrinking = true;
        ::SetWindowPos(hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top - kPreviewSize,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        shrinking = false;
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        ::RemovePropA(hWnd, kFrameProcProp);
    }
    const LRESULT result = ::CallWindowProcA(previous, hWnd, message, wParam, lParam);
    if (message == WM_GETMINMAXINFO && shrinking) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.y = std::max(0L, info->ptMinTrackSize.y - kPreviewSize);
    }
    return result;
}
} // namespace

CImgFileDialog::CImgFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, CWnd* pParentWnd)
    : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, 0, nullptr, pParentWnd),
      m_strExt("jpg"), m_nFormat(KXFMT_JPEG), m_nBits(24)
{
    CResourceSwitch scope;
    // As long as the texts make it: a row cut off would offer fewer types than the table has.
    for (UINT id = IDS_IMGFILE_FILTER_FIRST; id <= IDS_IMGFILE_FILTER_LAST; ++id) {
        CString text;
        text.LoadString(id);
        m_filter.insert(m_filter.end(), (LPCSTR)text, (LPCSTR)text + text.GetLength());
        m_filter.push_back('\0');
    }
    m_filter.push_back('\0');
    if (!bOpenFileDialog)
        m_ofn.nFilterIndex = 2;
    TakeRow(1);
    m_ofn.lpstrFilter = m_filter.data();
    m_ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING;
}

CImgFileDialog::~CImgFileDialog()
{
    if (m_wndPreview.m_hWnd)
        m_wndPreview.DestroyWindow();
}

void CImgFileDialog::TakeRow(DWORD nRow)
{
    const DWORD count = sizeof kRows / sizeof kRows[0];
    const FilterRow& row = kRows[(nRow >= 1 && nRow <= count) ? nRow - 1 : 0];
    m_strExt = row.ext;
    m_nFormat = row.format;
    m_nBits = row.bits;
}

BOOL CImgFileDialog::OnInitDialog()
{
    CFileDialog::OnInitDialog();
    CWnd* pFrame = GetParent();
    if (!pFrame)
        return TRUE;
    if (m_lpszCaption)
        pFrame->SetWindowText(m_lpszCaption);
    if (IsOpenForm()) {
        CRect frame;
        pFrame->GetWindowRect(&frame);
        const int w = frame.Width(), h = frame.Height();
        pFrame->SetWindowPos(nullptr, 0, 0, w, h + kPreviewSize, SWP_NOMOVE | SWP_NOZORDER);
        m_rcPreview = CRect(w / 2 - kPreviewSize / 2, h - kPreviewSize / 2, w / 2 + kPreviewSize / 2,
                            h + kPreviewSize / 2);
        m_wndPreview.Create(pFrame, m_rcPreview, IDC_IMGFILE_PREVIEW, WS_VISIBLE | WS_BORDER);
        const LONG_PTR previous = ::SetWindowLongPtrA(pFrame->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameProc));
        ::SetPropA(pFrame->m_hWnd, kFrameProcProp, reinterpret_cast<HANDLE>(previous));
    }
    return TRUE;
}

void CImgFileDialog::OnInitDone()
{
    CFileDialog::OnInitDone();
    if (!m_wndPreview.m_hWnd)
        return;
    // The frame has fitted itself around its controls since OnInitDialog: keep the whole preview
    // inside it and below the standard controls.
    CWnd* pFrame = GetParent();
    CRect client;
    pFrame->GetClientRect(&client);
    int lowest = 0;
    for (HWND child = ::GetWindow(pFrame->m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child == m_wndPreview.m_hWnd || child == m_hWnd || !::IsWindowVisible(child))
            continue;
        RECT rc;
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(nullptr, pFrame->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        if (rc.bottom <= client.bottom - kPreviewSize / 2 && rc.right - rc.left < client.Width())
            lowest = std::max(lowest, (int)rc.bottom);
    }
    CRect rect = m_rcPreview;
    if (rect.bottom > client.bottom - kPreviewMargin)
        rect.OffsetRect(0, client.bottom - kPreviewMargin - rect.bottom);
    if (rect.top < lowest + kPreviewMargin)
        rect.OffsetRect(0, lowest + kPreviewMargin - rect.top);
    if (rect != m_rcPreview) {
        m_rcPreview = rect;
        m_wndPreview.MoveWindow(&rect);
    }
}

void CImgFileDialog::OnFileNameChange()
{
    if (IsOpenForm() && m_wndPreview.m_hWnd)
        m_wndPreview.Load(GetPathName());
    CFileDialog::OnFileNameChange();
}

void CImgFileDialog::OnTypeChange()
{
    CFileDialog::OnTypeChange();
    TakeRow(m_ofn.nFilterIndex);
}

BOOL ChooseStandardPicture(CString& strPath, CWnd* pParentWnd)
{
    CResourceSwitch scope;
    CString title;
    title.LoadString(IDS_ADJUST_STD_TITLE);
    CImgFileDialog dlg(TRUE, nullptr, nullptr, pParentWnd);
    dlg.m_lpszCaption = title;
    if (dlg.DoModal() != IDOK)
        return FALSE;
    strPath = dlg.GetPathName();
    return TRUE;
}
