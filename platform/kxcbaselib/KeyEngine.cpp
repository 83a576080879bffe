// The chroma key: its state and how each step changes it, the lookup table it is baked into, the
// light map of the screen, and the keying of pixels.
#include "KeyEngine.h"
#include "KeyFilters.h"
#include "PrimatteWnd.h"
#include <Parallel.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <immintrin.h>
#include <limits>
#include <map>
#include <mutex>
#include <new>

namespace {

const float kPi = 3.14159265358979f;
const int kAz = 32;                        // directions of the tables round the grey axis
const int kEl = 17;                        // and from below to above it
const int kCells = kAz * kEl;
const int kLutN = 34;                      // lookup nodes a channel, one step apart, the screen colour on one
const float kLutStep = 255.0f / 32;
const size_t kMaxExemplars = 384;
// The gains of the ways also vary with the colour difference measure along each way, on levels
// kBandStep apart in its square root (finer near the screen colour, where faint mixes lie).
const int kBands = 28;
const float kBandStep = 1.0f / 16;
const float kDetailGain = 1.5f;            // what a click restoring detail multiplies opacity by
const int kMaxColours = 48;                // colours a step keeps
const float kNoDespill = 10.0f;            // a tint tolerance that never despills
const float kDefaultTint = 0.10f;          // the share of the screen's hue a colour may keep
const float kDefaultOuter = 0.92f;         // opacities above this are opaque
const float kKernelCos = 0.766f;           // cos 40 degrees: how far a step's way reaches
const int kAnalysisSide = 512;
const int kBoxSide = 64;                   // levels a channel of KEYBOX
const int kBoxMinPixels = 1 << 20;         // regions this large use the box
const int kShapedBandRows = 64;            // rows keyed, shaped and composed together
// Inside the subject (no clear screen within a hundredth of the picture), a colour whose screen
// channel falls below this share of the screen's there is a dark part of the subject, opaque by
// the time it falls to kDarkFull.
const float kDarkFrom = 0.97f;
const float kDarkFull = 0.85f;
// A part of the picture the key finds mixed, enclosed by opaque subject, is the subject's own when
// its colours stray from the line of one see-through cover by more than this many times the spread
// of the clear screen's colours round the screen colour, and by this many levels at least; parts
// smaller than kHeldMinPixels of the pixels looked at (every other one each way of the reduced
// foreground) are too small to tell.
const float kHeldSpreads = 3.0f;
const float kHeldMinStray = 6.0f;
const int kHeldMinPixels = 4;
// The subject's colour near a place is found from the colours there at least this opaque, in
// cells with this much opacity in all, leaning from the screen colour at least this far.
const float kTowardsFrom = 0.1f;
const float kTowardsWeight = 2.0f;
const float kTowardsMinLean = 12.0f;
const float kTowardsShare = 0.6f;
const int kTowardsFill = 3;                // cells
const float kTowardsSparse = 0.4f;
// Windows less opaque than this share in all hold strands alone; the subject's colour lies at least
// this many times as far along as the second farthest single pixel there.
const float kTowardsStrands = 0.11f;
const float kTowardsStrandReach = 1.3f;
// A window whose densest pixels lie past where the colour difference ends is read as strands too
// when the cells within kBeyondCells of it have at most this share of their opacity from solid
// subject, opaque samples whose four neighbours are opaque (hair, not the edge of a solid subject).
const int kBeyondCells = 2;
const float kBeyondSolidShare = 0.1f;
// There a mix is read by how far along the way it lies alone, the colours the key finds opaque
// too, unless they lie this far along.
const float kStrandShare = 1.0f;
// There the measure along the way is cut where the screen's own noise along the way ends: this many
// of its spreads above the screen's colour.
const float kStrandNoiseSpreads = 4.5f;
const float kNoStrandLo = 1.0f;            // no such threshold: the node's holds
// A picture whose colour is blurrier than its brightness (a JPEG with its colour at half size,
// as most cameras write them) has the opacity of its mixed pixels, which the colour gives, shared
// out again by the brightness, in windows of this radius, where the subject's brightness differs
// from the screen's by at least kDetailContrast levels. One pixel's brightness carries the
// screen's noise and the picture's compression in full, where the window's sums carry a small
// share of them: while the contrast is a few times that noise, the brightness moves the colour's
// opacity kDetailTrust of the way (from twice kDetailContrast), and only a contrast far above it
// (kDetailFull, fully from twice that) is trusted alone. The window is wide enough for the
// contrast of strands a pixel wide to stand above the noise of its sums.
const int kDetailRadius = 3;
const float kDetailContrast = 5.0f, kDetailTrust = 0.2f, kDetailFull = 30.0f;
// A faint mixed pixel that the brightness reads as clearer than the colour does (screen beside a
// strand, lent the strand's colour) is trusted to the brightness fully from twice kClearContrast:
// taking cover away where the brightness is the screen's costs little when it errs, while giving
// it needs the brightness to be sure. Pixels from kFaintTo opacity keep theirs, fully from
// kFaintTo - 1 / kFaintSlope, so that solid edges stay.
const float kClearContrast = 5.0f, kFaintTo = 0.75f, kFaintSlope = 1 / 0.3f;
// The colour is blurrier than the brightness when its second differences along rows are below
// this share of the brightness's (about 1.9 for noise or detail of equal sharpness).
const float kDetailColourShare = 1.0f;

inline float Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline float ClampF(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

// Weight of a direction (unit vector) for a step taken along another: 1 on it, falling smoothly
// to 0 at 40 degrees.
inline float Kernel(const float* a, const float* b)
{
    const float c = Dot(a, b);
    if (c <= kKernelCos)
        return 0;
    const float t = (c - kKernelCos) / (1 - kKernelCos);
    return t * t * (3 - 2 * t);
}

// Weight of a colour at distance d from an exemplar of radius r: 1 within r, none beyond 2r.
inline float Reach(float d, float r)
{
    if (d <= r)
        return 1;
    if (d >= 2 * r)
        return 0;
    const float t = (2 * r - d) / r;
    return t * t * (3 - 2 * t);
}

// Rises smoothly from 0 at x = a to 1 at x = b (a step at a when they meet).
inline float Rise(float x, float a, float b)
{
    if (x <= a)
        return 0;
    if (x >= b)
        return 1;
    const float t = (x - a) / (b - a);
    return t * t * (3 - 2 * t);
}

// atan2 in double precision, rounded to float by the caller: as the library's float atan2 gives
// it but for the last bit in a rare case, at a fraction of its cost (it is taken twice for each of
// the lattice's nodes whenever the screen colour changes). The angle is reduced to one of 1/8
// wide round k/8 by atan(x) = atan(k/8) + atan((x - k/8) / (1 + x k/8)), whose series then needs
// six terms.
double Atan2(double y, double x)
{
    if (x == 0 || y == 0 || !std::isfinite(x) || !std::isfinite(y))
        return std::atan2(y, x);
    static const double* const atanOf8ths = [] {
        static double table[9];
        for (int k = 0; k <= 8; ++k)
            table[k] = std::atan(k / 8.0);
        return table;
    }();
    const double ax = std::fabs(x), ay = std::fabs(y);
    const bool steep = ay > ax;
    const double t = steep ? ax / ay : ay / ax;
    const int k = (int)(t * 8 + 0.5);
    const double c = k / 8.0;
    const double r = (t - c) / (1 + t * c), r2 = r * r;
    double a = atanOf8ths[k] + r * (1 - r2 * (1.0 / 3 - r2 * (1.0 / 5 - r2 * (1.0 / 7 - r2 * (1.0 / 9 - r2 * (1.0 / 11))))));
    const double halfPi = 1.5707963267948966;
    if (steep)
        a = halfPi - a;
    if (x < 0)
        a = 2 * halfPi - a;
    return y < 0 ? -a : a;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The key's state

struct CKeyEngine::CState
{
    struct Exemplar
    {
        float c[3];
        float r;
        // 0 becomes background, 1 foreground, 2 keeps its measured opacity, 3 is see-through
        // (the user made it more transparent): the dark pass leaves it as it measures
        int kind;
    };

    bool keyed = false;
    float key[3] = {0, 0, 0};
    float picked[3] = {0, 0, 0};   // the colour picked, which the light map is made for
    // The frame of colour space round the screen colour: w its hue away from grey, g the grey
    // axis, u across both.
    float w[3] = {0, 1, 0}, g[3] = {0, 0, 0}, u[3] = {0, 0, 0};
    // The screen's channel and the other two, and one over the screen's colour difference.
    int sc = 1, o1 = 0, o2 = 2;
    float invDiff = 1.0f / 64;
    float inner = 0.05f;
    float noise = 0.05f;       // the screen's noise as measured, which inner keeps a floor above
    float outer = kDefaultOuter;
    float gain[kCells];
    float innerShift[kCells];
    float tint[kCells];
    std::vector<Exemplar> exemplars;
    // A further gain of each way by the colour difference measure along it (kBands levels a
    // cell, bandGain[level * kCells + cell]), so that a click can change the mixes like the colour
    // clicked and leave those nearer the screen or further out as they were.
    float bandGain[kBands * kCells];
    bool anyBandGain = false;
    int defocus = 0, shrink = 0;
    bool inward = false;

    CState() { ResetTables(); }

    void ResetTables()
    {
        std::fill(gain, gain + kCells, 1.0f);
        std::fill(innerShift, innerShift + kCells, 0.0f);
        std::fill(tint, tint + kCells, kDefaultTint);
        exemplars.clear();
        std::fill(bandGain, bandGain + kBands * kCells, 1.0f);
        anyBandGain = false;
    }

    void SetKey(const float k[3])
    {
        keyed = true;
        std::copy(k, k + 3, key);
        const float s = 1 / std::sqrt(3.0f);
        g[0] = g[1] = g[2] = s;
        const float mean = (k[0] + k[1] + k[2]) / 3;
        float d[3] = {k[0] - mean, k[1] - mean, k[2] - mean};
        float len = std::sqrt(Dot(d, d));
        if (len < 6) {
            // A nearly grey screen has no hue to key on; green is the likeliest meant.
            d[0] = -1; d[1] = 2; d[2] = -1;
            len = std::sqrt(6.0f);
        }
        for (int i = 0; i < 3; ++i)
            w[i] = d[i] / len;
        u[0] = g[1] * w[2] - g[2] * w[1];
        u[1] = g[2] * w[0] - g[0] * w[2];
        u[2] = g[0] * w[1] - g[1] * w[0];
        // The screen's channel is the one its hue leans to most (for a nearly grey screen the
        // green chosen above).
        sc = w[0] > w[1] ? (w[0] > w[2] ? 0 : 2) : (w[1] > w[2] ? 1 : 2);
        o1 = sc == 0 ? 1 : 0;
        o2 = sc == 2 ? 1 : 2;
        invDiff = 1 / std::max(8.0f, k[sc] - std::max(k[o1], k[o2]));
    }

    // The cell coordinates of a direction v (not normalised, non-zero).
    void CellOf(const float* v, float& fa, float& fe) const
    {
        const float a = Dot(v, w), b = Dot(v, u), c = Dot(v, g);
        const float az = (float)Atan2(b, a);
        const float el = (float)Atan2(c, std::sqrt(a * a + b * b));
        fa = (az + kPi) / (2 * kPi) * kAz;
        fe = (el + kPi / 2) / kPi * (kEl - 1);
    }

    // Where direction v falls among the cells: the four cells round it and their weights.
    struct Spot
    {
        int i00, i01, i10, i11;
        float ta, te;
        float Of(const float* table) const
        {
            return (table[i00] * (1 - ta) + table[i01] * ta) * (1 - te) + (table[i10] * (1 - ta) + table[i11] * ta) * te;
        }
    };
    Spot SpotOf(const float* v) const
    {
        float fa, fe;
        CellOf(v, fa, fe);
        fa -= 0.5f;
        int a0 = (int)std::floor(fa);
        Spot spot;
        spot.ta = fa - a0;
        const int e0 = std::min(kEl - 2, std::max(0, (int)fe));
        spot.te = ClampF(fe - e0, 0, 1);
        const int a1 = ((a0 + 1) % kAz + kAz) % kAz;
        a0 = (a0 % kAz + kAz) % kAz;
        spot.i00 = e0 * kAz + a0;
        spot.i01 = e0 * kAz + a1;
        spot.i10 = spot.i00 + kAz;
        spot.i11 = spot.i01 + kAz;
        return spot;
    }

    // Bilinear value of a table in direction v.
    float Table(const float* table, const float* v) const { return SpotOf(v).Of(table); }

    // The unit direction a cell stands for.
    void CellDirection(int cell, float* d) const
    {
        const int e = cell / kAz, a = cell % kAz;
        const float az = (a + 0.5f) / kAz * 2 * kPi - kPi;
        const float el = (float)e / (kEl - 1) * kPi - kPi / 2;
        const float ca = std::cos(az) * std::cos(el), cb = std::sin(az) * std::cos(el), cc = std::sin(el);
        for (int i = 0; i < 3; ++i)
            d[i] = ca * w[i] + cb * u[i] + cc * g[i];
    }

    // The opacity a colour measures before thresholds and exemplars: the plain measure times the
    // gain of its way from the screen colour, at its level along the way.
    float Measure(const float* c) const
    {
        const float v[3] = {c[0] - key[0], c[1] - key[1], c[2] - key[2]};
        const float plain = MeasurePlain(c);
        if (plain <= 0)
            return 0;
        const Spot spot = SpotOf(v);
        return plain * spot.Of(gain) * BandGainOf(spot, MeasureRaw(c));
    }

    // The band gain at a place of the cells and a colour difference measure.
    float BandGainOf(const Spot& spot, float raw) const
    {
        if (!anyBandGain)
            return 1;
        int level;
        float t;
        BandOf(raw, level, t);
        const float a = spot.Of(bandGain + level * kCells), b = spot.Of(bandGain + (level + 1) * kCells);
        return a + (b - a) * t;
    }
    static void BandOf(float raw, int& level, float& t)
    {
        const float f = std::sqrt(std::max(0.0f, raw)) / kBandStep;
        level = std::min((int)f, kBands - 2);
        t = std::min(1.0f, f - level);
    }

    // Multiplies the gains of the ways within 40 degrees of a unit way d (the cells' unit
    // directions in dirs) by factor, in full for measures from from1 to to0, not at all below
    // from0 or above to1.
    void AddBandGain(const float* dirs, const float* d, float factor, float from0, float from1, float to0, float to1)
    {
        const float lf = std::log(factor);
        for (int cell = 0; cell < kCells; ++cell) {
            const float k = Kernel(dirs + 3 * cell, d);
            if (k <= 0)
                continue;
            for (int level = 0; level < kBands; ++level) {
                const float raw = (level * kBandStep) * (level * kBandStep);
                const float band = Rise(raw, from0, from1) * (1 - Rise(raw, to0, to1));
                if (band > 0)
                    bandGain[level * kCells + cell] *= std::exp(lf * k * band);
            }
        }
        anyBandGain = true;
    }

    // The unit directions of all the cells.
    void CellDirections(float* dirs) const
    {
        for (int cell = 0; cell < kCells; ++cell)
            CellDirection(cell, dirs + 3 * cell);
    }

    // The colour difference: how far the colour's screen channel stands above the larger of the
    // other two, against the screen colour's own. A colour a F + (1 - a) B of a foreground F that
    // does not lean the screen's way has the difference (1 - a) of the screen's, so the measure
    // 1 - difference / screen's is a, whatever the foreground's brightness; a foreground that leans
    // the screen's way reads lower (the gains of the ways are for that). Negative for colours more
    // saturated than the screen; the lattice keeps the sign, so that it interpolates straight.
    float MeasureRaw(const float* c) const
    {
        return 1 - (c[sc] - std::max(c[o1], c[o2])) * invDiff;
    }
    float MeasurePlain(const float* c) const { return std::max(0.0f, MeasureRaw(c)); }

    // How fast the measure can grow with the distance from the screen colour, at most: the
    // difference changes by no more than the square root of two per level.
    float MaxSlope() const { return 1.41422f * invDiff; }

    // The unit way from the screen colour to c; false when c is the screen colour.
    bool Way(const float* c, float* d) const
    {
        float v[3] = {c[0] - key[0], c[1] - key[1], c[2] - key[2]};
        const float len = std::sqrt(Dot(v, v));
        if (len < 1)
            return false;
        for (int i = 0; i < 3; ++i)
            d[i] = v[i] / len;
        return true;
    }

    // For every cell, the largest kernel weight over the ways of the colours (1 everywhere when
    // there are none and bAllWithout is set).
    void Weights(const std::vector<float>& colours, bool bAllWithout, float* weights) const
    {
        const size_t n = colours.size() / 3;
        if (n == 0) {
            std::fill(weights, weights + kCells, bAllWithout ? 1.0f : 0.0f);
            return;
        }
        std::vector<float> ways;
        for (size_t i = 0; i < n; ++i) {
            float d[3];
            if (Way(&colours[3 * i], d))
                ways.insert(ways.end(), d, d + 3);
        }
        for (int cell = 0; cell < kCells; ++cell) {
            float cd[3];
            CellDirection(cell, cd);
            float k = 0;
            for (size_t i = 0; i < ways.size(); i += 3)
                k = std::max(k, Kernel(cd, &ways[i]));
            weights[cell] = k;
        }
    }

    void AddExemplar(const float* c, float r, int kind)
    {
        if (exemplars.size() >= kMaxExemplars)
            exemplars.erase(exemplars.begin());
        exemplars.push_back({{c[0], c[1], c[2]}, r, kind});
    }

    // The colour distance that screen noise spreads over.
    float NoiseSpread() const { return ClampF(inner / invDiff, 4, 40); }
};

// ---------------------------------------------------------------------------------------------
// The key baked over colour. The colour difference is exact at every pixel; what the steps add to
// it (the gains of the ways, exemplars, thresholds, tint tolerances) changes smoothly over colour
// and lies at the nodes of a lattice: the measure of a colour is its colour difference times A
// plus B, A and B interpolated, and the thresholds apply to that measure, so the ramps stay as
// sharp as the thresholds make them. Each lattice cell also says whether it is all background or
// all opaque, so most pixels take one look-up.

// Opacity after the thresholds: none below the inner one (lo), full above the outer one, and the
// measure itself in between, joined by ramps twice as steep (from lo to 2 lo, and from
// 1 - 2 (1 - outer) to outer), so that semi-transparent colours keep their opacity.
inline float KeyThreshold(float measured, float lo)
{
    const float hi = std::max(lo + 0.05f, kDefaultOuter);
    const float top = 1 - 2 * (1 - hi);
    if (measured <= lo)
        return 0;
    if (2 * lo >= top)
        return Clamp01((measured - lo) / (hi - lo));
    if (measured < 2 * lo)
        return 2 * (measured - lo);
    if (measured > top)
        return Clamp01(top + 2 * (measured - top));
    return measured;
}

// The least measure along the subject's way that shows in a cell: among strands, where the noise
// along the way ends if that is lower than where it ends at every node.
inline float AlongClear(bool strands, float strandLo, float clearRaw) { return strands ? std::min(clearRaw, strandLo) : clearRaw; }

// The measure at and above which KeyThreshold gives 1.
inline float OpaqueFrom(float lo) { return std::max(lo + 0.05f, kDefaultOuter); }

class CKeyLut
{
public:
    // AllOpaque cells have one tint tolerance at all their corners, OpaqueTints cells several.
    enum { Mixed = 0, AllClear = 1, AllOpaque = 2, OpaqueTints = 3 };
    enum { kA = 0, kB = 1, kLo = 2, kTint = 3, kValues = 4 };
    float node[kLutN * kLutN * kLutN][kValues];    // A, B, inner threshold, tint tolerance
    BYTE cls[(kLutN - 1) * (kLutN - 1) * (kLutN - 1)];
    // How far each node is see-through by the user's word (colours cleaned as background or made
    // more transparent, and not made opaque since): the dark pass gives way there. Set only when
    // anySeeThrough.
    float seeThrough[kLutN * kLutN * kLutN];
    bool anySeeThrough = false;
    float key[3];
    float w[3];
    float origin[3];        // the colour of node 0, so that the screen colour is a node
    float clearSq;          // colours this near the screen colour (squared) are clear background
    float clearRaw = 0;     // colour difference measures below this are clear at every node
    int sc = 1, o1 = 0, o2 = 2;
    float invDiff = 1;
    bool keyed;

    float NodeColour(int channel, int i) const { return origin[channel] + i * kLutStep; }

    static int Index(int b, int g, int r) { return (b * kLutN + g) * kLutN + r; }

    // Opacity and tint tolerance of a corrected colour. Most colours lie in a cell of the lattice
    // that is all clear or all opaque and take one look; the others are interpolated.
    inline float Look(float c0, float c1, float c2, float& tint) const
    {
        const float fb = (c0 - origin[0]) * (1 / kLutStep), fg = (c1 - origin[1]) * (1 / kLutStep),
                    fr = (c2 - origin[2]) * (1 / kLutStep);
        const int ib = std::min((int)fb, kLutN - 2), ig = std::min((int)fg, kLutN - 2), ir = std::min((int)fr, kLutN - 2);
        const BYTE kind = cls[(ib * (kLutN - 1) + ig) * (kLutN - 1) + ir];
        const float* n000 = node[Index(ib, ig, ir)];
        if (kind == AllClear) {
            tint = kNoDespill;
            return 0;
        }
        if (kind == AllOpaque) {
            tint = n000[kTint];
            return 1;
        }
        const auto interpolate = Interpolate;
        const float tb = fb - ib, tg = fg - ig, tr = fr - ir;
        if (kind == OpaqueTints) {
            tint = interpolate(n000 + kTint, tb, tg, tr);
            return 1;
        }
        // KeyAvx2 does what follows for eight colours at a time, and KeyThreshold8 what
        // KeyThreshold does: a change here goes there too (the strip test of the window finds
        // the two apart).
        const float vb = c0 - key[0], vg = c1 - key[1], vr = c2 - key[2];
        if (vb * vb + vg * vg + vr * vr < clearSq) {
            tint = kNoDespill;
            return 0;
        }
        const float c[3] = {c0, c1, c2};
        const float raw = 1 - (c[sc] - std::max(c[o1], c[o2])) * invDiff;
        const float m = raw * interpolate(n000 + kA, tb, tg, tr) + interpolate(n000 + kB, tb, tg, tr);
        const float a = KeyThreshold(m, interpolate(n000 + kLo, tb, tg, tr));
        tint = a > 0 ? interpolate(n000 + kTint, tb, tg, tr) : kNoDespill;
        return a;
    }

    // Look's opacity of a colour whose colour difference measure is moved a share of the way
    // towards along: the colours of cells that are all clear by the colour difference are
    // interpolated too, those of opaque cells stay as Look has them. KeyAvx2 does it for eight
    // colours at a time after their key: a change here goes there too.
    // Among strands (open), the colours of opaque cells are interpolated as well, and the measure
    // along the way shows from openLo (where the screen's noise along the way ends) if the node's
    // inner threshold, which the noise of the colour difference sets, lies higher.
    float LookToward(float c0, float c1, float c2, float along, float share, bool open, float openLo, float& tint) const
    {
        const float fb = (c0 - origin[0]) * (1 / kLutStep), fg = (c1 - origin[1]) * (1 / kLutStep),
                    fr = (c2 - origin[2]) * (1 / kLutStep);
        const int ib = std::min((int)fb, kLutN - 2), ig = std::min((int)fg, kLutN - 2), ir = std::min((int)fr, kLutN - 2);
        const BYTE kind = cls[(ib * (kLutN - 1) + ig) * (kLutN - 1) + ir];
        if (!open && (kind == AllOpaque || kind == OpaqueTints))
            return Look(c0, c1, c2, tint);
        const float vb = c0 - key[0], vg = c1 - key[1], vr = c2 - key[2];
        const bool close = vb * vb + vg * vg + vr * vr < clearSq;
        if (close && !open) {
            tint = kNoDespill;
            return 0;
        }
        const float* n000 = node[Index(ib, ig, ir)];
        const float tb = fb - ib, tg = fg - ig, tr = fr - ir;
        const float c[3] = {c0, c1, c2};
        float raw = 1 - (c[sc] - std::max(c[o1], c[o2])) * invDiff;
        raw += (along - raw) * share;
        const float nodeA = Interpolate(n000 + kA, tb, tg, tr), nodeB = Interpolate(n000 + kB, tb, tg, tr);
        float lo = Interpolate(n000 + kLo, tb, tg, tr);
        // Colours near the screen's measure below the node's threshold: clear, unless the noise
        // along the way sets a lower one.
        const bool lowered = open && openLo * nodeA + nodeB < lo;
        if (close && !lowered) {
            tint = kNoDespill;
            return 0;
        }
        if (lowered)
            lo = openLo * nodeA + nodeB;
        const float m = raw * nodeA + nodeB;
        const float a = KeyThreshold(m, lo);
        tint = a > 0 ? Interpolate(n000 + kTint, tb, tg, tr) : kNoDespill;
        return a;
    }

    // The see-through share of a corrected colour, interpolated; only when anySeeThrough.
    float SeeThroughAt(float c0, float c1, float c2) const
    {
        const float fb = (c0 - origin[0]) * (1 / kLutStep), fg = (c1 - origin[1]) * (1 / kLutStep),
                    fr = (c2 - origin[2]) * (1 / kLutStep);
        const int ib = std::max(0, std::min((int)fb, kLutN - 2)), ig = std::max(0, std::min((int)fg, kLutN - 2)),
                  ir = std::max(0, std::min((int)fr, kLutN - 2));
        const float tb = ClampF(fb - ib, 0, 1), tg = ClampF(fg - ig, 0, 1), tr = ClampF(fr - ir, 0, 1);
        const float* n = &seeThrough[Index(ib, ig, ir)];
        const int sg = kLutN, sb = kLutN * kLutN;
        const float c00 = n[0] + (n[1] - n[0]) * tr, c01 = n[sg] + (n[sg + 1] - n[sg]) * tr;
        const float c10 = n[sb] + (n[sb + 1] - n[sb]) * tr, c11 = n[sb + sg] + (n[sb + sg + 1] - n[sb + sg]) * tr;
        const float c0i = c00 + (c01 - c00) * tg, c1i = c10 + (c11 - c10) * tg;
        return c0i + (c1i - c0i) * tb;
    }

    void Build(const CKeyEngine::CState& s);
    // The ways of the nodes are the same for the same screen colour: another table's are taken
    // over (and this one's given it) when they are for the key to build and this one's are not.
    void TakeWays(CKeyLut& other, const CKeyEngine::CState& s) noexcept
    {
        if (s.keyed && !std::equal(s.key, s.key + 3, m_waysKey) && std::equal(s.key, s.key + 3, other.m_waysKey)) {
            m_ways.swap(other.m_ways);
            for (int i = 0; i < 3; ++i)
                std::swap(m_waysKey[i], other.m_waysKey[i]);
        }
    }

private:
    // The nodes within reach of an exemplar: lo[i] .. hi[i] a channel.
    void Reachable(const float* c, float r, int lo[3], int hi[3]) const
    {
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::max(0, (int)std::floor((c[i] - 2 * r - origin[i]) / kLutStep));
            hi[i] = std::min(kLutN - 1, (int)std::ceil((c[i] + 2 * r - origin[i]) / kLutStep));
        }
    }
    void BuildSeeThrough(const CKeyEngine::CState& s);

    // The gain of a node's way (not the screen colour's own node).
    float GainAt(const CKeyEngine::CState& s, int i) const
    {
        const NodeWay& way = m_ways[i];
        return way.spot.Of(s.gain) * s.BandGainOf(way.spot, way.raw);
    }

    // The eight corners' interpolation of one of a node's values.
    static inline float Interpolate(const float* n, float tb, float tg, float tr)
    {
        const int sr = kValues, sg = kValues * kLutN, sb = kValues * kLutN * kLutN;
        const float c00 = n[0] + (n[sr] - n[0]) * tr;
        const float c01 = n[sg] + (n[sg + sr] - n[sg]) * tr;
        const float c10 = n[sb] + (n[sb + sr] - n[sb]) * tr;
        const float c11 = n[sb + sg] + (n[sb + sg + sr] - n[sb + sg]) * tr;
        const float c0i = c00 + (c01 - c00) * tg;
        const float c1i = c10 + (c11 - c10) * tg;
        return c0i + (c1i - c0i) * tb;
    }

    // The way from the screen colour to each node, which depends on the screen colour alone: where
    // it falls among the tables' cells, and the node's colour difference measure. Kept from one
    // build to the next while the colour stays.
    struct NodeWay
    {
        CKeyEngine::CState::Spot spot;
        float raw;
        bool atKey;
    };
    std::vector<NodeWay> m_ways;
    float m_waysKey[3] = {-1, -1, -1};
};

// The colours within kBoxSide / 2 levels of the screen colour, in unit cubes: in a photograph of
// a screen most pixels are screen, and their colours fall in the lattice cells round the screen
// colour, which are never all clear. A cube whose eight corners are all clear is clear all
// through (the key interpolates between them), so a large region's colours that fall in one are
// known clear at one look, and only the others are interpolated.
struct KEYBOX
{
    int lo[3] = {0, 0, 0};                        // the colour at the corner of cube 0, 0, 0
    // A bit a cube, set where it is clear: the box stays in the cache nearest the processor.
    std::vector<unsigned> clear;
    static int Index(int b, int g, int r) { return (b * kBoxSide + g) * kBoxSide + r; }
    bool IsClear(int index) const { return clear[index >> 5] >> (index & 31) & 1; }
};

// The inside of the subject on a grid over the picture (of about 128 cells a side): 1 where
// no clear screen lies near, 0 where it does. Pixels of the subject that read as screen darkened
// (navy cloth on a blue screen reads as half-transparent black) are opaque there: a mix with the
// screen so far from the screen would need a see-through subject as large as that part.
struct KEYINSIDE
{
    int w = 0, h = 0;
    std::vector<float> inside;
    // The subject's colour near each cell, corrected, where the cell's colours show it: a mixed
    // pixel there lies on the line from the screen colour to it, and its opacity is how far along
    // (3 a cell: that colour less the screen's, over its length squared; all 0 where unknown).
    std::vector<float> towards;
    // The mean colour, corrected, of the cell and its neighbours weighted by opacity, where the
    // cell's own colours give its way (the first channel -1 elsewhere).
    std::vector<float> colour;
    // 1 where the cell's way is found among strands alone (thin hair over the screen), or among
    // hair whose mixes lie past where the colour difference ends; 0 elsewhere.
    std::vector<BYTE> strands;
    // Where strands are, the measure along the way below which the screen's noise lies.
    std::vector<float> strandLo;
    // 1 where the cell lies in parts of the subject whose colours the key takes for mixes (see
    // CKeyEngine::Enclosed), 0 elsewhere; anyHeld: some cell is 1.
    std::vector<float> held;
    bool anyHeld = false;
    float key[3] = {0, 0, 0};
};

// The key's look at every other pixel each way of the reduced foreground (which is smooth), as
// the inside is found from it: each corrected by the light map's gains at the centre of its cell
// of the inside's grid (the last cell's beyond the grid), with its opacity. Made once for each
// inside, for the clear screen near each cell, the subject's colour round it and the parts the
// subject encloses.
struct KEYLOOKS
{
    int pw = 0, ph = 0;                 // samples a row and rows: pixel 2 x, 2 y
    std::vector<float> cellGains;       // 3 a cell of the inside's grid
    std::vector<float> colour;          // 3 a sample
    std::vector<float> opacity;
    size_t Index(int px, int py) const { return (size_t)(py / 2) * pw + px / 2; }
};

inline BYTE TintByte(float tint) { return tint >= kNoDespill * 0.5f ? 255 : (BYTE)std::min(254, (int)(tint * 250 + 0.5f)); }
inline float TintOf(BYTE b) { return b == 255 ? kNoDespill : b / 250.0f; }

void CKeyLut::Build(const CKeyEngine::CState& s)
{
    keyed = s.keyed;
    anySeeThrough = false;
    std::copy(s.key, s.key + 3, key);
    std::copy(s.w, s.w + 3, w);
    sc = s.sc;
    o1 = s.o1;
    o2 = s.o2;
    invDiff = s.invDiff;
    clearSq = 0;
    for (int i = 0; i < 3; ++i)
        origin[i] = s.keyed ? s.key[i] - kLutStep * std::ceil(s.key[i] / kLutStep) : 0;
    const int total = kLutN * kLutN * kLutN;
    if (!s.keyed) {
        for (int i = 0; i < total; ++i) {
            node[i][kA] = 0;
            node[i][kB] = 1;
            node[i][kLo] = 0;
            node[i][kTint] = kNoDespill;
        }
        std::fill(cls, cls + sizeof cls, (BYTE)AllOpaque);
        return;
    }
    // The jobs of the build take no memory and cannot throw, so KxParallelForAll always finishes
    // them, on this thread if the workers could not.
    if (!std::equal(key, key + 3, m_waysKey)) {
        std::fill(m_waysKey, m_waysKey + 3, -1.0f);
        m_ways.resize(total);
        KxParallelForAll(kLutN, [&](int begin, int end) {
            for (int b = begin; b < end; ++b)
                for (int gI = 0; gI < kLutN; ++gI)
                    for (int r = 0; r < kLutN; ++r) {
                        const float c[3] = {NodeColour(0, b), NodeColour(1, gI), NodeColour(2, r)};
                        const float v[3] = {c[0] - key[0], c[1] - key[1], c[2] - key[2]};
                        NodeWay& way = m_ways[Index(b, gI, r)];
                        way.raw = s.MeasureRaw(c);
                        way.atKey = Dot(v, v) < 1e-6f;
                        way.spot = s.SpotOf(way.atKey ? s.w : v);
                    }
        });
        std::copy(key, key + 3, m_waysKey);
    }
    // The gain of each node's way, its inner threshold and tint tolerance: the values Measure and
    // Table give. The screen colour's own node has every way's: its colour difference is 0, so
    // only its threshold and tolerance count, the plain ones.
    KxParallelForAll(kLutN, [&](int begin, int end) {
        for (int i = begin * kLutN * kLutN; i < end * kLutN * kLutN; ++i) {
            const NodeWay& way = m_ways[i];
            float* n = node[i];
            n[kB] = 0;
            if (way.atKey) {
                n[kA] = 1;
                n[kLo] = s.inner;
                n[kTint] = kDefaultTint;
                continue;
            }
            n[kA] = GainAt(s, i);
            n[kLo] = ClampF(s.inner + way.spot.Of(s.innerShift), 0, 0.9f);
            n[kTint] = way.spot.Of(s.tint);
        }
    });
    // Exemplars in the order they were made, so a later one wins where they overlap. Background
    // and foreground take the measure to clear or opaque; detail gives back the measure of the way
    // and lowers the inner threshold below the exemplar's own measure, so a colour fainter than
    // the screen's noise still shows.
    for (const CKeyEngine::CState::Exemplar& e : s.exemplars) {
        if (e.kind == 3)
            continue;
        int lo[3], hi[3];
        Reachable(e.c, e.r, lo, hi);
        // Detail lowers the threshold to half the exemplar's measure, which then shows as much as
        // it measures (the lower ramp doubles from there), within a reach that stops short of the
        // screen colour: a faint strand's colour lies as near the screen colour as its noise
        // does, but not in the same place.
        float detailLo = 0, detailR = 1;
        if (e.kind == 2) {
            const float v[3] = {e.c[0] - key[0], e.c[1] - key[1], e.c[2] - key[2]};
            detailLo = 0.25f * s.Measure(e.c);
            detailR = std::max(0.6f * kLutStep, std::min(e.r, 0.4f * std::sqrt(Dot(v, v))));
        }
        for (int b = lo[0]; b <= hi[0]; ++b)
            for (int gI = lo[1]; gI <= hi[1]; ++gI)
                for (int r = lo[2]; r <= hi[2]; ++r) {
                    const float d[3] = {NodeColour(0, b) - e.c[0], NodeColour(1, gI) - e.c[1], NodeColour(2, r) - e.c[2]};
                    const float wgt = Reach(std::sqrt(Dot(d, d)), e.r);
                    if (wgt <= 0)
                        continue;
                    const int i = Index(b, gI, r);
                    float* n = node[i];
                    float targetA = 0, targetB;
                    if (e.kind == 0) {
                        targetB = n[kLo] - 0.1f;
                    } else if (e.kind == 1) {
                        targetB = OpaqueFrom(n[kLo]) + 0.1f;
                    } else {
                        const NodeWay& way = m_ways[i];
                        targetA = way.atKey ? 1 : GainAt(s, i);
                        targetB = 0;
                        // The screen colour's own node no lower than the screen's noise.
                        const float target = way.atKey ? std::max(detailLo, s.noise) : detailLo;
                        n[kLo] += (std::min(n[kLo], target) - n[kLo]) * Reach(std::sqrt(Dot(d, d)), detailR);
                    }
                    n[kA] += (targetA - n[kA]) * wgt;
                    n[kB] += (targetB - n[kB]) * wgt;
                }
    }
    BuildSeeThrough(s);
    // Colours this near the screen colour measure below every inner threshold: clear without a
    // look-up, unless an exemplar that makes colours opaque reaches there.
    float largestA = 1e-3f, lowestMargin = 1;
    for (int i = 0; i < total; ++i) {
        largestA = std::max(largestA, node[i][kA]);
        lowestMargin = std::min(lowestMargin, node[i][kLo] - node[i][kB]);
    }
    float clearRadius = std::max(0.0f, 0.9f * lowestMargin / (s.MaxSlope() * largestA));
    for (const CKeyEngine::CState::Exemplar& e : s.exemplars)
        if (e.kind == 1 || e.kind == 2) {
            const float d[3] = {e.c[0] - key[0], e.c[1] - key[1], e.c[2] - key[2]};
            clearRadius = std::min(clearRadius, std::max(0.0f, std::sqrt(Dot(d, d)) - 2 * e.r));
        }
    clearSq = clearRadius * clearRadius;
    clearRaw = std::max(0.0f, lowestMargin / largestA);
    // A cell is clear when its measure stays at or below its threshold at every point, opaque
    // when it stays at or above the opaque measure: bounds of the colour difference over the cell
    // (at its corners, the difference being linear in each channel but for the larger of two) and
    // of A, B and the threshold (at the corners too, being interpolated).
    // The bounds over a cell's eight corners are taken a channel at a time: over each pair of
    // slabs of blue, then along red, then along green, each bound of two of the step before; the
    // tint is one over the cell when its bounds meet.
    // Looks only, no memory: KxParallelForAll finishes them whatever the workers do.
    KxParallelForAll(kLutN - 1, [&](int begin, int end) {
        enum { kRawLo, kRawHi, kALo, kAHi, kBLo, kBHi, kLoLo, kLoHi, kTintLo, kTintHi, kBounds };
        float pair[kLutN * kLutN][kBounds], along[kLutN * (kLutN - 1)][kBounds];
        for (int b = begin; b < end; ++b) {
            for (int j = 0; j < kLutN * kLutN; ++j) {
                const int i0 = b * kLutN * kLutN + j, i1 = i0 + kLutN * kLutN;
                const float* n0 = node[i0];
                const float* n1 = node[i1];
                float* p = pair[j];
                p[kRawLo] = std::min(m_ways[i0].raw, m_ways[i1].raw);
                p[kRawHi] = std::max(m_ways[i0].raw, m_ways[i1].raw);
                p[kALo] = std::min(n0[kA], n1[kA]);
                p[kAHi] = std::max(n0[kA], n1[kA]);
                p[kBLo] = std::min(n0[kB], n1[kB]);
                p[kBHi] = std::max(n0[kB], n1[kB]);
                p[kLoLo] = std::min(n0[kLo], n1[kLo]);
                p[kLoHi] = std::max(n0[kLo], n1[kLo]);
                p[kTintLo] = std::min(n0[kTint], n1[kTint]);
                p[kTintHi] = std::max(n0[kTint], n1[kTint]);
            }
            auto bound = [](const float* x, const float* y, float* to) {
                for (int k = 0; k < kBounds; k += 2) {
                    to[k] = std::min(x[k], y[k]);
                    to[k + 1] = std::max(x[k + 1], y[k + 1]);
                }
            };
            for (int gI = 0; gI < kLutN; ++gI)
                for (int r = 0; r < kLutN - 1; ++r)
                    bound(pair[gI * kLutN + r], pair[gI * kLutN + r + 1], along[gI * (kLutN - 1) + r]);
            for (int gI = 0; gI < kLutN - 1; ++gI)
                for (int r = 0; r < kLutN - 1; ++r) {
                    float c[kBounds];
                    bound(along[gI * (kLutN - 1) + r], along[(gI + 1) * (kLutN - 1) + r], c);
                    const float rawLo = c[kRawLo], rawHi = c[kRawHi], aLo = c[kALo], aHi = c[kAHi];
                    const float mHi = std::max(std::max(rawLo * aLo, rawLo * aHi), std::max(rawHi * aLo, rawHi * aHi)) + c[kBHi];
                    const float mLo = std::min(std::min(rawLo * aLo, rawLo * aHi), std::min(rawHi * aLo, rawHi * aHi)) + c[kBLo];
                    const bool clear = mHi <= c[kLoLo];
                    const bool opaque = mLo >= OpaqueFrom(c[kLoHi]);
                    const bool oneTint = c[kTintLo] == c[kTintHi];
                    cls[(b * (kLutN - 1) + gI) * (kLutN - 1) + r] =
                        clear ? AllClear : opaque ? (oneTint ? AllOpaque : OpaqueTints) : Mixed;
                }
        }
    });
}

// In the order the exemplars were made, so the user's last word on a colour counts: cleaned as
// background or made more transparent it is see-through, made opaque it is not.
void CKeyLut::BuildSeeThrough(const CKeyEngine::CState& s)
{
    for (const CKeyEngine::CState::Exemplar& e : s.exemplars)
        anySeeThrough = anySeeThrough || e.kind == 0 || e.kind == 3;
    if (!anySeeThrough)
        return;
    std::fill(seeThrough, seeThrough + kLutN * kLutN * kLutN, 0.0f);
    for (const CKeyEngine::CState::Exemplar& e : s.exemplars) {
        if (e.kind == 2)
            continue;
        const float target = e.kind == 1 ? 0.0f : 1.0f;
        int lo[3], hi[3];
        Reachable(e.c, e.r, lo, hi);
        for (int b = lo[0]; b <= hi[0]; ++b)
            for (int gI = lo[1]; gI <= hi[1]; ++gI)
                for (int r = lo[2]; r <= hi[2]; ++r) {
                    const float d[3] = {NodeColour(0, b) - e.c[0], NodeColour(1, gI) - e.c[1], NodeColour(2, r) - e.c[2]};
                    const float wgt = Reach(std::sqrt(Dot(d, d)), e.r);
                    float& st = seeThrough[Index(b, gI, r)];
                    st += (target - st) * wgt;
                }
    }
}

// ---------------------------------------------------------------------------------------------
// History

CKeyEngine::CKeyEngine() : m_pBase(new CState), m_pState(new CState), m_pBeforeTop(new CState), m_pLut(new CKeyLut)
{
    m_pLut->Build(*m_pState);
}

CKeyEngine::~CKeyEngine() = default;

// Rounds of changes to the gains along the ways of the colours (those with a way and a measure),
// at most rounds, while change(colour, cell directions, way, measure) says it changed something:
// the table between its cells and levels gives a little less than asked, so a change meant to
// reach a measure takes a few.
template <class State, class Change>
static void GainRounds(State& s, const std::vector<float>& c, int rounds, Change change)
{
    float dirs[3 * kCells];
    s.CellDirections(dirs);
    for (int round = 0; round < rounds; ++round) {
        bool any = false;
        for (size_t i = 0; i < c.size() / 3; ++i) {
            float d[3];
            const float raw = s.MeasurePlain(&c[3 * i]);
            if (s.Way(&c[3 * i], d) && raw > 0 && change(&c[3 * i], dirs, d, raw))
                any = true;
        }
        if (!any)
            break;
    }
}

void CKeyEngine::ApplyStep(CState& s, const KEYSTEP& step, const LightMap& map) const
{
    const std::vector<float>& c = step.colours;
    const size_t n = c.size() / 3;
    float weights[kCells];
    switch (step.op) {
    case KX_OP_PICKSCREEN: {
        if (n == 0)
            return;
        float key[3];
        MedianColour(c, key);
        const int defocus = s.defocus, shrink = s.shrink;
        const bool inward = s.inward;
        s = CState();
        s.defocus = defocus;     // the matte's shape in space is not part of the colour key
        s.shrink = shrink;
        s.inward = inward;
        // The few pixels picked carry the screen's noise, which would set the key off the centre
        // of the screen's colours; the light map has the screen's colour from all of them.
        s.SetKey(map.w > 0 && std::equal(key, key + 3, map.key) ? map.screen : key);
        std::copy(key, key + 3, s.picked);
        s.noise = step.values[0] / 10000.0f;
        s.inner = ClampF(s.noise, 0.035f, 0.35f);
        break;
    }
    case KX_OP_CLEANBG: {
        if (!s.keyed || n == 0)
            return;
        // The colours and the mixes lying their way nearer the screen are lowered below the inner
        // threshold; the mixes further out, a little above the colours' measure on, keep theirs:
        // a speck of screen between strands shares its way with the strands' mixes, which are
        // stronger. As for raising, the table gives a little less than asked: a few rounds.
        GainRounds(s, c, 4, [&](const float* colour, const float* dirs, const float* d, float raw) {
            const float m = s.Measure(colour);
            const float lo = ClampF(s.inner + s.Table(s.innerShift, d), 0.01f, 0.9f);
            if (m <= 0.8f * lo)
                return false;
            // In full up to the level of the measure above the colour's, none from the next.
            const float level = std::ceil(std::sqrt(raw) / kBandStep);
            const float to0 = (level + 0.5f) * kBandStep, to1 = (level + 1) * kBandStep;
            s.AddBandGain(dirs, d, std::max(1.0f / 16, 0.7f * lo / m), -1e9f, -1e9f, to0 * to0, to1 * to1);
            return true;
        });
        // The user says these colours are see-through: the dark pass gives way there.
        for (size_t i = 0; i < n; ++i)
            s.AddExemplar(&c[3 * i], 4 + 1.5f * s.NoiseSpread(), 3);
        break;
    }
    case KX_OP_CLEANFG:
        if (!s.keyed)
            return;
        for (size_t i = 0; i < n; ++i)
            s.AddExemplar(&c[3 * i], 4 + s.NoiseSpread(), 1);
        break;
    case KX_OP_FGOPAQUE: {
        if (!s.keyed || n == 0)
            return;
        // Each colour and the colours lying its way from the screen further out are raised until
        // opaque; the mixes nearer the screen, from half its way in, less and less: the subject's
        // soft edge on that way keeps its opacity. The table between its cells and levels gives a
        // little less than asked, so a second or third raise may be needed.
        GainRounds(s, c, 4, [&](const float* colour, const float* dirs, const float* d, float raw) {
            const float m = s.Measure(colour);
            if (m >= s.outer)
                return false;
            s.AddBandGain(dirs, d, ClampF(s.outer * 1.05f / std::max(m, 0.05f), 1, 6), 0.5f * raw, 0.9f * raw, 1e9f, 1e9f);
            return true;
        });
        // The lattice the key is baked into blends neighbouring ways; the colours themselves are
        // made sure of.
        for (size_t i = 0; i < n; ++i)
            s.AddExemplar(&c[3 * i], 4 + s.NoiseSpread(), 1);
        break;
    }
    case KX_OP_FGTRANSPARENT: {
        if (!s.keyed || n == 0)
            return;
        // Two thirds of the opacity the colours show (a colour measuring beyond opaque is first
        // brought down to opaque), and so for the mixes lying their way nearer the screen; the
        // colours further out, the subject itself, less and less from the colour on, and not at
        // all from a quarter beyond it.
        GainRounds(s, c, 1, [&](const float* colour, const float* dirs, const float* d, float raw) {
            const float m = std::max(s.Measure(colour), 1e-3f);
            s.AddBandGain(dirs, d, 2.0f / 3 * std::min(1.0f, m) / m, -1e9f, -1e9f, raw, 1.25f * raw);
            return true;
        });
        // The user says these colours are see-through: inside the subject too, where a dark
        // mix with the screen would otherwise be taken for a dark part of the subject.
        for (size_t i = 0; i < n; ++i)
            s.AddExemplar(&c[3 * i], 4 + 1.5f * s.NoiseSpread(), 3);
        break;
    }
    case KX_OP_RESTOREDETAIL: {
        if (!s.keyed || n == 0)
            return;
        // Faint detail shows more: the colours and the mixes lying their way near them gain half
        // again their opacity a click; the mixes nearer the screen, below a third of the way, and
        // with them the screen's noise, stay, and so do the colours further out than twice and a
        // half as far (the gain fades slowly enough there that no colour overtakes one further out).
        GainRounds(s, c, 1, [&](const float*, const float* dirs, const float* d, float raw) {
            s.AddBandGain(dirs, d, kDetailGain, 0.35f * raw, 0.8f * raw, 1.3f * raw, 2.6f * raw);
            return true;
        });
        // The threshold is lowered round the colours alone (see CKeyLut::Build), not along their
        // whole way: the way passes through the screen's noise on its way to the screen colour.
        for (size_t i = 0; i < n; ++i)
            s.AddExemplar(&c[3 * i], 4 + s.NoiseSpread(), 2);
        break;
    }
    case KX_OP_CLEANSPILL:
        if (!s.keyed || n == 0)
            return;
        s.Weights(c, false, weights);
        for (int k = 0; k < kCells; ++k)
            s.tint[k] = std::min(s.tint[k], s.tint[k] * (1 - weights[k]));
        break;
    case KX_OP_FINETUNE: {
        if (!s.keyed)
            return;
        const float spill = ClampF(step.values[0], -100, 100) / 100;
        const float transparency = ClampF(step.values[1], -100, 100) / 100;
        const float detail = ClampF(step.values[2], -100, 100) / 100;
        s.Weights(c, true, weights);
        for (int k = 0; k < kCells; ++k) {
            const float wk = weights[k];
            if (wk <= 0)
                continue;
            s.gain[k] *= std::pow(2.0f, -transparency * wk);
            // Positive detail lowers the inner threshold towards none, negative raises it.
            const float shift = detail > 0 ? -detail * s.inner : -detail * 0.3f;
            s.innerShift[k] = std::max(-s.inner, s.innerShift[k] + shift * wk);
            s.tint[k] = ClampF(s.tint[k] - spill * 0.2f * wk, 0, 1);
        }
        break;
    }
    case KX_OP_DEFOCUS:
        s.defocus = std::min(50, std::max(0, step.values[0]));
        s.shrink = std::min(100, std::max(0, step.values[1]));
        break;
    case KX_STEP_INWARD:
        s.inward = step.values[0] != 0;
        break;
    default:
        break;
    }
}

namespace {

bool (*g_pfnFailMemory)() = nullptr;

// Where a change of the key takes memory: the test seam may make it fail there.
inline void TakingMemory()
{
    if (g_pfnFailMemory && g_pfnFailMemory())
        throw std::bad_alloc();
}

} // namespace

void CKeyEngine::SetMemoryFailureHook(bool (*pfnFail)())
{
    g_pfnFailMemory = pfnFail;
}

// What a change of the key makes before the engine takes it over: everything that needs memory
// is made here, and Commit then only swaps, so a change that ran out of memory leaves the key,
// the history and the light map as they were.
struct CKeyEngine::CChange
{
    CState state;                          // the key after the done steps
    CState beforeTop;                      // the key before the last done step, when hasBeforeTop
    bool hasBeforeTop = false;
    enum { KeepMap, SpareMap, NewMap } mapFrom = KeepMap;
    LightMap map;                          // for NewMap
};

void CKeyEngine::Commit(CChange& change) noexcept
{
    if (change.mapFrom == CChange::SpareMap)
        std::swap(m_map, m_spare);
    else if (change.mapFrom == CChange::NewMap)
        std::swap(m_map, change.map);
    std::swap(*m_pState, change.state);
    if (change.hasBeforeTop)
        std::swap(*m_pBeforeTop, change.beforeTop);
    m_bBeforeTop = change.hasBeforeTop;
    std::swap(m_pLut, m_pLutNext);
    ++m_nVersion;
}

// Bakes a key into the spare table, which Commit makes the current one. The ways of the nodes
// depend on the screen colour alone: the current table's are taken over when they are for it.
void CKeyEngine::BuildNextLut(const CState& state)
{
    TakingMemory();
    if (!m_pLutNext)
        m_pLutNext.reset(new CKeyLut);
    m_pLutNext->TakeWays(*m_pLut, state);
    m_pLutNext->Build(state);
}

std::vector<const KEYSTEP*> CKeyEngine::StepsOf(int first, int end) const
{
    std::vector<const KEYSTEP*> steps;
    steps.reserve(end - first + 1);   // room for a new step after them
    for (int i = first; i < end; ++i)
        steps.push_back(&m_steps[i]);
    return steps;
}

bool CKeyEngine::Do(const KEYSTEP& step)
{
    const bool grouped = (step.op == KX_OP_FINETUNE || step.op == KX_OP_DEFOCUS) && step.session != 0 && m_nDone > 0 &&
                         m_steps[m_nDone - 1].op == step.op && m_steps[m_nDone - 1].session == step.session;
    // The steps kept before the new one, and whether the oldest then goes into the starting key.
    const int before = grouped ? m_nDone - 1 : m_nDone;
    const bool fold = before + 1 > KX_PRIM_HISTORY;
    try {
        TakingMemory();
        KEYSTEP kept(step);
        kept.colours.shrink_to_fit();
        m_steps.reserve(m_nDone + 1);
        CState base;
        if (fold) {
            base = *m_pBase;
            ApplyStep(base, m_steps.front(), m_map);
        }
        CChange change;
        // The same steps in the same order as a replay makes, from the key before the new one:
        // the result is the replay's, bit for bit, at the cost of one step. A new screen colour
        // changes the light map the steps measure with, so a pick replays.
        if (step.op != KX_OP_PICKSCREEN && (!grouped || m_bBeforeTop)) {
            TakingMemory();
            change.beforeTop = grouped ? *m_pBeforeTop : *m_pState;
            change.hasBeforeTop = true;
            change.state = change.beforeTop;
            ApplyStep(change.state, kept, m_map);
            BuildNextLut(change.state);
        } else {
            std::vector<const KEYSTEP*> steps = StepsOf(fold ? 1 : 0, before);
            steps.push_back(&kept);
            PrepareReplay(fold ? base : *m_pBase, steps, m_analysis, false, change);
        }
        // Nothing below takes memory: the undone steps go, the room for the new one is there.
        m_steps.erase(m_steps.begin() + m_nDone, m_steps.end());
        if (grouped) {
            m_steps[m_nDone - 1] = std::move(kept);
        } else {
            m_steps.push_back(std::move(kept));
            ++m_nDone;
        }
        if (fold) {
            std::swap(*m_pBase, base);
            m_steps.erase(m_steps.begin());
            --m_nDone;
        }
        Commit(change);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CKeyEngine::Undo()
{
    return CanUndo() && ReplayTo(m_nDone - 1);
}

bool CKeyEngine::Redo()
{
    return CanRedo() && ReplayTo(m_nDone + 1);
}

bool CKeyEngine::ReplayTo(int nDone)
{
    try {
        CChange change;
        PrepareReplay(*m_pBase, StepsOf(0, nDone), m_analysis, false, change);
        m_nDone = nDone;
        Commit(change);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// The key is always remade from the starting key by the same steps, so a key reached by undoing
// and redoing is the very key reached the first time. The screen colour the steps end with
// decides the light map, so that comes first.
void CKeyEngine::PrepareReplay(const CState& base, const std::vector<const KEYSTEP*>& steps, const CDib& analysis,
                               bool bNewPicture, CChange& change)
{
    TakingMemory();
    CState keyOnly;
    bool keyed = base.keyed;
    if (keyed)
        keyOnly.SetKey(base.picked);
    for (const KEYSTEP* step : steps)
        if (step->op == KX_OP_PICKSCREEN && !step->colours.empty()) {
            float key[3];
            MedianColour(step->colours, key);
            keyOnly.SetKey(key);
            keyed = true;
        }
    // The map of a new picture is always made anew; otherwise the current one serves while the
    // screen colour stays, and the one a measurement of the screen noise made for it just before.
    if (!keyed || !analysis.IsValid()) {
        change.mapFrom = CChange::NewMap;
    } else if (!bNewPicture && m_map.w > 0 && std::equal(keyOnly.key, keyOnly.key + 3, m_map.key)) {
        change.mapFrom = CChange::KeepMap;
    } else if (!bNewPicture && m_spare.w > 0 && std::equal(keyOnly.key, keyOnly.key + 3, m_spare.key)) {
        change.mapFrom = CChange::SpareMap;
    } else {
        ComputeLightMap(keyOnly, analysis, change.map);
        change.mapFrom = CChange::NewMap;
    }
    TakingMemory();
    const LightMap& map = change.mapFrom == CChange::KeepMap ? m_map : change.mapFrom == CChange::SpareMap ? m_spare : change.map;
    change.state = base;
    for (const KEYSTEP* step : steps)
        ApplyStep(change.state, *step, map);
    change.hasBeforeTop = false;
    BuildNextLut(change.state);
}

size_t CKeyEngine::GetHistoryBytes() const
{
    size_t bytes = sizeof(CState) + m_pBase->exemplars.capacity() * sizeof(CState::Exemplar);
    for (const KEYSTEP& s : m_steps)
        bytes += sizeof s + s.colours.capacity() * sizeof(float);
    return bytes;
}

bool CKeyEngine::IsKeyed() const { return m_pState->keyed; }
void CKeyEngine::GetScreenColour(float bgr[3]) const { std::copy(m_pState->key, m_pState->key + 3, bgr); }
int CKeyEngine::GetDefocus() const { return m_pState->defocus; }
int CKeyEngine::GetShrink() const { return m_pState->shrink; }
bool CKeyEngine::GetInward() const { return m_pState->inward; }

// ---------------------------------------------------------------------------------------------
// The light map

namespace {

// Whether a picture's colour is blurrier than its brightness: the second differences along rows
// of the colour (its two chroma components) against those of the brightness, over a few rows
// spread down the picture. Screen noise is enough to tell: at full size the colour's noise is as
// sharp as the brightness's, at half size it is smoothed away.
bool ColourBlurred(const CDib& pic)
{
    const int w = pic.GetWidth(), h = pic.GetHeight(), bpp = pic.GetBitsPerPixel() / 8;
    if (w < 16 || h < 16 || bpp < 3)
        return false;
    const int lines = std::min(h, 64);
    double luma = 0, chroma = 0;
    for (int i = 0; i < lines; ++i) {
        const BYTE* p = pic.GetLine((int)((long long)h * (2 * i + 1) / (2 * lines)));
        float y[3], cb[3], cr[3];
        for (int x = 0; x < w; ++x, p += bpp) {
            y[x % 3] = 0.114f * p[0] + 0.587f * p[1] + 0.299f * p[2];
            cb[x % 3] = 0.5f * p[0] - 0.3313f * p[1] - 0.1687f * p[2];
            cr[x % 3] = -0.0813f * p[0] - 0.4187f * p[1] + 0.5f * p[2];
            if (x < 2)
                continue;
            const int a = (x - 2) % 3, b = (x - 1) % 3, c = x % 3;
            luma += std::fabs(y[a] - 2 * y[b] + y[c]);
            chroma += std::fabs(cb[a] - 2 * cb[b] + cb[c]) + std::fabs(cr[a] - 2 * cr[b] + cr[c]);
        }
    }
    return luma > 0 && chroma < kDetailColourShare * luma;
}

// The reduced picture of the pixels that stand out: each pixel of out (w x h) is the pixel of
// its footprint in pic farthest from the mean colour of the footprint and the eight round it.
// Strands of hair thinner than a footprint show there at their densest, where a point sample
// mostly misses them and an average thins them out.
bool StandOutSamples(const CDib& pic, int w, int h, CDib& out)
{
    const int pw = pic.GetWidth(), ph = pic.GetHeight(), bpp = pic.GetBitsPerPixel() / 8;
    auto spanX = [&](int x, int& x0, int& x1) {
        x0 = (int)((long long)x * pw / w);
        x1 = std::max(x0 + 1, (int)((long long)(x + 1) * pw / w));
    };
    auto spanY = [&](int y, int& y0, int& y1) {
        y0 = (int)((long long)y * ph / h);
        y1 = std::max(y0 + 1, (int)((long long)(y + 1) * ph / h));
    };
    // Each footprint's sums of its three channels and its pixel count.
    std::vector<long long> sums((size_t)w * h * 4);
    if (!out.Create(w, h, 24))
        return false;
    // Looks only, no memory: KxParallelForAll finishes them whatever the workers do.
    KxParallelForAll(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            int y0, y1;
            spanY(y, y0, y1);
            for (int x = 0; x < w; ++x) {
                int x0, x1;
                spanX(x, x0, x1);
                long long* sum = &sums[4 * ((size_t)y * w + x)];
                for (int py = y0; py < y1; ++py) {
                    const BYTE* p = pic.GetLine(py) + (size_t)x0 * bpp;
                    for (int px = x0; px < x1; ++px, p += bpp)
                        for (int k = 0; k < 3; ++k)
                            sum[k] += p[k];
                }
                sum[3] = (long long)(x1 - x0) * (y1 - y0);
            }
        }
    });
    KxParallelForAll(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            int y0, y1;
            spanY(y, y0, y1);
            BYTE* o = out.GetLine(y);
            for (int x = 0; x < w; ++x, o += 3) {
                int x0, x1;
                spanX(x, x0, x1);
                long long round[4] = {0, 0, 0, 0};
                for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy)
                    for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx)
                        for (int k = 0; k < 4; ++k)
                            round[k] += sums[4 * ((size_t)yy * w + xx) + k];
                const float mean[3] = {(float)round[0] / round[3], (float)round[1] / round[3], (float)round[2] / round[3]};
                float best = -1;
                const BYTE* chosen = pic.GetLine(y0) + (size_t)x0 * bpp;
                for (int py = y0; py < y1; ++py) {
                    const BYTE* p = pic.GetLine(py) + (size_t)x0 * bpp;
                    for (int px = x0; px < x1; ++px, p += bpp) {
                        const float d = std::fabs(p[0] - mean[0]) + std::fabs(p[1] - mean[1]) + std::fabs(p[2] - mean[2]);
                        if (d > best) {
                            best = d;
                            chosen = p;
                        }
                    }
                }
                o[0] = chosen[0];
                o[1] = chosen[1];
                o[2] = chosen[2];
            }
        }
    });
    return true;
}

} // namespace

