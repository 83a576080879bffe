// CDib picture files through the Windows Imaging Component (JPEG goes to DibJpeg.cpp), and the
// 32-bit BMP and CMYK TIFF writers.
#include "Dib.h"
#include "ImageCore.h"
#include <Geometry.h>
#include <kxraii.h>
#include <wincodec.h>
#include <ocidl.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include <string>
#include <vector>

namespace {

// Owns one COM interface pointer.
template <class T>
class ComPtr
{
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    T** operator&() { Reset(); return &m_p; }
    void Reset() { if (m_p) { m_p->Release(); m_p = nullptr; } }
private:
    T* m_p = nullptr;
};

// COM for the duration of one file operation, on threads that have not initialised it.
class ComScope
{
public:
    ComScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() { if (SUCCEEDED(m_hr)) CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
private:
    HRESULT m_hr;
};

HRESULT CreateFactory(ComPtr<IWICImagingFactory>& factory)
{
    return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IWICImagingFactory, (void**)&factory);
}

int FormatCodeOf(const GUID& container)
{
    if (container == GUID_ContainerFormatJpeg) return KXFMT_JPEG;
    if (container == GUID_ContainerFormatPng) return KXFMT_PNG;
    if (container == GUID_ContainerFormatTiff) return KXFMT_TIFF;
    if (container == GUID_ContainerFormatBmp) return KXFMT_BMP;
    if (container == GUID_ContainerFormatGif) return KXFMT_GIF;
    return 0;
}

bool HasAlpha(const WICPixelFormatGUID& format)
{
    static const GUID* const withAlpha[] = {
        &GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat32bppRGBA, &GUID_WICPixelFormat32bppPBGRA,
        &GUID_WICPixelFormat32bppPRGBA, &GUID_WICPixelFormat64bppRGBA, &GUID_WICPixelFormat64bppBGRA,
        &GUID_WICPixelFormat64bppPRGBA, &GUID_WICPixelFormat16bppBGRA5551,
    };
    for (const GUID* g : withAlpha)
        if (format == *g)
            return true;
    return false;
}

int BitsOf(IWICImagingFactory* factory, const WICPixelFormatGUID& format)
{
    ComPtr<IWICComponentInfo> info;
    ComPtr<IWICPixelFormatInfo> pixelInfo;
    UINT bits = 0;
    if (SUCCEEDED(factory->CreateComponentInfo(format, &info)) &&
        SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo, (void**)&pixelInfo)))
        pixelInfo->GetBitsPerPixel(&bits);
    return (int)bits;
}

// Writes one property of an encoder's options bag.
void WriteOption(IPropertyBag2* bag, const wchar_t* name, VARTYPE type, float real, BYTE byte)
{
    PROPBAG2 option = {};
    option.pstrName = const_cast<LPOLESTR>(name);
    VARIANT value;
    VariantInit(&value);
    value.vt = type;
    if (type == VT_R4)
        value.fltVal = real;
    else
        value.bVal = byte;
    bag->Write(1, &option, &value);
}

// Reads the picture size from the file's own header. Wine's PNG decoder decodes the whole
// picture as soon as the decoder is created, and a header claiming 60000 x 60000 overflows its
// buffer size and crashes the process, so the size is checked here before WIC sees the file. Returns false when the header cannot be read; TIFF is left to WIC, whose decoder reads
// lazily.
class HeaderReader
{
public:
    explicit HeaderReader(const char* path)
        : m_file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    bool IsOpen() const { return m_file.is_valid(); }
    bool Read(long long offset, void* buffer, DWORD size)
    {
        LARGE_INTEGER position;
        position.QuadPart = offset;
        DWORD got = 0;
        return SetFilePointerEx(m_file.get(), position, nullptr, FILE_BEGIN) &&
               ReadFile(m_file.get(), buffer, size, &got, nullptr) && got == size;
    }
private:
    kx::unique_hfile m_file;
};

