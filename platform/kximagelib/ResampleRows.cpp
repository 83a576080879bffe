// Row kernels of resampling: the two passes of the separable filters and the row sums of the box
// reduction. Every build computes the same integer sums, so the result does not depend on the CPU.
#include "ImageCore.h"
#include <immintrin.h>
#include <string.h>

namespace kximage {
namespace {

KX_ALWAYS_INLINE BYTE FromFixed(int acc)
{
    return ClampByte((acc + (1 << (RESAMPLE_WEIGHT_BITS - 1))) >> RESAMPLE_WEIGHT_BITS);
}

// Output pixels from..dstWidth - 1 of the horizontal pass, one at a time.
template <int BPP>
KX_ALWAYS_INLINE void FilterPixelsH(const BYTE* src, BYTE* dst, int from, int dstWidth, const ResampleTaps& taps)
{
    for (int x = from; x < dstWidth; ++x) {
        const short* w = &taps.weights[(size_t)x * taps.stride];
        const BYTE* p = src + taps.first[x] * BPP;
        int acc[BPP] = {};
        for (int i = 0, n = taps.count[x]; i < n; ++i, p += BPP)
            for (int c = 0; c < BPP; ++c)
                acc[c] += w[i] * p[c];
        for (int c = 0; c < BPP; ++c)
            dst[x * BPP + c] = FromFixed(acc[c]);
    }
}

KX_ALWAYS_INLINE void FilterBytesV(const BYTE* top, ptrdiff_t stride, const short* weights, int count, BYTE* dst,
                                   int from, int rowBytes)
{
    for (int b = from; b < rowBytes; ++b) {
        int acc = 0;
        for (int k = 0; k < count; ++k)
            acc += weights[k] * top[k * stride + b];
        dst[b] = FromFixed(acc);
    }
}

KX_ALWAYS_INLINE void AddBytes(unsigned* __restrict sums, const BYTE* __restrict row, int n)
{
    for (int i = 0; i < n; ++i)
        sums[i] += row[i];
}

void ResampleHGeneric(const BYTE* src, int srcWidth, BYTE* dst, int dstWidth, int bpp, const ResampleTaps& taps)
{
    if (bpp == 3)
        FilterPixelsH<3>(src, dst, 0, dstWidth, taps);
    else
        FilterPixelsH<4>(src, dst, 0, dstWidth, taps);
}

void ResampleVGeneric(const BYTE* top, ptrdiff_t stride, const short* weights, int count, BYTE* dst, int rowBytes)
{
    FilterBytesV(top, stride, weights, count, dst, 0, rowBytes);
}

// Two output pixels at a time, one in each 128-bit lane, two taps a multiply-add: the 8 bytes at a
// tap pair are spread to 16-bit lanes channel by channel, c(tap) c(tap + 1), which pmaddwd weights
// with the pair's two weights. At 24 bits the fourth lane is a neighbour's byte and is dropped.
// Pixels whose 8-byte loads would pass the end of the row are left to the one-at-a-time loop.
template <int BPP>
__attribute__((target("avx2"))) void FilterRowHAvx2(const BYTE* src, int srcWidth, BYTE* dst, int dstWidth,
                                                    const ResampleTaps& taps)
{
    const int pairs = taps.stride / 2;
    int safe = dstWidth;
    while (safe > 0 && (taps.first[safe - 1] + taps.stride - 2) * BPP + 8 > srcWidth * BPP)
        --safe;
    const __m256i spread = _mm256_setr_epi8(0, -1, BPP, -1, 1, -1, BPP + 1, -1, 2, -1, BPP + 2, -1, 3, -1, BPP + 3, -1,
                                            0, -1, BPP, -1, 1, -1, BPP + 1, -1, 2, -1, BPP + 2, -1, 3, -1, BPP + 3, -1);
    const __m256i half = _mm256_set1_epi32(1 << (RESAMPLE_WEIGHT_BITS - 1));
    int x = 0;
    for (; x + 2 <= safe; x += 2) {
        const BYTE* p0 = src + taps.first[x] * BPP;
        const BYTE* p1 = src + taps.first[x + 1] * BPP;
        const int* w0 = &taps.pairs[(size_t)x * pairs];
        const int* w1 = w0 + pairs;
        __m256i acc = half;
        for (int k = 0; k < pairs; ++k) {
            const __m256i bytes = _mm256_setr_m128i(_mm_loadl_epi64((const __m128i*)(p0 + 2 * k * BPP)),
                                                    _mm_loadl_epi64((const __m128i*)(p1 + 2 * k * BPP)));
            const __m256i w = _mm256_setr_m128i(_mm_set1_epi32(w0[k]), _mm_set1_epi32(w1[k]));
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_shuffle_epi8(bytes, spread), w));
        }
        acc = _mm256_srai_epi32(acc, RESAMPLE_WEIGHT_BITS);
        const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(acc, acc), acc);
        const int first = _mm256_extract_epi32(packed, 0), second = _mm256_extract_epi32(packed, 4);
        memcpy(dst + x * BPP, &first, BPP);
        memcpy(dst + (x + 1) * BPP, &second, BPP);
    }
    FilterPixelsH<BPP>(src, dst, x, dstWidth, taps);
}

