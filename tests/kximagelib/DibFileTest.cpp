// Picture files, packed DIBs and copies: what survives a save and a load, and what is refused.
#include "DibTestUtil.h"
#include <DrawDib.h>
#include <TestFolder.h>
#include <psapi.h>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct FormatCase
{
    int format;
    int bits;
    const char* name;
};

std::string Bytes(const TestFolder& folder, const char* name) { return folder.Read(name); }

SIZE_T PeakCommit()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

} // namespace

TEST(DibFile, LosslessFormatsKeepSizeDepthPixelsAndResolution)
{
    TestFolder folder;
    const FormatCase cases[] = {
        {KXFMT_BMP, 24, "a24.bmp"}, {KXFMT_BMP, 32, "a32.bmp"}, {KXFMT_TIFF, 24, "a24.tif"},
        {KXFMT_TIFF, 32, "a32.tif"}, {KXFMT_PNG, 24, "a24.png"}, {KXFMT_PNG, 32, "a32.png"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        // An odd width, so rows carry padding in memory.
        CDib original = Pattern(37, 23, c.bits);
        original.SetXRes(300);
        original.SetYRes(150);
        ASSERT_EQ(1, original.Save(folder.File(c.name), c.format, c.bits));
        CDib loaded;
        FILEINFO info = {};
        ASSERT_EQ(1, loaded.Load(folder.File(c.name), 0, 1, nullptr, &info));
        EXPECT_EQ(c.format, info.format);
        EXPECT_EQ(37, info.width);
        EXPECT_EQ(23, info.height);
        EXPECT_EQ(c.bits, loaded.GetBitsPerPixel());
        EXPECT_TRUE(SamePixels(original, loaded)) << "pixels changed";
        EXPECT_EQ(300, loaded.GetXRes());
        EXPECT_EQ(150, loaded.GetYRes());
        EXPECT_EQ(300, info.xRes);
    }
}

TEST(DibFile, JpegKeepsSizeAndResolutionAndPixelsClosely)
{
    TestFolder folder;
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        CDib original;
        original.Create(64, 48, bits);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                SetPixel(original, x, y, Rgb{x * 4, y * 5, 128});
        original.SetXRes(200);
        original.SetYRes(200);
        ASSERT_EQ(1, original.SaveFile(folder.File("p.jpg"), KXFMT_JPEG, bits, 2, 2));
        CDib loaded;
        FILEINFO info = {};
        ASSERT_EQ(1, loaded.Load(folder.File("p.jpg"), 0, 1, nullptr, &info));
        EXPECT_EQ(KXFMT_JPEG, info.format);
        ASSERT_EQ(64, loaded.GetWidth());
        ASSERT_EQ(48, loaded.GetHeight());
        EXPECT_EQ(24, loaded.GetBitsPerPixel());   // JPEG has no alpha
        EXPECT_EQ(200, loaded.GetXRes());
        double error = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                Rgb a = PixelAt(original, x, y), b = PixelAt(loaded, x, y);
                error += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
            }
        EXPECT_LT(error / (64 * 48 * 3), 2.0);
    }
}

TEST(DibFile, ThirtyTwoBitBmpSaysThirtyTwoBitsInItsHeader)
{
    TestFolder folder;
    CDib picture = Pattern(5, 3, 32);
    ASSERT_EQ(1, picture.Save(folder.File("a.bmp"), KXFMT_BMP, 32));
    std::string file = Bytes(folder, "a.bmp");
    ASSERT_GE(file.size(), 54u);
    BITMAPINFOHEADER header;
    memcpy(&header, file.data() + sizeof(BITMAPFILEHEADER), sizeof header);
    EXPECT_EQ(32, header.biBitCount);
    EXPECT_EQ(5, header.biWidth);
    EXPECT_EQ(sizeof(BITMAPFILEHEADER) + header.biSize + 5 * 4 * 3, file.size());
    // A 24-bit picture asked to be 32 bits is widened with opaque alpha.
    CDib rgb = Pattern(5, 3, 24);
    ASSERT_EQ(1, rgb.Save(folder.File("b.bmp"), KXFMT_BMP, 32));
    CDib loaded;
    ASSERT_EQ(1, loaded.Load(folder.File("b.bmp")));
    EXPECT_EQ(32, loaded.GetBitsPerPixel());
    EXPECT_EQ(PixelAt(rgb, 4, 2), PixelAt(loaded, 4, 2));
    EXPECT_EQ(255, loaded.GetLine(1)[3]);
}

