// How responsive the host stays while it works under the progress window: another thread posts
// a message to the host's main window every 2 ms while the host makes the thumbnails of 50 camera
// photographs (24 MP JPEGs) on its own thread, one picture a step, reporting each step to the
// progress window and letting it work off the messages while a picture decodes (the load's
// progress callback, after every band of rows). Each message carries the time it was posted;
// the host window notes when it
// handles it. The figures are the longest time between two handled messages and the longest
// wait of a message from its post to its handling. The same work without the progress window,
// which then nothing pumps, is the comparison.
// Prints one "key value" line a figure for tools/bench.sh.
//   kxbenchprogress <folder of JPEG photographs>
#include "BenchUtil.h"
#include <afxwin.h>
#include <FolderListing.h>
#include <common/ProgressDialog.h>
#include <objbase.h>
#include <algorithm>
#include <atomic>
#include <cstring>
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
const DWORD kPostPeriodMs = 2;

// Microseconds of the performance counter: what a tick carries from its post to its handling.
long long NowMicroseconds() { return (long long)(Now() * 1000.0); }

// The host's main window: notes when it handles each tick and how long the tick waited.
class CHostWnd : public CWnd
{
public:
    std::vector<double> m_handled;
    std::vector<double> m_waits;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_BENCH_TICK) {
            const double now = Now();
            m_handled.push_back(now);
            m_waits.push_back(now - (double)lParam / 1000.0);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

struct Run
{
    double total = 0, longestGap = 0, longestWait = 0, medianWait = 0;
    size_t handled = 0, posted = 0;
    int done = 0, reports = 0, bands = 0;
};

// The progress window as the host reports to it, counting the calls. While a picture decodes,
// the messages are worked off after every band of rows, and a stop ends the decode at once.
struct Reporter
{
    CProgressDialog* progress = nullptr;
    int calls = 0;
    int bands = 0;
    static BOOL OnRows(int, int, void* user)
    {
        Reporter& self = *static_cast<Reporter*>(user);
        self.progress->PeekAndPump(TRUE);
        ++self.bands;
        return !self.progress->HasBeenCancelled();
    }
    void Status(const CString& text)
    {
        if (progress) {
            progress->SetStatusString(text);
            ++calls;
        }
    }
    void Percent(int percent)
    {
        if (progress) {
            progress->SetPercentageDone(percent);
            ++calls;
        }
    }
};

// The host's work: the thumbnails of every picture, with or without the progress window.
Run RunJob(CHostWnd& host, const std::vector<CString>& files, bool withProgress)
{
    std::atomic<bool> running{ true };
    std::atomic<size_t> posted{ 0 };
    std::atomic<bool> counting{ false };
    HWND hWnd = host.m_hWnd;
    std::thread ticker([&] {
        while (running) {
            if (::PostMessageA(hWnd, WM_BENCH_TICK, 0, (LPARAM)NowMicroseconds()) && counting)
                ++posted;
            ::Sleep(kPostPeriodMs);
        }
    });
    // The queue is worked off before the clock starts, so both runs start alike.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
    host.m_handled.clear();
    host.m_waits.clear();
    Run run;
    const double start = Now();
    counting = true;
    host.m_handled.push_back(start);
    {
        std::unique_ptr<CProgressDialog> progress;
        if (withProgress)
            progress = std::make_unique<CProgressDialog>(CProgressDialog::optStopButton, "重建缩略图", "", &host);
        Reporter report{ progress.get() };
        for (size_t i = 0; i < files.size(); ++i) {
            report.Status(files[i].Mid(files[i].ReverseFind('\\') + 1));
            CDib thumb;
            run.done += thumb.LoadFitted(files[i], 96, 96, nullptr, report.progress ? &Reporter::OnRows : nullptr, &report) == 1;
            report.Percent((int)((i + 1) * 100 / files.size()));
        }
        run.reports = report.calls;
        run.bands = report.bands;
    }
    const double end = Now();
    counting = false;
    // Ticks still waiting count as waiting until now: a queue nobody works off is not responsive.
    const size_t handledInJob = host.m_handled.size() - 1;
    running = false;
    ticker.join();
    run.posted = posted;
    std::vector<double> waits(host.m_waits.begin(), host.m_waits.begin() + handledInJob);
    while (::PeekMessageA(&msg, host.m_hWnd, WM_BENCH_TICK, WM_BENCH_TICK, PM_REMOVE))
        waits.push_back(end - (double)msg.lParam / 1000.0);
    std::sort(waits.begin(), waits.end());
    run.longestWait = waits.empty() ? 0 : waits.back();
    run.medianWait = waits.empty() ? 0 : waits[waits.size() / 2];
    host.m_handled.resize(handledInJob + 1);
    host.m_handled.push_back(end);
    run.total = end - start;
    std::vector<double> gaps;
    for (size_t i = 1; i < host.m_handled.size(); ++i)
        gaps.push_back(host.m_handled[i] - host.m_handled[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    run.handled = handledInJob;
    run.longestGap = gaps.empty() ? 0 : gaps.back();
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
    // The folder's JPEG files in the order the host's list shows them.
    CFolderListing listing;
    listing.List(argv[1], [](const char* name) -> BOOL {
        const char* dot = std::strrchr(name, '.');
        return dot && _stricmp(dot, ".jpg") == 0;
    });
    std::vector<CString> files;
    for (int i = 0; i < listing.GetCount(); ++i)
        files.push_back(listing.GetPathName(i));
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
    printf("progress_post_period %d\n", (int)kPostPeriodMs);
    printf("progress_longest_gap %.1f\n", pumped.longestGap);
    printf("progress_longest_wait %.1f\n", pumped.longestWait);
    printf("progress_median_wait %.1f\n", pumped.medianWait);
    printf("progress_handled %d\n", (int)pumped.handled);
    printf("progress_posted %d\n", (int)pumped.posted);
    printf("progress_reports %d\n", pumped.reports);
    printf("progress_band_pumps %d\n", pumped.bands);
    printf("progress_total %.0f\n", pumped.total);
    printf("progress_step %.1f\n", pumped.total / files.size());
    printf("plain_longest_gap %.1f\n", plain.longestGap);
    printf("plain_longest_wait %.1f\n", plain.longestWait);
    printf("plain_handled %d\n", (int)plain.handled);
    printf("plain_total %.0f\n", plain.total);
    printf("progress_thumbnails_made %d/%d\n", pumped.done, (int)files.size());
    theApp.m_pMainWnd = nullptr;
    host.DestroyWindow();
    ::CoUninitialize();
    return 0;
}