inline unsigned BigEndian16(const BYTE* p) { return (p[0] << 8) | p[1]; }
inline unsigned BigEndian32(const BYTE* p) { return (unsigned)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

enum HeaderCheck { HEADER_OK, HEADER_TOO_LARGE, HEADER_DAMAGED };

HeaderCheck CheckHeaderSize(const char* path)
{
    HeaderReader file(path);
    BYTE head[26];
    if (!file.IsOpen() || !file.Read(0, head, sizeof head))
        return file.IsOpen() ? HEADER_DAMAGED : HEADER_OK;   // a missing file is WIC's to report
    unsigned long long width = 0, height = 0;
    if (memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0) {
        width = BigEndian32(head + 16);
        height = BigEndian32(head + 20);
    } else if (head[0] == 'B' && head[1] == 'M') {
        BITMAPINFOHEADER info;
        if (!file.Read(sizeof(BITMAPFILEHEADER), &info, sizeof info))
            return HEADER_DAMAGED;
        width = info.biSize == 12 ? (info.biWidth & 0xFFFF) : (unsigned long long)std::abs((long long)info.biWidth);
        height = info.biSize == 12 ? ((unsigned)info.biWidth >> 16) : (unsigned long long)std::abs((long long)info.biHeight);
    } else if (memcmp(head, "GIF8", 4) == 0) {
        width = head[6] | head[7] << 8;
        height = head[8] | head[9] << 8;
    } else {
        return HEADER_OK;
    }
    if (width > (unsigned)KXIMAGE_MAX_SIDE || height > (unsigned)KXIMAGE_MAX_SIDE ||
        width * height > (unsigned long long)KXIMAGE_MAX_PIXELS)
        return HEADER_TOO_LARGE;
    return HEADER_OK;
}

} // namespace

int CDib::Load(const char* path, int, int, void*, FILEINFO* info)
{
    Free();
    if (!path || !*path)
        return 0;
    if (kximage::IsJpegFile(path))
        return LoadJpeg(path, 0, 0, info);
    const HeaderCheck header = CheckHeaderSize(path);
    if (header != HEADER_OK)
        return header == HEADER_TOO_LARGE ? -4 : -2;
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CreateFactory(factory)))
        return -1;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(AfxToWide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)))
        return -2;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, &frame)))
        return -3;
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0)
        return -3;
    // Refused before anything is decoded or allocated.
    if (width > (UINT)KXIMAGE_MAX_SIDE || height > (UINT)KXIMAGE_MAX_SIDE ||
        (long long)width * height > KXIMAGE_MAX_PIXELS)
        return -4;
    WICPixelFormatGUID sourceFormat;
    if (FAILED(frame->GetPixelFormat(&sourceFormat)))
        return -3;
    GUID container = {};
    decoder->GetContainerFormat(&container);
    const bool alpha = HasAlpha(sourceFormat);
    const int bits = alpha ? 32 : 24;
    const WICPixelFormatGUID& target = alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;

    ComPtr<IWICFormatConverter> converter;
    IWICBitmapSource* source = frame.Get();
    if (sourceFormat != target) {
        if (FAILED(factory->CreateFormatConverter(&converter)) ||
            FAILED(converter->Initialize(frame.Get(), target, WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeCustom)))
            return -5;
        source = converter.Get();
    }
    BYTE* pixels = AllocatePixels((int)width, (int)height, bits);
    if (!pixels)
        return -6;
    Adopt(pixels, (int)width, (int)height, bits);
    if (FAILED(source->CopyPixels(nullptr, m_stride, (UINT)((size_t)m_stride * m_height), m_bits))) {
        Free();
        return -7;
    }
    double dpiX = 0, dpiY = 0;
    frame->GetResolution(&dpiX, &dpiY);
    m_xRes = dpiX > 0 ? (int)(dpiX + 0.5) : 96;
    m_yRes = dpiY > 0 ? (int)(dpiY + 0.5) : 96;
    if (info) {
        info->width = (int)width;
        info->height = (int)height;
        info->bitsPerPixel = BitsOf(factory.Get(), sourceFormat);
        info->format = FormatCodeOf(container);
        info->xRes = dpiX > 0 ? (int)(dpiX + 0.5) : 0;
        info->yRes = dpiY > 0 ? (int)(dpiY + 0.5) : 0;
    }
    return 1;
}

int CDib::LoadFitted(const char* path, int maxWidth, int maxHeight, FILEINFO* info, KXLOADPROGRESS progress, void* user)
{
    Free();
    if (!path || !*path || maxWidth <= 0 || maxHeight <= 0)
        return 0;
    if (kximage::IsJpegFile(path))
        return LoadJpeg(path, maxWidth, maxHeight, info, progress, user);
    const int loaded = Load(path, 0, 1, nullptr, info);
    if (loaded != 1)
        return loaded;
    if (progress && !progress(m_height, m_height, user)) {
        Free();
        return -8;
    }
    const CSize fit = GetProporFitSize(m_width, m_height, maxWidth, maxHeight);
    if ((fit.cx != m_width || fit.cy != m_height) && !Resize(fit.cx, fit.cy, 2)) {
        Free();
        return -6;
    }
    return 1;
}

int CDib::SaveFile(const char* path, int format, int bitsPerPixel, int quality, int, void*, void*, void*)
{
    return Save(path, format, bitsPerPixel, quality);
}

