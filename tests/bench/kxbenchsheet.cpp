// How well and how fast the print finder finds the prints on synthetic scans whose truth is
// known: per sheet the intersection over union of each print found with its truth and the error
// of its tilt, then the time to search a 600 dpi A4 sheet (about 35 megapixels).
//   kxbenchsheet <folder of sample photographs> [folder to write the sheets into as PNG]
#include "BenchUtil.h"
#include <PrintFinder.h>
#include <ScanSheet.h>
#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Score
{
    int truths = 0, found = 0, missed = 0, phantoms = 0;
    double worstIoU = 1, worstTilt = 0;
    std::vector<double> iou, tilt;
};

// Each truth takes the find that overlaps it most; a find that overlaps no truth by half is a
// phantom.
Score Compare(const std::vector<CTiltRect>& truth, const std::vector<CTiltRect>& found)
{
    Score s;
    s.truths = (int)truth.size();
    s.found = (int)found.size();
    std::vector<char> used(found.size(), 0);
    for (const CTiltRect& t : truth) {
        int best = -1;
        double bestIoU = 0;
        for (size_t i = 0; i < found.size(); ++i) {
            const double iou = TiltRectIoU(t, found[i]);
            if (!used[i] && iou > bestIoU) {
                bestIoU = iou;
                best = (int)i;
            }
        }
        if (best < 0 || bestIoU < 0.5) {
            ++s.missed;
            s.iou.push_back(0);
            s.tilt.push_back(NAN);
            s.worstIoU = 0;
            continue;
        }
        used[best] = 1;
        const double tilt = std::fabs(std::remainder(found[best].angle - t.angle, 90.0));
        s.iou.push_back(bestIoU);
        s.tilt.push_back(tilt);
        s.worstIoU = std::min(s.worstIoU, bestIoU);
        s.worstTilt = std::max(s.worstTilt, tilt);
    }
    for (char u : used)
        s.phantoms += !u;
    return s;
}

// Outlines a rectangle on the sheet, three pixels wide.
void Outline(CDib& sheet, const CTiltRect& r, BYTE red, BYTE green, BYTE blue)
{
    double x[4], y[4];
    r.GetCorners(x, y);
    for (int k = 0; k < 4; ++k) {
        const double len = std::hypot(x[(k + 1) % 4] - x[k], y[(k + 1) % 4] - y[k]);
        for (double t = 0; t <= len; t += 0.5)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int px = (int)(x[k] + (x[(k + 1) % 4] - x[k]) * t / len) + dx;
                    const int py = (int)(y[k] + (y[(k + 1) % 4] - y[k]) * t / len) + dy;
                    if (px < 0 || py < 0 || px >= sheet.GetWidth() || py >= sheet.GetHeight())
                        continue;
                    BYTE* p = sheet.GetLine(py) + px * 3;
                    p[0] = blue;
                    p[1] = green;
                    p[2] = red;
                }
    }
}

