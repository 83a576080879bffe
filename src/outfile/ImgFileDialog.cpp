#include "ImgFileDialog.h"
#include "resource.h"
#include <Dib.h>
#include <cstring>

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
} // namespace

CImgFileDialog::CImgFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, CWnd* pParentWnd)
    : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, 0, nullptr, pParentWnd),
      m_strExt("jpg"), m_nFormat(KXFMT_JPEG), m_nBits(24)
{
    std::memset(m_szFilter, 0, sizeof m_szFilter);
    CResourceSwitch scope;
    // Text, NUL, pattern, NUL, ... and the extra NUL that ends the list (the buffer is zeroed);
    // a string that would not fit ends the list instead of running past the buffer.
    size_t used = 0;
    for (UINT id = IDS_IMGFILE_FILTER_FIRST; id <= IDS_IMGFILE_FILTER_LAST; ++id) {
        CString text;
        text.LoadString(id);
        const size_t len = (size_t)text.GetLength();
        if (used + len + 2 > sizeof m_szFilter)
            break;
        std::memcpy(m_szFilter + used, (LPCSTR)text, len);
        used += len + 1;
    }
    if (!bOpenFileDialog)
        m_ofn.nFilterIndex = 2;
    TakeRow(1);
    m_ofn.lpstrFilter = m_szFilter;
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
        m_wndPreview.Create(pFrame, m_rcPreview, 1, WS_VISIBLE | WS_BORDER);
    }
    return TRUE;
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
