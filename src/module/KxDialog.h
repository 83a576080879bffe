// What every exported dialog of the library shares: its template and strings come from the
// library while it runs, and its settings go to the host application's profile.
//
// How to derive from it:
//   1) class KXCOMDLG_API CFooDlg : public CKxDialog   (or CKxDialogImpl<another dialog class>);
//   2) construct with the template id: CFooDlg(CWnd* pParent) : CKxDialog(IDD_FOO, pParent) {}
//   3) read and write settings with GetProfileString / WriteProfileString ... of this class,
//      never through AfxGetApp(), so a host without an application object gets defaults
//      instead of a crash.
// DoModal and the modeless Create open the resource scope; derived classes that check their
// inputs first override DoModal and call this one.
#pragma once
#include "kxcomdlglib.h"

// The host application's profile, as the dialogs reach it. A host without an application object
// (CWinApp) has no profile: reads give the default, writes change nothing and return FALSE, and
// the first such call says so on the debugger output and the error stream.
class KXCOMDLG_API CHostProfile
{
public:
    // The host's application object, or null.
    static CWinApp* GetApp();
    static CString GetString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = nullptr);
    static UINT GetInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
    static BOOL WriteString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
    static BOOL WriteInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
};

template <class TBase = CDialog>
class CKxDialogImpl : public TBase
{
public:
// Construction
    using TBase::TBase;

// Operations
    // The modal run with the library's resources (IDOK, IDCANCEL, or -1 when the template cannot
    // be created); the host's current resource handle is back however it ends.
    INT_PTR DoModal() override
    {
        CResourceSwitch scope;
        return TBase::DoModal();
    }
    // Modeless creation from the library's template.
    using TBase::Create;
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr) override
    {
        CResourceSwitch scope;
        return TBase::Create(nIDTemplate, pParentWnd);
    }

protected:
// Data exchange
    // Controls to fields for a look while the user is still typing: a text the exchange would
    // refuse ("-", an emptied edit, a value beyond its range) leaves its field as it was, with no
    // message and no change of focus. The refusals are for UpdateData(TRUE), when the user
    // confirms.
    void UpdateDataQuietly()
    {
        m_bQuietExchange = true;
        TBase::UpdateData(TRUE);
        m_bQuietExchange = false;
    }
    void OnDataExchangeError(CDataExchange* pDX, UINT nIDPrompt) override
    {
        if (!m_bQuietExchange)
            TBase::OnDataExchangeError(pDX, nIDPrompt);
    }
    void OnDataValidateError(CDataExchange* pDX, const CString& strPrompt, UINT nIDPrompt) override
    {
        if (!m_bQuietExchange)
            TBase::OnDataValidateError(pDX, strPrompt, nIDPrompt);
    }

// The host profile
    static CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = nullptr)
    { return CHostProfile::GetString(lpszSection, lpszEntry, lpszDefault); }
    static UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
    { return CHostProfile::GetInt(lpszSection, lpszEntry, nDefault); }
    static BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
    { return CHostProfile::WriteString(lpszSection, lpszEntry, lpszValue); }
    static BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
    { return CHostProfile::WriteInt(lpszSection, lpszEntry, nValue); }

private:
    bool m_bQuietExchange = false;   // in UpdateDataQuietly
};

using CKxDialog = CKxDialogImpl<CDialog>;