__attribute__((target("avx2")))
void ResampleHAvx2(const BYTE* src, int srcWidth, BYTE* dst, int dstWidth, int bpp, const ResampleTaps& taps)
{
    if (bpp == 3)
        FilterRowHAvx2<3>(src, srcWidth, dst, dstWidth, taps);
    else
        FilterRowHAvx2<4>(src, srcWidth, dst, dstWidth, taps);
}

__attribute__((target("sse4.1")))
void ResampleHSse41(const BYTE* src, int srcWidth, BYTE* dst, int dstWidth, int bpp, const ResampleTaps& taps)
{
    ResampleHGeneric(src, srcWidth, dst, dstWidth, bpp, taps);
}

// Sixteen bytes at a time, two source rows a multiply-add: the rows' bytes are interleaved as
// 16-bit lanes and pmaddwd weights them with the two rows' weights.
__attribute__((target("avx2")))
void ResampleVAvx2(const BYTE* top, ptrdiff_t stride, const short* weights, int count, BYTE* dst, int rowBytes)
{
    const __m256i half = _mm256_set1_epi32(1 << (RESAMPLE_WEIGHT_BITS - 1));
    int b = 0;
    for (; b + 16 <= rowBytes; b += 16) {
        __m256i lo = half, hi = half;
        const BYTE* s = top + b;
        for (int k = 0; k < count; k += 2, s += 2 * stride) {
            const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i*)s));
            const __m256i c = k + 1 < count ? _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i*)(s + stride)))
                                            : _mm256_setzero_si256();
            const __m256i w = _mm256_set1_epi32((int)((unsigned short)weights[k] | (unsigned)(unsigned short)weights[k + 1] << 16));
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, c), w));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, c), w));
        }
        lo = _mm256_srai_epi32(lo, RESAMPLE_WEIGHT_BITS);
        hi = _mm256_srai_epi32(hi, RESAMPLE_WEIGHT_BITS);
        const __m256i words = _mm256_packs_epi32(lo, hi);   // in order within each lane
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
        _mm_storeu_si128((__m128i*)(dst + b), _mm256_castsi256_si128(bytes));
    }
    FilterBytesV(top, stride, weights, count, dst, b, rowBytes);
}

__attribute__((target("sse4.1")))
void ResampleVSse41(const BYTE* top, ptrdiff_t stride, const short* weights, int count, BYTE* dst, int rowBytes)
{
    FilterBytesV(top, stride, weights, count, dst, 0, rowBytes);
}

__attribute__((target("avx2")))
void AddAvx2(unsigned* sums, const BYTE* row, int n) { AddBytes(sums, row, n); }

__attribute__((target("sse4.1")))
void AddSse41(unsigned* sums, const BYTE* row, int n) { AddBytes(sums, row, n); }

void AddGeneric(unsigned* sums, const BYTE* row, int n) { AddBytes(sums, row, n); }

} // namespace

void ResampleRowH(const BYTE* src, int srcWidth, BYTE* dst, int dstWidth, int bytesPerPixel, const ResampleTaps& taps)
{
    static const auto filter = PickKernel(ResampleHAvx2, ResampleHSse41, ResampleHGeneric);
    filter(src, srcWidth, dst, dstWidth, bytesPerPixel, taps);
}

void ResampleRowV(const BYTE* top, ptrdiff_t stride, const short* weights, int count, BYTE* dst, int rowBytes)
{
    static const auto filter = PickKernel(ResampleVAvx2, ResampleVSse41, ResampleVGeneric);
    filter(top, stride, weights, count, dst, rowBytes);
}

void AddRowBytes(unsigned* sums, const BYTE* row, int n)
{
    static const auto add = PickKernel(AddAvx2, AddSse41, AddGeneric);
    add(sums, row, n);
}

} // namespace kximage
