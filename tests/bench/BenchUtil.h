// What the benchmark programs share: the clock and the 24-megapixel photograph they work on.
#pragma once
#include <Dib.h>
#include <stdio.h>

// Milliseconds of the performance counter.
inline double Now()
{
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / frequency.QuadPart;
}

// The sample picture enlarged to 6000 x 4000 at 300 dpi; false (with a message) when the sample
// cannot be read.
inline bool MakePhoto(const char* samplePath, CDib& photo)
{
    CDib sample;
    if (sample.Load(samplePath) != 1) {
        fprintf(stderr, "cannot load %s\n", samplePath);
        return false;
    }
    photo.Resize(sample, 6000, 4000, 2);
    photo.SetXRes(300);
    photo.SetYRes(300);
    return true;
}
