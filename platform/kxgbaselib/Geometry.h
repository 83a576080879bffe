// Rounding and proportional fitting.
#pragma once
#include "kxgbaselib.h"

// The nearest integer; halves go away from zero (2.5 -> 3, -2.5 -> -3). Values beyond the range
// of int are clamped to INT_MIN / INT_MAX, and NaN gives 0, so no caller sees undefined results.
KXGBASE_API int Round(double value);

// The largest rectangle with the proportions nWidth : nHeight that fits in rcFrame, centred in
// it (an odd spare pixel goes to the right / bottom). The result touches the frame on two sides.
// A frame without area or a non-positive width or height gives an empty rectangle at the
// frame's centre and FALSE; otherwise TRUE.
KXGBASE_API BOOL GetProporCerterRect(const RECT& rcFrame, int nWidth, int nHeight, RECT& rcOut);

// The size of a nWidth x nHeight picture reduced into nBoxWidth x nBoxHeight with its proportions
// kept, as GetProporCerterRect fits it; a picture that fits already keeps its own size, so
// nothing is ever enlarged. 0 x 0 for a picture or a box without area.
KXGBASE_API CSize GetProporFitSize(int nWidth, int nHeight, int nBoxWidth, int nBoxHeight);
// As GetProporCerterRect, except that a picture that fits the frame keeps its own size: the
// rectangle where a picture is shown reduced but never enlarged, centred in the frame.
KXGBASE_API BOOL GetProporCenterFitRect(const RECT& rcFrame, int nWidth, int nHeight, RECT& rcOut);
