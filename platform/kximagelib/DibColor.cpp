// CDib colour operations. Per-pixel ones are queued as point operations (see Flush); consecutive
// per-channel curves are composed into one table, which is exact because each maps bytes to bytes.
#include "Dib.h"
#include "ImageCore.h"
#include <cmath>
#include <memory>
#include <string.h>

using namespace kximage;

namespace {

int ClampAmount(int amount, int limit) { return amount < -limit ? -limit : amount > limit ? limit : amount; }

// Fills a table for R, G and B from one curve.
template <class Curve>
void FillLut(PointOp& op, Curve curve)
{
    for (int v = 0; v < 256; ++v)
        op.lut[0][v] = op.lut[1][v] = op.lut[2][v] = ClampRound(curve(v));
}

PointOp MakeLut()
{
    PointOp op;
    op.kind = PointOp::LUT;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            op.lut[c][v] = (BYTE)v;
    return op;
}

bool IsIdentityLut(const PointOp& op)
{
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            if (op.lut[c][v] != v)
                return false;
    return true;
}

// A matrix in memory channel order (0 blue, 1 green, 2 red) from real coefficients.
PointOp MakeMatrix(const double m[3][3])
{
    PointOp op;
    op.kind = PointOp::MATRIX;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            op.matrix[i][j] = (int)std::lround(m[i][j] * 65536.0);
    return op;
}

bool IsIdentityMatrix(const PointOp& op)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (op.matrix[i][j] != (i == j ? 65536 : 0))
                return false;
    return true;
}

// out = (1 - s) * Y + s * in, with the luma weights in memory order.
PointOp MakeTowardsLuma(double s)
{
    const double luma[3] = {LUMA_B / 65536.0, LUMA_G / 65536.0, LUMA_R / 65536.0};
    double m[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = (1 - s) * luma[j] + (i == j ? s : 0);
    return MakeMatrix(m);
}

} // namespace

// Queues op behind the pending ones; a table directly after a table becomes one table.
static void Queue(CPointOps*& pending, const PointOp& op)
{
    if (!pending)
        pending = new CPointOps;
    std::vector<PointOp>& ops = pending->ops;
    if (op.kind == PointOp::LUT && !ops.empty() && ops.back().kind == PointOp::LUT) {
        PointOp& last = ops.back();
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v)
                last.lut[c][v] = op.lut[c][last.lut[c][v]];
        return;
    }
    ops.push_back(op);
}

struct CDibAccess
{
    static void Queue(const CDib& dib, const PointOp& op) { ::Queue(dib.m_pending, op); }
};

BOOL CDib::ChangeBrightness(int amount)
{
    if (!IsValid())
        return FALSE;
    amount = ClampAmount(amount, 1000);
    if (amount == 0)
        return TRUE;
    PointOp op = MakeLut();
    const double shift = amount * 255.0 / 1000.0;
    FillLut(op, [&](int v) { return v + shift; });
    CDibAccess::Queue(*this, op);
    return TRUE;
}

BOOL CDib::ChangeContrast(int amount)
{
    if (!IsValid())
        return FALSE;
    amount = ClampAmount(amount, 1000);
    if (amount == 0)
        return TRUE;
    // At 1000 the scale is unbounded: everything but 128 itself goes to black or white.
    const double k = amount < 0 ? (1000.0 + amount) / 1000.0 : amount == 1000 ? 1e6 : 1000.0 / (1000.0 - amount);
    PointOp op = MakeLut();
    FillLut(op, [&](int v) { return 128 + (v - 128) * k; });
    CDibAccess::Queue(*this, op);
    return TRUE;
}

BOOL CDib::ChangeGamma(UINT hundredths)
{
    if (!IsValid() || hundredths == 0)
        return FALSE;
    if (hundredths == 100)
        return TRUE;
    const double exponent = 100.0 / hundredths;
    PointOp op = MakeLut();
    FillLut(op, [&](int v) { return 255.0 * std::pow(v / 255.0, exponent); });
    CDibAccess::Queue(*this, op);
    return TRUE;
}