bool CKeyEngine::SetPicture(const CDib* pForeground)
{
    try {
        CDib analysis, samples, standOut;
        if (pForeground && pForeground->IsValid()) {
            const int w = pForeground->GetWidth(), h = pForeground->GetHeight();
            const double f = std::min(1.0, (double)kAnalysisSide / std::max(w, h));
            const int aw = std::max(1, (int)std::lround(w * f)), ah = std::max(1, (int)std::lround(h * f));
            if (aw == w && ah == h && pForeground->GetBitsPerPixel() == 24)
                analysis = *pForeground;
            else
                analysis.Resize(*pForeground, aw, ah, 1);
            samples.Resize(*pForeground, aw, ah, 0);
            StandOutSamples(*pForeground, aw, ah, standOut);
            TakingMemory();
            if (!analysis.IsValid() || !samples.IsValid() || !standOut.IsValid())
                return false;
        }
        CChange change;
        PrepareReplay(*m_pBase, StepsOf(0, m_nDone), analysis, true, change);
        m_analysis.Swap(analysis);
        m_samples.Swap(samples);
        m_standOut.Swap(standOut);
        m_bColourBlurred = pForeground && pForeground->IsValid() && ColourBlurred(*pForeground);
        m_spare = LightMap();
        Commit(change);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

// The mean colour of the screen in each cell of a grid over the picture, from the pixels that
// pass the test; cells with too few are filled from their neighbours, then the map is smoothed.
// False when no cell has any; std::bad_alloc when memory ran out.
// A smooth surface through the cells that saw screen: a quadratic in x and y for each channel,
// fitted again and again with the cells that stray most from it left out. A pane of glass or a
// mass of hair seen through looks like screen in a shade of its own, but not where the surface
// of the screen's light says the screen is. False when too few cells are left to trust it.
bool FitSurface(int mapW, int mapH, const std::vector<float>& screen, const std::vector<bool>& known,
                std::vector<float>& fitted)
{
    const int cells = mapW * mapH;
    std::vector<bool> active = known;
    double coef[3][6] = {};
    auto basis = [&](int cell, double* b) {
        const double u = (cell % mapW + 0.5) / mapW - 0.5, v = (cell / mapW + 0.5) / mapH - 0.5;
        b[0] = 1; b[1] = u; b[2] = v; b[3] = u * u; b[4] = u * v; b[5] = v * v;
    };
    auto value = [&](int cell, int ch) {
        double b[6];
        basis(cell, b);
        double sum = 0;
        for (int k = 0; k < 6; ++k)
            sum += coef[ch][k] * b[k];
        return sum;
    };
    for (int round = 0; round < 6; ++round) {
        int n = 0;
        double ata[6][6] = {}, atb[3][6] = {};
        for (int cell = 0; cell < cells; ++cell) {
            if (!active[cell])
                continue;
            ++n;
            double b[6];
            basis(cell, b);
            for (int i = 0; i < 6; ++i) {
                for (int j = 0; j < 6; ++j)
                    ata[i][j] += b[i] * b[j];
                for (int ch = 0; ch < 3; ++ch)
                    atb[ch][i] += b[i] * screen[3 * cell + ch];
            }
        }
        if (n < 12)
            return false;
        // Gaussian elimination with partial pivoting, the three channels at once.
        for (int col = 0; col < 6; ++col) {
            int pivot = col;
            for (int r = col + 1; r < 6; ++r)
                if (std::fabs(ata[r][col]) > std::fabs(ata[pivot][col]))
                    pivot = r;
            if (std::fabs(ata[pivot][col]) < 1e-12)
                return false;
            for (int j = 0; j < 6; ++j)
                std::swap(ata[col][j], ata[pivot][j]);
            for (int ch = 0; ch < 3; ++ch)
                std::swap(atb[ch][col], atb[ch][pivot]);
            for (int r = 0; r < 6; ++r) {
                if (r == col)
                    continue;
                const double f = ata[r][col] / ata[col][col];
                for (int j = 0; j < 6; ++j)
                    ata[r][j] -= f * ata[col][j];
                for (int ch = 0; ch < 3; ++ch)
                    atb[ch][r] -= f * atb[ch][col];
            }
        }
        for (int ch = 0; ch < 3; ++ch)
            for (int k = 0; k < 6; ++k)
                coef[ch][k] = atb[ch][k] / ata[k][k];
        // Leave out the cells beyond three robust deviations (and at least four levels).
        std::vector<double> residual(cells, 0.0), sorted;
        for (int cell = 0; cell < cells; ++cell)
            if (active[cell]) {
                double sq = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    const double d = screen[3 * cell + ch] - value(cell, ch);
                    sq += d * d;
                }
                residual[cell] = std::sqrt(sq);
                sorted.push_back(residual[cell]);
            }
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double limit = std::max(4.0, 3 * 1.4826 * sorted[sorted.size() / 2]);
        bool dropped = false;
        for (int cell = 0; cell < cells; ++cell)
            if (active[cell] && residual[cell] > limit) {
                active[cell] = false;
                dropped = true;
            }
        if (!dropped)
            break;
    }
    fitted.resize(3 * (size_t)cells);
    for (int cell = 0; cell < cells; ++cell)
        for (int ch = 0; ch < 3; ++ch)
            fitted[3 * cell + ch] = (float)std::max(1.0, value(cell, ch));
    return true;
}

// The AVX2 row kernels: eight pixels a step, by the very operations of the plain code in the same
// order (multiplications and additions apart, never fused, which would round otherwise), so that
// both give the same bytes. Pixels the vector cases do not cover, and the last few of a row, go
// through the plain code.
#define KX_AVX2 __attribute__((target("avx2")))
#define KX_AVX2_INLINE inline __attribute__((target("avx2"), always_inline))

// The blue, green and red of the 8 pixels at p (3 or 4 bytes each), one a 32-bit lane. Reads
// only the pixels' bytes.
KX_AVX2_INLINE void LoadPixels8(const BYTE* p, int bpp, __m256i& c0, __m256i& c1, __m256i& c2)
{
    const __m256i byte = _mm256_set1_epi32(0xFF);
    if (bpp == 4) {
        const __m256i v = _mm256_loadu_si256((const __m256i*)p);
        c0 = _mm256_and_si256(v, byte);
        c1 = _mm256_and_si256(_mm256_srli_epi32(v, 8), byte);
        c2 = _mm256_and_si256(_mm256_srli_epi32(v, 16), byte);
        return;
    }
    // Pixels 0 to 3 from the first 16 bytes, 4 to 7 from the 16 that end with the 24th.
    const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)p)),
                                              _mm_loadu_si128((const __m128i*)(p + 8)), 1);
    const __m256i spread = _mm256_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1,
                                            4, -1, -1, -1, 7, -1, -1, -1, 10, -1, -1, -1, 13, -1, -1, -1);
    c0 = _mm256_shuffle_epi8(v, spread);
    c1 = _mm256_shuffle_epi8(v, _mm256_add_epi32(spread, _mm256_set1_epi32(1)));
    c2 = _mm256_shuffle_epi8(v, _mm256_add_epi32(spread, _mm256_set1_epi32(2)));
}

