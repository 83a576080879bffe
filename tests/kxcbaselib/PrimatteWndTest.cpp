// CPrimatteWnd and its key: what one pick makes of a photographed screen, what each operation
// does to the key, undo and redo, the bounds of the history, zoom keys and bad pictures.
#include "TestWindows.h"
#include <KeyFilters.h>
#include <KeyScene.h>
#include <PrimatteWnd.h>
#include <TestFolder.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

const COLORREF kGreenScreen = RGB(40, 170, 70);
const COLORREF kBlueScreen = RGB(35, 70, 190);

class CHookedPrimatteWnd : public CPrimatteWnd
{
public:
    int m_nShowChanged = 0;
    int m_nFineReady = 0;
    int m_nScaleChanged = 0;
    // What the view shows of a part of the full-size picture (zoomed in past its fitted copy).
    bool RenderFull(const CRect& rc, CDib& result) const { return RenderRegion(true, rc, result); }
protected:
    void OnShowTypeChanged() override { ++m_nShowChanged; }
    void OnFineTuningReady() override { ++m_nFineReady; }
    void OnScaleChanged() override { ++m_nScaleChanged; }
};

// Mean absolute difference of a mask from the truth, in levels, and the share of pixels off by
// more than a quarter.
struct MatteError
{
    double mean = 0;
    double badShare = 0;
};

MatteError Compare(const CDib& mask, const std::vector<BYTE>& truth)
{
    MatteError e;
    const int w = mask.GetWidth(), h = mask.GetHeight();
    long long bad = 0;
    double sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int d = std::abs((int)mask.GetLine(y)[3 * x] - (int)truth[(size_t)y * w + x]);
            sum += d;
            bad += d > 64;
        }
    e.mean = sum / ((double)w * h);
    e.badShare = (double)bad / ((double)w * h);
    return e;
}

// A 24-bit picture of w x h pixels, each of the colour colourAt(x, y) gives.
template <class ColourAt>
CDib Painted(int w, int h, ColourAt colourAt)
{
    CDib dib;
    dib.Create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colourAt(x, y);
            BYTE* p = dib.GetLine(y) + 3 * x;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return dib;
}

// A picture of the screen colour with patches: each patch a colour to key.
CDib Patches(COLORREF screen, const std::vector<COLORREF>& patches)
{
    return Painted(40 * (int)(patches.size() + 1), 40, [&](int x, int y) {
        const int k = x / 40 - 1;
        return k >= 0 && y >= 10 && y < 30 && x % 40 >= 10 && x % 40 < 30 ? patches[k] : screen;
    });
}

COLORREF Mix(COLORREF fg, COLORREF bg, double a)
{
    return RGB((int)std::lround(GetRValue(fg) * a + GetRValue(bg) * (1 - a)),
               (int)std::lround(GetGValue(fg) * a + GetGValue(bg) * (1 - a)),
               (int)std::lround(GetBValue(fg) * a + GetBValue(bg) * (1 - a)));
}

std::vector<BYTE> Bytes(const CDib& dib)
{
    std::vector<BYTE> bytes;
    for (int y = 0; y < dib.GetHeight(); ++y)
        bytes.insert(bytes.end(), dib.GetLine(y), dib.GetLine(y) + dib.GetWidth() * dib.GetBitsPerPixel() / 8);
    return bytes;
}

class PrimatteWndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateHostWindow(m_host, 30, 30, 700, 520));
        ASSERT_TRUE(m_view.Create(WS_CHILD | WS_VISIBLE, nullptr, 0, &m_host));
        m_view.MoveWindow(10, 10, 640, 480);
    }

    // A click of the picker at a picture point, as the mouse makes it.
    void Click(double x, double y)
    {
        const CPoint p = m_view.PictureToClient(x + 0.5, y + 0.5);
        m_view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        m_view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    int AlphaAt(int x, int y) { return m_view.GetMask()->GetLine(y)[3 * x]; }
    // The picture as the foreground, and the screen picked at a point of it.
    void PickScreen(const CDib& dib, int x, int y)
    {
        ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
        m_view.SetOpType(KX_OP_PICKSCREEN);
        Click(x, y);
    }

    // The foreground keyed whole, then in strips too narrow for the vector kernels, which the
    // plain code keys alone: whether both give the same composite and mask.
    bool StripsKeyAsTheWhole()
    {
        const std::vector<BYTE> whole = Bytes(*m_view.GetComposite()), wholeMask = Bytes(*m_view.GetMask());
        const int width = m_view.GetComposite()->GetWidth(), height = m_view.GetComposite()->GetHeight();
        for (int x = 0; x < width; x += 7)
            if (m_view.PrimatteImage(x, 0, 7, height) != 1)
                return false;
        return whole == Bytes(*m_view.GetComposite()) && wholeMask == Bytes(*m_view.GetMask());
    }

    CWnd m_host;
    CHookedPrimatteWnd m_view;
    TestFolder m_folder;
};

// One pick on the screen of a photographed subject: hair, soft edges and glass come out close to
// the truth, on a green and on a blue screen, through noise, uneven light, spill and JPEG.
TEST_F(PrimatteWndTest, OnePickKeysAPhotographedScreenCloseToTheTruth)
{
    CDib photo;
    ASSERT_EQ(1, photo.Load(ExecutableFolder() + "..\\samples\\astronaut.png"));
    for (COLORREF screen : {kGreenScreen, kBlueScreen}) {
        KEYSCENEOPT opt;
        opt.width = 480;
        opt.height = 360;
        opt.screen = screen;
        opt.hairStrands = 60;
        KEYSCENE scene;
        ASSERT_TRUE(MakeKeyScene(photo, opt, m_folder.Path(), scene));
        ASSERT_EQ(1, m_view.SetPicture(&scene.composite, KX_PRIM_FOREGROUND, "scene.jpg"));
        m_view.SetOpType(KX_OP_PICKSCREEN);
        Click(30, 30);
        ASSERT_TRUE(m_view.IsKeyed());
        EXPECT_EQ(KX_SHOW_COMPOSITE, m_view.m_nShowType) << "a pick shows the composite";
        const MatteError e = Compare(*m_view.GetMask(), scene.alpha);
        EXPECT_LT(e.mean, 7.5) << "screen " << std::hex << screen;
        EXPECT_LT(e.badShare, 0.04) << "screen " << std::hex << screen;
        // The darkest corner of the screen is background, the middle of the chest opaque.
        EXPECT_EQ(0, AlphaAt(opt.width - 3, 3));
        EXPECT_EQ(255, AlphaAt(opt.width * 45 / 100, opt.height - 10));
    }
}

// Each operation moves the key the way it promises, for the colours it was given.
TEST_F(PrimatteWndTest, OperationsChangeTheKeyForTheirColours)
{
    const COLORREF grey = RGB(128, 128, 128);
    const COLORREF screen = kGreenScreen;
    // 1 a speck on the screen, 2 a teal foreground, 3 grey seen through at 40 %, 4 a pale
    // blue seen through at 50 %, 5 a faint grey veil, 6 a pale skin with green spill.
    const std::vector<COLORREF> colours = {RGB(70, 150, 70), RGB(40, 140, 110), Mix(grey, screen, 0.4),
                                           Mix(RGB(150, 170, 250), screen, 0.5), Mix(grey, screen, 0.06),
                                           RGB(190, 185, 120)};
    CDib dib = Patches(screen, colours);
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    m_view.ZoomActual();
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(5, 5);
    auto alpha = [&](int k) { return AlphaAt(40 * (k + 1) + 20, 20); };
    auto green = [&](int k) {
        const BYTE* p = m_view.GetComposite()->GetLine(20) + 3 * (40 * (k + 1) + 20);
        return (int)p[1] - (p[0] + p[2]) / 2;
    };
    ASSERT_GT(alpha(0), 0);
    ASSERT_LT(alpha(1), 255);
    EXPECT_NEAR(alpha(2), 102, 30) << "40 % grey measures about 40 %";

    // Each click at once does what its operation promises for the colour clicked.
    auto click = [&](int op, int patch) {
        m_view.SetOpType(op);
        Click(40 * (patch + 1) + 20, 20);
    };
    click(KX_OP_CLEANBG, 0);
    EXPECT_EQ(0, alpha(0)) << "cleaned background";
    click(KX_OP_CLEANFG, 1);
    EXPECT_EQ(255, alpha(1)) << "cleaned foreground";
    click(KX_OP_FGOPAQUE, 2);
    EXPECT_EQ(255, alpha(2)) << "made opaque";
    const int seen = alpha(3);
    click(KX_OP_FGTRANSPARENT, 3);
    EXPECT_NEAR(alpha(3), seen * 2 / 3, 12) << "made more transparent by a third";
    const int veil = alpha(4);
    click(KX_OP_RESTOREDETAIL, 4);
    EXPECT_GT(alpha(4), veil) << "detail restored";
    const int spill = green(5);
    click(KX_OP_CLEANSPILL, 5);
    EXPECT_LT(green(5), spill) << "spill cleaned";

    // Fine tuning: more transparency for all colours lowers the 40 % grey, 0, 0, 0 gives the key
    // of the selection back.
    m_view.SetOpType(KX_OP_FINETUNE);
    EXPECT_EQ(1, m_view.m_nFineReady) << "fine tuning is ready at once when a key exists";
    const std::vector<BYTE> before = Bytes(*m_view.GetComposite());
    const int seenBefore = alpha(3);
    m_view.SetFineTuningVal(0, 60, 0);
    EXPECT_LT(alpha(3), seenBefore);
    m_view.SetFineTuningVal(0, 0, 0);
    EXPECT_EQ(before, Bytes(*m_view.GetComposite()));
    // Picking a colour in fine tuning is a new selection.
    Click(40 * 4 + 20, 20);
    EXPECT_EQ(2, m_view.m_nFineReady);

    // Shrinking erodes the matte: the opaque patch's border pixels become background (whose
    // opacity the restored veil has left a trace above none).
    const int screenAlpha = 3;
    EXPECT_LE(AlphaAt(5, 20), screenAlpha);
    EXPECT_EQ(255, AlphaAt(40 * 2 + 10, 20));
    m_view.SetDefocusShrinkVal(0, 30);
    EXPECT_LE(AlphaAt(40 * 2 + 10, 20), screenAlpha);
    EXPECT_EQ(255, AlphaAt(40 * 2 + 20, 20));
    m_view.SetDefocusShrinkVal(25, 30);
    m_view.SetInwardFlag(1);
    EXPECT_GT(AlphaAt(40 * 2 + 20, 20), 128);
    EXPECT_LE(AlphaAt(40 * 2 + 12, 20), screenAlpha) << "inward: the soft edge stays inside";
    EXPECT_LE(AlphaAt(40 * 2 + 6, 20), screenAlpha) << "inward: nothing grows outwards";
}

