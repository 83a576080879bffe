// Times the picture library on a 6000 x 4000 photograph made from a sample picture, and prints
// one "key value" line a figure for tools/bench.sh, which sets them beside the peers' times.
//   kxbench <sample picture> <work folder> [--files-only]
// The work folder receives big.jpg (as this library writes JPEGs) and big.tif (uncompressed) for
// the peers; --files-only stops there. A camera.jpg found in the folder (a JPEG without restart
// markers, as cameras and most programs write them) is timed as well.
#include "BenchUtil.h"
#include <psapi.h>
#include <wincodec.h>
#include <algorithm>
#include <functional>
#include <stdio.h>
#include <string.h>
#include <string>

namespace {

// The quality factor that is libjpeg quality 90, the quality the peers save at.
const int kQuality90 = 17;

// The fastest of runs: the figure least disturbed by the rest of the machine. prepare is not timed.
double Best(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        prepare();
        double start = Now();
        work();
        best = std::min(best, Now() - start);
    }
    return best;
}

// The adjustment chain of the adjustment dialog, with moderate values on every step.
void Chain(CDib& dib)
{
    const double r = 20;
    const tagBALANCING red = {1 + r / 256, -r / 512, -r / 512}, green = {0, 1, 0}, blue = {0, 0, 1};
    const int zeros[7] = {}, saturation[7] = {0, 0, 30, 0, 0, 0, 0};
    dib.BalanceColors(&red, &green, &blue);
    dib.ChangeBrightness(100);
    dib.ChangeContrast(100);
    dib.ChangeBitmapSaturation(zeros, saturation, zeros);
    dib.ChangeGamma(120);
    dib.RemapLevel(0, 0, 255, 10, 245, 1.0);
    dib.ChangeSharp(300);
    dib.GetBits();   // everything queued is applied
}

SIZE_T Commit(bool peak)
{
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return peak ? c.PeakPagefileUsage : c.PagefileUsage;
}

// Decoding with WIC alone, to show what CDib::Load adds.
double RawDecode(const std::wstring& path)
{
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    double start = Now();
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, (void**)&factory);
    factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
    decoder->GetFrame(0, &frame);
    UINT w = 0, h = 0;
    frame->GetSize(&w, &h);
    std::string pixels((size_t)w * h * 3, '\0');
    frame->CopyPixels(nullptr, w * 3, (UINT)pixels.size(), (BYTE*)&pixels[0]);
    double elapsed = Now() - start;
    frame->Release();
    decoder->Release();
    factory->Release();
    return elapsed;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: kxbench <sample picture> <work folder>\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string folder = argv[2];
    const std::string jpeg = folder + "\\big.jpg", tiff = folder + "\\big.tif";
    CDib photo;
    if (!MakePhoto(argv[1], photo))
        return 1;
    if (photo.Save(jpeg.c_str(), KXFMT_JPEG, 24, kQuality90) != 1 || photo.Save(tiff.c_str(), KXFMT_TIFF, 24) != 1) {
        fprintf(stderr, "cannot write the photographs\n");
        return 1;
    }
    if (argc > 3 && strcmp(argv[3], "--files-only") == 0)
        return 0;
    CDib preview;
    preview.Resize(photo, 800, 600, 2);

    CDib work;
    const SIZE_T before = Commit(false);
    work = photo;
    Chain(work);
    const SIZE_T peak = Commit(true);
    printf("peak_extra_mb %.1f\n", (peak - before) / 1048576.0);
    printf("full_buffer_mb %.1f\n", (double)photo.GetStride() * photo.GetHeight() / 1048576.0);

    printf("chain_full %.2f\n", Best(5, [&] { work = photo; }, [&] { Chain(work); }));
    // Each step alone, with the queue applied, to show where the chain's time goes.
    const double r = 20;
    const tagBALANCING red = {1 + r / 256, -r / 512, -r / 512}, green = {0, 1, 0}, blue = {0, 0, 1};
    const int zeros[7] = {}, saturation[7] = {0, 0, 30, 0, 0, 0, 0};
    const std::pair<const char*, std::function<void(CDib&)>> steps[] = {
        {"balance", [&](CDib& d) { d.BalanceColors(&red, &green, &blue); }},
        {"brightness+contrast", [](CDib& d) { d.ChangeBrightness(100); d.ChangeContrast(100); }},
        {"per-hue", [&](CDib& d) { d.ChangeBitmapSaturation(zeros, saturation, zeros); }},
        {"gamma+levels", [](CDib& d) { d.ChangeGamma(120); d.RemapLevel(0, 0, 255, 10, 245, 1.0); }},
        {"sharpen", [](CDib& d) { d.ChangeSharp(300); }},
    };
    for (const auto& step : steps)
        printf("step_%s %.1f\n", step.first, Best(3, [&] { work = photo; }, [&] { step.second(work); work.GetBits(); }));
    printf("chain_preview %.3f\n", Best(30, [&] { work = preview; }, [&] { Chain(work); }));
    printf("reduce %.2f\n", Best(5, [] {}, [&] { work.Resize(photo, 800, 600, 2); }));
    printf("quarter_turn %.2f\n", Best(5, [&] { work = photo; }, [&] { work.Rotate(9000, 5, 0); }));

    CDib loaded;
    printf("load_jpeg %.1f\n", Best(3, [] {}, [&] { loaded.Load(jpeg.c_str()); }));
    printf("raw_decode_jpeg %.1f\n", [&] {
        double best = 1e30;
        for (int i = 0; i < 3; ++i) best = std::min(best, RawDecode(Wide(jpeg)));
        return best;
    }());
    const std::string camera = folder + "\\camera.jpg";
    if (GetFileAttributesA(camera.c_str()) != INVALID_FILE_ATTRIBUTES)
        printf("load_jpeg_camera %.1f\n", Best(3, [] {}, [&] { loaded.Load(camera.c_str()); }));
    printf("save_jpeg %.1f\n", Best(3, [] {}, [&] { photo.Save((folder + "\\out.jpg").c_str(), KXFMT_JPEG, 24, kQuality90); }));
    printf("load_tiff %.1f\n", Best(3, [] {}, [&] { loaded.Load(tiff.c_str()); }));
    printf("raw_decode_tiff %.1f\n", [&] {
        double best = 1e30;
        for (int i = 0; i < 3; ++i) best = std::min(best, RawDecode(Wide(tiff)));
        return best;
    }());
    printf("save_tiff %.1f\n", Best(3, [] {}, [&] { photo.Save((folder + "\\out.tif").c_str(), KXFMT_TIFF, 24); }));
    CoUninitialize();
    return 0;
}
