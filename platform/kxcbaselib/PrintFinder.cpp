#include "PrintFinder.h"
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>

namespace {

const double kPi = 3.14159265358979323846;

// The reduced copy is about this long along its longer side: enough for prints of a tenth of
// the sheet to have sides of a hundred pixels, small enough for every pass to take a few ms.
const int kReducedSide = 1024;

struct Colour
{
    float c[3];
};

inline float Distance(const float* a, const float* b)
{
    const float d0 = a[0] - b[0], d1 = a[1] - b[1], d2 = a[2] - b[2];
    return std::sqrt(d0 * d0 + d1 * d1 + d2 * d2);
}

inline double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// ---- The reduced copy ------------------------------------------------------------------------

// The sheet reduced by a whole factor, each pixel the mean of factor x factor pixels of the
// sheet: three floats a pixel in the sheet's byte order. Reduced pixel (i, j) covers the sheet's
// [i * factor, (i + 1) * factor) x [j * factor, (j + 1) * factor).
struct Reduced
{
    int w = 0, h = 0, factor = 1;
    std::vector<float> v;
    const float* At(int x, int y) const { return &v[((size_t)y * w + x) * 3]; }

    // Bilinear sample at a continuous point (pixel centres at i + 0.5), clamped to the copy.
    Colour Sample(double x, double y) const
    {
        x = std::min(std::max(x - 0.5, 0.0), w - 1.0);
        y = std::min(std::max(y - 0.5, 0.0), h - 1.0);
        const int x0 = std::min((int)x, w - 2 < 0 ? 0 : w - 2), y0 = std::min((int)y, h - 2 < 0 ? 0 : h - 2);
        const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
        const float tx = (float)(x - x0), ty = (float)(y - y0);
        const float *a = At(x0, y0), *b = At(x1, y0), *c = At(x0, y1), *d = At(x1, y1);
        Colour out;
        for (int k = 0; k < 3; ++k)
            out.c[k] = (a[k] * (1 - tx) + b[k] * tx) * (1 - ty) + (c[k] * (1 - tx) + d[k] * tx) * ty;
        return out;
    }
};

void ReduceRows(const BYTE* bits, int stride, int bpp, int f, Reduced& r, int y0, int y1)
{
    // Sums of up to 257 rows of bytes fit 16 bits, and the compiler vectorises the row adds.
    const size_t n = (size_t)r.w * f * bpp;
    std::vector<uint16_t> acc(n);
    const float scale = 1.0f / ((float)f * f);
    for (int ry = y0; ry < y1; ++ry) {
        std::fill(acc.begin(), acc.end(), 0);
        for (int k = 0; k < f; ++k) {
            const BYTE* row = bits + (size_t)(ry * f + k) * stride;
            uint16_t* a = acc.data();
            for (size_t i = 0; i < n; ++i)
                a[i] = (uint16_t)(a[i] + row[i]);
        }
        float* out = &r.v[(size_t)ry * r.w * 3];
        const uint16_t* a = acc.data();
        for (int rx = 0; rx < r.w; ++rx) {
            unsigned s0 = 0, s1 = 0, s2 = 0;
            for (int k = 0; k < f; ++k, a += bpp) {
                s0 += a[0];
                s1 += a[1];
                s2 += a[2];
            }
            out[rx * 3] = s0 * scale;
            out[rx * 3 + 1] = s1 * scale;
            out[rx * 3 + 2] = s2 * scale;
        }
    }
}

Reduced Reduce(const CDib& sheet)
{
    Reduced r;
    const int W = sheet.GetWidth(), H = sheet.GetHeight();
    r.factor = std::max(1, (std::max(W, H) + kReducedSide - 1) / kReducedSide);
    r.w = W / r.factor;
    r.h = H / r.factor;
    r.v.resize((size_t)r.w * r.h * 3);
    const BYTE* bits = sheet.GetBits();
    const int stride = sheet.GetStride(), bpp = sheet.GetBitsPerPixel() / 8;
    // A large sheet is read in slices on every core: reading it is most of the work.
    const int threads = (long long)W * H > 4000000 ? (int)std::min(4u, std::max(1u, std::thread::hardware_concurrency())) : 1;
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(ReduceRows, bits, stride, bpp, r.factor, std::ref(r), r.h * t / threads, r.h * (t + 1) / threads);
    ReduceRows(bits, stride, bpp, r.factor, r, 0, r.h / threads);
    for (std::thread& t : pool)
        t.join();
    return r;
}

// ---- Background ------------------------------------------------------------------------------

// The background colour over the sheet: one colour a cell of a coarse grid, interpolated
// between cell centres, so that a gentle change of brightness across the sheet is followed.
struct Background
{
    int nx = 1, ny = 1;
    double cell = 1;
    std::vector<float> c;   // three floats a cell

