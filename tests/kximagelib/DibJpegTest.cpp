// JPEG files through libjpeg-turbo: every kind a camera, scanner or print workflow writes, the
// orientation and resolution they record, what Save puts in the file, decoding in strips at the
// restart markers, reduced-size loading, and damaged files.
#include "DibTestUtil.h"
#include "JpegTestFiles.h"
#include <TestFolder.h>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

namespace {

// A smooth picture with some detail, like a photograph: what JPEG is made for. Its waves are
// about 150 pixels long times scale.
CDib Photo(int width, int height, double scale = 1)
{
    CDib dib;
    dib.Create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(dib, x, y,
                     Rgb{(int)(128 + 90 * std::sin((x / 23.0 + y / 41.0) / scale)),
                         (int)(128 + 90 * std::cos((x / 37.0 - y / 19.0) / scale)), x * 255 / width});
    return dib;
}

// Mean and largest difference of the colour bytes of two pictures of one size.
struct Difference
{
    double mean = 1e9;
    int largest = 255;
};

Difference Compare(const CDib& a, const CDib& b)
{
    Difference d;
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return d;
    long long total = 0;
    d.largest = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) {
            const Rgb p = PixelAt(a, x, y), q = PixelAt(b, x, y);
            for (int v : {p.r - q.r, p.g - q.g, p.b - q.b}) {
                total += std::abs(v);
                d.largest = std::max(d.largest, std::abs(v));
            }
        }
    d.mean = (double)total / ((double)a.GetWidth() * a.GetHeight() * 3);
    return d;
}

::testing::AssertionResult WriteJpeg(const CString& path, const TestJpegLayout& layout, const CDib& pixels)
{
    if (WriteTestJpeg(path, &layout, pixels.GetBits(), pixels.GetStride()) != 0)
        return ::testing::AssertionFailure() << "libjpeg could not write " << path.GetString();
    return ::testing::AssertionSuccess();
}

// The file decoded by plain libjpeg from its start, as a picture.
CDib ReferenceDecode(const std::string& file, int denom, int width, int height, int* warnings)
{
    CDib dib;
    dib.Create(width, height, 24);
    TestJpegFacts facts = {};
    if (InspectTestJpeg((const unsigned char*)file.data(), file.size(), denom, dib.GetBits(), dib.GetStride(), &facts) != 0)
        dib.Free();
    *warnings = facts.warnings;
    return dib;
}

// An EXIF block (the TIFF structure after "Exif\0\0") with an orientation and a resolution.
std::string Exif(int orientation, unsigned xRes, unsigned yRes, int unit, bool bigEndian = false)
{
    std::string t;
    auto u16 = [&](unsigned v) {
        const char b[2] = {(char)(bigEndian ? v >> 8 : v), (char)(bigEndian ? v : v >> 8)};
        t.append(b, 2);
    };
    auto u32 = [&](unsigned v) {
        if (bigEndian) { u16(v >> 16); u16(v & 0xFFFF); } else { u16(v & 0xFFFF); u16(v >> 16); }
    };
    t += bigEndian ? "MM" : "II";
    u16(42);
    u32(8);
    const unsigned entries = 4, values = 8 + 2 + entries * 12 + 4;
    u16(entries);
    u16(0x0112); u16(3); u32(1); u16(orientation); u16(0);
    u16(0x011A); u16(5); u32(1); u32(values);
    u16(0x011B); u16(5); u32(1); u32(values + 8);
    u16(0x0128); u16(3); u32(1); u16(unit); u16(0);
    u32(0);
    u32(xRes); u32(1);
    u32(yRes); u32(1);
    return t;
}

// Where upright pixel (x, y) lies in the picture as a camera stores it for an orientation, the
// stored picture being w x h.
POINT StoredPosition(int orientation, int x, int y, int w, int h)
{
    switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {y, h - 1 - x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return {x, y};
    }
}

