// CDib JPEG files through libjpeg-turbo: reading at full or reduced size with the EXIF orientation
// and the resolution, and writing with the quality factor. Both run in parallel strips where the
// file's restart markers allow it: a JPEG's entropy-coded data can only be decoded from its
// start or from a restart marker, and the files written here carry one after every row of blocks.
#include "Dib.h"
#include "ImageCore.h"
#include "JpegCodec.h"
#include <Geometry.h>
#include <kxraii.h>
#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <string.h>
#include <vector>

using namespace kximage;

namespace {

// More scans than any encoder writes; hostile files use thousands to make decoding crawl.
const int MAX_SCANS = 100;
// libjpeg takes sizes as 32-bit values on Windows; no real JPEG comes near this.
const unsigned long long MAX_FILE_BYTES = 1ull << 30;
// Below this many pixels a strip does not pay for its own decoder.
const long long MIN_STRIP_PIXELS = 65536;

inline unsigned BigEndian16(const BYTE* p) { return (p[0] << 8) | p[1]; }

// The whole file in memory: the decoder, the marker walk and the strips all read from it.
class CJpegFile
{
public:
    // 1, -2 when the file cannot be read, -4 when it is beyond any picture this library loads.
    int Read(const char* path)
    {
        kx::unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        LARGE_INTEGER size;
        if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0)
            return -2;
        if ((unsigned long long)size.QuadPart > MAX_FILE_BYTES)
            return -4;
        m_size = (size_t)size.QuadPart;
        DWORD got = 0;
        if (!m_data.Grow(m_size, 0) || !ReadFile(file.get(), m_data.Data(), (DWORD)m_size, &got, nullptr) || got != m_size)
            return -2;
        return 1;
    }
    const BYTE* Data() const { return m_data.Data(); }
    size_t Size() const { return m_size; }
    KxJpegPiece Whole() const { return KxJpegPiece{Data(), Size()}; }

private:
    CWorkBuffer m_data{0};
    size_t m_size = 0;
};

// Where the parts the strips need lie in a JPEG stream; found by walking its markers.
struct JpegMarkers
{
    size_t frame = 0;       // the SOFn marker
    size_t scan = 0;        // the first SOS marker
    size_t scanData = 0;    // the entropy-coded data after it
    const BYTE* exif = nullptr;   // the TIFF structure of an APP1 "Exif" marker
    size_t exifSize = 0;
};

bool FindMarkers(const BYTE* data, size_t size, JpegMarkers& found)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            return false;
        const BYTE code = data[at + 1];
        if (code == 0xFF) {   // fill byte
            ++at;
            continue;
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {   // markers without a length
            at += 2;
            continue;
        }
        const size_t length = BigEndian16(data + at + 2);
        if (length < 2 || at + 2 + length > size)
            return false;
        const BYTE* payload = data + at + 4;
        if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC && !found.frame) {
            found.frame = at;
        } else if (code == 0xE1 && length >= 2 + 6 + 8 && memcmp(payload, "Exif\0\0", 6) == 0 && !found.exif) {
            found.exif = payload + 6;
            found.exifSize = length - 2 - 6;
        } else if (code == 0xDA) {
            found.scan = at;
            found.scanData = at + 2 + length;
            return found.frame != 0;
        }
        at += 2 + length;
    }
    return false;
}

// What the EXIF block of a camera's file says about showing the picture.
struct ExifFacts
{
    int orientation = 1;
    int xDpi = 0, yDpi = 0;   // 0 when it says nothing
};

