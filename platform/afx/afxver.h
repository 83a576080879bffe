// Export macro and common base of the dialog framework DLL (afx.dll).
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#ifdef AFX_BUILDING_DLL
#define AFX_API __declspec(dllexport)
#else
#define AFX_API __declspec(dllimport)
#endif

#define AFXAPI
#ifndef TRUE
#define TRUE 1
#endif

// Debug assertions name the source file and line; release builds compile them away.
AFX_API void AfxAssertFailedLine(const char* file, int line);
#ifdef NDEBUG
#define ASSERT(f) ((void)0)
#define ASSERT_AT(f, file, line) ((void)0)
#define VERIFY(f) ((void)(f))
#else
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__))
#define ASSERT_AT(f, file, line) ((f) ? (void)0 : AfxAssertFailedLine(file, line))
#define VERIFY(f) ASSERT(f)
#endif
#define ASSERT_VALID(p) ASSERT((p) != nullptr)
