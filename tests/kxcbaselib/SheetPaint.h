// Sheets painted with exactly known prints, for the print finder and the clip window's
// positioning: a plain lid, turned rectangles with their edges covered by area, noise.
#pragma once
#include <TiltRect.h>
#include <algorithm>
#include <cmath>
#include <cstdint>

struct Rgb
{
    double r, g, b;
};

inline CDib Sheet(int w, int h, Rgb c, int bits = 24)
{
    CDib dib;
    dib.Create(w, h, bits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = dib.GetLine(y) + x * (bits / 8);
            p[0] = (BYTE)c.b;
            p[1] = (BYTE)c.g;
            p[2] = (BYTE)c.r;
            if (bits == 32)
                p[3] = 255;
        }
    return dib;
}

// Paints a turned rectangle, each edge pixel covered in proportion to the share of its area
// inside (4 x 4 samples). colour(fx, fy) gives the colour at a point of the rectangle's frame.
template <class Colour>
inline void Paint(CDib& dib, const CTiltRect& r, Colour colour)
{
    const int bpp = dib.GetBitsPerPixel() / 8;
    const CRect box = r.GetBoundingRect();
    const double a = r.angle * 3.14159265358979 / 180, c = std::cos(a), s = std::sin(a);
    for (int y = std::max(0, (int)box.top); y < std::min(dib.GetHeight(), (int)box.bottom + 1); ++y)
        for (int x = std::max(0, (int)box.left); x < std::min(dib.GetWidth(), (int)box.right + 1); ++x) {
            int inside = 0;
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i)
                    inside += r.Contains(x + (i + 0.5) / 4, y + (j + 0.5) / 4);
            if (!inside)
                continue;
            const double dx = x + 0.5 - r.cx, dy = y + 0.5 - r.cy;
            const Rgb col = colour(dx * c + dy * s, -dx * s + dy * c);
            const double k = inside / 16.0;
            BYTE* p = dib.GetLine(y) + x * bpp;
            p[0] = (BYTE)std::lround(p[0] * (1 - k) + col.b * k);
            p[1] = (BYTE)std::lround(p[1] * (1 - k) + col.g * k);
            p[2] = (BYTE)std::lround(p[2] * (1 - k) + col.r * k);
        }
}

inline void PaintFlat(CDib& dib, const CTiltRect& r, Rgb c)
{
    Paint(dib, r, [c](double, double) { return c; });
}

// Sensor-like noise of about the given deviation on every byte (repeatable).
inline void AddNoise(CDib& dib, int amplitude)
{
    uint32_t state = 12345;
    const int bpp = dib.GetBitsPerPixel() / 8;
    for (int y = 0; y < dib.GetHeight(); ++y) {
        BYTE* p = dib.GetLine(y);
        for (int i = 0; i < dib.GetWidth() * bpp; ++i) {
            if (bpp == 4 && i % 4 == 3)
                continue;
            state = state * 1664525u + 1013904223u;
            const int n = (int)((state >> 16) % (2 * amplitude + 1)) - amplitude;
            p[i] = (BYTE)std::max(0, std::min(255, p[i] + n));
        }
    }
}

// The scanner lid's white.
const Rgb kLid = {236, 236, 234};