ExifFacts ReadExif(const BYTE* tiff, size_t size)
{
    ExifFacts facts;
    if (!tiff || size < 8)
        return facts;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return facts;
    auto u16 = [&](size_t at) -> unsigned {
        return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
    };
    auto u32 = [&](size_t at) -> unsigned {
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    if (u16(2) != 42)
        return facts;
    const size_t ifd = u32(4);
    if (ifd < 8 || ifd + 2 > size)
        return facts;
    const size_t entries = std::min<size_t>(u16(ifd), (size - ifd - 2) / 12);
    double xRes = 0, yRes = 0;
    unsigned unit = 2;   // inches, the standard's default
    auto rational = [&](size_t entry) -> double {
        const size_t at = u32(entry + 8);
        if (u16(entry + 2) != 5 || at < 8 || at + 8 > size || u32(at + 4) == 0)
            return 0;
        return (double)u32(at) / u32(at + 4);
    };
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = ifd + 2 + i * 12;
        switch (u16(entry)) {
        case 0x0112:   // Orientation, a SHORT
            if (u16(entry + 2) == 3 && u16(entry + 8) >= 1 && u16(entry + 8) <= 8)
                facts.orientation = (int)u16(entry + 8);
            break;
        case 0x011A: xRes = rational(entry); break;
        case 0x011B: yRes = rational(entry); break;
        case 0x0128:   // ResolutionUnit: 1 none, 2 inch, 3 centimetre
            if (u16(entry + 2) == 3)
                unit = u16(entry + 8);
            break;
        }
    }
    const double perInch = unit == 2 ? 1 : unit == 3 ? 2.54 : 0;
    if (xRes * perInch >= 1 && yRes * perInch >= 1 && xRes * perInch < 65536 && yRes * perInch < 65536) {
        facts.xDpi = (int)std::lround(xRes * perInch);
        facts.yDpi = (int)std::lround(yRes * perInch);
    }
    return facts;
}

int LoadResultOf(int jpegResult)
{
    switch (jpegResult) {
    case KXJPEG_OK: return 1;
    case KXJPEG_UNSUPPORTED: return -5;
    case KXJPEG_NO_MEMORY: return -6;
    case KXJPEG_STOPPED: return -8;
    default: return -3;
    }
}

// The entropy-coded data of a scan cut at its restart markers; segment i lies between marker i - 1
// and marker i, the markers themselves left out.
struct Segments
{
    std::vector<size_t> begin, end;
};

bool SplitAtRestarts(const BYTE* data, size_t size, size_t start, Segments& segments)
{
    size_t from = start, at = start;
    for (;;) {
        const BYTE* hit = at < size ? (const BYTE*)memchr(data + at, 0xFF, size - at) : nullptr;
        if (!hit || hit + 1 >= data + size)
            return false;   // no marker ends the scan: left to the sequential decoder to judge
        at = hit - data;
        const BYTE next = data[at + 1];
        if (next == 0x00) {          // a stuffed data byte
            at += 2;
        } else if (next == 0xFF) {   // a fill byte before a marker
            at += 1;
        } else {
            segments.begin.push_back(from);
            segments.end.push_back(at);
            if (next < 0xD0 || next > 0xD7)
                return true;         // the marker after the scan
            at += 2;
            from = at;
        }
    }
}

// A stream of its own for the rows of restart intervals first..last - 1, in pieces of the file:
// its headers with the frame height of those rows, their data with restart markers numbered from
// 0 between them, an end marker.
struct CStripStream
{
    BYTE height[2];
    std::vector<KxJpegPiece> pieces;

    CStripStream(const BYTE* data, const JpegMarkers& markers, const Segments& segments, int first, int last, int rows)
    {
        static const BYTE restart[8][2] = {{0xFF, 0xD0}, {0xFF, 0xD1}, {0xFF, 0xD2}, {0xFF, 0xD3},
                                           {0xFF, 0xD4}, {0xFF, 0xD5}, {0xFF, 0xD6}, {0xFF, 0xD7}};
        static const BYTE end[2] = {0xFF, 0xD9};
        height[0] = (BYTE)(rows >> 8);
        height[1] = (BYTE)rows;
        // The frame header's height is at bytes 5 and 6 of its marker.
        pieces.reserve(3 + 2 * (last - first));
        pieces.push_back({data, markers.frame + 5});
        pieces.push_back({height, 2});
        pieces.push_back({data + markers.frame + 7, markers.scanData - markers.frame - 7});
        for (int i = first; i < last; ++i) {
            pieces.push_back({data + segments.begin[i], segments.end[i] - segments.begin[i]});
            pieces.push_back({i + 1 < last ? restart[(i - first) & 7] : end, 2});
        }
    }
};

