// CWFontDialog ("设置文字及字体"): edits a text and its font — face, size in points, underline,
// character spacing, character width and style.
//
// The font travels as a LOGFONTA in the host's conventions: lfHeight is the size in tenths of a
// point, lfWeight 100 is regular and anything else bold (900 when chosen here), lfItalic and
// lfUnderline are 0 or 1, lfWidth is the character width in percent, lfFaceName the face.
//
//   LOGFONTA lf = caption.font;                  // or nullptr for an all-zero font
//   CWFontDialog dlg(&lf, this);
//   dlg.m_strContent = caption.text;             // before DoModal
//   if (dlg.DoModal() == IDOK) {
//       dlg.GetCurrentFont(&caption.font);
//       caption.text = dlg.m_strContent;
//       caption.spacing = dlg.m_fSpacing;
//   }
#pragma once
#include "module/KxDialog.h"
#include "FontComboBox.h"

class KXCOMDLG_API CWFontDialog : public CKxDialog
{
public:
// Construction
    // The font is copied; null starts from an all-zero record.
    explicit CWFontDialog(const LOGFONTA* pLogFont = nullptr, CWnd* pParent = nullptr);

// Attributes
    CComboBox m_ctlStyles;
    CFontComboBox m_ctlFontName;
    CString m_strContent;        // the text; set before DoModal, read after
    float m_fSize = 0;           // points
    int m_nUnderline = 0;        // 0 none, 1 single line
    float m_fSpacing = 0;        // character spacing; read after DoModal
    LOGFONTA m_lf;

// Operations
    // The edited font (after DoModal).
    void GetCurrentFont(LOGFONTA* pLogFont) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnChangeFontstyles();
    void OnChangeFontName();
    void OnChangeFontUndeline();
    void OnChangeFntText();

    DECLARE_MESSAGE_MAP()
};