// Four flat quarters of different colours: any turn or mirror shows.
const Rgb kQuarters[4] = {{230, 30, 30}, {30, 200, 40}, {40, 50, 220}, {240, 220, 40}};

Rgb QuarterColour(int x, int y, int w, int h) { return kQuarters[(x >= w / 2) + 2 * (y >= h / 2)]; }

int CountRestartMarkers(const std::string& file, std::vector<int>* numbers)
{
    int count = 0;
    for (size_t i = file.find("\xFF\xDA"); i + 1 < file.size(); ++i)
        if ((BYTE)file[i] == 0xFF && (BYTE)file[i + 1] >= 0xD0 && (BYTE)file[i + 1] <= 0xD7) {
            numbers->push_back((BYTE)file[i + 1] - 0xD0);
            ++count;
        }
    return count;
}

unsigned Be16(const std::string& s, size_t at) { return (BYTE)s[at] << 8 | (BYTE)s[at + 1]; }

} // namespace

TEST(DibJpeg, EveryKindOfJpegLoadsWithItsColours)
{
    TestFolder folder;
    const CDib photo = Photo(203, 141);   // odd sizes: partial blocks at the right and the bottom
    struct Case
    {
        const char* name;
        int colour, hSamp, vSamp, progressive, arithmetic, fileBits;
        double meanTolerance;
    } cases[] = {
        {"4:2:0", TESTJPEG_YCC, 2, 2, 0, 0, 24, 2.0},
        {"4:2:2", TESTJPEG_YCC, 2, 1, 0, 0, 24, 2.0},
        {"4:4:4", TESTJPEG_YCC, 1, 1, 0, 0, 24, 1.5},
        {"progressive", TESTJPEG_YCC, 2, 2, 1, 0, 24, 2.0},
        {"arithmetic", TESTJPEG_YCC, 2, 2, 0, 1, 24, 2.0},
        {"RGB", TESTJPEG_RGB, 1, 1, 0, 0, 24, 1.5},
        {"Adobe CMYK", TESTJPEG_CMYK, 1, 1, 0, 0, 32, 3.0},
        {"Adobe YCCK", TESTJPEG_YCCK, 1, 1, 0, 0, 32, 3.0},
        {"plain CMYK", TESTJPEG_CMYK_PLAIN, 1, 1, 0, 0, 32, 3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJpegLayout layout = TestJpegDefaults(photo.GetWidth(), photo.GetHeight());
        layout.colour = c.colour;
        layout.hSamp = c.hSamp;
        layout.vSamp = c.vSamp;
        layout.progressive = c.progressive;
        layout.arithmetic = c.arithmetic;
        layout.quality = 95;
        ASSERT_TRUE(WriteJpeg(folder.File("a.jpg"), layout, photo));
        CDib loaded;
        FILEINFO info = {};
        ASSERT_EQ(1, loaded.Load(folder.File("a.jpg"), 0, 1, nullptr, &info));
        EXPECT_EQ(KXFMT_JPEG, info.format);
        EXPECT_EQ(c.fileBits, info.bitsPerPixel);
        EXPECT_EQ(24, loaded.GetBitsPerPixel());
        const Difference d = Compare(photo, loaded);
        EXPECT_LT(d.mean, c.meanTolerance) << "largest difference " << d.largest;
        EXPECT_LT(d.largest, 48);
    }
}

TEST(DibJpeg, GreyJpegLoadsAsGreyInEveryChannel)
{
    TestFolder folder;
    const CDib photo = Photo(64, 40);
    TestJpegLayout layout = TestJpegDefaults(64, 40);
    layout.colour = TESTJPEG_GREY;
    layout.quality = 95;
    ASSERT_TRUE(WriteJpeg(folder.File("g.jpg"), layout, photo));
    CDib loaded;
    FILEINFO info = {};
    ASSERT_EQ(1, loaded.Load(folder.File("g.jpg"), 0, 1, nullptr, &info));
    EXPECT_EQ(8, info.bitsPerPixel);
    ASSERT_EQ(24, loaded.GetBitsPerPixel());
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x) {
            const Rgb p = PixelAt(loaded, x, y), s = PixelAt(photo, x, y);
            ASSERT_TRUE(p.r == p.g && p.g == p.b) << "(" << x << ", " << y << ") " << p;
            const int grey = (s.r * 299 + s.g * 587 + s.b * 114 + 500) / 1000;
            ASSERT_NEAR(grey, p.r, 6) << "(" << x << ", " << y << ")";
        }
}

