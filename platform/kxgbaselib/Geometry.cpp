#include "Geometry.h"
#include <climits>
#include <cmath>

int Round(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= (double)INT_MAX)
        return INT_MAX;
    if (value <= (double)INT_MIN)
        return INT_MIN;
    return (int)std::lround(value);
}

BOOL GetProporCerterRect(const RECT& rcFrame, int nWidth, int nHeight, RECT& rcOut)
{
    const long long frameW = (long long)rcFrame.right - rcFrame.left;
    const long long frameH = (long long)rcFrame.bottom - rcFrame.top;
    if (frameW <= 0 || frameH <= 0 || nWidth <= 0 || nHeight <= 0) {
        const LONG cx = (LONG)(rcFrame.left + frameW / 2), cy = (LONG)(rcFrame.top + frameH / 2);
        rcOut.left = rcOut.right = cx;
        rcOut.top = rcOut.bottom = cy;
        return FALSE;
    }
    // Compare the proportions in integers (frameW * h against frameH * w) so a picture of
    // exactly the frame's shape fills it without a rounding pixel lost.
    long long w, h;
    if (frameW * nHeight <= frameH * nWidth) {
        w = frameW;
        h = (frameW * nHeight + nWidth / 2) / nWidth;
        if (h < 1) h = 1;
        if (h > frameH) h = frameH;
    } else {
        h = frameH;
        w = (frameH * nWidth + nHeight / 2) / nHeight;
        if (w < 1) w = 1;
        if (w > frameW) w = frameW;
    }
    rcOut.left = (LONG)(rcFrame.left + (frameW - w) / 2);
    rcOut.top = (LONG)(rcFrame.top + (frameH - h) / 2);
    rcOut.right = (LONG)(rcOut.left + w);
    rcOut.bottom = (LONG)(rcOut.top + h);
    return TRUE;
}

CSize GetProporFitSize(int nWidth, int nHeight, int nBoxWidth, int nBoxHeight)
{
    if (nWidth <= 0 || nHeight <= 0 || nBoxWidth <= 0 || nBoxHeight <= 0)
        return CSize(0, 0);
    if (nWidth <= nBoxWidth && nHeight <= nBoxHeight)
        return CSize(nWidth, nHeight);
    RECT fit;
    GetProporCerterRect(RECT{ 0, 0, nBoxWidth, nBoxHeight }, nWidth, nHeight, fit);
    return CSize(fit.right - fit.left, fit.bottom - fit.top);
}

BOOL GetProporCenterFitRect(const RECT& rcFrame, int nWidth, int nHeight, RECT& rcOut)
{
    const long long frameW = (long long)rcFrame.right - rcFrame.left;
    const long long frameH = (long long)rcFrame.bottom - rcFrame.top;
    if (frameW <= 0 || frameH <= 0 || nWidth > frameW || nHeight > frameH || nWidth <= 0 || nHeight <= 0)
        return GetProporCerterRect(rcFrame, nWidth, nHeight, rcOut);
    rcOut.left = (LONG)(rcFrame.left + (frameW - nWidth) / 2);
    rcOut.top = (LONG)(rcFrame.top + (frameH - nHeight) / 2);
    rcOut.right = rcOut.left + nWidth;
    rcOut.bottom = rcOut.top + nHeight;
    return TRUE;
}
