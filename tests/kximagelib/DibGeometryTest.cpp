// Resampling, rotation and sharpening.
#include "DibTestUtil.h"
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

CDib Checkerboard(int width, int height)
{
    CDib dib;
    dib.Create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int v = (x + y) % 2 ? 255 : 0;
            SetPixel(dib, x, y, Rgb{v, v, v});
        }
    return dib;
}


// Random pixels, and random bytes in the row padding too, so a kernel that reads the padding
// shows up as a wrong pixel.
CDib Noise(int width, int height, int bits, unsigned seed)
{
    CDib dib;
    dib.Create(width, height, bits);
    std::mt19937 random(seed);
    for (size_t i = 0; i < (size_t)dib.GetStride() * height; ++i)
        dib.GetBits()[i] = (BYTE)random();
    return dib;
}

std::string Describe(const CDib& dib)
{
    return std::to_string(dib.GetWidth()) + "x" + std::to_string(dib.GetHeight()) + " at " +
           std::to_string(dib.GetBitsPerPixel()) + " bits";
}

// What the unsharp mask compares each colour byte with: 16 times the byte minus the binomial blur
// over its clamped neighbourhood (alpha bytes get 0).
std::vector<int> SharpDifferences(const CDib& src)
{
    const int bpp = src.GetBitsPerPixel() / 8, w = src.GetWidth(), h = src.GetHeight();
    auto at = [&](int x, int y, int c) {
        return (int)src.GetLine(std::min(std::max(y, 0), h - 1))[std::min(std::max(x, 0), w - 1) * bpp + c];
    };
    std::vector<int> differences((size_t)w * h * bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int blur = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        blur += (2 - std::abs(dx)) * (2 - std::abs(dy)) * at(x + dx, y + dy, c);
                differences[((size_t)y * w + x) * bpp + c] = 16 * at(x, y, c) - blur;
            }
    return differences;
}

// The unsharp mask written out directly, with the correction rounded to nearest, halves upwards.
CDib ReferenceSharp(const CDib& src, const std::vector<int>& differences, int amount)
{
    CDib out = src;
    const int bpp = src.GetBitsPerPixel() / 8;
    for (int y = 0; y < src.GetHeight(); ++y)
        for (int x = 0; x < src.GetWidth(); ++x)
            for (int c = 0; c < 3; ++c) {
                BYTE& p = out.GetLine(y)[x * bpp + c];
                const int d = differences[((size_t)y * src.GetWidth() + x) * bpp + c];
                const int v = p + (int)std::floor((amount * d + 8000) / 16000.0);
                p = (BYTE)std::min(std::max(v, 0), 255);
            }
    return out;
}

// Where dst(x, y) of a turn by quarters comes from, as Rotate documents: clockwise.
CDib ReferenceTurn(const CDib& src, int quarters)
{
    const int bpp = src.GetBitsPerPixel() / 8, sw = src.GetWidth(), sh = src.GetHeight();
    CDib out;
    out.Create(quarters == 2 ? sw : sh, quarters == 2 ? sh : sw, src.GetBitsPerPixel());
    for (int y = 0; y < out.GetHeight(); ++y)
        for (int x = 0; x < out.GetWidth(); ++x) {
            const int sx = quarters == 1 ? y : quarters == 2 ? sw - 1 - x : sw - 1 - y;
            const int sy = quarters == 1 ? sh - 1 - x : quarters == 2 ? sh - 1 - y : x;
            memcpy(out.GetLine(y) + x * bpp, src.GetLine(sy) + sx * bpp, bpp);
        }
    return out;
}

// The resampling filters of Resize in double precision, as Dib.h describes them: for mode 2 the
// exact means of whole-factor blocks first, then the rows filtered into an 8-bit picture, then its
// columns. Every byte is filtered, alpha included.
struct ReferenceTaps
{
    int first;
    std::vector<double> weights;
};

