// Colour operations: exact results at chosen amounts, and neutral amounts change nothing.
#include "DibTestUtil.h"
#include <DrawDib.h>
#include <functional>

namespace {

// The colour of a one-pixel picture of colour c after op.
Rgb After(Rgb c, const std::function<void(CDib&)>& op, int bits = 24)
{
    CDib dib = Solid(1, 1, c, bits);
    op(dib);
    return PixelAt(dib, 0, 0);
}

const int zeros[7] = {};

} // namespace

TEST(DibOperation, NeutralAmountsLeaveEveryByteAlone)
{
    const tagBALANCING red = {1, 0, 0}, green = {0, 1, 0}, blue = {0, 0, 1};
    const std::pair<const char*, std::function<void(CDib&)>> neutral[] = {
        {"brightness 0", [](CDib& d) { d.ChangeBrightness(0); }},
        {"contrast 0", [](CDib& d) { d.ChangeContrast(0); }},
        {"saturation 0", [](CDib& d) { d.ChangeSaturation(0); }},
        {"hue 0", [](CDib& d) { d.ChangeHue(0); }},
        {"hue 360", [](CDib& d) { d.ChangeHue(360); }},
        {"grey 0", [](CDib& d) { d.GrayScale(0, 8); }},
        {"gamma 100", [](CDib& d) { d.ChangeGamma(100); }},
        {"levels identity", [](CDib& d) { d.RemapLevel(0, 0, 255, 0, 255, 1.0); }},
        {"balance identity", [&](CDib& d) { d.BalanceColors(&red, &green, &blue); }},
        {"per-hue zeros", [](CDib& d) { d.ChangeBitmapSaturation(zeros, zeros, zeros); }},
        {"sharpen 0", [](CDib& d) { d.ChangeSharp(0); }},
        {"rotate 0", [](CDib& d) { d.Rotate(0); }},
        {"rotate 360", [](CDib& d) { d.Rotate(36000, 5, 0); }},
        {"resize to own size", [](CDib& d) { d.Resize(d.GetWidth(), d.GetHeight(), 2); }},
    };
    for (int bits : {24, 32}) {
        const CDib original = Pattern(33, 17, bits);
        for (const auto& entry : neutral) {
            SCOPED_TRACE(entry.first);
            CDib dib = original;
            entry.second(dib);
            EXPECT_TRUE(SamePixels(original, dib)) << bits << " bits";
        }
    }
}

TEST(DibOperation, Brightness)
{
    auto bright = [](int amount) { return [amount](CDib& d) { d.ChangeBrightness(amount); }; };
    EXPECT_EQ((Rgb{61, 151, 255}), After(Rgb{10, 100, 250}, bright(200)));   // + 51
    EXPECT_EQ((Rgb{0, 49, 199}), After(Rgb{10, 100, 250}, bright(-200)));
    EXPECT_EQ((Rgb{0, 0, 0}), After(Rgb{10, 100, 250}, bright(-1000)));
    EXPECT_EQ((Rgb{255, 255, 255}), After(Rgb{10, 100, 250}, bright(1000)));
    EXPECT_EQ((Rgb{255, 255, 255}), After(Rgb{10, 100, 250}, bright(5000)));   // clamped to 1000
}

TEST(DibOperation, Contrast)
{
    auto contrast = [](int amount) { return [amount](CDib& d) { d.ChangeContrast(amount); }; };
    EXPECT_EQ((Rgb{72, 128, 255}), After(Rgb{100, 128, 200}, contrast(500)));    // doubled around 128
    EXPECT_EQ((Rgb{114, 128, 164}), After(Rgb{100, 128, 200}, contrast(-500)));  // halved
    EXPECT_EQ((Rgb{128, 128, 128}), After(Rgb{0, 128, 255}, contrast(-1000)));
    EXPECT_EQ((Rgb{0, 128, 255}), After(Rgb{127, 128, 129}, contrast(1000)));
}

TEST(DibOperation, SaturationAndGrey)
{
    // Luma of (200, 100, 50) is 124.2.
    const Rgb c{200, 100, 50};
    EXPECT_EQ((Rgb{124, 124, 124}), After(c, [](CDib& d) { d.ChangeSaturation(-1000); }));
    EXPECT_EQ((Rgb{255, 76, 0}), After(c, [](CDib& d) { d.ChangeSaturation(1000); }));
    EXPECT_EQ((Rgb{162, 112, 87}), After(c, [](CDib& d) { d.ChangeSaturation(-500); }));
    EXPECT_EQ((Rgb{124, 124, 124}), After(c, [](CDib& d) { d.GrayScale(100, 8); }));
    EXPECT_EQ((Rgb{162, 112, 87}), After(c, [](CDib& d) { d.GrayScale(50, 8); }));
    EXPECT_EQ((Rgb{0, 0, 0}), After(c, [](CDib& d) { d.GrayScale(100, 1); }));
    EXPECT_EQ((Rgb{255, 255, 255}), After(Rgb{200, 200, 200}, [](CDib& d) { d.GrayScale(100, 1); }));
    // Alpha is not a colour channel.
    CDib withAlpha = Solid(1, 1, c, 32);
    withAlpha.GetLine(0)[3] = 77;
    withAlpha.GrayScale(100, 8);
    EXPECT_EQ(77, withAlpha.GetLine(0)[3]);
    EXPECT_EQ((Rgb{124, 124, 124}), PixelAt(withAlpha, 0, 0));
}

