// Erosion by the van Herk / Gil-Werman method (three comparisons a pixel whatever the radius) and
// box blurs by running sums, on rows, and on columns in blocks that are turned into rows first so
// that every cache line of the matte is read once.
#include "KeyFilters.h"
#include <Parallel.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// dst[i] = the least of src[i - r .. i + r] (the ends repeat). work holds 3 (n + 2r) bytes.
void MinLine(const BYTE* src, BYTE* dst, int n, int r, BYTE* work)
{
    const int m = n + 2 * r;
    const int k = 2 * r + 1;
    BYTE* pad = work;            // src with its ends repeated r times
    BYTE* g = work + m;          // least from the start of each block of k
    BYTE* h = work + 2 * m;      // least to the end of each block
    memset(pad, src[0], r);
    memcpy(pad + r, src, n);
    memset(pad + r + n, src[n - 1], r);
    for (int b0 = 0; b0 < m; b0 += k) {
        const int b1 = std::min(m, b0 + k);
        g[b0] = pad[b0];
        for (int i = b0 + 1; i < b1; ++i)
            g[i] = std::min(g[i - 1], pad[i]);
        h[b1 - 1] = pad[b1 - 1];
        for (int i = b1 - 2; i >= b0; --i)
            h[i] = std::min(h[i + 1], pad[i]);
    }
    // The window of padded positions i .. i + 2r.
    for (int i = 0; i < n; ++i)
        dst[i] = std::min(h[i], g[i + 2 * r]);
}

// dst[i] = the rounded mean of src[i - r .. i + r] (the ends repeat). The division is a
// multiplication: the true quotient of a sum plus a half lies at least 1 / 2k from a whole
// number, far beyond the error of a float.
void BoxLine(const BYTE* src, BYTE* dst, int n, int r)
{
    const int k = 2 * r + 1;
    const float inverse = 1.0f / k;
    auto at = [&](int i) { return (int)src[std::min(n - 1, std::max(0, i))]; };
    int sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += at(i);
    for (int i = 0; i < n; ++i) {
        dst[i] = (BYTE)(int)((sum + k / 2 + 0.5f) * inverse);
        sum += at(i + r + 1) - at(i - r);
    }
}

// Runs line(src, dst, n, work) over every row, then every column; work holds workFor(n) bytes.
// Every slice takes its scratch memory before it changes a line, so one that threw left its lines
// as they were and is run again whole. False when memory ran out.
template <class Line, class Work>
bool BothWays(BYTE* plane, int width, int height, int stride, Line line, Work workFor)
{
    const bool rows = KxParallelForAll(height, [&](int begin, int end) {
        std::vector<BYTE> tmp(width), work(workFor(width));
        for (int y = begin; y < end; ++y) {
            BYTE* row = plane + (size_t)y * stride;
            line(row, tmp.data(), width, work.data());
            std::copy(tmp.begin(), tmp.end(), row);
        }
    });
    if (!rows)
        return false;
    const int block = 64;
    const int blocks = (width + block - 1) / block;
    return KxParallelForAll(blocks, [&](int begin, int end) {
        std::vector<BYTE> cols((size_t)block * height), tmp(height), work(workFor(height));
        for (int b = begin; b < end; ++b) {
            const int x0 = b * block, n = std::min(block, width - x0);
            for (int y = 0; y < height; ++y) {
                const BYTE* row = plane + (size_t)y * stride + x0;
                for (int i = 0; i < n; ++i)
                    cols[(size_t)i * height + y] = row[i];
            }
            for (int i = 0; i < n; ++i) {
                line(&cols[(size_t)i * height], tmp.data(), height, work.data());
                std::copy(tmp.begin(), tmp.end(), &cols[(size_t)i * height]);
            }
            for (int y = 0; y < height; ++y) {
                BYTE* row = plane + (size_t)y * stride + x0;
                for (int i = 0; i < n; ++i)
                    row[i] = cols[(size_t)i * height + y];
            }
        }
    });
}

} // namespace

bool ShapeMatte(BYTE* alpha, int width, int height, int stride, int shrink, int blur, bool inward)
{
    if (width <= 0 || height <= 0)
        return true;
    if (shrink > 0) {
        const bool ok = BothWays(alpha, width, height, stride,
                                 [shrink](const BYTE* src, BYTE* dst, int n, BYTE* work) { MinLine(src, dst, n, shrink, work); },
                                 [shrink](int n) { return 3 * (size_t)(n + 2 * shrink); });
        if (!ok)
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
            if (!BothWays(alpha, width, height, stride, [blur](const BYTE* src, BYTE* dst, int n, BYTE*) { BoxLine(src, dst, n, blur); },
                          [](int) { return (size_t)0; }))
                return false;
        if (inward)
            for (size_t i = 0; i < (size_t)stride * height; ++i)
                alpha[i] = std::min(alpha[i], hard[i]);
    }
    return true;
}
