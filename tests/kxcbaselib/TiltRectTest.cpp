// Turned rectangles: their geometry, the cut of the picture inside one, the hop grid and the
// reading order.
#include <TiltRect.h>
#include <gtest/gtest.h>
#include <cmath>

namespace {

// Every pixel different from its neighbours, so any shift, flip or turn shows.
CDib Pattern(int w, int h, int bits = 24)
{
    CDib dib;
    dib.Create(w, h, bits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = dib.GetLine(y) + x * (bits / 8);
            p[0] = (BYTE)(x * 7 + y * 3);
            p[1] = (BYTE)(x * 11 + y * 29);
            p[2] = (BYTE)(x * y + 5);
            if (bits == 32)
                p[3] = (BYTE)(x + y);
        }
    return dib;
}

bool SamePixels(const CDib& a, const CDib& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBitsPerPixel() != b.GetBitsPerPixel())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        if (memcmp(a.GetLine(y), b.GetLine(y), (size_t)a.GetWidth() * a.GetBitsPerPixel() / 8) != 0)
            return false;
    return true;
}

} // namespace

TEST(TiltRect, CornersRunClockwiseFromTheTopLeftOfTheTurnedFrame)
{
    double x[4], y[4];
    CTiltRect(10, 20, 8, 4).GetCorners(x, y);
    EXPECT_DOUBLE_EQ(6, x[0]);  EXPECT_DOUBLE_EQ(18, y[0]);
    EXPECT_DOUBLE_EQ(14, x[1]); EXPECT_DOUBLE_EQ(18, y[1]);
    EXPECT_DOUBLE_EQ(14, x[2]); EXPECT_DOUBLE_EQ(22, y[2]);
    EXPECT_DOUBLE_EQ(6, x[3]);  EXPECT_DOUBLE_EQ(22, y[3]);

    // A quarter turn clockwise on the screen takes the top side downwards along the right.
    CTiltRect(0, 0, 8, 4, 90).GetCorners(x, y);
    EXPECT_NEAR(2, x[0], 1e-12);
    EXPECT_NEAR(-4, y[0], 1e-12);
    EXPECT_NEAR(2, x[1], 1e-12);
    EXPECT_NEAR(4, y[1], 1e-12);
    EXPECT_EQ(CRect(-2, -4, 2, 4), CTiltRect(0, 0, 8, 4, 90).GetBoundingRect());
}

TEST(TiltRect, NormalizedKeepsTheShapeWithinAnEighthTurn)
{
    const CTiltRect cases[] = {{5, 5, 8, 4, 100}, {5, 5, 8, 4, -100}, {5, 5, 8, 4, 190}, {5, 5, 8, 4, 45}, {5, 5, 8, 4, -45}};
    const double angles[] = {10, -10, 10, 45, 45};
    for (size_t i = 0; i < 5; ++i) {
        const CTiltRect n = cases[i].Normalized();
        EXPECT_NEAR(angles[i], n.angle, 1e-9) << "case " << i;
        EXPECT_NEAR(1.0, TiltRectIoU(cases[i], n), 1e-9) << "case " << i << " changed shape";
    }
    EXPECT_DOUBLE_EQ(4, CTiltRect(0, 0, 8, 4, 100).Normalized().width);
}

TEST(TiltRect, IntersectionOverUnionOfKnownOverlaps)
{
    const CTiltRect a(0, 0, 4, 2);
    EXPECT_DOUBLE_EQ(1, TiltRectIoU(a, a));
    EXPECT_DOUBLE_EQ(0, TiltRectIoU(a, CTiltRect(10, 0, 4, 2)));
    // Half of each overlaps: 4 / (8 + 8 - 4).
    EXPECT_NEAR(1.0 / 3, TiltRectIoU(CTiltRect(0, 0, 4, 2), CTiltRect(2, 0, 4, 2)), 1e-12);
    // A square over itself turned by 45 degrees: the octagon 8 (sqrt 2 - 1) over the rest,
    // which comes to 1 / sqrt 2.
    EXPECT_NEAR(1 / std::sqrt(2.0), TiltRectIoU(CTiltRect(3, 3, 2, 2), CTiltRect(3, 3, 2, 2, 45)), 1e-12);
    EXPECT_DOUBLE_EQ(0, TiltRectIoU(a, CTiltRect(0, 0, 0, 2)));
}

