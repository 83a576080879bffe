// Export macro of the shell library (kxshelllib.dll).
#pragma once
#include <afxwin.h>

#ifdef KXSHELL_BUILDING_DLL
#define KXSHELL_API __declspec(dllexport)
#else
#define KXSHELL_API __declspec(dllimport)
#endif