std::string WinPath(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: kxbenchsheet <sample folder> [sheet folder]\n");
        return 2;
    }
    std::vector<CDib> photos;
    if (!LoadSamplePhotos(argv[1], photos)) {
        fprintf(stderr, "no sample photographs in %s\n", argv[1]);
        return 1;
    }
    const std::string out = argc > 2 ? argv[2] : "";
    CPrintFinder finder;

    printf("print finder on synthetic scans of A4 sheets (truth known): IoU of each print found with its truth, tilt error\n");
    printf("%-50s %5s %5s %7s %8s %9s  per print (IoU/tilt error in degrees)\n", "sheet", "found", "truth", "phantom",
           "min IoU", "max tilt");
    int sheets = 0, allFound = 0, phantomTotal = 0;
    double worstIoU = 1, worstTilt = 0;
    std::vector<double> everyIoU, everyTilt;
    CDib sheet;   // the last sheet made
    auto run = [&](const SCANSHEETOPT& opt, const char* label, bool viaJpeg = false) {
        std::vector<CTiltRect> truth, found;
        if (!MakeScanSheet(photos, opt, sheet, truth)) {
            printf("%s: cannot make the sheet\n", label);
            return;
        }
        if (viaJpeg) {   // most scanners hand over JPEG files
            const std::string path = WinPath(out.empty() ? "." : out, "sheet.jpg");
            if (sheet.Save(path.c_str(), KXFMT_JPEG, 24) != 1 || sheet.Load(path.c_str()) != 1) {
                printf("%s: cannot write and read %s\n", label, path.c_str());
                return;
            }
            DeleteFileA(path.c_str());
        }
        finder.Find(sheet, found);
        if (!out.empty()) {
            // Truth in green, finds in red, reduced to a size one can look at.
            CDib marked = sheet;
            for (const CTiltRect& t : truth)
                Outline(marked, t, 0, 200, 0);
            for (const CTiltRect& f : found)
                Outline(marked, f, 255, 0, 0);
            marked.Resize(marked.GetWidth() * 1000 / marked.GetHeight(), 1000, 2);
            marked.Save(WinPath(out, std::string("sheet-") + std::to_string(sheets) + ".png").c_str(), KXFMT_PNG, 24);
        }
        const Score s = Compare(truth, found);
        ++sheets;
        allFound += s.missed == 0;
        phantomTotal += s.phantoms;
        worstIoU = std::min(worstIoU, s.worstIoU);
        worstTilt = std::max(worstTilt, s.worstTilt);
        printf("%-50s %5d %5d %7d %8.4f %9.3f ", label, s.found, s.truths, s.phantoms, s.worstIoU, s.worstTilt);
        for (size_t i = 0; i < s.iou.size(); ++i) {
            printf(" %.3f/%.2f", s.iou[i], s.tilt[i]);
            everyIoU.push_back(s.iou[i]);
            everyTilt.push_back(s.tilt[i]);
        }
        printf("\n");
        fflush(stdout);
    };

    for (int i = 0; i < 21; ++i) {
        SCANSHEETOPT opt;
        opt.prints = 2 + i % 7;
        opt.textured = i % 2 == 1;
        opt.borders = i / 7;
        opt.dpi = i % 3 == 0 ? 300 : i % 3 == 1 ? 200 : 150;
        opt.noise = 3 + i % 4;
        opt.seed = 100 + i;
        char label[128];
        sprintf(label, "%d prints, %s, %s, %d dpi", opt.prints, opt.textured ? "textured" : "white",
                opt.borders == 0 ? "no borders" : opt.borders == 1 ? "some borders" : "all bordered", opt.dpi);
        run(opt, label);
    }

    // Beyond the goals: a sheet through JPEG, heavy noise, no shadows at all (white borders then
    // stand out of the lid's white by the paper's brightness alone), tilts of 15 degrees.
    {
        SCANSHEETOPT opt;
        opt.prints = 6;
        opt.textured = true;
        opt.dpi = 300;
        opt.seed = 201;
        run(opt, "6 prints, textured, some borders, 300 dpi, JPEG", true);
        opt = SCANSHEETOPT();
        opt.prints = 5;
        opt.borders = 2;
        opt.dpi = 200;
        opt.noise = 9;
        opt.seed = 202;
        run(opt, "5 prints, white, all bordered, 200 dpi, noise 9");
        opt = SCANSHEETOPT();
        opt.prints = 4;
        opt.borders = 2;
        opt.dpi = 300;
        opt.shadows = false;
        opt.seed = 203;
        run(opt, "4 prints, white, all bordered, 300 dpi, no shadow");
        opt = SCANSHEETOPT();
        opt.prints = 8;
        opt.textured = true;
        opt.dpi = 200;
        opt.maxTilt = 15;
        opt.seed = 204;
        run(opt, "8 prints, textured, some borders, tilt 15");
    }

    // The large sheet: quality and time.
    SCANSHEETOPT big;
    big.dpi = 600;
    big.prints = 6;
    big.textured = true;
    big.borders = 1;
    big.seed = 7;
    std::vector<CTiltRect> found;
    run(big, "6 prints, textured, some borders, 600 dpi");
    if (!sheet.IsValid())
        return 1;
    // The processor time of every thread of the search as well: on a loaded machine the wall
    // time says more about the others' work than about the search.
    auto cpuNow = [] {
        FILETIME created, exited, kernel, user;
        ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
        auto ms = [](const FILETIME& f) { return (((ULONGLONG)f.dwHighDateTime << 32) | f.dwLowDateTime) / 10000.0; };
        return ms(kernel) + ms(user);
    };
    std::vector<double> times, cpu;
    for (int i = 0; i < 7; ++i) {
        const double start = Now(), cpuStart = cpuNow();
        finder.Find(sheet, found);
        times.push_back(Now() - start);
        cpu.push_back(cpuNow() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::sort(everyIoU.begin(), everyIoU.end());
    std::sort(everyTilt.begin(), everyTilt.end());
    printf("all %d sheets: every print found on %d, phantoms %d; IoU min %.4f median %.4f; tilt error max %.3f median %.3f deg\n",
           sheets, allFound, phantomTotal, worstIoU, everyIoU[everyIoU.size() / 2], worstTilt, everyTilt[everyTilt.size() / 2]);
    printf("search of the 600 dpi sheet (%d x %d, %.1f MP): best %.1f ms, median %.1f ms of %d runs\n", sheet.GetWidth(),
           sheet.GetHeight(), sheet.GetWidth() * (double)sheet.GetHeight() / 1e6, times.front(), times[times.size() / 2],
           (int)times.size());
    printf("processor time of that search, all threads: best %.1f ms, median %.1f ms (%u processors)\n", cpu.front(),
           cpu[cpu.size() / 2], std::thread::hardware_concurrency());
    printf("goals: every print found, IoU >= 0.97, tilt error <= 0.3 deg, no phantom; search <= 300 ms\n");
    return 0;
}
