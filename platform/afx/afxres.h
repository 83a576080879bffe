// The process-wide current resource handle, the resource chain and the framework's own resources.
#pragma once
#include "afxver.h"

class CString;
class CWinApp;

// Framework string ids (the data-exchange messages); they live in afx.dll's own string table.
#define AFX_IDP_PARSE_INT           0xF110
#define AFX_IDP_PARSE_REAL          0xF111
#define AFX_IDP_PARSE_INT_RANGE     0xF112
#define AFX_IDP_PARSE_REAL_RANGE    0xF113
#define AFX_IDP_PARSE_STRING_SIZE   0xF114
#define AFX_IDP_PARSE_UINT          0xF116
#define AFX_IDP_PARSE_RADIO_BUTTON  0xF117
#define AFX_IDP_PARSE_BYTE          0xF118

// The current resource handle: where templates and strings are looked up first. It starts as the
// process's executable; a library switches it for the duration of its own dialogs.
AFX_API HINSTANCE AfxGetResourceHandle();
AFX_API void AfxSetResourceHandle(HINSTANCE hInstResource);
// The instance handle of the host application (its executable).
AFX_API HINSTANCE AfxGetInstanceHandle();
// The full path of a module (null: the process's executable), however long it is; empty when
// the module is unknown.
AFX_API CString AfxGetModuleFileName(HMODULE hModule);

// The resource chain: modules searched after the current resource handle, in registration order.
AFX_API void AfxRegisterResourceModule(HINSTANCE hModule);
AFX_API void AfxUnregisterResourceModule(HINSTANCE hModule);
// The module that holds the resource: the current handle if it has it, else the first of the chain.
AFX_API HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
AFX_API BOOL AfxLoadStringFromChain(UINT nID, CString& rString);

// Standard entry of a user-interface library: records its instance handle in its application
// object and puts the library on the resource chain. Call from DllMain.
AFX_API void AfxDllProcessAttach(HINSTANCE hInstance, CWinApp* pLibraryApp);
AFX_API void AfxDllProcessDetach(HINSTANCE hInstance);

// The framework's own module (afx.dll), whose string table holds the data-exchange texts.
AFX_API HINSTANCE AfxGetFrameworkHandle();

// Formats %1 and %2 of a string-table text.
AFX_API void AfxFormatString1(CString& rString, UINT nIDS, const char* lpsz1);
AFX_API void AfxFormatString2(CString& rString, UINT nIDS, const char* lpsz1, const char* lpsz2);
