#include "WizardDialog.h"
#include "kxcomdlgres.h"
#include <algorithm>

// ---------------------------------------------------------------------------------------------
// CWizardPage

BEGIN_MESSAGE_MAP(CWizardPage, CDialog)
    ON_WM_SETFOCUS()
END_MESSAGE_MAP()

CWizardPage::CWizardPage(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent), m_nTemplateID(nIDTemplate)
{
}

void CWizardPage::StatusChanged()
{
    if (m_hWnd)
        ::SendMessageA(::GetParent(m_hWnd), WM_KX_WIZARD_PAGE_STATUS, 0, reinterpret_cast<LPARAM>(&m_nStatus));
}

BOOL CWizardPage::PreTranslateMessage(MSG*) { return FALSE; }

void CWizardPage::OnSetFocus(CWnd* pOldWnd) { CDialog::OnSetFocus(pOldWnd); }

// ---------------------------------------------------------------------------------------------
// CWizardDialog

BEGIN_MESSAGE_MAP(CWizardDialog, CDialog)
    ON_MESSAGE(WM_KX_WIZARD_PAGE_STATUS, OnPageShow)
END_MESSAGE_MAP()

CWizardDialog::CWizardDialog(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent)
{
    CResourceSwitch scope;
    m_strBackCaption.LoadString(IDS_WIZARD_BACK);
    m_strNextCaption.LoadString(IDS_WIZARD_NEXT);
    m_strFinishCaption.LoadString(IDS_WIZARD_FINISH);
}

void CWizardDialog::AddPage(CWizardPage* pPage)
{
    if (!pPage)
        return;
    if (std::find(m_pages.begin(), m_pages.end(), pPage) == m_pages.end())
        m_pages.push_back(pPage);
    m_removed.erase(std::remove(m_removed.begin(), m_removed.end(), pPage), m_removed.end());
}

void CWizardDialog::InsertPage(CWizardPage* pPage, int nIndex)
{
    if (!pPage)
        return;
    if (std::find(m_pages.begin(), m_pages.end(), pPage) == m_pages.end()) {
        nIndex = std::min(std::max(nIndex, 0), GetPageCount());
        m_pages.insert(m_pages.begin() + nIndex, pPage);
    }
    m_removed.erase(std::remove(m_removed.begin(), m_removed.end(), pPage), m_removed.end());
}

void CWizardDialog::RemovePage(CWizardPage* pPage)
{
    if (!pPage || std::find(m_removed.begin(), m_removed.end(), pPage) != m_removed.end())
        return;
    m_pages.erase(std::remove(m_pages.begin(), m_pages.end(), pPage), m_pages.end());
    m_removed.push_back(pPage);
}

CWizardPage* CWizardDialog::GetPage(int nIndex)
{
    ASSERT_AT(nIndex >= 0 && nIndex < GetPageCount(), "WizardDialog", 206);
    return nIndex >= 0 && nIndex < GetPageCount() ? m_pages[(size_t)nIndex] : nullptr;
}

void CWizardDialog::EnableButton(int nID, BOOL bEnable)
{
    if (HWND h = nID ? ::GetDlgItem(m_hWnd, nID) : nullptr)
        ::EnableWindow(h, bEnable);
}

void CWizardDialog::SetButtonText(int nID, const CString& text)
{
    if (HWND h = nID ? ::GetDlgItem(m_hWnd, nID) : nullptr)
        ::SetWindowTextA(h, text);
}

INT_PTR CWizardDialog::DoModal()
{
    if (m_nPageAreaID == 0)
        return -1;
    return CDialog::DoModal();
}

