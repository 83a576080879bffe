// Synthetic flatbed scans of photographic prints: an A4 sheet of scanner background (white or
// textured, with noise, a gentle fall of light across the sheet, dust and a hair), prints made
// from photographs laid on it each at its own tilt, with or without a white border, and the soft
// shadow each print casts away from the lamp. The truth of every print's rectangle comes along.
//
//   std::vector<CDib> photos;
//   LoadSamplePhotos(folder, photos);
//   SCANSHEETOPT opt; opt.prints = 6; opt.seed = 3;
//   CDib sheet; std::vector<CTiltRect> truth;
//   MakeScanSheet(photos, opt, sheet, truth);   // truth in reading order, row by row
#pragma once
#include <Dib.h>
#include <TiltRect.h>
#include <vector>

struct SCANSHEETOPT
{
    int dpi = 150;              // the sheet is A4 portrait at this resolution
    int prints = 4;             // 1 to 8, laid out in up to four rows of two
    bool textured = false;      // a mottled, tinted background instead of the lid's white
    int borders = 1;            // white borders: 0 none, 1 every other print, 2 all
    double maxTilt = 10;        // degrees either way
    double noise = 4;           // standard deviation of the sensor noise, levels a channel
    bool shadows = true;
    bool dust = true;           // specks and a hair on the background
    unsigned seed = 1;
};

// Loads the pictures of the folder, in the folder listing's order; false when there is none.
bool LoadSamplePhotos(const char* folder, std::vector<CDib>& photos);

// Makes the sheet (24 bits, at opt.dpi) and the rectangles of its prints, row by row from the
// top and left to right. False when there is no photograph or the sheet cannot be allocated.
bool MakeScanSheet(const std::vector<CDib>& photos, const SCANSHEETOPT& opt, CDib& sheet, std::vector<CTiltRect>& truth);