std::vector<ReferenceTaps> ReferenceWeights(int srcSize, int dstSize, int mode)
{
    const double radius = mode == 2 ? 3 : 1, pi = 3.14159265358979323846;
    auto kernel = [&](double x) {
        x = std::fabs(x);
        if (mode != 2)
            return x < 1 ? 1 - x : 0.0;
        if (x < 1e-9)
            return 1.0;
        return x < 3 ? 3 * std::sin(pi * x) * std::sin(pi * x / 3) / (pi * pi * x * x) : 0.0;
    };
    const double scale = double(srcSize) / dstSize, stretch = std::max(1.0, scale), support = radius * stretch;
    std::vector<ReferenceTaps> taps(dstSize);
    for (int x = 0; x < dstSize; ++x) {
        const double centre = (x + 0.5) * scale - 0.5;
        int lo = std::max(0, (int)std::floor(centre - support) + 1);
        int hi = std::min(srcSize - 1, (int)std::floor(centre + support));
        if (hi < lo)
            lo = hi = std::min(std::max((int)std::lround(centre), 0), srcSize - 1);
        double sum = 0;
        for (int i = lo; i <= hi; ++i) {
            taps[x].weights.push_back(kernel((i - centre) / stretch));
            sum += taps[x].weights.back();
        }
        for (double& w : taps[x].weights)
            w /= sum;
        taps[x].first = lo;
    }
    return taps;
}

BYTE RoundToByte(double v)
{
    return (BYTE)std::min(std::max(std::floor(v + 0.5), 0.0), 255.0);
}

CDib ReferenceBoxMeans(const CDib& src, int fx, int fy)
{
    const int bpp = src.GetBitsPerPixel() / 8, sw = src.GetWidth(), sh = src.GetHeight();
    CDib out;
    out.Create((sw + fx - 1) / fx, (sh + fy - 1) / fy, src.GetBitsPerPixel());
    for (int y = 0; y < out.GetHeight(); ++y)
        for (int x = 0; x < out.GetWidth(); ++x)
            for (int c = 0; c < bpp; ++c) {
                double sum = 0;
                int n = 0;
                for (int sy = y * fy; sy < std::min(sh, (y + 1) * fy); ++sy)
                    for (int sx = x * fx; sx < std::min(sw, (x + 1) * fx); ++sx, ++n)
                        sum += src.GetLine(sy)[sx * bpp + c];
                out.GetLine(y)[x * bpp + c] = RoundToByte(sum / n);
            }
    return out;
}

CDib ReferenceResize(const CDib& original, int width, int height, int mode)
{
    CDib src = original;
    if (mode == 2)
        src = ReferenceBoxMeans(original, std::max(1, original.GetWidth() / width / 2),
                                std::max(1, original.GetHeight() / height / 2));
    const int bpp = src.GetBitsPerPixel() / 8;
    CDib middle, out;
    middle.Create(width, src.GetHeight(), src.GetBitsPerPixel());
    out.Create(width, height, src.GetBitsPerPixel());
    const auto tx = ReferenceWeights(src.GetWidth(), width, mode), ty = ReferenceWeights(src.GetHeight(), height, mode);
    for (int y = 0; y < src.GetHeight(); ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < bpp; ++c) {
                double v = 0;
                for (size_t i = 0; i < tx[x].weights.size(); ++i)
                    v += tx[x].weights[i] * src.GetLine(y)[(tx[x].first + i) * bpp + c];
                middle.GetLine(y)[x * bpp + c] = RoundToByte(v);
            }
    for (int y = 0; y < height; ++y)
        for (int b = 0; b < width * bpp; ++b) {
            double v = 0;
            for (size_t i = 0; i < ty[y].weights.size(); ++i)
                v += ty[y].weights[i] * middle.GetLine(ty[y].first + (int)i)[b];
            out.GetLine(y)[b] = RoundToByte(v);
        }
    return out;
}

// The largest difference of a byte of got from expected, with where the first one that large is.
int LargestDifference(const CDib& expected, const CDib& got, std::string& where)
{
    int largest = 0;
    const int rowBytes = got.GetWidth() * got.GetBitsPerPixel() / 8;
    for (int y = 0; y < got.GetHeight(); ++y)
        for (int b = 0; b < rowBytes; ++b) {
            const int d = std::abs(expected.GetLine(y)[b] - got.GetLine(y)[b]);
            if (d > largest) {
                largest = d;
                where = "byte " + std::to_string(b) + " of row " + std::to_string(y) + ": expected " +
                        std::to_string(expected.GetLine(y)[b]) + ", got " + std::to_string(got.GetLine(y)[b]);
            }
        }
    return largest;
}

// Smooth shading with a hard-edged dark bar, as in a photograph, rather than noise.
CDib Scene(int width, int height, int bits)
{
    CDib dib = Noise(width, height, bits, 7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool bar = x * 3 > width && x * 2 < width;
            SetPixel(dib, x, y, bar ? Rgb{12, 9, 30} : Rgb{x * 255 / width, y * 255 / height, 200}, (x + y) & 255);
        }
    return dib;
}

