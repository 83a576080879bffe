// CDib resampling, rotation and sharpening: the operations that read neighbouring pixels.
#include "Dib.h"
#include "ImageCore.h"
#include <algorithm>
#include <cmath>
#include <string.h>
#include <vector>

using namespace kximage;

namespace {

const double PI = 3.14159265358979323846;
const int WEIGHT_ONE = 1 << RESAMPLE_WEIGHT_BITS;

double Lanczos3(double x)
{
    x = std::fabs(x);
    if (x < 1e-9)
        return 1;
    if (x >= 3)
        return 0;
    return 3 * std::sin(PI * x) * std::sin(PI * x / 3) / (PI * PI * x * x);
}

double Triangle(double x)
{
    x = std::fabs(x);
    return x < 1 ? 1 - x : 0;
}

// Weights for resampling srcSize samples onto dstSize; when reducing, the kernel is widened by the
// reduction factor so it averages every source sample it covers.
ResampleTaps MakeTaps(int srcSize, int dstSize, double (*kernel)(double), double radius)
{
    ResampleTaps taps;
    const double scale = double(srcSize) / dstSize;
    const double stretch = std::max(1.0, scale);
    const double support = radius * stretch;
    const int maxTaps = (int)std::ceil(support) * 2 + 1;
    taps.first.resize(dstSize);
    taps.count.resize(dstSize);
    std::vector<double> w(maxTaps);
    std::vector<short> weights((size_t)dstSize * maxTaps, 0);
    int widest = 1;
    for (int x = 0; x < dstSize; ++x) {
        const double centre = (x + 0.5) * scale - 0.5;
        int lo = (int)std::floor(centre - support) + 1;
        int hi = (int)std::floor(centre + support);
        lo = std::max(lo, 0);
        hi = std::min(hi, srcSize - 1);
        if (hi < lo)
            hi = lo = std::min(std::max((int)std::lround(centre), 0), srcSize - 1);
        int n = std::min(hi - lo + 1, maxTaps);
        double sum = 0;
        for (int i = 0; i < n; ++i) {
            w[i] = kernel((lo + i - centre) / stretch);
            sum += w[i];
        }
        if (sum == 0) {
            w[0] = 1;
            sum = 1;
            n = 1;
        }
        // Fixed point that sums to exactly one, so flat areas stay exactly flat.
        short* out = &weights[(size_t)x * maxTaps];
        int total = 0, biggest = 0;
        for (int i = 0; i < n; ++i) {
            out[i] = (short)std::lround(w[i] / sum * WEIGHT_ONE);
            total += out[i];
            if (out[i] > out[biggest])
                biggest = i;
        }
        out[biggest] = (short)(out[biggest] + WEIGHT_ONE - total);
        taps.first[x] = lo;
        taps.count[x] = n;
        widest = std::max(widest, n);
    }
    // Repacked with an even number of weights a sample, the extra ones zero.
    taps.stride = (widest + 1) & ~1;
    taps.weights.assign((size_t)dstSize * taps.stride, 0);
    taps.pairs.resize((size_t)dstSize * taps.stride / 2);
    for (int x = 0; x < dstSize; ++x) {
        short* out = &taps.weights[(size_t)x * taps.stride];
        memcpy(out, &weights[(size_t)x * maxTaps], taps.count[x] * sizeof(short));
        for (int k = 0; k < taps.stride / 2; ++k)
            taps.pairs[(size_t)x * taps.stride / 2 + k] =
                (int)((unsigned short)out[2 * k] | (unsigned)(unsigned short)out[2 * k + 1] << 16);
    }
    return taps;
}

// The rows the horizontal filter pass reads: the source's own rows or, for a box pre-reduction,
// the exact means of its fx x fy blocks (the last block of a row or column may be smaller). The
// reduced rows are made one at a time by the thread that filters them, so the full-size source is
// read once and no reduced copy of it is written.
//   1) construct over the source and the box factors, 2) Row() from any thread, each with its own
//   CScratch.
class CSourceRows
{
public:
    struct CScratch
    {
        std::vector<unsigned> sums;
        std::vector<unsigned short> sums16;
        std::vector<BYTE> row;
    };

    CSourceRows(const CDib& src, int fx, int fy)
        : m_src(src), m_fx(fx), m_fy(fy), m_bpp(src.GetBitsPerPixel() / 8),
          m_width((src.GetWidth() + fx - 1) / fx), m_height((src.GetHeight() + fy - 1) / fy)
    {
    }

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }

    const BYTE* Row(int y, CScratch& scratch) const
    {
        if (m_fx == 1 && m_fy == 1)
            return m_src.GetBits() + (size_t)y * m_src.GetStride();
        const int y0 = y * m_fy, y1 = std::min(y0 + m_fy, m_src.GetHeight());
        scratch.row.resize((size_t)m_width * m_bpp + 1);
        // Blocks of few rows (nearly all) total their columns in 16 bits.
        if (y1 - y0 <= MAX_ROWS_16)
            Means(y0, y1, scratch.sums16, scratch.row);
        else
            Means(y0, y1, scratch.sums, scratch.row);
        return scratch.row.data();
    }

private:
    // The means of the blocks of source rows y0 .. y1 - 1 into row.
    template <typename Sum>
    void Means(int y0, int y1, std::vector<Sum>& sums, std::vector<BYTE>& row) const
    {
        const int sw = m_src.GetWidth(), rowBytes = sw * m_bpp;
        sums.resize(rowBytes + 1);
        SumRows(m_src.GetBits() + (size_t)y0 * m_src.GetStride(), m_src.GetStride(), y1 - y0, sums.data(), rowBytes);
        // The whole blocks, then the narrower one at the end of the row if there is one.
        const int rows = y1 - y0, whole = sw / m_fx, rest = sw - whole * m_fx;
        MeanRow(sums.data(), whole, m_fx, (unsigned)m_fx * rows, row.data(), m_bpp);
        if (rest > 0)
            MeanRow(&sums[(size_t)whole * m_fx * m_bpp], 1, rest, (unsigned)rest * rows, &row[(size_t)whole * m_bpp],
                    m_bpp);
    }

    const CDib& m_src;
    const int m_fx, m_fy, m_bpp, m_width, m_height;
};

bool ResizeNearest(const CDib& src, CDib& dst, int width, int height)
{
    const int bpp = src.GetBitsPerPixel() / 8;
    const BYTE* sbits = src.GetBits();
    BYTE* dbits = dst.GetBits();
    std::vector<int> xs(width);
    for (int x = 0; x < width; ++x)
        xs[x] = (int)(((long long)x * 2 + 1) * src.GetWidth() / (2LL * width)) * bpp;
    return ParallelFor(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            int sy = (int)(((long long)y * 2 + 1) * src.GetHeight() / (2LL * height));
            const BYTE* s = sbits + (size_t)sy * src.GetStride();
            BYTE* d = dbits + (size_t)y * dst.GetStride();
            for (int x = 0; x < width; ++x)
                memcpy(d + x * bpp, s + xs[x], bpp);
        }
    });
}

// False when the intermediate picture cannot be allocated.
bool ResizeFiltered(const CSourceRows& rows, CDib& dst, double (*kernel)(double), double radius)
{
    const int bpp = dst.GetBitsPerPixel() / 8, width = dst.GetWidth(), height = dst.GetHeight();
    // Rows first, into a picture of the new width and the old height, then columns.
    CDib middle;
    if (!middle.Create(width, rows.GetHeight(), dst.GetBitsPerPixel()))
        return false;
    const ResampleTaps tx = MakeTaps(rows.GetWidth(), width, kernel, radius);
    if (!ParallelFor(rows.GetHeight(), [&](int begin, int end) {
            CSourceRows::CScratch scratch;
            for (int y = begin; y < end; ++y)
                ResampleRowH(rows.Row(y, scratch), rows.GetWidth(), middle.GetBits() + (size_t)y * middle.GetStride(),
                             width, bpp, tx);
        }))
        return false;
    const ResampleTaps ty = MakeTaps(rows.GetHeight(), height, kernel, radius);
    return ParallelFor(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            ResampleRowV(middle.GetBits() + (size_t)ty.first[y] * middle.GetStride(), middle.GetStride(),
                         &ty.weights[(size_t)y * ty.stride], ty.count[y], dst.GetBits() + (size_t)y * dst.GetStride(),
                         width * bpp);
    });
}

} // namespace

BOOL CDib::Resize(int width, int height, int mode)
{
    return Resize(*this, width, height, mode);
}

BOOL CDib::Resize(const CDib& srcIn, int width, int height, int mode)
{
    if (!srcIn.IsValid() || width <= 0 || height <= 0)
        return FALSE;
    srcIn.Flush();
    CDib result;
    if (!result.Create(width, height, srcIn.m_bitsPerPixel))
        return FALSE;
    if (width == srcIn.m_width && height == srcIn.m_height) {
        memcpy(result.m_bits, srcIn.m_bits, (size_t)srcIn.m_stride * srcIn.m_height);
    } else if (mode == 0) {
        if (!ResizeNearest(srcIn, result, width, height))
            return FALSE;
    } else if (mode == 2) {
        // Whole-factor box averaging first, leaving Lanczos a reduction of two to four: the same
        // filter quality on every source pixel at a fraction of the taps.
        const int fx = std::max(1, srcIn.m_width / width / 2), fy = std::max(1, srcIn.m_height / height / 2);
        if (!ResizeFiltered(CSourceRows(srcIn, fx, fy), result, Lanczos3, 3))
            return FALSE;
    } else if (!ResizeFiltered(CSourceRows(srcIn, 1, 1), result, Triangle, 1)) {
        return FALSE;
    }
    result.m_xRes = srcIn.m_xRes;
    result.m_yRes = srcIn.m_yRes;
    TakeOver(result);
    return TRUE;
}