TEST(DibFile, CmykTiffReadsBackAsTheSameColours)
{
    TestFolder folder;
    CDib picture;
    picture.Create(4, 1, 24);
    const Rgb colours[4] = {{255, 0, 0}, {0, 128, 255}, {40, 40, 40}, {250, 200, 100}};
    for (int x = 0; x < 4; ++x)
        SetPixel(picture, x, 0, colours[x]);
    ASSERT_EQ(1, picture.Save(folder.File("c.tif"), KXFMT_TIFF_CMYK, 24));
    CDib loaded;
    FILEINFO info = {};
    ASSERT_EQ(1, loaded.Load(folder.File("c.tif"), 0, 1, nullptr, &info));
    EXPECT_EQ(32, info.bitsPerPixel);
    for (int x = 0; x < 4; ++x) {
        Rgb got = PixelAt(loaded, x, 0);
        EXPECT_NEAR(colours[x].r, got.r, 2) << x;
        EXPECT_NEAR(colours[x].g, got.g, 2) << x;
        EXPECT_NEAR(colours[x].b, got.b, 2) << x;
    }
}

TEST(DibFile, DamagedFilesFailAndLeaveThePictureInvalid)
{
    TestFolder folder;
    CDib good = Pattern(200, 100, 24);
    ASSERT_EQ(1, good.Save(folder.File("good.jpg"), KXFMT_JPEG, 24));
    const std::string jpeg = Bytes(folder, "good.jpg");
    folder.Write("empty.jpg", "");
    folder.Write("text.jpg", "This is a text file, not a picture.\r\n");
    folder.Write("truncated.jpg", jpeg.substr(0, jpeg.size() / 2));
    folder.Write("header-only.jpg", jpeg.substr(0, 200));

    // A JPEG frame header claiming 60000 x 60000, the rest of the file unchanged.
    std::string huge = jpeg;
    size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(std::string::npos, sof);
    huge[sof + 5] = huge[sof + 7] = (char)0xEA;
    huge[sof + 6] = huge[sof + 8] = (char)0x60;
    folder.Write("huge.jpg", huge);

    // A BMP header claiming 100000 x 100000 at 24 bits, with a few pixels behind it.
    BITMAPFILEHEADER fileHeader = {};
    BITMAPINFOHEADER header = {};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + 64;
    header.biSize = sizeof header;
    header.biWidth = header.biHeight = 100000;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::string bmp((const char*)&fileHeader, sizeof fileHeader);
    bmp.append((const char*)&header, sizeof header);
    bmp.append(64, '\x7F');
    folder.Write("huge.bmp", bmp);

    const SIZE_T peakBefore = PeakCommit();
    for (const char* name : {"missing.jpg", "empty.jpg", "text.jpg", "truncated.jpg", "header-only.jpg",
                             "huge.jpg", "huge.bmp"}) {
        SCOPED_TRACE(name);
        CDib dib = Pattern(8, 8, 24);
        FILEINFO info = {};
        EXPECT_NE(1, dib.Load(folder.File(name), 0, 1, nullptr, &info));
        EXPECT_FALSE(dib.IsValid());
        EXPECT_EQ(nullptr, dib.GetBits());
    }
    EXPECT_LT(PeakCommit() - peakBefore, (SIZE_T)200 * 1024 * 1024) << "a refused picture was allocated";
}

TEST(DibFile, ImageExtensions)
{
    for (const char* name : {"a.jpg", "B.JPEG", "c.Png", "d.tif", "e.TIFF", "f.bmp", "g.gif", "x\\y.z\\h.jpe"})
        EXPECT_TRUE(CDib::IsImageExt(name)) << name;
    for (const char* name : {"a.txt", "jpg", "a.jpg.bak", "dir.jpg\\file", "", "a."})
        EXPECT_FALSE(CDib::IsImageExt(name)) << name;
    EXPECT_FALSE(CDib::IsImageExt(nullptr));
}

TEST(DibPackedDib, CopyToHandleAndLoadRoundTrip)
{
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        CDib original = Pattern(7, 5, bits);
        original.SetXRes(254);
        original.SetYRes(127);
        HGLOBAL handle = original.CopyToHandle();
        ASSERT_NE(nullptr, handle);
        {
            const BITMAPINFOHEADER* header = (const BITMAPINFOHEADER*)GlobalLock(handle);
            EXPECT_EQ(7, header->biWidth);
            EXPECT_EQ(5, header->biHeight);   // bottom-up, as the clipboard expects
            EXPECT_EQ(bits, header->biBitCount);
            EXPECT_EQ(10000, header->biXPelsPerMeter);
            // The first stored row is the bottom one.
            const BYTE* firstRow = (const BYTE*)(header + 1);
            EXPECT_EQ(0, memcmp(firstRow, original.GetLine(4), 7 * bits / 8));
            GlobalUnlock(handle);
        }
        CDib loaded;
        EXPECT_EQ(1, loaded.Load(handle));
        EXPECT_TRUE(SamePixels(original, loaded));
        EXPECT_EQ(254, loaded.GetXRes());
        EXPECT_EQ(127, loaded.GetYRes());
        GlobalFree(handle);
    }
}

