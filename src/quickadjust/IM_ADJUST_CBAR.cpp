#include "IM_ADJUST_CBAR.h"
#include "kxcomdlgres.h"
#include <algorithm>
#include <cstdlib>

namespace {
// What the value boxes hold at most: "-999" .. "1000"; the slider's own "-1000" is the exception.
const int kMaxValueChars = 4;
} // namespace

BEGIN_MESSAGE_MAP(CIM_ADJUST_CBAR, CKxDialog)
    ON_EN_CHANGE(IDC_QUICK_EDIT1, OnChangeEdit1)
    ON_EN_CHANGE(IDC_QUICK_EDIT2, OnChangeEdit2)
    ON_EN_CHANGE(IDC_QUICK_EDIT3, OnChangeEdit3)
    ON_EN_KILLFOCUS(IDC_QUICK_EDIT1, OnKillfocusEdit1)
    ON_EN_KILLFOCUS(IDC_QUICK_EDIT2, OnKillfocusEdit2)
    ON_EN_KILLFOCUS(IDC_QUICK_EDIT3, OnKillfocusEdit3)
END_MESSAGE_MAP()

CIM_ADJUST_CBAR::CIM_ADJUST_CBAR(CWnd* pParent) : CKxDialog(IDD_IM_ADJUST_CBAR, pParent) {}

INT_PTR CIM_ADJUST_CBAR::DoModal()
{
    if (!m_pThumbList)
        return IDCANCEL;
    // Saved before the dialog opens, so every slider move starts again from these images.
    m_items.clear();
    for (int i = m_pThumbList->GetSelectedItem(-1); i >= 0; i = m_pThumbList->GetSelectedItem(i)) {
        CThumbItem* item = m_pThumbList->GetItemThumb(i);
        if (!item || !item->m_pDib)
            continue;
        if (!item->m_pSaveDib)
            item->m_pSaveDib = new CDib;
        // A thumbnail without its saved copy would be lost to 取消: it is left out, unchanged.
        if (!item->m_pSaveDib->Copy(*item->m_pDib))
            continue;
        m_items.push_back({ i, item });
    }
    return CKxDialog::DoModal();
}

void CIM_ADJUST_CBAR::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_QUICK_EDIT1, m_strValue1);
    DDV_MaxChars(pDX, m_strValue1, kMaxValueChars);
    DDX_Text(pDX, IDC_QUICK_EDIT2, m_strValue2);
    DDV_MaxChars(pDX, m_strValue2, kMaxValueChars);
    DDX_Text(pDX, IDC_QUICK_EDIT3, m_strValue3);
    DDV_MaxChars(pDX, m_strValue3, kMaxValueChars);
}

BOOL CIM_ADJUST_CBAR::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_sliders.Attach(this, m_sldBrightness, IDC_QUICK_SLIDER1, IDC_QUICK_EDIT1, -1000, 1000, 0, m_nBrightness);
    m_sliders.Attach(this, m_sldContrast, IDC_QUICK_SLIDER2, IDC_QUICK_EDIT2, -1000, 1000, 0, m_nContrast);
    m_sliders.Attach(this, m_sldSaturation, IDC_QUICK_SLIDER3, IDC_QUICK_EDIT3, -1000, 1000, 0, m_nSaturation);
    // As the sliders, the results start at 0 on every run.
    m_sliders.ReadAll();
    KeepListVisible();
    return TRUE;
}