TEST(DibJpeg, CameraOrientationLoadsUpright)
{
    TestFolder folder;
    const int W = 96, H = 64;   // upright: wider than high
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const bool turned = orientation >= 5;
        const int sw = turned ? H : W, sh = turned ? W : H;
        CDib stored;
        stored.Create(sw, sh, 24);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const POINT at = StoredPosition(orientation, x, y, sw, sh);
                SetPixel(stored, at.x, at.y, QuarterColour(x, y, W, H));
            }
        TestJpegLayout layout = TestJpegDefaults(sw, sh);
        layout.hSamp = layout.vSamp = 1;
        layout.quality = 95;
        // The camera's resolution differs across and down, so a turn must swap it too.
        const std::string exif = Exif(orientation, 300, 150, 2, orientation % 2 == 0);
        layout.exif = (const unsigned char*)exif.data();
        layout.exifSize = exif.size();
        ASSERT_TRUE(WriteJpeg(folder.File("o.jpg"), layout, stored));

        CDib loaded;
        FILEINFO info = {};
        ASSERT_EQ(1, loaded.Load(folder.File("o.jpg"), 0, 1, nullptr, &info));
        ASSERT_EQ(W, loaded.GetWidth());
        ASSERT_EQ(H, loaded.GetHeight());
        EXPECT_EQ(W, info.width);
        EXPECT_EQ(H, info.height);
        EXPECT_EQ(turned ? 150 : 300, loaded.GetXRes());
        EXPECT_EQ(turned ? 300 : 150, loaded.GetYRes());
        EXPECT_EQ(loaded.GetXRes(), info.xRes);
        for (int q = 0; q < 4; ++q) {
            const int x = (q % 2) * W / 2 + W / 4, y = (q / 2) * H / 2 + H / 4;
            const Rgb got = PixelAt(loaded, x, y), want = kQuarters[q];
            EXPECT_NEAR(want.r, got.r, 8) << "quarter " << q;
            EXPECT_NEAR(want.g, got.g, 8) << "quarter " << q;
            EXPECT_NEAR(want.b, got.b, 8) << "quarter " << q;
        }
        // A reduced load is upright as well, with the upright proportions.
        CDib small;
        ASSERT_EQ(1, small.LoadFitted(folder.File("o.jpg"), 48, 48, &info));
        EXPECT_EQ(48, small.GetWidth());
        EXPECT_EQ(32, small.GetHeight());
        EXPECT_EQ(W, info.width);
        const Rgb corner = PixelAt(small, 4, 4);
        EXPECT_NEAR(kQuarters[0].r, corner.r, 12);
        EXPECT_NEAR(kQuarters[0].b, corner.b, 12);
    }
}

