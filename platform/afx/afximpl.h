// Framework internals shared by its sources; not part of the public headers.
#pragma once
#include "afxwin.h"

// Keeps the exception being handled for the loop that dispatched the current message.
void AfxStashCurrentException();
// Depth of the message loops running on this thread (main loop and modal loops).
struct AfxLoopDepth
{
    AfxLoopDepth();
    ~AfxLoopDepth();
    static int Current();
};
// Adds the items of the template's initial data (type 240, UTF-8 texts) to its list controls.
BOOL AfxExecuteDlgInit(CWnd* pDlg, HINSTANCE hInst, LPCSTR lpszResourceName);
