// CFontComboBox: the font picker. An owner-drawn drop-down list of every face usable on the
// screen or on the default printer, each marked by its kind (TrueType, printer font), the faces
// chosen while the list lives on top of it above a line (six at most, newest first), and a tip
// beside the open list that shows the highlighted face on the owner's sample text.
//
// How a dialog embeds it:
//   1) the template holds a COMBOBOX with CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_SORT |
//      CBS_HASSTRINGS | WS_VSCROLL;
//   2) a CFontComboBox member, attached in DoDataExchange: DDX_Control(pDX, IDC_FACE, m_ctlFace);
//   3) in OnInitDialog, after CDialog::OnInitDialog(): m_ctlFace.SetCurrentName("宋体") (the face
//      to select), m_ctlFace.SetSampleText(...) (shown in the tip), then m_ctlFace.Initialize();
//   4) the chosen face is GetCurrentName(), kept in step with every selection and still there
//      after the dialog has closed. Copy it into a LOGFONTA with CopyFaceName.
#pragma once
#include "module/kxcomdlglib.h"
#include <afxcmn.h>
#include <WndTipCtrl.h>
#include <map>

// Copies a face name into the face field of a LOGFONTA: at most LF_FACESIZE - 1 bytes, cut
// before a character that would not fit whole, always terminated. At most nSourceMax bytes of
// lpszFace are read, so a field that fills all its bytes without a terminator is safe to pass.
// FALSE when the name had to be cut.
KXCOMDLG_API BOOL CopyFaceName(char (&lfFaceName)[LF_FACESIZE], const char* lpszFace, size_t nSourceMax = (size_t)-1);

class KXCOMDLG_API CFontComboBox : public CComboBox
{
public:
    // What a face is; the list marks kinds 1 and 2.
    enum FontKind
    {
        kindScreen = 0,     // a screen font that is neither raster nor TrueType
        kindTrueType = 1,
        kindPrinter = 2,    // a device font of the default printer, not TrueType
    };

// Construction
    // Loads the kind marks from the library's bitmap.
    CFontComboBox();
    ~CFontComboBox() override;

// Attributes
    // The face the owner wants selected (before Initialize), then the face chosen.
    const CString& GetCurrentName() const { return m_strCurrentName; }
    void SetCurrentName(LPCSTR lpszName) { m_strCurrentName = lpszName ? lpszName : ""; }
    // The owner's text, shown in the tip in the highlighted face; the combo keeps a copy.
    void SetSampleText(LPCSTR lpszText) { m_strSample = lpszText ? lpszText : ""; }
    const CString& GetSampleText() const { return m_strSample; }
    // The kind of a listed face, or -1 when the face is not in the list.
    int GetFontKind(LPCSTR lpszFace) const;
    // The tip that follows the highlighted face while the list is open.
    const CWndTipCtrl& GetTipCtrl() const { return m_tip; }

// Operations
    // Lists the faces and selects the first one that begins with the current name (the user is
    // told when none does). Call once the control is attached, from the owner's OnInitDialog.
    void Initialize();

// Overridables
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    struct CFontRecord
    {
        BOOL bRecent = FALSE;   // the face has a copy in the recent section
        int nKind = kindScreen;
    };

    // One face as the platform enumerated it, for the screen or for the printer. Raster fonts,
    // and printer fonts that are not device fonts or are TrueType, are left out; the first
    // report of a face wins, so a face on both keeps its screen kind.
    void AddFont(const LOGFONTA& lf, DWORD dwFontType, bool bPrinter);
    void EnumerateFonts();
    // Puts the face on top of the recent section (moved there when it has a copy already) and
    // keeps the section at six faces.
    void AddRecentFont(LPCSTR lpszName);
    // The current name becomes the shown face when it is one of the list's.
    void SyncCurrentName();
    int GetListItemHeight() const;

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();

    CString m_strCurrentName;
    CString m_strSample;
    CWndTipCtrl m_tip;
    CImageList m_kinds;
    std::map<CString, CFontRecord> m_fonts;

private:
    static int CALLBACK EnumScreenFont(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM lParam);
    static int CALLBACK EnumPrinterFont(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
