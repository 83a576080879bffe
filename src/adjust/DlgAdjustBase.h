// What the single-picture and the batch adjustment dialogs share: the adjustment values bound to
// their controls, the six sliders and their buddy edits, the hue-channel list, the standard
// picture, the numeric keypad and the profiles of adjust.cfg.
//
// How to derive from it:
//   1) pass the template (both dialogs carry the same control ids);
//   2) override AttachViews (call the base first) to attach the views of your own, ShowPicture
//      to put the host's picture into them and UpdatePreview to recompute the preview from
//      m_values;
//   3) chain the message map to this class.
#pragma once
#include "AdjustValues.h"
#include "module/KxDialog.h"
#include <IM_WINDOW.h>
#include <LineTrackBar.h>

class KXCOMDLG_API CDlgAdjustBase : public CKxDialog
{
public:
// Operations
    // Keypad target 0..5 (brightness, contrast, saturation, red, green, blue), -1 for none.
    void SetAdjustItem(int item);
    // One keypad step on the target: positive and negative steps grow by the pending boost, a
    // step of 0 resets the value; the result stays within -100..100.
    void AdjustItem(int step);

// Attributes
    const CAdjustValues& GetValues() const { return m_values; }
    int GetAdjustItem() const { return m_nAdjustItem; }

protected:
    CDlgAdjustBase(UINT nIDTemplate, CWnd* pParentWnd);

// Overridables
    virtual void AttachViews();
    virtual void ShowPicture() = 0;
    // m_values holds the controls' values; recompute the preview from them.
    virtual void UpdatePreview() = 0;
    // A key press while the dialog runs; true when the keypad took it.
    virtual bool OnKeypadKey(UINT vk);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

// Profiles
    void LoadProfiles();
    void LoadProfile(const char* pszName);
    int SaveProfile(const char* pszName);
    void RemoveProfile(const char* pszName);
    void OnSaveAs();
    void OnDeleteProfile();
    void OnSelchangeName();

// Handlers
    void OnBtnSetstd();
    void OnBtnHelp();
    void OnChangeEdit();
    void OnChangeLineEdit1() { OnLineEditChanged(m_sldRed, m_values.m_nRed); }
    void OnChangeLineEdit2() { OnLineEditChanged(m_sldGreen, m_values.m_nGreen); }
    void OnChangeLineEdit3() { OnLineEditChanged(m_sldBlue, m_values.m_nBlue); }
    void OnChangeLineEdit11() { OnLineEditChanged(m_sldBright, m_values.m_nBright); }
    void OnChangeLineEdit22() { OnLineEditChanged(m_sldContrast, m_values.m_nContrast); }
    void OnChangeLineEdit33() { OnLineEditChanged(m_sldSatu, m_values.m_nSaturation); }
    void OnSelchangeCoSatu();

// Helpers
    // Posts the preview message unless one is already waiting in the queue.
    void PostPreview();
    // Fields to controls. The edits' change handlers never act on the half-written controls of
    // any UpdateData(FALSE), this one's or one made by a shared component on the dialog.
    void ShowValues();
    void OnLineEditChanged(CLineTrackBar& slider, const int& value);
    int* ValueOfItem(int item);
    CLineTrackBar* SliderOfItem(int item);
    static bool IsNumLockOn();
    // The largest size of the picture's proportions within the control's window, or the
    // picture's own when it fits.
    CSize FitSize(const CDib& dib, UINT nIDView) const;
    CSize GetViewSize(UINT nIDView) const;
    // The standard picture m_strStdPic into the standard view, reduced to fit it.
    void LoadStdPicture();
    // The preview: the before view's picture adjusted by m_values into target, always from the
    // unadjusted picture so changes never pile up. False (target as it was) without a picture or
    // without memory for the copy; the saturation amount reaches its channel's entry either way.
    bool PreviewInto(CDib& target);

    CAdjustValues m_values;
    CString m_strStdPic;
    int m_nAdjustItem = -1;
    bool m_bKeypadOn = false;
    int m_nKeypadBoost = 0;
    CString m_strProfileName;
    CString m_strProfilePath;

    CLineTrackBar m_sldRed, m_sldGreen, m_sldBlue, m_sldBright, m_sldContrast, m_sldSatu;
    CIM_WINDOW m_wndBefore;
    CIM_WINDOW m_wndStd;
    CComboBox m_cbName;

private:
    int m_nShowing = 0;   // depth of the exchanges writing the fields into the controls
    int m_nOpening = 0;   // the sliders are being set to their first positions
    DECLARE_MESSAGE_MAP()
};
