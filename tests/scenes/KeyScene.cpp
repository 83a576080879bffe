#include "KeyScene.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// A small deterministic generator, so every run makes the same scene.
class CRandom
{
public:
    explicit CRandom(unsigned seed) : m_state(seed * 2654435761u + 12345u) {}
    double Uniform()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) / 16777216.0;
    }
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    double Gauss()
    {
        const double u = std::max(1e-12, Uniform()), v = Uniform();
        return std::sqrt(-2 * std::log(u)) * std::cos(6.283185307179586 * v);
    }
private:
    unsigned m_state;
};

inline double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline BYTE ToByte(double v) { return (BYTE)(v <= 0 ? 0 : v >= 255 ? 255 : (int)(v + 0.5)); }

// Coverage of an ellipse with a soft edge: 1 inside, 0 outside, a ramp of soft pixels across it.
double Ellipse(double x, double y, double cx, double cy, double rx, double ry, double soft)
{
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    const double r = std::sqrt(dx * dx + dy * dy);
    // Distance to the outline, roughly, in pixels.
    const double d = (r - 1) * std::min(rx, ry);
    return Clamp01(0.5 - d / soft);
}

} // namespace

bool MakeSubject(const CDib& photo, int width, int height, unsigned seed, int strands, CDib& foreground,
                 std::vector<BYTE>& alpha)
{
    if (!photo.IsValid() || width < 16 || height < 16)
        return false;
    CRandom rnd(seed);
    // The photograph's colours, resized to cover the scene.
    const double cover = std::max((double)width / photo.GetWidth(), (double)height / photo.GetHeight());
    CDib texture;
    if (!texture.Resize(photo, std::max(width, (int)std::ceil(photo.GetWidth() * cover)),
                        std::max(height, (int)std::ceil(photo.GetHeight() * cover)), 1))
        return false;
    if (!foreground.Create(width, height, 24))
        return false;
    alpha.assign((size_t)width * height, 0);
    const int ox = (texture.GetWidth() - width) / 2, oy = (texture.GetHeight() - height) / 2;
    const int tbpp = texture.GetBitsPerPixel() / 8;
    const double s = std::min(width, height);
    const double hardEdge = std::max(1.0, s / 600), softEdge = std::max(4.0, s / 60);
    const double headX = width * 0.45, headY = height * 0.42, headRx = s * 0.17, headRy = s * 0.22;
    const BYTE hair[3] = {(BYTE)rnd.Range(30, 110), (BYTE)rnd.Range(60, 150), (BYTE)rnd.Range(80, 200)};   // b, g, r
    const BYTE glass[3] = {225, 215, 205};
    std::vector<double> matte((size_t)width * height, 0.0);
    for (int y = 0; y < height; ++y) {
        const BYTE* t = texture.GetLine(y + oy) + ox * tbpp;
        BYTE* f = foreground.GetLine(y);
        for (int x = 0; x < width; ++x) {
            // Shoulders with a sharp outline, the head with a soft one on its right (out of focus).
            const double body = Ellipse(x, y, width * 0.45, height * 1.08, width * 0.36, height * 0.45, hardEdge);
            const double soft = x > headX ? softEdge : hardEdge;
            const double head = Ellipse(x, y, headX, headY, headRx, headRy, soft);
            const double subject = std::max(body, head);
            // A pane of glass to the right: 35 % opaque, with a soft rim.
            const double pane = 0.35 * Ellipse(x, y, width * 0.82, height * 0.45, s * 0.12, s * 0.2, softEdge);
            const double a = 1 - (1 - subject) * (1 - pane);
            matte[(size_t)y * width + x] = a;
            for (int i = 0; i < 3; ++i) {
                // The glass's colour where it is the only thing there.
                const double share = a > 0 ? subject / a : 1;
                f[3 * x + i] = ToByte(share * t[tbpp * x + i] + (1 - share) * glass[i]);
            }
        }
    }
    // Hair: thin curved strands leaving the top of the head, each partly see-through.
    for (int n = 0; n < strands; ++n) {
        const double angle = rnd.Range(-2.6, -0.55);
        const double sx = headX + headRx * 0.95 * std::cos(angle), sy = headY + headRy * 0.95 * std::sin(angle);
        const double len = s * rnd.Range(0.06, 0.2);
        const double bend = rnd.Range(-0.6, 0.6);
        const double ex = sx + len * std::cos(angle + bend), ey = sy + len * std::sin(angle + bend);
        const double mx = sx + len * 0.55 * std::cos(angle), my = sy + len * 0.55 * std::sin(angle);
        const double halfWidth = rnd.Range(0.3, 0.8) * std::max(1.0, s / 800);
        const double opacity = rnd.Range(0.5, 0.95);
        const int samples = (int)(len * 3) + 2;
        for (int k = 0; k <= samples; ++k) {
            const double t = (double)k / samples;
            const double px = (1 - t) * (1 - t) * sx + 2 * (1 - t) * t * mx + t * t * ex;
            const double py = (1 - t) * (1 - t) * sy + 2 * (1 - t) * t * my + t * t * ey;
            const double hw = halfWidth * (1 - 0.6 * t);   // strands thin out towards their tips
            for (int y = (int)std::floor(py - 2); y <= (int)std::ceil(py + 2); ++y)
                for (int x = (int)std::floor(px - 2); x <= (int)std::ceil(px + 2); ++x) {
                    if (x < 0 || y < 0 || x >= width || y >= height)
                        continue;
                    const double d = std::hypot(x - px, y - py);
                    const double cov = Clamp01(hw + 0.5 - d) * opacity;
                    if (cov <= 0)
                        continue;
                    double& a = matte[(size_t)y * width + x];
                    // Where the strand is the more opaque, its colour takes over.
                    if (cov > a) {
                        BYTE* f = foreground.GetLine(y) + 3 * x;
                        const double share = (cov - a) / cov;
                        for (int i = 0; i < 3; ++i)
                            f[i] = ToByte((1 - share) * f[i] + share * hair[i]);
                        a = cov;
                    }
                }
        }
    }
    for (size_t i = 0; i < matte.size(); ++i)
        alpha[i] = ToByte(matte[i] * 255);
    return true;
}

