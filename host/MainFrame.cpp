#include "MainFrame.h"
#include "DemoHost.h"
#include "resource.h"
#include "common/FolderDialog.h"
#include <Geometry.h>

BEGIN_MESSAGE_MAP(CMainFrame, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_COMMAND(ID_FILE_OPENFOLDER, OnFileOpenFolder)
    ON_COMMAND(ID_FILE_EXIT, OnFileExit)
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
    CDemoBuilder::Get().BuildMenu(menu);
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

BOOL CMainFrame::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (lParam == 0 && CDemoBuilder::Get().RunCommand(LOWORD(wParam), *this))
        return TRUE;
    return CWnd::OnCommand(wParam, lParam);
}

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
    // Reduced to the area with its proportions kept, never enlarged, and centred.
    CRect dest;
    if (m_picture.IsValid() && GetProporCenterFitRect(area, m_picture.GetWidth(), m_picture.GetHeight(), dest))
        m_picture.Draw(dc, dest);
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
