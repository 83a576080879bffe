#include "TiltRect.h"
#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

struct Pt
{
    double x, y;
};

double PolygonArea(const std::vector<Pt>& p)
{
    double a = 0;
    for (size_t i = 0, n = p.size(); i < n; ++i) {
        const Pt& q = p[i];
        const Pt& r = p[(i + 1) % n];
        a += q.x * r.y - r.x * q.y;
    }
    return std::fabs(a) / 2;
}

// Sutherland-Hodgman: the part of subject on the inner side of the edge a -> b of a polygon
// whose corners run with the given orientation.
std::vector<Pt> ClipByEdge(const std::vector<Pt>& subject, Pt a, Pt b, double orientation)
{
    auto side = [&](const Pt& p) { return orientation * ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)); };
    std::vector<Pt> out;
    for (size_t i = 0, n = subject.size(); i < n; ++i) {
        const Pt& p = subject[i];
        const Pt& q = subject[(i + 1) % n];
        const double sp = side(p), sq = side(q);
        if (sp >= 0)
            out.push_back(p);
        if ((sp >= 0) != (sq >= 0)) {
            const double t = sp / (sp - sq);
            out.push_back(Pt{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)});
        }
    }
    return out;
}

std::vector<Pt> Corners(const CTiltRect& r)
{
    double x[4], y[4];
    r.GetCorners(x, y);
    return {{x[0], y[0]}, {x[1], y[1]}, {x[2], y[2]}, {x[3], y[3]}};
}

} // namespace

CTiltRect CTiltRect::FromRect(const RECT& rc)
{
    return CTiltRect((rc.left + rc.right) / 2.0, (rc.top + rc.bottom) / 2.0, rc.right - rc.left, rc.bottom - rc.top, 0);
}

void CTiltRect::GetCorners(double x[4], double y[4]) const
{
    const double a = angle * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double hw = width / 2, hh = height / 2;
    const double fx[4] = {-hw, hw, hw, -hw}, fy[4] = {-hh, -hh, hh, hh};
    for (int i = 0; i < 4; ++i) {
        x[i] = cx + fx[i] * c - fy[i] * s;
        y[i] = cy + fx[i] * s + fy[i] * c;
    }
}

CRect CTiltRect::GetBoundingRect() const
{
    double x[4], y[4];
    GetCorners(x, y);
    // The sine and cosine of quarter turns are not exact: a corner a hair beyond a whole pixel
    // must not take the next pixel in.
    const double slack = 1e-6;
    return CRect((int)std::floor(*std::min_element(x, x + 4) + slack), (int)std::floor(*std::min_element(y, y + 4) + slack),
                 (int)std::ceil(*std::max_element(x, x + 4) - slack), (int)std::ceil(*std::max_element(y, y + 4) - slack));
}

CTiltRect CTiltRect::Normalized() const
{
    CTiltRect r = *this;
    r.angle = std::fmod(r.angle, 180.0);
    if (r.angle > 90)
        r.angle -= 180;
    else if (r.angle <= -90)
        r.angle += 180;
    if (r.angle > 45) {
        r.angle -= 90;
        std::swap(r.width, r.height);
    } else if (r.angle <= -45) {
        r.angle += 90;
        std::swap(r.width, r.height);
    }
    return r;
}

bool CTiltRect::Contains(double x, double y) const
{
    const double a = angle * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double dx = x - cx, dy = y - cy;
    return std::fabs(dx * c + dy * s) <= width / 2 && std::fabs(-dx * s + dy * c) <= height / 2;
}

double TiltRectIoU(const CTiltRect& a, const CTiltRect& b)
{
    if (a.Area() <= 0 || b.Area() <= 0)
        return 0;
    std::vector<Pt> inter = Corners(a);
    const std::vector<Pt> clip = Corners(b);
    // GetCorners runs clockwise on the screen, which is counter-clockwise in the y-up sense of
    // the cross product used by ClipByEdge.
    for (int i = 0; i < 4 && !inter.empty(); ++i)
        inter = ClipByEdge(inter, clip[i], clip[(i + 1) % 4], 1.0);
    const double i = inter.size() >= 3 ? PolygonArea(inter) : 0;
    const double u = a.Area() + b.Area() - i;
    return u > 0 ? i / u : 0;
}

