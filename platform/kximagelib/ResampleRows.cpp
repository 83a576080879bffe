// Row kernels of resampling: the two passes of the separable filters and the row sums of the box
// reduction. Every build computes the same integer sums, so the result does not depend on the CPU.
#include "ImageCore.h"
#include <algorithm>
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

// (sum + n / 2) / n, the rounded mean of n bytes. Below 2^16 bytes it is a multiply by
// ceil(2^40 / n) and a shift, exact there because the numerator t stays below 256 n, so
// t * n < 2^40.
class CMeanDivider
{
public:
    explicit CMeanDivider(unsigned n) : m_n(n), m_reciprocal(((1ULL << 40) + n - 1) / n) {}
    BYTE Mean(unsigned long long sum) const
    {
        const unsigned long long t = sum + m_n / 2;
        return (BYTE)(m_n < 65536 ? (t * m_reciprocal) >> 40 : t / m_n);
    }

private:
    unsigned m_n;
    unsigned long long m_reciprocal;
};

template <int BPP, typename Sum>
KX_ALWAYS_INLINE void MeanPixels(const Sum* sums, int from, int blocks, int fx, unsigned n, BYTE* dst)
{
    const CMeanDivider divider(n);
    for (int x = from; x < blocks; ++x) {
        const Sum* s = sums + (size_t)x * fx * BPP;
        unsigned long long total[BPP] = {};
        for (int i = 0; i < fx; ++i, s += BPP)
            for (int c = 0; c < BPP; ++c)
                total[c] += s[c];
        for (int c = 0; c < BPP; ++c)
            dst[x * BPP + c] = divider.Mean(total[c]);
    }
}

template <typename Sum>
void MeanGeneric(const Sum* sums, int blocks, int fx, unsigned n, BYTE* dst, int bpp)
{
    if (bpp == 3)
        MeanPixels<3>(sums, 0, blocks, fx, n, dst);
    else
        MeanPixels<4>(sums, 0, blocks, fx, n, dst);
}

// A block's four totals (at 24 bits the fourth is a neighbour's, dropped) in one register, divided
// by multiplying with ceil(2^32 / n) and keeping the high half: exact while t * n < 2^32 for the
// numerators t < 256 n, so for n up to 4096. Larger blocks go one byte at a time.
// A pixel's four column totals (at 24 bits the fourth is a neighbour's) as 32-bit lanes.
__attribute__((target("sse4.1"))) KX_ALWAYS_INLINE __m128i LoadTotals(const unsigned* s)
{
    return _mm_loadu_si128((const __m128i*)s);
}
__attribute__((target("sse4.1"))) KX_ALWAYS_INLINE __m128i LoadTotals(const unsigned short* s)
{
    return _mm_cvtepu16_epi32(_mm_loadl_epi64((const __m128i*)s));
}

template <int BPP, typename Sum>
__attribute__((target("sse4.1"))) void MeanRowSse41(const Sum* sums, int blocks, int fx, unsigned n, BYTE* dst)
{
    if (n < 2 || n > 4096) {
        MeanPixels<BPP>(sums, 0, blocks, fx, n, dst);
        return;
    }
    const __m128i half = _mm_set1_epi32((int)(n / 2));
    const __m128i reciprocal = _mm_set1_epi32((int)(((1ULL << 32) + n - 1) / n));
    for (int x = 0; x < blocks; ++x, dst += BPP) {
        const Sum* s = sums + (size_t)x * fx * BPP;
        __m128i t = half;
        for (int i = 0; i < fx; ++i, s += BPP)
            t = _mm_add_epi32(t, LoadTotals(s));
        const __m128i even = _mm_srli_epi64(_mm_mul_epu32(t, reciprocal), 32);
        const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(t, 32), reciprocal);
        const __m128i q = _mm_blend_epi16(even, odd, 0xCC);
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packus_epi32(q, q), q));
        memcpy(dst, &bytes, 4);
    }
}

template <typename Sum>
__attribute__((target("sse4.1"))) void MeanSse41(const Sum* sums, int blocks, int fx, unsigned n, BYTE* dst, int bpp)
{
    if (bpp == 3)
        MeanRowSse41<3>(sums, blocks, fx, n, dst);
    else
        MeanRowSse41<4>(sums, blocks, fx, n, dst);
}

