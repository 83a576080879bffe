// kxgbaselib: the base helpers every dialog library of the application stands on. Export macro.
#pragma once
#include <afxwin.h>

#ifdef KXGBASE_BUILDING_DLL
#define KXGBASE_API __declspec(dllexport)
#else
#define KXGBASE_API __declspec(dllimport)
#endif
