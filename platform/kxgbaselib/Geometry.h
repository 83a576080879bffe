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

// The size of an nWidth x nHeight picture fitted into a box of nBoxWidth x nBoxHeight with its
// proportions kept and never enlarged: its own size when it fits, else the size of the rectangle
// GetProporCerterRect gives. A non-positive size or box gives 0 x 0.
KXGBASE_API SIZE GetFitSize(int nWidth, int nHeight, int nBoxWidth, int nBoxHeight);