const int kAwkwardSizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {2, 1}, {1, 2}, {3, 3}, {17, 5},
                                {5, 17}, {33, 2}, {2, 33}, {47, 21}, {1003, 3}, {67, 130}};

} // namespace

TEST(DibResize, HighQualityReductionAveragesInsteadOfPicking)
{
    // Small and large reductions (the latter goes through the box pre-reduction).
    const int sizes[][4] = {{64, 64, 16, 16}, {600, 400, 80, 60}, {601, 401, 80, 61}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(s[0]);
        CDib board = Checkerboard(s[0], s[1]);
        CDib small;
        ASSERT_TRUE(small.Resize(board, s[2], s[3], 2));
        EXPECT_EQ(s[2], small.GetWidth());
        EXPECT_EQ(s[3], small.GetHeight());
        for (int y = 0; y < s[3]; ++y)
            for (int x = 0; x < s[2]; ++x)
                ASSERT_NEAR(127.5, PixelAt(small, x, y).g, 4.0) << x << "," << y;
        CDib picked;
        picked.Resize(board, s[2], s[3], 0);
        int v = PixelAt(picked, 0, 0).g;
        EXPECT_TRUE(v == 0 || v == 255) << "mode 0 is nearest neighbour";
    }
}

TEST(DibResize, FlatAreasStayExactAndTheSourceIsKept)
{
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        CDib flat = Solid(90, 70, Rgb{33, 144, 250}, 32);
        flat.SetXRes(300);
        CDib out;
        ASSERT_TRUE(out.Resize(flat, 17, 130, mode));   // narrower and taller at once
        EXPECT_EQ(32, out.GetBitsPerPixel());
        EXPECT_EQ(300, out.GetXRes());
        for (int y = 0; y < 130; y += 7)
            for (int x = 0; x < 17; x += 3)
                ASSERT_EQ((Rgb{33, 144, 250}), PixelAt(out, x, y));
        EXPECT_EQ(90, flat.GetWidth());
        ASSERT_TRUE(flat.Resize(45, 35, mode));   // in place
        EXPECT_EQ(45, flat.GetWidth());
        EXPECT_EQ((Rgb{33, 144, 250}), PixelAt(flat, 44, 34));
    }
    CDib invalid;
    EXPECT_FALSE(invalid.Resize(10, 10, 2));
    CDib dib = Solid(4, 4, Rgb{1, 2, 3});
    EXPECT_FALSE(dib.Resize(0, 10, 2));
}

TEST(DibResize, EnlargingInterpolatesBetweenPixels)
{
    CDib two;
    two.Create(2, 1, 24);
    SetPixel(two, 0, 0, Rgb{0, 0, 0});
    SetPixel(two, 1, 0, Rgb{200, 200, 200});
    CDib wide;
    ASSERT_TRUE(wide.Resize(two, 4, 1, 1));
    // Centres at -0.25, 0.25, 0.75, 1.25 of the source: clamped, 1/4, 3/4, clamped.
    EXPECT_EQ(0, PixelAt(wide, 0, 0).r);
    EXPECT_EQ(50, PixelAt(wide, 1, 0).r);
    EXPECT_EQ(150, PixelAt(wide, 2, 0).r);
    EXPECT_EQ(200, PixelAt(wide, 3, 0).r);
}

TEST(DibResize, FiltersAreWithinOneOfDoublePrecision)
{
    struct Case
    {
        int sw, sh, dw, dh, bits, mode;
    };
    const Case cases[] = {
        {240, 180, 40, 30, 24, 2},    // whole factor 6: box means by 3, then Lanczos by 2
        {601, 401, 80, 61, 24, 2},    // smaller last blocks; odd width with row padding
        {203, 157, 67, 52, 32, 2},    // about 3: Lanczos alone; alpha filtered too
        {1000, 7, 13, 2, 32, 2},      // long blocks along the rows, none down the columns
        {1, 300, 1, 37, 24, 2},       // one column
        {300, 1, 37, 1, 32, 2},       // one row
        {97, 61, 1, 1, 24, 2},
        {600, 520, 1, 1, 32, 2},      // blocks of 300 x 260 pixels
        {37, 23, 111, 50, 24, 2},     // enlarging
        {5, 3, 2, 7, 24, 2},          // narrower and taller
        {333, 222, 100, 100, 24, 1},  // area-averaging bilinear
        {45, 33, 99, 70, 32, 1},
    };
    for (const Case& c : cases) {
        for (int picture = 0; picture < 2; ++picture) {
            const CDib src = picture ? Noise(c.sw, c.sh, c.bits, c.sw * 31 + c.sh) : Scene(c.sw, c.sh, c.bits);
            SCOPED_TRACE(Describe(src) + (picture ? " noise" : " scene") + " to " + std::to_string(c.dw) + "x" +
                         std::to_string(c.dh) + " in mode " + std::to_string(c.mode));
            CDib out;
            ASSERT_TRUE(out.Resize(src, c.dw, c.dh, c.mode));
            ASSERT_EQ(c.dw, out.GetWidth());
            ASSERT_EQ(c.dh, out.GetHeight());
            ASSERT_EQ(c.bits, out.GetBitsPerPixel());
            std::string where;
            EXPECT_GE(1, LargestDifference(ReferenceResize(src, c.dw, c.dh, c.mode), out, where)) << where;
        }
    }
}