TEST(DibJpeg, ResolutionComesFromJfifThenExif)
{
    TestFolder folder;
    const CDib photo = Photo(32, 24);
    const std::string exif240 = Exif(1, 240, 240, 2), exifCm = Exif(1, 118, 59, 3);
    struct Case
    {
        const char* name;
        int jfif, unit, xDensity, yDensity;
        const std::string* exif;
        int xRes, yRes;      // of the picture
        int infoX, infoY;    // in FILEINFO: 0 when the file says nothing
    } cases[] = {
        {"JFIF dots per inch", 1, 1, 300, 150, nullptr, 300, 150, 300, 150},
        {"JFIF dots per cm", 1, 2, 118, 59, nullptr, 300, 150, 300, 150},
        {"JFIF wins over EXIF", 1, 1, 200, 200, &exif240, 200, 200, 200, 200},
        {"JFIF aspect only, EXIF inches", 1, 0, 1, 1, &exif240, 240, 240, 240, 240},
        {"EXIF centimetres", 0, 0, 0, 0, &exifCm, 300, 150, 300, 150},
        {"nothing recorded", 0, 0, 0, 0, nullptr, 96, 96, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJpegLayout layout = TestJpegDefaults(32, 24);
        layout.jfif = c.jfif;
        layout.densityUnit = c.unit;
        layout.xDensity = c.xDensity;
        layout.yDensity = c.yDensity;
        if (c.exif) {
            layout.exif = (const unsigned char*)c.exif->data();
            layout.exifSize = c.exif->size();
        }
        ASSERT_TRUE(WriteJpeg(folder.File("r.jpg"), layout, photo));
        CDib loaded;
        FILEINFO info = {};
        ASSERT_EQ(1, loaded.Load(folder.File("r.jpg"), 0, 1, nullptr, &info));
        EXPECT_EQ(c.xRes, loaded.GetXRes());
        EXPECT_EQ(c.yRes, loaded.GetYRes());
        EXPECT_EQ(c.infoX, info.xRes);
        EXPECT_EQ(c.infoY, info.yRes);
    }
}

TEST(DibJpeg, SaveWritesOneStreamWithARestartMarkerAfterEveryRowOfBlocks)
{
    TestFolder folder;
    // Big enough to be written in several strips; heights that end in a partial row of blocks.
    for (int quality : {2, 40}) {
        SCOPED_TRACE(quality);
        const CDib photo = Photo(1000, 757);
        CDib copy = photo;
        copy.SetXRes(300);
        copy.SetYRes(200);
        ASSERT_EQ(1, copy.Save(folder.File("s.jpg"), KXFMT_JPEG, 24, quality));
        const std::string file = folder.Read("s.jpg");
        ASSERT_GT(file.size(), 1000u);
        EXPECT_EQ("\xFF\xD8", file.substr(0, 2));
        EXPECT_EQ("\xFF\xD9", file.substr(file.size() - 2));
        const size_t jfif = file.find("JFIF");
        ASSERT_NE(std::string::npos, jfif);
        EXPECT_EQ(1, file[jfif + 7]) << "density unit: dots per inch";
        EXPECT_EQ(300u, Be16(file, jfif + 8));
        EXPECT_EQ(200u, Be16(file, jfif + 10));
        const size_t sof = file.find("\xFF\xC0");
        ASSERT_NE(std::string::npos, sof);
        EXPECT_EQ(757u, Be16(file, sof + 5)) << "the frame has the whole picture's height";
        EXPECT_EQ(1000u, Be16(file, sof + 7));
        const bool subsampled = quality == 40;   // libjpeg quality 82, below 90
        const int mcu = subsampled ? 16 : 8;
        const size_t dri = file.find("\xFF\xDD");
        ASSERT_NE(std::string::npos, dri);
        EXPECT_EQ((unsigned)(1000 + mcu - 1) / mcu, Be16(file, dri + 4)) << "one row of blocks an interval";
        std::vector<int> numbers;
        const int rows = (757 + mcu - 1) / mcu;
        ASSERT_EQ(rows - 1, CountRestartMarkers(file, &numbers));
        for (int i = 0; i < rows - 1; ++i)
            ASSERT_EQ(i % 8, numbers[i]) << "marker " << i;

        // A decoder reading it from the start finds nothing wrong, and our strips read the same.
        int warnings = -1;
        const CDib reference = ReferenceDecode(file, 1, 1000, 757, &warnings);
        ASSERT_TRUE(reference.IsValid());
        EXPECT_EQ(0, warnings);
        CDib loaded;
        ASSERT_EQ(1, loaded.Load(folder.File("s.jpg")));
        EXPECT_TRUE(SamePixels(reference, loaded));
        const Difference d = Compare(photo, loaded);
        EXPECT_LT(d.mean, 2.0);
    }
}

TEST(DibJpeg, QualityFactorAndChromaReachTheFile)
{
    TestFolder folder;
    const CDib photo = Photo(320, 240);
    struct Case { int factor, firstQuant, hSamp; } cases[] = {
        {2, 2, 1},      // libjpeg quality 95: luminance table 16 * 10%, full-size colour
        {17, 3, 1},     // quality 90, the lowest with full-size colour
        {19, 4, 2},     // quality 89: colour at half size
        {255, 80, 2},   // quality 10: 16 * 500%
    };
    size_t best = 0, worst = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        CDib copy = photo;
        ASSERT_EQ(1, copy.SaveFile(folder.File("q.jpg"), KXFMT_JPEG, 24, c.factor, 2));
        const std::string file = folder.Read("q.jpg");
        TestJpegFacts facts = {};
        ASSERT_EQ(0, InspectTestJpeg((const unsigned char*)file.data(), file.size(), 1, nullptr, 0, &facts));
        EXPECT_EQ(c.firstQuant, facts.firstQuant);
        EXPECT_EQ(c.hSamp, facts.hSamp);
        EXPECT_EQ(c.hSamp, facts.vSamp);
        if (c.factor == 2)
            best = file.size();
        if (c.factor == 255)
            worst = file.size();
    }
    EXPECT_LT(worst * 4, best) << "quality 10 (" << worst << " bytes) against quality 95 (" << best << " bytes)";
}

