// CDib: construction, attributes, the queue of colour operations, packed DIBs and display.
#include "Dib.h"
#include "ImageCore.h"
#include <kxraii.h>
#include <string.h>
#include <memory>
#include <utility>

using namespace kximage;

namespace {

int DpiToPelsPerMeter(int dpi) { return (int)(dpi * 10000.0 / 254.0 + 0.5); }
int PelsPerMeterToDpi(int ppm) { return ppm > 0 ? (int)(ppm * 254.0 / 10000.0 + 0.5) : 0; }
} // namespace

// ---- Construction --------------------------------------------------------------------------

CDib::CDib()
    : m_bits(nullptr), m_width(0), m_height(0), m_bitsPerPixel(0), m_stride(0), m_xRes(96),
      m_yRes(96), m_pending(nullptr)
{
}

CDib::CDib(const CDib& src) : CDib()
{
    *this = src;
}

CDib& CDib::operator=(const CDib& src)
{
    if (!Copy(src)) {
        Free();
        m_xRes = src.m_xRes;
        m_yRes = src.m_yRes;
    }
    return *this;
}

BOOL CDib::Copy(const CDib& src)
{
    if (this == &src)
        return TRUE;
    src.Flush();
    if (!src.IsValid()) {
        Free();
        m_xRes = src.m_xRes;
        m_yRes = src.m_yRes;
        return TRUE;
    }
    // The new pixels first: this picture is given up only once the copy exists.
    BYTE* bits = AllocatePixels(src.m_width, src.m_height, src.m_bitsPerPixel);
    if (!bits)
        return FALSE;
    memcpy(bits, src.m_bits, (size_t)src.m_stride * src.m_height);
    Free();
    Adopt(bits, src.m_width, src.m_height, src.m_bitsPerPixel);
    m_xRes = src.m_xRes;
    m_yRes = src.m_yRes;
    return TRUE;
}

void CDib::Swap(CDib& other) noexcept
{
    std::swap(m_bits, other.m_bits);
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
    std::swap(m_bitsPerPixel, other.m_bitsPerPixel);
    std::swap(m_stride, other.m_stride);
    std::swap(m_xRes, other.m_xRes);
    std::swap(m_yRes, other.m_yRes);
    std::swap(m_pending, other.m_pending);
}

CDib::~CDib()
{
    Free();
}

void CDib::Free()
{
    delete m_pending;
    m_pending = nullptr;
    if (m_bits)
        GivePixels(m_bits, (size_t)m_stride * m_height);
    m_bits = nullptr;
    m_width = m_height = m_bitsPerPixel = m_stride = 0;
}

BOOL CDib::Create(int width, int height, int bitsPerPixel)
{
    Free();
    BYTE* bits = AllocatePixels(width, height, bitsPerPixel);
    if (!bits)
        return FALSE;
    Adopt(bits, width, height, bitsPerPixel);
    m_xRes = m_yRes = 96;
    return TRUE;
}

int CDib::StrideFor(int width, int bitsPerPixel)
{
    return ((width * (bitsPerPixel / 8)) + 3) & ~3;
}

BYTE* CDib::AllocatePixels(int width, int height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0 || (bitsPerPixel != 24 && bitsPerPixel != 32))
        return nullptr;
    if (width > KXIMAGE_MAX_SIDE || height > KXIMAGE_MAX_SIDE || (long long)width * height > KXIMAGE_MAX_PIXELS)
        return nullptr;
    size_t size = (size_t)StrideFor(width, bitsPerPixel) * height;
    return TakePixels(size);
}

void CDib::Adopt(BYTE* bits, int width, int height, int bitsPerPixel)
{
    Free();
    m_bits = bits;
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_stride = StrideFor(width, bitsPerPixel);
}

void CDib::TakeOver(CDib& other)
{
    if (this == &other)
        return;
    other.Flush();
    Free();
    m_bits = other.m_bits;
    m_width = other.m_width;
    m_height = other.m_height;
    m_bitsPerPixel = other.m_bitsPerPixel;
    m_stride = other.m_stride;
    m_xRes = other.m_xRes;
    m_yRes = other.m_yRes;
    other.m_bits = nullptr;
    other.Free();
}

// ---- Attributes ----------------------------------------------------------------------------

