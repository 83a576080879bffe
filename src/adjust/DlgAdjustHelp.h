// The legend of the numeric keypad keys of the adjustment dialogs, drawn as a keypad. Closed with
// Esc or the caption's close button.
#pragma once
#include "module/kxcomdlglib.h"

class KXCOMDLG_API CDlgAdjustHelp : public CDialog
{
public:
    explicit CDlgAdjustHelp(CWnd* pParent = nullptr);
    INT_PTR DoModal() override;
};
