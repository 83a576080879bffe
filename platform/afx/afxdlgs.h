// Common dialogs of the framework: the explorer-style file dialog with its hook, the colour
// dialog, and the run-time class information that names a dialog class at run time.
#pragma once
#include "afxwin.h"
#include <commdlg.h>

// The name (and base) of a class, kept for classes declared DECLARE_DYNAMIC.
struct AFX_API CRuntimeClass
{
    LPCSTR m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define DECLARE_DYNAMIC(theClass) \
public: \
    static const CRuntimeClass class##theClass; \
    const CRuntimeClass* GetRuntimeClass() const override;
#define IMPLEMENT_DYNAMIC(theClass, baseClass) \
    const CRuntimeClass theClass::class##theClass = { #theClass, &baseClass::class##baseClass }; \
    const CRuntimeClass* theClass::GetRuntimeClass() const { return &theClass::class##theClass; }
#define RUNTIME_CLASS(theClass) (&theClass::class##theClass)

// The system's open or save dialog. With OFN_ENABLEHOOK | OFN_EXPLORER in m_ofn.Flags the object
// is bound to the dialog's child window while it runs, so GetParent() is the dialog's frame and
// the overridables below are called.
//
//   CFileDialog dlg(TRUE);
//   if (dlg.DoModal() == IDOK)
//       Open(dlg.GetPathName());
class AFX_API CFileDialog : public CDialog
{
public:
    static const CRuntimeClass classCFileDialog;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCFileDialog; }

// Construction
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);

// Attributes
    OPENFILENAMEA m_ofn;
    BOOL IsOpenForm() const { return m_bOpenFileDialog; }
    // The chosen file: while the dialog runs, the one selected in it; afterwards, the result.
    CString GetPathName() const;
    CString GetFileName() const;

// Operations
    // IDOK when the user chose a file, IDCANCEL otherwise.
    INT_PTR DoModal() override;

// Overridables (called only with OFN_ENABLEHOOK | OFN_EXPLORER)
    BOOL OnInitDialog() override;
    // The frame has its final layout (after the child's OnInitDialog, before it is shown).
    virtual void OnInitDone();
    virtual void OnFileNameChange();
    virtual void OnTypeChange();

protected:
    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    char m_szFileName[MAX_PATH * 4];
    char m_szFileTitle[MAX_PATH];

private:
    static UINT_PTR CALLBACK HookProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// The system's colour dialog, started on a colour. The sixteen custom colours are kept for the
// process, so a colour the user defined is offered again by the next colour dialog.
//
//   CColorDialog dlg(m_crBack, 0, this);
//   if (dlg.DoModal() == IDOK)
//       m_crBack = dlg.GetColor();
class AFX_API CColorDialog
{
public:
// Construction
    explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd* pParentWnd = nullptr);
    CColorDialog(const CColorDialog&) = delete;
    CColorDialog& operator=(const CColorDialog&) = delete;

// Attributes
    CHOOSECOLORA m_cc;
    // The chosen colour after an OK ending, else the starting one.
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF clr) { m_cc.rgbResult = clr; }
    static COLORREF* GetSavedCustomColors();

// Operations
    // IDOK when the user chose a colour, IDCANCEL otherwise.
    INT_PTR DoModal();

private:
    CWnd* m_pParentWnd;
};