TEST(DibOperation, Hue)
{
    auto hue = [](int degrees) { return [degrees](CDib& d) { d.ChangeHue(degrees); }; };
    EXPECT_EQ((Rgb{0, 255, 0}), After(Rgb{255, 0, 0}, hue(120)));
    EXPECT_EQ((Rgb{0, 0, 255}), After(Rgb{255, 0, 0}, hue(-120)));
    EXPECT_EQ((Rgb{255, 0, 255}), After(Rgb{255, 0, 0}, hue(-60)));
    EXPECT_EQ((Rgb{100, 200, 200}), After(Rgb{200, 100, 100}, hue(180)));
    EXPECT_EQ((Rgb{90, 90, 90}), After(Rgb{90, 90, 90}, hue(77)));
}

TEST(DibOperation, GammaAndLevels)
{
    auto gamma = [](UINT g) { return [g](CDib& d) { d.ChangeGamma(g); }; };
    EXPECT_EQ((Rgb{128, 0, 255}), After(Rgb{64, 0, 255}, gamma(200)));
    EXPECT_EQ((Rgb{64, 0, 255}), After(Rgb{128, 0, 255}, gamma(50)));
    CDib dib = Solid(1, 1, Rgb{1, 2, 3});
    EXPECT_FALSE(dib.ChangeGamma(0));

    auto levels = [](int channel, int inLow, int inHigh, int outLow, int outHigh) {
        return [=](CDib& d) { d.RemapLevel(channel, (short)inLow, (short)inHigh, (short)outLow, (short)outHigh, 1.0); };
    };
    EXPECT_EQ((Rgb{10, 105, 200}), After(Rgb{0, 128, 255}, levels(0, 0, 255, 10, 200)));
    EXPECT_EQ((Rgb{0, 128, 255}), After(Rgb{40, 100, 160}, levels(0, 50, 150, 0, 255)));
    EXPECT_EQ((Rgb{10, 128, 255}), After(Rgb{0, 128, 255}, levels(1, 0, 255, 10, 200)));   // red only
    EXPECT_EQ((Rgb{0, 128, 200}), After(Rgb{0, 128, 255}, levels(3, 0, 255, 10, 200)));    // blue only
    EXPECT_EQ((Rgb{255, 127, 0}), After(Rgb{0, 128, 255}, levels(0, 0, 255, 255, 0)));     // inverted
    CDib gammaLevels = Solid(1, 1, Rgb{64, 64, 64});
    gammaLevels.RemapLevel(0, 0, 255, 0, 255, 2.0);
    EXPECT_EQ((Rgb{128, 128, 128}), PixelAt(gammaLevels, 0, 0));
}

TEST(DibOperation, BalanceColorsIsAMatrixOfInputContributions)
{
    // Red balance 50 as the adjustment dialog computes it: a grey turns red.
    const tagBALANCING red = {1 + 50 / 256.0, -50 / 512.0, -50 / 512.0}, green = {0, 1, 0}, blue = {0, 0, 1};
    EXPECT_EQ((Rgb{120, 90, 90}), After(Rgb{100, 100, 100}, [&](CDib& d) { d.BalanceColors(&red, &green, &blue); }));
    // Record k says where input channel k goes: red into green and green into red swaps them.
    const tagBALANCING redToGreen = {0, 1, 0}, greenToRed = {1, 0, 0};
    EXPECT_EQ((Rgb{100, 200, 50}),
              After(Rgb{200, 100, 50}, [&](CDib& d) { d.BalanceColors(&redToGreen, &greenToRed, &blue); }));
    CDib dib = Solid(1, 1, Rgb{1, 2, 3});
    EXPECT_FALSE(dib.BalanceColors(&red, nullptr, &blue));
}