// Where a position (0 .. 1) falls among n cells of a map: the two cells round it and the weight
// of the second.
struct MapSpot
{
    int i0, i1;
    float t;
    MapSpot(double pos, int n)
    {
        const double f = std::min(std::max(pos * n - 0.5, 0.0), n - 1.0);
        i0 = (int)f;
        i1 = std::min(i0 + 1, n - 1);
        t = (float)(f - i0);
    }
};

void GainsAt(const std::vector<float>& gains, int mapW, const MapSpot& x, const MapSpot& y, float g[3])
{
    for (int i = 0; i < 3; ++i) {
        const float a = gains[3 * (y.i0 * mapW + x.i0) + i], b = gains[3 * (y.i0 * mapW + x.i1) + i];
        const float c = gains[3 * (y.i1 * mapW + x.i0) + i], d = gains[3 * (y.i1 * mapW + x.i1) + i];
        g[i] = (a + (b - a) * x.t) * (1 - y.t) + (c + (d - c) * x.t) * y.t;
    }
}

// The plain measures of a line's pixels x0 .. x1 - 1 into out, each corrected by its gains
// between the line's two rows of the light map's (top and bottom, a channel each, t the weight
// of bottom), as MeasureNoise's plain code has them, eight at a step; the first pixel not done.
KX_AVX2 int PlainMeasuresAvx2(const BYTE* row, int bpp, int x0, int x1, const float* const top[3],
                              const float* const bottom[3], float t, int sc, int o1, int o2, float invDiff, float* out)
{
    const __m256 keepTop = _mm256_set1_ps(1 - t), takeBottom = _mm256_set1_ps(t), most = _mm256_set1_ps(255.0f);
    const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps(), inv = _mm256_set1_ps(invDiff);
    int x = x0;
    for (; x + 8 <= x1; x += 8) {
        __m256i p[3];
        LoadPixels8(row + (size_t)x * bpp, bpp, p[0], p[1], p[2]);
        __m256 c[3];
        for (int i = 0; i < 3; ++i) {
            const __m256 g = _mm256_add_ps(_mm256_mul_ps(_mm256_loadu_ps(top[i] + x), keepTop),
                                           _mm256_mul_ps(_mm256_loadu_ps(bottom[i] + x), takeBottom));
            c[i] = _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(p[i]), g), most);
        }
        const __m256 diff = _mm256_sub_ps(c[sc], _mm256_max_ps(c[o1], c[o2]));
        _mm256_storeu_ps(out + (x - x0), _mm256_max_ps(_mm256_sub_ps(one, _mm256_mul_ps(diff, inv)), zero));
    }
    return x;
}

// Whether each of a row's pixels x0 .. x1 - 1 lies near the line from black through the screen
// colour, as ComputeLightMap's first look has it, eight at a step; the first pixel not done.
KX_AVX2 int NearKeyLineAvx2(const BYTE* row, int bpp, int x0, int x1, const float key[3], float kk, float keyLen, BYTE* pass)
{
    const __m256 k0 = _mm256_set1_ps(key[0]), k1 = _mm256_set1_ps(key[1]), k2 = _mm256_set1_ps(key[2]);
    const __m256 vkk = _mm256_set1_ps(kk), len = _mm256_set1_ps(keyLen), lo = _mm256_set1_ps(0.3f), hi = _mm256_set1_ps(2.2f);
    const __m256 tenth = _mm256_set1_ps(0.10f), six = _mm256_set1_ps(6.0f);
    int x = x0;
    for (; x + 8 <= x1; x += 8) {
        __m256i p[3];
        LoadPixels8(row + (size_t)x * bpp, bpp, p[0], p[1], p[2]);
        const __m256 c0 = _mm256_cvtepi32_ps(p[0]), c1 = _mm256_cvtepi32_ps(p[1]), c2 = _mm256_cvtepi32_ps(p[2]);
        const __m256 t = _mm256_div_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(c0, k0), _mm256_mul_ps(c1, k1)), _mm256_mul_ps(c2, k2)), vkk);
        const __m256 d0 = _mm256_sub_ps(c0, _mm256_mul_ps(t, k0)), d1 = _mm256_sub_ps(c1, _mm256_mul_ps(t, k1)),
                     d2 = _mm256_sub_ps(c2, _mm256_mul_ps(t, k2));
        const __m256 off = _mm256_sqrt_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(d0, d0), _mm256_mul_ps(d1, d1)), _mm256_mul_ps(d2, d2)));
        const __m256 reach = _mm256_add_ps(_mm256_mul_ps(_mm256_mul_ps(tenth, t), len), six);
        const __m256 in = _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(t, lo, _CMP_GE_OQ), _mm256_cmp_ps(t, hi, _CMP_LE_OQ)),
                                        _mm256_cmp_ps(off, reach, _CMP_LT_OQ));
        const int bits = _mm256_movemask_ps(in);
        for (int k = 0; k < 8; ++k)
            pass[x + k] = (BYTE)((bits >> k) & 1);
    }
    return x;
}

// The plain measures of a row's pixels x0 .. x1 - 1 into out: each channel times its gain
// between two rows of gains (top and bottom, a channel each, t the weight of bottom), at most
// 255, measured by plain (a colour's plain measure, of the screen channel sc and the others o1
// and o2); eight at a step with AVX2 by the same operations.
template <class Plain>
void PlainMeasures(const BYTE* row, int bpp, int x0, int x1, const float* const top[3], const float* const bottom[3], float t,
                   int sc, int o1, int o2, float invDiff, Plain plain, float* out)
{
    int x = KxCpuHasAvx2() ? PlainMeasuresAvx2(row, bpp, x0, x1, top, bottom, t, sc, o1, o2, invDiff, out) : x0;
    for (; x < x1; ++x) {
        float g[3];
        for (int i = 0; i < 3; ++i)
            g[i] = top[i][x] * (1 - t) + bottom[i][x] * t;
        const BYTE* p = row + x * bpp;
        const float c[3] = {std::min(255.0f, p[0] * g[0]), std::min(255.0f, p[1] * g[1]), std::min(255.0f, p[2] * g[2])};
        out[x - x0] = plain(c);
    }
}

// The cell of a map mapW cells wide that column x of a picture w wide falls in.
inline int CellColumn(int x, int w, int mapW) { return std::min(mapW - 1, x * mapW / w); }

// testRow(row, cy, scratch, pass) sets pass[x] for each pixel of a row of the cells' row cy that
// counts (scratch: room for a float a pixel).
template <class TestRow>
bool ScreenMap(const CDib& pic, int mapW, int mapH, TestRow testRow, std::vector<float>& screen)
{
    const int w = pic.GetWidth(), h = pic.GetHeight(), bpp = pic.GetBitsPerPixel() / 8;
    const size_t cells = (size_t)mapW * mapH;
    std::vector<double> sum(cells * 3, 0.0);
    std::vector<int> count(cells, 0), total(cells, 0);
    std::vector<int> cellX(w);
    for (int x = 0; x < w; ++x)
        cellX[x] = CellColumn(x, w, mapW);
    // Rows on every worker, each summing into its own cells and adding them to the totals last;
    // the sums are of whole levels, so adding them up in any order gives the same totals. Out of
    // memory there is no map.
    std::mutex lock;
    const bool summed = KxParallelForAll(h, [&](int begin, int end) {
        std::vector<double> mySum(cells * 3, 0.0);
        std::vector<int> myCount(cells, 0), myTotal(cells, 0);
        std::vector<float> scratch(w);
        std::vector<BYTE> pass(w);
        for (int y = begin; y < end; ++y) {
            const BYTE* row = pic.GetLine(y);
            const int cy = std::min(mapH - 1, y * mapH / h);
            testRow(row, cy, scratch.data(), pass.data());
            for (int x = 0; x < w; ++x) {
                const int cell = cy * mapW + cellX[x];
                ++myTotal[cell];
                if (!pass[x])
                    continue;
                const BYTE* p = row + x * bpp;
                const float c[3] = {(float)p[0], (float)p[1], (float)p[2]};
                ++myCount[cell];
                for (int i = 0; i < 3; ++i)
                    mySum[3 * cell + i] += c[i];
            }
        }
        std::lock_guard<std::mutex> hold(lock);
        for (size_t i = 0; i < cells; ++i) {
            count[i] += myCount[i];
            total[i] += myTotal[i];
            for (int k = 0; k < 3; ++k)
                sum[3 * i + k] += mySum[3 * i + k];
        }
    });
    if (!summed)
        throw std::bad_alloc();
    screen.assign((size_t)mapW * mapH * 3, 0.0f);
    std::vector<bool> known((size_t)mapW * mapH, false);
    bool any = false;
    for (int cell = 0; cell < mapW * mapH; ++cell)
        if (count[cell] >= std::max(4, total[cell] / 12)) {
            known[cell] = any = true;
            for (int i = 0; i < 3; ++i)
                screen[3 * cell + i] = (float)(sum[3 * cell + i] / count[cell]);
        }
    if (!any)
        return false;
    std::vector<float> fitted;
    if (FitSurface(mapW, mapH, screen, known, fitted)) {
        screen.swap(fitted);
        return true;
    }
    // Holes (the subject) take the mean of their known neighbours, ring by ring inwards.
    for (bool grew = true; grew;) {
        grew = false;
        std::vector<bool> next = known;
        for (int y = 0; y < mapH; ++y)
            for (int x = 0; x < mapW; ++x) {
                const int cell = y * mapW + x;
                if (known[cell])
                    continue;
                float acc[3] = {0, 0, 0};
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if ((dx || dy) && nx >= 0 && ny >= 0 && nx < mapW && ny < mapH && known[ny * mapW + nx]) {
                            for (int i = 0; i < 3; ++i)
                                acc[i] += screen[3 * (ny * mapW + nx) + i];
                            ++n;
                        }
                    }
                if (n) {
                    for (int i = 0; i < 3; ++i)
                        screen[3 * cell + i] = acc[i] / n;
                    next[cell] = grew = true;
                }
            }
        known.swap(next);
    }
    // One pass of a 1-2-1 smoothing both ways: the light of a screen changes gently.
    std::vector<float> smooth(screen.size());
    for (int y = 0; y < mapH; ++y)
        for (int x = 0; x < mapW; ++x)
            for (int i = 0; i < 3; ++i) {
                float acc = 0, wsum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= mapW || ny >= mapH)
                            continue;
                        const float wt = (float)((dx ? 1 : 2) * (dy ? 1 : 2));
                        acc += wt * screen[3 * (ny * mapW + nx) + i];
                        wsum += wt;
                    }
                smooth[3 * (y * mapW + x) + i] = acc / wsum;
            }
    screen.swap(smooth);
    return true;
}

} // namespace

// Finds the screen's colour over the picture: first the pixels whose colour is the picked one
// lit more or less brightly, then, with that map, the pixels the plain key calls background.
void CKeyEngine::ComputeLightMap(const CState& s, const CDib& analysis, LightMap& map) const
{
    TakingMemory();
    std::copy(s.key, s.key + 3, map.key);
    std::copy(s.key, s.key + 3, map.screen);
    const int w = analysis.GetWidth(), h = analysis.GetHeight();
    const int cellSide = std::max(8, std::max(w, h) / 24);
    int& mapW = map.w;
    int& mapH = map.h;
    std::vector<float>& gains = map.gains;
    mapW = std::max(1, (w + cellSide - 1) / cellSide);
    mapH = std::max(1, (h + cellSide - 1) / cellSide);
    const float kk = Dot(s.key, s.key);
    const float keyLen = std::sqrt(kk);
    const int bpp = analysis.GetBitsPerPixel() / 8;
    const bool avx2 = KxCpuHasAvx2();
    std::vector<float> screen;
    const bool found = ScreenMap(analysis, mapW, mapH, [&](const BYTE* row, int, float*, BYTE* pass) {
        for (int x = avx2 ? NearKeyLineAvx2(row, bpp, 0, w, s.key, kk, keyLen, pass) : 0; x < w; ++x) {
            const BYTE* p = row + x * bpp;
            const float c[3] = {(float)p[0], (float)p[1], (float)p[2]};
            const float t = Dot(c, s.key) / kk;
            if (t < 0.3f || t > 2.2f) {
                pass[x] = 0;
                continue;
            }
            const float d[3] = {c[0] - t * s.key[0], c[1] - t * s.key[1], c[2] - t * s.key[2]};
            pass[x] = std::sqrt(Dot(d, d)) < 0.10f * t * keyLen + 6;
        }
    }, screen);
    gains.assign((size_t)mapW * mapH * 3, 1.0f);
    if (!found)
        return;
    // The light's correction scales all three channels alike, by the gain that brings the
    // screen's colour difference there to the picked colour's: a mix a F + (1 - a) B then measures
    // a wherever it lies, for any foreground without a lean. The gain multiplies the subject's own
    // share of a pixel with the screen's, so gains a channel of their own would scale a light
    // see-through subject's channels apart: where the light is warmer than at the pick (less blue,
    // more red), and all over when the few pixels picked stray from the screen's colour in one
    // channel, as its noise makes them; a grey pane of glass would read denser the higher the
    // gain. Each gain stays within 0.33 .. 3 and within a tenth of the brightness's: the light
    // changes the screen's brightness much, its colour little; a patch of another colour is no
    // screen.
    auto diffOf = [&](const float* c) { return c[s.sc] - std::max(c[s.o1], c[s.o2]); };
    const float keyDiff = diffOf(s.key);
    // The key's screen colour is the screen's where its hue is nearest the picked colour's (the
    // ratios of its channels to the picked colour's most alike), corrected.
    auto toGains = [&] {
        const size_t cells = gains.size() / 3;
        float bestSpread = std::numeric_limits<float>::infinity();
        for (size_t cell = 0; cell < cells; ++cell) {
            const float* c = &screen[3 * cell];
            float mean = 0;
            for (int i = 0; i < 3; ++i)
                mean += s.key[i] / std::max(c[i], 1.0f) / 3;
            const float m = ClampF(mean, 0.33f, 3.0f);
            const float cellDiff = diffOf(c);
            const float gain = keyDiff > 1 && cellDiff > 1 ? keyDiff / cellDiff : m;
            for (int i = 0; i < 3; ++i)
                gains[3 * cell + i] = ClampF(gain, 0.9f * m, 1.1f * m);
            float r[3], spread = 0;
            for (int i = 0; i < 3; ++i)
                r[i] = s.key[i] / std::max(c[i], 1.0f);
            for (int i = 0; i < 3; ++i)
                spread += (r[i] / mean - 1) * (r[i] / mean - 1);
            if (spread < bestSpread) {
                bestSpread = spread;
                for (int i = 0; i < 3; ++i)
                    map.screen[i] = std::min(255.0f, c[i] * gains[3 * cell + i]);
            }
        }
    };
    toGains();
    // A stricter second look, with the light corrected: only what keys as clear background.
    const float limit = std::max(0.12f, 1.5f * s.inner);
    std::vector<float> second;
    TakingMemory();
    // The gains of each row of cells, a channel's for every column after another's.
    std::vector<float> rowGains((size_t)mapH * 3 * w);
    for (int cy = 0; cy < mapH; ++cy)
        for (int i = 0; i < 3; ++i)
            for (int x = 0; x < w; ++x)
                rowGains[((size_t)cy * 3 + i) * w + x] = gains[3 * ((size_t)cy * mapW + CellColumn(x, w, mapW)) + i];
    if (ScreenMap(analysis, mapW, mapH, [&](const BYTE* row, int cy, float* measures, BYTE* pass) {
            const float* const g[3] = {&rowGains[(size_t)cy * 3 * w], &rowGains[((size_t)cy * 3 + 1) * w], &rowGains[((size_t)cy * 3 + 2) * w]};
            PlainMeasures(row, bpp, 0, w, g, g, 0.0f, s.sc, s.o1, s.o2, s.invDiff, [&](const float* c) { return s.MeasurePlain(c); }, measures);
            for (int x = 0; x < w; ++x)
                pass[x] = measures[x] < limit;
        }, second)) {
        screen.swap(second);
        toGains();
    }
}

void CKeyEngine::Gains(double u, double v, float g[3]) const
{
    MapGains(m_map, u, v, g);
}

namespace {


} // namespace

void CKeyEngine::MapGains(const LightMap& map, double u, double v, float g[3])
{
    if (map.w == 0) {
        g[0] = g[1] = g[2] = 1;
        return;
    }
    GainsAt(map.gains, map.w, MapSpot(u, map.w), MapSpot(v, map.h), g);
}