namespace {

// Wine's WIC BMP encoder writes 24 bits when given 32-bit pixels, so 32-bit BMPs are written
// here: a BITMAPV5HEADER with BI_BITFIELDS and an alpha mask, which readers (WIC included) take
// as BGRA rather than as 24 bits with a padding byte.
bool WriteBmp32(const char* path, const BYTE* bits, int width, int height, int stride, int xRes, int yRes)
{
    const DWORD rowBytes = (DWORD)width * 4;
    const DWORD headerBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPV5HEADER);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;   // "BM"
    file.bfOffBits = headerBytes;
    file.bfSize = headerBytes + rowBytes * height;
    BITMAPV5HEADER info = {};
    info.bV5Size = sizeof info;
    info.bV5Width = width;
    info.bV5Height = height;   // bottom-up, the form every reader accepts
    info.bV5Planes = 1;
    info.bV5BitCount = 32;
    info.bV5Compression = BI_BITFIELDS;
    info.bV5SizeImage = rowBytes * height;
    info.bV5XPelsPerMeter = (LONG)(xRes * 10000.0 / 254.0 + 0.5);
    info.bV5YPelsPerMeter = (LONG)(yRes * 10000.0 / 254.0 + 0.5);
    info.bV5RedMask = 0x00FF0000;
    info.bV5GreenMask = 0x0000FF00;
    info.bV5BlueMask = 0x000000FF;
    info.bV5AlphaMask = 0xFF000000;
    info.bV5CSType = 0x73524742;   // LCS_sRGB, spelt out: the header's 'sRGB' is a multi-character constant
    info.bV5Intent = LCS_GM_IMAGES;

    kx::unique_hfile handle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(handle.get(), &file, sizeof file, &written, nullptr) && written == sizeof file &&
              WriteFile(handle.get(), &info, sizeof info, &written, nullptr) && written == sizeof info;
    for (int y = height - 1; ok && y >= 0; --y)
        ok = WriteFile(handle.get(), bits + (size_t)y * stride, rowBytes, &written, nullptr) && written == rowBytes;
    return ok;
}

// CMYK samples from 24- or 32-bit pixels by the plain complement rule (K = 255 - max(R, G, B)),
// with no colour profile.
// False when there is no memory for them.
bool ToCmyk(const CDib& dib, std::vector<BYTE>& cmyk)
{
    const int w = dib.GetWidth(), h = dib.GetHeight(), bpp = dib.GetBitsPerPixel() / 8;
    try {
        cmyk.resize((size_t)w * h * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return kximage::ParallelFor(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const BYTE* s = dib.GetBits() + (size_t)y * dib.GetStride();
            BYTE* d = &cmyk[(size_t)y * w * 4];
            for (int x = 0; x < w; ++x, s += bpp, d += 4) {
                const int b = s[0], g = s[1], r = s[2];
                const int mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
                const int k = 255 - mx;
                d[0] = (BYTE)(mx ? ((mx - r) * 255 + mx / 2) / mx : 0);
                d[1] = (BYTE)(mx ? ((mx - g) * 255 + mx / 2) / mx : 0);
                d[2] = (BYTE)(mx ? ((mx - b) * 255 + mx / 2) / mx : 0);
                d[3] = (BYTE)k;
            }
        }
    });
}

// Wine's WIC TIFF encoder has no CMYK pixel format, so CMYK TIFFs are written here: one
// uncompressed strip of 8-bit C, M, Y, K samples (photometric "separated", ink set CMYK).
bool WriteCmykTiff(const char* path, const std::vector<BYTE>& cmyk, int width, int height, int xRes, int yRes)
{
    struct Entry { WORD tag, type; DWORD count, value; };
    const WORD SHORT = 3, LONG = 4, RATIONAL = 5;
    const DWORD entries = 14;
    const DWORD ifdOffset = 8, ifdBytes = 2 + entries * 12 + 4;
    const DWORD bitsOffset = ifdOffset + ifdBytes, resOffset = bitsOffset + 8, dataOffset = resOffset + 16;
    const Entry ifd[entries] = {
        {256, LONG, 1, (DWORD)width}, {257, LONG, 1, (DWORD)height},
        {258, SHORT, 4, bitsOffset}, {259, SHORT, 1, 1}, {262, SHORT, 1, 5},
        {273, LONG, 1, dataOffset}, {277, SHORT, 1, 4}, {278, LONG, 1, (DWORD)height},
        {279, LONG, 1, (DWORD)cmyk.size()}, {282, RATIONAL, 1, resOffset}, {283, RATIONAL, 1, resOffset + 8},
        {284, SHORT, 1, 1}, {296, SHORT, 1, 2}, {332, SHORT, 1, 1},
    };
    std::string file("II*\0", 4);
    file.append((const char*)&ifdOffset, 4);
    WORD count = (WORD)entries;
    file.append((const char*)&count, 2);
    for (const Entry& e : ifd) {
        file.append((const char*)&e.tag, 2);
        file.append((const char*)&e.type, 2);
        file.append((const char*)&e.count, 4);
        file.append((const char*)&e.value, 4);   // SHORT values sit in the low half, little-endian
    }
    const DWORD next = 0;
    file.append((const char*)&next, 4);
    const WORD bits[4] = {8, 8, 8, 8};
    file.append((const char*)bits, 8);
    const DWORD resolution[4] = {(DWORD)xRes, 1, (DWORD)yRes, 1};
    file.append((const char*)resolution, 16);
    kx::unique_hfile handle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return false;
    DWORD written = 0;
    return WriteFile(handle.get(), file.data(), (DWORD)file.size(), &written, nullptr) && written == file.size() &&
           WriteFile(handle.get(), cmyk.data(), (DWORD)cmyk.size(), &written, nullptr) && written == cmyk.size();
}

} // namespace

