#include "PictureCheck.h"
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const int N = kCheckGridSize;
const double kPercent = 100.0 / 255.0;
// Full scales of the values, as the results dialog draws them.
const double kScale[checkCount] = { 40, 15, 15, 10, 20, 20 };
const double kResultScale = 60;
const char* const kItemName[checkCount] = { "总体", "色彩", "亮度", "反差", "背景", "头位" };

struct Grid
{
    std::vector<double> c[3];            // red, green, blue
    std::vector<double> y;               // luma
    double At(int ch, int x, int yy) const { return c[ch][(size_t)yy * N + x]; }
};

bool MakeGrid(const CDib& picture, Grid& grid)
{
    if (!picture.IsValid())
        return false;
    // Area-averaged, so every pixel of the photograph counts and noise averages out.
    CDib small;
    if (!small.Resize(picture, N, N, 1))
        return false;
    const int step = small.GetBitsPerPixel() / 8;
    for (auto& ch : grid.c)
        ch.resize((size_t)N * N);
    grid.y.resize((size_t)N * N);
    for (int yy = 0; yy < N; ++yy) {
        const BYTE* p = small.GetLine(yy);
        for (int x = 0; x < N; ++x, p += step) {
            const size_t i = (size_t)yy * N + x;
            grid.c[0][i] = p[2];
            grid.c[1][i] = p[1];
            grid.c[2][i] = p[0];
            grid.y[i] = 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
        }
    }
    return true;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + (std::ptrdiff_t)mid, v.end());
    return v[mid];
}