int CKeyEngine::MeasureScreenNoise(const float bgr[3]) const
{
    if (!m_analysis.IsValid() || !m_samples.IsValid())
        return 500;
    try {
        return MeasureNoise(bgr);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int CKeyEngine::MeasureNoise(const float bgr[3]) const
{
    // The key and light map as the pick will make them; the map is kept for the pick.
    CState s;
    s.SetKey(bgr);
    if (!(m_spare.w > 0 && std::equal(bgr, bgr + 3, m_spare.key))) {
        LightMap map;
        ComputeLightMap(s, m_analysis, map);
        std::swap(m_spare, map);
    }
    TakingMemory();
    // The noise of single pixels (the point samples, not the averaged copy) in cells of the
    // picture that are all screen: semi-transparent hair or glass elsewhere must not count as
    // noise, or the threshold would wipe them out.
    const CDib& pic = m_samples;
    const int w = pic.GetWidth(), h = pic.GetHeight(), bpp = pic.GetBitsPerPixel() / 8;
    const int side = std::max(4, std::max(w, h) / 24);
    const int cw = (w + side - 1) / side, ch = (h + side - 1) / side;
    const int cells = cw * ch;
    // The gains as MapGains finds them, the rows of the light map first interpolated along each
    // of the picture's columns once, then between the two rows round each line.
    const LightMap& map = m_spare;
    const int mapRows = std::max(1, map.h);
    std::vector<float> along((size_t)mapRows * 3 * w, 1.0f);   // a channel's row after another's; 1 without a map
    if (map.w > 0) {
        for (int x = 0; x < w; ++x) {
            const MapSpot column((x + 0.5) / w, map.w);
            for (int m = 0; m < map.h; ++m)
                for (int i = 0; i < 3; ++i) {
                    const float a = map.gains[3 * (m * map.w + column.i0) + i], b = map.gains[3 * (m * map.w + column.i1) + i];
                    along[((size_t)m * 3 + i) * w + x] = a + (b - a) * column.t;
                }
        }
    }
    auto lineOf = [&](int y) { return MapSpot((y + 0.5) / h, mapRows); };
    // The plain measures of a line's pixels x0 .. x1 - 1 into out.
    auto measureRow = [&](const BYTE* row, int x0, int x1, const MapSpot& line, float* out) {
        const float* const top[3] = {&along[((size_t)line.i0 * 3) * w], &along[((size_t)line.i0 * 3 + 1) * w],
                                     &along[((size_t)line.i0 * 3 + 2) * w]};
        const float* const bottom[3] = {&along[((size_t)line.i1 * 3) * w], &along[((size_t)line.i1 * 3 + 1) * w],
                                        &along[((size_t)line.i1 * 3 + 2) * w]};
        PlainMeasures(row, bpp, x0, x1, top, bottom, line.t, s.sc, s.o1, s.o2, s.invDiff,
                      [&](const float* c) { return s.MeasurePlain(c); }, out);
    };
    // The noise level of each cell that is all screen, and the level three quarters of those
    // cells stay within: a speck, a seam or a faint strand raises its own cells' level, not that
    // one, while the darker parts of the screen, whose noise the light map amplifies, still count.
    // Few such cells: the level of all the pixels that measure clear enough.
    // The level of n measures is their k-th smallest, for k its place here, whatever order they
    // come in: the cells are measured apart, in parallel, each from its own rectangle.
    auto place = [](size_t n) { return n * 995 / 1000; };
    auto quantile = [&](std::vector<float>& v) {
        const size_t k = place(v.size());
        std::nth_element(v.begin(), v.begin() + k, v.end());
        return v[k];
    };
    // The quantile of a cell is its few largest measures' smallest (as many as lie above the
    // quantile's place), kept while the cell is measured: no cell's measures are stored or sorted.
    std::vector<float> cellLevel(cells);
    std::vector<BYTE> hasLevel(cells, 0), allScreen(cells, 0);
    const bool levelled = KxParallelForAll(cells, [&](int begin, int end) {
        std::vector<float> top, measures(side);
        top.reserve((size_t)side * side / 100 + 2);
        for (int cell = begin; cell < end; ++cell) {
            const int x0 = cell % cw * side, y0 = cell / cw * side;
            const int x1 = std::min(w, x0 + side), y1 = std::min(h, y0 + side);
            const int total = (x1 - x0) * (y1 - y0);
            const size_t above = (size_t)total - place(total);   // the quantile and those above it
            top.clear();
            // A cell is all screen while at most 3 in 100 of its pixels measure 0.2 or more: the
            // rest of one past that is not looked at.
            int notClear = 0;
            for (int y = y0; y < y1 && notClear * 100 <= total * 3; ++y) {
                measureRow(pic.GetLine(y), x0, x1, lineOf(y), measures.data());
                for (int x = x0; x < x1; ++x) {
                    const float m = measures[x - x0];
                    notClear += !(m < 0.2f);
                    // top holds the largest measures so far in falling order.
                    if (top.size() < above) {
                        top.insert(std::upper_bound(top.begin(), top.end(), m, std::greater<float>()), m);
                    } else if (m > top.back()) {
                        top.pop_back();
                        top.insert(std::upper_bound(top.begin(), top.end(), m, std::greater<float>()), m);
                    }
                }
            }
            allScreen[cell] = notClear * 100 <= total * 3;
            if (!allScreen[cell] || total < 16)
                continue;
            cellLevel[cell] = top.back();
            hasLevel[cell] = 1;
        }
    });
    if (!levelled)
        return 500;
    std::vector<float> levels;
    for (int cell = 0; cell < cells; ++cell)
        if (hasLevel[cell])
            levels.push_back(cellLevel[cell]);
    float level;
    if (levels.size() >= 8) {
        const size_t k = levels.size() * 3 / 4;
        std::nth_element(levels.begin(), levels.begin() + k, levels.end());
        level = levels[k];
    } else {
        // Every pixel of the cells that are all screen, and those of the others that measure
        // clear enough.
        std::vector<float> fallback, measures(w);
        for (int y = 0; y < h; ++y) {
            measureRow(pic.GetLine(y), 0, w, lineOf(y), measures.data());
            for (int x = 0; x < w; ++x) {
                const float m = measures[x];
                if (allScreen[(size_t)(y / side) * cw + x / side] || m < 0.3f)
                    fallback.push_back(m);
            }
        }
        if (fallback.size() < 16)
            return 500;
        level = quantile(fallback);
    }
    return (int)std::lround((level * 1.1f + 0.01f) * 10000);
}

// ---------------------------------------------------------------------------------------------
// Taking colours

void CKeyEngine::MedianColour(const std::vector<float>& colours, float bgr[3])
{
    const size_t n = colours.size() / 3;
    for (int ch = 0; ch < 3; ++ch) {
        std::vector<float> v;
        for (size_t i = 0; i < n; ++i)
            v.push_back(colours[3 * i + ch]);
        if (v.empty()) {
            bgr[ch] = 0;
            continue;
        }
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        bgr[ch] = v[v.size() / 2];
    }
}

std::vector<float> CKeyEngine::TakeColours(const CDib& source, double scale, const std::vector<CPoint>& points,
                                           const CRect* pRect, int spotRadius, bool raw) const
{
    std::vector<float> colours;
    if (!source.IsValid())
        return colours;
    const int w = source.GetWidth(), h = source.GetHeight(), bpp = source.GetBitsPerPixel() / 8;
    auto add = [&](int x, int y, int radius) {
        double acc[3] = {0, 0, 0};
        int n = 0;
        for (int yy = std::max(0, y - radius); yy <= std::min(h - 1, y + radius); ++yy)
            for (int xx = std::max(0, x - radius); xx <= std::min(w - 1, x + radius); ++xx) {
                const BYTE* p = source.GetLine(yy) + xx * bpp;
                for (int i = 0; i < 3; ++i)
                    acc[i] += p[i];
                ++n;
            }
        if (!n)
            return;
        float g[3] = {1, 1, 1};
        if (!raw)
            Gains((x + 0.5) / w, (y + 0.5) / h, g);
        for (int i = 0; i < 3; ++i)
            colours.push_back(std::min(255.0f, (float)(acc[i] / n) * g[i]));
    };
    for (const CPoint& p : points)
        if (p.x >= 0 && p.y >= 0 && p.x < w && p.y < h)
            add(p.x, p.y, spotRadius);
    if (pRect) {
        CRect rc = *pRect;
        rc.NormalizeRect();
        rc.IntersectRect(rc, CRect(0, 0, w, h));
        if (!rc.IsRectEmpty()) {
            const int stepX = std::max(1, rc.Width() / 48), stepY = std::max(1, rc.Height() / 48);
            for (int y = rc.top + stepY / 2; y < rc.bottom; y += stepY)
                for (int x = rc.left + stepX / 2; x < rc.right; x += stepX)
                    add(x, y, 0);
        }
    }
    if ((int)colours.size() / 3 <= kMaxColours)
        return colours;
    // Many colours: the means of the most filled bins of a coarse grid over colour.
    struct Bin { double sum[3] = {0, 0, 0}; int n = 0; };
    std::map<int, Bin> bins;
    for (size_t i = 0; i < colours.size(); i += 3) {
        const int key = ((int)colours[i] / 6) * 65536 + ((int)colours[i + 1] / 6) * 256 + (int)colours[i + 2] / 6;
        Bin& b = bins[key];
        for (int k = 0; k < 3; ++k)
            b.sum[k] += colours[i + k];
        ++b.n;
    }
    std::vector<std::pair<int, int>> order;   // count, key
    for (const auto& kv : bins)
        order.push_back({-kv.second.n, kv.first});
    std::sort(order.begin(), order.end());
    std::vector<float> reduced;
    for (size_t i = 0; i < order.size() && (int)reduced.size() / 3 < kMaxColours; ++i) {
        const Bin& b = bins[order[i].second];
        for (int k = 0; k < 3; ++k)
            reduced.push_back((float)(b.sum[k] / b.n));
    }
    return reduced;
}

float CKeyEngine::OpacityAt(const BYTE bgr[3], double u, double v) const
{
    float g[3];
    Gains(u, v, g);
    const float c[3] = {std::min(255.0f, bgr[0] * g[0]), std::min(255.0f, bgr[1] * g[1]), std::min(255.0f, bgr[2] * g[2])};
    float tint;
    return Clamp01(m_pLut->Look(c[0], c[1], c[2], tint));
}

const KEYBOX* CKeyEngine::Box() const
{
    if (m_pBox && m_nBoxVersion == m_nVersion)
        return m_pBox.get();
    try {
        return MakeBox();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const KEYBOX* CKeyEngine::MakeBox() const
{
    if (!m_pBox)
        m_pBox.reset(new KEYBOX);
    KEYBOX& box = *m_pBox;
    const int side = kBoxSide, corners = kBoxSide + 1;
    for (int i = 0; i < 3; ++i)
        box.lo[i] = std::min(255 - side, std::max(0, (int)std::floor(m_pLut->key[i]) - side / 2));
    // The key at every corner, then the cubes all of whose corners are clear.
    std::vector<BYTE> clearAt((size_t)corners * corners * corners);
    const CKeyLut& lut = *m_pLut;
    // Neither job takes memory or throws: KxParallelForAll finishes them whatever the workers do.
    KxParallelForAll(corners, [&](int begin, int end) {
        for (int b = begin; b < end; ++b)
            for (int g = 0; g < corners; ++g)
                for (int r = 0; r < corners; ++r) {
                    float tint;
                    const float a = lut.Look((float)(box.lo[0] + b), (float)(box.lo[1] + g), (float)(box.lo[2] + r), tint);
                    clearAt[((size_t)b * corners + g) * corners + r] = a <= 0;
                }
    });
    static_assert(kBoxSide % 32 == 0, "a word of the box's bits within one row of cubes");
    box.clear.assign((size_t)side * side * side / 32, 0);
    // Each job writes the words of its own cubes.
    KxParallelForAll(side, [&](int begin, int end) {
        for (int b = begin; b < end; ++b)
            for (int g = 0; g < side; ++g)
                for (int r = 0; r < side; ++r) {
                    unsigned all = 1;
                    for (int k = 0; k < 8; ++k)
                        all &= clearAt[((size_t)(b + (k >> 2)) * corners + g + ((k >> 1) & 1)) * corners + r + (k & 1)];
                    const int index = KEYBOX::Index(b, g, r);
                    box.clear[index >> 5] |= all << (index & 31);
                }
    });
    m_nBoxVersion = m_nVersion;
    return &box;
}

const KEYINSIDE* CKeyEngine::Inside() const
{
    if (!m_pState->keyed || !m_analysis.IsValid())
        return nullptr;
    if (m_pInside && m_nInsideVersion == m_nVersion)
        return m_pInside.get();
    try {
        return MakeInside();
    } catch (const std::bad_alloc&) {
        // Keyed without it, the picture would be keyed otherwise: the keying fails instead.
        m_pInside.reset();
        throw;
    }
}

const KEYINSIDE* CKeyEngine::MakeInside() const
{
    // Every fourth pixel of the reduced foreground: a grid of about 128 cells a side, fine enough
    // for a hundredth of the picture and cheap enough for every click.
    const CDib& pic = m_analysis;
    const int step = 4, bpp = pic.GetBitsPerPixel() / 8;
    const int w = std::max(1, pic.GetWidth() / step), h = std::max(1, pic.GetHeight() / step);
    const CKeyLut& lut = *m_pLut;
    KEYLOOKS looks;
    looks.pw = std::max(1, pic.GetWidth() / 2);
    looks.ph = std::max(1, pic.GetHeight() / 2);
    looks.cellGains.resize(3 * (size_t)w * h);
    looks.colour.resize(3 * (size_t)looks.pw * looks.ph);
    looks.opacity.resize((size_t)looks.pw * looks.ph);
    // Looks only, no memory: KxParallelForAll finishes them whatever the workers do.
    KxParallelForAll(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            for (int x = 0; x < w; ++x)
                MapGains(m_map, (x + 0.5) / w, (y + 0.5) / h, &looks.cellGains[3 * ((size_t)y * w + x)]);
    });
    KxParallelForAll(looks.ph, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const BYTE* p = pic.GetLine(2 * y);
            const float* gains = &looks.cellGains[3 * (size_t)std::min(2 * y / step, h - 1) * w];
            for (int x = 0; x < looks.pw; ++x, p += 2 * bpp) {
                const float* g = &gains[3 * std::min(2 * x / step, w - 1)];
                const size_t i = (size_t)y * looks.pw + x;
                float* c = &looks.colour[3 * i];
                for (int k = 0; k < 3; ++k)
                    c[k] = std::min(255.0f, p[k] * g[k]);
                float tint;
                looks.opacity[i] = lut.Look(c[0], c[1], c[2], tint);
            }
        }
    });
    // The cells where clear screen shows, found as the subject's colours near each are: among
    // dense strands the screen shows only in the gaps between them, which one pixel of a cell
    // rarely falls in, and strands whose mixes darken the screen would be taken for a dark part
    // of the subject.
    std::vector<BYTE> clear((size_t)w * h, 0);
    if (!m_pInside)
        m_pInside.reset(new KEYINSIDE);
    KEYINSIDE& in = *m_pInside;
    in.w = w;
    in.h = h;
    Towards(in, looks, clear);
    // Clear screen within the reach, along the rows and then down the columns (running counts).
    const int reach = std::max(2, (std::max(w, h) + 50) / 100);
    std::vector<int> across((size_t)w * h);
    for (int y = 0; y < h; ++y) {
        const BYTE* c = &clear[(size_t)y * w];
        int n = 0;
        for (int x = 0; x <= std::min(reach, w - 1); ++x)
            n += c[x];
        for (int x = 0; x < w; ++x) {
            across[(size_t)y * w + x] = n;
            if (x + reach + 1 < w)
                n += c[x + reach + 1];
            if (x - reach >= 0)
                n -= c[x - reach];
        }
    }
    in.inside.assign((size_t)w * h, 0.0f);
    for (int x = 0; x < w; ++x) {
        int n = 0;
        for (int y = 0; y <= std::min(reach, h - 1); ++y)
            n += across[(size_t)y * w + x];
        for (int y = 0; y < h; ++y) {
            in.inside[(size_t)y * w + x] = n == 0 ? 1.0f : 0.0f;
            if (y + reach + 1 < h)
                n += across[(size_t)(y + reach + 1) * w + x];
            if (y - reach >= 0)
                n -= across[(size_t)(y - reach) * w + x];
        }
    }
    Enclosed(in, looks);
    m_nInsideVersion = m_nVersion;
    return &in;
}

// The colour difference takes the subject for a colour with no lean to the screen's hue, and
// measures a mix by how far it has lost the screen's: hair of a colour between the screen's and
// grey reads fainter than it is, and a colour leaning away from the screen's hue denser. Where
// the subject near a place shows in the reduced foreground, the mixes there lie on the line from
// the screen colour towards its colour: the colours the key finds not clear, weighted by their
// opacity, give that line's way (the mixed ones alone where they give one), and the subject's
// colour lies on it where its colour difference is gone (or where it leaves the colour cube, if
// sooner) or at the farthest colour seen along it, whichever is farther. The pixels looked at for
// it also say where clear screen shows: clear is 1 in those cells.
void CKeyEngine::Towards(KEYINSIDE& in, const KEYLOOKS& looks, std::vector<BYTE>& clear) const
{
    const CDib& pic = m_analysis;
    const int step = 4, bpp = pic.GetBitsPerPixel() / 8, w = in.w, h = in.h;
    const CKeyLut& lut = *m_pLut;
    const float* key = lut.key;
    std::copy(key, key + 3, in.key);
    // Per cell: the sum of the colours less the screen's weighted by opacity, and the weights;
    // then the same of the mixed colours alone, of the samples (the gains of the cell's centre
    // serve all its pixels).
    std::vector<float> sums((size_t)w * h * 8, 0.0f);
    // Per cell, of its clear colours less the screen's: their count, sums and sums of products
    // (bb, bg, br, gg, gr, rr), for the noise of the open screen; single pixels (the point
    // samples), whose noise is that of the picture the key is applied to.
    std::vector<float> clearSums((size_t)w * h * 10, 0.0f);
    // Per cell, the weight of its opaque samples whose four neighbours are opaque too: the solid
    // subject, where strands, however dense their colour reads, are a sample or two wide.
    std::vector<float> solid((size_t)w * h, 0.0f);
    const bool sampled = m_samples.IsValid() && m_samples.GetWidth() == pic.GetWidth() && m_samples.GetHeight() == pic.GetHeight();
    const int pbpp = sampled ? m_samples.GetBitsPerPixel() / 8 : 0;
    const CDib& one = m_standOut.IsValid() && m_standOut.GetWidth() == pic.GetWidth() &&
                      m_standOut.GetHeight() == pic.GetHeight() ? m_standOut : pic;
    const int sw = pic.GetWidth(), sh = pic.GetHeight(), sbpp = one.GetBitsPerPixel() / 8;
    const std::vector<float>& cellGains = looks.cellGains;
    KxParallelForAll(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const float* gains = &cellGains[3 * (size_t)y * w];
            for (int py = y * step; py < std::min(sh, (y + 1) * step); py += 2) {
                for (int px = 0; px < std::min(sw, w * step); px += 2) {
                    const float* g = &gains[3 * (px / step)];
                    float* sum = &sums[8 * ((size_t)y * w + px / step)];
                    const size_t i = looks.Index(px, py);
                    const float* c = &looks.colour[3 * i];
                    const float a = looks.opacity[i];
                    if (a <= 0)
                        clear[(size_t)y * w + px / step] = 1;
                    if (a >= kTowardsFrom) {
                        for (int k = 0; k < 3; ++k)
                            sum[k] += (c[k] - key[k]) * (4 * a);
                        sum[3] += 4 * a;
                        if (a >= 1 && px >= 2 && py >= 2 && px + 2 < 2 * looks.pw && py + 2 < 2 * looks.ph &&
                            looks.opacity[i - 1] >= 1 && looks.opacity[i + 1] >= 1 &&
                            looks.opacity[i - looks.pw] >= 1 && looks.opacity[i + looks.pw] >= 1)
                            solid[(size_t)y * w + px / step] += 4;
                        if (a < 1) {
                            for (int k = 0; k < 3; ++k)
                                sum[4 + k] += (c[k] - key[k]) * (4 * a);
                            sum[7] += 4 * a;
                        }
                    } else if (a == 0 && sampled) {
                        float* cs = &clearSums[10 * ((size_t)y * w + px / step)];
                        const BYTE* q = m_samples.GetLine(py) + px * pbpp;
                        const float d0 = std::min(255.0f, q[0] * g[0]) - key[0], d1 = std::min(255.0f, q[1] * g[1]) - key[1],
                                    d2 = std::min(255.0f, q[2] * g[2]) - key[2];
                        cs[0] += 1;
                        cs[1] += d0, cs[2] += d1, cs[3] += d2;
                        cs[4] += d0 * d0, cs[5] += d0 * d1, cs[6] += d0 * d2;
                        cs[7] += d1 * d1, cs[8] += d1 * d2, cs[9] += d2 * d2;
                    }
                }
            }
        }
    });
    in.towards.assign((size_t)w * h * 3, 0.0f);
    in.colour.assign((size_t)w * h * 3, -1.0f);
    in.strands.assign((size_t)w * h, 0);
    in.strandLo.assign((size_t)w * h, kNoStrandLo);
    // The screen's noise as a covariance of the three channels, from the cells of open screen
    // (nothing opaque in them or beside them), each about its own mean so that the light's slow
    // changes do not count. Along a way u its spread is the root of u C u: the colour difference
    // cancels the noise the channels share, the measure along a way that darkens does not.
    const int pair[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};   // as clearSums holds them
    double cov[6] = {0, 0, 0, 0, 0, 0}, counted = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool open = true;
            for (int yy = std::max(0, y - 1); open && yy <= std::min(h - 1, y + 1); ++yy)
                for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx)
                    open = open && sums[8 * ((size_t)yy * w + xx) + 3] == 0;
            const float* cs = &clearSums[10 * ((size_t)y * w + x)];
            if (!open || cs[0] < 4)
                continue;
            for (int k = 0; k < 6; ++k)
                cov[k] += cs[4 + k] - (double)cs[1 + pair[k][0]] * cs[1 + pair[k][1]] / cs[0];
            counted += cs[0] - 1;
        }
    float noise[3][3] = {};
    // A picture whose colour is blurrier than its brightness gives the pixels beside a strand some
    // of its colour, above the noise: there the node's threshold stays.
    const bool noiseKnown = counted >= 64 && !m_bColourBlurred;
    if (noiseKnown) {
        for (int k = 0; k < 6; ++k)
            noise[pair[k][0]][pair[k][1]] = noise[pair[k][1]][pair[k][0]] = (float)(cov[k] / counted);
    }
    const int sc = m_pState->sc, o[2] = {m_pState->o1, m_pState->o2};
    // Each cell's way from its own sums and pixels: looks only, no memory, so KxParallelForAll
    // finishes the rows whatever the workers do.
    KxParallelForAll(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            for (int x = 0; x < w; ++x) {
                // The cell and its neighbours.
                float v[3] = {0, 0, 0}, weight = 0, mixed[3] = {0, 0, 0}, mixedWeight = 0;
                for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy)
                    for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx) {
                        const float* sum = &sums[8 * ((size_t)yy * w + xx)];
                        for (int k = 0; k < 3; ++k) {
                            v[k] += sum[k];
                            mixed[k] += sum[4 + k];
                        }
                        weight += sum[3];
                        mixedWeight += sum[7];
                    }
                if (weight < kTowardsWeight)
                    continue;
                const float len = std::sqrt(Dot(v, v));
                if (len < kTowardsMinLean * weight)
                    continue;
                // The way is that of the mixes where they show one: beside an opaque subject of
                // another colour (glass in front of the screen next to skin) they are not its
                // mixes, and the opaque colours would tilt their way to it.
                const float mixedLen = std::sqrt(Dot(mixed, mixed));
                const bool byMixes = mixedWeight >= kTowardsWeight && mixedLen >= kTowardsMinLean * mixedWeight;
                const float* way = byMixes ? mixed : v;
                const float wayLen = byMixes ? mixedLen : len;
                const float u[3] = {way[0] / wayLen, way[1] / wayLen, way[2] / wayLen};
                // Where the colour difference along the way is gone: the first of the other two
                // channels to reach the screen's.
                float t = 1e9f;
                for (int k = 0; k < 2; ++k)
                    if (u[o[k]] - u[sc] > 1e-4f)
                        t = std::min(t, (key[sc] - key[o[k]]) / (u[o[k]] - u[sc]));
                for (int k = 0; k < 3; ++k) {
                    if (u[k] > 1e-4f)
                        t = std::min(t, (255 - key[k]) / u[k]);
                    else if (u[k] < -1e-4f)
                        t = std::min(t, -key[k] / u[k]);
                }
                if (t >= 1e8f || t < kTowardsMinLean)
                    continue;
                // Hair in a colour beyond the screen's complement (fair hair on a blue screen) has
                // mixes past the point where the colour difference ends, which then says nothing of
                // how far the hair's colour lies and reads them all opaque. Where little of the
                // opacity round the cell is solid subject, the farthest pixels seen tell.
                float all = 0, solids = 0;
                for (int yy = std::max(0, y - kBeyondCells); yy <= std::min(h - 1, y + kBeyondCells); ++yy)
                    for (int xx = std::max(0, x - kBeyondCells); xx <= std::min(w - 1, x + kBeyondCells); ++xx) {
                        all += sums[8 * ((size_t)yy * w + xx) + 3];
                        solids += solid[(size_t)yy * w + xx];
                    }
                const bool hair = solids <= kBeyondSolidShare * all;
                // Where the subject is sparse (strands of hair), it lies at least as far as the
                // farthest single pixels seen along the way (the second farthest, against noise),
                // each the pixel of its footprint that stands out most.
                float first = 0, second = 0;
                const bool sparse = weight < kTowardsSparse * 9 * step * step;
                for (int py = std::max(0, (y - 1) * step); (sparse || hair) && py < std::min(h * step, (y + 2) * step); ++py)
                    for (int px = std::max(0, (x - 1) * step); px < std::min(w * step, (x + 2) * step); ++px) {
                        const BYTE* q = one.GetLine(py) + px * sbpp;
                        const float* g = &cellGains[3 * ((size_t)(py / step) * w + px / step)];
                        float d[3];
                        for (int k = 0; k < 3; ++k)
                            d[k] = std::min(255.0f, q[k] * g[k]) - key[k];
                        const float along = Dot(u, d);
                        if (along > first) {
                            second = first;
                            first = along;
                        } else if (along > second) {
                            second = along;
                        }
                    }
                // Where only strands are (a small share of the window opaque), the densest seen is
                // itself a mix: a strand thinner than a pixel never covers one whole, and the screen's
                // light on it reads as less cover. The subject's colour lies that much beyond it, and
                // so does the colour of hair whose densest seen lie past where the colour difference
                // ends; there mixes are read by how far along the way they lie.
                const bool strands = weight < kTowardsStrands * 9 * step * step;
                const bool beyond = hair && second > t;
                t = std::max(t, strands || beyond ? kTowardsStrandReach * second : sparse ? second : 0.0f);
                in.strands[(size_t)y * w + x] = strands || beyond;
                if (strands && noiseKnown) {
                    float spread = 0;
                    for (int a = 0; a < 3; ++a)
                        spread += u[a] * Dot(noise[a], u);
                    in.strandLo[(size_t)y * w + x] = kStrandNoiseSpreads * std::sqrt(std::max(0.0f, spread)) / t;
                }
                float* to = &in.towards[3 * ((size_t)y * w + x)];
                for (int k = 0; k < 3; ++k)
                    to[k] = u[k] / t;
                for (int k = 0; k < 3; ++k)
                    in.colour[3 * ((size_t)y * w + x) + k] = key[k] + v[k] / weight;
            }
    });
    // Faint mixes far from anything dense (the tips of hair) take the way of the cells round
    // them: a few cells outwards, each ring the mean of the known cells beside it.
    std::vector<float> known = in.towards;
    for (int ring = 0; ring < kTowardsFill; ++ring) {
        bool grew = false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = (size_t)y * w + x;
                float* to = &in.towards[3 * i];
                if (to[0] != 0 || to[1] != 0 || to[2] != 0)
                    continue;
                float v[3] = {0, 0, 0};
                int n = 0;
                const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
                for (int k = 0; k < 4; ++k) {
                    if (nx[k] < 0 || ny[k] < 0 || nx[k] >= w || ny[k] >= h)
                        continue;
                    const float* o = &known[3 * ((size_t)ny[k] * w + nx[k])];
                    if (o[0] == 0 && o[1] == 0 && o[2] == 0)
                        continue;
                    for (int c = 0; c < 3; ++c)
                        v[c] += o[c];
                    ++n;
                }
                if (n == 0)
                    continue;
                for (int c = 0; c < 3; ++c)
                    to[c] = v[c] / n;
                grew = true;
            }
        if (!grew)
            break;
        known = in.towards;
    }
    // Cells of clear screen alone, whose colours all stay clear on the way, are left to the key:
    // most of the screen round the subject, whose pixels then take no second look.
    const float clearRaw = lut.clearRaw, invDiff = lut.invDiff;
    KxParallelForAll(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            for (int x = 0; x < w; ++x) {
                float* to = &in.towards[3 * ((size_t)y * w + x)];
                if (to[0] == 0 && to[1] == 0 && to[2] == 0)
                    continue;
                const float* g = &cellGains[3 * ((size_t)y * w + x)];
                const float alongClear = AlongClear(in.strands[(size_t)y * w + x] != 0, in.strandLo[(size_t)y * w + x], clearRaw);
                bool clear = true;
                for (int py = y * step; clear && py < std::min(sh, (y + 1) * step); ++py) {
                    const BYTE* p = pic.GetLine(py) + x * step * bpp;
                    for (int px = x * step; px < std::min(sw, (x + 1) * step); ++px, p += bpp) {
                        const float c[3] = {std::min(255.0f, p[0] * g[0]), std::min(255.0f, p[1] * g[1]), std::min(255.0f, p[2] * g[2])};
                        const float along = (c[0] - key[0]) * to[0] + (c[1] - key[1]) * to[1] + (c[2] - key[2]) * to[2];
                        const float raw = 1 - (c[sc] - std::max(c[o[0]], c[o[1]])) * invDiff;
                        if (along >= alongClear || raw >= clearRaw) {
                            clear = false;
                            break;
                        }
                    }
                }
                if (clear) {
                    to[0] = to[1] = to[2] = 0;
                    in.strands[(size_t)y * w + x] = 0;
                    in.strandLo[(size_t)y * w + x] = kNoStrandLo;
                    in.colour[3 * ((size_t)y * w + x)] = -1;
                }
            }
    });
}

