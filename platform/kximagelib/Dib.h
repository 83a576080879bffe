// CDib: one raster picture in memory (8 bits a channel, BGR or BGRA, top-down rows) with its
// resolution, picture files (JPEG through libjpeg-turbo, the others through the Windows Imaging
// Component), and the pixel operations the dialogs apply.
//
// How to use it:
//   1) Load a file (Load(path)) or a packed DIB (Load(HGLOBAL)), or Create an empty picture.
//   2) Apply operations in place; each returns FALSE only for an invalid picture or argument.
//   3) Save (Save or SaveFile) with a format code and a bit depth, or CopyToHandle for the clipboard.
//
// Every operation leaves the alpha channel of a 32-bit picture as it is. Every operation given
// its neutral amount (0, gamma 100, identity levels or matrix) leaves the pixels bit for bit.
#pragma once
#include "kximagelib.h"
#include <afxwin.h>

// Format codes of Save, SaveFile and FILEINFO::format.
enum
{
    KXFMT_TIFF = 3,        // uncompressed TIFF, 24 or 32 bits (BGRA)
    KXFMT_BMP = 6,         // BI_RGB bitmap, 24 or 32 bits
    KXFMT_JPEG = 10,       // baseline JPEG, 24 bits (32 is written as 24: JPEG has no alpha)
    KXFMT_GIF = 12,        // read only
    KXFMT_PNG = 75,        // PNG, 24 or 32 bits (BGRA)
    KXFMT_TIFF_CMYK = 85,  // uncompressed TIFF with 8-bit C, M, Y, K samples, whatever depth is asked
};

// Pictures with more pixels than this, or a side longer than KXIMAGE_MAX_SIDE, are refused before
// any pixel memory is allocated, so a damaged or hostile header cannot ask for gigabytes.
const long long KXIMAGE_MAX_PIXELS = 200LL * 1000 * 1000;
const int KXIMAGE_MAX_SIDE = 65535;

// Told how a load goes, on the thread that loads: the rows decoded so far of the rows to decode.
// A window that must stay responsive while a large picture loads works off its messages here.
// Returning FALSE stops the load. An exception thrown here stops the load and then reaches the
// caller of the load, the decoder's memory released first.
typedef BOOL (*KXLOADPROGRESS)(int done, int total, void* user);

// What Load found in a file.
struct FILEINFO
{
    int width;          // as the picture shows: upright for a JPEG with a camera's orientation
    int height;
    int bitsPerPixel;   // of the file's pixels (1, 8, 24, 32, ...; 8 for a grey JPEG, 32 for CMYK)
    int format;         // KXFMT_...
    int xRes;           // dots per inch, 0 when the file stores none
    int yRes;
};

// What one input channel contributes to each output channel (see BalanceColors).
struct tagBALANCING
{
    double toRed, toGreen, toBlue;
};

class KXIMAGE_API CDib
{
public:
    // ---- Construction --------------------------------------------------------------------
    CDib();                              // empty and invalid
    CDib(const CDib& src);               // deep copy
    CDib& operator=(const CDib& src);    // deep copy; later changes to either leave the other;
                                         // invalid when there was no memory for the pixels
    // Deep copy that tells: FALSE, with this picture as it was, when there is no memory for the
    // pixels. A copy of an invalid picture is an invalid picture, and TRUE.
    BOOL Copy(const CDib& src);
    // Exchanges the two pictures (pixels, size, depth, resolution and queued colour operations)
    // without copying pixels.
    void Swap(CDib& other) noexcept;
    virtual ~CDib();

    // Releases the pixels; the picture is invalid afterwards.
    void Free();
    // An uninitialised picture of the size; bitsPerPixel 24 or 32. The resolution becomes 96 dpi.
    BOOL Create(int width, int height, int bitsPerPixel);

