// The keying engine when memory runs out: a change that cannot get its memory leaves the key, the
// history and the light map as they were (a half-made change would key every later picture
// wrongly and replay wrongly), and the same change made afterwards gives what it gives when
// nothing failed.
#include <KeyEngine.h>
#include <KeyScene.h>
#include <PrimatteWnd.h>
#include <gtest/gtest.h>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// A green screen lit unevenly, a reddish subject with a soft edge and a dark band inside it; the
// variant moves the subject.
CDib Studio(int variant)
{
    CDib dib;
    dib.Create(160, 120, 24);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const double a = std::min(1.0, std::max(0.0, (34 - std::hypot(x - 70 - variant * 6, y - 60)) / 4));
            const bool band = a >= 1 && y >= 55 && y < 65;
            const double fg[3] = {band ? 40.0 : 70, band ? 30.0 : 90, band ? 50.0 : 200};
            const double bg[3] = {50, 160 + x * 0.2, 45};
            BYTE* p = dib.GetLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c)
                p[c] = (BYTE)std::lround(a * fg[c] + (1 - a) * bg[c]);
        }
    return dib;
}

// What a caller can see of an engine: its history, its key and what it makes of a picture.
struct Seen
{
    unsigned version = 0;
    int steps = 0, done = 0;
    float key[3] = {0, 0, 0};
    size_t bytes = 0;
    std::vector<BYTE> mask;
    bool operator==(const Seen& o) const
    {
        return version == o.version && steps == o.steps && done == o.done && std::equal(key, key + 3, o.key) &&
               bytes == o.bytes && mask == o.mask;
    }
};

Seen SeenOf(const CKeyEngine& engine, const CDib& picture)
{
    Seen seen;
    seen.version = engine.GetVersion();
    seen.steps = engine.GetStepCount();
    seen.done = engine.GetDoneCount();
    engine.GetScreenColour(seen.key);
    seen.bytes = engine.GetHistoryBytes();
    CDib mask;
    KEYOUTPUT out;
    out.mask = &mask;
    EXPECT_TRUE(engine.KeyRegion(picture, 1.0, CRect(0, 0, picture.GetWidth(), picture.GetHeight()), KEYBACK(), out));
    for (int y = 0; y < mask.GetHeight(); ++y)
        for (int x = 0; x < mask.GetWidth(); ++x)
            seen.mask.push_back(mask.GetLine(y)[3 * x]);
    return seen;
}

// Fails the allocation point the countdown reaches, once.
int g_failIn = 0;
bool FailWhenDue() { return g_failIn > 0 && --g_failIn == 0; }

// A step of the operation at a point of the picture, as the window makes it.
KEYSTEP Step(const CKeyEngine& engine, const CDib& picture, int op, int x, int y, bool& ok)
{
    KEYSTEP step;
    step.op = op;
    step.colours = engine.TakeColours(picture, 1.0, {CPoint(x, y)}, nullptr, 1, op == KX_OP_PICKSCREEN);
    ok = true;
    if (op == KX_OP_PICKSCREEN) {
        float key[3];
        CKeyEngine::MedianColour(step.colours, key);
        step.values[0] = engine.MeasureScreenNoise(key);
        ok = step.values[0] >= 0;
    }
    return step;
}

// Picks the screen at a point of the picture, then keys the whole picture's opacity into alpha
// (width x height bytes).
void PickAndKey(CKeyEngine& engine, const CDib& dib, int x, int y, std::vector<BYTE>& alpha)
{
    const int w = dib.GetWidth(), h = dib.GetHeight();
    ASSERT_TRUE(engine.SetPicture(&dib));
    bool ok;
    ASSERT_TRUE(engine.Do(Step(engine, dib, KX_OP_PICKSCREEN, x, y, ok)));
    ASSERT_TRUE(ok);
    alpha.resize((size_t)w * h);
    KEYOUTPUT out;
    out.alpha = alpha.data();
    out.alphaStride = w;
    ASSERT_TRUE(engine.KeyRegion(dib, 1.0, CRect(0, 0, w, h), KEYBACK(), out)) << w << " x " << h;
}