// A mix needs the screen behind it. A part of the picture that the key finds mixed but that is
// enclosed all round by what it finds opaque, with no clear screen in it, could show the screen
// only through a see-through cover in front of it (glass, smoke), and such a cover puts its
// colours on one line from the screen colour: the screen's colour as much as the cover lets
// through, and the cover's own. Where the part's colours stray from any such line by far more than
// the open screen's colours stray from the screen colour, it is no cover but the subject, in
// colours of the screen's hue (a badge on a coat): opaque, like the opaque round it. A part
// joined to the clear screen or to the picture's edge, however narrowly, may be a mix, and so may
// a cover: both stay as the key reads them.
void CKeyEngine::Enclosed(KEYINSIDE& in, const KEYLOOKS& looks) const
{
    in.held.assign((size_t)in.w * in.h, 0.0f);
    in.anyHeld = false;
    const int sample = 2;
    const int pw = looks.pw, ph = looks.ph;
    const float* key = m_pLut->key;
    // Each sample: opaque, mixed, or open (clear, or joined to the clear screen or the edge),
    // with its corrected colour less the screen's.
    enum : BYTE { Opaque, Mixed, Open };
    std::vector<BYTE> kind((size_t)pw * ph);
    std::vector<float> away((size_t)pw * ph * 3);
    std::vector<double> clearSpread(ph, 0.0), clearCount(ph, 0.0);
    // Looks only, no memory: KxParallelForAll finishes them whatever the workers do.
    KxParallelForAll(ph, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            for (int x = 0; x < pw; ++x) {
                const size_t i = (size_t)y * pw + x;
                const float a = looks.opacity[i];
                const float* c = &looks.colour[3 * i];
                float* d = &away[3 * i];
                for (int k = 0; k < 3; ++k)
                    d[k] = c[k] - key[k];
                kind[i] = a <= 0 ? Open : a >= 1 ? Opaque : Mixed;
                if (a <= 0) {
                    clearSpread[y] += Dot(d, d);
                    clearCount[y] += 1;
                }
            }
    });
    double spreadSum = 0, spreadCount = 0;
    for (int y = 0; y < ph; ++y) {
        spreadSum += clearSpread[y];
        spreadCount += clearCount[y];
    }
    if (spreadCount == 0)
        return;
    const float stray = std::max(kHeldMinStray, kHeldSpreads * (float)std::sqrt(spreadSum / spreadCount));
    // Each part of mixed pixels joined eight ways round, in turn: a part touching an open pixel or
    // the edge is open too. Only the mixed pixels are visited, which are few beside the screen.
    // Of an enclosed part: the line from the screen colour its colours lie nearest (the main axis
    // of their second moments about the screen colour), and how far the middle one of them lies
    // off it.
    enum : BYTE { Cover = 3, Small, Subject, Seen };
    std::vector<int> todo, part;
    std::vector<float> off;
    for (size_t start = 0; start < kind.size(); ++start) {
        if (kind[start] != Mixed)
            continue;
        kind[start] = Seen;
        todo.assign(1, (int)start);
        part.clear();
        bool open = false;
        while (!todo.empty()) {
            const int i = todo.back();
            todo.pop_back();
            part.push_back(i);
            const int x = i % pw, y = i / pw;
            open = open || x == 0 || y == 0 || x == pw - 1 || y == ph - 1;
            for (int yy = std::max(0, y - 1); yy <= std::min(ph - 1, y + 1); ++yy)
                for (int xx = std::max(0, x - 1); xx <= std::min(pw - 1, x + 1); ++xx) {
                    const size_t j = (size_t)yy * pw + xx;
                    if (kind[j] == Mixed) {
                        kind[j] = Seen;
                        todo.push_back((int)j);
                    } else if (kind[j] == Open) {
                        open = true;
                    }
                }
        }
        if (open || (int)part.size() < kHeldMinPixels) {
            for (int i : part)
                kind[i] = open ? (BYTE)Open : (BYTE)Small;
            continue;
        }
        double m[3][3] = {};
        for (int i : part) {
            const float* d = &away[3 * (size_t)i];
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b)
                    m[a][b] += (double)d[a] * d[b];
        }
        double axis[3] = {1, 1, 1};
        for (int round = 0; round < 32; ++round) {
            double next[3], len = 0;
            for (int a = 0; a < 3; ++a) {
                next[a] = m[a][0] * axis[0] + m[a][1] * axis[1] + m[a][2] * axis[2];
                len += next[a] * next[a];
            }
            len = std::sqrt(len);
            if (len <= 0)
                break;
            for (int a = 0; a < 3; ++a)
                axis[a] = next[a] / len;
        }
        const float u[3] = {(float)axis[0], (float)axis[1], (float)axis[2]};
        off.clear();
        for (int i : part) {
            const float* d = &away[3 * (size_t)i];
            const float along = Dot(d, u);
            off.push_back(std::max(0.0f, Dot(d, d) - along * along));
        }
        std::nth_element(off.begin(), off.begin() + off.size() / 2, off.end());
        const BYTE as = off[off.size() / 2] <= stray * stray ? Cover : Subject;
        for (int i : part)
            kind[i] = as;
    }
    // A cell of the inside's grid is held where parts of the subject lie in it or beside it, and
    // nothing open or of a cover does: its mixed pixels at any size are the subject's.
    const int step = 4, w = in.w, h = in.h;
    std::vector<BYTE> subjectAt((size_t)w * h, 0), otherAt((size_t)w * h, 0);
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x) {
            const BYTE k = kind[(size_t)y * pw + x];
            const size_t cell = (size_t)std::min(y * sample / step, h - 1) * w + std::min(x * sample / step, w - 1);
            if (k == Subject)
                subjectAt[cell] = 1;
            else if (k == Open || k == Cover)
                otherAt[cell] = 1;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool subject = false, other = false;
            for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy)
                for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx) {
                    subject = subject || subjectAt[(size_t)yy * w + xx];
                    other = other || otherAt[(size_t)yy * w + xx];
                }
            if (subject && !other) {
                in.held[(size_t)y * w + x] = 1;
                in.anyHeld = true;
            }
        }
}

// ---------------------------------------------------------------------------------------------
// Keying

namespace {

// Where the pixel x of a region lies on a grid of n cells spread over a picture of width w.
inline void GridPos(double x, int w, int n, int& i0, float& t)
{
    const double f = std::min(std::max((x + 0.5) / w * n - 0.5, 0.0), n - 1.0);
    i0 = std::min((int)f, std::max(0, n - 2));
    t = (float)(f - i0);
    if (n == 1) {
        i0 = 0;
        t = 0;
    }
}

inline void BackPos(double x, double offset, double scale, int n, int& i0, float& t)
{
    const double f = std::min(std::max((x + offset) * scale - 0.5, 0.0), n - 1.0);
    i0 = std::min((int)f, std::max(0, n - 2));
    t = (float)(f - i0);
    if (n == 1) {
        i0 = 0;
        t = 0;
    }
}

// Without branches: the pixel loops call it for every channel of mixed pixels.
inline BYTE ToByte(float v) { return (BYTE)(int)(std::min(std::max(v, 0.0f), 255.0f) + 0.5f); }

inline BYTE AlphaByte(float a) { return a <= 0 ? 0 : a >= 1 ? 255 : (BYTE)(a * 255 + 0.5f); }

} // namespace

bool CKeyEngine::RenderBack(const KEYBACK& back, const CRect& rc, CDib& out)
{
    if (rc.IsRectEmpty() || !out.Create(rc.Width(), rc.Height(), 24))
        return false;
    const bool picture = back.mode == KEYBACK::Picture && back.picture && back.picture->IsValid();
    const int bgW = picture ? back.picture->GetWidth() : 0, bgH = picture ? back.picture->GetHeight() : 0;
    const int bpp = picture ? back.picture->GetBitsPerPixel() / 8 : 0;
    std::vector<int> x0(rc.Width());
    std::vector<float> tx(rc.Width());
    if (picture)
        for (int x = 0; x < rc.Width(); ++x)
            BackPos(rc.left + x, back.offsetX, back.scale, bgW, x0[x], tx[x]);
    for (int y = 0; y < rc.Height(); ++y) {
        BYTE* dst = out.GetLine(y);
        if (!picture) {
            for (int x = 0; x < rc.Width(); ++x)
                memcpy(dst + 3 * x, back.colour, 3);
            continue;
        }
        int y0;
        float ty;
        BackPos(rc.top + y, back.offsetY, back.scale, bgH, y0, ty);
        const BYTE* r0 = back.picture->GetLine(y0);
        const BYTE* r1 = back.picture->GetLine(std::min(y0 + 1, bgH - 1));
        for (int x = 0; x < rc.Width(); ++x) {
            const int a = x0[x], b = std::min(a + 1, bgW - 1);
            for (int i = 0; i < 3; ++i) {
                const float top = r0[a * bpp + i] + (r0[b * bpp + i] - r0[a * bpp + i]) * tx[x];
                const float bot = r1[a * bpp + i] + (r1[b * bpp + i] - r1[a * bpp + i]) * tx[x];
                dst[3 * x + i] = ToByte(top + (bot - top) * ty);
            }
        }
    }
    return true;
}

namespace {

// The light map along one row of a region, one value a column of each plane: the gains, the
// screen colour as the camera saw it there (the picked colour over the gains), and how far that
// leans the screen's way.
struct RowLight
{
    std::vector<float> g[3], b[3], lean;
    void Resize(int n)
    {
        for (int i = 0; i < 3; ++i) {
            g[i].resize(n);
            b[i].resize(n);
        }
        lean.resize(n);
    }
};

// The subject's way from the screen colour (KEYINSIDE::towards) at each column of a row, for the
// vector kernel that keys and mixes in one pass: cy is the row of the inside's grid it is of.
struct RowTowards
{
    int cy = -1;
    bool any = false;
    std::vector<float> v[3];
    std::vector<BYTE> strands;       // KEYINSIDE::strands of each column
    std::vector<float> strandLo;     // KEYINSIDE::strandLo of each column
    std::vector<float> alongClear;   // the least measure along the way that shows in each column
    // How far the subject's colour there leans the screen's way as the screen's light shows it:
    // lean[0] B0 + lean[1] B1 + lean[2] B2 + unknown for the screen's colour B at a mixed pixel
    // of the column (unknown is +infinity where no way is known, else 0), + unknownOpaque at an
    // opaque one (+infinity also inside the subject, far from the clear screen).
    std::vector<float> lean[3], unknown, unknownOpaque;
    std::vector<float> cellValues;   // those of each cell the row's columns lie in, 5 a cell
};

// What every row of one region shares: where its columns lie on the light map and on the
// background picture, and what it is composed over.
struct RegionRows
{
    const CKeyLut* lut = nullptr;
    const KEYBOX* box = nullptr;                 // null: every colour is interpolated
    int extLeft = 0, ew = 0;
    // The inside of the subject (null: none known), where the columns fall on its grid, and the
    // screen's channel.
    const KEYINSIDE* inside = nullptr;
    std::vector<int> insideX;
    std::vector<float> insideT;
    // The columns nearest each cell of the inside's grid: cell c's are cellBegin[c] .. cellBegin[c + 1] - 1.
    std::vector<int> cellBegin;
    std::vector<int> cellOf;                     // the cell of each column, as cellBegin has them
    int screenChannel = 1;
    // The light map: gains and the screen colour they give, 3 a cell, and for the columns of the
    // region runs that lie between the same two cells.
    int mapW = 1, mapH = 1, pictureHeight = 1;
    std::vector<float> gains, backs;
    struct Run { int begin, end, m0, m1; };
    std::vector<Run> runs;
    std::vector<float> mapT;
    // The background.
    enum Mode { Colour, Picture, Checker, Transparent } mode = Colour;
    BYTE colour[3] = {255, 255, 255};
    const CDib* picture = nullptr;
    int bgH = 0;
    double bgOffsetY = 0, bgScale = 1;
    std::vector<int> bgOff0, bgOff1, bgWeight;   // byte offsets of the two pixels, weight of the second (of 256)
    bool bgWholeColumns = true;                  // every column falls on a pixel of the picture

    bool avx2 = false;                           // the row kernels of that level run here

    // The parts of a row's light a pass needs: the key the gains, the dark-pixel pass the
    // screen's colour, the composite that colour and its lean.
    enum { Gains = 1, Backs = 2, Leans = 4, AllLight = Gains | Backs | Leans };

    // The light of the columns c0 .. c1 - 1 of row y into row, by the plain code or the same code
    // built for AVX2.
    template <int parts>
    void Light(int y, RowLight& row, int c0, int c1) const { LightOf<parts>(y, row, c0, c1); }
    template <int parts>
    __attribute__((target("avx2"))) void LightAvx2(int y, RowLight& row, int c0, int c1) const { LightOf<parts>(y, row, c0, c1); }
    template <int parts>
    inline __attribute__((always_inline)) void LightOf(int y, RowLight& row, int c0, int c1) const
    {
        static_assert(!(parts & Leans) || (parts & Backs), "the lean is of the screen's colour");
        int y0;
        float ty;
        GridPos(y, pictureHeight, mapH, y0, ty);
        const int y1 = std::min(y0 + 1, mapH - 1);
        float lineG[3], lineB[3], nextG[3], nextB[3];
        for (const Run& run : runs) {
            const int begin = std::max(run.begin, c0), end = std::min(run.end, c1);
            if (begin >= end)
                continue;
            for (int i = 0; i < 3; ++i) {
                auto at = [&](const std::vector<float>& map, int m) {
                    return map[3 * (y0 * mapW + m) + i] * (1 - ty) + map[3 * (y1 * mapW + m) + i] * ty;
                };
                const float* t = mapT.data();
                if (parts & Gains) {
                    lineG[i] = at(gains, run.m0);
                    nextG[i] = at(gains, run.m1) - lineG[i];
                    float* g = row.g[i].data();
                    for (int x = begin; x < end; ++x)
                        g[x] = lineG[i] + nextG[i] * t[x];
                }
                if (parts & Backs) {
                    lineB[i] = at(backs, run.m0);
                    nextB[i] = at(backs, run.m1) - lineB[i];
                    float* b = row.b[i].data();
                    for (int x = begin; x < end; ++x)
                        b[x] = lineB[i] + nextB[i] * t[x];
                }
            }
        }
        if (!(parts & Leans))
            return;
        const float w0 = lut->w[0], w1 = lut->w[1], w2 = lut->w[2];
        const float *b0 = row.b[0].data(), *b1 = row.b[1].data(), *b2 = row.b[2].data();
        float* lean = row.lean.data();
        for (int x = c0; x < c1; ++x)
            lean[x] = b0[x] * w0 + b1[x] * w1 + b2[x] * w2;
    }

    // Opacity bytes and tint tolerances of the columns e0 .. e1 - 1 of a row; src is the row's
    // pixel at column 0 of the region's extent.
    void Key(const BYTE* src, int bpp, const RowLight& light, int e0, int e1, BYTE* alpha, float* tint) const
    {
        const float *g0 = light.g[0].data(), *g1 = light.g[1].data(), *g2 = light.g[2].data();
        const CKeyLut& l = *lut;
        const int lo0 = box ? box->lo[0] : 0, lo1 = box ? box->lo[1] : 0, lo2 = box ? box->lo[2] : 0;
        for (int x = e0; x < e1; ++x) {
            const BYTE* p = src + (size_t)x * bpp;
            const float c0 = std::min(255.0f, p[0] * g0[x]), c1 = std::min(255.0f, p[1] * g1[x]),
                        c2 = std::min(255.0f, p[2] * g2[x]);
            if (box) {
                const unsigned i0 = (unsigned)((int)c0 - lo0), i1 = (unsigned)((int)c1 - lo1), i2 = (unsigned)((int)c2 - lo2);
                if ((i0 | i1 | i2) < (unsigned)kBoxSide && box->IsClear(KEYBOX::Index(i0, i1, i2))) {
                    alpha[x] = 0;
                    tint[x] = kNoDespill;
                    continue;
                }
            }
            alpha[x] = AlphaByte(l.Look(c0, c1, c2, tint[x]));
        }
    }

    // The background picture's two rows for picture row y, and the weight of the second (of 256).
    void PictureRows(int y, const BYTE*& r0, const BYTE*& r1, int& wy) const
    {
        if (mode != Picture)
            return;
        int y0;
        float ty;
        BackPos(y, bgOffsetY, bgScale, bgH, y0, ty);
        r0 = picture->GetLine(y0);
        r1 = picture->GetLine(std::min(y0 + 1, bgH - 1));
        wy = (int)(ty * 256 + 0.5f);
        // All of the second row (the last row of the picture, say) is that row alone, which the
        // direct path reads at once: the same bytes.
        if (wy == 256) {
            r0 = r1;
            wy = 0;
        }
    }

    // The background picture at column x of the rows PictureRows gave; direct when the column
    // and the row fall on a pixel of the picture.
    void PictureBack(const BYTE* r0, const BYTE* r1, int wy, bool direct, int x, BYTE* n) const
    {
        if (direct) {
            const BYTE* q = r0 + bgOff0[x];
            n[0] = q[0];
            n[1] = q[1];
            n[2] = q[2];
            return;
        }
        const BYTE *q00 = r0 + bgOff0[x], *q01 = r0 + bgOff1[x], *q10 = r1 + bgOff0[x], *q11 = r1 + bgOff1[x];
        const int wx = bgWeight[x];
        for (int i = 0; i < 3; ++i) {
            const int top = q00[i] * 256 + (q01[i] - q00[i]) * wx;
            const int bottom = q10[i] * 256 + (q11[i] - q10[i]) * wx;
            n[i] = (BYTE)((top * 256 + (bottom - top) * wy + 32768) >> 16);
        }
    }

    // A mixed pixel where the subject's colour near it is known: its opacity is how far it lies
    // along the line from the screen colour to that colour. Columns e0 .. e1 - 1 of picture row
    // y, as Key left them.
    bool Mixes() const { return inside && !inside->towards.empty(); }
    // The row of the inside's grid that picture row y takes its ways from.
    int TowardsCellRow(int y) const
    {
        int y0;
        float ty;
        GridPos(y, pictureHeight, inside->h, y0, ty);
        return std::min(y0 + (ty >= 0.5f ? 1 : 0), inside->h - 1);
    }
    // The ways of the columns of picture row y into row (kept while the row of cells stays); false
    // when none is known there.
    bool TowardsRow(int y, RowTowards& row) const
    {
        if (!Mixes())
            return false;
        const int cy = TowardsCellRow(y);
        if (cy == row.cy)
            return row.any;
        row.cy = cy;
        row.any = false;
        const float* towards = &inside->towards[(size_t)cy * inside->w * 3];
        for (int k = 0; k < 3; ++k) {
            row.v[k].resize(ew);
            float* v = row.v[k].data();
            for (int x = 0; x < ew; ++x) {
                v[x] = towards[3 * cellOf[x] + k];
                row.any = row.any || v[x] != 0;
            }
        }
        row.strands.resize(ew);
        const BYTE* strands = &inside->strands[(size_t)cy * inside->w];
        row.strandLo.resize(ew);
        row.alongClear.resize(ew);
        const float* strandLo = &inside->strandLo[(size_t)cy * inside->w];
        for (int x = 0; x < ew; ++x) {
            row.strands[x] = strands[cellOf[x]];
            row.strandLo[x] = strandLo[cellOf[x]];
            row.alongClear[x] = AlongClear(row.strands[x] != 0, row.strandLo[x], lut->clearRaw);
        }
        // The subject's colour there: where the way reaches opaque (the way's length is one over
        // its distance from the screen colour), or the mean colour round it, whichever leans the
        // screen's way less (each leans less than the subject where the other does not: the way
        // stops short of a colour leaning away from the screen, the mean takes in its mixes). A
        // corrected channel is the seen one times the picked screen's over the screen's colour
        // there.
        for (int k = 0; k < 3; ++k)
            row.lean[k].resize(ew);
        row.unknown.resize(ew);
        row.unknownOpaque.resize(ew);
        // Found once a cell of the grid's row, then given to the cell's columns.
        const int firstCell = cellOf[0], cellCount = cellOf[ew - 1] - firstCell + 1;
        row.cellValues.resize((size_t)cellCount * 5);
        const float* key = inside->key;
        const float* deep = &inside->inside[(size_t)cy * inside->w];
        for (int c = 0; c < cellCount; ++c) {
            const int cell = firstCell + c;
            float* out = &row.cellValues[(size_t)c * 5];
            const float v0 = towards[3 * cell], v1 = towards[3 * cell + 1], v2 = towards[3 * cell + 2];
            const float vv = v0 * v0 + v1 * v1 + v2 * v2;
            if (vv <= 0) {
                out[0] = out[1] = out[2] = 0;
                out[3] = out[4] = std::numeric_limits<float>::infinity();
                continue;
            }
            float subject[3] = {key[0] + v0 / vv, key[1] + v1 / vv, key[2] + v2 / vv};
            const float* mean = &inside->colour[3 * ((size_t)cy * inside->w + cell)];
            if (mean[0] >= 0 && Dot(lut->w, mean) < Dot(lut->w, subject))
                std::copy(mean, mean + 3, subject);
            for (int k = 0; k < 3; ++k)
                out[k] = lut->w[k] * subject[k] / std::max(key[k], 1.0f);
            out[3] = 0;
            out[4] = deep[cell] <= 0 ? 0 : std::numeric_limits<float>::infinity();
        }
        for (int x = 0; x < ew; ++x) {
            const float* in = &row.cellValues[(size_t)(cellOf[x] - firstCell) * 5];
            for (int k = 0; k < 3; ++k)
                row.lean[k][x] = in[k];
            row.unknown[x] = in[3];
            row.unknownOpaque[x] = in[4];
        }
        return row.any;
    }

    void Mix(int y, const BYTE* src, int bpp, const RowLight& light, int e0, int e1, BYTE* alpha, float* tint) const
    {
        if (!Mixes())
            return;
        const int cy = TowardsCellRow(y), last = inside->w - 1;
        const float* towards = &inside->towards[(size_t)cy * inside->w * 3];
        const float *g0 = light.g[0].data(), *g1 = light.g[1].data(), *g2 = light.g[2].data();
        const float* key = inside->key;
        const int sc = lut->sc, o1 = lut->o1, o2 = lut->o2;
        // Only the columns of cells where the way is known.
        for (int cx = 0; cx <= last; ++cx) {
            const float* v = towards + 3 * cx;
            if (v[0] == 0 && v[1] == 0 && v[2] == 0)
                continue;
            const bool strands = inside->strands[(size_t)cy * inside->w + cx] != 0;
            const float strandLo = inside->strandLo[(size_t)cy * inside->w + cx];
            const float alongClear = AlongClear(strands, strandLo, lut->clearRaw);
            for (int x = std::max(e0, cellBegin[cx]); x < std::min(e1, cellBegin[cx + 1]); ++x) {
                if (alpha[x] == 255 && !strands)
                    continue;
                const BYTE* p = src + (size_t)x * bpp;
                const float c0 = std::min(255.0f, p[0] * g0[x]), c1 = std::min(255.0f, p[1] * g1[x]),
                            c2 = std::min(255.0f, p[2] * g2[x]);
                const float along = (c0 - key[0]) * v[0] + (c1 - key[1]) * v[1] + (c2 - key[2]) * v[2];
                // A clear colour whose measure moves no higher than the least any node makes opaque
                // at all stays clear (most of the screen beside the subject).
                if (alpha[x] == 0 && along < alongClear) {
                    const float c[3] = {c0, c1, c2};
                    if (1 - (c[sc] - std::max(c[o1], c[o2])) * lut->invDiff < lut->clearRaw)
                        continue;
                }
                // Among strands, what the key found opaque is a mix unless it lies as far as opaque.
                if (alpha[x] == 255 && along >= kDefaultOuter)
                    continue;
                alpha[x] = AlphaByte(lut->LookToward(c0, c1, c2, along, strands ? kStrandShare : kTowardsShare, strands,
                                                     strandLo, tint[x]));
            }
        }
    }

    // The two rows of the inside's grid about picture row y, and the weight of the second: of the
    // inside, and of the parts held opaque (null when there are none).
    void InsideRows(int y, const float*& r0, const float*& r1, const float*& h0, const float*& h1, float& ty) const
    {
        int y0;
        GridPos(y, pictureHeight, inside->h, y0, ty);
        const size_t first = (size_t)y0 * inside->w, second = (size_t)std::min(y0 + 1, inside->h - 1) * inside->w;
        r0 = &inside->inside[first];
        r1 = &inside->inside[second];
        h0 = inside->anyHeld ? &inside->held[first] : nullptr;
        h1 = inside->anyHeld ? &inside->held[second] : nullptr;
    }

    // Inside the subject, what reads as the screen darkened is a dark part of the subject: the
    // opacity of a mixed pixel rises towards opaque as its screen channel falls below the
    // screen's there (nothing of the screen's hue is then taken away as spill). Where the
    // inside holds parts of the subject whose colours read as mixes, its mixed pixels are opaque
    // as far as the held map says. Columns e0 .. e1 - 1 of picture row y, as Key left them.
    void Dark(int y, const BYTE* src, int bpp, const RowLight& light, int e0, int e1, BYTE* alpha, float* tint) const
    {
        if (!inside)
            return;
        const float *r0, *r1, *h0, *h1;
        float ty;
        InsideRows(y, r0, r1, h0, h1, ty);
        const float* screen = light.b[screenChannel].data();
        const float *g0 = light.g[0].data(), *g1 = light.g[1].data(), *g2 = light.g[2].data();
        const int sc = screenChannel, last = inside->w - 1;
        // Clear pixels read as the screen itself, not darkened: only the mixed ones are looked at,
        // a small share of a picture, so eight opacities that are all clear or opaque are passed
        // at one test (each byte 0 or 255 has its eight bits alike).
        for (int x = e0; x < e1; ++x) {
            if ((x - e0) % 8 == 0 && x + 8 <= e1) {
                unsigned long long eight;
                memcpy(&eight, alpha + x, 8);
                if (((eight ^ (eight << 1)) & 0xFEFEFEFEFEFEFEFEull) == 0) {
                    x += 7;
                    continue;
                }
            }
            if ((BYTE)(alpha[x] - 1) >= 254)
                continue;
            const int i0 = insideX[x], i1 = std::min(i0 + 1, last);
            const float t = insideT[x];
            const float held = h0 ? (h0[i0] + (h0[i1] - h0[i0]) * t) * (1 - ty) + (h1[i0] + (h1[i1] - h1[i0]) * t) * ty : 0.0f;
            const float level = src[(size_t)x * bpp + sc];
            float dark = 0;
            if (level < kDarkFrom * screen[x]) {
                const float share = level / std::max(screen[x], 1.0f);
                const float in = (r0[i0] + (r0[i1] - r0[i0]) * t) * (1 - ty) + (r1[i0] + (r1[i1] - r1[i0]) * t) * ty;
                if (in > 0) {
                    dark = std::min(1.0f, (kDarkFrom - share) / (kDarkFrom - kDarkFull));
                    dark = dark * dark * (3 - 2 * dark) * in;
                }
            }
            dark = std::max(dark, held);
            if (dark <= 0)
                continue;
            // Colours the user called see-through stay as they measure (dark tinted glass).
            if (lut->anySeeThrough) {
                const BYTE* p = src + (size_t)x * bpp;
                dark *= 1 - lut->SeeThroughAt(std::min(255.0f, p[0] * g0[x]), std::min(255.0f, p[1] * g1[x]),
                                              std::min(255.0f, p[2] * g2[x]));
            }
            alpha[x] = (BYTE)(alpha[x] + (255 - alpha[x]) * dark + 0.5f);
            if (dark > 0.5f)
                tint[x] = kNoDespill;
        }
    }

    // The opaque pixels of held parts keep their colours: they lean the screen's way by their own
    // colour, far from any screen whose light could spill on them. Columns e0 .. e1 - 1 of
    // picture row y, after the dark pass.
    void HeldColours(int y, int e0, int e1, const BYTE* alpha, float* tint) const
    {
        if (!inside || !inside->anyHeld)
            return;
        const float *r0, *r1, *h0, *h1;
        float ty;
        InsideRows(y, r0, r1, h0, h1, ty);
        const int last = inside->w - 1;
        for (int x = e0; x < e1; ++x) {
            if (alpha[x] != 255 || tint[x] >= kNoDespill * 0.5f)
                continue;
            const int i0 = insideX[x], i1 = std::min(i0 + 1, last);
            const float t = insideT[x];
            if ((h0[i0] + (h0[i1] - h0[i0]) * t) * (1 - ty) + (h1[i0] + (h1[i1] - h1[i0]) * t) * ty > 0.5f)
                tint[x] = kNoDespill;
        }
    }

