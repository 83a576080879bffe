#include "afximpl.h"
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND h = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    ASSERT(h != nullptr);
    m_hWndLastControl = h;
    m_bEditLastControl = FALSE;
    return h;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND h = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return h;
}

int CDataExchange::GetLastControlID() const
{
    return m_hWndLastControl ? ::GetDlgCtrlID(m_hWndLastControl) : 0;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException();
}

namespace {

CString ControlText(HWND h)
{
    CString s;
    CWnd::FromHandle(h)->GetWindowText(s);
    return s;
}

bool IsBlank(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p == 0;
}

// Whole-text integer parse: optional blanks, sign, digits, blanks. Values outside the type's range
// are parse failures, not silent wraps.
bool ParseInteger(const char* text, long long lo, long long hi, long long& out)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!*p)
        return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE || !IsBlank(end) || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool ParseUnsigned(const char* text, unsigned long long hi, unsigned long long& out)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!*p || *p == '-')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(p, &end, 10);
    if (end == p || errno == ERANGE || !IsBlank(end) || v > hi)
        return false;
    out = v;
    return true;
}

bool ParseReal(const char* text, double& out)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!*p)
        return false;
    char* end = nullptr;
    const double v = std::strtod(p, &end);
    if (end == p || !IsBlank(end))
        return false;
    out = v;
    return true;
}

// The window decides what a refused text means: by default the user is told and the exchange
// stops. When it returns, the field keeps its value.
void FailWith(CDataExchange* pDX, UINT nIDPrompt) { pDX->m_pDlgWnd->OnDataExchangeError(pDX, nIDPrompt); }

template <typename T>
void ExchangeSigned(CDataExchange* pDX, int nIDC, T& value, long long lo, long long hi)
{
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseInteger(ControlText(h), lo, hi, v))
            return FailWith(pDX, AFX_IDP_PARSE_INT);
        value = (T)v;
    } else {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%lld", (long long)value);
        ::SetWindowTextA(h, buf);
    }
}

template <typename T>
void ExchangeUnsigned(CDataExchange* pDX, int nIDC, T& value, unsigned long long hi, UINT nIDPrompt)
{
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        unsigned long long v = 0;
        if (!ParseUnsigned(ControlText(h), hi, v))
            return FailWith(pDX, nIDPrompt);
        value = (T)v;
    } else {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%llu", (unsigned long long)value);
        ::SetWindowTextA(h, buf);
    }
}

template <typename T>
void ExchangeReal(CDataExchange* pDX, int nIDC, T& value, int digits)
{
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        double v = 0;
        if (!ParseReal(ControlText(h), v))
            return FailWith(pDX, AFX_IDP_PARSE_REAL);
        value = (T)v;
    } else {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*g", digits, (double)value);
        ::SetWindowTextA(h, buf);
    }
}

template <typename T>
void CheckRange(CDataExchange* pDX, T value, T lo, T hi, UINT nIDPrompt, const char* fmt)
{
    if (!pDX->m_bSaveAndValidate || (value >= lo && value <= hi))
        return;
    char a[64], b[64];
    std::snprintf(a, sizeof a, fmt, lo);
    std::snprintf(b, sizeof b, fmt, hi);
    CString prompt;
    AfxFormatString2(prompt, nIDPrompt, a, b);
    pDX->m_pDlgWnd->OnDataValidateError(pDX, prompt, nIDPrompt);
}

// A value the control keeps itself, read with one message and set with another.
void ExchangeByMessage(CDataExchange* pDX, int nIDC, int& value, UINT getMessage, UINT setMessage)
{
    HWND h = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = (int)::SendMessageA(h, getMessage, 0, 0);
    else
        ::SendMessageA(h, setMessage, (WPARAM)value, 0);
}

