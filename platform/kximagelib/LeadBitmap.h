// struct_LEAD_Bitmap: a bitmap handle as the imaging SDK's callers hand pictures around: a
// description of pixels that stay their owner's. The crop dialogs pass one to the clip window,
// which copies what it describes.
//
//   struct_LEAD_Bitmap bitmap;
//   if (DescribeLeadBitmap(picture, bitmap))      // the whole picture, or a part of it
//       clipWindow.SetDib(&bitmap);               // the window takes its own copy
#pragma once
#include "Dib.h"

struct struct_LEAD_Bitmap
{
    int Width;
    int Height;
    int BitsPerPixel;   // 24 (BGR) or 32 (BGRA)
    int BytesPerLine;   // from the start of one row to the start of the next
    BYTE* Data;         // the first byte of the top row
    int XResolution;    // dots per inch
    int YResolution;
};

// Describes the pixels of dib, or of the part of it inside pRegion (clipped to the picture). The
// description stays valid until dib is freed, resized or loaded again. FALSE for an invalid
// picture or a region that holds no pixel of it.
KXIMAGE_API BOOL DescribeLeadBitmap(CDib& dib, struct_LEAD_Bitmap& bitmap, const RECT* pRegion = nullptr);

// dib becomes a copy of the described pixels with their resolution. A description that cannot
// be a picture (no pixels, a depth other than 24 or 32, rows shorter than the width, a size
// beyond the picture limits) leaves dib empty and gives FALSE.
KXIMAGE_API BOOL CopyLeadBitmap(const struct_LEAD_Bitmap& bitmap, CDib& dib);