TEST(DibJpeg, StripsDecodeExactlyAsAWholeFileDecode)
{
    TestFolder folder;
    const CDib photo = Photo(1024, 768);
    struct Case { const char* name; int colour, hSamp, vSamp, restartRows; } cases[] = {
        {"4:2:0, an interval of two rows of blocks", TESTJPEG_YCC, 2, 2, 2},
        {"4:2:0, every row of blocks", TESTJPEG_YCC, 2, 2, 1},
        {"4:2:2", TESTJPEG_YCC, 2, 1, 1},
        {"4:4:4", TESTJPEG_YCC, 1, 1, 3},
        {"grey", TESTJPEG_GREY, 1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestJpegLayout layout = TestJpegDefaults(1024, 768);
        layout.colour = c.colour;
        layout.hSamp = c.hSamp;
        layout.vSamp = c.vSamp;
        layout.restartRows = c.restartRows;
        ASSERT_TRUE(WriteJpeg(folder.File("x.jpg"), layout, photo));
        const std::string file = folder.Read("x.jpg");
        // Full size through Load, half and an eighth through LoadFitted with the exact sizes.
        for (int denom : {1, 2, 8}) {
            SCOPED_TRACE(denom);
            int warnings = -1;
            const CDib reference = ReferenceDecode(file, denom, 1024 / denom, 768 / denom, &warnings);
            ASSERT_TRUE(reference.IsValid());
            ASSERT_EQ(0, warnings);
            CDib loaded;
            ASSERT_EQ(1, denom == 1 ? loaded.Load(folder.File("x.jpg"))
                                    : loaded.LoadFitted(folder.File("x.jpg"), 1024 / denom, 768 / denom));
            EXPECT_TRUE(SamePixels(reference, loaded)) << "mean difference " << Compare(reference, loaded).mean;
        }
    }
}

TEST(DibJpeg, LoadFittedReducesWithoutEnlarging)
{
    TestFolder folder;
    // Waves a thumbnail still shows: finer ones come out of two different reductions with
    // different strengths, and neither is the right one.
    const CDib photo = Photo(1200, 800, 8);
    CDib copy = photo;
    ASSERT_EQ(1, copy.Save(folder.File("p.jpg"), KXFMT_JPEG, 24, 2));
    ASSERT_EQ(1, copy.Save(folder.File("p.png"), KXFMT_PNG, 24));
    CDib full;
    ASSERT_EQ(1, full.Load(folder.File("p.jpg")));
    CDib expected;
    ASSERT_TRUE(expected.Resize(full, 90, 60, 2));
    for (const char* name : {"p.jpg", "p.png"}) {
        SCOPED_TRACE(name);
        CDib small;
        FILEINFO info = {};
        ASSERT_EQ(1, small.LoadFitted(folder.File(name), 90, 90, &info));
        EXPECT_EQ(1200, info.width);
        EXPECT_EQ(800, info.height);
        ASSERT_EQ(90, small.GetWidth());
        ASSERT_EQ(60, small.GetHeight());
        // Decoded at an eighth and then resampled, against resampled from full size.
        const Difference d = Compare(expected, small);
        EXPECT_LT(d.mean, 1.5);
        EXPECT_LT(d.largest, 24);

        CDib same;
        ASSERT_EQ(1, same.LoadFitted(folder.File(name), 5000, 900));
        EXPECT_EQ(1200, same.GetWidth()) << "never enlarged";
        EXPECT_EQ(800, same.GetHeight());
    }
    CDib none;
    EXPECT_NE(1, none.LoadFitted(folder.File("p.jpg"), 0, 90));
    EXPECT_NE(1, none.LoadFitted(folder.File("missing.jpg"), 90, 90));
    EXPECT_FALSE(none.IsValid());
}

namespace {

// What a load told its progress callback, and when it should say stop or throw.
struct ProgressLog
{
    std::vector<std::pair<int, int>> calls;
    size_t stopAt = 0;      // the call (from 1) that returns FALSE; 0 never
    size_t throwAt = 0;     // the call that throws

    static BOOL Note(int done, int total, void* user)
    {
        ProgressLog& log = *static_cast<ProgressLog*>(user);
        log.calls.emplace_back(done, total);
        if (log.calls.size() == log.throwAt)
            throw std::runtime_error("thrown by the host");
        return log.calls.size() != log.stopAt;
    }
};

} // namespace

TEST(DibJpeg, LoadFittedTellsItsProgressAndStopsWhenTold)
{
    TestFolder folder;
    const CDib photo = Photo(1600, 1200);
    // As cameras write it: no restart markers, so it is decoded from its start, band by band.
    ASSERT_TRUE(WriteJpeg(folder.File("camera.jpg"), TestJpegDefaults(1600, 1200), photo));
    CDib quiet;
    ASSERT_EQ(1, quiet.LoadFitted(folder.File("camera.jpg"), 400, 400));

    ProgressLog log;
    CDib dib;
    ASSERT_EQ(1, dib.LoadFitted(folder.File("camera.jpg"), 400, 400, nullptr, &ProgressLog::Note, &log));
    EXPECT_TRUE(Compare(quiet, dib).largest == 0) << "the callback changes nothing in the picture";
    // Decoded at a quarter: 300 rows, told once a band of 16 is complete and after the last.
    ASSERT_EQ((300 + 15) / 16, (int)log.calls.size());
    for (size_t i = 0; i < log.calls.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i + 1));
        EXPECT_EQ(300, log.calls[i].second);
        EXPECT_GE(log.calls[i].first, std::min(300, 16 * (int)(i + 1)));
        EXPECT_LT(log.calls[i].first, 16 * (int)(i + 2));
    }
    EXPECT_EQ(300, log.calls.back().first);

    ProgressLog stop;
    stop.stopAt = 3;
    EXPECT_EQ(-8, dib.LoadFitted(folder.File("camera.jpg"), 400, 400, nullptr, &ProgressLog::Note, &stop));
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(3u, stop.calls.size()) << "nothing more is decoded once stopped";

    ProgressLog thrower;
    thrower.throwAt = 2;
    EXPECT_THROW(dib.LoadFitted(folder.File("camera.jpg"), 400, 400, nullptr, &ProgressLog::Note, &thrower),
                 std::runtime_error);
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(2u, thrower.calls.size());
    EXPECT_EQ(1, dib.LoadFitted(folder.File("camera.jpg"), 400, 400)) << "the decoder was left in order";

    // Decoded in parallel strips, or through the platform's codecs: told once, at the end.
    CDib copy = photo;
    ASSERT_EQ(1, copy.Save(folder.File("ours.jpg"), KXFMT_JPEG, 24, 2));
    ASSERT_EQ(1, copy.Save(folder.File("p.png"), KXFMT_PNG, 24));
    for (const char* name : {"ours.jpg", "p.png"}) {
        SCOPED_TRACE(name);
        ProgressLog once;
        ASSERT_EQ(1, dib.LoadFitted(folder.File(name), 400, 400, nullptr, &ProgressLog::Note, &once));
        ASSERT_EQ(1u, once.calls.size());
        EXPECT_EQ(once.calls[0].first, once.calls[0].second);
        ProgressLog refused;
        refused.stopAt = 1;
        EXPECT_EQ(-8, dib.LoadFitted(folder.File(name), 400, 400, nullptr, &ProgressLog::Note, &refused));
        EXPECT_FALSE(dib.IsValid());
    }
}

