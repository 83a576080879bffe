// The demo host's picture check: a photograph measured against a standard picture.
//
// Both pictures are reduced to one small grid and measured there, each check as a value in which
// 0 means "as the standard":
//   brightness   |mean luma difference|, in percent of the full range;
//   contrast     |difference of the luma standard deviations|, in percent of the full range;
//   colour       the mean colour cast (each channel's distance from the luma), the picture's
//                scaled by the contrast ratio so that a flatter copy is no cast: the length of
//                the difference, in percent of the full range;
//   background   the background's colour (the median of the top rows) relative to the
//                picture's mean colour, scaled like the colour: the length of the difference,
//                in percent of the full range;
//   head         the head's top and centre (the first wide run of pixels that differ from the
//                background - by more than the distance Otsu's rule finds in the middle of the
//                upper third - in the middle half of the picture, followed down for a fifth of
//                the height), in percent of the picture's width and height: the distance moved;
//   overall      what differs beyond all that: the mean difference of the two normalised luma
//                grids, the picture's moved back by the head's displacement, times 30.
// Brightness, contrast and colour changes and a moved head therefore each show in their own
// value. A check fails when it is ticked and its value reaches its limit (a limit of 0 or less
// tolerates no difference at all); the final value, 60 times the mean of the ticked values over
// their full scales, fails the same way against the final limit.
//
//   CPictureCheckSettings settings = LoadCheckSettings();   // the host's profile
//   CPictureCheckResult result;
//   if (CheckPicture(standard, photo, settings, result)) ShowInResultsDialog(result);
#pragma once
#include <afxwin.h>
#include <Dib.h>

struct CPictureCheckSettings
{
    CString strStandard;                 // full path of the standard picture
    BOOL bOverall = TRUE, bColor = TRUE, bBright = TRUE, bContrast = TRUE, bBack = TRUE, bHead = TRUE;
    int nFinalLimit = 20;
    int nOverallLimit = 10;
    int nColorLimit = 4;
    int nBrightLimit = 5;
    int nContrastLimit = 5;
    int nBackLimit = 6;
    int nHeadLimit = 5;
};

// One picture as the check sees it.
struct CPictureMeasure
{
    double meanLuma = 0, sigmaLuma = 0;  // 0..255
    double mean[3] = {};                 // red, green, blue
    double cast[3] = {};                 // mean of each channel minus the luma
    double back[3] = {};                 // the background's colour
    bool headFound = false;
    double headX = 0, headY = 0;         // head centre and top, percent of width and height
};

enum PictureCheckItem { checkOverall, checkColor, checkBright, checkContrast, checkBack, checkHead, checkCount };

struct CPictureCheckResult
{
    double value[checkCount] = {};
    bool ticked[checkCount] = {};
    bool failed[checkCount] = {};
    double result = 0;
    bool resultFailed = false;
    // The verdicts as the results dialog shows them.
    CString strColor, strBright, strContrast, strBack, strHead, strConsist;
    CPictureMeasure standard, picture;

    bool AnyFailed() const;
};

// The grid the pictures are measured on.
const int kCheckGridSize = 128;

// Measures one picture; false when it is not valid.
bool MeasurePicture(const CDib& picture, CPictureMeasure& out);
// Measures both pictures and compares them; false when either is not valid.
bool CheckPicture(const CDib& standard, const CDib& picture, const CPictureCheckSettings& settings,
                  CPictureCheckResult& out);

// The test pictures of the check, each made from the standard to fail one check.
enum CheckSample { sampleCopy, sampleDarker, sampleFlatter, sampleColorCast, sampleHeadMoved, sampleCount };
// The file name of each ("check-1-copy.png" ...).
const char* CheckSampleName(CheckSample kind);
// Makes one of them from the standard picture; false when the standard is not valid.
bool MakeCheckSample(const CDib& standard, CheckSample kind, CDib& out);
