#include "ScanSheet.h"
#include <FolderListing.h>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

const double kPi = 3.14159265358979323846;

// xorshift64*: fast, and the same sheet for the same seed on every machine.
class Random
{
public:
    explicit Random(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) { Next(); }
    uint64_t Next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    double Uniform() { return (Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    // Sum of four uniforms, scaled to unit deviation: close enough to normal for sensor noise.
    float Gauss()
    {
        const uint64_t r = Next();
        const int s = (int)(r & 0xFFFF) + (int)((r >> 16) & 0xFFFF) + (int)((r >> 32) & 0xFFFF) + (int)(r >> 48);
        return (float)((s - 2 * 65535.0) * (1.7320508 / 65535.0));
    }

private:
    uint64_t m_state;
};

// Smooth random values on a square lattice, interpolated between the lattice points.
struct ValueNoise
{
    int nx = 0, ny = 0;
    double cell = 1;
    std::vector<float> v;

    ValueNoise(int width, int height, double cellSize, Random& rnd) : cell(cellSize)
    {
        nx = (int)(width / cell) + 2;
        ny = (int)(height / cell) + 2;
        v.resize((size_t)nx * ny);
        for (float& x : v)
            x = (float)rnd.Uniform(-1, 1);
    }
    float At(double x, double y) const
    {
        const double gx = x / cell, gy = y / cell;
        const int x0 = (int)gx, y0 = (int)gy;
        double tx = gx - x0, ty = gy - y0;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        const float* r0 = &v[(size_t)y0 * nx + x0];
        const float* r1 = r0 + nx;
        return (float)((r0[0] * (1 - tx) + r0[1] * tx) * (1 - ty) + (r1[0] * (1 - tx) + r1[1] * tx) * ty);
    }
};

struct Print
{
    CTiltRect rect;
    const CDib* photo;
    double border;      // pixels of white paper around the picture
    bool grey;          // a black-and-white print
    float paper[3];     // BGR of the paper
};

// Signed distance from a point to the rectangle, negative inside; c and s are the cosine and
// sine of its angle.
double SignedDistance(const CTiltRect& r, double c, double s, double x, double y)
{
    const double dx = x - r.cx, dy = y - r.cy;
    const double qx = std::fabs(dx * c + dy * s) - r.width / 2, qy = std::fabs(-dx * s + dy * c) - r.height / 2;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
}

// The print's colour at a point of its own frame (origin at its centre), BGR.
void PrintColour(const Print& p, double fx, double fy, float out[3])
{
    const double iw = p.rect.width - 2 * p.border, ih = p.rect.height - 2 * p.border;
    const double ix = fx + iw / 2, iy = fy + ih / 2;
    if (ix < 0 || iy < 0 || ix >= iw || iy >= ih) {
        std::copy(p.paper, p.paper + 3, out);
        return;
    }
    const CDib& photo = *p.photo;
    const int pw = photo.GetWidth(), ph = photo.GetHeight(), bpp = photo.GetBitsPerPixel() / 8;
    const double sx = std::min(std::max(ix * pw / iw - 0.5, 0.0), pw - 1.001);
    const double sy = std::min(std::max(iy * ph / ih - 0.5, 0.0), ph - 1.001);
    const int x0 = (int)sx, y0 = (int)sy;
    const int x1 = std::min(x0 + 1, pw - 1), y1 = std::min(y0 + 1, ph - 1);
    const double tx = sx - x0, ty = sy - y0;
    const BYTE *a = photo.GetLine(y0) + x0 * bpp, *b = photo.GetLine(y0) + x1 * bpp;
    const BYTE *c = photo.GetLine(y1) + x0 * bpp, *d = photo.GetLine(y1) + x1 * bpp;
    for (int k = 0; k < 3; ++k)
        out[k] = (float)((a[k] * (1 - tx) + b[k] * tx) * (1 - ty) + (c[k] * (1 - tx) + d[k] * tx) * ty);
    if (p.grey) {
        const float y = 0.114f * out[0] + 0.587f * out[1] + 0.299f * out[2];
        out[0] = out[1] = out[2] = y;
    }
}

// Rows and columns of the layout for a number of prints on a portrait sheet.
void Layout(int prints, int& rows, int& cols)
{
    cols = prints >= 4 ? 2 : 1;
    rows = (prints + cols - 1) / cols;
}

} // namespace

bool LoadSamplePhotos(const char* folder, std::vector<CDib>& photos)
{
    photos.clear();
    CFolderListing pictures;
    pictures.List(folder, CDib::IsImageExt);
    for (int i = 0; i < pictures.GetCount(); ++i) {
        CDib dib;
        if (dib.Load(pictures.GetPathName(i)) == 1)
            photos.push_back(dib);
    }
    return !photos.empty();
}

bool MakeScanSheet(const std::vector<CDib>& photos, const SCANSHEETOPT& opt, CDib& sheet, std::vector<CTiltRect>& truth)
{
    truth.clear();
    if (photos.empty() || opt.dpi <= 0)
        return false;
    Random rnd(opt.seed);
    const double mm = opt.dpi / 25.4;
    const int W = (int)std::lround(210 * mm), H = (int)std::lround(297 * mm);
    if (!sheet.Create(W, H, 24))
        return false;
    sheet.SetXRes(opt.dpi);
    sheet.SetYRes(opt.dpi);

    // The prints: one to a cell of a grid, each scaled to fill most of its cell once turned, and
    // moved about in what is left of the cell.
    const int count = std::max(1, std::min(8, opt.prints));
    int rows, cols;
    Layout(count, rows, cols);
    const double margin = 10 * mm, gap = 8 * mm;
    const double cellW = (W - 2 * margin - (cols - 1) * gap) / cols, cellH = (H - 2 * margin - (rows - 1) * gap) / rows;
    std::vector<Print> prints;
    for (int i = 0; i < count; ++i) {
        Print p;
        p.photo = &photos[(opt.seed * 7 + i * 5) % photos.size()];
        p.grey = i % 5 == 3;
        const bool bordered = opt.borders == 2 || (opt.borders == 1 && i % 2 == 1);
        const double tilt = rnd.Uniform(-opt.maxTilt, opt.maxTilt);
        const double pw = p.photo->GetWidth(), ph = p.photo->GetHeight();
        const double borderShare = bordered ? rnd.Uniform(0.03, 0.06) * std::min(pw, ph) : 0;
        const double w1 = pw + 2 * borderShare, h1 = ph + 2 * borderShare;
        const double c = std::fabs(std::cos(tilt * kPi / 180)), s = std::fabs(std::sin(tilt * kPi / 180));
        const double fill = rnd.Uniform(0.72, 0.92);
        const double k = fill * std::min(cellW / (w1 * c + h1 * s), cellH / (w1 * s + h1 * c));
        const double bw = (w1 * c + h1 * s) * k, bh = (w1 * s + h1 * c) * k;
        const int row = i / cols, col = i % cols;
        const double x = margin + col * (cellW + gap) + cellW / 2 + rnd.Uniform(-0.5, 0.5) * (cellW - bw);
        const double y = margin + row * (cellH + gap) + cellH / 2 + rnd.Uniform(-0.5, 0.5) * (cellH - bh);
        p.rect = CTiltRect(x, y, w1 * k, h1 * k, tilt);
        p.border = borderShare * k;
        const float white = (float)rnd.Uniform(247, 253);
        p.paper[0] = white - (float)rnd.Uniform(0, 4);   // photo paper is a shade warm
        p.paper[1] = white;
        p.paper[2] = white;
        prints.push_back(p);
        truth.push_back(p.rect);
    }

    // The background: the lid's white or a tinted, mottled texture, with light falling off
    // gently towards one side of the sheet.
    float base[3];
    if (opt.textured) {
        const float v = (float)rnd.Uniform(200, 225);
        base[0] = v - (float)rnd.Uniform(10, 25);
        base[1] = v - (float)rnd.Uniform(0, 8);
        base[2] = v;
    } else {
        const float v = (float)rnd.Uniform(228, 238);
        base[0] = v + (float)rnd.Uniform(-2, 2);
        base[1] = v;
        base[2] = v + (float)rnd.Uniform(-2, 2);
    }
    const ValueNoise coarse(W, H, 6 * mm, rnd), medium(W, H, 2 * mm, rnd), fine(W, H, 0.6 * mm, rnd);
    const double fallAngle = rnd.Uniform(0, 2 * kPi), fall = rnd.Uniform(0.02, 0.05);
    const double fdx = std::cos(fallAngle) / std::hypot(W, H), fdy = std::sin(fallAngle) / std::hypot(W, H);

    // Shadows: a print never lies quite flat, and the lamp is on one side, so each print casts a
    // soft shadow, darkest just beyond its far sides and fading out within a few millimetres.
    // It is the print's shape moved away from the lamp and blurred.
    const double lampAngle = rnd.Uniform(0, 2 * kPi);
    const double blur = rnd.Uniform(0.5, 1.1) * mm;
    const double depth = opt.shadows ? rnd.Uniform(0.10, 0.20) : 0;
    std::vector<CTiltRect> casts;
    for (const Print& p : prints) {
        CTiltRect cast = p.rect;
        cast.cx += std::cos(lampAngle) * 0.7 * blur;
        cast.cy += std::sin(lampAngle) * 0.7 * blur;
        casts.push_back(cast);
    }

    // Dust and a hair on the glass, as dark discs.
    struct Disc
    {
        double x, y, r;
        float dark;
    };
    std::vector<Disc> dust;
    if (opt.dust) {
        for (int i = 0; i < 12; ++i)
            dust.push_back({rnd.Uniform(0, W), rnd.Uniform(0, H), rnd.Uniform(0.1, 0.35) * mm, (float)rnd.Uniform(60, 140)});
        double x = rnd.Uniform(0.2, 0.8) * W, y = rnd.Uniform(0.2, 0.8) * H, dir = rnd.Uniform(0, 2 * kPi);
        const double thick = std::max(0.8, 0.04 * mm);
        for (double t = 0; t < 25 * mm; t += thick) {
            dir += rnd.Uniform(-0.03, 0.03) * thick;
            x += thick * std::cos(dir);
            y += thick * std::sin(dir);
            dust.push_back({x, y, thick, 70});
        }
    }

    // Row by row, so that a 600 dpi sheet needs no more than its own pixels.
    std::vector<float> row((size_t)W * 3);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            double l = 1 - fall * (0.5 + (x - W / 2.0) * fdx + (y - H / 2.0) * fdy);
            if (opt.textured)
                l += (coarse.At(x, y) * 7 + medium.At(x, y) * 5 + fine.At(x, y) * 4) / 255.0;
            for (int k = 0; k < 3; ++k)
                row[x * 3 + k] = (float)(base[k] * l);
        }
        for (const CTiltRect& cast : casts) {
            if (depth <= 0)
                break;
            const CRect box = cast.GetBoundingRect();
            const int pad = (int)(4 * blur) + 2;
            if (y < box.top - pad || y >= box.bottom + pad)
                continue;
            const double c = std::cos(cast.angle * kPi / 180), s = std::sin(cast.angle * kPi / 180);
            for (int x = std::max(0, (int)box.left - pad); x < std::min(W, (int)box.right + pad); ++x) {
                const double d = SignedDistance(cast, c, s, x + 0.5, y + 0.5);
                const float keep = (float)(1 - depth * 0.5 * std::erfc(d / (1.41421356 * blur)));
                for (int k = 0; k < 3; ++k)
                    row[x * 3 + k] *= keep;
            }
        }
        for (const Disc& d : dust) {
            if (y + 0.5 < d.y - d.r || y + 0.5 > d.y + d.r)
                continue;
            for (int x = std::max(0, (int)(d.x - d.r)); x <= std::min(W - 1, (int)(d.x + d.r)); ++x)
                if (std::hypot(x + 0.5 - d.x, y + 0.5 - d.y) <= d.r)
                    for (int k = 0; k < 3; ++k)
                        row[x * 3 + k] = d.dark;
        }
        // The prints, their edges covered in proportion to the area of each pixel they cover.
        for (const Print& p : prints) {
            const CRect box = p.rect.GetBoundingRect();
            if (y < box.top || y > box.bottom)
                continue;
            const double a = p.rect.angle * kPi / 180, c = std::cos(a), s = std::sin(a);
            for (int x = std::max(0, (int)box.left); x < std::min(W, (int)box.right + 1); ++x) {
                const double d = SignedDistance(p.rect, c, s, x + 0.5, y + 0.5);
                if (d > 0.75)
                    continue;
                float cover = 1;
                if (d > -0.75) {
                    int inside = 0;
                    for (int j = 0; j < 4; ++j)
                        for (int i = 0; i < 4; ++i)
                            inside += p.rect.Contains(x + (i + 0.5) / 4, y + (j + 0.5) / 4);
                    cover = inside / 16.0f;
                }
                const double dx = x + 0.5 - p.rect.cx, dy = y + 0.5 - p.rect.cy;
                const double fx = dx * c + dy * s, fy = -dx * s + dy * c;
                float colour[3];
                PrintColour(p, std::max(-p.rect.width / 2, std::min(p.rect.width / 2, fx)),
                            std::max(-p.rect.height / 2, std::min(p.rect.height / 2, fy)), colour);
                for (int k = 0; k < 3; ++k)
                    row[x * 3 + k] = row[x * 3 + k] * (1 - cover) + colour[k] * cover;
            }
        }
        // Sensor noise, then to bytes.
        BYTE* out = sheet.GetLine(y);
        for (int i = 0; i < W * 3; ++i) {
            const float v = row[i] + (float)opt.noise * rnd.Gauss();
            out[i] = (BYTE)(v <= 0 ? 0 : v >= 255 ? 255 : v + 0.5f);
        }
    }
    return true;
}