TEST(KeyEngine, ChangesThatRunOutOfMemoryLeaveAllAsItWas)
{
    const CDib first = Studio(0), second = Studio(2);
    const CDib* shown = &first;
    auto doAt = [&](int op, int x, int y) {
        return [=, &shown](CKeyEngine& e) {
            bool ok;
            const KEYSTEP step = Step(e, *shown, op, x, y, ok);
            return ok && e.Do(step);
        };
    };
    auto tune = [](int spill, int transparency) {
        return [=](CKeyEngine& e) {
            KEYSTEP step;
            step.op = KX_OP_FINETUNE;
            step.values[0] = spill;
            step.values[1] = transparency;
            step.session = 7;
            return e.Do(step);
        };
    };
    const struct
    {
        const char* name;
        std::function<bool(CKeyEngine&)> change;
    } changes[] = {
        {"the picture", [&](CKeyEngine& e) { return e.SetPicture(&first); }},
        {"a pick", doAt(KX_OP_PICKSCREEN, 150, 5)},
        {"cleaning the background", doAt(KX_OP_CLEANBG, 100, 100)},
        {"a transparent foreground", doAt(KX_OP_FGTRANSPARENT, 38, 60)},
        {"fine tuning", tune(10, 20)},
        {"fine tuning of the same selection", tune(20, 40)},
        {"undo", [](CKeyEngine& e) { return e.Undo(); }},
        {"redo", [](CKeyEngine& e) { return e.Redo(); }},
        {"undo again", [](CKeyEngine& e) { return e.Undo(); }},
        {"a step over the undone one", doAt(KX_OP_CLEANSPILL, 40, 60)},
        {"another picture", [&](CKeyEngine& e) {
             if (!e.SetPicture(&second))
                 return false;
             shown = &second;
             return true;
         }},
        {"a pick of another colour", doAt(KX_OP_PICKSCREEN, 5, 115)},
        {"undo of that pick", [](CKeyEngine& e) { return e.Undo(); }},
    };
    CKeyEngine engine, untouched;
    for (const auto& c : changes) {
        int failures = 0;
        for (int due = 1; due < 100; ++due) {
            const Seen before = SeenOf(engine, *shown);
            g_failIn = due;
            CKeyEngine::SetMemoryFailureHook(FailWhenDue);
            const bool done = c.change(engine);
            CKeyEngine::SetMemoryFailureHook(nullptr);
            if (done)
                break;
            ++failures;
            EXPECT_TRUE(before == SeenOf(engine, *shown)) << c.name << " failing at its allocation point " << due;
        }
        EXPECT_GT(failures, 0) << c.name << " took its memory where no failure could reach";
        ASSERT_TRUE(c.change(untouched)) << c.name;
        EXPECT_TRUE(SeenOf(untouched, *shown) == SeenOf(engine, *shown)) << c.name << " made after the failures";
    }
}

} // namespace

// A screen whose light falls off and warms across the picture (less blue, more red on the far
// side, as a second lamp gives it), picked where it is brightest. The key measures a grey pane of
// glass at a third of cover over the dim warm side as it measures it at the pick, the warm
// screen round it stays clear, and a screen lit evenly is its picked colour all over.
TEST(KeyEngine, TheLightsCorrectionKeepsTheCoverOfMixesWhereItsColourChanges)
{
    const int w = 320, h = 200;
    const double glass = 220, cover = 0.35;
    auto paint = [&](double fall, double warmth) {
        CDib dib;
        dib.Create(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double u = (double)x / w, light = 1 - fall * u * u, warm = warmth * u;
                const double screen[3] = {60 * light * (1 - warm), 180 * light, 60 * light * (1 + warm)};
                const double a = x >= 230 && x < 300 && y >= 50 && y < 150 ? cover : 0;
                BYTE* p = dib.GetLine(y) + 3 * x;
                for (int c = 0; c < 3; ++c)
                    p[c] = (BYTE)std::lround(a * glass + (1 - a) * screen[c]);
            }
        return dib;
    };
    const CDib warm = paint(0.45, 0.06);
    CKeyEngine engine;
    ASSERT_TRUE(engine.SetPicture(&warm));
    bool ok;
    ASSERT_TRUE(engine.Do(Step(engine, warm, KX_OP_PICKSCREEN, 20, 20, ok)));
    ASSERT_TRUE(ok);
    auto opacity = [&](const CDib& dib, int x, int y) { return engine.OpacityAt(dib.GetLine(y) + 3 * x, (x + 0.5) / w, (y + 0.5) / h); };
    for (int x = 240; x < 300; x += 15)
        EXPECT_NEAR(cover, opacity(warm, x, 100), 0.025) << "the pane at column " << x;
    for (int x : {160, 225, 310, 319})
        EXPECT_EQ(0, opacity(warm, x, 190)) << "the screen at column " << x;

    // Evenly lit, the screen keys clear everywhere and the pane as it is.
    const CDib even = paint(0, 0);
    ASSERT_TRUE(engine.SetPicture(&even));
    ASSERT_TRUE(engine.Do(Step(engine, even, KX_OP_PICKSCREEN, 20, 20, ok)));
    EXPECT_NEAR(cover, opacity(even, 260, 100), 0.025);
    EXPECT_EQ(0, opacity(even, 319, 199));
}