// A click changes the mixes of the colour clicked, on its way from the screen, and leaves the
// ones far from it on that way as they were: the subject's soft edge stays soft when its core is
// made opaque, its core stays opaque when a veil of its colour is made more transparent, and
// restoring a faint mix raises it without passing the mixes of more opacity.
TEST_F(PrimatteWndTest, ClicksChangeTheMixesNearTheColourOnItsWay)
{
    const COLORREF screen = kGreenScreen;
    const COLORREF grey = RGB(128, 128, 128), rose = RGB(150, 120, 140);
    const std::vector<double> shares = {0.05, 0.15, 0.3, 0.45, 0.6, 0.8, 1.0};
    auto patchesOf = [&](COLORREF subject) {
        std::vector<COLORREF> colours;
        for (double a : shares)
            colours.push_back(Mix(subject, screen, a));
        return Patches(screen, colours);
    };
    auto alpha = [&](size_t k) { return AlphaAt(40 * ((int)k + 1) + 20, 20); };
    auto clickAt = [&](int op, size_t k) {
        m_view.SetOpType(op);
        Click(40 * ((int)k + 1) + 20, 20);
    };
    auto alphas = [&] {
        std::vector<int> all;
        for (size_t k = 0; k < shares.size(); ++k)
            all.push_back(alpha(k));
        return all;
    };
    auto pick = [&](const CDib& dib) {
        ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
        m_view.ZoomActual();
        m_view.SetOpType(KX_OP_PICKSCREEN);
        Click(5, 5);
    };

    // Grey seen through at 60 % made opaque: 80 % and the grey itself are opaque too, the faint
    // mixes (up to 30 %) keep what they had.
    const CDib greys = patchesOf(grey);
    pick(greys);
    const std::vector<int> before = alphas();
    ASSERT_NEAR(before[4], 153, 30) << "60 % grey measures about 60 %";
    clickAt(KX_OP_FGOPAQUE, 4);
    const std::vector<int> opaque = alphas();
    EXPECT_EQ(255, opaque[4]);
    EXPECT_EQ(255, opaque[5]);
    EXPECT_EQ(255, opaque[6]);
    for (size_t k = 0; k <= 2; ++k)
        EXPECT_NEAR(opaque[k], before[k], 4) << "the soft edge at " << shares[k];

    // A rose veil at 45 % made more transparent: it and the fainter mixes lose a third, the rose
    // itself stays opaque.
    const CDib roses = patchesOf(rose);
    pick(roses);
    const std::vector<int> rosy = alphas();
    ASSERT_EQ(255, rosy[6]);
    clickAt(KX_OP_FGTRANSPARENT, 3);
    const std::vector<int> veiled = alphas();
    for (size_t k = 1; k <= 3; ++k)
        EXPECT_NEAR(veiled[k], rosy[k] * 2 / 3, 10) << "the veil at " << shares[k];
    EXPECT_EQ(255, veiled[6]) << "the subject's own colour";
    EXPECT_GE(veiled[5], rosy[5] * 9 / 10) << "the colour further out";

    // Grey at 15 % restored: half again its opacity, the 5 % mix nearer the screen as it was,
    // the screen clear, and no mix shows more than one of more opacity.
    pick(greys);
    clickAt(KX_OP_RESTOREDETAIL, 1);
    const std::vector<int> restored = alphas();
    EXPECT_GE(restored[1], before[1] * 13 / 10) << "the mix clicked, before " << before[1];
    EXPECT_LE(restored[1], before[1] * 17 / 10) << "the mix clicked, before " << before[1];
    EXPECT_NEAR(restored[0], before[0], 3) << "the mix nearer the screen";
    EXPECT_EQ(0, AlphaAt(5, 20)) << "the screen";
    for (size_t k = 1; k < shares.size(); ++k)
        EXPECT_GE(restored[k], restored[k - 1]) << "the mix at " << shares[k];
    EXPECT_EQ(255, restored[6]);

    // Grey at 15 % cleaned as background: it and the fainter mix are clear, the stronger mixes
    // of its way (strands beside a speck of their colour) keep their opacity.
    pick(greys);
    clickAt(KX_OP_CLEANBG, 1);
    const std::vector<int> cleaned = alphas();
    EXPECT_EQ(0, cleaned[0]) << "the mix nearer the screen";
    EXPECT_EQ(0, cleaned[1]) << "the mix clicked, before " << before[1];
    EXPECT_GE(cleaned[2], before[2] * 9 / 10) << "the mix at 30 %";
    for (size_t k = 3; k < shares.size(); ++k)
        EXPECT_NEAR(cleaned[k], before[k], 4) << "the mix at " << shares[k];
}

// Strands fainter than the screen's noise vanish with the pick; restoring detail at one of them
// brings them all back (they share its colour), while the noisy screen round them stays clear.
TEST_F(PrimatteWndTest, RestoringFaintStrandsLeavesTheScreenClear)
{
    // A green screen with sensor noise, crossed by strands three pixels wide that are 8 % black.
    const int w = 240, h = 160;
    CDib dib;
    ASSERT_TRUE(dib.Create(w, h, 24));
    std::vector<bool> strand((size_t)w * h, false), nearStrand((size_t)w * h, false);
    SensorNoise gauss(12345);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Three strands: two slanting, one level.
            const int d = std::min({std::abs(y - (x / 2 + 20)), std::abs(y - (130 - x / 3)), std::abs(y - 80)});
            const bool on = x >= 60 && d <= 1;
            strand[(size_t)y * w + x] = on;
            nearStrand[(size_t)y * w + x] = x >= 56 && d <= 4;
            const double a = on ? 0.08 : 0;
            BYTE* p = dib.GetLine(y) + 3 * x;
            const double screen[3] = {GetBValue(kGreenScreen), GetGValue(kGreenScreen), GetRValue(kGreenScreen)};
            for (int i = 0; i < 3; ++i)
                p[i] = (BYTE)std::min(255.0, std::max(0.0, std::round((1 - a) * screen[i] + 3 * gauss())));
        }
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    m_view.ZoomActual();
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(20, 140);
    // The strands' mean opacity; the screen pixels away from them that show at all, and that
    // show more than faintly (8 levels).
    struct Seen { double strand; int screen, screenAbove8; };
    auto measure = [&] {
        Seen seen{0, 0, 0};
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int a = AlphaAt(x, y);
                if (strand[(size_t)y * w + x]) {
                    seen.strand += a;
                    ++n;
                } else if (!nearStrand[(size_t)y * w + x]) {
                    seen.screen += a > 0;
                    seen.screenAbove8 += a > 8;
                }
            }
        seen.strand /= n;
        return seen;
    };
    const Seen before = measure();
    ASSERT_LT(before.strand, 4.0) << "the strands measure within the screen's noise, which the pick clears";
    ASSERT_LT(before.screen, w * h / 1000) << "the pick leaves the noisy screen clear";

    m_view.SetOpType(KX_OP_RESTOREDETAIL);
    Click(150, 80);
    const Seen after = measure();
    EXPECT_GT(after.strand, 10.0) << "the strands (20 levels in truth) show again; before " << before.strand;
    EXPECT_LT(after.strand, 40.0) << "and no more opaque than they measure";
    EXPECT_LT(after.screenAbove8, w * h / 1000) << "the screen stays clear";
    // A trace of a few hundredths of a percent: how many of the noise's pixels lie by the strands'
    // colour changes with the noise drawn, by a quarter either way.
    EXPECT_LT(after.screen, w * h / 320) << "but for a trace (" << before.screen << " pixels showing before)";
}

// Strands a pixel wide at every twelfth column from 60 to 179, rows 10 to 69, of the given cover
// over the screen, and a subject below (rows 90 on, columns 20 to 179) of subjectAt(x), with
// sensor noise of two levels' spread and the colour shared by blocks: a camera's picture.
bool BlurredStrandAt(int x, int y) { return x >= 60 && x < 180 && (x - 60) % 12 == 0 && y >= 10 && y < 70; }
template <class SubjectAt>
CDib StrandsAboveSubject(COLORREF screen, COLORREF strand, double cover, SubjectAt subjectAt, unsigned seed)
{
    SensorNoise gauss(seed);
    CDib dib = Painted(200, 120, [&](int x, int y) {
        COLORREF c = screen;
        if (BlurredStrandAt(x, y))
            c = Mix(strand, screen, cover);
        if (y >= 90 && x >= 20 && x < 180)
            c = subjectAt(x);
        return gauss.Noisy(c, 2);
    });
    ShareColourByBlocks(dib);
    return dib;
}

