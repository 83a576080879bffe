// CWizardDialog and CWizardPage: the bases of a host's step-by-step dialog. The wizard shows one
// page at a time in its page area, checks the page's data before leaving it, labels its Next
// button "完成(&E)" on the last page, and ends with IDOK after taking every page's data.
//
// How the host builds one:
//   1) a wizard template of its own with a placeholder control for the page area (a static
//      frame, hidden while the wizard runs) and Back and Next buttons (ids other than IDOK and
//      IDCANCEL), and a child template per page (STYLE DS_CONTROL | WS_CHILD, no WS_VISIBLE);
//   2) class CMyPage : public CWizardPage, with its DoDataExchange; a page that may forbid going
//      on sets m_nStatus to 0 and calls StatusChanged(), and 1 with StatusChanged() again;
//   3) class CMyWizard : public CWizardDialog, whose constructor sets m_nPageAreaID, m_nBackID
//      and m_nNextID; then AddPage(&page1); AddPage(&page2); ... and DoModal().
// The templates are the host's: DoModal runs under the host's resource handle.
#pragma once
#include "module/kxcomdlglib.h"
#include <vector>

// Sent by a page to its wizard when its status changed; lParam is the address of the page's
// m_nStatus.
#define WM_KX_WIZARD_PAGE_STATUS (WM_APP + 2000)

class KXCOMDLG_API CWizardPage : public CDialog
{
public:
// Construction
    CWizardPage(UINT nIDTemplate, CWnd* pParent = nullptr);

// Attributes
    UINT m_nTemplateID;
    CString m_strTitle;      // joined to the wizard's title while the page shows; may be empty
    int m_nStatus = 1;       // non-zero: the user may go on from this page

// Overridables
    // Tells the wizard that m_nStatus changed.
    virtual void StatusChanged();
    // The wizard's dialog keyboard interface serves its pages: Tab moves between the page's
    // controls and the wizard's buttons, Enter and Escape reach the wizard's buttons.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    // Enter and Escape are the wizard's: a page never ends itself.
    void OnOK() override {}
    void OnCancel() override {}
    void OnSetFocus(CWnd* pOldWnd);

    DECLARE_MESSAGE_MAP()
};

class KXCOMDLG_API CWizardDialog : public CDialog
{
public:
// Construction
    CWizardDialog(UINT nIDTemplate, CWnd* pParent = nullptr);

// Attributes (set by the derived class before DoModal)
    int m_nPageAreaID = 0;   // the control whose rectangle the pages take
    int m_nBackID = 0;
    int m_nNextID = 0;
    CString m_strBackCaption;
    CString m_strNextCaption;
    CString m_strFinishCaption;
    CString m_strBaseTitle;  // the wizard's own title; the template's when empty

// Operations
    // Appends the page (once), and takes it back from the removed pages.
    virtual void AddPage(CWizardPage* pPage);
    // As AddPage, at the index (the end when the index lies beyond it).
    virtual void InsertPage(CWizardPage* pPage, int nIndex);
    // Takes the page out of the steps; its window is still closed with the others.
    virtual void RemovePage(CWizardPage* pPage);
    // The page at the index, 0 to GetPageCount() - 1; anything else is a programming error.
    virtual CWizardPage* GetPage(int nIndex);
    // Shows the page at the index after the current one has given up its data: 1, or 0 when it
    // refused (the user has been told, and the current page stays).
    virtual int SetCurSel(int nIndex);
    virtual void CloseAllPages();
    virtual void OnBack();
    virtual void OnNext();
    int GetPageCount() const { return (int)m_pages.size(); }
    int GetCurSel() const { return m_nCurrent; }
    // The modal run. Without a page area there is no place for the pages: the wizard does not
    // open, and the result is -1, as for a template that cannot be created. A page area id that
    // names no control of the template, or a page whose template cannot be created, gives -1
    // as well.
    INT_PTR DoModal() override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // Takes the wizard's own data, then closes the pages and ends with IDOK.
    void OnOK() override;
    void OnCancel() override;
    LRESULT OnPageShow(WPARAM wParam, LPARAM lParam);
    // Enables or disables one of the wizard's buttons, or sets its text, when it exists.
    void EnableButton(int nID, BOOL bEnable);
    void SetButtonText(int nID, const CString& text);

    std::vector<CWizardPage*> m_pages;
    std::vector<CWizardPage*> m_removed;
    int m_nCurrent = -1;

    DECLARE_MESSAGE_MAP()
};