BOOL CDib::IsValid() const { return m_bits != nullptr; }
int CDib::GetWidth() const { return m_width; }
int CDib::GetHeight() const { return m_height; }
int CDib::GetBitsPerPixel() const { return m_bitsPerPixel; }
int CDib::GetStride() const { return m_stride; }

BYTE* CDib::GetBits()
{
    Flush();
    return m_bits;
}

const BYTE* CDib::GetBits() const
{
    Flush();
    return m_bits;
}

BYTE* CDib::GetLine(int y)
{
    Flush();
    return m_bits && y >= 0 && y < m_height ? m_bits + (size_t)y * m_stride : nullptr;
}

const BYTE* CDib::GetLine(int y) const
{
    Flush();
    return m_bits && y >= 0 && y < m_height ? m_bits + (size_t)y * m_stride : nullptr;
}

void CDib::SetXRes(int dpi) { m_xRes = dpi; }
void CDib::SetYRes(int dpi) { m_yRes = dpi; }
int CDib::GetXRes() const { return m_xRes; }
int CDib::GetYRes() const { return m_yRes; }

// ---- Queued colour operations --------------------------------------------------------------

void CDib::Flush() const
{
    if (!m_pending)
        return;
    std::unique_ptr<CPointOps> ops(m_pending);
    m_pending = nullptr;
    if (!m_bits || ops->ops.empty())
        return;
    BYTE* bits = m_bits;
    const int stride = m_stride, width = m_width, bpp = m_bitsPerPixel / 8;
    const std::vector<PointOp>& list = ops->ops;
    // Row by row, every operation in turn: the row stays in the cache between operations, so the
    // whole queue costs one trip through memory.
    auto rows = [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            BYTE* row = bits + (size_t)y * stride;
            for (const PointOp& op : list)
                ApplyPointOpRow(op, row, width, bpp);
        }
    };
    // Waking the workers costs more than the whole pass over a thumbnail or a small preview, and
    // a host may adjust hundreds of them in a row.
    const long long kInlinePixels = 64 * 1024;
    if ((long long)m_width * m_height < kInlinePixels)
        rows(0, m_height);
    else
        (void)ParallelFor(m_height, rows);   // the row kernels allocate nothing and cannot throw
}

// ---- Packed DIBs ---------------------------------------------------------------------------

int CDib::Load(HGLOBAL hPackedDib, int, int, void*, FILEINFO* info)
{
    Free();
    if (!hPackedDib)
        return 0;
    SIZE_T size = GlobalSize(hPackedDib);
    kx::global_lock<const BYTE> lock(hPackedDib);
    const BYTE* data = lock.get();
    if (!data || size < sizeof(BITMAPINFOHEADER))
        return 0;
    BITMAPINFOHEADER header;
    memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size || header.biPlanes != 1)
        return 0;
    const int width = header.biWidth;
    const bool topDown = header.biHeight < 0;
    const long long heightAbs = topDown ? -(long long)header.biHeight : header.biHeight;
    if (width <= 0 || heightAbs <= 0 || width > KXIMAGE_MAX_SIDE || heightAbs > KXIMAGE_MAX_SIDE ||
        (long long)width * heightAbs > KXIMAGE_MAX_PIXELS)
        return 0;
    const int height = (int)heightAbs;
    const int bits = header.biBitCount;

    size_t offset = header.biSize;
    RGBQUAD palette[256];
    int colours = 0;
    if (bits == 8) {
        if (header.biCompression != BI_RGB)
            return 0;
        colours = header.biClrUsed ? (int)header.biClrUsed : 256;
        if (colours > 256 || offset + colours * sizeof(RGBQUAD) > size)
            return 0;
        memcpy(palette, data + offset, colours * sizeof(RGBQUAD));
        offset += colours * sizeof(RGBQUAD);
    } else if (bits == 32 && header.biCompression == BI_BITFIELDS) {
        DWORD masks[3];
        if (header.biSize >= sizeof(BITMAPV4HEADER)) {
            const BITMAPV4HEADER* v4 = (const BITMAPV4HEADER*)data;
            masks[0] = v4->bV4RedMask; masks[1] = v4->bV4GreenMask; masks[2] = v4->bV4BlueMask;
        } else {
            if (offset + sizeof masks > size)
                return 0;
            memcpy(masks, data + offset, sizeof masks);
            offset += sizeof masks;
        }
        // Only the layout every producer uses (BGRA in memory) is read; others are refused.
        if (masks[0] != 0xFF0000 || masks[1] != 0xFF00 || masks[2] != 0xFF)
            return 0;
    } else if (!((bits == 24 || bits == 32) && header.biCompression == BI_RGB)) {
        return 0;
    }

    const size_t srcStride = ((size_t)width * bits / 8 + 3) & ~(size_t)3;
    if (offset + srcStride * height > size)
        return 0;
    const int outBits = bits == 32 ? 32 : 24;
    BYTE* pixels = AllocatePixels(width, height, outBits);
    if (!pixels)
        return 0;
    Adopt(pixels, width, height, outBits);
    for (int y = 0; y < height; ++y) {
        const BYTE* src = data + offset + srcStride * (topDown ? y : height - 1 - y);
        BYTE* dst = m_bits + (size_t)y * m_stride;
        if (bits == 8) {
            for (int x = 0; x < width; ++x) {
                int index = src[x] < colours ? src[x] : 0;
                dst[3 * x] = palette[index].rgbBlue;
                dst[3 * x + 1] = palette[index].rgbGreen;
                dst[3 * x + 2] = palette[index].rgbRed;
            }
        } else {
            memcpy(dst, src, (size_t)width * bits / 8);
        }
    }
    m_xRes = PelsPerMeterToDpi(header.biXPelsPerMeter);
    m_yRes = PelsPerMeterToDpi(header.biYPelsPerMeter);
    if (!m_xRes) m_xRes = 96;
    if (!m_yRes) m_yRes = 96;
    if (info) {
        info->width = width;
        info->height = height;
        info->bitsPerPixel = bits;
        info->format = KXFMT_BMP;
        info->xRes = PelsPerMeterToDpi(header.biXPelsPerMeter);
        info->yRes = PelsPerMeterToDpi(header.biYPelsPerMeter);
    }
    return 1;
}

