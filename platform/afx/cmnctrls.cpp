#include "afxcmn.h"

void DDX_Slider(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = (int)::SendMessageA(hCtrl, TBM_GETPOS, 0, 0);
    else
        ::SendMessageA(hCtrl, TBM_SETPOS, TRUE, (LPARAM)value);
}