TEST(DibJpeg, CutShortAndHostileFilesFailCleanly)
{
    TestFolder folder;
    const CDib photo = Photo(640, 480);
    CDib copy = photo;
    ASSERT_EQ(1, copy.Save(folder.File("strips.jpg"), KXFMT_JPEG, 24, 40));
    TestJpegLayout layout = TestJpegDefaults(640, 480);
    ASSERT_TRUE(WriteJpeg(folder.File("plain.jpg"), layout, photo));
    layout.progressive = 1;
    ASSERT_TRUE(WriteJpeg(folder.File("progressive.jpg"), layout, photo));
    for (const char* name : {"strips.jpg", "plain.jpg", "progressive.jpg"}) {
        const std::string file = folder.Read(name);
        for (int percent : {5, 30, 60, 90, 99}) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(percent) + "%");
            folder.Write("cut.jpg", file.substr(0, file.size() * percent / 100));
            CDib dib = Photo(8, 8);
            EXPECT_NE(1, dib.Load(folder.File("cut.jpg")));
            EXPECT_FALSE(dib.IsValid());
            EXPECT_NE(1, dib.LoadFitted(folder.File("cut.jpg"), 64, 64));
            EXPECT_FALSE(dib.IsValid());
        }
    }
    // An end marker in the middle of the entropy-coded data.
    std::string spoilt = folder.Read("plain.jpg");
    const size_t middle = spoilt.find("\xFF\xDA") + spoilt.size() / 3;
    spoilt[middle] = (char)0xFF;
    spoilt[middle + 1] = (char)0xD9;
    folder.Write("spoilt.jpg", spoilt);
    CDib dib;
    EXPECT_NE(1, dib.Load(folder.File("spoilt.jpg")));
    EXPECT_FALSE(dib.IsValid());

    // Progressive files are read whole before the first row: one of 190 scans, valid but the
    // shape of a decoding bomb, is refused; the same picture in libjpeg's 10 scans loads.
    layout.progressive = 0;
    layout.scanPerCoefficient = 1;
    ASSERT_TRUE(WriteJpeg(folder.File("scans.jpg"), layout, photo));
    EXPECT_EQ(-3, dib.Load(folder.File("scans.jpg")));
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(1, dib.Load(folder.File("progressive.jpg")));
}

