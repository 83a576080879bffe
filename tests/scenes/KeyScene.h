// Synthetic photographs of a subject in front of a coloured screen, with the truth: a subject
// made from a photograph (a head and shoulders with soft edges, a fringe of fine hair strands, a
// semi-transparent pane of glass) and its exact matte, photographed over a green or blue screen
// with uneven light, the screen's light spilt on the subject's edges, sensor noise and JPEG
// compression.
//
//   KEYSCENEOPT opt; opt.screen = RGB(40, 170, 70);
//   KEYSCENE scene;
//   MakeKeyScene(photo, opt, tempFolder, scene);   // scene.composite is what the camera saw
//   CDib truth; ComposeTruth(scene, newBackground, truth);
#pragma once
#include <Dib.h>
#include <algorithm>
#include <cmath>
#include <vector>

struct KEYSCENEOPT
{
    int width = 1200;
    int height = 800;
    COLORREF screen = RGB(40, 170, 70);   // the screen's colour where it is lit best
    double unevenLight = 0.35;            // the share of light lost in the darkest corner
    double noise = 3;                     // standard deviation of the sensor noise, levels
    double spill = 0.3;                   // the share of screen light on the subject's edges
    int jpegQuality = 90;                 // libjpeg quality of the camera's file; 0: none
    int hairStrands = 160;
    unsigned seed = 1;
};

struct KEYSCENE
{
    CDib foreground;             // the subject's own colours (no spill), 24 bits
    std::vector<BYTE> alpha;     // its matte, width x height bytes
    CDib composite;              // the photograph, 24 bits
};

// The subject: the photograph's colours (resized to cover the size) inside the silhouette,
// hair-coloured strands, a pale glass pane. False when memory ran out.
bool MakeSubject(const CDib& photo, int width, int height, unsigned seed, int strands, CDib& foreground,
                 std::vector<BYTE>& alpha);

// Photographs the subject over the screen as opt says. The JPEG round trip goes through a file
// in tempFolder, removed afterwards. False when a picture could not be made.
bool ComposeOverScreen(const CDib& foreground, const std::vector<BYTE>& alpha, const KEYSCENEOPT& opt,
                       const char* tempFolder, CDib& composite);

bool MakeKeyScene(const CDib& photo, const KEYSCENEOPT& opt, const char* tempFolder, KEYSCENE& scene);

// The subject over another background (resized to the scene's size first when it differs), as a
// perfect key would compose it.
bool ComposeTruth(const KEYSCENE& scene, const CDib& background, CDib& out);

// The colour of each two by two block shared by its pixels, the brightness each pixel's own, as
// a camera stores it (a picture of even width and height).
void ShareColourByBlocks(CDib& dib);

// Sensor noise: near-normal deviates of unit spread, the same from the same seed.
struct SensorNoise
{
    unsigned seed;
    explicit SensorNoise(unsigned s) : seed(s) {}
    double operator()()
    {
        double sum = 0;
        for (int i = 0; i < 12; ++i) {
            seed = seed * 1664525u + 1013904223u;
            sum += (seed >> 8) / 16777216.0;
        }
        return sum - 6;
    }
    // The colour with noise of the given spread added to each channel, red first.
    COLORREF Noisy(COLORREF c, double spread)
    {
        auto noisy = [&](int v) { return (BYTE)std::min(255.0, std::max(0.0, std::round(v + spread * (*this)()))); };
        const BYTE r = noisy(GetRValue(c)), g = noisy(GetGValue(c)), b = noisy(GetBValue(c));
        return RGB(r, g, b);
    }
};