// The radio buttons of the group that starts at hWndFirst, in tab order.
template <typename F>
void ForEachRadio(HWND hWndFirst, F f)
{
    int index = 0;
    for (HWND h = hWndFirst; h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (h != hWndFirst && (::GetWindowLongPtrA(h, GWL_STYLE) & WS_GROUP))
            break;
        if (::SendMessageA(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
            f(h, index++);
    }
}

} // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) { ExchangeSigned(pDX, nIDC, value, INT_MIN, INT_MAX); }
void DDX_Text(CDataExchange* pDX, int nIDC, long& value) { ExchangeSigned(pDX, nIDC, value, LONG_MIN, LONG_MAX); }
void DDX_Text(CDataExchange* pDX, int nIDC, short& value) { ExchangeSigned(pDX, nIDC, value, SHRT_MIN, SHRT_MAX); }
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { ExchangeUnsigned(pDX, nIDC, value, UINT_MAX, AFX_IDP_PARSE_UINT); }
void DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value) { ExchangeUnsigned(pDX, nIDC, value, ULONG_MAX, AFX_IDP_PARSE_UINT); }
void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value) { ExchangeUnsigned(pDX, nIDC, value, 255, AFX_IDP_PARSE_BYTE); }
void DDX_Text(CDataExchange* pDX, int nIDC, float& value) { ExchangeReal(pDX, nIDC, value, FLT_DIG); }
void DDX_Text(CDataExchange* pDX, int nIDC, double& value) { ExchangeReal(pDX, nIDC, value, DBL_DIG); }

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ControlText(h);
    else
        ::SetWindowTextA(h, value);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) { ExchangeByMessage(pDX, nIDC, value, BM_GETCHECK, BM_SETCHECK); }

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hFirst = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        ForEachRadio(hFirst, [&](HWND h, int i) {
            if (::SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED && value < 0)
                value = i;
        });
    } else {
        ForEachRadio(hFirst, [&](HWND h, int i) {
            ::SendMessageA(h, BM_SETCHECK, i == value ? BST_CHECKED : BST_UNCHECKED, 0);
        });
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) { ExchangeByMessage(pDX, nIDC, index, CB_GETCURSEL, CB_SETCURSEL); }

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) { ExchangeByMessage(pDX, nIDC, index, LB_GETCURSEL, LB_SETCURSEL); }

namespace {
void ExchangeComboString(CDataExchange* pDX, int nIDC, CString& value, UINT selectMsg)
{
    HWND h = pDX->PrepareCtrl(nIDC);
    const bool hasEdit = (::GetWindowLongPtrA(h, GWL_STYLE) & 0x3) != CBS_DROPDOWNLIST;
    if (pDX->m_bSaveAndValidate) {
        if (hasEdit) {
            value = ControlText(h);
        } else {
            const int sel = (int)::SendMessageA(h, CB_GETCURSEL, 0, 0);
            value.Empty();
            if (sel >= 0) {
                const int n = (int)::SendMessageA(h, CB_GETLBTEXTLEN, (WPARAM)sel, 0);
                ::SendMessageA(h, CB_GETLBTEXT, (WPARAM)sel, (LPARAM)value.GetBufferSetLength(n + 1));
                value.ReleaseBuffer();
            }
        }
        return;
    }
    int index = -1;
    if (selectMsg == CB_SELECTSTRING) {
        index = (int)::SendMessageA(h, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)(const char*)value);
    } else {
        index = (int)::SendMessageA(h, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)(const char*)value);
        if (index >= 0)
            ::SendMessageA(h, CB_SETCURSEL, (WPARAM)index, 0);
    }
    if (index < 0 && hasEdit)
        ::SetWindowTextA(h, value);
}
} // namespace

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) { ExchangeComboString(pDX, nIDC, value, CB_SELECTSTRING); }
void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value) { ExchangeComboString(pDX, nIDC, value, CB_FINDSTRINGEXACT); }

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND h = pDX->PrepareCtrl(nIDC);
    rControl.SubclassWindow(h);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{ CheckRange(pDX, value, minVal, maxVal, AFX_IDP_PARSE_INT_RANGE, "%d"); }
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{ CheckRange(pDX, value, minVal, maxVal, AFX_IDP_PARSE_INT_RANGE, "%u"); }
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal)
{ CheckRange(pDX, value, minVal, maxVal, AFX_IDP_PARSE_INT_RANGE, "%ld"); }
void DDV_MinMaxFloat(CDataExchange* pDX, float value, float minVal, float maxVal)
{ CheckRange(pDX, (double)value, (double)minVal, (double)maxVal, AFX_IDP_PARSE_REAL_RANGE, "%g"); }
void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minVal, double maxVal)
{ CheckRange(pDX, value, minVal, maxVal, AFX_IDP_PARSE_REAL_RANGE, "%g"); }

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars)
{
    if (pDX->m_bSaveAndValidate && value.GetLength() > nChars) {
        char n[16];
        std::snprintf(n, sizeof n, "%d", nChars);
        CString prompt;
        AfxFormatString1(prompt, AFX_IDP_PARSE_STRING_SIZE, n);
        pDX->m_pDlgWnd->OnDataValidateError(pDX, prompt, AFX_IDP_PARSE_STRING_SIZE);
    } else if (!pDX->m_bSaveAndValidate && pDX->m_hWndLastControl && pDX->m_bEditLastControl) {
        ::SendMessageA(pDX->m_hWndLastControl, EM_LIMITTEXT, (WPARAM)nChars, 0);
    }
}
