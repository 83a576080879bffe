// kxcomdlglib: the dialog library. Export macro, the library's instance handle, and the resource
// scope that every exported dialog opens around its modal run.
#pragma once
#include <afxwin.h>

#ifdef KXCOMDLG_BUILDING_DLL
#define KXCOMDLG_API __declspec(dllexport)
#else
#define KXCOMDLG_API __declspec(dllimport)
#endif

// The instance handle of kxcomdlglib.dll, as recorded in its application object at load time.
KXCOMDLG_API HINSTANCE KxGetLibraryHandle();

// Makes the library's own templates, strings and bitmaps win over the host's for the lifetime of
// the object, and puts the host's current resource handle back on every way out of the block.
// Exported dialogs get it around DoModal and Create from CKxDialog (KxDialog.h); other code that
// loads the library's resources opens one itself:
//
//   CResourceSwitch scope;
//   title.LoadString(IDS_FOO_TITLE);
class KXCOMDLG_API CResourceSwitch
{
public:
    CResourceSwitch();
    ~CResourceSwitch();
    CResourceSwitch(const CResourceSwitch&) = delete;
    CResourceSwitch& operator=(const CResourceSwitch&) = delete;

private:
    HINSTANCE m_hSaved;   // the current resource handle when the scope opened
};