    Colour At(double x, double y) const
    {
        double gx = std::min(std::max(x / cell - 0.5, 0.0), nx - 1.0);
        double gy = std::min(std::max(y / cell - 0.5, 0.0), ny - 1.0);
        const int x0 = std::min((int)gx, std::max(0, nx - 2)), y0 = std::min((int)gy, std::max(0, ny - 2));
        const int x1 = std::min(x0 + 1, nx - 1), y1 = std::min(y0 + 1, ny - 1);
        const float tx = (float)(gx - x0), ty = (float)(gy - y0);
        const float *a = &c[(y0 * nx + x0) * 3], *b = &c[(y0 * nx + x1) * 3];
        const float *d = &c[(y1 * nx + x0) * 3], *e = &c[(y1 * nx + x1) * 3];
        Colour out;
        for (int k = 0; k < 3; ++k)
            out.c[k] = (a[k] * (1 - tx) + b[k] * tx) * (1 - ty) + (d[k] * (1 - tx) + e[k] * tx) * ty;
        return out;
    }
};

// The most common colour of the copy, to 8 levels a channel, refined to the mean of the pixels
// in and around that bin.
Colour ModeColour(const Reduced& r)
{
    const int bins = 32;
    std::vector<unsigned> count(bins * bins * bins);
    std::vector<double> sum(count.size() * 3);
    auto binOf = [&](const float* p) {
        return (std::min(bins - 1, (int)p[0] / 8) * bins + std::min(bins - 1, (int)p[1] / 8)) * bins +
               std::min(bins - 1, (int)p[2] / 8);
    };
    for (size_t i = 0, n = (size_t)r.w * r.h; i < n; ++i) {
        const float* p = &r.v[i * 3];
        const int b = binOf(p);
        ++count[b];
        sum[b * 3] += p[0];
        sum[b * 3 + 1] += p[1];
        sum[b * 3 + 2] += p[2];
    }
    const int best = (int)(std::max_element(count.begin(), count.end()) - count.begin());
    const int b0 = best / (bins * bins), b1 = best / bins % bins, b2 = best % bins;
    double s[3] = {0, 0, 0}, total = 0;
    for (int i = std::max(0, b0 - 1); i <= std::min(bins - 1, b0 + 1); ++i)
        for (int j = std::max(0, b1 - 1); j <= std::min(bins - 1, b1 + 1); ++j)
            for (int k = std::max(0, b2 - 1); k <= std::min(bins - 1, b2 + 1); ++k) {
                const int b = (i * bins + j) * bins + k;
                total += count[b];
                for (int ch = 0; ch < 3; ++ch)
                    s[ch] += sum[b * 3 + ch];
            }
    Colour out;
    for (int ch = 0; ch < 3; ++ch)
        out.c[ch] = (float)(s[ch] / std::max(1.0, total));
    return out;
}

// The median of the distances below cap, from a histogram of quarter levels.
double MedianBelow(const std::vector<float>& dist, double cap)
{
    std::vector<unsigned> hist((size_t)(cap * 4) + 1);
    size_t n = 0;
    for (float d : dist)
        if (d < cap) {
            ++hist[(size_t)(d * 4)];
            ++n;
        }
    size_t seen = 0;
    for (size_t i = 0; i < hist.size(); ++i) {
        seen += hist[i];
        if (seen * 2 >= n && n > 0)
            return (i + 0.5) / 4;
    }
    return cap;
}

struct BackgroundModel
{
    Background field;
    std::vector<float> dist;   // each reduced pixel's distance from the background there
    double noise = 0;          // median distance of the background pixels
};

void DistancesTo(const Reduced& r, const Background& bg, std::vector<float>& dist)
{
    dist.resize((size_t)r.w * r.h);
    for (int y = 0; y < r.h; ++y) {
        // One interpolated colour every few pixels is plenty for a field this smooth.
        for (int x = 0; x < r.w; x += 4) {
            const Colour b = bg.At(x + 2.5, y + 0.5);
            for (int k = x; k < std::min(r.w, x + 4); ++k)
                dist[(size_t)y * r.w + k] = Distance(r.At(k, y), b.c);
        }
    }
}

BackgroundModel MeasureBackground(const Reduced& r)
{
    BackgroundModel m;
    Background& bg = m.field;
    bg.cell = std::max(8, std::min(r.w, r.h) / 10);
    bg.nx = std::max(1, (int)std::ceil(r.w / bg.cell));
    bg.ny = std::max(1, (int)std::ceil(r.h / bg.cell));
    const Colour mode = ModeColour(r);
    bg.c.assign((size_t)bg.nx * bg.ny * 3, 0);
    for (size_t i = 0; i < bg.c.size(); ++i)
        bg.c[i] = mode.c[i % 3];

    // Twice: pixels near the current estimate give each cell its colour, and the new field gives
    // the next pass's distances, so a sheet that darkens towards one side is followed.
    for (int pass = 0; pass < 2; ++pass) {
        DistancesTo(r, bg, m.dist);
        const double limit = std::max(12.0, 3 * MedianBelow(m.dist, 48));
        std::vector<double> sum((size_t)bg.nx * bg.ny * 3, 0);
        std::vector<unsigned> count((size_t)bg.nx * bg.ny, 0);
        for (int y = 0; y < r.h; ++y)
            for (int x = 0; x < r.w; ++x) {
                if (m.dist[(size_t)y * r.w + x] >= limit)
                    continue;
                const int cell = std::min(bg.ny - 1, (int)(y / bg.cell)) * bg.nx + std::min(bg.nx - 1, (int)(x / bg.cell));
                const float* p = r.At(x, y);
                ++count[cell];
                for (int k = 0; k < 3; ++k)
                    sum[cell * 3 + k] += p[k];
            }
        // Cells mostly covered by prints take the mean of their known neighbours, spreading
        // outwards until every cell has a colour.
        std::vector<char> known(count.size());
        const double enough = 0.2 * bg.cell * bg.cell;
        bool any = false;
        for (size_t i = 0; i < count.size(); ++i) {
            known[i] = count[i] >= enough;
            if (known[i]) {
                any = true;
                for (int k = 0; k < 3; ++k)
                    bg.c[i * 3 + k] = (float)(sum[i * 3 + k] / count[i]);
            }
        }
        if (!any)
            break;
        for (bool missing = true; missing;) {
            missing = false;
            std::vector<char> next = known;
            for (int cy = 0; cy < bg.ny; ++cy)
                for (int cx = 0; cx < bg.nx; ++cx) {
                    const int i = cy * bg.nx + cx;
                    if (known[i])
                        continue;
                    double s[3] = {0, 0, 0};
                    int n = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int x = cx + dx, y = cy + dy;
                            if (x < 0 || y < 0 || x >= bg.nx || y >= bg.ny || !known[y * bg.nx + x])
                                continue;
                            for (int k = 0; k < 3; ++k)
                                s[k] += bg.c[(y * bg.nx + x) * 3 + k];
                            ++n;
                        }
                    if (n == 0) {
                        missing = true;
                        continue;
                    }
                    for (int k = 0; k < 3; ++k)
                        bg.c[i * 3 + k] = (float)(s[k] / n);
                    next[i] = 1;
                }
            known.swap(next);
        }
    }
    DistancesTo(r, bg, m.dist);
    m.noise = MedianBelow(m.dist, std::max(12.0, 3 * MedianBelow(m.dist, 48)));
    return m;
}