    // ---- Attributes ----------------------------------------------------------------------
    BOOL IsValid() const;
    int GetWidth() const;
    int GetHeight() const;
    int GetBitsPerPixel() const;         // 24 or 32, 0 when invalid
    int GetStride() const;               // bytes a row: width * 3 or 4 rounded up to 4, as in a DIB
    BYTE* GetBits();                     // row 0 is the top row
    const BYTE* GetBits() const;
    BYTE* GetLine(int y);
    const BYTE* GetLine(int y) const;

    void SetXRes(int dpi);               // stored with the picture and written by the next save
    void SetYRes(int dpi);
    int GetXRes() const;
    int GetYRes() const;

    // ---- Files ---------------------------------------------------------------------------
    // Loads a JPEG, PNG, TIFF, BMP or GIF file (the first frame), recognised by its content. The
    // size in the header is checked against KXIMAGE_MAX_PIXELS before the decoder runs. Pictures
    // with alpha become 32 bits, all others 24. Returns 1 on success; on failure returns 0 or a
    // negative code (-2 unreadable, -3 damaged, -4 too large, -5 a kind not read, -6 no memory)
    // and the picture is invalid. The second, third and fourth arguments are ignored (callers pass
    // 0, 1, nullptr). info, when given, receives what was found in the file.
    // JPEG: baseline, progressive and arithmetic-coded files; grey ones widened to BGR; CMYK and
    // YCCK ones (Adobe's inverted samples included) turned into RGB without a colour profile,
    // R = (255 - C) * (255 - K) / 255; the EXIF orientation applied, so a portrait photograph
    // loads upright; the resolution from the JFIF density, else from EXIF. Damaged or cut-short
    // data fails rather than loading partly grey.
    int Load(const char* path, int = 0, int = 1, void* loadOptions = nullptr, FILEINFO* info = nullptr);
    // Loads the picture reduced to fit within maxWidth x maxHeight with its proportions kept and
    // never enlarged, resampled as Resize mode 2 does: for thumbnails and view-sized previews. A
    // JPEG is decoded directly at 1/2, 1/4 or 1/8 of its size where that still covers the fitted
    // size, several times faster than in full; other files are read in full, then reduced.
    // Returns as Load; info receives the file's own (upright) size.
    // progress, when given, is told after every band of 16 decoded rows of a JPEG decoded from
    // its start, and once when the picture is decoded otherwise (a JPEG decoded in parallel
    // strips, the other formats). When it returns FALSE the load stops and returns -8, the
    // picture invalid.
    int LoadFitted(const char* path, int maxWidth, int maxHeight, FILEINFO* info = nullptr,
                   KXLOADPROGRESS progress = nullptr, void* user = nullptr);
    // Loads a packed DIB (BITMAPINFOHEADER or V4/V5 header, optional colour table, pixels), the
    // clipboard's CF_DIB format: 8-bit palette, 24-bit, 32-bit BI_RGB or BI_BITFIELDS, bottom-up
    // or top-down. The handle stays the caller's.
    int Load(HGLOBAL hPackedDib, int = 0, int = 1, void* = nullptr, FILEINFO* info = nullptr);
    // A packed DIB (BITMAPINFOHEADER, bottom-up, BI_RGB, the picture's depth and resolution);
    // the caller owns it (GlobalFree or the clipboard). nullptr when invalid or out of memory.
    HGLOBAL CopyToHandle() const;

    // True when the file name ends in an extension Load reads (.jpg .jpeg .jpe .jfif .png .tif
    // .tiff .bmp .dib .gif), whatever the case.
    static BOOL IsImageExt(const char* fileName);