int CDib::Save(const char* path, int format, int bitsPerPixel, int quality)
{
    Flush();
    if (!IsValid() || !path || !*path)
        return 0;
    const bool want32 = bitsPerPixel == 32;
    if (format == KXFMT_TIFF_CMYK) {
        std::vector<BYTE> cmyk;
        return ToCmyk(*this, cmyk) && WriteCmykTiff(path, cmyk, m_width, m_height, m_xRes, m_yRes) ? 1 : 0;
    }
    if (format == KXFMT_BMP && want32) {
        if (m_bitsPerPixel == 32)
            return WriteBmp32(path, m_bits, m_width, m_height, m_stride, m_xRes, m_yRes) ? 1 : 0;
        CDib expanded;
        if (!expanded.Create(m_width, m_height, 32))
            return 0;
        for (int y = 0; y < m_height; ++y) {
            const BYTE* s = m_bits + (size_t)y * m_stride;
            BYTE* d = expanded.m_bits + (size_t)y * expanded.m_stride;
            for (int x = 0; x < m_width; ++x, s += 3, d += 4) {
                d[0] = s[0]; d[1] = s[1]; d[2] = s[2]; d[3] = 255;
            }
        }
        return WriteBmp32(path, expanded.m_bits, m_width, m_height, expanded.m_stride, m_xRes, m_yRes) ? 1 : 0;
    }

    if (format == KXFMT_JPEG)
        return SaveJpeg(path, quality);
    const GUID* container;
    switch (format) {
    case KXFMT_BMP: container = &GUID_ContainerFormatBmp; break;
    case KXFMT_TIFF: container = &GUID_ContainerFormatTiff; break;
    case KXFMT_PNG: container = &GUID_ContainerFormatPng; break;
    default: return 0;
    }
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CreateFactory(factory)))
        return 0;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromFilename(AfxToWide(path).c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(*container, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, &options)))
        return 0;
    if (format == KXFMT_TIFF) {
        WriteOption(options.Get(), L"TiffCompressionMethod", VT_UI1, 0, WICTiffCompressionNone);
    }
    if (FAILED(frame->Initialize(options.Get())) || FAILED(frame->SetSize(m_width, m_height)) ||
        FAILED(frame->SetResolution(m_xRes, m_yRes)))
        return 0;

    {
        const bool write32 = want32;
        WICPixelFormatGUID pixelFormat = write32 ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
        const WICPixelFormatGUID wanted = pixelFormat;
        if (FAILED(frame->SetPixelFormat(&pixelFormat)) || pixelFormat != wanted)
            return 0;
        if (m_bitsPerPixel == (write32 ? 32 : 24)) {
            if (FAILED(frame->WritePixels(m_height, m_stride, (UINT)((size_t)m_stride * m_height), m_bits)))
                return 0;
        } else {
            // Depth change: through a WIC bitmap on our pixels and a converter.
            ComPtr<IWICBitmap> bitmap;
            ComPtr<IWICFormatConverter> converter;
            const GUID& ours = m_bitsPerPixel == 32 ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
            if (FAILED(factory->CreateBitmapFromMemory(m_width, m_height, ours, m_stride,
                                                       (UINT)((size_t)m_stride * m_height), m_bits, &bitmap)) ||
                FAILED(factory->CreateFormatConverter(&converter)) ||
                FAILED(converter->Initialize(bitmap.Get(), wanted, WICBitmapDitherTypeNone, nullptr, 0,
                                             WICBitmapPaletteTypeCustom)) ||
                FAILED(frame->WriteSource(converter.Get(), nullptr)))
                return 0;
        }
    }
    if (FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return 0;
    return 1;
}
