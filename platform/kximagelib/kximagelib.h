// Export macro of the picture library DLL.
#pragma once

#ifdef KXIMAGE_BUILDING_DLL
#define KXIMAGE_API __declspec(dllexport)
#else
#define KXIMAGE_API __declspec(dllimport)
#endif