bool ComposeOverScreen(const CDib& foreground, const std::vector<BYTE>& alpha, const KEYSCENEOPT& opt,
                       const char* tempFolder, CDib& composite)
{
    const int w = foreground.GetWidth(), h = foreground.GetHeight();
    if (!foreground.IsValid() || alpha.size() != (size_t)w * h || !composite.Create(w, h, 24))
        return false;
    CRandom rnd(opt.seed * 7 + 3);
    const double screen[3] = {(double)GetBValue(opt.screen), (double)GetGValue(opt.screen), (double)GetRValue(opt.screen)};
    // The light: brightest off the upper left, falling towards the farthest corner, slightly warmer
    // there (a second lamp of another colour).
    const double lx = w * 0.3, ly = h * 0.25, farthest = std::hypot(w * 0.7, h * 0.75);
    // How near each subject pixel lies to the screen: a blur of the screen's share, so spill is
    // strongest at the edges and fades inwards.
    const int r = std::max(2, std::min(w, h) / 100);
    std::vector<float> open((size_t)w * h), tmp((size_t)w * h);
    for (size_t i = 0; i < open.size(); ++i)
        open[i] = 1 - alpha[i] / 255.0f;
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < h; ++y) {
            float sum = 0;
            for (int x = -r; x <= r; ++x)
                sum += open[(size_t)y * w + std::min(w - 1, std::max(0, x))];
            for (int x = 0; x < w; ++x) {
                tmp[(size_t)y * w + x] = sum / (2 * r + 1);
                sum += open[(size_t)y * w + std::min(w - 1, x + r + 1)] - open[(size_t)y * w + std::max(0, x - r)];
            }
        }
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int y = -r; y <= r; ++y)
                sum += tmp[(size_t)std::min(h - 1, std::max(0, y)) * w + x];
            for (int y = 0; y < h; ++y) {
                open[(size_t)y * w + x] = sum / (2 * r + 1);
                sum += tmp[(size_t)std::min(h - 1, y + r + 1) * w + x] - tmp[(size_t)std::max(0, y - r) * w + x];
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        const BYTE* f = foreground.GetLine(y);
        BYTE* c = composite.GetLine(y);
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - lx, y - ly) / farthest;
            const double light = 1 - opt.unevenLight * d * d;
            const double warm = 0.06 * opt.unevenLight * d;
            const double local[3] = {screen[0] * light * (1 - warm), screen[1] * light, screen[2] * light * (1 + warm)};
            const double a = alpha[(size_t)y * w + x] / 255.0;
            // Screen light falls on the subject's surface: strongly on its opaque edges, faintly on
            // what is mostly see-through (hair, glass), where it would only look like less cover.
            const double k = std::min(1.0, 2.0 * open[(size_t)y * w + x]) * opt.spill * a * a;
            for (int i = 0; i < 3; ++i) {
                const double subject = f[3 * x + i] * (1 - k) + local[i] * k;
                c[3 * x + i] = ToByte(a * subject + (1 - a) * local[i] + opt.noise * rnd.Gauss());
            }
        }
    }
    if (opt.jpegQuality > 0 && tempFolder) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s\\keyscene-%u-%u.jpg", tempFolder, opt.seed, (unsigned)::GetCurrentProcessId());
        // The library's quality code: 2 is libjpeg quality 95, each 253 / 85 more is one less.
        const int code = 2 + (int)std::lround((95 - std::min(95, opt.jpegQuality)) * 253.0 / 85);
        const bool ok = composite.Save(path, KXFMT_JPEG, 24, code) == 1 && composite.Load(path) == 1;
        ::DeleteFileA(path);
        if (!ok)
            return false;
    }
    return true;
}

