// Erosion (the least value of a square window) and box blurs (its rounded mean), each a pass
// along the rows and then one down the columns. The row passes work on a copy of the row with its
// ends repeated; the column passes walk down strips of columns keeping the window's rows in a
// ring, so that every pass reads the matte row by row, sixteen pixels at a time (SSE2, which
// every x86-64 CPU has). The least and the sums are exact, so the order of the work does not
// change a byte.
#include "KeyFilters.h"
#include <Parallel.h>
#include <emmintrin.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

const int kStrip = 256;     // columns a strip of a column pass
const int kNarrowBox = 4;   // the widest reach whose row blur sums each window whole

// row with its ends repeated r times, into pad (n + 2 r bytes).
void PadRow(const BYTE* row, int n, int r, BYTE* pad)
{
    memset(pad, row[0], r);
    memcpy(pad + r, row, n);
    memset(pad + r + n, row[n - 1], r);
}

// The rounded mean of a window of k values from their sum: (sum + k / 2) / k, worked out as the
// division by a multiplication that it always equals (the true quotient of a sum plus a half lies
// at least 1 / 2k from a whole number, far beyond the error of a float).
inline BYTE Mean(int sum, int k, float inverse) { return (BYTE)(int)((sum + k / 2 + 0.5f) * inverse); }

// The same for 8 sums (16-bit) at once, into the low 8 bytes. A window of fewer than 128 values
// takes floor((sum + k / 2) m / 2^s), m = ceil(2^s / k), 2^s the least power of two from 65536
// up that is at least 256 k^2: m k exceeds 2^s by e < k, so the product passes the true quotient
// by (sum + k / 2) e / (k 2^s) < 256 k k / (k 2^s) <= 1 / k, too little to reach the next whole
// number. Wider windows go through floats, as Mean does.
class Mean8
{
public:
    explicit Mean8(int k) : m_k(k), m_inverse(_mm_set1_ps(1.0f / k)), m_half(_mm_set1_epi16((short)(k / 2)))
    {
        int s = 16;
        while ((1LL << s) < 256LL * k * k)
            ++s;
        const long long m = ((1LL << s) + k - 1) / k;
        m_exact = k < 128 && m < 65536;
        m_magic = _mm_set1_epi16((short)(unsigned short)m);
        m_shift = _mm_cvtsi32_si128(s - 16);
    }
    __m128i operator()(__m128i sums) const
    {
        if (m_exact) {
            const __m128i q = _mm_srl_epi16(_mm_mulhi_epu16(_mm_add_epi16(sums, m_half), m_magic), m_shift);
            return _mm_packus_epi16(q, q);
        }
        const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(m_k / 2);
        const __m128 point5 = _mm_set1_ps(0.5f);
        const __m128i lo = _mm_add_epi32(_mm_unpacklo_epi16(sums, zero), half);
        const __m128i hi = _mm_add_epi32(_mm_unpackhi_epi16(sums, zero), half);
        const __m128i qlo = _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(lo), point5), m_inverse));
        const __m128i qhi = _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(hi), point5), m_inverse));
        const __m128i q = _mm_packs_epi32(qlo, qhi);
        return _mm_packus_epi16(q, q);
    }

private:
    int m_k;
    __m128 m_inverse;
    __m128i m_half, m_magic, m_shift;
    bool m_exact;
};

// row[i] = the least of row[i - r .. i + r] (the ends repeat). pad holds n + 2 r bytes.
void MinRow(BYTE* row, int n, int r, BYTE* pad)
{
    PadRow(row, n, r, pad);
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        __m128i m = _mm_loadu_si128((const __m128i*)(pad + x));
        for (int d = 1; d <= 2 * r; ++d)
            m = _mm_min_epu8(m, _mm_loadu_si128((const __m128i*)(pad + x + d)));
        _mm_storeu_si128((__m128i*)(row + x), m);
    }
    for (; x < n; ++x) {
        BYTE m = pad[x];
        for (int d = 1; d <= 2 * r; ++d)
            m = std::min(m, pad[x + d]);
        row[x] = m;
    }
}