// Most cameras store a picture's colour at half its size each way: the colour difference then
// spreads a strand one pixel wide over two at half its opacity. The brightness, stored at full
// size, gives the strand back its own pixel, whatever region the picture is keyed in.
TEST_F(PrimatteWndTest, BrightnessSharpensMixesWhereTheColourIsBlurred)
{
    const int w = 200, h = 120;
    // White strands of 80 % opacity, a subject below.
    CDib dib = StrandsAboveSubject(kGreenScreen, RGB(230, 230, 230), 0.8, [](int) { return RGB(205, 160, 130); }, 777);
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(20, 40);
    ASSERT_TRUE(m_view.IsKeyed());
    double strand = 0, beside = 0;
    int n = 0;
    for (int y = 14; y < 66; ++y)
        for (int x = 60; x < 180; x += 12) {
            strand += AlphaAt(x, y);
            beside += AlphaAt(x + 1, y);
            ++n;
        }
    EXPECT_NEAR(strand / n, 204, 30) << "the strands' own pixels";
    EXPECT_LT(beside / n, 30) << "the pixels beside them, which share their colour";
    EXPECT_EQ(255, AlphaAt(100, 105)) << "the subject";
    EXPECT_EQ(0, AlphaAt(30, 40)) << "the open screen";

    // Keyed in strips seven pixels wide, with the matte shaped in space or not: the same bytes.
    for (int shaped = 0; shaped < 2; ++shaped) {
        m_view.SetDefocusShrinkVal(shaped ? 10 : 0, shaped ? 20 : 0);
        ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0));
        const std::vector<BYTE> whole = Bytes(*m_view.GetComposite()), wholeMask = Bytes(*m_view.GetMask());
        for (int x = 0; x < w; x += 7)
            ASSERT_EQ(1, m_view.PrimatteImage(x, 0, 7, h));
        EXPECT_TRUE(whole == Bytes(*m_view.GetComposite())) << "shaped " << shaped;
        EXPECT_TRUE(wholeMask == Bytes(*m_view.GetMask())) << "shaped " << shaped;
    }
}

// Brown strands on a blue screen are only some twenty levels brighter than it: too little for
// the brightness to share their opacity out in full, yet plainly more than the screen's noise.
// The screen pixels beside them, which share their colour but not their brightness, still give
// up most of the cover the colour lends them, while the strands keep theirs and the subject
// stays solid.
TEST_F(PrimatteWndTest, ScreenBesideFaintlyBrighterStrandsShedsTheirCover)
{
    // Strands of half cover; a subject below in grey stripes a pixel wide: fine detail in
    // brightness alone, as a camera's picture with its colour at half size has.
    CDib dib = StrandsAboveSubject(kBlueScreen, RGB(120, 85, 50), 0.5,
                                   [](int x) { return x % 2 ? RGB(90, 90, 90) : RGB(150, 150, 150); }, 4242);
    PickScreen(dib, 20, 40);
    ASSERT_TRUE(m_view.IsKeyed());
    double strand = 0, beside = 0;
    int n = 0, besideDense = 0;
    for (int y = 14; y < 66; ++y)
        for (int x = 60; x < 180; x += 12) {
            strand += AlphaAt(x, y);
            beside += AlphaAt(x + 1, y);
            besideDense += AlphaAt(x + 1, y) > 64;
            ++n;
        }
    EXPECT_GT(strand / n, 80) << "the strands' own pixels (128 in truth)";
    EXPECT_LT(beside / n, 60) << "the screen beside them, which shares their colour (as dense as the strands by it)";
    EXPECT_LT(besideDense, n / 4) << "screen pixels beside a strand denser than a quarter";
    EXPECT_EQ(255, AlphaAt(100, 105)) << "the subject";
    EXPECT_EQ(255, AlphaAt(21, 95)) << "the subject's edge";
    EXPECT_EQ(0, AlphaAt(30, 40)) << "the open screen";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels share as the plain code does";
}

// A picture that is nearly all subject has too few cells of screen for their own noise levels:
// the pick measures the noise of the screen pixels there are, so the little screen keys clear.
TEST_F(PrimatteWndTest, APickOnLittleScreenMeasuresItsNoise)
{
    // A red subject with a corner of noisy green screen, six of the measure's cells.
    const int w = 240, h = 160, screenW = 30, screenH = 20;
    CDib dib;
    ASSERT_TRUE(dib.Create(w, h, 24));
    SensorNoise gauss(777);
    const double screen[3] = {GetBValue(kGreenScreen), GetGValue(kGreenScreen), GetRValue(kGreenScreen)};
    const double subject[3] = {50, 60, 200};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double* c = x < screenW && y < screenH ? screen : subject;
            BYTE* p = dib.GetLine(y) + 3 * x;
            for (int i = 0; i < 3; ++i)
                p[i] = (BYTE)std::min(255.0, std::max(0.0, std::round(c[i] + 3 * gauss())));
        }
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    m_view.ZoomActual();
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(10, 10);
    ASSERT_TRUE(m_view.IsKeyed());
    int screenShowing = 0, subjectNotOpaque = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < screenW - 2 && y < screenH - 2)
                screenShowing += AlphaAt(x, y) > 0;
            else if (x >= screenW + 2 || y >= screenH + 2)
                subjectNotOpaque += AlphaAt(x, y) < 255;
        }
    EXPECT_LE(screenShowing, 3) << "of " << (screenW - 2) * (screenH - 2) << " screen pixels";
    EXPECT_EQ(0, subjectNotOpaque);
}

// A subject of skin colour in front of the blue screen, with a navy coat at 130..229 x 110.. and
// a pane of the given colour at 260..349 x 110..209 in it; with the strand, a navy line across the
// open screen at rows 40 and 41.
CDib CoatAndPane(COLORREF pane, bool bStrand)
{
    const COLORREF navy = RGB(60, 45, 120);
    return Painted(400, 240, [&](int x, int y) {
        COLORREF c = kBlueScreen;
        if (x >= 100 && x < 380 && y >= 80)
            c = RGB(205, 160, 130);
        if (x >= 130 && x < 230 && y >= 110)
            c = navy;
        if (x >= 260 && x < 350 && y >= 110 && y < 210)
            c = pane;
        if (bStrand && x >= 20 && (y == 40 || y == 41))
            c = navy;
        return c;
    });
}

// Navy cloth on a blue screen reads as the screen darkened, half transparent by its colour
// alone. Inside the subject it is opaque; at the open screen, a strand of the same colour stays
// as see-through as it reads, and so does a pane of glass (lighter than the screen) inside.
TEST_F(PrimatteWndTest, DarkPartsInsideTheSubjectAreOpaque)
{
    // A subject with a pane of glass in it, and a navy strand two pixels wide across the open
    // screen above it.
    CDib dib = CoatAndPane(Mix(RGB(225, 215, 205), kBlueScreen, 0.35), true);
    PickScreen(dib, 10, 10);
    EXPECT_EQ(255, AlphaAt(180, 170)) << "the navy coat inside the subject";
    const int strand = AlphaAt(200, 40);
    EXPECT_GT(strand, 60);
    EXPECT_LT(strand, 190) << "the navy strand at the open screen keeps its measure";
    EXPECT_NEAR(AlphaAt(305, 160), 89, 25) << "the glass inside the subject keeps its measure";
    EXPECT_EQ(0, AlphaAt(50, 150)) << "the open screen";
    // The navy keeps its own colour in the composite, none of its blue taken away as spill.
    m_view.SetDefaultBgColor(KX_DEFBG_COLOR, RGB(255, 255, 255));
    const BYTE* p = m_view.GetComposite()->GetLine(170) + 3 * 180;
    EXPECT_EQ(RGB(60, 45, 120), RGB(p[2], p[1], p[0]));
}

// Strands of hair across the screen in the columns from 96 to 899 that isStrand says, over rows
// 60 to 299, at the given cover, above an opaque patch of the hair's colour (x 300 to 699, y from
// 380), in a picture large enough to be reduced for the analysis.
template <class IsStrand>
CDib StrandsAbovePatch(COLORREF hair, COLORREF screen, double cover, IsStrand isStrand)
{
    return Painted(1024, 480, [&](int x, int y) {
        if (x >= 300 && x < 700 && y >= 380)
            return hair;
        if (y >= 60 && y < 300 && x >= 96 && x < 900 && isStrand(x))
            return Mix(hair, screen, cover);
        return screen;
    });
}

// Dense dark strands over the green screen, two pixels wide and two apart, every eighth column
// pair from 96 to 899 over rows 60 to 299: their mixes darken the screen as a dark part of the
// subject does, and the screen shows only in the narrow gaps between them. The gaps are open
// screen all the same, so the strands keep the cover they measure instead of turning opaque, and
// the gaps stay clear.
TEST_F(PrimatteWndTest, DenseStrandsWithTheScreenBetweenThemStayMixes)
{
    const COLORREF brown = RGB(60, 50, 40);
    const double cover = 0.5;
    PickScreen(StrandsAbovePatch(brown, kGreenScreen, cover, [](int x) { return x % 8 >= 4 && x % 8 < 6; }), 20, 20);
    for (int y = 100; y < 260; y += 40)
        for (int x = 96; x < 880; x += 80) {
            EXPECT_NEAR(AlphaAt(x + 4, y), cover * 255, 40) << "a strand at " << x + 4 << ", " << y;
            EXPECT_NEAR(AlphaAt(x + 5, y), cover * 255, 40) << "a strand at " << x + 5 << ", " << y;
            EXPECT_EQ(0, AlphaAt(x + 1, y)) << "the screen between strands at " << x + 1 << ", " << y;
        }
    EXPECT_EQ(255, AlphaAt(500, 440)) << "the opaque patch";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels darken as the plain code does";
}