// Decodes a file whose restart intervals are whole rows of blocks in parallel strips into the
// picture's rows. Returns false when the file is not of that kind or a strip fails; the caller
// then decodes it from the start, which also judges damaged data.
bool DecodeInStrips(const CJpegFile& file, const KxJpegHeader& header, const JpegMarkers& markers, int denom,
                    BYTE* bits, int stride, int height)
{
    if (header.progressive || header.arithmetic || header.restartInterval <= 0)
        return false;
    // A single scan holding every component: the strips cut that scan.
    if (file.Data()[markers.scan + 4] != header.components)
        return false;
    const int mcusPerRow = (header.width + header.mcuWidth - 1) / header.mcuWidth;
    const int mcuRows = (header.height + header.mcuHeight - 1) / header.mcuHeight;
    if (header.restartInterval % mcusPerRow != 0)
        return false;
    const int rowsPerInterval = header.restartInterval / mcusPerRow;
    const int intervals = (mcuRows + rowsPerInterval - 1) / rowsPerInterval;
    const long long pixels = (long long)header.width * header.height;
    const int strips = (int)std::min<long long>({intervals, 3LL * WorkerCount(), pixels / MIN_STRIP_PIXELS});
    if (strips < 2)
        return false;
    Segments segments;
    if (!SplitAtRestarts(file.Data(), file.Size(), markers.scanData, segments) || (int)segments.begin.size() != intervals)
        return false;
    // Colour upsampled from half height reads the chroma rows above and below each row, so a
    // strip also decodes one interval on each side and drops its rows: every kept row then comes
    // out exactly as from a decode of the whole file.
    const int context = header.components > 1 && header.mcuHeight > 8 ? 1 : 0;
    const int bandPixels = rowsPerInterval * header.mcuHeight;   // pixel rows of one interval
    std::vector<int> results(strips, KXJPEG_DAMAGED);
    if (!ParallelFor(strips, [&](int begin, int end) {
        for (int s = begin; s < end; ++s) {
            const int first = (int)((long long)intervals * s / strips), last = (int)((long long)intervals * (s + 1) / strips);
            const int from = std::max(0, first - context), to = std::min(intervals, last + context);
            const int top = from * bandPixels, bottom = std::min(header.height, to * bandPixels);
            // Scaled rows of the kept intervals; band starts scale exactly (mcuHeight / denom is whole).
            const int keepTop = first * bandPixels / denom;
            const int keepBottom = last == intervals ? height : last * bandPixels / denom;
            const KxJpegTarget target = {bits + (size_t)keepTop * stride, stride, (first - from) * bandPixels / denom,
                                         keepBottom - keepTop, nullptr, nullptr};
            try {
                const CStripStream stream(file.Data(), markers, segments, from, to, bottom - top);
                results[s] = KxJpegDecode(stream.pieces.data(), (int)stream.pieces.size(), denom, MAX_SCANS, &target);
            } catch (const std::bad_alloc&) {
                results[s] = KXJPEG_NO_MEMORY;
            }
        }
    }))
        return false;
    return std::all_of(results.begin(), results.end(), [](int r) { return r == KXJPEG_OK; });
}

// One strip's encoded stream, in kept working memory.
struct CEncodedStrip
{
    CWorkBuffer buffer;
    KxJpegOutput output;
    int result = KXJPEG_DAMAGED;

    // A first guess of a tenth of the raw size; the encoder grows it when that is not enough.
    explicit CEncodedStrip(size_t guess) : buffer(guess)
    {
        output = KxJpegOutput{buffer.Data(), buffer.Data() ? buffer.Capacity() : 0, Grow, this, 0};
    }
    CEncodedStrip(const CEncodedStrip&) = delete;
    CEncodedStrip& operator=(const CEncodedStrip&) = delete;

    static unsigned char* Grow(void* user, size_t needed, size_t keep, size_t* capacity)
    {
        CWorkBuffer& buffer = static_cast<CEncodedStrip*>(user)->buffer;
        if (!buffer.Grow(needed, keep))
            return nullptr;
        *capacity = buffer.Capacity();
        return buffer.Data();
    }
};

bool WriteAll(HANDLE file, const BYTE* bytes, size_t size)
{
    while (size > 0) {
        const DWORD chunk = (DWORD)std::min<size_t>(size, 1u << 30);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk)
            return false;
        bytes += chunk;
        size -= chunk;
    }
    return true;
}

} // namespace

namespace kximage {

bool IsJpegFile(const char* path)
{
    kx::unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    BYTE head[2];
    DWORD got = 0;
    return file.is_valid() && ReadFile(file.get(), head, 2, &got, nullptr) && got == 2 &&
           head[0] == 0xFF && head[1] == 0xD8;
}

} // namespace kximage

