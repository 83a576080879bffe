// Row kernels of the operations that read neighbouring pixels. As with the point operations, the
// same source is compiled for generic x86-64, SSE4.1 and AVX2 and picked at run time.
#include "ImageCore.h"
#include <algorithm>
#include <immintrin.h>
#include <string.h>

namespace kximage {
namespace {

// floor((amount * d + 8000) / 16000) for |amount| <= 1000 and |d| <= 4080, without a division,
// so the loop vectorises. Adding 255 * 16000 makes the numerator n positive (8000..8168000); then
// floor(n / 16000) = floor(floor(floor(n / 128) / 5) / 25), n / 128 fits 16 bits, x / 5 is
// x * 52429 >> 18 for every 16-bit x (52429 * 5 = 2^18 + 1) and y / 25 is y * 41944 >> 20 for
// y < 43690 (41944 * 25 = 2^20 + 24).
KX_ALWAYS_INLINE int SharpCorrection(int amount, int d)
{
    const unsigned x = (unsigned)(amount * d + 4088000) >> 7;
    const unsigned fifth = (x * 52429u) >> 18;
    return (int)((fifth * 41944u) >> 20) - 255;
}

// The 1 2 1 sums down the columns, with the border pixel repeated on both sides, so the pass along
// the row needs no edge cases. Returns the sums, v[-BPP] to v[rowBytes + BPP - 1].
template <int BPP>
KX_ALWAYS_INLINE unsigned short* ColumnSums(const BYTE* __restrict up, const BYTE* __restrict mid,
                                            const BYTE* __restrict down, unsigned short* __restrict work, int rowBytes)
{
    unsigned short* v = work + SHARPEN_WORK_MARGIN;
    for (int i = 0; i < rowBytes; ++i)
        v[i] = (unsigned short)(up[i] + 2 * mid[i] + down[i]);
    for (int c = 0; c < BPP; ++c) {
        v[c - BPP] = v[c];
        v[rowBytes + c] = v[rowBytes - BPP + c];
    }
    return v;
}

// Bytes from..rowBytes - 1 of the sharpened row, given the column sums; alpha bytes are copied.
template <int BPP>
KX_ALWAYS_INLINE void SharpenBytes(const BYTE* __restrict mid, const unsigned short* __restrict v, BYTE* __restrict out,
                                   int from, int rowBytes, int amount)
{
    for (int i = from; i < rowBytes; ++i) {
        const int d = 16 * mid[i] - (v[i - BPP] + 2 * v[i] + v[i + BPP]);
        out[i] = BPP == 4 && i % 4 == 3 ? mid[i] : ClampByte(mid[i] + SharpCorrection(amount, d));
    }
}

template <int BPP>
KX_ALWAYS_INLINE void SharpenRowBody(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out,
                                     unsigned short* work, int rowBytes, int amount)
{
    SharpenBytes<BPP>(mid, ColumnSums<BPP>(up, mid, down, work, rowBytes), out, 0, rowBytes, amount);
}

KX_ALWAYS_INLINE void SharpenBody(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out, unsigned short* work,
                                  int rowBytes, int bpp, int amount)
{
    if (bpp == 3)
        SharpenRowBody<3>(up, mid, down, out, work, rowBytes, amount);
    else
        SharpenRowBody<4>(up, mid, down, out, work, rowBytes, amount);
}

// Sixteen bytes at a time in 16-bit lanes: SharpCorrection with the numerator made by one
// multiply-add (d * amount + 250 * 16352) and the two divisions as high halves of products.
// packus gives the clamp to 0..255.
template <int BPP>
__attribute__((target("avx2"))) void SharpenRowAvx2(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out,
                                                    unsigned short* work, int rowBytes, int amount)
{
    const unsigned short* v = ColumnSums<BPP>(up, mid, down, work, rowBytes);
    const __m256i pairWeights = _mm256_set1_epi32((16352 << 16) | (amount & 0xFFFF));
    const __m256i k250 = _mm256_set1_epi16(250), k255 = _mm256_set1_epi16(255);
    const __m256i fifth = _mm256_set1_epi16((short)52429), twentyFifth = _mm256_set1_epi16((short)41944);
    const __m128i alpha = _mm_set1_epi32(BPP == 4 ? (int)0xFF000000 : 0);
    int i = 0;
    for (; i + 16 <= rowBytes; i += 16) {
        const __m128i midBytes = _mm_loadu_si128((const __m128i*)(mid + i));
        const __m256i m = _mm256_cvtepu8_epi16(midBytes);
        const __m256i left = _mm256_loadu_si256((const __m256i*)(v + i - BPP));
        const __m256i centre = _mm256_loadu_si256((const __m256i*)(v + i));
        const __m256i right = _mm256_loadu_si256((const __m256i*)(v + i + BPP));
        const __m256i blur = _mm256_add_epi16(_mm256_add_epi16(left, right), _mm256_add_epi16(centre, centre));
        const __m256i d = _mm256_sub_epi16(_mm256_slli_epi16(m, 4), blur);
        const __m256i lo = _mm256_srli_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(d, k250), pairWeights), 7);
        const __m256i hi = _mm256_srli_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(d, k250), pairWeights), 7);
        __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(_mm256_packus_epi32(lo, hi), fifth), 2);
        q = _mm256_srli_epi16(_mm256_mulhi_epu16(q, twentyFifth), 4);
        const __m256i result = _mm256_add_epi16(m, _mm256_sub_epi16(q, k255));
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(result, result), 0x08);
        _mm_storeu_si128((__m128i*)(out + i), _mm_blendv_epi8(_mm256_castsi256_si128(bytes), midBytes, alpha));
    }
    SharpenBytes<BPP>(mid, v, out, i, rowBytes, amount);
}