// Column by column in short runs, so the totals stay in registers while every row is added and are
// written once.
template <typename Sum>
KX_ALWAYS_INLINE void SumBytes(const BYTE* top, ptrdiff_t stride, int rows, Sum* __restrict sums, int n)
{
    const int RUN = 64;
    for (int i0 = 0; i0 < n; i0 += RUN) {
        Sum run[RUN] = {};
        const int length = n - i0 < RUN ? n - i0 : RUN;
        const BYTE* s = top + i0;
        for (int r = 0; r < rows; ++r, s += stride)
            for (int i = 0; i < length; ++i)
                run[i] += s[i];
        memcpy(sums + i0, run, length * sizeof(Sum));
    }
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
    // The furthest a pixel's loads reach past its first tap.
    const ptrdiff_t reach = (taps.stride - 2) * BPP + 8, rowBytes = (ptrdiff_t)srcWidth * BPP;
    const __m256i spread = _mm256_setr_epi8(0, -1, BPP, -1, 1, -1, BPP + 1, -1, 2, -1, BPP + 2, -1, 3, -1, BPP + 3, -1,
                                            0, -1, BPP, -1, 1, -1, BPP + 1, -1, 2, -1, BPP + 2, -1, 3, -1, BPP + 3, -1);
    const __m256i half = _mm256_set1_epi32(1 << (RESAMPLE_WEIGHT_BITS - 1));
    int x = 0;
    for (; x + 2 <= dstWidth; x += 2) {
        if (std::max(taps.first[x], taps.first[x + 1]) * BPP + reach > rowBytes)
            break;
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
void SumAvx2(const BYTE* top, ptrdiff_t stride, int rows, unsigned* sums, int n) { SumBytes(top, stride, rows, sums, n); }

// 16-bit totals: 64 columns at a time in four registers, twice the columns an instruction of
// 32-bit totals adds, and half the memory to write and to read back.
__attribute__((target("avx2")))
void Sum16Avx2(const BYTE* top, ptrdiff_t stride, int rows, unsigned short* sums, int n)
{
    int i0 = 0;
    for (; i0 + 64 <= n; i0 += 64) {
        __m256i a0 = _mm256_setzero_si256(), a1 = a0, a2 = a0, a3 = a0;
        const BYTE* s = top + i0;
        for (int r = 0; r < rows; ++r, s += stride) {
            const __m256i v0 = _mm256_loadu_si256((const __m256i*)s);
            const __m256i v1 = _mm256_loadu_si256((const __m256i*)(s + 32));
            a0 = _mm256_add_epi16(a0, _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v0)));
            a1 = _mm256_add_epi16(a1, _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v0, 1)));
            a2 = _mm256_add_epi16(a2, _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v1)));
            a3 = _mm256_add_epi16(a3, _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v1, 1)));
        }
        _mm256_storeu_si256((__m256i*)(sums + i0), a0);
        _mm256_storeu_si256((__m256i*)(sums + i0 + 16), a1);
        _mm256_storeu_si256((__m256i*)(sums + i0 + 32), a2);
        _mm256_storeu_si256((__m256i*)(sums + i0 + 48), a3);
    }
    if (i0 < n)
        SumBytes(top + i0, stride, rows, sums + i0, n - i0);
}

__attribute__((target("sse4.1")))
void Sum16Sse41(const BYTE* top, ptrdiff_t stride, int rows, unsigned short* sums, int n) { SumBytes(top, stride, rows, sums, n); }

void Sum16Generic(const BYTE* top, ptrdiff_t stride, int rows, unsigned short* sums, int n) { SumBytes(top, stride, rows, sums, n); }

__attribute__((target("sse4.1")))
void SumSse41(const BYTE* top, ptrdiff_t stride, int rows, unsigned* sums, int n) { SumBytes(top, stride, rows, sums, n); }

void SumGeneric(const BYTE* top, ptrdiff_t stride, int rows, unsigned* sums, int n) { SumBytes(top, stride, rows, sums, n); }

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

void MeanRow(const unsigned* sums, int blocks, int fx, unsigned n, BYTE* dst, int bytesPerPixel)
{
    static const auto mean = PickKernel(MeanSse41<unsigned>, MeanSse41<unsigned>, MeanGeneric<unsigned>);
    mean(sums, blocks, fx, n, dst, bytesPerPixel);
}

void MeanRow(const unsigned short* sums, int blocks, int fx, unsigned n, BYTE* dst, int bytesPerPixel)
{
    static const auto mean =
        PickKernel(MeanSse41<unsigned short>, MeanSse41<unsigned short>, MeanGeneric<unsigned short>);
    mean(sums, blocks, fx, n, dst, bytesPerPixel);
}

void SumRows(const BYTE* top, ptrdiff_t stride, int rows, unsigned* sums, int n)
{
    static const auto sum = PickKernel(SumAvx2, SumSse41, SumGeneric);
    sum(top, stride, rows, sums, n);
}

void SumRows(const BYTE* top, ptrdiff_t stride, int rows, unsigned short* sums, int n)
{
    static const auto sum = PickKernel(Sum16Avx2, Sum16Sse41, Sum16Generic);
    sum(top, stride, rows, sums, n);
}

} // namespace kximage
