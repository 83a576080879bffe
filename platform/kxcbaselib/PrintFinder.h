// CPrintFinder: finds the separate photographic prints on a scanned sheet.
//
// How to use it:
//   1) construct it (the defaults suit flatbed scans of prints);
//   2) Find(sheet, prints, order) gives each print as a turned rectangle in the sheet's pixels,
//      with its tilt as the angle, in the reading order asked for;
//   3) cut a print out upright with CutTiltRect(sheet, prints[i], clip).
//
// What it expects of the sheet: a plain background, white or textured (paper, cloth, the
// scanner's lid), with noise, a gentle change of brightness across the sheet and the soft
// shadows a scanner's lamp casts beside each print; prints with or without a white border, each
// lying at its own tilt of up to 15 degrees either way, not touching one another or the sheet's
// edge. What is not a rectangle with straight, sharp sides on at least three of its four sides
// (dust, hairs, stains, shadows, a lid that was left open) is not reported.
//
// How: the background and its noise are measured on a copy reduced to about 1000 pixels along
// its longer side, where whatever stands out of the background is gathered into regions. Each
// region's sides are then found as the outermost sharp edge along profiles across each side
// (sharp: a soft shadow changes slowly, the edge of a print does not), first on the reduced
// copy, then at full resolution in a narrow band around each side; straight lines fitted to the
// edge points give the rectangle and its tilt.
#pragma once
#include "TiltRect.h"

class KXCBASE_API CPrintFinder
{
public:
// Construction
    CPrintFinder() = default;

// Attributes
    // Smallest print reported, as a fraction of the sheet's shorter side, for both sides of the
    // print (0.06 on an A4 sheet: 12.6 mm).
    double m_minSideFraction = 0.06;
    // Largest tilt looked for, degrees.
    double m_maxTilt = 15;

// Operations
    // The prints on the sheet in the order (HOP_ORDER_...); returns their number. An invalid
    // sheet, or one smaller than 32 pixels along a side, has none.
    int Find(const CDib& sheet, std::vector<CTiltRect>& prints, int order = HOP_ORDER_ROWS) const;
};
