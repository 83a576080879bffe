// Small helpers of the picture tests: pictures with known pixels and pixel access by colour.
#pragma once
#include <Dib.h>
#include <gtest/gtest.h>
#include <string.h>

struct Rgb
{
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Rgb PixelAt(const CDib& dib, int x, int y)
{
    const BYTE* p = dib.GetLine(y) + x * (dib.GetBitsPerPixel() / 8);
    return Rgb{p[2], p[1], p[0]};
}

inline void SetPixel(CDib& dib, int x, int y, Rgb c, int alpha = 255)
{
    BYTE* p = dib.GetLine(y) + x * (dib.GetBitsPerPixel() / 8);
    p[0] = (BYTE)c.b; p[1] = (BYTE)c.g; p[2] = (BYTE)c.r;
    if (dib.GetBitsPerPixel() == 32)
        p[3] = (BYTE)alpha;
}

// A picture of one colour.
inline CDib Solid(int width, int height, Rgb c, int bits = 24)
{
    CDib dib;
    dib.Create(width, height, bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(dib, x, y, c);
    return dib;
}

// A picture where every pixel differs from its neighbours, with varying alpha at 32 bits.
inline CDib Pattern(int width, int height, int bits)
{
    CDib dib;
    dib.Create(width, height, bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(dib, x, y, Rgb{(x * 37 + y * 11) & 255, (x * 5 + y * 53) & 255, (x * y * 7 + 19) & 255},
                     (x * 13 + y * 29) & 255);
    return dib;
}

// Pixel bytes equal, row by row (the padding at the end of each row is not compared).
inline bool SamePixels(const CDib& a, const CDib& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBitsPerPixel() != b.GetBitsPerPixel())
        return false;
    const size_t row = (size_t)a.GetWidth() * a.GetBitsPerPixel() / 8;
    for (int y = 0; y < a.GetHeight(); ++y)
        if (memcmp(a.GetLine(y), b.GetLine(y), row) != 0)
            return false;
    return true;
}