double Length3(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// The background: the top rows, where a portrait shows little of its subject. Its colour is the
// median of each channel, so the top of a head or an object in a corner does not count.
void MeasureBackground(const Grid& g, CPictureMeasure& m)
{
    const int rows = N * 8 / 100;
    for (int ch = 0; ch < 3; ++ch) {
        std::vector<double> v(g.c[ch].begin(), g.c[ch].begin() + (std::ptrdiff_t)rows * N);
        m.back[ch] = Median(v);
    }
}

// The distance that parts the pixels of the region into two groups with the most different
// means (Otsu's rule): here, the background and what stands before it.
double OtsuThreshold(const std::vector<double>& d)
{
    const int bins = 512;
    std::vector<double> hist(bins);
    for (double v : d)
        hist[(size_t)std::min(bins - 1, std::max(0, (int)v))] += 1;
    double total = 0, sum = 0;
    for (int i = 0; i < bins; ++i) {
        total += hist[(size_t)i];
        sum += i * hist[(size_t)i];
    }
    double below = 0, sumBelow = 0, best = -1, threshold = 0;
    for (int t = 0; t < bins; ++t) {
        below += hist[(size_t)t];
        sumBelow += t * hist[(size_t)t];
        const double above = total - below;
        if (below <= 0 || above <= 0)
            continue;
        const double m0 = sumBelow / below, m1 = (sum - sumBelow) / above;
        const double between = below * above * (m0 - m1) * (m0 - m1);
        if (between > best) {
            best = between;
            threshold = t + 0.5;
        }
    }
    return threshold;
}

// The head: the first row whose middle half holds a wide run of pixels unlike the background
// (and the row below it too, so noise does not count), followed downwards run by run for a fifth
// of the height. Its top is that row, its centre the mean centre of the runs followed.
void MeasureHead(const Grid& g, CPictureMeasure& m)
{
    std::vector<double> d((size_t)N * N);
    for (int i = 0; i < N * N; ++i) {
        const double v[3] = { g.c[0][(size_t)i] - m.back[0], g.c[1][(size_t)i] - m.back[1], g.c[2][(size_t)i] - m.back[2] };
        d[(size_t)i] = Length3(v);
    }
    const int bandFrom = N / 4, bandTo = N - N / 4, minRun = (N * 6 + 99) / 100;
    // Far from the background by the picture's own measure, so that a darker, flatter or tinted
    // copy finds the same head: the parting distance of the middle of its upper third.
    std::vector<double> region;
    for (int y = 0; y < N * 30 / 100; ++y)
        region.insert(region.end(), d.begin() + (std::ptrdiff_t)(y * N + bandFrom), d.begin() + (std::ptrdiff_t)(y * N + bandTo));
    const double threshold = std::max(2.0, OtsuThreshold(region));
    std::vector<char> fg((size_t)N * N);
    for (int i = 0; i < N * N; ++i)
        fg[(size_t)i] = d[(size_t)i] > threshold;
    const int follow = N / 5, slack = 3;
    // The longest run of row y within [from, to).
    auto longestRun = [&](int y, int from, int to, int& a, int& b) {
        a = b = -1;
        for (int x = from; x < to;) {
            if (!fg[(size_t)y * N + x]) {
                ++x;
                continue;
            }
            int e = x;
            while (e < to && fg[(size_t)y * N + e])
                ++e;
            if (e - x > b - a)
                a = x, b = e;
            x = e;
        }
        return b - a;
    };
    int top = -1, a = -1, b = -1;
    for (int y = 0; y + 1 < N && top < 0; ++y) {
        int a2, b2;
        if (longestRun(y, bandFrom, bandTo, a, b) >= minRun && longestRun(y + 1, a, b, a2, b2) > 0)
            top = y;
    }
    if (top < 0)
        return;
    double sum = 0;
    int rows = 0;
    for (int y = top; y < std::min(N, top + follow); ++y) {
        // The run that continues the one above, no wider than it plus a little on each side, so
        // that an object beside the head never pulls its centre away.
        const int from = std::max(0, a - slack), to = std::min(N, b + slack);
        int na, nb;
        if (longestRun(y, from, to, na, nb) <= 0)
            break;
        a = na;
        b = nb;
        sum += (a + b) / 2.0;
        ++rows;
    }
    m.headFound = rows > 0;
    m.headX = sum / rows * 100.0 / N;
    m.headY = (top + 0.5) * 100.0 / N;
}

bool Measure(const CDib& picture, Grid& g, CPictureMeasure& m)
{
    m = CPictureMeasure();
    if (!MakeGrid(picture, g))
        return false;
    const double count = (double)N * N;
    double sumY = 0, sum[3] = {};
    for (int i = 0; i < N * N; ++i) {
        sumY += g.y[(size_t)i];
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] += g.c[ch][(size_t)i];
    }
    m.meanLuma = sumY / count;
    double var = 0;
    for (int i = 0; i < N * N; ++i)
        var += (g.y[(size_t)i] - m.meanLuma) * (g.y[(size_t)i] - m.meanLuma);
    m.sigmaLuma = std::sqrt(var / count);
    for (int ch = 0; ch < 3; ++ch) {
        m.mean[ch] = sum[ch] / count;
        m.cast[ch] = m.mean[ch] - m.meanLuma;
    }
    MeasureBackground(g, m);
    MeasureHead(g, m);
    return true;
}

// The mean difference of the two luma grids, each normalised to mean 0 and deviation 1, the
// picture's taken dx, dy grid cells further on; only where both have cells.
double StructureDifference(const Grid& s, const CPictureMeasure& ms, const Grid& t, const CPictureMeasure& mt,
                           int dx, int dy)
{
    const double ss = ms.sigmaLuma > 1e-6 ? ms.sigmaLuma : 1.0, st = mt.sigmaLuma > 1e-6 ? mt.sigmaLuma : 1.0;
    double sum = 0;
    int n = 0;
    for (int y = 0; y < N; ++y) {
        const int ty = y + dy;
        if (ty < 0 || ty >= N)
            continue;
        for (int x = 0; x < N; ++x) {
            const int tx = x + dx;
            if (tx < 0 || tx >= N)
                continue;
            const double zs = (s.y[(size_t)y * N + x] - ms.meanLuma) / ss;
            const double zt = (t.y[(size_t)ty * N + tx] - mt.meanLuma) / st;
            sum += std::fabs(zt - zs);
            ++n;
        }
    }
    return n ? sum / n : 0.0;
}

bool Fails(double value, int limit) { return limit > 0 ? value >= limit : value > 0; }

