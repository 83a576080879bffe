// The print finder on sheets drawn here with exactly known prints, and on one synthetic scan.
#include "SheetPaint.h"
#include <PrintFinder.h>
#include <ScanSheet.h>
#include <TestFolder.h>
#include <gtest/gtest.h>
#include <cmath>

namespace {

::testing::AssertionResult Matches(const CTiltRect& want, const CTiltRect& got, double minIoU, double maxTilt)
{
    const double iou = TiltRectIoU(want, got), tilt = std::fabs(std::remainder(got.angle - want.angle, 90.0));
    if (iou >= minIoU && tilt <= maxTilt)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected (" << want.cx << ", " << want.cy << ") " << want.width << " x "
                                         << want.height << " at " << want.angle << ", got (" << got.cx << ", " << got.cy
                                         << ") " << got.width << " x " << got.height << " at " << got.angle
                                         << ": IoU " << iou << ", tilt error " << tilt;
}

} // namespace

TEST(PrintFinder, UprightPrintsAreFoundToTheirPixelsInReadingOrder)
{
    CDib sheet = Sheet(800, 1000, kLid);
    // Handed over bottom first; each side on a whole pixel.
    const CTiltRect lower = CTiltRect::FromRect(CRect(100, 600, 500, 900));
    const CTiltRect right = CTiltRect::FromRect(CRect(460, 100, 720, 420));
    const CTiltRect left = CTiltRect::FromRect(CRect(80, 120, 380, 400));
    PaintFlat(sheet, lower, {40, 60, 120});
    PaintFlat(sheet, right, {150, 30, 30});
    PaintFlat(sheet, left, {20, 20, 20});

    std::vector<CTiltRect> prints;
    ASSERT_EQ(3, CPrintFinder().Find(sheet, prints));
    const CTiltRect want[] = {left, right, lower};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(want[i].cx, prints[i].cx, 0.25) << "print " << i;
        EXPECT_NEAR(want[i].cy, prints[i].cy, 0.25) << "print " << i;
        EXPECT_NEAR(want[i].width, prints[i].width, 0.5) << "print " << i;
        EXPECT_NEAR(want[i].height, prints[i].height, 0.5) << "print " << i;
        EXPECT_NEAR(0, prints[i].angle, 0.02) << "print " << i;
    }

    // Column order puts the lower print second.
    ASSERT_EQ(3, CPrintFinder().Find(sheet, prints, HOP_ORDER_COLUMNS));
    EXPECT_TRUE(Matches(lower, prints[1], 0.99, 0.05));
}

TEST(PrintFinder, TiltsAreMeasuredEitherWayOnNoisySheets)
{
    // 24 and 32 bits, tilted both ways, on a noisy lid.
    for (int bits : {24, 32}) {
        CDib sheet = Sheet(900, 700, kLid, bits);
        const CTiltRect a(250, 330, 330, 240, 7.5), b(650, 340, 260, 360, -9.25);
        PaintFlat(sheet, a, {90, 110, 60});
        PaintFlat(sheet, b, {200, 120, 40});
        AddNoise(sheet, 10);
        std::vector<CTiltRect> prints;
        ASSERT_EQ(2, CPrintFinder().Find(sheet, prints)) << bits << " bits";
        EXPECT_TRUE(Matches(a, prints[0], 0.99, 0.05)) << bits << " bits";
        EXPECT_TRUE(Matches(b, prints[1], 0.99, 0.05)) << bits << " bits";
    }
}

TEST(PrintFinder, WhiteBorderCountsAsPartOfThePrint)
{
    // A picture inside a border of paper white a little brighter than the lid: the print is the
    // whole sheet of paper, not the picture inside it.
    CDib sheet = Sheet(700, 600, kLid);
    const CTiltRect print(350, 300, 400, 300, 4);
    Paint(sheet, print, [](double fx, double fy) {
        return std::fabs(fx) < 180 && std::fabs(fy) < 130 ? Rgb{30, 80 + fx / 4, 140} : Rgb{251, 251, 248};
    });
    AddNoise(sheet, 6);
    std::vector<CTiltRect> prints;
    ASSERT_EQ(1, CPrintFinder().Find(sheet, prints));
    EXPECT_TRUE(Matches(print, prints[0], 0.99, 0.05));
}