// Dark tinted glass inside the subject reads as the screen darkened, as navy cloth does, and is
// made opaque with it. The user who says it is see-through ("transparent foreground") has the
// last word on its colour; the navy coat stays opaque, and making the glass opaque again wins in
// turn.
TEST_F(PrimatteWndTest, ColoursClickedTransparentStaySeeThroughInsideTheSubject)
{
    CDib dib = CoatAndPane(Mix(RGB(25, 20, 20), kBlueScreen, 0.45), false);
    PickScreen(dib, 10, 10);
    ASSERT_EQ(255, AlphaAt(305, 160)) << "the tinted glass taken for a dark part of the subject";
    m_view.SetOpType(KX_OP_FGTRANSPARENT);
    Click(305, 160);
    const int glass = AlphaAt(305, 160);
    EXPECT_GT(glass, 40);
    EXPECT_LT(glass, 160) << "the glass clicked transparent";
    EXPECT_EQ(255, AlphaAt(180, 170)) << "the navy coat";
    EXPECT_EQ(255, AlphaAt(200, 90)) << "the skin";
    EXPECT_EQ(0, AlphaAt(50, 150)) << "the open screen";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels darken see-through colours as the plain code does";
    m_view.SetOpType(KX_OP_FGOPAQUE);
    Click(305, 160);
    EXPECT_EQ(255, AlphaAt(305, 160)) << "the glass made opaque again";
}

// A badge on a coat in front of the blue screen: stripes of lavender, pale blue and purple, whose
// colours lean so far to the screen's hue that by colour alone they read as mixes with it. Beside
// it a hole through the coat shows the screen, and a pane of grey glass at 35 % cover lets the
// screen through too. All of it carries sensor noise. The badge, enclosed by the coat with no
// screen showing in it, is opaque and keeps its own colours; the hole stays clear to its edges,
// and the pane, whose colours lie on one line from the screen's, keeps its cover.
TEST_F(PrimatteWndTest, ScreenColouredPartsEnclosedByTheSubjectAreOpaque)
{
    const COLORREF coat = RGB(205, 120, 60);
    const COLORREF stripes[3] = {RGB(150, 110, 181), RGB(190, 190, 210), RGB(110, 70, 160)};
    const COLORREF pane = Mix(RGB(225, 215, 205), kBlueScreen, 0.35);
    SensorNoise gauss(4242);
    CDib dib = Painted(400, 240, [&](int x, int y) {
        COLORREF c = kBlueScreen;
        if (x >= 60 && x < 380 && y >= 60)
            c = coat;
        if (x >= 100 && x < 180 && y >= 110 && y < 190)
            c = stripes[(x + y) / 5 % 3];
        if (x >= 192 && x < 240 && y >= 110 && y < 190)
            c = kBlueScreen;
        if (x >= 270 && x < 350 && y >= 110 && y < 190)
            c = pane;
        return gauss.Noisy(c, 2.5);
    });
    PickScreen(dib, 10, 10);
    int badgeLeast = 255;
    for (int y = 110; y < 190; ++y)
        for (int x = 100; x < 180; ++x)
            badgeLeast = std::min(badgeLeast, AlphaAt(x, y));
    EXPECT_EQ(255, badgeLeast) << "the least opacity in the badge";
    int holeShowing = 0;
    for (int y = 110; y < 190; ++y)
        for (int x = 192; x < 240; ++x)
            holeShowing += AlphaAt(x, y) > 0;
    EXPECT_EQ(0, holeShowing) << "pixels of the hole not clear, of " << 48 * 80;
    int paneLo = 255, paneHi = 0;
    for (int y = 113; y < 187; ++y)
        for (int x = 273; x < 347; ++x) {
            paneLo = std::min(paneLo, AlphaAt(x, y));
            paneHi = std::max(paneHi, AlphaAt(x, y));
        }
    EXPECT_NEAR(paneLo, 89, 25) << "the pane's least opacity";
    EXPECT_NEAR(paneHi, 89, 25) << "the pane's greatest opacity";
    EXPECT_EQ(0, AlphaAt(30, 150)) << "the open screen";
    EXPECT_EQ(255, AlphaAt(80, 220)) << "the coat";
    // The badge keeps its own colours over a new background, none of its blue taken as spill.
    m_view.SetDefaultBgColor(KX_DEFBG_COLOR, RGB(255, 255, 255));
    for (const CPoint& at : {CPoint(120, 130), CPoint(141, 150), CPoint(162, 170)}) {
        const BYTE* p = m_view.GetComposite()->GetLine(at.y) + 3 * at.x;
        const BYTE* q = dib.GetLine(at.y) + 3 * at.x;
        EXPECT_EQ(RGB(q[2], q[1], q[0]), RGB(p[2], p[1], p[0])) << "the badge at " << at.x << ", " << at.y;
    }
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels hold the badge opaque as the plain code does";
}