// Blocks of value base whose first `extra(n)` bytes are one more, n the block's byte count, for the
// box factors fx x fy (blocks at the right and bottom may be smaller); every byte of a pixel alike.
CDib BlocksWithExtra(int width, int height, int bits, int fx, int fy, int base, int (*extra)(int n))
{
    CDib dib;
    dib.Create(width, height, bits);
    const int bpp = bits / 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int bw = std::min(fx, width - x / fx * fx), bh = std::min(fy, height - y / fy * fy);
            const int k = (y % fy) * bw + x % fx;
            memset(dib.GetLine(y) + x * bpp, base + (k < extra(bw * bh) ? 1 : 0), bpp);
        }
    return dib;
}

TEST(DibResize, HighQualityBoxMeansRoundExactlyAtEveryFactor)
{
    // Every block's mean is 200 + (n - 1 - n / 2) / n or 200 + (n - n / 2) / n: just below and
    // just at the rounding of halves upwards, and high enough that an inexact reciprocal errs
    // there. The box step gives a flat picture and Lanczos keeps it, so every byte must come out
    // exactly. The factors span the exact multiply of small blocks, its limit of 4096 bytes, the
    // wider one beyond and a plain division; blocks of one row, and smaller ones at the right and
    // bottom.
    struct Case
    {
        int sw, sh, dw, dh;
    };
    const Case cases[] = {{600, 400, 80, 60}, {601, 401, 80, 61}, {256, 256, 2, 2}, {256, 200, 2, 2},
                          {200, 200, 1, 1}, {600, 520, 1, 1}, {10, 9, 10, 2}, {1, 300, 1, 7}, {1003, 3, 2, 1}};
    struct Boundary
    {
        int (*extra)(int n);
        int expected;
    };
    const Boundary boundaries[] = {{[](int n) { return n - 1 - n / 2; }, 200}, {[](int n) { return n - n / 2; }, 201}};
    for (int bits : {24, 32}) {
        for (const Case& c : cases) {
            for (const Boundary& boundary : boundaries) {
                const int fx = std::max(1, c.sw / c.dw / 2), fy = std::max(1, c.sh / c.dh / 2);
                const CDib src = BlocksWithExtra(c.sw, c.sh, bits, fx, fy, 200, boundary.extra);
                SCOPED_TRACE(Describe(src) + " to " + std::to_string(c.dw) + "x" + std::to_string(c.dh) +
                             ", blocks of " + std::to_string(fx) + "x" + std::to_string(fy));
                CDib out;
                ASSERT_TRUE(out.Resize(src, c.dw, c.dh, 2));
                for (int y = 0; y < c.dh; ++y)
                    for (int b = 0; b < c.dw * bits / 8; ++b)
                        ASSERT_EQ(boundary.expected, out.GetLine(y)[b]) << "byte " << b << " of row " << y;
            }
        }
    }
}