    // Takes spill away from a colour: the screen's hue of f times the screen's colour b0 b1 b2
    // there, as much as a pixel holds that has f more of the screen's light in it than its opacity
    // says. The spill's light stays, so that a rim of spill neither darkens nor glows.
    static void Despill(float f, float b0, float b1, float b2, float& c0, float& c1, float& c2)
    {
        const float grey = (b0 + b1 + b2) * (1 / 3.0f);
        c0 = std::max(0.0f, c0 - f * (b0 - grey));
        c1 = std::max(0.0f, c1 - f * (b1 - grey));
        c2 = std::max(0.0f, c2 - f * (b2 - grey));
    }

    // The composite of the columns e0 .. e1 - 1 of picture row y from their colours, opacities and
    // tint tolerances, into dst (the pixel of column e0); towards is the row's ways (null: none
    // known).
    void Compose(int y, const BYTE* src, int bpp, const RowLight& light, const BYTE* alpha, const float* tint, int e0,
                 int e1, BYTE* dst, const RowTowards* towards) const
    {
        const CKeyLut& l = *lut;
        const float w0 = l.w[0], w1 = l.w[1], w2 = l.w[2];
        const float *b0 = light.b[0].data(), *b1 = light.b[1].data(), *b2 = light.b[2].data();
        const float* lean = light.lean.data();
        const int dbpp = mode == Transparent ? 4 : 3;
        const BYTE *r0 = nullptr, *r1 = nullptr;
        int wy = 0;
        PictureRows(y, r0, r1, wy);
        const bool direct = mode == Picture && bgWholeColumns && wy == 0;
        for (int x = e0; x < e1; ++x, dst += dbpp) {
            const unsigned a8 = alpha[x];
            // Clear pixels are the background alone, and read nothing of the light.
            if (mode == Transparent && a8 == 0) {
                dst[0] = dst[1] = dst[2] = dst[3] = 0;
                continue;
            }
            BYTE n[3] = {colour[0], colour[1], colour[2]};
            if (a8 < 255) {
                if (mode == Picture) {
                    PictureBack(r0, r1, wy, direct, x, n);
                } else if (mode == Checker) {
                    n[0] = n[1] = n[2] = (((extLeft + x) >> 3) + (y >> 3)) & 1 ? 204 : 153;
                }
                if (a8 == 0) {
                    dst[0] = n[0];
                    dst[1] = n[1];
                    dst[2] = n[2];
                    continue;
                }
            }
            const BYTE* p = src + (size_t)x * bpp;
            const float t = tint[x];
            bool despill = t < kNoDespill * 0.5f;
            // The lean the subject's colour may keep: the tolerance's share of the screen's, or
            // near the subject's edge less where the subject's colour near it leans less (a colour
            // leaning away from the screen hides spill from the tolerance alone), moved by as much
            // as the tolerance was moved from its default.
            const float eB = lean[x];
            float eS = t * eB;
            if (despill && towards)
                eS = std::min(eS, towards->lean[0][x] * b0[x] + towards->lean[1][x] * b1[x] + towards->lean[2][x] * b2[x] +
                                      (a8 < 255 ? towards->unknown[x] : towards->unknownOpaque[x]) + (t - kDefaultTint) * eB);
            // An opaque pixel that leans the screen's way no further than that is itself.
            if (a8 == 255 && despill && !(eB > 1 && p[0] * w0 + p[1] * w1 + p[2] * w2 > eS))
                despill = false;
            if (a8 == 255 && !despill) {
                dst[0] = p[0];
                dst[1] = p[1];
                dst[2] = p[2];
                if (mode == Transparent)
                    dst[3] = 255;
                continue;
            }
            // The subject's own colour: the screen's share taken away, then the screen's hue of
            // what still leans its way beyond what the subject may.
            const float a = a8 * (1 / 255.0f), k = 1 - a;
            float c0 = p[0], c1 = p[1], c2 = p[2];
            if (a8 < 255) {
                c0 = std::max(0.0f, c0 - k * b0[x]);
                c1 = std::max(0.0f, c1 - k * b1[x]);
                c2 = std::max(0.0f, c2 - k * b2[x]);
            }
            if (despill) {
                // Of the pixel's opacity a, the share f is spill and a - f the subject:
                // e - f eB = (a - f) eS.
                const float e = c0 * w0 + c1 * w1 + c2 * w2;
                if (eB > 1 && e > a * eS && eB - eS > 1)
                    Despill(std::min(a, (e - a * eS) / (eB - eS)), b0[x], b1[x], b2[x], c0, c1, c2);
            }
            if (mode == Transparent) {
                const float inv = 1 / a;
                dst[0] = ToByte(c0 * inv);
                dst[1] = ToByte(c1 * inv);
                dst[2] = ToByte(c2 * inv);
                dst[3] = (BYTE)a8;
                continue;
            }
            dst[0] = ToByte(c0 + k * n[0]);
            dst[1] = ToByte(c1 + k * n[1]);
            dst[2] = ToByte(c2 + k * n[2]);
        }
    }
};


// Writes 8 pixels of blue, green and red (0..255 a lane), with alpha when bpp is 4; only the
// pixels' bytes are written.
KX_AVX2_INLINE void StorePixels8(BYTE* d, int bpp, __m256i c0, __m256i c1, __m256i c2, __m256i a)
{
    __m256i v = _mm256_or_si256(c0, _mm256_or_si256(_mm256_slli_epi32(c1, 8), _mm256_slli_epi32(c2, 16)));
    if (bpp == 4) {
        _mm256_storeu_si256((__m256i*)d, _mm256_or_si256(v, _mm256_slli_epi32(a, 24)));
        return;
    }
    v = _mm256_shuffle_epi8(v, _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                                0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    const __m128i low = _mm256_castsi256_si128(v), high = _mm256_extracti128_si256(v, 1);
    _mm_storeu_si128((__m128i*)d, low);                    // bytes 12 to 15 are written again below
    _mm_storel_epi64((__m128i*)(d + 12), high);
    const int last = _mm_extract_epi32(high, 2);
    memcpy(d + 20, &last, 4);
}

// The bytes table[index] of 8 lanes where mask is set (0 elsewhere), by 4-byte reads that are
// aligned, so none reaches past the page of the byte it is for.
KX_AVX2_INLINE __m256i GatherBytes(const BYTE* table, __m256i index, __m256i mask)
{
    const int misalign = (int)((uintptr_t)table & 3);
    const __m256i at = _mm256_add_epi32(index, _mm256_set1_epi32(misalign));
    const __m256i word = _mm256_andnot_si256(_mm256_set1_epi32(3), at);
    const __m256i got = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), (const int*)(table - misalign), word, mask, 1);
    const __m256i shift = _mm256_slli_epi32(_mm256_and_si256(at, _mm256_set1_epi32(3)), 3);
    return _mm256_and_si256(_mm256_srlv_epi32(got, shift), _mm256_set1_epi32(0xFF));
}

KX_AVX2_INLINE __m256i AsMask(__m256 m) { return _mm256_castps_si256(m); }

KX_AVX2_INLINE __m256 Lerp8(__m256 a, __m256 b, __m256 t) { return _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), t)); }

// CKeyLut::Look's interpolation between the eight nodes round 8 colours of one of the values of
// a node (values points at it in node 0; index is each colour's node 0, in floats from there), at
// the fractions tb, tg, tr.
KX_AVX2_INLINE __m256 Interpolate8(const float* values, __m256i index, __m256 tb, __m256 tg, __m256 tr)
{
    const int sr = CKeyLut::kValues, sg = CKeyLut::kValues * kLutN, sb = CKeyLut::kValues * kLutN * kLutN;
    const __m256 c00 = Lerp8(_mm256_i32gather_ps(values, index, 4), _mm256_i32gather_ps(values + sr, index, 4), tr);
    const __m256 c01 = Lerp8(_mm256_i32gather_ps(values + sg, index, 4), _mm256_i32gather_ps(values + sg + sr, index, 4), tr);
    const __m256 c10 = Lerp8(_mm256_i32gather_ps(values + sb, index, 4), _mm256_i32gather_ps(values + sb + sr, index, 4), tr);
    const __m256 c11 = Lerp8(_mm256_i32gather_ps(values + sb + sg, index, 4),
                             _mm256_i32gather_ps(values + sb + sg + sr, index, 4), tr);
    return Lerp8(Lerp8(c00, c01, tg), Lerp8(c10, c11, tg), tb);
}

KX_AVX2_INLINE __m256 Select8(__m256 when, __m256 yes, __m256 no) { return _mm256_blendv_ps(no, yes, when); }

KX_AVX2_INLINE __m256 Clamp01x8(__m256 v)
{
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    return Select8(_mm256_cmp_ps(v, zero, _CMP_LT_OQ), zero, Select8(_mm256_cmp_ps(v, one, _CMP_GT_OQ), one, v));
}

// The four values at p and the four at q.
KX_AVX2_INLINE __m256 Values2(const float* p, const float* q, int offset)
{
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(p + offset)), _mm_loadu_ps(q + offset), 1);
}

// The four values of the lattice (A, B, the inner threshold and the tint tolerance) at 8 colours.
KX_AVX2_INLINE void NodeValues8(const CKeyLut& l, __m256i node, __m256 tb, __m256 tg, __m256 tr, __m256& a, __m256& b,
                                __m256& lo, __m256& tint)
{
    // A node's four values lie together: a corner of colours i and i + 4 is two reads of four
    // values, not four gathers of eight, interpolated as Interpolate8 does it; the four pairs of
    // colours are then transposed into the values' lanes.
    static_assert(CKeyLut::kValues == 4 && CKeyLut::kA == 0 && CKeyLut::kB == 1 && CKeyLut::kLo == 2 && CKeyLut::kTint == 3,
                  "the four values of a node in this order");
    const int sr = CKeyLut::kValues, sg = CKeyLut::kValues * kLutN, sb = CKeyLut::kValues * kLutN * kLutN;
    alignas(32) int at[8];
    _mm256_store_si256((__m256i*)at, node);
    const float* values = &l.node[0][0];
    __m256 pair[4];
    for (int i = 0; i < 4; ++i) {
        const float *p = values + at[i], *q = values + at[i + 4];
        const __m256i lanes = _mm256_setr_epi32(i, i, i, i, i + 4, i + 4, i + 4, i + 4);
        const __m256 pb = _mm256_permutevar8x32_ps(tb, lanes), pg = _mm256_permutevar8x32_ps(tg, lanes),
                     pr = _mm256_permutevar8x32_ps(tr, lanes);
        const __m256 c00 = Lerp8(Values2(p, q, 0), Values2(p, q, sr), pr);
        const __m256 c01 = Lerp8(Values2(p, q, sg), Values2(p, q, sg + sr), pr);
        const __m256 c10 = Lerp8(Values2(p, q, sb), Values2(p, q, sb + sr), pr);
        const __m256 c11 = Lerp8(Values2(p, q, sb + sg), Values2(p, q, sb + sg + sr), pr);
        pair[i] = Lerp8(Lerp8(c00, c01, pg), Lerp8(c10, c11, pg), pb);
    }
    const __m256 ab01 = _mm256_unpacklo_ps(pair[0], pair[1]), ab23 = _mm256_unpacklo_ps(pair[2], pair[3]);
    const __m256 lt01 = _mm256_unpackhi_ps(pair[0], pair[1]), lt23 = _mm256_unpackhi_ps(pair[2], pair[3]);
    a = _mm256_shuffle_ps(ab01, ab23, _MM_SHUFFLE(1, 0, 1, 0));
    b = _mm256_shuffle_ps(ab01, ab23, _MM_SHUFFLE(3, 2, 3, 2));
    lo = _mm256_shuffle_ps(lt01, lt23, _MM_SHUFFLE(1, 0, 1, 0));
    tint = _mm256_shuffle_ps(lt01, lt23, _MM_SHUFFLE(3, 2, 3, 2));
}

// KeyThreshold of 8 measures, each case as it decides it, in its order.
KX_AVX2_INLINE __m256 KeyThreshold8(__m256 measured, __m256 lo)
{
    const __m256 one = _mm256_set1_ps(1.0f), two = _mm256_set1_ps(2.0f);
    const __m256 hi = _mm256_max_ps(_mm256_add_ps(lo, _mm256_set1_ps(0.05f)), _mm256_set1_ps(kDefaultOuter));
    const __m256 top = _mm256_sub_ps(one, _mm256_mul_ps(two, _mm256_sub_ps(one, hi)));
    const __m256 twoLo = _mm256_mul_ps(two, lo);
    const __m256 overRange = Clamp01x8(_mm256_div_ps(_mm256_sub_ps(measured, lo), _mm256_sub_ps(hi, lo)));
    const __m256 lowRamp = _mm256_mul_ps(two, _mm256_sub_ps(measured, lo));
    const __m256 highRamp = Clamp01x8(_mm256_add_ps(top, _mm256_mul_ps(two, _mm256_sub_ps(measured, top))));
    __m256 a = Select8(_mm256_cmp_ps(measured, top, _CMP_GT_OQ), highRamp, measured);
    a = Select8(_mm256_cmp_ps(measured, twoLo, _CMP_LT_OQ), lowRamp, a);
    a = Select8(_mm256_cmp_ps(twoLo, top, _CMP_GE_OQ), overRange, a);
    return Select8(_mm256_cmp_ps(measured, lo, _CMP_LE_OQ), _mm256_setzero_ps(), a);
}

// AlphaByte of 8 opacities, one a 32-bit lane.
KX_AVX2_INLINE __m256i AlphaBytes8(__m256 a)
{
    const __m256i scaled = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(a, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f)));
    const __m256i none = AsMask(_mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_LE_OQ));
    const __m256i full = AsMask(_mm256_cmp_ps(a, _mm256_set1_ps(1.0f), _CMP_GE_OQ));
    return _mm256_andnot_si256(none, _mm256_blendv_epi8(scaled, _mm256_set1_epi32(255), full));
}

// TintByte of n tolerances, eight at a time, and back by the table of TintOf.
KX_AVX2 void TintBytesAvx2(const float* tint, int n, BYTE* out)
{
    const __m256i lowBytes = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                              0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256 t = _mm256_loadu_ps(tint + x);
        const __m256i scaled = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(t, _mm256_set1_ps(250.0f)), _mm256_set1_ps(0.5f)));
        const __m256i none = AsMask(_mm256_cmp_ps(t, _mm256_set1_ps(kNoDespill * 0.5f), _CMP_GE_OQ));
        const __m256i b = _mm256_shuffle_epi8(
            _mm256_blendv_epi8(_mm256_min_epi32(scaled, _mm256_set1_epi32(254)), _mm256_set1_epi32(255), none), lowBytes);
        const int low = _mm256_extract_epi32(b, 0), high = _mm256_extract_epi32(b, 4);
        memcpy(out + x, &low, 4);
        memcpy(out + x + 4, &high, 4);
    }
    for (; x < n; ++x)
        out[x] = TintByte(tint[x]);
}

KX_AVX2 void TintsOfBytesAvx2(const float* table, const BYTE* bytes, int n, float* tint)
{
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i index = _mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(bytes + x)));
        _mm256_storeu_ps(tint + x, _mm256_i32gather_ps(table, index, 4));
    }
    for (; x < n; ++x)
        tint[x] = table[bytes[x]];
}

// RegionRows::Key eight pixels at a time: the colours in the box's clear cubes are settled first,
// then the lattice is looked up as CKeyLut::Look does it, every kind of cell. With the ways of the
// row's columns (towards, null: none known), RegionRows::Mix follows for the same eight pixels,
// from the colours and the lattice's values the key has just found.
KX_AVX2 void KeyAvx2(const RegionRows& rows, int y, const BYTE* src, int bpp, const RowLight& light,
                     const RowTowards* towards, int e0, int e1, BYTE* alpha, float* tint)
{
    static_assert(kBoxSide == 64, "the box index below is of 6 bits a channel");
    const CKeyLut& l = *rows.lut;
    const KEYBOX* box = rows.box;
    const float *g0 = light.g[0].data(), *g1 = light.g[1].data(), *g2 = light.g[2].data();
    const float* tints = &l.node[0][CKeyLut::kTint];
    const __m256 top = _mm256_set1_ps(255.0f), noDespill = _mm256_set1_ps(kNoDespill);
    const __m256 o0 = _mm256_set1_ps(l.origin[0]), o1 = _mm256_set1_ps(l.origin[1]), o2 = _mm256_set1_ps(l.origin[2]);
    const __m256 perStep = _mm256_set1_ps(1 / kLutStep);
    const __m256 k0 = _mm256_set1_ps(l.key[0]), k1 = _mm256_set1_ps(l.key[1]), k2 = _mm256_set1_ps(l.key[2]);
    const __m256 clearSq = _mm256_set1_ps(l.clearSq), invDiff = _mm256_set1_ps(l.invDiff);
    const __m256i lastCell = _mm256_set1_epi32(kLutN - 2), cellSide = _mm256_set1_epi32(kLutN - 1),
                  nodeSide = _mm256_set1_epi32(kLutN);
    const __m256i zero = _mm256_setzero_si256(), all = _mm256_set1_epi32(-1), full = _mm256_set1_epi32(255);
    const __m256i lo0 = _mm256_set1_epi32(box ? box->lo[0] : 0), lo1 = _mm256_set1_epi32(box ? box->lo[1] : 0),
                  lo2 = _mm256_set1_epi32(box ? box->lo[2] : 0);
    // What Mix needs: the inside's screen colour, the least measure that shows, its share.
    const float* ik = towards ? rows.inside->key : l.key;
    const __m256 ik0 = _mm256_set1_ps(ik[0]), ik1 = _mm256_set1_ps(ik[1]), ik2 = _mm256_set1_ps(ik[2]);
    const __m256 clearRaw = _mm256_set1_ps(l.clearRaw), share = _mm256_set1_ps(kTowardsShare);
    const float *v0 = towards ? towards->v[0].data() : nullptr, *v1 = towards ? towards->v[1].data() : nullptr,
                *v2 = towards ? towards->v[2].data() : nullptr;
    const BYTE* strands = towards ? towards->strands.data() : nullptr;
    const float* strandLo = towards ? towards->strandLo.data() : nullptr;
    const float* alongClear = towards ? towards->alongClear.data() : nullptr;
    int x = e0;
    const __m256 strandShare = _mm256_set1_ps(kStrandShare), outer = _mm256_set1_ps(kDefaultOuter);
    for (; x + 8 <= e1; x += 8) {
        __m256i p0, p1, p2;
        LoadPixels8(src + (size_t)x * bpp, bpp, p0, p1, p2);
        const __m256 c0 = _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(p0), _mm256_loadu_ps(g0 + x)), top);
        const __m256 c1 = _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(p1), _mm256_loadu_ps(g1 + x)), top);
        const __m256 c2 = _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(p2), _mm256_loadu_ps(g2 + x)), top);
        const __m256 screen = l.sc == 0 ? c0 : l.sc == 1 ? c1 : c2;
        const __m256 other1 = l.o1 == 0 ? c0 : l.o1 == 1 ? c1 : c2, other2 = l.o2 == 0 ? c0 : l.o2 == 1 ? c1 : c2;
        // The colour difference measure of the eight colours, before the lattice's A and B.
        const __m256 raw = _mm256_sub_ps(_mm256_set1_ps(1.0f), _mm256_mul_ps(_mm256_sub_ps(screen, _mm256_max_ps(other1, other2)), invDiff));
        // The pixels Mix looks at again: those of a known way (not opaque, tested below), unless
        // they are clear and their measure moved along the way stays below what shows anywhere.
        __m256 known = _mm256_setzero_ps(), along = _mm256_setzero_ps();
        __m256 stayClear = _mm256_setzero_ps(), amongStrands = _mm256_setzero_ps(), openLo = _mm256_setzero_ps();
        if (towards) {
            amongStrands = _mm256_castsi256_ps(_mm256_cmpgt_epi32(
                _mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(strands + x))), _mm256_setzero_si256()));
            const __m256 w0 = _mm256_loadu_ps(v0 + x), w1 = _mm256_loadu_ps(v1 + x), w2 = _mm256_loadu_ps(v2 + x);
            const __m256 none = _mm256_setzero_ps();
            known = _mm256_or_ps(_mm256_or_ps(_mm256_cmp_ps(w0, none, _CMP_NEQ_UQ), _mm256_cmp_ps(w1, none, _CMP_NEQ_UQ)),
                                 _mm256_cmp_ps(w2, none, _CMP_NEQ_UQ));
            if (_mm256_movemask_ps(known)) {
                along = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(c0, ik0), w0), _mm256_mul_ps(_mm256_sub_ps(c1, ik1), w1)),
                                      _mm256_mul_ps(_mm256_sub_ps(c2, ik2), w2));
                stayClear = _mm256_and_ps(_mm256_cmp_ps(along, _mm256_loadu_ps(alongClear + x), _CMP_LT_OQ),
                                          _mm256_cmp_ps(raw, clearRaw, _CMP_LT_OQ));
                openLo = _mm256_loadu_ps(strandLo + x);
            }
        }
        __m256i clear = zero;
        if (box) {
            const __m256i i0 = _mm256_sub_epi32(_mm256_cvttps_epi32(c0), lo0);
            const __m256i i1 = _mm256_sub_epi32(_mm256_cvttps_epi32(c1), lo1);
            const __m256i i2 = _mm256_sub_epi32(_mm256_cvttps_epi32(c2), lo2);
            const __m256i any = _mm256_or_si256(_mm256_or_si256(i0, i1), i2);
            const __m256i inside = _mm256_cmpeq_epi32(_mm256_and_si256(any, _mm256_set1_epi32(~(kBoxSide - 1))), zero);
            // Colours of the subject, far from the screen's, are outside the box: nothing to read.
            if (!_mm256_testz_si256(inside, inside)) {
                const __m256i index = _mm256_and_si256(
                    _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(i0, 12), _mm256_slli_epi32(i1, 6)), i2), inside);
                const __m256i words = _mm256_mask_i32gather_epi32(zero, (const int*)box->clear.data(), _mm256_srli_epi32(index, 5),
                                                                  inside, 4);
                const __m256i bit = _mm256_and_si256(_mm256_srlv_epi32(words, _mm256_and_si256(index, _mm256_set1_epi32(31))),
                                                     _mm256_set1_epi32(1));
                clear = _mm256_andnot_si256(_mm256_cmpeq_epi32(bit, zero), inside);
            }
        }
        if (_mm256_movemask_ps(_mm256_castsi256_ps(clear)) == 0xFF && !_mm256_movemask_ps(_mm256_andnot_ps(stayClear, known))) {
            _mm_storel_epi64((__m128i*)(alpha + x), _mm_setzero_si128());
            _mm256_storeu_ps(tint + x, noDespill);
            continue;
        }
        // The lattice cell of each colour and what kind it is.
        const __m256 fb = _mm256_mul_ps(_mm256_sub_ps(c0, o0), perStep);
        const __m256 fg = _mm256_mul_ps(_mm256_sub_ps(c1, o1), perStep);
        const __m256 fr = _mm256_mul_ps(_mm256_sub_ps(c2, o2), perStep);
        const __m256i ib = _mm256_min_epi32(_mm256_cvttps_epi32(fb), lastCell);
        const __m256i ig = _mm256_min_epi32(_mm256_cvttps_epi32(fg), lastCell);
        const __m256i ir = _mm256_min_epi32(_mm256_cvttps_epi32(fr), lastCell);
        const __m256i cell = _mm256_add_epi32(
            _mm256_mullo_epi32(_mm256_add_epi32(_mm256_mullo_epi32(ib, cellSide), ig), cellSide), ir);
        const __m256i kind = GatherBytes(l.cls, cell, all);
        const __m256i clearAll = _mm256_or_si256(clear, _mm256_cmpeq_epi32(kind, _mm256_set1_epi32(CKeyLut::AllClear)));
        const __m256i allOpaque = _mm256_cmpeq_epi32(kind, _mm256_set1_epi32(CKeyLut::AllOpaque));
        const __m256i opaqueTints = _mm256_cmpeq_epi32(kind, _mm256_set1_epi32(CKeyLut::OpaqueTints));
        const __m256i opaque = _mm256_andnot_si256(clearAll, allOpaque);
        const __m256i tinted = _mm256_andnot_si256(clearAll, opaqueTints);
        const __m256i node = _mm256_mullo_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_add_epi32(_mm256_mullo_epi32(ib, nodeSide), ig), nodeSide), ir),
            _mm256_set1_epi32(CKeyLut::kValues));
        const __m256 tb = _mm256_sub_ps(fb, _mm256_cvtepi32_ps(ib));
        const __m256 tg = _mm256_sub_ps(fg, _mm256_cvtepi32_ps(ig));
        const __m256 tr = _mm256_sub_ps(fr, _mm256_cvtepi32_ps(ir));
        __m256 t = noDespill;
        if (_mm256_movemask_ps(_mm256_castsi256_ps(opaque)))
            t = _mm256_mask_i32gather_ps(noDespill, tints, node, _mm256_castsi256_ps(opaque), 4);
        if (_mm256_movemask_ps(_mm256_castsi256_ps(tinted)))
            t = _mm256_blendv_ps(t, Interpolate8(tints, node, tb, tg, tr), _mm256_castsi256_ps(tinted));
        __m256i a = _mm256_and_si256(_mm256_or_si256(opaque, tinted), full);
        const __m256i mixed = _mm256_xor_si256(_mm256_or_si256(_mm256_or_si256(clearAll, opaque), tinted), all);
        // Colours in mixed cells close round the screen colour are clear; the others measure their
        // colour difference through the lattice's A and B, and its thresholds.
        const __m256 vb = _mm256_sub_ps(c0, k0), vg = _mm256_sub_ps(c1, k1), vr = _mm256_sub_ps(c2, k2);
        const __m256 sq = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(vb, vb), _mm256_mul_ps(vg, vg)), _mm256_mul_ps(vr, vr));
        const __m256 close = _mm256_cmp_ps(sq, clearSq, _CMP_LT_OQ);
        t = _mm256_blendv_ps(t, noDespill, _mm256_and_ps(close, _mm256_castsi256_ps(mixed)));
        bool interpolated = false;
        __m256 nodeA = _mm256_setzero_ps(), nodeB = nodeA, nodeLo = nodeA, nodeTint = nodeA;
        if (_mm256_movemask_ps(_mm256_andnot_ps(close, _mm256_castsi256_ps(mixed)))) {
            NodeValues8(l, node, tb, tg, tr, nodeA, nodeB, nodeLo, nodeTint);
            interpolated = true;
            const __m256 m = _mm256_add_ps(_mm256_mul_ps(raw, nodeA), nodeB);
            __m256 opacity = KeyThreshold8(m, nodeLo);
            opacity = _mm256_andnot_ps(close, opacity);
            const __m256 shows = _mm256_cmp_ps(opacity, _mm256_setzero_ps(), _CMP_GT_OQ);
            const __m256 mixedTint = Select8(shows, nodeTint, noDespill);
            t = _mm256_blendv_ps(t, mixedTint, _mm256_castsi256_ps(mixed));
            a = _mm256_blendv_epi8(a, AlphaBytes8(opacity), mixed);
        }
        // Mix: LookToward for the pixels it looks at again.
        const __m256 notOpaque = _mm256_castsi256_ps(_mm256_xor_si256(_mm256_cmpeq_epi32(a, full), all));
        const __m256 clearNow = _mm256_castsi256_ps(_mm256_cmpeq_epi32(a, zero));
        // Among strands, what the key found opaque short of the subject's colour is a mix too, the
        // colours of opaque cells interpolated as those of the others.
        const __m256 openOpaque = _mm256_and_ps(_mm256_and_ps(known, amongStrands),
                                                _mm256_andnot_ps(notOpaque, _mm256_cmp_ps(along, outer, _CMP_LT_OQ)));
        const __m256 work = _mm256_or_ps(
            _mm256_andnot_ps(_mm256_and_ps(clearNow, stayClear), _mm256_and_ps(known, notOpaque)), openOpaque);
        if (_mm256_movemask_ps(work)) {
            // A colour of an opaque cell is not opaque here, away from strands, only where the box
            // settled it clear: left to the plain code, as rare as it is.
            if (_mm256_movemask_ps(_mm256_andnot_ps(amongStrands, _mm256_and_ps(work, _mm256_castsi256_ps(_mm256_or_si256(allOpaque, opaqueTints)))))) {
                rows.Key(src, bpp, light, x, x + 8, alpha, tint);
                rows.Mix(y, src, bpp, light, x, x + 8, alpha, tint);
                continue;
            }
            if (!interpolated) {
                NodeValues8(l, node, tb, tg, tr, nodeA, nodeB, nodeLo, nodeTint);
                interpolated = true;
            }
            const __m256 moved =
                _mm256_add_ps(raw, _mm256_mul_ps(_mm256_sub_ps(along, raw), _mm256_blendv_ps(share, strandShare, amongStrands)));
            const __m256 m = _mm256_add_ps(_mm256_mul_ps(moved, nodeA), nodeB);
            const __m256 strandLo8 = _mm256_add_ps(_mm256_mul_ps(openLo, nodeA), nodeB);
            const __m256 lowered = _mm256_and_ps(amongStrands, _mm256_cmp_ps(strandLo8, nodeLo, _CMP_LT_OQ));
            const __m256 lo = _mm256_blendv_ps(nodeLo, strandLo8, lowered);
            const __m256 opacity = _mm256_andnot_ps(_mm256_andnot_ps(lowered, close), KeyThreshold8(m, lo));
            const __m256 shows = _mm256_cmp_ps(opacity, _mm256_setzero_ps(), _CMP_GT_OQ);
            t = _mm256_blendv_ps(t, Select8(shows, nodeTint, noDespill), work);
            a = _mm256_blendv_epi8(a, AlphaBytes8(opacity), _mm256_castps_si256(work));
        }
        _mm256_storeu_ps(tint + x, t);
        const __m128i a16 = _mm_packus_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
        _mm_storel_epi64((__m128i*)(alpha + x), _mm_packus_epi16(a16, a16));
    }
    if (x < e1) {
        rows.Key(src, bpp, light, x, e1, alpha, tint);
        if (towards)
            rows.Mix(y, src, bpp, light, x, e1, alpha, tint);
    }
}