    // Writes the picture with its resolution. format: KXFMT_... ; bitsPerPixel 24 or 32 (other
    // depths are written as 24). quality is a compression factor from 2 (best) to 255 (worst);
    // it matters only for JPEG, where it is libjpeg quality 95 down to 10, linearly (17 is 90).
    // From quality 90 up the colour is kept at full resolution (4:4:4), below it at half
    // resolution both ways (4:2:0), the choice libvips and ImageMagick make too. JPEGs carry a
    // restart marker after every row of blocks, so they are written and read in parallel strips.
    // KXFMT_TIFF_CMYK converts by the complement rule (K = 255 - max(R, G, B)) without a colour
    // profile. Returns 1 on success, 0 on failure (a JPEG that cannot be written completely is
    // removed, never left cut short).
    int Save(const char* path, int format, int bitsPerPixel, int quality = 2);
    // As Save, with quality the fourth argument. The fifth argument, the progress callback, its
    // user value and the save options are not used: the save is synchronous and has no options.
    int SaveFile(const char* path, int format, int bitsPerPixel, int quality, int,
                 void* callback = nullptr, void* user = nullptr, void* saveOptions = nullptr);

    // ---- Geometry ------------------------------------------------------------------------
    // Resampling modes: 0 nearest neighbour; 1 bilinear (area-averaging when reducing);
    // 2 high quality: Lanczos-3, with an exact box pre-reduction by whole factors when reducing
    // by more than two, so every source pixel contributes. Any other mode acts as 1.
    // Modes 1 and 2 filter the rows into an 8-bit intermediate picture, then its columns, with
    // 14-bit fixed-point weights that sum to exactly one: each byte is within 1 of the same filter
    // in double precision, flat colour stays exact, and the box means (total + n / 2) / n of the
    // n bytes of a block are exact. At 32 bits alpha is resampled like the colours.
    BOOL Resize(int width, int height, int mode);
    // This picture becomes src resampled to width x height (src may be this picture); the
    // resolution is taken from src.
    BOOL Resize(const CDib& src, int width, int height, int mode);
    // Rotates clockwise (as seen on screen) by angle / 100 degrees. Quarter turns are exact and
    // lossless and swap width and height, whatever the flags. Other angles: flag 1 enlarges the
    // canvas to hold the whole turned picture (else the size is kept and corners are cut), flag
    // 4 interpolates bilinearly (else nearest pixel); uncovered pixels take the fill colour.
    BOOL Rotate(int angleHundredths, int flags = 5, COLORREF fill = RGB(255, 255, 255));

    // ---- Colour operations ---------------------------------------------------------------
    // Amounts are clamped to -1000..1000 unless stated otherwise; results are rounded to the
    // nearest integer and clamped to 0..255.