BOOL CutTiltRect(const CDib& src, const CTiltRect& rect, CDib& out)
{
    const int ow = (int)std::lround(rect.width), oh = (int)std::lround(rect.height);
    if (!src.IsValid() || ow <= 0 || oh <= 0 || (long long)ow * oh > KXIMAGE_MAX_PIXELS)
        return FALSE;
    const int bpp = src.GetBitsPerPixel() / 8;
    CDib spare;
    CDib& result = &out == &src ? spare : out;   // out may be src itself
    if (!result.Create(ow, oh, src.GetBitsPerPixel()))
        return FALSE;
    result.SetXRes(src.GetXRes());
    result.SetYRes(src.GetYRes());

    const double a = rect.angle * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double sx = rect.width / ow, sy = rect.height / oh;   // the rounding of the size spread evenly
    const int sw = src.GetWidth(), sh = src.GetHeight();
    const BYTE* bits = src.GetBits();
    const int stride = src.GetStride();
    for (int j = 0; j < oh; ++j) {
        BYTE* row = result.GetLine(j);
        const double fy = (j + 0.5) * sy - rect.height / 2;
        for (int i = 0; i < ow; ++i) {
            const double fx = (i + 0.5) * sx - rect.width / 2;
            // Source position in pixel-centre units, where pixel k sits at k.
            const double px = rect.cx + fx * c - fy * s - 0.5;
            const double py = rect.cy + fx * s + fy * c - 0.5;
            BYTE* d = row + (size_t)i * bpp;
            const int x0 = (int)std::floor(px), y0 = (int)std::floor(py);
            if (x0 < -1 || y0 < -1 || x0 >= sw || y0 >= sh) {
                std::fill(d, d + bpp, 255);
                continue;
            }
            const double tx = px - x0, ty = py - y0;
            const double w[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
            const int xs[4] = {x0, x0 + 1, x0, x0 + 1}, ys[4] = {y0, y0, y0 + 1, y0 + 1};
            double acc[4] = {0, 0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                if (w[k] == 0)
                    continue;
                const bool inside = xs[k] >= 0 && ys[k] >= 0 && xs[k] < sw && ys[k] < sh;
                const BYTE* p = inside ? bits + (size_t)ys[k] * stride + (size_t)xs[k] * bpp : nullptr;
                for (int ch = 0; ch < bpp; ++ch)
                    acc[ch] += w[k] * (p ? p[ch] : 255);
            }
            for (int ch = 0; ch < bpp; ++ch)
                d[ch] = (BYTE)std::min(255.0, acc[ch] + 0.5);
        }
    }
    if (&result != &out)
        out = result;
    return TRUE;
}

std::vector<CRect> HOPGRID::GetCells(int picWidth, int picHeight, int boxWidth, int boxHeight) const
{
    std::vector<CRect> cells;
    if (picWidth <= 0 || picHeight <= 0)
        return cells;
    const int rows = std::max(1, nRows), cols = std::max(1, nCols);
    const int left = std::max(0, nLeft), top = std::max(0, nTop);
    const int right = std::max(0, nRight), bottom = std::max(0, nBottom);
    const int hgap = std::max(0, nHGap), vgap = std::max(0, nVGap);
    const bool fixed = boxWidth > 0 && boxHeight > 0;
    const long long cw = fixed ? boxWidth : ((long long)picWidth - left - right - (long long)(cols - 1) * hgap) / cols;
    const long long ch = fixed ? boxHeight : ((long long)picHeight - top - bottom - (long long)(rows - 1) * vgap) / rows;
    if (cw <= 0 || ch <= 0)
        return cells;

    auto cell = [&](int r, int c) {
        const long long x = left + c * (cw + hgap), y = top + r * (ch + vgap);
        CRect rc((int)std::min<long long>(x, picWidth), (int)std::min<long long>(y, picHeight),
                 (int)std::min<long long>(x + cw, picWidth), (int)std::min<long long>(y + ch, picHeight));
        if (!rc.IsRectEmpty())
            cells.push_back(rc);
    };
    const bool byColumns = nOrder == HOP_ORDER_COLUMNS || nOrder == HOP_ORDER_COLUMNS_RTL;
    const bool rtl = nOrder == HOP_ORDER_ROWS_RTL || nOrder == HOP_ORDER_COLUMNS_RTL;
    for (int a = 0; a < (byColumns ? cols : rows); ++a) {
        for (int b = 0; b < (byColumns ? rows : cols); ++b) {
            if (byColumns)
                cell(b, rtl ? cols - 1 - a : a);
            else
                cell(a, rtl ? cols - 1 - b : b);
        }
    }
    return cells;
}

void SortInReadingOrder(std::vector<CTiltRect>& rects, int order)
{
    const bool byColumns = order == HOP_ORDER_COLUMNS || order == HOP_ORDER_COLUMNS_RTL;
    const bool rtl = order == HOP_ORDER_ROWS_RTL || order == HOP_ORDER_COLUMNS_RTL;
    struct Item
    {
        CTiltRect rect;
        double across, along;   // centre across the rows and along them
        double lo, hi;          // extent across the rows
    };
    std::vector<Item> items;
    for (const CTiltRect& r : rects) {
        const CRect b = r.GetBoundingRect();
        Item it{r, byColumns ? r.cx : r.cy, byColumns ? r.cy : r.cx, 0, 0};
        it.lo = byColumns ? b.left : b.top;
        it.hi = byColumns ? b.right : b.bottom;
        if (byColumns && rtl) {   // columns from the right: mirror the across axis
            it.across = -it.across;
            std::swap(it.lo, it.hi);
            it.lo = -it.lo;
            it.hi = -it.hi;
        } else if (rtl) {
            it.along = -it.along;
        }
        items.push_back(it);
    }
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.lo < b.lo; });
    std::vector<std::vector<Item>> lines;
    for (const Item& it : items) {
        auto line = std::find_if(lines.begin(), lines.end(), [&](const std::vector<Item>& l) {
            return it.across >= l.front().lo && it.across <= l.front().hi;
        });
        if (line == lines.end())
            lines.push_back({it});
        else
            line->push_back(it);
    }
    rects.clear();
    for (auto& l : lines) {
        std::stable_sort(l.begin(), l.end(), [](const Item& a, const Item& b) { return a.along < b.along; });
        for (const Item& it : l)
            rects.push_back(it.rect);
    }
}
