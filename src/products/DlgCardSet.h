// CDlgCardSet ("设置模版"): the page size of a card or print template - a measuring unit, a
// standard size or a custom one, portrait or landscape, width, height and resolution.
//
// The standard sizes come from settings files beside the host's executable, which the dialog
// only reads: the papers of "datasys.cfg" (section "paper", one key per paper, its value the text
// listed; section <key> holds "unit", "width" and "height"), then, when "forlcd" of section
// "main" of "data.cfg" is 1, the screen sizes of "profile\lcd_system.ini" (section "paper" as
// above; the N-th size's "width" and "height" in pixels in section "paper-N-<lcd_type + 1>",
// "lcd_type" standing before the first section).
//
//   CDlgCardSet dlg(this);
//   dlg.m_nUnit = CDlgCardSet::unitCentimetre;    // before DoModal: the template as it stands
//   dlg.m_dWidth = 9; dlg.m_dHeight = 5.4;
//   if (dlg.DoModal() == IDOK)
//       template.SetSize(dlg.m_nUnit, dlg.m_dWidth, dlg.m_dHeight, dlg.m_dResolution);
#pragma once
#include "module/KxDialog.h"
#include <IniStdioFile.h>

class KXCOMDLG_API CDlgCardSet : public CKxDialog
{
public:
    enum Unit { unitInch = 0, unitCentimetre = 1, unitPixel = 2 };
    enum Direction { directionPortrait = 0, directionLandscape = 1 };

// Construction
    explicit CDlgCardSet(CWnd* pParent = nullptr);

// Fields: set before DoModal, read after an OK ending
    int m_nUnit = unitInch;             // 16404
    int m_nStdSize = 0;                 // 16406: 0 custom, then the papers, then the screens
    int m_nDirection = directionPortrait;   // 16430 / 16431
    double m_dWidth = 0.0;              // 16413, in the unit
    double m_dHeight = 0.0;             // 16439, in the unit
    double m_dResolution = 300.0;       // 16440, pixels per inch
    int m_nResUnit = 0;                 // 16405: 0 pixels per inch, 1 pixels per centimetre

    CIniStdioFile m_iniData;            // "data.cfg"
    CIniStdioFile m_iniDataSys;         // "datasys.cfg"
    CIniStdioFile m_iniLcd;             // "profile\lcd_system.ini"
    BOOL m_bForLcd = FALSE;             // the screen sizes are listed
    int m_nPaperCount = 0;
    int m_nLcdCount = 0;

// Operations
    // Opens the three settings files and lists their sizes after "自定义"; a second call lists
    // them afresh.
    void InitStdPaper();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSelchangeCombStsize();
    void OnSelchangeCombRuler();
    void OnRadioDir();

    // Width, height and resolution editable or read-only as the chosen size allows.
    void ShowEditStates();
    // The section that holds the N-th (1-based) screen size of the configured screen type.
    CString GetLcdSection(int nSize) const;

    // The key behind each listed paper and screen size, in list order.
    CStringArray m_paperKeys;
    CStringArray m_lcdKeys;

    DECLARE_MESSAGE_MAP()
};
