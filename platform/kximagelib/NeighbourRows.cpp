// Row kernels of the operations that read neighbouring pixels. As with the point operations, the
// same source is compiled for generic x86-64, SSE4.1 and AVX2 and picked at run time.
#include "ImageCore.h"
#include <immintrin.h>

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

} // namespace

void SharpenRow(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out, unsigned short* work, int rowBytes,
                int bytesPerPixel, int amount)
{
    static const auto sharpen = PickKernel(SharpenAvx2, SharpenSse41, SharpenGeneric);
    sharpen(up, mid, down, out, work, rowBytes, bytesPerPixel, amount);
}

} // namespace kximage