HGLOBAL CDib::CopyToHandle() const
{
    Flush();
    if (!IsValid())
        return nullptr;
    const size_t imageSize = (size_t)m_stride * m_height;
    kx::unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + imageSize));
    if (!memory)
        return nullptr;
    {
        kx::global_lock<BYTE> lock(memory.get());
        BYTE* data = lock.get();
        if (!data)
            return nullptr;
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = m_width;
        header.biHeight = m_height;
        header.biPlanes = 1;
        header.biBitCount = (WORD)m_bitsPerPixel;
        header.biCompression = BI_RGB;
        header.biSizeImage = (DWORD)imageSize;
        header.biXPelsPerMeter = DpiToPelsPerMeter(m_xRes);
        header.biYPelsPerMeter = DpiToPelsPerMeter(m_yRes);
        memcpy(data, &header, sizeof header);
        BYTE* rows = data + sizeof header;
        for (int y = 0; y < m_height; ++y)
            memcpy(rows + (size_t)(m_height - 1 - y) * m_stride, m_bits + (size_t)y * m_stride, m_stride);
    }
    return memory.release();
}

// ---- Display -------------------------------------------------------------------------------

void CDib::Draw(HDC hdc, const RECT& dest) const
{
    Flush();
    const int width = dest.right - dest.left, height = dest.bottom - dest.top;
    if (!IsValid() || width <= 0 || height <= 0)
        return;
    CDib resampled;
    const CDib* shown = this;
    if (width != m_width || height != m_height) {
        bool reducing = (long long)width * height < (long long)m_width * m_height;
        if (!resampled.Resize(*this, width, height, reducing ? 2 : 1))
            return;
        shown = &resampled;
    }
    const BITMAPINFO bmi = kx::top_down_info(shown->m_width, shown->m_height, shown->m_bitsPerPixel);
    SetDIBitsToDevice(hdc, dest.left, dest.top, shown->m_width, shown->m_height, 0, 0, 0,
                      shown->m_height, shown->m_bits, &bmi, DIB_RGB_COLORS);
}

BOOL CDib::IsImageExt(const char* fileName)
{
    if (!fileName)
        return FALSE;
    const char* dot = strrchr(fileName, '.');
    if (!dot || strpbrk(dot, "\\/"))
        return FALSE;
    static const char* const extensions[] = {".jpg", ".jpeg", ".jpe", ".jfif", ".png", ".tif",
                                             ".tiff", ".bmp", ".dib", ".gif"};
    for (const char* ext : extensions)
        if (_stricmp(dot, ext) == 0)
            return TRUE;
    return FALSE;
}