// ---- Regions ---------------------------------------------------------------------------------

// Dilation (grow) or erosion of a 0/1 mask by a square of side 2 * radius + 1, by running sums.
void Morph(std::vector<uint8_t>& mask, int w, int h, int radius, bool grow)
{
    std::vector<uint8_t> tmp(mask.size());
    const int full = 2 * radius + 1;
    auto pass = [&](const std::vector<uint8_t>& src, std::vector<uint8_t>& dst, bool horizontal) {
        const int lines = horizontal ? h : w, len = horizontal ? w : h;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> size_t { return horizontal ? (size_t)l * w + i : (size_t)i * w + l; };
            int sum = 0;
            // Outside the copy counts as empty for growing and as full for shrinking, so a
            // region at the sheet's edge is not eaten away from there.
            const int outside = grow ? 0 : 1;
            for (int i = -radius; i <= radius; ++i)
                sum += i < 0 || i >= len ? outside : src[at(i)];
            for (int i = 0; i < len; ++i) {
                dst[at(i)] = grow ? sum > 0 : sum == full;
                const int out = i - radius, in = i + radius + 1;
                sum -= out < 0 ? outside : src[at(out)];
                sum += in >= len ? outside : src[at(in)];
            }
        }
    };
    pass(mask, tmp, true);
    pass(tmp, mask, false);
}

