#include "MainFrame.h"
#include "resource.h"
#include "quickadjust/IM_IMAGE_ROTETA.h"
#include "common/FileLocation.h"
#include "common/FolderDialog.h"
#include "outfile/ImgFileConfig.h"
#include "KXDiskFile.h"
#include "adjust/DlgAdjust.h"
#include <algorithm>
#include <cmath>

BEGIN_MESSAGE_MAP(CMainFrame, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_COMMAND(ID_FILE_OPENFOLDER, OnFileOpenFolder)
    ON_COMMAND(ID_FILE_EXIT, OnFileExit)
    ON_COMMAND(ID_DLG_ROTATE, OnDlgRotate)
    ON_COMMAND(ID_DLG_OUTFILE, OnDlgOutFile)
    ON_COMMAND(ID_DLG_FILELOC, OnDlgFileLocation)
    ON_COMMAND(ID_DLG_ADJUST, OnDlgAdjust)
    ON_COMMAND(ID_DLG_ADJUST_LARGE, OnDlgAdjustLarge)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_THUMBS, OnThumbChanged)
END_MESSAGE_MAP()

namespace {
const int kThumbPaneWidth = 250;
}

BOOL CMainFrame::Create(const char* pictureFolder)
{
    CString title;
    title.LoadString(IDS_APP_TITLE);
    HMENU menu = ::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINMENU));
    if (!CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 30, 1000, 720, nullptr, menu))
        return FALSE;
    CRect client;
    GetClientRect(&client);
    m_thumbs.SetThumbSize(96, 96);
    if (!m_thumbs.Create(WS_VISIBLE | WS_BORDER | WS_TABSTOP, CRect(0, 0, kThumbPaneWidth, client.bottom), this, IDC_THUMBS))
        return FALSE;
    OpenFolder(pictureFolder);
    return TRUE;
}

void CMainFrame::PostNcDestroy() { ::PostQuitMessage(0); }

void CMainFrame::OpenFolder(const char* folder)
{
    m_folder = folder;
    if (!m_folder.IsEmpty() && m_folder[m_folder.GetLength() - 1] != '\\')
        m_folder += '\\';
    m_selected = -1;
    m_picture.Free();
    if (m_thumbs.LoadFolder(m_folder) > 0)
        m_thumbs.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Invalidate();
}

CString CMainFrame::SelectedPath() const
{
    const CThumbItem* item = m_thumbs.GetItemThumb(m_selected);
    return item ? item->m_strPath : CString();
}

void CMainFrame::SelectPicture(int index)
{
    if (index == m_selected)
        return;
    m_selected = index;
    m_picture.Free();
    if (index >= 0 && m_picture.Load(SelectedPath(), 0, 1, nullptr, nullptr) != 1)
        SetStatus("无法读取 " + SelectedPath());
    Invalidate();
}

void CMainFrame::PictureChanged()
{
    CThumbItem* item = m_thumbs.GetItemThumb(m_selected);
    if (item && item->m_pDib && m_picture.IsValid()) {
        item->m_pDib->Resize(m_picture, item->m_pDib->GetWidth(), item->m_pDib->GetHeight(), 2);
        m_thumbs.RedrawItems(m_selected, m_selected);
    }
    Invalidate();
}

void CMainFrame::OnThumbChanged(NMHDR* pNMHDR, LRESULT* pResult)
{
    const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if ((nm->uChanged & LVIF_STATE) && (nm->uNewState & LVIS_SELECTED) && !(nm->uOldState & LVIS_SELECTED))
        SelectPicture(nm->iItem);
    *pResult = 0;
}

CRect CMainFrame::PictureArea() const
{
    CRect client;
    GetClientRect(&client);
    client.left += kThumbPaneWidth;
    return client;
}

void CMainFrame::SetStatus(const CString& text)
{
    m_status = text;
    Invalidate();
}

BOOL CMainFrame::OnEraseBkgnd(CDC*) { return TRUE; }

void CMainFrame::OnSize(UINT, int, int cy)
{
    if (m_thumbs.m_hWnd)
        m_thumbs.MoveWindow(0, 0, kThumbPaneWidth, cy);
    Invalidate();
}

