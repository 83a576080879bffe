// The matte's spatial shaping against the plain definition of each filter: erosion is the least
// value of the square window, the blur twice the rounded mean of the box along the rows and then
// down the columns, the edges repeated; inward keeps the blurred matte within the eroded one.
#include <KeyFilters.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Plane
{
    int width, height, stride;
    std::vector<BYTE> bytes;
    BYTE& at(int x, int y) { return bytes[(size_t)y * stride + x]; }
};

// One pass along one direction of the window's least value or rounded mean.
void Pass(Plane& p, int r, bool rows, bool mean)
{
    const Plane in = p;
    const int k = 2 * r + 1;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int least = 255, sum = 0;
            for (int d = -r; d <= r; ++d) {
                const int sx = rows ? std::min(p.width - 1, std::max(0, x + d)) : x;
                const int sy = rows ? y : std::min(p.height - 1, std::max(0, y + d));
                const int v = in.bytes[(size_t)sy * in.stride + sx];
                least = std::min(least, v);
                sum += v;
            }
            p.at(x, y) = (BYTE)(mean ? (sum + k / 2) / k : least);
        }
}

void Reference(Plane& p, int shrink, int blur, bool inward)
{
    if (shrink > 0) {
        Pass(p, shrink, true, false);
        Pass(p, shrink, false, false);
    }
    if (blur > 0) {
        const Plane hard = p;
        for (int pass = 0; pass < 2; ++pass) {
            Pass(p, blur, true, true);
            Pass(p, blur, false, true);
        }
        if (inward)
            for (size_t i = 0; i < p.bytes.size(); ++i)
                p.bytes[i] = std::min(p.bytes[i], hard.bytes[i]);
    }
}

// A matte with hard edges, soft ramps and noise, and padding bytes that must stay as they are.
Plane Matte(int width, int height, int padding, std::mt19937& random)
{
    Plane p{width, height, width + padding, {}};
    p.bytes.assign((size_t)p.stride * height, 77);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int d = (x - width / 2) * (x - width / 2) + (y - height / 3) * (y - height / 3);
            const int base = d < width * height / 8 ? 255 : d < width * height / 4 ? 128 : 0;
            p.at(x, y) = (BYTE)std::min(255, std::max(0, base + (int)(random() % 61) - 30));
        }
    return p;
}

TEST(KeyFilters, ShapingIsTheWindowsLeastAndRoundedMean)
{
    std::mt19937 random(7);
    const struct { int width, height, shrink, blur; bool inward; } cases[] = {
        {1, 1, 3, 2, true},          // a single pixel, windows far past both edges
        {5, 3, 12, 0, false},        // a window wider than the matte
        {17, 9, 0, 4, false},        // rows just over one vector step
        {40, 31, 2, 2, true},
        {300, 23, 3, 5, false},      // more than one strip of the column passes
        {531, 40, 10, 10, true},     // the largest radii the key makes
        {64, 200, 1, 1, false},      // a tall matte: the ring turns many times
    };
    for (const auto& c : cases) {
        for (int padding : {0, 3}) {
            Plane got = Matte(c.width, c.height, padding, random);
            Plane want = got;
            ASSERT_TRUE(ShapeMatte(got.bytes.data(), c.width, c.height, got.stride, c.shrink, c.blur, c.inward));
            Reference(want, c.shrink, c.blur, c.inward);
            EXPECT_TRUE(want.bytes == got.bytes) << c.width << " x " << c.height << " shrink " << c.shrink << " blur "
                                                 << c.blur << " inward " << c.inward << " padding " << padding;
        }
    }
}

// The rounded mean of every sum a window can have: a row of blocks of one window's width, each
// block holding the sum at its middle pixel, for windows summed whole, from running sums, and
// either side of the widest the blur divides by a multiplication rather than through floats.
TEST(KeyFilters, BlurRoundsEveryWindowSumAsTheDivisionDoes)
{
    for (int r : {1, 2, 4, 5, 10, 63, 64}) {
        const int k = 2 * r + 1, step = k < 30 ? 1 : 29;
        Plane got{0, 1, 0, {}};
        for (int sum = 0; sum <= 255 * k; sum = sum == 255 * k ? sum + 1 : std::min(255 * k, sum + step))
            for (int i = 0; i < k; ++i)
                got.bytes.push_back((BYTE)(i < sum / 255 ? 255 : i == sum / 255 ? sum % 255 : 0));
        got.width = got.stride = (int)got.bytes.size();
        Plane want = got;
        ASSERT_TRUE(ShapeMatte(got.bytes.data(), got.width, 1, got.stride, 0, r, false));
        Reference(want, 0, r, false);
        EXPECT_TRUE(want.bytes == got.bytes) << "blur " << r;
    }
}

} // namespace