// The see-through share the click gives fades with the distance in colour from the clicked
// glass: a pane graded from a thin to a dense tint, clicked transparent at its thin end, keeps
// that end see-through while its dense end, far in colour, stays opaque as the coat does; the
// colours between fall on every share of the fade, where the vector kernels must interpolate it
// as the plain code does.
TEST_F(PrimatteWndTest, SeeThroughFadesOverAGradedPane)
{
    const COLORREF smoke = RGB(25, 20, 20);
    CDib dib = CoatAndPane(smoke, false);
    for (int y = 110; y < 210; ++y)
        for (int x = 260; x < 350; ++x) {
            const COLORREF c = Mix(smoke, kBlueScreen, 0.35 + 0.5 * (x - 260) / 89.0);
            BYTE* p = dib.GetLine(y) + 3 * x;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    PickScreen(dib, 10, 10);
    m_view.SetOpType(KX_OP_FGTRANSPARENT);
    Click(263, 160);
    EXPECT_LT(AlphaAt(263, 160), 200) << "the thin end clicked transparent";
    EXPECT_EQ(255, AlphaAt(346, 160)) << "the dense end, far in colour";
    EXPECT_EQ(255, AlphaAt(180, 170)) << "the navy coat";
    // Between the two the opacity rises with the tint, through shares of the fade.
    int between = 0;
    for (int x = 264; x < 346; ++x) {
        const int a = AlphaAt(x, 160);
        EXPECT_GE(a + 12, AlphaAt(x - 1, 160)) << "x " << x;
        between += a > AlphaAt(263, 160) + 8 && a < 247;
    }
    EXPECT_GT(between, 8) << "the fade is a ramp, not a step";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels fade see-through colours as the plain code does";
}

// An even pane of glass, a light grey at 35 % cover, in front of the screen beside an opaque
// skin-coloured subject: touching it, apart from it, inside it and above it, on a green and on a
// blue screen, at the size of the key's analysis and at twice it (where the analysis is a
// reduced copy). Its mixes are not the skin's: the opaque skin beside them must not pull them to
// its colour, and the pane reads evenly at its cover everywhere.
TEST_F(PrimatteWndTest, AnEvenPaneKeepsItsCoverBesideTheSubject)
{
    const COLORREF grey = RGB(225, 215, 205), skin = RGB(205, 160, 130);
    struct Layout
    {
        const char* name;
        int subject[4], pane[4];   // left, top, right, bottom, off the cells of the key's grid
    };
    const Layout layouts[] = {
        {"touching", {40, 61, 162, 240}, {162, 61, 362, 201}},
        {"apart", {40, 61, 162, 240}, {202, 61, 362, 201}},
        {"inside", {38, 41, 381, 240}, {101, 83, 322, 203}},
        {"above", {101, 151, 302, 240}, {62, 31, 362, 151}},
    };
    for (int scale : {1, 2}) {
        for (COLORREF screen : {kGreenScreen, kBlueScreen}) {
            for (const Layout& l : layouts) {
                const COLORREF pane = Mix(grey, screen, 0.35);
                CDib dib = Painted(400 * scale, 240 * scale, [&](int x, int y) {
                    x /= scale;
                    y /= scale;
                    if (x >= l.pane[0] && x < l.pane[2] && y >= l.pane[1] && y < l.pane[3])
                        return pane;
                    if (x >= l.subject[0] && x < l.subject[2] && y >= l.subject[1] && y < l.subject[3])
                        return skin;
                    return screen;
                });
                PickScreen(dib, 5, 5);
                const std::string what = std::string(l.name) + (screen == kGreenScreen ? " green" : " blue") +
                                         " scale " + std::to_string(scale);
                ASSERT_EQ(dib.GetWidth(), m_view.GetMask()->GetWidth());
                EXPECT_EQ(0, AlphaAt(5, 5)) << what;
                EXPECT_EQ(255, AlphaAt((l.subject[0] + 10) * scale, (l.subject[3] - 10) * scale)) << what;
                // All of the pane but its rim, three pixels wide.
                int lo = 255, hi = 0;
                for (int y = l.pane[1] * scale + 3; y < l.pane[3] * scale - 3; ++y)
                    for (int x = l.pane[0] * scale + 3; x < l.pane[2] * scale - 3; ++x) {
                        lo = std::min(lo, AlphaAt(x, y));
                        hi = std::max(hi, AlphaAt(x, y));
                    }
                EXPECT_NEAR(lo, 89, 20) << what;
                EXPECT_NEAR(hi, 89, 20) << what;
                EXPECT_LE(hi - lo, 10) << what << ": the pane reads evenly";
                if (scale == 1 && l.name == layouts[0].name) {
                    EXPECT_TRUE(StripsKeyAsTheWhole()) << what << ": the vector kernels read the pane as the plain code does";
                }
            }
        }
    }
}

// Olive hair on a green screen has nearly no lean away from the screen's hue: its mixes with the
// screen lose the screen's colour difference only slowly at first, and the colour difference
// alone reads them far fainter than they are. The subject's colour near them puts them back on
// the line from the screen to it.
TEST_F(PrimatteWndTest, MixesReadAlongTheLineToTheSubjectsColour)
{
    const COLORREF olive = RGB(139, 143, 33);
    // An olive subject below, with bands of half and quarter cover above it.
    CDib dib = Painted(400, 240, [&](int x, int y) {
        if (x >= 100 && x < 300 && y >= 120)
            return olive;
        if (x >= 100 && x < 200 && y >= 110 && y < 120)
            return Mix(olive, kGreenScreen, 0.5);
        if (x >= 200 && x < 300 && y >= 110 && y < 120)
            return Mix(olive, kGreenScreen, 0.25);
        return kGreenScreen;
    });
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(10, 10);
    // The band is open screen's neighbour all through: it reads alike in every row, none of it
    // taken for a dark part of the subject.
    int least = 255, most = 0;
    double sum = 0;
    for (int y = 110; y < 120; ++y) {
        least = std::min(least, AlphaAt(150, y));
        most = std::max(most, AlphaAt(150, y));
        sum += AlphaAt(150, y);
    }
    EXPECT_NEAR(sum / 10, 128, 20) << "half cover";
    EXPECT_LE(most - least, 24) << "half cover from row to row";
    EXPECT_GT(AlphaAt(250, 115), 25) << "quarter cover";
    EXPECT_LT(AlphaAt(250, 115), 90) << "quarter cover";
    EXPECT_EQ(255, AlphaAt(200, 180)) << "the subject";
    EXPECT_EQ(0, AlphaAt(50, 50)) << "the open screen";
    EXPECT_EQ(0, AlphaAt(150, 95)) << "the open screen near the subject";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels mix as the plain code does";
}

// Strands of hair a pixel wide across the screen, every eighth column from 96 to 899 and rows 60
// to 299, fainter (FaintAt) and denser in turn, above an opaque patch of the hair's colour (x 300
// to 699, y from 380), in a picture large enough to be reduced for the analysis; with noise of
// two levels' spread in each channel when noise is given.
bool FaintAt(int x) { return x % 16 == 0; }
CDib StrandsOverScreen(COLORREF hair, COLORREF screen, double faint, double dense, SensorNoise* noise)
{
    return Painted(1024, 480, [&](int x, int y) {
        COLORREF c = screen;
        if (x >= 300 && x < 700 && y >= 380)
            c = hair;
        else if (y >= 60 && y < 300 && x >= 96 && x < 900 && x % 8 == 0)
            c = Mix(hair, screen, FaintAt(x) ? faint : dense);
        if (!noise)
            return c;
        return noise->Noisy(c, 2);
    });
}

// Straw hair on a blue screen leans far away from the screen's hue: the colour difference reads
// its mixes far denser than they are, and only the subject's colour near them, found from the
// strands themselves, puts them back. Strands a pixel wide, fainter and denser in turn, over the
// screen of a picture large enough to be reduced for the analysis (which a point sample of it
// misses), above an opaque patch of the hair's colour: the faint ones read near their cover, the
// dense ones well denser, and the screen between them stays clear.
TEST_F(PrimatteWndTest, ThinStrandsReadNearTheirCover)
{
    const double faint = 0.35, dense = 0.7;
    PickScreen(StrandsOverScreen(RGB(133, 135, 35), kBlueScreen, faint, dense, nullptr), 20, 20);
    for (int x = 96; x < 900; x += 8) {
        const int a = AlphaAt(x, 180);
        if (FaintAt(x)) {
            EXPECT_NEAR(a, faint * 255, 60) << "a faint strand at " << x;
        } else {
            EXPECT_GT(a, dense * 255 - 40) << "a dense strand at " << x;
            EXPECT_GT(a, AlphaAt(x - 8, 180) + 40) << "a dense strand beside a faint one at " << x;
        }
        EXPECT_EQ(0, AlphaAt(x + 4, 180)) << "the screen between strands at " << x + 4;
    }
    EXPECT_EQ(255, AlphaAt(500, 440)) << "the opaque patch";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels mix as the plain code does";
}

// Dark strands a pixel wide over a green screen with sensor noise of its own in each channel: the
// measure along the strands' way is much less noisy than the colour difference, so the faintest
// (a tenth of cover) still show, while the noisy screen between the strands stays clear.
TEST_F(PrimatteWndTest, FaintStrandsAboveTheNoiseAlongTheirWayShow)
{
    const double faint = 0.1, dense = 0.6;
    SensorNoise gauss(777);
    PickScreen(StrandsOverScreen(RGB(10, 10, 10), kGreenScreen, faint, dense, &gauss), 20, 20);
    double faintSum = 0;
    int faintCount = 0, faintClear = 0, screenShowing = 0, screenCount = 0;
    for (int y = 100; y < 260; y += 4)
        for (int x = 96; x < 900; x += 8) {
            if (FaintAt(x)) {
                const int a = AlphaAt(x, y);
                faintSum += a;
                faintClear += a == 0;
                ++faintCount;
            }
            screenShowing += AlphaAt(x + 4, y) > 0;
            ++screenCount;
        }
    EXPECT_GT(faintSum / faintCount, faint * 255 * 0.6) << "the faint strands' mean opacity";
    EXPECT_LT(faintSum / faintCount, faint * 255 * 2) << "the faint strands' mean opacity";
    EXPECT_LT(faintClear, faintCount / 10) << "faint strand pixels read fully clear";
    EXPECT_LT(screenShowing, screenCount / 100) << "the screen between strands";
    EXPECT_EQ(255, AlphaAt(500, 440)) << "the opaque patch";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels mix as the plain code does";
}

// Strands far apart, each alone over the screen: the colour difference reads the auburn ones at
// seven tenths cover as opaque, and the key's lattice too; they are mixes all the same.
TEST_F(PrimatteWndTest, SparseStrandsTheKeyFindsOpaqueStayMixes)
{
    const COLORREF auburn = RGB(133, 135, 35);
    const double cover = 0.7;
    PickScreen(StrandsAbovePatch(auburn, kBlueScreen, cover, [](int x) { return x % 20 == 0; }), 20, 20);
    for (int x = 100; x < 900; x += 20) {
        EXPECT_NEAR(AlphaAt(x, 180), cover * 255, 45) << "a strand at " << x;
        EXPECT_EQ(0, AlphaAt(x + 10, 180)) << "the screen between strands at " << x + 10;
    }
    EXPECT_EQ(255, AlphaAt(500, 440)) << "the opaque patch";
    EXPECT_TRUE(StripsKeyAsTheWhole()) << "the vector kernels mix as the plain code does";
}

// How far a colour leans the way of a screen's hue: its part along the screen colour less its grey.
double LeanOf(COLORREF c, COLORREF screen)
{
    const double s[3] = {(double)GetRValue(screen), (double)GetGValue(screen), (double)GetBValue(screen)};
    const double grey = (s[0] + s[1] + s[2]) / 3;
    const double d[3] = {s[0] - grey, s[1] - grey, s[2] - grey};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    return (GetRValue(c) * d[0] + GetGValue(c) * d[1] + GetBValue(c) * d[2]) / len;
}

double BrightnessOf(COLORREF c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3.0; }

// Spill is screen light on the subject: taking it away takes the screen's hue, not its light.
// An opaque colour that leans the screen's way beyond the tolerance loses part of that lean at
// its own brightness; more spill fine-tuned takes the rest away, still at that brightness, and
// less gives the colour back as it is.
TEST_F(PrimatteWndTest, SpillTakenAwayKeepsTheSubjectsBrightness)
{
    const COLORREF teal = RGB(120, 150, 145);
    CDib dib = Patches(kGreenScreen, {teal});
    PickScreen(dib, 5, 5);
    m_view.SetDefaultBgColor(KX_DEFBG_COLOR, RGB(255, 255, 255));
    ASSERT_EQ(255, AlphaAt(60, 20)) << "the teal is opaque";
    auto composed = [&] {
        const BYTE* p = m_view.GetComposite()->GetLine(20) + 3 * 60;
        return RGB(p[2], p[1], p[0]);
    };
    const double lean = LeanOf(teal, kGreenScreen), brightness = BrightnessOf(teal);
    ASSERT_GT(lean, 15.0);
    EXPECT_LT(LeanOf(composed(), kGreenScreen), lean - 5) << "spill taken away";
    EXPECT_GT(LeanOf(composed(), kGreenScreen), 3.0) << "the tolerance's share of the lean kept";
    EXPECT_NEAR(BrightnessOf(composed()), brightness, 1.0) << "at the teal's brightness";
    m_view.SetOpType(KX_OP_FINETUNE);
    Click(60, 20);
    m_view.SetFineTuningVal(100, 0, 0);
    EXPECT_NEAR(LeanOf(composed(), kGreenScreen), 0, 1.0) << "all spill taken away";
    EXPECT_NEAR(BrightnessOf(composed()), brightness, 1.0) << "all spill taken away, at the teal's brightness";
    m_view.SetFineTuningVal(-100, 0, 0);
    EXPECT_EQ(teal, composed()) << "less spill: the teal as it is";
}

// A mixed pixel a F + (1 - a) B composed over a new background N is a F + (1 - a) N: what its
// opacity measures wrong brings in its share of B - N, and nothing else. Over a grey as bright as
// the screen, its brightness is the truth's however the opacity reads (each colour here mixed
// with the screen next to an opaque patch of it), and a grey veil is the truth itself. The
// vector kernels compose as the plain code does.
TEST_F(PrimatteWndTest, MixedPixelsComposeToTheirSubjectOverTheNewBackground)
{
    const struct { COLORREF subject, screen; double cover; } cases[] = {
        {RGB(128, 128, 128), kGreenScreen, 0.4},  {RGB(139, 143, 33), kGreenScreen, 0.5},
        {RGB(139, 143, 33), kGreenScreen, 0.25},  {RGB(150, 170, 250), kGreenScreen, 0.5},
        {RGB(205, 160, 130), kGreenScreen, 0.5},  {RGB(205, 160, 130), kBlueScreen, 0.5},
        {RGB(225, 215, 205), kBlueScreen, 0.35},
    };
    for (const auto& c : cases) {
        CDib dib = Painted(400, 240, [&](int x, int y) {
            if (x >= 100 && x < 300 && y >= 120)
                return c.subject;
            if (x >= 100 && x < 300 && y >= 110 && y < 120)
                return Mix(c.subject, c.screen, c.cover);
            return c.screen;
        });
        PickScreen(dib, 10, 10);
        const int level = (GetRValue(c.screen) + GetGValue(c.screen) + GetBValue(c.screen) + 1) / 3;
        const COLORREF back = RGB(level, level, level);
        m_view.SetDefaultBgColor(KX_DEFBG_COLOR, back);
        const BYTE* p = m_view.GetComposite()->GetLine(115) + 3 * 200;
        const COLORREF got = RGB(p[2], p[1], p[0]), truth = Mix(c.subject, back, c.cover);
        EXPECT_NEAR(BrightnessOf(got), BrightnessOf(truth), 1.0)
            << std::hex << c.subject << " at " << std::dec << c.cover << " over the screen " << std::hex << c.screen;
        if (c.subject == RGB(128, 128, 128)) {
            EXPECT_EQ(truth, got) << "the grey veil";
        }
    }
    const std::vector<BYTE> whole = Bytes(*m_view.GetComposite());
    for (int x = 0; x < 400; x += 7)
        ASSERT_EQ(1, m_view.PrimatteImage(x, 0, 7, 240));
    EXPECT_TRUE(whole == Bytes(*m_view.GetComposite())) << "in strips";
}

// Orange on a green screen leans away from the screen's hue, so the screen light on its rim (a
// band read opaque, a fifth of it the screen's) hides within the tolerance: the rim is taken to
// the lean of the orange beside it. Inside the subject, far from the clear screen, a thin teal
// stripe keeps what the tolerance gives it, however the orange round it leans.
TEST_F(PrimatteWndTest, HiddenSpillOnTheSubjectsRimIsTakenAway)
{
    const COLORREF orange = RGB(205, 110, 40), teal = RGB(120, 150, 145);
    CDib dib = Painted(400, 240, [&](int x, int y) {
        if (x >= 200 && x < 202 && y >= 160 && y < 200)
            return teal;
        if (x >= 100 && x < 300 && y >= 120)
            return orange;
        if (x >= 100 && x < 300 && y >= 117 && y < 120)
            return Mix(orange, kGreenScreen, 0.8);
        return kGreenScreen;
    });
    PickScreen(dib, 10, 10);
    m_view.SetDefaultBgColor(KX_DEFBG_COLOR, RGB(255, 255, 255));
    auto composed = [&](int x, int y) {
        const BYTE* p = m_view.GetComposite()->GetLine(y) + 3 * x;
        return RGB(p[2], p[1], p[0]);
    };
    ASSERT_EQ(255, AlphaAt(150, 118)) << "the rim reads opaque";
    const double rim = LeanOf(composed(150, 118), kGreenScreen), own = LeanOf(orange, kGreenScreen);
    EXPECT_LT(rim, own + 15) << "the rim leans the screen's way as the orange does, nearly";
    EXPECT_NEAR(BrightnessOf(composed(150, 118)), BrightnessOf(Mix(orange, kGreenScreen, 0.8)), 1.0);
    EXPECT_EQ(composed(150, 200), orange) << "the orange itself";
    ASSERT_EQ(255, AlphaAt(200, 180));
    CDib alone = Patches(kGreenScreen, {teal});
    const COLORREF stripe = composed(200, 180);
    PickScreen(alone, 5, 5);
    EXPECT_EQ(composed(60, 20), stripe) << "the teal inside the subject as the teal alone";
}

// A picture of a million pixels and more is keyed through a table of the colours round the
// screen's: its mask and composite agree with those of a part of it keyed alone, which take the
// interpolated way, over a colour and over a picture.
TEST_F(PrimatteWndTest, LargePicturesKeyAsTheirPartsDo)
{
    CDib photo, backdrop;
    ASSERT_EQ(1, photo.Load(ExecutableFolder() + "..\\samples\\astronaut.png"));
    ASSERT_EQ(1, backdrop.Load(ExecutableFolder() + "..\\samples\\coffee.png"));
    KEYSCENEOPT opt;
    opt.width = 1280;
    opt.height = 840;
    KEYSCENE scene;
    ASSERT_TRUE(MakeKeyScene(photo, opt, m_folder.Path(), scene));
    ASSERT_EQ(1, m_view.SetPicture(&scene.composite, KX_PRIM_FOREGROUND));
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(40, 40);
    ASSERT_TRUE(m_view.IsKeyed());
    // The part: screen, hair and the top of the head.
    const CRect part(opt.width * 3 / 10, 0, opt.width * 7 / 10, opt.height * 2 / 5);
    for (int withPicture = 0; withPicture < 2; ++withPicture) {
        if (withPicture) {
            ASSERT_EQ(1, m_view.SetPicture(&backdrop, KX_PRIM_BACKGROUND));
            m_view.SetDefaultBgColor(KX_DEFBG_PICTURE, RGB(255, 255, 255));
        }
        ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0));
        const CDib whole = *m_view.GetComposite();
        const CDib wholeMask = *m_view.GetMask();
        ASSERT_EQ(1, m_view.PrimatteImage(part.left, part.top, part.Width(), part.Height()));
        const CDib& partComposite = *m_view.GetComposite();
        const CDib& partMask = *m_view.GetMask();
        int worstAlpha = 0, worstColour = 0, keyedInPart = 0;
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x) {
                const int a = partMask.GetLine(y)[3 * x];
                keyedInPart += a > 0 && a < 255;
                worstAlpha = std::max(worstAlpha, std::abs(a - (int)wholeMask.GetLine(y)[3 * x]));
                for (int i = 0; i < 3; ++i)
                    worstColour = std::max(worstColour, std::abs((int)partComposite.GetLine(y)[3 * x + i] -
                                                                 (int)whole.GetLine(y)[3 * x + i]));
            }
        EXPECT_GT(keyedInPart, 1000) << "the part holds semi-transparent hair";
        EXPECT_LE(worstAlpha, 1) << "with picture " << withPicture;
        EXPECT_LE(worstColour, 1) << "with picture " << withPicture;
        const MatteError e = Compare(wholeMask, scene.alpha);
        EXPECT_LT(e.mean, 7.5);
    }
    // Shaped in space (shrink 2 pixels, defocus 2 at this size), the mask is the key's own mask
    // shaped whole: the extent's edges repeat as the filters' do, and nothing else moves.
    m_view.SetDefocusShrinkVal(0, 0);
    ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0));
    std::vector<BYTE> shaped((size_t)opt.width * opt.height);
    for (int y = 0; y < opt.height; ++y)
        for (int x = 0; x < opt.width; ++x)
            shaped[(size_t)y * opt.width + x] = m_view.GetMask()->GetLine(y)[3 * x];
    ASSERT_TRUE(ShapeMatte(shaped.data(), opt.width, opt.height, opt.width, 2, 2, false));
    m_view.SetDefocusShrinkVal(10, 20);
    ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0));
    int differ = 0;
    for (int y = 0; y < opt.height; ++y)
        for (int x = 0; x < opt.width; ++x)
            differ += m_view.GetMask()->GetLine(y)[3 * x] != shaped[(size_t)y * opt.width + x];
    EXPECT_EQ(0, differ) << "pixels of the shaped mask";
}

