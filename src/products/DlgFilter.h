// The host's picture check, which compares a photograph with a standard picture (colour,
// brightness, contrast, background, head position): its settings and its results. The comparison
// is the host's; these dialogs only edit its settings and show what it found.
//
// CDlgFilterSysset ("图像检测设置"): the standard picture, the checks to run and, for each, the
// value at which a picture fails.
//
//   CDlgFilterSysset dlg(this);
//   dlg.m_strStdPic = settings.standard;  dlg.m_bBright = settings.checkBrightness; ...
//   if (dlg.DoModal() == IDOK)
//       settings.standard = dlg.m_strStdPic, settings.brightLimit = dlg.m_nBrightLimit, ...
//
// CDlgFilterDetail ("检测结果"): the two pictures side by side, each measured value as a number
// and as a bar against its full scale, and the host's verdict texts.
//
//   CDlgFilterDetail dlg(this);
//   dlg.m_strStdPic = settings.standard;  dlg.m_pTestDib = &photo;   // the photo stays the host's
//   dlg.m_dBright = result.brightness;  dlg.m_strBright = "偏暗";  ...
//   dlg.DoModal();
#pragma once
#include "module/KxDialog.h"
#include <afxcmn.h>
#include <Dib.h>
#include <IM_WINDOW.h>

class KXCOMDLG_API CDlgFilterSysset : public CKxDialog
{
public:
// Construction
    explicit CDlgFilterSysset(CWnd* pParent = nullptr);

// Fields: set before DoModal, read after it
    int m_bOverall = 1;                 // 1033 "总体检测", always on (the box is disabled)
    int m_bColor = 0;                   // 1036 "色彩检测"
    int m_bBright = 0;                  // 1039 "亮度检测"
    int m_bContrast = 0;                // 1042 "反差检测"
    int m_bBack = 0;                    // 1045 "背景检测"
    int m_nFinalLimit = 0;              // 1020, the final weighted value at which a picture fails
    int m_nOverallLimit = 0;            // 1047
    int m_nColorLimit = 0;              // 1049
    int m_nBrightLimit = 0;             // 1051
    int m_nContrastLimit = 0;           // 1053
    int m_nBackLimit = 0;               // 1055
    int m_nHeadLimit = 0;               // 1062
    CString m_strStdPic;                // 27074, full path of the standard picture
    int m_bHead = 0;                    // 1060 "头位检测"
    CIM_WINDOW m_wndStd;                // 27086

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBtnStd();
    // Shows the picture file in the standard view; FALSE (and an empty view) when it cannot be read.
    BOOL ShowStdPicture(const CString& strPath);

    DECLARE_MESSAGE_MAP()
};

class KXCOMDLG_API CDlgFilterDetail : public CKxDialog
{
public:
    // The value that fills each bar.
    static const double kResultScale, kOverallScale, kBrightScale, kContrastScale, kColorScale,
        kBackScale, kHeadScale;

// Construction
    explicit CDlgFilterDetail(CWnd* pParent = nullptr);

// Fields: set before DoModal; after "关闭" the values come back rounded to two decimals
    CProgressCtrl m_barHead;            // 1041
    CProgressCtrl m_barContrast;        // 1026
    CProgressCtrl m_barOverall;         // 1015
    CProgressCtrl m_barColor;           // 1030
    CProgressCtrl m_barBright;          // 1022
    CProgressCtrl m_barBack;            // 1035
    CProgressCtrl m_barResult;          // 1013
    double m_dResult = 0.0;             // 1017 "检测结果："
    double m_dBack = 0.0;               // 1038 "背景检测："
    double m_dBright = 0.0;             // 1024 "亮度检测："
    double m_dColor = 0.0;              // 1032 "色彩检测："
    double m_dOverall = 0.0;            // 1019 "总体检测："
    double m_dContrast = 0.0;           // 1028 "反差检测："
    CString m_strConsist;               // 1073, the overall verdict
    double m_dHead = 0.0;               // 1044 "头位检测："
    CString m_strBright;                // 1004
    CString m_strContrast;              // 1006
    CString m_strColor;                 // 1079
    CString m_strHead;                  // 1011
    CString m_strBack;                  // 1009
    CIM_WINDOW m_wndStd;                // 27657 "标准图"
    CIM_WINDOW m_wndTest;               // 27658 "检测图"
    CString m_strStdPic;                // full path of the standard picture
    const CDib* m_pTestDib = nullptr;   // the checked picture, the host's; not changed

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};
