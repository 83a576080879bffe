// The demo host's picture check on a real portrait: each test picture made from the standard fails
// exactly the check it was made for, and a different photograph fails as a whole.
#include "PictureCheck.h"
#include <TestFolder.h>
#include <gtest/gtest.h>
#include <string>

namespace {

const char* const kNames[checkCount] = { "overall", "colour", "brightness", "contrast", "background", "head" };

std::string Failed(const CPictureCheckResult& r)
{
    std::string out;
    for (int i = 0; i < checkCount; ++i)
        if (r.failed[i])
            out += std::string(out.empty() ? "" : " ") + kNames[i];
    if (r.resultFailed)
        out += std::string(out.empty() ? "" : " ") + "final";
    return out;
}

std::string Values(const CPictureCheckResult& r)
{
    char text[200];
    std::snprintf(text, sizeof text, "overall %.2f colour %.2f brightness %.2f contrast %.2f background %.2f head %.2f final %.2f",
                  r.value[checkOverall], r.value[checkColor], r.value[checkBright], r.value[checkContrast],
                  r.value[checkBack], r.value[checkHead], r.result);
    return text;
}

class PictureCheck : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_standard = new CDib;
        s_other = new CDib;
        const CString samples = ExecutableFolder() + "..\\samples\\";
        s_standard->Load(samples + "astronaut.png");
        s_other->Load(samples + "chelsea.png");
    }
    static void TearDownTestSuite()
    {
        delete s_standard;
        delete s_other;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_standard->IsValid()) << "the sample portrait astronaut.png";
        ASSERT_TRUE(s_other->IsValid());
    }
    static CDib* s_standard;
    static CDib* s_other;
};
CDib* PictureCheck::s_standard = nullptr;
CDib* PictureCheck::s_other = nullptr;

} // namespace

TEST_F(PictureCheck, EachSampleFailsExactlyItsOwnCheck)
{
    struct Case { CheckSample kind; const char* failed; CString verdict; CString CPictureCheckResult::*text; };
    const Case cases[] = {
        { sampleCopy, "", "与标准图一致，合格", &CPictureCheckResult::strConsist },
        { sampleDarker, "brightness", "偏暗", &CPictureCheckResult::strBright },
        { sampleFlatter, "contrast", "偏小", &CPictureCheckResult::strContrast },
        { sampleColorCast, "colour", "偏红", &CPictureCheckResult::strColor },
        { sampleHeadMoved, "head", "头偏右下角", &CPictureCheckResult::strHead },
    };
    const CPictureCheckSettings settings;
    for (const Case& c : cases) {
        CDib sample;
        ASSERT_TRUE(MakeCheckSample(*s_standard, c.kind, sample));
        CPictureCheckResult r;
        ASSERT_TRUE(CheckPicture(*s_standard, sample, settings, r));
        EXPECT_EQ(c.failed, Failed(r)) << CheckSampleName(c.kind) << ": " << Values(r);
        EXPECT_EQ(c.verdict, r.*c.text) << CheckSampleName(c.kind);
        if (c.kind == sampleCopy)
            for (int i = 0; i < checkCount; ++i)
                EXPECT_EQ(0.0, r.value[i]) << kNames[i] << " of a copy";
        else
            EXPECT_NE(-1, r.strConsist.Find("不合格")) << CheckSampleName(c.kind);
    }
}

TEST_F(PictureCheck, TheHeadIsFoundOnThePortraitAndFollowsAMove)
{
    CPictureMeasure m;
    ASSERT_TRUE(MeasurePicture(*s_standard, m));
    ASSERT_TRUE(m.headFound);
    // The astronaut's hair begins a few percent below the top, her head a little left of centre.
    EXPECT_GT(m.headY, 1.0);
    EXPECT_LT(m.headY, 10.0);
    EXPECT_GT(m.headX, 35.0);
    EXPECT_LT(m.headX, 55.0);
    CDib moved;
    ASSERT_TRUE(MakeCheckSample(*s_standard, sampleHeadMoved, moved));
    CPictureMeasure mm;
    ASSERT_TRUE(MeasurePicture(moved, mm));
    EXPECT_NEAR(8.0, mm.headX - m.headX, 1.5);
    EXPECT_NEAR(6.0, mm.headY - m.headY, 1.5);
}

TEST_F(PictureCheck, ADifferentPhotographFailsAsAWhole)
{
    CPictureCheckResult r;
    ASSERT_TRUE(CheckPicture(*s_standard, *s_other, CPictureCheckSettings(), r));
    EXPECT_TRUE(r.failed[checkOverall]) << Values(r);
    EXPECT_TRUE(r.resultFailed) << Values(r);
    EXPECT_EQ(0, r.strConsist.Find("不合格：")) << (const char*)r.strConsist;

    // No head at all: a plain picture.
    CDib plain;
    plain.Create(200, 260, 24);
    for (int y = 0; y < 260; ++y)
        memset(plain.GetLine(y), 128, 200 * 3);
    ASSERT_TRUE(CheckPicture(*s_standard, plain, CPictureCheckSettings(), r));
    EXPECT_TRUE(r.failed[checkHead]);
    EXPECT_EQ(CString("找不到头部"), r.strHead);
}

TEST_F(PictureCheck, OnlyTickedChecksFailAndAZeroLimitToleratesNothing)
{
    CDib darker;
    ASSERT_TRUE(MakeCheckSample(*s_standard, sampleDarker, darker));
    CPictureCheckSettings settings;
    settings.bBright = FALSE;
    CPictureCheckResult r;
    ASSERT_TRUE(CheckPicture(*s_standard, darker, settings, r));
    EXPECT_EQ("", Failed(r)) << Values(r);
    EXPECT_GT(r.value[checkBright], 5.0) << "measured all the same";
    EXPECT_EQ(CString("未检测"), r.strBright);

    // Limits of 0: any difference fails, none passes.
    settings = CPictureCheckSettings();
    settings.nFinalLimit = settings.nOverallLimit = settings.nColorLimit = settings.nBrightLimit = 0;
    settings.nContrastLimit = settings.nBackLimit = settings.nHeadLimit = 0;
    ASSERT_TRUE(CheckPicture(*s_standard, *s_standard, settings, r));
    EXPECT_EQ("", Failed(r));
    ASSERT_TRUE(CheckPicture(*s_standard, darker, settings, r));
    EXPECT_TRUE(r.failed[checkBright]);
    EXPECT_TRUE(r.resultFailed);

    // The final value: 60 times the mean share of the full scales.
    const double scales[checkCount] = { 40, 15, 15, 10, 20, 20 };
    double share = 0;
    for (int i = 0; i < checkCount; ++i)
        share += r.value[i] / scales[i];
    EXPECT_NEAR(60.0 * share / checkCount, r.result, 1e-9);

    CDib invalid;
    EXPECT_FALSE(CheckPicture(*s_standard, invalid, settings, r));
    EXPECT_FALSE(MakeCheckSample(invalid, sampleDarker, darker));
}