TEST(DibOperation, PerHueAdjustmentFollowsTheHueRanges)
{
    auto perHue = [](int entry, int sat, int light) {
        return [=](CDib& d) {
            int s[7] = {}, l[7] = {};
            s[entry] = sat;
            l[entry] = light;
            d.ChangeBitmapSaturation(zeros, s, l);
        };
    };
    // Entry 2 is green: a green gains 50% colourfulness, a red and a grey are left alone.
    EXPECT_EQ((Rgb{85, 160, 85}), After(Rgb{100, 150, 100}, perHue(2, 50, 0)));
    EXPECT_EQ((Rgb{150, 100, 100}), After(Rgb{150, 100, 100}, perHue(2, 50, 0)));
    EXPECT_EQ((Rgb{120, 120, 120}), After(Rgb{120, 120, 120}, perHue(2, 50, 0)));
    // Hue 90 lies halfway between yellow and green, so it gets half of green's amount.
    EXPECT_EQ((Rgb{144, 207, 82}), After(Rgb{150, 200, 100}, perHue(2, 50, 0)));
    // Ties between the largest channels and ranges reaching across into the next sixth: an
    // equal red and green is hue 60, the border of green, and a yellow range reaches into reds.
    EXPECT_EQ((Rgb{200, 200, 50}), After(Rgb{200, 200, 50}, perHue(2, 50, 0)));
    EXPECT_FALSE((Rgb{255, 150, 0}) == After(Rgb{255, 150, 0}, perHue(4, 50, 0)));
    EXPECT_FALSE((Rgb{0, 100, 255}) == After(Rgb{0, 100, 255}, perHue(5, 50, 0)));
    EXPECT_EQ((Rgb{0, 100, 255}), After(Rgb{0, 100, 255}, perHue(4, 50, 0)));
    // Entry 0 is every colour; -100 saturation is grey.
    EXPECT_EQ((Rgb{124, 124, 124}), After(Rgb{200, 100, 50}, perHue(0, -100, 0)));
    // Lightness: halfway to white, halfway to black.
    EXPECT_EQ((Rgb{178, 203, 178}), After(Rgb{100, 150, 100}, perHue(0, 0, 50)));
    EXPECT_EQ((Rgb{50, 75, 50}), After(Rgb{100, 150, 100}, perHue(2, 0, -50)));
    // Hue table: magenta (entry 6) turned by 100 (180 degrees) becomes green.
    int hue[7] = {};
    hue[6] = 100;
    EXPECT_EQ((Rgb{0, 255, 0}), After(Rgb{255, 0, 255}, [&](CDib& d) { d.ChangeBitmapSaturation(hue, zeros, zeros); }));
}

TEST(DibOperation, BrightProbailityIsGreyStretchedAroundTheLevel)
{
    auto run = [&](Rgb c, BYTE level, int amount) {
        CDib source = Solid(1, 1, c);
        CDrawDib working;
        working = source;
        working.BrightProbaility(level, amount);
        EXPECT_EQ(c, PixelAt(source, 0, 0)) << "the source changed";
        return PixelAt(working, 0, 0);
    };
    EXPECT_EQ((Rgb{124, 124, 124}), run(Rgb{200, 100, 50}, 128, 0));
    EXPECT_EQ((Rgb{176, 176, 176}), run(Rgb{200, 100, 50}, 100, 1000));
    EXPECT_EQ((Rgb{252, 252, 252}), run(Rgb{200, 100, 50}, 120, 30000));
    EXPECT_EQ((Rgb{0, 0, 0}), run(Rgb{200, 100, 50}, 130, 30000));
}

TEST(DibOperation, QueuedOperationsMatchOneByOne)
{
    // Each read in the one-by-one run makes the picture apply what is queued before the next step.
    const tagBALANCING red = {1.2, -0.1, -0.1}, green = {0, 1, 0}, blue = {0.05, 0, 0.95};
    int sat[7] = {};
    sat[2] = 30;
    const std::function<void(CDib&)> chain[] = {
        [&](CDib& d) { d.BalanceColors(&red, &green, &blue); },
        [](CDib& d) { d.ChangeBrightness(150); },
        [](CDib& d) { d.ChangeContrast(-300); },
        [&](CDib& d) { d.ChangeBitmapSaturation(zeros, sat, zeros); },
        [](CDib& d) { d.ChangeSaturation(200); },
        [](CDib& d) { d.ChangeGamma(140); },
        [](CDib& d) { d.RemapLevel(0, 0, 255, 10, 240, 1.0); },
        [](CDib& d) { d.ChangeHue(25); },
    };
    for (int bits : {24, 32}) {
        CDib queued = Pattern(50, 30, bits), stepwise = queued;
        for (const auto& step : chain) {
            step(queued);
            step(stepwise);
            stepwise.GetBits();
        }
        EXPECT_TRUE(SamePixels(queued, stepwise)) << bits << " bits";
    }
}