void CMainFrame::OnPaint()
{
    CPaintDC dc(this);
    const CRect client = PictureArea();
    dc.FillSolidRect(&client, RGB(48, 48, 52));
    CRect area = client;
    area.DeflateRect(12, 12);
    area.bottom -= 28;
    if (m_picture.IsValid() && area.Width() > 0 && area.Height() > 0) {
        // Fitted and centred, keeping its proportions.
        const double scale = std::min(area.Width() / (double)m_picture.GetWidth(), area.Height() / (double)m_picture.GetHeight());
        const int w = std::max(1, (int)std::lround(m_picture.GetWidth() * std::min(scale, 1.0)));
        const int h = std::max(1, (int)std::lround(m_picture.GetHeight() * std::min(scale, 1.0)));
        CRect dest(area.left + (area.Width() - w) / 2, area.top + (area.Height() - h) / 2, 0, 0);
        dest.right = dest.left + w;
        dest.bottom = dest.top + h;
        m_picture.Draw(dc, dest);
    }
    CString line = SelectedPath();
    if (!m_status.IsEmpty())
        line += "    " + m_status;
    CRect text(client.left + 12, client.bottom - 30, client.right - 12, client.bottom - 6);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(230, 230, 230));
    dc.SelectObject(::GetStockObject(DEFAULT_GUI_FONT));
    dc.DrawText(line, line.GetLength(), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void CMainFrame::OnFileOpenFolder()
{
    CFolderDialog dlg(m_folder, this, nullptr);
    dlg.m_strTitle = "选择图片文件夹";
    if (dlg.DoBrowse())
        OpenFolder(dlg.GetFolder());
}

void CMainFrame::OnFileExit() { DestroyWindow(); }

void CMainFrame::OnDlgRotate()
{
    CIM_IMAGE_ROTETA dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    CString status;
    status.Format("旋转画布: %g 度", dlg.m_fAngle);
    if (m_picture.IsValid()) {
        m_picture.Rotate((int)std::lround(dlg.m_fAngle * 100.0), 5, RGB(255, 255, 255));
        PictureChanged();
    }
    SetStatus(status);
}

void CMainFrame::OnDlgOutFile()
{
    // The host's side of the output settings: write the shown picture where and how the user said.
    CImgFileConfig dlg(this);
    dlg.m_nFirstPage = dlg.m_nLastPage = dlg.m_nCurPage = 1;
    if (dlg.DoModal() != IDOK || !m_picture.IsValid())
        return;
    CString folder = dlg.m_strOutPath;
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '\\')
        folder += '\\';
    CString path;
    path.Format("%s%s.%s", (const char*)folder, (const char*)dlg.m_strOutName,
                (const char*)(dlg.m_strTypeExt.IsEmpty() ? CString("jpg") : dlg.m_strTypeExt));
    CDib out(m_picture);
    out.SetXRes(dlg.m_nDPI);
    out.SetYRes(dlg.m_nDPI);
    CString status;
    if (out.Save(path, dlg.m_nFormat, dlg.m_nBitsPerPixel, dlg.m_nQuality > 0 ? dlg.m_nQuality : 2) == 1)
        status.Format("已保存 %s (%d DPI)", (const char*)path, dlg.m_nDPI);
    else
        status.Format("无法保存 %s", (const char*)path);
    SetStatus(status);
}

void CMainFrame::OnDlgFileLocation()
{
    // A picture whose stored folder is gone: ask where it lies now.
    CString name = SelectedPath();
    name = name.Mid(name.ReverseFind('\\') + 1);
    if (name.IsEmpty())
        return;
    CKXDiskFile file("C:\\照片\\旧位置\\" + name);
    CFileLocation dlg(this);
    dlg.m_pFile = &file;
    dlg.m_strMessage.Format("找不到图像文件 %s。\n请指定它现在所在的文件夹。", (const char*)name);
    if (dlg.GetDefault() || dlg.DoModal() == IDOK)
        SetStatus("找到 " + file.GetPathName());
}

void CMainFrame::RunAdjust(int nLayout)
{
    // The dialog adjusts the selected picture in place when the user confirms.
    CDlgAdjust dlg(SelectedDib(), this, nLayout);
    if (dlg.DoModal() != IDOK)
        return;
    PictureChanged();
    SetStatus("图像调整: 已应用");
}