// A pale see-through pane over a screen whose light falls off across it keys to one opacity from
// its bright side to its dim one, as the whole key has it (the subject's colour near each place
// included): when the spot picked is a little bluer than the screen round it, as a few pixels of
// a noisy screen are.
TEST(KeyEngine, APaleCoverKeysToOneOpacityOverTheScreensFallingLight)
{
    const int w = 320, h = 200;
    const double cover = 0.35;
    const struct
    {
        const char* name;
        double pane, fall;
        int pickBlue;
    } cases[] = {
        {"a pick bluer than the screen", 200, 0.2, 4},
    };
    for (const auto& c : cases) {
        CDib dib;
        dib.Create(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double u = (double)x / w, light = 1 - c.fall * u * u;
                const double screen[3] = {60 * light, 180 * light, 60 * light};
                const double a = x >= 150 && x < 300 && y >= 50 && y < 150 ? cover : 0;
                BYTE* p = dib.GetLine(y) + 3 * x;
                for (int k = 0; k < 3; ++k)
                    p[k] = (BYTE)std::lround(a * c.pane + (1 - a) * screen[k]);
            }
        for (int y = 19; y <= 21; ++y)
            for (int x = 19; x <= 21; ++x)
                dib.GetLine(y)[3 * x] += c.pickBlue;
        CKeyEngine engine;
        std::vector<BYTE> alpha;
        PickAndKey(engine, dib, 20, 20, alpha);
        ASSERT_FALSE(HasFatalFailure()) << c.name;
        double lowest = 1, highest = 0;
        for (int x = 160; x < 295; x += 15) {
            double sum = 0;
            for (int y = 90; y < 110; ++y)
                sum += alpha[(size_t)y * w + x] / 255.0;
            const double a = sum / 20;
            EXPECT_NEAR(cover, a, 0.03) << c.name << ": the pane at column " << x;
            lowest = std::min(lowest, a);
            highest = std::max(highest, a);
        }
        EXPECT_LT(highest - lowest, 0.03) << c.name << ": the pane from " << lowest << " to " << highest;
    }
}

// The inner threshold a pick measures is set by the level nearly all the open screen's pixels
// stay below, cell by cell: in cells of 400 pixels one speck far off the screen colour is left
// out, the next worst pixel counts. Each cell holds one speck (measuring 0.4) and one pixel
// measuring 0.15; the rest is the screen colour.
TEST(KeyEngine, TheScreensNoiseLeavesOutTheWorstSpecksOfEachCell)
{
    const int side = 480, cell = 20;
    CDib dib;
    dib.Create(side, side, 24);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int cx = x % cell, cy = y % cell;
            const BYTE green = cx == 5 && cy == 5 ? 130 : cx == 12 && cy == 13 ? 155 : 170;
            BYTE* p = dib.GetLine(y) + 3 * x;
            p[0] = 40;
            p[1] = green;
            p[2] = 70;
        }
    CKeyEngine engine;
    ASSERT_TRUE(engine.SetPicture(&dib));
    const float key[3] = {40, 170, 70};
    // 1.1 times the level plus a hundredth, in 1/10000: 1750 for 0.15, 4500 for the specks.
    EXPECT_NEAR(1750, engine.MeasureScreenNoise(key), 40);
}