TEST(PrintFinder, SoftShadowBesideAPrintIsLeftOut)
{
    // A shadow fading out over 15 pixels beyond the right and bottom sides, darkest (60 levels)
    // against the print, whose content is dark near those sides too.
    CDib sheet = Sheet(600, 600, kLid);
    const CTiltRect print(280, 280, 300, 240, -3);
    const double a = print.angle * 3.14159265358979 / 180, c = std::cos(a), s = std::sin(a);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) {
            const double dx = x + 0.5 - print.cx, dy = y + 0.5 - print.cy;
            const double fx = dx * c + dy * s, fy = -dx * s + dy * c;
            const double qx = fx - print.width / 2, qy = fy - print.height / 2;
            // Beyond the right or the bottom side only, not above or left of the print.
            if ((qx <= 0 && qy <= 0) || fx < -print.width / 2 || fy < -print.height / 2)
                continue;
            const double d = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
            BYTE* p = sheet.GetLine(y) + x * 3;
            const double shade = 60 * std::exp(-d / 5);
            for (int k = 0; k < 3; ++k)
                p[k] = (BYTE)std::lround(p[k] - shade);
        }
    Paint(sheet, print, [](double fx, double fy) { return fx > 100 || fy > 80 ? Rgb{25, 20, 20} : Rgb{180, 150, 90}; });
    AddNoise(sheet, 4);
    std::vector<CTiltRect> prints;
    ASSERT_EQ(1, CPrintFinder().Find(sheet, prints));
    EXPECT_TRUE(Matches(print, prints[0], 0.99, 0.05));
}

TEST(PrintFinder, NothingButPrintsIsReported)
{
    CDib sheet = Sheet(800, 800, kLid);
    // A lid that darkens towards one side, dust, a hair against the print, a round sticker, a
    // triangle, a ragged stain and one real print.
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 800; ++x) {
            BYTE* p = sheet.GetLine(y) + x * 3;
            for (int k = 0; k < 3; ++k)
                p[k] = (BYTE)(p[k] - x / 40);
        }
    const CTiltRect print(560, 560, 260, 200, 6);
    PaintFlat(sheet, print, {60, 90, 150});
    for (int i = 0; i < 20; ++i)
        PaintFlat(sheet, CTiltRect(37.0 * i + 15, (i * 211) % 780 + 10, 3, 3), {90, 90, 90});
    for (int t = 0; t < 300; ++t)
        PaintFlat(sheet, CTiltRect(420 - t * 0.8, 470 - t * 0.5 + 10 * std::sin(t / 30.0), 1.5, 1.5), {70, 70, 70});
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 800; ++x) {
            BYTE* p = sheet.GetLine(y) + x * 3;
            const double disc = std::hypot(x - 180.0, y - 180.0);
            const bool triangle = y > 420 && y < 700 && x > 80 && x < 80 + (y - 420);
            const double stain = 70 + 25 * std::sin(std::atan2(y - 200.0, x - 600.0) * 5);
            if (disc < 110)
                p[0] = 40, p[1] = 160, p[2] = 220;
            else if (triangle)
                p[0] = 30, p[1] = 30, p[2] = 160;
            else if (std::hypot(x - 600.0, y - 200.0) < stain)
                p[0] = 170, p[1] = 200, p[2] = 210;
        }
    AddNoise(sheet, 6);
    std::vector<CTiltRect> prints;
    ASSERT_EQ(1, CPrintFinder().Find(sheet, prints));
    EXPECT_TRUE(Matches(print, prints[0], 0.99, 0.05));
}

TEST(PrintFinder, EmptyOrUnusableSheetsHaveNoPrints)
{
    std::vector<CTiltRect> prints(3);
    CDib sheet = Sheet(500, 700, kLid);
    AddNoise(sheet, 12);
    EXPECT_EQ(0, CPrintFinder().Find(sheet, prints));
    EXPECT_TRUE(prints.empty());
    EXPECT_EQ(0, CPrintFinder().Find(CDib(), prints));
    EXPECT_EQ(0, CPrintFinder().Find(Sheet(20, 400, kLid), prints));
    // A print too small to count (under 6 % of the shorter side) is left out.
    PaintFlat(sheet, CTiltRect(250, 350, 25, 25), {20, 20, 20});
    EXPECT_EQ(0, CPrintFinder().Find(sheet, prints));
}

TEST(PrintFinder, SyntheticScanOfEightPrints)
{
    std::vector<CDib> photos;
    ASSERT_TRUE(LoadSamplePhotos(ExecutableFolder() + "..\\samples", photos));
    SCANSHEETOPT opt;
    opt.prints = 8;
    opt.textured = true;
    opt.dpi = 150;
    opt.seed = 12;
    CDib sheet;
    std::vector<CTiltRect> truth, prints;
    ASSERT_TRUE(MakeScanSheet(photos, opt, sheet, truth));
    ASSERT_EQ(8, CPrintFinder().Find(sheet, prints));
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(Matches(truth[i], prints[i], 0.97, 0.3)) << "print " << i;
}
