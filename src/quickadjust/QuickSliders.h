// The sliders of a quick adjustment dialog and the result members they fill: every quick dialog
// re-reads all of its sliders on each notification, so a change never depends on which slider
// moved or in which order.
//
// How to use it:
//   1) in OnInitDialog, once a slider:
//      m_sliders.Attach(this, m_sldBright, IDC_QUICK_SLIDER1, IDC_QUICK_EDIT1, -1000, 1000, 0, m_nBrightness);
//   2) on WM_KX_SLIDER_CHANGED: m_sliders.ReadAll(), then work from the members.
#pragma once
#include "module/kxcomdlglib.h"
#include <LineTrackBar.h>
#include <vector>

class KXCOMDLG_API CQuickSliders
{
public:
    // Attaches the slider to its template control and sets it up with its buddy edit, its range
    // and its start position (the buddy shows it, nobody is notified). From then on ReadAll
    // stores the slider's position times nScale in value. Attaching the same slider again (the
    // next run of the dialog) replaces its binding.
    void Attach(CWnd* pDlg, CLineTrackBar& slider, UINT nID, UINT nBuddyID, int nMin, int nMax, int nStart,
                int& value, int nScale = 1);
    // Every slider's position into its member.
    void ReadAll() const;

private:
    struct Binding
    {
        CLineTrackBar* slider;
        int* value;
        int scale;
    };
    std::vector<Binding> m_bindings;
};