__attribute__((target("avx2")))
void SharpenAvx2(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out, unsigned short* work, int rowBytes,
                 int bpp, int amount)
{
    if (bpp == 3)
        SharpenRowAvx2<3>(up, mid, down, out, work, rowBytes, amount);
    else
        SharpenRowAvx2<4>(up, mid, down, out, work, rowBytes, amount);
}

__attribute__((target("sse4.1")))
void SharpenSse41(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out, unsigned short* work, int rowBytes,
                  int bpp, int amount)
{
    SharpenBody(up, mid, down, out, work, rowBytes, bpp, amount);
}

void SharpenGeneric(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out, unsigned short* work, int rowBytes,
                    int bpp, int amount)
{
    SharpenBody(up, mid, down, out, work, rowBytes, bpp, amount);
}

// Pixels x0..x1 - 1 of dst rows 0..rows - 1, one at a time.
template <int BPP>
KX_ALWAYS_INLINE void TurnPixels(const BYTE* origin, ptrdiff_t xStep, ptrdiff_t yStep, BYTE* dst, int dstride, int rows,
                                 int x0, int x1)
{
    for (int y = 0; y < rows; ++y) {
        const BYTE* s = origin + x0 * xStep + y * yStep;
        BYTE* d = dst + (size_t)y * dstride + x0 * BPP;
        for (int x = x0; x < x1; ++x, s += xStep, d += BPP)
            memcpy(d, s, BPP);
    }
}

// Blocks of 16 columns, so the source lines a block reads are still cached for its next rows.
template <int BPP>
void TurnGeneric(const BYTE* origin, ptrdiff_t xStep, ptrdiff_t yStep, BYTE* dst, int dstride, int rows, int width)
{
    for (int x0 = 0; x0 < width; x0 += 16)
        TurnPixels<BPP>(origin, xStep, yStep, dst, dstride, rows, x0, std::min(x0 + 16, width));
}