TEST(TiltRect, UprightCutOnWholePixelsIsExact)
{
    const CDib src = Pattern(40, 30);
    CDib cut;
    ASSERT_TRUE(CutTiltRect(src, CTiltRect::FromRect(CRect(5, 7, 25, 19)), cut));
    ASSERT_EQ(20, cut.GetWidth());
    ASSERT_EQ(12, cut.GetHeight());
    for (int y = 0; y < 12; ++y)
        ASSERT_EQ(0, memcmp(cut.GetLine(y), src.GetLine(y + 7) + 5 * 3, 20 * 3)) << "row " << y;

    // At 32 bits the alpha channel comes along.
    const CDib src32 = Pattern(40, 30, 32);
    ASSERT_TRUE(CutTiltRect(src32, CTiltRect::FromRect(CRect(0, 0, 40, 30)), cut));
    EXPECT_TRUE(SamePixels(src32, cut));
}

TEST(TiltRect, CutStraightensWhatTheRectangleTurned)
{
    // The rectangle turned a quarter clockwise holds the picture turned a quarter
    // counter-clockwise once cut upright.
    const CDib src = Pattern(30, 20);
    CDib cut, turned = src;
    ASSERT_TRUE(CutTiltRect(src, CTiltRect(15, 10, 20, 30, 90), cut));
    ASSERT_TRUE(turned.Rotate(-9000));
    EXPECT_TRUE(SamePixels(turned, cut));

    // The cut may be its own source.
    CDib self = src;
    ASSERT_TRUE(CutTiltRect(self, CTiltRect(15, 10, 20, 30, 90), self));
    EXPECT_TRUE(SamePixels(turned, self));
}

TEST(TiltRect, CutBeyondThePictureIsWhite)
{
    const CDib src = Pattern(10, 10);
    CDib cut;
    ASSERT_TRUE(CutTiltRect(src, CTiltRect::FromRect(CRect(5, 0, 20, 10)), cut));
    const BYTE* p = cut.GetLine(4) + 12 * 3;
    EXPECT_EQ(255, p[0]);
    EXPECT_EQ(255, p[1]);
    EXPECT_EQ(255, p[2]);
    EXPECT_EQ(0, memcmp(cut.GetLine(4), src.GetLine(4) + 5 * 3, 4 * 3));

    EXPECT_FALSE(CutTiltRect(src, CTiltRect(5, 5, 0, 4), cut));
    EXPECT_FALSE(CutTiltRect(CDib(), CTiltRect(5, 5, 4, 4), cut));
}

TEST(HopGrid, DividesTheAreaInsideTheMargins)
{
    HOPGRID grid;
    grid.nRows = 2;
    grid.nCols = 3;
    grid.nLeft = 10;
    grid.nRight = 20;
    grid.nTop = 5;
    grid.nBottom = 15;
    grid.nHGap = 6;
    grid.nVGap = 4;
    // (1000 - 30 - 2 * 6) / 3 = 319 wide (one spare pixel), (800 - 20 - 4) / 2 = 388 high.
    const std::vector<CRect> cells = grid.GetCells(1000, 800);
    const CRect expected[] = {{10, 5, 329, 393},   {335, 5, 654, 393},   {660, 5, 979, 393},
                              {10, 397, 329, 785}, {335, 397, 654, 785}, {660, 397, 979, 785}};
    ASSERT_EQ(6u, cells.size());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], cells[i]) << "cell " << i;
}

