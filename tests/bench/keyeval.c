/* Scores a keying result against the truth of its scene, the same way for every keyer: the
 * result is straight colour and opacity (RGBA), composed here over the scene's new background.
 *   keyeval <width> <height> <truth.alpha> <truth.rgb> <bg.rgb> <result.rgba>
 * prints: SAD of the opacity (sum of |difference|, opacity 0..1, in thousands), its MSE (times
 * 1000), and the RMSE of the composite against the true composite, in levels. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

static unsigned char* slurp(const char* path, size_t size)
{
    FILE* f = fopen(path, "rb");
    unsigned char* p = f ? malloc(size) : NULL;
    if (!p || fread(p, 1, size, f) != size) {
        fprintf(stderr, "keyeval: cannot read %zu bytes of %s\n", size, path);
        exit(1);
    }
    fclose(f);
    return p;
}

int main(int argc, char** argv)
{
    if (argc != 7) {
        fprintf(stderr, "usage: keyeval width height truth.alpha truth.rgb bg.rgb result.rgba\n");
        return 2;
    }
    const size_t n = (size_t)atoi(argv[1]) * (size_t)atoi(argv[2]);
    const unsigned char* ta = slurp(argv[3], n);
    const unsigned char* tc = slurp(argv[4], 3 * n);
    const unsigned char* bg = slurp(argv[5], 3 * n);
    const unsigned char* r = slurp(argv[6], 4 * n);
    double sad = 0, se = 0, ce = 0;
    for (size_t i = 0; i < n; ++i) {
        const double a = r[4 * i + 3] / 255.0, t = ta[i] / 255.0;
        sad += fabs(a - t);
        se += (a - t) * (a - t);
        for (int c = 0; c < 3; ++c) {
            double v = floor(a * r[4 * i + c] + (1 - a) * bg[3 * i + c] + 0.5);
            v = v < 0 ? 0 : v > 255 ? 255 : v;
            const double d = v - tc[3 * i + c];
            ce += d * d;
        }
    }
    printf("%.3f %.3f %.3f\n", sad / 1000, se / n * 1000, sqrt(ce / (3.0 * n)));
    return 0;
}