// Every pixel keys to the same bytes whatever region it is keyed in: strips too narrow for the
// vector kernels give the bytes of the picture keyed whole, over a colour, over a picture of the
// foreground's size and over one that is resampled, with no background at all, and with the matte
// shaped in space; the key has cells of one tint, of several tints and of mixed opacity.
TEST_F(PrimatteWndTest, NarrowStripsKeyToTheBytesOfTheWholePicture)
{
    CDib photo, backdrop;
    ASSERT_EQ(1, photo.Load(ExecutableFolder() + "..\\samples\\astronaut.png"));
    ASSERT_EQ(1, backdrop.Load(ExecutableFolder() + "..\\samples\\coffee.png"));
    KEYSCENEOPT opt;
    opt.width = 301;   // rows end in a few pixels the vector kernels leave to the plain code
    opt.height = 203;
    opt.hairStrands = 60;
    KEYSCENE scene;
    ASSERT_TRUE(MakeKeyScene(photo, opt, m_folder.Path(), scene));
    CDib sameSize;
    ASSERT_TRUE(sameSize.Resize(backdrop, opt.width, opt.height, 2));
    ASSERT_EQ(1, m_view.SetPicture(&scene.composite, KX_PRIM_FOREGROUND));
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(10, 10);
    ASSERT_TRUE(m_view.IsKeyed());
    // Spill cleaned on the subject's edge, detail restored in the hair.
    auto firstWith = [&](int lo, int hi) {
        for (int i = 0; i < opt.width * opt.height; ++i)
            if (scene.alpha[i] >= lo && scene.alpha[i] <= hi && i % opt.width > 20)
                return CPoint(i % opt.width, i / opt.width);
        return CPoint(-1, -1);
    };
    const CPoint edge = firstWith(200, 254), hair = firstWith(12, 80);
    ASSERT_GE(edge.x, 0);
    ASSERT_GE(hair.x, 0);
    m_view.SetOpType(KX_OP_CLEANSPILL);
    ASSERT_TRUE(m_view.ApplyAt(&edge, 1));
    m_view.SetOpType(KX_OP_RESTOREDETAIL);
    ASSERT_TRUE(m_view.ApplyAt(&hair, 1));

    const struct { const char* name; const CDib* picture; int mode; int defocus, shrink; } cases[] = {
        {"over a colour", &backdrop, KX_DEFBG_COLOR, 0, 0},
        {"over a resampled picture", &backdrop, KX_DEFBG_PICTURE, 0, 0},
        {"over a picture of its size", &sameSize, KX_DEFBG_PICTURE, 0, 0},
        {"shaped, over a picture", &backdrop, KX_DEFBG_PICTURE, 10, 20},
        {"without a background", nullptr, KX_DEFBG_NONE, 0, 0},
    };
    for (const auto& c : cases) {
        m_view.SetPicture(c.picture, KX_PRIM_BACKGROUND);
        m_view.SetDefaultBgColor(c.mode, RGB(20, 90, 200));
        m_view.SetDefocusShrinkVal(c.defocus, c.shrink);
        ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0)) << c.name;
        const std::vector<BYTE> whole = Bytes(*m_view.GetComposite()), wholeMask = Bytes(*m_view.GetMask());
        for (int x = 0; x < opt.width; x += 7)
            ASSERT_EQ(1, m_view.PrimatteImage(x, 0, 7, opt.height)) << c.name;
        EXPECT_TRUE(whole == Bytes(*m_view.GetComposite())) << c.name;
        EXPECT_TRUE(wholeMask == Bytes(*m_view.GetMask())) << c.name;
    }
    // The view shows a composite without a background over a chequer, the same in strips.
    m_view.ShowImage(KX_SHOW_COMPOSITE, 0);
    CDib shown, strip;
    ASSERT_TRUE(m_view.RenderFull(CRect(0, 0, opt.width, opt.height), shown));
    std::vector<BYTE> strips(Bytes(shown).size());
    for (int x = 0; x < opt.width; x += 7) {
        const int w = std::min(7, opt.width - x);
        ASSERT_TRUE(m_view.RenderFull(CRect(x, 0, x + w, opt.height), strip));
        for (int y = 0; y < opt.height; ++y)
            memcpy(&strips[((size_t)y * opt.width + x) * 3], strip.GetLine(y), (size_t)w * 3);
    }
    EXPECT_TRUE(Bytes(shown) == strips) << "the chequered view";
}