// Pictures of a few pixels, of sizes that fill no grid the key looks at them with evenly: the
// screen keys clear and a grey subject in the last column opaque.
TEST(KeyEngine, PicturesOfAFewPixelsKeyTheirScreenAndSubject)
{
    const int sizes[][2] = {{1, 1}, {2, 2}, {3, 3}, {5, 3}, {6, 7}, {9, 10}, {14, 5}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        CDib dib;
        dib.Create(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool subject = w > 1 && x == w - 1;
                BYTE* p = dib.GetLine(y) + 3 * x;
                p[0] = subject ? 128 : 40;
                p[1] = subject ? 128 : 170;
                p[2] = subject ? 128 : 70;
            }
        CKeyEngine engine;
        std::vector<BYTE> alpha((size_t)w * h, 77);
        PickAndKey(engine, dib, 0, 0, alpha);
        ASSERT_FALSE(HasFatalFailure()) << w << " x " << h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(w > 1 && x == w - 1 ? 255 : 0, alpha[(size_t)y * w + x]) << "pixel " << x << ", " << y << " of " << w << " x " << h;
    }
}

// Olive strands a pixel wide on a green screen, some ten levels darker than it, above a subject in
// grey stripes a pixel wide (fine detail in brightness alone), with sensor noise and the colour
// shared by two by two blocks as a camera stores it: the colour lends each strand's cover to the
// pixel beside it as much as to its own. Each pixel's brightness is too close to the screen's to
// be believed alone, but it still says which of the two holds the strand: the strand's pixels take
// more of the cover, and the screen beside them sheds most of what it was lent.
TEST(KeyEngine, StrandsDarkerThanTheScreenByLittleTakeTheCoverOfTheirBlock)
{
    const int w = 240, h = 160;
    const double cover = 0.8;
    const double screen[3] = {70, 170, 40}, strand[3] = {45, 115, 125};   // blue, green, red
    auto strandAt = [](int x, int y) { return x >= 30 && x < 210 && (x - 30) % 10 == 0 && y >= 10 && y < 80; };
    CDib dib;
    dib.Create(w, h, 24);
    SensorNoise noise(2024);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double a = strandAt(x, y) ? cover : 0, grey = x % 2 ? 90 : 150;
            const bool subject = y >= 110 && x >= 20 && x < 220;
            BYTE* p = dib.GetLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c) {
                const double v = subject ? grey : a * strand[c] + (1 - a) * screen[c];
                p[c] = (BYTE)std::min(255.0, std::max(0.0, std::round(v + 2 * noise())));
            }
        }
    ShareColourByBlocks(dib);
    CKeyEngine engine;
    std::vector<BYTE> alpha;
    PickAndKey(engine, dib, 8, 8, alpha);
    ASSERT_FALSE(HasFatalFailure());
    double own = 0, beside = 0;
    int n = 0;
    for (int y = 14; y < 76; ++y)
        for (int x = 30; x < 210; x += 10) {
            own += alpha[(size_t)y * w + x];
            beside += alpha[(size_t)y * w + x + 1];
            ++n;
        }
    own /= n;
    beside /= n;
    // The colour alone gives each of the two about half the strand's cover.
    EXPECT_GT(own, 118) << "the strands' own pixels (" << cover * 255 << " in truth)";
    EXPECT_LT(beside, 60) << "the screen beside them, which shares their colour";
    EXPECT_GT(own + beside, 150) << "the cover of the two together";
    EXPECT_EQ(255, alpha[(size_t)130 * w + 120]) << "the subject";
    EXPECT_EQ(0, alpha[(size_t)95 * w + 5]) << "the open screen";

    // Keyed in strips too narrow for the vector kernels, which the plain code keys alone: the
    // same bytes.
    std::vector<BYTE> strips((size_t)w * h);
    for (int x = 0; x < w; x += 7) {
        KEYOUTPUT strip;
        strip.alpha = strips.data() + x;
        strip.alphaStride = w;
        ASSERT_TRUE(engine.KeyRegion(dib, 1.0, CRect(x, 0, std::min(w, x + 7), h), KEYBACK(), strip));
    }
    EXPECT_TRUE(strips == alpha) << "strips seven pixels wide";
}