// Thumbnails take an eighth-size decode of their own from the DC coefficients. It must give what
// libjpeg gives at that scale, on clean files and on damaged ones: a changed byte that still
// decodes without a warning gives the same pixels, truncation and broken markers never crash and
// never give a picture of the wrong size.
TEST(DibJpeg, EighthSizeDecodeMatchesLibjpegOnCleanAndDamagedFiles)
{
    TestFolder folder;
    struct Case { const char* name; int colour, hSamp, vSamp, restartRows, width, height; } cases[] = {
        {"4:4:4, a restart marker every row of blocks", TESTJPEG_YCC, 1, 1, 1, 1024, 768},
        {"4:2:2, no restart markers, odd size", TESTJPEG_YCC, 2, 1, 0, 1001, 667},
        {"grey, odd size", TESTJPEG_GREY, 1, 1, 0, 733, 411},
        {"stored as RGB, restart markers", TESTJPEG_RGB, 1, 1, 2, 640, 480},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CDib photo = Photo(c.width, c.height);
        TestJpegLayout layout = TestJpegDefaults(c.width, c.height);
        layout.colour = c.colour;
        layout.hSamp = c.hSamp;
        layout.vSamp = c.vSamp;
        layout.restartRows = c.restartRows;
        ASSERT_TRUE(WriteJpeg(folder.File("clean.jpg"), layout, photo));
        const std::string clean = folder.Read("clean.jpg");
        const int w = (c.width + 7) / 8, h = (c.height + 7) / 8;
        int warnings = -1;
        const CDib reference = ReferenceDecode(clean, 8, w, h, &warnings);
        ASSERT_TRUE(reference.IsValid());
        CDib loaded;
        ASSERT_EQ(1, loaded.LoadFitted(folder.File("clean.jpg"), w, h));
        EXPECT_TRUE(SamePixels(reference, loaded)) << "mean difference " << Compare(reference, loaded).mean;

        // The entropy-coded data begins after the first SOS segment.
        const size_t sos = clean.find("\xFF\xDA");
        ASSERT_NE(std::string::npos, sos);
        const size_t data = sos + 2 + (((unsigned char)clean[sos + 2] << 8) | (unsigned char)clean[sos + 3]);
        std::vector<std::string> damaged;
        for (int cut = 1; cut < 8; ++cut)
            damaged.push_back(clean.substr(0, data + (clean.size() - data) * cut / 8));
        unsigned seed = 12345;
        for (int i = 0; i < 24; ++i) {
            seed = seed * 1103515245u + 12345u;
            std::string bad = clean;
            const size_t at = data + (seed >> 8) % (clean.size() - data - 2);
            bad[at] = (char)((unsigned char)bad[at] ^ (1u << (seed % 8)));
            damaged.push_back(bad);
        }
        {
            // A restart marker out of its order, where the file has them.
            std::string bad = clean;
            const size_t rst = bad.find("\xFF\xD1", data);
            if (rst != std::string::npos) {
                bad[rst + 1] = '\xD5';
                damaged.push_back(bad);
            }
        }
        int same = 0, checked = 0;
        for (size_t i = 0; i < damaged.size(); ++i) {
            SCOPED_TRACE(i);
            folder.Write("bad.jpg", damaged[i]);
            CDib thumb;
            const int result = thumb.LoadFitted(folder.File("bad.jpg"), w, h);
            int badWarnings = -1;
            const CDib expected = ReferenceDecode(damaged[i], 8, w, h, &badWarnings);
            if (result != 1) {
                EXPECT_FALSE(thumb.IsValid()) << "a failed load leaves no picture";
                continue;
            }
            ASSERT_EQ(w, thumb.GetWidth());
            ASSERT_EQ(h, thumb.GetHeight());
            if (expected.IsValid() && badWarnings == 0) {
                ++checked;
                same += SamePixels(expected, thumb);
            }
        }
        EXPECT_EQ(checked, same) << "changed bytes that libjpeg decodes without a warning decode alike";
    }
}
