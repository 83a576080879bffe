// Times the host's windows as a user meets them: the thumbnail list of a folder of 24-megapixel
// photographs, and the colour adjustment dialog on a 6000 x 4000 host picture (opening the dialog
// until it is shown, painted and idle, the first time and again,
// a slider step until the after view has been painted anew, and "确定" until DoModal returns with
// the host's picture adjusted). Prints one "key value" line a figure for tools/bench.sh.
//   kxbenchdlg <sample picture> <work folder>
// The work folder holds the run's profile, so no standard picture of a user is loaded, and the
// folders thumbs-ours and thumbs-camera of JPEGs for the thumbnail list, when they exist.
#include "BenchUtil.h"
#include <adjust/DlgAdjust.h>
#include <ThumbListCtrl.h>
#include <afxwin.h>
#include <kxcomdlgres.h>
#include <objbase.h>
#include <algorithm>
#include <functional>
#include <vector>
#include <stdio.h>

namespace {

class CBenchApp : public CWinApp
{
public:
    CBenchApp() : CWinApp("kxbenchdlg") {}
};
CBenchApp theApp;

const int kBrightSlider = IDC_ADJ_BRIGHT, kSatuSlider = IDC_ADJ_SATU, kAfterView = IDC_ADJ_AFTER_VIEW;
const int kHueChannel = IDC_ADJ_HUE_CHANNEL, kSharpEdit = IDC_ADJ_SHARP, kGammaEdit = IDC_ADJ_GAMMA;

// Keys carry the layout: "small_..." for the standard template, "large_..." for the large one.
const char* g_layout = "small";

void Report(const char* key, const Figures& f) { ReportSteps((CString(g_layout) + "_" + key), f); }

double g_openStart = 0, g_openMs = 0, g_okMs = 0;
std::function<void(HWND)> g_script;

// The adjustment dialog of this thread once it is on the screen.
HWND ShownDialog()
{
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM lParam) -> BOOL {
        if (!::IsWindowVisible(h) || !::GetDlgItem(h, kAfterView))
            return TRUE;
        *reinterpret_cast<HWND*>(lParam) = h;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Timer messages come only when the queue is empty, so the first tick that finds the dialog
// shown comes after it has been initialised, shown and painted: it is open and idle.
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND hDlg = ShownDialog();
    if (!hDlg)
        return;
    ::KillTimer(nullptr, id);
    g_openMs = Now() - g_openStart;
    g_script(hDlg);
}

// Opens the dialog on the picture and runs the script once it is open; returns DoModal's result.
INT_PTR RunDialog(CDib& photo, int layout)
{
    ::SetTimer(nullptr, 0, 10, OnTimer);
    CDlgAdjust dlg(&photo, AfxGetMainWnd(), layout);
    g_openStart = Now();
    return dlg.DoModal();
}

// The thumbnail list as the host's main window has it, on every picture of the folder; prints
// the milliseconds a picture and how many there were.
void Thumbnails(const char* key, const CString& folder)
{
    if (::GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES)
        return;
    CWnd host;
    LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    CThumbListCtrl list;
    list.SetThumbSize(96, 96);
    if (!host.CreateEx(0, cls, "thumbnails", WS_POPUP | WS_VISIBLE, 0, 0, 250, 700, nullptr, nullptr) ||
        !list.Create(WS_VISIBLE | WS_BORDER, CRect(0, 0, 250, 700), &host, 1))
        return;
    const double start = Now();
    const int count = list.LoadFolder(folder);
    const double elapsed = Now() - start;
    if (count > 0)
        printf("%s %.1f\n%s_count %d\n", key, elapsed / count, key, count);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: kxbenchdlg <sample picture> <work folder>\n");
        return 2;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    const CString profile = CString(argv[2]) + "\\kxbenchdlg.ini";
    ::DeleteFileA(profile);
    theApp.SetProfileName(profile);

    Thumbnails("thumbs_ours", CString(argv[2]) + "\\thumbs-ours");
    Thumbnails("thumbs_camera", CString(argv[2]) + "\\thumbs-camera");

    // The dialog is opened as a host opens it, from its main window, which is up already.
    CWnd mainWnd;
    mainWnd.CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)),
                     "kxbenchdlg", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 700, nullptr, nullptr);
    theApp.m_pMainWnd = &mainWnd;

    CDib original;
    if (!MakePhoto(argv[1], original))
        return 1;

    bool allChanged = true;
    for (int layout : { 0, 1 }) {
        g_layout = layout ? "large" : "small";
        CDib photo = original;
        g_script = [](HWND hDlg) {
            RECT rc;
            ::GetClientRect(::GetDlgItem(hDlg, kAfterView), &rc);
            printf("%s_view %ldx%ld\n", g_layout, rc.right, rc.bottom);
            Report("slider_brightness", SliderSteps(hDlg, kBrightSlider, kAfterView, 40));
            // Saturation on one hue channel runs the per-hue step.
            ::SendDlgItemMessageA(hDlg, kHueChannel, CB_SETCURSEL, 1, 0);
            ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(kHueChannel, CBN_SELCHANGE), (LPARAM)::GetDlgItem(hDlg, kHueChannel));
            Report("slider_hue_saturation", SliderSteps(hDlg, kSatuSlider, kAfterView, 40));
            // Every step of the sequence active: sharpening and gamma as well.
            ::SetDlgItemTextA(hDlg, kSharpEdit, "30");
            ::SetDlgItemTextA(hDlg, kGammaEdit, "120");
            Report("slider_all_steps", SliderSteps(hDlg, kBrightSlider, kAfterView, 40));
            const double start = Now();
            ::SendMessageA(hDlg, WM_COMMAND, IDOK, 0);
            g_okMs = Now() - start;
        };
        const INT_PTR result = RunDialog(photo, layout);
        printf("%s_open_dialog %.1f\n", g_layout, g_openMs);
        // Opened again as a host opens it, the first opening's one-time costs (the platform's
        // classes and fonts) paid: the median of five.
        g_script = [](HWND hDlg) { ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0); };
        std::vector<double> again;
        for (int i = 0; i < 5; ++i) {
            CDib unchanged = original;
            RunDialog(unchanged, layout);
            again.push_back(g_openMs);
        }
        std::sort(again.begin(), again.end());
        printf("%s_open_again_median %.1f\n%s_open_again_count %d\n", g_layout, again[again.size() / 2], g_layout,
               (int)again.size());
        printf("%s_ok_full_size %.1f\n", g_layout, g_okMs);
        // "确定" must have changed the host's picture, or the figure timed nothing.
        const bool changed = result == IDOK && memcmp(original.GetBits(), photo.GetBits(),
                                                       (size_t)photo.GetStride() * photo.GetHeight()) != 0;
        printf("%s_ok_changed_picture %d\n", g_layout, changed ? 1 : 0);
        allChanged = allChanged && changed;
    }
    theApp.m_pMainWnd = nullptr;
    mainWnd.DestroyWindow();
    ::CoUninitialize();
    return allChanged ? 0 : 1;
}