TEST(DibResize, BoxTotalsOfManyBrightRowsAreExact)
{
    // Blocks of 257 rows of 255 are the most that 16-bit column totals hold; 258 rows need wider
    // ones. White must stay white, and bright noise must keep its means.
    for (int rows : {257, 258}) {
        for (int bits : {24, 32}) {
            CDib white;
            ASSERT_TRUE(white.Create(700, 2 * rows, bits));
            memset(white.GetBits(), 255, (size_t)white.GetStride() * white.GetHeight());
            SCOPED_TRACE(Describe(white) + " in blocks of " + std::to_string(rows) + " rows");
            CDib out;
            ASSERT_TRUE(out.Resize(white, 3, 1, 2));
            for (int b = 0; b < 3 * bits / 8; ++b)
                ASSERT_EQ(255, out.GetLine(0)[b]) << "byte " << b;

            CDib bright = Noise(700, 2 * rows, bits, 7u * rows + bits);
            for (int y = 0; y < bright.GetHeight(); ++y)
                for (int i = 0; i < 700 * bits / 8; ++i)
                    bright.GetLine(y)[i] = (BYTE)(192 + bright.GetLine(y)[i] / 4);
            ASSERT_TRUE(out.Resize(bright, 3, 1, 2));
            std::string where;
            EXPECT_GE(1, LargestDifference(ReferenceResize(bright, 3, 1, 2), out, where)) << where;
        }
    }
}

TEST(DibRotate, QuarterTurnsAreExactAndSwapTheSize)
{
    CDib original = Pattern(5, 3, 32);
    original.SetXRes(300);
    original.SetYRes(100);
    CDib turned = original;
    ASSERT_TRUE(turned.Rotate(9000, 5, 0));
    ASSERT_EQ(3, turned.GetWidth());
    ASSERT_EQ(5, turned.GetHeight());
    EXPECT_EQ(100, turned.GetXRes());
    // Clockwise: the top-left corner goes to the top-right, the bottom-left to the top-left.
    EXPECT_EQ(PixelAt(original, 0, 0), PixelAt(turned, 2, 0));
    EXPECT_EQ(PixelAt(original, 0, 2), PixelAt(turned, 0, 0));
    EXPECT_EQ(PixelAt(original, 4, 0), PixelAt(turned, 2, 4));
    EXPECT_EQ(original.GetLine(0)[3], turned.GetLine(0)[2 * 4 + 3]);   // alpha travels along

    CDib half = original;
    half.Rotate(18000);
    EXPECT_EQ(PixelAt(original, 0, 0), PixelAt(half, 4, 2));
    CDib back = original;
    back.Rotate(-9000);
    CDib threeQuarters = original;
    threeQuarters.Rotate(27000);
    EXPECT_TRUE(SamePixels(back, threeQuarters));
    EXPECT_EQ(PixelAt(original, 0, 0), PixelAt(back, 0, 4));
    CDib full = original;
    for (int i = 0; i < 4; ++i)
        full.Rotate(9000);
    EXPECT_TRUE(SamePixels(original, full));
}

TEST(DibRotate, QuarterTurnsMatchTheDirectMappingOnAwkwardSizes)
{
    unsigned seed = 100;
    for (const auto& size : kAwkwardSizes)
        for (int bits : {24, 32}) {
            const CDib original = Noise(size[0], size[1], bits, seed++);
            for (int quarters = 1; quarters <= 3; ++quarters) {
                CDib turned = original;
                ASSERT_TRUE(turned.Rotate(quarters * 9000));
                EXPECT_TRUE(SamePixels(ReferenceTurn(original, quarters), turned))
                    << Describe(original) << ", " << quarters << " quarters";
            }
        }
}

TEST(DibRotate, OtherAnglesEnlargeTheCanvasWithTheFillColour)
{
    CDib square = Solid(20, 20, Rgb{0, 0, 200});
    ASSERT_TRUE(square.Rotate(4500, 5, RGB(255, 255, 0)));
    EXPECT_EQ(29, square.GetWidth());   // 20 * sqrt(2) = 28.3
    EXPECT_EQ(29, square.GetHeight());
    EXPECT_EQ((Rgb{255, 255, 0}), PixelAt(square, 0, 0));
    EXPECT_EQ((Rgb{255, 255, 0}), PixelAt(square, 28, 28));
    EXPECT_EQ((Rgb{0, 0, 200}), PixelAt(square, 14, 14));
    EXPECT_EQ((Rgb{0, 0, 200}), PixelAt(square, 14, 2));   // the top corner of the diamond

    CDib kept = Solid(20, 10, Rgb{0, 0, 200});
    ASSERT_TRUE(kept.Rotate(3000, 4, RGB(0, 0, 0)));   // without flag 1 the size stays
    EXPECT_EQ(20, kept.GetWidth());
    EXPECT_EQ(10, kept.GetHeight());
    EXPECT_EQ((Rgb{0, 0, 0}), PixelAt(kept, 0, 9));    // the bottom-left corner was turned away
    EXPECT_EQ((Rgb{0, 0, 200}), PixelAt(kept, 10, 5));
}