bool MakeKeyScene(const CDib& photo, const KEYSCENEOPT& opt, const char* tempFolder, KEYSCENE& scene)
{
    return MakeSubject(photo, opt.width, opt.height, opt.seed, opt.hairStrands, scene.foreground, scene.alpha) &&
           ComposeOverScreen(scene.foreground, scene.alpha, opt, tempFolder, scene.composite);
}

bool ComposeTruth(const KEYSCENE& scene, const CDib& background, CDib& out)
{
    const int w = scene.foreground.GetWidth(), h = scene.foreground.GetHeight();
    CDib bg;
    if (!background.IsValid() || !bg.Resize(background, w, h, 1) || !out.Create(w, h, 24))
        return false;
    const int bpp = bg.GetBitsPerPixel() / 8;
    for (int y = 0; y < h; ++y) {
        const BYTE* f = scene.foreground.GetLine(y);
        const BYTE* b = bg.GetLine(y);
        BYTE* o = out.GetLine(y);
        for (int x = 0; x < w; ++x) {
            const double a = scene.alpha[(size_t)y * w + x] / 255.0;
            for (int i = 0; i < 3; ++i)
                o[3 * x + i] = ToByte(a * f[3 * x + i] + (1 - a) * b[bpp * x + i]);
        }
    }
    return true;
}

void ShareColourByBlocks(CDib& dib)
{
    const int w = dib.GetWidth(), h = dib.GetHeight();
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; x += 2) {
            double cb = 0, cr = 0, luma[4];
            for (int k = 0; k < 4; ++k) {
                const BYTE* p = dib.GetLine(y + k / 2) + 3 * (x + k % 2);
                luma[k] = 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
                cb += (-0.1687 * p[2] - 0.3313 * p[1] + 0.5 * p[0]) / 4;
                cr += (0.5 * p[2] - 0.4187 * p[1] - 0.0813 * p[0]) / 4;
            }
            for (int k = 0; k < 4; ++k) {
                BYTE* p = dib.GetLine(y + k / 2) + 3 * (x + k % 2);
                auto level = [](double v) { return (BYTE)std::min(255.0, std::max(0.0, std::round(v))); };
                p[2] = level(luma[k] + 1.402 * cr);
                p[1] = level(luma[k] - 0.344136 * cb - 0.714136 * cr);
                p[0] = level(luma[k] + 1.772 * cb);
            }
        }
}
