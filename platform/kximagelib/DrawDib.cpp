// CDrawDib: the preview working copy.
#include "DrawDib.h"
#include "ImageCore.h"

using namespace kximage;

CDrawDib::CDrawDib() = default;
CDrawDib::CDrawDib(const CDrawDib& src) : CDib(src) {}
CDrawDib::~CDrawDib() = default;

CDrawDib& CDrawDib::operator=(const CDrawDib& src)
{
    CDib::operator=(src);
    return *this;
}

CDrawDib& CDrawDib::operator=(const CDib& src)
{
    CDib::operator=(src);
    return *this;
}

BOOL CDrawDib::BrightProbaility(BYTE level, int amount)
{
    if (!IsValid())
        return FALSE;
    amount = amount < 0 ? 0 : amount > 30000 ? 30000 : amount;
    // Grey first, then one curve applied to the grey.
    GrayScale(100, 8);
    const double k = (1000.0 + amount) / 1000.0;
    const int width = GetWidth(), bpp = GetBitsPerPixel() / 8;
    BYTE curve[256];
    for (int v = 0; v < 256; ++v)
        curve[v] = ClampRound(128 + (v - level) * k);
    BYTE* bits = GetBits();
    const int stride = GetStride();
    return ParallelFor(GetHeight(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            BYTE* p = bits + (size_t)y * stride;
            for (int x = 0; x < width; ++x, p += bpp)
                p[0] = p[1] = p[2] = curve[p[0]];
        }
    }) ? TRUE : FALSE;
}
