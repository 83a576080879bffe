#include "FontComboBox.h"
#include "kxcomdlgres.h"
#include <commdlg.h>
#include <kxraii.h>
#include <algorithm>

namespace {
const UINT_PTR kTipTimer = 1;
const UINT kTipPeriodMs = 500;
const int kRecentMax = 6;
const int kMarkWidth = 15;
const int kTextIndent = 17;          // the mark and a gap before the face name
const COLORREF kMarkMask = RGB(255, 0, 255);
const DWORD_PTR kRecentItem = 1;     // item data of the recent section's copies
} // namespace

BOOL CopyFaceName(char (&lfFaceName)[LF_FACESIZE], const char* lpszFace, size_t nSourceMax)
{
    size_t n = 0;
    bool whole = true;
    if (lpszFace) {
        while (n < nSourceMax && lpszFace[n]) {
            const bool lead = ::IsDBCSLeadByte((BYTE)lpszFace[n]) != 0;
            // A lead byte without its second byte is half a character: it is not copied.
            if (lead && (n + 1 >= nSourceMax || !lpszFace[n + 1])) {
                whole = false;
                break;
            }
            const size_t step = lead ? 2 : 1;
            if (n + step > LF_FACESIZE - 1) {
                whole = false;
                break;
            }
            n += step;
        }
    }
    // The source may be the field itself: move, then terminate.
    if (n)
        memmove(lfFaceName, lpszFace, n);
    lfFaceName[n] = 0;
    return whole;
}

BEGIN_MESSAGE_MAP(CFontComboBox, CComboBox)
    ON_WM_TIMER()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CFontComboBox::CFontComboBox()
{
    CResourceSwitch scope;
    m_kinds.Create(IDB_FONT_KINDS, kMarkWidth, 1, kMarkMask);
}

CFontComboBox::~CFontComboBox() = default;

int CFontComboBox::GetFontKind(LPCSTR lpszFace) const
{
    auto it = m_fonts.find(lpszFace ? lpszFace : "");
    return it == m_fonts.end() ? -1 : it->second.nKind;
}

// ---- the faces ------------------------------------------------------------------------------

void CFontComboBox::AddFont(const LOGFONTA& lf, DWORD dwFontType, bool bPrinter)
{
    int kind;
    if (!bPrinter) {
        if (dwFontType & RASTER_FONTTYPE)
            return;
        kind = (dwFontType & TRUETYPE_FONTTYPE) ? kindTrueType : kindScreen;
    } else {
        if (!(dwFontType & DEVICE_FONTTYPE) || (dwFontType & TRUETYPE_FONTTYPE))
            return;
        kind = kindPrinter;
    }
    char face[LF_FACESIZE];
    CopyFaceName(face, lf.lfFaceName, LF_FACESIZE);
    if (face[0])
        m_fonts.emplace(face, CFontRecord{ FALSE, kind });
}

int CALLBACK CFontComboBox::EnumScreenFont(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM lParam)
{
    reinterpret_cast<CFontComboBox*>(lParam)->AddFont(*lf, type, false);
    return 1;
}

int CALLBACK CFontComboBox::EnumPrinterFont(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM lParam)
{
    reinterpret_cast<CFontComboBox*>(lParam)->AddFont(*lf, type, true);
    return 1;
}

void CFontComboBox::EnumerateFonts()
{
    m_fonts.clear();
    // Every face in every character set: the table keeps each face once.
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    kx::unique_hdc_window screen;
    if (!::EnumFontFamiliesExA(screen.get(), &lf, &CFontComboBox::EnumScreenFont, reinterpret_cast<LPARAM>(this), 0))
        return;
    // The default printer's own fonts, when there is a default printer; no warning without one.
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC | PD_NOWARNING;
    if (!::PrintDlgA(&pd))
        return;
    kx::unique_hglobal devMode(pd.hDevMode), devNames(pd.hDevNames);
    kx::unique_hdc printer(pd.hDC);
    if (printer)
        ::EnumFontFamiliesExA(printer.get(), &lf, &CFontComboBox::EnumPrinterFont, reinterpret_cast<LPARAM>(this), 0);
}

int CFontComboBox::GetListItemHeight() const
{
    // Room for the name, the mark, and the line under the recent section.
    CClientDC dc(const_cast<CFontComboBox*>(this));
    dc.SelectObject(GetFont());
    TEXTMETRICA tm{};
    dc.GetTextMetrics(&tm);
    IMAGEINFO image{};
    const int markHeight = ImageList_GetImageInfo(m_kinds, 0, &image) ? image.rcImage.bottom - image.rcImage.top : 0;
    return std::max((int)tm.tmHeight + 4, markHeight + 2);
}

void CFontComboBox::Initialize()
{
    if (!m_tip.m_hWnd)
        m_tip.Create(this);
    ResetContent();
    EnumerateFonts();
    for (const auto& font : m_fonts)
        AddString(font.first);
    SetItemHeight(0, (UINT)GetListItemHeight());

    if (!m_strCurrentName.IsEmpty()) {
        const int found = FindString(-1, m_strCurrentName);
        if (found == CB_ERR) {
            CString text;
            {
                CResourceSwitch scope;
                text.Format(IDS_FONT_NOT_FOUND, m_strCurrentName.GetString());
            }
            AfxMessageBox(text, MB_OK);
        } else {
            SetCurSel(found);
            // A shortened name stands for the face it found.
            SyncCurrentName();
        }
    }
    SetTimer(kTipTimer, kTipPeriodMs);
}

// ---- the recent section ---------------------------------------------------------------------