// Sets every hole of the mask: empty pixels that no empty path joins to the copy's edge.
void FillHoles(std::vector<uint8_t>& mask, int w, int h)
{
    std::vector<uint8_t> outside(mask.size(), 0);
    std::vector<int> stack;
    auto push = [&](int x, int y) {
        const size_t i = (size_t)y * w + x;
        if (!mask[i] && !outside[i]) {
            outside[i] = 1;
            stack.push_back((int)i);
        }
    };
    for (int x = 0; x < w; ++x) {
        push(x, 0);
        push(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        push(0, y);
        push(w - 1, y);
    }
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        const int x = i % w, y = i / w;
        if (x > 0) push(x - 1, y);
        if (x < w - 1) push(x + 1, y);
        if (y > 0) push(x, y - 1);
        if (y < h - 1) push(x, y + 1);
    }
    for (size_t i = 0; i < mask.size(); ++i)
        if (!outside[i])
            mask[i] = 1;
}

struct Region
{
    int label = 0;
    long long area = 0;
    int left = 0, top = 0, right = 0, bottom = 0;   // inclusive pixel bounds
    std::vector<int> rowLeft, rowRight;             // extremes of each row from top, -1 if none
};

// Labels the 8-connected regions of the mask (labels from 1) and describes each.
std::vector<Region> LabelRegions(const std::vector<uint8_t>& mask, int w, int h, std::vector<int>& labels)
{
    labels.assign(mask.size(), 0);
    std::vector<Region> regions;
    std::vector<int> stack;
    for (int y0 = 0; y0 < h; ++y0)
        for (int x0 = 0; x0 < w; ++x0) {
            const size_t start = (size_t)y0 * w + x0;
            if (!mask[start] || labels[start])
                continue;
            Region r;
            r.label = (int)regions.size() + 1;
            r.left = r.right = x0;
            r.top = r.bottom = y0;
            std::vector<std::pair<int, int>> pixels;
            labels[start] = r.label;
            stack.push_back((int)start);
            while (!stack.empty()) {
                const int i = stack.back();
                stack.pop_back();
                const int x = i % w, y = i / w;
                pixels.emplace_back(x, y);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        const size_t j = (size_t)ny * w + nx;
                        if (mask[j] && !labels[j]) {
                            labels[j] = r.label;
                            stack.push_back((int)j);
                        }
                    }
            }
            for (const auto& p : pixels) {
                r.left = std::min(r.left, p.first);
                r.right = std::max(r.right, p.first);
                r.top = std::min(r.top, p.second);
                r.bottom = std::max(r.bottom, p.second);
            }
            r.area = (long long)pixels.size();
            r.rowLeft.assign(r.bottom - r.top + 1, -1);
            r.rowRight.assign(r.bottom - r.top + 1, -1);
            for (const auto& p : pixels) {
                int& l = r.rowLeft[p.second - r.top];
                int& rr = r.rowRight[p.second - r.top];
                if (l < 0 || p.first < l)
                    l = p.first;
                rr = std::max(rr, p.first);
            }
            regions.push_back(std::move(r));
        }
    return regions;
}

