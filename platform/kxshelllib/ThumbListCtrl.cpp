#include "ThumbListCtrl.h"
#include <FolderListing.h>
#include <Geometry.h>
#include <Parallel.h>
#include <kxraii.h>
#include <algorithm>
#include <new>

namespace {

// Space between a thumbnail's picture and the edge of its cell, for the frame.
const int kMargin = 3;

} // namespace

CThumbItem::CThumbItem() : m_pDib(new CDib) {}

CThumbItem::~CThumbItem()
{
    delete m_pSaveDib;
    delete m_pDib;
}

CThumbListCtrl::CThumbListCtrl() : m_thumbSize(96, 96) {}

CThumbListCtrl::~CThumbListCtrl()
{
    // The list's items point at ours: empty the list while both still exist.
    if (m_hWnd && ::IsWindow(m_hWnd))
        DeleteAllItems();
    if (m_hWnd && m_bOwnsWindow)
        DestroyWindow();
}

BOOL CThumbListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!CListCtrl::Create(dwStyle | LVS_ICON | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS, rect, pParentWnd, nID))
        return FALSE;
    return EnsureImageList();
}

void CThumbListCtrl::SetThumbSize(int cx, int cy)
{
    if (!m_items.empty() || cx < 2 * kMargin + 1 || cy < 2 * kMargin + 1)
        return;
    m_thumbSize = CSize(cx, cy);
    m_images.DeleteImageList();
    if (m_hWnd)
        EnsureImageList();
}

bool CThumbListCtrl::EnsureImageList()
{
    if (!m_images.GetSafeHandle()) {
        if (!m_images.Create(m_thumbSize.cx, m_thumbSize.cy, ILC_COLOR24, 16, 16))
            return false;
    }
    if (m_hWnd && (HIMAGELIST)SendMessage(LVM_GETIMAGELIST, LVSIL_NORMAL) != m_images.m_hImageList) {
        // The image list stays ours: the list must not destroy it with itself.
        ModifyStyle(0, LVS_SHAREIMAGELISTS);
        SetImageList(&m_images, LVSIL_NORMAL);
        SetIconSpacing(m_thumbSize.cx + 16, m_thumbSize.cy + 28);
    }
    return true;
}

int CThumbListCtrl::GetSelectedItem(int nStartAfter) const
{
    if (!m_hWnd || nStartAfter < -1)
        return -1;
    return GetNextItem(nStartAfter, LVNI_SELECTED);
}

CThumbItem* CThumbListCtrl::GetItemThumb(int nIndex) const
{
    if (!m_hWnd || nIndex < 0 || nIndex >= GetItemCount())
        return nullptr;
    return reinterpret_cast<CThumbItem*>(GetItemData(nIndex));
}

void CThumbListCtrl::RemoveAll()
{
    if (m_hWnd)
        DeleteAllItems();
    m_items.clear();
    if (m_images.GetSafeHandle())
        m_images.Remove(-1);
}

int CThumbListCtrl::LoadFolder(LPCSTR lpszFolder)
{
    RemoveAll();
    if (!lpszFolder || !*lpszFolder || !m_hWnd || !EnsureImageList())
        return 0;
    CFolderListing pictures;
    pictures.List(lpszFolder, CDib::IsImageExt);
    // Decoding is nearly all of the time and each file is independent: read them on every core,
    // then fill the list in name order on this thread, which owns the window.
    std::vector<std::unique_ptr<CThumbItem>> read(pictures.GetCount());
    KxParallelFor(pictures.GetCount(), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            try {
                read[i] = ReadThumb(pictures.GetPathName(i));
            } catch (const std::bad_alloc&) {
                // Left out as an unreadable file would be; the others still come.
            }
        }
    });
    for (std::unique_ptr<CThumbItem>& item : read) {
        if (item)
            InsertThumb(std::move(item));
    }
    return GetItemCount();
}

int CThumbListCtrl::AddPicture(LPCSTR lpszPath)
{
    if (!m_hWnd || !lpszPath || !EnsureImageList())
        return -1;
    std::unique_ptr<CThumbItem> item = ReadThumb(lpszPath);
    return item ? InsertThumb(std::move(item)) : -1;
}