// Rows far wider than the stretch of columns the key's passes take at a time key to the bytes of
// strips too narrow for the vector kernels, and so does a region that starts and ends off the
// whole picture's stretches: with a sharp colour and a camera's, over a colour, over a picture,
// without a background and with the matte shaped in space. Strands, soft edges and the subject
// lie near the rows' ends, the screen alone between them.
TEST_F(PrimatteWndTest, WideRowsKeyToTheBytesOfTheirStrips)
{
    const int w = 1203, h = 40;
    const COLORREF skin = RGB(205, 160, 130);
    SensorNoise gauss(77);
    CDib camera = Painted(w, h, [&](int x, int y) {
        COLORREF c = kGreenScreen;
        const bool subject = (x >= 200 && x < 400) || x >= 1030;
        if (subject && x % 37 == 0)
            c = Mix(RGB(230, 230, 230), kGreenScreen, 0.6);
        if (subject && x / 61 % 3 == 1 && y > 6 + x % 11 && y < 34)
            c = x % 61 == 0 || x % 61 == 60 ? Mix(skin, kGreenScreen, 0.5) : skin;
        return gauss.Noisy(c, 2);
    });
    const CDib sharp = camera;
    ShareColourByBlocks(camera);
    const CDib backdrop = Painted(w / 2, h / 2, [](int x, int y) { return RGB(x % 256, (x + 3 * y) % 256, 90); });
    const struct { const char* name; const CDib* picture; int mode; int defocus, shrink; } cases[] = {
        {"over a colour", nullptr, KX_DEFBG_COLOR, 0, 0},
        {"over a picture", &backdrop, KX_DEFBG_PICTURE, 0, 0},
        {"without a background", nullptr, KX_DEFBG_NONE, 0, 0},
        {"shaped, over a picture", &backdrop, KX_DEFBG_PICTURE, 10, 20},
    };
    const CDib* pictures[] = {&sharp, &camera};
    for (const CDib* picture : pictures) {
        PickScreen(*picture, 30, 3);
        ASSERT_TRUE(m_view.IsKeyed());
        m_view.SetOpType(KX_OP_DEFOCUS);
        for (const auto& c : cases) {
            const std::string name = std::string(picture == &camera ? "camera colour, " : "sharp colour, ") + c.name;
            m_view.SetPicture(c.picture, KX_PRIM_BACKGROUND);
            m_view.SetDefaultBgColor(c.mode, RGB(20, 90, 200));
            m_view.SetDefocusShrinkVal(c.defocus, c.shrink);
            ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0)) << name;
            const std::vector<BYTE> whole = Bytes(*m_view.GetComposite()), wholeMask = Bytes(*m_view.GetMask());
            int mixed = 0;
            for (size_t i = 0; i < wholeMask.size(); i += 3)
                mixed += wholeMask[i] > 0 && wholeMask[i] < 255;
            EXPECT_GT(mixed, 300) << name << ": strands and edges are mixes";
            EXPECT_TRUE(StripsKeyAsTheWhole()) << name;
            ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0)) << name;
            ASSERT_EQ(1, m_view.PrimatteImage(5, 2, w - 9, h - 3)) << name;
            EXPECT_TRUE(whole == Bytes(*m_view.GetComposite())) << name << ": a region off the whole's stretches";
            EXPECT_TRUE(wholeMask == Bytes(*m_view.GetMask())) << name << ": a region off the whole's stretches";
        }
    }
}

// A shaped matte is the key's own matte shaped whole, whatever rows it is keyed in: with the
// colour of a camera (the mixes shared out by the brightness first) and without, shaped gently,
// as far as the sliders go and inward. The picture is tall enough for slices of several bands
// of rows, the last shorter than the shaping reaches; the subject's edges cross the rows at every
// distance from them; rows keyed a few at a time end at every distance from those edges too.
TEST_F(PrimatteWndTest, ShapedMattesAreTheKeysMatteShapedWholeInAnyRows)
{
    const int w = 96, h = 1100;
    SensorNoise gauss(4242);
    CDib camera = Painted(w, h, [&](int x, int y) {
        COLORREF c = kGreenScreen;
        if (x >= 50 && (x - 50) % 9 == 0)
            c = Mix(RGB(230, 230, 230), kGreenScreen, 0.8);   // strands down the whole picture
        if (x >= 8 && x < 20 + (y * 7) % 23 && y % 97 < 41 + y % 5)
            c = RGB(205, 160, 130);                          // subject with ragged edges
        return gauss.Noisy(c, 2);
    });
    const CDib sharp = camera;
    ShareColourByBlocks(camera);
    const int heights[] = {1, 29, 30, 31, 64, 65, 2, 130, 7};
    const struct { int defocus, shrink, inward; } shapings[] = {{10, 20, 0}, {50, 100, 0}, {50, 100, 1}, {0, 30, 0}};
    const CDib* pictures[] = {&sharp, &camera};
    for (const CDib* picture : pictures) {
        PickScreen(*picture, 80, 20);
        ASSERT_TRUE(m_view.IsKeyed());
        m_view.SetOpType(KX_OP_DEFOCUS);
        for (const auto& c : shapings) {
            const std::string name = std::string(picture == &camera ? "camera colour" : "sharp colour") + ", defocus " +
                                     std::to_string(c.defocus) + ", shrink " + std::to_string(c.shrink) +
                                     (c.inward ? ", inward" : "");
            m_view.SetDefocusShrinkVal(0, 0);
            m_view.SetInwardFlag(c.inward);
            ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0)) << name;
            std::vector<BYTE> shaped((size_t)w * h);
            int mixed = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    shaped[(size_t)y * w + x] = (BYTE)AlphaAt(x, y);
                    mixed += AlphaAt(x, y) > 0 && AlphaAt(x, y) < 255;
                }
            EXPECT_GT(mixed, 1000) << name << ": the strands are mixes";
            ASSERT_TRUE(ShapeMatte(shaped.data(), w, h, w, (int)std::lround(c.shrink / 10.0), (int)std::lround(c.defocus / 5.0),
                                   c.inward != 0));
            m_view.SetDefocusShrinkVal(c.defocus, c.shrink);
            ASSERT_EQ(1, m_view.PrimatteImage(-1, -1, 0, 0)) << name;
            int firstDiffering = -1;
            for (int i = 0; i < w * h && firstDiffering < 0; ++i)
                if (AlphaAt(i % w, i / w) != shaped[i])
                    firstDiffering = i;
            EXPECT_EQ(-1, firstDiffering) << name << ": first differing pixel at row " << firstDiffering / w << ", column "
                                          << firstDiffering % w;
            const std::vector<BYTE> whole = Bytes(*m_view.GetComposite()), wholeMask = Bytes(*m_view.GetMask());
            for (int y = 0, k = 0; y < h; ++k) {
                const int rows = std::min(heights[k % (sizeof heights / sizeof *heights)], h - y);
                ASSERT_EQ(1, m_view.PrimatteImage(0, y, w, rows)) << name;
                y += rows;
            }
            EXPECT_TRUE(whole == Bytes(*m_view.GetComposite())) << name << ": the composite keyed a few rows at a time";
            EXPECT_TRUE(wholeMask == Bytes(*m_view.GetMask())) << name << ": the mask keyed a few rows at a time";
        }
    }
}

