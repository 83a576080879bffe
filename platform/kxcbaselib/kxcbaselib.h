// Export macro and window class names of the control library (kxcbaselib.dll).
#pragma once
#include <afxwin.h>

#ifdef KXCBASE_BUILDING_DLL
#define KXCBASE_API __declspec(dllexport)
#else
#define KXCBASE_API __declspec(dllimport)
#endif

// Registered as global classes when the DLL loads, so that the dialog templates of any module can
// place these controls by class name; the dialog then attaches the member object with
// SubclassDlgItem. Until it does, the window paints a plain sunken frame.
#define KX_LINE_TRACKBAR_CLASS "KX_LINE_TRACKBAR_CTRL"
#define KX_IMAGE_PREVIEW_CLASS "KX_IMAGE_PREVIEW_CTRL"

// The message a slider sends its parent whenever its position is changed by the user or by
// SetPos with notification: WM_APP + 1001.
#define WM_KX_SLIDER_CHANGED 0x83E9

// Instance handle of kxcbaselib.dll.
KXCBASE_API HINSTANCE KxCBaseGetInstance();