// CKeyLut::SeeThroughAt of 8 corrected colours.
KX_AVX2_INLINE __m256 SeeThrough8(const CKeyLut& l, __m256 c0, __m256 c1, __m256 c2)
{
    const __m256 perStep = _mm256_set1_ps(1 / kLutStep);
    const __m256 fb = _mm256_mul_ps(_mm256_sub_ps(c0, _mm256_set1_ps(l.origin[0])), perStep);
    const __m256 fg = _mm256_mul_ps(_mm256_sub_ps(c1, _mm256_set1_ps(l.origin[1])), perStep);
    const __m256 fr = _mm256_mul_ps(_mm256_sub_ps(c2, _mm256_set1_ps(l.origin[2])), perStep);
    const __m256i lowest = _mm256_setzero_si256(), highest = _mm256_set1_epi32(kLutN - 2), side = _mm256_set1_epi32(kLutN);
    const __m256i ib = _mm256_max_epi32(lowest, _mm256_min_epi32(_mm256_cvttps_epi32(fb), highest));
    const __m256i ig = _mm256_max_epi32(lowest, _mm256_min_epi32(_mm256_cvttps_epi32(fg), highest));
    const __m256i ir = _mm256_max_epi32(lowest, _mm256_min_epi32(_mm256_cvttps_epi32(fr), highest));
    const __m256 tb = Clamp01x8(_mm256_sub_ps(fb, _mm256_cvtepi32_ps(ib)));
    const __m256 tg = Clamp01x8(_mm256_sub_ps(fg, _mm256_cvtepi32_ps(ig)));
    const __m256 tr = Clamp01x8(_mm256_sub_ps(fr, _mm256_cvtepi32_ps(ir)));
    const __m256i n = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_add_epi32(_mm256_mullo_epi32(ib, side), ig), side), ir);
    const float* v = l.seeThrough;
    const int sg = kLutN, sb = kLutN * kLutN;
    const __m256 c00 = Lerp8(_mm256_i32gather_ps(v, n, 4), _mm256_i32gather_ps(v + 1, n, 4), tr);
    const __m256 c01 = Lerp8(_mm256_i32gather_ps(v + sg, n, 4), _mm256_i32gather_ps(v + sg + 1, n, 4), tr);
    const __m256 c10 = Lerp8(_mm256_i32gather_ps(v + sb, n, 4), _mm256_i32gather_ps(v + sb + 1, n, 4), tr);
    const __m256 c11 = Lerp8(_mm256_i32gather_ps(v + sb + sg, n, 4), _mm256_i32gather_ps(v + sb + sg + 1, n, 4), tr);
    return Lerp8(Lerp8(c00, c01, tg), Lerp8(c10, c11, tg), tb);
}

// RegionRows::Dark eight pixels at a time.
KX_AVX2 void DarkAvx2(const RegionRows& rows, int y, const BYTE* src, int bpp, const RowLight& light, int e0, int e1,
                      BYTE* alpha, float* tint)
{
    if (!rows.inside)
        return;
    const CKeyLut& l = *rows.lut;
    const float *g0 = light.g[0].data(), *g1 = light.g[1].data(), *g2 = light.g[2].data();
    const float *r0, *r1, *h0, *h1;
    float ty;
    rows.InsideRows(y, r0, r1, h0, h1, ty);
    const float* screen = light.b[rows.screenChannel].data();
    const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps(), half = _mm256_set1_ps(0.5f);
    const __m256 from = _mm256_set1_ps(kDarkFrom), range = _mm256_set1_ps(kDarkFrom - kDarkFull);
    const __m256 above = _mm256_set1_ps(1 - ty), below = _mm256_set1_ps(ty);
    const __m256 two = _mm256_set1_ps(2.0f), three = _mm256_set1_ps(3.0f), noDespill = _mm256_set1_ps(kNoDespill);
    const __m256i full = _mm256_set1_epi32(255), none = _mm256_setzero_si256(),
                  last = _mm256_set1_epi32(rows.inside->w - 1);
    int x = e0;
    for (; x + 8 <= e1; x += 8) {
        const __m256i a8 = _mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(alpha + x)));
        const __m256i settled = _mm256_or_si256(_mm256_cmpeq_epi32(a8, none), _mm256_cmpeq_epi32(a8, full));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(settled)) == 0xFF)
            continue;
        __m256i c[3];
        LoadPixels8(src + (size_t)x * bpp, bpp, c[0], c[1], c[2]);
        const __m256 level = _mm256_cvtepi32_ps(c[rows.screenChannel]);
        const __m256 s = _mm256_loadu_ps(screen + x);
        const __m256 open = _mm256_castsi256_ps(settled);
        __m256 darker = _mm256_andnot_ps(open, _mm256_cmp_ps(level, _mm256_mul_ps(from, s), _CMP_NGE_UQ));
        const __m256i i0 = _mm256_loadu_si256((const __m256i*)(rows.insideX.data() + x));
        const __m256i i1 = _mm256_min_epi32(_mm256_add_epi32(i0, _mm256_set1_epi32(1)), last);
        const __m256 t = _mm256_loadu_ps(rows.insideT.data() + x);
        __m256 held = zero;
        if (h0) {
            const __m256 top = Lerp8(_mm256_i32gather_ps(h0, i0, 4), _mm256_i32gather_ps(h0, i1, 4), t);
            const __m256 bottom = Lerp8(_mm256_i32gather_ps(h1, i0, 4), _mm256_i32gather_ps(h1, i1, 4), t);
            held = _mm256_andnot_ps(open, _mm256_add_ps(_mm256_mul_ps(top, above), _mm256_mul_ps(bottom, below)));
        }
        if (!_mm256_movemask_ps(darker) && !_mm256_movemask_ps(_mm256_cmp_ps(held, zero, _CMP_GT_OQ)))
            continue;
        const __m256 share = _mm256_div_ps(level, _mm256_max_ps(one, s));
        const __m256 top = Lerp8(_mm256_i32gather_ps(r0, i0, 4), _mm256_i32gather_ps(r0, i1, 4), t);
        const __m256 bottom = Lerp8(_mm256_i32gather_ps(r1, i0, 4), _mm256_i32gather_ps(r1, i1, 4), t);
        const __m256 in = _mm256_add_ps(_mm256_mul_ps(top, above), _mm256_mul_ps(bottom, below));
        darker = _mm256_and_ps(darker, _mm256_cmp_ps(in, zero, _CMP_NLE_UQ));
        __m256 dark = _mm256_min_ps(_mm256_div_ps(_mm256_sub_ps(from, share), range), one);
        dark = _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(dark, dark), _mm256_sub_ps(three, _mm256_mul_ps(two, dark))), in);
        dark = _mm256_max_ps(_mm256_and_ps(dark, darker), held);
        const __m256 work = _mm256_cmp_ps(dark, zero, _CMP_GT_OQ);
        if (!_mm256_movemask_ps(work))
            continue;
        if (l.anySeeThrough) {
            const __m256 top = _mm256_set1_ps(255.0f);
            const __m256 b = _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(c[0]), _mm256_loadu_ps(g0 + x)), top);
            const __m256 g = _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(c[1]), _mm256_loadu_ps(g1 + x)), top);
            const __m256 r = _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(c[2]), _mm256_loadu_ps(g2 + x)), top);
            dark = _mm256_mul_ps(dark, _mm256_sub_ps(one, SeeThrough8(l, b, g, r)));
        }
        const __m256 raised = _mm256_add_ps(
            _mm256_add_ps(_mm256_cvtepi32_ps(a8), _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(full, a8)), dark)), half);
        const __m256i a = _mm256_blendv_epi8(a8, _mm256_cvttps_epi32(raised), _mm256_castps_si256(work));
        const __m128i a16 = _mm_packus_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
        _mm_storel_epi64((__m128i*)(alpha + x), _mm_packus_epi16(a16, a16));
        const __m256 solid = _mm256_and_ps(work, _mm256_cmp_ps(dark, half, _CMP_GT_OQ));
        _mm256_storeu_ps(tint + x, _mm256_blendv_ps(_mm256_loadu_ps(tint + x), noDespill, solid));
    }
    if (x < e1)
        rows.Dark(y, src, bpp, light, x, e1, alpha, tint);
}

// The background of 8 pixels of row y at columns x.. as RegionRows::Compose takes it: the colour,
// and where the pixel is not opaque, the chequer or the picture's pixel.
KX_AVX2_INLINE void Backs8(const RegionRows& rows, int y, int x, __m256i notOpaque, const BYTE* r0, const BYTE* r1, int wy,
                           bool direct, __m256i& n0, __m256i& n1, __m256i& n2)
{
    n0 = _mm256_set1_epi32(rows.colour[0]);
    n1 = _mm256_set1_epi32(rows.colour[1]);
    n2 = _mm256_set1_epi32(rows.colour[2]);
    const int lanes = _mm256_movemask_ps(_mm256_castsi256_ps(notOpaque));
    if (!lanes)
        return;
    if (rows.mode == RegionRows::Checker) {
        const __m256i columns = _mm256_add_epi32(_mm256_set1_epi32(rows.extLeft + x), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        const __m256i odd = _mm256_and_si256(_mm256_add_epi32(_mm256_srli_epi32(columns, 3), _mm256_set1_epi32(y >> 3)),
                                             _mm256_set1_epi32(1));
        const __m256i shade = _mm256_blendv_epi8(_mm256_set1_epi32(153), _mm256_set1_epi32(204),
                                                 _mm256_cmpeq_epi32(odd, _mm256_set1_epi32(1)));
        n0 = _mm256_blendv_epi8(n0, shade, notOpaque);
        n1 = _mm256_blendv_epi8(n1, shade, notOpaque);
        n2 = _mm256_blendv_epi8(n2, shade, notOpaque);
        return;
    }
    if (rows.mode != RegionRows::Picture)
        return;
    // The picture's pixels one after another, as when it has the foreground's size: read as the
    // foreground's are.
    const int* off0 = rows.bgOff0.data() + x;
    const int step = off0[1] - off0[0];
    const __m256i run = _mm256_add_epi32(_mm256_set1_epi32(off0[0]),
                                         _mm256_mullo_epi32(_mm256_set1_epi32(step), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    if (direct && (step == 3 || step == 4) &&
        _mm256_movemask_epi8(_mm256_cmpeq_epi32(run, _mm256_loadu_si256((const __m256i*)off0))) == -1) {
        __m256i q0, q1, q2;
        LoadPixels8(r0 + off0[0], step, q0, q1, q2);
        n0 = _mm256_blendv_epi8(n0, q0, notOpaque);
        n1 = _mm256_blendv_epi8(n1, q1, notOpaque);
        n2 = _mm256_blendv_epi8(n2, q2, notOpaque);
        return;
    }
    alignas(32) int b[3][8];
    _mm256_store_si256((__m256i*)b[0], n0);
    _mm256_store_si256((__m256i*)b[1], n1);
    _mm256_store_si256((__m256i*)b[2], n2);
    for (int rest = lanes; rest; rest &= rest - 1) {
        const int i = __builtin_ctz(rest);
        BYTE n[3];
        rows.PictureBack(r0, r1, wy, direct, x + i, n);
        for (int c = 0; c < 3; ++c)
            b[c][i] = n[c];
    }
    n0 = _mm256_load_si256((const __m256i*)b[0]);
    n1 = _mm256_load_si256((const __m256i*)b[1]);
    n2 = _mm256_load_si256((const __m256i*)b[2]);
}

KX_AVX2_INLINE __m256i ToBytes8(__m256 v)
{
    const __m256 clamped = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    return _mm256_cvttps_epi32(_mm256_add_ps(clamped, _mm256_set1_ps(0.5f)));
}

// RegionRows::Compose eight pixels at a time, every case of it.
KX_AVX2 void ComposeAvx2(const RegionRows& rows, int y, const BYTE* src, int bpp, const RowLight& light, const BYTE* alpha,
                         const float* tint, int e0, int e1, BYTE* dst, const RowTowards* towards)
{
    const CKeyLut& l = *rows.lut;
    const __m256 w0 = _mm256_set1_ps(l.w[0]), w1 = _mm256_set1_ps(l.w[1]), w2 = _mm256_set1_ps(l.w[2]);
    const float *b0 = light.b[0].data(), *b1 = light.b[1].data(), *b2 = light.b[2].data();
    const float* lean = light.lean.data();
    const bool transparent = rows.mode == RegionRows::Transparent;
    const int dbpp = transparent ? 4 : 3;
    const BYTE *r0 = nullptr, *r1 = nullptr;
    int wy = 0;
    rows.PictureRows(y, r0, r1, wy);
    const bool direct = rows.mode == RegionRows::Picture && rows.bgWholeColumns && wy == 0;
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f), half = _mm256_set1_ps(kNoDespill * 0.5f);
    const __m256 perLevel = _mm256_set1_ps(1 / 255.0f);
    const __m256 defaultTint = _mm256_set1_ps(kDefaultTint), third = _mm256_set1_ps(1 / 3.0f);
    const __m256i full = _mm256_set1_epi32(255), none = _mm256_setzero_si256();
    int x = e0;
    for (; x + 8 <= e1; x += 8, dst += 8 * dbpp) {
        const __m256i a8 = _mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(alpha + x)));
        const __m256i clear = _mm256_cmpeq_epi32(a8, none);
        // Eight clear pixels (most of the screen) are the background alone.
        if (_mm256_movemask_ps(_mm256_castsi256_ps(clear)) == 0xFF) {
            if (transparent) {
                StorePixels8(dst, 4, none, none, none, none);
                continue;
            }
            __m256i n0, n1, n2;
            Backs8(rows, y, x, _mm256_set1_epi32(-1), r0, r1, wy, direct, n0, n1, n2);
            StorePixels8(dst, 3, n0, n1, n2, full);
            continue;
        }
        __m256i p0, p1, p2;
        LoadPixels8(src + (size_t)x * bpp, bpp, p0, p1, p2);
        const __m256 t = _mm256_loadu_ps(tint + x);
        const __m256 ln = _mm256_loadu_ps(lean + x);
        const __m256 f0 = _mm256_cvtepi32_ps(p0), f1 = _mm256_cvtepi32_ps(p1), f2 = _mm256_cvtepi32_ps(p2);
        const __m256i opaque = _mm256_cmpeq_epi32(a8, full);
        __m256i despill = AsMask(_mm256_cmp_ps(t, half, _CMP_LT_OQ));
        const bool anyDespill = _mm256_movemask_ps(_mm256_castsi256_ps(despill)) != 0;
        // The lean the subject's colour may keep, as the plain code has it.
        __m256 eS = _mm256_mul_ps(t, ln);
        const __m256 s0 = _mm256_loadu_ps(b0 + x), s1 = _mm256_loadu_ps(b1 + x), s2 = _mm256_loadu_ps(b2 + x);
        if (towards && anyDespill) {
            const __m256 unknown = _mm256_blendv_ps(_mm256_loadu_ps(towards->unknown.data() + x),
                                                    _mm256_loadu_ps(towards->unknownOpaque.data() + x), _mm256_castsi256_ps(opaque));
            const __m256 local = _mm256_add_ps(
                _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_loadu_ps(towards->lean[0].data() + x), s0),
                                                          _mm256_mul_ps(_mm256_loadu_ps(towards->lean[1].data() + x), s1)),
                                            _mm256_mul_ps(_mm256_loadu_ps(towards->lean[2].data() + x), s2)),
                              unknown),
                _mm256_mul_ps(_mm256_sub_ps(t, defaultTint), ln));
            eS = _mm256_min_ps(local, eS);
        }
        // An opaque pixel that leans the screen's way no further than that is itself.
        const __m256 leanP = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(f0, w0), _mm256_mul_ps(f1, w1)), _mm256_mul_ps(f2, w2));
        const __m256i leansOut = AsMask(_mm256_and_ps(_mm256_cmp_ps(ln, one, _CMP_GT_OQ), _mm256_cmp_ps(leanP, eS, _CMP_GT_OQ)));
        despill = _mm256_andnot_si256(_mm256_andnot_si256(leansOut, opaque), despill);
        const __m256i itself = _mm256_andnot_si256(despill, opaque);
        if (_mm256_movemask_ps(_mm256_castsi256_ps(itself)) == 0xFF) {
            if (bpp == 3 && dbpp == 3)
                memcpy(dst, src + (size_t)x * 3, 24);
            else
                StorePixels8(dst, dbpp, p0, p1, p2, full);
            continue;
        }
        const __m256i notOpaque = _mm256_xor_si256(opaque, _mm256_set1_epi32(-1));
        __m256i n0, n1, n2;
        Backs8(rows, y, x, transparent ? none : notOpaque, r0, r1, wy, direct, n0, n1, n2);
        // The subject's own colour: the screen's share taken away, then what still leans the
        // screen's way beyond the tolerance.
        const __m256 a = _mm256_mul_ps(_mm256_cvtepi32_ps(a8), perLevel), k = _mm256_sub_ps(one, a);
        const __m256 seen = _mm256_castsi256_ps(notOpaque);
        __m256 c0 = _mm256_blendv_ps(f0, _mm256_max_ps(_mm256_sub_ps(f0, _mm256_mul_ps(k, s0)), zero), seen);
        __m256 c1 = _mm256_blendv_ps(f1, _mm256_max_ps(_mm256_sub_ps(f1, _mm256_mul_ps(k, s1)), zero), seen);
        __m256 c2 = _mm256_blendv_ps(f2, _mm256_max_ps(_mm256_sub_ps(f2, _mm256_mul_ps(k, s2)), zero), seen);
        if (_mm256_movemask_ps(_mm256_castsi256_ps(despill))) {
            const __m256 e = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(c0, w0), _mm256_mul_ps(c1, w1)), _mm256_mul_ps(c2, w2));
            const __m256 kept = _mm256_mul_ps(a, eS), room = _mm256_sub_ps(ln, eS);
            const __m256 spilt = _mm256_and_ps(
                _mm256_castsi256_ps(despill),
                _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(ln, one, _CMP_GT_OQ), _mm256_cmp_ps(e, kept, _CMP_GT_OQ)),
                              _mm256_cmp_ps(room, one, _CMP_GT_OQ)));
            if (_mm256_movemask_ps(spilt)) {
                const __m256 f = _mm256_min_ps(_mm256_div_ps(_mm256_sub_ps(e, kept), room), a);
                const __m256 grey = _mm256_mul_ps(_mm256_add_ps(_mm256_add_ps(s0, s1), s2), third);
                c0 = _mm256_blendv_ps(c0, _mm256_max_ps(_mm256_sub_ps(c0, _mm256_mul_ps(f, _mm256_sub_ps(s0, grey))), zero), spilt);
                c1 = _mm256_blendv_ps(c1, _mm256_max_ps(_mm256_sub_ps(c1, _mm256_mul_ps(f, _mm256_sub_ps(s1, grey))), zero), spilt);
                c2 = _mm256_blendv_ps(c2, _mm256_max_ps(_mm256_sub_ps(c2, _mm256_mul_ps(f, _mm256_sub_ps(s2, grey))), zero), spilt);
            }
        }
        __m256i o0, o1, o2;
        if (transparent) {
            const __m256 inv = _mm256_div_ps(one, a);
            o0 = ToBytes8(_mm256_mul_ps(c0, inv));
            o1 = ToBytes8(_mm256_mul_ps(c1, inv));
            o2 = ToBytes8(_mm256_mul_ps(c2, inv));
            // Clear pixels are all 0, opaque ones themselves.
            o0 = _mm256_andnot_si256(clear, _mm256_blendv_epi8(o0, p0, itself));
            o1 = _mm256_andnot_si256(clear, _mm256_blendv_epi8(o1, p1, itself));
            o2 = _mm256_andnot_si256(clear, _mm256_blendv_epi8(o2, p2, itself));
            StorePixels8(dst, 4, o0, o1, o2, a8);
            continue;
        }
        o0 = ToBytes8(_mm256_add_ps(c0, _mm256_mul_ps(k, _mm256_cvtepi32_ps(n0))));
        o1 = ToBytes8(_mm256_add_ps(c1, _mm256_mul_ps(k, _mm256_cvtepi32_ps(n1))));
        o2 = ToBytes8(_mm256_add_ps(c2, _mm256_mul_ps(k, _mm256_cvtepi32_ps(n2))));
        o0 = _mm256_blendv_epi8(_mm256_blendv_epi8(o0, n0, clear), p0, itself);
        o1 = _mm256_blendv_epi8(_mm256_blendv_epi8(o1, n1, clear), p1, itself);
        o2 = _mm256_blendv_epi8(_mm256_blendv_epi8(o2, n2, clear), p2, itself);
        StorePixels8(dst, 3, o0, o1, o2, full);
    }
    if (x < e1)
        rows.Compose(y, src, bpp, light, alpha, tint, x, e1, dst, towards);
}

// The row kernels of the level the CPU runs.
template <int parts = RegionRows::AllLight>
void LightRow(const RegionRows& rows, int y, RowLight& light, int c0, int c1)
{
    if (rows.avx2)
        rows.LightAvx2<parts>(y, light, c0, c1);
    else
        rows.Light<parts>(y, light, c0, c1);
}

// The key of a row, then the mixes along the subject's ways (towards: the row's, kept from one
// row to the next).
void KeyRow(const RegionRows& rows, int y, const BYTE* src, int bpp, const RowLight& light, RowTowards& towards, int e0,
            int e1, BYTE* alpha, float* tint)
{
    if (rows.avx2) {
        KeyAvx2(rows, y, src, bpp, light, rows.TowardsRow(y, towards) ? &towards : nullptr, e0, e1, alpha, tint);
        return;
    }
    rows.Key(src, bpp, light, e0, e1, alpha, tint);
    rows.Mix(y, src, bpp, light, e0, e1, alpha, tint);
}

void DarkRow(const RegionRows& rows, int y, const BYTE* src, int bpp, const RowLight& light, int e0, int e1, BYTE* alpha,
             float* tint)
{
    if (rows.avx2)
        DarkAvx2(rows, y, src, bpp, light, e0, e1, alpha, tint);
    else
        rows.Dark(y, src, bpp, light, e0, e1, alpha, tint);
    rows.HeldColours(y, e0, e1, alpha, tint);
}

// The composite of a row; towards keeps the ways of the row's cells from one row to the next.
void ComposeRow(const RegionRows& rows, int y, const BYTE* src, int bpp, const RowLight& light, const BYTE* alpha,
                const float* tint, int e0, int e1, BYTE* dst, RowTowards& towards)
{
    const RowTowards* ways = rows.TowardsRow(y, towards) ? &towards : nullptr;
    if (rows.avx2)
        ComposeAvx2(rows, y, src, bpp, light, alpha, tint, e0, e1, dst, ways);
    else
        rows.Compose(y, src, bpp, light, alpha, tint, e0, e1, dst, ways);
}

// Whether any of n opacities is not clear: a stretch all clear (of the screen alone) needs no
// more of the light than its key took, and has no dark pixels.
bool AnyShows(const BYTE* alpha, int n)
{
    unsigned long long any = 0;
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        unsigned long long eight;
        memcpy(&eight, alpha + x, 8);
        any |= eight;
    }
    for (; x < n; ++x)
        any |= alpha[x];
    return any != 0;
}

// A row's passes go through it a stretch of columns at a time, so that the stretch's light,
// colours, opacities and tints stay in the cache from one pass to the next: the light of a whole
// row of a large picture is several times the cache nearest the processor.
const int kStretch = 512;

// The key of the columns e0 .. e1 - 1 of row y with its mixes and dark pixels, stretch by stretch;
// the stretches that show anything also take the light's parts named by backs (the screen's
// colour at least, which the dark pixels need).
template <int backs = RegionRows::Backs>
void KeyLine(const RegionRows& rows, int y, const BYTE* src, int bpp, RowLight& light, RowTowards& towards, int e0,
             int e1, BYTE* alpha, float* tint)
{
    static_assert(backs & RegionRows::Backs, "the dark pixels are found on the screen's colour");
    for (int c0 = e0; c0 < e1; c0 += kStretch) {
        const int c1 = std::min(e1, c0 + kStretch);
        LightRow<RegionRows::Gains>(rows, y, light, c0, c1);
        KeyRow(rows, y, src, bpp, light, towards, c0, c1, alpha, tint);
        if (AnyShows(alpha + c0, c1 - c0)) {
            LightRow<backs>(rows, y, light, c0, c1);
            DarkRow(rows, y, src, bpp, light, c0, c1, alpha, tint);
        }
    }
}

// The composite of the columns e0 .. e1 - 1 of row y into dst (the pixel of column e0), stretch
// by stretch.
void ComposeLine(const RegionRows& rows, int y, const BYTE* src, int bpp, RowLight& light, const BYTE* alpha,
                 const float* tint, int e0, int e1, BYTE* dst, RowTowards& towards)
{
    const int dbpp = rows.mode == RegionRows::Transparent ? 4 : 3;
    for (int c0 = e0; c0 < e1; c0 += kStretch) {
        const int c1 = std::min(e1, c0 + kStretch);
        if (AnyShows(alpha + c0, c1 - c0))
            LightRow<RegionRows::Backs | RegionRows::Leans>(rows, y, light, c0, c1);
        ComposeRow(rows, y, src, bpp, light, alpha, tint, c0, c1, dst + (size_t)(c0 - e0) * dbpp, towards);
    }
}

// The shaped path keeps a row's tint tolerances as bytes while the matte is shaped.
void TintBytesRow(const RegionRows& rows, const float* tint, int n, BYTE* out)
{
    if (rows.avx2) {
        TintBytesAvx2(tint, n, out);
        return;
    }
    for (int x = 0; x < n; ++x)
        out[x] = TintByte(tint[x]);
}

const float* TintTable()
{
    static const std::vector<float> table = [] {
        std::vector<float> t(256);
        for (int b = 0; b < 256; ++b)
            t[b] = TintOf((BYTE)b);
        return t;
    }();
    return table.data();
}

void TintsOfBytesRow(const RegionRows& rows, const BYTE* bytes, int n, float* tint)
{
    const float* table = TintTable();
    if (rows.avx2) {
        TintsOfBytesAvx2(table, bytes, n, tint);
        return;
    }
    for (int x = 0; x < n; ++x)
        tint[x] = table[bytes[x]];
}

// Shares out the opacity of the mixed pixels of a matte by the brightness, for a picture whose
// colour is blurrier than its brightness. Near a mixed pixel the subject's brightness F and the
// screen's S are taken as even, so the opacity is (Y - S) / (F - S) for the brightness Y, and the
// blurred opacities the colour gave keep their sum over a small window: F - S is the window's sum
// of Y - S over its sum of opacities. Where F - S is small the brightness tells too little and
// the pixel keeps its opacity.
//
// The rows of the matte of an extent ext of the picture source enter one by one, as the key left
// them; each row is shared out once the kDetailRadius rows after it have entered (windows end at
// the extent's edges). Mixed pixels are a small share of a picture: the rows are looked at in
// blocks of columns, and only the blocks near mixed pixels are worked on.
class CBrightnessRing
{
public:
    // Takes all its memory here.
    CBrightnessRing(const RegionRows& rows, const CDib& source, const CRect& ext)
        : m_rows(rows), m_source(source), m_ext(ext), m_ew(ext.Width()), m_eh(ext.Height()),
          m_blocks((m_ew + kBlockSide - 1) / kBlockSide), m_groups((m_ew + kGroupSide - 1) / kGroupSide),
          m_was((size_t)kRing * m_ew), m_lift((size_t)kRing * m_ew), m_mixed((size_t)kRing * m_blocks),
          m_lifted((size_t)kRing * m_groups), m_screen((size_t)kRing * rows.mapW),
          m_rowOf(kRing, -1), m_cellOf(m_ew), m_columnOpacity(kBlockSide + 2 * kDetailRadius),
          m_columnLift(kBlockSide + 2 * kDetailRadius)
    {
        if (rows.avx2) {
            m_paddedOpacity.resize(kPadded);
            m_paddedLift.resize(kPadded);
        }
        for (const RegionRows::Run& run : rows.runs)
            for (int x = run.begin; x < run.end; ++x)
                m_cellOf[x] = run.m0;
    }