// Undo and redo replay the steps: the composite after undo is the one before the step, and
// after redo the one after it, bit for bit.
TEST_F(PrimatteWndTest, UndoAndRedoGiveBackTheSameCompositeBitForBit)
{
    CDib photo;
    ASSERT_EQ(1, photo.Load(ExecutableFolder() + "..\\samples\\astronaut.png"));
    KEYSCENEOPT opt;
    opt.width = 320;
    opt.height = 240;
    opt.hairStrands = 40;
    KEYSCENE scene;
    ASSERT_TRUE(MakeKeyScene(photo, opt, m_folder.Path(), scene));
    ASSERT_EQ(1, m_view.SetPicture(&scene.composite, KX_PRIM_FOREGROUND));
    EXPECT_FALSE(m_view.CanUndo());
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(10, 10);
    std::vector<std::vector<BYTE>> states = {Bytes(*m_view.GetComposite())};
    const struct { int op; int x, y; } clicks[] = {{KX_OP_CLEANBG, 300, 200}, {KX_OP_FGTRANSPARENT, 260, 110},
                                                   {KX_OP_CLEANSPILL, 120, 180}, {KX_OP_RESTOREDETAIL, 150, 40},
                                                   {KX_OP_FGOPAQUE, 150, 60}};
    for (const auto& c : clicks) {
        m_view.SetOpType(c.op);
        Click(c.x, c.y);
        states.push_back(Bytes(*m_view.GetComposite()));
    }
    m_view.SetOpType(KX_OP_FINETUNE);
    m_view.SetFineTuningVal(20, 10, 0);
    m_view.SetFineTuningVal(40, 10, -30);   // the same selection: one step
    states.push_back(Bytes(*m_view.GetComposite()));
    ASSERT_EQ(7, m_view.GetHistoryCount());
    for (int i = (int)states.size() - 2; i >= 0; --i) {
        ASSERT_TRUE(m_view.Undo());
        EXPECT_EQ(states[i], Bytes(*m_view.GetComposite())) << "after undoing to step " << i;
    }
    ASSERT_TRUE(m_view.Undo());          // the pick itself
    EXPECT_FALSE(m_view.IsKeyed());
    EXPECT_FALSE(m_view.Undo());
    for (size_t i = 0; i < states.size(); ++i) {
        ASSERT_TRUE(m_view.Redo());
        EXPECT_EQ(states[i], Bytes(*m_view.GetComposite())) << "after redoing step " << i;
    }
    EXPECT_FALSE(m_view.Redo());
    // A new step after an undo drops what was undone.
    m_view.Undo();
    m_view.SetOpType(KX_OP_CLEANBG);
    Click(300, 10);
    EXPECT_FALSE(m_view.CanRedo());
    EXPECT_EQ(7, m_view.GetHistoryCount());
}

// A long session keeps a bounded history: old steps fold into the starting key, and what is kept
// is operations, not pictures.
TEST_F(PrimatteWndTest, HistoryStaysBoundedOverALongSession)
{
    CDib dib = Patches(kGreenScreen, {RGB(52, 160, 82), RGB(128, 128, 128)});
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(5, 5);
    const int ops[] = {KX_OP_CLEANBG, KX_OP_FGTRANSPARENT, KX_OP_FGOPAQUE, KX_OP_CLEANSPILL};
    for (int i = 0; i < KX_PRIM_HISTORY + 40; ++i) {
        m_view.SetOpType(ops[i % 4]);
        const CPoint path[] = {CPoint(45 + i % 20, 15), CPoint(85, 15 + i % 10), CPoint(60, 25)};
        ASSERT_TRUE(m_view.ApplyAt(path, 3));
    }
    EXPECT_EQ(KX_PRIM_HISTORY, m_view.GetHistoryCount());
    EXPECT_LT(m_view.GetHistoryBytes(), (size_t)512 * 1024);
    int undone = 0;
    while (m_view.Undo())
        ++undone;
    EXPECT_EQ(KX_PRIM_HISTORY, undone);
    EXPECT_TRUE(m_view.IsKeyed()) << "the folded steps, the pick among them, stay in the starting key";
}

// The zoom keys the dialogs send, and the hooks that follow.
TEST_F(PrimatteWndTest, ZoomKeysZoomFitAndShowActualSize)
{
    CDib dib = Patches(kGreenScreen, std::vector<COLORREF>(31, RGB(200, 60, 60)));   // 1280 x 40
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    const double fit = m_view.GetZoom();
    EXPECT_NEAR(0.5, fit, 0.001);
    EXPECT_TRUE(m_view.IsZoomFit());
    m_view.SendMessage(WM_KEYDOWN, VK_ADD, 0);
    EXPECT_NEAR(fit * 1.5, m_view.GetZoom(), 1e-6);
    EXPECT_FALSE(m_view.IsZoomFit());
    m_view.SendMessage(WM_KEYDOWN, VK_SUBTRACT, 0);
    EXPECT_NEAR(fit, m_view.GetZoom(), 1e-6);
    m_view.SendMessage(WM_KEYDOWN, '2', 0);
    EXPECT_DOUBLE_EQ(1.0, m_view.GetZoom());
    m_view.SendMessage(WM_KEYDOWN, '1', 0);
    EXPECT_DOUBLE_EQ(fit, m_view.GetZoom());
    EXPECT_TRUE(m_view.IsZoomFit());
    EXPECT_EQ(4, m_view.m_nScaleChanged);
    // Zoomed in, the view shows the full-size pixels: the patch edge is sharp on the screen.
    m_view.ZoomActual();
    m_view.SetToolType(KX_TOOL_MOVE);
    const CPoint at = m_view.PictureToClient(40, 20);
    m_view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 200));
    m_view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250, 200));
    m_view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(250, 200));
    EXPECT_EQ(at.x - 50, m_view.PictureToClient(40, 20).x) << "the move tool pans";
    EXPECT_FALSE(m_view.CanUndo()) << "panning is no keying step";
    const Capture shown = [&] { m_view.Invalidate(FALSE); m_view.UpdateWindow(); return CaptureClient(m_view); }();
    const CPoint edge = m_view.PictureToClient(50, 20);
    EXPECT_TRUE(Near(RGB(40, 170, 70), shown.At(edge.x - 1, edge.y), 0));
    EXPECT_TRUE(Near(RGB(200, 60, 60), shown.At(edge.x, edge.y), 0));
}

// Pictures that cannot be keyed are refused cleanly and leave nothing stale behind.
TEST_F(PrimatteWndTest, BadPicturesAreRefusedAndLeaveNoStaleKey)
{
    CDib dib = Patches(kGreenScreen, {RGB(128, 128, 128)});
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND, "a.png"));
    m_view.SetOpType(KX_OP_PICKSCREEN);
    Click(5, 5);
    ASSERT_TRUE(m_view.GetComposite()->IsValid());

    // A missing file, a file that is no picture, a header that asks for 70000 x 70000 pixels.
    m_folder.Write("text.jpg", "not a picture");
    std::string huge(54, '\0');
    huge[0] = 'B'; huge[1] = 'M';
    const unsigned w = 70000, h = 70000;
    huge[10] = 54; huge[14] = 40;
    memcpy(&huge[18], &w, 4);
    memcpy(&huge[22], &h, 4);
    huge[26] = 1; huge[28] = 24;
    m_folder.Write("huge.bmp", huge);
    for (const CString& path : {m_folder.File("missing.jpg"), m_folder.File("text.jpg"), m_folder.File("huge.bmp")}) {
        EXPECT_EQ(0, m_view.LoadFile(path, KX_PRIM_FOREGROUND)) << (LPCSTR)path;
        EXPECT_FALSE(m_view.GetComposite()->IsValid()) << (LPCSTR)path;
        EXPECT_FALSE(m_view.GetMask()->IsValid()) << (LPCSTR)path;
        EXPECT_TRUE(m_view.m_strFileName.IsEmpty());
        EXPECT_STREQ("图像无法打开", m_view.GetMsg());
    }
    // The view shows nothing of the last picture.
    m_view.ShowImage(KX_SHOW_COMPOSITE, 1);
    const Capture shown = CaptureClient(m_view);
    EXPECT_TRUE(Near(RGB(96, 96, 96), shown.At(320, 240), 0));
    EXPECT_EQ(0, m_view.LoadFile(nullptr, KX_PRIM_FOREGROUND));
    EXPECT_EQ(0, m_view.LoadFile(m_folder.File("text.jpg"), 7)) << "no such role";
    EXPECT_EQ(0, m_view.SetPicture(nullptr, KX_PRIM_BACKGROUND));
    EXPECT_EQ(0, m_view.PrimatteImage(-1, -1, 0, 0));
    EXPECT_FALSE(m_view.ApplyAt(nullptr, 0));
    // The key survives: the next picture is keyed by it at once.
    EXPECT_TRUE(m_view.IsKeyed());
    ASSERT_EQ(1, m_view.SetPicture(&dib, KX_PRIM_FOREGROUND));
    EXPECT_EQ(0, AlphaAt(5, 5));
    EXPECT_STREQ("80 x 40  100%", m_view.GetMsg());
}

} // namespace