void CFontComboBox::AddRecentFont(LPCSTR lpszName)
{
    auto it = m_fonts.find(lpszName);
    if (it == m_fonts.end())
        return;
    if (it->second.bRecent) {
        // The recent copy is the first exact match from the top. A prefix search could meet a
        // longer recent face first ("Arial Black" before "Arial") and move the wrong one.
        const int copy = FindStringExact(-1, lpszName);
        if (copy != CB_ERR && GetItemData(copy) == kRecentItem)
            DeleteString((UINT)copy);
    } else {
        it->second.bRecent = TRUE;
    }
    InsertString(0, lpszName);
    SetItemData(0, kRecentItem);
    SetCurSel(0);
    if (GetCount() > kRecentMax && GetItemData(kRecentMax) == kRecentItem) {
        CString oldest;
        GetLBText(kRecentMax, oldest);
        auto old = m_fonts.find(oldest);
        if (!oldest.IsEmpty() && old != m_fonts.end()) {
            old->second.bRecent = FALSE;
            DeleteString(kRecentMax);
        }
    }
}

void CFontComboBox::SyncCurrentName()
{
    if (GetCurSel() == CB_ERR)
        return;
    CString text;
    GetWindowText(text);
    if (FindStringExact(-1, text) != CB_ERR)
        m_strCurrentName = text;
}

BOOL CFontComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // The owner sees every notification as well.
    if (message == WM_COMMAND) {
        switch (HIWORD(wParam)) {
        case CBN_SELCHANGE:
        case CBN_KILLFOCUS:
        case CBN_SETFOCUS:
            // Only a shown face is taken, so tabbing through a list that found nothing keeps
            // the owner's face.
            SyncCurrentName();
            break;
        case CBN_CLOSEUP: {
            SyncCurrentName();
            const int sel = GetCurSel();
            if (sel != CB_ERR) {
                CString face;
                GetLBText(sel, face);
                AddRecentFont(face);
            }
            m_tip.HideTips();
            break;
        }
        }
    }
    return CComboBox::OnChildNotify(message, wParam, lParam, pResult);
}

// ---- the tip and the window's end -----------------------------------------------------------

void CFontComboBox::OnTimer(UINT_PTR nIDEvent)
{
    const int sel = nIDEvent == kTipTimer && GetDroppedState() ? GetCurSel() : CB_ERR;
    if (sel != CB_ERR) {
        // Where the list window really is: the dropped-control rectangle of some systems is
        // off by the height of the selection field.
        CRect list;
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (::GetComboBoxInfo(m_hWnd, &info) && info.hwndList)
            ::GetWindowRect(info.hwndList, &list);
        else
            SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
        const int top = (int)SendMessage(CB_GETTOPINDEX);
        const int height = (int)SendMessage(CB_GETITEMHEIGHT, 0);
        CString face;
        GetLBText(sel, face);
        // Beside the list, from the row after the highlighted one, so the tip hides no name.
        m_tip.ShowTips(CPoint(list.right + 5, list.top + height * (sel - top + 1)), face, m_strSample);
    }
    Default();
}

void CFontComboBox::OnDestroy()
{
    KillTimer(kTipTimer);
    m_tip.HideTips();
    m_fonts.clear();
    Default();
}

// ---- drawing --------------------------------------------------------------------------------

void CFontComboBox::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    ASSERT_AT(lpDrawItemStruct->CtlType == ODT_COMBOBOX, "FontComboBox", 56);
    ASSERT_AT(lpDrawItemStruct->hDC != nullptr, "FontComboBox", 65);
    if (lpDrawItemStruct->CtlType != ODT_COMBOBOX || !lpDrawItemStruct->hDC)
        return;
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    const int saved = pDC->SaveDC();
    const CRect rc(lpDrawItemStruct->rcItem);
    const int index = (int)lpDrawItemStruct->itemID;

    if (lpDrawItemStruct->itemState & ODS_SELECTED) {
        pDC->FillSolidRect(&rc, ::GetSysColor(COLOR_HIGHLIGHT));
        pDC->SetTextColor(::GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        pDC->FillSolidRect(&rc, ::GetBkColor(pDC->m_hDC));
    }
    pDC->SetBkMode(TRANSPARENT);

    if (index != -1) {
        CString face;
        GetLBText(index, face);
        auto it = m_fonts.find(face);
        ASSERT_AT(it != m_fonts.end(), "FontComboBox", 89);
        if (it != m_fonts.end()) {
            const CPoint at(rc.left, rc.top + 1);
            if (it->second.nKind == kindTrueType)
                m_kinds.Draw(pDC, 1, at, ILD_TRANSPARENT);
            else if (it->second.nKind == kindPrinter)
                m_kinds.Draw(pDC, 0, at, ILD_TRANSPARENT);
        }
        pDC->TextOut(rc.left + kTextIndent, rc.top + 1, face, face.GetLength());

        // The line under the last recent face; the selection field shows no line.
        const bool field = (lpDrawItemStruct->itemState & ODS_COMBOBOXEDIT) != 0;
        if (!field && GetItemData(index) == kRecentItem && index + 1 < GetCount() && GetItemData(index + 1) == 0) {
            TEXTMETRICA tm{};
            pDC->GetTextMetrics(&tm);
            const int y = rc.top + tm.tmHeight + 3;
            pDC->MoveTo(rc.left, y);
            pDC->LineTo(rc.right, y);
        }
    }
    if (lpDrawItemStruct->itemState & ODS_FOCUS)
        pDC->DrawFocusRect(&rc);
    pDC->RestoreDC(saved);
}