    // Row yy of the extent enters: its opacities, and which blocks hold mixed pixels.
    void Enter(int yy, const BYTE* row)
    {
        const int slot = yy % kRing;
        BYTE* keep = &m_was[(size_t)slot * m_ew];
        memcpy(keep, row, m_ew);
        m_rowOf[slot] = yy;
        BYTE* m = &m_mixed[(size_t)slot * m_blocks];
        for (int k = 0; k < m_blocks; ++k) {
            const int x0 = k * kBlockSide, x1 = std::min(m_ew, x0 + kBlockSide);
            bool any = false;
            int x = x0;
            for (; x + 8 <= x1 && !any; x += 8) {
                unsigned long long eight;
                memcpy(&eight, keep + x, 8);
                any = ((eight ^ (eight << 1)) & 0xFEFEFEFEFEFEFEFEull) != 0;
            }
            for (; x < x1 && !any; ++x)
                any = (BYTE)(keep[x] - 1) < 254;
            m[k] = any;
        }
        std::fill(&m_lifted[(size_t)slot * m_groups], &m_lifted[(size_t)slot * m_groups] + m_groups, 0);
        // The screen's brightness at the light map's cells along this row.
        int y0;
        float ty;
        GridPos(m_ext.top + yy, m_rows.pictureHeight, m_rows.mapH, y0, ty);
        const int y1 = std::min(y0 + 1, m_rows.mapH - 1), mapW = m_rows.mapW;
        for (int c = 0; c < mapW; ++c) {
            const float* s0 = &m_rows.backs[3 * ((size_t)y0 * mapW + c)];
            const float* s1 = &m_rows.backs[3 * ((size_t)y1 * mapW + c)];
            m_screen[(size_t)slot * mapW + c] = kWb * (s0[0] * (1 - ty) + s1[0] * ty) + kWg * (s0[1] * (1 - ty) + s1[1] * ty) +
                                               kWr * (s0[2] * (1 - ty) + s1[2] * ty);
        }
    }

    // Row y as it entered.
    const BYTE* Row(int y) const { return &m_was[(size_t)(y % kRing) * m_ew]; }

    // Shares out the mixed pixels of row y into out (which holds the row as it entered).
    void Share(int y, BYTE* out)
    {
        const int r = kDetailRadius, ew = m_ew;
        const int y0 = std::max(0, y - r), y1 = std::min(m_eh - 1, y + r), n = y1 - y0 + 1;
        const int own = y % kRing;
        const BYTE* ownWas = &m_was[(size_t)own * ew];
        const float* ownLift = &m_lift[(size_t)own * ew];
        const BYTE* ownMixed = &m_mixed[(size_t)own * m_blocks];
        const BYTE* wasRows[2 * kDetailRadius + 1];
        const float* liftRows[2 * kDetailRadius + 1];
        for (int i = 0; i < n; ++i) {
            wasRows[i] = &m_was[(size_t)((y0 + i) % kRing) * ew];
            liftRows[i] = &m_lift[(size_t)((y0 + i) % kRing) * ew];
        }
        for (int k = 0; k < m_blocks; ++k) {
            if (!ownMixed[k])
                continue;
            // The columns the windows of this block reach, in every row of the windows.
            const int g0 = std::max(0, k * kBlockSide - r) / kGroupSide;
            const int g1 = (std::min(ew, (k + 1) * kBlockSide + r) - 1) / kGroupSide;
            for (int i = 0; i < n; ++i)
                for (int g = g0; g <= g1; ++g)
                    Lifts((y0 + i) % kRing, g);
            if (m_rows.avx2) {
                ShareBlockAvx2(k, n, wasRows, liftRows, ownWas, ownLift, out);
                continue;
            }
            // The window's columns summed down, then along.
            const int x0 = k * kBlockSide, x1 = std::min(ew, x0 + kBlockSide);
            const int c0 = std::max(0, x0 - r), c1 = std::min(ew, x1 + r);
            for (int c = c0; c < c1; ++c) {
                int a = 0;
                float l = 0;
                for (int i = 0; i < n; ++i) {
                    a += wasRows[i][c];
                    l += liftRows[i][c];
                }
                m_columnOpacity[c - c0] = a;
                m_columnLift[c - c0] = l;
            }
            for (int x = x0; x < x1; ++x) {
                if ((BYTE)(ownWas[x] - 1) >= 254)
                    continue;
                int opacity = 0;
                float sum = 0;
                for (int c = std::max(0, x - r); c <= std::min(ew - 1, x + r); ++c) {
                    opacity += m_columnOpacity[c - c0];
                    sum += m_columnLift[c - c0];
                }
                out[x] = SharedByte(ownWas[x], ownLift[x], opacity, sum, out[x]);
            }
        }
    }

private:
    // Rows are looked at in blocks of columns for mixed pixels, and their brightness is found in
    // smaller groups, as far as the windows reach.
    static const int kRing = 2 * kDetailRadius + 1, kBlockSide = 32, kGroupSide = 8;
    // The AVX2 path's window columns of a block, in whole eights and the columns before the
    // extent's first.
    static const int kPadded = (kBlockSide + 2 * kDetailRadius + 7) / 8 * 8 + kDetailRadius;
    static constexpr float kWb = 0.114f, kWg = 0.587f, kWr = 0.299f;

    // A mixed pixel of opacity was and brightness lift above the screen's, shared out by its
    // window's sums of opacities and lifts (ShareBlockAvx2 does it eight at a time: a change here
    // goes there too); unchanged (kept) where the window's contrast tells too little, which for
    // a faint pixel the brightness would make clearer is less than for the others.
    static BYTE SharedByte(BYTE was, float lift, int opacity, float sum, BYTE kept)
    {
        // F - S, from the window.
        const float contrast = sum * 255 / opacity;
        const float a = was * (1 / 255.0f);
        const float shared = Clamp01(lift / contrast);
        float trust = std::max(kDetailTrust * Clamp01(std::fabs(contrast) / kDetailContrast - 1),
                               Clamp01(std::fabs(contrast) / kDetailFull - 1));
        if (shared < a)
            trust = std::max(trust, Clamp01(std::fabs(contrast) / kClearContrast - 1) *
                                        Clamp01((kFaintTo - a) * kFaintSlope));
        if (trust <= 0)
            return kept;
        return AlphaByte(a + (shared - a) * trust);
    }

    // The brightness above the screen's of a group of columns of a row in the ring, once.
    void Lifts(int slot, int group)
    {
        if (m_lifted[(size_t)slot * m_groups + group])
            return;
        m_lifted[(size_t)slot * m_groups + group] = 1;
        const int x0 = group * kGroupSide, x1 = std::min(m_ew, x0 + kGroupSide);
        const int sbpp = m_source.GetBitsPerPixel() / 8;
        const BYTE* p = m_source.GetLine(m_ext.top + m_rowOf[slot]) + ((size_t)m_ext.left + x0) * sbpp;
        const float* sc = &m_screen[(size_t)slot * m_rows.mapW];
        float* l = &m_lift[(size_t)slot * m_ew];
        const int last = m_rows.mapW - 1;
        int x = x0;
        if (m_rows.avx2)
            x = LiftsAvx2(x0, x1, p, sbpp, sc, l);
        for (p += (size_t)(x - x0) * sbpp; x < x1; ++x, p += sbpp) {
            const int c = m_cellOf[x];
            const float back = sc[c] + (sc[std::min(c + 1, last)] - sc[c]) * m_rows.mapT[x];
            l[x] = kWb * p[0] + kWg * p[1] + kWr * p[2] - back;
        }
    }

    const RegionRows& m_rows;
    // Lifts for the columns x0 .. x1 - 1 (p at x0's pixel) eight at a time, the same values; the
    // column it stopped at.
    KX_AVX2 int LiftsAvx2(int x0, int x1, const BYTE* p, int sbpp, const float* sc, float* l) const
    {
        const __m256i last = _mm256_set1_epi32(m_rows.mapW - 1);
        int x = x0;
        for (; x + 8 <= x1; x += 8, p += 8 * sbpp) {
            __m256i c0, c1, c2;
            LoadPixels8(p, sbpp, c0, c1, c2);
            // The light map's cells are far wider than eight columns: mostly one cell for all.
            __m256 s0, s1;
            const int c = m_cellOf[x];
            if (m_cellOf[x + 7] == c) {
                s0 = _mm256_set1_ps(sc[c]);
                s1 = _mm256_set1_ps(sc[std::min(c + 1, m_rows.mapW - 1)]);
            } else {
                const __m256i cell = _mm256_loadu_si256((const __m256i*)&m_cellOf[x]);
                s0 = _mm256_i32gather_ps(sc, cell, 4);
                s1 = _mm256_i32gather_ps(sc, _mm256_min_epi32(_mm256_add_epi32(cell, _mm256_set1_epi32(1)), last), 4);
            }
            const __m256 back = Lerp8(s0, s1, _mm256_loadu_ps(&m_rows.mapT[x]));
            const __m256 y = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(kWb), _mm256_cvtepi32_ps(c0)),
                                                         _mm256_mul_ps(_mm256_set1_ps(kWg), _mm256_cvtepi32_ps(c1))),
                                           _mm256_mul_ps(_mm256_set1_ps(kWr), _mm256_cvtepi32_ps(c2)));
            _mm256_storeu_ps(l + x, _mm256_sub_ps(y, back));
        }
        return x;
    }

    // Share's work on block k, eight pixels at a time, the same bytes: the window's columns summed
    // down into sums that are 0 beyond the extent's edges (adding those changes no sum), then along.
    KX_AVX2 void ShareBlockAvx2(int k, int n, const BYTE* const* wasRows, const float* const* liftRows, const BYTE* ownWas,
                                const float* ownLift, BYTE* out)
    {
        const int r = kDetailRadius, ew = m_ew;
        const int x0 = k * kBlockSide, x1 = std::min(ew, x0 + kBlockSide), first = x0 - r, width = x1 - x0 + 2 * r;
        int* opacity = m_paddedOpacity.data();
        float* lift = m_paddedLift.data();
        // Whole eights from the extent's first column where they lie in the extent (past the
        // window's last column too: what is summed there is not read).
        const int start = std::max(0, -first);
        int j = start;
        for (; j < width && first + j + 8 <= ew; j += 8) {
            __m256i a = _mm256_setzero_si256();
            __m256 sum = _mm256_setzero_ps();
            for (int i = 0; i < n; ++i) {
                a = _mm256_add_epi32(a, _mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(wasRows[i] + first + j))));
                sum = _mm256_add_ps(sum, _mm256_loadu_ps(liftRows[i] + first + j));
            }
            _mm256_storeu_si256((__m256i*)(opacity + j), a);
            _mm256_storeu_ps(lift + j, sum);
        }
        for (int jj = 0; jj < width; ++jj) {
            if (jj < start || jj >= j) {
                const int c = first + jj;
                int a = 0;
                float sum = 0;
                for (int i = 0; c >= 0 && c < ew && i < n; ++i) {
                    a += wasRows[i][c];
                    sum += liftRows[i][c];
                }
                opacity[jj] = a;
                lift[jj] = sum;
            }
        }
        const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
        const __m256 signless = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
        const __m256i lowBytes = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                  0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
        int x = x0;
        for (; x + 8 <= x1; x += 8) {
            const __m256i was = _mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(ownWas + x)));
            // Mixed: 1 .. 254.
            const __m256i mixed = _mm256_andnot_si256(_mm256_cmpeq_epi32(was, _mm256_setzero_si256()),
                                                      _mm256_cmpgt_epi32(_mm256_set1_epi32(255), was));
            if (_mm256_testz_si256(mixed, mixed))
                continue;
            __m256i a = _mm256_setzero_si256();
            __m256 sum = zero;
            for (int d = 0; d <= 2 * r; ++d) {
                a = _mm256_add_epi32(a, _mm256_loadu_si256((const __m256i*)(opacity + x - x0 + d)));
                sum = _mm256_add_ps(sum, _mm256_loadu_ps(lift + x - x0 + d));
            }
            const __m256 contrast = _mm256_div_ps(_mm256_mul_ps(sum, _mm256_set1_ps(255.0f)), _mm256_cvtepi32_ps(a));
            const __m256 size = _mm256_and_ps(contrast, signless);
            const __m256 own = _mm256_mul_ps(_mm256_cvtepi32_ps(was), _mm256_set1_ps(1 / 255.0f));
            const __m256 shared = Clamp01x8(_mm256_div_ps(_mm256_loadu_ps(ownLift + x), contrast));
            const __m256 trust = _mm256_max_ps(
                _mm256_max_ps(_mm256_mul_ps(_mm256_set1_ps(kDetailTrust),
                                            Clamp01x8(_mm256_sub_ps(_mm256_div_ps(size, _mm256_set1_ps(kDetailContrast)), one))),
                              Clamp01x8(_mm256_sub_ps(_mm256_div_ps(size, _mm256_set1_ps(kDetailFull)), one))),
                _mm256_and_ps(_mm256_cmp_ps(shared, own, _CMP_LT_OQ),
                              _mm256_mul_ps(Clamp01x8(_mm256_sub_ps(_mm256_div_ps(size, _mm256_set1_ps(kClearContrast)), one)),
                                            Clamp01x8(_mm256_mul_ps(_mm256_sub_ps(_mm256_set1_ps(kFaintTo), own),
                                                                    _mm256_set1_ps(kFaintSlope))))));
            const __m256i change = _mm256_and_si256(mixed, AsMask(_mm256_cmp_ps(trust, zero, _CMP_GT_OQ)));
            if (_mm256_testz_si256(change, change))
                continue;
            const __m256i now = AlphaBytes8(_mm256_add_ps(own, _mm256_mul_ps(_mm256_sub_ps(shared, own), trust)));
            const __m256i before = _mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(out + x)));
            const __m256i bytes = _mm256_shuffle_epi8(_mm256_blendv_epi8(before, now, change), lowBytes);
            const int low = _mm256_extract_epi32(bytes, 0), high = _mm256_extract_epi32(bytes, 4);
            memcpy(out + x, &low, 4);
            memcpy(out + x + 4, &high, 4);
        }
        for (; x < x1; ++x) {
            if ((BYTE)(ownWas[x] - 1) >= 254)
                continue;
            int a = 0;
            float sum = 0;
            for (int d = 0; d <= 2 * r; ++d) {
                a += opacity[x - x0 + d];
                sum += lift[x - x0 + d];
            }
            out[x] = SharedByte(ownWas[x], ownLift[x], a, sum, out[x]);
        }
    }

    const CDib& m_source;
    const CRect m_ext;
    const int m_ew, m_eh, m_blocks, m_groups;
    std::vector<BYTE> m_was;        // the rows round the one being shared out, as they entered
    std::vector<float> m_lift;      // and their brightness above the screen's, by group
    std::vector<BYTE> m_mixed, m_lifted;
    std::vector<float> m_screen;    // the screen's brightness at the light map's cells, a row
    std::vector<int> m_rowOf, m_cellOf;
    std::vector<int> m_columnOpacity;
    std::vector<float> m_columnLift;
    std::vector<int> m_paddedOpacity;    // the AVX2 path's window columns, column x0 - kDetailRadius first
    std::vector<float> m_paddedLift;
};

} // namespace

bool CKeyEngine::KeyRegion(const CDib& source, double scale, const CRect& rcIn, const KEYBACK& back,
                           const KEYOUTPUT& out) const
{
    try {
        return KeyRegionOf(source, scale, rcIn, back, out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CKeyEngine::KeyRegionOf(const CDib& source, double scale, const CRect& rcIn, const KEYBACK& back,
                             const KEYOUTPUT& out) const
{
    if (!source.IsValid())
        return false;
    const int sw = source.GetWidth(), sh = source.GetHeight(), sbpp = source.GetBitsPerPixel() / 8;
    CRect rc = rcIn;
    rc.IntersectRect(rc, CRect(0, 0, sw, sh));
    if (rc.IsRectEmpty())
        return false;
    const int rw = rc.Width(), rh = rc.Height();
    const bool transparent = back.mode == KEYBACK::Transparent;
    if (out.composite && !out.composite->Create(rw, rh, transparent ? 32 : 24))
        return false;
    if (out.mask && !out.mask->Create(rw, rh, 24))
        return false;
    const CState& s = *m_pState;

    // The spatial shaping of the matte, in pixels of this level.
    const int shrinkR = s.keyed ? (int)std::lround(s.shrink / 10.0 * scale) : 0;
    const int blurR = s.keyed ? (int)std::lround(s.defocus / 5.0 * scale) : 0;
    const bool spatial = shrinkR > 0 || blurR > 0;
    // Brightness shares out the opacity of mixed pixels at full size only: a reduced picture's
    // colour is as sharp as its brightness.
    const int detailR = s.keyed && m_bColourBlurred && scale >= 1 ? kDetailRadius : 0;
    const int margin = (spatial ? shrinkR + 2 * blurR + 1 : 0) + detailR;
    CRect ext(rc.left - margin, rc.top - margin, rc.right + margin, rc.bottom + margin);
    ext.IntersectRect(ext, CRect(0, 0, sw, sh));
    const int ew = ext.Width(), eh = ext.Height();

    RegionRows rows;
    rows.lut = m_pLut.get();
    rows.avx2 = KxCpuHasAvx2();
    // Without the box (out of memory for it) every colour is looked up, to the same result.
    if ((long long)ew * eh >= kBoxMinPixels && s.keyed)
        rows.box = Box();
    rows.extLeft = ext.left;
    rows.ew = ew;
    rows.pictureHeight = sh;
    rows.inside = s.keyed ? Inside() : nullptr;
    if (rows.inside) {
        rows.screenChannel = s.sc;
        rows.insideX.resize(ew);
        rows.insideT.resize(ew);
        for (int x = 0; x < ew; ++x)
            GridPos(ext.left + x, sw, rows.inside->w, rows.insideX[x], rows.insideT[x]);
        const int cells = rows.inside->w;
        rows.cellBegin.assign(cells + 1, ew);
        rows.cellOf.resize(ew);
        for (int x = ew - 1; x >= 0; --x) {
            rows.cellOf[x] = std::min(rows.insideX[x] + (rows.insideT[x] >= 0.5f ? 1 : 0), cells - 1);
            rows.cellBegin[rows.cellOf[x]] = x;
        }
        for (int c = cells - 1; c >= 0; --c)
            rows.cellBegin[c] = std::min(rows.cellBegin[c], rows.cellBegin[c + 1]);
    }
    rows.mapW = std::max(1, m_map.w);
    rows.mapH = std::max(1, m_map.h);
    const int cells = rows.mapW * rows.mapH;
    if (m_map.w)
        rows.gains = m_map.gains;
    else
        rows.gains.assign(3 * (size_t)cells, 1.0f);
    rows.backs.resize(3 * (size_t)cells);
    for (int cell = 0; cell < cells; ++cell)
        for (int i = 0; i < 3; ++i)
            rows.backs[3 * cell + i] = m_pLut->key[i] / std::max(rows.gains[3 * cell + i], 1e-3f);
    rows.mapT.resize(ew);
    for (int x = 0; x < ew; ++x) {
        int m0;
        GridPos(ext.left + x, sw, rows.mapW, m0, rows.mapT[x]);
        if (rows.runs.empty() || rows.runs.back().m0 != m0)
            rows.runs.push_back({x, x + 1, m0, std::min(m0 + 1, rows.mapW - 1)});
        else
            rows.runs.back().end = x + 1;
    }
    const bool picture = back.mode == KEYBACK::Picture && back.picture && back.picture->IsValid();
    rows.mode = picture ? RegionRows::Picture
              : back.mode == KEYBACK::Checker ? RegionRows::Checker
              : transparent ? RegionRows::Transparent : RegionRows::Colour;
    std::copy(back.colour, back.colour + 3, rows.colour);
    if (picture) {
        rows.picture = back.picture;
        rows.bgH = back.picture->GetHeight();
        rows.bgOffsetY = back.offsetY;
        rows.bgScale = back.scale;
        const int bgW = back.picture->GetWidth(), bgBpp = back.picture->GetBitsPerPixel() / 8;
        rows.bgOff0.resize(ew);
        rows.bgOff1.resize(ew);
        rows.bgWeight.resize(ew);
        for (int x = 0; x < ew; ++x) {
            int b0;
            float t;
            BackPos(ext.left + x, back.offsetX, back.scale, bgW, b0, t);
            rows.bgOff0[x] = b0 * bgBpp;
            rows.bgOff1[x] = std::min(b0 + 1, bgW - 1) * bgBpp;
            rows.bgWeight[x] = (int)(t * 256 + 0.5f);
            if (rows.bgWeight[x] == 256) {
                // All of the second pixel (at the picture's last column, say) is that pixel.
                rows.bgOff0[x] = rows.bgOff1[x];
                rows.bgWeight[x] = 0;
            }
            rows.bgWholeColumns = rows.bgWholeColumns && rows.bgWeight[x] == 0;
        }
    }

    auto writeMask = [&](int ry, const BYTE* alpha) {
        if (out.mask) {
            BYTE* m = out.mask->GetLine(ry);
            for (int x = 0; x < rw; ++x)
                m[3 * x] = m[3 * x + 1] = m[3 * x + 2] = alpha[x];
        }
        BYTE* to = out.alpha ? out.alpha + (size_t)ry * out.alphaStride : nullptr;
        if (to && to != alpha)
            memcpy(to, alpha, rw);
    };

    // Every job below takes its scratch memory before it writes a row, and writes each row whole
    // from the source: a slice that threw left nothing half-done and is run again as it is.
    if (!spatial && detailR) {
        // Each row keyed ahead of the one shared out and composed, while they are in the cache:
        // a slice keys the kDetailRadius rows beyond its ends as well.
        const int e0 = rc.left - ext.left;
        return KxParallelForAll(rh, [&](int begin, int end) {
            RowLight light;
            light.Resize(ew);
            RowTowards towards, composedWays;   // the rows keyed run ahead of those composed
            CBrightnessRing ring(rows, source, ext);
            std::vector<BYTE> keyedRow(ew), shared(ew);
            std::vector<float> tints((size_t)(2 * kDetailRadius + 1) * ew);
            auto tintsOfRow = [&](int ey) { return &tints[(size_t)(ey % (2 * kDetailRadius + 1)) * ew]; };
            auto keyRow = [&](int ey) {
                const int y = ext.top + ey;
                const BYTE* src = source.GetLine(y) + (size_t)ext.left * sbpp;
                KeyLine(rows, y, src, sbpp, light, towards, 0, ew, keyedRow.data(), tintsOfRow(ey));
                ring.Enter(ey, keyedRow.data());
            };
            const int first = rc.top + begin - ext.top, last = rc.top + end - ext.top;
            for (int ey = std::max(0, first - kDetailRadius); ey < std::min(eh, first + kDetailRadius); ++ey)
                keyRow(ey);
            for (int ey = first; ey < last; ++ey) {
                if (ey + kDetailRadius < eh)
                    keyRow(ey + kDetailRadius);
                memcpy(shared.data(), ring.Row(ey), ew);
                ring.Share(ey, shared.data());
                const int y = ext.top + ey, ry = y - rc.top;
                if (out.composite) {
                    const BYTE* src = source.GetLine(y) + (size_t)ext.left * sbpp;
                    ComposeLine(rows, y, src, sbpp, light, shared.data(), tintsOfRow(ey), e0, e0 + rw, out.composite->GetLine(ry),
                                composedWays);
                }
                writeMask(ry, shared.data() + e0);
            }
        });
    }
    if (!spatial) {
        // The extent is the region: each stretch of a row is keyed, then composed, while it is in
        // the cache.
        return KxParallelForAll(rh, [&](int begin, int end) {
            RowLight light;
            light.Resize(ew);
            RowTowards towards;
            std::vector<BYTE> alpha(ew);
            std::vector<float> tint(ew);
            for (int ry = begin; ry < end; ++ry) {
                const int y = rc.top + ry;
                const BYTE* src = source.GetLine(y) + (size_t)ext.left * sbpp;
                BYTE* dst = out.composite ? out.composite->GetLine(ry) : nullptr;
                const int dbpp = transparent ? 4 : 3;
                for (int c0 = 0; c0 < ew; c0 += kStretch) {
                    const int c1 = std::min(ew, c0 + kStretch);
                    // The stretch's light for its composite too, taken while it is keyed.
                    KeyLine<RegionRows::Backs | RegionRows::Leans>(rows, y, src, sbpp, light, towards, c0, c1, alpha.data(),
                                                                   tint.data());
                    if (dst)
                        ComposeRow(rows, y, src, sbpp, light, alpha.data(), tint.data(), c0, c1, dst + (size_t)c0 * dbpp, towards);
                }
                writeMask(ry, alpha.data());
            }
        });
    }

    // With spatial shaping: each slice goes down its rows band by band. The matte of a band and
    // of the reach rows each way that its shaping reads is keyed (and shared out by the
    // brightness, which reads kDetailRadius rows further), shaped while it is in the cache, and
    // the band is composed from it. The shaping is exact, so a row shapes to the same bytes in
    // any band that holds the rows it reads; where a band meets the extent's edge the edge rows
    // repeat, as they do for the extent shaped whole. The unshaped rows round a band's end are
    // kept for the next band, so only the rows round a slice's ends are keyed twice.
    const int reach = shrinkR + 2 * blurR;
    const int bandRows = std::max(kShapedBandRows, 2 * reach);
    const int e0 = rc.left - ext.left, top = rc.top - ext.top;
    return KxParallelForAll(rh, [&](int begin, int end) {
        // The tints of the rows keyed until a band is composed: the band's, and those keyed ahead.
        const int span = bandRows + 2 * reach, tintRows = bandRows + reach + detailR;
        RowLight light, composeLight;
        light.Resize(ew);
        composeLight.Resize(ew);
        RowTowards towards, composedWays;   // the rows keyed run ahead of those composed
        std::vector<float> tint(ew);
        std::vector<BYTE> keyedRow(ew), matte((size_t)span * ew), shaped((size_t)span * ew), tints((size_t)tintRows * ew);
        std::unique_ptr<CBrightnessRing> ring(detailR ? new CBrightnessRing(rows, source, ext) : nullptr);
        auto tintsOfRow = [&](int ey) { return &tints[(size_t)(ey % tintRows) * ew]; };
        auto keyRow = [&](int ey, BYTE* to) {
            const int y = ext.top + ey;
            const BYTE* src = source.GetLine(y) + (size_t)ext.left * sbpp;
            KeyLine(rows, y, src, sbpp, light, towards, 0, ew, to, tint.data());
            TintBytesRow(rows, tint.data(), ew, tintsOfRow(ey));
        };
        const int first = top + begin, last = top + end;
        // The unshaped matte holds the rows m0 .. m1 - 1; with the brightness, the rows up to
        // keyed - 1 have entered the ring.
        int m0 = std::max(0, first - reach), m1 = m0, keyed = std::max(0, m0 - detailR);
        auto matteRow = [&](int ey) {
            BYTE* to = &matte[(size_t)(ey - m0) * ew];
            if (!ring) {
                keyRow(ey, to);
                return;
            }
            for (; keyed < std::min(eh, ey + detailR + 1); ++keyed) {
                keyRow(keyed, keyedRow.data());
                ring->Enter(keyed, keyedRow.data());
            }
            memcpy(to, ring->Row(ey), ew);
            ring->Share(ey, to);
        };
        for (int y0 = first; y0 < last; y0 += bandRows) {
            const int y1 = std::min(last, y0 + bandRows);
            const int n0 = std::max(0, y0 - reach), n1 = std::min(eh, y1 + reach);
            if (n0 > m0) {
                memmove(matte.data(), &matte[(size_t)(n0 - m0) * ew], (size_t)(m1 - n0) * ew);
                m0 = n0;
            }
            for (; m1 < n1; ++m1)
                matteRow(m1);
            memcpy(shaped.data(), matte.data(), (size_t)(m1 - m0) * ew);
            // Run again whole (on the calling thread) when the shaping's memory ran out.
            if (!ShapeMatte(shaped.data(), ew, m1 - m0, ew, shrinkR, blurR, s.inward))
                throw std::bad_alloc();
            for (int ey = y0; ey < y1; ++ey) {
                const int y = ext.top + ey, ry = y - rc.top;
                const BYTE* a = &shaped[(size_t)(ey - m0) * ew];
                if (out.composite) {
                    TintsOfBytesRow(rows, tintsOfRow(ey) + e0, rw, tint.data() + e0);
                    const BYTE* src = source.GetLine(y) + (size_t)ext.left * sbpp;
                    ComposeLine(rows, y, src, sbpp, composeLight, a, tint.data(), e0, e0 + rw, out.composite->GetLine(ry),
                                composedWays);
                }
                writeMask(ry, a + e0);
            }
        }
    });
}
