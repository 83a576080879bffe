// CTiltRect: a rectangle turned about its centre, the shape of a print lying askew on a scanned
// sheet and of the clip box that cuts it out; the grid of hop positions; reading order.
//
// Coordinates are continuous picture coordinates: pixel (i, j) covers [i, i + 1) x [j, j + 1),
// so its centre is (i + 0.5, j + 0.5) and an upright rectangle over pixels 10..19 has its left
// side at 10 and a width of 10.
#pragma once
#include "kxcbaselib.h"
#include <Dib.h>
#include <vector>

struct KXCBASE_API CTiltRect
{
    double cx = 0, cy = 0;          // centre
    double width = 0, height = 0;   // along the rectangle's own axes
    // Degrees, clockwise as seen on the screen (y grows downwards): the rectangle's top side
    // runs along (cos angle, sin angle). Normalize keeps it in (-45, 45].
    double angle = 0;

    CTiltRect() = default;
    CTiltRect(double cx_, double cy_, double w, double h, double a = 0) : cx(cx_), cy(cy_), width(w), height(h), angle(a) {}
    // An upright rectangle over rc.
    static CTiltRect FromRect(const RECT& rc);

    double Area() const { return width * height; }
    // Corners top-left, top-right, bottom-right, bottom-left of the rectangle's own frame.
    void GetCorners(double x[4], double y[4]) const;
    // The smallest upright pixel rectangle holding every corner.
    CRect GetBoundingRect() const;
    // The same rectangle with its angle in (-45, 45], width and height swapped where a quarter
    // turn was taken off.
    CTiltRect Normalized() const;
    // True when the point lies inside.
    bool Contains(double x, double y) const;
};

// Area of the intersection over area of the union, 0 when either is empty.
KXCBASE_API double TiltRectIoU(const CTiltRect& a, const CTiltRect& b);

// The picture inside rect, turned upright: out becomes round(width) x round(height) pixels of
// src's depth and resolution, each sampled bilinearly at its place in the rectangle; what lies
// outside src is white (alpha 255 at 32 bits). An upright rectangle on whole pixels gives the
// exact pixels. FALSE for an invalid src or an empty rectangle.
KXCBASE_API BOOL CutTiltRect(const CDib& src, const CTiltRect& rect, CDib& out);

// Orders of the hop positions, for the grid and for the prints found on a sheet.
enum
{
    HOP_ORDER_ROWS = 0,         // row by row from the top, left to right within a row
    HOP_ORDER_COLUMNS = 1,      // column by column from the left, top to bottom within a column
    HOP_ORDER_ROWS_RTL = 2,     // row by row from the top, right to left within a row
    HOP_ORDER_COLUMNS_RTL = 3,  // column by column from the right, top to bottom within a column
};

// A grid of clip positions laid over a picture, all distances in pixels of the picture.
struct KXCBASE_API HOPGRID
{
    int nRows = 1, nCols = 1;
    int nLeft = 0, nTop = 0, nRight = 0, nBottom = 0;   // margins
    int nHGap = 0, nVGap = 0;                           // between neighbouring cells
    int nOrder = HOP_ORDER_ROWS;

    // The cells of the grid on a picture of the size, in the grid's order. With boxWidth and
    // boxHeight above 0 every cell has that size and the cells start at the left and top margins
    // (the right and bottom margins are not used); otherwise the area inside the margins is
    // divided into nCols x nRows equal cells (spare pixels stay at the right and bottom). Cells
    // are cut to the picture and dropped when nothing is left of them. Rows and columns below 1
    // count as 1, negative margins and gaps as 0.
    std::vector<CRect> GetCells(int picWidth, int picHeight, int boxWidth = 0, int boxHeight = 0) const;
};

// Puts rectangles found in any order into the reading order. Rows (columns for the column
// orders) are gathered first: a rectangle joins the row of the rectangle above it whose
// vertical extent holds its centre; rows then go from top to bottom and each row left to right
// (right to left for the RTL orders).
KXCBASE_API void SortInReadingOrder(std::vector<CTiltRect>& rects, int order);