// The caller's progress callback behind the decoder's band callback: the decoder is C and must
// not be left by an exception, so one is kept here and thrown again once the decoder is gone.
struct CBandReport
{
    KXLOADPROGRESS progress;
    void* user;
    std::exception_ptr thrown;

    static int OnBand(void* self, int stored, int rows)
    {
        CBandReport& report = *static_cast<CBandReport*>(self);
        try {
            return report.progress(stored, rows, report.user) ? 1 : 0;
        } catch (...) {
            report.thrown = std::current_exception();
            return 0;
        }
    }
};

int CDib::LoadJpeg(const char* path, int maxWidth, int maxHeight, FILEINFO* info, KXLOADPROGRESS progress, void* user)
{
    Free();
    CJpegFile file;
    const int read = file.Read(path);
    if (read != 1)
        return read;
    KxJpegHeader header;
    const int headerResult = KxJpegReadHeader(file.Data(), file.Size(), &header);
    if (headerResult != KXJPEG_OK)
        return LoadResultOf(headerResult);
    // Refused before anything is decoded or allocated.
    if (header.width <= 0 || header.height <= 0)
        return -3;
    if (header.width > KXIMAGE_MAX_SIDE || header.height > KXIMAGE_MAX_SIDE ||
        (long long)header.width * header.height > KXIMAGE_MAX_PIXELS)
        return -4;
    JpegMarkers markers;
    if (!FindMarkers(file.Data(), file.Size(), markers))
        return -3;
    const ExifFacts exif = ReadExif(markers.exif, markers.exifSize);
    const bool turned = exif.orientation >= 5;
    const int uprightWidth = turned ? header.height : header.width;
    const int uprightHeight = turned ? header.width : header.height;

    // The smallest decoding scale whose picture still covers the fitted size.
    CSize fit(uprightWidth, uprightHeight);
    int denom = 1;
    if (maxWidth > 0 && maxHeight > 0) {
        fit = GetProporFitSize(uprightWidth, uprightHeight, maxWidth, maxHeight);
        for (int d : {8, 4, 2}) {
            int w, h;
            KxJpegScaledSize(&header, d, &w, &h);
            if ((turned ? h : w) >= fit.cx && (turned ? w : h) >= fit.cy) {
                denom = d;
                break;
            }
        }
    }
    int width, height;
    KxJpegScaledSize(&header, denom, &width, &height);
    BYTE* pixels = AllocatePixels(width, height, 24);
    if (!pixels)
        return -6;
    Adopt(pixels, width, height, 24);
    CBandReport report = {progress, user, nullptr};
    KxJpegTarget target = {m_bits, m_stride, 0, m_height, nullptr, nullptr};
    if (progress) {
        target.band = &CBandReport::OnBand;
        target.bandUser = &report;
    }
    // An eighth from the DC coefficients where the file allows, else libjpeg, in strips where the
    // restart markers allow.
    const int eighth = denom == 8 ? KxJpegDecodeEighth(file.Data(), file.Size(), &target) : KXJPEG_UNSUPPORTED;
    if (eighth != KXJPEG_UNSUPPORTED) {
        if (eighth != KXJPEG_OK) {
            Free();
            if (report.thrown)
                std::rethrow_exception(report.thrown);
            return LoadResultOf(eighth);
        }
    } else if (DecodeInStrips(file, header, markers, denom, m_bits, m_stride, m_height)) {
        if (progress && !progress(m_height, m_height, user)) {
            Free();
            return -8;
        }
    } else {
        const KxJpegPiece whole = file.Whole();
        const int decoded = KxJpegDecode(&whole, 1, denom, MAX_SCANS, &target);
        if (decoded != KXJPEG_OK) {
            Free();
            if (report.thrown)
                std::rethrow_exception(report.thrown);
            return LoadResultOf(decoded);
        }
    }

    // The JFIF density when it has a unit, else what the camera wrote in EXIF.
    int xDpi = 0, yDpi = 0;
    if (header.densityUnit == 1 || header.densityUnit == 2) {
        const double perInch = header.densityUnit == 1 ? 1 : 2.54;
        xDpi = (int)std::lround(header.xDensity * perInch);
        yDpi = (int)std::lround(header.yDensity * perInch);
    }
    if (xDpi <= 0 || yDpi <= 0) {
        xDpi = exif.xDpi;
        yDpi = exif.yDpi;
    }
    m_xRes = xDpi > 0 ? xDpi : 96;
    m_yRes = yDpi > 0 ? yDpi : 96;
    if (!ApplyOrientation(exif.orientation) ||
        ((fit.cx != m_width || fit.cy != m_height) && !Resize(fit.cx, fit.cy, 2))) {
        Free();
        return -6;
    }
    if (info) {
        info->width = uprightWidth;
        info->height = uprightHeight;
        info->bitsPerPixel = header.colour == KXJPEG_GREY ? 8 : header.components == 4 ? 32 : 24;
        info->format = KXFMT_JPEG;
        info->xRes = turned ? yDpi : xDpi;
        info->yRes = turned ? xDpi : yDpi;
    }
    return 1;
}