BOOL CDib::RemapLevel(int channel, short inLow, short inHigh, short outLow, short outHigh, double gamma)
{
    if (!IsValid() || channel < 0 || channel > 3 || gamma <= 0)
        return FALSE;
    PointOp op = MakeLut();
    const int lo = inLow < 0 ? 0 : inLow > 255 ? 255 : inLow;
    const int hi = inHigh < 0 ? 0 : inHigh > 255 ? 255 : inHigh;
    // Memory order is blue, green, red; channel 1 is red.
    const int first = channel == 0 ? 0 : 3 - channel, last = channel == 0 ? 2 : 3 - channel;
    for (int v = 0; v < 256; ++v) {
        double t;
        if (hi > lo)
            t = ((v < lo ? lo : v > hi ? hi : v) - lo) / double(hi - lo);
        else
            t = v >= hi ? 1.0 : 0.0;
        if (gamma != 1.0)
            t = std::pow(t, 1.0 / gamma);
        BYTE out = ClampRound(outLow + (outHigh - outLow) * t);
        for (int c = first; c <= last; ++c)
            op.lut[c][v] = out;
    }
    if (!IsIdentityLut(op))
        CDibAccess::Queue(*this, op);
    return TRUE;
}

BOOL CDib::GrayScale(int amount, int bits)
{
    if (!IsValid() || amount < 0 || amount > 100)
        return FALSE;
    if (amount == 0)
        return TRUE;
    CDibAccess::Queue(*this, MakeTowardsLuma(1.0 - amount / 100.0));
    if (bits >= 1 && bits < 8) {
        const int levels = (1 << bits) - 1;
        PointOp op = MakeLut();
        FillLut(op, [&](int v) { return std::floor(v * levels / 255.0 + 0.5) * 255.0 / levels; });
        CDibAccess::Queue(*this, op);
    }
    return TRUE;
}

BOOL CDib::ChangeSaturation(int amount)
{
    if (!IsValid())
        return FALSE;
    amount = ClampAmount(amount, 1000);
    if (amount == 0)
        return TRUE;
    CDibAccess::Queue(*this, MakeTowardsLuma((1000.0 + amount) / 1000.0));
    return TRUE;
}

BOOL CDib::BalanceColors(const tagBALANCING* red, const tagBALANCING* green, const tagBALANCING* blue)
{
    if (!IsValid() || !red || !green || !blue)
        return FALSE;
    // Rows are outputs, columns inputs, both in memory order (blue, green, red).
    const double m[3][3] = {
        {blue->toBlue, green->toBlue, red->toBlue},
        {blue->toGreen, green->toGreen, red->toGreen},
        {blue->toRed, green->toRed, red->toRed},
    };
    PointOp op = MakeMatrix(m);
    if (!IsIdentityMatrix(op))
        CDibAccess::Queue(*this, op);
    return TRUE;
}

BOOL CDib::ChangeHue(int degrees)
{
    if (!IsValid())
        return FALSE;
    degrees %= 360;
    if (degrees == 0)
        return TRUE;
    PointOp op;
    op.kind = PointOp::HUE;
    op.hueTurn = degrees / 60.0;
    CDibAccess::Queue(*this, op);
    return TRUE;
}

BOOL CDib::ChangeBitmapSaturation(const int* hue7, const int* saturation7, const int* lightness7)
{
    if (!IsValid())
        return FALSE;
    PointOp op;
    op.kind = PointOp::PER_HUE;
    bool any = false;
    for (int k = 0; k < 7; ++k) {
        op.hue7[k] = hue7 ? ClampAmount(hue7[k], 100) : 0;
        op.sat7[k] = saturation7 ? ClampAmount(saturation7[k], 100) : 0;
        op.light7[k] = lightness7 ? ClampAmount(lightness7[k], 100) : 0;
        any = any || op.hue7[k] || op.sat7[k] || op.light7[k];
    }
    if (any)
        CDibAccess::Queue(*this, op);
    return TRUE;
}
