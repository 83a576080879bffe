#include "LeadBitmap.h"
#include <algorithm>
#include <cstring>

BOOL DescribeLeadBitmap(CDib& dib, struct_LEAD_Bitmap& bitmap, const RECT* pRegion)
{
    bitmap = {};
    if (!dib.IsValid())
        return FALSE;
    RECT area = { 0, 0, dib.GetWidth(), dib.GetHeight() };
    if (pRegion) {
        area.left = std::max(area.left, pRegion->left);
        area.top = std::max(area.top, pRegion->top);
        area.right = std::min(area.right, pRegion->right);
        area.bottom = std::min(area.bottom, pRegion->bottom);
        if (area.left >= area.right || area.top >= area.bottom)
            return FALSE;
    }
    const int bytes = dib.GetBitsPerPixel() / 8;
    bitmap.Width = area.right - area.left;
    bitmap.Height = area.bottom - area.top;
    bitmap.BitsPerPixel = dib.GetBitsPerPixel();
    bitmap.BytesPerLine = dib.GetStride();
    bitmap.Data = dib.GetLine(area.top) + (size_t)area.left * bytes;
    bitmap.XResolution = dib.GetXRes();
    bitmap.YResolution = dib.GetYRes();
    return TRUE;
}

BOOL CopyLeadBitmap(const struct_LEAD_Bitmap& bitmap, CDib& dib)
{
    dib.Free();
    const int bpp = bitmap.BitsPerPixel;
    if (!bitmap.Data || (bpp != 24 && bpp != 32) || bitmap.Width <= 0 || bitmap.Height <= 0
        || bitmap.Width > KXIMAGE_MAX_SIDE || bitmap.Height > KXIMAGE_MAX_SIDE
        || (long long)bitmap.Width * bitmap.Height > KXIMAGE_MAX_PIXELS)
        return FALSE;
    const size_t rowBytes = (size_t)bitmap.Width * (bpp / 8);
    if (bitmap.BytesPerLine < 0 || (size_t)bitmap.BytesPerLine < rowBytes)
        return FALSE;
    if (!dib.Create(bitmap.Width, bitmap.Height, bpp))
        return FALSE;
    for (int y = 0; y < bitmap.Height; ++y)
        memcpy(dib.GetLine(y), bitmap.Data + (size_t)y * bitmap.BytesPerLine, rowBytes);
    if (bitmap.XResolution > 0)
        dib.SetXRes(bitmap.XResolution);
    if (bitmap.YResolution > 0)
        dib.SetYRes(bitmap.YResolution);
    return TRUE;
}