    // Adds amount * 255 / 1000 to R, G and B: -1000 makes black, 1000 white.
    BOOL ChangeBrightness(int amount);
    // Scales R, G, B around 128: by (1000 + amount) / 1000 for negative amounts (-1000 gives flat
    // 128), by 1000 / (1000 - amount) for positive ones (500 doubles; 1000 thresholds at 128).
    BOOL ChangeContrast(int amount);
    // Scales each channel's distance from the pixel's luma Y = 0.299 R + 0.587 G + 0.114 B by
    // (1000 + amount) / 1000: -1000 gives grey, 1000 doubles the colourfulness.
    BOOL ChangeSaturation(int amount);
    // Turns the hue (HSV) by degrees (any value; positive goes red -> yellow -> green), keeping
    // each pixel's value and saturation.
    BOOL ChangeHue(int degrees);
    // Moves R, G, B towards the luma (0.299 R + 0.587 G + 0.114 B) by amount percent (0..100;
    // 100 is fully grey). The picture keeps its layout: grey is written into all three channels.
    // bits is the grey depth: 8 (256 levels); any other value 1..7 posterises to 2^bits levels.
    BOOL GrayScale(int amount, int bits);
    // out = 255 * (in / 255) ^ (100 / hundredths) on R, G, B: 100 changes nothing, 200 brightens
    // mid-tones, 50 darkens them. 0 is refused.
    BOOL ChangeGamma(UINT hundredths);
    // Maps inLow..inHigh onto outLow..outHigh with the given gamma on the curve in between
    // (values outside inLow..inHigh are clamped to it first). outLow > outHigh inverts.
    // channel: 0 R, G and B; 1 red; 2 green; 3 blue. The identity (0, 255, 0, 255, 1.0)
    // changes nothing.
    BOOL RemapLevel(int channel, short inLow, short inHigh, short outLow, short outHigh, double gamma);
    // A colour matrix: record k is what input channel k (red, green, blue) contributes to each
    // output channel, so outR = red.toRed * R + green.toRed * G + blue.toRed * B and so on.
    // The records (1 + r/256, -r/512, -r/512), (0, 1, 0), (0, 0, 1) tint a grey red for r > 0.
    BOOL BalanceColors(const tagBALANCING* red, const tagBALANCING* green, const tagBALANCING* blue);
    // Per-hue adjustment with three tables of seven amounts (-100..100 each): entry 0 applies to
    // every colour, entries 1..6 to the red, green, blue, yellow, cyan and magenta hue ranges,
    // each with a weight falling linearly from 1 at its centre hue to 0 at 60 degrees away (so
    // neighbouring ranges share the hues between them; greys have no hue and only take entry 0).
    //   hue7: turns the hue by amount * 1.8 degrees (100 = 180 degrees);
    //   saturation7: as ChangeSaturation with amount * 10;
    //   lightness7: moves towards white (positive) or black (negative) by amount percent.
    // The effective amount of a pixel is entry 0 plus the weighted range entries; null tables
    // count as zeros.
    BOOL ChangeBitmapSaturation(const int* hue7, const int* saturation7, const int* lightness7);
    // Unsharp mask with a 3 x 3 binomial blur B: out = in + amount / 1000 * (in - B(in)).
    // 1000 adds the full difference; negative amounts blur (-1000 gives B itself). Edges repeat
    // the border pixels.
    BOOL ChangeSharp(int amount);

    // ---- Display -------------------------------------------------------------------------
    // Draws the picture stretched into dest, resampled with mode 2 when reduced and mode 1 when
    // enlarged, so views never show the artefacts of a nearest-neighbour stretch.
    void Draw(HDC hdc, const RECT& dest) const;

protected:
    // Applies the point operations queued by the colour operations. Consecutive colour
    // operations are queued and run in one pass over the pixels when the pixels are next read
    // (any accessor, save, copy, geometry or neighbourhood operation), with results identical to
    // running them one by one.
    void Flush() const;
    // Turns and mirrors the picture from how a camera stored it to upright, by the EXIF
    // orientation (1 as stored, 2 mirrored, 3 half turn, 4 flipped, 5 transposed, 6 a quarter
    // turn clockwise, 7 transposed the other way, 8 a quarter turn counter-clockwise). Exact;
    // 5 to 8 swap width, height and the two resolutions.
    BOOL ApplyOrientation(int orientation);
    // JPEG files through libjpeg-turbo (DibJpeg.cpp). maxWidth and maxHeight 0 load at full size.
    int LoadJpeg(const char* path, int maxWidth, int maxHeight, FILEINFO* info, KXLOADPROGRESS progress = nullptr,
                 void* user = nullptr);
    int SaveJpeg(const char* path, int quality) const;
    // Takes over a pixel buffer made by AllocatePixels.
    void Adopt(BYTE* bits, int width, int height, int bitsPerPixel);
    // Takes the pixels and resolution of other, which is left empty.
    void TakeOver(CDib& other);
    static BYTE* AllocatePixels(int width, int height, int bitsPerPixel);
    static int StrideFor(int width, int bitsPerPixel);

private:
    friend struct CDibAccess;
    BYTE* m_bits;
    int m_width;
    int m_height;
    int m_bitsPerPixel;
    int m_stride;
    int m_xRes;
    int m_yRes;
    mutable struct CPointOps* m_pending;   // queued colour operations, null when none
};
