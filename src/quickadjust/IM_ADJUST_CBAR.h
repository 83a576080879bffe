// Brightness, contrast and saturation of the pictures selected in the host's thumbnail list.
// The selected items' images are changed in place while the user drags, so the thumbnails are
// the preview; OK keeps them, Cancel puts back the images they had when the dialog opened.
//
//   CIM_ADJUST_CBAR dlg(this);
//   dlg.m_pThumbList = &m_thumbs;              // required: without it DoModal returns IDCANCEL
//   if (dlg.DoModal() == IDOK)
//       ApplyToFiles(dlg.m_nBrightness, dlg.m_nContrast, dlg.m_nSaturation);
//
// Each selected item's m_pSaveDib holds its image as it was when the dialog opened (made with new
// when the item had none, from then on the item's); Cancel releases its pixels, OK leaves them.
#pragma once
#include "QuickSliders.h"
#include "module/KxDialog.h"
#include <ThumbListCtrl.h>
#include <functional>
#include <vector>

class KXCOMDLG_API CIM_ADJUST_CBAR : public CKxDialog
{
public:
// Construction
    explicit CIM_ADJUST_CBAR(CWnd* pParent = nullptr);

// Results (after DoModal): the sliders' positions, -1000..1000; 0 when the dialog opens.
    int m_nBrightness = 0;
    int m_nContrast = 0;
    int m_nSaturation = 0;

// Input (before DoModal): the host's list; its selection when the dialog opens is what is adjusted.
    CThumbListCtrl* m_pThumbList = nullptr;

// The value boxes as typed (at most 4 characters) and the last number typed into each.
    CString m_strValue1, m_strValue2, m_strValue3;
    int m_nTyped1 = 0;
    int m_nTyped2 = 0;
    int m_nTyped3 = 0;

    // Saves the selected items' images and runs the dialog; IDCANCEL at once without a list.
    INT_PTR DoModal() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDataValidateError(CDataExchange* pDX, const CString& strPrompt, UINT nIDPrompt) override;
    void OnCancel() override;

    void OnChangeEdit1() { OnValueTyped(m_sldBrightness, m_strValue1, m_nTyped1); }
    void OnChangeEdit2() { OnValueTyped(m_sldContrast, m_strValue2, m_nTyped2); }
    void OnChangeEdit3() { OnValueTyped(m_sldSaturation, m_strValue3, m_nTyped3); }
    // Leaving a box shows the slider's position in it, whatever was typed ("", "2000").
    void OnKillfocusEdit1() { m_sldBrightness.SetPos(m_sldBrightness.GetPos(), 0); }
    void OnKillfocusEdit2() { m_sldContrast.SetPos(m_sldContrast.GetPos(), 0); }
    void OnKillfocusEdit3() { m_sldSaturation.SetPos(m_sldSaturation.GetPos(), 0); }

    void OnValueTyped(CLineTrackBar& slider, const CString& text, int& typed);
    // The selected items' images from their saved ones with the three amounts applied.
    void AdjustItems();
    // Applies change to each item saved when the dialog opened that is still in the list, and
    // redraws them.
    void ForEachItem(const std::function<void(CThumbItem&)>& change);
    CLineTrackBar* SliderOfBuddy(int nBuddyID);
    void KeepListVisible();

    CLineTrackBar m_sldBrightness, m_sldContrast, m_sldSaturation;
    CQuickSliders m_sliders;

    // The items selected when the dialog opened, whose images were saved.
    struct SavedItem
    {
        int index;
        CThumbItem* item;
    };
    std::vector<SavedItem> m_items;
    bool IsStillInList(const SavedItem& saved) const;

    DECLARE_MESSAGE_MAP()
};