TEST(HopGrid, OrdersGoByRowsOrColumnsFromEitherSide)
{
    HOPGRID grid;
    grid.nRows = 2;
    grid.nCols = 2;
    auto tops = [&](int order) {
        grid.nOrder = order;
        std::vector<POINT> corners;
        for (const CRect& rc : grid.GetCells(200, 100))
            corners.push_back(rc.TopLeft());
        return corners;
    };
    auto is = [](const std::vector<POINT>& got, std::initializer_list<POINT> want) {
        return got.size() == want.size() && std::equal(got.begin(), got.end(), want.begin(), [](const POINT& a, const POINT& b) {
                   return a.x == b.x && a.y == b.y;
               });
    };
    EXPECT_TRUE(is(tops(HOP_ORDER_ROWS), {{0, 0}, {100, 0}, {0, 50}, {100, 50}}));
    EXPECT_TRUE(is(tops(HOP_ORDER_COLUMNS), {{0, 0}, {0, 50}, {100, 0}, {100, 50}}));
    EXPECT_TRUE(is(tops(HOP_ORDER_ROWS_RTL), {{100, 0}, {0, 0}, {100, 50}, {0, 50}}));
    EXPECT_TRUE(is(tops(HOP_ORDER_COLUMNS_RTL), {{100, 0}, {100, 50}, {0, 0}, {0, 50}}));
}

TEST(HopGrid, FixedBoxStepsFromTheMarginsAndIsCutToThePicture)
{
    HOPGRID grid;
    grid.nRows = 2;
    grid.nCols = 3;
    grid.nLeft = 20;
    grid.nTop = 10;
    grid.nHGap = 10;
    grid.nVGap = 0;
    const std::vector<CRect> cells = grid.GetCells(300, 150, 100, 80);
    // The third column starts at 240 and is cut at 300; the second row is cut at 150.
    ASSERT_EQ(6u, cells.size());
    EXPECT_EQ(CRect(20, 10, 120, 90), cells[0]);
    EXPECT_EQ(CRect(130, 10, 230, 90), cells[1]);
    EXPECT_EQ(CRect(240, 10, 300, 90), cells[2]);
    EXPECT_EQ(CRect(20, 90, 120, 150), cells[3]);

    // Nothing left of a cell: dropped. No room at all: no cell.
    grid.nCols = 4;
    EXPECT_EQ(6u, grid.GetCells(300, 150, 100, 80).size());
    grid.nLeft = 300;
    EXPECT_TRUE(grid.GetCells(300, 150).empty());
    EXPECT_TRUE(HOPGRID().GetCells(0, 100).empty());
    // Rows and columns below one count as one, negative margins as none.
    HOPGRID odd;
    odd.nRows = 0;
    odd.nCols = -3;
    odd.nLeft = -5;
    const std::vector<CRect> one = odd.GetCells(50, 40);
    ASSERT_EQ(1u, one.size());
    EXPECT_EQ(CRect(0, 0, 50, 40), one[0]);
}

TEST(ReadingOrder, RowsGatherRectanglesThatSitAtDifferentHeights)
{
    // Two rows, the right-hand prints a little lower or higher than the left-hand ones, handed
    // over in no order.
    std::vector<CTiltRect> rects = {
        {700, 540, 300, 200, 4}, {250, 120, 300, 200, -3}, {260, 500, 320, 220}, {690, 190, 280, 200, 8}};
    SortInReadingOrder(rects, HOP_ORDER_ROWS);
    const double rows[] = {250, 690, 260, 700};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rows[i], rects[i].cx) << "position " << i;

    SortInReadingOrder(rects, HOP_ORDER_COLUMNS);
    const double columns[] = {120, 500, 190, 540};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(columns[i], rects[i].cy) << "position " << i;

    SortInReadingOrder(rects, HOP_ORDER_ROWS_RTL);
    const double rtl[] = {690, 250, 700, 260};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rtl[i], rects[i].cx) << "position " << i;

    SortInReadingOrder(rects, HOP_ORDER_COLUMNS_RTL);
    const double columnsRtl[] = {190, 540, 120, 500};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(columnsRtl[i], rects[i].cy) << "position " << i;
}