TEST(DibSharp, UnsharpMaskOnASpike)
{
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        auto spike = [bits] {
            CDib dib = Solid(5, 5, Rgb{100, 100, 100}, bits);
            SetPixel(dib, 2, 2, Rgb{200, 200, 200}, 9);
            return dib;
        };
        CDib sharp = spike();
        ASSERT_TRUE(sharp.ChangeSharp(500));
        EXPECT_EQ(238, PixelAt(sharp, 2, 2).r);   // 200 + (200 - 125) / 2
        EXPECT_EQ(94, PixelAt(sharp, 2, 1).g);    // an edge neighbour overshoots downwards
        EXPECT_EQ(97, PixelAt(sharp, 1, 1).b);    // a corner neighbour a little
        EXPECT_EQ(100, PixelAt(sharp, 0, 0).r);
        if (bits == 32) {
            EXPECT_EQ(9, sharp.GetLine(2)[2 * 4 + 3]);
        }
        CDib full = spike();
        full.ChangeSharp(1000);
        EXPECT_EQ(255, PixelAt(full, 2, 2).r);   // 275, clamped
        CDib blurred = spike();
        blurred.ChangeSharp(-1000);
        EXPECT_EQ(125, PixelAt(blurred, 2, 2).r);   // the binomial blur itself
        EXPECT_EQ(113, PixelAt(blurred, 2, 1).r);   // 100 + 2 * 100 / 16 = 112.5, halves up
    }
}

TEST(DibSharp, MatchesTheDirectFormulaOnAwkwardSizes)
{
    std::vector<int> amounts = {-1000, -999, -1, 1, 7, 333, 999, 1000};
    for (int a = -1000; a <= 1000; a += 97)
        amounts.push_back(a);
    unsigned seed = 1;
    for (const auto& size : kAwkwardSizes)
        for (int bits : {24, 32}) {
            const CDib original = Noise(size[0], size[1], bits, seed++);
            const std::vector<int> differences = SharpDifferences(original);
            for (int amount : amounts) {
                CDib sharp = original;
                ASSERT_TRUE(sharp.ChangeSharp(amount));
                EXPECT_TRUE(SamePixels(ReferenceSharp(original, differences, amount), sharp))
                    << Describe(original) << ", amount " << amount;
            }
        }
}

TEST(DibSharp, EveryReachableDifferenceForEveryAmount)
{
    // A centre value m and a blur b can differ by d = 16 m - b = -3060..3060. Each block of three
    // columns of a three-row picture makes one d in each channel at the block's centre pixel.
    const int blocks = (6121 + 2) / 3;
    CDib dib;
    dib.Create(blocks * 3, 3, 24);
    auto column = [&](int x, int c, int sum, int centre) {
        // top + 2 * centre + bottom = sum
        const int rest = sum - 2 * centre;
        dib.GetLine(0)[x * 3 + c] = (BYTE)std::min(rest, 255);
        dib.GetLine(1)[x * 3 + c] = (BYTE)centre;
        dib.GetLine(2)[x * 3 + c] = (BYTE)(rest - std::min(rest, 255));
    };
    for (int k = 0; k < blocks * 3; ++k) {
        const int d = std::min(-3060 + k, 3060), x = k / 3 * 3, c = k % 3;
        const int m = d > 0 ? (d + 11) / 12 : 0;
        const int extra = 16 * m - d - 4 * m;   // 0..3060 above the least blur of m
        const int centreExtra = std::min(extra / 2, 510), sides = extra - 2 * centreExtra;
        const int left = std::min(sides, 1020);
        column(x + 1, c, 2 * m + centreExtra, m);
        column(x, c, left, std::min(left / 2, 255));
        column(x + 2, c, sides - left, std::min((sides - left) / 2, 255));
    }
    const std::vector<int> differences = SharpDifferences(dib);
    std::vector<bool> made(6121);
    for (int d : differences)
        made[d + 3060] = true;
    ASSERT_EQ(made.end(), std::find(made.begin(), made.end(), false)) << "a difference the picture lacks";
    for (int amount = -1000; amount <= 1000; ++amount) {
        CDib sharp = dib;
        sharp.ChangeSharp(amount);
        ASSERT_TRUE(SamePixels(ReferenceSharp(dib, differences, amount), sharp)) << "amount " << amount;
    }
}