void CIM_ADJUST_CBAR::KeepListVisible()
{
    // The thumbnails are the preview: a dialog lying over them would hide what it changes. It
    // moves beside the list, right of it or else left, when the screen has room there.
    if (!m_pThumbList->m_hWnd || !::IsWindowVisible(m_pThumbList->m_hWnd))
        return;
    CRect dialog, list, overlap;
    GetWindowRect(&dialog);
    m_pThumbList->GetWindowRect(&list);
    if (!overlap.IntersectRect(&dialog, &list))
        return;
    MONITORINFO monitor = { sizeof monitor };
    if (!::GetMonitorInfoA(::MonitorFromRect(&list, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const CRect work(monitor.rcWork);
    const int top = std::max<int>(work.top, std::min<int>(list.top, work.bottom - dialog.Height()));
    if (list.right + dialog.Width() <= work.right)
        SetWindowPos(nullptr, list.right, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    else if (list.left - dialog.Width() >= work.left)
        SetWindowPos(nullptr, list.left - dialog.Width(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CIM_ADJUST_CBAR::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KX_SLIDER_CHANGED) {
        m_sliders.ReadAll();
        AdjustItems();
    }
    return CKxDialog::WindowProc(message, wParam, lParam);
}

bool CIM_ADJUST_CBAR::IsStillInList(const SavedItem& saved) const
{
    // An item the host removed meanwhile is not ours to touch.
    return m_pThumbList->GetItemThumb(saved.index) == saved.item && saved.item->m_pSaveDib;
}

void CIM_ADJUST_CBAR::AdjustItems()
{
    ForEachItem([this](CThumbItem& item) {
        CDib& image = *item.m_pDib;
        // Without memory for the copy the thumbnail keeps its last look rather than going empty.
        if (!image.Copy(*item.m_pSaveDib))
            return;
        image.ChangeBrightness(m_nBrightness);
        image.ChangeContrast(m_nContrast);
        image.ChangeSaturation(m_nSaturation);
    });
}

void CIM_ADJUST_CBAR::ForEachItem(const std::function<void(CThumbItem&)>& change)
{
    // Each run of neighbouring items is redrawn with one request: redrawing hundreds of items
    // one by one costs more than changing them.
    int first = -1, last = -2;
    auto redraw = [&] {
        if (first >= 0)
            m_pThumbList->RedrawItems(first, last);
    };
    for (const SavedItem& saved : m_items) {
        if (!IsStillInList(saved))
            continue;
        change(*saved.item);
        if (saved.index != last + 1) {
            redraw();
            first = saved.index;
        }
        last = saved.index;
    }
    redraw();
}

void CIM_ADJUST_CBAR::OnValueTyped(CLineTrackBar& slider, const CString& text, int& typed)
{
    // The slider showing its own position is not the user's typing.
    if (!slider.m_hWnd || !slider.NeedSendMessage())
        return;
    if (!UpdateData(TRUE))
        return;
    typed = std::atoi(text);
    // The box keeps what is being typed ("-" on the way to "-50"); it shows the position again
    // when the focus leaves it.
    slider.SetPosFromBuddy(typed, 1);
}

CLineTrackBar* CIM_ADJUST_CBAR::SliderOfBuddy(int nBuddyID)
{
    switch (nBuddyID) {
    case IDC_QUICK_EDIT1: return &m_sldBrightness;
    case IDC_QUICK_EDIT2: return &m_sldContrast;
    case IDC_QUICK_EDIT3: return &m_sldSaturation;
    default: return nullptr;
    }
}

void CIM_ADJUST_CBAR::OnDataValidateError(CDataExchange* pDX, const CString& strPrompt, UINT nIDPrompt)
{
    // A slider at -1000 writes five characters into its box: its own text is a value, not an
    // over-long entry, and must not stop OK or the typing in the other boxes.
    if (CLineTrackBar* slider = SliderOfBuddy(pDX->GetLastControlID())) {
        CString shown, position;
        GetDlgItemText(pDX->GetLastControlID(), shown);
        position.Format("%d", slider->GetPos());
        if (shown == position)
            return;
    }
    CKxDialog::OnDataValidateError(pDX, strPrompt, nIDPrompt);
}

void CIM_ADJUST_CBAR::OnCancel()
{
    ForEachItem([](CThumbItem& item) {
        // The saved copy goes only once it is back.
        if (item.m_pDib->Copy(*item.m_pSaveDib))
            item.m_pSaveDib->Free();
    });
    CDialog::OnCancel();
}