// The smallest-area rectangle around a region, from the convex hull of its pixel squares.
CTiltRect MinAreaRect(const Region& r)
{
    struct P
    {
        double x, y;
    };
    std::vector<P> pts;
    for (size_t i = 0; i < r.rowLeft.size(); ++i) {
        if (r.rowLeft[i] < 0)
            continue;
        const double y = r.top + (double)i;
        pts.push_back({(double)r.rowLeft[i], y});
        pts.push_back({(double)r.rowLeft[i], y + 1});
        pts.push_back({r.rowRight[i] + 1.0, y});
        pts.push_back({r.rowRight[i] + 1.0, y + 1});
    }
    std::sort(pts.begin(), pts.end(), [](const P& a, const P& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    auto cross = [](const P& o, const P& a, const P& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
    std::vector<P> hull(2 * pts.size());
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0)
            --k;
        hull[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && cross(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0)
            --k;
        hull[k++] = pts[i - 1];
    }
    hull.resize(k > 1 ? k - 1 : k);

    CTiltRect best(r.left + (r.right - r.left + 1) / 2.0, r.top + (r.bottom - r.top + 1) / 2.0, r.right - r.left + 1.0,
                   r.bottom - r.top + 1.0, 0);
    double bestArea = best.Area();
    for (size_t i = 0; i < hull.size(); ++i) {
        const P& a = hull[i];
        const P& b = hull[(i + 1) % hull.size()];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        if (len <= 0)
            continue;
        const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
        double lo = 1e30, hi = -1e30, lo2 = 1e30, hi2 = -1e30;
        for (const P& p : hull) {
            const double s = p.x * ux + p.y * uy, t = -p.x * uy + p.y * ux;
            lo = std::min(lo, s);
            hi = std::max(hi, s);
            lo2 = std::min(lo2, t);
            hi2 = std::max(hi2, t);
        }
        const double area = (hi - lo) * (hi2 - lo2);
        if (area < bestArea - 1e-9) {
            bestArea = area;
            const double ms = (lo + hi) / 2, mt = (lo2 + hi2) / 2;
            best = CTiltRect(ms * ux - mt * uy, ms * uy + mt * ux, hi - lo, hi2 - lo2, std::atan2(uy, ux) * 180 / kPi);
        }
    }
    return best.Normalized();
}

// ---- Sides -----------------------------------------------------------------------------------

// One side of a rectangle: its middle, the unit vector along it, the outward normal, half its
// length. Sides 0 top, 1 right, 2 bottom, 3 left.
struct SideFrame
{
    double ox, oy, ax, ay, nx, ny, half;
};

SideFrame GetSide(const CTiltRect& r, int k)
{
    const double a = r.angle * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double ux = c, uy = s, vx = -s, vy = c;
    const double hw = r.width / 2, hh = r.height / 2;
    switch (k) {
    case 0: return {r.cx - hh * vx, r.cy - hh * vy, ux, uy, -vx, -vy, hw};
    case 1: return {r.cx + hw * ux, r.cy + hw * uy, vx, vy, ux, uy, hh};
    case 2: return {r.cx + hh * vx, r.cy + hh * vy, ux, uy, vx, vy, hw};
    default: return {r.cx - hw * ux, r.cy - hw * uy, vx, vy, -ux, -uy, hh};
    }
}

// The edge points found across one side, as (position along the side, offset along the outward
// normal), and the straight line fitted to them.
struct SideFit
{
    std::vector<double> s, e;
    int profiles = 0;          // profiles taken, with or without an edge
    bool ok = false;
    double e0 = 0, slope = 0;  // offset = e0 + slope * s
    std::vector<char> inlier;
    int inliers = 0;
    double rms = 0;
};

// Theil-Sen start (median of pairwise slopes, then median offset), then least squares on the
// points within a few deviations of the line, three times.
void FitLine(SideFit& f, double minTolerance)
{
    const size_t n = f.s.size();
    f.ok = false;
    if (n < 6)
        return;
    std::vector<double> slopes;
    const size_t step = std::max<size_t>(1, n / 40);
    for (size_t i = 0; i < n; i += step)
        for (size_t j = i + step; j < n; j += step)
            if (std::fabs(f.s[j] - f.s[i]) > 1e-9)
                slopes.push_back((f.e[j] - f.e[i]) / (f.s[j] - f.s[i]));
    double b = Median(slopes);
    std::vector<double> off(n);
    for (size_t i = 0; i < n; ++i)
        off[i] = f.e[i] - b * f.s[i];
    double a = Median(off);
    f.inlier.assign(n, 0);
    for (int iter = 0; iter < 3; ++iter) {
        std::vector<double> res(n);
        for (size_t i = 0; i < n; ++i)
            res[i] = std::fabs(f.e[i] - (a + b * f.s[i]));
        const double tol = std::max(minTolerance, 3 * 1.4826 * Median(res));
        double S = 0, Ss = 0, Se = 0, Sss = 0, Sse = 0;
        f.inliers = 0;
        for (size_t i = 0; i < n; ++i) {
            f.inlier[i] = res[i] <= tol;
            if (!f.inlier[i])
                continue;
            ++f.inliers;
            S += 1;
            Ss += f.s[i];
            Se += f.e[i];
            Sss += f.s[i] * f.s[i];
            Sse += f.s[i] * f.e[i];
        }
        const double det = S * Sss - Ss * Ss;
        if (f.inliers < 6 || std::fabs(det) < 1e-9)
            return;
        b = (S * Sse - Ss * Se) / det;
        a = (Se - b * Ss) / S;
    }
    double sq = 0;
    for (size_t i = 0; i < n; ++i)
        if (f.inlier[i]) {
            const double r = f.e[i] - (a + b * f.s[i]);
            sq += r * r;
        }
    f.e0 = a;
    f.slope = b;
    f.rms = std::sqrt(sq / std::max(1, f.inliers));
    f.ok = true;
}

// The outermost sharp edge of a profile g (colour change per step at each offset t = t0 + i):
// a local maximum of at least minEdge that reaches minShare of the strongest edge and stands
// out of its neighbours two steps away by half its height (the slope of a soft shadow, however
// steep, changes too slowly for that). The offset with the parabola's sub-step peak, or NAN.
double OutermostEdge(const std::vector<float>& g, double t0, double minEdge, double minShare)
{
    const int n = (int)g.size();
    float strongest = 0;
    for (int i = 2; i < n - 2; ++i)
        strongest = std::max(strongest, g[i]);
    const double need = std::max(minEdge, minShare * strongest);
    for (int i = n - 3; i >= 2; --i) {
        if (g[i] < need || g[i] < g[i - 1] || g[i] <= g[i + 1])
            continue;
        if (g[i] - 0.5 * (g[i - 2] + g[i + 2]) < 0.5 * std::max<double>(minEdge, g[i]))
            continue;
        const double l = g[i - 1], m = g[i], r = g[i + 1];
        const double den = l - 2 * m + r;
        const double d = den < 0 ? 0.5 * (l - r) / den : 0;
        return t0 + i + std::max(-0.5, std::min(0.5, d));
    }
    return NAN;
}

// Where to look for the four sides and what counts as an edge.
struct SearchRange
{
    double inward, outward;    // how far across the side's current place
    double minEdge, minShare;  // see OutermostEdge
    double tolerance;          // smallest distance of a point from its line that counts as off
};

// The edge points across each side of rect on the reduced copy: profiles one pixel apart, each
// the mean of three samples along the side, stopping short of other regions and the copy's edge.
void FindSidesReduced(const Reduced& r, const std::vector<int>& labels, int label, const CTiltRect& rect,
                      const SearchRange& range, SideFit fits[4])
{
    for (int k = 0; k < 4; ++k) {
        const SideFrame f = GetSide(rect, k);
        SideFit& fit = fits[k];
        fit = SideFit();
        const int inward = (int)std::ceil(range.inward) + 2, outward = (int)std::ceil(range.outward) + 2;
        std::vector<Colour> col;
        std::vector<float> g;
        // The middle nine tenths: corners may be rounded, and there the shadows of two sides meet.
        for (double s = -0.9 * f.half; s <= 0.9 * f.half; s += 1.0) {
            ++fit.profiles;
            col.clear();
            for (int t = -inward; t <= outward; ++t) {
                const double px = f.ox + s * f.ax + t * f.nx, py = f.oy + s * f.ay + t * f.ny;
                if (px < 0 || py < 0 || px >= r.w || py >= r.h)
                    break;
                const int other = labels[(size_t)(int)py * r.w + (int)px];
                if (t > 0 && other != 0 && other != label)
                    break;
                Colour c = {{0, 0, 0}};
                for (int d = -1; d <= 1; ++d) {
                    const Colour q = r.Sample(px + d * f.ax, py + d * f.ay);
                    for (int ch = 0; ch < 3; ++ch)
                        c.c[ch] += q.c[ch] / 3;
                }
                col.push_back(c);
            }
            if ((int)col.size() < inward + 3)
                continue;
            g.assign(col.size(), 0);
            for (size_t i = 1; i + 1 < col.size(); ++i)
                g[i] = Distance(col[i + 1].c, col[i - 1].c);
            const double e = OutermostEdge(g, -inward, range.minEdge, range.minShare);
            if (!std::isnan(e)) {
                fit.s.push_back(s);
                fit.e.push_back(e);
            }
        }
        FitLine(fit, range.tolerance);
    }
}

// The same at full resolution in a narrow band: profiles of bilinear samples one pixel apart,
// each the mean of 13 samples along the side, smoothed 1-2-1 across it.
void FindSidesFull(const CDib& sheet, const CTiltRect& rect, const SearchRange& range, SideFit fits[4])
{
    const int W = sheet.GetWidth(), H = sheet.GetHeight(), bpp = sheet.GetBitsPerPixel() / 8;
    const BYTE* bits = sheet.GetBits();
    const int stride = sheet.GetStride();
    auto sample = [&](double x, double y, float* acc) {
        x = std::min(std::max(x - 0.5, 0.0), W - 1.001);
        y = std::min(std::max(y - 0.5, 0.0), H - 1.001);
        const int x0 = (int)x, y0 = (int)y;
        const int x1 = std::min(x0 + 1, W - 1), y1 = std::min(y0 + 1, H - 1);
        const float tx = (float)(x - x0), ty = (float)(y - y0);
        const BYTE* a = bits + (size_t)y0 * stride + (size_t)x0 * bpp;
        const BYTE* b = bits + (size_t)y0 * stride + (size_t)x1 * bpp;
        const BYTE* c = bits + (size_t)y1 * stride + (size_t)x0 * bpp;
        const BYTE* d = bits + (size_t)y1 * stride + (size_t)x1 * bpp;
        for (int k = 0; k < 3; ++k)
            acc[k] += (a[k] * (1 - tx) + b[k] * tx) * (1 - ty) + (c[k] * (1 - tx) + d[k] * tx) * ty;
    };
    const int band = 6;
    for (int k = 0; k < 4; ++k) {
        const SideFrame f = GetSide(rect, k);
        SideFit& fit = fits[k];
        fit = SideFit();
        const int n = std::max(16, std::min(64, (int)(2 * f.half / 12)));
        const int inward = (int)std::ceil(range.inward) + 3, outward = (int)std::ceil(range.outward) + 3;
        const int len = inward + outward + 1;
        std::vector<Colour> col(len), smooth(len);
        std::vector<float> g(len);
        for (int i = 0; i < n; ++i) {
            const double s = -0.44 * 2 * f.half + 0.88 * 2 * f.half * (i + 0.5) / n;
            if (std::fabs(s) > f.half)
                continue;
            ++fit.profiles;
            for (int t = -inward; t <= outward; ++t) {
                Colour& c = col[t + inward];
                c = Colour{{0, 0, 0}};
                const double px = f.ox + s * f.ax + t * f.nx, py = f.oy + s * f.ay + t * f.ny;
                for (int u = -band; u <= band; ++u)
                    sample(px + u * f.ax, py + u * f.ay, c.c);
            }
            for (int t = 1; t + 1 < len; ++t)
                for (int ch = 0; ch < 3; ++ch)
                    smooth[t].c[ch] = (col[t - 1].c[ch] + 2 * col[t].c[ch] + col[t + 1].c[ch]) / (4.0f * (2 * band + 1));
            smooth[0] = smooth[1];
            smooth[len - 1] = smooth[len - 2];
            std::fill(g.begin(), g.end(), 0.0f);
            for (int t = 2; t + 2 < len; ++t)
                g[t] = Distance(smooth[t + 1].c, smooth[t - 1].c);
            const double e = OutermostEdge(g, -inward, range.minEdge, range.minShare);
            if (!std::isnan(e)) {
                fit.s.push_back(s);
                fit.e.push_back(e);
            }
        }
        FitLine(fit, range.tolerance);
    }
}

// The rectangle the fitted sides describe: one angle for all four (the sides' own angles,
// weighted by how precisely each was measured), then each side placed at the mean of its
// inlying points. Sides that failed, or whose angle disagrees with the others by more than
// maxSpread degrees, keep their place in rect. Returns the number of sides that counted.
int RectFromSides(const CTiltRect& rect, SideFit fits[4], double maxSpread, CTiltRect& out)
{
    double delta[4] = {0, 0, 0, 0}, weight[4] = {0, 0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        if (!fits[k].ok || fits[k].inliers < 0.4 * fits[k].profiles)
            continue;
        const SideFrame f = GetSide(rect, k);
        const double dx = f.ax + fits[k].slope * f.nx, dy = f.ay + fits[k].slope * f.ny;
        double a = std::atan2(dy, dx) * 180 / kPi - (k % 2 ? 90 : 0) - rect.angle;
        a = std::remainder(a, 180.0);
        delta[k] = a;
        weight[k] = fits[k].inliers * f.half * f.half;
    }
    auto mean = [&]() {
        double s = 0, w = 0;
        for (int k = 0; k < 4; ++k) {
            s += delta[k] * weight[k];
            w += weight[k];
        }
        return w > 0 ? s / w : 0;
    };
    // The side farthest from the others' angle goes first, until the rest agree.
    for (;;) {
        const double m = mean();
        int worst = -1;
        for (int k = 0; k < 4; ++k)
            if (weight[k] > 0 && std::fabs(delta[k] - m) > maxSpread && (worst < 0 || std::fabs(delta[k] - m) > std::fabs(delta[worst] - m)))
                worst = k;
        if (worst < 0)
            break;
        weight[worst] = 0;
    }
    int good = 0;
    for (int k = 0; k < 4; ++k)
        good += weight[k] > 0;
    if (good == 0) {
        out = rect;
        return 0;
    }
    const double angle = rect.angle + mean();
    const double a = angle * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double ux = c, uy = s, vx = -s, vy = c;
    // Offsets of the four sides from the old centre along the new outward normals.
    double off[4] = {rect.height / 2, rect.width / 2, rect.height / 2, rect.width / 2};
    const double nxs[4] = {-vx, ux, vx, -ux}, nys[4] = {-vy, uy, vy, -uy};
    for (int k = 0; k < 4; ++k) {
        if (weight[k] <= 0)
            continue;
        const SideFrame f = GetSide(rect, k);
        double sum = 0;
        int n = 0;
        for (size_t i = 0; i < fits[k].s.size(); ++i) {
            if (!fits[k].inlier[i])
                continue;
            const double px = f.ox + fits[k].s[i] * f.ax + fits[k].e[i] * f.nx - rect.cx;
            const double py = f.oy + fits[k].s[i] * f.ay + fits[k].e[i] * f.ny - rect.cy;
            sum += px * nxs[k] + py * nys[k];
            ++n;
        }
        off[k] = sum / n;
    }
    const double w = off[1] + off[3], h = off[0] + off[2];
    const double mu = (off[1] - off[3]) / 2, mv = (off[2] - off[0]) / 2;
    out = CTiltRect(rect.cx + mu * ux + mv * vx, rect.cy + mu * uy + mv * vy, w, h, angle);
    return good;
}

bool SidesAreStraight(const SideFit fits[4], double maxRms, int& good)
{
    good = 0;
    for (int k = 0; k < 4; ++k)
        good += fits[k].ok && fits[k].inliers >= 0.5 * fits[k].profiles && fits[k].rms <= maxRms;
    return good >= 3;
}

} // namespace

int CPrintFinder::Find(const CDib& sheet, std::vector<CTiltRect>& prints, int order) const
{
    prints.clear();
    if (!sheet.IsValid() || sheet.GetWidth() < 32 || sheet.GetHeight() < 32)
        return 0;
    const Reduced r = Reduce(sheet);
    const int f = r.factor;
    const BackgroundModel bg = MeasureBackground(r);

    // What stands out of the background: the noise of the background pixels sets the bar.
    const double threshold = std::max(8.0, 4 * bg.noise);
    std::vector<uint8_t> mask((size_t)r.w * r.h);
    for (size_t i = 0; i < mask.size(); ++i)
        mask[i] = bg.dist[i] > threshold;
    // Closing joins the parts of a print whose pictures have light patches; opening then cuts
    // off what is thinner than five pixels, such as a hair lying against a print.
    Morph(mask, r.w, r.h, 2, true);
    Morph(mask, r.w, r.h, 2, false);
    FillHoles(mask, r.w, r.h);
    Morph(mask, r.w, r.h, 2, false);
    Morph(mask, r.w, r.h, 2, true);
    std::vector<int> labels;
    const std::vector<Region> regions = LabelRegions(mask, r.w, r.h, labels);

    const double minSide = m_minSideFraction * std::min(r.w, r.h);
    const double edgeNoise = std::max(6.0, 3 * bg.noise);
    std::vector<CTiltRect> found;
    for (const Region& region : regions) {
        if (region.right - region.left + 1 < 0.7 * minSide || region.bottom - region.top + 1 < 0.7 * minSide ||
            region.area < 0.5 * minSide * minSide)
            continue;
        CTiltRect rect = MinAreaRect(region);
        if (rect.width < 0.7 * minSide || rect.height < 0.7 * minSide)
            continue;

        // First on the reduced copy with a wide reach outwards (the region may lack a white
        // border of the print, or hold a shadow beside it), then again from the sides found.
        SideFit fits[4];
        const double shortSide = std::min(rect.width, rect.height);
        SearchRange wide{std::max(6.0, 0.06 * shortSide), std::max(6.0, 0.15 * shortSide), edgeNoise, 0, 0.8};
        FindSidesReduced(r, labels, region.label, rect, wide, fits);
        CTiltRect next;
        if (RectFromSides(rect, fits, 3.0, next) < 3)
            continue;
        rect = next;
        SearchRange narrow{4, 4, edgeNoise, 0, 0.6};
        FindSidesReduced(r, labels, region.label, rect, narrow, fits);
        if (RectFromSides(rect, fits, 2.0, next) < 3)
            continue;
        int good = 0;
        if (!SidesAreStraight(fits, 1.0, good))
            continue;
        rect = next;

        // Full resolution, within a band of a reduced pixel and a half and a little more, and a
        // further reduced pixel inwards, where the print's edge lies when a shadow beside it
        // looked sharp on the reduced copy.
        CTiltRect full(rect.cx * f, rect.cy * f, rect.width * f, rect.height * f, rect.angle);
        const double reach = 1.5 * f + 3;
        SearchRange fine{reach + f, reach, std::max(8.0, edgeNoise), 0, 1.0};
        FindSidesFull(sheet, full, fine, fits);
        if (RectFromSides(full, fits, 1.5, next) >= 3 && SidesAreStraight(fits, 1.5, good))
            full = next;
        full = full.Normalized();
        if (full.width < minSide * f || full.height < minSide * f)
            continue;
        found.push_back(full);
    }

    // One print can leave two regions (a bright band right across it): keep the larger find.
    std::sort(found.begin(), found.end(), [](const CTiltRect& a, const CTiltRect& b) { return a.Area() > b.Area(); });
    for (const CTiltRect& rect : found) {
        const bool seen = std::any_of(prints.begin(), prints.end(), [&](const CTiltRect& p) { return TiltRectIoU(p, rect) > 0.3; });
        if (!seen)
            prints.push_back(rect);
    }
    SortInReadingOrder(prints, order);
    return (int)prints.size();
}