// Four source pixels in a row, each widened to 32 bits and put in the order of the dst rows they
// go to: the source row runs down the dst rows forwards or, when backwards, upwards from s.
template <int BPP, bool BACKWARDS>
__attribute__((target("sse4.1"))) KX_ALWAYS_INLINE __m128i LoadColumn(const BYTE* s)
{
    if (BPP == 4) {
        if (!BACKWARDS)
            return _mm_loadu_si128((const __m128i*)s);
        return _mm_shuffle_epi32(_mm_loadu_si128((const __m128i*)(s - 12)), 0x1B);
    }
    if (BACKWARDS)
        s -= 9;
    int last;
    memcpy(&last, s + 8, 4);
    const __m128i bytes = _mm_unpacklo_epi64(_mm_loadl_epi64((const __m128i*)s), _mm_cvtsi32_si128(last));
    return _mm_shuffle_epi8(bytes, BACKWARDS ? _mm_setr_epi8(9, 10, 11, -1, 6, 7, 8, -1, 3, 4, 5, -1, 0, 1, 2, -1)
                                             : _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
}

template <int BPP>
__attribute__((target("sse4.1"))) KX_ALWAYS_INLINE void StoreRow(BYTE* d, __m128i pixels)
{
    if (BPP == 4) {
        _mm_storeu_si128((__m128i*)d, pixels);
        return;
    }
    pixels = _mm_shuffle_epi8(pixels, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    _mm_storel_epi64((__m128i*)d, pixels);
    const int last = _mm_extract_epi32(pixels, 2);
    memcpy(d + 8, &last, 4);
}

// Blocks of 4 x 4 pixels transposed in registers, four blocks down the strip before moving right.
template <int BPP, bool BACKWARDS>
__attribute__((target("sse4.1"))) void TurnBlocks(const BYTE* origin, ptrdiff_t xStep, BYTE* dst, int dstride, int rows,
                                                  int width)
{
    const ptrdiff_t yStep = BACKWARDS ? -BPP : BPP;
    const int groups = rows & ~3;
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const BYTE* column = origin + x * xStep;
        for (int y = 0; y < groups; y += 4, column += 4 * yStep) {
            const __m128i c0 = LoadColumn<BPP, BACKWARDS>(column);
            const __m128i c1 = LoadColumn<BPP, BACKWARDS>(column + xStep);
            const __m128i c2 = LoadColumn<BPP, BACKWARDS>(column + 2 * xStep);
            const __m128i c3 = LoadColumn<BPP, BACKWARDS>(column + 3 * xStep);
            const __m128i t0 = _mm_unpacklo_epi32(c0, c1), t1 = _mm_unpacklo_epi32(c2, c3);
            const __m128i t2 = _mm_unpackhi_epi32(c0, c1), t3 = _mm_unpackhi_epi32(c2, c3);
            BYTE* d = dst + (size_t)y * dstride + x * BPP;
            StoreRow<BPP>(d, _mm_unpacklo_epi64(t0, t1));
            StoreRow<BPP>(d + dstride, _mm_unpackhi_epi64(t0, t1));
            StoreRow<BPP>(d + 2 * dstride, _mm_unpacklo_epi64(t2, t3));
            StoreRow<BPP>(d + 3 * dstride, _mm_unpackhi_epi64(t2, t3));
        }
    }
    TurnPixels<BPP>(origin, xStep, yStep, dst, dstride, groups, x, width);
    TurnPixels<BPP>(origin + groups * yStep, xStep, yStep, dst + (size_t)groups * dstride, dstride, rows - groups, 0,
                    width);
}

template <int BPP>
void TurnSse41(const BYTE* origin, ptrdiff_t xStep, ptrdiff_t yStep, BYTE* dst, int dstride, int rows, int width)
{
    if (yStep == BPP)
        TurnBlocks<BPP, false>(origin, xStep, dst, dstride, rows, width);
    else if (yStep == -BPP)
        TurnBlocks<BPP, true>(origin, xStep, dst, dstride, rows, width);
    else
        TurnGeneric<BPP>(origin, xStep, yStep, dst, dstride, rows, width);
}

} // namespace

void SharpenRow(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out, unsigned short* work, int rowBytes,
                int bytesPerPixel, int amount)
{
    static const auto sharpen = PickKernel(SharpenAvx2, SharpenSse41, SharpenGeneric);
    sharpen(up, mid, down, out, work, rowBytes, bytesPerPixel, amount);
}

} // namespace kximage

namespace kximage {

void TurnStrip(const BYTE* origin, ptrdiff_t xStep, ptrdiff_t yStep, BYTE* dst, int dstride, int rows, int width,
               int bytesPerPixel)
{
    typedef void (*Turn)(const BYTE*, ptrdiff_t, ptrdiff_t, BYTE*, int, int, int);
    static const Turn turn3 = PickKernel<Turn>(TurnSse41<3>, TurnSse41<3>, TurnGeneric<3>);
    static const Turn turn4 = PickKernel<Turn>(TurnSse41<4>, TurnSse41<4>, TurnGeneric<4>);
    (bytesPerPixel == 3 ? turn3 : turn4)(origin, xStep, yStep, dst, dstride, rows, width);
}

} // namespace kximage