namespace {

// Where dst(0, 0) comes from in src and how the source pointer moves along a dst row and down it,
// for each EXIF orientation: what has to be done to the stored picture to show it upright.
struct PixelMap
{
    const BYTE* origin;
    ptrdiff_t xStep, yStep;
};

PixelMap MapOfOrientation(const CDib& src, int orientation)
{
    const ptrdiff_t bpp = src.GetBitsPerPixel() / 8, stride = src.GetStride();
    const BYTE* top = src.GetBits();
    const BYTE* bottom = top + (src.GetHeight() - 1) * stride;
    const ptrdiff_t right = (src.GetWidth() - 1) * bpp;
    switch (orientation) {
    case 2: return {top + right, -bpp, stride};           // mirrored left to right
    case 3: return {bottom + right, -bpp, -stride};       // half turn
    case 4: return {bottom, bpp, -stride};                // mirrored top to bottom
    case 5: return {top, stride, bpp};                    // transposed
    case 6: return {bottom, -stride, bpp};                // a quarter turn clockwise
    case 7: return {bottom + right, -stride, -bpp};       // transposed the other way
    case 8: return {top + right, stride, -bpp};           // a quarter turn counter-clockwise
    default: return {top, bpp, stride};
    }
}

// dst(x, y) = src at map.origin + x * xStep + y * yStep, in tiles, so that the source rows and
// columns a tile reads stay in the cache and the address translation buffer while it is written.
bool MapPixels(const CDib& src, CDib& dst, const PixelMap& map)
{
    const int TILE = 64;   // 12 KB of source and 12 KB of result at 24 bits
    const int dw = dst.GetWidth(), dh = dst.GetHeight(), bpp = src.GetBitsPerPixel() / 8;
    return ParallelFor((dh + TILE - 1) / TILE, [&](int begin, int end) {
        for (int band = begin; band < end; ++band) {
            const int y0 = band * TILE, rows = std::min(TILE, dh - y0);
            BYTE* dstRow = dst.GetBits() + (size_t)y0 * dst.GetStride();
            for (int x0 = 0; x0 < dw; x0 += TILE)
                TurnStrip(map.origin + y0 * map.yStep + x0 * map.xStep, map.xStep, map.yStep, dstRow + x0 * bpp,
                          dst.GetStride(), rows, std::min(TILE, dw - x0), bpp);
        }
    });
}

bool FreeTurn(const CDib& src, CDib& dst, double radians, bool bilinear, COLORREF fill)
{
    const int bpp = src.GetBitsPerPixel() / 8;
    const BYTE fillPixel[4] = {GetBValue(fill), GetGValue(fill), GetRValue(fill), 255};
    const double c = std::cos(radians), s = std::sin(radians);
    const double scx = src.GetWidth() / 2.0, scy = src.GetHeight() / 2.0;
    const double dcx = dst.GetWidth() / 2.0, dcy = dst.GetHeight() / 2.0;
    const int sw = src.GetWidth(), sh = src.GetHeight();
    const BYTE* sbits = src.GetBits();
    BYTE* dbits = dst.GetBits();
    const int sstride = src.GetStride();
    auto sample = [&](int x, int y) -> const BYTE* {
        return x >= 0 && y >= 0 && x < sw && y < sh ? sbits + (size_t)y * sstride + (size_t)x * bpp : fillPixel;
    };
    return ParallelFor(dst.GetHeight(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            BYTE* d = dbits + (size_t)y * dst.GetStride();
            for (int x = 0; x < dst.GetWidth(); ++x, d += bpp) {
                // The inverse turn of the pixel centre (y grows downwards, so +angle is clockwise).
                const double dx = x + 0.5 - dcx, dy = y + 0.5 - dcy;
                const double sx = c * dx + s * dy + scx - 0.5, sy = -s * dx + c * dy + scy - 0.5;
                if (!bilinear) {
                    memcpy(d, sample((int)std::floor(sx + 0.5), (int)std::floor(sy + 0.5)), bpp);
                    continue;
                }
                const int ix = (int)std::floor(sx), iy = (int)std::floor(sy);
                const double fx = sx - ix, fy = sy - iy;
                const BYTE *p00 = sample(ix, iy), *p10 = sample(ix + 1, iy);
                const BYTE *p01 = sample(ix, iy + 1), *p11 = sample(ix + 1, iy + 1);
                for (int ch = 0; ch < bpp; ++ch) {
                    double top = p00[ch] + (p10[ch] - p00[ch]) * fx;
                    double bottom = p01[ch] + (p11[ch] - p01[ch]) * fx;
                    d[ch] = ClampRound(top + (bottom - top) * fy);
                }
            }
        }
    });
}

} // namespace

