// Row kernels of the per-pixel colour operations. The same source is compiled three times (for
// generic x86-64, SSE4.1 and AVX2) and the widest one the CPU supports is picked at run time, so
// one build serves every user's machine.
#include "ImageCore.h"
#include <cmath>

namespace kximage {
namespace {

KX_ALWAYS_INLINE void LutRowBody(const BYTE (*lut)[256], BYTE* row, int width, int bpp)
{
    const BYTE* lb = lut[0];
    const BYTE* lg = lut[1];
    const BYTE* lr = lut[2];
    for (int x = 0; x < width; ++x, row += bpp) {
        row[0] = lb[row[0]];
        row[1] = lg[row[1]];
        row[2] = lr[row[2]];
    }
}

template <int BPP>
KX_ALWAYS_INLINE void MatrixRowBody(const int (*m)[3], BYTE* row, int width)
{
    const int m00 = m[0][0], m01 = m[0][1], m02 = m[0][2];
    const int m10 = m[1][0], m11 = m[1][1], m12 = m[1][2];
    const int m20 = m[2][0], m21 = m[2][1], m22 = m[2][2];
    for (int x = 0; x < width; ++x) {
        BYTE* p = row + x * BPP;
        int b = p[0], g = p[1], r = p[2];
        int ob = (m00 * b + m01 * g + m02 * r + 32768) >> 16;
        int og = (m10 * b + m11 * g + m12 * r + 32768) >> 16;
        int orr = (m20 * b + m21 * g + m22 * r + 32768) >> 16;
        p[0] = (BYTE)(ob < 0 ? 0 : ob > 255 ? 255 : ob);
        p[1] = (BYTE)(og < 0 ? 0 : og > 255 ? 255 : og);
        p[2] = (BYTE)(orr < 0 ? 0 : orr > 255 ? 255 : orr);
    }
}

// Hue in sixths of the circle (0..6), or -1 for a grey.
KX_ALWAYS_INLINE double HueOf(double r, double g, double b, double mx, double c)
{
    if (c <= 0)
        return -1;
    double h;
    if (mx == r)
        h = (g - b) / c;
    else if (mx == g)
        h = (b - r) / c + 2;
    else
        h = (r - g) / c + 4;
    return h < 0 ? h + 6 : h;
}

// The colour of value mx, chroma c and hue h (sixths), as HSV defines it.
KX_ALWAYS_INLINE void FromHue(double h, double mx, double c, double& r, double& g, double& b)
{
    double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    double m = mx - c;
    int sector = (int)h % 6;
    switch (sector) {
    case 0: r = c; g = x; b = 0; break;
    case 1: r = x; g = c; b = 0; break;
    case 2: r = 0; g = c; b = x; break;
    case 3: r = 0; g = x; b = c; break;
    case 4: r = x; g = 0; b = c; break;
    default: r = c; g = 0; b = x; break;
    }
    r += m; g += m; b += m;
}

KX_ALWAYS_INLINE void HueRowBody(double turn, BYTE* row, int width, int bpp)
{
    for (int x = 0; x < width; ++x, row += bpp) {
        double b = row[0], g = row[1], r = row[2];
        double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
        double h = HueOf(r, g, b, mx, mx - mn);
        if (h < 0)
            continue;
        h = std::fmod(h + turn, 6.0);
        if (h < 0)
            h += 6;
        FromHue(h, mx, mx - mn, r, g, b);
        row[0] = ClampRound(b);
        row[1] = ClampRound(g);
        row[2] = ClampRound(r);
    }
}

// Centre hues (sixths) of table entries 1..6: red, green, blue, yellow, cyan, magenta.
const double kRangeCentre[7] = {0, 0, 2, 4, 1, 3, 5};

KX_ALWAYS_INLINE void PerHueRowBody(const PointOp& op, BYTE* row, int width, int bpp)
{
    // The branch of the hue formula (largest channel red, green or blue) puts the hue within one
    // sixth of 0, 2 or 4. A range lies wholly outside a branch when its centre is two sixths or
    // more away, so with no master amounts the pixels of such branches are left as they are
    // without any real arithmetic.
    bool needBranch[3] = {true, true, true};
    if (!op.hue7[0] && !op.sat7[0] && !op.light7[0]) {
        for (int branch = 0; branch < 3; ++branch) {
            needBranch[branch] = false;
            for (int k = 1; k <= 6; ++k) {
                if (!op.hue7[k] && !op.sat7[k] && !op.light7[k])
                    continue;
                double d = std::fabs(2.0 * branch - kRangeCentre[k]);
                if (d > 3)
                    d = 6 - d;
                if (d < 2)
                    needBranch[branch] = true;
            }
        }
    }
    for (int x = 0; x < width; ++x, row += bpp) {
        {
            const int ib = row[0], ig = row[1], ir = row[2];
            // Same branch order as HueOf: red wins ties, then green.
            const int branch = (ir >= ig && ir >= ib) ? 0 : ig >= ib ? 1 : 2;
            if (!needBranch[branch])
                continue;
        }
        double b = row[0], g = row[1], r = row[2];
        double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
        double h = HueOf(r, g, b, mx, mx - mn);
        double hueAmount = op.hue7[0], satAmount = op.sat7[0], lightAmount = op.light7[0];
        if (h >= 0) {
            for (int k = 1; k <= 6; ++k) {
                if (!op.hue7[k] && !op.sat7[k] && !op.light7[k])
                    continue;
                double d = std::fabs(h - kRangeCentre[k]);
                if (d > 3)
                    d = 6 - d;
                double w = 1 - d;   // one sixth of the circle is 60 degrees
                if (w > 0) {
                    hueAmount += w * op.hue7[k];
                    satAmount += w * op.sat7[k];
                    lightAmount += w * op.light7[k];
                }
            }
        }
        if (hueAmount == 0 && satAmount == 0 && lightAmount == 0)
            continue;
        hueAmount = std::fmax(-100, std::fmin(100, hueAmount));
        satAmount = std::fmax(-100, std::fmin(100, satAmount));
        lightAmount = std::fmax(-100, std::fmin(100, lightAmount));
        if (hueAmount != 0 && h >= 0) {
            double nh = std::fmod(h + hueAmount * 1.8 / 60.0, 6.0);
            if (nh < 0)
                nh += 6;
            FromHue(nh, mx, mx - mn, r, g, b);
        }
        if (satAmount != 0) {
            double y = 0.299 * r + 0.587 * g + 0.114 * b;
            double s = 1 + satAmount / 100.0;
            r = y + (r - y) * s;
            g = y + (g - y) * s;
            b = y + (b - y) * s;
        }
        if (lightAmount > 0) {
            double t = lightAmount / 100.0;
            r += (255 - r) * t; g += (255 - g) * t; b += (255 - b) * t;
        } else if (lightAmount < 0) {
            double t = 1 + lightAmount / 100.0;
            r *= t; g *= t; b *= t;
        }
        row[0] = ClampRound(b);
        row[1] = ClampRound(g);
        row[2] = ClampRound(r);
    }
}

KX_ALWAYS_INLINE void ApplyBody(const PointOp& op, BYTE* row, int width, int bpp)
{
    switch (op.kind) {
    case PointOp::LUT:
        LutRowBody(op.lut, row, width, bpp);
        break;
    case PointOp::MATRIX:
        if (bpp == 3)
            MatrixRowBody<3>(op.matrix, row, width);
        else
            MatrixRowBody<4>(op.matrix, row, width);
        break;
    case PointOp::HUE:
        HueRowBody(op.hueTurn, row, width, bpp);
        break;
    case PointOp::PER_HUE:
        PerHueRowBody(op, row, width, bpp);
        break;
    }
}

__attribute__((target("avx2")))
void ApplyAvx2(const PointOp& op, BYTE* row, int width, int bpp) { ApplyBody(op, row, width, bpp); }

__attribute__((target("sse4.1")))
void ApplySse41(const PointOp& op, BYTE* row, int width, int bpp) { ApplyBody(op, row, width, bpp); }

void ApplyGeneric(const PointOp& op, BYTE* row, int width, int bpp) { ApplyBody(op, row, width, bpp); }

} // namespace

void ApplyPointOpRow(const PointOp& op, BYTE* row, int width, int bytesPerPixel)
{
    static const auto apply = PickKernel(ApplyAvx2, ApplySse41, ApplyGeneric);
    apply(op, row, width, bytesPerPixel);
}

} // namespace kximage