TEST(DibPackedDib, PaletteTopDownAndDamagedHandles)
{
    // An 8-bit, top-down DIB of 3 x 2 with a two-colour palette.
    struct
    {
        BITMAPINFOHEADER header;
        RGBQUAD palette[2];
        BYTE rows[2][4];
    } dib = {};
    dib.header.biSize = sizeof dib.header;
    dib.header.biWidth = 3;
    dib.header.biHeight = -2;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 8;
    dib.header.biClrUsed = 2;
    dib.palette[1] = RGBQUAD{10, 20, 30, 0};
    dib.rows[0][2] = 1;
    dib.rows[1][0] = 1;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, sizeof dib);
    memcpy(GlobalLock(handle), &dib, sizeof dib);
    GlobalUnlock(handle);
    CDib loaded;
    ASSERT_EQ(1, loaded.Load(handle));
    EXPECT_EQ(24, loaded.GetBitsPerPixel());
    EXPECT_EQ((Rgb{30, 20, 10}), PixelAt(loaded, 2, 0));
    EXPECT_EQ((Rgb{0, 0, 0}), PixelAt(loaded, 0, 0));
    EXPECT_EQ((Rgb{30, 20, 10}), PixelAt(loaded, 0, 1));
    GlobalFree(handle);

    // The header promises more rows than the handle holds.
    dib.header.biHeight = 2000;
    HGLOBAL shortHandle = GlobalAlloc(GMEM_MOVEABLE, sizeof dib);
    memcpy(GlobalLock(shortHandle), &dib, sizeof dib);
    GlobalUnlock(shortHandle);
    EXPECT_NE(1, loaded.Load(shortHandle));
    EXPECT_FALSE(loaded.IsValid());
    GlobalFree(shortHandle);
    EXPECT_NE(1, loaded.Load((HGLOBAL) nullptr));
}

TEST(DibCopy, CopiesAreDeepAndIndependent)
{
    CDib source = Solid(4, 4, Rgb{10, 20, 30});
    source.SetXRes(72);
    CDib copy(source);
    CDib assigned;
    assigned = source;
    CDrawDib working;
    working = source;
    SetPixel(copy, 0, 0, Rgb{1, 1, 1});
    assigned.ChangeBrightness(1000);
    working.BrightProbaility(0, 30000);
    EXPECT_EQ((Rgb{10, 20, 30}), PixelAt(source, 0, 0));
    EXPECT_EQ((Rgb{10, 20, 30}), PixelAt(source, 3, 3));
    EXPECT_EQ((Rgb{1, 1, 1}), PixelAt(copy, 0, 0));
    EXPECT_EQ((Rgb{255, 255, 255}), PixelAt(assigned, 1, 1));
    EXPECT_EQ(72, copy.GetXRes());
    EXPECT_NE(source.GetBits(), working.GetBits());

    // Changes queued on the source before a copy are part of the copy.
    source.ChangeBrightness(-1000);
    CDib afterQueue = source;
    EXPECT_EQ((Rgb{0, 0, 0}), PixelAt(afterQueue, 2, 2));

    source.Free();
    EXPECT_FALSE(source.IsValid());
    EXPECT_EQ(0, source.GetWidth());
    EXPECT_TRUE(copy.IsValid());
    EXPECT_FALSE(source.ChangeBrightness(10));
    EXPECT_EQ(0, source.Save("unused.bmp", KXFMT_BMP, 24));
}

// Copy replaces the target only with a whole copy; a copy of an invalid picture is invalid.
TEST(DibCopy, CheckedCopyReplacesTheTargetWithAWholeCopy)
{
    const CDib source = Pattern(37, 23, 24);
    CDib target = Solid(8, 6, Rgb{10, 20, 30}, 32);
    ASSERT_TRUE(target.Copy(source));
    EXPECT_TRUE(SamePixels(source, target));
    EXPECT_EQ(24, target.GetBitsPerPixel());
    CDib empty;
    EXPECT_TRUE(target.Copy(empty));
    EXPECT_FALSE(target.IsValid());
}

// A swap exchanges whole pictures, the colour operations still queued on each going with it.
TEST(DibCopy, SwapExchangesPicturesWithTheirQueuedOperations)
{
    CDib a = Pattern(37, 23, 24);
    CDib b = Solid(8, 6, Rgb{10, 20, 30}, 32);
    a.SetXRes(300);
    const CDib aBefore(a);
    CDib brighter(b);
    ASSERT_TRUE(brighter.ChangeBrightness(40));
    ASSERT_TRUE(b.ChangeBrightness(40));   // queued, not yet applied
    a.Swap(b);
    EXPECT_EQ(8, a.GetWidth());
    EXPECT_EQ(32, a.GetBitsPerPixel());
    EXPECT_TRUE(SamePixels(brighter, a)) << "the queued brightening came along";
    EXPECT_TRUE(SamePixels(aBefore, b));
    EXPECT_EQ(300, b.GetXRes());
    CDib empty;
    b.Swap(empty);
    EXPECT_FALSE(b.IsValid());
    EXPECT_TRUE(SamePixels(aBefore, empty));
}