// row[i] = the rounded mean of row[i - r .. i + r] (the ends repeat). A wider window's sum is the
// difference of two running sums of the padded row, which 16 bits hold exactly however they
// wrap, a window's sum being below 65536. pad holds n + 2 r bytes, sums n + 2 r + 1.
void BoxRow(BYTE* row, int n, int r, BYTE* pad, unsigned short* sums)
{
    const int k = 2 * r + 1;
    const float inverse = 1.0f / k;
    const Mean8 mean8(k);
    PadRow(row, n, r, pad);
    if (r <= kNarrowBox) {
        // A narrow window is summed whole, sixteen windows at a time, faster than the running
        // sums, which are one value after another.
        const __m128i zero = _mm_setzero_si128();
        int x = 0;
        for (; x + 16 <= n; x += 16) {
            __m128i lo = zero, hi = zero;
            for (int d = 0; d < k; ++d) {
                const __m128i v = _mm_loadu_si128((const __m128i*)(pad + x + d));
                lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
                hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
            }
            _mm_storel_epi64((__m128i*)(row + x), mean8(lo));
            _mm_storel_epi64((__m128i*)(row + x + 8), mean8(hi));
        }
        for (; x < n; ++x) {
            int sum = 0;
            for (int d = 0; d < k; ++d)
                sum += pad[x + d];
            row[x] = Mean(sum, k, inverse);
        }
        return;
    }
    unsigned short running = 0;
    sums[0] = 0;
    for (int i = 0; i < n + 2 * r; ++i)
        sums[i + 1] = running = (unsigned short)(running + pad[i]);
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m128i window = _mm_sub_epi16(_mm_loadu_si128((const __m128i*)(sums + x + k)),
                                             _mm_loadu_si128((const __m128i*)(sums + x)));
        _mm_storel_epi64((__m128i*)(row + x), mean8(window));
    }
    for (; x < n; ++x)
        row[x] = Mean((unsigned short)(sums[x + k] - sums[x]), k, inverse);
}

// Runs the row pass on every row.
template <class Pass>
bool EveryRow(BYTE* plane, int width, int height, int stride, int r, Pass pass)
{
    return KxParallelForAll(height, [&](int begin, int end) {
        std::vector<BYTE> pad(width + 2 * (size_t)r);
        std::vector<unsigned short> sums(width + 2 * (size_t)r + 1);
        for (int y = begin; y < end; ++y)
            pass(plane + (size_t)y * stride, width, r, pad.data(), sums.data());
    });
}

// The column pass over strips of columns. Walking down a strip, the rows of each pixel's window
// (2 r + 1 of them, the edge rows repeated beyond the edges) are kept in a ring as they were
// before the pass: the row that enters takes the place of the one that leaves, which no later
// window needs, and is copied before it is written, being below the row written. Window, made for
// a strip of n columns, hears each row leave and enter and then writes the row of the strip.
template <class Window>
bool EveryColumn(BYTE* plane, int width, int height, int stride, int r)
{
    const int k = 2 * r + 1;
    const int strips = (width + kStrip - 1) / kStrip;
    return KxParallelForAll(strips, [&](int begin, int end) {
        const int x0 = begin * kStrip, n = std::min(width, end * kStrip) - x0;
        std::vector<BYTE> ring((size_t)k * n);
        std::vector<const BYTE*> rows(k);
        Window window(n);
        auto source = [&](int y) { return plane + (size_t)std::min(height - 1, std::max(0, y)) * stride + x0; };
        auto slot = [&](int y) { return &ring[(size_t)(((y % k) + k) % k) * n]; };
        for (int i = 0; i < k; ++i)
            rows[i] = &ring[(size_t)i * n];
        for (int y = -r; y < r; ++y) {
            memcpy(slot(y), source(y), n);
            window.Enter(slot(y), n);
        }
        for (int y = 0; y < height; ++y) {
            if (y > 0)
                window.Leave(slot(y + r), n);
            memcpy(slot(y + r), source(y + r), n);
            window.Enter(slot(y + r), n);
            window.Write(rows.data(), k, n, plane + (size_t)y * stride + x0);
        }
    });
}