// Fair hair on a blue screen lies beyond the screen's complement: short of halfway to the hair's
// colour a mix has lost all the blue the colour difference measures, so the colour difference
// reads every strand but the faintest opaque. Strands of 0.7 and 0.4 cover must read as see-through
// as they are, while the opaque subject of the same colour below them stays opaque and the screen
// clear.
TEST(KeyEngine, FairHairOnABlueScreenKeepsItsStrandsSeeThrough)
{
    const int w = 240, h = 160;
    const double screen[3] = {190, 70, 35}, hair[3] = {35, 135, 133};   // blue, green, red
    auto coverAt = [](int x, int y) {
        return x >= 30 && x < 210 && (x - 30) % 4 == 0 && y >= 10 && y < 80 ? ((x - 30) % 8 ? 0.4 : 0.7) : 0.0;
    };
    CDib dib;
    dib.Create(w, h, 24);
    SensorNoise noise(77);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double a = y >= 120 && x >= 20 && x < 220 ? 1 : coverAt(x, y);
            BYTE* p = dib.GetLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c)
                p[c] = (BYTE)std::min(255.0, std::max(0.0, std::round(a * hair[c] + (1 - a) * screen[c] + 2 * noise())));
        }
    CKeyEngine engine;
    std::vector<BYTE> alpha;
    PickAndKey(engine, dib, 8, 8, alpha);
    ASSERT_FALSE(HasFatalFailure());
    double dense = 0, faint = 0, between = 0;
    int n = 0;
    for (int y = 14; y < 76; ++y)
        for (int x = 30; x < 202; x += 8) {
            dense += alpha[(size_t)y * w + x];
            faint += alpha[(size_t)y * w + x + 4];
            between += alpha[(size_t)y * w + x + 2];
            ++n;
        }
    dense /= n;
    faint /= n;
    between /= n;
    EXPECT_GT(dense, 150) << "the denser strands (178 in truth)";
    EXPECT_LT(dense, 225) << "the denser strands (178 in truth)";
    EXPECT_GT(faint, 75) << "the fainter strands (102 in truth)";
    EXPECT_LT(faint, 140) << "the fainter strands (102 in truth)";
    EXPECT_LT(between, 10) << "the screen between them";
    EXPECT_EQ(255, alpha[(size_t)140 * w + 120]) << "the subject";
    EXPECT_EQ(0, alpha[(size_t)95 * w + 5]) << "the open screen";
}

// When the history is full its oldest step, the pick, goes into the starting key: an undo then
// replays from that key and must give back the very key and mask that were there before the step
// undone, on a screen whose light falls off (so the light map matters).
TEST(KeyEngine, UndoAfterThePickIsFoldedIntoTheStartGivesBackTheSameKey)
{
    const CDib dib = Studio(0);
    CKeyEngine engine;
    ASSERT_TRUE(engine.SetPicture(&dib));
    bool ok;
    ASSERT_TRUE(engine.Do(Step(engine, dib, KX_OP_PICKSCREEN, 150, 5, ok)));
    ASSERT_TRUE(ok);
    for (int i = 0; i < KX_PRIM_HISTORY; ++i)
        ASSERT_TRUE(engine.Do(Step(engine, dib, i % 2 ? KX_OP_CLEANSPILL : KX_OP_CLEANBG, 100 + i % 7, 100, ok)));
    ASSERT_EQ(KX_PRIM_HISTORY, engine.GetStepCount()) << "the pick went into the starting key";
    const Seen before = SeenOf(engine, dib);
    ASSERT_TRUE(engine.Do(Step(engine, dib, KX_OP_FGTRANSPARENT, 38, 60, ok)));
    ASSERT_TRUE(engine.Undo());
    const Seen after = SeenOf(engine, dib);
    EXPECT_TRUE(std::equal(before.key, before.key + 3, after.key))
        << "screen colour " << before.key[0] << " " << before.key[1] << " " << before.key[2] << " became "
        << after.key[0] << " " << after.key[1] << " " << after.key[2];
    EXPECT_TRUE(before.mask == after.mask) << "the mask";
}