BOOL CWizardDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_nCurrent = -1;
    if (m_strBaseTitle.IsEmpty())
        GetWindowText(m_strBaseTitle);
    SetWindowText(m_strBaseTitle);

    HWND hArea = m_nPageAreaID ? ::GetDlgItem(m_hWnd, m_nPageAreaID) : nullptr;
    if (!hArea) {
        EndDialog(-1);
        return TRUE;
    }
    CRect area;
    ::GetWindowRect(hArea, &area);
    ScreenToClient(&area);
    ::ShowWindow(hArea, SW_HIDE);

    if (!m_pages.empty()) {
        for (CWizardPage* pPage : m_pages) {
            if (!pPage->Create(pPage->m_nTemplateID, this)) {
                CloseAllPages();
                EndDialog(-1);
                return TRUE;
            }
            // The wizard's keyboard interface reaches into the page even when its template
            // forgot DS_CONTROL; only the current page is ever visible.
            ::SetWindowLongPtrA(pPage->m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrA(pPage->m_hWnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
            pPage->SetWindowPos(nullptr, area.left, area.top, area.Width(), area.Height(),
                                SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        }
        SetCurSel(0);
        EnableButton(m_nBackID, FALSE);
    }
    SetButtonText(m_nBackID, m_strBackCaption);
    SetButtonText(m_nNextID, m_strNextCaption);
    if (m_pages.size() == 1) {
        SetButtonText(m_nNextID, m_strFinishCaption);
        EnableButton(m_nBackID, FALSE);
    } else if (m_pages.empty()) {
        EnableButton(m_nBackID, FALSE);
        EnableButton(m_nNextID, FALSE);
    }
    return TRUE;
}

int CWizardDialog::SetCurSel(int nIndex)
{
    CWizardPage* pNext = GetPage(nIndex);
    if (!pNext)
        return 0;
    if (m_nCurrent >= 0 && m_nCurrent < GetPageCount()) {
        CWizardPage* pCurrent = m_pages[(size_t)m_nCurrent];
        if (!pCurrent->UpdateData(TRUE))
            return 0;
        pCurrent->ShowWindow(SW_HIDE);
    }
    CString title = m_strBaseTitle;
    m_nCurrent = nIndex;
    pNext->ShowWindow(SW_SHOW);
    EnableButton(m_nNextID, pNext->m_nStatus != 0);
    if (!pNext->m_strTitle.IsEmpty())
        title += " - " + pNext->m_strTitle;
    SetWindowText(title);
    return 1;
}

void CWizardDialog::OnBack()
{
    if (m_nCurrent > 0)
        SetCurSel(m_nCurrent - 1);
    if (m_nCurrent < GetPageCount() - 1)
        SetButtonText(m_nNextID, m_strNextCaption);
    if (m_nCurrent < 1)
        EnableButton(m_nBackID, FALSE);
}

void CWizardDialog::OnNext()
{
    if (m_nCurrent >= GetPageCount() - 1) {
        // Every page gives up its data before the wizard ends. A page that refuses keeps the
        // wizard open on it, so the host never reads data the user was told is wrong.
        for (int i = 0; i < GetPageCount(); ++i) {
            CWizardPage* pPage = m_pages[(size_t)i];
            if (pPage->UpdateData(TRUE))
                continue;
            if (i != m_nCurrent) {
                const HWND hBad = ::GetFocus();
                if (m_nCurrent >= 0 && m_nCurrent < GetPageCount())
                    m_pages[(size_t)m_nCurrent]->ShowWindow(SW_HIDE);
                m_nCurrent = -1;
                SetCurSel(i);
                SetButtonText(m_nNextID, i == GetPageCount() - 1 ? m_strFinishCaption : m_strNextCaption);
                EnableButton(m_nBackID, i > 0);
                if (hBad && ::IsChild(pPage->m_hWnd, hBad))
                    ::SetFocus(hBad);
            }
            return;
        }
        OnOK();
        return;
    }
    if (SetCurSel(m_nCurrent + 1)) {
        if (m_nCurrent == GetPageCount() - 1)
            SetButtonText(m_nNextID, m_strFinishCaption);
        EnableButton(m_nBackID, TRUE);
    }
}

BOOL CWizardDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int nID = LOWORD(wParam);
    if (HIWORD(wParam) == 0 && nID != 0) {
        if (nID == m_nBackID)
            OnBack();
        else if (nID == m_nNextID)
            OnNext();
    }
    return CDialog::OnCommand(wParam, lParam);
}

LRESULT CWizardDialog::OnPageShow(WPARAM, LPARAM lParam)
{
    // Only the page on show decides about Next; a hidden page's status is read when it shows.
    const int* pStatus = reinterpret_cast<const int*>(lParam);
    if (pStatus && m_nCurrent >= 0 && m_nCurrent < GetPageCount() && pStatus == &m_pages[(size_t)m_nCurrent]->m_nStatus)
        EnableButton(m_nNextID, *pStatus != 0);
    return 0;
}

void CWizardDialog::CloseAllPages()
{
    for (CWizardPage* pPage : m_pages)
        if (pPage->m_hWnd)
            pPage->DestroyWindow();
    for (CWizardPage* pPage : m_removed)
        if (pPage->m_hWnd)
            pPage->DestroyWindow();
}

void CWizardDialog::OnOK()
{
    // The wizard's own fields first: a refusal keeps the wizard and its pages as they are.
    if (!UpdateData(TRUE))
        return;
    CloseAllPages();
    m_nCurrent = -1;
    EndDialog(IDOK);
}

void CWizardDialog::OnCancel()
{
    CloseAllPages();
    m_nCurrent = -1;
    CDialog::OnCancel();
}