int CDib::SaveJpeg(const char* path, int quality) const
{
    const int factor = std::max(2, std::min(255, quality));
    KxJpegEncoding encoding = {};
    encoding.width = m_width;
    encoding.bytesPerPixel = m_bitsPerPixel / 8;
    encoding.quality = (int)std::lround(95 - (factor - 2) * 85.0 / 253);
    encoding.subsampleChroma = encoding.quality < 90;
    encoding.xDensity = std::max(1, std::min(65535, m_xRes));
    encoding.yDensity = std::max(1, std::min(65535, m_yRes));
    encoding.restartRows = 1;

    // Strips of a multiple of eight rows of blocks, so the restart markers inside each strip are
    // numbered as they are in the whole picture and the strips join with no byte changed.
    const int mcuHeight = KxJpegMcuHeight(encoding.subsampleChroma);
    const int mcuRows = (m_height + mcuHeight - 1) / mcuHeight;
    const long long pixels = (long long)m_width * m_height;
    int strips = (int)std::max<long long>(1, std::min<long long>({(mcuRows + 7) / 8, 3LL * WorkerCount(),
                                                                  pixels / MIN_STRIP_PIXELS}));
    const int stripRows = 8 * ((mcuRows + 8 * strips - 1) / (8 * strips));   // rows of blocks a strip
    strips = (mcuRows + stripRows - 1) / stripRows;
    std::vector<std::unique_ptr<CEncodedStrip>> parts;
    for (int s = 0; s < strips; ++s)
        parts.push_back(std::make_unique<CEncodedStrip>((size_t)m_stride * stripRows * mcuHeight / 10 + 4096));
    if (!ParallelFor(strips, [&](int begin, int end) {
            for (int s = begin; s < end; ++s) {
                KxJpegEncoding strip = encoding;
                const int top = s * stripRows * mcuHeight;
                strip.height = std::min(m_height, top + stripRows * mcuHeight) - top;
                parts[s]->result = KxJpegEncode(&strip, m_bits + (size_t)top * m_stride, m_stride, &parts[s]->output);
            }
        }))
        return 0;
    // Each strip is a complete stream: the first gives the headers, with the picture's height,
    // and every one its entropy-coded data.
    std::vector<JpegMarkers> layouts(strips);
    for (int s = 0; s < strips; ++s) {
        const KxJpegOutput& part = parts[s]->output;
        if (parts[s]->result != KXJPEG_OK || !FindMarkers(part.buffer, part.size, layouts[s]) || part.size < 2 ||
            part.buffer[part.size - 2] != 0xFF || part.buffer[part.size - 1] != 0xD9)
            return 0;
    }
    BYTE* header = parts[0]->output.buffer;
    header[layouts[0].frame + 5] = (BYTE)(m_height >> 8);
    header[layouts[0].frame + 6] = (BYTE)m_height;

    bool written;
    {
        kx::unique_hfile file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return 0;
        written = WriteAll(file.get(), header, layouts[0].scanData);
        for (int s = 0; s < strips && written; ++s) {
            const KxJpegOutput& part = parts[s]->output;
            written = WriteAll(file.get(), part.buffer + layouts[s].scanData, part.size - 2 - layouts[s].scanData);
            // The marker after the strip's last row of blocks, or the end of the picture.
            const int lastRow = std::min(mcuRows, (s + 1) * stripRows) - 1;
            const BYTE marker[2] = {0xFF, (BYTE)(s + 1 < strips ? 0xD0 + (lastRow & 7) : 0xD9)};
            written = written && WriteAll(file.get(), marker, 2);
        }
    }
    if (!written)
        DeleteFileA(path);
    return written ? 1 : 0;
}