// Each pixel the least of its window's rows.
struct MinWindow
{
    explicit MinWindow(int) {}
    void Leave(const BYTE*, int) {}
    void Enter(const BYTE*, int) {}
    void Write(const BYTE* const* rows, int k, int n, BYTE* out) const
    {
        int x = 0;
        for (; x + 16 <= n; x += 16) {
            __m128i m = _mm_loadu_si128((const __m128i*)(rows[0] + x));
            for (int i = 1; i < k; ++i)
                m = _mm_min_epu8(m, _mm_loadu_si128((const __m128i*)(rows[i] + x)));
            _mm_storeu_si128((__m128i*)(out + x), m);
        }
        for (; x < n; ++x) {
            BYTE m = rows[0][x];
            for (int i = 1; i < k; ++i)
                m = std::min(m, rows[i][x]);
            out[x] = m;
        }
    }
};

// Each pixel the rounded mean of its window's rows, from sums a column kept down the strip
// (16 bits, exact however they wrap, a window's sum being below 65536).
struct BoxWindow
{
    std::vector<unsigned short> sums;
    explicit BoxWindow(int n) : sums(n, 0) {}
    template <bool add>
    void Change(const BYTE* row, int n)
    {
        const __m128i zero = _mm_setzero_si128();
        int x = 0;
        for (; x + 16 <= n; x += 16) {
            const __m128i v = _mm_loadu_si128((const __m128i*)(row + x));
            __m128i* s = (__m128i*)(sums.data() + x);
            const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
            _mm_storeu_si128(s, add ? _mm_add_epi16(_mm_loadu_si128(s), lo) : _mm_sub_epi16(_mm_loadu_si128(s), lo));
            _mm_storeu_si128(s + 1, add ? _mm_add_epi16(_mm_loadu_si128(s + 1), hi) : _mm_sub_epi16(_mm_loadu_si128(s + 1), hi));
        }
        for (; x < n; ++x)
            sums[x] = (unsigned short)(add ? sums[x] + row[x] : sums[x] - row[x]);
    }
    void Leave(const BYTE* row, int n) { Change<false>(row, n); }
    void Enter(const BYTE* row, int n) { Change<true>(row, n); }
    void Write(const BYTE* const*, int k, int n, BYTE* out) const
    {
        const float inverse = 1.0f / k;
        const Mean8 mean8(k);
        int x = 0;
        for (; x + 8 <= n; x += 8)
            _mm_storel_epi64((__m128i*)(out + x), mean8(_mm_loadu_si128((const __m128i*)(sums.data() + x))));
        for (; x < n; ++x)
            out[x] = Mean(sums[x], k, inverse);
    }
};

} // namespace

bool ShapeMatte(BYTE* alpha, int width, int height, int stride, int shrink, int blur, bool inward)
{
    if (width <= 0 || height <= 0)
        return true;
    if (shrink > 0) {
        if (!EveryRow(alpha, width, height, stride, shrink,
                      [](BYTE* row, int n, int r, BYTE* pad, unsigned short*) { MinRow(row, n, r, pad); }) ||
            !EveryColumn<MinWindow>(alpha, width, height, stride, shrink))
            return false;
    }
    if (blur > 0) {
        std::unique_ptr<BYTE[]> hard;
        if (inward) {
            hard.reset(new (std::nothrow) BYTE[(size_t)stride * height]);
            if (!hard)
                return false;
            std::copy(alpha, alpha + (size_t)stride * height, hard.get());
        }
        for (int pass = 0; pass < 2; ++pass)
            if (!EveryRow(alpha, width, height, stride, blur, BoxRow) || !EveryColumn<BoxWindow>(alpha, width, height, stride, blur))
                return false;
        if (inward)
            for (size_t i = 0; i < (size_t)stride * height; ++i)
                alpha[i] = std::min(alpha[i], hard[i]);
    }
    return true;
}
