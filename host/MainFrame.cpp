#include "MainFrame.h"
#include "resource.h"
#include "quickadjust/IM_IMAGE_ROTETA.h"
#include <algorithm>
#include <cmath>

BEGIN_MESSAGE_MAP(CMainFrame, CWnd)
    ON_WM_PAINT()
    ON_WM_DESTROY()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_COMMAND(ID_FILE_OPENFOLDER, OnFileOpenFolder)
    ON_COMMAND(ID_FILE_EXIT, OnFileExit)
    ON_COMMAND(ID_DLG_ROTATE, OnDlgRotate)
END_MESSAGE_MAP()

BOOL CMainFrame::Create(const char* pictureFolder)
{
    CString title;
    title.LoadString(IDS_APP_TITLE);
    HMENU menu = ::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINMENU));
    if (!CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW, 40, 30, 1000, 720, nullptr, menu))
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
    m_files.clear();
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA(m_folder + "*.*", &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && CDib::IsImageExt(fd.cFileName))
                m_files.push_back(fd.cFileName);
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    std::sort(m_files.begin(), m_files.end());
    SelectPicture(m_files.empty() ? -1 : 0);
}

CString CMainFrame::SelectedPath() const
{
    return m_selected >= 0 ? m_folder + m_files[(size_t)m_selected] : CString();
}

void CMainFrame::SelectPicture(int index)
{
    m_selected = index;
    m_picture.Free();
    if (index >= 0 && m_picture.Load(SelectedPath(), 0, 1, nullptr, nullptr) != 1)
        SetStatus("无法读取 " + SelectedPath());
    Invalidate();
}

void CMainFrame::SetStatus(const CString& text)
{
    m_status = text;
    Invalidate();
}

BOOL CMainFrame::OnEraseBkgnd(CDC*) { return TRUE; }

void CMainFrame::OnSize(UINT, int, int) { Invalidate(); }

void CMainFrame::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
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

void CMainFrame::OnDestroy() { Default(); }

void CMainFrame::OnFileOpenFolder()
{
    OpenFolder(m_folder);
}

void CMainFrame::OnFileExit() { DestroyWindow(); }

void CMainFrame::OnDlgRotate()
{
    CIM_IMAGE_ROTETA dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    CString status;
    status.Format("旋转画布: %g 度", dlg.m_fAngle);
    if (m_picture.IsValid())
        m_picture.Rotate((int)std::lround(dlg.m_fAngle * 100.0), 5, RGB(255, 255, 255));
    SetStatus(status);
}
