// The legend of the numeric keypad keys of the adjustment dialogs, drawn as a keypad. Closed with
// Esc or the caption's close button.
#pragma once
#include "module/KxDialog.h"

class KXCOMDLG_API CDlgAdjustHelp : public CKxDialog
{
public:
    explicit CDlgAdjustHelp(CWnd* pParent = nullptr);
};
