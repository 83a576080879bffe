// How responsive the host stays while it works under the progress window: a host main window
// gets a message every 2 ms from another thread while the host makes the thumbnails of 50 camera
// photographs (24 MP JPEGs) on its own thread, one picture a step, reporting each step to the
// progress window. The figure is the longest time between two messages the host window handled.
// The same work without the progress window, which then nothing pumps, is the comparison.
// Prints one "key value" line a figure for tools/bench.sh.
//   kxbenchprogress <folder of JPEG photographs>
#include "BenchUtil.h"
#include <afxwin.h>
#include <common/ProgressDialog.h>
#include <objbase.h>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

class CBenchApp : public CWinApp
{
public:
    CBenchApp() : CWinApp("kxbenchprogress") {}
};
CBenchApp theApp;

const UINT WM_BENCH_TICK = WM_APP + 11;

// The host's main window: notes when it handles each tick.
class CHostWnd : public CWnd
{
public:
    std::vector<double> m_handled;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_BENCH_TICK) {
            m_handled.push_back(Now());
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

struct Run
{
    double total = 0, longestGap = 0, medianGap = 0;
    size_t handled = 0;
    int done = 0;
};

// The host's work: the thumbnails of every picture, with or without the progress window.
Run RunJob(CHostWnd& host, const std::vector<CString>& files, bool withProgress)
{
    std::atomic<bool> running{ true };
    HWND hWnd = host.m_hWnd;
    std::thread ticker([&] {
        while (running) {
            ::PostMessageA(hWnd, WM_BENCH_TICK, 0, 0);
            ::Sleep(2);
        }
    });
    // The queue is worked off before the clock starts, so both runs start alike.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
    host.m_handled.clear();
    Run run;
    const double start = Now();
    host.m_handled.push_back(start);
    {
        std::unique_ptr<CProgressDialog> progress;
        if (withProgress)
            progress = std::make_unique<CProgressDialog>(CProgressDialog::optStopButton, "重建缩略图", "", &host);
        for (size_t i = 0; i < files.size(); ++i) {
            if (progress)
                progress->SetStatusString(files[i].Mid(files[i].ReverseFind('\\') + 1));
            CDib thumb;
            run.done += thumb.LoadFitted(files[i], 96, 96) == 1;
            if (progress)
                progress->SetPercentageDone((int)((i + 1) * 100 / files.size()));
        }
    }
    const double end = Now();
    running = false;
    ticker.join();
    host.m_handled.push_back(end);
    run.total = end - start;
    std::vector<double> gaps;
    for (size_t i = 1; i < host.m_handled.size(); ++i)
        if (host.m_handled[i] <= end)
            gaps.push_back(host.m_handled[i] - host.m_handled[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    run.handled = host.m_handled.size() - 2;
    run.longestGap = gaps.empty() ? 0 : gaps.back();
    run.medianGap = gaps.empty() ? 0 : gaps[gaps.size() / 2];
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: kxbenchprogress <folder of JPEG photographs>\n");
        return 2;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    std::vector<CString> files;
    WIN32_FIND_DATAA fd;
    const CString folder = CString(argv[1]) + "\\";
    HANDLE find = ::FindFirstFileA(folder + "*.jpg", &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do
            files.push_back(folder + fd.cFileName);
        while (::FindNextFileA(find, &fd));
        ::FindClose(find);
    }
    if (files.empty()) {
        fprintf(stderr, "no JPEG files in %s\n", argv[1]);
        return 1;
    }
    CHostWnd host;
    host.CreateEx(0, AfxRegisterWndClass(0), "宿主", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 600, 400, nullptr, nullptr);
    theApp.m_pMainWnd = &host;

    // A first pass warms the file cache and the decoder for both runs.
    RunJob(host, files, false);
    const Run plain = RunJob(host, files, false);
    const Run pumped = RunJob(host, files, true);
    printf("progress_pictures %d\n", (int)files.size());
    printf("progress_longest_gap %.1f\n", pumped.longestGap);
    printf("progress_median_gap %.1f\n", pumped.medianGap);
    printf("progress_handled %d\n", (int)pumped.handled);
    printf("progress_total %.0f\n", pumped.total);
    printf("progress_step %.1f\n", pumped.total / files.size());
    printf("plain_longest_gap %.1f\n", plain.longestGap);
    printf("plain_handled %d\n", (int)plain.handled);
    printf("plain_total %.0f\n", plain.total);
    printf("progress_thumbnails_made %d/%d\n", pumped.done, (int)files.size());
    theApp.m_pMainWnd = nullptr;
    host.DestroyWindow();
    ::CoUninitialize();
    return 0;
}
