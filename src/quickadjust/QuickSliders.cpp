#include "QuickSliders.h"
#include <algorithm>

void CQuickSliders::Attach(CWnd* pDlg, CLineTrackBar& slider, UINT nID, UINT nBuddyID, int nMin, int nMax,
                           int nStart, int& value, int nScale)
{
    slider.SubclassDlgItem(nID, pDlg);
    slider.InitControl(nBuddyID, 0, nMin, nStart, nMax, 1, 1, 0);
    const Binding binding = { &slider, &value, nScale };
    auto same = std::find_if(m_bindings.begin(), m_bindings.end(), [&](const Binding& b) { return b.slider == &slider; });
    if (same != m_bindings.end())
        *same = binding;
    else
        m_bindings.push_back(binding);
}

void CQuickSliders::ReadAll() const
{
    for (const Binding& b : m_bindings)
        if (b.slider->m_hWnd)
            *b.value = b.slider->GetPos() * b.scale;
}
