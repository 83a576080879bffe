// Times the batch adjustment dialog as a user meets it on a folder of 24-megapixel JPEG
// photographs: "保存" until the next picture is shown with its preview, after the user has looked
// at the current picture a while (the next one read ahead meanwhile), and the time a picture when
// the whole folder is saved with one press after another. Prints one "key value" line a figure
// for tools/bench.sh.
//   kxbenchbatch <folder of p01.jpg ... pNN.jpg> <work folder>
// The work folder holds the run's profile and the output folders.
#include "BenchUtil.h"
#include <adjust/DlgAdjustBat.h>
#include <afxwin.h>
#include <kxcomdlgres.h>
#include <kxraii.h>
#include <Parallel.h>
#include <objbase.h>
#include <algorithm>
#include <functional>
#include <stdio.h>
#include <string>

namespace {

class CBenchApp : public CWinApp
{
public:
    CBenchApp() : CWinApp("kxbenchbatch") {}
};
CBenchApp theApp;

// How long the user looks at a picture before "保存" in the first part.
const DWORD kLookMs = 2500;
const int kLookedAt = 6;

std::function<void(HWND)> g_script;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND hDlg = ::GetActiveWindow();
    if (!hDlg || !::IsWindowVisible(hDlg) || !::GetDlgItem(hDlg, IDC_ADJBAT_CROP))
        return;
    ::KillTimer(nullptr, id);
    g_script(hDlg);
}

// Works off the dialog's queue as its loop would, until no preview is waiting.
void Pump(HWND hDlg)
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!::IsDialogMessageA(hDlg, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

// Lets the time go by as a user looking at the picture, the queue kept moving.
void Look(HWND hDlg, DWORD ms)
{
    const DWORD end = ::GetTickCount() + ms;
    while (::GetTickCount() < end) {
        Pump(hDlg);
        ::Sleep(10);
    }
}

// The views the user looks at: the before view and the crop view laid over 27088.
HWND CropView(HWND hDlg)
{
    RECT place;
    ::GetWindowRect(::GetDlgItem(hDlg, IDC_ADJ_AFTER_VIEW), &place);
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        RECT rc;
        ::GetWindowRect(h, &rc);
        if (::IsWindowVisible(h) && ::EqualRect(&rc, &place))
            return h;
    }
    return nullptr;
}

// "保存" pressed, until the next picture and its preview are on the screen; ms.
double SaveAndShowNext(HWND hDlg, bool& changed)
{
    HWND view = CropView(hDlg), before = ::GetDlgItem(hDlg, IDC_ADJ_BEFORE_VIEW);
    const unsigned long long was = ScreenSum(view);
    const double start = Now();
    ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_ADJBAT_SAVE, BN_CLICKED), (LPARAM)::GetDlgItem(hDlg, IDC_ADJBAT_SAVE));
    Pump(hDlg);
    ::UpdateWindow(before);
    ::UpdateWindow(view);
    ::GdiFlush();
    const double ms = Now() - start;
    changed = ScreenSum(view) != was;
    return ms;
}

// The adjustment the user typed: warmer, brighter, more contrast and colour.
void TypeValues(HWND hDlg)
{
    ::SetDlgItemTextA(hDlg, IDC_ADJ_RED_EDIT, "10");
    ::SetDlgItemTextA(hDlg, IDC_ADJ_BRIGHT_EDIT, "10");
    ::SetDlgItemTextA(hDlg, IDC_ADJ_CONTRAST_EDIT, "15");
    ::SetDlgItemTextA(hDlg, IDC_ADJ_SATU_EDIT, "20");
}

void StoreOutput(const CString& folder, const char* name)
{
    theApp.WriteProfileString("Settings", "Adjust filename", name);
    theApp.WriteProfileInt("Settings", "Adjust addtail", 1);
    theApp.WriteProfileString("Settings", "Adjust dirname", folder + "\\");
    theApp.WriteProfileInt("Settings", "Adjust filetype", 0);
    theApp.WriteProfileInt("Settings", "Adjust DPI", 300);
}

int CountFiles(const CString& pattern)
{
    int n = 0;
    WIN32_FIND_DATAA fd;
    kx::unique_hfind find(::FindFirstFileA(pattern, &fd));
    if (find) {
        do
            ++n;
        while (::FindNextFileA(find.get(), &fd));
    }
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: kxbenchbatch <picture folder> <work folder>\n");
        return 2;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    const CString folder = argv[1], work = argv[2];
    const CString profile = work + "\\kxbenchbatch.ini";
    ::DeleteFileA(profile);
    theApp.SetProfileName(profile);
    const int pictures = CountFiles(folder + "\\p*.jpg");
    printf("batch_pictures %d\n", pictures);
    printf("batch_threads %d\n", KxWorkerCount());
    if (pictures < kLookedAt + 1)
        return 1;

    // The user looks at each picture a while, then presses "保存".
    const CString looked = work + "\\out-looked";
    ::CreateDirectoryA(looked, nullptr);
    StoreOutput(looked, "look001");
    std::vector<double> steps;
    int changed = 0;
    g_script = [&](HWND hDlg) {
        TypeValues(hDlg);
        for (int k = 0; k < kLookedAt; ++k) {
            Look(hDlg, kLookMs);
            bool shown = false;
            steps.push_back(SaveAndShowNext(hDlg, shown));
            changed += shown;
        }
        ::SendMessageA(hDlg, WM_COMMAND, IDC_ADJBAT_CLOSE, 0);
    };
    {
        ::SetTimer(nullptr, 0, 20, OnTimer);
        CDlgAdjustBat dlg(nullptr, folder + "\\p01.jpg");
        dlg.DoModal();
    }
    Figures looking;
    looking.steps = steps;
    looking.changed = changed;
    ReportSteps("save_to_next", looking);
    printf("save_to_next_worst %.2f\n", *std::max_element(steps.begin(), steps.end()));
    printf("save_to_next_written %d\n", CountFiles(looked + "\\look*.jpg"));

    // The whole folder, one press after the other, from its first picture to its last.
    const CString whole = work + "\\out-folder";
    ::CreateDirectoryA(whole, nullptr);
    StoreOutput(whole, "b001");
    double total = 0, first = 0;
    changed = 0;
    g_script = [&](HWND hDlg) {
        TypeValues(hDlg);
        Look(hDlg, 300);
        const double start = Now();
        for (int k = 0; k < pictures; ++k) {
            bool shown = false;
            const double ms = SaveAndShowNext(hDlg, shown);
            if (k == 0)
                first = ms;
            changed += shown;
        }
        total = Now() - start;
        ::SendMessageA(hDlg, WM_COMMAND, IDC_ADJBAT_CLOSE, 0);
    };
    {
        ::SetTimer(nullptr, 0, 20, OnTimer);
        CDlgAdjustBat dlg(nullptr, folder + "\\p01.jpg");
        dlg.DoModal();
    }
    const int written = CountFiles(whole + "\\b*.jpg");
    printf("folder_total %.1f\n", total);
    printf("folder_per_picture %.1f\n", total / pictures);
    printf("folder_first_save %.1f\n", first);
    printf("folder_written %d\n", written);
    printf("folder_views_changed %d/%d\n", changed, pictures - 1);
    ::CoUninitialize();
    return written == pictures ? 0 : 1;
}