std::unique_ptr<CThumbItem> CThumbListCtrl::ReadThumb(const CString& path) const
{
    auto item = std::make_unique<CThumbItem>();
    FILEINFO info = {};
    // Decoded at a reduced size where the file allows: a list of photographs would otherwise
    // decode every one of them in full only to throw nearly all of it away.
    if (item->m_pDib->LoadFitted(path, m_thumbSize.cx - 2 * kMargin, m_thumbSize.cy - 2 * kMargin, &info) != 1)
        return nullptr;
    item->m_strPath = path;
    item->m_nFileWidth = info.width;
    item->m_nFileHeight = info.height;
    return item;
}

int CThumbListCtrl::InsertThumb(std::unique_ptr<CThumbItem> item)
{
    item->m_nImage = m_images.Add(MakeThumbBitmap(*item->m_pDib).get());
    if (item->m_nImage < 0)
        return -1;

    CString name = item->m_strPath.Mid(item->m_strPath.ReverseFind('\\') + 1);
    LVITEMA lvi{};
    lvi.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    lvi.iItem = GetItemCount();
    lvi.pszText = const_cast<LPSTR>(name.GetString());
    lvi.iImage = item->m_nImage;
    lvi.lParam = reinterpret_cast<LPARAM>(item.get());
    const int index = InsertItem(&lvi);
    if (index < 0)
        return -1;
    m_items.push_back(std::move(item));
    return index;
}

kx::unique_hbitmap CThumbListCtrl::CreateThumbBitmap() const
{
    // A DIB section, drawn into in memory: a bitmap compatible with the screen costs a trip to
    // the display server for each thumbnail, which dominated the remaking of a selection.
    return std::move(kx::dib_section(nullptr, m_thumbSize.cx, m_thumbSize.cy, 24).bitmap);
}

void CThumbListCtrl::PaintThumb(HDC hdc, const CDib& dib) const
{
    RECT cell = { 0, 0, m_thumbSize.cx, m_thumbSize.cy };
    ::FillRect(hdc, &cell, ::GetSysColorBrush(COLOR_WINDOW));
    if (!dib.IsValid())
        return;
    RECT fit;
    GetProporCenterFitRect(RECT{ kMargin, kMargin, m_thumbSize.cx - kMargin, m_thumbSize.cy - kMargin },
                           dib.GetWidth(), dib.GetHeight(), fit);
    const CRect dest(fit);
    if (dest.Size() == CSize(dib.GetWidth(), dib.GetHeight())) {
        dib.Draw(hdc, dest);
    } else {
        // A caller gave the item a larger image: reduce it as the thumbnail was made.
        CDib reduced;
        reduced.Resize(dib, dest.Width(), dest.Height(), 2);
        reduced.Draw(hdc, dest);
    }
    RECT frame = { dest.left - 1, dest.top - 1, dest.right + 1, dest.bottom + 1 };
    ::FrameRect(hdc, &frame, ::GetSysColorBrush(COLOR_BTNSHADOW));
}

kx::unique_hbitmap CThumbListCtrl::MakeThumbBitmap(const CDib& dib) const
{
    kx::unique_hbitmap bitmap = CreateThumbBitmap();
    kx::unique_hdc hdc(::CreateCompatibleDC(nullptr));
    if (bitmap && hdc) {
        kx::select_object selected(hdc.get(), bitmap.get());
        PaintThumb(hdc.get(), dib);
    }
    return bitmap;
}

void CThumbListCtrl::UpdateThumbs(int nFirst, int nLast)
{
    const int count = GetItemCount();
    nFirst = std::max(nFirst, 0);
    nLast = std::min(nLast, count - 1);
    if (nFirst > nLast)
        return;
    // One bitmap and one DC for the whole range; the image list copies each thumbnail.
    kx::unique_hbitmap bitmap = CreateThumbBitmap();
    kx::unique_hdc hdc(::CreateCompatibleDC(nullptr));
    if (!bitmap || !hdc)
        return;
    for (int i = nFirst; i <= nLast; ++i) {
        CThumbItem* item = GetItemThumb(i);
        if (!item || item->m_nImage < 0)
            continue;
        {
            kx::select_object selected(hdc.get(), bitmap.get());
            PaintThumb(hdc.get(), *item->m_pDib);
        }
        m_images.Replace(item->m_nImage, bitmap.get());
    }
}

LRESULT CThumbListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The standard redraw of an item range shows the items' current images.
    if (message == LVM_REDRAWITEMS)
        UpdateThumbs((int)wParam, (int)lParam);
    return CListCtrl::WindowProc(message, wParam, lParam);
}