BOOL CDib::Rotate(int angleHundredths, int flags, COLORREF fill)
{
    if (!IsValid())
        return FALSE;
    int angle = angleHundredths % 36000;
    if (angle < 0)
        angle += 36000;
    if (angle == 0)
        return TRUE;
    // Clockwise quarter turns are orientations 6, 3 and 8.
    static const int quarterTurns[4] = {1, 6, 3, 8};
    if (angle % 9000 == 0)
        return ApplyOrientation(quarterTurns[angle / 9000]);
    Flush();
    const double radians = angle / 100.0 * 3.14159265358979323846 / 180.0;
    int width = m_width, height = m_height;
    if (flags & 1) {
        const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
        // A hair below the exact bound, so 45.00 degrees of a square does not gain a pixel of
        // rounding noise.
        width = (int)std::ceil(m_width * c + m_height * s - 1e-6);
        height = (int)std::ceil(m_width * s + m_height * c - 1e-6);
    }
    CDib result;
    if (!result.Create(width, height, m_bitsPerPixel))
        return FALSE;
    if (!FreeTurn(*this, result, radians, (flags & 4) != 0, fill))
        return FALSE;
    result.m_xRes = m_xRes;
    result.m_yRes = m_yRes;
    TakeOver(result);
    return TRUE;
}

BOOL CDib::ApplyOrientation(int orientation)
{
    if (!IsValid())
        return FALSE;
    if (orientation < 2 || orientation > 8)
        return TRUE;
    Flush();
    const bool swap = orientation >= 5;
    CDib result;
    if (!result.Create(swap ? m_height : m_width, swap ? m_width : m_height, m_bitsPerPixel))
        return FALSE;
    if (!MapPixels(*this, result, MapOfOrientation(*this, orientation)))
        return FALSE;
    result.m_xRes = swap ? m_yRes : m_xRes;
    result.m_yRes = swap ? m_xRes : m_yRes;
    TakeOver(result);
    return TRUE;
}

BOOL CDib::ChangeSharp(int amount)
{
    if (!IsValid())
        return FALSE;
    amount = amount < -1000 ? -1000 : amount > 1000 ? 1000 : amount;
    if (amount == 0)
        return TRUE;
    Flush();
    // In place, band by band, so no second full-size buffer has to be allocated and faulted in.
    // A band keeps the originals of the row it writes and the row above; the rows just outside
    // each band are copied before any band starts, as a neighbouring band may overwrite them.
    const int h = m_height, stride = m_stride, rowBytes = m_width * (m_bitsPerPixel / 8);
    const int bands = std::min(h, 64);
    auto bandStart = [&](int band) { return (int)((long long)h * band / bands); };
    std::vector<BYTE> edges((size_t)bands * 2 * rowBytes);
    for (int band = 0; band < bands; ++band) {
        const int y0 = bandStart(band), y1 = bandStart(band + 1);
        memcpy(&edges[(size_t)band * 2 * rowBytes], m_bits + (size_t)std::max(y0 - 1, 0) * stride, rowBytes);
        memcpy(&edges[((size_t)band * 2 + 1) * rowBytes], m_bits + (size_t)std::min(y1, h - 1) * stride, rowBytes);
    }
    // FALSE when a band's scratch rows could not be had; the bands done by then stay sharpened.
    return ParallelFor(bands, [&](int begin, int end) {
        std::vector<BYTE> originals(2 * (size_t)rowBytes);
        std::vector<unsigned short> work(rowBytes + 2 * SHARPEN_WORK_MARGIN);
        for (int band = begin; band < end; ++band) {
            const int y0 = bandStart(band), y1 = bandStart(band + 1);
            const BYTE* below = &edges[((size_t)band * 2 + 1) * rowBytes];
            BYTE* up = originals.data();
            BYTE* mid = up + rowBytes;
            memcpy(up, &edges[(size_t)band * 2 * rowBytes], rowBytes);
            for (int y = y0; y < y1; ++y) {
                BYTE* row = m_bits + (size_t)y * stride;
                memcpy(mid, row, rowBytes);
                const BYTE* down = y + 1 < y1 ? row + stride : below;
                SharpenRow(up, mid, down, row, work.data(), rowBytes, m_bitsPerPixel / 8, amount);
                std::swap(up, mid);
            }
        }
    }) ? TRUE : FALSE;
}
