#include "QuickPreview.h"
#include <Geometry.h>

BOOL CQuickPreview::Attach(CWnd* pDlg, UINT nIDView, const CDib* pSource)
{
    if (!m_wndView.m_hWnd)
        m_wndView.SubclassDlgItem(nIDView, pDlg);
    m_store.Free();
    CRect client, fit;
    m_wndView.GetClientRect(&client);
    if (pSource && pSource->IsValid()
        && GetProporCerterRect(client, pSource->GetWidth(), pSource->GetHeight(), fit))
        m_store.Resize(*pSource, fit.Width(), fit.Height(), 2);
    m_wndView.ShowDib(m_store);
    return m_store.IsValid();
}

void CQuickPreview::Redraw(const std::function<void(CDib&)>& adjust)
{
    CDib* shown = m_wndView.GetDib();
    *shown = m_store;
    if (shown->IsValid())
        adjust(*shown);
    m_wndView.Refresh();
}