CString CastName(const double* d)
{
    int k = 0;
    for (int ch = 1; ch < 3; ++ch)
        if (std::fabs(d[ch]) > std::fabs(d[k]))
            k = ch;
    static const char* const more[3] = { "偏红", "偏绿", "偏蓝" };
    static const char* const less[3] = { "偏青", "偏紫", "偏黄" };
    return d[k] > 0 ? more[k] : less[k];
}

CString HeadDirection(double dx, double dy)
{
    const double len = std::sqrt(dx * dx + dy * dy);
    const bool horizontal = std::fabs(dx) >= 0.4 * len, vertical = std::fabs(dy) >= 0.4 * len;
    CString text = "头偏";
    if (horizontal)
        text += dx > 0 ? "右" : "左";
    if (vertical)
        text += dy > 0 ? "下" : "上";
    if (horizontal && vertical)
        text += "角";
    return text;
}

void ClampAdd(BYTE& v, int d) { v = (BYTE)std::min(255, std::max(0, v + d)); }

} // namespace

bool CPictureCheckResult::AnyFailed() const
{
    if (resultFailed)
        return true;
    for (bool f : failed)
        if (f)
            return true;
    return false;
}

bool MeasurePicture(const CDib& picture, CPictureMeasure& out)
{
    Grid g;
    return Measure(picture, g, out);
}

bool CheckPicture(const CDib& standard, const CDib& picture, const CPictureCheckSettings& settings,
                  CPictureCheckResult& out)
{
    out = CPictureCheckResult();
    Grid gs, gt;
    if (!Measure(standard, gs, out.standard) || !Measure(picture, gt, out.picture))
        return false;
    const CPictureMeasure& s = out.standard;
    const CPictureMeasure& t = out.picture;

    // How much flatter or steeper the picture is: casts and the background's distance from the
    // mean shrink and grow with it, and are compared as if the contrast were the standard's.
    double k = s.sigmaLuma > 1e-6 ? t.sigmaLuma / s.sigmaLuma : 1.0;
    k = std::min(20.0, std::max(0.05, k));
    double castDiff[3], backDiff[3];
    for (int ch = 0; ch < 3; ++ch) {
        castDiff[ch] = t.cast[ch] / k - s.cast[ch];
        backDiff[ch] = (t.back[ch] - t.mean[ch]) / k - (s.back[ch] - s.mean[ch]);
    }
    out.value[checkBright] = std::fabs(t.meanLuma - s.meanLuma) * kPercent;
    out.value[checkContrast] = std::fabs(t.sigmaLuma - s.sigmaLuma) * kPercent;
    out.value[checkColor] = Length3(castDiff) * kPercent;
    out.value[checkBack] = Length3(backDiff) * kPercent;
    double dx = 0, dy = 0;
    if (s.headFound && t.headFound) {
        dx = t.headX - s.headX;
        dy = t.headY - s.headY;
        out.value[checkHead] = std::sqrt(dx * dx + dy * dy);
    } else if (s.headFound != t.headFound) {
        out.value[checkHead] = kScale[checkHead];   // a head on one side only: as far off as can be
    }
    out.value[checkOverall] = 30.0 * StructureDifference(gs, s, gt, t, (int)std::lround(dx * N / 100.0),
                                                         (int)std::lround(dy * N / 100.0));

    const BOOL ticks[checkCount] = { settings.bOverall, settings.bColor, settings.bBright, settings.bContrast,
                                     settings.bBack, settings.bHead };
    const int limits[checkCount] = { settings.nOverallLimit, settings.nColorLimit, settings.nBrightLimit,
                                     settings.nContrastLimit, settings.nBackLimit, settings.nHeadLimit };
    double share = 0;
    int ticked = 0;
    for (int i = 0; i < checkCount; ++i) {
        out.ticked[i] = ticks[i] != FALSE;
        out.failed[i] = out.ticked[i] && Fails(out.value[i], limits[i]);
        if (out.ticked[i]) {
            share += out.value[i] / kScale[i];
            ++ticked;
        }
    }
    out.result = ticked ? kResultScale * share / ticked : 0.0;
    out.resultFailed = ticked > 0 && Fails(out.result, settings.nFinalLimit);

    auto verdict = [&](int item, const CString& failedText, const char* passedText) {
        return !out.ticked[item] ? CString("未检测") : out.failed[item] ? failedText : CString(passedText);
    };
    out.strBright = verdict(checkBright, t.meanLuma > s.meanLuma ? "偏亮" : "偏暗", "正常");
    out.strContrast = verdict(checkContrast, t.sigmaLuma > s.sigmaLuma ? "偏大" : "偏小", "正常");
    out.strColor = verdict(checkColor, CastName(castDiff), "正常");
    out.strBack = verdict(checkBack, "不一致", "一致");
    out.strHead = verdict(checkHead, !t.headFound ? CString("找不到头部") : HeadDirection(dx, dy), "正常");

    if (!out.AnyFailed()) {
        out.strConsist = "与标准图一致，合格";
    } else {
        // The names of the first three failures, then how many there are, so the verdict fits
        // its one line.
        std::vector<const char*> names;
        for (int i : { checkColor, checkBright, checkContrast, checkBack, checkHead, checkOverall })
            if (out.failed[i])
                names.push_back(kItemName[i]);
        if (out.resultFailed)
            names.push_back("加权值");
        out.strConsist = "不合格：";
        for (size_t i = 0; i < names.size() && i < 3; ++i)
            out.strConsist += CString(i ? "、" : "") + names[i];
        if (names.size() > 3) {
            CString more;
            more.Format("等 %d 项", (int)names.size());
            out.strConsist += more;
        }
    }
    return true;
}

const char* CheckSampleName(CheckSample kind)
{
    static const char* const names[sampleCount] = { "check-1-copy.png", "check-2-darker.png", "check-3-flatter.png",
                                                    "check-4-colour.png", "check-5-head.png" };
    return kind >= 0 && kind < sampleCount ? names[kind] : "";
}

bool MakeCheckSample(const CDib& standard, CheckSample kind, CDib& out)
{
    if (!standard.IsValid())
        return false;
    out = standard;
    const int w = out.GetWidth(), h = out.GetHeight(), step = out.GetBitsPerPixel() / 8;
    switch (kind) {
    case sampleCopy:
        return true;
    case sampleDarker:
        // About 12 % of the range darker, contrast and colour as they were.
        return out.ChangeBrightness(-120) != FALSE;
    case sampleFlatter: {
        // Two thirds of the contrast around the picture's own mean luma, so it is no darker.
        CPictureMeasure m;
        MeasurePicture(standard, m);
        for (int y = 0; y < h; ++y) {
            BYTE* p = out.GetLine(y);
            for (int x = 0; x < w; ++x, p += step)
                for (int ch = 0; ch < 3; ++ch)
                    p[ch] = (BYTE)std::min(255L, std::max(0L, std::lround(m.meanLuma + 0.65 * (p[ch] - m.meanLuma))));
        }
        return true;
    }
    case sampleColorCast:
        // Redder and a little less green, with the luma kept: 0.299 * 16 - 0.587 * 8 is 0.1.
        for (int y = 0; y < h; ++y) {
            BYTE* p = out.GetLine(y);
            for (int x = 0; x < w; ++x, p += step) {
                ClampAdd(p[2], 16);
                ClampAdd(p[1], -8);
            }
        }
        return true;
    case sampleHeadMoved: {
        // Everything 8 % of the width to the right and 6 % of the height down; the uncovered
        // edges repeat the picture's own edge.
        const int dx = w * 8 / 100, dy = h * 6 / 100;
        for (int y = 0; y < h; ++y) {
            const BYTE* src = standard.GetLine(std::max(0, y - dy));
            BYTE* p = out.GetLine(y);
            for (int x = 0; x < w; ++x, p += step) {
                const BYTE* q = src + (size_t)std::max(0, x - dx) * step;
                for (int ch = 0; ch < step; ++ch)
                    p[ch] = q[ch];
            }
        }
        return true;
    }
    default:
        return false;
    }
}
